#include "graphics/FontManager.h"

#include "graphics/Font.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kit;

namespace {

Font* font(const char* name, float size = 12)
{
    Font* f = Font::fontWithName(name, size);
    EXPECT_NE(f, nullptr) << name;
    return f;
}

FontManager& manager()
{
    return FontManager::sharedFontManager();
}

// Leaves the shared manager as it found it.
class FontManagerTest : public testing::Test {
protected:
    void TearDown() override
    {
        manager().clearPendingChange();
        manager().setChangeFontHandler(nullptr);
        manager().setSelectionChangedHandler(nullptr);
        manager().setOrderFrontFontPanelHandler(nullptr);
        manager().setSelectedFont(nullptr, false);
    }
};

} // namespace

TEST_F(FontManagerTest, TraitsAndWeights)
{
    struct Case {
        const char* font;
        int styleTraits; // italic 1, bold 2
        int weight;
    };
    const Case cases[] = {
        {"Times-Roman", 0, 5},        {"Times-Bold", 2, 9},           {"Times-Italic", 1, 5},
        {"Times-BoldItalic", 3, 9},   {"Helvetica-Oblique", 1, 5},    {"Helvetica-BoldOblique", 3, 9},
        {"AvantGarde-Book", 0, 4},    {"AvantGarde-DemiOblique", 3, 7}, {"Bookman-Light", 0, 3},
        {"ZapfChancery-MediumItalic", 1, 5}, {"Symbol", 0, 5},
    };
    for (const Case& c : cases) {
        Font* f = font(c.font);
        EXPECT_EQ(manager().traitsOfFont(f) & 3, c.styleTraits) << c.font;
        EXPECT_EQ(manager().weightOfFont(f), c.weight) << c.font;
    }
    EXPECT_NE(manager().traitsOfFont(font("Courier")) & FixedPitchFontMask, 0);
    EXPECT_NE(manager().traitsOfFont(font("Helvetica-Narrow")) & NarrowFontMask, 0);
    EXPECT_EQ(manager().traitsOfFont(nullptr), 0);
    EXPECT_EQ(manager().weightOfFont(nullptr), 0);
}

TEST_F(FontManagerTest, TraitConversions)
{
    struct Case {
        const char* from;
        bool add;
        int trait;
        const char* to;
    };
    const Case cases[] = {
        {"Times-Roman", true, BoldFontMask, "Times-Bold"},
        {"Times-Roman", true, ItalicFontMask, "Times-Italic"},
        {"Times-Italic", true, BoldFontMask, "Times-BoldItalic"},
        {"Times-Roman", true, BoldFontMask | ItalicFontMask, "Times-BoldItalic"},
        {"Times-Bold", true, UnboldFontMask, "Times-Roman"},
        {"Times-BoldItalic", true, UnitalicFontMask, "Times-Bold"},
        {"Times-Bold", true, BoldFontMask, "Times-Bold"},
        {"Helvetica-Oblique", false, ItalicFontMask, "Helvetica"},
        {"Helvetica-BoldOblique", false, BoldFontMask, "Helvetica-Oblique"},
        {"Helvetica-BoldOblique", false, BoldFontMask | ItalicFontMask, "Helvetica"},
        {"Helvetica", false, BoldFontMask, "Helvetica"},
        {"Courier", true, ItalicFontMask, "Courier-Oblique"},
        {"Helvetica-Narrow", true, BoldFontMask, "Helvetica-Narrow-Bold"},
        {"AvantGarde-Book", true, BoldFontMask, "AvantGarde-Demi"},
        {"AvantGarde-Demi", false, BoldFontMask, "AvantGarde-Book"},
        {"Bookman-DemiItalic", false, BoldFontMask, "Bookman-LightItalic"},
        // A family without the face: the font comes back unchanged.
        {"Symbol", true, BoldFontMask, "Symbol"},
        {"ZapfChancery-MediumItalic", false, ItalicFontMask, "ZapfChancery-MediumItalic"},
    };
    for (const Case& c : cases) {
        Font* from = font(c.from, 11);
        Font* got = c.add ? manager().convertFontToHaveTrait(from, c.trait)
                          : manager().convertFontToNotHaveTrait(from, c.trait);
        EXPECT_EQ(got, font(c.to, 11)) << c.from << (c.add ? " + " : " - ") << c.trait << " gave "
                                       << (got ? got->fontName() : "nil");
    }
    EXPECT_EQ(manager().convertFontToHaveTrait(nullptr, BoldFontMask), nullptr);
}

TEST_F(FontManagerTest, FamilyAndSizeConversions)
{
    FontManager& m = manager();
    EXPECT_EQ(m.convertFontToFamily(font("Helvetica-BoldOblique", 10), "Times"), font("Times-BoldItalic", 10));
    EXPECT_EQ(m.convertFontToFamily(font("Times-Bold", 10), "AvantGarde"), font("AvantGarde-Demi", 10));
    EXPECT_EQ(m.convertFontToFamily(font("Times-Roman", 10), "Bookman"), font("Bookman-Light", 10));
    // No bold Symbol: unchanged, so that callers can try by name.
    EXPECT_EQ(m.convertFontToFamily(font("Times-Bold", 10), "Symbol"), font("Times-Bold", 10));
    EXPECT_EQ(m.convertFontToFamily(font("Times-Bold", 10), "Nonesuch"), font("Times-Bold", 10));

    EXPECT_EQ(m.convertFontToSize(font("Palatino-Italic", 10), 24), font("Palatino-Italic", 24));
    EXPECT_EQ(m.convertFontToSize(font("Palatino-Italic", 10), 0), font("Palatino-Italic", 10));
    EXPECT_EQ(m.convertFontToSize(font("Palatino-Italic", 10), -3), font("Palatino-Italic", 10));

    EXPECT_EQ(m.convertWeight(true, font("Bookman-Light")), font("Bookman-Demi"));
    EXPECT_EQ(m.convertWeight(false, font("Bookman-Demi")), font("Bookman-Light"));
    EXPECT_EQ(m.convertWeight(true, font("Bookman-Demi")), font("Bookman-Demi"));
    EXPECT_EQ(m.convertWeight(true, font("Times-Italic")), font("Times-BoldItalic"));
}

TEST_F(FontManagerTest, FontWithFamilyMatchesTraitsExactly)
{
    FontManager& m = manager();
    EXPECT_EQ(m.fontWithFamily("Times", BoldFontMask | ItalicFontMask, 9, 12), font("Times-BoldItalic"));
    EXPECT_EQ(m.fontWithFamily("Helvetica", 0, 5, 12), font("Helvetica"));
    // Weight is a preference among faces of the asked traits, not a filter.
    EXPECT_EQ(m.fontWithFamily("Helvetica", 0, 1, 12), font("Helvetica"));
    EXPECT_EQ(m.fontWithFamily("AvantGarde", BoldFontMask, 9, 12), font("AvantGarde-Demi"));
    // Descriptive bits do not stop a match.
    EXPECT_EQ(m.fontWithFamily("Times", FixedPitchFontMask | BoldFontMask, 9, 12), font("Times-Bold"));
    // No such face, family or size: nil, for the caller's fallback chain.
    EXPECT_EQ(m.fontWithFamily("Symbol", ItalicFontMask, 5, 12), nullptr);
    EXPECT_EQ(m.fontWithFamily("ZapfChancery", 0, 5, 12), nullptr);
    EXPECT_EQ(m.fontWithFamily("Nonesuch", 0, 5, 12), nullptr);
    EXPECT_EQ(m.fontWithFamily("Times", 0, 5, 0), nullptr);

    // The chain the text engine walks for a bold-italic character moved to
    // a family without that face: without italic, without bold, plain.
    auto fallback = [&](const std::string& family, int traits) -> Font* {
        for (int drop : {0, ItalicFontMask, BoldFontMask, BoldFontMask | ItalicFontMask})
            if (Font* f = m.fontWithFamily(family, traits & ~drop, 5, 12))
                return f;
        return nullptr;
    };
    EXPECT_EQ(fallback("ZapfChancery", BoldFontMask | ItalicFontMask), font("ZapfChancery-MediumItalic"));
    EXPECT_EQ(fallback("Symbol", BoldFontMask | ItalicFontMask), font("Symbol"));
}

TEST_F(FontManagerTest, FamiliesAndMembers)
{
    FontManager& m = manager();
    std::vector<std::string> families = m.availableFontFamilies();
    for (const char* f : {"AvantGarde", "Bookman", "Courier", "Helvetica", "Helvetica Narrow", "NewCenturySchlbk",
                          "Palatino", "Symbol", "Times", "ZapfChancery", "ZapfDingbats"})
        EXPECT_NE(std::find(families.begin(), families.end(), f), families.end()) << f;
    EXPECT_TRUE(std::is_sorted(families.begin(), families.end()));
    EXPECT_EQ(std::adjacent_find(families.begin(), families.end()), families.end());

    std::vector<FontFaceInfo> times = m.availableMembersOfFontFamily("Times");
    ASSERT_EQ(times.size(), 4u);
    EXPECT_EQ(times[0].fontName, "Times-Roman");
    EXPECT_EQ(times[0].faceName, "Roman");
    EXPECT_EQ(times[1].fontName, "Times-Italic");
    EXPECT_EQ(times[2].fontName, "Times-Bold");
    EXPECT_EQ(times[3].fontName, "Times-BoldItalic");
    EXPECT_EQ(times[3].weight, 9);
    EXPECT_TRUE(m.availableMembersOfFontFamily("Nonesuch").empty());

    std::vector<std::string> fonts = m.availableFonts();
    EXPECT_NE(std::find(fonts.begin(), fonts.end(), "ZapfDingbats"), fonts.end());
    EXPECT_TRUE(std::is_sorted(fonts.begin(), fonts.end()));
}

TEST_F(FontManagerTest, PendingChangeAppliesToEveryFontHandedIn)
{
    FontManager& m = manager();
    Font* roman = font("Times-Roman", 12);
    Font* helvBold = font("Helvetica-Bold", 9);
    EXPECT_EQ(m.convertFont(roman), roman); // nothing pending

    FontChange c;
    c.action = FontAction::ViaPanel;
    c.family = "Palatino";
    m.setPendingChange(c);
    EXPECT_EQ(m.convertFont(roman), font("Palatino-Roman", 12));
    EXPECT_EQ(m.convertFont(helvBold), font("Palatino-Bold", 9));
    EXPECT_EQ(m.convertFont(nullptr), nullptr);

    // A family short of the face keeps what it can.
    c.family = "ZapfChancery";
    m.setPendingChange(c);
    EXPECT_EQ(m.convertFont(font("Times-BoldItalic", 12)), font("ZapfChancery-MediumItalic", 12));
    EXPECT_EQ(m.convertFont(helvBold), font("ZapfChancery-MediumItalic", 9));

    c = FontChange{};
    c.action = FontAction::ViaPanel;
    c.size = 18;
    c.addTraits = ItalicFontMask;
    m.setPendingChange(c);
    EXPECT_EQ(m.convertFont(roman), font("Times-Italic", 18));
    EXPECT_EQ(m.convertFont(helvBold), font("Helvetica-BoldOblique", 18));

    c = FontChange{};
    c.action = FontAction::SizeDown;
    m.setPendingChange(c);
    EXPECT_EQ(m.convertFont(roman), font("Times-Roman", 11));
    EXPECT_EQ(m.convertFont(font("Times-Roman", 1)), font("Times-Roman", 1));

    m.clearPendingChange();
    EXPECT_EQ(m.convertFont(roman), roman);
}

TEST_F(FontManagerTest, MenuCommandsDeliverTheChangeThenClearIt)
{
    FontManager& m = manager();
    Font* roman = font("Times-Roman", 12);
    std::vector<Font*> seen;
    m.setChangeFontHandler([&] { seen.push_back(m.convertFont(roman)); });

    m.addFontTrait(BoldFontMask);
    m.removeFontTrait(BoldFontMask); // from a plain font: unchanged
    m.modifyFont(int(FontAction::SizeUp));
    m.modifyFont(99); // not an action: nothing sent
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], font("Times-Bold", 12));
    EXPECT_EQ(seen[1], roman);
    EXPECT_EQ(seen[2], font("Times-Roman", 13));
    EXPECT_EQ(m.pendingChange().action, FontAction::NoFontChange);
    EXPECT_EQ(m.convertFont(roman), roman);
}

TEST_F(FontManagerTest, SelectedFontAndHooks)
{
    FontManager& m = manager();
    EXPECT_EQ(FontManager::new_(), &m);
    Font* shown = nullptr;
    bool shownMultiple = false;
    int fronted = 0;
    m.setSelectionChangedHandler([&](Font* f, bool multiple) {
        shown = f;
        shownMultiple = multiple;
    });
    m.setOrderFrontFontPanelHandler([&] { ++fronted; });

    Font* f = font("Courier", 10);
    m.setSelectedFont(f, true);
    EXPECT_EQ(m.selectedFont(), f);
    EXPECT_TRUE(m.isMultiple());
    EXPECT_EQ(shown, f);
    EXPECT_TRUE(shownMultiple);
    m.setSelectedFont(font("Times-Roman"), false);
    EXPECT_FALSE(m.isMultiple());
    EXPECT_EQ(shown, font("Times-Roman"));
    m.orderFrontFontPanel();
    EXPECT_EQ(fronted, 1);
}
