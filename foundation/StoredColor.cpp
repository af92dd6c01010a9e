#include "foundation/StoredColor.h"

#include "core/Coder.h"

#include <cmath>

void encodeNXColor(kit::Coder& coder, const kit::ColorRef& color)
{
    kit::ColorRef c = color ? color : kit::Color::blackColor();
    char space = char(c->space());
    float comp[4] = {0, 0, 0, 0};
    switch (c->space()) {
    case kit::Color::Space::Gray:
        comp[0] = c->whiteComponent();
        break;
    case kit::Color::Space::RGB:
        c->getRed(comp[0], comp[1], comp[2]);
        break;
    case kit::Color::Space::CMYK:
        c->getCyan(comp[0], comp[1], comp[2], comp[3]);
        break;
    }
    coder.encodeValuesOfObjCTypes("c[4f]f", space, comp, c->alphaComponent());
}

kit::ColorRef decodeNXColor(kit::Coder& coder)
{
    char space = 0;
    float comp[4] = {0, 0, 0, 0};
    float alpha = 1.0f;
    coder.decodeValuesOfObjCTypes("c[4f]f", &space, &comp, &alpha);
    switch (space) {
    case char(kit::Color::Space::RGB):
        return kit::Color::colorWithDeviceRed(comp[0], comp[1], comp[2], alpha);
    case char(kit::Color::Space::CMYK):
        return kit::Color::colorWithDeviceCyan(comp[0], comp[1], comp[2], comp[3], alpha);
    default:
        // An unknown space is read as grey rather than refusing the file.
        return kit::Color::colorWithGray(comp[0], alpha);
    }
}

kit::ColorRef decodeStoredColor(kit::Coder& coder)
{
    if (kit::isCurrentFileVersion(coder.openFileVersion()))
        return coder.decodeColor();
    return decodeNXColor(coder);
}
