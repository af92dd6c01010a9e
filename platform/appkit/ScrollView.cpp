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
