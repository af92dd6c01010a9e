#include "document/LinksInfo.h"

#include "core/Object.h"
#include "items/Item.h"
#include "text/GraphicLink.h"

#include <algorithm>

LinksInfo::InspectHook& LinksInfo::inspectHook()
{
    static InspectHook hook;
    return hook;
}

LinksInfo::LoadCellHook& LinksInfo::loadCellHook()
{
    static LoadCellHook hook;
    return hook;
}

void LinksInfo::pruneGone()
{
    std::erase_if(list_, [](const auto& link) { return !link; });
}

std::vector<GraphicLink*> LinksInfo::links() const
{
    std::vector<GraphicLink*> alive;
    alive.reserve(list_.size());
    for (const auto& link : list_)
        if (GraphicLink* l = link.get())
            alive.push_back(l);
    return alive;
}

GraphicLink* LinksInfo::linkAtIndex(int i) const
{
    const std::vector<GraphicLink*> alive = links();
    return i >= 0 && static_cast<std::size_t>(i) < alive.size() ? alive[static_cast<std::size_t>(i)] : nullptr;
}

unsigned LinksInfo::count() const
{
    return static_cast<unsigned>(std::count_if(list_.begin(), list_.end(), [](const auto& l) { return bool(l); }));
}

unsigned LinksInfo::missingLinks() const
{
    return static_cast<unsigned>(
        std::count_if(list_.begin(), list_.end(), [](const auto& l) { return l && l->cantFind(); }));
}

void LinksInfo::addLink(kit::Object* object)
{
    auto* link = dynamic_cast<GraphicLink*>(object);
    if (!link || !link->isGraphicLink())
        return;
    pruneGone();
    list_.emplace_back(link);
    if (notifyDocumentPanel_ && inspectHook())
        inspectHook()(*this);
}

void LinksInfo::removeLink(kit::Object* object)
{
    auto* link = dynamic_cast<GraphicLink*>(object);
    if (!link || !link->isGraphicLink())
        return;
    std::erase_if(list_, [&](const auto& l) { return !l || l.get() == link; });
    if (notifyDocumentPanel_ && inspectHook())
        inspectHook()(*this);
}

void LinksInfo::sortLinks(const std::function<bool(const GraphicLink&, const GraphicLink&)>& before)
{
    pruneGone();
    std::stable_sort(list_.begin(), list_.end(),
                     [&](const auto& a, const auto& b) { return before(*a.get(), *b.get()); });
}

int LinksInfo::rowOfItem(const Item* item) const
{
    if (!item)
        return -1;
    const std::vector<GraphicLink*> alive = links();
    for (std::size_t i = 0; i < alive.size(); ++i)
        if (dynamic_cast<const Item*>(alive[i]) == item)
            return static_cast<int>(i);
    for (std::size_t i = 0; i < alive.size(); ++i)
        if (dynamic_cast<const Item*>(alive[i]) == nullptr && alive[i]->linkItem() == item)
            return static_cast<int>(i);
    return -1;
}

void LinksInfo::loadCellForItem(const Item* item)
{
    if (!loadCellHook())
        return;
    const int row = rowOfItem(item);
    if (row >= 0)
        loadCellHook()(*this, row);
}
