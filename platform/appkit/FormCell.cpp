#include "appkit/FormCell.h"

#include <cmath>

namespace kit {

FormCell::FormCell() = default;

FormCell::FormCell(const std::string& title) : title_(title) {}

std::unique_ptr<Cell> FormCell::copy() const
{
    auto cell = std::make_unique<FormCell>();
    copyTextSettingsTo(*cell);
    cell->title_ = title_;
    cell->titleWidth_ = titleWidth_;
    cell->titleAlignment_ = titleAlignment_;
    return cell;
}

void FormCell::setTitle(const std::string& title)
{
    if (title_ == title)
        return;
    title_ = title;
    changed();
}

void FormCell::setTitleWidth(float width)
{
    titleWidth_ = std::isfinite(width) && width > 0 ? width : 0;
    changed();
}

void FormCell::setTitleAlignment(TextAlignment alignment)
{
    titleAlignment_ = alignment;
    changed();
}

} // namespace kit
