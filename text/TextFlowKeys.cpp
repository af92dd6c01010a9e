#include "text/TextFlow.h"

#include "appkit/Application.h"
#include "appkit/Cursor.h"
#include "appkit/Event.h"
#include "core/Alert.h"
#include "core/EventState.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/StyleChar.h"
#include "graphics/Font.h"
#include "items/TextItem.h"
#include "text/DocumentView.h"
#include "text/TextDocument.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"

#include <algorithm>
#include <optional>
#include <string>
#include <typeinfo>
#include <vector>

bool TextFlow::lastKeyWasUpDown_ = false;
float TextFlow::anchorUpDownLocation_ = 0;

namespace {
// Text key codes.
constexpr std::uint16_t EditingActionCode = 0x0F7A;
constexpr std::uint16_t TabCode = 9;
constexpr std::uint16_t AlternateTabCode = 11;
constexpr std::uint16_t EnterVariantKey = 0xF7EB;
constexpr std::uint16_t TransposeKey = 0xF7E9;
constexpr std::uint16_t UpKey = 0xF700, DownKey = 0xF701, LeftKey = 0xF702, RightKey = 0xF703;
constexpr std::uint16_t HomeKey = 0xF729, EndKey = 0xF72B, PageUpKey = 0xF72C, PageDownKey = 0xF72D;
constexpr std::uint16_t WordLeftKey = 0xF7E0, WordRightKey = 0xF7E1;
constexpr std::uint16_t ParagraphBackKey = 0xF7E2, ParagraphForwardKey = 0xF7E3;
constexpr std::uint16_t ColumnStartKey = 0xF7E4, FlowStartKey = 0xF7E5, ColumnEndKey = 0xF7E6, FlowEndKey = 0xF7E7;
constexpr std::uint16_t ParagraphStartKey = 0xF7EC, ParagraphEndKey = 0xF7ED;
// The Symbol font's characters arrive as 0x100 plus their code.
constexpr std::uint16_t SymbolBase = 0x100;
constexpr std::uint16_t SymbolLast = 0x1FF;

// Keys and the mouse's buttons: what a typing burst must not type past.
constexpr unsigned BurstInputMask = kit::KeyDownMask | kit::KeyUpMask | kit::LeftMouseDownMask | kit::LeftMouseUpMask |
                                    kit::RightMouseDownMask | kit::RightMouseUpMask | kit::LeftMouseDraggedMask |
                                    kit::RightMouseDraggedMask;

constexpr int LineBreakWord = 202;
constexpr int PageBreakWord = 203;

bool isMovementKey(std::uint16_t code)
{
    switch (code) {
    case UpKey: case DownKey: case LeftKey: case RightKey: case HomeKey: case EndKey: case PageUpKey:
    case PageDownKey: case ParagraphStartKey: case ParagraphEndKey:
        return true;
    default:
        return code >= WordLeftKey && code <= FlowEndKey;
    }
}

bool isBackwardKey(std::uint16_t code)
{
    switch (code) {
    case UpKey: case LeftKey: case HomeKey: case PageUpKey: case WordLeftKey: case ParagraphBackKey:
    case ColumnStartKey: case FlowStartKey: case ParagraphStartKey:
        return true;
    default:
        return false;
    }
}

unsigned currentFlags() { return kit::currentEventModifierFlags(); }

const kit::Event* currentEvent() { return kit::Application::sharedApplication().currentEvent(); }

// A key that was auto-repeating and has been released: its repeats queued
// before the release are dropped, and nothing else is.
struct ReleasedRepeat {
    std::u16string characters;
    std::uint64_t beforeSerial = 0;
};
ReleasedRepeat& releasedRepeat()
{
    static ReleasedRepeat state;
    return state;
}

bool isReleasedRepeat(const kit::Event& e)
{
    const ReleasedRepeat& r = releasedRepeat();
    return e.type() == kit::EventType::KeyDown && e.isARepeat() && e.serial() < r.beforeSerial
        && e.characters() == r.characters;
}

std::optional<kit::Event> peekKeyEvent(unsigned mask)
{
    return kit::Application::sharedApplication().nextEventMatchingMask(mask, kit::Date::distantPast(),
                                                                       kit::EventTrackingRunLoopMode, false);
}

void dequeueKeyEvent()
{
    (void)kit::Application::sharedApplication().nextEventMatchingMask(
        kit::KeyDownMask | kit::KeyUpMask, kit::Date::distantPast(), kit::EventTrackingRunLoopMode, true);
}

std::uint16_t firstKey(const kit::Event& e)
{
    return ApplicationDelegate::firstKeyInString(e.characters());
}
} // namespace

bool TextFlow::isTypedKey(std::uint16_t code)
{
    return code == TabCode || code == AlternateTabCode || (code >= 32 && code <= 0xFF)
        || (code > SymbolBase && code <= SymbolLast);
}

void TextFlow::dropReleasedRepeats()
{
    // Called for the key being handled: when it is an auto-repeat and a key
    // up is already queued, the repeats of the same key queued before that
    // key up were typed after the user let go.
    const kit::Event* e = currentEvent();
    if (!e || e->type() != kit::EventType::KeyDown || !e->isARepeat())
        return;
    std::optional<kit::Event> up = peekKeyEvent(kit::KeyUpMask);
    if (!up)
        return;
    releasedRepeat() = {e->characters(), up->serial()};
}

kit::Object* TextFlow::processKeyEvent(const kit::Event& event, DocumentView* view, TextItem* column)
{
    if (event.modifierFlags() & kit::CommandKeyMask) {
        kit::beep();
        return nullptr;
    }
    if (isReleasedRepeat(event))
        return nullptr;
    std::string action;
    const std::uint16_t code = Main ? Main->convertKeyEvent(event, &action) : firstKey(event);
    if (code != EditingActionCode)
        return processKey(code, view, column);
    kit::Application& app = kit::Application::sharedApplication();
    if (kit::Receiver* target = app.targetForAction(action))
        return target->performSelector(action, nullptr);
    return nullptr;
}

void TextFlow::typeCode(std::uint16_t code, bool ignoreFence)
{
    if (code > SymbolBase) {
        const float size = font() ? font()->pointSize() : 12.0f;
        if (kit::Font* symbol = kit::Font::fontWithName("Symbol", size))
            setCurrentFont(symbol);
        setSingleSymbol(true);
        code = std::uint16_t(code - SymbolBase);
    }
    currentParagraph_->addByte(static_cast<unsigned char>(code), true, ignoreFence);
    markDocumentEdited();
}

TextItem* TextFlow::columnAfterEdit(const kit::WeakLink<TextItem>& column)
{
    if (TextItem* alive = column.get(); alive && !alive->isDisconnected())
        return alive;
    textPoint caret{};
    getCurrentTextPoint(&caret);
    TextItem* holder = item(firstTextItem_, &caret);
    return holder ? holder : firstTextItem_;
}

bool TextFlow::runTypingBurst(DocumentView* view, const kit::WeakLink<TextItem>& edited, std::uint16_t* lastCode)
{
    for (;;) {
        // The burst ends at the first queued input that is not a key: a key
        // typed after a click belongs where the click puts the caret.
        std::optional<kit::Event> next = peekKeyEvent(BurstInputMask);
        if (!next || (next->type() != kit::EventType::KeyDown && next->type() != kit::EventType::KeyUp))
            return false;
        if (next->type() == kit::EventType::KeyUp || isReleasedRepeat(*next)) {
            dequeueKeyEvent();
            continue;
        }
        std::uint16_t code = firstKey(*next);
        // A key the user's key map binds is left for the key translation.
        std::uint16_t mapped = code;
        std::string action;
        if (Main && Main->findKeymappingForEvent(*next, &mapped, &action))
            return false;
        const unsigned flags = next->modifierFlags();
        const bool plainFlags = flags == 0 || flags == kit::ShiftKeyMask;
        const bool printable = code >= 32 && code < SymbolBase && code != 0x7F;
        if (code != TabCode && !(plainFlags && printable))
            return false;
        dequeueKeyEvent();
        if (code == TabCode && (flags & kit::AlternateKeyMask))
            code = AlternateTabCode;
        kit::Rect cursor = view ? view->textCursorRect() : kit::Rect{};
        typeCode(code, true);
        *lastCode = code;
        dropReleasedRepeats();
        if (currentParagraph_->recompute(true) != currentParagraph_)
            return true;
        TextItem* column = columnAfterEdit(edited);
        _redrawCurrentParagraphInItem(column, view, nullptr, &cursor);
        if (view) {
            textPoint caret{};
            getCurrentTextPoint(&caret);
            view->moveCursorToTextPoint(&caret, column, false);
        }
    }
}

TextItem* TextFlow::processKey(std::uint16_t code, DocumentView* view, TextItem* column)
{
    kit::Cursor::setHiddenUntilMouseMoves(true);
    if (column)
        column->setNeedsRedrawing(true);
    // A layout may take the column's page away (an emptied page at the end).
    const kit::WeakLink<TextItem> edited(column);
    textPoint oldPoint{}, newPoint{};
    if (textSelection_)
        oldPoint = textSelection_->start();
    else
        getCurrentTextPoint(&oldPoint);
    bool forceRedraw = true, modified = false, moved = false;
    std::uint16_t handled = code;
    const bool blocked = textSelection_ && !textSelection_->canDelete();
    // Every type but display text is ordinary column text, 0 (a column
    // made without a type) as well as 1.
    const bool display = column && column->textType() == TextItem::DisplayText;

    if (!currentParagraph_) {
        kit::beep();
        return column;
    }
    // Movement may take the caret anywhere: what an earlier key left for
    // later is laid out first. An edit lays out the text it changes and
    // what follows it on screen; the rest waits (drawing lays out what it
    // shows, idle time the rest).
    if (isMovementKey(code)) {
        completeLayout();
        column = columnAfterEdit(edited);
    }
    DeferLayout defer(*this);
    if (code == 10 || code == 13 || code == EnterVariantKey) {
        if (!blocked) {
            if (textSelection_)
                textSelection_->deleteFromItem(column, false, true);
            if ((currentFlags() & kit::AlternateKeyMask) || display) {
                currentParagraph_->addSpecialWord(LineBreakWord);
            } else {
                // A table cell takes no page break: Enter ends its line.
                if (code == EnterVariantKey && typeid(*currentParagraph_) == typeid(TextParagraph))
                    currentParagraph_->addSpecialWord(PageBreakWord);
                currentParagraph_->addByte(10);
                currentParagraph_->recompute();
            }
            modified = true;
        }
    } else if (code == TextParagraph::DeleteForwardKey || code == TextParagraph::DeleteBackwardKey) {
        if (!blocked) {
            modified = true;
            if (textSelection_) {
                textSelection_->deleteFromItem(column, true, true);
            } else {
                kit::Rect cursor = view ? view->textCursorRect() : kit::Rect{};
                currentParagraph_->cursorEdit(code, &forceRedraw);
                markDocumentEdited();
                if (!forceRedraw) {
                    TextParagraph* laid = currentParagraph_->recompute(true);
                    column = columnAfterEdit(edited);
                    if (laid == currentParagraph_ && !display) {
                        _redrawCurrentParagraphInItem(column, view, nullptr, &cursor);
                        modified = false;
                    } else {
                        forceRedraw = true;
                    }
                }
            }
        }
    } else if (code == TransposeKey) {
        if (textSelection_)
            kit::beep();
        else if (TextWord* word = currentWord())
            modified = word->transposeCurrent() != nullptr;
    } else if (isMovementKey(code)) {
        const bool shift = currentFlags() & kit::ShiftKeyMask;
        getCurrentTextPoint(&currPoint_);
        newPoint = currPoint_;
        textPoint end{};
        if (isBackwardKey(code) ? EqualTextPoints(&currPoint_, firstTextPoint(&end))
                                : EqualTextPoints(&currPoint_, lastTextPoint(&end))) {
            kit::beep();
            return column;
        }
        if (!textSelection_ || shift) {
            getNewTextPoint(&newPoint, code, column);
            if (!shift) {
                forceRedraw = false;
            } else {
                bool atParagraphEnd = false;
                if (newPoint.paragraph != currPoint_.paragraph)
                    if (const TextParagraph* p = paragraphAtIndex(newPoint.paragraph))
                        atParagraphEnd = p->isLastPoint(&newPoint);
                const textPoint anchor = textSelection_ ? *textSelection_->anchorPoint() : currPoint_;
                if (TextPointCmp(&newPoint, &currPoint_) < 0)
                    atParagraphEnd = false;
                const int type = textSelection_ ? textSelection_->selectionEndType() : SelectionNone;
                int endAs = atParagraphEnd ? SelectionPara : SelectionChar;
                if ((code == WordLeftKey || code == WordRightKey) && type == SelectionWord)
                    endAs = atParagraphEnd ? SelectionPara : SelectionWord;
                else if ((code == ParagraphBackKey || code == ParagraphForwardKey) && type == SelectionPara)
                    endAs = SelectionPara;
                selectBetween(&anchor, &newPoint, endAs);
            }
        } else {
            if (code == LeftKey)
                newPoint = textSelection_->start();
            else if (code == RightKey)
                newPoint = textSelection_->end();
            else
                getNewTextPoint(&newPoint, code, column);
            removeSelection();
        }
        setCurrentPoint(&newPoint);
        moved = true;
    } else if (isTypedKey(code)) {
        if (!blocked) {
            kit::Rect cursor = view ? view->textCursorRect() : kit::Rect{};
            bool ignoreFence = true;
            if (textSelection_) {
                ignoreFence = textSelection_->selectionEndType() != SelectionWord;
                textSelection_->deleteFromItem(column, false, true);
            } else {
                forceRedraw = false;
            }
            typeCode(code, ignoreFence);
            TextParagraph* laid = currentParagraph_->recompute(true);
            column = columnAfterEdit(edited);
            if (laid == currentParagraph_ && !display && !forceRedraw) {
                _redrawCurrentParagraphInItem(column, view, nullptr, &cursor);
                if (view) {
                    textPoint caret{};
                    getCurrentTextPoint(&caret);
                    view->moveCursorToTextPoint(&caret, column, false);
                }
                dropReleasedRepeats();
                forceRedraw = runTypingBurst(view, edited, &handled);
            } else {
                forceRedraw = true;
            }
        }
    }

    dropReleasedRepeats();
    if (modified) {
        markDocumentEdited();
        if (currentParagraph_)
            currentParagraph_->recompute();
    }
    if (!moved)
        getCurrentTextPoint(&newPoint);
    lastKeyWasUpDown_ = handled == UpKey || handled == DownKey;
    return _finishModifyingInView(view, columnAfterEdit(edited), &oldPoint, &newPoint, forceRedraw);
}

textPoint* TextFlow::getNewTextPoint(textPoint* tp, std::uint16_t key, TextItem* column)
{
    TextWord* w = currentWord();
    if (!tp || !currentParagraph_ || !w) {
        kit::beep();
        return nullptr;
    }
    const int ip = w->insertPoint();
    TextWord* target = nullptr;
    int letter = 0;
    auto columnStart = [&](const TextItem* c) {
        if (const TextParagraph* p = paragraphAtIndex(c->startParagraph())) {
            target = p->wordAtIndex(c->startWordOffset());
            letter = c->startLetter();
        }
    };
    auto lastOfLast = [&] {
        if (const TextParagraph* p = lastParagraph())
            if ((target = p->lastWord()))
                letter = target->length();
    };
    auto lineEnd = [&](float x) {
        std::vector<kit::Rect> rects(std::size_t(std::max<int>(w->numWordPieces(), 1)));
        w->getSelectionRects(rects.data(), ip, ip);
        int at = 0;
        bool dead = false;
        target = currentParagraph_->hitWordAtPoint(&at, column, {x, rects[0].origin.y + 1.0f}, &dead);
        letter = at;
    };

    switch (key) {
    case LeftKey:
        if (ip > 0) {
            target = w;
            letter = w->isSpecial() ? 0 : ip - 1;
        } else {
            target = previousWord(w, &letter);
        }
        break;
    case RightKey:
        if (ip < w->length()) {
            target = w;
            letter = w->isSpecial() ? w->length() : ip + 1;
        } else {
            for (target = nextWord(w); target && !target->isVisible(); target = nextWord(target)) {
            }
            letter = 0;
        }
        break;
    case UpKey:
    case DownKey: {
        TextItem* holder = nullptr;
        const kit::Point xy = getXYFromTextPoint(&currPoint_, column, &holder);
        if (!lastKeyWasUpDown_)
            anchorUpDownLocation_ = xy.x;
        textPoint at = *tp;
        arrowUpDown(&at, {anchorUpDownLocation_, xy.y}, key);
        if (const TextParagraph* p = paragraphAtIndex(at.paragraph)) {
            target = p->wordAtIndex(at.word);
            letter = at.letter;
        }
        break;
    }
    case HomeKey:
        if (column)
            lineEnd(0);
        break;
    case EndKey:
        if (column)
            lineEnd(column->frame().size.width);
        break;
    case PageUpKey:
        if (column) {
            const TextItem* from = column;
            if (EqualTextPoints(tp, &column->startPoint()) && column->prevColumn())
                from = column->prevColumn();
            columnStart(from);
        }
        break;
    case PageDownKey:
        if (column && column->nextColumn())
            columnStart(column->nextColumn());
        else
            lastOfLast();
        break;
    case WordLeftKey:
        target = ip > 0 ? w : previousWord(w);
        while (target && (!target->isVisible() || target->length() == 0))
            target = previousWord(target);
        break;
    case WordRightKey:
        for (target = nextWord(w); target && (!target->isVisible() || target->length() == 0);
             target = nextWord(target)) {
        }
        break;
    case ParagraphBackKey: {
        const TextParagraph* p = tp->word == 0 && tp->letter == 0 ? previousParagraph(currentParagraph_)
                                                                  : currentParagraph_;
        target = p ? p->firstWord() : nullptr;
        break;
    }
    case ParagraphForwardKey: {
        const TextParagraph* p = nextParagraph(currentParagraph_);
        target = p ? p->firstWord() : nullptr;
        break;
    }
    case ColumnStartKey:
        if (column)
            columnStart(column);
        break;
    case ColumnEndKey:
        if (column) {
            const TextParagraph* p = paragraphAtIndex(column->endParagraph());
            if (p && column->endWordOffset() == -1) {
                p = previousParagraph(p);
                target = p ? p->lastWord() : nullptr;
            } else if (p) {
                target = p->wordAtIndex(column->endWordOffset());
            }
            if (target)
                letter = column->endLetter() == -1 ? target->length() : column->endLetter();
        }
        break;
    case FlowStartKey:
        target = firstParagraph() ? firstParagraph()->firstWord() : nullptr;
        break;
    case FlowEndKey:
        lastOfLast();
        break;
    case ParagraphStartKey:
        target = currentParagraph_->firstWord();
        break;
    case ParagraphEndKey:
        if ((target = currentParagraph_->lastWord()))
            letter = target->length();
        break;
    default:
        break;
    }

    TextParagraph* paragraph = target ? target->paragraph() : nullptr;
    const int p = indexOfParagraph(paragraph);
    if (!target || p < 0) {
        kit::beep();
        if (isBackwardKey(key))
            firstTextPoint(tp);
        else
            lastTextPoint(tp);
        return nullptr;
    }
    if (target != w)
        paragraph->setCurrentWord(target);
    return setTextPoint(tp, p, paragraph->indexOfWord(target), letter);
}
