#pragma once

// What the model asks of a view that shows a document's pages: its zoom and
// document, the text cursor, scrolling, editing of text columns, hit tests,
// pasting paragraph styles, and the notices by which the document tells it
// what changed. The page view implements it; the model never draws through
// it (drawing takes a Paint), and a notice only marks what the view repaints
// on its next display.

#include "core/Geometry.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kit {
class Event;
class Font;
class Object;
class Window;
}
class GraphicLink;
class Item;
class LayoutDocument;
class Page;
class StyleParagraph;
class TextFlow;
class TextItem;
struct textPoint;

// What shows the live frame of an item being resized or moved: the info
// bar, the two rulers (tags 13 and 14, marking the extent) and the
// placement inspector. Each shows what concerns it; the rest does nothing.
class LiveFrameDisplay {
public:
    virtual ~LiveFrameDisplay() = default;
    // Shown only while visible (the placement inspector may be off screen).
    virtual bool isVisible() const { return true; }
    virtual void setMoveTo(float x, float y) { (void)x, (void)y; }
    // A move of the shown position by the offset (a drag reports each
    // step's change).
    virtual void setMoveBy(float dx, float dy) { (void)dx, (void)dy; }
    virtual void setSizeTo(float width, float height) { (void)width, (void)height; }
    virtual void setScale(float sx, float sy) { (void)sx, (void)sy; }
    // The extent in canvas coordinates; an empty rectangle clears the marks.
    virtual void setRect(const kit::Rect& rect) { (void)rect; }
};

// The info bar of a view's window: the live frame, and the font at the
// caret or of the selection (several fonts: the "MultipleFonts" text).
class InfoBarDisplay : public LiveFrameDisplay {
public:
    virtual void setFont(kit::Font* font, bool isMultiple) = 0;
    // Shows the selection of the view's document afresh.
    virtual void inspect() {}
};

class DocumentView {
public:
    virtual ~DocumentView() = default;

    // 1.0 = 100 %.
    virtual float zoom() const = 0;
    virtual LayoutDocument* document() const = 0;
    virtual void setDocument(LayoutDocument* document) = 0;
    // The view's window (nil while it has none) and its title.
    virtual kit::Window* window() const = 0;
    virtual void setWindowTitle(std::string title) = 0;

    // ---- The active page, shown highlighted.
    virtual void highlight(Page* page, bool flag) = 0;
    virtual Page* highlightedPage() const = 0;

    // ---- Editing of text columns.
    // Opens editing of the column in this view (the caret stays).
    virtual void beginEditingItem(TextItem* column) = 0;
    // A column begins editing here: editing elsewhere hands over or ends.
    virtual void notifyItemIsEditing(TextItem* column) = 0;
    // Closes the column being edited, if any.
    virtual void endEditingIfNeeded() = 0;

    // ---- The text cursor, in view coordinates.
    virtual void moveCursorToTextPoint(const textPoint* point, TextItem* column, bool forceErase) = 0;
    virtual void eraseTextCursor() = 0;
    // Empty while no cursor is shown.
    virtual kit::Rect textCursorRect() const = 0;

    // ---- Scrolling, the info bar and hit tests (view coordinates).
    virtual kit::Rect visibleRect() const = 0;
    virtual bool scrollRectToVisible(const kit::Rect& rect) = 0;
    // The rectangle, of the visible size, to scroll to for showing the page.
    virtual kit::Rect scrollRectForPage(const Page* page) const = 0;
    // Shows a width and height in the info bar, when there is one.
    virtual void setSizeTo(float width, float height) = 0;
    // The info bar of the view's window; nil while it has none.
    virtual InfoBarDisplay* infoBarDisplay() const { return nullptr; }
    virtual Item* hitItemAt(kit::Point point) = 0;

    // ---- The document's notices: each marks what the view repaints on its
    // next display. An empty rectangle or nil items stand for everything
    // the view shows.
    virtual void notifyUpdateForRect(const kit::Rect& rect) = 0;
    virtual void notifyUpdateForItems(const std::vector<kit::Object*>* items) = 0;
    // The items' areas, as they stand now, join the next repaint.
    virtual void invalidateItems(const std::vector<Item*>& items) = 0;
    // The text of the columns from..to (nil: to the end of the chain),
    // paragraphs from..to, within the rectangle. False when the view gave
    // up before the end (the caller redraws later).
    virtual bool drawSelf(const kit::Rect& rect, bool useRect, TextItem* fromItem, TextItem* toItem,
                          int fromParagraph, int toParagraph) = 0;
    // Where the highlight of the flow's selection shows in the view (view
    // coordinates; empty for none).
    virtual kit::Rect textSelectionArea(TextFlow* flow) const = 0;
    // Repaints the area at once, as the mouse changes a selection: what a
    // highlight covered and covers is drawn afresh, never inverted in place
    // over text that may have moved since.
    virtual void redisplayTextSelection(const kit::Rect& area) = 0;
    // Each page the view shows, the last first while any are left, lets the
    // linked pictures of the list that it shows compare their files.
    virtual void notifyPlacedFiles(std::vector<GraphicLink*>& links, const kit::Rect& update) = 0;
    // Whatever the view keeps of drawn pages is stale: all it shows repaints.
    virtual void notifyUpdatePageCache() = 0;
    // The document's measurement unit or ruler origin changed.
    virtual void notifyUpdateUnits() = 0;
    // The canvas has a new size: the view takes it, and with redraw
    // repaints all it shows.
    virtual void notifyDocumentDidChangeSize(kit::Size size, bool redraw) = 0;
    // The active page or the page count changed: the window's page field
    // shows them anew.
    virtual void notifyUpdatePageStatus() {}

    // ---- Commands the document runs in the view.
    // Whether a text column is being edited in this view.
    virtual bool isEditing() const = 0;
    // Copies of the selected items land on the active page over their
    // originals and become the selection.
    virtual void clone() = 0;
    // Moves the unlocked selected items by the offset (points), with undo.
    virtual void doNudge(float dx, float dy) = 0;

    // ---- The mouse loops of items and guides (resizing, creating by
    // dragging, linking columns, moving guides), which draw quick feedback
    // in the view's window until the button goes up.
    // Focus on the view for drawing: its zoom becomes CMZoomStatus and the
    // items forget the drawing state cached in the context.
    virtual void lockFocus() = 0;
    virtual void unlockFocus() = 0;
    // Where a mouse event of the view's window happened, in view coordinates.
    virtual kit::Point locationInView(const kit::Event& event) const = 0;
    // The page or item (of exactly that class; empty: any) under a point.
    virtual Page* hitPageAt(kit::Point point) const = 0;
    virtual Item* hitItemAt(kit::Point point, std::string_view memberOf) = 0;
    // The window's image of what the view shows is saved (the page names
    // the coordinates later rectangles are given in; nil: the view's) and
    // parts of it put back over what was drawn since.
    virtual void snapshot(Page* page) = 0;
    virtual void restoreWithSnapshot(const kit::Rect& rect) = 0;
    // The rectangle made integral and aligned to device pixels.
    virtual kit::Rect centerScanRect(const kit::Rect& rect) const = 0;
    // What shows the frame live while it is dragged; empty for none.
    virtual std::vector<LiveFrameDisplay*> liveFrameDisplays() const = 0;

    // ---- Pasting paragraph styles.
    // The style a paragraph pasted from another document takes here.
    virtual std::unique_ptr<StyleParagraph> checkPastedParaStyleFor(const StyleParagraph* style,
                                                                    const LayoutDocument* fromDocument) const = 0;
    // A copied paragraph style (ruler: its tabs and indents only) applied
    // to the column's selection or caret paragraph; false for no style.
    virtual bool pasteParagraphFromTypedStream(const std::string& data, bool ruler, TextItem* column) = 0;
};
