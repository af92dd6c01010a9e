#include "panels/AutoLead.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}
} // namespace

std::optional<float> parseFieldNumber(std::string_view text)
{
    text = trimmed(text);
    // Anything longer is no number a user means.
    if (text.empty() || text.size() > 64)
        return std::nullopt;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-' || c == 'e' || c == 'E'))
            return std::nullopt;
    const std::string copy(text);
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || errno == ERANGE || !std::isfinite(value) ||
        std::fabs(value) > double(std::numeric_limits<float>::max()))
        return std::nullopt;
    return static_cast<float>(value);
}

bool isAutoLeadString(std::string_view text, std::optional<float>* offset)
{
    std::string_view rest = trimmed(text);
    if (rest.empty() || (rest.front() != '+' && rest.front() != '-'))
        return false;
    if (offset)
        *offset = parseFieldNumber(rest);
    return true;
}

std::optional<float> storedLeadingFromText(std::string_view text)
{
    std::optional<float> offset;
    if (isAutoLeadString(text, &offset)) {
        if (!offset)
            return std::nullopt;
        const float stored = AutoLeadingBase + *offset;
        if (!std::isfinite(stored) || stored <= MaxFixedLeading)
            return std::nullopt;
        return stored;
    }
    const std::optional<float> fixed = parseFieldNumber(text);
    if (!fixed || *fixed < 0.0f || *fixed > MaxFixedLeading)
        return std::nullopt;
    return fixed;
}

std::string autoLeadText(float stored)
{
    const float offset = stored - AutoLeadingBase;
    return formatNumber(offset >= 0.0f ? "+%2.1f" : "%2.1f", offset);
}

std::string formatNumber(const char* format, double value)
{
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, format, value);
    if (n < 0)
        return std::string();
    if (n < int(sizeof buffer))
        return std::string(buffer, std::size_t(n));
    std::string large(std::size_t(n) + 1, '\0');
    std::snprintf(large.data(), large.size(), format, value);
    large.resize(std::size_t(n));
    return large;
}
