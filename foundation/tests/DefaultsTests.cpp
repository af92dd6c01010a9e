#include "TestEnvironment.h"

#include "core/ProcessInfo.h"
#include "foundation/Defaults.h"

#include <cmath>

namespace {

class FoundationDefaults : public DefaultsFolderTest {};

TEST_F(FoundationDefaults, TypedValuesAreWrittenInTheirStringForms)
{
    struct Case {
        const char* key;
        std::function<void()> set;
        const char* stored;
    };
    const Case cases[] = {
        {"B1", [] { SetDefaultBoolValue("B1", true); }, "1"},
        {"B0", [] { SetDefaultBoolValue("B0", false); }, "0"},
        {"I", [] { SetDefaultIntValue("I", -42); }, "-42"},
        {"F1", [] { SetDefaultFloatValue("F1", 0.5f); }, "0.5"},
        {"F2", [] { SetDefaultFloatValue("F2", 12.0f); }, "12"},
        {"F3", [] { SetDefaultFloatValue("F3", 1e-7f); }, "1e-07"},
        {"S", [] { SetDefaultStringValue("S", std::string("caf\xc3\xa9")); }, "caf\xc3\xa9"},
    };
    for (const Case& c : cases) {
        c.set();
        EXPECT_EQ(defaults().stringForKey(c.key).value_or("<absent>"), c.stored) << c.key;
    }
}

TEST_F(FoundationDefaults, GettersLeaveValuesAloneForAbsentKeys)
{
    int i = 77;
    float f = 2.5f;
    bool b = true;
    EXPECT_FALSE(GetDefaultIntValue("Nothing", &i));
    EXPECT_FALSE(GetDefaultFloatValue("Nothing", &f));
    EXPECT_FALSE(GetDefaultBoolValue("Nothing", &b));
    EXPECT_EQ(i, 77);
    EXPECT_EQ(f, 2.5f);
    EXPECT_TRUE(b);
    std::optional<std::string> s = "old";
    EXPECT_TRUE(GetDefaultStringValue("Nothing", &s));
    EXPECT_FALSE(s.has_value());
    kit::Rect r = kit::makeRect(1, 2, 3, 4);
    EXPECT_TRUE(GetDefaultRect("Nothing", &r));
    EXPECT_EQ(r, kit::Rect{});
}

TEST_F(FoundationDefaults, StoredStringsReadAsNumbersLeniently)
{
    struct Case {
        const char* text;
        int asInt;
        float asFloat;
        bool asBool;
    };
    const Case cases[] = {
        {"12", 12, 12.0f, true},       {"  7x", 7, 7.0f, true},      {"0", 0, 0.0f, false},
        {"abc", 0, 0.0f, false},       {"2.75", 2, 2.75f, true},     {"", 0, 0.0f, false},
        {"99999999999", INT_MAX, 99999999999.0f, true},             {"-3", -3, -3.0f, true},
        // Non-finite floats and floats past the float range are no number.
        {"1e300", 1, 0.0f, true},      {"+inf", 0, 0.0f, false},     {"-nan", 0, 0.0f, false},
        {"-3.5e38", -3, 0.0f, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        defaults().setStringForKey(c.text, "K");
        int i = -1;
        float f = -1;
        bool b = !c.asBool;
        EXPECT_TRUE(GetDefaultIntValue("K", &i));
        EXPECT_TRUE(GetDefaultFloatValue("K", &f));
        EXPECT_TRUE(GetDefaultBoolValue("K", &b));
        EXPECT_EQ(i, c.asInt);
        EXPECT_FLOAT_EQ(f, c.asFloat);
        EXPECT_EQ(b, c.asBool);
    }
}

TEST_F(FoundationDefaults, RectanglesAndSizesInBothStringForms)
{
    const kit::Rect r = kit::makeRect(99, 41, 644.5f, 792);
    SetDefaultRect("R", r);
    kit::Rect back;
    GetDefaultRect("R", &back);
    EXPECT_EQ(back, r);
    // The factory value is the plain form.
    defaults().setStringForKey("99 41 644 792", "R");
    GetDefaultRect("R", &back);
    EXPECT_EQ(back, kit::makeRect(99, 41, 644, 792));
    SetDefaultSize("Z", kit::makeSize(612, 792));
    kit::Size size;
    GetDefaultSize("Z", &size);
    EXPECT_EQ(size, kit::makeSize(612, 792));
    defaults().setStringForKey("612 792", "Z");
    GetDefaultSize("Z", &size);
    EXPECT_EQ(size, kit::makeSize(612, 792));
}

TEST_F(FoundationDefaults, NoStringLeavesTheOldValue)
{
    SetDefaultStringValue("S", std::string("kept"));
    SetDefaultStringValue("S", std::optional<std::string>());
    SetDefaultStringValue("S", static_cast<const char*>(nullptr));
    EXPECT_EQ(defaults().stringForKey("S"), "kept");
}

TEST(FoundationDefaultsRange, BetweenIncludesBothEndsAndRefusesNaN)
{
    EXPECT_TRUE(between_(10.0f, 0.1f, 10.0f));
    EXPECT_TRUE(between_(0.1f, 0.1f, 10.0f));
    EXPECT_FALSE(between_(0.05f, 0.1f, 10.0f));
    EXPECT_FALSE(between_(10.01f, 0.1f, 10.0f));
    EXPECT_FALSE(between_(NAN, 0.1f, 10.0f));
}

TEST_F(FoundationDefaults, FactoryValuesGoOnceIntoAnEmptyDomain)
{
    Preferences::initialize();
    EXPECT_TRUE(Preferences::didInitializeDefaults());
    const auto domain = defaults().persistentDomainForName(kit::ProcessInfo::processName());
    EXPECT_EQ(domain.size(), 57u);
    EXPECT_EQ(domain.at("Visible"), "5");
    EXPECT_EQ(domain.at("WindowRect"), "99 41 644 792");
    EXPECT_EQ(domain.at("NSDate"), "%B %D, %Y");
    EXPECT_EQ(domain.at("FontBody"), "");
    EXPECT_EQ(domain.count("TextSmartPunct"), 0u);
    // Written to disk, not only held in memory.
    kit::UserDefaults::resetStandardUserDefaults();
    EXPECT_EQ(defaults().persistentDomainForName(kit::ProcessInfo::processName()).size(), 57u);
}

TEST_F(FoundationDefaults, FactoryValuesNeverOverwriteTheUsersValues)
{
    defaults().setStringForKey("3", "Units");
    ASSERT_TRUE(defaults().synchronize());
    kit::UserDefaults::resetStandardUserDefaults();
    Preferences::initialize();
    EXPECT_FALSE(Preferences::didInitializeDefaults());
    const auto domain = defaults().persistentDomainForName(kit::ProcessInfo::processName());
    EXPECT_EQ(domain.size(), 1u);
    EXPECT_EQ(domain.at("Units"), "3");
}

} // namespace
