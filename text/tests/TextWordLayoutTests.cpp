#include "TextTestSupport.h"

#include "foundation/Paint.h"
#include "graphics/RecordingContext.h"
#include "spelling/hyph.h"

#include <numeric>
#include <vector>

namespace {

// A one-line layout of a word: piece 0 at x, line box from y 0, 12 high.
void place(TextWord* word, float x)
{
    word->setOrigin(kit::makePoint(x, 10), 0);
    word->setScreenX(x, 0);
    word->setLineStart(0, 12, 0);
}

std::vector<short> hyphensOf(const TextWord* word)
{
    std::vector<short> points;
    for (int h = 0; h < word->hyphenCount(); ++h)
        points.push_back(static_cast<short>(word->hyphenAt(h)));
    return points;
}

} // namespace

TEST_F(TextTest, PiecesSumToTheWord)
{
    setSmartPunctuation(false);
    TextWord* word = addWord("abcdefghij");
    const float total = word->xWidthForPiece(0);
    word->hyphenateAt(4);
    word->hyphenateAt(7);
    ASSERT_EQ(word->numWordPieces(), 3);
    EXPECT_FLOAT_EQ(word->xWidthForPiece(0), 24);
    EXPECT_FLOAT_EQ(word->xWidthForPiece(1), 18);
    EXPECT_FLOAT_EQ(word->xWidthForPiece(2), 18);
    EXPECT_FLOAT_EQ(word->xWidthForPiece(0) + word->xWidthForPiece(1) + word->xWidthForPiece(2), total);
    EXPECT_EQ(word->firstOffsetForPiece(1), 4);
    EXPECT_EQ(word->firstOffsetForPiece(2), 7);
    EXPECT_EQ(word->firstOffsetForPiece(3), 10);
    word->removeLastWordPiece();
    EXPECT_FLOAT_EQ(word->xWidthForPiece(1), 36);
    word->emptyWordPieces();
    EXPECT_EQ(word->numWordPieces(), 1);
    EXPECT_FLOAT_EQ(word->xWidthForPiece(0), total);
    // A piece index past the pieces reads piece 0 and sets nothing.
    word->setOrigin(kit::makePoint(99, 99), 5);
    EXPECT_FLOAT_EQ(word->xOriginForPiece(5), word->xOriginForPiece(0));
}

TEST_F(TextTest, HitTestsSplitAtCharacterMidpoints)
{
    setSmartPunctuation(false);
    TextWord* word = addWord("abcd");
    place(word, 100);
    const struct {
        float x;
        int caret;
    } cases[] = {{100, 0}, {102.9f, 0}, {103, 1}, {108.9f, 1}, {109, 2}, {123.5f, 4}, {130, 4}};
    for (const auto& c : cases)
        EXPECT_EQ(word->hitAtPoint(c.x, 0), c.caret) << c.x;
    EXPECT_EQ(word->insertPoint(), 4);
}

TEST_F(TextTest, SelectionRectanglesInPoints)
{
    setSmartPunctuation(false);
    TextWord* word = addWord("abcdefgh");
    place(word, 50);
    kit::Rect rects[4];
    int first[4], last[4];
    ASSERT_EQ(word->getSelectionRects(rects, nullptr, first, last, 2, 5), 1);
    EXPECT_FLOAT_EQ(rects[0].origin.x, 62);
    EXPECT_FLOAT_EQ(rects[0].size.width, 18);
    EXPECT_FLOAT_EQ(rects[0].size.height, 12);
    EXPECT_EQ(first[0], 2);
    EXPECT_EQ(last[0], 5);
    ASSERT_EQ(word->getSelectionRects(rects, 3, 3), 1); // a caret
    EXPECT_FLOAT_EQ(rects[0].origin.x, 68);
    EXPECT_FLOAT_EQ(rects[0].size.width, 0);

    // A hyphenated word: piece 1 on the next line.
    word->hyphenateAt(4);
    word->setOrigin(kit::makePoint(10, 22), 1);
    word->setLineStart(12, 12, 1);
    ASSERT_EQ(word->getSelectionRects(rects, nullptr, first, last, 2, 6), 2);
    EXPECT_FLOAT_EQ(rects[0].origin.x, 62);
    EXPECT_FLOAT_EQ(rects[0].size.width, 12);
    EXPECT_FLOAT_EQ(rects[1].origin.x, 10);
    EXPECT_FLOAT_EQ(rects[1].origin.y, 12);
    EXPECT_FLOAT_EQ(rects[1].size.width, 12);
    EXPECT_EQ(first[1], 4);
    ASSERT_EQ(word->getSelectionRects(rects, 0, TextWord::WholeWord), 2);
    EXPECT_FLOAT_EQ(rects[1].size.width, 24);
}

TEST_F(TextTest, FindPieceBreaksAtHyphenPointsThatFit)
{
    setSmartPunctuation(false);
    TextWord* word = addWord("wonderful-day");
    ASSERT_EQ(word->hyphenCount(), 1);
    int range = -1;
    float width = -1;
    // Up to the hyphen: 9 letters and the dash (not counted) = 54 points.
    word->findPiece(0, font_, 61, 0, &range, &width, false);
    EXPECT_EQ(range, 10);
    EXPECT_FLOAT_EQ(width, 54);
    word->findPiece(0, font_, 59, 0, &range, &width, false);
    EXPECT_EQ(range, 0);
    EXPECT_FLOAT_EQ(width, 0);
    word->findPiece(0, font_, 59, 0, &range, &width, true);
    EXPECT_EQ(range, 9);
    EXPECT_FLOAT_EQ(width, 54);
}

TEST_F(TextTest, HyphenPointsFollowTheStripRules)
{
    setSmartPunctuation(false);
    if (InitHyph(0) != 0)
        GTEST_SKIP() << "no English hyphenation tables: " << HyphLastError();
    struct Case {
        const char* text;
        bool expectPoints;
    };
    const Case cases[] = {
        {"hyphenation ", true},
        {"basket", true},          // six letters may be broken
        {"house", false},          // five never are
        {"bask.", false},          // five characters left after stripping
        {"well-known", false},     // the codes stop at the hyphen
        {"co@operation", false},   // a stop character
    };
    for (const Case& c : cases) {
        TextWord* word = addWord(c.text);
        EXPECT_GE(word->hyphenCount(), 0) << c.text;
        if (!c.expectPoints) {
            EXPECT_EQ(word->hyphenCount(), 0) << c.text;
        } else {
            EXPECT_GT(word->hyphenCount(), 0) << c.text;
        }
        for (short k : hyphensOf(word)) {
            EXPECT_GT(k, 0) << c.text;
            EXPECT_LE(k, word->textLength() - 3) << c.text;
        }
    }
    EXPECT_EQ(hyphensOf(addWord("wonderful-day")), std::vector<short>{10});
    TextWord* plain = addWord("hyphenation");
    TextWord* digits = addWord("hyphenation2000");
    // Only the letters before the digit are hyphenated.
    EXPECT_EQ(hyphensOf(digits), hyphensOf(plain));
    EXPECT_FALSE(hyphensOf(plain).empty());
    TextWord* contraction = addWord("hyphenation's");
    EXPECT_EQ(hyphensOf(contraction), hyphensOf(plain));
}

TEST_F(TextTest, EachWordHyphenatesInItsOwnLanguage)
{
    setSmartPunctuation(false);
    constexpr short German = 4;
    if (InitHyph(0) != 0 || InitHyph(German) != 0)
        GTEST_SKIP() << "hyphenation tables missing: " << HyphLastError();
    TextWord* alone = addWord("Donaudampfschiff");
    alone->setLangId(German);
    alone->setHyphens();
    const std::vector<short> german = hyphensOf(alone);
    TextWord* english = addWord("hyphenation");
    english->setHyphens();
    TextWord* again = addWord("Donaudampfschiff");
    again->setLangId(German);
    again->setHyphens();
    EXPECT_EQ(hyphensOf(again), german);
    english->setHyphens();
    EXPECT_EQ(hyphensOf(english), hyphensOf(addWord("hyphenation")));
}

TEST_F(TextTest, AWordGivenAnotherLanguageFindsItsPointsAgainAtALineEnd)
{
    setSmartPunctuation(false);
    ASSERT_EQ(InitHyph(0), 0) << HyphLastError();
    TextWord* word = addWord("hyphenation");
    ASSERT_EQ(word->langId(), 0);
    word->setHyphens();
    const std::vector<short> english = hyphensOf(word);
    ASSERT_FALSE(english.empty());
    word->setLangId(39); // no rules: no points there
    word->setLangId(0);
    // The layout asks where the word may break: at its English points.
    int range = 0;
    float width = 0;
    word->findPiece(0, font_, 1000, 0, &range, &width, false);
    EXPECT_EQ(hyphensOf(word), english);
    EXPECT_EQ(range, english.back());
}

TEST_F(TextTest, ALanguageWithoutRulesGivesNoPoints)
{
    setSmartPunctuation(false);
    TextWord* word = addWord("wonderful-day");
    word->setLangId(39); // no engine language
    word->setHyphens();
    EXPECT_EQ(word->hyphenCount(), 0);
    EXPECT_EQ(mapForLangId(39), nullptr);
    EXPECT_EQ(mapForLangId(39), nullptr); // remembered, never an unfilled map
    word->setLangId(-3);
    word->setHyphens();
    EXPECT_EQ(word->hyphenCount(), 0);
}

TEST_F(TextTest, DrawingSendsLongWordsInChunks)
{
    setSmartPunctuation(false);
    const std::string text(10000, 'm');
    TextWord* word = addWord(text.c_str());
    kit::RecordingContext context;
    kit::DrawContext::Scope scope(context);
    kit::Size moved{};
    EXPECT_TRUE(word->drawSelfInView(Paint::into(context), nullptr, font_, kit::makePoint(5, 7), &moved));
    EXPECT_FLOAT_EQ(moved.width, 60000);
    std::string shown;
    for (const kit::RecordedOp& op : context.ops())
        if (op.name == "xyshow") {
            EXPECT_LE(int(op.text.size()), TextWord::XYShowChunk);
            EXPECT_EQ(op.numbers.size(), op.text.size() * 2);
            shown += op.text;
        }
    EXPECT_EQ(shown, text);
    EXPECT_EQ(context.gsaveDepth(), 0);
}

// Proportional fonts kern: each character's width is its advance, condensed,
// plus tracking, and the pair it starts adds its kerning (condensed) when both
// glyphs are encoded. Checked against the font's own pair lookup, exactly.
TEST_F(TextTest, KernedWidthsFollowTheFontsPairs)
{
    setSmartPunctuation(false);
    kit::Font* times = kit::Font::fontWithName("Times-Roman", 12);
    kit::Font* helvetica = kit::Font::fontWithName("Helvetica-Oblique", 9.5f);
    ASSERT_NE(times, nullptr);
    ASSERT_NE(helvetica, nullptr);
    ASSERT_LT(times->kern('A', 'V'), 0.0f); // the cases below do kern
    const struct {
        kit::Font* font;
        float condense;
        float tracking;
    } settings[] = {
        {times, 1.0f, 0.0f},
        {times, 1.25f, -0.5f},
        {helvetica, 0.8f, 0.25f},
    };
    const char* const texts[] = {"AVATAR", "WAVE,", "Tot.", "y'all", "LTAVy", "F\xB1r"};
    for (const auto& s : settings) {
        paragraph_->paragraphStyle()->setFont(s.font);
        paragraph_->charStyle()->setFont(s.font);
        paragraph_->charStyle()->setCondense(s.condense);
        paragraph_->charStyle()->setTracking(s.tracking);
        for (const char* text : texts) {
            TextWord* word = addWord(text);
            const int n = word->textLength();
            std::vector<float> expected(std::size_t(n), 0.0f);
            for (int i = 0; i < n; ++i) {
                const auto c = static_cast<unsigned char>(text[i]);
                expected[std::size_t(i)] = s.font->pointSize() * s.font->widths()[c] * s.condense + s.tracking;
                if (i > 0) {
                    const auto p = static_cast<unsigned char>(text[i - 1]);
                    if (s.font->glyphIsEncoded(c) && s.font->glyphIsEncoded(p))
                        expected[std::size_t(i - 1)] += s.font->kern(p, c) * s.condense;
                }
            }
            for (int i = 0; i < n; ++i)
                EXPECT_EQ(word->widthOfCharAtIdx(i), expected[std::size_t(i)])
                    << s.font->fontName() << " " << text << " " << i;
        }
    }
}
