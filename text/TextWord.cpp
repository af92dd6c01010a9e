#include "text/TextWord.h"

#include "core/CharClass.h"
#include "core/Exception.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/Preferences.h"
#include "foundation/StyleChar.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

// A document holds a word for every few letters: a word of up to ten
// letters is one allocation of 256 bytes in a 64-bit build.
static_assert(sizeof(void*) != 8 || sizeof(TextWord) <= 248, "a short word no longer fits its allocation");

namespace {

Preferences* preferences() { return Main ? Main->preferences() : nullptr; }

bool smartPunctuationOn()
{
    Preferences* p = preferences();
    return p && p->smartPunctuation();
}

bool isDoubleQuote(unsigned char c) { return c == TextLeftDoubleQuote || c == '"' || c == TextRightDoubleQuote; }

} // namespace

bool TextWord::importGate() const
{
    const TextFlow* flow = paragraph_ ? paragraph_->flow() : nullptr;
    return flow && flow->importGate();
}

std::vector<std::string> TextWord::splitIntoWordTexts(const std::string& text)
{
    std::vector<std::string> out;
    for (std::size_t at = 0; at < text.size(); at += MaxWordLength)
        out.push_back(text.substr(at, MaxWordLength));
    if (out.empty())
        out.emplace_back();
    return out;
}

// ---- Creation.

TextWord::TextWord() { initWithText("", nullptr); }

TextWord::TextWord(const char* text, kit::Font* font) { initWithText(text, font); }

TextWord::TextWord(HyphensLater) {}

TextWord::TextWord(kit::ForDecodingTag) : TextWord(HyphensLater{})
{
    Preferences* p = preferences();
    langId_ = p ? static_cast<short>(p->languageId()) : 0;
}

TextWord::~TextWord() = default;

TextWord* TextWord::initWithText(const char* text, kit::Font* font)
{
    (void)font;
    wordPieceInfo_.assign(1, WordPiece{});
    numWordPieces_ = 1;
    hyphenCount_ = -1;
    Preferences* p = preferences();
    langId_ = p ? static_cast<short>(p->languageId()) : 0;
    setText(text);
    return this;
}

std::unique_ptr<TextWord> TextWord::newWordOfSameClass() const { return std::make_unique<TextWord>(); }

std::unique_ptr<TextWord> TextWord::copy() const
{
    std::unique_ptr<TextWord> word = newWordOfSameClass();
    word->langId_ = langId_;
    word->paragraph_ = paragraph_;
    word->setText(text());
    word->wordPieceInfo_ = wordPieceInfo_;
    word->numWordPieces_ = numWordPieces_;
    word->wholeWidth_ = wholeWidth_;
    word->wholeScreenWidth_ = wholeScreenWidth_;
    return word;
}

// ---- Buffers.

void TextWord::allocateBuffers(int capacity)
{
    maxlength_ = static_cast<short>(capacity);
    letters_.reserve(capacity, 0);
    // The points went with the letters.
    if (hyphenCount_ > 0)
        hyphenCount_ = -1;
    if (hasStyles()) {
        styleSlots().clear();
        styleSlots().resize(std::size_t(capacity));
    }
}

void TextWord::growCapacityBy(int n)
{
    if (n <= 0)
        return;
    const int capacity = std::min<int>(maxlength_ + n, WholeWord);
    // Every entry after the terminator is zero; the hyphen points lie
    // before it.
    letters_.reserve(capacity, std::min<int>(length_ + 1, maxlength_));
    if (hasStyles())
        styleSlots().resize(std::size_t(capacity));
    maxlength_ = static_cast<short>(capacity);
}

void TextWord::ensureCapacity(int entries)
{
    if (maxlength_ < entries)
        growCapacityBy(entries - maxlength_);
}

// ---- Text.

void TextWord::setText(const char* s)
{
    // Nothing is empty text: the length and the characters agree.
    if (!s)
        s = "";
    storeText(s, std::strlen(s));
    if (importGate()) {
        // The points wait for the layout, as the measuring waits for the
        // import's end: never the old text's points.
        invalidateHyphens();
        return;
    }
    setHyphens();
    if (paragraph_)
        computeWithStyle(nullptr);
}

std::unique_ptr<TextWord> TextWord::wordForText(std::string_view text)
{
    std::unique_ptr<TextWord> word(new TextWord(HyphensLater{}));
    Preferences* p = preferences();
    word->langId_ = p ? static_cast<short>(p->languageId()) : 0;
    // As a C string: the characters up to the first NUL.
    word->storeText(text.data(), text.substr(0, text.find('\0')).size());
    return word;
}

void TextWord::storeText(const char* s, std::size_t n)
{
    if (n > std::size_t(MaxWordLength))
        kit::Exception::raise(kit::RangeException, "a word of " + std::to_string(n) + " characters is too long");
    const bool own = maxlength_ > 0 && s == text();
    if (maxlength_ == 0)
        allocateBuffers(int(n) + 2);
    else
        ensureCapacity(int(n) + 2);
    unsigned char* t = textBuffer();
    if (!own)
        std::memcpy(t, s, n);
    // A shorter text leaves no widths of the old one after its end.
    if (int(n) < length_) {
        std::fill(widthBuffer() + n + 1, widthBuffer() + maxlength_, 0.0f);
        std::fill(screenWidthBuffer() + n + 1, screenWidthBuffer() + maxlength_, 0.0f);
    }
    length_ = static_cast<short>(n);
    std::fill(t + n, t + maxlength_, 0);

    if (length_ > 0 && smartPunctuationOn()) {
        const bool ligatures = paragraph_ && paragraph_->ligatures();
        auto removeAt = [&](int at) {
            std::memmove(t + at, t + at + 1, std::size_t(length_ - at));
            if (hasStyles())
                std::move(styleSlots().begin() + at + 1, styleSlots().begin() + length_ + 1, styleSlots().begin() + at);
            --length_;
            t[length_ + 1] = 0;
        };
        for (int i = 0; i < length_; ++i) {
            const unsigned char c = t[i];
            if (c == '.' && i == length_ - 1 && i > 0 && isDoubleQuote(t[i - 1])) {
                t[i - 1] = '.';
                t[i] = TextRightDoubleQuote;
            } else if (c == TextApostrophe) {
                if (i == 0)
                    t[i] = TextLeftSingleQuote;
            } else if (c == '"') {
                if (i == 0) {
                    t[i] = TextLeftDoubleQuote;
                } else if (i == length_ - 1) {
                    t[i] = TextRightDoubleQuote;
                } else if (i == length_ - 2) {
                    const unsigned char last = t[i + 1];
                    if (last == '.') {
                        t[i] = '.';
                        t[i + 1] = TextRightDoubleQuote;
                    } else if (kit::isPunct(last)) {
                        t[i] = TextRightDoubleQuote;
                    }
                } else if (kit::isPunct(t[i - 1]) && !kit::isPunct(t[i + 1])) {
                    t[i] = TextLeftDoubleQuote;
                }
            } else if (c == '-' && i > 0 && t[i - 1] == '-') {
                t[i - 1] = TextEmDash;
                removeAt(i--);
            } else if ((c == 'i' || c == 'l') && i > 0 && t[i - 1] == 'f' && ligatures) {
                t[i - 1] = c == 'i' ? TextFiLigature : TextFlLigature;
                removeAt(i--);
            }
        }
    }
    if (insertPoint_ > length_)
        insertPoint_ = length_;
}

const char* TextWord::charAtIndex(int index) const
{
    if (index == length_)
        return " ";
    if (index < 0 || index > length_)
        return nullptr;
    return text() + index;
}

void TextWord::setInsertPoint(int offset) { insertPoint_ = static_cast<short>(std::clamp<int>(offset, 0, length_)); }

void TextWord::setLangId(short id)
{
    if (id == langId_)
        return;
    langId_ = id;
    // The points of the new language are found when the layout asks.
    invalidateHyphens();
}

void TextWord::invalidateHyphens() { hyphenCount_ = -1; }

// ---- Styles.

StyleChar* TextWord::styleAt(int offset) const
{
    if (!hasStyles() || offset < 0 || offset >= int(styleSlots().size()))
        return nullptr;
    return styleSlots()[std::size_t(offset)].get();
}

std::vector<std::unique_ptr<StyleChar>>& TextWord::createStylesIfNeeded()
{
    if (!hasStyles()) {
        styleSlots().resize(std::size_t(std::max<int>(maxlength_, 1)));
        // The paragraph's index of the words that hold styles must see it.
        if (paragraph_)
            paragraph_->noteWordsChangedFrom(0);
    }
    return styleSlots();
}

void TextWord::addCharStyle(std::unique_ptr<StyleChar> style, int offset)
{
    if (offset < 0 || offset > length_)
        return;
    createStylesIfNeeded()[std::size_t(offset)] = std::move(style);
}

StyleChar* TextWord::lastStyle() const
{
    if (!hasStyles())
        return nullptr;
    for (int i = length_; i >= 0; --i)
        if (styleSlots()[std::size_t(i)])
            return styleSlots()[std::size_t(i)].get();
    return nullptr;
}

void TextWord::stripTrailingStyle()
{
    if (hasStyles())
        styleSlots()[std::size_t(length_)].reset();
}

StyleChar* TextWord::styleInForce(int letter, bool* metSymbol) const
{
    if (metSymbol)
        *metSymbol = false;
    if (!paragraph_)
        return nullptr;
    TextFlow* flow = paragraph_->flow();
    if (!flow)
        return paragraph_->charStyle();
    textPoint point = flow->pointOfWord(this);
    if (point.paragraph < 0)
        return paragraph_->charStyle();
    point.letter = letter;
    StyleChar* style = flow->styleCharAt(&point);
    // A symbol character keeps its own font: the style before it counts.
    for (int guard = 0; style && style->isSingleSymbol() && guard < 64; ++guard) {
        if (metSymbol)
            *metSymbol = true;
        const textPoint before = point;
        --point.letter;
        style = flow->styleCharAt(&point);
        if (point.paragraph == before.paragraph && point.word == before.word && point.letter >= before.letter)
            break;
    }
    return style;
}

void TextWord::applyTypingStyle(int at, const StyleChar* typing, const StyleChar* previous, bool metSymbol,
                                int count)
{
    if (!typing)
        return;
    if (!metSymbol && !(previous && previous->differencesFromStyle(typing) != 0))
        return;
    auto& styles = createStylesIfNeeded();
    styles[std::size_t(at)] = typing->copy();
    // A typed letter hands the style back at the next letter; inserted text
    // hands it back after its last letter, when a letter follows there.
    const std::size_t after = std::size_t(at) + std::size_t(std::max(count, 1));
    const std::size_t limit = count > 0 ? std::size_t(length_) : styles.size();
    if (previous && after < limit && !styles[after])
        styles[after] = previous->copy();
}

// ---- Editing.

void TextWord::addByte(unsigned char c, bool recompute)
{
    if (length_ >= MaxWordLength)
        kit::Exception::raise(kit::RangeException, "the word is as long as a word may be");
    const StyleChar* typing = nullptr;
    StyleChar* previous = nullptr;
    bool metSymbol = false;
    if (recompute) {
        TextFlow* flow = paragraph_ ? paragraph_->flow() : nullptr;
        typing = flow ? flow->charStyle() : nullptr;
        previous = styleInForce(insertPoint_ - 1, &metSymbol);
    }
    if (maxlength_ <= length_ + 2)
        growCapacityBy(std::max<int>(std::min<int>(maxlength_, 4), length_ + 3 - maxlength_));
    unsigned char* t = textBuffer();
    const int ip = insertPoint_;
    if (smartPunctuationOn()) {
        if (c == '.' && ip >= length_ && ip > 0 && isDoubleQuote(t[ip - 1])) {
            t[ip - 1] = '.';
            c = TextRightDoubleQuote;
        } else if (c == TextApostrophe && ip == 0) {
            c = TextLeftSingleQuote;
        } else if (c == '"') {
            if (ip == 0 || (ip == 1 && kit::isPunct(t[1])))
                c = TextLeftDoubleQuote;
            else if (ip >= length_)
                c = TextRightDoubleQuote;
        } else if (c == '-' && ip > 0 && t[ip - 1] == '-') {
            t[ip - 1] = TextEmDash;
            invalidateHyphens();
            computeWithStyle(nullptr);
            return;
        } else if ((c == 'i' || c == 'l') && ip > 0 && t[ip - 1] == 'f' && paragraph_ && paragraph_->ligatures()) {
            t[ip - 1] = c == 'i' ? TextFiLigature : TextFlLigature;
            invalidateHyphens();
            computeWithStyle(nullptr);
            return;
        }
    }
    const std::size_t at = std::size_t(ip);
    const std::size_t tail = std::size_t(length_ - ip);
    std::memmove(t + at + 1, t + at, tail + 1);
    if (hasStyles())
        std::move_backward(styleSlots().begin() + std::ptrdiff_t(at), styleSlots().begin() + length_ + 1,
                           styleSlots().begin() + length_ + 2);
    if (!recompute && !importGate()) {
        std::memmove(widthBuffer() + at + 1, widthBuffer() + at, tail * sizeof(float));
        std::memmove(screenWidthBuffer() + at + 1, screenWidthBuffer() + at, tail * sizeof(float));
    }
    ++length_;
    t[at] = c;
    if (hasStyles())
        styleSlots()[at].reset();
    if (recompute)
        applyTypingStyle(ip, typing, previous, metSymbol);
    ++insertPoint_;
    // Hyphen points wait until the line layout asks for them.
    invalidateHyphens();
    if (!recompute)
        return;
    // A word without styles of its own is set in the style in force before
    // it, wherever the caret was: the one just looked up.
    computeWithStyle(hasStyles() ? nullptr : previous);
}

void TextWord::addString(const char* s, bool worryAboutStyle)
{
    const StyleChar* typing = nullptr;
    const StyleChar* previous = nullptr;
    bool metSymbol = false;
    if (worryAboutStyle) {
        TextFlow* flow = paragraph_ ? paragraph_->flow() : nullptr;
        typing = flow ? flow->charStyle() : nullptr;
        previous = styleInForce(insertPoint_ - 1, &metSymbol);
    }
    const std::size_t n = s ? std::strlen(s) : 0;
    if (n == 0) {
        if (hasStyles())
            styleSlots()[std::size_t(insertPoint_)].reset();
        if (worryAboutStyle)
            applyTypingStyle(insertPoint_, typing, previous, metSymbol);
        return;
    }
    if (std::size_t(length_) + n > std::size_t(MaxWordLength))
        kit::Exception::raise(kit::RangeException, "the text does not fit in one word");
    if (maxlength_ <= length_ + int(n) + 1)
        ensureCapacity(length_ + int(n) + 3);
    const std::size_t at = std::size_t(insertPoint_);
    const std::size_t tail = std::size_t(length_) - at;
    unsigned char* t = textBuffer();
    std::memmove(t + at + n, t + at, tail + 1);
    std::memcpy(t + at, s, n);
    if (hasStyles()) {
        auto& styles = styleSlots();
        std::move_backward(styles.begin() + std::ptrdiff_t(at), styles.begin() + length_ + 1,
                           styles.begin() + length_ + 1 + std::ptrdiff_t(n));
        for (std::size_t i = at; i < at + n; ++i)
            styles[i].reset();
    }
    length_ = static_cast<short>(length_ + int(n));
    if (worryAboutStyle)
        applyTypingStyle(int(at), typing, previous, metSymbol, int(n));
    insertPoint_ = static_cast<short>(insertPoint_ + int(n));
    invalidateHyphens();
}

void TextWord::deleteFrom(int a, int b)
{
    // Both ends are inclusive; an end at or past the last character deletes
    // to the end of the word, and the terminator always stays.
    a = std::max(a, 0);
    b = std::min(b, length_ - 1);
    for (int count = b - a + 1; count > 0 && a < length_; --count) {
        unsigned char* t = textBuffer();
        float* w = widthBuffer();
        float* sw = screenWidthBuffer();
        const std::size_t at = std::size_t(a);
        if (hasStyles()) {
            auto& styles = styleSlots();
            if (styles[at] && !styles[at + 1])
                styles[at + 1] = std::move(styles[at]);
            styles[at].reset();
            std::move(styles.begin() + a + 1, styles.begin() + length_ + 1, styles.begin() + a);
            styles[std::size_t(length_)].reset();
        }
        const std::size_t tail = std::size_t(length_) - at; // includes the NUL
        std::memmove(t + at, t + at + 1, tail);
        std::memmove(w + at, w + at + 1, (tail - 1) * sizeof(float));
        std::memmove(sw + at, sw + at + 1, (tail - 1) * sizeof(float));
        --length_;
        t[length_] = 0;
        w[length_] = sw[length_] = 0.0f;
    }
    insertPoint_ = static_cast<short>(std::min<int>(a, length_));
    invalidateHyphens();
    computeWithStyle(nullptr);
}

void TextWord::deleteLeft()
{
    if (insertPoint_ == 0) {
        std::fputs("TextWord: shouldn't be here; deleteLeft:0\n", stderr);
        return;
    }
    unsigned char& before = textBuffer()[insertPoint_ - 1];
    if (paragraph_ && paragraph_->ligatures() && (before == TextFiLigature || before == TextFlLigature)) {
        before = 'f';
        setHyphens();
        computeWithStyle(nullptr);
        return;
    }
    deleteFrom(insertPoint_ - 1, insertPoint_ - 1);
}

void TextWord::deleteRight()
{
    if (insertPoint_ >= length_) {
        std::fputs("TextWord: shouldn't be here; deleteRight:MAX\n", stderr);
        return;
    }
    unsigned char& at = textBuffer()[insertPoint_];
    if (paragraph_ && paragraph_->ligatures() && (at == TextFiLigature || at == TextFlLigature)) {
        at = at == TextFiLigature ? 'i' : 'l';
        setHyphens();
        computeWithStyle(nullptr);
        return;
    }
    deleteFrom(insertPoint_, insertPoint_);
}

TextWord* TextWord::transposeCurrent()
{
    if (insertPoint_ <= 0 || insertPoint_ >= length_)
        return nullptr;
    std::swap(textBuffer()[insertPoint_ - 1], textBuffer()[insertPoint_]);
    setHyphens();
    computeWithStyle(nullptr);
    return this;
}

void TextWord::stripTrailingSpaces()
{
    const int oldLength = length_;
    while (length_ > 0 && textBuffer()[length_ - 1] == ' ') {
        --length_;
        textBuffer()[length_] = 0;
        widthBuffer()[length_] = screenWidthBuffer()[length_] = 0.0f;
    }
    if (insertPoint_ > length_)
        insertPoint_ = length_;
    if (length_ == oldLength || !hasStyles())
        return;
    // Left past the new end, a style entry would be read by no one. The last
    // one on a stripped space now stands at the end, in force over the gap
    // where typing goes on; the one at the old end was for the text after
    // the word, and goes to the next word unless that has its own.
    auto& slots = styleSlots();
    std::unique_ptr<StyleChar> onSpace;
    for (int i = length_; i < oldLength; ++i)
        if (slots[std::size_t(i)])
            onSpace = std::move(slots[std::size_t(i)]);
    std::unique_ptr<StyleChar> atEnd = std::move(slots[std::size_t(oldLength)]);
    if (atEnd && paragraph_) {
        if (TextWord* next = paragraph_->wordAtIndex(paragraph_->indexOfWord(this) + 1)) {
            if (!next->styleAt(0)) {
                next->addCharStyle(std::move(atEnd), 0);
                next->computeWithStyle(nullptr);
            }
            atEnd.reset();
        }
    }
    slots[std::size_t(length_)] = atEnd ? std::move(atEnd) : std::move(onSpace);
}

void TextWord::adjustLigaturesFrom(int a, int b)
{
    b = std::min(b, int(length_));
    a = std::max(a, 0);
    if (!paragraph_ || !paragraph_->ligatures()) {
        for (int i = a; i < b - 1 && i < length_; ++i) {
            unsigned char c = textBuffer()[i];
            if (c != TextFiLigature && c != TextFlLigature)
                continue;
            textBuffer()[i] = 'f';
            insertPoint_ = static_cast<short>(i + 1);
            addByte(c == TextFiLigature ? 'i' : 'l', true);
            ++b;
        }
        return;
    }
    for (bool again = true; again;) {
        again = false;
        for (int i = a; i <= b - 2 && i + 1 < length_; ++i) {
            unsigned char* t = textBuffer();
            const unsigned char next = t[i + 1];
            if (t[i] == 'f' && (next == 'i' || next == 'l')) {
                t[i] = next == 'i' ? TextFiLigature : TextFlLigature;
                deleteFrom(i + 1, i + 1);
                --b;
                again = true;
                break;
            }
        }
    }
}

void TextWord::convertCase(int mode, int a, int b)
{
    if (length_ == 0)
        return;
    a = std::max(a, 0);
    b = std::min(b, int(length_));
    const bool ligatures = paragraph_ && paragraph_->ligatures();
    for (int i = a; i < b && i < length_; ++i) {
        unsigned char& c = textBuffer()[i];
        bool upper = mode == 1;
        if (mode == 3)
            upper = i == 0 || (i == 1 && kit::isPunct(textBuffer()[0]));
        if (upper && ligatures && (c == TextFiLigature || c == TextFlLigature) && (mode == 1 || mode == 3)) {
            const unsigned char second = c == TextFiLigature ? 'i' : 'l';
            c = 'F';
            insertPoint_ = static_cast<short>(i + 1);
            addByte(mode == 1 ? static_cast<unsigned char>(second - 'a' + 'A') : second, true);
            convertCase(mode, a, b + 1);
            return;
        }
        if (c >= 'a' && c <= 'z' && upper)
            c = static_cast<unsigned char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z' && !upper && mode != 1)
            c = static_cast<unsigned char>(c - 'A' + 'a');
    }
    if (mode == 2)
        adjustLigaturesFrom(a, b);
    else if (mode == 3)
        adjustLigaturesFrom(std::max(a, 1), b);
    computeWithStyle(nullptr);
}

TextWord* TextWord::breakAt(int k, bool recompute)
{
    if (!paragraph_)
        return nullptr;
    k = std::clamp<int>(k, 0, length_);
    std::unique_ptr<TextWord> word = newWordOfSameClass();
    word->langId_ = langId_;
    word->paragraph_ = paragraph_;
    {
        const std::string rest(text() + k, std::size_t(length_ - k));
        // Measured below, once its styles are in place.
        TextParagraph* keep = word->paragraph_;
        word->paragraph_ = nullptr;
        word->setText(rest.c_str());
        word->paragraph_ = keep;
    }
    if (hasStyles()) {
        auto& theirs = word->createStylesIfNeeded();
        for (int i = k; i <= length_; ++i)
            theirs[std::size_t(i - k)] = std::move(styleSlots()[std::size_t(i)]);
    }
    if (k < length_) {
        textBuffer()[k] = 0;
        length_ = static_cast<short>(k);
        std::fill(widthBuffer() + k, widthBuffer() + maxlength_, 0.0f);
        std::fill(screenWidthBuffer() + k, screenWidthBuffer() + maxlength_, 0.0f);
        if (insertPoint_ > length_)
            insertPoint_ = length_;
        TextParagraph* keep = paragraph_;
        paragraph_ = nullptr;
        setText(text());
        paragraph_ = keep;
    }
    TextWord* added = paragraph_->addWord(std::move(word), this);
    if (recompute) {
        computeWithStyle(nullptr);
        added->computeWithStyle(nullptr);
    }
    return added;
}

void TextWord::append(TextWord* other)
{
    if (!other || other == this)
        return;
    if (typeid(*other) != typeid(*this) && other->textLength() == 0) {
        if (other->paragraph_)
            other->paragraph_->removeWord(other);
        return;
    }
    if (isSpecial() || other->isSpecial())
        return;
    const int total = length_ + other->length_;
    if (total > MaxWordLength)
        kit::Exception::raise(kit::RangeException, "the joined word would be too long");
    ensureCapacity(std::max<int>(total, other->length_) + 2);
    if (other->hasStyles())
        createStylesIfNeeded();
    std::memcpy(textBuffer() + length_, other->textBuffer(), std::size_t(other->length_) + 1);
    if (other->hasStyles())
        for (int i = 0; i <= other->length_; ++i)
            styleSlots()[std::size_t(length_ + i)] = std::move(other->styleSlots()[std::size_t(i)]);
    length_ = static_cast<short>(total);
    if (other->paragraph_)
        other->paragraph_->removeWord(other); // other is gone from here on
    setHyphens();
    computeWithStyle(nullptr);
    if (paragraph_)
        paragraph_->setDirty(true);
}

// ---- Widths.

void TextWord::setWidthOfChar(float w, int i)
{
    if (validIndex(i))
        widthBuffer()[i] = w;
}

void TextWord::setScreenWidthOfChar(float w, int i)
{
    if (validIndex(i))
        screenWidthBuffer()[i] = w;
}

// ---- Export.

int strcpyAndFix(std::string& destination, const char* source)
{
    int gained = 0;
    for (const char* p = source; *p; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c == TextFiLigature || c == TextFlLigature) {
            destination += c == TextFiLigature ? "fi" : "fl";
            ++gained;
        } else {
            destination += *p;
        }
    }
    return gained;
}

bool TextWord::writeTextToStream(std::string& stream, int type) const
{
    if (type == TextExportPlain)
        strcpyAndFix(stream, text());
    return true;
}

bool TextWord::writeTextToStream(std::string& stream, int type, int start, int end) const
{
    if (type != TextExportPlain && type != TextExportPlainRange)
        return true;
    if (length_ == 0)
        return true;
    if (start >= length_ || start < 0)
        start = 0;
    if (end >= length_ || end < start)
        end = length_ - 1;
    const std::string part(text() + start, std::size_t(end - start + 1));
    strcpyAndFix(stream, part.c_str());
    return true;
}

void TextWord::_printWordPieces() const
{
    std::printf("TextWord: (%d)[%s] \n", int(length_), text());
    for (int i = 0; i < numWordPieces_; ++i) {
        const WordPiece& p = wordPieceInfo_[std::size_t(i)];
        std::printf("piece(%d) bk: %d, \n\tlineStart: %.2f, lineHeight: %.2f, sW: %.2f,\n\t bbox (%.2f,%.2f) "
                    "(%.2f,%.2f)\n",
                    i, p.lastChar, double(p.lineStart), double(p.lineHeight), double(p.screenWidth), double(p.x),
                    double(p.y), double(p.width), double(p.height));
    }
}
