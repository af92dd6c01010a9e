#pragma once

#include "core/Object.h"

#include <memory>
#include <string>

namespace kit {

class Color;
using ColorRef = std::shared_ptr<const Color>;

// An immutable colour. Colours are shared: a copy is the same object, so code
// that asks for "the very same colour" compares pointers, and code that asks
// for an equal colour uses isEqual.
class Color : public Object, public std::enable_shared_from_this<Color> {
public:
    enum class Space { Gray, RGB, CMYK };

    static ColorRef colorWithDeviceCyan(float c, float m, float y, float k, float alpha = 1.0f);
    static ColorRef colorWithGray(float white, float alpha = 1.0f);
    static ColorRef colorWithDeviceRed(float r, float g, float b, float alpha = 1.0f);

    // The named colours are single shared instances.
    static ColorRef whiteColor();
    static ColorRef blackColor();
    static ColorRef clearColor();
    static ColorRef lightGrayColor();
    static ColorRef darkGrayColor();
    static ColorRef grayColor();
    static ColorRef redColor();

    Space space() const { return space_; }
    float alphaComponent() const { return alpha_; }
    // For grey colours.
    float whiteComponent() const;
    // Components in another space, converted the device way when needed.
    void getCyan(float& c, float& m, float& y, float& k) const;
    void getRed(float& r, float& g, float& b) const;
    float grayLevel() const;

    ColorRef copy() const { return shared_from_this(); }
    ColorRef colorWithAlphaComponent(float alpha) const;

    std::string className() const override { return "Color"; }
    bool isEqual(const Object& other) const override;
    std::string description() const override;
    void encodeWithCoder(Coder& coder) const override;
    Object* initWithCoder(Coder& coder) override;

    // Only for the class registry; colours are otherwise made by the factories.
    Color() = default;

    // Name of a shared named colour ("white", ...), empty for others.
    const std::string& sharedName() const { return name_; }
    // The shared named colour of that name, or nullptr.
    static ColorRef namedColor(const std::string& name);

private:
    // Components and alpha are kept within 0..1; NaN becomes 0 so that a
    // damaged value can't poison comparisons.
    static float clampComponent(float v);
    static ColorRef make(Space space, float a, float b, float c, float d, float alpha);

    Space space_ = Space::Gray;
    // Gray: c_[0] is white. RGB: r, g, b. CMYK: c, m, y, k.
    float c_[4] = {0, 0, 0, 0};
    float alpha_ = 1.0f;
    std::string name_;
};

} // namespace kit
