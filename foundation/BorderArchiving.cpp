#include "foundation/Border.h"

#include "core/Coder.h"
#include "foundation/StoredColor.h"

void Border::encodeWithCoder(kit::Coder& coder) const
{
    for (const Side* side : {&top_, &left_, &bottom_, &right_}) {
        coder.encodeValuesOfObjCTypes("sff", side->style, side->width, side->offset);
        coder.encodeColor(side->color);
    }
    char hasFill = hasFillColor_ ? 1 : 0;
    coder.encodeValueOfObjCType("c", &hasFill);
    coder.encodeColor(fillColor_);
}

kit::Object* Border::initWithCoder(kit::Coder& coder)
{
    for (Side* side : {&top_, &left_, &bottom_, &right_}) {
        coder.decodeValuesOfObjCTypes("sff", &side->style, &side->width, &side->offset);
        side->color = decodeStoredColor(coder);
    }
    char hasFill = 0;
    coder.decodeValueOfObjCType("c", &hasFill);
    hasFillColor_ = hasFill != 0;
    fillColor_ = decodeStoredColor(coder);
    areLinesEqual_ = 2;
    return this;
}
