#include "foundation/CMGeometry.h"

#include "core/Alert.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/PSWrappers.h"
#include "graphics/DrawContext.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
constexpr float Pi = 3.1415927f;
constexpr float TwoPi = 6.2831855f;

kit::Point originOf(const kit::Rect* rect, const kit::Point* origin) { return origin ? *origin : rect->origin; }

void fillRectPath(CMRectPath& path, const kit::Point corners[4])
{
    float box[4];
    CMGetBoundingBox(box, corners, 4);
    std::copy(box, box + 4, path.coords);
    for (int i = 0; i < 4; ++i) {
        path.coords[4 + 2 * i] = corners[i].x;
        path.coords[5 + 2 * i] = corners[i].y;
    }
    std::copy(box, box + 4, path.bbox);
}

enum class RectPathAction { Stroke, Fill, Clip };

void drawRectPath(const kit::Rect* rect, const float* matrix, kit::Rect* out, const kit::Point* origin,
                  RectPathAction action)
{
    if (!rect || !matrix)
        return;
    const CMRectPath* path = CMCalcRectPathWithMatrixAtPoint(rect, matrix, origin);
    if (out)
        CMBboxToNSRect(path->bbox, out);
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return;
    // The setbbox operator travels as the box argument.
    static const unsigned char ops[5] = {1, 3, 3, 3, 10};
    const kit::UserPath userPath{std::span<const float>(path->coords + 4, 8), std::span<const unsigned char>(ops, 5)};
    const std::span<const float, 4> box(path->bbox, 4);
    if (action == RectPathAction::Clip) {
        context->doUserPath(userPath, box, kit::UserPathAction::uappend);
        context->clip();
        return;
    }
    if (context->isDrawingToScreen()) {
        context->doUserPath(userPath, box,
                            action == RectPathAction::Stroke ? kit::UserPathAction::ustroke : kit::UserPathAction::ufill);
        return;
    }
    // Printing: single operators, which every interpreter takes.
    context->gsave();
    context->newpath();
    context->moveto(path->coords[4], path->coords[5]);
    for (int i = 1; i < 4; ++i)
        context->lineto(path->coords[4 + 2 * i], path->coords[5 + 2 * i]);
    context->closepath();
    if (action == RectPathAction::Stroke)
        context->stroke();
    else
        context->fill();
    context->grestore();
}
} // namespace

float CMZoomStatus = 1.0f;
float CMShowGraphics = 1.0f;
float CMMaxImageSize = 0.75f * 1920.0f;

void CMSetMaxImageSizeForScreen(const kit::Size& screen)
{
    if (!std::isfinite(screen.width) || !std::isfinite(screen.height))
        return;
    const float side = std::max(screen.width, screen.height);
    if (side > 0)
        CMMaxImageSize = 0.75f * side;
}

// ---- Rectangles and boxes.

void CMGetBoundingBox(float* box, const kit::Point* points, int count)
{
    if (!box || !points || count <= 0)
        return;
    box[0] = box[2] = points[0].x;
    box[1] = box[3] = points[0].y;
    for (int i = 1; i < count; ++i) {
        box[0] = std::min(box[0], points[i].x);
        box[1] = std::min(box[1], points[i].y);
        box[2] = std::max(box[2], points[i].x);
        box[3] = std::max(box[3], points[i].y);
    }
}

void CMGetBoundingRect(kit::Rect* rect, const kit::Point* points, int count)
{
    if (!rect)
        return;
    if (!points || count <= 0) {
        CMSetEmptyRect(rect);
        return;
    }
    float box[4];
    CMGetBoundingBox(box, points, count);
    CMBboxToNSRect(box, rect);
    if (rect->size.width == 0) {
        rect->origin.x -= 1;
        rect->size.width = 2;
    }
    if (rect->size.height == 0) {
        rect->origin.y -= 1;
        rect->size.height = 2;
    }
}

void CMNSRectToBbox(const kit::Rect* rect, float* box)
{
    box[0] = rect->origin.x;
    box[1] = rect->origin.y;
    box[2] = rect->origin.x + rect->size.width;
    box[3] = rect->origin.y + rect->size.height;
}

void CMBboxToNSRect(const float* box, kit::Rect* rect) { *rect = kit::makeRect(box[0], box[1], box[2] - box[0], box[3] - box[1]); }

void CMInsetBbox(float* box, float dx, float dy)
{
    box[0] += dx;
    box[1] += dy;
    box[2] -= dx;
    box[3] -= dy;
}

void CMInsetRect(kit::Rect* rect, float dx, float dy)
{
    rect->origin.x += dx;
    rect->origin.y += dy;
    rect->size.width -= 2 * dx;
    rect->size.height -= 2 * dy;
}

void CMSetEmptyRect(kit::Rect* rect) { *rect = kit::Rect{}; }

void CMScaleSizeToSize(kit::Size* size, const kit::Size* box)
{
    if (!size || !box || size->width == 0 || size->height == 0 || box->width == 0 || box->height == 0)
        return;
    const float factor = std::min(box->width / size->width, box->height / size->height);
    size->width *= factor;
    size->height *= factor;
}

// ---- Matrices.

void transformPoint(float x, float y, const float* m, const kit::Point* origin, kit::Point* out)
{
    const float ox = origin ? origin->x : 0.0f, oy = origin ? origin->y : 0.0f;
    const float dx = x - ox, dy = y - oy;
    *out = {dx * m[0] + dy * m[2] + ox, dx * m[1] + dy * m[3] + oy};
}

void applyMatrixToPoint(kit::Point* point, const kit::Point* origin, const float* matrix)
{
    transformPoint(point->x, point->y, matrix, origin, point);
}

void applyMatrixToRect(kit::Rect* rect, const kit::Point* origin, const float* matrix)
{
    kit::Point corners[4] = {{kit::minX(*rect), kit::minY(*rect)},
                             {kit::minX(*rect), kit::maxY(*rect)},
                             {kit::maxX(*rect), kit::maxY(*rect)},
                             {kit::maxX(*rect), kit::minY(*rect)}};
    for (kit::Point& c : corners)
        applyMatrixToPoint(&c, origin, matrix);
    float box[4];
    CMGetBoundingBox(box, corners, 4);
    CMBboxToNSRect(box, rect);
}

void getRotationMatrix(float degrees, float* m)
{
    const float r = degrees * Pi / 180.0f;
    m[0] = std::cos(r);
    m[1] = std::sin(r);
    m[2] = -std::sin(r);
    m[3] = std::cos(r);
}

void getShearMatrix(float first, float second, float* m)
{
    m[0] = 1;
    m[1] = second;
    m[2] = first;
    m[3] = 1;
}

void getScaleMatrix(float sx, float sy, float* m)
{
    m[0] = sx;
    m[1] = 0;
    m[2] = 0;
    m[3] = sy;
}

void invertMatrix(const float* m, float* inverse)
{
    const float det = m[0] * m[3] - m[1] * m[2];
    const float result[4] = {m[3] / det, -m[1] / det, -m[2] / det, m[0] / det};
    if (det == 0.0f || !std::isfinite(result[0]) || !std::isfinite(result[1]) || !std::isfinite(result[2]) ||
        !std::isfinite(result[3])) {
        getScaleMatrix(1.0f, 1.0f, inverse);
        return;
    }
    std::copy(result, result + 4, inverse);
}

void concatMatrix(const float* m1, float* m2)
{
    const float r[4] = {m1[0] * m2[0] + m1[1] * m2[2], m1[0] * m2[1] + m1[1] * m2[3],
                        m1[2] * m2[0] + m1[3] * m2[2], m1[2] * m2[1] + m1[3] * m2[3]};
    std::copy(r, r + 4, m2);
}

float getLineWidthScale(float sx, float sy)
{
    const float ax = std::fabs(sx), ay = std::fabs(sy);
    if (ax > 1 && ay > 1)
        return std::min(ax, ay);
    if (ax < 1 && ay < 1)
        return std::max(ax, ay);
    return 1.0f;
}

// ---- Rectangle paths.

const CMRectPath* CMCalcRectPathWithMatrixAtPoint(const kit::Rect* rect, const float* matrix, const kit::Point* origin)
{
    static CMRectPath path;
    if (!rect || !matrix)
        return &path;
    const kit::Point o = originOf(rect, origin);
    kit::Point corners[4] = {{kit::minX(*rect), kit::minY(*rect)},
                             {kit::minX(*rect), kit::maxY(*rect)},
                             {kit::maxX(*rect), kit::maxY(*rect)},
                             {kit::maxX(*rect), kit::minY(*rect)}};
    for (kit::Point& c : corners)
        applyMatrixToPoint(&c, &o, matrix);
    fillRectPath(path, corners);
    return &path;
}

const CMRectPath* CMCalcRectPathWithMatrix(const kit::Rect* rect, const float* matrix)
{
    return CMCalcRectPathWithMatrixAtPoint(rect, matrix, nullptr);
}

const CMRectPath* CMCalcRectPath(const kit::Rect* rect)
{
    static CMRectPath path;
    if (!rect)
        return &path;
    const kit::Point corners[4] = {{kit::minX(*rect), kit::minY(*rect)},
                                   {kit::maxX(*rect), kit::minY(*rect)},
                                   {kit::maxX(*rect), kit::maxY(*rect)},
                                   {kit::minX(*rect), kit::maxY(*rect)}};
    fillRectPath(path, corners);
    return &path;
}

void CMCalcFrameRectWithMatrixAtPoint(const kit::Rect* rect, kit::Rect* out, const float* matrix, const kit::Point* origin)
{
    if (!rect || !out || !matrix)
        return;
    CMBboxToNSRect(CMCalcRectPathWithMatrixAtPoint(rect, matrix, origin)->bbox, out);
}

void CMCalcFrameRectWithMatrix(const kit::Rect* rect, kit::Rect* out, const float* matrix)
{
    CMCalcFrameRectWithMatrixAtPoint(rect, out, matrix, nullptr);
}

void CMFrameRectWithMatrixAtPoint(const kit::Rect* rect, const float* matrix, kit::Rect* out, const kit::Point* origin)
{
    drawRectPath(rect, matrix, out, origin, RectPathAction::Stroke);
}

void CMRectFillWithMatrixAtPoint(const kit::Rect* rect, const float* matrix, kit::Rect* out, const kit::Point* origin)
{
    drawRectPath(rect, matrix, out, origin, RectPathAction::Fill);
}

void CMClipRectWithMatrixAtPoint(const kit::Rect* rect, const float* matrix, kit::Rect* out, const kit::Point* origin)
{
    drawRectPath(rect, matrix, out, origin, RectPathAction::Clip);
}

void CMFrameRectWithMatrix(const kit::Rect* rect, const float* matrix, kit::Rect* out)
{
    CMFrameRectWithMatrixAtPoint(rect, matrix, out, nullptr);
}

void CMRectFillWithMatrix(const kit::Rect* rect, const float* matrix, kit::Rect* out)
{
    CMRectFillWithMatrixAtPoint(rect, matrix, out, nullptr);
}

void CMClipRectWithMatrix(const kit::Rect* rect, const float* matrix, kit::Rect* out)
{
    CMClipRectWithMatrixAtPoint(rect, matrix, out, nullptr);
}

// ---- Lines and angles.

void CMNormalize(kit::Point* v)
{
    const float length = std::hypot(v->x, v->y);
    if (length == 0.0f)
        return; // a null vector has no direction
    v->x /= length;
    v->y /= length;
}

float CMDistance(const kit::Point* p1, const kit::Point* p2) { return std::hypot(p1->x - p2->x, p1->y - p2->y); }

float CMDegreesFromHorizontal(const kit::Point* v)
{
    float a = std::asin(std::clamp(v->y, -1.0f, 1.0f));
    if (v->x < 0)
        a = Pi - a;
    if (a < 0)
        a += TwoPi;
    return a / Pi * 180.0f;
}

float CMAngleOfLine(const kit::Point* p1, const kit::Point* p2)
{
    kit::Point v{p2->x - p1->x, p2->y - p1->y};
    if (v.x == 0 && v.y == 0)
        return 0.0f;
    CMNormalize(&v);
    return CMDegreesFromHorizontal(&v);
}

void CMConstrainPointToProportions(const kit::Point* anchor, kit::Point* point, float ratio)
{
    if (ratio == 0.0f || !std::isfinite(ratio))
        return;
    const float dx = anchor->x - point->x, dy = anchor->y - point->y;
    const float q = dx / ratio;
    if (std::fabs(dy) < std::fabs(q))
        point->x = dx * dy > 0 ? anchor->x - dy * ratio : anchor->x + dy * ratio;
    else
        point->y = dx * dy > 0 ? anchor->y - q : anchor->y + q;
}

void CMConstrainPointToDirection(const kit::Point* anchor, kit::Point* point, bool fortyFive)
{
    kit::Point v{point->x - anchor->x, point->y - anchor->y};
    if (v.x == 0 || v.y == 0)
        return;
    const float d = std::hypot(v.x, v.y);
    CMNormalize(&v);
    const float step = fortyFive ? 45.0f : 90.0f;
    float angle = step * std::rint(CMDegreesFromHorizontal(&v) / step);
    if (angle == 360.0f)
        angle = 0.0f;
    const float r = angle * Pi / 180.0f;
    *point = {anchor->x + d * std::cos(r), anchor->y + d * std::sin(r)};
}

int CMLineIntersection(const kit::Point* p1, const kit::Point* p2, const kit::Point* p3, const kit::Point* p4,
                       kit::Point* out)
{
    // Products of two floats are exact in double, so a point lying on a
    // line tests as exactly on it (segments touching at an end cross).
    const double x1 = p1->x, y1 = p1->y, x2 = p2->x, y2 = p2->y;
    const double x3 = p3->x, y3 = p3->y, x4 = p4->x, y4 = p4->y;
    auto sameSide = [](double a, double b) { return (a > 0 && b > 0) || (a < 0 && b < 0); };
    const double a1 = y2 - y1, b1 = x1 - x2, c1 = x2 * y1 - x1 * y2;
    if (sameSide(a1 * x3 + b1 * y3 + c1, a1 * x4 + b1 * y4 + c1))
        return CMLinesDontIntersect;
    const double a2 = y4 - y3, b2 = x3 - x4, c2 = x4 * y3 - x3 * y4;
    if (sameSide(a2 * x1 + b2 * y1 + c2, a2 * x2 + b2 * y2 + c2))
        return CMLinesDontIntersect;
    const double denom = a1 * b2 - a2 * b1;
    if (std::fabs(denom) >= 0.01) {
        // The crossing as a fraction of the first segment, which the tests
        // above keep within it.
        const double t = std::clamp(((x3 - x1) * (y4 - y3) - (y3 - y1) * (x4 - x3)) / denom, 0.0, 1.0);
        if (out)
            *out = {static_cast<float>(x1 + t * (x2 - x1)), static_cast<float>(y1 + t * (y2 - y1))};
        return CMLinesIntersect;
    }
    auto outside = [](double lo, double hi, double a, double b) { return (a > hi && b > hi) || (a < lo && b < lo); };
    if (outside(std::min(x1, x2), std::max(x1, x2), x3, x4))
        return CMLinesDontIntersect;
    if (outside(std::min(y1, y2), std::max(y1, y2), y3, y4))
        return CMLinesDontIntersect;
    return CMLinesParallel;
}

// ---- Scale limits.

bool getScaleValues(const std::string& text, float* sx, float* sy)
{
    float a = 0, b = 0;
    const int n = std::sscanf(text.c_str(), "%f%f", &a, &b);
    if (n < 1)
        return false;
    if (n == 1) {
        if (std::sscanf(text.c_str(), "%f%*s%f", &a, &b) != 2 && std::sscanf(text.c_str(), "%f%*[|/,-&]%f", &a, &b) != 2)
            b = a;
    }
    // "nan" and "inf" read as numbers, and no scale can be made of them.
    if (!std::isfinite(a) || !std::isfinite(b))
        return false;
    if (sx)
        *sx = a;
    if (sy)
        *sy = b;
    return true;
}

bool limitScale(std::span<const kit::Size> sizes, float* sx, float* sy)
{
    if (!sx || !sy)
        return false;
    float ax = std::fabs(*sx), ay = std::fabs(*sy);
    float largestW = 0, largestH = 0, smallestW = 20001.0f, smallestH = 20001.0f;
    bool adjusted = false;
    for (const kit::Size& size : sizes) {
        kit::Size scaled{ax * size.width, ay * size.height};
        // A side of no extent (a straight line) can neither grow nor shrink,
        // and gives nothing to divide by.
        const bool hasW = size.width != 0, hasH = size.height != 0;
        if ((hasW && scaled.width > 20000.0f) || (hasH && scaled.height > 20000.0f)) {
            const kit::Size box{std::min(scaled.width, 20000.0f), std::min(scaled.height, 20000.0f)};
            CMScaleSizeToSize(&scaled, &box);
            if (!hasW || !hasH) {
                if (hasW)
                    scaled.width = std::min(scaled.width, 20000.0f);
                if (hasH)
                    scaled.height = std::min(scaled.height, 20000.0f);
            }
            adjusted = true;
        } else if ((hasW && scaled.width < 0.5f) || (hasH && scaled.height < 0.5f)) {
            const kit::Size box{std::max(scaled.width, 0.5f), std::max(scaled.height, 0.5f)};
            CMScaleSizeToSize(&scaled, &box);
            if (!hasW || !hasH) {
                if (hasW)
                    scaled.width = std::max(scaled.width, 0.5f);
                if (hasH)
                    scaled.height = std::max(scaled.height, 0.5f);
            }
            adjusted = true;
        }
        if (adjusted) {
            if (hasW)
                ax = scaled.width / size.width;
            if (hasH)
                ay = scaled.height / size.height;
        }
        largestW = std::max(largestW, scaled.width);
        largestH = std::max(largestH, scaled.height);
        if (hasW)
            smallestW = std::min(smallestW, scaled.width);
        if (hasH)
            smallestH = std::min(smallestH, scaled.height);
    }
    if (adjusted && *sx != 0 && *sy != 0) {
        *sx = std::copysign(ax, *sx);
        *sy = std::copysign(ay, *sy);
    }
    if (largestW > 2000.0f || largestH > 2000.0f)
        return checkSize(true);
    if (smallestW < 2.0f || smallestH < 2.0f)
        return checkSize(false);
    return true;
}

bool checkSize(bool tooLarge)
{
    auto text = [](const char* key) { return Main ? Main->valueForStringKey(key) : std::string(key); };
    kit::beep();
    return kit::runAlertPanel(text("Precision"), text(tooLarge ? "LargeElements" : "SmallElements"), text("OK"),
                              text("Cancel"), std::string()) == kit::AlertDefaultReturn;
}

// ---- Resize outline.

void CMBeginResizeWindow(const kit::Rect& windowFrame)
{
    PSinitresize();
    CMPlaceResizeWindowWithFrame(windowFrame);
}

void CMPlaceResizeWindowWithFrame(const kit::Rect& frame)
{
    kit::Rect rest = frame, strip;
    for (kit::RectEdge edge : {kit::RectEdge::MinX, kit::RectEdge::MinY, kit::RectEdge::MaxX, kit::RectEdge::MaxY}) {
        kit::Rect remainder;
        kit::divideRect(rest, strip, remainder, 1.0f, edge);
        PSplaceresize(kit::minX(strip), kit::minY(strip), kit::width(strip), kit::height(strip));
        rest = remainder;
    }
}

void CMEndResizeWindow() { PScleanupresize(); }
