#include "graphics/Font.h"
#include "graphics/RecordingContext.h"

#include <gtest/gtest.h>

using kit::Matrix;
using kit::RecordingContext;

TEST(Recording, KeepsEveryOperatorWithItsArguments)
{
    RecordingContext ctx;
    const kit::Font* font = kit::Font::fontWithName("Times-Roman", 12);
    ASSERT_NE(font, nullptr);

    ctx.gsave();
    ctx.translate(72, 720);
    ctx.scale(1, -1);
    ctx.setgray(0.333333f);
    ctx.setlinewidth(0.5f);
    const float dash[] = {3, 1.5f};
    ctx.setdash(dash, 0.25f);
    ctx.moveto(10, 20);
    ctx.rlineto(100, 0);
    ctx.curveto(1, 2, 3, 4, 5, 6);
    ctx.arcn(0, 0, 5, 90, 0);
    ctx.closepath();
    ctx.stroke();
    ctx.selectfont(font);
    ctx.moveto(0, 0);
    ctx.show("a(b)\\\xE9");
    const float offsets[] = {6, 0, 0, 0};
    ctx.xyshow("hi", offsets);
    const kit::Rect rects[] = {kit::makeRect(1, 2, 3, 4), kit::makeRect(5, 6, 7, 8)};
    ctx.rectfillList(rects);
    ctx.rectclip(0, 0, 10, 10);
    ctx.compositerect(0, 0, 5, 5, kit::CompositeOp::Clear);
    ctx.highlightRect(kit::makeRect(1, 1, 2, 2));
    ctx.frameLinkRect(kit::makeRect(1, 1, 2, 2), true);
    ctx.sendPostScript("true setoverprint\n");
    ctx.makefont(Matrix{0.8f, 0, 0, 1, 0, 0});
    ctx.grestore();

    const std::vector<std::string> expected = {
        "gsave",
        "translate 72 720",
        "scale 1 -1",
        "setgray 0.3333",
        "setlinewidth 0.5",
        "setdash [3 1.5] 0.25",
        "moveto 10 20",
        "rlineto 100 0",
        "curveto 1 2 3 4 5 6",
        "arcn 0 0 5 90 0",
        "closepath",
        "stroke",
        "selectfont Times-Roman 12",
        "moveto 0 0",
        "show (a\\(b\\)\\\\\\351)",
        "xyshow (hi) 6 0 0 0",
        "rectfill 1 2 3 4 5 6 7 8",
        "rectclip 0 0 10 10",
        "compositerect 0 0 5 5 0",
        "highlightRect 1 1 2 2",
        "frameLinkRect 1 1 2 2 1",
        "sendPostScript (true setoverprint\\012)",
        "makefont Times-Roman 0.8 0 0 1 0 0",
        "grestore",
    };
    EXPECT_EQ(ctx.lines(), expected);

    EXPECT_EQ(ctx.count("moveto"), 2u);
    EXPECT_EQ(ctx.count("lineto"), 0u);
    const kit::RecordedOp& show = ctx.ops()[14];
    EXPECT_EQ(show.text, "a(b)\\\xE9");
    EXPECT_EQ(ctx.ops()[16].numbers, (std::vector<float>{1, 2, 3, 4, 5, 6, 7, 8}));
    ASSERT_NE(ctx.lastOp(), nullptr);
    EXPECT_EQ(ctx.lastOp()->name, "grestore");
}

TEST(Recording, UserPathRecordKeepsBoxCoordinatesOperatorsAndAction)
{
    RecordingContext ctx;
    const float coords[] = {0, 0, 10, 0, 10, 10};
    const unsigned char ops[] = {1, 3, 3, 10};
    const float box[4] = {0, 0, 10, 10};
    ASSERT_TRUE(ctx.doUserPath(kit::UserPath{coords, ops}, box, kit::UserPathAction::ustroke));
    const kit::RecordedOp& op = *ctx.lastOp();
    EXPECT_EQ(op.name, "doUserPath");
    EXPECT_EQ(op.code, 183);
    EXPECT_EQ(op.text, std::string("\x01\x03\x03\x0a", 4));
    EXPECT_EQ(op.toString(), "doUserPath 183 {1 3 3 10} 0 0 10 10 0 0 10 0 10 10");
}

TEST(Recording, ScreenAndEpsFlagsAreTheTestsToSet)
{
    RecordingContext ctx;
    EXPECT_FALSE(ctx.isDrawingToScreen());
    EXPECT_FALSE(ctx.isEPSOperation());
    ctx.setDrawingToScreen(true);
    ctx.setEPSOperation(true);
    EXPECT_TRUE(ctx.isDrawingToScreen());
    EXPECT_TRUE(ctx.isEPSOperation());
}

TEST(Recording, ClearKeepsTheStateWhileResetStartsOver)
{
    RecordingContext ctx;
    ctx.translate(5, 5);
    ctx.gsave();
    ctx.setlinewidth(3);
    ctx.clear();
    EXPECT_TRUE(ctx.ops().empty());
    EXPECT_EQ(ctx.lastOp(), nullptr);
    EXPECT_EQ(ctx.currentlinewidth(), 3);
    EXPECT_EQ(ctx.gsaveDepth(), 1);

    ctx.reset();
    EXPECT_EQ(ctx.currentlinewidth(), 1);
    EXPECT_EQ(ctx.gsaveDepth(), 0);
    EXPECT_EQ(ctx.currentmatrix(), Matrix::identity());
}
