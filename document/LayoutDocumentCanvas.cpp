#include "document/LayoutDocument.h"

#include "document/Page.h"
#include "document/PageSet.h"
#include "items/Item.h"
#include "document/Guide.h"

#include <algorithm>

namespace {

// One parity test for every page number, negative ones included.
bool isOdd(long long n) { return n % 2 != 0; }

kit::Rect unionOf(const kit::Rect& a, const kit::Rect& b)
{
    if (kit::isEmptyRect(a))
        return b;
    if (kit::isEmptyRect(b))
        return a;
    const float x0 = std::min(kit::minX(a), kit::minX(b));
    const float y0 = std::min(kit::minY(a), kit::minY(b));
    const float x1 = std::max(kit::maxX(a), kit::maxX(b));
    const float y1 = std::max(kit::maxY(a), kit::maxY(b));
    return kit::makeRect(x0, y0, x1 - x0, y1 - y0);
}

} // namespace

kit::Rect getCollapsedPageRect(kit::Rect rect, int number, int count, int tileMode, int sidedMode, bool isFirst)
{
    const float strip = LayoutDocument::collapsedStripSize;
    if (tileMode == 2) {
        const long long last = static_cast<long long>(number) + count - 1;
        if (sidedMode == 1 && !isFirst && (isOdd(number) || !isOdd(last)))
            rect.origin.y += (rect.size.height - strip) / 2.0f;
        rect.size.height = strip;
    } else {
        rect.size.width = strip;
    }
    return rect;
}

int pageSide(int index, int firstPageNum, int count)
{
    if (count == 1)
        return 0;
    return isOdd(static_cast<long long>(index) + firstPageNum) ? 2 : 1;
}

namespace {

// Grows the rectangle along one axis: half way to the page, or to the
// canvas edge when there is none.
void adjustAlong(float kit::Point::*at, float kit::Size::*length, const Page* page, kit::Rect* rect,
                 const kit::Rect& canvas, bool before)
{
    const float start = rect->origin.*at;
    const float end = start + rect->size.*length;
    if (before) {
        const float to = page ? start - (start - (page->pageRect().origin.*at + page->pageRect().size.*length)) / 2.0f
                              : canvas.origin.*at;
        rect->origin.*at = to;
        rect->size.*length = end - to;
    } else {
        const float to = page ? end + (page->pageRect().origin.*at - end) / 2.0f : canvas.origin.*at + canvas.size.*length;
        rect->size.*length = to - start;
    }
}

} // namespace

void adjustPageRectX(const Page* page, kit::Rect* rect, const kit::Rect& canvas, bool before)
{
    adjustAlong(&kit::Point::x, &kit::Size::width, page, rect, canvas, before);
}

void adjustPageRectY(const Page* page, kit::Rect* rect, const kit::Rect& canvas, bool before)
{
    adjustAlong(&kit::Point::y, &kit::Size::height, page, rect, canvas, before);
}

void LayoutDocument::calcPageRectsFor(int mode)
{
    if (disableCalcPages_ > 0)
        return;
    const int oldIndex = activePage_ ? activePageIndexInPages() : PageNotFound;
    if (mode == 1)
        calcCollapsedPages();
    calcDisplayedPages(mode == 1);
    if (activePage_) {
        const int d = displayedIndexOfIndex(oldIndex);
        activePage_ = d != PageNotFound ? pagesDisplayed_[std::size_t(d)] : nullptr;
    }
    layOutEntries();
}

// The page the active entry stands for, found in the page list so that it
// survives the rebuilding of the runs.
int LayoutDocument::activePageIndexInPages() const
{
    if (auto* run = dynamic_cast<const PageSet*>(activePage_))
        return run->offset();
    return indexOfPage(activePage_);
}

void LayoutDocument::layOutEntries()
{
    const kit::Size margin = canvasMargin();
    kit::Rect all{};
    float x = margin.width;
    float y = margin.height;
    long long n = firstPageNum_;
    const bool vertical = tileMode_ != 0;
    reachOfEntry_.clear();
    float reach = 0.0f;
    for (std::size_t k = 0; k < pagesDisplayed_.size(); ++k) {
        Page* entry = pagesDisplayed_[k];
        kit::Point origin{x, y};
        if (vertical && sidedMode_ == 1 && isOdd(n) && pagesDisplayed_.size() > 1)
            origin.x = x + pageSize_.width + pageSeparationSpread;
        if (auto* run = dynamic_cast<PageSet*>(entry)) {
            kit::Rect strip = getCollapsedPageRect(kit::Rect{origin, pageSize_}, static_cast<int>(n),
                                                   static_cast<int>(run->count()), tileMode_, sidedMode_, k == 0);
            run->setRect(strip);
        } else {
            entry->setOrigin(origin);
        }
        const kit::Rect& r = entry->pageRect();
        n += entry->count();
        if (!vertical) {
            x += kit::width(r) + (sidedMode_ == 0 || isOdd(n - 1) ? pageSeparation : spreadSeparationHorizontal);
        } else if (sidedMode_ == 0) {
            y += kit::height(r) + pageSeparation;
        } else if (isOdd(n - 1)) {
            y += kit::height(r) + spreadSeparationVertical;
        }
        all = unionOf(all, r);
        reach = std::max(reach, vertical ? kit::maxY(r) : kit::maxX(r));
        reachOfEntry_.push_back(reach);
    }
    float w = kit::width(all) + 2 * margin.width;
    float h = kit::height(all) + 2 * margin.height;
    if (margin.width < 3.0f)
        w += 3.0f;
    if (margin.height < 3.0f)
        h += 3.0f;
    canvasRect_ = kit::makeRect(0, 0, w, h);
}

kit::Rect LayoutDocument::pageRectAt(int d) const
{
    return displayedPageAt(d)->pageRect();
}

kit::Rect LayoutDocument::extendedPageRectForPage(const Page* page, int direction) const
{
    auto at = std::find(pagesDisplayed_.begin(), pagesDisplayed_.end(), page);
    return extendedPageRectForIndex(at == pagesDisplayed_.end() ? -1 : int(at - pagesDisplayed_.begin()),
                                    direction);
}

kit::Rect LayoutDocument::extendedPageRectForIndex(int d, int direction) const
{
    const int count = numDisplayedPages();
    auto entry = [&](int e) -> const Page* { return e >= 0 && e < count ? pagesDisplayed_[std::size_t(e)] : nullptr; };
    if (!entry(d))
        return kit::Rect{};
    kit::Rect r = entry(d)->pageRect();
    const kit::Rect& c = canvasRect_;
    auto xb = [&](const Page* p) { adjustPageRectX(p, &r, c, true); };
    auto xa = [&](const Page* p) { adjustPageRectX(p, &r, c, false); };
    auto yb = [&](const Page* p) { adjustPageRectY(p, &r, c, true); };
    auto ya = [&](const Page* p) { adjustPageRectY(p, &r, c, false); };
    if (tileMode_ == 0) {
        if (d > 0)
            xb(entry(d - 1));
        if (entry(d + 1))
            xa(entry(d + 1));
        yb(nullptr);
        ya(nullptr);
    } else if (sidedMode_ == 0) {
        xb(nullptr);
        xa(nullptr);
        if (d > 0)
            yb(entry(d - 1));
        if (entry(d + 1))
            ya(entry(d + 1));
    } else if (pageSide(d, firstPageNum_, count) == 1) {
        xb(nullptr);
        if (entry(d + 1))
            xa(entry(d + 1));
        else if (direction == 2 && d > 0)
            xa(entry(d - 1));
        if (direction == 1) {
            if (d == 1)
                yb(entry(d - 1));
            else if (d >= 2)
                yb(entry(d - 2));
        } else if (d > 1) {
            yb(entry(d - 2));
        }
        if (entry(d + 2))
            ya(entry(d + 2));
    } else {
        if (direction == 2 && d == 0 && entry(d + 1))
            xb(entry(d + 1));
        else if (d > 0)
            xb(entry(d - 1));
        xa(nullptr);
        if (d > 2)
            yb(entry(d - 2));
        if (direction == 1 && !entry(d + 2)) {
            if (entry(d + 1))
                ya(entry(d + 1));
        } else if (entry(d + 2)) {
            ya(entry(d + 2));
        }
    }
    return r;
}

std::vector<Page*> LayoutDocument::pagesInRect(const kit::Rect& rect, bool extended, int direction) const
{
    std::vector<Page*> found;
    const bool vertical = tileMode_ != 0;
    const float from = vertical ? kit::minY(rect) : kit::minX(rect);
    const float to = vertical ? kit::maxY(rect) : kit::maxX(rect);
    // Entries wholly before the rectangle can not meet it, nor can their
    // extensions, which reach at most half way to an entry two further on.
    std::size_t k = 0;
    if (reachOfEntry_.size() == pagesDisplayed_.size()) {
        k = std::size_t(std::lower_bound(reachOfEntry_.begin(), reachOfEntry_.end(), from) - reachOfEntry_.begin());
        k = k >= 2 ? k - 2 : 0;
    }
    for (; k < pagesDisplayed_.size(); ++k) {
        Page* entry = pagesDisplayed_[k];
        const kit::Rect r = extended ? extendedPageRectForIndex(int(k), direction) : entry->pageRect();
        if (kit::intersectsRect(r, rect))
            found.push_back(entry);
        if (to < (vertical ? kit::minY(r) : kit::minX(r)))
            break;
    }
    return found;
}
