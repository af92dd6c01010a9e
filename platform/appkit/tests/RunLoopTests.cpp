#include "AppKitTesting.h"

#include "appkit/EventScript.h"
#include "appkit/View.h"
#include "appkit/Window.h"
#include "core/Exception.h"
#include "graphics/DrawContext.h"

#include <string>
#include <vector>

using namespace kit;

namespace {

// Remembers every message it gets, with the argument and the time.
class Recorder : public Receiver {
public:
    struct Call {
        std::string selector;
        Object* argument;
        double time;
    };

    explicit Recorder(std::vector<Call>* log = nullptr) : log_(log ? log : &own_)
    {
        for (const char* s : {"notifyUpdatePageNumber:", "drawCursor:", "close:", "tick:"})
            setAction(s, [this, s](Object* a) {
                log_->push_back({s, a, Clock::now()});
                return nullptr;
            });
    }
    std::string className() const override { return "Recorder"; }
    const std::vector<Call>& calls() const { return *log_; }
    void on(const std::string& selector, Action action) { setAction(selector, std::move(action)); }

private:
    std::vector<Call> own_;
    std::vector<Call>* log_;
};

} // namespace

using RunLoopTest = AppKitTest;

TEST_F(RunLoopTest, ACancelledDelayedMessageNeverRuns)
{
    Recorder doc, view, otherView;
    doc.performSelector("notifyUpdatePageNumber:", &view, 0.5);
    doc.performSelector("notifyUpdatePageNumber:", &otherView, 0.5);
    doc.performSelector("drawCursor:", nullptr, 0.5);
    EXPECT_EQ(RunLoop::currentRunLoop().pendingPerformRequestCount(), 3u);

    // Keyed by target, selector and argument: only the first goes.
    Receiver::cancelPreviousPerformRequestsWithTarget(&doc, "notifyUpdatePageNumber:", &view);
    RunLoop::currentRunLoop().runUntilDate(Date{2.0});

    ASSERT_EQ(doc.calls().size(), 2u);
    EXPECT_EQ(doc.calls()[0].argument, &otherView);
    EXPECT_EQ(doc.calls()[1].selector, "drawCursor:");
    EXPECT_DOUBLE_EQ(doc.calls()[0].time, 0.5);

    // Everything for a target at once.
    doc.performSelector("tick:", nullptr, 0.1);
    doc.performSelector("close:", &doc, 0.1);
    Receiver::cancelPreviousPerformRequestsWithTarget(&doc);
    RunLoop::currentRunLoop().runUntilDate(Date{3.0});
    EXPECT_EQ(doc.calls().size(), 2u);
    EXPECT_EQ(RunLoop::currentRunLoop().pendingPerformRequestCount(), 0u);
}

TEST_F(RunLoopTest, ABurstOfRescheduledRequestsRunsOnce)
{
    Recorder doc, view;
    for (int i = 0; i < 5; ++i) {
        Receiver::cancelPreviousPerformRequestsWithTarget(&doc, "notifyUpdatePageNumber:", &view);
        doc.performSelector("notifyUpdatePageNumber:", &view, 0.001);
    }
    RunLoop::currentRunLoop().runUntilDate(Date{1.0});
    EXPECT_EQ(doc.calls().size(), 1u);
}

TEST_F(RunLoopTest, MessagesAndTimersOfVanishedObjectsAreDropped)
{
    std::vector<Recorder::Call> log;
    auto target = std::make_unique<Recorder>(&log);
    auto argument = std::make_unique<Recorder>();
    Recorder survivor(&log);
    target->performSelector("tick:", nullptr, 0.2);
    survivor.performSelector("close:", argument.get(), 0.2);
    auto timer = Timer::scheduledTimerWithTimeInterval(0.1, target.get(), "tick:", nullptr, true);
    target.reset();
    argument.reset();

    RunLoop::currentRunLoop().runUntilDate(Date{1.0});
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(timer->isValid());
    EXPECT_EQ(RunLoop::currentRunLoop().pendingPerformRequestCount(), 0u);
    // The loop still serves what comes later.
    survivor.performSelector("tick:", nullptr, 0.1);
    RunLoop::currentRunLoop().runUntilDate(Date{2.0});
    EXPECT_EQ(log.size(), 1u);
}

TEST_F(RunLoopTest, RepeatingTimersFireOnScheduleUntilInvalidated)
{
    std::vector<double> fired;
    auto timer = Timer::scheduledTimerWithTimeInterval(0.25, [&](Timer& t) {
        fired.push_back(Clock::now());
        if (fired.size() == 3)
            t.invalidate();
    }, true);
    RunLoop::currentRunLoop().runUntilDate(Date{2.0});
    EXPECT_EQ(fired, (std::vector<double>{0.25, 0.5, 0.75}));
    EXPECT_FALSE(timer->isValid());
}

// A timer that runs a tracking loop of its own: it takes its events
// itself, and timers of the default mode wait until it is done.
TEST_F(RunLoopTest, ANestedLoopInsideATimer)
{
    Window window(makeRect(0, 0, 100, 100));
    EventScript(window).at(0.2).mouseDragged({5, 5}).at(0.3).mouseDragged({6, 6}).at(0.4).mouseUp({6, 6}).schedule();
    std::vector<std::string> order;
    auto outer = Timer::scheduledTimerWithTimeInterval(0.1, [&](Timer&) {
        order.push_back("outer begins");
        for (;;) {
            auto e = window.nextEventMatchingMask(0x44);
            if (!e)
                break;
            order.push_back(e->type() == EventType::LeftMouseUp ? "up" : "drag");
            if (e->type() == EventType::LeftMouseUp)
                break;
        }
        order.push_back("outer ends");
    }, false);
    auto waiting = Timer::scheduledTimerWithTimeInterval(0.15, [&](Timer&) {
        order.push_back("default timer at " + std::to_string(Clock::now()).substr(0, 3));
    }, false);
    auto tracking = Timer::timerWithTimeInterval(0.25, [&](Timer&) { order.push_back("tracking timer"); }, false);
    RunLoop::currentRunLoop().addTimer(tracking, EventTrackingRunLoopMode);

    RunLoop::currentRunLoop().runUntilDate(Date{1.0});
    EXPECT_EQ(order, (std::vector<std::string>{"outer begins", "drag", "tracking timer", "drag", "up", "outer ends",
                                               "default timer at 0.4"}));
}

namespace {
class ThrowingView : public View {
public:
    using View::View;
    void mouseDown(const Event&) override
    {
        lockFocus();
        Event::startPeriodicEventsAfterDelay(0.1, 0.1);
        Exception::raise(InternalInconsistencyException, "tracking failed");
    }
    void keyDown(const Event& e) override { keys += e.characters(); }
    bool acceptsFirstResponder() const override { return true; }
    std::u16string keys;
};
} // namespace

TEST_F(RunLoopTest, AModalLoopLeftByAnExceptionLeavesTheQueueWorking)
{
    Window panel(makeRect(0, 0, 100, 100));
    auto* view = static_cast<ThrowingView*>(panel.contentView()->addSubview(
        std::make_unique<ThrowingView>(makeRect(0, 0, 100, 100))));
    EventScript(panel).at(0.1).mouseDown({10, 10}).at(0.5).keyDown(u"k").schedule();

    EXPECT_THROW(app->runModalForWindow(&panel), Exception);
    EXPECT_EQ(app->modalWindow(), nullptr);
    EXPECT_EQ(View::focusStackDepth(), 0u);
    EXPECT_FALSE(Event::periodicEventsRunning());

    // The main loop takes over; it survives the same failure too.
    EventScript(panel).at(0.2).mouseDown({20, 20}).at(0.3).keyDown(u"j").schedule();
    app->run();
    EXPECT_EQ(view->keys, u"jk");
    EXPECT_EQ(View::focusStackDepth(), 0u);
    EXPECT_EQ(DrawContext::current(), nullptr);
    EXPECT_FALSE(Event::periodicEventsRunning());
    EXPECT_EQ(app->queuedEventCount(), 0u);
}

TEST_F(RunLoopTest, ModalLoopAnswersTheStopCodeAndIgnoresOtherWindows)
{
    Window panel(makeRect(0, 0, 100, 100));
    Window document(makeRect(0, 0, 100, 100));
    auto* view = static_cast<ThrowingView*>(document.contentView()->addSubview(
        std::make_unique<ThrowingView>(makeRect(0, 0, 100, 100))));
    EventScript(document).at(0.1).mouseDown({1, 1}).keyDown(u"x").schedule();
    auto stopper = Timer::timerWithTimeInterval(0.5, [&](Timer&) { app->stopModalWithCode(7); }, false);
    RunLoop::currentRunLoop().addTimer(stopper, ModalPanelRunLoopMode);

    EXPECT_EQ(app->runModalForWindow(&panel), 7);
    EXPECT_TRUE(view->keys.empty()); // the document got nothing
    EXPECT_EQ(alerts->beeps(), 1);   // a click elsewhere beeps
}

TEST_F(RunLoopTest, AStopFromATimerEndsTheMainLoopAtOnce)
{
    struct Keys : View {
        using View::View;
        bool acceptsFirstResponder() const override { return true; }
        void keyDown(const Event&) override { ++keys; }
        int keys = 0;
    };
    Window window(makeRect(0, 0, 100, 100));
    auto* keys = static_cast<Keys*>(window.contentView()->addSubview(std::make_unique<Keys>(makeRect(0, 0, 100, 100))));
    window.makeKeyAndOrderFront();
    ASSERT_TRUE(window.makeFirstResponder(keys));
    // Nothing comes until a key much later: the stop must not wait for it.
    EventScript(window).at(5.0).keyDown(u"a").schedule();
    auto timer = Timer::scheduledTimerWithTimeInterval(0.1, [&](Timer&) { app->stop(); }, false);
    app->run();
    EXPECT_LT(Clock::now(), 1.0);
    EXPECT_EQ(keys->keys, 0);
    EXPECT_FALSE(app->isRunning());
}

namespace {

// Fills itself with its colour (0xRRGGBB).
class ColourView : public View {
public:
    using View::View;
    void drawRect(const Rect& rect) override
    {
        DrawContext* c = DrawContext::current();
        c->setrgbcolor(((colour >> 16) & 0xFF) / 255.0f, ((colour >> 8) & 0xFF) / 255.0f, (colour & 0xFF) / 255.0f);
        c->rectfill(rect);
    }
    std::uint32_t colour = 0x0000FF;
};

} // namespace

// Windows show what timers and delayed work did to them as soon as the loop
// has nothing left to do, without waiting for a person to press a key.
TEST_F(RunLoopTest, WhatATimerChangesIsDrawnBeforeTheLoopWaits)
{
    struct Case {
        const char* name;
        bool displayedBefore; // the window was on screen and drawn before the timer
    } cases[] = {{"a window the timer orders in", false}, {"a view of a shown window the timer marks", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        app->resetForTesting();
        Window window(makeRect(100, 100, 60, 40));
        auto* view = static_cast<ColourView*>(window.contentView()->addSubview(
            std::make_unique<ColourView>(makeRect(0, 0, 60, 40))));
        if (c.displayedBefore) {
            window.orderFront();
            window.display();
            ASSERT_EQ(window.flushedPixel(30, 20), 0xFF0000FFu);
        }
        auto timer = Timer::scheduledTimerWithTimeInterval(0.1, [&](Timer&) {
            view->colour = 0xFF0000;
            if (c.displayedBefore)
                view->setNeedsDisplay(true);
            else
                window.orderFront();
        }, false);
        const int flushes = window.flushCount();
        RunLoop::currentRunLoop().runUntilDate(Date::dateWithTimeIntervalSinceNow(1.0));
        EXPECT_EQ(app->queuedEventCount(), 0u);
        EXPECT_EQ(window.flushedPixel(30, 20), 0xFFFF0000u);
        EXPECT_EQ(window.flushCount(), flushes + 1); // drawn once, not on every turn of the loop
        window.close();
    }
}
