#pragma once

// The page canvas of a document window: a flipped view whose coordinates are
// the document's canvas. It draws the document's pages, hit-tests items,
// scrolls to pages and carets, and keeps the text cursor of the column being
// edited. The document tells it what changed; it redisplays what is visible.

#include "appkit/DraggingDestination.h"
#include "appkit/MenuValidation.h"
#include "appkit/View.h"
#include "appkit/WindowResizeDelegate.h"
#include "document/CanvasView.h"
#include "core/Color.h"
#include "core/Geometry.h"
#include "core/WeakLink.h"
#include "document/DocumentWindowView.h"
#include "text/DocumentView.h"
#include "text/TextPoint.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kit {
class Pasteboard;
class DrawContext;
class RasterContext;
class Event;
class Font;
class MenuItem;
class Object;
class PasteboardOwner;
}
class Undo;
class GraphicLink;
class Guide;
class InfoBarInset;
class PageScrollView;
struct Paint;
class Item;
class LayoutDocument;
class Page;
class StyleParagraph;
class TextFlow;
class TextItem;
struct textPoint;

// A styles panel as its Apply command reaches the canvas: the style it
// offers now (a graphic or a paragraph style; nil for none).
class StyleSource {
public:
    virtual ~StyleSource() = default;
    virtual kit::Object* currentStyle() const = 0;
};

class PageView : public kit::View, public DocumentView, public DocumentWindowView, public CanvasView, public kit::MenuValidation,
                 public kit::WindowResizeDelegate, public kit::DraggingDestination, public kit::WeakTarget {
public:
    explicit PageView(const kit::Rect& frameRect = {});
    ~PageView() override;

    // Class set-up: registers the builder of "Page.nib", the document
    // window (a window, its scroll view and a page view; the owner's outlet
    // "lastLoadedScrollView" receives the scroll view).
    static void initialize();

    std::string className() const override { return "PageView"; }
    bool isFlipped() const override { return true; }
    // The canvas is painted wherever the view draws.
    bool isOpaque() const override { return true; }
    bool acceptsFirstResponder() const override { return true; }

    // 1.0 = 100 %.
    float zoom() const override { return zoom_; }
    // Stores the factor as it is; one outside the zoom range is ignored.
    void setZoom(float zoom) override;
    LayoutDocument* document() const override { return document_; }
    void setDocument(LayoutDocument* document) override { document_ = document; }

    // Starts a drawing pass into the context: the context forgets the
    // drawing state items cached in it, and the zoom becomes CMZoomStatus.
    void lockFocus(kit::DrawContext& context);
    // The same for the view's own window, focused as a plain view.
    void lockFocus() override;
    void unlockFocus() override { kit::View::unlockFocus(); }
    kit::Point locationInView(const kit::Event& event) const override;

    // The active page is shown highlighted; the drawing reads this.
    void highlight(Page* page, bool flag) override;
    Page* highlightedPage() const override { return highlighted_.get(); }
    kit::Window* window() const override { return kit::View::window(); }
    // The title of the view's window.
    const std::string& windowTitle() const { return windowTitle_; }
    // Sets the window's title too.
    void setWindowTitle(std::string title) override;
    // The view becomes its window's delegate: closing the window asks the
    // document to let the view go.
    void registerWindow() override;
    bool windowShouldClose(kit::Object* window);
    // ---- The window's delegate (PageViewWindow.cpp). Key: the tracking
    // rectangle is renewed and the view becomes the main page view; the
    // caret shows or goes at once, as it blinks only in the key window.
    void windowDidBecomeKey(kit::Object* notification);
    void windowDidResignKey(kit::Object* notification);
    void windowDidBecomeMain(kit::Object* notification);
    // The main page view is cleared.
    void windowWillMiniaturize(kit::Object* notification);
    // At least 256 points wide and 140 high.
    kit::Size windowWillResize(kit::Object* sender, kit::Size proposedFrameSize) override;
    // The document lays its pages out for the new size and tells its views.
    void windowDidResize(kit::Object* notification);
    static constexpr float MinWindowWidth = 256.0f;
    static constexpr float MinWindowHeight = 140.0f;

    // ---- Editing of text columns.
    bool isEditing() const override { return editing_; }
    // Opens editing of the column in this view (no event: the caret stays).
    void beginEditingItem(TextItem* column) override;
    // A column begins editing here: a column of the same flow edited
    // elsewhere hands its editing over, any other editing ends first; the
    // column becomes the document's active text and its selection.
    void notifyItemIsEditing(TextItem* column) override;
    // Closes the column being edited, if any.
    void endEditingIfNeeded() override;
    void endEditing() { endEditingIfNeeded(); }

    // ---- The text cursor. Moving it to a point of a column shows that
    // column's page first (a collapsed run opens); forceErase takes the old
    // cursor off the screen even when it did not move.
    void moveCursorToTextPoint(const textPoint* point, TextItem* column, bool forceErase) override;
    void eraseTextCursor() override;
    // In view coordinates; empty while no cursor is shown.
    kit::Rect textCursorRect() const override { return cursorShown_ ? cursorRect_ : kit::Rect{}; }
    bool isTextCursorShown() const { return cursorShown_; }
    // The caret blinks every 0.6 s: the view as sender toggles it, another
    // sender shows it, nil takes it away (PageViewCursor.cpp).
    void drawCursor(kit::Object* sender);
    // Whether the blink shows the caret now.
    bool isCursorDrawn() const { return cursorShown_ && cursorCycle_; }
    static constexpr double BlinkInterval = 0.6;
    // The caret of the point in the column, in the column's coordinates; the
    // column that holds the point is answered through the last argument.
    static kit::Rect caretRectInColumn(const textPoint* point, TextItem* column, TextItem** holder);

    // ---- Pages and hit tests (view coordinates). The pages visible now,
    // the earliest first, the page being edited last (drawn on top), from
    // the view's page cache.
    std::vector<Page*> visiblePages() const;
    // The page cache: the displayed pages that meet the visible area, the
    // latest first and the page being edited at the front. Rebuilt for
    // every scroll the clip view proposes (returned unchanged), on the
    // document's notices, and whenever the visible area, the zoom, the
    // edited page or the page list is no longer what it was built for.
    kit::Rect adjustScroll(const kit::Rect& proposedVisibleRect) override;
    void emptyPageCache();
    std::vector<Page*> pageCache() const;
    Page* hitPageAt(kit::Point point) const override;
    Item* hitItemAt(kit::Point point) override;
    // Only items of exactly that class.
    Item* hitItemAt(kit::Point point, std::string_view memberOf) override;
    Page* mostVisiblePage() const override;

    // ---- Scrolling. The rectangle, of the visible size, to scroll to for
    // showing the page.
    kit::Rect scrollRectForPage(const Page* page) const override;
    void showPage(Page* page);
    // The displayed entry of the page of that number (the nearest one when
    // there is none of that number) becomes active and shown.
    void showPageNumber(int number) override;
    kit::Rect visibleRect() const override { return kit::View::visibleRect(); }
    bool scrollRectToVisible(const kit::Rect& rect) override { return kit::View::scrollRectToVisible(rect); }

    // The document window's scroll view (nil in a plain scroll view).
    PageScrollView* pageScrollView() const;
    bool rulersAreVisible() const override;
    bool infoBarIsVisible() const override;

    // ---- The info bar: the view tagged 12 two levels up (nil without one).
    InfoBarInset* infoBar() const;
    InfoBarDisplay* infoBarDisplay() const override;
    void setSizeTo(float width, float height) override;
    void setMoveTo(float x, float y);
    // ---- Live feedback of a drag: the info bar, the rulers (views tagged
    // 13 and 14 two levels up) and the placement inspector while visible.
    // Empty when none is there.
    std::vector<LiveFrameDisplay*> liveFrameDisplays() const override;
    // The placement inspector, registered by the panels (nil while none).
    using PlacementInspectorHook = std::function<LiveFrameDisplay*()>;
    static PlacementInspectorHook& placementInspectorHook();

    // ---- Quick feedback over a saved image: the window's image of what
    // the view shows is saved (the page names the coordinates later
    // rectangles are given in; nil: the canvas), and parts of it put back
    // over what was drawn since. The image belongs to the view's window.
    void snapshot(Page* page) override;
    // The rectangle in the coordinates of the page given to snapshot (or
    // to switchSnapshotToPage since).
    void restoreWithSnapshot(const kit::Rect& rect) override;
    // Later rectangles are given in this page's coordinates (nil: the
    // canvas's); the saved image stays.
    void switchSnapshotToPage(Page* page);
    // The picture a drag of the selection shows: the items of
    // selectionToDrag drawn at the zoom, without knobs, two-thirds opaque
    // unless the preference "FastDrag" is on. The bounds it covers, in view
    // coordinates, are answered through the last argument. Nil when nothing
    // is dragged or the picture would pass MaxDragPicturePixels: the drag
    // then shows an outline of the bounds.
    std::unique_ptr<kit::RasterContext> drawSelection(unsigned modifierFlags, kit::Rect* bounds);
    static constexpr double MaxDragPicturePixels = 4.0 * 1024.0 * 1024.0;
    // The rectangle made integral and aligned to device pixels.
    kit::Rect centerScanRect(const kit::Rect& rect) const override;

    // ---- Item commands of the menus (the sender may be nil). Each acts on
    // the unlocked selection of the active page and pushes its undo record.
    void group(kit::Object* sender);
    void ungroup(kit::Object* sender);
    // What a drag of the selection shows: the unlocked selected items, or,
    // with Control held and one group among them, the member of the group
    // that the last click hit, alone.
    std::vector<Item*> selectionToDrag(unsigned modifierFlags) const;
    // A guide pulled out of a ruler at the mouse-down (orientation 1
    // horizontal, 2 vertical), dragged until the button goes up.
    void addGuide(const kit::Event& event, char orientation);
    // A drag from the rulers' corner box places the units origin at the
    // page point released on, snapped to the page's corners (and to the
    // ruler marks when the document snaps to rulers or Shift is held); one
    // undo record. Released off the pages or on the same origin: nothing.
    void addOrigin(const kit::Event& mouseDown);
    void doOriginDrag(const kit::Event& mouseDown, kit::Point start);

    // ---- Redisplay on the document's notifications. An empty rectangle or
    // nil items stands for the whole visible area.
    void invalidateRect(const kit::Rect& rect);
    // The items' areas, as they stand now, join the next redisplay.
    void invalidateItems(const std::vector<Item*>& items) override;
    void notifyUpdateForRect(const kit::Rect& rect) override;
    void notifyUpdateForItems(const std::vector<kit::Object*>* items) override;
    // Each page the view shows, the last first while any are left, lets the
    // linked pictures of the list that it shows compare their files.
    void notifyPlacedFiles(std::vector<GraphicLink*>& links, const kit::Rect& update) override;
    // The view keeps no page images: everything visible repaints.
    void notifyUpdatePageCache() override;
    // The info bar shows measurements in the document's units.
    void notifyUpdateUnits() override;
    // The view takes the canvas size; with redraw, everything visible
    // repaints.
    void notifyDocumentDidChangeSize(kit::Size size, bool redraw) override;
    void notifyUpdatePageStatus() override;

    // ---- Commands of the document.
    // Copies of the selected items, made through their stored form, join
    // their pages above the originals and become the selection, with an
    // undo record; a column of a chain arrives as a pasted one does.
    void clone() override;
    // The unlocked selection moves by the offset; the move is undoable.
    void doNudge(float dx, float dy) override;
    // Redraws a range of text: the columns from the first to the last (nil:
    // to the end of the chain), paragraphs from..to, within the rectangle
    // (the visible area when empty or not used). The area the columns show
    // of it is repainted whole, with the paper and every item there, on
    // the next display. False when the redraw stopped early (the caller
    // redraws later); the repaint never does.
    bool drawSelf(const kit::Rect& rect, bool useRect, TextItem* fromItem, TextItem* toItem, int fromParagraph,
                  int toParagraph) override;
    kit::Rect textSelectionArea(TextFlow* flow) const override;
    void redisplayTextSelection(const kit::Rect& area) override;
    // The canvas, then each visible page's paper and items, clipped to the
    // rectangle.
    void drawRect(const kit::Rect& rect) override;

    // The style a pasted paragraph takes here: its values, based on (and
    // followed by) this sheet's styles standing for the named styles it
    // refers to, installed when missing ("+n" and an alert when a
    // different one has the name). Nil for no style.
    std::unique_ptr<StyleParagraph> checkPastedParaStyleFor(const StyleParagraph* style,
                                                            const LayoutDocument* fromDocument) const override;
    // A copied paragraph style (ruler: its tabs and indents only) applied
    // to the column's selected paragraphs, or to the caret paragraph.
    // False when the data holds no paragraph style.
    bool pasteParagraphFromTypedStream(const std::string& data, bool ruler, TextItem* column) override;
    // A visible paragraph styles panel shows the selection again.
    void reinspectParagraphStyles() const;

    // A drawing pass of this view into the context over the rectangle.
    Paint paint(kit::DrawContext& context, const kit::Rect& rect) const;


    // ---- Zoom (PageViewZoom.cpp). Factors outside 0.1 .. 16 (and NaN)
    // are ignored: they come from callers and files, and the clip view
    // divides by them. Each answers whether the zoom changed.
    static constexpr float MinZoom = 0.1f;
    static constexpr float MaxZoom = 16.0f;
    static bool isValidZoom(float factor);
    bool zoomTo(float factor);                              // about the visible centre
    bool zoomTo(float factor, kit::Point at);               // the point stays put on the screen
    bool zoomTo(float factor, const kit::Rect& inRect);     // then the rectangle shows
    bool _doZoom(float factor);
    void _updateScrollRect(const kit::Rect& rect);

    // ---- Events (PageViewEvents.cpp). The document decides what they do.
    void mouseDown(const kit::Event& event) override;
    void keyDown(const kit::Event& event) override;
    void mouseEntered(const kit::Event& event) override;
    void flagsChanged(const kit::Event& event) override;
    void resetCursorRects() override;
    void setTrackingRect();
    void discardTrackingRect();
    int trackingRectTag() const { return trectNum_; }
    // Editing from the first column of a page (1 is the first; 0 counts
    // as 1); a number outside the document does nothing.
    void beginEditingPageNumber(int number);
    bool isShowingObjectLinks() const { return showingObjectLinks_; }
    void toggleShowObjectLinks(kit::Object* sender);
    Item* hitFillAt(kit::Point point);
    // The visible page meeting the rectangle most (ties: the first met).
    Page* hitPageIn(const kit::Rect& rect) const;
    Guide* hitGuideAt(kit::Point point, Page** page) override;

    // ---- CanvasView: the loops of the selection tool (PageViewMouse.cpp).
    DocumentView* documentView() override { return this; }
    kit::Point pointOfEvent(const kit::Event& event) const override;
    Item* hitKnobAt(kit::Point point, int* knob) override;
    void doItemHit(const kit::Event& mouseDown, Item* item) override;
    // A drag of the unlocked selection from the mouse-down point; the first
    // event of the drag is in hand.
    void doDrag(const kit::Event& dragEvent, kit::Point mouseDownPoint);
    void doMarqueeDrag(const kit::Event& mouseDown) override;
    void selectItemsInRect(const kit::Rect& rect);
    void doKnobHit(const kit::Event& mouseDown, Item* item, int knob) override;
    void doGuideDrag(const kit::Event& mouseDown, Guide* guide, Page* page) override;
    void handleArrowKey(const kit::Event& keyDown) override;
    void doRotateNudge(float angle);
    // Copies of the items through their stored form; nil when they cannot
    // be made (nothing changes then).
    std::vector<std::shared_ptr<Item>> makeCopy(const std::vector<Item*>& items);
    // The item goes into the list after the last entry below it in the
    // active page's stacking order.
    void insertItemIntoSortedList(Item* item, std::vector<Item*>& list) const;
    void getSelectedBounds(const std::vector<Item*>& items, kit::Rect* rect) const;
    // The outline that follows the pointer while items are dragged, as last
    // drawn, in view coordinates (empty when none is shown).
    kit::Rect dragFeedbackRect() const { return dragFeedback_; }

    // ---- Item commands (PageViewItemCommands.cpp).
    void delete_(kit::Object* sender) override;
    void selectAll(kit::Object* sender);
    void selectNextItem(int step) override;
    void undo(kit::Object* sender);
    // While editing: the edited text has a Replace All that Undo takes back
    // (before Undelete).
    bool replacementToUndo() const;
    void redo(kit::Object* sender);
    void lock(kit::Object* sender);
    void unlock(kit::Object* sender);
    void unlockAll(kit::Object* sender);
    void bringToFront(kit::Object* sender);
    void sendToBack(kit::Object* sender);
    void popForward(kit::Object* sender);
    void pushBackward(kit::Object* sender);
    void makeNatural(kit::Object* sender);
    void flipHorizontal(kit::Object* sender);
    void flipVertical(kit::Object* sender);
    // 1 horizontally, 2 vertically, anything else both.
    void centerOnPage(int mode);
    void offsetDropShadow(float dx, float dy);
    void toggleDropShadow(kit::Object* sender);
    void changeColor(int tag);
    void removeColor(kit::Object* sender);
    void removeLine(kit::Object* sender);
    // The colours of the colour menu by tag: 1 black, 2 light grey, 3 dark
    // grey, 4 cyan, 5 magenta, 6 yellow, any other white.
    static kit::ColorRef getColorValue(int tag);
    void redisplayKnobs();
    // The one selected column is cut from the columns after it, which keep
    // the rest of the text as a flow of their own. Without a column after
    // it, or with more than one column selected, an alert says why.
    void unlinkColumn(kit::Object* sender);
    // The style of the sending styles panel (a StyleSource) applied to the
    // selection; a local style sent by the delegate's own styles panel of
    // its kind replaces the items' named styles.
    void applyStyle(kit::Object* sender);
    // Handed to the document (processTextMarkup: then the view redraws);
    // viewPage: opens another window at the active page.
    void runMoveBy(kit::Object* sender);
    void runPaper(kit::Object* sender);
    void generateResourceList(kit::Object* sender);
    void processTextMarkup(kit::Object* sender);
    void viewPage(kit::Object* sender);

    // ---- Menu validation and toggles (PageViewValidation.cpp).
    bool validateMenuItem(kit::MenuItem* item) override;
    // Retitles two-state items from the string table; YES only when the
    // title of a font-attribute item changed.
    bool updateCommand(kit::MenuItem* item);
    // Whether the pasteboard holds a type this program pastes; checked
    // again only when its change count moved.
    static bool generalPasteboardHasPasteType();
    static bool killPasteboardHasPasteType();
    static int pasteChecks() { return pasteChecks_; }

    // ---- Text commands (PageViewTextCommands.cpp), forwarded to the
    // column being edited with this view. Nothing while none is edited.
    using TextCommand = void (TextItem::*)(kit::Object* sender, DocumentView* view);
    void _passThroughTextMethod(TextCommand command, kit::Object* sender);
    // The scratch menu item of the alignment, case and size commands.
    kit::MenuItem* fakeMenu() const { return fakeMenu_.get(); }
    void increasePointSize(kit::Object* sender);
    void decreasePointSize(kit::Object* sender);
    // The font at the caret while editing; nil otherwise.
    kit::Font* font() const;
    // The edited text's font to the font pasteboard, and from it to the
    // edited text.
    void copyFont(kit::Object* sender);
    void pasteFont(kit::Object* sender);
    // To the find panel; a beep while it does not exist.
    void findNext(kit::Object* sender);
    void findPrevious(kit::Object* sender);

    // ---- Services (PageViewServices.cpp). The view serves a request it
    // can write the send type for (and take the return type back).
    PageView* validRequestorForSendType(const std::string& sendType, const std::string& returnType);
    // Writes the selection in each type it can, declaring only those it
    // wrote; false when it wrote none.
    bool writeSelectionToPasteboard(kit::Pasteboard& pboard, const std::vector<std::string>& types);
    // Each answers whether it wrote. PostScript is the EPS of the items'
    // bounds on their page, TIFF that EPS rendered; text comes from the
    // first item's flow's selection.
    bool writePSToStream(std::string& stream, const std::vector<Item*>& items);
    bool writeTIFFToStream(std::string& stream, const std::vector<Item*>& items);
    bool writeASCIIToStream(std::string& stream, const std::vector<Item*>& items);
    bool writeRTFToStream(std::string& stream, const std::vector<Item*>& items);
    bool writeRTFDToStream(std::string& stream, const std::vector<Item*>& items);

    // ---- Copying and pasting items (PageViewPasteboard.cpp). The four
    // private streams; identities are a document's pasteboard identity
    // (process and serial), never an address.
    static constexpr int PasteOwnerPageView = 1;
    static constexpr int PasteOwnerGraphicStylesPanel = 2;
    void copy(kit::Object* sender);
    void copyToPasteboard(kit::Pasteboard& pboard);
    // Nil types: the item type, PostScript and TIFF (the pictures promised).
    void copyToPasteboard(kit::Pasteboard& pboard, const std::vector<std::string>* types);
    bool copySelectionToStream(std::string& stream);
    void cut(kit::Object* sender);
    void cutToPasteboard(kit::Pasteboard& pboard);
    // The sender's tag is the attribute code (28..36; 60, 61, 64, 71, 72;
    // 41 or 48).
    void copyDimensions(kit::Object* sender);
    void copyGraphics(kit::Object* sender);
    void copyParagraphStyle(kit::Object* sender);
    void copyRuler(kit::Object* sender);
    bool copyDimensionsToStream(std::string& stream, int attribute);
    bool copyGraphicsToStream(std::string& stream, int attribute);
    // The paragraph stream of a style (index: its place in the source
    // document's paragraph list, 0 for none).
    static std::string copyParagraphStyleToStream(const StyleParagraph* style, int attribute,
                                                  const LayoutDocument* document, int owner, int index);
    void paste(kit::Object* sender);
    void pasteAndLink(kit::Object* sender);
    void pasteParagraphStyle(kit::Object* sender);
    void pasteRuler(kit::Object* sender);
    void paste(kit::Pasteboard& pboard, bool link);
    // point: in the view; the zero point means the visible centre.
    void paste(kit::Pasteboard& pboard, bool link, kit::Point point);
    // New items not on any page, or empty (attribute pastes act on the
    // selection themselves).
    std::vector<std::shared_ptr<Item>> pasteFromPasteboard(kit::Pasteboard& pboard, bool link, kit::Point point);
    // A copied column of a chain arrives empty and on its own, unless it
    // held the whole text of its flow (copies come through the stored
    // form, which keeps the flow with the column).
    static void leaveChainBehind(TextItem& column);
    // False when the stream is damaged (an alert told the user; nothing changed).
    bool pasteDimensionsFromTypedStream(const std::string& data);
    bool pasteGraphicsFromTypedStream(const std::string& data);
    // Graphic styles of pasted items (a group's members too) onto this
    // document's sheet; false when the user cancels.
    bool checkGraphicStylesInItems(const std::vector<std::shared_ptr<Item>>& items, bool fromThisDocument);
    Page* pastedPage() const { return pastedPage_.get(); }
    bool previousPaste() const { return previousPaste_; }
    // The selection of another (read) document written for a pasteboard
    // type; the class side of the promised pictures.
    static void convert(const std::string& itemData, const std::string& type, kit::Pasteboard& pboard);
    static kit::PasteboardOwner& pasteboardOwner();

    // ---- Placing and importing files (PageViewPlace.cpp).
    void place(kit::Object* sender);
    // point: in page coordinates (zero: the page's centre). True when
    // anything was placed.
    bool _importFiles(const std::vector<std::string>& paths, bool makeSymLinks, Page* page, Item* item,
                      bool fromDragSession, kit::Point atPagePoint);

    // ---- Drop target (PageViewDrop.cpp). Operations: 0 none, 1 copy,
    // 2 link, 4 generic.
    int draggingEntered(kit::DraggingInfo& info) override;
    int draggingUpdated(kit::DraggingInfo& info) override;
    void draggingExited(kit::DraggingInfo& info) override;
    bool prepareForDragOperation(kit::DraggingInfo& info) override;
    bool performDragOperation(kit::DraggingInfo& info) override;
    void concludeDragOperation(kit::DraggingInfo& info) override;
    int calcDragInfo(kit::DraggingInfo& info, kit::Rect* rect);
    // point: in window coordinates.
    void acceptColor(const kit::ColorRef& color, kit::Point point);
    kit::Rect dropRect() const { return dropRect_; }

    // ---- Navigation (PageViewNavigation.cpp).
    // The displayed page at the index (clamped) becomes active and shows.
    void showPageAtDisplayedIndex(int index);
    void showLastPage();
    // A page number outside the document beeps.
    void gotoPage(int number);
    // -1 the previous, 1 the next page after the most visible one.
    void gotoNextPage(int tag);
    // Asks for a page number in the go-to dialog and shows that page;
    // beeps while there is no dialog.
    void runGotoPage(kit::Object* sender);

    // ---- Printing (PageViewPrinting.cpp). The Print command: the whole
    // document, or the print list when the sender is a panel.
    void printDocument(kit::Object* sender);
    PageView* commonPrintPanelStuff(kit::Object* sender);
    // True to go on printing: the scaled first page fits the paper, or the
    // user chose to print anyway.
    bool checkPageSizes();
    // Set to 0 by "OK Forever": the paper check asks no more in this run.
    static short askAboutPageSize;
    void initializePrintList(int size);
    void addPageToPrintList(int pageNumber);
    void freePrintListIfPossible();
    const std::vector<int>& printList() const { return printList_; }
    int printListCount() const { return static_cast<int>(printList_.size()); }
    void setSuppressPrintPanel(bool flag) { suppressPrintPanel_ = flag; }
    bool suppressPrintPanel() const { return suppressPrintPanel_; }
    bool lastPrintSuccessful() const { return lastPrintResult_ == 0; }
    // Why the last print failed; empty after a success or a cancel.
    const std::string& lastPrintError() const { return lastPrintError_; }
    bool isSeparating() const { return separating_; }
    bool isPreviewing() const { return previewing_; }
    const std::string& colorPlate() const { return colorPlate_; }
    short plateCode() const { return plateCode_; }
    // The resource's PostScript into the current context; nil (with a line
    // that makes the interpreter report it) when it is missing.
    PageView* sendPrintFile(const std::string& name);
    void sendPrePrintProlog();
    // Crop marks around a page of that size, outside it, in the context.
    static void drawCropMarks(kit::DrawContext& context, float width, float height);
    bool knowsPagesFirst(int& first, int& last) override;
    kit::Rect rectForPage(int page) override;
    void beginPrologueBBox(const kit::Rect& boundingBox, const std::string& creationDate,
                           const std::string& createdBy, const std::string& fonts, const std::string& forWhom,
                           int pages, const std::string& title) override;
    void endPrologue() override;
    void addToPageSetup() override;
    void endPage() override;
    bool scalesPrintedPages() const override { return true; }
    // The displayed pages that meet the rectangle, in order (what a print
    // of the rectangle shows).
    std::vector<Page*> pagesMeeting(const kit::Rect& rect) const;

private:
    // Puts what toStream writes of the selection on the pasteboard as type.
    void copyAttribute(kit::Object* sender, const std::string& type, bool (PageView::*toStream)(std::string&, int));
    // The page of the column being edited, drawn last (nil when none).
    Page* editedPage() const;
    // Redisplays either page and where its items reach past its paper.
    void redisplayOverhangs(const Page* was, const Page* now);
    // The menu commands by action name.
    void registerCanvasActions();
    void registerTextActions();
    void restartBlink();
    // The caret's area joins the next display.
    void refreshCaretArea(const kit::Rect& caret);
    // After drawing, the caret is where the edited text drawn shows it.
    void placeCursorInDrawnColumns(Page* page, const kit::Rect& rect);
    // Paints the caret over what rect shows when the blink has it on
    // (PageViewCursor.cpp).
    void drawTextCursor(kit::DrawContext& context, const kit::Rect& rect) const;
    // The area a column shows on a page, in view coordinates.
    kit::Rect columnAreaOnPage(TextItem* column, const Page* page) const;
    void redisplayVisible(const kit::Rect& rect);
    kit::Rect visibleOrBounds() const;

    // The origin of the page the saved image's rectangles are given in
    // (the canvas's: 0, 0).
    kit::Point snapshotOrigin_{};
    // The page cache and what it was built for.
    struct PageCacheKey {
        kit::Rect visible{};
        float zoom = 0;
        const Page* edited = nullptr;
        const void* pages = nullptr;
        std::size_t count = 0;
        const Page* first = nullptr;
        const Page* last = nullptr;
        friend bool operator==(const PageCacheKey&, const PageCacheKey&) = default;
    };
    PageCacheKey pageCacheKeyFor(const kit::Rect& visible) const;
    void buildPageCache(const kit::Rect& visible) const;
    const std::vector<kit::WeakLink<Page>>& validPageCache() const;
    mutable std::vector<kit::WeakLink<Page>> pageCache_;
    mutable PageCacheKey pageCacheKey_{};
    mutable bool pageCacheBuilt_ = false;
    // Reads nil once the page is gone (text that shrinks drops pages; runs
    // of collapsed pages are made again).
    kit::WeakLink<Page> highlighted_;
    std::string windowTitle_;
    float zoom_ = 1.0f;
    LayoutDocument* document_ = nullptr; // not owned
    bool editing_ = false;
    kit::Rect invalidRect_{};
    kit::Rect cursorRect_{};
    bool cursorShown_ = false;
    bool cursorCycle_ = false; // the blink shows the caret
    // Set while drawing places the caret: a caret that stays where it was
    // needs no other drawing than the one under way.
    bool placingCaretWhileDrawing_ = false;
    kit::Rect cursorClip_{};   // the caret's column, in view coordinates
    // The caret in its column's coordinates, the column's origin in view
    // coordinates and its matrix (identity unless turned or scaled).
    kit::Rect cursorLocal_{};
    kit::Point cursorOrigin_{};
    std::array<float, 4> cursorMatrix_{1, 0, 0, 1};
    kit::Point caretPointInView(float x, float y) const;
    // Objects of cloned items' stored form that nothing else took.
    std::vector<std::unique_ptr<kit::Object>> cloneKeep_;

    // Events and loops.
    int trectNum_ = 0;
    bool showingObjectLinks_ = false;
    kit::Rect dragFeedback_{};
    std::unique_ptr<kit::MenuItem> fakeMenu_;
    static int pasteChecks_;

    // Copying and pasting; the drop target's highlighted frame.
    kit::WeakLink<Page> pastedPage_;
    bool previousPaste_ = false;
    kit::Rect dropRect_{};
    void toggleDropHighlight(const kit::Rect& rect);
    // The frame of dropRect_ over what rect shows (PageViewDrop.cpp).
    void drawDropHighlight(kit::DrawContext& context, const kit::Rect& rect) const;

    // Printing.
    std::vector<int> printList_; // page numbers in print order
    int printListIdx_ = 0;
    int lastPrintResult_ = 0; // 0: the last print succeeded
    std::string lastPrintError_;
    std::string colorPlate_;
    short plateCode_ = 0;
    bool separating_ = false;
    bool previewing_ = false;
    bool suppressPrintPanel_ = false;
};

// The first of the types, in their order, that is one of the wanted; empty
// for none.
std::string MatchTypes(const std::vector<std::string>& types, const std::vector<std::string>& wanted);

// Colours as they travel on the colour pasteboard type; nil for data that
// holds no colour.
std::string PageViewColorData(const kit::ColorRef& color);
kit::ColorRef PageViewColorFromData(const std::string& data);
