#include "foundation/Paint.h"

#include "graphics/DrawContext.h"

Paint Paint::into(kit::DrawContext& context, float zoom, const kit::Rect& rect)
{
    Paint paint;
    paint.context = &context;
    paint.zoom = zoom;
    paint.screen = context.isDrawingToScreen();
    paint.rect = rect;
    return paint;
}
