// Path geometry shared by every drawing context: the current path in device
// space, arcs as curves, encoded user paths and flattening.
#include "graphics/DrawContext.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace kit {

void DevicePath::clear()
{
    verbs.clear();
    coords.clear();
}

Rect DevicePath::bounds() const
{
    if (coords.size() < 2)
        return Rect{};
    double x0 = coords[0], x1 = coords[0], y0 = coords[1], y1 = coords[1];
    for (std::size_t i = 0; i + 1 < coords.size(); i += 2) {
        x0 = std::min(x0, coords[i]);
        x1 = std::max(x1, coords[i]);
        y0 = std::min(y0, coords[i + 1]);
        y1 = std::max(y1, coords[i + 1]);
    }
    return makeRect(static_cast<float>(x0), static_cast<float>(y0), static_cast<float>(x1 - x0),
                    static_cast<float>(y1 - y0));
}

void ColorValue::getRGB(float& r, float& g, float& b) const
{
    const float* v = components;
    switch (space) {
    case Color::Space::Gray:
        r = g = b = v[0];
        return;
    case Color::Space::RGB:
        r = v[0];
        g = v[1];
        b = v[2];
        return;
    case Color::Space::CMYK:
        r = 1.0f - std::min(1.0f, v[0] + v[3]);
        g = 1.0f - std::min(1.0f, v[1] + v[3]);
        b = 1.0f - std::min(1.0f, v[2] + v[3]);
        return;
    }
}

namespace detail {

namespace {

using Verb = DevicePath::Verb;

void transform(const Matrix& m, double x, double y, double& ox, double& oy)
{
    ox = m.a * x + m.c * y + m.tx;
    oy = m.b * x + m.d * y + m.ty;
}

void dtransform(const Matrix& m, double x, double y, double& ox, double& oy)
{
    ox = m.a * x + m.c * y;
    oy = m.b * x + m.d * y;
}

// Exact values at multiples of 90 degrees, so that full circles close and
// quarter arcs end on the axes.
void cosSinDegrees(double degrees, double& cosine, double& sine)
{
    double quarter = degrees / 90.0;
    if (quarter == std::floor(quarter) && std::fabs(quarter) < 1e15) {
        static const double cosines[4] = {1, 0, -1, 0};
        static const double sines[4] = {0, 1, 0, -1};
        long long k = static_cast<long long>(std::fmod(quarter, 4.0));
        if (k < 0)
            k += 4;
        cosine = cosines[k];
        sine = sines[k];
        return;
    }
    double radians = std::fmod(degrees, 360.0) * (M_PI / 180.0);
    cosine = std::cos(radians);
    sine = std::sin(radians);
}

// Before a segment: a subpath continues from the current point; after a
// closepath (or in an empty path) it starts again with an explicit MoveTo.
void continueSubpath(GraphicsState& s)
{
    DevicePath& p = s.path;
    if (p.empty() || p.verbs.back() == Verb::ClosePath) {
        p.verbs.push_back(Verb::MoveTo);
        p.coords.push_back(s.currentX);
        p.coords.push_back(s.currentY);
        s.subpathX = s.currentX;
        s.subpathY = s.currentY;
    }
}

const char* opName(unsigned char code)
{
    static const char* const names[12] = {"setbbox", "moveto", "rmoveto", "lineto", "rlineto", "curveto",
                                           "rcurveto", "arc", "arcn", "arct", "closepath", "ucache"};
    return code < 12 ? names[code] : "?";
}

// The arc tangent to the lines current point -> p1 and p1 -> p2, as
// PostScript's arct draws it: a line to the first tangent point, then the arc.
std::string pathArct(GraphicsState& s, double x1, double y1, double x2, double y2, double r)
{
    auto inverse = s.ctm.inverted();
    if (!inverse)
        return "arct needs an invertible matrix";
    double x0, y0;
    transform(*inverse, s.currentX, s.currentY, x0, y0);
    double ux = x0 - x1, uy = y0 - y1, vx = x2 - x1, vy = y2 - y1;
    double lu = std::hypot(ux, uy), lv = std::hypot(vx, vy);
    double cross = ux * vy - uy * vx;
    auto lineToCorner = [&] {
        double dx, dy;
        transform(s.ctm, x1, y1, dx, dy);
        pathLine(s, dx, dy);
    };
    if (lu == 0 || lv == 0 || r == 0 || std::fabs(cross) <= 1e-12 * lu * lv) {
        lineToCorner();
        return {};
    }
    ux /= lu;
    uy /= lu;
    vx /= lv;
    vy /= lv;
    // The angle at p1 between the two lines. acos of the dot product loses
    // small angles (it answers 0 below about 1.5e-8 rad); atan2 keeps them.
    double theta = std::atan2(std::fabs(ux * vy - uy * vx), ux * vx + uy * vy);
    double tangent = r / std::tan(theta / 2);
    double bx = ux + vx, by = uy + vy;
    double lb = std::hypot(bx, by);
    bx /= lb;
    by /= lb;
    double centre = r / std::sin(theta / 2);
    double cx = x1 + bx * centre, cy = y1 + by * centre;
    double t1x = x1 + ux * tangent, t1y = y1 + uy * tangent;
    double t2x = x1 + vx * tangent, t2y = y1 + vy * tangent;
    // Lines that turn back so sharply that the arc lies beyond any number
    // meet like collinear ones: in the corner.
    if (!(std::isfinite(cx) && std::isfinite(cy) && std::isfinite(t1x) && std::isfinite(t1y) &&
          std::isfinite(t2x) && std::isfinite(t2y))) {
        lineToCorner();
        return {};
    }
    double a1 = std::atan2(t1y - cy, t1x - cx) * 180.0 / M_PI;
    double a2 = std::atan2(t2y - cy, t2x - cx) * 180.0 / M_PI;
    // Turning left from p0 -> p1 to p1 -> p2 means the arc runs counterclockwise.
    bool clockwise = cross > 0;
    pathArc(s, cx, cy, r, a1, a2, clockwise);
    return {};
}

} // namespace

void pathMove(GraphicsState& s, double x, double y)
{
    DevicePath& p = s.path;
    if (!p.empty() && p.verbs.back() == Verb::MoveTo) {
        // Consecutive movetos: only the last one counts.
        p.coords[p.coords.size() - 2] = x;
        p.coords[p.coords.size() - 1] = y;
    } else {
        p.verbs.push_back(Verb::MoveTo);
        p.coords.push_back(x);
        p.coords.push_back(y);
    }
    s.hasCurrentPoint = true;
    s.currentX = s.subpathX = x;
    s.currentY = s.subpathY = y;
}

void pathLine(GraphicsState& s, double x, double y)
{
    continueSubpath(s);
    s.path.verbs.push_back(Verb::LineTo);
    s.path.coords.push_back(x);
    s.path.coords.push_back(y);
    s.hasCurrentPoint = true;
    s.currentX = x;
    s.currentY = y;
}

void pathCurve(GraphicsState& s, const double (&p)[6])
{
    continueSubpath(s);
    s.path.verbs.push_back(Verb::CurveTo);
    s.path.coords.insert(s.path.coords.end(), p, p + 6);
    s.hasCurrentPoint = true;
    s.currentX = p[4];
    s.currentY = p[5];
}

void pathClose(GraphicsState& s)
{
    if (!s.hasCurrentPoint || s.path.empty() || s.path.verbs.back() == Verb::ClosePath)
        return;
    s.path.verbs.push_back(Verb::ClosePath);
    s.currentX = s.subpathX;
    s.currentY = s.subpathY;
}

void pathArc(GraphicsState& s, double cx, double cy, double r, double angle1, double angle2, bool clockwise)
{
    // PostScript moves angle2 by whole turns until it lies on the arc's side
    // of angle1; more than one turn draws the same circle again, so one is kept.
    double sweep = clockwise ? angle1 - angle2 : angle2 - angle1;
    // Callers check their numbers; this keeps a NaN from the piece count below.
    if (!std::isfinite(sweep) || !std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(r))
        return;
    if (sweep < 0) {
        sweep = std::fmod(sweep, 360.0);
        if (sweep < 0)
            sweep += 360.0;
    }
    sweep = std::min(sweep, 360.0);

    double c0, s0;
    cosSinDegrees(angle1, c0, s0);
    double sx, sy;
    transform(s.ctm, cx + r * c0, cy + r * s0, sx, sy);
    if (s.hasCurrentPoint)
        pathLine(s, sx, sy);
    else
        pathMove(s, sx, sy);
    if (sweep == 0)
        return;

    int pieces = std::max(1, static_cast<int>(std::ceil(sweep / 90.0 - 1e-9)));
    double step = (clockwise ? -sweep : sweep) / pieces;
    double k = 4.0 / 3.0 * std::tan(step * M_PI / 180.0 / 4.0);
    double a = angle1;
    double ca = c0, sa = s0;
    for (int i = 0; i < pieces; ++i) {
        double b = (i == pieces - 1) ? angle1 + (clockwise ? -sweep : sweep) : a + step;
        double cb, sb;
        cosSinDegrees(b, cb, sb);
        double user[6] = {cx + r * (ca - k * sa), cy + r * (sa + k * ca), cx + r * (cb + k * sb),
                          cy + r * (sb - k * cb), cx + r * cb,           cy + r * sb};
        double device[6];
        for (int j = 0; j < 6; j += 2)
            transform(s.ctm, user[j], user[j + 1], device[j], device[j + 1]);
        pathCurve(s, device);
        a = b;
        ca = cb;
        sa = sb;
    }
}

std::string appendUserPath(GraphicsState& s, const UserPath& userPath)
{
    static const unsigned char wants[12] = {4, 2, 2, 2, 2, 6, 6, 5, 5, 5, 0, 0};
    const std::span<const float> coords = userPath.coords;
    std::size_t next = 0;
    int repeat = 1;
    bool repeatPending = false;
    for (std::size_t i = 0; i < userPath.ops.size(); ++i) {
        unsigned char code = userPath.ops[i];
        if (code > 32) {
            if (repeatPending)
                return "two repeat counts in a row at byte " + std::to_string(i);
            repeat = code - 32;
            repeatPending = true;
            continue;
        }
        if (code > 11)
            return "unknown user path operator " + std::to_string(code) + " at byte " + std::to_string(i);
        for (int r = 0; r < repeat; ++r) {
            std::size_t n = wants[code];
            if (coords.size() - next < n)
                return std::string(opName(code)) + " at byte " + std::to_string(i) + " wants " + std::to_string(n) +
                       " coordinates, " + std::to_string(coords.size() - next) + " left";
            double v[6] = {0, 0, 0, 0, 0, 0};
            for (std::size_t j = 0; j < n; ++j) {
                v[j] = coords[next + j];
                if (!std::isfinite(v[j]))
                    return std::string(opName(code)) + " at byte " + std::to_string(i) + " has a non-finite coordinate";
            }
            next += n;
            bool relative = code == 2 || code == 4 || code == 6;
            if ((relative || code == 3 || code == 5 || code == 9) && !s.hasCurrentPoint)
                return std::string(opName(code)) + " at byte " + std::to_string(i) + " needs a current point";
            double d[6];
            switch (static_cast<UserPathOp>(code)) {
            case UserPathOp::setbbox:
            case UserPathOp::ucache:
                break;
            case UserPathOp::moveto:
                transform(s.ctm, v[0], v[1], d[0], d[1]);
                pathMove(s, d[0], d[1]);
                break;
            case UserPathOp::rmoveto:
                dtransform(s.ctm, v[0], v[1], d[0], d[1]);
                pathMove(s, s.currentX + d[0], s.currentY + d[1]);
                break;
            case UserPathOp::lineto:
                transform(s.ctm, v[0], v[1], d[0], d[1]);
                pathLine(s, d[0], d[1]);
                break;
            case UserPathOp::rlineto:
                dtransform(s.ctm, v[0], v[1], d[0], d[1]);
                pathLine(s, s.currentX + d[0], s.currentY + d[1]);
                break;
            case UserPathOp::curveto:
                for (int j = 0; j < 6; j += 2)
                    transform(s.ctm, v[j], v[j + 1], d[j], d[j + 1]);
                pathCurve(s, d);
                break;
            case UserPathOp::rcurveto:
                for (int j = 0; j < 6; j += 2) {
                    dtransform(s.ctm, v[j], v[j + 1], d[j], d[j + 1]);
                    d[j] += s.currentX;
                    d[j + 1] += s.currentY;
                }
                pathCurve(s, d);
                break;
            case UserPathOp::arc:
            case UserPathOp::arcn:
                if (v[2] < 0)
                    return std::string(opName(code)) + " at byte " + std::to_string(i) + " has a negative radius";
                pathArc(s, v[0], v[1], v[2], v[3], v[4], code == 8);
                break;
            case UserPathOp::arct: {
                if (v[4] < 0)
                    return "arct at byte " + std::to_string(i) + " has a negative radius";
                std::string error = pathArct(s, v[0], v[1], v[2], v[3], v[4]);
                if (!error.empty())
                    return error;
                break;
            }
            case UserPathOp::closepath:
                pathClose(s);
                break;
            }
        }
        repeat = 1;
        repeatPending = false;
    }
    if (repeatPending)
        return "the user path ends with a repeat count";
    return {};
}

std::vector<Polyline> flattenPath(const DevicePath& path, double tolerance)
{
    std::vector<Polyline> lines;
    std::size_t k = 0;
    double lastX = 0, lastY = 0;
    for (Verb verb : path.verbs) {
        switch (verb) {
        case Verb::MoveTo:
            lines.emplace_back();
            lastX = path.coords[k];
            lastY = path.coords[k + 1];
            lines.back().xy = {lastX, lastY};
            k += 2;
            break;
        case Verb::LineTo:
            if (lines.empty())
                lines.emplace_back(); // cannot happen: subpaths start with MoveTo
            lastX = path.coords[k];
            lastY = path.coords[k + 1];
            lines.back().xy.push_back(lastX);
            lines.back().xy.push_back(lastY);
            k += 2;
            break;
        case Verb::CurveTo: {
            if (lines.empty())
                lines.emplace_back();
            const double* p = &path.coords[k];
            // Enough pieces that the chords stay within the tolerance: the
            // deviation of n chords is at most 3/4 of the largest second
            // difference of the control points divided by n².
            double ddx = std::max(std::fabs(lastX - 2 * p[0] + p[2]), std::fabs(p[0] - 2 * p[2] + p[4]));
            double ddy = std::max(std::fabs(lastY - 2 * p[1] + p[3]), std::fabs(p[1] - 2 * p[3] + p[5]));
            double dd = std::hypot(ddx, ddy);
            double pieces = std::ceil(std::sqrt(0.75 * dd / tolerance));
            int n = static_cast<int>(std::clamp(pieces, 1.0, 1000.0));
            for (int i = 1; i <= n; ++i) {
                double t = static_cast<double>(i) / n, u = 1 - t;
                double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
                lines.back().xy.push_back(b0 * lastX + b1 * p[0] + b2 * p[2] + b3 * p[4]);
                lines.back().xy.push_back(b0 * lastY + b1 * p[1] + b2 * p[3] + b3 * p[5]);
            }
            lastX = p[4];
            lastY = p[5];
            k += 6;
            break;
        }
        case Verb::ClosePath:
            if (!lines.empty() && !lines.back().closed) {
                Polyline& line = lines.back();
                line.closed = true;
                line.xy.push_back(line.xy[0]);
                line.xy.push_back(line.xy[1]);
                lastX = line.xy[0];
                lastY = line.xy[1];
            }
            break;
        }
    }
    return lines;
}

} // namespace detail

} // namespace kit
