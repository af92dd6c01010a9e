#pragma once

// A text flow: the paragraphs that run through a chain of text columns, the
// caret (the current paragraph's current word), the selection and the
// typing style. Navigation over paragraphs, words and points, the flow read
// as a stream of characters, and autonumbering.

#include "core/Geometry.h"
#include "core/Object.h"
#include "core/WeakLink.h"
#include "text/InlineImage.h"
#include "text/TextPoint.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kit {
class Color;
class Event;
class Font;
class Timer;
using ColorRef = std::shared_ptr<const Color>;
}
class TextDocument;
class DocumentView;
class StyleChar;
class StyleParagraph;
class TableDefinition;
class TextItem;
class TextParagraph;
class TextReplacement;
class TextSelection;
class TextWord;
struct Paint;

class TextFlow : public kit::Object, public std::enable_shared_from_this<TextFlow> {
public:
    // One empty paragraph, current, and a typing style in its font.
    TextFlow();
    explicit TextFlow(TextItem* item);
    ~TextFlow() override;
    std::string className() const override { return "TextFlow"; }
    void audit(int x) const override;
    // Registers the stored text classes (words, paragraphs, flows).
    static void initialize();
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

    // ---- Paragraphs.
    const std::vector<std::unique_ptr<TextParagraph>>& paragraphList() const { return paragraphList_; }
    int paragraphCount() const { return int(paragraphList_.size()); }
    TextParagraph* addParagraph(std::unique_ptr<TextParagraph> paragraph);
    TextParagraph* insertParagraph(std::unique_ptr<TextParagraph> paragraph, int index);
    // insertParagraph of each, in order from index on, in one pass.
    void insertParagraphs(std::vector<std::unique_ptr<TextParagraph>> paragraphs, int index);
    // Hands the paragraph back; nil when it is not in the list.
    std::unique_ptr<TextParagraph> removeParagraph(const TextParagraph* paragraph);
    // Cached: constant time unless paragraphs were inserted or removed before it.
    int indexOfParagraph(const TextParagraph* paragraph) const;
    TextParagraph* paragraphAtIndex(int index) const
    {
        return unsigned(index) < paragraphList_.size() ? paragraphList_[std::size_t(index)].get() : nullptr;
    }
    TextParagraph* firstParagraph() const { return paragraphAtIndex(0); }
    TextParagraph* lastParagraph() const { return paragraphAtIndex(paragraphCount() - 1); }
    TextParagraph* nextParagraph(const TextParagraph* paragraph) const;
    TextParagraph* previousParagraph(const TextParagraph* paragraph) const;
    TextParagraph* currentParagraph() const { return currentParagraph_; }
    void setCurrentParagraph(TextParagraph* paragraph, bool update = true);

    // ---- Words.
    TextWord* currentWord() const;
    TextWord* nextWord(const TextWord* word) const;
    TextWord* previousWord(const TextWord* word) const;
    TextWord* previousWord(const TextWord* word, int* endChar) const;
    TextWord* addSpecialWord(int type);
    // An in-line graphic at the caret (see TextParagraph::addGraphic).
    TextWord* addGraphic(InlineImage::Source source, bool makeSymLink, std::string* error = nullptr);

    // ---- Points.
    textPoint* firstTextPoint(textPoint* tp) const;
    textPoint* lastTextPoint(textPoint* tp) const;
    textPoint* getCurrentTextPoint(textPoint* tp) const;
    void setCurrentPoint(const textPoint* tp);
    textPoint* nextPoint(textPoint* tp) const;
    textPoint* nextWholeWord(textPoint* tp) const;
    // The character style in force at the point; the point moves to where
    // the style was found. Letter 32767 stands for the end of a word.
    StyleChar* styleCharAt(textPoint* point) const;
    void addCharStyle(std::unique_ptr<StyleChar> style, const textPoint* tp);
    // The point of a word of the flow (letter 0); paragraph -1 when the word
    // is not in the flow.
    textPoint pointOfWord(const TextWord* word) const;

    // ---- Columns.
    TextItem* firstTextItem() const { return firstTextItem_; }
    void setFirstTextItem(TextItem* item);
    TextItem* item(TextItem* column, const textPoint* tp) const;
    // The same, watched: nil once the column is gone.
    kit::WeakLink<TextItem> watchedItem(TextItem* column, const textPoint* tp) const;
    // Has the column, while it is there, redraw from where it shows the
    // flow (TextItem::redrawQuickInView, in no view in particular).
    static void redrawQuickFrom(const kit::WeakLink<TextItem>& column);
    TextItem* item(const textPoint& point) const { return item(firstTextItem_, &point); }
    kit::Point getXYFromTextPoint(const textPoint* tp, TextItem* column, TextItem** resultItem) const;
    TextParagraph* hitParagraphAtLoc(kit::Point point, TextItem* column, bool exact) const;
    // The document of the first column's page; nil when there is none.
    TextDocument* document() const;
    // An edit of the flow marks its own document edited (none: nothing).
    void markDocumentEdited() const;
    // Whether an import dispatches into the flow's document (TextDocument);
    // false without a document.
    bool isDispatching() const;
    // Dispatching and not suspended: the words are neither measured nor
    // hyphenated meanwhile.
    bool importGate() const;

    // ---- The flow as a stream of characters, a line feed between paragraphs.
    std::uint16_t charForPoint(const textPoint* tp) const;
    std::uint16_t textFlowGetc(flowPointer* fp) const;
    // Only offset 0 (a rewind) moves the pointer.
    void textFlowSeek(flowPointer* fp, int offset) const;
    bool textFlowAtEnd(const flowPointer* fp) const
    {
        // Before the last paragraph the end is not reached: asked once per character.
        if (fp && fp->point.paragraph >= 0 && fp->point.paragraph < paragraphCount() - 1)
            return false;
        return textFlowAtEndOfLast(fp);
    }
    void printfFlowPointer(const flowPointer* fp, int at) const;

    // ---- Selection (owned) and typing style.
    TextSelection* textSelection() const { return textSelection_.get(); }
    // The old selection is released.
    void setTextSelection(std::unique_ptr<TextSelection> selection);
    // True when the released selection began and ended in different columns.
    bool removeSelection();
    StyleParagraph* paragraphStyle() const { return paragraphStyle_.get(); }
    StyleChar* charStyle() const;
    void setCharStyle(std::unique_ptr<StyleChar> style);

    // ---- The record of the last replacement over the whole flow (Replace
    // All), for one undo while the paragraphs it changed are as it left them.
    void setReplacement(std::unique_ptr<TextReplacement> record);
    TextReplacement* replacement() const { return replacement_.get(); }
    // Puts the replaced text back and lays it out; false (nothing changed)
    // without a record that still holds.
    bool undoReplacement(DocumentView* view);

    // ---- Tables: the flow owns them, and its cells refer to them.
    TableDefinition* addTable(std::unique_ptr<TableDefinition> table);
    const std::vector<std::unique_ptr<TableDefinition>>& tables() const { return tables_; }

    // ---- Autonumbering.
    void recomputeAllParagraphNumbering() { recomputeAutonumberingFrom(0); }
    void recomputeAutonumberingFrom(int start);
    static std::string _textForCount(int count, short type);

    // ---- Layout.
    // Lays the whole flow out again from the true first column of its chain.
    void recomputeAll();
    // Lays out every paragraph whose layout is not settled, first to last:
    // edited ones, ones whose place in the list changed, and what a key
    // left for later; each chain runs while the layout changes. The edited
    // paragraph (may be nil) records its damage with trackDamage. Answers
    // the last paragraph whose layout changed, or one left for later: the
    // edited paragraph only when no other changed.
    TextParagraph* recomputeUnsettled(TextParagraph* edited, bool trackDamage);
    // True while paragraphs wait for layout.
    bool hasPendingLayout() const;
    // True when every paragraph is laid out in a column where it stands in
    // the list and nothing waits: a layout from scratch would change
    // nothing.
    bool isSettled() const;
    // True while a layout of the flow runs (pages it adds or drops then
    // join that layout).
    bool isLayingOut() const { return layingOut_; }
    // What is marked for layout is laid out when idle, unless drawing or
    // an edit comes first.
    void layOutLater() { scheduleIdleLayout(); }
    // Lays out everything that waits. Whatever reads the whole flow's
    // layout (saving, printing) calls this first.
    void completeLayout();
    // After a change to the styles of some paragraphs (each marked dirty):
    // lays them out, and whatever their new extent moves, in one pass.
    void recomputeAllDirtyParagraphs() { completeLayout(); }
    // Lays out what waits until the column's text is final: drawing a
    // column asks for this.
    void layoutThrough(const TextItem* column);
    // While one lasts, the layout after an edit stops once it has passed
    // the paragraph after the edited one; the rest is laid out when a
    // drawing shows it or when the program is idle.
    class DeferLayout {
    public:
        explicit DeferLayout(TextFlow& flow) : flow_(flow) { ++flow_.deferLayout_; }
        ~DeferLayout() { --flow_.deferLayout_; }
        DeferLayout(const DeferLayout&) = delete;
        DeferLayout& operator=(const DeferLayout&) = delete;

    private:
        TextFlow& flow_;
    };
    // The column and every later one show no text any more; pages left
    // empty go.
    void emptyPointsFromColumn(TextItem* column);
    // Moves the point one line up (0xF700) or down (0xF701) to the letter
    // nearest x on that line; at either end of the flow the point becomes
    // the flow's first or last point.
    void arrowUpDown(textPoint* tp, kit::Point point, std::uint16_t direction) const;

    // ---- Drawing into the current context, in the column's coordinates.
    // Draws paragraphs from..to of those the column shows, in black (white
    // to erase); on screen the selection's highlight follows. True when
    // paragraphs remain after the last one drawn.
    bool drawSelfInView(const Paint& paint, TextItem* column, const kit::Rect& bounds, int from = 0,
                        int to = 0x7FFFFFFF, bool white = false);
    bool whiteSelfInView(const Paint& paint, TextItem* column, const kit::Rect& bounds);

    // ---- Dirty marking.
    // Marks the paragraph and every one after it for layout.
    void dirtyFromParagraph(const TextParagraph* paragraph);
    // Marks the paragraphs from..to (inclusive, clamped) for layout.
    void dirtyFrom(int from, int to);
    // Marks every paragraph that has lines in the column.
    void dirtyInItem(const TextItem* column);
    // A column is going away: no paragraph may keep pointing at it.
    void forgetItem(const TextItem* column);
    // Many columns are going together: one pass over the paragraphs forgets
    // them all (each column's own forgetItem is a pass of its own).
    void forgetItems(std::span<const TextItem* const> columns);
    // After reading: every word reconnects to what it refers to in the document.
    void resolveInDocument(TextDocument* document);

    // ---- Paragraph styles, over every paragraph (table cells included).
    void walkParagraphsForObject(const std::function<void(TextParagraph*)>& performSelector) const;
    void convertStyleAttributes(const StyleParagraph* newBase);
    // No paragraph, and not the typing style, keeps the style as its
    // based-on or next style: it is about to be freed.
    void removeStyleReference(const StyleParagraph* style);
    // Marks for layout each paragraph whose own style object is the style.
    void dirtyParagraphsWithStyle(const StyleParagraph* style);
    // A named style a paragraph or the typing style refers to that the
    // test does not accept (one the sheet no longer holds); nil: none.
    const StyleParagraph* firstStyleReference(const std::function<bool(const StyleParagraph*)>& known) const;

    // ---- After an edit: what to redraw, where the caret went.
    // The common last step of every key and caret command: redraws what
    // changed (everything when forced), updates the panels, follows the
    // caret into another column or scrolls it into view, and moves the
    // view's cursor. Answers the column holding the new point.
    TextItem* _finishModifyingInView(DocumentView* view, TextItem* column, textPoint* oldPoint, textPoint* newPoint,
                                     bool forceRedraw);
    // Has the document redraw the band of the current paragraph its last
    // layout changed, with the dirty (may be nil) and cursor rectangles.
    void _redrawCurrentParagraphInItem(TextItem* column, DocumentView* view, kit::Rect* dirtyRect, kit::Rect* cursorRect);
    // Makes the column's page the main document's active page and has the
    // view edit the column.
    void refocusOnItem(TextItem* column, DocumentView* view);
    void scrollCurrentWordToVisible(TextItem* column, DocumentView* view);
    // The caret of the point in the column, in the column's coordinates; the
    // column that holds the point is answered through the last argument.
    kit::Rect caretRectInColumn(const textPoint* point, TextItem* column, TextItem** holder) const;

    // ---- Mouse tracking, keys and caret movement, typing style.

    // ---- Mouse tracking and selection.
    // Tracks a mouse down in the column until the mouse goes up: places the
    // caret or selects by character, word (two clicks) or paragraph (three),
    // extending with Shift or Alternate, following the drag into the other
    // columns of this flow.
    void mouseHandle(const kit::Event& event, DocumentView* view, TextItem* column);
    // Equal points without the break release the selection and answer NO.
    bool selectBetween(const textPoint* a, const textPoint* b, bool endWithParaBreak);
    // The tail is drawn for the paragraph type only.
    bool selectBetween(const textPoint* a, const textPoint* b, int endAs);
    // Equal points make a selection only for the types that take the tail.
    bool selectBetween(const textPoint* a, const textPoint* b, int endAs, bool drawTail);
    // Replaces the selection and its highlight in every view of the
    // document; fromPoint only names the caller.
    void drawAndSetSelectionType(int type, const textPoint* a, const textPoint* b, bool drawTail, DocumentView* view,
                                 int fromPoint);
    // Takes the selection away, and its highlight in every view at once.
    void removeSelectionInViews(DocumentView* view);
    // Selects the whole flow; answers the column that holds the caret.
    TextItem* selectAll(TextItem* column, DocumentView* view);
    // The word around p as a double click takes it; never leaves the word.
    void wordExtendFor(textPoint* p, textPoint* begin, textPoint* end) const;

    // ---- Keys.
    // Command keys beep; an editing action goes to the responder chain and
    // its answer comes back; otherwise the column the caret ends in.
    kit::Object* processKeyEvent(const kit::Event& event, DocumentView* view, TextItem* column);
    // One text key code; answers the column the caret ends in.
    TextItem* processKey(std::uint16_t code, DocumentView* view, TextItem* column);
    // Where the movement key takes the caret; NULL (after a beep) when there
    // is nowhere to go, the point then holding the flow's first or last point.
    textPoint* getNewTextPoint(textPoint* tp, std::uint16_t key, TextItem* column);
    // One value for the whole program: a run of up and down keys keeps the
    // x where it started.
    static bool lastKeyWasUpDown() { return lastKeyWasUpDown_; }
    static void setLastKeyWasUpDown(bool flag) { lastKeyWasUpDown_ = flag; }
    // Whether the code types a character, and which byte (Symbol codes
    // 0x101-0x1FF type their low byte in the Symbol font).
    static bool isTypedKey(std::uint16_t code);

    // ---- Typing style and font commands. Commands act on the selection
    // (or an empty current paragraph) only while the column is edited, and
    // always on the typing style.
    kit::Font* font() const;
    kit::ColorRef color() const;
    void setCurrentFont(kit::Font* font);
    void setSingleSymbol(bool flag);
    void changeFont(kit::Object* sender, TextItem* column);
    // The attribute is the menu item's tag; the caller checks the sender.
    void changeFontAttribute(unsigned short attribute, TextItem* column);
    void setFontAttribute(unsigned short attribute, bool onOrOff, TextItem* column);
    void setFont(kit::Font* font, TextItem* column);
    void setParagraphDefaultFont(kit::Font* font, TextItem* column);
    void subscript(TextItem* column);
    void superscript(TextItem* column);
    void unscript(TextItem* column);
    // tag steps of the preferences' tracking increment.
    void changeKerning(int tag, TextItem* column);
    void setTextColor(const kit::ColorRef& color);

    // ---- Panels that follow the caret.
    void updateFontPanel(TextItem* column);
    void updateFontPanelFromPoint(const textPoint* tp, TextItem* column);
    void inspectParagraph(TextParagraph* paragraph);
    void _updateObjectLinkInspector();


private:
    // Mouse, keys and typing.
    // Makes the change of the selection and shows it in every view at once.
    void showSelectionChange(DocumentView* view, const std::function<void()>& change);
    void typeCode(std::uint16_t code, bool ignoreFence);
    bool runTypingBurst(DocumentView* view, const kit::WeakLink<TextItem>& column, std::uint16_t* lastCode);
    // The column a key began in; when its layout took that column out of
    // the chain (the empty page it was on went), the column that holds the
    // caret now.
    TextItem* columnAfterEdit(const kit::WeakLink<TextItem>& column);
    void dropReleasedRepeats();
    static bool lastKeyWasUpDown_;
    static float anchorUpDownLocation_;

    bool textFlowAtEndOfLast(const flowPointer* fp) const;
    friend class TextParagraph;
    // Paragraphs from index on may need layout.
    void noteLayoutNeededFrom(int index);
    bool isUnsettled(const TextParagraph* paragraph, int index) const;
    // The first paragraph that waits for layout (the count when none).
    int firstUnsettled();
    // The layout pass: until nothing waits, or (with through) until that
    // column is final, or (with a deadline, in seconds) until it passes.
    TextParagraph* layOut(TextParagraph* edited, bool trackDamage, const TextItem* through, double deadline);
    // The first paragraph of what moves with the one at index: the earlier
    // cells of its row, the keep-with-next run before it, with that run's
    // first row; index when nothing does.
    int keepRunBefore(int index) const;
    // A run moves on for a paragraph once in a layout: true the first time.
    bool mayMoveKeepRun(int index);
    void scheduleIdleLayout();
    void idleLayout();
    void adoptTablesOfCells(kit::Coder& coder);
    void noteChangedFrom(std::size_t index) const
    {
        if (index < indexValidBelow_)
            indexValidBelow_ = index;
    }

    std::vector<std::unique_ptr<TextParagraph>> paragraphList_;
    TextParagraph* currentParagraph_ = nullptr;
    TextParagraph* inspectedParagraph_ = nullptr;
    TextItem* firstTextItem_ = nullptr;
    textPoint currPoint_{};
    textPoint endPoint_{};
    std::unique_ptr<TextSelection> textSelection_;
    std::unique_ptr<StyleParagraph> paragraphStyle_;
    std::vector<std::unique_ptr<TableDefinition>> tables_;
    std::unique_ptr<TextReplacement> replacement_;
    // Paragraphs below this index know their index (their flowIndex_).
    mutable std::size_t indexValidBelow_ = 0;
    // Layout: paragraphs before layoutFrom_ and after layoutTo_ are laid out;
    // the first paragraph of a keep-with-next run moves to the next column
    // for its next layout.
    std::size_t layoutFrom_ = 0;
    std::size_t layoutTo_ = 0;
    TextParagraph* keepRunStart_ = nullptr;
    std::vector<char> keepRunMoved_;
    bool layingOut_ = false;
    bool layingOutAll_ = false; // recomputeAll: every paragraph, all measured
    int deferLayout_ = 0;
    std::shared_ptr<kit::Timer> idleLayout_;
    // Whether text ran past the chain's last column after the last layout:
    // that column's marker shows it, and is redrawn when it changes.
    bool overflowShown_ = false;
    void showOverflow(TextDocument* doc);
};
