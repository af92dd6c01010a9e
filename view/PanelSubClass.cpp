#include "view/PanelSubClass.h"

#include "foundation/Defaults.h"

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
    if (kit::Window::frameMeetsAScreen(stored))
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
