// The page view's side of the document's notices and of the commands the
// document runs in it: clone and nudge.

#include "view/PageView.h"

#include "core/Archiver.h"
#include "core/Exception.h"
#include "core/Unarchiver.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "document/UndoComposite.h"
#include "document/UndoInfo.h"
#include "items/TextItem.h"
#include "items/Item.h"
#include "items/ItemArray.h"
#include "view/InfoBarInset.h"
#include "view/PageScrollView.h"

#include <algorithm>

void PageView::notifyUpdatePageCache()
{
    buildPageCache(visibleOrBounds());
    notifyUpdateForRect(kit::Rect{});
}

void PageView::notifyUpdateUnits()
{
    // The window's frame shows the new units (its info bar too).
    if (PageScrollView* scroll = pageScrollView())
        scroll->notifyUpdateUnits();
    else if (InfoBarInset* bar = infoBar())
        bar->inspect();
}

void PageView::notifyDocumentDidChangeSize(kit::Size size, bool redraw)
{
    setFrameSize(size);
    buildPageCache(visibleOrBounds());
    if (redraw)
        setNeedsDisplay(true);
    if (PageScrollView* scroll = pageScrollView())
        scroll->reflectSize();
}

void PageView::clone()
{
    if (!document_)
        return;
    const std::vector<Item*> originals = document_->selected();
    std::vector<Item*> copies;
    std::vector<Page*> pages;
    for (Item* original : originals) {
        Page* page = original->page();
        if (!page)
            continue;
        std::unique_ptr<Item> copy;
        std::vector<std::unique_ptr<kit::Object>> rest;
        try {
            copy = kit::Unarchiver::unarchiveObjectWithData<Item>(kit::Archiver::archivedDataWithRootObject(original),
                                                                  rest);
        } catch (const kit::Exception&) {
            continue;
        }
        if (!copy)
            continue;
        // What the copy refers to and nothing else claimed lives with the
        // view's document copies.
        for (auto& object : rest)
            cloneKeep_.push_back(std::move(object));
        copy->deselect();
        auto* column = dynamic_cast<TextItem*>(copy.get());
        if (column)
            leaveChainBehind(*column);
        copy->resolveInDocument(document_);
        if (column) {
            column->resolveStyles(document_);
            column->recompute();
        } else {
            copy->recomputeTextItems();
        }
        Item* added = copy.get();
        page->addItems(std::shared_ptr<Item>(std::move(copy)));
        copies.push_back(added);
        pages.push_back(page);
    }
    if (copies.empty())
        return;
    document_->setSelection(copies, this);
    std::vector<kit::Object*> shown(copies.begin(), copies.end());
    document_->notifyUpdate(this, &shown);
    UndoInfo* undo = document_->undoInfo();
    if (!undo)
        return;
    // One record for the copies of each page.
    std::vector<std::unique_ptr<Undo>> records;
    for (std::size_t i = 0; i < copies.size(); ++i) {
        if (std::find(pages.begin(), pages.begin() + std::ptrdiff_t(i), pages[i]) != pages.begin() + std::ptrdiff_t(i))
            continue;
        std::vector<Item*> onPage;
        for (std::size_t k = i; k < copies.size(); ++k)
            if (pages[k] == pages[i])
                onPage.push_back(copies[k]);
        records.push_back(std::make_unique<Undo>(onPage, pages[i], Undo::ItemsAdded));
    }
    undo->push(UndoComposite::combined(std::move(records)));
}

void PageView::doNudge(float dx, float dy)
{
    if (!document_)
        return;
    std::vector<Item*> items = document_->selected();
    std::erase_if(items, [](const Item* item) { return item->isLocked(); });
    if (items.empty())
        return;
    // Where they were and where they go.
    document_->invalidate(this, items);
    std::unique_ptr<Undo> record = moveBy(items, dx, dy, true);
    if (record && document_->undoInfo())
        document_->undoInfo()->push(std::move(record));
    std::vector<kit::Object*> moved(items.begin(), items.end());
    document_->notifyUpdate(this, &moved);
}
