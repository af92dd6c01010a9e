// RTF's text read into a flow: runs, paragraph and page ends, tabs, named
// characters, fields, code pages and Unicode characters.

#include "ImportTestSupport.h"

using namespace convala_test;

namespace {

using RTFImportText = ImportTest;

struct TextCase {
    const char* rtf;
    const char* text;
    bool lost;
};

TEST_F(RTFImportText, TextArrivesWithItsBreaksSpecialWordsAndCharacters)
{
    const TextCase cases[] = {
        {"{\\rtf1\\ansi Hello world\\par}", "Hello world\n", false},
        {"{\\rtf1 a\\tab b}", "a <tab>b", false},
        {"{\\rtf1 a \\tab b}", "a <tab>b", false},
        {"{\\rtf1 a  \\tab b}", "a  <tab>b", false},
        // Our own files that say every space is typed keep the space.
        {"{\\rtf1\\zynspaces a \\tab b}", "a  <tab>b", false},
        {"{\\rtf1\\zynspaces a\\tab b}", "a <tab>b", false},
        {"{\\rtf1\\zynspaces a\\tab  \\tab b\\line c}", "a <tab> <tab>b <line>c", false},
        {"{\\rtf1 one\\page two}", "one <break>\ntwo", false},
        {"{\\rtf1 p\\chpgn  d\\chdate  t\\chtime }", "p <page#> d <date> t <time>", false},
        // RTF's named characters in the documents' set.
        {"{\\rtf1 a\\emdash b\\endash c\\bullet d\\~e}", "a\xD0"
                                                          "b\xB1"
                                                          "c\xB7"
                                                          "d\x80"
                                                          "e",
         false},
        {"{\\rtf1 \\ldblquote q\\rdblquote  \\lquote s\\rquote }", "\xAAq\xBA \x60s\x27", false},
        // A backslash before a line end ends the paragraph too.
        {"{\\rtf1 a\\\nb}", "a\nb", false},
        // Escaped characters are text.
        {"{\\rtf1 \\{x\\}\\\\}", "{x}\\", false},
        // The information group and unknown destinations add nothing.
        {"{\\rtf1{\\info{\\title Report}{\\author Me}}Body}", "Body", false},
        {"{\\rtf1 a{\\*\\unknown{\\nested x}y}b}", "ab", false},
        // A field's result is its text; its instruction (a link's address) is
        // skipped, with the loss noted.
        {"{\\rtf1 {\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt Y}}z}", "Yz", true},
        {"{\\rtf1 {\\field{\\fldinst {HYPERLINK \"x\"}}{\\fldrslt {\\ul Y}}} z}", "Y z", true},
        // A picture's data is no text.
        {"{\\rtf1 a{\\pict\\wmetafile8 0102ab}b}", "ab", true},
        // Footnote text stays in the text; the loss is noted.
        {"{\\rtf1 a{\\footnote note}b}", "anoteb", true},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.rtf);
        fresh();
        bool lost = !c.lost;
        ASSERT_TRUE(import(c.rtf, &lost));
        EXPECT_EQ(text(), c.text);
        EXPECT_EQ(lost, c.lost);
    }
}

TEST_F(RTFImportText, EscapesAreReadInTheDeclaredCodePageAndUnicodeTakesItsFallbackOnlyWhenNeeded)
{
    const TextCase cases[] = {
        // é in Windows-1252, Mac Roman, DOS 437 and 850 and NeXTSTEP: 0xDD in the documents' set.
        {"{\\rtf1\\ansi\\ansicpg1252 caf\\'e9}", "caf\xDD", false},
        {"{\\rtf1\\mac caf\\'8e}", "caf\xDD", false},
        {"{\\rtf1\\pc caf\\'82}", "caf\xDD", false},
        {"{\\rtf1\\pca caf\\'82}", "caf\xDD", false},
        {"{\\rtf1\\nextcset caf\\'dd}", "caf\xDD", false},
        // The euro is 0x80 in Windows-1252 and has no place in the set.
        {"{\\rtf1\\ansi a\\'80b}", "ab", true},
        // \u with the set holding the character: its fallback is skipped.
        {"{\\rtf1\\uc1 caf\\u233?}", "caf\xDD", false},
        {"{\\rtf1\\uc1 caf\\u233\\'3f!}", "caf\xDD!", false},
        {"{\\rtf1\\uc2 x\\u233ab!}", "x\xDD!", false},
        {"{\\rtf1\\uc0 x\\u233 y}", "x\xDDy", false},
        // The euro is not in the set: it is left out, never its fallback,
        // and the loss is noted.
        {"{\\rtf1\\uc1 \\u8364?5}", "5", true},
        // A character of an unknown code page is lost.
        {"{\\rtf1\\ansi\\ansicpg1251 a\\'e9b}", "ab", true},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.rtf);
        fresh();
        bool lost = !c.lost;
        ASSERT_TRUE(import(c.rtf, &lost));
        EXPECT_EQ(text(), c.text);
        EXPECT_EQ(lost, c.lost);
    }
}

TEST_F(RTFImportText, AGroupThatBeginsWithATextWordAddsItsTextOnce)
{
    // The group's end carries its first word again; a paragraph end or a
    // dash must not be added twice.
    ASSERT_TRUE(import("{\\rtf1 a{\\par}b{\\emdash}c{\\tab}d}"));
    EXPECT_EQ(text(), "a\nb\xD0"
                      "c <tab>d");
}

} // namespace
