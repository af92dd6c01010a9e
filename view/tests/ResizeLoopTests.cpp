// The resize loop of an item's knobs and the creation of an item by
// dragging, driven by scripted drags through a page view in a window: the
// frame each knob gives with and without Shift, the quick feedback drawn over
// the saved image of the page and erased, the live displays, transformed
// items, and the reshape record that drags a knob back.

#include "ItemLoopTestSupport.h"

#include "core/EventState.h"
#include "document/Guide.h"
#include "document/UndoReshape.h"
#include "foundation/CMGeometry.h"

namespace {

class ResizeLoopTest : public ItemLoopTest {};

// A ruler or an inspector: what it was last shown.
class RecordingDisplay : public kit::View, public LiveFrameDisplay {
public:
    explicit RecordingDisplay(int tag, bool visible = true) : visible_(visible) { setTag(tag); }
    bool isVisible() const override { return visible_; }
    void setMoveTo(float x, float y) override { moveTo = {x, y}; }
    void setSizeTo(float w, float h) override { sizeTo = {w, h}; }
    void setScale(float sx, float sy) override { scale = {sx, sy}, ++scales; }
    void setRect(const kit::Rect& r) override { rects.push_back(r); }
    kit::Point moveTo{}, sizeTo{}, scale{};
    int scales = 0;
    std::vector<kit::Rect> rects;

private:
    bool visible_;
};

TEST_F(ResizeLoopTest, EachKnobFollowsTheMouseAndShiftKeepsTheProportionsOfCorners)
{
    const kit::Rect frame = kit::makeRect(100, 100, 100, 50);
    struct Case {
        int knob;
        unsigned flags;
        kit::Point by;
        kit::Rect expected;
        int reported;
    } cases[] = {
        {0, 0, {20, 20}, kit::makeRect(120, 120, 80, 30), 0},
        {0, kit::ShiftKeyMask, {20, 20}, kit::makeRect(140, 120, 60, 30), 0},
        {1, 0, {20, 20}, kit::makeRect(100, 120, 100, 30), 1},
        {1, kit::ShiftKeyMask, {20, 20}, kit::makeRect(100, 120, 100, 30), 1},
        {2, 0, {20, 20}, kit::makeRect(100, 120, 120, 30), 2},
        {2, kit::ShiftKeyMask, {20, 20}, kit::makeRect(100, 120, 60, 30), 2},
        {3, 0, {20, 20}, kit::makeRect(100, 100, 120, 50), 3},
        {4, 0, {20, 20}, kit::makeRect(100, 100, 120, 70), 4},
        {4, kit::ShiftKeyMask, {20, 20}, kit::makeRect(100, 100, 120, 60), 4},
        {5, 0, {20, 20}, kit::makeRect(100, 100, 100, 70), 5},
        {6, 0, {20, 20}, kit::makeRect(120, 100, 80, 70), 6},
        {6, kit::ShiftKeyMask, {20, 20}, kit::makeRect(120, 100, 80, 40), 6},
        {7, 0, {20, 20}, kit::makeRect(120, 100, 80, 50), 7},
        // Past the opposite edge the rectangle turns over: the knob under
        // the mouse is then the opposite one.
        {1, 0, {0, 80}, kit::makeRect(100, 150, 100, 30), 5},
        {3, 0, {-150, 0}, kit::makeRect(50, 100, 50, 50), 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "knob " << c.knob << (c.flags ? " with Shift" : ""));
        ItemBox* box = addBox(0, frame);
        EXPECT_EQ(dragKnob(box, c.knob, c.by, c.flags), c.reported);
        EXPECT_TRUE(near(box->frame(), c.expected)) << kit::stringFromRect(box->frame());
        pages_[0]->removeItems({box});
    }
}

TEST_F(ResizeLoopTest, ReleasingWithoutMovingChangesNothing)
{
    ItemBox* box = addBox(0, kit::makeRect(100, 100, 100, 50));
    kit::Point at{};
    box->getKnob(4, &at);
    app_->postEvent(mouseAt(kit::EventType::LeftMouseUp, pages_[0], at), false);
    int knob = 4;
    box->performResize(&knob, view_, mouseAt(kit::EventType::LeftMouseDown, pages_[0], at));
    EXPECT_TRUE(near(box->frame(), kit::makeRect(100, 100, 100, 50)));
    EXPECT_EQ(knob, 4);
}

TEST_F(ResizeLoopTest, ATransformedItemIsResizedAboutItsAnchor)
{
    ItemBox* box = addBox(0, kit::makeRect(200, 200, 100, 50));
    box->rotateByAngle(90);
    kit::Point anchor{}, knob4{};
    box->getKnob(0, &anchor);
    box->getKnob(4, &knob4);
    // Along the item's own axes: 20 more in x (page y after the turn) and
    // 10 more in y (page -x).
    float m[4];
    box->getMatrix(m);
    const kit::Point by{20 * m[0] + 10 * m[2], 20 * m[1] + 10 * m[3]};
    dragKnob(box, 4, by);
    kit::Point anchorAfter{}, knob4After{};
    box->getKnob(0, &anchorAfter);
    box->getKnob(4, &knob4After);
    EXPECT_NEAR(anchorAfter.x, anchor.x, 1e-3);
    EXPECT_NEAR(anchorAfter.y, anchor.y, 1e-3);
    EXPECT_NEAR(box->frame().size.width, 120, 1e-3);
    EXPECT_NEAR(box->frame().size.height, 60, 1e-3);
    EXPECT_NEAR(knob4After.x, knob4.x + by.x, 1e-3);
    EXPECT_NEAR(knob4After.y, knob4.y + by.y, 1e-3);
    float after[4];
    box->getMatrix(after);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(after[i], m[i], 1e-6);
}

TEST_F(ResizeLoopTest, FeedbackIsDrawnOverTheSavedImageAndLeavesNoStalePixels)
{
    for (bool quick : {true, false}) {
        SCOPED_TRACE(quick ? "a box draws its own feedback" : "an outline");
        std::shared_ptr<Item> made;
        if (quick) {
            made = std::make_shared<ItemBox>();
        } else {
            made = std::make_shared<Item>();
        }
        made->setFrame(kit::makeRect(100, 100, 100, 50), false);
        Item* item = made.get();
        pages_[0]->addItems(std::move(made));
        window_->display();
        const std::vector<std::uint32_t> before = backing();
        const int flushes = window_->flushCount();

        kit::Point knob{};
        item->getKnob(4, &knob);
        // Where the last outline runs: the bottom edge of the new frame.
        const kit::Point edge = inWindow(pages_[0], {150, 200});
        dragKnob(item, 4, {30, 50});
        EXPECT_TRUE(near(item->frame(), kit::makeRect(100, 100, 130, 100)));
        EXPECT_GE(window_->flushCount() - flushes, 3);
        // The screen shows the last feedback; the window's image is the
        // page as it was (an outline loop leaves its faint start outline).
        std::uint32_t darkest = 0xFF;
        for (int dy = -1; dy <= 1; ++dy)
            darkest = std::min(darkest, window_->flushedPixel(int(edge.x), int(edge.y) + dy) & 0xFFu);
        EXPECT_LT(darkest, 0xC0u);
        if (quick) {
            EXPECT_TRUE(backing() == before);
        }
        for (int dy = -1; dy <= 1; ++dy)
            EXPECT_EQ(window_->backingPixel(int(edge.x), int(edge.y) + dy) & 0xFFFFFF, 0xFFFFFFu) << dy;

        // The caller redraws the item's old and new area: as a fresh repaint.
        document_->notifyUpdate(nullptr, nullptr);
        const repaint::Mismatch m = screenAgainstRepaint();
        EXPECT_FALSE(m.any()) << m.describe();
        pages_[0]->removeItems({item});
        document_->notifyUpdate(nullptr, nullptr);
    }
}

TEST_F(ResizeLoopTest, TheLiveDisplaysFollowTheFrameAndTheRulersAreClearedAtTheEnd)
{
    auto* ruler = static_cast<RecordingDisplay*>(scroll_->addSubview(std::make_unique<RecordingDisplay>(13)));
    RecordingDisplay inspector(0), hidden(0, false);
    LiveFrameDisplay* shown = &inspector;
    PageView::placementInspectorHook() = [&] { return shown; };
    ItemBox* box = addBox(0, kit::makeRect(100, 100, 100, 50));
    dragKnob(box, 4, {100, 25});
    EXPECT_EQ(inspector.moveTo.x, 100.0f);
    EXPECT_EQ(inspector.moveTo.y, 100.0f);
    EXPECT_EQ(inspector.sizeTo.x, 200.0f);
    EXPECT_EQ(inspector.sizeTo.y, 75.0f);
    EXPECT_FLOAT_EQ(inspector.scale.x, 2.0f);
    EXPECT_FLOAT_EQ(inspector.scale.y, 1.5f);
    EXPECT_EQ(infoBar_->text("scaleField"), "200/150%");
    // The rulers marked the frame on the canvas while it moved, and are
    // cleared when the button goes up.
    ASSERT_GE(ruler->rects.size(), 2u);
    kit::Rect marked = ruler->rects[ruler->rects.size() - 2];
    EXPECT_TRUE(near(marked, kit::offsetRect(kit::makeRect(100, 100, 200, 75), pages_[0]->pageRect().origin.x,
                                             pages_[0]->pageRect().origin.y)));
    EXPECT_TRUE(kit::isEmptyRect(ruler->rects.back()));

    // An inspector off the screen is not told.
    shown = &hidden;
    dragKnob(box, 4, {-50, 0});
    EXPECT_EQ(hidden.scales, 0);
    PageView::placementInspectorHook() = nullptr;
}

TEST_F(ResizeLoopTest, ANewItemIsDraggedOutFromTheMouseDownAndAlternateCentresIt)
{
    struct Case {
        const char* what;
        unsigned flags;
        std::vector<kit::Point> path;
        kit::Rect expected;
    } cases[] = {
        {"down and right", 0, {{330, 320}, {360, 340}}, kit::makeRect(300, 300, 60, 40)},
        {"up and left", 0, {{250, 250}}, kit::makeRect(250, 250, 50, 50)},
        {"centred", kit::AlternateKeyMask, {{360, 340}}, kit::makeRect(240, 260, 120, 80)},
        {"released at once", 0, {}, kit::makeRect(300, 300, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.path.empty())
            app_->postEvent(mouseAt(kit::EventType::LeftMouseUp, pages_[0], {300, 300}), false);
        else
            queueDrag(pages_[0], c.path, c.flags);
        ItemBox box;
        EXPECT_EQ(box.initWithMouseDown(mouseAt(kit::EventType::LeftMouseDown, pages_[0], {300, 300}, c.flags), view_),
                  &box);
        EXPECT_TRUE(near(box.frame(), c.expected)) << kit::stringFromRect(box.frame());
        // The caller puts it on a page.
        EXPECT_EQ(box.page(), nullptr);
    }
}

TEST_F(ResizeLoopTest, TheGuideSnapComesFirstAndTheRulersOnlyWhenNoGuideTookThePoint)
{
    auto vertical = std::make_unique<Guide>(302.0f, Guide::Vertical);
    pages_[0]->addGuide(std::move(vertical));
    document_->setSnapToGuides(true);
    document_->setSnapToRulers(true);
    // The mouse-down at 300.5, 300.5: x snaps to the guide (within 4
    // pixels), y to the nearest ruler tick only when no guide took x or y.
    queueDrag(pages_[0], {{360.5f, 340.5f}});
    ItemBox box;
    box.initWithMouseDown(mouseAt(kit::EventType::LeftMouseDown, pages_[0], {300.5f, 300.5f}), view_);
    EXPECT_FLOAT_EQ(box.frame().origin.x, 302.0f);
    EXPECT_FLOAT_EQ(box.frame().origin.y, 300.5f);

    // Away from every guide the rulers take both axes.
    document_->setSnapToGuides(false);
    queueDrag(pages_[0], {{360.5f, 340.5f}});
    ItemBox ruled;
    ruled.initWithMouseDown(mouseAt(kit::EventType::LeftMouseDown, pages_[0], {300.5f, 300.5f}), view_);
    kit::Point expected{300.5f, 300.5f};
    pages_[0]->snapPointToRulers(&expected, 3);
    EXPECT_NE(expected.x, 300.5f) << "the ruler ticks lie within reach";
    EXPECT_FLOAT_EQ(ruled.frame().origin.x, expected.x);
    EXPECT_FLOAT_EQ(ruled.frame().origin.y, expected.y);
}

// A knob dragged onto the line of the anchor (or past it and back) leaves
// the item at least a point wide and high: an item of no width or height
// shows nothing and is not kept by its file.
TEST_F(ResizeLoopTest, AKnobDragNeverLeavesAnItemOfNoWidthOrHeight)
{
    const kit::Rect frame = kit::makeRect(100, 100, 100, 50);
    struct Case {
        int knob;
        unsigned flags;
        kit::Point by;
    } cases[] = {
        {0, 0, {100, 20}},             // onto the opposite corner's vertical
        {0, kit::ShiftKeyMask, {100, 50}}, // onto the opposite corner, proportions kept
        {4, 0, {-100, -50}},
        {1, 0, {0, 50}},               // an edge onto the opposite edge
        {7, 0, {100, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "knob " << c.knob << (c.flags ? " with Shift" : ""));
        ItemBox* box = addBox(0, frame);
        dragKnob(box, c.knob, c.by, c.flags);
        EXPECT_GE(box->frame().size.width, 1.0f) << kit::stringFromRect(box->frame());
        EXPECT_GE(box->frame().size.height, 1.0f) << kit::stringFromRect(box->frame());
        pages_[0]->removeItems({box});
    }
}

// The view's knob drag records the frame: undo gives a turned or flipped
// item its frame back exactly (the resize loop replayed would constrain the
// drag along the item's own axes and land elsewhere), and redo the new one.
TEST_F(ResizeLoopTest, UndoOfAKnobDragGivesATurnedOrFlippedItemItsFrameBack)
{
    struct Case {
        const char* name;
        float angle;
        int flip;
        unsigned flags;
    } cases[] = {
        {"turned", 30, 0, 0},
        {"flipped", 0, 1, 0},
        {"turned and flipped, with Shift", -15, 2, kit::ShiftKeyMask},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ItemBox* box = addBox(0, kit::makeRect(200, 200, 120, 60));
        if (c.angle != 0)
            box->rotateByAngle(c.angle);
        if (c.flip)
            box->flip(c.flip);
        document_->setActivePage(pages_[0]);
        document_->setSelection({box}, view_);
        const kit::Rect before = box->frame();
        kit::Point at{};
        box->getKnob(4, &at);
        queueDrag(pages_[0], {{at.x + 10, at.y + 5}, {at.x + 25, at.y + 12}}, c.flags);
        view_->doKnobHit(mouseAt(kit::EventType::LeftMouseDown, pages_[0], at, c.flags), box, 4);
        const kit::Rect after = box->frame();
        ASSERT_FALSE(near(after, before));
        ASSERT_TRUE(document_->undoInfo()->undo());
        EXPECT_TRUE(near(box->frame(), before)) << kit::stringFromRect(box->frame());
        ASSERT_TRUE(document_->undoInfo()->redo());
        EXPECT_TRUE(near(box->frame(), after)) << kit::stringFromRect(box->frame());
        document_->setSelection({}, view_);
        pages_[0]->removeItems({box});
    }
}

TEST_F(ResizeLoopTest, AReshapeRecordDragsTheKnobBackAndForth)
{
    ItemBox* box = addBox(0, kit::makeRect(100, 100, 100, 50));
    kit::Point old{};
    box->getKnob(2, &old);
    const int knob = dragKnob(box, 2, {-150, 30});
    // Past the anchor the knob is now the top-left one.
    EXPECT_EQ(knob, 0);
    const kit::Rect reshaped = box->frame();
    EXPECT_TRUE(near(reshaped, kit::makeRect(50, 130, 50, 20))) << kit::stringFromRect(reshaped);
    auto record = std::make_unique<UndoReshape>(std::vector<Item*>{box}, pages_[0], Undo::Reshaped);
    record->setItem(box, knob, &old);
    document_->undoInfo()->push(std::move(record));
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(document_->undoInfo()->undo());
        EXPECT_TRUE(near(box->frame(), kit::makeRect(100, 100, 100, 50))) << kit::stringFromRect(box->frame());
        ASSERT_TRUE(document_->undoInfo()->redo());
        EXPECT_TRUE(near(box->frame(), reshaped)) << kit::stringFromRect(box->frame());
    }
}

} // namespace
