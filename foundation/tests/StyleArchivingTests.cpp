#include "core/Archiver.h"
#include "core/Unarchiver.h"
#include "core/Values.h"
#include "foundation/Border.h"
#include "foundation/StoredColor.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/Font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace {

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

    // A parent and its substyle, archived in that order in an array, read
    // back; the decoded objects are left in unclaimed_.
    template <class Named>
    std::pair<Named*, Named*> parentAndChildReadBack(const char* parentName, const char* childName)
    {
        auto parent = std::make_unique<Named>();
        parent->setStyleName(std::string(parentName));
        std::unique_ptr<Named> child = parent->newSubstyle();
        child->setStyleName(std::string(childName));
        kit::Array list;
        list.addObject(parent.get());
        list.addObject(child.get());
        const std::string data = kit::Archiver::archivedDataWithRootObject(&list);
        auto back = kit::Unarchiver::unarchiveObjectWithData<kit::Array>(data, unclaimed_);
        if (!back || back->count() != 2)
            return {nullptr, nullptr};
        return {dynamic_cast<Named*>(back->objectAt(0)), dynamic_cast<Named*>(back->objectAt(1))};
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
    auto [p, c] = parentAndChildReadBack<StyleGraphicNamed>("Frame", "Frame copy");
    ASSERT_TRUE(p && c);
    EXPECT_EQ(c->superstyle(), p);
    ASSERT_NE(p->substyles(), nullptr);
    EXPECT_EQ(p->substyles()->size(), 1u);
    EXPECT_EQ(c->styleName(), "Frame copy");
}

TEST_F(StyleArchiving, NamedParagraphStylesReadTheirParentWithoutJoiningItsList)
{
    auto [p, c] = parentAndChildReadBack<StyleParagraphNamed>("Body", "Body+");
    ASSERT_TRUE(p && c);
    EXPECT_EQ(c->superstyle(), p);
    EXPECT_EQ(p->substyles(), nullptr);
    EXPECT_EQ(c->rootName(), "Body");
    // Freed parent first, as the pool hands them out: the child becomes a root.
    auto held = [this](const kit::Object* o) {
        return std::find_if(unclaimed_.begin(), unclaimed_.end(), [o](const auto& u) { return u.get() == o; });
    };
    ASSERT_LT(held(p), held(c));
    held(p)->reset();
    EXPECT_EQ(c->superstyle(), nullptr);
    EXPECT_EQ(c->rootName(), "Body+");
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
    auto back = kit::Unarchiver::unarchiveObjectWithData<kit::Array>(data, unclaimed_);
    ASSERT_NE(back, nullptr);
    auto* ra = dynamic_cast<StyleParagraphNamed*>(back->objectAt(0));
    auto* rb = dynamic_cast<StyleParagraphNamed*>(back->objectAt(1));
    ASSERT_TRUE(ra && rb);
    EXPECT_TRUE(ra->isBasedOnStyle(rb));
    StyleParagraphNamed outsider;
    EXPECT_FALSE(ra->isBasedOnStyle(&outsider));
    EXPECT_EQ(ra->superstyle(), rb);
    EXPECT_EQ(rb->superstyle(), ra);
    EXPECT_NE(ra->rootStyle(), nullptr);
    EXPECT_TRUE(ra->rootName() == "A" || ra->rootName() == "B");
}

// Graphs of named styles as archives hold them, hostile ones included: each
// entry is the index of the style's superstyle, or -1; the array archived
// holds the first `stored` styles (all for -1). Read back and freed in every
// order, no style may be left pointing at a freed one.
struct StyleGraph {
    const char* what;
    std::vector<int> parents;
    int stored = -1;
};

const StyleGraph styleGraphs[] = {
    {"parent then child", {-1, 0}},
    {"child before its parent", {1, -1}},
    {"two children and a grandchild", {-1, 0, 0, 2}},
    {"a style its own superstyle", {0}},
    {"a loop of two", {1, 0}},
    {"a loop of three beside a parent and child", {-1, 0, 3, 4, 2}},
    {"a child whose parent is not stored", {-1, 2, -1}, 2},
};

enum class FreeOrder { AsMade, Reversed, WithTheDecoder };

template <class Named>
class DecodedStyleGraphs : public StyleArchiving {
protected:
    std::string archive(const StyleGraph& graph)
    {
        std::vector<std::unique_ptr<Named>> styles;
        for (std::size_t i = 0; i < graph.parents.size(); ++i) {
            styles.push_back(std::make_unique<Named>());
            styles.back()->setStyleName("S" + std::to_string(i));
        }
        for (std::size_t i = 0; i < graph.parents.size(); ++i)
            if (graph.parents[i] >= 0)
                styles[i]->setSuperstyle(styles[std::size_t(graph.parents[i])].get());
        const std::size_t stored = graph.stored < 0 ? styles.size() : std::size_t(graph.stored);
        kit::Array list;
        for (std::size_t i = 0; i < stored; ++i)
            list.addObject(styles[i].get());
        return kit::Archiver::archivedDataWithRootObject(&list);
    }

    // Every style still alive reads its whole chain (ASan catches a freed one).
    static void walk(const std::vector<Named*>& alive)
    {
        for (Named* s : alive) {
            EXPECT_NE(s->rootStyle(), nullptr);
            EXPECT_TRUE(s->rootName().has_value());
            if (Named* up = s->superstyle()) {
                EXPECT_NE(std::find(alive.begin(), alive.end(), up), alive.end()) << "a link to a freed style";
            }
        }
    }

    void readAndFree(const StyleGraph& graph, FreeOrder order)
    {
        const std::string data = archive(graph);
        if (order == FreeOrder::WithTheDecoder) {
            kit::Unarchiver in(data);
            auto* list = dynamic_cast<kit::Array*>(in.decodeObject());
            ASSERT_NE(list, nullptr);
            std::vector<Named*> alive;
            for (kit::Object* o : list->objects())
                alive.push_back(dynamic_cast<Named*>(o));
            walk(alive);
            return;
        }
        // The pool hands out the names' strings too; they may go in between.
        std::vector<std::unique_ptr<kit::Object>> unclaimed;
        auto list = kit::Unarchiver::unarchiveObjectWithData<kit::Array>(data, unclaimed);
        ASSERT_NE(list, nullptr);
        if (order == FreeOrder::Reversed)
            std::reverse(unclaimed.begin(), unclaimed.end());
        std::vector<Named*> alive;
        for (const auto& o : unclaimed)
            if (auto* n = dynamic_cast<Named*>(o.get()))
                alive.push_back(n);
        ASSERT_EQ(alive.size(), list->count());
        walk(alive);
        list.reset();
        for (auto& o : unclaimed) {
            auto* n = dynamic_cast<Named*>(o.get());
            o.reset();
            if (n) {
                std::erase(alive, n);
                walk(alive);
            }
        }
    }
};

using NamedStyleClasses = ::testing::Types<StyleParagraphNamed, StyleGraphicNamed>;
TYPED_TEST_SUITE(DecodedStyleGraphs, NamedStyleClasses);

TYPED_TEST(DecodedStyleGraphs, FreeCleanlyInEveryOrder)
{
    for (const StyleGraph& graph : styleGraphs) {
        for (FreeOrder order : {FreeOrder::AsMade, FreeOrder::Reversed, FreeOrder::WithTheDecoder}) {
            SCOPED_TRACE(std::string(graph.what) + ", order " + std::to_string(int(order)));
            this->readAndFree(graph, order);
        }
    }
}

TYPED_TEST(DecodedStyleGraphs, ParentsAreReadBackExceptTheStyleItself)
{
    const StyleGraph childFirst{"child before its parent", {1, -1}};
    std::vector<std::unique_ptr<kit::Object>> unclaimed;
    auto list = kit::Unarchiver::unarchiveObjectWithData<kit::Array>(this->archive(childFirst), unclaimed);
    ASSERT_NE(list, nullptr);
    auto* child = dynamic_cast<TypeParam*>(list->objectAt(0));
    auto* parent = dynamic_cast<TypeParam*>(list->objectAt(1));
    ASSERT_TRUE(child && parent);
    EXPECT_EQ(child->superstyle(), parent);
    EXPECT_EQ(child->styleName(), "S0");

    const StyleGraph self{"a style its own superstyle", {0}};
    std::vector<std::unique_ptr<kit::Object>> unclaimedSelf;
    auto selfList = kit::Unarchiver::unarchiveObjectWithData<kit::Array>(this->archive(self), unclaimedSelf);
    ASSERT_NE(selfList, nullptr);
    auto* s = dynamic_cast<TypeParam*>(selfList->objectAt(0));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->superstyle(), nullptr);
    EXPECT_TRUE(s->isRootStyle());
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
        in.setOpenFileVersion(c.version);
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
        in.setOpenFileVersion(c.version);
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
