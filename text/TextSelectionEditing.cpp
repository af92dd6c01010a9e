// Deleting a selection from its flow and inserting a selection (read back
// from the pasteboard or an undo record) at a flow's caret.

#include "text/TextSelection.h"

#include "core/Alert.h"
#include "core/Pasteboard.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraph.h"
#include "text/DocumentView.h"
#include "text/TextDocument.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"
#include "text/TextWordSpecial.h"

#include <algorithm>
#include <memory>
#include <typeinfo>
#include <vector>

namespace {

std::string text(const char* key) { return Main ? Main->valueForStringKey(key) : std::string(key); }

bool samePoint(const textPoint& a, const textPoint& b)
{
    return a.paragraph == b.paragraph && a.word == b.word && a.letter == b.letter;
}

bool isPlainParagraph(const TextParagraph* paragraph)
{
    return paragraph && typeid(*paragraph) == typeid(TextParagraph);
}

bool isParagraphEnd(const TextWord* word) { return word && word->isSpecialType(TextWordParagraphEnd); }

bool isMarker(const TextWord* word)
{
    return word && (word->isSpecialType(TextWordHeaderMarker) || word->isSpecialType(TextWordFooterMarker));
}

// The style in force at the point; the point moves to where it is stored,
// word -1 for the paragraph's own style.
StyleChar* styleInForce(const TextFlow* flow, textPoint* point)
{
    StyleChar* style = flow->styleCharAt(point);
    const TextParagraph* paragraph = flow->paragraphAtIndex(point->paragraph);
    if (paragraph && style == paragraph->charStyle())
        point->word = -1;
    return style;
}

// The last style at or before the point that is not a single-symbol style;
// the point moves to where it is stored.
StyleChar* lastNonSymbolStyle(const TextFlow* flow, textPoint* point)
{
    StyleChar* style = styleInForce(flow, point);
    // Each step moves back at least one letter; a paragraph's own style ends the walk.
    for (int guard = 0; style && style->isSingleSymbol() && point->word >= 0 && guard < 100000; ++guard) {
        --point->letter;
        style = styleInForce(flow, point);
    }
    return style;
}

void markEdited(const TextFlow* flow)
{
    if (flow)
        flow->markDocumentEdited();
}

void announceMarkers(const TextFlow* flow)
{
    if (TextDocument* document = flow->document())
        document->notifyUpdate(nullptr, nullptr);
}

// Keeps letters [from, to) of the word.
void keepLetters(TextWord* word, int from, int to)
{
    const int length = word->length();
    from = std::clamp(from, 0, length);
    to = std::clamp(to, from, length);
    if (to < length)
        word->deleteFrom(to, length - 1);
    if (from > 0)
        word->deleteFrom(0, from - 1);
}

char firstLetter(const TextWord* word) { return word && word->length() > 0 ? word->text()[0] : 0; }

} // namespace

// ---- Guards.

bool TextSelection::canDelete()
{
    if (!suppressWarnings_ &&
        (containsSpecialWordType(TextWordHeaderMarker) || containsSpecialWordType(TextWordFooterMarker))) {
        const int answer = kit::runAlertPanel(text("Delete"), text("ConfirmDeleteHeaderFooter"), text("OK"),
                                              text("Cancel"), "");
        if (answer == kit::AlertAlternateReturn)
            return false;
    }
    int plain = 0, cells = 0;
    if (flow_)
        for (int i = start_.paragraph; i <= end_.paragraph; ++i)
            if (const TextParagraph* paragraph = flow_->paragraphAtIndex(i))
                ++(isPlainParagraph(paragraph) ? plain : cells);
    if ((plain && cells) || cells > 1 || (cells == 1 && endType_ == SelectionPara)) {
        kit::runAlertPanel(text("Delete"), text("CannotDeleteSelection"), text("OK"), text("Cancel"), "");
        return false;
    }
    return true;
}

bool TextSelection::canInsertInParagraph(const TextParagraph* paragraph) const
{
    return !paragraph || isPlainParagraph(paragraph) || (!hasMultipleParagraphs() && endType_ != SelectionPara);
}

bool TextSelection::canInsertInFlow(const TextFlow* flow) const
{
    return canInsertInParagraph(flow ? flow->currentParagraph() : nullptr);
}

void TextSelection::_squashWord(TextWord* word)
{
    if (TextParagraph* paragraph = word ? word->paragraph() : nullptr)
        (void)paragraph->removeWord(word);
}

// ---- Deleting.

void TextSelection::deleteFromItem(TextItem* item, bool recompute, bool undo)
{
    TextFlow* flow = flow_;
    if (!flow)
        return;
    const textPoint remembered = start_;
    // Where the deleted text began shows the change, whichever column the
    // caller goes on in.
    const kit::WeakLink<TextItem> startColumn = flow->watchedItem(item ? item : flow->firstTextItem(), &start_);

    // 1. The text on either side keeps its look.
    textPoint s = start_, e = end_;
    StyleChar* startStyle = styleInForce(flow, &s);
    StyleChar* endStyle = styleInForce(flow, &e);
    if (startStyle && endStyle && endStyle->differencesFromStyle(startStyle) != 0 && !samePoint(e, end_))
        flow->addCharStyle(endStyle->copy(), &end_);
    if (startStyle && !samePoint(s, start_))
        flow->addCharStyle(startStyle->copy(), &start_);

    // 2. Graphics and markers leave the document.
    _buildWordList();
    TextDocument* document = flow->document();
    for (TextWord* word : wordList_)
        word->removeFromDocument(document);

    // 3. Kept for undelete.
    if (undo)
        copyToPasteboard(kit::Pasteboard::pasteboardWithName(ZYN_PRIVATEKILL));

    bool sawLevel = false;
    auto emptyParagraph = [flow](TextParagraph* paragraph) {
        for (int i = paragraph->wordCount() - 1; i >= 0; --i)
            (void)paragraph->removeWord(paragraph->wordAtIndex(i));
        paragraph->createCurrentWord();
        flow->setCurrentParagraph(paragraph, false);
    };
    // A flow left without paragraphs takes an empty one, in the style of
    // the last paragraph that went (its font measures the empty word).
    auto newParagraphIfNone = [flow, item](std::unique_ptr<StyleParagraph> style = nullptr) {
        if (flow->paragraphCount() > 0)
            return;
        TextParagraph* paragraph = flow->addParagraph(std::make_unique<TextParagraph>());
        if (style)
            paragraph->setParagraphStyle(std::move(style));
        paragraph->setFirstItem(item);
        paragraph->createCurrentWord();
        flow->setCurrentParagraph(paragraph, false);
    };

    textPoint first, last;
    flow->firstTextPoint(&first);
    flow->lastTextPoint(&last);
    const bool wholeParagraphs = endType_ == SelectionPara && start_.word == 0 && start_.letter == 0;
    if (wholeParagraphs) {
        // 4. Whole paragraphs.
        TextParagraph* selectedLast = paragraphList_.empty() ? nullptr : paragraphList_.back();
        if (samePoint(start_, first) && samePoint(end_, last)) {
            while (flow->paragraphCount() > 1)
                (void)flow->removeParagraph(flow->firstParagraph());
            emptyParagraph(flow->lastParagraph());
            selectedLast = flow->lastParagraph();
        } else {
            for (TextParagraph* paragraph : paragraphList_) {
                sawLevel = sawLevel || paragraph->autonumberLevel() != 0;
                if (paragraph == flow->lastParagraph())
                    emptyParagraph(paragraph);
                else if (paragraph != selectedLast)
                    (void)flow->removeParagraph(paragraph);
            }
        }
        wordList_.clear();
        paragraphList_.clear();
        std::unique_ptr<TextParagraph> gone = flow->removeParagraph(selectedLast);
        newParagraphIfNone(gone && gone->paragraphStyle() ? gone->paragraphStyle()->copy() : nullptr);
    } else if (wordList_.size() == 1 && !isParagraphEnd(wordList_[0])) {
        // 5. Part of one word.
        TextWord* word = wordList_[0];
        const bool wordType = endType_ == SelectionWord || endType_ == SelectionWordTail;
        if (word->isSpecialType(TextWordGraphic) ||
            (wordType && start_.letter == 0 && end_.letter >= word->length()))
            _squashWord(word);
        else if (end_.letter > start_.letter)
            word->deleteFrom(std::max(start_.letter, 0), std::min(end_.letter, word->length()) - 1);
        wordList_.clear();
    } else if (!paragraphList_.empty()) {
        // 6. Several words.
        TextParagraph* firstParagraph = paragraphList_.front();
        TextParagraph* lastParagraph = paragraphList_.size() > 1 ? paragraphList_.back() : nullptr;
        TextWord* firstWord = wordList_.front();
        TextWord* lastWord = nullptr;
        for (auto it = wordList_.rbegin(); it != wordList_.rend() && !lastWord; ++it)
            if (!isParagraphEnd(*it))
                lastWord = *it;
        bool firstBreakTaken = false, lastBreakTaken = false;
        bool firstRemovedWhole = false, lastRemovedWhole = false, lastParagraphGone = false;
        TextWord* firstRemainder = nullptr;
        // Who holds each word, taken before any word goes.
        std::vector<std::pair<TextWord*, TextParagraph*>> owners;
        for (TextWord* word : wordList_)
            owners.emplace_back(word, word->paragraph());

        auto cutParagraph = [&](TextParagraph* paragraph, bool isFirst) {
            sawLevel = sawLevel || paragraph->autonumberLevel() != 0;
            std::vector<TextWord*> mine;
            for (const auto& [word, owner] : owners)
                if (owner == paragraph)
                    mine.push_back(word);
            for (TextWord* word : mine) {
                if (isParagraphEnd(word)) {
                    if (isFirst) {
                        firstBreakTaken = true;
                        if (paragraphList_.size() == 1)
                            lastBreakTaken = true;
                    } else {
                        lastBreakTaken = true;
                        if (!endOfFlow_) {
                            (void)flow->removeParagraph(paragraph);
                            lastParagraphGone = true;
                        }
                    }
                    return;
                }
                const int length = word->length();
                if (word == firstWord) {
                    if (start_.letter <= 0 || word->isSpecialType(TextWordPageBreak)) {
                        firstRemovedWhole = true;
                        _squashWord(word);
                    } else {
                        const int to = word == lastWord ? std::min(end_.letter, length) : length;
                        if (to > start_.letter)
                            word->deleteFrom(start_.letter, to - 1);
                        firstRemainder = word;
                    }
                } else if (word == lastWord) {
                    if (end_.letter <= 0) {
                    } else if (end_.letter >= length) {
                        lastRemovedWhole = true;
                        _squashWord(word);
                    } else {
                        word->deleteFrom(0, end_.letter - 1);
                    }
                } else {
                    _squashWord(word);
                }
            }
        };

        cutParagraph(firstParagraph, true);
        if (lastParagraph) {
            cutParagraph(lastParagraph, false);
            for (std::size_t i = 1; i + 1 < paragraphList_.size(); ++i) {
                sawLevel = sawLevel || paragraphList_[i]->autonumberLevel() != 0;
                (void)flow->removeParagraph(paragraphList_[i]);
            }
        }
        wordList_.clear();
        paragraphList_.clear();

        const bool firstInFlow = flow->indexOfParagraph(firstParagraph) >= 0;
        if (firstInFlow && lastParagraph && !lastParagraphGone) {
            firstParagraph->join(lastParagraph, false);
            firstParagraph->setDirty(true);
        } else if (firstInFlow && (lastParagraphGone || !lastParagraph) && firstParagraph != flow->lastParagraph() &&
                   firstBreakTaken && lastBreakTaken) {
            firstParagraph->join(flow->nextParagraph(firstParagraph), false);
            firstParagraph->setDirty(true);
        }
        // The two cut words become one.
        if (!firstRemovedWhole && !lastRemovedWhole && firstRemainder && firstRemainder->paragraph())
            if (TextWord* next = firstRemainder->paragraph()->nextWord(firstRemainder))
                if (!next->isSpecial() && !firstRemainder->isSpecial())
                    firstRemainder->append(next);
        // Whole words gone from the middle of the text leave the space before
        // them and the one after them: an empty word between the two keeps
        // them apart, and holds the caret, so that pasting the words back
        // gives the text back.
        if (firstRemovedWhole && (lastRemovedWhole || !lastWord) && !lastBreakTaken &&
            flow->indexOfParagraph(firstParagraph) >= 0 && start_.word >= 0 && start_.letter <= 0 &&
            start_.word <= firstParagraph->wordCount()) {
            auto empty = std::make_unique<TextWord>(
                "", firstParagraph->charStyle() ? firstParagraph->charStyle()->font() : nullptr);
            firstParagraph->insertWord(std::move(empty), start_.word)->computeWithStyle(nullptr);
        }
        newParagraphIfNone();
    }

    // 7. The caret goes where the selection began.
    markEdited(flow);
    if (TextParagraph* paragraph = flow->paragraphAtIndex(remembered.paragraph))
        if (paragraph->wordCount() == 0)
            paragraph->createCurrentWord();
    flow->setCurrentPoint(&remembered);
    if (flow->textSelection() == this)
        flow->removeSelection(); // the receiver is gone from here on

    // 8. Renumbering and layout.
    if (recompute) {
        if (sawLevel)
            flow->recomputeAutonumberingFrom(remembered.paragraph);
        flow->dirtyFrom(remembered.paragraph, flow->paragraphCount() - 1);
        if (TextParagraph* paragraph = flow->paragraphAtIndex(remembered.paragraph))
            paragraph->recompute();
        else
            flow->completeLayout();
        TextFlow::redrawQuickFrom(startColumn);
    }
}

// ---- Inserting.

void TextSelection::insertInFlow(TextFlow* flow, const textPoint* point, bool copy)
{
    (void)point;
    (void)copy;
    if (!flow || !flow->currentParagraph())
        return;
    const std::vector<TextWord*>* built = _buildWordList();
    if (!built || built->empty())
        return;
    if (start_.word == 0 && start_.letter == 0 && endType_ == SelectionPara) {
        TextParagraph* caret = flow->currentParagraph();
        TextWord* word = caret->currentWord();
        if ((!word || (caret->indexOfWord(word) == 0 && word->insertPoint() == 0)) && !paragraphList_.empty()) {
            insertParagraphs(flow);
            return;
        }
    }
    insertWords(flow);
}

namespace {

// Takes the words of a selection out of whatever holds them, all before the
// paste moves any: the paragraphs of a selection read back, or the lists of
// the words no paragraph holds. Paragraph-end words are never moved and stay
// where they are. Answers the words in the order given (nil for one that
// could not be found); each list is walked once and closed up once, so a
// paste of many words or lines takes time in proportion to them.
template <class OwnedWord>
std::vector<std::unique_ptr<TextWord>> detachWords(const std::vector<TextWord*>& words,
                                                   std::vector<std::unique_ptr<TextWord>>& owned,
                                                   std::vector<std::unique_ptr<OwnedWord>>& breaks)
{
    std::vector<std::unique_ptr<TextWord>> detached(words.size());
    // The owned lists hold their words in the order of the word list.
    auto fromOwned = [](auto& list, std::size_t& cursor, TextWord* word) -> std::unique_ptr<TextWord> {
        for (std::size_t n = 0; n < list.size(); ++n) {
            const std::size_t at = (cursor + n) % list.size();
            if (list[at].get() == word) {
                cursor = at + 1;
                return std::unique_ptr<TextWord>(list[at].release());
            }
        }
        return nullptr;
    };
    std::size_t ownedCursor = 0, breakCursor = 0;
    bool tookOwned = false;
    for (std::size_t i = 0; i < words.size();) {
        TextWord* word = words[i];
        TextParagraph* holder = word ? word->paragraph() : nullptr;
        if (!word || isParagraphEnd(word) || (holder && holder->indexOfWord(word) >= 0)) {
            // A run of words of one paragraph is released in one go.
            std::size_t end = i;
            while (holder && end < words.size() && words[end] && !isParagraphEnd(words[end]) &&
                   words[end]->paragraph() == holder && holder->indexOfWord(words[end]) >= 0)
                ++end;
            if (end == i) {
                ++i;
                continue;
            }
            std::vector<std::unique_ptr<TextWord>> run =
                holder->releaseWords(std::span<TextWord* const>(words.data() + i, end - i));
            std::move(run.begin(), run.end(), detached.begin() + std::ptrdiff_t(i));
            i = end;
            continue;
        }
        detached[i] = fromOwned(owned, ownedCursor, word);
        if (!detached[i])
            detached[i] = fromOwned(breaks, breakCursor, word);
        tookOwned = tookOwned || detached[i];
        ++i;
    }
    if (tookOwned) {
        std::erase(owned, nullptr);
        std::erase(breaks, nullptr);
    }
    return detached;
}

} // namespace

void TextSelection::insertParagraphs(TextFlow* flow)
{
    TextParagraph* caret = flow->currentParagraph();
    const int at = flow->indexOfParagraph(caret);
    const bool inMain = inMainBody(flow);
    TextDocument* document = flow->document();
    DocumentView* view = document ? document->mainView() : nullptr;
    bool sawLevel = false, markerPasted = false;
    TextParagraph* firstNew = nullptr;
    TextParagraph* lastNew = nullptr;
    TextWord* lastMoved = nullptr;
    // The new paragraphs go into the flow together (one by one, each would
    // move all that follow), then take their words from the last on.
    std::vector<std::unique_ptr<TextParagraph>> made(paragraphList_.size());
    std::vector<TextParagraph*> newParagraphs;
    for (auto& paragraph : made) {
        paragraph = std::make_unique<TextParagraph>();
        newParagraphs.push_back(paragraph.get());
    }
    flow->insertParagraphs(std::move(made), at);
    for (std::size_t k = paragraphList_.size(); k-- > 0;) {
        TextParagraph* source = paragraphList_[k];
        TextParagraph* paragraph = newParagraphs[k];
        std::vector<TextWord*> moving;
        for (const auto& word : source->wordList()) {
            if (isParagraphEnd(word.get()) || (!inMain && isMarker(word.get())))
                continue;
            markerPasted = markerPasted || isMarker(word.get());
            moving.push_back(word.get());
        }
        std::vector<std::unique_ptr<TextWord>> released = source->releaseWords(moving);
        std::erase(released, nullptr);
        for (const auto& word : released)
            word->setInsertToEnd();
        TextWord* moved = released.empty() ? nullptr : released.back().get();
        paragraph->insertWords(std::move(released), paragraph->wordCount());
        if (!moved)
            moved = paragraph->createCurrentWord();
        paragraph->setCurrentWord(moved);
        // Without a view the flow's own document adapts the pasted style.
        std::unique_ptr<StyleParagraph> adapted =
            view ? view->checkPastedParaStyleFor(source->paragraphStyle(), nullptr)
                 : StyleInfo::adaptPastedStyle(source->paragraphStyle(), document ? document->styleInfo() : nullptr);
        const StyleParagraph* style = adapted ? adapted.get() : source->paragraphStyle();
        if (style)
            paragraph->setStylePara(style, false, false);
        sawLevel = sawLevel || paragraph->autonumberLevel() != 0;
        paragraph->recomputeAllWords();
        paragraph->setDirty(true);
        if (!lastNew) {
            lastNew = paragraph;
            lastMoved = moved;
        }
        firstNew = paragraph;
    }
    TextParagraph* layoutFrom = firstNew;
    if (endOfFlow_ && lastNew) {
        // The last pasted paragraph had no break of its own.
        const bool onlyEmpty = lastNew->wordCount() == 1 && lastMoved->length() == 0;
        const bool pageBreak = lastMoved->isSpecialType(TextWordPageBreak);
        lastNew->join(caret, false);
        flow->setCurrentParagraph(lastNew, false);
        if (onlyEmpty || pageBreak || lastNew->indexOfWord(lastMoved) < 0) {
            lastNew->setCurrentWord(lastNew->firstWord());
            if (lastNew->firstWord())
                lastNew->firstWord()->setInsertToStart();
        } else {
            const int caretAt = lastMoved->length();
            if (TextWord* next = lastNew->nextWord(lastMoved))
                lastMoved->append(next);
            lastNew->setCurrentWord(lastMoved);
            lastMoved->setInsertPoint(caretAt);
        }
        layoutFrom = lastNew;
    } else {
        flow->setCurrentParagraph(caret, false);
    }
    if (sawLevel && lastNew)
        flow->recomputeAutonumberingFrom(flow->indexOfParagraph(lastNew));
    flow->dirtyFromParagraph(layoutFrom);
    if (layoutFrom)
        layoutFrom->recompute();
    if (markerPasted && inMain)
        announceMarkers(flow);
    // Unsaved pasted paragraphs must not be lost on close.
    markEdited(flow);
    wordList_.clear();
    paragraphList_.clear();
}

void TextSelection::insertWords(TextFlow* flow)
{
    TextParagraph* paragraph = flow->currentParagraph();
    TextWord* caretWord = paragraph->currentWord();
    if (!caretWord)
        caretWord = paragraph->createCurrentWord();
    int insertPoint = std::clamp<int>(caretWord->insertPoint(), 0, caretWord->length());

    // 1. The style at the caret stays there.
    textPoint caret;
    flow->getCurrentTextPoint(&caret);
    textPoint found = caret;
    StyleChar* inForce = lastNonSymbolStyle(flow, &found);
    if (inForce && !samePoint(found, caret))
        flow->addCharStyle(inForce->copy(), &caret);
    // A copy: the style lives in a word that splits and joins below.
    const std::unique_ptr<StyleChar> caretCopy = inForce ? inForce->copy() : nullptr;
    StyleChar* caretStyle = caretCopy.get();

    const int pastedStart = std::max(start_.letter, 0);
    const int pastedEnd = end_.letter;
    bool markerPasted = false;

    // 2. One word.
    if (wordList_.size() == 1 && !isParagraphEnd(wordList_[0])) {
        std::unique_ptr<TextWord> owned =
            std::move(detachWords(std::vector<TextWord*>{wordList_[0]}, ownedWords_, paraBreakList_).front());
        if (!owned)
            return;
        const bool split = caretWord->length() > 0 && insertPoint != 0;
        TextWord* tail = split && insertPoint < caretWord->length() ? caretWord->breakAt(insertPoint) : nullptr;
        const char tailFirst = firstLetter(tail);
        TextWord* pasted = paragraph->insertWord(std::move(owned), paragraph->indexOfWord(caretWord) + (split ? 1 : 0));
        pasted->computeWithStyle(caretStyle);
        keepLetters(pasted, pastedStart, pastedEnd);
        const int pastedLength = pasted->length();
        const char pastedFirst = firstLetter(pasted);
        TextWord* caretAt = pasted;
        int caretLetter = pastedLength;
        if (split && !caretWord->isSpecial() && !pasted->isSpecial()) {
            caretWord->append(pasted);
            if (tail && !tail->isSpecial())
                caretWord->append(tail);
            caretAt = caretWord;
            caretLetter = insertPoint + pastedLength;
            if (endType_ == SelectionWord) {
                if (tail && !isCharAPasteFence(SelectionWordTail, tailFirst) && caretLetter < caretWord->length())
                    caretWord->breakAt(caretLetter);
                if (!isCharAPasteFence(SelectionCharTail, pastedFirst)) {
                    caretAt = caretWord->breakAt(insertPoint);
                    caretLetter = pastedLength;
                }
            }
        } else if (!split && pastedStart == 0 && !pasted->isSpecial() && !caretWord->isSpecial() &&
                   caretWord != pasted) {
            const char caretFirst = firstLetter(caretWord);
            pasted->append(caretWord);
            if (endType_ == SelectionWord && !isCharAPasteFence(SelectionCharTail, caretFirst) &&
                pastedLength < pasted->length())
                pasted->breakAt(pastedLength);
        }
        flow->setCurrentParagraph(paragraph, false);
        paragraph->setCurrentWord(caretAt);
        caretAt->setInsertPoint(caretLetter);
        markEdited(flow);
        return;
    }

    // 4. Every other case.
    const bool inMain = inMainBody(flow);
    std::vector<TextWord*> words;
    for (TextWord* word : wordList_)
        if (!word->isSpecialType(TextWordAutonumber) && (inMain || !isMarker(word)))
            words.push_back(word);
    if (words.empty())
        return;
    for (TextWord* word : words)
        markerPasted = markerPasted || isMarker(word);
    std::vector<std::unique_ptr<TextWord>> detached = detachWords(words, ownedWords_, paraBreakList_);

    if (caretWord->isSpecial() && insertPoint != 0) {
        auto plain = std::make_unique<TextWord>("", paragraph->charStyle() ? paragraph->charStyle()->font() : nullptr);
        caretWord = paragraph->insertWord(std::move(plain), paragraph->indexOfWord(caretWord) + 1);
        caretWord->computeWithStyle(nullptr);
        insertPoint = 0;
    }

    TextWord* caretAt = caretWord;
    int caretLetter = insertPoint;
    int index = paragraph->indexOfWord(caretWord);
    TextWord* tail = nullptr;
    std::size_t next = 0;
    const std::size_t lastIndex = words.size() - 1;
    TextWord* first = words.front();
    if (!isParagraphEnd(first)) {
        std::unique_ptr<TextWord> owned = std::move(detached.front());
        if (owned) {
            const int keepTo = lastIndex == 0 ? pastedEnd : TextWord::WholeWord;
            if (insertPoint == 0) {
                tail = caretWord;
                first = paragraph->insertWord(std::move(owned), index);
                first->computeWithStyle(caretStyle);
                keepLetters(first, pastedStart, keepTo);
                caretAt = first;
                caretLetter = first->length();
                index = paragraph->indexOfWord(first) + 1;
            } else {
                tail = insertPoint < caretWord->length() ? caretWord->breakAt(insertPoint) : nullptr;
                first = paragraph->insertWord(std::move(owned), index + 1);
                first->computeWithStyle(caretStyle);
                keepLetters(first, pastedStart, keepTo);
                const char pastedFirst = firstLetter(first);
                const int pastedLength = first->length();
                caretAt = first;
                caretLetter = pastedLength;
                if (!caretWord->isSpecial() && !first->isSpecial()) {
                    caretWord->append(first);
                    caretAt = caretWord;
                    caretLetter = insertPoint + pastedLength;
                    if (endType_ == SelectionWord && !isCharAPasteFence(SelectionCharTail, pastedFirst)) {
                        caretAt = caretWord->breakAt(insertPoint);
                        caretLetter = pastedLength;
                    }
                }
                index = paragraph->indexOfWord(caretAt) + 1;
            }
        }
        next = 1;
    }

    std::size_t middleEnd = words.size();
    if (lastIndex >= next && !isParagraphEnd(words[lastIndex]) && tail) {
        // The last word goes before the caret tail and may take it in.
        std::unique_ptr<TextWord> owned = std::move(detached[lastIndex]);
        middleEnd = lastIndex;
        if (owned) {
            TextWord* last = paragraph->insertWord(std::move(owned), paragraph->indexOfWord(tail));
            last->computeWithStyle(caretStyle);
            keepLetters(last, 0, pastedEnd);
            const int lastLength = last->length();
            if (!last->isSpecial() && !tail->isSpecial()) {
                const char tailFirst = firstLetter(tail);
                last->append(tail);
                if (endType_ == SelectionWord && tailFirst != 0 && !isCharAPasteFence(SelectionWordTail, tailFirst))
                    last->breakAt(lastLength);
            }
            caretAt = last;
            caretLetter = lastLength;
        }
    }

    // The words between, paragraph-end words splitting the caret paragraph.
    // Each run of words between two ends goes in at once; a split measures
    // the first part again, so only the words after the last split are
    // measured here.
    TextWord* placeholder = nullptr;
    std::vector<TextParagraph*> splitOff;
    std::vector<TextWord*> unmeasured;
    TextWord* lastPasted = nullptr;
    for (std::size_t i = next; i < middleEnd;) {
        if (isParagraphEnd(words[i])) {
            ++i;
            TextParagraph* second = nullptr;
            if (index > 0) {
                second = paragraph->breakAtPoint(index - 1, true);
            } else {
                const int at = flow->indexOfParagraph(paragraph);
                TextParagraph* before = flow->insertParagraph(std::make_unique<TextParagraph>(), at);
                before->setParagraphStyle(paragraph->paragraphStyle()->copy());
                before->createCurrentWord();
                second = paragraph;
            }
            if (!second)
                continue;
            paragraph->recomputeAllWords();
            unmeasured.clear();
            paragraph = second;
            splitOff.push_back(second);
            index = 0;
            // The empty word a split leaves in a paragraph of its own gives
            // way to the pasted words.
            placeholder = paragraph->wordCount() == 1 && paragraph->firstWord()->length() == 0 &&
                                  !paragraph->firstWord()->isSpecial()
                              ? paragraph->firstWord()
                              : nullptr;
            if (caretAt->paragraph() != paragraph) {
                caretAt = paragraph->firstWord();
                caretLetter = 0;
            }
            continue;
        }
        std::vector<std::unique_ptr<TextWord>> run;
        for (; i < middleEnd && !isParagraphEnd(words[i]); ++i)
            if (detached[i]) {
                if (i == lastIndex)
                    lastPasted = detached[i].get();
                run.push_back(std::move(detached[i]));
            }
        if (run.empty())
            continue;
        if (placeholder) {
            if (caretAt == placeholder)
                caretAt = nullptr;
            (void)paragraph->removeWord(placeholder);
            placeholder = nullptr;
        }
        caretAt = run.back().get();
        caretLetter = caretAt->length();
        for (const auto& word : run)
            unmeasured.push_back(word.get());
        const int count = int(run.size());
        paragraph->insertWords(std::move(run), index);
        index += count;
    }
    for (TextWord* word : unmeasured)
        word->computeWithStyle(caretStyle);
    if (lastPasted) {
        keepLetters(lastPasted, 0, pastedEnd);
        if (caretAt == lastPasted)
            caretLetter = lastPasted->length();
    }

    // Words that went into a paragraph the paste split off follow the
    // styles before them there, not the caret's.
    for (TextParagraph* split : splitOff)
        if (flow->indexOfParagraph(split) >= 0)
            split->recomputeAllWords();

    flow->setCurrentParagraph(paragraph, false);
    if (caretAt && caretAt->paragraph()) {
        caretAt->paragraph()->setCurrentWord(caretAt);
        caretAt->setInsertPoint(caretLetter);
        flow->setCurrentParagraph(caretAt->paragraph(), false);
    }
    if (endType_ == SelectionPara && !endOfFlow_)
        flow->currentParagraph()->setInsertToStart();
    if (markerPasted && inMain)
        announceMarkers(flow);
    markEdited(flow);
    wordList_.clear();
    paragraphList_.clear();
}
