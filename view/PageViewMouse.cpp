// The selection tool's modal loops on the canvas and the keyboard nudges.
// Each loop takes the mouse events from the window itself until the button
// goes up (the kit ends it with a mouse-up when the grab is lost), shows its
// feedback over a cached copy of the window and puts the copy back, so the
// pages are never redrawn while the pointer moves; at the end it changes
// the model once and pushes one undo record.

#include "view/PageView.h"
#include "view/RulerViewInset.h"

#include "appkit/Application.h"
#include "appkit/Event.h"
#include "appkit/Window.h"
#include "appkit/Workspace.h"
#include "core/Alert.h"
#include "core/Archiver.h"
#include "core/EventState.h"
#include "core/Exception.h"
#include "core/FileManager.h"
#include "core/Unarchiver.h"
#include "document/Guide.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "document/UndoComposite.h"
#include "document/UndoGuide.h"
#include "document/UndoInfo.h"
#include "document/UndoReshape.h"
#include "document/UndoTrans.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/Preferences.h"
#include "foundation/UnitsInfo.h"
#include "foundation/Paint.h"
#include "graphics/DrawContext.h"
#include "graphics/RasterContext.h"
#include "items/Item.h"
#include "items/ItemArray.h"
#include "items/ItemGroup.h"
#include "items/PlacedItem.h"
#include "items/TextItem.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

namespace {

constexpr unsigned kDragMask = kit::LeftMouseUpMask | kit::LeftMouseDraggedMask;

std::vector<Item*> unlockedSelection(const LayoutDocument* document)
{
    std::vector<Item*> items = document ? document->selected() : std::vector<Item*>{};
    std::erase_if(items, [](const Item* item) { return item->isLocked(); });
    return items;
}

kit::Rect outsetToPixels(const kit::Rect& r, float by)
{
    const float x0 = std::floor(kit::minX(r) - by), y0 = std::floor(kit::minY(r) - by);
    const float x1 = std::ceil(kit::maxX(r) + by), y1 = std::ceil(kit::maxY(r) + by);
    return kit::makeRect(x0, y0, x1 - x0, y1 - y0);
}

// The window's image of the view's visible area, kept while a loop draws
// its feedback over it.
class WindowCache {
public:
    explicit WindowCache(PageView& view) : view_(view) { take(); }
    ~WindowCache()
    {
        if (kit::Window* w = view_.window()) {
            w->restoreCachedImage();
            w->discardCachedImage();
            w->flushWindow();
        }
    }
    void take()
    {
        if (kit::Window* w = view_.window()) {
            w->displayIfNeeded();
            w->cacheImageInRect(outsetToPixels(view_.convertRectToView(view_.visibleRect(), nullptr), 0));
        }
    }
    void restore()
    {
        if (kit::Window* w = view_.window())
            w->restoreCachedImage();
    }

private:
    PageView& view_;
};

void strokeOutline(PageView& view, const kit::Rect& rect, float gray)
{
    if (kit::isEmptyRect(rect) || !view.window())
        return;
    view.lockFocus();
    if (kit::DrawContext* context = kit::DrawContext::current()) {
        context->gsave();
        context->setgray(gray);
        context->setlinewidth(0);
        context->rectstroke(kit::minX(rect), kit::minY(rect), kit::width(rect), kit::height(rect));
        context->grestore();
    }
    view.unlockFocus();
}

} // namespace

void PageView::getSelectedBounds(const std::vector<Item*>& items, kit::Rect* rect) const
{
    kit::Rect all{};
    for (Item* item : items) {
        kit::Rect r{};
        item->getUpdateBounds(&r, this);
        all = kit::unionRect(all, r);
    }
    if (rect)
        *rect = all;
}

void PageView::insertItemIntoSortedList(Item* item, std::vector<Item*>& list) const
{
    Page* page = document_ ? document_->activePage() : nullptr;
    if (!page) {
        list.push_back(item);
        return;
    }
    // One walk of the page's list gives every place.
    std::unordered_map<const Item*, int> place;
    int i = 0;
    for (const auto& shared : page->pageItems())
        place.emplace(shared.get(), i++);
    const auto where = [&](const Item* it) {
        auto found = place.find(it);
        return found == place.end() ? -1 : found->second;
    };
    const int mine = where(item);
    for (std::size_t k = list.size(); k-- > 0;)
        if (where(list[k]) < mine) {
            list.insert(list.begin() + static_cast<std::ptrdiff_t>(k + 1), item);
            return;
        }
    list.insert(list.begin(), item);
}

void PageView::doItemHit(const kit::Event& mouseDown, Item* item)
{
    if (!document_ || !item)
        return;
    // A locked item that a drag starts on within two seconds is passed
    // over, as if nothing lay there: the drag moves a guide or draws a
    // marquee across it.
    if (kit::Window* w = window(); w && item->isLocked()) {
        std::optional<kit::Event> next = w->nextEventMatchingMask(
            kDragMask, kit::Date::dateWithTimeIntervalSinceNow(2.0), kit::EventTrackingRunLoopMode, false);
        if (next && next->type() == kit::EventType::LeftMouseDragged) {
            Page* page = nullptr;
            Guide* guide = document_->showGuides() ? hitGuideAt(pointOfEvent(mouseDown), &page) : nullptr;
            if (guide) {
                document_->setActivePage(page);
                doGuideDrag(mouseDown, guide, page);
            } else {
                doMarqueeDrag(mouseDown);
            }
            return;
        }
    }
    if (mouseDown.clickCount() != 1) {
        if (auto* column = dynamic_cast<TextItem*>(item)) {
            column->beginEditing(&mouseDown, this);
            return;
        }
        auto* placed = dynamic_cast<PlacedItem*>(item);
        const Preferences* prefs = Main ? Main->preferences() : nullptr;
        if (mouseDown.clickCount() >= 2 && placed && prefs && prefs->doubleClickOpen()) {
            // The workspace opens only an existing regular file, in the
            // viewer for its type; it never runs a program.
            const std::optional<std::string> path = placed->resolvedname();
            if (!path || !kit::FileManager::isReadableFileAtPath(*path) ||
                !kit::Workspace::sharedWorkspace().openFile(*path))
                kit::beep();
        }
        return;
    }
    kit::Window* w = window();
    const kit::Point point = pointOfEvent(mouseDown);
    const bool wasSelected = item->isSelected();
    std::vector<Item*> list = document_->selected();
    Page* page = item->page();
    if (w)
        w->setAcceptsMouseMovedEvents(true);
    if (document_->getEditingLayer() == LayoutDocument::MasterLayer && page)
        document_->setActivePage(page);

    bool dragTest = true;
    if (page == document_->activePage() || !page) {
        if (mouseDown.modifierFlags() & kit::ShiftKeyMask) {
            if (!wasSelected)
                insertItemIntoSortedList(item, list);
            else
                std::erase(list, item);
            document_->setSelection(list, this);
            dragTest = !wasSelected;
        } else if (!wasSelected) {
            document_->setSelection({item}, this);
        }
    } else {
        document_->setActivePage(page);
        document_->setSelection({item}, this);
    }
    if (dragTest && w) {
        std::optional<kit::Event> next = w->nextEventMatchingMask(kDragMask);
        if (next && next->type() == kit::EventType::LeftMouseDragged)
            doDrag(*next, point);
    }
    if (w)
        w->setAcceptsMouseMovedEvents(false);
}

std::vector<std::shared_ptr<Item>> PageView::makeCopy(const std::vector<Item*>& items)
{
    std::vector<std::shared_ptr<Item>> copies;
    try {
        for (Item* original : items) {
            std::vector<std::unique_ptr<kit::Object>> rest;
            std::unique_ptr<Item> copy =
                kit::Unarchiver::unarchiveObjectWithData<Item>(kit::Archiver::archivedDataWithRootObject(original),
                                                               rest);
            if (!copy)
                return {};
            for (auto& object : rest)
                cloneKeep_.push_back(std::move(object));
            copy->deselect();
            copies.push_back(std::shared_ptr<Item>(std::move(copy)));
        }
    } catch (const kit::Exception&) {
        return {};
    }
    for (std::size_t i = 0; i < copies.size(); ++i) {
        Item* copy = copies[i].get();
        copy->resolveInDocument(document_);
        // A copy of a column of a chain would carry the whole flow's text
        // into one column: it starts empty, on its own.
        const auto* original = dynamic_cast<const TextItem*>(items[i]);
        auto* column = dynamic_cast<TextItem*>(copy);
        if (column && original && !original->isDisplay() && (original->nextColumn() || original->prevColumn()))
            column->emptyAndDisconnect();
        if (column)
            column->recompute();
        else
            copy->recomputeTextItems();
    }
    return copies;
}

std::unique_ptr<kit::RasterContext> PageView::drawSelection(unsigned modifierFlags, kit::Rect* bounds)
{
    if (bounds)
        *bounds = {};
    const std::vector<Item*> items = selectionToDrag(modifierFlags);
    if (items.empty())
        return nullptr;
    kit::Rect area{};
    for (Item* item : items) {
        kit::Rect r{};
        item->getUpdateBounds(&r, this);
        item->convertToView(&r.origin);
        area = kit::isEmptyRect(area) ? r : kit::unionRect(area, r);
    }
    area = kit::insetRect(area, -1.0f, -1.0f);
    if (bounds)
        *bounds = area;
    const float zoom = zoom_;
    const double w = std::ceil(double(zoom) * kit::width(area)) + 1.0;
    const double h = std::ceil(double(zoom) * kit::height(area)) + 1.0;
    // The picture grows with the square of the zoom: beyond the bound the
    // drag shows an outline instead.
    if (!(w > 0 && h > 0) || w * h > MaxDragPicturePixels)
        return nullptr;
    auto image = std::make_unique<kit::RasterContext>(int(w), int(h));
    if (image->width() != int(w) || image->height() != int(h))
        return nullptr;
    kit::DrawContext::Scope current(*image);
    lockFocus(*image);
    // Flipped, as the view draws: the bounds' top-left corner at the
    // image's top-left corner.
    image->concat(kit::Matrix{zoom, 0, 0, -zoom, -zoom * kit::minX(area), float(h) + zoom * kit::minY(area)});
    const Paint paint = this->paint(*image, area);
    for (Item* item : items) {
        kit::Point origin{};
        item->convertToView(&origin);
        image->gsave();
        image->translate(origin.x, origin.y);
        Paint onPage = paint;
        onPage.rect = kit::offsetRect(area, -origin.x, -origin.y);
        Item::resetAll(*image);
        item->drawSelfInView(onPage, onPage.rect);
        image->grestore();
    }
    Item::resetAll(*image);
    const Preferences* prefs = Main ? Main->preferences() : nullptr;
    if (!prefs || !prefs->fastDrag()) {
        // Two-thirds opaque, so that what lies under the items shows.
        image->setmatrix(kit::Matrix::identity());
        image->initclip();
        image->setgray(1.0f);
        image->setalpha(2.0f / 3.0f);
        image->compositerect(0, 0, float(w), float(h), kit::CompositeOp::DestinationIn);
    }
    return image;
}

void PageView::doDrag(const kit::Event& dragEvent, kit::Point mouseDownPoint)
{
    kit::Window* w = window();
    if (!document_ || document_->isReadOnly() || !w)
        return;
    std::vector<Item*> items = selectionToDrag(dragEvent.modifierFlags());
    if (items.empty())
        return;
    // A member of a group dragged alone; the group's bounds follow it.
    ItemGroup* memberOf = nullptr;
    if (const std::vector<Item*> unlocked = unlockedSelection(document_);
        items.size() == 1 && unlocked.size() == 1 && unlocked.front() != items.front())
        memberOf = dynamic_cast<ItemGroup*>(unlocked.front());
    const std::vector<Item*> before = document_->selected();
    Page* startPage = document_->activePage() ? document_->activePage() : items.front()->page();
    if (!startPage)
        return;
    const kit::Point startOrigin = startPage->pageRect().origin;
    const kit::Point start = kit::makePoint(mouseDownPoint.x - startOrigin.x, mouseDownPoint.y - startOrigin.y);
    kit::Rect frameBounds{};
    for (Item* item : items)
        frameBounds = kit::isEmptyRect(frameBounds) ? item->frame() : kit::unionRect(frameBounds, item->frame());
    std::vector<LiveFrameDisplay*> live = liveFrameDisplays();

    // The picture of the items, drawn once; the items stay drawn in place,
    // without knobs, and the window's image is saved behind the picture.
    document_->invalidate(this, before);
    for (Item* item : before)
        item->deselect();
    kit::Rect pictureBounds{};
    std::unique_ptr<kit::RasterContext> picture = drawSelection(dragEvent.modifierFlags(), &pictureBounds);
    std::vector<kit::Object*> shownBefore(before.begin(), before.end());
    document_->notifyUpdate(this, &shownBefore);
    w->displayIfNeeded();
    snapshot(startPage);
    kit::ImagePixels pixels;
    if (picture) {
        pixels.width = picture->width();
        pixels.height = picture->height();
        pixels.model = kit::ImagePixels::Model::ARGB32;
        pixels.hasAlpha = true;
        pixels.bytesPerRow = std::size_t(picture->width()) * 4u;
        pixels.data = reinterpret_cast<const unsigned char*>(picture->scanLine(0));
    }
    float knobOuter = 0, knobInner = 0;
    getKnobSizesForScale(zoom_, &knobOuter, &knobInner);
    const auto clipFor = [this](const Page* page) {
        return page ? kit::intersectionRect(visibleOrBounds(), page->pageRect()) : kit::Rect{};
    };

    w->setAcceptsMouseMovedEvents(true);
    kit::Application& app = kit::Application::sharedApplication();
    bool periodic = false;
    kit::Event event = dragEvent;
    kit::Event kept = dragEvent;
    kit::Point point = pointOfEvent(dragEvent);
    Page* page = startPage;
    kit::Rect clip = clipFor(page);
    kit::Point offset{};
    kit::Point shownOffset{};
    KnobMarkerList knobs;
    knobs.knobWidth = knobOuter;
    knobs.knobHeight = knobOuter;
    for (;;) {
        const kit::EventType type = event.type();
        if (type == kit::EventType::LeftMouseUp)
            break;
        if (type != kit::EventType::Periodic) {
            point = pointOfEvent(event);
            kept = event;
        }
        if (type == kit::EventType::MouseExited && !periodic)
            periodic = app.startPeriodicEvents(0.1, 0.1);
        else if (type == kit::EventType::MouseEntered && periodic) {
            app.stopPeriodicEvents();
            periodic = false;
        }
        if (event.modifierFlags() & kit::ShiftKeyMask) {
            if (std::fabs(point.x - mouseDownPoint.x) > std::fabs(point.y - mouseDownPoint.y))
                point.y = mouseDownPoint.y;
            else
                point.x = mouseDownPoint.x;
        }
        const kit::Rect visible = visibleRect();
        if (point.x < kit::minX(visible) || point.y < kit::minY(visible) || point.x > kit::maxX(visible) ||
            point.y > kit::maxY(visible)) {
            // The picture is off the window already: the view scrolls,
            // repaints where it was taken from, and is saved anew.
            w->restoreCachedImage();
            if (autoscroll(kept)) {
                w->displayIfNeeded();
                point = pointOfEvent(kept);
            }
            snapshot(page);
            clip = clipFor(page);
        }
        Page* under = hitPageAt(point);
        dragFeedback_ = {};
        if (under) {
            if (under != page) {
                clip = clipFor(under);
                switchSnapshotToPage(under);
            }
            page = under;
            const kit::Point origin = page->pageRect().origin;
            offset = kit::makePoint(point.x - origin.x - start.x, point.y - origin.y - start.y);
            bool snapped = false;
            knobs.count = 0;
            if (document_->snapToGuides())
                snapped = page->snapItemsToGuides(items, &offset, &knobs) != 0;
            if (!snapped && document_->snapToRulers())
                page->snapItemsToRulers(items, &offset);
            const kit::Point step{offset.x - shownOffset.x, offset.y - shownOffset.y};
            shownOffset = offset;
            kit::Rect moved = frameBounds;
            moved.origin = kit::makePoint(moved.origin.x + offset.x, moved.origin.y + offset.y);
            page->convertFromPage(&moved.origin);
            for (LiveFrameDisplay* display : live) {
                if (step.x != 0 || step.y != 0)
                    display->setMoveBy(step.x, step.y);
                display->setRect(moved);
            }
            // Where the picture lies now, in view coordinates.
            const kit::Rect shown = kit::offsetRect(pictureBounds, offset.x + origin.x - startOrigin.x,
                                                    offset.y + origin.y - startOrigin.y);
            dragFeedback_ = shown;
            lockFocus();
            if (kit::DrawContext* context = kit::DrawContext::current()) {
                context->gsave();
                context->rectclip(clip);
                if (picture) {
                    context->compositeImage(pixels, shown.origin,
                                            kit::makeRect(0, 0, float(pixels.width), float(pixels.height)),
                                            kit::CompositeOp::SourceOver);
                } else {
                    context->setgray(0);
                    context->setlinewidth(0);
                    context->rectstroke(kit::minX(shown), kit::minY(shown), kit::width(shown), kit::height(shown));
                }
                const int marks = std::min<int>(knobs.count, static_cast<int>(knobs.points.size() / 2));
                if (marks > 0 && marks < 2048) {
                    context->setgray(0);
                    const float half = knobs.knobWidth / 2;
                    for (int k = 0; k < marks; ++k) {
                        kit::Point mark = kit::makePoint(knobs.points[2 * k], knobs.points[2 * k + 1]);
                        page->convertToView(&mark);
                        context->rectfill(mark.x - half, mark.y - half, knobs.knobWidth, knobs.knobHeight);
                    }
                }
                context->grestore();
            }
            unlockFocus();
            w->flushWindow();
            // Erased in the window's image, not on the screen: the next
            // flush shows the picture at its next place.
            kit::Rect erase = kit::offsetRect(shown, -origin.x, -origin.y);
            for (int k = 0; k < std::min<int>(knobs.count, int(knobs.points.size() / 2)) && k < 2048; ++k) {
                const float half = knobs.knobWidth / 2 + 1;
                erase = kit::unionRect(erase, kit::makeRect(knobs.points[2 * k] - half, knobs.points[2 * k + 1] - half,
                                                            2 * half, 2 * half));
            }
            restoreWithSnapshot(kit::insetRect(erase, -1.0f, -1.0f));
        } else {
            w->flushWindow();
        }
        std::optional<kit::Event> next =
            w->nextEventMatchingMask(kDragMask | kit::MouseEnteredMask | kit::MouseExitedMask | kit::PeriodicMask);
        if (!next)
            break;
        event = *next;
        if (event.type() == kit::EventType::LeftMouseUp && periodic) {
            app.stopPeriodicEvents();
            periodic = false;
        }
    }
    if (periodic)
        app.stopPeriodicEvents();
    w->restoreCachedImage();
    w->discardCachedImage();
    dragFeedback_ = {};
    for (LiveFrameDisplay* display : live)
        display->setRect({});
    w->setAcceptsMouseMovedEvents(false);

    const auto showBefore = [&] {
        for (Item* item : before)
            item->select();
        std::vector<kit::Object*> shown(before.begin(), before.end());
        document_->notifyUpdate(this, &shown);
    };
    Page* finalPage = page && hitPageAt(point) ? page : nullptr;
    if (!finalPage) {
        showBefore();
        return;
    }
    UndoInfo* undo = document_->undoInfo();
    const bool copying = (event.modifierFlags() & kit::AlternateKeyMask) != 0;
    // Where the items stood is repainted with the change.
    document_->invalidate(this, memberOf ? std::vector<Item*>{memberOf} : items);
    const bool pagesLayer = document_->getEditingLayer() != LayoutDocument::MasterLayer;
    std::vector<Item*> moved = items;
    std::unique_ptr<UndoComposite> composite;
    if (copying) {
        std::vector<std::shared_ptr<Item>> copies = makeCopy(items);
        if (copies.empty()) {
            // Nothing could be copied: nothing changes.
            showBefore();
            return;
        }
        moved.clear();
        for (const auto& copy : copies)
            moved.push_back(copy.get());
        (pagesLayer ? finalPage : startPage)->addItems(std::move(copies));
    } else if (pagesLayer && finalPage != startPage && !memberOf) {
        // Where they stood in the first page's stacking order, for the way
        // back.
        std::vector<int> places;
        std::unordered_map<const Item*, int> placeOf;
        for (std::size_t i = 0; i < startPage->pageItems().size(); ++i)
            placeOf.emplace(startPage->pageItems()[i].get(), int(i));
        for (Item* item : items) {
            const auto found = placeOf.find(item);
            places.push_back(found == placeOf.end() ? -1 : found->second);
        }
        std::vector<std::shared_ptr<Item>> taken = startPage->removeItems(items);
        std::erase(taken, nullptr);
        finalPage->addItems(std::move(taken));
        auto toPage = std::make_unique<UndoTrans>(items, finalPage, Undo::MovedToPage);
        toPage->setOldPage(startPage, std::move(places));
        composite = std::make_unique<UndoComposite>();
        composite->addUndo(std::move(toPage));
    }
    if (!pagesLayer) {
        const bool swapSides = (document_->indexOfPage(startPage) % 2) != (document_->indexOfPage(finalPage) % 2);
        if (swapSides)
            for (Item* item : moved)
                if (item->masterFlags() != 3)
                    item->setMasterFlags(item->masterFlags() ^ 3);
    }
    if (!memberOf)
        document_->setActivePage(finalPage);
    std::unique_ptr<Undo> record;
    if (copying) {
        moveBy(moved, offset.x, offset.y, false);
        record = std::make_unique<Undo>(moved, pagesLayer ? finalPage : startPage, Undo::ItemsAdded);
        document_->setSelection(moved, this);
    } else {
        record = moveBy(moved, offset.x, offset.y, true);
        for (Item* item : before)
            item->select();
        document_->setSelection(before, this);
    }
    if (undo && record) {
        if (composite) {
            composite->addUndo(std::move(record));
            undo->push(std::move(composite));
        } else {
            undo->push(std::move(record));
        }
    }
    if (memberOf && !memberOf->isTransformed())
        memberOf->calcGroupBounds();
    for (Item* item : memberOf ? std::vector<Item*>{memberOf} : moved)
        if (Page* on = item->page())
            on->handleOverlaps(item, false);
    std::vector<kit::Object*> shown(moved.begin(), moved.end());
    document_->notifyUpdate(this, &shown);
    document_->notifyUpdate(nullptr, static_cast<const std::vector<kit::Object*>*>(nullptr));
}

void PageView::doMarqueeDrag(const kit::Event& mouseDown)
{
    kit::Window* w = window();
    if (!document_ || !w)
        return;
    const kit::Point start = pointOfEvent(mouseDown);
    Page* page = hitPageAt(start);
    if (!(page && page == document_->activePage() && (mouseDown.modifierFlags() & kit::ShiftKeyMask)))
        document_->setSelection({}, this);
    document_->setActivePage(page);
    w->setAcceptsMouseMovedEvents(true);
    std::optional<kit::Event> event = w->nextEventMatchingMask(kDragMask);
    if (event && event->type() == kit::EventType::LeftMouseDragged && page) {
        const kit::Rect pageRect = page->pageRect();
        kit::Rect marquee{};
        {
            WindowCache cache(*this);
            while (event && event->type() != kit::EventType::LeftMouseUp) {
                const kit::Point p = pointOfEvent(*event);
                const kit::Rect spanned = kit::makeRect(std::min(start.x, p.x), std::min(start.y, p.y),
                                                        std::fabs(p.x - start.x), std::fabs(p.y - start.y));
                marquee = kit::intersectionRect(spanned, pageRect);
                cache.restore();
                dragFeedback_ = marquee;
                strokeOutline(*this, marquee, 0.17f);
                w->flushWindow();
                event = w->nextEventMatchingMask(kDragMask);
            }
        }
        dragFeedback_ = {};
        selectItemsInRect(marquee);
    }
    w->setAcceptsMouseMovedEvents(false);
    if (document_->getEditingLayer() == LayoutDocument::MasterLayer)
        setNeedsDisplay(true);
}

void PageView::selectItemsInRect(const kit::Rect& rect)
{
    Page* page = document_ ? document_->activePage() : nullptr;
    if (!page || kit::isEmptyRect(rect))
        return;
    std::vector<Item*> list = document_->selected();
    document_->invalidate(this, list);
    // Toggled against a set, so that a thousand items take one pass.
    std::unordered_set<const Item*> inside;
    for (Item* item : page->hitInRect(rect, this))
        inside.insert(item);
    std::unordered_set<const Item*> wasSelected(list.begin(), list.end());
    std::vector<Item*> result;
    result.reserve(list.size() + inside.size());
    for (Item* item : list)
        if (!inside.count(item))
            result.push_back(item);
    for (Item* item : page->hitInRect(rect, this))
        if (!wasSelected.count(item))
            result.push_back(item);
    document_->setSelection(result, this);
    std::vector<kit::Object*> shown(result.begin(), result.end());
    document_->notifyUpdate(this, &shown);
}

void PageView::doKnobHit(const kit::Event& mouseDown, Item* item, int knob)
{
    if (!document_ || document_->isReadOnly() || !item)
        return;
    // The resize loop belongs to the items; without it nothing changes.
    auto& hook = UndoReshape::performResizeHook();
    if (!hook)
        return;
    const std::vector<Item*> selection = document_->selected();
    document_->invalidate(this, selection);
    kit::Point old{};
    item->getKnob(knob, &old);
    const kit::Rect frameBefore = item->frame();
    auto record = std::make_unique<UndoReshape>(selection, document_->activePage(), Undo::Reshaped);
    record->keepMembers(item);
    int finalKnob = knob;
    hook(*item, &finalKnob, this, mouseDown);
    // The loop sets the frame alone: the text on the page goes around the
    // new outline.
    if (Page* page = item->page(); page && item->frame() != frameBefore)
        page->itemDidChange(item);
    document_->notifyUpdate(nullptr, static_cast<const std::vector<kit::Object*>*>(nullptr));
    if (item->frame() == frameBefore)
        return;
    record->setItem(item, finalKnob, &old);
    record->setOldFrame(frameBefore);
    if (UndoInfo* undo = document_->undoInfo())
        undo->push(std::move(record));
}

void PageView::doGuideDrag(const kit::Event& mouseDown, Guide* guide, Page* page)
{
    if (!document_ || document_->isReadOnly() || !guide)
        return;
    // The guide's loop works on the active page's guides.
    if (page && page != document_->activePage())
        document_->setActivePage(page);
    guide->dragFromPoint(pointOfEvent(mouseDown), this, mouseDown);
}

void PageView::handleArrowKey(const kit::Event& keyDown)
{
    const Preferences* prefs = Main ? Main->preferences() : nullptr;
    float dx = 0, dy = 0;
    const auto add = [&](const kit::Event& key) {
        const float step = prefs ? prefs->incrementForType(3, key.modifierFlags(), zoom_) : 1.0f;
        for (char16_t c : key.characters())
            switch (c) {
            case kit::UpArrowFunctionKey: dy -= step; break;
            case kit::DownArrowFunctionKey: dy += step; break;
            case kit::LeftArrowFunctionKey: dx -= step; break;
            case kit::RightArrowFunctionKey: dx += step; break;
            default: break;
            }
    };
    const auto isArrow = [](const kit::Event& key) {
        const std::u16string& c = key.characters();
        return !c.empty() && c.front() >= kit::UpArrowFunctionKey && c.front() <= kit::RightArrowFunctionKey;
    };
    add(keyDown);
    // Arrows that piled up while the canvas redrew join this move; any
    // other key stays queued for its own handling.
    if (kit::Window* w = window())
        for (;;) {
            std::optional<kit::Event> waiting =
                w->nextEventMatchingMask(kit::KeyDownMask, kit::Date::distantPast(), kit::EventTrackingRunLoopMode, false);
            if (!waiting || !isArrow(*waiting))
                break;
            w->nextEventMatchingMask(kit::KeyDownMask, kit::Date::distantPast(), kit::EventTrackingRunLoopMode, true);
            add(*waiting);
        }
    if (dx != 0 || dy != 0)
        doNudge(dx, dy);
}

void PageView::doRotateNudge(float angle)
{
    if (!document_)
        return;
    std::vector<Item*> items = unlockedSelection(document_);
    if (items.empty())
        return;
    document_->invalidate(this, items);
    std::unique_ptr<Undo> record = rotateBy(items, angle, true);
    for (Item* item : items)
        if (Page* page = item->page())
            page->handleOverlaps(item, false);
    document_->notifyUpdate(this, static_cast<const std::vector<kit::Object*>*>(nullptr));
    if (record && document_->undoInfo())
        document_->undoInfo()->push(std::move(record));
}

// ---- The units origin.

void PageView::addOrigin(const kit::Event& mouseDown)
{
    if (!document_)
        return;
    const kit::Point at = pointOfEvent(mouseDown);
    if (!document_->viewWillChangeOrigin(this, at))
        return;
    endEditingIfNeeded();
    doOriginDrag(mouseDown, at);
}

void PageView::doOriginDrag(const kit::Event& mouseDown, kit::Point start)
{
    kit::Window* w = window();
    if (!document_ || !w)
        return;
    // The point over a page snapped to its corners, then to the ruler marks
    // in the directions the corners left free.
    const auto snapped = [this](kit::Point p, bool shift) {
        Page* page = hitPageAt(p);
        if (!page)
            return p;
        page->convertToPage(&p);
        const int done = page->snapPointToCorners(&p);
        if (done != 3 && (document_->snapToRulers() || shift))
            page->snapPointToRulers(&p, done ^ 3);
        page->convertToView(&p);
        return p;
    };
    kit::Point point = snapped(start, mouseDown.modifierFlags() & kit::ShiftKeyMask);
    w->setAcceptsMouseMovedEvents(true);
    {
        WindowCache cache(*this);
        std::optional<kit::Event> event = mouseDown;
        while (event && event->type() != kit::EventType::LeftMouseUp) {
            point = snapped(pointOfEvent(*event), event->modifierFlags() & kit::ShiftKeyMask);
            cache.restore();
            const kit::Rect visible = visibleRect();
            lockFocus();
            if (kit::DrawContext* context = kit::DrawContext::current()) {
                context->gsave();
                context->setgray(0.333f);
                context->setlinewidth(0.15f);
                context->moveto(kit::minX(visible), point.y);
                context->lineto(kit::maxX(visible), point.y);
                context->moveto(point.x, kit::minY(visible));
                context->lineto(point.x, kit::maxY(visible));
                context->stroke();
                context->grestore();
            }
            unlockFocus();
            w->flushWindow();
            event = w->nextEventMatchingMask(kDragMask);
        }
        if (event)
            point = snapped(pointOfEvent(*event), event->modifierFlags() & kit::ShiftKeyMask);
    }
    w->setAcceptsMouseMovedEvents(false);
    Page* page = hitPageAt(point);
    UnitsInfo* units = document_->unitsInfo();
    if (!page || !units)
        return;
    kit::Point origin = point;
    page->convertToPage(&origin);
    const kit::Point was{-units->horizontalUnitsOrigin(), -units->verticalUnitsOrigin()};
    if (origin.x == was.x && origin.y == was.y)
        return;
    units->setUnitsOrigin(origin);
    document_->setActivePage(page);
    document_->notifyUpdateUnits(this);
    auto record = std::make_unique<UndoGuide>(std::vector<Item*>{}, page, UndoGuide::RulerOriginMoved);
    record->setPoint(was.x, was.y);
    if (UndoInfo* stack = document_->undoInfo())
        stack->push(std::move(record));
}
