// The blink of the caret: a delayed message every 0.6 s that shows and hides
// it. The caret is painted with the view, so a repaint shows it as the blink
// stands.

#include "view/PageView.h"

#include "core/Color.h"
#include "document/LayoutDocument.h"
#include "graphics/DrawContext.h"

void PageView::restartBlink()
{
    cursorCycle_ = true;
    cancelPreviousPerformRequestsWithTarget(this, "drawCursor:", this);
    performSelector("drawCursor:", this, BlinkInterval);
}

void PageView::drawCursor(kit::Object* sender)
{
    if (!cursorShown_ || (document_ && document_->isReadOnly()))
        return;
    if (!sender)
        cursorCycle_ = false;
    else if (sender != this)
        cursorCycle_ = true;
    else
        cursorCycle_ = !cursorCycle_;
    setNeedsDisplayInRect(kit::insetRect(cursorRect_, -1, -1));
    if (sender) {
        cancelPreviousPerformRequestsWithTarget(this, "drawCursor:", this);
        performSelector("drawCursor:", this, BlinkInterval);
    }
}

void PageView::drawCaret(kit::DrawContext& context, const kit::Rect& rect) const
{
    if (!isCursorDrawn() || (document_ && document_->isReadOnly()) || !kit::intersectsRect(rect, cursorRect_))
        return;
    context.gsave();
    context.rectclip(rect);
    context.setgray(0);
    context.rectfill(cursorRect_);
    context.grestore();
}
