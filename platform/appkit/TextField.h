#pragma once

#include "appkit/CellEditor.h"
#include "appkit/Control.h"
#include "appkit/TextFieldCell.h"

namespace kit {

// A field of text over Qt's line editor. Clicking into it (or Tab, or
// selectText) makes it the window's first responder; the keys typed then
// edit it through the line editor, with the formatter refusing characters
// that cannot make a value. Return ends the editing and sends the action
// (without an action the key goes on up the chain, to the window's default
// button); Tab and Shift-Tab go to the next and previous text. A text the
// formatter refuses keeps the field editing (unless the delegate accepts
// it), so the values read from it are always ones the formatter allows.
class TextField : public Control {
public:
    explicit TextField(const Rect& frame = {}, const std::string& text = std::string());
    // A caption: neither edited nor selected, with no border or background.
    static std::unique_ptr<TextField> makeLabel(const Rect& frame, const std::string& text);
    ~TextField() override;

    std::string className() const override { return "NSTextField"; }

    TextFieldCell* textFieldCell() const;
    bool isEditable() const;
    void setEditable(bool flag);
    bool isSelectable() const;
    void setSelectable(bool flag);
    // A field disabled (or made neither editable nor selectable) while it is
    // typed into keeps what was typed and gives the keyboard to its window.
    void setEnabled(bool flag) override;
    bool isBezeled() const;
    void setBezeled(bool flag);
    bool isBordered() const;
    void setBordered(bool flag);
    bool drawsBackground() const;
    void setDrawsBackground(bool flag);
    ColorRef textColor() const;
    void setTextColor(ColorRef color);
    ColorRef backgroundColor() const;
    void setBackgroundColor(ColorRef color);
    std::string placeholderString() const;
    void setPlaceholderString(const std::string& text);

    // While first responder: whether the text was changed since.
    bool isEditing() const { return editor_.isEditing(); }
    // Ends the editing as Return would, without sending the action; false
    // (and the field keeps editing) when the formatter refuses the text.
    bool validateEditing();

    bool acceptsFirstResponder() const override;
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    void selectText(Object* sender) override;
    void mouseDown(const Event& event) override;
    void keyDown(const Event& event) override;

    // The line editor's selection, in characters (for tests and the kit).
    int selectionStart() const;
    int selectionLength() const;

protected:
    void updateWidget() override;

private:
    void dropKeyboard();

    detail::CellEditor editor_;
    bool updating_ = false;
};

} // namespace kit
