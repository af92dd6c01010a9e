#include "foundation/Border.h"

#include "foundation/StyleChar.h"
#include "graphics/DrawContext.h"

#include <span>

void Border::initialize()
{
    kit::registerClass<Border>("Border");
}

float Border::defaultWidthForStyle(short style)
{
    switch (style) {
    case 5:
        return 1.5f;
    case 6:
        return 3.0f;
    case 7:
        return 0.15f;
    default:
        return 0.75f;
    }
}

int Border::dashForStyle(short style, float pattern[2])
{
    if (style == 3) {
        pattern[0] = 3.0f;
        pattern[1] = 3.0f;
        return 2;
    }
    if (style == 4) {
        pattern[0] = 1.0f;
        pattern[1] = 2.0f;
        return 2;
    }
    return 0;
}

Border::Border()
{
    for (Side* side : {&top_, &left_, &bottom_, &right_})
        setColor(*side, kit::Color::blackColor());
}

Border::~Border() = default;

std::unique_ptr<Border> Border::copy() const
{
    auto b = std::make_unique<Border>();
    b->top_ = top_;
    b->left_ = left_;
    b->bottom_ = bottom_;
    b->right_ = right_;
    b->fillColor_ = fillColor_;
    b->hasFillColor_ = hasFillColor_;
    b->areLinesEqual_ = areLinesEqual_;
    return b;
}

void Border::setStyle(Side& side, short style)
{
    if (style >= 0 && style <= 8) {
        side.style = style;
        side.width = defaultWidthForStyle(style);
    }
    areLinesEqual_ = 2;
}

void Border::setWidth(Side& side, float width)
{
    if (width != StyleMixedValue)
        side.width = width;
    areLinesEqual_ = 2;
}

void Border::setColor(Side& side, const kit::ColorRef& color)
{
    side.color = color ? color->copy() : nullptr;
    areLinesEqual_ = 2;
}

void Border::setFillColor(const kit::ColorRef& color)
{
    fillColor_ = color ? color->copy() : nullptr;
    hasFillColor_ = true;
}

kit::ColorRef Border::fillColor() const
{
    return hasFillColor_ ? fillColor_ : kit::Color::whiteColor();
}

bool Border::areLinesEqual()
{
    if (areLinesEqual_ == 2) {
        auto alike = [this](const Side& s) {
            const bool sameColor =
                s.color == top_.color || (s.color && top_.color && s.color->isEqual(*top_.color));
            return s.style == top_.style && s.width == top_.width && sameColor;
        };
        areLinesEqual_ = (alike(left_) && alike(bottom_) && alike(right_)) ? 1 : 0;
    }
    return areLinesEqual_ == 1;
}

bool Border::isEqual(const kit::Object& object) const
{
    if (&object == this)
        return true;
    const auto* other = dynamic_cast<const Border*>(&object);
    if (!other)
        return false;
    auto same = [](const Side& a, const Side& b) {
        return a.style == b.style && a.width == b.width && a.offset == b.offset && a.color == b.color;
    };
    if (!same(top_, other->top_) || !same(left_, other->left_) || !same(bottom_, other->bottom_) ||
        !same(right_, other->right_))
        return false;
    if (hasFillColor_ != other->hasFillColor_)
        return false;
    if (!hasFillColor_)
        return true;
    const kit::ColorRef& a = fillColor_;
    const kit::ColorRef& b = other->fillColor_;
    return a == b || (a && b && a->isEqual(*b));
}

void Border::takeBorderFrom(const Border* other)
{
    if (!other || other == this)
        return;
    top_ = other->top_;
    left_ = other->left_;
    bottom_ = other->bottom_;
    right_ = other->right_;
}

void Border::_drawLineStyle(short style, kit::Point from, kit::Point to, float width, const kit::ColorRef& color)
{
    kit::DrawContext* ctx = kit::DrawContext::current();
    if (!ctx)
        return;
    if (color)
        ctx->setColor(*color);
    ctx->setlinewidth(width);
    float pattern[2];
    const int n = dashForStyle(style, pattern);
    ctx->setdash(std::span<const float>(pattern, n), 0.0f);
    ctx->newpath();
    ctx->moveto(from.x, from.y);
    ctx->lineto(to.x, to.y);
    ctx->stroke();
}

void Border::drawRect(const kit::Rect& rect)
{
    kit::DrawContext* ctx = kit::DrawContext::current();
    if (!ctx)
        return;
    const float x = rect.origin.x, y = rect.origin.y, w = rect.size.width, h = rect.size.height;
    const float Tw = top_.width, Bw = bottom_.width;
    const float X = x - left_.offset;
    const float Y = y - (top_.offset - Tw / 2);
    const float W = w + left_.offset + right_.offset;
    const float H = h + top_.offset + bottom_.offset + (Bw - Tw) / 2;
    if (hasFillColor_) {
        if (fillColor_)
            ctx->setColor(*fillColor_);
        ctx->rectfill(X, Y, W, H);
    }
    if (areLinesEqual()) {
        if (top_.style != 0) {
            if (top_.color)
                ctx->setColor(*top_.color);
            ctx->setlinewidth(Tw);
            float pattern[2];
            const int n = dashForStyle(top_.style, pattern);
            ctx->setdash(std::span<const float>(pattern, n), 0.0f);
            ctx->rectstroke(X, Y, W, H);
        }
        return;
    }
    const float f = Y - Tw / 2;
    if (top_.style != 0)
        _drawLineStyle(top_.style, {X, Y}, {X + W, Y}, top_.width, top_.color);
    if (left_.style != 0)
        _drawLineStyle(left_.style, {X, f + H + Bw / 2}, {X, f}, left_.width, left_.color);
    if (bottom_.style != 0)
        _drawLineStyle(bottom_.style, {X + W, Y + H}, {X, Y + H}, bottom_.width, bottom_.color);
    if (right_.style != 0)
        _drawLineStyle(right_.style, {X + W, f}, {X + W, f + H + Bw / 2}, right_.width, right_.color);
}
