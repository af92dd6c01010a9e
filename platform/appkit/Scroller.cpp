#include "appkit/Scroller.h"

#include "appkit/Event.h"
#include "appkit/Window.h"
#include "graphics/DrawContext.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace kit {

namespace {
constexpr float kInset = 2.0f;
constexpr float kMinKnob = 12.0f;
} // namespace

Scroller::Scroller(const Rect& frame, bool vertical)
    : View(frame), vertical_(vertical)
{
}

void Scroller::setFloatValue(float value, float knobProportion)
{
    if (!std::isfinite(value))
        value = 0.0f;
    if (!std::isfinite(knobProportion))
        knobProportion = 1.0f;
    value = std::clamp(value, 0.0f, 1.0f);
    knobProportion = std::clamp(knobProportion, 0.0f, 1.0f);
    if (value == value_ && knobProportion == proportion_)
        return;
    value_ = value;
    proportion_ = knobProportion;
    setNeedsDisplay(true);
}

Rect Scroller::knobRect() const
{
    const Rect b = bounds();
    const float track = (vertical_ ? height(b) : width(b)) - 2 * kInset;
    if (track <= 0 || !isEnabled())
        return {};
    const float knob = std::min(track, std::max(kMinKnob, track * proportion_));
    // The view is not flipped: a vertical scroller's start is at the top.
    const float along = kInset + (track - knob) * value_;
    if (vertical_)
        return makeRect(kInset, height(b) - along - knob, width(b) - 2 * kInset, knob);
    return makeRect(along, kInset, knob, height(b) - 2 * kInset);
}

void Scroller::drawRect(const Rect& rect)
{
    DrawContext* context = DrawContext::current();
    if (!context)
        return;
    const Rect b = bounds();
    context->setgray(0.6f);
    context->rectfill(rect);
    context->setgray(0.33f);
    if (vertical_)
        context->rectfill(0, minY(b), 0.5f, height(b));
    else
        context->rectfill(minX(b), height(b) - 0.5f, width(b), 0.5f);
    const Rect knob = knobRect();
    if (width(knob) <= 0 || height(knob) <= 0)
        return;
    context->setgray(0.85f);
    context->rectfill(knob);
    context->setgray(0.2f);
    context->frameRect(knob, 0.5f);
}

void Scroller::report(float value)
{
    value = std::clamp(value, 0.0f, 1.0f);
    if (listener_)
        listener_(value);
}

void Scroller::mouseDown(const Event& event)
{
    if (!isEnabled())
        return;
    const Rect b = bounds();
    const float track = (vertical_ ? height(b) : width(b)) - 2 * kInset;
    const Rect knob = knobRect();
    const float free = track - (vertical_ ? height(knob) : width(knob));
    const auto along = [&](Point p) { return vertical_ ? height(b) - p.y : p.x; };
    Point p = convertPointFromView(event.locationInWindow(), nullptr);
    if (!pointInRect(p, knob)) {
        // The track: a page towards the click.
        const float knobStart = vertical_ ? height(b) - maxY(knob) : minX(knob);
        const float step = proportion_ / std::max(1e-6f, 1.0f - proportion_);
        report(value_ + (along(p) < knobStart ? -step : step));
        return;
    }
    const float grab = along(p);
    const float startValue = value_;
    Window* w = window();
    while (w) {
        std::optional<Event> e = w->nextEventMatchingMask(LeftMouseDraggedMask | LeftMouseUpMask);
        if (!e)
            break;
        p = convertPointFromView(e->locationInWindow(), nullptr);
        if (free > 0)
            report(startValue + (along(p) - grab) / free);
        if (e->type() == EventType::LeftMouseUp)
            break;
    }
}

} // namespace kit
