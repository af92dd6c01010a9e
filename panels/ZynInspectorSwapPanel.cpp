#include "panels/ZynInspectorSwapPanel.h"

#include "foundation/ApplicationDelegate.h"
#include "panels/ZynInspectorPanel.h"
#include "view/ZynSizableSwapView.h"

namespace {

ZynInspectorPanel* windowOf(const ZynInspector* inspector)
{
    return inspector ? dynamic_cast<ZynInspectorPanel*>(inspector->inspectorWindow()) : nullptr;
}

} // namespace

ZynInspectorSwapPanel::ZynInspectorSwapPanel(const kit::Rect& contentRect)
    : ZynSwapPanel(contentRect)
{
    setAction("inspect:", [this](kit::Object* sender) { return inspect(sender); });
    setAction("ok:", [this](kit::Object* sender) -> kit::Object* {
        ok(sender);
        return this;
    });
}

void ZynInspectorSwapPanel::registerWith(ZynInspector* inspector)
{
    setInspector(inspector);
    if (ZynInspectorPanel* window = windowOf(inspector))
        window->registerSwapPanel(this);
}

kit::Object* ZynInspectorSwapPanel::inspect(kit::Object* sender)
{
    ZynInspector* owner = inspector();
    (void)sender;
    return owner ? owner->inspect(this) : nullptr;
}

kit::Object* ZynInspectorSwapPanel::swapIn(kit::Object* sender)
{
    ZynInspector* owner = inspector();
    if (inspect(this)) {
        ZynSwapPanel::swapIn(sender);
        // A pane no window took is shown nowhere.
        isSwappedIn_ = swapView() != nullptr;
    } else {
        swapOut(sender);
        if (auto* swap = dynamic_cast<ZynSizableSwapView*>(swapView())) {
            const auto selection = owner ? owner->selected() : nullptr;
            const bool empty = !selection || selection->empty();
            swap->setEmptyMessage(Main ? Main->valueForStringKey(empty ? "NoSelection" : "NotApplicable")
                                       : std::string(empty ? "NoSelection" : "NotApplicable"));
            swap->swapIn(nullptr);
        }
    }
    if (ZynInspectorPanel* window = windowOf(owner))
        window->orderFront(nullptr);
    return this;
}

void ZynInspectorSwapPanel::swapOut(kit::Object* sender)
{
    if (ZynInspector* owner = inspector())
        owner->swapOut(sender);
    isSwappedIn_ = false;
}

void ZynInspectorSwapPanel::ok(kit::Object* sender)
{
    if (ZynInspector* owner = inspector())
        owner->ok(sender);
}
