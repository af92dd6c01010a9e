#include "text/TextParagraph.h"

#include "foundation/Border.h"
#include "foundation/FontAccessoryValues.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/Font.h"
#include "graphics/FontManager.h"
#include "foundation/ApplicationDelegate.h"
#include "text/TextFlow.h"
#include "text/TextPanels.h"
#include "text/TextWord.h"

#include <array>

namespace {

constexpr int FontBits = StyleFontMask | StyleSizeMask;
constexpr int KeepWithNext = -2;
// The font accessory's marker for a field that shows mixed values.
constexpr float MixedValue = -1234.0f;

bool sameColor(const kit::ColorRef& a, const kit::ColorRef& b)
{
    return a && b && (a == b || a->isEqual(*b));
}

// A paragraph changed through an update call shows in the paragraph
// inspector while that is on screen.
void refreshInspector(TextParagraph* paragraph)
{
    ParagraphInspectorPanel* inspector = Main ? Main->paragraphInspectorPanel() : nullptr;
    if (inspector && inspector->paragraphPanelIsVisible())
        inspector->updateFromParagraph(paragraph);
}

// Tracking and condense count as equal when they differ by less than one.
bool nearlyEqual(float a, float b) { return int(a - b) == 0; }

// A face of family with the traits, or the nearest the family has: italic
// goes first, then bold, then both; nil when the family has no face at all.
kit::Font* fontInFamily(const std::string& family, int traits, int weight, float size)
{
    const kit::FontManager& manager = kit::FontManager::sharedFontManager();
    const int italic = traits & kit::ItalicFontMask;
    const int bold = traits & kit::BoldFontMask;
    const std::array<std::pair<bool, int>, 5> tries{{{true, traits},
                                                      {italic != 0, traits & ~kit::ItalicFontMask},
                                                      {bold != 0, traits & ~kit::BoldFontMask},
                                                      {(italic | bold) != 0, traits & ~(italic | bold)},
                                                      {true, 0}}};
    for (const auto& [applies, t] : tries)
        if (applies)
            if (kit::Font* font = manager.fontWithFamily(family, t, weight, size))
                return font;
    return nullptr;
}

} // namespace

// ---- Taking a style.

void TextParagraph::setStyleParaAndUpdate(const StyleParagraph* style, bool update)
{
    setStylePara(style, true, true);
    if (update)
        refreshInspector(this);
}

void TextParagraph::setStylePara(const StyleParagraph* style, bool blowAwayFonts, bool recompute)
{
    if (!style)
        return;
    kit::Font* oldFont = paragraphStyle_->font();
    kit::Font* newFont = style->font();
    bool fontChanged = false;
    if (blowAwayFonts && newFont) {
        fontChanged = oldFont && oldFont != newFont;
        if (!fontChanged && flow_) {
            textPoint tp{};
            setTextPoint(&tp, index(), 0, 0);
            const StyleChar* inForce = flow_->styleCharAt(&tp);
            fontChanged = inForce && inForce->font() != newFont;
        }
    }
    const short oldLevel = paragraphStyle_->autonumberLevel();
    const short oldWidow = paragraphStyle_->widowControl();
    const StyleChar* chars = paragraphStyle_->charStyle();
    const std::unique_ptr<StyleChar> oldChars = chars ? chars->copy() : nullptr;
    if (const auto* named = dynamic_cast<const StyleParagraphNamed*>(style))
        named->pushStyleValuesOn(paragraphStyle_.get(), blowAwayFonts);
    else
        paragraphStyle_->takeStyleValuesFrom(style);
    const short newLevel = paragraphStyle_->autonumberLevel();
    if (newLevel != oldLevel) {
        // setAutonumberLevel adds or removes the number word only on a change.
        const int flags = paragraphStyle_->definedFlags();
        paragraphStyle_->setAutonumberLevel(oldLevel);
        paragraphStyle_->setDefinedFlags(flags);
        setAutonumberLevel(newLevel);
        paragraphStyle_->setDefinedFlags(flags);
        if (flow_)
            flow_->recomputeAutonumberingFrom(index());
    }
    if (fontChanged)
        setFont(newFont, oldFont, false);
    // Words without styles of their own are measured in the paragraph's
    // character style: one that now measures otherwise measures them anew
    // (setFont does not when the style already took the font).
    if (oldChars && (oldChars->differencesFromStyle(paragraphStyle_->charStyle()) & ~StyleColorMask) != 0)
        recomputeAllWords();
    const short newWidow = paragraphStyle_->widowControl();
    if (newWidow != oldWidow && (oldWidow == KeepWithNext || newWidow == KeepWithNext))
        dirtyKeptTogether();
    if (recompute)
        this->recompute();
}

void TextParagraph::setRuler(const StyleParagraph* style, bool update)
{
    if (!style)
        return;
    paragraphStyle_->takeRulerFrom(style);
    recompute();
    if (update)
        refreshInspector(this);
}

// ---- Rebasing.

void TextParagraph::setBasedOnStyle(StyleParagraph* style)
{
    const bool wasForced = StyleParagraph::forceParagraphStyleDefinitions();
    StyleParagraph::setForceParagraphStyleDefinitions(true);
    try {
        paragraphStyle_->setBasedOnStyle(style);
        convertStyleAttributes(style);
    } catch (...) {
        StyleParagraph::setForceParagraphStyleDefinitions(wasForced);
        throw;
    }
    StyleParagraph::setForceParagraphStyleDefinitions(wasForced);
}

void TextParagraph::localizeNamedParaStyle()
{
    paragraphStyle_->setBasedOnStyle(nullptr);
    paragraphStyle_->setNextParagraphStyle(nullptr);
}

void TextParagraph::removeStyleReference(const StyleParagraph* style)
{
    if (!style)
        return;
    if (paragraphStyle_->basedOnStyle() == style)
        localizeNamedParaStyle();
    if (paragraphStyle_->nextParagraphStyle() == style)
        paragraphStyle_->setNextParagraphStyle(nullptr);
}

void TextParagraph::recomputeIfParagraphStyle(const StyleParagraph* style)
{
    if (!style || style != paragraphStyle_.get())
        return;
    recomputeAllWords();
    setDirty(true);
}

void TextParagraph::walkWordsForObject(const std::function<void(TextWord*)>& performSelector) const
{
    if (!performSelector)
        return;
    for (const auto& word : wordList_)
        performSelector(word.get());
}

void TextParagraph::convertStyleAttributes(const StyleParagraph* newBase)
{
    if (!newBase || !paragraphStyle_->isBasedOnStyle(newBase))
        return;
    const int nd = newBase->definedFlags();
    const int od = paragraphStyle_->definedFlags();
    const bool force = StyleParagraph::forceParagraphStyleDefinitions();
    auto taken = [&](int mask) { return (nd & mask) && (force || !(od & mask)); };

    const bool redo = taken(StyleTypesettingMask) && newBase->ligatures() != paragraphStyle_->ligatures();
    if (taken(StyleAutonumberMask) && newBase->autonumberLevel() != autonumberLevel())
        setAutonumberLevel(newBase->autonumberLevel());
    const StyleChar* oc = paragraphStyle_->charStyle();
    const StyleChar* nc = newBase->charStyle();
    // Kept: the font change below and the push replace the base's values.
    const std::unique_ptr<StyleChar> oldBase = oc->copy();
    if (taken(FontBits) && nc->font() != oc->font())
        setFont(nc->font(), oc->font(), false);
    int take = 0;
    for (int mask : {StyleColorMask, StyleTrackingMask, StyleCondenseMask})
        if (taken(mask))
            take |= mask;
    followCharacterStyles(oldBase.get(), nc, take);
    newBase->pushStyleValuesOn(paragraphStyle_.get(), force);
    // Ligatures are redone for the setting the style now has; redone before
    // it, they would be redone for the old one and stay as they were.
    if (redo)
        redoLigatures(newBase->ligatures());
    setDirty(true);
    if (nd & StyleWidowControlMask)
        dirtyKeptTogether();
}

void TextParagraph::modifyStyleAttributes(const StyleParagraph* definition)
{
    if (!definition)
        return;
    const int dm = definition->definedFlags();
    if (dm & StyleAutonumberMask) {
        setAutonumberLevel(definition->autonumberLevel());
    } else {
        if ((dm & StyleTypesettingMask) && definition->ligatures() != paragraphStyle_->ligatures())
            redoLigatures(definition->ligatures());
        const std::unique_ptr<StyleChar> oldBase = paragraphStyle_->charStyle()->copy();
        if (dm & FontBits)
            setFont(definition->charStyle()->font(), oldBase->font(), false);
        followCharacterStyles(oldBase.get(), definition->charStyle(),
                              StyleColorMask | StyleTrackingMask | StyleCondenseMask);
    }
    setDirty(true);
    if (dm & StyleWidowControlMask)
        dirtyKeptTogether();
}

void TextParagraph::redoLigatures(bool ligatures)
{
    // Words read the setting from the style; giving it to the style here
    // must not make it a local definition.
    const int flags = paragraphStyle_->definedFlags();
    paragraphStyle_->setLigatures(ligatures);
    paragraphStyle_->setDefinedFlags(flags);
    for (const auto& word : wordList_)
        word->adjustLigaturesFrom(0, TextWord::WholeWord);
}

void TextParagraph::followCharacterStyles(const StyleChar* oldBase, const StyleChar* newBase, int take)
{
    if (!oldBase || !newBase || !take)
        return;
    for (const auto& word : wordList_) {
        if (!word->hasStyles())
            continue;
        auto& styles = word->createStylesIfNeeded();
        const std::size_t last = std::min<std::size_t>(std::size_t(word->textLength()), styles.size() - 1);
        for (std::size_t i = 0; i <= last; ++i) {
            StyleChar* c = styles[i].get();
            if (!c)
                continue;
            if ((take & StyleColorMask) && sameColor(c->color(), oldBase->color()))
                c->setColor(newBase->color());
            if ((take & StyleTrackingMask) && nearlyEqual(c->tracking(), oldBase->tracking()))
                c->setTracking(newBase->tracking());
            if ((take & StyleCondenseMask) && nearlyEqual(c->condense(), oldBase->condense()))
                c->setCondense(newBase->condense());
        }
    }
}

// ---- The base font.

void TextParagraph::setFont(kit::Font* font, kit::Font* oldFont, bool update)
{
    StyleChar* base = paragraphStyle_->charStyle();
    if (!oldFont)
        oldFont = base->font();
    if (!font || font == oldFont) {
        setDirty(true);
        if (update)
            refreshInspector(this);
        return;
    }
    kit::FontManager& manager = kit::FontManager::sharedFontManager();
    const std::string oldFamily = oldFont ? oldFont->familyName() : std::string();
    const float oldSize = oldFont ? oldFont->pointSize() : 0.0f;
    const std::string& newFamily = font->familyName();
    const float newSize = font->pointSize();
    const bool sameFamily = oldFont && oldFamily == newFamily;
    const bool sizeChanged = newSize != oldSize;

    base->setFont(font);
    if (update)
        manager.setSelectedFont(font, false);

    for (const auto& word : wordList_) {
        if (!word->hasStyles())
            continue;
        auto& styles = word->createStylesIfNeeded();
        const int last = std::min<int>(word->textLength(), int(styles.size()) - 1);
        for (int i = last; i >= 0; --i) {
            StyleChar* c = styles[std::size_t(i)].get();
            if (!c || c->isSingleSymbol())
                continue;
            kit::Font* current = c->font();
            if (current == oldFont) {
                c->setFont(font);
                continue;
            }
            if (!current)
                continue;
            const int traits = manager.traitsOfFont(current);
            const int weight = manager.weightOfFont(current);
            const float size = current->pointSize();
            const bool followsSize = sizeChanged && size == oldSize;
            kit::Font* replacement = nullptr;
            if (sameFamily) {
                if (followsSize)
                    replacement = manager.fontWithFamily(current->familyName(), traits, weight, newSize);
            } else if (oldFont && current->familyName() == oldFamily) {
                replacement = fontInFamily(newFamily, traits, weight, followsSize ? newSize : size);
            }
            if (replacement)
                c->setFont(replacement);
        }
    }
    recomputeAllWords();
    setDirty(true);
    if (update)
        refreshInspector(this);
}

void TextParagraph::changeFont(kit::Object* sender, TextItem* item)
{
    (void)sender;
    (void)item;
    StyleChar* base = paragraphStyle_->charStyle();
    if (const FontAccessoryValues* accessory = StyleChar::fontAccessory(true)) {
        const float condense = accessory->condense();
        if (condense != 0.0f && condense != MixedValue)
            base->setCondense(condense);
    }
    if (!base->font())
        return;
    base->setFont(kit::FontManager::sharedFontManager().convertFont(base->font()));
    const float condense = base->condense() == 0.0f || base->condense() == MixedValue ? 1.0f : base->condense();
    base->setWordSpace(base->font()->widthOfString(" ") * condense + base->tracking());
}

float TextParagraph::topBorderWidth() const
{
    const Border* border = paragraphStyle_->border();
    return border ? border->topWidth() : 0.0f;
}

// ---- Keep-together runs.

void TextParagraph::dirtyKeptTogether()
{
    findFirstParagraphToKeepTogether(this, true);
    if (!flow_)
        return;
    // The paragraph that ends the run this one belongs to decides whether
    // the run moves on: it is laid out again, and the run with it.
    for (TextParagraph* next = flow_->nextParagraph(this); next; next = flow_->nextParagraph(next)) {
        next->setDirty(true);
        if (next->paragraphStyle()->widowControl() != KeepWithNext)
            break;
    }
}

TextParagraph* TextParagraph::findFirstParagraphToKeepTogether(TextParagraph* paragraph, bool setDirty)
{
    if (!paragraph || !paragraph->flow_)
        return paragraph;
    const TextFlow* flow = paragraph->flow_;
    const int at = paragraph->index();
    int first = at;
    while (first > 0) {
        const TextParagraph* before = flow->paragraphAtIndex(first - 1);
        if (!before || before->paragraphStyle()->widowControl() != KeepWithNext)
            break;
        --first;
    }
    TextParagraph* start = flow->paragraphAtIndex(first);
    if (!start || start->firstY() == 0)
        return paragraph;
    if (setDirty)
        for (int i = first == 0 ? 1 : first; i < at; ++i)
            flow->paragraphAtIndex(i)->setDirty(true);
    return start;
}
