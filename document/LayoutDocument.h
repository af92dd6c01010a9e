#pragma once

// The layout document. So far only the services the style sheet calls: style
// references in the document's text and items, and what the selection holds.

#include <cstdint>

#include "appkit/NibLoader.h"
#include "core/Geometry.h"
#include "core/WeakLink.h"
#include "document/Document.h"
#include "document/Guide.h"
#include "document/LinksInfo.h"
#include "foundation/StyleSheetDocument.h"
#include "text/TextDocument.h"

#include <climits>
#include <functional>
#include <map>
#include <string_view>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kit {
class Coder;
class Event;
class Object;
class PageLayout;
class Timer;
class PrintInfo;
class ScrollView;
}
class Item;
class GraphicLink;
class Guide;
class Page;
class PageSet;
class DocumentView;
class PageLayoutAccessory;
class TextFlow;
class TextItem;
class TextWordSpecial;
class UndoInfo;
class UnitsInfo;
class ZynDocumentContents;
class Preferences;
class StyleGraphic;
class StyleInfo;
class StyleParagraph;
class StyleParagraphNamed;

// Canvas helpers of the page layout.
kit::Rect getCollapsedPageRect(kit::Rect rect, int number, int count, int tileMode, int sidedMode, bool isFirst);
// 0 a page alone, 1 a left-hand page, 2 a right-hand page.
int pageSide(int index, int firstPageNum, int count);
// Grow the rectangle half way to the page, or to the canvas edge for none.
void adjustPageRectX(const Page* page, kit::Rect* rect, const kit::Rect& canvas, bool before);
void adjustPageRectY(const Page* page, kit::Rect* rect, const kit::Rect& canvas, bool before);
// The area a change of a graphic or paragraph style redraws: none (the
// views are redrawn whole).
void getUpdateBoundsForGraphicStyle(kit::Rect* rect);
void getUpdateBoundsForParaStyle(kit::Rect* rect);

// The stored document's version is above what this program writes: asks
// whether to open it anyway (true) or not.
bool checkVersion(float version);
// Whether the view is one of the document's.
bool validView(const LayoutDocument* document, const DocumentView* view);
// The place on a page of a view's visible rectangle: its origin in the
// coordinates of the page (the size stays).
void convertVisibleRectToVisiblePage(const Page* page, kit::Rect* rect);
// A rectangle of the same size centred across the page, its top 5 points
// above the page's.
void getScrollRectForInitialPageRect(const kit::Rect& pageRect, kit::Rect* rect);
// Where the top-left corner of the window of the n-th open document goes:
// five steps down a diagonal, then again from a step further left.
kit::Point getWindowPosition(const kit::Rect& frame, int n);

// Markers refer to the document that lists them weakly (TextDocument is the
class CanvasView;
// weak target). The guides of its pages ask it before they are dragged and
// tell it after (GuideDelegate); the page-layout document lets every drag go.
class LayoutDocument : public Document, public StyleSheetDocument, public TextDocument, public GuideDelegate, public kit::NibOwner {
public:
    // The style sheet's new styles take their defaults from the preferences
    // (not owned; the built-in values for none).
    explicit LayoutDocument(const Preferences* preferences = nullptr);
    ~LayoutDocument() override;
    // The preferences the document was made with (nil for none).
    const Preferences* preferences() const { return preferences_; }

    // Class set-up: registers the document and its helpers with the archiver
    // and measures a window's title bar (the offset of a new view's window).
    static void initialize();
    static float newViewOffset();

    std::string className() const override { return "LayoutDocument"; }
    // A new, empty document of the same class, as reading makes one.
    virtual std::unique_ptr<LayoutDocument> makeDocument() const;

    // ---- The names a stored document goes by.
    std::string documentExtension() const override { return "lvb"; }
    std::string templateExtension() const override { return "lvt"; }
    // The archive inside a folder of the older package form.
    virtual std::string docEmbeddedFilename() const { return "LayvaneDoc.lvb"; }
    virtual std::string documentPboardType() const { return "Layvane Document (lvb)"; }
    virtual std::string templatePboardType() const { return "Layvane Template (lvt)"; }

    // ---- Opening, reading and revert.
    // The path being opened while an open runs; empty otherwise.
    static const std::string& currentFileName();
    // Opens the file as a document of this one's class. The receiver only
    // stands for its class (the caller keeps it and may drop it), except in
    // a revert, where it is the live document that the one read replaces.
    // The document read joins the application delegate's list, which owns
    // it, and gets its first view (shown or not); the answer is that
    // document, or nil (with the "BadDoc" alert) when the file could not be
    // read. After a revert the receiver is gone when the list owned it.
    LayoutDocument* initFromFile(const std::string& path, bool view, bool forRevert);
    LayoutDocument* initFromFile(const std::string& path, bool view) { return initFromFile(path, view, false); }
    LayoutDocument* initWithContentsOfFile(const std::string& path) { return initFromFile(path, true, false); }
    // Which reader a file's extension goes to.
    virtual bool _canInitPrivateType(const std::string& extension) const;
    virtual bool _canInitOtherType(const std::string& extension) const;
    virtual LayoutDocument* _initFromPrivateTypeFile(const std::string& path, bool view, bool forRevert);
    virtual LayoutDocument* _initFromOtherTypeFile(const std::string& path, bool view, bool forRevert);
    // Foreign files: the import bundle's reader when it is loaded (it
    // reports its own failures), nil otherwise.
    virtual LayoutDocument* _initFromAlienTypeFile(const std::string& path, bool view, bool forRevert);
    using AlienReader =
        std::function<LayoutDocument*(LayoutDocument& receiver, const std::string& path, bool view, bool forRevert)>;
    static AlienReader& alienReaderHook();
    // The stored document in the data, read into a new document of this
    // class and completed (documentDidRead); nil when the data is damaged,
    // refused or not a document. preOS: the archive of an old package,
    // read as the package's version.
    std::unique_ptr<LayoutDocument> initFromStream(const std::string& data, bool preOS);
    std::unique_ptr<LayoutDocument> loadFromStream(const std::string& data, bool preOS);
    // After reading: lays out the master layer's text.
    virtual void documentDidRead(kit::Object* sender);
    // The "MissingFiles" alert when linked files are missing.
    void _warnForBadGraphicLinks();
    // Reads the file again into a new document that takes over this one's
    // windows and list place; asks first when there are unsaved changes.
    // True when a revert ran. This document is freed when the list owned it.
    bool revert(kit::Object* sender);
    // The file's modification date when it was last read or written
    // (seconds since 1970); none for a new document.
    const std::optional<double>& lastModifyTime() const { return lastModifyTime_; }
    void setLastModifyTime(std::optional<double> time) { lastModifyTime_ = time; }

    // Foreign contents being imported into the document (owned); nil for
    // none.
    ZynDocumentContents* activeDocumentContents() const { return activeDocumentContents_.get(); }
    void setActiveDocumentContents(std::unique_ptr<ZynDocumentContents> contents);
    std::unique_ptr<ZynDocumentContents> takeActiveDocumentContents();

    // ---- Writing and closing.
    using Document::saveFile;
    // Writes the stored form to the path: over the document's own file
    // after checking it did not change on disk since, keeping the old one
    // as path~ (a second link to it, or a copy) until the new one is
    // complete and only when backups are wanted; the file at path is never
    // removed or renamed before the new one is complete.
    bool saveFile(const std::string& path, bool withBackup) override;
    bool writeToPath(const std::string& path) override;
    void documentDidSave(const std::string& path) override;
    void doDataLinkSave(kit::Object* sender) { (void)sender; }
    // Asks about unsaved changes; nil when the document closed (it is freed
    // when the delegate's list owned it), else the document.
    Document* close(kit::Object* sender) override;
    // The last view closed and the question was answered: off the list,
    // freed when the list owned it. nil.
    LayoutDocument* closeAndFree();
    // Marks the document unedited and closes it after the current event.
    void delayedCloseAndFree();
    // Closes the windows without a question and leaves the list; the
    // document is not freed (the program is stopping).
    Document* emergencyClose(kit::Object* sender) override;

    // The document's style sheet and units, made with the document.
    StyleInfo* styleInfo() const override { return styleInfo_.get(); }
    UnitsInfo* unitsInfo() const { return unitsInfo_.get(); }
    // Every text flow: the master items' first, then each page's in page
    // order, each once.
    std::vector<TextFlow*> flows() const;

    // The style sheet's services.
    void removeStyleReference(const StyleParagraph* style) override;
    void removeGraphicStyle(const StyleGraphic* style) override;
    StyleParagraph* currentParagraphStyle() const override;
    void setCurrentParagraphBasedOnStyle(StyleParagraphNamed* style) override;
    std::unique_ptr<StyleGraphic> graphicStyleOfSelection() const override;

    // ---- Named items (not owned, forgotten when they go): names are unique
    // in the document.
    // Appended unless present.
    void addNamedItem(Item* item);
    void removeNamedItem(Item* item);
    // The first item in list order whose name is equal; nil for none.
    Item* findItemNamed(const std::optional<std::string>& name) const;

    // ---- Object links: the selections (description data) that links of
    // other documents point at in this one.
    void addDestinationLink(const std::string& selection);
    void removeDestinationLink(const std::string& selection);
    bool hasDestinationLinkForSelection(const std::string& selection) const;

    // ---- Services of the text engine's words.
    // While an import dispatches into the document (and is not suspended),
    // its words are neither measured nor hyphenated. The flags belong to
    // the import in progress into this document, not to the process: other
    // documents are read and edited meanwhile as ever.
    bool isDispatching() const override { return dispatching_; }
    bool isDispatchingSuspended() const override { return dispatchingSuspended_; }
    void setDispatching(bool flag) { dispatching_ = flag; }
    void setDispatchingSuspended(bool flag) { dispatchingSuspended_ = flag; }

    // Import of foreign data at the active column's caret: the import
    // bundle's operations, empty until it loads. Each answers whether it
    // read the data. Pasted HTML comes as it came, UTF-8 text.
    using DispatchStreamHook = std::function<bool(LayoutDocument&, const std::string& data)>;
    using DispatchMarkupHook =
        std::function<bool(LayoutDocument&, const std::string& type, const std::string& data)>;
    static DispatchStreamHook& dispatchRTFStreamHook();
    static DispatchStreamHook& dispatchHTMLStreamHook();
    static DispatchMarkupHook& dispatchMarkupHook();
    // Saving in the foreign format the document records (RTF, RTFD, plain
    // text...): the import bundle's operation, empty until it loads. The
    // status is 0 when the file was written; without the bundle it is 5 (no
    // filter for the type) and nothing is written.
    using SaveForeignFileHook = std::function<int(LayoutDocument&, const std::string& path, bool withBackup)>;
    static SaveForeignFileHook& saveForeignFileHook();
    // Importing the active document contents as a file being opened (its
    // page set-up applies): as the interchange format, or else as RTF or
    // RTFD by what the contents hold. Answers whether it read them; lostData
    // tells whether parts were left out. Empty until the bundle loads.
    using DispatchContentsHook = std::function<bool(LayoutDocument&, bool interchange, bool* lostData)>;
    static DispatchContentsHook& dispatchContentsHook();
    int saveForeignFile(const std::string& path, bool withBackup);

    bool prefersScreenMetrics() const override { return prefersScreenMetrics_; }
    void setPrefersScreenMetrics(bool flag);

    // The pages in order and the master page, owned by the document; each
    // added page is told its document. Page numbering counts the pages only
    // (PageNotFound for the master page and foreign pages).
    Page* addPage(std::unique_ptr<Page> page);
    Page* masterPage() const { return masterPage_.get(); }
    Page* setMasterPage(std::unique_ptr<Page> page);
    int numPages() const override { return static_cast<int>(pages_.size()); }
    int indexOfPage(const Page* page) const override;
    // The number of the first page; FirstPageNumNotSet until set-up.
    int firstPageNum() const override { return firstPageNum_; }
    // Kept in 16 bits, as stored: a number that does not fit is refused
    // (false) and the old one kept.
    bool setFirstPageNum(int number);
    int pageNumberFormat() const override { return pageNumberFormat_; }
    void setPageNumberFormat(int format) { pageNumberFormat_ = static_cast<short>(format); }

    // Header and footer frames, and the marker words that hold them (not
    // owned). Header and footer markers are kept in text order.
    const kit::Rect& headerFrame() const override { return headerFrame_; }
    const kit::Rect& footerFrame() const override { return footerFrame_; }
    void setHeaderFrame(const kit::Rect& rect) { headerFrame_ = rect; }
    void setFooterFrame(const kit::Rect& rect) { footerFrame_ = rect; }
    void addHeader(TextWordSpecial* word) override;
    void addFooter(TextWordSpecial* word) override;
    void removeHeader(TextWordSpecial* word) override;
    void removeFooter(TextWordSpecial* word) override;
    const std::vector<TextWordSpecial*>& headers() const { return headers_; }
    const std::vector<TextWordSpecial*>& footers() const { return footers_; }
    // Footnote markers, in the order added.
    void addFootnote(TextWordSpecial* word);
    void removeFootnote(TextWordSpecial* word) override;
    const std::vector<TextWordSpecial*>& footnotes() const { return footnotes_; }

    // ---- Views. The document's page views (not owned: their windows own
    // them), in the order added.
    const std::vector<DocumentView*>& views() const override { return views_; }
    // A new page view in a window of its own made from "Page.nib", showing
    // the page of that number: placed after the model view's window, or
    // where the document was last shown (the preferences' frame for a new
    // document), cascaded by the number of open documents. Every flow is
    // laid out again. Shown, made key and first responder, or kept off the
    // screen.
    DocumentView* newView(DocumentView* model, int number, bool forceToScreen);
    DocumentView* newView(DocumentView* model, int number) { return newView(model, number, true); }
    // Takes the view and labels the windows.
    void addView(DocumentView* view);
    // A window of the document is closing: the last view closes the
    // document after asking about unsaved changes. The view, or nil when
    // it stays (the question was cancelled, or an import is running).
    DocumentView* removeView(DocumentView* view);
    // Takes the view off the list without asking anything.
    void detachView(DocumentView* view);
    // The application's main view when it is one of these, else the last.
    DocumentView* mainView() const override;
    // One view's window shows the file name alone; several are numbered 1, 2…
    void updateWindowTitles();
    void setFilename(const std::string& name) override;
    void invalidateCursorRectsForViews();
    // The scroll view of the page window loaded last ("Page.nib" fills it).
    kit::ScrollView* lastLoadedScrollView() const { return lastLoadedScrollView_; }
    bool setOutlet(const std::string& name, kit::Object* object) override;
    // The zoom and window frame the document was last shown with: read from
    // its file, or 1.0 and the preferences' frame for a new document;
    // written back while the document has no view.
    float storedZoom() const { return storedZoom_; }
    const kit::Rect& storedWindowFrame() const { return storedWindowFrame_; }
    void setStoredZoom(float zoom) { storedZoom_ = zoom; }
    void setStoredWindowFrame(const kit::Rect& frame) { storedWindowFrame_ = frame; }
    // Unless announcements are held back, the given view first and then
    // every other view refresh the items (nil: everything)...
    void notifyUpdate(DocumentView* view, const std::vector<kit::Object*>* items) override;
    // ...redisplay the rectangle (empty: all they show)...
    void notifyUpdate(DocumentView* view, const kit::Rect& rect) override;
    // ...or redraw the text of the columns from..to (nil: the chain's end),
    // paragraphs from..to, within the rectangle (empty: all they show).
    void notifyUpdate(DocumentView* view, const kit::Rect& rect, TextItem* fromItem, TextItem* toItem,
                      int fromParagraph, int toParagraph) override;
    // Every view, the given one first, marks the items' areas for redisplay
    // at its next refresh; what they showed is taken away then.
    void invalidate(DocumentView* view, const std::vector<Item*>& items);
    // Whether the last text redraw ran to its end (typing did not cut it short).
    bool lastTextDrawFinished() const override { return lastTextDrawFinished_; }
    // The following are held back while announcements are, and need a view
    // list; the view given, when there is one, is told first, then the
    // others from the last to the first.
    // Every view drops what it keeps of drawn pages (not held back).
    void notifyUpdatePageCache(DocumentView* view);
    // The units changed: the tabs panel, the paragraph and placement
    // inspectors and every view show measurements anew.
    void notifyUpdateUnits(DocumentView* view);
    // Page numbers changed: the pages panel and every view show them anew.
    void notifyUpdatePageNumber(DocumentView* view);
    // Once, shortly, for the main view: a burst of changes redraws the page
    // numbers once.
    void notifyUpdatePageNumberLater();
    // A paragraph style changed: its panels, and every view.
    void notifyUpdateForParaStyle(DocumentView* view, const StyleParagraph* style);
    // A graphic style changed: master and page items that use it take its
    // values again (always), then its panels and every view.
    void notifyUpdateForGraphicStyle(DocumentView* view, const StyleGraphic* style);
    // The font panel follows the caret of the column being edited.
    void notifyUpdateFontPanel();
    // The visible inspectors and panels show the selection.
    void notifyInspectors();
    // Lays out the column's text with announcements and page layout held
    // back; a page count that changed lays the pages out once afterwards.
    void recomputeFromTextItem(TextItem* item);

    // ---- Creation and set-up.
    // Completes a new, opened or reverted document, making only what is
    // missing; pages, settings and items already there are kept.
    virtual void setup();
    // An opened template or foreign document becomes a new untitled one:
    // not a template, not foreign, the next untitled name.
    virtual void transformToNewUntitled();
    static constexpr int FirstPageNumNotSet = -1000;
    // Marks the document edited only once it has its list of views, and
    // every window of it with it.
    void setEdited(bool flag) override;
    void _forceSetEdited(bool flag);
    // Drops pages, masters, markers, runs and named items (set-up makes
    // them again); the settings and the numbering table stay.
    void emptyDocument() override;
    // A listing of the style sheet, object links, master items and pages on
    // standard output.
    void audit(int indent) const override;

    // ---- The stored form: the root of the document's archive.
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;
    // The serial-number table of files from 2.21 up to 3.0.
    void readObjectLinks(kit::Coder& coder);
    bool _readScrivlyDocumentStream(const std::string& data) { (void)data; return false; }
    // What the root read, before the document takes it.
    struct ReadRoot {
        kit::Object* units = nullptr;
        kit::Object* styles = nullptr;
        kit::Object* printInfo = nullptr;
        std::vector<Item*> masters;
        std::vector<Guide*> guides;
        std::vector<Page*> pages;
        std::vector<TextWordSpecial*> headers;
        std::vector<TextWordSpecial*> footers;
        std::vector<TextWordSpecial*> footnotes;
        std::vector<Item*> named;
        std::vector<std::pair<int, Item*>> serials;
        kit::Object* activeFlow = nullptr;
    };
    // The title of a window of the document: its file name and format, and
    // for one of several views the view's number (plus 1 when addOne).
    std::string labelViewInWindowTitle(int number, bool addOne) const;
    bool hasViewList() const { return hasViewList_; }

    // Outline numbering (TextDocument::NumberingLevel records).
    const std::vector<NumberingLevel>& paragraphNumbering() const { return paragraphNumbering_; }
    int paragraphNumberingCount() const override { return paragraphNumberingCount_; }
    // The record of a level (levels count from 1); nil outside 1 to the count.
    const NumberingLevel* paragraphNumberingLevel(int level) const override
    {
        return level >= 1 && level <= paragraphNumberingCount_ && std::size_t(level) < paragraphNumbering_.size()
                   ? &paragraphNumbering_[std::size_t(level)]
                   : nullptr;
    }
    // Takes the table (count + 1 records) and marks the document edited.
    void setParagraphNumbering(std::vector<NumberingLevel> table, int count);

    // The print settings: paper as the printer sees it, orientation 0
    // portrait or 1 landscape.
    struct PrintInfo {
        kit::Size paperSize{};
        int orientation = 0;
        float scalingFactor = 0.0f;
    };
    const PrintInfo& printInfo() const { return printInfo_; }
    void setPrintInfo(const PrintInfo& info) { printInfo_ = info; }
    // What printing starts from and keeps between prints of the document
    // (printer, copies, range, the print accessory's fields); nil until the
    // first print makes it.
    const std::shared_ptr<kit::PrintInfo>& printSettings() const { return printSettings_; }
    void setPrintSettings(std::shared_ptr<kit::PrintInfo> settings) { printSettings_ = std::move(settings); }
    float pageScale() const { return pageScale_; }
    void setPageScale(float scale) { pageScale_ = scale; }
    float defaultTabSpacing() const override { return defaultTabSpacing_; }
    void setDefaultTabSpacing(float spacing) { defaultTabSpacing_ = spacing; }

    // ---- Display and snapping switches. Setting one that shows or hides
    // something has every view repaint (unless announcements are held
    // back); each toggle sets the opposite of its getter.
    bool showGraphics() const { return showGraphics_; }
    void setShowGraphics(bool flag);
    void toggleShowGraphics(kit::Object* sender);
    bool showGuides() const { return showGuides_; }
    virtual void setShowGuides(bool flag);
    void toggleShowGuides(kit::Object* sender);
    bool showTextRects() const { return showTextRects_; }
    void setShowTextRects(bool flag);
    void toggleShowTextRects(kit::Object* sender);
    // Text markers (spaces, paragraph ends, breaks, tokens) on screen.
    bool showTextMarkers() const override { return showTextMarkers_; }
    void setShowTextMarkers(bool flag);
    void toggleTextMarkers(kit::Object* sender);
    bool snapToGuides() const { return snapToGuides_; }
    void setSnapToGuides(bool flag) { snapToGuides_ = flag; }
    void toggleSnapToGuides(kit::Object* sender) { (void)sender, setSnapToGuides(!snapToGuides_); }
    bool snapToRulers() const { return snapToRulers_; }
    void setSnapToRulers(bool flag) { snapToRulers_ = flag; }
    void toggleSnapToRulers(kit::Object* sender) { (void)sender, setSnapToRulers(!snapToRulers_); }
    void toggleFontMetrics(kit::Object* sender);
    // Selected text columns show their knobs.
    virtual bool showTextKnobs() const { return true; }
    // Whether a drag from the rulers' corner may move the units origin.
    virtual bool viewWillChangeOrigin(DocumentView* view, kit::Point point)
    {
        (void)view, (void)point;
        return true;
    }

    // ---- Page list. Indexes are positions in the page list, displayed
    // indexes positions in the displayed list (pages that are not collapsed,
    // one PageSet standing for each collapsed run).
    const std::vector<std::unique_ptr<Page>>& pages() const { return pages_; }
    const std::vector<std::unique_ptr<PageSet>>& collapsedPages() const { return pagesCollapsed_; }
    const std::vector<Page*>& displayedPages() const { return pagesDisplayed_; }
    // Throw std::out_of_range for a bad index.
    Page* pageAt(int i) const;
    PageSet* collapsedPageAt(int i) const;
    Page* displayedPageAt(int i) const;
    int numDisplayedPages() const { return static_cast<int>(pagesDisplayed_.size()); }

    // -1 (numbers, and displayed indexes from numbers) or PageNotFound
    // (indexes) for an argument outside its list.
    int indexOfNumber(int n) const;
    int numberOfIndex(int i) const;
    int displayedIndexOfPage(const Page* page) const;
    int displayedIndexOfNumber(int n) const;
    int indexOfDisplayedIndex(int d) const;
    int displayedIndexOfIndex(int i) const;
    int numberOfDisplayedIndex(int d) const;
    PageSet* pageSetForCollapsedPage(const Page* page) const;

    Page* activePage() const override { return activePage_; }
    DocumentView* activeView() const { return activeView_; }
    // A run makes its first page active; a nil page clears it.
    void setActivePage(Page* page) override;
    int activePageIndex() const;
    int activePageNumber() const;

    // Rebuild the runs from the pages' collapsed flags, and the displayed
    // list from the runs (calcPageRectsFor calls them).
    void calcCollapsedPages();
    void calcDisplayedPages(bool withRuns);

    // ---- Canvas. tileMode 0 lays pages in a row, 1 and 2 in a column;
    // sidedMode 1 pairs them into spreads.
    static constexpr float pageSeparation = 16.0f;
    static constexpr float pageSeparationSpread = 16.0f;
    static constexpr float spreadSeparationHorizontal = 48.0f;
    static constexpr float spreadSeparationVertical = 48.0f;
    static constexpr float collapsedStripSize = 54.0f;
    virtual kit::Size canvasMargin() const { return canvasMargin_; }
    void setCanvasMargin(const kit::Size& margin) { canvasMargin_ = margin; }

    // Mode 1 lays out with the collapsed runs, any other mode every page
    // singly (the runs list is kept). Nothing while disabled.
    void calcPageRectsFor(int mode) override;
    void disableCalcPages() override { ++disableCalcPages_; }
    // The last enable makes the rectangles of pages added or removed
    // meanwhile and tells the views, once.
    void enableCalcPages();
    void reenableCalcPages() override { enableCalcPages(); }
    // Announcements to the views are held back while the counter is above 0.
    void disableNotify() override { ++disableNotify_; }
    void reenableNotify() override { disableNotify_ = disableNotify_ > 0 ? short(disableNotify_ - 1) : short(0); }
    bool isNotifyDisabled() const override { return disableNotify_ > 0; }
    // Every view takes the canvas size, and repaints unless announcements
    // are held back; the pages panel then reads the page list again.
    void notifyDocumentDidChangeSize() override;
    kit::Rect pageRectAt(int d) const;
    kit::Rect paperRect() const { return {{0, 0}, paperSize_}; }
    kit::Size canvasSize() const { return canvasRect_.size; }
    const kit::Rect& canvasRect() const { return canvasRect_; }
    kit::Size maxPageSize() const { return pageSize_; }
    kit::Size pageSize() const { return pageSize_; }
    void setPageSize(const kit::Size& size) { pageSize_ = size; }
    kit::Size paperSize() const { return paperSize_; }
    void setPaperSize(const kit::Size& size) { paperSize_ = size; }
    // A new mode lays the pages out again and tells the views the canvas
    // size; the modes keep 2 bits.
    int tileMode() const { return tileMode_; }
    void setTileMode(int mode);
    int sidedMode() const { return sidedMode_; }
    void setSidedMode(int mode);
    // Direction 1: for a vertical ruler; 2: for a horizontal one.
    kit::Rect extendedPageRectForIndex(int d, int direction) const;
    kit::Rect extendedPageRectForPage(const Page* page, int direction) const;
    // The displayed entries whose rectangle meets the rectangle, in order;
    // empty for none.
    std::vector<Page*> pagesInRect(const kit::Rect& rect, bool extended, int direction) const;

    // ---- Changing the page list. Each answers whether it changed anything.
    bool addPages(int count, int index);
    bool insertPages(std::vector<std::unique_ptr<Page>> pages, int index);
    // Takes the pages out of the list without touching their items.
    std::vector<std::unique_ptr<Page>> removePages(const std::vector<Page*>& pages);
    // The removed pages; empty when nothing was deleted.
    std::vector<std::unique_ptr<Page>> deletePages(int count, int index);
    bool collapsePages(int count, int index);
    // In the word processor: drops trailing pages (never the first) that
    // hold only page copies of master columns that received no text. The
    // layout that empties them runs inside some command on one of their
    // columns: the pages are kept until the current event is done.
    void deleteEmptyPages() override;
    // The same after an undo or redo: a page that a record of the stack
    // puts items on or takes them from stays for it.
    void deleteEmptyPagesNotNeededBy(const UndoInfo& stack);
    // A count of -1 expands the run that starts at the index.
    bool expandPages(int count, int index);

    // ---- Layers. In the master layer pages list, take and give up the
    // document's master items and guides instead of their own.
    static constexpr int PagesLayer = 1;
    static constexpr int MasterLayer = 2;
    int getEditingLayer() const { return whichLayer_; }
    // Any other layer is refused (false) and the layer kept.
    bool setEditingLayer(int layer);
    int visibilityOfElements() const { return elementsVisibility_; }
    void setVisibilityOfElements(int v) { elementsVisibility_ = static_cast<short>(v); }

    // ---- Master items, owned by the document; each is given the master page.
    const std::vector<std::shared_ptr<Item>>& masterItems() const { return theMasterItems_; }
    // The list itself, for edits of the stacking order (Page::editedItemList).
    std::vector<std::shared_ptr<Item>>& masterItemList() { return theMasterItems_; }
    void addMasterItem(std::shared_ptr<Item> item);
    std::shared_ptr<Item> removeMasterItem(Item* item);
    // A header, footer or footnote frame joins the master items while its
    // marker is listed (sharing the marker's hold) and leaves with it.
    void addMarkerFrame(const TextWordSpecial* word);
    void removeMarkerFrame(const TextWordSpecial* word);
    // A text begun afresh in the document (a new main text, a master's copy
    // with a flow of its own) is typed in the preferences' body font.
    void giveBodyFont(TextFlow* flow) const;

    // ---- Headers and footers. The frame for the page at position n (1 for
    // the first page): the last applicable one whose marker stands on that
    // page or before it; a header whose marker stands on the page (or the
    // page before, when its parity does not fit) wins. nil for none.
    Item* headerItemForPageNumber(int n) const;
    Item* footerItemForPageNumber(int n) const;
    // A marker's frame and the index of the page it stands on.
    struct MarkerPlace {
        Item* frame;
        int pageIndex;
    };
    static Item* itemForPageNumber(int n, int firstPageNum, const std::vector<MarkerPlace>& markers, bool header);
    // The default frames of new headers and footers.
    static kit::Rect defaultHeaderFrame() { return kit::makeRect(72.0f, 36.0f, 468.0f, 36.0f); }
    static kit::Rect defaultFooterFrame() { return kit::makeRect(72.0f, 720.0f, 468.0f, 36.0f); }

    // ---- Guides of the document (the master layer's).
    const std::vector<std::unique_ptr<Guide>>& masterGuides() const { return masterGuides_; }
    // The document's guides that a page draws, snaps to and hits: here every
    // master guide, whatever the page. A new list each call, so a caller may
    // keep it while it asks again.
    virtual std::vector<Guide*> guidesForPage(const Page* page) const;
    void addMasterGuide(std::unique_ptr<Guide> guide);
    std::unique_ptr<Guide> removeMasterGuide(Guide* guide);
    std::unique_ptr<Guide> removeGuideAt(int i);
    // A guide leaves its list: every guide of the document (the master's and
    // the pages') that has it as partner forgets it.
    void forgetPartnerLinksTo(const Guide* guide);

    // ---- Selection (not owned: an item that goes leaves it) and links.
    std::vector<Item*> selected() const override;
    // The registry's tabs panel, when it exists.
    ParagraphPanel* tabsPanel() const override;
    // Deselects what was selected, selects the items (none for an empty
    // list); every view redraws what was selected and what is.
    void setSelection(const std::vector<Item*>& items, DocumentView* view);
    // The text column and flow being edited (not owned), and the flow that
    // was being edited when editing last ended.
    TextItem* activeTextItem() const { return activeTextItem_.get(); }
    TextFlow* activeTextFlow() const { return activeTextFlow_; }
    TextFlow* lastActiveTextFlow() const { return lastActiveTextFlow_; }
    void setActiveTextItem(TextItem* item);
    void setActiveTextFlow(TextFlow* flow);
    // The connected column of the flow that holds its caret, on a page of
    // the document; null when there is none.
    TextItem* columnHoldingCaret(TextFlow* flow) const;
    LinksInfo& linksInfo() { return linksInfo_; }
    // The document's undo stack, made with the document.
    UndoInfo* undoInfo() const { return undoInfo_.get(); }
    const LinksInfo& linksInfo() const { return linksInfo_; }
    // The application became active: linked pictures compare their files
    // with the disk where some view shows them, and the changed ones are
    // drawn again.
    void notifyAppDidBecomeActive();
    // Bookkeeping when a page takes or gives up an item: links, names,
    // object-link numbers, the selection and the column being edited.
    void itemAdded(Item* item);
    void itemRemoved(Item* item);

    // Object links: items found again by a serial number the document hands
    // out; the item describes itself as "1 1 <number>".
    int lastItemSerialNumber() const { return lastItemSerialNumber_; }
    void setLastItemSerialNumber(int number) { lastItemSerialNumber_ = number; }
    void assignSerialNumberToObjectLinkItem(Item* item);
    void clearSerialNumberOnObjectLinkItem(Item* item);
    void addedObjectLinkItem(Item* item);
    void removedObjectLinkItem(Item* item) override;
    // The graphic-links list's services to the text engine's words.
    void addLink(GraphicLink* link) override;
    void removeLink(GraphicLink* link) override;
    // The item a link's description data names; nil for any other data.
    Item* linkedItemAt(std::string_view selection) const;

    // The page's main text column: none here (the word processor's
    // document has one on every page).
    virtual TextItem* mainTextItemForPage(Page* page) const { (void)page; return nullptr; }
    // Items that deleting the selection leaves in place: none here (the
    // word processor keeps its main text's master columns).
    virtual bool keepsItemOnDelete(const Item* item) const { (void)item; return false; }

    // ---- Events of a canvas (LayoutDocumentEvents.cpp). Each mouse down
    // goes to the text tool, a loop of the selection tool or the active
    // tool; nothing while an import dispatches.
    virtual void mouseDown(const kit::Event& event, CanvasView* view);
    // A document that must not be changed: drags, reshapes and deletes are
    // refused.
    // Tells documents apart on the pasteboard: numbered from 1 in the
    // order made, never reused while the program runs.
    std::uint32_t pasteSerial() const { return pasteSerial_; }
    // The views' windows take drops only while the document may change.
    void setReadOnly(bool flag) override;
    // False for a key it does not handle (it then goes up the responder
    // chain).
    virtual bool keyDown(const kit::Event& event, CanvasView* view);

    // ---- Commands the page view forwards.
    // Ends text editing in the view, or begins it again at the caret of
    // the flow edited last (a beep when there is none to begin).
    virtual void toggleTextEditing(DocumentView* view);
    // The page layout panel with the page-layout accessory: the page size
    // (the shared print settings), the arrangement, the first page number,
    // its format and the default tab spacing.
    void runPageLayout(kit::Object* sender);
    // The shared print settings show the page size; paperFollowsPage tells
    // whether the paper equals the page size.
    virtual void setupPageLayout(kit::PageLayout* panel, PageLayoutAccessory* accessory, bool* paperFollowsPage);
    // Takes what the panel and accessory hold; a size that is not finite
    // and positive and a first page number out of range are refused.
    virtual void processPageLayout(PageLayoutAccessory* accessory, bool paperFollowsPage);
    // The paper panel: the paper the document prints on.
    void runPaper(kit::Object* sender);
    // The move-by panel: moves the selection, or clones it and moves the
    // clone, after which the panel comes back until OK or Cancel.
    void runMoveBy(kit::Object* sender);
    // A plain-text report of the pages, pictures, colours and fonts, saved
    // where the user says and opened in the desktop's viewer.
    void generateResourceList(kit::Object* sender);
    // Struck-out text is deleted and inserted text loses its mark.
    void processTextMarkup(kit::Object* sender);
    // Where the desktop opens a file for the user (the report): given the
    // path as an argument, never through a shell. Replaced by tests.
    using FileOpener = std::function<bool(const std::string& path)>;
    static FileOpener& fileOpener();

protected:
    // Drags the guide under the point, when guides show; false for none.
    bool dragGuideAt(const kit::Event& event, CanvasView* view, kit::Point point);
    // ---- Reading the root, for subclasses with a root of their own.
    // The document-wide version, which becomes the coder's unless an old
    // package's preset stands; false when the user refused a newer file.
    bool readDocumentVersion(kit::Coder& coder);
    // The framework's record after the version.
    kit::Object* initWithCurrentCoder(kit::Coder& coder);
    void readObjectLinks(kit::Coder& coder, ReadRoot& read);
    void readViewPlace(float zoom, const kit::Rect& frame);
    void readNumberingTable(kit::Coder& coder);
    void adoptReadObjects(kit::Coder& coder, ReadRoot& read);
    // Stored lists checked for the class of their elements (a damaged file
    // raises).
    static std::vector<Item*> decodeItemList(kit::Object* object, const char* what);
    static std::vector<Guide*> decodeGuideList(kit::Object* object);
    static std::vector<Page*> decodePageList(kit::Object* object);
    static std::vector<TextWordSpecial*> decodeMarkerList(kit::Object* object, const char* what, int type);
    static void decodeUnitsAndStyles(kit::Object* units, kit::Object* styles, ReadRoot& read);
    void setPageAndPaperSize(const kit::Size& page, const kit::Size& paper);
    void setModes(int tile, int sided)
    {
        tileMode_ = tile & 3;
        sidedMode_ = sided & 3;
    }

private:
    // Objects of the archive this document was read from that nothing
    // claimed: items, styles and words may still point at them. Declared
    // first, so they go last.
    std::vector<std::unique_ptr<kit::Object>> keptFromReading_;

    kit::Object* initWithOldCoder(kit::Coder& coder, float version);
    // After the word processor's pages were added: each flow's last
    // paragraph is laid out again (later), which drops empty pages.
    void layOutEndsOfFlows();
    void keepActiveTextFlow(kit::Object* flow);
    // The zoom and window frame of the first view, when there is one.
    void firstViewPlace(float* zoom, kit::Rect* frame) const;
    static void initializeViews();
    // Opening: the data of a native file (a package's archive) or nothing.
    std::optional<std::string> readDocumentData(const std::string& path, bool* isPackage) const;
    LayoutDocument* revertFromData(const std::string& data, bool isPackage);
    void withdrawDelayedRequests();
    // Saving.
    bool writeArchive(const std::string& path);
    // Views.
    void closeViews(kit::Object* sender);
    // Before the document goes: its views forget it, its windows go once
    // the run loop comes back.
    void dropViewsAndWindows();

    // Delayed requests (a shortly repeated move-by, a page-number redraw),
    // withdrawn when the document goes.
    std::shared_ptr<kit::Timer> pageNumberRedraw_;
    std::shared_ptr<kit::Timer> moveByAgain_;
    // Whether there is a view list to announce to.
    bool hasViews() const { return hasViewList_ || !views_.empty(); }
    // The report's text.
    std::string resourceListReport(const std::string& name) const;
    // Revision marks of one flow; answers whether text was deleted.
    bool processTextMarkupInFlow(TextFlow* flow);
    void pagesChanged();
    // A page leaves the document (it may come back by undo): its items leave
    // the document's lists, and master items last hit on it go back to the
    // master page. pageReturns undoes the bookkeeping.
    void pageLeaves(Page* page);
    void pageReturns(Page* page);
    void layOutEntries();
    void resolveMasterLinks();
    std::vector<MarkerPlace> placesOf(const std::vector<TextWordSpecial*>& markers) const;
    int activePageIndexInPages() const;
    std::unique_ptr<StyleInfo> styleInfo_;
    std::unique_ptr<UnitsInfo> unitsInfo_;
    std::vector<kit::WeakLink<Item>> namedItems_;
    std::optional<double> lastModifyTime_;
    std::unique_ptr<ZynDocumentContents> activeDocumentContents_;
    float storedZoom_ = 1.0f;
    kit::Rect storedWindowFrame_{};
    // The zoom and frame came from a file.
    bool hasStoredPlace_ = false;
    kit::ScrollView* lastLoadedScrollView_ = nullptr; // not owned
    // The page windows made for the views, with what each window holds.
    std::vector<std::unique_ptr<kit::Object>> windows_;
    // The serial-number table as written (numbers owned), rebuilt when the
    // table changed, so that every pass of one archive sees the same objects.
    mutable std::unique_ptr<kit::Object> storedSerialTable_;
    std::vector<std::string> destinationLinks_;

    // Text engine state.
    std::vector<std::unique_ptr<Page>> pages_;
    // Pages that left during the current event, released after it.
    std::vector<std::unique_ptr<Page>> retiredPages_;
    std::shared_ptr<kit::Timer> releaseRetired_;
    // Where indexOfPage last found a page: page tokens and header lookups ask
    // for the same or the next page again and again.
    mutable std::size_t pageIndexHint_ = 0;
    std::unique_ptr<Page> masterPage_;
    bool prefersScreenMetrics_ = false;
    bool dispatching_ = false;
    bool dispatchingSuspended_ = false;
    short firstPageNum_ = FirstPageNumNotSet;
    short pageNumberFormat_ = 0;

    std::vector<std::unique_ptr<PageSet>> pagesCollapsed_;
    std::vector<Page*> pagesDisplayed_;
    // For each displayed entry the index of its first page, and for each
    // page index its displayed entry: every conversion is a look-up.
    std::vector<int> displayedStart_;
    std::vector<int> displayedOfIndex_;
    // Running maximum of the far edge along the tiling direction, to find
    // the first entry a rectangle can meet by binary search.
    std::vector<float> reachOfEntry_;
    Page* activePage_ = nullptr; // not owned
    DocumentView* activeView_ = nullptr;
    std::vector<DocumentView*> views_;
    bool lastTextDrawFinished_ = true;
    kit::Rect canvasRect_{};
    kit::Size canvasMargin_{50.0f, 50.0f};
    kit::Size pageSize_{};
    kit::Size paperSize_{};
    int tileMode_ = 0;
    int sidedMode_ = 0;
    short disableCalcPages_ = 0;
    // Pages came or went while their rectangles were held back.
    bool pagesChangedWhileHeld_ = false;
    short disableNotify_ = 0;
    short whichLayer_ = 1;
    short elementsVisibility_ = 0;
    // Header and footer frames are shared with their markers.
    std::vector<std::shared_ptr<Item>> theMasterItems_;
    std::vector<std::unique_ptr<Guide>> masterGuides_;
    const Preferences* preferences_ = nullptr;
    bool hasViewList_ = false;
    std::vector<NumberingLevel> paragraphNumbering_;
    int paragraphNumberingCount_ = 0;
    PrintInfo printInfo_;
    std::shared_ptr<kit::PrintInfo> printSettings_;
    float pageScale_ = 0.0f;
    float defaultTabSpacing_ = 36.0f;
    bool showGraphics_ = false;
    bool showGuides_ = false;
    bool showTextRects_ = false;
    static inline std::uint32_t lastPasteSerial_ = 0;
    std::uint32_t pasteSerial_ = ++lastPasteSerial_;
    bool showTextMarkers_ = false;
    bool snapToGuides_ = false;
    bool snapToRulers_ = false;
    std::vector<kit::WeakLink<Item>> selected_;
    kit::WeakLink<TextItem> activeTextItem_;
    TextFlow* activeTextFlow_ = nullptr;
    TextFlow* lastActiveTextFlow_ = nullptr;
    LinksInfo linksInfo_;
    std::unique_ptr<UndoInfo> undoInfo_;
    void deleteTrailingEmptyPages(const std::function<bool(const Page*)>& keeps);
    std::map<int, kit::WeakLink<Item>> serialNumbersToItems_;
    int lastItemSerialNumber_ = 1;
    // A header inserted in a new document takes these: an empty frame would
    // make a column of no size, which reading drops with its text.
    kit::Rect headerFrame_ = defaultHeaderFrame();
    kit::Rect footerFrame_ = defaultFooterFrame();
    std::vector<TextWordSpecial*> headers_;
    std::vector<TextWordSpecial*> footers_;
    std::vector<TextWordSpecial*> footnotes_;
};
