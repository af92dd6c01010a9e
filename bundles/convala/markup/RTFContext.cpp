#include "bundles/convala/markup/RTFContext.h"

#include "app/Layvane.h"
#include "foundation/Preferences.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/Font.h"
#include "graphics/FontManager.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"

#include <bit>
#include <functional>

RTFContext::RTFContext() = default;
RTFContext::~RTFContext() = default;

void RTFContext::empty()
{
    emptyColorList();
    emptyFontList();
    emptyStyleList();
    charStyle_.reset();
    extension_.reset();
    lastLineSpacing_ = 0;
    lostDataDuringImport_ = false;
}

void RTFContext::emptyColorList()
{
    colorList_.clear();
    colorBuckets_.clear();
}

void RTFContext::emptyFontList()
{
    fontList_.clear();
    fontNumbers_.clear();
}

void RTFContext::emptyStyleList()
{
    styleList_.clear();
    styleNumbers_.clear();
    adoptedStyles_.clear();
}

// ---- Fonts.

std::string RTFContext::goodFamilyNameFor(const kit::Font* font)
{
    if (!font)
        return {};
    kit::FontManager& manager = kit::FontManager::sharedFontManager();
    kit::Font* plain = const_cast<kit::Font*>(font);
    plain = manager.convertFontToNotHaveTrait(plain, kit::BoldFontMask);
    plain = manager.convertFontToNotHaveTrait(plain, kit::ItalicFontMask);
    return plain ? plain->fontName() : font->fontName();
}

namespace {

kit::Font* plainTwelvePoint(const kit::Font* font)
{
    if (!font)
        return nullptr;
    kit::Font* plain = kit::Font::fontWithName(RTFContext::goodFamilyNameFor(font), 12.0f);
    return plain ? plain : kit::Font::fontWithName(font->fontName(), 12.0f);
}

} // namespace

void RTFContext::addFont(kit::Font* font, int atIndex)
{
    kit::Font* stored = font ? kit::Font::fontWithName(font->fontName(), 12.0f) : nullptr;
    if (!stored)
        return;
    if (auto old = fontList_.find(atIndex); old != fontList_.end()) {
        if (auto number = fontNumbers_.find(old->second); number != fontNumbers_.end() && number->second == atIndex)
            fontNumbers_.erase(number);
    }
    fontList_[atIndex] = stored;
    // The lowest number of a font stored twice answers for it.
    auto [it, added] = fontNumbers_.try_emplace(stored, atIndex);
    if (!added && atIndex < it->second)
        it->second = atIndex;
}

void RTFContext::addFontIfAbsent(kit::Font* font)
{
    kit::Font* plain = plainTwelvePoint(font);
    if (!plain || fontNumbers_.contains(plain))
        return;
    addFont(plain, static_cast<int>(fontList_.size()));
}

int RTFContext::fontNumberFor(const kit::Font* font) const
{
    const kit::Font* plain = plainTwelvePoint(font);
    if (!plain)
        return NotFound;
    const auto it = fontNumbers_.find(plain);
    return it == fontNumbers_.end() ? NotFound : it->second;
}

kit::Font* RTFContext::fontAtIndex(int index) const
{
    if (const auto it = fontList_.find(index); it != fontList_.end())
        return it->second;
    return Main && Main->preferences() ? Main->preferences()->bodyFont() : nullptr;
}

// ---- Colours.

std::size_t RTFContext::colorKey(const kit::Color& color)
{
    float c[4] = {0, 0, 0, 0};
    switch (color.space()) {
    case kit::Color::Space::Gray:
        c[0] = color.whiteComponent();
        break;
    case kit::Color::Space::RGB:
        color.getRed(c[0], c[1], c[2]);
        break;
    case kit::Color::Space::CMYK:
        color.getCyan(c[0], c[1], c[2], c[3]);
        break;
    }
    std::size_t key = std::hash<int>{}(static_cast<int>(color.space()));
    for (float f : {c[0], c[1], c[2], c[3], color.alphaComponent()})
        key = key * 1000003u ^ std::hash<std::uint32_t>{}(std::bit_cast<std::uint32_t>(f + 0.0f));
    return key;
}

void RTFContext::addColor(const kit::ColorRef& color)
{
    if (!color)
        return;
    colorBuckets_[colorKey(*color)].push_back(static_cast<int>(colorList_.size()));
    colorList_.push_back(color);
}

void RTFContext::addColorIfAbsent(const kit::ColorRef& color)
{
    if (color && colorNumberFor(color) == NotFound)
        addColor(color);
}

int RTFContext::colorNumberFor(const kit::ColorRef& color) const
{
    if (!color)
        return NotFound;
    const auto bucket = colorBuckets_.find(colorKey(*color));
    if (bucket == colorBuckets_.end())
        return NotFound;
    for (auto it = bucket->second.rbegin(); it != bucket->second.rend(); ++it)
        if (colorList_[std::size_t(*it)]->isEqual(*color))
            return *it;
    return NotFound;
}

kit::ColorRef RTFContext::colorAtIndex(int index) const
{
    if (index < 0 || std::size_t(index) >= colorList_.size())
        return kit::Color::colorWithDeviceCyan(0, 0, 0, 1, 1);
    return colorList_[std::size_t(index)];
}

// ---- Styles.

void RTFContext::addStyle(StyleParagraph* style, int atIndex)
{
    if (!style)
        return;
    if (auto old = styleList_.find(atIndex); old != styleList_.end()) {
        if (auto number = styleNumbers_.find(old->second); number != styleNumbers_.end() && number->second == atIndex)
            styleNumbers_.erase(number);
    }
    styleList_[atIndex] = style;
    auto [it, added] = styleNumbers_.try_emplace(style, atIndex);
    if (!added && atIndex < it->second)
        it->second = atIndex;
}

void RTFContext::adoptStyle(std::unique_ptr<StyleParagraph> style, int atIndex)
{
    if (!style)
        return;
    addStyle(style.get(), atIndex);
    adoptedStyles_.push_back(std::move(style));
}

void RTFContext::addStyleIfAbsent(StyleParagraph* style)
{
    if (style && !styleNumbers_.contains(style))
        addStyle(style, static_cast<int>(styleList_.size()) + 1);
}

StyleParagraph* RTFContext::styleAtIndex(int index) const
{
    const auto it = styleList_.find(index);
    return it == styleList_.end() ? nullptr : it->second;
}

int RTFContext::styleNumberFor(const StyleParagraph* style) const
{
    const auto it = style ? styleNumbers_.find(style) : styleNumbers_.end();
    return it == styleNumbers_.end() ? NotFound : it->second;
}

// ---- Lists for an export.

namespace {

void addStyleParts(RTFContext& context, const StyleParagraph* style)
{
    context.addColorIfAbsent(style->color());
    context.addFontIfAbsent(style->font());
    if (style->bullet()) {
        context.addColorIfAbsent(style->bulletColor());
        context.addFontIfAbsent(style->bulletFont());
    }
}

} // namespace

void RTFContext::buildListsFromParagraphs(const TextParagraph* paragraph)
{
    StyleParagraph* style = paragraph ? paragraph->paragraphStyle() : nullptr;
    if (!style)
        return;
    addStyleParts(*this, style);
    if (style->isNamedStyle())
        addStyleIfAbsent(style);
    if (style->basedOnStyle())
        addStyleIfAbsent(style->basedOnStyle());
    if (style->nextParagraphStyle())
        addStyleIfAbsent(style->nextParagraphStyle());
    // Only the words that hold styles (the paragraph keeps an index of them):
    // a long document's other words are not touched twice.
    for (int w = paragraph->lastStyledWordAtOrBefore(paragraph->wordCount() - 1); w >= 0;
         w = paragraph->lastStyledWordAtOrBefore(w - 1))
        buildListsFromWords(paragraph->wordAtIndex(w));
}

void RTFContext::buildListsFromWords(const TextWord* word)
{
    const std::vector<std::unique_ptr<StyleChar>>* styles = word ? word->theStyles() : nullptr;
    if (!styles)
        return;
    const std::size_t last = std::min(styles->size(), std::size_t(word->textLength()) + 1);
    for (std::size_t i = 0; i < last; ++i) {
        if (const StyleChar* style = (*styles)[i].get()) {
            addFontIfAbsent(style->font());
            addColorIfAbsent(style->color());
        }
    }
}

void RTFContext::buildStylesheetFrom(const std::vector<StyleParagraph*>& styles)
{
    for (StyleParagraph* style : styles) {
        if (!style)
            continue;
        addStyleIfAbsent(style);
        addStyleParts(*this, style);
    }
}

// ---- The rest.

void RTFContext::setCharStyle(const StyleChar* style)
{
    charStyle_ = style ? style->copy() : nullptr;
}

void RTFContext::setExtension(const std::optional<std::string>& extension)
{
    if (extension_ != extension)
        extension_ = extension;
}
