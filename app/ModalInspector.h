#pragma once

// A dialog of the panels registry that a menu command runs modally over the
// main document (the columns dialog): the delegate reaches it through this
// interface, the dialog's class lives above the application.

namespace kit {
class Object;
}

class ModalInspector {
public:
    virtual ~ModalInspector() = default;
    // Shows the dialog, runs it and applies what was chosen; answers the
    // modal response (1 for applied, 0 for cancelled).
    virtual int runModalForWindow(kit::Object* sender) = 0;
};
