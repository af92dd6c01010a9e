// The page view's side of the item loops: live feedback of a drag, the saved
// image quick feedback is drawn over, and the group, ungroup and new-guide
// commands.

#include "view/PageView.h"

#include "appkit/Event.h"
#include "appkit/Window.h"
#include "core/Alert.h"
#include "core/EventState.h"
#include "document/Guide.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "document/UndoInfo.h"
#include "items/ItemArray.h"
#include "items/ItemGroup.h"
#include "view/InfoBarInset.h"

#include <algorithm>

namespace {

// The tags of the two rulers in the scroll view.
constexpr int HorizontalRulerTag = 13;
constexpr int VerticalRulerTag = 14;

bool listed(const std::vector<Item*>& list, const Item* item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

} // namespace

Item* PageView::hitItemAt(kit::Point point, std::string_view memberOf)
{
    std::vector<Page*> pages = visiblePages();
    for (auto it = pages.rbegin(); it != pages.rend(); ++it)
        if (Item* item = (*it)->hitAt(point, this, memberOf))
            return item;
    return nullptr;
}

// ---- Live feedback.

PageView::PlacementInspectorHook& PageView::placementInspectorHook()
{
    static PlacementInspectorHook hook;
    return hook;
}

std::vector<LiveFrameDisplay*> PageView::liveFrameDisplays() const
{
    std::vector<LiveFrameDisplay*> displays;
    if (LiveFrameDisplay* inspector = placementInspectorHook() ? placementInspectorHook()() : nullptr)
        if (inspector->isVisible())
            displays.push_back(inspector);
    if (InfoBarInset* bar = infoBar())
        displays.push_back(bar);
    if (kit::View* up = superview() ? superview()->superview() : nullptr)
        for (int tag : {HorizontalRulerTag, VerticalRulerTag})
            if (auto* ruler = dynamic_cast<LiveFrameDisplay*>(up->viewWithTag(tag)))
                displays.push_back(ruler);
    return displays;
}

// ---- The saved image.

void PageView::snapshot(Page* page)
{
    switchSnapshotToPage(page);
    if (kit::Window* w = window())
        w->cacheImageInRect(convertRectToView(visibleOrBounds(), nullptr));
}

void PageView::switchSnapshotToPage(Page* page)
{
    snapshotOrigin_ = page ? page->pageRect().origin : kit::Point{};
}

void PageView::restoreWithSnapshot(const kit::Rect& rect)
{
    kit::Window* w = window();
    if (!w || kit::isEmptyRect(rect))
        return;
    const kit::Rect r = kit::offsetRect(rect, snapshotOrigin_.x, snapshotOrigin_.y);
    // The window keeps only what lay in the visible area.
    w->restoreCachedImageInRect(kit::insetRect(convertRectToView(r, nullptr), -1.0f, -1.0f));
}

kit::Rect PageView::centerScanRect(const kit::Rect& rect) const
{
    return convertRectFromView(kit::integralRect(convertRectToView(rect, nullptr)), nullptr);
}

// ---- Group and ungroup.

void PageView::group(kit::Object* sender)
{
    (void)sender;
    LayoutDocument* doc = document_;
    Page* page = doc ? doc->activePage() : nullptr;
    if (!page)
        return;
    endEditingIfNeeded();
    const std::vector<Item*> selected = doc->selected();
    std::vector<std::shared_ptr<Item>>& list = page->editedItemList();
    // In page order, each once; the front-most keeps its place for the group.
    std::vector<std::shared_ptr<Item>> members;
    std::vector<std::size_t> places;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (!list[i]->isLocked() && listed(selected, list[i].get())) {
            members.push_back(list[i]);
            places.push_back(i);
        }
    if (members.size() < 2)
        return;
    std::shared_ptr<ItemGroup> group = ItemGroup::initWithList(members);
    if (!group) {
        kit::beep();
        return;
    }
    if (doc->getEditingLayer() == LayoutDocument::MasterLayer)
        group->setMasterFlags(members.front()->masterFlags());
    doc->invalidate(nullptr, selected);
    list[places.back()] = group;
    for (std::size_t k = places.size() - 1; k-- > 0;)
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(places[k]));
    for (const auto& member : members)
        doc->itemRemoved(member.get());
    group->setPage(page);
    doc->itemAdded(group.get());
    doc->setSelection({group.get()}, nullptr);
    if (UndoInfo* stack = doc->undoInfo())
        stack->push(std::make_unique<Undo>(std::vector<Item*>{group.get()}, page, Undo::Grouped));
}

void PageView::ungroup(kit::Object* sender)
{
    (void)sender;
    LayoutDocument* doc = document_;
    Page* page = doc ? doc->activePage() : nullptr;
    if (!page)
        return;
    endEditingIfNeeded();
    std::vector<Item*> before;
    for (Item* item : doc->selected())
        if (!item->isLocked())
            before.push_back(item);
    std::vector<Item*> after = before;
    std::vector<std::shared_ptr<Item>> groups;
    std::vector<std::shared_ptr<Item>>& list = page->editedItemList();
    for (std::size_t k = before.size(); k-- > 0;) {
        auto* group = dynamic_cast<ItemGroup*>(before[k]);
        auto at = std::find_if(list.begin(), list.end(), [&](const auto& i) { return i.get() == group; });
        if (!group || at == list.end() || group->items().empty())
            continue;
        doc->invalidate(nullptr, {group});
        std::shared_ptr<Item> held = *at;
        const std::vector<std::shared_ptr<Item>>& members = group->items();
        group->membersChanged();
        at = list.erase(at);
        list.insert(at, members.begin(), members.end());
        doc->itemRemoved(group);
        std::vector<Item*> plain;
        for (const auto& member : members) {
            member->setPage(page);
            doc->itemAdded(member.get());
            plain.push_back(member.get());
        }
        after.erase(after.begin() + static_cast<std::ptrdiff_t>(k));
        after.insert(after.begin() + static_cast<std::ptrdiff_t>(k), plain.begin(), plain.end());
        groups.push_back(std::move(held));
    }
    if (groups.empty())
        return;
    for (Item* item : after)
        item->setPage(page);
    doc->setSelection(after, nullptr);
    auto record = std::make_unique<Undo>(before, page, Undo::Ungrouped);
    // The record keeps the groups while their members stand on the page.
    record->hold(std::move(groups));
    if (UndoInfo* stack = doc->undoInfo())
        stack->push(std::move(record));
}

std::vector<Item*> PageView::selectionToDrag(unsigned modifierFlags) const
{
    if (!document_)
        return {};
    std::vector<Item*> items = subsetCopyForLockState(document_->selected(), false);
    if ((modifierFlags & kit::ControlKeyMask) && items.size() == 1)
        if (auto* group = dynamic_cast<ItemGroup*>(items.front()))
            if (Item* member = group->hitItem())
                return {member};
    return items;
}

// ---- Guides.

void PageView::addGuide(const kit::Event& event, char orientation)
{
    if (!document_)
        return;
    endEditingIfNeeded();
    const kit::Point at = convertPointFromView(event.locationInWindow(), nullptr);
    auto guide = std::make_unique<Guide>(orientation == Guide::Horizontal ? at.y : at.x, orientation);
    guide->setDelegate(document_);
    Guide::dragFromPoint(std::move(guide), at, this, event);
}
