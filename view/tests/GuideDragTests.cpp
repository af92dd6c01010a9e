// The guide's drag loop driven by scripted drags in a window: a guide pulled
// out of a ruler, moved with its followers, dropped on another page or off
// every page, narrowed by its delegate, snapped to the rulers, and the undo
// record each drop leaves; snapping a point to guides and ruler ticks.

#include "ItemLoopTestSupport.h"

#include "core/EventState.h"
#include "document/Guide.h"
#include "document/UndoComposite.h"
#include "document/UndoGuide.h"
#include "foundation/CMGeometry.h"
#include "foundation/Units.h"
#include "foundation/UnitsInfo.h"

namespace {

class GuideDragTest : public ItemLoopTest {
protected:
    void TearDown() override
    {
        CMZoomStatus = 1.0f;
        ItemLoopTest::TearDown();
    }

    UndoInfo& stack() { return *document_->undoInfo(); }

    Guide* addGuide(Page* page, float location, char orientation)
    {
        auto guide = std::make_unique<Guide>(location, orientation);
        guide->setDelegate(document_.get());
        Guide* raw = guide.get();
        page->addGuide(std::move(guide));
        return raw;
    }

    // The drag of an existing guide from a point of its page.
    void drag(Guide* guide, Page* from, kit::Point start, const std::vector<kit::Point>& path, unsigned flags = 0)
    {
        queueDrag(from, path, flags);
        const kit::Event down = mouseAt(kit::EventType::LeftMouseDown, from, start, flags);
        guide->dragFromPoint(view_->convertPointFromView(down.locationInWindow(), nullptr), view_, down);
    }

    // A new guide pulled out at a point of the page, dragged to canvas points.
    void pullOut(std::unique_ptr<Guide> guide, kit::Point canvasStart, const std::vector<kit::Point>& canvasPath,
                 unsigned flags = 0)
    {
        queueCanvasDrag(canvasPath, flags);
        const kit::Event down = mouseAt(kit::EventType::LeftMouseDown, canvasInWindow(canvasStart), flags);
        Guide::dragFromPoint(std::move(guide), canvasStart, view_, down);
    }

    // A canvas point of a page.
    kit::Point onCanvas(const Page* page, kit::Point p) const
    {
        page->convertToView(&p);
        return p;
    }
    // The middle of the gap between the two pages, at the height of a page point.
    kit::Point inGap(float y) const
    {
        const float x = (kit::maxX(pages_[0]->pageRect()) + kit::minX(pages_[1]->pageRect())) / 2;
        return {x, pages_[0]->pageRect().origin.y + y};
    }
};

// A delegate that may narrow the limits or refuse, and remembers the drops.
class TestDelegate : public GuideDelegate, public kit::WeakTarget {
public:
    bool guideWillDrag(Guide*, kit::Point, kit::Rect* inRect, bool isNew) override
    {
        asked.push_back(isNew);
        if (limits)
            *inRect = *limits;
        return answer;
    }
    void guideDidDrag(Guide*, bool willFree) override { frees.push_back(willFree); }
    bool answer = true;
    std::optional<kit::Rect> limits;
    std::vector<bool> asked, frees;
};

TEST_F(GuideDragTest, AGuidePulledOutOfARulerLandsOnThePageAndUndoTakesItAway)
{
    document_->setShowGuides(false);
    // From the ruler above the page down to y 250 of the first page.
    queueCanvasDrag({onCanvas(pages_[0], {200, 100}), onCanvas(pages_[0], {200, 250})});
    view_->addGuide(mouseAt(kit::EventType::LeftMouseDown, canvasInWindow(onCanvas(pages_[0], {200, 0}))),
                    Guide::Horizontal);
    ASSERT_EQ(pages_[0]->guides().size(), 1u);
    Guide* guide = pages_[0]->guides().front().get();
    EXPECT_FLOAT_EQ(guide->location(), 250.0f);
    EXPECT_EQ(guide->orientation(), Guide::Horizontal);
    EXPECT_EQ(guide->delegate(), document_.get());
    // Guides were hidden: they are shown now.
    EXPECT_TRUE(document_->showGuides());
    ASSERT_EQ(stack().count(), 1);
    EXPECT_EQ(stack().currentRecord()->undoType(), Undo::GuideAdded);

    ASSERT_TRUE(stack().undo());
    EXPECT_TRUE(pages_[0]->guides().empty());
    ASSERT_TRUE(stack().redo());
    ASSERT_EQ(pages_[0]->guides().size(), 1u);
    EXPECT_FLOAT_EQ(pages_[0]->guides().front()->location(), 250.0f);
}

TEST_F(GuideDragTest, ANewGuideDroppedBetweenThePagesIsDiscardedAndRecordsNothing)
{
    TestDelegate delegate;
    auto guide = std::make_unique<Guide>(0.0f, Guide::Vertical);
    guide->setDelegate(&delegate);
    kit::WeakLink<Guide> alive(guide.get());
    pullOut(std::move(guide), onCanvas(pages_[0], {300, 300}), {onCanvas(pages_[0], {500, 300}), inGap(300)});
    EXPECT_EQ(alive.get(), nullptr);
    EXPECT_EQ(delegate.asked, std::vector<bool>{true});
    EXPECT_EQ(delegate.frees, std::vector<bool>{true});
    EXPECT_EQ(stack().count(), 0);
    EXPECT_TRUE(pages_[0]->guides().empty());
    EXPECT_TRUE(pages_[1]->guides().empty());
}

TEST_F(GuideDragTest, MovingTheTopMarginMovesItsFollowersAndOneUndoMovesThemBack)
{
    // The document's own guides: top margin, header bottom, header top.
    auto make = [&](float at) {
        auto g = std::make_unique<Guide>(at, Guide::Horizontal);
        g->setDelegate(document_.get());
        Guide* raw = g.get();
        document_->addMasterGuide(std::move(g));
        return raw;
    };
    Guide* top = make(100);
    Guide* headerBottom = make(80);
    Guide* headerTop = make(60);
    top->setPartner(headerBottom);
    headerBottom->setPartner(headerTop);
    // Nil is no partner: the link stays.
    headerTop->setPartner(nullptr);
    EXPECT_EQ(headerTop->partner(), nullptr);
    top->setPartner(nullptr);
    EXPECT_EQ(top->partner(), headerBottom);

    drag(top, pages_[0], {300, 100}, {{300, 110}, {300, 120}});
    EXPECT_FLOAT_EQ(top->location(), 120.0f);
    EXPECT_FLOAT_EQ(headerBottom->location(), 100.0f);
    EXPECT_FLOAT_EQ(headerTop->location(), 80.0f);
    ASSERT_EQ(stack().count(), 1);
    EXPECT_EQ(stack().currentRecord()->undoType(), Undo::Composite);
    ASSERT_TRUE(stack().undo());
    EXPECT_FLOAT_EQ(top->location(), 100.0f);
    EXPECT_FLOAT_EQ(headerBottom->location(), 80.0f);
    EXPECT_FLOAT_EQ(headerTop->location(), 60.0f);
    ASSERT_TRUE(stack().redo());
    EXPECT_FLOAT_EQ(headerTop->location(), 80.0f);
}

TEST_F(GuideDragTest, AGuideDroppedOffEveryPageIsRemovedLeavesNoPartnerLinkAndUndoPutsItBack)
{
    Guide* guide = addGuide(pages_[0], 300, Guide::Vertical);
    Guide* follower = addGuide(pages_[0], 350, Guide::Vertical);
    follower->setPartner(guide);
    drag(guide, pages_[0], {300, 400}, {{400, 400}, {inGap(400).x - pages_[0]->pageRect().origin.x, 400}});
    ASSERT_EQ(pages_[0]->guides().size(), 1u);
    EXPECT_EQ(pages_[0]->guides().front().get(), follower);
    // The guide that left is no one's partner any more.
    EXPECT_EQ(follower->partner(), nullptr);
    ASSERT_EQ(stack().count(), 1);
    EXPECT_EQ(stack().currentRecord()->undoType(), Undo::GuideRemoved);
    ASSERT_TRUE(stack().undo());
    ASSERT_EQ(pages_[0]->guides().size(), 2u);
    EXPECT_FLOAT_EQ(pages_[0]->guides().back()->location(), 300.0f);
    // Forgetting the record frees what it held: nothing refers to it.
    ASSERT_TRUE(stack().redo());
    stack().empty();
    EXPECT_EQ(follower->partner(), nullptr);
}

TEST_F(GuideDragTest, AGuideDroppedOnAnotherPageGoesThereAtTheDropAndUndoBringsItBack)
{
    Guide* guide = addGuide(pages_[0], 200, Guide::Horizontal);
    const kit::Point onSecond = onCanvas(pages_[1], {300, 300});
    drag(guide, pages_[0], {300, 200},
         {{300, 250}, {onSecond.x - pages_[0]->pageRect().origin.x, onSecond.y - pages_[0]->pageRect().origin.y}});
    EXPECT_TRUE(pages_[0]->guides().empty());
    ASSERT_EQ(pages_[1]->guides().size(), 1u);
    EXPECT_EQ(pages_[1]->guides().front().get(), guide);
    EXPECT_FLOAT_EQ(guide->location(), 300.0f);
    EXPECT_EQ(document_->activePage(), pages_[1]);
    ASSERT_TRUE(stack().undo());
    EXPECT_TRUE(pages_[1]->guides().empty());
    ASSERT_EQ(pages_[0]->guides().size(), 1u);
    EXPECT_FLOAT_EQ(pages_[0]->guides().front()->location(), 200.0f);
    ASSERT_TRUE(stack().redo());
    ASSERT_EQ(pages_[1]->guides().size(), 1u);
    EXPECT_FLOAT_EQ(pages_[1]->guides().front()->location(), 300.0f);
}

TEST_F(GuideDragTest, TheDelegatesLimitsHoldHoweverFarTheMouseGoes)
{
    TestDelegate delegate;
    // y from 100 to 200 of the page.
    delegate.limits = kit::makeRect(0, 100, 612, 100);
    view_->setZoom(2.0f);
    struct Case {
        float to, expected;
    } cases[] = {{500, 200}, {20, 100}, {150, 150}};
    for (const Case& c : cases) {
        Guide* guide = addGuide(pages_[0], 150, Guide::Horizontal);
        guide->setDelegate(&delegate);
        drag(guide, pages_[0], {300, 150}, {{300, c.to}});
        EXPECT_FLOAT_EQ(guide->location(), c.expected) << c.to;
        pages_[0]->removeGuide(guide);
    }
    // The same limits given from their far edge (a negative height).
    delegate.limits = kit::makeRect(0, 200, 612, -100);
    for (const Case& c : cases) {
        Guide* guide = addGuide(pages_[0], 150, Guide::Horizontal);
        guide->setDelegate(&delegate);
        drag(guide, pages_[0], {300, 150}, {{300, c.to}});
        EXPECT_FLOAT_EQ(guide->location(), c.expected) << c.to << " from the far edge";
        pages_[0]->removeGuide(guide);
    }
}

// A NO keeps an existing guide where it is, before anything is drawn; a new
// guide pulled out of a ruler is placed all the same (the word processor
// answers NO to every new guide).
TEST_F(GuideDragTest, ANoFromTheDelegateHoldsAnExistingGuideButNotANewOne)
{
    TestDelegate delegate;
    delegate.answer = false;
    auto guide = std::make_unique<Guide>(0.0f, Guide::Horizontal);
    guide->setDelegate(&delegate);
    pullOut(std::move(guide), onCanvas(pages_[0], {300, 0}), {onCanvas(pages_[0], {300, 300})});
    ASSERT_EQ(pages_[0]->guides().size(), 1u);
    EXPECT_FLOAT_EQ(pages_[0]->guides().front()->location(), 300.0f);
    EXPECT_EQ(delegate.frees, std::vector<bool>{false});
    EXPECT_EQ(stack().count(), 1);
    app_->discardEventsMatchingMask(kit::AnyEventMask, nullptr);

    // An existing guide stays where it is.
    Guide* existing = addGuide(pages_[0], 150, Guide::Horizontal);
    existing->setDelegate(&delegate);
    const int flushes = window_->flushCount();
    drag(existing, pages_[0], {300, 150}, {{300, 400}});
    EXPECT_FLOAT_EQ(existing->location(), 150.0f);
    EXPECT_EQ(window_->flushCount(), flushes);
    EXPECT_EQ(stack().count(), 1);
}

TEST_F(GuideDragTest, ShiftSnapsToTheRulerTicksAndSnapToRulersSnapsEveryPosition)
{
    const float y = 250.7f;
    kit::Point tick{0, y};
    pages_[0]->snapPointToRulers(&tick, 1);
    ASSERT_NE(tick.y, y) << "a tick lies within reach";
    struct Case {
        bool snapToRulers;
        unsigned flags;
        float expected;
    } cases[] = {{false, 0, y}, {false, kit::ShiftKeyMask, tick.y}, {true, 0, tick.y}};
    for (const Case& c : cases) {
        document_->setSnapToRulers(c.snapToRulers);
        Guide* guide = addGuide(pages_[0], 100, Guide::Horizontal);
        drag(guide, pages_[0], {300, 100}, {{300, y}}, c.flags);
        EXPECT_FLOAT_EQ(guide->location(), c.expected) << c.snapToRulers << " " << c.flags;
        pages_[0]->removeGuide(guide);
    }
}

TEST_F(GuideDragTest, APointSnapsToTheFirstGuideWithinFourPixelsAtTheZoom)
{
    std::vector<std::unique_ptr<Guide>> guides;
    guides.push_back(std::make_unique<Guide>(101.5f, Guide::Vertical));
    guides.push_back(std::make_unique<Guide>(100.5f, Guide::Vertical));
    guides.push_back(std::make_unique<Guide>(50.0f, Guide::Horizontal));
    CMZoomStatus = 2.0f; // the reach is 2 points
    struct Case {
        kit::Point from;
        int maskIn;
        kit::Point to;
        int mask;
    } cases[] = {
        {{100, 48.1f}, 0, {101.5f, 50}, 3},      // the earlier guide wins, though farther
        {{99.6f, 52.0f}, 0, {101.5f, 52.0f}, 1}, // 1.9 away snaps, 2.0 does not
        {{99.5f, 10}, 0, {100.5f, 10}, 1},
        {{100, 49}, 1, {100, 50}, 3},             // an axis already snapped stays
        {{200, 200}, 0, {200, 200}, 0},
    };
    for (const Case& c : cases) {
        kit::Point p = c.from;
        int mask = c.maskIn;
        EXPECT_EQ(Page::snapPoint(&p, guides, &mask), c.mask) << kit::stringFromPoint(c.from);
        EXPECT_EQ(mask, c.mask);
        EXPECT_FLOAT_EQ(p.x, c.to.x) << kit::stringFromPoint(c.from);
        EXPECT_FLOAT_EQ(p.y, c.to.y) << kit::stringFromPoint(c.from);
    }
    // A zoom that is no number snaps nothing.
    CMZoomStatus = 0.0f;
    kit::Point p{101, 50};
    EXPECT_EQ(Page::snapPoint(&p, guides, nullptr), 0);
}

TEST_F(GuideDragTest, TheRulerTicksRunFromTheOriginInPagePointsAtAnyZoom)
{
    auto check = [&](auto* document) {
        if constexpr (requires { document->unitsInfo(); }) {
            UnitsInfo* units = document->unitsInfo();
            ASSERT_NE(units, nullptr);
            units->setUnits(UNITS_POINTS);
            units->setUnitsOrigin({10, 10});
            // The same page point snaps to the same tick at 100 % and 200 %
            // whenever that tick is within reach of both.
            for (float zoom : {1.0f, 2.0f}) {
                CMZoomStatus = zoom;
                float major = 0, tick = 0;
                int divisions = 0, levels = 0;
                GetMajorUnits(zoom, UNITS_POINTS, &major, &divisions);
                GetTickUnits(zoom, UNITS_POINTS, major, divisions, &tick, &levels);
                const float origin = units->horizontalUnitsOrigin();
                const float on = origin + 20 * tick;
                kit::Point p{on + 0.4f / zoom, 0};
                pages_[0]->snapPointToRulers(&p, 2);
                EXPECT_FLOAT_EQ(p.x, on) << zoom;
            }
        } else {
            GTEST_SKIP() << "documents have no units of their own yet";
        }
    };
    check(document_.get());
}

TEST_F(GuideDragTest, AnItemDrawnNearANewGuideSnapsToIt)
{
    queueCanvasDrag({onCanvas(pages_[0], {310, 200})});
    view_->addGuide(mouseAt(kit::EventType::LeftMouseDown, canvasInWindow(onCanvas(pages_[0], {0, 200}))),
                    Guide::Vertical);
    ASSERT_EQ(pages_[0]->guides().size(), 1u);
    ASSERT_FLOAT_EQ(pages_[0]->guides().front()->location(), 310.0f);
    document_->setSnapToGuides(true);
    queueDrag(pages_[0], {{400, 400}});
    ItemBox box;
    box.initWithMouseDown(mouseAt(kit::EventType::LeftMouseDown, pages_[0], {308, 300}), view_);
    EXPECT_FLOAT_EQ(box.frame().origin.x, 310.0f);
    EXPECT_FLOAT_EQ(box.frame().origin.y, 300.0f);
}

} // namespace

TEST_F(GuideDragTest, AClickOnAShownGuideInThePageViewDragsIt)
{
    document_->setShowGuides(true);
    Guide* guide = addGuide(pages_[0], 250, Guide::Horizontal);
    document_->setActivePage(pages_[1]);
    queueDrag(pages_[0], {{300, 320}, {300, 400}});
    view_->mouseDown(mouseAt(kit::EventType::LeftMouseDown, pages_[0], {300, 250}));
    EXPECT_FLOAT_EQ(guide->location(), 400.0f);
    EXPECT_EQ(document_->activePage(), pages_[0]);
    ASSERT_GE(stack().count(), 1);
    ASSERT_TRUE(stack().undo());
    EXPECT_FLOAT_EQ(guide->location(), 250.0f);
}
