// The document's side of the events of its canvases: what a mouse down or a
// key down means with the tools and the editing state of the moment.

#include "document/LayoutDocument.h"

#include "appkit/Event.h"
#include "core/EventState.h"
#include "document/CanvasView.h"
#include "document/DocumentPanels.h"
#include "items/Item.h"
#include "items/TextItem.h"
#include "text/DocumentView.h"
#include "text/TextFlow.h"

void LayoutDocument::mouseDown(const kit::Event& event, CanvasView* view)
{
    if (!view || isDispatching())
        return;
    DocumentView* shown = view->documentView();
    ToolPalette* toolbar = DocumentPanels::shared().toolbar();
    const bool forced = toolbar && toolbar->isSelectToolForced();
    DocumentTool* active = toolbar ? toolbar->activeTool() : nullptr;
    const int purpose = active ? active->purpose() : DocumentTool::SelectPurpose;
    const kit::Point point = view->pointOfEvent(event);

    Item* hit = shown->hitItemAt(point);
    if (auto* column = dynamic_cast<TextItem*>(hit); column && !forced) {
        const bool text = purpose == DocumentTool::TextPurpose ||
                          (purpose == DocumentTool::SelectPurpose && shown->isEditing());
        if (text) {
            if (DocumentTool* tool = toolbar ? toolbar->textTool() : nullptr)
                tool->editInView(view, event);
            else if (column->isEditing())
                column->continueEditing(&event, shown);
            else if (column->flow())
                column->beginEditing(&event, shown);
            return;
        }
    }
    // Another tool decides about editing itself: the text tool continues
    // in the column beside the click.
    if (purpose != DocumentTool::SelectPurpose && active) {
        active->doTool(view, event);
        return;
    }
    shown->endEditingIfNeeded();
    int knob = -1;
    if (Item* item = view->hitKnobAt(point, &knob)) {
        view->doKnobHit(event, item, knob);
        return;
    }
    if (hit) {
        view->doItemHit(event, hit);
        return;
    }
    if (dragGuideAt(event, view, point))
        return;
    view->doMarqueeDrag(event);
}

bool LayoutDocument::dragGuideAt(const kit::Event& event, CanvasView* view, kit::Point point)
{
    if (!showGuides())
        return false;
    Page* page = nullptr;
    Guide* guide = view->hitGuideAt(point, &page);
    if (!guide)
        return false;
    setActivePage(page);
    view->doGuideDrag(event, guide, page);
    return true;
}

bool LayoutDocument::keyDown(const kit::Event& event, CanvasView* view)
{
    if (!view)
        return false;
    if (isDispatching())
        return true;
    const std::u16string& characters = event.characters();
    if (characters.empty())
        return false;
    const char16_t c = characters.front();
    if (c == kit::EscapeCharacter) {
        if (ToolPalette* toolbar = DocumentPanels::shared().toolbar()) {
            toolbar->toggleSelectToolForced();
            return true;
        }
        return false;
    }
    DocumentView* shown = view->documentView();
    // The edited text takes every key: one that performs an action answers
    // nil, and must not go on up the chain to be beeped at.
    if (shown->isEditing() && activeTextFlow()) {
        activeTextFlow()->processKeyEvent(event, shown, activeTextItem());
        return true;
    }
    switch (c) {
    case kit::DeleteCharacter:
    case kit::BackspaceCharacter:
    case kit::DeleteFunctionKey:
        view->delete_(nullptr);
        return true;
    case kit::UpArrowFunctionKey:
    case kit::DownArrowFunctionKey:
    case kit::LeftArrowFunctionKey:
    case kit::RightArrowFunctionKey:
        view->handleArrowKey(event);
        return true;
    case kit::TabCharacter:
        view->selectNextItem(event.modifierFlags() & kit::ShiftKeyMask ? 1 : -1);
        return true;
    default:
        return false;
    }
}
