#include "view/PanelSubClass.h"

#include "foundation/Defaults.h"

#include <cmath>

namespace {

bool usableFrame(const kit::Rect& frame)
{
    if (!std::isfinite(kit::minX(frame)) || !std::isfinite(kit::minY(frame)) || !std::isfinite(kit::width(frame)) ||
        !std::isfinite(kit::height(frame)) || kit::width(frame) <= 0 || kit::height(frame) <= 0)
        return false;
    for (const kit::Rect& screen : kit::Window::screenFrames())
        if (!kit::isEmptyRect(kit::intersectionRect(frame, screen)))
            return true;
    return false;
}

} // namespace

PanelSubClass::PanelSubClass(const kit::Rect& contentRect, unsigned styleMask)
    : kit::Panel(contentRect, styleMask)
{
    setAction("rememberPosition:", [this](kit::Object* sender) -> kit::Object* {
        rememberPosition(sender);
        return this;
    });
}

PanelSubClass* PanelSubClass::init(kit::Object* sender)
{
    setDefaultPosition(sender);
    remembers_ = true;
    return this;
}

void PanelSubClass::setDefaultPosition(kit::Object*)
{
    kit::Rect stored;
    GetDefaultRect(defaultsKey(), &stored);
    if (usableFrame(stored))
        setFrame(stored, false);
}

void PanelSubClass::rememberPosition(kit::Object*) { SetDefaultRect(defaultsKey(), frame()); }

void PanelSubClass::frameDidChange()
{
    if (remembers_ && !isClosed())
        rememberPosition(nullptr);
}

void PanelSubClass::windowWillClose()
{
    if (remembers_)
        rememberPosition(nullptr);
}
