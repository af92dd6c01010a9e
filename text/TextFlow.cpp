#include "text/TextFlow.h"

#include "appkit/RunLoop.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraphNamed.h"
#include "text/TableDefinition.h"
#include "text/TextParagraph.h"
#include "text/TextReplacement.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"
#include "text/TextWordSpecial.h"

#include "items/TextItem.h"

#include <algorithm>
#include <cstdio>
#include <functional>

TextFlow::TextFlow()
    : paragraphStyle_(std::make_unique<StyleParagraph>())
{
    TextParagraph* first = addParagraph(std::make_unique<TextParagraph>());
    paragraphStyle_->setFont(first->font());
    setCurrentParagraph(first, false);
}

TextFlow::TextFlow(TextItem* item)
    : TextFlow()
{
    setFirstTextItem(item);
}

TextFlow::~TextFlow()
{
    if (idleLayout_)
        idleLayout_->invalidate();
}

TableDefinition* TextFlow::addTable(std::unique_ptr<TableDefinition> table)
{
    if (!table)
        return nullptr;
    tables_.push_back(std::move(table));
    return tables_.back().get();
}

void TextFlow::audit(int x) const
{
    std::printf("\t\tTextFlow has %d paras\n", paragraphCount());
    for (const auto& paragraph : paragraphList_)
        paragraph->audit(x);
}

// ---- Paragraphs.

TextParagraph* TextFlow::addParagraph(std::unique_ptr<TextParagraph> paragraph)
{
    return insertParagraph(std::move(paragraph), paragraphCount());
}

TextParagraph* TextFlow::insertParagraph(std::unique_ptr<TextParagraph> paragraph, int index)
{
    if (!paragraph)
        return nullptr;
    if (index < 0 || index > paragraphCount())
        index = paragraphCount();
    paragraph->setFlow(this);
    TextParagraph* added = paragraph.get();
    paragraphList_.insert(paragraphList_.begin() + index, std::move(paragraph));
    if (std::size_t(index) + 1 < paragraphList_.size())
        noteChangedFrom(std::size_t(index));
    // Every paragraph after it changed places.
    noteLayoutNeededFrom(index);
    noteLayoutNeededFrom(paragraphCount() - 1);
    added->flowIndex_ = std::size_t(index);
    if (indexValidBelow_ == std::size_t(index))
        indexValidBelow_ = std::size_t(index) + 1;
    return added;
}

void TextFlow::insertParagraphs(std::vector<std::unique_ptr<TextParagraph>> paragraphs, int index)
{
    std::erase(paragraphs, nullptr);
    if (paragraphs.empty())
        return;
    if (index < 0 || index > paragraphCount())
        index = paragraphCount();
    const std::size_t at = std::size_t(index), count = paragraphs.size();
    for (const auto& paragraph : paragraphs)
        paragraph->setFlow(this);
    paragraphList_.insert(paragraphList_.begin() + index, std::make_move_iterator(paragraphs.begin()),
                          std::make_move_iterator(paragraphs.end()));
    if (at + count < paragraphList_.size())
        noteChangedFrom(at);
    for (std::size_t k = 0; k < count; ++k)
        paragraphList_[at + k]->flowIndex_ = at + k;
    if (indexValidBelow_ == at)
        indexValidBelow_ = at + count;
}

std::unique_ptr<TextParagraph> TextFlow::removeParagraph(const TextParagraph* paragraph)
{
    const int at = indexOfParagraph(paragraph);
    if (at < 0)
        return nullptr;
    std::unique_ptr<TextParagraph> removed = std::move(paragraphList_[std::size_t(at)]);
    paragraphList_.erase(paragraphList_.begin() + at);
    noteChangedFrom(std::size_t(at));
    // The paragraphs after it changed places: their layout is unsettled. A
    // new last paragraph ends the text in its column.
    noteLayoutNeededFrom(at);
    noteLayoutNeededFrom(paragraphCount() - 1);
    if (at == paragraphCount() && at > 0)
        paragraphAtIndex(at - 1)->setDirty(true);
    if (keepRunStart_ == removed.get())
        keepRunStart_ = nullptr;
    if (currentParagraph_ == removed.get())
        currentParagraph_ = paragraphAtIndex(std::min(at, paragraphCount() - 1));
    if (inspectedParagraph_ == removed.get())
        inspectedParagraph_ = nullptr;
    removed->setFlow(nullptr);
    return removed;
}

int TextFlow::indexOfParagraph(const TextParagraph* paragraph) const
{
    if (!paragraph || paragraph->flow() != this)
        return -1;
    const std::size_t cached = paragraph->flowIndex_;
    if (cached < indexValidBelow_ && cached < paragraphList_.size() && paragraphList_[cached].get() == paragraph)
        return int(cached);
    // Renumber what moved; one pass pays for every later lookup.
    for (std::size_t i = indexValidBelow_; i < paragraphList_.size(); ++i)
        paragraphList_[i]->flowIndex_ = i;
    indexValidBelow_ = paragraphList_.size();
    const std::size_t at = paragraph->flowIndex_;
    if (at < paragraphList_.size() && paragraphList_[at].get() == paragraph)
        return int(at);
    return -1;
}


TextParagraph* TextFlow::nextParagraph(const TextParagraph* paragraph) const
{
    const int at = indexOfParagraph(paragraph);
    return at < 0 ? firstParagraph() : paragraphAtIndex(at + 1);
}

TextParagraph* TextFlow::previousParagraph(const TextParagraph* paragraph) const
{
    const int at = indexOfParagraph(paragraph);
    return at < 0 ? firstParagraph() : paragraphAtIndex(at - 1);
}

void TextFlow::setCurrentParagraph(TextParagraph* paragraph, bool update)
{
    if (!paragraph || indexOfParagraph(paragraph) < 0)
        return;
    currentParagraph_ = paragraph;
    if (update)
        inspectParagraph(paragraph);
}

// ---- Words.

TextWord* TextFlow::currentWord() const { return currentParagraph_ ? currentParagraph_->currentWord() : nullptr; }

TextWord* TextFlow::nextWord(const TextWord* word) const
{
    if (!word) {
        const TextParagraph* first = firstParagraph();
        return first ? first->firstWord() : nullptr;
    }
    const TextParagraph* paragraph = word->paragraph();
    if (!paragraph)
        return nullptr;
    if (TextWord* next = paragraph->nextWord(word))
        return next;
    const int at = indexOfParagraph(paragraph);
    const TextParagraph* following = at < 0 ? nullptr : paragraphAtIndex(at + 1);
    return following ? following->firstWord() : nullptr;
}

TextWord* TextFlow::previousWord(const TextWord* word) const
{
    if (!word) {
        const TextParagraph* first = firstParagraph();
        return first ? first->firstWord() : nullptr;
    }
    const TextParagraph* paragraph = word->paragraph();
    if (!paragraph)
        return nullptr;
    if (TextWord* previous = paragraph->previousWord(word))
        return previous;
    const int at = indexOfParagraph(paragraph);
    const TextParagraph* before = at < 0 ? nullptr : paragraphAtIndex(at - 1);
    return before ? before->lastWord() : nullptr;
}

TextWord* TextFlow::previousWord(const TextWord* word, int* endChar) const
{
    for (TextWord* w = word ? previousWord(word) : nullptr; w; w = previousWord(w))
        if (w->isVisible()) {
            if (endChar)
                *endChar = w->length();
            return w;
        }
    if (endChar)
        *endChar = 0;
    return nullptr;
}

TextWord* TextFlow::addSpecialWord(int type)
{
    return currentParagraph_ ? currentParagraph_->addSpecialWord(type) : nullptr;
}

TextWord* TextFlow::addGraphic(InlineImage::Source source, bool makeSymLink, std::string* error)
{
    if (!currentParagraph_) {
        if (error)
            *error = "there is no caret";
        return nullptr;
    }
    return currentParagraph_->addGraphic(std::move(source), makeSymLink, error);
}

// ---- Points.

textPoint* TextFlow::firstTextPoint(textPoint* tp) const { return setTextPoint(tp, 0, 0, 0); }

textPoint* TextFlow::lastTextPoint(textPoint* tp) const
{
    const TextParagraph* last = lastParagraph();
    if (!last)
        return setTextPoint(tp, 0, 0, 0);
    const TextWord* word = last->lastWord();
    return setTextPoint(tp, paragraphCount() - 1, word ? last->wordCount() - 1 : 0, word ? word->length() : 0);
}

textPoint* TextFlow::getCurrentTextPoint(textPoint* tp) const
{
    if (!currentParagraph_)
        return setTextPoint(tp, 0, 0, 0);
    return currentParagraph_->getCurrentTextPoint(tp);
}

void TextFlow::setCurrentPoint(const textPoint* tp)
{
    if (!tp)
        return;
    TextParagraph* paragraph = paragraphAtIndex(tp->paragraph);
    if (!paragraph) {
        paragraph = lastParagraph();
        if (!paragraph)
            return;
        setCurrentParagraph(paragraph, false);
        paragraph->setInsertToEnd();
        return;
    }
    setCurrentParagraph(paragraph, false);
    if (TextWord* word = paragraph->wordAtIndex(tp->word)) {
        paragraph->setCurrentWord(word);
        word->setInsertPoint(tp->letter);
    } else {
        paragraph->setInsertToEnd();
    }
}

textPoint* TextFlow::nextPoint(textPoint* tp) const
{
    if (!tp)
        return tp;
    const TextParagraph* paragraph = paragraphAtIndex(tp->paragraph);
    const TextWord* word = paragraph ? paragraph->wordAtIndex(tp->word) : nullptr;
    if (word && tp->letter < word->length()) {
        ++tp->letter;
        return tp;
    }
    return nextWholeWord(tp);
}

textPoint* TextFlow::nextWholeWord(textPoint* tp) const
{
    if (!tp)
        return tp;
    const TextParagraph* paragraph = paragraphAtIndex(tp->paragraph);
    tp->letter = 0;
    if (paragraph && tp->word + 1 < paragraph->wordCount()) {
        ++tp->word;
        return tp;
    }
    tp->word = 0;
    tp->paragraph = tp->paragraph + 1 < paragraphCount() ? tp->paragraph + 1 : 0;
    return tp;
}

StyleChar* TextFlow::styleCharAt(textPoint* tp) const
{
    if (tp->letter < 0 && tp->word != 0) {
        --tp->word;
        tp->letter = TextWord::WholeWord;
    }
    if (tp->word < 0) {
        --tp->paragraph;
        tp->word = TextWord::WholeWord;
        tp->letter = TextWord::WholeWord;
    }
    const TextParagraph* paragraph = paragraphAtIndex(tp->paragraph);
    if (!paragraph) {
        const TextParagraph* first = firstParagraph();
        return first ? first->charStyle() : nullptr;
    }
    const auto& words = paragraph->wordList();
    if (tp->word >= int(words.size())) {
        tp->word = int(words.size()) - 1;
        tp->letter = TextWord::WholeWord;
    }
    // Only the words that hold style entries are looked at.
    for (int w = paragraph->lastStyledWordAtOrBefore(tp->word); w >= 0;
         w = paragraph->lastStyledWordAtOrBefore(w - 1)) {
        const TextWord* word = words[std::size_t(w)].get();
        if (!word->hasStyles())
            continue;
        int letter = w == tp->word ? tp->letter : TextWord::WholeWord;
        if (letter == TextWord::WholeWord || letter > word->textLength())
            letter = word->textLength();
        for (int i = letter; i >= 0; --i)
            if (StyleChar* style = word->styleAt(i)) {
                tp->word = w;
                tp->letter = i;
                return style;
            }
    }
    return paragraph->charStyle();
}

void TextFlow::addCharStyle(std::unique_ptr<StyleChar> style, const textPoint* tp)
{
    const TextParagraph* paragraph = tp ? paragraphAtIndex(tp->paragraph) : nullptr;
    if (TextWord* word = paragraph ? paragraph->wordAtIndex(tp->word) : nullptr)
        word->addCharStyle(std::move(style), tp->letter);
}

textPoint TextFlow::pointOfWord(const TextWord* word) const
{
    const TextParagraph* paragraph = word ? word->paragraph() : nullptr;
    const int p = indexOfParagraph(paragraph);
    if (p < 0)
        return {-1, -1, 0};
    return {p, paragraph->indexOfWord(word), 0};
}

// ---- Columns.

void TextFlow::setFirstTextItem(TextItem* item)
{
    firstTextItem_ = item;
    if (item)
        item->setStartPointVals(0, 0, 0);
    // Nil too: the first paragraph must not keep a column that went away.
    if (TextParagraph* first = firstParagraph()) {
        first->setFirstItem(item);
        first->setFirstY(0.0f);
    }
}

TextItem* TextFlow::item(TextItem* column, const textPoint* tp) const
{
    const TextParagraph* paragraph = tp ? paragraphAtIndex(tp->paragraph) : nullptr;
    if (!paragraph)
        return column;
    if (paragraph->firstItem() == paragraph->lastItem())
        return paragraph->firstItem();
    if (!paragraph->wordAtIndex(tp->word))
        return column;
    TextItem* at = paragraph->firstItem();
    while (at && at != paragraph->lastItem() && TextPointCmp(tp, &at->endPoint()) > 0)
        at = at->nextColumn();
    return at;
}

namespace {
// Until the line layout measures borders, a paragraph's border is its box,
// from its first to its last y.
kit::Rect borderOf(const TextParagraph& paragraph)
{
    const kit::Rect& box = paragraph.box();
    return {{box.origin.x, box.origin.y}, {box.size.width, paragraph.lastY() - box.origin.y}};
}
} // namespace

kit::Point TextFlow::getXYFromTextPoint(const textPoint* tp, TextItem* column, TextItem** resultItem) const
{
    column = item(column, tp);
    if (resultItem)
        *resultItem = column;
    const TextParagraph* paragraph = tp ? paragraphAtIndex(tp->paragraph) : nullptr;
    if (!paragraph)
        return {0, 0};
    if (const TextWord* word = paragraph->wordAtIndex(tp->word)) {
        kit::Rect rects[64]{};
        if (word->numWordPieces() <= 64 && word->getSelectionRects(rects, tp->letter, tp->letter) > 0)
            return rects[0].origin;
        return {0, 0};
    }
    const kit::Rect border = borderOf(*paragraph);
    return {border.origin.x + border.size.width, border.origin.y + border.size.height};
}

TextParagraph* TextFlow::hitParagraphAtLoc(kit::Point point, TextItem* column, bool exact) const
{
    if (!column)
        return nullptr;
    const textPoint& start = column->startPoint();
    if (start.paragraph < 0 || start.word < 0)
        return nullptr;
    int end = paragraphCount();
    if (const TextItem* next = column->nextColumn()) {
        const textPoint& nextStart = next->startPoint();
        int limit = nextStart.paragraph;
        if (nextStart.word >= 1 || nextStart.letter >= 1)
            ++limit;
        if (limit >= 1 && limit < paragraphCount())
            end = limit;
    }
    for (int i = start.paragraph; i < end; ++i)
        if (kit::pointInRect(point, borderOf(*paragraphList_[std::size_t(i)])))
            return paragraphList_[std::size_t(i)].get();
    if (exact)
        return nullptr;
    TextParagraph* before = nullptr;
    TextParagraph* after = nullptr;
    float beforeX = 20000.0f, afterX = 20000.0f, beforeY = 20000.0f, afterY = 20000.0f;
    bool spans = false;
    for (int i = start.paragraph; i < end && !after; ++i) {
        TextParagraph* paragraph = paragraphList_[std::size_t(i)].get();
        const kit::Rect r = borderOf(*paragraph);
        const float top = r.origin.y, bottom = r.origin.y + r.size.height;
        const float left = r.origin.x, right = r.origin.x + r.size.width;
        if (point.y >= top && point.y <= bottom) {
            spans = true;
            if (point.x > right) {
                before = paragraph;
                beforeX = point.x - right;
            } else if (point.x < left) {
                after = paragraph;
                afterX = left - point.x;
            }
        }
        if (point.y > bottom) {
            before = paragraph;
            beforeY = point.y - bottom;
        } else if (point.y < top) {
            after = paragraph;
            afterY = top - point.y;
        }
    }
    if (!after)
        return before;
    if (spans)
        return afterX < beforeX ? after : before;
    return afterY < beforeY ? after : before;
}

TextDocument* TextFlow::document() const { return firstTextItem_ ? firstTextItem_->textDocument() : nullptr; }

// ---- Selection and typing style.

void TextFlow::setTextSelection(std::unique_ptr<TextSelection> selection)
{
    textSelection_ = std::move(selection);
    if (textSelection_)
        textSelection_->setFlow(this);
}

bool TextFlow::removeSelection()
{
    bool split = false;
    if (textSelection_) {
        TextItem* from = item(firstTextItem_, &textSelection_->start());
        TextItem* to = item(firstTextItem_, &textSelection_->end());
        split = (from || to) && from != to;
    }
    textSelection_.reset();
    _updateObjectLinkInspector();
    return split;
}

StyleChar* TextFlow::charStyle() const { return paragraphStyle_->charStyle(); }

void TextFlow::setCharStyle(std::unique_ptr<StyleChar> style)
{
    if (style)
        paragraphStyle_->setCharStyle(style.get());
}

// ---- Dirty marking.

void TextFlow::dirtyFromParagraph(const TextParagraph* paragraph)
{
    const int from = indexOfParagraph(paragraph);
    if (from >= 0)
        dirtyFrom(from, paragraphCount() - 1);
}

void TextFlow::dirtyFrom(int from, int to)
{
    from = std::max(from, 0);
    to = std::min(to, paragraphCount() - 1);
    for (int i = from; i <= to; ++i)
        paragraphList_[std::size_t(i)]->setDirty(true);
}

void TextFlow::dirtyInItem(const TextItem* column)
{
    if (!column)
        return;
    for (const auto& paragraph : paragraphList_)
        if (paragraph->firstItem() == column || paragraph->lastItem() == column)
            paragraph->setDirty(true);
}

void TextFlow::forgetItem(const TextItem* column)
{
    if (!column)
        return;
    if (firstTextItem_ == column)
        firstTextItem_ = nullptr;
    for (const auto& paragraph : paragraphList_)
        paragraph->forgetItem(column);
}

void TextFlow::forgetItems(std::span<const TextItem* const> columns)
{
    std::vector<const TextItem*> sorted(columns.begin(), columns.end());
    std::sort(sorted.begin(), sorted.end(), std::less<>());
    if (std::binary_search(sorted.begin(), sorted.end(), firstTextItem_, std::less<>()))
        firstTextItem_ = nullptr;
    for (const auto& paragraph : paragraphList_)
        paragraph->forgetItems(sorted);
}

void TextFlow::resolveInDocument(TextDocument* document)
{
    for (const auto& paragraph : paragraphList_)
        paragraph->resolveInDocument(document);
}

void TextFlow::walkParagraphsForObject(const std::function<void(TextParagraph*)>& performSelector) const
{
    if (!performSelector)
        return;
    for (const auto& paragraph : paragraphList_)
        performSelector(paragraph.get());
}

void TextFlow::convertStyleAttributes(const StyleParagraph* newBase)
{
    for (const auto& paragraph : paragraphList_)
        paragraph->convertStyleAttributes(newBase);
}

void TextFlow::removeStyleReference(const StyleParagraph* style)
{
    if (!style)
        return;
    for (const auto& paragraph : paragraphList_)
        paragraph->removeStyleReference(style);
    // Text typed later would be based on it.
    if (paragraphStyle_)
        paragraphStyle_->removeStyleReference(style);
}

void TextFlow::dirtyParagraphsWithStyle(const StyleParagraph* style)
{
    for (const auto& paragraph : paragraphList_)
        paragraph->setDirtyIfParagraphStyle(style);
}

const StyleParagraph* TextFlow::firstStyleReference(const std::function<bool(const StyleParagraph*)>& known) const
{
    auto stale = [&known](const StyleParagraph* style) -> const StyleParagraph* {
        if (!style)
            return nullptr;
        if (const StyleParagraph* based = style->basedOnStyle(); based && !known(based))
            return based;
        if (const StyleParagraph* next = style->nextParagraphStyle(); next && !known(next))
            return next;
        return nullptr;
    };
    for (const auto& paragraph : paragraphList_)
        if (const StyleParagraph* found = stale(paragraph->paragraphStyle()))
            return found;
    return stale(paragraphStyle_.get());
}
