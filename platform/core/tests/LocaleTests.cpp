#include "core/Exception.h"
#include "core/Locale.h"
#include "core/ProcessInfo.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <unistd.h>

using kit::Locale;
using kit::ProcessInfo;

namespace {

// Puts the process under a comma-decimal German locale for one test, and
// the time zone at UTC so that dates are known; both are restored after.
class LocaleUnderGerman : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = std::setlocale(LC_ALL, nullptr);
        if (const char* tz = std::getenv("TZ"))
            savedZone_ = tz;
        setenv("TZ", "UTC", 1);
        tzset();
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
            GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed (tools/deps makes it)";
    }
    void TearDown() override
    {
        std::setlocale(LC_ALL, saved_.c_str());
        if (savedZone_)
            setenv("TZ", savedZone_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

    // What the C library itself does under the current locale.
    static std::string libraryFormat(double value)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", value);
        return text;
    }

    std::string saved_;
    std::optional<std::string> savedZone_;
};

} // namespace

TEST_F(LocaleUnderGerman, FormatsNumbersWithAPointWhateverTheProcessLocale)
{
    // The process really is under a decimal comma, or the test proves nothing.
    ASSERT_EQ(libraryFormat(3.5), "3,5");

    EXPECT_EQ(Locale::formatFloat(3.5, 1), "3.5");
    EXPECT_EQ(Locale::formatFloat(1.23456, 3), "1.235");
    EXPECT_EQ(Locale::formatFloat(2.0, -1), "2.000000");
    EXPECT_EQ(Locale::formatFloat(1.23456, "%.2f"), "1.23");
    EXPECT_EQ(Locale::formatFloat(0.5, "%g"), "0.5");
    EXPECT_EQ(Locale::formatFloat(12.5, "x=%7.2f%%"), "x=  12.50%");
    EXPECT_EQ(kit::formatString("%g %.3f %d %s", 1.5, 28.346457, -7, "pt"), "1.5 28.346 -7 pt");
    EXPECT_EQ(kit::formatString("%%%%BoundingBox: %d %d", 0, 612), "%%BoundingBox: 0 612");

    // The process locale is left as it was.
    EXPECT_EQ(libraryFormat(3.5), "3,5");
}

TEST_F(LocaleUnderGerman, ParsesNumbersWithAPointWhateverTheProcessLocale)
{
    struct Case {
        const char* text;
        std::optional<double> value;
        std::size_t consumed;
    };
    const Case cases[] = {
        {"3.5", 3.5, 3},
        {"3,5", 3.0, 1},
        {"  -2.25e2x", -225.0, 9},
        {"+.5", 0.5, 3},
        {"\t\n42", 42.0, 4},
        {"1e", 1.0, 1},
        {"7.", 7.0, 2},
        {"inf", INFINITY, 3},
        {"-1e999", -INFINITY, 6},
        {"1e-999", 0.0, 6},
        {"", std::nullopt, 0},
        {"   ", std::nullopt, 0},
        {"abc", std::nullopt, 0},
        {"-", std::nullopt, 0},
        {"+-3", std::nullopt, 0},
        {"--3", std::nullopt, 0},
        {".", std::nullopt, 0},
        {",5", std::nullopt, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::size_t consumed = 99;
        EXPECT_EQ(Locale::parseFloat(c.text, &consumed), c.value);
        EXPECT_EQ(consumed, c.consumed);
    }
    EXPECT_TRUE(std::isnan(*Locale::parseFloat("nan")));
    // The C library under this locale reads the comma instead.
    EXPECT_EQ(std::strtod("3,5", nullptr), 3.5);
}

TEST(LocaleNumbers, ParsesIntegersWithoutWrapping)
{
    struct Case {
        const char* text;
        std::optional<int> value;
        std::size_t consumed;
    };
    const Case cases[] = {
        {"42", 42, 2},
        {"  -7 pages", -7, 4},
        {"+8", 8, 2},
        {"3,5", 3, 1},
        {"3.5", 3, 1},
        {"007", 7, 3},
        {"2147483647", INT_MAX, 10},
        {"-2147483648", INT_MIN, 11},
        {"2147483648", std::nullopt, 0},
        {"-2147483649", std::nullopt, 0},
        {"99999999999999999999999", std::nullopt, 0},
        {"", std::nullopt, 0},
        {"x1", std::nullopt, 0},
        {"-", std::nullopt, 0},
        {"+-1", std::nullopt, 0},
        {"- 1", std::nullopt, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::size_t consumed = 99;
        EXPECT_EQ(Locale::parseInt(c.text, &consumed), c.value);
        EXPECT_EQ(consumed, c.consumed);
    }
    EXPECT_EQ(Locale::parseLongLong("-9223372036854775808"), LLONG_MIN);
    EXPECT_EQ(Locale::parseLongLong("9223372036854775808"), std::nullopt);
}

TEST(LocaleNumbers, FormatsLongTextsWhole)
{
    std::string wide = kit::formatString("[%400d]", 5);
    ASSERT_EQ(wide.size(), 402u);
    EXPECT_EQ(wide.substr(396), "    5]");
    std::string joined = kit::formatString("%s-%s", std::string(1000, 'a').c_str(), std::string(1000, 'b').c_str());
    EXPECT_EQ(joined, std::string(1000, 'a') + "-" + std::string(1000, 'b'));
    EXPECT_EQ(kit::formatString("%d-%s", 7, "x"), "7-x");
    EXPECT_EQ(kit::formatString("%s", ""), "");
}

TEST(LocaleNumbers, NumberFormatsThatWouldReadOtherArgumentsAreRefused)
{
    const char* bad[] = {"", "plain", "%s", "%d", "%f %f", "%n", "%*f", "%.*f", "%Lf", "abc%", "%.9999f", "%99999f", "%%"};
    for (const char* format : bad) {
        EXPECT_THROW(Locale::formatFloat(1.0, std::string(format)), kit::Exception) << format;
    }
    EXPECT_THROW(Locale::formatFloat(1.0, std::string("%f\0%s", 5)), kit::Exception);
    EXPECT_THROW(Locale::formatFloat(1.0, 100000), kit::Exception);
    const char* good[] = {"%f", "%e", "%G", "%a", "%-+ #010.3f", "%lf", "%.0f%%"};
    for (const char* format : good) {
        EXPECT_NO_THROW(Locale::formatFloat(1.0, std::string(format))) << format;
    }
}

TEST_F(LocaleUnderGerman, DatesFormatTheSameInEveryLocale)
{
    // 9 September 2001, 01:46:40 UTC, a Sunday.
    const double moment = 1000000000.0;
    const std::string format = "%A %d %B %Y %H:%M:%S %p %a %b %x %c";
    const std::string expected = "Sunday 09 September 2001 01:46:40 AM Sun Sep 09/09/01 Sun Sep  9 01:46:40 2001";
    EXPECT_EQ(ProcessInfo::formatDate(moment, format), expected);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(ProcessInfo::formatDate(moment, format), expected);

    EXPECT_EQ(ProcessInfo::formatDate(moment + 0.999, "%S"), "40");
    EXPECT_EQ(ProcessInfo::formatDate(0, "%Y-%m-%d"), "1970-01-01");
    EXPECT_EQ(ProcessInfo::formatDate(moment, ""), "");
    EXPECT_EQ(ProcessInfo::formatDate(moment, "%%"), "%");
    std::string longFormat;
    for (int i = 0; i < 100; ++i)
        longFormat += "%A ";
    EXPECT_EQ(ProcessInfo::formatDate(moment, longFormat).size(), 700u);
    EXPECT_THROW(ProcessInfo::formatDate(moment, std::string("%Y\0%m", 5)), kit::Exception);

    // Times outside what the C library takes stand for the epoch.
    EXPECT_EQ(ProcessInfo::formatDate(NAN, "%Y"), "1970");
    EXPECT_EQ(ProcessInfo::formatDate(1e300, "%Y"), "1970");

    setenv("TZ", "America/New_York", 1);
    EXPECT_EQ(ProcessInfo::formatDate(moment, "%H:%M"), "21:46"); // the local time zone
}

TEST_F(LocaleUnderGerman, UseCLocaleForNumbersResetsOnlyNumbersAndTimes)
{
    Locale::useCLocaleForNumbers();
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    EXPECT_STREQ(std::setlocale(LC_TIME, nullptr), "C");
    EXPECT_STRNE(std::setlocale(LC_CTYPE, nullptr), "C");
    EXPECT_EQ(libraryFormat(3.5), "3.5");
}

TEST(LocaleProcessInfo, NamesClockAndUser)
{
    EXPECT_EQ(ProcessInfo::processName(), "Scrivly");
    ProcessInfo::setProcessName("Other");
    EXPECT_EQ(ProcessInfo::processName(), "Other");
    ProcessInfo::setProcessName("Scrivly");

    EXPECT_EQ(ProcessInfo::processIdentifier(), static_cast<int>(getpid()));
    EXPECT_FALSE(ProcessInfo::hostName().empty());
    EXPECT_NE(ProcessInfo::globallyUniqueString(), ProcessInfo::globallyUniqueString());
    EXPECT_EQ(ProcessInfo::globallyUniqueString().find('/'), std::string::npos);

    ProcessInfo::setFixedCurrentTime(123.5);
    EXPECT_EQ(ProcessInfo::currentTime(), 123.5);
    ProcessInfo::setFixedCurrentTime(std::nullopt);
    EXPECT_GT(ProcessInfo::currentTime(), 1.6e9);

    std::optional<std::string> savedHome;
    if (const char* home = std::getenv("HOME"))
        savedHome = home;
    setenv("HOME", "/somewhere/home", 1);
    EXPECT_EQ(ProcessInfo::homeDirectory(), "/somewhere/home");
    unsetenv("HOME");
    std::string fromPasswordFile = ProcessInfo::homeDirectory();
    if (savedHome)
        setenv("HOME", savedHome->c_str(), 1);
    EXPECT_FALSE(fromPasswordFile.empty());
    EXPECT_EQ(fromPasswordFile[0], '/');
}
