// A column draws its box and then the stretch of its flow that lies in it:
// in full, for a range of edited paragraphs, or as bars while dragged. A
// selected column of the page-layout document shows a continuation marker.

#include "items/TextItem.h"

#include "document/LayoutDocument.h"
#include "foundation/CMGeometry.h"
#include "foundation/GxRecords.h"
#include "foundation/Paint.h"
#include "foundation/PSBuffers.h"
#include "foundation/StyleGraphic.h"
#include "graphics/DrawContext.h"
#include "text/DocumentView.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextParagraphDrawing.h"
#include "text/TextSelection.h"

#include <optional>
#include <typeinfo>

bool disableRedraw = false;

namespace {

constexpr float LightGray = 2.0f / 3.0f;
constexpr float DarkGray = 1.0f / 3.0f;
constexpr float TextFrameGray = 0.75f;
// The dash of an outlined text frame that is not being edited: 4 on, 8 off.
const GxDash textFrameDash = {2, 0.0f, {4.0f, 8.0f}};
// The marker's size in screen pixels.
constexpr float ContinueMarkerWidth = 12.0f;
constexpr float ContinueMarkerHeight = 13.0f;
// Lines stood for by bars in fast drawing: their pitch and thickness.
constexpr float FastLinePitch = 33.9426f;
constexpr float FastBarHeight = 1.25f;

float zoomOf(const Paint& paint) { return paint.zoom > 0.0f ? paint.zoom : 1.0f; }

bool isPageLayoutDocument(const LayoutDocument* document)
{
    return document && typeid(*document) == typeid(LayoutDocument);
}

} // namespace

void getTContinueRect(const TextItem* column, float zoom, kit::Rect* rect, bool transformed)
{
    if (!column || !rect)
        return;
    if (!(zoom > 0.0f))
        zoom = 1.0f;
    const kit::Rect& frame = column->frame();
    const float w = ContinueMarkerWidth, h = ContinueMarkerHeight;
    kit::Point origin = kit::makePoint(kit::maxX(frame), kit::maxY(frame) - h / zoom - 5.0f);
    if (transformed) {
        float m[4];
        column->getMatrix(m);
        kit::Point centre = kit::makePoint(origin.x + w / 2.0f, origin.y + h / 2.0f);
        applyMatrixToPoint(&centre, &frame.origin, m);
        origin = kit::makePoint(centre.x - w / 2.0f, centre.y - h / 2.0f);
    }
    *rect = kit::makeRect(origin.x, origin.y, w / zoom, h / zoom);
}

void TextItem::drawSelf(const Paint& paint, const kit::Rect& rect)
{
    if (!paint.context)
        return;
    kit::DrawContext::Scope scope(*paint.context);
    renderInView(paint, rect, false);
}

bool TextItem::drawSelfInView(const Paint& paint, const kit::Rect& bounds)
{
    return renderInView(paint, bounds, false);
}

bool TextItem::whiteSelfInView(const Paint& paint, const kit::Rect& bounds)
{
    return renderInView(paint, bounds, true);
}

bool TextItem::renderInView(const Paint& paint, const kit::Rect& rect, bool white)
{
    // The text is laid out before the area it draws in is taken: a layout
    // still waiting (pages deleted) may hang a line past the frame.
    if (flow_)
        flow_->layoutThrough(this);
    if (!shouldDrawInRect(rect))
        return false;
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return false;
    kit::Rect b;
    b = updateBoundsAtZoom(zoomOf(paint));
    const kit::Rect area = b;
    if (!isTransformed())
        b = kit::intersectionRect(b, rect);
    const StyleGraphic* style = graphicStyle();
    if (style && (style->hasFill() || style->hasLine())) {
        if (white)
            ItemBox::whiteSelfInView(paint, b);
        else
            ItemBox::drawSelfInView(paint, b);
    }
    prepareForDrawing();
    float m[4];
    getMatrix(m);
    const LayoutDocument* document = pageDocument();
    const bool screen = context->isDrawingToScreen();
    if (screen && document && document->showTextRects()) {
        setGray(*context, white ? 1.0f : LightGray);
        setLineWidth(*context, 1.0f);
        if (!isEditing()) {
            setLineDash(*context, &textFrameDash);
            setGray(*context, white ? 1.0f : TextFrameGray);
        } else {
            setLineDash(*context, nullptr);
        }
        setLineWidth(*context, 0.0f);
        CMFrameRectWithMatrix(&frame_, m, nullptr);
        setLineDash(*context, nullptr);
    }

    // The text shows nowhere outside the area a redraw of the column
    // covers: ink of a line that its leading sets above the frame is cut at
    // the frame.
    context->gsave();
    context->rectclip(area);
    context->gsave();
    context->translate(frame_.origin.x, frame_.origin.y);
    b = kit::offsetRect(b, -frame_.origin.x, -frame_.origin.y);
    if (isTransformed())
        context->concat(kit::Matrix{m[0], m[1], m[2], m[3], 0, 0});
    if (dropShadow() && flow_) {
        context->gsave();
        context->translate(shadowOffset_.x, shadowOffset_.y);
        kit::ColorRef shade = white || !shadowColor_ ? kit::Color::colorWithGray(white ? 1.0f : 0.0f) : shadowColor_;
        context->setColor(*shade);
        {
            // Everything the text sets takes the shadow's colour.
            TextForcedColorScope shadow(shade);
            flow_->drawSelfInView(paint, this, b, 0, 0x7FFFFFFF, white);
        }
        context->grestore();
        resetAll(*context);
    }
    if (flow_)
        textContinues_ = flow_->drawSelfInView(paint, this, b, 0, 0x7FFFFFFF, white);
    if (screen && document && document->showTextRects() && isPageLayoutDocument(document))
        drawContinueIfNeeded(paint, rect);
    context->grestore();
    context->grestore();
    resetAll(*context);
    finishDrawing();
    setDirty(false);
    return true;
}

bool TextItem::drawSelfInView(const Paint& paint, const kit::Rect& rect, int fromParagraph, int toParagraph)
{
    if (!shouldDrawInRect(rect) && !isTransformed())
        return false;
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return false;
    const LayoutDocument* document = pageDocument();
    if (flow_)
        flow_->layoutThrough(this);
    setGray(*context, 1.0f);
    context->gsave();
    kit::Rect b;
    if (!isTransformed()) {
        b = updateBoundsAtZoom(zoomOf(paint));
        b = kit::intersectionRect(b, rect);
        context->rectclip(b);
        context->rectfill(b);
        b = kit::offsetRect(b, -frame_.origin.x, -frame_.origin.y);
        context->translate(frame_.origin.x, frame_.origin.y);
    } else {
        context->translate(frame_.origin.x, frame_.origin.y);
        fromParagraph = startParagraph();
        toParagraph = endParagraph();
        const float left = hangLeft();
        b = kit::makeRect(-left, 0.0f, left + frame_.size.width + hangRight(), frame_.size.height);
        float m[4];
        getMatrix(m);
        context->concat(kit::Matrix{m[0], m[1], m[2], m[3], 0, 0});
        context->rectfill(b);
    }
    if (document && document->showTextRects()) {
        context->setgray(LightGray);
        context->setlinewidth(0.0f);
        context->rectstroke(0.0f, 0.0f, frame_.size.width, frame_.size.height);
    }
    // The white fill is not the text's colour: the flow sets its own.
    context->forgetCachedState(kit::CachedColor);
    if (flow_)
        textContinues_ = flow_->drawSelfInView(paint, this, b, fromParagraph, toParagraph, false);
    context->grestore();
    setDirty(false);
    return true;
}

void TextItem::drawParagraphsInView(const Paint& paint, int from, int to)
{
    kit::Rect all;
    all = updateBoundsAtZoom(zoomOf(paint));
    drawSelfInView(paint, all, from, to);
}

bool TextItem::drawFastInView(const Paint& paint, const kit::Rect& rect)
{
    if (!shouldDrawInRect(rect))
        return false;
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return false;
    const StyleGraphic* style = graphicStyle();
    if (style && (style->hasFill() || style->hasLine()))
        ItemBox::drawSelfInView(paint, rect);
    context->gsave();
    context->setgray(0.0f);
    kit::Rect area = frame_;
    if (isTransformed()) {
        float m[4];
        getMatrix(m);
        context->translate(frame_.origin.x, frame_.origin.y);
        context->concat(kit::Matrix{m[0], m[1], m[2], m[3], 0, 0});
        area.origin = kit::makePoint(0.0f, 0.0f);
    }
    RectList* bars = RectList::new_();
    bars->empty();
    for (float y = area.origin.y; y < kit::maxY(area); y += FastLinePitch)
        bars->addRectSendIfFull(kit::makeRect(area.origin.x, y, area.size.width, FastBarHeight), RectListFill);
    bars->sendRect(RectListFill);
    bars->empty();
    context->grestore();
    resetColor(*context);
    return true;
}

void TextItem::quickRedrawStart(TextItem** column, int* paragraph)
{
    TextItem* from = this;
    int first = startParagraph();
    const TextSelection* selection = flow_ ? flow_->textSelection() : nullptr;
    if (selection && !selection->isEmpty() && (first < 0 || selection->startParagraph() < first)) {
        first = selection->startParagraph();
        from = flow_->item(this, &selection->start());
    } else if (flow_ && (!selection || selection->isEmpty())) {
        // The caret's paragraph may show in an earlier column (a click in
        // an empty column after the text puts the caret at its end).
        textPoint caret{};
        flow_->getCurrentTextPoint(&caret);
        if (caret.paragraph >= 0 && (first < 0 || caret.paragraph < first)) {
            first = caret.paragraph;
            from = flow_->item(this, &caret);
        }
    }
    // The first paragraph may begin in an earlier column (a change that
    // lengthened it runs it on into this one): its start shows there.
    const auto earlierInChain = [&](TextItem* earlier) {
        if (earlier && from && earlier != from)
            for (TextItem* c = earlier->nextColumn(); c && c != earlier; c = c->nextColumn())
                if (c == from) {
                    from = earlier;
                    break;
                }
    };
    if (const TextParagraph* own = flow_ && first >= 0 ? flow_->paragraphAtIndex(first) : nullptr)
        earlierInChain(own->firstItem());
    // The change may have moved the first paragraph on from the column its
    // predecessor ends in (or back into it): that column shows it too, or
    // showed it last.
    const TextParagraph* before = flow_ && first > 0 ? flow_->paragraphAtIndex(first - 1) : nullptr;
    earlierInChain(before ? before->lastItem() : nullptr);
    if (column)
        *column = from;
    if (paragraph)
        *paragraph = first;
}

void TextItem::redrawQuickInView(DocumentView* view)
{
    if (disableRedraw)
        return;
    LayoutDocument* document = pageDocument();
    if (!document)
        return;
    TextItem* from = nullptr;
    int first = 0;
    quickRedrawStart(&from, &first);
    document->notifyUpdate(view, kit::Rect{}, from, nullptr, first, 2147483647);
}

TextItem::ContinueMarker TextItem::continueMarker() const
{
    if (nextColumn_)
        return ContinueMarker::Next;
    if (flow_ && endPoint_.paragraph >= 0) {
        textPoint last{};
        flow_->lastTextPoint(&last);
        if (TextPointCmp(&last, &endPoint_) > 0)
            return ContinueMarker::Plus;
    }
    return ContinueMarker::None;
}

void TextItem::drawContinueIfNeeded(const Paint& paint, const kit::Rect& rect)
{
    (void)rect;
    if (!isSelected() || isDisplay())
        return;
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return;
    const float zoom = zoomOf(paint);
    kit::Rect r;
    getTContinueRect(this, zoom, &r, false);
    // In the column's translated coordinates.
    r = kit::offsetRect(r, -frame_.origin.x, -frame_.origin.y);
    context->gsave();
    context->setgray(DarkGray);
    context->setlinewidth(0.0f);
    context->rectstroke(r.origin.x, r.origin.y, r.size.width, r.size.height);
    const float cx = kit::midX(r), cy = kit::midY(r);
    const float arm = r.size.width / 4.0f;
    switch (continueMarker()) {
    case ContinueMarker::Next:
        // An arrow into the next column.
        context->moveto(cx - arm, cy - arm);
        context->lineto(cx + arm, cy);
        context->lineto(cx - arm, cy + arm);
        context->closepath();
        context->fill();
        break;
    case ContinueMarker::Plus:
        context->moveto(cx - arm, cy);
        context->lineto(cx + arm, cy);
        context->moveto(cx, cy - arm);
        context->lineto(cx, cy + arm);
        context->stroke();
        break;
    case ContinueMarker::None:
        break;
    }
    context->grestore();
}
