#include "view/LayvaneTool.h"

#include "text/TextPanels.h"

#include "appkit/Cursor.h"
#include "appkit/Event.h"
#include "core/Alert.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "document/UndoInfo.h"
#include "foundation/ApplicationDelegate.h"
#include "items/Item.h"
#include "items/TextItem.h"
#include "view/PageView.h"

#include <cmath>

LayvaneTool::LayvaneTool()
{
    setAction("setActiveTool:", [this](kit::Object*) -> kit::Object* {
        if (palette_)
            palette_->setActiveTool(this);
        return this;
    });
}

kit::Cursor* LayvaneTool::currentCursor(CanvasView* view) const
{
    (void)view;
    return kit::Cursor::arrowCursor();
}

void LayvaneTool::doTool(CanvasView* view, const kit::Event& mouseDown)
{
    (void)view, (void)mouseDown;
}

Page* getPage(PageView* view, Item* item, kit::Point start, kit::Point end)
{
    if (!view)
        return nullptr;
    const kit::Rect spanned = kit::makeRect(std::fmin(start.x, end.x), std::fmin(start.y, end.y),
                                            std::fabs(end.x - start.x), std::fabs(end.y - start.y));
    Page* page = view->hitPageAt(end);
    if (!page)
        page = view->hitPageIn(spanned);
    if (page && item) {
        kit::Point origin = spanned.origin;
        page->convertToPage(&origin);
        item->setFrameOrigin(origin);
    }
    return page;
}

Item* LayvaneTool::createInView(PageView* view, const kit::Event& mouseDown, const CreationDrag& creation)
{
    LayoutDocument* document = view ? view->document() : nullptr;
    if (!document || !creation)
        return nullptr;
    document->setSelection({}, view);
    const kit::Point start = view->pointOfEvent(mouseDown);
    kit::Point end = start;
    std::unique_ptr<Item> made = creation(view, mouseDown, &end);
    if (!made)
        return nullptr;
    Page* page = view->hitPageAt(start);
    if (!page) {
        // Begun off the pages: the page the drag overlaps most.
        page = getPage(view, made.get(), start, end);
    }
    if (!page)
        return nullptr;
    if (document->getEditingLayer() == LayoutDocument::MasterLayer)
        made->setMasterFlags(3);
    Item* item = made.get();
    page->addItems(std::shared_ptr<Item>(std::move(made)));
    document->setActivePage(page);
    document->setSelection({item}, view);
    if (UndoInfo* undo = document->undoInfo())
        undo->push(std::make_unique<Undo>(std::vector<Item*>{item}, page, Undo::ItemsAdded));
    page->handleOverlaps(item, true);
    return item;
}

kit::Cursor* TextTool::currentCursor(CanvasView* view) const
{
    (void)view;
    return kit::Cursor::IBeamCursor();
}

void TextTool::doTool(CanvasView* view, const kit::Event& mouseDown)
{
    editInView(view, mouseDown);
}

Item* TextTool::createInView(PageView* view, const kit::Event& mouseDown, const CreationDrag& creation)
{
    (void)creation;
    return editInView(view, mouseDown);
}

Item* TextTool::editInView(CanvasView* canvas, const kit::Event& mouseDown)
{
    DocumentView* view = canvas ? canvas->documentView() : nullptr;
    LayoutDocument* document = view ? view->document() : nullptr;
    if (!document)
        return nullptr;
    const kit::Point point = canvas->pointOfEvent(mouseDown);
    Item* item = view->hitItemAt(point);
    auto* pageView = dynamic_cast<PageView*>(canvas);
    document->setActivePage(pageView ? pageView->hitPageAt(point) : nullptr);
    const bool editing = view->isEditing();
    if (editing && !item) {
        item = view->hitItemAt(kit::makePoint(point.x + 32, point.y));
        if (!item)
            item = view->hitItemAt(kit::makePoint(point.x - 32, point.y));
    }
    if (auto* column = dynamic_cast<TextItem*>(item)) {
        if (!editing) {
            if (document->getEditingLayer() == LayoutDocument::MasterLayer && !column->flow()) {
                kit::beep();
                const std::string title = Main ? Main->valueForStringKey("LayerMaster") : "LayerMaster";
                const std::string message = Main ? Main->valueForStringKey("MasterNoEditing") : "MasterNoEditing";
                kit::runAlertPanel(title, message, "", "", "");
            } else {
                column->beginEditing(&mouseDown, view);
            }
        } else if (column->isEditing()) {
            column->continueEditing(&mouseDown, view);
        } else if (column->flow()) {
            column->beginEditing(&mouseDown, view);
        }
    }
    // A click in the text ends choosing a paragraph font.
    if (ParagraphInspectorPanel* inspector = Main ? Main->paragraphInspectorPanel() : nullptr)
        inspector->setSettingParaFont(false);
    return item;
}
