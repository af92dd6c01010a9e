#include "TextEditingTestSupport.h"

// "one two three\nfour five" in columns 60 wide: "one two" on the first
// line, "three" on the second, the second paragraph from y 20.

namespace {

class MouseTest : public EditingTest {
protected:
    void layOut(int columns = 1, float height = 500)
    {
        makeColumns(columns, 60, height);
        setText("one two three\nfour five");
    }
};

TEST_F(MouseTest, AClickClearsTheSelectionAndLeavesACaret)
{
    layOut();
    textPoint a{0, 0, 0}, b{1, 0, 2};
    ASSERT_TRUE(flow_->selectBetween(&a, &b, SelectionChar));
    click(columns_[0], 27, 5);
    EXPECT_EQ(selection(), nullptr);
    const textPoint at = caret();
    EXPECT_EQ(at.paragraph, 0);
    EXPECT_EQ(at.word, 1);
    EXPECT_EQ(flow_->currentWord(), flow_->paragraphAtIndex(0)->wordAtIndex(1));
}

TEST_F(MouseTest, DoubleAndTripleClicksSelectTheWordAndTheParagraph)
{
    struct Case {
        int clicks;
        int type;
        textPoint start, end;
    };
    const Case cases[] = {
        {2, SelectionWord, {0, 1, 0}, {0, 1, 3}},
        {3, SelectionPara, {0, 0, 0}, {0, 2, 5}},
    };
    layOut();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clicks);
        flow_->removeSelection();
        click(columns_[0], 31, 5, 0, c.clicks);
        ASSERT_NE(selection(), nullptr);
        EXPECT_EQ(selection()->selectionEndType(), c.type);
        EXPECT_TRUE(EqualTextPoints(&selection()->start(), &c.start));
        EXPECT_TRUE(EqualTextPoints(&selection()->end(), &c.end));
    }
}

TEST_F(MouseTest, ShiftClickSelectsFromTheCaretAndShiftDoubleClickKeepsTheSelection)
{
    layOut();
    caretAt(0, 0, 1);
    click(columns_[0], 13, 15, kit::ShiftKeyMask);
    ASSERT_NE(selection(), nullptr);
    EXPECT_TRUE(samePoint(selection()->start(), 0, 0, 1));
    EXPECT_EQ(selection()->end().paragraph, 0);
    EXPECT_EQ(selection()->end().word, 2);
    EXPECT_EQ(selection()->selectionEndType(), SelectionChar);
    const textPoint start = selection()->start(), end = selection()->end();

    click(columns_[0], 3, 25, kit::ShiftKeyMask, 2);
    ASSERT_NE(selection(), nullptr);
    EXPECT_TRUE(EqualTextPoints(&selection()->start(), &start));
    EXPECT_TRUE(EqualTextPoints(&selection()->end(), &end));
}

TEST_F(MouseTest, ADragFollowsIntoTheNextColumnOfTheFlowButNotIntoAnotherFlow)
{
    // Two lines a column: the second paragraph opens the second column.
    layOut(2, 20);
    ASSERT_EQ(flow_->paragraphAtIndex(1)->firstItem(), columns_[1]);

    others_.push_back(std::make_unique<TextFlow>());
    TextFlow* other = others_.back().get();
    other->firstParagraph()->paragraphStyle()->setFont(font_);
    const std::vector<TextItem*> foreign = makeChain(other, 1, 60, 500);
    other->currentParagraph()->addByte('z');
    other->recomputeAll();

    struct Case {
        const char* name;
        kit::Point to;
        int endParagraph;
    };
    const Case cases[] = {
        {"next column", inView(columns_[1], 33, 5), 1},
        {"other flow", inView(foreign[0], 3, 5), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        flow_->removeSelection();
        post(mouse(kit::EventType::LeftMouseDragged, c.to));
        post(mouse(kit::EventType::LeftMouseUp, c.to));
        flow_->mouseHandle(mouse(kit::EventType::LeftMouseDown, inView(columns_[0], 1, 5)), &view_, columns_[0]);
        ASSERT_NE(selection(), nullptr);
        EXPECT_TRUE(samePoint(selection()->start(), 0, 0, 0));
        EXPECT_EQ(selection()->end().paragraph, c.endParagraph);
        if (c.endParagraph == 1) {
            EXPECT_EQ(selection()->end().word, 1);
        }
    }
    EXPECT_EQ(other->textSelection(), nullptr);
}

TEST_F(MouseTest, DraggingAboveTheColumnSelectsBackToItsStart)
{
    layOut();
    click(columns_[0], 13, 15, 0, 1, {inView(columns_[0], 50, -5)});
    ASSERT_NE(selection(), nullptr);
    EXPECT_TRUE(samePoint(selection()->start(), 0, 0, 0));
    EXPECT_EQ(selection()->end().word, 2);
    EXPECT_TRUE(samePoint(caret(), 0, 0, 0));
}

TEST_F(MouseTest, EqualPointsMakeASelectionOnlyWithTheTail)
{
    layOut();
    struct Case {
        int type;
        bool kept;
    };
    const Case cases[] = {{SelectionChar, false}, {SelectionWord, false}, {SelectionCharTail, true},
                          {SelectionPara, true}, {SelectionWordTail, true}};
    const textPoint at{0, 1, 2};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        textPoint a{0, 0, 0}, b{0, 2, 1};
        flow_->selectBetween(&a, &b, SelectionChar);
        ASSERT_NE(selection(), nullptr);
        EXPECT_EQ(flow_->selectBetween(&at, &at, c.type, c.type == SelectionCharTail), c.kept);
        EXPECT_EQ(selection() != nullptr, c.kept);
    }
}

TEST_F(MouseTest, SelectAllTakesTheFlowWithItsLastBreakAndKeepsTheCaret)
{
    layOut();
    caretAt(1, 0, 2);
    EXPECT_EQ(flow_->selectAll(columns_[0], &view_), columns_[0]);
    ASSERT_NE(selection(), nullptr);
    EXPECT_EQ(selection()->selectionEndType(), SelectionPara);
    EXPECT_TRUE(samePoint(selection()->start(), 0, 0, 0));
    EXPECT_TRUE(samePoint(selection()->end(), 1, 1, 4));
    EXPECT_TRUE(samePoint(caret(), 1, 0, 2));
}

} // namespace
