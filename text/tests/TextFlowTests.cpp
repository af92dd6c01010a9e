#include "HigherLayers.h"
#include "TextTestSupport.h"

#include "text/TextSelection.h"

#include "text/TextPoint.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

class TextFlowTest : public TextTest {
protected:
    void type(const std::string& text)
    {
        for (unsigned char c : text)
            flow_->currentParagraph()->addByte(c);
    }

    // Words joined by '|', specials as <type>, paragraphs by '/'.
    std::string contents() const
    {
        std::string out;
        for (const auto& paragraph : flow_->paragraphList()) {
            if (!out.empty())
                out += '/';
            bool first = true;
            for (const auto& word : paragraph->wordList()) {
                if (!first)
                    out += '|';
                first = false;
                if (word->isSpecial())
                    out += "<" + std::to_string(word->wordType()) + ">";
                else
                    out += word->text();
            }
        }
        return out;
    }

    textPoint caret() const
    {
        textPoint tp;
        flow_->getCurrentTextPoint(&tp);
        return tp;
    }
};

TEST(TextPointTest, CompareSortAndEquality)
{
    textPoint a{2, 0, 9}, b{3, 0, 0}, same{2, 0, 9};
    EXPECT_EQ(TextPointCmp(&a, &b), -1);
    EXPECT_EQ(TextPointCmp(&b, &a), 1);
    EXPECT_EQ(TextPointCmp(&a, &a), 0);
    EXPECT_EQ(TextPointCmp(&a, nullptr), 0);
    EXPECT_TRUE(EqualTextPoints(&a, &same));
    EXPECT_FALSE(EqualTextPoints(&a, &b));
    EXPECT_FALSE(EqualTextPoints(nullptr, nullptr));

    textPoint x{5, 1, 0}, y{5, 0, 7};
    EXPECT_TRUE(TextPointSort(&x, &y));
    EXPECT_EQ(x.word, 0);
    EXPECT_EQ(x.letter, 7);
    EXPECT_EQ(y.word, 1);
    EXPECT_FALSE(TextPointSort(&x, &y));
    EXPECT_EQ(x.letter, 7);
    textPoint p;
    EXPECT_EQ(setTextPoint(&p, 1, 2, 3), &p);
    EXPECT_EQ(p.paragraph * 100 + p.word * 10 + p.letter, 123);
}

TEST_F(TextFlowTest, ANewFlowHasOneEmptyCurrentParagraph)
{
    TextFlow flow;
    EXPECT_EQ(flow.paragraphCount(), 1);
    EXPECT_EQ(flow.currentParagraph(), flow.firstParagraph());
    EXPECT_TRUE(flow.firstParagraph()->isEmpty());
    ASSERT_NE(flow.paragraphStyle(), nullptr);
}

TEST_F(TextFlowTest, TheStreamReadsEveryCharacterWithALineFeedBetweenParagraphs)
{
    type("ab");
    flowPointer fp;
    flow_->textFlowSeek(&fp, 0);
    std::string read;
    while (!flow_->textFlowAtEnd(&fp))
        read += char(flow_->textFlowGetc(&fp));
    EXPECT_EQ(read, "ab");
    EXPECT_EQ(flow_->textFlowGetc(&fp), 'b');
    EXPECT_EQ(flow_->textFlowGetc(&fp), 'b');

    flowPointer moved = fp;
    flow_->textFlowSeek(&moved, 3);
    EXPECT_TRUE(EqualTextPoints(&moved.point, &fp.point));

    type("\rcd e");
    flow_->textFlowSeek(&fp, 0);
    read.clear();
    while (!flow_->textFlowAtEnd(&fp))
        read += char(flow_->textFlowGetc(&fp));
    // A word boundary reads as the space it stands for.
    EXPECT_EQ(read, "ab\ncd e");
}

TEST_F(TextFlowTest, TypingSplitsWordsAndParagraphs)
{
    const struct {
        const char* typed;
        const char* contents;
    } cases[] = {
        {"a b", "a|b"},
        {"ab\r", "ab/"},
        {"ab\rc", "ab/c"},
        {"a\tb", "a|<5>|b"},
        {"a b\r\r", "a|b//"},
    };
    for (const auto& c : cases) {
        SetUp();
        type(c.typed);
        EXPECT_EQ(contents(), c.contents) << c.typed;
        TearDown();
    }
}

TEST_F(TextFlowTest, ReturnInsideAWordSplitsItAndCarriesTheCaret)
{
    type("abcd");
    flow_->currentWord()->setInsertPoint(2);
    type("\r");
    EXPECT_EQ(contents(), "ab/cd");
    const textPoint at = caret();
    EXPECT_EQ(at.paragraph, 1);
    EXPECT_EQ(at.word, 0);
    EXPECT_EQ(at.letter, 0);
    EXPECT_EQ(flow_->firstParagraph()->currentWord()->insertPoint(), 2);
}

TEST_F(TextFlowTest, TabAndCode11MakeTabWords)
{
    type("a\x0b");
    // The caret stays in the empty word after the tab.
    ASSERT_EQ(contents(), "a|<5>|");
    EXPECT_EQ(flow_->currentWord(), paragraph_->lastWord());
    auto* tab = dynamic_cast<TextWordSpecial*>(paragraph_->wordAtIndex(1));
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(tab->tabType(), 8);
    type("\t");
    auto* plain = dynamic_cast<TextWordSpecial*>(paragraph_->wordAtIndex(2));
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->wordType(), TextWordTab);
    EXPECT_NE(plain->tabType(), 8);
}

TEST_F(TextFlowTest, AfterAPageBreakACharacterGoesBeforeItAndAReturnAfterIt)
{
    type("ab");
    paragraph_->addSpecialWord(TextWordPageBreak);
    ASSERT_EQ(contents(), "ab|<203>|");
    paragraph_->removeWord(paragraph_->lastWord());
    TextWord* pageBreak = paragraph_->lastWord();
    paragraph_->setCurrentWord(pageBreak);
    pageBreak->setInsertPoint(1);
    ASSERT_EQ(pageBreak->insertPoint(), 1);
    type("c");
    EXPECT_EQ(contents(), "abc|<203>");
    EXPECT_EQ(flow_->currentWord(), paragraph_->firstWord());

    paragraph_->setCurrentWord(pageBreak);
    pageBreak->setInsertPoint(1);
    type("\r");
    EXPECT_EQ(contents(), "abc|<203>/");
    EXPECT_EQ(flow_->currentParagraph(), flow_->paragraphAtIndex(1));
}

TEST_F(TextFlowTest, JoinDropsOnlyThePageBreak)
{
    type("a");
    paragraph_->addSpecialWord(TextWordPageBreak);
    // An import can leave words after the page break.
    TextWord* after = paragraph_->addWord(std::make_unique<TextWord>());
    after->setText("kept");
    TextParagraph* next = flow_->addParagraph(std::make_unique<TextParagraph>());
    next->addWord(std::make_unique<TextWord>())->setText("b");
    paragraph_->join(next);
    EXPECT_EQ(contents(), "a||kept|b");
    EXPECT_EQ(flow_->paragraphCount(), 1);
    for (const auto& word : paragraph_->wordList())
        EXPECT_EQ(word->paragraph(), paragraph_);
}

TEST_F(TextFlowTest, JoinWithEmptyParagraphsLeavesNoEmptyWords)
{
    type("ab\r");
    ASSERT_EQ(contents(), "ab/");
    paragraph_->join(flow_->paragraphAtIndex(1));
    EXPECT_EQ(contents(), "ab");
    EXPECT_EQ(paragraph_->currentWord(), paragraph_->lastWord());
    EXPECT_EQ(paragraph_->currentWord()->insertPoint(), 2);

    type("\r");
    TextParagraph* second = flow_->paragraphAtIndex(1);
    // An empty paragraph joined by the next one takes its words only.
    TextParagraph* third = flow_->addParagraph(std::make_unique<TextParagraph>());
    third->addWord(std::make_unique<TextWord>())->setText("cd");
    second->join(third);
    EXPECT_EQ(contents(), "ab/cd");
}

TEST_F(TextFlowTest, RemoveWordCarriesItsLastStyleAndMovesTheCaret)
{
    type("ab c");
    TextWord* first = paragraph_->firstWord();
    auto big = std::make_unique<StyleChar>();
    big->setFont(fixtureFont(20));
    first->addCharStyle(std::move(big), 1);
    paragraph_->setCurrentWord(first);
    std::unique_ptr<TextWord> gone = paragraph_->removeWord(first);
    ASSERT_NE(gone, nullptr);
    EXPECT_EQ(gone->paragraph(), nullptr);
    ASSERT_NE(paragraph_->firstWord()->styleAt(0), nullptr);
    EXPECT_EQ(paragraph_->firstWord()->styleAt(0)->font(), fixtureFont(20));
    EXPECT_EQ(paragraph_->currentWord(), paragraph_->firstWord());
    EXPECT_EQ(paragraph_->removeWord(gone.get()), nullptr);
}

TEST_F(TextFlowTest, CursorEditing)
{
    const auto BS = TextParagraph::DeleteBackwardKey;
    const auto DEL = TextParagraph::DeleteForwardKey;
    // The caret is put at (paragraph, word, letter) before the key.
    const struct {
        const char* typed;
        textPoint at;
        std::uint16_t key;
        const char* contents;
        textPoint after;
        bool redraw;
        int beeps;
    } cases[] = {
        {"abc", {0, 0, 2}, BS, "ac", {0, 0, 1}, false, 0},
        {"abc", {0, 0, 1}, DEL, "ac", {0, 0, 1}, false, 0},
        {"ab cd", {0, 1, 0}, BS, "abcd", {0, 0, 2}, false, 0},
        {"ab cd", {0, 0, 2}, DEL, "abcd", {0, 0, 2}, false, 0},
        {"ab\tcd", {0, 1, 1}, BS, "abcd", {0, 0, 2}, false, 0},
        {"ab\tcd", {0, 0, 2}, DEL, "abcd", {0, 0, 2}, false, 0},
        {"ab\rcd", {1, 0, 0}, BS, "ab|cd", {0, 1, 0}, true, 0},
        {"ab\rcd", {0, 0, 2}, DEL, "ab|cd", {0, 1, 0}, true, 0},
        {"ab", {0, 0, 0}, BS, "ab", {0, 0, 0}, true, 1},
        {"ab", {0, 0, 2}, DEL, "ab", {0, 0, 2}, true, 1},
        {"ab\r\rcd", {1, 0, 0}, DEL, "ab/cd", {1, 0, 0}, true, 0},
    };
    for (const auto& c : cases) {
        SetUp();
        type(c.typed);
        flow_->setCurrentPoint(&c.at);
        bool redraw = false;
        flow_->currentParagraph()->cursorEdit(c.key, &redraw);
        EXPECT_EQ(contents(), c.contents) << c.typed << " key " << c.key;
        const textPoint now = caret();
        EXPECT_TRUE(EqualTextPoints(&now, &c.after))
            << c.typed << ": " << now.paragraph << "," << now.word << "," << now.letter;
        EXPECT_EQ(redraw, c.redraw) << c.typed;
        EXPECT_EQ(alerts_->beeps(), c.beeps) << c.typed;
        TearDown();
    }
}

TEST_F(TextFlowTest, PointsStepAndWrap)
{
    type("ab c\rd");
    textPoint tp{0, 0, 1};
    flow_->nextPoint(&tp);
    EXPECT_EQ(tp.letter, 2);
    flow_->nextPoint(&tp);
    EXPECT_EQ(tp.word * 10 + tp.letter, 10);
    textPoint last;
    flow_->lastTextPoint(&last);
    EXPECT_EQ(last.paragraph * 100 + last.word * 10 + last.letter, 101);
    flow_->nextPoint(&last);
    EXPECT_EQ(last.paragraph + last.word + last.letter, 0);

    textPoint back{0, 0, 0};
    paragraph_->prevTextPoint(&back);
    EXPECT_EQ(back.paragraph, 1);
    textPoint end{0, 1, 1};
    EXPECT_TRUE(paragraph_->isLastPoint(&end));
    paragraph_->nextTextPoint(&end);
    EXPECT_EQ(end.paragraph * 100 + end.word * 10 + end.letter, 100);

    textPoint far{7, 0, 0};
    flow_->setCurrentPoint(&far);
    textPoint now = caret();
    EXPECT_EQ(now.paragraph * 100 + now.word * 10 + now.letter, 101);
    textPoint noWord{0, -1, 0};
    flow_->setCurrentPoint(&noWord);
    now = caret();
    EXPECT_EQ(now.paragraph * 100 + now.word * 10 + now.letter, 11);
}

TEST_F(TextFlowTest, ParagraphIndexesFollowInsertionsAndRemovals)
{
    type("a\rb\rc\rd");
    TextParagraph* c = flow_->paragraphAtIndex(2);
    EXPECT_EQ(flow_->indexOfParagraph(c), 2);
    flow_->insertParagraph(std::make_unique<TextParagraph>(), 0);
    EXPECT_EQ(flow_->indexOfParagraph(c), 3);
    std::unique_ptr<TextParagraph> removed = flow_->removeParagraph(flow_->paragraphAtIndex(1));
    EXPECT_EQ(flow_->indexOfParagraph(c), 2);
    EXPECT_EQ(flow_->indexOfParagraph(removed.get()), -1);
    EXPECT_EQ(flow_->previousParagraph(c), flow_->paragraphAtIndex(1));
    EXPECT_EQ(flow_->nextParagraph(removed.get()), flow_->firstParagraph());
}

TEST_F(TextFlowTest, ANilFirstItemClearsTheParagraphsColumns)
{
    auto column = std::make_unique<TextItem>();
    paragraph_->setFirstItem(column.get());
    EXPECT_EQ(paragraph_->lastItem(), column.get());
    paragraph_->setFirstItem(nullptr);
    EXPECT_EQ(paragraph_->firstItem(), nullptr);
    EXPECT_EQ(paragraph_->lastItem(), nullptr);
    EXPECT_EQ(paragraph_->currentItem(), nullptr);
}

TEST_F(TextFlowTest, ANewSelectionReleasesTheOldOne)
{
    struct Probe : TextSelection {
        explicit Probe(bool* gone) : gone_(gone) {}
        ~Probe() override { *gone_ = true; }
        bool* gone_;
    };
    bool firstGone = false, secondGone = false;
    flow_->setTextSelection(std::make_unique<Probe>(&firstGone));
    flow_->setTextSelection(std::make_unique<Probe>(&secondGone));
    EXPECT_TRUE(firstGone);
    EXPECT_FALSE(secondGone);
    flow_->setTextSelection(nullptr);
    EXPECT_TRUE(secondGone);
}

// ---- Autonumbering.

class NumberingTest : public TextFlowTest {
protected:
    void SetUp() override
    {
        TextFlowTest::SetUp();
        document_ = std::make_unique<LayoutDocument>(delegate_->preferences());
        page_ = document_->addPage(std::make_unique<Page>());
        column_ = std::make_unique<TextItem>();
        column_->setPage(page_);
        flow_->setFirstTextItem(column_.get());
    }
    void TearDown() override
    {
        flow_.reset();
        TextFlowTest::TearDown();
    }

    void setLevels(const std::vector<short>& levels)
    {
        for (std::size_t i = 0; i < levels.size(); ++i) {
            if (i > 0)
                type("\r");
            flow_->currentParagraph()->setAutonumberLevel(levels[i]);
            type("x");
        }
    }

    std::vector<std::string> numbers() const
    {
        std::vector<std::string> out;
        for (const auto& paragraph : flow_->paragraphList())
            if (paragraph->isNumbered())
                out.push_back(paragraph->autonumberWord()->text());
        return out;
    }

    // The levels from 1 on; the table's record 0 stays empty.
    void setNumbering(std::vector<LayoutDocument::NumberingLevel> levels)
    {
        const int count = static_cast<int>(levels.size());
        levels.insert(levels.begin(), LayoutDocument::NumberingLevel{});
        document_->setParagraphNumbering(std::move(levels), count);
    }

    std::unique_ptr<LayoutDocument> document_;
    Page* page_ = nullptr;
    std::unique_ptr<TextItem> column_;
};

TEST_F(NumberingTest, LevelsCountAndShowTheHigherLevels)
{
    for (bool showHigher : {true, false}) {
        SetUp();
        setNumbering({{}, {std::nullopt, std::nullopt, 1, 0, 0, showHigher}});
        setLevels({1, 2, 2, 1, 2});
        flow_->recomputeAllParagraphNumbering();
        const std::vector<std::string> expected =
            showHigher ? std::vector<std::string>{"1", "1.1", "1.2", "2", "2.1"}
                       : std::vector<std::string>{"1", "1", "2", "2", "1"};
        EXPECT_EQ(numbers(), expected);
        for (const auto& paragraph : flow_->paragraphList()) {
            EXPECT_TRUE(paragraph->firstWord()->isSpecialType(TextWordAutonumber));
            EXPECT_EQ(paragraph->wordAtIndex(1)->text(), std::string("x"));
        }
        TearDown();
    }
}

TEST_F(NumberingTest, PrefixesSuffixesStartsAndStylesAreUsed)
{
    setNumbering({{"(", ")", 3, 0, 4, false}, {std::nullopt, ".", 1, 0, 2, true}});
    setLevels({1, 2, 2});
    flow_->recomputeAllParagraphNumbering();
    EXPECT_EQ(numbers(), (std::vector<std::string>{"(iii)", "iii.a.", "iii.b."}));
    auto* word = paragraph_->autonumberWord();
    EXPECT_EQ(word->autonumberValue(), 3);
}

TEST_F(NumberingTest, ReturnInANumberedParagraphNumbersTheNewOne)
{
    setNumbering({{}});
    setLevels({1});
    type("\r");
    ASSERT_EQ(flow_->paragraphCount(), 2);
    TextParagraph* second = flow_->paragraphAtIndex(1);
    EXPECT_TRUE(second->firstWord()->isSpecialType(TextWordAutonumber));
    EXPECT_EQ(second->currentWord(), second->wordAtIndex(1));
    EXPECT_EQ(numbers(), (std::vector<std::string>{"1", "2"}));

    // Delete backward before the text of a numbered paragraph beeps and puts
    // the caret before the number; in a lone number it removes the paragraph.
    type("y");
    textPoint start{1, 1, 0};
    flow_->setCurrentPoint(&start);
    bool redraw = false;
    second->cursorEdit(TextParagraph::DeleteBackwardKey, &redraw);
    EXPECT_EQ(alerts_->beeps(), 1);
    EXPECT_EQ(second->currentWord(), second->firstWord());
    EXPECT_EQ(flow_->paragraphCount(), 2);
}

TEST_F(NumberingTest, LevelsOutsideTheTableAreSkipped)
{
    setNumbering({{}});
    setLevels({1, 5, 1});
    flow_->recomputeAllParagraphNumbering();
    EXPECT_EQ(flow_->paragraphAtIndex(0)->autonumberWord()->text(), std::string("1"));
    EXPECT_EQ(flow_->paragraphAtIndex(2)->autonumberWord()->text(), std::string("2"));
}

TEST_F(NumberingTest, RecomputingFromTheMiddleContinuesAndEndsWithTheRun)
{
    setNumbering({{}, {std::nullopt, std::nullopt, 1, 0, 0, true}, {}});
    setLevels({1, 1, 2});
    flow_->recomputeAllParagraphNumbering();
    flow_->paragraphAtIndex(2)->autonumberWord()->setText("stale");
    flow_->recomputeAutonumberingFrom(2);
    EXPECT_EQ(numbers(), (std::vector<std::string>{"1", "2", "2.1"}));

    SetUp();
    setNumbering({{}, {}, {}});
    setLevels({3, 3, 1});
    TextWordSpecial* outside = flow_->paragraphAtIndex(2)->autonumberWord();
    outside->setText("untouched");
    flow_->recomputeAllParagraphNumbering();
    EXPECT_EQ(flow_->paragraphAtIndex(1)->autonumberWord()->text(), std::string("2"));
    EXPECT_EQ(outside->text(), std::string("untouched"));
}

TEST(NumberTextTest, Styles)
{
    const struct {
        int count;
        short type;
        const char* text;
    } cases[] = {{7, 0, "7"},      {1, 8, "1st"},     {2, 8, "2nd"},     {3, 8, "3rd"},     {4, 8, "4th"},
                 {11, 8, "11th"},  {12, 8, "12th"},   {13, 8, "13th"},   {21, 8, "21st"},   {22, 8, "22nd"},
                 {111, 8, "111th"}, {112, 8, "112th"}, {113, 8, "113th"}, {123, 8, "123rd"}, {4, 4, "iv"},
                 {4, 5, "IV"},     {28, 2, "ab"},     {28, 3, "AB"},     {5, 9, ""}};
    for (const auto& c : cases)
        EXPECT_EQ(TextFlow::_textForCount(c.count, c.type), c.text) << c.count << " type " << c.type;
}

} // namespace

namespace {

// The style in force at a point as the flow defines it: walk back from the
// point over every word and letter to the nearest style entry, else the
// paragraph's own style. The point moves to the entry found.
StyleChar* styleByWalkingBack(const TextFlow& flow, textPoint* tp)
{
    if (tp->letter < 0 && tp->word != 0) {
        --tp->word;
        tp->letter = TextWord::WholeWord;
    }
    if (tp->word < 0) {
        --tp->paragraph;
        tp->word = tp->letter = TextWord::WholeWord;
    }
    const TextParagraph* paragraph = flow.paragraphAtIndex(tp->paragraph);
    if (!paragraph)
        return flow.firstParagraph()->charStyle();
    if (tp->word >= paragraph->wordCount()) {
        tp->word = paragraph->wordCount() - 1;
        tp->letter = TextWord::WholeWord;
    }
    for (int w = tp->word; w >= 0; --w) {
        const TextWord* word = paragraph->wordAtIndex(w);
        const int from = w == tp->word && tp->letter != TextWord::WholeWord ? std::min<int>(tp->letter, word->textLength())
                                                                            : word->textLength();
        for (int i = from; i >= 0; --i)
            if (StyleChar* style = word->styleAt(i)) {
                tp->word = w;
                tp->letter = i;
                return style;
            }
    }
    return paragraph->charStyle();
}

} // namespace

// The flow keeps an index of the words that hold styles; after any edit of
// the word lists its answer must be the walk's, at every point.
TEST_F(TextFlowTest, TheStyleInForceFollowsEveryEditOfTheWords)
{
    for (int i = 0; i < 30; ++i)
        type(i % 7 == 6 ? "word\r" : "word ");
    std::mt19937 random(2024);
    auto below = [&](int n) { return n > 0 ? int(random() % unsigned(n)) : 0; };
    std::vector<std::unique_ptr<TextWord>> taken;
    for (int step = 0; step < 400; ++step) {
        TextParagraph* paragraph = flow_->paragraphAtIndex(below(flow_->paragraphCount()));
        const int count = paragraph->wordCount();
        TextWord* word = paragraph->wordAtIndex(below(count));
        switch (below(9)) {
        case 0:
        case 1: { // a style entry somewhere
            if (!word)
                break;
            auto style = std::make_unique<StyleChar>();
            style->setFont(fixtureFont(float(8 + below(10))));
            word->addCharStyle(std::move(style), below(word->length() + 1));
            break;
        }
        case 2: // a word taken out, styled or not
            if (word && count > 1)
                taken.push_back(below(2) ? paragraph->removeWord(word) : paragraph->releaseWord(word));
            break;
        case 3: // a word put back anywhere
            if (!taken.empty()) {
                paragraph->insertWord(std::move(taken.back()), below(count + 1));
                taken.pop_back();
            }
            break;
        case 4: { // several words taken out in one go
            std::vector<TextWord*> some;
            for (int w = below(count); w < count && some.size() < 3; w += 2)
                some.push_back(paragraph->wordAtIndex(w));
            if (int(some.size()) < count)
                for (auto& released : paragraph->releaseWords(some))
                    taken.push_back(std::move(released));
            break;
        }
        case 5: // and put back in one go
            if (!taken.empty()) {
                std::vector<std::unique_ptr<TextWord>> back;
                while (!taken.empty() && back.size() < 3) {
                    back.push_back(std::move(taken.back()));
                    taken.pop_back();
                }
                paragraph->insertWords(std::move(back), below(count + 1));
            }
            break;
        case 6: // a paragraph split
            if (count > 1)
                paragraph->breakAtPoint(below(count - 1), below(2) != 0);
            break;
        case 7: // two paragraphs joined
            if (TextParagraph* next = flow_->nextParagraph(paragraph))
                paragraph->join(next, false);
            break;
        case 8: // a word split or joined to the next
            if (word && word->length() > 2 && below(2))
                word->breakAt(1 + below(word->length() - 1));
            else if (word && paragraph->nextWord(word))
                word->append(paragraph->nextWord(word));
            break;
        }
        for (int p = 0; p < flow_->paragraphCount(); ++p) {
            const TextParagraph* at = flow_->paragraphAtIndex(p);
            for (int w = 0; w < at->wordCount(); ++w)
                for (int letter : {0, 1, at->wordAtIndex(w)->length(), int(TextWord::WholeWord)}) {
                    textPoint asked{p, w, letter}, walked{p, w, letter};
                    const StyleChar* expected = styleByWalkingBack(*flow_, &walked);
                    ASSERT_EQ(flow_->styleCharAt(&asked), expected) << "step " << step << " at " << p << "," << w;
                    ASSERT_EQ(asked.word, walked.word) << "step " << step;
                    ASSERT_EQ(asked.letter, walked.letter) << "step " << step;
                }
        }
    }
}
