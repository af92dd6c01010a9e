#pragma once

namespace kit {

// The mouse cursor. Typing hides it until the mouse next moves.
class Cursor {
public:
    static void setHiddenUntilMouseMoves(bool flag);
    static bool isHiddenUntilMouseMoves();
    // The event queue calls this for every mouse movement from outside.
    static void mouseDidMove();
};

} // namespace kit
