#include "ItemTestSupport.h"

#include "core/Alert.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/Font.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"
#include "text/TextWordSpecial.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

bool samePoint(const textPoint& a, textPoint b) { return EqualTextPoints(&a, &b); }

class TextItemTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        setUpItemClasses();
        TextFlow::initialize();
    }

    // n columns joined into one chain, first to last.
    std::vector<std::unique_ptr<TextItem>> chain(int n)
    {
        std::vector<std::unique_ptr<TextItem>> columns;
        for (int i = 0; i < n; ++i)
            columns.push_back(std::make_unique<TextItem>());
        for (int i = 0; i + 1 < n; ++i)
            columns[std::size_t(i)]->joinColumn(columns[std::size_t(i) + 1].get());
        return columns;
    }

    static void addParagraphs(TextFlow* flow, int count)
    {
        for (int i = 0; i < count; ++i)
            flow->addParagraph(std::make_unique<TextParagraph>());
    }

    // The chain from its flow's first column holds together both ways and
    // shows one flow.
    static void expectChain(const std::vector<TextItem*>& order)
    {
        ASSERT_FALSE(order.empty());
        TextFlow* flow = order.front()->flow();
        ASSERT_NE(flow, nullptr);
        EXPECT_EQ(flow->firstTextItem(), order.front());
        EXPECT_EQ(order.front()->prevColumn(), nullptr);
        EXPECT_EQ(order.back()->nextColumn(), nullptr);
        for (std::size_t i = 0; i < order.size(); ++i) {
            EXPECT_EQ(order[i]->flow(), flow) << i;
            if (i + 1 < order.size()) {
                EXPECT_EQ(order[i]->nextColumn(), order[i + 1]) << i;
                EXPECT_EQ(order[i + 1]->prevColumn(), order[i]) << i;
            }
        }
    }
};

TEST_F(TextItemTest, JoiningColumnsMakesOneChainAndOneFlow)
{
    auto columns = chain(3);
    expectChain({columns[0].get(), columns[1].get(), columns[2].get()});
}

TEST_F(TextItemTest, TheFlowOutlivesTheColumnThatMadeIt)
{
    auto columns = chain(2);
    TextFlow* flow = columns[0]->flow();
    addParagraphs(flow, 2);
    const int paragraphs = flow->paragraphCount();
    columns[0].reset();
    // The flow is still the second column's, whole, and names it as first.
    ASSERT_EQ(columns[1]->flow(), flow);
    EXPECT_EQ(flow->paragraphCount(), paragraphs);
    EXPECT_EQ(flow->firstTextItem(), columns[1].get());
    EXPECT_EQ(flow->firstParagraph()->firstItem(), columns[1].get());
    EXPECT_EQ(columns[1]->prevColumn(), nullptr);
}

TEST_F(TextItemTest, RemovingTheFirstColumnHandsOverTheFlow)
{
    for (bool relayout : {true, false}) {
        auto columns = chain(3);
        columns[1]->setStartPointVals(1, 2, 3);
        TextItem* removed = columns[0].get();
        removed->removeFromTextFlowAndRecompute(relayout);
        expectChain({columns[1].get(), columns[2].get()});
        EXPECT_TRUE(samePoint(columns[1]->startPoint(), {0, 0, 0})) << relayout;
        EXPECT_TRUE(removed->isDisconnected());
        EXPECT_EQ(removed->nextColumn(), columns[1].get()); // kept for relinking
        // Released afterwards, it leaves nothing in the flow pointing at it.
        TextFlow* flow = columns[1]->flow();
        columns[0].reset();
        for (const auto& paragraph : flow->paragraphList()) {
            EXPECT_NE(paragraph->firstItem(), removed);
            EXPECT_NE(paragraph->lastItem(), removed);
        }
        EXPECT_NE(flow->firstTextItem(), removed);
    }
}

TEST_F(TextItemTest, RemovingAMiddleColumnWithoutLayoutLeavesTheOthersInPlace)
{
    auto columns = chain(3);
    columns[1]->setStartPointVals(1, 0, 0);
    columns[2]->setStartPointVals(2, 4, 1);
    columns[1]->removeFromTextFlowAndRecompute(false);
    expectChain({columns[0].get(), columns[2].get()});
    EXPECT_TRUE(samePoint(columns[2]->startPoint(), {2, 4, 1}));
    EXPECT_TRUE(columns[1]->isDisconnected());
}

TEST_F(TextItemTest, RelinkingPutsARemovedColumnBack)
{
    for (int which : {0, 1, 2}) {
        auto columns = chain(3);
        columns[std::size_t(which)]->removeFromTextFlow();
        columns[std::size_t(which)]->relinkInTextFlow();
        expectChain({columns[0].get(), columns[1].get(), columns[2].get()});
        EXPECT_FALSE(columns[std::size_t(which)]->isDisconnected()) << which;
    }
}

TEST_F(TextItemTest, ARemovedColumnForgetsANeighbourThatWent)
{
    auto columns = chain(3);
    columns[1]->removeFromTextFlow();
    columns[2].reset();
    EXPECT_EQ(columns[1]->nextColumn(), nullptr);
    EXPECT_TRUE(columns[1]->relinkInTextFlow());
    expectChain({columns[0].get(), columns[1].get()});
}

TEST_F(TextItemTest, RelinkingWaitsForItsPlaceAndRefusesOneThatIsGone)
{
    // Two columns out: each goes back once its neighbours are there.
    auto columns = chain(4);
    columns[1]->removeFromTextFlow();
    columns[2]->removeFromTextFlow();
    EXPECT_FALSE(columns[1]->relinkInTextFlow());
    EXPECT_TRUE(columns[1]->isDisconnected());
    EXPECT_TRUE(columns[2]->relinkInTextFlow());
    EXPECT_TRUE(columns[1]->relinkInTextFlow());
    expectChain({columns[0].get(), columns[1].get(), columns[2].get(), columns[3].get()});

    // The column before took another next one meanwhile: no place is left.
    columns[1]->removeFromTextFlow();
    columns[0]->unlinkColumn();
    auto other = std::make_unique<TextItem>();
    columns[0]->joinColumn(other.get());
    EXPECT_FALSE(columns[1]->relinkInTextFlow());
    expectChain({columns[0].get(), other.get()});
    columns[1]->takeEmptyFlow();
    EXPECT_FALSE(columns[1]->isDisconnected());
    ASSERT_NE(columns[1]->flow(), columns[0]->flow());
    expectChain({columns[1].get()});
}

TEST_F(TextItemTest, JoiningAppendsTheOtherFlowsTextAndReleasesThatFlow)
{
    auto first = std::make_unique<TextItem>();
    addParagraphs(first->flow(), 2); // three paragraphs
    auto lone = std::make_unique<TextItem>();
    addParagraphs(lone->flow(), 1); // two paragraphs
    std::vector<const TextParagraph*> joined;
    for (const auto& p : lone->flow()->paragraphList())
        joined.push_back(p.get());
    std::weak_ptr<TextFlow> old = lone->sharedFlow();

    first->joinColumn(lone.get());
    expectChain({first.get(), lone.get()});
    TextFlow* flow = first->flow();
    ASSERT_EQ(flow->paragraphCount(), 5);
    EXPECT_EQ(flow->paragraphAtIndex(3), joined[0]);
    EXPECT_EQ(flow->paragraphAtIndex(4), joined[1]);
    EXPECT_EQ(flow->paragraphAtIndex(4)->flow(), flow);
    EXPECT_TRUE(old.expired());
}

TEST_F(TextItemTest, AFlowWithoutTextBringsNoParagraphToAJoin)
{
    // Whether each side holds a word; the paragraphs of the joined flow.
    const struct {
        bool first, second;
        int paragraphs;
    } cases[] = {{false, false, 1}, {true, false, 1}, {false, true, 1}, {true, true, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << c.second);
        auto first = std::make_unique<TextItem>();
        auto second = std::make_unique<TextItem>();
        if (c.first)
            first->flow()->firstParagraph()->addWord(std::make_unique<TextWord>("one"));
        if (c.second)
            second->flow()->firstParagraph()->addWord(std::make_unique<TextWord>("two"));
        const TextParagraph* secondsText = second->flow()->firstParagraph();
        std::weak_ptr<TextFlow> old = second->sharedFlow();
        first->joinColumn(second.get());
        expectChain({first.get(), second.get()});
        TextFlow* flow = first->flow();
        ASSERT_EQ(flow->paragraphCount(), c.paragraphs);
        EXPECT_TRUE(old.expired());
        // The chain starts with the text, whichever side brought it.
        if (c.second) {
            EXPECT_EQ(flow->lastParagraph(), secondsText);
        }
        EXPECT_EQ(flow->firstParagraph()->isEmpty(), !c.first && !c.second);
        EXPECT_EQ(flow->firstParagraph()->flow(), flow);
    }
}

TEST_F(TextItemTest, CuttingTheChainGivesTheRestANewEmptyFlow)
{
    auto columns = chain(3);
    TextFlow* text = columns[0]->flow();
    addParagraphs(text, 2);
    ASSERT_EQ(text->paragraphCount(), 3);
    columns[1]->setStartPointVals(1, 0, 0);
    columns[2]->setStartPointVals(2, 0, 0);
    columns[0]->unlinkColumn();
    EXPECT_EQ(columns[0]->nextColumn(), nullptr);
    EXPECT_EQ(columns[0]->flow(), text);
    EXPECT_EQ(text->paragraphCount(), 3);
    expectChain({columns[1].get(), columns[2].get()});
    EXPECT_NE(columns[1]->flow(), text);
    EXPECT_EQ(columns[1]->flow()->paragraphCount(), 1);
    // The new flow's one empty paragraph starts the cut-off chain; the column
    // after it, laid out again, receives no text.
    EXPECT_TRUE(samePoint(columns[1]->startPoint(), {0, 0, 0}));
    EXPECT_LT(columns[2]->startPoint().paragraph, 0);
}

TEST_F(TextItemTest, EmptyingACopyDisconnectsItFromTheOriginalsChain)
{
    auto columns = chain(2);
    TextFlow* text = columns[0]->flow();
    columns[1]->emptyAndDisconnect();
    EXPECT_NE(columns[1]->flow(), text);
    EXPECT_EQ(columns[1]->prevColumn(), nullptr);
    EXPECT_TRUE(columns[1]->isDisconnected());
}

TEST_F(TextItemTest, FindingTheEndsOfARunStopsAtAnotherPageOrPlacement)
{
    CountingPage one, two;
    auto columns = chain(4);
    struct Layout {
        Page* pages[4];
        int master[4];
    };
    struct Case {
        const char* what;
        Layout layout;
        int from;
        int direction;
        int expected;
    };
    const Case cases[] = {
        {"forward to the page's last", {{&one, &one, &two, &two}, {0, 0, 0, 0}}, 0, 2, 1},
        {"back to the page's first", {{&one, &one, &two, &two}, {0, 0, 0, 0}}, 3, 1, 2},
        {"forward, all on one page", {{&one, &one, &one, &one}, {0, 0, 0, 0}}, 0, 2, 3},
        {"the column with another code is reached, not passed", {{&one, &one, &one, &one}, {0, 0, 2, 0}}, 0, 2, 2},
        {"a receiver of its own code steps once", {{&one, &one, &one, &one}, {2, 0, 0, 0}}, 0, 2, 1},
        {"back from the last", {{&one, &one, &one, &one}, {0, 3, 0, 0}}, 3, 1, 1},
    };
    for (const Case& c : cases) {
        for (int i = 0; i < 4; ++i) {
            columns[std::size_t(i)]->setPage(c.layout.pages[i]);
            columns[std::size_t(i)]->setMasterFlags(c.layout.master[i]);
        }
        EXPECT_EQ(columns[std::size_t(c.from)]->_findEndOfFlow(c.direction), columns[std::size_t(c.expected)].get())
            << c.what;
    }
    // A ring of columns (a damaged file) ends the walk where it began.
    for (auto& column : columns)
        column->setPage(&one), column->setMasterFlags(0);
    columns[3]->setNextColumn(columns[0].get());
    columns[0]->setPrevColumn(columns[3].get());
    EXPECT_EQ(columns[1]->findTextFlowTail(), columns[0].get());
    columns[3]->setNextColumn(nullptr);
    columns[0]->setPrevColumn(nullptr);
}

TEST_F(TextItemTest, HangingMarginsOnlyGrowUntilTheNextLayout)
{
    LayoutDocument document;
    CountingPage page;
    page.setDocument(&document);
    TextItem column;
    column.setPage(&page);
    column.setFrame(kit::makeRect(10, 20, 100, 50), false);
    column.setNewHangLeft(3);
    column.setNewHangLeft(2);
    column.setNewHangRight(1.5f);
    column.setNewScreenHangLeft(5);
    EXPECT_FLOAT_EQ(column.hangLeft(), 3);
    const kit::Rect b = column.bounds();
    EXPECT_FLOAT_EQ(b.origin.x, -3);
    EXPECT_FLOAT_EQ(b.size.width, 104.5f);
    // Hung punctuation is hit and drawn beyond the frame.
    EXPECT_TRUE(column.isHitAt({8.0f, 30.0f}, nullptr));
    EXPECT_TRUE(column.shouldDrawInRect(kit::makeRect(110.5f, 30, 0.7f, 1)));
    document.setPrefersScreenMetrics(true);
    EXPECT_FLOAT_EQ(column.hangLeft(), 5);
    column.recompute();
    EXPECT_FLOAT_EQ(column.hangLeft(), 0);
    EXPECT_FLOAT_EQ(column.hangRight(), 0);
    EXPECT_FLOAT_EQ(column.screenHangLeft(), 0);
}

TEST_F(TextItemTest, ResizingIgnoresChangesUnderAPointAndRefusesTinySides)
{
    struct Case {
        float width, height, expectedWidth, expectedHeight;
    };
    const Case cases[] = {
        {100.5f, 50.9f, 100, 50}, {99.2f, 50, 100, 50}, {0.5f, 50, 10, 50},
        {100, 0.5f, 100, 10},     {0, 0, 10, 10},        {130, 70, 130, 70},
    };
    for (const Case& c : cases) {
        TextItem column;
        column.setTextType(1);
        column.setFrame(kit::makeRect(0, 0, 100, 50), false);
        column.setChanged(false);
        column.sizeTo(c.width, c.height, false);
        EXPECT_FLOAT_EQ(column.frame().size.width, c.expectedWidth) << c.width << "x" << c.height;
        EXPECT_FLOAT_EQ(column.frame().size.height, c.expectedHeight) << c.width << "x" << c.height;
        EXPECT_EQ(column.hasChanged(), c.expectedWidth != 100 || c.expectedHeight != 50);
    }
}

TEST_F(TextItemTest, LayerMovesSetThePlacementCodes)
{
    LayoutDocument document;
    CountingPage page;
    page.setDocument(&document);
    TextItem master;
    TextItem column;
    column.setMyMaster(&master);
    column.setAutoFlowText(true);
    column.didAddToPage(&page, LayoutDocument::MasterLayer);
    EXPECT_EQ(column.masterFlags(), 3);
    EXPECT_EQ(column.myMaster(), nullptr);
    EXPECT_TRUE(column.autoFlowMaster());
    EXPECT_EQ(column.columnSeries(), 1);

    column.setMasterFlags(1); // kept when moved in again
    column.didAddToPage(&page, LayoutDocument::MasterLayer);
    EXPECT_EQ(column.masterFlags(), 1);

    column.didAddToPage(&page, LayoutDocument::PagesLayer);
    EXPECT_EQ(column.masterFlags(), 0);
    EXPECT_FALSE(column.autoFlowMaster());
    EXPECT_FALSE(column.manualFlowMaster());
}

TEST_F(TextItemTest, BecomingAMasterDropsTheText)
{
    TextItem column;
    std::weak_ptr<TextFlow> flow = column.sharedFlow();
    column.setManualFlowText(true);
    EXPECT_TRUE(flow.expired());
    column.setAutoFlowText(true);
    EXPECT_TRUE(column.autoFlowMaster());
    EXPECT_FALSE(column.manualFlowMaster());
    EXPECT_EQ(column.flow(), nullptr);
    EXPECT_EQ(column.recompute(), nullptr);
}

// A headline of one paragraph in a 20-point font.
class HeadlineTest : public TextItemTest {
protected:
    void SetUp() override
    {
        alerts_ = std::make_shared<kit::ScriptedAlertHandler>();
        kit::setAlertHandler(alerts_);
        font_ = kit::Font::fontWithName("Helvetica", 20);
        ASSERT_NE(font_, nullptr);
        column_.setTextType(TextItem::DisplayText);
        column_.setFrame(kit::makeRect(0, 0, 200, 40), false);
        paragraph_ = column_.flow()->firstParagraph();
        style()->setFont(font_);
        style()->setWordSpace(4);
    }
    void TearDown() override { kit::setAlertHandler(nullptr); }

    StyleParagraph* style() { return paragraph_->paragraphStyle(); }
    void addWord(const char* text)
    {
        TextWord* word = paragraph_->addWord(std::make_unique<TextWord>());
        word->setText(text);
    }

    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
    kit::Font* font_ = nullptr;
    TextItem column_;
    TextParagraph* paragraph_ = nullptr;
};

TEST_F(HeadlineTest, WideningScalesWordSpaceAndCondense)
{
    addWord("Headline");
    column_.sizeTo(400, 40, false);
    EXPECT_FLOAT_EQ(style()->wordSpace(), 8);
    EXPECT_FLOAT_EQ(style()->charStyle()->condense(), 2);
    EXPECT_FLOAT_EQ(style()->pointSize(), 20);
    EXPECT_FLOAT_EQ(column_.frame().size.width, 400);
}

TEST_F(HeadlineTest, DoublingBothSidesDoublesTheTypeSize)
{
    addWord("Headline");
    column_.sizeTo(400, 80, false);
    EXPECT_FLOAT_EQ(style()->pointSize(), 40);
    EXPECT_FLOAT_EQ(style()->charStyle()->condense(), 1);
}

TEST_F(HeadlineTest, HeightAloneScalesTheLineHeightOfABrokenHeadline)
{
    addWord("Head");
    paragraph_->addWord(std::make_unique<TextWordSpecial>(TextWordLineBreak));
    addWord("line");
    style()->setLeading(StyleAutoLeading + 4); // line height 24
    column_.sizeTo(200, 80, false);
    EXPECT_FLOAT_EQ(style()->leading(), 48);
    EXPECT_FLOAT_EQ(style()->pointSize(), 20);
}

TEST_F(HeadlineTest, WhatDoesNotScale)
{
    struct Case {
        const char* what;
        std::vector<const char*> words;
        float width, height;
    };
    const Case cases[] = {
        {"a single one-letter word", {"A"}, 400, 80},
        {"height alone without a line break", {"Headline"}, 200, 80},
    };
    for (const Case& c : cases) {
        TextItem column;
        column.setTextType(TextItem::DisplayText);
        column.setFrame(kit::makeRect(0, 0, 200, 40), false);
        TextParagraph* paragraph = column.flow()->firstParagraph();
        paragraph->paragraphStyle()->setFont(font_);
        for (const char* text : c.words)
            paragraph->addWord(std::make_unique<TextWord>())->setText(text);
        column.sizeTo(c.width, c.height, false);
        EXPECT_FLOAT_EQ(paragraph->paragraphStyle()->pointSize(), 20) << c.what;
        EXPECT_FLOAT_EQ(paragraph->paragraphStyle()->charStyle()->condense(), 1) << c.what;
        EXPECT_FLOAT_EQ(column.frame().size.height, c.height) << c.what;
    }
}

TEST_F(HeadlineTest, ANamedStyleIsRefusedWithAnAlertButTheFrameResizes)
{
    auto named = std::make_unique<StyleParagraphNamed>();
    named->setFont(font_);
    paragraph_->setParagraphStyle(std::move(named));
    addWord("Headline");
    column_.sizeTo(400, 80, false);
    EXPECT_FLOAT_EQ(style()->pointSize(), 20);
    EXPECT_FLOAT_EQ(column_.frame().size.width, 400);
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(alerts_->shown()[0].title, "Resize");
}

} // namespace

namespace {

// A word that counts the documents it is resolved in.
class CountingWord : public TextWord {
public:
    explicit CountingWord(int* count) : count_(count) {}
    void resolveInDocument(TextDocument* document) override
    {
        if (document)
            ++*count_;
    }

private:
    int* count_;
};

} // namespace

TEST_F(TextItemTest, AChainResolvesItsWordsOnceThroughItsFirstColumn)
{
    auto columns = chain(3);
    int resolved = 0;
    TextFlow* flow = columns[0]->flow();
    flow->firstParagraph()->addWord(std::make_unique<CountingWord>(&resolved));
    flow->lastParagraph()->addWord(std::make_unique<CountingWord>(&resolved));
    LayoutDocument document;
    // Reading tells every column; only the flow's first passes it on.
    for (auto& column : columns)
        column->resolveInDocument(&document);
    EXPECT_EQ(resolved, 2);
}
