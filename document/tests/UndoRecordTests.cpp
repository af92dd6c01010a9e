// What the undo records do beyond giving back a state: where items, pages
// and guides go and who holds them meanwhile, the layer and selection they
// leave, what the views are told, and what a record does when what it names
// is gone.

#include "UndoTestSupport.h"

#include "document/UndoComposite.h"
#include "document/UndoGuide.h"
#include "document/UndoOrder.h"
#include "document/UndoPage.h"
#include "document/UndoStyleGraphic.h"
#include "document/UndoTrans.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraph.h"
#include "foundation/UnitsInfo.h"
#include "graphics/Font.h"
#include "items/ItemArray.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"
#include "view/PageView.h"

namespace {

// A page view that counts what the document tells it to redisplay.
class CountingPageView : public PageView {
public:
    void notifyUpdateForRect(const kit::Rect& rect) override
    {
        ++rectUpdates;
        PageView::notifyUpdateForRect(rect);
    }
    int rectUpdates = 0;
};

class UndoRecordTest : public UndoTest {
protected:
    void TearDown() override
    {
        if (viewAdded_)
            document_->detachView(&view_);
        UndoTest::TearDown();
    }
    CountingPageView* view()
    {
        if (!viewAdded_)
            document_->addView(&view_);
        viewAdded_ = true;
        return &view_;
    }
    // A column on the page with a flow of its own, or chained after one.
    TextItem* addColumn(int pageIndex, TextItem* after = nullptr)
    {
        auto column = std::make_shared<TextItem>();
        column->setFrame(kit::makeRect(72, 72, 200, 100), false);
        TextItem* raw = column.get();
        page(pageIndex)->addItems(std::move(column));
        if (after)
            after->joinColumn(raw);
        return raw;
    }

    CountingPageView view_;
    bool viewAdded_ = false;
};

TEST_F(UndoRecordTest, UndoingAnAdditionAndRedoingItTakesOutAndPutsBackTheSameColumnsInTheirChain)
{
    TextItem* first = addColumn(0);
    TextItem* middle = addColumn(1, first);
    TextItem* last = addColumn(2, middle);
    std::weak_ptr<Item> watch;
    for (const auto& item : page(1)->pageItems())
        if (item.get() == middle)
            watch = item;
    undo_->push(std::make_unique<Undo>(std::vector<Item*>{middle}, page(1), Undo::ItemsAdded));

    ASSERT_TRUE(undo_->undo());
    EXPECT_EQ(placeOf(page(1), middle), -1);
    EXPECT_EQ(first->nextColumn(), last);
    EXPECT_EQ(last->prevColumn(), first);
    EXPECT_TRUE(document_->selected().empty());
    // The record holds the column while it is off its page.
    EXPECT_FALSE(watch.expired());

    ASSERT_TRUE(undo_->redo());
    EXPECT_EQ(placeOf(page(1), middle), 0);
    EXPECT_EQ(first->nextColumn(), middle);
    EXPECT_EQ(middle->nextColumn(), last);
    EXPECT_EQ(last->prevColumn(), middle);

    // Undone again and dropped: what only the record held goes with it.
    ASSERT_TRUE(undo_->undo());
    undo_->empty();
    EXPECT_TRUE(watch.expired());
}

// Items put back at their places under a column: its text was laid out
// without them and must stay so, not keep the outline of an item that was
// on top for a moment.
TEST_F(UndoRecordTest, ItemsPutBackBelowAColumnLeaveItsTextAsItWas)
{
    ItemBox* below = addBox(0, kit::makeRect(60, 60, 80, 80));
    below->setRunaround(true, 5, 5, 5, 5, 0, false);
    TextItem* column = addColumn(0);
    ASSERT_EQ(placeOf(page(0), below), 0);
    TextFlow* flow = column->flow();
    kit::Font* font = kit::Font::fontWithName("Times-Roman", 12);
    ASSERT_NE(font, nullptr);
    flow->firstParagraph()->paragraphStyle()->setFont(font);
    auto typing = std::make_unique<StyleChar>();
    typing->setFont(font);
    flow->setCharStyle(std::move(typing));
    for (char c : std::string("one two three four five six seven eight nine ten eleven twelve"))
        flow->currentParagraph()->addByte(static_cast<unsigned char>(c));
    flow->recomputeAll();
    const auto placed = [&] {
        std::vector<float> xs;
        for (const auto& word : flow->paragraphAtIndex(0)->wordList())
            for (int p = 0; p < word->numWordPieces(); ++p)
                xs.push_back(word->xOriginForPiece(p));
        return xs;
    };
    const std::vector<float> before = placed();
    ASSERT_GE(before.size(), 2u);
    ASSERT_FLOAT_EQ(before[0], 0);
    ASSERT_GT(before[1], 0);

    // Taken off, and put back at the place the record kept.
    undo_->push(std::make_unique<Undo>(std::vector<Item*>{below}, page(0), Undo::ItemsAdded));
    ASSERT_TRUE(undo_->undo());
    ASSERT_EQ(placeOf(page(0), below), -1);
    ASSERT_TRUE(undo_->redo());
    ASSERT_EQ(placeOf(page(0), below), 0);
    EXPECT_EQ(placed(), before);
}

TEST_F(UndoRecordTest, TheMainViewIsToldOnceWhateverTheNumberOfColumns)
{
    CountingPageView* main = view();
    TextItem* a = addColumn(0);
    TextItem* b = addColumn(1, a);
    TextItem* c = addColumn(2, b);
    const std::vector<Item*> columns{a, b, c};
    for (int code : {Undo::ItemsAdded, Undo::ItemsRemoved}) {
        SCOPED_TRACE(code);
        main->rectUpdates = 0;
        handleTextColumns(columns, code);
        EXPECT_EQ(main->rectUpdates, 1);
    }
    // Nothing to tell when no column is among the items.
    main->rectUpdates = 0;
    handleTextColumns({addBox(0, kit::makeRect(1, 1, 5, 5))}, Undo::ItemsAdded);
    EXPECT_EQ(main->rectUpdates, 0);
}

TEST_F(UndoRecordTest, RecordsOfItemsInTheOtherLayerLeaveItsSelectionAsTheirCodeSays)
{
    // Master items edited while the pages layer is the one being edited.
    auto master = std::make_shared<ItemBox>();
    master->setFrame(kit::makeRect(10, 10, 20, 20), false);
    master->setMasterFlags(3);
    Item* raw = master.get();
    document_->addMasterItem(master);
    raw->setPage(page(0));
    struct Case {
        int code;
        bool selected;
    };
    const Case cases[] = {{Undo::Locked, true}, {Undo::Unlocked, true}, {Undo::Moved, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        undo_->empty();
        std::unique_ptr<Undo> record;
        if (c.code == Undo::Moved) {
            record = moveBy({raw}, 5, 5, true);
        } else {
            record = std::make_unique<Undo>(std::vector<Item*>{raw}, page(0), c.code);
        }
        undo_->push(std::move(record));
        ASSERT_EQ(document_->getEditingLayer(), LayoutDocument::PagesLayer);
        ASSERT_TRUE(undo_->undo());
        EXPECT_EQ(document_->getEditingLayer(), LayoutDocument::PagesLayer);
        EXPECT_EQ(document_->selected().size(), c.selected ? 1u : 0u);
    }
    // The addition of a master item is undone in the master layer.
    undo_->empty();
    undo_->push(std::make_unique<Undo>(std::vector<Item*>{raw}, page(0), Undo::ItemsAdded));
    master.reset();
    ASSERT_TRUE(undo_->undo());
    EXPECT_TRUE(document_->masterItems().empty());
    EXPECT_EQ(document_->getEditingLayer(), LayoutDocument::PagesLayer);
    ASSERT_TRUE(undo_->redo());
    ASSERT_EQ(document_->masterItems().size(), 1u);
    EXPECT_EQ(document_->masterItems().front().get(), raw);
    EXPECT_EQ(document_->selected(), std::vector<Item*>{raw});
}

TEST_F(UndoRecordTest, ACompositeUndoesItsRecordsBackwardsAndRedoesThemForwards)
{
    Item* box = addBox(0, kit::makeRect(0, 0, 10, 10));
    auto composite = std::make_unique<UndoComposite>();
    // Three moves whose order shows in the stored positions.
    composite->addUndo(moveBy({box}, 1, 0, true));
    composite->addUndo(scaleBy({box}, 2, 2, true));
    composite->addUndo(moveBy({box}, 0, 3, true));
    EXPECT_EQ(composite->count(), 3);
    const kit::Rect after = box->frame();
    undo_->push(std::move(composite));
    ASSERT_TRUE(undo_->undo());
    EXPECT_TRUE(kit::equalRects(box->frame(), kit::makeRect(0, 0, 10, 10)));
    ASSERT_TRUE(undo_->redo());
    EXPECT_TRUE(kit::equalRects(box->frame(), after));
}

TEST_F(UndoRecordTest, ACompositeHandsBackARecordTakenOffAndTakesOverAList)
{
    Item* box = addBox(0, kit::makeRect(0, 0, 10, 10));
    UndoComposite composite;
    composite.addUndo(moveBy({box}, 1, 0, true));
    composite.addUndo(moveBy({box}, 0, 1, true));
    const Undo* first = composite.undoList().front().get();
    std::unique_ptr<Undo> taken = composite.removeUndo(first);
    EXPECT_EQ(taken.get(), first);
    EXPECT_EQ(composite.count(), 1);
    EXPECT_EQ(composite.removeUndo(first), nullptr);
    std::vector<std::unique_ptr<Undo>> list;
    list.push_back(std::move(taken));
    list.push_back(nullptr);
    composite.setUndoList(std::move(list));
    ASSERT_EQ(composite.count(), 1);
    EXPECT_EQ(composite.undoList().front().get(), first);
    EXPECT_EQ(composite.undoType(), Undo::Composite);
    // Only the move by (1, 0) is undone.
    composite.undoInDocument(document_.get());
    EXPECT_TRUE(kit::equalRects(box->frame(), kit::makeRect(0, 1, 10, 10)));
}

// The places of an order record pair with its items in any order, and a
// place beyond a list that shrank meanwhile puts the item on top.
TEST_F(UndoRecordTest, AnOrderRecordPutsItemsBackInAscendingOrderOfTheirPlacesClampedToTheList)
{
    std::vector<ItemBox*> boxes;
    for (int i = 0; i < 6; ++i)
        boxes.push_back(addBox(0, kit::makeRect(10.0f * i, 0, 10, 10)));
    const std::vector<Item*> before = itemsOf(page(0));
    // Listed with the higher place first.
    auto record = std::make_unique<UndoOrder>(std::vector<Item*>{boxes[4], boxes[1]}, page(0), Undo::SentToBack);
    record->setPlaces({4, 1});
    record->redoInDocument(document_.get());
    ASSERT_EQ(itemsOf(page(0))[0], boxes[4]);
    undo_->push(std::move(record));
    ASSERT_TRUE(undo_->undo());
    EXPECT_EQ(itemsOf(page(0)), before);

    // Items removed meanwhile: the list is shorter than the places.
    ASSERT_TRUE(undo_->redo());
    page(0)->removeItems({boxes[0], boxes[2], boxes[3], boxes[5]});
    ASSERT_TRUE(undo_->undo());
    EXPECT_EQ(itemsOf(page(0)), (std::vector<Item*>{boxes[1], boxes[4]}));
}

TEST_F(UndoRecordTest, TwoNeighboursMoveTogetherForwardAndBackKeepingTheirOrder)
{
    std::vector<ItemBox*> b;
    for (int i = 0; i < 4; ++i)
        b.push_back(addBox(0, kit::makeRect(10.0f * i, 0, 10, 10)));
    struct Case {
        int code;
        std::vector<int> after;
    };
    const Case cases[] = {
        {Undo::BroughtForward, {0, 3, 1, 2}},
        {Undo::SentBackward, {1, 2, 0, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        auto record = std::make_unique<UndoOrder>(std::vector<Item*>{b[1], b[2]}, page(0), c.code);
        record->setPlaces({1, 2});
        record->redoInDocument(document_.get());
        std::vector<Item*> expected;
        for (int i : c.after)
            expected.push_back(b[std::size_t(i)]);
        EXPECT_EQ(itemsOf(page(0)), expected);
        undo_->push(std::move(record));
        ASSERT_TRUE(undo_->undo());
        EXPECT_EQ(itemsOf(page(0)), (std::vector<Item*>{b[0], b[1], b[2], b[3]}));
    }
}

TEST_F(UndoRecordTest, AGuideRecordHoldsTheGuideItTookOffThePage)
{
    auto made = std::make_unique<Guide>(200.0f, Guide::Vertical);
    Guide* guide = made.get();
    page(1)->addGuide(std::move(made));
    auto record = std::make_unique<UndoGuide>(std::vector<Item*>{}, page(1), Undo::GuideAdded);
    record->setGuide(guide);
    UndoGuide* raw = record.get();
    undo_->push(std::move(record));
    ASSERT_TRUE(undo_->undo());
    EXPECT_TRUE(page(1)->guides().empty());
    EXPECT_EQ(raw->heldGuide(), guide);
    EXPECT_EQ(raw->guide(), guide);
    ASSERT_TRUE(undo_->redo());
    ASSERT_EQ(page(1)->guides().size(), 1u);
    EXPECT_EQ(page(1)->guides().front().get(), guide);
    EXPECT_EQ(guide->location(), 200.0f);
    // Taken off again and dropped with the record: nothing is left of it.
    ASSERT_TRUE(undo_->undo());
    undo_->empty();
    EXPECT_TRUE(page(1)->guides().empty());
}

TEST_F(UndoRecordTest, GuideRecordsOfTheMasterLayerTakeAndPutBackMasterGuides)
{
    ASSERT_TRUE(document_->setEditingLayer(LayoutDocument::MasterLayer));
    auto made = std::make_unique<Guide>(300.0f, Guide::Horizontal);
    Guide* guide = made.get();
    page(0)->addGuide(std::move(made));
    ASSERT_TRUE(document_->setEditingLayer(LayoutDocument::PagesLayer));
    ASSERT_EQ(document_->masterGuides().size(), 1u);
    auto record = std::make_unique<UndoGuide>(std::vector<Item*>{}, page(0), Undo::GuideAdded);
    record->setGuide(guide);
    undo_->push(std::move(record));
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(undo_->undo());
        EXPECT_TRUE(document_->masterGuides().empty());
        ASSERT_TRUE(undo_->redo());
        ASSERT_EQ(document_->masterGuides().size(), 1u);
        EXPECT_EQ(document_->masterGuides().front().get(), guide);
        EXPECT_TRUE(page(0)->guides().empty());
    }
    EXPECT_EQ(document_->getEditingLayer(), LayoutDocument::PagesLayer);
}

TEST_F(UndoRecordTest, AGuideMoveUndoneAndRedoneGoesBackAndForthByItsOffset)
{
    struct Case {
        char orientation;
        float dx, dy;
    };
    for (const Case& c : {Case{Guide::Horizontal, 0, 20}, Case{Guide::Vertical, 20, 0}}) {
        SCOPED_TRACE(int(c.orientation));
        auto made = std::make_unique<Guide>(100.0f, c.orientation);
        Guide* guide = made.get();
        page(0)->addGuide(std::move(made));
        guide->setLocation(120.0f);
        auto record = std::make_unique<UndoGuide>(std::vector<Item*>{}, page(0), Undo::GuideMoved);
        record->setGuide(guide);
        record->setMoveBy(c.dx, c.dy);
        undo_->push(std::move(record));
        ASSERT_TRUE(undo_->undo());
        EXPECT_EQ(guide->location(), 100.0f);
        ASSERT_TRUE(undo_->redo());
        EXPECT_EQ(guide->location(), 120.0f);
        // A guide that is gone is not moved.
        page(0)->removeGuide(guide);
        EXPECT_TRUE(undo_->undo());
    }
}

TEST_F(UndoRecordTest, UndoingARulerOriginMoveTwiceGivesTheMovedOriginBack)
{
    auto check = [&](auto* document) {
        if constexpr (requires { document->unitsInfo(); }) {
            UnitsInfo* units = document->unitsInfo();
            ASSERT_NE(units, nullptr);
            auto origin = [&] { return kit::Point{-units->horizontalUnitsOrigin(), -units->verticalUnitsOrigin()}; };
            // Moved from (0, 0) to (36, 72).
            units->setUnitsOrigin({36, 72});
            auto record = std::make_unique<UndoGuide>(std::vector<Item*>{}, page(0), Undo::RulerOriginMoved);
            record->setPoint(0, 0);
            undo_->push(std::move(record));
            ASSERT_TRUE(undo_->undo());
            EXPECT_EQ(origin().x, 0.0f);
            EXPECT_EQ(origin().y, 0.0f);
            ASSERT_TRUE(undo_->redo());
            EXPECT_EQ(origin().x, 36.0f);
            EXPECT_EQ(origin().y, 72.0f);
        } else {
            GTEST_SKIP() << "documents have no units of their own yet";
        }
    };
    check(document_.get());
}

TEST_F(UndoRecordTest, UndoingAddedPagesTakesOutTheirColumnsAndShowsThePageBefore)
{
    view();
    TextItem* first = addColumn(0);
    TextItem* second = addColumn(1, first);
    // Pages 3 and 4 added, with a column continuing the chain.
    ASSERT_TRUE(document_->addPages(2, 2));
    TextItem* added = addColumn(2, second);
    undo_->push(std::make_unique<UndoPage>(std::vector<Page*>{page(2), page(3)}, 2, 2, Undo::PagesAdded));
    Page* third = page(2);

    ASSERT_TRUE(undo_->undo());
    EXPECT_EQ(document_->numPages(), 3);
    EXPECT_EQ(second->nextColumn(), nullptr);
    EXPECT_EQ(document_->activePage(), page(1));
    ASSERT_TRUE(undo_->redo());
    EXPECT_EQ(document_->numPages(), 5);
    EXPECT_EQ(page(2), third);
    EXPECT_EQ(second->nextColumn(), added);
    EXPECT_EQ(document_->activePage(), page(2));
}

// A run that starts the document has no page before it, and a count beyond
// the record's pages reaches no further than they do.
TEST_F(UndoRecordTest, ThePageShownAndThePagesTouchedStayInsideTheLists)
{
    view();
    ASSERT_TRUE(document_->addPages(1, 0));
    Page* added = page(0);
    undo_->push(std::make_unique<UndoPage>(std::vector<Page*>{added}, 0, 5, Undo::PagesAdded));
    ASSERT_TRUE(undo_->undo());
    EXPECT_EQ(document_->numPages(), 3);
    EXPECT_EQ(document_->activePage(), page(0));
    ASSERT_TRUE(undo_->redo());
    EXPECT_EQ(page(0), added);
    EXPECT_EQ(document_->numPages(), 4);
}

// The pages before an added run were deleted meanwhile: undoing the run
// would leave the document without a page, and does nothing.
TEST_F(UndoRecordTest, UndoingAddedPagesThatAreAllTheDocumentHasKeepsThem)
{
    view();
    ASSERT_TRUE(document_->addPages(1, 3));
    Page* added = page(3);
    undo_->push(std::make_unique<UndoPage>(std::vector<Page*>{added}, 3, 1, Undo::PagesAdded));
    ASSERT_EQ(document_->deletePages(3, 0).size(), 3u);
    ASSERT_EQ(document_->numPages(), 1);
    (void)undo_->undo();
    ASSERT_EQ(document_->numPages(), 1);
    EXPECT_EQ(page(0), added);
    (void)undo_->redo();
    EXPECT_EQ(document_->numPages(), 1);
}

TEST_F(UndoRecordTest, AMoveToAnotherPageAndItsUndoMakeThePageTheItemsLieOnActive)
{
    Item* box = addBox(0, kit::makeRect(10, 10, 10, 10));
    page(2)->addItems(page(0)->removeItems({box}));
    auto record = std::make_unique<UndoTrans>(std::vector<Item*>{box}, page(2), Undo::MovedToPage);
    record->setOldPage(page(0));
    UndoTrans* raw = record.get();
    undo_->push(std::move(record));
    ASSERT_TRUE(undo_->undo());
    EXPECT_EQ(placeOf(page(0), box), 0);
    EXPECT_EQ(box->page(), page(0));
    EXPECT_EQ(document_->activePage(), page(0));
    EXPECT_EQ(raw->oldPage(), page(2));
    ASSERT_TRUE(undo_->redo());
    EXPECT_EQ(placeOf(page(2), box), 0);
    EXPECT_EQ(document_->activePage(), page(2));
}

TEST_F(UndoRecordTest, AScaleByAFactorOfZeroIsNeitherUndoneNorRedone)
{
    Item* box = addBox(0, kit::makeRect(10, 10, 10, 10));
    auto record = std::make_unique<UndoTrans>(std::vector<Item*>{box}, page(0), Undo::ScaledBy);
    record->setScale(0, 2);
    record->setPointData({{5, 5}});
    undo_->push(std::move(record));
    const std::string before = storedForm();
    ASSERT_TRUE(undo_->undo());
    EXPECT_EQ(storedForm(), before);
    ASSERT_TRUE(undo_->redo());
    EXPECT_EQ(storedForm(), before);
}

TEST_F(UndoRecordTest, ARestoredStyleWhoseParentLeftTheSheetIsCutLoose)
{
    StyleInfo* sheet = document_->styleInfo();
    auto* named = dynamic_cast<StyleGraphicNamed*>(sheet->addNewStyleInStyles(sheet->graphicStyles()));
    ASSERT_NE(named, nullptr);
    named->setLineWidth(3.0f);
    Item* box = addBox(0, kit::makeRect(10, 10, 10, 10));
    box->setGraphicStyle(named);
    StyleGraphic plain;
    undo_->push(modifyStyle({box}, &plain, true, true));
    ASSERT_FALSE(box->graphicStyle()->isNamedStyle());
    ASSERT_NE(sheet->removeStyle(named, nullptr), nullptr);

    ASSERT_TRUE(undo_->undo());
    const StyleGraphic* restored = box->graphicStyle();
    ASSERT_NE(restored, nullptr);
    ASSERT_TRUE(restored->isNamedStyle());
    EXPECT_EQ(restored->styleName(), std::optional<std::string>("No Style"));
    EXPECT_EQ(static_cast<const StyleGraphicNamed*>(restored)->superstyle(), nullptr);
    EXPECT_EQ(restored->definedFlags(), 0);
    EXPECT_EQ(box->lineWidth(), 3.0f);
    // The record goes; the box keeps the look of the style it held.
    undo_->empty();
    ASSERT_NE(box->graphicStyle(), nullptr);
    EXPECT_EQ(box->lineWidth(), 3.0f);
}

TEST_F(UndoRecordTest, ARedefinitionOfAStyleThatLeftTheSheetChangesNothing)
{
    StyleInfo* sheet = document_->styleInfo();
    auto* named = dynamic_cast<StyleGraphicNamed*>(sheet->addNewStyleInStyles(sheet->graphicStyles()));
    ASSERT_NE(named, nullptr);
    auto record = std::make_unique<UndoStyleGraphic>(std::vector<Item*>{}, nullptr, Undo::GraphicStyleRedefined);
    record->setGraphicStyle(named->copy());
    named->setLineWidth(6.0f);
    undo_->push(std::move(record));
    ASSERT_NE(sheet->removeStyle(named, nullptr), nullptr);
    const std::string before = storedForm();
    ASSERT_TRUE(undo_->undo());
    ASSERT_TRUE(undo_->redo());
    EXPECT_EQ(storedForm(), before);
}

// Records whose items or page went meanwhile do nothing to what is gone.
TEST_F(UndoRecordTest, RecordsOfItemsThatAreGoneLeaveTheRestAlone)
{
    ItemBox* kept = addBox(0, kit::makeRect(10, 10, 10, 10));
    ItemBox* gone = addBox(0, kit::makeRect(40, 10, 10, 10));
    undo_->push(moveBy({kept, gone}, 5, 5, true));
    undo_->push(modifyColor({kept, gone}, kit::Color::colorWithGray(0.5f), 61, true));
    page(0)->removeItems({gone});
    ASSERT_TRUE(undo_->undo());
    ASSERT_TRUE(undo_->undo());
    EXPECT_TRUE(kit::equalRects(kept->frame(), kit::makeRect(10, 10, 10, 10)));
    EXPECT_EQ(undo_->list().front()->items(), std::vector<Item*>{kept});
}

} // namespace
