#include "foundation/StyleNames.h"

#include <cstdlib>

namespace {
bool hasName(const StyleList& list, const std::string& name)
{
    for (const auto& style : list)
        if (style && style->styleName() == name)
            return true;
    return false;
}

bool isVisibleChar(unsigned char c)
{
    // Bytes of characters beyond ASCII are letters of some script.
    if (c >= 0x80)
        return true;
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c > ' ' && c < 0x7F);
}
} // namespace

bool validStyleName(const std::optional<std::string>& name)
{
    if (!name || *name == StyleSheetEntry::stringForKey("No Style"))
        return false;
    for (unsigned char c : *name)
        if (isVisibleChar(c))
            return true;
    return false;
}

StyleSheetEntry* findStyleWithName(const StyleList* list, const std::optional<std::string>& name)
{
    if (!list || !name)
        return nullptr;
    for (auto it = list->rbegin(); it != list->rend(); ++it)
        if (*it && (*it)->styleName() == *name)
            return it->get();
    return nullptr;
}

std::optional<std::string> getUniqueName(const StyleList* list, const std::optional<std::string>& name)
{
    if (!list || !name)
        return std::nullopt;
    return getuniquename(*list, *name);
}

std::optional<std::string> getuniquename(const StyleList& list, const std::string& name)
{
    if (!hasName(list, name))
        return name;
    std::size_t digits = name.size();
    while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9')
        --digits;
    const std::string stem = name.substr(0, digits);
    long start = 1;
    if (digits < name.size()) {
        const std::string run = name.substr(digits);
        // A run too long for the counter's range has no free number after it.
        if (run.size() > 9)
            return std::nullopt;
        start = std::strtol(run.c_str(), nullptr, 10) + 1;
    }
    for (long n = start; n < 2048; ++n) {
        std::string candidate = stem + std::to_string(n);
        if (!hasName(list, candidate))
            return candidate;
    }
    return std::nullopt;
}

std::optional<std::string> getCopyName(const StyleList* list, const std::optional<std::string>& name)
{
    if (!list || !name)
        return std::nullopt;
    const std::size_t plus = name->find(substylestring);
    return getuniquename(*list, name->substr(0, plus));
}

std::optional<std::string> getSubName(const std::optional<std::string>& name)
{
    if (!name || name->empty())
        return std::nullopt;
    return *name + substylestring;
}
