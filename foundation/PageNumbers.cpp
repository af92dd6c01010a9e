#include "foundation/PageNumbers.h"

#include "core/Locale.h"

#include <cctype>
#include <climits>
#include <cstring>

namespace {

struct Numeral {
    int value;
    const char* text;
};

const Numeral romanTable[] = {
    {1000, "m"}, {1000, "m"}, {1000, "m"}, {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"},
    {100, "c"},  {90, "xc"},  {50, "l"},   {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},
    {4, "iv"},   {1, "i"},
};

bool isAsciiLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

int saturate(long long value) { return value > INT_MAX ? INT_MAX : static_cast<int>(value); }

// Roman numerals by what may follow them.
enum : unsigned {
    AllowI = 1u << 0, AllowV = 1u << 1, AllowX = 1u << 2, AllowL = 1u << 3,
    AllowC = 1u << 4, AllowD = 1u << 5, AllowM = 1u << 6,
    AllowIV = 1u << 7, AllowIX = 1u << 8, AllowXL = 1u << 9, AllowXC = 1u << 10,
    AllowCD = 1u << 11, AllowCM = 1u << 12,
    AllowAll = 0x1FFFu,
};

struct RomanToken {
    const char* text;
    int value;
    unsigned self;     // the bit that allows this numeral
    unsigned follows;  // what may follow it; AllowAll for "leave as it was"
    bool keepsSet;
};

// Two-letter numerals first, so that "iv" is not read as "i" then "v". Where
// a numeral lets "i" or "x" follow, it lets the pairs they begin follow too
// ("xiv", "cxl"), except after "i" itself, which only more "i"s may follow.
const RomanToken romanTokens[] = {
    {"iv", 4, AllowIV, 0, false},
    {"ix", 9, AllowIX, 0, false},
    {"i", 1, AllowI, AllowI, false},
    {"v", 5, AllowV, AllowI, false},
    {"xl", 40, AllowXL, AllowV | AllowI | AllowIV | AllowIX, false},
    {"xc", 90, AllowXC, AllowV | AllowI | AllowIV | AllowIX, false},
    {"x", 10, AllowX, AllowX | AllowV | AllowI | AllowIV | AllowIX, false},
    {"l", 50, AllowL, AllowX | AllowV | AllowI | AllowIV | AllowIX, false},
    {"cd", 400, AllowCD, AllowL | AllowX | AllowV | AllowI | AllowXL | AllowXC | AllowIV | AllowIX, false},
    {"cm", 900, AllowCM, AllowL | AllowX | AllowV | AllowI | AllowXL | AllowXC | AllowIV | AllowIX, false},
    {"c", 100, AllowC,
     AllowC | AllowL | AllowX | AllowV | AllowI | AllowXL | AllowXC | AllowIV | AllowIX, false},
    {"d", 500, AllowD,
     AllowC | AllowL | AllowX | AllowV | AllowI | AllowXL | AllowXC | AllowIV | AllowIX, false},
    {"m", 1000, AllowM, 0, true},
};

} // namespace

std::string pageNumberString(int number, int type)
{
    if (number < 1)
        return {};
    switch (type) {
    case PageNumberDecimal:
        return kit::formatString("%d", number);
    case PageNumberLowerRoman:
    case PageNumberUpperRoman:
        return ConvertToRoman(number, type);
    case PageNumberLowerLetters:
    case PageNumberUpperLetters:
        return ConvertToLetters(number, type);
    default:
        return {};
    }
}

std::string pageRangeString(int first, int last, int type)
{
    if (last == 0 || last == first)
        return pageNumberString(first, type);
    return pageNumberString(first, type) + "-" + pageNumberString(last, type);
}

std::string ConvertToRoman(int number, int type)
{
    if (number > 9999)
        return "????";
    std::string out;
    for (const Numeral& numeral : romanTable) {
        while (number >= numeral.value) {
            out += numeral.text;
            number -= numeral.value;
        }
    }
    if (type == PageNumberUpperRoman)
        for (char& c : out)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string ConvertToLetters(int number, int type)
{
    const char base = type == PageNumberUpperLetters ? 'A' : 'a';
    std::string out;
    while (number > 0) {
        out.insert(out.begin(), static_cast<char>(base + (number - 1) % 26));
        number = (number - 1) / 26;
    }
    return out;
}

int ConvertPageStringToNumber(const std::optional<std::string>& text, int type)
{
    if (!text)
        return 1;
    switch (type) {
    case PageNumberLowerLetters:
    case PageNumberUpperLetters:
        return ConvertFromLetters(*text);
    case PageNumberLowerRoman:
    case PageNumberUpperRoman:
        return ConvertFromRoman(*text);
    case PageNumberDecimal:
        return kit::Locale::parseInt(*text).value_or(0);
    default:
        return 1;
    }
}

int ConvertFromRoman(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && isBlank(static_cast<unsigned char>(text[i])))
        ++i;
    if (i == text.size())
        return -1;
    if (!isAsciiLetter(static_cast<unsigned char>(text[i])))
        return 0;
    long long value = 0;
    unsigned allowed = AllowAll;
    while (i < text.size() && isAsciiLetter(static_cast<unsigned char>(text[i]))) {
        const RomanToken* token = nullptr;
        for (const RomanToken& candidate : romanTokens) {
            const std::size_t n = std::strlen(candidate.text);
            if (i + n > text.size())
                continue;
            bool match = true;
            for (std::size_t k = 0; k < n; ++k)
                if (std::tolower(static_cast<unsigned char>(text[i + k])) != candidate.text[k])
                    match = false;
            if (match) {
                token = &candidate;
                break;
            }
        }
        if (!token || !(allowed & token->self))
            return -1;
        value += token->value;
        if (value > INT_MAX)
            value = INT_MAX;
        if (!token->keepsSet)
            allowed = token->follows;
        i += std::strlen(token->text);
    }
    return saturate(value);
}

int ConvertFromLetters(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && isBlank(static_cast<unsigned char>(text[i])))
        ++i;
    if (i == text.size())
        return -1;
    if (!isAsciiLetter(static_cast<unsigned char>(text[i])))
        return 0;
    long long value = 0;
    for (; i < text.size() && isAsciiLetter(static_cast<unsigned char>(text[i])); ++i) {
        const int letter = std::tolower(static_cast<unsigned char>(text[i])) - 'a' + 1;
        // Long input would overflow; no document has that many pages.
        value = value * 26 + letter;
        if (value > INT_MAX)
            return INT_MAX;
    }
    return static_cast<int>(value);
}
