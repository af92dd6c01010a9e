#include "document/LayoutDocument.h"

#include "document/UndoInfo.h"
#include "text/DocumentView.h"

#include "appkit/RunLoop.h"
#include "document/Guide.h"
#include "document/Page.h"
#include "document/PageSet.h"
#include "foundation/ApplicationDelegate.h"
#include "items/Item.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"

#include <algorithm>
#include <climits>
#include <stdexcept>

namespace {

template <class List>
auto entryAt(const List& list, int i, const char* what)
{
    if (i < 0 || static_cast<std::size_t>(i) >= list.size())
        throw std::out_of_range(what);
    return &*list[static_cast<std::size_t>(i)];
}

// The number of a page index; -1 when it does not fit an int.
int numberFor(int first, long long index)
{
    const long long n = first + index;
    return n >= INT_MIN && n <= INT_MAX ? static_cast<int>(n) : -1;
}

bool prefersAutomaticTextItems()
{
    return Main && Main->prefersAutomaticTextItems();
}

// The flows whose chains gained or lost columns are laid out again, from
// the column before the first one that came or went (the flow's first
// column when there is none): marked now, laid out as keys leave text for
// later, where drawing shows it or when idle. A flow that is laying out
// (its overflow added the pages) goes on through them itself.
class ChainChanges {
public:
    void note(TextItem* column)
    {
        const std::shared_ptr<TextFlow> flow = column ? column->sharedFlow() : nullptr;
        if (!flow || flow->isLayingOut() ||
            std::any_of(changed_.begin(), changed_.end(), [&](const auto& c) { return c.flow == flow; }))
            return;
        changed_.push_back({flow, column->prevColumn()});
    }

    void layOutLater()
    {
        for (const Change& c : changed_) {
            const TextItem* from = c.before.get();
            const int paragraph =
                from && from->flow() == c.flow.get() && !from->isDisconnected() ? from->startParagraph() : 0;
            c.flow->dirtyFrom(std::max(paragraph, 0), c.flow->paragraphCount() - 1);
            c.flow->layOutLater();
        }
    }

private:
    struct Change {
        std::shared_ptr<TextFlow> flow;
        kit::WeakLink<TextItem> before;
    };
    std::vector<Change> changed_;
};

} // namespace

Page* LayoutDocument::pageAt(int i) const { return entryAt(pages_, i, "pageAt: index beyond bounds"); }

PageSet* LayoutDocument::collapsedPageAt(int i) const
{
    return entryAt(pagesCollapsed_, i, "collapsedPageAt: index beyond bounds");
}

Page* LayoutDocument::displayedPageAt(int i) const
{
    return entryAt(pagesDisplayed_, i, "displayedPageAt: index beyond bounds");
}

bool LayoutDocument::setFirstPageNum(int number)
{
    // Wrapping into 16 bits would renumber every page.
    if (number < SHRT_MIN || number > SHRT_MAX)
        return false;
    firstPageNum_ = static_cast<short>(number);
    return true;
}

int LayoutDocument::indexOfNumber(int n) const
{
    const long long i = static_cast<long long>(n) - firstPageNum_;
    return i >= 0 && i < numPages() ? static_cast<int>(i) : -1;
}

int LayoutDocument::numberOfIndex(int i) const
{
    return i >= 0 && i < numPages() ? numberFor(firstPageNum_, i) : -1;
}

int LayoutDocument::displayedIndexOfIndex(int i) const
{
    if (i < 0 || i >= numPages())
        return PageNotFound;
    if (pagesCollapsed_.empty())
        return i;
    // The tables describe the displayed list as last laid out; pages added
    // since then are not displayed yet.
    if (static_cast<std::size_t>(i) >= displayedOfIndex_.size())
        return PageNotFound;
    return displayedOfIndex_[static_cast<std::size_t>(i)];
}

int LayoutDocument::displayedIndexOfNumber(int n) const
{
    const int i = indexOfNumber(n);
    if (i < 0)
        return -1;
    if (pagesCollapsed_.empty())
        return i;
    const int d = displayedIndexOfIndex(i);
    return d == PageNotFound ? -1 : d;
}

int LayoutDocument::indexOfDisplayedIndex(int d) const
{
    if (d < 0 || d >= numDisplayedPages())
        return PageNotFound;
    if (pagesCollapsed_.empty())
        return d;
    return displayedStart_[static_cast<std::size_t>(d)];
}

int LayoutDocument::numberOfDisplayedIndex(int d) const
{
    if (d < 0 || d >= numDisplayedPages())
        return -1;
    if (pagesCollapsed_.empty())
        return numberFor(firstPageNum_, d);
    return numberFor(firstPageNum_, displayedStart_[static_cast<std::size_t>(d)]);
}

int LayoutDocument::displayedIndexOfPage(const Page* page) const
{
    if (pagesCollapsed_.empty())
        return indexOfPage(page);
    if (auto* run = dynamic_cast<const PageSet*>(page)) {
        const int d = displayedIndexOfIndex(run->offset());
        return d != PageNotFound && pagesDisplayed_[static_cast<std::size_t>(d)] == page ? d : PageNotFound;
    }
    return displayedIndexOfIndex(indexOfPage(page));
}

PageSet* LayoutDocument::pageSetForCollapsedPage(const Page* page) const
{
    const int i = indexOfPage(page);
    if (i == PageNotFound)
        return nullptr;
    for (auto run = pagesCollapsed_.rbegin(); run != pagesCollapsed_.rend(); ++run)
        if ((*run)->offset() <= i && i < (*run)->offset() + static_cast<int>((*run)->count()))
            return run->get();
    return nullptr;
}

int LayoutDocument::activePageIndex() const
{
    if (!activePage_)
        return -1;
    auto at = std::find(pagesDisplayed_.begin(), pagesDisplayed_.end(), activePage_);
    return at == pagesDisplayed_.end() ? -1 : static_cast<int>(at - pagesDisplayed_.begin());
}

int LayoutDocument::activePageNumber() const
{
    const int d = activePageIndex();
    if (d < 0 || pagesCollapsed_.empty())
        return numberFor(firstPageNum_, d);
    return numberFor(firstPageNum_, displayedStart_[static_cast<std::size_t>(d)]);
}

// The highlight and the pages panel come with the page view.
void LayoutDocument::setActivePage(Page* page)
{
    DocumentView* main = mainView();
    Page* shown = page;
    // A run stands for its first page.
    if (auto* run = dynamic_cast<PageSet*>(page))
        page = run->offset() >= 0 && run->offset() < numPages() ? pages_[std::size_t(run->offset())].get() : nullptr;
    if (page == activePage_ && main == activeView_)
        return;
    // A single page needs no highlight to tell it apart.
    const bool highlights = numPages() > 1 && main;
    if (activePage_ && highlights)
        main->highlight(main->highlightedPage() ? main->highlightedPage() : activePage_, false);
    // Every other view draws the frame of the active page too: the old and
    // the new frame repaint there (announced like any change).
    if (highlights && !isNotifyDisabled())
        for (DocumentView* view : views_)
            if (view != main) {
                if (activePage_)
                    activePage_->highlight(false, view);
                if (page)
                    page->highlight(true, view);
            }
    activePage_ = page;
    activeView_ = main;
    if (shown && highlights)
        main->highlight(shown, true);
    for (DocumentView* view : views_)
        view->notifyUpdatePageStatus();
}

void LayoutDocument::calcCollapsedPages()
{
    pagesCollapsed_.clear();
    PageSet* run = nullptr;
    unsigned counter = 0;
    auto close = [&] {
        if (run)
            run->setCount(counter);
        run = nullptr;
    };
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        if (!pages_[i]->isCollapsed()) {
            close();
            continue;
        }
        if (run) {
            ++counter;
            continue;
        }
        auto made = std::make_unique<PageSet>();
        made->setSize(pageSize_);
        made->setOffset(static_cast<int>(i));
        made->setDocument(this);
        run = made.get();
        counter = 1;
        pagesCollapsed_.push_back(std::move(made));
    }
    close();
}

void LayoutDocument::calcDisplayedPages(bool withRuns)
{
    pagesDisplayed_.clear();
    displayedStart_.clear();
    displayedOfIndex_.assign(pages_.size(), 0);
    std::size_t next = 0;
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        const int d = static_cast<int>(pagesDisplayed_.size());
        displayedStart_.push_back(static_cast<int>(i));
        if (withRuns && next < pagesCollapsed_.size() && static_cast<int>(i) == pagesCollapsed_[next]->offset()) {
            PageSet* run = pagesCollapsed_[next++].get();
            pagesDisplayed_.push_back(run);
            const std::size_t last = std::min(pages_.size(), i + std::max(1u, run->count()));
            for (; i < last; ++i)
                displayedOfIndex_[i] = d;
            --i;
        } else {
            pagesDisplayed_.push_back(pages_[i].get());
            displayedOfIndex_[i] = d;
        }
    }
}

void LayoutDocument::pagesChanged()
{
    // A layout adds page after page with the rectangles held back: telling
    // the views each time (which walk every page) made reading a long text
    // quadratic, and they would only see the old canvas anyway.
    if (disableCalcPages_ > 0) {
        pagesChangedWhileHeld_ = true;
        return;
    }
    calcPageRectsFor(1);
    // The views take the new canvas whoever changed the pages: a caret
    // that opens a collapsed run, an undo, a flow that adds a page.
    notifyDocumentDidChangeSize();
}

void LayoutDocument::enableCalcPages()
{
    disableCalcPages_ = disableCalcPages_ > 0 ? short(disableCalcPages_ - 1) : short(0);
    if (disableCalcPages_ == 0 && pagesChangedWhileHeld_) {
        pagesChangedWhileHeld_ = false;
        pagesChanged();
    }
}

void LayoutDocument::pageLeaves(Page* page)
{
    if (activePage_ == page)
        activePage_ = nullptr;
    for (const auto& item : page->pageItems())
        itemRemoved(item.get());
    for (const auto& item : theMasterItems_)
        if (item->page() == page)
            item->setPage(masterPage_.get());
}

void LayoutDocument::pageReturns(Page* page)
{
    for (const auto& item : page->pageItems())
        itemAdded(item.get());
}

bool LayoutDocument::addPages(int count, int index)
{
    if (count <= 0 || index < 0 || index > numPages())
        return false;
    Page* last = nullptr;
    ChainChanges chains;
    bool duringLayout = false;
    for (int k = index; k < index + count; ++k) {
        auto page = std::make_unique<Page>();
        page->setSize(pageSize_);
        page->setDocument(this);
        last = page.get();
        pages_.insert(pages_.begin() + k, std::move(page));
        pushMasterTextItems(this, last);
        for (const auto& item : last->pageItems()) {
            auto* column = dynamic_cast<TextItem*>(item.get());
            chains.note(column);
            if (column && column->flow() && column->flow()->isLayingOut())
                duringLayout = true;
        }
    }
    pagesChanged();
    if (!prefersAutomaticTextItems())
        setActivePage(last);
    // Copies joined chains: their text flows through them.
    chains.layOutLater();
    // A flow whose text ran over added the page and goes on through it.
    if (prefersAutomaticTextItems() && !duringLayout)
        layOutEndsOfFlows();
    return true;
}

void LayoutDocument::layOutEndsOfFlows()
{
    // The end of each flow's text is laid out again, which takes away the
    // pages left empty after it, as a layout from scratch would: pages added
    // after the text may hold no column of its chain.
    std::vector<TextFlow*> flows;
    for (const auto& page : pages_)
        for (const auto& item : page->pageItems()) {
            auto* column = dynamic_cast<TextItem*>(item.get());
            TextFlow* flow = column ? column->flow() : nullptr;
            if (!flow || flow->isLayingOut() || flow->paragraphCount() == 0 ||
                std::find(flows.begin(), flows.end(), flow) != flows.end())
                continue;
            flows.push_back(flow);
            flow->paragraphAtIndex(flow->paragraphCount() - 1)->setDirty(true);
            flow->layOutLater();
        }
}

bool LayoutDocument::insertPages(std::vector<std::unique_ptr<Page>> pages, int index)
{
    if (index < 0 || index > numPages())
        return false;
    for (auto& page : pages) {
        if (!page)
            continue;
        page->setDocument(this);
        Page* returning = page.get();
        pages_.insert(pages_.begin() + index++, std::move(page));
        pageReturns(returning);
    }
    pagesChanged();
    return true;
}

std::vector<std::unique_ptr<Page>> LayoutDocument::removePages(const std::vector<Page*>& pages)
{
    std::vector<std::unique_ptr<Page>> removed;
    for (Page* page : pages) {
        auto at = std::find_if(pages_.begin(), pages_.end(), [&](const auto& p) { return p.get() == page; });
        if (at == pages_.end())
            continue;
        pageLeaves(page);
        removed.push_back(std::move(*at));
        pages_.erase(at);
    }
    if (!removed.empty())
        pagesChanged();
    return removed;
}

std::vector<std::unique_ptr<Page>> LayoutDocument::deletePages(int count, int index)
{
    std::vector<std::unique_ptr<Page>> removed;
    if (pages_.empty() || index < 0 || index >= numPages() || count <= 0)
        return removed;
    count = std::min(count, numPages() - index);
    // Every column leaves its chain (copies of masters too: a record that
    // keeps the pages puts them back); the chains are laid out again.
    ChainChanges chains;
    for (int k = 0; k < count; ++k) {
        auto at = pages_.begin() + index;
        const auto& items = (*at)->pageItems();
        for (std::size_t i = 0; i < items.size(); ++i)
            if (auto* column = dynamic_cast<TextItem*>(items[i].get()); column && !column->isDisconnected())
                chains.note(column);
        for (std::size_t i = items.size(); i-- > 0;) {
            auto* column = dynamic_cast<TextItem*>(items[i].get());
            if (!column || column->isDisconnected())
                continue;
            if (column->autoFlowMaster())
                for (const auto& page : pages_)
                    page->popTextMaster(column);
            column->removeFromTextFlowAndRecompute(false);
        }
        pageLeaves(at->get());
        removed.push_back(std::move(*at));
        pages_.erase(at);
    }
    pagesChanged();
    chains.layOutLater();
    return removed;
}

void LayoutDocument::deleteEmptyPages()
{
    if (!prefersAutomaticTextItems())
        return;
    // Not while an undo or redo runs: a page left empty by it (a picture
    // taken off) may be named by the records still to come, which need it.
    if (undoInfo_ && undoInfo_->isReplaying())
        return;
    // A page an undone record puts items on again stays for its redo (the
    // layout after an undo would otherwise take it first).
    deleteTrailingEmptyPages([this](const Page* page) { return undoInfo_ && undoInfo_->redoNeedsPage(page); });
}

void LayoutDocument::deleteEmptyPagesNotNeededBy(const UndoInfo& stack)
{
    if (prefersAutomaticTextItems())
        deleteTrailingEmptyPages([&stack](const Page* page) { return stack.needsPage(page); });
}

void LayoutDocument::deleteTrailingEmptyPages(const std::function<bool(const Page*)>& keeps)
{
    for (int index = numPages() - 1; index >= 1; --index) {
        Page* page = pages_[std::size_t(index)].get();
        if (keeps(page))
            return;
        // The page's own items, whichever layer is being edited: in the
        // master layer the list would be the master items, and a page left
        // behind then stayed until the next layout took it.
        std::vector<Item*> items;
        for (const auto& item : page->pageItems())
            items.push_back(item.get());
        const bool empty = std::all_of(items.begin(), items.end(), [](const Item* item) {
            const auto* column = dynamic_cast<const TextItem*>(item);
            return column && column->masterColumn() && column->endParagraph() == -2;
        });
        if (!empty)
            return;
        for (auto at = items.rbegin(); at != items.rend(); ++at)
            static_cast<TextItem*>(*at)->removeFromTextFlowAndRecompute(false);
        // The column being edited may leave with the page (a delete emptied
        // it): the text goes on being edited where its caret now is, or what
        // is typed next would go nowhere until a click.
        TextFlow* edited = activeTextFlow_;
        for (auto& page : deletePages(1, index))
            retiredPages_.push_back(std::move(page));
        if (!activeTextItem() && edited)
            if (TextItem* holder = columnHoldingCaret(edited)) {
                setActiveTextItem(holder);
                if (!activePage_)
                    activePage_ = holder->page();
            }
        if (!releaseRetired_ || !releaseRetired_->isValid())
            releaseRetired_ =
                kit::Timer::scheduledTimerWithTimeInterval(0, [this](kit::Timer&) { retiredPages_.clear(); }, false);
    }
}

bool LayoutDocument::collapsePages(int count, int index)
{
    if (index < 0 || index >= numPages() || count <= 0)
        return false;
    count = std::min(count, numPages() - index);
    for (int k = index; k < index + count; ++k)
        pages_[std::size_t(k)]->setCollapsed(true);
    pagesChanged();
    return true;
}

bool LayoutDocument::expandPages(int count, int index)
{
    if (index < 0 || index >= numPages() || (count <= 0 && count != -1))
        return false;
    const int end = count == -1 ? numPages() : index + std::min(count, numPages() - index);
    bool expanded = false;
    for (int k = index; k < end; ++k) {
        Page* page = pages_[std::size_t(k)].get();
        if (!page->isCollapsed()) {
            if (count == -1)
                break;
            continue;
        }
        page->setCollapsed(false);
        expanded = true;
    }
    if (expanded)
        pagesChanged();
    return expanded;
}

void LayoutDocument::addMasterItem(std::shared_ptr<Item> item)
{
    if (!item)
        return;
    item->setPage(masterPage_.get());
    theMasterItems_.push_back(std::move(item));
}

std::shared_ptr<Item> LayoutDocument::removeMasterItem(Item* item)
{
    auto at = std::find_if(theMasterItems_.begin(), theMasterItems_.end(),
                           [&](const auto& i) { return i.get() == item; });
    if (at == theMasterItems_.end())
        return nullptr;
    std::shared_ptr<Item> removed = std::move(*at);
    theMasterItems_.erase(at);
    removed->setPage(nullptr);
    itemRemoved(removed.get());
    return removed;
}
