#pragma once

// Checking, finding and inventing style names.

#include "foundation/StyleSheetEntry.h"

#include <optional>
#include <string>

// The suffix of a substyle's name.
inline constexpr const char* substylestring = "+";

// False for none, the "No Style" text, and names without a letter, digit or
// punctuation mark.
bool validStyleName(const std::optional<std::string>& name);
// The last style of the list with that name.
StyleSheetEntry* findStyleWithName(const StyleList* list, const std::optional<std::string>& name);
// The name itself when free, else the name with a number 1 to 2047 at its
// end (a number it ends with counts up); nullopt when every number is taken.
std::optional<std::string> getUniqueName(const StyleList* list, const std::optional<std::string>& name);
std::optional<std::string> getuniquename(const StyleList& list, const std::string& name);
// A free name for a copy: the name up to its first "+", made unique.
std::optional<std::string> getCopyName(const StyleList* list, const std::optional<std::string>& name);
// The name followed by "+"; nullopt for none or an empty name.
std::optional<std::string> getSubName(const std::optional<std::string>& name);
