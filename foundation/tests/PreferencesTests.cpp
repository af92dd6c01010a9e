#include "TestEnvironment.h"

#include "core/EventState.h"
#include "core/ProcessInfo.h"
#include "foundation/Defaults.h"
#include "graphics/Font.h"

#include <cmath>

namespace {

class FoundationPreferences : public DefaultsFolderTest {};

TEST_F(FoundationPreferences, FirstRunFactoryValuesOverrideTheBuiltInOnes)
{
    Preferences* prefs = makeDelegate().preferences();
    EXPECT_EQ(prefs->hyphenate(), 0);
    EXPECT_EQ(prefs->hungPunctuation(), 0);
    EXPECT_EQ(prefs->visibleMask(), 5);
    EXPECT_EQ(prefs->smartPunctuation(), 1); // no factory value
    EXPECT_EQ(prefs->language(), "English");
    EXPECT_EQ(prefs->languageId(), 0);
    EXPECT_EQ(prefs->windowFrame(), kit::makeRect(99, 41, 644, 792));
    EXPECT_EQ(prefs->units(), 2);
    EXPECT_EQ(prefs->decimalTabChar(), '.');
    EXPECT_EQ(prefs->dateFormat(), "%B %D, %Y");
    EXPECT_EQ(prefs->pageSize(), kit::makeSize(612, 792));
    ASSERT_NE(prefs->bodyFont(), nullptr);
    EXPECT_FLOAT_EQ(prefs->headlineFont()->pointSize(), 3.0f * prefs->bodyFont()->pointSize());
    EXPECT_FLOAT_EQ(prefs->captionFont()->pointSize(), 0.75f * prefs->bodyFont()->pointSize());
    // Loading leaves nothing to store but the folders it set.
    EXPECT_FALSE(prefs->textDirty());
}

TEST_F(FoundationPreferences, StoredValuesAreReadBack)
{
    Preferences::initialize();
    defaults().setStringForKey("", "DecimalTabChar");
    defaults().setStringForKey("French", "TextLanguage");
    defaults().setStringForKey("1", "Units");
    defaults().setStringForKey("1", "TextSmartPunct");
    defaults().setStringForKey("10 20 300 400", "WindowRect");
    defaults().setStringForKey("Times-Roman", "FontBody");
    defaults().setStringForKey("14", "FontBodySize");
    defaults().setStringForKey("NoSuchFont", "FontHeadline");
    defaults().setStringForKey("30", "FontHeadlineSize");
    Preferences* prefs = makeDelegate().preferences();
    EXPECT_EQ(prefs->decimalTabChar(), '.');
    EXPECT_EQ(prefs->language(), "French1");
    EXPECT_EQ(prefs->languageId(), 4);
    EXPECT_EQ(prefs->units(), 1);
    EXPECT_EQ(prefs->windowFrame(), kit::makeRect(10, 20, 300, 400));
    ASSERT_NE(prefs->bodyFont(), nullptr);
    EXPECT_EQ(prefs->bodyFont()->fontName(), "Times-Roman");
    EXPECT_FLOAT_EQ(prefs->bodyFont()->pointSize(), 14.0f);
    // An unknown face keeps the built-in headline font.
    ASSERT_NE(prefs->headlineFont(), nullptr);
    EXPECT_NE(prefs->headlineFont()->fontName(), "NoSuchFont");
}

TEST_F(FoundationPreferences, OldLanguageNamesAndLanguageIds)
{
    struct Case {
        const char* stored;
        const char* language;
        int id;
    };
    const Case cases[] = {
        {"Norwegian", "Nynorsk", 8}, {"French", "French1", 4}, {"German", "German", 5},
        {"Bokmal", "Bokmal", 7},     {"Klingon", "Klingon", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        ScrivlyPreferences::resetClassSetUp();
        Preferences::initialize();
        defaults().setStringForKey(c.stored, "TextLanguage");
        auto prefs = Preferences::create<Preferences>();
        EXPECT_EQ(prefs->language(), c.language);
        EXPECT_EQ(prefs->languageId(), c.id);
    }
}

TEST_F(FoundationPreferences, DictionaryNames)
{
    auto prefs = Preferences::create<Preferences>();
    const std::pair<const char*, const char*> cases[] = {
        {"English", "American.dct"}, {"Nynorsk", "Norwegian.dct"}, {"Bokmal", "Norwegian.dct"}, {"German", "German.dct"}};
    for (const auto& [language, dict] : cases) {
        prefs->setLanguage(std::string(language));
        EXPECT_EQ(prefs->spellCheckDictName(), dict);
    }
}

TEST_F(FoundationPreferences, ADomainWithoutALanguageKeepsTheBuiltInOne)
{
    // Defaults of an older release: other keys, no "TextLanguage" (or an
    // empty one), so no factory values are registered either.
    for (const char* stored : {static_cast<const char*>(nullptr), ""}) {
        SCOPED_TRACE(stored ? "empty" : "absent");
        ScrivlyPreferences::resetClassSetUp();
        defaults().setStringForKey("1", "Units");
        if (stored)
            defaults().setStringForKey(stored, "TextLanguage");
        defaults().synchronize();
        auto prefs = Preferences::create<Preferences>();
        EXPECT_FALSE(Preferences::didInitializeDefaults());
        EXPECT_EQ(prefs->units(), 1);
        EXPECT_EQ(prefs->language(), "English");
        EXPECT_EQ(prefs->spellCheckDictName(), "American.dct");
        EXPECT_FALSE(prefs->textDirty());
    }
}

TEST_F(FoundationPreferences, IncrementsWithModifiersAndZoom)
{
    auto prefs = Preferences::create<Preferences>();
    // Factory: alternate 3, shift 0.5, move 1, indents 12.
    struct Case {
        int type;
        unsigned flags;
        float zoom;
        float expected;
    };
    const Case cases[] = {
        {IncrementMove, 0, 1.0f, 1.0f},
        {IncrementMove, kit::AlternateKeyMask, 1.0f, 3.0f},
        {IncrementMove, kit::ShiftKeyMask, 1.0f, 0.5f},
        {IncrementMove, kit::AlternateKeyMask | kit::ShiftKeyMask, 2.0f, 0.5f},
        {IncrementMove, kit::AlternateKeyMask | kit::CommandKeyMask, 1.0f, 3.0f},
        {IncrementIndents, kit::ShiftKeyMask, 4.0f, 1.5f},
        {IncrementIndents, 0, 0.5f, 12.0f}, // zoom below 1 does not enlarge
        {99, kit::AlternateKeyMask, 1.0f, 3.0f},
    };
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(prefs->incrementForType(c.type, c.flags, c.zoom), c.expected)
            << c.type << " " << std::hex << c.flags << " " << c.zoom;
    kit::setCurrentEventModifierFlags(kit::AlternateKeyMask);
    EXPECT_FLOAT_EQ(prefs->flagsIncrement(IncrementIndents), 36.0f);
    kit::setCurrentEventModifierFlags(0);
    EXPECT_FLOAT_EQ(prefs->simpleIncrement(IncrementAboveBelow), 2.0f);
}

TEST_F(FoundationPreferences, IncrementRangesAndGroups)
{
    auto prefs = Preferences::create<Preferences>();
    struct Case {
        float value;
        int type;
        bool accepted;
        bool textGroup;
    };
    const Case cases[] = {
        {10.0f, IncrementMove, true, false},   {10.01f, IncrementMove, false, false},
        {0.1f, IncrementRotate, true, false},  {0.09f, IncrementLineWidth, false, false},
        {-5.0f, IncrementTabs, false, true},   {72.0f, IncrementTabs, true, true},
        {-20.0f, IncrementLeading, true, true}, {20.5f, IncrementBullet, false, true},
        {NAN, IncrementSpacing, false, true},  {5.0f, IncrementRunaround, true, false},
        {5.0f, 99, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " type " << c.type);
        prefs->storeDefaults(); // clears both groups
        const float before = prefs->simpleIncrement(c.type);
        prefs->setIncrement(c.value, c.type);
        if (c.accepted) {
            EXPECT_FLOAT_EQ(prefs->simpleIncrement(c.type), c.value);
            EXPECT_EQ(prefs->textDirty(), c.textGroup);
            EXPECT_EQ(prefs->generalDirty(), !c.textGroup);
        } else {
            EXPECT_FLOAT_EQ(prefs->simpleIncrement(c.type), before);
            EXPECT_FALSE(prefs->textDirty() || prefs->generalDirty());
        }
    }
}

TEST_F(FoundationPreferences, MultipliersWithinTheirRange)
{
    auto prefs = Preferences::create<Preferences>();
    prefs->setMultiplier(0.05f, kit::AlternateKeyMask);
    EXPECT_FLOAT_EQ(prefs->multiplierForMask(kit::AlternateKeyMask), 0.05f);
    prefs->setMultiplier(0.04f, kit::AlternateKeyMask);
    EXPECT_FLOAT_EQ(prefs->multiplierForMask(kit::AlternateKeyMask), 0.05f);
    prefs->setMultiplier(100.0f, kit::ShiftKeyMask);
    EXPECT_FLOAT_EQ(prefs->multiplierForMask(kit::ShiftKeyMask), 100.0f);
    // Both keys select no multiplier, and none can be set.
    prefs->setMultiplier(7.0f, kit::ShiftKeyMask | kit::AlternateKeyMask);
    EXPECT_FLOAT_EQ(prefs->multiplierForMask(kit::ShiftKeyMask | kit::AlternateKeyMask), 1.0f);
    EXPECT_FLOAT_EQ(prefs->multiplierForMask(kit::ShiftKeyMask), 100.0f);
}

TEST_F(FoundationPreferences, LineWidthRefusesNegativesKeepsHairlineAndCaps)
{
    auto prefs = Preferences::create<Preferences>();
    struct Case {
        float value;
        float expected;
    };
    const Case cases[] = {{-1.0f, 1.0f}, {0.0f, 0.0f}, {-0.5f, 0.0f}, {NAN, 0.0f}, {80.0f, 50.0f}, {2.5f, 2.5f}};
    for (const Case& c : cases) {
        prefs->setLineWidth(c.value);
        EXPECT_FLOAT_EQ(prefs->lineWidth(), c.expected) << c.value;
    }
}

TEST_F(FoundationPreferences, DashAndArrowLists)
{
    auto prefs = Preferences::create<Preferences>();
    ASSERT_EQ(prefs->numDashes(), 5);
    ASSERT_EQ(prefs->numArrows(), 5);
    // Built from the last built-in entry to the first.
    EXPECT_EQ(prefs->dashAt(0)->count, 8);
    EXPECT_EQ(prefs->dashAt(4)->count, 0);
    EXPECT_EQ(prefs->arrowAt(0)->kind, 3);
    EXPECT_EQ(prefs->arrowAt(4)->kind, 0);
    EXPECT_EQ(prefs->dashAt(5), nullptr);
    EXPECT_EQ(prefs->dashAt(-1), nullptr);
    EXPECT_EQ(prefs->arrowAt(5), nullptr);
    EXPECT_EQ(prefs->findIndexForDash(nullptr), 0);
    GxDash dash;
    dash.count = 2;
    dash.values[0] = 4;
    dash.values[1] = 2;
    dash.values[5] = 99; // beyond count: not compared
    EXPECT_EQ(prefs->findIndexForDash(&dash), 1);
    GxArrow arrow;
    arrow.kind = 2;
    arrow.count = 2;
    arrow.points[0] = {-2, -2};
    arrow.points[1] = {4, 4};
    EXPECT_EQ(prefs->findIndexForArrow(&arrow), 1);
    arrow.points[1] = {5, 4};
    EXPECT_EQ(prefs->findIndexForArrow(&arrow), PreferencesNotFound);
    // The buffer is shared and overwritten by the next call.
    const GxDash* first = prefs->dashAt(0);
    prefs->dashAt(3);
    EXPECT_EQ(first->count, 2);
}

TEST_F(FoundationPreferences, StoringWritesDirtyGroupsAndTellsTheDelegate)
{
    Layvane& app = makeDelegate();
    Preferences* prefs = app.preferences();
    prefs->setUnits(3);
    prefs->setKeymapName(std::string("Emacs"));
    prefs->setMultiplier(4.0f, kit::AlternateKeyMask);
    prefs->setNewSmartPunctuation(false);
    prefs->setDecimalTabChar(',');
    prefs->storeDefaults();
    EXPECT_FALSE(prefs->generalDirty());
    EXPECT_FALSE(prefs->textDirty());
    EXPECT_EQ(app.keymapName(), "Emacs");
    EXPECT_EQ(app.font(), prefs->bodyFont());
    kit::UserDefaults::resetStandardUserDefaults();
    EXPECT_EQ(defaults().stringForKey("Units"), "3");
    EXPECT_EQ(defaults().stringForKey("IncAlternate"), "4");
    EXPECT_EQ(defaults().stringForKey("TextSmartPunct"), "0");
    EXPECT_EQ(defaults().stringForKey("DecimalTabChar"), ",");
    auto again = Preferences::create<Preferences>();
    EXPECT_EQ(again->units(), 3);
    EXPECT_EQ(again->decimalTabChar(), ',');
    EXPECT_FLOAT_EQ(again->multiplierForMask(kit::AlternateKeyMask), 4.0f);
}

TEST_F(FoundationPreferences, NothingIsWrittenBeforeStoringExceptRulers)
{
    auto prefs = Preferences::create<Preferences>();
    prefs->setUnits(0);
    prefs->setRulers(0);
    EXPECT_EQ(defaults().stringForKey("Units"), "2");
    EXPECT_EQ(defaults().stringForKey("Rulers"), "0");
}

TEST_F(FoundationPreferences, BlackGenerationIsKeptBetweenZeroAndOne)
{
    auto prefs = Preferences::create<Preferences>();
    prefs->setBlackGeneration(-0.5f);
    EXPECT_FLOAT_EQ(prefs->blackGeneration(), 0.0f);
    prefs->setBlackGeneration(3.0f);
    testing::internal::CaptureStderr();
    EXPECT_FLOAT_EQ(prefs->blackGeneration(), 1.0f);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("BlackGeneration is an UNDOCUMENTED value"),
              std::string::npos);
}

TEST_F(FoundationPreferences, SettersMarkOnlyRealChanges)
{
    auto prefs = Preferences::create<Preferences>();
    prefs->storeDefaults();
    prefs->setUnits(prefs->units());
    prefs->setPageSize(kit::makeSize(0, 100));
    prefs->setBodyFont(nullptr);
    EXPECT_FALSE(prefs->generalDirty());
    EXPECT_FALSE(prefs->textDirty());
    EXPECT_EQ(prefs->pageSize(), kit::makeSize(612, 792));
    prefs->setZoom(prefs->zoom());
    EXPECT_TRUE(prefs->generalDirty());
}

class AppScrivlyPreferences : public DefaultsFolderTest {};

TEST_F(AppScrivlyPreferences, FirstRunRegistersTheWordProcessorsValues)
{
    Preferences* prefs = makeDelegate(true).preferences();
    auto* wp = dynamic_cast<ScrivlyPreferences*>(prefs);
    ASSERT_NE(wp, nullptr);
    EXPECT_EQ(defaults().stringForKey("PageTiling"), "2");
    EXPECT_EQ(defaults().stringForKey("TextLigatures"), "0");
    EXPECT_EQ(defaults().stringForKey("TextHungPunct"), "0");
    EXPECT_EQ(wp->tileMode(), 2);
    EXPECT_FALSE(wp->paragraphLigatures());
    EXPECT_TRUE(wp->marginLines());
    EXPECT_EQ(wp->openUntitled(), 0);
    EXPECT_FALSE(wp->saveFormat().has_value());
}

TEST_F(AppScrivlyPreferences, ExistingDefaultsAreLeftAlone)
{
    defaults().setStringForKey("1", "PageTiling");
    defaults().setStringForKey("rtf", "SaveFormat");
    defaults().setStringForKey("0", "MarginLines");
    defaults().setStringForKey("2", "OpenOthersUntitled");
    ASSERT_TRUE(defaults().synchronize());
    Preferences* prefs = makeDelegate(true).preferences();
    auto* wp = dynamic_cast<ScrivlyPreferences*>(prefs);
    ASSERT_NE(wp, nullptr);
    EXPECT_FALSE(Preferences::didInitializeDefaults());
    EXPECT_EQ(defaults().stringForKey("TextLigatures"), std::nullopt);
    EXPECT_EQ(wp->tileMode(), 1);
    EXPECT_EQ(wp->saveFormat(), "rtf");
    EXPECT_FALSE(wp->marginLines());
    EXPECT_EQ(wp->openUntitled(), 2);
    // Going back to the native form replaces the stored format.
    wp->setSaveFormat(std::nullopt);
    wp->storeGeneral();
    EXPECT_EQ(defaults().stringForKey("SaveFormat"), "");
}

} // namespace
