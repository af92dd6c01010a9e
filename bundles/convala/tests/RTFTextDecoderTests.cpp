// RTF's characters as Unicode: code pages (through the C library), font
// character sets, multi-byte characters split over escapes, "\uN" and its
// fallbacks, and the groups that scope the font and the fallback count.

#include "bundles/convala/rtf/RTFTextDecoder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class Collect final : public RTFTextDecoder::Output {
public:
    void character(char32_t ch) override { text += ch; }
    std::u32string text;
};

std::u32string decoded(RTFTextDecoder& decoder, std::string_view bytes)
{
    Collect out;
    decoder.text(bytes, out);
    return out.text;
}

TEST(RTFTextDecoder, ReadsEachCodePageThroughTheCLibrary)
{
    const struct {
        int codePage;
        const char* bytes;
        std::u32string text;
    } cases[] = {
        {1250, "\xE9\xE8", U"\u00E9\u010D"},  {1251, "\xC0\xFF", U"\u0410\u044F"}, {1252, "\x80\xE9", U"\u20AC\u00E9"},
        {1253, "\xE1", U"\u03B1"},            {1254, "\xFD", U"\u0131"},            {1255, "\xE0", U"\u05D0"},
        {1256, "\xC7", U"\u0627"},            {1257, "\xE0", U"\u0105"},            {1258, "\xE0", U"\u00E0"},
        {874, "\xA1", U"\u0E01"},             {437, "\x82\x9B", U"\u00E9\u00A2"},   {850, "\x9B", U"\u00F8"},
        {852, "\xA5", U"\u0105"},             {866, "\x80", U"\u0410"},             {10000, "\x8E", U"\u00E9"},
        {10007, "\x80", U"\u0410"},           {10029, "\x88", U"\u0105"},           {932, "\x93\xFA", U"\u65E5"},
        {932, "\x82\x61", U"\uFF22"},         {936, "\xC4\xE3", U"\u4F60"},         {949, "\xC7\xD1", U"\uD55C"},
        {950, "\xA4\xA4", U"\u4E2D"},         {65001, "\xC3\xA9", U"\u00E9"},       {1252, "a\tb", U"a\tb"},
        {RTFTextDecoder::NeXTSTEPCodePage, "\xDD", U"\u00E9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codePage);
        RTFTextDecoder decoder;
        decoder.setDocumentCodePage(c.codePage);
        EXPECT_TRUE(decoder.knowsCodePage(c.codePage));
        EXPECT_EQ(decoded(decoder, c.bytes), c.text);
        EXPECT_FALSE(decoder.takeLost());
    }
}

// Never a wrong letter: a byte no character can be made of is left out and
// noted, and the text around it stays.
TEST(RTFTextDecoder, LeavesOutWhatItCannotRead)
{
    const struct {
        const char* what;
        int codePage;
        const char* bytes;
        std::u32string text;
    } cases[] = {
        {"a code page the C library lacks (Mac Greek)", 10006, "a\xE1z", U"az"},
        {"a code page nobody has", 4242, "a\xE1z", U"az"},
        {"a byte the code page leaves undefined", 1252, "a\x81z", U"az"},
        {"a lead byte whose trail is no trail", 932, "\x93!", U"!"},
        {"a lead byte at the end", 932, "a\x93", U"a"},
        {"half a UTF-8 character", 65001, "\xC3z", U"z"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RTFTextDecoder decoder;
        decoder.setDocumentCodePage(c.codePage);
        const std::u32string text = decoded(decoder, c.bytes);
        decoder.interrupt();
        EXPECT_EQ(text, c.text);
        EXPECT_TRUE(decoder.takeLost());
        EXPECT_FALSE(decoder.takeLost()); // told once
    }
}

// A lead byte and its trail byte make one character, whether they come as
// two escapes, an escape and a letter, or in one run.
TEST(RTFTextDecoder, JoinsALeadAndATrailThatArriveApart)
{
    RTFTextDecoder decoder;
    decoder.setDocumentCodePage(932);
    Collect out;
    decoder.text("\x93", out);
    decoder.text("\xFA", out);
    decoder.text("\x82", out);
    decoder.text("a", out); // 0x82 0x61
    decoder.text("x\x93\xFAy", out);
    EXPECT_EQ(out.text, U"\u65E5\uFF22x\u65E5y");
    EXPECT_FALSE(decoder.takeLost());
    // A word between them ends the character: the lead is lost.
    decoder.text("\x93", out);
    decoder.interrupt();
    decoder.text("\xFA", out);
    EXPECT_TRUE(decoder.takeLost());
}

// A font's character set decides how its bytes read, to the end of the
// group that chose the font; charsets 0 and 1 read in the document's code
// page, 2 gives a symbol font's codes.
TEST(RTFTextDecoder, AFontsCharacterSetDecidesHowItsBytesRead)
{
    RTFTextDecoder decoder;
    decoder.setDocumentCodePage(1251);
    decoder.setFontCharset(0, 0);
    decoder.setFontCharset(1, 238);
    decoder.setFontCharset(2, 2);
    decoder.setFontCharset(3, 128);
    decoder.setFontCharset(4, 77);
    decoder.setFontCodePage(5, 1253);
    decoder.selectFont(0);
    EXPECT_EQ(decoded(decoder, "\xE9"), U"\u0439"); // 1251
    decoder.groupOpened();
    decoder.selectFont(1);
    EXPECT_EQ(decoded(decoder, "\xE9\xE8"), U"\u00E9\u010D"); // 1250
    decoder.groupOpened();
    decoder.selectFont(2);
    EXPECT_EQ(decoded(decoder, "\xB7"), U"\uF0B7");
    decoder.groupClosed();
    EXPECT_EQ(decoded(decoder, "\xE8"), U"\u010D");
    decoder.groupClosed();
    EXPECT_EQ(decoded(decoder, "\xE9"), U"\u0439");
    decoder.selectFont(3);
    EXPECT_EQ(decoded(decoder, "\x93\xFA"), U"\u65E5");
    decoder.selectFont(4);
    EXPECT_EQ(decoded(decoder, "\x8E"), U"\u00E9");
    decoder.selectFont(5);
    EXPECT_EQ(decoded(decoder, "\xE1"), U"\u03B1");
    // A font the table never named reads in the document's code page.
    decoder.selectFont(9);
    EXPECT_EQ(decoded(decoder, "\xE9"), U"\u0439");
    EXPECT_FALSE(decoder.takeLost());

    EXPECT_EQ(RTFTextDecoder::codePageOfCharset(0), 0);
    EXPECT_EQ(RTFTextDecoder::codePageOfCharset(1), 0);
    EXPECT_EQ(RTFTextDecoder::codePageOfCharset(204), 1251);
    EXPECT_EQ(RTFTextDecoder::codePageOfCharset(255), 437);
}

// "\uN": negative numbers counted from 65536, surrogate halves joined, and
// the fallback after it skipped, however it comes: letters, escapes, a
// word that stands for a character, across runs and escapes.
TEST(RTFTextDecoder, UnicodeCharactersTakeTheirFallbacksWithThem)
{
    RTFTextDecoder decoder;
    Collect out;
    decoder.unicode(233, out);
    decoder.text("?x", out);
    decoder.unicode(-3913, out); // 0xF0B7
    decoder.text("\xB7", out);
    decoder.setUnicodeSkip(2);
    decoder.unicode(26085, out);
    decoder.text("\x93", out);
    decoder.text("\xFA", out);
    decoder.unicode(8212, out);
    decoder.text("-", out);
    EXPECT_TRUE(decoder.consumeFallback()); // "\emdash": the second of two
    EXPECT_FALSE(decoder.consumeFallback());
    decoder.setUnicodeSkip(1);
    decoder.unicode(-10179, out); // U+1F600 in two halves, each with a fallback
    decoder.text("?", out);
    decoder.unicode(-8704, out);
    decoder.text("?y", out);
    EXPECT_EQ(out.text, U"\u00E9x\uF0B7\u65E5\u2014\U0001F600y");
    EXPECT_FALSE(decoder.takeLost());

    // Half a pair, a number past Unicode: nothing, noted.
    decoder.unicode(-10179, out);
    decoder.text("?z", out);
    EXPECT_TRUE(decoder.takeLost());
    decoder.unicode(0x7FFFFFFF, out);
    decoder.text("?w", out);
    EXPECT_TRUE(decoder.takeLost());
    EXPECT_EQ(out.text, U"\u00E9x\uF0B7\u65E5\u2014\U0001F600yzw");
}

// "\ucN" belongs to its group: the outer count is back after the group's
// end. A brace ends a fallback.
TEST(RTFTextDecoder, TheFallbackCountEndsWithItsGroup)
{
    RTFTextDecoder decoder;
    Collect out;
    decoder.groupOpened();
    decoder.setUnicodeSkip(3);
    EXPECT_EQ(decoder.unicodeSkip(), 3);
    decoder.unicode(233, out);
    decoder.text("abc", out);
    decoder.unicode(233, out);
    decoder.groupClosed();
    EXPECT_EQ(decoder.unicodeSkip(), 1);
    decoder.text("d", out);
    decoder.unicode(233, out);
    decoder.text("?e", out);
    EXPECT_EQ(out.text, U"\u00E9\u00E9d\u00E9e");
    decoder.setUnicodeSkip(1000);
    EXPECT_EQ(decoder.unicodeSkip(), RTFTextDecoder::MaxUnicodeSkip);
}

TEST(RTFTextDecoder, SymbolBytesAreTheFontsCodesAndItsNameIsText)
{
    RTFTextDecoder decoder;
    Collect out;
    decoder.text("a\xB7\t\x01", out, RTFTextDecoder::Reading::Symbol);
    EXPECT_EQ(out.text, U"\uF061\uF0B7\t");
    // A symbol font's name is in the document's code page.
    decoder.setFontCharset(2, 2);
    decoder.selectFont(2);
    decoder.text("Symbol \xE9", out, RTFTextDecoder::Reading::Name);
    EXPECT_EQ(out.text, U"\uF061\uF0B7\tSymbol \u00E9");
}

} // namespace
