// Master columns: the two flow kinds, what a column does when it joins a
// page layer, on which pages header and footer columns appear, and the page
// that overflowing text adds after the last automatic copy.

#include "items/TextItem.h"

#include "core/Alert.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/UndoInfo.h"
#include "document/UndoPage.h"
#include "text/TextFlow.h"
#include "text/TextWordSpecial.h"

#include <algorithm>

void TextItem::setAutoFlowText(bool flag)
{
    itFlags_.autoFlowMaster = flag;
    if (flag) {
        itFlags_.manualFlowMaster = 0;
        // A master carries no text of its own.
        if (flow_)
            flow_->forgetItem(this);
        flow_.reset();
    }
    changed_ = true;
}

void TextItem::setManualFlowText(bool flag)
{
    itFlags_.manualFlowMaster = flag;
    if (flag) {
        itFlags_.autoFlowMaster = 0;
        if (flow_)
            flow_->forgetItem(this);
        flow_.reset();
    }
    changed_ = true;
}

void TextItem::didAddToPage(Page* page, int layer)
{
    if (layer != LayoutDocument::PagesLayer) {
        // A master is not a copy of another master.
        if (masterColumn())
            myMaster_.reset();
        if (masterFlags() == 0)
            setMasterFlags(3);
    } else {
        itFlags_.autoFlowMaster = 0;
        itFlags_.manualFlowMaster = 0;
        setMasterFlags(0);
    }
    if (columnSeries_ == 0 && page)
        columnSeries_ = page->nextColumnSeriesInLayer(layer);
}

bool TextItem::canAppearOnPageNumber(int pageNumber, int layer) const
{
    if (const auto* marker = dynamic_cast<const TextWordSpecial*>(myMaster())) {
        const LayoutDocument* document = pageDocument();
        switch (marker->wordType()) {
        case TextWordFooterMarker:
            return document && document->footerItemForPageNumber(pageNumber) == this;
        case TextWordHeaderMarker:
            return document && document->headerItemForPageNumber(pageNumber) == this;
        case TextWordFootnoteMarker:
            return false;
        default:
            break;
        }
    }
    return Item::canAppearOnPageNumber(pageNumber, layer);
}

bool TextItem::addPageIfNeeded()
{
    const TextItem* master = masterColumn();
    if (!master || !master->autoFlowMaster())
        return false;
    LayoutDocument* document = pageDocument();
    // A master taken out of the document (an undo record may still hold
    // it) would give the new page no copy to continue in.
    if (document && std::none_of(document->masterItems().begin(), document->masterItems().end(),
                                 [&](const auto& item) { return item.get() == master; }))
        return false;
    const int at = document ? document->indexOfPage(page()) : LayoutDocument::PageNotFound;
    // Not found is tested before the index is used: adding one to it would
    // overflow.
    if (at == LayoutDocument::PageNotFound || at < 0 || at >= document->numPages()) {
        kit::beep();
        return false;
    }
    const int index = at + 1;
    if (!document->addPages(1, index)) {
        kit::beep();
        return false;
    }
    // A page that takes no copy to go on in (a master of facing pages
    // only) gives the text no room: it goes again, or every layout would
    // add another.
    if (!nextColumn()) {
        (void)document->deletePages(1, index);
        return false;
    }
    if (UndoInfo* undo = document->undoInfo())
        undo->push(std::make_unique<UndoPage>(std::vector<Page*>{document->pageAt(index)}, index, 1,
                                              Undo::PagesAdded));
    return true;
}
