#include "core/OutlineOverlay.h"
#include "foundation/PSBuffers.h"
#include "foundation/PSWrappers.h"
#include "graphics/RecordingContext.h"

#include <gtest/gtest.h>

namespace {

TEST(FoundationPath, BoundingBoxFollowsAbsoluteAndRelativeSegments)
{
    Path path;
    EXPECT_EQ(path.numOps(), 0);
    const kit::Point start{5, 5}, right{10, 0}, up{0, 20};
    path.addLine(&start, dps_moveto);
    path.addLine(&right, dps_rlineto);
    EXPECT_EQ(path.bounds(), kit::makeRect(5, 5, 10, 0));
    path.addLine(&up, dps_rlineto);
    path.addClosepath();
    EXPECT_EQ(path.bounds(), kit::makeRect(5, 5, 10, 20));
    EXPECT_EQ(path.numOps(), 4);
    EXPECT_EQ(path.numPts(), 3);
    EXPECT_EQ(path.ops()[0], dps_moveto);
    EXPECT_EQ(path.ops()[3], dps_closepath);
    const kit::Point curve[3] = {{1, 1}, {2, -3}, {4, 0}};
    path.addBezier(curve, dps_rcurveto); // from the start point (5, 5) after closepath
    EXPECT_EQ(path.bounds(), kit::makeRect(5, 2, 10, 23));
    path.resetBbox();
    EXPECT_EQ(path.bounds(), kit::makeRect(5, 2, 10, 23));
    path.addLine(nullptr, dps_lineto);
    EXPECT_EQ(path.numOps(), 5);
}

TEST(FoundationPath, ReplacingAPointRecomputesTheBoxOnlyWhenNeeded)
{
    Path path;
    const float square[] = {0, 0, 10, 0, 10, 10, 0, 10, 5, 5};
    const unsigned char ops[] = {dps_moveto, dps_lineto, dps_lineto, dps_lineto, dps_lineto};
    path.addSegment(square, ops, 5, 5);
    EXPECT_EQ(path.bounds(), kit::makeRect(0, 0, 10, 10));
    const kit::Point inside{7, 7};
    path.replaceLine(&inside, 4);
    EXPECT_EQ(path.bounds(), kit::makeRect(0, 0, 10, 10));
    const kit::Point outward{30, 7};
    path.replaceLine(&outward, 4);
    EXPECT_EQ(path.bounds(), kit::makeRect(0, 0, 30, 10));
    // Moving a corner inward shrinks the box.
    const kit::Point corner{0, 2};
    path.replaceLine(&corner, 0);
    path.replaceLine(&inside, 4);
    EXPECT_EQ(path.bounds(), kit::makeRect(0, 0, 10, 10));
    const float box[4] = {0, 0, 10, 10};
    EXPECT_FALSE(Path::checkReset({5, 5}, {6, 6}, box));
    EXPECT_TRUE(Path::checkReset({10, 5}, {6, 6}, box));
    EXPECT_TRUE(Path::checkReset({5, 5}, {11, 6}, box));
}

TEST(FoundationPath, GrowsAndSendsOnlyRealPaths)
{
    kit::RecordingContext context;
    kit::DrawContext::Scope scope(context);
    Path path;
    EXPECT_TRUE(path.sendPath(dps_ufill));
    EXPECT_EQ(context.count("doUserPath"), 0u);
    for (int i = 0; i < 1000; ++i)
        AXAddLineCoordinates(&path, static_cast<float>(i), static_cast<float>(i % 7), i == 0 ? dps_moveto : dps_lineto);
    EXPECT_EQ(path.numPts(), 1000);
    EXPECT_GE(path.maxPts(), 1000);
    EXPECT_EQ(path.bounds(), kit::makeRect(0, 0, 999, 6));
    EXPECT_TRUE(path.isFull() == false);
    EXPECT_TRUE(path.sendPath(dps_ustroke));
    ASSERT_EQ(context.count("doUserPath"), 1u);
    EXPECT_EQ(context.lastOp()->code, dps_ustroke);
    EXPECT_EQ(context.lastOp()->text.size(), 1000u); // without the cache operator
    path.empty();
    EXPECT_EQ(path.numOps(), 0);
    EXPECT_EQ(path.bounds(), kit::makeRect(1000000, 1000000, -2000000, -2000000));
}

TEST(FoundationRectList, FlushesAtFiveHundredRectangles)
{
    kit::RecordingContext context;
    kit::DrawContext::Scope scope(context);
    RectList list;
    EXPECT_TRUE(list.sendRect(RectListFill));
    EXPECT_EQ(context.count("rectfill"), 0u);
    for (int i = 0; i < 501; ++i)
        AXAddRectSendIfFull(&list, kit::makeRect(static_cast<float>(i), 0, 1, 1), RectListFill);
    ASSERT_EQ(context.count("rectfill"), 1u);
    EXPECT_EQ(context.lastOp()->numbers.size(), 500u * 4);
    EXPECT_EQ(list.numRects(), 1);
    EXPECT_EQ(list.rects()[0], 500.0f);
    EXPECT_TRUE(list.sendRect(RectListClipAndFill));
    EXPECT_EQ(context.count("rectclip"), 1u);
    EXPECT_EQ(context.count("rectfill"), 2u);
    EXPECT_TRUE(list.sendRect(RectListStroke));
    EXPECT_EQ(context.count("rectstroke"), 1u);
    list.addRect(nullptr);
    EXPECT_EQ(list.numRects(), 1);
}

TEST(FoundationXYShow, SendsTheFirstPositionAndTheDeltas)
{
    kit::RecordingContext context;
    kit::DrawContext::Scope scope(context);
    context.selectfont("Helvetica", 12);
    XYShow show;
    AXAddCharCoordinates(&show, 10, 50, 'a');
    AXAddCharCoordinates(&show, 16, 50, 'b');
    AXAddCharCoordinates(&show, 22, 50, 'c');
    EXPECT_TRUE(show.sendXY());
    ASSERT_EQ(context.count("xyshow"), 1u);
    EXPECT_EQ(context.lastOp()->text, "abc");
    EXPECT_EQ(context.lastOp()->numbers, (std::vector<float>{6, 0, 6, 0, 0, 0}));
    EXPECT_EQ(context.ops()[context.ops().size() - 2].name, "moveto");
    EXPECT_EQ(context.ops()[context.ops().size() - 2].numbers, (std::vector<float>{10, 50}));
    show.empty();
    for (int i = 0; i < 501; ++i)
        AXAddCharCoordinatesSendFull(&show, static_cast<float>(i), 0, 'x');
    EXPECT_EQ(context.count("xyshow"), 2u);
    EXPECT_EQ(context.lastOp()->text.size(), 499u); // 998 floats: four more would pass 1000
    EXPECT_EQ(show.numChars(), 2);
}

TEST(FoundationPSWrappers, ResizeOutlineGoesThroughTheOverlay)
{
    auto overlay = std::make_shared<kit::RecordingOutlineOverlay>();
    kit::setOutlineOverlay(overlay);
    PSinitresize();
    PSplaceresize(1, 2, 3, 4);
    overlay->windowToFind = kit::OutlineOverlay::OwnedWindow{7, 9};
    int found = 0, window = 0, owner = 0;
    PSWfindownedwindow(5, 5, &found, &window, &owner);
    PScleanupresize();
    kit::setOutlineOverlay(nullptr);
    PSinitresize(); // without an overlay nothing happens
    EXPECT_EQ(overlay->calls, (std::vector<std::string>{"create", "place", "find", "remove"}));
    EXPECT_EQ(overlay->placed[0], kit::makeRect(1, 2, 3, 4));
    EXPECT_EQ(found, 1);
    EXPECT_EQ(window, 7);
    EXPECT_EQ(owner, 9);
}

TEST(FoundationPSWrappers, MatrixSavedAndRestored)
{
    kit::RecordingContext context;
    kit::DrawContext::Scope scope(context);
    context.translate(10, 20);
    const kit::Matrix saved = context.currentmatrix();
    PSWleaveMatrixOnStack();
    context.scale(3, 3);
    PSWuseMatrixFromStack();
    EXPECT_EQ(context.currentmatrix(), saved);
    float x = 0, y = 0;
    PSWroundpoint(1.3f, 2.7f, &x, &y);
    EXPECT_EQ((kit::Point{x, y}), context.roundPoint({1.3f, 2.7f}));
}

TEST(FoundationPSWrappers, MatrixStackBelongsToTheContext)
{
    kit::RecordingContext first, second;
    first.translate(10, 20);
    {
        kit::DrawContext::Scope scope(first);
        PSWleaveMatrixOnStack();
    }
    second.scale(2, 2);
    const kit::Matrix secondMatrix = second.currentmatrix();
    {
        kit::DrawContext::Scope scope(second);
        PSWuseMatrixFromStack();
    }
    EXPECT_EQ(second.currentmatrix(), secondMatrix);
    {
        kit::DrawContext::Scope scope(first);
        first.scale(3, 3);
        PSWuseMatrixFromStack();
    }
    EXPECT_EQ(first.currentmatrix(), kit::Matrix::translation(10, 20));
}

} // namespace
