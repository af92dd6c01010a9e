#pragma once

// A paragraph of a text flow: its words, its paragraph style, the word that
// holds the caret and the columns its lines fall into. Editing at the caret,
// Return and joins, and the autonumber word live here; line layout later.

#include "core/Geometry.h"
#include "core/Object.h"
#include "text/InlineImage.h"
#include "text/TextPoint.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace kit {
class Font;
}
class Item;
class TextDocument;
class DocumentView;
class StyleChar;
class StyleParagraph;
class StyleParagraphNamed;
class TextFlow;
class TextItem;
class TextWord;
class TextWordSpecial;
struct Paint;

// Hanging punctuation: quotes, comma, hyphen, full stop, colon, semicolon
// and the like may reach into the margin.
bool HPunct(unsigned char c);

// How far the runaround items push a line band of the column (y and height
// inside the column) in from its left and right edges.
void getHorizDeltas(const std::vector<Item*>& list, const TextItem* column, const kit::Rect& frame, float y,
                    float height, float* left, float* right);

// How far the point misses the rectangle; 0 inside it, the largest float
// for a rectangle above the point.
float missedRectBy(const kit::Point& point, const kit::Rect& rect);

class TextParagraph : public kit::Object {
public:
    // Key codes of the two delete keys.
    static constexpr std::uint16_t DeleteBackwardKey = 0xF7E8;
    static constexpr std::uint16_t DeleteForwardKey = 0xF728;

    // The import bundle's replacement of prepareForAddByte; empty without it.
    using PrepareForAddByteHook = std::function<void(TextParagraph&, char)>;
    static PrepareForAddByteHook& prepareForAddByteHook();

    TextParagraph();
    // Its style without a colour: initWithCoder reads the style.
    explicit TextParagraph(kit::ForDecodingTag);
    ~TextParagraph() override;
    std::string className() const override { return "TextParagraph"; }
    void audit(int x) const override;
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

    TextFlow* flow() const { return flow_; }
    void setFlow(TextFlow* flow) { flow_ = flow; }
    int ordinal() const { return ordinal_; }

    // The paragraph's own style; made with the paragraph.
    StyleParagraph* paragraphStyle() const { return paragraphStyle_.get(); }
    void setParagraphStyle(std::unique_ptr<StyleParagraph> style);
    // Passed on from the style.
    StyleChar* charStyle() const;
    kit::Font* font() const;
    bool ligatures() const;
    short autonumberLevel() const;
    bool isNumbered() const { return autonumberLevel() != 0; }

    // ---- Columns (not owned). Nil clears, so that a deleted column leaves
    // no pointer behind.
    TextItem* currentItem() const { return currentItem_; }
    void setCurrentItem(TextItem* item) { currentItem_ = item; }
    TextItem* firstItem() const { return firstItem_; }
    void setFirstItem(TextItem* item);
    TextItem* lastItem() const { return lastItem_; }
    void setLastItem(TextItem* item) { lastItem_ = item; }
    // Forgets the column wherever the paragraph refers to it.
    void forgetItem(const TextItem* item);
    // Forgets every column of the list (sorted by std::less).
    void forgetItems(std::span<const TextItem* const> sorted);

    // ---- Vertical extent as the layout leaves it.
    const kit::Rect& box() const { return box_; }
    float firstY() const { return box_.origin.y; }
    void setFirstY(float y) { box_.origin.y = y; }
    float lastY() const;
    void setLastY(float y) { box_.size.height = y; }
    virtual float lastEffectiveY() const;
    // The previous paragraph's lastEffectiveY; 0 for the flow's first.
    virtual float lowestAvailableY() const;
    bool endsWithHardPage() const { return endsWithHardPage_; }
    virtual float spaceBefore() const;
    virtual float spaceAfter() const;
    virtual float spaceBetween() const;
    // Where the previous paragraph ended at the last layout.
    TextItem* prevParaLastItem() const { return prevParaLastItem_; }
    float prevParaLastY() const { return prevParaLastY_; }
    bool hasIntruders() const { return hasIntruders_; }
    bool containsWordTokens() const { return containsWordTokens_; }
    // What the last layout touched, for redrawing.
    TextItem* firstDirtyItem() const { return firstDirtyItem_; }
    TextItem* lastDirtyItem() const { return lastDirtyItem_; }
    float firstDirtyY() const { return firstDirtyY_; }
    float lastDirtyY() const { return lastDirtyY_; }

    // ---- Dirty marking: a dirty paragraph has no valid ordinal.
    bool dirty() const { return dirty_; }
    void setDirty(bool flag);
    void forceDirty() { setDirty(true); }
    void setDirtyIfParagraphStyle(const StyleParagraph* style);
    // Lays the paragraph out, and the following ones while their layout
    // changes; answers the last paragraph whose layout changed. The
    // document's page calculation and notification wait until the end.
    TextParagraph* recompute() { return recompute(false); }
    TextParagraph* recompute(bool trackDamage);
    // Lays this paragraph's lines out through the chain of columns; true
    // when its layout changed and the next paragraph must follow.
    virtual bool _compute(bool trackDamage);
    // The column after `column` for the paragraph's text from (word,
    // letter), asking for a page at the end of the chain; nil when none.
    virtual TextItem* _findNextItem(TextItem* column, TextParagraph* paragraph, int word, int letter);
    // Shifts the laid-out paragraph into the column without breaking its lines.
    void moveBy(float delta, TextItem* column);
    // Moved by something else than its own layout (a cell by its row): its
    // next layout breaks its lines again rather than shifting them.
    void forgetPreviousParagraphEnd() { prevParaLastItem_ = nullptr; }

    // ---- Hit testing in column coordinates. *letter is where the caret
    // goes in the answered word.
    TextWord* hitWordAtPoint(int* letter, TextItem* column, kit::Point point, bool* inDeadspace, bool* exact,
                             int clicks);
    TextWord* hitWordAtPoint(int* letter, TextItem* column, kit::Point point, bool* inDeadspace);

    // ---- The word list, which owns its words.
    const std::vector<std::unique_ptr<TextWord>>& wordList() const { return wordList_; }
    int wordCount() const { return int(wordList_.size()); }
    int indexOfWord(const TextWord* word) const;
    // nil for an index outside the list.
    TextWord* wordAtIndex(int index) const
    {
        return unsigned(index) < wordList_.size() ? wordList_[std::size_t(index)].get() : nullptr;
    }
    TextWord* firstWord() const { return wordAtIndex(0); }
    TextWord* lastWord() const { return wordAtIndex(wordCount() - 1); }
    TextWord* nextWord(const TextWord* word) const;
    TextWord* previousWord(const TextWord* word) const;
    bool isEmpty() const;
    // Appends the word (after `after` when given and found) and tells it its paragraph.
    TextWord* addWord(std::unique_ptr<TextWord> word, const TextWord* after = nullptr);
    TextWord* insertWord(std::unique_ptr<TextWord> word, int index);
    // Removes the word, carrying its last style to the next word and moving
    // the caret off it; the word goes back to the caller (nil when absent).
    std::unique_ptr<TextWord> removeWord(const TextWord* word);
    // Takes the word out as it is (no style carried, no document told):
    // for moving words between paragraphs.
    std::unique_ptr<TextWord> releaseWord(const TextWord* word);
    // The last word at or before index that holds style entries; -1 when
    // none does. Answered from an index of such words that lasts until the
    // list changes, so asking again and again costs next to nothing.
    int lastStyledWordAtOrBefore(int index) const;
    // The word list changed from index on; a word that gets style entries
    // says so with index 0.
    void noteWordsChangedFrom(int index) const;
    // releaseWord of each word, in one pass over the list: the answer holds
    // them in the order given, nil for a word the paragraph does not hold.
    std::vector<std::unique_ptr<TextWord>> releaseWords(std::span<TextWord* const> words);
    // insertWord of each word, in order from index on, in one pass.
    void insertWords(std::vector<std::unique_ptr<TextWord>> words, int index);
    void recomputeAllWords();
    // Words measured again and the paragraph marked for layout when the
    // style is this paragraph's own style object.
    void recomputeIfParagraphStyle(const StyleParagraph* style);
    // Each word in list order.
    void walkWordsForObject(const std::function<void(TextWord*)>& performSelector) const;

    // ---- Caret.
    TextWord* currentWord() const { return currentWord_; }
    void setCurrentWord(TextWord* word) { currentWord_ = word; }
    void setInsertToStart();
    void setInsertToEnd();
    TextWord* createCurrentWord();

    // ---- Text points of this paragraph.
    int index() const;
    textPoint* getCurrentTextPoint(textPoint* tp) const;
    textPoint* firstTextPoint(textPoint* tp) const;
    textPoint* lastTextPoint(textPoint* tp) const;
    bool isLastPoint(const textPoint* tp) const;
    textPoint* nextTextPoint(textPoint* tp) const;
    textPoint* prevTextPoint(textPoint* tp) const;
    bool isCurrentAtLogicalFirstPoint() const;

    // ---- Editing at the caret.
    void prepareForAddByte(char c);
    void addByte(unsigned char c) { addByte(c, true, true); }
    void addByte(unsigned char c, bool recomputeWord) { addByte(c, recomputeWord, true); }
    virtual void addByte(unsigned char c, bool recomputeWord, bool ignoreFence);
    void addString(const char* s, bool worryAboutStyle);
    TextWord* addSpecialWord(int type);
    TextWord* processSpecialWord(int type);
    // An in-line graphic of the picture at the source, at the caret; nil,
    // with why in error (empty when the user cancelled), when the source
    // yields no picture: nothing is inserted and the caller tells the user.
    TextWord* addGraphic(InlineImage::Source source, bool makeSymLink, std::string* error = nullptr);
    TextWord* processSpecialWord(int type, InlineImage::Source source, bool makeSymLink, std::string* error);
    TextParagraph* breakAtPoint(int index, bool carryStyle);
    TextParagraph* breakAtPoint(int index, bool carryStyle, std::unique_ptr<TextParagraph> newParagraph);
    void join(TextParagraph* next) { join(next, true); }
    void join(TextParagraph* next, bool recompute);
    // The delete keys at the caret; see the source for what one press removes.
    TextParagraph* cursorEdit(std::uint16_t key, bool* forceRedraw);

    // ---- Autonumbering.
    TextWordSpecial* autonumberWord();
    void setAutonumberLevel(short level);

    // ---- Styling. Per-character formats that differ from the base are
    // kept; those that followed the old base move with it.
    void setStylePara(const StyleParagraph* style) { setStyleParaAndUpdate(style, false); }
    void setStyleParaAndUpdate(const StyleParagraph* style, bool update);
    void setStyleParaBlowAwayFonts(const StyleParagraph* style, bool blowAwayFonts)
    {
        setStylePara(style, blowAwayFonts, true);
    }
    // blowAwayFonts forces the style's values over local ones and moves the
    // characters that used the old base font to the new one.
    void setStylePara(const StyleParagraph* style, bool blowAwayFonts, bool recompute);
    // The ruler (tabs and indents) of the style.
    void setRuler(const StyleParagraph* style, bool update);
    // Rebases the paragraph's style on the named style.
    void setBasedOnStyle(StyleParagraph* style);
    void localizeNamedParaStyle();
    // Passed on to every word.
    void resolveInDocument(TextDocument* document);
    void removeStyleReference(const StyleParagraph* style);
    // After a rebase on newBase: what newBase defines and the paragraph does
    // not (or everything while definitions are forced) follows newBase.
    void convertStyleAttributes(const StyleParagraph* newBase);
    // The style definition changed; the caller updates the paragraph style.
    void modifyStyleAttributes(const StyleParagraph* definition);
    void setFont(kit::Font* font) { setFont(font, nullptr, false); }
    void setFontWithItem(kit::Font* font, TextItem* item)
    {
        (void)item;
        setFont(font);
    }
    // Not an overload of setFont: a font pointer would pass as the flag.
    void setFontAndUpdate(kit::Font* font, bool update) { setFont(font, nullptr, update); }
    // oldFont nil stands for the character style's font.
    void setFont(kit::Font* font, kit::Font* oldFont, bool update);
    // The font panel changed the font while the paragraph is its target.
    void changeFont(kit::Object* sender, TextItem* item);
    virtual float topBorderWidth() const;
    // The rectangle of the paragraph's border inside the column, in the
    // column's coordinates; empty for a column the paragraph does not reach.
    virtual kit::Rect borderInItem(TextItem* column) const;

    // ---- Drawing into the current context, in the column's coordinates.
    // Draws the part of the paragraph that lies in the column, from the
    // word and letter given; false when the column ends inside the
    // paragraph, when it is empty or nothing can be drawn.
    bool drawSelfInView(const Paint& paint, TextItem* column, const kit::Rect& bounds, int startWord, int startLetter);
    // Marks the run kept together with this paragraph, and the next one.
    void dirtyKeptTogether();
    // The first of the run of keep-with-next paragraphs that ends at
    // paragraph; with setDirty the run after the walk's end is marked.
    static TextParagraph* findFirstParagraphToKeepTogether(TextParagraph* paragraph, bool setDirty);

private:
    friend class TextFlow;
    class LineLayout;
    std::unique_ptr<TextWord> newPlainWord() const;
    // Puts a new special word at the caret, as typing one does.
    TextWord* insertSpecialWord(std::unique_ptr<TextWordSpecial> word);
    // The lone autonumber word goes, with its paragraph.
    TextParagraph* removeLoneAutonumberParagraph();
    void deleteBackward(bool* forceRedraw, TextParagraph** result);
    void deleteForward(bool* forceRedraw, TextParagraph** result);
    void readOlderForm(kit::Coder& coder, float v);
    // Redoes every word's ligatures for the setting the style takes.
    void redoLigatures(bool ligatures);
    // Per-character colour, tracking and condense that equalled the old base
    // follow the new one, for the attributes in take.
    void followCharacterStyles(const StyleChar* oldBase, const StyleChar* newBase, int take);
    void takeWordList(kit::Coder& coder, kit::Object* list);

    std::vector<std::unique_ptr<TextWord>> wordList_;
    std::unique_ptr<StyleParagraph> paragraphStyle_;
    TextFlow* flow_ = nullptr;        // not owned
    TextWord* currentWord_ = nullptr; // an element of wordList_
    TextItem* currentItem_ = nullptr; // columns: not owned
    TextItem* firstItem_ = nullptr;
    TextItem* lastItem_ = nullptr;
    TextItem* prevParaLastItem_ = nullptr;
    float prevParaLastY_ = 0;
    kit::Rect box_{};
    int ordinal_ = -1;
    TextItem* firstDirtyItem_ = nullptr;
    TextItem* lastDirtyItem_ = nullptr;
    float firstDirtyY_ = 0;
    float lastDirtyY_ = 0;
    bool dirty_ = false;
    bool hasIntruders_ = false;
    bool endsWithHardPage_ = false;
    bool containsWordTokens_ = false;
    // Where the last word asked about was found: measuring and typing ask
    // for the same word or the next one again and again.
    mutable std::size_t lastFoundWord_ = 0;
    // The flow's cached index of this paragraph (valid below the flow's mark).
    mutable std::size_t flowIndex_ = 0;
    // The indexes of the words that hold style entries, ascending, among the
    // words before styledScanned_ (the later ones not looked at yet).
    mutable std::vector<int> styledWords_;
    mutable std::size_t styledScanned_ = 0;
};
