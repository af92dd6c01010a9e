#pragma once

#include "core/Formatter.h"

#include <optional>

namespace kit {

// Numbers in the "C" locale (a point before the fraction, whatever the
// user's environment says), with optional limits. Values are kit::Number.
class NumberFormatter : public Formatter {
public:
    std::string className() const override { return "NSNumberFormatter"; }

    // Fraction digits written: at least the minimum, at most the maximum,
    // trailing zeros beyond the minimum dropped ("2.5" with 0 to 3 digits,
    // "2.500" with 3 to 3).
    int minimumFractionDigits() const { return minimumFractionDigits_; }
    int maximumFractionDigits() const { return maximumFractionDigits_; }
    // Clamped to 0..15; the maximum is raised to the minimum.
    void setMinimumFractionDigits(int digits);
    void setMaximumFractionDigits(int digits);

    // Whether a fraction is accepted at all (with NO only whole numbers read).
    bool allowsFloats() const { return allowsFloats_; }
    void setAllowsFloats(bool flag) { allowsFloats_ = flag; }

    // Inclusive limits; a value outside is refused, never clamped. A
    // non-finite limit is taken as none.
    std::optional<double> minimum() const { return minimum_; }
    std::optional<double> maximum() const { return maximum_; }
    void setMinimum(std::optional<double> value);
    void setMaximum(std::optional<double> value);

    // Empty text reads as no value (nil) when allowed; refused otherwise.
    bool allowsEmpty() const { return allowsEmpty_; }
    void setAllowsEmpty(bool flag) { allowsEmpty_ = flag; }

    std::string stringForObjectValue(const Object* value) const override;
    std::string stringForNumber(double value) const;
    // Accepts an optional sign, digits, an optional fraction and exponent,
    // white space around; refuses anything else, non-finite results and
    // values outside the limits.
    bool getObjectValue(std::unique_ptr<Object>* value, const std::string& string,
                        std::string* error) const override;
    // A sign (minus only when negative values can pass), digits and, when
    // fractions are allowed, one point.
    bool isPartialStringValid(const std::string& partialString, std::string* error) const override;

private:
    int minimumFractionDigits_ = 0;
    int maximumFractionDigits_ = 6;
    bool allowsFloats_ = true;
    bool allowsEmpty_ = false;
    std::optional<double> minimum_;
    std::optional<double> maximum_;
};

} // namespace kit
