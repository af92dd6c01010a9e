// Groups: what a group refuses to be made of, how its members follow its
// geometry and attributes, hits through its members, cropping, and its
// stored form.

#include "items/tests/ItemTestSupport.h"

#include "core/Alert.h"
#include "core/Archiver.h"
#include "core/Exception.h"
#include "core/MainQueue.h"
#include "core/Unarchiver.h"
#include "document/Undo.h"
#include "foundation/Paint.h"
#include "graphics/PostScriptContext.h"
#include "graphics/RasterContext.h"
#include "items/ItemArray.h"
#include "items/ItemBox.h"
#include "items/ItemGroup.h"
#include "items/PlacedItem.h"
#include "items/TextItem.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class ItemGroupTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { setUpItemClasses(); }

    void SetUp() override
    {
        alerts_ = std::make_shared<kit::ScriptedAlertHandler>();
        kit::setAlertHandler(alerts_);
    }
    void TearDown() override
    {
        kit::MainQueue::drain();
        kit::setAlertHandler(nullptr);
    }

    // A box with neither fill nor line: its drawn bounds are its frame
    // grown by 1 on every side.
    static std::shared_ptr<ItemBox> box(const kit::Rect& frame)
    {
        auto b = std::make_shared<ItemBox>();
        b->setHasFill(false);
        b->setHasLine(false);
        b->setFrame(frame, false);
        return b;
    }

    static std::shared_ptr<ItemBox> filled(const kit::Rect& frame, const kit::ColorRef& color)
    {
        auto b = box(frame);
        b->setHasFill(true);
        b->setFillColor(color);
        return b;
    }

    // The group's own member list, as the undo records reach it.
    static std::vector<std::shared_ptr<Item>>& membersOf(ItemGroup& group)
    {
        return *Undo::groupMembersHook()(group);
    }

    static bool near(const kit::Rect& a, const kit::Rect& b, float e = 1e-4f)
    {
        return std::fabs(a.origin.x - b.origin.x) < e && std::fabs(a.origin.y - b.origin.y) < e &&
               std::fabs(a.size.width - b.size.width) < e && std::fabs(a.size.height - b.size.height) < e;
    }

    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
};

TEST_F(ItemGroupTest, AGroupIsMadeOfDistinctItemsNestedNoDeeperThanTheLimit)
{
    auto a = box(kit::makeRect(0, 0, 10, 10));
    auto b = box(kit::makeRect(20, 0, 10, 10));
    auto inner = ItemGroup::initWithList({a, b});
    ASSERT_NE(inner, nullptr);
    struct Case {
        const char* what;
        std::vector<std::shared_ptr<Item>> items;
    } refused[] = {
        {"an empty list", {}},
        {"an item listed twice", {a, a}},
        {"a group beside one of its own members", {inner, a}},
    };
    for (const Case& c : refused)
        EXPECT_EQ(ItemGroup::initWithList(c.items), nullptr) << c.what;

    // Wrapping a group in another, again and again, stops at the limit.
    std::shared_ptr<ItemGroup> deep = ItemGroup::initWithList({box(kit::makeRect(0, 0, 5, 5))});
    for (int depth = 2; depth <= ItemGroup::MaxNesting; ++depth) {
        deep = ItemGroup::initWithList({deep});
        ASSERT_NE(deep, nullptr) << depth;
    }
    EXPECT_EQ(deep->nestingDepth(), ItemGroup::MaxNesting);
    EXPECT_EQ(ItemGroup::initWithList({deep}), nullptr);
}

TEST_F(ItemGroupTest, TheFrameIsTheUnionOfTheMembersAndTheRatioNeverDividesByZero)
{
    auto group = ItemGroup::initWithList({box(kit::makeRect(10, 20, 30, 10)), box(kit::makeRect(50, 25, 10, 10))});
    ASSERT_NE(group, nullptr);
    // Each member's drawn bounds are its frame grown by 1.
    EXPECT_TRUE(near(group->frame(), kit::makeRect(9, 19, 52, 17))) << kit::stringFromRect(group->frame());
    EXPECT_FLOAT_EQ(group->naturalRatio(), 52.0f / 17.0f);
    EXPECT_EQ(group->hitItem(), nullptr);

    // A flat group (plain items of no height) keeps the ratio 1.
    auto flatA = std::make_shared<Item>();
    flatA->setFrame(kit::makeRect(0, 5, 10, 0), false);
    auto flatB = std::make_shared<Item>();
    flatB->setFrame(kit::makeRect(20, 5, 10, 0), false);
    auto flat = ItemGroup::initWithList({flatA, flatB});
    ASSERT_NE(flat, nullptr);
    EXPECT_FLOAT_EQ(flat->frame().size.height, 0.0f);
    EXPECT_FLOAT_EQ(flat->naturalRatio(), 1.0f);
    EXPECT_FLOAT_EQ(flat->currentRatio(), 1.0f);
}

TEST_F(ItemGroupTest, MembersFollowTheGroupsMovesResizesAndFlips)
{
    auto a = box(kit::makeRect(10, 10, 20, 10));
    auto b = box(kit::makeRect(40, 30, 10, 20));
    auto group = ItemGroup::initWithList({a, b});
    const kit::Rect start = group->frame(); // 9, 9, 42, 42

    group->moveBy(5, -3);
    EXPECT_TRUE(near(a->frame(), kit::makeRect(15, 7, 20, 10)));
    EXPECT_TRUE(near(b->frame(), kit::makeRect(45, 27, 10, 20)));
    group->moveBy(-5, 3);

    // Twice as wide, the same height: about the group's origin.
    group->sizeTo(start.size.width * 2, start.size.height, false);
    EXPECT_TRUE(near(a->frame(), kit::makeRect(11, 10, 40, 10))) << kit::stringFromRect(a->frame());
    EXPECT_TRUE(near(b->frame(), kit::makeRect(71, 30, 20, 20))) << kit::stringFromRect(b->frame());
    EXPECT_FLOAT_EQ(group->frame().size.width, start.size.width * 2);
    group->sizeTo(start.size.width, start.size.height, false);
    EXPECT_TRUE(near(a->frame(), kit::makeRect(10, 10, 20, 10)));

    // A mirror flips the members about the group origin and lands in the
    // group's matrix; its frame keeps its size.
    group->scaleUnitSquareToSize({-1, 1});
    float m[4];
    group->getMatrix(m);
    EXPECT_FLOAT_EQ(m[0], -1.0f);
    EXPECT_FLOAT_EQ(m[3], 1.0f);
    EXPECT_TRUE(near(group->frame(), start));
    float am[4];
    a->getMatrix(am);
    EXPECT_FLOAT_EQ(am[0], -1.0f);
    EXPECT_FLOAT_EQ(a->frame().origin.x, 2 * start.origin.x - 10);
}

TEST_F(ItemGroupTest, AZeroSideAZeroFactorOrASingularMatrixChangesNothing)
{
    auto a = box(kit::makeRect(10, 10, 20, 10));
    auto b = box(kit::makeRect(40, 30, 10, 20));
    auto group = ItemGroup::initWithList({a, b});
    const kit::Rect frame = group->frame(), aFrame = a->frame(), bFrame = b->frame();
    const float singular[4] = {1, 2, 2, 4};
    const std::function<void()> edits[] = {
        [&] { group->scaleUnitSquareToSize({0, 2}); },
        [&] { group->scaleUnitSquareToSize({2, 0}); },
        [&] { group->sizeTo(0, frame.size.height, false); },
        [&] { group->sizeTo(frame.size.width, 0, false); },
        [&] { group->setMatrix(singular); },
        [&] { group->postConcatMatrix(singular); },
        [&] { scaleBy({group.get()}, 0, 1, false); },
        // A knob dragged onto the opposite edge: the group neither shrinks
        // to nothing nor jumps there.
        [&] { group->setFrame(kit::makeRect(kit::maxX(frame), frame.origin.y, 0, frame.size.height), false); },
        [&] { group->setFrame(kit::makeRect(frame.origin.x, kit::maxY(frame), frame.size.width, 0), false); },
    };
    for (std::size_t i = 0; i < std::size(edits); ++i) {
        edits[i]();
        EXPECT_TRUE(near(group->frame(), frame)) << i;
        EXPECT_TRUE(near(a->frame(), aFrame)) << i;
        EXPECT_TRUE(near(b->frame(), bFrame)) << i;
        EXPECT_FALSE(group->isTransformed()) << i;
        EXPECT_FALSE(a->isTransformed()) << i;
    }
}

// A member that takes no line, as a picture without an outline.
class LinelessBox : public ItemBox {
public:
    bool canLine() const override { return false; }
};

TEST_F(ItemGroupTest, AttributesGoToTheGroupAndToTheMembersThatTakeThem)
{
    auto plain = box(kit::makeRect(0, 0, 10, 10));
    auto lineless = std::make_shared<LinelessBox>();
    lineless->setFrame(kit::makeRect(20, 0, 10, 10), false);
    auto group = ItemGroup::initWithList({plain, lineless});
    ASSERT_TRUE(group->canLine());
    const float linelessWidth = lineless->graphicStyle()->lineWidth();
    group->setLineWidth(7.0f);
    EXPECT_FLOAT_EQ(plain->lineWidth(), 7.0f);
    EXPECT_FLOAT_EQ(lineless->graphicStyle()->lineWidth(), linelessWidth);
    EXPECT_FLOAT_EQ(group->graphicStyle()->lineWidth(), 7.0f);

    group->setHasFill(true);
    EXPECT_TRUE(plain->hasFill());
    EXPECT_TRUE(lineless->hasFill());
    EXPECT_TRUE(group->hasFill());
    // The permissions are the members' together.
    EXPECT_EQ(group->graphicPermissions(), plain->graphicPermissions() | lineless->graphicPermissions());

    group->lock();
    EXPECT_TRUE(plain->isLocked());
    EXPECT_TRUE(lineless->isLocked());
    EXPECT_EQ(group->isHitAtKnob(kit::makePoint(-1, -1), nullptr), -1);
    group->unlock();
    EXPECT_FALSE(plain->isLocked());

    // Crops exactly when a member crops.
    EXPECT_FALSE(group->doesCrop());
    lineless->setDoesCrop(true);
    EXPECT_TRUE(group->doesCrop());
}

// An item that keeps text away by fixed amounts.
class RunaroundItem : public Item {
public:
    RunaroundItem(float left, float right) : left_(left), right_(right)
    {
        setRunaround(true, 0, 0, 0, 0, 0, false);
    }
    void getHorizontalDeltas(const Item*, kit::Point, kit::Point, kit::Point, kit::Point, float* left,
                             float* right) const override
    {
        *left = left_;
        *right = right_;
    }

private:
    float left_, right_;
};

TEST_F(ItemGroupTest, TheRunaroundOfAGroupIsTheGreatestOfItsMembersAndNeverNegative)
{
    struct Case {
        std::vector<std::pair<float, float>> members; // left, right; none: no runaround
        float left, right;
    } cases[] = {
        {{{12, -3}, {-3, 5}}, 12, 5},
        {{{-4, -2}}, 0, 0},
        {{}, 0, 0},
    };
    for (const Case& c : cases) {
        std::vector<std::shared_ptr<Item>> members{box(kit::makeRect(0, 0, 10, 10))};
        for (auto [l, r] : c.members)
            members.push_back(std::make_shared<RunaroundItem>(l, r));
        auto group = ItemGroup::initWithList(members);
        EXPECT_EQ(group->hasRunaroundMembers(), !c.members.empty());
        float left = -99, right = -99;
        group->getHorizontalDeltas(nullptr, {}, {}, {}, {}, &left, &right);
        EXPECT_FLOAT_EQ(left, c.left);
        EXPECT_FLOAT_EQ(right, c.right);
    }
}

TEST_F(ItemGroupTest, HitsGoThroughTheMembersAndACroppingShapeIsHitLast)
{
    auto under = filled(kit::makeRect(0, 0, 40, 40), kit::Color::whiteColor());
    auto over = filled(kit::makeRect(30, 30, 40, 40), kit::Color::whiteColor());
    auto group = ItemGroup::initWithList({under, over});
    struct Case {
        kit::Point at;
        Item* hit;
    } plainCases[] = {{{35, 35}, over.get()}, {{5, 5}, under.get()}, {{60, 5}, nullptr}};
    for (const Case& c : plainCases) {
        EXPECT_EQ(group->isHitAt(c.at, nullptr), c.hit != nullptr) << kit::stringFromPoint(c.at);
        EXPECT_EQ(group->hitItem(), c.hit) << kit::stringFromPoint(c.at);
    }

    // The lower box becomes the cropping shape: inside it but on no other
    // member the group is hit with it; the other member wins where it is.
    under->setDoesCrop(true);
    ASSERT_TRUE(group->doesCrop());
    EXPECT_TRUE(group->isHitAt({5, 5}, nullptr));
    EXPECT_EQ(group->hitItem(), under.get());
    EXPECT_TRUE(group->isHitAt({35, 35}, nullptr));
    EXPECT_EQ(group->hitItem(), over.get());
    // A marquee touching only the clipped member does not hit the group.
    EXPECT_FALSE(group->isHitInRect(kit::makeRect(60, 60, 5, 5), nullptr));
    EXPECT_TRUE(group->isHitInRect(kit::makeRect(2, 2, 5, 5), nullptr));
}

TEST_F(ItemGroupTest, TheMemberLastHitIsForgottenWhenTheMembersChangeOrItGoes)
{
    auto a = filled(kit::makeRect(0, 0, 10, 10), kit::Color::whiteColor());
    auto b = filled(kit::makeRect(20, 0, 10, 10), kit::Color::whiteColor());
    auto group = ItemGroup::initWithList({a, b});
    ASSERT_TRUE(group->isHitAt({25, 5}, nullptr));
    ASSERT_EQ(group->hitItem(), b.get());
    // Ungrouping takes the members out through the records' access.
    membersOf(*group);
    EXPECT_EQ(group->hitItem(), nullptr);

    // A member gone for good is never answered.
    ASSERT_TRUE(group->isHitAt({25, 5}, nullptr));
    auto& members = membersOf(*group);
    ASSERT_TRUE(group->isHitAt({25, 5}, nullptr));
    members.pop_back();
    b.reset();
    EXPECT_EQ(group->hitItem(), nullptr);
}

TEST_F(ItemGroupTest, ListsExpandThroughNestedGroups)
{
    auto a = box(kit::makeRect(0, 0, 10, 10));
    auto b = box(kit::makeRect(20, 0, 10, 10));
    auto c = box(kit::makeRect(40, 0, 10, 10));
    auto inner = ItemGroup::initWithList({a, b});
    auto outer = ItemGroup::initWithList({inner, c});
    auto d = box(kit::makeRect(60, 0, 10, 10));
    const std::vector<Item*> expanded = expandItemGroups({outer.get(), d.get()});
    const std::vector<Item*> expected{outer.get(), inner.get(), a.get(), b.get(), c.get(), d.get()};
    EXPECT_EQ(expanded, expected);
    EXPECT_TRUE(outer->containsItem(a.get()));
    EXPECT_FALSE(inner->containsItem(c.get()));
    EXPECT_FALSE(outer->hasAnyTextItems());
    auto column = std::make_shared<TextItem>();
    column->setFrame(kit::makeRect(0, 20, 50, 50), false);
    auto withText = ItemGroup::initWithList({outer, column});
    EXPECT_TRUE(withText->hasAnyTextItems());
    std::vector<TextFlow*> flows;
    std::vector<Item*> images;
    withText->pleaseListFlows(flows, images);
    EXPECT_EQ(flows, std::vector<TextFlow*>{column->flow()});
}

TEST_F(ItemGroupTest, ThePicturesOfAGroupAreListedOnceAndThoseOfMemberGroupsNot)
{
    auto picture = std::make_shared<PlacedItem>(PlacedItem::Defaults::None);
    auto inside = std::make_shared<PlacedItem>(PlacedItem::Defaults::None);
    auto inner = ItemGroup::initWithList({inside});
    auto group = ItemGroup::initWithList({box(kit::makeRect(0, 0, 10, 10)), picture, inner});
    std::vector<Item*> images;
    group->addImagesToList(images);
    group->addImagesToList(images);
    EXPECT_EQ(images, std::vector<Item*>{picture.get()});
}

// ---- Drawing.

class CroppedDrawing : public ItemGroupTest {
protected:
    static constexpr int Side = 100;
    // The group drawn on white paper; the colour at a point.
    std::uint32_t at(kit::RasterContext& raster, int x, int y) { return raster.pixel(x, Side - 1 - y) & 0xFFFFFF; }
};

TEST_F(CroppedDrawing, TheMembersAreClippedToTheCroppingShape)
{
    auto red = filled(kit::makeRect(0, 0, Side, Side), kit::Color::colorWithDeviceRed(1, 0, 0));
    auto shape = box(kit::makeRect(35, 35, 30, 30));
    shape->setDoesCrop(true);
    auto group = ItemGroup::initWithList({red, shape});
    kit::RasterContext raster(Side, Side, 72);
    raster.fillImage(0xFFFFFFFF);
    {
        kit::DrawContext::Scope scope(raster);
        ASSERT_TRUE(group->drawSelfInView(Paint::into(raster), kit::makeRect(0, 0, Side, Side)));
    }
    EXPECT_EQ(at(raster, 50, 50), 0xFF0000u);
    for (auto [x, y] : {std::pair{10, 10}, {90, 90}, {10, 90}, {50, 20}})
        EXPECT_EQ(at(raster, x, y), 0xFFFFFFu) << x << "," << y;

    // Without the crop the whole square is red.
    shape->setDoesCrop(false);
    raster.fillImage(0xFFFFFFFF);
    {
        kit::DrawContext::Scope scope(raster);
        group->drawSelfInView(Paint::into(raster), kit::makeRect(0, 0, Side, Side));
    }
    EXPECT_EQ(at(raster, 10, 10), 0xFF0000u);
}

TEST_F(CroppedDrawing, TheQuickDrawingDrawsEveryMemberOnlyWhereAskedTo)
{
    auto red = filled(kit::makeRect(0, 0, 40, 40), kit::Color::colorWithDeviceRed(1, 0, 0));
    auto blue = filled(kit::makeRect(60, 60, 40, 40), kit::Color::colorWithDeviceRed(0, 0, 1));
    auto inner = ItemGroup::initWithList({blue});
    auto group = ItemGroup::initWithList({red, inner});
    kit::RasterContext raster(Side, Side, 72);
    raster.fillImage(0xFFFFFFFF);
    {
        kit::DrawContext::Scope scope(raster);
        // Far from the group: nothing drawn.
        EXPECT_FALSE(group->drawFastInView(Paint::into(raster), kit::makeRect(500, 500, 10, 10)));
        EXPECT_EQ(at(raster, 20, 20), 0xFFFFFFu);
        EXPECT_TRUE(group->drawFastInView(Paint::into(raster), kit::makeRect(0, 0, Side, Side)));
    }
    EXPECT_EQ(at(raster, 20, 20), 0xFF0000u);
    EXPECT_EQ(at(raster, 80, 80), 0x0000FFu);
    EXPECT_EQ(at(raster, 50, 50), 0xFFFFFFu);
}

TEST_F(CroppedDrawing, ASelectedCroppingGroupShowsTheClippedPartsAsAGhost)
{
    auto red = filled(kit::makeRect(0, 0, Side, Side), kit::Color::colorWithDeviceRed(1, 0, 0));
    auto shape = box(kit::makeRect(35, 35, 30, 30));
    shape->setDoesCrop(true);
    auto group = ItemGroup::initWithList({red, shape});
    for (bool selected : {false, true}) {
        if (selected)
            group->select();
        kit::RasterContext raster(Side, Side, 72);
        raster.fillImage(0xFFFFFFFF);
        {
            kit::DrawContext::Scope scope(raster);
            group->drawSelfInView(Paint::into(raster), kit::makeRect(0, 0, Side, Side));
        }
        EXPECT_EQ(at(raster, 50, 50), 0xFF0000u) << selected;
        // The ghost is the white drawing: gray 0.8.
        EXPECT_EQ(at(raster, 10, 10), selected ? 0xCCCCCCu : 0xFFFFFFu) << std::hex << at(raster, 10, 10);
    }
}

TEST_F(CroppedDrawing, ASecondCroppingShapeIsToldAfterTheScreenDrawingAndNeverWhilePrinting)
{
    auto red = filled(kit::makeRect(0, 0, Side, Side), kit::Color::colorWithDeviceRed(1, 0, 0));
    auto first = box(kit::makeRect(35, 35, 30, 30));
    auto second = box(kit::makeRect(0, 0, 20, 20));
    first->setDoesCrop(true);
    second->setDoesCrop(true);
    auto group = ItemGroup::initWithList({red, first, second});

    // Printing draws unclipped and tells no one.
    kit::PostScriptContext ps;
    ps.beginDocument({});
    ps.beginPage("1", 1, kit::makeRect(0, 0, Side, Side));
    {
        kit::DrawContext::Scope scope(ps);
        EXPECT_TRUE(group->drawSelfInView(Paint::into(ps), kit::makeRect(0, 0, Side, Side)));
    }
    ps.endPage();
    ps.endDocument();
    kit::MainQueue::drain();
    EXPECT_TRUE(alerts_->shown().empty());
    EXPECT_TRUE(second->doesCrop());

    // On the screen: drawn unclipped, the model untouched until the drawing is over.
    kit::RasterContext raster(Side, Side, 72);
    raster.fillImage(0xFFFFFFFF);
    {
        kit::DrawContext::Scope scope(raster);
        group->drawSelfInView(Paint::into(raster), kit::makeRect(0, 0, Side, Side));
        group->drawSelfInView(Paint::into(raster), kit::makeRect(0, 0, Side, Side));
        EXPECT_TRUE(alerts_->shown().empty());
        EXPECT_TRUE(second->doesCrop());
    }
    EXPECT_EQ(at(raster, 90, 90), 0xFF0000u);
    kit::MainQueue::drain();
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(alerts_->beeps(), 1);
    EXPECT_FALSE(second->doesCrop());
    EXPECT_TRUE(first->doesCrop());
}

// ---- Stored form.

TEST_F(ItemGroupTest, AStoredGroupReadsBackWithItsMembers)
{
    auto a = filled(kit::makeRect(10, 10, 20, 10), kit::Color::colorWithDeviceRed(0, 1, 0));
    auto b = box(kit::makeRect(40, 30, 10, 20));
    auto inner = ItemGroup::initWithList({b});
    auto group = ItemGroup::initWithList({a, inner});
    group->rotateByAngle(30);
    const std::string data = kit::Archiver::archivedDataWithRootObject(group.get());
    std::vector<std::unique_ptr<kit::Object>> unclaimed;
    std::unique_ptr<ItemGroup> read = kit::Unarchiver::unarchiveObjectWithData<ItemGroup>(data, unclaimed);
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->items().size(), 2u);
    EXPECT_TRUE(near(read->items()[0]->frame(), a->frame()));
    const auto* readInner = dynamic_cast<const ItemGroup*>(read->items()[1].get());
    ASSERT_NE(readInner, nullptr);
    ASSERT_EQ(readInner->items().size(), 1u);
    EXPECT_TRUE(near(readInner->items()[0]->frame(), b->frame()));
    EXPECT_FLOAT_EQ(read->naturalRatio(), group->naturalRatio());
    float m[4], n[4];
    group->getMatrix(m);
    read->getMatrix(n);
    for (int i = 0; i < 4; ++i)
        EXPECT_FLOAT_EQ(m[i], n[i]);
    EXPECT_EQ(kit::Archiver::archivedDataWithRootObject(read.get()), data);
}

TEST_F(ItemGroupTest, AGroupInsideItselfOrNestedTooDeepIsRefusedOnReading)
{
    auto a = box(kit::makeRect(0, 0, 10, 10));
    auto group = ItemGroup::initWithList({a});
    // Damaged files are made by hand: the group holds itself.
    auto& members = membersOf(*group);
    members.push_back(group);
    const std::string selfData = kit::Archiver::archivedDataWithRootObject(group.get());
    members.pop_back();

    // Two groups holding each other.
    auto other = ItemGroup::initWithList({box(kit::makeRect(0, 0, 5, 5))});
    membersOf(*group).push_back(other);
    membersOf(*other).push_back(group);
    const std::string mutualData = kit::Archiver::archivedDataWithRootObject(group.get());
    membersOf(*other).pop_back();
    membersOf(*group).pop_back();

    // One level deeper than a group can be built.
    std::shared_ptr<ItemGroup> deep = ItemGroup::initWithList({box(kit::makeRect(0, 0, 5, 5))});
    for (int depth = 2; depth <= ItemGroup::MaxNesting; ++depth)
        deep = ItemGroup::initWithList({deep});
    ItemGroup tooDeep;
    membersOf(tooDeep).push_back(deep);
    const std::string deepData = kit::Archiver::archivedDataWithRootObject(&tooDeep);
    membersOf(tooDeep).clear();
    // The deepest that may be built reads back.
    const std::string deepestData = kit::Archiver::archivedDataWithRootObject(deep.get());
    std::vector<std::unique_ptr<kit::Object>> unclaimed;
    EXPECT_NE(kit::Unarchiver::unarchiveObjectWithData<ItemGroup>(deepestData, unclaimed), nullptr);

    for (const std::string* data : {&selfData, &mutualData, &deepData}) {
        std::vector<std::unique_ptr<kit::Object>> rest;
        EXPECT_THROW(kit::Unarchiver::unarchiveObjectWithData<ItemGroup>(*data, rest), kit::Exception);
    }
}

} // namespace
