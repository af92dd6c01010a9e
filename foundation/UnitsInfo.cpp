#include "foundation/UnitsInfo.h"

#include "foundation/ApplicationDelegate.h"
#include "foundation/Preferences.h"
#include "foundation/Units.h"

namespace {
std::vector<std::string>& abbreviationList()
{
    static std::vector<std::string> list;
    return list;
}
} // namespace

void UnitsInfo::initialize()
{
    auto& list = abbreviationList();
    if (list.empty())
        list = {"pc", "pt", "in", "cm"};
}

const std::vector<std::string>& UnitsInfo::unitNamesAbbr()
{
    initialize();
    return abbreviationList();
}

UnitsInfo::UnitsInfo()
{
    int kind = UNITS_INCHES;
    if (Main)
        if (Preferences* prefs = Main->preferences())
            kind = prefs->units();
    setUnits(kind);
}

void UnitsInfo::setUnits(int units)
{
    units_ = static_cast<short>(CheckedUnitsKind(units));
}

std::string UnitsInfo::unitName() const
{
    static const char* const names[UNITS_KIND_COUNT] = {"Picas", "Points", "Inches", "Centimeters"};
    return static_cast<unsigned>(units_) < UNITS_KIND_COUNT ? names[units_] : "???";
}

float UnitsInfo::unitsDivision() const { return incrementsOfUnit[CheckedUnitsKind(units_)]; }

float UnitsInfo::ppu() const { return pointsPerUnit[CheckedUnitsKind(units_)]; }

void UnitsInfo::convertFloatValueFromUnits(float value, float* points) const
{
    if (points)
        *points = value * ppu();
}

void UnitsInfo::convertPointToUnits(kit::Point* point) const
{
    if (!point)
        return;
    point->x = (point->x + originPoint_.x) / ppu();
    point->y = (point->y + originPoint_.y) / ppu();
}

void UnitsInfo::convertSizeToUnits(kit::Size* size) const
{
    if (!size)
        return;
    size->width /= ppu();
    size->height /= ppu();
}

void UnitsInfo::convertRectToUnits(kit::Rect* rect) const
{
    if (!rect)
        return;
    convertPointToUnits(&rect->origin);
    convertSizeToUnits(&rect->size);
}

void UnitsInfo::convertUnitsToPoint(kit::Point* point) const
{
    if (!point)
        return;
    point->x = point->x * ppu() - originPoint_.x;
    point->y = point->y * ppu() - originPoint_.y;
}

void UnitsInfo::convertUnitsToSize(kit::Size* size) const
{
    if (!size)
        return;
    size->width *= ppu();
    size->height *= ppu();
}

void UnitsInfo::convertUnitsToRect(kit::Rect* rect) const
{
    if (!rect)
        return;
    convertUnitsToPoint(&rect->origin);
    convertUnitsToSize(&rect->size);
}
