#pragma once

// Rectangles, bounding boxes (llx lly urx ury), 2x2 matrices applied about
// an origin point, rectangle paths through such a matrix, line and angle
// helpers, scale limits and the live resize outline.

#include "core/Geometry.h"

#include <span>
#include <vector>
#include <string>

// A rectangle's path through a matrix: the box, then its four corners, with
// the operators setbbox moveto lineto lineto lineto closepath. One record per
// function, overwritten by its next call.
struct CMRectPath {
    int numOps = 6;
    float coords[12] = {};
    unsigned char ops[6] = {0, 1, 3, 3, 3, 10};
    float bbox[4] = {};
};

void CMGetBoundingBox(float* box, const kit::Point* points, int count);
void CMGetBoundingRect(kit::Rect* rect, const kit::Point* points, int count);
void CMNSRectToBbox(const kit::Rect* rect, float* box);
void CMBboxToNSRect(const float* box, kit::Rect* rect);
void CMInsetBbox(float* box, float dx, float dy);
void CMInsetRect(kit::Rect* rect, float dx, float dy);
void CMSetEmptyRect(kit::Rect* rect);
void CMScaleSizeToSize(kit::Size* size, const kit::Size* box);

void transformPoint(float x, float y, const float* matrix, const kit::Point* origin, kit::Point* out);
void applyMatrixToPoint(kit::Point* point, const kit::Point* origin, const float* matrix);
void applyMatrixToRect(kit::Rect* rect, const kit::Point* origin, const float* matrix);
void getRotationMatrix(float degrees, float* matrix);
void getShearMatrix(float first, float second, float* matrix);
void getScaleMatrix(float sx, float sy, float* matrix);
// A singular matrix (a zero-scaled item) has no inverse: the result is then
// the identity, never infinities.
void invertMatrix(const float* matrix, float* inverse);
// m2 becomes m1 x m2.
void concatMatrix(const float* m1, float* m2);
float getLineWidthScale(float sx, float sy);

const CMRectPath* CMCalcRectPathWithMatrixAtPoint(const kit::Rect* rect, const float* matrix, const kit::Point* origin);
const CMRectPath* CMCalcRectPathWithMatrix(const kit::Rect* rect, const float* matrix);
const CMRectPath* CMCalcRectPath(const kit::Rect* rect);
void CMCalcFrameRectWithMatrixAtPoint(const kit::Rect* rect, kit::Rect* out, const float* matrix, const kit::Point* origin);
void CMCalcFrameRectWithMatrix(const kit::Rect* rect, kit::Rect* out, const float* matrix);
void CMFrameRectWithMatrixAtPoint(const kit::Rect* rect, const float* matrix, kit::Rect* out, const kit::Point* origin);
void CMRectFillWithMatrixAtPoint(const kit::Rect* rect, const float* matrix, kit::Rect* out, const kit::Point* origin);
void CMClipRectWithMatrixAtPoint(const kit::Rect* rect, const float* matrix, kit::Rect* out, const kit::Point* origin);
void CMFrameRectWithMatrix(const kit::Rect* rect, const float* matrix, kit::Rect* out);
void CMRectFillWithMatrix(const kit::Rect* rect, const float* matrix, kit::Rect* out);
void CMClipRectWithMatrix(const kit::Rect* rect, const float* matrix, kit::Rect* out);

void CMNormalize(kit::Point* vector);
float CMDistance(const kit::Point* p1, const kit::Point* p2);
float CMDegreesFromHorizontal(const kit::Point* unitVector);
float CMAngleOfLine(const kit::Point* p1, const kit::Point* p2);
void CMConstrainPointToProportions(const kit::Point* anchor, kit::Point* point, float ratio);
void CMConstrainPointToDirection(const kit::Point* anchor, kit::Point* point, bool fortyFive);

inline constexpr int CMLinesDontIntersect = 1;
inline constexpr int CMLinesParallel = 2;
inline constexpr int CMLinesIntersect = 3;
int CMLineIntersection(const kit::Point* p1, const kit::Point* p2, const kit::Point* p3, const kit::Point* p4,
                       kit::Point* out);

// "150", "150 200", "150 x 200", "150/200", "150,200".
bool getScaleValues(const std::string& text, float* sx, float* sy);
// Clamps the scale so that no item (by its unscaled size) grows beyond
// 20000 points or shrinks below 0.5, then asks the user when items would
// pass 2000 points or fall under 2. True when the scale may be applied.
bool limitScale(std::span<const kit::Size> originalSizes, float* sx, float* sy);
template <class ItemRange>
bool limitScale(const ItemRange& items, float* sx, float* sy)
{
    std::vector<kit::Size> sizes;
    for (const auto* item : items)
        sizes.push_back(item->originalFrame().size);
    return limitScale(std::span<const kit::Size>(sizes), sx, sy);
}
bool checkSize(bool tooLarge);

// The resize outline around a window's frame.
void CMBeginResizeWindow(const kit::Rect& windowFrame);
void CMPlaceResizeWindowWithFrame(const kit::Rect& frame);
void CMEndResizeWindow();
