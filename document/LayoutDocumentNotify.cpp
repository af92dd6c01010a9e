// Announcements of changes to the document's page views and to the panels
// that follow it: the view the change was made in first, then the others.
// A notice only marks what a view repaints on its next display.

#include "document/LayoutDocument.h"

#include "appkit/RunLoop.h"
#include "document/DocumentPanels.h"
#include "document/Page.h"
#include "foundation/StyleGraphic.h"
#include "items/Item.h"
#include "items/TextItem.h"
#include "text/DocumentView.h"
#include "text/ParagraphPanel.h"
#include "text/TextFlow.h"

namespace {

template <class F>
void eachView(const std::vector<DocumentView*>& views, DocumentView* first, F&& f)
{
    if (first)
        f(first);
    // From the last to the first, as views are told everywhere. A copy: a
    // view told may leave the list.
    const std::vector<DocumentView*> list = views;
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (*it != first)
            f(*it);
}

bool visible(const DocumentPanel* panel) { return panel && panel->isVisible(); }

// Every view repaints all it shows.
void displayAll(const std::vector<DocumentView*>& views, DocumentView* first)
{
    eachView(views, first, [](DocumentView* v) { v->notifyUpdateForRect(kit::Rect{}); });
}

} // namespace

void getUpdateBoundsForGraphicStyle(kit::Rect* rect)
{
    if (rect)
        *rect = kit::Rect{};
}

void getUpdateBoundsForParaStyle(kit::Rect* rect)
{
    if (rect)
        *rect = kit::Rect{};
}

void LayoutDocument::notifyUpdate(DocumentView* view, const std::vector<kit::Object*>* items)
{
    if (isNotifyDisabled() || !hasViews())
        return;
    notifyInspectors();
    eachView(views_, view, [&](DocumentView* v) { v->notifyUpdateForItems(items); });
}

void LayoutDocument::invalidate(DocumentView* view, const std::vector<Item*>& items)
{
    if (!hasViews())
        return;
    eachView(views_, view, [&](DocumentView* v) { v->invalidateItems(items); });
}

void LayoutDocument::notifyUpdate(DocumentView* view, const kit::Rect& rect)
{
    if (isNotifyDisabled() || !hasViews())
        return;
    eachView(views_, view, [&](DocumentView* v) { v->notifyUpdateForRect(rect); });
}

void LayoutDocument::notifyUpdate(DocumentView* view, const kit::Rect& rect, TextItem* fromItem, TextItem* toItem,
                                  int fromParagraph, int toParagraph)
{
    if (isNotifyDisabled() || !hasViews())
        return;
    const bool useRect = !kit::isEmptyRect(rect);
    // Only a redraw that runs to the end of the chain tells whether typing
    // cut it short.
    auto draw = [&](DocumentView* v) {
        const bool finished = v->drawSelf(rect, useRect, fromItem, toItem, fromParagraph, toParagraph);
        if (!toItem)
            lastTextDrawFinished_ = finished;
        return finished;
    };
    if (view)
        draw(view);
    // The other views follow only a view that finished; the first that
    // gives up ends the walk (they are redrawn whole later).
    if (!lastTextDrawFinished_)
        return;
    const std::vector<DocumentView*> list = views_;
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (*it != view && !draw(*it))
            break;
}

void LayoutDocument::notifyUpdatePageCache(DocumentView* view)
{
    if (!hasViews())
        return;
    eachView(views_, view, [](DocumentView* v) { v->notifyUpdatePageCache(); });
}

void LayoutDocument::notifyUpdateUnits(DocumentView* view)
{
    if (isNotifyDisabled() || !hasViews())
        return;
    DocumentPanels& panels = DocumentPanels::shared();
    if (DocumentPanel* tabs = panels.tabsPanel(false))
        tabs->inspect(selected());
    for (DocumentPanel* panel : {panels.paragraphInspector(), panels.placementInspector()})
        if (visible(panel))
            panel->updatePanel(this);
    eachView(views_, view, [](DocumentView* v) { v->notifyUpdateUnits(); });
}

void LayoutDocument::notifyUpdatePageNumber(DocumentView* view)
{
    if (isNotifyDisabled() || !hasViews())
        return;
    if (PagesPanel* pages = DocumentPanels::shared().pagesPanel(false)) {
        pages->redisplayContent();
        pages->setActivePage(activePage_);
    }
    displayAll(views_, view);
}

void LayoutDocument::notifyUpdatePageNumberLater()
{
    if (pageNumberRedraw_)
        pageNumberRedraw_->invalidate();
    // The timer is withdrawn with the document, so the callback never
    // outlives it.
    pageNumberRedraw_ = kit::Timer::scheduledTimerWithTimeInterval(
        0.001,
        [this](kit::Timer&) {
            pageNumberRedraw_.reset();
            notifyUpdatePageNumber(mainView());
        },
        false);
}

void LayoutDocument::notifyUpdateForParaStyle(DocumentView* view, const StyleParagraph* style)
{
    if (isNotifyDisabled() || !hasViews())
        return;
    DocumentPanels& panels = DocumentPanels::shared();
    if (DocumentPanel* styles = panels.paragraphStylesPanel(); visible(styles))
        styles->notifyUpdateForStyle(style);
    if (DocumentPanel* inspector = panels.paragraphInspector(); visible(inspector))
        inspector->inspectSelection(nullptr);
    displayAll(views_, view);
}

void LayoutDocument::notifyUpdateForGraphicStyle(DocumentView* view, const StyleGraphic* style)
{
    // The items take the style's values whether or not anyone is told.
    for (auto it = theMasterItems_.rbegin(); it != theMasterItems_.rend(); ++it) {
        const StyleGraphic* own = (*it)->graphicStyle();
        if (style && own && own->rootStyle() == style)
            (*it)->unlocalizeGraphicStyle();
    }
    for (const auto& page : pages_)
        page->notifyUpdateForGraphicStyle(style);
    if (isNotifyDisabled() || !hasViews())
        return;
    DocumentPanels& panels = DocumentPanels::shared();
    if (DocumentPanel* styles = panels.graphicStylesPanel(); visible(styles))
        styles->notifyUpdateForStyle(style);
    for (DocumentPanel* panel : {panels.graphicsInspector(), panels.lineEditorPanel()})
        if (visible(panel))
            panel->inspectStyle(style);
    displayAll(views_, view);
}

void LayoutDocument::notifyDocumentDidChangeSize()
{
    // While the pages' rectangles are held back the canvas keeps its old
    // size: the views hear of it when the rectangles are made again.
    if (disableCalcPages_ > 0) {
        pagesChangedWhileHeld_ = true;
        return;
    }
    const bool held = isNotifyDisabled();
    // The views take the size even while held back: a view must never show
    // a canvas smaller than its pages.
    const std::vector<DocumentView*> list = views_;
    for (DocumentView* view : list)
        view->notifyDocumentDidChangeSize(canvasSize(), !held);
    if (held)
        return;
    if (PagesPanel* pages = DocumentPanels::shared().pagesPanel(false); visible(pages))
        pages->notifyDocumentDidChangeSize();
}

void LayoutDocument::notifyUpdateFontPanel()
{
    const std::vector<Item*> list = selected();
    if (list.empty())
        return;
    auto* column = dynamic_cast<TextItem*>(list.front());
    if (column && column->isEditing() && column->flow())
        column->flow()->updateFontPanel(column);
}

ParagraphPanel* LayoutDocument::tabsPanel() const
{
    return dynamic_cast<ParagraphPanel*>(DocumentPanels::shared().tabsPanel(false));
}

void LayoutDocument::notifyInspectors()
{
    DocumentPanels& panels = DocumentPanels::shared();
    const std::vector<Item*> selection = selected();
    if (DocumentPanel* panel = panels.lineEditorPanel(); visible(panel))
        panel->inspectSelection(&selection);
    if (DocumentPanel* panel = panels.inspectorPanel(); visible(panel))
        panel->inspect(selection);
    if (DocumentPanel* panel = panels.paragraphStylesPanel(); visible(panel))
        panel->inspectSelection(&selection);
    if (DocumentPanel* panel = panels.graphicStylesPanel(); visible(panel))
        panel->inspectSelection(&selection);
    if (DocumentPanel* panel = panels.linksPanel(false); visible(panel))
        panel->inspect(selection);
    if (DocumentPanel* panel = panels.tabsPanel(false); visible(panel))
        panel->inspectSelection(&selection);
    panels.updateLinksPanel();
}

void LayoutDocument::recomputeFromTextItem(TextItem* item)
{
    if (!item)
        return;
    const int count = numPages();
    disableNotify();
    disableCalcPages();
    item->recompute();
    reenableNotify();
    reenableCalcPages();
    if (numPages() != count) {
        calcPageRectsFor(1);
        notifyDocumentDidChangeSize();
    }
}
