// Snapping a point on a page to guides and to ruler ticks. The reach is
// constant on the screen: 4 pixels at the zoom the page view last drew at.

#include "document/Page.h"

#include "document/Guide.h"
#include "document/LayoutDocument.h"
#include "foundation/CMGeometry.h"
#include "foundation/Units.h"
#include "foundation/UnitsInfo.h"
#include "items/Item.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

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

std::vector<Guide*> pointersTo(const std::vector<std::unique_ptr<Guide>>& guides)
{
    std::vector<Guide*> list;
    list.reserve(guides.size());
    for (const auto& guide : guides)
        list.push_back(guide.get());
    return list;
}

} // namespace

int Page::snapPoint(kit::Point* point, const std::vector<std::unique_ptr<Guide>>& toGuides, int* result)
{
    return snapPoint(point, pointersTo(toGuides), result);
}

int Page::snapPoint(kit::Point* point, const std::vector<Guide*>& toGuides, int* result)
{
    int mask = result ? *result : 0;
    const float reach = snapReach();
    if (point)
        for (const Guide* guide : toGuides) {
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

int Page::snapPointToCorners(kit::Point* point) const
{
    const float reach = snapReach();
    const float w = pageRect_.size.width, h = pageRect_.size.height;
    // A page without a finite positive size, or a zoom that gives no reach,
    // has no landmarks to snap to.
    if (!point || !(reach > 0.0f) || !std::isfinite(w) || !std::isfinite(h) || !(w > 0.0f) || !(h > 0.0f))
        return 0;
    const float xs[3] = {0.0f, w / 2.0f, w};
    const float ys[3] = {0.0f, h / 2.0f, h};
    int mask = 0;
    for (float y : ys) {
        for (float x : xs) {
            if (mask == (RulerX | RulerY))
                break;
            if (!(mask & RulerX) && std::fabs(x - point->x) < reach) {
                point->x = x;
                mask |= RulerX;
            }
            if (!(mask & RulerY) && std::fabs(y - point->y) < reach) {
                point->y = y;
                mask |= RulerY;
            }
        }
    }
    return mask;
}

void prepareKnobsForNewKnobs(KnobMarkerList* list, int newKnobs)
{
    if (!list)
        return;
    int needed = 2 * (list->count + std::max(newKnobs, 0));
    if (needed < 5)
        needed = 12;
    if (list->points.size() < std::size_t(needed))
        list->points.resize(std::size_t(needed));
}

namespace {

// Appends one marker; room is checked before every append, since a knob
// may lie on several guides.
void appendKnob(KnobMarkerList* list, kit::Point knob)
{
    prepareKnobsForNewKnobs(list, 1);
    list->points[std::size_t(2 * list->count)] = knob.x;
    list->points[std::size_t(2 * list->count + 1)] = knob.y;
    ++list->count;
}

// The representatives of a group of three knobs along one edge: the middle
// one when all lie on the guide, else each flagged one of the fallback.
void copyGroup(KnobMarkerList* list, const kit::Point* knobs, const bool* flags, std::initializer_list<int> group,
               int middle, std::initializer_list<int> fallback)
{
    bool all = true;
    for (int k : group)
        all = all && flags[k];
    if (all) {
        appendKnob(list, knobs[middle]);
        return;
    }
    for (int k : fallback)
        if (flags[k])
            appendKnob(list, knobs[k]);
}

} // namespace

void copyHNormalKnobs(KnobMarkerList* list, const kit::Point* knobs, const bool* flags)
{
    if (!list || !knobs || !flags)
        return;
    copyGroup(list, knobs, flags, {0, 1, 2}, 1, {7, 0, 1, 2, 3});
    copyGroup(list, knobs, flags, {4, 5, 6}, 5, {5, 6, 4});
}

void copyVNormalKnobs(KnobMarkerList* list, const kit::Point* knobs, const bool* flags)
{
    if (!list || !knobs || !flags)
        return;
    copyGroup(list, knobs, flags, {0, 7, 6}, 7, {5, 6, 7, 0, 1});
    copyGroup(list, knobs, flags, {2, 3, 4}, 3, {3, 2, 4});
}

namespace {

constexpr float OnGuide = 0.000005f;

// An item's knob points, in a buffer reused across the items of one call.
const kit::Point* knobsOf(const Item* item, std::vector<kit::Point>& buffer, int* count)
{
    *count = std::max(item->numKnobs(), 0);
    if (buffer.size() < std::size_t(std::max(*count, 8)))
        buffer.resize(std::size_t(std::max(*count, 8)));
    item->getKnobPoints(buffer.data());
    return buffer.data();
}

// The markers of one item's knobs that lie on the guides of one
// orientation (list order from the last), after the offset.
void markKnobs(KnobMarkerList* list, const kit::Point* knobs, int count, bool normal,
               const std::vector<Guide*>& guides, int orientation, kit::Point offset)
{
    for (auto it = guides.rbegin(); it != guides.rend(); ++it) {
        const Guide* guide = *it;
        if (!guide || guide->orientation() != orientation)
            continue;
        const bool horizontal = orientation == Guide::Horizontal;
        auto on = [&](const kit::Point& knob) {
            const float at = horizontal ? knob.y + offset.y : knob.x + offset.x;
            return std::fabs(guide->location() - at) < OnGuide;
        };
        if (normal) {
            bool flags[8] = {};
            bool any = false;
            for (int k = 0; k < 8; ++k)
                any = (flags[k] = on(knobs[k])) || any;
            if (any)
                (horizontal ? copyHNormalKnobs : copyVNormalKnobs)(list, knobs, flags);
        } else {
            for (int k = count - 1; k >= 0; --k)
                if (on(knobs[k]))
                    appendKnob(list, knobs[k]);
        }
    }
}

} // namespace

int Page::snapItemsToGuides(const std::vector<Item*>& items, kit::Point* offset, KnobMarkerList* knobs) const
{
    if (knobs)
        knobs->count = 0;
    const float reach = snapReach();
    if (!offset || items.empty() || !(reach > 0.0f))
        return 0;
    const std::vector<Guide*> documentGuides = document_ ? document_->guidesForPage(this) : std::vector<Guide*>{};
    const std::vector<Guide*> ownGuides = pointersTo(guides_);
    int mask = 0;
    int highest = -1;
    std::vector<kit::Point> buffer;
    for (int i = int(items.size()) - 1; i >= 0 && mask != (GuideSnappedX | GuideSnappedY); --i) {
        int count = 0;
        const kit::Point* points = knobsOf(items[std::size_t(i)], buffer, &count);
        for (const auto* list : {&documentGuides, &ownGuides}) {
            for (const Guide* guide : *list) {
                if (mask == (GuideSnappedX | GuideSnappedY))
                    break;
                if (!guide)
                    continue;
                const bool horizontal = guide->orientation() == Guide::Horizontal;
                const int bit = horizontal ? GuideSnappedY : GuideSnappedX;
                if (mask & bit)
                    continue;
                for (int k = count - 1; k >= 0; --k) {
                    const float at = horizontal ? points[k].y : points[k].x;
                    float& d = horizontal ? offset->y : offset->x;
                    if (std::fabs(guide->location() - (at + d)) < reach) {
                        d = guide->location() - at;
                        mask |= bit;
                        highest = std::max(highest, i);
                        break;
                    }
                }
            }
        }
    }
    if (!knobs || mask == 0)
        return mask;
    for (int i = highest; i >= 0; --i) {
        const Item* item = items[std::size_t(i)];
        int count = 0;
        const kit::Point* points = knobsOf(item, buffer, &count);
        prepareKnobsForNewKnobs(knobs, count);
        const bool normal = count == 8;
        for (const auto* list : {&documentGuides, &ownGuides}) {
            if (mask & GuideSnappedY)
                markKnobs(knobs, points, count, normal, *list, Guide::Horizontal, *offset);
            if (mask & GuideSnappedX)
                markKnobs(knobs, points, count, normal, *list, Guide::Vertical, *offset);
        }
    }
    if (knobs->count > 0) {
        knobs->startX = knobs->points[0] + offset->x;
        knobs->startY = knobs->points[1] + offset->y;
        for (int k = 0; k + 1 < knobs->count; ++k) {
            knobs->points[std::size_t(2 * k)] = knobs->points[std::size_t(2 * k + 2)] - knobs->points[std::size_t(2 * k)];
            knobs->points[std::size_t(2 * k + 1)] =
                knobs->points[std::size_t(2 * k + 3)] - knobs->points[std::size_t(2 * k + 1)];
        }
    }
    return mask;
}

int Page::snapItemsToRulers(const std::vector<Item*>& items, kit::Point* offset) const
{
    const float reach = snapReach();
    if (!offset || items.empty() || !(reach > 0.0f))
        return 0;
    const RulerUnits units = rulerUnitsOf(document_);
    float major = 0.0f, tick = 0.0f;
    int divisions = 0, levels = 0;
    GetMajorUnits(CMZoomStatus, units.kind, &major, &divisions);
    GetTickUnits(CMZoomStatus, units.kind, major, divisions, &tick, &levels);
    const float step = tick * pointsPerUnit[units.kind];
    if (!(step > OnGuide) || !std::isfinite(step))
        return 0;
    float bx = reach, by = reach;
    int mask = 0;
    std::vector<kit::Point> buffer;
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        int count = 0;
        const kit::Point* points = knobsOf(*it, buffer, &count);
        bool openX = true, openY = true;
        for (int k = 0; k < count && (openX || openY); ++k) {
            auto snapOne = [&](float knob, float* d, float origin, float* bound, bool* open, int bit) {
                if (!*open)
                    return;
                const float p = knob + *d;
                const float candidate = std::rint((p - origin) / step) * step + origin;
                if (std::fabs(candidate - p) < *bound) {
                    *d = candidate - knob;
                    *bound = std::fabs(candidate - p);
                    mask |= bit;
                    *open = false;
                }
            };
            snapOne(points[k].x, &offset->x, units.origin.x, &bx, &openX, RulerX);
            snapOne(points[k].y, &offset->y, units.origin.y, &by, &openY, RulerY);
        }
    }
    return mask;
}
