#include "graphics/Matrix.h"

#include <gtest/gtest.h>

#include <cmath>

using kit::Matrix;
using kit::Point;

namespace {

void expectNear(const Matrix& actual, const Matrix& expected, float tolerance = 1e-5f)
{
    EXPECT_NEAR(actual.a, expected.a, tolerance) << actual.description();
    EXPECT_NEAR(actual.b, expected.b, tolerance) << actual.description();
    EXPECT_NEAR(actual.c, expected.c, tolerance) << actual.description();
    EXPECT_NEAR(actual.d, expected.d, tolerance) << actual.description();
    EXPECT_NEAR(actual.tx, expected.tx, tolerance) << actual.description();
    EXPECT_NEAR(actual.ty, expected.ty, tolerance) << actual.description();
}

} // namespace

TEST(Matrix, ConcatMultipliesInPostScriptOrder)
{
    struct Case {
        Matrix m1, m2, product;
    };
    const Case cases[] = {
        {Matrix::identity(), {2, 3, 4, 5, 6, 7}, {2, 3, 4, 5, 6, 7}},
        {{2, 3, 4, 5, 6, 7}, Matrix::identity(), {2, 3, 4, 5, 6, 7}},
        // Translate first, then scale: the translation is scaled too.
        {Matrix::translation(10, 20), Matrix::scaling(2, 3), {2, 0, 0, 3, 20, 60}},
        // Scale first, then translate: the translation is not.
        {Matrix::scaling(2, 3), Matrix::translation(10, 20), {2, 0, 0, 3, 10, 20}},
        {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}, {25, 28, 57, 64, 100, 112}},
        // A quarter turn twice is a half turn.
        {Matrix::rotation(90), Matrix::rotation(90), {-1, 0, 0, -1, 0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kit::concatMatrix(c.m1, c.m2), c.product) << c.m1.description() << " x " << c.m2.description();
}

TEST(Matrix, CtmOperatorsApplyTheNewTransformationFirst)
{
    // "10 0 translate 2 2 scale": user (1, 1) is scaled, then moved.
    Matrix ctm = Matrix::identity().translated(10, 0).scaled(2, 2);
    EXPECT_EQ(ctm.transform({1, 1}), (Point{12, 2}));

    // Under a page matrix that flips y, a translation moves down the page.
    Matrix flipped = Matrix{1, 0, 0, -1, 0, 792}.translated(0, 100);
    EXPECT_EQ(flipped.transform({0, 0}), (Point{0, 692}));

    EXPECT_EQ(Matrix::scaling(2, 2).concatenated(Matrix::translation(5, 5)), (Matrix{2, 0, 0, 2, 10, 10}));
}

TEST(Matrix, RotateQuarterTurnIsExact)
{
    Matrix r = Matrix::rotation(90);
    EXPECT_EQ(r, (Matrix{0, 1, -1, 0, 0, 0}));
    EXPECT_EQ(r.transform({1, 0}), (Point{0, 1}));
    EXPECT_EQ(r.transform({0, 1}), (Point{-1, 0}));
    EXPECT_EQ(Matrix::rotation(-90).transform({1, 0}), (Point{0, -1}));
    EXPECT_EQ(Matrix::rotation(450), r);
    EXPECT_EQ(Matrix::rotation(-270), r);

    // translate then rotate, as "100 50 translate 90 rotate" does.
    Matrix ctm = Matrix::identity().translated(100, 50).rotated(90);
    EXPECT_EQ(ctm.transform({10, 0}), (Point{100, 60}));
    EXPECT_EQ(ctm.transform({0, 10}), (Point{90, 50}));

    Point p = Matrix::rotation(30).transform({2, 0});
    EXPECT_NEAR(p.x, 2 * std::cos(M_PI / 6), 1e-6);
    EXPECT_NEAR(p.y, 1.0, 1e-6);
}

TEST(Matrix, InverseUndoesTheTransformation)
{
    const Matrix matrices[] = {
        Matrix::identity(),
        Matrix::translation(-30, 12.5f),
        Matrix::scaling(0.25f, 4),
        Matrix::rotation(37),
        Matrix::identity().translated(200, 100).scaled(2, 1.5f).rotated(30),
        {1, 0.5f, -0.25f, 2, 3, -7},
    };
    for (const Matrix& m : matrices) {
        auto inverse = m.inverted();
        ASSERT_TRUE(inverse) << m.description();
        expectNear(kit::concatMatrix(m, *inverse), Matrix::identity());
        expectNear(kit::concatMatrix(*inverse, m), Matrix::identity());
        const Point samples[] = {{0, 0}, {13, -7}, {-250.5f, 1000}};
        for (Point s : samples) {
            auto back = m.itransform(m.transform(s));
            ASSERT_TRUE(back);
            EXPECT_NEAR(back->x, s.x, 1e-3) << m.description();
            EXPECT_NEAR(back->y, s.y, 1e-3) << m.description();
            auto dback = m.idtransform(m.dtransform(s));
            ASSERT_TRUE(dback);
            EXPECT_NEAR(dback->x, s.x, 1e-3);
            EXPECT_NEAR(dback->y, s.y, 1e-3);
        }
    }
}

TEST(Matrix, SingularAndNonFiniteMatricesHaveNoInverse)
{
    const Matrix matrices[] = {
        Matrix::scaling(0, 1),
        {1, 2, 2, 4, 0, 0},
        {NAN, 0, 0, 1, 0, 0},
        {1, 0, 0, 1, INFINITY, 0},
        {1e-39f, 0, 0, 1e-39f, 0, 0}, // the inverse overflows a float
    };
    for (const Matrix& m : matrices) {
        EXPECT_FALSE(m.isInvertible()) << m.description();
        EXPECT_FALSE(m.inverted()) << m.description();
        EXPECT_FALSE(m.itransform({1, 1})) << m.description();
    }
}

TEST(Matrix, TransformTable)
{
    struct Case {
        Matrix m;
        Point in, point, distance;
    };
    const Case cases[] = {
        {Matrix::translation(5, -5), {1, 2}, {6, -3}, {1, 2}},
        {Matrix::scaling(2, -1), {3, 4}, {6, -4}, {6, -4}},
        {{1, 2, 3, 4, 5, 6}, {1, 1}, {9, 12}, {4, 6}},
        {{0, 1, -1, 0, 10, 0}, {2, 3}, {7, 2}, {-3, 2}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.m.transform(c.in), c.point) << c.m.description();
        EXPECT_EQ(c.m.dtransform(c.in), c.distance) << c.m.description();
    }
}

TEST(Matrix, TransformRectSpansTheMappedCorners)
{
    kit::Rect r = Matrix::rotation(90).transformRect(kit::makeRect(0, 0, 10, 20));
    EXPECT_EQ(r, kit::makeRect(-20, 0, 20, 10));
    kit::Rect skewed = Matrix{1, 0, 1, 1, 0, 0}.transformRect(kit::makeRect(0, 0, 10, 10));
    EXPECT_EQ(skewed, kit::makeRect(0, 0, 20, 10));
}
