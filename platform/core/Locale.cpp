#include "core/Locale.h"

#include "core/Exception.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <vector>

namespace kit {

namespace {

locale_t cLocale()
{
    // Made once and kept for the life of the process: every formatter uses it.
    static locale_t locale = [] {
        locale_t made = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
        if (made == static_cast<locale_t>(nullptr))
            Exception::raise(InternalInconsistencyException, "cannot make the C locale");
        return made;
    }();
    return locale;
}

// The C locale as the calling thread's locale while the object lives; the
// process locale (whatever Qt or the environment set) is left alone.
class CLocaleScope {
public:
    CLocaleScope() : previous_(uselocale(cLocale())) {}
    ~CLocaleScope() { uselocale(previous_); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t previous_;
};

bool isCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Width and precision are bounded so that a stored format cannot ask for a
// gigabyte of padding.
constexpr int kMaxFieldDigits = 512;

// Checks that format holds exactly one floating conversion and nothing that
// would read another argument.
void checkFloatFormat(const std::string& format)
{
    int conversions = 0;
    auto bad = [&](const char* why) {
        Exception::raise(InvalidArgumentException, std::string("bad number format \"") + format + "\": " + why);
    };
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '\0')
            bad("contains a NUL byte");
        if (format[i] != '%')
            continue;
        ++i;
        if (i < format.size() && format[i] == '%')
            continue;
        while (i < format.size() && (format[i] == '-' || format[i] == '+' || format[i] == ' ' || format[i] == '#' || format[i] == '0'))
            ++i;
        int width = 0;
        while (i < format.size() && isDigit(format[i])) {
            width = width * 10 + (format[i] - '0');
            if (width > kMaxFieldDigits)
                bad("field width too large");
            ++i;
        }
        if (i < format.size() && format[i] == '.') {
            ++i;
            int precision = 0;
            while (i < format.size() && isDigit(format[i])) {
                precision = precision * 10 + (format[i] - '0');
                if (precision > kMaxFieldDigits)
                    bad("precision too large");
                ++i;
            }
        }
        if (i < format.size() && format[i] == 'l')
            ++i; // "%lf" means the same as "%f" in printf
        if (i >= format.size())
            bad("ends inside a conversion");
        switch (format[i]) {
        case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'a': case 'A':
            ++conversions;
            break;
        default:
            bad("only one floating conversion is allowed");
        }
    }
    if (conversions != 1)
        bad("needs exactly one floating conversion");
}

} // namespace

void Locale::useCLocaleForNumbers()
{
    std::setlocale(LC_NUMERIC, "C");
    std::setlocale(LC_TIME, "C");
}

std::string vformatString(const char* format, std::va_list args)
{
    if (format == nullptr)
        return {};
    CLocaleScope scope;
    char small[256];
    std::va_list again;
    va_copy(again, args);
    int length = std::vsnprintf(small, sizeof small, format, args);
    if (length < 0) {
        va_end(again);
        Exception::raise(InvalidArgumentException, std::string("cannot format \"") + format + "\"");
    }
    if (static_cast<std::size_t>(length) < sizeof small) {
        va_end(again);
        return std::string(small, static_cast<std::size_t>(length));
    }
    std::string result(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(result.data(), result.size(), format, again);
    va_end(again);
    result.resize(static_cast<std::size_t>(length));
    return result;
}

std::string formatString(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    try {
        std::string result = vformatString(format, args);
        va_end(args);
        return result;
    } catch (...) {
        va_end(args);
        throw;
    }
}

std::string Locale::formatFloat(double value, int precision)
{
    if (precision < 0)
        precision = 6;
    if (precision > kMaxFieldDigits)
        Exception::raise(InvalidArgumentException, "number precision too large: " + std::to_string(precision));
    return formatString("%.*f", precision, value);
}

std::string Locale::formatFloat(double value, const std::string& printfFormat)
{
    checkFloatFormat(printfFormat);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    return formatString(printfFormat.c_str(), value);
#pragma GCC diagnostic pop
}

std::string Locale::formatTime(const std::tm& time, const std::string& strftimeFormat)
{
    if (strftimeFormat.find('\0') != std::string::npos)
        Exception::raise(InvalidArgumentException, "time format contains a NUL byte");
    // strftime answers 0 both for an empty result and for one that did not
    // fit; a trailing space makes the result never empty, so 0 means "grow".
    const std::string format = strftimeFormat + " ";
    const std::size_t limit = 256 + format.size() * 256;
    for (std::size_t size = 128; size <= limit; size *= 2) {
        std::vector<char> buffer(size);
        std::size_t length = strftime_l(buffer.data(), buffer.size(), format.c_str(), &time, cLocale());
        if (length > 0)
            return std::string(buffer.data(), length - 1);
    }
    Exception::raise(InvalidArgumentException, "time format gives too long a text: \"" + strftimeFormat + "\"");
}

std::optional<double> Locale::parseFloat(std::string_view text, std::size_t* consumed)
{
    if (consumed)
        *consumed = 0;
    std::size_t i = 0;
    while (i < text.size() && isCSpace(text[i]))
        ++i;
    const std::size_t numberStart = i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // from_chars takes its own minus sign; a second sign is not a number.
    if (i >= text.size() || text[i] == '+' || text[i] == '-')
        return std::nullopt;

    double value = 0;
    const char* begin = text.data() + i;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(begin, end, value, std::chars_format::general);
    if (ptr == begin)
        return std::nullopt;
    if (ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone; strtod says whether it overflowed
        // (infinity) or underflowed (zero or a denormal).
        std::string digits(text.substr(numberStart, static_cast<std::size_t>(ptr - text.data()) - numberStart));
        value = strtod_l(digits.c_str(), nullptr, cLocale());
        negative = false;
    } else if (ec != std::errc()) {
        return std::nullopt;
    }
    if (consumed)
        *consumed = static_cast<std::size_t>(ptr - text.data());
    return negative ? -value : value;
}

std::optional<long long> Locale::parseLongLong(std::string_view text, std::size_t* consumed)
{
    if (consumed)
        *consumed = 0;
    std::size_t i = 0;
    while (i < text.size() && isCSpace(text[i]))
        ++i;
    std::size_t digitsStart = i;
    if (i < text.size() && text[i] == '+')
        digitsStart = ++i;
    else if (i < text.size() && text[i] == '-')
        ++i; // from_chars reads the minus itself, so that LLONG_MIN fits
    if (i >= text.size() || !isDigit(text[i]))
        return std::nullopt;
    long long value = 0;
    auto [ptr, ec] = std::from_chars(text.data() + digitsStart, text.data() + text.size(), value, 10);
    if (ec != std::errc())
        return std::nullopt;
    if (consumed)
        *consumed = static_cast<std::size_t>(ptr - text.data());
    return value;
}

std::optional<int> Locale::parseInt(std::string_view text, std::size_t* consumed)
{
    std::size_t used = 0;
    std::optional<long long> value = parseLongLong(text, &used);
    if (consumed)
        *consumed = 0;
    if (!value || *value < INT_MIN || *value > INT_MAX)
        return std::nullopt;
    if (consumed)
        *consumed = used;
    return static_cast<int>(*value);
}

} // namespace kit
