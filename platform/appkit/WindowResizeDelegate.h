#pragma once

#include "core/Geometry.h"

namespace kit {

class Object;

// A window's delegate that bounds the sizes a user resizes the window to
// answers this beside the messages it takes by name ("windowDidResize:",
// "windowDidBecomeKey:", "windowDidResignKey:", "windowDidBecomeMain:",
// "windowWillMiniaturize:", "windowShouldClose:").
class WindowResizeDelegate {
public:
    virtual ~WindowResizeDelegate() = default;
    // The frame size to take instead of the proposed one.
    virtual Size windowWillResize(Object* sender, Size proposedFrameSize) = 0;
};

} // namespace kit
