// Replaced by the real operation at merge.

#include "items/TextItem.h"

#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "text/TextFlow.h"
#include "text/TextSelection.h"
#include "view/PageView.h"

bool disableRedraw = false;

void TextItem::redrawQuickInView(PageView* view)
{
    if (disableRedraw || !flow_)
        return;
    TextItem* from = this;
    int paragraph = startParagraph();
    if (TextSelection* selection = flow_->textSelection(); selection && selection->startParagraph() < paragraph) {
        paragraph = selection->startParagraph();
        const textPoint start = selection->start();
        from = flow_->item(this, &start);
    }
    if (LayoutDocument* document = pageDocument())
        document->notifyUpdate(view, kit::Rect{}, from, nullptr, paragraph, 2147483647);
}

void TextItem::drawParagraphsInView(PageView* view, int from, int to)
{
    if (flow_)
        flow_->drawSelfInView(view, this, frame(), from, to, false);
}

bool TextFlow::drawSelfInView(PageView*, TextItem*, const kit::Rect&, int, int, bool) { return false; }
