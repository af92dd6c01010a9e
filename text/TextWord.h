#pragma once

// One word of a paragraph: its characters (bytes of the documents' set,
// usually with the trailing space), the printer and screen advance of every
// character, the character styles that begin inside it, its hyphen points,
// and the pieces the line layout cuts it into, one per line it occupies.

#include "core/Geometry.h"
#include "core/Object.h"
#include "text/TextWordStorage.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kit {
class DrawContext;
class Font;
}
class TextDocument;
class DocumentView;
class StyleChar;
class TextItem;
class TextParagraph;
struct Paint;

// Codes of the documents' set the word makes or recognises.
inline constexpr unsigned char TextFiLigature = 0xAE;
inline constexpr unsigned char TextFlLigature = 0xAF;
inline constexpr unsigned char TextEmDash = 0xD0;
inline constexpr unsigned char TextEnDash = 0xB1;
inline constexpr unsigned char TextLeftDoubleQuote = 0xAA;
inline constexpr unsigned char TextRightDoubleQuote = 0xBA;
inline constexpr unsigned char TextLeftSingleQuote = 0x60;
inline constexpr unsigned char TextApostrophe = 0x27;

// Plain-text export types.
inline constexpr int TextExportPlain = 7;
inline constexpr int TextExportPlainRange = 8;

class TextWord : public kit::Object {
public:
    // "The whole word" in selection ranges, and "past the end" in style and
    // hit-test answers.
    static constexpr int WholeWord = 32767;
    // The longest word: maxlength (length + 2) must stay below WholeWord.
    static constexpr int MaxWordLength = 32764;
    // Characters sent to one xyshow.
    static constexpr int XYShowChunk = 4095;

    // Registers the word classes with the archiver and sets up hyphenation.
    static void initialize();
    // Gives the hyphenation engine the resources folder its tables are in;
    // languages that failed for want of them are tried again.
    static void initializeHyphenation();

    // Splits an unbroken run of characters into pieces that each fit in a
    // word; the pieces keep every character, in order.
    static std::vector<std::string> splitIntoWordTexts(const std::string& text);

    // ---- Creation (initWithText:andFont: is the designated initializer;
    // the font is not used).
    TextWord();
    // No letters yet: initWithCoder sizes them for the stored word.
    explicit TextWord(kit::ForDecodingTag);
    explicit TextWord(const char* text, kit::Font* font = nullptr);
    // A word of text that comes in bulk (plain text pasted or read): the
    // characters stored as setText stores them, up to the first NUL, and the
    // hyphen points left for the layout to find where a line ends
    // (hyphenCount -1). Throws as setText for a text too long for a word.
    static std::unique_ptr<TextWord> wordForText(std::string_view text);
    ~TextWord() override;
    TextWord(const TextWord&) = delete;
    TextWord& operator=(const TextWord&) = delete;
    TextWord* initWithText(const char* text, kit::Font* font);
    TextWord* initWithFont(kit::Font* font) { return initWithText("", font); }
    // Buffers of its own; no style array or hyphen list carried over.
    virtual std::unique_ptr<TextWord> copy() const;

    std::string className() const override { return "TextWord"; }

    // ---- Text and characters.
    // Null is empty text. Throws kit::Exception (range) for a text longer
    // than MaxWordLength: split it with splitIntoWordTexts first.
    virtual void setText(const char* text);
    const char* text() const { return reinterpret_cast<const char*>(letters_.text()); }
    virtual int length() const { return length_; }
    // The stored count, whatever a subclass counts for the flow.
    short textLength() const { return length_; }
    // The stored letter at index when this is a plain word and index is
    // inside its text; -1 otherwise. Not virtual: the flow stream reads every
    // character through it.
    int plainByteAt(int index) const
    {
        return plain_ && unsigned(index) < unsigned(length_) ? int(letters_.text()[index]) : -1;
    }
    short maxlength() const { return maxlength_; }
    virtual const char* charAtIndex(int index) const;
    // Throws kit::Exception (range) when the word is already as long as a
    // word may be: the caller starts a new word instead.
    void addByte(unsigned char c, bool recompute);
    void addString(const char* s, bool worryAboutStyle);
    // Removes characters a..b inclusive; the terminator never goes.
    void deleteFrom(int a, int b);
    void deleteLeft();
    void deleteRight();
    TextWord* transposeCurrent();
    void convertCase(int mode, int a, int b);
    void adjustLigaturesFrom(int a, int b);
    void stripTrailingSpaces();
    void append(TextWord* other);
    // The new word goes into the paragraph's word list after this one;
    // without a paragraph nothing is split and the answer is nil.
    TextWord* breakAt(int k) { return breakAt(k, true); }
    TextWord* breakAt(int k, bool recompute);
    void growCapacityBy(int n);

    int insertPoint() const { return insertPoint_; }
    void setInsertPoint(int offset);
    void setInsertToStart() { insertPoint_ = 0; }
    virtual void setInsertToEnd() { insertPoint_ = length_; }
    short langId() const { return langId_; }
    void setLangId(short id);

    // ---- Styles (entries owned by the word).
    virtual void addCharStyle(std::unique_ptr<StyleChar> style, int offset);
    std::vector<std::unique_ptr<StyleChar>>& createStylesIfNeeded();
    const std::vector<std::unique_ptr<StyleChar>>* theStyles() const
    {
        return hasStyles() ? wordPieceInfo_.styles() : nullptr;
    }
    bool hasStyles() const { return wordPieceInfo_.hasStyles(); }
    StyleChar* styleAt(int offset) const;
    virtual StyleChar* lastStyle() const;
    void stripTrailingStyle();

    // ---- Measuring.
    // The paragraph's font is given to a style without one.
    virtual void computeWithStyle(StyleChar* style);
    float widthOfCharAtIdx(int i) const { return validIndex(i) ? letters_.widths()[i] : 0.0f; }
    float screenWidthOfCharAtIdx(int i) const { return validIndex(i) ? letters_.screenWidths()[i] : 0.0f; }
    void setWidthOfChar(float w, int i);
    void setScreenWidthOfChar(float w, int i);
    const float* charWidthArray() const { return letters_.widths(); }
    const float* screenWidthArray() const { return letters_.screenWidths(); }
    const float* activeWidthArray() const { return usesScreenMetrics() ? screenWidthArray() : charWidthArray(); }
    // True when hit tests, rectangles and drawing use the screen values.
    bool usesScreenMetrics() const;
    float descent() const { return descent_; }
    float ascent() const { return wordPieceInfo_[0].height - descent_; }
    float spaceWidth() const { return spaceWidth_; }
    float screenSpaceWidth() const { return screenSpaceWidth_; }
    void setXWidth(float w) { wordPieceInfo_[0].width = w; }
    void setScreenWidth(float w) { wordPieceInfo_[0].screenWidth = w; }

    // ---- Hyphen points (computed on first need after a change).
    void setHyphens();
    short hyphenCount() const { return hyphenCount_; }
    // Point h (below hyphenCount()): the offset of the letter a line cut
    // there begins with.
    int hyphenAt(int h) const { return h >= 0 && h < hyphenCount_ ? letters_.hyphen(h) : -1; }

    // ---- Pieces. Accessors ignore an index past the pieces (getters read
    // piece 0).
    short numWordPieces() const { return numWordPieces_; }
    short maxWordPiece() const { return static_cast<short>(wordPieceInfo_.size()); }
    const WordPiece& piece(int index) const { return wordPieceInfo_[pieceIndex(index)]; }
    void setOrigin(kit::Point origin, int piece);
    void setScreenX(float x, int piece);
    void setLineStart(float start, float height, int piece);
    float xOriginForPiece(int p) const { return piece(p).x; }
    float yOriginForPiece(int p) const { return piece(p).y; }
    float screenOriginForPiece(int p) const { return piece(p).screenX; }
    float lineStartForPiece(int p) const { return piece(p).lineStart; }
    float xWidthForPiece(int p) const { return piece(p).width; }
    float screenWidthForPiece(int p) const { return piece(p).screenWidth; }
    int firstOffsetForPiece(int p) const;
    // The offset after the piece's last character.
    int endOffsetForPiece(int p) const;
    virtual void hyphenateAt(int k);
    void removeLastWordPiece();
    void emptyWordPieces();
    // Where a word starting at `start` on a line of remaining width
    // `maxWidth` can break; *range 0 when it cannot.
    virtual void findPiece(int piece, kit::Font* font, float maxWidth, int start, int* range, float* width,
                           bool force);
    int firstCharAt(float lineStart) const;
    int lastCharAt(float lineStart) const;
    float originForLineStart(float lineStart) const;
    void moveBy(float dx, float dy);

    // ---- Hit testing, rectangles, drawing, export.
    virtual int hitAtPoint(float x, int piece);
    // One rectangle per piece of the whole word.
    std::vector<kit::Rect> wholeWordRects() const;
    int getSelectionRects(kit::Rect* rects, int from, int to) const
    {
        return getSelectionRects(rects, nullptr, nullptr, nullptr, from, to);
    }
    // Room for numWordPieces entries in every array given.
    virtual int getSelectionRects(kit::Rect* rects, float* yOrigins, int* firstOffsets, int* lastOffsets,
                                  int from, int to) const;
    // Draws into the current context.
    virtual bool drawSelfInView(const Paint& paint, TextItem* item, kit::Font* font, kit::Point point,
                                kit::Size* moved);
    virtual void drawBox();
    virtual bool writeTextToStream(std::string& stream, int type) const;
    virtual bool writeTextToStream(std::string& stream, int type, int start, int end) const;

    // ---- Identity.
    virtual int wordType() const { return 0; }
    virtual bool isSpecial() const { return false; }
    virtual bool isSpecialType(int type) const { (void)type; return false; }
    virtual bool isVisible() const { return true; }
    virtual bool isPageDependent() const { return false; }
    virtual bool canDelete() { return true; }
    virtual bool isGraphicLink() const { return false; }
    virtual void resolveInDocument(TextDocument* document) { (void)document; }
    virtual void removeFromDocument(TextDocument* document) { (void)document; }
    virtual void cleanupObjectLink() {}
    virtual void insertInParagraph(TextParagraph* paragraph) { paragraph_ = paragraph; }
    void setParagraph(TextParagraph* paragraph) { paragraph_ = paragraph; }
    TextParagraph* paragraph() const { return paragraph_; }
    bool isSelected() const { return selected_; }
    void setSelected(bool flag) { selected_ = flag; }

    void _printWordPieces() const;

    // ---- Stored form.
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

protected:
    struct HyphensLater {};
    // One piece, no text yet, hyphen points not computed.
    explicit TextWord(HyphensLater);
    // setText without the hyphen points and the measuring that follow it.
    void storeText(const char* text, std::size_t length);
    // True while an import runs and words wait to be measured.
    bool importGate() const;
    bool validIndex(int i) const { return i >= 0 && i < maxlength_; }
    std::size_t pieceIndex(int p) const { return p >= 0 && p < numWordPieces_ ? std::size_t(p) : 0; }
    // The buffers hold at least `entries` entries; new entries are zero.
    void ensureCapacity(int entries);
    // Sets `maxlength` entries of every buffer, zero-filled.
    void allocateBuffers(int capacity);
    // The per-letter arrays, maxlength entries each.
    unsigned char* textBuffer() { return letters_.text(); }
    const unsigned char* textBuffer() const { return letters_.text(); }
    float* widthBuffer() { return letters_.widths(); }
    float* screenWidthBuffer() { return letters_.screenWidths(); }
    // The style array; only while hasStyles().
    std::vector<std::unique_ptr<StyleChar>>& styleSlots() { return wordPieceInfo_.styles(); }
    const std::vector<std::unique_ptr<StyleChar>>& styleSlots() const { return *wordPieceInfo_.styles(); }
    // The style in force before the word, as the flow sees it.
    StyleChar* styleInForce(int letter, bool* metSymbol) const;
    // Sets the style entries around a character typed with this style.
    // The letter typed at `at` (count 0), or the count letters inserted
    // there, take the typing style; what follows keeps the style it had.
    void applyTypingStyle(int at, const StyleChar* typing, const StyleChar* previous, bool metSymbol,
                          int count = 0);
    void invalidateHyphens();
    // Measures from the starting style; token words look at style entries 0
    // and 1 only and kern every pair.
    void measureRun(StyleChar* firstStyle, bool tokenRules);
    // Measures from the word's own first style, else the one given, else the
    // style in force before it.
    void measureFromStyle(StyleChar* style, bool tokenRules);
    // A new empty word of this word's class (splitting).
    virtual std::unique_ptr<TextWord> newWordOfSameClass() const;
    TextDocument* flowDocument() const;
    void readPlainWord(kit::Coder& coder);

    // A document holds hundreds of thousands of words: the fields are in
    // an order that leaves no gaps between them, and the two storage members
    // let the fields after them take the room their alignment leaves at
    // their ends.
    TextParagraph* paragraph_ = nullptr; // not retained
    // The pieces and the style slots (none while empty).
    [[no_unique_address]] WordPieceList wordPieceInfo_;
    // The whole word's widths as last measured (-1 before that): a word the
    // layout cut into pieces takes them back when it is whole again.
    float wholeWidth_ = -1;
    float wholeScreenWidth_ = -1;
    float descent_ = 0;
    float spaceWidth_ = 0;
    float screenSpaceWidth_ = 0;
    // text, widths, screenWidths and hyphen points (hyphenCount in use).
    [[no_unique_address]] WordLetters letters_;
    bool selected_ = false;
    // False in special words, whose length and letters are their own.
    bool plain_ = true;
    short length_ = 0;
    short maxlength_ = 0;
    short insertPoint_ = 0;
    short langId_ = 0;
    short hyphenCount_ = -1;
    short numWordPieces_ = 1;
};

// Copies a NUL-terminated string with the fi and fl ligatures spelled out;
// answers how many characters the copy gained.
int strcpyAndFix(std::string& destination, const char* source);

// The stop-character map of a language (non-zero bytes forbid hyphenating a
// word that holds them); nullptr for a language the engine cannot serve.
const unsigned char* mapForLangId(int langId);
