#include "EditingTestSupport.h"

#include "appkit/TextField.h"
#include "foundation/UnitsInfo.h"
#include "graphics/Font.h"
#include "graphics/RecordingContext.h"
#include "items/ItemBox.h"

#include <cmath>

namespace {

class InfoBarTest : public EditingTest {
protected:
    void SetUp() override
    {
        EditingTest::SetUp();
        ASSERT_NE(infoBar_, nullptr);
        document_->unitsInfo()->setUnitsOrigin({0, 0});
    }

    std::shared_ptr<ItemBox> box(const kit::Rect& frame)
    {
        auto made = std::make_shared<ItemBox>();
        made->setFrame(frame, false);
        return made;
    }

    std::string text(const char* outlet) const { return infoBar_->text(outlet); }
};

TEST_F(InfoBarTest, TheFileGivesEveryFieldAndTheFontFieldsKeepToTheRightEdge)
{
    EXPECT_FLOAT_EQ(InfoBarInset::width(), 13.0f);
    EXPECT_EQ(infoBar_->tag(), 12);
    EXPECT_EQ(infoBar_->superview()->viewWithTag(InfoBarInset::Tag), infoBar_);
    for (const char* outlet : {"xTitle", "xField", "yTitle", "yField", "hTitle", "hField", "wTitle", "wField",
                               "rotationField", "scaleField", "fontField", "fontSizeField"}) {
        SCOPED_TRACE(outlet);
        kit::TextField* field = infoBar_->outletNamed(outlet);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->superview(), infoBar_);
        EXPECT_FALSE(field->isEditable());
    }
    EXPECT_FALSE(infoBar_->connect("nothing", nullptr));
    // The file's container is 640 wide: the size field ends 4 short of the
    // right edge there and here, whatever the bar's width.
    auto bar = InfoBarInset::loadFromNib();
    ASSERT_NE(bar, nullptr);
    kit::TextField* size = bar->outletNamed("fontSizeField");
    EXPECT_FLOAT_EQ(640 - kit::maxX(size->frame()), 4);
    EXPECT_FLOAT_EQ(bar->outletNamed("xField")->frame().origin.x, 16);
    // Set up: bordered along the bottom, nothing selected shown as zeros.
    EXPECT_TRUE(bar->isBordered());
    EXPECT_EQ(bar->borderSides(), InfoBarInset::BottomBorder);
    EXPECT_EQ(bar->text("xField"), "0.0");
    EXPECT_EQ(bar->text("rotationField"), "");
}

TEST_F(InfoBarTest, LengthsShowInTheDocumentsUnitAndFormat)
{
    const struct {
        int kind;
        const char* x;
        const char* y;
        const char* w;
        const char* h;
    } cases[] = {
        {2, "2.000", "1.000", "1.000", "0.500"},      // inches
        {1, "144.0", "72.0", "72.0", "36.0"},         // points
        {0, "12.00", "6.00", "6.00", "3.00"},         // picas
        {3, "5.080", "2.540", "2.540", "1.270"},      // centimetres
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        document_->unitsInfo()->setUnits(c.kind);
        infoBar_->setFrameRect(kit::makeRect(144, 72, 72, 36));
        EXPECT_EQ(text("xField"), c.x);
        EXPECT_EQ(text("yField"), c.y);
        EXPECT_EQ(text("wField"), c.w);
        EXPECT_EQ(text("hField"), c.h);
    }
    // The live moves and sizes run on from what is shown.
    document_->unitsInfo()->setUnits(1);
    infoBar_->setMoveBy(6, -2);
    infoBar_->setSizeBy(-2, 4);
    EXPECT_EQ(text("xField"), "150.0");
    EXPECT_EQ(text("yField"), "70.0");
    EXPECT_EQ(text("wField"), "70.0");
    EXPECT_EQ(text("hField"), "40.0");
    infoBar_->setMoveTo(1.25f, 0);
    infoBar_->setSizeTo(3, 4);
    EXPECT_TRUE(kit::equalRects(infoBar_->selectedRect(), kit::makeRect(1.25f, 0, 3, 4)));
    EXPECT_EQ(text("xField"), "1.2"); // "%.1f" rounds to even
    // The units origin moves the position, not the size.
    document_->unitsInfo()->setUnitsOrigin({-100, -50});
    infoBar_->setFrameRect(kit::makeRect(144, 72, 72, 36));
    EXPECT_EQ(text("xField"), "44.0");
    EXPECT_EQ(text("yField"), "22.0");
    EXPECT_EQ(text("wField"), "72.0");
}

TEST_F(InfoBarTest, RotationsAreReducedByWholeTurnsAndScalesShownInPerCent)
{
    const struct {
        float angle;
        const char* shown;
    } rotations[] = {{-90, "270.0\u00B0"}, {450, "90.0\u00B0"},  {-450, "270.0\u00B0"}, {360, "360.0\u00B0"},
                     {720, "360.0\u00B0"}, {0, "0.0\u00B0"},     {12.34f, "12.3\u00B0"}, {-1080.5f, "359.5\u00B0"}};
    for (const auto& r : rotations) {
        SCOPED_TRACE(r.angle);
        infoBar_->setRotate(r.angle);
        EXPECT_EQ(text("rotationField"), r.shown);
        EXPECT_GE(infoBar_->selectedAngle(), 0);
        EXPECT_LE(infoBar_->selectedAngle(), 360);
    }
    infoBar_->setRotate(std::nanf(""));
    EXPECT_EQ(text("rotationField"), "");

    const struct {
        float sx, sy;
        const char* shown;
    } scales[] = {{1.5f, 1.5f, "150.0%"}, {1.5f, 2, "150/200%"}, {1, 1, "100.0%"}, {0.25f, 0.5f, "25/50%"}};
    for (const auto& s : scales) {
        SCOPED_TRACE(s.shown);
        infoBar_->setScale(s.sx, s.sy);
        EXPECT_EQ(text("scaleField"), s.shown);
    }
    infoBar_->setShear(2, 3);
    EXPECT_EQ(text("scaleField"), "25/50%");
}

TEST_F(InfoBarTest, FontsShowNameAndSizeOrTheMultipleText)
{
    kit::Font* font = kit::Font::fontWithName("Times-Roman", 12.5f);
    ASSERT_NE(font, nullptr);
    infoBar_->setFont(font, false);
    EXPECT_EQ(text("fontField"), "Times-Roman");
    EXPECT_EQ(text("fontSizeField"), "12.5");
    // A size of any length fits: no fixed buffer cuts it.
    kit::Font* huge = kit::Font::fontWithName("Times-Roman", 1e30f);
    ASSERT_NE(huge, nullptr);
    infoBar_->setFont(huge, false);
    EXPECT_EQ(text("fontSizeField"), "1000000015047466219876688855040.0");
    infoBar_->setFont(font, true);
    EXPECT_EQ(text("fontField"), delegate_->valueForStringKey("MultipleFonts"));
    EXPECT_NE(text("fontField"), "Missing String Key");
    EXPECT_EQ(text("fontSizeField"), "");
    infoBar_->setFont(nullptr, false);
    EXPECT_EQ(text("fontField"), "");
    EXPECT_EQ(text("fontSizeField"), "");
}

TEST_F(InfoBarTest, InspectingShowsTheSelectionAndNothingSelectedShowsZeros)
{
    document_->unitsInfo()->setUnits(2);
    auto a = box(kit::makeRect(144, 72, 72, 36));
    infoBar_->inspectSelection({a.get()});
    EXPECT_EQ(text("xField"), "2.000");
    EXPECT_EQ(text("hField"), "0.500");
    EXPECT_EQ(text("rotationField"), "0.0\u00B0");
    EXPECT_EQ(text("scaleField"), "100.0%");
    // Two boxes: their bounding frame; a text column brings its font.
    auto b = box(kit::makeRect(0, 0, 36, 36));
    infoBar_->setFont(font_, false);
    infoBar_->inspectSelection({a.get(), b.get()});
    EXPECT_EQ(text("xField"), "0.000");
    EXPECT_EQ(text("wField"), "3.000");
    EXPECT_EQ(text("fontField"), "Fixed-Test"); // no text column: left as it was
    infoBar_->inspectSelection({first_});
    EXPECT_EQ(text("fontField"), first_->flow()->font()->fontName());

    infoBar_->inspectSelection({});
    for (const char* outlet : {"xField", "yField", "wField", "hField"})
        EXPECT_EQ(text(outlet), "0.000") << outlet;
    for (const char* outlet : {"rotationField", "scaleField", "fontField", "fontSizeField"})
        EXPECT_EQ(text(outlet), "") << outlet;
    // inspect asks the document of the scroll view's page view; a new
    // selection is shown at once.
    EXPECT_EQ(infoBar_->pageView(), view_);
    document_->setSelection(std::vector<Item*>{a.get()}, view_);
    EXPECT_EQ(text("xField"), "2.000");
    EXPECT_EQ(text("wField"), "1.000");
    infoBar_->setFrameRect(kit::Rect{});
    infoBar_->inspect();
    EXPECT_EQ(text("wField"), "1.000");
    document_->setSelection({}, view_);
    EXPECT_EQ(text("wField"), "0.000");
}

TEST_F(InfoBarTest, DrawingFillsTheBarAndDrawsTheChosenBorders)
{
    infoBar_->setFrameSize(kit::makeSize(200, 13));
    const struct {
        bool bordered;
        short sides;
        std::vector<std::string> fills;
    } cases[] = {
        {true, InfoBarInset::BottomBorder, {"rectfill 0 0 200 13", "rectfill 0 0 200 0.15"}},
        {true, InfoBarInset::TopBorder, {"rectfill 0 0 200 13", "rectfill 0 11.85 200 0.15"}},
        {true, 3, {"rectfill 0 0 200 13", "rectfill 0 0 200 0.15", "rectfill 0 11.85 200 0.15"}},
        {false, 3, {"rectfill 0 0 200 13"}},
        {true, 0, {"rectfill 0 0 200 13"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sides);
        infoBar_->setBordered(c.bordered);
        infoBar_->setBorderSides(c.sides);
        kit::RecordingContext context;
        kit::DrawContext* before = kit::DrawContext::current();
        kit::DrawContext::setCurrent(&context);
        infoBar_->drawRect(kit::makeRect(0, 0, 200, 13));
        kit::DrawContext::setCurrent(before);
        std::vector<std::string> fills;
        bool clipped = false;
        for (const kit::RecordedOp& op : context.ops()) {
            if (op.name == "rectfill")
                fills.push_back(op.toString());
            clipped = clipped || op.name == "rectclip";
        }
        EXPECT_TRUE(clipped);
        EXPECT_EQ(fills, c.fills);
    }
    infoBar_->setSide(5);
    EXPECT_EQ(infoBar_->side(), 1);
    infoBar_->setBackgroundColor(kit::Color::whiteColor());
    EXPECT_EQ(infoBar_->backgroundColor(), kit::Color::whiteColor());
}

} // namespace
