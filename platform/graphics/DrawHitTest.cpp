// The insideness tests (inufill, inueofill, inustroke) that the window server
// used to answer, computed from the path's geometry.
#include "graphics/DrawContext.h"

#include <algorithm>
#include <cmath>

namespace kit {

namespace {

using detail::Polyline;

// Flattening tolerance in device pixels: well below what a pixel shows.
constexpr double kFlatness = 0.1;

struct Vec {
    double x, y;
};

Vec vertex(const Polyline& line, std::size_t i) { return {line.xy[2 * i], line.xy[2 * i + 1]}; }
std::size_t vertexCount(const Polyline& line) { return line.xy.size() / 2; }

double cross(Vec o, Vec a, Vec b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }

// Calls f(a, b) for every edge a filled subpath has: its segments and, for
// an open one, the closing edge that filling implies.
template <typename F>
bool anyFillEdge(const std::vector<Polyline>& lines, F f)
{
    for (const Polyline& line : lines) {
        std::size_t n = vertexCount(line);
        if (n < 2)
            continue;
        for (std::size_t i = 0; i + 1 < n; ++i)
            if (f(vertex(line, i), vertex(line, i + 1)))
                return true;
        if (!line.closed && f(vertex(line, n - 1), vertex(line, 0)))
            return true;
    }
    return false;
}

// The segments a stroke paints (open subpaths are not closed).
template <typename F>
bool anyStrokeEdge(const std::vector<Polyline>& lines, F f)
{
    for (const Polyline& line : lines) {
        std::size_t n = vertexCount(line);
        for (std::size_t i = 0; i + 1 < n; ++i)
            if (f(vertex(line, i), vertex(line, i + 1)))
                return true;
    }
    return false;
}

bool inside(const std::vector<Polyline>& lines, Vec p, FillRule rule)
{
    int winding = 0;
    anyFillEdge(lines, [&](Vec a, Vec b) {
        if (a.y <= p.y) {
            if (b.y > p.y && cross(a, b, p) > 0)
                ++winding;
        } else if (b.y <= p.y && cross(a, b, p) < 0) {
            --winding;
        }
        return false;
    });
    return rule == FillRule::NonZero ? winding != 0 : (winding & 1) != 0;
}

// Liang-Barsky: does the segment meet the closed box?
bool segmentMeetsBox(Vec a, Vec b, double x0, double y0, double x1, double y1)
{
    double t0 = 0, t1 = 1;
    double dx = b.x - a.x, dy = b.y - a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - x0, x1 - a.x, a.y - y0, y1 - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
        } else {
            double t = q[i] / p[i];
            if (p[i] < 0)
                t0 = std::max(t0, t);
            else
                t1 = std::min(t1, t);
            if (t0 > t1)
                return false;
        }
    }
    return true;
}

// Does the segment pass through the inside of the box, not just along or
// onto its border? A fill paints a device pixel only where it covers some
// of its area.
bool segmentCrossesOpenBox(Vec a, Vec b, double x0, double y0, double x1, double y1)
{
    double dx = b.x - a.x, dy = b.y - a.y;
    if (dx == 0 && dy == 0)
        return false;
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - x0, x1 - a.x, a.y - y0, y1 - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] <= 0)
                return false;
        } else {
            double t = q[i] / p[i];
            if (p[i] < 0)
                t0 = std::max(t0, t);
            else
                t1 = std::min(t1, t);
        }
    }
    return t0 < t1;
}

bool onSegment(Vec a, Vec b, Vec p)
{
    return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
           p.y <= std::max(a.y, b.y);
}

bool segmentsMeet(Vec a, Vec b, Vec c, Vec d)
{
    double d1 = cross(c, d, a), d2 = cross(c, d, b), d3 = cross(a, b, c), d4 = cross(a, b, d);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0)))
        return true;
    return (d1 == 0 && onSegment(c, d, a)) || (d2 == 0 && onSegment(c, d, b)) || (d3 == 0 && onSegment(a, b, c)) ||
           (d4 == 0 && onSegment(a, b, d));
}

double pointSegmentDistance(Vec p, Vec a, Vec b)
{
    double dx = b.x - a.x, dy = b.y - a.y;
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0) : 0.0;
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

double segmentDistance(Vec a, Vec b, Vec c, Vec d)
{
    if (segmentsMeet(a, b, c, d))
        return 0;
    return std::min(std::min(pointSegmentDistance(a, c, d), pointSegmentDistance(b, c, d)),
                    std::min(pointSegmentDistance(c, a, b), pointSegmentDistance(d, a, b)));
}

std::vector<Polyline> toUserSpace(std::vector<Polyline> lines, const Matrix& inverse)
{
    for (Polyline& line : lines) {
        for (std::size_t i = 0; i + 1 < line.xy.size(); i += 2) {
            double x = line.xy[i], y = line.xy[i + 1];
            line.xy[i] = inverse.a * x + inverse.c * y + inverse.tx;
            line.xy[i + 1] = inverse.b * x + inverse.d * y + inverse.ty;
        }
    }
    return lines;
}

} // namespace

bool DrawContext::pointHit(std::string_view op, float x, float y, const UserPath& userPath, HitMode mode)
{
    if (!checkFinite(op, {x, y}))
        return false;
    GraphicsState scratch;
    scratch.ctm = state_.ctm;
    std::string error = detail::appendUserPath(scratch, userPath);
    if (!error.empty()) {
        refuse(op, error);
        return false;
    }
    const std::vector<Polyline> device = detail::flattenPath(scratch.path, kFlatness);
    if (device.empty())
        return false;

    const Matrix& m = state_.ctm;
    Vec p{m.a * static_cast<double>(x) + m.c * static_cast<double>(y) + m.tx,
          m.b * static_cast<double>(x) + m.d * static_cast<double>(y) + m.ty};
    // The pixel the point falls in: painting any part of it counts.
    double px = std::floor(p.x), py = std::floor(p.y);
    auto meetsPixel = [&](Vec a, Vec b) { return segmentMeetsBox(a, b, px, py, px + 1, py + 1); };

    if (mode != HitMode::Stroke) {
        // An edge that only touches the pixel's border paints nothing in it;
        // with no edge through the pixel, its centre tells for all of it.
        FillRule rule = mode == HitMode::Fill ? FillRule::NonZero : FillRule::EvenOdd;
        auto crossesPixel = [&](Vec a, Vec b) { return segmentCrossesOpenBox(a, b, px, py, px + 1, py + 1); };
        return anyFillEdge(device, crossesPixel) || inside(device, {px + 0.5, py + 0.5}, rule);
    }

    auto inverse = m.inverted();
    if (!inverse)
        return false;
    // Stroke widths are user-space lengths, so distances are measured there.
    const std::vector<Polyline> user = toUserSpace(device, *inverse);
    const double half = state_.lineWidth / 2.0;
    Vec q{x, y};
    if (anyStrokeEdge(user, [&](Vec a, Vec b) { return pointSegmentDistance(q, a, b) <= half; }))
        return true;
    if (state_.lineCap == 1) {
        for (const Polyline& line : user)
            if (vertexCount(line) == 1 && std::hypot(q.x - line.xy[0], q.y - line.xy[1]) <= half)
                return true;
    }
    // A hairline (or any line thinner than a pixel) still paints the pixels
    // it passes through.
    return anyStrokeEdge(device, meetsPixel);
}

bool DrawContext::pathHit(std::string_view op, const UserPath& aperturePath, const UserPath& userPath, bool stroke)
{
    GraphicsState a, b;
    a.ctm = b.ctm = state_.ctm;
    std::string error = detail::appendUserPath(a, aperturePath);
    if (error.empty())
        error = detail::appendUserPath(b, userPath);
    if (!error.empty()) {
        refuse(op, error);
        return false;
    }
    std::vector<Polyline> aperture = detail::flattenPath(a.path, kFlatness);
    std::vector<Polyline> path = detail::flattenPath(b.path, kFlatness);
    if (aperture.empty() || path.empty())
        return false;

    if (!stroke) {
        // Two filled regions meet when their outlines cross or one holds a
        // point of the other.
        bool crossing = anyFillEdge(aperture, [&](Vec p, Vec q) {
            return anyFillEdge(path, [&](Vec r, Vec s) { return segmentsMeet(p, q, r, s); });
        });
        if (crossing)
            return true;
        for (const Polyline& line : aperture)
            if (vertexCount(line) && inside(path, vertex(line, 0), FillRule::NonZero))
                return true;
        for (const Polyline& line : path)
            if (vertexCount(line) && inside(aperture, vertex(line, 0), FillRule::NonZero))
                return true;
        return false;
    }

    auto inverse = state_.ctm.inverted();
    if (!inverse)
        return false;
    aperture = toUserSpace(std::move(aperture), *inverse);
    path = toUserSpace(std::move(path), *inverse);
    const double half = state_.lineWidth / 2.0;
    bool near = anyFillEdge(aperture, [&](Vec p, Vec q) {
        return anyStrokeEdge(path, [&](Vec r, Vec s) { return segmentDistance(p, q, r, s) <= half; });
    });
    if (near)
        return true;
    for (const Polyline& line : path) {
        if (!vertexCount(line))
            continue;
        Vec first = vertex(line, 0);
        if (vertexCount(line) == 1 && state_.lineCap != 1)
            continue;
        if (inside(aperture, first, FillRule::NonZero))
            return true;
        if (vertexCount(line) == 1 &&
            anyFillEdge(aperture, [&](Vec p, Vec q) { return pointSegmentDistance(first, p, q) <= half; }))
            return true;
    }
    return false;
}

} // namespace kit
