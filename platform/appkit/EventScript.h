#pragma once

#include "appkit/Event.h"

#include <string>
#include <vector>

namespace kit {

class Window;

// A scripted sequence of mouse and key events for one window, arriving on
// the application's clock as if from the screen (mouse-moved filtering,
// tracking rectangles and cursor showing apply). Times are seconds after
// the script's start.
class EventScript {
public:
    explicit EventScript(const Window& window);

    // The time of the next event, from the start, or from the last one.
    EventScript& at(double seconds);
    EventScript& after(double seconds);

    EventScript& mouseDown(Point p, unsigned flags = 0, int clickCount = 1);
    EventScript& mouseDragged(Point p, unsigned flags = 0);
    EventScript& mouseUp(Point p, unsigned flags = 0);
    EventScript& mouseMoved(Point p, unsigned flags = 0);
    // The pointer leaves the window altogether.
    EventScript& mouseLeftWindow();
    EventScript& keyDown(const std::u16string& characters, unsigned flags = 0, bool isARepeat = false);
    EventScript& keyUp(const std::u16string& characters, unsigned flags = 0);
    EventScript& flagsChanged(unsigned flags);

    // Hands the events to the application's queue schedule.
    void schedule();
    const std::vector<std::pair<double, Event>>& events() const { return events_; }

private:
    EventScript& add(const Event& e);

    int windowNumber_;
    double start_;
    double next_;
    int clickCount_ = 1;
    Point last_;
    std::vector<std::pair<double, Event>> events_;
};

} // namespace kit
