#include "core/Coder.h"
#include "core/Color.h"

namespace kit {

// One unit: space, four components, alpha, the shared name (nil for others).
void Color::encodeWithCoder(Coder& coder) const
{
    char space = char(space_);
    std::optional<std::string> name;
    if (!name_.empty())
        name = name_;
    coder.encodeValuesOfObjCTypes("c[4f]f%", space, c_, alpha_, name);
}

Object* Color::initWithCoder(Coder& coder)
{
    char space = 0;
    float c[4] = {0, 0, 0, 0};
    float alpha = 1.0f;
    std::optional<std::string> name;
    coder.decodeValuesOfObjCTypes("c[4f]f%", &space, &c, &alpha, &name);
    if (space < char(Space::Gray) || space > char(Space::CMYK))
        Exception::raise(ArchiverArchiveInconsistencyException, "unknown colour space " + std::to_string(int(space)));
    // A shared named colour answers the one shared instance, which the
    // decoder does not own; an unknown name is just a colour.
    if (name) {
        if (ColorRef shared = namedColor(*name))
            return const_cast<Color*>(shared.get());
    }
    space_ = Space(space);
    for (int i = 0; i < 4; ++i)
        c_[i] = clampComponent(c[i]);
    alpha_ = clampComponent(alpha);
    return this;
}

void Coder::encodeColor(const ColorRef& color)
{
    encodeObject(color.get());
}

ColorRef Coder::decodeColor()
{
    return decodeSharedObject<Color>();
}

} // namespace kit
