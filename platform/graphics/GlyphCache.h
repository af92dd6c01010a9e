#pragma once

// The screen back end's glyphs: outlines from the font files the metrics
// belong to, and their coverage rasterised by FreeType per font, transform
// and subpixel phase. Owned by one raster context; nothing here is shared
// between contexts.

#include "graphics/RasterContext.h"

#include <QPainterPath>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace kit {

class Font;

namespace detail {

// One glyph's coverage: 8-bit rows, top row first. (x, y) is its top-left
// pixel relative to the whole device pixel that holds the glyph's origin.
struct GlyphImage {
    int x = 0, y = 0;
    int width = 0, height = 0;
    std::vector<std::uint8_t> coverage; // width × height
};

class GlyphCache {
public:
    // Subpixel positions per pixel, along x and along y: an origin moves by
    // at most 1/8 pixel to the nearest phase.
    static constexpr int kPhases = 4;
    // Glyphs whose em square is wider or taller on the device than this are
    // filled from their outlines: few of them fit on a screen, and their
    // coverage would take more memory than it saves time.
    static constexpr double kMaxPixelsPerEm = 192;

    GlyphCache();
    ~GlyphCache();
    GlyphCache(const GlyphCache&) = delete;
    GlyphCache& operator=(const GlyphCache&) = delete;

    // The outline a code of the font shows, in units of the 1-unit font
    // (y up), or nullptr when the font has no file, the file does not load,
    // or the code has no glyph in it.
    const QPainterPath* outline(const Font& font, unsigned char code);

    // The glyphs of one font under one linear map from the 1-unit font to
    // the device (x' = a·x + c·y, y' = b·x + d·y; device y down).
    class Strike;
    // nullptr when the font has no usable file or the map is singular, not
    // finite or too large to cache. Lookups through the strike stay valid
    // until the next call of strike().
    Strike* strike(const Font& font, const std::array<float, 4>& map);

    enum class Lookup { Image, Blank, Outline };
    // The coverage of a code with its origin at phase (phaseX, phaseY)
    // (0..kPhases-1 quarters of a pixel right and down). Blank: the code
    // inks nothing (no glyph, or an empty one). Outline: too large for the
    // cache, fill its outline instead.
    Lookup image(Strike& strike, unsigned char code, int phaseX, int phaseY, const GlyphImage*& out);

    // Above this many bytes the cache is emptied before the next strike.
    void setLimit(std::size_t bytes) { limit_ = bytes; }
    std::size_t limit() const { return limit_; }
    const GlyphCacheStatistics& statistics() const { return statistics_; }

private:
    struct Impl;
    void evict();

    std::unique_ptr<Impl> impl_;
    std::size_t limit_ = std::size_t{16} << 20;
    GlyphCacheStatistics statistics_;
};

} // namespace detail
} // namespace kit
