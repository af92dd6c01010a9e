#pragma once

// A swap panel chained to a next and a previous one, carrying the first and
// last text fields of its content, so that a swap view can step through the
// chain and move the keyboard focus across it. Its window delegate is asked
// before and told after every swap (SwapViewDelegate). Such panels come out
// of interface files, in their archived form.
//
// Every reference is weak: the interface file's loader owns the objects it
// made, and a chain may loop.

#include "appkit/Panel.h"
#include "view/SwapPanels.h"

class ZynLinkedSwapPanel : public kit::Panel, public SwappablePanel, public SwapPanelTexts, public SwapPanelChain {
public:
    static void initialize();

    explicit ZynLinkedSwapPanel(const kit::Rect& contentRect = kit::makeRect(0, 0, 200, 100));
    ~ZynLinkedSwapPanel() override;

    std::string className() const override { return "ZynLinkedSwapPanel"; }

    kit::View* swapView() const { return swapView_.get(); }
    // A view that cannot show panels is refused with a developer alert and
    // the old one stays; nil is taken.
    void setSwapView(kit::View* view) override;
    kit::View* firstText() const override { return firstText_.get(); }
    void setFirstText(kit::View* text) { firstText_ = text; }
    kit::View* lastText() const override { return lastText_.get(); }
    void setLastText(kit::View* text) { lastText_ = text; }
    kit::Window* nextSwapPanel() const override { return next_.get(); }
    kit::Window* previousSwapPanel() const override { return previous_.get(); }
    // Also makes this panel the other's previous one, when it is chained.
    void setNextSwapPanel(kit::Window* panel) override;
    void setPreviousSwapPanel(kit::Window* panel) override { previous_ = panel; }

    // Between the delegate's viewWillSwap: (NO: nil, nothing swapped) and
    // viewDidSwap:, asks the swap view to show this panel; answers what the
    // swap view answered (nil without one, after a developer alert).
    kit::Object* swapIn(kit::Object* sender) override;
    void swapOut(kit::Object* sender) override { (void)sender; }

    // The window part (content rectangle and title), then version "s" 0 and
    // the five references as conditional objects. Another version keeps the
    // window part only; a reference of the wrong class reads as nil.
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    kit::WeakRef<kit::View> swapView_;
    kit::WeakRef<kit::View> firstText_;
    kit::WeakRef<kit::View> lastText_;
    kit::WeakRef<kit::Window> next_;
    kit::WeakRef<kit::Window> previous_;
};

// The window part of archived swap panels: content rectangle and title.
void encodeWindowPart(kit::Coder& coder, const kit::Window& window);
void decodeWindowPart(kit::Coder& coder, kit::Window& window);
