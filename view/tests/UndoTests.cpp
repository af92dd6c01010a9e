// Undo records of items added to and removed from a page: text columns among
// them leave their chains and go back into them.

#include "EditingTestSupport.h"

#include "document/Undo.h"
#include "document/UndoInfo.h"

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
