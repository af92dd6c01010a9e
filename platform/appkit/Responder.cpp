#include "appkit/Responder.h"

#include "core/Alert.h"

namespace kit {

#define KIT_PASS_ON(name, type)                                                                                \
    void Responder::name(const Event& event)                                                                   \
    {                                                                                                          \
        if (Responder* n = nextResponder())                                                                    \
            n->name(event);                                                                                    \
        else                                                                                                   \
            noResponderFor(type);                                                                              \
    }

KIT_PASS_ON(mouseDown, EventType::LeftMouseDown)
KIT_PASS_ON(mouseDragged, EventType::LeftMouseDragged)
KIT_PASS_ON(mouseUp, EventType::LeftMouseUp)
KIT_PASS_ON(rightMouseDown, EventType::RightMouseDown)
KIT_PASS_ON(rightMouseDragged, EventType::RightMouseDragged)
KIT_PASS_ON(rightMouseUp, EventType::RightMouseUp)
KIT_PASS_ON(mouseMoved, EventType::MouseMoved)
KIT_PASS_ON(mouseEntered, EventType::MouseEntered)
KIT_PASS_ON(mouseExited, EventType::MouseExited)
KIT_PASS_ON(keyDown, EventType::KeyDown)
KIT_PASS_ON(keyUp, EventType::KeyUp)
KIT_PASS_ON(flagsChanged, EventType::FlagsChanged)
KIT_PASS_ON(scrollWheel, EventType::ScrollWheel)

#undef KIT_PASS_ON

bool Responder::tryToPerform(const std::string& action, Object* argument)
{
    // Bounded, in case a chain was wired into a loop.
    int steps = 0;
    for (Responder* r = this; r && steps < 10000; r = r->nextResponder(), ++steps) {
        if (r->respondsToSelector(action)) {
            r->performSelector(action, argument);
            return true;
        }
    }
    return false;
}

void Responder::noResponderFor(EventType type)
{
    if (type == EventType::KeyDown)
        beep();
}

} // namespace kit
