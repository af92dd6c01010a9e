#include "items/GraphicStyleSnapshot.h"

#include "foundation/StyleGraphic.h"
#include "foundation/StyleGraphicNamed.h"
#include "items/Item.h"
#include "items/ItemGroup.h"

#include <functional>

std::unique_ptr<StyleGraphic> GraphicStyleSnapshot::keptCopy(StyleGraphic* style)
{
    std::unique_ptr<StyleGraphic> copy = style->copy();
    copy->setCanFree(true);
    if (copy->isNamedStyle() && copy->isRootStyle())
        if (auto* root = dynamic_cast<StyleGraphicNamed*>(style))
            root->addSubstyle(static_cast<StyleGraphicNamed*>(copy.get()));
    return copy;
}

GraphicStyleSnapshot::GraphicStyleSnapshot(const std::vector<Item*>& items, Reach reach)
{
    std::function<void(Item*, bool)> keep = [&](Item* item, bool member) {
        if (!item)
            return;
        if ((member || reach == ItemsAndMembers) && item->graphicStyle())
            entries_.emplace_back(item, keptCopy(item->graphicStyle()));
        if (auto* group = dynamic_cast<ItemGroup*>(item))
            for (const auto& each : group->items())
                keep(each.get(), true);
    };
    for (Item* item : items)
        keep(item, false);
}

GraphicStyleSnapshot::GraphicStyleSnapshot(GraphicStyleSnapshot&&) noexcept = default;
GraphicStyleSnapshot& GraphicStyleSnapshot::operator=(GraphicStyleSnapshot&&) noexcept = default;
GraphicStyleSnapshot::~GraphicStyleSnapshot() = default;

void GraphicStyleSnapshot::restore() const
{
    for (const auto& [link, style] : entries_)
        if (Item* item = link.get(); item && style)
            item->setGraphicStyle(style.get());
}
