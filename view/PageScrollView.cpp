// The document window's scroll view: tiling of the scrollers, controls,
// rulers and info bar; rulers and info bar shown and hidden; scrolling that
// the rulers follow; the notices that keep the controls in step.

#include "view/PageScrollView.h"

#include "appkit/Box.h"
#include "appkit/ClipView.h"
#include "appkit/Control.h"
#include "appkit/NibLoader.h"
#include "appkit/PopUpButton.h"
#include "appkit/Scroller.h"
#include "appkit/TextField.h"
#include "appkit/Window.h"
#include "document/CanvasView.h"
#include "document/DocumentPanels.h"
#include "document/LayoutDocument.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/PageNumbers.h"
#include "foundation/Preferences.h"
#include "foundation/UnitsInfo.h"
#include "view/InfoBarInset.h"
#include "view/PageView.h"
#include "view/PageWindowServices.h"
#include "view/RulerViewInset.h"
#include "view/TabRulerPanel.h"

#include <algorithm>
#include <cmath>

namespace {

std::unique_ptr<RulerViewInset> makeInsetRuler(int type, int side)
{
    return std::make_unique<RulerViewInset>(type, side);
}

PageScrollView::RulerFactory& horizontalFactory()
{
    static PageScrollView::RulerFactory factory = nullptr;
    return factory;
}

PageScrollView::RulerFactory& verticalFactory()
{
    static PageScrollView::RulerFactory factory = nullptr;
    return factory;
}

// The info bar's class height, as the bar's class answers it.
template <class Bar = InfoBarInset>
float infoBarHeight()
{
    if constexpr (requires { Bar::width(); })
        return static_cast<float>(Bar::width());
    else
        return 13.0f;
}

template <class Bar>
void inspectBar(Bar* bar)
{
    if constexpr (requires { bar->inspect(); })
        bar->inspect();
}

template <class Bar>
void setBarSide(Bar* bar, int side)
{
    if constexpr (requires { bar->setSide(side); })
        bar->setSide(side);
}

template <class Bar>
void initializeBarClass()
{
    if constexpr (requires { Bar::initialize(); })
        Bar::initialize();
}

// A ruler side as the vertical ruler takes it.
int verticalRulerSideFor(int side) { return side == 1 ? 2 : 3; }

} // namespace

PageWindowServices*& sharedServices()
{
    static PageWindowServices* services = nullptr;
    return services;
}

PageWindowServices* PageWindowServices::shared() { return sharedServices(); }
void PageWindowServices::setShared(PageWindowServices* services) { sharedServices() = services; }

void PageScrollView::initialize()
{
    RulerViewInset::initialize();
    initializeBarClass<InfoBarInset>();
    horizontalFactory() = makeInsetRuler;
    verticalFactory() = makeInsetRuler;
}

void PageScrollView::setHorizontalRulerClass(RulerFactory factory) { horizontalFactory() = factory; }
void PageScrollView::setVerticalRulerClass(RulerFactory factory) { verticalFactory() = factory; }

PageScrollView::PageScrollView(const kit::Rect& frameRect)
    : kit::ScrollView(frameRect)
{
    setTag(Tag);
    if (!horizontalFactory() && !verticalFactory())
        initialize();
    vScroller_ = static_cast<kit::Scroller*>(addSubview(std::make_unique<kit::Scroller>(kit::Rect{}, true)));
    hScroller_ = static_cast<kit::Scroller*>(addSubview(std::make_unique<kit::Scroller>(kit::Rect{}, false)));
    vScroller_->setListener([this](float value) { scrollerMoved(true, value); });
    hScroller_->setListener([this](float value) { scrollerMoved(false, value); });
    setDocumentView(std::make_unique<PageView>(kit::Rect{}));
    setHasVerticalScroller(true);
    setHasHorizontalScroller(true);

    const auto action = [this](const char* name, void (PageScrollView::*op)(kit::Object*)) {
        kit::Receiver::setAction(name, [this, op](kit::Object* sender) -> kit::Object* {
            (this->*op)(sender);
            return nullptr;
        });
    };
    action("zoomAction:", &PageScrollView::zoomAction);
    action("zoom:", &PageScrollView::zoom);
    action("zButtonAction:", &PageScrollView::zButtonAction);
    action("fitSelection:", &PageScrollView::fitSelection);
    action("shrinkWrap:", &PageScrollView::shrinkWrap);
    action("unitsAction:", &PageScrollView::unitsAction);
    action("layerAction:", &PageScrollView::layerAction);
    action("visibilityAction:", &PageScrollView::visibilityAction);
    action("toggleRulers:", &PageScrollView::toggleRulers);
    action("toggleInfoBar:", &PageScrollView::toggleInfoBar);
    action("runGotoPage:", &PageScrollView::runGotoPage);
}

PageScrollView::~PageScrollView() = default;

PageView* PageScrollView::pageView() const { return dynamic_cast<PageView*>(documentView()); }

// ---- Keeping views out of the tree.

void PageScrollView::holdOut(kit::View* view)
{
    if (!view || view->superview() != this)
        return;
    kept_.push_back(view->removeFromSuperview());
}

void PageScrollView::putIn(kit::View* view)
{
    if (!view || view->superview())
        return;
    for (auto it = kept_.begin(); it != kept_.end(); ++it)
        if (it->get() == view) {
            std::unique_ptr<kit::View> owned = std::move(*it);
            kept_.erase(it);
            addSubview(std::move(owned));
            return;
        }
}

kit::Window* PageScrollView::flushWindow() const { return window(); }

// ---- The controls.

void PageScrollView::setPageButtons(std::unique_ptr<kit::Control> buttons)
{
    pageButtons_ = buttons.get();
    if (!pageButtons_)
        return;
    pageButtons_->setTarget(nullptr);
    pageButtons_->setAction("gotoNextPage:");
    // Tiling puts them in when they are needed.
    kept_.push_back(std::move(buttons));
    tile();
}

void PageScrollView::setPageBox(std::unique_ptr<kit::Box> box)
{
    pageBox_ = box.get();
    if (box)
        addSubview(std::move(box));
}

void PageScrollView::setPageNumberField(kit::TextField* field)
{
    pageNumberField_ = field;
    if (field) {
        field->setTarget(nullptr);
        field->setAction("gotoPage:");
    }
}

void PageScrollView::setPageCountField(kit::TextField* field) { pageCountField_ = field; }

namespace {
kit::PopUpButton* keepPopup(PageScrollView* scroll, std::unique_ptr<kit::PopUpButton> popup, const char* action)
{
    kit::PopUpButton* kept = popup.get();
    if (!kept)
        return nullptr;
    kept->setTarget(scroll);
    kept->setAction(action);
    scroll->addSubview(std::move(popup));
    return kept;
}
} // namespace

void PageScrollView::setZoomPopup(std::unique_ptr<kit::PopUpButton> popup)
{
    zoomPopup_ = keepPopup(this, std::move(popup), "zoomAction:");
}

void PageScrollView::setUnitsPopup(std::unique_ptr<kit::PopUpButton> popup)
{
    unitsPopup_ = keepPopup(this, std::move(popup), "unitsAction:");
    if (!unitsPopup_)
        return;
    // The preferences' kind indexes the popup; one outside the kinds is
    // taken as points.
    int kind = Main && Main->preferences() ? Main->preferences()->units() : 1;
    if (kind < 0 || kind > 3)
        kind = 1;
    unitsPopup_->selectItemAtIndex(kind);
}

void PageScrollView::setLayerPopup(std::unique_ptr<kit::PopUpButton> popup)
{
    layerPopup_ = keepPopup(this, std::move(popup), "layerAction:");
}

void PageScrollView::setVisiblePopup(std::unique_ptr<kit::PopUpButton> popup)
{
    visiblePopup_ = keepPopup(this, std::move(popup), "visibilityAction:");
}

// ---- Tiling.

void PageScrollView::platformTile()
{
    const kit::Rect b = bounds();
    const float sw = scrollerWidth();
    const float left = hasVerticalScroller() ? sw : 0.0f;
    const float bottom = hasHorizontalScroller() ? sw : 0.0f;
    const float w = std::max(0.0f, b.size.width - left);
    const float h = std::max(0.0f, b.size.height - bottom);
    // As the platform's scroll views: the vertical scroller on the left,
    // the horizontal one along the bottom, right of it.
    contentView()->setFrame(kit::makeRect(left, 0, w, h));
    vScroller_->setFrame(hasVerticalScroller() ? kit::makeRect(0, 0, sw, h) : kit::Rect{});
    hScroller_->setFrame(hasHorizontalScroller() ? kit::makeRect(left, h, w, sw) : kit::Rect{});
    platformReflect();
}

void PageScrollView::platformReflect()
{
    kit::ClipView* clip = contentView();
    const kit::Rect doc = clip->documentRect();
    const kit::Rect shown = clip->bounds();
    const auto share = [](float at, float lo, float docExtent, float extent, float* value, float* proportion) {
        *proportion = docExtent > 0 ? std::min(1.0f, extent / docExtent) : 1.0f;
        const float room = docExtent - extent;
        *value = room > 0 ? (at - lo) / room : 0.0f;
    };
    float value = 0, proportion = 1;
    share(shown.origin.y, doc.origin.y, doc.size.height, shown.size.height, &value, &proportion);
    vScroller_->setFloatValue(value, proportion);
    share(shown.origin.x, doc.origin.x, doc.size.width, shown.size.width, &value, &proportion);
    hScroller_->setFloatValue(value, proportion);
}

void PageScrollView::scrollerMoved(bool vertical, float value)
{
    kit::ClipView* clip = contentView();
    const kit::Rect doc = clip->documentRect();
    const kit::Rect shown = clip->bounds();
    kit::Point to = shown.origin;
    if (vertical)
        to.y = doc.origin.y + value * std::max(0.0f, doc.size.height - shown.size.height);
    else
        to.x = doc.origin.x + value * std::max(0.0f, doc.size.width - shown.size.width);
    scrollClipView(clip, to);
    if (kit::Window* w = window())
        w->flushWindowIfNeeded();
}

bool PageScrollView::_needsPageButtons() const
{
    return hasVerticalScroller() && pageButtons_ && vScroller_ && vScroller_->isEnabled();
}

void PageScrollView::tile()
{
    if (!vScroller_ || !hScroller_)
        return;
    kit::Window* w = flushWindow();
    if (w)
        w->disableFlushWindow();
    // 1.
    platformTile();
    const kit::Rect b = bounds();
    kit::Rect vs = vScroller_->frame();
    // 2. The page buttons under the vertical scroller.
    if (!_needsPageButtons())
        holdOut(pageButtons_);
    else {
        putIn(pageButtons_);
        vs.size.height = b.size.height - vs.origin.y;
        kit::Rect strip, rest;
        kit::divideRect(vs, strip, rest, pageButtons_->frame().size.height + 1.0f, kit::RectEdge::MaxY);
        pageButtons_->setFrameOrigin(strip.origin);
        vs = rest;
    }
    // 3. The controls in the horizontal scroller's strip, from the right.
    if (hasHorizontalScroller()) {
        kit::Rect hs = hScroller_->frame();
        for (kit::View* control : {static_cast<kit::View*>(unitsPopup_), static_cast<kit::View*>(zoomPopup_),
                                   static_cast<kit::View*>(visiblePopup_), static_cast<kit::View*>(layerPopup_),
                                   static_cast<kit::View*>(pageBox_)}) {
            if (!control)
                continue;
            kit::Rect slice, rest;
            kit::divideRect(hs, slice, rest, control->frame().size.width, kit::RectEdge::MaxX);
            control->setFrame(slice);
            hs = rest;
        }
        hScroller_->setFrame(hs);
    }
    kit::Rect content = contentView()->frame();
    // 4. The info bar, over the vertical scroller's column too.
    if (infoBarVisible_ && infoBar_) {
        kit::Rect strip, rest;
        kit::divideRect(content, strip, rest, infoBarHeight(),
                        infoBarSide_ == 0 ? kit::RectEdge::MinY : kit::RectEdge::MaxY);
        content = rest;
        if (strip.origin.x > vs.origin.x) {
            strip.size.width += strip.origin.x - vs.origin.x;
            strip.origin.x = vs.origin.x;
        } else {
            strip.size.width = kit::maxX(vs) - strip.origin.x;
        }
        if (infoBarSide_ == 0)
            vs.origin.y += strip.size.height;
        vs.size.height -= strip.size.height;
        infoBar_->setFrame(strip);
    }
    // 5. The rulers and their corner.
    PageView* view = pageView();
    if ((hRulerVisible_ || vRulerVisible_) && view) {
        const float zoom = view->zoom();
        const kit::Rect pageFrame = view->frame();
        const kit::Rect shown = contentView()->bounds();
        RulerViewInset* hRuler = horizontalRuler();
        RulerViewInset* vRuler = verticalRuler();
        kit::Rect corner{};
        if (hRulerVisible_ && hRuler) {
            kit::Rect strip, rest;
            kit::divideRect(content, strip, rest, hRuler->preferredWidth(),
                            hRulerSide_ == 0 ? kit::RectEdge::MinY : kit::RectEdge::MaxY);
            content = rest;
            if (vRulerVisible_ && vRuler) {
                kit::Rect remaining;
                kit::divideRect(strip, corner, remaining, vRuler->preferredWidth(),
                                vRulerSide_ == 0 ? kit::RectEdge::MinX : kit::RectEdge::MaxX);
                strip = remaining;
            }
            hClipRuler_->setFrame(strip);
            hRuler->setFrameSize(kit::makeSize(zoom * pageFrame.size.width, strip.size.height));
            hClipRuler_->setBoundsOrigin(kit::makePoint(zoom * shown.origin.x, hClipRuler_->bounds().origin.y));
        }
        if (vRulerVisible_ && vRuler) {
            kit::Rect strip, rest;
            kit::divideRect(content, strip, rest, vRuler->preferredWidth(),
                            vRulerSide_ == 0 ? kit::RectEdge::MinX : kit::RectEdge::MaxX);
            content = rest;
            vClipRuler_->setFrame(strip);
            vRuler->setFrameSize(kit::makeSize(strip.size.width, zoom * pageFrame.size.height));
            vClipRuler_->setBoundsOrigin(kit::makePoint(vClipRuler_->bounds().origin.x, zoom * shown.origin.y));
        }
        if (hRulerVisible_ && vRulerVisible_ && bClipRuler_) {
            corner.origin.x -= vs.size.width;
            corner.size.width += vs.size.width;
            vs.origin.y += corner.size.height;
            vs.size.height -= corner.size.height;
            bClipRuler_->setFrame(corner);
        }
    }
    // The clip view keeps its scale as its frame changes.
    contentView()->setFrame(content);
    vScroller_->setFrame(vs);
    platformReflect();
    setNeedsDisplay(true);
    // 6.
    if (w)
        w->enableFlushWindow();
}

// ---- Scrolling.

void PageScrollView::scrollClipView(kit::ClipView* clip, kit::Point point)
{
    if (!clip)
        return;
    clip->scrollToPoint(point);
    PageView* view = pageView();
    const float zoom = view ? view->zoom() : 1.0f;
    const kit::Point at = clip->bounds().origin;
    if (hRulerVisible_ && hClipRuler_) {
        if (RulerViewInset* ruler = horizontalRuler())
            ruler->setDirty(true);
        hClipRuler_->setBoundsOrigin(kit::makePoint(zoom * at.x, hClipRuler_->bounds().origin.y));
        hClipRuler_->setNeedsDisplay(true);
    }
    if (vRulerVisible_ && vClipRuler_) {
        vClipRuler_->setBoundsOrigin(kit::makePoint(vClipRuler_->bounds().origin.x, zoom * at.y));
        vClipRuler_->setNeedsDisplay(true);
    }
}

void PageScrollView::reflectScrolledClipView(kit::ClipView* clip)
{
    if (!clip || clip == hClipRuler_ || clip == vClipRuler_ || !vScroller_ || reflecting_)
        return;
    reflecting_ = true;
    kit::Window* w = flushWindow();
    if (w)
        w->disableFlushWindow();
    platformReflect();
    const bool shown = pageButtons_ && pageButtons_->superview() == this;
    if (shown != _needsPageButtons())
        tile();
    // Every scroll of the page view, whoever asked for it, moves the rulers.
    PageView* view = pageView();
    const float zoom = view ? view->zoom() : 1.0f;
    const kit::Point at = clip->bounds().origin;
    if (hRulerVisible_ && hClipRuler_) {
        const kit::Point to = kit::makePoint(zoom * at.x, hClipRuler_->bounds().origin.y);
        if (to != hClipRuler_->bounds().origin) {
            hClipRuler_->setBoundsOrigin(to);
            hClipRuler_->setNeedsDisplay(true);
        }
    }
    if (vRulerVisible_ && vClipRuler_) {
        const kit::Point to = kit::makePoint(vClipRuler_->bounds().origin.x, zoom * at.y);
        if (to != vClipRuler_->bounds().origin) {
            vClipRuler_->setBoundsOrigin(to);
            vClipRuler_->setNeedsDisplay(true);
        }
    }
    hScroller_->setNeedsDisplay(true);
    vScroller_->setNeedsDisplay(true);
    showPageInView(at);
    if (w) {
        w->enableFlushWindow();
        w->flushWindowIfNeeded();
    }
    reflecting_ = false;
}

// ---- Rulers.

RulerViewInset* PageScrollView::horizontalRuler() const
{
    return hClipRuler_ ? dynamic_cast<RulerViewInset*>(hClipRuler_->documentView()) : nullptr;
}

RulerViewInset* PageScrollView::verticalRuler() const
{
    return vClipRuler_ ? dynamic_cast<RulerViewInset*>(vClipRuler_->documentView()) : nullptr;
}

void PageScrollView::setHorizontalRuler(std::unique_ptr<RulerViewInset> ruler)
{
    if (!hClipRuler_) {
        auto clip = std::make_unique<kit::ClipView>();
        hClipRuler_ = clip.get();
        kept_.push_back(std::move(clip));
    }
    hClipRuler_->setDocumentView(std::move(ruler));
    hRulerMade_ = true;
}

void PageScrollView::makeRuler(int which)
{
    if (which == 0) {
        if (!horizontalFactory())
            return;
        std::unique_ptr<RulerViewInset> ruler = horizontalFactory()(0, hRulerSide_);
        if (!ruler)
            return;
        if (PageWindowServices* services = PageWindowServices::shared();
            services && services->prefersEmbeddedTabRulers())
            ruler->setEmbeddedTabRuler(true);
        setHorizontalRuler(std::move(ruler));
    } else {
        if (!verticalFactory())
            return;
        std::unique_ptr<RulerViewInset> ruler = verticalFactory()(1, verticalRulerSideFor(vRulerSide_));
        if (!ruler)
            return;
        auto clip = std::make_unique<kit::ClipView>();
        vClipRuler_ = clip.get();
        kept_.push_back(std::move(clip));
        vClipRuler_->setDocumentView(std::move(ruler));
        vRulerMade_ = true;
    }
    if (hClipRuler_ && vClipRuler_ && !bClipRuler_) {
        auto corner = std::make_unique<RulerViewInset>(0, hRulerSide_);
        corner->setBorderSides((1 << hRulerSide_) | (1 << verticalRulerSideFor(vRulerSide_)));
        corner->setCornerBox(true);
        bClipRuler_ = corner.get();
        kept_.push_back(std::move(corner));
    }
}

bool PageScrollView::showRuler(int which, bool flag)
{
    bool& visible = which == 0 ? hRulerVisible_ : vRulerVisible_;
    if (visible == flag)
        return false;
    if (flag) {
        if (!(which == 0 ? hRulerMade_ : vRulerMade_))
            makeRuler(which);
        kit::ClipView* clip = which == 0 ? hClipRuler_ : vClipRuler_;
        if (!clip)
            return false;
        putIn(clip);
        visible = true;
        if (hRulerVisible_ && vRulerVisible_)
            putIn(bClipRuler_);
    } else {
        holdOut(which == 0 ? hClipRuler_ : vClipRuler_);
        visible = false;
        holdOut(bClipRuler_);
    }
    return true;
}

void PageScrollView::toggleRulers(kit::Object* sender)
{
    (void)sender;
    bool changed = false;
    if (!(hRulerVisible_ && vRulerVisible_)) {
        changed |= showRuler(0, true);
        changed |= showRuler(1, true);
    } else {
        changed |= showRuler(0, false);
        changed |= showRuler(1, false);
    }
    if (changed) {
        tile();
        setNeedsDisplay(true);
    }
    PageWindowServices* services = PageWindowServices::shared();
    if (hRulerVisible_ && services && services->prefersEmbeddedTabRulers())
        if (auto* panel = dynamic_cast<TabRulerPanel*>(services->tabsPanel(true)))
            panel->setEmbeddedRuler(horizontalRuler());
}

void PageScrollView::setHorizontalRulerSide(int side)
{
    if (side == hRulerSide_)
        return;
    hRulerSide_ = side;
    if (RulerViewInset* ruler = horizontalRuler())
        ruler->setSide(side);
    tile();
}

void PageScrollView::setVerticalRulerSide(int side)
{
    if (side == vRulerSide_)
        return;
    vRulerSide_ = side;
    if (RulerViewInset* ruler = verticalRuler())
        ruler->setSide(verticalRulerSideFor(side));
    tile();
}

void PageScrollView::setInfoBarSide(int side)
{
    if (side == infoBarSide_)
        return;
    infoBarSide_ = side;
    if (infoBar_)
        setBarSide(infoBar_, side);
    tile();
}

void PageScrollView::invalidateRulers()
{
    for (RulerViewInset* ruler : {horizontalRuler(), verticalRuler()})
        if (ruler) {
            ruler->setDirty(true);
            ruler->setNeedsDisplay(true);
        }
}

// ---- The info bar.

bool PageScrollView::setOutlet(const std::string& name, kit::Object* object)
{
    if (name != "infoBar")
        return false;
    loadedInfoBar_ = dynamic_cast<InfoBarInset*>(object);
    return loadedInfoBar_ != nullptr;
}

bool PageScrollView::showInfoBar(bool flag)
{
    if (infoBarVisible_ == flag)
        return false;
    if (flag && !infoBarMade_) {
        // From "InfoBarInset.nib", taken out of the file's window and set up.
        std::unique_ptr<kit::View> bar = InfoBarInset::loadFromNib();
        if (!bar) {
            // No interface file for it: a bare bar made here.
            bar = std::make_unique<InfoBarInset>(kit::makeRect(0, 0, 100, infoBarHeight()));
        }
        infoBar_ = static_cast<InfoBarInset*>(bar.get());
        loadedInfoBar_ = infoBar_;
        kept_.push_back(std::move(bar));
        infoBarMade_ = true;
    }
    if (!infoBar_)
        return false;
    infoBarVisible_ = flag;
    if (flag) {
        putIn(infoBar_);
        inspectBar(infoBar_);
    } else {
        holdOut(infoBar_);
    }
    tile();
    setNeedsDisplay(true);
    return true;
}

void PageScrollView::toggleInfoBar(kit::Object* sender)
{
    (void)sender;
    showInfoBar(!infoBarVisible_);
}

// ---- Notices.

void PageScrollView::reflectZoom()
{
    PageView* view = pageView();
    const float zoom = view ? view->zoom() : 0.0f;
    if (zoom > 0.0f) {
        if (hRulerVisible_ || vRulerVisible_) {
            const kit::Rect frame = view->frame();
            if (RulerViewInset* h = horizontalRuler())
                h->setFrameSize(kit::makeSize(zoom * frame.size.width, h->frame().size.height));
            if (RulerViewInset* v = verticalRuler())
                v->setFrameSize(kit::makeSize(v->frame().size.width, zoom * frame.size.height));
        }
        invalidateRulers();
    }
    notifyUpdateZoomTitle();
}

void PageScrollView::showPageInView(kit::Point scrolledTo)
{
    // The page field names the page in view however the view got there
    // (scroller, wheel, keys, a page asked for): that page becomes active.
    // A tiling that leaves the view where it was keeps a page the user
    // clicked on.
    if (scrolledTo == shownOrigin_)
        return;
    shownOrigin_ = scrolledTo;
    PageView* view = pageView();
    LayoutDocument* doc = view ? view->document() : nullptr;
    if (!doc || doc->isDispatching() || doc->mainView() != view || !view->canDraw())
        return;
    if (Page* page = view->mostVisiblePage(); page && page != doc->activePage())
        doc->setActivePage(page);
}

void PageScrollView::reflectSize()
{
    // The scrollers show the new document size.
    reflectScrolledClipView(contentView());
    PageView* view = pageView();
    const float zoom = view ? view->zoom() : 0.0f;
    if (zoom > 0.0f && (hRulerVisible_ || vRulerVisible_)) {
        const kit::Rect frame = view->frame();
        if (RulerViewInset* h = horizontalRuler())
            h->setFrameSize(kit::makeSize(zoom * frame.size.width, h->frame().size.height));
        if (RulerViewInset* v = verticalRuler())
            v->setFrameSize(kit::makeSize(v->frame().size.width, zoom * frame.size.height));
    }
    notifyUpdatePageStatus();
}

void PageScrollView::notifyUpdateUnits()
{
    kit::Window* w = flushWindow();
    if (w)
        w->disableFlushWindow();
    invalidateRulers();
    for (kit::ClipView* clip : {hClipRuler_, vClipRuler_})
        if (clip && clip->superview())
            clip->setNeedsDisplay(true);
    if (infoBar_ && infoBar_->superview())
        inspectBar(infoBar_);
    PageView* view = pageView();
    LayoutDocument* doc = view ? view->document() : nullptr;
    if (unitsPopup_ && doc && doc->unitsInfo())
        unitsPopup_->selectItemAtIndex(doc->unitsInfo()->units());
    if (w) {
        w->enableFlushWindow();
        w->flushWindowIfNeeded();
    }
}

void PageScrollView::notifyUpdatePageStatus()
{
    PageView* view = pageView();
    LayoutDocument* doc = view ? view->document() : nullptr;
    if (!doc || !pageNumberField_ || !pageCountField_)
        return;
    if (!doc->activePage()) {
        pageNumberField_->setIntValue(0);
        pageCountField_->setIntValue(doc->numPages());
        return;
    }
    if (!doc->isDispatching()) {
        std::string text = pageNumberString(doc->activePageNumber(), 0);
        if (doc->firstPageNum() != 1)
            text += "(" + pageNumberString(doc->activePageIndex() + 1, 0) + ")";
        pageNumberField_->setStringValue(text);
    }
    pageCountField_->setStringValue(pageNumberString(doc->numPages(), 0));
}

void PageScrollView::setStatus(const std::string& text)
{
    if (!pageNumberField_)
        return;
    pageNumberField_->setStringValue(text);
    if (pageNumberField_->canDraw())
        pageNumberField_->display();
}

void PageScrollView::runGotoPage(kit::Object* sender)
{
    if (pageNumberField_)
        pageNumberField_->selectText(sender);
}

// ---- Mouse.

namespace {
DocumentTool* scrollViewTool()
{
    ToolPalette* toolbar = DocumentPanels::shared().toolbar();
    DocumentTool* tool = toolbar ? toolbar->activeTool() : nullptr;
    return tool && tool->purpose() == DocumentTool::ScrollViewPurpose ? tool : nullptr;
}
} // namespace

kit::View* PageScrollView::hitTest(kit::Point point)
{
    PageView* view = pageView();
    if (view && scrollViewTool()) {
        const kit::Point inView = view->convertPointFromView(point, superview());
        if (kit::pointInRect(inView, view->visibleRect()))
            return this;
    }
    return kit::ScrollView::hitTest(point);
}

void PageScrollView::mouseDown(const kit::Event& event)
{
    if (DocumentTool* tool = scrollViewTool())
        if (PageView* view = pageView())
            tool->doTool(view, event);
}
