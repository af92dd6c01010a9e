// The modal loop that places, moves or removes a guide: preview lines over
// the window's saved image follow the mouse until the button goes up; only
// then does the model change, with its undo record.

#include "document/Guide.h"

#include "appkit/Event.h"
#include "appkit/Window.h"
#include "core/EventState.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/UndoComposite.h"
#include "document/UndoGuide.h"
#include "document/UndoInfo.h"
#include "graphics/DrawContext.h"
#include "text/DocumentView.h"

#include <algorithm>

namespace {

bool listed(const std::vector<Guide*>& list, const Guide* guide)
{
    return guide && std::find(list.begin(), list.end(), guide) != list.end();
}

// A page rectangle in the view's coordinates: both corners converted.
kit::Rect pageRectToView(const Page* page, const kit::Rect& rect)
{
    kit::Point low = rect.origin;
    kit::Point high{kit::maxX(rect), kit::maxY(rect)};
    page->convertToView(&low);
    page->convertToView(&high);
    return kit::makeRect(low.x, low.y, high.x - low.x, high.y - low.y);
}

} // namespace

void Guide::dragFromPoint(kit::Point point, DocumentView* view, const kit::Event& event)
{
    drag(point, view, event, nullptr);
}

void Guide::dragFromPoint(std::unique_ptr<Guide> guide, kit::Point point, DocumentView* view, const kit::Event& event)
{
    if (Guide* g = guide.get())
        g->drag(point, view, event, std::move(guide));
}

void Guide::drag(kit::Point point, DocumentView* view, const kit::Event& event, std::unique_ptr<Guide> owned)
{
    const bool isNew = owned != nullptr;
    LayoutDocument* doc = view ? view->document() : nullptr;
    Page* page = doc ? doc->activePage() : nullptr;
    kit::Window* window = view ? view->window() : nullptr;
    if (!doc || !window || (!page && !isNew))
        return;
    const bool horizontal = orientation_ == Horizontal;
    GuideDelegate* delegate = delegate_.get();

    // 1. The limits, which the delegate may narrow. A NO keeps an existing
    // guide where it is (the word processor's margins are not picked up over
    // the text), but a new guide pulled out of a ruler is placed all the
    // same: the word processor answers NO to every new guide.
    kit::Rect limits = kit::makeRect(-50.0f, -50.0f, 100000.0f, 100000.0f);
    if (delegate && !delegate->guideWillDrag(this, point, &limits, isNew) && !isNew)
        return;

    // 2. The followers and whether their previews are shown.
    const std::vector<Guide*> shownGuides = doc->guidesForPage(page);
    Guide* follower = partner_.get();
    Guide* second = follower ? follower->partner() : nullptr;
    if (second == this || second == follower)
        second = nullptr;
    const float d1 = follower ? location_ - follower->location() : 0.0f;
    const float d2 = second ? location_ - second->location() : 0.0f;
    const bool showFollower = follower && listed(shownGuides, follower);
    const bool showSecond = showFollower && second && listed(shownGuides, second);

    // 3, 4. Snapping; the strip the guide shows now; the limits in view
    // coordinates (the whole rectangle, so that they hold at any zoom).
    const bool snapAlways = doc->snapToRulers();
    const int direction = horizontal ? 1 : 2;
    kit::Rect visible = view->visibleRect();
    kit::Rect oldStrip = visible;
    if (page) {
        kit::Point at{location_, location_};
        page->convertToView(&at);
        if (horizontal)
            oldStrip = kit::makeRect(visible.origin.x, at.y, visible.size.width, 0.05f);
        else
            oldStrip = kit::makeRect(at.x, visible.origin.y, 0.05f, visible.size.height);
        limits = pageRectToView(page, limits);
    }

    // Limits of a negative extent count from their other edge.
    const float edge1 = horizontal ? kit::minY(limits) : kit::minX(limits);
    const float edge2 = horizontal ? kit::maxY(limits) : kit::maxX(limits);
    const float lowLimit = std::min(edge1, edge2), highLimit = std::max(edge1, edge2);

    // 5. The window saved; the previews are drawn over it.
    const kit::Rect content = window->contentRect();
    window->cacheImageInRect(kit::makeRect(0, 0, content.size.width, content.size.height));
    view->lockFocus();
    kit::DrawContext* context = kit::DrawContext::current();
    visible = view->visibleRect();
    if (context) {
        context->setgray(0.0f);
        context->setlinewidth(0.15f);
    }

    // 6. From the mouse-down on, until the button goes up.
    kit::Point last = point;
    std::optional<kit::Event> e = event;
    while (e && e->type() != kit::EventType::LeftMouseUp) {
        kit::Point p = view->locationInView(*e);
        if (snapAlways || (e->modifierFlags() & kit::ShiftKeyMask))
            if (Page* under = view->hitPageAt(p)) {
                under->convertToPage(&p);
                under->snapPointToRulers(&p, direction);
                under->convertToView(&p);
            }
        window->restoreCachedImage();
        window->flushWindow();
        if (horizontal)
            p.y = std::clamp(p.y, lowLimit, highLimit);
        else
            p.x = std::clamp(p.x, lowLimit, highLimit);
        last = p;
        if (context) {
            auto line = [&](float at) {
                if (horizontal) {
                    context->moveto(kit::minX(visible), at);
                    context->lineto(kit::maxX(visible), at);
                } else {
                    context->moveto(at, kit::minY(visible));
                    context->lineto(at, kit::maxY(visible));
                }
            };
            const float at = horizontal ? p.y : p.x;
            line(at);
            if (showFollower) {
                line(at - d1);
                if (showSecond)
                    line(at - d2);
            }
            context->stroke();
        }
        window->flushWindow();
        e = window->nextEventMatchingMask(kit::LeftMouseUpMask | kit::LeftMouseDraggedMask);
    }

    // 7. The drop: at the last point shown.
    window->restoreCachedImage();
    window->flushWindow();
    window->discardCachedImage();
    Page* dropPage = view->hitPageAt(last);
    std::unique_ptr<Undo> record;
    bool willFree = false;
    const int layer = doc->getEditingLayer();
    if (!dropPage) {
        // A guide the page does not hold (the document's own) stays.
        if (std::unique_ptr<Guide> taken = isNew ? nullptr : page->removeGuide(this)) {
            auto removed = std::make_unique<UndoGuide>(std::vector<Item*>{}, page, Undo::GuideRemoved);
            removed->hold(std::move(taken), layer);
            record = std::move(removed);
        }
        willFree = true;
    } else {
        kit::Point q = last;
        dropPage->convertToPage(&q);
        const float drop = horizontal ? q.y : q.x;
        if (isNew) {
            setLocation(drop);
            dropPage->addGuide(std::move(owned));
            if (!doc->showGuides()) {
                doc->setShowGuides(true);
                doc->notifyUpdate(view, kit::Rect{});
            }
                auto added = std::make_unique<UndoGuide>(std::vector<Item*>{}, dropPage, Undo::GuideAdded);
                added->setGuide(this);
            record = std::move(added);
        } else if (dropPage == page) {
            const float by = drop - location_;
            const kit::Point moveBy = horizontal ? kit::Point{q.x, by} : kit::Point{by, q.y};
            auto moved = [&](Guide* guide) {
                auto r = std::make_unique<UndoGuide>(std::vector<Item*>{}, page, Undo::GuideMoved);
                r->setGuide(guide);
                r->setMoveBy(moveBy.x, moveBy.y);
                return r;
            };
            setLocation(drop);
            std::vector<std::unique_ptr<Undo>> records;
            records.push_back(moved(this));
            if (follower && d1 != 0.0f) {
                follower->setLocation(drop - d1);
                records.push_back(moved(follower));
            }
            if (second && d2 != 0.0f) {
                second->setLocation(drop - d2);
                records.push_back(moved(second));
            }
            if (records.size() == 1) {
                record = std::move(records.front());
            } else {
                auto composite = std::make_unique<UndoComposite>();
                for (auto& r : records)
                    composite->addUndo(std::move(r));
                record = std::move(composite);
            }
        } else {
            // To another page, where it takes the drop position; undo puts
            // the copy made here back on the old page.
            std::unique_ptr<Guide> before = copy();
            if (std::unique_ptr<Guide> taken = page->removeGuide(this)) {
                setLocation(drop);
                dropPage->addGuide(std::move(taken));
                auto composite = std::make_unique<UndoComposite>();
                auto removed = std::make_unique<UndoGuide>(std::vector<Item*>{}, page, Undo::GuideRemoved);
                removed->hold(std::move(before), layer);
                composite->addUndo(std::move(removed));
                auto added = std::make_unique<UndoGuide>(std::vector<Item*>{}, dropPage, Undo::GuideAdded);
                added->setGuide(this);
                composite->addUndo(std::move(added));
                record = std::move(composite);
            }
        }
        doc->setActivePage(dropPage);
    }

    // 8. The delegate is told; a new guide dropped off every page goes.
    view->unlockFocus();
    if (delegate)
        delegate->guideDidDrag(this, willFree);
    owned.reset();

    // 9. What the view shows now.
    if (!isNew)
        doc->notifyUpdate(view, oldStrip);
    doc->notifyUpdate(view, visible);

    // 10. The record, when there is one.
    if (record)
        if (UndoInfo* stack = doc->undoInfo())
            stack->push(std::move(record));
}
