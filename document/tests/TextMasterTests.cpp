#include "app/Scrivly.h"
#include "core/Alert.h"
#include "core/Archiver.h"
#include "core/Exception.h"
#include "core/FileManager.h"
#include "core/Unarchiver.h"
#include "core/UserDefaults.h"
#include "core/Values.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "document/UndoInfo.h"
#include "foundation/StyleGraphic.h"
#include "items/ItemBox.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

bool samePoint(const textPoint& a, textPoint b) { return EqualTextPoints(&a, &b); }

class TextMasterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        kit::registerValueClasses();
        StyleGraphic::initialize();
        Item::initialize();
        Page::initialize();
        TextFlow::initialize();
    }

    void SetUp() override
    {
        alerts_ = std::make_shared<kit::ScriptedAlertHandler>();
        kit::setAlertHandler(alerts_);
        document_.setPageSize(kit::makeSize(612, 792));
        document_.setFirstPageNum(1);
        document_.setMasterPage(std::make_unique<Page>());
    }
    void TearDown() override { kit::setAlertHandler(nullptr); }

    // A flowing master column placed on the pages whose code admits them
    // (3 every page, 1 even, 2 odd).
    TextItem* addMaster(int placement, bool automatic = true)
    {
        auto master = std::make_unique<TextItem>();
        master->setFrame(kit::makeRect(72, 72, 468, 648), false);
        if (automatic)
            master->setAutoFlowText(true);
        else
            master->setManualFlowText(true);
        master->setMasterFlags(placement);
        TextItem* raw = master.get();
        document_.addMasterItem(std::move(master));
        return raw;
    }

    TextItem* copyOn(int index, const TextItem* master = nullptr) const
    {
        const Page* page = document_.pageAt(index);
        for (const auto& item : page->pageItems())
            if (auto* column = dynamic_cast<TextItem*>(item.get()); column && (!master || column->myMaster() == master))
                return column;
        return nullptr;
    }

    // The copies on the pages in page order form one chain of one flow.
    void expectChainOverPages(const std::vector<TextItem*>& order) const
    {
        ASSERT_FALSE(order.empty());
        TextFlow* flow = order.front()->flow();
        ASSERT_NE(flow, nullptr);
        EXPECT_EQ(flow->firstTextItem(), order.front());
        EXPECT_EQ(order.front()->prevColumn(), nullptr);
        EXPECT_EQ(order.back()->nextColumn(), nullptr);
        for (std::size_t i = 0; i < order.size(); ++i) {
            ASSERT_NE(order[i], nullptr) << i;
            EXPECT_EQ(order[i]->flow(), flow) << i;
            EXPECT_TRUE(order[i]->isLocked()) << i;
            EXPECT_TRUE(order[i]->conformsToMaster()) << i;
            if (i + 1 < order.size()) {
                EXPECT_EQ(order[i]->nextColumn(), order[i + 1]) << i;
            }
        }
    }

    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
    LayoutDocument document_;
};

TEST_F(TextMasterTest, NewPagesCopyTheFlowingMastersIntoOneChain)
{
    TextItem* master = addMaster(3);
    ASSERT_TRUE(document_.addPages(3, 0));
    expectChainOverPages({copyOn(0), copyOn(1), copyOn(2)});
    EXPECT_EQ(copyOn(1)->myMaster(), master);
    EXPECT_EQ(copyOn(1)->frame().size.width, 468);
    EXPECT_EQ(copyOn(1)->masterFlags(), 0);
    EXPECT_EQ(master->flow(), nullptr);
}

TEST_F(TextMasterTest, OddAndEvenMastersChainAcrossFacingPages)
{
    TextItem* even = addMaster(1);
    TextItem* odd = addMaster(2);
    ASSERT_TRUE(document_.addPages(4, 0));
    // Page numbers start at 1: the first page is odd.
    EXPECT_EQ(copyOn(0)->myMaster(), odd);
    EXPECT_EQ(copyOn(1)->myMaster(), even);
    EXPECT_EQ(copyOn(2)->myMaster(), odd);
    EXPECT_EQ(copyOn(3)->myMaster(), even);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(document_.pageAt(i)->pageItems().size(), 1u) << i;
    expectChainOverPages({copyOn(0), copyOn(1), copyOn(2), copyOn(3)});
}

TEST_F(TextMasterTest, APageInsertedBetweenCopiesSitsBetweenThemInTheChain)
{
    addMaster(3);
    ASSERT_TRUE(document_.addPages(2, 0));
    TextItem* first = copyOn(0);
    TextItem* last = copyOn(1);
    ASSERT_TRUE(document_.addPages(1, 1));
    expectChainOverPages({first, copyOn(1), last});
}

// A master for every page and one for even pages chain their copies in one
// flow; pages added in front link each new copy both ways, and no column
// loses its link to the one before it.
TEST_F(TextMasterTest, PagesAddedInFrontOfFacingCopiesKeepTheChainLinkedBothWays)
{
    addMaster(3);
    addMaster(1);
    ASSERT_TRUE(document_.addPages(2, 0));
    ASSERT_TRUE(document_.addPages(2, 0));
    int columns = 0;
    for (int i = 0; i < document_.numPages(); ++i)
        for (const auto& item : document_.pageAt(i)->pageItems()) {
            auto* column = dynamic_cast<TextItem*>(item.get());
            ASSERT_NE(column, nullptr);
            ++columns;
            if (column->nextColumn()) {
                EXPECT_EQ(column->nextColumn()->prevColumn(), column) << "page " << i;
            }
            if (column->prevColumn()) {
                EXPECT_EQ(column->prevColumn()->nextColumn(), column) << "page " << i;
            }
        }
    // One chain through them all.
    TextItem* head = copyOn(0);
    while (head->prevColumn())
        head = head->prevColumn();
    int chained = 0;
    for (TextItem* c = head; c && chained <= columns; c = c->nextColumn())
        ++chained;
    EXPECT_EQ(chained, columns);
}

// Text that runs over the copy of a master of even pages only would go on
// in no column of the odd page added after it: no page is added, and no
// layout adds one each time it runs.
TEST_F(TextMasterTest, OverflowAddsNoPageThatTakesNoCopy)
{
    addMaster(1);
    ASSERT_TRUE(document_.addPages(2, 0));
    TextItem* even = copyOn(1);
    ASSERT_NE(even, nullptr);
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_FALSE(even->addPageIfNeeded()) << pass;
        EXPECT_EQ(document_.numPages(), 2) << pass;
        EXPECT_EQ(document_.undoInfo()->count(), 0) << pass;
    }
}

TEST_F(TextMasterTest, OverflowAddsExactlyOnePageAfterTheColumnsPageWithUndo)
{
    addMaster(3);
    ASSERT_TRUE(document_.addPages(2, 0));
    TextItem* first = copyOn(0);
    TextItem* second = copyOn(1);

    ASSERT_TRUE(second->addPageIfNeeded());
    ASSERT_EQ(document_.numPages(), 3);
    TextItem* added = copyOn(2);
    expectChainOverPages({first, second, added});
    UndoInfo* undo = document_.undoInfo();
    ASSERT_EQ(undo->count(), 1);
    EXPECT_EQ(undo->currentRecord()->undoType(), Undo::PagesAdded);

    // In the middle too: the new page follows the column's page.
    ASSERT_TRUE(first->addPageIfNeeded());
    ASSERT_EQ(document_.numPages(), 4);
    expectChainOverPages({first, copyOn(1), second, added});

    // Undoing takes the page and its column out of the chain; redo puts them back.
    ASSERT_TRUE(undo->undo());
    ASSERT_EQ(document_.numPages(), 3);
    expectChainOverPages({first, second, added});
    ASSERT_TRUE(undo->redo());
    ASSERT_EQ(document_.numPages(), 4);
    EXPECT_EQ(undo->currentRecord()->undoType(), Undo::PagesAdded);
    expectChainOverPages({first, copyOn(1), second, added});
}

TEST_F(TextMasterTest, ColumnsThatDoNotFlowAutomaticallyAddNoPage)
{
    addMaster(3, false);
    ASSERT_TRUE(document_.addPages(1, 0));
    TextItem* manual = copyOn(0);
    ASSERT_NE(manual, nullptr);
    EXPECT_FALSE(manual->conformsToMaster());
    EXPECT_FALSE(manual->addPageIfNeeded());

    auto placed = std::make_unique<TextItem>();
    TextItem* onPage = placed.get();
    document_.pageAt(0)->addItems(std::move(placed));
    EXPECT_FALSE(onPage->addPageIfNeeded());

    TextItem* master = addMaster(3);
    EXPECT_FALSE(master->addPageIfNeeded());
    EXPECT_EQ(document_.numPages(), 1);
    EXPECT_EQ(document_.undoInfo()->count(), 0);
    EXPECT_EQ(alerts_->beeps(), 0);
}

TEST_F(TextMasterTest, ACopyOnAPageOutsideTheDocumentBeepsAndAddsNothing)
{
    TextItem* master = addMaster(3);
    ASSERT_TRUE(document_.addPages(1, 0));
    Page stray;
    stray.setDocument(&document_);
    TextItem copy;
    copy.setMyMaster(master);
    copy.setPage(&stray);
    EXPECT_FALSE(copy.addPageIfNeeded());
    EXPECT_EQ(alerts_->beeps(), 1);
    EXPECT_EQ(document_.numPages(), 1);
    EXPECT_EQ(document_.undoInfo()->count(), 0);
}

TEST_F(TextMasterTest, PoppingTheFirstCopyHandsTheFlowToTheNext)
{
    TextItem* master = addMaster(3);
    ASSERT_TRUE(document_.addPages(3, 0));
    TextItem* second = copyOn(1);
    TextItem* third = copyOn(2);
    document_.pageAt(0)->popTextMaster(master);
    EXPECT_EQ(copyOn(0), nullptr);
    expectChainOverPages({second, third});
    EXPECT_EQ(second->flow()->firstParagraph()->firstItem(), second);
}

TEST_F(TextMasterTest, PoppingLeavesACopyThatNoLongerFollowsItsMaster)
{
    TextItem* master = addMaster(3);
    ASSERT_TRUE(document_.addPages(1, 0));
    copyOn(0)->setConformsToMaster(false);
    document_.pageAt(0)->popTextMaster(master);
    EXPECT_NE(copyOn(0), nullptr);
}

TEST_F(TextMasterTest, ColumnSeriesCountsTheLayersColumns)
{
    ASSERT_TRUE(document_.addPages(1, 0));
    Page* page = document_.pageAt(0);
    EXPECT_EQ(page->nextColumnSeriesInLayer(LayoutDocument::PagesLayer), 1);
    auto column = std::make_unique<TextItem>();
    column->setColumnSeries(4);
    page->addItems(std::move(column));
    EXPECT_EQ(page->nextColumnSeriesInLayer(LayoutDocument::PagesLayer), 5);
    EXPECT_EQ(page->nextColumnSeriesInLayer(LayoutDocument::MasterLayer), 1);
}

// The word processor drops trailing pages whose copies received no text.
class EmptyPagesTest : public TextMasterTest {
protected:
    void SetUp() override
    {
        TextMasterTest::SetUp();
        folder_ = kit::FileManager::uniqueTemporaryPath("empty-pages");
        ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder_));
        setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
        kit::UserDefaults::resetStandardUserDefaults();
        delegate_ = std::make_unique<Scrivly>();
        addMaster(3);
        ASSERT_TRUE(document_.addPages(4, 0));
    }
    void TearDown() override
    {
        delegate_.reset();
        kit::UserDefaults::resetStandardUserDefaults();
        kit::FileManager::removeFileAtPath(folder_);
        TextMasterTest::TearDown();
    }
    // Text laid into the first pages only.
    void textEndsOnPage(int last)
    {
        for (int i = 0; i < document_.numPages(); ++i)
            copyOn(i)->setEndPointVals(i <= last ? 0 : -2, 0, 0);
    }

    std::string folder_;
    std::unique_ptr<Scrivly> delegate_;
};

TEST_F(EmptyPagesTest, TrailingEmptyPagesGoFromTheLast)
{
    TextItem* first = copyOn(0);
    TextItem* second = copyOn(1);
    textEndsOnPage(1);
    document_.deleteEmptyPages();
    EXPECT_EQ(document_.numPages(), 2);
    expectChainOverPages({first, second});
}

TEST_F(EmptyPagesTest, TheFirstPageStaysAndAnyOtherItemStopsTheWalk)
{
    textEndsOnPage(-1);
    auto box = std::make_unique<ItemBox>();
    box->setFrame(kit::makeRect(0, 0, 10, 10), false);
    document_.pageAt(2)->addItems(std::move(box));
    document_.deleteEmptyPages();
    EXPECT_EQ(document_.numPages(), 3);
    document_.pageAt(2)->removeItems({document_.pageAt(2)->pageItems().back().get()});
    document_.deleteEmptyPages();
    EXPECT_EQ(document_.numPages(), 1);
    EXPECT_EQ(copyOn(0)->flow()->firstTextItem(), copyOn(0));
}

// Whether a page is empty is a matter of its own items: while the master
// layer is edited, a trailing page goes as it does in the pages layer.
TEST_F(EmptyPagesTest, TrailingPagesGoWhileTheMasterLayerIsEdited)
{
    textEndsOnPage(1);
    document_.setEditingLayer(LayoutDocument::MasterLayer);
    document_.deleteEmptyPages();
    document_.setEditingLayer(LayoutDocument::PagesLayer);
    EXPECT_EQ(document_.numPages(), 2);
}

// Pages added after the text without columns of its chain go as pages left
// empty by the text do: at the flow's next layout, not only at a full one.
TEST_F(EmptyPagesTest, PagesAddedAfterTheTextWithoutItsColumnsGo)
{
    auto box = std::make_unique<ItemBox>();
    box->setFrame(kit::makeRect(0, 0, 10, 10), false);
    document_.pageAt(1)->addItems(std::move(box));
    TextFlow* flow = copyOn(0)->flow();
    ASSERT_NE(flow, nullptr);
    flow->recomputeAll();
    ASSERT_EQ(document_.numPages(), 2); // the box keeps page 2
    ASSERT_NE(document_.removeMasterItem(document_.masterItems().front().get()), nullptr);

    // Without any master the pages come bare; with a manual one for odd
    // pages, the first of them with a copy of its own, which stays.
    for (const bool manual : {false, true}) {
        SCOPED_TRACE(manual ? "manual master" : "no master");
        if (manual)
            addMaster(2, false);
        ASSERT_TRUE(document_.addPages(2, 2));
        ASSERT_EQ(document_.numPages(), 4);
        EXPECT_TRUE(document_.pageAt(3)->pageItems().empty());
        EXPECT_EQ(document_.pageAt(2)->pageItems().empty(), !manual);
        flow->completeLayout();
        EXPECT_EQ(document_.numPages(), manual ? 3 : 2);
        const int incremental = document_.numPages();
        flow->recomputeAll();
        EXPECT_EQ(document_.numPages(), incremental);
    }
}

// Three pages, one column each, joined into one chain of three paragraphs.
class StoredChainTest : public TextMasterTest {
protected:
    void SetUp() override
    {
        TextMasterTest::SetUp();
        ASSERT_TRUE(document_.addPages(3, 0));
        for (int i = 0; i < 3; ++i) {
            auto column = std::make_unique<TextItem>();
            column->setFrame(kit::makeRect(10, 10, 100, 100), false);
            columns_.push_back(column.get());
            document_.pageAt(i)->addItems(std::move(column));
        }
        columns_[0]->joinColumn(columns_[1]);
        columns_[1]->joinColumn(columns_[2]);
        for (int i = 0; i < 2; ++i)
            columns_[0]->flow()->addParagraph(std::make_unique<TextParagraph>());
        ASSERT_EQ(columns_[0]->flow()->paragraphCount(), 3);
    }

    // The pages written and read back; the read pages are kept by the test.
    std::vector<Page*> roundTrip()
    {
        kit::Array root;
        for (int i = 0; i < document_.numPages(); ++i)
            root.addObject(document_.pageAt(i));
        const std::string data = kit::Archiver::archivedDataWithRootObject(&root);
        auto back = kit::Unarchiver::unarchiveObjectWithData<kit::Array>(data, unclaimed_);
        std::vector<Page*> pages;
        for (kit::Object* object : back->objects())
            pages.push_back(dynamic_cast<Page*>(object));
        readRoot_ = std::move(back);
        return pages;
    }

    static TextItem* columnOf(const Page* page)
    {
        return page && !page->pageItems().empty() ? dynamic_cast<TextItem*>(page->pageItems()[0].get()) : nullptr;
    }

    std::vector<TextItem*> columns_;
    std::unique_ptr<kit::Array> readRoot_;
    std::vector<std::unique_ptr<kit::Object>> unclaimed_;
};

TEST_F(StoredChainTest, AChainSavedAfterItsFirstColumnWentKeepsItsText)
{
    columns_[0]->removeFromTextFlow();
    auto removed = document_.pageAt(0)->removeItems({columns_[0]});
    // The layout left the new head without text: no column starts at 0,0,0.
    columns_[1]->setStartPointVals(-1, 0, 0);
    columns_[2]->setStartPointVals(1, 0, 0);
    columns_[2]->setEndPointVals(2, 0, 0);

    const std::vector<Page*> pages = roundTrip();
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_TRUE(pages[0]->pageItems().empty());
    TextItem* head = columnOf(pages[1]);
    TextItem* tail = columnOf(pages[2]);
    ASSERT_NE(head, nullptr);
    ASSERT_NE(tail, nullptr);
    EXPECT_EQ(head->nextColumn(), tail);
    EXPECT_EQ(tail->prevColumn(), head);
    ASSERT_NE(head->flow(), nullptr);
    EXPECT_EQ(head->flow(), tail->flow());
    EXPECT_EQ(head->flow()->paragraphCount(), 3);
    EXPECT_TRUE(samePoint(tail->startPoint(), {1, 0, 0}));
    EXPECT_TRUE(samePoint(tail->endPoint(), {2, 0, 0}));
    EXPECT_EQ(head->textType(), 1); // 0 reads as ordinary text
    // The flow lives as long as either column.
    std::weak_ptr<TextFlow> flow = head->sharedFlow();
    unclaimed_.clear();
    readRoot_.reset();
    EXPECT_TRUE(flow.expired());
}

TEST_F(StoredChainTest, AWholeChainReadsBackLinkedBothWays)
{
    const std::vector<Page*> pages = roundTrip();
    std::vector<TextItem*> read;
    for (Page* page : pages)
        read.push_back(columnOf(page));
    TextFlow* flow = read[0]->flow();
    ASSERT_NE(flow, nullptr);
    EXPECT_EQ(flow->paragraphCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(read[std::size_t(i)]->flow(), flow) << i;
        EXPECT_EQ(read[std::size_t(i)]->prevColumn(), i > 0 ? read[std::size_t(i) - 1] : nullptr) << i;
        EXPECT_EQ(read[std::size_t(i)]->nextColumn(), i < 2 ? read[std::size_t(i) + 1] : nullptr) << i;
    }
}

// Units of a column written by hand: its box part, a flow, its links.
class StoredColumn : public kit::Object {
public:
    std::string className() const override { return "TextItem"; }
    void encodeWithCoder(kit::Coder& coder) const override
    {
        box.encodeWithCoder(coder);
        coder.encodeObject(flow);
        coder.encodeObject(next);
        coder.encodeObject(previous);
        coder.encodeObject(master);
        const int i = 0;
        const float f = 0;
        coder.encodeValuesOfObjCTypes("iiiiiiiiiiffc", i, i, i, i, i, i, i, i, i, i, f, f, char(0));
    }
    ItemBox box;
    const kit::Object* flow = nullptr;
    const kit::Object* next = nullptr;
    const kit::Object* previous = nullptr;
    const kit::Object* master = nullptr;
};

TEST_F(TextMasterTest, DamagedColumnsFailCleanly)
{
    ItemBox box;
    StoredColumn other;
    struct Case {
        const char* what;
        const kit::Object* flow;
        const kit::Object* next;
        const kit::Object* master;
    };
    const Case cases[] = {
        {"a box where the flow goes", &box, nullptr, nullptr},
        {"a box as the next column", nullptr, &box, nullptr},
        {"a box as the master", nullptr, nullptr, &box},
    };
    for (const Case& c : cases) {
        StoredColumn column;
        column.flow = c.flow;
        column.next = c.next;
        column.master = c.master;
        const std::string data = kit::Archiver::archivedDataWithRootObject(&column);
        std::vector<std::unique_ptr<kit::Object>> unclaimed;
        EXPECT_THROW(kit::Unarchiver::unarchiveObjectWithData<TextItem>(data, unclaimed), kit::Exception) << c.what;
    }
    // A column naming one that does not name it back loses that link.
    StoredColumn liar;
    liar.next = &other;
    const std::string data = kit::Archiver::archivedDataWithRootObject(&liar);
    std::vector<std::unique_ptr<kit::Object>> unclaimed;
    auto read = kit::Unarchiver::unarchiveObjectWithData<TextItem>(data, unclaimed);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->nextColumn(), nullptr);
    ASSERT_NE(read->flow(), nullptr); // a head without a stored flow gets one
}

TEST_F(StoredChainTest, TruncatedStreamsFailCleanly)
{
    kit::Array root;
    for (int i = 0; i < 3; ++i)
        root.addObject(document_.pageAt(i));
    const std::string data = kit::Archiver::archivedDataWithRootObject(&root);
    for (std::size_t n = 0; n < data.size(); n += 7) {
        std::vector<std::unique_ptr<kit::Object>> unclaimed;
        EXPECT_THROW(kit::Unarchiver::unarchiveObjectWithData<kit::Array>(data.substr(0, n), unclaimed),
                     kit::Exception)
            << n;
    }
}

} // namespace
