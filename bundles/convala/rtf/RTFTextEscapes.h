#pragma once

// Characters as the RTF writer puts them, so that other programs read them
// right: ASCII as it is (backslash and braces escaped), every other character
// as an escape of the code page the file declares (Windows-1252,
// "\ansicpg1252", written "\'xx"), and a character that code page lacks as
// "\uN" followed by "\'3f" ("?"), the one-character fallback that readers
// without Unicode show (the header's \uc1 count). Document text is bytes of
// the documents' character set, or of the Symbol set in the Symbol font; it
// is written through its Unicode value, never as raw bytes of those sets.

#include "core/Encoding.h"

#include <optional>
#include <string>
#include <string_view>

struct RTFTextEscapes {
    // Windows-1252: the byte for a character, and the character of a byte
    // (0x81, 0x8D, 0x8F, 0x90 and 0x9D have none).
    static std::optional<unsigned char> codePageByte(char32_t ch);
    static std::optional<char32_t> codePageCharacter(unsigned char byte);

    // One character of text.
    static void appendCharacter(std::string& out, char32_t ch);

    // Bytes of document text in the given set. The text engine's ligature
    // codes are written as the letters they join ("fi", "fl"), and its left
    // single quote (0x60) as the quotation mark it shows.
    static void appendText(std::string& out, std::string_view bytes, kit::Encoding encoding);

    // A name ending at ";" in a table entry (font, style): UTF-8 text with
    // its semicolons left out, since a ";" would end the entry early.
    // Ill-formed UTF-8 bytes are taken as Windows-1252 characters.
    static void appendName(std::string& out, std::string_view utf8);

    // A character as UTF-8 (what the readers hand on).
    static void appendUTF8(std::string& out, char32_t ch);
};
