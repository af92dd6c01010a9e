#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kit {
class Timer;
}

// The run loop's input sources without the rest of the run loop's header
// (whose Date would meet the value classes' Date in one source file).
namespace kit::detail {

// As RunLoop::addInputSource and removeInputSource of the current run loop.
int addInputSource(int fd, std::function<void()> handler, const std::vector<std::string>& modes);
void removeInputSource(int id);
// A repeating timer of the current run loop in the modes, and its end.
std::shared_ptr<Timer> addRepeatingTimer(double seconds, std::function<void()> callback,
                                         const std::vector<std::string>& modes);
void invalidateTimer(const std::shared_ptr<Timer>& timer);
// The run loop's clock (Clock::now): virtual in tests.
double clockNow();

} // namespace kit::detail
