// The menu commands of the canvas that act on the selected items: delete,
// select, undo and redo, lock, the stacking order, transforms, shadows and
// colours. Each pushes the undo record that reverses it, where it has one.

#include "view/PageView.h"

#include "core/Alert.h"
#include "document/DocumentPanels.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "document/UndoComposite.h"
#include "document/UndoInfo.h"
#include "document/UndoOrder.h"
#include "document/UndoTrans.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/DrawContext.h"
#include "items/Item.h"
#include "items/ItemArray.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace {

void split(const std::vector<Item*>& items, std::vector<Item*>* locked, std::vector<Item*>* unlocked)
{
    for (Item* item : items)
        (item->isLocked() ? locked : unlocked)->push_back(item);
}

// Index of each item of the page's list, in one walk.
std::unordered_map<const Item*, int> placesOn(const Page* page)
{
    std::unordered_map<const Item*, int> places;
    int i = 0;
    for (const auto& item : page->pageItems())
        places.emplace(item.get(), i++);
    return places;
}

} // namespace

void PageView::delete_(kit::Object* sender)
{
    if (!document_)
        return;
    if (document_->isReadOnly()) {
        kit::beep();
        return;
    }
    if (editing_) {
        if (TextItem* column = document_->activeTextItem())
            column->delete_(sender, this);
        return;
    }
    std::vector<Item*> locked, unlocked;
    split(document_->selected(), &locked, &unlocked);
    if (unlocked.empty())
        return;
    const bool automatic = Main && Main->prefersAutomaticTextItems();
    for (std::size_t k = unlocked.size(); k-- > 0;) {
        auto* column = dynamic_cast<TextItem*>(unlocked[k]);
        if (!column)
            continue;
        // A page's copy of a master column stays where the word processor
        // lays its text.
        if ((automatic && dynamic_cast<TextItem*>(column->myMaster())) || document_->keepsItemOnDelete(column)) {
            unlocked.erase(unlocked.begin() + static_cast<std::ptrdiff_t>(k));
            continue;
        }
        if (column->autoFlowMaster())
            for (const auto& each : document_->pages())
                each->popTextMaster(column);
    }
    // The selection is removed from the page it stands on, which need not be
    // the active one (after Go To Page, a guide dropped on another page, a
    // page the text added); items on no page of the document stay.
    // Master items go from the document's list through the active page.
    const bool masterLayer = document_->getEditingLayer() == LayoutDocument::MasterLayer;
    std::vector<Page*> pages;
    if (masterLayer) {
        if (Page* active = document_->activePage())
            pages.push_back(active);
    } else {
        for (Item* item : unlocked)
            if (Page* on = item->page(); on && std::find(pages.begin(), pages.end(), on) == pages.end())
                pages.push_back(on);
    }
    std::vector<std::unique_ptr<Undo>> records;
    for (Page* page : pages) {
        std::vector<Item*> onPage;
        const auto places = placesOn(page);
        std::vector<int> where;
        for (Item* item : unlocked) {
            const auto found = places.find(item);
            if (masterLayer || (item->page() == page && found != places.end())) {
                onPage.push_back(item);
                where.push_back(found == places.end() ? -1 : found->second);
            }
        }
        if (onPage.empty())
            continue;
        document_->invalidate(this, onPage);
        // Columns leave their flows, those inside a removed group too: their
        // words go to the rest of the chain.
        for (TextItem* column : textColumnsWithin(onPage))
            column->removeFromTextFlow();
        auto record = std::make_unique<Undo>(onPage, page, Undo::ItemsRemoved);
        std::vector<std::shared_ptr<Item>> removed = page->removeItems(onPage);
        record->hold(std::move(removed), std::move(where));
        records.push_back(std::move(record));
    }
    document_->setSelection(locked, this);
    for (Page* page : pages)
        page->handleOverlaps(nullptr, true);
    document_->notifyUpdate(this, static_cast<const std::vector<kit::Object*>*>(nullptr));
    UndoInfo* undo = document_->undoInfo();
    if (!undo || records.empty())
        return;
    undo->push(UndoComposite::combined(std::move(records)));
}

void PageView::selectAll(kit::Object* sender)
{
    if (!document_)
        return;
    if (Main && Main->prefersAutomaticTextItems() && !editing_)
        beginEditingPageNumber(1);
    if (editing_) {
        if (TextItem* column = document_->activeTextItem())
            column->selectAll(sender, this);
        return;
    }
    Page* page = document_->activePage();
    if (!page)
        return;
    std::vector<Item*> items = page->items();
    std::erase_if(items, [](const Item* item) { return item->isLocked(); });
    document_->setSelection(items, this);
}

void PageView::selectNextItem(int step)
{
    Page* page = document_ ? document_->activePage() : nullptr;
    const std::vector<Item*> selection = document_ ? document_->selected() : std::vector<Item*>{};
    if (!page || selection.empty()) {
        kit::beep();
        return;
    }
    const std::vector<Item*> items = page->items();
    const auto found = std::find(items.begin(), items.end(), selection.back());
    // A selection that is not on the active page has no next item.
    if (found == items.end()) {
        kit::beep();
        return;
    }
    const long next = (found - items.begin()) + step;
    if (next < 0 || next >= static_cast<long>(items.size())) {
        kit::beep();
        return;
    }
    document_->setSelection({items[static_cast<std::size_t>(next)]}, this);
}

void PageView::undo(kit::Object* sender)
{
    if (!document_)
        return;
    if (editing_) {
        // A Replace All over the edited text comes back before the deleted text.
        if (TextFlow* flow = document_->activeTextFlow(); flow && flow->undoReplacement(this))
            return;
        if (TextItem* column = document_->activeTextItem())
            column->undelete(sender, this);
        return;
    }
    UndoInfo* stack = document_->undoInfo();
    if (!stack || !stack->undo())
        kit::beep();
}

void PageView::redo(kit::Object* sender)
{
    (void)sender;
    UndoInfo* stack = document_ ? document_->undoInfo() : nullptr;
    if (!stack || !stack->redo())
        kit::beep();
}

namespace {

void lockOrUnlock(PageView* view, LayoutDocument* document, bool lock)
{
    const std::vector<Item*> items = document ? document->selected() : std::vector<Item*>{};
    if (items.empty())
        return;
    // The record holds only the items that change: its undo would change
    // those already in that state too.
    std::vector<Item*> changed;
    for (Item* item : items) {
        if (item->isLocked() != lock)
            changed.push_back(item);
        lock ? item->lock() : item->unlock();
    }
    view->redisplayKnobs();
    std::vector<kit::Object*> shown(items.begin(), items.end());
    document->notifyUpdate(view, &shown);
    if (UndoInfo* undo = document->undoInfo(); undo && !changed.empty())
        undo->push(std::make_unique<Undo>(changed, document->activePage(), lock ? Undo::Locked : Undo::Unlocked));
}

} // namespace

void PageView::lock(kit::Object* sender)
{
    (void)sender;
    lockOrUnlock(this, document_, true);
}

void PageView::unlock(kit::Object* sender)
{
    (void)sender;
    lockOrUnlock(this, document_, false);
}

void PageView::unlockAll(kit::Object* sender)
{
    (void)sender;
    if (!document_)
        return;
    Page* page = document_->activePage();
    std::vector<Item*> items;
    if (document_->getEditingLayer() == LayoutDocument::MasterLayer)
        for (const auto& item : document_->masterItems())
            items.push_back(item.get());
    else if (page)
        items = page->items();
    // The word processor lays its text in the pages' copies of the master
    // columns, where the masters put them: they stay locked, as they stay
    // on their pages when deleted.
    const bool automatic = Main && Main->prefersAutomaticTextItems();
    std::erase_if(items, [automatic](const Item* item) {
        const auto* column = dynamic_cast<const TextItem*>(item);
        return !item->isLocked() || (automatic && column && dynamic_cast<const TextItem*>(column->myMaster()));
    });
    if (items.empty())
        return;
    for (Item* item : items)
        item->unlock();
    document_->setSelection(items, this);
    if (UndoInfo* undo = document_->undoInfo())
        undo->push(std::make_unique<Undo>(items, page, Undo::Unlocked));
}

namespace {

// The stacking-order commands: the unlocked selection in page order, each
// item's place before the change for the record, the change, and the
// selection the command leaves.
void changeOrder(PageView* view, LayoutDocument* document, int type)
{
    Page* page = document ? document->activePage() : nullptr;
    if (!page)
        return;
    std::vector<Item*> locked, unlocked;
    split(document->selected(), &locked, &unlocked);
    if (unlocked.empty())
        return;
    const auto places = placesOn(page);
    std::erase_if(unlocked, [&](const Item* item) { return !places.count(item); });
    if (unlocked.empty())
        return;
    std::sort(unlocked.begin(), unlocked.end(),
              [&](const Item* a, const Item* b) { return places.at(a) < places.at(b); });
    std::vector<int> before;
    before.reserve(unlocked.size());
    for (Item* item : unlocked)
        before.push_back(places.at(item));

    document->invalidate(view, unlocked);
    std::vector<std::shared_ptr<Item>>& list = page->editedItemList();
    const std::unordered_set<const Item*> moving(unlocked.begin(), unlocked.end());
    switch (type) {
    case Undo::BroughtToFront:
    case Undo::SentToBack: {
        std::vector<std::shared_ptr<Item>> taken, kept;
        for (auto& item : list)
            (moving.count(item.get()) ? taken : kept).push_back(std::move(item));
        list = type == Undo::BroughtToFront ? std::move(kept) : std::move(taken);
        auto& rest = type == Undo::BroughtToFront ? taken : kept;
        list.insert(list.end(), rest.begin(), rest.end());
        break;
    }
    case Undo::BroughtForward:
    case Undo::SentBackward: {
        // Forward: the front-most first; backward: the back-most first, so
        // that a run of adjacent items moves as one.
        const bool forward = type == Undo::BroughtForward;
        const long last = static_cast<long>(list.size()) - 1;
        const auto step = [&](long i) {
            const long j = forward ? i + 1 : i - 1;
            if (j < 0 || j > last || moving.count(list[static_cast<std::size_t>(j)].get()))
                return;
            std::swap(list[static_cast<std::size_t>(i)], list[static_cast<std::size_t>(j)]);
        };
        if (forward)
            for (auto it = before.rbegin(); it != before.rend(); ++it)
                step(*it);
        else
            for (int i : before)
                step(i);
        break;
    }
    default:
        break;
    }
    std::vector<Item*> selection;
    if (type == Undo::BroughtToFront) {
        selection = locked;
        selection.insert(selection.end(), unlocked.begin(), unlocked.end());
    } else {
        selection = unlocked;
        selection.insert(selection.end(), locked.begin(), locked.end());
    }
    document->setSelection(selection, view);
    page->handleOverlaps(nullptr, true);
    std::vector<kit::Object*> shown(unlocked.begin(), unlocked.end());
    document->notifyUpdate(view, &shown);
    auto record = std::make_unique<UndoOrder>(unlocked, page, type);
    record->setPlaces(std::move(before));
    if (UndoInfo* undo = document->undoInfo())
        undo->push(std::move(record));
}

} // namespace

void PageView::bringToFront(kit::Object* sender)
{
    (void)sender;
    changeOrder(this, document_, Undo::BroughtToFront);
}

void PageView::sendToBack(kit::Object* sender)
{
    (void)sender;
    changeOrder(this, document_, Undo::SentToBack);
}

void PageView::popForward(kit::Object* sender)
{
    (void)sender;
    changeOrder(this, document_, Undo::BroughtForward);
}

void PageView::pushBackward(kit::Object* sender)
{
    (void)sender;
    changeOrder(this, document_, Undo::SentBackward);
}

namespace {

std::vector<Item*> unlockedOf(const LayoutDocument* document)
{
    std::vector<Item*> items = document ? document->selected() : std::vector<Item*>{};
    std::erase_if(items, [](const Item* item) { return item->isLocked(); });
    return items;
}

void pushRecord(LayoutDocument* document, PageView* view, const std::vector<Item*>& items,
                std::unique_ptr<Undo> record)
{
    std::vector<kit::Object*> shown(items.begin(), items.end());
    if (!record) {
        document->notifyUpdate(view, static_cast<const std::vector<kit::Object*>*>(nullptr));
        return;
    }
    document->notifyUpdate(view, &shown);
    if (UndoInfo* undo = document->undoInfo())
        undo->push(std::move(record));
}

} // namespace

void PageView::makeNatural(kit::Object* sender)
{
    (void)sender;
    std::vector<Item*> items = unlockedOf(document_);
    if (items.empty())
        return;
    document_->invalidate(this, items);
    // The last item's transform is saved first.
    std::vector<UndoTrans::Matrix> saved;
    std::vector<kit::Rect> frames;
    for (std::size_t k = items.size(); k-- > 0;) {
        UndoTrans::Matrix m{};
        items[k]->getMatrix(m.data());
        saved.push_back(m);
        items[k]->makeNatural();
    }
    auto record = std::make_unique<UndoTrans>(items, document_->activePage(), Undo::MadeNatural);
    record->setMatrixInfo(std::move(saved));
    pushRecord(document_, this, items, std::move(record));
}

namespace {

void flipAll(PageView* view, LayoutDocument* document, int direction)
{
    std::vector<Item*> items = unlockedOf(document);
    if (items.empty())
        return;
    document->invalidate(view, items);
    for (std::size_t k = items.size(); k-- > 0;)
        items[k]->flip(direction);
    pushRecord(document, view, items,
               std::make_unique<UndoTrans>(items, document->activePage(),
                                           direction == 1 ? Undo::FlippedHorizontally : Undo::FlippedVertically));
}

} // namespace

void PageView::flipHorizontal(kit::Object* sender)
{
    (void)sender;
    flipAll(this, document_, 1);
}

void PageView::flipVertical(kit::Object* sender)
{
    (void)sender;
    flipAll(this, document_, 2);
}

void PageView::centerOnPage(int mode)
{
    std::vector<Item*> items = unlockedOf(document_);
    if (items.empty() || !items.front()->page())
        return;
    const kit::Rect page = items.front()->page()->pageRect();
    document_->invalidate(this, items);
    std::vector<UndoTrans::TransformInfo> info;
    for (Item* item : items) {
        kit::Rect bounds = item->frame();
        if (item->isTransformed())
            item->getUpdateBounds(&bounds, nullptr);
        float dx = page.size.width / 2 - bounds.size.width / 2 - bounds.origin.x;
        float dy = page.size.height / 2 - bounds.size.height / 2 - bounds.origin.y;
        if (mode == 1)
            dy = 0;
        else if (mode == 2)
            dx = 0;
        item->moveBy(dx, dy);
        UndoTrans::TransformInfo entry;
        entry.oldOrigin = bounds.origin;
        entry.newOrigin = kit::makePoint(bounds.origin.x + dx, bounds.origin.y + dy);
        info.push_back(entry);
    }
    auto record = std::make_unique<UndoTrans>(items, document_->activePage(), Undo::Centred);
    record->setPointDataFromTInfo(info);
    pushRecord(document_, this, items, std::move(record));
}

void PageView::offsetDropShadow(float dx, float dy)
{
    std::vector<Item*> items = unlockedOf(document_);
    if (items.empty())
        return;
    document_->invalidate(this, items);
    for (Item* item : items)
        item->bumpShadow(dx, dy);
    std::vector<kit::Object*> shown(items.begin(), items.end());
    document_->notifyUpdate(this, &shown);
}

void PageView::toggleDropShadow(kit::Object* sender)
{
    (void)sender;
    std::vector<Item*> items = unlockedOf(document_);
    if (items.empty())
        return;
    document_->invalidate(this, items);
    for (Item* item : items)
        item->setDropShadow(!item->dropShadow());
    std::vector<kit::Object*> shown(items.begin(), items.end());
    document_->notifyUpdate(this, &shown);
}

kit::ColorRef PageView::getColorValue(int tag)
{
    switch (tag) {
    case 1: return kit::Color::colorWithDeviceCyan(0, 0, 0, 1, 1);
    case 2: return kit::Color::colorWithGray(2.0f / 3.0f);
    case 3: return kit::Color::colorWithGray(1.0f / 3.0f);
    case 4: return kit::Color::colorWithDeviceCyan(1, 0, 0, 0, 1);
    case 5: return kit::Color::colorWithDeviceCyan(0, 1, 0, 0, 1);
    case 6: return kit::Color::colorWithDeviceCyan(0, 0, 1, 0, 1);
    default: return kit::Color::colorWithGray(1.0f);
    }
}

namespace {

bool someMayFill(const std::vector<Item*>& items)
{
    return std::any_of(items.begin(), items.end(),
                       [](const Item* item) { return item->canFill(); });
}

} // namespace

void PageView::changeColor(int tag)
{
    std::vector<Item*> items = unlockedOf(document_);
    if (items.empty())
        return;
    document_->invalidate(this, items);
    const int type = someMayFill(items) ? 61 : 64;
    pushRecord(document_, this, items, modifyColor(items, getColorValue(tag), type, true));
}

void PageView::removeColor(kit::Object* sender)
{
    (void)sender;
    std::vector<Item*> items = unlockedOf(document_);
    if (items.empty())
        return;
    document_->invalidate(this, items);
    pushRecord(document_, this, items, modifyFlag(items, false, someMayFill(items) ? 73 : 74, true));
}

void PageView::removeLine(kit::Object* sender)
{
    (void)sender;
    std::vector<Item*> items = unlockedOf(document_);
    if (items.empty())
        return;
    document_->invalidate(this, items);
    pushRecord(document_, this, items, modifyFlag(items, false, 74, true));
}

void PageView::redisplayKnobs()
{
    // The knobs are part of each page's drawing: their area repaints.
    if (!document_)
        return;
    invalidateItems(document_->selected());
    redisplayVisible(kit::Rect{});
}

// ---- Columns and styles.

void PageView::unlinkColumn(kit::Object* sender)
{
    (void)sender;
    const std::vector<Item*> items = unlockedOf(document_);
    std::vector<TextItem*> columns;
    for (Item* item : items)
        if (auto* column = dynamic_cast<TextItem*>(item))
            columns.push_back(column);
    if (columns.empty())
        return;
    if (columns.size() == 1 && columns.front()->nextColumn()) {
        document_->invalidate(this, items);
        columns.front()->unlinkColumn();
        // The columns after it show other text now, wherever they are.
        document_->notifyUpdate(nullptr, static_cast<const std::vector<kit::Object*>*>(nullptr));
        return;
    }
    const auto text = [](const char* key) { return Main ? Main->valueForStringKey(key) : std::string(key); };
    kit::runAlertPanel(text("UnlinkText"), text(columns.size() == 1 ? "NoDownstream" : "SelectOneOnly"), "", "", "");
    std::vector<kit::Object*> shown(items.begin(), items.end());
    document_->notifyUpdate(this, &shown);
}

void PageView::applyStyle(kit::Object* sender)
{
    const auto* source = dynamic_cast<const StyleSource*>(sender);
    kit::Object* style = source ? source->currentStyle() : nullptr;
    const std::vector<Item*> items = document_ ? document_->selected() : std::vector<Item*>{};
    if (!style || items.empty())
        return;
    DocumentPanels& panels = DocumentPanels::shared();
    const auto* panel = dynamic_cast<const DocumentPanel*>(sender);
    document_->invalidate(this, items);
    document_->disableNotify();
    const int pages = document_->numPages();
    std::unique_ptr<Undo> record;
    if (auto* graphic = dynamic_cast<StyleGraphic*>(style)) {
        const bool remove = panel && panel == panels.graphicStylesPanel() && !dynamic_cast<StyleGraphicNamed*>(graphic);
        record = modifyStyle(items, graphic, true, remove);
    } else if (const auto* paragraph = dynamic_cast<const StyleParagraph*>(style)) {
        const bool remove =
            panel && panel == panels.paragraphStylesPanel() && !dynamic_cast<const StyleParagraphNamed*>(paragraph);
        record = modifyTextStyle(items, paragraph, true, remove);
    }
    document_->reenableNotify();
    if (document_->numPages() != pages)
        document_->notifyDocumentDidChangeSize();
    pushRecord(document_, this, items, std::move(record));
}

void PageView::runMoveBy(kit::Object* sender)
{
    if (document_)
        document_->runMoveBy(sender);
}

void PageView::runPaper(kit::Object* sender)
{
    if (document_)
        document_->runPaper(sender);
}

void PageView::generateResourceList(kit::Object* sender)
{
    if (document_)
        document_->generateResourceList(sender);
}

void PageView::processTextMarkup(kit::Object* sender)
{
    if (!document_)
        return;
    document_->processTextMarkup(sender);
    document_->notifyUpdate(this, static_cast<const std::vector<kit::Object*>*>(nullptr));
}

void PageView::viewPage(kit::Object* sender)
{
    (void)sender;
    if (document_)
        document_->newView(this, document_->activePageNumber());
}
