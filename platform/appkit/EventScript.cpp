#include "appkit/EventScript.h"

#include "appkit/Application.h"
#include "appkit/Clock.h"
#include "appkit/Window.h"

namespace kit {

EventScript::EventScript(const Window& window)
    : windowNumber_(window.windowNumber()), start_(Clock::now()), next_(start_)
{
}

EventScript& EventScript::at(double seconds)
{
    next_ = start_ + seconds;
    return *this;
}

EventScript& EventScript::after(double seconds)
{
    next_ += seconds;
    return *this;
}

EventScript& EventScript::add(const Event& e)
{
    Event copy = e;
    copy.setTimestamp(next_);
    events_.emplace_back(next_, copy);
    return *this;
}

EventScript& EventScript::mouseDown(Point p, unsigned flags, int clickCount)
{
    clickCount_ = clickCount;
    last_ = p;
    return add(Event::mouseEventWithType(EventType::LeftMouseDown, p, flags, next_, windowNumber_, clickCount));
}

EventScript& EventScript::mouseDragged(Point p, unsigned flags)
{
    last_ = p;
    return add(Event::mouseEventWithType(EventType::LeftMouseDragged, p, flags, next_, windowNumber_, clickCount_));
}

EventScript& EventScript::mouseUp(Point p, unsigned flags)
{
    last_ = p;
    return add(Event::mouseEventWithType(EventType::LeftMouseUp, p, flags, next_, windowNumber_, clickCount_, 0.0f));
}

EventScript& EventScript::mouseMoved(Point p, unsigned flags)
{
    last_ = p;
    return add(Event::mouseEventWithType(EventType::MouseMoved, p, flags, next_, windowNumber_, 0, 0.0f));
}

EventScript& EventScript::mouseLeftWindow()
{
    return add(Event::enterExitEventWithType(EventType::MouseExited, last_, 0, next_, windowNumber_, 0, nullptr));
}

EventScript& EventScript::keyDown(const std::u16string& characters, unsigned flags, bool isARepeat)
{
    return add(Event::keyEventWithType(EventType::KeyDown, last_, flags, next_, windowNumber_, characters, characters,
                                       isARepeat));
}

EventScript& EventScript::keyUp(const std::u16string& characters, unsigned flags)
{
    return add(
        Event::keyEventWithType(EventType::KeyUp, last_, flags, next_, windowNumber_, characters, characters, false));
}

EventScript& EventScript::flagsChanged(unsigned flags)
{
    return add(Event::otherEventWithType(EventType::FlagsChanged, last_, flags, next_, windowNumber_));
}

void EventScript::schedule()
{
    Application& app = Application::sharedApplication();
    for (const auto& [time, event] : events_)
        app.scheduleEvent(event, Date{time});
}

} // namespace kit
