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

namespace {

kit::Rect grown(const kit::Rect& r, float d) { return kit::insetRect(r, -d, -d); }

} // namespace

// ---- Editing.

void PageView::beginEditingItem(TextItem* column)
{
    if (column)
        column->beginEditing(nullptr, this);
}

void PageView::notifyItemIsEditing(TextItem* column)
{
    if (!document_ || !column)
        return;
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
}

void PageView::endEditingIfNeeded()
{
    if (!document_)
        return;
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
    kit::Point origin = holder->frame().origin;
    holder->convertToView(&origin);
    caret.origin.x += origin.x;
    caret.origin.y += origin.y;
    if (caret.size.width <= 0)
        caret.size.width = 1;
    const kit::Rect old = cursorRect_;
    const bool moved = !cursorShown_ || !kit::equalRects(old, caret);
    if (cursorShown_ && (moved || forceErase))
        setNeedsDisplayInRect(old);
    cursorRect_ = caret;
    cursorShown_ = true;
    setNeedsDisplayInRect(caret);
}

void PageView::eraseTextCursor()
{
    if (!cursorShown_)
        return;
    cursorShown_ = false;
    setNeedsDisplayInRect(cursorRect_);
}

// ---- Pages and hit tests.

std::vector<Page*> PageView::visiblePages() const
{
    std::vector<Page*> pages;
    if (!document_)
        return pages;
    const kit::Rect visible = visibleOrBounds();
    Page* edited = nullptr;
    if (editing_ && document_->activeTextItem())
        edited = document_->activeTextItem()->page();
    const float margin = 3.0f / (zoom_ > 0 ? zoom_ : 1.0f);
    for (Page* page : document_->displayedPages()) {
        if (!page || !kit::intersectsRect(grown(page->pageRect(), margin), visible))
            continue;
        if (page != edited)
            pages.push_back(page);
    }
    if (edited && kit::intersectsRect(grown(edited->pageRect(), margin), visible))
        pages.push_back(edited);
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
    if (!kit::isEmptyRect(damaged))
        setNeedsDisplayInRect(damaged);
    return true;
}

void PageView::drawTextSelection(const kit::Rect& rect, bool useRect, TextFlow* flow)
{
    TextSelection* selection = flow ? flow->textSelection() : nullptr;
    if (!selection || !canDraw() || !document_)
        return;
    const kit::Rect area = useRect && !kit::isEmptyRect(rect) ? rect : visibleOrBounds();
    const std::vector<Page*> pages = visiblePages();
    lockFocus();
    kit::DrawContext* context = kit::DrawContext::current();
    const Paint paint = context ? this->paint(*context, area) : Paint{};
    // The columns of the flow each page draws, in their own coordinates.
    if (context)
        for (Page* page : pages)
            page->drawTextSelectionInView(paint, area, flow);
    unlockFocus();
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
    const std::vector<Page*> pages = context->isDrawingToScreen() ? visiblePages() : pagesMeeting(rect);
    for (Page* page : pages)
        page->drawSelfInView(paint, rect);
    if (context->isDrawingToScreen())
        for (Page* page : pages)
            placeCursorInDrawnColumns(page, rect);
}

Paint PageView::paint(kit::DrawContext& context, const kit::Rect& rect) const
{
    return Paint::into(context, zoom_, rect);
}

void PageView::placeCursorInDrawnColumns(Page* page, const kit::Rect& rect)
{
    // The caret follows the text it stands in as that text is drawn: in an
    // edited column that showed the caret's paragraph, without a selection.
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
        moveCursorToTextPoint(&caret, column, false);
    }
}
