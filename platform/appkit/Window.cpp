#include "appkit/Window.h"

#include "appkit/Application.h"
#include "appkit/Cursor.h"
#include "appkit/View.h"
#include "appkit/WindowScreen.h"
#include "core/UserDefaults.h"
#include "graphics/BitmapImageRep.h"
#include "graphics/Image.h"
#include "graphics/RasterContext.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kit {

namespace {
constexpr float kTitleBarHeight = 22.0f;

int nextWindowNumber()
{
    static int serial = 0;
    return ++serial;
}

int pixelExtent(float points)
{
    return points > 0 && points < 32768 ? static_cast<int>(points + 0.5f) : 0;
}
} // namespace

struct Window::Cache {
    Rect rect; // base coordinates, whole pixels
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // premultiplied, top row first
};

Rect Window::frameRectForContentRect(const Rect& contentRect, unsigned styleMask)
{
    Rect r = contentRect;
    if (styleMask & TitledWindowMask)
        r.size.height += kTitleBarHeight;
    return r;
}

Rect Window::contentRectForFrameRect(const Rect& frameRect, unsigned styleMask)
{
    Rect r = frameRect;
    if (styleMask & TitledWindowMask)
        r.size.height = std::max(0.0f, r.size.height - kTitleBarHeight);
    return r;
}

Window::Window(const Rect& contentRect, unsigned styleMask)
    : windowNumber_(nextWindowNumber()), styleMask_(styleMask), contentRect_(contentRect)
{
    backing_ = std::make_unique<RasterContext>(pixelExtent(width(contentRect)), pixelExtent(height(contentRect)));
    backing_->fillImage(0xFFFFFFFFu);
    auto content = std::make_unique<View>(makeRect(0, 0, width(contentRect), height(contentRect)));
    setContentView(std::move(content));
    // What the Windows menu's items send.
    setAction("makeKeyAndOrderFront:", [this](Object* sender) -> Object* {
        makeKeyAndOrderFront(sender);
        return nullptr;
    });
    Application::sharedApplication().registerWindow(this);
}

Window::~Window()
{
    Application::sharedApplication().endMouseTracking(windowNumber_);
    Application::sharedApplication().unregisterWindow(this);
    if (contentView_)
        contentView_->setWindowForTree(nullptr);
    screen_.reset();
}

std::unique_ptr<detail::WindowScreen> Window::makeScreen()
{
    return detail::WindowScreen::create(*this);
}

void Window::dropScreen()
{
    screen_.reset();
    placeViewsOnScreen();
}

void Window::setFrameOrigin(Point origin)
{
    contentRect_.origin = origin;
    if (screen_)
        screen_->placeWindow();
    if (!frameAutosaveName_.empty())
        saveFrameUsingName(frameAutosaveName_);
    frameDidChange();
}

void Window::setFrame(const Rect& frame, bool display)
{
    Rect content = contentRectForFrameRect(frame, styleMask_);
    if (!std::isfinite(minX(frame)) || !std::isfinite(minY(frame)) || !std::isfinite(width(content)) ||
        !std::isfinite(height(content)) || width(content) <= 0 || height(content) <= 0 ||
        width(content) >= 32768 || height(content) >= 32768)
        return;
    setContentSize(content.size);
    setFrameOrigin(content.origin);
    if (display)
        this->display();
}

namespace {
std::string frameKey(const std::string& name)
{
    return "NSWindow Frame " + name;
}
} // namespace

bool Window::setFrameUsingName(const std::string& name)
{
    if (name.empty())
        return false;
    std::optional<std::string> stored = UserDefaults::standardUserDefaults().stringForKey(frameKey(name));
    if (!stored)
        return false;
    Rect r = rectFromString(*stored);
    if (!frameMeetsAScreen(r))
        return false;
    setFrame(r, false);
    return frame() == r;
}

bool Window::frameMeetsAScreen(const Rect& frame)
{
    if (!std::isfinite(minX(frame)) || !std::isfinite(minY(frame)) || !std::isfinite(width(frame)) ||
        !std::isfinite(height(frame)) || width(frame) <= 0 || height(frame) <= 0)
        return false;
    for (const Rect& screen : screenFrames())
        if (!isEmptyRect(intersectionRect(frame, screen)))
            return true;
    return false;
}

bool Window::setFrameAutosaveName(const std::string& name)
{
    frameAutosaveName_ = name;
    if (!name.empty())
        saveFrameUsingName(name);
    return true;
}

void Window::saveFrameUsingName(const std::string& name) const
{
    if (name.empty())
        return;
    UserDefaults::standardUserDefaults().setStringForKey(stringFromRect(frame()), frameKey(name));
}

void Window::setDocumentEdited(bool flag)
{
    documentEdited_ = flag;
    // Only the title changes: a window the user moved stays where it is.
    if (screen_)
        screen_->showTitle();
}

std::string Window::screenTitle() const
{
    return documentEdited_ ? title_ + " \u2014 edited" : title_;
}

void Window::resizeByUser(Size proposedFrameSize)
{
    Size frameSize = proposedFrameSize;
    if (auto* d = dynamic_cast<WindowResizeDelegate*>(delegate()))
        frameSize = d->windowWillResize(this, frameSize);
    const Rect content = contentRectForFrameRect(makeRect(0, 0, frameSize.width, frameSize.height), styleMask_);
    if (!std::isfinite(width(content)) || !std::isfinite(height(content)) || width(content) <= 0 ||
        height(content) <= 0 || width(content) >= 32768 || height(content) >= 32768)
        return;
    if (content.size == contentRect_.size) {
        // Refused: the screen shows the window at its size again.
        if (screen_)
            screen_->placeWindow();
        return;
    }
    setContentSize(content.size);
}

void Window::miniaturize(Object*)
{
    if (closed_)
        return;
    if (Receiver* d = delegate(); d && d->respondsToSelector("windowWillMiniaturize:"))
        d->performSelector("windowWillMiniaturize:", this);
    if (screen_)
        screen_->miniaturize();
}

void Window::setMiniwindowImage(const Image* image)
{
    miniwindowImage_ = image ? image->copy() : nullptr;
    if (miniwindowImage_) {
        // No desktop shows icons larger than this; a huge picture must not
        // become a huge icon.
        miniwindowImage_->setCacheSideLimit(256);
        // A picture rendered later (EPS) reaches the screen when it is there.
        miniwindowImage_->setReadyHandler([this](Image&) { showMiniwindowImage(); });
        miniwindowImage_->prepareCache();
    }
    showMiniwindowImage();
}

void Window::showMiniwindowImage()
{
    if (!screen_)
        return;
    const ImagePixels* pixels = miniwindowImage_ ? miniwindowImage_->cachedPixels() : nullptr;
    if (pixels && pixels->model == ImagePixels::Model::ARGB32 && pixels->isValid() &&
        pixels->bytesPerRow == static_cast<std::size_t>(pixels->width) * 4)
        screen_->setIcon(reinterpret_cast<const std::uint32_t*>(pixels->data), pixels->width, pixels->height);
    else if (!miniwindowImage_ || miniwindowImage_->cacheState() != Image::CacheState::NotReady)
        screen_->setIcon(nullptr, 0, 0); // none, or a picture that cannot be drawn
}

void Window::setContentSize(Size size)
{
    if (size == contentRect_.size)
        return;
    contentRect_.size = size;
    backing_ = std::make_unique<RasterContext>(pixelExtent(size.width), pixelExtent(size.height));
    backing_->fillImage(0xFFFFFFFFu);
    cache_.reset();
    if (contentView_)
        contentView_->setFrame(makeRect(0, 0, size.width, size.height));
    if (screen_)
        screen_->placeWindow();
    placeViewsOnScreen();
    if (!frameAutosaveName_.empty())
        saveFrameUsingName(frameAutosaveName_);
    frameDidChange();
    if (Receiver* d = delegate(); d && d->respondsToSelector("windowDidResize:"))
        d->performSelector("windowDidResize:", this);
}

void Window::setTitle(const std::string& title)
{
    title_ = title;
    if (screen_)
        screen_->showTitle();
}

std::unique_ptr<View> Window::setContentView(std::unique_ptr<View> view)
{
    if (view && view->superview())
        return view; // belongs to another tree: refused
    std::unique_ptr<View> old = std::move(contentView_);
    if (old) {
        old->setWindowForTree(nullptr);
        old->setNextResponder(nullptr);
    }
    contentView_ = std::move(view);
    if (contentView_) {
        contentView_->setFrame(makeRect(0, 0, width(contentRect_), height(contentRect_)));
        contentView_->setWindowForTree(this);
        contentView_->setNextResponder(this);
    }
    return old;
}

Rect Window::constrainFrameRect(const Rect& frame, unsigned styleMask, const Rect& screen)
{
    Rect f = frame;
    if (isEmptyRect(screen))
        return f;
    if (styleMask & ResizableWindowMask) {
        f.size.width = std::min(f.size.width, width(screen));
        // The top stays where it was asked for while the window fits.
        if (f.size.height > height(screen)) {
            f.origin.y = maxY(f) - height(screen);
            f.size.height = height(screen);
        }
    }
    f.origin.x = f.size.width <= width(screen) ? std::clamp(f.origin.x, minX(screen), maxX(screen) - f.size.width)
                                               : minX(screen);
    // A window taller than the screen shows its title bar.
    f.origin.y = f.size.height <= height(screen)
                     ? std::clamp(f.origin.y, minY(screen), maxY(screen) - f.size.height)
                     : maxY(screen) - f.size.height;
    return f;
}

void Window::screenDidMoveWindow(Point frameOrigin)
{
    if (closed_ || !std::isfinite(frameOrigin.x) || !std::isfinite(frameOrigin.y) ||
        frameOrigin == contentRect_.origin)
        return;
    // The title bar adds to the top only: the frame and the content start
    // at the same point.
    contentRect_.origin = frameOrigin;
    if (!frameAutosaveName_.empty())
        saveFrameUsingName(frameAutosaveName_);
    frameDidChange();
}

void Window::orderFront(Object*)
{
    if (closed_)
        return;
    if (!visible_) {
        const Rect kept = constrainFrameRect(frame(), styleMask_, mainScreenFrame());
        if (kept != frame())
            setFrame(kept, false);
    }
    visible_ = true;
    // A window that has never drawn shows its views' drawing, not a blank,
    // when it first reaches the screen.
    if (flushCount_ == 0)
        setViewsNeedDisplay(true);
    if (!screen_) {
        screen_ = makeScreen();
        showMiniwindowImage();
        // A screen side made after the window drew (first ordered in, or
        // made again) starts blank, and no view asks to be drawn again.
        if (screen_ && flushCount_ > 0)
            screen_->showImage(flushed_.data(), flushedWidth_, flushedHeight_);
    }
    placeViewsOnScreen();
    if (screen_)
        screen_->show(true);
    Application::sharedApplication().windowDidOrderFront(this);
}

void Window::orderOut(Object*)
{
    visible_ = false;
    Application::sharedApplication().endMouseTracking(windowNumber_);
    Application::sharedApplication().windowDidOrderOut(this);
    placeViewsOnScreen();
    if (screen_)
        screen_->show(false);
}

void Window::makeKeyAndOrderFront(Object* sender)
{
    orderFront(sender);
    makeKeyWindow();
    makeMainWindow();
}

void Window::makeKeyWindow()
{
    if (closed_ || !canBecomeKeyWindow())
        return;
    Application::sharedApplication().setKeyWindow(this);
    if (screen_ && visible_)
        screen_->activate();
}

void Window::makeMainWindow()
{
    if (!closed_ && canBecomeMainWindow())
        Application::sharedApplication().setMainWindow(this);
}

bool Window::isKeyWindow() const
{
    return Application::sharedApplication().keyWindow() == this;
}

bool Window::isMainWindow() const
{
    return Application::sharedApplication().mainWindow() == this;
}

void Window::close()
{
    if (closed_)
        return;
    // A modal loop for this window has nothing left to wait for.
    if (Application::sharedApplication().modalWindow() == this)
        Application::sharedApplication().abortModal();
    windowWillClose();
    orderOut(nullptr);
    closed_ = true;
    tracking_.clear();
    cursorRects_.clear();
    Application::sharedApplication().endMouseTracking(windowNumber_);
    screen_.reset();
    placeViewsOnScreen();
    Application::sharedApplication().unregisterWindow(this);
}

void Window::performClose(Object*)
{
    if (Receiver* d = delegate(); d && d->respondsToSelector("windowShouldClose:")) {
        if (!d->performSelector("windowShouldClose:", this))
            return;
    }
    close();
}

Responder* Window::firstResponder() const
{
    Responder* r = firstResponder_.get();
    return r ? r : const_cast<Window*>(this);
}

bool Window::makeFirstResponder(Responder* responder)
{
    Responder* current = firstResponder_.get();
    if (current == responder)
        return true;
    if (current && !current->resignFirstResponder())
        return false;
    if (responder && responder != this) {
        // No view of a window that never has the keyboard could be typed
        // into: a field there must not look as if it were edited.
        if (!canBecomeKeyWindow() || !responder->acceptsFirstResponder() || !responder->becomeFirstResponder()) {
            firstResponder_ = WeakRef<Responder>();
            return false;
        }
        firstResponder_ = WeakRef<Responder>(responder);
    } else {
        firstResponder_ = WeakRef<Responder>();
    }
    return true;
}

void Window::selectNextKeyView(Object*)
{
    Responder* r = firstResponder();
    if (auto* v = dynamic_cast<View*>(r))
        selectKeyViewFollowingView(v);
    else if (View* initial = initialFirstResponder())
        makeFirstResponder(initial);
}

void Window::selectPreviousKeyView(Object*)
{
    Responder* r = firstResponder();
    if (auto* v = dynamic_cast<View*>(r))
        selectKeyViewPrecedingView(v);
    else if (View* initial = initialFirstResponder())
        makeFirstResponder(initial);
}

void Window::selectKeyViewFollowingView(View* view)
{
    if (!view)
        return;
    if (View* next = view->nextValidKeyView())
        makeFirstResponder(next);
}

void Window::selectKeyViewPrecedingView(View* view)
{
    if (!view)
        return;
    if (View* previous = view->previousValidKeyView())
        makeFirstResponder(previous);
}

View* Window::initialFirstResponder() const
{
    return initialFirstResponder_.get();
}

void Window::setInitialFirstResponder(View* view)
{
    initialFirstResponder_ = WeakRef<View>(view);
}

void Window::keyDown(const Event& event)
{
    if (performKeyEquivalent(event))
        return;
    Responder::keyDown(event);
}

bool Window::performKeyEquivalent(const Event& event)
{
    return contentView_ && !closed_ && contentView_->performKeyEquivalent(event);
}

void Window::sendEvent(const Event& event)
{
    if (closed_)
        return;
    switch (event.type()) {
    case EventType::LeftMouseDown:
    case EventType::RightMouseDown: {
        mouseLocation_ = event.locationInWindow();
        View* hit = contentView_ ? contentView_->hitTest(event.locationInWindow()) : nullptr;
        // The drags and the mouse up go where the mouse went down: to no
        // view when it missed them all, never to the view of an earlier
        // press.
        mouseDownView_ = WeakRef<View>(hit);
        if (!isKeyWindow() && (!becomesKeyOnlyIfNeeded() || (hit && hit->acceptsFirstResponder())))
            makeKeyWindow();
        if (!hit)
            return;
        if (hit->acceptsFirstResponder())
            makeFirstResponder(hit);
        if (event.type() == EventType::LeftMouseDown)
            hit->mouseDown(event);
        else
            hit->rightMouseDown(event);
        return;
    }
    case EventType::LeftMouseDragged:
    case EventType::LeftMouseUp:
    case EventType::RightMouseDragged:
    case EventType::RightMouseUp: {
        mouseLocation_ = event.locationInWindow();
        View* target = mouseDownView_.get();
        if (!target)
            return;
        switch (event.type()) {
        case EventType::LeftMouseDragged: target->mouseDragged(event); break;
        case EventType::LeftMouseUp: target->mouseUp(event); break;
        case EventType::RightMouseDragged: target->rightMouseDragged(event); break;
        default: target->rightMouseUp(event); break;
        }
        return;
    }
    case EventType::MouseMoved:
        mouseLocation_ = event.locationInWindow();
        firstResponder()->mouseMoved(event);
        return;
    case EventType::ScrollWheel:
        // To the view under the pointer, which passes it up to the scroll
        // view around it.
        if (View* hit = contentView_ ? contentView_->hitTest(event.locationInWindow()) : nullptr)
            hit->scrollWheel(event);
        return;
    case EventType::MouseEntered:
    case EventType::MouseExited: {
        for (const auto& t : tracking_) {
            if (t.tag != event.trackingNumber())
                continue;
            if (Responder* owner = t.owner.get()) {
                if (event.type() == EventType::MouseEntered)
                    owner->mouseEntered(event);
                else
                    owner->mouseExited(event);
            }
            return;
        }
        return;
    }
    case EventType::KeyDown: firstResponder()->keyDown(event); return;
    case EventType::KeyUp: firstResponder()->keyUp(event); return;
    case EventType::FlagsChanged: firstResponder()->flagsChanged(event); return;
    default: return;
    }
}

std::optional<Event> Window::nextEventMatchingMask(unsigned mask)
{
    return nextEventMatchingMask(mask, Date::distantFuture(), EventTrackingRunLoopMode, true);
}

std::optional<Event> Window::nextEventMatchingMask(unsigned mask, Date untilDate, const std::string& inMode,
                                                   bool dequeue)
{
    return Application::sharedApplication().nextEventMatchingMask(mask, untilDate, inMode, dequeue);
}

void Window::discardEventsMatchingMask(unsigned mask, const Event* beforeEvent)
{
    Application::sharedApplication().discardEventsMatchingMask(mask, beforeEvent);
}

int Window::addTrackingRect(const Rect& rect, Responder* owner, void* userData, bool assumeInside)
{
    if (closed_)
        return 0;
    int tag = nextTrackingTag_++;
    tracking_.push_back(TrackingRect{tag, rect, WeakRef<Responder>(owner), userData, assumeInside});
    return tag;
}

void Window::removeTrackingRect(int tag)
{
    tracking_.erase(std::remove_if(tracking_.begin(), tracking_.end(),
                                   [tag](const TrackingRect& t) { return t.tag == tag; }),
                    tracking_.end());
}

std::vector<Event> Window::trackingEventsForLocation(std::optional<Point> location, const Event& cause)
{
    std::vector<Event> exits, enters;
    for (auto& t : tracking_) {
        bool inside = location && kit::mouseInRect(*location, t.rect, false);
        if (inside == t.inside)
            continue;
        t.inside = inside;
        Event e = Event::enterExitEventWithType(inside ? EventType::MouseEntered : EventType::MouseExited,
                                                location.value_or(mouseLocation_), cause.modifierFlags(),
                                                cause.timestamp(), windowNumber_, t.tag, t.userData);
        (inside ? enters : exits).push_back(e);
    }
    if (location)
        mouseLocation_ = *location;
    // Leaving one rectangle comes before entering the next.
    exits.insert(exits.end(), enters.begin(), enters.end());
    return exits;
}

// ---- Cursor rectangles.

void Window::addCursorRect(const Rect& rect, Cursor* cursor, View* view)
{
    if (closed_ || !cursor || isEmptyRect(rect))
        return;
    cursorRects_.push_back(CursorRect{rect, WeakRef<Cursor>(cursor), WeakRef<View>(view)});
}

void Window::removeCursorRect(const Rect& rect, Cursor* cursor, View* view)
{
    cursorRects_.erase(std::remove_if(cursorRects_.begin(), cursorRects_.end(),
                                      [&](const CursorRect& c) {
                                          return c.rect == rect && c.cursor.get() == cursor && c.view.get() == view;
                                      }),
                       cursorRects_.end());
}

void Window::discardCursorRectsForView(View* view)
{
    cursorRects_.erase(std::remove_if(cursorRects_.begin(), cursorRects_.end(),
                                      [&](const CursorRect& c) {
                                          View* v = c.view.get();
                                          return !v || v == view;
                                      }),
                       cursorRects_.end());
}

void Window::invalidateCursorRectsForView(View* view)
{
    if (!view || closed_)
        return;
    for (const auto& pending : cursorRectsToReset_)
        if (pending.get() == view)
            return;
    cursorRectsToReset_.push_back(WeakRef<View>(view));
}

void Window::resetCursorRects()
{
    cursorRects_.clear();
    cursorRectsToReset_.clear();
    cursorRectsNeverSet_ = false;
    if (!contentView_ || closed_)
        return;
    std::vector<View*> order{contentView_.get()};
    for (size_t i = 0; i < order.size(); ++i) {
        order[i]->resetCursorRects();
        for (const auto& sub : order[i]->subviews())
            order.push_back(sub.get());
    }
}

void Window::discardCursorRects()
{
    cursorRects_.clear();
    cursorRectsToReset_.clear();
}

void Window::enableCursorRects()
{
    cursorRectsEnabled_ = true;
}

void Window::disableCursorRects()
{
    cursorRectsEnabled_ = false;
}

void Window::validateCursorRects()
{
    if (closed_)
        return;
    if (cursorRectsNeverSet_) {
        resetCursorRects();
    } else if (!cursorRectsToReset_.empty()) {
        std::vector<WeakRef<View>> pending;
        pending.swap(cursorRectsToReset_);
        for (const auto& ref : pending) {
            View* v = ref.get();
            if (!v || v->window() != this)
                continue;
            discardCursorRectsForView(v);
            v->resetCursorRects();
        }
    } else {
        return;
    }
    updateCursorForLocation(mouseLocation_);
}

void Window::updateCursorForLocation(Point location)
{
    if (!cursorRectsEnabled_ || closed_ || !isKeyWindow())
        return;
    for (auto it = cursorRects_.rbegin(); it != cursorRects_.rend(); ++it) {
        Cursor* c = it->cursor.get();
        if (c && it->view.get() && kit::mouseInRect(location, it->rect, false)) {
            c->set();
            return;
        }
    }
    Cursor::arrowCursor()->set();
}

void Window::viewWillLeaveWindow(View* view)
{
    discardCursorRectsForView(view);
    for (const auto& sub : view->subviews())
        discardCursorRectsForView(sub.get());
    if (auto* r = dynamic_cast<View*>(firstResponder_.get()); r && r->isDescendantOf(view))
        firstResponder_ = WeakRef<Responder>();
}

void Window::placeViewsOnScreen()
{
    if (!contentView_)
        return;
    std::vector<View*> order{contentView_.get()};
    for (size_t i = 0; i < order.size(); ++i) {
        order[i]->placeOnScreen();
        for (const auto& sub : order[i]->subviews())
            order.push_back(sub.get());
    }
}

void Window::display()
{
    if (closed_ || !contentView_)
        return;
    disableFlushWindow();
    contentView_->display();
    enableFlushWindow();
    flushWindow();
}

void Window::displayIfNeeded()
{
    if (closed_ || !contentView_ || !contentView_->needsDisplayBelow())
        return;
    disableFlushWindow();
    // A drawing that marks the views again (its layout changed them) is
    // followed by the areas it marked, a few rounds at most.
    for (int round = 0; round < 4 && contentView_->needsDisplayBelow(); ++round)
        contentView_->displayIfNeeded();
    enableFlushWindow();
    flushWindow();
}

void Window::setViewsNeedDisplay(bool flag)
{
    if (contentView_)
        contentView_->setNeedsDisplay(flag);
}

bool Window::viewsNeedDisplay() const
{
    return contentView_ && contentView_->needsDisplayBelow();
}

void Window::disableFlushWindow()
{
    ++flushDisabled_;
}

void Window::enableFlushWindow()
{
    if (flushDisabled_ > 0)
        --flushDisabled_;
}

void Window::flushWindow()
{
    if (flushDisabled_ > 0) {
        needsFlush_ = true;
        return;
    }
    needsFlush_ = false;
    ++flushCount_;
    placeViewsOnScreen();
    flushedWidth_ = backing_->width();
    flushedHeight_ = backing_->height();
    flushed_.resize(static_cast<size_t>(flushedWidth_) * static_cast<size_t>(flushedHeight_));
    for (int y = 0; y < flushedHeight_; ++y)
        std::memcpy(flushed_.data() + static_cast<size_t>(y) * static_cast<size_t>(flushedWidth_),
                    backing_->scanLine(y), static_cast<size_t>(flushedWidth_) * sizeof(std::uint32_t));
    if (screen_)
        screen_->showImage(flushed_.data(), flushedWidth_, flushedHeight_);
}

void Window::flushWindowIfNeeded()
{
    if (needsFlush_ && flushDisabled_ == 0)
        flushWindow();
}

std::uint32_t Window::flushedPixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= flushedWidth_ || y >= flushedHeight_)
        return 0;
    std::uint32_t p = flushed_[static_cast<size_t>(flushedHeight_ - 1 - y) * static_cast<size_t>(flushedWidth_) +
                               static_cast<size_t>(x)];
    unsigned a = p >> 24;
    if (a == 0)
        return 0;
    if (a == 255)
        return p;
    auto un = [a](unsigned c) { return std::min(255u, (c * 255u + a / 2) / a); };
    return (a << 24) | (un((p >> 16) & 0xFF) << 16) | (un((p >> 8) & 0xFF) << 8) | un(p & 0xFF);
}

DrawContext& Window::focusContext() const
{
    if (pictureContext_)
        return *pictureContext_;
    return *backing_;
}

std::uint32_t Window::backingPixel(int x, int y) const
{
    return backing_->pixel(x, backing_->height() - 1 - y);
}

std::unique_ptr<Image> Window::imageOfBackingInRect(const Rect& rect) const
{
    const Rect r = intersectionRect(integralRect(rect), makeRect(0, 0, static_cast<float>(backing_->width()),
                                                                 static_cast<float>(backing_->height())));
    if (isEmptyRect(r))
        return nullptr;
    const int w = static_cast<int>(width(r)), h = static_cast<int>(height(r));
    const int left = static_cast<int>(minX(r));
    const int top = backing_->height() - static_cast<int>(maxY(r));
    auto rep = std::make_unique<BitmapImageRep>(w, h, BitmapImageRep::ColorModel::RGB, true);
    unsigned char* samples = rep->bitmapData();
    const std::size_t rowBytes = rep->bytesPerRow();
    for (int row = 0; row < h; ++row)
        for (int x = 0; x < w; ++x) {
            const std::uint32_t argb = backing_->pixel(left + x, top + row);
            unsigned char* p = samples + static_cast<std::size_t>(row) * rowBytes + static_cast<std::size_t>(x) * 4;
            p[0] = static_cast<unsigned char>(argb >> 16);
            p[1] = static_cast<unsigned char>(argb >> 8);
            p[2] = static_cast<unsigned char>(argb);
            p[3] = static_cast<unsigned char>(argb >> 24);
        }
    auto image = std::make_unique<Image>(makeSize(static_cast<float>(w), static_cast<float>(h)));
    image->addRepresentation(std::move(rep));
    image->prepareCache();
    return image;
}

void Window::cacheImageInRect(const Rect& rect)
{
    Rect r = intersectionRect(integralRect(rect), makeRect(0, 0, static_cast<float>(backing_->width()),
                                                           static_cast<float>(backing_->height())));
    cache_ = std::make_unique<Cache>();
    cache_->rect = r;
    cache_->width = static_cast<int>(width(r));
    cache_->height = static_cast<int>(height(r));
    cache_->pixels.resize(static_cast<size_t>(cache_->width) * static_cast<size_t>(cache_->height));
    int top = backing_->height() - static_cast<int>(maxY(r));
    for (int row = 0; row < cache_->height; ++row)
        std::memcpy(cache_->pixels.data() + static_cast<size_t>(row) * static_cast<size_t>(cache_->width),
                    backing_->scanLine(top + row) + static_cast<int>(minX(r)),
                    static_cast<size_t>(cache_->width) * sizeof(std::uint32_t));
}

void Window::restoreCachedImage()
{
    if (!cache_ || cache_->width == 0 || cache_->height == 0)
        return;
    // The backing image may have been replaced since (a resize): restore
    // only what still fits.
    int top = backing_->height() - static_cast<int>(maxY(cache_->rect));
    int left = static_cast<int>(minX(cache_->rect));
    for (int row = 0; row < cache_->height; ++row) {
        int y = top + row;
        if (y < 0 || y >= backing_->height())
            continue;
        int w = std::min(cache_->width, backing_->width() - left);
        if (w <= 0)
            break;
        // The window owns its backing image; the context only lends its rows read-only.
        auto* line = const_cast<std::uint32_t*>(backing_->scanLine(y));
        std::memcpy(line + left, cache_->pixels.data() + static_cast<size_t>(row) * static_cast<size_t>(cache_->width),
                    static_cast<size_t>(w) * sizeof(std::uint32_t));
    }
}

void Window::restoreCachedImageInRect(const Rect& rect)
{
    if (!cache_ || cache_->width == 0 || cache_->height == 0)
        return;
    const Rect r = intersectionRect(integralRect(rect), cache_->rect);
    if (isEmptyRect(r))
        return;
    const int cacheTop = backing_->height() - static_cast<int>(maxY(cache_->rect));
    const int cacheLeft = static_cast<int>(minX(cache_->rect));
    const int top = backing_->height() - static_cast<int>(maxY(r));
    const int left = static_cast<int>(minX(r));
    const int w = std::min(static_cast<int>(width(r)), backing_->width() - left);
    if (w <= 0 || left < 0)
        return;
    for (int row = 0; row < static_cast<int>(height(r)); ++row) {
        const int y = top + row;
        if (y < 0 || y >= backing_->height())
            continue;
        const std::size_t from = static_cast<std::size_t>(y - cacheTop) * static_cast<std::size_t>(cache_->width) +
                                 static_cast<std::size_t>(left - cacheLeft);
        auto* line = const_cast<std::uint32_t*>(backing_->scanLine(y));
        std::memcpy(line + left, cache_->pixels.data() + from, static_cast<std::size_t>(w) * sizeof(std::uint32_t));
    }
}

void Window::discardCachedImage()
{
    cache_.reset();
}

} // namespace kit
