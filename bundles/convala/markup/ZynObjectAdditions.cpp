#include "bundles/convala/markup/ZynObjectAdditions.h"

#include <algorithm>

void ZynObjectAdditions::setTextValue(ZynCString& slot, std::string_view source, bool allowNull)
{
    if (!source.empty())
        slot.assign(source);
    else if (allowNull)
        slot.setNull();
}

void ZynObjectAdditions::appendTextValue(std::string_view source, ZynCString& slot, bool allowNull)
{
    if (!source.empty())
        slot.append(source);
    else if (slot.length() == 0 && allowNull)
        slot.setNull();
}

void ZynObjectAdditions::appendChar(char c, ZynCString& slot) { slot.push_back(c); }

void ZynObjectAdditions::appendChar(char c, ZynCString& slot, std::size_t extendBy)
{
    const std::string& s = slot.str();
    if (extendBy > 0 && s.size() == s.capacity())
        slot.reserve(s.size() + std::max(extendBy, s.size()));
    slot.push_back(c);
}
