#include "document/LayoutDocument.h"

#include "document/Page.h"
#include "items/Item.h"
#include "text/TextWordSpecial.h"

namespace {

// One parity test for odd and even alike, so that a negative odd number
// counts as odd.
bool appliesTo(const Item& frame, long long number)
{
    switch (frame.masterFlags()) {
    case 3:
        return true;
    case 2:
        return number % 2 != 0;
    case 1:
        return number % 2 == 0;
    default:
        return false;
    }
}

} // namespace

Item* LayoutDocument::itemForPageNumber(int n, int firstPageNum, const std::vector<MarkerPlace>& markers, bool header)
{
    const long long asked = static_cast<long long>(firstPageNum) - 1 + n;
    Item* found = nullptr;
    for (const MarkerPlace& marker : markers) {
        // A marker whose page is not among the pages stands on no number.
        if (!marker.frame || marker.frame->masterFlags() == 0 || marker.pageIndex < 0 ||
            marker.pageIndex == PageNotFound)
            continue;
        const long long standsOn = static_cast<long long>(firstPageNum) + marker.pageIndex;
        if (header && (appliesTo(*marker.frame, standsOn) ? standsOn : standsOn + 1) == asked)
            return marker.frame;
        if (asked < standsOn)
            break;
        if (appliesTo(*marker.frame, asked))
            found = marker.frame;
    }
    return found;
}

std::vector<LayoutDocument::MarkerPlace> LayoutDocument::placesOf(const std::vector<TextWordSpecial*>& markers) const
{
    std::vector<MarkerPlace> places;
    places.reserve(markers.size());
    for (TextWordSpecial* marker : markers) {
        Page* page = marker ? marker->page() : nullptr;
        places.push_back({marker ? dynamic_cast<Item*>(marker->objectReference()) : nullptr,
                          page ? indexOfPage(page) : PageNotFound});
    }
    return places;
}

Item* LayoutDocument::headerItemForPageNumber(int n) const
{
    return itemForPageNumber(n, firstPageNum_, placesOf(headers()), true);
}

Item* LayoutDocument::footerItemForPageNumber(int n) const
{
    return itemForPageNumber(n, firstPageNum_, placesOf(footers()), false);
}
