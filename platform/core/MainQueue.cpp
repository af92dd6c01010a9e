#include "core/MainQueue.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>

namespace kit {

namespace {

struct State {
    std::mutex mutex;
    std::condition_variable posted;
    std::deque<std::function<void()>> queue;
    int inFlight = 0;
    std::function<void()> wakeUp;
};

State& state()
{
    // Never destroyed: worker threads may still post while the program exits.
    static auto* s = new State;
    return *s;
}

// A worker still running when the program exits would post into Qt and the
// library statics that exit is tearing down: exit waits for it, bounded by
// the longest a render may take.
void waitForWorkInFlight()
{
    State& s = state();
    std::unique_lock lock(s.mutex);
    s.posted.wait_for(lock, std::chrono::seconds(45), [&] { return s.inFlight <= 0; });
}

} // namespace

void MainQueue::post(std::function<void()> work)
{
    State& s = state();
    std::function<void()> wake;
    {
        std::lock_guard lock(s.mutex);
        s.queue.push_back(std::move(work));
        wake = s.wakeUp;
    }
    s.posted.notify_all();
    if (wake)
        wake();
}

int MainQueue::drain()
{
    State& s = state();
    int ran = 0;
    for (;;) {
        std::function<void()> work;
        {
            std::lock_guard lock(s.mutex);
            if (s.queue.empty())
                return ran;
            work = std::move(s.queue.front());
            s.queue.pop_front();
        }
        if (work)
            work();
        ++ran;
    }
}

bool MainQueue::hasPosted()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return !s.queue.empty();
}

void MainQueue::waitForBackgroundWorkAtExit() { std::atexit(waitForWorkInFlight); }

void MainQueue::beginBackgroundWork()
{
    static const bool waitsAtExit = (waitForBackgroundWorkAtExit(), true);
    (void)waitsAtExit;
    State& s = state();
    std::lock_guard lock(s.mutex);
    ++s.inFlight;
}

void MainQueue::endBackgroundWork()
{
    State& s = state();
    {
        std::lock_guard lock(s.mutex);
        --s.inFlight;
    }
    s.posted.notify_all();
}

int MainQueue::backgroundWorkInFlight()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return s.inFlight;
}

bool MainQueue::waitForPosted(double seconds)
{
    State& s = state();
    std::unique_lock lock(s.mutex);
    if (seconds > 0)
        s.posted.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return !s.queue.empty(); });
    return !s.queue.empty();
}

void MainQueue::setWakeUpHandler(std::function<void()> handler)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.wakeUp = std::move(handler);
}

} // namespace kit
