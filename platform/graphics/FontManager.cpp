#include "graphics/FontManager.h"

#include "graphics/Font.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kit {

namespace {

constexpr int StyleTraits = ItalicFontMask | BoldFontMask;
constexpr int NormalWeight = 5;
constexpr int BoldWeight = 9;

std::vector<FontFaceInfo> membersOf(const std::string& family)
{
    std::vector<FontFaceInfo> members;
    for (FontFaceInfo& f : Font::availableFaces())
        if (f.familyName == family)
            members.push_back(std::move(f));
    std::sort(members.begin(), members.end(), [](const FontFaceInfo& a, const FontFaceInfo& b) {
        return std::tie(a.weight, a.traits, a.fontName) < std::tie(b.weight, b.traits, b.fontName);
    });
    return members;
}

} // namespace

FontManager& FontManager::sharedFontManager()
{
    static FontManager* manager = new FontManager;
    return *manager;
}

int FontManager::traitsOfFont(const Font* font) const
{
    return font ? font->traits() : 0;
}

int FontManager::weightOfFont(const Font* font) const
{
    return font ? font->weight() : 0;
}

std::vector<std::string> FontManager::availableFonts() const
{
    std::vector<std::string> names;
    for (const FontFaceInfo& f : Font::availableFaces())
        names.push_back(f.fontName);
    return names;
}

std::vector<std::string> FontManager::availableFontFamilies() const
{
    std::vector<std::string> families;
    for (const FontFaceInfo& f : Font::availableFaces())
        families.push_back(f.familyName);
    std::sort(families.begin(), families.end());
    families.erase(std::unique(families.begin(), families.end()), families.end());
    return families;
}

std::vector<FontFaceInfo> FontManager::availableMembersOfFontFamily(const std::string& family) const
{
    return membersOf(family);
}

Font* FontManager::fontWithFamily(const std::string& family, int traits, int weight, float size) const
{
    if (!std::isfinite(size) || size <= 0)
        return nullptr;
    std::vector<FontFaceInfo> members = membersOf(family);
    std::erase_if(members, [&](const FontFaceInfo& m) { return (m.traits & StyleTraits) != (traits & StyleTraits); });
    // Members come lightest first and the sort is stable, so of two equally
    // near the lighter wins.
    std::stable_sort(members.begin(), members.end(), [&](const FontFaceInfo& a, const FontFaceInfo& b) {
        return std::abs(a.weight - weight) < std::abs(b.weight - weight);
    });
    // A listed face whose metrics turn out damaged gives way to the next.
    for (const FontFaceInfo& m : members)
        if (Font* f = Font::fontWithName(m.fontName, size))
            return f;
    return nullptr;
}

Font* FontManager::convertFontToHaveTrait(Font* font, int trait) const
{
    if (!font)
        return nullptr;
    int traits = font->traits() & StyleTraits;
    int weight = font->weight();
    if (trait & ItalicFontMask)
        traits |= ItalicFontMask;
    if (trait & UnitalicFontMask)
        traits &= ~ItalicFontMask;
    if (trait & BoldFontMask) {
        traits |= BoldFontMask;
        weight = std::max(weight, BoldWeight);
    }
    if (trait & UnboldFontMask) {
        traits &= ~BoldFontMask;
        weight = NormalWeight;
    }
    if (traits == (font->traits() & StyleTraits))
        return font;
    Font* converted = fontWithFamily(font->familyName(), traits, weight, font->pointSize());
    return converted ? converted : font;
}

Font* FontManager::convertFontToNotHaveTrait(Font* font, int trait) const
{
    if (!font)
        return nullptr;
    int traits = font->traits() & StyleTraits;
    int weight = font->weight();
    if (trait & ItalicFontMask)
        traits &= ~ItalicFontMask;
    if (trait & BoldFontMask) {
        traits &= ~BoldFontMask;
        weight = NormalWeight;
    }
    if (traits == (font->traits() & StyleTraits))
        return font;
    Font* converted = fontWithFamily(font->familyName(), traits, weight, font->pointSize());
    return converted ? converted : font;
}

Font* FontManager::convertFontToFamily(Font* font, const std::string& family) const
{
    if (!font)
        return nullptr;
    if (font->familyName() == family)
        return font;
    Font* converted = fontWithFamily(family, font->traits(), font->weight(), font->pointSize());
    return converted ? converted : font;
}

Font* FontManager::convertFontToSize(Font* font, float size) const
{
    if (!font)
        return nullptr;
    if (size == font->pointSize())
        return font;
    Font* converted = Font::fontWithName(font->fontName(), size);
    return converted ? converted : font;
}

Font* FontManager::convertWeight(bool upFlag, Font* font) const
{
    if (!font)
        return nullptr;
    int traits = font->traits() & StyleTraits;
    int weight = font->weight();
    const FontFaceInfo* best = nullptr;
    std::vector<FontFaceInfo> members = membersOf(font->familyName());
    for (const FontFaceInfo& m : members) {
        // Across the bold line only by weight: the bold trait follows the face.
        if ((m.traits & ItalicFontMask) != (traits & ItalicFontMask))
            continue;
        bool further = upFlag ? m.weight > weight : m.weight < weight;
        if (!further)
            continue;
        if (!best || (upFlag ? m.weight < best->weight : m.weight > best->weight))
            best = &m;
    }
    if (!best)
        return font;
    Font* converted = Font::fontWithName(best->fontName, font->pointSize());
    return converted ? converted : font;
}

Font* FontManager::convertFont(Font* font) const
{
    if (!font)
        return nullptr;
    const FontChange& c = pending_;
    switch (c.action) {
    case FontAction::NoFontChange:
        return font;
    case FontAction::AddTrait:
        return convertFontToHaveTrait(font, c.trait);
    case FontAction::RemoveTrait:
        return convertFontToNotHaveTrait(font, c.trait);
    case FontAction::SizeUp:
        return convertFontToSize(font, font->pointSize() + 1);
    case FontAction::SizeDown:
        return font->pointSize() - 1 >= 1 ? convertFontToSize(font, font->pointSize() - 1) : font;
    case FontAction::Heavier:
        return convertWeight(true, font);
    case FontAction::Lighter:
        return convertWeight(false, font);
    case FontAction::ViaPanel:
        break;
    }
    Font* f = font;
    if (!c.family.empty() && c.family != f->familyName()) {
        // Keep what traits the family has, dropping italic, then bold, then both.
        int traits = f->traits() & StyleTraits;
        Font* found = nullptr;
        for (int drop : {0, ItalicFontMask, BoldFontMask, StyleTraits}) {
            if (drop && !(traits & drop))
                continue;
            int t = traits & ~drop;
            found = fontWithFamily(c.family, t, (t & BoldFontMask) ? std::max(f->weight(), BoldWeight) : f->weight(),
                                   f->pointSize());
            if (found)
                break;
        }
        if (!found) {
            // A family of one style (ZapfChancery): the user asked for the
            // family, so any member beats none.
            std::vector<FontFaceInfo> members = membersOf(c.family);
            if (!members.empty())
                found = Font::fontWithName(members.front().fontName, f->pointSize());
        }
        if (found)
            f = found;
    }
    if (c.size > 0)
        f = convertFontToSize(f, c.size);
    if (c.addTraits)
        f = convertFontToHaveTrait(f, c.addTraits);
    if (c.removeTraits)
        f = convertFontToNotHaveTrait(f, c.removeTraits);
    return f;
}

void FontManager::addFontTrait(int tag)
{
    FontChange c;
    c.action = FontAction::AddTrait;
    c.trait = tag;
    pending_ = c;
    sendAction();
}

void FontManager::removeFontTrait(int tag)
{
    FontChange c;
    c.action = FontAction::RemoveTrait;
    c.trait = tag;
    pending_ = c;
    sendAction();
}

void FontManager::modifyFont(int tag)
{
    if (tag < int(FontAction::NoFontChange) || tag > int(FontAction::RemoveTrait))
        return;
    FontChange c;
    c.action = FontAction(tag);
    pending_ = c;
    sendAction();
}

void FontManager::sendAction()
{
    if (changeFontHandler_) {
        // A handler may replace itself while it runs.
        std::function<void()> handler = changeFontHandler_;
        handler();
    }
    clearPendingChange();
}

void FontManager::setSelectedFont(Font* font, bool isMultiple)
{
    selectedFont_ = font;
    isMultiple_ = isMultiple;
    if (selectionChangedHandler_) {
        std::function<void(Font*, bool)> handler = selectionChangedHandler_;
        handler(font, isMultiple);
    }
}

void FontManager::orderFrontFontPanel()
{
    if (orderFrontHandler_) {
        std::function<void()> handler = orderFrontHandler_;
        handler();
    }
}

} // namespace kit
