#include "core/Archiver.h"
#include "core/Unarchiver.h"
#include "core/Values.h"
#include "document/Document.h"
#include "foundation/Border.h"
#include "foundation/StoredColor.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/Font.h"

#include <gtest/gtest.h>

namespace {

class VersionScope {
public:
    explicit VersionScope(float v) : saved_(openFileVersion) { openFileVersion = v; }
    ~VersionScope() { openFileVersion = saved_; }

private:
    float saved_;
};

class StyleArchiving : public ::testing::Test {
protected:
    void SetUp() override
    {
        kit::registerValueClasses();
        kit::Font::initialize();
        StyleParagraph::initialize();
        StyleGraphic::initialize();
    }

    template <class T>
    std::unique_ptr<T> roundTrip(const T& object)
    {
        const std::string data = kit::Archiver::archivedDataWithRootObject(&object);
        return kit::Unarchiver::unarchiveObjectWithData<T>(data, unclaimed_);
    }

    std::vector<std::unique_ptr<kit::Object>> unclaimed_;
};

TEST_F(StyleArchiving, ParagraphStyleRoundTrip)
{
    StyleParagraphNamed base;
    base.setStyleName(std::string("Body"));
    StyleParagraph s;
    s.setFont(kit::Font::fontWithName("Times-Roman", 11));
    s.setIndents(10, 20, -5);
    s.setSpaceAfter(6);
    s.setWidowControl(2);
    s.setAlignment(3);
    s.setHungPunctuation(2);
    s.setAbsoluteTabs(false);
    s.addTab({72, 3, '.'});
    s.addTab({144, 1, 0});
    s.makeBullet("*", kit::Font::fontWithName("Courier", 10), 2, 3, kit::Color::redColor());
    s.makeBorder()->setTopStyle(3);
    s.setBasedOnStyle(&base);
    s.setDefinedFlags(0x1234);
    s.setAutonumberLevel(3);
    s.charStyle()->setSpecial(StyleUnderlineFlag);

    std::unique_ptr<StyleParagraph> back = roundTrip(s);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->differencesFromStyle(&s) & ~StyleBorderMask, 0);
    EXPECT_EQ(back->numTabs(), 2);
    EXPECT_EQ(back->tabs()[0].leader, '.');
    EXPECT_EQ(back->definedFlags(), 0x1234);
    ASSERT_NE(back->basedOnStyle(), nullptr);
    EXPECT_EQ(back->basedOnStyle()->styleName(), "Body");
    ASSERT_NE(back->border(), nullptr);
    EXPECT_EQ(back->border()->topStyle(), 3);
    EXPECT_EQ(back->font(), s.font()); // fonts are interned
    EXPECT_EQ(back->bulletText(), "*");
}

TEST_F(StyleArchiving, GraphicStyleWritesSwitchedOffRecordsAsAbsent)
{
    StyleGraphicNamed parent;
    parent.setStyleName(std::string("Frame"));
    StyleGraphic s;
    s.setFillColor(kit::Color::redColor());
    s.setHasFill(false);
    const float dash[2] = {2, 2};
    GxLine line;
    GxInitLine(&line);
    GxSetLineDashValues(&line, dash, 2, 0);
    s.setLine(&line);
    GxArrow arrow;
    arrow.kind = 3;
    arrow.count = 2;
    s.setRightArrow(&arrow);
    s.setDefinedFlags(0x40);
    std::unique_ptr<StyleGraphic> back = roundTrip(s);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->fill(), nullptr);
    EXPECT_FALSE(back->hasFill());
    ASSERT_NE(back->lineDash(), nullptr);
    EXPECT_EQ(back->lineDash()->count, 2);
    EXPECT_TRUE(back->hasRightArrow());
    EXPECT_EQ(back->definedFlags(), 0x40);
}

TEST_F(StyleArchiving, NamedGraphicStylesRejoinTheirParentWithTheirOwnNames)
{
    kit::Array list;
    auto parent = std::make_unique<StyleGraphicNamed>();
    parent->setStyleName(std::string("Frame"));
    std::unique_ptr<StyleGraphicNamed> child = parent->newSubstyle();
    child->setStyleName(std::string("Frame copy"));
    list.addObject(parent.get());
    list.addObject(child.get());
    const std::string data = kit::Archiver::archivedDataWithRootObject(&list);
    auto back = kit::Unarchiver::unarchiveObjectWithData<kit::Array>(data, unclaimed_);
    ASSERT_NE(back, nullptr);
    auto* p = dynamic_cast<StyleGraphicNamed*>(back->objectAt(0));
    auto* c = dynamic_cast<StyleGraphicNamed*>(back->objectAt(1));
    ASSERT_TRUE(p && c);
    EXPECT_EQ(c->superstyle(), p);
    ASSERT_NE(p->substyles(), nullptr);
    EXPECT_EQ(p->substyles()->size(), 1u);
    EXPECT_EQ(c->styleName(), "Frame copy");
    // Children first: break the links before the pool deletes them.
    c->removeFromSuperstyle();
}

TEST_F(StyleArchiving, LoopingBasedOnChainsReadBackAndEndWalks)
{
    kit::Array list;
    auto a = std::make_unique<StyleParagraphNamed>();
    auto b = std::make_unique<StyleParagraphNamed>();
    a->setStyleName(std::string("A"));
    b->setStyleName(std::string("B"));
    a->setBasedOnStyle(b.get());
    b->setBasedOnStyle(a.get());
    a->setSuperstyle(b.get());
    b->setSuperstyle(a.get());
    list.addObject(a.get());
    list.addObject(b.get());
    const std::string data = kit::Archiver::archivedDataWithRootObject(&list);
    a->setSuperstyle(nullptr);
    b->setSuperstyle(nullptr);
    auto back = kit::Unarchiver::unarchiveObjectWithData<kit::Array>(data, unclaimed_);
    ASSERT_NE(back, nullptr);
    auto* ra = dynamic_cast<StyleParagraphNamed*>(back->objectAt(0));
    auto* rb = dynamic_cast<StyleParagraphNamed*>(back->objectAt(1));
    ASSERT_TRUE(ra && rb);
    EXPECT_TRUE(ra->isBasedOnStyle(rb));
    StyleParagraphNamed outsider;
    EXPECT_FALSE(ra->isBasedOnStyle(&outsider));
    EXPECT_NE(ra->rootStyle(), nullptr);
    ra->setSuperstyle(nullptr);
    rb->setSuperstyle(nullptr);
}

TEST_F(StyleArchiving, OldCharacterStyles)
{
    struct Case {
        float version;
        float storedLeading;
        float condense;
        float expectedLeading;
    } cases[] = {
        {2.1f, 111110.0f + 2.0f, 0.0f, 12.0f}, // automatic leading becomes the line height
        {2.1f, 9000.0f, 1.0f, 9000.0f},
        {2.5f, 111110.0f + 2.0f, 0.0f, 111110.0f + 2.0f},
    };
    for (const Case& c : cases) {
        kit::Archiver out;
        if (c.version < 2.2f) {
            out.encodeValuesOfObjCTypes("*f", "Courier", 10.0f);
            for (float f : {3.0f, c.condense, c.storedLeading, 0.5f, 1.0f})
                out.encodeValueOfObjCType("f", &f);
            short special = StyleBoldFlag, dropped = 0;
            out.encodeValueOfObjCType("s", &special);
            out.encodeValueOfObjCType("s", &dropped);
        } else {
            out.encodeValuesOfObjCTypes("*fffffffs", "Courier", 10.0f, 3.0f, c.condense, c.storedLeading, 0.5f,
                                        1.0f, 0.0f, short(StyleBoldFlag));
        }
        encodeNXColor(out, kit::Color::colorWithGray(0.25f));
        kit::Unarchiver in(out.data());
        VersionScope scope(c.version);
        StyleChar s;
        s.initWithCoder(in);
        EXPECT_TRUE(in.isAtEnd());
        EXPECT_EQ(s.leading(), c.expectedLeading) << c.version;
        EXPECT_EQ(s.condense(), 1.0f) << c.version;
        EXPECT_EQ(s.lineSpacing(), 1.0f) << c.version;
        EXPECT_EQ(s.font(), kit::Font::fontWithName("Courier", 10));
        EXPECT_EQ(s.special(), StyleBoldFlag);
        EXPECT_FLOAT_EQ(s.color()->grayLevel(), 0.25f);
    }
}

// A character style as files from 2.2 up to 3.0 hold it.
class OldStyleChar : public kit::Object {
public:
    std::string className() const override { return "OldStyleChar"; }
    void encodeWithCoder(kit::Coder& coder) const override
    {
        coder.encodeValuesOfObjCTypes("*fffffffs", "Courier", 10.0f, 3.0f, 1.0f, 12.0f, 0.0f, 0.0f, 1.0f, short(0));
        encodeNXColor(coder, kit::Color::blackColor());
    }
};

TEST_F(StyleArchiving, OldParagraphStylesSwapAlignmentAndMoveBullets)
{
    kit::registerClass<OldStyleChar>("OldStyleChar");
    struct Case {
        float version;
        char storedAlignment;
        int expectedAlignment;
        float expectedBulletX;
    } cases[] = {{2.5f, 1, 2, 8.0f}, {2.55f, 2, 1, 8.0f}, {2.6f, 3, 3, 3.0f}};
    for (const Case& c : cases) {
        kit::Archiver out;
        OldStyleChar charStyle;
        out.encodeObject(&charStyle);
        if (c.version >= 2.53f)
            out.encodeValuesOfObjCTypes("ffffffcccccss", 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, char(1), char(0), char(1),
                                        char(7), c.storedAlignment, short(2), short(3));
        else
            out.encodeValuesOfObjCTypes("ffffffcccccsss", 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, char(1), char(0),
                                        char(1), char(7), c.storedAlignment, short(2), short(99), short(3));
        const int tabs = 1;
        out.encodeValueOfObjCType("i", &tabs);
        if (c.version >= 2.56f)
            out.encodeValuesOfObjCTypes("fsc", 36.0f, short(1), char('.'));
        else
            out.encodeValuesOfObjCTypes("sf", short(1), 36.0f);
        const char hasBullet = 1;
        out.encodeValueOfObjCType("c", &hasBullet);
        out.encodeValuesOfObjCTypes("*f*f", "Courier", 10.0f, "o", 5.0f);
        out.encodePoint({3.0f, 1.0f});
        encodeNXColor(out, kit::Color::blackColor());
        if (c.version >= 2.53f)
            out.encodeObject(nullptr);
        if (c.version >= 2.55f) {
            out.encodeObject(nullptr);
            const int defined = 0x10;
            out.encodeValueOfObjCType("i", &defined);
        }
        if (c.version >= 2.6f) {
            const short level = 2;
            out.encodeValueOfObjCType("s", &level);
            out.encodeObject(nullptr);
        }
        kit::Unarchiver in(out.data());
        in.decodeClassName("OldStyleChar", "StyleChar");
        VersionScope scope(c.version);
        StyleParagraph s;
        s.initWithCoder(in);
        EXPECT_TRUE(in.isAtEnd()) << c.version;
        EXPECT_EQ(s.alignment(), c.expectedAlignment) << c.version;
        EXPECT_EQ(s.hungPunctuation(), 3) << c.version;
        EXPECT_EQ(s.columnStart(), 3) << c.version;
        ASSERT_EQ(s.numTabs(), 1);
        EXPECT_EQ(s.tabs()[0].location, 36.0f);
        EXPECT_EQ(s.tabs()[0].type, 1);
        EXPECT_FLOAT_EQ(s.bulletOffset().x, c.expectedBulletX) << c.version;
        EXPECT_EQ(s.bulletText(), "o");
    }
}

TEST_F(StyleArchiving, NegativeOrHugeTabCountsAreRefused)
{
    for (int count : {-1, 1000000}) {
        kit::Archiver out;
        StyleChar charStyle;
        out.encodeObject(&charStyle);
        out.encodeValuesOfObjCTypes("ffffffss", 0.f, 0.f, 0.f, 0.f, 0.f, 0.f, short(0), short(0));
        const char flags[6] = {};
        out.encodeValueOfObjCType("[6c]", &flags);
        out.encodeValueOfObjCType("i", &count);
        kit::Unarchiver in(out.data());
        StyleParagraph s;
        EXPECT_THROW(s.initWithCoder(in), kit::Exception) << count;
    }
}

TEST_F(StyleArchiving, BorderRoundTripRecomputesItsCache)
{
    Border b;
    b.setLeftStyle(4);
    b.setFillColor(kit::Color::lightGrayColor());
    auto back = roundTrip(b);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->leftStyle(), 4);
    EXPECT_EQ(back->leftWidth(), 0.75f);
    EXPECT_TRUE(back->hasFillColor());
    EXPECT_FALSE(back->areLinesEqual());
    // Named colours stay the very same objects, so the borders are equal.
    EXPECT_TRUE(back->isEqual(b));
}

} // namespace
