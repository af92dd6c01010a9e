#pragma once

// Helpers the undo records share; not for other callers.

#include "core/WeakLink.h"

#include <cstddef>
#include <memory>
#include <vector>

class Item;
class LayoutDocument;
class Page;

namespace undo_detail {

// The living targets of weak links, in order.
template <class T>
std::vector<T*> living(const std::vector<kit::WeakLink<T>>& refs)
{
    std::vector<T*> alive;
    alive.reserve(refs.size());
    for (const auto& ref : refs)
        if (T* target = ref.get())
            alive.push_back(target);
    return alive;
}

// Where the item stands in the list; -1 when it is not there.
int indexIn(const std::vector<std::shared_ptr<Item>>& list, const Item* item);

// Puts the items into the list at their places, in ascending order of the
// places so that each lands where it was, each place clamped to the list's
// length. Items and places pair by index; an item without a place goes on
// top.
void insertAtPlaces(std::vector<std::shared_ptr<Item>>& list, std::vector<std::shared_ptr<Item>> items,
                    const std::vector<int>& places);

// Adds the items to the page (with the bookkeeping of an addition) at
// their places in its edited list, as insertAtPlaces does.
void addItemsAtPlaces(Page* page, std::vector<std::shared_ptr<Item>> items, const std::vector<int>& places);

// Lets each page that holds one of the items lay out its text again once,
// after items were moved or sized without it.
void handleOverlapsOnce(const std::vector<Item*>& items);

// A new selection of the items in the document (nothing for none).
void select(LayoutDocument* document, const std::vector<Item*>& items);

// Takes the selection's and the items' areas for redisplay in every view.
void invalidateSelectionAndItems(LayoutDocument* document, const std::vector<Item*>& items);
// The record's page becomes the active one while it is in the document (a
// page the text took away meanwhile is not).
void activate(LayoutDocument* document, Page* page);

} // namespace undo_detail
