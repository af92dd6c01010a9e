#include "document/UndoOrder.h"

#include "core/Coder.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/UndoDetail.h"
#include "items/Item.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

using namespace undo_detail;

namespace {

// Takes the items out of the list and answers them (those not in the list
// as nil), in the items' order.
std::vector<std::shared_ptr<Item>> takeOut(std::vector<std::shared_ptr<Item>>& list, const std::vector<Item*>& items)
{
    std::vector<std::shared_ptr<Item>> taken(items.size());
    for (std::size_t k = 0; k < items.size(); ++k) {
        const int at = indexIn(list, items[k]);
        if (at < 0)
            continue;
        taken[k] = std::move(list[static_cast<std::size_t>(at)]);
        list.erase(list.begin() + at);
    }
    return taken;
}

} // namespace

UndoOrder::~UndoOrder() = default;

void UndoOrder::undoInDocument(LayoutDocument* document) { perform(document, true); }
void UndoOrder::redoInDocument(LayoutDocument* document) { perform(document, false); }

void UndoOrder::perform(LayoutDocument* document, bool undo)
{
    if (!document)
        return;
    Page* onPage = page();
    invalidateSelectionAndItems(document, items());
    activate(document, onPage);
    const int previous = changeEditingLayerForDocument(document);
    const int type = undoType();
    if (onPage && type >= BroughtToFront && type <= SentBackward) {
        std::vector<std::shared_ptr<Item>>& list = onPage->editedItemList();
        if (!undo)
            reorder(list);
        else if (!places_.empty())
            restore(list);
        onPage->handleOverlaps(nullptr, true);
    }
    restoreSelection(document, previous);
    document->setEdited(true);
}

void UndoOrder::restore(std::vector<std::shared_ptr<Item>>& list) const
{
    // Items that are gone keep no place; the others pair with theirs.
    std::vector<Item*> present;
    std::vector<int> places;
    for (std::size_t k = 0; k < itemCount() && k < places_.size(); ++k)
        if (Item* item = itemAt(k)) {
            present.push_back(item);
            places.push_back(places_[k]);
        }
    std::vector<std::shared_ptr<Item>> taken = takeOut(list, present);
    // Items no longer in the list are not put into it.
    for (std::size_t k = taken.size(); k-- > 0;)
        if (!taken[k]) {
            taken.erase(taken.begin() + static_cast<std::ptrdiff_t>(k));
            places.erase(places.begin() + static_cast<std::ptrdiff_t>(k));
        }
    insertAtPlaces(list, std::move(taken), places);
}

void UndoOrder::reorder(std::vector<std::shared_ptr<Item>>& list) const
{
    const std::vector<Item*> present = items();
    switch (undoType()) {
    case BroughtToFront:
    case SentToBack: {
        std::vector<std::shared_ptr<Item>> taken = takeOut(list, present);
        std::erase(taken, nullptr);
        list.insert(undoType() == BroughtToFront ? list.end() : list.begin(), taken.begin(), taken.end());
        break;
    }
    case BroughtForward:
    case SentBackward: {
        const std::unordered_set<const Item*> moving(present.begin(), present.end());
        const int last = static_cast<int>(list.size()) - 1;
        // Forward from the front-most item, backward from the back-most, so
        // that a run of adjacent items moves as one either way.
        const bool forward = undoType() == BroughtForward;
        std::unordered_map<const Item*, int> at;
        for (int i = 0; i <= last; ++i)
            at.emplace(list[static_cast<std::size_t>(i)].get(), i);
        std::vector<int> order;
        for (const Item* item : present)
            if (auto found = at.find(item); found != at.end())
                order.push_back(found->second);
        std::sort(order.begin(), order.end());
        if (forward)
            std::reverse(order.begin(), order.end());
        for (const int i : order) {
            const int j = forward ? i + 1 : i - 1;
            if (j < 0 || j > last || moving.count(list[static_cast<std::size_t>(j)].get()))
                continue;
            std::swap(list[static_cast<std::size_t>(i)], list[static_cast<std::size_t>(j)]);
        }
        break;
    }
    default:
        break;
    }
}

void UndoOrder::encodeWithCoder(kit::Coder& coder) const
{
    Undo::encodeWithCoder(coder);
    const std::size_t n = itemCount();
    if (!places_.empty() && n > 0 && places_.size() == n)
        coder.encodeArrayOfObjCType("i", n, places_.data());
}

kit::Object* UndoOrder::initWithCoder(kit::Coder& coder)
{
    Undo::initWithCoder(coder);
    const std::size_t n = itemCount();
    if (n > 0 && !coder.isAtEnd())
        places_ = coder.decodeVectorOfObjCType<int>("i", n);
    return this;
}
