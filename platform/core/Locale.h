#pragma once

#include <cstdarg>
#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace kit {

// Numbers and dates that go to text (defaults, PostScript, stored files) are
// always written and read in the "C" locale, whatever the user's environment
// says: a decimal comma in a PostScript file or a defaults value breaks it.
class Locale {
public:
    // Sets LC_NUMERIC and LC_TIME of the process to "C". The application kit
    // calls this right after Qt has set the locale from the environment.
    static void useCLocaleForNumbers();

    // "%.*f" of the value with that precision; a negative precision means 6,
    // as in printf, and one above 512 throws kit::Exception. Always '.' as
    // the decimal point.
    static std::string formatFloat(double value, int precision);

    // The value formatted with a printf format holding exactly one floating
    // conversion (f F e E g G a A, with flags, width and precision digits but
    // no '*'), any other text and "%%" around it. "%.2f", "%g" and "x=%5.1f%%"
    // are fine; anything else (no conversion, two, "%s", "%n", "%*f") throws
    // kit::Exception (InvalidArgumentException) rather than reach vsnprintf.
    static std::string formatFloat(double value, const std::string& printfFormat);

    // Reads the number at the start of text as strtod would in the "C" locale:
    // leading white space is skipped, then the longest prefix that is a
    // number is read ("3,5" reads 3, "12abc" reads 12, "1e5" reads 100000,
    // "inf" and "nan" are read too; hexadecimal floats are not: "0x10"
    // reads 0). Nothing numeric at the start answers
    // nullopt. A value too large for a double gives plus or minus infinity,
    // one too small gives zero, as strtod does. When consumed is given it
    // receives the number of bytes read, white space included (0 on failure).
    static std::optional<double> parseFloat(std::string_view text, std::size_t* consumed = nullptr);

    // Reads a decimal integer at the start of text: leading white space, an
    // optional sign, digits; reading stops at the first other character
    // ("3,5" and "3.5" read 3). Nothing numeric at the start, or a value
    // outside the range of int, answers nullopt (never a wrapped value).
    static std::optional<int> parseInt(std::string_view text, std::size_t* consumed = nullptr);
    static std::optional<long long> parseLongLong(std::string_view text, std::size_t* consumed = nullptr);

    // strftime of the broken-down time in the "C" locale (English month and
    // day names, "AM"/"PM"), with no limit on the result's length. A format
    // with a NUL byte throws kit::Exception (InvalidArgumentException).
    static std::string formatTime(const std::tm& time, const std::string& strftimeFormat);
};

// printf-style formatting in the "C" locale, whatever the process locale is;
// the result has no length limit. Defaults and the PostScript writers use it.
std::string formatString(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string vformatString(const char* format, std::va_list args) __attribute__((format(printf, 1, 0)));

} // namespace kit
