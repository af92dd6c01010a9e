// Character formatting: a chain of three handlers. The flow saves its
// typing format at a group that begins with a character word and gives it
// back at the group's end, and passes the word to its typing style and, at
// a paragraph's start, to the paragraph's own style; a paragraph style
// notes what a style definition sets and passes the word on; the
// character style makes the change.

#include "bundles/convala/markup/RTFContext.h"
#include "bundles/convala/rtf/RTFImportMethods.h"

#include "foundation/ApplicationDelegate.h"
#include "foundation/Preferences.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "graphics/FontManager.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"

#include <algorithm>
#include <cmath>

namespace rtfimport {

float leadingFor(int spacingTwips, const kit::Font* font, bool wnFilter)
{
    const float wanted = float(spacingTwips) / 20.0f;
    // A style without a font yet is measured in the body font.
    if (!font && Main && Main->preferences())
        font = Main->preferences()->bodyFont();
    const float natural = font ? font->naturalHeight() : 0.0f;
    if (natural < wanted)
        return StyleAutoLeading + wanted - natural;
    return wnFilter ? StyleAutoLeading - 1.0f : StyleAutoLeading;
}

namespace {

kit::Font* bodyFont()
{
    return Main && Main->preferences() ? Main->preferences()->bodyFont() : nullptr;
}

// A switch without a number is on; with one, on unless 0.
bool switchOf(const ZynMarkupElement& element) { return !element.hasValue() || element.intValue() != 0; }

void changeFamily(StyleChar& style, const ZynMarkupElement& element, RTFContext& context)
{
    int number = numberOf(element);
    if (number < 0)
        number += 65536;
    kit::Font* tableFont = context.fontAtIndex(number);
    if (!tableFont)
        return;
    kit::Font* current = style.font();
    if (!current) {
        style.setFont(tableFont);
        return;
    }
    if (current->familyName().empty() || tableFont->familyName().empty())
        return;
    auto& fm = kit::FontManager::sharedFontManager();
    kit::Font* font = fm.convertFontToFamily(current, tableFont->familyName());
    if (!font || font == current) {
        font = kit::Font::fontWithName(tableFont->fontName(), current->pointSize());
        if (!font)
            return;
    }
    // The type style stays what the style says, whatever the family.
    if (style.special() & StyleItalicFlag)
        if (kit::Font* italic = fm.convertFontToHaveTrait(font, kit::ItalicFontMask))
            font = italic;
    if (style.special() & StyleBoldFlag)
        if (kit::Font* bold = fm.convertFontToHaveTrait(font, kit::BoldFontMask))
            font = bold;
    style.setFont(font);
}

void readCharStyle(StyleChar& style, ZynMarkupElement& element)
{
    ZynImportRun* run = runOf(element);
    if (!run)
        return;
    const std::string& word = element.text();
    const int n = numberOf(element);
    if (word == "f") {
        // Text that follows is read in this font's character set.
        if (RTFImportState* state = stateOf(element); state && !element.isTerminator())
            state->decoder.selectFont(n < 0 ? n + 65536 : n);
        changeFamily(style, element, run->context());
    } else if (word == "fs") {
        const float size = std::clamp(float(n) / 2.0f, 1.0f, RTFImportMethods::MaxFontSize);
        if (float(n) / 2.0f != size && element.hasValue())
            setLostData(element);
        kit::Font* base = style.font() ? style.font() : bodyFont();
        if (kit::Font* font = base ? kit::FontManager::sharedFontManager().convertFontToSize(base, size) : nullptr)
            style.setFont(font);
    } else if (word == "b") {
        style.setBoldface(switchOf(element));
    } else if (word == "i") {
        style.setItalic(switchOf(element));
    } else if (word == "cf") {
        style.setColor(run->context().colorAtIndex(n));
    } else if (word == "ul" || word == "uld") {
        style.setUnderline(switchOf(element));
    } else if (word == "ulw") {
        style.setWordUnderline(switchOf(element));
    } else if (word == "uldb") {
        style.setDoubleUnderline(switchOf(element));
    } else if (word == "ulnone") {
        style.setUnderline(false);
        style.setWordUnderline(false);
        style.setDoubleUnderline(false);
    } else if (word == "plain") {
        kit::Font* font = style.font();
        style.setDefaultValues();
        style.setFont(font);
        style.setBoldface(false);
        style.setItalic(false);
    } else if (word == "up") {
        style.setVertical(std::clamp(float(n) / 2.0f, -RTFImportMethods::MaxFontSize, RTFImportMethods::MaxFontSize));
    } else if (word == "dn") {
        style.setVertical(std::clamp(-float(n) / 2.0f, -RTFImportMethods::MaxFontSize, RTFImportMethods::MaxFontSize));
    } else if (word == "revised") {
        style.setRedline(switchOf(element));
    } else if (word == "strike") {
        style.setStrikeout(switchOf(element));
    } else if (word == "scaps") {
        style.setSmallCaps(switchOf(element));
    } else if (word == "outl") {
        style.setOutline(switchOf(element));
    } else if (word == "shad") {
        style.setShadow(switchOf(element));
    } else if (word == "expnd") {
        style.setTracking(std::clamp(float(n) / 4.0f, -RTFImportMethods::MaxFontSize, RTFImportMethods::MaxFontSize));
    }
}

void readParagraphCharStyle(StyleParagraph& style, ZynMarkupElement& element)
{
    const std::string& word = element.text();
    if (StyleParagraph::forceParagraphStyleDefinitions() && (word == "f" || word == "fs" || word == "b" || word == "i"))
        style.setDefinedFlags(style.definedFlags() | 3);
    if (StyleChar* charStyle = style.charStyle())
        readCharStyle(*charStyle, element);
}

void readFlowCharStyle(TextFlow& flow, ZynMarkupElement& element)
{
    ZynImportRun* run = runOf(element);
    RTFImportState* state = stateOf(element);
    if (!run || !state || !flow.paragraphStyle())
        return;
    auto& stack = run->charStyleStack();
    if (element.text() == ZynGroupKeyword) {
        // A group read on past a word nobody reads: its format ends with it.
        if (element.isIntroducer())
            stack.push_back(savedTypingStyle(flow));
        else if (element.isTerminator())
            restoreTypingStyle(flow, *run);
        return;
    }
    if (element.isTerminator()) {
        if (!stack.empty()) {
            if (StyleChar* typing = flow.charStyle())
                typing->takeCharStyleValuesFrom(stack.back().get());
            stack.pop_back();
        }
        return;
    }
    if (element.isIntroducer())
        stack.push_back(savedTypingStyle(flow));
    StyleParagraph& typing = *flow.paragraphStyle();
    const kit::Font* typingBefore = typing.font();
    readParagraphCharStyle(typing, element);
    // A list number's format is its own, not the paragraph's.
    TextParagraph* paragraph = flow.currentParagraph();
    if (!paragraph || !paragraph->paragraphStyle() || !paragraph->isCurrentAtLogicalFirstPoint() ||
        state->listTextDepth > 0)
        return;
    StyleParagraph& own = *paragraph->paragraphStyle();
    const kit::Font* before = own.font();
    readParagraphCharStyle(own, element);
    // At a paragraph's start an exact line spacing read before the font
    // is made again for the new font, each style for its own font.
    const int spacing = run->context().lastLineSpacing();
    if (spacing <= 0 || spacing == 1000)
        return;
    if (kit::Font* after = own.font(); after && after != before)
        own.setLeading(leadingFor(spacing, after, state->wnFilter));
    if (kit::Font* after = typing.font(); after && after != typingBefore)
        typing.setLeading(leadingFor(spacing, after, state->wnFilter));
}

} // namespace

std::unique_ptr<StyleChar> savedTypingStyle(const TextFlow& flow)
{
    const StyleChar* typing = flow.charStyle();
    std::unique_ptr<StyleChar> saved = typing ? typing->copy() : std::make_unique<StyleChar>();
    // A typing style without a font types in the paragraph's: that is the
    // font to go back to.
    if (!saved->font()) {
        const TextParagraph* paragraph = flow.currentParagraph();
        saved->setFont(paragraph && paragraph->font() ? paragraph->font() : bodyFont());
    }
    return saved;
}

void restoreTypingStyle(TextFlow& flow, ZynImportRun& run)
{
    auto& stack = run.charStyleStack();
    if (stack.empty())
        return;
    const StyleChar& saved = *stack.back();
    if (StyleChar* current = flow.charStyle())
        current->takeCharStyleValuesFrom(&saved);
    // While nothing has been written into the paragraph, its own format is
    // the one the group set: that goes back too, with the format the
    // paragraph end carried over.
    TextParagraph* paragraph = flow.currentParagraph();
    if (paragraph && paragraph->isCurrentAtLogicalFirstPoint() && paragraph->paragraphStyle() &&
        paragraph->paragraphStyle()->charStyle()) {
        paragraph->paragraphStyle()->charStyle()->takeCharStyleValuesFrom(&saved);
        if (TextWord* word = paragraph->currentWord(); word && word->length() == 0 && word->hasStyles())
            word->addCharStyle(saved.copy(), 0);
    }
    stack.pop_back();
}

void installCharacterHandlers()
{
    addHandler<StyleChar>("_readCharacterStyleInfo:", &readCharStyle);
    addHandler<StyleParagraph>("_readCharacterStyleInfo:", &readParagraphCharStyle);
    addHandler<TextFlow>("_readCharacterStyleInfo:", &readFlowCharStyle);
}

} // namespace rtfimport
