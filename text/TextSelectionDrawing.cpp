// What a selection shows on screen: its highlight in each column, and the
// attributes of the selected text in the font panel and the accessory.

#include "text/TextSelection.h"

#include "foundation/ApplicationDelegate.h"
#include "foundation/FontAccessoryValues.h"
#include "foundation/StyleChar.h"
#include "graphics/DrawContext.h"
#include "graphics/FontManager.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextPoint.h"
#include "text/TextWord.h"

#include <algorithm>
#include <cmath>

namespace {

bool takesParagraphBreak(int endType)
{
    return endType == SelectionPara || endType == SelectionCharTail || endType == SelectionWordTail;
}

bool differsByOne(float a, float b) { return std::trunc(a - b) != 0.0f; }

// The rectangles of the word's letters from..to (to exclusive), one per piece.
std::vector<kit::Rect> rectsOfWord(const TextWord* word, int from, int to)
{
    std::vector<kit::Rect> rects(std::size_t(std::max<int>(word->numWordPieces(), 1)));
    const int n = std::clamp(word->getSelectionRects(rects.data(), from, to), 0, int(rects.size()));
    rects.resize(std::size_t(n));
    return rects;
}

kit::Rect caretOf(const TextWord* word, int letter)
{
    const std::vector<kit::Rect> rects = rectsOfWord(word, letter, letter);
    return rects.empty() ? kit::Rect{} : rects.front();
}

kit::Rect spanX(float left, float right, float y, float height)
{
    return kit::makeRect(left, y, right - left, height);
}

} // namespace

std::vector<kit::Rect> TextSelection::highlightRectsInItem(TextItem* column) const
{
    std::vector<kit::Rect> result = unclippedHighlightRectsInItem(column);
    if (result.empty())
        return result;
    // No further than the column's text is drawn, and so redrawn: a border
    // box that a negative indent widens reaches past it where no line hangs.
    kit::Rect area{};
    if (column->isTransformed()) {
        const float left = column->hangLeft();
        area = kit::makeRect(-left, 0, column->frame().size.width + left + column->hangRight(),
                             column->frame().size.height);
    } else {
        column->getUpdateBounds(&area, nullptr);
        area = kit::offsetRect(area, -column->frame().origin.x, -column->frame().origin.y);
    }
    for (kit::Rect& r : result) {
        // The inversion covers a rectangle whichever way its size points.
        if (r.size.width < 0)
            r = kit::makeRect(r.origin.x + r.size.width, r.origin.y, -r.size.width, r.size.height);
        if (r.size.height < 0)
            r = kit::makeRect(r.origin.x, r.origin.y + r.size.height, r.size.width, -r.size.height);
        if (!kit::isEmptyRect(r))
            r = kit::intersectionRect(r, area);
    }
    return result;
}

std::vector<kit::Rect> TextSelection::unclippedHighlightRectsInItem(TextItem* column) const
{
    std::vector<kit::Rect> result;
    if (!column || !flow_ || !containsItem(column))
        return result;
    const bool breakTaken = takesParagraphBreak(endType_);
    const TextParagraph* startParagraph = flow_->paragraphAtIndex(start_.paragraph);
    const TextParagraph* endParagraph = flow_->paragraphAtIndex(end_.paragraph);
    const TextWord* startWord = startParagraph ? startParagraph->wordAtIndex(start_.word) : nullptr;
    const TextWord* endWord = endParagraph ? endParagraph->wordAtIndex(end_.word) : nullptr;

    if (startWord && start_.paragraph == end_.paragraph && start_.word == end_.word &&
        startWord->numWordPieces() == 1) {
        result = rectsOfWord(startWord, start_.letter, end_.letter);
        if (breakTaken && !result.empty()) {
            kit::Rect& last = result.back();
            last.size.width = kit::maxX(startParagraph->borderInItem(column)) - last.origin.x;
        }
        return result;
    }

    TextItem* startItem = flow_->item(column, &start_);
    TextItem* endItem = flow_->item(column, &end_);
    int first = std::max(column->startParagraph(), start_.paragraph);
    int last = column->endParagraph() - (column->endWordOffset() == -1 ? 1 : 0);
    last = std::min(last, end_.paragraph);
    kit::Rect frameArea{};
    bool haveArea = false;
    for (int i = first; i <= last; ++i) {
        const TextParagraph* paragraph = flow_->paragraphAtIndex(i);
        if (!paragraph)
            continue;
        const kit::Rect border = paragraph->borderInItem(column);
        frameArea = haveArea ? kit::unionRect(frameArea, border) : border;
        haveArea = true;
    }
    const float right = kit::maxX(frameArea);
    const float left = kit::minX(frameArea);

    kit::Rect s = startWord ? caretOf(startWord, start_.letter) : kit::makeRect(left, kit::minY(frameArea), 0, 0);
    kit::Rect e = endWord ? caretOf(endWord, end_.letter) : kit::Rect{};
    float endX = kit::maxX(e);
    if (column != startItem)
        s.origin = frameArea.origin;
    if (column != endItem) {
        e = kit::makeRect(left, kit::maxY(frameArea), 0, 0);
        endX = right;
    }

    if (differsByOne(s.origin.y, e.origin.y)) {
        if (breakTaken)
            endX = right;
        const kit::Rect block = spanX(left, right, s.origin.y, kit::maxY(e) - s.origin.y);
        const kit::Rect before = spanX(left, s.origin.x, s.origin.y, s.size.height);
        const kit::Rect after = spanX(endX, right, e.origin.y, e.size.height);
        if (differsByOne(kit::maxY(s), e.origin.y) || s.origin.x < endX) {
            // Inverting the two parts again leaves the block without them.
            result = {block, before, after};
        } else {
            kit::Rect top, bottom;
            kit::divideRect(block, top, bottom, block.size.height / 2.0f, kit::RectEdge::MinY);
            result = {spanX(s.origin.x, right, top.origin.y, top.size.height),
                      spanX(left, endX, bottom.origin.y, bottom.size.height)};
        }
        return result;
    }
    if (breakTaken)
        endX = right;
    const float height = e.size.width == 0.0f && e.size.height == 0.0f ? frameArea.size.height : s.size.height;
    result.push_back(spanX(s.origin.x, endX, s.origin.y, height));
    return result;
}

void TextSelection::drawSelfInItem(TextItem* column, const Paint& paint)
{
    (void)paint;
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return;
    for (const kit::Rect& r : highlightRectsInItem(column))
        context->highlightRect(r);
}

void TextSelection::updateFontPanel()
{
    if (!flow_)
        return;
    FontAccessoryValues* accessory = StyleChar::fontAccessory(false);
    kit::FontManager& fontManager = kit::FontManager::sharedFontManager();

    // The style in force at a point, the point moved to where that style
    // begins: its entry, or the paragraph's start where the paragraph's own
    // style is in force. The walk back visits each run once.
    auto runBeginningAt = [this](textPoint* at) -> const StyleChar* {
        const StyleChar* run = flow_->styleCharAt(at);
        if (const TextParagraph* paragraph = flow_->paragraphAtIndex(at->paragraph);
            paragraph && run == paragraph->charStyle()) {
            at->word = 0;
            at->letter = 0;
        }
        return run;
    };

    textPoint p = end_;
    stepBackTextPoint(&p);
    const StyleChar* reference = runBeginningAt(&p);
    if (!reference)
        return;
    kit::Font* referenceFont = reference->font();
    kit::ColorRef color = reference->color();
    float leading = reference->leading();
    float tracking = reference->tracking();
    float wordSpace = reference->wordSpace();
    float vertical = reference->vertical();
    float condense = reference->condense();
    bool multiple = false;

    auto compare = [&](const StyleChar* run) {
        if (run->font() && run->font() != referenceFont)
            multiple = true;
        if (!accessory)
            return;
        auto equalOrMixed = [](float& value, float other) {
            if (value != StyleMixedValue && value != other)
                value = StyleMixedValue;
        };
        auto withinOneOrMixed = [](float& value, float other) {
            if (value != StyleMixedValue && differsByOne(value, other))
                value = StyleMixedValue;
        };
        equalOrMixed(leading, run->leading());
        equalOrMixed(wordSpace, run->wordSpace());
        withinOneOrMixed(tracking, run->tracking());
        withinOneOrMixed(vertical, run->vertical());
        withinOneOrMixed(condense, run->condense());
    };
    auto allMixed = [&] {
        return leading == StyleMixedValue && wordSpace == StyleMixedValue && tracking == StyleMixedValue &&
               vertical == StyleMixedValue && condense == StyleMixedValue;
    };

    while (TextPointCmp(&p, &start_) > 0 && p.paragraph >= 0) {
        if (multiple && (!accessory || allMixed()))
            break;
        stepBackTextPoint(&p);
        const StyleChar* run = runBeginningAt(&p);
        if (!run)
            break;
        compare(run);
    }

    // Typing goes on in the style at the start, past single-symbol letters.
    textPoint q = start_;
    const StyleChar* startStyle = flow_->styleCharAt(&q);
    while (startStyle && startStyle->isSingleSymbol() && q.paragraph >= 0) {
        stepBackTextPoint(&q);
        if (q.paragraph < 0)
            break;
        startStyle = flow_->styleCharAt(&q);
    }
    if (!startStyle)
        return;
    if (StyleChar* typing = flow_->charStyle())
        typing->takeCharStyleValuesFrom(startStyle);
    compare(startStyle);

    fontManager.setSelectedFont(startStyle->font(), multiple);
    if (!accessory)
        return;
    accessory->setColor(color);
    accessory->setNewLeading(leading);
    accessory->setNewTracking(tracking);
    accessory->setNewWordSpace(wordSpace);
    accessory->setNewVertical(vertical);
    accessory->setNewCondense(condense);
    accessory->setLangId(langId());
    accessory->setMessage(Main ? Main->valueForStringKey("SetFontSelection") : std::string("SetFontSelection"));
}
