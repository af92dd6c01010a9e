#include "appkit/Panel.h"

#include "appkit/Application.h"
#include "appkit/WindowScreen.h"

namespace kit {

Panel::Panel(const Rect& contentRect, unsigned styleMask) : Window(contentRect, styleMask)
{
    setExcludedFromWindowsMenu(true);
}

void Panel::setFloatingPanel(bool flag)
{
    floating_ = flag;
    if (screen())
        screen()->setFloating(flag);
}

std::unique_ptr<detail::WindowScreen> Panel::makeScreen()
{
    std::unique_ptr<detail::WindowScreen> s = Window::makeScreen();
    if (s)
        s->setFloating(floating_);
    return s;
}

int Panel::runModal()
{
    return Application::sharedApplication().runModalForWindow(this);
}

void Panel::keyDown(const Event& event)
{
    if (performKeyEquivalent(event))
        return;
    const std::u16string& chars = event.characters();
    if (!chars.empty() && chars.front() == EscapeCharacter && (styleMask() & ClosableWindowMask)) {
        if (Application::sharedApplication().modalWindow() == this)
            Application::sharedApplication().abortModal();
        performClose(this);
        return;
    }
    Window::keyDown(event);
}

} // namespace kit
