#pragma once

// The leading fields' sign convention for automatic leading, as the
// paragraph inspector and the font accessory read and show it.

#include "panels/FieldNumber.h"

#include <optional>
#include <string>
#include <string_view>

// Leading above this is automatic leading, stored as AutoLeadingBase plus
// the offset; anything up to it is a fixed leading in points.
inline constexpr float MaxFixedLeading = 10001.0f;
inline constexpr float AutoLeadingBase = 111110.0f;


// True when the first character that is not a space is "+" or "-": an
// automatic leading's offset. The offset itself comes back in offset (when
// given) if the rest reads as a number.
bool isAutoLeadString(std::string_view text, std::optional<float>* offset = nullptr);

// The stored leading the text stands for ("+2" gives 111112, "12" gives
// 12), or nothing when it is not a number or would change meaning: a fixed
// leading below 0 or above 10001, or an offset whose stored value falls to
// 10001 or below.
std::optional<float> storedLeadingFromText(std::string_view text);

// The text of an automatic leading's offset with its sign always shown:
// "+%2.1f" at 0 or more, "%2.1f" below.
std::string autoLeadText(float stored);

// printf into a std::string.
std::string formatNumber(const char* format, double value);
