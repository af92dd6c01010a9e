// Replaced by the real operation at merge.
#include "view/PageView.h"

#include "document/LayoutDocument.h"
#include "document/Page.h"

void PageView::moveCursorToTextPoint(const textPoint* point, TextItem* column, bool forceErase)
{
    (void)point;
    (void)column;
    (void)forceErase;
}

void PageView::eraseTextCursor() {}

kit::Rect PageView::textCursorRect() const { return {}; }

Item* PageView::hitItemAt(kit::Point point)
{
    if (!document_)
        return nullptr;
    for (const auto& page : document_->pages())
        if (Item* item = page->hitAt(point, this))
            return item;
    return nullptr;
}
