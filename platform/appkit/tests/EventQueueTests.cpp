#include "AppKitTesting.h"

#include "appkit/Cursor.h"
#include "appkit/EventScript.h"
#include "appkit/View.h"
#include "appkit/Window.h"

#include <vector>

using namespace kit;

TEST(EventTest, TypesAndMasksKeepThePlatformBits)
{
    struct Case {
        EventType type;
        int number;
        unsigned mask;
    } cases[] = {
        {EventType::LeftMouseDown, 1, LeftMouseDownMask},     {EventType::LeftMouseUp, 2, LeftMouseUpMask},
        {EventType::MouseMoved, 5, MouseMovedMask},           {EventType::LeftMouseDragged, 6, LeftMouseDraggedMask},
        {EventType::MouseEntered, 8, MouseEnteredMask},       {EventType::MouseExited, 9, MouseExitedMask},
        {EventType::KeyDown, 10, KeyDownMask},                {EventType::KeyUp, 11, KeyUpMask},
        {EventType::FlagsChanged, 12, FlagsChangedMask},      {EventType::Periodic, 16, PeriodicMask},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(static_cast<int>(c.type), c.number);
        EXPECT_EQ(eventMaskFromType(c.type), c.mask);
        EXPECT_EQ(c.mask, 1u << c.number);
    }
    // The masks the tracking loops pass as numbers.
    EXPECT_EQ(LeftMouseUpMask | LeftMouseDraggedMask, 0x44u);
    EXPECT_EQ(LeftMouseUpMask | LeftMouseDraggedMask | FlagsChangedMask, 0x1044u);
    EXPECT_EQ(LeftMouseUpMask | LeftMouseDraggedMask | MouseEnteredMask | MouseExitedMask | PeriodicMask, 0x10344u);
    EXPECT_EQ(KeyDownMask | KeyUpMask, 0xC00u);
    EXPECT_EQ(LeftMouseDownMask | LeftMouseUpMask | PeriodicMask, 0x10006u);
    EXPECT_EQ(ShiftKeyMask, 0x20000u);
    EXPECT_EQ(AlternateKeyMask, 0x80000u);
    EXPECT_EQ(CommandKeyMask, 0x100000u);
    EXPECT_EQ(UpArrowFunctionKey, 0xF700);
    EXPECT_EQ(DeleteFunctionKey, 0xF728);
}

using EventQueueTest = AppKitTest;

TEST_F(EventQueueTest, DragLoopTakesOnlyMaskedEventsWhileAKeyWaits)
{
    Window window(makeRect(0, 0, 100, 100));
    EventScript(window)
        .mouseDown({10, 10})
        .after(0.01).keyDown(u"a")
        .after(0.01).mouseDragged({20, 20})
        .after(0.01).mouseDragged({30, 30})
        .after(0.01).mouseUp({30, 30})
        .schedule();

    auto down = window.nextEventMatchingMask(LeftMouseDownMask);
    ASSERT_TRUE(down);
    std::vector<EventType> seen;
    for (;;) {
        auto e = window.nextEventMatchingMask(LeftMouseUpMask | LeftMouseDraggedMask);
        ASSERT_TRUE(e);
        seen.push_back(e->type());
        if (e->type() == EventType::LeftMouseUp)
            break;
    }
    EXPECT_EQ(seen, (std::vector<EventType>{EventType::LeftMouseDragged, EventType::LeftMouseDragged,
                                            EventType::LeftMouseUp}));
    // The key is still there, for whoever asks for keys.
    auto key = app->nextEventMatchingMask(KeyDownMask, Date::distantPast(), DefaultRunLoopMode, true);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->characters(), u"a");
    EXPECT_EQ(app->queuedEventCount(), 0u);
}

TEST_F(EventQueueTest, PeekWithTimeoutSeesADragAndLeavesItQueued)
{
    Window window(makeRect(0, 0, 100, 100));
    EventScript(window).at(0.5).mouseDragged({5, 6}).schedule();
    const Event* before = app->currentEvent();

    auto peeked = app->nextEventMatchingMask(LeftMouseUpMask | LeftMouseDraggedMask,
                                             Date::dateWithTimeIntervalSinceNow(2.0), EventTrackingRunLoopMode, false);
    ASSERT_TRUE(peeked);
    EXPECT_EQ(peeked->type(), EventType::LeftMouseDragged);
    EXPECT_DOUBLE_EQ(Clock::now(), 0.5); // it came at once, not after the timeout
    EXPECT_EQ(app->queuedEventCount(), 1u);
    EXPECT_EQ(app->currentEvent(), before);

    auto taken = app->nextEventMatchingMask(AnyEventMask, Date::distantPast(), EventTrackingRunLoopMode, true);
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->serial(), peeked->serial());
    ASSERT_NE(app->currentEvent(), nullptr);
    EXPECT_EQ(app->currentEvent()->serial(), peeked->serial());
}

TEST_F(EventQueueTest, PeekTimesOutWhenNothingComesInTime)
{
    Window window(makeRect(0, 0, 100, 100));
    EventScript(window).at(2.5).mouseUp({1, 1}).schedule();
    auto none = app->nextEventMatchingMask(0x44, Date::dateWithTimeIntervalSinceNow(2.0), EventTrackingRunLoopMode, false);
    EXPECT_FALSE(none);
    EXPECT_DOUBLE_EQ(Clock::now(), 2.0);
    // Waiting without limit still gets it later.
    auto later = window.nextEventMatchingMask(0x44);
    ASSERT_TRUE(later);
    EXPECT_DOUBLE_EQ(Clock::now(), 2.5);
    // On the virtual clock, a wait for what can never come ends rather than hangs.
    EXPECT_FALSE(window.nextEventMatchingMask(0x44));
}

TEST_F(EventQueueTest, PostAtStartOrEndAndDiscardBeforeAnEvent)
{
    auto key = [](EventType type, char16_t c, bool repeat) {
        return Event::keyEventWithType(type, {}, 0, 0, 0, std::u16string(1, c), std::u16string(1, c), repeat);
    };
    app->postEvent(key(EventType::KeyDown, 'a', true), false);
    app->postEvent(key(EventType::KeyDown, 'b', true), false);
    app->postEvent(key(EventType::KeyUp, 'b', false), false);
    app->postEvent(key(EventType::KeyDown, 'c', false), false);
    app->postEvent(Event::otherEventWithType(EventType::ApplicationDefined, {}, 0, 0, 0), true);

    auto first = app->nextEventMatchingMask(AnyEventMask, Date::distantPast(), DefaultRunLoopMode, false);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->type(), EventType::ApplicationDefined); // posted at the start

    // Auto-repeated keys already released: drop every key before the key up.
    auto up = app->nextEventMatchingMask(KeyUpMask, Date::distantPast(), EventTrackingRunLoopMode, false);
    ASSERT_TRUE(up);
    app->discardEventsMatchingMask(KeyDownMask | KeyUpMask, &*up);
    std::vector<std::u16string> left;
    while (auto e = app->nextEventMatchingMask(KeyDownMask | KeyUpMask, Date::distantPast(), DefaultRunLoopMode, true))
        left.push_back((e->type() == EventType::KeyUp ? u"up " : u"down ") + e->characters());
    EXPECT_EQ(left, (std::vector<std::u16string>{u"up b", u"down c"}));

    // Without an event, every event of the mask goes.
    app->discardEventsMatchingMask(AnyEventMask, nullptr);
    EXPECT_EQ(app->queuedEventCount(), 0u);
}

// The text selection loop: periodic events start when the mouse leaves the
// view and stop when it comes back.
TEST_F(EventQueueTest, PeriodicEventsOnlyWhileTheMouseIsOutside)
{
    Window window(makeRect(0, 0, 200, 200));
    View* view = window.contentView()->addSubview(std::make_unique<View>(makeRect(50, 50, 100, 100)));
    view->addTrackingRect(view->bounds(), view, nullptr, true);

    EventScript(window)
        .mouseDown({100, 100})
        .at(0.05).mouseDragged({10, 100}) // out
        .at(0.5).mouseDragged({100, 100}) // back in
        .at(1.0).mouseUp({100, 100})
        .schedule();

    ASSERT_TRUE(window.nextEventMatchingMask(LeftMouseDownMask));
    std::vector<double> periodicTimes;
    double exitedAt = -1, enteredAt = -1;
    int periodicAfterEntry = 0;
    for (;;) {
        auto e = window.nextEventMatchingMask(0x10344);
        ASSERT_TRUE(e);
        if (e->type() == EventType::LeftMouseUp)
            break;
        if (e->type() == EventType::MouseExited) {
            exitedAt = Clock::now();
            EXPECT_TRUE(Event::startPeriodicEventsAfterDelay(0.1, 0.1));
            EXPECT_FALSE(Event::startPeriodicEventsAfterDelay(0.1, 0.1)); // already running
        } else if (e->type() == EventType::MouseEntered) {
            enteredAt = Clock::now();
            Event::stopPeriodicEvents();
            window.discardEventsMatchingMask(0x10006, &*e);
        } else if (e->type() == EventType::Periodic) {
            periodicTimes.push_back(Clock::now());
            if (enteredAt >= 0)
                ++periodicAfterEntry;
        }
    }
    Event::stopPeriodicEvents();
    EXPECT_DOUBLE_EQ(exitedAt, 0.05);
    EXPECT_DOUBLE_EQ(enteredAt, 0.5);
    ASSERT_EQ(periodicTimes.size(), 4u); // 0.15, 0.25, 0.35, 0.45
    EXPECT_NEAR(periodicTimes.front(), 0.15, 1e-9);
    EXPECT_NEAR(periodicTimes.back(), 0.45, 1e-9);
    EXPECT_EQ(periodicAfterEntry, 0);
}

TEST_F(EventQueueTest, MouseMovedEventsOnlyForWindowsThatAcceptThem)
{
    Window a(makeRect(0, 0, 50, 50));
    Window b(makeRect(0, 0, 50, 50));
    a.setAcceptsMouseMovedEvents(true);
    EventScript(a).mouseMoved({1, 1}).schedule();
    EventScript(b).mouseMoved({2, 2}).schedule();
    a.setAcceptsMouseMovedEvents(true);

    auto e = app->nextEventMatchingMask(MouseMovedMask, Date::distantPast(), DefaultRunLoopMode, true);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->windowNumber(), a.windowNumber());
    EXPECT_FALSE(app->nextEventMatchingMask(MouseMovedMask, Date::distantPast(), DefaultRunLoopMode, true));

    a.setAcceptsMouseMovedEvents(false);
    EventScript(a).mouseMoved({3, 3}).schedule();
    EXPECT_FALSE(app->nextEventMatchingMask(MouseMovedMask, Date::distantPast(), DefaultRunLoopMode, true));
}

TEST_F(EventQueueTest, EventsForAClosedWindowGoNowhereAndBlockNothing)
{
    auto doomed = std::make_unique<Window>(makeRect(0, 0, 50, 50));
    Window other(makeRect(0, 0, 50, 50));
    EventScript(*doomed).mouseDown({1, 1}).keyDown(u"x").at(1.0).keyDown(u"y").schedule();
    EventScript(other).at(2.0).keyDown(u"z").schedule();

    auto early = app->nextEventMatchingMask(LeftMouseDownMask, Date::distantPast(), DefaultRunLoopMode, false);
    ASSERT_TRUE(early);
    Event kept = *early;
    doomed->close();
    EXPECT_EQ(kept.window(), nullptr);
    app->sendEvent(kept); // nothing to send it to; must not crash
    doomed.reset();
    app->sendEvent(kept);

    auto e = app->nextEventMatchingMask(KeyDownMask, Date::distantFuture(), DefaultRunLoopMode, true);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->characters(), u"z");
    EXPECT_EQ(e->window(), &other);
    EXPECT_EQ(app->queuedEventCount(), 0u);
}

TEST_F(EventQueueTest, CurrentEventCarriesTheModifierFlags)
{
    Window window(makeRect(0, 0, 50, 50));
    EventScript(window).keyDown(u"q", ShiftKeyMask | AlternateKeyMask).schedule();
    auto e = window.nextEventMatchingMask(KeyDownMask);
    ASSERT_TRUE(e);
    ASSERT_NE(app->currentEvent(), nullptr);
    EXPECT_EQ(app->currentEvent()->modifierFlags(), ShiftKeyMask | AlternateKeyMask);
    EXPECT_EQ(currentEventModifierFlags(), ShiftKeyMask | AlternateKeyMask);
}

TEST_F(EventQueueTest, CursorHiddenUntilTheMouseMoves)
{
    Window window(makeRect(0, 0, 50, 50));
    Cursor::setHiddenUntilMouseMoves(true);
    EventScript(window).keyDown(u"k").after(0.1).mouseMoved({4, 4}).schedule();
    ASSERT_TRUE(window.nextEventMatchingMask(KeyDownMask));
    EXPECT_TRUE(Cursor::isHiddenUntilMouseMoves());
    // The window takes no mouse-moved events, yet the move shows the cursor.
    EXPECT_FALSE(app->nextEventMatchingMask(MouseMovedMask, Date::dateWithTimeIntervalSinceNow(1.0), DefaultRunLoopMode, true));
    EXPECT_FALSE(Cursor::isHiddenUntilMouseMoves());
}
