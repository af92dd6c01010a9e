#pragma once

// Page numbers as decimal, roman and letter strings, and back.

#include <optional>
#include <string>

// Numbering types.
inline constexpr int PageNumberDecimal = 0;
inline constexpr int PageNumberLowerRoman = 1;
inline constexpr int PageNumberUpperRoman = 2;
inline constexpr int PageNumberLowerLetters = 3;
inline constexpr int PageNumberUpperLetters = 4;

// Empty for a number below 1 or an unknown type.
std::string pageNumberString(int number, int type);
// One page's string when last is 0 or equals first, else "first-last".
std::string pageRangeString(int first, int last, int type);

// Up to 9999; "????" above.
std::string ConvertToRoman(int number, int type);
// Bijective base 26: 1 "a", 26 "z", 27 "aa".
std::string ConvertToLetters(int number, int type);

// None reads as 1; unknown types read as 1.
int ConvertPageStringToNumber(const std::optional<std::string>& text, int type);
// -1 for nothing or a malformed numeral, 0 when it does not start with a
// letter. Values too large for an int saturate.
int ConvertFromRoman(const std::string& text);
// -1 for nothing, 0 when it does not start with a letter; saturates.
int ConvertFromLetters(const std::string& text);
