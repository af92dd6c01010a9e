#include "document/Undo.h"

#include "core/Coder.h"
#include "core/Values.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/UndoComposite.h"
#include "document/UndoDetail.h"
#include "document/UndoGuide.h"
#include "document/UndoInfo.h"
#include "document/UndoOrder.h"
#include "document/UndoPage.h"
#include "document/UndoReshape.h"
#include "document/UndoStyleGraphic.h"
#include "document/UndoTrans.h"
#include "items/Item.h"
#include "items/ItemArray.h"
#include "items/TextItem.h"
#include "text/DocumentView.h"

#include <algorithm>
#include <climits>
#include <numeric>
#include <unordered_set>

namespace undo_detail {

int indexIn(const std::vector<std::shared_ptr<Item>>& list, const Item* item)
{
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].get() == item)
            return static_cast<int>(i);
    return -1;
}

void insertAtPlaces(std::vector<std::shared_ptr<Item>>& list, std::vector<std::shared_ptr<Item>> items,
                    const std::vector<int>& places)
{
    std::vector<std::size_t> order(items.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    // Ascending places: each item then lands at its old index, the ones
    // below it being back already. Items without a place come last.
    const auto placeOf = [&](std::size_t k) { return k < places.size() ? places[k] : INT_MAX; };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return placeOf(a) < placeOf(b); });
    for (std::size_t k : order) {
        if (!items[k])
            continue;
        const int place = std::clamp(placeOf(k), 0, static_cast<int>(list.size()));
        list.insert(list.begin() + place, std::move(items[k]));
    }
}

// Puts items back at their places in the page's edited list, with the
// bookkeeping of an addition.
void addItemsAtPlaces(Page* page, std::vector<std::shared_ptr<Item>> items, const std::vector<int>& places)
{
    std::vector<Item*> added;
    bool runaround = false;
    for (const auto& item : items)
        if (item) {
            added.push_back(item.get());
            runaround = runaround || item->hasRunaround();
        }
    if (places.empty()) {
        page->addItems(std::move(items));
        return;
    }
    // The text flows around them once they stand at their places: laid out
    // while they are still on top, a column below them would keep the
    // outline of an item that no longer covers it.
    page->addItems(std::move(items), false);
    // addItems put them on top: take them off again and insert each at its place.
    std::vector<std::shared_ptr<Item>>& list = page->editedItemList();
    std::vector<std::shared_ptr<Item>> back;
    for (Item* item : added) {
        const int at = indexIn(list, item);
        if (at < 0) {
            back.push_back(nullptr);
            continue;
        }
        back.push_back(std::move(list[static_cast<std::size_t>(at)]));
        list.erase(list.begin() + at);
    }
    insertAtPlaces(list, std::move(back), places);
    if (runaround && page->handleOverlaps(nullptr, false))
        if (LayoutDocument* document = page->document())
            document->notifyUpdate(document->mainView(), nullptr);
}

void handleOverlapsOnce(const std::vector<Item*>& items)
{
    std::vector<Page*> pages;
    for (Item* item : items)
        if (Page* page = item ? item->page() : nullptr; page && std::find(pages.begin(), pages.end(), page) == pages.end())
            pages.push_back(page);
    for (Page* page : pages)
        page->handleOverlaps(nullptr, true);
}

void select(LayoutDocument* document, const std::vector<Item*>& items)
{
    if (!document)
        return;
    // Only what stands in the document: an item another record holds off
    // its page (or whose page went with the text) is not selected.
    std::vector<Item*> shown;
    for (Item* item : items) {
        Page* page = item ? item->page() : nullptr;
        const bool onPage = page && document->indexOfPage(page) != LayoutDocument::PageNotFound &&
                            std::any_of(page->pageItems().begin(), page->pageItems().end(),
                                        [&](const auto& i) { return i.get() == item; });
        const auto& masters = document->masterItems();
        const bool master =
            item && std::any_of(masters.begin(), masters.end(), [&](const auto& i) { return i.get() == item; });
        if (onPage || master)
            shown.push_back(item);
    }
    document->setSelection(shown, nullptr);
}

void activate(LayoutDocument* document, Page* page)
{
    if (document && page &&
        (page == document->masterPage() || document->indexOfPage(page) != LayoutDocument::PageNotFound))
        document->setActivePage(page);
}

void invalidateSelectionAndItems(LayoutDocument* document, const std::vector<Item*>& items)
{
    if (!document)
        return;
    document->invalidate(nullptr, document->selected());
    document->invalidate(nullptr, items);
}

} // namespace undo_detail

using namespace undo_detail;


void Undo::initialize()
{
    kit::registerClass<Undo>("Undo");
    kit::registerClass<UndoComposite>("UndoComposite");
    kit::registerClass<UndoTrans>("UndoTrans");
    kit::registerClass<UndoReshape>("UndoReshape");
    kit::registerClass<UndoGuide>("UndoGuide");
    kit::registerClass<UndoPage>("UndoPage");
    kit::registerClass<UndoOrder>("UndoOrder");
    kit::registerClass<UndoStyleGraphic>("UndoStyleGraphic");
    kit::registerClass<UndoInfo>("UndoInfo");
    // A reshape is undone by dragging the knob back through the item's own loop.
    UndoReshape::performResizeHook() = [](Item& item, int* knob, DocumentView* view, const kit::Event& mouseDown) {
        item.performResize(knob, view, mouseDown);
    };
}

Undo::Undo() = default;

Undo::Undo(std::vector<Item*> items, Page* page, int undoType)
    : page_(page), undoType_(undoType)
{
    setItems(std::move(items));
}

Undo::~Undo() = default;

std::vector<Item*> Undo::items() const { return living(items_); }

std::vector<Item*> Undo::setItems(std::vector<Item*> items)
{
    std::vector<Item*> was = this->items();
    items_.clear();
    items_.reserve(items.size());
    for (Item* item : items)
        items_.emplace_back(item);
    return was;
}

Page* Undo::setPage(Page* page)
{
    Page* was = page_.get();
    page_ = page;
    return was;
}

void Undo::hold(std::vector<std::shared_ptr<Item>> items, std::vector<int> places)
{
    held_ = std::move(items);
    heldPlaces_ = std::move(places);
}

Undo::GroupMembersHook& Undo::groupMembersHook()
{
    static GroupMembersHook hook;
    return hook;
}

int Undo::getItemsEditingLayer() const
{
    for (const auto& ref : items_)
        if (Item* item = ref.get())
            return item->masterFlags() != 0 ? 2 : 1;
    return 1;
}

int Undo::changeEditingLayerForDocument(LayoutDocument* document) const
{
    if (!document)
        return 1;
    const int previous = document->getEditingLayer();
    document->setEditingLayer(getItemsEditingLayer());
    return previous;
}

void Undo::beginUndoInDocument(LayoutDocument* document) const
{
    if (DocumentView* main = document->mainView())
        main->endEditingIfNeeded();
    invalidateSelectionAndItems(document, items());
    activate(document, page());
}

void Undo::restoreSelection(LayoutDocument* document, int previousLayer) const
{
    const bool sameLayer = previousLayer == getItemsEditingLayer();
    document->setEditingLayer(previousLayer);
    select(document, sameLayer ? items() : std::vector<Item*>{});
}

void Undo::redoInDocument(LayoutDocument* document) { undoInDocument(document); }

void Undo::undoInDocument(LayoutDocument* document)
{
    if (!document)
        return;
    const bool needsPage = undoType_ == ItemsAdded || undoType_ == ItemsRemoved || undoType_ == Grouped ||
                           undoType_ == Ungrouped;
    // The page went meanwhile (or left the document, to be freed after the
    // current event): there is nowhere to take the items from or put them
    // back.
    Page* onPage = page();
    if (needsPage && (!onPage || (onPage != document->masterPage() &&
                                  document->indexOfPage(onPage) == LayoutDocument::PageNotFound)))
        return;
    beginUndoInDocument(document);
    const int previous = changeEditingLayerForDocument(document);
    switch (undoType_) {
    case ItemsAdded:
        undoAddition(document, previous);
        break;
    case ItemsRemoved: {
        // Only what came back is selected: an item that another record
        // took (an emptied headline at the end of its editing) stays there.
        const std::vector<Item*> back = undoRemoval(document);
        document->setEditingLayer(previous);
        select(document, back);
        break;
    }
    case Locked:
    case Unlocked:
        for (Item* item : items()) {
            if (undoType_ == Locked)
                item->unlock();
            else
                item->lock();
        }
        document->setEditingLayer(previous);
        select(document, items());
        undoType_ = undoType_ == Locked ? Unlocked : Locked;
        break;
    case Grouped:
        undoGrouping(document, previous);
        break;
    case Ungrouped:
        undoUngrouping(document, previous);
        break;
    default:
        break;
    }
    document->setEditingLayer(previous);
    document->setEdited(true);
}

void Undo::undoAddition(LayoutDocument* document, int previousLayer)
{
    Page* onPage = page();
    const std::vector<Item*> present = items();
    document->invalidate(nullptr, present);
    handleTextColumns(present, ItemsAdded);
    // Where they stand, so that redo puts them back there.
    std::vector<Item*> onList;
    std::vector<int> places;
    const std::vector<std::shared_ptr<Item>>& list = onPage->editedItemList();
    for (Item* item : present)
        if (const int at = indexIn(list, item); at >= 0) {
            onList.push_back(item);
            places.push_back(at);
        }
    hold(onPage->removeItems(onList), std::move(places));
    document->setEditingLayer(previousLayer);
    select(document, {});
    undoType_ = ItemsRemoved;
}

std::vector<Item*> Undo::undoRemoval(LayoutDocument* document)
{
    (void)document;
    std::vector<Item*> back;
    for (const auto& item : held_)
        back.push_back(item.get());
    addItemsAtPlaces(page(), std::exchange(held_, {}), heldPlaces_);
    heldPlaces_.clear();
    // On their page again, where the layout finds them.
    handleTextColumns(back, ItemsRemoved);
    undoType_ = ItemsAdded;
    return back;
}

void Undo::undoGrouping(LayoutDocument* document, int previousLayer)
{
    Page* onPage = page();
    std::vector<Item*> members;
    std::vector<std::shared_ptr<Item>>& list = onPage->editedItemList();
    const GroupMembersHook& membersOf = groupMembersHook();
    const std::vector<Item*> present = items();
    for (auto at = present.rbegin(); at != present.rend(); ++at) {
        Item* item = *at;
        std::vector<std::shared_ptr<Item>>* groupMembers = membersOf ? membersOf(*item) : nullptr;
        const int place = groupMembers ? indexIn(list, item) : -1;
        if (!groupMembers || place < 0) {
            members.insert(members.begin(), item);
            continue;
        }
        // The group gives its place in the stack to its members; the record
        // holds the group while it is off the page.
        held_.push_back(std::move(list[static_cast<std::size_t>(place)]));
        list.erase(list.begin() + place);
        list.insert(list.begin() + place, groupMembers->begin(), groupMembers->end());
        document->itemRemoved(item);
        std::vector<Item*> inserted;
        for (const auto& member : *groupMembers) {
            member->setPage(onPage);
            document->itemAdded(member.get());
            inserted.push_back(member.get());
        }
        members.insert(members.begin(), inserted.begin(), inserted.end());
    }
    const bool sameLayer = previousLayer == getItemsEditingLayer();
    document->setEditingLayer(previousLayer);
    select(document, sameLayer ? members : std::vector<Item*>{});
    undoType_ = Ungrouped;
}

void Undo::undoUngrouping(LayoutDocument* document, int previousLayer)
{
    Page* onPage = page();
    std::vector<Item*> rebuilt;
    std::vector<std::shared_ptr<Item>>& list = onPage->editedItemList();
    const GroupMembersHook& membersOf = groupMembersHook();
    const std::vector<Item*> present = items();
    for (auto at = present.rbegin(); at != present.rend(); ++at) {
        Item* item = *at;
        rebuilt.insert(rebuilt.begin(), item);
        std::vector<std::shared_ptr<Item>>* groupMembers = membersOf ? membersOf(*item) : nullptr;
        auto held = std::find_if(held_.begin(), held_.end(), [&](const auto& h) { return h.get() == item; });
        if (!groupMembers || groupMembers->empty() || held == held_.end())
            continue;
        // The group takes the stacking place of its topmost member.
        const Item* top = groupMembers->back().get();
        for (const auto& member : *groupMembers) {
            if (member.get() == top)
                continue;
            const int at = indexIn(list, member.get());
            if (at >= 0) {
                list.erase(list.begin() + at);
                document->itemRemoved(member.get());
            }
        }
        const int topAt = indexIn(list, top);
        std::shared_ptr<Item> group = std::move(*held);
        held_.erase(held);
        if (topAt >= 0) {
            document->itemRemoved(list[static_cast<std::size_t>(topAt)].get());
            list[static_cast<std::size_t>(topAt)] = group;
        } else {
            list.push_back(group);
        }
        group->setPage(onPage);
        document->itemAdded(group.get());
    }
    document->setEditingLayer(previousLayer);
    select(document, rebuilt);
    undoType_ = Grouped;
}

// ---- Text columns leaving and rejoining their flows.

void handleTextColumns(const std::vector<Item*>& items, int code)
{
    LayoutDocument* document = nullptr;
    // A group's columns leave and rejoin their flows with it.
    std::vector<TextItem*> columns = textColumnsWithin(items);
    for (TextItem* column : columns)
        if (!document && column->page())
            document = column->page()->document();
    if (code != Undo::ItemsRemoved) {
        for (TextItem* column : columns)
            column->removeFromTextFlow();
    } else {
        // Columns put back one after another each need the others' places:
        // a column whose place is not there yet waits for the next round,
        // and one whose place is gone for good takes an empty flow of its
        // own.
        for (bool progress = true; progress && !columns.empty();) {
            progress = false;
            std::erase_if(columns, [&](TextItem* column) {
                const bool back = column->relinkInTextFlow();
                progress = progress || back;
                return back;
            });
        }
        for (TextItem* column : columns)
            column->takeEmptyFlow();
    }
    // One redisplay for the whole walk, not one per column.
    if (DocumentView* main = document ? document->mainView() : nullptr)
        main->notifyUpdateForRect({});
}

// ---- Stored form.

void Undo::encodeWithCoder(kit::Coder& coder) const
{
    codedItems_ = std::make_unique<kit::Array>();
    for (Item* item : items())
        codedItems_->addObject(item);
    coder.encodeValuesOfObjCTypes("@@i", static_cast<const kit::Object*>(codedItems_.get()),
                                  static_cast<const kit::Object*>(page_.get()), undoType_);
}

kit::Object* Undo::initWithCoder(kit::Coder& coder)
{
    kit::Object* list = nullptr;
    kit::Object* onPage = nullptr;
    coder.decodeValuesOfObjCTypes("@@i", &list, &onPage, &undoType_);
    std::vector<Item*> decoded;
    if (auto* array = dynamic_cast<kit::Array*>(list)) {
        for (kit::Object* object : array->objects())
            if (auto* item = dynamic_cast<Item*>(object))
                decoded.push_back(item);
    } else if (auto* item = dynamic_cast<Item*>(list)) {
        decoded.push_back(item);
    }
    setItems(decoded);
    page_ = dynamic_cast<Page*>(onPage);
    // Items that were off their page when written belong to the record.
    if (undoType_ == ItemsRemoved) {
        std::vector<std::shared_ptr<Item>> owned;
        for (Item* item : decoded)
            owned.push_back(std::shared_ptr<Item>(coder.claim<Item>(item, *this)));
        hold(std::move(owned));
    }
    return this;
}
