#include "appkit/ScrollView.h"

namespace kit {

ScrollView::ScrollView(const Rect& frameRect) : View(frameRect)
{
    clip_ = static_cast<ClipView*>(addSubview(std::make_unique<ClipView>(makeRect(0, 0, 0, 0))));
    tile();
}

void ScrollView::setDocumentView(std::unique_ptr<View> view)
{
    clip_->setDocumentView(std::move(view));
    tile();
}

Rect ScrollView::documentVisibleRect() const
{
    return clip_->documentVisibleRect();
}

Size ScrollView::contentSize() const
{
    return clip_->frame().size;
}

void ScrollView::setHasVerticalScroller(bool flag)
{
    hasVertical_ = flag;
    tile();
}

void ScrollView::setHasHorizontalScroller(bool flag)
{
    hasHorizontal_ = flag;
    tile();
}

void ScrollView::scrollClipView(ClipView* clip, Point point)
{
    if (clip)
        clip->scrollToPoint(point);
}

void ScrollView::scrollWheel(const Event& event)
{
    float across = event.deltaX();
    float down = -event.deltaY();
    if (across == 0 && (event.modifierFlags() & ShiftKeyMask)) {
        across = event.deltaY();
        down = 0;
    }
    const Rect frame = clip_->frame();
    const Rect shown = clip_->bounds();
    // Three lines a notch, in window points whatever the document's scale.
    const float step = 3 * lineScroll();
    const float sx = width(frame) > 0 ? width(shown) / width(frame) : 1.0f;
    const float sy = height(frame) > 0 ? height(shown) / height(frame) : 1.0f;
    const float dx = -across * step * sx;
    float dy = down * step * sy;
    if (!clip_->isFlipped())
        dy = -dy;
    if (dx == 0 && dy == 0)
        return;
    scrollClipView(clip_, {shown.origin.x + dx, shown.origin.y + dy});
}

void ScrollView::tile()
{
    Rect b = bounds();
    float w = width(b) - (hasVertical_ ? scrollerWidth() : 0.0f);
    float h = height(b) - (hasHorizontal_ ? scrollerWidth() : 0.0f);
    // The horizontal scroller runs along the bottom.
    float y = minY(b) + (hasHorizontal_ ? scrollerWidth() : 0.0f);
    clip_->setFrame(makeRect(minX(b), y, w > 0 ? w : 0, h > 0 ? h : 0));
    reflectScrolledClipView(clip_);
}

} // namespace kit
