#pragma once

#include <functional>
#include <string>
#include <vector>

// The run loop's input sources without the rest of the run loop's header
// (whose Date would meet the value classes' Date in one source file).
namespace kit::detail {

// As RunLoop::addInputSource and removeInputSource of the current run loop.
int addInputSource(int fd, std::function<void()> handler, const std::vector<std::string>& modes);
void removeInputSource(int id);

} // namespace kit::detail
