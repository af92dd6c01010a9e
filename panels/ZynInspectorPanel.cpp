#include "panels/ZynInspectorPanel.h"

#include "appkit/Button.h"
#include "appkit/Control.h"
#include "appkit/Event.h"
#include "appkit/MenuItem.h"
#include "appkit/PopUpButton.h"
#include "core/Alert.h"
#include "core/EventState.h"
#include "document/LayoutDocument.h"
#include "foundation/ApplicationDelegate.h"
#include "panels/ZynInspectorSwapPanel.h"
#include "view/PageView.h"
#include "view/ZynSizableSwapView.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float PanelWidth = 272;
constexpr float PanelHeight = 514;
constexpr float ButtonsHeight = 44;
constexpr float PopupHeight = 40;

std::string text(const char* key) { return Main ? Main->valueForStringKey(key) : std::string(key); }

// The pane's title split at its first comma: the item's title and key.
struct PaneName {
    std::string name;
    std::string key;
    bool hasKey = false;
};

PaneName paneName(const kit::Window* panel)
{
    const std::string& title = panel->title();
    const auto comma = title.find(',');
    if (comma == std::string::npos)
        return {title, {}, false};
    return {title.substr(0, comma), title.substr(comma + 1), true};
}

std::unique_ptr<kit::Button> button(const kit::Rect& frame, const std::string& title, kit::Receiver* target,
                                    const char* action)
{
    auto made = std::make_unique<kit::Button>(frame, title);
    made->setTarget(target);
    made->setAction(action);
    return made;
}

bool buildInspectorWindow(kit::NibLoad& load)
{
    auto window = std::make_unique<ZynInspectorPanel>();
    ZynInspectorPanel* panel = window.get();
    kit::View* content = panel->contentView();
    content->setAutoresizesSubviews(true);

    auto popup = std::make_unique<kit::PopUpButton>(
        kit::makeRect(12, PanelHeight - PopupHeight + 8, PanelWidth - 24, 24));
    auto swap = std::make_unique<ZynSizableSwapView>(
        kit::makeRect(0, ButtonsHeight, PanelWidth, PanelHeight - ButtonsHeight - PopupHeight));
    swap->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewHeightSizable);
    // A pane of another size resizes the window: the popup stays at its top,
    // the buttons at its bottom right.
    popup->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewMinYMargin);
    swap->setResizeWidth(1);
    swap->setResizeHeight(1);
    auto revert = button(kit::makeRect(PanelWidth - 180, 10, 80, 24), text("Revert"), panel, "performClick:");
    auto ok = button(kit::makeRect(PanelWidth - 92, 10, 80, 24), text("OK"), panel, "ok:");
    revert->setAutoresizingMask(kit::ViewMinXMargin);
    ok->setAutoresizingMask(kit::ViewMinXMargin);
    panel->connect(popup.get(), swap.get(), ok.get(), revert.get());
    content->addSubview(std::move(popup));
    content->addSubview(std::move(swap));
    content->addSubview(std::move(revert));
    content->addSubview(std::move(ok));
    panel->setPanelHost(dynamic_cast<PanelHost*>(load.owner()));
    panel->setOwner(load.owner());

    load.addTopLevelObject(std::move(window));
    return load.connectOutlet("inspectorPanel", panel);
}

} // namespace

void ZynInspectorPanel::initialize()
{
    kit::NibLoader::registerNib("ZynInspector.nib", buildInspectorWindow);
}

ZynInspectorPanel* ZynInspectorPanel::sharedPanel()
{
    return dynamic_cast<ZynInspectorPanel*>(DocumentPanels::shared().inspectorPanel());
}

ZynInspectorPanel::ZynInspectorPanel()
    : kit::Panel(kit::makeRect(0, 0, PanelWidth, PanelHeight), kit::TitledWindowMask | kit::ClosableWindowMask)
{
    setTitle(text("Inspector"));
    setFloatingPanel(true);
    setAction("inspect:", [this](kit::Object* sender) { return inspect(sender); });
    setAction("performClick:", [this](kit::Object* sender) -> kit::Object* {
        performClick(sender);
        return this;
    });
    setAction("ok:", [this](kit::Object* sender) -> kit::Object* {
        ok(sender);
        return this;
    });
    setAction("orderFront:", [this](kit::Object* sender) -> kit::Object* {
        orderFront(sender);
        return this;
    });
    setAction("inspectorNotAvailable:", [this](kit::Object* sender) -> kit::Object* {
        inspectorNotAvailable(sender);
        return this;
    });
    // An item no pane took over keeps the window as its target.
    setAction("swapIn:", [this](kit::Object* sender) -> kit::Object* {
        inspectorNotAvailable(sender);
        return this;
    });
    setAction("windowDidBecomeKey:", [this](kit::Object* notification) -> kit::Object* {
        windowDidBecomeKey(notification);
        return this;
    });
    setAction("windowShouldClose:",
              [this](kit::Object* window) -> kit::Object* { return windowShouldClose(window) ? this : nullptr; });
}

ZynInspectorPanel::~ZynInspectorPanel() = default;

void ZynInspectorPanel::connect(kit::PopUpButton* popup, ZynSizableSwapView* swap, kit::Button* ok,
                                kit::Button* revert)
{
    popupButton_ = popup;
    swapView_ = swap;
    okButton_ = ok;
    revertButton_ = revert;
    if (swap)
        swap->setSwapDelegate(this);
    setDocumentEdited(false);
}

void ZynInspectorPanel::awakeFromNib()
{
    setDelegate(this);
    setBecomesKeyOnlyIfNeeded(true);
    // At first beside the document windows, at the top right of the screen.
    const kit::Rect screen = kit::Window::mainScreenFrame();
    const kit::Rect own = frame();
    setFrameOrigin({kit::maxX(screen) - kit::width(own) - 20, kit::maxY(screen) - kit::height(own) - 40});
    // A stored frame that is not finite or lies off every screen is not
    // taken.
    (void)setFrameUsingName("InspectorPanel");
    setFrameAutosaveName("InspectorPanel");
    isLoading_ = true;
    if (auto* loader = dynamic_cast<GroupLoader*>(owner_))
        loader->loadClasses("Inspectors", this);
    isLoading_ = false;
}

kit::PopUpButton* ZynInspectorPanel::popupButton() const { return popupButton_.get(); }

kit::Button* ZynInspectorPanel::okButton() const { return okButton_.get(); }

kit::Button* ZynInspectorPanel::revertButton() const { return revertButton_.get(); }

ZynSizableSwapView* ZynInspectorPanel::swapView() const
{
    return dynamic_cast<ZynSizableSwapView*>(swapView_.get());
}

std::vector<ZynInspector*> ZynInspectorPanel::inspectorList() const
{
    std::vector<ZynInspector*> list;
    for (const auto& inspector : inspectorList_)
        if (ZynInspector* alive = inspector.get())
            list.push_back(alive);
    return list;
}

kit::MenuItem* ZynInspectorPanel::itemForPanel(const ZynInspectorSwapPanel* panel) const
{
    kit::PopUpButton* popup = popupButton();
    if (!popup || !panel)
        return nullptr;
    return popup->itemWithTitle(paneName(panel).name);
}

void ZynInspectorPanel::registerSwapPanel(ZynInspectorSwapPanel* panel)
{
    if (!panel)
        return;
    const PaneName name = paneName(panel);
    if (kit::PopUpButton* popup = popupButton(); popup && !popup->itemWithTitle(name.name)) {
        kit::MenuItem* item = popup->addItemWithTitle(name.name);
        item->setAction("inspectorNotAvailable:");
        item->setTarget(nullptr);
        if (name.hasKey)
            item->setKeyEquivalent(name.key);
    }
    // The pane stays its inspector's; the window only shows it.
    panel->setSwapView(swapView());
    ZynInspector* inspector = panel->inspector();
    if (inspector && std::none_of(inspectorList_.begin(), inspectorList_.end(),
                                  [&](const auto& i) { return i.get() == inspector; }))
        inspectorList_.emplace_back(inspector);
}

void ZynInspectorPanel::addSwapPanel(ZynInspectorSwapPanel* panel)
{
    if (!panel)
        return;
    kit::MenuItem* item = itemForPanel(panel);
    if (!item) {
        registerSwapPanel(panel);
        item = itemForPanel(panel);
    }
    if (!item)
        return;
    item->setTarget(panel);
    item->setAction("swapIn:");
    if (const PaneName name = paneName(panel); name.hasKey)
        item->setKeyEquivalent(name.key);
}

void ZynInspectorPanel::runPanelFor(kit::Object* sender)
{
    (void)sender;
    if (kit::PopUpButton* popup = popupButton())
        for (int i = popup->numberOfItems() - 1; i >= 0; --i) {
            kit::MenuItem* item = popup->itemAtIndex(i);
            item->setTarget(this);
            item->setAction("swapIn:");
        }
    for (ZynInspector* inspector : inspectorList())
        addSwapPanel(dynamic_cast<ZynInspectorSwapPanel*>(inspector->inspectorView()));
    performClick(nullptr);
}

void ZynInspectorPanel::performClick(kit::Object* sender)
{
    (void)sender;
    kit::PopUpButton* popup = popupButton();
    if (popup && popup->numberOfItems() > 0) {
        int index = popup->indexOfSelectedItem();
        if (index < 0 || index >= popup->numberOfItems())
            index = 0;
        popup->selectItemAtIndex(index);
        kit::MenuItem* item = popup->itemAtIndex(index);
        // An item without a target is the window's own (it may not be key,
        // so the responder chain would not find it).
        kit::Receiver* target = item->target() ? item->target() : this;
        if (!item->action().empty() && target->respondsToSelector(item->action()))
            target->performSelector(item->action(), popup);
    } else {
        // No inspector was built: the pane area says so.
        inspectorNotAvailable(nullptr);
    }
    setDocumentEdited(false);
}

void ZynInspectorPanel::forceSwapPanel(kit::Window* swapPanel)
{
    kit::PopUpButton* popup = popupButton();
    if (!popup || !swapPanel)
        return;
    for (int i = popup->numberOfItems() - 1; i >= 0; --i)
        if (popup->itemAtIndex(i)->target() == swapPanel) {
            popup->selectItemAtIndex(i);
            performClick(nullptr);
            orderFront(nullptr);
            return;
        }
}

kit::Object* ZynInspectorPanel::inspect(kit::Object* sender)
{
    (void)sender;
    const bool was = isLoading_;
    isLoading_ = true;
    performClick(nullptr);
    isLoading_ = was;
    return this;
}

void ZynInspectorPanel::inspect(const std::vector<Item*>& selection)
{
    (void)selection; // the chosen pane reads the main document's selection itself
    inspect(static_cast<kit::Object*>(nullptr));
}

void ZynInspectorPanel::setEmptyMessage(const char* key)
{
    if (ZynSizableSwapView* swap = swapView())
        swap->setEmptyMessage(text(key));
}

void ZynInspectorPanel::inspectorNotAvailable(kit::Object* sender)
{
    (void)sender;
    setEmptyMessage(selected() ? "NoInspector" : "NoSelection");
    if (ZynSizableSwapView* swap = swapView())
        swap->swapIn(nullptr);
}

void ZynInspectorPanel::setDocumentEdited(bool flag)
{
    if (kit::Button* ok = okButton())
        ok->setEnabled(flag);
    if (kit::Button* revert = revertButton())
        revert->setEnabled(flag);
    kit::Panel::setDocumentEdited(flag);
}

ZynInspectorSwapPanel* ZynInspectorPanel::currentSwapPanel() const
{
    ZynSizableSwapView* swap = swapView();
    return swap ? dynamic_cast<ZynInspectorSwapPanel*>(swap->currentSwapPanel()) : nullptr;
}

void ZynInspectorPanel::ok(kit::Object* sender)
{
    if (ZynInspectorSwapPanel* pane = currentSwapPanel())
        pane->ok(sender);
    setDocumentEdited(false);
}

void ZynInspectorPanel::orderFront(kit::Object* sender)
{
    if (!isLoading_)
        kit::Panel::orderFront(sender);
}

void ZynInspectorPanel::keyDown(const kit::Event& event)
{
    const std::u16string& characters = event.characters();
    const char16_t key = characters.empty() ? 0 : characters.front();
    if (key >= kit::UpArrowFunctionKey && key <= kit::RightArrowFunctionKey) {
        if (PageView* view = host_ ? host_->mainPageView() : nullptr)
            view->keyDown(event);
        return;
    }
    if (event.modifierFlags() & kit::CommandKeyMask)
        kit::Panel::keyDown(event);
    else
        kit::beep();
}

bool ZynInspectorPanel::makeFirstResponder(kit::Responder* responder)
{
    (void)kit::Panel::makeFirstResponder(responder);
    if (ZynInspectorSwapPanel* pane = currentSwapPanel())
        if (ZynInspector* inspector = pane->inspector())
            inspector->notifyFirstResponderChanged(responder);
    return true;
}

void ZynInspectorPanel::windowDidBecomeKey(kit::Object* notification)
{
    (void)notification;
    kit::Responder* first = firstResponder();
    if (first && first != this)
        return;
    if (ZynInspectorSwapPanel* pane = currentSwapPanel())
        if (auto* field = dynamic_cast<kit::Control*>(pane->firstText()))
            field->selectText(nullptr);
}

bool ZynInspectorPanel::windowShouldClose(kit::Object* window)
{
    (void)window;
    if (ZynInspectorSwapPanel* pane = currentSwapPanel())
        if (ZynInspector* inspector = pane->inspector())
            inspector->swapOut(this);
    return true;
}

std::unique_ptr<std::vector<Item*>> ZynInspectorPanel::selected() const
{
    PageView* view = host_ ? host_->mainPageView() : nullptr;
    LayoutDocument* document = view ? view->document() : nullptr;
    if (!document)
        return nullptr;
    return std::make_unique<std::vector<Item*>>(document->selected());
}

bool ZynInspectorPanel::viewWillSwap(kit::Window* panel)
{
    topBeforeSwap_ = kit::maxY(frame());
    // Emptying the pane area tells the pane that leaves it, as a pane that
    // takes its place would.
    if (!panel)
        if (ZynInspectorSwapPanel* leaving = currentSwapPanel(); leaving && leaving->isVisible())
            leaving->swapOut(swapView());
    return true;
}

void ZynInspectorPanel::viewDidSwap(kit::Window* panel)
{
    (void)panel;
    // A pane of another height resizes the window from its origin; the user
    // placed its top, which stays where it was (the popup with it) as long as
    // the window still fits below it.
    const kit::Rect placed = frame();
    const kit::Rect screen = kit::Window::mainScreenFrame();
    if (std::isfinite(topBeforeSwap_) && kit::maxY(placed) != topBeforeSwap_ &&
        topBeforeSwap_ - kit::height(placed) >= kit::minY(screen))
        setFrameOrigin(kit::makePoint(kit::minX(placed), topBeforeSwap_ - kit::height(placed)));
    // A pane chosen in the popup drops edits not applied, as Revert does.
    setDocumentEdited(false);
}
