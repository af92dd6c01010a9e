#include "TextTestSupport.h"

#include "core/Archiver.h"
#include "core/Exception.h"
#include "core/Unarchiver.h"
#include "spelling/hyph.h"

#include <functional>
#include <string>
#include <vector>

// A short word keeps its letters inside itself and a long one in a block of
// its own: every edit that moves a word from one to the other, or works on
// either, must keep the letters, widths, styles and hyphen points it had.

namespace {

std::string bytes(const TextWord* word) { return std::string(word->text(), std::size_t(word->textLength())); }

std::string letters(int count)
{
    std::string out;
    for (int i = 0; i < count; ++i)
        out += char('a' + i % 26);
    return out;
}

std::vector<short> hyphensOf(const TextWord* word)
{
    std::vector<short> points;
    for (int h = 0; h < word->hyphenCount(); ++h)
        points.push_back(static_cast<short>(word->hyphenAt(h)));
    return points;
}

// The letters, a NUL after them, zero in every entry after that up to
// maxlength, and each letter measured 6 points wide in the fixture font.
void expectWord(const TextWord* word, const std::string& text, int maxlength)
{
    EXPECT_EQ(bytes(word), text);
    EXPECT_EQ(word->textLength(), int(text.size()));
    EXPECT_EQ(word->maxlength(), maxlength);
    EXPECT_EQ(word->text()[text.size()], '\0');
    for (int i = word->textLength() + 1; i < word->maxlength(); ++i) {
        EXPECT_EQ(word->text()[i], '\0') << "entry " << i;
        EXPECT_EQ(word->widthOfCharAtIdx(i), 0.0f) << "entry " << i;
        EXPECT_EQ(word->screenWidthOfCharAtIdx(i), 0.0f) << "entry " << i;
    }
    for (int i = 0; i < word->textLength(); ++i) {
        EXPECT_FLOAT_EQ(word->widthOfCharAtIdx(i), 6.0f) << "letter " << i;
        EXPECT_FLOAT_EQ(word->screenWidthOfCharAtIdx(i), 6.0f) << "letter " << i;
    }
    if (!text.empty()) {
        EXPECT_FLOAT_EQ(word->xWidthForPiece(0), 6.0f * float(text.size()));
    }
}

} // namespace

TEST_F(TextTest, WordStorageKeepsEveryValueAcrossItsEdits)
{
    setSmartPunctuation(false);
    struct Case {
        const char* what;
        std::function<TextWord*()> make;
        std::string text;
        int maxlength;
    };
    const Case cases[] = {
        {"typed past the room inside the word",
         [&] {
             TextWord* word = addWord("abcdefghi");
             word->setInsertToEnd();
             for (char c = 'j'; c <= 'p'; ++c)
                 word->addByte(static_cast<unsigned char>(c), true);
             return word;
         },
         "abcdefghijklmnop", 19}, // grown by four whenever the room ran out
        {"typed into a short word",
         [&] {
             TextWord* word = addWord("ab");
             word->setInsertPoint(1);
             word->addByte('x', true);
             return word;
         },
         "axb", 8},
        {"a long text, then a short one",
         [&] {
             TextWord* word = addWord(letters(40).c_str());
             word->setText("ab");
             return word;
         },
         "ab", 42}, // the room never shrinks
        {"inserted past the room",
         [&] {
             TextWord* word = addWord("abc");
             word->setInsertPoint(1);
             word->addString("0123456789", false);
             word->computeWithStyle(nullptr);
             return word;
         },
         "a0123456789bc", 16},
        {"deleted inside a long word",
         [&] {
             TextWord* word = addWord(letters(20).c_str());
             word->deleteFrom(3, 15);
             return word;
         },
         "abcqrst", 22},
        {"deleted to the end",
         [&] {
             TextWord* word = addWord(letters(20).c_str());
             word->deleteFrom(5, 100);
             return word;
         },
         "abcde", 22},
        {"broken in a long word",
         [&] {
             TextWord* word = addWord(letters(20).c_str());
             return word->breakAt(4);
         },
         letters(20).substr(4), 18},
        {"the part before the break",
         [&] {
             TextWord* word = addWord(letters(20).c_str());
             word->breakAt(4);
             return word;
         },
         "abcd", 22},
        {"broken at its end",
         [&] {
             TextWord* word = addWord("abcdef");
             return word->breakAt(6);
         },
         "", 2},
        {"joined past the room",
         [&] {
             TextWord* word = addWord("abcdefg");
             word->append(addWord("hijklmn"));
             return word;
         },
         "abcdefghijklmn", 16},
        {"a copy of a long word, typed into",
         [&] {
             TextWord* word = addWord(letters(30).c_str());
             TextWord* copy = paragraph_->addWord(word->copy());
             copy->setInsertToEnd();
             copy->addByte('!', false);
             copy->deleteFrom(30, 30);
             return copy;
         },
         letters(30), 36},
        {"the longest word",
         [&] {
             TextWord* word = addWord(std::string(TextWord::MaxWordLength, 'm').c_str());
             EXPECT_THROW(word->addByte('m', true), kit::Exception);
             return word;
         },
         std::string(TextWord::MaxWordLength, 'm'), TextWord::MaxWordLength + 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TextWord* word = c.make();
        ASSERT_NE(word, nullptr);
        expectWord(word, c.text, c.maxlength);
    }
}

TEST_F(TextTest, ACopyHasLettersOfItsOwn)
{
    setSmartPunctuation(false);
    for (int length : {3, 10, 11, 40}) {
        SCOPED_TRACE(length);
        TextWord* word = addWord(letters(length).c_str());
        std::unique_ptr<TextWord> copy = word->copy();
        copy->setInsertPoint(0);
        copy->addByte('Z', false);
        EXPECT_EQ(bytes(word), letters(length));
        EXPECT_EQ(bytes(copy.get()), "Z" + letters(length));
        word->setText("q");
        EXPECT_EQ(bytes(copy.get()), "Z" + letters(length));
    }
}

TEST_F(TextTest, StylesAndHyphenPointsFollowTheLettersOutOfTheWord)
{
    setSmartPunctuation(false);
    // Styles move with their letters when the room grows.
    TextWord* styled = addWord("abcdefg");
    auto big = std::make_unique<StyleChar>();
    big->setFont(fixtureFont(20));
    styled->addCharStyle(std::move(big), 3);
    styled->setInsertToEnd();
    styled->addString(letters(30).c_str(), false);
    ASSERT_NE(styled->styleAt(3), nullptr);
    EXPECT_EQ(styled->styleAt(3)->font(), fixtureFont(20));
    EXPECT_EQ(styled->styleAt(4), nullptr);
    EXPECT_EQ(int(styled->theStyles()->size()), int(styled->maxlength()));

    if (InitHyph(0) != 0)
        GTEST_SKIP() << "no English hyphenation tables: " << HyphLastError();
    for (const char* text : {"basket", "wonderful-day", "responsibility"}) {
        SCOPED_TRACE(text);
        TextWord* word = addWord(text);
        word->setHyphens();
        const std::vector<short> points = hyphensOf(word);
        EXPECT_FALSE(points.empty());
        word->growCapacityBy(40);
        EXPECT_EQ(hyphensOf(word), points);
        EXPECT_EQ(bytes(word), text);
        word->setLangId(short(word->langId() + 1));
        EXPECT_TRUE(hyphensOf(word).empty());
    }
}

// A long word keeps its hyphen points in its block in the least room their
// offsets need: the points stay as they were when the block grows past that.
TEST_F(TextTest, HyphenPointsOfLongWordsSurviveTheirBlockGrowing)
{
    setSmartPunctuation(false);
    if (InitHyph(0) != 0)
        GTEST_SKIP() << "no English hyphenation tables: " << HyphLastError();
    struct Case {
        std::string text;
        std::vector<short> points; // after each dash
        int growBy;
    };
    const Case cases[] = {
        {letters(30) + "-" + letters(20), {31}, 10},
        {letters(100) + "-" + letters(140), {101}, 100},       // past a byte's offsets
        {letters(100) + "-" + letters(169) + "-" + letters(20), {101, 271}, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.size());
        TextWord* word = addWord(c.text.c_str());
        word->setHyphens();
        EXPECT_EQ(hyphensOf(word), c.points);
        word->growCapacityBy(c.growBy);
        EXPECT_EQ(hyphensOf(word), c.points);
        EXPECT_EQ(bytes(word), c.text);
    }
}

// A word's later pieces and its style slots share one block: either going
// leaves the other as it was, and a copy of the pieces never takes the slots.
TEST_F(TextTest, PiecesAndStyleSlotsOutliveEachOther)
{
    WordPieceList list;
    list.styles().resize(4);
    list.styles()[2] = std::make_unique<StyleChar>();
    list.resize(3);
    list[2].x = 7;
    list.resize(1);
    ASSERT_TRUE(list.hasStyles());
    EXPECT_NE(list.styles()[2], nullptr);
    EXPECT_EQ(list.size(), 1u);

    list.resize(2);
    list[1].x = 5;
    WordPieceList copy(list);
    EXPECT_FALSE(copy.hasStyles());
    ASSERT_EQ(copy.size(), 2u);
    EXPECT_EQ(copy[1].x, 5);
    copy.styles().resize(1);
    copy.styles()[0] = std::make_unique<StyleChar>();
    copy = WordPieceList();
    EXPECT_EQ(copy.size(), 1u);
    EXPECT_TRUE(copy.hasStyles());

    list.dropStyles();
    EXPECT_FALSE(list.hasStyles());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].x, 5);

    // The same through a word: cut by the layout, made whole, copied.
    setSmartPunctuation(false);
    TextWord* word = addWord("abcdefgh");
    auto big = std::make_unique<StyleChar>();
    big->setFont(fixtureFont(20));
    word->addCharStyle(std::move(big), 5);
    word->hyphenateAt(4);
    ASSERT_EQ(word->numWordPieces(), 2);
    ASSERT_NE(word->styleAt(5), nullptr);
    EXPECT_EQ(word->firstOffsetForPiece(1), 4);
    std::unique_ptr<TextWord> copied = word->copy();
    EXPECT_EQ(copied->numWordPieces(), 2);
    EXPECT_FALSE(copied->hasStyles());
    word->emptyWordPieces();
    EXPECT_EQ(word->numWordPieces(), 1);
    ASSERT_NE(word->styleAt(5), nullptr);
    EXPECT_EQ(word->styleAt(5)->font(), fixtureFont(20));
    EXPECT_EQ(copied->firstOffsetForPiece(1), 4);
}

TEST_F(TextTest, WordsOfEveryLengthSurviveTheStoredForm)
{
    setSmartPunctuation(false);
    struct Case {
        std::string text;
        std::vector<int> styled; // slots with a style
    };
    const Case cases[] = {
        {"", {0}},
        {"a", {}},
        {letters(10), {0, 10}},
        {letters(11), {4}},
        {letters(12), {}},
        {letters(300), {0, 150, 300}},
    };
    std::vector<std::unique_ptr<kit::Object>> unclaimed;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.size());
        TextWord word(c.text.c_str());
        for (int slot : c.styled) {
            auto style = std::make_unique<StyleChar>();
            style->setFont(font_);
            word.addCharStyle(std::move(style), slot);
        }
        const std::string data = kit::Archiver::archivedDataWithRootObject(&word);
        std::unique_ptr<TextWord> back = kit::Unarchiver::unarchiveObjectWithData<TextWord>(data, unclaimed);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->hyphenCount(), -1);
        for (int slot = 0; slot <= int(c.text.size()); ++slot) {
            const bool expected = std::find(c.styled.begin(), c.styled.end(), slot) != c.styled.end();
            EXPECT_EQ(back->styleAt(slot) != nullptr, expected) << "slot " << slot;
        }
        TextWord* read = paragraph_->addWord(std::move(back));
        read->computeWithStyle(nullptr);
        expectWord(read, c.text, int(c.text.size()) + 2);
    }
}
