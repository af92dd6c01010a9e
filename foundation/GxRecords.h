#pragma once

// The graphic attribute records of page items (fill, line, dash pattern,
// line-end arrows) and their free functions: set-up, copy, comparison,
// differences, stored form, graphics state, and the arrows' outline, drawing,
// bounds and hit tests. Graphic styles own these records.

#include "core/Color.h"
#include "core/Geometry.h"

#include <memory>
#include <vector>

namespace kit {
class Coder;
class Object;
}

struct GxDash {
    short count = 0; // 0 or less: a solid line
    float phase = 0.0f;
    float values[8] = {};
};

struct GxArrow {
    signed char kind = 0; // 0 none, 1 polygon, 2 rectangle, 3 oval
    short count = 0;      // points used; below 1 is not drawn
    unsigned char flags = 0; // bit 0 kept as stored; bit 1 fixed size
    kit::Point points[4];
};

// The solid dash (count 0) and the no-arrow record (kind 0): records that
// stand for none where a record is needed, as in undo slots.
inline constexpr GxDash GxNoDash{};
inline constexpr GxArrow GxNoArrow{};

inline constexpr unsigned char GxArrowFixedSizeFlag = 0x02;
inline constexpr int GxDashMaxValues = 8;
inline constexpr int GxArrowMaxPoints = 4;

struct GxFill {
    kit::ColorRef color;
    std::shared_ptr<const kit::Object> pattern; // nil for a plain colour fill
    unsigned char flags = 0;                    // bit 0 overprint, bit 1 no fill
};

struct GxLine {
    kit::ColorRef color;
    float width = 1.0f;
    float miter = 5.0f;
    unsigned char flags = 0; // bits 0-1 cap, 2-3 join, 4 overprint, 5 no line
    std::unique_ptr<GxDash> dash; // none: a solid line
};

// Graphic attribute mask bits.
inline constexpr int GxCropMask = 0x1;
inline constexpr int GxFillColorMask = 0x2;
inline constexpr int GxFillPatternMask = 0x4;
inline constexpr int GxFillOverprintMask = 0x8;
inline constexpr int GxFillMask = 0xE;
inline constexpr int GxLineColorMask = 0x10;
inline constexpr int GxLineWidthMask = 0x20;
inline constexpr int GxLineDashMask = 0x40;
inline constexpr int GxLineCapMask = 0x80;
inline constexpr int GxLineJoinMask = 0x100;
inline constexpr int GxLineMiterMask = 0x200;
inline constexpr int GxLineOverprintMask = 0x400;
inline constexpr int GxLineMask = 0x770; // the cap bit is not part of it
inline constexpr int GxLeftArrowMask = 0x800;
inline constexpr int GxRightArrowMask = 0x1000;

// ---- Fill.
std::unique_ptr<GxFill> GxAllocFill();
void GxInitFill(GxFill* fill);
void GxCopyFill(GxFill* to, const GxFill* from);
// 0 when both hold the very same colour and pattern objects and the same flags.
int GxEqualFill(const GxFill* a, const GxFill* b);
void GxSetNoFill(GxFill* fill, bool flag);
bool GxIsNoFill(const GxFill* fill);
bool GxIsPattern(const GxFill* fill);
void GxSetFillColor(GxFill* fill, const kit::ColorRef& color);
void GxSetFillPattern(GxFill* fill, std::shared_ptr<const kit::Object> pattern);
void GxSetFillOverprint(GxFill* fill, bool flag);
// The clear colour for a missing record.
kit::ColorRef GxGetFillColor(const GxFill* fill);
std::shared_ptr<const kit::Object> GxGetFillPattern(const GxFill* fill);
bool GxGetFillOverprint(const GxFill* fill);
int GxGetFillDifferences(const GxFill* a, const GxFill* b);
std::unique_ptr<GxFill> GxReadFill(kit::Coder& coder);
void GxWriteFill(kit::Coder& coder, const GxFill* fill);
// Makes the fill colour current in the current context; with cached, only
// when that context's cached state does not hold it already.
void GxSetFill(const GxFill* fill, bool cached);

// ---- Line.
std::unique_ptr<GxLine> GxAllocLine();
void GxInitLine(GxLine* line);
void GxCopyLine(GxLine* to, const GxLine* from);
bool GxEqualLine(const GxLine* a, const GxLine* b);
void GxSetNoLine(GxLine* line, bool flag);
bool GxIsNoLine(const GxLine* line);
void GxSetLineColor(GxLine* line, const kit::ColorRef& color);
void GxSetLineWidth(GxLine* line, float width);
void GxSetLineMiter(GxLine* line, float miter);
void GxSetLineCap(GxLine* line, int cap);
void GxSetLineJoin(GxLine* line, int join);
void GxSetLineOverprint(GxLine* line, bool flag);
kit::ColorRef GxGetLineColor(const GxLine* line);
float GxGetLineWidth(const GxLine* line);
float GxGetLineMiter(const GxLine* line);
int GxGetLineCap(const GxLine* line);
int GxGetLineJoin(const GxLine* line);
bool GxGetLineOverprint(const GxLine* line);
const GxDash* GxGetLineDash(const GxLine* line);
void GxSetLineDash(GxLine* line, const GxDash* dash);
// More than 8 values are cut to the first 8.
void GxSetLineDashValues(GxLine* line, const float* values, int count, float phase);
void GxGetLineDashValues(const GxLine* line, const float** values, int* count, float* phase);
void GxFreeLineDash(GxLine* line);
int GxGetLineDifferences(const GxLine* a, const GxLine* b);
std::unique_ptr<GxLine> GxReadLine(kit::Coder& coder);
void GxWriteLine(kit::Coder& coder, const GxLine* line);
// Colour, width and dash, cached as GxSetFill caches the colour.
void GxSetLine(const GxLine* line, bool cached);

// ---- Dash.
void GxInitDash(GxDash* dash);
void GxCopyDash(GxDash* to, const GxDash* from);
// Absent equals a record of count 0.
bool GxEqualDash(const GxDash* a, const GxDash* b);
void GxSetDash(const GxDash* dash);
std::unique_ptr<GxDash> GxReadDash(kit::Coder& coder);
void GxWriteDash(kit::Coder& coder, const GxDash* dash);

// ---- Arrow.
void GxInitArrow(GxArrow* arrow);
void GxCopyArrow(GxArrow* to, const GxArrow* from);
// Absent equals a record of kind 0.
bool GxEqualArrow(const GxArrow* a, const GxArrow* b);
std::unique_ptr<GxArrow> GxReadArrow(kit::Coder& coder);
void GxWriteArrow(kit::Coder& coder, const GxArrow* arrow);

// An arrow's outline as a user path: bounding box, coordinates and operators
// (setbbox 0, moveto 1, lineto 3, curveto 5, closepath 10).
struct GxArrowPath {
    float bbox[4] = {};
    float coords[26] = {};
    int numCoords = 0;
    unsigned char ops[7] = {};
    int numOps = 0;
};
// One shared buffer, overwritten by the next call; nil for kinds other than
// polygon, rectangle and oval.
const GxArrowPath* GxCalcArrowPath(const GxArrow* arrow, float scale);
// The oval's 13 curve points inside the rectangle.
void calcOvalPointsForArrow(const kit::Rect* rect, const float* matrix, kit::Point* points);
bool GxDrawArrow(const GxArrow* arrow, const kit::Point* point, float scale, bool flip);
bool GxDrawArrowForLine(const GxArrow* arrow, const kit::Point* start, const kit::Point* end, float scale, bool flip);
bool GxHitArrowForLineAtPoint(const GxArrow* arrow, const kit::Point* start, const kit::Point* end, float scale,
                              bool flip, const kit::Point* point);
bool GxHitArrowForLineInRect(const GxArrow* arrow, const kit::Point* start, const kit::Point* end, float scale,
                             bool flip, const kit::Rect* rect);
// rect, or nil when the arrow gives none.
kit::Rect* GxGetArrowRect(const GxArrow* arrow, kit::Rect* rect, float scale);

// Append the five built-in records, from the last table entry to the first.
void GxInitializeDashList(std::vector<GxDash>& list);
void GxInitializeArrowList(std::vector<GxArrow>& list);
