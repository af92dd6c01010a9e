#pragma once

#include "appkit/Event.h"
#include "core/Geometry.h"

class QPointF;
class QWidget;

namespace kit {
class View;
}

namespace kit::detail {

// The Qt widget that shows a control (or a box) of a window. The widget is
// owned here. While the view's window is on the screen the widget lies over
// the view inside the window's widget; otherwise it is kept apart, hidden,
// at the view's size. Its mouse and keys come to the application's queue
// like the window's own (WindowScreen::redirectInput); the control decides
// what they do and hands some back to the widget (replay).
class WidgetHost {
public:
    explicit WidgetHost(QWidget* widget);
    ~WidgetHost();
    WidgetHost(const WidgetHost&) = delete;
    WidgetHost& operator=(const WidgetHost&) = delete;

    QWidget* widget() const { return widget_; }

    // Puts the widget over the view, as the view lies in its window now.
    void place(const View& view);
    // Takes the widget off any window.
    void detach();

    // The window point as a point of the given widget (the host's widget or
    // one inside it), the widget lying over the view.
    static QPointF localPoint(const View& view, QWidget* hostWidget, QWidget* target, Point base);
    // A mouse event of the kit, delivered to the target widget as Qt's.
    void replayMouse(const View& view, QWidget* target, const Event& event);
    // A key event of the kit, delivered to the target widget as Qt's.
    static void replayKey(QWidget* target, const Event& event);

private:
    QWidget* widget_;
};

} // namespace kit::detail
