#include "bundles/convala/rtf/RTFTextEscapes.h"

#include <array>
#include <cstdint>

namespace {

// Windows-1252 0x80-0x9F (Microsoft's cp1252.txt); 0 where the code page
// has no character. 0xA0-0xFF are U+00A0-U+00FF.
constexpr char16_t codePage80[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

constexpr char hexDigits[] = "0123456789abcdef";

void appendHexEscape(std::string& out, unsigned char byte)
{
    out += "\\'";
    out += hexDigits[byte >> 4];
    out += hexDigits[byte & 15];
}

// "\uN" takes a signed 16-bit number; characters beyond the first plane go
// as their two UTF-16 halves.
void appendUnicodeEscape(std::string& out, char32_t ch)
{
    auto one = [&out](std::uint16_t unit) {
        out += "\\u";
        out += std::to_string(int(std::int16_t(unit)));
        out += "\\'3f";
    };
    if (ch > 0xFFFF) {
        ch -= 0x10000;
        one(std::uint16_t(0xD800 + (ch >> 10)));
        one(std::uint16_t(0xDC00 + (ch & 0x3FF)));
    } else {
        one(std::uint16_t(ch));
    }
}

// What each byte of a character set is written as, and whether it is
// written as it stands (so that runs of such bytes are copied whole).
struct ByteTable {
    std::array<std::string, 256> escape;
    std::array<bool, 256> plain{};
};

ByteTable makeTable(kit::Encoding encoding)
{
    ByteTable table;
    for (int b = 1; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        std::string& out = table.escape[std::size_t(b)];
        if (encoding == kit::Encoding::NeXTSTEP && byte == 0xAE) {
            out = "fi";
            continue;
        }
        if (encoding == kit::Encoding::NeXTSTEP && byte == 0xAF) {
            out = "fl";
            continue;
        }
        std::optional<char32_t> ch = kit::toUnicode(encoding, byte);
        if (encoding == kit::Encoding::NeXTSTEP && byte == 0x60)
            ch = 0x2018;
        if (!ch) {
            out = "?";
            continue;
        }
        RTFTextEscapes::appendCharacter(out, *ch);
        table.plain[std::size_t(b)] = out.size() == 1 && out[0] == char(byte);
    }
    return table;
}

const ByteTable& tableFor(kit::Encoding encoding)
{
    static const ByteTable nextstep = makeTable(kit::Encoding::NeXTSTEP);
    static const ByteTable symbol = makeTable(kit::Encoding::Symbol);
    static const ByteTable macRoman = makeTable(kit::Encoding::MacRoman);
    switch (encoding) {
    case kit::Encoding::Symbol:
        return symbol;
    case kit::Encoding::MacRoman:
        return macRoman;
    case kit::Encoding::NeXTSTEP:
        break;
    }
    return nextstep;
}

// The next character of UTF-8 text; an ill-formed byte stands for itself
// as a Windows-1252 byte.
char32_t nextCharacter(std::string_view text, std::size_t& i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    auto asByte = [&]() -> char32_t {
        ++i;
        return RTFTextEscapes::codePageCharacter(lead).value_or(U'?');
    };
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    int extra = 0;
    char32_t ch = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        extra = 1, ch = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF)
        extra = 2, ch = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4)
        extra = 3, ch = lead & 0x07;
    else
        return asByte();
    if (i + std::size_t(extra) >= text.size())
        return asByte();
    for (int k = 1; k <= extra; ++k) {
        const auto next = static_cast<unsigned char>(text[i + std::size_t(k)]);
        if ((next & 0xC0) != 0x80)
            return asByte();
        ch = (ch << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    const char32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (ch < least[extra] || (ch >= 0xD800 && ch <= 0xDFFF) || ch > 0x10FFFF)
        return asByte();
    i += std::size_t(extra) + 1;
    return ch;
}

} // namespace

std::optional<unsigned char> RTFTextEscapes::codePageByte(char32_t ch)
{
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return static_cast<unsigned char>(ch);
    for (int i = 0; i < 32; ++i)
        if (codePage80[i] != 0 && char32_t(codePage80[i]) == ch)
            return static_cast<unsigned char>(0x80 + i);
    return std::nullopt;
}

std::optional<char32_t> RTFTextEscapes::codePageCharacter(unsigned char byte)
{
    if (byte < 0x80 || byte >= 0xA0)
        return char32_t(byte);
    if (const char16_t ch = codePage80[byte - 0x80])
        return char32_t(ch);
    return std::nullopt;
}

void RTFTextEscapes::appendCharacter(std::string& out, char32_t ch)
{
    if (ch == '\\' || ch == '{' || ch == '}') {
        out += '\\';
        out += char(ch);
    } else if (ch >= 0x20 && ch < 0x7F) {
        out += char(ch);
    } else if (ch < 0x80) {
        // Control characters would be taken for white space.
        appendHexEscape(out, static_cast<unsigned char>(ch));
    } else if (const std::optional<unsigned char> byte = codePageByte(ch)) {
        appendHexEscape(out, *byte);
    } else {
        appendUnicodeEscape(out, ch);
    }
}

void RTFTextEscapes::appendText(std::string& out, std::string_view bytes, kit::Encoding encoding)
{
    const ByteTable& table = tableFor(encoding);
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n) {
        std::size_t run = i;
        while (run < n && table.plain[static_cast<unsigned char>(bytes[run])])
            ++run;
        out.append(bytes.data() + i, run - i);
        if (run == n)
            break;
        // A NUL byte is no character of the text.
        if (const auto byte = static_cast<unsigned char>(bytes[run]))
            out += table.escape[byte];
        i = run + 1;
    }
}

void RTFTextEscapes::appendName(std::string& out, std::string_view utf8)
{
    std::size_t i = 0;
    while (i < utf8.size()) {
        const char32_t ch = nextCharacter(utf8, i);
        if (ch != ';' && ch != 0)
            appendCharacter(out, ch);
    }
}

void RTFTextEscapes::appendUTF8(std::string& out, char32_t ch) { kit::appendUTF8(out, ch); }
