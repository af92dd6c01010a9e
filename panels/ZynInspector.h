#pragma once

// The base of every inspector: an object that shows (and edits) the main
// document's selection in a pane of its own. A pane inspector builds its pane
// from the interface file named after its class and hands it to the
// inspector window; a dialog inspector (the columns dialog) keeps its own
// window there instead.

#include "app/PanelHost.h"
#include "appkit/NibLoader.h"
#include "appkit/Receiver.h"

#include <memory>
#include <string>
#include <vector>

namespace kit {
class Window;
}
class Item;
class LayoutDocument;
class PageView;
class ZynInspector;

// What an inspector asks of the inspector window: bring its pane forward.
// The window answers it; until it exists there is none (nil) and the
// request does nothing.
class InspectorWindow {
public:
    virtual ~InspectorWindow() = default;
    virtual void forceSwapPanel(kit::Window* swapPanel) = 0;
};

// A pane that joins the inspector window when its inspector is made (the
// inspector swap panel answers it).
class InspectorPane {
public:
    virtual ~InspectorPane() = default;
    virtual void registerWith(ZynInspector* inspector) = 0;
};

class ZynInspector : public kit::Receiver, public kit::NibOwner, public HostedPanel, public GroupMember {
public:
    ZynInspector();
    ~ZynInspector() override;
    std::string className() const override { return "ZynInspector"; }

    // Loads the interface file named after the class with this inspector as
    // its owner and registers the pane it set with the inspector window.
    // The owner is not used. A missing file leaves the inspector without a
    // pane.
    virtual ZynInspector* init(kit::Object* owner);

    // inspectSelection of the main document's selection (nil without one).
    kit::Object* inspect(kit::Object* sender);
    // Self when the inspector can show the selection, nil when it does not
    // apply; the base applies to nothing.
    virtual kit::Object* inspectSelection(const std::vector<Item*>* selection);
    virtual void ok(kit::Object* sender);
    virtual void swapOut(kit::Object* sender);
    virtual void notifyFirstResponderChanged(kit::Object* responder);

    // The main page view of the application, its document and that
    // document's selection.
    LayoutDocument* document() const;
    PageView* pageView() const;
    // Nil without a main document.
    std::unique_ptr<std::vector<Item*>> selected() const;

    // The pane is the one the inspector window shows.
    bool isVisible() const;
    // The inspector window brings this inspector's pane forward.
    void makeKeyAndOrderFront(kit::Object* sender);

    // The pane (or the dialog's own window). Whoever built it owns it: an
    // inspector keeps what its own file made, the delegate what a file
    // loaded with it as owner made. The reference goes empty with the
    // window.
    kit::Window* inspectorView() const;
    void setInspectorView(kit::Window* view);

    // The outlet "inspectorView" of the interface files.
    bool setOutlet(const std::string& name, kit::Object* object) override;
    // The registry that makes the inspector gives it the main document.
    void setPanelHost(PanelHost* host) override { host_ = host; }

    // The inspector window of the application (nil while there is none).
    virtual InspectorWindow* inspectorWindow() const;

private:
    kit::WeakRef<kit::Window> inspectorView_;
    // What init's interface file made.
    std::vector<std::unique_ptr<kit::Object>> nibObjects_;
    PanelHost* host_ = nullptr; // outlives the inspector
};
