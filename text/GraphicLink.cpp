#include "text/GraphicLink.h"

#include "core/FileManager.h"
#include "text/TextDocument.h"

#include <climits>

GraphicLink::~GraphicLink() = default;

namespace {

int sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

// Where the link's page comes in its document; pages of no document, the
// master page and no page at all come after every numbered page, together.
int pageIndexOf(const GraphicLink& link)
{
    const Page* page = link.linkPage();
    const TextDocument* document = page ? link.linkDocument() : nullptr;
    const int index = document ? document->indexOfPage(page) : TextDocument::PageNotFound;
    return index < 0 ? INT_MAX : index;
}

// The picture held in the document, linked and found, linked and missing.
int statusRank(const GraphicLink& link)
{
    if (link.cantFind())
        return 2;
    return link.isLinked() ? 1 : 0;
}

std::string extensionOf(const std::optional<std::string>& name)
{
    return name ? kit::FileManager::pathExtension(*name) : std::string();
}

} // namespace

int GraphicLink::compareName(const GraphicLink& other) const
{
    const std::optional<std::string> mine = filename(), theirs = other.filename();
    if (!mine || !theirs)
        return mine ? 1 : theirs ? -1 : 0;
    return sign(mine->compare(*theirs));
}

int GraphicLink::comparePage(const GraphicLink& other) const
{
    const Page* mine = linkPage();
    const Page* theirs = other.linkPage();
    if (mine != theirs) {
        const int a = pageIndexOf(*this), b = pageIndexOf(other);
        if (a != b)
            return a < b ? -1 : 1;
    }
    return compareName(other);
}

int GraphicLink::compareStatus(const GraphicLink& other) const
{
    const int a = statusRank(*this), b = statusRank(other);
    if (a != b)
        return a < b ? -1 : 1;
    return compareName(other);
}

int GraphicLink::compareType(const GraphicLink& other) const
{
    const int byExtension = sign(extensionOf(filename()).compare(extensionOf(other.filename())));
    return byExtension ? byExtension : compareName(other);
}
