#pragma once

// What swap views and swap panels ask of each other. Each part is optional
// for the other side: it is asked for with dynamic_cast, and an object
// without it is treated as not answering those messages.

namespace kit {
class Object;
class View;
class Window;
}

// A view that shows the content of swap panels (a ZynSizableSwapView).
class SwapPanelHost {
public:
    // Shows the panel's content (nil: none); answers the host, or nil when
    // its delegate refused.
    virtual kit::Object* swapIn(kit::Window* panel) = 0;
    virtual kit::Object* swapInForPrint(kit::Window* panel) = 0;
    // The panel is being destroyed: whatever of it is shown goes back to it.
    virtual void swapPanelWillFree(kit::Window* panel) = 0;

protected:
    ~SwapPanelHost() = default;
};

// A panel whose content view a swap view can borrow (the content view and
// title are the window's own).
class SwappablePanel {
public:
    virtual kit::Object* swapIn(kit::Object* sender) = 0;
    virtual void swapOut(kit::Object* sender) = 0;
    virtual void setSwapView(kit::View* view) = 0;

protected:
    ~SwappablePanel() = default;
};

// The first and last text fields of a panel's content: the swap view
// moves the keyboard focus through them.
class SwapPanelTexts {
public:
    virtual kit::View* firstText() const = 0;
    virtual kit::View* lastText() const = 0;

protected:
    ~SwapPanelTexts() = default;
};

// A panel chained to the next and the previous one.
class SwapPanelChain {
public:
    virtual kit::Window* nextSwapPanel() const = 0;
    virtual kit::Window* previousSwapPanel() const = 0;
    virtual void setNextSwapPanel(kit::Window* panel) = 0;
    virtual void setPreviousSwapPanel(kit::Window* panel) = 0;

protected:
    ~SwapPanelChain() = default;
};

// Told before and after a swap; a NO before cancels it.
class SwapViewDelegate {
public:
    virtual bool viewWillSwap(kit::Window* panel) = 0;
    virtual void viewDidSwap(kit::Window* panel) = 0;

protected:
    ~SwapViewDelegate() = default;
};
