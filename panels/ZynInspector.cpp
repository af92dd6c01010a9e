#include "panels/ZynInspector.h"

#include "appkit/Window.h"
#include "document/DocumentPanels.h"
#include "document/LayoutDocument.h"
#include "panels/ZynInspectorSwapPanel.h"
#include "view/PageView.h"

ZynInspector::ZynInspector()
{
    setAction("inspect:", [this](kit::Object* sender) { return inspect(sender); });
    setAction("ok:", [this](kit::Object* sender) -> kit::Object* {
        ok(sender);
        return this;
    });
    setAction("swapOut:", [this](kit::Object* sender) -> kit::Object* {
        swapOut(sender);
        return this;
    });
    setAction("makeKeyAndOrderFront:", [this](kit::Object* sender) -> kit::Object* {
        makeKeyAndOrderFront(sender);
        return this;
    });
}

ZynInspector::~ZynInspector() = default;

ZynInspector* ZynInspector::init(kit::Object* owner)
{
    (void)owner;
    std::vector<std::unique_ptr<kit::Object>> made;
    if (kit::NibLoader::loadNibFile(className(), this, &made))
        for (auto& object : made)
            nibObjects_.push_back(std::move(object));
    if (auto* pane = dynamic_cast<InspectorPane*>(inspectorView()))
        pane->registerWith(this);
    return this;
}

kit::Object* ZynInspector::inspect(kit::Object* sender)
{
    (void)sender;
    return inspectSelection(selected().get());
}

kit::Object* ZynInspector::inspectSelection(const std::vector<Item*>* selection)
{
    (void)selection;
    return nullptr;
}

void ZynInspector::ok(kit::Object* sender) { (void)sender; }

void ZynInspector::swapOut(kit::Object* sender) { (void)sender; }

void ZynInspector::notifyFirstResponderChanged(kit::Object* responder) { (void)responder; }

PageView* ZynInspector::pageView() const { return host_ ? host_->mainPageView() : nullptr; }

LayoutDocument* ZynInspector::document() const
{
    PageView* view = pageView();
    return view ? view->document() : nullptr;
}

std::unique_ptr<std::vector<Item*>> ZynInspector::selected() const
{
    LayoutDocument* doc = document();
    if (!doc)
        return nullptr;
    return std::make_unique<std::vector<Item*>>(doc->selected());
}

bool ZynInspector::isVisible() const
{
    kit::Window* view = inspectorView();
    if (auto* pane = dynamic_cast<ZynInspectorSwapPanel*>(view))
        return pane->isVisible();
    return view && view->isVisible();
}

InspectorWindow* ZynInspector::inspectorWindow() const
{
    return dynamic_cast<InspectorWindow*>(DocumentPanels::shared().inspectorPanel());
}

void ZynInspector::makeKeyAndOrderFront(kit::Object* sender)
{
    (void)sender;
    kit::Window* pane = inspectorView();
    InspectorWindow* window = inspectorWindow();
    if (pane && window)
        window->forceSwapPanel(pane);
}

kit::Window* ZynInspector::inspectorView() const { return inspectorView_.get(); }

void ZynInspector::setInspectorView(kit::Window* view) { inspectorView_ = kit::WeakRef<kit::Window>(view); }

bool ZynInspector::setOutlet(const std::string& name, kit::Object* object)
{
    if (name != "inspectorView")
        return false;
    setInspectorView(dynamic_cast<kit::Window*>(object));
    return true;
}
