// A page draws its paper and its items into the paint's context: for a page
// view, for printing, or for a thumbnail, the same way.

#include "document/Page.h"

#include "foundation/Paint.h"
#include "graphics/DrawContext.h"
#include "items/Item.h"

bool Page::drawSelfInView(const Paint& paint, const kit::Rect& rect)
{
    if (!paint.context)
        return false;
    kit::DrawContext& context = *paint.context;
    kit::DrawContext::Scope current(context);
    const kit::Rect onPage = kit::offsetRect(rect, -pageRect_.origin.x, -pageRect_.origin.y);
    context.gsave();
    const kit::Rect paper = kit::intersectionRect(rect, pageRect_);
    if (!kit::isEmptyRect(paper)) {
        context.setgray(1.0f);
        context.rectfill(paper);
    }
    context.translate(pageRect_.origin.x, pageRect_.origin.y);
    for (const auto& item : pageItems())
        if (item->shouldDrawInRect(onPage))
            item->drawSelfInView(paint, onPage);
    context.grestore();
    return true;
}
