#pragma once

// The page canvas of a document window: a flipped view whose coordinates are
// the document's canvas. It draws the document's pages, hit-tests items,
// scrolls to pages and carets, and keeps the text cursor of the column being
// edited. The document tells it what changed; it redisplays what is visible.

#include "appkit/View.h"
#include "core/Geometry.h"
#include "core/WeakLink.h"
#include "document/DocumentWindowView.h"
#include "text/DocumentView.h"
#include "text/TextPoint.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kit {
class DrawContext;
class Object;
}
class GraphicLink;
class InfoBarInset;
struct Paint;
class Item;
class LayoutDocument;
class Page;
class StyleParagraph;
class TextFlow;
class TextItem;
struct textPoint;

class PageView : public kit::View, public DocumentView, public DocumentWindowView {
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
    void setZoom(float zoom) override { zoom_ = zoom; }
    LayoutDocument* document() const override { return document_; }
    void setDocument(LayoutDocument* document) override { document_ = document; }

    // Starts a drawing pass into the context: the context forgets the
    // drawing state items cached in it, and the zoom becomes CMZoomStatus.
    void lockFocus(kit::DrawContext& context);
    // The same for the view's own window, focused as a plain view.
    void lockFocus();
    using kit::View::unlockFocus;

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
    // The caret of the point in the column, in the column's coordinates; the
    // column that holds the point is answered through the last argument.
    static kit::Rect caretRectInColumn(const textPoint* point, TextItem* column, TextItem** holder);

    // ---- Pages and hit tests (view coordinates). The pages visible now,
    // the earliest first, the page being edited last (drawn on top).
    std::vector<Page*> visiblePages() const;
    Page* hitPageAt(kit::Point point) const;
    Item* hitItemAt(kit::Point point) override;
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

    // ---- The info bar: the view tagged 12 two levels up (nil without one).
    InfoBarInset* infoBar() const;
    void setSizeTo(float width, float height) override;
    void setMoveTo(float x, float y);

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

    // ---- Commands of the document.
    // Copies of the selected items, made through their stored form, join
    // their pages above the originals and become the selection.
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
    // Inverts the highlight of the flow's selection in every column of it
    // the view shows, within the rectangle (the visible area when empty or
    // not used), at once: drawn twice it is gone again.
    void drawTextSelection(const kit::Rect& rect, bool useRect, TextFlow* flow) override;
    // The canvas, then each visible page's paper and items, clipped to the
    // rectangle.
    void drawRect(const kit::Rect& rect) override;

    // The style a paragraph pasted from another document takes here: based
    // on this document's named style of the same name when there is one,
    // else a local style with the pasted values. Nil for no style.
    std::unique_ptr<StyleParagraph> checkPastedParaStyleFor(const StyleParagraph* style,
                                                            const LayoutDocument* fromDocument) const override;
    // The same for a given document (nil: no named styles to base on).
    static std::unique_ptr<StyleParagraph> adaptPastedStyle(const StyleParagraph* style,
                                                            const LayoutDocument* document);
    // A copied paragraph style (ruler: its tabs and indents only) applied
    // to the column's selected paragraphs, or to the caret paragraph.
    // False when the data holds no paragraph style.
    bool pasteParagraphFromTypedStream(const std::string& data, bool ruler, TextItem* column) override;

    // A drawing pass of this view into the context over the rectangle.
    Paint paint(kit::DrawContext& context, const kit::Rect& rect) const;

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
    // After drawing, the caret is where the edited text drawn shows it.
    void placeCursorInDrawnColumns(Page* page, const kit::Rect& rect);
    // The area a column shows on a page, in view coordinates.
    kit::Rect columnAreaOnPage(TextItem* column, const Page* page) const;
    void redisplayVisible(const kit::Rect& rect);
    kit::Rect visibleOrBounds() const;

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
    // Objects of cloned items' stored form that nothing else took.
    std::vector<std::unique_ptr<kit::Object>> cloneKeep_;

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
