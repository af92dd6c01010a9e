#include "appkit/CellEditor.h"

#include "appkit/Application.h"
#include "appkit/Control.h"
#include "appkit/WidgetHost.h"
#include "core/Formatter.h"

#include <QLineEdit>

namespace kit::detail {

void CellEditor::begin(Control& control, Cell* cell, QLineEdit* edit)
{
    control_ = &control;
    cell_ = cell;
    edit_ = edit;
    editing_ = false;
    selectAllPending_ = false;
    if (edit_)
        edit_->setFocus(Qt::OtherFocusReason);
    selectAllText();
}

void CellEditor::selectAllText()
{
    if (!edit_)
        return;
    edit_->selectAll();
    selectAllPending_ = true;
}

void CellEditor::textEdited()
{
    if (!cell_ || !edit_ || updating_)
        return;
    bool first = !editing_;
    editing_ = true;
    updating_ = true;
    cell_->setStringValue(edit_->text().toStdString());
    updating_ = false;
    if (ControlTextDelegate* d = control_->delegate()) {
        if (first)
            d->controlTextDidBeginEditing(control_);
        d->controlTextDidChange(control_);
    }
}

bool CellEditor::validate()
{
    // A text nobody changed is left as it was set.
    if (!cell_ || !editing_)
        return true;
    if (Formatter* f = cell_->formatter()) {
        std::unique_ptr<Object> value;
        std::string error;
        std::string text = cell_->stringValue();
        if (!f->getObjectValue(&value, text, &error)) {
            ControlTextDelegate* d = control_->delegate();
            if (!d || !d->controlDidFailToFormatString(control_, text, error)) {
                Application::sharedApplication().beep();
                if (edit_)
                    edit_->selectAll();
                return false;
            }
        } else {
            // The text as the formatter writes it ("2.5" becomes "2.50"), and
            // the value what that text says, so what is seen is what is kept.
            cell_->setObjectValue(std::move(value));
            cell_->setStringValue(cell_->stringValue());
        }
    }
    if (ControlTextDelegate* d = control_->delegate(); d && !d->controlTextShouldEndEditing(control_)) {
        if (edit_)
            edit_->selectAll();
        return false;
    }
    editing_ = false;
    if (ControlTextDelegate* d = control_->delegate())
        d->controlTextDidEndEditing(control_);
    return true;
}

bool CellEditor::end()
{
    if (!validate())
        return false;
    release();
    return true;
}

void CellEditor::release()
{
    if (edit_) {
        edit_->deselect();
        edit_->clearFocus();
    }
    control_ = nullptr;
    cell_ = nullptr;
    edit_ = nullptr;
}

void CellEditor::abort()
{
    selectAllPending_ = false;
    release();
    editing_ = false;
}

void CellEditor::typeKey(const Event& event)
{
    if (!cell_ || !edit_)
        return;
    if (selectAllPending_ && !edit_->hasSelectedText())
        edit_->selectAll();
    selectAllPending_ = false;
    const std::u16string& chars = event.characters();
    char16_t c = chars.empty() ? 0 : chars.front();
    bool moves = c >= 0xF700 && c <= 0xF8FF && c != DeleteFunctionKey;
    if (!cell_->isEnabled() || (!cell_->isEditable() && !moves)) {
        Application::sharedApplication().beep();
        return;
    }
    WidgetHost::replayKey(edit_, event);
}

} // namespace kit::detail
