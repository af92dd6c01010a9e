#pragma once

// The one inspector window: a popup of the inspectors' panes, a swap view
// that shows the chosen pane (or why there is none), and OK and Revert,
// enabled while a pane holds edits not applied yet. The document re-runs
// the chosen pane whenever its selection changes while the window is
// visible; the window never comes forward by itself for that.
//
// Built by "ZynInspector.nib" with the application delegate as the file's
// owner, whose "inspectorPanel" it fills; then it makes the inspectors
// (the delegate's group "Inspectors"), each of which registers its pane.
// It lives as long as the delegate that made it.

#include "app/PanelHost.h"
#include "appkit/NibLoader.h"
#include "appkit/Panel.h"
#include "document/DocumentPanels.h"
#include "panels/ZynInspector.h"
#include "view/SwapPanels.h"

#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace kit {
class Button;
class MenuItem;
class PopUpButton;
}
class ZynInspectorSwapPanel;
class ZynSizableSwapView;

class ZynInspectorPanel : public kit::Panel,
                          public DocumentPanel,
                          public InspectorWindow,
                          public GroupStarter,
                          public HostedPanel,
                          public SwapViewDelegate,
                          public kit::NibAwaking {
public:
    // The file's builder (the window with its controls).
    static void initialize();
    // The delegate's window, nil until it is made.
    static ZynInspectorPanel* sharedPanel();

    ZynInspectorPanel();
    ~ZynInspectorPanel() override;
    std::string className() const override { return "ZynInspectorPanel"; }

    // Once the file is built: the window is its own delegate, keeps its
    // frame under "InspectorPanel", and the owner makes the inspectors.
    void awakeFromNib() override;

    // ---- Panes. A popup item a pane, titled by the pane's name.
    // An item for the pane's name when none has it (action
    // inspectorNotAvailable:), the swap view for the pane, and its
    // inspector listed once.
    void registerSwapPanel(ZynInspectorSwapPanel* panel);
    // The pane's item swaps the pane in; of two panes of one name the one
    // added last owns the item.
    void addSwapPanel(ZynInspectorSwapPanel* panel);
    // Every item swaps in, every inspector's pane owns its item, then the
    // chosen item runs.
    void runPanelFor(kit::Object* sender) override;
    // Chooses the pane's item, runs it and brings the window forward.
    void forceSwapPanel(kit::Window* swapPanel) override;
    // Runs the chosen item again without bringing the window forward.
    kit::Object* inspect(kit::Object* sender);
    // Runs the chosen item (the first without a choice; with no item, says
    // there is no inspector) and drops edits not applied (Revert).
    void performClick(kit::Object* sender);
    // The pane area says there is nothing to show: "NoSelection" without a
    // main document, else "NoInspector".
    void inspectorNotAvailable(kit::Object* sender);

    // ---- Edits.
    // OK and Revert enabled exactly while marked, and the window's mark.
    void setDocumentEdited(bool flag);
    // The shown pane's inspector applies its edits; the mark goes.
    void ok(kit::Object* sender);

    // Nothing while the window is being made or re-inspected.
    void orderFront(kit::Object* sender);
    // The arrows go to the main page view; other keys only with Command,
    // else a beep.
    void keyDown(const kit::Event& event) override;
    // Answers yes whatever the window did; the shown pane's inspector hears
    // of the new first responder.
    bool makeFirstResponder(kit::Responder* responder) override;
    void windowDidBecomeKey(kit::Object* notification);
    bool windowShouldClose(kit::Object* window);

    // The main document's selection; nil without one.
    std::unique_ptr<std::vector<Item*>> selected() const;

    kit::PopUpButton* popupButton() const;
    ZynSizableSwapView* swapView() const;
    kit::Button* okButton() const;
    kit::Button* revertButton() const;
    // The registered inspectors in order of registration.
    std::vector<ZynInspector*> inspectorList() const;
    bool isLoading() const { return isLoading_; }

    // ---- What the document tells the window.
    bool isVisible() const override { return kit::Panel::isVisible(); }
    void inspect(const std::vector<Item*>& selection) override;

    void setPanelHost(PanelHost* host) override { host_ = host; }
    bool viewWillSwap(kit::Window* panel) override;
    void viewDidSwap(kit::Window* panel) override;

    // The file's outlets: "popupButton", "swapView", "okButton",
    // "revertButton".
    void connect(kit::PopUpButton* popup, ZynSizableSwapView* swapView, kit::Button* ok, kit::Button* revert);
    // The file's owner, which makes the inspectors (a GroupLoader).
    void setOwner(kit::Object* owner) { owner_ = owner; }

private:
    // Where the window's top was when a swap began (NaN before the first).
    float topBeforeSwap_ = std::numeric_limits<float>::quiet_NaN();
    kit::MenuItem* itemForPanel(const ZynInspectorSwapPanel* panel) const;
    ZynInspectorSwapPanel* currentSwapPanel() const;
    void setEmptyMessage(const char* key);

    kit::WeakRef<kit::PopUpButton> popupButton_;
    kit::WeakRef<kit::View> swapView_;
    kit::WeakRef<kit::Button> okButton_;
    kit::WeakRef<kit::Button> revertButton_;
    std::vector<kit::WeakRef<ZynInspector>> inspectorList_;
    bool isLoading_ = false;
    PanelHost* host_ = nullptr; // outlives the window
    kit::Object* owner_ = nullptr; // outlives the window
};
