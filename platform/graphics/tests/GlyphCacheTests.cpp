// The screen back end's glyph cache: glyphs copied from cached coverage must
// look like glyphs filled from their outlines at their exact positions.

#include "graphics/Font.h"
#include "graphics/RasterContext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace kit;

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFF;

int channel(std::uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xFF); }

Font* font(const char* name, float size)
{
    Font* f = Font::fontWithName(name, size);
    EXPECT_NE(f, nullptr) << name << " is missing (is fonts-urw-base35 installed?)";
    return f;
}

struct Difference {
    int worst = 0;         // largest channel difference of one pixel
    double mean = 0;       // mean channel difference over the inked pixels
    int inked = 0;         // pixels not white in either image
};

Difference compare(const RasterContext& a, const RasterContext& b)
{
    Difference d;
    long long sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const std::uint32_t pa = a.pixel(x, y), pb = b.pixel(x, y);
            if (pa == kWhite && pb == kWhite)
                continue;
            ++d.inked;
            int worst = 0;
            for (int shift : {0, 8, 16, 24})
                worst = std::max(worst, std::abs(channel(pa, shift) - channel(pb, shift)));
            d.worst = std::max(d.worst, worst);
            sum += worst;
        }
    d.mean = d.inked ? static_cast<double>(sum) / d.inked : 0;
    return d;
}

// Draws the same thing with the cache and without; answers both contexts.
struct Pair {
    RasterContext cached, outlines;
    Pair(int w, int h, double dpi) : cached(w, h, dpi), outlines(w, h, dpi)
    {
        outlines.setUsesGlyphCache(false);
        cached.fillImage(kWhite);
        outlines.fillImage(kWhite);
    }
    void draw(const std::function<void(RasterContext&)>& what)
    {
        what(cached);
        what(outlines);
    }
};

} // namespace

// Fonts, sizes, fractional positions, colours, zooms and transforms: the
// cached glyphs land where the outlines do, within the 1/8 pixel a glyph
// may move to its phase.
TEST(GlyphCache, CachedGlyphsMatchOutlinesFilledAtTheirExactPositions)
{
    struct Case {
        const char* what;
        const char* font;
        float size;
        double dpi;
        float x, y;           // the run's start, in points
        float r, g, b, alpha; // the colour
        float zoom;           // scale of the user space
        float rotate;         // degrees
        Matrix fontMatrix;    // after the size; identity for none
        bool clip;            // through a circular clip
        bool cached;          // the cache is used at all (screen sizes)
    };
    const Matrix none{};
    const Case cases[] = {
        {"Times at 72 dpi", "Times-Roman", 12, 72, 10, 30, 0, 0, 0, 1, 1, 0, none, false, true},
        {"subpixel start", "Times-Roman", 12, 72, 10.37f, 30.81f, 0, 0, 0, 1, 1, 0, none, false, true},
        {"Helvetica at 144 dpi", "Helvetica", 9.5f, 144, 10.61f, 33.37f, 0, 0, 0, 1, 1, 0, none, false, true},
        {"red, translucent", "Courier-Bold", 20, 72, 5.2f, 20.5f, 1, 0, 0, 0.6f, 1, 0, none, false, true},
        {"blue italic zoomed", "Palatino-Italic", 13, 72, 4.1f, 12.2f, 0.1f, 0.2f, 0.7f, 1, 2.5f, 0, none, false, true},
        {"Symbol", "Symbol", 14, 96, 8.9f, 40.13f, 0, 0, 0, 1, 1, 0, none, false, true},
        {"rotated run", "Times-Bold", 16, 72, 40, 10, 0, 0, 0, 1, 1, 30, none, false, true},
        {"condensed", "Times-Italic", 18, 72, 3.3f, 40, 0.2f, 0.5f, 0.2f, 1, 1, 0, Matrix{0.7f, 0, 0, 1, 0, 0}, false, true},
        {"flipped font", "Helvetica-Bold", 11, 72, 7.7f, 20, 0, 0, 0, 1, 1, 0, Matrix{1, 0, 0, -1, 0, 0}, false, true},
        {"clipped", "Times-Roman", 30, 72, 2.5f, 30, 0, 0, 0, 1, 1, 0, none, true, true},
        {"off the left edge", "Times-Roman", 24, 72, -7.4f, 25, 0, 0, 0, 1, 1, 0, none, false, true},
        {"too large to cache", "Times-Roman", 300, 72, 0, 10, 0, 0, 0, 1, 1, 0, none, false, false},
    };
    const std::string text = "Hamburgefonstiv WAVE fi 0123 @{\xDD\xE1}";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Font* f = font(c.font, c.size);
        ASSERT_NE(f, nullptr);
        const int w = static_cast<int>(300 * c.dpi / 72), h = static_cast<int>(80 * c.dpi / 72);
        Pair pair(w, h, c.dpi);
        pair.draw([&](RasterContext& ctx) {
            if (c.clip) {
                ctx.arc(60, 40, 30, 0, 360);
                ctx.clip();
                ctx.newpath();
            }
            ctx.scale(c.zoom, c.zoom);
            ctx.translate(c.x, c.y);
            ctx.rotate(c.rotate);
            ctx.setrgbcolor(c.r, c.g, c.b);
            ctx.setalpha(c.alpha);
            ctx.selectfont(f);
            ctx.makefont(c.fontMatrix);
            ctx.moveto(0, 0);
            ctx.show(text);
        });
        const Difference d = compare(pair.cached, pair.outlines);
        EXPECT_GT(d.inked, 100);
        // An edge moved by up to 1/8 pixel changes its pixels by up to about
        // 32 levels (48 where two edges meet); glyphs rounded to whole
        // pixels differ by 100 to 180 at worst and 30 to 55 on average.
        EXPECT_LE(d.worst, 72);
        EXPECT_LT(d.mean, 16.0);
        const GlyphCacheStatistics& stats = pair.cached.glyphCacheStatistics();
        EXPECT_EQ(stats.misses > 0, c.cached);
        EXPECT_EQ(pair.outlines.glyphCacheStatistics().misses, 0u);
        EXPECT_EQ(pair.cached.errorCount(), 0u) << pair.cached.lastError();
    }
}

// xyshow (the text engine's batches) goes through the same glyphs: a
// whole-pixel offset only moves the copy.
TEST(GlyphCache, XyshowAtFractionalOffsetsMatchesOutlines)
{
    Font* times = font("Times-Roman", 12);
    ASSERT_NE(times, nullptr);
    const std::string text = "Spread out, kerned: AVATAR To.";
    std::vector<float> offsets;
    for (std::size_t i = 0; i < text.size(); ++i) {
        offsets.push_back(times->advance(static_cast<unsigned char>(text[i])) + 0.173f * static_cast<float>(i % 5));
        offsets.push_back(i % 3 == 0 ? 0.31f : -0.2f);
    }
    Pair pair(260, 40, 72);
    pair.draw([&](RasterContext& ctx) {
        ctx.setgray(0);
        ctx.selectfont(times);
        ctx.moveto(6.6f, 15.2f);
        ctx.xyshow(text, offsets);
    });
    const Difference d = compare(pair.cached, pair.outlines);
    EXPECT_GT(d.inked, 300);
    EXPECT_LE(d.worst, 72);
    EXPECT_LT(d.mean, 16.0);
}

// A glyph met again at the same phase is a hit, and its copy is the very
// same pixels, only moved.
TEST(GlyphCache, RepeatedGlyphsAreCopiedFromTheCache)
{
    // Courier 10 advances 6 points: at 72 dpi every glyph of a run starts at
    // the same phase.
    Font* courier = font("Courier", 10);
    ASSERT_NE(courier, nullptr);
    RasterContext ctx(120, 40);
    ctx.fillImage(kWhite);
    ctx.setgray(0);
    ctx.selectfont(courier);
    ctx.moveto(10.25f, 20);
    ctx.show("abab");
    GlyphCacheStatistics stats = ctx.glyphCacheStatistics();
    EXPECT_EQ(stats.misses, 2u);
    EXPECT_EQ(stats.hits, 2u);
    EXPECT_EQ(stats.glyphs, 2u);
    EXPECT_GT(stats.bytes, 0u);

    // The same word 40 pixels to the right and 12 down: all hits.
    ctx.moveto(50.25f, 8);
    ctx.show("abab");
    stats = ctx.glyphCacheStatistics();
    EXPECT_EQ(stats.misses, 2u);
    EXPECT_EQ(stats.hits, 6u);
    int inked = 0;
    for (int y = 0; y < 26; ++y)
        for (int x = 0; x < 40; ++x) {
            inked += ctx.pixel(x, y) != kWhite;
            ASSERT_EQ(ctx.pixel(x, y), ctx.pixel(x + 40, y + 12)) << x << ", " << y;
        }
    EXPECT_GT(inked, 50);

    // Another phase is another image.
    ctx.moveto(10.5f, 32);
    ctx.show("a");
    EXPECT_EQ(ctx.glyphCacheStatistics().misses, 3u);
}

// An accented letter is one glyph built from two (the letter and its
// accent): both parts are in the cached coverage.
TEST(GlyphCache, AccentedGlyphCarriesItsAccent)
{
    Font* times = font("Times-Roman", 40);
    ASSERT_NE(times, nullptr);
    const unsigned char eacute = 0xDD, e = 'e';
    ASSERT_EQ(times->glyphName(eacute), "eacute");
    const Rect plain = times->boundingRectForGlyph(e), accented = times->boundingRectForGlyph(eacute);
    ASSERT_GT(maxY(accented), maxY(plain) + 5);

    Pair pair(60, 60, 72);
    pair.draw([&](RasterContext& ctx) {
        ctx.setgray(0);
        ctx.selectfont(times);
        ctx.moveto(10.3f, 10);
        ctx.show(std::string(1, static_cast<char>(eacute)));
    });
    const Difference d = compare(pair.cached, pair.outlines);
    EXPECT_LE(d.worst, 72);
    EXPECT_LT(d.mean, 16.0);
    // Ink above the plain letter's top: the accent.
    const int accentTop = 60 - static_cast<int>(std::ceil(10 + maxY(accented)));
    const int letterTop = 60 - static_cast<int>(std::ceil(10 + maxY(plain)));
    int accentInk = 0, letterInk = 0;
    for (int x = 0; x < 60; ++x) {
        for (int y = accentTop; y < letterTop - 2; ++y)
            accentInk += pair.cached.pixel(x, y) != kWhite;
        for (int y = letterTop + 2; y < 50; ++y)
            letterInk += pair.cached.pixel(x, y) != kWhite;
    }
    EXPECT_GT(accentInk, 20);
    EXPECT_GT(letterInk, 100);
}

// A code without a glyph in the font draws nothing, cached or not, and the
// glyphs after it keep their places.
TEST(GlyphCache, CodeWithoutAGlyphDrawsNothing)
{
    Font* times = font("Times-Roman", 20);
    ASSERT_NE(times, nullptr);
    int absent = -1;
    for (int code = 1; code < 256 && absent < 0; ++code)
        if (!times->glyphIsEncoded(static_cast<unsigned char>(code)))
            absent = code;
    ASSERT_GE(absent, 0);
    const std::string alone(1, static_cast<char>(absent));

    Pair pair(120, 40, 72);
    pair.draw([&](RasterContext& ctx) {
        ctx.setgray(0);
        ctx.selectfont(times);
        ctx.moveto(10.4f, 12);
        ctx.show(alone);
    });
    EXPECT_EQ(compare(pair.cached, pair.outlines).inked, 0);
    EXPECT_EQ(pair.cached.glyphCacheStatistics().misses, 1u);
    EXPECT_EQ(pair.cached.glyphCacheStatistics().glyphs, 0u);

    pair.draw([&](RasterContext& ctx) {
        ctx.moveto(10.4f, 12);
        ctx.show("A" + alone + "B" + alone);
    });
    const Difference d = compare(pair.cached, pair.outlines);
    EXPECT_GT(d.inked, 50);
    EXPECT_LE(d.worst, 72);
    // The absent code is known blank at every phase: two hits.
    EXPECT_EQ(pair.cached.glyphCacheStatistics().misses, 3u);
    EXPECT_EQ(pair.cached.glyphCacheStatistics().hits, 2u);
    const auto point = pair.cached.currentpoint();
    ASSERT_TRUE(point);
    EXPECT_NEAR(point->x, 10.4f + times->widthOfString("A" + alone + "B" + alone), 1e-3);
}

// Over its limit the cache starts again, and a run drawn while it is full
// is still drawn whole: the pixels are those of a roomy cache.
TEST(GlyphCache, ACacheOverItsLimitStillDrawsEveryGlyph)
{
    Font* helvetica = font("Helvetica", 15);
    ASSERT_NE(helvetica, nullptr);
    const std::string text = "The quick brown fox jumps over the lazy dog 0123456789";
    RasterContext roomy(420, 60), tight(420, 60);
    tight.setGlyphCacheLimit(1);
    for (RasterContext* ctx : {&roomy, &tight}) {
        ctx->fillImage(kWhite);
        ctx->setgray(0);
        ctx->selectfont(helvetica);
        for (int line = 0; line < 3; ++line) {
            ctx->moveto(4.3f, 8.6f + 17.3f * static_cast<float>(line));
            ctx->show(text);
        }
    }
    int inked = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 420; ++x) {
            inked += roomy.pixel(x, y) != kWhite;
            ASSERT_EQ(roomy.pixel(x, y), tight.pixel(x, y)) << x << ", " << y;
        }
    EXPECT_GT(inked, 1000);
    EXPECT_EQ(roomy.glyphCacheStatistics().evictions, 0u);
    EXPECT_GE(tight.glyphCacheStatistics().evictions, 2u);
    // Whatever the tight cache rasterised beyond its limit was not kept.
    EXPECT_EQ(tight.glyphCacheStatistics().glyphs, 0u);
    EXPECT_GT(roomy.glyphCacheStatistics().glyphs, 30u);
}

// Text drawn through clips that cut across its glyphs: inside the clips the
// pixels are those of the unclipped text, outside they stay untouched,
// whatever the clips' nesting and the resolution.
TEST(GlyphCache, ClippedTextKeepsTheGlyphsTheClipCutsThrough)
{
    Font* times = font("Times-Roman", 14);
    ASSERT_NE(times, nullptr);
    const std::string text = "Hamburgefonstiv WAVE fi 0123 jumps over";
    struct Case {
        const char* what;
        double dpi;
        std::vector<Rect> clips; // in points, nested in order
    };
    const Case cases[] = {
        {"one line cut through its middle", 72, {makeRect(37, 22, 101, 9)}},
        {"two nested clips", 72, {makeRect(20, 5, 200, 40), makeRect(61, 14, 150, 31)}},
        {"at 144 dpi", 144, {makeRect(12.5f, 18.5f, 88, 20)}},
        {"nothing left", 72, {makeRect(10, 10, 50, 10), makeRect(100, 10, 50, 10)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const double s = c.dpi / 72;
        const int w = static_cast<int>(260 * s), h = static_cast<int>(60 * s);
        RasterContext whole(w, h, c.dpi), clipped(w, h, c.dpi);
        for (RasterContext* ctx : {&whole, &clipped}) {
            ctx->fillImage(kWhite);
            if (ctx == &clipped)
                for (const Rect& r : c.clips)
                    ctx->rectclip(r);
            ctx->setgray(0);
            ctx->selectfont(times);
            for (int line = 0; line < 3; ++line) {
                ctx->moveto(4.3f, 14.6f + 15.7f * static_cast<float>(line));
                ctx->show(text);
            }
        }
        // The clips' common part, in pixels; its rows run from the top.
        Rect inside = c.clips.front();
        for (const Rect& r : c.clips)
            inside = intersectionRect(inside, r);
        const int x0 = static_cast<int>(std::lround(inside.origin.x * s));
        const int x1 = static_cast<int>(std::lround(maxX(inside) * s));
        const int top = h - static_cast<int>(std::lround(maxY(inside) * s));
        const int bottom = h - static_cast<int>(std::lround(inside.origin.y * s));
        int inked = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const bool in = !isEmptyRect(inside) && x >= x0 && x < x1 && y >= top && y < bottom;
                const bool edge = !isEmptyRect(inside) && x >= x0 - 1 && x <= x1 && y >= top - 1 && y <= bottom;
                if (in) {
                    inked += whole.pixel(x, y) != kWhite;
                    ASSERT_EQ(clipped.pixel(x, y), whole.pixel(x, y)) << x << ", " << y;
                } else if (!edge) {
                    ASSERT_EQ(clipped.pixel(x, y), kWhite) << x << ", " << y;
                }
            }
        EXPECT_EQ(inked > 50, !isEmptyRect(inside));
    }
}
