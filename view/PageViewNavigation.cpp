// Going from page to page: by displayed index, by page number, and the
// previous and next page of the one most visible.

#include "view/PageView.h"

#include "appkit/Window.h"
#include "core/Alert.h"
#include "document/DocumentPanels.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"

#include <algorithm>

void PageView::showPageAtDisplayedIndex(int index)
{
    if (!document_)
        return;
    const int count = document_->numDisplayedPages();
    if (count == 0) {
        scrollRectToVisible(bounds());
        return;
    }
    Page* page = document_->displayedPageAt(std::clamp(index, 0, count - 1));
    if (!page)
        return;
    // The page asked for wins over the page the scroll leaves most in view.
    scrollRectToVisible(scrollRectForPage(page));
    document_->setActivePage(page);
}

void PageView::showPageNumber(int number)
{
    if (document_)
        showPageAtDisplayedIndex(document_->displayedIndexOfNumber(number));
}

void PageView::showLastPage()
{
    if (document_)
        showPageAtDisplayedIndex(document_->numDisplayedPages() - 1);
}

void PageView::gotoPage(int number)
{
    if (!document_)
        return;
    const int index = document_->displayedIndexOfNumber(number);
    if (index >= 0 && index < document_->numDisplayedPages())
        showPageNumber(number);
    else
        kit::beep();
    if (kit::Window* w = window())
        w->makeFirstResponder(this);
}

void PageView::gotoNextPage(int tag)
{
    if (!document_ || (tag != -1 && tag != 1))
        return;
    Page* visible = mostVisiblePage();
    if (!visible)
        return;
    const int number = visible->relativePageNumber() + tag;
    const int index = document_->displayedIndexOfNumber(number);
    if (index >= 0 && index < document_->numDisplayedPages())
        showPageNumber(number);
}

void PageView::runGotoPage(kit::Object* sender)
{
    (void)sender;
    if (!document_)
        return;
    GotoPagesPanel* panel = DocumentPanels::shared().gotoPagesPanel(true);
    if (!panel) {
        kit::beep();
        return;
    }
    const int first = document_->firstPageNum();
    panel->setViewType(1);
    panel->setPageNumberFirst(first, first + document_->numPages() - 1);
    panel->setActivePageNumber(document_->activePageNumber());
    if (panel->runModal() == GotoPagesPanel::Stop)
        gotoPage(panel->toPage());
}
