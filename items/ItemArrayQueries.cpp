// What a selection has in common, as the inspectors ask, and the lists made
// from a selection.

#include "items/ItemArray.h"

#include "foundation/StyleGraphic.h"
#include "foundation/StyleParagraph.h"
#include "items/Item.h"
#include "items/ItemGroup.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/DocumentView.h"

#include <cmath>
#include <functional>

namespace {

// Readings farther apart than this are different.
constexpr float SameReading = 5e-6f;
// The mask of every attribute a graphic style compares.
constexpr int AllDifferences = 0x1f7f;

template <class Bounds>
kit::Rect unionOf(const std::vector<Item*>& items, Bounds&& bounds)
{
    kit::Rect all{};
    bool first = true;
    for (Item* item : items) {
        if (!item)
            continue;
        const kit::Rect r = bounds(*item);
        all = first ? r : kit::unionRect(all, r);
        first = false;
    }
    return all;
}

} // namespace

kit::Rect frame(const std::vector<Item*>& items)
{
    return unionOf(items, [](const Item& item) { return item.frame(); });
}

void getFrameBounds(const std::vector<Item*>& items, kit::Rect* rect)
{
    if (!rect)
        return;
    *rect = unionOf(items, [](const Item& item) {
        kit::Rect r{};
        item.getFrameBounds(&r);
        return r;
    });
}

void getUpdateBounds(const std::vector<Item*>& items, kit::Rect* rect, const DocumentView* view)
{
    getUpdateBounds(items, rect, view, true);
}

void getUpdateBounds(const std::vector<Item*>& items, kit::Rect* rect, const DocumentView* view, bool knobs)
{
    (void)knobs; // the knobs' margin follows the last item's selection
    if (!rect)
        return;
    *rect = unionOf(items, [&](const Item& item) {
        kit::Rect r{};
        item.getUpdateBounds(&r, view);
        return r;
    });
    if (items.empty() || !items.back())
        return;
    const Item* last = items.back();
    last->convertToView(&rect->origin);
    const float zoom = view ? view->zoom() : 0.0f;
    if (last->isSelected() && zoom > 0.0f && std::isfinite(zoom)) {
        const float grow = 5.0f / (2.0f * zoom);
        *rect = kit::insetRect(*rect, -grow, -grow);
    }
}

bool getRotation(const std::vector<Item*>& items, float* degrees)
{
    float last = 0.0f;
    if (!items.empty() && items.back())
        items.back()->getRotation(&last);
    for (Item* item : items) {
        float reading = 0.0f;
        if (!item || !item->getRotation(&reading) || std::fabs(reading - last) > SameReading)
            return false;
    }
    if (degrees)
        *degrees = last;
    return true;
}

bool getScale(const std::vector<Item*>& items, float* sx, float* sy)
{
    float lastX = 1.0f, lastY = 1.0f;
    if (sx)
        *sx = 1.0f;
    if (sy)
        *sy = 1.0f;
    if (!items.empty() && items.back())
        items.back()->getScale(&lastX, &lastY);
    for (Item* item : items) {
        float x = 1.0f, y = 1.0f;
        if (!item || !item->getScale(&x, &y) || std::fabs(x - lastX) > SameReading ||
            std::fabs(y - lastY) > SameReading)
            return false;
    }
    if (sx)
        *sx = lastX;
    if (sy)
        *sy = lastY;
    return true;
}

bool isLocked(const std::vector<Item*>& items)
{
    for (Item* item : items)
        if (item && !item->isLocked())
            return false;
    return true;
}

bool conformsToMaster(const std::vector<Item*>& items)
{
    for (Item* item : items)
        if (dynamic_cast<TextItem*>(item) && !item->conformsToMaster())
            return false;
    return true;
}

int masterFlags(const std::vector<Item*>& items)
{
    int flags = 0;
    for (Item* item : items)
        if (item)
            flags |= item->masterFlags();
    return flags;
}

int checkGraphicPermissions(const std::vector<Item*>& items, int* permissions)
{
    int all = 0;
    for (Item* item : items)
        if (item)
            all |= item->graphicPermissions();
    if (permissions)
        *permissions = all;
    return all;
}

StyleGraphic* graphicStyle(const std::vector<Item*>& items)
{
    if (items.empty() || !items.front())
        return nullptr;
    StyleGraphic* first = items.front()->graphicStyle();
    StyleGraphic* common = first;
    for (std::size_t i = 1; i < items.size() && common; ++i) {
        StyleGraphic* style = items[i] ? items[i]->graphicStyle() : nullptr;
        const bool named = style && style->isNamedStyle();
        if (!first->isNamedStyle()) {
            if (named)
                common = nullptr;
        } else if (named && style->rootStyle() == first->rootStyle() && common->isRootStyle()) {
            common = style;
        }
    }
    return common;
}

StyleGraphic* checkGraphicStyleValues(const std::vector<Item*>& items, StyleGraphic* style, int* differences)
{
    int mask = 0;
    if (style && !items.empty() && items.front()) {
        if (const StyleGraphic* first = items.front()->graphicStyle())
            style->takeStyleValuesFrom(first);
        for (std::size_t i = 1; i < items.size() && mask != AllDifferences; ++i)
            if (const StyleGraphic* other = items[i] ? items[i]->graphicStyle() : nullptr)
                mask |= other->differencesFromStyle(style);
    }
    if (differences)
        *differences = mask;
    return graphicStyle(items);
}

kit::Font* getFont(const std::vector<Item*>& items, int* mixed)
{
    kit::Font* font = nullptr;
    const TextItem* last = nullptr;
    for (Item* item : items)
        if (auto* column = dynamic_cast<TextItem*>(item); column && column->flow())
            last = column;
    if (last)
        font = last->flow()->font();
    if (mixed)
        for (Item* item : items)
            if (auto* column = dynamic_cast<TextItem*>(item); column && column->flow() && column->flow()->font() != font)
                *mixed = 1;
    return font;
}

StyleParagraph* paragraphStyle(const std::vector<Item*>& items)
{
    StyleParagraph* candidate = nullptr;
    bool wantsCandidate = true;
    for (Item* item : items) {
        auto* column = dynamic_cast<TextItem*>(item);
        if (!column)
            continue;
        StyleParagraph* style = column->paragraphStyle();
        if (wantsCandidate) {
            candidate = style;
            wantsCandidate = false;
        } else if (candidate && !candidate->isBasedOnNamedStyle() && style && style->isBasedOnNamedStyle()) {
            candidate = nullptr;
            wantsCandidate = true;
        }
    }
    return candidate;
}

// ---- New lists.

std::vector<Item*> expandItemGroups(const std::vector<Item*>& items)
{
    std::vector<Item*> list = items;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (const auto* group = dynamic_cast<const ItemGroup*>(list[i]))
            group->expandItemGroups(list, i + 1);
    return list;
}

const std::vector<Item*>& splitIntoLocked(const std::vector<Item*>& items, std::vector<Item*>* locked,
                                          std::vector<Item*>* unlocked)
{
    if (locked)
        locked->clear();
    if (unlocked)
        unlocked->clear();
    for (Item* item : items) {
        if (!item)
            continue;
        std::vector<Item*>* into = item->isLocked() ? locked : unlocked;
        if (into)
            into->push_back(item);
    }
    return items;
}

std::vector<Item*> subsetCopyForLockState(const std::vector<Item*>& items, bool flag)
{
    std::vector<Item*> subset;
    for (Item* item : items)
        if (item && item->isLocked() == flag)
            subset.push_back(item);
    return subset;
}

std::vector<TextItem*> textColumnsWithin(const std::vector<Item*>& items)
{
    std::vector<TextItem*> columns;
    std::function<void(Item*)> visit = [&](Item* item) {
        if (auto* column = dynamic_cast<TextItem*>(item))
            columns.push_back(column);
        else if (auto* group = dynamic_cast<ItemGroup*>(item))
            for (const auto& member : group->items())
                visit(member.get());
    };
    for (Item* item : items)
        visit(item);
    return columns;
}

std::vector<Item*> subsetCopyForTextItems(const std::vector<Item*>& items)
{
    std::vector<Item*> subset;
    for (Item* item : items)
        if (dynamic_cast<TextItem*>(item))
            subset.push_back(item);
    return subset;
}
