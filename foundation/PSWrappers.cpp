#include "foundation/PSWrappers.h"

#include "core/OutlineOverlay.h"
#include "graphics/DrawContext.h"

void PSWmovetoround(float x, float y)
{
    if (kit::DrawContext* context = kit::DrawContext::current())
        context->movetoRound(x, y);
}

void PSWroundpoint(float x, float y, float* roundedX, float* roundedY)
{
    kit::Point p{x, y};
    if (kit::DrawContext* context = kit::DrawContext::current())
        p = context->roundPoint(p);
    if (roundedX)
        *roundedX = p.x;
    if (roundedY)
        *roundedY = p.y;
}

void PSinitresize()
{
    if (kit::OutlineOverlay* overlay = kit::outlineOverlay())
        overlay->createOutline();
}

void PSplaceresize(float x, float y, float width, float height)
{
    if (kit::OutlineOverlay* overlay = kit::outlineOverlay())
        overlay->placeOutline(kit::makeRect(x, y, width, height));
}

void PScleanupresize()
{
    if (kit::OutlineOverlay* overlay = kit::outlineOverlay())
        overlay->removeOutline();
}

void PSWfindownedwindow(float x, float y, int* found, int* windowNumber, int* ownerNumber)
{
    std::optional<kit::OutlineOverlay::OwnedWindow> window;
    if (kit::OutlineOverlay* overlay = kit::outlineOverlay())
        window = overlay->findOwnedWindow({x, y});
    if (found)
        *found = window ? 1 : 0;
    if (windowNumber)
        *windowNumber = window ? window->windowNumber : 0;
    if (ownerNumber)
        *ownerNumber = window ? window->ownerNumber : 0;
}

void PSsetotherwindow(int windowNumber, int otherWindowNumber)
{
    if (kit::OutlineOverlay* overlay = kit::outlineOverlay())
        overlay->setOtherWindow(windowNumber, otherWindowNumber);
}

void PSWleaveMatrixOnStack()
{
    if (kit::DrawContext* context = kit::DrawContext::current())
        context->leaveMatrixOnStack();
}

void PSWuseMatrixFromStack()
{
    if (kit::DrawContext* context = kit::DrawContext::current())
        context->useMatrixFromStack();
}
