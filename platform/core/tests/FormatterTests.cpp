#include "core/NumberFormatter.h"
#include "core/Values.h"

#include <gtest/gtest.h>

using namespace kit;

TEST(NumberFormatterTest, ReadsOnlyWholePlainNumbersWithinItsLimits)
{
    NumberFormatter f;
    f.setMinimum(-10.0);
    f.setMaximum(100.0);
    struct Case {
        const char* text;
        bool accepted;
        double value;
    } cases[] = {
        {"42", true, 42},      {" 7.5 ", true, 7.5}, {"-10", true, -10}, {"1e2", true, 100},
        {"100.01", false, 0},  {"-11", false, 0},    {"", false, 0},     {"12abc", false, 0},
        {"nan", false, 0},     {"inf", false, 0},    {"1e999", false, 0}, {"0x10", false, 0},
        {"3,5", false, 0},     {".5", true, 0.5},    {"-", false, 0},
    };
    for (const Case& c : cases) {
        std::unique_ptr<Object> value;
        std::string error;
        bool ok = f.getObjectValue(&value, c.text, &error);
        EXPECT_EQ(ok, c.accepted) << c.text;
        if (ok) {
            ASSERT_TRUE(value) << c.text;
            EXPECT_DOUBLE_EQ(static_cast<Number*>(value.get())->doubleValue(), c.value) << c.text;
        } else {
            EXPECT_FALSE(error.empty()) << c.text;
        }
    }
    f.setAllowsFloats(false);
    EXPECT_FALSE(f.getObjectValue(nullptr, "2.5", nullptr));
    EXPECT_FALSE(f.isPartialStringValid("2.", nullptr));
    EXPECT_TRUE(f.isPartialStringValid("-2", nullptr));
    f.setMinimum(0.0);
    EXPECT_FALSE(f.isPartialStringValid("-", nullptr));
    EXPECT_FALSE(f.isPartialStringValid("1a", nullptr));

    NumberFormatter digits;
    digits.setMaximumFractionDigits(3);
    EXPECT_EQ(digits.stringForNumber(2.5), "2.5");
    EXPECT_EQ(digits.stringForNumber(2.0), "2");
    EXPECT_EQ(digits.stringForNumber(-0.0001), "0");
    EXPECT_EQ(digits.stringForNumber(1.23456), "1.235");
}

