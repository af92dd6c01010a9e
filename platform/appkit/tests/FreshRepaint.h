#pragma once

// What a window shows against a fresh repaint of one of its views. After any
// sequence of partial redraws, highlights toggled in place and scrolls, the
// window's backing image over the view must equal the view drawn once, from
// scratch, into an image of its own: anything else is a stale or doubly
// drawn pixel. The comparison is exact. Redraws are clipped to whole pixels
// of the window, so no tolerance is needed for antialiased clip edges.
//
// Self-contained (the kit only, no test framework), so that any test or
// fuzz target can include it.

#include "appkit/View.h"
#include "appkit/Window.h"
#include "core/Geometry.h"
#include "graphics/RasterContext.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <stdlib.h>

namespace repaint {

struct Mismatch {
    int pixels = 0;               // differing pixels
    int left = 0, top = 0;        // their bounding box in image pixels,
    int right = 0, bottom = 0;    // rows from the top, right and bottom exclusive
    int firstX = 0, firstY = 0;   // the first differing pixel (image pixels)
    std::uint32_t shown = 0;      // its value in the window (premultiplied ARGB)
    std::uint32_t fresh = 0;      // and in the fresh repaint
    std::string kept;             // the folder the two images were written to, if asked

    bool any() const { return pixels > 0; }

    std::string describe() const
    {
        if (!any())
            return "the window equals a fresh repaint";
        char text[256];
        std::snprintf(text, sizeof text,
                      "%d pixels differ from a fresh repaint within x %d..%d, rows %d..%d (from the top); "
                      "first at (%d, %d): window %08X, fresh %08X",
                      pixels, left, right - 1, top, bottom - 1, firstX, firstY, unsigned(shown), unsigned(fresh));
        std::string out = text;
        if (!kept.empty())
            out += "; images in " + kept;
        return out;
    }
};

// The view's visible rectangle in pixels of the window's image (rows from
// the top): the whole pixels it covers.
inline void visiblePixels(const kit::Window& window, const kit::View& view, int* left, int* top, int* right,
                          int* bottom)
{
    const kit::RasterContext& image = window.graphicsContext();
    const kit::Rect base = view.convertRectToView(view.visibleRect(), nullptr);
    *left = std::max(0, int(std::ceil(kit::minX(base))));
    *right = std::min(image.width(), int(std::floor(kit::maxX(base))));
    *top = std::max(0, image.height() - int(std::floor(kit::maxY(base))));
    *bottom = std::min(image.height(), image.height() - int(std::ceil(kit::minY(base))));
}

// Draws the view's whole visible rectangle afresh into an image the size of
// the window's, white as a new window starts, and compares it with the
// window's backing image over that rectangle. With keepImages, a mismatch
// writes "window.png" and "fresh.png" to a new temporary folder.
inline Mismatch compareWithFreshRepaint(const kit::Window& window, kit::View& view, bool keepImages = false)
{
    Mismatch m;
    const kit::RasterContext& shown = window.graphicsContext();
    kit::RasterContext fresh(shown.width(), shown.height(), shown.resolution());
    fresh.fillImage(0xFFFFFFFFu);
    view.cacheDisplayInRect(view.visibleRect(), fresh);

    int left = 0, top = 0, right = 0, bottom = 0;
    visiblePixels(window, view, &left, &top, &right, &bottom);
    m.left = right;
    m.top = bottom;
    for (int y = top; y < bottom; ++y) {
        const std::uint32_t* a = shown.scanLine(y);
        const std::uint32_t* b = fresh.scanLine(y);
        for (int x = left; x < right; ++x) {
            if (a[x] == b[x])
                continue;
            if (m.pixels++ == 0) {
                m.firstX = x;
                m.firstY = y;
                m.shown = a[x];
                m.fresh = b[x];
            }
            m.left = std::min(m.left, x);
            m.right = std::max(m.right, x + 1);
            m.top = std::min(m.top, y);
            m.bottom = std::max(m.bottom, y + 1);
        }
    }
    if (!m.any()) {
        m.left = m.top = m.right = m.bottom = 0;
        return m;
    }
    if (keepImages) {
        std::string pattern = (std::filesystem::temp_directory_path() / "repaint-XXXXXX").string();
        if (::mkdtemp(pattern.data())) {
            const std::filesystem::path folder = pattern;
            if (shown.savePNG((folder / "window.png").string()) && fresh.savePNG((folder / "fresh.png").string()))
                m.kept = folder.string();
        }
    }
    return m;
}

} // namespace repaint
