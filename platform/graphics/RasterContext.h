#pragma once

#include "graphics/DrawContext.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kit {

// What a raster context's glyph cache has done since the context was made.
struct GlyphCacheStatistics {
    std::size_t hits = 0;      // glyphs drawn from coverage already rasterised
    std::size_t misses = 0;    // glyphs rasterised (or found blank) on first use
    std::size_t evictions = 0; // times the cache was emptied for room
    std::size_t glyphs = 0;    // coverage images held now
    std::size_t bytes = 0;     // memory they take, roughly
};

// The screen back end: paints into an image it owns, 32-bit premultiplied
// ARGB (0xAARRGGBB in native-endian words), antialiased. The default matrix
// maps PostScript user space (y up, origin at the bottom left, one unit a
// point) onto the image (y down, one unit a pixel): at 72 dpi a point is a
// pixel. The image starts transparent.
//
// Text is drawn from the outlines of the font file the metrics belong to,
// at the positions the metrics give; a font without a file draws nothing
// (the current point still advances). Glyphs of screen sizes are rasterised
// once per font, transform and quarter-pixel phase and then copied in the
// current colour; each origin moves by at most 1/8 pixel to its phase.
class RasterContext : public DrawContext {
public:
    // A size of 0 or less (or one too large to allocate) gives an empty
    // image that drawing leaves alone. A resolution that is not finite or
    // not above 0 is taken as 72.
    RasterContext(int widthPixels, int heightPixels, double dotsPerInch = 72.0);
    ~RasterContext() override;

    bool isDrawingToScreen() const override { return true; }
    bool isEPSOperation() const override { return false; }

    int width() const;
    int height() const;
    double resolution() const { return dpi_; }

    // Unpremultiplied 0xAARRGGBB; 0 outside the image.
    std::uint32_t pixel(int x, int y) const;
    // The row as stored (premultiplied); nullptr outside the image.
    const std::uint32_t* scanLine(int y) const;
    // Every pixel of the image becomes this unpremultiplied colour; the
    // graphics state is left alone.
    void fillImage(std::uint32_t argb);
    // Back to the initial graphics state under the default matrix, as a
    // window does before it draws a view.
    void resetState() { resetGraphicsState(); }
    bool savePNG(const std::string& path) const;

    // With the cache off every glyph is filled from its outline at its exact
    // position: slower, for comparisons.
    void setUsesGlyphCache(bool flag) { usesGlyphCache_ = flag; }
    bool usesGlyphCache() const { return usesGlyphCache_; }
    // Above this many bytes of coverage the cache starts again (16 MB unless set).
    void setGlyphCacheLimit(std::size_t bytes);
    const GlyphCacheStatistics& glyphCacheStatistics() const;

protected:
    void emitFill(FillRule rule) override;
    void emitStroke() override;
    void emitRectfill(std::span<const Rect> rects) override;
    void emitRectstroke(std::span<const Rect> rects) override;
    void emitRectfillWithGrays(std::span<const Rect> rects, std::span<const float> grays) override;
    void emitShow(std::string_view bytes) override;
    void emitXyshow(std::string_view bytes, std::span<const float> offsets) override;
    void emitUserPath(const UserPath& path, std::span<const float, 4> bbox, UserPathAction action,
                      const DevicePath& devicePath) override;
    void emitCompositerect(const Rect& r, CompositeOp op) override;
    void emitHighlightRect(const Rect& r) override;
    void emitFrameLinkRect(const Rect& r, bool isDestination) override;
    void emitDrawImage(const ImagePixels& pixels, const Rect& rect) override;
    void emitCompositeImage(const ImagePixels& pixels, Point point, const Rect& fromRect, CompositeOp op) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    double dpi_ = 72.0;
    bool usesGlyphCache_ = true;
};

} // namespace kit
