#include "graphics/ImageRep.h"

#include "graphics/DrawContext.h"

namespace kit {

ImageRep::~ImageRep() = default;

bool ImageRep::drawAtPoint(DrawContext& context, Point point)
{
    context.gsave();
    context.translate(point.x, point.y);
    bool drawn = draw(context);
    context.grestore();
    return drawn;
}

bool ImageRep::drawInRect(DrawContext& context, const Rect& rect)
{
    const Size s = size();
    if (s.width <= 0 || s.height <= 0 || width(rect) == 0 || height(rect) == 0)
        return false;
    context.gsave();
    context.translate(minX(rect), minY(rect));
    context.scale(width(rect) / s.width, height(rect) / s.height);
    bool drawn = draw(context);
    context.grestore();
    return drawn;
}

} // namespace kit
