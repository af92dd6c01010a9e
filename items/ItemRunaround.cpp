#include "items/Item.h"

#include "document/Page.h"
#include "foundation/CMGeometry.h"
#include "items/ItemBox.h"

#include <algorithm>
#include <cmath>

void Item::setRunaround(bool flag, float left, float right, float top, float bottom, int flowSide, bool recompute)
{
    if (!flag && !textRunaround_)
        return;
    if (flag && textRunaround_) {
        const Runaround& r = *textRunaround_;
        if (r.left == left && r.right == right && r.top == top && r.bottom == bottom && r.flowSide == flowSide)
            return;
    }
    if (!flag) {
        textRunaround_.reset();
    } else {
        if (!textRunaround_)
            textRunaround_ = std::make_unique<Runaround>();
        *textRunaround_ = Runaround{left, right, top, bottom, flowSide};
    }
    if (Page* page = page_.get(); recompute && page)
        page->itemDidChange(this);
}

void Item::getRunaroundValues(const kit::Object* unused, float* left, float* right, float* top, float* bottom,
                              int* flowSide) const
{
    (void)unused;
    const Runaround r = textRunaround_ ? *textRunaround_ : Runaround{};
    if (left)
        *left = r.left;
    if (right)
        *right = r.right;
    if (top)
        *top = r.top;
    if (bottom)
        *bottom = r.bottom;
    if (flowSide)
        *flowSide = r.flowSide;
}

void Item::getHorizontalDeltas(const Item* column, kit::Point p1, kit::Point p2, kit::Point p3, kit::Point p4,
                               float* leftDelta, float* rightDelta) const
{
    if (!column)
        return;
    float margin = 0.0f;
    getRunaroundValues(nullptr, &margin, nullptr, nullptr, nullptr, nullptr);
    kit::Rect columnBounds{}, itemBounds{};
    column->getFrameBounds(&columnBounds);
    getFrameBounds(&itemBounds);
    const kit::Rect overlap = kit::intersectionRect(columnBounds, itemBounds);
    if (kit::isEmptyRect(overlap))
        return;
    if (hasLine())
        margin += lineWidth() / 2.0f;
    kit::Point itemCentre{};
    if (dynamic_cast<const ItemBox*>(this))
        calcMidpoints(&itemCentre, false);
    else
        itemCentre = {kit::midX(overlap), kit::midY(overlap)};
    kit::Point columnCentre{};
    column->calcMidpoints(&columnCentre, true);
    if (std::fabs(columnCentre.x) > std::fabs(itemCentre.x)) {
        if (leftDelta)
            *leftDelta = std::max(0.0f, rightmostIntersection(column, p1, p2, p3, p4, margin));
    } else {
        if (rightDelta)
            *rightDelta = std::max(0.0f, leftmostIntersection(column, p1, p2, p3, p4, margin));
    }
}

float Item::leftmostIntersection(const Item* column, kit::Point p1, kit::Point p2, kit::Point p3, kit::Point p4,
                                 float margin) const
{
    kit::Point outline[5];
    for (int i = 0; const int knob : {6, 0, 2, 4, 6})
        getKnob(knob, &outline[i++]);
    return intersectionPoint(column, p1, p2, p3, p4, 1, outline, 5, margin);
}

float Item::rightmostIntersection(const Item* column, kit::Point p1, kit::Point p2, kit::Point p3, kit::Point p4,
                                  float margin) const
{
    kit::Point outline[5];
    for (int i = 0; const int knob : {6, 4, 2, 0, 6})
        getKnob(knob, &outline[i++]);
    return intersectionPoint(column, p1, p2, p3, p4, 2, outline, 5, margin);
}

float Item::intersectionPoint(const Item* column, kit::Point p1, kit::Point p2, kit::Point p3, kit::Point p4,
                              int side, const kit::Point* points, int count, float margin) const
{
    float result = 0.0f;
    if (!column || !points)
        return result;
    float inverse[4] = {1, 0, 0, 1};
    const bool transformed = column->isTransformed();
    if (transformed) {
        float m[4];
        column->getMatrix(m);
        invertMatrix(m, inverse);
    }
    const kit::Rect f = column->frame();
    const float shift = side == 1 ? -margin : margin;
    for (int j = 0; j + 1 < count; ++j) {
        kit::Point a{points[j].x + shift, points[j].y};
        kit::Point b{points[j + 1].x + shift, points[j + 1].y};
        if (transformed) {
            applyMatrixToPoint(&a, &f.origin, inverse);
            applyMatrixToPoint(&b, &f.origin, inverse);
        }
        struct Band {
            kit::Point from, to, far;
            float testY;
        };
        const Band bands[2] = {{p1, p2, side == 1 ? p2 : p1, p1.y}, {p3, p4, side == 1 ? p4 : p3, p3.y}};
        for (const Band& band : bands) {
            kit::Point crossing{};
            const int kind = CMLineIntersection(&band.from, &band.to, &a, &b, &crossing);
            if (kind == CMLinesIntersect) {
                result = std::max(result, CMDistance(&band.far, &crossing));
            } else if (kind == CMLinesParallel) {
                result = std::max(result, CMDistance(&band.far, &a));
            } else if (count > 2) {
                const bool outside = side == 1 ? (a.x < f.origin.x || b.x < f.origin.x)
                                               : (a.x > kit::maxX(f) || b.x > kit::maxX(f));
                const float lowY = std::min(a.y, b.y), highY = std::max(a.y, b.y);
                if (outside && band.testY > lowY && band.testY < highY)
                    result = f.size.width;
            }
        }
    }
    return result;
}
