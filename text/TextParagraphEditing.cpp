#include "text/TextParagraph.h"

#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "text/TextFlow.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"
#include "text/TextWordSpecial.h"

#include <algorithm>

void TextParagraph::prepareForAddByte(char c)
{
    if (const PrepareForAddByteHook& hook = prepareForAddByteHook()) {
        hook(*this, c);
        return;
    }
    if (!currentWord_)
        createCurrentWord();
    TextWord* special = currentWord_;
    if (!special->isSpecial())
        return;
    const bool returnKey = c == 13 || c == 10;
    const int at = indexOfWord(special);
    if (special->insertPoint() != 0 && !(special->isSpecialType(TextWordPageBreak) && !returnKey)) {
        TextWord* next = wordAtIndex(at + 1);
        if (!next || next->isSpecial()) {
            // Measured now: a Return may leave it as it is.
            next = insertWord(newPlainWord(), at >= 0 ? at + 1 : wordCount());
            next->computeWithStyle(nullptr);
        }
        currentWord_ = next;
        next->setInsertToStart();
        return;
    }
    TextWord* previous = at > 0 ? wordAtIndex(at - 1) : nullptr;
    if (!previous || previous->isSpecial()) {
        // Measured now: a Return may leave it as it is.
        previous = insertWord(newPlainWord(), std::max(at, 0));
        previous->computeWithStyle(nullptr);
    }
    currentWord_ = previous;
    previous->setInsertToEnd();
}

void TextParagraph::addByte(unsigned char c, bool recomputeWord, bool ignoreFence)
{
    if (c == 9 || c == 11) {
        TextWord* tab = addSpecialWord(TextWordTab);
        if (c == 11)
            static_cast<TextWordSpecial*>(tab)->setTab(8, 0.0f, 0);
        return;
    }
    prepareForAddByte(static_cast<char>(c));
    TextWord* word = currentWord_;
    if (c == 10 || c == 13) {
        if (word->insertPoint() < word->length())
            word->breakAt(word->insertPoint());
        breakAtPoint(indexOfWord(word), true);
        if (wordCount() >= 2 && currentWord_ == lastWord() && currentWord_->length() == 0)
            removeWord(currentWord_);
    } else if (c == 32) {
        if (recomputeWord || word->hasStyles())
            word->addByte(c, recomputeWord);
        TextWord* next = nullptr;
        if (word->insertPoint() < word->length())
            next = word->breakAt(word->insertPoint(), recomputeWord);
        const bool made = !next;
        if (made)
            next = insertWord(newPlainWord(), indexOfWord(word) + 1);
        currentWord_ = next;
        next->setInsertToStart();
        word->stripTrailingSpaces();
        // A word left empty takes its measures (its word space) from the
        // text before it, as every empty word does; so does the new word,
        // from the word as it now ends.
        if (recomputeWord && word->length() == 0)
            word->computeWithStyle(nullptr);
        if (made)
            next->computeWithStyle(nullptr);
    } else {
        word->addByte(c, recomputeWord);
        // A character typed over a selected word ends the word, unless what
        // follows it is a paste fence (closing punctuation) that belongs to it.
        if (!ignoreFence) {
            TextWord* typed = currentWord_;
            const int at = typed->insertPoint();
            if (at < typed->length() && !TextSelection::isCharAPasteFence(SelectionWordTail, typed->text()[at]))
                if (typed->breakAt(at, recomputeWord)) {
                    currentWord_ = typed;
                    typed->setInsertPoint(at);
                }
        }
    }
    setDirty(true);
}

void TextParagraph::addString(const char* s, bool worryAboutStyle)
{
    if (!s)
        return;
    prepareForAddByte(s[0]);
    currentWord_->addString(s, worryAboutStyle);
}

TextWord* TextParagraph::addSpecialWord(int type)
{
    TextWord* word = processSpecialWord(type);
    setDirty(true);
    return word;
}

TextWord* TextParagraph::addGraphic(InlineImage::Source source, bool makeSymLink, std::string* error)
{
    TextWord* word = processSpecialWord(TextWordGraphic, std::move(source), makeSymLink, error);
    if (word)
        setDirty(true);
    return word;
}

TextWord* TextParagraph::processSpecialWord(int type, InlineImage::Source source, bool makeSymLink,
                                            std::string* error)
{
    if (type != TextWordGraphic)
        return processSpecialWord(type);
    std::unique_ptr<TextWordSpecial> graphic =
        TextWordSpecial::initFromSourceFileName(std::move(source), makeSymLink, error);
    if (!graphic)
        return nullptr;
    TextWordSpecial* word = graphic.get();
    insertSpecialWord(std::move(graphic));
    // A picture typed in joins the graphic links of the flow's document.
    if (flow_)
        if (TextDocument* document = flow_->document())
            word->resolveInDocument(document);
    return word;
}

TextWord* TextParagraph::processSpecialWord(int type)
{
    return insertSpecialWord(std::make_unique<TextWordSpecial>(type));
}

TextWord* TextParagraph::insertSpecialWord(std::unique_ptr<TextWordSpecial> owned)
{
    const int type = owned->wordType();
    TextWordSpecial* special = owned.get();
    special->setParagraph(this);
    special->setInsertToEnd();
    if (!currentWord_) {
        createCurrentWord();
        insertWord(std::move(owned), 0);
        special->computeWithStyle(nullptr);
        return special;
    }
    const bool endsWord = type == TextWordLineBreak || type == TextWordPageBreak || type == TextWordGraphic ||
                          type == TextWordTab;
    if (endsWord && !currentWord_->isSpecial() && currentWord_->insertPoint() > 0)
        addByte(32, true, true);
    TextWord* word = currentWord_;
    const int i = indexOfWord(word);
    const int p = word->insertPoint();
    if (p > 0 && p < word->length() && !word->isSpecial()) {
        TextWord* tail = word->breakAt(p);
        insertWord(std::move(owned), i + 1);
        if (tail) {
            currentWord_ = tail;
            tail->setInsertToStart();
        }
        special->computeWithStyle(nullptr);
        return special;
    }
    if (p > 0) {
        insertWord(std::move(owned), i + 1);
        special->setInsertToEnd();
        currentWord_ = special;
    } else if (flow_ && flow_->isDispatching()) {
        insertWord(std::move(owned), i + 1);
        currentWord_ = special;
    } else {
        insertWord(std::move(owned), i);
    }
    special->computeWithStyle(nullptr);
    return special;
}

TextParagraph* TextParagraph::breakAtPoint(int index, bool carryStyle)
{
    return breakAtPoint(index, carryStyle, std::make_unique<TextParagraph>());
}

TextParagraph* TextParagraph::breakAtPoint(int i, bool carryStyle, std::unique_ptr<TextParagraph> owned)
{
    if (!owned || !flow_)
        return nullptr;
    TextParagraph* n = owned.get();
    const StyleParagraph* style =
        flow_->isDispatching() ? flow_->paragraphStyle() : paragraphStyle_.get();
    n->setFlow(flow_);
    n->setFirstItem(currentItem_);
    const int here = index();
    if (i == -1) {
        flow_->insertParagraph(std::move(owned), here);
        i = 0;
    } else {
        flow_->insertParagraph(std::move(owned), here + 1);
    }

    // The style to carry: the typing style when the split is at the caret.
    const TextWord* at = wordAtIndex(i);
    StyleChar* carried = nullptr;
    const bool atCaret = (!currentWord_ && i == 0 && at && at->insertPoint() == 0) ||
                         (currentWord_ && i == indexOfWord(currentWord_) && at &&
                          at->insertPoint() == currentWord_->insertPoint());
    if (atCaret) {
        carried = flow_->charStyle();
    } else {
        textPoint tp{here, i, at ? at->insertPoint() : 0};
        carried = flow_->styleCharAt(&tp);
    }
    std::unique_ptr<StyleChar> carriedCopy = carried ? carried->copy() : nullptr;

    if (currentWord_ && indexOfWord(currentWord_) > i)
        currentWord_ = nullptr;
    for (std::size_t k = std::size_t(i) + 1; k < wordList_.size(); ++k) {
        wordList_[k]->setParagraph(n);
        n->wordList_.push_back(std::move(wordList_[k]));
    }
    wordList_.resize(std::min(wordList_.size(), std::size_t(i) + 1));
    noteWordsChangedFrom(i + 1);
    n->noteWordsChangedFrom(0);

    n->setParagraphStyle(style->copy());
    StyleParagraph* nextStyle = style->nextParagraphStyle();
    if (style->basedOnStyle() && nextStyle && nextStyle != style)
        n->paragraphStyle()->setBasedOnStyle(nextStyle);

    setInsertToEnd();
    setDirty(true);

    // The autonumber word first, so that the caret lands after it.
    if (n->isNumbered())
        n->autonumberWord();
    TextWord* first = n->wordAtIndex(n->isNumbered() ? 1 : 0);
    if (!first)
        first = n->createCurrentWord();
    n->currentWord_ = first;
    first->setInsertToStart();

    if (carryStyle && carriedCopy && !n->paragraphStyle()->isBasedOnNamedStyle() &&
        carriedCopy->differencesFromStyle(n->charStyle()) != 0) {
        n->charStyle()->takeCharStyleValuesFrom(carriedCopy.get());
        if (flow_->charStyle() != carried && flow_->charStyle())
            flow_->charStyle()->takeCharStyleValuesFrom(carriedCopy.get());
    }
    n->recomputeAllWords();
    if (n->isNumbered()) {
        autonumberWord();
        flow_->recomputeAutonumberingFrom(here);
    }
    n->setDirty(true);
    flow_->setCurrentParagraph(n, false);
    return n;
}

void TextParagraph::join(TextParagraph* p, bool recompute)
{
    if (!p || p == this || !flow_ || p->flow() != flow_)
        return;
    if (isEmpty() && !p->wordList_.empty() && firstWord() && firstWord()->length() == 0)
        removeWord(firstWord());
    const bool pNumbered = p->isNumbered();
    if (pNumbered)
        for (int k = p->wordCount() - 1; k >= 0; --k)
            if (p->wordList_[std::size_t(k)]->isSpecialType(TextWordAutonumber))
                p->removeWord(p->wordList_[std::size_t(k)].get());
    // Only the page break goes: words an import put after it stay.
    for (int k = wordCount() - 1; k >= 0; --k)
        if (wordList_[std::size_t(k)]->isSpecialType(TextWordPageBreak)) {
            removeWord(wordList_[std::size_t(k)].get());
            endsWithHardPage_ = false;
            break;
        }
    if (TextWord* last = lastWord())
        last->stripTrailingStyle();
    const bool pEmpty = p->isEmpty();
    TextWord* pFirst = p->firstWord();
    for (auto& word : p->wordList_) {
        word->setParagraph(this);
        wordList_.push_back(std::move(word));
    }
    p->wordList_.clear();
    p->noteWordsChangedFrom(0);
    p->currentWord_ = nullptr;
    if (pEmpty && wordCount() >= 2 && pFirst && pFirst->length() == 0) {
        wordList_.back()->setParagraph(nullptr);
        wordList_.pop_back();
        noteWordsChangedFrom(wordCount());
        currentWord_ = lastWord();
        currentWord_->setInsertToEnd();
    } else if (pFirst) {
        currentWord_ = pFirst;
        pFirst->setInsertToStart();
    }
    if (flow_->currentParagraph() == p)
        flow_->setCurrentParagraph(this, false);
    const int here = index();
    std::unique_ptr<TextParagraph> gone = flow_->removeParagraph(p);
    recomputeAllWords();
    if (pNumbered || isNumbered())
        flow_->recomputeAutonumberingFrom(here);
    if (recompute)
        this->recompute();
    else
        setDirty(true);
}

std::unique_ptr<TextWord> TextParagraph::releaseWord(const TextWord* word)
{
    const int at = indexOfWord(word);
    if (at < 0)
        return nullptr;
    if (currentWord_ == word)
        currentWord_ = nullptr;
    std::unique_ptr<TextWord> released = std::move(wordList_[std::size_t(at)]);
    wordList_.erase(wordList_.begin() + at);
    noteWordsChangedFrom(at);
    released->setParagraph(nullptr);
    return released;
}

std::vector<std::unique_ptr<TextWord>> TextParagraph::releaseWords(std::span<TextWord* const> words)
{
    // The slots are emptied first and the list closed up once: taking many
    // words one by one would move the rest of the list for each.
    std::vector<std::unique_ptr<TextWord>> released(words.size());
    int firstTaken = wordCount();
    for (std::size_t i = 0; i < words.size(); ++i) {
        const int at = indexOfWord(words[i]);
        if (at < 0)
            continue;
        firstTaken = std::min(firstTaken, at);
        if (currentWord_ == words[i])
            currentWord_ = nullptr;
        released[i] = std::move(wordList_[std::size_t(at)]);
        released[i]->setParagraph(nullptr);
    }
    if (firstTaken < wordCount()) {
        std::erase(wordList_, nullptr);
        noteWordsChangedFrom(firstTaken);
    }
    return released;
}
