// The page view's services to text editing: opening and closing editing, the
// text cursor, hit tests and scrolling to pages, the info bar, redisplay on
// the document's notifications and the partial redraw of text.

#include "view/PageView.h"

#include "appkit/Window.h"
#include "core/Color.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/PageSet.h"
#include "foundation/Paint.h"
#include "graphics/DrawContext.h"
#include "items/Item.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"
#include "view/InfoBarInset.h"

#include <algorithm>
#include <cmath>

namespace {

kit::Rect grown(const kit::Rect& r, float d) { return kit::insetRect(r, -d, -d); }

} // namespace

// ---- Editing.

void PageView::beginEditingItem(TextItem* column)
{
    if (column)
        column->beginEditing(nullptr, this);
}

Page* PageView::editedPage() const
{
    TextItem* active = editing_ && document_ ? document_->activeTextItem() : nullptr;
    return active ? active->page() : nullptr;
}

void PageView::redisplayOverhangs(const Page* was, const Page* now)
{
    if (was == now)
        return;
    // The edited page is drawn last, and drawn even inside a collapsed run:
    // its paper, and where its items reach past it over a neighbour's, are
    // drawn in another order now.
    kit::Rect area{};
    for (const Page* page : {was, now}) {
        if (!page)
            continue;
        area = kit::isEmptyRect(area) ? page->pageRect() : kit::unionRect(area, page->pageRect());
        for (const auto& item : page->pageItems()) {
            kit::Rect r{};
            item->getUpdateBounds(&r, this, true);
            if (!kit::containsRect(page->pageRect(), r))
                area = kit::isEmptyRect(area) ? r : kit::unionRect(area, r);
        }
    }
    area = kit::intersectionRect(grown(area, 1.0f), visibleOrBounds());
    if (!kit::isEmptyRect(area))
        setNeedsDisplayInRect(area);
}

void PageView::notifyItemIsEditing(TextItem* column)
{
    if (!document_ || !column)
        return;
    const kit::WeakLink<Page> was(editedPage());
    TextItem* active = document_->activeTextItem();
    if (active && active->flow() == column->flow()) {
        if (active->isEditing() && active->editPageView())
            active->transferEditingInView(active->editPageView());
    } else {
        endEditingIfNeeded();
    }
    editing_ = true;
    document_->setActiveTextItem(column);
    document_->setSelection({column}, this);
    redisplayOverhangs(was.get(), editedPage());
}

void PageView::endEditingIfNeeded()
{
    if (!document_)
        return;
    const kit::WeakLink<Page> was(editedPage());
    if (editing_) {
        std::vector<Item*> selected = document_->selected();
        if (!selected.empty()) {
            if (auto* column = dynamic_cast<TextItem*>(selected.front()))
                column->finishEditingInView(this);
            // While editing the list holds only the edited column.
            selected.pop_back();
            document_->setSelection(selected, this);
        }
        editing_ = false;
    }
    eraseTextCursor();
    if (document_->activeTextItem())
        document_->setActiveTextItem(nullptr);
    redisplayOverhangs(was.get(), editedPage());
}

// ---- The text cursor.

kit::Rect PageView::caretRectInColumn(const textPoint* point, TextItem* column, TextItem** holder)
{
    if (TextFlow* flow = column ? column->flow() : nullptr)
        return flow->caretRectInColumn(point, column, holder);
    if (holder)
        *holder = column;
    return {};
}

void PageView::moveCursorToTextPoint(const textPoint* point, TextItem* column, bool forceErase)
{
    if (!column || !point)
        return;
    TextItem* holder = column;
    kit::Rect caret = caretRectInColumn(point, column, &holder);
    if (!holder)
        holder = column;
    Page* page = holder->page();
    // A caret in a collapsed run opens the run first.
    if (page && page->isCollapsed() && document_) {
        if (PageSet* run = document_->pageSetForCollapsedPage(page))
            document_->expandPages(-1, run->offset());
    }
    // Only the part of the caret inside its column shows; a caret wholly
    // outside it shows none.
    const float frameHeight = holder->frame().size.height;
    if (caret.origin.y >= frameHeight || (caret.origin.y < 0 && caret.origin.y + caret.size.height <= 0)) {
        eraseTextCursor();
        return;
    }
    if (caret.origin.y < 0) {
        caret.size.height += caret.origin.y;
        caret.origin.y = 0;
    }
    caret.size.height = std::min(caret.size.height, frameHeight - caret.origin.y);
    kit::Point origin = holder->frame().origin;
    holder->convertToView(&origin);
    if (caret.size.width <= 0)
        caret.size.width = 1;
    // A turned or scaled column's caret stands as its text does: through
    // the column's matrix about the frame's origin. Drawing keeps the caret
    // inside the column also sideways.
    cursorOrigin_ = origin;
    cursorLocal_ = caret;
    cursorMatrix_ = {1, 0, 0, 1};
    if (holder->isTransformed())
        holder->getMatrix(cursorMatrix_.data());
    const float columnWidth = holder->frame().size.width;
    if (holder->isTransformed()) {
        const kit::Point top = caretPointInView(caret.origin.x, kit::minY(caret));
        const kit::Point bottom = caretPointInView(caret.origin.x, kit::maxY(caret));
        caret = kit::makeRect(std::min(top.x, bottom.x), std::min(top.y, bottom.y), std::fabs(top.x - bottom.x),
                              std::fabs(top.y - bottom.y));
        caret.size.width = std::max(caret.size.width, 1.0f);
        caret.size.height = std::max(caret.size.height, 1.0f);
        cursorClip_ = caret;
    } else {
        caret.origin.x += origin.x;
        caret.origin.y += origin.y;
        cursorClip_ = kit::makeRect(origin.x, origin.y, columnWidth, frameHeight);
    }
    const kit::Rect old = cursorRect_;
    const bool wasShown = cursorShown_;
    const bool moved = !cursorShown_ || !kit::equalRects(old, caret);
    cursorRect_ = caret;
    cursorShown_ = true;
    // A caret that moved shows at once and blinks from there.
    if (moved || forceErase)
        restartBlink();
    if (wasShown && (moved || forceErase))
        refreshCaretArea(old);
    // Marking the caret's area while it is drawn would only draw it again.
    if (moved || forceErase || !placingCaretWhileDrawing_)
        refreshCaretArea(caret);
}

void PageView::eraseTextCursor()
{
    if (!cursorShown_)
        return;
    cursorShown_ = false;
    cursorCycle_ = false;
    kit::Receiver::cancelPreviousPerformRequestsWithTarget(this, "drawCursor:", this);
    refreshCaretArea(cursorRect_);
}

kit::Point PageView::caretPointInView(float x, float y) const
{
    const auto& m = cursorMatrix_;
    return kit::makePoint(cursorOrigin_.x + m[0] * x + m[2] * y, cursorOrigin_.y + m[1] * x + m[3] * y);
}

// ---- Pages and hit tests.

PageView::PageCacheKey PageView::pageCacheKeyFor(const kit::Rect& visible) const
{
    PageCacheKey key;
    key.visible = visible;
    key.zoom = zoom_;
    key.edited = editedPage();
    if (document_) {
        const std::vector<Page*>& pages = document_->displayedPages();
        key.pages = pages.data();
        key.count = pages.size();
        key.first = pages.empty() ? nullptr : pages.front();
        key.last = pages.empty() ? nullptr : pages.back();
    }
    return key;
}

void PageView::buildPageCache(const kit::Rect& visible) const
{
    pageCache_.clear();
    pageCacheKey_ = pageCacheKeyFor(visible);
    pageCacheBuilt_ = true;
    if (!document_)
        return;
    Page* edited = editedPage();
    const float margin = 3.0f / (zoom_ > 0 ? zoom_ : 1.0f);
    const std::vector<Page*>& pages = document_->displayedPages();
    // The latest first; the page being edited at the front.
    for (auto it = pages.rbegin(); it != pages.rend(); ++it) {
        Page* page = *it;
        if (!page || !kit::intersectsRect(grown(page->pageRect(), margin), visible))
            continue;
        if (page == edited)
            pageCache_.insert(pageCache_.begin(), page);
        else
            pageCache_.emplace_back(page);
    }
}

const std::vector<kit::WeakLink<Page>>& PageView::validPageCache() const
{
    const kit::Rect visible = visibleOrBounds();
    const bool stale = !pageCacheBuilt_ || !(pageCacheKey_ == pageCacheKeyFor(visible)) ||
                       std::any_of(pageCache_.begin(), pageCache_.end(), [](const auto& page) { return !page; });
    if (stale)
        buildPageCache(visible);
    return pageCache_;
}

kit::Rect PageView::adjustScroll(const kit::Rect& proposedVisibleRect)
{
    buildPageCache(proposedVisibleRect);
    return proposedVisibleRect;
}

void PageView::emptyPageCache()
{
    pageCache_.clear();
    pageCacheBuilt_ = false;
}

std::vector<Page*> PageView::pageCache() const
{
    std::vector<Page*> pages;
    for (const auto& page : validPageCache())
        pages.push_back(page.get());
    return pages;
}

std::vector<Page*> PageView::visiblePages() const
{
    // Drawn and asked from the cache's last entry to its first.
    const std::vector<kit::WeakLink<Page>>& cache = validPageCache();
    std::vector<Page*> pages;
    pages.reserve(cache.size());
    for (auto it = cache.rbegin(); it != cache.rend(); ++it)
        pages.push_back(it->get());
    return pages;
}

Page* PageView::hitPageAt(kit::Point point) const
{
    const std::vector<Page*> pages = visiblePages();
    for (Page* page : pages) {
        kit::Rect r = page->pageRect();
        r.size.width += 1;
        r.size.height += 1;
        if (mouseInRect(point, r))
            return page;
    }
    return nullptr;
}

Item* PageView::hitItemAt(kit::Point point)
{
    // The page being edited lies on top: ask it first.
    std::vector<Page*> pages = visiblePages();
    for (auto it = pages.rbegin(); it != pages.rend(); ++it)
        if (Item* item = (*it)->hitAt(point, this))
            return item;
    return nullptr;
}

Page* PageView::mostVisiblePage() const
{
    const kit::Rect visible = visibleOrBounds();
    Page* best = nullptr;
    float bestArea = 0;
    for (Page* page : visiblePages()) {
        const kit::Rect r = kit::intersectionRect(page->pageRect(), visible);
        const float area = r.size.width * r.size.height;
        if (area > bestArea) {
            best = page;
            bestArea = area;
        }
    }
    return best;
}

kit::Rect PageView::visibleOrBounds() const
{
    const kit::Rect visible = visibleRect();
    return kit::isEmptyRect(visible) ? bounds() : visible;
}

// ---- Scrolling.

kit::Rect PageView::scrollRectForPage(const Page* page) const
{
    const kit::Rect visible = visibleOrBounds();
    if (!page)
        return visible;
    const kit::Rect p = page->pageRect();
    kit::Rect r = visible;
    // Along an axis where the page fits it is centred; where it does not,
    // the view shows the same place of the page the most visible page shows,
    // or the page's top, 5 points above it.
    const Page* reference = canDraw() ? mostVisiblePage() : nullptr;
    const bool keepPlace = reference && reference != page;
    const float width = visible.size.width, height = visible.size.height;
    if (p.size.width <= width)
        r.origin.x = p.origin.x - (width - p.size.width) / 2;
    else if (keepPlace && visible.origin.x >= reference->pageRect().origin.x)
        r.origin.x = p.origin.x + (visible.origin.x - reference->pageRect().origin.x);
    else
        r.origin.x = p.origin.x - (width - p.size.width) / 2;
    if (p.size.height <= height)
        r.origin.y = p.origin.y - (height - p.size.height) / 2;
    else if (keepPlace && visible.origin.y >= reference->pageRect().origin.y)
        r.origin.y = p.origin.y + (visible.origin.y - reference->pageRect().origin.y);
    else
        r.origin.y = p.origin.y - 5.0f;
    return r;
}

void PageView::showPage(Page* page)
{
    if (!page || !document_)
        return;
    document_->setActivePage(page);
    scrollRectToVisible(scrollRectForPage(page));
}

// ---- The info bar.

InfoBarInset* PageView::infoBar() const
{
    kit::View* up = superview() ? superview()->superview() : nullptr;
    return up ? dynamic_cast<InfoBarInset*>(up->viewWithTag(InfoBarInset::Tag)) : nullptr;
}

InfoBarDisplay* PageView::infoBarDisplay() const { return infoBar(); }

void PageView::setSizeTo(float width, float height)
{
    if (InfoBarInset* bar = infoBar())
        bar->setSizeTo(width, height);
}

void PageView::setMoveTo(float x, float y)
{
    if (InfoBarInset* bar = infoBar())
        bar->setMoveTo(x, y);
}

// ---- Redisplay.

void PageView::invalidateRect(const kit::Rect& rect) { invalidRect_ = kit::unionRect(invalidRect_, rect); }

void PageView::invalidateItems(const std::vector<Item*>& items)
{
    for (Item* item : items) {
        kit::Rect r{};
        if (item)
            item->getUpdateBounds(&r, this, true);
        invalidateRect(r);
    }
}

void PageView::redisplayVisible(const kit::Rect& rect)
{
    const kit::Rect visible = visibleOrBounds();
    const kit::Rect area = kit::intersectionRect(kit::unionRect(rect, invalidRect_), visible);
    invalidRect_ = {};
    if (!kit::isEmptyRect(area))
        setNeedsDisplayInRect(area);
}

void PageView::notifyUpdateForRect(const kit::Rect& rect)
{
    redisplayVisible(kit::isEmptyRect(rect) ? visibleOrBounds() : rect);
}

void PageView::notifyUpdateForItems(const std::vector<kit::Object*>* items)
{
    if (!items) {
        redisplayVisible(visibleOrBounds());
        return;
    }
    kit::Rect area{};
    bool everywhere = document_ && document_->getEditingLayer() == LayoutDocument::MasterLayer;
    for (kit::Object* object : *items) {
        auto* item = dynamic_cast<Item*>(object);
        if (!item)
            continue;
        // Master items show on many pages.
        everywhere = everywhere || item->masterFlags() != 0;
        kit::Rect r{};
        item->getUpdateBounds(&r, this, true);
        area = kit::unionRect(area, r);
    }
    redisplayVisible(everywhere ? visibleOrBounds() : area);
}

void PageView::notifyPlacedFiles(std::vector<GraphicLink*>& links, const kit::Rect& update)
{
    if (!document_)
        return;
    const kit::Rect visible = visibleOrBounds();
    const std::vector<Page*>& pages = document_->displayedPages();
    for (auto page = pages.rbegin(); page != pages.rend() && !links.empty(); ++page)
        (*page)->checkFiles(links, this, visible, update);
}

kit::Rect PageView::columnAreaOnPage(TextItem* column, const Page* page) const
{
    kit::Rect r{};
    column->getUpdateBounds(&r, this);
    return kit::offsetRect(r, page->pageRect().origin.x, page->pageRect().origin.y);
}

bool PageView::drawSelf(const kit::Rect& rect, bool useRect, TextItem* fromItem, TextItem* toItem, int fromParagraph,
                        int toParagraph)
{
    // Text is drawn in whole words: painted over what shows, it would
    // thicken, and an item under or over the column would be lost. So the
    // area is repainted whole, paper and items in their order, clipped to
    // it; every paragraph there is drawn, whatever the range.
    (void)fromParagraph;
    (void)toParagraph;
    if (!canDraw() || !fromItem || !document_)
        return true;
    const kit::Rect area = grown(useRect && !kit::isEmptyRect(rect) ? rect : visibleOrBounds(), 1.0f);
    const std::vector<Page*> pages = visiblePages();
    const auto shown = [&](const Page* page) {
        return page && std::find(pages.begin(), pages.end(), page) != pages.end() &&
               kit::intersectsRect(page->pageRect(), area);
    };
    kit::Rect damaged{};
    const auto add = [&](TextItem* column, const Page* page) {
        const kit::Rect r = kit::intersectionRect(columnAreaOnPage(column, page), area);
        if (!kit::isEmptyRect(r))
            damaged = kit::isEmptyRect(damaged) ? r : kit::unionRect(damaged, r);
    };
    if (fromItem->masterFlags() == 0) {
        for (TextItem* column = fromItem; column; column = column->nextColumn()) {
            if (shown(column->page()))
                add(column, column->page());
            if (column == toItem || column->nextColumn() == fromItem)
                break;
        }
    } else {
        // A master column shows on every page it may appear on.
        const int layer = document_->getEditingLayer();
        for (Page* page : pages)
            if (kit::intersectsRect(page->pageRect(), area) &&
                fromItem->canAppearOnPageNumber(page->absolutePageNumber(), layer))
                add(fromItem, page);
    }
    // What was invalidated before (a headline's old frame) goes with it.
    const kit::Rect invalid = kit::intersectionRect(invalidRect_, visibleOrBounds());
    invalidRect_ = {};
    if (!kit::isEmptyRect(invalid))
        damaged = kit::isEmptyRect(damaged) ? invalid : kit::unionRect(damaged, invalid);
    if (!kit::isEmptyRect(damaged))
        setNeedsDisplayInRect(damaged);
    return true;
}

kit::Rect PageView::textSelectionArea(TextFlow* flow) const
{
    TextSelection* selection = flow ? flow->textSelection() : nullptr;
    kit::Rect area{};
    if (!selection || !document_)
        return area;
    const kit::Rect visible = visibleOrBounds();
    const int layer = document_->getEditingLayer();
    for (Page* page : visiblePages()) {
        if (!kit::intersectsRect(page->pageRect(), visible))
            continue;
        // The page's columns and the master columns that show on it (more
        // than the page draws the highlight in does no harm: the area is
        // only repainted).
        std::vector<Item*> items;
        for (const auto& item : page->pageItems())
            items.push_back(item.get());
        for (const auto& item : document_->masterItems())
            if (item->canAppearOnPageNumber(page->absolutePageNumber(), layer))
                items.push_back(item.get());
        for (Item* item : items) {
            auto* column = dynamic_cast<TextItem*>(item);
            if (!column || column->flow() != flow)
                continue;
            float m[4] = {1, 0, 0, 1};
            if (column->isTransformed())
                column->getMatrix(m);
            const kit::Point origin = kit::makePoint(page->pageRect().origin.x + column->frame().origin.x,
                                                     page->pageRect().origin.y + column->frame().origin.y);
            for (const kit::Rect& r : selection->highlightRectsInItem(column)) {
                // The corners as the column's matrix places them.
                float left = 0, top = 0, right = 0, bottom = 0;
                for (int corner = 0; corner < 4; ++corner) {
                    const float x = corner & 1 ? kit::maxX(r) : kit::minX(r);
                    const float y = corner & 2 ? kit::maxY(r) : kit::minY(r);
                    const float vx = m[0] * x + m[2] * y, vy = m[1] * x + m[3] * y;
                    left = corner ? std::min(left, vx) : vx;
                    right = corner ? std::max(right, vx) : vx;
                    top = corner ? std::min(top, vy) : vy;
                    bottom = corner ? std::max(bottom, vy) : vy;
                }
                const kit::Rect placed = kit::makeRect(origin.x + left, origin.y + top, right - left, bottom - top);
                area = kit::isEmptyRect(area) ? placed : kit::unionRect(area, placed);
            }
        }
    }
    return area;
}

void PageView::redisplayTextSelection(const kit::Rect& area)
{
    if (!canDraw() || kit::isEmptyRect(area))
        return;
    // Whole pixels around the highlight: it inverts every pixel it touches.
    const kit::Rect shown = kit::intersectionRect(grown(area, 1.0f), visibleOrBounds());
    if (kit::isEmptyRect(shown))
        return;
    setNeedsDisplayInRect(shown);
    if (kit::Window* w = window())
        w->displayIfNeeded();
}

void PageView::drawRect(const kit::Rect& rect)
{
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return;
    // Everything the area showed before goes: the canvas around the pages
    // first, then each page's paper, so that nothing is drawn over itself
    // and a highlight goes with its selection.
    if (context->isDrawingToScreen()) {
        context->gsave();
        context->setColor(*kit::Color::lightGrayColor());
        context->rectfill(rect);
        context->grestore();
    }
    if (!document_)
        return;
    // Earliest page first, the edited one last; master items and page
    // decorations are the page's drawing.
    const Paint paint = this->paint(*context, rect);
    const std::vector<Page*> found = context->isDrawingToScreen() ? visiblePages() : pagesMeeting(rect);
    // A layout finished while a page is drawn may make the collapsed runs
    // anew: the pages are held weakly.
    const std::vector<kit::WeakLink<Page>> pages(found.begin(), found.end());
    for (const auto& page : pages)
        if (page)
            page->drawSelfInView(paint, rect);
    if (context->isDrawingToScreen()) {
        for (const auto& page : pages)
            if (page)
                placeCursorInDrawnColumns(page.get(), rect);
        drawTextCursor(*context, rect);
        drawDropHighlight(*context, rect);
    }
}

Paint PageView::paint(kit::DrawContext& context, const kit::Rect& rect) const
{
    return Paint::into(context, zoom_, rect);
}

void PageView::placeCursorInDrawnColumns(Page* page, const kit::Rect& rect)
{
    // The caret follows the text it stands in as that text is drawn: in an
    // edited column that showed the caret's paragraph, without a selection.
    // Drawing changes nothing: a caret on a collapsed page would open its
    // run in the middle of the drawing.
    if (page->isCollapsed())
        return;
    const kit::Rect onPage = kit::offsetRect(rect, -page->pageRect().origin.x, -page->pageRect().origin.y);
    for (const auto& item : page->pageItems()) {
        auto* column = dynamic_cast<TextItem*>(item.get());
        TextFlow* flow = column ? column->flow() : nullptr;
        if (!flow || !column->isEditing() || !column->shouldDrawInRect(onPage))
            continue;
        if (const TextSelection* selection = flow->textSelection(); selection && !selection->isEmpty())
            continue;
        textPoint caret{};
        flow->getCurrentTextPoint(&caret);
        const int first = column->startParagraph();
        if (first < 0 || caret.paragraph < first || caret.paragraph > column->endParagraph())
            continue;
        placingCaretWhileDrawing_ = true;
        moveCursorToTextPoint(&caret, column, false);
        placingCaretWhileDrawing_ = false;
    }
}
