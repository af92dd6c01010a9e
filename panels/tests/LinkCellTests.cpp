// A row of the links list drawn into a recording context: the columns'
// places and alignments, clipping, missing texts, the chosen row's ground
// and lines, the status image, and file names in UTF-8.

#include "appkit/View.h"
#include "core/Encoding.h"
#include "graphics/BitmapImageRep.h"
#include "graphics/Font.h"
#include "graphics/Image.h"
#include "graphics/RecordingContext.h"
#include "panels/LinkCell.h"

#include <gtest/gtest.h>

#include <cmath>

#include <memory>
#include <string>
#include <vector>

namespace {

struct FlippedView : kit::View {
    bool isFlipped() const override { return true; }
};

class LinkCellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LinkCell::setImageRect(kit::makeRect(2, 0, 16, 16));
        LinkCell::setNameRect(kit::makeRect(22, 0, 100, 14));
        LinkCell::setPageRect(kit::makeRect(130, 0, 30, 14));
        LinkCell::setChangeRect(kit::makeRect(170, 0, 60, 14));
        LinkCell::setSizeRect(kit::makeRect(240, 0, 40, 14));
        font_ = kit::Font::fontWithName("Helvetica", 12);
        ASSERT_NE(font_, nullptr);
        cell_.setFont(font_);
        recording_.setDrawingToScreen(false);
        kit::DrawContext::setCurrent(&recording_);
    }
    void TearDown() override { kit::DrawContext::setCurrent(nullptr); }

    std::vector<const kit::RecordedOp*> ops(const std::string& name) const
    {
        std::vector<const kit::RecordedOp*> found;
        for (const auto& op : recording_.ops())
            if (op.name == name)
                found.push_back(&op);
        return found;
    }

    kit::Font* font_ = nullptr;
    LinkCell cell_;
    kit::RecordingContext recording_;
    FlippedView view_;
};

TEST_F(LinkCellTest, TheFontGivesTheRowItsDescentAndLineHeight)
{
    EXPECT_EQ(cell_.descent(), std::ceil(font_->descent()));
    EXPECT_EQ(cell_.naturalHeight(), std::ceil(font_->naturalHeight()));
    EXPECT_GT(cell_.descent(), 0);
    EXPECT_GT(cell_.naturalHeight(), cell_.descent());
}

// Each column on the row's baseline: names and dates from their column's
// left edge, page numbers and sizes ending at its right edge.
TEST_F(LinkCellTest, TheFourColumnsSitOnTheBaselineWithTheirAlignments)
{
    cell_.setFilename(std::string("chart.tiff"));
    cell_.setPageString(std::string("12"));
    cell_.setChangeString(std::string("Mar 04 97"));
    cell_.setSizeString(std::string("3K"));
    const kit::Rect frame = kit::makeRect(5, 40, 300, 18);
    cell_.drawInteriorWithFrame(frame, &view_);

    const float baseline = 40 + cell_.naturalHeight() - cell_.descent();
    const struct {
        const char* text;
        float x;
    } expected[] = {
        {"chart.tiff", 5 + 22},
        {"12", 5 + 130 + 30 - font_->widthOfString("12")},
        {"Mar 04 97", 5 + 170},
        {"3K", 5 + 240 + 40 - font_->widthOfString("3K")},
    };
    const auto shows = ops("show");
    const auto moves = ops("moveto");
    ASSERT_EQ(shows.size(), 4u);
    ASSERT_EQ(moves.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(expected[i].text);
        EXPECT_EQ(shows[i]->text, expected[i].text);
        EXPECT_FLOAT_EQ(moves[i]->numbers[0], expected[i].x);
        EXPECT_FLOAT_EQ(moves[i]->numbers[1], baseline);
    }
    // Narrower than their columns, nothing is clipped.
    EXPECT_TRUE(ops("rectclip").empty());
    // The flipped view's text stands upright: the font matrix turns y over.
    const auto fonts = ops("setfont");
    ASSERT_FALSE(fonts.empty());
    EXPECT_FLOAT_EQ(fonts.back()->numbers[3], -12.0f);
}

// The column rule on its own: the three alignments, and a clip to the
// column exactly when the text is at least as wide as it.
TEST_F(LinkCellTest, DrawStringAlignsAndClipsOnlyTextAtLeastAsWideAsItsColumn)
{
    const std::string text = "Annual report";
    const float w = font_->widthOfString(text);
    const float hgt = 15, des = 3;
    const kit::Point row{10, 100};
    const float y = 100 + hgt - des;
    const struct {
        const char* name;
        float columnWidth;
        int alignment;
        float x;
        bool clipped;
    } cases[] = {
        {"left, wider column", w + 20, LinkCell::AlignLeft, 10 + 50, false},
        {"right, wider column", w + 20, LinkCell::AlignRight, 10 + 50 + 20, false},
        {"centre, wider column", w + 20, LinkCell::AlignCenter, 10 + 50 + 10, false},
        {"left, exactly as wide", w, LinkCell::AlignLeft, 10 + 50, true},
        {"right, narrower column", w - 30, LinkCell::AlignRight, 10 + 50 - 30, true},
        {"left, narrower column", w - 30, LinkCell::AlignLeft, 10 + 50, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        recording_.reset();
        // The row made the font current before its columns.
        recording_.setfont(font_, kit::Matrix{12, 0, 0, -12, 0, 0});
        recording_.clear();
        const kit::Rect column = kit::makeRect(50, 0, c.columnWidth, 14);
        drawString(recording_, font_, text, row, column, hgt, des, c.alignment);
        std::vector<std::string> names;
        for (const auto& op : recording_.ops())
            names.push_back(op.name);
        if (c.clipped) {
            EXPECT_EQ(names, (std::vector<std::string>{"gsave", "rectclip", "moveto", "show", "grestore"}));
            const auto clip = ops("rectclip");
            ASSERT_EQ(clip.size(), 1u);
            EXPECT_EQ(clip[0]->numbers, (std::vector<float>{60, y - 14 + des, c.columnWidth, 14}));
        } else {
            EXPECT_EQ(names, (std::vector<std::string>{"moveto", "show"}));
        }
        const auto moves = ops("moveto");
        ASSERT_EQ(moves.size(), 1u);
        EXPECT_FLOAT_EQ(moves[0]->numbers[0], c.x);
        EXPECT_FLOAT_EQ(moves[0]->numbers[1], y);
    }
    recording_.reset();
    drawString(recording_, font_, std::nullopt, row, kit::makeRect(50, 0, 10, 14), hgt, des, LinkCell::AlignLeft);
    EXPECT_TRUE(recording_.ops().empty());
}

// A missing file has no date or size: those columns stay empty.
TEST_F(LinkCellTest, NilStringsLeaveTheirColumnsEmpty)
{
    cell_.setFilename(std::string("gone.eps"));
    cell_.setPageString(std::string("3"));
    cell_.setChangeString(std::nullopt);
    cell_.setSizeString(std::nullopt);
    cell_.drawInteriorWithFrame(kit::makeRect(0, 0, 300, 18), &view_);
    std::vector<std::string> shown;
    for (const auto* op : ops("show"))
        shown.push_back(op->text);
    EXPECT_EQ(shown, (std::vector<std::string>{"gone.eps", "3"}));
}

// A chosen row (on or highlighted) lies on the light highlight colour
// between black lines along its top and bottom; others on the control
// colour without lines.
TEST_F(LinkCellTest, AChosenRowIsLightWithBlackLinesAlongItsTopAndBottom)
{
    const kit::Rect frame = kit::makeRect(0, 36, 300, 18);
    const struct {
        const char* name;
        int state;
        bool highlighted;
        float ground;
        bool lines;
    } cases[] = {
        {"plain", kit::OffState, false, 2.0f / 3.0f, false},
        {"on", kit::OnState, false, 1.0f, true},
        {"highlighted", kit::OffState, true, 1.0f, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        recording_.reset();
        cell_.setState(c.state);
        cell_.setHighlighted(c.highlighted);
        cell_.drawInteriorWithFrame(frame, &view_);
        const auto& all = recording_.ops();
        ASSERT_GE(all.size(), 2u);
        EXPECT_EQ(all[0].name, "setgray");
        EXPECT_FLOAT_EQ(all[0].numbers[0], c.ground);
        EXPECT_EQ(all[1].toString(), "rectfill 0 36 300 18");
        const auto fills = ops("rectfill");
        if (!c.lines) {
            EXPECT_EQ(fills.size(), 1u);
            continue;
        }
        ASSERT_EQ(fills.size(), 3u);
        EXPECT_EQ(fills[1]->numbers, (std::vector<float>{0, 36, 300, 1}));
        EXPECT_EQ(fills[2]->numbers, (std::vector<float>{0, 53, 300, 1}));
        // The lines are drawn in black: the last grey set before them.
        float gray = -1;
        for (const auto& op : all) {
            if (&op == fills[1])
                break;
            if (op.name == "setgray")
                gray = op.numbers[0];
        }
        EXPECT_EQ(gray, 0.0f);
    }
}

// The status image is centred in the row's height at the image column;
// a row without one draws only its text.
TEST_F(LinkCellTest, TheStatusImageIsCentredInTheRowAndARowWithoutOneDrawsOnlyText)
{
    recording_.setDrawingToScreen(true);
    auto image = std::make_shared<kit::Image>();
    image->addRepresentation(
        std::make_unique<kit::BitmapImageRep>(16, 8, kit::BitmapImageRep::ColorModel::Gray, false));
    cell_.setImage(image);
    cell_.setAlternateImage(std::make_shared<kit::Image>(kit::Size{16, 8}));
    cell_.setFilename(std::string("a.tiff"));
    cell_.setState(kit::OnState); // the alternate image is kept, not drawn
    cell_.drawInteriorWithFrame(kit::makeRect(4, 20, 300, 18), &view_);
    const auto composites = ops("compositeImage");
    ASSERT_EQ(composites.size(), 1u);
    EXPECT_FLOAT_EQ(composites[0]->numbers[0], 4 + 2);
    EXPECT_FLOAT_EQ(composites[0]->numbers[1], 20 + (18 - 8) / 2.0f);
    EXPECT_EQ(composites[0]->code, static_cast<int>(kit::CompositeOp::SourceOver));

    recording_.reset();
    cell_.setImage(nullptr);
    cell_.drawInteriorWithFrame(kit::makeRect(4, 20, 300, 18), &view_);
    EXPECT_TRUE(ops("compositeImage").empty());
    EXPECT_EQ(ops("show").size(), 1u);
}

// File names are UTF-8: they are shown (and measured) in the documents'
// character set, a character it lacks as "?", never as raw UTF-8 bytes.
TEST_F(LinkCellTest, UTF8FileNamesAreShownInTheDocumentsCharacterSet)
{
    const std::string name = "Caf\xC3\xA9 \xE2\x82\xAC.tiff"; // "Café €.tiff"
    const auto e = kit::fromUTF8(kit::Encoding::NeXTSTEP, "\xC3\xA9");
    ASSERT_TRUE(e.has_value());
    const std::string expected = "Caf" + *e + " ?.tiff";
    cell_.setFilename(name);
    cell_.setSizeString(std::string("12\xC2\xA0K")); // a no-break space
    cell_.drawInteriorWithFrame(kit::makeRect(0, 0, 300, 18), &view_);
    const auto shows = ops("show");
    ASSERT_EQ(shows.size(), 2u);
    EXPECT_EQ(shows[0]->text, expected);
    const auto nbsp = kit::fromUTF8(kit::Encoding::NeXTSTEP, "\xC2\xA0");
    ASSERT_TRUE(nbsp.has_value());
    const std::string size = "12" + *nbsp + "K";
    EXPECT_EQ(shows[1]->text, size);
    // Right-aligned by the width of what is shown.
    const auto moves = ops("moveto");
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_FLOAT_EQ(moves[1]->numbers[0], 240 + 40 - font_->widthOfString(size));
}

} // namespace
