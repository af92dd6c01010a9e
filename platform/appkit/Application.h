#pragma once

#include "appkit/Clock.h"
#include "appkit/Event.h"
#include "appkit/Responder.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kit {

class Menu;
class MenuItem;
class Window;

// Subtypes of the application kit's own events.
inline constexpr short MenuItemChosenSubtype = 1;
// The desktop made a window the active one (a click on its title bar, the
// window manager's keys); data1 is the window's number.
inline constexpr short WindowActivatedSubtype = 2;

// Answers of runModalForWindow besides the codes given to stopModalWithCode.
inline constexpr int RunStoppedResponse = -1000;
inline constexpr int RunAbortedResponse = -1001;

// The application object: the event queue, fed by the screen (Qt) and by
// scripts; the main and modal loops; windows; action dispatch.
//
// The queue is ours: events wait in it until a loop asks for one by mask,
// so a tracking loop can take only the mouse events it wants while a key
// waits, or peek without taking. While a loop waits it runs the run loop in
// its mode: timers of other modes do not fire meanwhile.
class Application : public Responder {
public:
    // Made on first use, with the screen connection (QT_QPA_PLATFORM decides
    // which; tests run under "offscreen").
    static Application& sharedApplication();

    std::string className() const override { return "NSApplication"; }

    // ---- The queue.
    // The first queued event that matches the mask, waiting for one until
    // the date in the given run-loop mode; nothing when the date passes (or,
    // on the virtual clock, when nothing could ever arrive). Without dequeue
    // the event stays queued. A dequeued event becomes the current event.
    std::optional<Event> nextEventMatchingMask(unsigned mask, Date untilDate, const std::string& inMode,
                                               bool dequeue);
    // Puts an event of the program's own into the queue, first or last.
    void postEvent(const Event& event, bool atStart);
    // Drops the queued events of the mask that came before the given event
    // (every one of them without an event, or when that event is not known).
    void discardEventsMatchingMask(unsigned mask, const Event* beforeEvent);
    // The event last taken from the queue, or being dispatched.
    const Event* currentEvent() const { return currentEvent_ ? &*currentEvent_ : nullptr; }
    size_t queuedEventCount() const { return queue_.size(); }

    // An event arriving from outside (the screen, a script): mouse-moved
    // events of windows that do not accept them are dropped, tracking
    // rectangles produce entered and exited events, a moving mouse shows a
    // hidden cursor; of several activations waiting, the last one stands.
    void queueEventFromSource(Event event);
    // A scripted event arriving at a time on the application's clock.
    void scheduleEvent(const Event& event, Date at);
    size_t scheduledEventCount() const { return scheduled_.size(); }

    // ---- Dispatch and loops.
    void sendEvent(const Event& event);
    // The main loop: until stop (or, on the virtual clock, until idle).
    void run();
    void stop(Object* sender = nullptr);
    bool isRunning() const { return running_; }

    // Runs a modal loop for the window: events of other windows' mice and
    // keys are dropped. Answers the code given to stopModalWithCode, or
    // RunStoppedResponse / RunAbortedResponse.
    int runModalForWindow(Window* window);
    void stopModal() { stopModalWithCode(RunStoppedResponse); }
    void stopModalWithCode(int code);
    void abortModal() { stopModalWithCode(RunAbortedResponse); }
    Window* modalWindow() const;

    // ---- Windows.
    Window* windowWithWindowNumber(int windowNumber) const;
    std::vector<Window*> windows() const;
    // The visible windows, front to back, as the program ordered them (and
    // as the desktop activated them).
    std::vector<Window*> orderedWindows() const;
    // Every window repaints what its views were asked to redisplay and shows
    // it: what the main and modal loops do after each event.
    void updateWindows();
    // Keys go to the key window whichever window the screen gave them to.
    // A window that becomes key becomes main too when it can (a document's,
    // not a panel); when the key or main window leaves the screen, the main
    // window, else the document window most recently in front, takes over.
    Window* keyWindow() const;
    Window* mainWindow() const;

    // ---- Actions.
    // The object that would answer the action: the key window's responder
    // chain, its delegate, the main window's chain and delegate, the
    // application and its delegate.
    Receiver* targetForAction(const std::string& action) const;
    // To the target, or along the chain for a nil target; beeps and answers
    // false when no one answers.
    bool sendAction(const std::string& action, Receiver* to, Object* from);

    // ---- The main menu (owned): the menu bar, and the key equivalents of
    // every item, which work in any window of the program.
    Menu* mainMenu() const { return mainMenu_.get(); }
    void setMainMenu(std::unique_ptr<Menu> menu);
    // Revalidates the main menu's items (enabled state and titles).
    void updateMenus();
    // The menu that lists the open windows (not owned; it belongs to the
    // main menu). Below its own items it lists each visible titled window
    // that is not excluded (documents, not panels), in the order they were
    // opened: choosing one brings it to the front as the key window, and
    // the key window's item is checked. The list is made again whenever
    // the menu is validated (before it shows).
    Menu* windowsMenu() const;
    void setWindowsMenu(Menu* menu);
    void updateWindowsMenu();

    // ---- Mouse tracking loops wait for the button to come up. When the
    // screen cannot tell (the window lost the pointer's grab, was
    // deactivated, hidden or closed), this puts a mouse-up in the queue in
    // the window's place, so that no loop waits for ever. Nothing happens
    // while no button is down there (0: in any window).
    void endMouseTracking(int windowNumber);
    bool isLeftMouseDown() const { return leftMouseDownWindow_ != 0; }

    // Whether the program is the desktop's active one: one of its windows
    // (a panel's too) has the desktop's focus.
    bool isActive() const;
    // Tests stand in for the desktop's answer (empty: ask the desktop).
    using ActiveQuery = std::function<bool()>;
    void setActiveQuery(ActiveQuery query) { activeQuery_ = std::move(query); }

    // The desktop's notices: the program became the active one; the
    // session ends (the handler answers whether the program may end).
    void setDidBecomeActiveHandler(std::function<void()> handler);
    void setSessionEndHandler(std::function<bool()> handler);

    Receiver* delegate() const { return delegate_.get(); }
    void setDelegate(Receiver* delegate) { delegate_ = WeakRef<Receiver>(delegate); }

    void beep();

    // Back to an empty queue, no periodic events, no script, no current
    // event, no modal loop; the run loop's timers and delayed messages are
    // dropped too; the desktop answers isActive again. For tests.
    void resetForTesting();

    // ---- Used by Event, Window and the screen bridge.
    bool startPeriodicEvents(double delay, double period);
    void stopPeriodicEvents();
    bool periodicEventsRunning() const { return periodicRunning_; }
    void registerWindow(Window* window);
    void unregisterWindow(Window* window);
    void setKeyWindow(Window* window);
    void setMainWindow(Window* window);
    void windowDidOrderFront(Window* window);
    // A key or main window that leaves the screen hands its status on: key
    // to the main window, else the front-most window that can take it; main
    // to the front-most window that can become main.
    void windowDidOrderOut(Window* window);
    // Wakes a loop waiting for events on the screen.
    void wakeUp();

private:
    Application();
    ~Application() override;

    struct ModalSession {
        int windowNumber;
        bool stopped = false;
        int code = RunStoppedResponse;
    };
    struct Scheduled {
        double time;
        std::uint64_t order;
        Event event;
    };

    void pumpScreenEvents();
    void releaseScheduledEvents();
    void generatePeriodicEvent();
    void waitUntil(double time);
    void setCurrentEvent(const Event& event);
    void updateTracking(const Event& event);
    bool performMenuEvent(const Event& event);
    void windowActivated(const Event& event);
    // The visible window that can be main most recently in front (other
    // than the one given); nil for none.
    Window* frontDocumentWindow(const Window* except) const;
    bool performKeyEquivalents(const Event& event);

    std::deque<Event> queue_;
    std::vector<Scheduled> scheduled_;
    std::uint64_t nextSerial_ = 1;
    std::uint64_t nextOrder_ = 1;
    std::optional<Event> currentEvent_;
    bool periodicRunning_ = false;
    double periodicNext_ = 0;
    double periodicPeriod_ = 0;
    Point lastMouseLocation_;
    int lastMouseWindow_ = 0;
    bool running_ = false;
    bool stopRequested_ = false;
    std::vector<ModalSession> modal_;
    std::vector<Window*> windows_;
    int keyWindow_ = 0;
    int mainWindow_ = 0;
    std::vector<int> frontOrder_; // window numbers, the most recently in front last
    WeakRef<Receiver> delegate_;
    ActiveQuery activeQuery_;
    std::unique_ptr<Menu> mainMenu_;
    WeakRef<Menu> windowsMenu_;
    std::vector<MenuItem*> windowItems_; // the ones updateWindowsMenu put there
    int leftMouseDownWindow_ = 0;
    int rightMouseDownWindow_ = 0;
};

} // namespace kit
