#pragma once

// Colours in stored documents: a colour object in the current form, the
// platform's old colour form in files below 3.0.

#include "core/Color.h"

namespace kit {
class Coder;
}

// The old form: one unit "c[4f]f" (space, four components, alpha). It has no
// nil: a missing colour is written as black.
void encodeNXColor(kit::Coder& coder, const kit::ColorRef& color);
kit::ColorRef decodeNXColor(kit::Coder& coder);

// A colour as the document being read stores it (the coder's openFileVersion).
kit::ColorRef decodeStoredColor(kit::Coder& coder);
