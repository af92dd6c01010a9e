// Events that enter the canvas, its cursor and tracking rectangles, and hit
// tests beyond the plain item hit.

#include "view/PageView.h"

#include "appkit/Application.h"
#include "appkit/Cursor.h"
#include "appkit/Event.h"
#include "appkit/Window.h"
#include "core/EventState.h"
#include "document/CanvasView.h"
#include "document/DocumentPanels.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "items/Item.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"

#include <cstdio>

void PageView::mouseDown(const kit::Event& event)
{
    if (document_)
        document_->mouseDown(event, this);
}

void PageView::keyDown(const kit::Event& event)
{
    // Page Up and Page Down step from the page in view; they move the caret
    // only while the caret is in view.
    const std::u16string& characters = event.characters();
    const unsigned modifiers = kit::ShiftKeyMask | kit::ControlKeyMask | kit::AlternateKeyMask | kit::CommandKeyMask;
    if (document_ && !document_->isDispatching() && characters.size() == 1 && !(event.modifierFlags() & modifiers) &&
        (characters.front() == kit::PageUpFunctionKey || characters.front() == kit::PageDownFunctionKey) &&
        !(editing_ && kit::intersectsRect(cursorRect_, visibleOrBounds()))) {
        gotoNextPage(characters.front() == kit::PageUpFunctionKey ? -1 : 1);
        return;
    }
    // A key the document leaves goes up the responder chain.
    if (!document_ || !document_->keyDown(event, this))
        kit::View::keyDown(event);
}

void PageView::mouseEntered(const kit::Event& event)
{
    (void)event;
    kit::Cursor::setHiddenUntilMouseMoves(false);
}

void PageView::flagsChanged(const kit::Event& event)
{
    // A modifier may change the tool's cursor; not while typing.
    if (!editing_ && window())
        window()->invalidateCursorRectsForView(this);
    kit::View::flagsChanged(event);
}

void PageView::resetCursorRects()
{
    setTrackingRect();
    kit::Cursor* cursor = nullptr;
    if (ToolPalette* toolbar = DocumentPanels::shared().toolbar()) {
        const kit::Application& app = kit::Application::sharedApplication();
        cursor = toolbar->correctCursor(app.currentEvent(), this);
    }
    const kit::Rect visible = visibleRect();
    if (!kit::isEmptyRect(visible))
        addCursorRect(visible, cursor ? cursor : kit::Cursor::arrowCursor());
}

void PageView::setTrackingRect()
{
    kit::Window* w = window();
    if (!w)
        return;
    if (trectNum_)
        w->removeTrackingRect(trectNum_);
    trectNum_ = 0;
    const kit::Rect visible = visibleRect();
    if (!kit::isEmptyRect(visible))
        trectNum_ = w->addTrackingRect(convertRectToView(visible, nullptr), this, nullptr, false);
    kit::Cursor::setHiddenUntilMouseMoves(false);
}

void PageView::discardTrackingRect()
{
    if (trectNum_ && window())
        window()->removeTrackingRect(trectNum_);
    trectNum_ = 0;
}

void PageView::beginEditingPageNumber(int number)
{
    if (!document_)
        return;
    if (number == 0)
        number = 1;
    if (number < 1 || number > document_->numPages())
        return;
    Page* page = document_->pageAt(number - 1);
    TextItem* column = page ? document_->mainTextItemForPage(page) : nullptr;
    if (!column || !column->flow())
        return;
    column->flow()->setCurrentPoint(&column->startPoint());
    beginEditingItem(column);
}

void PageView::toggleShowObjectLinks(kit::Object* sender)
{
    (void)sender;
    showingObjectLinks_ = !showingObjectLinks_;
    setNeedsDisplay(true);
}

kit::Point PageView::pointOfEvent(const kit::Event& event) const
{
    return convertPointFromView(event.locationInWindow(), nullptr);
}

Item* PageView::hitFillAt(kit::Point point)
{
    std::vector<Page*> pages = visiblePages();
    for (auto it = pages.rbegin(); it != pages.rend(); ++it)
        if (Item* item = (*it)->hitFill(point, this))
            return item;
    return nullptr;
}

Page* PageView::hitPageIn(const kit::Rect& rect) const
{
    Page* best = nullptr;
    float bestArea = 0;
    const std::vector<Page*> pages = document_ ? document_->displayedPages() : std::vector<Page*>{};
    for (Page* page : pages) {
        if (!page)
            continue;
        const kit::Rect r = kit::intersectionRect(page->pageRect(), rect);
        const float area = r.size.width * r.size.height;
        if (area > bestArea) {
            best = page;
            bestArea = area;
        }
    }
    return best;
}

Guide* PageView::hitGuideAt(kit::Point point, Page** page)
{
    if (page)
        *page = nullptr;
    if (!document_ || document_->isReadOnly())
        return nullptr;
    std::vector<Page*> pages = visiblePages();
    for (auto it = pages.rbegin(); it != pages.rend(); ++it)
        if (Guide* guide = (*it)->hitGuideAt(point, this)) {
            if (page)
                *page = *it;
            return guide;
        }
    return nullptr;
}

Item* PageView::hitKnobAt(kit::Point point, int* knob)
{
    if (!document_)
        return nullptr;
    std::vector<Page*> pages = visiblePages();
    for (auto it = pages.rbegin(); it != pages.rend(); ++it)
        if (Item* item = (*it)->hitKnobAt(point, this, knob); item && item->isSelected())
            return item;
    return nullptr;
}
