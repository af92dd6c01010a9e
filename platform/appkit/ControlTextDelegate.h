#pragma once

#include <string>

namespace kit {

class Control;

// What a text field (or form) tells its delegate while its text is edited.
// Every operation is optional: the defaults do nothing.
class ControlTextDelegate {
public:
    virtual ~ControlTextDelegate() = default;
    // The first change of the text since the field became first responder.
    virtual void controlTextDidBeginEditing(Control* control) { (void)control; }
    virtual void controlTextDidChange(Control* control) { (void)control; }
    // A changed text (that the formatter took) is about to be kept: false
    // refuses it and the field goes on editing, its text selected; the
    // delegate says why (a beep).
    virtual bool controlTextShouldEndEditing(Control* control)
    {
        (void)control;
        return true;
    }
    // Editing ended (Return, Tab, another field chosen).
    virtual void controlTextDidEndEditing(Control* control) { (void)control; }
    // The formatter refused the text: answering true keeps the text anyway
    // (the cell then has no valid value); false keeps the field editing.
    virtual bool controlDidFailToFormatString(Control* control, const std::string& string, const std::string& error)
    {
        (void)control;
        (void)string;
        (void)error;
        return false;
    }
};

} // namespace kit
