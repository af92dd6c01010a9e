#include "foundation/PlainTextRTF.h"

#include "core/Encoding.h"

#include <charconv>
#include <cstdint>

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

bool needsEscape(unsigned char c) { return c == '{' || c == '}' || c == '\\' || c == '\n' || c == '\r'; }

// "\uN" takes a signed 16-bit number; a character past the first plane goes
// as its two UTF-16 halves. The space ends the number, so that a digit
// after it stays text.
void appendUnicode(std::string& rtf, char32_t ch)
{
    auto unit = [&rtf](std::uint16_t value) {
        char number[8];
        const auto end = std::to_chars(number, number + sizeof number, int(std::int16_t(value))).ptr;
        rtf += "\\u";
        rtf.append(number, end);
        rtf += ' ';
    };
    if (ch > 0xFFFF) {
        ch -= 0x10000;
        unit(std::uint16_t(0xD800 + (ch >> 10)));
        unit(std::uint16_t(0xDC00 + (ch & 0x3FF)));
    } else {
        unit(std::uint16_t(ch));
    }
}

} // namespace

std::string PlainTextRTF::wrap(std::string_view header, std::string_view text)
{
    const bool utf8 = kit::isWellFormedUTF8(text);
    if (utf8 && text.substr(0, ByteOrderMark.size()) == ByteOrderMark)
        text.remove_prefix(ByteOrderMark.size());
    bool unicode = false;
    if (utf8)
        for (const char c : text)
            if (static_cast<unsigned char>(c) >= 0x80) {
                unicode = true;
                break;
            }

    std::string rtf;
    rtf.reserve(header.size() + text.size() + text.size() / 8 + 8);
    rtf += header;
    if (unicode)
        rtf += "\\uc0 ";
    std::size_t i = 0;
    while (i < text.size()) {
        // Runs that need no escape are copied whole.
        std::size_t run = i;
        while (run < text.size()) {
            const auto c = static_cast<unsigned char>(text[run]);
            if (needsEscape(c) || (unicode && c >= 0x80))
                break;
            ++run;
        }
        rtf.append(text.data() + i, run - i);
        if (run == text.size())
            break;
        const auto c = static_cast<unsigned char>(text[run]);
        if (c == '\r') {
            // A line ends in a line feed, a carriage return and a line feed,
            // or, in older Mac files, a carriage return alone.
            if (run + 1 == text.size() || text[run + 1] != '\n')
                rtf += "\\\n";
            i = run + 1;
        } else if (needsEscape(c)) {
            rtf += '\\';
            rtf += char(c);
            i = run + 1;
        } else {
            i = run;
            appendUnicode(rtf, kit::nextUTF8(text, i).value_or(U'\uFFFD'));
        }
    }
    rtf += '}';
    return rtf;
}
