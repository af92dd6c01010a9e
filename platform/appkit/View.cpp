#include "appkit/View.h"

#include "appkit/ClipView.h"
#include "appkit/ScrollView.h"
#include "appkit/Window.h"
#include "graphics/DrawContext.h"
#include "graphics/RasterContext.h"

#include <algorithm>
#include <cmath>
#include <iostream>

namespace kit {

namespace {

struct FocusEntry {
    WeakRef<View> view;
    WeakRef<Window> window;
    DrawContext* context; // valid while the window (or the sink) lives
    DrawContext* previous;
};

std::vector<FocusEntry>& focusStack()
{
    static auto* stack = new std::vector<FocusEntry>;
    return *stack;
}

// Where a view without a window draws: an empty image that ignores it.
RasterContext& nowhere()
{
    static auto* sink = new RasterContext(0, 0);
    return *sink;
}

float scaleOf(float frameExtent, float boundsExtent)
{
    if (boundsExtent == 0.0f || !std::isfinite(boundsExtent))
        return 1.0f;
    return frameExtent / boundsExtent;
}

Size absSize(Size s)
{
    return {std::fabs(s.width), std::fabs(s.height)};
}

} // namespace

View::View(const Rect& frameRect) : frame_(frameRect), bounds_{{0, 0}, frameRect.size} {}

View::~View()
{
    // Subviews go first, while their superview pointer is still good.
    while (!subviews_.empty()) {
        std::unique_ptr<View> last = std::move(subviews_.back());
        subviews_.pop_back();
        last->superview_ = nullptr;
        last.reset();
    }
}

void View::setFrame(const Rect& frame)
{
    setFrameOrigin(frame.origin);
    setFrameSize(frame.size);
}

void View::setFrameOrigin(Point origin)
{
    if (frame_.origin == origin)
        return;
    const Rect old = frame_;
    frame_.origin = origin;
    exposeMove(old);
    frameDidChange();
}

void View::setFrameSize(Size size)
{
    if (frame_.size == size)
        return;
    // An unscaled view keeps bounds and frame the same size; a scaled one
    // keeps its scale.
    float sx = scaleOf(frame_.size.width, bounds_.size.width);
    float sy = scaleOf(frame_.size.height, bounds_.size.height);
    Size old = frame_.size;
    const Rect oldFrame = frame_;
    frame_.size = size;
    bounds_.size = {size.width / sx, size.height / sy};
    exposeMove(oldFrame);
    if (autoresizesSubviews_)
        resizeSubviewsWithOldSize(old);
    frameDidChange();
}

void View::exposeMove(const Rect& oldFrame)
{
    // Where the view was and where it is now are drawn again; the drawing
    // shows what was under it, and the flush that follows moves and clips
    // the widgets of the views below it.
    if (!window_ || !superview_)
        return;
    // An empty rectangle would mark the whole superview.
    const Rect touched = intersectionRect(unionRect(oldFrame, frame_), superview_->bounds());
    if (!isEmptyRect(touched))
        superview_->setNeedsDisplayInRect(touched);
}

void View::resizeSubviewsWithOldSize(Size oldSize)
{
    for (size_t i = 0; i < subviews_.size(); ++i)
        subviews_[i]->resizeWithOldSuperviewSize(oldSize);
}

void View::resizeWithOldSuperviewSize(Size oldSize)
{
    if (!superview_ || autoresizingMask_ == ViewNotSizable)
        return;
    Size now = superview_->frame().size;
    // The change is shared evenly among the flexible parts of each axis.
    auto share = [](float change, unsigned mask, unsigned low, unsigned size, unsigned high, float& origin,
                    float& extent) {
        int parts = ((mask & low) ? 1 : 0) + ((mask & size) ? 1 : 0) + ((mask & high) ? 1 : 0);
        if (parts == 0 || change == 0)
            return;
        float each = change / static_cast<float>(parts);
        if (mask & low)
            origin += each;
        if (mask & size)
            extent = std::max(0.0f, extent + each);
    };
    Rect f = frame_;
    share(now.width - oldSize.width, autoresizingMask_, ViewMinXMargin, ViewWidthSizable, ViewMaxXMargin, f.origin.x,
          f.size.width);
    share(now.height - oldSize.height, autoresizingMask_, ViewMinYMargin, ViewHeightSizable, ViewMaxYMargin,
          f.origin.y, f.size.height);
    setFrame(f);
}

void View::setBounds(const Rect& bounds)
{
    bounds_ = bounds;
    boundsDidChange();
}

void View::setBoundsOrigin(Point origin)
{
    if (bounds_.origin == origin)
        return;
    bounds_.origin = origin;
    boundsDidChange();
}

void View::setBoundsSize(Size size)
{
    bounds_.size = size;
    boundsDidChange();
}

void View::translateOriginToPoint(Point point)
{
    setBoundsOrigin({bounds_.origin.x - point.x, bounds_.origin.y - point.y});
}

Window* View::window() const
{
    return window_;
}

void View::setWindowForTree(Window* window)
{
    bool changed = window_ != window;
    if (changed && window_)
        window_->viewWillLeaveWindow(this);
    window_ = window;
    for (auto& v : subviews_)
        v->setWindowForTree(window);
    if (changed) {
        if (window_)
            window_->invalidateCursorRectsForView(this);
        viewDidMoveToWindow();
    }
}

View* View::addSubview(std::unique_ptr<View> view)
{
    if (!view || view->superview_ || view.get() == this || isDescendantOf(view.get()))
        return nullptr;
    View* v = view.get();
    v->superview_ = this;
    v->setNextResponder(this);
    v->setWindowForTree(window_);
    subviews_.push_back(std::move(view));
    didAddSubview(v);
    return v;
}

std::unique_ptr<View> View::removeFromSuperview()
{
    View* super = superview_;
    if (!super)
        return nullptr;
    super->willRemoveSubview(this);
    auto it = std::find_if(super->subviews_.begin(), super->subviews_.end(),
                           [this](const std::unique_ptr<View>& v) { return v.get() == this; });
    if (it == super->subviews_.end())
        return nullptr;
    std::unique_ptr<View> self = std::move(*it);
    super->subviews_.erase(it);
    superview_ = nullptr;
    setNextResponder(nullptr);
    setWindowForTree(nullptr);
    return self;
}

bool View::isDescendantOf(const View* view) const
{
    for (const View* v = this; v; v = v->superview_)
        if (v == view)
            return true;
    return false;
}

View* View::viewWithTag(int tag)
{
    if (this->tag() == tag)
        return this;
    for (auto& v : subviews_)
        if (View* found = v->viewWithTag(tag))
            return found;
    return nullptr;
}

ScrollView* View::enclosingScrollView() const
{
    for (View* v = superview_; v; v = v->superview_)
        if (auto* s = dynamic_cast<ScrollView*>(v))
            return s;
    return nullptr;
}

View* View::hitTest(Point point)
{
    bool superFlipped = superview_ && superview_->isFlipped();
    if (!kit::mouseInRect(point, frame_, superFlipped))
        return nullptr;
    Point local = superview_ ? convertPointFromView(point, superview_) : convertPointFromView(point, nullptr);
    for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it)
        if (View* hit = (*it)->hitTest(local))
            return hit;
    return this;
}

Matrix View::matrixToSuperview() const
{
    float sx = scaleOf(frame_.size.width, bounds_.size.width);
    float sy = scaleOf(frame_.size.height, bounds_.size.height);
    bool superFlipped = superview_ && superview_->isFlipped();
    Matrix m;
    m.a = sx;
    m.tx = frame_.origin.x - bounds_.origin.x * sx;
    if (isFlipped() != superFlipped) {
        m.d = -sy;
        m.ty = frame_.origin.y + frame_.size.height + bounds_.origin.y * sy;
    } else {
        m.d = sy;
        m.ty = frame_.origin.y - bounds_.origin.y * sy;
    }
    return m;
}

Matrix View::matrixToBase() const
{
    Matrix m = matrixToSuperview();
    for (const View* v = superview_; v; v = v->superview_)
        m = concatMatrix(m, v->matrixToSuperview());
    return m;
}

Point View::convertPointToView(Point point, const View* view) const
{
    Point base = matrixToBase().transform(point);
    if (!view)
        return base;
    return view->matrixToBase().itransform(base).value_or(base);
}

Point View::convertPointFromView(Point point, const View* view) const
{
    Point base = view ? view->matrixToBase().transform(point) : point;
    return matrixToBase().itransform(base).value_or(base);
}

Size View::convertSizeToView(Size size, const View* view) const
{
    Point d = matrixToBase().dtransform({size.width, size.height});
    if (view)
        d = view->matrixToBase().idtransform(d).value_or(d);
    return absSize({d.x, d.y});
}

Size View::convertSizeFromView(Size size, const View* view) const
{
    Point d = {size.width, size.height};
    if (view)
        d = view->matrixToBase().dtransform(d);
    d = matrixToBase().idtransform(d).value_or(d);
    return absSize({d.x, d.y});
}

Rect View::convertRectToView(const Rect& rect, const View* view) const
{
    Rect base = matrixToBase().transformRect(rect);
    if (!view)
        return base;
    Rect out = base;
    if (auto inv = view->matrixToBase(); inv.isInvertible()) {
        Point a = *inv.itransform(base.origin);
        Point b = *inv.itransform({maxX(base), maxY(base)});
        out = makeRect(std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y));
    }
    return out;
}

Rect View::convertRectFromView(const Rect& rect, const View* view) const
{
    Rect base = view ? view->matrixToBase().transformRect(rect) : rect;
    Matrix m = matrixToBase();
    if (!m.isInvertible())
        return base;
    Point a = *m.itransform(base.origin);
    Point b = *m.itransform({maxX(base), maxY(base)});
    return makeRect(std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y));
}

bool View::mouseInRect(Point point, const Rect& rect) const
{
    return kit::mouseInRect(point, rect, isFlipped());
}

Rect View::visibleRect() const
{
    if (!window_)
        return {};
    Rect visibleInSuper;
    if (superview_) {
        visibleInSuper = convertRectFromView(superview_->visibleRect(), superview_);
    } else {
        Rect content = window_->contentRect();
        visibleInSuper = convertRectFromView(makeRect(0, 0, width(content), height(content)), nullptr);
    }
    return intersectionRect(bounds_, visibleInSuper);
}

bool View::canDraw() const
{
    return window_ && !window_->isClosed();
}

void View::lockFocus()
{
    lockFocusClipped(nullptr);
}

void View::lockFocusClipped(const Rect* baseClip)
{
    DrawContext* context = &nowhere();
    if (canDraw())
        context = &window_->focusContext();
    focusStack().push_back(FocusEntry{WeakRef<View>(this), WeakRef<Window>(window_), context, DrawContext::current()});
    context->gsave();
    if (context != &nowhere()) {
        context->initmatrix();
        context->initclip();
        // Clipped in base coordinates, before the view's own matrix, so
        // that whole pixels stay whole.
        if (baseClip)
            context->rectclip(*baseClip);
        context->concat(matrixToBase());
        Rect visible = visibleRect();
        // An empty clip rectangle would be taken for none: clip to nothing.
        if (isEmptyRect(visible))
            visible = makeRect(bounds_.origin.x, bounds_.origin.y, 0, 0);
        context->rectclip(visible);
    }
    DrawContext::setCurrent(context);
}

void View::unlockFocus()
{
    auto& stack = focusStack();
    auto it = std::find_if(stack.rbegin(), stack.rend(), [this](const FocusEntry& e) { return e.view.get() == this; });
    if (it == stack.rend()) {
        std::cerr << "unlockFocus: view is not focused\n";
        return;
    }
    if (it != stack.rbegin())
        std::cerr << "unlockFocus: views focused later are unfocused too\n";
    size_t depth = static_cast<size_t>(stack.rend() - it) - 1;
    unlockFocusDownTo(depth);
}

View* View::focusView()
{
    auto& stack = focusStack();
    return stack.empty() ? nullptr : stack.back().view.get();
}

size_t View::focusStackDepth()
{
    return focusStack().size();
}

void View::unlockFocusDownTo(size_t depth)
{
    auto& stack = focusStack();
    while (stack.size() > depth) {
        FocusEntry e = stack.back();
        stack.pop_back();
        if (e.context == &nowhere() || e.window.get())
            e.context->grestore();
        DrawContext::setCurrent(e.previous);
    }
}

void View::display()
{
    displayRect(visibleRect());
}

void View::displayRect(const Rect& rect)
{
    if (!canDraw())
        return;
    prepareTreeForDrawing();
    displayTree(rect, false, true);
}

void View::prepareTreeForDrawing()
{
    viewWillDraw();
    // By index: a view may change its own subviews here.
    for (std::size_t i = 0; i < subviews_.size(); ++i)
        subviews_[i]->prepareTreeForDrawing();
}

void View::drawBackdrop(const Rect& pixels)
{
    if (isOpaque())
        return;
    // What lies behind a view that is not opaque is drawn again first, from
    // the nearest opaque view above it (or the window's ground): else a
    // view moved or shrunk leaves its old picture where it no longer is.
    std::vector<View*> behind;
    View* top = this;
    for (View* v = superview_; v; v = v->superview_) {
        behind.push_back(v);
        top = v;
        if (v->isOpaque())
            break;
    }
    if (!top->isOpaque()) {
        top->lockFocusClipped(&pixels);
        DrawContext* context = DrawContext::current();
        context->setgray(1.0f);
        context->rectfill(top->convertRectFromView(pixels, nullptr));
        top->unlockFocus();
    }
    for (auto it = behind.rbegin(); it != behind.rend(); ++it) {
        View* v = *it;
        v->lockFocusClipped(&pixels);
        v->drawRect(v->convertRectFromView(insetRect(pixels, -1.0f / 64, -1.0f / 64), nullptr));
        v->unlockFocus();
    }
}

void View::displayTree(const Rect& rect, bool onlyIfNeeded, bool backdrop)
{
    if (!canDraw())
        return;
    Rect area = intersectionRect(rect, visibleRect());
    if (!onlyIfNeeded || needsDisplay_) {
        // What the drawing itself marks (a layout it finishes may change
        // the view) stays marked for the next pass.
        needsDisplay_ = false;
        invalidRect_ = {};
        if (!isEmptyRect(area)) {
            // Whole pixels of the window: what is clipped there is erased
            // and drawn whole, never blended again with what was there.
            // The view is given a hair more than the clip, so that its
            // fills of the rectangle cover the edge pixels whole whatever
            // the rounding of the conversion.
            const Rect pixels = integralRect(matrixToBase().transformRect(area));
            area = convertRectFromView(insetRect(pixels, -1.0f / 64, -1.0f / 64), nullptr);
            if (backdrop)
                drawBackdrop(pixels);
            lockFocusClipped(&pixels);
            drawRect(area);
            unlockFocus();
        }
        onlyIfNeeded = false;
    }
    for (size_t i = 0; i < subviews_.size(); ++i) {
        View* v = subviews_[i].get();
        Rect sub = v->convertRectFromView(area, this);
        if (onlyIfNeeded) {
            if (v->needsDisplayBelow())
                v->displayTree(v->needsDisplay_ ? v->invalidRect_ : v->visibleRect(), true, backdrop);
        } else if (!isEmptyRect(sub)) {
            v->displayTree(sub, false, false);
        }
    }
}

void View::cacheDisplayInRect(const Rect& rect, DrawContext& context)
{
    if (!canDraw())
        return;
    // A picture changes nothing: what needs display in the window stays as
    // it was, whatever the drawing asks for on the way.
    struct Marks {
        View* view;
        bool needsDisplay;
        Rect invalidRect;
    };
    std::vector<Marks> marks;
    std::vector<View*> pending;
    if (View* root = window_->contentView())
        pending.push_back(root);
    while (!pending.empty()) {
        View* v = pending.back();
        pending.pop_back();
        marks.push_back({v, v->needsDisplay_, v->invalidRect_});
        for (auto& sub : v->subviews_)
            pending.push_back(sub.get());
    }
    struct Restore {
        Window* window;
        DrawContext* context;
        std::vector<Marks>& marks;
        ~Restore()
        {
            window->pictureContext_ = context;
            for (const Marks& m : marks) {
                m.view->needsDisplay_ = m.needsDisplay;
                m.view->invalidRect_ = m.invalidRect;
            }
        }
    } restore{window_, window_->pictureContext_, marks};
    window_->pictureContext_ = &context;
    displayTree(rect, false, false);
}

void View::displayIfNeeded()
{
    if (!needsDisplayBelow() || !canDraw())
        return;
    prepareTreeForDrawing();
    displayTree(needsDisplay_ ? invalidRect_ : visibleRect(), true, true);
}

void View::setNeedsDisplay(bool flag)
{
    if (flag) {
        setNeedsDisplayInRect(bounds_);
    } else {
        needsDisplay_ = false;
        invalidRect_ = {};
    }
}

void View::setNeedsDisplayInRect(const Rect& rect)
{
    needsDisplay_ = true;
    invalidRect_ = unionRect(invalidRect_, intersectionRect(rect, bounds_));
    if (isEmptyRect(invalidRect_))
        invalidRect_ = bounds_;
}

bool View::needsDisplayBelow() const
{
    if (needsDisplay_)
        return true;
    return std::any_of(subviews_.begin(), subviews_.end(), [](const auto& v) { return v->needsDisplayBelow(); });
}

bool View::scrollRectToVisible(const Rect& rect)
{
    bool scrolled = false;
    Rect r = rect;
    const View* from = this;
    for (View* v = superview_; v; v = v->superview_) {
        auto* clip = dynamic_cast<ClipView*>(v);
        if (!clip)
            continue;
        Rect inClip = clip->convertRectFromView(r, from);
        Rect visible = clip->bounds();
        Point origin = visible.origin;
        auto axis = [](float lo, float extent, float vlo, float vextent) {
            if (extent >= vextent || lo < vlo)
                return lo;
            if (lo + extent > vlo + vextent)
                return lo + extent - vextent;
            return vlo;
        };
        origin.x = axis(minX(inClip), width(inClip), minX(visible), width(visible));
        origin.y = axis(minY(inClip), height(inClip), minY(visible), height(visible));
        Point before = clip->bounds().origin;
        clip->scrollToPoint(origin);
        scrolled = scrolled || clip->bounds().origin != before;
        r = inClip;
        from = clip;
    }
    return scrolled;
}

void View::scrollPoint(Point point)
{
    for (View* v = superview_; v; v = v->superview_) {
        if (auto* clip = dynamic_cast<ClipView*>(v)) {
            clip->scrollToPoint(clip->convertPointFromView(point, this));
            return;
        }
    }
}

bool View::autoscroll(const Event& event)
{
    return superview_ ? superview_->autoscroll(event) : false;
}

int View::addTrackingRect(const Rect& rect, Responder* owner, void* userData, bool assumeInside)
{
    if (!window_)
        return 0;
    return window_->addTrackingRect(convertRectToView(rect, nullptr), owner, userData, assumeInside);
}

void View::removeTrackingRect(int tag)
{
    if (window_)
        window_->removeTrackingRect(tag);
}

bool View::performKeyEquivalent(const Event& event)
{
    for (size_t i = 0; i < subviews_.size(); ++i)
        if (subviews_[i]->performKeyEquivalent(event))
            return true;
    return false;
}

void View::addCursorRect(const Rect& rect, Cursor* cursor)
{
    if (window_ && cursor)
        window_->addCursorRect(convertRectToView(rect, nullptr), cursor, this);
}

void View::removeCursorRect(const Rect& rect, Cursor* cursor)
{
    if (window_)
        window_->removeCursorRect(convertRectToView(rect, nullptr), cursor, this);
}

void View::discardCursorRects()
{
    if (window_)
        window_->discardCursorRectsForView(this);
}

void View::setNextKeyView(View* view)
{
    if (View* old = nextKeyView_.get(); old && old->previousKeyView_.get() == this)
        old->previousKeyView_ = WeakRef<View>();
    nextKeyView_ = WeakRef<View>(view);
    if (view)
        view->previousKeyView_ = WeakRef<View>(this);
}

namespace {
bool acceptsKeyboard(const View* v)
{
    return v->window() && v->acceptsFirstResponder();
}
} // namespace

View* View::nextValidKeyView() const
{
    int steps = 0;
    for (View* v = nextKeyView(); v && v != this && steps < 10000; v = v->nextKeyView(), ++steps)
        if (acceptsKeyboard(v))
            return v;
    return nullptr;
}

View* View::previousValidKeyView() const
{
    int steps = 0;
    for (View* v = previousKeyView(); v && v != this && steps < 10000; v = v->previousKeyView(), ++steps)
        if (acceptsKeyboard(v))
            return v;
    return nullptr;
}

} // namespace kit
