#include "text/TextParagraph.h"

#include "core/Alert.h"
#include "text/TableParagraph.h"
#include "text/TextFlow.h"
#include "text/TextWord.h"
#include "text/TextWordSpecial.h"

namespace {
bool isPlain(const TextWord* word) { return word && !word->isSpecial(); }
bool isAutonumber(const TextWord* word) { return word && word->isSpecialType(TextWordAutonumber); }
// A table cell is never joined to its neighbour nor removed by a delete key:
// its row would lose a cell.
bool isCell(const TextParagraph* paragraph) { return dynamic_cast<const TableParagraph*>(paragraph) != nullptr; }
bool crossesCell(const TextParagraph* a, const TextParagraph* b) { return isCell(a) || isCell(b); }
} // namespace

TextParagraph* TextParagraph::cursorEdit(std::uint16_t key, bool* forceRedraw)
{
    bool ignored = true;
    bool* redraw = forceRedraw ? forceRedraw : &ignored;
    *redraw = true;
    TextParagraph* result = this;
    if (key == DeleteBackwardKey)
        deleteBackward(redraw, &result);
    else if (key == DeleteForwardKey)
        deleteForward(redraw, &result);
    return result;
}

TextParagraph* TextParagraph::removeLoneAutonumberParagraph()
{
    TextParagraph* previous = flow_ ? flow_->previousParagraph(this) : nullptr;
    if (!previous || previous == this) {
        kit::beep();
        return nullptr;
    }
    const int formerIndex = index();
    removeWord(firstWord());
    previous->setInsertToEnd();
    TextFlow* flow = flow_;
    flow->setCurrentParagraph(previous, false);
    std::unique_ptr<TextParagraph> gone = flow->removeParagraph(this);
    flow->recomputeAutonumberingFrom(formerIndex);
    return nullptr;
}

void TextParagraph::deleteBackward(bool* redraw, TextParagraph** result)
{
    if (!currentWord_) {
        if (!wordList_.empty()) {
            currentWord_ = firstWord();
            currentWord_->setInsertToStart();
        } else {
            TextParagraph* previous = flow_ ? flow_->previousParagraph(this) : nullptr;
            if (previous && previous != this && crossesCell(previous, this)) {
                kit::beep();
            } else if (previous && previous != this) {
                previous->setInsertToEnd();
                TextFlow* flow = flow_;
                flow->setCurrentParagraph(previous, false);
                std::unique_ptr<TextParagraph> gone = flow->removeParagraph(this);
            }
            *result = nullptr;
            return;
        }
    }
    TextWord* w = currentWord_;
    const int ip = w->insertPoint();
    const bool firstParagraph = !flow_ || flow_->firstParagraph() == this;
    auto autonumberBefore = [&](TextWord* number) {
        if (firstParagraph) {
            kit::beep();
        } else if (wordCount() > 1) {
            kit::beep();
            currentWord_ = number;
            number->setInsertToStart();
        } else {
            *result = removeLoneAutonumberParagraph();
        }
    };

    if (ip > 0) {
        *redraw = false;
        if (isPlain(w)) {
            w->deleteLeft();
        } else if (isAutonumber(w)) {
            if (!firstParagraph)
                *redraw = true;
            autonumberBefore(w);
        } else {
            const int at = indexOfWord(w);
            const int type = w->wordType();
            removeWord(w);
            if (at == 0) {
                *redraw = true;
                currentWord_ = firstWord();
                if (currentWord_)
                    currentWord_->setInsertToStart();
            } else {
                TextWord* before = wordAtIndex(at - 1);
                currentWord_ = before;
                before->setInsertToEnd();
                TextWord* after = wordAtIndex(at);
                if (isPlain(before) && isPlain(after) &&
                    (type == TextWordTab || type == TextWordLineBreak || type == TextWordPageBreak)) {
                    const int join = before->length();
                    before->append(after);
                    before->setInsertPoint(join);
                }
            }
        }
        return;
    }

    const int at = indexOfWord(w);
    if (at <= 0) {
        if (firstParagraph) {
            kit::beep();
            *result = nullptr;
            return;
        }
        TextParagraph* previous = flow_->previousParagraph(this);
        if (crossesCell(previous, this)) {
            kit::beep();
            return;
        }
        flow_->setCurrentParagraph(previous, false);
        previous->setInsertToEnd();
        previous->join(this);
        *result = previous;
        return;
    }
    TextWord* v = wordAtIndex(at - 1);
    if (isPlain(v)) {
        *redraw = false;
        if (isPlain(w)) {
            const int join = v->length();
            v->append(w);
            currentWord_ = v;
            v->setInsertPoint(join);
        } else if (v->length() == 0) {
            removeWord(v);
        } else {
            currentWord_ = v;
            v->setInsertToEnd();
        }
        return;
    }
    if (isAutonumber(v)) {
        autonumberBefore(v);
        return;
    }
    if (!v->canDelete())
        return;
    removeWord(v);
    const int wAt = indexOfWord(w);
    TextWord* u = wAt > 0 ? wordAtIndex(wAt - 1) : nullptr;
    if (isPlain(w) && isPlain(u)) {
        const int join = u->length();
        u->append(w);
        currentWord_ = u;
        u->setInsertPoint(join);
    } else if (u && u->length() > 0 && (!isPlain(w) || !isPlain(u))) {
        currentWord_ = u;
        u->setInsertToEnd();
    }
}

void TextParagraph::deleteForward(bool* redraw, TextParagraph** result)
{
    if (!currentWord_) {
        if (!wordList_.empty()) {
            currentWord_ = firstWord();
            currentWord_->setInsertToEnd();
        } else {
            TextParagraph* next = flow_ ? flow_->nextParagraph(this) : nullptr;
            if (next && next != this && crossesCell(this, next)) {
                kit::beep();
            } else if (next && next != this) {
                TextFlow* flow = flow_;
                flow->setCurrentParagraph(next, false);
                next->currentWord_ = next->firstWord();
                if (next->currentWord_)
                    next->currentWord_->setInsertToStart();
                std::unique_ptr<TextParagraph> gone = flow->removeParagraph(this);
            }
            *result = nullptr;
            return;
        }
    }
    TextWord* w = currentWord_;
    const int ip = w->insertPoint();
    TextParagraph* next = flow_ ? flow_->nextParagraph(this) : nullptr;
    if (next == this)
        next = nullptr;

    if (ip < w->length() || w->length() == 0) {
        *redraw = false;
        if (isPlain(w) && w->length() > 0) {
            w->deleteRight();
            return;
        }
        const int at = indexOfWord(w);
        const bool wasLast = at == wordCount() - 1;
        if (wasLast && ip >= w->length() && (!next || crossesCell(this, next))) {
            // The end of the flow (or of a table cell): nothing follows the
            // caret to delete.
            kit::beep();
            *result = next ? this : nullptr;
            return;
        }
        if (!w->canDelete())
            return;
        removeWord(w);
        if (TextWord* now = wordAtIndex(at)) {
            currentWord_ = now;
            now->setInsertToStart();
        } else if (wasLast && next) {
            *redraw = true;
            join(next);
        } else if (wasLast) {
            kit::beep();
            *result = nullptr;
        }
        return;
    }

    TextWord* n = nextWord(w);
    if (!n) {
        if (next && crossesCell(this, next)) {
            kit::beep();
        } else if (next) {
            join(next);
        } else {
            kit::beep();
            *result = nullptr;
        }
        return;
    }
    *redraw = false;
    if (isPlain(n)) {
        const int join = w->length();
        w->append(n);
        w->setInsertPoint(join);
        return;
    }
    removeWord(n);
    TextWord* m = nextWord(w);
    if (isPlain(w) && isPlain(m)) {
        const int join = w->length();
        w->append(m);
        currentWord_ = w;
        w->setInsertPoint(join);
    } else if (m && (!isPlain(w) || !isPlain(m))) {
        currentWord_ = m;
        m->setInsertToStart();
    }
}
