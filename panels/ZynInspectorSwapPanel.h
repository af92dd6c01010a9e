#pragma once

// The off-screen panel that carries an inspector's pane: its content view
// is what the inspector window's swap view shows while the pane is chosen.
// Its title names the pane's popup item: the text before the first comma,
// and after it the item's key equivalent ("Graphics,2"). The panes'
// interface files make it and set it as their inspector's "inspectorView".

#include "panels/ZynInspector.h"
#include "view/ZynSwapPanel.h"

class ZynInspectorSwapPanel : public ZynSwapPanel, public InspectorPane, public SwapPanelTexts {
public:
    explicit ZynInspectorSwapPanel(const kit::Rect& contentRect = kit::makeRect(0, 0, 240, 300));
    std::string className() const override { return "ZynInspectorSwapPanel"; }

    // Joins the inspector window of the inspector (none: the pane stays
    // alone).
    void registerWith(ZynInspector* inspector) override;

    // The inspector's answer.
    kit::Object* inspect(kit::Object* sender);
    // Shows the pane when the inspector takes the selection; else the swap
    // view shows why not ("NoSelection" for an empty one, else
    // "NotApplicable"). Either way the inspector window comes forward
    // (unless it is being set up or re-inspected). Answers self.
    kit::Object* swapIn(kit::Object* sender) override;
    void swapOut(kit::Object* sender) override;
    void ok(kit::Object* sender);
    // While the pane is the one the swap view shows (the window itself may
    // be hidden).
    bool isVisible() const { return isSwappedIn_; }

    // Nil once the inspector is gone.
    ZynInspector* inspector() const { return inspector_.get(); }
    void setInspector(ZynInspector* inspector) { inspector_ = inspector; }
    kit::View* firstText() const override { return firstText_.get(); }
    void setFirstText(kit::View* view) { firstText_ = view; }
    // A pane is never chained to others.
    kit::View* lastText() const override { return nullptr; }
    kit::Window* nextSwapPanel() const { return nullptr; }
    kit::Window* previousSwapPanel() const { return nullptr; }

private:
    kit::WeakRef<ZynInspector> inspector_;
    kit::WeakRef<kit::View> firstText_;
    bool isSwappedIn_ = false;
};
