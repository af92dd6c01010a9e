#include "bundles/convala/markup/ZynMarkupElement.h"
#include "bundles/convala/markup/ZynMarkupStream.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

TEST(ZynMarkupStream, WrapsDataThatIsNotRTF)
{
    struct Case {
        std::string data;
        std::string read;
    } const cases[] = {
        {"hello {world}", "{\\rtf0\\ansi hello \\{world\\}}"},
        {"a\\b", "{\\rtf0\\ansi a\\\\b}"},
        {"one\ntwo\n", "{\\rtf0\\ansi one\\\ntwo\\\n}"},
        {"one\r\ntwo", "{\\rtf0\\ansi one\r\\\ntwo}"},
        // Lines that end in a return alone still end.
        {"one\rtwo\r", "{\\rtf0\\ansi one\\\rtwo\\\r}"},
        {"", "{\\rtf0\\ansi }"},
        {"{\\rt", "{\\rtf0\\ansi \\{\\\\rt}"},
        {"{\\rtf1 as it is}", "{\\rtf1 as it is}"},
        {"{\\rtfoo", "{\\rtfoo"},
    };
    for (const Case& c : cases) {
        ZynMarkupStream stream(c.data);
        EXPECT_EQ(stream.data(), c.read) << c.data;
    }
    ZynMarkupStream none;
    EXPECT_EQ(none.initWithData(nullptr), nullptr);
    EXPECT_EQ(none.delimiters(), " \\{};\n\r");
    EXPECT_EQ(none.escapeChar(), 0);
    EXPECT_EQ(none.quotes(), "");
    EXPECT_EQ(none.destinationMarker(), '*');
    EXPECT_EQ(none.introducer(), '{');
    EXPECT_EQ(none.terminator(), '}');
}

// The keyword after a backslash: what the element holds and what is read next.
TEST(ZynMarkupStream, ReadsKeywordsNumbersAndControlSymbols)
{
    struct Case {
        std::string after; // what follows the backslash
        std::string keyword;
        bool hasValue;
        int value;
        int next; // the byte read next, -1 at the end
    } const cases[] = {
        {"b0 text", "b", true, 0, 't'},      // the space after the number is consumed
        {"pard \\plain", "pard", false, 0, '\\'},
        {"li-720 x", "li", true, -720, 'x'},
        {"fs24Hello", "fs", true, 24, 'H'},  // the rest of the token is text
        {"par\nx", "par", false, 0, '\n'},
        {"par;", "par", false, 0, ';'},
        {"par  x", "par", false, 0, ' '},    // one space only
        {"li-x", "li", false, 0, '-'},       // a "-" counts only before a digit
        {"NeXTGraphic300 ", "NeXTGraphic", true, 300, -1},
        {"~abc", "~", false, 0, 'a'},        // a control symbol is one character
        {"- x", "-", false, 0, ' '},
        {"-5", "-", false, 0, '5'},
        {"*\\fldinst", "*", false, 0, '\\'},
        {"'e9s", "'", false, 0, 'e'},
        {"\\b", "\\", false, 0, 'b'},
        {"{ab", "{", false, 0, 'a'},
        {"\nx", "\n", false, 0, 'x'},
        {"\r", "\r", false, 0, -1},
        {"", "", false, 0, -1},
        // Numbers outside an int stay at its limits.
        {"fs2147483647", "fs", true, INT_MAX, -1},
        {"fs2147483648", "fs", true, INT_MAX, -1},
        {"fs99999999999999999999999999 x", "fs", true, INT_MAX, 'x'},
        {"li-2147483648", "li", true, INT_MIN, -1},
        {"li-9999999999999}", "li", true, INT_MIN, '}'},
        {"sl00000000000000000000012", "sl", true, 12, -1},
    };
    for (const Case& c : cases) {
        ZynMarkupStream stream("{\\rtf1 \\" + c.after);
        stream.seek(8, 2);
        ZynMarkupElement element;
        element.setIsIntroducer(true);
        stream.getKeywordElement(&element);
        EXPECT_EQ(element.text(), c.keyword) << c.after;
        EXPECT_EQ(element.hasValue(), c.hasValue) << c.after;
        EXPECT_EQ(element.intValue(), c.value) << c.after;
        EXPECT_FALSE(element.isIntroducer()) << c.after;
        EXPECT_EQ(stream.getc(), c.next) << c.after;
    }
}

TEST(ZynMarkupStream, KeywordsKeepAtMostTheirLimit)
{
    const std::string letters(100000, 'k');
    ZynMarkupStream stream("{\\rtf1 \\" + letters + "12 x");
    stream.seek(8, 2);
    ZynMarkupElement element;
    stream.getKeywordElement(&element);
    EXPECT_EQ(element.text(), letters.substr(0, ZynMarkupStream::MaxKeywordLength));
    EXPECT_EQ(element.intValue(), 12);
    EXPECT_EQ(stream.getc(), 'x');
}

TEST(ZynMarkupStream, ReadsHexadecimalCharactersOrNothing)
{
    struct Case {
        std::string after; // what follows backslash and apostrophe
        std::string text;  // "" for nothing
        int next;
    } const cases[] = {
        {"e9s", "\xE9", 's'}, {"E9", "\xE9", -1}, {"7b}", "{", '}'}, {"ff", "\xFF", -1},
        {"00x", "", 'x'},     // a NUL byte is dropped
        {"zz", "", 'z'},      {"4", "", '4'},      {"4}", "", '4'}, {"", "", -1}, {"g0", "", 'g'},
    };
    for (const Case& c : cases) {
        ZynMarkupStream stream("{\\rtf1 \\'" + c.after);
        stream.seek(9, 2);
        ZynMarkupElement element;
        stream.getHexElement(&element);
        EXPECT_EQ(element.text(), "zyntext") << c.after;
        EXPECT_EQ(element.hasTextValue(), !c.text.empty()) << c.after;
        EXPECT_EQ(element.textValue(), c.text) << c.after;
        EXPECT_EQ(stream.getc(), c.next) << c.after;
    }
}

TEST(ZynMarkupStream, TextRunsEndAtControlCharactersAndDropLineEnds)
{
    struct Case {
        std::string data; // from the run's first byte
        std::string run;
        int next;
    } const cases[] = {
        {"word and more\\par", "word and more", '\\'},
        {" lead;", " lead", ';'},
        {"a\nb\r\nc{", "abc", '{'},
        {std::string("nu\0l}", 5), "nul", '}'},
        {"to the end", "to the end", -1}, // and the last byte is not read twice
        {"x", "x", -1},
    };
    for (const Case& c : cases) {
        ZynMarkupStream stream("{\\rtf1 " + c.data);
        stream.seek(7, 2);
        ZynMarkupElement element;
        stream.getNextElement(&element);
        stream.getTextElement(&element);
        EXPECT_EQ(element.text(), "zyntext") << c.data;
        EXPECT_EQ(element.textValue(), c.run) << c.data;
        EXPECT_EQ(stream.getc(), c.next) << c.data;
    }
}

TEST(ZynMarkupStream, SkipsAGroupUpToItsOwnClosingBrace)
{
    struct Case {
        std::string rest; // after the group's opening brace
        bool found;
        int next;
    } const cases[] = {
        {"\\x a{b{c}}d}e", true, '}'},
        {"\\x a\\}b}e", true, '}'},    // an escaped brace does not close it
        {"\\x \\{b}e", true, '}'},     // nor open another
        {"\\x \\'7d}e", true, '}'},
        {"\\x {open", false, -1},
        {"\\x \\", false, -1},
    };
    for (const Case& c : cases) {
        ZynMarkupStream stream("{\\rtf1 {" + c.rest);
        stream.seek(8, 2);
        EXPECT_EQ(stream.skipGroup(), c.found) << c.rest;
        EXPECT_EQ(stream.getc(), c.next) << c.rest;
        if (c.found) {
            EXPECT_EQ(stream.getc(), 'e') << c.rest;
        }
    }
}

TEST(ZynMarkupElement, IntroducerAndTerminatorExcludeEachOther)
{
    ZynMarkupElement e;
    e.setIsIntroducer(true);
    e.setIsTerminator(true);
    EXPECT_FALSE(e.isIntroducer());
    EXPECT_TRUE(e.isTerminator());
    e.setIsIntroducer(true);
    EXPECT_FALSE(e.isTerminator());
    e.setTextValue("");
    EXPECT_TRUE(e.hasValue());
    EXPECT_FALSE(e.hasTextValue());
    e.setIntValue(-3);
    e.setIsIgnorableDestination(true);
    e.setText("kw");
    e.reset();
    EXPECT_EQ(e.text(), "kw");
    EXPECT_FALSE(e.hasValue() || e.isIntroducer() || e.isTerminator() || e.isIgnorableDestination());
    EXPECT_EQ(e.intValue(), 0);
}

} // namespace
