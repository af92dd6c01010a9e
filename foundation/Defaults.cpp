#include "foundation/Defaults.h"

#include "core/Locale.h"
#include "core/UserDefaults.h"

#include <climits>
#include <cmath>
#include <limits>

namespace {
kit::UserDefaults& defaults() { return kit::UserDefaults::standardUserDefaults(); }
} // namespace

int DefaultsIntFromString(const std::string& text)
{
    // The platform's reading saturates instead of wrapping.
    auto value = kit::Locale::parseLongLong(text);
    if (!value) {
        // An overlong number is still a number: saturate by its sign.
        std::size_t i = text.find_first_not_of(" \t\n\r\f\v");
        if (i == std::string::npos)
            return 0;
        bool negative = text[i] == '-';
        if (text[i] == '-' || text[i] == '+')
            ++i;
        if (i < text.size() && text[i] >= '0' && text[i] <= '9')
            return negative ? INT_MIN : INT_MAX;
        return 0;
    }
    if (*value > INT_MAX)
        return INT_MAX;
    if (*value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(*value);
}

float DefaultsFloatFromString(const std::string& text)
{
    // Infinity, NaN and what does not fit a float are no number: a zoom or a
    // line width of infinity would poison every computation that used it.
    auto value = kit::Locale::parseFloat(text);
    if (!value || !std::isfinite(*value) || std::fabs(*value) > double(std::numeric_limits<float>::max()))
        return 0.0f;
    return static_cast<float>(*value);
}

bool GetDefaultBoolValue(const std::string& key, bool* value)
{
    auto text = defaults().stringForKey(key);
    if (!text)
        return false;
    if (value)
        *value = DefaultsIntFromString(*text) != 0;
    return true;
}

bool GetDefaultIntValue(const std::string& key, int* value)
{
    auto text = defaults().stringForKey(key);
    if (!text)
        return false;
    if (value)
        *value = DefaultsIntFromString(*text);
    return true;
}

bool GetDefaultFloatValue(const std::string& key, float* value)
{
    auto text = defaults().stringForKey(key);
    if (!text)
        return false;
    if (value)
        *value = DefaultsFloatFromString(*text);
    return true;
}

bool GetDefaultRect(const std::string& key, kit::Rect* rect)
{
    if (rect)
        *rect = kit::rectFromString(defaults().stringForKey(key).value_or(""));
    return true;
}

bool GetDefaultSize(const std::string& key, kit::Size* size)
{
    if (size)
        *size = kit::sizeFromString(defaults().stringForKey(key).value_or(""));
    return true;
}

bool GetDefaultStringValue(const std::string& key, std::optional<std::string>* value)
{
    if (value)
        *value = defaults().stringForKey(key);
    return true;
}

bool SetDefaultBoolValue(const std::string& key, bool value)
{
    defaults().setStringForKey(value ? "1" : "0", key);
    return true;
}

bool SetDefaultIntValue(const std::string& key, int value)
{
    defaults().setStringForKey(kit::formatString("%d", value), key);
    return true;
}

bool SetDefaultFloatValue(const std::string& key, float value)
{
    defaults().setStringForKey(kit::formatString("%g", static_cast<double>(value)), key);
    return true;
}

bool SetDefaultRect(const std::string& key, const kit::Rect& rect)
{
    defaults().setStringForKey(kit::stringFromRect(rect), key);
    return true;
}

bool SetDefaultSize(const std::string& key, const kit::Size& size)
{
    defaults().setStringForKey(kit::stringFromSize(size), key);
    return true;
}

bool SetDefaultStringValue(const std::string& key, const std::optional<std::string>& value)
{
    if (value)
        defaults().setStringForKey(*value, key);
    return true;
}

bool SetDefaultStringValue(const std::string& key, const char* value)
{
    if (value)
        defaults().setStringForKey(value, key);
    return true;
}

bool between_(float value, float low, float high)
{
    return low <= value && value <= high;
}
