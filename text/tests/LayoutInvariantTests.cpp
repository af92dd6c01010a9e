#include "HigherLayers.h"
#include "TextEditingTestSupport.h"

#include "LayoutInvariant.h"
#include "RandomEdits.h"

#include "platform/appkit/tests/FreshRepaint.h"

#include "appkit/RunLoop.h"
#include "appkit/ScrollView.h"
#include "appkit/Window.h"
#include "text/TableDefinition.h"
#include "text/TableParagraph.h"
#include "text/TableRow.h"

#include <cstdlib>
#include <string>
#include <vector>

// The layout after every edit equals a layout of the same text from scratch,
// and the window shows what a fresh repaint shows.

namespace {

int environmentNumber(const char* name, int fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? std::atoi(value) : fallback;
}

class LayoutInvariantTest : public EditingTest {
protected:
    void TearDown() override
    {
        if (shown_) {
            document_->detachView(shown_);
            delegate_->setMainPageView(nullptr);
        }
        window_.reset();
        shown_ = nullptr;
        EditingTest::TearDown();
    }

    // The pages side by side, all in one window whose page view is the
    // document's only one: what the edits redraw is seen there.
    void openWindow()
    {
        const auto& pages = document_->pages();
        for (std::size_t i = 0; i < pages.size(); ++i)
            pages[i]->setRect(kit::makeRect(150.0f * float(i), 0, 140, 120));
        document_->calcDisplayedPages(false);
        const kit::Rect content = kit::makeRect(0, 0, 150.0f * float(pages.size()) + 30, 150);
        window_ = std::make_unique<kit::Window>(content);
        auto scroll = std::make_unique<kit::ScrollView>(content);
        auto view = std::make_unique<PageView>(content);
        shown_ = view.get();
        shown_->setDocument(document_.get());
        scroll->setDocumentView(std::move(view));
        window_->setContentView(std::move(scroll));
        document_->detachView(&view_);
        document_->addView(shown_);
        delegate_->setMainPageView(shown_);
        window_->display();
    }

    // Empty when the window shows what a fresh repaint of the view shows.
    std::string windowAgainstRepaint()
    {
        window_->displayIfNeeded();
        const repaint::Mismatch m = repaint::compareWithFreshRepaint(*window_, *shown_, true);
        return m.any() ? "the window: " + m.describe() + "\n" : std::string();
    }

    // A flow over several columns and pages, columns of a few sizes, text in
    // paragraphs of random words; with some seeds a runaround box over a
    // column, or a table.
    void buildScenario(layoutcheck::EditChooser& choose)
    {
        TextFlow::initialize();
        TextSelection::initialize();
        const int count = 2 + choose.below(3);
        for (int i = 0; i < count; ++i) {
            const float width = float(60 + 30 * choose.below(3));
            const float height = float(40 + 20 * choose.below(4));
            std::vector<TextItem*> more = makeChain(flow_.get(), 1, width, height);
            if (!columns_.empty()) {
                columns_.back()->setNextColumn(more.front());
                more.front()->setPrevColumn(columns_.back());
            }
            columns_.push_back(more.front());
        }
        flow_->setFirstTextItem(columns_.front());
        if (choose.below(3) == 0) {
            // A box over the right half of a column's upper part.
            TextItem* column = columns_[std::size_t(choose.below(count))];
            const kit::Rect frame = column->frame();
            auto box = std::make_unique<ItemBox>();
            box->setFrame(kit::makeRect(frame.origin.x + frame.size.width / 2, frame.origin.y + 5,
                                        frame.size.width, 25),
                          false);
            box->setRunaround(true, 0, 0, 0, 0, 0, false);
            column->page()->addItems(std::move(box), false);
        }
        const int paragraphs = 1 + choose.below(5);
        std::string text;
        for (int p = 0; p < paragraphs; ++p) {
            if (p > 0)
                text += '\n';
            const int words = choose.below(12);
            for (int w = 0; w < words; ++w) {
                if (w > 0)
                    text += ' ';
                text += std::string(std::size_t(1 + choose.below(6)), char('a' + choose.below(5)));
            }
        }
        for (char c : text)
            flow_->currentParagraph()->addByte(static_cast<unsigned char>(c));
        if (choose.below(4) == 0)
            addTable(choose);
        flow_->recomputeAll();
        caretAt(0, 0, 0);
        openWindow();
    }

    // A table of one or two rows of two cells after the first paragraph.
    void addTable(layoutcheck::EditChooser& choose)
    {
        auto owned = std::make_unique<TableDefinition>();
        const float width = columns_.front()->frame().size.width;
        owned->setMargins({{2.0f, width / 2 - 2}, {width / 2 + 2, width - 2}});
        TableDefinition* table = flow_->addTable(std::move(owned));
        const int rows = 1 + choose.below(2);
        int at = 1;
        for (int r = 0; r < rows; ++r) {
            TableRow* row = table->addRow();
            row->setColumnCount(2);
            row->setIsAutoHeight(1);
            for (int c = 0; c < 2; ++c) {
                auto cell = std::make_unique<TableParagraph>(table, r, c);
                cell->paragraphStyle()->setFont(font_);
                cell->paragraphStyle()->setIndentLeft(c == 0 ? 2.0f : width / 2 + 2);
                cell->paragraphStyle()->setIndentRight(c == 0 ? width / 2 + 2 : 2.0f);
                cell->addWord(std::make_unique<TextWord>(choose.below(2) ? "cell" : "c"));
                flow_->insertParagraph(std::move(cell), at++)->recomputeAllWords();
            }
        }
    }

    // Runs the steps; on a failure reports the seed, every step so far and
    // what the check found.
    void runSeed(std::uint32_t seed, int steps)
    {
        layoutcheck::SeededChooser choose(seed);
        buildScenario(choose);
        layoutcheck::RandomEditor editor(*flow_, shown_, font_, choose);
        // The window first: the layout from scratch redraws what it lays out.
        std::vector<layoutcheck::StepCheck> checks{[this] { return windowAgainstRepaint(); },
                                                   [this] {
                                                       std::string wrong =
                                                           layoutcheck::differenceFromFullLayout(*flow_);
                                                       window_->displayIfNeeded();
                                                       return wrong;
                                                   }};
        std::string history;
        for (int step = 0; step < steps; ++step) {
            const std::string done = editor.step();
            history += "  " + std::to_string(step) + ": " + done + "\n";
            for (const auto& check : checks) {
                const std::string wrong = check();
                if (!wrong.empty()) {
                    ADD_FAILURE() << "seed " << seed << ", step " << step << " (" << done << "):\n"
                                  << wrong << "steps:\n"
                                  << history;
                    return;
                }
            }
        }
    }

    std::unique_ptr<kit::Window> window_;
    PageView* shown_ = nullptr;
};

// Small flows edited through the keys, their layout compared with one
// from scratch after each edit.
class LayoutAfterEditsTest : public EditingTest {
protected:
    void type(const char* keys)
    {
        for (const char* k = keys; *k; ++k)
            press(static_cast<unsigned char>(*k));
    }
    // Empty when the layout equals one from scratch.
    std::string fromScratch() { return layoutcheck::differenceFromFullLayout(*flow_); }
    TextParagraph* para(int i) const { return flow_->paragraphAtIndex(i); }
    textPoint caret_{};
};

} // namespace

TEST_F(LayoutAfterEditsTest, ReturnInsideAParagraphLaysOutBothHalves)
{
    makeColumns(1, 60, 500);
    setText("aaaa bbbb cccc dddd eeee\nzz");
    caretAt(0, 1, 4);
    press(13);
    // "aaaa bbbb" keeps one line; the new paragraph starts right below it.
    EXPECT_FLOAT_EQ(para(0)->lastY(), 10);
    EXPECT_FLOAT_EQ(para(1)->firstY(), 10);
    EXPECT_FLOAT_EQ(para(2)->firstY(), 30);
    type("x");
    EXPECT_FLOAT_EQ(para(1)->firstY(), 10);
    EXPECT_EQ(fromScratch(), "");
}

TEST_F(LayoutAfterEditsTest, AKeptParagraphThatGrowsIsCheckedAgainWithTheNextOne)
{
    // Three lines a column, two words a line. "pp" keeps with the long
    // paragraph after it, which breaks across columns: both open column 1.
    makeColumns(3, 40, 30);
    setText("aa\nbb\npp\nqq rr ss tt uu vv ww xx");
    TextParagraph* kept = para(2);
    std::unique_ptr<StyleParagraph> style = kept->paragraphStyle()->copy();
    style->setWidowControl(-2);
    kept->setStylePara(style.get(), false, true);
    ASSERT_EQ(kept->firstItem(), columns_[1]);
    ASSERT_EQ(fromScratch(), "");
    // Grown to two lines it would end where it did, with its first line at
    // the foot of column 0: it moves on with the next paragraph instead.
    kept->lastTextPoint(&caret_);
    flow_->setCurrentPoint(&caret_);
    type(" ppp ppp");
    EXPECT_EQ(kept->firstItem(), columns_[1]);
    EXPECT_FLOAT_EQ(kept->firstY(), 0);
    EXPECT_EQ(fromScratch(), "");
}

TEST_F(LayoutAfterEditsTest, AKeepWithNextRunMovesBeforeTheParagraphThatBreaksIsPlaced)
{
    // Four lines a column: two kept headings at its foot, then a paragraph
    // that breaks across columns; all three move to column 1, each line
    // in its own place there.
    makeColumns(3, 40, 40);
    setText("aa\nbb\nh1\nh2\nqq rr ss tt uu vv");
    for (int i : {2, 3}) {
        std::unique_ptr<StyleParagraph> style = para(i)->paragraphStyle()->copy();
        style->setWidowControl(-2);
        para(i)->setStylePara(style.get(), false, false);
    }
    flow_->recomputeAll();
    caretAt(4, 0, 2);
    type("q");
    EXPECT_EQ(para(2)->firstItem(), columns_[1]);
    EXPECT_EQ(para(4)->firstItem(), columns_[1]);
    EXPECT_FLOAT_EQ(para(4)->wordAtIndex(0)->lineStartForPiece(0), 20);
    for (const auto& word : para(4)->wordList())
        EXPECT_LT(word->lineStartForPiece(0), 40);
    EXPECT_EQ(fromScratch(), "");
}

TEST_F(LayoutAfterEditsTest, AKeepWithNextRunInTheLastColumnStaysWhereItIs)
{
    // The kept paragraph stands in the last column; the one after it runs
    // out of room. There is no column to move on to: the run stays, and
    // the next paragraph keeps the lines it placed, one below the other.
    makeColumns(2, 40, 30);
    setText("aa\nbb\ncc\ndd\nhh\nqq rr ss tt");
    std::unique_ptr<StyleParagraph> style = para(4)->paragraphStyle()->copy();
    style->setWidowControl(-2);
    para(4)->setStylePara(style.get(), false, true);
    EXPECT_EQ(para(4)->firstItem(), columns_[1]);
    EXPECT_FLOAT_EQ(para(4)->firstY(), 10);
    EXPECT_EQ(para(5)->firstItem(), columns_[1]);
    EXPECT_FLOAT_EQ(para(5)->wordAtIndex(0)->lineStartForPiece(0), 20);
    EXPECT_FLOAT_EQ(para(5)->wordAtIndex(1)->lineStartForPiece(0), 20);
    const textPoint end = columns_[1]->endPoint();
    EXPECT_TRUE(samePoint(end, 5, 2, -1)) << end.paragraph << "," << end.word << "," << end.letter;
    caretAt(5, 1, 2);
    type("r");
    EXPECT_EQ(fromScratch(), "");
}

TEST_F(LayoutAfterEditsTest, AKeyLeavesTheTextFurtherOnForDrawingOrIdleTime)
{
    // Three lines a column; the first paragraph grows by a line.
    makeColumns(4, 40, 30);
    setText("aa bb\ncc\ndd\nee\nff\ngg\nhh\nii");
    caretAt(0, 1, 2);
    type(" xx");
    // The paragraph after the edited one moved at once; the rest waits.
    EXPECT_FLOAT_EQ(para(1)->firstY(), 20);
    EXPECT_TRUE(flow_->hasPendingLayout());
    EXPECT_EQ(para(2)->firstItem(), columns_[0]);
    // Drawing column 1 lays out what it shows: up to the first paragraph
    // that ends past it, and no further.
    flow_->layoutThrough(columns_[1]);
    EXPECT_EQ(para(2)->firstItem(), columns_[1]);
    EXPECT_FLOAT_EQ(para(4)->firstY(), 20);
    EXPECT_EQ(para(5)->firstItem(), columns_[2]);
    EXPECT_FLOAT_EQ(para(6)->firstY(), 0);
    EXPECT_TRUE(flow_->hasPendingLayout());
    // Idle time lays out the rest, in as many turns as a busy machine's
    // time slices take.
    for (int turn = 0; turn < 1000 && flow_->hasPendingLayout(); ++turn)
        kit::RunLoop::currentRunLoop().fireDueTimers(kit::DefaultRunLoopMode);
    EXPECT_FALSE(flow_->hasPendingLayout());
    EXPECT_FLOAT_EQ(para(6)->firstY(), 10);
    EXPECT_FLOAT_EQ(para(7)->firstY(), 20);
    EXPECT_EQ(fromScratch(), "");
}

TEST_F(LayoutAfterEditsTest, ParagraphsMadeDirtyByAStyleChangeAreLaidOutInOnePass)
{
    makeColumns(3, 40, 30);
    setText("aa bb\ncc\ndd\nee\nff\ngg");
    flow_->recomputeAll();
    // Two paragraphs apart grow by their space before, as a change to the
    // styles of a selection makes them.
    for (int i : {1, 4}) {
        para(i)->paragraphStyle()->setSpaceBefore(12);
        para(i)->setDirty(true);
    }
    EXPECT_FALSE(flow_->isSettled());
    flow_->recomputeAllDirtyParagraphs();
    EXPECT_TRUE(flow_->isSettled());
    EXPECT_EQ(fromScratch(), "");
}

TEST_F(LayoutAfterEditsTest, AFlowIsSettledOnlyWhenALayoutFromScratchWouldChangeNothing)
{
    makeColumns(4, 40, 30);
    setText("aa bb\ncc\ndd\nee\nff\ngg\nhh\nii");
    flow_->recomputeAll();
    EXPECT_TRUE(flow_->isSettled());
    // A key that leaves the text further on for idle time.
    caretAt(0, 1, 2);
    type(" xx");
    EXPECT_FALSE(flow_->isSettled());
    for (int turn = 0; turn < 1000 && flow_->hasPendingLayout(); ++turn)
        kit::RunLoop::currentRunLoop().fireDueTimers(kit::DefaultRunLoopMode);
    EXPECT_TRUE(flow_->isSettled());
    EXPECT_EQ(fromScratch(), "");
    // A paragraph whose layout went stale, one put into the list and not
    // yet laid out, and one that found no room in the columns.
    para(3)->forceDirty();
    EXPECT_FALSE(flow_->isSettled());
    flow_->recomputeAll();
    EXPECT_TRUE(flow_->isSettled());
    flow_->insertParagraph(std::make_unique<TextParagraph>(), 2);
    EXPECT_FALSE(flow_->isSettled());
    flow_->recomputeAll();
    EXPECT_TRUE(flow_->isSettled());
    caretAt(8, 0, 2);
    type("\r1\r2\r3\r4\r5\r6");
    flow_->completeLayout();
    EXPECT_FALSE(flow_->isSettled());
}

TEST_F(LayoutAfterEditsTest, TheKeysKeepATablesCellsInTheirRow)
{
    // "before", one row of two cells, "after", in a column of five lines.
    makeColumns(2, 100, 50);
    setText("before\nafter");
    auto owned = std::make_unique<TableDefinition>();
    owned->setMargins({{2.0f, 48.0f}, {52.0f, 98.0f}});
    TableDefinition* table = flow_->addTable(std::move(owned));
    TableRow* row = table->addRow();
    row->setColumnCount(2);
    row->setIsAutoHeight(1);
    for (int c = 0; c < 2; ++c) {
        auto cell = std::make_unique<TableParagraph>(table, 0, c);
        cell->paragraphStyle()->setFont(font_);
        cell->paragraphStyle()->setIndentLeft(c == 0 ? 2.0f : 52.0f);
        cell->paragraphStyle()->setIndentRight(c == 0 ? 52.0f : 2.0f);
        cell->addWord(std::make_unique<TextWord>("cell"));
        flow_->insertParagraph(std::move(cell), 1 + c)->recomputeAllWords();
    }
    flow_->recomputeAll();
    struct Case {
        const char* name;
        textPoint at;
        std::uint16_t key;
    };
    // A delete key at a cell's edge would join the cell to its neighbour.
    const Case cases[] = {{"Backspace at the first cell's start", {1, 0, 0}, TextParagraph::DeleteBackwardKey},
                          {"Backspace after the table", {3, 0, 0}, TextParagraph::DeleteBackwardKey},
                          {"Delete at the last cell's end", {2, 0, 4}, TextParagraph::DeleteForwardKey},
                          {"Delete before the table", {0, 0, 6}, TextParagraph::DeleteForwardKey}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        caretAt(c.at.paragraph, c.at.word, c.at.letter);
        const int before = beeps();
        press(c.key);
        EXPECT_EQ(beeps(), before + 1);
        EXPECT_EQ(flow_->paragraphCount(), 4);
        EXPECT_EQ(text(), "before\ncell\ncell\nafter");
    }
    // Enter in a cell ends the cell's line, not the column.
    caretAt(1, 0, 4);
    press(0xF7EB);
    for (const auto& word : para(1)->wordList())
        EXPECT_FALSE(word->isSpecialType(TextWordPageBreak));
    EXPECT_FALSE(para(1)->endsWithHardPage());
    EXPECT_EQ(para(3)->firstItem(), columns_[0]);
    EXPECT_EQ(fromScratch(), "");
}

TEST_F(LayoutAfterEditsTest, EnterSendsTheTextAfterItToTheNextColumn)
{
    makeColumns(2, 100, 100);
    setText("one two");
    caretAt(0, 0, 3);
    press(0xF7EB);
    EXPECT_TRUE(para(0)->endsWithHardPage());
    EXPECT_EQ(para(1)->firstItem(), columns_[1]);
    EXPECT_FLOAT_EQ(para(1)->firstY(), 0);
    EXPECT_EQ(fromScratch(), "");
}

TEST_F(LayoutAfterEditsTest, APageBreakInAHeadlineOnlyEndsItsLine)
{
    // A headline grows to its text and has no column to go on to: the text
    // after a page break stays in it, right below, and laying it out again
    // neither moves it nor grows the headline.
    makeColumns(1, 100, 20);
    columns_[0]->setTextType(TextItem::DisplayText);
    setText("one two");
    caretAt(0, 0, 3);
    columns_[0]->insertPageBreak(nullptr, nullptr);
    ASSERT_EQ(flow_->paragraphCount(), 2);
    EXPECT_FLOAT_EQ(para(0)->lastY(), 10);
    EXPECT_FLOAT_EQ(para(1)->firstY(), 10);
    EXPECT_FLOAT_EQ(columns_[0]->frame().size.height, 20);
    EXPECT_EQ(fromScratch(), "");
    EXPECT_FLOAT_EQ(para(1)->firstY(), 10);
}

TEST_F(LayoutAfterEditsTest, AHeadlineFittedToItsTextKeepsItsTextWhereItIs)
{
    // "one" is 18 wide in a 100-wide headline. Left-aligned text takes its
    // own width, right-aligned and centred text the whole frame; the right
    // indent stays inside. Laid out again, nothing moves.
    struct Case {
        const char* name;
        short alignment;
        float indentRight, width, x;
    };
    const Case cases[] = {{"left", 0, 0, 18, 0},          {"right", 1, 0, 100, 82},
                          {"centred", 2, 0, 100, 41},     {"left, indented", 0, 10, 28, 0},
                          {"right, indented", 1, 10, 100, 72}, {"centred, indented", 2, 10, 100, 36}};
    makeColumns(1, 100, 20);
    columns_[0]->setTextType(TextItem::DisplayText);
    setText("one");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        columns_[0]->setFrame(kit::makeRect(10, 10, 100, 20), false);
        std::unique_ptr<StyleParagraph> style = para(0)->paragraphStyle()->copy();
        style->setAlignment(c.alignment);
        style->setIndentRight(c.indentRight);
        para(0)->setStylePara(style.get(), false, true);
        for (int layout = 0; layout < 3; ++layout) {
            SCOPED_TRACE(layout);
            EXPECT_FLOAT_EQ(columns_[0]->frame().size.width, c.width);
            EXPECT_FLOAT_EQ(para(0)->wordAtIndex(0)->xOriginForPiece(0), c.x);
            EXPECT_EQ(fromScratch(), "");
        }
    }
}

TEST_F(LayoutAfterEditsTest, ALineWithoutHeightAfterAPageBreakStartsTheNextColumn)
{
    // Text in a flow without a font has lines of no height: even one of
    // those has no room at the foot of the column a page break ended,
    // whatever order the paragraphs are laid out in.
    flow_ = std::make_unique<TextFlow>();
    makeColumns(2, 100, 20);
    setText("one");
    press(0xF7EB);
    ASSERT_TRUE(para(0)->endsWithHardPage());
    ASSERT_FLOAT_EQ(para(1)->wordAtIndex(0)->piece(0).height, 0);
    EXPECT_EQ(para(1)->firstItem(), columns_[1]);
    caretAt(0, 0, 0);
    type("x");
    EXPECT_EQ(fromScratch(), "");
    EXPECT_EQ(para(1)->firstItem(), columns_[1]);
}

TEST_F(LayoutAfterEditsTest, DeletingTheWholeTextKeepsTheParagraphsFont)
{
    // A kill at the end of the text takes the last paragraph's end: the
    // whole flow, as Select All and Delete take it.
    TextSelection::initialize(); // the kill goes through a copy of the selection
    makeColumns(2, 100, 48);
    for (const char* text : {"", "one"}) {
        SCOPED_TRACE(text);
        setText(text);
        caretAt(0, 0, int(std::string(text).size()));
        columns_[0]->killToEOL(nullptr, &view_);
        ASSERT_EQ(flow_->paragraphCount(), 1);
        EXPECT_EQ(para(0)->font(), font_);
        EXPECT_EQ(fromScratch(), "");
        // Text typed after it is measured in that font.
        type("a");
        EXPECT_EQ(fromScratch(), "");
        EXPECT_GT(para(0)->wordAtIndex(0)->piece(0).height, 0);
        columns_[0]->selectAll(nullptr, &view_);
        columns_[0]->delete_(nullptr, &view_);
    }
}

TEST_F(LayoutAfterEditsTest, AParagraphStyleThatChangesTheCharacterStyleMeasuresTheWordsAnew)
{
    // The paragraph after a break typed in subscript takes the typing
    // style; given the first paragraph's style back, its empty word stands
    // on the plain baseline again.
    TextSelection::initialize();
    makeColumns(2, 100, 160);
    setText("");
    columns_[0]->subscript(nullptr, &view_);
    columns_[0]->insertPageBreak(nullptr, &view_);
    EXPECT_EQ(fromScratch(), "");
    columns_[0]->selectAll(nullptr, &view_);
    std::unique_ptr<StyleParagraph> style = para(0)->paragraphStyle()->copy();
    style->setAlignment(0);
    columns_[0]->setStylePara(style.get());
    ASSERT_EQ(flow_->paragraphCount(), 2);
    EXPECT_FLOAT_EQ(para(1)->wordAtIndex(0)->ascent(), 8);
    EXPECT_FLOAT_EQ(para(1)->wordAtIndex(0)->yOriginForPiece(0), 8);
    EXPECT_EQ(fromScratch(), "");
}

TEST_F(LayoutAfterEditsTest, AParagraphStyleThatBringsAFontMeasuresTheWordsMadeWithout)
{
    // A page break typed where the paragraph has no font is not measured;
    // the paragraph style of the one after it brings the font.
    TextSelection::initialize();
    makeColumns(2, 100, 160);
    setText("");
    para(0)->paragraphStyle()->charStyle()->setFont(nullptr);
    columns_[0]->insertPageBreak(nullptr, &view_);
    ASSERT_EQ(flow_->paragraphCount(), 2);
    ASSERT_FLOAT_EQ(para(0)->wordAtIndex(0)->piece(0).height, 0);
    ASSERT_EQ(para(1)->font(), font_);
    columns_[0]->selectAll(nullptr, &view_);
    std::unique_ptr<StyleParagraph> style = para(1)->paragraphStyle()->copy();
    columns_[0]->setStylePara(style.get());
    EXPECT_FLOAT_EQ(para(0)->wordAtIndex(0)->piece(0).height, 10);
    EXPECT_EQ(fromScratch(), "");
}

TEST_F(LayoutAfterEditsTest, EditsPastTheEndOfTheChainLeaveTheLastColumnsEnd)
{
    // Two lines fit: "dd" and the last paragraph have no place.
    makeColumns(1, 40, 20);
    setText("aa\nbb cc dd\nee");
    const textPoint end = columns_[0]->endPoint();
    ASSERT_EQ(end.paragraph, 1);
    caretAt(2, 0, 2);
    press(TextParagraph::DeleteBackwardKey);
    type("e");
    press(13);
    const textPoint after = columns_[0]->endPoint();
    EXPECT_TRUE(EqualTextPoints(&after, &end)) << after.paragraph << "," << after.word << "," << after.letter;
    EXPECT_EQ(fromScratch(), "");
}

// SCRIVLY_RANDOM_EDIT_SEED runs one seed; SCRIVLY_RANDOM_EDIT_STEPS sets the
// steps per seed, SCRIVLY_RANDOM_EDIT_SEEDS how many seeds.
TEST_F(LayoutInvariantTest, RandomEditsLeaveTheLayoutOfAFullLayout)
{
    const int steps = environmentNumber("SCRIVLY_RANDOM_EDIT_STEPS", 200);
    if (const int seed = environmentNumber("SCRIVLY_RANDOM_EDIT_SEED", 0)) {
        runSeed(std::uint32_t(seed), steps);
        return;
    }
    const int seeds = environmentNumber("SCRIVLY_RANDOM_EDIT_SEEDS", 20);
    for (int seed = 1; seed <= seeds && !HasFailure(); ++seed) {
        SCOPED_TRACE(seed);
        TearDown();
        columns_.clear();
        SetUp();
        runSeed(std::uint32_t(seed), steps);
    }
}

// Seeds past the default ones that once found a fault: a highlight's
// rectangle of negative height inverted past its column (12), a cut whose
// start column the caret left was not redrawn (31), a box reaching past its
// page kept the drawing order of the page edited before (73).
TEST_F(LayoutInvariantTest, RandomEditsThatOnceFoundFaults)
{
    for (std::uint32_t seed : {12u, 31u, 73u}) {
        SCOPED_TRACE(seed);
        TearDown();
        columns_.clear();
        SetUp();
        runSeed(seed, 200);
    }
}
