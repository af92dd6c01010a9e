#pragma once

// Pages that count their re-layouts, and a class set-up run once. Items are
// tested on the pages of real documents.

#include "core/Values.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/StyleGraphic.h"
#include "items/Item.h"

class CountingPage : public Page {
public:
    bool handleOverlaps(Item* item, bool display) override
    {
        (void)item;
        (void)display;
        ++overlaps;
        return true;
    }
    int overlaps = 0;
};

inline void setUpItemClasses()
{
    kit::registerValueClasses();
    StyleGraphic::initialize();
    Item::initialize();
}
