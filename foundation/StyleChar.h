#pragma once

// The character format: font, word space, condense, leading, tracking,
// vertical shift, line spacing, type-style flags and text colour.

#include "core/Color.h"
#include "core/Object.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kit {
class Font;
}
class FontAccessoryValues;

// "Mixed" or "not set" in values that panels and selections hand to styles.
inline constexpr float StyleMixedValue = -1234.0f;
// A leading above the threshold is automatic: the line height is the point
// size plus (leading - StyleAutoLeading).
inline constexpr float StyleAutoLeading = 111110.0f;
inline constexpr float StyleAutoLeadingThreshold = 10001.0f;

// Type-style flag bits.
inline constexpr unsigned short StyleBoldFlag = 0x0001;
inline constexpr unsigned short StyleItalicFlag = 0x0002;
inline constexpr unsigned short StyleSuperscriptFlag = 0x0004;
inline constexpr unsigned short StyleSubscriptFlag = 0x0008;
inline constexpr unsigned short StyleUnderlineFlag = 0x0010;
inline constexpr unsigned short StyleDoubleUnderlineFlag = 0x0020;
inline constexpr unsigned short StyleSmallCapsFlag = 0x0040;
inline constexpr unsigned short StyleRedlineFlag = 0x0080;
inline constexpr unsigned short StyleStrikeoutFlag = 0x0100;
inline constexpr unsigned short StyleOutlineFlag = 0x0200;
inline constexpr unsigned short StyleShadowFlag = 0x0400;
inline constexpr unsigned short StyleWordUnderlineFlag = 0x0800;
inline constexpr unsigned short StyleSingleSymbolFlag = 0x1000;
inline constexpr unsigned short StyleMixedSpecial = 0xFFFF;

// Character attribute mask bits.
inline constexpr int StyleFontMask = 0x1;
inline constexpr int StyleSizeMask = 0x2;
inline constexpr int StyleWordSpaceMask = 0x4;
inline constexpr int StyleCondenseMask = 0x8;
inline constexpr int StyleLeadingMask = 0x10;
inline constexpr int StyleTrackingMask = 0x20;
inline constexpr int StyleVerticalMask = 0x40;
inline constexpr int StyleLineSpacingMask = 0x80;
inline constexpr int StyleSpecialMask = 0x100;
inline constexpr int StyleColorMask = 0x200;

class StyleChar : public kit::Object {
public:
    // Registers the class with the archiver.
    static void initialize();

    // The font accessory that changeFont reads, asked for with "create";
    // the application installs it (none by default).
    using FontAccessoryHook = std::function<FontAccessoryValues*(bool create)>;
    static void setFontAccessoryHook(FontAccessoryHook hook);
    // The accessory through the hook; nil without one.
    static FontAccessoryValues* fontAccessory(bool create);

    StyleChar();
    // The defaults without a colour (initWithCoder reads one; none is a
    // state a stored style may have anyway).
    explicit StyleChar(kit::ForDecodingTag);
    ~StyleChar() override;

    void setDefaultValues();
    // Equal to the original (isEqual), word space included.
    std::unique_ptr<StyleChar> copy() const;
    void takeCharStyleValuesFrom(const StyleChar* other);

    kit::Font* font() const { return font_; }
    void setFont(kit::Font* font);
    float pointSize() const;
    void setPointSize(float size);
    float condense() const { return condense_; }
    void setCondense(float value);
    float wordSpace() const { return wordSpace_; }
    void setWordSpace(float value);
    float leading() const { return leading_; }
    void setLeading(float value) { leading_ = value; }
    float tracking() const { return tracking_; }
    void setTracking(float value) { tracking_ = value; }
    float vertical() const { return vertical_; }
    void setVertical(float value) { vertical_ = value; }
    float lineSpacing() const;
    void setLineSpacing(float value);
    unsigned short special() const { return special_; }
    void setSpecial(unsigned short value) { special_ = value; }
    void modifyFontAttribute(unsigned short bits, bool enable);
    const kit::ColorRef& color() const { return color_; }
    void setColor(const kit::ColorRef& color);

    bool isBoldface() const { return special_ & StyleBoldFlag; }
    bool isItalic() const { return special_ & StyleItalicFlag; }
    bool isSuperscript() const { return special_ & StyleSuperscriptFlag; }
    bool isSubscript() const { return special_ & StyleSubscriptFlag; }
    bool isUnderline() const { return special_ & StyleUnderlineFlag; }
    bool isDoubleUnderline() const { return special_ & StyleDoubleUnderlineFlag; }
    bool isSmallCaps() const { return special_ & StyleSmallCapsFlag; }
    bool isRedline() const { return special_ & StyleRedlineFlag; }
    bool isStrikeout() const { return special_ & StyleStrikeoutFlag; }
    bool isOutline() const { return special_ & StyleOutlineFlag; }
    bool isShadow() const { return special_ & StyleShadowFlag; }
    bool isWordUnderline() const { return special_ & StyleWordUnderlineFlag; }
    bool isSingleSymbol() const { return special_ & StyleSingleSymbolFlag; }
    // Also converts the font to have or not have the bold (italic) trait.
    void setBoldface(bool flag);
    void setItalic(bool flag);
    void setSuperscript(bool flag) { modifyFontAttribute(StyleSuperscriptFlag, flag); }
    void setSubscript(bool flag) { modifyFontAttribute(StyleSubscriptFlag, flag); }
    void setUnderline(bool flag) { modifyFontAttribute(StyleUnderlineFlag, flag); }
    void setDoubleUnderline(bool flag) { modifyFontAttribute(StyleDoubleUnderlineFlag, flag); }
    void setSmallCaps(bool flag) { modifyFontAttribute(StyleSmallCapsFlag, flag); }
    void setRedline(bool flag) { modifyFontAttribute(StyleRedlineFlag, flag); }
    void setStrikeout(bool flag) { modifyFontAttribute(StyleStrikeoutFlag, flag); }
    void setOutline(bool flag) { modifyFontAttribute(StyleOutlineFlag, flag); }
    void setShadow(bool flag) { modifyFontAttribute(StyleShadowFlag, flag); }
    void setWordUnderline(bool flag) { modifyFontAttribute(StyleWordUnderlineFlag, flag); }
    void setSingleSymbol(bool flag) { modifyFontAttribute(StyleSingleSymbolFlag, flag); }

    float lineHeight() const;
    float interLineLeading() const;
    float wordSpaceDelta() const;
    float screenWordSpace() const;
    float screenWordSpaceDelta() const;

    // The font panel's and font accessory's change; sender is unused.
    void changeFont(kit::Object* sender);
    // The font size and every length times factor, the word space once.
    void scaleBy(double factor);

    bool isEqual(const kit::Object& other) const override;
    int differencesFromStyle(const StyleChar* other) const;
    unsigned short specialDifferencesFromStyle(const StyleChar* other) const;

    void audit(int indent) const override;

    // Stored fonts: by name and size in old files (nil for no name or a
    // size of 0), as a font object in current ones.
    static kit::Font* fontFromStoredName(const std::optional<std::string>& name, float size);
    static kit::Font* decodeFontObject(kit::Coder& coder);

    std::string className() const override { return "StyleChar"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    // Every default but the colour.
    void setDefaultMeasures();
    kit::Font* font_ = nullptr; // interned; never owned
    float wordSpace_ = 0.0f;
    float condense_ = 1.0f;
    float leading_ = StyleAutoLeading;
    float tracking_ = 0.0f;
    float vertical_ = 0.0f;
    mutable float lineSpacing_ = 1.0f;
    unsigned short special_ = 0;
    kit::ColorRef color_;
};
