#include "foundation/GxRecords.h"

#include "core/Coder.h"
#include "core/Exception.h"
#include "foundation/CMGeometry.h"
#include "foundation/StoredColor.h"
#include "graphics/DrawContext.h"
#include "graphics/RecordingContext.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace {
const GxDash initialDashes[5] = {
    {0, 0.0f, {}},
    {2, 0.0f, {2.0f, 2.0f}},
    {2, 1.0f, {2.0f, 2.0f}},
    {2, 0.0f, {4.0f, 2.0f}},
    {8, 0.0f, {1.1f, 0.9f, 0.6f, 0.8f, 0.6f, 0.9f, 1.1f, 0.0f}},
};

const GxArrow initialArrows[5] = {
    {0, 0, 0, {}},
    {1, 4, 0, {{-1.3f, 2.5f}, {10.3f, 0.0f}, {-1.3f, -2.5f}, {-0.5f, 0.0f}}},
    {1, 4, 0, {{-5.8f, 2.3f}, {1.6f, 0.0f}, {-5.8f, -2.3f}, {-7.3f, 0.0f}}},
    {2, 2, 0, {{-2.0f, -2.0f}, {4.0f, 4.0f}}},
    {3, 2, 0, {{-2.0f, -2.0f}, {4.0f, 4.0f}}},
};

constexpr unsigned char FillOverprintBit = 0x01;
constexpr unsigned char FillNoFillBit = 0x02;
constexpr unsigned char LineCapBits = 0x03;
constexpr unsigned char LineJoinBits = 0x0C;
constexpr unsigned char LineOverprintBit = 0x10;
constexpr unsigned char LineNoLineBit = 0x20;

kit::ColorRef defaultBlack()
{
    return kit::Color::colorWithDeviceCyan(0.0f, 0.0f, 0.0f, 1.0f, 1.0f);
}

void setBit(unsigned char& flags, unsigned char bit, bool on)
{
    flags = on ? (flags | bit) : (flags & ~bit);
}

// The colour becomes current: with cached, only when the context's cached
// state does not already hold it.
void setColorIn(kit::DrawContext* ctx, const kit::ColorRef& color, bool cached)
{
    if (!ctx || !color)
        return;
    if (cached)
        ctx->setColorCached(*color);
    else
        ctx->setColor(*color);
}

std::span<const float> dashPattern(const GxDash* dash)
{
    if (!dash || dash->count < 1)
        return {};
    return std::span<const float>(dash->values, std::min<int>(dash->count, GxDashMaxValues));
}

float dashPhase(const GxDash* dash)
{
    return dash && dash->count >= 1 ? dash->phase : 0.0f;
}

GxArrowPath arrowPathBuffer;

// The point used for drawing and hit tests after the fixed-size rule.
float effectiveScale(const GxArrow* arrow, float scale)
{
    return (arrow->flags & GxArrowFixedSizeFlag) ? 1.0f : scale;
}

bool isDrawable(const GxArrow* arrow)
{
    return arrow && arrow->kind != 0 && arrow->count >= 1;
}

// A context for geometric tests when nothing is being drawn.
template <class F>
bool withTestContext(F&& test)
{
    if (kit::DrawContext* ctx = kit::DrawContext::current())
        return test(*ctx);
    kit::RecordingContext scratch;
    return test(static_cast<kit::DrawContext&>(scratch));
}
} // namespace

// ---- Fill.

std::unique_ptr<GxFill> GxAllocFill()
{
    return std::make_unique<GxFill>();
}

void GxInitFill(GxFill* fill)
{
    if (!fill)
        return;
    fill->color = defaultBlack();
    fill->pattern = nullptr;
    fill->flags = 0;
}

void GxCopyFill(GxFill* to, const GxFill* from)
{
    if (!to || !from || to == from)
        return;
    to->color = from->color ? from->color->copy() : nullptr;
    to->pattern = from->pattern;
    to->flags = from->flags;
}

int GxEqualFill(const GxFill* a, const GxFill* b)
{
    if (a == b)
        return 0;
    if (!a || !b)
        return 1;
    return (a->color == b->color && a->pattern == b->pattern && a->flags == b->flags) ? 0 : 1;
}

void GxSetNoFill(GxFill* fill, bool flag)
{
    if (fill)
        setBit(fill->flags, FillNoFillBit, flag);
}

bool GxIsNoFill(const GxFill* fill)
{
    return fill && (fill->flags & FillNoFillBit);
}

bool GxIsPattern(const GxFill* fill)
{
    return fill && fill->pattern;
}

void GxSetFillColor(GxFill* fill, const kit::ColorRef& color)
{
    if (!fill)
        return;
    fill->color = color ? color->copy() : nullptr;
    fill->pattern = nullptr;
}

void GxSetFillPattern(GxFill* fill, std::shared_ptr<const kit::Object> pattern)
{
    if (fill)
        fill->pattern = std::move(pattern);
}

void GxSetFillOverprint(GxFill* fill, bool flag)
{
    if (fill)
        setBit(fill->flags, FillOverprintBit, flag);
}

kit::ColorRef GxGetFillColor(const GxFill* fill)
{
    return fill ? fill->color : kit::Color::clearColor();
}

std::shared_ptr<const kit::Object> GxGetFillPattern(const GxFill* fill)
{
    return fill ? fill->pattern : nullptr;
}

bool GxGetFillOverprint(const GxFill* fill)
{
    return fill && (fill->flags & FillOverprintBit);
}

namespace {
bool colorsEqual(const kit::ColorRef& a, const kit::ColorRef& b)
{
    if (a == b)
        return true;
    return a && b && a->isEqual(*b);
}
} // namespace

int GxGetFillDifferences(const GxFill* a, const GxFill* b)
{
    if (!a && !b)
        return 0;
    if (!a || !b)
        return GxFillMask;
    int diff = 0;
    if (!colorsEqual(a->color, b->color))
        diff |= GxFillColorMask;
    if (a->pattern != b->pattern)
        diff |= GxFillPatternMask;
    if ((a->flags & FillOverprintBit) != (b->flags & FillOverprintBit))
        diff |= GxFillOverprintMask;
    return diff;
}

std::unique_ptr<GxFill> GxReadFill(kit::Coder& coder)
{
    char present = 0;
    coder.decodeValueOfObjCType("c", &present);
    if (!present)
        return nullptr;
    auto fill = GxAllocFill();
    fill->color = decodeStoredColor(coder);
    unsigned char flags = 0;
    coder.decodeValuesOfObjCTypes("@c", &fill->pattern, &flags);
    fill->flags = flags & (FillOverprintBit | FillNoFillBit);
    return fill;
}

void GxWriteFill(kit::Coder& coder, const GxFill* fill)
{
    char present = fill ? 1 : 0;
    coder.encodeValueOfObjCType("c", &present);
    if (!fill)
        return;
    coder.encodeColor(fill->color);
    coder.encodeValuesOfObjCTypes("@c", fill->pattern.get(), fill->flags);
}

void GxSetFill(const GxFill* fill, bool cached)
{
    if (fill)
        setColorIn(kit::DrawContext::current(), fill->color, cached);
}

// ---- Line.

std::unique_ptr<GxLine> GxAllocLine()
{
    return std::make_unique<GxLine>();
}

void GxInitLine(GxLine* line)
{
    if (!line)
        return;
    line->color = defaultBlack();
    line->width = 1.0f;
    line->miter = 5.0f;
    line->flags = 0;
    GxSetLineJoin(line, 1);
    line->dash.reset();
}

void GxCopyLine(GxLine* to, const GxLine* from)
{
    if (!to || !from || to == from)
        return;
    to->color = from->color ? from->color->copy() : nullptr;
    to->width = from->width;
    to->miter = from->miter;
    to->flags = from->flags;
    if (from->dash)
        to->dash = std::make_unique<GxDash>(*from->dash);
    else
        to->dash.reset();
}

bool GxEqualLine(const GxLine* a, const GxLine* b)
{
    if (a == b)
        return true;
    if (!a || !b)
        return false;
    return a->color == b->color && a->width == b->width && a->miter == b->miter && a->flags == b->flags &&
           GxEqualDash(a->dash.get(), b->dash.get());
}

void GxSetNoLine(GxLine* line, bool flag)
{
    if (line)
        setBit(line->flags, LineNoLineBit, flag);
}

bool GxIsNoLine(const GxLine* line)
{
    return line && (line->flags & LineNoLineBit);
}

void GxSetLineColor(GxLine* line, const kit::ColorRef& color)
{
    if (line)
        line->color = color ? color->copy() : nullptr;
}

void GxSetLineWidth(GxLine* line, float width)
{
    if (line)
        line->width = width;
}

void GxSetLineMiter(GxLine* line, float miter)
{
    if (line)
        line->miter = miter;
}

void GxSetLineCap(GxLine* line, int cap)
{
    if (line)
        line->flags = (line->flags & ~LineCapBits) | (cap & 0x3);
}

void GxSetLineJoin(GxLine* line, int join)
{
    if (line)
        line->flags = (line->flags & ~LineJoinBits) | ((join & 0x3) << 2);
}

void GxSetLineOverprint(GxLine* line, bool flag)
{
    if (line)
        setBit(line->flags, LineOverprintBit, flag);
}

kit::ColorRef GxGetLineColor(const GxLine* line)
{
    return line ? line->color : nullptr;
}

float GxGetLineWidth(const GxLine* line)
{
    return line ? line->width : 0.0f;
}

float GxGetLineMiter(const GxLine* line)
{
    return line ? line->miter : 0.0f;
}

int GxGetLineCap(const GxLine* line)
{
    return line ? (line->flags & LineCapBits) : 0;
}

int GxGetLineJoin(const GxLine* line)
{
    return line ? ((line->flags & LineJoinBits) >> 2) : 0;
}

bool GxGetLineOverprint(const GxLine* line)
{
    return line && (line->flags & LineOverprintBit);
}

const GxDash* GxGetLineDash(const GxLine* line)
{
    return line ? line->dash.get() : nullptr;
}

void GxSetLineDash(GxLine* line, const GxDash* dash)
{
    if (!line)
        return;
    if (!dash || dash->count < 1) {
        line->dash.reset();
        return;
    }
    if (line->dash.get() == dash)
        return;
    if (!line->dash)
        line->dash = std::make_unique<GxDash>();
    GxCopyDash(line->dash.get(), dash);
    line->dash->count = std::min<short>(line->dash->count, GxDashMaxValues);
}

void GxSetLineDashValues(GxLine* line, const float* values, int count, float phase)
{
    if (!line)
        return;
    if (!values || count < 1) {
        line->dash.reset();
        return;
    }
    const int n = std::min(count, GxDashMaxValues);
    GxDash dash;
    dash.count = short(n);
    dash.phase = phase;
    std::copy(values, values + n, dash.values);
    if (!line->dash)
        line->dash = std::make_unique<GxDash>();
    *line->dash = dash;
}

void GxGetLineDashValues(const GxLine* line, const float** values, int* count, float* phase)
{
    const GxDash* dash = GxGetLineDash(line);
    const bool solid = !dash || dash->count < 1;
    if (values)
        *values = solid ? nullptr : dash->values;
    if (count)
        *count = solid ? 0 : std::min<int>(dash->count, GxDashMaxValues);
    if (phase)
        *phase = solid ? 0.0f : dash->phase;
}

void GxFreeLineDash(GxLine* line)
{
    if (line)
        line->dash.reset();
}

int GxGetLineDifferences(const GxLine* a, const GxLine* b)
{
    if (!a && !b)
        return 0;
    if (!a || !b)
        return GxLineMask;
    int diff = 0;
    if (!colorsEqual(a->color, b->color))
        diff |= GxLineColorMask;
    if (a->width != b->width)
        diff |= GxLineWidthMask;
    if (!GxEqualDash(a->dash.get(), b->dash.get()))
        diff |= GxLineDashMask;
    if (a->miter != b->miter)
        diff |= GxLineMiterMask;
    if (GxGetLineCap(a) != GxGetLineCap(b))
        diff |= GxLineCapMask;
    if (GxGetLineJoin(a) != GxGetLineJoin(b))
        diff |= GxLineJoinMask;
    if (GxGetLineOverprint(a) != GxGetLineOverprint(b))
        diff |= GxLineOverprintMask;
    return diff;
}

std::unique_ptr<GxLine> GxReadLine(kit::Coder& coder)
{
    float width = 0.0f;
    coder.decodeValueOfObjCType("f", &width);
    // A NaN width is no more a line than a negative one.
    if (!(width >= 0.0f))
        return nullptr;
    auto line = GxAllocLine();
    line->width = width;
    line->color = decodeStoredColor(coder);
    coder.decodeValuesOfObjCTypes("fc", &line->miter, &line->flags);
    line->flags &= (LineCapBits | LineJoinBits | LineOverprintBit | LineNoLineBit);
    line->dash = GxReadDash(coder);
    return line;
}

void GxWriteLine(kit::Coder& coder, const GxLine* line)
{
    float width = line ? line->width : -1.0f;
    coder.encodeValueOfObjCType("f", &width);
    if (!line)
        return;
    coder.encodeColor(line->color);
    coder.encodeValuesOfObjCTypes("fc", line->miter, line->flags);
    GxWriteDash(coder, line->dash.get());
}

void GxSetLine(const GxLine* line, bool cached)
{
    if (!line)
        return;
    kit::DrawContext* ctx = kit::DrawContext::current();
    if (!ctx)
        return;
    setColorIn(ctx, line->color, cached);
    if (cached) {
        ctx->setlinewidthCached(line->width);
        ctx->setdashCached(dashPattern(line->dash.get()), dashPhase(line->dash.get()));
    } else {
        ctx->setlinewidth(line->width);
        GxSetDash(line->dash.get());
    }
}

// ---- Dash.

void GxInitDash(GxDash* dash)
{
    if (dash)
        *dash = GxDash{};
}

void GxCopyDash(GxDash* to, const GxDash* from)
{
    if (to && from)
        *to = *from;
}

bool GxEqualDash(const GxDash* a, const GxDash* b)
{
    if (!a && !b)
        return true;
    if (!a)
        return b->count == 0;
    if (!b)
        return a->count == 0;
    if (a->count != b->count || a->phase != b->phase)
        return false;
    const int n = std::clamp<int>(a->count, 0, GxDashMaxValues);
    for (int i = 0; i < n; ++i)
        if (a->values[i] != b->values[i])
            return false;
    return true;
}

void GxSetDash(const GxDash* dash)
{
    if (kit::DrawContext* ctx = kit::DrawContext::current())
        ctx->setdash(dashPattern(dash), dashPhase(dash));
}

std::unique_ptr<GxDash> GxReadDash(kit::Coder& coder)
{
    short count = 0;
    coder.decodeValueOfObjCType("s", &count);
    if (count < 1)
        return nullptr;
    auto dash = std::make_unique<GxDash>();
    // The record holds 8 values whatever a damaged file claims.
    dash->count = std::min<short>(count, GxDashMaxValues);
    coder.decodeValueOfObjCType("f", &dash->phase);
    coder.decodeArrayOfObjCType("f", GxDashMaxValues, dash->values);
    return dash;
}

void GxWriteDash(kit::Coder& coder, const GxDash* dash)
{
    short count = (dash && dash->count >= 1) ? std::min<short>(dash->count, GxDashMaxValues) : 0;
    coder.encodeValueOfObjCType("s", &count);
    if (count == 0)
        return;
    coder.encodeValueOfObjCType("f", &dash->phase);
    coder.encodeArrayOfObjCType("f", GxDashMaxValues, dash->values);
}

// ---- Arrow.

void GxInitArrow(GxArrow* arrow)
{
    if (arrow)
        *arrow = GxArrow{};
}

void GxCopyArrow(GxArrow* to, const GxArrow* from)
{
    if (to && from)
        *to = *from;
}

bool GxEqualArrow(const GxArrow* a, const GxArrow* b)
{
    if (!a && !b)
        return true;
    if (!a)
        return b->kind == 0;
    if (!b)
        return a->kind == 0;
    if (a->kind != b->kind || a->count != b->count || a->flags != b->flags)
        return false;
    for (int i = 0; i < GxArrowMaxPoints; ++i)
        if (a->points[i] != b->points[i])
            return false;
    return true;
}

std::unique_ptr<GxArrow> GxReadArrow(kit::Coder& coder)
{
    signed char kind = 0;
    coder.decodeValueOfObjCType("c", &kind);
    if (kind < 1)
        return nullptr;
    auto arrow = std::make_unique<GxArrow>();
    arrow->kind = kind;
    short count = 0;
    coder.decodeValuesOfObjCTypes("sc", &count, &arrow->flags);
    // The record holds 4 points whatever a damaged file claims.
    arrow->count = std::clamp<short>(count, 0, GxArrowMaxPoints);
    for (kit::Point& p : arrow->points)
        p = coder.decodePoint();
    return arrow;
}

void GxWriteArrow(kit::Coder& coder, const GxArrow* arrow)
{
    signed char kind = (arrow && arrow->kind >= 1) ? arrow->kind : 0;
    coder.encodeValueOfObjCType("c", &kind);
    if (kind == 0)
        return;
    coder.encodeValuesOfObjCTypes("sc", arrow->count, arrow->flags);
    for (const kit::Point& p : arrow->points)
        coder.encodePoint(p);
}

void calcOvalPointsForArrow(const kit::Rect* rect, const float* matrix, kit::Point* points)
{
    // The knob points of the rectangle: middles of the edges and a corner.
    const float x = rect->origin.x, y = rect->origin.y, w = rect->size.width, h = rect->size.height;
    kit::Point knob1{x + w / 2, y}, knob2{x + w, y}, knob3{x + w, y + h / 2}, knob5{x + w / 2, y + h},
        knob7{x, y + h / 2};
    if (matrix) {
        for (kit::Point* k : {&knob1, &knob2, &knob3, &knob5, &knob7})
            applyMatrixToPoint(k, &rect->origin, matrix);
    }
    // The platform's circle constant, not the usual 0.5522847.
    const float k = 0.552276697f;
    const kit::Point A{(knob2.x - knob1.x) * k, (knob2.y - knob1.y) * k};
    const kit::Point B{(knob2.x - knob3.x) * k, (knob2.y - knob3.y) * k};
    const kit::Point P0 = knob1, P3 = knob3, P6 = knob5, P9 = knob7;
    auto add = [](kit::Point p, kit::Point d) { return kit::Point{p.x + d.x, p.y + d.y}; };
    auto neg = [](kit::Point d) { return kit::Point{-d.x, -d.y}; };
    points[0] = P0;
    points[1] = add(P0, A);
    points[2] = add(P3, B);
    points[3] = P3;
    points[4] = add(P3, neg(B));
    points[5] = add(P6, A);
    points[6] = P6;
    points[7] = add(P6, neg(A));
    points[8] = add(P9, neg(B));
    points[9] = P9;
    points[10] = add(P9, B);
    points[11] = add(P0, neg(A));
    points[12] = P0;
}

const GxArrowPath* GxCalcArrowPath(const GxArrow* arrow, float scale)
{
    if (!arrow || arrow->kind < 1 || arrow->kind > 3)
        return nullptr;
    GxArrowPath& path = arrowPathBuffer;
    path = GxArrowPath{};
    const unsigned char polyOps[6] = {0, 1, 3, 3, 3, 10};
    if (arrow->kind == 1) {
        kit::Point pts[4];
        for (int i = 0; i < 4; ++i) {
            pts[i] = {arrow->points[i].x * scale, arrow->points[i].y * scale};
            path.coords[2 * i] = pts[i].x;
            path.coords[2 * i + 1] = pts[i].y;
        }
        path.numCoords = 8;
        std::copy(polyOps, polyOps + 6, path.ops);
        path.numOps = 6;
        CMGetBoundingBox(path.bbox, pts, 4);
        return &path;
    }
    const float x = std::round(arrow->points[0].x * scale), y = std::round(arrow->points[0].y * scale);
    const float w = std::round(arrow->points[1].x * scale), h = std::round(arrow->points[1].y * scale);
    path.bbox[0] = x;
    path.bbox[1] = y;
    path.bbox[2] = x + w;
    path.bbox[3] = y + h;
    if (arrow->kind == 2) {
        const float c[8] = {x, y, x, y + h, x + w, y + h, x + w, y};
        std::copy(c, c + 8, path.coords);
        path.numCoords = 8;
        std::copy(polyOps, polyOps + 6, path.ops);
        path.numOps = 6;
        return &path;
    }
    const kit::Rect r = kit::makeRect(x, y, w, h);
    kit::Point pts[13];
    calcOvalPointsForArrow(&r, nullptr, pts);
    for (int i = 0; i < 13; ++i) {
        path.coords[2 * i] = pts[i].x;
        path.coords[2 * i + 1] = pts[i].y;
    }
    path.numCoords = 26;
    const unsigned char ovalOps[7] = {0, 1, 5, 5, 5, 5, 10};
    std::copy(ovalOps, ovalOps + 7, path.ops);
    path.numOps = 7;
    return &path;
}

namespace {
// Fills the arrow's outline at the origin of the current coordinates.
void fillArrowOutline(kit::DrawContext& ctx, const GxArrow* arrow)
{
    const unsigned char polyOps[5] = {1, 3, 3, 3, 10};
    switch (arrow->kind) {
    case 2:
        ctx.rectfill(arrow->points[0].x, arrow->points[0].y, arrow->points[1].x, arrow->points[1].y);
        break;
    case 1: {
        float coords[8];
        for (int i = 0; i < 4; ++i) {
            coords[2 * i] = arrow->points[i].x;
            coords[2 * i + 1] = arrow->points[i].y;
        }
        float bbox[4];
        CMGetBoundingBox(bbox, arrow->points, 4);
        ctx.doUserPath({coords, polyOps}, std::span<const float, 4>(bbox, 4), kit::UserPathAction::ufill);
        break;
    }
    case 3: {
        const kit::Rect r{arrow->points[0], {arrow->points[1].x, arrow->points[1].y}};
        kit::Point pts[13];
        calcOvalPointsForArrow(&r, nullptr, pts);
        float coords[26];
        for (int i = 0; i < 13; ++i) {
            coords[2 * i] = pts[i].x;
            coords[2 * i + 1] = pts[i].y;
        }
        const unsigned char ovalOps[6] = {1, 5, 5, 5, 5, 10};
        float bbox[4] = {r.origin.x, r.origin.y, r.origin.x + r.size.width, r.origin.y + r.size.height};
        ctx.doUserPath({coords, ovalOps}, std::span<const float, 4>(bbox, 4), kit::UserPathAction::ufill);
        break;
    }
    default:
        break;
    }
}
} // namespace

bool GxDrawArrow(const GxArrow* arrow, const kit::Point* point, float scale, bool flip)
{
    if (!isDrawable(arrow) || !point)
        return false;
    kit::DrawContext* ctx = kit::DrawContext::current();
    if (!ctx)
        return false;
    scale = effectiveScale(arrow, scale);
    ctx->gsave();
    ctx->translate(point->x, point->y);
    if (flip)
        ctx->scale(-1.0f, -1.0f);
    if (scale != 1.0f)
        ctx->scale(scale, scale);
    fillArrowOutline(*ctx, arrow);
    ctx->grestore();
    return true;
}

bool GxDrawArrowForLine(const GxArrow* arrow, const kit::Point* start, const kit::Point* end, float scale, bool flip)
{
    if (!isDrawable(arrow) || !start || !end)
        return false;
    kit::DrawContext* ctx = kit::DrawContext::current();
    if (!ctx)
        return false;
    scale = effectiveScale(arrow, scale);
    ctx->gsave();
    ctx->translate(end->x, end->y);
    ctx->rotate(CMAngleOfLine(start, end));
    if (flip)
        ctx->scale(1.0f, -1.0f);
    if (scale != 1.0f)
        ctx->scale(scale, scale);
    fillArrowOutline(*ctx, arrow);
    ctx->grestore();
    return true;
}

bool GxHitArrowForLineAtPoint(const GxArrow* arrow, const kit::Point* start, const kit::Point* end, float scale,
                              bool flip, const kit::Point* point)
{
    if (!isDrawable(arrow) || !start || !end || !point)
        return false;
    const GxArrowPath* path = GxCalcArrowPath(arrow, effectiveScale(arrow, scale));
    if (!path)
        return false;
    const GxArrowPath copy = *path;
    float m[4];
    getRotationMatrix(-CMAngleOfLine(start, end), m);
    kit::Point p{point->x - end->x, point->y - end->y};
    const kit::Point origin{0, 0};
    applyMatrixToPoint(&p, &origin, m);
    // The arrow is drawn mirrored about the line: mirror the point instead.
    if (flip)
        p.y = -p.y;
    return withTestContext([&](kit::DrawContext& ctx) {
        float bboxCoords[4];
        std::copy(copy.bbox, copy.bbox + 4, bboxCoords);
        // The user path with its bounding box first, as inufill expects.
        std::vector<float> coords(bboxCoords, bboxCoords + 4);
        coords.insert(coords.end(), copy.coords, copy.coords + copy.numCoords);
        return ctx.inufill(p.x, p.y, kit::UserPath{coords, std::span<const unsigned char>(copy.ops, copy.numOps)});
    });
}

bool GxHitArrowForLineInRect(const GxArrow* arrow, const kit::Point* start, const kit::Point* end, float scale,
                             bool flip, const kit::Rect* rect)
{
    if (!isDrawable(arrow) || !start || !end || !rect)
        return false;
    const GxArrowPath* path = GxCalcArrowPath(arrow, effectiveScale(arrow, scale));
    if (!path)
        return false;
    const GxArrowPath copy = *path;
    // Into the arrow's frame, as the point test does: minus the line's angle.
    float m[4];
    getRotationMatrix(-CMAngleOfLine(start, end), m);
    kit::Rect r = kit::offsetRect(*rect, -end->x, -end->y);
    const kit::Point origin{0, 0};
    applyMatrixToRect(&r, &origin, m);
    if (flip)
        r.origin.y = -(r.origin.y + r.size.height);
    const CMRectPath* rectPath = CMCalcRectPath(&r);
    std::vector<float> aperture(rectPath->bbox, rectPath->bbox + 4);
    aperture.insert(aperture.end(), rectPath->coords, rectPath->coords + 8);
    const std::vector<unsigned char> apertureOps(rectPath->ops, rectPath->ops + rectPath->numOps);
    std::vector<float> coords(copy.bbox, copy.bbox + 4);
    coords.insert(coords.end(), copy.coords, copy.coords + copy.numCoords);
    return withTestContext([&](kit::DrawContext& ctx) {
        return ctx.inufill(kit::UserPath{aperture, apertureOps},
                           kit::UserPath{coords, std::span<const unsigned char>(copy.ops, copy.numOps)});
    });
}

kit::Rect* GxGetArrowRect(const GxArrow* arrow, kit::Rect* rect, float scale)
{
    if (!isDrawable(arrow) || !rect)
        return nullptr;
    switch (arrow->kind) {
    case 1:
        CMGetBoundingRect(rect, arrow->points, GxArrowMaxPoints);
        break;
    case 2:
    case 3:
        *rect = {arrow->points[0], {arrow->points[1].x, arrow->points[1].y}};
        break;
    default:
        *rect = kit::Rect{};
        break;
    }
    if (!(arrow->flags & GxArrowFixedSizeFlag)) {
        rect->origin.x *= scale;
        rect->origin.y *= scale;
        rect->size.width *= scale;
        rect->size.height *= scale;
    }
    return rect;
}

void GxInitializeDashList(std::vector<GxDash>& list)
{
    for (int i = 4; i >= 0; --i)
        list.push_back(initialDashes[i]);
}

void GxInitializeArrowList(std::vector<GxArrow>& list)
{
    for (int i = 4; i >= 0; --i)
        list.push_back(initialArrows[i]);
}
