#include "appkit/Cursor.h"

#include "appkit/WindowScreen.h"

namespace kit {

namespace {
bool g_hiddenUntilMoved = false;
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
