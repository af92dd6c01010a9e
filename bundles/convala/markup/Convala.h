#pragma once

// The bundle's principal class. Loading the bundle makes its classes known
// and sets the program's hooks to the bundle's operations: the text
// selection's RTF writer (copying text as RTF), saving in foreign formats,
// the RTF-to-text filter service, and, once a format's reader is there,
// the imports (dispatchRTFStream:, dispatchMarkup:lostData:). Until then
// pasted RTF and text go the program's own way. The paragraph's step
// before a character is added stays the program's until the RTF reader
// brings the bundle's.

#include "core/Object.h"

#include <string>

class Convala : public kit::Object {
public:
    std::string className() const override { return "Convala"; }

    // The class set-ups and the hooks; once per process is enough, more
    // does no harm.
    static void installHooks();
};
