#include "foundation/StyleChar.h"

#include "core/Coder.h"
#include "core/Exception.h"
#include "foundation/CommonHelpers.h"
#include "foundation/StoredColor.h"
#include "graphics/Font.h"

#include <cmath>

kit::Font* StyleChar::fontFromStoredName(const std::optional<std::string>& name, float size)
{
    if (!name || size == 0.0f)
        return nullptr;
    // A size no font can have (negative, NaN) leaves the style without one.
    if (!(size > 0.0f) || !std::isfinite(size))
        return nullptr;
    return findFont(*name, size, true);
}

kit::Font* StyleChar::decodeFontObject(kit::Coder& coder)
{
    kit::Object* object = coder.decodeObject();
    if (!object)
        return nullptr;
    auto* font = dynamic_cast<kit::Font*>(object);
    if (!font)
        kit::Exception::raise(kit::ArchiverArchiveInconsistencyException,
                              "a " + object->className() + " where a font was stored");
    return font;
}

void StyleChar::encodeWithCoder(kit::Coder& coder) const
{
    coder.encodeObject(font_);
    coder.encodeValuesOfObjCTypes("ffffffs", wordSpace_, condense_, leading_, tracking_, vertical_, lineSpacing_,
                                  short(special_));
    coder.encodeColor(color_);
}

kit::Object* StyleChar::initWithCoder(kit::Coder& coder)
{
    const float v = coder.openFileVersion();
    short special = 0;
    if (kit::isCurrentFileVersion(v)) {
        font_ = decodeFontObject(coder);
        coder.decodeValuesOfObjCTypes("ffffffs", &wordSpace_, &condense_, &leading_, &tracking_, &vertical_,
                                      &lineSpacing_, &special);
        color_ = coder.decodeColor();
    } else if (v >= 2.2f) {
        std::optional<std::string> name;
        float size = 0.0f;
        coder.decodeValuesOfObjCTypes("*fffffffs", &name, &size, &wordSpace_, &condense_, &leading_, &tracking_,
                                      &vertical_, &lineSpacing_, &special);
        font_ = fontFromStoredName(name, size);
        color_ = decodeNXColor(coder);
    } else {
        std::optional<std::string> name;
        float size = 0.0f;
        coder.decodeValuesOfObjCTypes("*f", &name, &size);
        for (float* field : {&wordSpace_, &condense_, &leading_, &tracking_, &vertical_})
            coder.decodeValueOfObjCType("f", field);
        short dropped = 0;
        coder.decodeValueOfObjCType("s", &special);
        coder.decodeValueOfObjCType("s", &dropped);
        color_ = decodeNXColor(coder);
        font_ = fontFromStoredName(name, size);
        // These files stored automatic leading in the current encoding but
        // meant the whole line height.
        if (leading_ > StyleAutoLeadingThreshold)
            leading_ = leading_ - StyleAutoLeading + size;
        lineSpacing_ = 1.0f;
    }
    special_ = static_cast<unsigned short>(special);
    if (condense_ == 0.0f)
        condense_ = 1.0f;
    if (lineSpacing_ == 0.0f)
        lineSpacing_ = 1.0f;
    return this;
}
