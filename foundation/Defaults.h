#pragma once

// Typed access to the user defaults, where every value is a string.

#include "core/Geometry.h"

#include <optional>
#include <string>

// Getters answer whether the key exists and leave the out value untouched
// when it does not (the rectangle, size and string getters always answer
// true: an absent rectangle or size reads as zero, an absent string as none).
bool GetDefaultBoolValue(const std::string& key, bool* value);
bool GetDefaultIntValue(const std::string& key, int* value);
bool GetDefaultFloatValue(const std::string& key, float* value);
bool GetDefaultRect(const std::string& key, kit::Rect* rect);
bool GetDefaultSize(const std::string& key, kit::Size* size);
bool GetDefaultStringValue(const std::string& key, std::optional<std::string>* value);

// Setters change the in-memory defaults; synchronize makes them persistent.
bool SetDefaultBoolValue(const std::string& key, bool value);
bool SetDefaultIntValue(const std::string& key, int value);
bool SetDefaultFloatValue(const std::string& key, float value);
bool SetDefaultRect(const std::string& key, const kit::Rect& rect);
bool SetDefaultSize(const std::string& key, const kit::Size& size);
// Nothing happens for no string.
bool SetDefaultStringValue(const std::string& key, const std::optional<std::string>& value);
bool SetDefaultStringValue(const std::string& key, const char* value);

// The integer and float readings of a stored string, as the getters do them:
// leading blanks, then as much of a number as there is; none reads 0.
int DefaultsIntFromString(const std::string& text);
float DefaultsFloatFromString(const std::string& text);

// low <= value <= high; a NaN is never between.
bool between_(float value, float low, float high);
