#include "document/LayoutDocument.h"
#include "text/DocumentView.h"

#include "document/Page.h"
#include "items/Item.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWordSpecial.h"

#include <algorithm>
#include <climits>
#include <utility>

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

// A position outside the flow sorts after every position inside it, as an
// index that is not found does.
int orNotFound(int index)
{
    return index < 0 ? INT_MAX : index;
}

// Paragraph and word index of the marker, the paragraph counted in the flow.
std::pair<int, int> textPlace(const TextWordSpecial* marker, const TextFlow* flow)
{
    const TextParagraph* paragraph = marker->paragraph();
    return {orNotFound(flow ? flow->indexOfParagraph(paragraph) : -1),
            orNotFound(paragraph ? paragraph->indexOfWord(marker) : -1)};
}

void insertInTextOrder(std::vector<TextWordSpecial*>& list, TextWordSpecial* marker)
{
    if (!marker || std::find(list.begin(), list.end(), marker) != list.end())
        return;
    const TextFlow* flow = marker->paragraph() ? marker->paragraph()->flow() : nullptr;
    const auto place = textPlace(marker, flow);
    auto at = std::find_if(list.begin(), list.end(),
                           [&](const TextWordSpecial* other) { return place < textPlace(other, flow); });
    list.insert(at, marker);
}

} // namespace

bool LayoutDocument::setEditingLayer(int layer)
{
    // Pages and their guides would disagree on a layer that is neither.
    if (layer != PagesLayer && layer != MasterLayer)
        return false;
    // A column edited in one layer cannot stay open in the other.
    if (layer != whichLayer_)
        if (DocumentView* main = mainView())
            main->endEditingIfNeeded();
    whichLayer_ = static_cast<short>(layer);
    return true;
}

void LayoutDocument::addMarkerFrame(const TextWordSpecial* word)
{
    std::shared_ptr<Item> frame = word ? word->heldItem() : nullptr;
    if (!frame)
        return;
    const bool listed = std::any_of(theMasterItems_.begin(), theMasterItems_.end(),
                                    [&](const auto& item) { return item == frame; });
    if (listed)
        return;
    addMasterItem(std::move(frame));
    // A master frame shows on many pages (its outline over what is there).
    notifyUpdate(nullptr, nullptr);
}

void LayoutDocument::removeMarkerFrame(const TextWordSpecial* word)
{
    auto* frame = word ? dynamic_cast<Item*>(word->objectReference()) : nullptr;
    if (!frame)
        return;
    // Copies of a marker share its frame: it stays while one is listed.
    const auto showsFrame = [&](const TextWordSpecial* other) { return other->objectReference() == frame; };
    for (const auto* list : {&headers_, &footers_, &footnotes_})
        if (std::any_of(list->begin(), list->end(), showsFrame))
            return;
    if (removeMasterItem(frame))
        notifyUpdate(nullptr, nullptr);
}

void LayoutDocument::addHeader(TextWordSpecial* word)
{
    if (word)
        word->setListedIn(this);
    insertInTextOrder(headers_, word);
    addMarkerFrame(word);
    setEdited(true);
}

void LayoutDocument::addFooter(TextWordSpecial* word)
{
    if (word)
        word->setListedIn(this);
    insertInTextOrder(footers_, word);
    addMarkerFrame(word);
    setEdited(true);
}

void LayoutDocument::removeHeader(TextWordSpecial* word)
{
    if (std::erase(headers_, word)) {
        word->setListedIn(nullptr);
        removeMarkerFrame(word);
    }
}

void LayoutDocument::removeFooter(TextWordSpecial* word)
{
    if (std::erase(footers_, word)) {
        word->setListedIn(nullptr);
        removeMarkerFrame(word);
    }
}

void LayoutDocument::addFootnote(TextWordSpecial* word)
{
    if (!word)
        return;
    word->setListedIn(this);
    addMarkerFrame(word);
    if (std::find(footnotes_.begin(), footnotes_.end(), word) == footnotes_.end())
        footnotes_.push_back(word);
}

void LayoutDocument::removeFootnote(TextWordSpecial* word)
{
    if (std::erase(footnotes_, word)) {
        word->setListedIn(nullptr);
        removeMarkerFrame(word);
    }
}

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
