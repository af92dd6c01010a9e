#pragma once

#include "appkit/TextFieldCell.h"

namespace kit {

// One entry of a form: a title (the label before it) and an editable text.
class FormCell : public TextFieldCell {
public:
    FormCell();
    explicit FormCell(const std::string& title);

    std::string className() const override { return "NSFormCell"; }
    std::unique_ptr<Cell> copy() const override;

    std::string title() const override { return title_; }
    void setTitle(const std::string& title) override;
    // Width of the title part; 0 lets the form size it to the widest title.
    float titleWidth() const { return titleWidth_; }
    void setTitleWidth(float width);
    TextAlignment titleAlignment() const { return titleAlignment_; }
    void setTitleAlignment(TextAlignment alignment);

private:
    std::string title_;
    float titleWidth_ = 0;
    TextAlignment titleAlignment_ = TextAlignment::Right;
};

} // namespace kit
