#include "core/Archiver.h"
#include "core/Unarchiver.h"
#include "core/Values.h"
#include "foundation/GxRecords.h"
#include "foundation/StoredColor.h"
#include "graphics/RecordingContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

// Writes units with one function and reads them back with another, as a
// document's objects do inside the archive.
template <class Write, class Read>
void roundTrip(Write write, Read read)
{
    kit::registerValueClasses();
    kit::Archiver out;
    write(out);
    kit::Unarchiver in(out.data());
    read(in);
    EXPECT_TRUE(in.isAtEnd());
}

TEST(GxRecords, NewRecordsHaveTheirDefaults)
{
    GxFill fill;
    GxInitFill(&fill);
    float c, m, y, k;
    fill.color->getCyan(c, m, y, k);
    EXPECT_EQ(k, 1.0f);
    EXPECT_EQ(fill.pattern, nullptr);
    EXPECT_EQ(fill.flags, 0);

    GxLine line;
    GxInitLine(&line);
    EXPECT_EQ(line.width, 1.0f);
    EXPECT_EQ(line.miter, 5.0f);
    EXPECT_EQ(GxGetLineCap(&line), 0);
    EXPECT_EQ(GxGetLineJoin(&line), 1);
    EXPECT_FALSE(GxGetLineOverprint(&line));
    EXPECT_FALSE(GxIsNoLine(&line));
    EXPECT_EQ(line.dash, nullptr);
}

TEST(GxRecords, CopiesShareColoursSoTheyCompareEqualByIdentity)
{
    GxFill a, b;
    GxInitFill(&a);
    GxSetFillOverprint(&a, true);
    GxCopyFill(&b, &a);
    EXPECT_EQ(GxEqualFill(&a, &b), 0);
    // An equal colour made separately is another object.
    GxSetFillColor(&b, kit::Color::colorWithDeviceCyan(0, 0, 0, 1, 1));
    EXPECT_NE(GxEqualFill(&a, &b), 0);
    EXPECT_EQ(GxGetFillDifferences(&a, &b), 0);

    GxLine l1, l2;
    GxInitLine(&l1);
    const float dash[2] = {3, 1};
    GxSetLineDashValues(&l1, dash, 2, 0.5f);
    GxCopyLine(&l2, &l1);
    ASSERT_NE(l2.dash, nullptr);
    EXPECT_NE(l2.dash.get(), l1.dash.get());
    EXPECT_TRUE(GxEqualLine(&l1, &l2));
}

TEST(GxRecords, FillDifferences)
{
    GxFill a, b;
    GxInitFill(&a);
    GxInitFill(&b);
    EXPECT_EQ(GxGetFillDifferences(nullptr, nullptr), 0);
    EXPECT_EQ(GxGetFillDifferences(&a, nullptr), 0xE);
    EXPECT_EQ(GxGetFillDifferences(nullptr, &b), 0xE);
    GxSetFillColor(&b, kit::Color::redColor());
    GxSetFillOverprint(&b, true);
    EXPECT_EQ(GxGetFillDifferences(&a, &b), 0x2 | 0x8);
    GxSetFillPattern(&b, std::make_shared<kit::String>("pattern"));
    EXPECT_EQ(GxGetFillDifferences(&a, &b), 0x2 | 0x4 | 0x8);
    // Setting a colour drops the pattern.
    GxSetFillColor(&b, a.color);
    EXPECT_FALSE(GxIsPattern(&b));
}

TEST(GxRecords, LineDifferencesTable)
{
    struct Case {
        const char* what;
        std::function<void(GxLine&)> change;
        int expected;
    } cases[] = {
        {"nothing", [](GxLine&) {}, 0},
        {"cap", [](GxLine& l) { GxSetLineCap(&l, 2); }, 0x80},
        {"join", [](GxLine& l) { GxSetLineJoin(&l, 0); }, 0x100},
        {"width", [](GxLine& l) { GxSetLineWidth(&l, 2); }, 0x20},
        {"miter", [](GxLine& l) { GxSetLineMiter(&l, 9); }, 0x200},
        {"overprint", [](GxLine& l) { GxSetLineOverprint(&l, true); }, 0x400},
        {"colour", [](GxLine& l) { GxSetLineColor(&l, kit::Color::redColor()); }, 0x10},
        {"dash", [](GxLine& l) { const float v[2] = {1, 1}; GxSetLineDashValues(&l, v, 2, 0); }, 0x40},
        {"no-line bit is not compared", [](GxLine& l) { GxSetNoLine(&l, true); }, 0},
    };
    for (const Case& c : cases) {
        GxLine a, b;
        GxInitLine(&a);
        GxInitLine(&b);
        b.color = a.color;
        c.change(b);
        EXPECT_EQ(GxGetLineDifferences(&a, &b), c.expected) << c.what;
    }
    GxLine a;
    GxInitLine(&a);
    EXPECT_EQ(GxGetLineDifferences(&a, nullptr), 0x770);
    EXPECT_EQ(GxGetLineDifferences(nullptr, nullptr), 0);
}

TEST(GxRecords, AbsentDashesAndArrowsEqualEmptyOnes)
{
    GxDash dash;
    GxArrow arrow;
    EXPECT_TRUE(GxEqualDash(nullptr, &dash));
    EXPECT_TRUE(GxEqualArrow(&arrow, nullptr));
    dash.count = 2;
    arrow.kind = 1;
    EXPECT_FALSE(GxEqualDash(nullptr, &dash));
    EXPECT_FALSE(GxEqualArrow(&arrow, nullptr));
    // Values past the count don't take part.
    GxDash other = dash;
    other.values[5] = 9;
    EXPECT_TRUE(GxEqualDash(&dash, &other));
}

TEST(GxRecords, DashValuesBeyondEightAreCut)
{
    GxLine line;
    GxInitLine(&line);
    const float values[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    GxSetLineDashValues(&line, values, 12, 0.25f);
    const float* got = nullptr;
    int count = -1;
    float phase = -1;
    GxGetLineDashValues(&line, &got, &count, &phase);
    EXPECT_EQ(count, 8);
    EXPECT_EQ(phase, 0.25f);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got[7], 8.0f);

    GxSetLineDashValues(&line, values, 0, 0);
    GxGetLineDashValues(&line, &got, &count, &phase);
    EXPECT_EQ(got, nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(line.dash, nullptr);

    GxDash solid;
    GxSetLineDashValues(&line, values, 2, 0);
    GxSetLineDash(&line, &solid);
    EXPECT_EQ(line.dash, nullptr);
}

TEST(GxRecords, FillRoundTripsWithNilPatternAndFlags)
{
    GxFill fill;
    GxInitFill(&fill);
    GxSetFillOverprint(&fill, true);
    GxSetNoFill(&fill, true);
    auto pattern = std::make_shared<kit::String>("stripes");
    GxSetFillPattern(&fill, pattern);
    std::unique_ptr<GxFill> none, back;
    roundTrip(
        [&](kit::Coder& c) {
            GxWriteFill(c, nullptr);
            GxWriteFill(c, &fill);
        },
        [&](kit::Coder& c) {
            none = GxReadFill(c);
            back = GxReadFill(c);
        });
    EXPECT_EQ(none, nullptr);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->flags, fill.flags);
    ASSERT_NE(back->pattern, nullptr);
    EXPECT_TRUE(back->pattern->isEqual(*pattern));
    EXPECT_TRUE(back->color->isEqual(*fill.color));
}

TEST(GxRecords, SharedColoursStaySharedThroughTheArchive)
{
    GxFill fill;
    GxInitFill(&fill);
    GxLine line;
    GxInitLine(&line);
    line.color = fill.color;
    std::unique_ptr<GxFill> f;
    std::unique_ptr<GxLine> l;
    roundTrip(
        [&](kit::Coder& c) {
            GxWriteFill(c, &fill);
            GxWriteLine(c, &line);
        },
        [&](kit::Coder& c) {
            f = GxReadFill(c);
            l = GxReadLine(c);
        });
    ASSERT_TRUE(f && l);
    EXPECT_EQ(f->color, l->color);
}

TEST(GxRecords, LineRoundTripsWithAndWithoutDash)
{
    GxLine plain, dashed, zeroCount;
    GxInitLine(&plain);
    GxInitLine(&dashed);
    GxInitLine(&zeroCount);
    GxSetLineCap(&dashed, 2);
    const float values[2] = {4, 2};
    GxSetLineDashValues(&dashed, values, 2, 1.0f);
    dashed.dash->values[6] = 7.0f; // beyond the count, still stored
    zeroCount.dash = std::make_unique<GxDash>();
    std::unique_ptr<GxLine> none, a, b, c0;
    roundTrip(
        [&](kit::Coder& c) {
            GxWriteLine(c, nullptr);
            GxWriteLine(c, &plain);
            GxWriteLine(c, &dashed);
            GxWriteLine(c, &zeroCount);
        },
        [&](kit::Coder& c) {
            none = GxReadLine(c);
            a = GxReadLine(c);
            b = GxReadLine(c);
            c0 = GxReadLine(c);
        });
    EXPECT_EQ(none, nullptr);
    ASSERT_TRUE(a && b && c0);
    EXPECT_EQ(a->dash, nullptr);
    EXPECT_EQ(c0->dash, nullptr);
    ASSERT_NE(b->dash, nullptr);
    EXPECT_EQ(b->dash->count, 2);
    EXPECT_EQ(b->dash->values[6], 7.0f);
    EXPECT_EQ(GxGetLineCap(b.get()), 2);
    EXPECT_EQ(GxGetLineJoin(b.get()), 1);
}

TEST(GxRecords, OutOfRangeCountsFromAFileAreClamped)
{
    std::unique_ptr<GxDash> dash;
    std::unique_ptr<GxArrow> big, negative;
    roundTrip(
        [&](kit::Coder& c) {
            // A dash record claiming 200 values, written unit by unit.
            short count = 200;
            float phase = 0.5f;
            float values[8] = {1, 2, 3, 4, 5, 6, 7, 8};
            c.encodeValueOfObjCType("s", &count);
            c.encodeValueOfObjCType("f", &phase);
            c.encodeArrayOfObjCType("f", 8, values);
            for (short n : {short(99), short(-5)}) {
                signed char kind = 1;
                unsigned char flags = 0;
                c.encodeValueOfObjCType("c", &kind);
                c.encodeValuesOfObjCTypes("sc", n, flags);
                for (int i = 0; i < 4; ++i)
                    c.encodePoint({float(i), 0});
            }
        },
        [&](kit::Coder& c) {
            dash = GxReadDash(c);
            big = GxReadArrow(c);
            negative = GxReadArrow(c);
        });
    ASSERT_TRUE(dash && big && negative);
    EXPECT_EQ(dash->count, 8);
    EXPECT_EQ(big->count, 4);
    EXPECT_EQ(negative->count, 0);
    // Writing never claims more than the record holds.
    GxDash wide = *dash;
    wide.count = 50;
    std::unique_ptr<GxDash> back;
    roundTrip([&](kit::Coder& c) { GxWriteDash(c, &wide); }, [&](kit::Coder& c) { back = GxReadDash(c); });
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->count, 8);
}

TEST(GxRecords, ArrowRoundTrip)
{
    std::vector<GxArrow> arrows;
    GxInitializeArrowList(arrows);
    ASSERT_EQ(arrows.size(), 5u);
    for (const GxArrow& arrow : arrows) {
        std::unique_ptr<GxArrow> back;
        roundTrip([&](kit::Coder& c) { GxWriteArrow(c, &arrow); }, [&](kit::Coder& c) { back = GxReadArrow(c); });
        if (arrow.kind == 0) {
            EXPECT_EQ(back, nullptr);
        } else {
            ASSERT_NE(back, nullptr);
            EXPECT_TRUE(GxEqualArrow(back.get(), &arrow));
        }
    }
}

TEST(GxRecords, ColoursOfOldFilesAreReadInTheOldForm)
{
    struct Case {
        float version;
        bool oldForm;
    } cases[] = {{2.0f, true}, {2.99f, true}, {3.0f, false}, {3.5f, false}, {-1000.0f, false}};
    for (const Case& c : cases) {
        std::unique_ptr<GxFill> fill;
        roundTrip(
            [&](kit::Coder& out) {
                char present = 1;
                out.encodeValueOfObjCType("c", &present);
                if (c.oldForm)
                    encodeNXColor(out, kit::Color::colorWithDeviceCyan(0.5f, 0, 0, 0, 1));
                else
                    out.encodeColor(kit::Color::colorWithDeviceCyan(0.5f, 0, 0, 0, 1));
                out.encodeValuesOfObjCTypes("@c", nullptr, (unsigned char)1);
            },
            [&](kit::Coder& in) {
                in.setOpenFileVersion(c.version);
                fill = GxReadFill(in);
            });
        ASSERT_NE(fill, nullptr) << c.version;
        float cy, m, y, k;
        fill->color->getCyan(cy, m, y, k);
        EXPECT_FLOAT_EQ(cy, 0.5f) << c.version;
        EXPECT_TRUE(GxGetFillOverprint(fill.get()));
    }
}

TEST(GxRecords, ListsHoldTheBuiltInEntriesLastFirst)
{
    std::vector<GxDash> dashes;
    GxInitializeDashList(dashes);
    ASSERT_EQ(dashes.size(), 5u);
    EXPECT_EQ(dashes[0].count, 8);
    EXPECT_EQ(dashes[2].phase, 1.0f);
    EXPECT_EQ(dashes[4].count, 0);
}

GxArrow builtInArrow(int entry)
{
    std::vector<GxArrow> arrows;
    GxInitializeArrowList(arrows);
    return arrows[4 - entry];
}

TEST(GxArrowPath, ShapesOfTheBuiltInArrows)
{
    const GxArrow rect = builtInArrow(3);
    const GxArrowPath* p = GxCalcArrowPath(&rect, 1.5f);
    ASSERT_NE(p, nullptr);
    // (-2, -2, 4, 4) times 1.5, each rounded: (-3, -3, 6, 6).
    const float rectCoords[8] = {-3, -3, -3, 3, 3, 3, 3, -3};
    ASSERT_EQ(p->numCoords, 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(p->coords[i], rectCoords[i]) << i;
    EXPECT_EQ(p->bbox[0], -3);
    EXPECT_EQ(p->bbox[3], 3);
    const unsigned char polyOps[6] = {0, 1, 3, 3, 3, 10};
    ASSERT_EQ(p->numOps, 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(p->ops[i], polyOps[i]);

    const GxArrow poly = builtInArrow(1);
    p = GxCalcArrowPath(&poly, 1.5f);
    ASSERT_NE(p, nullptr);
    EXPECT_FLOAT_EQ(p->coords[0], -1.3f * 1.5f); // fractions are kept
    EXPECT_FLOAT_EQ(p->bbox[2], 10.3f * 1.5f);
    EXPECT_FLOAT_EQ(p->bbox[1], -2.5f * 1.5f);

    const GxArrow oval = builtInArrow(4);
    p = GxCalcArrowPath(&oval, 1.0f);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->numOps, 7);
    EXPECT_EQ(p->ops[2], 5);
    ASSERT_EQ(p->numCoords, 26);
    // Starts and ends at the middle of the edge at y, passes the middle of
    // the edge at x + w, with the platform's circle constant.
    EXPECT_FLOAT_EQ(p->coords[0], 0.0f);
    EXPECT_FLOAT_EQ(p->coords[1], -2.0f);
    EXPECT_FLOAT_EQ(p->coords[6], 2.0f);
    EXPECT_FLOAT_EQ(p->coords[7], 0.0f);
    EXPECT_FLOAT_EQ(p->coords[2], 2.0f * 0.552276697f);
    EXPECT_FLOAT_EQ(p->coords[24], 0.0f);
    EXPECT_FLOAT_EQ(p->coords[25], -2.0f);

    const GxArrow none = builtInArrow(0);
    EXPECT_EQ(GxCalcArrowPath(&none, 1.0f), nullptr);
}

TEST(GxArrowPath, RectangleOfAnArrow)
{
    GxArrow rect = builtInArrow(3);
    kit::Rect r;
    ASSERT_NE(GxGetArrowRect(&rect, &r, 2.0f), nullptr);
    EXPECT_EQ(r, kit::makeRect(-4, -4, 8, 8));
    rect.flags |= GxArrowFixedSizeFlag;
    GxGetArrowRect(&rect, &r, 2.0f);
    EXPECT_EQ(r, kit::makeRect(-2, -2, 4, 4));
    const GxArrow poly = builtInArrow(2);
    GxGetArrowRect(&poly, &r, 1.0f);
    EXPECT_FLOAT_EQ(r.origin.x, -7.3f);
    EXPECT_FLOAT_EQ(r.size.width, 1.6f + 7.3f);
    GxArrow empty = builtInArrow(3);
    empty.count = 0;
    EXPECT_EQ(GxGetArrowRect(&empty, &r, 1.0f), nullptr);
}

TEST(GxArrowPath, DrawingMovesToTheLineEndAndTurnsAlongIt)
{
    kit::RecordingContext ctx;
    kit::DrawContext::Scope scope(ctx);
    const GxArrow rect = builtInArrow(3);
    const kit::Point start{0, 0}, end{0, 10};
    ASSERT_TRUE(GxDrawArrowForLine(&rect, &start, &end, 2.0f, false));
    const std::vector<std::string> lines = ctx.lines();
    const std::vector<std::string> expected = {"gsave", "translate 0 10", "rotate 90", "scale 2 2",
                                               "rectfill -2 -2 4 4", "grestore"};
    EXPECT_EQ(lines, expected);

    ctx.clear();
    const GxArrow none = builtInArrow(0);
    EXPECT_FALSE(GxDrawArrowForLine(&none, &start, &end, 1.0f, false));
    EXPECT_TRUE(ctx.ops().empty());

    ctx.clear();
    const GxArrow poly = builtInArrow(1);
    const kit::Point at{5, 5};
    ASSERT_TRUE(GxDrawArrow(&poly, &at, 1.0f, true));
    EXPECT_EQ(ctx.count("doUserPath"), 1u);
    EXPECT_EQ(ctx.lines()[2], "scale -1 -1");
}

TEST(GxArrowPath, HitTestsFollowTheLine)
{
    const GxArrow poly = builtInArrow(1); // tip at (10.3, 0) in its frame
    struct Case {
        const char* what;
        kit::Point start, end, point;
        bool flip;
        bool hit;
    } cases[] = {
        {"tip of a horizontal line", {0, 0}, {100, 0}, {108, 0}, false, true},
        {"beyond the tip", {0, 0}, {100, 0}, {112, 0}, false, false},
        {"behind the line's end, off the arrow", {0, 0}, {100, 0}, {95, 0}, false, false},
        {"tip of a vertical line", {0, 0}, {0, 100}, {0, 108}, false, true},
        {"beside a vertical line", {0, 0}, {0, 100}, {8, 100}, false, false},
        {"flipped tip", {0, 0}, {100, 0}, {108, 0}, true, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GxHitArrowForLineAtPoint(&poly, &c.start, &c.end, 1.0f, c.flip, &c.point), c.hit) << c.what;

    const kit::Point s{0, 0}, e{0, 100};
    const kit::Rect onTip = kit::makeRect(-1, 107, 2, 2);
    const kit::Rect aside = kit::makeRect(20, 107, 2, 2);
    EXPECT_TRUE(GxHitArrowForLineInRect(&poly, &s, &e, 1.0f, false, &onTip));
    EXPECT_FALSE(GxHitArrowForLineInRect(&poly, &s, &e, 1.0f, false, &aside));
}

TEST(GxRecords, NoDashAndNoArrowStandForNone)
{
    EXPECT_EQ(GxNoDash.count, 0);
    EXPECT_TRUE(GxEqualDash(nullptr, &GxNoDash));
    EXPECT_EQ(GxNoArrow.kind, 0);
    EXPECT_TRUE(GxEqualArrow(nullptr, &GxNoArrow));

    // Copied over a real record, they make it solid or arrowless.
    GxDash dash{2, 1.0f, {4, 2}};
    GxCopyDash(&dash, &GxNoDash);
    EXPECT_TRUE(GxEqualDash(&dash, nullptr));
    GxArrow arrow;
    arrow.kind = 1;
    arrow.count = 4;
    GxCopyArrow(&arrow, &GxNoArrow);
    const kit::Point at{5, 5};
    kit::RecordingContext ctx;
    kit::DrawContext::Scope scope(ctx);
    EXPECT_FALSE(GxDrawArrow(&arrow, &at, 1.0f, false));
    EXPECT_TRUE(ctx.ops().empty());
    GxLine line;
    GxInitLine(&line);
    GxSetLineDash(&line, &GxNoDash);
    EXPECT_EQ(GxGetLineDash(&line), nullptr);
}

// A line of width 3, red, dashed: every attribute differs from a new context.
GxLine thickRedDashedLine()
{
    GxLine line;
    GxInitLine(&line);
    GxSetLineWidth(&line, 3);
    GxSetLineColor(&line, kit::Color::redColor());
    const float dash[] = {4, 2};
    GxSetLineDashValues(&line, dash, 2, 1);
    return line;
}

void expectLineState(const kit::DrawContext& ctx, const char* where)
{
    SCOPED_TRACE(where);
    EXPECT_EQ(ctx.currentlinewidth(), 3);
    EXPECT_EQ(ctx.currentColor().space, kit::Color::Space::RGB);
    EXPECT_EQ(ctx.currentColor().components[0], 1);
    EXPECT_EQ(ctx.currentdash(), (std::vector<float>{4, 2}));
    EXPECT_EQ(ctx.currentdashoffset(), 1);
}

TEST(GxRecords, CachedStateIsSetOnlyWhenItChanges)
{
    kit::RecordingContext ctx;
    kit::DrawContext::Scope scope(ctx);
    const GxLine line = thickRedDashedLine();
    GxSetLine(&line, true);
    const std::size_t first = ctx.ops().size();
    EXPECT_EQ(first, 3u);
    GxSetLine(&line, true);
    EXPECT_EQ(ctx.ops().size(), first);
    GxSetLine(&line, false);
    EXPECT_EQ(ctx.ops().size(), 2 * first);
    expectLineState(ctx, "after the uncached call");
}

TEST(GxRecords, CachedStateFollowsGrestoreAndTheCurrentContext)
{
    const GxLine line = thickRedDashedLine();
    GxFill fill;
    GxInitFill(&fill);
    GxSetFillColor(&fill, kit::Color::redColor());

    kit::RecordingContext first;
    {
        kit::DrawContext::Scope scope(first);
        first.gsave();
        GxSetLine(&line, true);
        expectLineState(first, "inside gsave");
        first.grestore();
        EXPECT_EQ(first.currentlinewidth(), 1);
        GxSetLine(&line, true);
        expectLineState(first, "after grestore");
    }

    // Another context starts from its own state, whatever the first holds.
    kit::RecordingContext second;
    {
        kit::DrawContext::Scope scope(second);
        GxSetLine(&line, true);
        expectLineState(second, "in a new context");
    }
    kit::RecordingContext third;
    {
        kit::DrawContext::Scope scope(third);
        GxSetFill(&fill, true);
        EXPECT_EQ(third.count("setrgbcolor"), 1u);
        // Raw PostScript may set a colour the context cannot see.
        third.sendPostScript("0 setgray\n");
        GxSetFill(&fill, true);
        EXPECT_EQ(third.count("setrgbcolor"), 2u);
    }
}

} // namespace
