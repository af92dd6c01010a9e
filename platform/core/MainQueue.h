#pragma once

#include <functional>

namespace kit {

// Work that other threads hand back to the program's one thread. Everything
// the program's objects do happens on that thread; a background job (an EPS
// being rasterised) posts its result here, and the run loop runs it, in any
// mode, the next time it looks for events.
class MainQueue {
public:
    // Any thread. Runs `work` on the main thread at the next drain.
    static void post(std::function<void()> work);
    // Main thread: runs what has been posted (also what the work posts
    // meanwhile); answers how many ran.
    static int drain();
    // Whether something is waiting to run.
    static bool hasPosted();

    // Work in flight on other threads that will post when it ends: a loop
    // on the virtual clock waits for it instead of calling itself idle.
    static void beginBackgroundWork();
    static void endBackgroundWork();
    static int backgroundWorkInFlight();
    // Makes exit wait (bounded) for the work in flight, before the statics
    // made until now go; beginBackgroundWork does it the first time, and a
    // library whose state the workers use does it again once that state is
    // made.
    static void waitForBackgroundWorkAtExit();

    // Blocks the calling thread until something is posted or the seconds
    // pass; answers whether something is waiting.
    static bool waitForPosted(double seconds);

    // The application kit's way to wake its event wait from any thread;
    // called after every post.
    static void setWakeUpHandler(std::function<void()> handler);
};

// Counts one piece of background work for its lifetime.
class BackgroundWork {
public:
    BackgroundWork() { MainQueue::beginBackgroundWork(); }
    ~BackgroundWork() { MainQueue::endBackgroundWork(); }
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;
};

} // namespace kit
