#include "foundation/ZYNTime.h"

#include "core/Locale.h"

#include <algorithm>
#include <cstring>
#include <limits>

std::string preProcessStrftime(std::size_t outputSize, const std::string& format, const std::tm& time)
{
    std::string out;
    if (outputSize == 0)
        return out;
    const std::size_t limit = outputSize - 1;
    bool stopped = false;
    // An escape goes in whole or not at all: half of one would change what
    // strftime makes of the rest.
    auto append = [&](const std::string& text) {
        if (text.size() > 1 && text[0] == '%' && out.size() + text.size() > limit) {
            stopped = true;
            return;
        }
        for (char c : text) {
            if (out.size() >= limit)
                return;
            out += c;
        }
    };
    for (std::size_t i = 0; i < format.size() && out.size() < limit && !stopped; ++i) {
        const char c = format[i];
        if (c != '%') {
            append(std::string(1, c));
            continue;
        }
        if (i + 1 == format.size()) {
            append("%");
            break;
        }
        const char next = format[++i];
        switch (next) {
        case 'D':
            append(time.tm_mday < 10 ? std::to_string(time.tm_mday) : std::string("%d"));
            break;
        case 'i': {
            const int hour = time.tm_hour % 12;
            append(hour >= 1 && hour <= 9 ? std::to_string(hour) : std::string("%I"));
            break;
        }
        case 'n': {
            const int month = time.tm_mon + 1;
            append(month >= 1 && month <= 9 ? std::to_string(month) : std::string("%m"));
            break;
        }
        default:
            append(std::string{'%', next});
            break;
        }
    }
    return out;
}

namespace {

// The widest field an escape may ask for ("%_12d" pads to 12).
constexpr unsigned long MaxFieldWidth = 255;

// The C library reads a field width between an escape's flags and its
// conversion; a width of many digits would have one escape of a stored
// format fill megabytes. Wider fields are narrowed to the widest allowed.
std::string boundFieldWidths(const std::string& format)
{
    std::string out;
    out.reserve(format.size());
    std::size_t i = 0;
    while (i < format.size()) {
        const char c = format[i++];
        out += c;
        if (c != '%')
            continue;
        while (i < format.size() && format[i] != '\0' && std::strchr("_-0^#", format[i]))
            out += format[i++];
        const std::size_t digits = i;
        unsigned long width = 0;
        while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
            width = std::min(MaxFieldWidth + 1, width * 10 + static_cast<unsigned long>(format[i] - '0'));
            ++i;
        }
        if (i > digits)
            out += std::to_string(std::min(width, MaxFieldWidth));
        // One E or O modifier, then the conversion, whatever it is: a '%'
        // there ends this escape and starts no other ("%6O%%9Y" is "%6O%",
        // then "%9Y"; "%OO%9Y" is "%OO", then "%9Y").
        if (i < format.size() && (format[i] == 'E' || format[i] == 'O'))
            out += format[i++];
        if (i < format.size())
            out += format[i++];
    }
    return out;
}

} // namespace

std::string ZYNStrfTime(const std::string& format, const std::tm& time)
{
    // A fixed result buffer cut long formats short; neither step is bounded
    // here, but each escape's field is.
    std::string resolved = preProcessStrftime(std::numeric_limits<std::size_t>::max(), format, time);
    if (resolved.find('\0') != std::string::npos)
        resolved.resize(resolved.find('\0'));
    return kit::Locale::formatTime(time, boundFieldWidths(resolved));
}
