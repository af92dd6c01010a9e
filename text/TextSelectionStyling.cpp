// Styling the selected text: every character style that holds over the
// selection changes, nothing beyond it, and a paragraph's own style never.

#include "text/TextSelection.h"

#include "core/Color.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/Font.h"
#include "text/TextDocument.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextPoint.h"
#include "text/TextWord.h"

#include <cmath>

namespace {

bool samePoint(const textPoint& a, const textPoint& b)
{
    return a.paragraph == b.paragraph && a.word == b.word && a.letter == b.letter;
}

bool after(const textPoint& a, const textPoint& b)
{
    if (a.paragraph != b.paragraph)
        return a.paragraph > b.paragraph;
    if (a.word != b.word)
        return a.word > b.word;
    return a.letter > b.letter;
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

} // namespace

bool TextSelection::walkRuns(const std::function<bool(const StyleChar*)>& needs,
                             const std::function<void(StyleChar*)>& change, bool copyAtEndAlways)
{
    if (!flow_ || isEmpty())
        return false;
    bool stored = false;
    textPoint p = end_;
    StyleChar* style = styleInForce(flow_, &p);
    if (style && (copyAtEndAlways || needs(style))) {
        // The text after the selection keeps the old value.
        if (!samePoint(p, end_)) {
            flow_->addCharStyle(style->copy(), &end_);
            stored = true;
        }
        // The selection's last run, found again: the copy may have taken the
        // place of the style found (a date or page number holds one style
        // for all that follows it).
        p = end_;
        stepBackTextPoint(&p);
        style = styleInForce(flow_, &p);
    }
    while (style && after(p, start_) && p.paragraph >= 0) {
        if (needs(style)) {
            if (p.word < 0) {
                // The paragraph's own style stays: a copy at its first letter changes instead.
                TextParagraph* paragraph = flow_->paragraphAtIndex(p.paragraph);
                TextWord* first = paragraph ? paragraph->firstWord() : nullptr;
                if (!first)
                    break;
                if (!first->styleAt(0)) {
                    first->addCharStyle(style->copy(), 0);
                    stored = true;
                }
                style = first->styleAt(0);
                p = textPoint{p.paragraph, 0, 0};
            }
            change(style);
        }
        stepBackTextPoint(&p);
        style = styleInForce(flow_, &p);
    }
    if (style && p.paragraph >= 0 && needs(style)) {
        textPoint at = start_;
        at.word = std::max(at.word, 0);
        if (p.word < 0 && (at.word > 0 || at.letter > 0)) {
            // The letters before the selection keep the paragraph's look in a
            // copy of their own, as the letters after it do.
            TextParagraph* paragraph = flow_->paragraphAtIndex(p.paragraph);
            if (TextWord* first = paragraph ? paragraph->firstWord() : nullptr)
                if (!first->styleAt(0)) {
                    first->addCharStyle(style->copy(), 0);
                    stored = true;
                }
        }
        if (!samePoint(p, at)) {
            flow_->addCharStyle(style->copy(), &at);
            stored = true;
            textPoint check = at;
            style = styleInForce(flow_, &check);
            if (!samePoint(check, at))
                return stored; // no word to store it in: never the paragraph's own style
        }
        change(style);
    }
    return stored;
}

void TextSelection::finishStyling(bool remeasure)
{
    if (!flow_)
        return;
    if (remeasure) {
        for (int i = start_.paragraph; i <= end_.paragraph; ++i)
            if (TextParagraph* paragraph = flow_->paragraphAtIndex(i)) {
                paragraph->setDirty(true);
                paragraph->recomputeAllWords();
            }
        if (TextParagraph* paragraph = flow_->paragraphAtIndex(start_.paragraph))
            paragraph->recompute();
    }
    if (flow_)
        flow_->markDocumentEdited();
}

void TextSelection::setFont(kit::Font* font, TextItem* item)
{
    (void)item;
    walkRuns([font](const StyleChar* s) { return s->font() != font; }, [font](StyleChar* s) { s->setFont(font); },
             false);
    finishStyling(true);
}

void TextSelection::setFontSize(float size, TextItem* item)
{
    (void)item;
    walkRuns([size](const StyleChar* s) { return std::trunc(s->pointSize() - size) != 0.0f; },
             [size](StyleChar* s) { s->setPointSize(size); }, false);
    finishStyling(true);
}

void TextSelection::changeTracking(float delta, TextItem* item)
{
    (void)item;
    walkRuns([](const StyleChar*) { return true; },
             [delta](StyleChar* s) { s->setTracking(s->tracking() + delta); }, true);
    finishStyling(true);
}

void TextSelection::changeVertical(float delta, TextItem* item)
{
    (void)item;
    walkRuns([delta](const StyleChar* s) { return delta != 0.0f || std::trunc(s->vertical()) != 0.0f; },
             [delta](StyleChar* s) { s->setVertical(delta == 0.0f ? 0.0f : s->vertical() + delta); }, false);
    finishStyling(true);
}

void TextSelection::modifyFontAttribute(unsigned short mask, bool enable, TextItem* item)
{
    (void)item;
    walkRuns(
        [mask, enable](const StyleChar* s) {
            const unsigned short present = s->special() & mask;
            return enable ? present != mask : present != 0;
        },
        [mask, enable](StyleChar* s) { s->modifyFontAttribute(mask, enable); }, false);
    finishStyling(true);
}

void TextSelection::setTextColor(const kit::ColorRef& color)
{
    const bool stored = walkRuns(
        [&color](const StyleChar* s) {
            if (!s->color() || !color)
                return s->color() != color;
            return !s->color()->isEqual(*color);
        },
        [&color](StyleChar* s) { s->setColor(color); }, false);
    // A colour changes no measure, but a style stored where a run is split
    // is the word's own now and may be taller than what it measured with.
    finishStyling(stored);
}

void TextSelection::changeFont(kit::Object* sender, TextItem* item)
{
    (void)item;
    // The accessory's values travel through each run's own changeFont; the
    // colour stays as it is (a font change must not recolour the text).
    walkRuns([](const StyleChar*) { return true; }, [sender](StyleChar* s) { s->changeFont(sender); }, true);
    finishStyling(true);
}

void TextSelection::setParagraphDefaultFont(kit::Font* font, TextItem* item)
{
    (void)font;
    if (!flow_)
        return;
    const textPoint start = start_, end = end_;
    for (int i = start.paragraph; i <= end.paragraph; ++i) {
        TextParagraph* paragraph = flow_->paragraphAtIndex(i);
        if (!paragraph)
            continue;
        if (i != start.paragraph)
            paragraph->firstTextPoint(&start_);
        if (i != end.paragraph)
            paragraph->lastTextPoint(&end_);
        else
            end_ = end;
        setFont(paragraph->font(), item);
        start_ = start;
        end_ = end;
    }
}

short TextSelection::langId() const
{
    if (samePoint(start_, end_) && endType_ != SelectionPara)
        return 0;
    bool first = true;
    short id = 0;
    walkWords([&](TextWord* word) {
        if (first) {
            id = word->langId();
            first = false;
        } else if (word->langId() != id) {
            id = 255;
            return false;
        }
        return true;
    });
    return id;
}

void TextSelection::setLangId(short id)
{
    if (id == 255 || (samePoint(start_, end_) && endType_ != SelectionPara))
        return;
    walkWords([id](TextWord* word) {
        if (word->langId() != id)
            word->setLangId(id);
        return true;
    });
}

void TextSelection::changeCaseWithTag(int tag)
{
    if (samePoint(start_, end_) || !flow_)
        return;
    const std::vector<TextWord*>* words = _buildWordList();
    if (!words || words->empty())
        return;
    const std::size_t n = words->size();
    for (std::size_t i = 0; i < n; ++i) {
        TextWord* word = (*words)[i];
        if (word->isSpecial())
            continue;
        if (i == 0)
            word->convertCase(tag, start_.letter, n == 1 ? end_.letter : word->length());
        else if (i == n - 1)
            word->convertCase(tag, 0, end_.letter);
        else if (word->length() > 0)
            word->convertCase(tag, 0, word->length());
    }
    for (TextParagraph* paragraph : paragraphList_)
        paragraph->setDirty(true);
    if (!paragraphList_.empty())
        paragraphList_.front()->recompute();
    if (flow_)
        flow_->markDocumentEdited();
}

TextParagraph* TextSelection::setStylePara(const StyleParagraph* style)
{
    if (!flow_ || !style)
        return nullptr;
    TextParagraph* last = nullptr;
    for (int i = start_.paragraph; i <= end_.paragraph; ++i)
        if (TextParagraph* paragraph = flow_->paragraphAtIndex(i)) {
            paragraph->setStyleParaAndUpdate(style, false);
            paragraph->setDirty(true);
            last = paragraph;
        }
    if (TextParagraph* paragraph = flow_->paragraphAtIndex(start_.paragraph))
        paragraph->recompute();
    return last;
}

TextParagraph* TextSelection::setRuler(const StyleParagraph* style)
{
    if (!flow_ || !style)
        return nullptr;
    TextParagraph* last = nullptr;
    for (int i = start_.paragraph; i <= end_.paragraph; ++i)
        if (TextParagraph* paragraph = flow_->paragraphAtIndex(i)) {
            paragraph->setRuler(style, false);
            paragraph->setDirty(true);
            last = paragraph;
        }
    if (TextParagraph* paragraph = flow_->paragraphAtIndex(start_.paragraph))
        paragraph->recompute();
    return last;
}

void TextSelection::localizeNamedParaStyle(StyleParagraphNamed* style)
{
    (void)style;
    if (!flow_)
        return;
    for (int i = start_.paragraph; i <= end_.paragraph; ++i)
        if (TextParagraph* paragraph = flow_->paragraphAtIndex(i))
            paragraph->localizeNamedParaStyle();
}
