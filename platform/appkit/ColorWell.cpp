#include "appkit/ColorWell.h"

#include "appkit/ColorPanel.h"
#include "graphics/DrawContext.h"

namespace kit {

namespace {

// The bezel around the colour, as wide as a button's.
constexpr float BezelInset = 5;

} // namespace

ColorWell::ColorWell(const Rect& frame) : Control(frame), color_(Color::whiteColor())
{
    setCell(std::make_unique<Cell>());
    cell()->setBordered(true);
}

ColorWell::~ColorWell()
{
    if (active_)
        if (ColorPanel* panel = ColorPanel::sharedColorPanel(false))
            panel->deactivateWell(this);
}

void ColorWell::setColor(ColorRef color)
{
    if (!color)
        color = Color::whiteColor();
    color_ = std::move(color);
    setNeedsDisplay(true);
    if (active_)
        if (ColorPanel* panel = ColorPanel::sharedColorPanel(false))
            panel->setColor(color_);
}

void ColorWell::activate(bool exclusive)
{
    if (!isEnabled())
        return;
    ColorPanel* panel = ColorPanel::sharedColorPanel(true);
    panel->activateWell(this, exclusive);
    panel->setColor(color_);
    panel->orderFront();
}

void ColorWell::deactivate()
{
    if (!active_)
        return;
    if (ColorPanel* panel = ColorPanel::sharedColorPanel(false))
        panel->deactivateWell(this);
    active_ = false;
    setNeedsDisplay(true);
}

bool ColorWell::isBordered() const
{
    return cell()->isBordered();
}

void ColorWell::setBordered(bool flag)
{
    cell()->setBordered(flag);
}

void ColorWell::setEnabled(bool flag)
{
    if (!flag)
        deactivate();
    Control::setEnabled(flag);
}

void ColorWell::colorPanelChoseColor(ColorRef color)
{
    if (!color || !active_ || !isEnabled())
        return;
    color_ = std::move(color);
    setNeedsDisplay(true);
    sendAction();
}

void ColorWell::performClick(Object*)
{
    if (!isEnabled())
        return;
    if (active_)
        deactivate();
    else
        activate(true);
}

void ColorWell::mouseDown(const Event& event)
{
    if (!isEnabled())
        return;
    bool clicked = trackMouseInRect(event, bounds(), [this](bool inside) {
        highlighted_ = inside;
        setNeedsDisplay(true);
    });
    highlighted_ = false;
    setNeedsDisplay(true);
    if (clicked)
        performClick(this);
}

void ColorWell::drawRect(const Rect&)
{
    DrawContext* context = DrawContext::current();
    if (!context)
        return;
    Rect b = bounds();
    Rect swatch = b;
    if (isBordered()) {
        // A raised bezel, white while the well is active (or pressed).
        context->setgray(active_ || highlighted_ ? 1.0f : 0.667f);
        context->rectfill(b);
        context->setgray(1.0f);
        context->rectfill(minX(b), maxY(b) - 1, width(b), 1);
        context->rectfill(minX(b), minY(b), 1, height(b));
        context->setgray(0.333f);
        context->rectfill(minX(b) + 1, minY(b), width(b) - 1, 1);
        context->rectfill(maxX(b) - 1, minY(b), 1, height(b) - 1);
        swatch = insetRect(b, BezelInset, BezelInset);
        if (width(swatch) <= 0 || height(swatch) <= 0)
            return;
        // The colour lies sunk in the bezel.
        context->setgray(0.333f);
        context->frameRect(insetRect(swatch, -1, -1), 1);
    }
    if (color_->alphaComponent() < 1.0f) {
        // What shows through a clear colour.
        context->setgray(1.0f);
        context->rectfill(swatch);
    }
    context->setColor(*color_);
    context->rectfill(swatch);
}

} // namespace kit
