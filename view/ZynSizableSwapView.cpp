#include "view/ZynSizableSwapView.h"

#include "appkit/Box.h"
#include "appkit/MenuItem.h"
#include "appkit/PopUpButton.h"
#include "appkit/Window.h"
#include "core/Alert.h"
#include "core/Coder.h"
#include "core/Encoding.h"
#include "foundation/ApplicationDelegate.h"
#include "graphics/DrawContext.h"
#include "graphics/Font.h"
#include "view/ZynLinkedSwapPanel.h"

#include <cmath>
#include <set>

namespace {

constexpr float LightGray = 2.0f / 3.0f;
constexpr float DarkGray = 1.0f / 3.0f;

// A popup item is titled by the panel's title up to its first comma.
std::string itemTitle(const kit::Window* panel)
{
    const std::string& title = panel->title();
    return title.substr(0, title.find(','));
}

template <class T>
T* decodeAs(kit::Coder& coder)
{
    return dynamic_cast<T*>(coder.decodeObject());
}

// Restores a flag of a scope on every exit.
class Flag {
public:
    explicit Flag(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
    ~Flag() { flag_ = old_; }
    Flag(const Flag&) = delete;
    Flag& operator=(const Flag&) = delete;

private:
    bool& flag_;
    bool old_;
};

} // namespace

void ZynSizableSwapView::initialize()
{
    kit::registerClass<ZynSizableSwapView>("ZynSizableSwapView");
    ZynLinkedSwapPanel::initialize();
}

ZynSizableSwapView::ZynSizableSwapView(const kit::Rect& frame)
    : kit::Control(frame),
      emptyMessage_("ZynSizableSwapView"),
      titlePrefix_(" "),
      titleSuffix_(Main ? Main->valueForStringKey("Inspector") : "Inspector"),
      backgroundGray_(LightGray)
{
    setAction("swapIn:", [this](kit::Object* panel) { return swapIn(dynamic_cast<kit::Window*>(panel)); });
    setAction("swapInForPrint:",
              [this](kit::Object* panel) { return swapInForPrint(dynamic_cast<kit::Window*>(panel)); });
    setAction("viewNextSwapPanel:", [this](kit::Object* sender) { return viewNextSwapPanel(sender); });
    setAction("viewPreviousSwapPanel:", [this](kit::Object* sender) { return viewPreviousSwapPanel(sender); });
}

ZynSizableSwapView::ZynSizableSwapView()
    : ZynSizableSwapView(kit::Rect{})
{
}

ZynSizableSwapView::~ZynSizableSwapView() { giveBackCurrentView(); }

kit::PopUpButton* ZynSizableSwapView::popUpListsButton() const
{
    return dynamic_cast<kit::PopUpButton*>(popUpListsButton_.get());
}

void ZynSizableSwapView::setPopUpListsButton(kit::PopUpButton* popup) { popUpListsButton_ = popup; }

SwapViewDelegate* ZynSizableSwapView::delegateOf() const { return dynamic_cast<SwapViewDelegate*>(delegate_.get()); }

kit::Window* ZynSizableSwapView::giveBackCurrentView()
{
    kit::Window* owner = currentPanel_.get();
    if (!currentView_)
        return owner;
    std::unique_ptr<kit::View> view = currentView_->removeFromSuperview();
    currentView_ = nullptr;
    // A panel that was given another content view meanwhile keeps that
    // one; a panel that is gone takes nothing, and the view goes.
    if (owner && view && !owner->contentView())
        owner->setContentView(std::move(view));
    return owner;
}

void ZynSizableSwapView::swapPanelWillFree(kit::Window* panel)
{
    if (!panel || panel != currentPanel_.get())
        return;
    giveBackCurrentView();
    currentPanel_ = nullptr;
    showTitle();
    setNeedsDisplay(true);
}

kit::Object* ZynSizableSwapView::swapIn(kit::Window* panel)
{
    // A panel with nothing to lend (its content is shown elsewhere) or whose
    // content holds this view cannot be shown here.
    const bool shown = panel && panel == currentPanel_.get() && currentView_;
    if (panel && !shown && (!panel->contentView() || isDescendantOf(panel->contentView())))
        return nullptr;
    if (SwapViewDelegate* delegate = delegateOf(); delegate && !delegate->viewWillSwap(panel))
        return nullptr;
    const Flag swapping(swapping_);
    kit::Window* window = this->window();
    const kit::Rect myFrame = frame();
    const kit::Rect windowFrame = window ? window->frame() : kit::Rect{};
    bool focusWasInside = false;

    if (!panel) {
        giveBackCurrentView();
        currentPanel_ = nullptr;
    } else if (shown) {
        if (SwapViewDelegate* delegate = delegateOf())
            delegate->viewDidSwap(panel);
        return this;
    } else {
        if (!hadFirstSwap_)
            buildPopUpList();
        // The sizes every later window size is counted from, taken once,
        // at the first pane that comes in.
        if (!sizesTaken_) {
            sizesTaken_ = true;
            windowsOriginalWidth_ = kit::width(windowFrame);
            windowsOriginalHeight_ = kit::height(windowFrame);
            myOriginalWidth_ = kit::width(myFrame);
            myOriginalHeight_ = kit::height(myFrame);
        }
        if (currentView_ && window) {
            auto* responder = dynamic_cast<kit::View*>(window->firstResponder());
            focusWasInside = responder && responder->isDescendantOf(currentView_);
        }
        const kit::Rect pane = panel->contentView()->frame();
        const float cw = kit::width(pane);
        const float ch = kit::height(pane);
        if (currentView_) {
            kit::Window* old = giveBackCurrentView();
            if (auto* swappable = dynamic_cast<SwappablePanel*>(old))
                swappable->swapOut(this);
        }
        currentPanel_ = panel;
        setAutoresizesSubviews(true);
        std::unique_ptr<kit::View> view = panel->setContentView(nullptr);
        view->setFrame(kit::makeRect(0, 0, cw, ch));
        view->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewHeightSizable);
        view->setFrameSize(myFrame.size);
        currentView_ = addSubview(std::move(view));
        if (kit::PopUpButton* popup = popUpListsButton())
            popup->selectItemWithTitle(itemTitle(panel));
        if (window) {
            float newWidth = kit::width(windowFrame);
            if (resizeWidth_) {
                // Never narrower than the window was at first.
                const float wider = windowsOriginalWidth_ + (cw - myOriginalWidth_);
                newWidth = wider > windowsOriginalWidth_ ? wider : windowsOriginalWidth_;
            }
            const float newHeight =
                resizeHeight_ ? windowsOriginalHeight_ + (ch - myOriginalHeight_) : kit::height(windowFrame);
            window->setFrame(kit::makeRect(kit::minX(windowFrame), kit::minY(windowFrame), newWidth, newHeight),
                             true);
        }
    }

    showTitle();
    if (window)
        window->display();
    else
        setNeedsDisplay(true);
    linkFocusChain();

    kit::Window* current = currentPanel_.get();
    auto* texts = dynamic_cast<SwapPanelTexts*>(current);
    if (!hadFirstSwap_ || !current || !texts || !texts->firstText())
        selectFirstOutsideText();
    else if (focusWasInside)
        selectFirstInsideText();
    hadFirstSwap_ = true;
    if (kit::Receiver* to = target())
        sendAction(action(), to);
    if (kit::PopUpButton* popup = popUpListsButton(); popup && current)
        popup->selectItemWithTitle(itemTitle(current));

    if (SwapViewDelegate* delegate = delegateOf())
        delegate->viewDidSwap(panel);
    return this;
}

void ZynSizableSwapView::showTitle()
{
    kit::View* field = titleText_.get();
    if (!field)
        return;
    kit::Window* panel = currentPanel_.get();
    const std::string text = panel ? titlePrefix_ + panel->title() + titleSuffix_ : std::string();
    if (auto* control = dynamic_cast<kit::Control*>(field))
        control->setStringValue(text);
    else if (auto* box = dynamic_cast<kit::Box*>(field))
        box->setTitle(text);
    else if (panel)
        kit::runAlertPanel("Developer Warning in swapIn:", "titleText does not respond to setStringValue: or setTitle:",
                           "", "", "");
}

void ZynSizableSwapView::linkFocusChain()
{
    auto* lastOutside = dynamic_cast<kit::Control*>(lastOutsideText_.get());
    kit::View* firstOutside = firstOutsideText_.get();
    auto* texts = dynamic_cast<SwapPanelTexts*>(currentPanel_.get());
    kit::View* first = texts ? texts->firstText() : nullptr;
    auto* last = texts ? dynamic_cast<kit::Control*>(texts->lastText()) : nullptr;
    if (lastOutside && firstOutside && first && last) {
        lastOutside->setNextText(first);
        last->setNextText(firstOutside);
    } else if (first && last) {
        last->setNextText(first);
    } else if (firstOutside && lastOutside) {
        lastOutside->setNextText(firstOutside);
    }
}

void ZynSizableSwapView::selectFirstOutsideText()
{
    if (auto* field = dynamic_cast<kit::Control*>(firstOutsideText_.get()))
        field->selectText(this);
}

void ZynSizableSwapView::selectFirstInsideText()
{
    auto* texts = dynamic_cast<SwapPanelTexts*>(currentPanel_.get());
    if (auto* field = texts ? dynamic_cast<kit::Control*>(texts->firstText()) : nullptr)
        field->selectText(this);
}

ZynSizableSwapView* ZynSizableSwapView::addSwapPanel(kit::Window* panel)
{
    auto* swappable = dynamic_cast<SwappablePanel*>(panel);
    if (!swappable) {
        kit::runAlertPanel("Developer warning in registerNewSwapPanel", "aSwapPanel does not respond to swapIn", "", "",
                           "");
        return nullptr;
    }
    swappable->setSwapView(this);
    if (addPanelToPopup(panel)) {
        kit::Window* tail = lastSwapPanel_.get();
        if (tail) {
            if (auto* chained = dynamic_cast<SwapPanelChain*>(tail))
                chained->setNextSwapPanel(panel);
        } else {
            firstSwapPanel_ = panel;
        }
        if (auto* chained = dynamic_cast<SwapPanelChain*>(panel))
            chained->setNextSwapPanel(nullptr);
        lastSwapPanel_ = panel;
        if (!tail) {
            if (kit::PopUpButton* popup = popUpListsButton())
                popup->selectItemWithTitle(itemTitle(panel));
            swappable->swapIn(this);
        }
    }
    return this;
}

bool ZynSizableSwapView::addPanelToPopup(kit::Window* panel)
{
    kit::PopUpButton* popup = popUpListsButton();
    if (!popup || !panel)
        return true;
    const std::string title = itemTitle(panel);
    if (popup->itemWithTitle(title)) {
        kit::runAlertPanel("Developer Warning in addPanelToPopup", "Item in popup already has title: %@.", "", "", "",
                           {panel->title()});
        return false;
    }
    kit::MenuItem* item = popup->addItemWithTitle(title);
    item->setTarget(panel);
    item->setAction("swapIn:");
    // "1" to "9", then the characters after them (":" for the tenth).
    if (hasNumberedKeyEquivalents_)
        item->setKeyEquivalent(std::string(1, static_cast<char>('0' + popup->numberOfItems())));
    return true;
}

void ZynSizableSwapView::buildPopUpList()
{
    kit::PopUpButton* popup = popUpListsButton();
    if (!popup)
        return;
    popup->removeAllItems();
    // A chain may loop anywhere, not only back to its head.
    std::set<const kit::Window*> visited;
    for (kit::Window* panel = firstSwapPanel_.get(); panel && visited.insert(panel).second;) {
        addPanelToPopup(panel);
        auto* chained = dynamic_cast<SwapPanelChain*>(panel);
        panel = chained ? chained->nextSwapPanel() : nullptr;
    }
    if (popup->numberOfItems() > 0)
        popup->selectItemAtIndex(0);
}

ZynSizableSwapView* ZynSizableSwapView::viewNextSwapPanel(kit::Object*)
{
    auto* chained = dynamic_cast<SwapPanelChain*>(currentPanel_.get());
    kit::Window* next = chained ? chained->nextSwapPanel() : nullptr;
    if (auto* swappable = dynamic_cast<SwappablePanel*>(next))
        swappable->swapIn(this);
    return this;
}

ZynSizableSwapView* ZynSizableSwapView::viewPreviousSwapPanel(kit::Object*)
{
    auto* chained = dynamic_cast<SwapPanelChain*>(currentPanel_.get());
    kit::Window* previous = chained ? chained->previousSwapPanel() : nullptr;
    if (auto* swappable = dynamic_cast<SwappablePanel*>(previous))
        swappable->swapIn(this);
    return this;
}

void ZynSizableSwapView::awakeFromNib()
{
    if (popUpListsButton())
        buildPopUpList();
}

void ZynSizableSwapView::viewWillDraw()
{
    if (hadFirstSwap_ || swapping_ || firstSwapAsked_)
        return;
    auto* swappable = dynamic_cast<SwappablePanel*>(firstSwapPanel_.get());
    if (!swappable)
        return;
    // Asked once: a panel wired to no swap view would refuse at every drawing.
    firstSwapAsked_ = true;
    swappable->swapIn(this);
}

void ZynSizableSwapView::drawRect(const kit::Rect&)
{
    if (currentPanel_.get())
        return;
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return;
    const kit::Rect area = bounds();
    context->gsave();
    context->setgray(LightGray);
    context->rectfill(kit::minX(area), kit::minY(area), kit::width(area), kit::height(area));
    kit::Font* font = kit::Font::fontWithName("Helvetica-Bold", 18.0f);
    if (!emptyMessage_.empty() && font) {
        const std::string bytes = kit::fromUTF8Lossy(kit::Encoding::NeXTSTEP, emptyMessage_).bytes;
        // The string's advance, as stringwidth measures it: no height.
        const float width = font->widthOfString(bytes);
        context->setgray(DarkGray);
        context->selectfont(font);
        context->moveto(kit::minX(area) + (kit::width(area) - width) / 2.0f, kit::minY(area) + kit::height(area) / 2.0f);
        context->show(bytes);
    }
    context->grestore();
}

// ---- The archived form.

void ZynSizableSwapView::encodeWithCoder(kit::Coder& coder) const
{
    coder.encodeRect(frame());
    coder.encodeValuesOfObjCTypes("i", tag());
    const short version = 0;
    coder.encodeValuesOfObjCTypes("s", version);
    coder.encodeValuesOfObjCTypes("iiiii***f", hasNumberedKeyEquivalents_, resizeWidth_, resizeHeight_, minimumWidth_,
                                  minimumHeight_, emptyMessage_, titlePrefix_, titleSuffix_, backgroundGray_);
    coder.encodeConditionalObject(firstSwapPanel_.get());
    coder.encodeConditionalObject(popUpListsButton_.get());
    coder.encodeConditionalObject(titleText_.get());
    coder.encodeConditionalObject(firstOutsideText_.get());
    coder.encodeConditionalObject(lastOutsideText_.get());
    coder.encodeConditionalObject(delegate_.get());
    coder.encodeConditionalObject(popUpList_.get());
    coder.encodeConditionalObject(currentView_);
    coder.encodeConditionalObject(currentPanel_.get());
}

kit::Object* ZynSizableSwapView::initWithCoder(kit::Coder& coder)
{
    const kit::Rect stored = coder.decodeRect();
    int storedTag = 0;
    coder.decodeValuesOfObjCTypes("i", &storedTag);
    const bool usable = std::isfinite(kit::minX(stored)) && std::isfinite(kit::minY(stored)) &&
                        std::isfinite(kit::width(stored)) && std::isfinite(kit::height(stored)) &&
                        kit::width(stored) >= 0 && kit::height(stored) >= 0 && kit::width(stored) < 32768 &&
                        kit::height(stored) < 32768;
    if (usable)
        setFrame(stored);
    setTag(storedTag);
    short version = 0;
    coder.decodeValuesOfObjCTypes("s", &version);
    if (version != 0) {
        coder.skipRemainingUnits();
        return this;
    }
    coder.decodeValuesOfObjCTypes("iiiii***f", &hasNumberedKeyEquivalents_, &resizeWidth_, &resizeHeight_,
                                  &minimumWidth_, &minimumHeight_, &emptyMessage_, &titlePrefix_, &titleSuffix_,
                                  &backgroundGray_);
    auto* first = decodeAs<kit::Window>(coder);
    firstSwapPanel_ = dynamic_cast<SwappablePanel*>(first) ? first : nullptr;
    popUpListsButton_ = decodeAs<kit::PopUpButton>(coder);
    titleText_ = decodeAs<kit::View>(coder);
    firstOutsideText_ = decodeAs<kit::View>(coder);
    lastOutsideText_ = decodeAs<kit::View>(coder);
    delegate_ = decodeAs<kit::Receiver>(coder);
    popUpList_ = decodeAs<kit::Receiver>(coder);
    // The pane shown when the view was stored is not part of this form.
    (void)coder.decodeObject();
    (void)coder.decodeObject();
    return this;
}
