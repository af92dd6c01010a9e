#pragma once

#include "appkit/Event.h"
#include "appkit/Responder.h"
#include "appkit/Clock.h"
#include "appkit/WindowResizeDelegate.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kit {

class Cursor;
class DrawContext;
class Image;
class RasterContext;
class View;

namespace detail {
class WindowScreen;
}

// Style bits of a window.
inline constexpr unsigned BorderlessWindowMask = 0;
inline constexpr unsigned TitledWindowMask = 1;
inline constexpr unsigned ClosableWindowMask = 2;
inline constexpr unsigned MiniaturizableWindowMask = 4;
inline constexpr unsigned ResizableWindowMask = 8;

// A buffered window. Views draw into its backing image at any time, through
// the raster DrawContext; the screen shows the image as it was at the last
// flush. Base coordinates: origin at the bottom left of the content area,
// y up, one unit a point and a pixel.
class Window : public Responder {
public:
    explicit Window(const Rect& contentRect, unsigned styleMask = TitledWindowMask | ClosableWindowMask |
                                                                  ResizableWindowMask);
    ~Window() override;

    std::string className() const override { return "NSWindow"; }

    // The frame of a window of that style around a content rectangle (the
    // title bar adds to the height) and the reverse.
    static Rect frameRectForContentRect(const Rect& contentRect, unsigned styleMask);
    static Rect contentRectForFrameRect(const Rect& frameRect, unsigned styleMask);
    // The main screen's frame in screen coordinates (origin at its bottom
    // left).
    static Rect mainScreenFrame();
    // Every screen's frame in the same coordinates (the main screen's first).
    static std::vector<Rect> screenFrames();
    // A frame worth restoring: finite, with an area, and meeting some
    // screen (a stored frame may come from a screen that is gone).
    static bool frameMeetsAScreen(const Rect& frame);

    int windowNumber() const { return windowNumber_; }
    unsigned styleMask() const { return styleMask_; }
    // Screen coordinates, y up.
    Rect frame() const { return frameRectForContentRect(contentRect_, styleMask_); }
    Rect contentRect() const { return contentRect_; }
    void setFrameOrigin(Point origin);
    // A new size gives a new, blank backing image; the delegate hears of
    // it ("windowDidResize:").
    void setContentSize(Size size);
    // A resize the user asks for: the frame size the delegate allows
    // (WindowResizeDelegate), then the content size of that frame.
    void resizeByUser(Size proposedFrameSize);
    // Tells the delegate ("windowWillMiniaturize:") and turns the window
    // into its icon.
    void miniaturize(Object* sender = nullptr);
    // The picture the desktop shows for the miniaturised window (its window
    // icon). The window keeps a copy of its own, so the image given may go;
    // nil takes the picture away (the program's icon shows again).
    void setMiniwindowImage(const Image* image);
    Image* miniwindowImage() const { return miniwindowImage_.get(); }
    // The frame (title bar included), then a redisplay when asked. A frame
    // that is not finite or has no area is refused.
    void setFrame(const Rect& frame, bool display);

    // ---- Frames kept in the user defaults ("NSWindow Frame <name>").
    // Takes the frame stored under the name; false when none is stored (or
    // it is unusable: not finite, no area, off every screen), and the frame
    // stays.
    bool setFrameUsingName(const std::string& name);
    // Stores the frame under the name now and after every later move or resize.
    bool setFrameAutosaveName(const std::string& name);
    const std::string& frameAutosaveName() const { return frameAutosaveName_; }
    void saveFrameUsingName(const std::string& name) const;

    // The edited mark: the title the desktop shows says it.
    bool isDocumentEdited() const { return documentEdited_; }
    void setDocumentEdited(bool flag);

    const std::string& title() const { return title_; }
    void setTitle(const std::string& title);
    // The title the desktop shows: the title, with " — edited" while the
    // document is edited.
    std::string screenTitle() const;

    // Whether the application's Windows menu lists the window (panels are
    // left out).
    bool isExcludedFromWindowsMenu() const { return excludedFromWindowsMenu_; }
    void setExcludedFromWindowsMenu(bool flag) { excludedFromWindowsMenu_ = flag; }

    // The window owns its content view.
    View* contentView() const { return contentView_.get(); }
    std::unique_ptr<View> setContentView(std::unique_ptr<View> view);

    // A window that never takes the keyboard (a palette, the tabs panel):
    // neither a click, the program nor the desktop makes it key, and none
    // of its views becomes first responder.
    virtual bool canBecomeKeyWindow() const { return true; }
    // Panels may become key only when a click needs the keyboard.
    virtual bool becomesKeyOnlyIfNeeded() const { return false; }
    // A window that becomes key becomes the main window too when it can:
    // a titled window that is not a panel (the window of a document).
    virtual bool canBecomeMainWindow() const { return (styleMask_ & TitledWindowMask) != 0; }

    // Brings the window in front of the program's others. A window coming
    // onto the screen is kept inside it: moved in, and a resizable one
    // taller or wider than the screen made to fit.
    void orderFront(Object* sender = nullptr);
    void orderOut(Object* sender = nullptr);
    void makeKeyAndOrderFront(Object* sender = nullptr);
    // The window takes the keyboard, on the desktop too.
    void makeKeyWindow();
    // Refused by a window that cannot become main.
    void makeMainWindow();
    bool isVisible() const { return visible_; }
    bool isKeyWindow() const;
    bool isMainWindow() const;
    // Takes the window off the screen and out of the application: its
    // queued and future events go nowhere. The object stays usable.
    void close();
    // Asks the delegate ("windowShouldClose:") and closes unless it answers NO.
    void performClose(Object* sender = nullptr);
    bool isClosed() const { return closed_; }

    Responder* firstResponder() const;
    virtual bool makeFirstResponder(Responder* responder);
    // The keyboard loop: the first responder's next (or previous) view that
    // takes the keyboard becomes first responder; text in it is selected.
    void selectNextKeyView(Object* sender = nullptr);
    void selectPreviousKeyView(Object* sender = nullptr);
    void selectKeyViewFollowingView(View* view);
    void selectKeyViewPrecedingView(View* view);
    View* initialFirstResponder() const;
    void setInitialFirstResponder(View* view);
    Receiver* delegate() const { return delegate_.get(); }
    void setDelegate(Receiver* delegate) { delegate_ = WeakRef<Receiver>(delegate); }

    // ---- Events.
    void sendEvent(const Event& event);
    // A key no responder took ends here: a view's key equivalent (a
    // default button's Return) acts, else the window beeps.
    void keyDown(const Event& event) override;
    bool performKeyEquivalent(const Event& event);
    // The application's queue in the event-tracking mode, waiting without
    // limit, dequeuing.
    std::optional<Event> nextEventMatchingMask(unsigned mask);
    std::optional<Event> nextEventMatchingMask(unsigned mask, Date untilDate, const std::string& inMode,
                                               bool dequeue);
    void discardEventsMatchingMask(unsigned mask, const Event* beforeEvent);
    void setAcceptsMouseMovedEvents(bool flag) { acceptsMouseMoved_ = flag; }
    bool acceptsMouseMovedEvents() const { return acceptsMouseMoved_; }
    // Where the mouse was last seen, in base coordinates.
    Point mouseLocationOutsideOfEventStream() const { return mouseLocation_; }

    // Tracking rectangles, in base coordinates: the owner gets entered and
    // exited events as the mouse crosses them. Answers the tag.
    int addTrackingRect(const Rect& rect, Responder* owner, void* userData, bool assumeInside);
    void removeTrackingRect(int tag);
    size_t trackingRectCount() const { return tracking_.size(); }

    // ---- Cursor rectangles (base coordinates). Views add theirs from
    // resetCursorRects; invalidating a view asks it again before the next
    // event is handled. While the window is key, the cursor of the last
    // rectangle added that holds the mouse is shown, the arrow outside them.
    void addCursorRect(const Rect& rect, Cursor* cursor, View* view);
    void removeCursorRect(const Rect& rect, Cursor* cursor, View* view);
    void discardCursorRectsForView(View* view);
    void invalidateCursorRectsForView(View* view);
    // Asks every view again at once.
    void resetCursorRects();
    void discardCursorRects();
    void enableCursorRects();
    void disableCursorRects();
    bool areCursorRectsEnabled() const { return cursorRectsEnabled_; }
    size_t cursorRectCount() const { return cursorRects_.size(); }
    // Asks the invalidated views, then shows the cursor for the mouse at
    // that base location (the last known one when none is given).
    void validateCursorRects();
    void updateCursorForLocation(Point location);

    // ---- Drawing.
    // The backing image, as a drawing context; pixels can be read back.
    RasterContext& graphicsContext() const { return *backing_; }
    // Where the window's views draw when they lock focus: the backing
    // image, or the context a view is being drawn into for a picture
    // (View::cacheDisplayInRect).
    DrawContext& focusContext() const;
    void display();
    void displayIfNeeded();
    void setViewsNeedDisplay(bool flag);
    bool viewsNeedDisplay() const;

    // Flushing copies the backing image to the screen. While flushing is
    // disabled (the calls nest) a flush is only remembered; the last enable
    // leaves it pending until the next flushWindow or flushWindowIfNeeded.
    void disableFlushWindow();
    void enableFlushWindow();
    bool isFlushWindowDisabled() const { return flushDisabled_ > 0; }
    void flushWindow();
    void flushWindowIfNeeded();
    bool needsFlush() const { return needsFlush_; }
    int flushCount() const { return flushCount_; }
    // What the screen shows at (x, y) in base coordinates (unpremultiplied
    // 0xAARRGGBB); 0 outside.
    std::uint32_t flushedPixel(int x, int y) const;
    // The backing image's pixel at base coordinates (x, y), y up.
    std::uint32_t backingPixel(int x, int y) const;

    // A picture holding a copy of the backing image's pixels in the
    // rectangle (base coordinates, widened to whole pixels; only the part
    // on the image), one pixel a point; nil when that part is empty.
    std::unique_ptr<Image> imageOfBackingInRect(const Rect& rect) const;

    // A copy of part of the backing image, put back later: quick feedback
    // is drawn over it and erased by restoring.
    void cacheImageInRect(const Rect& rect);
    void restoreCachedImage();
    // Only the part of the cached image inside the rectangle (base coordinates).
    void restoreCachedImageInRect(const Rect& rect);
    void discardCachedImage();

    // The frame kept inside the main screen's frame (see orderFront).
    static Rect constrainFrameRect(const Rect& frame, unsigned styleMask, const Rect& screen);

    // The screen side (nil while the window is not on the screen).
    detail::WindowScreen* screen() const { return screen_.get(); }
    // Internal, from the screen side: the desktop moved the window (the
    // user, a window manager placing it) so that its frame now starts there.
    void screenDidMoveWindow(Point frameOrigin);
    // Puts the Qt widgets of the window's controls where their views lie.
    void placeViewsOnScreen();
    // Internal: a view (and those below it) leaves the window.
    void viewWillLeaveWindow(View* view);

protected:
    // After the frame moved or changed size, by the program or the desktop.
    virtual void frameDidChange() {}
    // Before the window leaves the screen and the application for good.
    virtual void windowWillClose() {}
    // The screen side, made when the window is first ordered front.
    virtual std::unique_ptr<detail::WindowScreen> makeScreen();
    // Lets the screen side go (it is made again when the window is next
    // ordered front), its controls' widgets first taken off it.
    void dropScreen();

private:
    struct CursorRect {
        Rect rect;
        WeakRef<Cursor> cursor;
        WeakRef<View> view;
    };
    struct TrackingRect {
        int tag;
        Rect rect;
        WeakRef<Responder> owner;
        void* userData;
        bool inside;
    };
    friend class Application;
    friend class View;
    // The miniwindow image's pixels become the screen side's icon.
    void showMiniwindowImage();
    // Entered and exited events for a mouse now at this base location (or
    // off the window); they are queued by the caller.
    std::vector<Event> trackingEventsForLocation(std::optional<Point> location, const Event& cause);

    int windowNumber_;
    unsigned styleMask_;
    Rect contentRect_;
    std::string title_;
    std::unique_ptr<View> contentView_;
    std::unique_ptr<RasterContext> backing_;
    DrawContext* pictureContext_ = nullptr; // while a view draws a picture of itself
    bool visible_ = false;
    bool closed_ = false;
    bool acceptsMouseMoved_ = false;
    int flushDisabled_ = 0;
    bool needsFlush_ = false;
    int flushCount_ = 0;
    Point mouseLocation_;
    WeakRef<Responder> firstResponder_;
    WeakRef<Receiver> delegate_;
    WeakRef<View> mouseDownView_;
    std::vector<TrackingRect> tracking_;
    int nextTrackingTag_ = 1;
    std::vector<CursorRect> cursorRects_;
    std::vector<WeakRef<View>> cursorRectsToReset_;
    bool cursorRectsEnabled_ = true;
    bool cursorRectsNeverSet_ = true;
    bool documentEdited_ = false;
    bool excludedFromWindowsMenu_ = false;
    std::string frameAutosaveName_;
    WeakRef<View> initialFirstResponder_;
    struct Cache;
    std::unique_ptr<Cache> cache_;
    std::vector<std::uint32_t> flushed_;
    int flushedWidth_ = 0;
    int flushedHeight_ = 0;
    std::unique_ptr<Image> miniwindowImage_;
    std::unique_ptr<detail::WindowScreen> screen_;
};

} // namespace kit
