#include "document/LayoutDocument.h"

#include "document/Page.h"

#include "document/Guide.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraph.h"
#include "items/Item.h"
#include "items/ItemGroup.h"
#include "items/TextItem.h"
#include "text/DocumentView.h"
#include "text/GraphicLink.h"
#include "text/TextFlow.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>

namespace {

// One decimal number as "%d" reads it: leading white space, an optional
// sign; nothing is read past the end of the data.
bool readNumber(std::string_view& text, int* out)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    std::size_t start = i;
    if (i < text.size() && text[i] == '+')
        start = ++i;
    const char* end = text.data() + text.size();
    auto [next, error] = std::from_chars(text.data() + start, end, *out);
    if (error != std::errc())
        return false;
    text.remove_prefix(static_cast<std::size_t>(next - text.data()));
    return true;
}

} // namespace

std::vector<Guide*> LayoutDocument::guidesForPage(const Page* page) const
{
    (void)page;
    std::vector<Guide*> list;
    list.reserve(masterGuides_.size());
    for (const auto& guide : masterGuides_)
        list.push_back(guide.get());
    return list;
}

void LayoutDocument::addMasterGuide(std::unique_ptr<Guide> guide)
{
    if (guide)
        masterGuides_.push_back(std::move(guide));
}

std::unique_ptr<Guide> LayoutDocument::removeMasterGuide(Guide* guide)
{
    auto at = std::find_if(masterGuides_.begin(), masterGuides_.end(), [&](const auto& g) { return g.get() == guide; });
    return at == masterGuides_.end() ? nullptr : removeGuideAt(static_cast<int>(at - masterGuides_.begin()));
}

std::unique_ptr<Guide> LayoutDocument::removeGuideAt(int i)
{
    if (i < 0 || static_cast<std::size_t>(i) >= masterGuides_.size())
        return nullptr;
    std::unique_ptr<Guide> removed = std::move(masterGuides_[static_cast<std::size_t>(i)]);
    masterGuides_.erase(masterGuides_.begin() + i);
    forgetPartnerLinksTo(removed.get());
    return removed;
}

void LayoutDocument::forgetPartnerLinksTo(const Guide* guide)
{
    forgetPartnerLinks(masterGuides_, guide);
    for (const auto& page : pages_)
        forgetPartnerLinks(page->guides(), guide);
    if (masterPage_)
        forgetPartnerLinks(masterPage_->guides(), guide);
}

std::vector<Item*> LayoutDocument::selected() const
{
    std::vector<Item*> items;
    items.reserve(selected_.size());
    for (const auto& ref : selected_)
        if (Item* item = ref.get())
            items.push_back(item);
    return items;
}

void LayoutDocument::setSelection(const std::vector<Item*>& items, DocumentView* view)
{
    // What was selected is drawn again without its knobs or highlight.
    const std::vector<Item*> was = selected();
    invalidate(view, was);
    for (Item* item : was)
        item->deselect();
    selected_.clear();
    for (Item* item : items)
        if (item) {
            selected_.emplace_back(item);
            item->select();
        }
    const std::vector<Item*> now = selected();
    std::vector<kit::Object*> announced(now.begin(), now.end());
    notifyUpdate(view, &announced);
    // The info bar of each window shows the new selection.
    if (!isNotifyDisabled())
        for (DocumentView* shown : views_)
            if (InfoBarDisplay* bar = shown->infoBarDisplay())
                bar->inspect();
}

void LayoutDocument::setActiveTextItem(TextItem* item)
{
    activeTextItem_ = item;
    setActiveTextFlow(item ? item->flow() : nullptr);
}

void LayoutDocument::setActiveTextFlow(TextFlow* flow)
{
    if (!flow)
        lastActiveTextFlow_ = activeTextFlow_;
    activeTextFlow_ = flow;
}

void LayoutDocument::notifyAppDidBecomeActive()
{
    std::vector<GraphicLink*> links = linksInfo_.links();
    for (std::size_t i = links.size(); i-- > 0;) {
        if (links[i]->isLinked())
            links[i]->setNeedsChecking(true);
        else
            links.erase(links.begin() + static_cast<std::ptrdiff_t>(i));
    }
    if (links.empty() || views_.empty())
        return;
    DocumentView* main = mainView();
    main->notifyPlacedFiles(links, kit::Rect{});
    for (auto view = views_.rbegin(); view != views_.rend() && !links.empty(); ++view)
        if (*view != main)
            (*view)->notifyPlacedFiles(links, kit::Rect{});
    // Those still waiting are shown nowhere: checked when they are drawn.
    std::erase_if(links, [](const GraphicLink* link) { return link->needsChecking(); });
    if (links.empty())
        return;
    std::vector<kit::Object*> changed;
    bool inText = false;
    for (GraphicLink* link : links) {
        if (auto* item = dynamic_cast<Item*>(link))
            changed.push_back(item);
        else
            inText = true; // an in-line picture: its line is redrawn with the rest
    }
    notifyUpdate(main, inText ? nullptr : &changed);
}

void LayoutDocument::addLink(GraphicLink* link) { linksInfo_.addLink(dynamic_cast<kit::Object*>(link)); }

void LayoutDocument::removeLink(GraphicLink* link) { linksInfo_.removeLink(dynamic_cast<kit::Object*>(link)); }

void LayoutDocument::itemAdded(Item* item)
{
    if (!item)
        return;
    linksInfo_.addLink(item);
    // An item that comes back (by undo) is found by its name again.
    if (item->name())
        addNamedItem(item);
    addedObjectLinkItem(item);
    // The members of a group are on the page with it.
    if (auto* group = dynamic_cast<ItemGroup*>(item))
        for (const auto& member : group->items())
            itemAdded(member.get());
}

void LayoutDocument::itemRemoved(Item* item)
{
    if (!item)
        return;
    linksInfo_.removeLink(item);
    removeNamedItem(item);
    std::erase_if(selected_, [&](const auto& ref) { return !ref || ref == item; });
    if (activeTextItem_.get() == item)
        setActiveTextItem(nullptr);
    removedObjectLinkItem(item);
    if (auto* group = dynamic_cast<ItemGroup*>(item))
        for (const auto& member : group->items())
            itemRemoved(member.get());
}

TextItem* LayoutDocument::columnHoldingCaret(TextFlow* flow) const
{
    if (!flow)
        return nullptr;
    const std::vector<TextFlow*> all = flows();
    if (std::find(all.begin(), all.end(), flow) == all.end())
        return nullptr;
    textPoint caret{};
    flow->getCurrentTextPoint(&caret);
    TextItem* holder = flow->item(flow->firstTextItem(), &caret);
    if (!holder || holder->isDisconnected())
        return nullptr;
    const Page* page = holder->page();
    if (!page || indexOfPage(page) == PageNotFound)
        return nullptr;
    return holder;
}

void LayoutDocument::assignSerialNumberToObjectLinkItem(Item* item)
{
    if (!item)
        return;
    const int number = lastItemSerialNumber_;
    if (lastItemSerialNumber_ < std::numeric_limits<int>::max())
        ++lastItemSerialNumber_;
    serialNumbersToItems_[number] = item;
    item->setItemSerialNumber(number);
}

void LayoutDocument::clearSerialNumberOnObjectLinkItem(Item* item)
{
    if (!item || !item->itemSerialNumber())
        return;
    serialNumbersToItems_.erase(*item->itemSerialNumber());
    item->setItemSerialNumber(std::nullopt);
}

void LayoutDocument::addedObjectLinkItem(Item* item)
{
    if (!item || !item->itemSerialNumber())
        return;
    // The entry of an item that is gone makes way.
    auto [at, added] = serialNumbersToItems_.try_emplace(*item->itemSerialNumber(), item);
    if (!added && !at->second)
        at->second = item;
}

void LayoutDocument::removedObjectLinkItem(Item* item)
{
    if (!item || !item->itemSerialNumber())
        return;
    auto at = serialNumbersToItems_.find(*item->itemSerialNumber());
    if (at != serialNumbersToItems_.end() && (at->second == item || !at->second))
        serialNumbersToItems_.erase(at);
}

Item* LayoutDocument::linkedItemAt(std::string_view selection) const
{
    int kind = 0, version = 0, number = 0;
    if (!readNumber(selection, &kind) || kind != 1 || !readNumber(selection, &version) || version != 1 ||
        !readNumber(selection, &number))
        return nullptr;
    auto at = serialNumbersToItems_.find(number);
    return at == serialNumbersToItems_.end() ? nullptr : at->second.get();
}

void LayoutDocument::audit(int indent) const
{
    std::printf("Object audit for %s\n\n", filename().c_str());
    styleInfo_->audit(indent);
    // A paragraph may refer only to the sheet's own styles: any other has
    // been freed, or soon will be.
    const StyleList* sheet = styleInfo_->paragraphStyles();
    const auto known = [sheet](const StyleParagraph* style) {
        return std::any_of(sheet->begin(), sheet->end(), [style](const auto& s) { return s.get() == style; });
    };
    for (const TextFlow* flow : flows())
        if (const StyleParagraph* stale = flow->firstStyleReference(known))
            std::printf("Stale style reference: flow %p refers to %p\n\n", static_cast<const void*>(flow),
                        static_cast<const void*>(stale));
    std::printf("Object links: last serial = %d, count = %d\n", lastItemSerialNumber_,
                static_cast<int>(serialNumbersToItems_.size()));
    for (const auto& [number, ref] : serialNumbersToItems_) {
        const Item* item = ref.get();
        // The entry looked up again by the item's own number: a mismatch
        // shows a stale index.
        const std::optional<int> own = item ? item->itemSerialNumber() : std::nullopt;
        const auto again = own ? serialNumbersToItems_.find(*own) : serialNumbersToItems_.end();
        std::printf("\tSerial %d, item %p(%p)\n", own.value_or(0), static_cast<const void*>(item),
                    static_cast<const void*>(again == serialNumbersToItems_.end() ? nullptr : again->second.get()));
    }
    std::printf("\n");
    std::printf("Begin master page items\n");
    for (const auto& item : theMasterItems_)
        item->audit(indent);
    std::printf("End master page items\n\n");
    std::printf("Begin page items\n");
    for (const auto& page : pages_)
        page->audit(indent);
    std::printf("End page items\n\n");
}
