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

// The 2x2 identity matrix (a b c d), for what is not transformed.
inline constexpr float identity[4] = {1, 0, 0, 1};

// The zoom (1.0 = 100 %) of the page view that last took the focus to draw:
// lengths that must look the same on screen at any zoom are divided by it.
extern float CMZoomStatus;
// 1.0 while the document of the page view that last took the focus shows
// its pictures, 0.0 while it shows them as empty frames.
extern float CMShowGraphics;
// The largest side, in points, of a picture whose rendering is cached. Set at
// start-up from the main screen; until then that of a 1920 x 1080 screen.
extern float CMMaxImageSize;
// CMMaxImageSize = 0.75 x the larger side of the screen's frame. A size that
// is not known (not positive, not finite) leaves the value as it was.
void CMSetMaxImageSizeForScreen(const kit::Size& screen);

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

// Segments p1-p2 and p3-p4: CMLinesIntersect with the exact crossing in out
// (segments that touch at an end cross there); CMLinesParallel when they are
// parallel (|cross product of the directions| below 0.01) and their extents
// overlap; else CMLinesDontIntersect, out untouched.
inline constexpr int CMLinesDontIntersect = 1;
inline constexpr int CMLinesParallel = 2;
inline constexpr int CMLinesIntersect = 3;
int CMLineIntersection(const kit::Point* p1, const kit::Point* p2, const kit::Point* p3, const kit::Point* p4,
                       kit::Point* out);

// "150", "150 200", "150 x 200", "150/200", "150,200"; false without a
// number, or with one that is not finite ("nan", "inf", "1e40").
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
