#pragma once

// How one drawing pass paints: into which context, at which zoom, to the
// screen or to print, over which area, and the zoom at and below which text
// on the screen is drawn as grey bars. Drawing takes it instead of a view, so
// that printing and thumbnails need no view; whoever starts the pass makes
// its context the current one.

#include "core/Geometry.h"

namespace kit {
class DrawContext;
}

struct Paint {
    // On the screen, text at a quarter of its size and less is greeked.
    static constexpr float DefaultGreekingZoom = 0.25f;

    kit::DrawContext* context = nullptr;
    // 1.0 = 100 %.
    float zoom = 1.0f;
    bool screen = false;
    // The area the pass repaints, in the coordinates it starts in (the
    // canvas for a page view, the page for a page alone); empty for all.
    kit::Rect rect{};
    float greekingZoom = DefaultGreekingZoom;

    // A pass into the context, to the screen or to print as the context
    // draws, at the zoom, over the rectangle.
    static Paint into(kit::DrawContext& context, float zoom = 1.0f, const kit::Rect& rect = {});

    // Whether text is drawn as bars.
    bool greeks() const { return screen && zoom <= greekingZoom; }
};
