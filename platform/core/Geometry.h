#pragma once

#include <optional>
#include <string>

namespace kit {

// Coordinates are single-precision, as the stored form and the comparisons
// of the system expect.
struct Point {
    float x = 0.0f;
    float y = 0.0f;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    float width = 0.0f;
    float height = 0.0f;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    Point origin;
    Size size;
    friend bool operator==(const Rect&, const Rect&) = default;
};

enum class RectEdge { MinX = 0, MinY = 1, MaxX = 2, MaxY = 3 };

inline Point makePoint(float x, float y) { return {x, y}; }
inline Size makeSize(float w, float h) { return {w, h}; }
inline Rect makeRect(float x, float y, float w, float h) { return {{x, y}, {w, h}}; }

inline float minX(const Rect& r) { return r.origin.x; }
inline float minY(const Rect& r) { return r.origin.y; }
inline float maxX(const Rect& r) { return r.origin.x + r.size.width; }
inline float maxY(const Rect& r) { return r.origin.y + r.size.height; }
inline float midX(const Rect& r) { return r.origin.x + r.size.width * 0.5f; }
inline float midY(const Rect& r) { return r.origin.y + r.size.height * 0.5f; }
inline float width(const Rect& r) { return r.size.width; }
inline float height(const Rect& r) { return r.size.height; }

// A rectangle with no area (zero or negative width or height).
bool isEmptyRect(const Rect& r);
bool equalRects(const Rect& a, const Rect& b);

Rect insetRect(const Rect& r, float dx, float dy);
Rect offsetRect(const Rect& r, float dx, float dy);
// An empty rectangle contributes nothing; two empty ones give the zero rectangle.
Rect unionRect(const Rect& a, const Rect& b);
// Rectangles that only touch, or do not meet, give the zero rectangle.
Rect intersectionRect(const Rect& a, const Rect& b);
bool intersectsRect(const Rect& a, const Rect& b);
// Whole numbers that enclose r; an empty rectangle becomes the zero rectangle.
Rect integralRect(const Rect& r);
// Cuts `amount` off r from `edge` into slice; remainder gets the rest.
// The amount is clamped to the rectangle's extent on that axis.
void divideRect(const Rect& r, Rect& slice, Rect& remainder, float amount, RectEdge edge);
// Point in rectangle as the mouse sees it: the minimum edges belong to the
// rectangle, the maximum edges do not; in an unflipped view the y test is
// mirrored (maximum y inside, minimum y outside).
bool mouseInRect(const Point& p, const Rect& r, bool flipped);
bool pointInRect(const Point& p, const Rect& r);
bool containsRect(const Rect& outer, const Rect& inner);

// The platform's string forms: "{x, y}", "{w, h}", "{{x, y}, {w, h}}".
std::string stringFromPoint(const Point& p);
std::string stringFromSize(const Size& s);
std::string stringFromRect(const Rect& r);
// Lenient readers of the platform forms: numbers are taken in order; missing
// ones are 0, as the platform does.
Point pointFromString(const std::string& s);
Size sizeFromString(const std::string& s);
Rect rectFromString(const std::string& s);

// The plain form "x y w h" used in defaults and frames.
std::string plainStringFromRect(const Rect& r);
std::optional<Rect> rectFromPlainString(const std::string& s);

} // namespace kit
