#include "HigherLayers.h"
#include "TextTestSupport.h"

#include "ColumnChainSupport.h"

#include <cfloat>
#include <string>
#include <vector>

// The fixture font at 10 points: every glyph 6 points wide, a word space of
// 6, lines 10 high with the baseline 8 below their top.

namespace {

class LayoutTest : public TextTest {
protected:
    void SetUp() override
    {
        TextTest::SetUp();
        setSmartPunctuation(false);
        document_ = std::make_unique<LayoutDocument>(delegate_->preferences());
        document_->setDefaultTabSpacing(0);
    }

    void TearDown() override
    {
        // The columns leave their flow as they go: the flows must outlive them.
        document_.reset();
        retired_.clear();
        flow_.reset();
        TextTest::TearDown();
    }

    // A new flow; the old one stays until the columns that may point at
    // it are gone.
    void newFlow()
    {
        retireFlow();
        flow_ = std::make_unique<TextFlow>();
    }
    void retireFlow()
    {
        if (flow_)
            retired_.push_back(std::move(flow_));
    }

    // A chain of columns of the size given, one per page.
    void makeChain(int count, float width, float height)
    {
        appendColumnChain(*document_, *flow_, columns_, count, width, height);
    }

    // Types the text into the flow: spaces part words, tabs make tab words,
    // line feeds start paragraphs.
    void type(const char* text) { typeInto(*flow_, text); }

    void layOut() { flow_->recomputeAll(); }

    TextParagraph* para(int i) { return flow_->paragraphAtIndex(i); }
    TextWord* word(int p, int w) { return para(p)->wordAtIndex(w); }
    float xOf(int p, int w, int piece = 0) { return word(p, w)->xOriginForPiece(piece); }
    float lineOf(int p, int w, int piece = 0) { return word(p, w)->lineStartForPiece(piece); }

    std::unique_ptr<LayoutDocument> document_;
    std::vector<TextItem*> columns_;
    std::vector<std::unique_ptr<TextFlow>> retired_;
};

} // namespace

TEST_F(LayoutTest, WordsFillLinesAndAnExactFitWraps)
{
    makeChain(1, 60, 500);
    type("aaaa bbbbb cc dd");
    layOut();
    // 24 + 6 + 30 reaches 60 exactly: the second word opens the next line.
    EXPECT_FLOAT_EQ(xOf(0, 0), 0);
    EXPECT_FLOAT_EQ(lineOf(0, 0), 0);
    EXPECT_FLOAT_EQ(word(0, 0)->yOriginForPiece(0), 8);
    EXPECT_FLOAT_EQ(xOf(0, 1), 0);
    EXPECT_FLOAT_EQ(lineOf(0, 1), 10);
    EXPECT_FLOAT_EQ(xOf(0, 2), 36);
    EXPECT_FLOAT_EQ(lineOf(0, 2), 10);
    EXPECT_FLOAT_EQ(xOf(0, 3), 0);
    EXPECT_FLOAT_EQ(lineOf(0, 3), 20);
    EXPECT_FLOAT_EQ(para(0)->lastY(), 30);
    EXPECT_FALSE(para(0)->dirty());
    EXPECT_EQ(para(0)->lastItem(), columns_[0]);
}

TEST_F(LayoutTest, AWordWiderThanTheLineIsSplitByForce)
{
    makeChain(1, 60, 500);
    type("123456789012345"); // digits: no hyphen points
    layOut();
    TextWord* w = word(0, 0);
    ASSERT_EQ(w->numWordPieces(), 2);
    // Ten letters take the 60 points; the rest opens the next line.
    EXPECT_EQ(w->firstOffsetForPiece(1), 10);
    EXPECT_FLOAT_EQ(w->xWidthForPiece(0), 60);
    EXPECT_FLOAT_EQ(w->xWidthForPiece(1), 30);
    EXPECT_FLOAT_EQ(w->xOriginForPiece(1), 0);
    EXPECT_FLOAT_EQ(w->lineStartForPiece(1), 10);
    // Laying out again cuts the word the same way.
    layOut();
    EXPECT_EQ(word(0, 0)->numWordPieces(), 2);
}

// The later pieces of a split word are made anew by each layout: a letter
// typed at the word's end changes its last line, which must be redrawn.
TEST_F(LayoutTest, ALetterTypedIntoAWordSplitByForceDamagesItsLastLine)
{
    makeChain(1, 60, 500);
    type("1234567890123456789012345");
    layOut();
    ASSERT_EQ(word(0, 0)->numWordPieces(), 3);
    type("6");
    EXPECT_EQ(para(0)->recompute(true), para(0));
    EXPECT_EQ(para(0)->lastDirtyItem(), columns_[0]);
    EXPECT_GE(para(0)->lastDirtyY(), lineOf(0, 0, 2) + 10);
}

TEST_F(LayoutTest, TabStops)
{
    struct Case {
        const char* name;
        std::vector<StyleTabStop> stops;
        float indentLeft, deltaFirst, defaultSpacing;
        const char* text;
        int word;        // word checked
        float x;         // its x
        float lineStart; // its line
    };
    const Case cases[] = {
        {"second tab skips a stop within a point", {{30, 0, 0}, {30.5f, 0, 0}, {60, 0, 0}}, 0, 0, 0, "\t\tb", 2, 60, 0},
        {"hanging indent stops at the later lines' indent", {{100, 2, 0}}, 50, -50, 0, "\tb", 1, 50, 0},
        {"no stops: a later tab opens the next line", {}, 0, 0, 0, "a\tb", 2, 0, 10},
        {"default spacing", {}, 0, 0, 36, "a\tb", 2, 36, 0},
        {"right tab at 300", {{300, 2, 0}}, 0, 0, 0, "\tccccc", 1, 270, 0},
        {"centre tab at 200", {{200, 1, 0}, {390, 0, 0}}, 0, 0, 0, "\tccccc\tx", 1, 185, 0},
        {"decimal tab at 200", {{200, 3, 0}}, 0, 0, 0, "\t12.50", 1, 188, 0},
        {"decimal tab without the character", {{200, 3, 0}}, 0, 0, 0, "\t1250", 1, 176, 0},
    };
    makeChain(1, 400, 500);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        flow_->setFirstTextItem(nullptr);
        newFlow();
        paragraph_ = flow_->firstParagraph();
        StyleParagraph* style = paragraph_->paragraphStyle();
        style->setFont(font_);
        style->setTabs(c.stops.data(), int(c.stops.size()));
        style->setIndents(c.indentLeft, 0, c.deltaFirst);
        document_->setDefaultTabSpacing(c.defaultSpacing);
        columns_[0]->setFlow(flow_.get());
        flow_->setFirstTextItem(columns_[0]);
        type(c.text);
        layOut();
        EXPECT_FLOAT_EQ(xOf(0, c.word), c.x);
        EXPECT_FLOAT_EQ(lineOf(0, c.word), c.lineStart);
    }
}

TEST_F(LayoutTest, AlignmentJustificationAndHangingPunctuation)
{
    struct Case {
        const char* name;
        int alignment;
        int hung;
        const char* text;
        std::vector<float> xs; // x of each word
    };
    const Case cases[] = {
        // Line 1 holds three words in 84 of 100 points: 16 spread over two gaps.
        {"justified lines stretch, the last does not", 3, 0, "aaaa bbbb cccc dddd ee", {0, 38, 76, 0, 30}},
        {"one word alone is not stretched", 3, 0, "aaaaaaaaaaaaaaa", {0}},
        {"right", 1, 0, "abc.", {76}},
        {"centre", 2, 0, "abc", {41}},
        {"a full stop hangs past the right limit", 1, 1, "abc.", {82}},
        {"a word of punctuation only does not hang", 1, 1, "...", {82}},
    };
    makeChain(1, 100, 500);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        flow_->setFirstTextItem(nullptr);
        newFlow();
        paragraph_ = flow_->firstParagraph();
        paragraph_->paragraphStyle()->setFont(font_);
        paragraph_->paragraphStyle()->setAlignment(c.alignment);
        paragraph_->paragraphStyle()->setHungPunctuation(c.hung);
        columns_[0]->setFlow(flow_.get());
        flow_->setFirstTextItem(columns_[0]);
        type(c.text);
        layOut();
        ASSERT_GE(paragraph_->wordCount(), int(c.xs.size()));
        for (std::size_t i = 0; i < c.xs.size(); ++i)
            EXPECT_NEAR(xOf(0, int(i)), c.xs[i], 0.001) << "word " << i;
    }
    EXPECT_FLOAT_EQ(columns_[0]->hangRight(), 6);
}

TEST_F(LayoutTest, ExtraSpacesAtALineEndDoNotPushARightAlignedLine)
{
    makeChain(1, 100, 500);
    paragraph_->paragraphStyle()->setAlignment(1);
    type("abc");
    addWord("");
    addWord("");
    layOut();
    EXPECT_NEAR(xOf(0, 0) + word(0, 0)->xWidthForPiece(0), 100, 0.001);
}

TEST_F(LayoutTest, LeadingAndLineSpacing)
{
    struct Case {
        const char* name;
        float leading;
        float lineSpacing;
        float secondLineTop;
        float baseline; // of the first line
    };
    const Case cases[] = {
        {"automatic", StyleAutoLeading, 1, 10, 8},
        {"automatic, double spaced", StyleAutoLeading, 2, 20, 8},
        {"fixed at 14", 14, 1, 14, 11.2f},
    };
    makeChain(1, 60, 500);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        flow_->setFirstTextItem(nullptr);
        newFlow();
        paragraph_ = flow_->firstParagraph();
        paragraph_->paragraphStyle()->setFont(font_);
        paragraph_->charStyle()->setLeading(c.leading);
        paragraph_->charStyle()->setLineSpacing(c.lineSpacing);
        columns_[0]->setFlow(flow_.get());
        flow_->setFirstTextItem(columns_[0]);
        type("aaaaaaa bbbbbbb");
        layOut();
        EXPECT_NEAR(word(0, 0)->yOriginForPiece(0), c.baseline, 0.001);
        EXPECT_NEAR(lineOf(0, 1) - lineOf(0, 0), c.secondLineTop, 0.001);
    }
}

TEST_F(LayoutTest, ALineIsPlacedAtTheTopOfAColumnEvenWhenTallerThanIt)
{
    makeChain(2, 100, 5);
    type("aaa bbb");
    layOut();
    EXPECT_EQ(para(0)->lastItem(), columns_[0]);
    EXPECT_FLOAT_EQ(lineOf(0, 1), 0);
}

TEST_F(LayoutTest, WidowControlOfTwo)
{
    // Columns hold three lines; the first paragraph takes one.
    struct Case {
        const char* name;
        const char* second; // lines of 2 words each in a 60-point column
        int firstLineInNextColumn; // word of the second paragraph that opens column 2
        bool wholeParagraphMoves;
    };
    const Case cases[] = {
        {"two lines before the break and one after: all move", "aa bb cc dd ee ff", 0, true},
        {"one line left over pulls one more", "aa bb cc dd ee ff gg hh", 4, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        columns_.clear();
        newFlow();
        paragraph_ = flow_->firstParagraph();
        paragraph_->paragraphStyle()->setFont(font_);
        document_ = std::make_unique<LayoutDocument>(delegate_->preferences());
        makeChain(2, 40, c.wholeParagraphMoves ? 30 : 40);
        type("first\n");
        para(1)->paragraphStyle()->setFont(font_); // with its word space
        para(1)->paragraphStyle()->setWidowControl(2);
        type(c.second);
        layOut();
        TextParagraph* second = para(1);
        EXPECT_EQ(second->lastItem(), columns_[1]);
        EXPECT_EQ(second->firstItem(), c.wholeParagraphMoves ? columns_[1] : columns_[0]);
        EXPECT_FLOAT_EQ(lineOf(1, c.firstLineInNextColumn), 0);
        EXPECT_EQ(columns_[1]->startPoint().paragraph, 1);
        EXPECT_EQ(columns_[1]->startPoint().word, c.firstLineInNextColumn);
        retireFlow();
    }
}

TEST_F(LayoutTest, KeepWithNextMovesWithTheParagraphThatBreaks)
{
    makeChain(2, 40, 30);
    type("intro\nhead\naa bb cc dd");
    para(1)->paragraphStyle()->setWidowControl(-2);
    layOut();
    EXPECT_EQ(para(1)->firstItem(), columns_[1]);
    EXPECT_FLOAT_EQ(para(1)->firstY(), 0);
    EXPECT_EQ(para(2)->firstItem(), columns_[1]);
    EXPECT_FLOAT_EQ(lineOf(2, 0), 10);
    // The move lasts one layout: the style keeps its own column start.
    EXPECT_EQ(para(1)->paragraphStyle()->columnStart(), 0);
    EXPECT_EQ(para(1)->paragraphStyle()->definedFlags() & StyleColumnStartMask, 0);
}

// Lines kept together that fill more than a column break where they must:
// started again in the next column they would break there again, and in a
// word processor add pages without end.
TEST_F(LayoutTest, LinesKeptTogetherLongerThanAColumnStayWhereTheyStartAtTheTop)
{
    makeChain(4, 40, 20); // two lines of two words a column
    type("aa bb cc dd ee ff gg hh ii jj");
    para(0)->paragraphStyle()->setWidowControl(-1);
    layOut();
    EXPECT_EQ(para(0)->firstItem(), columns_[0]);
    EXPECT_FLOAT_EQ(para(0)->firstY(), 0);
    EXPECT_EQ(para(0)->lastItem(), columns_[2]);
    EXPECT_EQ(columns_[1]->startPoint().word, 4);
    EXPECT_EQ(columns_[2]->startPoint().word, 8);
}

TEST_F(LayoutTest, ColumnStartThreeOpensTheNextColumn)
{
    makeChain(2, 100, 100);
    type("one\ntwo");
    para(1)->paragraphStyle()->setColumnStart(3);
    layOut();
    EXPECT_EQ(para(1)->firstItem(), columns_[1]);
    EXPECT_FLOAT_EQ(lineOf(1, 0), 0);
    EXPECT_EQ(columns_[0]->endPoint().paragraph, 1);
    EXPECT_EQ(columns_[0]->endPoint().word, -1);
    EXPECT_EQ(columns_[1]->startPoint().paragraph, 1);
}

TEST_F(LayoutTest, APageBreakSendsTheNextParagraphToTheNextColumn)
{
    makeChain(2, 100, 100);
    type("one");
    flow_->currentParagraph()->addSpecialWord(TextWordPageBreak);
    type("\ntwo");
    layOut();
    EXPECT_TRUE(para(0)->endsWithHardPage());
    EXPECT_FLOAT_EQ(para(0)->lastY(), 100);
    EXPECT_EQ(para(1)->firstItem(), columns_[1]);
}

TEST_F(LayoutTest, AMoveOfLessThanAPointAnswersNoAndAWholeMoveShifts)
{
    makeChain(1, 100, 200);
    type("one\ntwo three");
    layOut();
    const float before = word(1, 0)->yOriginForPiece(0);
    EXPECT_FALSE(para(1)->_compute(false));

    para(0)->paragraphStyle()->setSpaceAfter(0.5f);
    EXPECT_FALSE(para(1)->_compute(false));
    EXPECT_FLOAT_EQ(word(1, 0)->yOriginForPiece(0), before);

    para(0)->paragraphStyle()->setSpaceAfter(3);
    EXPECT_TRUE(para(1)->_compute(true));
    EXPECT_FLOAT_EQ(word(1, 0)->yOriginForPiece(0), before + 3);
    EXPECT_FLOAT_EQ(para(1)->firstDirtyY(), para(1)->firstY());
}

TEST_F(LayoutTest, TypingThatKeepsTheHeightStopsAtTheNextParagraph)
{
    makeChain(1, 200, 200);
    type("one\ntwo\nthree");
    layOut();
    para(0)->wordAtIndex(0)->addByte('s', true);
    EXPECT_EQ(para(0)->recompute(true), para(0));
    // A change of height moves everything after it.
    type(" a b c d e f g h i j k l m n o p q r s t u v w x y z");
    EXPECT_EQ(para(2)->recompute(true), para(2));
    para(0)->paragraphStyle()->setSpaceAfter(4);
    EXPECT_EQ(para(0)->recompute(true), para(2));
}

TEST_F(LayoutTest, RecomputeWithoutAColumnChangesNothing)
{
    type("one");
    EXPECT_EQ(para(0)->recompute(), para(0));
    EXPECT_EQ(para(0)->lastItem(), nullptr);
}

TEST_F(LayoutTest, TextPastTheLastColumnLeavesLaterParagraphsWithoutOne)
{
    makeChain(1, 100, 20);
    type("aa\nbb\ncc\ndd");
    layOut();
    EXPECT_EQ(para(1)->lastItem(), columns_[0]);
    EXPECT_EQ(para(3)->firstItem(), nullptr);
    EXPECT_TRUE(para(2)->dirty());
}

TEST_F(LayoutTest, OverflowAddsAPageOnce)
{
    document_->setPageSize(kit::makeSize(200, 200));
    document_->setFirstPageNum(1);
    document_->setMasterPage(std::make_unique<Page>());
    auto master = std::make_unique<TextItem>();
    master->setFrame(kit::makeRect(0, 0, 100, 15), false);
    master->setAutoFlowText(true);
    master->setMasterFlags(3);
    document_->addMasterItem(std::move(master));
    ASSERT_TRUE(document_->addPages(1, 0));
    TextItem* first = nullptr;
    for (const auto& item : document_->pageAt(0)->pageItems())
        first = first ? first : dynamic_cast<TextItem*>(item.get());
    ASSERT_NE(first, nullptr);
    TextFlow* flow = first->flow();
    ASSERT_NE(flow, nullptr);
    flow->firstParagraph()->paragraphStyle()->setFont(font_);
    for (const char* c = "aa\nbb\ncc"; *c; ++c)
        flow->currentParagraph()->addByte(static_cast<unsigned char>(*c));
    // One 10-point line fits a column: the three lines need two more pages,
    // added as the text reaches the end of the chain, and no more.
    flow->recomputeAll();
    ASSERT_EQ(document_->numPages(), 3);
    TextItem* second = first->nextColumn();
    ASSERT_NE(second, nullptr);
    ASSERT_NE(second->nextColumn(), nullptr);
    EXPECT_EQ(second->page(), document_->pageAt(1));
    EXPECT_EQ(flow->paragraphAtIndex(2)->lastItem(), second->nextColumn());
    // Laying the same text out again adds nothing.
    flow->recomputeAll();
    EXPECT_EQ(document_->numPages(), 3);
}

namespace {
// An item that keeps text clear of the column's right from x `from` on,
// down to y `bottom` (page coordinates).
class Intruder : public Item {
public:
    Intruder(float from, float bottom) : from_(from), bottom_(bottom) { setRunaround(true, 0, 0, 0, 0, 0, false); }
    void getHorizontalDeltas(const Item* column, kit::Point p1, kit::Point p2, kit::Point p3, kit::Point p4,
                             float* left, float* right) const override
    {
        (void)column;
        (void)p1;
        (void)p4;
        (void)left;
        if (p3.y < bottom_)
            *right = p2.x - from_;
    }

private:
    float from_, bottom_;
};
} // namespace

TEST_F(LayoutTest, RunaroundLimits)
{
    makeChain(1, 200, 200);
    const kit::Rect frame = columns_[0]->frame();
    struct Case {
        const char* name;
        std::vector<float> starts; // each item reaches in from this x
        float right;
    };
    const Case cases[] = {
        {"no items", {}, 0},
        {"the deeper of two wins", {150, 40}, 160},
        {"an item over the whole band does not narrow", {-10}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::unique_ptr<Intruder>> items;
        std::vector<Item*> list;
        for (float from : c.starts) {
            items.push_back(std::make_unique<Intruder>(from, 100));
            list.push_back(items.back().get());
        }
        float left = -1, right = -1;
        getHorizDeltas(list, columns_[0], frame, 0, 10, &left, &right);
        EXPECT_FLOAT_EQ(left, 0);
        EXPECT_FLOAT_EQ(right, c.right);
    }
}

TEST_F(LayoutTest, RunaroundNarrowsOrPushesLinesDown)
{
    makeChain(1, 200, 200);
    Page* page = columns_[0]->page();
    // Over the top 15 points: 15 points of the column stay clear, less than
    // two line heights, so the line goes below it.
    page->addItems(std::make_unique<Intruder>(15, 15), false);
    type("aa bb");
    layOut();
    EXPECT_FLOAT_EQ(lineOf(0, 0), 20);
    EXPECT_TRUE(para(0)->hasIntruders());
}

TEST_F(LayoutTest, RunaroundNarrowsALine)
{
    makeChain(1, 200, 200);
    columns_[0]->page()->addItems(std::make_unique<Intruder>(60, 15), false);
    type("aaaa bbbb cccc");
    layOut();
    // 60 points left on the first line: two words; the third goes below.
    EXPECT_FLOAT_EQ(lineOf(0, 1), 0);
    EXPECT_FLOAT_EQ(lineOf(0, 2), 10);
    EXPECT_FLOAT_EQ(xOf(0, 2), 0);
}

TEST_F(LayoutTest, PathologicalParagraphsEnd)
{
    struct Case {
        const char* name;
        float width;
        std::string text;
    };
    std::string longWord(100000, 'x');
    std::string tabs(10000, '\t');
    const Case cases[] = {
        {"one 100,000-letter word", 300, longWord},
        {"10,000 tabs", 300, tabs},
        {"a column one point wide", 1, "some words in a very narrow column"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        columns_.clear();
        newFlow();
        paragraph_ = flow_->firstParagraph();
        paragraph_->paragraphStyle()->setFont(font_);
        document_ = std::make_unique<LayoutDocument>(delegate_->preferences());
        document_->setDefaultTabSpacing(36);
        makeChain(2, c.width, 2000000);
        if (c.text[0] == 'x') {
            for (const std::string& piece : TextWord::splitIntoWordTexts(c.text))
                addWord(piece.c_str());
        } else {
            type(c.text.c_str());
        }
        layOut();
        EXPECT_FALSE(paragraph_->dirty());
        EXPECT_GT(paragraph_->lastY(), 0);
        retireFlow();
    }
}

TEST_F(LayoutTest, HitTesting)
{
    makeChain(1, 60, 200);
    type("aaaa bbbb cc\tdd eeee");
    document_->setDefaultTabSpacing(12);
    layOut();
    // Lines: "aaaa bbbb"; "cc", a tab from 18 to 24, "dd"; "eeee".
    struct Case {
        const char* name;
        kit::Point point;
        int clicks;
        int word;
        int letter;
        bool dead;
        bool exact;
    };
    const float line2 = lineOf(0, 3), line3 = lineOf(0, 5);
    ASSERT_FLOAT_EQ(line2, 10);
    ASSERT_FLOAT_EQ(line3, 20);
    const float tabRight = xOf(0, 3) + word(0, 3)->xWidthForPiece(0) - 0.5f;
    const Case cases[] = {
        {"inside a letter's right half", {27 + 3 + 4, 5}, 1, 1, 1, false, true},
        {"on the first letter", {1, 5}, 1, 0, 0, false, true},
        {"right of the last line: dead space", {59, line3 + 5}, 1, 5, 4, true, false},
        {"right half of a tab: the next word", {tabRight, line2 + 5}, 1, 4, 0, false, true},
        {"the same with a double click", {tabRight, line2 + 5}, 2, 3, 0, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int letter = -1;
        bool dead = false, exact = false;
        TextWord* hit = paragraph_->hitWordAtPoint(&letter, columns_[0], c.point, &dead, &exact, c.clicks);
        EXPECT_EQ(hit, word(0, c.word));
        EXPECT_EQ(letter, c.letter);
        EXPECT_EQ(dead, c.dead);
        EXPECT_EQ(exact, c.exact);
    }
}

TEST(MissedRectBy, DistancesFromARectangle)
{
    const kit::Rect r = kit::makeRect(10, 10, 20, 10); // x 10..30, y 10..20
    struct Case {
        kit::Point point;
        float distance;
    };
    const Case cases[] = {
        {{15, 15}, 0},       {{15, 4}, 6},        {{15, 25}, FLT_MAX}, {{4, 15}, 6},
        {{34, 15}, 4},       {{5, 7}, 3},         {{40, 30}, FLT_MAX},
    };
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(missedRectBy(c.point, r), c.distance) << c.point.x << "," << c.point.y;
}

TEST_F(LayoutTest, ArrowUpAndDownKeepTheColumnPosition)
{
    makeChain(1, 60, 200);
    type("aaaa bbbb cc dddd eeee");
    layOut();
    // Lines: "aaaa bbbb", "cc dddd", "eeee".
    textPoint tp{0, 1, 2};
    flow_->arrowUpDown(&tp, {27, 0}, 0xF701);
    EXPECT_EQ(tp.word, 3);
    EXPECT_EQ(tp.letter, 1);
    flow_->arrowUpDown(&tp, {27, 10}, 0xF701);
    EXPECT_EQ(tp.word, 4);
    EXPECT_EQ(tp.letter, 4);
    textPoint top{0, 0, 1};
    flow_->arrowUpDown(&top, {6, 0}, 0xF700);
    EXPECT_EQ(top.word, 0);
    EXPECT_EQ(top.letter, 0);
}

TEST_F(LayoutTest, TheLastParagraphEmptiesTheColumnsAfterIt)
{
    makeChain(3, 100, 100);
    type("one");
    layOut();
    EXPECT_EQ(columns_[0]->endPoint().paragraph, 1);
    EXPECT_EQ(columns_[1]->startPoint().paragraph, -1);
    EXPECT_EQ(columns_[2]->endPoint().paragraph, -2);
}

namespace {
class CountingDocument : public LayoutDocument {
public:
    using LayoutDocument::LayoutDocument;
    void notifyDocumentDidChangeSize() override
    {
        ++sizeChanges;
        heldBack = isNotifyDisabled();
    }
    int sizeChanges = 0;
    bool heldBack = true;
};
} // namespace

TEST_F(LayoutTest, NotificationIsHeldBackDuringTheChain)
{
    auto counting = std::make_unique<CountingDocument>(delegate_->preferences());
    CountingDocument* doc = counting.get();
    document_ = std::move(counting);
    makeChain(1, 100, 100);
    type("one\ntwo");
    layOut();
    // No page was added: nothing to announce, and the counters are back.
    EXPECT_EQ(doc->sizeChanges, 0);
    EXPECT_FALSE(doc->isNotifyDisabled());
}

// Text that runs through 40 pages added one by one during one layout: the
// views hear of the new canvas once it is made, not once a page (each
// notice walks every page).
TEST_F(LayoutTest, PagesAddedDuringALayoutAreAnnouncedOnce)
{
    auto counting = std::make_unique<CountingDocument>(delegate_->preferences());
    CountingDocument* doc = counting.get();
    document_ = std::move(counting);
    doc->setPageSize(kit::makeSize(200, 200));
    doc->setFirstPageNum(1);
    doc->setMasterPage(std::make_unique<Page>());
    auto master = std::make_unique<TextItem>();
    master->setFrame(kit::makeRect(0, 0, 100, 15), false);
    master->setAutoFlowText(true);
    master->setMasterFlags(3);
    doc->addMasterItem(std::move(master));
    ASSERT_TRUE(doc->addPages(1, 0));
    TextItem* first = nullptr;
    for (const auto& item : doc->pageAt(0)->pageItems())
        first = first ? first : dynamic_cast<TextItem*>(item.get());
    ASSERT_NE(first, nullptr);
    TextFlow* flow = first->flow();
    flow->firstParagraph()->paragraphStyle()->setFont(font_);
    for (int i = 0; i < 40; ++i) {
        if (i > 0)
            flow->currentParagraph()->addByte('\n');
        flow->currentParagraph()->addByte('a');
    }
    doc->sizeChanges = 0;
    flow->recomputeAll();
    ASSERT_EQ(doc->numPages(), 40);
    EXPECT_GE(doc->sizeChanges, 1);
    EXPECT_LE(doc->sizeChanges, 2);
    EXPECT_FALSE(doc->heldBack);
    // The canvas holds the last page.
    const kit::Rect last = doc->pageAt(39)->pageRect();
    EXPECT_GT(last.size.width, 0);
    EXPECT_LE(last.origin.x + last.size.width, doc->canvasSize().width);
    EXPECT_LE(last.origin.y + last.size.height, doc->canvasSize().height);
}
