// The blink of the caret: a delayed message every 0.6 s that shows and hides
// it, and marks its area for the next display.

#include "view/PageView.h"

#include "appkit/Window.h"
#include "core/Color.h"
#include "document/LayoutDocument.h"
#include "graphics/DrawContext.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextSelection.h"

#include <algorithm>
#include <cmath>

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

void PageView::drawTextCursor(kit::DrawContext& context, const kit::Rect& rect) const
{
    if (!isCursorDrawn() || !document_ || document_->isReadOnly())
        return;
    // Only in the key window, over an edited column with no text selected.
    const kit::Window* w = window();
    TextItem* column = document_->activeTextItem();
    TextFlow* flow = column ? column->flow() : nullptr;
    if (!w || !w->isKeyWindow() || !flow || !column->isEditing())
        return;
    if (const TextSelection* selection = flow->textSelection(); selection && !selection->isEmpty())
        return;
    const kit::Rect caret = kit::intersectionRect(cursorRect_, cursorClip_);
    if (kit::isEmptyRect(caret) || !kit::intersectsRect(kit::insetRect(caret, -1, -1), rect))
        return;
    const kit::Matrix& m = context.currentmatrix();
    const auto device = [&m](float x, float y) {
        return kit::makePoint(m.a * x + m.c * y + m.tx, m.b * x + m.d * y + m.ty);
    };
    if (cursorMatrix_ != std::array<float, 4>{1, 0, 0, 1}) {
        // Along the turned column's vertical, one device pixel thick.
        const kit::Point a = caretPointInView(kit::minX(cursorLocal_), kit::minY(cursorLocal_));
        const kit::Point b = caretPointInView(kit::minX(cursorLocal_), kit::maxY(cursorLocal_));
        const kit::Point from = device(a.x, a.y), to = device(b.x, b.y);
        context.gsave();
        context.setmatrix(kit::Matrix::identity());
        context.setColor(*kit::Color::blackColor());
        context.setlinewidth(1.0f);
        context.moveto(from.x, from.y);
        context.lineto(to.x, to.y);
        context.stroke();
        context.grestore();
        return;
    }
    // One whole device pixel wide whatever the zoom, so that a redraw of
    // part of the caret paints the same pixels as a redraw of all of it.
    const kit::Point top = device(kit::minX(caret), kit::minY(caret));
    const kit::Point bottom = device(kit::minX(caret), kit::maxY(caret));
    const float left = std::floor(std::min(top.x, bottom.x));
    const float low = std::round(std::min(top.y, bottom.y));
    const float high = std::round(std::max(top.y, bottom.y));
    if (high <= low)
        return;
    context.gsave();
    context.setmatrix(kit::Matrix::identity());
    context.setColor(*kit::Color::blackColor());
    context.rectfill(left, low, 1.0f, high - low);
    context.grestore();
}
