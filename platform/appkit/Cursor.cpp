#include "appkit/Cursor.h"

#include "appkit/WindowScreen.h"

#include <array>

namespace kit {

namespace {
bool g_hiddenUntilMoved = false;
WeakRef<Cursor> g_current;
std::vector<WeakRef<Cursor>> g_stack;
} // namespace

Cursor::Cursor(CursorShape shape) : shape_(shape) {}

Cursor::Cursor(std::vector<std::uint32_t> pixels, int width, int height, Point hotSpot)
    : shape_(CursorShape::Custom), hotSpot_(hotSpot), pixels_(std::move(pixels)), width_(width), height_(height)
{
}

Cursor::~Cursor()
{
    // The screen must not go on showing a cursor that is gone.
    if (g_current.get() == this) {
        g_current = WeakRef<Cursor>();
        detail::WindowScreen::applyCursor(arrowCursor());
    }
}

Cursor* Cursor::standard(CursorShape shape)
{
    // Shared for the whole program, never destroyed.
    static std::array<Cursor*, static_cast<size_t>(CursorShape::Custom)> cursors{};
    Cursor*& c = cursors[static_cast<size_t>(shape)];
    if (!c)
        c = new Cursor(shape);
    return c;
}

Cursor* Cursor::arrowCursor() { return standard(CursorShape::Arrow); }
Cursor* Cursor::IBeamCursor() { return standard(CursorShape::IBeam); }
Cursor* Cursor::crosshairCursor() { return standard(CursorShape::Crosshair); }
Cursor* Cursor::pointingHandCursor() { return standard(CursorShape::PointingHand); }
Cursor* Cursor::openHandCursor() { return standard(CursorShape::OpenHand); }
Cursor* Cursor::closedHandCursor() { return standard(CursorShape::ClosedHand); }
Cursor* Cursor::resizeLeftRightCursor() { return standard(CursorShape::ResizeLeftRight); }
Cursor* Cursor::resizeUpDownCursor() { return standard(CursorShape::ResizeUpDown); }
Cursor* Cursor::waitCursor() { return standard(CursorShape::Wait); }
Cursor* Cursor::forbiddenCursor() { return standard(CursorShape::Forbidden); }

void Cursor::set()
{
    if (g_current.get() == this)
        return;
    g_current = WeakRef<Cursor>(this);
    detail::WindowScreen::applyCursor(this);
}

void Cursor::push()
{
    g_stack.push_back(WeakRef<Cursor>(currentCursor()));
    set();
}

void Cursor::pop()
{
    if (g_stack.empty())
        return;
    Cursor* previous = g_stack.back().get();
    g_stack.pop_back();
    (previous ? previous : arrowCursor())->set();
}

Cursor* Cursor::currentCursor()
{
    Cursor* c = g_current.get();
    return c ? c : arrowCursor();
}

void Cursor::setHiddenUntilMouseMoves(bool flag)
{
    if (flag == g_hiddenUntilMoved)
        return;
    g_hiddenUntilMoved = flag;
    detail::WindowScreen::showCursor(!flag);
}

bool Cursor::isHiddenUntilMouseMoves()
{
    return g_hiddenUntilMoved;
}

void Cursor::mouseDidMove()
{
    setHiddenUntilMouseMoves(false);
}

} // namespace kit
