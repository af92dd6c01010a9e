// Replaced by the real operation at merge.

#include "view/PageView.h"

void PageView::moveCursorToTextPoint(const textPoint* point, TextItem* column, bool forceErase)
{
    (void)point;
    (void)column;
    (void)forceErase;
}
