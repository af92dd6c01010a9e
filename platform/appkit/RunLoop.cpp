#include "appkit/RunLoop.h"

#include "appkit/Application.h"
#include "appkit/InputSource.h"
#include "appkit/WindowScreen.h"

#include <poll.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace kit {

namespace {
// As the platform does, a repeating timer waits at least a tenth of a millisecond.
constexpr double kMinimumInterval = 0.0001;

double sanitizedInterval(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        return 0;
    return seconds;
}
} // namespace

struct RunLoop::PerformRequest {
    std::shared_ptr<Receiver*> target;
    std::string selector;
    Object* argument = nullptr;
    // Set when the argument is a receiver: its disappearance drops the message.
    std::shared_ptr<Receiver*> argumentCell;
    std::shared_ptr<Timer> timer;
};

std::shared_ptr<Timer> Timer::scheduledTimerWithTimeInterval(double seconds, Receiver* target,
                                                             const std::string& selector, Object* userInfo,
                                                             bool repeats)
{
    std::shared_ptr<Timer> t(new Timer);
    t->interval_ = sanitizedInterval(seconds);
    t->repeats_ = repeats;
    t->target_ = WeakRef<Receiver>(target);
    t->hasTarget_ = true;
    t->selector_ = selector;
    t->userInfo_ = userInfo;
    t->fireTime_ = Clock::now() + t->interval_;
    RunLoop::currentRunLoop().addTimer(t, DefaultRunLoopMode);
    return t;
}

std::shared_ptr<Timer> Timer::scheduledTimerWithTimeInterval(double seconds, Callback callback, bool repeats)
{
    auto t = timerWithTimeInterval(seconds, std::move(callback), repeats);
    RunLoop::currentRunLoop().addTimer(t, DefaultRunLoopMode);
    return t;
}

std::shared_ptr<Timer> Timer::timerWithTimeInterval(double seconds, Callback callback, bool repeats)
{
    std::shared_ptr<Timer> t(new Timer);
    t->interval_ = sanitizedInterval(seconds);
    t->repeats_ = repeats;
    t->callback_ = std::move(callback);
    t->fireTime_ = Clock::now() + t->interval_;
    return t;
}

void Timer::invalidate()
{
    valid_ = false;
}

void Timer::setFireDate(Date date)
{
    if (!std::isnan(date.time))
        fireTime_ = date.time;
}

void Timer::fire()
{
    if (!valid_ || firing_)
        return;
    if (repeats_) {
        double step = std::max(interval_, kMinimumInterval);
        fireTime_ += step;
        // Missed firings are skipped, not caught up.
        if (fireTime_ <= Clock::now())
            fireTime_ = Clock::now() + step;
    } else {
        valid_ = false;
    }
    // Keep the timer alive while its callback may drop the last reference.
    auto self = shared_from_this();
    firing_ = true;
    struct Reset {
        Timer* t;
        ~Reset() { t->firing_ = false; }
    } reset{this};
    if (hasTarget_) {
        Receiver* target = target_.get();
        if (!target) {
            valid_ = false;
            return;
        }
        target->performSelector(selector_, userInfo_);
    } else if (callback_) {
        callback_(*this);
    }
}

RunLoop& RunLoop::currentRunLoop()
{
    // Never destroyed: receivers destroyed during exit still unregister here.
    static auto* loop = new RunLoop;
    return *loop;
}

void RunLoop::addTimer(const std::shared_ptr<Timer>& timer, const std::string& mode)
{
    if (!timer || !timer->valid_)
        return;
    timer->modes_.insert(mode);
    if (std::find(timers_.begin(), timers_.end(), timer) == timers_.end())
        timers_.push_back(timer);
    // A timer added from inside the screen's wait (a Qt signal, such as a
    // choice in a pop-up list) would otherwise wait for the next event.
    detail::WindowScreen::wakeUp();
}

void RunLoop::removeInvalid()
{
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(),
                                 [](const std::shared_ptr<Timer>& t) { return !t->valid_ && !t->firing_; }),
                  timers_.end());
    performs_.erase(std::remove_if(performs_.begin(), performs_.end(),
                                   [](const std::shared_ptr<PerformRequest>& r) { return !r->timer->valid_; }),
                    performs_.end());
}

int RunLoop::fireDueTimers(const std::string& mode)
{
    removeInvalid();
    double now = Clock::now();
    std::vector<std::shared_ptr<Timer>> due;
    for (const auto& t : timers_)
        if (t->valid_ && !t->firing_ && t->modes_.count(mode) && t->fireTime_ <= now)
            due.push_back(t);
    std::stable_sort(due.begin(), due.end(),
                     [](const auto& a, const auto& b) { return a->fireTime_ < b->fireTime_; });
    int fired = 0;
    for (const auto& t : due) {
        // An earlier timer may have invalidated or rescheduled this one.
        if (!t->valid_ || t->firing_ || t->fireTime_ > Clock::now())
            continue;
        t->fire();
        ++fired;
    }
    removeInvalid();
    return fired;
}

double RunLoop::limitDateForMode(const std::string& mode) const
{
    double limit = std::numeric_limits<double>::infinity();
    for (const auto& t : timers_)
        if (t->valid_ && !t->firing_ && t->modes_.count(mode))
            limit = std::min(limit, t->fireTime_);
    return limit;
}

bool RunLoop::runMode(const std::string& mode, Date beforeDate)
{
    return Application::sharedApplication().nextEventMatchingMask(AnyEventMask, beforeDate, mode, false).has_value();
}

void RunLoop::runUntilDate(Date date)
{
    Application& app = Application::sharedApplication();
    while (Clock::now() < date.time) {
        std::optional<Event> e = app.nextEventMatchingMask(AnyEventMask, date, DefaultRunLoopMode, true);
        if (!e)
            break;
        app.sendEvent(*e);
    }
}

void RunLoop::addPerformRequest(Receiver* target, const std::string& selector, Object* argument, double delay,
                                const std::vector<std::string>& modes)
{
    if (!target)
        return;
    auto request = std::make_shared<PerformRequest>();
    request->target = target->weakCell();
    request->selector = selector;
    request->argument = argument;
    if (auto* r = dynamic_cast<Receiver*>(argument))
        request->argumentCell = r->weakCell();
    std::weak_ptr<PerformRequest> weak = request;
    request->timer = Timer::timerWithTimeInterval(
        delay,
        [weak](Timer&) {
            auto r = weak.lock();
            if (!r)
                return;
            Receiver* t = *r->target;
            if (!t)
                return;
            if (r->argumentCell && !*r->argumentCell)
                return;
            t->performSelector(r->selector, r->argument);
        },
        false);
    performs_.push_back(request);
    for (const auto& mode : modes.empty() ? std::vector<std::string>{DefaultRunLoopMode} : modes)
        addTimer(request->timer, mode);
}

void RunLoop::cancelPerformRequests(Receiver* target, const std::string* selector, Object* argument)
{
    if (!target)
        return;
    auto cell = target->weakCell();
    for (const auto& r : performs_) {
        if (r->target != cell)
            continue;
        if (selector && (r->selector != *selector || r->argument != argument))
            continue;
        r->timer->invalidate();
    }
    removeInvalid();
}

size_t RunLoop::pendingPerformRequestCount() const
{
    return static_cast<size_t>(std::count_if(performs_.begin(), performs_.end(),
                                             [](const auto& r) { return r->timer->valid_ && *r->target; }));
}

void RunLoop::forgetTarget(const std::shared_ptr<Receiver*>& cell)
{
    for (const auto& r : performs_)
        if (r->target == cell || r->argumentCell == cell)
            r->timer->invalidate();
    for (const auto& t : timers_)
        if (t->hasTarget_ && t->target_.isNull() == false && !t->target_.get())
            t->invalidate();
}

int RunLoop::addInputSource(int fd, std::function<void()> handler, const std::vector<std::string>& modes)
{
    if (fd < 0 || !handler)
        return 0;
    InputSource source;
    source.id = nextSourceId_++;
    source.fd = fd;
    source.handler = std::make_shared<std::function<void()>>(std::move(handler));
    for (const auto& m : modes.empty() ? std::vector<std::string>{DefaultRunLoopMode} : modes)
        source.modes.insert(m);
    // The screen's wait ends when the descriptor becomes readable.
    source.watch = detail::WindowScreen::watchDescriptor(fd);
    sources_.push_back(std::move(source));
    return sources_.back().id;
}

void RunLoop::removeInputSource(int id)
{
    for (auto it = sources_.begin(); it != sources_.end(); ++it) {
        if (it->id != id)
            continue;
        detail::WindowScreen::unwatchDescriptor(it->watch);
        sources_.erase(it);
        return;
    }
}

int RunLoop::serviceInputSources(const std::string& mode)
{
    std::vector<pollfd> fds;
    std::vector<int> ids;
    for (const auto& s : sources_) {
        if (!s.modes.count(mode))
            continue;
        fds.push_back(pollfd{s.fd, POLLIN, 0});
        ids.push_back(s.id);
    }
    if (fds.empty())
        return 0;
    if (::poll(fds.data(), fds.size(), 0) <= 0) {
        for (int id : ids)
            for (const auto& s : sources_)
                if (s.id == id)
                    detail::WindowScreen::rearmDescriptor(s.watch);
        return 0;
    }
    int ran = 0;
    for (size_t i = 0; i < fds.size(); ++i) {
        // A handler may have removed this source (or others).
        auto it = std::find_if(sources_.begin(), sources_.end(), [&](const InputSource& s) { return s.id == ids[i]; });
        if (it == sources_.end())
            continue;
        if (fds[i].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) {
            std::shared_ptr<std::function<void()>> handler = it->handler;
            (*handler)();
            ++ran;
        }
        it = std::find_if(sources_.begin(), sources_.end(), [&](const InputSource& s) { return s.id == ids[i]; });
        if (it != sources_.end())
            detail::WindowScreen::rearmDescriptor(it->watch);
    }
    return ran;
}

int detail::addInputSource(int fd, std::function<void()> handler, const std::vector<std::string>& modes)
{
    return RunLoop::currentRunLoop().addInputSource(fd, std::move(handler), modes);
}

void detail::removeInputSource(int id)
{
    RunLoop::currentRunLoop().removeInputSource(id);
}

std::shared_ptr<Timer> detail::addRepeatingTimer(double seconds, std::function<void()> callback,
                                                 const std::vector<std::string>& modes)
{
    auto timer = Timer::timerWithTimeInterval(seconds, [callback = std::move(callback)](Timer&) { callback(); }, true);
    for (const auto& mode : modes.empty() ? std::vector<std::string>{DefaultRunLoopMode} : modes)
        RunLoop::currentRunLoop().addTimer(timer, mode);
    return timer;
}

void detail::invalidateTimer(const std::shared_ptr<Timer>& timer)
{
    if (timer)
        timer->invalidate();
}

double detail::clockNow()
{
    return Clock::now();
}

void RunLoop::reset()
{
    for (const auto& t : timers_)
        t->invalidate();
    removeInvalid();
    performs_.clear();
}

RunLoop::ModeScope::ModeScope(RunLoop& loop, const std::string& mode) : loop_(loop), previous_(loop.currentMode_)
{
    loop_.currentMode_ = mode;
}

RunLoop::ModeScope::~ModeScope()
{
    loop_.currentMode_ = previous_;
}

} // namespace kit
