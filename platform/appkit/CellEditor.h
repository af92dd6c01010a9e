#pragma once

#include "appkit/Event.h"

class QLineEdit;

namespace kit {
class Cell;
class Control;
}

namespace kit::detail {

// The editing of one text cell of a control in a Qt line editor: the text
// typed goes into the cell as it changes, the control's delegate hears of
// it, and the end of the editing checks the text with the cell's formatter.
// Text fields edit their one cell with it, matrices and forms the cell
// being typed into.
class CellEditor {
public:
    // Gives the keyboard to the line editor and selects its text.
    void begin(Control& control, Cell* cell, QLineEdit* edit);
    bool isActive() const { return cell_ != nullptr; }
    Cell* cell() const { return cell_; }
    QLineEdit* lineEdit() const { return edit_; }
    // Whether the text was changed since begin.
    bool isEditing() const { return editing_; }

    // The line editor's text changed by typing.
    void textEdited();
    // Checks the changed text with the formatter: a refused text beeps,
    // stays selected and answers false (unless the delegate takes it);
    // an accepted one is shown as the formatter writes it. Then the
    // delegate may still refuse it (controlTextShouldEndEditing).
    bool validate();
    // validate, then lets the line editor go; false when refused.
    bool end();
    // Lets the line editor go without checking: the cell keeps the text
    // typed so far (a control that can no longer be typed into).
    void abort();
    // A key typed into the cell (not Tab or Return, which the control
    // handles): given to the line editor, or a beep when the cell cannot
    // take it. Text selected as a whole (begin, selectAllText) is replaced
    // by the first key even when Qt dropped the selection meanwhile (as it
    // does when the window first comes on screen).
    void typeKey(const Event& event);
    void selectAllText();
    // The mouse placed the caret: what it selected stands.
    void mousePlacedCaret() { selectAllPending_ = false; }

private:
    // Lets go of the field and the control being edited.
    void release();
    Control* control_ = nullptr;
    Cell* cell_ = nullptr;
    QLineEdit* edit_ = nullptr;
    bool editing_ = false;
    bool updating_ = false;
    bool selectAllPending_ = false;
};

} // namespace kit::detail
