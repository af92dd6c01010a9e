#include "core/NumberFormatter.h"

#include "core/Locale.h"
#include "core/Values.h"

#include <algorithm>
#include <cmath>

namespace kit {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string trimmed(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && isSpace(s[b]))
        ++b;
    while (e > b && isSpace(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The plain decimal syntax: [+-] digits [. digits] [(e|E) [+-] digits], at
// least one digit before the exponent. Words such as "inf" and "nan", which
// the C library would read, are refused.
bool isPlainNumber(const std::string& s, bool* hasFraction)
{
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < s.size() && isDigit(s[i]))
        ++i, ++digits;
    *hasFraction = false;
    if (i < s.size() && s[i] == '.') {
        ++i;
        size_t fraction = 0;
        while (i < s.size() && isDigit(s[i])) {
            if (s[i] != '0')
                *hasFraction = true;
            ++i, ++fraction;
        }
        digits += fraction;
    }
    if (digits == 0)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        size_t exponent = 0;
        while (i < s.size() && isDigit(s[i]))
            ++i, ++exponent;
        if (exponent == 0)
            return false;
        *hasFraction = true; // decided from the value below
    }
    return i == s.size();
}

} // namespace

void NumberFormatter::setMinimumFractionDigits(int digits)
{
    minimumFractionDigits_ = std::clamp(digits, 0, 15);
    maximumFractionDigits_ = std::max(maximumFractionDigits_, minimumFractionDigits_);
}

void NumberFormatter::setMaximumFractionDigits(int digits)
{
    maximumFractionDigits_ = std::max(std::clamp(digits, 0, 15), minimumFractionDigits_);
}

void NumberFormatter::setMinimum(std::optional<double> value)
{
    minimum_ = value && std::isfinite(*value) ? value : std::nullopt;
}

void NumberFormatter::setMaximum(std::optional<double> value)
{
    maximum_ = value && std::isfinite(*value) ? value : std::nullopt;
}

std::string NumberFormatter::stringForNumber(double value) const
{
    if (!std::isfinite(value))
        return std::string();
    std::string text = Locale::formatFloat(value, maximumFractionDigits_);
    size_t point = text.find('.');
    if (point != std::string::npos) {
        size_t keep = point + 1 + static_cast<size_t>(minimumFractionDigits_);
        while (text.size() > keep && text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    if (text == "-0")
        text = "0";
    return text;
}

std::string NumberFormatter::stringForObjectValue(const Object* value) const
{
    if (auto* number = dynamic_cast<const Number*>(value))
        return stringForNumber(number->doubleValue());
    if (auto* string = dynamic_cast<const String*>(value))
        return string->value();
    return std::string();
}

bool NumberFormatter::getObjectValue(std::unique_ptr<Object>* value, const std::string& string,
                                     std::string* error) const
{
    auto fail = [error](const char* why) {
        if (error)
            *error = why;
        return false;
    };
    std::string text = trimmed(string);
    if (text.empty()) {
        if (!allowsEmpty_)
            return fail("A number is needed here.");
        if (value)
            value->reset();
        return true;
    }
    bool hasFraction = false;
    if (!isPlainNumber(text, &hasFraction))
        return fail("This is not a number.");
    std::optional<double> parsed = Locale::parseFloat(text);
    if (!parsed || !std::isfinite(*parsed))
        return fail("This number is too large.");
    double v = *parsed;
    if (!allowsFloats_ && v != std::trunc(v))
        return fail("A whole number is needed here.");
    if (minimum_ && v < *minimum_)
        return fail("This number is too small.");
    if (maximum_ && v > *maximum_)
        return fail("This number is too large.");
    if (value) {
        if (!allowsFloats_ && std::fabs(v) < 2147483648.0)
            *value = std::make_unique<Number>(static_cast<int>(v));
        else
            *value = std::make_unique<Number>(v);
    }
    return true;
}

bool NumberFormatter::isPartialStringValid(const std::string& partialString, std::string* error) const
{
    bool negativeAllowed = !minimum_ || *minimum_ < 0;
    bool seenPoint = false;
    for (size_t i = 0; i < partialString.size(); ++i) {
        char c = partialString[i];
        if (isDigit(c) || (isSpace(c) && (i == 0 || i + 1 == partialString.size())))
            continue;
        if (i == 0 && (c == '+' || (c == '-' && negativeAllowed)))
            continue;
        if (c == '.' && allowsFloats_ && !seenPoint) {
            seenPoint = true;
            continue;
        }
        if (error)
            *error = "Only a number can be typed here.";
        return false;
    }
    return true;
}

} // namespace kit
