// The blink of the caret: a delayed message every 0.6 s that shows and hides
// it, and marks its area for the next display.

#include "view/PageView.h"

#include "document/LayoutDocument.h"

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
    refreshCaretArea(cursorRect_);
    if (sender) {
        cancelPreviousPerformRequestsWithTarget(this, "drawCursor:", this);
        performSelector("drawCursor:", this, BlinkInterval);
    }
}

void PageView::refreshCaretArea(const kit::Rect& caret)
{
    setNeedsDisplayInRect(kit::insetRect(caret, -1, -1));
}
