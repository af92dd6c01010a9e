// Zooming the canvas: the clip view shows the view's coordinates scaled by
// the factor, and the point or rectangle asked for stays in sight.

#include "view/PageView.h"

#include "appkit/ClipView.h"
#include "appkit/Window.h"
#include "document/LayoutDocument.h"
#include "view/PageScrollView.h"

#include <cmath>

bool PageView::isValidZoom(float factor)
{
    // NaN fails both comparisons.
    return factor >= MinZoom && factor <= MaxZoom;
}

void PageView::setZoom(float zoom)
{
    if (isValidZoom(zoom))
        zoom_ = zoom;
}

bool PageView::_doZoom(float factor)
{
    if (!isValidZoom(factor) || factor == zoom_)
        return false;
    zoom_ = static_cast<float>(std::rint(factor * 100.0f) / 100.0);
    if (auto* clip = dynamic_cast<kit::ClipView*>(superview())) {
        const kit::Size size = clip->frame().size;
        clip->setBoundsSize(kit::makeSize(size.width / factor, size.height / factor));
    }
    if (canDraw())
        setTrackingRect();
    if (PageScrollView* scroll = pageScrollView())
        scroll->reflectZoom();
    return true;
}

void PageView::_updateScrollRect(const kit::Rect& rect)
{
    if (auto* clip = dynamic_cast<kit::ClipView*>(superview()))
        clip->scrollToPoint(rect.origin);
    else
        scrollRectToVisible(rect);
    setNeedsDisplayInRect(visibleOrBounds());
    invalidRect_ = {};
    if (document_)
        document_->notifyUpdateUnits(this);
}

bool PageView::zoomTo(float factor)
{
    const kit::Rect visible = visibleOrBounds();
    return zoomTo(factor, kit::makePoint(kit::midX(visible), kit::midY(visible)));
}

bool PageView::zoomTo(float factor, kit::Point at)
{
    if (!isValidZoom(factor))
        return false;
    const kit::Rect visible = visibleOrBounds();
    const kit::Point pointInWindow = convertPointToView(at, nullptr);
    const kit::Point originInWindow = convertPointToView(visible.origin, nullptr);
    kit::Window* w = window();
    if (w)
        w->disableFlushWindow();
    const bool changed = _doZoom(factor);
    if (changed) {
        // Window y grows upwards, the view's downwards.
        const kit::Point origin = kit::makePoint(at.x - (pointInWindow.x - originInWindow.x) / factor,
                                                 at.y - (originInWindow.y - pointInWindow.y) / factor);
        _updateScrollRect(kit::Rect{origin, visibleOrBounds().size});
    }
    if (w) {
        w->enableFlushWindow();
        w->flushWindowIfNeeded();
    }
    return changed;
}

bool PageView::zoomTo(float factor, const kit::Rect& inRect)
{
    kit::Window* w = window();
    if (w)
        w->disableFlushWindow();
    const bool changed = _doZoom(factor);
    if (changed) {
        scrollRectToVisible(inRect);
        setNeedsDisplayInRect(visibleOrBounds());
        invalidRect_ = {};
        if (document_)
            document_->notifyUpdateUnits(this);
    }
    if (w) {
        w->enableFlushWindow();
        w->flushWindowIfNeeded();
    }
    return changed;
}
