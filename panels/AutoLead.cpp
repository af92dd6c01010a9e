#include "panels/AutoLead.h"

#include <cmath>
#include <cstdio>

bool isAutoLeadString(std::string_view text, std::optional<float>* offset)
{
    std::string_view rest = trimmedFieldText(text);
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
