#include "foundation/Border.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/Font.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class ForceFlag {
public:
    explicit ForceFlag(bool on) { StyleParagraph::setForceParagraphStyleDefinitions(on); }
    ~ForceFlag() { StyleParagraph::setForceParagraphStyleDefinitions(false); }
};

TEST(StyleParagraph, SetterRuleMarksOnlyRealDifferencesFromTheBasedOnStyle)
{
    struct Case {
        const char* what;
        std::function<void(StyleParagraphNamed&)> base; // the named style's value
        int baseDefines;
        std::function<void(StyleParagraph&)> set;
        int expected;
    } cases[] = {
        {"no difference below one point", [](auto& b) { b.setIndentLeft(36.0f); }, StyleIndentsMask,
         [](auto& s) { s.setIndentLeft(36.3f); }, 0},
        {"one point or more", [](auto& b) { b.setIndentLeft(36.0f); }, StyleIndentsMask,
         [](auto& s) { s.setIndentLeft(37.0f); }, StyleIndentsMask},
        {"base does not define it", [](auto& b) { b.setIndentLeft(36.0f); }, 0,
         [](auto& s) { s.setIndentLeft(80.0f); }, 0},
        {"line spacing factor within one", [](auto& b) { b.setLineSpacing(1.0f); }, StyleLineSpacingMask,
         [](auto& s) { s.setLineSpacing(1.2f); }, 0},
        {"all three indents alike", [](auto& b) { b.setIndents(10, 20, 5); }, StyleIndentsMask,
         [](auto& s) { s.setIndents(10.5f, 20, 5.9f); }, 0},
        {"one of three indents differs", [](auto& b) { b.setIndents(10, 20, 5); }, StyleIndentsMask,
         [](auto& s) { s.setIndents(10, 20, 7); }, StyleIndentsMask},
        {"alignment", [](auto& b) { b.setAlignment(0); }, StyleAlignmentMask,
         [](auto& s) { s.setAlignment(3); }, StyleAlignmentMask},
        {"hyphenation flag", [](auto& b) { b.setHyphenate(false); }, StyleTypesettingMask,
         [](auto& s) { s.setHyphenate(true); }, StyleTypesettingMask},
        {"equal colours", [](auto& b) { b.setColor(kit::Color::colorWithGray(0.5f)); }, StyleColorMask,
         [](auto& s) { s.setColor(kit::Color::colorWithGray(0.5f)); }, 0},
        {"tabs never without the flag", [](auto&) {}, StyleTabsMask,
         [](auto& s) { StyleTabStop t{72, 0, 0}; s.setTabs(&t, 1); }, 0},
    };
    for (const Case& c : cases) {
        StyleParagraphNamed base;
        c.base(base);
        base.setDefinedFlags(c.baseDefines);
        StyleParagraph local;
        local.setBasedOnStyle(&base);
        c.set(local);
        EXPECT_EQ(local.definedFlags(), c.expected) << c.what;
    }
    StyleParagraph alone;
    alone.setIndentLeft(36.0f);
    EXPECT_EQ(alone.definedFlags(), 0);
}

TEST(StyleParagraph, ForceFlagMarksWithoutComparing)
{
    ForceFlag force(true);
    StyleParagraph s;
    s.setIndentLeft(0.0f);
    StyleTabStop t{72, 0, 0};
    s.setTabs(&t, 1);
    s.removeBorder();
    EXPECT_EQ(s.definedFlags(), StyleIndentsMask | StyleTabsMask | StyleBorderMask);
}

TEST(StyleParagraph, NextStyleNeedsABasedOnStyle)
{
    StyleParagraphNamed base, other;
    StyleParagraph s;
    s.setNextParagraphStyle(&other);
    EXPECT_EQ(s.nextParagraphStyle(), nullptr);
    s.setBasedOnStyle(&base);
    base.setDefinedFlags(StyleNextStyleMask);
    s.setNextParagraphStyle(&other);
    EXPECT_EQ(s.nextParagraphStyle(), &other);
    EXPECT_EQ(s.definedFlags(), StyleNextStyleMask);
    s.removeStyleReference(&other);
    s.removeStyleReference(&base);
    EXPECT_EQ(s.nextParagraphStyle(), nullptr);
    EXPECT_EQ(s.basedOnStyle(), nullptr);
}

TEST(StyleParagraph, PushingWithAndWithoutForce)
{
    for (bool force : {false, true}) {
        StyleParagraphNamed named;
        named.setIndents(36, 0, 0);
        named.setSpaceBefore(12);
        named.setTracking(2);
        named.setAutonumberLevel(2);
        named.setStyleNumber(7);
        named.setDefinedFlags(StyleIndentsMask | StyleSpaceBeforeMask | StyleTrackingMask | StyleAutonumberMask);
        StyleParagraph target;
        target.setIndents(5, 0, 0);
        target.setDefinedFlags(StyleIndentsMask | StyleAutonumberMask);
        named.pushStyleValuesOn(&target, force);
        EXPECT_EQ(target.basedOnStyle(), &named);
        EXPECT_EQ(target.spaceBefore(), 12);
        EXPECT_EQ(target.tracking(), 2);
        EXPECT_EQ(target.styleNumber(), 7);
        if (force) {
            EXPECT_EQ(target.indentLeft(), 36);
            // Its own bit goes; the autonumber bit stays.
            EXPECT_EQ(target.definedFlags(), StyleAutonumberMask);
            EXPECT_EQ(target.autonumberLevel(), 2);
        } else {
            EXPECT_EQ(target.indentLeft(), 5);
            EXPECT_EQ(target.definedFlags(), StyleIndentsMask | StyleAutonumberMask);
            EXPECT_EQ(target.autonumberLevel(), 0);
        }
    }
}

TEST(StyleParagraph, TabsAddedReplacedAndRemovedInOrder)
{
    StyleParagraph s;
    s.addTab({144, 0, 0});
    s.addTab({72, 1, '.'});
    s.addTab({72.3f, 2, '-'}); // same place: replaces type and leader
    s.addTab({73, 0, 0});
    ASSERT_EQ(s.numTabs(), 3);
    EXPECT_EQ(s.tabs()[0].location, 72.0f);
    EXPECT_EQ(s.tabs()[0].type, 2);
    EXPECT_EQ(s.tabs()[0].leader, '-');
    EXPECT_EQ(s.tabs()[1].location, 73.0f);
    EXPECT_EQ(s.tabs()[2].location, 144.0f);
    s.removeTab({71.5f, 0, 0}); // wrong type: not found
    EXPECT_EQ(s.numTabs(), 3);
    s.removeTab({71.5f, 2, '-'});
    ASSERT_EQ(s.numTabs(), 2);
    EXPECT_EQ(s.tabs()[0].location, 73.0f);
    StyleParagraph t;
    t.setAbsoluteTabs(true);
    StyleParagraph empty;
    t.takeTabsFrom(&empty);
    EXPECT_FALSE(t.absoluteTabs());
}

TEST(StyleParagraph, Bullets)
{
    kit::Font* font = kit::Font::fontWithName("Courier", 10); // 6 points a character
    ASSERT_NE(font, nullptr);
    StyleParagraph s;
    s.setIndents(5, 3, 0);
    s.makeBullet("AB", font, 0, 0, kit::Color::redColor());
    EXPECT_FLOAT_EQ(s.bulletWidth(), 12.0f);
    EXPECT_FLOAT_EQ(s.indentLeft(), 12.0f);
    EXPECT_EQ(s.indentRight(), 3.0f);
    EXPECT_EQ(s.indentDeltaFirst(), 0.0f);
    s.updateBullet("A", font, 10, 10, nullptr);
    EXPECT_FLOAT_EQ(s.indentLeft(), 12.0f); // update leaves the indents
    s.moveBulletBy(3, 4);
    EXPECT_EQ(s.bulletOffset(), kit::makePoint(7, 14));
    s.removeBullet();
    EXPECT_EQ(s.bulletText(), "");
    EXPECT_EQ(s.bulletColor(), kit::Color::blackColor());
    StyleParagraph noFont;
    noFont.charStyle()->setFont(nullptr);
    noFont.makeBullet("x", nullptr, 0, 0, nullptr);
    EXPECT_EQ(noFont.bulletFont(), kit::Font::fontWithName("Symbol", 12));
}

TEST(StyleParagraph, CopyOwnsItsParts)
{
    StyleParagraph s;
    s.addTab({72, 0, 0});
    s.makeBorder()->setTopStyle(1);
    s.makeBullet("*", kit::Font::fontWithName("Courier", 10), 0, 0, nullptr);
    auto c = s.copy();
    EXPECT_NE(c->charStyle(), s.charStyle());
    EXPECT_NE(c->border(), s.border());
    EXPECT_NE(c->bullet(), s.bullet());
    EXPECT_EQ(c->differencesFromStyle(&s), 0);
    c->addTab({100, 0, 0});
    c->setSpaceAfter(3);
    c->setAlignment(2);
    EXPECT_EQ(c->differencesFromStyle(&s), StyleTabsMask | StyleSpaceAfterMask | StyleAlignmentMask);
}

TEST(StyleParagraph, DifferencesOfBasedOnStylesByName)
{
    StyleParagraph a, b;
    EXPECT_EQ(a.differencesFromStyle(&b) & StyleBasedOnMask, 0);
    StyleParagraphNamed x, y;
    x.setStyleName("Body");
    y.setStyleName("Body");
    a.setBasedOnStyle(&x);
    EXPECT_NE(a.differencesFromStyle(&b) & StyleBasedOnMask, 0);
    b.setBasedOnStyle(&y);
    EXPECT_EQ(a.differencesFromStyle(&b) & StyleBasedOnMask, 0);
}

TEST(StyleParagraph, LoopingChainsEndAtTheRepeat)
{
    StyleParagraphNamed a, b, c;
    a.setBasedOnStyle(&b);
    b.setBasedOnStyle(&a);
    StyleParagraph local;
    local.setBasedOnStyle(&a);
    EXPECT_TRUE(local.isBasedOnStyle(&b));
    EXPECT_FALSE(local.isBasedOnStyle(&c));
    a.setSuperstyle(&b);
    b.setSuperstyle(&a);
    EXPECT_NE(a.rootStyle(), nullptr);
    EXPECT_NE(local.rootStyle(), nullptr);
    a.setSuperstyle(nullptr);
    b.setSuperstyle(nullptr);
}

} // namespace
