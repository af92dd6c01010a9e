#include "text/TextFlow.h"

#include "appkit/Application.h"
#include "appkit/Event.h"
#include "appkit/SystemClipboard.h"
#include "appkit/View.h"
#include "appkit/Window.h"
#include "core/CharClass.h"
#include "core/Encoding.h"
#include "foundation/CMGeometry.h"
#include "items/TextItem.h"
#include "text/DocumentView.h"
#include "text/TextDocument.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"

#include <vector>

namespace {
// Shift or Alternate extends the selection.
constexpr unsigned ExtendMask = 0xA0000;
// Mouse down, mouse up and periodic events dropped when the mouse comes back.
constexpr unsigned ReenteredDiscardMask = 0x10006;
// Mouse up, dragged, entered, exited and periodic: what tracking waits for.
constexpr unsigned TrackingMask = 0x10344;
constexpr double AutoscrollDelay = 0.1;
constexpr double AutoscrollPeriod = 0.1;

// The page view as a platform view, once it is one; until then event
// locations are already in its coordinates.
kit::View* platformView(DocumentView* view) { return dynamic_cast<kit::View*>(view); }

kit::Window* windowOf(DocumentView* view)
{
    kit::View* v = platformView(view);
    return v ? v->window() : nullptr;
}

kit::Point locationInView(DocumentView* view, const kit::Event& event)
{
    kit::View* v = platformView(view);
    return v ? v->convertPointFromView(event.locationInWindow(), nullptr) : event.locationInWindow();
}

void autoscrollIfOutside(DocumentView* view, const kit::Event& event, kit::Point location)
{
    kit::View* v = platformView(view);
    kit::View* clip = v ? v->superview() : nullptr;
    if (clip && !kit::pointInRect(v->convertPointToView(location, clip), clip->bounds()))
        v->autoscroll(event);
}

// Where a column sits in the view, and how to take view points into it.
struct ColumnPlace {
    kit::Point origin{};
    bool transformed = false;
    float inverse[4] = {1, 0, 0, 1};

    explicit ColumnPlace(const TextItem* column)
    {
        if (!column)
            return;
        origin = column->frame().origin;
        column->convertToView(&origin);
        transformed = column->isTransformed();
        if (transformed) {
            float matrix[4];
            column->getMatrix(matrix);
            invertMatrix(matrix, inverse);
        }
    }

    kit::Point pointIn(kit::Point location) const
    {
        kit::Point p{location.x - origin.x, location.y - origin.y};
        if (transformed) {
            const kit::Point zero{0, 0};
            applyMatrixToPoint(&p, &zero, inverse);
        }
        return p;
    }
};

bool before(const textPoint& a, const textPoint& b) { return TextPointCmp(&a, &b) < 0; }
bool same(const textPoint& a, const textPoint& b) { return EqualTextPoints(&a, &b); }

// A column's end point as a point of the text: -1 for the word means the
// end of the paragraph before, -1 for the letter the end of the word before.
textPoint columnEnd(const TextFlow& flow, const TextItem* column)
{
    textPoint end = column->endPoint();
    if (end.word == -1) {
        if (const TextParagraph* p = flow.paragraphAtIndex(end.paragraph - 1))
            return *p->lastTextPoint(&end);
    } else if (end.letter == -1) {
        const TextParagraph* p = flow.paragraphAtIndex(end.paragraph);
        const TextWord* w = p ? p->wordAtIndex(end.word - 1) : nullptr;
        if (w)
            return {end.paragraph, end.word - 1, w->length()};
        end.letter = 0;
    }
    return end;
}
// Selected text becomes the desktop's primary selection, as in every
// program of the desktop.
void offerAsPrimarySelection(TextSelection* selection)
{
    if (!selection)
        return;
    std::string text;
    selection->writeTextToStream(text, TextSelection::ExportPlain);
    if (!text.empty())
        kit::SystemClipboard::setPrimarySelectionText(kit::toUTF8(kit::Encoding::NeXTSTEP, text));
}
} // namespace

// ---- Selecting.

bool TextFlow::selectBetween(const textPoint* a, const textPoint* b, bool endWithParaBreak)
{
    if (EqualTextPoints(a, b) && !endWithParaBreak) {
        removeSelection();
        return false;
    }
    if (!textSelection_)
        setTextSelection(std::make_unique<TextSelection>());
    return textSelection_->selectBetween(a, b, this, endWithParaBreak);
}

bool TextFlow::selectBetween(const textPoint* a, const textPoint* b, int endAs)
{
    return selectBetween(a, b, endAs, endAs == SelectionPara);
}

bool TextFlow::selectBetween(const textPoint* a, const textPoint* b, int endAs, bool drawTail)
{
    if (EqualTextPoints(a, b) && endAs != SelectionPara && endAs != SelectionCharTail
        && endAs != SelectionWordTail) {
        removeSelection();
        return false;
    }
    if (!textSelection_)
        setTextSelection(std::make_unique<TextSelection>());
    return textSelection_->selectBetween(a, b, this, endAs, drawTail);
}

void TextFlow::showSelectionChange(DocumentView* view, const std::function<void()>& change)
{
    std::vector<DocumentView*> views;
    if (view)
        views.push_back(view);
    if (TextDocument* doc = document())
        for (DocumentView* other : doc->views())
            if (other && other != view)
                views.push_back(other);
    // Each view repaints at once what the highlight covered before the
    // change and covers after it; its window shows the result.
    std::vector<kit::Rect> before;
    for (DocumentView* v : views)
        before.push_back(v->textSelectionArea(this));
    change();
    for (std::size_t i = 0; i < views.size(); ++i) {
        const kit::Rect after = views[i]->textSelectionArea(this);
        const kit::Rect area = kit::isEmptyRect(before[i]) ? after
                               : kit::isEmptyRect(after)   ? before[i]
                                                           : kit::unionRect(before[i], after);
        kit::Window* window = windowOf(views[i]);
        if (window)
            window->disableFlushWindow();
        views[i]->redisplayTextSelection(area);
        if (window) {
            window->enableFlushWindow();
            window->flushWindow();
        }
    }
}

void TextFlow::drawAndSetSelectionType(int type, const textPoint* a, const textPoint* b, bool drawTail,
                                       DocumentView* view, int fromPoint)
{
    (void)fromPoint;
    showSelectionChange(view, [&] { selectBetween(a, b, type, drawTail); });
}

void TextFlow::removeSelectionInViews(DocumentView* view)
{
    if (textSelection_)
        showSelectionChange(view, [&] { removeSelection(); });
}

TextItem* TextFlow::selectAll(TextItem* column, DocumentView* view)
{
    textPoint caret{}, first{}, last{};
    getCurrentTextPoint(&caret);
    firstTextPoint(&first);
    lastTextPoint(&last);
    selectBetween(&first, &last, SelectionPara, true);
    offerAsPrimarySelection(textSelection_.get());
    return _finishModifyingInView(view, column, &first, &caret, true);
}

void TextFlow::wordExtendFor(textPoint* p, textPoint* begin, textPoint* end) const
{
    if (!p || !begin || !end)
        return;
    const TextParagraph* paragraph = paragraphAtIndex(p->paragraph);
    if (!paragraph)
        return;
    paragraph->lastTextPoint(end);
    if (before(*end, *p))
        *p = *end;
    *begin = *p;
    *end = *p;
    const TextWord* word = paragraph->wordAtIndex(p->word);
    if (!word)
        return;
    // A double click takes a run of letters and digits, a run of blanks, or
    // one other character.
    const char* text = word->text();
    const int length = word->textLength();
    if (length <= 0)
        return;
    int at = std::min(std::max(p->letter, 0), length - 1);
    auto kind = [&](int i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (kit::isAlnum(c) || c == '\'' || c == 0xAE || c == 0xAF)
            return 1;
        return kit::isSpace(c) ? 2 : 0;
    };
    const int k = kind(at);
    int from = at, to = at + 1;
    if (k != 0) {
        while (from > 0 && kind(from - 1) == k)
            --from;
        while (to < length && kind(to) == k)
            ++to;
    }
    begin->letter = from;
    end->letter = to;
}

// ---- Tracking.

void TextFlow::mouseHandle(const kit::Event& event, DocumentView* view, TextItem* column)
{
    kit::Application& app = kit::Application::sharedApplication();
    lastKeyWasUpDown_ = false;
    // The click may land anywhere in the text: what a key left for later is
    // laid out first.
    completeLayout();
    if (view)
        view->eraseTextCursor();
    kit::Window* window = windowOf(view);
    if (window)
        window->flushWindow();
    ColumnPlace place(column);
    kit::Point location = locationInView(view, event);
    kit::Point point = place.pointIn(location);
    const bool extend = event.modifierFlags() & ExtendMask;
    TextParagraph* hit = hitParagraphAtLoc(point, column, false);
    const bool acceptedMoves = window && window->acceptsMouseMovedEvents();
    if (window)
        window->setAcceptsMouseMovedEvents(true);
    getCurrentTextPoint(&currPoint_);

    bool extending = false;
    int oldType = SelectionNone;
    textPoint oldStart{}, oldEnd{}, oldAnchor{};
    if (extend && textSelection_) {
        extending = true;
        oldType = textSelection_->selectionEndType();
        oldStart = textSelection_->start();
        oldEnd = textSelection_->end();
        oldAnchor = *textSelection_->anchorPoint();
    }
    const int clickCount = event.clickCount();
    bool wordMode = clickCount == 2 || oldType == SelectionWord || oldType == SelectionWordTail;
    bool paragraphMode = !wordMode && (oldType == SelectionPara || clickCount == 3);
    const bool skipTracking = extending && clickCount > 1;
    if (skipTracking)
        wordMode = paragraphMode = false;
    const int clicks = wordMode ? 2 : paragraphMode ? 3 : 1;

    int letter = 0;
    bool dead = false, exact = false;
    TextWord* word = nullptr;
    if (!skipTracking && hit) {
        if (!extend)
            setCurrentParagraph(hit, false);
        word = hit->hitWordAtPoint(&letter, column, point, &dead, &exact, clicks);
    }

    bool wordDrawn = false, paragraphDrawn = false;
    if (word) {
        const textPoint hitPoint{indexOfParagraph(hit), hit->indexOfWord(word), letter};
        if (!extend) {
            if (textSelection_)
                showSelectionChange(view, [&] { removeSelection(); });
            currPoint_ = hitPoint;
            endPoint_ = hitPoint;
        } else {
            if (textSelection_)
                currPoint_ = oldAnchor;
            endPoint_ = hitPoint;
            if (!wordMode && !paragraphMode && !textSelection_) {
                const bool tail = dead && !before(endPoint_, currPoint_);
                drawAndSetSelectionType(tail ? SelectionCharTail : SelectionChar, &currPoint_, &endPoint_, tail,
                                        view, 1);
            }
        }

        // The tracking loop, from the mouse down to the first mouse up.
        kit::Event e = event;
        bool onMouseDown = true;
        bool periodic = false;
        for (;;) {
            const kit::EventType type = e.type();
            if (type == kit::EventType::LeftMouseUp)
                break;
            bool track = true;
            if (type == kit::EventType::MouseExited) {
                if (!periodic)
                    periodic = kit::Event::startPeriodicEventsAfterDelay(AutoscrollDelay, AutoscrollPeriod);
                track = false;
            } else if (type == kit::EventType::MouseEntered) {
                if (periodic)
                    kit::Event::stopPeriodicEvents();
                periodic = false;
                app.discardEventsMatchingMask(ReenteredDiscardMask, &e);
                track = false;
            } else if (type != kit::EventType::Periodic) {
                location = locationInView(view, e);
            }
            if (track) {
                autoscrollIfOutside(view, e, location);
                Item* under = view ? view->hitItemAt(location) : nullptr;
                auto* other = dynamic_cast<TextItem*>(under);
                if (other && other != column && other->flow() == this) {
                    column = other;
                    place = ColumnPlace(column);
                }
                point = place.pointIn(location);
                TextParagraph* p = hitParagraphAtLoc(point, column, false);
                TextWord* w = nullptr;
                int l = 0;
                bool d = false, x = false;
                if (p && p->wordCount() > 0)
                    w = p->hitWordAtPoint(&l, column, point, &d, &x, clicks);
                if (w && (wordMode || paragraphMode || w->length() > 0)) {
                    endPoint_ = {indexOfParagraph(p), p->indexOfWord(w), l};
                    const bool back = before(endPoint_, extending ? oldStart : currPoint_);
                    const TextSelection* sel = textSelection_.get();
                    auto differs = [&](const textPoint& a, const textPoint& b, int t) {
                        return !sel || !same(sel->start(), a) || !same(sel->end(), b) || sel->selectionEndType() != t;
                    };
                    if (wordMode) {
                        textPoint dragBegin = endPoint_, dragEnd = endPoint_;
                        if (x || w->length() == 0) {
                            wordExtendFor(&endPoint_, &dragBegin, &dragEnd);
                        } else if (!d && endPoint_.word == 0) {
                            // the point itself
                        } else if (endPoint_.letter == 0) {
                            p->prevTextPoint(&dragBegin);
                            if (!before(dragBegin, endPoint_))
                                dragBegin = endPoint_;
                        } else {
                            p->nextTextPoint(&dragEnd);
                            if (before(dragEnd, endPoint_))
                                dragEnd = endPoint_;
                        }
                        textPoint anchorBegin = dragBegin, anchorEnd = dragEnd;
                        if (!same(currPoint_, endPoint_)) {
                            textPoint anchor = currPoint_;
                            wordExtendFor(&anchor, &anchorBegin, &anchorEnd);
                        } else if (!x && !d) {
                            if (endPoint_.letter == 0) {
                                currPoint_ = dragEnd;
                                endPoint_ = dragBegin;
                            } else {
                                currPoint_ = dragBegin;
                                endPoint_ = dragEnd;
                            }
                        }
                        const textPoint from = back ? dragBegin : (extending ? oldStart : anchorBegin);
                        const textPoint to = back ? (extending ? oldEnd : anchorEnd) : dragEnd;
                        const bool tail = back && extending && oldType == SelectionWordTail;
                        const int t = tail ? SelectionWordTail : SelectionWord;
                        if (differs(from, to, t)) {
                            drawAndSetSelectionType(t, &from, &to, tail, view, 2);
                            wordDrawn = textSelection_ != nullptr;
                        }
                    } else if (paragraphMode) {
                        textPoint from{}, to{};
                        const TextParagraph* down = paragraphAtIndex(currPoint_.paragraph);
                        if (back) {
                            p->firstTextPoint(&from);
                            to = extending ? oldEnd : (down ? *down->lastTextPoint(&to) : endPoint_);
                        } else {
                            from = extending ? oldStart : (down ? *down->firstTextPoint(&from) : currPoint_);
                            p->lastTextPoint(&to);
                        }
                        if (!textSelection_ || !same(textSelection_->start(), from)
                            || !same(textSelection_->end(), to)) {
                            drawAndSetSelectionType(SelectionPara, &from, &to, true, view, 3);
                            paragraphDrawn = textSelection_ != nullptr;
                        }
                    } else {
                        const textPoint& start = column->startPoint();
                        const textPoint end = columnEnd(*this, column);
                        if (start.paragraph >= 0 && before(endPoint_, start))
                            endPoint_ = start;
                        else if (end.paragraph >= 0 && before(end, endPoint_))
                            endPoint_ = end;
                        if (point.y < 0 && start.paragraph >= 0 && before(endPoint_, currPoint_))
                            endPoint_ = start;
                        const bool charExtend =
                            extending && (oldType == SelectionChar || oldType == SelectionCharTail);
                        const bool backward = before(endPoint_, charExtend ? oldStart : currPoint_);
                        const textPoint from = backward ? endPoint_ : (charExtend ? oldStart : currPoint_);
                        const textPoint to = backward ? (charExtend ? oldEnd : currPoint_) : endPoint_;
                        const bool atAnchor = same(endPoint_, currPoint_);
                        bool tail = ((backward || atAnchor) && extending && oldType == SelectionCharTail)
                                 || (!backward && d);
                        const TextParagraph* ep = paragraphAtIndex(endPoint_.paragraph);
                        if (atAnchor && ep && ep->isLastPoint(&endPoint_) && textSelection_
                            && textSelection_->selectionEndType() == SelectionCharTail)
                            tail = true;
                        if (atAnchor && d && onMouseDown)
                            tail = false;
                        const int t = tail ? SelectionCharTail : SelectionChar;
                        if (differs(from, to, t))
                            drawAndSetSelectionType(t, &from, &to, tail, view, 4);
                    }
                }
            }
            onMouseDown = false;
            std::optional<kit::Event> next =
                app.nextEventMatchingMask(TrackingMask, kit::Date::distantFuture(), kit::EventTrackingRunLoopMode, true);
            if (!next)
                break;
            e = *next;
        }
        if (periodic)
            kit::Event::stopPeriodicEvents();

        // A click without a drag in word or paragraph mode.
        if (same(endPoint_, currPoint_)) {
            if (wordMode && !wordDrawn) {
                textPoint at = endPoint_, b{}, en{};
                wordExtendFor(&at, &b, &en);
                textPoint from = b, to = en;
                if (extending && before(endPoint_, oldStart))
                    to = oldEnd;
                else if (extending)
                    from = oldStart;
                drawAndSetSelectionType(SelectionWord, &from, &to, false, view, 5);
            } else if (paragraphMode && !paragraphDrawn) {
                if (const TextParagraph* p = paragraphAtIndex(currPoint_.paragraph)) {
                    textPoint from{}, to{};
                    p->firstTextPoint(&from);
                    p->lastTextPoint(&to);
                    if (extending) {
                        if (before(from, oldStart) && from.paragraph != oldStart.paragraph)
                            to = oldEnd;
                        else if (before(oldStart, from) && oldEnd.paragraph != from.paragraph)
                            from = oldStart;
                    }
                    drawAndSetSelectionType(SelectionPara, &from, &to, true, view, 6);
                }
            }
            if (window)
                window->flushWindow();
        }
    }

    if (window)
        window->setAcceptsMouseMovedEvents(acceptedMoves);
    setCurrentPoint(&endPoint_);
    updateFontPanelFromPoint(&endPoint_, column);
    if (!textSelection_ && view)
        view->moveCursorToTextPoint(&endPoint_, item(column, &endPoint_), false);
    offerAsPrimarySelection(textSelection_.get());
}
