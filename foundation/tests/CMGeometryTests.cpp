#include "TestEnvironment.h"

#include "core/OutlineOverlay.h"
#include "foundation/CMGeometry.h"
#include "graphics/RecordingContext.h"

#include <cmath>
#include <limits>

namespace {

TEST(FoundationGeometry, BoundingRectsAndBoxes)
{
    const kit::Point line[3] = {{0, 5}, {10, 5}, {4, 5}};
    kit::Rect r;
    CMGetBoundingRect(&r, line, 3);
    EXPECT_EQ(r, kit::makeRect(0, 4, 10, 2));
    CMGetBoundingRect(&r, line, 0);
    EXPECT_EQ(r, kit::Rect{});
    float box[4];
    const kit::Rect source = kit::makeRect(1, 2, 3, 4);
    CMNSRectToBbox(&source, box);
    CMInsetBbox(box, 1, 1);
    CMBboxToNSRect(box, &r);
    EXPECT_EQ(r, kit::makeRect(2, 3, 1, 2));
    kit::Size s{100, 50};
    const kit::Size fit{20, 20};
    CMScaleSizeToSize(&s, &fit);
    EXPECT_EQ(s, (kit::Size{20, 10}));
}

TEST(FoundationGeometry, MatrixOperations)
{
    float m[4];
    getRotationMatrix(90, m);
    kit::Point p{1, 0};
    const kit::Point origin{0, 0};
    applyMatrixToPoint(&p, &origin, m);
    EXPECT_NEAR(p.x, 0, 1e-6);
    EXPECT_NEAR(p.y, 1, 1e-6);
    float m2[4] = {2, 3, 4, 5};
    concatMatrix(identity, m2);
    EXPECT_EQ(std::vector<float>(m2, m2 + 4), (std::vector<float>{2, 3, 4, 5}));
    float inverse[4];
    invertMatrix(m2, inverse);
    concatMatrix(m2, inverse);
    EXPECT_NEAR(inverse[0], 1, 1e-5);
    EXPECT_NEAR(inverse[1], 0, 1e-5);
    EXPECT_NEAR(inverse[3], 1, 1e-5);
    // A zero-scaled item has no inverse: no infinities come out.
    const float singular[4] = {0, 0, 0, 1};
    invertMatrix(singular, inverse);
    for (float v : inverse)
        EXPECT_TRUE(std::isfinite(v));
    const float tiny[4] = {1e-30f, 0, 0, 1e-30f};
    invertMatrix(tiny, inverse);
    for (float v : inverse)
        EXPECT_TRUE(std::isfinite(v));
    EXPECT_FLOAT_EQ(getLineWidthScale(2, 3), 2);
    EXPECT_FLOAT_EQ(getLineWidthScale(0.5f, 0.25f), 0.5f);
    EXPECT_FLOAT_EQ(getLineWidthScale(0.5f, 3), 1);
    kit::Rect r = kit::makeRect(0, 0, 10, 20);
    getShearMatrix(0.5f, 0, m);
    applyMatrixToRect(&r, &origin, m);
    EXPECT_EQ(r, kit::makeRect(0, 0, 20, 20));
}

TEST(FoundationGeometry, SharedGlobals)
{
    kit::Point p{3, -7};
    const kit::Point origin{1, 1};
    applyMatrixToPoint(&p, &origin, identity);
    EXPECT_EQ(p, (kit::Point{3, -7}));
    EXPECT_EQ(CMZoomStatus, 1.0f);

    const float saved = CMMaxImageSize;
    EXPECT_EQ(saved, 1440.0f);
    struct Case {
        kit::Size screen;
        float size;
    };
    const float nan = std::nanf("");
    const Case cases[] = {
        {{1920, 1080}, 1440}, {{768, 1024}, 768},        {{0, 0}, 768},
        {{-5, -5}, 768},      {{nan, 4000}, 768},        {{4000, std::numeric_limits<float>::infinity()}, 768},
    };
    for (const Case& c : cases) {
        CMSetMaxImageSizeForScreen(c.screen);
        EXPECT_EQ(CMMaxImageSize, c.size) << c.screen.width << " x " << c.screen.height;
    }
    CMMaxImageSize = saved;
}

TEST(FoundationGeometry, LineIntersection)
{
    struct Case {
        const char* what;
        kit::Point p1, p2, p3, p4;
        int result;
        kit::Point at;
    };
    const Case cases[] = {
        {"diagonals of a square", {0, 0}, {10, 10}, {0, 10}, {10, 0}, CMLinesIntersect, {5, 5}},
        {"diagonals below the origin", {-10, -10}, {0, 0}, {-10, 0}, {0, -10}, CMLinesIntersect, {-5, -5}},
        {"slanted crossing", {0, 0}, {4, 2}, {1, 3}, {3, -1}, CMLinesIntersect, {2, 1}},
        {"vertical and horizontal", {5, 0}, {5, 10}, {0, 3}, {10, 3}, CMLinesIntersect, {5, 3}},
        {"fractional crossing", {0.5f, 0.25f}, {10.5f, 0.25f}, {3.75f, -5}, {3.75f, 5}, CMLinesIntersect, {3.75f, 0.25f}},
        {"far from the origin", {10000, 0}, {10010, 10}, {10000, 10}, {10010, 0}, CMLinesIntersect, {10005, 5}},
        {"touching at ends", {0, 0}, {10, 0}, {10, 0}, {10, 10}, CMLinesIntersect, {10, 0}},
        {"one end on the other segment", {0, 0}, {10, 0}, {4, 0}, {4, 7}, CMLinesIntersect, {4, 0}},
        {"crossing beyond both segments", {0, 0}, {1, 1}, {3, 0}, {2, 1}, CMLinesDontIntersect, {}},
        {"second segment beside the first", {0, 0}, {10, 0}, {5, 1}, {5, 9}, CMLinesDontIntersect, {}},
        {"parallel apart", {0, 0}, {10, 0}, {0, 1}, {10, 1}, CMLinesDontIntersect, {}},
        {"collinear apart", {0, 0}, {1, 0}, {2, 0}, {3, 0}, CMLinesDontIntersect, {}},
        {"collinear overlapping", {0, 0}, {2, 0}, {1, 0}, {3, 0}, CMLinesParallel, {}},
        {"vertical collinear apart", {0, 0}, {0, 1}, {0, 2}, {0, 3}, CMLinesDontIntersect, {}},
        {"vertical collinear overlapping", {0, 0}, {0, 2}, {0, 1}, {0, 3}, CMLinesParallel, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        kit::Point at{-99, -99};
        EXPECT_EQ(CMLineIntersection(&c.p1, &c.p2, &c.p3, &c.p4, &at), c.result);
        const kit::Point expected = c.result == CMLinesIntersect ? c.at : kit::Point{-99, -99};
        EXPECT_FLOAT_EQ(at.x, expected.x);
        EXPECT_FLOAT_EQ(at.y, expected.y);
        // The same crossing whichever segment comes first.
        kit::Point swapped{-99, -99};
        EXPECT_EQ(CMLineIntersection(&c.p3, &c.p4, &c.p1, &c.p2, &swapped), c.result);
        EXPECT_FLOAT_EQ(swapped.x, expected.x);
        EXPECT_FLOAT_EQ(swapped.y, expected.y);
    }
}

TEST(FoundationGeometry, AnglesAndConstraints)
{
    const kit::Point a{0, 0};
    struct Case {
        kit::Point b;
        float degrees;
    };
    const Case cases[] = {{{1, 0}, 0}, {{0, 1}, 90}, {{-1, 0}, 180}, {{0, -1}, 270}, {{0, 0}, 0}};
    for (const Case& c : cases)
        EXPECT_NEAR(CMAngleOfLine(&a, &c.b), c.degrees, 1e-3);
    kit::Point p{10, 9};
    CMConstrainPointToDirection(&a, &p, true);
    EXPECT_NEAR(p.x, std::hypot(10.0f, 9.0f) / std::sqrt(2.0f), 1e-3);
    EXPECT_NEAR(p.y, p.x, 1e-3);
    p = {10, 3};
    CMConstrainPointToDirection(&a, &p, false);
    EXPECT_NEAR(p.y, 0, 1e-4);
    kit::Point q{0, 5};
    CMConstrainPointToDirection(&a, &q, true);
    EXPECT_EQ(q, (kit::Point{0, 5}));
    kit::Point r{-10, -2};
    CMConstrainPointToProportions(&a, &r, 2.0f);
    EXPECT_EQ(r, (kit::Point{-4, -2}));
}

TEST(FoundationGeometry, ScaleValues)
{
    struct Case {
        const char* text;
        bool ok;
        float sx, sy;
    };
    const Case cases[] = {{"150", true, 150, 150},       {"150 200", true, 150, 200}, {"150 x 200", true, 150, 200},
                          {"150/200", true, 150, 200},   {"150,200", true, 150, 200}, {"abc", false, 7, 8},
                          {"nan", false, 7, 8},          {"inf/100", false, 7, 8},    {"100 1e40", false, 7, 8}};
    for (const Case& c : cases) {
        float sx = 7, sy = 8;
        EXPECT_EQ(getScaleValues(c.text, &sx, &sy), c.ok) << c.text;
        EXPECT_FLOAT_EQ(sx, c.sx) << c.text;
        EXPECT_FLOAT_EQ(sy, c.sy) << c.text;
    }
}

class FoundationScaleLimits : public DefaultsFolderTest {};

TEST_F(FoundationScaleLimits, ClampsAndAsks)
{
    makeDelegate();
    const std::vector<kit::Size> item{{100, 100}};
    float sx = 300, sy = -300;
    alerts_->pushAnswer(kit::AlertDefaultReturn);
    EXPECT_TRUE(limitScale(std::span<const kit::Size>(item), &sx, &sy));
    EXPECT_FLOAT_EQ(sx, 200);
    EXPECT_FLOAT_EQ(sy, -200);
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(alerts_->shown()[0].message, Main->valueForStringKey("LargeElements"));
    sx = sy = 0.001f;
    alerts_->pushAnswer(kit::AlertAlternateReturn);
    EXPECT_FALSE(limitScale(std::span<const kit::Size>(item), &sx, &sy));
    EXPECT_FLOAT_EQ(sx, 0.005f);
    EXPECT_EQ(alerts_->shown()[1].message, Main->valueForStringKey("SmallElements"));
    EXPECT_EQ(alerts_->beeps(), 2);
    sx = sy = 1.5f;
    EXPECT_TRUE(limitScale(std::span<const kit::Size>(item), &sx, &sy));
    EXPECT_EQ(alerts_->shown().size(), 2u);
}

TEST_F(FoundationScaleLimits, LinesWithoutHeightNeverDivideByZero)
{
    makeDelegate();
    const std::vector<kit::Size> line{{100, 0}};
    float sx = 1000, sy = 1000;
    limitScale(std::span<const kit::Size>(line), &sx, &sy);
    EXPECT_TRUE(std::isfinite(sx));
    EXPECT_TRUE(std::isfinite(sy));
    EXPECT_FLOAT_EQ(sx, 200);
    sx = sy = 2;
    EXPECT_TRUE(limitScale(std::span<const kit::Size>(line), &sx, &sy));
    EXPECT_FLOAT_EQ(sx, 2);
    EXPECT_FLOAT_EQ(sy, 2);
    EXPECT_EQ(alerts_->shown().size(), 1u);
}

TEST(FoundationGeometryDrawing, RectanglePathsOnScreenAndWhenPrinting)
{
    kit::RecordingContext context;
    kit::DrawContext::Scope scope(context);
    const kit::Rect rect = kit::makeRect(10, 10, 20, 10);
    float m[4];
    getRotationMatrix(90, m);
    kit::Rect frame;
    context.setDrawingToScreen(true);
    CMFrameRectWithMatrix(&rect, m, &frame);
    EXPECT_NEAR(frame.origin.x, 0, 1e-4);
    EXPECT_NEAR(frame.size.width, 10, 1e-4);
    EXPECT_NEAR(frame.size.height, 20, 1e-4);
    ASSERT_EQ(context.count("doUserPath"), 1u);
    EXPECT_EQ(context.lastOp()->code, 183);
    context.setDrawingToScreen(false);
    CMRectFillWithMatrix(&rect, m, nullptr);
    EXPECT_EQ(context.count("doUserPath"), 1u);
    EXPECT_EQ(context.lastOp()->name, "grestore");
    EXPECT_EQ(context.count("fill"), 1u);
    EXPECT_EQ(context.count("lineto"), 3u);
    const CMRectPath* path = CMCalcRectPath(&rect);
    EXPECT_EQ(std::vector<float>(path->bbox, path->bbox + 4), (std::vector<float>{10, 10, 30, 20}));
    EXPECT_EQ(path->coords[6], 30); // second corner (maxX, minY)
}

TEST(FoundationGeometryDrawing, ResizeOutlineIsFourStrips)
{
    auto overlay = std::make_shared<kit::RecordingOutlineOverlay>();
    kit::setOutlineOverlay(overlay);
    CMBeginResizeWindow(kit::makeRect(0, 0, 100, 50));
    CMEndResizeWindow();
    kit::setOutlineOverlay(nullptr);
    ASSERT_EQ(overlay->placed.size(), 4u);
    EXPECT_EQ(overlay->placed[0], kit::makeRect(0, 0, 1, 50));
    EXPECT_EQ(overlay->placed[1], kit::makeRect(1, 0, 99, 1));
    EXPECT_EQ(overlay->placed[2], kit::makeRect(99, 1, 1, 49));
    EXPECT_EQ(overlay->placed[3], kit::makeRect(1, 49, 98, 1));
    EXPECT_EQ(overlay->calls.front(), "create");
    EXPECT_EQ(overlay->calls.back(), "remove");
}

} // namespace
