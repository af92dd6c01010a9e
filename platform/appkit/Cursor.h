#pragma once

#include "appkit/Receiver.h"
#include "core/Geometry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kit {

enum class CursorShape {
    Arrow,
    IBeam,
    Crosshair,
    PointingHand,
    OpenHand,
    ClosedHand,
    ResizeLeftRight,
    ResizeUpDown,
    Wait,
    Forbidden,
    Custom,
};

// The mouse cursor. The standard cursors are shared objects that live for
// the whole program; a cursor made from an image belongs to its maker. One
// cursor is current at a time: cursor rectangles of the window under the
// mouse set it as the mouse moves (Window), views set it themselves, and
// every window of the program shows it. Typing hides it until the mouse
// next moves.
class Cursor : public Receiver {
public:
    // A cursor from an image: 0xAARRGGBB pixels, top row first, and the hot
    // spot counted from the top left. A malformed image shows the arrow.
    Cursor(std::vector<std::uint32_t> pixels, int width, int height, Point hotSpot);
    ~Cursor() override;

    std::string className() const override { return "NSCursor"; }

    static Cursor* arrowCursor();
    static Cursor* IBeamCursor();
    static Cursor* crosshairCursor();
    static Cursor* pointingHandCursor();
    static Cursor* openHandCursor();
    static Cursor* closedHandCursor();
    static Cursor* resizeLeftRightCursor();
    static Cursor* resizeUpDownCursor();
    static Cursor* waitCursor();
    static Cursor* forbiddenCursor();

    CursorShape shape() const { return shape_; }
    Point hotSpot() const { return hotSpot_; }
    const std::vector<std::uint32_t>& pixels() const { return pixels_; }
    int imageWidth() const { return width_; }
    int imageHeight() const { return height_; }

    // Makes this the current cursor.
    void set();
    // Saves the current cursor and sets this one; pop brings the saved one back.
    void push();
    static void pop();
    // The current cursor: the arrow until another is set, and again when
    // the one set is destroyed.
    static Cursor* currentCursor();

    static void setHiddenUntilMouseMoves(bool flag);
    static bool isHiddenUntilMouseMoves();
    // The event queue calls this for every mouse movement from outside.
    static void mouseDidMove();

private:
    explicit Cursor(CursorShape shape);
    static Cursor* standard(CursorShape shape);

    CursorShape shape_;
    Point hotSpot_;
    std::vector<std::uint32_t> pixels_;
    int width_ = 0;
    int height_ = 0;
};

} // namespace kit
