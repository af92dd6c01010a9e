// Undo records of items added to and removed from a page: text columns among
// them leave their chains and go back into them.

#include "EditingTestSupport.h"

#include "document/Undo.h"
#include "document/UndoInfo.h"
#include "items/ItemBox.h"

#include <memory>
#include <vector>

namespace {

class UndoColumnsTest : public EditingTest {
protected:
    // A third column, on the third page, ends the chain.
    void SetUp() override
    {
        EditingTest::SetUp();
        third_ = addColumn(2, kit::makeRect(72, 72, 300, 100));
        second_->joinColumn(third_);
        type(flow_, "one two three");
    }

    // The column leaves its page and its chain into a record on the stack.
    void deleteColumn(TextItem* column, Page* page)
    {
        auto record = std::make_unique<Undo>(std::vector<Item*>{column}, page, Undo::ItemsRemoved);
        std::vector<std::shared_ptr<Item>> removed = page->removeItems({column});
        column->removeFromTextFlow();
        record->hold(std::move(removed));
        document_->undoInfo()->push(std::move(record));
    }

    void expectChain(const std::vector<TextItem*>& order) const
    {
        ASSERT_FALSE(order.empty());
        EXPECT_EQ(order.front()->flow()->firstTextItem(), order.front());
        for (std::size_t i = 0; i < order.size(); ++i) {
            EXPECT_EQ(order[i]->flow(), order.front()->flow()) << i;
            EXPECT_EQ(order[i]->prevColumn(), i > 0 ? order[i - 1] : nullptr) << i;
            EXPECT_EQ(order[i]->nextColumn(), i + 1 < order.size() ? order[i + 1] : nullptr) << i;
        }
    }

    TextItem* third_ = nullptr;
};

TEST_F(UndoColumnsTest, UndoingTheRemovalOfAColumnPutsItBackIntoItsChain)
{
    UndoInfo* undo = document_->undoInfo();
    undo->empty();
    deleteColumn(second_, pages_[1]);
    expectChain({first_, third_});
    ASSERT_TRUE(undo->undo());
    ASSERT_EQ(pages_[1]->pageItems().size(), 1u);
    expectChain({first_, second_, third_});
    // Redone, it leaves its page and the chain again; undone once more, it
    // is back.
    ASSERT_TRUE(undo->redo());
    EXPECT_TRUE(pages_[1]->pageItems().empty());
    expectChain({first_, third_});
    ASSERT_TRUE(undo->undo());
    expectChain({first_, second_, third_});
}

TEST_F(UndoColumnsTest, AColumnPutBackWhereItsPlaceIsGoneTakesAFlowOfItsOwn)
{
    UndoInfo* undo = document_->undoInfo();
    undo->empty();
    deleteColumn(third_, pages_[2]);
    // The chain is cut after the first column, which takes a new next one.
    first_->unlinkColumn();
    TextItem* other = addColumn(0, kit::makeRect(72, 300, 300, 100));
    first_->joinColumn(other);
    TextFlow* shared = first_->flow();
    ASSERT_TRUE(undo->undo());
    ASSERT_EQ(pages_[2]->pageItems().size(), 1u);
    expectChain({first_, other});
    EXPECT_NE(third_->flow(), shared);
    ASSERT_NE(third_->flow(), nullptr);
    EXPECT_GE(third_->flow()->paragraphCount(), 1);
    expectChain({third_});
    // Linking into it later leaves no flow without a paragraph.
    second_->joinColumn(third_);
    EXPECT_GE(second_->flow()->paragraphCount(), 1);
    expectChain({second_, third_});
}

} // namespace

namespace {

// The page view's Delete and Cut of what is selected: on its own page,
// whichever page is active, and columns inside a removed group leaving
// their chain as columns on their own do.
class DeleteSelectionTest : public UndoColumnsTest {
protected:
    void SetUp() override
    {
        UndoColumnsTest::SetUp();
        document_->undoInfo()->empty();
    }

    Item* addBox(int page, const kit::Rect& frame)
    {
        auto box = std::make_shared<ItemBox>();
        box->setFrame(frame, false);
        Item* raw = box.get();
        pages_[std::size_t(page)]->addItems(box);
        return raw;
    }
};

TEST_F(DeleteSelectionTest, DeleteRemovesTheSelectionFromItsOwnPageWhicheverPageIsActive)
{
    Item* box = addBox(2, kit::makeRect(300, 400, 40, 40));
    document_->setActivePage(pages_[2]);
    document_->setSelection({box, third_}, view_);
    // Go to another page: the selection stays.
    document_->setActivePage(pages_[0]);
    view_->delete_(nullptr);
    EXPECT_TRUE(pages_[2]->pageItems().empty());
    expectChain({first_, second_});
    ASSERT_EQ(document_->undoInfo()->count(), 1);
    ASSERT_TRUE(document_->undoInfo()->undo());
    ASSERT_EQ(pages_[2]->pageItems().size(), 2u);
    expectChain({first_, second_, third_});
}

TEST_F(DeleteSelectionTest, ColumnsInADeletedOrCutGroupLeaveTheirChainAndComeBack)
{
    for (const bool cut : {false, true}) {
        SCOPED_TRACE(cut ? "cut" : "delete");
        Item* box = addBox(1, kit::makeRect(300, 400, 40, 40));
        document_->setActivePage(pages_[1]);
        document_->setSelection({second_, box}, view_);
        view_->group(nullptr);
        ASSERT_EQ(pages_[1]->pageItems().size(), 1u);
        cut ? view_->cut(nullptr) : view_->delete_(nullptr);
        EXPECT_TRUE(pages_[1]->pageItems().empty());
        // The text runs from the first column to the third.
        expectChain({first_, third_});
        ASSERT_TRUE(document_->undoInfo()->undo()); // the delete
        ASSERT_EQ(pages_[1]->pageItems().size(), 1u);
        expectChain({first_, second_, third_});
        ASSERT_TRUE(document_->undoInfo()->redo());
        expectChain({first_, third_});
        ASSERT_TRUE(document_->undoInfo()->undo());
        ASSERT_TRUE(document_->undoInfo()->undo()); // the group
        expectChain({first_, second_, third_});
        document_->setSelection({}, view_);
        pages_[1]->removeItems({box});
        document_->undoInfo()->empty();
    }
}

} // namespace
