#pragma once

// The border and shading of a paragraph: a line on each side, each with its
// own style, width, distance from the text and colour, and a fill colour.

#include "core/Color.h"
#include "core/Geometry.h"
#include "core/Object.h"

#include <memory>

class Border : public kit::Object {
public:
    struct Side {
        short style = 0;
        float width = 0.0f;
        float offset = 0.0f;
        kit::ColorRef color;
    };

    static void initialize();
    // 5: 1.5, 6: 3.0, 7: 0.15, any other 0.75 points.
    static float defaultWidthForStyle(short style);
    // The dash of a line style: (3, 3) for style 3, (1, 2) for style 4,
    // solid (count 0) for the others.
    static int dashForStyle(short style, float pattern[2]);

    Border();
    ~Border() override;

    // All seven fields; colours are shared.
    std::unique_ptr<Border> copy() const;

    void setTopStyle(short style) { setStyle(top_, style); }
    void setLeftStyle(short style) { setStyle(left_, style); }
    void setBottomStyle(short style) { setStyle(bottom_, style); }
    void setRightStyle(short style) { setStyle(right_, style); }
    void setTopWidth(float width) { setWidth(top_, width); }
    void setLeftWidth(float width) { setWidth(left_, width); }
    void setBottomWidth(float width) { setWidth(bottom_, width); }
    void setRightWidth(float width) { setWidth(right_, width); }
    void setTopColor(const kit::ColorRef& color) { setColor(top_, color); }
    void setLeftColor(const kit::ColorRef& color) { setColor(left_, color); }
    void setBottomColor(const kit::ColorRef& color) { setColor(bottom_, color); }
    void setRightColor(const kit::ColorRef& color) { setColor(right_, color); }
    void setTopOffset(float offset) { top_.offset = offset; }
    void setLeftOffset(float offset) { left_.offset = offset; }
    void setBottomOffset(float offset) { bottom_.offset = offset; }
    void setRightOffset(float offset) { right_.offset = offset; }

    short topStyle() const { return top_.style; }
    short leftStyle() const { return left_.style; }
    short bottomStyle() const { return bottom_.style; }
    short rightStyle() const { return right_.style; }
    float topWidth() const { return top_.width; }
    float leftWidth() const { return left_.width; }
    float bottomWidth() const { return bottom_.width; }
    float rightWidth() const { return right_.width; }
    float topOffset() const { return top_.offset; }
    float leftOffset() const { return left_.offset; }
    float bottomOffset() const { return bottom_.offset; }
    float rightOffset() const { return right_.offset; }
    const kit::ColorRef& topColor() const { return top_.color; }
    const kit::ColorRef& leftColor() const { return left_.color; }
    const kit::ColorRef& bottomColor() const { return bottom_.color; }
    const kit::ColorRef& rightColor() const { return right_.color; }

    void setFillColor(const kit::ColorRef& color);
    void removeFillColor() { hasFillColor_ = false; }
    bool hasFillColor() const { return hasFillColor_; }
    // White without a fill.
    kit::ColorRef fillColor() const;

    bool areLinesEqual();
    bool isEqual(const kit::Object& other) const override;
    void takeBorderFrom(const Border* other);

    // Around the text rectangle, in the page view's flipped coordinates.
    void drawRect(const kit::Rect& rect);
    void _drawLineStyle(short style, kit::Point from, kit::Point to, float width, const kit::ColorRef& color);

    std::string className() const override { return "Border"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    void setStyle(Side& side, short style);
    void setWidth(Side& side, float width);
    void setColor(Side& side, const kit::ColorRef& color);

    Side top_;
    Side left_;
    Side bottom_;
    Side right_;
    kit::ColorRef fillColor_;
    bool hasFillColor_ = false;
    signed char areLinesEqual_ = 2; // 0 no, 1 yes, 2 to be recomputed
};
