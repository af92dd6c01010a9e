#pragma once

#include "core/Geometry.h"

#include <optional>
#include <string>
#include <vector>

namespace kit {

// Paper names the print system knows, with their sizes in points (portrait).
std::optional<Size> sizeForPaperName(const std::string& name);
// The name of the paper of that size (either orientation), or empty.
std::string paperNameForSize(const Size& size);
std::vector<std::string> paperNames();

} // namespace kit
