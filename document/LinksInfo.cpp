#include "document/LinksInfo.h"

#include "items/Item.h"

#include <algorithm>

Item* LinksInfo::linkAtIndex(int i) const
{
    return i >= 0 && static_cast<std::size_t>(i) < list_.size() ? list_[static_cast<std::size_t>(i)] : nullptr;
}

void LinksInfo::addLink(Item* link)
{
    if (link && link->isGraphicLink())
        list_.push_back(link);
}

void LinksInfo::removeLink(Item* link)
{
    if (link && link->isGraphicLink())
        std::erase(list_, link);
}

int LinksInfo::missingLinks() const
{
    int missing = 0;
    for (const Item* link : list_)
        if (link->cantFind())
            ++missing;
    return missing;
}
