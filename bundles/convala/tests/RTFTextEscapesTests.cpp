#include "bundles/convala/rtf/RTFTextEscapes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(RTFTextEscapes, DocumentTextIsWrittenInTheDeclaredCodePage)
{
    const struct {
        const char* bytes;
        kit::Encoding encoding;
        const char* rtf;
    } cases[] = {
        {"plain text", kit::Encoding::NeXTSTEP, "plain text"},
        {"a{b}\\c", kit::Encoding::NeXTSTEP, "a\\{b\\}\\\\c"},
        // Letters and signs as Windows-1252 bytes, not NeXTSTEP's: e acute is
        // NeXTSTEP 0xDD, and NeXTSTEP 0xE9 is O with stroke.
        {"caf\xDD", kit::Encoding::NeXTSTEP, "caf\\'e9"},
        {"\xE9", kit::Encoding::NeXTSTEP, "\\'d8"},
        {"\xA0 \xB1 \xD0 \xBC", kit::Encoding::NeXTSTEP, "\\'a9 \\'96 \\'97 \\'85"},
        // The engine's ligatures are the letters they join; its left quote
        // (0x60) is the quotation mark it shows.
        {"\xAEnd \xAFy", kit::Encoding::NeXTSTEP, "find fly"},
        {"`q'", kit::Encoding::NeXTSTEP, "\\'91q'"},
        // Characters the code page lacks: \uN with a one-character fallback.
        {"\xE8odz", kit::Encoding::NeXTSTEP, "\\u321\\'3fodz"},
        // The Symbol font's letters are Greek.
        {"a=b", kit::Encoding::Symbol, "\\u945\\'3f=\\u946\\'3f"},
        // Control characters would be read as white space.
        {"a\x01z", kit::Encoding::NeXTSTEP, "a\\'01z"},
        // NeXTSTEP 0xFE has no character.
        {"x\xFE", kit::Encoding::NeXTSTEP, "x?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        std::string out;
        RTFTextEscapes::appendText(out, c.bytes, c.encoding);
        EXPECT_EQ(out, c.rtf);
    }
}

TEST(RTFTextEscapes, CharactersBeyondTheFirstPlaneGoAsTwoHalves)
{
    std::string out;
    RTFTextEscapes::appendCharacter(out, 0x1F600);
    EXPECT_EQ(out, "\\u-10179\\'3f\\u-8704\\'3f");
    out.clear();
    RTFTextEscapes::appendCharacter(out, 0xFB01);
    EXPECT_EQ(out, "\\u-1279\\'3f");
}

TEST(RTFTextEscapes, NamesLoseTheirSemicolonsAndAreEscaped)
{
    const struct {
        const char* utf8;
        const char* rtf;
    } cases[] = {
        {"Heading 1", "Heading 1"},
        {"A}B;C\\{", "A\\}BC\\\\\\{"},
        {"Caf\xC3\xA9", "Caf\\'e9"},
        {"\xCE\xB1-\xE2\x82\xAC", "\\u945\\'3f-\\'80"},
        // Ill-formed UTF-8 bytes stand for themselves.
        {"Caf\xE9", "Caf\\'e9"},
        {"\xE2\x82", "\\'e2\\'82"},
        {"\xC0\xAF", "\\'c0\\'af"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        std::string out;
        RTFTextEscapes::appendName(out, c.utf8);
        EXPECT_EQ(out, c.rtf);
    }
}

TEST(RTFTextEscapes, TheCodePageReadsBackWhatItWrites)
{
    int mapped = 0;
    for (int b = 0; b < 256; ++b) {
        const std::optional<char32_t> ch = RTFTextEscapes::codePageCharacter(static_cast<unsigned char>(b));
        if (!ch)
            continue;
        ++mapped;
        EXPECT_EQ(RTFTextEscapes::codePageByte(*ch), b);
    }
    // Windows-1252 leaves five codes without a character.
    EXPECT_EQ(mapped, 251);
    EXPECT_FALSE(RTFTextEscapes::codePageByte(0x0141));
}

} // namespace
