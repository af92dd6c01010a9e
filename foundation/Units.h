#pragma once

// Measurement units and ruler divisions. Points (1/72 inch) are the internal
// unit of every length; these tables and functions convert for the rulers,
// panels and the info bar.

#include "core/Geometry.h"

#include <string>
#include <vector>

namespace kit {
class Font;
}

// Unit kinds.
inline constexpr int UNITS_PICAS = 0;
inline constexpr int UNITS_POINTS = 1;
inline constexpr int UNITS_INCHES = 2;
inline constexpr int UNITS_CENTIMETERS = 3;
inline constexpr int UNITS_KIND_COUNT = 4;

extern const float pointsPerUnit[UNITS_KIND_COUNT];
extern const float incrementsOfUnit[UNITS_KIND_COUNT];
extern const int divisionRules[UNITS_KIND_COUNT];
extern const int divisionLimits[UNITS_KIND_COUNT];
extern const int joinRules[UNITS_KIND_COUNT];
extern const char* const unitNames[UNITS_KIND_COUNT];

// Ruler tick lengths by level, the major tick first.
inline constexpr int TICK_LENGTH_COUNT = 4;
extern const float tickLengths[TICK_LENGTH_COUNT];
// Levels deeper than the table take its last length; a negative level the first.
float TickLengthForLevel(int level);

// A kind read from an edited defaults file or a damaged document may be
// anything; tables are only ever indexed through this, which maps a kind
// outside 0..3 to inches (as UnitsInfo's setUnits: does).
int CheckedUnitsKind(int kind);

void ConvertPointToUnits(kit::Point* point, int kind);
void ConvertPointToUnits(kit::Size* size, int kind);
void ConvertRectToUnits(kit::Rect* rect, int kind);
void ConvertUnitsToPoint(kit::Point* point, int kind);
void ConvertUnitsToPoint(kit::Size* size, int kind);
void ConvertUnitsToRect(kit::Rect* rect, int kind);
void ConvertPointToOrigin(kit::Point* point, const kit::Point* origin);
void ConvertPointFromOrigin(kit::Point* point, const kit::Point* origin);

float CoordToUnits(float coordinate, float offset, int kind, float scale);
float UnitsToCoord(float offset, float value, int kind, float scale);

// The labels of the rulers, set up on first use: the font "Helvetica" 9 pt
// (nil when it is not installed), the width of one digit, the label height.
// RulerViewInset shows its labels with them; numbered ticks stand at least
// three digits apart (RulerViewInset::majorThreshold).
struct RulerLabelMetrics {
    kit::Font* font = nullptr;
    float digitWidth = 0.0f;
    float labelHeight = 7.0f;
};
const RulerLabelMetrics& GetRulerLabelMetrics();
float GetRulerMajorThreshold();

// The major step of a ruler at this zoom, with the smallest distance in
// pixels between labelled marks that the rulers keep.
void GetMajorUnits(float scale, int kind, float* increment, int* divisions);
// The same with the distance given.
void GetMajorUnitsWithThreshold(float scale, int kind, float threshold, float* increment, int* divisions);
void GetTickUnits(float scale, int kind, float major, int divisions, float* tickSpacing, int* tickLevels);

// The major step alone, for a zoom and a unit kind.
float GetMajorUnitsIncrementFor(float scale, int kind, float threshold);
float GetMajorUnitsIncrementFor(float scale, int kind);

// For a page view: kind from its document's units, scale from its zoom.
template <class View>
float GetMajorUnitsIncrement(const View& view)
{
    return GetMajorUnitsIncrementFor(view.zoom(), view.document()->unitsInfo()->units());
}

std::string TruncateUnits(float value, int kind);
std::string TruncatePrecision(float value, int precision);

// The tag of the unit labels beside length fields.
inline constexpr int UNITS_LABEL_TAG = 1000;

// The string-table text of the kind's abbreviation ("pc", "pt", "in", "cm").
std::string UnitsAbbreviationText(int kind);

// Every view (depth first, subviews before the view itself) tagged 1000
// shows the abbreviation of the kind. A view answers subviews() (a range of
// pointers), tag() and setStringValue(text).
template <class ViewRange>
void ConvertViewsToUnits(const ViewRange& views, int kind)
{
    const std::string text = UnitsAbbreviationText(kind);
    auto visit = [&](auto& self, auto* view) -> void {
        if (!view)
            return;
        for (auto* sub : view->subviews())
            self(self, sub);
        if (view->tag() == UNITS_LABEL_TAG)
            view->setStringValue(text);
    };
    for (auto* view : views)
        visit(visit, view);
}
