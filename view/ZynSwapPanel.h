#pragma once

// An off-screen panel whose content a swap view of another window shows.
// The inspectors' swap panels are ones.

#include "appkit/Panel.h"
#include "view/SwapPanels.h"

class ZynSwapPanel : public kit::Panel, public SwappablePanel {
public:
    explicit ZynSwapPanel(const kit::Rect& contentRect = kit::makeRect(0, 0, 200, 100));
    // A panel that goes while it is shown takes its content back first.
    ~ZynSwapPanel() override;

    std::string className() const override { return "ZynSwapPanel"; }

    // The swap view that shows this panel (not owned; nil once it is gone).
    kit::View* swapView() const { return swapView_.get(); }
    void setSwapView(kit::View* view) override { swapView_ = view; }

    // Asks the swap view to show this panel; answers the panel.
    kit::Object* swapIn(kit::Object* sender) override;
    void swapInForPrint(kit::Object* sender);
    // Subclasses hear here that their content left the swap view.
    void swapOut(kit::Object* sender) override { (void)sender; }

private:
    kit::WeakRef<kit::View> swapView_;
};
