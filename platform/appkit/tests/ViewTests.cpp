#include "AppKitTesting.h"
#include "FreshRepaint.h"

#include "appkit/Button.h"
#include "appkit/EventScript.h"
#include "appkit/ScrollView.h"
#include "appkit/View.h"
#include "appkit/Window.h"
#include "appkit/WindowScreen.h"
#include "graphics/DrawContext.h"
#include "graphics/RasterContext.h"

#include <QApplication>
#include <QWheelEvent>
#include <QWidget>

using namespace kit;

namespace {

constexpr std::uint32_t White = 0xFFFFFFFFu;
constexpr std::uint32_t Black = 0xFF000000u;
constexpr std::uint32_t Red = 0xFFFF0000u;

class FlippedView : public View {
public:
    using View::View;
    bool isFlipped() const override { return true; }
};

class Swatches : public View {
public:
    using View::View;
    void drawRect(const Rect&) override
    {
        ++draws;
        DrawContext* c = DrawContext::current();
        c->setgray(0);
        c->rectfill(0, 0, 10, 10);
        c->setrgbcolor(1, 0, 0);
        c->rectfill(10, 10, 10, 10);
    }
    int draws = 0;
};

// Paints the rectangle it is asked for white, then lays a translucent square
// over its whole bounds: a view that draws whole shapes, as text is drawn in
// whole words, however little of it is being redrawn.
class Glaze : public View {
public:
    using View::View;
    void drawRect(const Rect& rect) override
    {
        rects.push_back(rect);
        DrawContext* c = DrawContext::current();
        c->setgray(1);
        c->rectfill(rect);
        c->setgray(0);
        c->setalpha(0.5f);
        c->rectfill(bounds());
    }
    std::vector<Rect> rects;
};

// Its first drawing finds it changed (as a layout finished while drawing
// may change a page view) and marks it again.
class ChangesWhileDrawing : public View {
public:
    using View::View;
    void drawRect(const Rect& rect) override
    {
        DrawContext* c = DrawContext::current();
        c->setgray(gray);
        c->rectfill(rect);
        if (gray != 0) {
            gray = 0;
            setNeedsDisplay(true);
        }
        ++draws;
    }
    float gray = 1;
    int draws = 0;
};

// Fills its bounds grey, as a well or a matrix paints its ground.
class Patch : public View {
public:
    using View::View;
    void drawRect(const Rect&) override
    {
        DrawContext* c = DrawContext::current();
        c->setgray(0.5f);
        c->rectfill(bounds());
    }
};

} // namespace

using ViewTest = AppKitTest;

TEST_F(ViewTest, TreeTagsAndOwnership)
{
    Window window(makeRect(0, 0, 100, 100));
    View* root = window.contentView();
    View* a = root->addSubview(std::make_unique<View>(makeRect(0, 0, 50, 50)));
    View* b = a->addSubview(std::make_unique<View>(makeRect(1, 1, 5, 5)));
    b->setTag(12);
    EXPECT_EQ(root->viewWithTag(12), b);
    EXPECT_EQ(root->viewWithTag(13), nullptr);
    EXPECT_EQ(b->superview(), a);
    EXPECT_EQ(b->window(), &window);
    EXPECT_EQ(b->nextResponder(), a);
    EXPECT_TRUE(b->isDescendantOf(root));

    std::unique_ptr<View> taken = a->removeFromSuperview();
    ASSERT_EQ(taken.get(), a);
    EXPECT_EQ(b->window(), nullptr);
    EXPECT_EQ(root->viewWithTag(12), nullptr);
    // A view already in a tree, or an ancestor of the new parent, is refused.
    EXPECT_EQ(b->addSubview(std::move(taken)), nullptr);
    auto loose = std::make_unique<View>();
    View* l = loose.get();
    EXPECT_EQ(root->addSubview(std::move(loose)), l);
}

TEST_F(ViewTest, ConversionsThroughFlippedAndScaledViews)
{
    Window window(makeRect(0, 0, 200, 200));
    View* a = window.contentView()->addSubview(std::make_unique<View>(makeRect(10, 20, 100, 50)));
    View* b = a->addSubview(std::make_unique<FlippedView>(makeRect(5, 5, 40, 30)));
    struct Case {
        const View* view;
        Point local;
        Point base;
    } cases[] = {
        {a, {0, 0}, {10, 20}},
        {a, {100, 50}, {110, 70}},
        {b, {0, 0}, {15, 55}},  // a flipped view's origin is its top left
        {b, {0, 30}, {15, 25}},
        {b, {40, 10}, {55, 45}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.view->convertPointToView(c.local, nullptr), c.base);
        EXPECT_EQ(c.view->convertPointFromView(c.base, nullptr), c.local);
    }
    EXPECT_EQ(b->convertPointToView({0, 0}, a), (Point{5, 35}));
    EXPECT_EQ(a->convertRectFromView(makeRect(0, 0, 40, 10), b), makeRect(5, 25, 40, 10));

    a->setBoundsSize({50, 25}); // drawn twice as large
    EXPECT_EQ(a->convertPointToView({1, 1}, nullptr), (Point{12, 22}));
    EXPECT_EQ(a->convertSizeToView({3, 4}, nullptr), (Size{6, 8}));
    EXPECT_EQ(b->convertPointToView({0, 0}, nullptr), (Point{20, 90}));
}

TEST_F(ViewTest, DrawingIntoTheBackingImagePixelByPixel)
{
    Window window(makeRect(0, 0, 40, 30));
    auto* swatches = static_cast<Swatches*>(window.contentView()->addSubview(std::make_unique<Swatches>(makeRect(5, 5, 30, 20))));
    window.display();
    EXPECT_EQ(swatches->draws, 1);
    struct Case {
        int x, y;
        std::uint32_t argb;
    } cases[] = {
        {5, 5, Black},   {14, 14, Black},  {15, 15, Red},    {24, 24, Red},
        {25, 25, White}, {4, 4, White},    {14, 15, White},  {15, 14, White},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(window.backingPixel(c.x, c.y), c.argb) << c.x << "," << c.y;
        EXPECT_EQ(window.flushedPixel(c.x, c.y), c.argb) << c.x << "," << c.y;
    }

    // Disabled flushing keeps the screen as it was until enabled and flushed.
    int flushes = window.flushCount();
    window.disableFlushWindow();
    window.disableFlushWindow();
    swatches->lockFocus();
    DrawContext::current()->setgray(0);
    DrawContext::current()->rectfill(20, 0, 10, 10);
    swatches->unlockFocus();
    window.flushWindow();
    window.enableFlushWindow();
    window.flushWindowIfNeeded();
    EXPECT_EQ(window.flushCount(), flushes);
    EXPECT_EQ(window.backingPixel(27, 7), Black);
    EXPECT_EQ(window.flushedPixel(27, 7), White);
    window.enableFlushWindow();
    window.flushWindowIfNeeded();
    EXPECT_EQ(window.flushCount(), flushes + 1);
    EXPECT_EQ(window.flushedPixel(27, 7), Black);

    // Feedback drawn over a cached image and erased by restoring it.
    window.cacheImageInRect(makeRect(0, 0, 40, 30));
    window.contentView()->lockFocus();
    DrawContext::current()->setgray(0);
    DrawContext::current()->rectfill(0, 0, 40, 30);
    window.contentView()->unlockFocus();
    EXPECT_EQ(window.backingPixel(38, 28), Black);
    window.restoreCachedImage();
    window.discardCachedImage();
    EXPECT_EQ(window.backingPixel(38, 28), White);
    EXPECT_EQ(window.backingPixel(15, 15), Red);
}

TEST_F(ViewTest, LockFocusClipsToTheVisibleRectAndNests)
{
    Window window(makeRect(0, 0, 40, 40));
    View* small = window.contentView()->addSubview(std::make_unique<View>(makeRect(10, 10, 10, 10)));
    DrawContext* before = DrawContext::current();
    window.contentView()->lockFocus();
    small->lockFocus();
    EXPECT_EQ(View::focusView(), small);
    DrawContext::current()->setgray(0);
    DrawContext::current()->rectfill(-100, -100, 400, 400);
    small->unlockFocus();
    EXPECT_EQ(View::focusView(), window.contentView());
    window.contentView()->unlockFocus();
    EXPECT_EQ(DrawContext::current(), before);
    EXPECT_EQ(window.backingPixel(10, 10), Black);
    EXPECT_EQ(window.backingPixel(19, 19), Black);
    EXPECT_EQ(window.backingPixel(9, 9), White);
    EXPECT_EQ(window.backingPixel(20, 20), White);

    // A view without a window draws into nothing, and stays balanced.
    View loose(makeRect(0, 0, 5, 5));
    loose.lockFocus();
    ASSERT_NE(DrawContext::current(), nullptr);
    DrawContext::current()->rectfill(0, 0, 5, 5);
    loose.unlockFocus();
    EXPECT_EQ(View::focusStackDepth(), 0u);
    EXPECT_TRUE(isEmptyRect(loose.visibleRect()));
}

TEST_F(ViewTest, LockFocusInAFlippedViewInsideAScrollView)
{
    Window window(makeRect(0, 0, 200, 200));
    auto* scroll = static_cast<ScrollView*>(
        window.contentView()->addSubview(std::make_unique<ScrollView>(makeRect(0, 0, 200, 200))));
    scroll->setDocumentView(std::make_unique<FlippedView>(makeRect(0, 0, 400, 800)));
    View* doc = scroll->documentView();
    EXPECT_TRUE(scroll->contentView()->isFlipped());
    EXPECT_EQ(doc->visibleRect(), makeRect(0, 0, 200, 200)); // starts at the top

    doc->scrollPoint({0, 100});
    EXPECT_EQ(doc->visibleRect(), makeRect(0, 100, 200, 200));
    EXPECT_EQ(scroll->documentVisibleRect(), makeRect(0, 100, 200, 200));
    EXPECT_EQ(doc->convertPointToView({10, 110}, nullptr), (Point{10, 190}));

    doc->lockFocus();
    DrawContext::current()->setgray(0);
    DrawContext::current()->rectfill(10, 110, 5, 5);
    // Above the visible area: clipped away.
    DrawContext::current()->rectfill(0, 90, 400, 10);
    doc->unlockFocus();
    EXPECT_EQ(window.backingPixel(10, 189), Black);
    EXPECT_EQ(window.backingPixel(14, 185), Black);
    EXPECT_EQ(window.backingPixel(14, 184), White);
    EXPECT_EQ(window.backingPixel(14, 190), White);
    EXPECT_EQ(window.backingPixel(100, 199), White);
}

TEST_F(ViewTest, ScrollRectToVisibleAndAutoscroll)
{
    Window window(makeRect(0, 0, 200, 200));
    auto* scroll = static_cast<ScrollView*>(
        window.contentView()->addSubview(std::make_unique<ScrollView>(makeRect(0, 0, 200, 200))));
    scroll->setDocumentView(std::make_unique<FlippedView>(makeRect(0, 0, 400, 800)));
    View* doc = scroll->documentView();

    EXPECT_TRUE(doc->scrollRectToVisible(makeRect(0, 500, 10, 10)));
    EXPECT_EQ(doc->visibleRect().origin, (Point{0, 310}));
    EXPECT_FALSE(doc->scrollRectToVisible(makeRect(0, 500, 10, 10)));
    // Never past the document's end.
    EXPECT_TRUE(doc->scrollRectToVisible(makeRect(390, 790, 50, 50)));
    EXPECT_EQ(doc->visibleRect(), makeRect(200, 600, 200, 200));

    // A drag 20 points below the window scrolls down... which is the end here.
    auto below = Event::mouseEventWithType(EventType::LeftMouseDragged, {100, -20}, 0, 0, window.windowNumber());
    EXPECT_FALSE(doc->autoscroll(below));
    auto above = Event::mouseEventWithType(EventType::LeftMouseDragged, {100, 230}, 0, 0, window.windowNumber());
    EXPECT_TRUE(doc->autoscroll(above));
    EXPECT_EQ(doc->visibleRect().origin, (Point{200, 570}));
    auto inside = Event::mouseEventWithType(EventType::LeftMouseDragged, {100, 100}, 0, 0, window.windowNumber());
    EXPECT_FALSE(doc->autoscroll(inside));

    scroll->setHasVerticalScroller(true);
    EXPECT_EQ(scroll->contentSize(), (Size{200 - ScrollView::scrollerWidth(), 200}));
}

TEST_F(ViewTest, TheWheelScrollsTheScrollViewUnderThePointer)
{
    Window window(makeRect(0, 0, 200, 200));
    auto* scroll = static_cast<ScrollView*>(
        window.contentView()->addSubview(std::make_unique<ScrollView>(makeRect(0, 0, 200, 200))));
    scroll->setDocumentView(std::make_unique<FlippedView>(makeRect(0, 0, 400, 800)));
    View* doc = scroll->documentView();
    window.orderFront();
    QWidget* widget = window.screen() ? window.screen()->widget() : nullptr;
    ASSERT_NE(widget, nullptr);
    // As the screen delivers a wheel: eighths of a degree, 120 a notch.
    const auto turn = [&](QPoint angle, Qt::KeyboardModifiers modifiers) {
        QWheelEvent wheel(QPointF(100, 100), widget->mapToGlobal(QPointF(100, 100)), QPoint(), angle, Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget, &wheel);
        app->run();
    };
    const float notch = 3 * ScrollView::lineScroll();

    // Towards the user: down the document.
    turn({0, -240}, Qt::NoModifier);
    EXPECT_EQ(doc->visibleRect().origin, (Point{0, 2 * notch}));
    // Away: back up, and never past the top.
    turn({0, 600}, Qt::NoModifier);
    EXPECT_EQ(doc->visibleRect().origin, (Point{0, 0}));
    // With Shift a wheel of one axis goes across.
    turn({0, -120}, Qt::ShiftModifier);
    EXPECT_EQ(doc->visibleRect().origin, (Point{notch, 0}));
}

TEST_F(ViewTest, DisplayIfNeededDrawsOnlyWhatNeedsIt)
{
    Window window(makeRect(0, 0, 60, 30));
    auto* left = static_cast<Swatches*>(window.contentView()->addSubview(std::make_unique<Swatches>(makeRect(0, 0, 30, 30))));
    auto* right = static_cast<Swatches*>(window.contentView()->addSubview(std::make_unique<Swatches>(makeRect(30, 0, 30, 30))));
    window.display();
    ASSERT_EQ(left->draws, 1);
    ASSERT_EQ(right->draws, 1);
    EXPECT_FALSE(window.viewsNeedDisplay());
    right->setNeedsDisplay(true);
    EXPECT_TRUE(window.viewsNeedDisplay());
    window.displayIfNeeded();
    EXPECT_EQ(left->draws, 1);
    EXPECT_EQ(right->draws, 2);
    EXPECT_FALSE(right->needsDisplay());
}

TEST_F(ViewTest, WhatADrawingMarksIsDrawnBeforeTheWindowIsDone)
{
    Window window(makeRect(0, 0, 40, 30));
    auto* view = static_cast<ChangesWhileDrawing*>(
        window.contentView()->addSubview(std::make_unique<ChangesWhileDrawing>(makeRect(0, 0, 40, 30))));
    view->setNeedsDisplay(true);
    window.displayIfNeeded();
    EXPECT_EQ(view->draws, 2);
    EXPECT_FALSE(window.viewsNeedDisplay());
    EXPECT_FALSE(repaint::compareWithFreshRepaint(window, *view).any());
}

TEST_F(ViewTest, ARedrawnAreaEqualsAFreshRepaint)
{
    // A redraw is clipped to its area grown to whole pixels, and the view is
    // told that area: painted over, the pixels around it are left alone and
    // the edge pixels are not blended twice.
    const Rect cases[] = {
        makeRect(10, 10, 5, 5),
        makeRect(10.5f, 12.25f, 4.5f, 3.3f),
        makeRect(0.75f, 0.75f, 0.5f, 0.5f),
        makeRect(30, 20, 40, 40), // reaching out of the window
    };
    for (const Rect& invalid : cases) {
        SCOPED_TRACE(stringFromRect(invalid));
        Window window(makeRect(0, 0, 48, 40));
        auto* glaze = static_cast<Glaze*>(window.contentView()->addSubview(std::make_unique<Glaze>(makeRect(2, 3, 40, 30))));
        window.display();
        ASSERT_FALSE(repaint::compareWithFreshRepaint(window, *glaze).any());
        glaze->rects.clear();
        glaze->setNeedsDisplayInRect(invalid);
        window.displayIfNeeded();
        ASSERT_EQ(glaze->rects.size(), 1u);
        const Rect given = glaze->rects[0];
        const Rect expected = intersectionRect(integralRect(offsetRect(invalid, 2, 3)), makeRect(2, 3, 40, 30));
        EXPECT_NEAR(minX(given) + 2, minX(expected), 0.05f);
        EXPECT_NEAR(maxX(given) + 2, maxX(expected), 0.05f);
        EXPECT_NEAR(minY(given) + 3, minY(expected), 0.05f);
        EXPECT_NEAR(maxY(given) + 3, maxY(expected), 0.05f);
        const repaint::Mismatch m = repaint::compareWithFreshRepaint(window, *glaze);
        EXPECT_FALSE(m.any()) << m.describe();
        // Taking the picture leaves what needs display alone.
        glaze->setNeedsDisplayInRect(invalid);
        repaint::compareWithFreshRepaint(window, *glaze);
        EXPECT_TRUE(glaze->needsDisplay());
    }
}

TEST_F(ViewTest, TheFreshRepaintSeesWhatWasDrawnOutsideTheRedraw)
{
    Window window(makeRect(0, 0, 40, 30));
    auto* glaze = static_cast<Glaze*>(window.contentView()->addSubview(std::make_unique<Glaze>(makeRect(0, 0, 40, 30))));
    window.display();
    // Drawn straight into the window, as feedback is, and never taken back.
    glaze->lockFocus();
    DrawContext::current()->setgray(0);
    DrawContext::current()->rectfill(5, 6, 2, 3);
    glaze->unlockFocus();
    const repaint::Mismatch m = repaint::compareWithFreshRepaint(window, *glaze);
    EXPECT_EQ(m.pixels, 6) << m.describe();
    EXPECT_EQ(m.left, 5);
    EXPECT_EQ(m.right, 7);
    EXPECT_EQ(m.top, 30 - 9);
    EXPECT_EQ(m.bottom, 30 - 6);
}

TEST_F(ViewTest, TheMainLoopShowsWhatAnEventAskedToRedisplay)
{
    struct Toggle : View {
        using View::View;
        void mouseDown(const Event&) override
        {
            on = !on;
            setNeedsDisplay(true);
        }
        void drawRect(const Rect& rect) override
        {
            DrawContext::current()->setgray(on ? 0.0f : 1.0f);
            DrawContext::current()->rectfill(rect);
        }
        bool on = false;
    };
    Window window(makeRect(0, 0, 40, 30));
    auto* toggle = static_cast<Toggle*>(window.contentView()->addSubview(std::make_unique<Toggle>(makeRect(0, 0, 40, 30))));
    window.display();
    ASSERT_EQ(window.flushedPixel(5, 5), White);
    EventScript(window).mouseDown({5, 5}).mouseUp({5, 5}).schedule();
    app->run();
    EXPECT_TRUE(toggle->on);
    EXPECT_FALSE(window.viewsNeedDisplay());
    EXPECT_EQ(window.flushedPixel(5, 5), Black);
}

TEST_F(ViewTest, TheMainLoopShowsAWindowMarkedBeforeItBeganWithoutWaitingForAnEvent)
{
    Window window(makeRect(0, 0, 60, 30));
    auto* swatches =
        static_cast<Swatches*>(window.contentView()->addSubview(std::make_unique<Swatches>(makeRect(0, 0, 60, 30))));
    swatches->setNeedsDisplay(true);
    app->run(); // no event comes: idle at once on the virtual clock
    EXPECT_EQ(swatches->draws, 1);
    EXPECT_FALSE(window.viewsNeedDisplay());
}

// Two pages side by side in a strip, seen one at a time through a view one
// page wide: moving the strip by a page shows the other page, with nothing
// of the first left where it was, neither its drawing nor its widgets,
// though nothing but the move asked for a redraw.
TEST_F(ViewTest, AStripMovedInsideANarrowerViewLeavesNothingOfItsOldPlace)
{
    Window window(makeRect(0, 0, 120, 40));
    View* pageWindow = window.contentView()->addSubview(std::make_unique<View>(makeRect(10, 0, 50, 40)));
    View* strip = pageWindow->addSubview(std::make_unique<View>(makeRect(0, 0, 100, 40)));
    strip->addSubview(std::make_unique<Patch>(makeRect(5, 5, 20, 10)));   // page 1
    strip->addSubview(std::make_unique<Patch>(makeRect(55, 25, 20, 10))); // page 2
    auto* first = static_cast<Button*>(strip->addSubview(std::make_unique<Button>(makeRect(5, 20, 30, 15), "one")));
    auto* second = static_cast<Button*>(strip->addSubview(std::make_unique<Button>(makeRect(55, 5, 30, 15), "two")));
    window.orderFront(nullptr);
    window.display();
    constexpr std::uint32_t Grey = 0xFF808080u;
    struct Step {
        float x;
        bool firstShown;
    };
    for (const Step& step : {Step{-50, false}, Step{0, true}, Step{-50, false}}) {
        SCOPED_TRACE(step.x);
        strip->setFrameOrigin({step.x, 0});
        window.displayIfNeeded();
        // Window points of each page's patch (the page window starts at 10).
        const bool onSecond = !step.firstShown;
        EXPECT_EQ(window.backingPixel(20, 10), onSecond ? White : Grey);
        EXPECT_EQ(window.backingPixel(20, 30), onSecond ? Grey : White);
        EXPECT_EQ(window.flushedPixel(20, 10), onSecond ? White : Grey);
        // Nothing of the strip shows beside the page window.
        EXPECT_EQ(window.backingPixel(70, 30), White);
        EXPECT_EQ(first->widget()->isVisible(), step.firstShown);
        EXPECT_EQ(second->widget()->isVisible(), onSecond);
        if (onSecond) {
            EXPECT_EQ(second->widget()->geometry(), QRect(10 + 5, 40 - 20, 30, 15));
        }
    }
}
