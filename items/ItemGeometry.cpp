#include "items/Item.h"

#include "document/Page.h"
#include "foundation/CMGeometry.h"
#include "text/DocumentView.h"

#include <algorithm>
#include <cmath>

namespace {

bool isFiniteMatrix(const float* m)
{
    return std::isfinite(m[0]) && std::isfinite(m[1]) && std::isfinite(m[2]) && std::isfinite(m[3]);
}

// A singular matrix flattens the item to a line or a point, which has no
// inverse and no outline to hit or draw: refused.
bool isUsableMatrix(const float* m)
{
    return isFiniteMatrix(m) && m[0] * m[3] - m[1] * m[2] != 0.0f;
}

kit::Rect boundsOf(const kit::Point* points, int count)
{
    kit::Rect r{};
    CMGetBoundingRect(&r, points, count);
    return r;
}

// w / h, or 1 for a rectangle without height (no ratio to keep).
float ratioOf(const kit::Size& size)
{
    const float r = size.width / size.height;
    return (size.height != 0.0f && std::isfinite(r) && r != 0.0f) ? r : 1.0f;
}

} // namespace

kit::Point getKnobPoint(const kit::Rect& rect, int knob)
{
    const float x = rect.origin.x, y = rect.origin.y, w = rect.size.width, h = rect.size.height;
    switch (knob) {
    case 0: return {x, y};
    case 1: return {x + w / 2, y};
    case 2: return {x + w, y};
    case 3: return {x + w, y + h / 2};
    case 4: return {x + w, y + h};
    case 5: return {x + w / 2, y + h};
    case 6: return {x, y + h};
    case 7: return {x, y + h / 2};
    default: return {x, y};
    }
}

kit::Point getKnobPointWithMatrix(const kit::Rect& rect, int knob, const float* matrix)
{
    kit::Point p = getKnobPoint(rect, knob);
    applyMatrixToPoint(&p, &rect.origin, matrix);
    return p;
}

bool isScaleMatrix(const float* m)
{
    return m[0] >= 0.0f && m[3] >= 0.0f && std::fabs(m[1]) <= 5e-6f && std::fabs(m[2]) <= 5e-6f;
}

void getKnobSizesForScale(float scale, float* outer, float* inner)
{
    if (!(scale > 0.0f) || !std::isfinite(scale))
        scale = 1.0f;
    *outer = 100.0f / scale * 8.3333333f;
    *inner = 100.0f / scale * 5.0f;
}

// ---- Frame.

kit::Rect Item::bounds() const
{
    return {{0, 0}, frame_.size};
}

float Item::currentRatio() const
{
    return ratioOf(frame_.size);
}

float Item::naturalRatio() const
{
    return ratioOf(frame_.size);
}

void Item::setFrame(const kit::Rect& frame, bool recompute)
{
    sizeTo(frame.size.width, frame.size.height, recompute);
    moveTo(frame.origin.x, frame.origin.y, recompute);
}

void Item::moveTo(float x, float y, bool recompute)
{
    const float dx = x - frame_.origin.x, dy = y - frame_.origin.y;
    frame_.origin = {x, y};
    if (info_ && itFlags_.infoMode >= 1) {
        info_->bounds.origin.x += dx;
        info_->bounds.origin.y += dy;
        if (itFlags_.infoMode >= 2)
            for (kit::Point& p : info_->knobs)
                p.x += dx, p.y += dy;
        if (itFlags_.infoMode == 3)
            for (kit::Point& p : info_->corners)
                p.x += dx, p.y += dy;
    }
    if (Page* page = page_.get(); recompute && page)
        page->itemDidChange(this);
}

void Item::moveBy(float dx, float dy)
{
    setFrameOrigin({frame_.origin.x + dx, frame_.origin.y + dy});
}

void Item::sizeTo(float width, float height, bool recompute)
{
    frame_.size = {width, height};
    calcInfo(recompute);
}

void Item::sizeBy(float dw, float dh)
{
    setFrameSize({frame_.size.width + dw, frame_.size.height + dh});
}

void Item::setInfoMode(unsigned mode)
{
    itFlags_.infoMode = mode & 3u;
}

float* Item::_allocateMInfo()
{
    if (itFlags_.infoMode < 2) {
        // From mode 1 the drawn bounds are recomputed by the next calcInfo.
        const unsigned mode = itFlags_.infoMode == 0 ? 2u : 3u;
        info_ = std::make_unique<ItemInfo>();
        setInfoMode(mode);
    }
    return info_->matrix;
}

void Item::getMatrix(float* matrix) const
{
    const float* m = isTransformed() && info_ ? info_->matrix : identity;
    std::copy(m, m + 4, matrix);
}

void Item::setMatrix(const float* matrix)
{
    if (!matrix || !isUsableMatrix(matrix))
        return;
    float* m = _allocateMInfo();
    std::copy(matrix, matrix + 4, m);
    calcInfo();
}

void Item::postConcatMatrix(const float* matrix)
{
    if (!matrix || !isUsableMatrix(matrix))
        return;
    float product[4];
    std::copy(matrix, matrix + 4, product);
    float current[4];
    getMatrix(current);
    concatMatrix(current, product);
    if (!isUsableMatrix(product))
        return;
    float* m = _allocateMInfo();
    std::copy(product, product + 4, m);
    calcInfo();
}

void Item::rotateByAngle(float degrees)
{
    if (degrees == 0.0f)
        return;
    float m[4];
    getRotationMatrix(degrees, m);
    postConcatMatrix(m);
}

void Item::shear(float sx, float sy)
{
    float m[4];
    getShearMatrix(sx, sy, m);
    postConcatMatrix(m);
}

void Item::scaleUnitSquareToSize(kit::Size scale)
{
    const float sx = scale.width, sy = scale.height;
    // A zero factor would flatten the item, on the size path and the matrix path alike.
    if (sx == 0.0f || sy == 0.0f || !std::isfinite(sx) || !std::isfinite(sy))
        return;
    if (sx < 0.0f || sy < 0.0f) {
        float m[4];
        getScaleMatrix(sx, sy, m);
        postConcatMatrix(m);
    } else {
        setFrameSize({frame_.size.width * sx, frame_.size.height * sy});
    }
    if (doesScaleLineWidth() && hasLine()) {
        const float factor = getLineWidthScale(sx, sy);
        if (factor != 1.0f)
            setLineWidth(lineWidth() * factor);
    }
}

void Item::flip(int direction)
{
    float m[4];
    getMatrix(m);
    const kit::Point centre{kit::midX(frame_), kit::midY(frame_)};
    kit::Point c0 = centre;
    applyMatrixToPoint(&c0, &frame_.origin, m);
    float mirror[4];
    if (direction == 1)
        getScaleMatrix(-1.0f, 1.0f, mirror);
    else
        getScaleMatrix(1.0f, -1.0f, mirror);
    postConcatMatrix(mirror);
    getMatrix(m);
    kit::Point c1 = centre;
    applyMatrixToPoint(&c1, &frame_.origin, m);
    moveBy(c0.x - c1.x, c0.y - c1.y);
}

void Item::makeNatural()
{
    float m[4], inverse[4];
    getMatrix(m);
    invertMatrix(m, inverse);
    const float r = naturalRatio();
    const float naturalHeight = (r > 0.0f && std::isfinite(r)) ? frame_.size.width / r : frame_.size.height;
    kit::Point c{frame_.origin.x + frame_.size.width / 2, frame_.origin.y + naturalHeight / 2};
    applyMatrixToPoint(&c, &frame_.origin, m);
    kit::Point o = frame_.origin;
    applyMatrixToPoint(&o, &c, inverse);
    postConcatMatrix(inverse);
    setFrameOrigin(o);
}

bool Item::getRotation(float* degrees) const
{
    *degrees = 0.0f;
    if (!isTransformed() || !info_)
        return true;
    const float* m = info_->matrix;
    const double t1 = std::atan2(m[2], m[0]);
    const double t2 = std::atan2(-m[1], m[3]);
    if (std::fabs(t1 - t2) >= 5e-6)
        return false;
    *degrees = static_cast<float>(180.0 * t1 / M_PI);
    return true;
}

bool Item::getScale(float* sx, float* sy) const
{
    *sx = 1.0f;
    *sy = 1.0f;
    return true;
}

// ---- The info record.

void Item::calcUpdateBounds(kit::Rect* rect) const
{
    if (!itFlags_.dropShadow)
        return;
    float m[4], inverse[4];
    getMatrix(m);
    invertMatrix(m, inverse);
    kit::Point offset = shadowOffset_;
    const kit::Point zero{0, 0};
    applyMatrixToPoint(&offset, &zero, inverse);
    *rect = kit::unionRect(*rect, kit::offsetRect(*rect, offset.x, offset.y));
}

void Item::calcInfo(bool recompute)
{
    unsigned mode = itFlags_.infoMode;
    if (mode >= 2 && (!info_ || isScaleMatrix(info_->matrix))) {
        info_.reset();
        mode = 0;
    }
    kit::Rect r = frame_;
    setInfoMode(mode); // calcUpdateBounds reads the matrix of the current mode
    calcUpdateBounds(&r);
    const bool differs = !kit::equalRects(r, frame_);
    if (differs) {
        if (mode == 0) {
            info_ = std::make_unique<ItemInfo>();
            mode = 1;
        } else if (mode == 2) {
            mode = 3;
        }
    } else {
        if (mode == 1) {
            info_.reset();
            mode = 0;
        } else if (mode == 3) {
            mode = 2;
        }
    }
    if (mode == 3) {
        const kit::Point corners[4] = {{r.origin.x, r.origin.y},
                                       {r.origin.x, kit::maxY(r)},
                                       {kit::maxX(r), kit::maxY(r)},
                                       {kit::maxX(r), r.origin.y}};
        for (int i = 0; i < 4; ++i) {
            info_->corners[i] = corners[i];
            applyMatrixToPoint(&info_->corners[i], &frame_.origin, info_->matrix);
        }
    }
    if (mode >= 2)
        for (int i = 0; i < 8; ++i)
            info_->knobs[i] = getKnobPointWithMatrix(frame_, i, info_->matrix);
    if (mode == 1)
        info_->bounds = r;
    else if (mode == 2)
        info_->bounds = boundsOf(info_->knobs, 8);
    else if (mode == 3)
        info_->bounds = boundsOf(info_->corners, 4);
    setInfoMode(mode);
    if (Page* page = page_.get(); recompute && page)
        page->itemDidChange(this);
}

void Item::getFrameBounds(kit::Rect* rect) const
{
    if (isTransformed() && info_)
        *rect = boundsOf(info_->knobs, 8);
    else
        *rect = frame_;
}

void Item::getUpdateBounds(kit::Rect* rect, const DocumentView* view) const
{
    (void)view;
    *rect = (itFlags_.infoMode == 0 || !info_) ? frame_ : info_->bounds;
}

void Item::getUpdateBounds(kit::Rect* rect, const DocumentView* view, bool knobs) const
{
    getUpdateBounds(rect, view);
    if (!knobs)
        return;
    convertToView(&rect->origin);
    // Without a view there is no zoom to size the knobs by: no margin rather
    // than an infinite one.
    const float zoom = view ? view->zoom() : 0.0f;
    if (isSelected() && zoom > 0.0f) {
        const float grow = 5.0f / (2.0f * zoom);
        *rect = kit::insetRect(*rect, -grow, -grow);
    }
}

void Item::getKnob(int index, kit::Point* point) const
{
    if (index < 0 || index > 7)
        return;
    *point = (isTransformed() && info_) ? info_->knobs[index] : getKnobPoint(frame_, index);
}

void Item::getKnobPoints(kit::Point* points) const
{
    for (int i = 0; i < 8; ++i)
        getKnob(i, &points[i]);
}

// ---- Outline tests.

bool clipt(float denominator, float numerator, float* tIn, float* tOut)
{
    if (denominator > 0.0f) {
        const float t = numerator / denominator;
        if (t > *tOut)
            return false;
        if (t > *tIn)
            *tIn = t;
        return true;
    }
    if (denominator < 0.0f) {
        const float t = numerator / denominator;
        if (t < *tIn)
            return false;
        if (t < *tOut)
            *tOut = t;
        return true;
    }
    return numerator <= 0.0f;
}

bool lineDoesIntersectRect(kit::Point p0, kit::Point p1, const kit::Rect& rect)
{
    if (p0.x == p1.x && p0.y == p1.y)
        return false;
    const float dx = p1.x - p0.x, dy = p1.y - p0.y;
    float tIn = 0.0f, tOut = 1.0f;
    return clipt(dx, kit::minX(rect) - p0.x, &tIn, &tOut) && clipt(-dx, p0.x - kit::maxX(rect), &tIn, &tOut) &&
           clipt(dy, kit::minY(rect) - p0.y, &tIn, &tOut) && clipt(-dy, p0.y - kit::maxY(rect), &tIn, &tOut);
}

bool polygonDoesIntersectRect(const kit::Point* points, int count, int step, const kit::Rect& rect)
{
    if (!points || count < 2 || step < 1)
        return false;
    for (int i = 0; i < count; i += step)
        if (lineDoesIntersectRect(points[i], points[(i + step) % count], rect))
            return true;
    const kit::Point o = rect.origin;
    int sign = 0;
    for (int i = 0; i < count; i += step) {
        const kit::Point& a = points[i];
        const kit::Point& b = points[(i + step) % count];
        const float cross = (o.x - a.x) * (b.y - a.y) - (o.y - a.y) * (b.x - a.x);
        const int s = cross > 0.0f ? 1 : (cross < 0.0f ? -1 : 0);
        if (s == 0)
            return false;
        if (sign == 0)
            sign = s;
        else if (s != sign)
            return false;
    }
    return true;
}

bool Item::_frameDoesIntersectRect(const kit::Rect& rect) const
{
    if (!info_ || itFlags_.infoMode < 2)
        return kit::intersectsRect(itFlags_.infoMode == 1 && info_ ? info_->bounds : frame_, rect);
    if (itFlags_.infoMode == 2)
        return polygonDoesIntersectRect(info_->knobs, 8, 2, rect);
    return polygonDoesIntersectRect(info_->corners, 4, 1, rect);
}

void constrainPointToRect(kit::Point* point, kit::Point* knobPoint, const kit::Rect& rect, int knob)
{
    switch (knob) {
    case 1:
        point->x = rect.origin.x;
        knobPoint->y = point->y;
        break;
    case 3:
        point->y = rect.origin.y;
        knobPoint->x = point->x;
        break;
    case 5:
        point->x = kit::maxX(rect);
        knobPoint->y = point->y;
        break;
    case 7:
        point->y = kit::maxY(rect);
        knobPoint->x = point->x;
        break;
    default:
        *knobPoint = *point;
        break;
    }
}

// ---- Hit tests.

bool Item::isHitAt(kit::Point point, const DocumentView* view) const
{
    (void)view;
    if (itFlags_.infoMode == 0 || !info_)
        return kit::mouseInRect(point, frame_, true);
    if (itFlags_.infoMode == 1)
        return kit::mouseInRect(point, info_->bounds, true);
    const kit::Rect small{point, {1, 1}};
    return kit::intersectsRect(small, info_->bounds) && _frameDoesIntersectRect(small);
}

bool Item::inFill(kit::Point point, const DocumentView* view) const
{
    // The item's own point test: a class that refines isHitAt without an
    // inside of its own (a group, a placed picture) answers the same here.
    return isHitAt(point, view);
}

bool Item::isHitInRect(const kit::Rect& rect, const DocumentView* view) const
{
    (void)view;
    if (isLocked())
        return false;
    if (itFlags_.infoMode == 0 || !info_)
        return kit::intersectsRect(frame_, rect);
    if (itFlags_.infoMode == 1)
        return kit::intersectsRect(info_->bounds, rect);
    return kit::intersectsRect(info_->bounds, rect) && _frameDoesIntersectRect(rect);
}

int Item::isHitAtKnob(kit::Point point, const DocumentView* view) const
{
    if (isLocked())
        return -1;
    float zoom = view ? view->zoom() : CMZoomStatus;
    if (!(zoom > 0.0f) || !std::isfinite(zoom))
        zoom = 1.0f;
    const float s = 6.0f / zoom;
    const int count = std::min(numKnobs(), 8);
    for (int i = 0; i < count; ++i) {
        kit::Point k{};
        getKnob(i, &k);
        const kit::Rect square{{k.x - s / 2, k.y - s / 2}, {s, s}};
        if (kit::mouseInRect(point, square, true))
            return i;
    }
    return -1;
}

void Item::calcMidpoints(kit::Point* point, bool inverted) const
{
    *point = {kit::midX(frame_), kit::midY(frame_)};
    if (!isTransformed())
        return;
    float m[4], use[4];
    getMatrix(m);
    if (inverted)
        invertMatrix(m, use);
    else
        std::copy(m, m + 4, use);
    applyMatrixToPoint(point, &frame_.origin, use);
}
