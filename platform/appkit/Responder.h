#pragma once

#include "appkit/Event.h"
#include "appkit/Receiver.h"

namespace kit {

// An object in the responder chain: events it does not handle, and actions
// it does not answer, go to its next responder.
class Responder : public Receiver {
public:
    std::string className() const override { return "NSResponder"; }

    Responder* nextResponder() const { return next_.get(); }
    void setNextResponder(Responder* responder) { next_ = WeakRef<Responder>(responder); }

    virtual bool acceptsFirstResponder() const { return false; }
    virtual bool becomeFirstResponder() { return true; }
    virtual bool resignFirstResponder() { return true; }

    // Each passes the event on to the next responder; a key down that no
    // one takes beeps.
    virtual void mouseDown(const Event& event);
    virtual void mouseDragged(const Event& event);
    virtual void mouseUp(const Event& event);
    virtual void rightMouseDown(const Event& event);
    virtual void rightMouseDragged(const Event& event);
    virtual void rightMouseUp(const Event& event);
    virtual void mouseMoved(const Event& event);
    virtual void mouseEntered(const Event& event);
    virtual void mouseExited(const Event& event);
    virtual void keyDown(const Event& event);
    virtual void keyUp(const Event& event);
    virtual void flagsChanged(const Event& event);
    virtual void scrollWheel(const Event& event);

    // Sends the action to the first object along the chain that answers
    // it; answers whether one did.
    bool tryToPerform(const std::string& action, Object* argument);
    // The end of the chain: the platform beeps for an unhandled key.
    virtual void noResponderFor(EventType type);

private:
    WeakRef<Responder> next_;
};

} // namespace kit
