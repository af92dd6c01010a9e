// Snapping a point on a page to guides and to ruler ticks. The reach is
// constant on the screen: 4 pixels at the zoom the page view last drew at.

#include "document/Page.h"

#include "document/Guide.h"
#include "document/LayoutDocument.h"
#include "foundation/CMGeometry.h"
#include "foundation/Units.h"
#include "foundation/UnitsInfo.h"

#include <cmath>

namespace {

constexpr int GuideSnappedX = 1, GuideSnappedY = 2;
constexpr int RulerX = 2, RulerY = 1;

// 4 screen pixels in page points; nothing for a zoom that is not a
// finite positive number.
float snapReach()
{
    return CMZoomStatus > 0.0f && std::isfinite(CMZoomStatus) ? 4.0f / CMZoomStatus : 0.0f;
}

// The document's unit and ruler origin (units come with the document's
// stored form; until a document keeps its own, inches from the origin).
struct RulerUnits {
    int kind = UNITS_INCHES;
    kit::Point origin{};
};

template <class Document>
RulerUnits rulerUnitsOf(const Document* document)
{
    RulerUnits units;
    if constexpr (requires { document->unitsInfo(); }) {
        if (const UnitsInfo* info = document ? document->unitsInfo() : nullptr) {
            units.kind = CheckedUnitsKind(info->units());
            units.origin = {info->horizontalUnitsOrigin(), info->verticalUnitsOrigin()};
        }
    }
    return units;
}

} // namespace

int Page::snapPoint(kit::Point* point, const std::vector<std::unique_ptr<Guide>>& toGuides, int* result)
{
    int mask = result ? *result : 0;
    const float reach = snapReach();
    if (point)
        for (const auto& guide : toGuides) {
            if (mask == (GuideSnappedX | GuideSnappedY))
                break;
            if (!guide)
                continue;
            const float at = guide->location();
            if (guide->orientation() == Guide::Horizontal) {
                if (!(mask & GuideSnappedY) && std::fabs(at - point->y) < reach) {
                    point->y = at;
                    mask |= GuideSnappedY;
                }
            } else if (!(mask & GuideSnappedX) && std::fabs(at - point->x) < reach) {
                point->x = at;
                mask |= GuideSnappedX;
            }
        }
    if (result)
        *result = mask;
    return mask;
}

int Page::snapPointToGuides(kit::Point* point) const
{
    int mask = 0;
    if (document_)
        snapPoint(point, document_->guidesForPage(this), &mask);
    if (mask != (GuideSnappedX | GuideSnappedY))
        snapPoint(point, guides_, &mask);
    return mask;
}

int Page::snapPointToRulers(kit::Point* point, int direction) const
{
    if (!point)
        return 0;
    const RulerUnits units = rulerUnitsOf(document_);
    const float reach = snapReach();
    const float zoom = reach > 0.0f ? CMZoomStatus : 1.0f;
    float major = 0.0f, tick = 0.0f;
    int divisions = 0, levels = 0;
    GetMajorUnits(zoom, units.kind, &major, &divisions);
    GetTickUnits(zoom, units.kind, major, divisions, &tick, &levels);
    const float step = tick * pointsPerUnit[units.kind];
    if (step == 0.0f || !std::isfinite(step))
        return 0;
    int mask = 0;
    // The ticks run from the ruler origin, in page points at any zoom.
    auto snapOne = [&](float* value, float origin, int bit) {
        const float candidate = std::rint((*value - origin) / step) * step + origin;
        if (std::fabs(candidate - *value) < reach) {
            *value = candidate;
            mask |= bit;
        }
    };
    if (direction & RulerX)
        snapOne(&point->x, units.origin.x, RulerX);
    if (direction & RulerY)
        snapOne(&point->y, units.origin.y, RulerY);
    return mask;
}
