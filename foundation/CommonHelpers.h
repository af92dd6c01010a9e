#pragma once

// Small shared helpers: byte-size strings, dashes, string comparison, menu
// values and font lookup with a one-time warning.

#include <optional>
#include <string>

namespace kit {
class Font;
}

// 1 until the user chose not to be asked about missing fonts again.
extern short askAboutFonts;
// Fonts asked for that the platform did not have.
extern int unfoundFontCount;

// "9999", "10.0K", "2.00M".
std::string getSizeString(long count);

// '-', the en dash and the em dash of the documents' character set.
bool isDash(unsigned char c);
inline constexpr unsigned char EnDashChar = 0xB1;
inline constexpr unsigned char EmDashChar = 0xD0;

// Two nulls are equal, one null is not. Without caseSensitive ASCII capitals
// compare as lower case; a length of 0 or more compares only that many bytes
// (-1: the whole strings).
bool ZYNStringEqual(const char* s1, const char* s2, bool caseSensitive, int length);

// The value a size menu item stands for: tag 0 its title as a number (-10
// without a title), tag -3 0.15, tags -1 and -2 themselves, else -10.
float getValueFromMenu(int tag, const std::optional<std::string>& title);
template <class Cell>
float getValueFromMenu(const Cell& cell)
{
    return getValueFromMenu(cell.tag(), cell.title());
}

// The font of that name and size; when the platform has none, warns once per
// name (when asked to and the user has not turned warnings off) and answers
// Courier at that size.
kit::Font* findFont(const std::string& name, float size, bool ask);
