#include "items/ItemBox.h"

#include "foundation/ApplicationDelegate.h"
#include "foundation/CMGeometry.h"
#include "foundation/Preferences.h"
#include "foundation/PSWrappers.h"
#include "foundation/StyleGraphic.h"
#include "graphics/DrawContext.h"
#include "items/KnobProcs.h"

#include <algorithm>
#include <typeinfo>

namespace {

constexpr float NSBlack = 0.0f;
constexpr float NSDarkGray = 1.0f / 3.0f;
constexpr float WhiteModeGray = 0.8f;
constexpr float HitLineWidth = 10.0f;
constexpr float HitMiterLimit = 4.0f;

// The setbbox operator travels with the coordinates in a hit procedure's path.
constexpr unsigned char RectPathOps[6] = {0, 1, 3, 3, 3, 10};

} // namespace

const GxDash ItemBox::hiddenBorderDash = {2, 0.0f, {0.01f, 2.997f, 0, 0, 0, 0, 0, 0}};

ItemBox::ItemBox()
{
    adoptGraphicStyle(std::make_unique<StyleGraphic>());
    Preferences* prefs = Main ? Main->preferences() : nullptr;
    if (!prefs)
        return;
    if (prefs->hasFill()) {
        graphicStyle()->setFillColor(kit::Color::whiteColor());
        graphicStyle()->setHasFill(true);
    } else {
        graphicStyle()->setHasFill(false);
    }
    if (prefs->hasLine()) {
        graphicStyle()->setLineWidth(prefs->lineWidth());
        graphicStyle()->setLineColor(kit::Color::colorWithDeviceCyan(0, 0, 0, 1, 1));
    }
    graphicStyle()->setHasLine(prefs->hasLine());
}

ItemBox::~ItemBox() = default;

void ItemBox::calcUpdateBounds(kit::Rect* rect) const
{
    const StyleGraphic* style = graphicStyle();
    const bool line = style && style->hasLine();
    const bool fill = style && style->hasFill();
    if (line) {
        const float grow = 1.0f + style->lineWidth() / 2.0f;
        *rect = kit::insetRect(*rect, -grow, -grow);
    } else if (!fill) {
        *rect = kit::insetRect(*rect, -1.0f, -1.0f);
    }
    Item::calcUpdateBounds(rect);
}

bool ItemBox::drawSelfInView(const Paint& paint, const kit::Rect& bounds)
{
    prepareForDrawing();
    const bool drawn = renderInView(paint, bounds, false, 0);
    finishDrawing();
    return drawn;
}

bool ItemBox::whiteSelfInView(const Paint& paint, const kit::Rect& bounds)
{
    return renderInView(paint, bounds, false, 1);
}

bool ItemBox::clipSelfInView(const Paint& paint, const kit::Rect& bounds)
{
    return renderInView(paint, bounds, true, 0);
}

bool ItemBox::drawFastInView(const Paint& paint, const kit::Rect& bounds)
{
    return ItemBox::drawSelfInView(paint, bounds);
}

void ItemBox::strokeHiddenBorder(kit::DrawContext& context, const float* matrix, int white) const
{
    setGray(context, white ? WhiteModeGray : NSBlack);
    setLineWidth(context, 0.0005f);
    setLineDash(context, &hiddenBorderDash);
    CMFrameRectWithMatrix(&frame_, matrix, nullptr);
}

bool ItemBox::renderInView(const Paint& paint, const kit::Rect& bounds, bool doClip, int white)
{
    (void)paint;
    if (!shouldDrawInRect(bounds))
        return false;
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return false;
    float m[4];
    getMatrix(m);
    if (doClip) {
        if (context->isDrawingToScreen())
            strokeHiddenBorder(*context, m, white);
        if (!isTransformed()) {
            context->rectclip(frame_);
        } else {
            // The clip stays; the coordinate system comes back.
            PSWleaveMatrixOnStack();
            context->translate(frame_.origin.x, frame_.origin.y);
            context->concat(kit::Matrix{m[0], m[1], m[2], m[3], 0, 0});
            context->rectclip(0, 0, frame_.size.width, frame_.size.height);
            PSWuseMatrixFromStack();
        }
        return true;
    }
    const StyleGraphic* style = graphicStyle();
    const bool line = style && style->hasLine();
    bool painted = false;
    if (itFlags_.dropShadow) {
        kit::Rect shadow = frame_;
        if (line)
            shadow = kit::insetRect(shadow, -style->lineWidth() / 2.0f, -style->lineWidth() / 2.0f);
        shadow = kit::offsetRect(shadow, shadowOffset_.x, shadowOffset_.y);
        if (white)
            setGray(*context, WhiteModeGray);
        else if (shadowColor_)
            setColor(*context, *shadowColor_);
        CMRectFillWithMatrixAtPoint(&shadow, m, nullptr, &shadow.origin);
        painted = true;
    }
    if (style && style->hasFill()) {
        style->setFillState(true);
        if (white)
            setGray(*context, WhiteModeGray);
        CMRectFillWithMatrix(&frame_, m, nullptr);
        painted = true;
    }
    if (line) {
        style->setLineState(true);
        if (white)
            setGray(*context, WhiteModeGray);
        CMFrameRectWithMatrix(&frame_, m, nullptr);
        painted = true;
    }
    if (!painted && context->isDrawingToScreen())
        strokeHiddenBorder(*context, m, white);
    resetAll(*context);
    return true;
}

void ItemBox::drawFastInView(const Paint& paint, const kit::Rect& visible, const float* matrix, const kit::Rect& frame,
                             kit::Rect* bounds)
{
    (void)paint;
    (void)visible;
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return;
    const StyleGraphic* style = graphicStyle();
    const float width = style && style->hasLine() ? style->lineWidth() : 0.0f;
    if (style && style->hasLine()) {
        setLineWidth(*context, width);
        setMiterLimit(*context, HitMiterLimit);
    } else {
        setLineWidth(*context, 0.0f);
    }
    setGray(*context, NSDarkGray);
    CMFrameRectWithMatrix(&frame, matrix ? matrix : identity, bounds);
    if (bounds)
        *bounds = kit::insetRect(*bounds, -2.0f * width, -2.0f * width);
}

float ItemBox::hitLineWidth() const
{
    const StyleGraphic* style = graphicStyle();
    const float width = style && style->hasLine() ? style->lineWidth() : 0.0f;
    return std::max(width, HitLineWidth);
}

namespace {

// Answers hit tests from geometry where nothing is being drawn.
class GeometryContext : public kit::DrawContext {
public:
    bool isDrawingToScreen() const override { return false; }
    bool isEPSOperation() const override { return false; }
};

// The current context's matrix decides what a device pixel is; without a
// current context the tests run in one of their own at 100 %.
template <class F>
bool withHitContext(F&& test)
{
    kit::DrawContext* current = kit::DrawContext::current();
    if (!current) {
        GeometryContext own;
        return test(static_cast<kit::DrawContext&>(own));
    }
    current->gsave();
    const bool hit = test(*current);
    current->grestore();
    return hit;
}

} // namespace

// Runs a hit procedure against the box's transformed outline, stroked at the
// hit line width.
template <class Procedure>
bool ItemBox::outlineHit(Procedure procedure) const
{
    float m[4];
    getMatrix(m);
    const CMRectPath outline = *CMCalcRectPathWithMatrix(&frame_, m);
    const float width = hitLineWidth();
    return withHitContext([&](kit::DrawContext& context) {
        setLineWidth(context, width);
        setMiterLimit(context, HitMiterLimit);
        int hit = 0;
        procedure(context, outline, &hit);
        return hit != 0;
    });
}

bool ItemBox::inBorder(kit::Point point, const DocumentView* view) const
{
    (void)view;
    return outlineHit([&](kit::DrawContext& context, const CMRectPath& outline, int* hit) {
        PSinboundary(context, point.x, point.y, outline.coords, 12, RectPathOps, 6, hit);
    });
}

bool ItemBox::inFill(kit::Point point, const DocumentView* view) const
{
    return Item::isHitAt(point, view);
}

bool ItemBox::isHitAt(kit::Point point, const DocumentView* view) const
{
    if (!Item::isHitAt(point, view))
        return false;
    if (doesCrop())
        return true;
    const StyleGraphic* style = graphicStyle();
    // The outline rule is the plain box's alone: subclasses are hit inside.
    if (typeid(*this) == typeid(ItemBox) && !(style && style->hasFill()))
        return inBorder(point, view);
    return true;
}

bool ItemBox::isHitInRect(const kit::Rect& rect, const DocumentView* view) const
{
    if (!Item::isHitInRect(rect, view))
        return false;
    if (doesCrop())
        return true;
    const StyleGraphic* style = graphicStyle();
    if (style && style->hasFill())
        return true;
    // The shared path buffer is copied before the outline needs it.
    const CMRectPath aperture = *CMCalcRectPath(&rect);
    return outlineHit([&](kit::DrawContext& context, const CMRectPath& outline, int* hit) {
        PSpathinboundary(context, aperture.coords, 12, RectPathOps, 6, outline.coords, 12, RectPathOps, 6, hit);
    });
}
