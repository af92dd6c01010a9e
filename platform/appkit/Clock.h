#pragma once

namespace kit {

// Seconds on the application's clock. Real by default (a monotonic clock);
// tests switch to a virtual clock that stands still until the run loop has
// nothing to do before a given time, and then jumps to it.
class Clock {
public:
    static double now();
    static bool isVirtual();
    // The virtual clock, starting at `start`.
    static void useVirtualClock(double start = 0.0);
    static void useRealClock();
    // Moves the virtual clock forward (never back); nothing for the real one.
    static void advanceTo(double time);
    static void advanceBy(double seconds) { advanceTo(now() + seconds); }
};

// Points in time on that clock.
struct Date {
    double time = 0;

    static Date distantFuture();
    static Date distantPast();
    static Date dateWithTimeIntervalSinceNow(double seconds);
    bool isDistantFuture() const;
    friend bool operator<(Date a, Date b) { return a.time < b.time; }
};

} // namespace kit
