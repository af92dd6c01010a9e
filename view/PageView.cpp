#include "view/PageView.h"

#include "document/LayoutDocument.h"
#include "foundation/CMGeometry.h"
#include "items/Item.h"

PageView::~PageView() = default;

void PageView::highlight(Page* page, bool flag)
{
    if (flag)
        highlighted_ = page;
    else if (highlighted_ == page)
        highlighted_ = nullptr;
}

void PageView::endEditing()
{
    if (document_ && document_->activeTextItem())
        document_->setActiveTextItem(nullptr);
}

void PageView::lockFocus(kit::DrawContext& context)
{
    Item::resetAll(context);
    CMZoomStatus = zoom_;
}
