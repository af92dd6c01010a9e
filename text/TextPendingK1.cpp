// Replaced by the real operation at merge.
#include "text/TextFlow.h"

#include "items/TextItem.h"
#include "text/TextSelection.h"
#include "view/PageView.h"

TextItem* TextFlow::_finishModifyingInView(PageView* view, TextItem* column, textPoint* oldPoint,
                                           textPoint* newPoint, bool forceRedraw)
{
    (void)oldPoint;
    (void)forceRedraw;
    TextItem* target = item(column, newPoint);
    updateFontPanelFromPoint(newPoint, target);
    if (column)
        column->setNeedsRedrawing(false);
    if (view)
        view->moveCursorToTextPoint(newPoint, target, false);
    return target;
}

void TextFlow::_redrawCurrentParagraphInItem(TextItem* column, PageView* view, kit::Rect* dirtyRect,
                                             kit::Rect* cursorRect)
{
    (void)column;
    (void)view;
    (void)dirtyRect;
    (void)cursorRect;
}

void TextSelection::drawSelfInItem(TextItem* column, PageView* view)
{
    (void)column;
    (void)view;
}

void TextSelection::updateFontPanel() {}
