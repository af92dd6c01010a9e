#include "core/Geometry.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

namespace kit {

bool isEmptyRect(const Rect& r)
{
    return !(r.size.width > 0.0f && r.size.height > 0.0f);
}

bool equalRects(const Rect& a, const Rect& b)
{
    return a == b;
}

Rect insetRect(const Rect& r, float dx, float dy)
{
    return makeRect(r.origin.x + dx, r.origin.y + dy, r.size.width - 2 * dx, r.size.height - 2 * dy);
}

Rect offsetRect(const Rect& r, float dx, float dy)
{
    return makeRect(r.origin.x + dx, r.origin.y + dy, r.size.width, r.size.height);
}

Rect unionRect(const Rect& a, const Rect& b)
{
    bool ea = isEmptyRect(a), eb = isEmptyRect(b);
    if (ea && eb)
        return Rect{};
    if (ea)
        return b;
    if (eb)
        return a;
    float x0 = std::min(minX(a), minX(b));
    float y0 = std::min(minY(a), minY(b));
    float x1 = std::max(maxX(a), maxX(b));
    float y1 = std::max(maxY(a), maxY(b));
    return makeRect(x0, y0, x1 - x0, y1 - y0);
}

Rect intersectionRect(const Rect& a, const Rect& b)
{
    float x0 = std::max(minX(a), minX(b));
    float y0 = std::max(minY(a), minY(b));
    float x1 = std::min(maxX(a), maxX(b));
    float y1 = std::min(maxY(a), maxY(b));
    if (x1 <= x0 || y1 <= y0)
        return Rect{};
    return makeRect(x0, y0, x1 - x0, y1 - y0);
}

bool intersectsRect(const Rect& a, const Rect& b)
{
    return !isEmptyRect(intersectionRect(a, b));
}

Rect integralRect(const Rect& r)
{
    if (isEmptyRect(r))
        return Rect{};
    float x0 = std::floor(minX(r)), y0 = std::floor(minY(r));
    float x1 = std::ceil(maxX(r)), y1 = std::ceil(maxY(r));
    return makeRect(x0, y0, x1 - x0, y1 - y0);
}

void divideRect(const Rect& r, Rect& slice, Rect& remainder, float amount, RectEdge edge)
{
    // Both outputs may alias r.
    const Rect in = r;
    if (amount < 0.0f)
        amount = 0.0f;
    switch (edge) {
    case RectEdge::MinX: {
        float a = std::min(amount, std::max(in.size.width, 0.0f));
        slice = makeRect(in.origin.x, in.origin.y, a, in.size.height);
        remainder = makeRect(in.origin.x + a, in.origin.y, in.size.width - a, in.size.height);
        break;
    }
    case RectEdge::MaxX: {
        float a = std::min(amount, std::max(in.size.width, 0.0f));
        slice = makeRect(maxX(in) - a, in.origin.y, a, in.size.height);
        remainder = makeRect(in.origin.x, in.origin.y, in.size.width - a, in.size.height);
        break;
    }
    case RectEdge::MinY: {
        float a = std::min(amount, std::max(in.size.height, 0.0f));
        slice = makeRect(in.origin.x, in.origin.y, in.size.width, a);
        remainder = makeRect(in.origin.x, in.origin.y + a, in.size.width, in.size.height - a);
        break;
    }
    case RectEdge::MaxY: {
        float a = std::min(amount, std::max(in.size.height, 0.0f));
        slice = makeRect(in.origin.x, maxY(in) - a, in.size.width, a);
        remainder = makeRect(in.origin.x, in.origin.y, in.size.width, in.size.height - a);
        break;
    }
    }
}

bool mouseInRect(const Point& p, const Rect& r, bool flipped)
{
    if (isEmptyRect(r))
        return false;
    if (!(p.x >= minX(r) && p.x < maxX(r)))
        return false;
    if (flipped)
        return p.y >= minY(r) && p.y < maxY(r);
    return p.y > minY(r) && p.y <= maxY(r);
}

bool pointInRect(const Point& p, const Rect& r)
{
    return mouseInRect(p, r, true);
}

bool containsRect(const Rect& outer, const Rect& inner)
{
    if (isEmptyRect(inner))
        return false;
    return minX(inner) >= minX(outer) && minY(inner) >= minY(outer) && maxX(inner) <= maxX(outer) &&
           maxY(inner) <= maxY(outer);
}

namespace {

// Shortest text that reads back as the same float, independent of the locale.
std::string num(float v)
{
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

// Every number in s, in order; anything else separates them.
std::vector<float> numbers(const std::string& s)
{
    std::vector<float> out;
    const char* p = s.data();
    const char* end = p + s.size();
    while (p < end) {
        if (std::strchr("+-.0123456789", *p) == nullptr) {
            ++p;
            continue;
        }
        const char* start = p;
        if (*start == '+')
            ++start;
        float v = 0.0f;
        auto res = std::from_chars(start, end, v);
        if (res.ec == std::errc() && res.ptr != start) {
            // Infinity and NaN are no numbers either: they would not read
            // back from the written form, and no geometry can use them.
            out.push_back(std::isfinite(v) ? v : 0.0f);
            p = res.ptr;
        } else if (res.ec == std::errc::result_out_of_range) {
            // Keep going past the digits; a huge number is no number here.
            out.push_back(0.0f);
            p = res.ptr;
        } else {
            ++p;
        }
    }
    return out;
}

float at(const std::vector<float>& v, size_t i)
{
    return i < v.size() ? v[i] : 0.0f;
}

} // namespace

std::string stringFromPoint(const Point& p)
{
    return "{" + num(p.x) + ", " + num(p.y) + "}";
}

std::string stringFromSize(const Size& s)
{
    return "{" + num(s.width) + ", " + num(s.height) + "}";
}

std::string stringFromRect(const Rect& r)
{
    return "{" + stringFromPoint(r.origin) + ", " + stringFromSize(r.size) + "}";
}

Point pointFromString(const std::string& s)
{
    auto v = numbers(s);
    return makePoint(at(v, 0), at(v, 1));
}

Size sizeFromString(const std::string& s)
{
    auto v = numbers(s);
    return makeSize(at(v, 0), at(v, 1));
}

Rect rectFromString(const std::string& s)
{
    auto v = numbers(s);
    return makeRect(at(v, 0), at(v, 1), at(v, 2), at(v, 3));
}

std::string plainStringFromRect(const Rect& r)
{
    return num(r.origin.x) + " " + num(r.origin.y) + " " + num(r.size.width) + " " + num(r.size.height);
}

std::optional<Rect> rectFromPlainString(const std::string& s)
{
    float v[4];
    const char* p = s.data();
    const char* end = p + s.size();
    for (float& f : v) {
        while (p < end && (*p == ' ' || *p == '\t'))
            ++p;
        if (p < end && *p == '+')
            ++p;
        auto res = std::from_chars(p, end, f);
        if (res.ec != std::errc() || !std::isfinite(f))
            return std::nullopt;
        p = res.ptr;
    }
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\n'))
        ++p;
    if (p != end)
        return std::nullopt;
    return makeRect(v[0], v[1], v[2], v[3]);
}

} // namespace kit
