#include "view/ZynSwapPanel.h"

#include "appkit/View.h"

namespace {

SwapPanelHost* hostOf(kit::View* view) { return dynamic_cast<SwapPanelHost*>(view); }

} // namespace

ZynSwapPanel::ZynSwapPanel(const kit::Rect& contentRect)
    : kit::Panel(contentRect, kit::TitledWindowMask)
{
    setAction("swapIn:", [this](kit::Object* sender) { return swapIn(sender); });
    setAction("swapInForPrint:", [this](kit::Object* sender) -> kit::Object* {
        swapInForPrint(sender);
        return this;
    });
    setAction("swapOut:", [this](kit::Object* sender) -> kit::Object* {
        swapOut(sender);
        return this;
    });
}

ZynSwapPanel::~ZynSwapPanel()
{
    if (SwapPanelHost* host = hostOf(swapView()))
        host->swapPanelWillFree(this);
}

kit::Object* ZynSwapPanel::swapIn(kit::Object*)
{
    if (SwapPanelHost* host = hostOf(swapView()))
        host->swapIn(this);
    return this;
}

void ZynSwapPanel::swapInForPrint(kit::Object*)
{
    if (SwapPanelHost* host = hostOf(swapView()))
        host->swapInForPrint(this);
}
