#include "core/Encoding.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace kit {

namespace {

using detail::CodeEntry;
using detail::ExtraMapping;
using detail::kUndefinedCode;

const CodeEntry* codesOf(Encoding encoding)
{
    switch (encoding) {
    case Encoding::NeXTSTEP: return detail::nextstepCodes;
    case Encoding::MacRoman: return detail::macRomanCodes;
    case Encoding::Symbol: return detail::symbolCodes;
    }
    return detail::nextstepCodes;
}

// Unicode to code, sorted by character for binary search. The primary
// mappings (the inverse of the code table) are added first and the sort is
// stable, so lower_bound finds them before any one-way extra: an extra never
// shadows a code's own character.
class ReverseTable {
public:
    ReverseTable(const CodeEntry* codes, const ExtraMapping* extras, std::size_t extraCount)
    {
        for (int code = 0; code < 256; ++code) {
            if (codes[code].unicode != kUndefinedCode)
                add(codes[code].unicode, static_cast<unsigned char>(code));
        }
        for (std::size_t i = 0; i < extraCount; ++i)
            add(extras[i].unicode, extras[i].code);
        std::stable_sort(pairs_.begin(), pairs_.end(),
            [](const ExtraMapping& a, const ExtraMapping& b) { return a.unicode < b.unicode; });
    }

    std::optional<unsigned char> find(char32_t ch) const
    {
        auto it = std::lower_bound(pairs_.begin(), pairs_.end(), ch,
            [](const ExtraMapping& pair, char32_t value) { return pair.unicode < value; });
        if (it == pairs_.end() || it->unicode != ch)
            return std::nullopt;
        return it->code;
    }

private:
    void add(char32_t ch, unsigned char code) { pairs_.push_back({ch, code}); }

    std::vector<ExtraMapping> pairs_;
};

const ReverseTable& reverseOf(Encoding encoding)
{
    static const ReverseTable nextstep(detail::nextstepCodes, detail::nextstepExtras, detail::nextstepExtraCount);
    static const ReverseTable macRoman(detail::macRomanCodes, nullptr, 0);
    static const ReverseTable symbol(detail::symbolCodes, detail::symbolExtras, detail::symbolExtraCount);
    switch (encoding) {
    case Encoding::NeXTSTEP: return nextstep;
    case Encoding::MacRoman: return macRoman;
    case Encoding::Symbol: return symbol;
    }
    return nextstep;
}

// 256-entry direct table between two sets, built from their Unicode
// mappings; -1 where the target set lacks the character.
std::array<std::int16_t, 256> buildDirect(Encoding from, Encoding to)
{
    std::array<std::int16_t, 256> table{};
    for (int code = 0; code < 256; ++code) {
        std::int16_t target = -1;
        if (auto ch = toUnicode(from, static_cast<unsigned char>(code))) {
            if (auto mapped = fromUnicode(to, *ch))
                target = *mapped;
        }
        table[code] = target;
    }
    return table;
}

const std::array<std::int16_t, 256>& nextstepToMacRomanTable()
{
    static const auto table = buildDirect(Encoding::NeXTSTEP, Encoding::MacRoman);
    return table;
}

const std::array<std::int16_t, 256>& macRomanToNextstepTable()
{
    static const auto table = buildDirect(Encoding::MacRoman, Encoding::NeXTSTEP);
    return table;
}

std::optional<std::string> convertDirect(const std::array<std::int16_t, 256>& table, std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const std::int16_t target = table[static_cast<unsigned char>(c)];
        if (target < 0)
            return std::nullopt;
        out += static_cast<char>(target);
    }
    return out;
}

} // namespace

// The well-formed byte ranges are those of the Unicode Standard's table 3-7.
std::optional<char32_t> nextUTF8(std::string_view s, std::size_t& pos)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(pos++);
    if (lead < 0x80)
        return lead;

    int count; // continuation bytes
    unsigned char low = 0x80, high = 0xBF; // range of the first continuation byte
    char32_t ch;
    if (lead >= 0xC2 && lead <= 0xDF) {
        count = 1;
        ch = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        count = 2;
        ch = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0; // no overlong forms
        else if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        count = 3;
        ch = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90; // no overlong forms
        else if (lead == 0xF4)
            high = 0x8F; // nothing above U+10FFFF
    } else {
        return std::nullopt; // continuation byte, 0xC0, 0xC1 or 0xF5-0xFF
    }

    for (int i = 0; i < count; ++i) {
        if (pos >= s.size())
            return std::nullopt;
        const unsigned char next = byte(pos);
        if (next < low || next > high)
            return std::nullopt;
        ch = (ch << 6) | (next & 0x3F);
        ++pos;
        low = 0x80;
        high = 0xBF;
    }
    return ch;
}

bool isWellFormedUTF8(std::string_view bytes)
{
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
            ++pos;
            continue;
        }
        if (!nextUTF8(bytes, pos))
            return false;
    }
    return true;
}

void appendUTF8(std::string& out, char32_t ch)
{
    if (ch < 0x80) {
        out += static_cast<char>(ch);
    } else if (ch < 0x800) {
        out += static_cast<char>(0xC0 | (ch >> 6));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else if (ch < 0x10000) {
        out += static_cast<char>(0xE0 | (ch >> 12));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (ch >> 18));
        out += static_cast<char>(0x80 | ((ch >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    }
}

std::optional<char32_t> toUnicode(Encoding encoding, unsigned char code)
{
    const char32_t ch = codesOf(encoding)[code].unicode;
    if (ch == kUndefinedCode)
        return std::nullopt;
    return ch;
}

std::optional<unsigned char> fromUnicode(Encoding encoding, char32_t ch)
{
    // ASCII is itself in the two text sets (0x00-0x7F), the common case.
    if (ch < 0x80 && encoding != Encoding::Symbol)
        return static_cast<unsigned char>(ch);
    return reverseOf(encoding).find(ch);
}

std::string_view glyphName(Encoding encoding, unsigned char code)
{
    return codesOf(encoding)[code].glyph;
}

std::optional<char32_t> glyphUnicode(Encoding encoding, unsigned char code)
{
    if (encoding == Encoding::NeXTSTEP) {
        // The text engine's single quotes print as NeXTSTEP printed them.
        if (code == 0x27)
            return U'\u2019';
        if (code == 0x60)
            return U'\u2018';
    }
    return toUnicode(encoding, code);
}

std::string toUTF8(Encoding encoding, std::string_view bytes)
{
    const CodeEntry* codes = codesOf(encoding);
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const char32_t ch = codes[static_cast<unsigned char>(c)].unicode;
        appendUTF8(out, ch == kUndefinedCode ? U'\uFFFD' : ch);
    }
    return out;
}

std::optional<std::string> fromUTF8(Encoding encoding, std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        if (encoding != Encoding::Symbol) {
            // ASCII stands for itself in the text sets: runs of it are copied.
            std::size_t run = pos;
            while (run < utf8.size() && static_cast<unsigned char>(utf8[run]) < 0x80)
                ++run;
            out.append(utf8.data() + pos, run - pos);
            pos = run;
            if (pos == utf8.size())
                break;
        }
        const auto ch = nextUTF8(utf8, pos);
        if (!ch)
            return std::nullopt;
        const auto code = fromUnicode(encoding, *ch);
        if (!code)
            return std::nullopt;
        out += static_cast<char>(*code);
    }
    return out;
}

LossyConversion fromUTF8Lossy(Encoding encoding, std::string_view utf8, char substitute)
{
    LossyConversion result;
    result.bytes.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const auto ch = nextUTF8(utf8, pos);
        const auto code = ch ? fromUnicode(encoding, *ch) : std::nullopt;
        if (code) {
            result.bytes += static_cast<char>(*code);
        } else {
            result.bytes += substitute;
            ++result.substituted;
        }
    }
    return result;
}

std::optional<unsigned char> nextstepToMacRoman(unsigned char code)
{
    const std::int16_t target = nextstepToMacRomanTable()[code];
    if (target < 0)
        return std::nullopt;
    return static_cast<unsigned char>(target);
}

std::optional<unsigned char> macRomanToNextstep(unsigned char code)
{
    const std::int16_t target = macRomanToNextstepTable()[code];
    if (target < 0)
        return std::nullopt;
    return static_cast<unsigned char>(target);
}

std::optional<std::string> nextstepToMacRoman(std::string_view bytes)
{
    return convertDirect(nextstepToMacRomanTable(), bytes);
}

std::optional<std::string> macRomanToNextstep(std::string_view bytes)
{
    return convertDirect(macRomanToNextstepTable(), bytes);
}

} // namespace kit
