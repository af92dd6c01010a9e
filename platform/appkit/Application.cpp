#include "appkit/Application.h"
#include "core/MainQueue.h"

#include "appkit/Cursor.h"
#include "appkit/FontPanel.h"
#include "appkit/Menu.h"
#include "appkit/MenuItem.h"
#include "appkit/RunLoop.h"
#include "appkit/SystemClipboard.h"
#include "appkit/View.h"
#include "appkit/Window.h"
#include "appkit/WindowScreen.h"
#include "core/Alert.h"
#include "core/Exception.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>

namespace kit {

namespace {
bool isMouseMotion(EventType t)
{
    return t == EventType::MouseMoved || t == EventType::LeftMouseDragged || t == EventType::RightMouseDragged;
}

bool carriesLocation(EventType t)
{
    switch (t) {
    case EventType::LeftMouseDown:
    case EventType::LeftMouseUp:
    case EventType::RightMouseDown:
    case EventType::RightMouseUp:
    case EventType::MouseMoved:
    case EventType::LeftMouseDragged:
    case EventType::RightMouseDragged:
    case EventType::ScrollWheel: return true;
    default: return false;
    }
}

bool isUserInput(EventType t)
{
    return carriesLocation(t) || t == EventType::KeyDown || t == EventType::KeyUp ||
           t == EventType::FlagsChanged;
}
} // namespace

Application& Application::sharedApplication()
{
    // Never destroyed: windows and receivers unregister during exit.
    static Application* app = [] {
        detail::WindowScreen::startScreen();
        SystemClipboard::install();
        auto* made = new Application;
        // The font manager's changes go along the responder chain from now on.
        FontPanel::installFontManagerHooks();
        return made;
    }();
    return *app;
}

Application::Application() = default;

Application::~Application() = default;

// ---- The queue.

void Application::setCurrentEvent(const Event& event)
{
    currentEvent_ = event;
    setCurrentEventModifierFlags(event.modifierFlags());
}

void Application::postEvent(const Event& event, bool atStart)
{
    Event e = event;
    e.serial_ = nextSerial_++;
    if (atStart)
        queue_.push_front(e);
    else
        queue_.push_back(e);
    wakeUp();
}

void Application::queueEventFromSource(Event event)
{
    Window* window = windowWithWindowNumber(event.windowNumber());
    if (carriesLocation(event.type())) {
        // A button that moves without being down was let go where the
        // screen did not report it.
        if (event.type() == EventType::MouseMoved) {
            if (leftMouseDownWindow_)
                endMouseTracking(leftMouseDownWindow_);
            if (rightMouseDownWindow_)
                endMouseTracking(rightMouseDownWindow_);
        }
        lastMouseLocation_ = event.locationInWindow();
        lastMouseWindow_ = event.windowNumber();
        switch (event.type()) {
        case EventType::LeftMouseDown: leftMouseDownWindow_ = event.windowNumber(); break;
        case EventType::LeftMouseUp: leftMouseDownWindow_ = 0; break;
        case EventType::RightMouseDown: rightMouseDownWindow_ = event.windowNumber(); break;
        case EventType::RightMouseUp: rightMouseDownWindow_ = 0; break;
        default: break;
        }
        if (isMouseMotion(event.type()))
            Cursor::mouseDidMove();
        if (window && event.type() == EventType::MouseMoved) {
            window->validateCursorRects();
            window->updateCursorForLocation(event.locationInWindow());
        }
        if (window) {
            for (const Event& te : window->trackingEventsForLocation(event.locationInWindow(), event))
                postEvent(te, false);
        }
    } else if (event.type() == EventType::MouseExited && event.trackingNumber() == 0) {
        // The pointer left the window itself: every tracking rectangle is left.
        if (window)
            for (const Event& te : window->trackingEventsForLocation(std::nullopt, event))
                postEvent(te, false);
        return;
    }
    if (event.type() == EventType::MouseMoved && (!window || !window->acceptsMouseMovedEvents()))
        return;
    if (event.type() == EventType::AppKitDefined && event.subtype() == WindowActivatedSubtype) {
        // Only the window the desktop activated last counts.
        queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                                    [](const Event& e) {
                                        return e.type() == EventType::AppKitDefined &&
                                               e.subtype() == WindowActivatedSubtype;
                                    }),
                     queue_.end());
    }
    if (isUserInput(event.type()) && event.windowNumber() != 0 && !window)
        return; // the window has gone
    postEvent(event, false);
}

void Application::scheduleEvent(const Event& event, Date at)
{
    double t = std::isnan(at.time) ? Clock::now() : at.time;
    Scheduled s{t, nextOrder_++, event};
    auto pos = std::upper_bound(scheduled_.begin(), scheduled_.end(), s, [](const Scheduled& a, const Scheduled& b) {
        return a.time < b.time || (a.time == b.time && a.order < b.order);
    });
    scheduled_.insert(pos, std::move(s));
}

void Application::releaseScheduledEvents()
{
    double now = Clock::now();
    while (!scheduled_.empty() && scheduled_.front().time <= now) {
        Event e = scheduled_.front().event;
        scheduled_.erase(scheduled_.begin());
        if (e.timestamp() == 0)
            e.setTimestamp(now);
        queueEventFromSource(e);
    }
}

void Application::discardEventsMatchingMask(unsigned mask, const Event* beforeEvent)
{
    std::uint64_t limit = std::numeric_limits<std::uint64_t>::max();
    if (beforeEvent && beforeEvent->serial_ != 0)
        limit = beforeEvent->serial_;
    queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                                [&](const Event& e) {
                                    return (mask & eventMaskFromType(e.type())) && e.serial_ < limit;
                                }),
                 queue_.end());
}

bool Application::startPeriodicEvents(double delay, double period)
{
    if (periodicRunning_)
        return false;
    if (!std::isfinite(delay) || delay < 0)
        delay = 0;
    if (!std::isfinite(period) || period <= 0)
        period = 0.0001;
    periodicRunning_ = true;
    periodicNext_ = Clock::now() + delay;
    periodicPeriod_ = period;
    return true;
}

void Application::stopPeriodicEvents()
{
    periodicRunning_ = false;
    // Periodic events already waiting are dropped too.
    discardEventsMatchingMask(PeriodicMask, nullptr);
}

void Application::generatePeriodicEvent()
{
    if (!periodicRunning_)
        return;
    double now = Clock::now();
    if (periodicNext_ > now)
        return;
    // One at a time: a slow reader does not get a backlog.
    bool queued = std::any_of(queue_.begin(), queue_.end(),
                              [](const Event& e) { return e.type() == EventType::Periodic; });
    if (!queued)
        postEvent(Event::otherEventWithType(EventType::Periodic, lastMouseLocation_, currentEventModifierFlags(), now,
                                            lastMouseWindow_),
                  false);
    periodicNext_ += periodicPeriod_;
    if (periodicNext_ <= now)
        periodicNext_ = now + periodicPeriod_;
}

std::optional<Event> Application::nextEventMatchingMask(unsigned mask, Date untilDate, const std::string& inMode,
                                                        bool dequeue)
{
    RunLoop& loop = RunLoop::currentRunLoop();
    RunLoop::ModeScope modeScope(loop, inMode);
    double until = std::isnan(untilDate.time) ? Clock::now() : untilDate.time;
    for (;;) {
        pumpScreenEvents();
        releaseScheduledEvents();
        generatePeriodicEvent();
        for (auto it = queue_.begin(); it != queue_.end(); ++it) {
            if (!(mask & eventMaskFromType(it->type())))
                continue;
            Event e = *it;
            if (dequeue) {
                queue_.erase(it);
                setCurrentEvent(e);
            }
            return e;
        }
        // Timers of this mode run while the loop waits; one of them may
        // post the event we wait for, or run a loop of its own.
        if (loop.fireDueTimers(inMode) > 0)
            continue;
        // Results of background work (a rendered picture) run in any mode.
        if (MainQueue::drain() > 0)
            continue;
        // Requests from other programs are served the same way.
        if (loop.serviceInputSources(inMode) > 0)
            continue;
        // What timers, background work or other programs changed (a window
        // they ordered in) is drawn before the loop goes idle, not after
        // the next event. A tracking loop draws what it tracks itself.
        if (inMode != EventTrackingRunLoopMode) {
            const size_t queued = queue_.size();
            updateWindows();
            if (queue_.size() != queued)
                continue;
        }
        double now = Clock::now();
        if (now >= until)
            return std::nullopt;
        double wake = std::min(until, loop.limitDateForMode(inMode));
        if (periodicRunning_)
            wake = std::min(wake, periodicNext_);
        if (!scheduled_.empty())
            wake = std::min(wake, scheduled_.front().time);
        if (MainQueue::backgroundWorkInFlight() > 0 && (Clock::isVirtual() || std::isinf(wake))) {
            // Work on other threads will post: wait for it (in slices, so
            // that screen events still come in) rather than call the loop idle.
            if (!MainQueue::waitForPosted(0.02))
                pumpScreenEvents();
            continue;
        }
        if (Clock::isVirtual()) {
            // Nothing will ever come: do not wait for ever.
            if (std::isinf(wake))
                return std::nullopt;
            Clock::advanceTo(wake);
            continue;
        }
        if (!detail::WindowScreen::waitForScreenEvents(wake - now) && std::isinf(wake))
            return std::nullopt;
    }
}

void Application::pumpScreenEvents()
{
    detail::WindowScreen::processScreenEvents();
}

void Application::wakeUp()
{
    detail::WindowScreen::wakeUp();
}

// ---- Dispatch and loops.

void Application::endMouseTracking(int windowNumber)
{
    auto release = [&](int& downWindow, EventType type) {
        if (downWindow == 0 || (windowNumber != 0 && downWindow != windowNumber))
            return;
        int number = downWindow;
        downWindow = 0;
        Point where = number == lastMouseWindow_ ? lastMouseLocation_ : Point{};
        // Straight into the queue: the window may be gone already, and the
        // loop must see the mouse-up all the same.
        postEvent(Event::mouseEventWithType(type, where, currentEventModifierFlags(), Clock::now(), number, 1, 0.0f),
                  false);
    };
    release(leftMouseDownWindow_, EventType::LeftMouseUp);
    release(rightMouseDownWindow_, EventType::RightMouseUp);
}

void Application::sendEvent(const Event& event)
{
    setCurrentEvent(event);
    switch (event.type()) {
    case EventType::AppKitDefined:
        if (event.subtype() == WindowActivatedSubtype)
            windowActivated(event);
        else
            performMenuEvent(event);
        return;
    case EventType::Periodic:
    case EventType::ApplicationDefined:
    case EventType::SystemDefined: return;
    default: break;
    }
    Window* window = windowWithWindowNumber(event.windowNumber());
    // The desktop gives keys to the window it thinks active (a palette just
    // clicked, the menu bar's window); they belong to the key window.
    if (event.type() == EventType::KeyDown || event.type() == EventType::KeyUp ||
        event.type() == EventType::FlagsChanged) {
        if (Window* key = keyWindow(); key && !key->isClosed())
            window = key;
    }
    if (event.type() == EventType::KeyDown && performKeyEquivalents(event))
        return;
    if (window) {
        window->sendEvent(event);
        // What the event changed may have invalidated cursor rectangles.
        if (!window->isClosed())
            window->validateCursorRects();
    }
}

bool Application::performKeyEquivalents(const Event& event)
{
    // Only keys pressed with Command are key equivalents here; a panel's
    // Return reaches its default button when no responder takes the key.
    if (!(event.modifierFlags() & CommandKeyMask))
        return false;
    if (Window* key = keyWindow(); key && key->performKeyEquivalent(event))
        return true;
    if (mainMenu_ && mainMenu_->performKeyEquivalent(event))
        return true;
    return false;
}

bool Application::performMenuEvent(const Event& event)
{
    if (event.subtype() != MenuItemChosenSubtype)
        return false;
    MenuItem* item = MenuItem::itemWithSerial(static_cast<std::uint64_t>(event.data1()));
    if (!item)
        return false;
    // While a modal panel runs, the menu bar is not the user's way out.
    if (!modal_.empty()) {
        beep();
        return false;
    }
    if (Menu* menu = item->menu())
        menu->performActionForItem(item);
    return true;
}

void Application::setMainMenu(std::unique_ptr<Menu> menu)
{
    if (mainMenu_)
        mainMenu_->setMenuBarVisible(false);
    mainMenu_ = std::move(menu);
    if (mainMenu_)
        mainMenu_->setMenuBarVisible(true);
}

void Application::updateMenus()
{
    if (mainMenu_)
        mainMenu_->update();
}

Menu* Application::windowsMenu() const
{
    return windowsMenu_.get();
}

void Application::setWindowsMenu(Menu* menu)
{
    if (Menu* old = windowsMenu_.get(); old && old != menu)
        for (MenuItem* item : windowItems_)
            (void)old->removeItem(item);
    windowItems_.clear();
    windowsMenu_ = WeakRef<Menu>(menu);
    updateWindowsMenu();
}

void Application::updateWindowsMenu()
{
    Menu* menu = windowsMenu_.get();
    if (!menu)
        return;
    for (MenuItem* item : windowItems_)
        (void)menu->removeItem(item);
    windowItems_.clear();
    std::vector<Window*> listed;
    for (Window* w : windows_)
        if (w->isVisible() && !w->isClosed() && !w->isExcludedFromWindowsMenu() &&
            (w->styleMask() & TitledWindowMask) && !w->title().empty())
            listed.push_back(w);
    if (listed.empty())
        return;
    if (menu->numberOfItems() > 0)
        windowItems_.push_back(menu->addItem(MenuItem::separatorItem()));
    for (Window* w : listed) {
        MenuItem* item = menu->addItemWithTitle(w->title(), "makeKeyAndOrderFront:");
        item->setTarget(w);
        item->setState(w->isKeyWindow() ? 1 : 0);
        windowItems_.push_back(item);
    }
}

void Application::run()
{
    running_ = true;
    stopRequested_ = false;
    // What was drawn before the loop began (the first document's window)
    // must show before the loop waits for the first event.
    updateWindows();
    while (!stopRequested_) {
        std::optional<Event> e = nextEventMatchingMask(AnyEventMask, Date::distantFuture(), DefaultRunLoopMode, true);
        if (!e)
            break; // idle on the virtual clock
        size_t focusDepth = View::focusStackDepth();
        bool periodicBefore = periodicRunning_;
        try {
            sendEvent(*e);
        } catch (const Exception& ex) {
            std::cerr << "Exception raised while handling an event: " << ex.name() << ": " << ex.reason() << "\n";
        } catch (const std::exception& ex) {
            std::cerr << "Exception raised while handling an event: " << ex.what() << "\n";
        }
        // Whatever an interrupted handler left behind must not block what comes next.
        View::unlockFocusDownTo(focusDepth);
        if (!periodicBefore && periodicRunning_)
            stopPeriodicEvents();
        updateWindows();
    }
    running_ = false;
    stopRequested_ = false;
}

void Application::stop(Object*)
{
    stopRequested_ = true;
    // A stop from a timer or a delayed message must not wait for the next
    // user event to be seen.
    if (running_)
        postEvent(Event::otherEventWithType(EventType::AppKitDefined, {}, 0, Clock::now(), 0), false);
    wakeUp();
}

int Application::runModalForWindow(Window* window)
{
    if (!window || window->isClosed())
        return RunAbortedResponse;
    modal_.push_back(ModalSession{window->windowNumber()});
    size_t index = modal_.size() - 1;
    // The session ends however the loop is left, an exception included.
    struct Pop {
        std::vector<ModalSession>& stack;
        size_t index;
        ~Pop() { stack.resize(std::min(stack.size(), index)); }
    } pop{modal_, index};
    size_t focusDepth = View::focusStackDepth();
    bool periodicBefore = periodicRunning_;
    window->makeKeyAndOrderFront(nullptr);
    updateWindows();
    try {
        for (;;) {
            if (modal_.size() <= index)
                return RunAbortedResponse;
            if (modal_[index].stopped)
                return modal_[index].code;
            // The window went away under the loop (closed, destroyed).
            if (Window* w = windowWithWindowNumber(modal_[index].windowNumber); !w || w->isClosed())
                return RunAbortedResponse;
            std::optional<Event> e =
                nextEventMatchingMask(AnyEventMask, Date::distantFuture(), ModalPanelRunLoopMode, true);
            if (!e) // nothing can end the session any more
                return modal_[index].stopped ? modal_[index].code : RunAbortedResponse;
            if (isUserInput(e->type()) && e->windowNumber() != modal_[index].windowNumber) {
                if (e->type() == EventType::LeftMouseDown)
                    beep();
                continue;
            }
            sendEvent(*e);
            updateWindows();
        }
    } catch (...) {
        // The caller gets the exception; the queue must not stay blocked by
        // what the interrupted handler held.
        View::unlockFocusDownTo(focusDepth);
        if (!periodicBefore && periodicRunning_)
            stopPeriodicEvents();
        throw;
    }
}

void Application::stopModalWithCode(int code)
{
    // The first answer stands: a panel that stops its loop and then closes
    // itself must not turn its answer into an abort.
    if (modal_.empty() || modal_.back().stopped)
        return;
    modal_.back().stopped = true;
    modal_.back().code = code;
    // A stop from a timer must not wait for the next user event to be seen.
    postEvent(Event::otherEventWithType(EventType::AppKitDefined, {}, 0, Clock::now(), 0), false);
}

Window* Application::modalWindow() const
{
    return modal_.empty() ? nullptr : windowWithWindowNumber(modal_.back().windowNumber);
}

// ---- Windows.

void Application::registerWindow(Window* window)
{
    if (window && std::find(windows_.begin(), windows_.end(), window) == windows_.end())
        windows_.push_back(window);
}

void Application::unregisterWindow(Window* window)
{
    windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
    if (!window)
        return;
    windowDidOrderOut(window);
    if (keyWindow_ == window->windowNumber())
        keyWindow_ = 0;
    if (mainWindow_ == window->windowNumber())
        mainWindow_ = 0;
    frontOrder_.erase(std::remove(frontOrder_.begin(), frontOrder_.end(), window->windowNumber()), frontOrder_.end());
    // Its queued events would go nowhere; but when its mouse-down was taken
    // already, a loop may still wait for the mouse-up: that one stays.
    int number = window->windowNumber();
    bool downQueued = std::any_of(queue_.begin(), queue_.end(), [number](const Event& e) {
        return e.windowNumber() == number &&
               (e.type() == EventType::LeftMouseDown || e.type() == EventType::RightMouseDown);
    });
    queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                                [number, downQueued](const Event& e) {
                                    bool up = e.type() == EventType::LeftMouseUp || e.type() == EventType::RightMouseUp;
                                    return e.windowNumber() == number && isUserInput(e.type()) && (downQueued || !up);
                                }),
                 queue_.end());
}

Window* Application::windowWithWindowNumber(int windowNumber) const
{
    if (windowNumber == 0)
        return nullptr;
    for (Window* w : windows_)
        if (w->windowNumber() == windowNumber)
            return w;
    return nullptr;
}

std::vector<Window*> Application::windows() const
{
    return windows_;
}

std::vector<Window*> Application::orderedWindows() const
{
    std::vector<Window*> list;
    for (auto it = frontOrder_.rbegin(); it != frontOrder_.rend(); ++it)
        if (Window* w = windowWithWindowNumber(*it); w && w->isVisible() && !w->isClosed())
            list.push_back(w);
    return list;
}

void Application::updateWindows()
{
    // A copy: displaying may open or close windows.
    for (Window* window : std::vector<Window*>(windows_)) {
        if (std::find(windows_.begin(), windows_.end(), window) == windows_.end())
            continue;
        window->displayIfNeeded();
        window->flushWindowIfNeeded();
    }
}

Window* Application::keyWindow() const
{
    return windowWithWindowNumber(keyWindow_);
}

Window* Application::mainWindow() const
{
    return windowWithWindowNumber(mainWindow_);
}

namespace {

void tellDelegate(Window* window, const char* message)
{
    Receiver* d = window ? window->delegate() : nullptr;
    if (d && d->respondsToSelector(message))
        d->performSelector(message, window);
}

} // namespace

void Application::setKeyWindow(Window* window)
{
    const int number = window ? window->windowNumber() : 0;
    if (number != keyWindow_) {
        Window* was = keyWindow();
        keyWindow_ = number;
        tellDelegate(was, "windowDidResignKey:");
        tellDelegate(window, "windowDidBecomeKey:");
    }
    if (!window)
        return;
    frontOrder_.erase(std::remove(frontOrder_.begin(), frontOrder_.end(), number), frontOrder_.end());
    frontOrder_.push_back(number);
    // The window the user works in is the main one: what the menus act on
    // must never stay with a window clicked away from.
    if (window->canBecomeMainWindow() && keyWindow_ == number)
        setMainWindow(window);
}

void Application::setMainWindow(Window* window)
{
    const int number = window ? window->windowNumber() : 0;
    if (number == mainWindow_)
        return;
    mainWindow_ = number;
    tellDelegate(window, "windowDidBecomeMain:");
}

void Application::windowDidOrderFront(Window* window)
{
    if (!window)
        return;
    const int number = window->windowNumber();
    frontOrder_.erase(std::remove(frontOrder_.begin(), frontOrder_.end(), number), frontOrder_.end());
    frontOrder_.push_back(number);
}

Window* Application::frontDocumentWindow(const Window* except) const
{
    for (auto it = frontOrder_.rbegin(); it != frontOrder_.rend(); ++it) {
        Window* w = windowWithWindowNumber(*it);
        if (w && w != except && w->isVisible() && !w->isClosed() && w->canBecomeMainWindow())
            return w;
    }
    return nullptr;
}

void Application::windowDidOrderOut(Window* window)
{
    if (!window)
        return;
    const int number = window->windowNumber();
    frontOrder_.erase(std::remove(frontOrder_.begin(), frontOrder_.end(), number), frontOrder_.end());
    const bool wasMain = mainWindow_ == number;
    if (wasMain)
        setMainWindow(frontDocumentWindow(window));
    if (keyWindow_ == number) {
        // A panel hands the keys back to the window it served.
        Window* main = mainWindow();
        if (!main || !main->isVisible() || main->isClosed())
            main = frontDocumentWindow(window);
        setKeyWindow(main);
    }
}

void Application::windowActivated(const Event& event)
{
    Window* window = windowWithWindowNumber(static_cast<int>(event.data1()));
    if (!window || window->isClosed() || !window->isVisible() || window->isKeyWindow())
        return;
    // While a panel runs modally it keeps the keys; a palette becomes key
    // only when a click in it needs the keyboard (the click decides).
    if (Window* modal = modalWindow(); modal && modal != window)
        return;
    if (window->becomesKeyOnlyIfNeeded() || !window->canBecomeKeyWindow())
        return;
    setKeyWindow(window);
}

bool Application::isActive() const
{
    if (activeQuery_)
        return activeQuery_();
    return detail::WindowScreen::isApplicationActive();
}

void Application::setDidBecomeActiveHandler(std::function<void()> handler)
{
    detail::WindowScreen::setActivationHandler(std::move(handler));
}

void Application::setSessionEndHandler(std::function<bool()> handler)
{
    detail::WindowScreen::setSessionEndHandler(std::move(handler));
}

// ---- Actions.

Receiver* Application::targetForAction(const std::string& action) const
{
    auto searchChain = [&](Responder* start) -> Receiver* {
        int steps = 0;
        for (Responder* r = start; r && steps < 10000; r = r->nextResponder(), ++steps)
            if (r->respondsToSelector(action))
                return r;
        return nullptr;
    };
    Window* key = keyWindow();
    Window* main = mainWindow();
    for (Window* w : {key, main == key ? nullptr : main}) {
        if (!w)
            continue;
        if (Receiver* r = searchChain(w->firstResponder()))
            return r;
        if (Receiver* d = w->delegate(); d && d->respondsToSelector(action))
            return d;
    }
    if (respondsToSelector(action))
        return const_cast<Application*>(this);
    if (Receiver* d = delegate(); d && d->respondsToSelector(action))
        return d;
    return nullptr;
}

bool Application::sendAction(const std::string& action, Receiver* to, Object* from)
{
    Receiver* target = to ? to : targetForAction(action);
    if (!target || !target->respondsToSelector(action)) {
        beep();
        return false;
    }
    target->performSelector(action, from);
    return true;
}

void Application::beep()
{
    kit::beep();
}

void Application::resetForTesting()
{
    activeQuery_ = nullptr;
    queue_.clear();
    scheduled_.clear();
    currentEvent_.reset();
    setCurrentEventModifierFlags(0);
    periodicRunning_ = false;
    modal_.clear();
    stopRequested_ = false;
    lastMouseLocation_ = {};
    lastMouseWindow_ = 0;
    leftMouseDownWindow_ = 0;
    rightMouseDownWindow_ = 0;
    View::unlockFocusDownTo(0);
    RunLoop::currentRunLoop().reset();
    Cursor::setHiddenUntilMouseMoves(false);
}

} // namespace kit
