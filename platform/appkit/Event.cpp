#include "appkit/Event.h"

#include "appkit/Application.h"

#include <cstdio>

namespace kit {

Event Event::withCommonFields(EventType type, Point location, unsigned modifierFlags, double timestamp,
                              int windowNumber)
{
    Event e;
    e.type_ = type;
    e.location_ = location;
    e.modifierFlags_ = modifierFlags;
    e.timestamp_ = timestamp;
    e.windowNumber_ = windowNumber;
    return e;
}

Event Event::mouseEventWithType(EventType type, Point location, unsigned modifierFlags, double timestamp,
                                int windowNumber, int clickCount, float pressure)
{
    Event e = withCommonFields(type, location, modifierFlags, timestamp, windowNumber);
    e.clickCount_ = clickCount;
    e.pressure_ = pressure;
    return e;
}

Event Event::scrollWheelEvent(Point location, unsigned modifierFlags, double timestamp, int windowNumber,
                              float deltaX, float deltaY)
{
    Event e = withCommonFields(EventType::ScrollWheel, location, modifierFlags, timestamp, windowNumber);
    e.deltaX_ = deltaX;
    e.deltaY_ = deltaY;
    return e;
}

Event Event::keyEventWithType(EventType type, Point location, unsigned modifierFlags, double timestamp,
                              int windowNumber, std::u16string characters, std::u16string charactersIgnoringModifiers,
                              bool isARepeat, unsigned short keyCode)
{
    Event e = withCommonFields(type, location, modifierFlags, timestamp, windowNumber);
    e.characters_ = std::move(characters);
    e.charactersIgnoringModifiers_ = std::move(charactersIgnoringModifiers);
    e.isARepeat_ = isARepeat;
    e.keyCode_ = keyCode;
    return e;
}

Event Event::enterExitEventWithType(EventType type, Point location, unsigned modifierFlags, double timestamp,
                                    int windowNumber, int trackingNumber, void* userData)
{
    Event e = withCommonFields(type, location, modifierFlags, timestamp, windowNumber);
    e.trackingNumber_ = trackingNumber;
    e.userData_ = userData;
    return e;
}

Event Event::otherEventWithType(EventType type, Point location, unsigned modifierFlags, double timestamp,
                                int windowNumber, short subtype, long data1, long data2)
{
    Event e = withCommonFields(type, location, modifierFlags, timestamp, windowNumber);
    e.subtype_ = subtype;
    e.data1_ = data1;
    e.data2_ = data2;
    return e;
}

Window* Event::window() const
{
    return Application::sharedApplication().windowWithWindowNumber(windowNumber_);
}

bool Event::startPeriodicEventsAfterDelay(double delay, double period)
{
    return Application::sharedApplication().startPeriodicEvents(delay, period);
}

void Event::stopPeriodicEvents()
{
    Application::sharedApplication().stopPeriodicEvents();
}

bool Event::periodicEventsRunning()
{
    return Application::sharedApplication().periodicEventsRunning();
}

std::string Event::description() const
{
    char buf[160];
    std::snprintf(buf, sizeof buf, "Event type=%d loc=(%g,%g) flags=0x%x time=%g win=%d clicks=%d",
                  static_cast<int>(type_), static_cast<double>(location_.x), static_cast<double>(location_.y),
                  modifierFlags_, timestamp_, windowNumber_, clickCount_);
    std::string out = buf;
    if (!characters_.empty()) {
        out += " chars=";
        for (char16_t c : characters_) {
            std::snprintf(buf, sizeof buf, "%s0x%04X", out.back() == '=' ? "" : ",", static_cast<unsigned>(c));
            out += buf;
        }
    }
    return out;
}

} // namespace kit
