#pragma once

#include "appkit/Clock.h"
#include "appkit/Event.h"
#include "appkit/Receiver.h"

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace kit {

class RunLoop;

// A timer fires on the run loop, in the modes it was added for, once or
// repeatedly. It holds its target weakly: a timer whose target is gone
// invalidates itself instead of firing.
class Timer : public std::enable_shared_from_this<Timer> {
public:
    using Callback = std::function<void(Timer&)>;

    // Added to the current run loop in the default mode. The selector is
    // sent to the target with the timer's user-info object as argument.
    static std::shared_ptr<Timer> scheduledTimerWithTimeInterval(double seconds, Receiver* target,
                                                                 const std::string& selector, Object* userInfo,
                                                                 bool repeats);
    static std::shared_ptr<Timer> scheduledTimerWithTimeInterval(double seconds, Callback callback, bool repeats);
    // Not yet on any run loop.
    static std::shared_ptr<Timer> timerWithTimeInterval(double seconds, Callback callback, bool repeats);

    void invalidate();
    bool isValid() const { return valid_; }
    // Fires now, out of schedule; a one-shot timer is then invalid.
    void fire();
    Date fireDate() const { return Date{fireTime_}; }
    void setFireDate(Date date);
    double timeInterval() const { return interval_; }
    Object* userInfo() const { return userInfo_; }

private:
    friend class RunLoop;
    Timer() = default;

    Callback callback_;
    WeakRef<Receiver> target_;
    bool hasTarget_ = false;
    std::string selector_;
    Object* userInfo_ = nullptr;
    double interval_ = 0;
    double fireTime_ = 0;
    bool repeats_ = false;
    bool valid_ = true;
    bool firing_ = false;
    std::set<std::string> modes_;
};

// The one run loop of the program's thread: timers and delayed messages,
// by mode. The event queue (Application) runs it while it waits.
class RunLoop {
public:
    static RunLoop& currentRunLoop();

    void addTimer(const std::shared_ptr<Timer>& timer, const std::string& mode);
    // The mode the loop is running in, empty outside a run.
    const std::string& currentMode() const { return currentMode_; }

    // Runs the loop in the mode until the date or until the first event
    // arrives; answers false when nothing in that mode could ever wake it.
    bool runMode(const std::string& mode, Date beforeDate);
    // Runs in the default mode, handling events, until the date.
    void runUntilDate(Date date);

    // Fires the timers of the mode that are due now, each at most once;
    // answers how many fired.
    int fireDueTimers(const std::string& mode);
    // The earliest fire time among the mode's timers (infinity: none).
    double limitDateForMode(const std::string& mode) const;

    // Delayed messages (see Receiver::performSelector).
    void addPerformRequest(Receiver* target, const std::string& selector, Object* argument, double delay,
                           const std::vector<std::string>& modes);
    // A null selector withdraws every request to the target.
    void cancelPerformRequests(Receiver* target, const std::string* selector, Object* argument);
    // How many delayed messages are waiting (for tests and diagnostics).
    size_t pendingPerformRequestCount() const;
    void forgetTarget(const std::shared_ptr<Receiver*>& cell);

    // ---- Input sources: a file descriptor the loop watches in its modes.
    // When it can be read, the handler runs from the loop (as timers do),
    // never from inside the screen's own event handling. Answers an id.
    int addInputSource(int fd, std::function<void()> handler, const std::vector<std::string>& modes);
    void removeInputSource(int id);
    // Runs the handlers of the mode's sources that can be read now; answers
    // how many ran.
    int serviceInputSources(const std::string& mode);
    size_t inputSourceCount() const { return sources_.size(); }

    // Drops every timer and delayed message (tests start clean).
    void reset();

    // Sets the mode for the duration of a scope.
    class ModeScope {
    public:
        ModeScope(RunLoop& loop, const std::string& mode);
        ~ModeScope();

    private:
        RunLoop& loop_;
        std::string previous_;
    };

private:
    struct PerformRequest;
    void removeInvalid();

    std::vector<std::shared_ptr<Timer>> timers_;
    std::vector<std::shared_ptr<PerformRequest>> performs_;
    struct InputSource {
        int id;
        int fd;
        std::shared_ptr<std::function<void()>> handler;
        std::set<std::string> modes;
        void* watch;
    };
    std::vector<InputSource> sources_;
    int nextSourceId_ = 1;
    std::string currentMode_;
};

} // namespace kit
