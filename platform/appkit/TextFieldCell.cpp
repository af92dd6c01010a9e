#include "appkit/TextFieldCell.h"

namespace kit {

TextFieldCell::TextFieldCell() : textColor_(Color::blackColor()), backgroundColor_(Color::whiteColor())
{
    setEditable(true);
    setSelectable(true);
    setBezeled(true);
}

TextFieldCell::TextFieldCell(const std::string& text) : TextFieldCell()
{
    setStringValue(text);
}

std::unique_ptr<Cell> TextFieldCell::copy() const
{
    auto cell = std::make_unique<TextFieldCell>();
    copyTextSettingsTo(*cell);
    return cell;
}

void TextFieldCell::copyTextSettingsTo(TextFieldCell& cell) const
{
    copySettingsTo(cell);
    cell.textColor_ = textColor_;
    cell.backgroundColor_ = backgroundColor_;
    cell.drawsBackground_ = drawsBackground_;
    cell.placeholder_ = placeholder_;
}

void TextFieldCell::setTextColor(ColorRef color)
{
    textColor_ = color ? std::move(color) : Color::blackColor();
    changed();
}

void TextFieldCell::setBackgroundColor(ColorRef color)
{
    backgroundColor_ = color ? std::move(color) : Color::whiteColor();
    changed();
}

void TextFieldCell::setDrawsBackground(bool flag)
{
    drawsBackground_ = flag;
    changed();
}

void TextFieldCell::setPlaceholderString(const std::string& text)
{
    placeholder_ = text;
    changed();
}

} // namespace kit
