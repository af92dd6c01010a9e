#include "view/PageView.h"

#include "foundation/CMGeometry.h"
#include "items/Item.h"

PageView::~PageView() = default;

void PageView::lockFocus(kit::DrawContext& context)
{
    Item::resetAll(context);
    CMZoomStatus = zoom_;
}
