// Replaced by the column's own operations at merge.

#include "document/LayoutDocument.h"
#include "items/TextItem.h"

bool TextItem::addPageIfNeeded() { return false; }

void TextItem::sizeHeadlineTo(float width, float height)
{
    (void)width;
    (void)height;
}

void LayoutDocument::deleteEmptyPages() {}
