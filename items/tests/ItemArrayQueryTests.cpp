// What a selection has in common (or "mixed"), the lists built from a
// selection, and the old values a record keeps of items that do not take a
// change.

#include "document/tests/UndoTestSupport.h"

#include "document/UndoStyleGraphic.h"
#include "foundation/GxRecords.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/Font.h"
#include "text/TextFlow.h"
#include "items/ItemArray.h"
#include "items/ItemGroup.h"

#include <cmath>

namespace {

class ItemArrayQueryTest : public UndoTest {
protected:
    StyleGraphicNamed* namedStyle()
    {
        StyleInfo* sheet = document_->styleInfo();
        auto* named = dynamic_cast<StyleGraphicNamed*>(sheet->addNewStyleInStyles(sheet->graphicStyles()));
        EXPECT_NE(named, nullptr);
        return named;
    }
};

TEST_F(ItemArrayQueryTest, QueriesAnswerTheCommonValueOrMixed)
{
    ItemBox* plain = addBox(0, kit::makeRect(10, 10, 50, 50));
    ItemBox* turned = addBox(0, kit::makeRect(100, 10, 50, 50));
    turned->rotateByAngle(30);
    ItemBox* turnedToo = addBox(0, kit::makeRect(200, 10, 50, 50));
    turnedToo->rotateByAngle(30);
    ItemBox* locked = addBox(0, kit::makeRect(300, 10, 50, 50));
    locked->lock();
    locked->setMasterFlags(2);
    TextItem* column = nullptr;
    {
        auto c = std::make_shared<TextItem>();
        c->setFrame(kit::makeRect(10, 100, 100, 100), false);
        c->setConformsToMaster(false);
        column = c.get();
        page(0)->addItems(std::move(c));
    }
    struct Case {
        const char* what;
        std::vector<Item*> items;
        bool rotationCommon;
        float angle;
        bool locked;
        int masterFlags;
        bool conforms;
    } cases[] = {
        {"none", {}, true, 0, true, 0, true},
        // The reading runs the other way in page coordinates (y down).
        {"one turned", {turned}, true, -30, false, 0, true},
        {"two turned alike", {turned, turnedToo}, true, -30, false, 0, true},
        {"turned and not", {plain, turned}, false, 0, false, 0, true},
        {"locked only", {locked}, true, 0, true, 2, true},
        {"locked and not", {plain, locked}, true, 0, false, 2, true},
        {"a column that does not conform", {plain, column}, true, 0, false, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        float angle = -1;
        EXPECT_EQ(getRotation(c.items, &angle), c.rotationCommon);
        if (c.rotationCommon) {
            EXPECT_NEAR(angle, c.angle, 1e-4);
        }
        EXPECT_EQ(isLocked(c.items), c.locked);
        EXPECT_EQ(masterFlags(c.items), c.masterFlags);
        EXPECT_EQ(conformsToMaster(c.items), c.conforms);
        float sx = 0, sy = 0;
        EXPECT_TRUE(getScale(c.items, &sx, &sy));
        EXPECT_EQ(sx, 1.0f);
        EXPECT_EQ(sy, 1.0f);
    }
    const std::vector<Item*> two{plain, turned};
    EXPECT_TRUE(kit::equalRects(frame(two), kit::makeRect(10, 10, 140, 50)));
    EXPECT_TRUE(kit::isEmptyRect(frame({})));
    kit::Rect bounds{};
    getFrameBounds(two, &bounds);
    kit::Rect turnedBounds{};
    turned->getFrameBounds(&turnedBounds);
    EXPECT_TRUE(kit::equalRects(bounds, kit::unionRect(plain->frame(), turnedBounds)));
    int permissions = -1;
    EXPECT_EQ(checkGraphicPermissions({plain, column}, &permissions),
              plain->graphicPermissions() | column->graphicPermissions());
    EXPECT_EQ(permissions, plain->graphicPermissions() | column->graphicPermissions());
}

TEST_F(ItemArrayQueryTest, TheCommonGraphicStyleAndTheAttributesThatDiffer)
{
    ItemBox* a = addBox(0, kit::makeRect(10, 10, 50, 50), kit::Color::colorWithDeviceRed(1, 0, 0), 1.0f);
    ItemBox* b = addBox(0, kit::makeRect(100, 10, 50, 50), kit::Color::colorWithDeviceRed(1, 0, 0), 1.0f);
    ItemBox* wide = addBox(0, kit::makeRect(200, 10, 50, 50), kit::Color::colorWithDeviceRed(1, 0, 0), 3.0f);
    // Alike: no differences; the first item's style answers.
    StyleGraphic values;
    int differences = -1;
    EXPECT_EQ(checkGraphicStyleValues({a, b}, &values, &differences), a->graphicStyle());
    EXPECT_EQ(differences, 0);
    EXPECT_FLOAT_EQ(values.lineWidth(), 1.0f);
    // The line width is mixed: its bit is set, the fill's is not.
    EXPECT_NE(checkGraphicStyleValues({a, wide}, &values, &differences), nullptr);
    const int lineWidthOnly = differences;
    EXPECT_NE(lineWidthOnly, 0);
    b->setFillColor(kit::Color::colorWithDeviceRed(0, 0, 1));
    checkGraphicStyleValues({a, b}, &values, &differences);
    EXPECT_NE(differences, 0);
    EXPECT_EQ(differences & lineWidthOnly, 0);

    // A local style meeting a named one: no common style.
    StyleGraphicNamed* named = namedStyle();
    ItemBox* styled = addBox(0, kit::makeRect(300, 10, 50, 50));
    styled->setGraphicStyle(named);
    ItemBox* styledToo = addBox(0, kit::makeRect(400, 10, 50, 50));
    styledToo->setGraphicStyle(named);
    EXPECT_EQ(graphicStyle({a, styled}), nullptr);
    EXPECT_EQ(graphicStyle({styled, styledToo}), named);
    EXPECT_EQ(graphicStyle({}), nullptr);
}

TEST_F(ItemArrayQueryTest, TheFontAndParagraphStyleOfTheColumns)
{
    ItemBox* box = addBox(0, kit::makeRect(10, 10, 50, 50));
    auto addColumn = [&](float y, const char* fontName) {
        auto c = std::make_shared<TextItem>();
        c->setFrame(kit::makeRect(10, y, 100, 50), false);
        TextItem* raw = c.get();
        page(0)->addItems(std::move(c));
        raw->flow()->setCurrentFont(kit::Font::fontWithName(fontName, 12));
        return raw;
    };
    TextItem* times = addColumn(100, "Times-Roman");
    TextItem* timesToo = addColumn(200, "Times-Roman");
    TextItem* helvetica = addColumn(300, "Helvetica");
    kit::Font* timesFont = kit::Font::fontWithName("Times-Roman", 12);
    kit::Font* helveticaFont = kit::Font::fontWithName("Helvetica", 12);
    ASSERT_NE(timesFont, nullptr);
    ASSERT_NE(helveticaFont, nullptr);
    ASSERT_NE(timesFont, helveticaFont);

    struct FontCase {
        const char* what;
        std::vector<Item*> items;
        kit::Font* font;
        int mixed;
    } fonts[] = {
        {"no column", {box}, nullptr, 0},
        {"one font", {times, box, timesToo}, timesFont, 0},
        // The last column's font, and mixed.
        {"two fonts", {times, helvetica, box}, helveticaFont, 1},
        {"two fonts the other way", {helvetica, times}, timesFont, 1},
    };
    for (const FontCase& c : fonts) {
        SCOPED_TRACE(c.what);
        int mixed = 0;
        EXPECT_EQ(getFont(c.items, &mixed), c.font);
        EXPECT_EQ(mixed, c.mixed);
    }

    // One column's paragraph based on a named style, the others local.
    StyleInfo* sheet = document_->styleInfo();
    auto* named = dynamic_cast<StyleParagraphNamed*>(sheet->addNewStyleInStyles(sheet->paragraphStyles()));
    ASSERT_NE(named, nullptr);
    StyleParagraph* local = times->paragraphStyle();
    StyleParagraph* based = timesToo->paragraphStyle();
    StyleParagraph* localToo = helvetica->paragraphStyle();
    ASSERT_NE(local, nullptr);
    ASSERT_NE(based, nullptr);
    ASSERT_NE(localToo, nullptr);
    ASSERT_NE(local, localToo);
    based->setBasedOnStyle(named);
    ASSERT_TRUE(based->isBasedOnNamedStyle());
    ASSERT_FALSE(local->isBasedOnNamedStyle());
    struct StyleCase {
        const char* what;
        std::vector<Item*> items;
        StyleParagraph* style;
    } styles[] = {
        {"no column", {box}, nullptr},
        {"one column", {box, times}, local},
        {"two local styles: the first", {times, helvetica}, local},
        {"a local style meets one based on a named style", {times, timesToo}, nullptr},
        {"the next column offers a new candidate", {times, timesToo, helvetica}, localToo},
        {"a style based on a named one stays", {timesToo, times}, based},
    };
    for (const StyleCase& c : styles) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(paragraphStyle(c.items), c.style);
    }
}

TEST_F(ItemArrayQueryTest, ListsSplitByLockStateAndKind)
{
    ItemBox* a = addBox(0, kit::makeRect(10, 10, 50, 50));
    ItemBox* b = addBox(0, kit::makeRect(100, 10, 50, 50));
    b->lock();
    auto c = std::make_shared<TextItem>();
    c->setFrame(kit::makeRect(10, 100, 100, 100), false);
    TextItem* column = c.get();
    page(0)->addItems(std::move(c));
    const std::vector<Item*> all{a, b, column};
    std::vector<Item*> locked{a}, unlocked{b};
    EXPECT_EQ(&splitIntoLocked(all, &locked, &unlocked), &all);
    EXPECT_EQ(locked, std::vector<Item*>{b});
    EXPECT_EQ(unlocked, (std::vector<Item*>{a, column}));
    EXPECT_EQ(subsetCopyForLockState(all, true), std::vector<Item*>{b});
    EXPECT_EQ(subsetCopyForLockState(all, false), (std::vector<Item*>{a, column}));
    EXPECT_TRUE(subsetCopyForLockState({a}, true).empty());
    EXPECT_EQ(subsetCopyForTextItems(all), std::vector<Item*>{column});
    EXPECT_TRUE(subsetCopyForTextItems({a, b}).empty());
}

TEST_F(ItemArrayQueryTest, AnAbsoluteLineWidthBelowZeroIsNoWidth)
{
    ItemBox* a = addBox(0, kit::makeRect(10, 10, 50, 50), nullptr, 2.0f);
    ItemBox* b = addBox(0, kit::makeRect(100, 10, 50, 50), nullptr, 5.0f);
    for (float width : {-0.5f, -3.0f, -1e30f, NAN}) {
        std::unique_ptr<Undo> record = modifyLineWidth({a, b}, width, true);
        EXPECT_FLOAT_EQ(a->lineWidth(), 0.0f) << width;
        EXPECT_FLOAT_EQ(b->lineWidth(), 0.0f) << width;
        record->undoInDocument(document_.get());
        EXPECT_FLOAT_EQ(a->lineWidth(), 2.0f) << width;
        EXPECT_FLOAT_EQ(b->lineWidth(), 5.0f) << width;
    }
    // -1 and -2 stay steps.
    modifyLineWidth({a}, -2.0f, false);
    EXPECT_GT(a->lineWidth(), 2.0f);
}

// A box that takes no arrows (a plain box), and one that does.
class ArrowBox : public ItemBox {
public:
    bool canArrow() const override { return true; }
};

TEST_F(ItemArrayQueryTest, ARecordKeepsWhatItemsThatDoNotTakeTheChangeHave)
{
    // The plain box's style carries an arrow it does not draw.
    ItemBox* plain = addBox(0, kit::makeRect(10, 10, 50, 50));
    GxArrow kept = GxNoArrow;
    kept.kind = 2;
    kept.count = 3;
    kept.points[1] = {5, 2};
    kept.points[2] = {0, 4};
    plain->graphicStyle()->setLeftArrow(&kept);
    auto arrows = std::make_shared<ArrowBox>();
    arrows->setFrame(kit::makeRect(100, 10, 50, 50), false);
    Item* arrowBox = arrows.get();
    page(0)->addItems(std::move(arrows));

    GxArrow applied = GxNoArrow;
    applied.kind = 1;
    applied.count = 3;
    applied.points[1] = {4, 2};
    applied.points[2] = {0, 4};
    std::unique_ptr<Undo> record = modifyArrow({plain, arrowBox}, &applied, Undo::LeftArrowSet, true);
    const auto* data = dynamic_cast<UndoStyleGraphic*>(record.get())->arrowData();
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(data->size(), 3u);
    EXPECT_TRUE(GxEqualArrow(&(*data)[0], &applied));
    // The plain box's slot holds its own arrow, not an empty record.
    EXPECT_TRUE(GxEqualArrow(&(*data)[1], &kept));
    EXPECT_TRUE(GxEqualArrow(&(*data)[2], nullptr));
    EXPECT_TRUE(GxEqualArrow(plain->graphicStyle()->leftArrow(), &kept));
}

} // namespace

namespace {

// Counts the page's re-layouts.
class CountingLayoutPage : public Page {
public:
    bool handleOverlaps(Item* item, bool display) override
    {
        ++overlaps;
        return Page::handleOverlaps(item, display);
    }
    int overlaps = 0;
};

TEST_F(ItemArrayQueryTest, AnEditOfManyItemsLaysTheirPageOutOnceAndSoDoesItsUndo)
{
    CountingLayoutPage page;
    std::vector<std::shared_ptr<ItemBox>> boxes;
    std::vector<Item*> items;
    for (int i = 0; i < 50; ++i) {
        boxes.push_back(std::make_shared<ItemBox>());
        boxes.back()->setFrame(kit::makeRect(float(i) * 10, 10, 8, 8), false);
        boxes.back()->setPage(&page);
        items.push_back(boxes.back().get());
    }
    const std::function<std::unique_ptr<Undo>()> edits[] = {
        [&] { return modifyLineWidth(items, 3.0f, true); },
        [&] { return setFrame(items, kit::makeRect(0, 0, 20, 20), Undo::FrameSizeSet, true); },
        [&] { return scaleBy(items, 2, 2, true); },
        [&] { return rotateBy(items, 10, true); },
    };
    for (std::size_t i = 0; i < std::size(edits); ++i) {
        page.overlaps = 0;
        std::unique_ptr<Undo> record = edits[i]();
        EXPECT_EQ(page.overlaps, 1) << i;
        page.overlaps = 0;
        record->undoInDocument(document_.get());
        EXPECT_EQ(page.overlaps, 1) << i;
    }
}

} // namespace
