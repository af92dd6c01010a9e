#include "document/Page.h"

Page::~Page() = default;

void Page::convertToView(kit::Point* point) const
{
    if (!point)
        return;
    point->x += pageRect_.origin.x;
    point->y += pageRect_.origin.y;
}

void Page::convertToPage(kit::Point* point) const
{
    if (!point)
        return;
    point->x -= pageRect_.origin.x;
    point->y -= pageRect_.origin.y;
}

// No flows live on pages yet: there is nothing to lay out again.
bool Page::handleOverlaps(Item* item, bool display)
{
    (void)item;
    (void)display;
    return true;
}
