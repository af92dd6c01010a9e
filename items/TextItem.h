#pragma once

// A text column: a box that shows one stretch of a text flow. The columns of
// a flow form a chain, first to last; the layout records in each where its
// text starts and ends. Every column of a chain holds the flow, so the flow
// lives as long as any of its columns. Master columns copied onto pages make
// new pages appear as text overflows the last copy.

#include "items/ItemBox.h"
#include "text/TextPoint.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kit {
class DrawContext;
class Event;
class Font;
class Pasteboard;
}
class LayoutDocument;
class DocumentView;
class StyleParagraph;
class TextDocument;
class TextFlow;
class TextParagraph;
class TextSelection;
class TextWordSpecial;
struct Paint;

// YES while a paste is being carried out: the quick redraw does nothing and
// deleting skips re-layout.
extern bool disableRedraw;

// What the sender of a text command may answer: a menu item's or a
// control's tag and title. Views answer their tag without it.
class CommandSender {
public:
    virtual ~CommandSender() = default;
    virtual int tag() const = 0;
    virtual std::string title() const = 0;
};

class TextItem : public ItemBox {
public:
    // The text type of display (headline) text, whose type follows the frame.
    static constexpr int DisplayText = 2;

    // Whether writing a column writes its flow too; YES unless changed.
    static bool archiveTextFlows();
    static void setArchiveTextFlows(bool flag);

    // A column with a new flow of one empty paragraph, of which it is the
    // first column.
    TextItem();
    // Unless taken out of its chain already, the column leaves it without
    // re-layout; the flow forgets it either way.
    ~TextItem() override;

    std::string className() const override { return "TextItem"; }
    void audit(int indent) const override;

    // ---- Flow. flow() is the flow held; setFlow keeps a flow that has no
    // shared owner without owning it (its owner keeps it alive).
    TextFlow* flow() const { return flow_.get(); }
    const std::shared_ptr<TextFlow>& sharedFlow() const { return flow_; }
    void setFlow(TextFlow* flow);
    void setFlow(std::shared_ptr<TextFlow> flow) { flow_ = std::move(flow); }
    // A new, empty flow of which the column is the first column; the old
    // flow is let go.
    TextFlow* initFlow();

    // ---- Chain (not owned).
    // The chain's neighbours; nil once they are gone.
    TextItem* nextColumn() const { return nextColumn_.get(); }
    void setNextColumn(TextItem* column) { nextColumn_ = column; }
    TextItem* prevColumn() const { return prevColumn_.get(); }
    void setPrevColumn(TextItem* column) { prevColumn_ = column; }
    // A page copy's master column, or a header, footer or footnote marker
    // word (not owned); nil once it is gone.
    kit::Object* myMaster() const { return myMaster_.get(); }
    void setMyMaster(kit::Object* master) { myMaster_ = master; }
    TextItem* masterColumn() const;

    int textType() const { return textType_; }
    void setTextType(int type) { textType_ = type; }
    bool isDisplay() const { return textType_ == DisplayText; }
    int columnSeries() const { return columnSeries_; }
    void setColumnSeries(int series) { columnSeries_ = series; }
    bool hasChanged() const { return changed_; }
    void setChanged(bool flag) { changed_ = flag; }
    bool needsRedrawing() const { return needsRedrawing_; }
    void setNeedsRedrawing(bool flag) { needsRedrawing_ = flag; }
    bool textContinues() const { return textContinues_; }
    void setTextContinues(bool flag) { textContinues_ = flag; }
    bool isDisconnected() const { return disconnected_; }

    // ---- Where the column's text begins and ends; a negative paragraph
    // marks a column that received no text.
    const textPoint& startPoint() const { return startPoint_; }
    const textPoint& endPoint() const { return endPoint_; }
    void setStartPointVals(int paragraph, int word, int letter) { startPoint_ = {paragraph, word, letter}; }
    void setEndPointVals(int paragraph, int word, int letter) { endPoint_ = {paragraph, word, letter}; }
    int startParagraph() const { return startPoint_.paragraph; }
    int startWordOffset() const { return startPoint_.word; }
    int startLetter() const { return startPoint_.letter; }
    int endParagraph() const { return endPoint_.paragraph; }
    int endWordOffset() const { return endPoint_.word; }
    int endLetter() const { return endPoint_.letter; }

    // ---- Hung punctuation past the edges. The getters answer the printer
    // margin, or the greater one when the document prefers screen metrics;
    // the setters only ever raise a margin.
    float hangLeft() const;
    float hangRight() const;
    float screenHangLeft() const { return screenHangLeft_; }
    float screenHangRight() const { return screenHangRight_; }
    void setNewHangLeft(float value);
    void setNewHangRight(float value);
    void setNewScreenHangLeft(float value);
    void setNewScreenHangRight(float value);

    // ---- Layout and the chain.
    // Lays the flow out again from the column's start paragraph; answers
    // that paragraph, or nil when the column starts at none.
    TextParagraph* recompute();
    // Takes the column out of its chain; it keeps its neighbours so that it
    // can be put back. Without re-layout a first column hands the flow's
    // first-column role to its next column (or clears it).
    void removeFromTextFlowAndRecompute(bool recompute);
    void removeFromTextFlow() { removeFromTextFlowAndRecompute(true); }
    // Puts a removed column back between the neighbours it kept, when they
    // are still next to each other in its flow (or, for a first column,
    // when the flow still starts where it did); false, and nothing changes,
    // when that place is gone.
    bool relinkInTextFlow();
    // A column that cannot go back into its chain takes an empty flow of
    // its own.
    void takeEmptyFlow();
    // The column goes with the other columns of its flow, which has already
    // forgotten them all (TextFlow::forgetItems): it leaves its chain and
    // lets go of the flow without the flow searching its text for it again.
    void leaveForgettingFlow();
    // Makes the column the next one and its flow's text follow this flow's.
    void joinColumn(TextItem* column);
    // Cuts the chain after this column; the columns cut off share a new,
    // empty flow.
    void unlinkColumn();
    // A new empty flow and no neighbours (copies of columns).
    void emptyAndDisconnect();
    // Steps back (1) or forward (anything else) while the next column is on
    // the same page and the one stepped from has the receiver's placement.
    TextItem* _findEndOfFlow(int direction);
    TextItem* findTextFlowHead() { return _findEndOfFlow(1); }
    TextItem* findTextFlowTail() { return _findEndOfFlow(2); }

    // ---- Geometry.
    Page* setPage(Page* page) override;
    void updatePositionOnPage(Page* page);
    void moveTo(float x, float y, bool recompute) override;
    void scaleUnitSquareToSize(kit::Size scale) override;
    void setFrame(const kit::Rect& frame, bool recompute) override;
    using Item::setFrame;
    // Changes under a point both ways are ignored; sides under a point
    // become 10. Display text scales its type instead of re-laying it.
    void sizeTo(float width, float height, bool recompute) override;
    // Fits a headline's frame to its text, without scaling the type.
    void sizeHeadlineTo(float width, float height);
    // After its flow's layout: a headline that changed size with its text
    // and has runaround lays out again the text of its page around it.
    void flowAroundResizedHeadline();
    // Scales display text's type (its current paragraph) by the factors.
    void scaleBy(double sx, double sy);
    bool shouldResizeNaturally() const override { return isDisplay(); }
    kit::Rect bounds() const override;
    // The inherited update bounds widened for hung punctuation, the
    // continuation marker and, for display text, the last paragraph font's
    // descent.
    void getUpdateBounds(kit::Rect* rect, const DocumentView* view) const override;
    using Item::getUpdateBounds;
    void getActualBounds(kit::Rect* rect, const DocumentView* view) const;
    bool isHitAt(kit::Point point, const DocumentView* view) const override;
    bool shouldDrawInRect(const kit::Rect& rect) const override;

    // ---- Drawing: the box, then the stretch of the flow the column shows.
    // The full drawing into the context given.
    void drawSelf(const Paint& paint, const kit::Rect& rect);
    using ItemBox::renderInView;
    bool renderInView(const Paint& paint, const kit::Rect& bounds, bool white) override;
    bool drawSelfInView(const Paint& paint, const kit::Rect& bounds) override;
    bool whiteSelfInView(const Paint& paint, const kit::Rect& bounds) override;
    // Repaints the paragraphs first..last (after an edit): the area is
    // filled white first; a transformed column repaints all its text.
    bool drawSelfInView(const Paint& paint, const kit::Rect& bounds, int fromParagraph, int toParagraph);
    void drawParagraphsInView(const Paint& paint, int from, int to);
    // Bars for lines of text, while the column is dragged.
    using ItemBox::drawFastInView;
    bool drawFastInView(const Paint& paint, const kit::Rect& bounds) override;
    // Has the document redraw from the column's start paragraph (or an
    // earlier start of the selection), and the column its predecessor ends
    // in, to the end of the flow; nothing while disableRedraw is set.
    void redrawQuickInView(DocumentView* view);
    // Where a quick redraw starts: the column and paragraph.
    void quickRedrawStart(TextItem** column, int* paragraph);
    // The continuation marker of a selected column: the text goes on in a
    // next column, is left over, or ends.
    enum class ContinueMarker { Next, Plus, None };
    ContinueMarker continueMarker() const;
    void drawContinueIfNeeded(const Paint& paint, const kit::Rect& rect);

    // ---- Linking by the mouse. The marker answers knob 8 (not for display
    // text, nor where the application prefers automatic text columns).
    int isHitAtKnob(kit::Point point, const DocumentView* view) const override;
    // Knob 8 links (or shows the link of a column that goes on) and answers
    // nil; any other knob resizes, unless the application prefers automatic
    // text columns. The text is laid out again either way.
    Item* performResize(int* knob, DocumentView* view, const kit::Event& event) override;
    // The wire from the marker follows the mouse; released over another
    // column it links it, unless a check refuses (each tells why).
    void doColumnConnect(DocumentView* view, const kit::Event& event);
    // The wire to the next column, until the button goes up.
    void showColumnConnect(DocumentView* view, const kit::Event& event);

    // ---- Styles, forwarded to the flow.
    bool hasAnyTextItems() const override { return true; }
    bool canAcceptStyle(std::string_view styleClass) const override;
    StyleParagraph* paragraphStyle() const;
    kit::Font* font() const;
    void setRuler(const StyleParagraph* style);
    void setStylePara(const StyleParagraph* style);
    void localizeNamedParaStyle();
    // The selection's text takes the colour, or without one the typing style.
    void setTextColor(const kit::ColorRef& color);
    // The document of the column's page, as the text engine asks it; nil
    // off a page.
    TextDocument* textDocument() const;
    // The items stacked above the column on its page that push its text
    // away; empty off a page.
    std::vector<Item*> runaroundItems() const;
    // A lone column rebinds its paragraphs' named styles to the same-named
    // styles of its document, or of the document it is pasted into while it
    // stands on no page.
    void resolveStyles(LayoutDocument* pastedInto = nullptr);
    void resolveInDocument(TextDocument* document) override;
    // The flow's first column adds the flow when absent.
    void pleaseListFlows(std::vector<TextFlow*>& flows) const;
    void pleaseListFlows(std::vector<TextFlow*>& flows, std::vector<Item*>& images) override
    {
        (void)images;
        pleaseListFlows(flows);
    }

    // ---- Master columns and automatic pages.
    bool autoFlowMaster() const { return itFlags_.autoFlowMaster; }
    bool manualFlowMaster() const { return itFlags_.manualFlowMaster; }
    // Setting either kind drops the column's text (its flow).
    void setAutoFlowText(bool flag);
    void setManualFlowText(bool flag);
    void didAddToPage(Page* page, int layer) override;
    bool canAppearOnPageNumber(int pageNumber, int layer) const override;
    // For a page copy of an automatic-flow master: inserts one page after
    // the column's page and records it for undo. YES when a page was added.
    bool addPageIfNeeded();

    // ---- Stored form.
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;
    // At the end of a read: a column that met its flow while the flow was
    // still being read, and no other column of the flow came later to hand
    // it over, takes its hold now (from the initWithCoder of whatever holds
    // the column).
    void holdFlowMetWhileReading(kit::Coder& coder);

    // ---- Editing in a page view. The column is edited in one view at a
    // time; commands act only while it is being edited.
    bool isEditing() const { return itFlags_.editing; }
    DocumentView* editPageView() const { return editPageView_; }
    // With an event the flow places the caret or selects from it; without,
    // the caret is scrolled into view and shown.
    void beginEditing(const kit::Event* event, DocumentView* view);
    void continueEditing(const kit::Event* event, DocumentView* view);
    void transferEditingInView(DocumentView* view);
    // Closes editing; an emptied headline leaves its page (undo type 2).
    void finishEditingInView(DocumentView* view);

    // ---- Text commands of the menus and key map, sent with their sender
    // (a menu item or control, may be nil) and the view.
    using Item::changeFont;
    void changeCase(kit::Object* sender, DocumentView* view);
    void changeFont(kit::Object* sender, DocumentView* view);
    void changeFontAttribute(kit::Object* sender, DocumentView* view);
    void changeKerning(kit::Object* sender, DocumentView* view);
    void setFont(kit::Font* font, DocumentView* view);
    void setParagraphDefaultFont(kit::Font* font, DocumentView* view);
    void subscript(kit::Object* sender, DocumentView* view);
    void superscript(kit::Object* sender, DocumentView* view);
    void unscript(kit::Object* sender, DocumentView* view);
    // The size in the sender's title ("12").
    void setMenuFontSize(kit::Object* sender, DocumentView* view);
    void setMenuAlign(kit::Object* sender, DocumentView* view);
    void setMenuLeading(kit::Object* sender, DocumentView* view);
    void hangingIndentExpand(kit::Object* sender, DocumentView* view);
    void hangingIndentReduce(kit::Object* sender, DocumentView* view);
    void indentLeftIn(kit::Object* sender, DocumentView* view);
    void indentLeftOut(kit::Object* sender, DocumentView* view);
    void indentRightIn(kit::Object* sender, DocumentView* view);
    void indentRightOut(kit::Object* sender, DocumentView* view);
    void findEnterSelection(kit::Object* sender, DocumentView* view);
    void copy(kit::Object* sender, DocumentView* view);
    void copyToPasteboard(kit::Pasteboard& pboard, DocumentView* view);
    void cut(kit::Object* sender, DocumentView* view);
    void cutToPasteboard(kit::Pasteboard& pboard, DocumentView* view);
    void delete_(kit::Object* sender, DocumentView* view);
    // Brings back the text deleted last (the private kill pasteboard).
    void undelete(kit::Object* sender, DocumentView* view);
    void killToEOL(kit::Object* sender, DocumentView* view);
    void killToEOP(kit::Object* sender, DocumentView* view);
    void _killTo(kit::Object* sender, DocumentView* view, std::uint16_t extent);
    void insertPageBreak(kit::Object* sender, DocumentView* view);
    void selectAll(kit::Object* sender, DocumentView* view);
    void jumpToSelection(kit::Object* sender, DocumentView* view);
    // The panels that take some commands (indents, alignment and leading
    // from a menu, the find panel's selection): the panels install it. It
    // gets the panel command's name ("indentLeftIn:"), the sender and the
    // flow's selection; empty, the commands do nothing.
    using PanelCommandHook = std::function<void(const std::string& command, kit::Object* sender, TextSelection*)>;
    static PanelCommandHook& panelCommandHook();

    // ---- Text variables, headers and footers, inserted at the caret.
    // The new special word, or nil when nothing was inserted.
    TextWordSpecial* _insertTextVariable(int type, DocumentView* view);
    void insertPageNumber(kit::Object* sender, DocumentView* view);
    void insertLastPageNumber(kit::Object* sender, DocumentView* view);
    // The marker, with a new column of its own framed to the document's
    // header (footer) frame, shown on the pages the sender's tag names (3
    // all, 2 odd, 1 even). Nil when nothing was inserted.
    TextWordSpecial* insertHeader(kit::Object* sender, DocumentView* view);
    TextWordSpecial* insertFooter(kit::Object* sender, DocumentView* view);
    static std::shared_ptr<TextItem> newHeaderOrFooterTextItem_(const kit::Rect& frame);
    // Kind 1 date, 0 time: fixed text or an updating token, as the format
    // panel answers.
    void _insertDateOrTime(int kind, DocumentView* view);
    void insertDate(kit::Object* sender, DocumentView* view);
    void insertTime(kit::Object* sender, DocumentView* view);

    // Pasting
    // Replaces the flow's selection with the richest data the pasteboard
    // offers and marks the flow for layout from this column. The data is
    // read and checked before anything is deleted; a failure beeps, says
    // so, and leaves the text as it was. True when something was pasted.
    bool paste(kit::Pasteboard& pboard, bool link, DocumentView* view);
    // The general pasteboard, no link.
    bool paste(DocumentView* view);
    // The private type of a copied paragraph style.
    static constexpr const char* GxParagraphPboardType = "Paragraph Pasteboard Type";
    static constexpr const char* ZynICFPboardType = "ZYN ICF pasteboard type";

private:
    LayoutDocument* pageDocument() const;
    // The column to link, or nil when a check refused it (the user is told).
    TextItem* checkColumnConnect(TextItem* target);
    // The update bounds, with the marker's room sized for the zoom.
    kit::Rect updateBoundsAtZoom(float zoom) const;
    // Every column from this one to the end of its chain (cycles stop).
    template <class F>
    void forEachToEnd(F&& f);
    void readOlderForm(kit::Coder& coder, float version);
    void takeFlowHold(kit::Coder& coder, kit::Object* stored);
    void stopWaitingForFlow();
    // Reading: links are checked both ways once both ends are read.
    void settleLinksAfterReading(kit::Coder& coder);

    // Editing: true when the command may act; beeps first where the
    // command beeps.
    bool editingOrBeep() const;
    // Runs the command on the flow while the column is edited, then redraws.
    template <class F>
    void whileEditing(DocumentView* view, F&& command);
    TextWordSpecial* insertMarker(int type, kit::Object* sender, DocumentView* view);
    void forwardToPanel(const char* command, kit::Object* sender);
    // The tag of a menu item, control or view; false for another sender.
    static bool senderTag(const kit::Object* sender, int* tag);

    std::shared_ptr<TextFlow> flow_;
    DocumentView* editPageView_ = nullptr; // not owned
    kit::WeakLink<TextItem> nextColumn_;
    kit::WeakLink<TextItem> prevColumn_;
    kit::WeakLink<kit::Object> myMaster_;
    textPoint startPoint_{};
    textPoint endPoint_{};
    int textType_ = 0;
    int columnSeries_ = 0;
    float hangLeft_ = 0, hangRight_ = 0;
    float screenHangLeft_ = 0, screenHangRight_ = 0;
    bool needsRedrawing_ = false;
    bool changed_ = false;
    bool headlineResized_ = false;
    bool textContinues_ = false;
    bool disconnected_ = false;

    // Reading state: a flow still being read when the column met it, held
    // once a column of the chain can hold it, and the read's list of such
    // columns (both cleared when the read ends); links not yet checked.
    struct WaitingForFlow;
    TextFlow* flowToHold_ = nullptr;
    WaitingForFlow* waitingIn_ = nullptr;
    bool read_ = true;
    bool nextUnchecked_ = false;
    bool prevUnchecked_ = false;
    std::vector<TextItem*> waitingForCheck_;
};

// The continuation marker's rectangle in page coordinates at the zoom: at
// the frame's far corner, through the column's matrix when transformed.
void getTContinueRect(const TextItem* column, float zoom, kit::Rect* rect, bool transformed);
// The wire from s to e while linking: two bars 2 points thick forming an L,
// vertical first or horizontal first, each grown by a pixel at the zoom.
void calcWires(kit::Point s, kit::Point e, float zoom, bool horizontalFirst, kit::Rect* a, kit::Rect* b);
