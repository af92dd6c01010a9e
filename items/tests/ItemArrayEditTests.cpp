// The edits of a selection: which items take them, what they record, and
// what undo and redo of their records give back.

#include "document/tests/UndoTestSupport.h"

#include "document/UndoStyleGraphic.h"
#include "document/UndoTrans.h"
#include "foundation/GxRecords.h"
#include "foundation/Preferences.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraph.h"
#include "items/ItemArray.h"

#include <cmath>
#include <functional>

namespace {

// An item that takes no graphic style, so no colour, fill, line or flag.
class StylelessItem : public Item {
public:
    bool canAcceptStyle(std::string_view) const override { return false; }
};

class ItemArrayEditTest : public UndoTest {
protected:
    Item* addStyleless(int pageIndex)
    {
        auto item = std::make_shared<StylelessItem>();
        item->setFrame(kit::makeRect(5, 5, 5, 5), false);
        Item* raw = item.get();
        page(pageIndex)->addItems(std::move(item));
        return raw;
    }
    static bool near(float a, float b) { return std::fabs(a - b) < 1e-3f; }
};

TEST_F(ItemArrayEditTest, AnEmptySelectionAnswersNoRecord)
{
    const std::vector<Item*> none;
    GxFill fill;
    GxInitFill(&fill);
    GxLine line;
    GxInitLine(&line);
    StyleGraphic style;
    const std::function<std::unique_ptr<Undo>()> edits[] = {
        [&] { return moveBy(none, 1, 1, true); },
        [&] { return rotateBy(none, 10, true); },
        [&] { return sizeBy(none, 1, 1, true); },
        [&] { return scaleBy(none, 2, 2, true); },
        [&] { return setFrame(none, kit::makeRect(0, 0, 1, 1), Undo::FrameSet, true); },
        [&] { return rotateTo(none, 10, true); },
        [&] { return scaleTo(none, 2, 2, true); },
        [&] { return modifyStyle(none, &style, true, false); },
        [&] { return modifyFill(none, &fill, true); },
        [&] { return modifyLine(none, &line, true); },
        [&] { return modifyColor(none, kit::Color::blackColor(), 61, true); },
        [&] { return modifyPattern(none, nullptr, true); },
        [&] { return modifyLineWidth(none, 2, true); },
        [&] { return modifyFlag(none, true, 63, true); },
        [&] { return modifyDash(none, nullptr, true); },
        [&] { return modifyArrow(none, nullptr, 68, true); },
    };
    for (std::size_t i = 0; i < std::size(edits); ++i)
        EXPECT_EQ(edits[i](), nullptr) << i;
    // Undo not asked for: the edit is made, nothing is recorded.
    Item* box = addBox(0, kit::makeRect(0, 0, 10, 10));
    EXPECT_EQ(moveBy({box}, 3, 4, false), nullptr);
    EXPECT_TRUE(kit::equalRects(box->frame(), kit::makeRect(3, 4, 10, 10)));
}

TEST_F(ItemArrayEditTest, AColourOrFlagChangeThatNoItemTookRecordsNothing)
{
    const std::vector<Item*> styleless{addStyleless(0), addStyleless(0)};
    EXPECT_EQ(modifyColor(styleless, kit::Color::blackColor(), Undo::FillColorSet, true), nullptr);
    EXPECT_EQ(modifyColor(styleless, kit::Color::blackColor(), Undo::LineColorSet, true), nullptr);
    for (int type : {Undo::CropSet, Undo::HasFillSet, Undo::HasLineSet})
        EXPECT_EQ(modifyFlag(styleless, true, type, true), nullptr) << type;
    // Overprint is every item's.
    EXPECT_NE(modifyFlag(styleless, true, Undo::FillOverprintSet, true), nullptr);
    // One item that takes it is enough.
    const std::vector<Item*> mixed{styleless[0], addBox(0, kit::makeRect(0, 0, 9, 9))};
    EXPECT_NE(modifyColor(mixed, kit::Color::blackColor(), Undo::FillColorSet, true), nullptr);
}

TEST_F(ItemArrayEditTest, FillingARedAndABlueBoxGreenAndUndoingGivesEachItsOwnColour)
{
    const kit::ColorRef red = kit::Color::colorWithDeviceRed(1, 0, 0);
    const kit::ColorRef blue = kit::Color::colorWithDeviceRed(0, 0, 1);
    const kit::ColorRef green = kit::Color::colorWithDeviceRed(0, 1, 0);
    Item* styleless = addStyleless(0);
    Item* a = addBox(0, kit::makeRect(0, 0, 10, 10), red);
    Item* b = addBox(0, kit::makeRect(20, 0, 10, 10), blue);
    // The item that takes no fill sits first, so that the items that took
    // the change are not the first ones.
    undo_->push(modifyColor({styleless, a, b}, green, Undo::FillColorSet, true));
    ASSERT_TRUE(a->graphicStyle()->fillColor()->isEqual(*green));
    ASSERT_TRUE(undo_->undo());
    EXPECT_TRUE(a->graphicStyle()->fillColor()->isEqual(*red));
    EXPECT_TRUE(b->graphicStyle()->fillColor()->isEqual(*blue));
    ASSERT_TRUE(undo_->redo());
    EXPECT_TRUE(a->graphicStyle()->fillColor()->isEqual(*green));
    EXPECT_TRUE(b->graphicStyle()->fillColor()->isEqual(*green));
}

TEST_F(ItemArrayEditTest, ALineWidthStepNeverGoesBelowZeroAndRedoStepsAgain)
{
    delegate_->preferences()->setIncrement(0.25f, IncrementLineWidth);
    struct Case {
        float width;
        float argument;
        float after;
    };
    const Case cases[] = {
        {0.1f, -1.0f, 0.0f},   // thinner
        {1.0f, -2.0f, 1.25f},  // thicker
        {1.0f, 3.0f, 3.0f},    // a width
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument);
        undo_->empty();
        Item* box = addBox(0, kit::makeRect(0, 0, 10, 10), nullptr, c.width);
        Item* other = addBox(0, kit::makeRect(0, 0, 10, 10), nullptr, 2.0f);
        undo_->push(modifyLineWidth({box}, c.argument, true));
        EXPECT_TRUE(near(box->lineWidth(), c.after)) << box->lineWidth();
        ASSERT_TRUE(undo_->undo());
        EXPECT_TRUE(near(box->lineWidth(), c.width)) << box->lineWidth();
        ASSERT_TRUE(undo_->redo());
        EXPECT_TRUE(near(box->lineWidth(), c.after)) << box->lineWidth();
        EXPECT_EQ(other->lineWidth(), 2.0f);
    }
}

// Setting a colour, pattern, width, dash or arrow switches the fill or line
// on: undo switches it off again, or takes it away when the item had none.
TEST_F(ItemArrayEditTest, UndoOfAValueSwitchesTheFillOrLineItTurnedOnOffAgain)
{
    GxDash dash;
    dash.count = 2;
    dash.values[0] = 2;
    dash.values[1] = 1;
    GxArrow arrow;
    arrow.kind = 2;
    arrow.count = 2;
    arrow.points[1] = {3, 3};
    const kit::ColorRef green = kit::Color::colorWithDeviceRed(0, 1, 0);
    struct Case {
        const char* name;
        std::function<std::unique_ptr<Undo>(const std::vector<Item*>&)> edit;
    };
    const Case cases[] = {
        {"fill colour", [&](const auto& items) { return modifyColor(items, green, Undo::FillColorSet, true); }},
        {"pattern", [&](const auto& items) { return modifyPattern(items, std::make_shared<kit::String>("dots"), true); }},
        {"line colour", [&](const auto& items) { return modifyColor(items, green, Undo::LineColorSet, true); }},
        {"line width", [&](const auto& items) { return modifyLineWidth(items, 3.0f, true); }},
        {"dash", [&](const auto& items) { return modifyDash(items, &dash, true); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        undo_->empty();
        // One with its fill and line switched off, one that never had them.
        Item* off = addBox(0, kit::makeRect(0, 0, 10, 10), kit::Color::colorWithDeviceRed(1, 0, 0), 2.0f);
        off->setHasFill(false);
        off->setHasLine(false);
        auto none = std::make_shared<ItemBox>();
        none->setFrame(kit::makeRect(20, 0, 10, 10), false);
        none->setFill(nullptr);
        none->setLine(nullptr);
        Item* bare = none.get();
        page(0)->addItems(std::move(none));
        const std::string before = storedForm();
        undo_->push(c.edit({off, bare}));
        ASSERT_NE(storedForm(), before);
        ASSERT_TRUE(undo_->undo());
        EXPECT_EQ(storedForm(), before);
        EXPECT_EQ(bare->graphicStyle()->fill(), nullptr);
        EXPECT_EQ(bare->graphicStyle()->line(), nullptr);
        // The values the switched-off fill and line kept are there again.
        off->setHasFill(true);
        off->setHasLine(true);
        EXPECT_TRUE(off->graphicStyle()->fillColor()->isEqual(*kit::Color::colorWithDeviceRed(1, 0, 0)));
        EXPECT_EQ(off->lineWidth(), 2.0f);
    }
}

TEST_F(ItemArrayEditTest, UndoOfAStyleChangeKeepsTheValuesOfASwitchedOffLine)
{
    StyleInfo* sheet = document_->styleInfo();
    auto* named = dynamic_cast<StyleGraphicNamed*>(sheet->addNewStyleInStyles(sheet->graphicStyles()));
    ASSERT_NE(named, nullptr);
    StyleGraphic plain;
    // A named style, and an unnamed one that the box's own style takes the
    // values of.
    for (StyleGraphic* style : {static_cast<StyleGraphic*>(named), &plain}) {
        Item* box = addBox(0, kit::makeRect(0, 0, 10, 10), nullptr, 3.0f);
        box->setHasLine(false);
        undo_->push(modifyStyle({box}, style, true, false));
        ASSERT_TRUE(undo_->undo());
        EXPECT_FALSE(box->hasLine());
        box->setHasLine(true);
        EXPECT_EQ(box->lineWidth(), 3.0f);
    }
}

TEST_F(ItemArrayEditTest, ALineWidthOfAnItemThatTakesNoLineStaysAsItWas)
{
    Item* styleless = addStyleless(0);
    Item* box = addBox(0, kit::makeRect(0, 0, 10, 10), nullptr, 1.0f);
    undo_->push(modifyLineWidth({styleless, box}, 4.0f, true));
    EXPECT_EQ(styleless->lineWidth(), 0.0f);
    ASSERT_TRUE(undo_->undo());
    EXPECT_EQ(styleless->lineWidth(), 0.0f);
    EXPECT_EQ(box->lineWidth(), 1.0f);
}

TEST_F(ItemArrayEditTest, RotatingToZeroTurnsARotatedItemBackInPlace)
{
    Item* box = addBox(0, kit::makeRect(100, 100, 40, 20));
    kit::Point centre{};
    ASSERT_EQ(rotateBy({box}, 30, false), nullptr);
    box->calcMidpoints(&centre, false);
    float angle = 0.0f;
    ASSERT_TRUE(box->getRotation(&angle));
    ASSERT_FALSE(near(angle, 0.0f));
    undo_->push(rotateTo({box}, 0, true));
    ASSERT_TRUE(box->getRotation(&angle));
    EXPECT_TRUE(near(angle, 0.0f)) << angle;
    kit::Point now{};
    box->calcMidpoints(&now, false);
    EXPECT_TRUE(near(now.x, centre.x) && near(now.y, centre.y)) << now.x << "," << now.y;
    ASSERT_TRUE(undo_->undo());
    box->calcMidpoints(&now, false);
    EXPECT_TRUE(near(now.x, centre.x) && near(now.y, centre.y));
    ASSERT_TRUE(box->getRotation(&angle));
    EXPECT_FALSE(near(angle, 0.0f));
}

TEST_F(ItemArrayEditTest, RotatingSeveralItemsAndUndoingGivesEachItsOwnPlace)
{
    const std::vector<Item*> items{addBox(0, kit::makeRect(100, 100, 40, 20)),
                                   addBox(0, kit::makeRect(200, 120, 10, 60)),
                                   addBox(0, kit::makeRect(150, 300, 30, 30))};
    std::vector<kit::Rect> frames;
    for (Item* item : items)
        frames.push_back(item->frame());
    undo_->push(rotateBy(items, 25, true));
    ASSERT_TRUE(undo_->undo());
    for (std::size_t k = 0; k < items.size(); ++k) {
        EXPECT_TRUE(near(items[k]->frame().origin.x, frames[k].origin.x)) << k;
        EXPECT_TRUE(near(items[k]->frame().origin.y, frames[k].origin.y)) << k;
        EXPECT_FALSE(items[k]->isTransformed()) << k;
    }
}

TEST_F(ItemArrayEditTest, SettingOneFrameFieldChangesOnlyThatField)
{
    struct Case {
        int type;
        kit::Rect a, b;
    };
    const kit::Rect r = kit::makeRect(1, 2, 3, 4);
    const Case cases[] = {
        {Undo::FrameXSet, kit::makeRect(1, 20, 30, 40), kit::makeRect(1, 60, 70, 80)},
        {Undo::FrameYSet, kit::makeRect(10, 2, 30, 40), kit::makeRect(50, 2, 70, 80)},
        {Undo::FrameWidthSet, kit::makeRect(10, 20, 3, 40), kit::makeRect(50, 60, 3, 80)},
        {Undo::FrameHeightSet, kit::makeRect(10, 20, 30, 4), kit::makeRect(50, 60, 70, 4)},
        {Undo::FrameOriginSet, kit::makeRect(1, 2, 30, 40), kit::makeRect(1, 2, 70, 80)},
        {Undo::FrameSizeSet, kit::makeRect(10, 20, 3, 4), kit::makeRect(50, 60, 3, 4)},
        {Undo::FrameSet, r, r},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        undo_->empty();
        Item* a = addBox(0, kit::makeRect(10, 20, 30, 40));
        Item* b = addBox(0, kit::makeRect(50, 60, 70, 80));
        undo_->push(setFrame({a, b}, r, c.type, true));
        EXPECT_TRUE(kit::equalRects(a->frame(), c.a));
        EXPECT_TRUE(kit::equalRects(b->frame(), c.b));
        ASSERT_TRUE(undo_->undo());
        EXPECT_TRUE(kit::equalRects(a->frame(), kit::makeRect(10, 20, 30, 40)));
        EXPECT_TRUE(kit::equalRects(b->frame(), kit::makeRect(50, 60, 70, 80)));
    }
    Item* box = addBox(0, kit::makeRect(10, 20, 30, 40));
    EXPECT_EQ(setFrame({box}, r, Undo::RotatedTo, true), nullptr);
    EXPECT_TRUE(kit::equalRects(box->frame(), kit::makeRect(10, 20, 30, 40)));
}

TEST_F(ItemArrayEditTest, UndoingAScaleToGivesBackTheLineWidthAsWellAsTheFrame)
{
    Item* box = addBox(0, kit::makeRect(10, 20, 30, 40), nullptr, 1.5f);
    undo_->push(scaleTo({box}, 2, 2, true));
    ASSERT_TRUE(kit::equalRects(box->frame(), kit::makeRect(-5, 0, 60, 80)));
    ASSERT_EQ(box->lineWidth(), 3.0f);
    ASSERT_TRUE(undo_->undo());
    EXPECT_TRUE(kit::equalRects(box->frame(), kit::makeRect(10, 20, 30, 40)));
    EXPECT_EQ(box->lineWidth(), 1.5f);
}

TEST_F(ItemArrayEditTest, ApplyingAStyleLeavesAloneAndRecordsNothingForItemsThatUseItAlready)
{
    StyleInfo* sheet = document_->styleInfo();
    auto* named = dynamic_cast<StyleGraphicNamed*>(sheet->addNewStyleInStyles(sheet->graphicStyles()));
    ASSERT_NE(named, nullptr);
    Item* using_ = addBox(0, kit::makeRect(0, 0, 10, 10));
    using_->setGraphicStyle(named);
    Item* other = addBox(0, kit::makeRect(0, 0, 10, 10));
    std::unique_ptr<Undo> record = modifyStyle({using_, other}, named, true, false);
    ASSERT_NE(record, nullptr);
    const auto* entries = static_cast<UndoStyleGraphic&>(*record).listData();
    ASSERT_NE(entries, nullptr);
    ASSERT_EQ(entries->size(), 3u);
    EXPECT_FALSE((*entries)[1].has_value());
    ASSERT_TRUE((*entries)[2].has_value());
    EXPECT_EQ(using_->graphicStyle(), named);
    EXPECT_EQ(other->graphicStyle(), named);
    // Nothing is recorded for an item that stays as it was: undo gives the
    // other one its own style back.
    undo_->push(std::move(record));
    ASSERT_TRUE(undo_->undo());
    EXPECT_EQ(using_->graphicStyle(), named);
    EXPECT_FALSE(other->graphicStyle()->isNamedStyle());
}

TEST_F(ItemArrayEditTest, ParagraphSettingsGoToTextColumnsOnlyAndRecordNothing)
{
    auto column = std::make_shared<TextItem>();
    column->setFrame(kit::makeRect(72, 72, 200, 100), false);
    TextItem* raw = column.get();
    page(0)->addItems(std::move(column));
    Item* box = addBox(0, kit::makeRect(0, 0, 10, 10));
    StyleParagraph centred;
    centred.setAlignment(2);
    EXPECT_EQ(modifyTextStyle({box, raw}, &centred, true, false), nullptr);
    ASSERT_NE(raw->paragraphStyle(), nullptr);
    EXPECT_EQ(raw->paragraphStyle()->alignment(), 2);
    EXPECT_EQ(modifyRuler({box, raw}, &centred, true), nullptr);
}

} // namespace
