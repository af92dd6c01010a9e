// Points and dragged items snap within a reach that stays 4 screen pixels
// at every zoom; knobs on guides are marked for the drag's feedback.

#include "core/Values.h"
#include "document/Guide.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/CMGeometry.h"
#include "foundation/StyleGraphic.h"
#include "items/ItemBox.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace {

class PageSnappingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        kit::registerValueClasses();
        StyleGraphic::initialize();
        Item::initialize();
        Page::initialize();
    }
    void SetUp() override
    {
        savedZoom_ = CMZoomStatus;
        document_.setPageSize(kit::makeSize(612, 792));
        document_.setFirstPageNum(1);
        document_.setMasterPage(std::make_unique<Page>());
        ASSERT_TRUE(document_.addPages(1, 0));
        page_ = document_.pageAt(0);
        page_->setSize(kit::makeSize(612, 792));
    }
    void TearDown() override { CMZoomStatus = savedZoom_; }

    Item* box(const kit::Rect& frame)
    {
        auto item = std::make_shared<ItemBox>();
        item->setFrame(frame, false);
        Item* raw = item.get();
        page_->addItems(item);
        return raw;
    }

    float savedZoom_ = 1.0f;
    LayoutDocument document_;
    Page* page_ = nullptr;
};

// Within reach snaps, one screen pixel beyond does not, at each zoom; the
// first guide in the list wins, not the nearest.
TEST_F(PageSnappingTest, APointSnapsWithinFourScreenPixelsOfAGuide)
{
    page_->addGuide(std::make_unique<Guide>(100.0f, Guide::Vertical));
    page_->addGuide(std::make_unique<Guide>(101.0f, Guide::Vertical));
    page_->addGuide(std::make_unique<Guide>(300.0f, Guide::Horizontal));
    for (float zoom : {0.5f, 1.0f, 4.0f}) {
        SCOPED_TRACE(zoom);
        CMZoomStatus = zoom;
        const float pixel = 1.0f / zoom;
        const float inside = 4.0f * pixel - pixel / 4.0f, beyond = 5.0f * pixel;
        kit::Point p{100.0f - inside, 300.0f + inside};
        EXPECT_EQ(page_->snapPointToGuides(&p), 3);
        EXPECT_FLOAT_EQ(p.x, 100.0f);
        EXPECT_FLOAT_EQ(p.y, 300.0f);
        kit::Point far{100.0f - beyond, 300.0f + beyond};
        EXPECT_EQ(page_->snapPointToGuides(&far), 0);
        EXPECT_FLOAT_EQ(far.x, 100.0f - beyond);
        // 101 is nearer, but 100 comes first.
        kit::Point near101{101.2f, 0.0f};
        if (std::fabs(100.0f - 101.2f) < 4.0f * pixel) {
            EXPECT_EQ(page_->snapPointToGuides(&near101) & 1, 1);
            EXPECT_FLOAT_EQ(near101.x, 100.0f);
        }
    }
    // An axis the caller already snapped stays.
    CMZoomStatus = 1.0f;
    kit::Point q{99.0f, 299.0f};
    int mask = 1;
    EXPECT_EQ(Page::snapPoint(&q, page_->guides(), &mask), 3);
    EXPECT_FLOAT_EQ(q.x, 99.0f);
    EXPECT_FLOAT_EQ(q.y, 300.0f);
}

TEST_F(PageSnappingTest, CornersSnapOnlyOnAPageAndZoomThatAreFiniteAndPositive)
{
    CMZoomStatus = 1.0f;
    kit::Point p{609.0f, 397.0f};
    EXPECT_EQ(page_->snapPointToCorners(&p), 3);
    EXPECT_FLOAT_EQ(p.x, 612.0f);
    EXPECT_FLOAT_EQ(p.y, 396.0f);

    // A zero or broken size, or a zoom of 0 or NaN, snaps nothing (and ends).
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        kit::Size size;
        float zoom;
    } cases[] = {{{0, 0}, 1.0f},      {{612, 0}, 1.0f}, {{nan, 792}, 1.0f},
                 {{612, inf}, 1.0f}, {{612, 792}, 0.0f}, {{612, 792}, nan}};
    for (const Case& c : cases) {
        page_->setSize(c.size);
        CMZoomStatus = c.zoom;
        kit::Point q{1.0f, 1.0f};
        EXPECT_EQ(page_->snapPointToCorners(&q), 0) << c.size.width << " x " << c.size.height << " at " << c.zoom;
        EXPECT_FLOAT_EQ(q.x, 1.0f);
    }
}

// The items' knobs snap the offset; only knobs on a guide are marked, an
// edge lying on a guide shows its middle knob alone.
TEST_F(PageSnappingTest, DraggedItemsSnapByTheirKnobsAndMarkThem)
{
    CMZoomStatus = 1.0f;
    Item* a = box(kit::makeRect(100, 100, 50, 40));
    page_->addGuide(std::make_unique<Guide>(203.0f, Guide::Horizontal));

    // Dragged by (0, 100): the top edge (y 200) is 3 points from the guide.
    kit::Point offset{0.0f, 100.0f};
    KnobMarkerList markers;
    EXPECT_EQ(page_->snapItemsToGuides({a}, &offset, &markers), 2);
    EXPECT_FLOAT_EQ(offset.x, 0.0f);
    EXPECT_FLOAT_EQ(offset.y, 103.0f);
    ASSERT_EQ(markers.count, 1);
    EXPECT_FLOAT_EQ(markers.startX, 125.0f);
    EXPECT_FLOAT_EQ(markers.startY, 203.0f);

    // A vertical guide of the document too: the left edge (x 100) lands on
    // it; each edge on a guide shows its middle knob.
    document_.addMasterGuide(std::make_unique<Guide>(102.0f, Guide::Vertical));
    offset = {0.0f, 100.0f};
    EXPECT_EQ(page_->snapItemsToGuides({a}, &offset, &markers), 3);
    EXPECT_FLOAT_EQ(offset.x, 2.0f);
    EXPECT_FLOAT_EQ(offset.y, 103.0f);
    EXPECT_EQ(markers.count, 2);
    EXPECT_GE(markers.points.size(), std::size_t(2 * markers.count));
    // Markers follow each other as moves: from the left edge's middle knob
    // (102, 223) to the top edge's middle knob (127, 203).
    EXPECT_FLOAT_EQ(markers.startX, 102.0f);
    EXPECT_FLOAT_EQ(markers.startY, 223.0f);
    EXPECT_FLOAT_EQ(markers.points[0], 25.0f);
    EXPECT_FLOAT_EQ(markers.points[1], -20.0f);

    // Out of reach: nothing snaps and the offset stays.
    offset = {50.0f, 50.0f};
    EXPECT_EQ(page_->snapItemsToGuides({a}, &offset, &markers), 0);
    EXPECT_EQ(markers.count, 0);
    EXPECT_FLOAT_EQ(offset.y, 50.0f);
    EXPECT_EQ(page_->snapItemsToGuides({}, &offset, &markers), 0);
}

// Many items' knobs on one guide each take room: the list grows with every
// marker rather than once per item.
TEST_F(PageSnappingTest, EveryMarkerHasRoomWhateverTheGuidesCount)
{
    CMZoomStatus = 1.0f;
    std::vector<Item*> items;
    for (int i = 0; i < 20; ++i)
        items.push_back(box(kit::makeRect(10.0f + 20.0f * float(i), 100, 10, 10)));
    for (int i = 0; i < 20; ++i) {
        page_->addGuide(std::make_unique<Guide>(10.0f + 20.0f * float(i), Guide::Vertical));
        page_->addGuide(std::make_unique<Guide>(20.0f + 20.0f * float(i), Guide::Vertical));
    }
    page_->addGuide(std::make_unique<Guide>(100.0f, Guide::Horizontal));
    page_->addGuide(std::make_unique<Guide>(105.0f, Guide::Horizontal));
    page_->addGuide(std::make_unique<Guide>(110.0f, Guide::Horizontal));
    kit::Point offset{0.0f, 0.0f};
    KnobMarkerList markers;
    EXPECT_EQ(page_->snapItemsToGuides(items, &offset, &markers), 3);
    // Per item: top, middle row and bottom edges (1 + knobs 7, 3 + 1) and
    // both sides (1 + 1).
    EXPECT_EQ(markers.count, 20 * 6);
    EXPECT_GE(markers.points.size(), std::size_t(2 * markers.count));
}

TEST_F(PageSnappingTest, PointsAndItemsSnapToRulerTicks)
{
    // Inches at 100 %: ticks every eighth of an inch (9 points) or finer.
    CMZoomStatus = 1.0f;
    kit::Point p{73.0f, 500.0f};
    const int mask = page_->snapPointToRulers(&p, 2);
    EXPECT_EQ(mask, 2);
    EXPECT_NEAR(std::fmod(p.x, 4.5f), 0.0f, 1e-3f);
    EXPECT_FLOAT_EQ(p.y, 500.0f);

    Item* a = box(kit::makeRect(100.5f, 200.5f, 50, 40));
    kit::Point offset{0.0f, 0.0f};
    EXPECT_EQ(page_->snapItemsToRulers({a}, &offset), 3);
    EXPECT_NEAR(std::fmod(100.5f + offset.x, 4.5f), 0.0f, 1e-3f);
    EXPECT_NEAR(std::fmod(200.5f + offset.y, 4.5f), 0.0f, 1e-3f);

    CMZoomStatus = std::numeric_limits<float>::quiet_NaN();
    offset = {0.0f, 0.0f};
    EXPECT_EQ(page_->snapItemsToRulers({a}, &offset), 0);
}

TEST(KnobMarkers, AnEdgeOnAGuideShowsItsMiddleKnob)
{
    const kit::Point knobs[8] = {{0, 0}, {5, 0}, {10, 0}, {10, 5}, {10, 10}, {5, 10}, {0, 10}, {0, 5}};
    struct Case {
        bool flags[8];
        bool horizontal;
        std::vector<int> expected;
    } cases[] = {
        {{true, true, true, false, false, false, false, false}, true, {1}},
        {{false, false, false, false, true, true, true, false}, true, {5}},
        {{true, false, false, false, false, false, false, false}, true, {0}},
        {{true, true, false, false, false, false, true, false}, true, {0, 1, 6}},
        {{true, false, false, false, false, false, true, true}, false, {7}},
        {{false, false, true, true, true, false, false, false}, false, {3}},
        {{false, false, true, false, true, false, false, false}, false, {2, 4}},
    };
    for (const Case& c : cases) {
        KnobMarkerList list;
        (c.horizontal ? copyHNormalKnobs : copyVNormalKnobs)(&list, knobs, c.flags);
        ASSERT_EQ(list.count, int(c.expected.size()));
        for (int i = 0; i < list.count; ++i) {
            EXPECT_FLOAT_EQ(list.points[std::size_t(2 * i)], knobs[c.expected[std::size_t(i)]].x);
            EXPECT_FLOAT_EQ(list.points[std::size_t(2 * i + 1)], knobs[c.expected[std::size_t(i)]].y);
        }
    }
}

} // namespace
