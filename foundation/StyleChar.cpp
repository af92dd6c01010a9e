#include "foundation/StyleChar.h"

#include "foundation/FontAccessoryValues.h"
#include "graphics/Font.h"
#include "graphics/FontManager.h"

#include <cstdio>

namespace {
StyleChar::FontAccessoryHook& accessoryHook()
{
    static StyleChar::FontAccessoryHook hook;
    return hook;
}

bool colorsEqual(const kit::ColorRef& a, const kit::ColorRef& b)
{
    if (a == b)
        return true;
    return a && b && a->isEqual(*b);
}

float spaceWidth(const kit::Font* font)
{
    return font ? font->widthOfString(" ") : 0.0f;
}
} // namespace

void StyleChar::initialize()
{
    kit::registerClass<StyleChar>("StyleChar");
}

void StyleChar::setFontAccessoryHook(FontAccessoryHook hook)
{
    accessoryHook() = std::move(hook);
}

FontAccessoryValues* StyleChar::fontAccessory(bool create)
{
    return accessoryHook() ? accessoryHook()(create) : nullptr;
}

StyleChar::StyleChar()
{
    setDefaultValues();
}

StyleChar::StyleChar(kit::ForDecodingTag)
{
    setDefaultMeasures();
}

StyleChar::~StyleChar() = default;

void StyleChar::setDefaultValues()
{
    setDefaultMeasures();
    color_ = kit::Color::colorWithDeviceCyan(0.0f, 0.0f, 0.0f, 1.0f, 1.0f);
}

void StyleChar::setDefaultMeasures()
{
    font_ = nullptr;
    wordSpace_ = 0.0f;
    condense_ = 1.0f;
    leading_ = StyleAutoLeading;
    tracking_ = 0.0f;
    vertical_ = 0.0f;
    lineSpacing_ = 1.0f;
    special_ = 0;
}

std::unique_ptr<StyleChar> StyleChar::copy() const
{
    auto c = std::make_unique<StyleChar>();
    c->wordSpace_ = wordSpace_;
    c->condense_ = condense_;
    c->leading_ = leading_;
    c->tracking_ = tracking_;
    c->vertical_ = vertical_;
    c->lineSpacing_ = lineSpacing_;
    c->special_ = special_;
    // The word space as it is: one set by hand would be lost to setFont's
    // recomputation, and a copy must equal its original.
    c->font_ = font_;
    c->setColor(color_);
    return c;
}

void StyleChar::takeCharStyleValuesFrom(const StyleChar* other)
{
    if (!other || other == this)
        return;
    if (other->font_)
        font_ = other->font_;
    if (other->wordSpace_ != StyleMixedValue)
        wordSpace_ = other->wordSpace_;
    if (other->condense_ != StyleMixedValue)
        condense_ = other->condense_;
    if (other->leading_ != StyleMixedValue)
        leading_ = other->leading_;
    if (other->tracking_ != StyleMixedValue)
        tracking_ = other->tracking_;
    if (other->vertical_ != StyleMixedValue)
        vertical_ = other->vertical_;
    if (other->lineSpacing_ != StyleMixedValue)
        lineSpacing_ = other->lineSpacing_;
    if (other->special_ != StyleMixedSpecial)
        special_ = other->special_;
    color_ = other->color_ ? other->color_->copy() : nullptr;
}

void StyleChar::setFont(kit::Font* font)
{
    font_ = font;
    if (!font)
        return;
    float w = spaceWidth(font);
    if (condense_ != 0.0f && condense_ != StyleMixedValue)
        w *= condense_;
    wordSpace_ = tracking_ + w;
}

float StyleChar::pointSize() const
{
    return font_ ? font_->pointSize() : 0.0f;
}

void StyleChar::setPointSize(float size)
{
    if (!font_)
        return;
    setFont(kit::FontManager::sharedFontManager().convertFontToSize(font_, size));
}

void StyleChar::setCondense(float value)
{
    condense_ = value == 0.0f ? 1.0f : value;
}

void StyleChar::setWordSpace(float value)
{
    if (value > -100.0f && value < 1000.0f)
        wordSpace_ = value;
}

float StyleChar::lineSpacing() const
{
    if (lineSpacing_ < 0.0f)
        lineSpacing_ = 1.0f;
    return lineSpacing_;
}

void StyleChar::setLineSpacing(float value)
{
    if (value >= 0.0f)
        lineSpacing_ = value;
}

void StyleChar::modifyFontAttribute(unsigned short bits, bool enable)
{
    special_ = enable ? (special_ | bits) : (special_ & ~bits);
}

void StyleChar::setColor(const kit::ColorRef& color)
{
    color_ = color ? color->copy() : nullptr;
}

void StyleChar::setBoldface(bool flag)
{
    modifyFontAttribute(StyleBoldFlag, flag);
    if (!font_)
        return;
    auto& fm = kit::FontManager::sharedFontManager();
    setFont(flag ? fm.convertFontToHaveTrait(font_, kit::BoldFontMask)
                 : fm.convertFontToNotHaveTrait(font_, kit::BoldFontMask));
}

void StyleChar::setItalic(bool flag)
{
    modifyFontAttribute(StyleItalicFlag, flag);
    if (!font_)
        return;
    auto& fm = kit::FontManager::sharedFontManager();
    setFont(flag ? fm.convertFontToHaveTrait(font_, kit::ItalicFontMask)
                 : fm.convertFontToNotHaveTrait(font_, kit::ItalicFontMask));
}

float StyleChar::lineHeight() const
{
    if (leading_ > StyleAutoLeadingThreshold)
        return pointSize() + (leading_ - StyleAutoLeading);
    return leading_;
}

float StyleChar::interLineLeading() const
{
    return leading_ > StyleAutoLeadingThreshold ? leading_ - StyleAutoLeading : 0.0f;
}

float StyleChar::wordSpaceDelta() const
{
    return font_ ? wordSpace_ - spaceWidth(font_) : 0.0f;
}

float StyleChar::screenWordSpace() const
{
    const kit::Font* screen = font_ ? font_->screenFont() : nullptr;
    if (!screen)
        return wordSpace_;
    float w = spaceWidth(screen);
    if (condense_ != 0.0f && condense_ != StyleMixedValue)
        w *= condense_;
    return w + tracking_;
}

float StyleChar::screenWordSpaceDelta() const
{
    const kit::Font* screen = font_ ? font_->screenFont() : nullptr;
    if (!screen)
        return wordSpaceDelta();
    const float w = spaceWidth(screen);
    const float condensed = (condense_ != 0.0f && condense_ != StyleMixedValue) ? w * condense_ : w;
    return tracking_ + (condensed - w);
}

void StyleChar::changeFont(kit::Object* sender)
{
    (void)sender;
    FontAccessoryValues* accessory = fontAccessory(true);
    setFont(kit::FontManager::sharedFontManager().convertFont(font_));
    if (!accessory)
        return;
    auto usable = [](float v) { return v != 0.0f && v != StyleMixedValue; };
    if (float v = accessory->condense(); usable(v))
        condense_ = v;
    if (float v = accessory->tracking(); usable(v))
        tracking_ = v;
    if (float v = accessory->leading(); usable(v))
        leading_ = v;
    if (float v = accessory->vertical(); usable(v))
        vertical_ = v;
    if (float v = accessory->wordSpaceOnly(); usable(v))
        wordSpace_ += v;
}

void StyleChar::scaleBy(double factor)
{
    const float f = float(factor);
    // Taken before setFont recomputes it, so that it is scaled once and a
    // word space set by hand keeps its proportion.
    const float wordSpace = wordSpace_ * f;
    if (font_) {
        if (kit::Font* scaled = kit::Font::fontWithName(font_->fontName(), font_->pointSize() * f))
            setFont(scaled);
    }
    vertical_ *= f;
    wordSpace_ = wordSpace;
    if (leading_ > StyleAutoLeadingThreshold)
        leading_ = (leading_ - StyleAutoLeading) * f + StyleAutoLeading;
    else
        leading_ *= f;
    tracking_ *= f;
}

bool StyleChar::isEqual(const kit::Object& object) const
{
    if (&object == this)
        return true;
    const auto* other = dynamic_cast<const StyleChar*>(&object);
    if (!other)
        return false;
    // Two styles without a colour agree on it.
    return font_ == other->font_ && wordSpace_ == other->wordSpace_ && condense_ == other->condense_ &&
           leading_ == other->leading_ && tracking_ == other->tracking_ && vertical_ == other->vertical_ &&
           lineSpacing_ == other->lineSpacing_ && special_ == other->special_ && colorsEqual(color_, other->color_);
}

int StyleChar::differencesFromStyle(const StyleChar* other) const
{
    if (!other)
        return 0;
    int diff = 0;
    if (font_ != other->font_)
        diff |= StyleFontMask;
    if (font_ && other->font_ && font_->pointSize() != other->font_->pointSize())
        diff |= StyleSizeMask;
    if (wordSpace_ != other->wordSpace_)
        diff |= StyleWordSpaceMask;
    if (condense_ != other->condense_)
        diff |= StyleCondenseMask;
    if (leading_ != other->leading_)
        diff |= StyleLeadingMask;
    if (tracking_ != other->tracking_)
        diff |= StyleTrackingMask;
    if (vertical_ != other->vertical_)
        diff |= StyleVerticalMask;
    if (lineSpacing_ != other->lineSpacing_)
        diff |= StyleLineSpacingMask;
    if (special_ != other->special_)
        diff |= StyleSpecialMask;
    if (!colorsEqual(color_, other->color_))
        diff |= StyleColorMask;
    return diff;
}

unsigned short StyleChar::specialDifferencesFromStyle(const StyleChar* other) const
{
    return other ? (special_ ^ other->special_) : special_;
}

void StyleChar::audit(int indent) const
{
    (void)indent;
    std::printf("Font: %s %4.0f WS:%6.3f Cnd:%5.3f Ldg:%6.3f Trk:%6.3f Vrt:%6.3f LS:%6.3f Spc:%d Clr:%s\n",
                font_ ? font_->fontName().c_str() : "Missing", double(pointSize()), double(wordSpace_),
                double(condense_), double(leading_), double(tracking_), double(vertical_), double(lineSpacing_),
                int(special_), color_ ? color_->description().c_str() : "(null)");
    std::fflush(stdout);
}
