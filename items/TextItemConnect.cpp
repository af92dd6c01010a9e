// Chaining columns by hand: a selected column's continuation marker is a
// knob (number 8); dragging from it to another column links the two, and
// dragging from the marker of a column that goes on shows where.

#include "items/TextItem.h"

#include "appkit/Event.h"
#include "appkit/Window.h"
#include "core/Alert.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/CMGeometry.h"
#include "graphics/DrawContext.h"
#include "text/TextFlow.h"
#include "text/DocumentView.h"

#include <cmath>
#include <unordered_set>

namespace {

constexpr float DarkGray = 1.0f / 3.0f;
constexpr float LightGray = 2.0f / 3.0f;
// The knob number of the continuation marker.
constexpr int ContinueKnob = 8;

std::string stringForKey(const char* key) { return Main ? Main->valueForStringKey(key) : key; }

bool prefersAutomaticTextItems() { return Main && Main->prefersAutomaticTextItems(); }

float zoomOf(const DocumentView* view)
{
    const float z = view ? view->zoom() : 1.0f;
    return z > 0.0f && std::isfinite(z) ? z : 1.0f;
}

// The highlighted marker (the picture "TContinueH") in r.
void drawHighlightedMarker(kit::DrawContext& context, const kit::Rect& r)
{
    context.gsave();
    context.setgray(0.0f);
    context.rectfill(r);
    context.setgray(1.0f);
    const float cx = kit::midX(r), cy = kit::midY(r), arm = r.size.width / 4.0f;
    context.moveto(cx - arm, cy - arm);
    context.lineto(cx + arm, cy);
    context.lineto(cx - arm, cy + arm);
    context.closepath();
    context.fill();
    context.grestore();
}

// From a's page to b's: the difference of the page origins.
kit::Point pageShift(const Page* from, const Page* to)
{
    if (!from || !to || from == to)
        return {0, 0};
    return {to->pageRect().origin.x - from->pageRect().origin.x, to->pageRect().origin.y - from->pageRect().origin.y};
}

// The outline of a column the wire reaches: its frame grown by 4, or
// through its matrix when it is transformed.
void outlineTarget(kit::DrawContext& context, const TextItem* target, kit::Point shift)
{
    context.gsave();
    context.translate(shift.x, shift.y);
    if (target->isTransformed()) {
        float m[4];
        target->getMatrix(m);
        context.setlinewidth(2.0f);
        const kit::Rect frame = target->frame();
        CMFrameRectWithMatrix(&frame, m, nullptr);
    } else {
        context.setlinewidth(0.0f);
        const kit::Rect r = kit::insetRect(target->frame(), -4.0f, -4.0f);
        context.rectstroke(r.origin.x, r.origin.y, r.size.width, r.size.height);
    }
    context.grestore();
}

} // namespace

void calcWires(kit::Point s, kit::Point e, float zoom, bool horizontalFirst, kit::Rect* a, kit::Rect* b)
{
    const float lowX = std::min(s.x, e.x), lowY = std::min(s.y, e.y);
    const float dx = std::fabs(e.x - s.x), dy = std::fabs(e.y - s.y);
    if (!horizontalFirst) {
        *a = kit::makeRect(s.x, lowY, 2.0f, dy);
        *b = kit::makeRect(lowX, e.y, dx, 2.0f);
    } else {
        *a = kit::makeRect(lowX, s.y, dx, 2.0f);
        *b = kit::makeRect(e.x, lowY, 2.0f, dy);
        // The corner closes.
        if (a->origin.x < b->origin.x)
            b->origin.x -= 2.0f;
    }
    if (!(zoom > 0.0f) || !std::isfinite(zoom))
        zoom = 1.0f;
    *a = kit::insetRect(*a, -1.0f / zoom, -1.0f / zoom);
    *b = kit::insetRect(*b, -1.0f / zoom, -1.0f / zoom);
}

int TextItem::isHitAtKnob(kit::Point point, const DocumentView* view) const
{
    const int knob = ItemBox::isHitAtKnob(point, view);
    if (knob != -1 || isDisplay() || prefersAutomaticTextItems())
        return knob;
    kit::Rect r{};
    getTContinueRect(this, zoomOf(view), &r, isTransformed());
    return kit::mouseInRect(point, r, true) ? ContinueKnob : -1;
}

Item* TextItem::performResize(int* knob, DocumentView* view, const kit::Event& event)
{
    Item* answer = this;
    if (knob && *knob == ContinueKnob) {
        if (nextColumn_ && nextColumn_ != this)
            showColumnConnect(view, event);
        else
            doColumnConnect(view, event);
        answer = nullptr;
    } else if (!prefersAutomaticTextItems()) {
        ItemBox::performResize(knob, view, event);
    }
    recompute();
    if (kit::DrawContext* context = kit::DrawContext::current())
        resetAll(*context);
    changed_ = true;
    return answer;
}

TextItem* TextItem::checkColumnConnect(TextItem* target)
{
    if (!target || target == this)
        return nullptr;
    const std::string title = stringForKey("Connect");
    auto refuse = [&](const char* message, bool beep) -> TextItem* {
        if (beep)
            kit::beep();
        kit::runAlertPanel(title, stringForKey(message), std::string(), std::string(), std::string());
        return nullptr;
    };
    // A chain that runs back into itself (a damaged one) counts as circular too.
    std::unordered_set<const TextItem*> seen;
    for (TextItem* at = target; at; at = at->nextColumn())
        if (at == this || !seen.insert(at).second)
            return refuse("CircularConnect", true);
    const LayoutDocument* doc = pageDocument();
    if (doc && doc->getEditingLayer() == LayoutDocument::MasterLayer && masterFlags() != target->masterFlags())
        return refuse("SamePageOnly", true);
    if (target->prevColumn())
        return refuse("AlreadyConnected", false);
    const TextFlow* joined = target->flow();
    if (joined && joined->firstTextItem() == target && joined->paragraphCount() > 1) {
        const int answer = kit::runAlertPanel(title, stringForKey("ConnectSure"), stringForKey("OK"),
                                              stringForKey("Cancel"), std::string());
        if (answer != kit::AlertDefaultReturn)
            return nullptr;
    }
    return target;
}

void TextItem::doColumnConnect(DocumentView* view, const kit::Event& event)
{
    Page* onPage = page();
    kit::Window* window = view ? view->window() : nullptr;
    if (!onPage || !window)
        return;
    view->lockFocus();
    kit::DrawContext* current = kit::DrawContext::current();
    if (!current) {
        view->unlockFocus();
        return;
    }
    kit::DrawContext& context = *current;
    const float zoom = zoomOf(view);
    context.gsave();
    // The page's focus: its origin, clipped to it.
    context.translate(onPage->pageRect().origin.x, onPage->pageRect().origin.y);
    context.rectclip(0, 0, onPage->size().width, onPage->size().height);

    // 1. The column outlined, the marker highlighted.
    float m[4];
    getMatrix(m);
    setGray(context, DarkGray);
    setLineWidth(context, 0.0f);
    CMFrameRectWithMatrix(&frame_, m, nullptr);
    kit::Rect marker{};
    getTContinueRect(this, zoom, &marker, isTransformed());
    const kit::Point start{kit::midX(marker), kit::midY(marker)};
    drawHighlightedMarker(context, marker);
    window->flushWindow();

    // 2. The whole window saved; the wire is drawn over it.
    const kit::Point down = view->locationInView(event);
    const bool acceptedMoves = window->acceptsMouseMovedEvents();
    window->setAcceptsMouseMovedEvents(true);
    const kit::Rect content = window->contentRect();
    window->cacheImageInRect(kit::makeRect(0, 0, content.size.width, content.size.height));
    context.gsave();
    context.initclip();
    context.setgray(0.0f);

    // 3. Track the wire until the button goes up.
    TextItem* target = nullptr;
    bool shaped = false, horizontalFirst = true;
    for (;;) {
        std::optional<kit::Event> e = window->nextEventMatchingMask(kit::LeftMouseUpMask | kit::LeftMouseDraggedMask);
        if (!e)
            break;
        const kit::Point p = view->locationInView(*e);
        if (!shaped) {
            horizontalFirst = std::fabs(p.y - down.y) <= std::fabs(p.x - down.x);
            shaped = true;
        }
        kit::Point inPage = p;
        onPage->convertToPage(&inPage);
        kit::Rect a{}, b{};
        calcWires(start, inPage, zoom, horizontalFirst, &a, &b);
        target = dynamic_cast<TextItem*>(view->hitItemAt(p, "TextItem"));
        if (target && target->isDisplay())
            target = nullptr;
        window->restoreCachedImage();
        context.setgray(0.0f);
        const kit::Rect wires[2] = {a, b};
        context.rectfillList(std::span<const kit::Rect>(wires, 2));
        if (target && target != this)
            outlineTarget(context, target, pageShift(onPage, target->page()));
        window->flushWindow();
        if (e->type() == kit::EventType::LeftMouseUp)
            break;
    }

    // 4. The window as it was.
    context.grestore();
    window->restoreCachedImage();
    window->flushWindow();
    window->discardCachedImage();
    window->setAcceptsMouseMovedEvents(acceptedMoves);
    context.grestore();
    resetAll(context);

    // 5, 6. The checks, then the link. The text now runs on through the
    // linked column and those after it: every view repaints the chain.
    if (TextItem* linked = checkColumnConnect(target)) {
        joinColumn(linked);
        if (LayoutDocument* doc = pageDocument()) {
            std::vector<kit::Object*> chain;
            std::unordered_set<const TextItem*> seen;
            for (TextItem* at = this; at && seen.insert(at).second; at = at->nextColumn())
                chain.push_back(at);
            doc->notifyUpdate(view, &chain);
        }
    }
    view->unlockFocus();
}

void TextItem::showColumnConnect(DocumentView* view, const kit::Event& event)
{
    Page* onPage = page();
    kit::Window* window = view ? view->window() : nullptr;
    TextItem* next = nextColumn_.get();
    if (!onPage || !window || !next || next == this)
        return;
    // 1. Where the next column lies, seen from this column's page.
    const kit::Point shift = pageShift(onPage, next->page());
    kit::Rect nextBounds{};
    next->getUpdateBounds(&nextBounds, view);
    nextBounds = kit::offsetRect(nextBounds, shift.x, shift.y);

    view->lockFocus();
    kit::DrawContext* current = kit::DrawContext::current();
    if (!current) {
        view->unlockFocus();
        return;
    }
    kit::DrawContext& context = *current;
    const float zoom = zoomOf(view);
    context.gsave();
    context.translate(onPage->pageRect().origin.x, onPage->pageRect().origin.y);

    // 2. The column outlined, the marker highlighted.
    float m[4];
    getMatrix(m);
    setGray(context, DarkGray);
    setLineWidth(context, isTransformed() ? 1.0f : 0.0f);
    CMFrameRectWithMatrix(&frame_, m, nullptr);
    kit::Rect marker{};
    getTContinueRect(this, zoom, &marker, isTransformed());
    drawHighlightedMarker(context, marker);

    // 3. The wire to the next column and its outline, over the saved window.
    const kit::Rect content = window->contentRect();
    window->cacheImageInRect(kit::makeRect(0, 0, content.size.width, content.size.height));
    const kit::Point start{kit::midX(marker), kit::midY(marker)};
    const kit::Point end{kit::midX(nextBounds), kit::midY(nextBounds)};
    kit::Point down = view->locationInView(event);
    onPage->convertToPage(&down);
    const bool horizontalFirst = std::fabs(end.y - down.y) <= std::fabs(end.x - down.x);
    kit::Rect a{}, b{};
    calcWires(start, end, zoom, horizontalFirst, &a, &b);
    context.setgray(0.0f);
    const kit::Rect wires[2] = {a, b};
    context.rectfillList(std::span<const kit::Rect>(wires, 2));
    outlineTarget(context, next, shift);
    window->flushWindow();

    // 4. Until the button goes up; nothing changes.
    while (std::optional<kit::Event> e = window->nextEventMatchingMask(kit::LeftMouseUpMask | kit::LeftMouseDraggedMask))
        if (e->type() == kit::EventType::LeftMouseUp)
            break;
    window->restoreCachedImage();
    window->flushWindow();
    window->discardCachedImage();
    context.grestore();
    setGray(context, LightGray);
    resetAll(context);
    view->unlockFocus();
}
