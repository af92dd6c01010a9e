#include "appkit/Slider.h"

#include "appkit/Application.h"

#include <QSlider>

#include <algorithm>
#include <cmath>

namespace kit {

namespace {
constexpr int Steps = 10000;
constexpr float KnobInset = 8; // where the knob's centre stops at the ends
} // namespace

Slider::Slider(const Rect& frame) : Control(frame)
{
    setCell(std::make_unique<Cell>());
    cell()->setDoubleValue(0);
    auto* s = new QSlider;
    s->setRange(0, Steps);
    setWidget(s);
}

double Slider::clamped(double v) const
{
    if (!std::isfinite(v))
        return min_;
    return std::clamp(v, std::min(min_, max_), std::max(min_, max_));
}

void Slider::setMinValue(double value)
{
    if (!std::isfinite(value))
        return;
    min_ = value;
    cell()->setDoubleValue(clamped(cell()->doubleValue()));
    updateWidget();
}

void Slider::setMaxValue(double value)
{
    if (!std::isfinite(value))
        return;
    max_ = value;
    cell()->setDoubleValue(clamped(cell()->doubleValue()));
    updateWidget();
}

bool Slider::isVertical() const
{
    return height(bounds()) > width(bounds());
}

double Slider::valueForPoint(Point p) const
{
    Rect b = bounds();
    float lo = isVertical() ? minY(b) : minX(b);
    float extent = (isVertical() ? height(b) : width(b)) - 2 * KnobInset;
    float at = isVertical() ? p.y : p.x;
    if (extent <= 0)
        return min_;
    double fraction = std::clamp((at - lo - KnobInset) / extent, 0.0f, 1.0f);
    return min_ + fraction * (max_ - min_);
}

void Slider::updateCell(Cell* c)
{
    if (!updating_ && c == cell()) {
        double v = c->doubleValue();
        double k = clamped(v);
        if (k != v) {
            updating_ = true;
            c->setDoubleValue(k);
            updating_ = false;
        }
    }
    Control::updateCell(c);
}

void Slider::mouseDown(const Event& event)
{
    if (!isEnabled())
        return;
    Application& app = Application::sharedApplication();
    auto follow = [&](const Event& e) {
        double v = valueForPoint(convertPointFromView(e.locationInWindow(), nullptr));
        bool changed = v != doubleValue();
        setDoubleValue(v);
        return changed;
    };
    if (follow(event) && isContinuous())
        sendAction();
    for (;;) {
        std::optional<Event> e = app.nextEventMatchingMask(LeftMouseUpMask | LeftMouseDraggedMask,
                                                           Date::distantFuture(), EventTrackingRunLoopMode, true);
        if (!e)
            return;
        bool mine = e->windowNumber() == event.windowNumber();
        if (e->type() == EventType::LeftMouseUp) {
            // A mouse-up the kit made in a lost drag's place leaves the value.
            if (mine)
                follow(*e);
            sendAction();
            return;
        }
        if (mine && follow(*e) && isContinuous())
            sendAction();
    }
}

void Slider::frameDidChange()
{
    Control::frameDidChange();
    updateWidget();
}

void Slider::updateWidget()
{
    auto* s = static_cast<QSlider*>(widget());
    if (!s || !cell())
        return;
    s->setOrientation(isVertical() ? Qt::Vertical : Qt::Horizontal);
    double span = max_ - min_;
    double fraction = span != 0 ? (cell()->doubleValue() - min_) / span : 0;
    s->setValue(static_cast<int>(std::lround(std::clamp(fraction, 0.0, 1.0) * Steps)));
    s->setEnabled(isEnabled());
}

} // namespace kit
