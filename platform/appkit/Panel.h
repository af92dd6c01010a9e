#pragma once

#include "appkit/Window.h"

namespace kit {

// A window that serves another: a floating palette, an inspector, a
// dialog run modally (Application::runModalForWindow, or runModal). Escape
// clicks a button whose key equivalent is Escape, else closes the panel.
class Panel : public Window {
public:
    explicit Panel(const Rect& contentRect, unsigned styleMask = TitledWindowMask | ClosableWindowMask);

    std::string className() const override { return "NSPanel"; }
    // A panel serves the main window and never takes its place.
    bool canBecomeMainWindow() const override { return false; }

    // A floating panel stays above the document windows.
    bool isFloatingPanel() const { return floating_; }
    void setFloatingPanel(bool flag);
    // Such a panel becomes key only when a click needs the keyboard (a
    // text field), so a palette does not take it from the document.
    bool becomesKeyOnlyIfNeeded() const override { return keyOnlyIfNeeded_; }
    // A panel that never takes the keyboard ignores it.
    virtual void setBecomesKeyOnlyIfNeeded(bool flag) { keyOnlyIfNeeded_ = flag; }
    bool worksWhenModal() const { return worksWhenModal_; }
    void setWorksWhenModal(bool flag) { worksWhenModal_ = flag; }

    // Runs the panel modally: the answer of stopModalWithCode.
    int runModal();

    void keyDown(const Event& event) override;

protected:
    std::unique_ptr<detail::WindowScreen> makeScreen() override;

private:
    bool floating_ = false;
    bool keyOnlyIfNeeded_ = false;
    bool worksWhenModal_ = false;
};

} // namespace kit
