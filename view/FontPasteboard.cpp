#include "view/FontPasteboard.h"

#include <cctype>
#include <cmath>

namespace {

bool isNameChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x20 && u < 0x7F && c != '\\' && c != '{' && c != '}' && c != ';';
}

// Past one control word at i ("\word" with an optional number and the one
// space that ends it); i unchanged when there is none.
std::size_t skipControlWord(std::string_view s, std::size_t i)
{
    if (i >= s.size() || s[i] != '\\')
        return i;
    std::size_t j = i + 1;
    while (j < s.size() && std::isalpha(static_cast<unsigned char>(s[j])))
        ++j;
    if (j == i + 1)
        return i;
    if (j < s.size() && s[j] == '-')
        ++j;
    while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j])))
        ++j;
    if (j < s.size() && s[j] == ' ')
        ++j;
    return j;
}

} // namespace

std::string fontPasteboardData(const FontChoice& font)
{
    const long halfPoints = std::lround(double(font.size) * 2.0);
    return "{\\rtf0\\ansi{\\fonttbl\\f0\\fnil " + font.name + ";}\\f0\\fs" + std::to_string(halfPoints) + " a}";
}

std::optional<FontChoice> readFontPasteboardData(std::string_view data)
{
    if (data.substr(0, 5) != "{\\rtf")
        return std::nullopt;
    const std::size_t table = data.find("{\\fonttbl");
    if (table == std::string_view::npos)
        return std::nullopt;
    // The first entry: control words, then the name up to its semicolon,
    // possibly inside a group of its own.
    std::size_t i = table + 9;
    while (i < data.size() && (data[i] == ' ' || data[i] == '{'))
        ++i;
    for (std::size_t next = skipControlWord(data, i); next != i; next = skipControlWord(data, i))
        i = next;
    const std::size_t end = data.find(';', i);
    if (end == std::string_view::npos)
        return std::nullopt;
    std::string_view name = data.substr(i, end - i);
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    if (name.empty() || name.size() > MaxFontNameLength)
        return std::nullopt;
    for (char c : name)
        if (!isNameChar(c))
            return std::nullopt;
    FontChoice font;
    font.name = std::string(name);
    // The size set after the table, in half points.
    const std::size_t closed = data.find('}', end);
    if (closed == std::string_view::npos)
        return std::nullopt;
    for (std::size_t at = data.find("\\fs", closed); at != std::string_view::npos; at = data.find("\\fs", at + 3)) {
        std::size_t j = at + 3;
        long halfPoints = 0;
        int digits = 0;
        while (j < data.size() && std::isdigit(static_cast<unsigned char>(data[j])) && digits < 6) {
            halfPoints = halfPoints * 10 + (data[j] - '0');
            ++j;
            ++digits;
        }
        if (digits == 0)
            continue; // another word beginning with "fs"
        if (j < data.size() && std::isdigit(static_cast<unsigned char>(data[j])))
            return std::nullopt;
        font.size = float(halfPoints) / 2.0f;
        break;
    }
    if (!(font.size >= MinPastedFontSize && font.size <= MaxPastedFontSize))
        return std::nullopt;
    return font;
}
