#include "foundation/StyleSheetEntry.h"

#include "core/StringTable.h"
#include "foundation/ApplicationDelegate.h"

int StyleSheetEntry::compare(const StyleSheetEntry& other) const
{
    const int c = sortName().compare(other.sortName());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::string StyleSheetEntry::stringForKey(const std::string& key)
{
    if (Main)
        return Main->valueForStringKey(key);
    return kit::StringTable::applicationTable().valueForStringKey(key);
}
