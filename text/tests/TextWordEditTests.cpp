#include "TextTestSupport.h"

#include "core/Exception.h"

#include <string>

namespace {

std::string bytes(const TextWord* word) { return std::string(word->text(), std::size_t(word->textLength())); }

} // namespace

TEST_F(TextTest, MeasuresEveryCharacterInTheFixtureFont)
{
    setSmartPunctuation(false);
    TextWord* word = addWord("abc ");
    EXPECT_EQ(word->length(), 4);
    for (int i = 0; i < 3; ++i)
        EXPECT_FLOAT_EQ(word->widthOfCharAtIdx(i), 6.0f) << i;
    // The trailing space is not measured; the screen font has whole pixels.
    EXPECT_FLOAT_EQ(word->xWidthForPiece(0), 18.0f);
    EXPECT_FLOAT_EQ(word->screenWidthForPiece(0), 18.0f);
    EXPECT_FLOAT_EQ(word->spaceWidth(), 6.0f);
    EXPECT_FLOAT_EQ(word->descent(), 2.0f);
    EXPECT_FLOAT_EQ(word->ascent(), 8.0f);
    EXPECT_STREQ(word->charAtIndex(4), " ");
    EXPECT_EQ(word->charAtIndex(5), nullptr);
}

TEST_F(TextTest, SmartPunctuationRewritesStoredText)
{
    setSmartPunctuation(true);
    setLigatures(true);
    const struct {
        const char* in;
        std::string out;
    } cases[] = {
        {"\"quoted", "\xAAquoted"},
        {"end\"", "end\xBA"},
        {"end\".", "end.\xBA"},
        {"end\"!", "end\xBA!"},
        {"'tis", "\x60tis"},
        {"it's", "it's"},
        {"a--b", "a\xD0" "b"},
        {"fish", "\xAEsh"},
        {"flat", "\xAF" "at"},
        {"(\"xy", "(\xAAxy"},
        {"(\"x", "(\"x"}, // second-last before a letter stays straight
    };
    for (const auto& c : cases) {
        TextWord* word = addWord(c.in);
        EXPECT_EQ(bytes(word), c.out) << c.in;
        EXPECT_EQ(word->textLength(), int(c.out.size())) << c.in;
    }
    setLigatures(false);
    EXPECT_EQ(bytes(addWord("fish")), "fish");
    setSmartPunctuation(false);
    EXPECT_EQ(bytes(addWord("a--\"b\"")), "a--\"b\"");
}

TEST_F(TextTest, TypingDashesAndLigatures)
{
    setSmartPunctuation(true);
    setLigatures(true);
    TextWord* word = addWord("a-");
    word->setInsertToEnd();
    word->addByte('-', true);
    EXPECT_EQ(bytes(word), "a\xD0");
    EXPECT_EQ(word->insertPoint(), 2);

    TextWord* lig = addWord("f");
    lig->setInsertToEnd();
    lig->addByte('i', true);
    EXPECT_EQ(bytes(lig), "\xAE");
    lig->setInsertToEnd();
    lig->deleteLeft();
    EXPECT_EQ(bytes(lig), "f");

    setSmartPunctuation(false);
    TextWord* plain = addWord("f");
    plain->setInsertToEnd();
    plain->addByte('i', true);
    EXPECT_EQ(bytes(plain), "fi");
}

TEST_F(TextTest, StyleRunsShiftOnInsertAndDelete)
{
    setSmartPunctuation(false);
    TextWord* word = addWord("abcd");
    auto bold = std::make_unique<StyleChar>();
    bold->setFont(fixtureFont(20));
    word->addCharStyle(std::move(bold), 2);
    word->computeWithStyle(nullptr);
    EXPECT_FLOAT_EQ(word->widthOfCharAtIdx(2), 12.0f);

    word->setInsertPoint(1);
    word->addByte('x', false);
    EXPECT_EQ(bytes(word), "axbcd");
    EXPECT_EQ(word->styleAt(2), nullptr);
    ASSERT_NE(word->styleAt(3), nullptr);
    EXPECT_EQ(word->styleAt(3)->font(), fixtureFont(20));

    // Deleting the styled character hands its style to the next one.
    word->deleteFrom(3, 3);
    EXPECT_EQ(bytes(word), "axbd");
    ASSERT_NE(word->styleAt(3), nullptr);
    EXPECT_FLOAT_EQ(word->widthOfCharAtIdx(3), 12.0f);
    EXPECT_FLOAT_EQ(word->xWidthForPiece(0), 6.0f * 3 + 12.0f);
}

TEST_F(TextTest, TypingInAnotherStyleStartsARun)
{
    setSmartPunctuation(false);
    TextWord* word = addWord("ab");
    auto big = std::make_unique<StyleChar>();
    big->setFont(fixtureFont(20));
    flow_->setCharStyle(std::move(big));
    word->setInsertPoint(1);
    word->addByte('X', true);
    EXPECT_EQ(bytes(word), "aXb");
    ASSERT_NE(word->styleAt(1), nullptr);
    EXPECT_EQ(word->styleAt(1)->font(), fixtureFont(20));
    // The text after it keeps the style it had.
    ASSERT_NE(word->styleAt(2), nullptr);
    EXPECT_EQ(word->styleAt(2)->font(), font_);
    EXPECT_FLOAT_EQ(word->xWidthForPiece(0), 6 + 12 + 6);
    EXPECT_EQ(word->hyphenCount(), -1); // computed when the layout asks
}

TEST_F(TextTest, SplitJoinAndAppendKeepRuns)
{
    setSmartPunctuation(false);
    TextWord* word = addWord("abcdef");
    auto big = std::make_unique<StyleChar>();
    big->setFont(fixtureFont(20));
    word->addCharStyle(std::move(big), 4);
    word->computeWithStyle(nullptr);

    TextWord* tail = word->breakAt(3);
    ASSERT_NE(tail, nullptr);
    EXPECT_EQ(bytes(word), "abc");
    EXPECT_EQ(bytes(tail), "def");
    EXPECT_EQ(paragraph_->indexOfWord(tail), paragraph_->indexOfWord(word) + 1);
    ASSERT_NE(tail->styleAt(1), nullptr);
    EXPECT_FLOAT_EQ(tail->xWidthForPiece(0), 6 + 12 + 12);
    EXPECT_FLOAT_EQ(word->xWidthForPiece(0), 18);

    // Breaking at the end leaves the word whole and makes an empty one.
    TextWord* empty = word->breakAt(3);
    EXPECT_EQ(bytes(word), "abc");
    EXPECT_EQ(empty->textLength(), 0);
    word->append(empty);

    word->append(tail);
    EXPECT_EQ(bytes(word), "abcdef");
    ASSERT_NE(word->styleAt(4), nullptr);
    EXPECT_EQ(word->styleAt(4)->font(), fixtureFont(20));
    EXPECT_EQ(paragraph_->wordList().size(), 1u);
    EXPECT_FLOAT_EQ(word->xWidthForPiece(0), 6 * 4 + 12 * 2);
}

TEST_F(TextTest, DeleteKeepsTheTerminatorAndTheLengthPositive)
{
    setSmartPunctuation(false);
    const struct {
        int from, to;
        std::string left;
    } cases[] = {
        {2, 3, "abef"},      // both ends inclusive
        {2, 100, "ab"},      // an end past the word deletes to its end
        {-5, 0, "bcdef"},    // the start is raised to 0
        {0, 6, ""},          // an end at the length: everything, not the NUL
        {4, 2, "abcdef"},    // an empty range
    };
    for (const auto& c : cases) {
        TextWord* word = addWord("abcdef");
        word->deleteFrom(c.from, c.to);
        EXPECT_EQ(bytes(word), c.left) << c.from << ".." << c.to;
        EXPECT_EQ(std::string(word->text()), c.left);
        EXPECT_GE(word->insertPoint(), 0);
        EXPECT_LE(word->insertPoint(), word->textLength());
    }
    TextWord* empty = addWord("");
    empty->deleteFrom(0, 10);
    EXPECT_EQ(empty->textLength(), 0);
}

TEST_F(TextTest, NullTextIsEmptyText)
{
    TextWord* word = addWord("hello");
    word->setText(nullptr);
    EXPECT_EQ(word->textLength(), 0);
    EXPECT_STREQ(word->text(), "");
}

TEST_F(TextTest, LongUnbrokenTextIsSplitNotTruncated)
{
    const std::string text(70000, 'x');
    const std::vector<std::string> parts = TextWord::splitIntoWordTexts(text);
    std::string joined;
    for (const std::string& part : parts) {
        EXPECT_LE(int(part.size()), TextWord::MaxWordLength);
        EXPECT_LT(int(part.size()) + 2, TextWord::WholeWord);
        joined += part;
    }
    EXPECT_EQ(joined, text);
    TextWord word;
    EXPECT_THROW(word.setText(text.c_str()), kit::Exception);
    word.setText(parts[0].c_str());
    EXPECT_EQ(word.textLength(), TextWord::MaxWordLength);
    EXPECT_THROW(word.addByte('y', false), kit::Exception);
    EXPECT_EQ(word.textLength(), TextWord::MaxWordLength);
}

TEST_F(TextTest, CaseConversionAndLigatures)
{
    setSmartPunctuation(false);
    setLigatures(true);
    TextWord* word = addWord("\xAEsh");
    word->convertCase(1, 0, word->textLength());
    EXPECT_EQ(bytes(word), "FISH");
    word->convertCase(2, 0, word->textLength());
    EXPECT_EQ(bytes(word), "\xAEsh");
    TextWord* title = addWord("hello");
    title->convertCase(3, 0, 5);
    EXPECT_EQ(bytes(title), "Hello");
    std::string out;
    word->writeTextToStream(out, TextExportPlain);
    EXPECT_EQ(out, "fish");
    out.clear();
    word->writeTextToStream(out, TextExportPlainRange, 1, 1);
    EXPECT_EQ(out, "s");
}

// A word without styles of its own is set in the style in force before it:
// the last run of an earlier word of its paragraph, else the paragraph's own.
// Typing into it anywhere keeps that.
TEST_F(TextTest, TypingIntoAPlainWordKeepsTheStyleInForceBeforeIt)
{
    setSmartPunctuation(false);
    auto big = std::make_unique<StyleChar>();
    big->setFont(fixtureFont(20));
    flow_->setCharStyle(big->copy());
    TextWord* styled = addWord("ab ");
    styled->addCharStyle(std::move(big), 1);
    styled->computeWithStyle(nullptr);
    TextWord* plain = addWord("cd");
    EXPECT_FLOAT_EQ(plain->xWidthForPiece(0), 24);

    auto next = std::make_unique<TextParagraph>();
    next->paragraphStyle()->setFont(font_);
    TextParagraph* second = flow_->addParagraph(std::move(next));
    TextWord* first = second->addWord(std::make_unique<TextWord>());
    first->setText("ef");
    EXPECT_FLOAT_EQ(first->xWidthForPiece(0), 12);

    // The typing style is the big one: in the second paragraph it starts runs.
    const struct {
        TextWord* word;
        int at;
        bool runs;
        float width; // after typing
    } cases[] = {{plain, 0, false, 36}, {plain, 3, false, 48}, {plain, 1, false, 60},
                 {first, 0, true, 12 + 6 + 6}, {first, 2, true, 12 + 6 + 12 + 6}};
    for (const auto& c : cases) {
        c.word->setInsertPoint(c.at);
        c.word->addByte('x', true);
        EXPECT_EQ(c.word->hasStyles(), c.runs) << bytes(c.word);
        EXPECT_FLOAT_EQ(c.word->xWidthForPiece(0), c.width) << bytes(c.word);
    }
}

TEST_F(TextTest, WordsAndParagraphsAreFoundWhereverTheyMoved)
{
    std::vector<TextWord*> words;
    for (const char* text : {"a", "b", "c", "d", "e"})
        words.push_back(addWord(text));
    for (int i : {4, 0, 1, 2, 2, 3, 1, 4})
        EXPECT_EQ(paragraph_->indexOfWord(words[std::size_t(i)]), i);
    std::unique_ptr<TextWord> removed = paragraph_->removeWord(words[1]);
    EXPECT_EQ(paragraph_->indexOfWord(words[1]), -1);
    EXPECT_EQ(paragraph_->indexOfWord(words[2]), 1);
    EXPECT_EQ(paragraph_->indexOfWord(words[0]), 0);
    paragraph_->addWord(std::move(removed), words[3]);
    for (int i : {0, 1, 2, 3, 4})
        EXPECT_EQ(paragraph_->wordAtIndex(i) ? paragraph_->indexOfWord(paragraph_->wordAtIndex(i)) : -2, i);
    EXPECT_EQ(paragraph_->indexOfWord(words[1]), 3);
    EXPECT_EQ(paragraph_->indexOfWord(nullptr), -1);

    TextParagraph* second = flow_->addParagraph(std::make_unique<TextParagraph>());
    EXPECT_EQ(flow_->indexOfParagraph(second), 1);
    EXPECT_EQ(flow_->indexOfParagraph(paragraph_), 0);
    TextParagraph outside;
    EXPECT_EQ(flow_->indexOfParagraph(&outside), -1);
    EXPECT_EQ(flow_->indexOfParagraph(second), 1);
}

TEST_F(TextTest, InsertedTextTakesTheTypingStyleOverAllItsLetters)
{
    setSmartPunctuation(false);
    TextWord* word = addWord("ab");
    word->setInsertPoint(1);
    flow_->charStyle()->setUnderline(true);
    word->addString("XYZ", true);
    ASSERT_EQ(bytes(word), "aXYZb");
    // The underline begins at the first inserted letter and holds over all
    // of them; the letter after them has its own style back.
    ASSERT_NE(word->styleAt(1), nullptr);
    EXPECT_TRUE(word->styleAt(1)->isUnderline());
    EXPECT_EQ(word->styleAt(2), nullptr);
    EXPECT_EQ(word->styleAt(3), nullptr);
    ASSERT_NE(word->styleAt(4), nullptr);
    EXPECT_FALSE(word->styleAt(4)->isUnderline());
    // At the end of the word nothing follows, so nothing is handed back.
    word->setInsertPoint(5);
    flow_->charStyle()->setUnderline(false);
    flow_->charStyle()->setStrikeout(true);
    word->addString("cd", true);
    ASSERT_NE(word->styleAt(5), nullptr);
    EXPECT_TRUE(word->styleAt(5)->isStrikeout());
    EXPECT_EQ(word->styleAt(6), nullptr);
    EXPECT_EQ(word->styleAt(7), nullptr);
}
