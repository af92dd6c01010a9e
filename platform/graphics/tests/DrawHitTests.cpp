#include "graphics/DrawContext.h"
#include "graphics/RecordingContext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using kit::Matrix;
using kit::RecordingContext;
using kit::UserPath;

namespace {

// Builds an encoded user path the way the system's path buffer does.
struct PathBuilder {
    std::vector<float> coords;
    std::vector<unsigned char> ops;

    PathBuilder& op(unsigned char code, std::initializer_list<float> numbers)
    {
        coords.insert(coords.end(), numbers);
        ops.push_back(code);
        return *this;
    }
    PathBuilder& moveto(float x, float y) { return op(1, {x, y}); }
    PathBuilder& lineto(float x, float y) { return op(3, {x, y}); }
    PathBuilder& curveto(float x1, float y1, float x2, float y2, float x3, float y3)
    {
        return op(5, {x1, y1, x2, y2, x3, y3});
    }
    PathBuilder& arc(float x, float y, float r, float a1, float a2) { return op(7, {x, y, r, a1, a2}); }
    PathBuilder& closepath() { return op(10, {}); }
    PathBuilder& rect(float x, float y, float w, float h)
    {
        return moveto(x, y).lineto(x + w, y).lineto(x + w, y + h).lineto(x, y + h).closepath();
    }
    PathBuilder& rectClockwise(float x, float y, float w, float h)
    {
        return moveto(x, y).lineto(x, y + h).lineto(x + w, y + h).lineto(x + w, y).closepath();
    }
    UserPath path() const { return UserPath{coords, ops}; }
};

PathBuilder rectangle() { return PathBuilder().rect(0, 0, 100, 50); }
PathBuilder triangle() { return PathBuilder().moveto(0, 0).lineto(100, 0).lineto(50, 80).closepath(); }
PathBuilder circle() { return PathBuilder().arc(50, 50, 40, 0, 360).closepath(); }
// Peaks at (50, 75).
PathBuilder bezier() { return PathBuilder().moveto(0, 0).curveto(0, 100, 100, 100, 100, 0).closepath(); }

struct NamedMatrix {
    const char* name;
    Matrix matrix;
};

// The answers do not depend on the matrix: paths and points are both in
// user space. Each matrix here makes a device pixel smaller than a user unit.
const NamedMatrix kMatrices[] = {
    {"identity", Matrix::identity()},
    {"translated, scaled and rotated", Matrix::identity().translated(200, 100).scaled(2, 1.5f).rotated(30)},
    {"flipped and rotated a quarter", Matrix{1, 0, 0, -1, 0, 800}.translated(300, 300).rotated(90).scaled(3, 3)},
};

} // namespace

TEST(DrawHitTest, PointsOnAndOffFilledAndStrokedShapes)
{
    struct Case {
        const char* shape;
        PathBuilder (*make)();
        float x, y;
        bool filled, stroked; // stroked with width 4
    };
    const Case cases[] = {
        {"rectangle", rectangle, 50, 25, true, false},
        {"rectangle", rectangle, 50, 1, true, true},
        {"rectangle", rectangle, 50, -1.5f, false, true},
        {"rectangle", rectangle, 50, -3, false, false},
        {"rectangle", rectangle, 101, 49, false, true},
        {"rectangle", rectangle, 150, 25, false, false},
        {"triangle", triangle, 50, 40, true, false},
        {"triangle", triangle, 50, 79, true, true},
        {"triangle", triangle, 10, 30, false, false},
        {"triangle", triangle, 90, 0.5f, true, true},
        {"circle", circle, 50, 50, true, false},
        {"circle", circle, 50, 89, true, true},
        {"circle", circle, 50, 91.5f, false, true},
        {"circle", circle, 80, 80, false, false},
        {"circle", circle, 11.5f, 50, true, true},
        {"bezier", bezier, 50, 70, true, false},
        {"bezier", bezier, 50, 74, true, true},
        {"bezier", bezier, 50, 76.5f, false, true},
        {"bezier", bezier, 50, -5, false, false},
        {"bezier", bezier, 95, 20, true, false},
    };
    for (const NamedMatrix& m : kMatrices) {
        RecordingContext ctx;
        ctx.setmatrix(m.matrix);
        ctx.setlinewidth(4);
        for (const Case& c : cases) {
            PathBuilder path = c.make();
            EXPECT_EQ(ctx.inufill(c.x, c.y, path.path()), c.filled)
                << c.shape << " fill at " << c.x << " " << c.y << " under " << m.name;
            EXPECT_EQ(ctx.inueofill(c.x, c.y, path.path()), c.filled)
                << c.shape << " eofill at " << c.x << " " << c.y << " under " << m.name;
            EXPECT_EQ(ctx.inustroke(c.x, c.y, path.path()), c.stroked)
                << c.shape << " stroke at " << c.x << " " << c.y << " under " << m.name;
        }
        EXPECT_TRUE(ctx.ops().size() == 2u) << "hit tests draw nothing";
        EXPECT_TRUE(ctx.lastError().empty()) << ctx.lastError();
    }
}

TEST(DrawHitTest, EvenOddAndNonZeroDifferOnlyInsideAHoleOfTheSameDirection)
{
    const PathBuilder sameDirection = PathBuilder().rect(0, 0, 100, 100).rect(25, 25, 50, 50);
    const PathBuilder reversed = PathBuilder().rect(0, 0, 100, 100).rectClockwise(25, 25, 50, 50);
    for (const NamedMatrix& m : kMatrices) {
        RecordingContext ctx;
        ctx.setmatrix(m.matrix);
        EXPECT_TRUE(ctx.inufill(50, 50, sameDirection.path())) << m.name;
        EXPECT_FALSE(ctx.inueofill(50, 50, sameDirection.path())) << m.name;
        EXPECT_FALSE(ctx.inufill(50, 50, reversed.path())) << m.name;
        EXPECT_FALSE(ctx.inueofill(50, 50, reversed.path())) << m.name;
        // Between the two outlines both rules fill.
        EXPECT_TRUE(ctx.inufill(10, 10, sameDirection.path())) << m.name;
        EXPECT_TRUE(ctx.inueofill(10, 10, reversed.path())) << m.name;
    }
}

TEST(DrawHitTest, StrokeHitsDependOnTheCurrentLineWidth)
{
    const PathBuilder box = PathBuilder().rect(0, 0, 100, 100);
    struct Case {
        float width, x, y;
        bool hit;
    };
    const Case cases[] = {
        {10, 50, 104, true}, {10, 50, 106, false}, {10, 50, 96, true},  {10, 50, 94, false},
        {14, 50, 106, true}, {14, 50, 93.5f, true},   {14, 50, 92, false},
        // A zero width is the thinnest line the device draws: one pixel.
        {0, 50, 100, true},  {0, 50, 100.5f, true}, {0, 50, 103, false}, {0, 50, 50, false},
    };
    for (const NamedMatrix& m : kMatrices) {
        RecordingContext ctx;
        ctx.setmatrix(m.matrix);
        for (const Case& c : cases) {
            ctx.setlinewidth(c.width);
            if (c.width == 0 && !m.matrix.isIdentity())
                continue; // pixel-sized answers differ with the pixel size
            EXPECT_EQ(ctx.inustroke(c.x, c.y, box.path()), c.hit)
                << "width " << c.width << " at " << c.x << " " << c.y << " under " << m.name;
        }
    }
}

TEST(DrawHitTest, PixelTolerancesShrinkWhenTheMatrixZoomsIn)
{
    const PathBuilder box = PathBuilder().rect(0, 0, 100, 100);
    RecordingContext ctx;
    ctx.setlinewidth(0);
    // At 1:1 a device pixel is a unit: half a unit off the edge is still in
    // the pixel a line along the edge paints. A fill paints a pixel only
    // where it covers some of it: the pixel beyond its edge stays clear,
    // the one it reaches into by a quarter does not.
    EXPECT_TRUE(ctx.inustroke(50, 100.5f, box.path()));
    EXPECT_FALSE(ctx.inufill(50, 100.5f, box.path()));
    EXPECT_TRUE(ctx.inufill(50, 99.5f, box.path()));
    const PathBuilder taller = PathBuilder().rect(0, 0, 100, 100.25f);
    EXPECT_TRUE(ctx.inufill(50, 100.9f, taller.path()));
    EXPECT_FALSE(ctx.inufill(50, 101.1f, taller.path()));
    // Zoomed in ten times, the same point is five pixels away.
    ctx.scale(10, 10);
    EXPECT_FALSE(ctx.inustroke(50, 100.5f, box.path()));
    EXPECT_FALSE(ctx.inufill(50, 100.9f, taller.path()));
    EXPECT_TRUE(ctx.inustroke(50, 100.05f, box.path()));
    EXPECT_TRUE(ctx.inufill(50, 100.28f, taller.path()));
    EXPECT_FALSE(ctx.inufill(50, 100.32f, taller.path()));
    // A line width is in user space: zooming does not change who is inside.
    ctx.setlinewidth(4);
    EXPECT_TRUE(ctx.inustroke(50, 101.9f, box.path()));
    EXPECT_FALSE(ctx.inustroke(50, 102.2f, box.path()));
}

TEST(DrawHitTest, LoneMovetoIsADotOnlyWithRoundCaps)
{
    const PathBuilder dot = PathBuilder().moveto(10, 10);
    RecordingContext ctx;
    ctx.setlinewidth(6);
    EXPECT_FALSE(ctx.inustroke(12, 10, dot.path()));
    ctx.setlinecap(1);
    EXPECT_TRUE(ctx.inustroke(12, 10, dot.path()));
    EXPECT_FALSE(ctx.inustroke(14, 10, dot.path()));
    EXPECT_FALSE(ctx.inufill(10, 10, dot.path()));
}

TEST(DrawHitTest, ApertureAgainstFilledAndStrokedPaths)
{
    struct Case {
        const char* what;
        PathBuilder aperture;
        bool filled, stroked; // against the triangle, stroked with width 4
    };
    const Case cases[] = {
        {"deep inside", PathBuilder().rect(45, 20, 10, 10), true, false},
        {"far away", PathBuilder().rect(200, 200, 10, 10), false, false},
        {"holding the whole triangle", PathBuilder().rect(-10, -10, 120, 100), true, true},
        {"across an edge", PathBuilder().rect(40, -5, 10, 10), true, true},
        {"just outside, within half the width", PathBuilder().rect(40, -3, 10, 1.5f), false, true},
        {"outside beyond half the width", PathBuilder().rect(40, -10, 10, 5), false, false},
        {"a circle round the apex", PathBuilder().arc(50, 80, 3, 0, 360).closepath(), true, true},
    };
    for (const NamedMatrix& m : kMatrices) {
        RecordingContext ctx;
        ctx.setmatrix(m.matrix);
        ctx.setlinewidth(4);
        const PathBuilder path = triangle();
        for (const Case& c : cases) {
            EXPECT_EQ(ctx.inufill(c.aperture.path(), path.path()), c.filled) << c.what << " under " << m.name;
            EXPECT_EQ(ctx.inustroke(c.aperture.path(), path.path()), c.stroked) << c.what << " under " << m.name;
        }
    }
}

TEST(DrawHitTest, ApertureInsideAHoleMissesTheFill)
{
    const PathBuilder ring = PathBuilder().rect(0, 0, 100, 100).rectClockwise(25, 25, 50, 50);
    const PathBuilder aperture = PathBuilder().rect(45, 45, 10, 10);
    RecordingContext ctx;
    EXPECT_FALSE(ctx.inufill(aperture.path(), ring.path()));
    ctx.setlinewidth(50);
    EXPECT_TRUE(ctx.inustroke(aperture.path(), ring.path())) << "a wide stroke of the hole's edge reaches it";
}

TEST(DrawHitTest, SingularMatrixAndEmptyPathsNeverHit)
{
    RecordingContext ctx;
    const PathBuilder empty;
    EXPECT_FALSE(ctx.inufill(0, 0, empty.path()));
    EXPECT_FALSE(ctx.inustroke(0, 0, empty.path()));
    EXPECT_FALSE(ctx.inufill(rectangle().path(), empty.path()));
    ctx.setmatrix(Matrix::scaling(0, 0));
    EXPECT_FALSE(ctx.inustroke(50, 0, rectangle().path()));
    EXPECT_FALSE(ctx.inustroke(rectangle().path(), rectangle().path()));
}
