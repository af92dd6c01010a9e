#include "TestEnvironment.h"

#include "foundation/Border.h"
#include "foundation/FontAccessoryValues.h"
#include "foundation/StyleChar.h"
#include "graphics/Font.h"
#include "graphics/FontManager.h"
#include "graphics/RecordingContext.h"

#include <cmath>
#include <vector>

namespace {

kit::Font* times(float size)
{
    kit::Font* f = kit::Font::fontWithName("Times-Roman", size);
    EXPECT_NE(f, nullptr);
    return f;
}

TEST(StyleChar, AutomaticLeadingArithmetic)
{
    struct Case {
        float leading;
        float size;
        float lineHeight;
        float interLine;
    } cases[] = {
        {111110.0f, 12.0f, 12.0f, 0.0f},
        {111110.0f + 2.0f, 12.0f, 14.0f, 2.0f},
        {111110.0f - 2.0f, 12.0f, 10.0f, -2.0f},
        {14.0f, 12.0f, 14.0f, 0.0f},
        {10001.0f, 12.0f, 10001.0f, 0.0f},
    };
    for (const Case& c : cases) {
        StyleChar s;
        s.setFont(times(c.size));
        s.setLeading(c.leading);
        EXPECT_FLOAT_EQ(s.lineHeight(), c.lineHeight) << c.leading;
        EXPECT_FLOAT_EQ(s.interLineLeading(), c.interLine) << c.leading;
    }
}

TEST(StyleChar, SettersRefuseWhatTheyMust)
{
    StyleChar s;
    s.setCondense(0.0f);
    EXPECT_EQ(s.condense(), 1.0f);
    s.setWordSpace(5.0f);
    for (float refused : {-100.0f, 1000.0f, -1234.0f})
        s.setWordSpace(refused);
    EXPECT_EQ(s.wordSpace(), 5.0f);
    s.setWordSpace(999.0f);
    EXPECT_EQ(s.wordSpace(), 999.0f);
    s.setLineSpacing(-1.0f);
    EXPECT_EQ(s.lineSpacing(), 1.0f);
    s.setLineSpacing(0.0f);
    EXPECT_EQ(s.lineSpacing(), 0.0f);
}

TEST(StyleChar, SettingTheFontRecomputesTheWordSpace)
{
    StyleChar s;
    s.setTracking(1.0f);
    s.setCondense(0.5f);
    kit::Font* f = times(12);
    s.setFont(f);
    EXPECT_FLOAT_EQ(s.wordSpace(), 1.0f + f->widthOfString(" ") * 0.5f);
    EXPECT_FLOAT_EQ(s.wordSpaceDelta(), s.wordSpace() - f->widthOfString(" "));
    // A nil font keeps the word space.
    const float before = s.wordSpace();
    s.setFont(nullptr);
    EXPECT_EQ(s.wordSpace(), before);
    EXPECT_EQ(s.wordSpaceDelta(), 0.0f);
}

TEST(StyleChar, TakingValuesSkipsMixedOnesButAlwaysTakesTheColour)
{
    StyleChar target;
    target.setLeading(20.0f);
    target.setSpecial(StyleBoldFlag);
    StyleChar source;
    source.setLeading(StyleMixedValue);
    source.setSpecial(StyleMixedSpecial);
    source.setTracking(3.0f);
    source.setColor(nullptr);
    target.takeCharStyleValuesFrom(&source);
    EXPECT_EQ(target.leading(), 20.0f);
    EXPECT_EQ(target.special(), StyleBoldFlag);
    EXPECT_EQ(target.tracking(), 3.0f);
    EXPECT_EQ(target.color(), nullptr);
}

TEST(StyleChar, ScaleBy)
{
    StyleChar s;
    s.setFont(times(10));
    s.setLeading(111110.0f + 2.0f);
    s.setTracking(1.5f);
    s.setVertical(-3.0f);
    s.scaleBy(2.0);
    EXPECT_EQ(s.leading(), 111110.0f + 4.0f);
    EXPECT_EQ(s.pointSize(), 20.0f);
    EXPECT_EQ(s.tracking(), 3.0f);
    EXPECT_EQ(s.vertical(), -6.0f);
    StyleChar fixed;
    fixed.setLeading(12.0f);
    fixed.scaleBy(2.0);
    EXPECT_EQ(fixed.leading(), 24.0f);
}

TEST(StyleChar, ScalingScalesTheWordSpaceOnce)
{
    struct Case {
        const char* what;
        float wordSpace; // 0: the font's own
        std::vector<double> factors;
        float expected;
    } cases[] = {
        {"the font's own, doubled", 0.0f, {2.0}, 5.0f},
        {"set by hand, doubled", 3.0f, {2.0}, 6.0f},
        {"headline scaling back and forth", 0.0f, {2.0, 0.5, 2.0, 0.5}, 2.5f},
        {"set by hand, scaled three times", 3.0f, {2.0, 2.0, 0.5}, 6.0f},
    };
    for (const Case& c : cases) {
        StyleChar s;
        s.setFont(times(10));
        ASSERT_EQ(s.wordSpace(), 2.5f); // Times: a space is a quarter of the size
        if (c.wordSpace != 0.0f)
            s.setWordSpace(c.wordSpace);
        for (double f : c.factors)
            s.scaleBy(f);
        EXPECT_FLOAT_EQ(s.wordSpace(), c.expected) << c.what;
    }
    // Without a font only the numbers scale.
    StyleChar bare;
    bare.setWordSpace(2.0f);
    bare.scaleBy(3.0);
    EXPECT_EQ(bare.wordSpace(), 6.0f);
}

TEST(StyleChar, ACopyEqualsItsOriginal)
{
    StyleChar s;
    s.setFont(times(12));
    s.setCondense(0.8f);
    s.setTracking(0.5f);
    s.setWordSpace(7.0f);
    s.setLeading(14.0f);
    s.setSpecial(StyleUnderlineFlag);
    s.setColor(kit::Color::redColor());
    std::unique_ptr<StyleChar> c = s.copy();
    EXPECT_EQ(c->wordSpace(), 7.0f);
    EXPECT_TRUE(c->isEqual(s));
    EXPECT_EQ(c->differencesFromStyle(&s), 0);
}

TEST(StyleChar, EqualityAndDifferences)
{
    StyleChar a, b;
    a.setFont(times(12));
    b.setFont(times(12));
    EXPECT_TRUE(a.isEqual(b));
    // Without colours on either side they are still equal, and a style is
    // always equal to itself.
    a.setColor(nullptr);
    EXPECT_TRUE(a.isEqual(a));
    EXPECT_FALSE(a.isEqual(b));
    b.setColor(nullptr);
    EXPECT_TRUE(a.isEqual(b));

    StyleChar c, d;
    c.setFont(times(12));
    d.setFont(times(14));
    d.setCondense(0.5f);
    d.setColor(kit::Color::redColor());
    d.setSpecial(StyleItalicFlag);
    EXPECT_EQ(c.differencesFromStyle(&d), 0x1 | 0x2 | 0x4 | 0x8 | 0x100 | 0x200);
    EXPECT_EQ(c.differencesFromStyle(nullptr), 0);
    EXPECT_EQ(c.specialDifferencesFromStyle(&d), StyleItalicFlag);
}

TEST(StyleChar, BoldAndItalicConvertTheFont)
{
    StyleChar s;
    s.setFont(times(12));
    s.setBoldface(true);
    EXPECT_TRUE(s.isBoldface());
    EXPECT_EQ(s.font(), kit::Font::fontWithName("Times-Bold", 12));
    s.setItalic(true);
    EXPECT_EQ(s.font(), kit::Font::fontWithName("Times-BoldItalic", 12));
    s.setBoldface(false);
    EXPECT_FALSE(s.isBoldface());
    EXPECT_EQ(s.font(), kit::Font::fontWithName("Times-Italic", 12));
    s.setStrikeout(true);
    EXPECT_EQ(s.special(), StyleItalicFlag | StyleStrikeoutFlag);
}

class Accessory : public FontAccessoryValues {
public:
    float condense() const override { return 0.8f; }
    float tracking() const override { return 0.0f; } // unchanged
    float leading() const override { return StyleMixedValue; } // unchanged
    float vertical() const override { return 2.0f; }
    float wordSpaceOnly() const override { return 1.0f; }
};

TEST(StyleChar, ChangeFontReadsTheAccessory)
{
    Accessory accessory;
    StyleChar::setFontAccessoryHook([&](bool) { return &accessory; });
    StyleChar s;
    s.setFont(times(12));
    s.setTracking(0.5f);
    s.setLeading(15.0f);
    kit::FontChange change;
    change.action = kit::FontAction::SizeUp;
    kit::FontManager::sharedFontManager().setPendingChange(change);
    s.changeFont(nullptr);
    kit::FontManager::sharedFontManager().clearPendingChange();
    StyleChar::setFontAccessoryHook(nullptr);
    EXPECT_EQ(s.pointSize(), 13.0f);
    EXPECT_EQ(s.condense(), 0.8f);
    EXPECT_EQ(s.tracking(), 0.5f);
    EXPECT_EQ(s.leading(), 15.0f);
    EXPECT_EQ(s.vertical(), 2.0f);
    // Word space from the font at the condense in force then, plus the extra.
    EXPECT_FLOAT_EQ(s.wordSpace(), 0.5f + times(13)->widthOfString(" ") + 1.0f);
}

// ---- Borders.

std::vector<std::string> drawn(Border& border, kit::Rect rect)
{
    kit::RecordingContext ctx;
    kit::DrawContext::Scope scope(ctx);
    border.drawRect(rect);
    return ctx.lines();
}

TEST(BorderTest, NewBorderDrawsNothing)
{
    Border b;
    EXPECT_TRUE(drawn(b, kit::makeRect(0, 0, 100, 50)).empty());
}

TEST(BorderTest, StyleAndWidthSetters)
{
    Border b;
    b.setTopStyle(6);
    EXPECT_EQ(b.topWidth(), 3.0f);
    b.setTopStyle(9);
    EXPECT_EQ(b.topStyle(), 6);
    EXPECT_EQ(b.topWidth(), 3.0f);
    b.setLeftWidth(2.0f);
    b.setLeftWidth(StyleMixedValue);
    EXPECT_EQ(b.leftWidth(), 2.0f);
    struct Case {
        short style;
        float width;
    } widths[] = {{5, 1.5f}, {6, 3.0f}, {7, 0.15f}, {1, 0.75f}, {0, 0.75f}};
    for (const Case& c : widths)
        EXPECT_EQ(Border::defaultWidthForStyle(c.style), c.width) << c.style;
}

TEST(BorderTest, EqualSidesAreOneRectangleStroke)
{
    struct Case {
        const char* what;
        short style;
        const char* dash;
    } cases[] = {{"solid", 1, "setdash [] 0"}, {"dashed", 3, "setdash [3 3] 0"}, {"dotted", 4, "setdash [1 2] 0"}};
    for (const Case& c : cases) {
        Border b;
        for (auto set : {&Border::setTopStyle, &Border::setLeftStyle, &Border::setBottomStyle, &Border::setRightStyle})
            (b.*set)(c.style);
        b.setRightOffset(4.0f); // offsets don't break the single stroke
        const auto lines = drawn(b, kit::makeRect(10, 20, 100, 50));
        ASSERT_EQ(lines.size(), 4u) << c.what;
        EXPECT_EQ(lines[2], c.dash) << c.what;
        // X = 10, Y = 20 + 0.375, W = 104, H = 50.
        EXPECT_EQ(lines[3], "rectstroke 10 20.375 104 50") << c.what;
    }
}

TEST(BorderTest, UnequalSidesAreFourLinesWithTheirOwnDashes)
{
    Border b;
    b.setTopStyle(1);
    b.setTopWidth(2.0f);
    b.setLeftStyle(3);
    b.setLeftWidth(2.0f);
    b.setBottomStyle(1);
    b.setBottomWidth(4.0f);
    b.setRightStyle(4);
    b.setRightWidth(2.0f);
    const auto lines = drawn(b, kit::makeRect(0, 0, 100, 50));
    std::vector<std::string> strokes, dashes;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind("setdash", 0) == 0)
            dashes.push_back(lines[i]);
        if (lines[i].rfind("moveto", 0) == 0)
            strokes.push_back(lines[i] + " " + lines[i + 1]);
    }
    // Y = 0 + 1, H = 50 + (4 - 2) / 2 = 51, f = Y - 1 = 0.
    const std::vector<std::string> expectedStrokes = {"moveto 0 1 lineto 100 1", "moveto 0 53 lineto 0 0",
                                                      "moveto 100 52 lineto 0 52", "moveto 100 0 lineto 100 53"};
    const std::vector<std::string> expectedDashes = {"setdash [] 0", "setdash [3 3] 0", "setdash [] 0",
                                                     "setdash [1 2] 0"};
    EXPECT_EQ(strokes, expectedStrokes);
    EXPECT_EQ(dashes, expectedDashes);
}

TEST(BorderTest, FillIsDrawnFirstAndWhiteWhenRemoved)
{
    Border b;
    b.setFillColor(kit::Color::lightGrayColor());
    const auto lines = drawn(b, kit::makeRect(0, 0, 10, 10));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "rectfill 0 0 10 10");
    b.removeFillColor();
    EXPECT_EQ(b.fillColor(), kit::Color::whiteColor());
    EXPECT_TRUE(drawn(b, kit::makeRect(0, 0, 10, 10)).empty());
}

TEST(BorderTest, EqualityWantsTheVerySameColours)
{
    Border a, b;
    a.setTopColor(kit::Color::colorWithGray(0.5f));
    b.setTopColor(kit::Color::colorWithGray(0.5f));
    EXPECT_FALSE(a.isEqual(b));
    Border c;
    c.takeBorderFrom(&a);
    EXPECT_TRUE(a.isEqual(c));
    c.setFillColor(kit::Color::whiteColor());
    EXPECT_FALSE(a.isEqual(c));
    auto copy = c.copy();
    EXPECT_TRUE(copy->isEqual(c));
}

} // namespace
