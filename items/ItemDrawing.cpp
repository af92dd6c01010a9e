#include "items/Item.h"

#include "foundation/CMGeometry.h"
#include "foundation/GxRecords.h"
#include "graphics/DrawContext.h"

#include <span>

// The cache rides on the context's own cached setters: the context knows
// what its graphics state holds, across gsave and grestore, so one window's
// drawing never takes another's (or a printer's) state for granted.

void Item::setColorAbsolute(kit::DrawContext& context, const kit::Color& color)
{
    context.setColor(color);
}

void Item::setColor(kit::DrawContext& context, const kit::Color& color)
{
    context.setColorCached(color);
}

void Item::setGray(kit::DrawContext& context, float gray)
{
    context.setColorCached(*kit::Color::colorWithGray(gray, 1.0f));
}

void Item::resetColor(kit::DrawContext& context)
{
    context.forgetCachedState(kit::CachedColor);
}

void Item::setLineWidth(kit::DrawContext& context, float width)
{
    context.setlinewidthCached(width);
}

void Item::resetLineWidth(kit::DrawContext& context)
{
    context.forgetCachedState(kit::CachedLineWidth);
}

void Item::setMiterLimit(kit::DrawContext& context, float limit)
{
    context.setmiterlimitCached(limit);
}

void Item::resetMiterLimit(kit::DrawContext& context)
{
    context.forgetCachedState(kit::CachedMiterLimit);
}

void Item::setLineDash(kit::DrawContext& context, const GxDash* dash)
{
    if (!dash || dash->count < 1) {
        context.setdashCached({}, 0.0f);
        return;
    }
    const int count = dash->count > GxDashMaxValues ? GxDashMaxValues : dash->count;
    context.setdashCached(std::span<const float>(dash->values, static_cast<std::size_t>(count)), dash->phase);
}

void Item::resetLineDash(kit::DrawContext& context)
{
    context.forgetCachedState(kit::CachedDash);
}

void Item::resetAll(kit::DrawContext& context)
{
    context.forgetCachedState(kit::CachedAll);
}

bool Item::shouldDrawInRect(const kit::Rect& rect) const
{
    if (!itFlags_.shown)
        return false;
    if (itFlags_.infoMode == 0 || !info_)
        return kit::intersectsRect(frame_, rect);
    if (itFlags_.infoMode == 1)
        return kit::intersectsRect(info_->bounds, rect);
    if (kit::intersectsRect(info_->bounds, rect))
        return true;
    return _frameDoesIntersectRect(rect);
}

namespace {

// Overprinting matters only on a printer's plates.
bool overprintApplies(const kit::DrawContext* context)
{
    return context && !context->isDrawingToScreen() && !context->isEPSOperation();
}

} // namespace

void Item::prepareForDrawing()
{
    kit::DrawContext* context = kit::DrawContext::current();
    if (!hasOverprint() || !overprintApplies(context))
        return;
    context->sendPostScript("true setoverprint\n");
    context->sendPostScript("0 setgray %% force overprinting to take effect\n");
}

void Item::finishDrawing()
{
    kit::DrawContext* context = kit::DrawContext::current();
    if (!hasOverprint() || !overprintApplies(context))
        return;
    context->sendPostScript("false setoverprint\n");
}

void Item::strokeFrameOutline(kit::DrawContext& context) const
{
    (void)context; // the rectangle helpers draw into the current context
    float m[4];
    getMatrix(m);
    CMFrameRectWithMatrix(&frame_, m, nullptr);
}

bool Item::drawSelfInView(const Paint& paint, const kit::Rect& bounds)
{
    return renderInView(paint, bounds, false);
}

bool Item::whiteSelfInView(const Paint& paint, const kit::Rect& bounds)
{
    return renderInView(paint, bounds, true);
}

bool Item::renderInView(const Paint& paint, const kit::Rect& bounds, bool white)
{
    (void)paint;
    (void)white;
    if (!shouldDrawInRect(bounds))
        return false;
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return false;
    prepareForDrawing();
    setLineWidth(*context, 0.0f);
    setGray(*context, 1.0f / 3.0f);
    strokeFrameOutline(*context);
    finishDrawing();
    return true;
}

bool Item::drawFastInView(const Paint& paint, const kit::Rect& bounds)
{
    (void)paint;
    if (!shouldDrawInRect(bounds))
        return false;
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return false;
    setLineWidth(*context, 0.0f);
    setGray(*context, 0.0f);
    strokeFrameOutline(*context);
    return true;
}

// ---- Drop shadow.

void Item::setDropShadow(bool flag)
{
    if (static_cast<bool>(itFlags_.dropShadow) == flag)
        return;
    itFlags_.dropShadow = flag;
    calcInfo();
}

void Item::bumpShadow(float dx, float dy)
{
    shadowOffset_.x += dx;
    shadowOffset_.y += dy;
    calcInfo();
}

void Item::setNewShadowOffset(kit::Point offset)
{
    if (offset.x == shadowOffset_.x && offset.y == shadowOffset_.y)
        return;
    shadowOffset_ = offset;
    calcInfo();
}

void Item::setNewShadowColor(const kit::ColorRef& color)
{
    // Colours are immutable: holding the same object is holding a copy.
    if (color)
        shadowColor_ = color;
}
