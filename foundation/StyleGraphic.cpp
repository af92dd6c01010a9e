#include "foundation/StyleGraphic.h"

#include "foundation/StyleGraphicNamed.h"

void StyleGraphic::initialize()
{
    kit::registerClass<StyleGraphic>("StyleGraphic");
    kit::registerClass<StyleGraphicNamed>("StyleGraphicNamed");
}

StyleGraphic::StyleGraphic()
{
    allocLine();
}

StyleGraphic::~StyleGraphic() = default;

void StyleGraphic::copyInto(StyleGraphic& c) const
{
    c.doesCrop_ = doesCrop_;
    c.doNotFree_ = doNotFree_;
    c.hasFill_ = hasFill_;
    c.hasLine_ = hasLine_;
    c.hasLeftArrow_ = hasLeftArrow_;
    c.hasRightArrow_ = hasRightArrow_;
    c.definedFlags_ = definedFlags_;
    c.fill_.reset();
    c.line_.reset();
    c.leftArrow_.reset();
    c.rightArrow_.reset();
    if (fill_) {
        c.allocFill();
        GxCopyFill(c.fill_.get(), fill_.get());
    }
    if (line_) {
        c.allocLine();
        GxCopyLine(c.line_.get(), line_.get());
        if (leftArrow_) {
            c.allocLeftArrow();
            GxCopyArrow(c.leftArrow_.get(), leftArrow_.get());
        }
        if (rightArrow_) {
            c.allocRightArrow();
            GxCopyArrow(c.rightArrow_.get(), rightArrow_.get());
        }
    }
}

std::unique_ptr<StyleGraphic> StyleGraphic::copy() const
{
    auto c = std::make_unique<StyleGraphic>();
    copyInto(*c);
    return c;
}

void StyleGraphic::allocFill()
{
    if (!fill_) {
        fill_ = GxAllocFill();
        GxInitFill(fill_.get());
    }
}

void StyleGraphic::allocLine()
{
    if (!line_) {
        line_ = GxAllocLine();
        GxInitLine(line_.get());
    }
}

void StyleGraphic::allocLeftArrow()
{
    if (!leftArrow_) {
        leftArrow_ = std::make_unique<GxArrow>();
        GxInitArrow(leftArrow_.get());
    }
}

void StyleGraphic::allocRightArrow()
{
    if (!rightArrow_) {
        rightArrow_ = std::make_unique<GxArrow>();
        GxInitArrow(rightArrow_.get());
    }
}

void StyleGraphic::_cleanup()
{
    if (!hasFill_)
        freeFill();
    if (!hasLine_)
        freeLine();
    if (!hasLeftArrow_)
        freeLeftArrow();
    if (!hasRightArrow_)
        freeRightArrow();
}

// ---- Fill.

void StyleGraphic::setFillWithMask(const GxFill* fill, int mask)
{
    if (!(mask & GxFillMask))
        return;
    if (!fill) {
        freeFill();
        hasFill_ = false;
        return;
    }
    allocFill();
    if ((mask & GxFillMask) == GxFillMask) {
        GxCopyFill(fill_.get(), fill);
    } else {
        if (mask & GxFillColorMask)
            GxSetFillColor(fill_.get(), fill->color);
        if (mask & GxFillPatternMask)
            GxSetFillPattern(fill_.get(), fill->pattern);
    }
    hasFill_ = true;
}

void StyleGraphic::setHasFill(bool flag)
{
    if (flag)
        allocFill();
    hasFill_ = flag;
}

void StyleGraphic::setFillColor(const kit::ColorRef& color)
{
    allocFill();
    fill_->color = color ? color->copy() : nullptr;
    hasFill_ = true;
}

kit::ColorRef StyleGraphic::fillColor() const
{
    return hasFill() ? fill_->color : kit::Color::whiteColor();
}

void StyleGraphic::setFillPattern(std::shared_ptr<const kit::Object> pattern)
{
    allocFill();
    GxSetFillPattern(fill_.get(), std::move(pattern));
    hasFill_ = true;
}

std::shared_ptr<const kit::Object> StyleGraphic::fillPattern() const
{
    return hasFill() ? fill_->pattern : nullptr;
}

void StyleGraphic::setFillOverprint(bool flag)
{
    allocFill();
    GxSetFillOverprint(fill_.get(), flag);
}

bool StyleGraphic::fillOverprint() const
{
    return GxGetFillOverprint(fill_.get());
}

void StyleGraphic::setFillState(bool cached) const
{
    if (hasFill())
        GxSetFill(fill_.get(), cached);
}

// ---- Line.

void StyleGraphic::setLineWithMask(const GxLine* line, int mask)
{
    if (!(mask & GxLineMask))
        return;
    if (!line) {
        freeLine();
        hasLine_ = false;
        return;
    }
    allocLine();
    if ((mask & GxLineMask) == GxLineMask) {
        GxCopyLine(line_.get(), line);
    } else {
        if (mask & GxLineColorMask)
            GxSetLineColor(line_.get(), line->color);
        if (mask & GxLineWidthMask)
            GxSetLineWidth(line_.get(), line->width);
        if (mask & GxLineDashMask)
            GxSetLineDash(line_.get(), line->dash.get());
    }
    hasLine_ = true;
}

void StyleGraphic::setHasLine(bool flag)
{
    if (flag)
        allocLine();
    hasLine_ = flag;
}

void StyleGraphic::setLineColor(const kit::ColorRef& color)
{
    allocLine();
    GxSetLineColor(line_.get(), color);
    hasLine_ = true;
}

void StyleGraphic::setLineWidth(float width)
{
    allocLine();
    GxSetLineWidth(line_.get(), width);
    hasLine_ = true;
}

void StyleGraphic::setLineDash(const GxDash* dash)
{
    allocLine();
    GxSetLineDash(line_.get(), dash);
    hasLine_ = true;
}

void StyleGraphic::setLineOverprint(bool flag)
{
    allocLine();
    GxSetLineOverprint(line_.get(), flag);
}

kit::ColorRef StyleGraphic::lineColor() const
{
    return hasLine() ? line_->color : kit::Color::whiteColor();
}

float StyleGraphic::lineWidth() const
{
    return hasLine() ? line_->width : 0.0f;
}

bool StyleGraphic::lineOverprint() const
{
    return GxGetLineOverprint(line_.get());
}

const GxDash* StyleGraphic::lineDash() const
{
    return line_ ? line_->dash.get() : nullptr;
}

void StyleGraphic::setLineState(bool cached) const
{
    if (hasLine())
        GxSetLine(line_.get(), cached);
}

// ---- Arrows.

void StyleGraphic::setLeftArrow(const GxArrow* arrow)
{
    if (!arrow) {
        freeLeftArrow();
        hasLeftArrow_ = false;
        return;
    }
    allocLine();
    hasLine_ = true;
    allocLeftArrow();
    GxCopyArrow(leftArrow_.get(), arrow);
    hasLeftArrow_ = true;
}

void StyleGraphic::setRightArrow(const GxArrow* arrow)
{
    if (!arrow) {
        freeRightArrow();
        hasRightArrow_ = false;
        return;
    }
    allocLine();
    hasLine_ = true;
    allocRightArrow();
    GxCopyArrow(rightArrow_.get(), arrow);
    hasRightArrow_ = true;
}

void StyleGraphic::setLeftArrowWithMask(const GxArrow* arrow, int mask)
{
    if (mask & GxLeftArrowMask)
        setLeftArrow(arrow);
}

void StyleGraphic::setRightArrowWithMask(const GxArrow* arrow, int mask)
{
    if (mask & GxRightArrowMask)
        setRightArrow(arrow);
}

void StyleGraphic::setHasLeftArrow(bool flag)
{
    if (flag) {
        allocLine();
        hasLine_ = true;
        allocLeftArrow();
    }
    hasLeftArrow_ = flag;
}

void StyleGraphic::setHasRightArrow(bool flag)
{
    if (flag) {
        allocLine();
        hasLine_ = true;
        allocRightArrow();
    }
    hasRightArrow_ = flag;
}

kit::Rect StyleGraphic::arrowRect(const GxArrow* arrow) const
{
    kit::Rect r;
    if (!line_ || !arrow || !GxGetArrowRect(arrow, &r, line_->width))
        return kit::Rect{};
    return r;
}

kit::Rect StyleGraphic::leftArrowRect() const
{
    return hasLeftArrow() ? arrowRect(leftArrow_.get()) : kit::Rect{};
}

kit::Rect StyleGraphic::rightArrowRect() const
{
    return hasRightArrow() ? arrowRect(rightArrow_.get()) : kit::Rect{};
}

std::optional<std::string> StyleGraphic::styleName() const
{
    return stringForKey("No Style");
}

StyleGraphic* StyleGraphic::takeStyleValuesFrom(const StyleGraphic* other)
{
    if (!other || other == this)
        return this;
    setDoesCrop(other->doesCrop());
    setFill(other->hasFill() ? other->fill() : nullptr);
    setFillOverprint(other->fillOverprint());
    setLine(other->hasLine() ? other->line() : nullptr);
    setLeftArrow(other->hasLeftArrow() ? other->leftArrow() : nullptr);
    setRightArrow(other->hasRightArrow() ? other->rightArrow() : nullptr);
    return this;
}

int StyleGraphic::differencesFromStyle(const StyleGraphic* other) const
{
    if (!other)
        return 0;
    int diff = 0;
    if (hasFill_ != other->hasFill())
        diff |= GxFillMask;
    else
        diff |= GxGetFillDifferences(fill_.get(), other->fill_.get());
    if (hasLine_ != other->hasLine())
        diff |= GxLineMask;
    else
        diff |= GxGetLineDifferences(line_.get(), other->line_.get());
    if (doesCrop_ != other->doesCrop_)
        diff |= GxCropMask;
    if (!GxEqualArrow(leftArrow_.get(), other->leftArrow_.get()))
        diff |= GxLeftArrowMask;
    if (!GxEqualArrow(rightArrow_.get(), other->rightArrow_.get()))
        diff |= GxRightArrowMask;
    return diff;
}
