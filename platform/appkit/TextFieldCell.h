#pragma once

#include "appkit/Cell.h"

namespace kit {

// The cell of a text field: editable and selectable text with its colours.
class TextFieldCell : public Cell {
public:
    TextFieldCell();
    explicit TextFieldCell(const std::string& text);

    std::string className() const override { return "NSTextFieldCell"; }
    std::unique_ptr<Cell> copy() const override;

    ColorRef textColor() const { return textColor_; }
    void setTextColor(ColorRef color);
    ColorRef backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(ColorRef color);
    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool flag);
    // Shown in grey while the field is empty.
    const std::string& placeholderString() const { return placeholder_; }
    void setPlaceholderString(const std::string& text);

protected:
    void copyTextSettingsTo(TextFieldCell& cell) const;

private:
    ColorRef textColor_;
    ColorRef backgroundColor_;
    bool drawsBackground_ = true;
    std::string placeholder_;
};

} // namespace kit
