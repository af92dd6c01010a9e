#include "text/TextFlow.h"

#include "core/Alert.h"
#include "document/LayoutDocument.h"
#include "items/TextItem.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"

#include <algorithm>
#include <vector>

void TextFlow::recomputeAll()
{
    TextItem* first = firstTextItem_;
    while (first && first->prevColumn() && first->prevColumn() != firstTextItem_)
        first = first->prevColumn();
    if (first != firstTextItem_)
        setFirstTextItem(first);
    for (const auto& paragraph : paragraphList_)
        paragraph->forceDirty();
    if (TextParagraph* paragraph = firstParagraph())
        paragraph->recompute();
}

void TextFlow::emptyPointsFromColumn(TextItem* column)
{
    for (TextItem* c = column; c; c = c->nextColumn()) {
        c->setStartPointVals(-1, -1, -1);
        c->setEndPointVals(-2, -2, -2);
        if (c->nextColumn() == column)
            break;
    }
    if (LayoutDocument* doc = document())
        doc->deleteEmptyPages();
}

namespace {
constexpr std::uint16_t UpArrowKey = 0xF700;
// Lines are told apart by their rectangle's y plus their paragraph's index;
// keys less than one apart are the same line.
bool sameLine(float a, float b) { return int(a - b) == 0; }
} // namespace

void TextFlow::arrowUpDown(textPoint* tp, kit::Point point, std::uint16_t direction) const
{
    if (!tp)
        return;
    const int step = direction == UpArrowKey ? -1 : 1;
    auto giveUp = [&] {
        kit::beep();
        if (step < 0)
            firstTextPoint(tp);
        else
            lastTextPoint(tp);
    };
    const TextParagraph* paragraph = paragraphAtIndex(tp->paragraph);
    const TextWord* word = paragraph ? paragraph->wordAtIndex(tp->word) : nullptr;
    if (!word) {
        giveUp();
        return;
    }
    const int insert = std::clamp(tp->letter, 0, word->length());
    kit::Rect caret{};
    word->getSelectionRects(&caret, insert, insert);
    const float caretKey = caret.origin.y + float(tp->paragraph);

    float best = 100000.0f;
    textPoint candidate{};
    bool haveTarget = false;
    float targetKey = 0;
    int p = tp->paragraph, w = tp->word;
    bool first = true;
    std::vector<kit::Rect> rects;
    std::vector<int> firstOffsets;
    for (;;) {
        paragraph = paragraphAtIndex(p);
        word = paragraph ? paragraph->wordAtIndex(w) : nullptr;
        if (word && word->isVisible()) {
            const int pieces = word->numWordPieces();
            rects.assign(std::size_t(pieces), kit::Rect{});
            firstOffsets.assign(std::size_t(pieces), 0);
            int from = 0, to = TextWord::WholeWord;
            if (first) {
                from = step > 0 ? insert : 0;
                to = step > 0 ? word->length() : insert;
            }
            const int n = std::clamp(
                word->getSelectionRects(rects.data(), nullptr, firstOffsets.data(), nullptr, from, to), 0, pieces);
            for (int k = 0; k < n; ++k) {
                const kit::Rect& r = rects[std::size_t(step > 0 ? k : n - 1 - k)];
                const int firstOffset = firstOffsets[std::size_t(step > 0 ? k : n - 1 - k)];
                const float key = r.origin.y + float(p);
                if (sameLine(key, caretKey))
                    continue;
                if (!haveTarget) {
                    haveTarget = true;
                    targetKey = key;
                } else if (!sameLine(key, targetKey) && (step > 0 ? key > targetKey : key < targetKey)) {
                    goto done;
                }
                if (!sameLine(key, targetKey))
                    continue;
                const float right = r.origin.x + r.size.width;
                if (point.x >= r.origin.x && point.x <= right) {
                    const float* widths = word->activeWidthArray();
                    float at = r.origin.x;
                    int letter = firstOffset;
                    while (letter < word->length() && at + widths[letter] <= point.x)
                        at += widths[letter++];
                    setTextPoint(tp, p, w, letter);
                    return;
                }
                if (right < point.x) {
                    if (point.x - right < best) {
                        best = point.x - right;
                        candidate = {p, w, word->lastCharAt(r.origin.y)};
                    }
                } else if (r.origin.x - point.x < best) {
                    best = r.origin.x - point.x;
                    candidate = {p, w, word->firstCharAt(r.origin.y)};
                }
            }
        }
        first = false;
        w += step;
        if (!paragraph || w < 0 || w >= paragraph->wordCount()) {
            p += step;
            const TextParagraph* next = paragraphAtIndex(p);
            if (!next)
                break;
            w = step > 0 ? 0 : next->wordCount() - 1;
        }
    }
done:
    if (best < 100000.0f)
        *tp = candidate;
    else
        giveUp();
}
