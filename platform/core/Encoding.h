#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kit {

// The platform's three 8-bit character sets. Document text is bytes of the
// NeXTSTEP set; it meets Unicode only at the edges (screen, clipboard, file
// names, foreign formats), through these tables.
//
// - NeXTSTEP: the Unicode consortium's vendor table NEXTSTEP.TXT for
//   0x80-0xFD (0xFE and 0xFF have no character); 0x00-0x7F is ASCII. The
//   text engine also uses 0x60 and 0x27 as its left and right single
//   quotation marks; they stay U+0060 and U+0027 here (see glyphName).
// - MacRoman: Apple's ROMAN.TXT (Mac OS 8.5 and later: 0xDB is the euro,
//   0xF0 the Apple logo U+F8FF), all 256 codes; 0x00-0x7F is ASCII.
// - Symbol: Adobe's symbol.txt for the Symbol font (0x20-0x7E and 0xA0-0xFE,
//   0xA0 the euro, the bracket pieces and serif/sans marks in Adobe's
//   corporate-use area), plus 0xF0, the font's "apple" glyph, mapped to
//   U+F8FF as Apple's tables do. Controls, 0x7F-0x9F and 0xFF are undefined.
enum class Encoding {
    NeXTSTEP,
    MacRoman,
    Symbol,
};

// One code to its Unicode character; std::nullopt when the code has none.
std::optional<char32_t> toUnicode(Encoding encoding, unsigned char code);

// One Unicode character to its code; std::nullopt when the set lacks it.
// Besides the inverse of toUnicode, a few characters map one way only:
// NeXTSTEP takes U+2018 (left single quotation mark) as 0x60, the text
// engine's left quote; Symbol takes symbol.txt's secondary characters
// (U+00A0, U+2206, U+2126, U+00B5, U+2215).
std::optional<unsigned char> fromUnicode(Encoding encoding, char32_t ch);

// The PostScript glyph name that prints the code, as the URW/Adobe AFM files
// spell it ("fi", "emdash", "quotedblleft", "alpha", "apple"); empty for an
// undefined code and for control characters, which have no glyph.
// NeXTSTEP names follow the NeXT PostScript encoding vector where the text
// engine depends on it: 0x27 is "quoteright" and 0x60 "quoteleft" (the
// engine's smart quotes, and what NeXTSTEP printed), 0x80 is "space"; every
// other code is named after its Unicode character (0xA9, U+2019, is also
// "quoteright"; 0xC1, U+02CB, is "grave").
std::string_view glyphName(Encoding encoding, unsigned char code);

// The Unicode character whose shape glyphName(code) has: toUnicode(code),
// except NeXTSTEP 0x27 (U+2019) and 0x60 (U+2018). For drawing on screen so
// that the screen shows what the printer prints.
std::optional<char32_t> glyphUnicode(Encoding encoding, unsigned char code);

// The character of UTF-8 text at pos, advancing past it. An ill-formed
// sequence (overlong forms, surrogates, code points above U+10FFFF,
// truncated sequences) answers std::nullopt and advances past its maximal
// subpart, at least one byte.
std::optional<char32_t> nextUTF8(std::string_view utf8, std::size_t& pos);

// Whether the bytes are well-formed UTF-8 throughout.
bool isWellFormedUTF8(std::string_view bytes);

// Appends the character as UTF-8.
void appendUTF8(std::string& out, char32_t ch);

// Bytes of the set to UTF-8. A code without a character becomes U+FFFD.
std::string toUTF8(Encoding encoding, std::string_view bytes);

// UTF-8 to bytes of the set, all or nothing: std::nullopt when any character
// has no code in the set or the input is not well-formed UTF-8 (overlong
// forms, surrogates, code points above U+10FFFF, truncated sequences).
std::optional<std::string> fromUTF8(Encoding encoding, std::string_view utf8);

struct LossyConversion {
    std::string bytes;
    std::size_t substituted = 0; // characters (or ill-formed sequences) replaced
};

// UTF-8 to bytes of the set, never failing: each character without a code
// and each ill-formed UTF-8 sequence (its maximal subpart, as Unicode's
// U+FFFD practice counts them) becomes `substitute` and is counted.
LossyConversion fromUTF8Lossy(Encoding encoding, std::string_view utf8, char substitute = '?');

// Direct conversion between the documents' set and the spelling engine's,
// through 256-entry tables built once from the Unicode mappings. A code
// whose character the other set lacks answers std::nullopt (e.g. NeXTSTEP
// 0xE8 "Lslash", MacRoman 0xAD "notequal").
std::optional<unsigned char> nextstepToMacRoman(unsigned char code);
std::optional<unsigned char> macRomanToNextstep(unsigned char code);

// Whole words or strings; std::nullopt when any byte has no counterpart, so
// that the spelling engine's callers can tell a word cannot be converted.
std::optional<std::string> nextstepToMacRoman(std::string_view bytes);
std::optional<std::string> macRomanToNextstep(std::string_view bytes);

// The tables behind these functions; only Encoding.cpp and
// EncodingTables.cpp use them.
namespace detail {

inline constexpr char32_t kUndefinedCode = 0xFFFFFFFF;

struct CodeEntry {
    char32_t unicode; // kUndefinedCode when the code has no character
    const char* glyph; // "" when the code has no glyph
};

struct ExtraMapping {
    char32_t unicode;
    unsigned char code;
};

extern const CodeEntry nextstepCodes[256];
extern const CodeEntry macRomanCodes[256];
extern const CodeEntry symbolCodes[256];

extern const ExtraMapping nextstepExtras[];
extern const std::size_t nextstepExtraCount;
extern const ExtraMapping symbolExtras[];
extern const std::size_t symbolExtraCount;

} // namespace detail

} // namespace kit
