#pragma once

// Reading what a user typed into a number field of a panel: the whole text
// must be one finite number (no trailing letters, no decimal comma), so a
// typo is refused instead of read as 0.

#include <optional>
#include <string_view>

// The text without spaces, tabs and line ends around it.
std::string_view trimmedFieldText(std::string_view text);

// The number the text holds, spaces around it allowed; nothing for an
// empty text, letters, "nan", "inf" or a value outside float's range.
std::optional<float> parseFieldNumber(std::string_view text);
