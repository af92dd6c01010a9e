#include "document/Document.h"

#include <algorithm>

Document::~Document() = default;

void Document::emptyDocument()
{
    filename_.clear();
    fileFormat_.clear();
    customColors_.clear();
}

void Document::addCustomColor(const std::string& name)
{
    if (std::find(customColors_.rbegin(), customColors_.rend(), name) == customColors_.rend())
        customColors_.push_back(name);
}

std::string Document::customColorAt(int index) const
{
    return index >= 0 && index < docCustomColorCount() ? customColors_[static_cast<std::size_t>(index)]
                                                        : std::string();
}
