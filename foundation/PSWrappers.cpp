#include "foundation/PSWrappers.h"

#include "core/Bundle.h"
#include "core/FileManager.h"
#include "core/OutlineOverlay.h"
#include "graphics/DrawContext.h"

#include <map>
#include <optional>

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

namespace {

bool appendResource(std::string& stream, const char* name)
{
    // Read once: the resources do not change while the program runs.
    struct Loaded {
        std::optional<std::string> text;
    };
    static std::map<std::string, Loaded> loaded;
    auto [at, fresh] = loaded.try_emplace(name);
    if (fresh) {
        const std::string path = kit::Bundle::pathForResource(name, "ps");
        if (!path.empty())
            at->second.text = kit::FileManager::contentsAtPath(path);
    }
    if (!at->second.text) {
        stream += "(" + std::string(name) + ".ps) LAYVANE_MISSING_FILE_ERROR\n";
        return false;
    }
    stream += *at->second.text;
    if (!stream.empty() && stream.back() != '\n')
        stream += '\n';
    return true;
}

} // namespace

bool sendDropShadowDict(std::string& stream) { return appendResource(stream, "dropshadow1"); }

bool sendDropShadowEnd(std::string& stream) { return appendResource(stream, "dropshadow2"); }
