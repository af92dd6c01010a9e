// The page view's group and ungroup commands: which items they take, where
// the group stands, the selection, the records they push, and the group's
// geometry undone step by step; then a whole run as a user makes it.

#include "ItemLoopTestSupport.h"

#include "core/EventState.h"
#include "document/Guide.h"
#include "items/ItemArray.h"
#include "items/ItemGroup.h"
#include "items/PlacedItem.h"
#include "appkit/FilePanelHandler.h"
#include "core/Alert.h"
#include "foundation/StyleChar.h"
#include "text/TextWord.h"
#include "text/GraphicLink.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

class GroupCommandTest : public ItemLoopTest {
protected:
    std::vector<Item*> itemsOf(int page) const
    {
        std::vector<Item*> list;
        for (const auto& item : pages_[std::size_t(page)]->pageItems())
            list.push_back(item.get());
        return list;
    }
    UndoInfo& stack() { return *document_->undoInfo(); }

    // Frames and matrices of items, to compare within 1e-4 pt.
    struct Geometry {
        kit::Rect frame;
        float m[4];
    };
    static std::vector<Geometry> geometry(const std::vector<Item*>& items)
    {
        std::vector<Geometry> all;
        for (Item* item : items) {
            Geometry g{item->frame(), {}};
            item->getMatrix(g.m);
            all.push_back(g);
        }
        return all;
    }
    static void expectSame(const std::vector<Geometry>& a, const std::vector<Geometry>& b)
    {
        ASSERT_EQ(a.size(), b.size());
        for (std::size_t i = 0; i < a.size(); ++i) {
            EXPECT_TRUE(near(a[i].frame, b[i].frame, 1e-4f))
                << i << ": " << kit::stringFromRect(a[i].frame) << " and " << kit::stringFromRect(b[i].frame);
            for (int k = 0; k < 4; ++k)
                EXPECT_NEAR(a[i].m[k], b[i].m[k], 1e-4) << i << " " << k;
        }
    }
};

TEST_F(GroupCommandTest, GroupingTakesEachSelectedUnlockedItemOnceInPageOrder)
{
    ItemBox* a = addBox(0, kit::makeRect(100, 100, 50, 50));
    ItemBox* x = addBox(0, kit::makeRect(300, 100, 50, 50));
    ItemBox* b = addBox(0, kit::makeRect(200, 150, 50, 50));
    ItemBox* locked = addBox(0, kit::makeRect(400, 400, 50, 50));
    locked->lock();
    // Selected front-most first: the group takes page order all the same.
    document_->setSelection({b, locked, a}, nullptr);
    view_->group(nullptr);
    ASSERT_EQ(itemsOf(0).size(), 3u);
    auto* group = dynamic_cast<ItemGroup*>(itemsOf(0)[1]);
    ASSERT_NE(group, nullptr);
    // The group stands where its front-most member stood.
    EXPECT_EQ(itemsOf(0), (std::vector<Item*>{x, group, locked}));
    ASSERT_EQ(group->items().size(), 2u);
    EXPECT_EQ(group->items()[0].get(), a);
    EXPECT_EQ(group->items()[1].get(), b);
    EXPECT_EQ(group->page(), pages_[0]);
    EXPECT_EQ(a->page(), pages_[0]);
    EXPECT_EQ(document_->selected(), std::vector<Item*>{group});
    ASSERT_EQ(stack().count(), 1);
    EXPECT_EQ(stack().currentRecord()->undoType(), Undo::Grouped);

    // Undo puts the members back in the group's place; redo groups again.
    ASSERT_TRUE(stack().undo());
    EXPECT_EQ(itemsOf(0), (std::vector<Item*>{x, a, b, locked}));
    EXPECT_EQ(document_->selected(), (std::vector<Item*>{a, b}));
    ASSERT_TRUE(stack().redo());
    EXPECT_EQ(itemsOf(0), (std::vector<Item*>{x, group, locked}));
    EXPECT_EQ(group->items().size(), 2u);

    // One unlocked item is no group.
    document_->setSelection({x, locked}, nullptr);
    view_->group(nullptr);
    EXPECT_EQ(itemsOf(0).size(), 3u);
    EXPECT_EQ(stack().count(), 1);
}

TEST_F(GroupCommandTest, InTheMasterLayerTheGroupTakesItsFirstMembersPages)
{
    ASSERT_TRUE(document_->setEditingLayer(LayoutDocument::MasterLayer));
    auto master = [&](int flags, const kit::Rect& frame) {
        auto box = std::make_shared<ItemBox>();
        box->setFrame(frame, false);
        box->setMasterFlags(flags);
        Item* raw = box.get();
        pages_[0]->addItems(std::move(box));
        return raw;
    };
    Item* odd = master(2, kit::makeRect(100, 100, 50, 50));
    Item* all = master(3, kit::makeRect(200, 100, 50, 50));
    document_->setSelection({odd, all}, nullptr);
    view_->group(nullptr);
    ASSERT_EQ(document_->masterItems().size(), 1u);
    EXPECT_EQ(document_->masterItems().front()->masterFlags(), 2);
    document_->setEditingLayer(LayoutDocument::PagesLayer);
}

TEST_F(GroupCommandTest, UngroupingPutsTheMembersInTheGroupsPlaceAndUndoRebuildsIt)
{
    ItemBox* a = addBox(0, kit::makeRect(100, 100, 50, 50));
    ItemBox* b = addBox(0, kit::makeRect(200, 150, 50, 50));
    ItemBox* c = addBox(0, kit::makeRect(300, 150, 50, 50));
    document_->setSelection({a, b}, nullptr);
    view_->group(nullptr);
    Item* group = document_->selected().front();
    ASSERT_TRUE(group->isHitAt({210, 160}, view_));
    ASSERT_EQ(static_cast<ItemGroup*>(group)->hitItem(), b);

    document_->setSelection({group, c}, nullptr);
    view_->ungroup(nullptr);
    EXPECT_EQ(itemsOf(0), (std::vector<Item*>{a, b, c}));
    EXPECT_EQ(document_->selected(), (std::vector<Item*>{a, b, c}));
    // The members left the group: the member last hit is no more its.
    EXPECT_EQ(static_cast<ItemGroup*>(group)->hitItem(), nullptr);
    ASSERT_EQ(stack().count(), 2);
    EXPECT_EQ(stack().currentRecord()->undoType(), Undo::Ungrouped);

    ASSERT_TRUE(stack().undo());
    EXPECT_EQ(itemsOf(0), (std::vector<Item*>{group, c}));
    EXPECT_EQ(document_->selected(), (std::vector<Item*>{group, c}));
    ASSERT_TRUE(stack().redo());
    EXPECT_EQ(itemsOf(0), (std::vector<Item*>{a, b, c}));
    // Undone twice: no group at all.
    ASSERT_TRUE(stack().undo());
    ASSERT_TRUE(stack().undo());
    EXPECT_EQ(itemsOf(0), (std::vector<Item*>{a, b, c}));
}

TEST_F(GroupCommandTest, ControlDragsTheMemberOfALoneGroupThatTheClickHit)
{
    ItemBox* a = addBox(0, kit::makeRect(100, 100, 50, 50));
    ItemBox* b = addBox(0, kit::makeRect(200, 150, 50, 50));
    ItemBox* c = addBox(0, kit::makeRect(300, 150, 50, 50));
    ItemBox* locked = addBox(0, kit::makeRect(400, 150, 50, 50));
    locked->lock();
    document_->setSelection({a, b}, nullptr);
    view_->group(nullptr);
    auto* group = static_cast<ItemGroup*>(document_->selected().front());
    ASSERT_TRUE(group->isHitAt({210, 160}, view_));

    using Items = std::vector<Item*>;
    struct Case {
        Items selection;
        unsigned flags;
        Items expected;
    } cases[] = {
        {{group}, 0, {group}},
        {{group}, kit::ControlKeyMask, {b}},
        {{group}, kit::ControlKeyMask | kit::ShiftKeyMask, {b}},
        // A locked item is not dragged, and so leaves the group alone.
        {{group, locked}, kit::ControlKeyMask, {b}},
        {{group, c}, kit::ControlKeyMask, {group, c}},
        {{c}, kit::ControlKeyMask, {c}},
        {{}, kit::ControlKeyMask, {}},
    };
    for (const Case& k : cases) {
        document_->setSelection(k.selection, nullptr);
        Items got = view_->selectionToDrag(k.flags);
        std::sort(got.begin(), got.end());
        Items expected = k.expected;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(got, expected) << k.selection.size() << " selected, flags " << std::hex << k.flags;
    }

    // A click that hit no member leaves the group itself.
    document_->setSelection({group}, nullptr);
    ASSERT_FALSE(group->isHitAt({500, 500}, view_));
    EXPECT_EQ(view_->selectionToDrag(kit::ControlKeyMask), Items{group});
}

TEST_F(GroupCommandTest, RecomputingAGroupsTextLaysItsColumnsOutInTheirFramesThroughNestedGroups)
{
    TextItem* column = addColumn(0, kit::makeRect(72, 72, 400, 200));
    column->setTextType(1);
    setFont(column->flow());
    std::string words;
    for (int i = 0; i < 10; ++i)
        words += "abcdefghi ";
    type(column->flow(), words);
    column->flow()->recomputeAll();
    ASSERT_EQ(column->continueMarker(), TextItem::ContinueMarker::None);
    const std::string before = text(column->flow());
    ItemBox* box = addBox(0, kit::makeRect(100, 400, 50, 50));
    ItemBox* other = addBox(0, kit::makeRect(300, 400, 50, 50));
    document_->setSelection({column, box}, nullptr);
    view_->group(nullptr);
    Item* inner = document_->selected().front();
    document_->setSelection({inner, other}, nullptr);
    view_->group(nullptr);
    auto* outer = dynamic_cast<ItemGroup*>(document_->selected().front());
    ASSERT_NE(outer, nullptr);
    ASSERT_TRUE(outer->containsItem(column));

    // The frame narrowed without laying the text out: the layout is stale.
    column->setFrame(kit::makeRect(72, 72, 60, 20), false);
    ASSERT_EQ(column->continueMarker(), TextItem::ContinueMarker::None);
    EXPECT_FALSE(outer->recomputeTextItems());
    EXPECT_EQ(column->continueMarker(), TextItem::ContinueMarker::Plus);
    EXPECT_EQ(text(column->flow()), before);
}

TEST_F(GroupCommandTest, AGroupMovedScaledAndTurnedComesBackStepByStep)
{
    ItemBox* a = addBox(0, kit::makeRect(100, 100, 60, 40));
    ItemBox* b = addBox(0, kit::makeRect(180, 130, 30, 70));
    b->rotateByAngle(15);
    const std::vector<Geometry> original = geometry({a, b});
    document_->setSelection({a, b}, nullptr);
    view_->group(nullptr);
    Item* group = document_->selected().front();
    const std::vector<Geometry> grouped = geometry({group, a, b});

    stack().push(moveBy({group}, 25, -10, true));
    const std::vector<Geometry> moved = geometry({group, a, b});
    stack().push(scaleBy({group}, 2, 2, true));
    const std::vector<Geometry> scaled = geometry({group, a, b});
    EXPECT_NEAR(group->frame().size.width, grouped[0].frame.size.width * 2, 1e-3);
    stack().push(rotateBy({group}, 30, true));
    float m[4];
    group->getMatrix(m);
    EXPECT_NEAR(m[1], std::sin(30 * M_PI / 180), 1e-5);

    ASSERT_TRUE(stack().undo());
    expectSame(geometry({group, a, b}), scaled);
    ASSERT_TRUE(stack().undo());
    expectSame(geometry({group, a, b}), moved);
    ASSERT_TRUE(stack().undo());
    expectSame(geometry({group, a, b}), grouped);
    ASSERT_TRUE(stack().undo());
    expectSame(geometry({a, b}), original);
    EXPECT_EQ(itemsOf(0), (std::vector<Item*>{a, b}));
}

TEST_F(GroupCommandTest, TheSelectionsAttributesAcrossAGroupAndUndo)
{
    ItemBox* a = addBox(0, kit::makeRect(100, 100, 60, 40));
    ItemBox* b = addBox(0, kit::makeRect(180, 130, 30, 70));
    ItemBox* c = addBox(0, kit::makeRect(300, 300, 30, 30));
    document_->setSelection({a, b}, nullptr);
    view_->group(nullptr);
    Item* group = document_->selected().front();
    stack().push(modifyLineWidth({group, c}, 4.0f, true));
    EXPECT_FLOAT_EQ(a->lineWidth(), 4.0f);
    EXPECT_FLOAT_EQ(b->lineWidth(), 4.0f);
    EXPECT_FLOAT_EQ(c->lineWidth(), 4.0f);
    ASSERT_TRUE(stack().undo());
    EXPECT_FLOAT_EQ(a->lineWidth(), 1.0f);
    EXPECT_FLOAT_EQ(c->lineWidth(), 1.0f);
}

TEST_F(GroupCommandTest, APictureStaysInTheDocumentsLinksListOnceThroughGroupingAndUndo)
{
    auto placed = std::make_shared<PlacedItem>(PlacedItem::Defaults::None);
    placed->setFrame(kit::makeRect(100, 100, 50, 50), false);
    Item* picture = placed.get();
    pages_[0]->addItems(std::move(placed));
    ItemBox* box = addBox(0, kit::makeRect(200, 100, 50, 50));
    const auto listed = [&] {
        const std::vector<GraphicLink*> links = document_->linksInfo().links();
        return std::count(links.begin(), links.end(), dynamic_cast<GraphicLink*>(picture));
    };
    ASSERT_EQ(listed(), 1);
    document_->setSelection({picture, box}, nullptr);
    view_->group(nullptr);
    EXPECT_EQ(listed(), 1);
    view_->ungroup(nullptr);
    EXPECT_EQ(listed(), 1);
    for (int step = 0; step < 2; ++step) {
        ASSERT_TRUE(stack().undo());
        EXPECT_EQ(listed(), 1) << step;
    }
    ASSERT_TRUE(stack().redo());
    EXPECT_EQ(listed(), 1);
}

// A column and a picture inside a group are the document's as much as
// loose ones: the resource report lists them and markup is processed in
// the column.
TEST_F(GroupCommandTest, TheResourceReportAndMarkupReachIntoGroups)
{
    TextItem* column = addColumn(0, kit::makeRect(72, 72, 400, 200));
    column->setTextType(1);
    setFont(column->flow());
    type(column->flow(), "keep gone kept");
    TextParagraph* paragraph = column->flow()->firstParagraph();
    for (int w = 0; w < paragraph->wordCount(); ++w) {
        TextWord* word = paragraph->wordAtIndex(w);
        const std::string letters(word->text(), std::size_t(std::max(word->length(), 0)));
        // A style runs on until the next one: "kept" is set back to plain.
        if (letters == "gone" || letters == "kept") {
            auto style = std::make_unique<StyleChar>();
            style->setFont(paragraph->paragraphStyle()->font());
            style->setStrikeout(letters == "gone");
            word->addCharStyle(std::move(style), 0);
        }
    }
    column->flow()->recomputeAll();
    auto placed = std::make_shared<PlacedItem>(PlacedItem::Defaults::None);
    placed->setFrame(kit::makeRect(100, 400, 50, 50), false);
    Item* picture = placed.get();
    pages_[0]->addItems(std::move(placed));
    document_->setSelection({column, picture}, nullptr);
    view_->group(nullptr);
    ASSERT_NE(dynamic_cast<ItemGroup*>(document_->selected().front()), nullptr);

    const std::string folder = kit::FileManager::uniqueTemporaryPath("report");
    ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder));
    const std::string path = folder + "/grouped.list";
    auto files = std::make_shared<kit::ScriptedFilePanelHandler>();
    files->pushAnswer({1, {path}, {}});
    auto previousFiles = kit::setFilePanelHandler(files);
    auto savedOpener = LayoutDocument::fileOpener();
    LayoutDocument::fileOpener() = [](const std::string&) { return true; };
    document_->generateResourceList(nullptr);
    LayoutDocument::fileOpener() = savedOpener;
    kit::setFilePanelHandler(previousFiles);
    std::ifstream in(path);
    std::stringstream report;
    report << in.rdbuf();
    EXPECT_NE(report.str().find("Placed Graphics in this Document: (1 total)"), std::string::npos) << report.str();
    EXPECT_NE(report.str().find("Fonts used in this document: (1 total)"), std::string::npos) << report.str();
    kit::FileManager::removeFileAtPath(folder);

    auto alerts = std::make_shared<kit::ScriptedAlertHandler>();
    auto previousAlerts = kit::setAlertHandler(alerts);
    alerts->pushAnswer(kit::AlertDefaultReturn);
    document_->processTextMarkup(nullptr);
    kit::setAlertHandler(previousAlerts);
    EXPECT_EQ(text(column->flow()), "keep kept");
}

// A run as a user makes it: two boxes and a column drawn by dragging, the
// boxes grouped, the new column linked to one that holds text, a guide
// pulled out; then everything but the link (which records none) undone.
TEST_F(GroupCommandTest, ARunOfDrawingGroupingLinkingAndAGuideUndoneStepByStep)
{
    // The column the new one is linked to, with text of its own.
    TextItem* other = addColumn(1, kit::makeRect(72, 72, 200, 200));
    other->setTextType(1);
    setFont(other->flow());
    type(other->flow(), "text that was there before");
    const std::string otherText = text(other->flow());
    const std::string before = [&] {
        std::string all;
        for (Page* page : pages_)
            for (const auto& item : page->pageItems())
                all += kit::stringFromRect(item->frame()) + ";";
        return all;
    }();

    // The tool's part: each new item dragged out, put on the page, recorded.
    auto draw = [&](std::shared_ptr<Item> item, kit::Point from, kit::Point to) {
        queueDrag(pages_[0], {to});
        item->initWithMouseDown(mouseAt(kit::EventType::LeftMouseDown, pages_[0], from), view_);
        Item* raw = item.get();
        pages_[0]->addItems(std::move(item));
        stack().push(std::make_unique<Undo>(std::vector<Item*>{raw}, pages_[0], Undo::ItemsAdded));
        return raw;
    };
    Item* first = draw(std::make_shared<ItemBox>(), {100, 100}, {200, 160});
    Item* second = draw(std::make_shared<ItemBox>(), {250, 100}, {300, 220});
    auto newColumn = std::make_shared<TextItem>();
    newColumn->setTextType(1);
    setFont(newColumn->flow());
    auto* column = static_cast<TextItem*>(draw(newColumn, {100, 300}, {280, 420}));
    EXPECT_TRUE(near(first->frame(), kit::makeRect(100, 100, 100, 60)));
    EXPECT_TRUE(near(second->frame(), kit::makeRect(250, 100, 50, 120)));
    EXPECT_TRUE(near(column->frame(), kit::makeRect(100, 300, 180, 120)));

    document_->setSelection({first, second}, nullptr);
    view_->group(nullptr);
    ASSERT_EQ(pages_[0]->pageItems().size(), 2u);

    // The new column's marker dragged onto the other column.
    kit::Rect marker{};
    getTContinueRect(column, 1.0f, &marker, false);
    const kit::Point start{kit::midX(marker), kit::midY(marker)};
    int knob = column->isHitAtKnob(start, view_);
    ASSERT_EQ(knob, 8);
    kit::Point target{150, 150};
    pages_[1]->convertToView(&target);
    pages_[0]->convertToPage(&target);
    queueDrag(pages_[0], {target});
    column->performResize(&knob, view_, mouseAt(kit::EventType::LeftMouseDown, pages_[0], start));
    ASSERT_EQ(column->nextColumn(), other);
    EXPECT_EQ(text(column->flow()), otherText);

    // A vertical guide pulled out of the ruler onto the first page.
    kit::Point guideAt{400, 300};
    pages_[0]->convertToView(&guideAt);
    queueCanvasDrag({guideAt});
    view_->addGuide(mouseAt(kit::EventType::LeftMouseDown, canvasInWindow({guideAt.x, 0})), Guide::Vertical);
    ASSERT_EQ(pages_[0]->guides().size(), 1u);
    ASSERT_EQ(stack().count(), 5);

    // Guide, group, column, second box, first box.
    ASSERT_TRUE(stack().undo());
    EXPECT_TRUE(pages_[0]->guides().empty());
    ASSERT_TRUE(stack().undo());
    EXPECT_EQ(pages_[0]->pageItems().size(), 3u);
    ASSERT_TRUE(stack().undo());
    ASSERT_TRUE(stack().undo());
    ASSERT_TRUE(stack().undo());
    EXPECT_FALSE(stack().undo());
    EXPECT_TRUE(pages_[0]->pageItems().empty());
    const std::string after = [&] {
        std::string all;
        for (Page* page : pages_)
            for (const auto& item : page->pageItems())
                all += kit::stringFromRect(item->frame()) + ";";
        return all;
    }();
    EXPECT_EQ(after, before);
    // The other column keeps its text.
    EXPECT_EQ(text(other->flow()), otherText);
    document_->notifyUpdate(nullptr, nullptr);
    const repaint::Mismatch m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
}

} // namespace
