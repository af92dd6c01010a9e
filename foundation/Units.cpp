#include "foundation/Units.h"

#include "core/Locale.h"
#include "foundation/ApplicationDelegate.h"
#include "graphics/Font.h"

#include <algorithm>
#include <cmath>

const float pointsPerUnit[UNITS_KIND_COUNT] = {12.0f, 1.0f, 72.0f, 28.346457f};
const float incrementsOfUnit[UNITS_KIND_COUNT] = {1.0f, 6.0f, 0.125f, 0.5f};
const int divisionRules[UNITS_KIND_COUNT] = {6, 36, 2, 10};
const int divisionLimits[UNITS_KIND_COUNT] = {1, 6, 3, 1};
const int joinRules[UNITS_KIND_COUNT] = {3, 6, 2, 5};
const char* const unitNames[UNITS_KIND_COUNT] = {"Pica", "Point", "Inch", "Centimeter"};
const float tickLengths[TICK_LENGTH_COUNT] = {10.0f, 6.0f, 4.0f, 2.0f};

float TickLengthForLevel(int level)
{
    return tickLengths[std::clamp(level, 0, TICK_LENGTH_COUNT - 1)];
}

namespace {
// Helvetica's digits are 556/1000 em wide: the width to fall back on when
// the face is not installed, so rulers still space their labels sensibly.
constexpr float FallbackDigitEm = 0.556f;
constexpr float LabelSize = 9.0f;

const char* const abbreviations[UNITS_KIND_COUNT] = {"pc", "pt", "in", "cm"};
const char* const truncateFormats[UNITS_KIND_COUNT] = {"%.2f", "%.1f", "%.3f", "%.3f"};
} // namespace

const RulerLabelMetrics& GetRulerLabelMetrics()
{
    static const RulerLabelMetrics metrics = [] {
        RulerLabelMetrics m;
        m.font = kit::Font::fontWithName("Helvetica", LabelSize);
        m.digitWidth = m.font ? m.font->widthOfString("0") : FallbackDigitEm * LabelSize;
        return m;
    }();
    return metrics;
}

float GetRulerMajorThreshold() { return 3.0f * GetRulerLabelMetrics().digitWidth; }

int CheckedUnitsKind(int kind)
{
    return static_cast<unsigned>(kind) < UNITS_KIND_COUNT ? kind : UNITS_INCHES;
}

static float ppu(int kind) { return pointsPerUnit[CheckedUnitsKind(kind)]; }

void ConvertPointToUnits(kit::Point* point, int kind)
{
    if (!point)
        return;
    point->x /= ppu(kind);
    point->y /= ppu(kind);
}

void ConvertPointToUnits(kit::Size* size, int kind)
{
    if (!size)
        return;
    size->width /= ppu(kind);
    size->height /= ppu(kind);
}

void ConvertRectToUnits(kit::Rect* rect, int kind)
{
    if (!rect)
        return;
    ConvertPointToUnits(&rect->origin, kind);
    ConvertPointToUnits(&rect->size, kind);
}

void ConvertUnitsToPoint(kit::Point* point, int kind)
{
    if (!point)
        return;
    point->x *= ppu(kind);
    point->y *= ppu(kind);
}

void ConvertUnitsToPoint(kit::Size* size, int kind)
{
    if (!size)
        return;
    size->width *= ppu(kind);
    size->height *= ppu(kind);
}

void ConvertUnitsToRect(kit::Rect* rect, int kind)
{
    if (!rect)
        return;
    ConvertUnitsToPoint(&rect->origin, kind);
    ConvertUnitsToPoint(&rect->size, kind);
}

void ConvertPointToOrigin(kit::Point* point, const kit::Point* origin)
{
    if (!point || !origin)
        return;
    point->x -= origin->x;
    point->y -= origin->y;
}

void ConvertPointFromOrigin(kit::Point* point, const kit::Point* origin)
{
    if (!point || !origin)
        return;
    point->x += origin->x;
    point->y += origin->y;
}

float CoordToUnits(float coordinate, float offset, int kind, float scale)
{
    return (coordinate + offset) / ppu(kind) / scale;
}

float UnitsToCoord(float offset, float value, int kind, float scale)
{
    return scale * value * ppu(kind) - offset;
}

// Joins units by powers of the join rule until a major step is at least the
// threshold wide on screen. Answers the number of joins made (0 when one unit
// is wide enough already).
static int joinedIncrement(float scale, int kind, float threshold, float* increment)
{
    *increment = 1.0f;
    const float pixels = scale * ppu(kind);
    if (pixels >= threshold)
        return 0;
    const int join = joinRules[kind];
    int i = 0;
    // A zero or non-finite scale can never reach the threshold; the loop is
    // bounded so that such a view gets a huge step instead of a hang.
    while (pixels * *increment < threshold && i < 64) {
        ++i;
        *increment = static_cast<float>(std::pow(static_cast<double>(join), i)) / scale;
        if (!std::isfinite(*increment))
            break;
    }
    return i;
}

void GetMajorUnitsWithThreshold(float scale, int kind, float threshold, float* increment, int* divisions)
{
    kind = CheckedUnitsKind(kind);
    float inc = 1.0f;
    const int joins = joinedIncrement(scale, kind, threshold, &inc);
    if (increment)
        *increment = inc;
    if (divisions)
        *divisions = joins == 0 && scale * ppu(kind) >= threshold ? divisionRules[kind] : joinRules[kind];
}

void GetMajorUnits(float scale, int kind, float* increment, int* divisions)
{
    GetMajorUnitsWithThreshold(scale, kind, GetRulerMajorThreshold(), increment, divisions);
}

void GetTickUnits(float scale, int kind, float major, int divisions, float* tickSpacing, int* tickLevels)
{
    kind = CheckedUnitsKind(kind);
    float spacing = major;
    int levels = 0;
    float s = major;
    int budget = divisionLimits[kind] + 4;
    // Written as a positive test so that a NaN ends the loop.
    while (scale * ppu(kind) * s >= 5.0f) {
        if (--budget <= 0)
            break;
        spacing = s;
        ++levels;
        s = major / static_cast<float>(std::pow(static_cast<double>(divisions), levels));
    }
    if (tickSpacing)
        *tickSpacing = spacing;
    if (tickLevels)
        *tickLevels = levels;
}

float GetMajorUnitsIncrementFor(float scale, int kind, float threshold)
{
    float inc = 1.0f;
    joinedIncrement(scale, CheckedUnitsKind(kind), threshold, &inc);
    return inc;
}

float GetMajorUnitsIncrementFor(float scale, int kind)
{
    return GetMajorUnitsIncrementFor(scale, kind, GetRulerMajorThreshold());
}

std::string TruncateUnits(float value, int kind)
{
    const char* format = static_cast<unsigned>(kind) < UNITS_KIND_COUNT ? truncateFormats[kind] : "%.2f";
    return kit::Locale::formatFloat(value, format);
}

std::string TruncatePrecision(float value, int precision)
{
    // printf's precision has no useful meaning far beyond a float's digits.
    if (precision > 64)
        precision = 64;
    return kit::Locale::formatFloat(value, precision);
}

std::string UnitsAbbreviationText(int kind)
{
    const char* key = abbreviations[CheckedUnitsKind(kind)];
    if (Main)
        return Main->valueForStringKey(key);
    return key;
}
