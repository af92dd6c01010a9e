#include "graphics/RasterContext.h"

#include "graphics/Font.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

using namespace kit;

namespace {

constexpr std::uint32_t kBlack = 0xFF000000;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kClear = 0x00000000;

int alphaOf(std::uint32_t p) { return static_cast<int>(p >> 24); }
int redOf(std::uint32_t p) { return static_cast<int>((p >> 16) & 0xFF); }
int greenOf(std::uint32_t p) { return static_cast<int>((p >> 8) & 0xFF); }
int blueOf(std::uint32_t p) { return static_cast<int>(p & 0xFF); }

std::vector<std::uint32_t> snapshot(const RasterContext& ctx)
{
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < ctx.height(); ++y) {
        const std::uint32_t* row = ctx.scanLine(y);
        pixels.insert(pixels.end(), row, row + ctx.width());
    }
    return pixels;
}

// The smallest box of pixels (device, y down) holding every pixel that
// differs from `background`; nullopt when none does.
struct PixelBox {
    int x0, y0, x1, y1; // inclusive
};
std::optional<PixelBox> inkBox(const RasterContext& ctx, std::uint32_t background = kClear)
{
    std::optional<PixelBox> box;
    for (int y = 0; y < ctx.height(); ++y)
        for (int x = 0; x < ctx.width(); ++x) {
            if (ctx.pixel(x, y) == background)
                continue;
            if (!box)
                box = PixelBox{x, y, x, y};
            box->x0 = std::min(box->x0, x);
            box->y0 = std::min(box->y0, y);
            box->x1 = std::max(box->x1, x);
            box->y1 = std::max(box->y1, y);
        }
    return box;
}

int countInk(const RasterContext& ctx, int x0, int y0, int x1, int y1, std::uint32_t background = kClear)
{
    int n = 0;
    for (int y = std::max(0, y0); y <= std::min(ctx.height() - 1, y1); ++y)
        for (int x = std::max(0, x0); x <= std::min(ctx.width() - 1, x1); ++x)
            n += ctx.pixel(x, y) != background;
    return n;
}

Font* font(const char* name, float size)
{
    Font* f = Font::fontWithName(name, size);
    EXPECT_NE(f, nullptr) << name << " is missing (is fonts-urw-base35 installed?)";
    return f;
}

} // namespace

// ---- The image and its default matrix.

TEST(RasterImage, DefaultMatrixPutsTheOriginAtTheBottomLeft)
{
    struct Case {
        double dpi;
        int expectX0, expectY0, expectX1, expectY1; // filled pixels, inclusive
    };
    // The user rectangle x 10..30, y 10..40 points on a 100 × 100 point page.
    const Case cases[] = {
        {72, 10, 60, 29, 89},
        {144, 20, 120, 59, 179},
        {36, 5, 30, 14, 44},
    };
    for (const Case& c : cases) {
        const int side = static_cast<int>(100 * c.dpi / 72);
        RasterContext ctx(side, side, c.dpi);
        EXPECT_TRUE(ctx.isDrawingToScreen());
        EXPECT_FALSE(ctx.isEPSOperation());
        ctx.setgray(0);
        ctx.rectfill(10, 10, 20, 30);
        auto box = inkBox(ctx);
        ASSERT_TRUE(box) << c.dpi;
        EXPECT_EQ(box->x0, c.expectX0) << c.dpi;
        EXPECT_EQ(box->y0, c.expectY0) << c.dpi;
        EXPECT_EQ(box->x1, c.expectX1) << c.dpi;
        EXPECT_EQ(box->y1, c.expectY1) << c.dpi;
        // Pixel-aligned edges are hard: every pixel in the box is solid.
        EXPECT_EQ(countInk(ctx, box->x0, box->y0, box->x1, box->y1, kBlack), 0) << c.dpi;
    }
}

TEST(RasterImage, StartsTransparentAndFillsWithAColour)
{
    RasterContext ctx(8, 6);
    EXPECT_EQ(ctx.width(), 8);
    EXPECT_EQ(ctx.height(), 6);
    EXPECT_EQ(ctx.pixel(3, 3), kClear);
    ctx.fillImage(0xFF336699);
    EXPECT_EQ(ctx.pixel(0, 0), 0xFF336699u);
    EXPECT_EQ(ctx.pixel(7, 5), 0xFF336699u);
    EXPECT_EQ(ctx.pixel(8, 0), 0u) << "outside the image";
    EXPECT_EQ(ctx.pixel(-1, 0), 0u);
    EXPECT_EQ(ctx.scanLine(6), nullptr);
    EXPECT_EQ(ctx.scanLine(0)[0], 0xFF336699u) << "opaque pixels are stored as they are";
}

TEST(RasterImage, UnusableSizesGiveAnEmptyImageThatIgnoresDrawing)
{
    const int sizes[][2] = {{0, 10}, {10, 0}, {-5, 10}, {100000, 10}};
    for (const auto& s : sizes) {
        RasterContext ctx(s[0], s[1]);
        EXPECT_EQ(ctx.width() * ctx.height(), 0);
        ctx.rectfill(0, 0, 10, 10);
        ctx.highlightRect(makeRect(0, 0, 10, 10));
        ctx.moveto(0, 0);
        ctx.lineto(5, 5);
        ctx.stroke();
        EXPECT_FALSE(ctx.savePNG("/nonexistent/never.png"));
    }
}

TEST(RasterImage, SavesAPNGThatReadsBackTheSamePixels)
{
    RasterContext ctx(20, 10);
    ctx.fillImage(kWhite);
    ctx.setrgbcolor(1, 0, 0);
    ctx.rectfill(0, 0, 10, 10);
    ctx.setrgbcolor(0, 0, 1);
    ctx.setalpha(0.5f);
    ctx.rectfill(10, 0, 10, 5);
    const auto path = std::filesystem::temp_directory_path() / ("raster-" + std::to_string(::getpid()) + ".png");
    ASSERT_TRUE(ctx.savePNG(path.string()));
    QImage read(QString::fromStdString(path.string()));
    std::filesystem::remove(path);
    ASSERT_FALSE(read.isNull());
    ASSERT_EQ(read.width(), 20);
    ASSERT_EQ(read.height(), 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            EXPECT_EQ(read.pixel(x, y), ctx.pixel(x, y)) << x << "," << y;
}

// ---- Fills, rules and colours.

TEST(RasterFill, RulesDecideTheHoleOfNestedSquares)
{
    struct Case {
        bool evenOdd;
        bool holeFilled;
    };
    for (const Case c : {Case{false, true}, Case{true, false}}) {
        RasterContext ctx(100, 100);
        ctx.setgray(0);
        // Both squares counterclockwise: the non-zero rule fills the inner one.
        for (float inset : {10.0f, 30.0f}) {
            ctx.moveto(inset, inset);
            ctx.lineto(100 - inset, inset);
            ctx.lineto(100 - inset, 100 - inset);
            ctx.lineto(inset, 100 - inset);
            ctx.closepath();
        }
        if (c.evenOdd)
            ctx.eofill();
        else
            ctx.fill();
        EXPECT_EQ(ctx.pixel(50, 50), c.holeFilled ? kBlack : kClear) << c.evenOdd;
        EXPECT_EQ(ctx.pixel(20, 50), kBlack) << c.evenOdd;
        EXPECT_EQ(ctx.pixel(5, 50), kClear) << c.evenOdd;
        EXPECT_FALSE(ctx.currentpoint()) << "fill clears the path";
    }
}

TEST(RasterFill, ColoursInEverySpaceAndAlpha)
{
    struct Case {
        const char* what;
        void (*set)(RasterContext&);
        std::uint32_t expected; // over white
        int tolerance;
    };
    const Case cases[] = {
        {"gray", [](RasterContext& c) { c.setgray(0.5f); }, 0xFF808080, 1},
        {"rgb", [](RasterContext& c) { c.setrgbcolor(1, 0.5f, 0); }, 0xFFFF8000, 1},
        {"cmyk red", [](RasterContext& c) { c.setcmykcolor(0, 1, 1, 0); }, 0xFFFF0000, 0},
        {"cmyk black", [](RasterContext& c) { c.setcmykcolor(0, 0, 0, 1); }, 0xFF000000, 0},
        {"hsb green", [](RasterContext& c) { c.sethsbcolor(1.0f / 3, 1, 1); }, 0xFF00FF00, 1},
        {"half black", [](RasterContext& c) { c.setgray(0); c.setalpha(0.5f); }, 0xFF808080, 1},
        {"transparent", [](RasterContext& c) { c.setgray(0); c.setalpha(0); }, 0xFFFFFFFF, 0},
    };
    for (const Case& c : cases) {
        RasterContext ctx(10, 10);
        ctx.fillImage(kWhite);
        c.set(ctx);
        ctx.rectfill(0, 0, 10, 10);
        const std::uint32_t p = ctx.pixel(5, 5);
        EXPECT_EQ(alphaOf(p), 255) << c.what;
        EXPECT_NEAR(redOf(p), redOf(c.expected), c.tolerance) << c.what;
        EXPECT_NEAR(greenOf(p), greenOf(c.expected), c.tolerance) << c.what;
        EXPECT_NEAR(blueOf(p), blueOf(c.expected), c.tolerance) << c.what;
    }
}

TEST(RasterFill, RectangleListsOfEitherOrientationUnite)
{
    RasterContext ctx(60, 20);
    ctx.setgray(0);
    // The second runs backwards and overlaps the first: no hole where they meet.
    const Rect rects[] = {makeRect(0, 0, 30, 20), makeRect(40, 20, -20, -20)};
    ctx.rectfillList(rects);
    for (int x : {5, 25, 35})
        EXPECT_EQ(ctx.pixel(x, 10), kBlack) << x;
    EXPECT_EQ(ctx.pixel(45, 10), kClear);

    const Rect grays[] = {makeRect(0, 0, 10, 10), makeRect(10, 0, 10, 10)};
    const float levels[] = {0.25f, 1.0f};
    ctx.rectfillListWithGrays(grays, levels);
    EXPECT_NEAR(redOf(ctx.pixel(5, 15)), 64, 1);
    EXPECT_EQ(ctx.pixel(15, 15), kWhite);
    EXPECT_EQ(ctx.currentColor().space, Color::Space::Gray);
    EXPECT_EQ(ctx.currentColor().components[0], 0.0f) << "the current colour is left alone";
}

TEST(RasterFill, HugeAndDegenerateGeometryIsHarmless)
{
    RasterContext ctx(50, 50);
    ctx.setgray(0);
    ctx.rectclip(-1e30f, -1e30f, 2e30f, 2e30f);
    ctx.rectclip(-3e9f, -3e9f, 6e9f, 6e9f);
    ctx.rectfill(-1e30f, -1e30f, 2e30f, 2e30f);
    EXPECT_EQ(ctx.pixel(25, 25), kBlack);
    EXPECT_EQ(ctx.pixel(0, 49), kBlack);
    ctx.highlightRect(makeRect(-1e30f, -1e30f, 2e30f, 2e30f));
    EXPECT_EQ(ctx.pixel(25, 25), kWhite);
    ctx.compositerect(-1e30f, 20, 2e30f, 1e30f, CompositeOp::PlusDarker);
    ctx.setgray(1);
    ctx.moveto(1e20f, 0);
    ctx.curveto(-1e20f, 1e20f, 3e19f, -1e25f, 0, 1e22f);
    ctx.lineto(25, 25);
    ctx.fill();
    ctx.setlinewidth(1e9f);
    ctx.moveto(0, 0);
    ctx.lineto(1e30f, 1e30f);
    ctx.stroke();
    // A singular matrix paints nothing and must not divide by zero.
    ctx.scale(0, 1);
    ctx.setlinewidth(3);
    ctx.moveto(0, 0);
    ctx.lineto(10, 10);
    ctx.stroke();
    SUCCEED();
}

// ---- Strokes.

TEST(RasterStroke, WidthAndCapsInDeviceRows)
{
    struct Case {
        int cap;
        bool paintsBeyondEnd; // the pixel centred 1.5 units past the end
    };
    for (const Case c : {Case{0, false}, Case{1, true}, Case{2, true}}) {
        RasterContext ctx(100, 100);
        ctx.setgray(0);
        ctx.setlinewidth(4);
        ctx.setlinecap(c.cap);
        ctx.moveto(20, 50);
        ctx.lineto(80, 50);
        ctx.stroke();
        // User y 48..52 is device rows 48..51.
        for (int y = 48; y <= 51; ++y)
            EXPECT_EQ(ctx.pixel(50, y), kBlack) << "cap " << c.cap << " row " << y;
        EXPECT_EQ(ctx.pixel(50, 47), kClear) << c.cap;
        EXPECT_EQ(ctx.pixel(50, 52), kClear) << c.cap;
        EXPECT_EQ(alphaOf(ctx.pixel(81, 49)) > 128, c.paintsBeyondEnd) << "cap " << c.cap;
        EXPECT_EQ(ctx.pixel(83, 49), kClear) << "no cap reaches beyond half the width" << c.cap;
    }
}

TEST(RasterStroke, ThePenIsTransformedWithTheMatrix)
{
    // Under scale(1, 4) a line 2 units wide is 8 pixels thick when it runs
    // along x and 2 pixels when it runs along y.
    RasterContext ctx(100, 100);
    ctx.setgray(0);
    ctx.scale(1, 4);
    ctx.setlinewidth(2);
    ctx.moveto(10, 5);
    ctx.lineto(40, 5);
    ctx.stroke();
    ctx.moveto(70, 5);
    ctx.lineto(70, 20);
    ctx.stroke();
    // Horizontal line: user y 4..6 is device y 100-24 .. 100-16.
    auto thickness = [&](bool vertical) {
        int n = 0;
        for (int i = 0; i < 100; ++i)
            n += alphaOf(vertical ? ctx.pixel(25, i) : ctx.pixel(i, 50)) > 128;
        return n;
    };
    EXPECT_EQ(thickness(true), 8);
    EXPECT_EQ(thickness(false), 2);
    EXPECT_EQ(ctx.pixel(25, 76), kBlack);
    EXPECT_EQ(ctx.pixel(25, 75), kClear);
}

TEST(RasterStroke, WidePensInFineUserSpaces)
{
    // A user space of 1/1000 point with a line 20,000 units (20 points) wide.
    RasterContext ctx(100, 100);
    ctx.setgray(0);
    ctx.scale(0.001f, 0.001f);
    ctx.setlinewidth(20000);
    ctx.moveto(10000, 50000);
    ctx.lineto(90000, 50000);
    ctx.stroke();
    int thickness = 0;
    for (int y = 0; y < 100; ++y)
        thickness += alphaOf(ctx.pixel(50, y)) > 128;
    EXPECT_EQ(thickness, 20);
}

TEST(RasterStroke, ZeroWidthIsTheThinnestVisibleLine)
{
    RasterContext ctx(20, 20);
    ctx.setgray(0);
    ctx.setlinewidth(0);
    ctx.moveto(0, 10.5f);
    ctx.lineto(20, 10.5f);
    ctx.stroke();
    int painted = 0;
    for (int y = 0; y < 20; ++y)
        painted += alphaOf(ctx.pixel(10, y)) > 0;
    EXPECT_GE(painted, 1);
    EXPECT_LE(painted, 2);
}

TEST(RasterStroke, DegenerateSubpathsAreDotsOnlyWithRoundCaps)
{
    struct Case {
        int cap;
        bool closed; // moveto closepath rather than moveto lineto to the same point
        bool dot;
    };
    const Case cases[] = {{0, false, false}, {1, false, true}, {2, false, false}, {1, true, true}};
    for (const Case& c : cases) {
        RasterContext ctx(20, 20);
        ctx.setgray(0);
        ctx.setlinewidth(6);
        ctx.setlinecap(c.cap);
        ctx.moveto(10, 10);
        if (c.closed)
            ctx.closepath();
        else
            ctx.lineto(10, 10);
        ctx.moveto(15, 15); // a lone moveto paints nothing
        ctx.stroke();
        EXPECT_EQ(alphaOf(ctx.pixel(10, 9)) > 128, c.dot) << "cap " << c.cap << " closed " << c.closed;
        EXPECT_EQ(alphaOf(ctx.pixel(12, 9)) > 128, c.dot) << "a dot as wide as the line";
        EXPECT_EQ(ctx.pixel(15, 4), kClear);
    }
}

TEST(RasterStroke, JoinsAndTheMiterLimit)
{
    // A right angle at (50, 50), line 10 wide: the miter squares the outer
    // corner; with a limit below √2 it becomes a bevel, as does join 2.
    struct Case {
        int join;
        float limit;
        bool cornerPainted;
    };
    const Case cases[] = {{0, 10, true}, {0, 1.3f, false}, {0, 1.5f, true}, {2, 10, false}, {1, 10, false}};
    for (const Case& c : cases) {
        RasterContext ctx(100, 100);
        ctx.setgray(0);
        ctx.setlinewidth(10);
        ctx.setlinejoin(c.join);
        ctx.setmiterlimit(c.limit);
        ctx.moveto(10, 50);
        ctx.lineto(50, 50);
        ctx.lineto(50, 10);
        ctx.stroke();
        // The outer corner of the join is at user (55, 55): device (55, 45).
        EXPECT_EQ(alphaOf(ctx.pixel(54, 45)) > 128, c.cornerPainted) << "join " << c.join << " limit " << c.limit;
        EXPECT_EQ(ctx.pixel(50, 50), kBlack);
    }
}

TEST(RasterStroke, DashesAreMeasuredInUserSpace)
{
    struct Case {
        float scale;
        float offset;
        int dashes[4]; // device columns: first dash [0, 1), second [2, 3)
    };
    const Case cases[] = {
        {1, 0, {0, 10, 20, 30}},
        {2, 0, {0, 20, 40, 60}},
        {1, 4, {0, 6, 16, 26}},
        {1, 24, {0, 6, 16, 26}}, // the offset runs on through the pattern
        {1, -4, {4, 14, 24, 34}},
    };
    for (const Case& c : cases) {
        RasterContext ctx(200, 20);
        ctx.setgray(0);
        ctx.scale(c.scale, c.scale);
        ctx.setlinewidth(4 / c.scale);
        const float dash[] = {10, 10};
        ctx.setdash(dash, c.offset);
        ctx.moveto(0, 10 / c.scale);
        ctx.lineto(200 / c.scale, 10 / c.scale);
        ctx.stroke();
        std::vector<int> edges;
        bool on = false;
        for (int x = 0; x < 200 && edges.size() < 4; ++x) {
            const bool painted = alphaOf(ctx.pixel(x, 10)) >= 128;
            if (painted != on)
                edges.push_back(x);
            on = painted;
        }
        EXPECT_EQ(edges, std::vector<int>(std::begin(c.dashes), std::end(c.dashes)))
            << "scale " << c.scale << " offset " << c.offset;
    }
}

TEST(RasterStroke, DashesFollowCurvesAndGetCaps)
{
    // Zero-length dashes with round caps are dots: a dotted line.
    RasterContext ctx(100, 20);
    ctx.setgray(0);
    ctx.setlinewidth(4);
    ctx.setlinecap(1);
    const float dash[] = {0, 10};
    ctx.setdash(dash, 0);
    ctx.moveto(5, 10);
    ctx.lineto(95, 10);
    ctx.stroke();
    for (int x : {5, 15, 25, 85, 95})
        EXPECT_GT(alphaOf(ctx.pixel(x, 10)), 128) << x;
    for (int x : {10, 20, 90})
        EXPECT_EQ(ctx.pixel(x, 10), kClear) << x;

    // A dashed circle paints about as much as the pattern's on fraction.
    RasterContext ring(100, 100);
    ring.setgray(0);
    ring.setlinewidth(2);
    ring.arc(50, 50, 40, 0, 360);
    ring.stroke();
    const int solid = countInk(ring, 0, 0, 99, 99);
    RasterContext dashedRing(100, 100);
    dashedRing.setgray(0);
    dashedRing.setlinewidth(2);
    const float half[] = {5, 15};
    dashedRing.setdash(half, 0);
    dashedRing.arc(50, 50, 40, 0, 360);
    dashedRing.stroke();
    const int dashed = countInk(dashedRing, 0, 0, 99, 99);
    EXPECT_NEAR(static_cast<double>(dashed) / solid, 0.25, 0.08);
}

TEST(RasterStroke, PatternsTooFineToDrawAreStrokedSolid)
{
    RasterContext ctx(100, 20);
    ctx.setgray(0);
    ctx.setlinewidth(4);
    const float dash[] = {1e-6f, 1e-6f};
    ctx.setdash(dash, 0);
    ctx.moveto(0, 10);
    ctx.lineto(100, 10);
    ctx.stroke();
    EXPECT_GT(alphaOf(ctx.pixel(50, 10)), 0);
}

// ---- Clipping.

TEST(RasterClip, IntersectsClipsWithTheirRulesUntilGrestore)
{
    RasterContext ctx(100, 100);
    ctx.gsave();
    ctx.rectclip(10, 10, 80, 80);
    // A frame: even-odd clip of two squares leaves the ring between them.
    for (float inset : {0.0f, 40.0f}) {
        ctx.moveto(inset, inset);
        ctx.lineto(100 - inset, inset);
        ctx.lineto(100 - inset, 100 - inset);
        ctx.lineto(inset, 100 - inset);
        ctx.closepath();
    }
    ctx.eoclip();
    ctx.newpath();
    ctx.setgray(0);
    ctx.rectfill(0, 0, 100, 100);
    EXPECT_EQ(ctx.pixel(5, 50), kClear) << "outside the rectangle clip";
    EXPECT_EQ(ctx.pixel(20, 50), kBlack) << "inside both";
    EXPECT_EQ(ctx.pixel(50, 50), kClear) << "in the even-odd hole";
    ctx.grestore();
    ctx.setgray(0.5f);
    ctx.rectfill(0, 45, 100, 10);
    EXPECT_NE(ctx.pixel(50, 50), kClear) << "grestore lifts the clip";
    EXPECT_NE(ctx.pixel(5, 50), kClear);
}

TEST(RasterClip, EmptyClipPathHidesEverythingAndInitclipLiftsIt)
{
    RasterContext ctx(20, 20);
    ctx.newpath();
    ctx.clip();
    ctx.setgray(0);
    ctx.rectfill(0, 0, 20, 20);
    EXPECT_FALSE(inkBox(ctx));
    ctx.initclip();
    ctx.rectfill(0, 0, 20, 20);
    EXPECT_EQ(ctx.pixel(10, 10), kBlack);
}

TEST(RasterClip, ClipsStrokesAndText)
{
    Font* times = font("Times-Roman", 40);
    ASSERT_NE(times, nullptr);
    RasterContext ctx(100, 100);
    ctx.rectclip(0, 0, 50, 100);
    ctx.setgray(0);
    ctx.setlinewidth(10);
    ctx.moveto(0, 80);
    ctx.lineto(100, 80);
    ctx.stroke();
    ctx.selectfont(times);
    ctx.moveto(5, 20);
    ctx.show("MMMM");
    auto box = inkBox(ctx);
    ASSERT_TRUE(box);
    EXPECT_LE(box->x1, 49);
    EXPECT_GT(countInk(ctx, 0, 60, 49, 100), 0) << "text is drawn inside the clip";
}

// ---- Compositing and screen marks.

TEST(RasterComposite, HighlightTwiceRestoresEveryPixelExactly)
{
    Font* helvetica = font("Helvetica-Bold", 18);
    ASSERT_NE(helvetica, nullptr);
    RasterContext ctx(120, 80);
    ctx.fillImage(0xFFFFFFFF);
    // Antialiased edges, translucent ink and transparent holes.
    ctx.setrgbcolor(0.2f, 0.6f, 0.9f);
    ctx.arc(40, 40, 25, 0, 360);
    ctx.fill();
    ctx.setalpha(0.4f);
    ctx.setgray(0);
    ctx.selectfont(helvetica);
    ctx.moveto(10, 30);
    ctx.show("Highlight");
    ctx.setalpha(1);
    ctx.compositerect(90, 50, 20, 20, CompositeOp::Clear);
    const std::vector<std::uint32_t> before = snapshot(ctx);

    const Rect r = makeRect(20.3f, 10.6f, 85.2f, 55.1f);
    ctx.highlightRect(r);
    const std::vector<std::uint32_t> once = snapshot(ctx);
    EXPECT_NE(once, before);
    EXPECT_EQ(ctx.pixel(100, 20), kClear) << "a transparent pixel has nothing to invert";
    EXPECT_EQ(ctx.pixel(5, 5), kWhite) << "outside the rectangle nothing changes";
    EXPECT_EQ(ctx.pixel(50, 40), 0xFF000000 | (ctx.pixel(50, 40) & 0xFFFFFF));
    ctx.highlightRect(r);
    EXPECT_EQ(snapshot(ctx), before);

    // Under a rotated matrix and a clip, and through compositerect.
    ctx.gsave();
    ctx.rectclip(0, 0, 60, 80);
    ctx.rotate(17);
    ctx.compositerect(30, 0, 50, 30, CompositeOp::Highlight);
    EXPECT_NE(snapshot(ctx), before);
    EXPECT_EQ(ctx.pixel(100, 40), before[40 * 120 + 100]) << "clipped away";
    ctx.compositerect(30, 0, 50, 30, CompositeOp::Highlight);
    ctx.grestore();
    EXPECT_EQ(snapshot(ctx), before);
}

TEST(RasterComposite, HighlightInvertsWhiteToBlackWithinTheRectangle)
{
    RasterContext ctx(40, 40);
    ctx.fillImage(kWhite);
    ctx.highlightRect(makeRect(10, 10, 20, 10));
    auto box = inkBox(ctx, kWhite);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->x0, 10);
    EXPECT_EQ(box->x1, 29);
    EXPECT_EQ(box->y0, 20);
    EXPECT_EQ(box->y1, 29);
    EXPECT_EQ(ctx.pixel(15, 25), kBlack);
}

TEST(RasterComposite, OperationsOnOpaqueAndTranslucentPixels)
{
    struct Case {
        CompositeOp op;
        float gray, alpha;       // the source
        std::uint32_t expected;  // unpremultiplied, over an opaque 50% gray
        int tolerance;
    };
    const Case cases[] = {
        {CompositeOp::Clear, 0, 1, 0x00000000, 0},
        {CompositeOp::Copy, 1, 0.5f, 0x80FFFFFF, 1},
        {CompositeOp::SourceOver, 1, 0.5f, 0xFFC0C0C0, 1},
        {CompositeOp::SourceIn, 1, 1, 0xFFFFFFFF, 0},
        {CompositeOp::DestinationOver, 1, 1, 0xFF808080, 1},
        {CompositeOp::DestinationOut, 1, 1, 0x00000000, 0},
        {CompositeOp::XOR, 1, 1, 0x00000000, 0},
        {CompositeOp::PlusLighter, 0.25f, 1, 0xFFC0C0C0, 1},
        {CompositeOp::PlusDarker, 0.75f, 1, 0xFF404040, 1},
    };
    for (const Case& c : cases) {
        RasterContext ctx(10, 10);
        ctx.fillImage(0xFF808080);
        ctx.setgray(c.gray);
        ctx.setalpha(c.alpha);
        ctx.compositerect(2, 2, 6, 6, c.op);
        const std::uint32_t p = ctx.pixel(5, 5);
        const int op = static_cast<int>(c.op);
        EXPECT_NEAR(alphaOf(p), alphaOf(c.expected), c.tolerance) << op;
        if (alphaOf(c.expected) != 0) {
            EXPECT_NEAR(redOf(p), redOf(c.expected), c.tolerance) << op;
            EXPECT_NEAR(blueOf(p), blueOf(c.expected), c.tolerance) << op;
        }
        EXPECT_EQ(ctx.pixel(0, 0), 0xFF808080u) << op << ": outside the rectangle";
    }
}

TEST(RasterComposite, LinkFramesLieJustOutsideTheRectangle)
{
    for (bool destination : {true, false}) {
        RasterContext ctx(60, 60);
        const float t = DrawContext::linkFrameThickness();
        ctx.frameLinkRect(makeRect(20, 20, 20, 20), destination);
        EXPECT_EQ(countInk(ctx, 20, 20, 39, 39), 0) << "the inside is left alone";
        auto box = inkBox(ctx);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->x0, 20 - static_cast<int>(t));
        EXPECT_EQ(box->x1, 39 + static_cast<int>(t));
        EXPECT_EQ(box->y0, 20 - static_cast<int>(t));
        EXPECT_EQ(box->y1, 39 + static_cast<int>(t));
        EXPECT_NE(ctx.currentColor().components[0], 1.0f) << "the graphics state is left alone";
    }
}

TEST(RasterComposite, PostScriptTextIsIgnored)
{
    RasterContext ctx(10, 10);
    ctx.sendPostScript("0 0 10 10 rectfill\n");
    EXPECT_FALSE(inkBox(ctx));
}

// ---- Text.

// A glyph drawn alone inks exactly its box from the metrics (give or take
// the antialiased pixel), and a string inks only within the boxes of its
// glyphs placed by the metrics' advances.
TEST(RasterText, GlyphsLandOnTheirMetricBoxes)
{
    struct Case {
        const char* font;
        float size;
        const char* text;
    };
    const Case cases[] = {
        {"Times-Roman", 36, "Hgjf"},
        {"Helvetica-Bold", 30, "W@y"},
        {"Courier", 24, "Qp|x"},
        {"Symbol", 30, "abp\xD6"}, // alpha beta pi radical
        {"Times-Italic", 40, "fg"},
        {"Palatino-Roman", 33, "\xE1\xFB"}, // AE and germandbls in the documents' set
    };
    constexpr int W = 240, H = 100;
    constexpr float baseline = 40;
    // Device pixels (y down) a user-space box touches.
    auto pixelsOf = [](const Rect& box, float x) {
        return PixelBox{static_cast<int>(std::floor(x + minX(box))), H - static_cast<int>(std::ceil(baseline + maxY(box))),
                        static_cast<int>(std::ceil(x + maxX(box))) - 1,
                        H - static_cast<int>(std::floor(baseline + minY(box))) - 1};
    };
    for (const Case& c : cases) {
        Font* f = font(c.font, c.size);
        ASSERT_NE(f, nullptr);
        const std::string text = c.text;
        std::vector<std::uint8_t> inside(W * H, 0);
        float pen = 10;
        for (char ch : text) {
            const unsigned char code = static_cast<unsigned char>(ch);
            const Rect box = f->boundingRectForGlyph(code);
            ASSERT_FALSE(isEmptyRect(box)) << c.font << " " << code;
            const PixelBox expected = pixelsOf(box, pen);
            RasterContext alone(W, H);
            alone.setgray(0);
            alone.selectfont(f);
            alone.moveto(pen, baseline);
            alone.show(std::string(1, ch));
            auto ink = inkBox(alone);
            ASSERT_TRUE(ink) << c.font << " " << code;
            EXPECT_NEAR(ink->x0, expected.x0, 1) << c.font << " " << code;
            EXPECT_NEAR(ink->x1, expected.x1, 1) << c.font << " " << code;
            EXPECT_NEAR(ink->y0, expected.y0, 1) << c.font << " " << code;
            EXPECT_NEAR(ink->y1, expected.y1, 1) << c.font << " " << code;
            for (int y = std::max(0, expected.y0 - 1); y <= std::min(H - 1, expected.y1 + 1); ++y)
                for (int x = std::max(0, expected.x0 - 1); x <= std::min(W - 1, expected.x1 + 1); ++x)
                    inside[static_cast<std::size_t>(y * W + x)] = 1;
            pen += f->advance(code);
        }
        RasterContext ctx(W, H);
        ctx.setgray(0);
        ctx.selectfont(f);
        ctx.moveto(10, baseline);
        ctx.show(text);
        int stray = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                stray += !inside[static_cast<std::size_t>(y * W + x)] && ctx.pixel(x, y) != kClear;
        EXPECT_EQ(stray, 0) << c.font << ": ink outside the glyphs' boxes";
        auto point = ctx.currentpoint();
        ASSERT_TRUE(point);
        EXPECT_NEAR(point->x, pen, 1e-3);
    }
}

// show puts each glyph where the metrics' advances say: the string looks
// the same as its glyphs drawn one by one at positions summed here.
TEST(RasterText, ShowAdvancesByTheMetricsWidths)
{
    struct Case {
        const char* font;
        float size;
    };
    const std::string text = "Minimum WAVE 0123456789 lollipop";
    for (const Case& c : {Case{"Times-Roman", 20}, Case{"Helvetica", 17.5f}, Case{"Courier-Bold", 13}}) {
        Font* f = font(c.font, c.size);
        ASSERT_NE(f, nullptr);
        RasterContext whole(460, 40), pieces(460, 40);
        for (RasterContext* ctx : {&whole, &pieces}) {
            ctx->setgray(0);
            ctx->selectfont(f);
        }
        whole.moveto(3.3f, 12);
        whole.show(text);
        double x = 3.3;
        for (char ch : text) {
            pieces.moveto(static_cast<float>(x), 12);
            pieces.show(std::string(1, ch));
            x += f->advance(static_cast<unsigned char>(ch));
        }
        int worst = 0;
        for (int y = 0; y < 40; ++y)
            for (int xx = 0; xx < 460; ++xx)
                worst = std::max(worst, std::abs(alphaOf(whole.pixel(xx, y)) - alphaOf(pieces.pixel(xx, y))));
        // Only antialiased pixels shared by two neighbouring glyphs may differ.
        EXPECT_LE(worst, 48) << c.font;
        EXPECT_GT(countInk(whole, 0, 0, 459, 39), 500) << c.font;
    }
}

TEST(RasterText, XyshowPutsEachGlyphAtItsOffset)
{
    Font* helvetica = font("Helvetica-Bold", 24);
    ASSERT_NE(helvetica, nullptr);
    RasterContext ctx(200, 100);
    ctx.setgray(0);
    ctx.selectfont(helvetica);
    ctx.moveto(10, 20);
    // Three bars, 60 apart and climbing 30.
    const float offsets[] = {60, 30, 60, 30, 0, 0};
    ctx.xyshow("lll", offsets);
    const Rect bar = helvetica->boundingRectForGlyph('l');
    for (int i = 0; i < 3; ++i) {
        const float x = 10 + 60.0f * i + midX(bar);
        const float y = 20 + 30.0f * i + midY(bar);
        EXPECT_GT(alphaOf(ctx.pixel(static_cast<int>(x), 100 - static_cast<int>(y))), 200) << i;
        EXPECT_EQ(ctx.pixel(static_cast<int>(x) + 30, 100 - static_cast<int>(y)), kClear) << i;
    }
}

TEST(RasterText, RotatedScaledAndFlippedFontsFollowTheirMatrices)
{
    Font* helvetica = font("Helvetica", 1);
    ASSERT_NE(helvetica, nullptr);
    const Rect l = helvetica->boundingRectForGlyph('l'); // a tall thin bar
    struct Case {
        const char* what;
        Matrix ctm;        // applied after translate(100, 100)
        Matrix fontMatrix; // the font's matrix
        float probeX, probeY; // user-space offset from the origin that must be inked
        float emptyX, emptyY; // and one that must not
    };
    const float top = maxY(l) * 40;
    const float mid = midX(l) * 40;
    const Case cases[] = {
        {"upright", Matrix{}, Matrix::scaling(40, 40), mid, top * 0.5f, mid, -top * 0.5f},
        {"flipped font", Matrix{}, Matrix{40, 0, 0, -40, 0, 0}, mid, -top * 0.5f, mid, top * 0.5f},
        {"rotated 90", Matrix::rotation(90), Matrix::scaling(40, 40), mid, top * 0.5f, mid, -top * 0.5f},
        {"wide font", Matrix{}, Matrix::scaling(160, 40), mid * 4, top * 0.5f, mid, top * 1.5f},
        {"slanted font", Matrix{}, Matrix{40, 0, 20, 40, 0, 0}, mid + top * 0.45f, top * 0.9f, mid, top * 0.9f},
        {"translated font", Matrix{}, Matrix{40, 0, 0, 40, 30, -20}, mid + 30, top * 0.5f - 20, mid, top * 0.5f},
    };
    for (const Case& c : cases) {
        RasterContext ctx(200, 200);
        ctx.setgray(0);
        ctx.translate(100, 100);
        ctx.concat(c.ctm);
        ctx.setfont(helvetica, c.fontMatrix);
        ctx.moveto(0, 0);
        ctx.show("l");
        auto probe = [&](float ux, float uy) {
            Point d = concatMatrix(c.ctm, Matrix::translation(100, 100)).transform({ux, uy});
            return ctx.pixel(static_cast<int>(d.x), 200 - 1 - static_cast<int>(d.y));
        };
        EXPECT_GT(alphaOf(probe(c.probeX, c.probeY)), 128) << c.what;
        EXPECT_EQ(probe(c.emptyX, c.emptyY), kClear) << c.what;
    }
}

TEST(RasterText, FontsWithoutAFileAdvanceButDrawNothing)
{
    const std::string error = Font::registerFontFromAFM(std::string(SCRIVLY_FIXTURES_DIR) + "/Fixed-Test.afm");
    ASSERT_EQ(error, "");
    Font* fixed = Font::fontWithName("Fixed-Test", 10);
    ASSERT_NE(fixed, nullptr);
    ASSERT_TRUE(fixed->fontFilePath().empty());
    RasterContext ctx(100, 100);
    ctx.setgray(0);
    ctx.selectfont(fixed);
    ctx.moveto(10, 10);
    ctx.show("ABC");
    EXPECT_FALSE(inkBox(ctx));
    auto point = ctx.currentpoint();
    ASSERT_TRUE(point);
    EXPECT_FLOAT_EQ(point->x, 28);

    // A font the output would define itself is not drawn either.
    ctx.selectfont("Scrivly-Private", 12);
    ctx.show("ABC");
    EXPECT_FALSE(inkBox(ctx));
}

TEST(RasterText, TextIsPaintedInTheCurrentColourAndAlpha)
{
    Font* courier = font("Courier-Bold", 60);
    ASSERT_NE(courier, nullptr);
    RasterContext ctx(100, 100);
    ctx.fillImage(kWhite);
    ctx.setrgbcolor(1, 0, 0);
    ctx.setalpha(0.5f);
    ctx.selectfont(courier);
    ctx.moveto(10, 20);
    ctx.show("I");
    const Rect bar = courier->boundingRectForGlyph('I');
    const std::uint32_t p = ctx.pixel(static_cast<int>(10 + midX(bar)), 100 - static_cast<int>(20 + midY(bar)));
    EXPECT_EQ(redOf(p), 255);
    EXPECT_NEAR(greenOf(p), 128, 1);
    EXPECT_NEAR(blueOf(p), 128, 1);
}
