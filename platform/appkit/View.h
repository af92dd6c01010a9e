#pragma once

#include "appkit/Responder.h"
#include "graphics/Matrix.h"

#include <memory>
#include <string>
#include <vector>

namespace kit {

class Cursor;
class DrawContext;
class ScrollView;
class Window;

// How a view follows its superview's size (bits of autoresizingMask): the
// sizable bits share a change among the margins and the size that carry them.
inline constexpr unsigned ViewNotSizable = 0x00;
inline constexpr unsigned ViewMinXMargin = 0x01;
inline constexpr unsigned ViewWidthSizable = 0x02;
inline constexpr unsigned ViewMaxXMargin = 0x04;
inline constexpr unsigned ViewMinYMargin = 0x08;
inline constexpr unsigned ViewHeightSizable = 0x10;
inline constexpr unsigned ViewMaxYMargin = 0x20;

// A rectangle of a window that draws itself and takes events. Views form a
// tree: a view owns its subviews. The frame is in the superview's
// coordinates, the bounds in the view's own; a flipped view's y grows
// downwards from the top of its bounds.
class View : public Responder {
public:
    explicit View(const Rect& frameRect = {});
    ~View() override;

    std::string className() const override { return "NSView"; }

    // ---- Geometry.
    Rect frame() const { return frame_; }
    Rect bounds() const { return bounds_; }
    void setFrame(const Rect& frame);
    void setFrameOrigin(Point origin);
    void setFrameSize(Size size);
    void setBounds(const Rect& bounds);
    void setBoundsOrigin(Point origin);
    void setBoundsSize(Size size);
    // Moves the bounds origin so that the given point becomes the origin.
    void translateOriginToPoint(Point point);
    // ---- Autoresizing: when a view's size changes and it resizes its
    // subviews, each subview follows by its mask.
    unsigned autoresizingMask() const { return autoresizingMask_; }
    void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }
    bool autoresizesSubviews() const { return autoresizesSubviews_; }
    void setAutoresizesSubviews(bool flag) { autoresizesSubviews_ = flag; }
    virtual void resizeSubviewsWithOldSize(Size oldSize);
    virtual void resizeWithOldSuperviewSize(Size oldSize);
    virtual bool isFlipped() const { return false; }
    virtual bool isOpaque() const { return false; }

    // ---- The tree.
    View* superview() const { return superview_; }
    const std::vector<std::unique_ptr<View>>& subviews() const { return subviews_; }
    Window* window() const;
    // Takes ownership and answers the view; a view that is already in a
    // tree, or this view's own ancestor, is refused (nullptr).
    View* addSubview(std::unique_ptr<View> view);
    // Hands the view back to the caller.
    std::unique_ptr<View> removeFromSuperview();
    bool isDescendantOf(const View* view) const;
    // This view, or the first subview (depth first) with that tag.
    View* viewWithTag(int tag);
    virtual int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    ScrollView* enclosingScrollView() const;
    // The deepest view under the point (in the superview's coordinates).
    virtual View* hitTest(Point point);

    // ---- Conversions. A null view means the window's base coordinates.
    Point convertPointFromView(Point point, const View* view) const;
    Point convertPointToView(Point point, const View* view) const;
    Size convertSizeFromView(Size size, const View* view) const;
    Size convertSizeToView(Size size, const View* view) const;
    Rect convertRectFromView(const Rect& rect, const View* view) const;
    Rect convertRectToView(const Rect& rect, const View* view) const;
    // From the view's coordinates to the window's base coordinates.
    Matrix matrixToBase() const;
    // The platform's mouse test, flipped as this view is.
    bool mouseInRect(Point point, const Rect& rect) const;

    // The part of the bounds not clipped by the superviews (empty when not
    // in a window).
    Rect visibleRect() const;

    // ---- Drawing.
    // Makes the window's backing image the current DrawContext, drawing in
    // this view's coordinates and clipped to its visible rectangle. Calls
    // nest; each lockFocus needs its unlockFocus. A view without a window
    // draws into nothing.
    void lockFocus();
    void unlockFocus();
    // Every view draws with the state its window's backing context keeps
    // for it while focused: there is no state of its own to keep.
    void allocateGState() {}
    bool canDraw() const;
    static View* focusView();
    // The number of focused views, and unwinding to a depth (after an
    // exception left a loop with the focus held).
    static size_t focusStackDepth();
    static void unlockFocusDownTo(size_t depth);

    // Draws the part of the view inside the rectangle. The drawing is
    // clipped to the rectangle grown to whole pixels of the window, and the
    // rectangle given is that grown one: a view that paints all of it
    // leaves nothing of the old picture there, and nothing is drawn twice
    // over the pixels around it.
    virtual void drawRect(const Rect& rect) { (void)rect; }
    void display();
    void displayRect(const Rect& rect);
    void displayIfNeeded();
    void setNeedsDisplay(bool flag);
    void setNeedsDisplayInRect(const Rect& rect);
    bool needsDisplay() const { return needsDisplay_; }
    // Whether this view or one below it needs display.
    bool needsDisplayBelow() const;
    // Draws the view and its subviews inside the rectangle into another
    // context, exactly as they draw into the window's backing image (the
    // context's default matrix standing for the window's base coordinates),
    // leaving alone what needs display: a fresh picture of the view.
    void cacheDisplayInRect(const Rect& rect, DrawContext& context);

    // ---- Scrolling.
    // Scrolls the enclosing clip views so that the rectangle shows;
    // answers whether anything scrolled.
    bool scrollRectToVisible(const Rect& rect);
    void scrollPoint(Point point);
    // Scrolls the enclosing clip view toward the event's location when it
    // lies outside; answers whether it scrolled.
    virtual bool autoscroll(const Event& event);
    // The clip view offers every proposed visible rectangle to its document
    // view first.
    virtual Rect adjustScroll(const Rect& proposedVisibleRect) { return proposedVisibleRect; }

    // ---- Events.
    virtual bool acceptsFirstMouse(const Event& event) { (void)event; return false; }
    int addTrackingRect(const Rect& rect, Responder* owner, void* userData, bool assumeInside);
    void removeTrackingRect(int tag);
    // A key pressed with Command (or a panel's Return): the view or one
    // below it that has it as its key equivalent acts and answers true.
    virtual bool performKeyEquivalent(const Event& event);

    // ---- Cursor rectangles (in the view's coordinates). The window asks
    // each view for them (resetCursorRects) whenever they were invalidated,
    // and shows a rectangle's cursor while the mouse is inside it.
    virtual void resetCursorRects() {}
    void addCursorRect(const Rect& rect, Cursor* cursor);
    void removeCursorRect(const Rect& rect, Cursor* cursor);
    void discardCursorRects();

    // ---- The keyboard loop (Tab and Shift-Tab), not owned.
    View* nextKeyView() const { return nextKeyView_.get(); }
    void setNextKeyView(View* view);
    View* previousKeyView() const { return previousKeyView_.get(); }
    // The next view from here on that accepts the keyboard, nil when none.
    View* nextValidKeyView() const;
    View* previousValidKeyView() const;

    // The view's Qt widget, when it has one, goes where the view now lies in
    // its window (the window calls this before it shows what it drew).
    virtual void placeOnScreen() {}

    // ---- Printing. A print operation (PrintOperation) calls these in
    // this order; views that print override them and call these for the
    // standard behaviour.
    // Whether the view knows its pages; first and last are page numbers.
    // Standard: no (the operation prints the bounds as page 1).
    virtual bool knowsPagesFirst(int& first, int& last);
    // The part of the view that makes the page; an empty rectangle ends the
    // printing. Standard: the bounds.
    virtual Rect rectForPage(int page);
    // Standard: the document's header comments and prologue start.
    virtual void beginPrologueBBox(const Rect& boundingBox, const std::string& creationDate,
                                   const std::string& createdBy, const std::string& fonts,
                                   const std::string& forWhom, int pages, const std::string& title);
    // Standard: the prologue ends.
    virtual void endPrologue();
    // After the standard page set-up; PostScript sent here goes into the
    // page's set-up section. Standard: nothing.
    virtual void addToPageSetup();
    // Standard: the page ends (showpage).
    virtual void endPage();
    // Whether the view scales its pages by the print settings' factor
    // itself (in its page set-up); standard: no, the operation does.
    virtual bool scalesPrintedPages() const { return false; }

    // Internal: keeps the window pointer of the tree current.
    void setWindowForTree(Window* window);

protected:
    // The view's size or origin changed (subclasses re-tile).
    virtual void frameDidChange() {}
    virtual void boundsDidChange() {}
    // A subview was added or removed.
    virtual void didAddSubview(View* view) { (void)view; }
    virtual void willRemoveSubview(View* view) { (void)view; }
    // The view's window changed (nil: it left every window).
    virtual void viewDidMoveToWindow() {}
    // Before a drawing of the tree this view is in begins: the last moment
    // to change the tree (its subviews) for it.
    virtual void viewWillDraw() {}

private:
    Matrix matrixToSuperview() const;
    // The frame changed from oldFrame: both places need display.
    void exposeMove(const Rect& oldFrame);
    // lockFocus, with the clip also limited to a rectangle of base
    // coordinates (nullptr: none).
    void lockFocusClipped(const Rect* baseClip);
    // With backdrop, a view drawn whose superview is not drawn in the same
    // pass has what lies behind it drawn first (drawBackdrop; never in a
    // picture of the view).
    void displayTree(const Rect& rect, bool onlyIfNeeded, bool backdrop);
    // Draws what lies behind the view in the rectangle (base coordinates,
    // whole pixels).
    void drawBackdrop(const Rect& pixels);
    // viewWillDraw to this view and every one below it.
    void prepareTreeForDrawing();
    void clearNeedsDisplayBelow();

    Rect frame_;
    Rect bounds_;
    View* superview_ = nullptr;
    Window* window_ = nullptr;
    std::vector<std::unique_ptr<View>> subviews_;
    int tag_ = 0;
    unsigned autoresizingMask_ = ViewNotSizable;
    bool autoresizesSubviews_ = false;
    WeakRef<View> nextKeyView_;
    WeakRef<View> previousKeyView_;
    bool needsDisplay_ = false;
    Rect invalidRect_;
};

} // namespace kit
