#include "core/Color.h"

#include <algorithm>
#include <charconv>
#include <map>

namespace kit {

namespace {

std::string num(float v)
{
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

} // namespace

float Color::clampComponent(float v)
{
    if (!(v >= 0.0f))
        return 0.0f;
    return v > 1.0f ? 1.0f : v;
}

ColorRef Color::make(Space space, float a, float b, float c, float d, float alpha)
{
    auto col = std::make_shared<Color>();
    col->space_ = space;
    col->c_[0] = clampComponent(a);
    col->c_[1] = clampComponent(b);
    col->c_[2] = clampComponent(c);
    col->c_[3] = clampComponent(d);
    col->alpha_ = clampComponent(alpha);
    return col;
}

ColorRef Color::colorWithDeviceCyan(float c, float m, float y, float k, float alpha)
{
    return make(Space::CMYK, c, m, y, k, alpha);
}

ColorRef Color::colorWithGray(float white, float alpha)
{
    return make(Space::Gray, white, 0, 0, 0, alpha);
}

ColorRef Color::colorWithDeviceRed(float r, float g, float b, float alpha)
{
    return make(Space::RGB, r, g, b, 0, alpha);
}


#define KIT_NAMED_COLOR(fn, nm, expr)                                 \
    ColorRef Color::fn()                                              \
    {                                                                 \
        static const ColorRef c = [] {                                \
            ColorRef made = expr;                                     \
            const_cast<Color&>(*made).name_ = nm;                     \
            return made;                                              \
        }();                                                          \
        return c;                                                     \
    }

KIT_NAMED_COLOR(whiteColor, "white", colorWithGray(1.0f))
KIT_NAMED_COLOR(blackColor, "black", colorWithGray(0.0f))
KIT_NAMED_COLOR(clearColor, "clear", colorWithGray(0.0f, 0.0f))
KIT_NAMED_COLOR(lightGrayColor, "lightGray", colorWithGray(2.0f / 3.0f))
KIT_NAMED_COLOR(darkGrayColor, "darkGray", colorWithGray(1.0f / 3.0f))
KIT_NAMED_COLOR(grayColor, "gray", colorWithGray(0.5f))
KIT_NAMED_COLOR(redColor, "red", colorWithDeviceRed(1.0f, 0.0f, 0.0f))

#undef KIT_NAMED_COLOR

ColorRef Color::namedColor(const std::string& name)
{
    static const std::map<std::string, ColorRef (*)()> table = {
        {"white", &Color::whiteColor},         {"black", &Color::blackColor},
        {"clear", &Color::clearColor},         {"lightGray", &Color::lightGrayColor},
        {"darkGray", &Color::darkGrayColor},   {"gray", &Color::grayColor},
        {"red", &Color::redColor},
    };
    auto it = table.find(name);
    return it == table.end() ? nullptr : it->second();
}

float Color::whiteComponent() const
{
    return grayLevel();
}

void Color::getCyan(float& c, float& m, float& y, float& k) const
{
    switch (space_) {
    case Space::CMYK:
        c = c_[0], m = c_[1], y = c_[2], k = c_[3];
        return;
    case Space::Gray:
        c = m = y = 0.0f;
        k = 1.0f - c_[0];
        return;
    case Space::RGB: {
        float cc = 1.0f - c_[0], mm = 1.0f - c_[1], yy = 1.0f - c_[2];
        float kk = std::min({cc, mm, yy});
        c = cc - kk, m = mm - kk, y = yy - kk, k = kk;
        return;
    }
    }
}

void Color::getRed(float& r, float& g, float& b) const
{
    switch (space_) {
    case Space::RGB:
        r = c_[0], g = c_[1], b = c_[2];
        return;
    case Space::Gray:
        r = g = b = c_[0];
        return;
    case Space::CMYK:
        r = 1.0f - std::min(1.0f, c_[0] + c_[3]);
        g = 1.0f - std::min(1.0f, c_[1] + c_[3]);
        b = 1.0f - std::min(1.0f, c_[2] + c_[3]);
        return;
    }
}

float Color::grayLevel() const
{
    if (space_ == Space::Gray)
        return c_[0];
    float r, g, b;
    getRed(r, g, b);
    // The luminance weights of the PostScript colour conversions.
    return clampComponent(0.3f * r + 0.59f * g + 0.11f * b);
}

ColorRef Color::colorWithAlphaComponent(float alpha) const
{
    if (clampComponent(alpha) == alpha_)
        return shared_from_this();
    return make(space_, c_[0], c_[1], c_[2], c_[3], alpha);
}

bool Color::isEqual(const Object& other) const
{
    if (this == &other)
        return true;
    auto* o = dynamic_cast<const Color*>(&other);
    if (!o || o->space_ != space_ || o->alpha_ != alpha_)
        return false;
    return std::equal(std::begin(c_), std::end(c_), std::begin(o->c_));
}

std::string Color::description() const
{
    std::string s;
    switch (space_) {
    case Space::Gray:
        s = "DeviceGray " + num(c_[0]);
        break;
    case Space::RGB:
        s = "DeviceRGB " + num(c_[0]) + " " + num(c_[1]) + " " + num(c_[2]);
        break;
    case Space::CMYK:
        s = "DeviceCMYK " + num(c_[0]) + " " + num(c_[1]) + " " + num(c_[2]) + " " + num(c_[3]);
        break;
    }
    return s + " " + num(alpha_);
}

} // namespace kit
