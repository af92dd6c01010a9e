#pragma once

// The selected range of one flow: two points and an end type that says
// whether the paragraph break of the last paragraph goes with it. Deleting,
// inserting, copying to the pasteboard and styling all start from it.

#include "core/Geometry.h"
#include "core/Object.h"
#include "text/TextPoint.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kit {
class Color;
class Font;
class Pasteboard;
class Unarchiver;
using ColorRef = std::shared_ptr<const Color>;
}
class TextDocument;
class DocumentView;
class StyleChar;
class StyleParagraph;
class StyleParagraphNamed;
class TextFlow;
class TextItem;
class TextParagraph;
class TextWord;
class TextWordSpecial;
struct Paint;

// Selection end types, shared by everything that makes or reads a selection.
enum TextSelectionType : int {
    SelectionNone = -1,
    SelectionChar = 0,
    SelectionPara = 1,
    SelectionWord = 2,
    SelectionCharTail = 4,
    SelectionWordTail = 5,
};

// The private pasteboard type of copied text, and the pasteboard that keeps
// deleted text for undelete.
inline constexpr const char* LayvanePboardTypeTEXT = "Layvane Text Pasteboard Type";
inline constexpr const char* ZYN_PRIVATEKILL = "ZYNPrivateKillPboard";

// Characters a pasted word stays joined to on its left and right.
extern const char ZYNSmartLeft[10];
extern const char ZYNSmartRight[15];

// The pasteboard served while a copied selection is read back (nil otherwise).
extern kit::Pasteboard* textWordSpecialPboardGlobalHack;

class TextSelection : public kit::Object {
public:
    // Export type codes of writeTextToStream.
    static constexpr int ExportPlain = 7;
    static constexpr int ExportRTF = 8;
    static constexpr int ExportRTFD = 9;
    // containsItem gives up after this many steps along a chain of columns.
    static constexpr int MaxChainSteps = 5000;

    TextSelection();
    ~TextSelection() override;
    TextSelection(const TextSelection&) = delete;
    TextSelection& operator=(const TextSelection&) = delete;
    std::string className() const override { return "TextSelection"; }
    static void initialize();

    // ---- Class functions.
    static const char* selType(int type);
    static int selTypeWithTail(int type);
    static bool inMainBody(const TextFlow* flow);
    static const char* charForIndex(const TextWord* word, unsigned index);
    static bool isCharAPasteFence(int endType, char c);

    // ---- Making and clearing.
    bool selectBetween(const textPoint* a, const textPoint* b, TextFlow* flow, bool endWithParaBreak);
    bool selectBetween(const textPoint* a, const textPoint* b, TextFlow* flow, int endAs, bool drawTail);
    void empty();
    void setFlow(TextFlow* flow) { flow_ = flow; }
    void setEndOfFlow(bool flag) { endOfFlow_ = flag; }
    void setEndWithParaBreak(bool flag) { endWithParaBreak_ = flag; }
    TextSelection* setSuppressWarnings(bool flag)
    {
        suppressWarnings_ = flag;
        return this;
    }

    // ---- Reading.
    TextFlow* flow() const { return flow_; }
    const std::vector<TextParagraph*>& paragraphList() const { return paragraphList_; }
    const std::vector<TextWord*>& wordList() const { return wordList_; }
    int selectionEndType() const { return endType_; }
    int selectionBoxesType() const { return boxesType_; }
    bool endWithParaBreak() const { return endWithParaBreak_; }
    bool endOfFlow() const { return endOfFlow_; }
    bool wasLeftFence() const { return wasLeftFence_; }
    bool wasRightFence() const { return wasRightFence_; }
    bool suppressWarnings() const { return suppressWarnings_; }
    bool textPointsFlipped() const { return textPointsFlipped_; }
    textPoint* startPoint() { return &start_; }
    textPoint* endPoint() { return &end_; }
    const textPoint& start() const { return start_; }
    const textPoint& end() const { return end_; }
    textPoint* anchorPoint() { return textPointsFlipped_ ? &end_ : &start_; }
    int startParagraph() const { return start_.paragraph; }
    int endParagraph() const { return end_.paragraph; }
    int startByte() const { return start_.letter; }
    int endByte() const { return end_.letter; }
    bool hasMultipleParagraphs() const { return start_.paragraph != end_.paragraph; }
    bool isEmpty() const;
    bool containsTextPoint(const textPoint* point) const;
    // Whether the column shows part of the selection: walks the chain from
    // the start's column to the end's. Past MaxChainSteps columns the walk
    // watches for a column met twice; a chain that loops answers NO with a
    // warning, a long sound chain is walked to its end.
    bool containsItem(TextItem* item) const;
    bool containsSpecialWordType(int type) const;
    bool hasEmbeddedGraphics() const { return containsSpecialWordType(101); }
    std::vector<TextWord*> embeddedGraphicsList() const;
    TextWord* countObjectLinks(int* count) const;
    // Builds the lists on first use; an empty selection has none (nullptr).
    const std::vector<TextWord*>* _buildWordList();
    TextSelection* printSelection(int tag);

    // ---- Deleting and inserting.
    bool canDelete();
    bool canInsertInFlow(const TextFlow* flow) const;
    // Whether the selection fits at a caret in that paragraph (a table cell
    // takes part of one paragraph only).
    bool canInsertInParagraph(const TextParagraph* paragraph) const;
    void deleteFromItem(TextItem* item) { deleteFromItem(item, true, true); }
    // The flow releases the selection at the end: do not use it afterwards.
    void deleteFromItem(TextItem* item, bool recompute, bool undo);
    // Moves the receiver's words into the flow at its caret; once only.
    void insertInFlow(TextFlow* flow, const textPoint* point, bool copy);
    void _squashWord(TextWord* word);

    // ---- The pasteboard.
    void copyToPasteboard(kit::Pasteboard& pboard) { copyToPasteboard(pboard, nullptr); }
    void copyToPasteboard(kit::Pasteboard& pboard, const std::vector<std::string>* types);
    // The selection's stored form, as the private type carries it; empty
    // when it cannot be written.
    std::string archivedData();
    static void pasteboardProvideDataForType(kit::Pasteboard& pboard, const std::string& type);
    static void convert(kit::Unarchiver* unarchiver, const std::string& type, kit::Pasteboard& pboard);
    // Reads a copied selection; throws kit::Exception for data that is not
    // one. The document is the one special words attach to (may be nil).
    static std::unique_ptr<TextSelection> selectionFromData(const std::string& data, kit::Pasteboard* pboard,
                                                            TextDocument* document);
    // Plain text (bytes of the documents' set, lines ending in a line feed)
    // as a selection ready to insert; nil for empty text.
    static std::unique_ptr<TextSelection> selectionFromPlainText(const std::string& text);
    bool writeTextToStream(std::string& stream, int type);
    // The import bundle's RTF writer; empty (writes nothing) without it.
    using WriteRTFHook = std::function<void(TextSelection&, std::string& stream)>;
    static WriteRTFHook& writeRTFHook();
    void writeRTF(std::string& stream);

    // ---- Styling the selected text.
    void setFont(kit::Font* font, TextItem* item);
    void setFontSize(float size, TextItem* item);
    void changeTracking(float delta, TextItem* item);
    void changeVertical(float delta, TextItem* item);
    void modifyFontAttribute(unsigned short mask, bool enable, TextItem* item);
    void setTextColor(const kit::ColorRef& color);
    void changeFont(kit::Object* sender, TextItem* item);
    void setParagraphDefaultFont(kit::Font* font, TextItem* item);
    short langId() const;
    void setLangId(short id);
    void changeCaseWithTag(int tag);
    TextParagraph* setStylePara(const StyleParagraph* style);
    TextParagraph* setRuler(const StyleParagraph* style);
    void localizeNamedParaStyle(StyleParagraphNamed* style);

    // ---- Feedback on screen.
    // The rectangles (column coordinates) that show the part of the
    // selection the column holds, each inverted once: 1 or 3 for a column,
    // 2 for two adjacent lines that do not overlap, one per piece inside a
    // single word; none reaches past the column's area. Empty when the
    // column shows none of it.
    std::vector<kit::Rect> highlightRectsInItem(TextItem* column) const;
    // Inverts them in the current context; drawing twice removes them.
    void drawSelfInItem(TextItem* column, const Paint& paint);
    // The font panel, the font accessory and the flow's typing style show
    // what the selection holds: the start's font, "multiple" when another
    // font occurs, -1234.0 for a value that differs.
    void updateFontPanel();

    // ---- Stored form.
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    std::vector<kit::Rect> unclippedHighlightRectsInItem(TextItem* column) const;
    // Orders the points into start and end; equal points select only when
    // asked. False for an empty selection.
    bool placePoints(const textPoint& a, const textPoint& b, bool equalPointsSelect);
    // Visits the selected words of the flow in order; stops when fn answers false.
    void walkWords(const std::function<bool(TextWord*)>& fn) const;
    void dropLists();
    // The run walk over the styles in force: needs says whether a style
    // needs the change, change makes it. True when it stored a style of
    // its own in a word (the word is to be measured again).
    bool walkRuns(const std::function<bool(const StyleChar*)>& needs, const std::function<void(StyleChar*)>& change,
                  bool copyAtEndAlways);
    void finishStyling(bool remeasure);
    void insertParagraphs(TextFlow* flow);
    void insertWords(TextFlow* flow);

    TextFlow* flow_ = nullptr; // not retained
    std::vector<TextParagraph*> paragraphList_;
    std::vector<TextWord*> wordList_;
    bool listsBuilt_ = false;
    // Paragraph-end words made for the word list.
    std::vector<std::unique_ptr<TextWordSpecial>> paraBreakList_;
    // What a selection read back owns: the objects its graph points at
    // (freed last), its paragraphs and the words of its word list that no
    // paragraph holds.
    std::vector<std::unique_ptr<kit::Object>> keepAlive_;
    std::vector<std::unique_ptr<TextParagraph>> ownedParagraphs_;
    std::vector<std::unique_ptr<TextWord>> ownedWords_;
    textPoint start_{};
    textPoint end_{};
    int endType_ = SelectionNone;
    int boxesType_ = 0;
    bool endWithParaBreak_ = false;
    bool textPointsFlipped_ = false;
    bool wasLeftFence_ = false;
    bool wasRightFence_ = false;
    bool endOfFlow_ = false;
    bool suppressWarnings_ = false;
};
