#include "appkit/ClipView.h"

#include "appkit/ScrollView.h"
#include "graphics/DrawContext.h"

#include <algorithm>

namespace kit {

bool ClipView::isFlipped() const
{
    View* doc = documentView();
    return doc && doc->isFlipped();
}

void ClipView::drawRect(const Rect& rect)
{
    // A document view smaller than the clip (a zoom out, a wider window)
    // leaves the rest to the clip: painted, never the old picture.
    DrawContext* context = DrawContext::current();
    const View* doc = documentView();
    if (!context || !context->isDrawingToScreen() || (doc && containsRect(doc->frame(), rect)))
        return;
    context->gsave();
    context->setColor(*Color::lightGrayColor());
    context->rectfill(rect);
    context->grestore();
}

View* ClipView::documentView() const
{
    return subviews().empty() ? nullptr : subviews().front().get();
}

void ClipView::setDocumentView(std::unique_ptr<View> view)
{
    while (!subviews().empty())
        subviews().back()->removeFromSuperview();
    if (!view)
        return;
    View* doc = addSubview(std::move(view));
    if (!doc)
        return;
    // Start at the top of a flipped document and the bottom-left of another.
    Rect docRect = documentRect();
    setBoundsOrigin(constrainScrollPoint(docRect.origin));
    if (auto* scroll = dynamic_cast<ScrollView*>(superview()))
        scroll->reflectScrolledClipView(this);
}

Rect ClipView::documentRect() const
{
    View* doc = documentView();
    if (!doc)
        return bounds();
    Rect r = doc->frame();
    // Never smaller than the clip view, so that a short document sits at the origin.
    r.size.width = std::max(width(r), width(bounds()));
    r.size.height = std::max(height(r), height(bounds()));
    return r;
}

Rect ClipView::documentVisibleRect() const
{
    View* doc = documentView();
    if (!doc)
        return {};
    return doc->convertRectFromView(bounds(), this);
}

Point ClipView::constrainScrollPoint(Point proposed) const
{
    Rect doc = documentRect();
    Rect b = bounds();
    auto clampAxis = [](float p, float lo, float docExtent, float extent) {
        float hi = std::max(lo, lo + docExtent - extent);
        return std::clamp(p, lo, hi);
    };
    return {clampAxis(proposed.x, minX(doc), width(doc), width(b)),
            clampAxis(proposed.y, minY(doc), height(doc), height(b))};
}

void ClipView::scrollToPoint(Point newOrigin)
{
    Rect proposed{newOrigin, bounds().size};
    if (View* doc = documentView()) {
        Rect inDoc = doc->convertRectFromView(proposed, this);
        Rect adjusted = doc->adjustScroll(inDoc);
        if (!(adjusted == inDoc))
            proposed.origin = convertRectFromView(adjusted, doc).origin;
    }
    Point origin = constrainScrollPoint(proposed.origin);
    if (origin == bounds().origin)
        return;
    setBoundsOrigin(origin);
    setNeedsDisplay(true);
    if (auto* scroll = dynamic_cast<ScrollView*>(superview()))
        scroll->reflectScrolledClipView(this);
}

bool ClipView::autoscroll(const Event& event)
{
    Point p = convertPointFromView(event.locationInWindow(), nullptr);
    Rect b = bounds();
    Point delta{0, 0};
    if (p.x < minX(b))
        delta.x = p.x - minX(b);
    else if (p.x > maxX(b))
        delta.x = p.x - maxX(b);
    if (p.y < minY(b))
        delta.y = p.y - minY(b);
    else if (p.y > maxY(b))
        delta.y = p.y - maxY(b);
    if (delta.x == 0 && delta.y == 0)
        return false;
    Point before = b.origin;
    scrollToPoint({b.origin.x + delta.x, b.origin.y + delta.y});
    return bounds().origin != before;
}

void ClipView::frameDidChange()
{
    setBoundsOrigin(constrainScrollPoint(bounds().origin));
}

} // namespace kit
