#include "text/TextParagraph.h"

#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "text/TextFlow.h"
#include "text/TextWord.h"
#include "text/TextWordSpecial.h"

#include "items/TextItem.h"

#include <algorithm>
#include <cstdio>
#include <functional>

TextParagraph::PrepareForAddByteHook& TextParagraph::prepareForAddByteHook()
{
    static PrepareForAddByteHook hook;
    return hook;
}

TextParagraph::TextParagraph()
    : paragraphStyle_(std::make_unique<StyleParagraph>())
{
    paragraphStyle_->setLeading(111110.0f); // automatic leading
}

TextParagraph::TextParagraph(kit::ForDecodingTag)
    : paragraphStyle_(std::make_unique<StyleParagraph>(kit::ForDecoding))
{
    paragraphStyle_->setLeading(111110.0f); // automatic leading
}

TextParagraph::~TextParagraph()
{
    // The words let go of the paragraph before any is freed: none may reach
    // it, or a sibling already freed, from its destructor.
    currentWord_ = nullptr;
    std::vector<std::unique_ptr<TextWord>> words = std::move(wordList_);
    wordList_.clear();
    for (const auto& word : words)
        word->setParagraph(nullptr);
}

void TextParagraph::audit(int x) const
{
    (void)x;
    std::printf("\t\tTextPara %p has %d words at %6.0f, %6.0f\n", static_cast<const void*>(this), wordCount(),
                double(box_.origin.x), double(box_.origin.y));
}

void TextParagraph::setParagraphStyle(std::unique_ptr<StyleParagraph> style)
{
    if (style)
        paragraphStyle_ = std::move(style);
}

StyleChar* TextParagraph::charStyle() const { return paragraphStyle_->charStyle(); }

kit::Font* TextParagraph::font() const { return paragraphStyle_->font(); }

bool TextParagraph::ligatures() const { return paragraphStyle_->ligatures(); }

short TextParagraph::autonumberLevel() const { return paragraphStyle_->autonumberLevel(); }

// ---- Columns.

void TextParagraph::setFirstItem(TextItem* item)
{
    if (item == firstItem_)
        return;
    firstItem_ = lastItem_ = currentItem_ = item;
    setDirty(true);
}

void TextParagraph::forgetItem(const TextItem* item)
{
    for (TextItem** field : {&currentItem_, &firstItem_, &lastItem_, &prevParaLastItem_, &firstDirtyItem_,
                             &lastDirtyItem_})
        if (*field == item)
            *field = nullptr;
}

void TextParagraph::forgetItems(std::span<const TextItem* const> sorted)
{
    for (TextItem** field : {&currentItem_, &firstItem_, &lastItem_, &prevParaLastItem_, &firstDirtyItem_,
                             &lastDirtyItem_})
        if (*field && std::binary_search(sorted.begin(), sorted.end(), *field, std::less<>()))
            *field = nullptr;
}

float TextParagraph::lastY() const
{
    if (endsWithHardPage_ && lastItem_)
        return lastItem_->frame().size.height;
    return box_.size.height;
}

float TextParagraph::lastEffectiveY() const { return lastY(); }

float TextParagraph::lowestAvailableY() const
{
    const TextParagraph* previous = flow_ ? flow_->previousParagraph(this) : nullptr;
    return previous && previous != this ? previous->lastEffectiveY() : 0.0f;
}

// ---- Dirty marking.

void TextParagraph::setDirty(bool flag)
{
    dirty_ = flag;
    if (flag) {
        ordinal_ = -1;
        if (flow_)
            flow_->noteLayoutNeededFrom(flow_->indexOfParagraph(this));
    }
}

void TextParagraph::setDirtyIfParagraphStyle(const StyleParagraph* style)
{
    if (!dirty_ && paragraphStyle_.get() == style)
        setDirty(true);
}

// ---- Words.

int TextParagraph::indexOfWord(const TextWord* word) const
{
    if (!word || word->paragraph() != this)
        return -1;
    for (std::size_t i = lastFoundWord_; i < wordList_.size() && i <= lastFoundWord_ + 1; ++i)
        if (wordList_[i].get() == word)
            return int(lastFoundWord_ = i);
    for (std::size_t i = 0; i < wordList_.size(); ++i)
        if (wordList_[i].get() == word)
            return int(lastFoundWord_ = i);
    return -1;
}


TextWord* TextParagraph::nextWord(const TextWord* word) const
{
    const int at = indexOfWord(word);
    return at < 0 ? nullptr : wordAtIndex(at + 1);
}

TextWord* TextParagraph::previousWord(const TextWord* word) const
{
    const int at = indexOfWord(word);
    return at < 0 ? nullptr : wordAtIndex(at - 1);
}

bool TextParagraph::isEmpty() const
{
    if (wordList_.empty())
        return true;
    if (wordList_.size() > 1)
        return false;
    const TextWord* only = wordList_.front().get();
    return !only->isSpecial() && only->length() == 0;
}

TextWord* TextParagraph::addWord(std::unique_ptr<TextWord> word, const TextWord* after)
{
    if (!word)
        return nullptr;
    const int at = after ? indexOfWord(after) : -1;
    return insertWord(std::move(word), at >= 0 ? at + 1 : wordCount());
}

TextWord* TextParagraph::insertWord(std::unique_ptr<TextWord> word, int index)
{
    if (!word)
        return nullptr;
    index = std::clamp(index, 0, wordCount());
    TextWord* added = word.get();
    wordList_.insert(wordList_.begin() + index, std::move(word));
    noteWordsChangedFrom(index);
    added->insertInParagraph(this);
    added->setParagraph(this);
    return added;
}

void TextParagraph::insertWords(std::vector<std::unique_ptr<TextWord>> words, int index)
{
    std::erase(words, nullptr);
    index = std::clamp(index, 0, wordCount());
    wordList_.insert(wordList_.begin() + index, std::make_move_iterator(words.begin()),
                     std::make_move_iterator(words.end()));
    noteWordsChangedFrom(index);
    for (std::size_t k = std::size_t(index); k < std::size_t(index) + words.size(); ++k) {
        wordList_[k]->insertInParagraph(this);
        wordList_[k]->setParagraph(this);
    }
}

std::unique_ptr<TextWord> TextParagraph::removeWord(const TextWord* word)
{
    const int at = indexOfWord(word);
    if (at < 0)
        return nullptr;
    TextWord* w = wordList_[std::size_t(at)].get();
    TextWord* next = wordAtIndex(at + 1);
    // The style in force after the word keeps applying to the next word.
    if (w->hasStyles() && next && !next->styleAt(0)) {
        auto& styles = w->createStylesIfNeeded();
        for (int i = std::min<int>(w->textLength(), int(styles.size()) - 1); i >= 0; --i)
            if (styles[std::size_t(i)]) {
                next->addCharStyle(std::move(styles[std::size_t(i)]), 0);
                break;
            }
    }
    if (currentWord_ == w) {
        if (next) {
            currentWord_ = next;
            next->setInsertToStart();
        } else if (TextWord* previous = wordAtIndex(at - 1)) {
            currentWord_ = previous;
            previous->setInsertToEnd();
        } else {
            currentWord_ = nullptr;
        }
    }
    w->removeFromDocument(flow_ ? flow_->document() : nullptr);
    w->setParagraph(nullptr);
    std::unique_ptr<TextWord> removed = std::move(wordList_[std::size_t(at)]);
    wordList_.erase(wordList_.begin() + at);
    noteWordsChangedFrom(at);
    return removed;
}

int TextParagraph::lastStyledWordAtOrBefore(int index) const
{
    if (index < 0)
        return -1;
    const std::size_t through = std::min(std::size_t(index) + 1, wordList_.size());
    for (; styledScanned_ < through; ++styledScanned_)
        if (wordList_[styledScanned_]->hasStyles())
            styledWords_.push_back(int(styledScanned_));
    const auto after = std::upper_bound(styledWords_.begin(), styledWords_.end(), index);
    return after == styledWords_.begin() ? -1 : *(after - 1);
}

void TextParagraph::noteWordsChangedFrom(int index) const
{
    const std::size_t from = std::size_t(std::max(index, 0));
    if (from >= styledScanned_)
        return;
    styledScanned_ = from;
    styledWords_.erase(std::lower_bound(styledWords_.begin(), styledWords_.end(), int(from)), styledWords_.end());
}

void TextParagraph::recomputeAllWords()
{
    // Each word starts from the style the one before it ended in, so no word
    // looks back through the paragraph for it.
    StyleChar* style = charStyle();
    for (const auto& word : wordList_) {
        word->computeWithStyle(style);
        if (StyleChar* last = word->lastStyle())
            style = last;
    }
}

// ---- Caret.

void TextParagraph::setInsertToStart()
{
    if (flow_)
        flow_->setCurrentParagraph(this, true);
    currentWord_ = firstWord();
    if (currentWord_)
        currentWord_->setInsertToStart();
}

void TextParagraph::setInsertToEnd()
{
    currentWord_ = lastWord();
    if (currentWord_)
        currentWord_->setInsertToEnd();
}

std::unique_ptr<TextWord> TextParagraph::newPlainWord() const
{
    auto word = std::make_unique<TextWord>("", font());
    word->setParagraph(const_cast<TextParagraph*>(this));
    return word;
}

TextWord* TextParagraph::createCurrentWord()
{
    TextWord* word = insertWord(newPlainWord(), wordCount());
    word->setInsertToStart();
    word->computeWithStyle(nullptr);
    currentWord_ = word;
    return word;
}

// ---- Text points.

int TextParagraph::index() const { return flow_ ? flow_->indexOfParagraph(this) : 0; }

textPoint* TextParagraph::getCurrentTextPoint(textPoint* tp) const
{
    const int w = currentWord_ ? indexOfWord(currentWord_) : -1;
    return setTextPoint(tp, index(), std::max(w, 0), w >= 0 ? currentWord_->insertPoint() : 0);
}

textPoint* TextParagraph::firstTextPoint(textPoint* tp) const { return setTextPoint(tp, index(), 0, 0); }

textPoint* TextParagraph::lastTextPoint(textPoint* tp) const
{
    const TextWord* last = lastWord();
    return setTextPoint(tp, index(), wordCount() - 1, last ? last->length() : 0);
}

bool TextParagraph::isLastPoint(const textPoint* tp) const
{
    if (!tp)
        return false;
    if (wordList_.empty())
        return true;
    return tp->word == wordCount() - 1 && tp->letter >= wordList_.back()->length();
}

textPoint* TextParagraph::nextTextPoint(textPoint* tp) const
{
    if (!tp)
        return tp;
    const TextWord* word = wordAtIndex(tp->word);
    if (word && tp->letter < word->length()) {
        ++tp->letter;
        return tp;
    }
    tp->letter = 0;
    if (tp->word + 1 < wordCount()) {
        ++tp->word;
        return tp;
    }
    tp->word = 0;
    const int paragraphs = flow_ ? flow_->paragraphCount() : 1;
    tp->paragraph = tp->paragraph + 1 < paragraphs ? tp->paragraph + 1 : 0;
    return tp;
}

textPoint* TextParagraph::prevTextPoint(textPoint* tp) const
{
    if (!tp)
        return tp;
    if (tp->letter > 0) {
        --tp->letter;
        return tp;
    }
    if (tp->word > 0) {
        --tp->word;
    } else {
        const int paragraphs = flow_ ? flow_->paragraphCount() : 1;
        tp->paragraph = tp->paragraph > 0 ? tp->paragraph - 1 : paragraphs - 1;
        tp->word = wordCount() - 1;
    }
    const TextWord* word = wordAtIndex(tp->word);
    tp->letter = word ? word->length() : 0;
    return tp;
}

bool TextParagraph::isCurrentAtLogicalFirstPoint() const
{
    const int w = currentWord_ ? indexOfWord(currentWord_) : 0;
    const int l = currentWord_ ? currentWord_->insertPoint() : 0;
    if (w <= 0 && l == 0)
        return true;
    for (int i = l > 0 ? w : w - 1; i >= 0; --i) {
        const TextWord* word = wordList_[std::size_t(i)].get();
        if (word->isVisible() && word->length() > 0)
            return false;
    }
    return true;
}

// ---- Autonumbering.

TextWordSpecial* TextParagraph::autonumberWord()
{
    if (autonumberLevel() == 0)
        return nullptr;
    for (const auto& word : wordList_)
        if (word->isSpecialType(TextWordAutonumber))
            return static_cast<TextWordSpecial*>(word.get());
    auto word = std::make_unique<TextWordSpecial>(TextWordAutonumber);
    word->setInsertToEnd();
    return static_cast<TextWordSpecial*>(insertWord(std::move(word), 0));
}

void TextParagraph::setAutonumberLevel(short level)
{
    if (autonumberLevel() == level)
        return;
    if (level == 0)
        if (TextWordSpecial* word = autonumberWord())
            removeWord(word);
    paragraphStyle_->setAutonumberLevel(level);
    autonumberWord();
}

void TextParagraph::resolveInDocument(TextDocument* document)
{
    for (const auto& word : wordList_)
        word->resolveInDocument(document);
}
