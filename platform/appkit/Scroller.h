#pragma once

#include "appkit/View.h"

#include <functional>

namespace kit {

// A scroller drawn by the kit itself: a track with a knob whose length is
// the visible share of the document. Dragging the knob, or clicking the
// track (a page at a time), reports the new value (0 at the start, 1 at the
// end) to whoever listens.
class Scroller : public View {
public:
    Scroller(const Rect& frame, bool vertical);

    std::string className() const override { return "NSScroller"; }
    bool isVertical() const { return vertical_; }
    float floatValue() const { return value_; }
    float knobProportion() const { return proportion_; }
    // The value is kept in 0..1; the proportion in 0..1 (1: nothing to
    // scroll, the scroller is disabled).
    void setFloatValue(float value, float knobProportion);
    bool isEnabled() const { return proportion_ < 1.0f; }
    Rect knobRect() const;

    using Listener = std::function<void(float value)>;
    void setListener(Listener listener) { listener_ = std::move(listener); }

    void drawRect(const Rect& rect) override;
    void mouseDown(const Event& event) override;
    bool acceptsFirstMouse(const Event&) override { return true; }

private:
    void report(float value);

    bool vertical_;
    float value_ = 0.0f;
    float proportion_ = 1.0f;
    Listener listener_;
};

} // namespace kit
