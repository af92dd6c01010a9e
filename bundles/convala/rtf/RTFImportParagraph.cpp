// Paragraph formatting: alignment, spacing, line spacing, keep and widow
// settings, tab stops, indents, the program's own paragraph switches and
// bullets. A style changes itself and, when given one, a second style: the
// flow's typing style always, and the paragraph's own style while the caret
// is at the paragraph's start. Also the paragraph's step before a character
// is added, and the flows' last step after an import.

#include "bundles/convala/markup/RTFContext.h"
#include "bundles/convala/markup/ZynDispatchTable.h"
#include "bundles/convala/rtf/RTFImportMethods.h"

#include "document/LayoutDocument.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/Preferences.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/Font.h"
#include "graphics/FontManager.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"
#include "text/TextWordSpecial.h"

#include <algorithm>
#include <typeinfo>

namespace rtfimport {

namespace {

float clampedLength(int twips, float limit) { return std::clamp(points(twips), -limit, limit); }

float pageWidthOf(const ZynMarkupElement& element)
{
    RTFImportState* state = stateOf(element);
    const float width = state && state->document ? state->document->pageSize().width : 0.0f;
    return width > 0 ? width : RTFImportMethods::MaxPageSide;
}

void setSpacingBetween(StyleParagraph* style, float value)
{
    if (style && (style->spaceBetween() == 0 || style->spaceBetween() < value))
        style->setSpaceBetween(value);
}

void lineSpacing(StyleParagraph& style, StyleParagraph* second, int n, const ZynMarkupElement& element)
{
    ZynImportRun* run = runOf(element);
    RTFImportState* state = stateOf(element);
    StyleParagraph* styles[] = {&style, second};
    for (StyleParagraph* each : styles)
        if (each && each->charStyle())
            each->charStyle()->setLineSpacing(1.0f);
    if (n == 1000 || n == 0) {
        // No spacing is single spacing, not lines of no height.
        for (StyleParagraph* each : styles)
            if (each && each->charStyle())
                each->charStyle()->setLeading(StyleAutoLeading);
    } else if (n > 0) {
        if (n <= 79)
            n *= 20;
        n = std::min(n, int(RTFImportMethods::MaxPageSide * 20));
        for (StyleParagraph* each : styles)
            if (each && each->charStyle())
                each->charStyle()->setLeading(leadingFor(n, each->font(), state && state->wnFilter));
    } else {
        if (n > -80)
            n *= 20;
        n = std::max(n, -int(RTFImportMethods::MaxPageSide * 20));
        for (StyleParagraph* each : styles)
            if (each && each->charStyle())
                each->charStyle()->setLeading(float(-n) / 20.0f);
    }
    if (run)
        run->context().setLastLineSpacing(n);
}

void readParagraphStyle(StyleParagraph& style, StyleParagraph* second, ZynMarkupElement& element)
{
    const std::string& word = element.text();
    const int n = numberOf(element);
    StyleParagraph* styles[] = {&style, second};
    auto each = [&styles](auto&& change) {
        for (StyleParagraph* s : styles)
            if (s)
                change(*s);
    };
    if (word == "ql" || word == "qr" || word == "qc" || word == "qj") {
        const int alignment = word == "ql" ? 0 : word == "qr" ? 1 : word == "qc" ? 2 : 3;
        each([alignment](StyleParagraph& s) { s.setAlignment(alignment); });
    } else if (word == "sa" || word == "sb") {
        const float v = std::clamp(points(n), 0.0f, RTFImportMethods::MaxPageSide);
        const bool after = word == "sa";
        each([v, after](StyleParagraph& s) {
            if (after)
                s.setSpaceAfter(v);
            else
                s.setSpaceBefore(v);
            setSpacingBetween(&s, v);
        });
    } else if (word == "sl") {
        lineSpacing(style, second, n, element);
    } else if (word == "keep") {
        each([](StyleParagraph& s) { s.setWidowControl(-1); });
    } else if (word == "keepn") {
        each([](StyleParagraph& s) { s.setWidowControl(-2); });
    } else if (word == "pagebb") {
        each([](StyleParagraph& s) { s.setColumnStart(3); });
    } else if (word == "nowidctlpar") {
        each([](StyleParagraph& s) {
            if (s.widowControl() > 0)
                s.setWidowControl(0);
        });
    }
}

void readTabAndIndent(StyleParagraph& style, StyleParagraph* second, ZynMarkupElement& element)
{
    ZynImportRun* run = runOf(element);
    RTFImportState* state = stateOf(element);
    if (!run || !state || run->processingStyles())
        return;
    const std::string& word = element.text();
    const int n = numberOf(element);
    StyleParagraph* styles[] = {&style, second};
    if (word == "tqc") {
        state->pendingTabType = 1;
    } else if (word == "tqr") {
        state->pendingTabType = 2;
    } else if (word == "tqdec") {
        state->pendingTabType = 3;
    } else if (word == "tldot") {
        state->pendingTabLeader = '.';
    } else if (word == "tlhyph" || word == "tlth") {
        state->pendingTabLeader = '-';
    } else if (word == "tlul") {
        state->pendingTabLeader = '_';
    } else if (word == "tx") {
        const StyleTabStop tab{std::clamp(points(n), 0.0f, RTFImportMethods::MaxPageSide), state->pendingTabType,
                               state->pendingTabLeader};
        for (StyleParagraph* s : styles) {
            if (!s)
                continue;
            if (s->numTabs() >= RTFImportMethods::MaxTabStops)
                setLostData(element);
            else
                s->addTab(tab);
        }
        state->pendingTabType = 0;
        state->pendingTabLeader = 0;
    } else if (word == "fi" || word == "li" || word == "ri") {
        const float width = pageWidthOf(element);
        const float v = clampedLength(n, width);
        if (v != points(n))
            setLostData(element);
        for (StyleParagraph* s : styles) {
            if (!s)
                continue;
            if (word == "fi")
                s->setIndentDeltaFirst(v);
            else if (word == "li")
                s->setIndentLeft(v);
            else
                s->setIndentRight(v);
        }
    }
}

void readParagraphStyleOnly(StyleParagraph& style, ZynMarkupElement& element)
{
    readParagraphStyle(style, nullptr, element);
}

void readTabAndIndentOnly(StyleParagraph& style, ZynMarkupElement& element)
{
    readTabAndIndent(style, nullptr, element);
}

void readZynParagraphStyle(StyleParagraph& style, ZynMarkupElement& element)
{
    ZynDispatchTable* table = tableOf(element);
    const std::string& word = element.text();
    const int n = numberOf(element);
    if (word == "zynbullet") {
        if (!table)
            return;
        if (element.isIntroducer()) {
            auto bullet = std::make_unique<StyleBullet>();
            bullet->font = style.font();
            if (!bullet->font && Main && Main->preferences())
                bullet->font = Main->preferences()->bodyFont();
            bullet->color = kit::Color::blackColor();
            style.setBullet(std::move(bullet));
            registerList(*table, &style, "_readBulletInfo:", bulletKeywordList);
        } else if (element.isTerminator()) {
            unregisterList(*table, &style, bulletKeywordList);
        }
    } else if (word == "zynkern") {
        style.setAutoKern(n != 0);
    } else if (word == "zynhyph") {
        style.setHyphenate(n != 0);
    } else if (word == "zynlig") {
        style.setLigatures(n != 0);
    } else if (word == "zynhpunct") {
        style.setHungPunctuation(std::clamp(n, 0, 3));
    } else if (word == "zyncolstrt") {
        style.setColumnStart(short(std::clamp(n, 0, 3)));
    }
}

void readBullet(StyleParagraph& style, ZynMarkupElement& element)
{
    ZynImportRun* run = runOf(element);
    if (!run || !style.bullet())
        return;
    StyleBullet bullet = *style.bullet();
    const std::string& word = element.text();
    const int n = numberOf(element);
    const float v = clampedLength(n, RTFImportMethods::MaxPageSide);
    if (word == "f") {
        bullet.font = run->context().fontAtIndex(n < 0 ? n + 65536 : n);
    } else if (word == "fs") {
        if (bullet.font)
            if (kit::Font* font = kit::FontManager::sharedFontManager().convertFontToSize(
                    bullet.font, std::clamp(float(n) / 2.0f, 1.0f, RTFImportMethods::MaxFontSize)))
                bullet.font = font;
    } else if (word == "cf") {
        bullet.color = run->context().colorAtIndex(n);
    } else if (word == "zynbullwidth") {
        bullet.width = v;
    } else if (word == "zynbullx") {
        bullet.offset.x = v;
    } else if (word == "zynbully") {
        bullet.offset.y = v;
    } else if (word == "zyntext") {
        bullet.text = element.textValue();
    } else {
        return;
    }
    style.setBullet(std::make_unique<StyleBullet>(std::move(bullet)));
}

// ---- The flow's share: which styles take the word.

StyleParagraph* firstPointStyle(TextFlow& flow, const ZynMarkupElement& element)
{
    TextParagraph* paragraph = flow.currentParagraph();
    return paragraph && atParagraphStart(flow, element) ? paragraph->paragraphStyle() : nullptr;
}

void readFlowParagraphStyle(TextFlow& flow, ZynMarkupElement& element)
{
    if (flow.paragraphStyle())
        readParagraphStyle(*flow.paragraphStyle(), firstPointStyle(flow, element), element);
}

void readFlowTabAndIndent(TextFlow& flow, ZynMarkupElement& element)
{
    TextParagraph* paragraph = flow.currentParagraph();
    // Table cells keep their own ruler.
    if (!paragraph || typeid(*paragraph) != typeid(TextParagraph) || !flow.paragraphStyle())
        return;
    readTabAndIndent(*flow.paragraphStyle(), firstPointStyle(flow, element), element);
}

void readFlowZynParagraphStyle(TextFlow& flow, ZynMarkupElement& element)
{
    StyleParagraph* style = firstPointStyle(flow, element);
    if (style && !style->isBasedOnNamedStyle())
        readZynParagraphStyle(*style, element);
    else if (element.isTerminator() && element.text() == "zynbullet")
        // The group may have ended in another paragraph than it began.
        if (TextParagraph* paragraph = flow.currentParagraph())
            if (ZynDispatchTable* table = tableOf(element))
                unregisterList(*table, paragraph->paragraphStyle(), bulletKeywordList);
}

// Walks a style's references off the run's styles onto the sheet's.
void rebase(StyleParagraph* style, RTFContext& context, StyleInfo* sheet)
{
    if (!style)
        return;
    auto fromRun = [&context](const StyleParagraph* s) {
        return s && context.styleNumberFor(s) != RTFContext::NotFound;
    };
    auto named = [sheet](const StyleParagraph* s) -> StyleParagraphNamed* {
        if (!sheet || !s || !s->styleName())
            return nullptr;
        return dynamic_cast<StyleParagraphNamed*>(sheet->styleWithName(s->styleName(), sheet->paragraphStyles()));
    };
    if (fromRun(style->basedOnStyle()))
        style->setBasedOnStyle(named(style->basedOnStyle()));
    if (fromRun(style->nextParagraphStyle()))
        style->setNextParagraphStyle(named(style->nextParagraphStyle()));
}

} // namespace

void installParagraphHandlers()
{
    addHandler<StyleParagraph>("_readParagraphStyleInfo:", &readParagraphStyleOnly);
    addHandler<StyleParagraph>("_readTabAndIndentInfo:", &readTabAndIndentOnly);
    addHandler<StyleParagraph>("_readZynParagraphStyleInfo:", &readZynParagraphStyle);
    addHandler<StyleParagraph>("_readBulletInfo:", &readBullet);
    addHandler<TextFlow>("_readParagraphStyleInfo:", &readFlowParagraphStyle);
    addHandler<TextFlow>("_readTabAndIndentInfo:", &readFlowTabAndIndent);
    addHandler<TextFlow>("_readZynParagraphStyleInfo:", &readFlowZynParagraphStyle);
}

void adjustAtEndOfParagraph(StyleParagraph& style)
{
    style.setSpaceBetween(0);
    if (style.widowControl() == -1 || style.widowControl() == -2)
        style.setWidowControl(2);
}

} // namespace rtfimport

using namespace rtfimport;

void RTFImportMethods::resolveRTFStyleListFrom(TextFlow& flow, RTFContext& context)
{
    TextDocument* textDocument = flow.document();
    auto* document = dynamic_cast<LayoutDocument*>(textDocument);
    StyleInfo* sheet = document ? document->styleInfo() : nullptr;
    if (!context.styleList().empty()) {
        rebase(flow.paragraphStyle(), context, sheet);
        for (const auto& paragraph : flow.paragraphList())
            rebase(paragraph->paragraphStyle(), context, sheet);
    }
    const auto& paragraphs = flow.paragraphList();
    for (auto it = paragraphs.rbegin(); it != paragraphs.rend(); ++it)
        if ((*it)->dirty())
            (*it)->recomputeAllWords();
    flow.recomputeUnsettled(nullptr, false);
}

void RTFImportMethods::prepareForAddByte(TextParagraph& paragraph, char c)
{
    if (!paragraph.currentWord())
        paragraph.createCurrentWord();
    TextWord* special = paragraph.currentWord();
    if (!special->isSpecial())
        return;
    const bool lineEnd = c == 13 || c == 10;
    const bool pageBreak = special->isSpecialType(TextWordPageBreak);
    const bool dispatching = paragraph.flow() && paragraph.flow()->isDispatching();
    const bool before = (special->insertPoint() == 0 || (pageBreak && !lineEnd)) && (!dispatching || !pageBreak);
    const int at = paragraph.indexOfWord(special);
    auto newWord = [&paragraph]() {
        kit::Font* font = paragraph.paragraphStyle() && paragraph.paragraphStyle()->charStyle()
                              ? paragraph.paragraphStyle()->charStyle()->font()
                              : nullptr;
        return std::make_unique<TextWord>("", font);
    };
    if (before) {
        TextWord* previous = paragraph.previousWord(special);
        if (!previous || previous->isSpecial())
            previous = paragraph.insertWord(newWord(), std::max(at, 0));
        paragraph.setCurrentWord(previous);
        previous->setInsertToEnd();
        return;
    }
    TextWord* next = paragraph.nextWord(special);
    if (!next || next == special || next->isSpecial())
        next = paragraph.insertWord(newWord(), at >= 0 ? at + 1 : paragraph.wordCount());
    paragraph.setCurrentWord(next);
    next->setInsertToStart();
}
