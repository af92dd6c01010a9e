// Replaced by the real operation at merge.

#include "document/LayoutDocument.h"

void LayoutDocument::notifyUpdate(PageView* view, const kit::Rect& rect, TextItem* fromTextItem,
                                  TextItem* toTextItem, int fromParagraph, int toParagraph)
{
    (void)view;
    (void)rect;
    (void)fromTextItem;
    (void)toTextItem;
    (void)fromParagraph;
    (void)toParagraph;
}
