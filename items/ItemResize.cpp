// The modal resize loop of an item's knob, and the creation of an item by
// dragging it out from the mouse-down point.

#include "items/Item.h"

#include "appkit/Event.h"
#include "appkit/Window.h"
#include "core/EventState.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/CMGeometry.h"
#include "foundation/Paint.h"
#include "graphics/DrawContext.h"
#include "items/ItemBox.h"
#include "items/KnobProcs.h"
#include "text/DocumentView.h"

#include <cmath>

namespace {

constexpr float LightGray = 2.0f / 3.0f;
constexpr float DarkGray = 1.0f / 3.0f;

bool isCorner(int knob) { return knob % 2 == 0; }

// Guides first; the rulers only when no guide took the point.
void snapPoint(const Page* page, const LayoutDocument* document, kit::Point* point)
{
    if (!page || !document)
        return;
    int snapped = 0;
    if (document->snapToGuides())
        snapped = page->snapPointToGuides(point);
    if (snapped == 0 && document->snapToRulers())
        page->snapPointToRulers(point, 3);
}

// The rectangle spanned by two points, of positive extents.
kit::Rect spanned(kit::Point a, kit::Point b)
{
    return kit::makeRect(std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y));
}

// The least width and height a knob drag leaves: an item of no width or
// height shows nothing and its file does not keep it.
constexpr float MinimumSide = 1.0f;

// The rectangle at least that large, grown from the anchor towards the
// side the knob lies on.
kit::Rect atLeastMinimum(kit::Rect r, kit::Point anchor, kit::Point side)
{
    if (r.size.width < MinimumSide) {
        r.size.width = MinimumSide;
        r.origin.x = side.x < anchor.x ? anchor.x - MinimumSide : anchor.x;
    }
    if (r.size.height < MinimumSide) {
        r.size.height = MinimumSide;
        r.origin.y = side.y < anchor.y ? anchor.y - MinimumSide : anchor.y;
    }
    return r;
}

// Where the loop draws: the page view's focus moved to the page origin and
// clipped to the page. Gathers the context and the zoom in one place.
struct Feedback {
    kit::DrawContext* context = nullptr;
    float zoom = 1.0f;

    void knob(kit::Point at) const
    {
        float outer = 0.0f, inner = 0.0f;
        getKnobSizesForScale(zoom, &outer, &inner);
        PSdrawknob(*context, at.x, at.y, outer, inner, 0.0f);
    }
};

} // namespace

Item* Item::performResize(int* knobPointer, DocumentView* view, const kit::Event& event)
{
    Page* onPage = page();
    kit::Window* window = view ? view->window() : nullptr;
    if (!onPage || !window)
        return this;
    const LayoutDocument* doc = onPage->document();

    // 1. Live displays, told where the frame starts.
    const std::vector<LiveFrameDisplay*> live = view->liveFrameDisplays();
    for (LiveFrameDisplay* d : live) {
        d->setMoveTo(frame_.origin.x, frame_.origin.y);
        d->setSizeTo(frame_.size.width, frame_.size.height);
    }
    const kit::Rect reference = live.empty() ? kit::Rect{} : originalFrame();

    // 2. The page focused; the knob and the proportions to keep.
    view->lockFocus();
    Feedback feedback;
    feedback.context = kit::DrawContext::current();
    feedback.zoom = view->zoom() > 0.0f && std::isfinite(view->zoom()) ? view->zoom() : 1.0f;
    if (!feedback.context) {
        view->unlockFocus();
        return this;
    }
    kit::DrawContext& context = *feedback.context;
    const float zoom = feedback.zoom;
    context.gsave();
    context.translate(onPage->pageRect().origin.x, onPage->pageRect().origin.y);
    context.rectclip(0, 0, onPage->size().width, onPage->size().height);
    const int knob = knobPointer ? *knobPointer : 4;
    const bool corner = isCorner(knob);
    const float ratio = knobPointer ? currentRatio() : 1.0f;
    const float natural = knobPointer ? naturalRatio() : 1.0f;

    // 3. What is tracked; the matrix and its inverse.
    const unsigned mask =
        kit::LeftMouseDraggedMask | kit::LeftMouseUpMask | (corner ? kit::FlagsChangedMask : 0u);
    const bool acceptedMoves = window->acceptsMouseMovedEvents();
    window->setAcceptsMouseMovedEvents(true);
    const bool transformed = isTransformed();
    float m[4], inverse[4];
    getMatrix(m);
    invertMatrix(m, inverse);

    // 4. The first feedback, over the saved image of the page.
    auto* quick = dynamic_cast<ItemBox*>(this);
    const kit::Rect visible = view->visibleRect();
    const Paint paint = Paint::into(context, zoom, visible);
    kit::Rect drawn{};
    if (!quick) {
        setLineWidth(context, 0.0f);
        setGray(context, LightGray);
        CMFrameRectWithMatrix(&frame_, m, nullptr);
        view->snapshot(onPage);
        setGray(context, DarkGray);
        CMFrameRectWithMatrix(&frame_, m, &drawn);
    } else {
        view->snapshot(onPage);
        quick->drawFastInView(paint, visible, m, frame_, &drawn);
    }
    drawn = kit::insetRect(drawn, -5.0f / zoom, -5.0f / zoom);
    kit::Point knobPoint{};
    getKnob(knob, &knobPoint);
    feedback.knob(knobPoint);
    resetColor(context);
    window->flushWindow();
    view->restoreWithSnapshot(drawn);

    // 5. The pointer keeps its distance to the knob; the anchor stays.
    kit::Point down = view->locationInView(event);
    onPage->convertToPage(&down);
    const kit::Point offset{knobPoint.x - down.x, knobPoint.y - down.y};
    const int anchorKnob = corner ? (knob + 4) % 8 : (knob + 3) % 8;
    kit::Point anchor{};
    getKnob(anchorKnob, &anchor);
    kit::Rect base = frame_;
    if (transformed) {
        applyMatrixToPoint(&knobPoint, &anchor, inverse);
        applyMatrixToPoint(&base.origin, &anchor, inverse);
    }
    const kit::Point startKnob = knobPoint;

    // 6. One event at a time until the button goes up.
    kit::Rect rect = frame_;
    bool moved = false;
    kit::Point raw = down;
    kit::Point last{};
    for (;;) {
        std::optional<kit::Event> e = window->nextEventMatchingMask(mask);
        if (!e || e->type() == kit::EventType::LeftMouseUp)
            break;
        if (e->type() != kit::EventType::FlagsChanged) {
            raw = view->locationInView(*e);
            onPage->convertToPage(&raw);
            raw = {raw.x + offset.x, raw.y + offset.y};
        }
        kit::Point p = raw;
        snapPoint(onPage, doc, &p);
        last = p;
        if (transformed)
            applyMatrixToPoint(&p, &anchor, inverse);
        const unsigned flags = e->modifierFlags();
        const bool shift = (flags & kit::ShiftKeyMask) != 0;
        if (corner) {
            if (!shouldResizeNaturally()) {
                if (shift)
                    CMConstrainPointToProportions(&anchor, &p, ratio);
            } else if (!shift) {
                CMConstrainPointToProportions(&anchor, &p, natural);
            }
            knobPoint = p;
        } else {
            constrainPointToRect(&p, &knobPoint, base, knob);
        }
        const bool centred = !knobPointer && corner && (flags & kit::AlternateKeyMask) != 0;
        if (centred) {
            const float w = 2.0f * std::fabs(p.x - anchor.x), h = 2.0f * std::fabs(p.y - anchor.y);
            rect = kit::makeRect(anchor.x - w / 2.0f, anchor.y - h / 2.0f, w, h);
        } else {
            rect = spanned(anchor, p);
        }
        // An item's knob never takes it below the least size (a new item
        // dragged out is refused by its maker instead).
        if (knobPointer) {
            // The side the knob lies on; on the anchor's line, the side it
            // started from.
            const kit::Point side = kit::makePoint(p.x != anchor.x ? p.x : startKnob.x,
                                                   p.y != anchor.y ? p.y : startKnob.y);
            rect = atLeastMinimum(rect, anchor, side);
        }
        if (transformed)
            applyMatrixToPoint(&rect.origin, &anchor, m);
        moved = true;

        if (!quick) {
            setLineWidth(context, 0.0f);
            setGray(context, DarkGray);
            CMFrameRectWithMatrix(&rect, m, &drawn);
        } else {
            quick->drawFastInView(paint, visible, m, rect, &drawn);
        }
        kit::Point shownKnob = knobPoint;
        if (transformed)
            applyMatrixToPoint(&shownKnob, &anchor, m);
        feedback.knob(shownKnob);
        if (centred)
            feedback.knob(anchor);
        resetColor(context);

        for (LiveFrameDisplay* d : live) {
            d->setMoveTo(rect.origin.x, rect.origin.y);
            d->setSizeTo(rect.size.width, rect.size.height);
            if (reference.size.width != 0.0f && reference.size.height != 0.0f) {
                const float sx = rect.size.width / reference.size.width;
                float sy = rect.size.height / reference.size.height;
                if (std::fabs(sx - sy) < 5e-6f)
                    sy = sx;
                d->setScale(sx, sy);
            }
            kit::Rect onCanvas = rect;
            onPage->convertFromPage(&onCanvas.origin);
            d->setRect(onCanvas);
        }
        window->flushWindow();
        kit::Rect dirty = kit::insetRect(drawn, -5.0f / zoom, -5.0f / zoom);
        view->restoreWithSnapshot(dirty);
    }

    for (LiveFrameDisplay* d : live)
        d->setRect({});
    context.grestore();
    resetAll(context);
    view->unlockFocus();
    window->setAcceptsMouseMovedEvents(acceptedMoves);
    if (moved && !kit::equalRects(rect, frame_)) {
        setFrame(rect, false);
        if (knobPointer) {
            kit::Point at = knobPoint;
            if (transformed)
                at = last;
            *knobPointer = isHitAtKnob(at, view);
        }
    }
    return this;
}

Item* Item::initWithMouseDown(const kit::Event& event, DocumentView* view)
{
    if (!view)
        return this;
    kit::Point at = view->locationInView(event);
    Page* onPage = view->hitPageAt(at);
    if (!onPage)
        return this;
    onPage->convertToPage(&at);
    snapPoint(onPage, onPage->document(), &at);
    setPage(onPage);
    moveTo(at.x, at.y, false);
    view->lockFocus();
    performResize(nullptr, view, event);
    view->unlockFocus();
    setPage(nullptr);
    return this;
}
