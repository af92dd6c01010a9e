#include "text/TextParagraph.h"

#include "core/CharClass.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/Preferences.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "items/TextItem.h"
#include "text/TableParagraph.h"
#include "text/TextDocument.h"
#include "text/TextFlow.h"
#include "text/TextWord.h"
#include "text/TextWordSpecial.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>
#include <vector>

namespace {

constexpr float NoTabPending = -1234.0f;
constexpr int Left = 0, Right = 1, Centre = 2, Justified = 3;
constexpr int KeepLinesTogether = -1;
constexpr int KeepWithNext = -2;
constexpr int ColumnStartNext = 3;

bool isAlignedTab(int type) { return type == 1 || type == 2 || type == 3 || type == 8; }
bool isBreakWord(int type) { return type == TextWordLineBreak || type == TextWordPageBreak; }
// Two lengths count as the same when they differ by less than one point.
bool samePoint(float a, float b) { return int(a - b) == 0; }

} // namespace

bool HPunct(unsigned char c)
{
    if (!kit::isPunct(c))
        return false;
    switch (c) {
    case 33: case 35: case 36: case 37: case 38: case 40: case 41: case 42: case 43: case 47:
    case 60: case 61: case 62: case 63: case 64: case 91: case 92: case 93: case 123: case 125:
        return false;
    default:
        return true;
    }
}

void getHorizDeltas(const std::vector<Item*>& list, const TextItem* column, const kit::Rect& frame, float y,
                    float height, float* left, float* right)
{
    const float x0 = frame.origin.x, x1 = frame.origin.x + frame.size.width;
    const float top = frame.origin.y + y, bottom = frame.origin.y + y + height;
    float l = 0, r = 0;
    for (const Item* item : list) {
        if (!item)
            continue;
        float itemLeft = 0, itemRight = 0;
        item->getHorizontalDeltas(column, {x0, bottom}, {x1, bottom}, {x0, top}, {x1, top}, &itemLeft, &itemRight);
        l = std::max(l, itemLeft);
        r = std::max(r, itemRight);
    }
    if (l < 0)
        l = 0;
    if (r < 0 || r > frame.size.width)
        r = 0;
    if (left)
        *left = l;
    if (right)
        *right = r;
}

// ---- Values the layout asks the paragraph for (table cells differ).

float TextParagraph::spaceBefore() const { return paragraphStyle_->spaceBefore(); }
float TextParagraph::spaceAfter() const { return paragraphStyle_->spaceAfter(); }
float TextParagraph::spaceBetween() const { return paragraphStyle_->spaceBetween(); }

// The state of one paragraph's layout through the chain of columns.
class TextParagraph::LineLayout {
public:
    LineLayout(TextParagraph& paragraph, bool trackDamage) : p_(paragraph), track_(trackDamage) {}
    bool run();

private:
    struct LineStart {
        int word = 0;
        int letter = 0;
        int piece = 0;
    };

    void setUpColumn();
    void resetWidestForLine();
    // False when the layout must stop (runaround blocked every band).
    bool measureLine();
    void measureWords();
    void lineMetrics();
    void applyHungLeft();
    void placeLine();
    float runWidth(int from, bool keepLastGap, bool toDecimal);
    void damage(TextWord* word, int piece, float oldX, float oldY, float oldLineStart, float lineTop);
    void giveBackSplit();
    // With askStyles, true when a word from there on has styles of its own.
    bool emptyMultiPieceWords(int from, bool askStyles = false);
    void restartAt(const LineStart& start);
    // Answers false when the paragraph ran past the last column.
    bool overflow(bool* handOver);
    bool widowFix();
    bool finish();
    float gapOf(const TextWord* word) const { return wordSpaceDelta_ + word->spaceWidth(); }
    float screenGapOf(const TextWord* word) const { return screenWordSpaceDelta_ + word->screenSpaceWidth(); }

    TextParagraph& p_;
    StyleParagraph* style_ = nullptr;
    const bool track_;
    // A page break ends the column, except in a table cell, whose row would
    // be cut in two, and in display text, which grows to its text and has
    // no column to go on to: there it only ends the line.
    bool pageBreaks_ = typeid(p_) == typeid(TextParagraph);
    TextFlow* flow_ = nullptr;
    int index_ = 0;
    int count_ = 0;
    bool display_ = false;
    float topBorder_ = 0;
    float defaultTab_ = 0;
    int alignment_ = 0;
    int widow_ = 0;
    kit::Font* font_ = nullptr;
    float wordSpaceDelta_ = 0, screenWordSpaceDelta_ = 0;
    bool fixedLeading_ = false;
    float ascentRatio_ = 1, extraSpacing_ = 0;

    // Where the layout stands.
    TextItem* column_ = nullptr;
    // The column the previous paragraph's page break ended: no line has
    // room there, not even one without height.
    const TextItem* brokenColumn_ = nullptr;
    kit::Rect frame_{};
    float y_ = 0;
    float firstY_ = 0;
    LineStart start_{};
    std::vector<LineStart> lineStarts_; // one per line laid, in the paragraph
    int linesInColumn_ = 0;
    float widest_ = 0;
    float lineIndent_ = 0, laterIndent_ = 0, rightLimit_ = 0;
    std::vector<Item*> runaround_;
    bool hung_ = false;
    int widowFixes_ = 0;

    // The measured line.
    float x_ = 0, sx_ = 0;
    float baseIndent_ = 0; // the line's left indent before hung punctuation
    int wordsOnLine_ = 0, gapWords_ = 0, tabsOnLine_ = 0;
    int lastWord_ = -1;
    int activeTab_ = -1;
    float rightTabX_ = NoTabPending, rightTabSX_ = NoTabPending;
    int split_ = 0;
    bool ranPastEnd_ = false, endedByBreak_ = false;
    float lastGap_ = 0, lastScreenGap_ = 0;
    float maxAscent_ = 0, maxDescent_ = 0;
    float lineHeight_ = 0, advance_ = 0, baseline_ = 0;
    bool stopped_ = false;
};

void TextParagraph::LineLayout::setUpColumn()
{
    frame_ = column_->frame();
    lineIndent_ = style_->indentLeft() + (lineStarts_.empty() ? style_->indentDeltaFirst() : 0.0f);
    laterIndent_ = style_->indentLeft();
    rightLimit_ = frame_.size.width - style_->indentRight();
    if (!display_) {
        if (lineIndent_ != 0 && lineIndent_ >= rightLimit_ - 24)
            lineIndent_ = rightLimit_ - 24;
        if (laterIndent_ != 0 && laterIndent_ >= rightLimit_ - 24)
            laterIndent_ = rightLimit_ - 24;
    }
    if (rightLimit_ < lineIndent_ + 36)
        rightLimit_ = lineIndent_ + 36;
    runaround_.clear();
    if (!display_) {
        runaround_ = column_->runaroundItems();
        if (!runaround_.empty())
            p_.hasIntruders_ = true;
    }
}

void TextParagraph::LineLayout::resetWidestForLine()
{
    if (!display_ && rightLimit_ - lineIndent_ > widest_)
        widest_ = rightLimit_ - lineIndent_;
}

void TextParagraph::LineLayout::applyHungLeft()
{
    if (!hung_ || (alignment_ != Left && alignment_ != Justified))
        return;
    TextWord* word = p_.wordAtIndex(start_.word);
    if (!word || word->isSpecial() || start_.letter >= word->textLength())
        return;
    const unsigned char c = static_cast<unsigned char>(word->text()[start_.letter]);
    if (!HPunct(c))
        return;
    const float w = word->widthOfCharAtIdx(start_.letter);
    lineIndent_ -= w;
    textPoint at{index_, start_.word, start_.letter};
    const StyleChar* style = flow_->styleCharAt(&at);
    kit::Font* font = style && style->font() ? style->font() : font_;
    const float inkX = font ? font->boundingRectForGlyph(c).origin.x : 0.0f;
    column_->setNewHangLeft(w - inkX);
}

void TextParagraph::LineLayout::measureWords()
{
    x_ = sx_ = lineIndent_;
    wordsOnLine_ = gapWords_ = tabsOnLine_ = 0;
    lastWord_ = -1;
    activeTab_ = -1;
    rightTabX_ = rightTabSX_ = NoTabPending;
    split_ = 0;
    ranPastEnd_ = endedByBreak_ = false;
    lastGap_ = lastScreenGap_ = 0;
    maxAscent_ = maxDescent_ = 0;
    auto count = [&](int w, const TextWord* word) {
        ++wordsOnLine_;
        lastWord_ = w;
        maxAscent_ = std::max(maxAscent_, word->ascent());
        maxDescent_ = std::max(maxDescent_, word->descent());
    };
    // The word goes on the line whole, with the gap after it.
    auto advance = [&](float width, float screenWidth, float gap, float screenGap) {
        x_ += width + gap;
        sx_ += screenWidth + screenGap;
        lastGap_ = gap;
        lastScreenGap_ = screenGap;
        ++gapWords_;
    };
    int w = start_.word;
    for (; w < count_; ++w) {
        TextWord* word = p_.wordAtIndex(w);
        const int type = word->wordType();
        const int piece = w == start_.word ? start_.piece : 0;
        const float gap = gapOf(word), screenGap = screenGapOf(word);
        if (type == TextWordTab) {
            auto* tab = static_cast<TextWordSpecial*>(word);
            tab->setWidthOfChar(0, 0);
            tab->setScreenWidthOfChar(0, 0);
            tab->setXWidth(0);
            tab->setScreenWidth(0);
            if (tab->tabType() == 8 && alignment_ != Right) {
                tab->setTab(8, rightLimit_, 0);
                rightTabX_ = x_;
                rightTabSX_ = sx_;
                activeTab_ = 8;
                ++tabsOnLine_;
                gapWords_ = 0;
                count(w, word);
                continue;
            }
            if (alignment_ == Right || alignment_ == Centre) {
                count(w, word);
                continue;
            }
            tab->setTab(0, x_, 0);
            const bool first = wordsOnLine_ == 0;
            const bool afterTab = w > start_.word && p_.wordAtIndex(w - 1)->wordType() == TextWordTab;
            const bool hanging = style_->indentDeltaFirst() < 0;
            float stop = 0;
            short kind = 0;
            char leader = 0;
            bool found = false;
            const auto& tabs = style_->tabs();
            if (tabs.empty() && defaultTab_ == 0) {
                if (!first)
                    break;
                stop = x_;
                found = true;
            } else {
                const float offset = style_->absoluteTabs() ? frame_.origin.x : 0.0f;
                // Stops are kept in order: skip those left of x at once.
                const auto right = std::partition_point(tabs.begin(), tabs.end(), [&](const StyleTabStop& t) {
                    return !((t.location - offset) - 0.0001f > x_);
                });
                for (auto it = right; it != tabs.end(); ++it) {
                    const StyleTabStop& t = *it;
                    const float location = t.location - offset;
                    if (!(location - 0.0001f > x_))
                        continue;
                    if (samePoint(location, x_) && !first && afterTab)
                        continue;
                    if (hanging && laterIndent_ > x_ && laterIndent_ < location) {
                        stop = laterIndent_;
                    } else {
                        stop = location;
                        kind = t.type;
                        leader = t.leader;
                    }
                    found = true;
                    break;
                }
                if (!found && defaultTab_ > 0) {
                    stop = std::ceil((x_ + 0.0001f) / defaultTab_) * defaultTab_;
                    if (hanging && laterIndent_ > x_ && laterIndent_ < stop)
                        stop = laterIndent_;
                    found = true;
                }
                if (!found) {
                    if (hanging && x_ < laterIndent_)
                        stop = laterIndent_;
                    else if (first)
                        stop = x_;
                    else
                        break;
                    found = true;
                }
            }
            tab->setTab(kind, stop, leader);
            x_ = sx_ = stop;
            activeTab_ = kind;
            gapWords_ = 0;
            ++tabsOnLine_;
            count(w, word);
            continue;
        }
        const bool afterAligned = isAlignedTab(activeTab_);
        const float width = afterAligned ? 0.0f : word->xWidthForPiece(piece);
        const float screenWidth = afterAligned ? 0.0f : word->screenWidthForPiece(piece);
        if (isBreakWord(type)) {
            count(w, word);
            if (type == TextWordPageBreak && pageBreaks_)
                p_.endsWithHardPage_ = p_.hasIntruders_ = true;
            endedByBreak_ = true;
            return;
        }
        bool fits = x_ + width < rightLimit_;
        if (!fits && display_) {
            rightLimit_ = x_ + width;
            fits = true;
        }
        if (!fits && (afterAligned || !word->isVisible() || word->length() == 0))
            fits = true;
        if (!fits) {
            if (gapWords_ > 0) {
                x_ -= gap;
                sx_ -= screenGap;
            }
            const bool first = wordsOnLine_ == 0;
            if (!first) {
                if (!style_->hyphenate())
                    return;
                if (word->hyphenCount() == -1)
                    word->setHyphens();
                if (word->hyphenCount() <= 0)
                    return;
            }
            if (word->isSpecial()) {
                // Tokens and graphics never split: the line's first one
                // stands alone however wide it is.
                if (!first)
                    return;
                advance(width, screenWidth, gap, screenGap);
                count(w, word);
                continue;
            }
            const int from = first ? start_.letter : 0;
            int range = 0;
            float pieceWidth = 0;
            word->findPiece(piece, font_, rightLimit_ - x_, from, &range, &pieceWidth, first);
            if (first && range <= from) {
                // Not even one letter fits: take one anyway, so that every
                // line moves on however narrow the column.
                range = std::min(from + 1, int(word->textLength()));
                pieceWidth = word->widthOfCharAtIdx(from);
            }
            if (range <= 0)
                return;
            if (range >= word->textLength()) {
                // The rest of the word fits whole: no split.
                advance(width, screenWidth, gap, screenGap);
                count(w, word);
                continue;
            }
            const float hyphen = font_ ? font_->widthOfString("-") : 0.0f;
            x_ += gap + pieceWidth + hyphen;
            sx_ += screenGap + pieceWidth + hyphen;
            word->hyphenateAt(range);
            ++gapWords_;
            count(w, word);
            split_ = range;
            return;
        }
        if (type != TextWordHeaderMarker && type != TextWordFooterMarker)
            advance(width, screenWidth, gap, screenGap);
        count(w, word);
    }
    if (w >= count_)
        ranPastEnd_ = true;
}

void TextParagraph::LineLayout::lineMetrics()
{
    StyleChar* cs = p_.charStyle();
    const float styleHeight = cs ? cs->lineHeight() : 0.0f;
    const float spacing = cs ? cs->lineSpacing() : 1.0f;
    if (fixedLeading_) {
        lineHeight_ = styleHeight;
        advance_ = lineHeight_ * spacing;
        baseline_ = lineHeight_ * ascentRatio_;
    } else {
        lineHeight_ = std::max(maxAscent_ + maxDescent_ + (cs ? cs->interLineLeading() : 0.0f), styleHeight);
        advance_ = lineHeight_ + extraSpacing_;
        baseline_ = maxAscent_;
    }
    if (lineStarts_.empty()) {
        lineHeight_ += topBorder_;
        advance_ += topBorder_;
        baseline_ += topBorder_;
    }
}

void TextParagraph::LineLayout::giveBackSplit()
{
    if (split_ > 0)
        if (TextWord* word = p_.wordAtIndex(lastWord_))
            word->removeLastWordPiece();
    split_ = 0;
}

bool TextParagraph::LineLayout::measureLine()
{
    const StyleChar* cs = p_.charStyle();
    const float styleHeight = cs ? cs->lineHeight() : 0.0f;
    baseIndent_ = lineIndent_;
    // Narrowing that keeps changing the line's own height could go on for
    // ever; a line settles within a few rounds.
    for (int round = 0;; ++round) {
        lineIndent_ = baseIndent_;
        applyHungLeft();
        measureWords();
        lineMetrics();
        if (runaround_.empty() || round >= 64)
            return true;
        float left = 0, right = 0;
        getHorizDeltas(runaround_, column_, frame_, y_, lineHeight_, &left, &right);
        const float savedIndent = baseIndent_, savedLimit = rightLimit_;
        bool narrowed = false;
        if (right - (frame_.size.width - rightLimit_) > 0.001f) {
            rightLimit_ = frame_.size.width - right;
            narrowed = true;
        }
        if (left - baseIndent_ > 0.001f) {
            baseIndent_ = left;
            narrowed = true;
        }
        if (narrowed)
            hung_ = false;
        if ((left == 0 && right == 0) || rightLimit_ - baseIndent_ >= 2 * styleHeight) {
            if (!narrowed)
                return true;
            giveBackSplit();
            continue;
        }
        // Too narrow: try one line lower.
        y_ += lineHeight_;
        baseIndent_ = savedIndent;
        rightLimit_ = savedLimit;
        giveBackSplit();
        if (y_ > frame_.size.height + 100) {
            stopped_ = true;
            return false;
        }
    }
}

float TextParagraph::LineLayout::runWidth(int from, bool keepLastGap, bool toDecimal)
{
    const char decimal = Main && Main->preferences() ? Main->preferences()->decimalTabChar() : '.';
    float width = 0, gap = 0;
    bool endedByWord = false;
    for (int w = from; w <= lastWord_; ++w) {
        TextWord* word = p_.wordAtIndex(w);
        const int type = word->wordType();
        if (type == TextWordTab || isBreakWord(type)) {
            endedByWord = true;
            break;
        }
        const int piece = w == start_.word ? start_.piece : 0;
        if (toDecimal && !word->isSpecial()) {
            const int first = word->firstOffsetForPiece(piece), end = word->endOffsetForPiece(piece);
            for (int i = first; i < end; ++i)
                if (word->text()[i] == decimal) {
                    for (int k = first; k < i; ++k)
                        width += word->widthOfCharAtIdx(k);
                    return width;
                }
        }
        width += word->xWidthForPiece(piece);
        gap = word->isVisible() ? gapOf(word) : 0.0f;
        width += gap;
    }
    if (toDecimal || !keepLastGap || endedByWord)
        width -= gap;
    return width;
}

void TextParagraph::LineLayout::damage(TextWord* word, int piece, float oldX, float oldY, float oldLineStart,
                                       float lineTop)
{
    const float newX = word->xOriginForPiece(piece), newY = word->yOriginForPiece(piece);
    const bool unchanged = samePoint(oldX, newX) && samePoint(oldY, newY);
    if (unchanged && word != p_.currentWord_)
        return;
    // A word broken over lines gets its later pieces anew at each layout,
    // with no place of their own before: where one stands now is damage.
    if (!p_.firstDirtyItem_) {
        p_.firstDirtyItem_ = column_;
        p_.firstDirtyY_ = lineTop;
        if (!word->isSpecial() && oldLineStart > 0 && oldLineStart < lineTop)
            p_.firstDirtyY_ = oldLineStart;
    }
    p_.lastDirtyItem_ = column_;
    p_.lastDirtyY_ = y_ + (advance_ + lineHeight_) * 0.5f;
}

void TextParagraph::LineLayout::placeLine()
{
    const TextWord* ending = p_.wordAtIndex(lastWord_);
    const bool lastLine = ((ranPastEnd_ || lastWord_ >= count_ - 1) && split_ == 0)
        || (ending && ending->wordType() == TextWordPageBreak && pageBreaks_);
    float usedX = x_, usedSX = sx_;
    if (ranPastEnd_ || endedByBreak_) {
        usedX -= lastGap_;
        usedSX -= lastScreenGap_;
    }
    if (rightTabX_ != NoTabPending) {
        usedX = rightTabX_;
        usedSX = rightTabSX_;
    }
    float slack = rightLimit_ - usedX, screenSlack = rightLimit_ - usedSX;

    if (hung_ && (alignment_ == Right || alignment_ == Justified) && lastWord_ >= 0) {
        const TextWord* last = p_.wordAtIndex(lastWord_);
        float hang = 0;
        if (split_ > 0) {
            hang = font_ ? font_->advancementForGlyph('-').width : 0.0f;
        } else if (!last->isSpecial()) {
            const int n = last->textLength();
            int i = n;
            float run = 0;
            while (i > 0 && HPunct(static_cast<unsigned char>(last->text()[i - 1]))) {
                --i;
                run += last->charWidthArray()[i];
            }
            hang = i == 0 ? 0.0f : run;
        }
        slack += hang;
        screenSlack += hang;
        if (hang != 0)
            column_->setNewHangRight(hang);
    }
    if (!(lastLine && alignment_ == Justified && rightLimit_ != 0)) {
        for (int w = lastWord_; w > start_.word; --w) {
            const TextWord* word = p_.wordAtIndex(w);
            if (word->isSpecial() || word->length() != 0)
                break;
            slack += gapOf(word);
            screenSlack += screenGapOf(word);
        }
    }

    float x = lineIndent_, sx = lineIndent_, gap = 0, screenGap = 0;
    // A centred headline reaches as far right of its text as it starts left
    // of it: fitted to that, a second layout centres the text where it is.
    float mirrored = 0;
    if (display_ && alignment_ == Centre)
        mirrored = slack / 2;
    if (alignment_ == Justified) {
        if (gapWords_ >= 2) {
            gap = slack / float(gapWords_ - 1);
            screenGap = screenSlack / float(gapWords_ - 1);
        }
        if (lastLine && !(display_ && !lineStarts_.empty()))
            gap = screenGap = 0;
    } else {
        if (alignment_ == Right) {
            x += slack;
            sx += screenSlack;
        } else if (alignment_ == Centre) {
            x += slack / 2;
            sx += screenSlack / 2;
        }
        if (slack < 0 && gapWords_ > 1) {
            gap = slack / float(gapWords_ - 1);
            screenGap = screenSlack / float(gapWords_ - 1);
        }
    }
    if (x < 0)
        column_->setNewHangLeft(-x);
    if (sx < 0)
        column_->setNewScreenHangLeft(-sx);

    const float baseY = y_ + baseline_;
    const float lineTop = y_ - (advance_ - lineHeight_) * 0.5f;
    int lastTab = -1;
    for (int w = start_.word; w <= lastWord_; ++w)
        if (p_.wordAtIndex(w)->wordType() == TextWordTab)
            lastTab = w;
    bool justify = true;
    float pending = NoTabPending, pendingScreen = NoTabPending;
    for (int w = start_.word; w <= lastWord_; ++w) {
        TextWord* word = p_.wordAtIndex(w);
        const int type = word->wordType();
        const int piece = w == start_.word ? start_.piece : 0;
        const float oldX = word->xOriginForPiece(piece), oldY = word->yOriginForPiece(piece);
        const float oldLineStart = word->lineStartForPiece(piece);
        auto put = [&](float px, float psx) {
            word->setOrigin({px, baseY}, piece);
            word->setScreenX(psx, piece);
            word->setLineStart(lineTop, advance_, piece);
            if (track_)
                damage(word, piece, oldX, oldY, oldLineStart, lineTop);
        };
        if (isBreakWord(type)) {
            put(x, sx);
            if (type == TextWordPageBreak && pageBreaks_) {
                p_.endsWithHardPage_ = true;
                lastWord_ = w;
                break;
            }
            continue;
        }
        if (type == TextWordTab) {
            auto* tab = static_cast<TextWordSpecial*>(word);
            const int kind = tab->tabType();
            const bool acts = alignment_ == Left || alignment_ == Justified || (alignment_ == Centre && kind == 8);
            if (!acts) {
                put(x, sx);
                continue;
            }
            float position = tab->tabLocation();
            switch (kind) {
            case 1:
                position -= runWidth(w + 1, true, false) / 2;
                break;
            case 2:
            case 8:
                position -= runWidth(w + 1, false, false);
                break;
            case 3:
                position -= runWidth(w + 1, false, true);
                break;
            case -1:
                position = x + gapOf(tab);
                break;
            default:
                break;
            }
            if (isAlignedTab(kind))
                justify = false;
            // A run wider than the room before its stop starts where the
            // text before it ends rather than over it.
            const float width = std::max(0.0f, position - x);
            const float screenWidth = std::max(0.0f, position - sx);
            put(x, sx);
            tab->setWidthOfChar(width, 0);
            tab->setScreenWidthOfChar(screenWidth, 0);
            tab->setXWidth(width);
            tab->setScreenWidth(screenWidth);
            x += width;
            sx += screenWidth;
            pending = x;
            pendingScreen = sx;
            continue;
        }
        if (!display_ && word->length() != 0 && w > start_.word && x > rightLimit_ + 0.5f) {
            // Justification pushed it past the limit: it opens the next line.
            if (w == lastWord_)
                giveBackSplit();
            lastWord_ = w - 1;
            split_ = 0;
            break;
        }
        if (pending != NoTabPending) {
            x = pending;
            sx = pendingScreen;
        }
        put(x, sx);
        x += word->xWidthForPiece(piece);
        sx += word->screenWidthForPiece(piece);
        widest_ = std::max(widest_, std::min(x + mirrored, rightLimit_));
        // A piece cut at the line's end is drawn with a hyphen after it,
        // whose ink the column's redraws must reach as well.
        const float hyphen =
            !word->isSpecial() && piece < word->numWordPieces() - 1 && font_ ? font_->widthOfString("-") : 0.0f;
        if (x + hyphen > frame_.size.width)
            column_->setNewHangRight(x + hyphen - frame_.size.width);
        if (sx + hyphen > frame_.size.width)
            column_->setNewScreenHangRight(sx + hyphen - frame_.size.width);
        if (word->isVisible()) {
            const bool stretch = justify && w > lastTab;
            x += gapOf(word) + (stretch ? gap : 0.0f);
            sx += screenGapOf(word) + (stretch ? screenGap : 0.0f);
        }
        pending = pendingScreen = NoTabPending;
        if (type == TextWordPageNumber || type == TextWordLastPageNumber)
            p_.containsWordTokens_ = true;
    }
}

bool TextParagraph::LineLayout::emptyMultiPieceWords(int from, bool askStyles)
{
    bool styled = false;
    for (int w = std::max(from, 0); w < count_; ++w) {
        TextWord* word = p_.wordAtIndex(w);
        if (word->numWordPieces() > 1)
            word->emptyWordPieces();
        if (askStyles && !styled)
            styled = word->hasStyles();
    }
    return styled;
}

void TextParagraph::LineLayout::restartAt(const LineStart& start)
{
    TextWord* word = p_.wordAtIndex(start.word);
    if (word)
        while (word->numWordPieces() > start.piece + 1)
            word->removeLastWordPiece();
    emptyMultiPieceWords(start.word + 1);
    start_ = start;
    split_ = 0;
}

bool TextParagraph::LineLayout::overflow(bool* handOver)
{
    *handOver = false;
    // The run is marked for layout below, only when it moves on.
    TextParagraph* first = TextParagraph::findFirstParagraphToKeepTogether(&p_, false);
    const bool laid = !lineStarts_.empty();
    // A paragraph that already starts at the top of a column, this one or
    // an earlier one it runs on from, gains nothing from starting again in
    // the next: it would start over there, and again, column after column.
    const bool atTop = laid && firstY_ == 0;
    if (first != &p_) {
        // A cell's row moves with it: the run starts at its row's first cell,
        // unless that row already starts a column.
        const int start = flow_->keepRunBefore(index_);
        TextParagraph* rowStart = flow_->paragraphAtIndex(start);
        first = rowStart != first && rowStart->firstY() == 0 ? &p_ : rowStart;
    }
    // Only where there is a next column to move on to: a run moved off the
    // end of the chain would lose its place.
    const bool moveRun = first != &p_ && !atTop && (column_->nextColumn() || column_->addPageIfNeeded());
    bool startOver = !laid;
    // A table cell keeps its lines together: its row cannot stand in two
    // columns at once.
    const bool together = widow_ == KeepLinesTogether || dynamic_cast<const TableParagraph*>(&p_);
    if (!atTop && laid) {
        if (moveRun || together || (widow_ > 0 && int(lineStarts_.size()) < widow_))
            startOver = true;
    }
    if (moveRun && flow_->mayMoveKeepRun(index_)) {
        // The run moves on to the next column with this paragraph: the
        // flow's layout starts again from the run's first paragraph, which
        // then opens the next column, and lays this one out after it.
        flow_->keepRunStart_ = first;
        for (int k = flow_->indexOfParagraph(first); k >= 0 && k <= index_; ++k)
            flow_->paragraphAtIndex(k)->setDirty(true);
        *handOver = true;
        return true;
    }
    column_->setEndPointVals(index_, startOver ? -1 : start_.word, startOver ? -1 : start_.letter - 1);
    // A table cell decides by its first y whether it may move on.
    p_.setFirstY(firstY_);
    TextItem* next = p_._findNextItem(column_, &p_, startOver ? 0 : start_.word, startOver ? 0 : start_.letter);
    if (!next) {
        giveBackSplit();
        p_.setLastItem(column_);
        p_.setLastY(y_);
        if (widest_ != 0)
            p_.box_.size.width = widest_;
        runaround_.clear();
        // Its words have no place: a later layout must try again.
        p_.setDirty(true);
        return false;
    }
    next->setDirty(true);
    if (startOver) {
        p_.firstItem_ = next;
        firstY_ = 0;
        lineStarts_.clear();
        start_ = {};
        split_ = 0;
        emptyMultiPieceWords(0);
    } else {
        giveBackSplit();
    }
    p_.lastItem_ = next;
    column_ = next;
    y_ = 0;
    linesInColumn_ = 0;
    setUpColumn();
    return true;
}

bool TextParagraph::LineLayout::widowFix()
{
    if (display_ || widow_ <= 0 || p_.firstItem_ == column_ || linesInColumn_ >= widow_ || widowFixes_ >= 4)
        return false;
    const int earlier = int(lineStarts_.size()) - linesInColumn_;
    if (earlier <= 0)
        return false;
    ++widowFixes_;
    LineStart from{};
    if (earlier > widow_) {
        const int pull = widow_ - linesInColumn_;
        from = lineStarts_[std::size_t(std::max(earlier - pull, 0))];
    }
    const bool whole = from.word == 0 && from.letter == 0 && from.piece == 0;
    if (TextItem* previous = column_->prevColumn())
        previous->setEndPointVals(index_, from.word, from.letter - 1);
    column_->setStartPointVals(index_, from.word, from.letter);
    if (whole) {
        p_.firstItem_ = column_;
        firstY_ = 0;
        lineStarts_.clear();
    } else {
        lineStarts_.resize(std::size_t(earlier - (widow_ - linesInColumn_)));
    }
    restartAt(from);
    y_ = 0;
    linesInColumn_ = 0;
    setUpColumn();
    return true;
}

bool TextParagraph::LineLayout::finish()
{
    p_.lastItem_ = column_;
    p_.setFirstY(firstY_);
    p_.setLastY(y_);
    if (widest_ != 0)
        p_.box_.size.width = widest_;
    const bool last = index_ == flow_->paragraphCount() - 1;
    if (p_.endsWithHardPage_ || last)
        column_->setEndPointVals(index_ + 1, -1, -1);
    if (last && column_->nextColumn())
        flow_->emptyPointsFromColumn(column_->nextColumn());
    // The right indent stays inside the frame: without it every layout
    // would narrow the headline by it.
    if (display_ && widest_ != 0 && last)
        column_->sizeHeadlineTo(widest_ + style_->indentRight(), y_);
    p_.setDirty(false);
    runaround_.clear();
    // Whether this paragraph must move on with the next one is decided when
    // the next one breaks across columns: it must be laid out again even
    // where this one ends where it did.
    if (widow_ == KeepWithNext && !last)
        if (TextParagraph* next = flow_->paragraphAtIndex(index_ + 1))
            next->setDirty(true);
    return true;
}

bool TextParagraph::LineLayout::run()
{
    flow_ = p_.flow_;
    if (!flow_)
        return false;
    style_ = p_.paragraphStyle_.get();
    topBorder_ = p_.topBorderWidth();
    TextDocument* document = flow_->document();
    defaultTab_ = document ? document->defaultTabSpacing() : 0.0f;
    index_ = p_.index();
    TextParagraph* previous = index_ > 0 ? flow_->paragraphAtIndex(index_ - 1) : nullptr;
    alignment_ = style_->alignment();
    widow_ = style_->widowControl();

    float spaceAbove = 0;
    if (style_->columnStart() != ColumnStartNext) {
        if (style_->basedOnStyle() && previous && previous->paragraphStyle()->basedOnStyle() == style_->basedOnStyle())
            spaceAbove = p_.spaceBetween();
        else
            spaceAbove = std::max(previous ? previous->spaceAfter() : 0.0f, p_.spaceBefore());
    }

    if (!p_.dirty_ && p_.ordinal_ == index_) {
        if (!previous)
            return false;
        const float lowest = p_.lowestAvailableY();
        const float delta = lowest + spaceAbove - p_.prevParaLastY_;
        TextItem* previousLast = previous->lastItem();
        if (p_.prevParaLastItem_ == previousLast && samePoint(delta, 0))
            return false;
        if (!p_.hasIntruders_ && p_.firstItem_ && p_.firstItem_ == p_.lastItem_ && p_.prevParaLastItem_ == previousLast
            && p_.firstItem_ == previousLast && p_.firstY() + delta >= 0
            && p_.lastY() + delta <= p_.firstItem_->frame().size.height) {
            p_.prevParaLastY_ = lowest + spaceAbove;
            p_.moveBy(delta, p_.firstItem_);
            if (track_) {
                p_.firstDirtyItem_ = p_.firstItem_;
                p_.lastDirtyItem_ = p_.lastItem_;
                p_.firstDirtyY_ = p_.firstY();
                p_.lastDirtyY_ = p_.lastY();
            }
            return true;
        }
    }

    p_.firstDirtyItem_ = p_.lastDirtyItem_ = nullptr;
    p_.firstDirtyY_ = p_.lastDirtyY_ = 0;
    p_.ordinal_ = index_;
    p_.prevParaLastItem_ = previous ? previous->lastItem() : flow_->firstTextItem();
    column_ = p_.prevParaLastItem_;
    p_.currentItem_ = p_.firstItem_ = p_.lastItem_ = column_;
    if (column_)
        column_->setDirty(true);
    y_ = p_.lowestAvailableY();
    p_.prevParaLastY_ = y_ + spaceAbove;
    if (y_ != 0)
        y_ += spaceAbove;
    firstY_ = y_;
    p_.setFirstY(firstY_);
    p_.containsWordTokens_ = p_.hasIntruders_ = p_.endsWithHardPage_ = false;
    display_ = column_ && column_->textType() == 2;
    if (display_)
        pageBreaks_ = false;
    count_ = p_.wordCount();
    // An edit measures the words it touched; a word measured from the style
    // another word ended in goes stale when that word changes. The edited
    // paragraph's words are measured again in order, as reading a file
    // measures them, so that the layout never depends on the edits' order.
    // Without styles of their own every word takes the paragraph's. A
    // layout of the whole flow lays out what is already measured.
    const bool edited = p_.dirty_ && !flow_->layingOutAll_;
    if (emptyMultiPieceWords(0, edited) && edited)
        p_.recomputeAllWords();

    // A table cell opens the next column only as the first of its row (the
    // row's other cells follow it) and only where the row does not already
    // start a column; elsewhere it would cut its row in two.
    const auto* cell = dynamic_cast<const TableParagraph*>(&p_);
    const bool opensColumn = !cell || (cell->column() == 0 && y_ != 0);
    if (style_->columnStart() == ColumnStartNext && previous && column_ && !display_ && opensColumn) {
        column_->setEndPointVals(index_, -1, -1);
        column_ = p_._findNextItem(column_, &p_, 0, 0);
        p_.currentItem_ = p_.firstItem_ = p_.lastItem_ = column_;
        if (column_)
            column_->setDirty(true);
        firstY_ = y_ = 0;
        p_.setLastY(0);
    }
    if (!column_)
        return false;
    if (previous && previous->endsWithHardPage() && previous->lastItem() == column_)
        brokenColumn_ = column_;

    StyleChar* cs = p_.charStyle();
    wordSpaceDelta_ = cs ? cs->wordSpaceDelta() : 0.0f;
    screenWordSpaceDelta_ = cs ? cs->screenWordSpaceDelta() : 0.0f;
    fixedLeading_ = cs && cs->leading() <= StyleAutoLeadingThreshold;
    font_ = cs ? cs->font() : nullptr;
    if (!font_)
        font_ = p_.font();
    const float spacing = cs ? cs->lineSpacing() : 1.0f;
    if (font_ && font_->naturalHeight() > 0) {
        if (fixedLeading_)
            ascentRatio_ = font_->ascent() / font_->naturalHeight();
        else
            extraSpacing_ = (spacing - 1.0f) * font_->naturalHeight();
    } else if (!fixedLeading_) {
        extraSpacing_ = spacing;
    }
    hung_ = style_->hungPunctuation() != 0;

    if (count_ > 0) {
        setUpColumn();
        for (;;) {
            resetWidestForLine();
            if (!measureLine())
                break;
            const bool room = y_ + lineHeight_ <= frame_.size.height && column_ != brokenColumn_;
            if (!(room || display_ || y_ == 0)) {
                bool handOver = false;
                if (!overflow(&handOver))
                    return false;
                if (handOver)
                    return true;
                continue;
            }
            const LineStart lineStart = start_;
            placeLine();
            if (lastWord_ < start_.word)
                lastWord_ = start_.word; // every line takes at least one word
            if (lineStarts_.empty())
                firstY_ = y_;
            lineStarts_.push_back(lineStart);
            ++linesInColumn_;
            y_ += advance_;
            const TextWord* last = p_.wordAtIndex(lastWord_);
            const bool pageBreak = last && last->wordType() == TextWordPageBreak && pageBreaks_;
            if (split_ > 0) {
                start_ = {lastWord_, split_, last->numWordPieces() - 1};
            } else {
                start_ = {lastWord_ + 1, 0, 0};
            }
            lineIndent_ = laterIndent_;
            rightLimit_ = frame_.size.width - style_->indentRight();
            if (start_.word >= count_ || pageBreak) {
                if (widowFix())
                    continue;
                break;
            }
        }
    }
    return finish();
}

bool TextParagraph::_compute(bool trackDamage)
{
    TextItem* oldLast = lastItem_;
    const float oldBottom = lastY();
    LineLayout layout(*this, trackDamage);
    const bool changed = layout.run();
    // A paragraph that got shorter leaves the lines it no longer reaches to
    // be cleared: they are damage too, though no word was placed there.
    if (trackDamage && oldLast && oldLast == lastItem_ && lastY() < oldBottom) {
        if (!firstDirtyItem_) {
            firstDirtyItem_ = oldLast;
            firstDirtyY_ = lastY();
        }
        lastDirtyItem_ = oldLast;
        lastDirtyY_ = std::max(lastDirtyY_, oldBottom);
    }
    return changed;
}

// ---- Driving the layout.

TextParagraph* TextParagraph::recompute(bool trackDamage)
{
    setDirty(true);
    if (!flow_)
        return this;
    if (!firstItem_) {
        const int at = index();
        TextParagraph* previous = at > 0 ? flow_->paragraphAtIndex(at - 1) : nullptr;
        setFirstItem(previous ? previous->lastItem() : flow_->firstTextItem());
    }
    if (!firstItem_) {
        // No column for it; what waits before it is still laid out.
        flow_->recomputeUnsettled(nullptr, false);
        return this;
    }
    // The flow lays out this paragraph and the ones after it while they
    // change, and anything else an edit left unsettled, in flow order.
    return flow_->recomputeUnsettled(this, trackDamage);
}

TextItem* TextParagraph::_findNextItem(TextItem* column, TextParagraph* paragraph, int word, int letter)
{
    if (!column)
        return nullptr;
    TextItem* next = column->nextColumn();
    if (!next && column->addPageIfNeeded())
        next = column->nextColumn();
    if (!next) {
        if (paragraph && flow_)
            for (int i = paragraph->index() + 1; TextParagraph* after = flow_->paragraphAtIndex(i); ++i)
                after->setFirstItem(nullptr);
        return nullptr;
    }
    next->setStartPointVals(paragraph ? paragraph->index() : 0, word, letter);
    if (paragraph)
        paragraph->setCurrentItem(next);
    return next;
}

void TextParagraph::moveBy(float delta, TextItem* column)
{
    box_.origin.y += delta;
    box_.size.height += delta;
    prevParaLastItem_ = currentItem_ = firstItem_ = lastItem_ = column;
    for (const auto& word : wordList_)
        word->moveBy(0, delta);
    setDirty(false);
    if (flow_ && column && index() == flow_->paragraphCount() - 1)
        column->setEndPointVals(ordinal_ + 1, -1, -1);
}
