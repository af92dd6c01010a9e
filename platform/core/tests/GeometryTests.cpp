#include "core/Color.h"
#include "core/Geometry.h"
#include "core/PaperSize.h"

#include <gtest/gtest.h>

using namespace kit;

TEST(Geometry, UnionAndIntersectionAtEdges)
{
    struct Case {
        Rect a, b, uni, inter;
    } cases[] = {
        // overlapping
        {makeRect(0, 0, 10, 10), makeRect(5, 5, 10, 10), makeRect(0, 0, 15, 15), makeRect(5, 5, 5, 5)},
        // touching edges: no intersection, union spans both
        {makeRect(0, 0, 10, 10), makeRect(10, 0, 5, 10), makeRect(0, 0, 15, 10), Rect{}},
        // empty rectangles contribute nothing to a union
        {makeRect(0, 0, 0, 10), makeRect(3, 4, 5, 6), makeRect(3, 4, 5, 6), Rect{}},
        {makeRect(3, 4, 5, 6), makeRect(100, 100, 10, -1), makeRect(3, 4, 5, 6), Rect{}},
        // contained
        {makeRect(0, 0, 100, 100), makeRect(10, 20, 30, 40), makeRect(0, 0, 100, 100), makeRect(10, 20, 30, 40)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(unionRect(c.a, c.b), c.uni) << stringFromRect(c.a) << " " << stringFromRect(c.b);
        EXPECT_EQ(unionRect(c.b, c.a), c.uni);
        EXPECT_EQ(intersectionRect(c.a, c.b), c.inter) << stringFromRect(c.a) << " " << stringFromRect(c.b);
        EXPECT_EQ(intersectsRect(c.a, c.b), !isEmptyRect(c.inter));
    }
}

TEST(Geometry, InsetOffsetIntegral)
{
    EXPECT_EQ(insetRect(makeRect(0, 0, 10, 10), 2, 3), makeRect(2, 3, 6, 4));
    EXPECT_EQ(insetRect(makeRect(0, 0, 10, 10), -1, -1), makeRect(-1, -1, 12, 12));
    EXPECT_EQ(offsetRect(makeRect(1, 2, 3, 4), -1, 10), makeRect(0, 12, 3, 4));
    EXPECT_EQ(integralRect(makeRect(0.5f, -0.5f, 10.2f, 3.0f)), makeRect(0, -1, 11, 4));
    EXPECT_EQ(integralRect(makeRect(-1.5f, 2, 1, 1)), makeRect(-2, 2, 2, 1));
    EXPECT_EQ(integralRect(makeRect(5, 5, 0, 3)), Rect{});
}

TEST(Geometry, DivideFromEachEdgeClampsTheAmount)
{
    const Rect r = makeRect(10, 20, 100, 50);
    struct Case {
        RectEdge edge;
        float amount;
        Rect slice, rem;
    } cases[] = {
        {RectEdge::MinX, 30, makeRect(10, 20, 30, 50), makeRect(40, 20, 70, 50)},
        {RectEdge::MaxX, 30, makeRect(80, 20, 30, 50), makeRect(10, 20, 70, 50)},
        {RectEdge::MinY, 10, makeRect(10, 20, 100, 10), makeRect(10, 30, 100, 40)},
        {RectEdge::MaxY, 10, makeRect(10, 60, 100, 10), makeRect(10, 20, 100, 40)},
        {RectEdge::MinX, 500, makeRect(10, 20, 100, 50), makeRect(110, 20, 0, 50)},
        {RectEdge::MaxY, -5, makeRect(10, 70, 100, 0), makeRect(10, 20, 100, 50)},
    };
    for (const auto& c : cases) {
        Rect slice, rem;
        divideRect(r, slice, rem, c.amount, c.edge);
        EXPECT_EQ(slice, c.slice) << static_cast<int>(c.edge) << " " << c.amount;
        EXPECT_EQ(rem, c.rem) << static_cast<int>(c.edge) << " " << c.amount;
    }
    // The outputs may be the input itself.
    Rect a = r, b;
    divideRect(a, b, a, 30, RectEdge::MinX);
    EXPECT_EQ(b, makeRect(10, 20, 30, 50));
    EXPECT_EQ(a, makeRect(40, 20, 70, 50));
}

TEST(Geometry, MouseInRectEdgesFlippedAndNot)
{
    const Rect r = makeRect(0, 0, 10, 10);
    struct Case {
        Point p;
        bool flipped, unflipped;
    } cases[] = {
        {{0, 0}, true, false},   {{0, 10}, false, true}, {{10, 5}, false, false},
        {{9.9f, 9.9f}, true, true}, {{-0.1f, 5}, false, false}, {{5, 5}, true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(mouseInRect(c.p, r, true), c.flipped) << c.p.x << "," << c.p.y;
        EXPECT_EQ(mouseInRect(c.p, r, false), c.unflipped) << c.p.x << "," << c.p.y;
    }
    EXPECT_FALSE(mouseInRect({0, 0}, makeRect(0, 0, 0, 10), true));
    EXPECT_TRUE(containsRect(r, makeRect(0, 0, 10, 10)));
    EXPECT_FALSE(containsRect(r, makeRect(0, 0, 10.5f, 10)));
    EXPECT_FALSE(containsRect(r, makeRect(2, 2, 0, 0)));
}

TEST(Geometry, StringFormsReadBack)
{
    const Rect r = makeRect(1.5f, -2, 640, 480.25f);
    EXPECT_EQ(stringFromRect(r), "{{1.5, -2}, {640, 480.25}}");
    EXPECT_EQ(rectFromString(stringFromRect(r)), r);
    EXPECT_EQ(stringFromPoint({3, 4}), "{3, 4}");
    EXPECT_EQ(pointFromString("{3, 4}"), makePoint(3, 4));
    EXPECT_EQ(sizeFromString("{7,8}"), makeSize(7, 8));
    // Missing numbers read as zero, as the platform does.
    EXPECT_EQ(rectFromString("{{1, 2}"), makeRect(1, 2, 0, 0));
    EXPECT_EQ(rectFromString("garbage"), Rect{});
    // Infinity and NaN are no numbers: a frame read from the defaults stays
    // finite, and what is written reads back the same.
    EXPECT_EQ(rectFromString("+inf 2 3 4"), makeRect(0, 2, 3, 4));
    EXPECT_EQ(rectFromString("{{-inf, -nan}, {1e39, 5}}"), makeRect(0, 0, 0, 5));
    EXPECT_EQ(sizeFromString("{-infinity, 2}"), makeSize(0, 2));

    EXPECT_EQ(plainStringFromRect(r), "1.5 -2 640 480.25");
    EXPECT_EQ(rectFromPlainString("99 41 644 792"), makeRect(99, 41, 644, 792));
    EXPECT_EQ(rectFromPlainString(" 1 2 3 4 \n"), makeRect(1, 2, 3, 4));
    for (const char* bad : {"", "1 2 3", "1 2 3 x", "1 2 3 4 5", "nan 1 2 3", "1,5 2 3 4"})
        EXPECT_FALSE(rectFromPlainString(bad).has_value()) << bad;
}

TEST(Color, SharedNamedColoursAndValueEquality)
{
    EXPECT_EQ(Color::whiteColor(), Color::whiteColor());
    EXPECT_EQ(Color::blackColor()->copy(), Color::blackColor());
    EXPECT_EQ(Color::namedColor("red"), Color::redColor());
    EXPECT_EQ(Color::namedColor("nothing"), nullptr);

    auto grey = Color::colorWithGray(1.0f);
    EXPECT_NE(grey, Color::whiteColor()); // not the very same object...
    EXPECT_TRUE(grey->isEqual(*Color::whiteColor())); // ...but equal
    EXPECT_FALSE(Color::clearColor()->isEqual(*Color::blackColor())); // alpha differs
    EXPECT_FALSE(Color::colorWithDeviceCyan(0, 0, 0, 1)->isEqual(*Color::blackColor())); // space differs

    auto c = Color::colorWithDeviceCyan(0.1f, 0.2f, 0.3f, 0.4f, 0.5f);
    float cc, m, y, k;
    c->getCyan(cc, m, y, k);
    EXPECT_FLOAT_EQ(cc, 0.1f);
    EXPECT_FLOAT_EQ(k, 0.4f);
    EXPECT_FLOAT_EQ(c->alphaComponent(), 0.5f);
    EXPECT_EQ(c->description(), "DeviceCMYK 0.1 0.2 0.3 0.4 0.5");
    // Out-of-range components are clamped rather than stored.
    auto wild = Color::colorWithGray(7.0f, -1.0f);
    EXPECT_FLOAT_EQ(wild->whiteComponent(), 1.0f);
    EXPECT_FLOAT_EQ(wild->alphaComponent(), 0.0f);

    Color::blackColor()->getCyan(cc, m, y, k);
    EXPECT_FLOAT_EQ(k, 1.0f);
    float r, g, b;
    Color::redColor()->getRed(r, g, b);
    EXPECT_FLOAT_EQ(r, 1.0f);
    EXPECT_FLOAT_EQ(g, 0.0f);
    EXPECT_NEAR(Color::lightGrayColor()->grayLevel(), 2.0f / 3.0f, 1e-6);
}

TEST(Geometry, PaperNames)
{
    struct Case {
        const char* name;
        float w, h;
    } cases[] = {{"Letter", 612, 792}, {"A4", 595, 842}, {"Legal", 612, 1008}, {"A5", 420, 595}};
    for (const auto& c : cases) {
        auto s = sizeForPaperName(c.name);
        ASSERT_TRUE(s.has_value()) << c.name;
        EXPECT_EQ(*s, makeSize(c.w, c.h)) << c.name;
        EXPECT_EQ(paperNameForSize(makeSize(c.h, c.w)), c.name);
    }
    EXPECT_FALSE(sizeForPaperName("letter").has_value());
    EXPECT_FALSE(sizeForPaperName("").has_value());
}
