// A paragraph draws the part of itself that lies in one column: its border
// and bullet, its words as glyph batches, the decorations stroked at the
// end and, on screen, the text markers.

#include "text/TextParagraphDrawing.h"

#include "foundation/Border.h"
#include "foundation/CommonHelpers.h"
#include "foundation/Paint.h"
#include "foundation/StyleParagraph.h"
#include "graphics/DrawContext.h"
#include "graphics/Font.h"
#include "items/TextItem.h"
#include "text/DocumentView.h"
#include "text/TextDocument.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWordSpecial.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

// Pieces this close to the current point start at it.
constexpr float SamePointSlack = 0.01f;
// A chain this long is taken for a loop.
constexpr int MaxChainSteps = 100000;

bool differsByOne(float a, float b) { return std::trunc(a - b) != 0.0f; }

// Drawing states, one per nesting level: an in-line graphic or a token may
// draw text while a paragraph is being drawn.
class DrawStatePool {
public:
    explicit DrawStatePool(kit::DrawContext& context)
    {
        auto& pool = states();
        if (depth() >= pool.size())
            pool.push_back(std::make_unique<Slot>());
        slot_ = pool[depth()].get();
        ++depth();
        if (!slot_->state)
            slot_->state = std::make_unique<TextDrawState>(context);
        slot_->state->reset(context);
    }
    ~DrawStatePool() { --depth(); }
    DrawStatePool(const DrawStatePool&) = delete;
    DrawStatePool& operator=(const DrawStatePool&) = delete;
    TextDrawState& state() { return *slot_->state; }
    TextMarkerList& markers() { return slot_->markers; }

private:
    struct Slot {
        std::unique_ptr<TextDrawState> state;
        TextMarkerList markers;
    };
    static std::vector<std::unique_ptr<Slot>>& states()
    {
        static std::vector<std::unique_ptr<Slot>> pool;
        return pool;
    }
    static std::size_t& depth()
    {
        static std::size_t level = 0;
        return level;
    }
    Slot* slot_;
};

// Special words after which no space mark is shown.
bool suppressesSpaceMark(int type)
{
    return type == TextWordTab || type == TextWordHeaderMarker || type == TextWordFooterMarker ||
           type == TextWordLineBreak || type == TextWordPageBreak;
}

// The piece that holds the letter (the last one for a letter past them).
int pieceOfLetter(const TextWord* word, int letter)
{
    int p = 0;
    while (p < word->numWordPieces() - 1 && word->endOffsetForPiece(p) <= letter)
        ++p;
    return p;
}

} // namespace

kit::Rect TextParagraph::borderInItem(TextItem* column) const
{
    if (!column || !firstItem_)
        return {};
    const StyleParagraph* style = paragraphStyle();
    float x = style ? style->indentLeft() : 0.0f;
    if (style && style->indentDeltaFirst() < 0.0f)
        x += style->indentDeltaFirst();
    const float width = column->frame().size.width - ((style ? style->indentRight() : 0.0f) + x);
    auto lastBottom = [&] {
        const TextWord* last = lastWord();
        if (last && last->isSpecialType(TextWordPageBreak))
            return last->lineStartForPiece(0) + last->piece(0).lineHeight;
        return lastY();
    };
    float top = 0.0f, bottom = 0.0f;
    if (column == firstItem_) {
        top = firstY();
        bottom = column == lastItem_ ? lastBottom() : column->frame().size.height;
    } else if (column == lastItem_) {
        bottom = lastBottom();
    } else {
        bool between = false;
        int steps = 0;
        for (TextItem* at = firstItem_->nextColumn(); at && at != lastItem_ && steps < MaxChainSteps;
             at = at->nextColumn(), ++steps) {
            if (at == column) {
                between = true;
                break;
            }
        }
        if (!between)
            return {};
        bottom = column->frame().size.height;
    }
    return kit::makeRect(x, top, width, bottom - top);
}

bool TextParagraph::drawSelfInView(const Paint& paint, TextItem* column, const kit::Rect& bounds, int startWord,
                                   int startLetter)
{
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context || !column)
        return false;
    const bool screen = context->isDrawingToScreen();
    TextDocument* document = flow_ ? flow_->document() : nullptr;
    const bool greeking = screen && paint.greeks();
    const bool markers = screen && document && document->showTextMarkers();
    const bool screenMetrics = screen && document && document->prefersScreenMetrics();

    if ((!currentItem_ || dirty_) && !(document && document->isNotifyDisabled()))
        recompute();

    if (startWord < 0)
        return false;
    const int lastIndex = wordCount() - 1;
    const int first = std::max(std::min(startWord, lastIndex), 0);
    int last = lastIndex;
    int lastLetter = TextWord::WholeWord;
    bool result = true;
    const int ownIndex = flow_ ? index() : -1;
    const textPoint& end = column->endPoint();
    if (ownIndex >= 0 && end.paragraph == ownIndex && end.word < wordCount()) {
        // The column ends inside the paragraph: the rest is drawn by a later one.
        if (end.letter < 0) {
            last = end.word - 1;
        } else {
            last = end.word;
            lastLetter = end.letter;
        }
        result = false;
    }
    if (lastIndex >= 0 && last < 0)
        return false;

    if (containsWordTokens_) {
        bool changed = false, perPage = false;
        for (const auto& word : wordList_) {
            if (!word->isPageDependent())
                continue;
            auto* special = dynamic_cast<TextWordSpecial*>(word.get());
            if (!special)
                continue;
            perPage = perPage || special->wordType() == TextWordPageNumber;
            changed = special->computeWordTokenInItem(column) || changed;
        }
        if (changed) {
            // Once the numbers changed (pages added or taken away), what
            // their new widths moved is drawn again by the next pass. Not
            // where the numbers differ from page to page: a paragraph over
            // several pages, or a master column, changes them with every
            // page drawn.
            const bool settles =
                !perPage || (firstItem_ == column && lastItem_ == column && column->masterFlags() == 0);
            // The layout may take a page, and its column, away.
            const kit::WeakLink<TextItem> first(firstItem_ ? firstItem_ : column);
            recompute();
            TextItem* from = first.get() ? first.get() : column;
            if (settles && document && !document->isNotifyDisabled()) {
                std::vector<kit::Object*> moved{column};
                for (TextItem* at = from; at && moved.size() < 100000; at = at->nextColumn()) {
                    if (at != column)
                        moved.push_back(at);
                    if (at->nextColumn() == from)
                        break;
                }
                for (DocumentView* view : document->views())
                    view->notifyUpdateForItems(&moved);
            }
        }
    }

    const StyleParagraph* style = paragraphStyle();
    if (Border* border = style ? style->border() : nullptr) {
        context->gsave();
        border->drawRect(borderInItem(column));
        context->grestore();
    }
    if (isEmpty())
        return false;

    DrawStatePool pool(*context);
    TextDrawState& draw = pool.state();
    TextMarkerList& marks = pool.markers();
    kit::Font* paragraphFont = font();
    if (paragraphFont) {
        const float a = std::fabs(paragraphFont->ascent());
        draw.runs.normalAscent = 0.25f * a;
        draw.runs.redlineAscent = 0.75f * a;
    }
    float markerWidth = 0.0f;
    if (markers) {
        const char mark = char(TextSpaceMarker);
        markerWidth = paragraphFont ? paragraphFont->widthOfString(std::string_view(&mark, 1)) : 0.0f;
        marks.clear();
    }

    context->gsave();
    const TextWord* firstWord = wordAtIndex(first);
    const int firstPiece = pieceOfLetter(firstWord, first == startWord ? startLetter : 0);
    const int l0 = first == startWord ? std::max(startLetter, 0) : 0;
    float curX = screenMetrics ? firstWord->screenOriginForPiece(firstPiece) : firstWord->xOriginForPiece(firstPiece);
    float curY = firstWord->yOriginForPiece(firstPiece);

    if (style && style->bullet() && first == 0 && l0 == 0) {
        context->gsave();
        const kit::Point offset = style->bulletOffset();
        context->moveto(std::max(0.0f, curX - offset.x), curY + offset.y);
        if (kit::Font* bulletFont = style->bulletFont()) {
            TextSetFont(*context, bulletFont);
            if (kit::ColorRef color = style->bulletColor())
                TextSetColor(*context, *color);
            context->show(style->bulletText());
        }
        context->grestore();
    }

    context->moveto(curX, curY);
    draw.batch.empty();
    {
        textPoint at{ownIndex, first, l0};
        const StyleChar* inForce = flow_ && ownIndex >= 0 ? flow_->styleCharAt(&at) : charStyle();
        adjustDrawStateForStyleChar(draw, inForce, curX, curY);
    }
    // The point where the context draws: the baseline less the shift in force.
    auto drawY = [&] { return curY - draw.state.vertical(); };

    unsigned char lastBatched = 0;
    auto batch = [&](unsigned char c, float dx, float dy) {
        draw.batch.add(c, dx, dy);
        lastBatched = c;
    };
    auto apply = [&](const StyleChar* s) {
        if (s)
            adjustDrawStateForStyleChar(draw, s, curX, curY);
    };

    std::vector<kit::Rect> rects;
    std::vector<float> yOrigins;
    std::vector<int> firstOffsets;
    std::vector<int> lastOffsets;
    const bool transformed = column->isTransformed();
    for (int wi = first; wi <= last; ++wi) {
        TextWord* word = wordAtIndex(wi);
        const int from = wi == first ? l0 : 0;
        const bool lastWordCut = wi == last && lastLetter != TextWord::WholeWord;
        // Exclusive end of the letters drawn.
        const int to = lastWordCut ? std::min(lastLetter + 1, word->length()) : TextWord::WholeWord;
        const std::size_t room = std::size_t(std::max<int>(word->numWordPieces(), 1));
        rects.assign(room, kit::Rect{});
        yOrigins.assign(room, 0.0f);
        firstOffsets.assign(room, 0);
        lastOffsets.assign(room, 0);
        const int n = std::clamp(word->getSelectionRects(rects.data(), yOrigins.data(), firstOffsets.data(),
                                                         lastOffsets.data(), from, to),
                                 0, int(room));
        const bool special = word->isSpecial();
        const int type = word->wordType();
        const int end = to == TextWord::WholeWord ? word->length() : to;
        bool boxed = false;
        for (int k = 0; k < n; ++k) {
            const kit::Rect& r = rects[std::size_t(k)];
            const int a = special ? 0 : std::clamp(firstOffsets[std::size_t(k)], 0, word->length());
            const int p = pieceOfLetter(word, a);
            const int b = special ? word->length() : std::min(end, word->endOffsetForPiece(p));
            const float y = yOrigins[std::size_t(k)];
            const float pieceX = r.origin.x;
            // Glyphs ink past their piece (overhangs, accents, tails): a
            // piece that close to the bounds is drawn, and the clip keeps
            // the part that shows, as a drawing of the whole page would.
            // A tracking tighter than the glyphs are wide moves the pen
            // back: the glyphs then stand outside the piece, which is never
            // narrower than nothing.
            kit::Rect reach = r;
            if (!special) {
                float pen = 0.0f, leftmost = 0.0f, rightmost = std::max(r.size.width, 0.0f);
                for (int i = a; i < b; ++i) {
                    pen += screenMetrics ? word->screenWidthOfCharAtIdx(i) : word->widthOfCharAtIdx(i);
                    leftmost = std::min(leftmost, pen);
                    rightmost = std::max(rightmost, pen);
                }
                reach.origin.x += leftmost;
                reach.size.width = rightmost - leftmost;
            }
            if (!transformed &&
                !kit::intersectsRect(kit::insetRect(reach, -r.size.height, -r.size.height), bounds)) {
                // Out of sight: only the styles, so that what follows is right.
                if (special) {
                    apply(word->styleAt(0));
                } else {
                    for (int i = a; i < b; ++i)
                        apply(word->styleAt(i));
                }
                continue;
            }
            if (greeking) {
                if (!boxed) {
                    flushXYbuff(draw.batch);
                    word->drawBox();
                    boxed = true;
                }
                continue;
            }
            if (std::fabs(pieceX - curX) < SamePointSlack && std::fabs(y - curY) < SamePointSlack &&
                draw.batch.count() > 0) {
                // Rounding, not a gap: the last move takes it.
                draw.batch.addMove(pieceX - curX, y - curY);
                curX = pieceX;
                curY = y;
            } else if (pieceX != curX || y != curY) {
                if (differsByOne(y, curY)) {
                    endDecorationsOfState(draw, curX);
                    startDecorationsOfState(draw, pieceX, y);
                }
                if (draw.batch.count() > TextGlyphBatch::CheckAbove)
                    flushXYbuffIfNeeded(draw.batch);
                batch(' ', pieceX - curX, y - curY);
                curX = pieceX;
                curY = y;
            }
            if (!special) {
                const bool wordUnderline = draw.state.special() & StyleWordUnderlineFlag;
                if (wordUnderline && a < b)
                    addUnderline(draw.runs, curX, curY, draw.state.color());
                const char* text = word->text();
                for (int i = a; i < b; ++i) {
                    apply(word->styleAt(i));
                    if (draw.batch.count() > TextGlyphBatch::CheckAbove)
                        flushXYbuffIfNeeded(draw.batch);
                    const float w = screenMetrics ? word->screenWidthOfCharAtIdx(i) : word->widthOfCharAtIdx(i);
                    batch(static_cast<unsigned char>(text[i]), w, 0.0f);
                    curX += w;
                }
                const bool cutHere = lastWordCut && k == n - 1 && b < word->length();
                if ((p < word->numWordPieces() - 1 || cutHere) && !isDash(lastBatched)) {
                    if (draw.batch.count() > TextGlyphBatch::CheckAbove)
                        flushXYbuffIfNeeded(draw.batch);
                    batch('-', 0.0f, 0.0f);
                }
                if (wordUnderline)
                    extendUnderlineTo(draw.runs, curX);
                continue;
            }

            // A special word draws itself; word underline covers it, not the
            // gap of a tab or break.
            StyleChar* own = word->styleAt(0);
            const bool stateWU = draw.state.special() & StyleWordUnderlineFlag;
            const bool ownWU = own && (own->special() & StyleWordUnderlineFlag);
            draw.state.setSpecial(draw.state.special() & ~StyleWordUnderlineFlag);
            if (own)
                own->setSpecial(own->special() & ~StyleWordUnderlineFlag);
            flushXYbuff(draw.batch);
            apply(own);
            flushXYbuff(draw.batch);
            const bool underlined = (stateWU || ownWU) && type != TextWordTab && type != TextWordLineBreak &&
                                    type != TextWordHeaderMarker && type != TextWordFooterMarker &&
                                    type != TextWordPageBreak;
            if (underlined)
                addUnderline(draw.runs, curX, curY, draw.state.color());
            kit::Size moved{};
            word->drawSelfInView(paint, column, draw.state.font(), kit::makePoint(curX, drawY()), &moved);
            if (markers && TextWordSpecial::isTokenType(type)) {
                PSWoverdrawToken(*context, r.origin.x, r.origin.y, r.size.width, r.size.height);
            } else if (markers) {
                switch (type) {
                case TextWordTab:
                    PSWdrawTab(*context, r.origin.x, y, moved.width);
                    break;
                case TextWordHeaderMarker:
                    PSWdrawHeader(*context, curX, curY);
                    break;
                case TextWordFooterMarker:
                    PSWdrawFooter(*context, curX, curY);
                    break;
                case TextWordLineBreak:
                case TextWordPageBreak: {
                    const unsigned char glyph = type == TextWordLineBreak ? TextLineBreakMarker : TextPageBreakMarker;
                    if (!marks.replaceLast(glyph)) {
                        const kit::Rect& lastRect = rects[std::size_t(n - 1)];
                        marks.add(glyph, kit::maxX(lastRect), yOrigins[std::size_t(n - 1)]);
                    }
                    break;
                }
                default:
                    break;
                }
            }
            context->rmoveto(moved.width, moved.height);
            curX += moved.width;
            curY += moved.height;
            if (underlined)
                extendUnderlineTo(draw.runs, curX);
            if (stateWU)
                draw.state.setSpecial(draw.state.special() | StyleWordUnderlineFlag);
            if (own && ownWU)
                own->setSpecial(own->special() | StyleWordUnderlineFlag);
            for (int i = 1; i < word->length(); ++i)
                apply(word->styleAt(i));
        }
        apply(word->styleAt(word->length()));

        const bool drawnToEnd = !lastWordCut || end >= word->length();
        if (markers && n > 0 && drawnToEnd) {
            const kit::Rect& lastRect = rects[std::size_t(n - 1)];
            const float lineY = yOrigins[std::size_t(n - 1)];
            float x = kit::maxX(lastRect);
            if (wi == lastIndex) {
                if (type != TextWordPageBreak)
                    marks.add(TextParagraphMarker, x, lineY);
            } else if (!(special && suppressesSpaceMark(type))) {
                const TextWord* next = wordAtIndex(wi + 1);
                if (next && !differsByOne(next->lineStartForPiece(0), lastRect.origin.y)) {
                    const float nextX = screenMetrics ? next->screenOriginForPiece(0) : next->xOriginForPiece(0);
                    x += ((nextX - x) - markerWidth) / 2.0f;
                }
                marks.add(TextSpaceMarker, x, lineY);
            }
        }
    }

    flushXYbuff(draw.batch);
    endDecorationsOfState(draw, curX);
    drawSpecials(*context, draw.runs, draw.state.color());

    if (markers && paragraphFont) {
        TextSetFont(*context, paragraphFont);
        TextSetColor(*context, *kit::Color::darkGrayColor());
        marks.show(*context, draw.runs.normalAscent + draw.runs.redlineAscent);
    }
    context->grestore();
    return result;
}
