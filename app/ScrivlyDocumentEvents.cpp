// The word processor's mouse and keys: clicks go to the main text, header
// or footer of the page under them, Escape switches text editing, and the
// delete keys delete the selected items.

#include "app/ScrivlyDocument.h"

#include "appkit/Event.h"
#include "appkit/Window.h"
#include "appkit/Clock.h"
#include "core/Alert.h"
#include "document/CanvasView.h"
#include "document/DocumentPanels.h"
#include "document/Page.h"
#include "items/TextItem.h"
#include "text/DocumentView.h"
#include "text/TextFlow.h"

namespace {

// Whether the user starts dragging: waits up to two seconds for the button
// to go up or the mouse to drag, leaving the event in the queue.
bool userDrags(DocumentView* view)
{
    kit::Window* window = view ? view->window() : nullptr;
    if (!window)
        return false;
    const bool moved = window->acceptsMouseMovedEvents();
    window->setAcceptsMouseMovedEvents(true);
    const std::optional<kit::Event> next = window->nextEventMatchingMask(
        kit::LeftMouseUpMask | kit::LeftMouseDraggedMask, kit::Date::dateWithTimeIntervalSinceNow(2.0),
        kit::EventTrackingRunLoopMode, false);
    window->setAcceptsMouseMovedEvents(moved);
    return next && next->type() == kit::EventType::LeftMouseDragged;
}

// Text editing of a column at the mouse down: the toolbar's text tool, or
// the column itself while the toolbar is not there.
void editColumn(TextItem* column, const kit::Event& event, CanvasView* view)
{
    DocumentView* shown = view->documentView();
    ToolPalette* toolbar = DocumentPanels::shared().toolbar();
    if (DocumentTool* tool = toolbar ? toolbar->textTool() : nullptr) {
        tool->doTool(view, event);
        return;
    }
    if (column->isEditing() && shown->isEditing())
        column->continueEditing(&event, shown);
    else if (column->flow())
        column->beginEditing(&event, shown);
}

} // namespace

void ScrivlyDocument::mouseDown(const kit::Event& event, CanvasView* view)
{
    if (!view || isDispatching())
        return;
    DocumentView* shown = view->documentView();
    const kit::Point point = view->pointOfEvent(event);
    Item* hit = shown->hitItemAt(point);

    if (shown->isEditing())
        if (auto* column = dynamic_cast<TextItem*>(hit)) {
            editColumn(column, event, view);
            return;
        }
    int knob = -1;
    if (Item* item = view->hitKnobAt(point, &knob)) {
        shown->endEditingIfNeeded();
        view->doKnobHit(event, item, knob);
        return;
    }
    if (hit && hit->isLocked() && userDrags(shown))
        hit = nullptr; // a locked item lets the drag through to the text
    if (hit) {
        shown->endEditingIfNeeded();
        if (auto* column = dynamic_cast<TextItem*>(hit))
            editColumn(column, event, view);
        else
            view->doItemHit(event, hit);
        return;
    }
    if (dragGuideAt(event, view, point))
        return;

    const bool drags = userDrags(shown);
    Page* page = shown->hitPageAt(point);
    if (!drags) {
        shown->endEditingIfNeeded();
        setSelection({}, shown);
        if (page)
            setActivePage(page);
        return;
    }
    if (!page)
        return;
    kit::Point onPage = point;
    page->convertToPage(&onPage);
    const int position = indexOfPage(page) + 1;
    TextItem* target = nullptr;
    if (onPage.y <= headerBottomLocation())
        target = dynamic_cast<TextItem*>(headerItemForPageNumber(position));
    if (!target && onPage.y >= footerTopLocation())
        target = dynamic_cast<TextItem*>(footerItemForPageNumber(position));
    if (!target)
        target = mainTextItemForPage(page);
    if (!target)
        return;
    if (target->isEditing() && shown->isEditing())
        target->continueEditing(&event, shown);
    else if (target->flow())
        target->beginEditing(&event, shown);
}

bool ScrivlyDocument::keyDown(const kit::Event& event, CanvasView* view)
{
    if (!view)
        return false;
    if (isDispatching())
        return true;
    const std::u16string& characters = event.characters();
    const char16_t c = characters.empty() ? 0 : characters.front();
    DocumentView* shown = view->documentView();
    if (c == kit::EscapeCharacter) {
        toggleTextEditing(shown);
        return true;
    }
    if (shown->isEditing()) {
        if (isReadOnly()) {
            kit::beep();
            return true;
        }
        if (TextFlow* flow = activeTextFlow())
            flow->processKeyEvent(event, shown, activeTextItem());
        return true;
    }
    switch (c) {
    case kit::BackspaceCharacter:
    case kit::DeleteCharacter:
    case kit::DeleteFunctionKey:
        view->delete_(nullptr);
        return true;
    default:
        return false;
    }
}
