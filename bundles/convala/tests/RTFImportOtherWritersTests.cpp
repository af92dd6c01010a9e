// RTF as other programs write it, by hand after RTF's own rules: every run
// of text in a group of words this reader does not know (LibreOffice's
// {\loch ...}, Word's {\rtlch\fcs1 \af0 \ltrch\fcs0 \insrsid... }), list
// numbers for readers without lists, field results, the ANSI half of \upr,
// binary data, fallbacks of \uN, fonts in other character sets,
// double-byte text, line ends, table cells without paragraph ends, and the
// destinations that hold no text.

#include "ImportTestSupport.h"

using namespace convala_test;

namespace {

class RTFImportOtherWriters : public ImportTest {
protected:
    const StyleChar* styleOfWord(int paragraph, int word)
    {
        textPoint point{};
        setTextPoint(&point, paragraph, word, 0);
        return flow_->styleCharAt(&point);
    }
};

struct TextCase {
    const char* what;
    std::string rtf;
    std::string text;
    bool lost;
};

void expectTexts(RTFImportOtherWriters& test, const std::vector<TextCase>& cases,
                 const std::function<bool(const std::string&, bool*)>& import,
                 const std::function<std::string()>& text)
{
    (void)test;
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.what);
        bool lost = !c.lost;
        ASSERT_TRUE(import(c.rtf, &lost));
        EXPECT_EQ(text(), c.text) << c.rtf;
        EXPECT_EQ(lost, c.lost) << c.rtf;
    }
}

const std::string fonts = "{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}{\\f1\\fswiss\\fcharset0 Arial;}"
                          "{\\f2\\froman\\fcharset2 Symbol;}{\\f3\\fswiss\\fcharset204 Arial Cyr;}"
                          "{\\f4\\fswiss\\fcharset238 Arial CE;}{\\f5\\fnil\\fcharset128 MS Mincho;}"
                          "{\\f6\\fswiss\\fcharset77 Helvetica;}{\\f7\\froman\\fcharset161 Times Greek;}}";

std::string document(const std::string& body, const std::string& header = "\\ansi\\ansicpg1252\\deff0")
{
    return "{\\rtf1" + header + fonts + "\\pard\\plain " + body + "}";
}

TEST_F(RTFImportOtherWriters, TextInGroupsOfWordsTheReaderDoesNotKnowArrives)
{
    const std::vector<TextCase> cases = {
        {"LibreOffice's groups", document("{\\loch Le caf\\u233\\'e9 }{\\rtlch\\ab \\ltrch\\loch\\b\\loch midi}\\par"),
         "Le caf\xDD midi\n", false},
        {"Word's groups, the paragraph end in one of its own",
         document("{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\insrsid1 Hello }{\\rtlch\\fcs1 \\ab\\af0 \\ltrch\\fcs0 "
                  "\\b\\insrsid1 world}{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\insrsid1 \\par }"),
         "Hello world\n", false},
        {"character-set groups", document("{\\hich\\af0\\dbch\\af5\\loch\\f0 text}{\\lang1033\\langfe1033 more}\\par"),
         "textmore\n", false},
        {"the ANSI half of \\upr, not its Unicode twin",
         document("{\\upr{\\loch ansi text}{\\*\\ud{\\loch unicode text}}}\\par"), "ansi text\n", false},
        {"a field's result",
         document("A {\\field{\\*\\fldinst HYPERLINK \"http://x/\" }{\\fldrslt {\\loch\\cf9\\ul link text}{}}}"
                  "\\loch  here.\\par"),
         "A link text here.\n", true},
        {"a date field's result", document("{\\field{\\*\\fldinst DATE \\\\@ \"d MMMM yyyy\"}{\\fldrslt 3 May 2024}}\\par"),
         "3 May 2024\n", true},
        {"an unmarked field instruction is no text",
         document("{\\field{\\fldinst {HYPERLINK \"x\"}}{\\fldrslt y}}\\par"), "y\n", true},
        {"destinations that hold no text",
         document("{\\*\\generator Writer;}{\\*\\themedata 0102}{\\*\\colorschememapping 3c3f}"
                  "{\\*\\latentstyles\\lsdstimax376{\\lsdlockedexcept \\lsdpriority0 Normal;}}{\\*\\datastore 0105}"
                  "{\\*\\xmlnstbl {\\xmlns1 http://x}}{\\listtable{\\list{\\listlevel{\\leveltext \\'01\\u-3913 ?;}}}}"
                  "{\\listoverridetable{\\listoverride\\ls1}}{\\*\\rsidtbl \\rsid1}{\\*\\pgdsctbl{\\pgdsc0{\\footer f}"
                  " Default;}}{\\bkmkstart a}x{\\bkmkend a}{\\*\\bkmkstart b}y{\\themedata 01}\\par"),
         "xy\n", false},
        {"index and contents entries", document("a{\\xe {\\v entry}}{\\tc contents}b\\par"), "ab\n", true},
        {"binary data", std::string("{\\rtf1 a{\\pict\\pngblip\\bin5 }{\\\\") + '\0' + "}b\\par}", "ab\n", true},
        {"a line end", document("a\\line b\\par"), "a <line>b\n", false},
        {"cells without paragraph ends", document("\\trowd\\cellx1000\\cellx2000\\intbl A\\cell B\\cell\\row C\\par"),
         "A\nB\nC\n", true},
        {"cells with paragraph ends", document("\\intbl A\\par\\cell \\intbl B\\par\\cell\\row C\\par"), "A\nB\nC\n",
         true},
        {"nested cells", document("\\intbl A\\nestcell B\\nestcell{\\*\\nesttableprops\\nestrow}{\\nonesttables A B}"
                                  "\\cell\\row"),
         "A\nB\n", true},
    };
    expectTexts(
        *this, cases,
        [this](const std::string& rtf, bool* lost) {
            fresh();
            return import(rtf, lost);
        },
        [this] { return text(); });
}

// List numbers and bullets that other programs write for readers without
// lists arrive once, in their own format; the paragraph words inside them
// (a "\pard" to reset the number's format) are not the item's.
TEST_F(RTFImportOtherWriters, ListNumbersArriveOnceAndLeaveTheItemsStyle)
{
    const std::vector<TextCase> cases = {
        {"LibreOffice's bullet", document("{\\listtext\\pard\\plain \\u8226\\'95\\tab}\\ls1 \\li720\\fi-360 item\\par"),
         "\xB7 <tab>item\n", false},
        {"Word's bullet in the Symbol font",
         document("{\\listtext\\pard\\plain\\ltrpar \\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\f2\\insrsid1 "
                  "\\loch\\af2\\dbch\\af0\\hich\\f2 \\'b7\\tab}\\ls1 item\\par"),
         "\xB7 <tab>item\n", false},
        {"a number", document("{\\listtext\\pard\\plain 1.\\tab}item\\par"), "1. <tab>item\n", false},
        {"an old number, its definitions skipped",
         document("{\\pntext\\pard\\plain\\f1 2.\\tab}{\\*\\pn\\pnlvlbody\\pnstart2{\\pntxta .}}"
                  "{\\pn\\pnlvlbody{\\pntxta .}}item\\par"),
         "2. <tab>item\n", false},
    };
    expectTexts(
        *this, cases,
        [this](const std::string& rtf, bool* lost) {
            fresh();
            return import(rtf, lost);
        },
        [this] { return text(); });

    // The item keeps its style and its indents; the number's font is the
    // number's.
    fresh();
    ASSERT_TRUE(import("{\\rtf1" + fonts + "{\\stylesheet{\\s1\\li720 List;}}"
                       "\\pard\\plain\\s1\\f0\\fs24 {\\listtext\\pard\\plain\\f2\\fs16 \\'b7\\tab}\\li720\\fi-360 item"
                       "\\par}"));
    EXPECT_EQ(text(), "\xB7 <tab>item\n");
    const TextParagraph* item = flow_->paragraphAtIndex(0);
    ASSERT_NE(item->paragraphStyle()->basedOnStyle(), nullptr);
    EXPECT_EQ(item->paragraphStyle()->basedOnStyle()->styleName(), "List");
    EXPECT_FLOAT_EQ(item->paragraphStyle()->indentLeft(), 36.0f);
    EXPECT_FLOAT_EQ(item->paragraphStyle()->indentDeltaFirst(), -18.0f);
    EXPECT_EQ(styleOfWord(0, 0)->font()->familyName(), "Symbol");
    EXPECT_FLOAT_EQ(styleOfWord(0, 0)->pointSize(), 8.0f);
    EXPECT_NE(styleOfWord(0, 2)->font()->familyName(), "Symbol");
    EXPECT_FLOAT_EQ(styleOfWord(0, 2)->pointSize(), 12.0f);
}

// RTF's groups end the format they change, whatever word they begin with.
TEST_F(RTFImportOtherWriters, TheFormatAGroupChangesEndsWithIt)
{
    ASSERT_TRUE(import("{\\rtf1{\\fonttbl\\f0\\fswiss Helvetica;}\\f0\\fs24 a {\\loch\\b b} c {\\lang1033\\fs40\\i d} e"
                       "{\\rtlch\\fcs1 \\ab \\ltrch\\fcs0 \\b\\insrsid1 \\par }f\\par}"));
    EXPECT_EQ(text(), "a b c d e\nf\n");
    EXPECT_FALSE(styleOfWord(0, 0)->isBoldface());
    EXPECT_TRUE(styleOfWord(0, 1)->isBoldface());
    EXPECT_FALSE(styleOfWord(0, 2)->isBoldface());
    EXPECT_FLOAT_EQ(styleOfWord(0, 3)->pointSize(), 20.0f);
    EXPECT_TRUE(styleOfWord(0, 3)->isItalic());
    EXPECT_FLOAT_EQ(styleOfWord(0, 4)->pointSize(), 12.0f);
    EXPECT_FALSE(styleOfWord(0, 4)->isItalic());
    // The paragraph end in a bold group: the next paragraph is not bold.
    EXPECT_FALSE(styleOfWord(1, 0)->isBoldface());
    EXPECT_FALSE(flow_->paragraphAtIndex(1)->paragraphStyle()->charStyle()->isBoldface());
}

// Characters in the code page of the document or of their font; what the
// documents' set lacks is left out and noted, never a wrong letter and
// never the writer's fallback.
TEST_F(RTFImportOtherWriters, CodePagesFontCharacterSetsAndFallbacks)
{
    const std::vector<TextCase> cases = {
        {"an Eastern European font in a Cyrillic document",
         document("\\f4 caf\\'e9\\f0 \\'e9\\par", "\\ansi\\ansicpg1251\\deff0"), "caf\xDD\n", true},
        {"a Cyrillic font: its letters are not in the set", document("\\f3 a\\'c0\\'e1b\\par"), "ab\n", true},
        {"a Greek font", document("\\f7 \\'e1\\'e2 \\f0 x\\par"), " x\n", true},
        {"a Mac font", document("\\f6 caf\\'8e\\par"), "caf\xDD\n", false},
        {"the Symbol font's codes", document("\\f2 \\'b7\\f0 x\\par"), "\xB7x\n", false},
        {"double-byte text: a lead and its trail are one character",
         document("\\f5 x\\'93\\'fa\\'82ay\\par"), "xy\n", true},
        {"a DOS document", document("caf\\'82 \\'9b\\par", "\\pc"), "caf\xDD \xA2\n", false},
        {"a Mac document", document("caf\\'8e\\par", "\\mac"), "caf\xDD\n", false},
        {"Polish in 1250", document("\\'b3\\'f3d\\'9f\\par", "\\ansi\\ansicpg1250"), "\xF8\xED" "d\n", true},
        {"a code page the reader cannot read", document("a\\'e1b\\par", "\\ansi\\ansicpg10006"), "ab\n", true},
        {"fallbacks of two bytes, over runs and escapes", document("\\uc2 caf\\u233\\'e9\\'e9s\\par"), "caf\xDDs\n",
         false},
        {"a fallback made of letters and an escape", document("\\uc3\\u233 a\\'e9b!\\par"), "\xDD!\n", false},
        {"a character the set lacks: no fallback either", document("\\uc2\\u8364\\'80\\'80x\\par"), "x\n", true},
        {"\\uc ends with its group", document("{\\uc2 \\u233 ab}\\u233 ?c\\par"), "\xDD\xDD" "c\n", false},
        {"half a surrogate pair", document("a\\u-10179?b\\par"), "ab\n", true},
        {"a word as fallback", document("\\u8212\\emdash x\\par"), "\xD0x\n", false},
    };
    expectTexts(
        *this, cases,
        [this](const std::string& rtf, bool* lost) {
            fresh();
            return import(rtf, lost);
        },
        [this] { return text(); });
}

// "\pard" gives every paragraph property RTF's default back.
TEST_F(RTFImportOtherWriters, PardResetsEveryParagraphProperty)
{
    ASSERT_TRUE(import("{\\rtf1\\widowctrl\\pard\\qc\\sb240\\sa120\\sl480\\slmult1\\keepn\\pagebb\\li720 First\\par"
                       "\\pard Second\\par}"));
    const StyleParagraph* first = flow_->paragraphAtIndex(0)->paragraphStyle();
    EXPECT_FLOAT_EQ(first->spaceBefore(), 12.0f);
    EXPECT_NE(first->charStyle()->leading(), StyleAutoLeading);
    EXPECT_EQ(first->columnStart(), 3);
    EXPECT_EQ(first->widowControl(), -2);
    const StyleParagraph* second = flow_->paragraphAtIndex(1)->paragraphStyle();
    EXPECT_EQ(second->alignment(), 0);
    EXPECT_FLOAT_EQ(second->indentLeft(), 0.0f);
    EXPECT_FLOAT_EQ(second->spaceBefore(), 0.0f);
    EXPECT_FLOAT_EQ(second->spaceAfter(), 0.0f);
    EXPECT_FLOAT_EQ(second->spaceBetween(), 0.0f);
    EXPECT_EQ(second->columnStart(), 0);
    EXPECT_FLOAT_EQ(second->charStyle()->leading(), StyleAutoLeading);
    // The document's widow control, not the first paragraph's keep.
    EXPECT_EQ(second->widowControl(), 2);
}

} // namespace
