// Page copies of the flowing master columns: a page holds a real column for
// each master that flows text, chained into one flow with the copies on the
// pages before and after it.

#include "document/Page.h"

#include "document/LayoutDocument.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"

#include <algorithm>

int Page::nextColumnSeriesInLayer(int layer) const
{
    int greatest = 0;
    auto scan = [&](const auto& list) {
        for (auto at = list.rbegin(); at != list.rend(); ++at)
            if (const auto* column = dynamic_cast<const TextItem*>(at->get()))
                greatest = std::max(greatest, column->columnSeries());
    };
    if (layer == LayoutDocument::MasterLayer && document_)
        scan(document_->masterItems());
    else
        scan(theItems_);
    return greatest + 1;
}

TextItem* Page::copyOfMaster(const TextItem* master) const
{
    if (!master)
        return nullptr;
    for (const auto& item : theItems_)
        if (auto* column = dynamic_cast<TextItem*>(item.get()); column && column->myMaster() == master)
            return column;
    return nullptr;
}

void Page::pushTextMaster(LayoutDocument* document, TextItem* master, bool resize)
{
    if (!master)
        return;
    for (auto at = theItems_.rbegin(); at != theItems_.rend(); ++at) {
        auto* copy = dynamic_cast<TextItem*>(at->get());
        if (!copy || copy->myMaster() != master)
            continue;
        // A copy that no longer follows its master keeps its geometry.
        if (resize && copy->conformsToMaster()) {
            const bool locked = copy->isLocked();
            copy->unlock();
            copy->setFrame(master->frame(), false);
            if (master->isTransformed()) {
                float matrix[4];
                master->getMatrix(matrix);
                copy->setMatrix(matrix);
            }
            if (locked)
                copy->lock();
        }
        return;
    }

    const bool flows = master->autoFlowMaster();
    TextItem* previous = nullptr;
    TextItem* next = nullptr;
    if (flows) {
        previous = findMatchingItem(document, this, master, 2);
        next = findMatchingItem(document, this, master, 1);
    }
    if (!master->canAppearOnPageNumber(absolutePageNumber(), LayoutDocument::PagesLayer))
        return;

    auto copy = std::make_unique<TextItem>();
    copy->setTextType(master->textType());
    copy->setPage(this);
    copy->setFrame(master->frame(), false);
    if (master->dropShadow()) {
        copy->setDropShadow(true);
        copy->setNewShadowColor(master->shadowColor());
        copy->setNewShadowOffset(master->shadowOffset());
    }
    if (master->isTransformed()) {
        float matrix[4];
        master->getMatrix(matrix);
        copy->setMatrix(matrix);
    }
    copy->setMasterFlags(0);
    copy->setMyMaster(master);

    const bool joinsChain = flows && (previous || next);
    if (flows) {
        if (previous) {
            // The copy's own flow goes: it shows the chain's.
            copy->setFlow(previous->sharedFlow());
            // Right after the copy before it, whatever follows that now: a
            // chain whose neighbours are not next to each other (facing-page
            // masters) must not lose the column between them.
            TextItem* after = previous->nextColumn();
            copy->setPrevColumn(previous);
            copy->setNextColumn(after);
            previous->setNextColumn(copy.get());
            if (after)
                after->setPrevColumn(copy.get());
        } else if (next) {
            copy->setFlow(next->sharedFlow());
            TextItem* before = next->prevColumn();
            copy->setPrevColumn(before);
            copy->setNextColumn(next);
            next->setPrevColumn(copy.get());
            if (before)
                before->setNextColumn(copy.get());
            else if (TextFlow* flow = copy->flow())
                flow->setFirstTextItem(copy.get()); // the new head of the chain
        }
        if (previous && previous->page() == this)
            copy->setColumnSeries(previous->columnSeries());
        else if (next && next->page() == this)
            copy->setColumnSeries(next->columnSeries());
        else
            copy->setColumnSeries(nextColumnSeriesInLayer(LayoutDocument::PagesLayer));
        copy->setConformsToMaster(true);
        copy->lock();
    }
    // A copy that starts a flow of its own (the first of a chain, any copy
    // of a manual master) would hold words no font measures: a flowing
    // master keeps no text, so it is typed in the body font, as a new main
    // text is.
    if (document && !joinsChain)
        document->giveBodyFont(copy->flow());
    theItems_.push_back(std::move(copy));
}

void Page::popTextMaster(TextItem* master)
{
    for (auto at = theItems_.rbegin(); at != theItems_.rend(); ++at) {
        auto* copy = dynamic_cast<TextItem*>(at->get());
        if (!copy || copy->myMaster() != master || !copy->conformsToMaster())
            continue;
        copy->unlock();
        copy->removeFromTextFlowAndRecompute(false);
        theItems_.erase(std::next(at).base());
        return;
    }
}

void pushMasterTextItems(LayoutDocument* document, Page* page)
{
    if (!document || !page)
        return;
    // Copying may not add master items, but stay safe if it ever does.
    std::vector<TextItem*> masters;
    for (const auto& item : document->masterItems())
        if (auto* column = dynamic_cast<TextItem*>(item.get());
            column && (column->autoFlowMaster() || column->manualFlowMaster()))
            masters.push_back(column);
    for (TextItem* master : masters)
        page->pushTextMaster(document, master, false);
}

namespace {

// The far end of a master's chain: its head going forwards, its tail going
// backwards. A ring stops where it started.
TextItem* otherEndOf(TextItem* master, int direction)
{
    TextItem* at = master;
    for (;;) {
        TextItem* step = direction == 1 ? at->prevColumn() : at->nextColumn();
        if (!step || step == master)
            return at;
        at = step;
    }
}

TextItem* copyOnPageAt(LayoutDocument* document, int index, const TextItem* master)
{
    if (index < 0 || index >= document->numPages())
        return nullptr;
    return document->pageAt(index)->copyOfMaster(master);
}

} // namespace

TextItem* findMatchingItem(LayoutDocument* document, Page* page, TextItem* master, int direction)
{
    if (!document || !page || !master)
        return nullptr;
    const bool forwards = direction == 1;
    if (TextItem* neighbour = forwards ? master->nextColumn() : master->prevColumn())
        return page->copyOfMaster(neighbour);
    TextItem* end = otherEndOf(master, direction);
    const int index = document->indexOfPage(page);
    if (index == LayoutDocument::PageNotFound)
        return nullptr;
    const int step = forwards ? 1 : -1;
    if (end->masterFlags() == 3)
        return copyOnPageAt(document, index + step, end);
    // Odd and even masters: the chain of the facing pages continues the text.
    TextItem* facing = nullptr;
    for (const auto& item : document->masterItems())
        if (auto* column = dynamic_cast<TextItem*>(item.get());
            column && column->autoFlowMaster() && column->masterFlags() != end->masterFlags())
            facing = column;
    if (facing) {
        TextItem* other = forwards ? facing->findTextFlowHead() : facing->findTextFlowTail();
        return copyOnPageAt(document, index + step, other);
    }
    return copyOnPageAt(document, index + 2 * step, end);
}
