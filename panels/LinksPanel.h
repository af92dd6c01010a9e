#pragma once

// The links panel: a window of its own that shows the links inspector, so
// that the main document's links can be watched while the user works. It
// follows the document's selection, the text engine's in-line graphics and
// the document's links list (whose hooks it takes while it exists).

#include "app/PanelHost.h"
#include "appkit/WindowResizeDelegate.h"
#include "document/DocumentPanels.h"
#include "foundation/SelectionPanel.h"
#include "view/PanelSubClass.h"

#include <memory>

class LinksInspector;

class LinksPanel : public PanelSubClass,
                   public DocumentPanel,
                   public SelectionPanel,
                   public HostedPanel,
                   public kit::WindowResizeDelegate {
public:
    static constexpr float MinimumHeight = 232.0f;

    // Registers the builder of "LinksPanel.nib", which fills the owner's
    // outlet "linksPanel".
    static void initialize();

    LinksPanel();
    ~LinksPanel() override;
    std::string className() const override { return "LinksPanel"; }

    // The stored frame, then the inspector's set-up; from then on the
    // panel shows the document's list as it changes.
    LinksPanel* init(kit::Object* owner);
    void ok(kit::Object* sender);
    kit::Object* inspect(kit::Object* sender);
    LinksInspector* inspector() const { return inspector_.get(); }
    // The panel made by the file holds its inspector.
    void setInspector(std::unique_ptr<LinksInspector> inspector);

    // The width stays; the height is at least MinimumHeight.
    kit::Size windowWillResize(kit::Object* sender, kit::Size proposedFrameSize) override;

    // ---- DocumentPanel
    bool isVisible() const override { return PanelSubClass::isVisible(); }
    void inspect(const std::vector<Item*>& selection) override;
    // Forwarded to the inspector.
    void inspectSelection(const std::vector<Item*>* selection) override;

    // ---- SelectionPanel
    bool selectionPanelIsVisible() const override { return isVisible(); }
    void inspectSelectedItems(const std::vector<Item*>* items) override;
    void inspectInlineGraphics(const std::vector<TextWord*>* words) override;

    // ---- HostedPanel
    void setPanelHost(PanelHost* host) override;

private:
    void installHooks();
    void removeHooks();

    std::unique_ptr<LinksInspector> inspector_;
    bool hooked_ = false;
};
