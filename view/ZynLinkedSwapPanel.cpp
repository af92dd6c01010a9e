#include "view/ZynLinkedSwapPanel.h"

#include "appkit/View.h"
#include "core/Alert.h"
#include "core/Coder.h"

#include <cmath>

namespace {

const char* const AlertTitle = "ZynLinkedSwapPanel";
constexpr float MaxStoredPanelSide = 8192;

SwapPanelHost* hostOf(kit::View* view) { return dynamic_cast<SwapPanelHost*>(view); }

template <class T>
T* decodeAs(kit::Coder& coder)
{
    return dynamic_cast<T*>(coder.decodeObject());
}

} // namespace

void ZynLinkedSwapPanel::initialize() { kit::registerClass<ZynLinkedSwapPanel>("ZynLinkedSwapPanel"); }

ZynLinkedSwapPanel::ZynLinkedSwapPanel(const kit::Rect& contentRect)
    : kit::Panel(contentRect, kit::TitledWindowMask)
{
    setAction("swapIn:", [this](kit::Object* sender) { return swapIn(sender); });
    setAction("swapOut:", [this](kit::Object* sender) -> kit::Object* {
        swapOut(sender);
        return this;
    });
}

ZynLinkedSwapPanel::~ZynLinkedSwapPanel()
{
    if (SwapPanelHost* host = hostOf(swapView()))
        host->swapPanelWillFree(this);
}

void ZynLinkedSwapPanel::setSwapView(kit::View* view)
{
    if (view && !hostOf(view)) {
        kit::runAlertPanel(AlertTitle, "Developer Warning: in setSwapView:aView, aView does not respond to swapIn:.",
                           "", "", "");
        return;
    }
    swapView_ = view;
}

void ZynLinkedSwapPanel::setNextSwapPanel(kit::Window* panel)
{
    next_ = panel;
    if (auto* chained = dynamic_cast<SwapPanelChain*>(panel))
        chained->setPreviousSwapPanel(this);
}

kit::Object* ZynLinkedSwapPanel::swapIn(kit::Object*)
{
    auto* delegate = dynamic_cast<SwapViewDelegate*>(this->delegate());
    if (delegate && !delegate->viewWillSwap(this))
        return nullptr;
    SwapPanelHost* host = hostOf(swapView());
    if (!host)
        kit::runAlertPanel(AlertTitle, "Developer Warning: swapView = nil", "", "", "");
    kit::Object* result = host ? host->swapIn(this) : nullptr;
    // The delegate may have gone while the swap ran.
    if (auto* after = dynamic_cast<SwapViewDelegate*>(this->delegate()))
        after->viewDidSwap(this);
    return result;
}

void encodeWindowPart(kit::Coder& coder, const kit::Window& window)
{
    coder.encodeRect(window.contentRect());
    coder.encodeValuesOfObjCTypes("*", window.title());
}

void decodeWindowPart(kit::Coder& coder, kit::Window& window)
{
    const kit::Rect content = coder.decodeRect();
    std::string title;
    coder.decodeValuesOfObjCTypes("*", &title);
    // Larger than any screen it could be shown on, a panel is a damaged
    // file's (and its backing image would take gigabytes); setFrame refuses
    // what no window can have.
    if (kit::width(content) <= MaxStoredPanelSide && kit::height(content) <= MaxStoredPanelSide)
        window.setFrame(kit::Window::frameRectForContentRect(content, window.styleMask()), false);
    window.setTitle(title);
}

void ZynLinkedSwapPanel::encodeWithCoder(kit::Coder& coder) const
{
    encodeWindowPart(coder, *this);
    const short version = 0;
    coder.encodeValuesOfObjCTypes("s", version);
    coder.encodeConditionalObject(swapView_.get());
    coder.encodeConditionalObject(firstText_.get());
    coder.encodeConditionalObject(lastText_.get());
    coder.encodeConditionalObject(next_.get());
    coder.encodeConditionalObject(previous_.get());
}

kit::Object* ZynLinkedSwapPanel::initWithCoder(kit::Coder& coder)
{
    decodeWindowPart(coder, *this);
    short version = 0;
    coder.decodeValuesOfObjCTypes("s", &version);
    if (version != 0) {
        coder.skipRemainingUnits();
        return this;
    }
    auto* view = decodeAs<kit::View>(coder);
    swapView_ = hostOf(view) ? view : nullptr;
    firstText_ = decodeAs<kit::View>(coder);
    lastText_ = decodeAs<kit::View>(coder);
    next_ = decodeAs<kit::Window>(coder);
    previous_ = decodeAs<kit::Window>(coder);
    return this;
}
