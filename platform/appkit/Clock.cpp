#include "appkit/Clock.h"

#include <chrono>
#include <cmath>
#include <limits>

namespace kit {

namespace {
bool g_virtual = false;
double g_virtualNow = 0;

double realNow()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

double Clock::now()
{
    return g_virtual ? g_virtualNow : realNow();
}

bool Clock::isVirtual()
{
    return g_virtual;
}

void Clock::useVirtualClock(double start)
{
    g_virtual = true;
    g_virtualNow = std::isfinite(start) ? start : 0.0;
}

void Clock::useRealClock()
{
    g_virtual = false;
}

void Clock::advanceTo(double time)
{
    if (g_virtual && std::isfinite(time) && time > g_virtualNow)
        g_virtualNow = time;
}

Date Date::distantFuture()
{
    return Date{std::numeric_limits<double>::infinity()};
}

Date Date::distantPast()
{
    return Date{-std::numeric_limits<double>::infinity()};
}

Date Date::dateWithTimeIntervalSinceNow(double seconds)
{
    if (std::isnan(seconds))
        seconds = 0;
    return Date{Clock::now() + seconds};
}

bool Date::isDistantFuture() const
{
    return std::isinf(time) && time > 0;
}

} // namespace kit
