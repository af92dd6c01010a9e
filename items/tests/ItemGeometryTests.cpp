#include "items/tests/ItemTestSupport.h"

#include "items/ItemBox.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(ItemGeometry, RotateAndBackFreesTheRecord)
{
    Item item;
    item.setFrame(kit::makeRect(10, 20, 30, 40));
    item.rotateByAngle(90);
    EXPECT_EQ(item.infoMode(), 2);
    item.rotateByAngle(-90);
    EXPECT_EQ(item.infoMode(), 0);
    EXPECT_EQ(item.info(), nullptr);
}

TEST(ItemGeometry, ScaleMatrixIsNoTransform)
{
    Item item;
    item.setFrame(kit::makeRect(0, 0, 10, 10));
    const float m[4] = {2, 0, 0, 2};
    item.setMatrix(m);
    EXPECT_FALSE(item.isTransformed());
    EXPECT_EQ(item.frame().size.width, 10);
}

TEST(ItemGeometry, ShadowGivesDrawnBounds)
{
    Item item;
    item.setFrame(kit::makeRect(0, 0, 10, 10));
    item.setDropShadow(true);
    EXPECT_EQ(item.infoMode(), 1);
    kit::Rect r{};
    item.getUpdateBounds(&r, nullptr);
    EXPECT_TRUE(kit::equalRects(r, kit::makeRect(0, 0, 14, 16)));
    item.moveBy(5, 5);
    item.getUpdateBounds(&r, nullptr);
    EXPECT_TRUE(kit::equalRects(r, kit::makeRect(5, 5, 14, 16)));
    item.setDropShadow(false);
    EXPECT_EQ(item.infoMode(), 0);
}

TEST(ItemGeometry, RotationReadsBackNegated)
{
    Item item;
    item.setFrame(kit::makeRect(0, 0, 10, 10));
    float degrees = 1;
    EXPECT_TRUE(item.getRotation(&degrees));
    EXPECT_EQ(degrees, 0);
    item.rotateByAngle(30);
    EXPECT_TRUE(item.getRotation(&degrees));
    EXPECT_NEAR(degrees, -30, 1e-3);
    item.shear(0.5f, 0);
    EXPECT_FALSE(item.getRotation(&degrees));
    EXPECT_EQ(degrees, 0);
}

TEST(ItemGeometry, SegmentsAndPolygons)
{
    const kit::Rect r = kit::makeRect(0, 0, 10, 10);
    EXPECT_FALSE(lineDoesIntersectRect({5, 5}, {5, 5}, r));
    EXPECT_TRUE(lineDoesIntersectRect({-5, 5}, {15, 5}, r));
    EXPECT_FALSE(lineDoesIntersectRect({-5, 20}, {15, 20}, r));
    const kit::Point inside[4] = {{2, 2}, {2, 8}, {8, 8}, {8, 2}};
    EXPECT_TRUE(polygonDoesIntersectRect(inside, 4, 1, r));
    // The rectangle lies inside the polygon: its origin is inside.
    const kit::Point around[4] = {{-20, -20}, {-20, 30}, {30, 30}, {30, -20}};
    EXPECT_TRUE(polygonDoesIntersectRect(around, 4, 1, r));
    const kit::Point away[4] = {{20, 20}, {20, 30}, {30, 30}, {30, 20}};
    EXPECT_FALSE(polygonDoesIntersectRect(away, 4, 1, r));
}

TEST(ItemGeometry, ScaleUnitSquare)
{
    ItemBox box;
    box.graphicStyle()->setLineWidth(1);
    box.graphicStyle()->setHasLine(true);
    box.setFrame(kit::makeRect(0, 0, 10, 10));
    box.scaleUnitSquareToSize({2, 0});
    EXPECT_EQ(box.frame().size.width, 10);
    box.scaleUnitSquareToSize({2, 3});
    EXPECT_EQ(box.frame().size.width, 20);
    EXPECT_EQ(box.frame().size.height, 30);
    EXPECT_EQ(box.lineWidth(), 2);
    box.scaleUnitSquareToSize({-1, 1});
    EXPECT_TRUE(box.isTransformed());
}

// Zero factors, singular matrices and zero sizes never give infinities.
TEST(ItemGeometry, DegenerateTransformsRefused)
{
    Item item;
    item.setFrame(kit::makeRect(0, 0, 10, 0));
    item.scaleUnitSquareToSize({-1, 0});
    EXPECT_FALSE(item.isTransformed());
    const float singular[4] = {1, 2, 2, 4};
    item.setMatrix(singular);
    EXPECT_FALSE(item.isTransformed());
    item.rotateByAngle(45);
    item.postConcatMatrix(singular);
    float m[4];
    item.getMatrix(m);
    EXPECT_NEAR(m[0], std::cos(M_PI / 4), 1e-5);
    EXPECT_TRUE(std::isfinite(item.currentRatio()));
    item.makeNatural();
    EXPECT_TRUE(std::isfinite(item.frame().origin.x) && std::isfinite(item.frame().origin.y));
    EXPECT_FALSE(item.isTransformed());
    kit::Rect r{};
    item.select();
    item.getUpdateBounds(&r, nullptr, true);
    EXPECT_TRUE(std::isfinite(r.size.width));
}

TEST(ItemGeometry, FlipKeepsTheVisibleCentre)
{
    Item item;
    item.setFrame(kit::makeRect(10, 10, 40, 20));
    item.rotateByAngle(30);
    kit::Rect before{};
    item.getFrameBounds(&before);
    item.flip(1);
    kit::Rect after{};
    item.getFrameBounds(&after);
    EXPECT_NEAR(kit::midX(before), kit::midX(after), 1e-3);
    EXPECT_NEAR(kit::midY(before), kit::midY(after), 1e-3);
}

TEST(ItemGeometry, HitTestsAndKnobs)
{
    Item item;
    item.setFrame(kit::makeRect(0, 0, 10, 10));
    EXPECT_TRUE(item.isHitAt({5, 5}, nullptr));
    EXPECT_FALSE(item.isHitAt({10, 5}, nullptr));
    EXPECT_EQ(item.isHitAtKnob({10, 10}, nullptr), 4);
    EXPECT_EQ(item.isHitAtKnob({5, 5}, nullptr), -1);
    item.lock();
    EXPECT_EQ(item.isHitAtKnob({10, 10}, nullptr), -1);
    EXPECT_FALSE(item.isHitInRect(kit::makeRect(0, 0, 5, 5), nullptr));
    EXPECT_TRUE(item.isHitAt({5, 5}, nullptr));
    item.unlock();
    item.rotateByAngle(45);
    kit::Point centre{};
    item.calcMidpoints(&centre, false);
    EXPECT_TRUE(item.isHitAt(centre, nullptr));
    EXPECT_FALSE(item.isHitAt({9.5f, 0.5f}, nullptr)); // inside the bounds, outside the diamond
}

// An item that refines the point test but has no inside of its own, as a
// group or a placed picture does.
class LeftHalfItem : public Item {
public:
    bool isHitAt(kit::Point point, const DocumentView* view) const override
    {
        return Item::isHitAt(point, view) && point.x < kit::midX(frame());
    }
};

TEST(ItemGeometry, FillTestIsTheClassPointTestUnlessTheClassHasAnInside)
{
    LeftHalfItem item;
    item.setFrame(kit::makeRect(0, 0, 10, 10));
    EXPECT_TRUE(item.inFill({2, 5}, nullptr));
    EXPECT_FALSE(item.inFill({8, 5}, nullptr)) << "the refined point test decides";
    // A box's inside is its frame, whatever its outline rule says.
    ItemBox box;
    box.setHasFill(false);
    box.setHasLine(false);
    box.setFrame(kit::makeRect(0, 0, 100, 100));
    EXPECT_FALSE(box.isHitAt({50, 50}, nullptr));
    EXPECT_TRUE(box.inFill({50, 50}, nullptr));
}

TEST(ItemGeometry, ConstrainEdgeKnobs)
{
    const kit::Rect r = kit::makeRect(0, 0, 10, 20);
    kit::Point p{3, 7}, k{};
    constrainPointToRect(&p, &k, r, 5);
    EXPECT_EQ(p.x, 10);
    EXPECT_EQ(k.y, 7);
    p = {3, 7};
    constrainPointToRect(&p, &k, r, 4);
    EXPECT_EQ(k.x, 3);
    EXPECT_EQ(k.y, 7);
}

TEST(ItemRunaround, LeftDeltaBeyondTheItem)
{
    ItemBox column;
    column.setFrame(kit::makeRect(0, 0, 300, 400));
    ItemBox item;
    item.setFrame(kit::makeRect(0, 100, 100, 50));
    item.setHasLine(false);
    item.setRunaround(true, 10, 0, 0, 0, 0);
    const float y = 120, h = 12;
    float left = 0, right = 0;
    item.getHorizontalDeltas(&column, {0, y + h}, {300, y + h}, {0, y}, {300, y}, &left, &right);
    EXPECT_NEAR(left, 110, 1e-3);
    EXPECT_EQ(right, 0);
    // A band below the item is not touched by it.
    left = right = 0;
    item.getHorizontalDeltas(&column, {0, 312}, {300, 312}, {0, 300}, {300, 300}, &left, &right);
    EXPECT_EQ(left, 0);
    // No overlap of the bounds: both deltas untouched.
    ItemBox far;
    far.setFrame(kit::makeRect(500, 100, 100, 50));
    left = right = -1;
    far.getHorizontalDeltas(&column, {0, y + h}, {300, y + h}, {0, y}, {300, y}, &left, &right);
    EXPECT_EQ(left, -1);
    EXPECT_EQ(right, -1);
}

} // namespace
