#pragma once

// The paragraph format: indents, spacing, tab stops, bullet, border and
// shading, alignment and typesetting flags, widow control, column start,
// autonumbering level and a base character format. A local style based on a
// named style records in definedFlags what it sets itself.

#include "core/Color.h"
#include "core/Geometry.h"
#include "core/Object.h"
#include "foundation/StyleSheetEntry.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kit {
class Font;
}
class Border;
class Preferences;
class StyleChar;
class StyleParagraphNamed;

// Stored as "{?=fsc}".
struct StyleTabStop {
    float location = 0.0f;
    short type = 0; // 0 left, 1 centre, 2 right, 3 decimal, 8 right tab at the right indent
    char leader = 0;
};

struct StyleBullet {
    kit::Font* font = nullptr;
    std::string text;
    kit::Point offset;
    float width = 0.0f;
    kit::ColorRef color;
};

// Paragraph attribute mask bits (the low bits are the character mask).
inline constexpr int StyleTabsMask = 0x10000;
inline constexpr int StyleSpaceBeforeMask = 0x20000;
inline constexpr int StyleSpaceAfterMask = 0x40000;
inline constexpr int StyleSpaceBetweenMask = 0x80000;
inline constexpr int StyleBulletMask = 0x100000;
inline constexpr int StyleTypesettingMask = 0x200000;
inline constexpr int StyleWidowControlMask = 0x400000;
inline constexpr int StyleNextStyleMask = 0x800000;
inline constexpr int StyleIndentsMask = 0x1000000;
inline constexpr int StyleBasedOnMask = 0x2000000;
inline constexpr int StyleColumnStartMask = 0x4000000;
inline constexpr int StyleAlignmentMask = 0x8000000;
inline constexpr int StyleBorderMask = 0x10000000;
inline constexpr int StyleAutonumberMask = 0x20000000;

class StyleParagraph : public kit::Object, public StyleSheetEntry {
public:
    // Registers the paragraph style classes, StyleChar and Border.
    static void initialize();

    // While set, every marking setter marks its attribute without comparing.
    static bool forceParagraphStyleDefinitions();
    static void setForceParagraphStyleDefinitions(bool flag);

    // The built-in values: no font, every typesetting flag off.
    StyleParagraph();
    // The font and typesetting flags of a new paragraph from the preferences
    // (the built-in values for none).
    explicit StyleParagraph(const Preferences* preferences);
    // The built-in values, its character style without a colour (both are
    // read by initWithCoder).
    explicit StyleParagraph(kit::ForDecodingTag);
    ~StyleParagraph() override;

    virtual std::unique_ptr<StyleParagraph> copy() const;
    virtual StyleParagraph* takeStyleValuesFrom(const StyleParagraph* other);
    void takeRulerFrom(const StyleParagraph* other);
    void takeTabsFrom(const StyleParagraph* other);
    void pushStyleValuesOn(StyleParagraph* target, bool force) const;
    void scaleBy(double factor);

    // ---- Setters that mark (by comparison with the based-on style).
    void setFont(kit::Font* font);
    void setPointSize(float size);
    void setWordSpace(float value);
    void setLeading(float value);
    void setTracking(float value);
    void setLineSpacing(float value);
    void setColor(const kit::ColorRef& color);
    void setSpaceBefore(float value);
    void setSpaceAfter(float value);
    void setSpaceBetween(float value);
    void setIndentLeft(float value);
    void setIndentRight(float value);
    void setIndentDeltaFirst(float value);
    void setIndents(float left, float right, float deltaFirst);
    void setAutoKern(bool flag);
    void setHyphenate(bool flag);
    void setLigatures(bool flag);
    void setHungPunctuation(int value);
    void setAlignment(int value);
    void setWidowControl(short value);
    void setColumnStart(short value);
    void setAutonumberLevel(short value);
    void setNextParagraphStyle(StyleParagraph* style);
    void setBulletColor(const kit::ColorRef& color);

    // ---- Setters that mark only while the class flag is set.
    void setTabs(const StyleTabStop* tabs, int count);
    void setBullet(std::unique_ptr<StyleBullet> bullet);
    void setBasedOnStyle(StyleParagraph* style);
    void removeBullet();
    void removeBorder();
    void moveBulletBy(float dx, float dy);
    void updateBullet(const std::string& text, kit::Font* font, float x, float y, const kit::ColorRef& color);

    // ---- Setters that never mark.
    void setAbsoluteTabs(bool flag) { absoluteTabs_ = flag; }
    void setStyleNumber(short value) { styleNumber_ = value; }
    void setDefinedFlags(int flags) { definedFlags_ = flags; }
    void setCharStyle(const StyleChar* style);
    void setFillColor(const kit::ColorRef& color);
    Border* makeBorder();
    void makeBullet(const std::string& text, kit::Font* font, float x, float y, const kit::ColorRef& color);
    void addTab(const StyleTabStop& tab);
    const std::vector<StyleTabStop>& removeTab(const StyleTabStop& tab);
    void setCanFree(bool flag) override { (void)flag; }

    // ---- Queries.
    StyleChar* charStyle() const { return charStyle_.get(); }
    StyleParagraphNamed* basedOnStyle() const { return basedOnStyle_; }
    StyleParagraph* nextParagraphStyle() const { return nextParagraphStyle_; }
    Border* border() const { return border_.get(); }
    const StyleBullet* bullet() const { return bullet_.get(); }
    const std::vector<StyleTabStop>& tabs() const { return tabs_; }
    int numTabs() const { return int(tabs_.size()); }
    int definedFlags() const { return definedFlags_; }
    float indentLeft() const { return indentLeft_; }
    float indentRight() const { return indentRight_; }
    float indentDeltaFirst() const { return indentDeltaFirst_; }
    float spaceBefore() const { return spaceBefore_; }
    float spaceAfter() const { return spaceAfter_; }
    float spaceBetween() const { return spaceBetween_; }
    short widowControl() const { return widowControl_; }
    short columnStart() const { return columnStart_; }
    short autonumberLevel() const { return autonumberLevel_; }
    short styleNumber() const { return styleNumber_; }
    bool autoKern() const { return autoKern_; }
    bool hyphenate() const { return hyphenate_; }
    bool ligatures() const { return ligatures_; }
    int hungPunctuation() const { return hungPunctuation_; }
    int alignment() const { return alignment_; }
    bool absoluteTabs() const { return absoluteTabs_; }
    kit::Font* font() const;
    float pointSize() const;
    float wordSpace() const;
    float tracking() const;
    float lineSpacing() const;
    kit::ColorRef color() const;
    // The character style's leading in the automatic encoding.
    float absoluteLeading() const;
    // The character style's line height, in points.
    float leading() const;
    kit::Font* bulletFont() const;
    std::string bulletText() const;
    kit::Point bulletOffset() const;
    float bulletWidth() const;
    kit::ColorRef bulletColor() const;
    // White without a border.
    kit::ColorRef fillColor() const;
    bool canFree() const override { return true; }

    // ---- Style-sheet queries.
    std::optional<std::string> styleName() const override;
    std::string sortName() const override;
    std::optional<std::string> rootName() const override;
    bool isNamedStyle() const override { return false; }
    bool isRootStyle() const override { return false; }
    virtual bool isBasedOnNamedStyle() const { return basedOnStyle_ != nullptr; }
    virtual StyleParagraph* rootStyle() const;
    bool isAttributeForced(int mask) const { return (definedFlags_ & mask) != 0; }
    // Follows the based-on chain; a chain that loops ends at the repeat.
    bool isBasedOnStyle(const StyleParagraph* style) const;
    // Drops the style where it is the next or the based-on style.
    virtual void removeStyleReference(const StyleParagraph* style);

    int differencesFromStyle(const StyleParagraph* other) const;

    std::string className() const override { return "StyleParagraph"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

protected:
    // Copies every field of other except the owned parts (for copies).
    void copyFieldsFrom(const StyleParagraph& other);

private:
    template <class Same>
    void markIfDiffers(int bit, Same same);
    void assignTabs(std::vector<StyleTabStop> tabs);
    void sortTabs();
    void initWithCoderOld(kit::Coder& coder, float version);

    std::unique_ptr<StyleChar> charStyle_;
    StyleParagraphNamed* basedOnStyle_ = nullptr; // not owned
    StyleParagraph* nextParagraphStyle_ = nullptr; // not owned
    float indentLeft_ = 0.0f;
    float indentRight_ = 0.0f;
    float indentDeltaFirst_ = 0.0f;
    float spaceBefore_ = 0.0f;
    float spaceAfter_ = 0.0f;
    float spaceBetween_ = 0.0f;
    std::vector<StyleTabStop> tabs_;
    std::unique_ptr<StyleBullet> bullet_;
    std::unique_ptr<Border> border_;
    int definedFlags_ = 0;
    short widowControl_ = 0;
    short columnStart_ = 0;
    short autonumberLevel_ = 0;
    short styleNumber_ = 0;
    bool autoKern_ = false;
    bool hyphenate_ = false;
    bool ligatures_ = false;
    unsigned char hungPunctuation_ = 0; // 2 bits
    unsigned char alignment_ = 0;       // 3 bits: 0 left, 1 right, 2 centre, 3 justified
    bool absoluteTabs_ = false;
};
