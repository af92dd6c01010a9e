// What points back at an owner never outlives it: pages that are deleted,
// masters that are removed, styles that leave the sheet and frames whose
// markers stand in their own text.

#include "text/tests/LayoutInvariant.h"

#include "app/Scrivly.h"
#include "core/Alert.h"
#include "core/FileManager.h"
#include "core/UserDefaults.h"
#include "core/Values.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "document/UndoInfo.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleInfo.h"
#include "items/ItemBox.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"
#include "text/TextWordSpecial.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace {

// A word-processor document of three pages, each with a copy of one
// automatic master column, the copies chained into one flow.
class BackReferenceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        kit::registerValueClasses();
        StyleGraphic::initialize();
        Item::initialize();
        Page::initialize();
        TextFlow::initialize();
        TextSelection::initialize();
    }

    void SetUp() override
    {
        alerts_ = std::make_shared<kit::ScriptedAlertHandler>();
        kit::setAlertHandler(alerts_);
        folder_ = kit::FileManager::uniqueTemporaryPath("back-references");
        ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder_));
        setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
        kit::UserDefaults::resetStandardUserDefaults();
        delegate_ = std::make_unique<Scrivly>();
        document_ = std::make_unique<LayoutDocument>();
        document_->setPageSize(kit::makeSize(612, 792));
        document_->setFirstPageNum(1);
        document_->setMasterPage(std::make_unique<Page>());
        auto master = std::make_unique<TextItem>();
        master->setFrame(kit::makeRect(72, 72, 468, 648), false);
        master->setAutoFlowText(true);
        master->setMasterFlags(3);
        master_ = master.get();
        document_->addMasterItem(std::move(master));
        ASSERT_TRUE(document_->addPages(3, 0));
    }

    void TearDown() override
    {
        document_.reset();
        delegate_.reset();
        kit::UserDefaults::resetStandardUserDefaults();
        kit::FileManager::removeFileAtPath(folder_);
        kit::setAlertHandler(nullptr);
    }

    TextItem* copyOn(int index) const
    {
        for (const auto& item : document_->pageAt(index)->pageItems())
            if (auto* column = dynamic_cast<TextItem*>(item.get()); column && column->myMaster() == master_)
                return column;
        return nullptr;
    }

    // Text laid into the first pages only.
    void textEndsOnPage(int last)
    {
        for (int i = 0; i < document_->numPages(); ++i)
            copyOn(i)->setEndPointVals(i <= last ? 0 : -2, 0, 0);
    }

    Item* addBox(int pageIndex)
    {
        auto box = std::make_shared<ItemBox>();
        box->setFrame(kit::makeRect(10, 10, 50, 50), false);
        Item* raw = box.get();
        document_->pageAt(pageIndex)->addItems(std::move(box));
        return raw;
    }

    // Lines of 24-point type: some 25 to a page.
    static void useLargeType(TextFlow* flow)
    {
        kit::Font* font = kit::Font::fontWithName("Times-Roman", 24);
        ASSERT_NE(font, nullptr);
        flow->firstParagraph()->paragraphStyle()->setFont(font);
        auto typing = std::make_unique<StyleChar>();
        typing->setFont(font);
        flow->setCharStyle(std::move(typing));
    }

    void expectChain(const std::vector<TextItem*>& order) const
    {
        for (std::size_t i = 0; i < order.size(); ++i) {
            EXPECT_EQ(order[i]->prevColumn(), i > 0 ? order[i - 1] : nullptr) << i;
            EXPECT_EQ(order[i]->nextColumn(), i + 1 < order.size() ? order[i + 1] : nullptr) << i;
        }
        EXPECT_EQ(order.front()->flow()->firstTextItem(), order.front());
    }

    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
    std::string folder_;
    std::unique_ptr<Scrivly> delegate_;
    std::unique_ptr<LayoutDocument> document_;
    TextItem* master_ = nullptr;
};

TEST_F(BackReferenceTest, UndoingAPageAdditionWhosePageIsGoneDoesNothing)
{
    // Text runs past the last page, then shrinks back: the added page goes.
    ASSERT_TRUE(copyOn(2)->addPageIfNeeded());
    ASSERT_EQ(document_->numPages(), 4);
    textEndsOnPage(1);
    document_->deleteEmptyPages();
    ASSERT_EQ(document_->numPages(), 2);
    const std::vector<TextItem*> chain{copyOn(0), copyOn(1)};
    UndoInfo* undo = document_->undoInfo();
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_TRUE(pass == 0 ? undo->undo() : undo->redo());
        EXPECT_EQ(document_->numPages(), 2) << pass;
        expectChain(chain);
    }
}

TEST_F(BackReferenceTest, AnItemRecordWhosePageIsGoneDoesNothing)
{
    // Undone before the page goes, then redone; or undone after.
    for (const bool undoFirst : {true, false}) {
        SCOPED_TRACE(undoFirst);
        Item* box = addBox(2);
        std::weak_ptr<Item> watch;
        for (const auto& item : document_->pageAt(2)->pageItems())
            if (item.get() == box)
                watch = item;
        UndoInfo* undo = document_->undoInfo();
        undo->empty();
        undo->push(std::make_unique<Undo>(std::vector<Item*>{box}, document_->pageAt(2), Undo::ItemsAdded));
        if (undoFirst) {
            ASSERT_TRUE(undo->undo());
        }
        ASSERT_EQ(document_->deletePages(1, 2).size(), 1u);
        ASSERT_TRUE(undoFirst ? undo->redo() : undo->undo());
        EXPECT_EQ(document_->numPages(), 2);
        for (int i = 0; i < document_->numPages(); ++i)
            EXPECT_EQ(document_->pageAt(i)->pageItems().size(), 1u) << i;
        undo->empty();
        EXPECT_TRUE(watch.expired());
        ASSERT_TRUE(document_->addPages(1, 2));
    }
}

TEST_F(BackReferenceTest, CopiesOfARemovedMasterAddNoPages)
{
    ASSERT_TRUE(document_->setEditingLayer(LayoutDocument::MasterLayer));
    std::vector<std::shared_ptr<Item>> removed = document_->pageAt(0)->removeItems({master_});
    ASSERT_EQ(removed.size(), 1u);
    ASSERT_TRUE(document_->setEditingLayer(LayoutDocument::PagesLayer));
    TextItem* last = copyOn(2);
    ASSERT_NE(last, nullptr);

    // While something (an undo record) holds the master, its copies follow
    // it, but it is no longer the document's to add pages for.
    EXPECT_EQ(last->myMaster(), removed[0].get());
    EXPECT_FALSE(last->addPageIfNeeded());
    EXPECT_EQ(document_->numPages(), 3);
    removed.clear();
    EXPECT_EQ(last->myMaster(), nullptr);
    EXPECT_FALSE(last->addPageIfNeeded());
    EXPECT_EQ(document_->numPages(), 3);
    EXPECT_EQ(document_->undoInfo()->count(), 0);
}

TEST_F(BackReferenceTest, AMasterItemHitOnADeletedPageGoesBackToTheMasterPage)
{
    auto column = std::make_shared<TextItem>();
    column->setFrame(kit::makeRect(100, 100, 100, 100), false);
    column->setMasterFlags(3);
    TextItem* raw = column.get();
    document_->addMasterItem(std::move(column));
    ASSERT_TRUE(document_->setEditingLayer(LayoutDocument::MasterLayer));
    kit::Point inside{150, 150};
    document_->pageAt(2)->convertToView(&inside);
    ASSERT_EQ(document_->pageAt(2)->hitAt(inside, nullptr), raw);
    ASSERT_EQ(raw->page(), document_->pageAt(2));

    ASSERT_EQ(document_->deletePages(1, 2).size(), 1u);
    EXPECT_EQ(raw->page(), document_->masterPage());
    kit::Point onFirst{150, 150};
    document_->pageAt(0)->convertToView(&onFirst);
    EXPECT_EQ(document_->pageAt(0)->hitAt(onFirst, nullptr), raw);
}

TEST_F(BackReferenceTest, DeletedPagesTakeTheirItemsOutOfTheDocumentsLists)
{
    // Pages dropped at once, or kept (as an undo record keeps them) and put back.
    for (const bool keep : {false, true}) {
        SCOPED_TRACE(keep);
        Item* box = addBox(2);
        ASSERT_NE(box->setName(std::string("logo")), nullptr);
        document_->assignSerialNumberToObjectLinkItem(box);
        const std::string link = "1 1 " + std::to_string(*box->itemSerialNumber());
        TextItem* column = copyOn(2);
        document_->setSelection({box, column}, nullptr);
        document_->setActiveTextItem(column);

        std::vector<std::unique_ptr<Page>> gone = document_->deletePages(1, 2);
        ASSERT_EQ(gone.size(), 1u);
        if (!keep)
            gone.clear();
        EXPECT_EQ(document_->findItemNamed(std::string("other")), nullptr);
        EXPECT_EQ(document_->findItemNamed(std::string("logo")), nullptr);
        EXPECT_TRUE(document_->selected().empty());
        EXPECT_EQ(document_->linkedItemAt(link), nullptr);
        EXPECT_EQ(document_->activeTextItem(), nullptr);
        if (keep) {
            ASSERT_TRUE(document_->insertPages(std::move(gone), 2));
            EXPECT_EQ(document_->findItemNamed(std::string("logo")), box);
            EXPECT_EQ(document_->linkedItemAt(link), box);
        } else {
            ASSERT_TRUE(document_->addPages(1, 2));
        }
    }
}

TEST_F(BackReferenceTest, AnItemHeldByAnUndoRecordKeepsTheLookOfAStyleThatLeaves)
{
    StyleInfo* sheet = document_->styleInfo();
    auto* named = dynamic_cast<StyleGraphicNamed*>(sheet->addNewStyleInStyles(sheet->graphicStyles()));
    ASSERT_NE(named, nullptr);
    named->setHasFill(true);
    named->setLineWidth(3.0f);
    Item* box = addBox(2);
    box->setGraphicStyle(named);
    ASSERT_EQ(box->graphicStyle(), named);

    // The box is deleted into an undo record; the style is removed and freed.
    auto record = std::make_unique<Undo>(std::vector<Item*>{box}, document_->pageAt(2), Undo::ItemsRemoved);
    record->hold(document_->pageAt(2)->removeItems({box}));
    document_->undoInfo()->push(std::move(record));
    EXPECT_NE(sheet->removeStyle(named, nullptr), nullptr);

    ASSERT_TRUE(document_->undoInfo()->undo());
    ASSERT_NE(box->graphicStyle(), nullptr);
    EXPECT_FALSE(box->graphicStyle()->isNamedStyle());
    EXPECT_TRUE(box->hasFill());
    EXPECT_EQ(box->lineWidth(), 3.0f);
}

TEST_F(BackReferenceTest, AHeaderMarkerInItsOwnHeadersTextDoesNotKeepItAlive)
{
    std::shared_ptr<TextItem> frame = TextItem::newHeaderOrFooterTextItem_(document_->headerFrame());
    frame->setMasterFlags(3);
    std::weak_ptr<TextItem> watch = frame;
    auto marker = std::make_unique<TextWordSpecial>(TextWordHeaderMarker);
    marker->setObjectReference(std::shared_ptr<kit::Object>(frame));
    auto* m = static_cast<TextWordSpecial*>(copyOn(0)->flow()->firstParagraph()->addWord(std::move(marker)));
    frame->setMyMaster(m);
    document_->addHeader(m);
    ASSERT_EQ(document_->masterItems().size(), 2u);

    // A copy of the marker pasted into the header's own text.
    textWordSpecialDocumentGlobalHack = document_.get();
    frame->flow()->firstParagraph()->addWord(m->copy());
    textWordSpecialDocumentGlobalHack = nullptr;
    EXPECT_EQ(document_->headerItemForPageNumber(1), frame.get());
    frame.reset();
    EXPECT_FALSE(watch.expired());

    document_.reset();
    EXPECT_TRUE(watch.expired());
}

TEST_F(BackReferenceTest, AHeaderMarkerThatGoesWithItsPageTakesItsFrameAlong)
{
    // A column of its own on the last page holds the marker in its text.
    auto body = std::make_shared<TextItem>();
    body->setFrame(kit::makeRect(72, 72, 200, 200), false);
    TextItem* column = body.get();
    document_->pageAt(2)->addItems(std::move(body));
    std::shared_ptr<TextItem> frame = TextItem::newHeaderOrFooterTextItem_(document_->headerFrame());
    frame->setMasterFlags(3);
    std::weak_ptr<TextItem> watch = frame;
    auto marker = std::make_unique<TextWordSpecial>(TextWordHeaderMarker);
    marker->setObjectReference(std::shared_ptr<kit::Object>(std::move(frame)));
    auto* m = static_cast<TextWordSpecial*>(column->flow()->firstParagraph()->addWord(std::move(marker)));
    document_->addHeader(m);
    ASSERT_EQ(document_->headerItemForPageNumber(3), watch.lock().get());

    ASSERT_EQ(document_->deletePages(1, 2).size(), 1u);
    EXPECT_TRUE(document_->headers().empty());
    EXPECT_EQ(document_->headerItemForPageNumber(1), nullptr);
    EXPECT_EQ(document_->masterItems().size(), 1u);
    EXPECT_TRUE(watch.expired());
}

} // namespace

TEST_F(BackReferenceTest, AKeyWhoseLayoutDeletesThePageOfItsColumnGoesOnInTheColumnOfTheCaret)
{
    // Text over the three pages, the caret at its end on the last one.
    TextFlow* flow = copyOn(0)->flow();
    useLargeType(flow);
    for (int i = 0; i < 60; ++i)
        for (char c : std::string("words of a line\n"))
            flow->currentParagraph()->addByte(static_cast<unsigned char>(c));
    flow->recomputeAll();
    ASSERT_GE(document_->numPages(), 3);
    TextItem* last = copyOn(document_->numPages() - 1);
    ASSERT_GE(last->startParagraph(), 0);
    textPoint first{}, end{};
    flow->firstTextPoint(&first);
    flow->lastTextPoint(&end);
    flow->setCurrentPoint(&end);
    // Select All and Backspace: the emptied pages go while the key runs.
    flow->selectBetween(&first, &end, SelectionPara, true);
    TextItem* after = flow->processKey(TextParagraph::DeleteBackwardKey, nullptr, last);
    EXPECT_EQ(document_->numPages(), 1);
    EXPECT_EQ(after, copyOn(0));
}

TEST_F(BackReferenceTest, PagesAddedToOrDeletedFromAChainTakeItsTextAsAFullLayoutDoes)
{
    TextFlow* flow = copyOn(0)->flow();
    useLargeType(flow);
    for (int i = 0; i < 55; ++i)
        for (char c : std::string("words of a line\n"))
            flow->currentParagraph()->addByte(static_cast<unsigned char>(c));
    flow->recomputeAll();
    const int pages = document_->numPages();
    ASSERT_GE(pages, 3);
    struct Step {
        const char* name;
        std::function<void()> act;
        int pagesAfter;
    } steps[] = {
        {"a page added inside the chain", [&] { ASSERT_TRUE(document_->addPages(1, 1)); }, pages},
        {"a page deleted from it", [&] { ASSERT_EQ(document_->deletePages(1, 1).size(), 1u); }, pages},
        {"an empty page added after the text", [&] { ASSERT_TRUE(document_->addPages(1, pages)); }, pages},
    };
    for (const Step& s : steps) {
        s.act();
        EXPECT_EQ(layoutcheck::differenceFromFullLayout(*flow), "") << s.name;
        EXPECT_EQ(document_->numPages(), s.pagesAfter) << s.name;
    }
}

TEST_F(BackReferenceTest, ACommandWhoseLayoutDropsThePageOfItsColumnFinishesSafely)
{
    // Text over three pages; a smaller type for all of it, set through the
    // last column, leaves that column's page empty.
    TextFlow* flow = copyOn(0)->flow();
    useLargeType(flow);
    for (int i = 0; i < 55; ++i)
        for (char c : std::string("words of a line\n"))
            flow->currentParagraph()->addByte(static_cast<unsigned char>(c));
    flow->recomputeAll();
    ASSERT_GE(document_->numPages(), 3);
    TextItem* last = copyOn(document_->numPages() - 1);
    textPoint first{}, end{};
    flow->firstTextPoint(&first);
    flow->lastTextPoint(&end);
    flow->selectBetween(&first, &end, SelectionPara, true);
    std::unique_ptr<StyleParagraph> small = flow->firstParagraph()->paragraphStyle()->copy();
    small->setFont(kit::Font::fontWithName("Times-Roman", 8));
    last->setStylePara(small.get());
    EXPECT_LT(document_->numPages(), 3);
    EXPECT_EQ(layoutcheck::differenceFromFullLayout(*flow), "");
}

TEST_F(BackReferenceTest, AnItemThatKeptATrailingEmptyPageTakesItAlongWhenItGoes)
{
    // The text stays on the first page; a box keeps the second one.
    TextFlow* flow = copyOn(0)->flow();
    for (char c : std::string("a line"))
        flow->currentParagraph()->addByte(static_cast<unsigned char>(c));
    flow->recomputeAll();
    ASSERT_EQ(document_->numPages(), 1);
    ASSERT_TRUE(document_->addPages(1, 1));
    Item* box = addBox(1);
    flow->completeLayout();
    ASSERT_EQ(document_->numPages(), 2);
    std::vector<std::shared_ptr<Item>> removed = document_->pageAt(1)->removeItems({box});
    ASSERT_EQ(removed.size(), 1u);
    EXPECT_EQ(document_->numPages(), 1);
    EXPECT_EQ(layoutcheck::differenceFromFullLayout(*flow), "");
}

TEST_F(BackReferenceTest, AnItemRecordWhosePageLeftWithTheLayoutDoesNothing)
{
    // The text stays on the first page; a box keeps the second one until it
    // is deleted, and the emptied page goes (kept alive until the event is
    // done, as the layout that dropped it may still be running).
    TextFlow* flow = copyOn(0)->flow();
    for (char c : std::string("a line"))
        flow->currentParagraph()->addByte(static_cast<unsigned char>(c));
    flow->recomputeAll();
    ASSERT_TRUE(document_->addPages(1, 1));
    Item* box = addBox(1);
    flow->completeLayout();
    ASSERT_EQ(document_->numPages(), 2);
    Page* second = document_->pageAt(1);
    UndoInfo* undo = document_->undoInfo();
    undo->empty();
    auto record = std::make_unique<Undo>(std::vector<Item*>{box}, second, Undo::ItemsRemoved);
    record->hold(second->removeItems({box}));
    undo->push(std::move(record));
    ASSERT_EQ(document_->numPages(), 1);
    // Nothing comes back onto the page that left, and nothing of it is
    // selected.
    undo->undo();
    EXPECT_EQ(document_->numPages(), 1);
    EXPECT_TRUE(document_->selected().empty());
    EXPECT_EQ(document_->indexOfPage(box->page()), LayoutDocument::PageNotFound);
    EXPECT_EQ(layoutcheck::differenceFromFullLayout(*flow), "");
}

TEST_F(BackReferenceTest, UndoingARemovalSelectsOnlyWhatComesBack)
{
    // Another record took the box already (as the end of editing takes an
    // emptied headline): this one holds nothing of it.
    Item* box = addBox(1);
    Page* page = document_->pageAt(1);
    auto first = std::make_unique<Undo>(std::vector<Item*>{box}, page, Undo::ItemsRemoved);
    first->hold(page->removeItems({box}));
    UndoInfo* undo = document_->undoInfo();
    undo->empty();
    undo->push(std::move(first));
    undo->push(std::make_unique<Undo>(std::vector<Item*>{box}, page, Undo::ItemsRemoved));
    ASSERT_TRUE(undo->undo());
    EXPECT_TRUE(document_->selected().empty());
    // The record that holds it puts it back, selected.
    ASSERT_TRUE(undo->undo());
    ASSERT_EQ(document_->selected().size(), 1u);
    EXPECT_EQ(document_->selected().front(), box);
    EXPECT_EQ(box->page(), page);
}

TEST_F(BackReferenceTest, ColumnsThatGoWithTheDocumentLeaveNoneOfTheirFlowPointingAtThem)
{
    // Text over the three pages; something else (an undo record) keeps the
    // second page's column, which outlives the emptied document.
    TextFlow* flow = copyOn(0)->flow();
    useLargeType(flow);
    for (int i = 0; i < 55; ++i)
        for (char c : std::string("words of a line\n"))
            flow->currentParagraph()->addByte(static_cast<unsigned char>(c));
    flow->recomputeAll();
    ASSERT_GE(document_->numPages(), 3);
    std::shared_ptr<Item> kept;
    for (const auto& item : document_->pageAt(1)->pageItems())
        if (item.get() == copyOn(1))
            kept = item;
    ASSERT_NE(kept, nullptr);
    auto* column = static_cast<TextItem*>(kept.get());
    ASSERT_NE(column->startParagraph(), -1);
    std::shared_ptr<TextFlow> text = column->sharedFlow();
    // By address only: they are freed by then.
    std::vector<std::uintptr_t> gone;
    for (int i = 0; i < document_->numPages(); ++i)
        if (i != 1)
            gone.push_back(reinterpret_cast<std::uintptr_t>(copyOn(i)));

    document_->emptyDocument();
    // The kept column still has its text; nothing in it names a column that
    // went, and what named the kept one still does.
    EXPECT_EQ(column->flow(), text.get());
    EXPECT_FALSE(column->isDisconnected());
    bool namesKept = false;
    for (const auto& paragraph : text->paragraphList()) {
        for (TextItem* at : {paragraph->currentItem(), paragraph->firstItem(), paragraph->lastItem(),
                             paragraph->prevParaLastItem(), paragraph->firstDirtyItem(), paragraph->lastDirtyItem()}) {
            EXPECT_TRUE(at == nullptr || at == column);
            namesKept = namesKept || at == column;
            for (std::uintptr_t went : gone)
                EXPECT_NE(reinterpret_cast<std::uintptr_t>(at), went);
        }
    }
    EXPECT_TRUE(namesKept);
    EXPECT_TRUE(text->firstTextItem() == nullptr || text->firstTextItem() == column);
    EXPECT_EQ(column->prevColumn(), nullptr);
    EXPECT_EQ(column->nextColumn(), nullptr);
    text.reset();
    kept.reset();
}
