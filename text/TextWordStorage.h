#pragma once

// Where a word keeps what it has per letter and per line. A document holds
// hundreds of thousands of words, nearly all short and on one line: what
// such a word needs lives inside the word, so that making one costs a single
// allocation (the word's own) and its letters lie beside its fields.

#include <cstddef>
#include <memory>
#include <vector>

// One line's share of a word.
struct WordPiece {
    float x = 0;          // printer x origin
    float y = 0;          // baseline y
    float width = 0;      // printer width
    float height = 0;     // height of the piece's text
    float lineStart = 0;  // top of the line box
    float lineHeight = 0; // height of that line
    float screenX = 0;
    float screenWidth = 0;
    int lastChar = -1;    // offset of the last character; -1 runs to the end
};

class StyleChar;

// A word's pieces, never fewer than one, and its style slots. The first
// piece lives in the word itself: nearly every word lies on one line, and
// moving text walks every word, so its position is kept where the word's own
// fields already are. The other pieces (made when the layout first cuts the
// word) and the style slots (one a letter, in a word whose letters change
// style) share one block: few words have either, and a word without them
// keeps a single pointer for both.
class WordPieceList {
public:
    using StyleSlots = std::vector<std::unique_ptr<StyleChar>>;

    WordPieceList() = default;
    ~WordPieceList();
    // The pieces are copied; each list keeps its own style slots.
    WordPieceList(const WordPieceList& other);
    WordPieceList& operator=(const WordPieceList& other);

    std::size_t size() const { return 1 + (more_ ? more_->pieces.size() : 0); }
    WordPiece& operator[](std::size_t i) { return i == 0 ? first_ : more_->pieces[i - 1]; }
    const WordPiece& operator[](std::size_t i) const { return i == 0 ? first_ : more_->pieces[i - 1]; }
    // Sizes below one keep the first piece.
    void resize(std::size_t n);
    void assign(std::size_t n, const WordPiece& piece);

    // Empty while the word has none.
    bool hasStyles() const { return more_ && !more_->styles.empty(); }
    const StyleSlots* styles() const { return more_ ? &more_->styles : nullptr; }
    StyleSlots& styles();
    void dropStyles();

private:
    struct More {
        std::vector<WordPiece> pieces; // after the first
        StyleSlots styles;
        ~More();
    };
    More& more();
    // Frees the block once it holds neither.
    void releaseIfEmpty();

    // The pointer first: the piece's floats end the list, and a word's own
    // fields can follow them without a gap.
    std::unique_ptr<More> more_;
    WordPiece first_{};
};

// The per-letter arrays of a word: its letters (bytes of the documents' set),
// the printer and the screen advance of each, and its hyphen points (never
// more than its letters). All four have room for capacity() entries. Up to
// InlineCapacity entries are kept inside the word; a longer word keeps the
// four arrays together in one block of its own.
class WordLetters {
public:
    // Words of up to ten letters with the two entries setText leaves spare:
    // with them the word fills the allocation it takes anyway.
    static constexpr int InlineCapacity = 12;

    WordLetters() : inline_{} {}
    ~WordLetters();
    WordLetters(const WordLetters&) = delete;
    WordLetters& operator=(const WordLetters&) = delete;

    int capacity() const { return onHeap_ ? heap_.capacity : InlineCapacity; }
    bool isInline() const { return !onHeap_; }
    // Room for at least `entries` entries in every array: inside while they
    // fit, else a block of exactly that many. The first `keep` entries of
    // every array keep their values; all the others are zero afterwards.
    void reserve(int entries, int keep);

    unsigned char* text() { return onHeap_ ? heapText() : inline_.text; }
    const unsigned char* text() const { return onHeap_ ? heapText() : inline_.text; }
    float* widths() { return onHeap_ ? heapWidths() : inline_.widths; }
    const float* widths() const { return onHeap_ ? heapWidths() : inline_.widths; }
    float* screenWidths() { return onHeap_ ? heapWidths() + heap_.capacity : inline_.screenWidths; }
    const float* screenWidths() const { return onHeap_ ? heapWidths() + heap_.capacity : inline_.screenWidths; }
    // Hyphen point i, an offset into the letters; i below capacity().
    int hyphen(int i) const
    {
        if (!onHeap_)
            return inline_.hyphens[i];
        return heapHyphenBytes() ? heapHyphenArea()[i] : reinterpret_cast<const short*>(heapHyphenArea())[i];
    }
    // The offset is below capacity(), as every offset into the letters is.
    void setHyphen(int i, int offset)
    {
        if (!onHeap_)
            inline_.hyphens[i] = static_cast<unsigned char>(offset);
        else if (heapHyphenBytes())
            heapHyphenArea()[i] = static_cast<unsigned char>(offset);
        else
            reinterpret_cast<short*>(heapHyphenArea())[i] = static_cast<short>(offset);
    }

private:
    struct Inline {
        unsigned char text[InlineCapacity];
        // Offsets below InlineCapacity: a byte holds each.
        unsigned char hyphens[InlineCapacity];
        float widths[InlineCapacity];
        float screenWidths[InlineCapacity];
    };
    // A block holds the widths, the screen widths, the hyphen points and the
    // letters, capacity entries each, in that order. The points are bytes
    // while every offset fits one, shorts beyond.
    struct Heap {
        int capacity;
        unsigned char* block;
    };
    float* heapWidths() const { return reinterpret_cast<float*>(heap_.block); }
    static constexpr int ByteHyphensUpTo = 256;
    static std::size_t hyphenSize(int capacity) { return capacity <= ByteHyphensUpTo ? 1 : sizeof(short); }
    bool heapHyphenBytes() const { return heap_.capacity <= ByteHyphensUpTo; }
    unsigned char* heapHyphenArea() const
    {
        return reinterpret_cast<unsigned char*>(heapWidths() + 2 * std::size_t(heap_.capacity));
    }
    unsigned char* heapText() const
    {
        return heapHyphenArea() + std::size_t(heap_.capacity) * hyphenSize(heap_.capacity);
    }

    // The block takes the room of the arrays it replaces.
    union {
        Inline inline_;
        Heap heap_;
    };
    // Last: a word's own small fields can take the room after it.
    bool onHeap_ = false;
};
