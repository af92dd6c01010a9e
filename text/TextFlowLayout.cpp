#include "text/TextFlow.h"

#include "appkit/RunLoop.h"
#include "core/Alert.h"
#include "foundation/StyleParagraph.h"
#include "items/TextItem.h"
#include "text/TableParagraph.h"
#include "text/TextDocument.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"

#include <algorithm>
#include <chrono>
#include <typeinfo>
#include <unordered_set>
#include <vector>

namespace {

constexpr short KeepWithNext = -2;
constexpr short ColumnStartNext = 3;
// How long one turn of idle layout may take, in seconds.
constexpr double IdleLayoutSlice = 0.002;

double secondsNow()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Nothing laid out after such a paragraph changes the columns before its
// last one: a keep-with-next run moves only paragraphs after it, and only a
// row's later cells move its earlier ones.
bool closesColumns(const TextParagraph* paragraph)
{
    return typeid(*paragraph) == typeid(TextParagraph) && paragraph->paragraphStyle()->widowControl() != KeepWithNext;
}

// The paragraphs one pass laid out, kept over the range it reached: a pass
// that lays out a few paragraphs of a long flow (a key, a step of an
// import) costs what those paragraphs cost, not the length of the flow.
class LaidOut {
public:
    bool has(int i) const
    {
        return i >= first_ && std::size_t(i - first_) < flags_.size() && flags_[std::size_t(i - first_)];
    }
    void add(int i)
    {
        if (flags_.empty())
            first_ = i;
        if (i < first_) {
            flags_.insert(flags_.begin(), std::size_t(first_ - i), 0);
            first_ = i;
        }
        if (std::size_t(i - first_) >= flags_.size())
            flags_.resize(std::size_t(i - first_) + 1, 0);
        flags_[std::size_t(i - first_)] = 1;
    }

private:
    int first_ = 0;
    std::vector<char> flags_;
};

} // namespace

void TextFlow::recomputeAll()
{
    TextItem* first = firstTextItem_;
    while (first && first->prevColumn() && first->prevColumn() != firstTextItem_)
        first = first->prevColumn();
    if (first != firstTextItem_)
        setFirstTextItem(first);
    for (const auto& paragraph : paragraphList_)
        paragraph->forceDirty();
    TextParagraph* paragraph = firstParagraph();
    if (!paragraph)
        return;
    if (!paragraph->firstItem())
        paragraph->setFirstItem(firstTextItem_);
    layingOutAll_ = true;
    layOut(nullptr, false, nullptr, 0);
    layingOutAll_ = false;
}

// ---- What waits for layout.

void TextFlow::noteLayoutNeededFrom(int index)
{
    if (index < 0)
        return;
    layoutFrom_ = std::min(layoutFrom_, std::size_t(index));
    layoutTo_ = std::max(layoutTo_, std::size_t(index));
}

int TextFlow::firstUnsettled()
{
    // Nothing after the last paragraph marked waits: typing looks at a few
    // paragraphs, not the whole flow.
    const std::size_t last =
        std::min(layoutTo_, paragraphList_.size() - std::min<std::size_t>(paragraphList_.size(), 1));
    std::size_t i = layoutFrom_;
    while (i < paragraphList_.size() && i <= last && !isUnsettled(paragraphList_[i].get(), int(i)))
        ++i;
    if (i >= paragraphList_.size() || i > last) {
        layoutFrom_ = paragraphList_.size();
        layoutTo_ = 0;
        return paragraphCount();
    }
    layoutFrom_ = i;
    return int(i);
}

bool TextFlow::isUnsettled(const TextParagraph* paragraph, int index) const
{
    return paragraph->dirty() || paragraph->ordinal() != index;
}

bool TextFlow::hasPendingLayout() const { return layoutFrom_ < paragraphList_.size(); }

bool TextFlow::isSettled() const
{
    if (hasPendingLayout())
        return false;
    for (std::size_t i = 0; i < paragraphList_.size(); ++i)
        if (isUnsettled(paragraphList_[i].get(), int(i)) || !paragraphList_[i]->firstItem())
            return false;
    return true;
}

TextParagraph* TextFlow::recomputeUnsettled(TextParagraph* edited, bool trackDamage)
{
    return layOut(edited, trackDamage, nullptr, 0);
}

void TextFlow::completeLayout()
{
    if (hasPendingLayout())
        layOut(nullptr, false, nullptr, 0);
}

void TextFlow::layoutThrough(const TextItem* column)
{
    if (!column || !hasPendingLayout())
        return;
    const TextDocument* doc = document();
    if (doc && doc->isNotifyDisabled())
        return;
    layOut(nullptr, false, column, 0);
}

TextParagraph* TextFlow::layOut(TextParagraph* edited, bool trackDamage, const TextItem* through, double deadline)
{
    // A layout under way takes in whatever was marked meanwhile.
    if (layingOut_)
        return edited;
    TextItem* firstColumn = edited && edited->firstItem() ? edited->firstItem() : firstTextItem_;
    TextDocument* doc = firstColumn ? firstColumn->textDocument() : nullptr;
    const int pages = doc ? doc->numPages() : 0;
    if (doc) {
        doc->disableCalcPages();
        doc->disableNotify();
    }
    layingOut_ = true;

    const int editedIndex = edited ? indexOfParagraph(edited) : -1;
    std::unordered_set<const TextItem*> after;
    if (through)
        for (const TextItem* c = through->nextColumn(); c && c != through && after.size() < 100000;
             c = c->nextColumn())
            after.insert(c);
    // Whether the column's text is final once the paragraphs before i are.
    auto settled = [&](int i) {
        for (int k = i - 1; k >= 0; --k)
            if (const TextParagraph* p = paragraphAtIndex(k); closesColumns(p))
                return after.count(p->lastItem()) > 0;
        return false;
    };

    // The paragraphs this pass laid out.
    LaidOut laid;
    TextParagraph* other = nullptr;
    bool deferred = false;
    bool chained = false;
    int i = 0;
    // Keep-with-next runs send the layout back; a bound keeps a pathological
    // flow from going round for ever.
    long budget = 8L * paragraphCount() + 64;
    for (;;) {
        if (!chained)
            i = firstUnsettled();
        if (i >= paragraphCount()) {
            layoutFrom_ = paragraphList_.size();
            break;
        }
        TextParagraph* paragraph = paragraphAtIndex(i);
        if (i > 0 && !laid.has(i - 1) && (paragraph->dirty() || paragraph->ordinal() != i)) {
            // Whether a keep-with-next run before it moves on depends on how
            // this paragraph breaks, and a cell's row starts where its first
            // cell does: what goes with it is laid out again first, from
            // its own place, as a layout from scratch lays it.
            const int first = keepRunBefore(i);
            if (first < i && !laid.has(first)) {
                for (int k = first; k < i; ++k)
                    paragraphAtIndex(k)->setDirty(true);
                chained = false;
                continue;
            }
        }
        if (!chained && i > 0 && paragraphAtIndex(i - 1)->dirty()) {
            // Laid out and still waiting: the text before ran past the last
            // column, and nothing from here on has a place.
            layoutFrom_ = paragraphList_.size();
            break;
        }
        if ((deferLayout_ > 0 && editedIndex >= 0 && i > editedIndex + 1) || (through && settled(i)) ||
            (deadline > 0 && secondsNow() >= deadline)) {
            // The rest waits. A chain under way goes on from here later, with
            // a full layout: the chain may have moved column points it owns
            // since it was last laid out. What it will move must be drawn
            // again.
            if (chained) {
                paragraph->ordinal_ = -1;
                if (editedIndex >= 0 && i > editedIndex)
                    other = paragraph;
            }
            noteLayoutNeededFrom(i);
            deferred = true;
            break;
        }
        layoutFrom_ = std::size_t(i) + 1;

        // The first of a keep-with-next run that must move on starts at the
        // top of the next column, for this layout only.
        StyleParagraph* moved = nullptr;
        short oldStart = 0;
        int oldFlags = 0;
        const bool wasForced = StyleParagraph::forceParagraphStyleDefinitions();
        if (keepRunStart_ == paragraph) {
            keepRunStart_ = nullptr;
            moved = paragraph->paragraphStyle();
            oldStart = moved->columnStart();
            oldFlags = moved->definedFlags();
            StyleParagraph::setForceParagraphStyleDefinitions(false);
            moved->setColumnStart(ColumnStartNext);
        }
        const bool changed = paragraph->_compute(trackDamage && paragraph == edited);
        laid.add(i);
        if (moved) {
            moved->setColumnStart(oldStart);
            moved->setDefinedFlags(oldFlags);
            StyleParagraph::setForceParagraphStyleDefinitions(wasForced);
        }
        if (changed && paragraph != edited)
            other = paragraph;
        if (--budget < 0) {
            layoutFrom_ = paragraphList_.size();
            break;
        }
        const bool overflowed = !changed && paragraph->dirty();
        if (overflowed && layoutFrom_ >= std::size_t(i)) {
            // No room left: nothing after it can be placed.
            layoutFrom_ = paragraphList_.size();
            break;
        }
        if (layoutFrom_ <= std::size_t(i)) {
            // Marked again at or before it (a keep-with-next run moves on).
            chained = false;
            continue;
        }
        chained = changed;
        ++i;
    }

    layingOut_ = false;
    keepRunStart_ = nullptr;
    keepRunMoved_.clear();
    if (doc) {
        doc->reenableNotify();
        doc->reenableCalcPages();
        if (doc->numPages() != pages) {
            doc->calcPageRectsFor(1);
            doc->notifyDocumentDidChangeSize();
        }
        showOverflow(doc);
    }
    if (deferred && !through && deadline == 0)
        scheduleIdleLayout();
    // Only now, with this flow laid out: the page lays out every flow on it.
    if (firstTextItem_ && firstTextItem_->isDisplay())
        firstTextItem_->flowAroundResizedHeadline();
    return other ? other : edited;
}

void TextFlow::showOverflow(TextDocument* doc)
{
    TextItem* last = firstTextItem_;
    for (TextItem* c = last; c; c = c->nextColumn()) {
        last = c;
        if (c->nextColumn() == firstTextItem_)
            break;
    }
    const bool overflows = last && last->continueMarker() == TextItem::ContinueMarker::Plus;
    if (overflows == overflowShown_)
        return;
    overflowShown_ = overflows;
    const std::vector<kit::Object*> items{last};
    doc->notifyUpdate(nullptr, &items);
}

bool TextFlow::mayMoveKeepRun(int index)
{
    if (index < 0)
        return false;
    if (keepRunMoved_.size() <= std::size_t(index))
        keepRunMoved_.resize(paragraphList_.size() + 1, 0);
    if (keepRunMoved_[std::size_t(index)])
        return false;
    keepRunMoved_[std::size_t(index)] = 1;
    return true;
}

namespace {
// The paragraph at index when it is a cell of the same table row as cell.
const TableParagraph* rowMate(const TextFlow& flow, int index, const TableParagraph* cell)
{
    const auto* other = dynamic_cast<const TableParagraph*>(flow.paragraphAtIndex(index));
    return other && cell && other->table() == cell->table() && other->row() == cell->row() ? other : nullptr;
}
} // namespace

int TextFlow::keepRunBefore(int index) const
{
    // A cell stands where its row's first cell puts the row.
    int first = index;
    const auto* cell = dynamic_cast<const TableParagraph*>(paragraphAtIndex(index));
    while (first > 0 && rowMate(*this, first - 1, cell))
        --first;
    // A keep-with-next run before it moves with it.
    while (first > 0 && paragraphAtIndex(first - 1)->paragraphStyle()->widowControl() == KeepWithNext)
        --first;
    // A cell moves with its row: the row goes back from its first cell.
    const auto* start = dynamic_cast<const TableParagraph*>(paragraphAtIndex(first));
    while (first > 0 && rowMate(*this, first - 1, start))
        --first;
    return first;
}

void TextFlow::scheduleIdleLayout()
{
    if (idleLayout_ && idleLayout_->isValid())
        return;
    idleLayout_ = kit::Timer::scheduledTimerWithTimeInterval(
        0, [this](kit::Timer&) { idleLayout(); }, false);
}

void TextFlow::idleLayout()
{
    if (!hasPendingLayout())
        return;
    // Where the waiting text starts: the views redraw from there.
    const int from = firstUnsettled();
    if (from >= paragraphCount())
        return;
    const TextParagraph* before = paragraphAtIndex(from - 1);
    TextItem* column = before ? before->lastItem() : firstTextItem_;
    layOut(nullptr, false, nullptr, secondsNow() + IdleLayoutSlice);
    if (TextDocument* doc = document(); doc && column)
        doc->notifyUpdate(nullptr, kit::Rect{}, column, nullptr, std::max(from - 1, 0), 0x7FFFFFFF);
    if (hasPendingLayout()) {
        idleLayout_.reset();
        scheduleIdleLayout();
    }
}

void TextFlow::emptyPointsFromColumn(TextItem* column)
{
    for (TextItem* c = column; c; c = c->nextColumn()) {
        c->setStartPointVals(-1, -1, -1);
        c->setEndPointVals(-2, -2, -2);
        if (c->nextColumn() == column)
            break;
    }
    if (TextDocument* doc = document())
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
