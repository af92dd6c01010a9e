// The protocol between a flow and its view after an edit: how much to redraw,
// following the caret into another column or page, and scrolling it into
// view.

#include "text/TextFlow.h"

#include "graphics/Font.h"
#include "items/TextItem.h"
#include "text/DocumentView.h"
#include "text/TextDocument.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"

#include <algorithm>
#include <vector>

namespace {

TextDocument* documentOf(const TextItem* column, const TextFlow* flow)
{
    if (TextDocument* document = column ? column->textDocument() : nullptr)
        return document;
    return flow ? flow->document() : nullptr;
}

// The column's origin on the canvas (the view's coordinates).
kit::Point originInView(const TextItem* column)
{
    kit::Point origin = column->frame().origin;
    column->convertToView(&origin);
    return origin;
}

// Moves r's [lo, lo + extent) span along one axis of s so that it shows,
// with a margin.
void bringInto(float rLo, float rExtent, float& sLo, float sExtent)
{
    if (sLo > rLo)
        sLo = rLo - 10.0f;
    if (rLo + rExtent > sLo + sExtent)
        sLo = rLo + rExtent - sExtent + 10.0f;
}

} // namespace

kit::WeakLink<TextItem> TextFlow::watchedItem(TextItem* column, const textPoint* tp) const
{
    return kit::WeakLink<TextItem>(item(column, tp));
}

void TextFlow::redrawQuickFrom(const kit::WeakLink<TextItem>& column)
{
    if (TextItem* from = column.get())
        from->redrawQuickInView(nullptr);
}

TextItem* TextFlow::_finishModifyingInView(DocumentView* view, TextItem* column, textPoint* oldPoint, textPoint* newPoint,
                                           bool forceRedraw)
{
    (void)oldPoint;
    // The edit's layout may have dropped the page of the column it began in
    // (an emptied page at the end): it goes on where the caret is.
    if (column && column->isDisconnected()) {
        textPoint caret{};
        getCurrentTextPoint(&caret);
        TextItem* holder = item(firstTextItem_, newPoint ? newPoint : &caret);
        column = holder ? holder : firstTextItem_;
    }
    if (!column)
        return nullptr;
    TextItem* target = newPoint ? item(column, newPoint) : column;
    if (!target)
        target = column;
    updateFontPanelFromPoint(newPoint, target);
    TextDocument* document = documentOf(column, this);
    if (column->isDisplay()) {
        // A headline follows its text: the whole frame with its knobs.
        kit::Rect bounds{};
        column->getUpdateBounds(&bounds, view);
        kit::Rect withKnobs{};
        column->Item::getUpdateBounds(&withKnobs, view, true);
        bounds = kit::unionRect(bounds, withKnobs);
        if (document)
            document->notifyUpdate(view, bounds);
        // The info bar of the document's main view shows the frame's size.
        DocumentView* main = document && document->mainView() ? document->mainView() : view;
        if (main)
            main->setSizeTo(column->frame().size.width, column->frame().size.height);
    } else if (!forceRedraw && document && document->lastTextDrawFinished()) {
        if (view)
            view->eraseTextCursor();
    } else {
        column->redrawQuickInView(view);
    }
    column->setNeedsRedrawing(false);
    if (target != column)
        refocusOnItem(target, view);
    else
        scrollCurrentWordToVisible(target, view);
    if (view && newPoint)
        view->moveCursorToTextPoint(newPoint, target, false);
    return target;
}

void TextFlow::_redrawCurrentParagraphInItem(TextItem* column, DocumentView* view, kit::Rect* dirtyRect,
                                             kit::Rect* cursorRect)
{
    TextParagraph* paragraph = currentParagraph();
    TextDocument* document = documentOf(column, this);
    if (!column || !paragraph || !document)
        return;
    // Master columns show on many pages: the view redraws them whole.
    if (column->masterFlags() != 0) {
        document->notifyUpdate(view, kit::Rect{}, column, column, 0, -1);
        return;
    }
    const int i = indexOfParagraph(paragraph);
    TextItem* first = paragraph->firstDirtyItem() ? paragraph->firstDirtyItem() : column;
    TextItem* last = paragraph->lastDirtyItem() ? paragraph->lastDirtyItem() : first;
    const float firstY = paragraph->firstDirtyY();
    const float lastY = paragraph->lastDirtyY();
    // The columns the change ran through, first to last; a last column not
    // met along the chain ends the walk at the first.
    std::vector<TextItem*> columns;
    for (TextItem* at = first; at; at = at->nextColumn()) {
        columns.push_back(at);
        if (at == last || columns.size() > 100000)
            break;
    }
    if (columns.back() != last)
        columns.resize(1);
    const bool single = columns.size() == 1;
    for (TextItem* at : columns) {
        const kit::Rect border = paragraph->borderInItem(at);
        const kit::Point origin = originInView(at);
        const float top = at == first ? firstY : border.origin.y;
        const float bottom = (at == last || single) ? lastY : border.origin.y + border.size.height;
        // Across, the whole width the column draws in: hung punctuation and
        // hyphens ink past the paragraph's border, and an indent wider than
        // the column is cut back by the layout, left of the border.
        const float left = std::max(at->hangLeft(), at->screenHangLeft()),
                    right = std::max(at->hangRight(), at->screenHangRight());
        kit::Rect drawn{};
        at->getUpdateBounds(&drawn, view);
        const float fromX = std::min(drawn.origin.x - at->frame().origin.x, border.origin.x - left);
        const float toX = std::max(kit::maxX(drawn) - at->frame().origin.x, kit::maxX(border) + right);
        kit::Rect r = kit::makeRect(origin.x + fromX, origin.y + top, toX - fromX, bottom - top);
        if (r.size.height <= 0)
            r.size.height = 0.01f;
        if (at == column || single) {
            if (dirtyRect)
                r = kit::unionRect(r, *dirtyRect);
            if (cursorRect)
                r = kit::unionRect(r, *cursorRect);
        }
        // Glyphs ink above and below their line's box where the leading is
        // tight: by up to about a line, as drawing reaches.
        const kit::Font* font = paragraph->font();
        const float reach = font ? std::max(font->pointSize(), 1.0f) : 1.0f;
        r = kit::insetRect(r, -1.0f, -reach);
        document->notifyUpdate(view, r, at, at, i - 1, i + 1);
    }
}

kit::Rect TextFlow::caretRectInColumn(const textPoint* point, TextItem* column, TextItem** holder) const
{
    TextItem* at = point ? item(column, point) : column;
    if (holder)
        *holder = at;
    const TextParagraph* paragraph = point ? paragraphAtIndex(point->paragraph) : nullptr;
    if (!paragraph)
        return {};
    if (const TextWord* word = paragraph->wordAtIndex(point->word)) {
        const std::size_t pieces = std::size_t(std::max<short>(word->numWordPieces(), 1));
        std::vector<kit::Rect> rects(pieces);
        std::vector<float> baselines(pieces);
        if (word->getSelectionRects(rects.data(), baselines.data(), nullptr, nullptr, point->letter, point->letter) >
            0) {
            kit::Rect caret = rects[0];
            // Without a line box the caret spans the word's glyphs.
            if (caret.size.height <= 0) {
                caret.origin.y = baselines[0] - word->ascent();
                caret.size.height = word->ascent() + word->descent();
            }
            return caret;
        }
    }
    // No word: the caret stands at the paragraph's top.
    return kit::makeRect(0, paragraph->firstY(), 0, std::max(paragraph->lastY() - paragraph->firstY(), 0.0f));
}

void TextFlow::refocusOnItem(TextItem* column, DocumentView* view)
{
    if (!column)
        return;
    TextDocument* document = documentOf(column, this);
    Page* page = column->page();
    if (document && page && document->activePage() != page)
        document->setActivePage(page);
    if (view)
        view->beginEditingItem(column);
}

void TextFlow::scrollCurrentWordToVisible(TextItem* column, DocumentView* view)
{
    if (!column || !view || !currentParagraph() || !currentParagraph()->currentWord())
        return;
    // The caret of the current word at its insert point.
    textPoint caret{};
    getCurrentTextPoint(&caret);
    kit::Rect r = caretRectInColumn(&caret, column, nullptr);
    const kit::Point origin = originInView(column);
    r.origin.x += origin.x;
    r.origin.y += origin.y;
    if (r.size.width == 0)
        r.size.width = 0.01f;
    if (kit::containsRect(view->visibleRect(), r))
        return;
    kit::Rect s = view->scrollRectForPage(column->page());
    if (!kit::containsRect(s, r)) {
        bringInto(r.origin.y, r.size.height, s.origin.y, s.size.height);
        if (!kit::containsRect(s, r))
            bringInto(r.origin.x, r.size.width, s.origin.x, s.size.width);
    }
    view->scrollRectToVisible(s);
}
