#pragma once

#include <array>
#include <cstdint>

namespace kit {

// Character classes of the documents' character set (NeXTSTEP), from a fixed
// table: callers use these instead of the C library's <ctype.h> tests, whose
// answers for codes above 0x7F depend on the process locale.
//
// The classes come from the Unicode properties of each code's character
// (Encoding.h gives the mapping):
// - letter: general category Lu, Ll, Lo; that includes the accented
//   letters, the fi and fl ligatures (0xAE, 0xAF), germandbls, ae, oslash,
//   dotlessi, mu, florin, and ordfeminine/ordmasculine (letters without case).
//   The spacing accents (grave 0xC1, circumflex 0xC3, caron 0xCF; Unicode's
//   modifier letters) are punctuation, like the other accents.
// - upper / lower: Lu / Ll.
// - digit: '0'-'9' only (superscripts and fractions are punctuation), as C.
// - space: tab, newline, vertical tab, form feed, return, space, and 0x80,
//   the no-break space, as NeXTSTEP's C library counted it. (The text engine
//   keeps 0x80 inside a word itself; this class answers what the character is.)
// - control: 0x00-0x1F and 0x7F (tab to return are control and space, as C).
// - punctuation: every other character (printable, not letter, digit or
//   space), like C's ispunct.
// 0xFE and 0xFF have no character and belong to no class.
enum CharClassBit : std::uint8_t {
    CharUpper = 0x01,
    CharLower = 0x02,
    CharDigit = 0x04,
    CharSpace = 0x08,
    CharPunct = 0x10,
    CharControl = 0x20,
    CharLetter = 0x40,
};

namespace detail {
extern const std::uint8_t nextstepClasses[256];
extern const std::array<unsigned char, 256> nextstepUpper;
extern const std::array<unsigned char, 256> nextstepLower;
} // namespace detail

// The class bits of a code (CharClassBit values or'ed together).
inline std::uint8_t charClass(unsigned char c) { return detail::nextstepClasses[c]; }

inline bool isLetter(unsigned char c) { return (charClass(c) & CharLetter) != 0; }
inline bool isUpper(unsigned char c) { return (charClass(c) & CharUpper) != 0; }
inline bool isLower(unsigned char c) { return (charClass(c) & CharLower) != 0; }
inline bool isDigit(unsigned char c) { return (charClass(c) & CharDigit) != 0; }
inline bool isAlnum(unsigned char c) { return (charClass(c) & (CharLetter | CharDigit)) != 0; }
inline bool isPunct(unsigned char c) { return (charClass(c) & CharPunct) != 0; }
inline bool isSpace(unsigned char c) { return (charClass(c) & CharSpace) != 0; }
inline bool isControl(unsigned char c) { return (charClass(c) & CharControl) != 0; }

// Case mapping within the set: Unicode's simple case mapping when the other
// case is in the set too (e -> E, eacute <-> Eacute, oslash <-> Oslash,
// eth <-> Eth, dotlessi -> I); otherwise the code itself (germandbls, the
// ligatures, ydieresis and mu, whose capitals are not in the set).
inline unsigned char toUpper(unsigned char c) { return detail::nextstepUpper[c]; }
inline unsigned char toLower(unsigned char c) { return detail::nextstepLower[c]; }

} // namespace kit
