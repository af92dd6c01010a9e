// The stored form of a document's units: the unit kind, the origin mask, the
// ruler sides and the ruler origin. The document is not stored.

#include "foundation/UnitsInfo.h"

#include "core/Coder.h"

#include <cmath>

void UnitsInfo::encodeWithCoder(kit::Coder& coder) const
{
    coder.encodeValuesOfObjCTypes("ssss", units_, origin_, rulerHorizSides_, rulerVertSides_);
    coder.encodePoint(originPoint_);
}

kit::Object* UnitsInfo::initWithCoder(kit::Coder& coder)
{
    short units = 0;
    if (kit::isCurrentFileVersion(coder.openFileVersion())) {
        coder.decodeValuesOfObjCTypes("ssss", &units, &origin_, &rulerHorizSides_, &rulerVertSides_);
    } else {
        coder.decodeValueOfObjCType("s", &units);
        coder.decodeValueOfObjCType("s", &origin_);
        coder.decodeValueOfObjCType("s", &rulerHorizSides_);
        coder.decodeValueOfObjCType("s", &rulerVertSides_);
    }
    // The kind indexes the points-per-unit table.
    setUnits(units);
    kit::Point origin = coder.decodePoint();
    // Older programs could store an origin that is not a number.
    originPoint_.x = std::isfinite(origin.x) ? origin.x : 0.0f;
    originPoint_.y = std::isfinite(origin.y) ? origin.y : 0.0f;
    return this;
}
