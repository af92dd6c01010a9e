#include "foundation/StyleParagraph.h"

#include "core/Coder.h"
#include "core/Exception.h"
#include "foundation/Border.h"
#include "foundation/StoredColor.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/Font.h"

#include <string>

namespace {
[[noreturn]] void damaged(const std::string& why)
{
    kit::Exception::raise(kit::ArchiverArchiveInconsistencyException, why);
}

int decodeTabCount(kit::Coder& coder, const char* tabTypes)
{
    int count = 0;
    coder.decodeValueOfObjCType("i", &count);
    if (count < 0)
        damaged("a negative tab count " + std::to_string(count));
    coder.checkUnitCount(tabTypes, std::size_t(count));
    return count;
}

// Styles that stored objects stand for; anything else reads as none.
template <class T>
T* decodeStyleReference(kit::Coder& coder)
{
    return dynamic_cast<T*>(coder.decodeObject());
}
} // namespace

void StyleParagraph::encodeWithCoder(kit::Coder& coder) const
{
    coder.encodeObject(charStyle_.get());
    coder.encodeValuesOfObjCTypes("ffffffss", indentLeft_, indentRight_, indentDeltaFirst_, spaceBefore_,
                                  spaceAfter_, spaceBetween_, widowControl_, columnStart_);
    const char flags[6] = {char(autoKern_), char(hyphenate_), char(ligatures_), char(hungPunctuation_),
                           char(alignment_), char(absoluteTabs_)};
    coder.encodeValueOfObjCType("[6c]", &flags);
    const int count = numTabs();
    coder.encodeValueOfObjCType("i", &count);
    for (const StyleTabStop& tab : tabs_)
        coder.encodeValuesOfObjCTypes("fsc", tab.location, tab.type, tab.leader);
    const char hasBullet = bullet_ ? 1 : 0;
    coder.encodeValueOfObjCType("c", &hasBullet);
    if (bullet_) {
        coder.encodeObject(bullet_->font);
        coder.encodeString(bullet_->text);
        coder.encodePoint(bullet_->offset);
        coder.encodeColor(bullet_->color);
        coder.encodeValueOfObjCType("f", &bullet_->width);
    }
    coder.encodeObject(nextParagraphStyle_);
    coder.encodeObject(basedOnStyle_);
    coder.encodeValueOfObjCType("i", &definedFlags_);
    coder.encodeValueOfObjCType("s", &autonumberLevel_);
    coder.encodeObject(border_.get());
}

kit::Object* StyleParagraph::initWithCoder(kit::Coder& coder)
{
    charStyle_ = coder.decodeOwnedObject<StyleChar>();
    if (!charStyle_)
        charStyle_ = std::make_unique<StyleChar>();
    tabs_.clear();
    bullet_.reset();
    border_.reset();
    const float v = coder.openFileVersion();
    if (!kit::isCurrentFileVersion(v)) {
        initWithCoderOld(coder, v);
        return this;
    }
    coder.decodeValuesOfObjCTypes("ffffffss", &indentLeft_, &indentRight_, &indentDeltaFirst_, &spaceBefore_,
                                  &spaceAfter_, &spaceBetween_, &widowControl_, &columnStart_);
    char flags[6] = {};
    coder.decodeValueOfObjCType("[6c]", &flags);
    autoKern_ = flags[0] & 1;
    hyphenate_ = flags[1] & 1;
    ligatures_ = flags[2] & 1;
    hungPunctuation_ = flags[3] & 0x3;
    alignment_ = flags[4] & 0x7;
    absoluteTabs_ = flags[5] & 1;
    const int count = decodeTabCount(coder, "fsc");
    tabs_.resize(std::size_t(count));
    for (StyleTabStop& tab : tabs_)
        coder.decodeValuesOfObjCTypes("fsc", &tab.location, &tab.type, &tab.leader);
    char hasBullet = 0;
    coder.decodeValueOfObjCType("c", &hasBullet);
    if (hasBullet) {
        auto bullet = std::make_unique<StyleBullet>();
        bullet->font = StyleChar::decodeFontObject(coder);
        bullet->text = coder.decodeString().value_or(std::string());
        bullet->offset = coder.decodePoint();
        bullet->color = coder.decodeColor();
        coder.decodeValueOfObjCType("f", &bullet->width);
        bullet_ = std::move(bullet);
    }
    StyleParagraph* next = decodeStyleReference<StyleParagraph>(coder);
    StyleParagraphNamed* based = decodeStyleReference<StyleParagraphNamed>(coder);
    nextParagraphStyle_ = next;
    basedOnStyle_ = based == this ? nullptr : based;
    coder.decodeValueOfObjCType("i", &definedFlags_);
    coder.decodeValueOfObjCType("s", &autonumberLevel_);
    border_ = coder.decodeOwnedObject<Border>();
    return this;
}

namespace {
// Old files numbered alignment with right and centre the other way round.
unsigned char swapRightAndCentre(int alignment)
{
    if (alignment == 1)
        return 2;
    if (alignment == 2)
        return 1;
    return static_cast<unsigned char>(alignment & 0x7);
}
} // namespace

void StyleParagraph::initWithCoderOld(kit::Coder& coder, float v)
{
    if (v >= 2.2f) {
        char autoKern = 0, hyphenate = 0, ligatures = 0, hung = 0, alignment = 0;
        if (v >= 2.53f) {
            coder.decodeValuesOfObjCTypes("ffffffcccccss", &indentLeft_, &indentRight_, &indentDeltaFirst_,
                                          &spaceBefore_, &spaceAfter_, &spaceBetween_, &autoKern, &hyphenate,
                                          &ligatures, &hung, &alignment, &widowControl_, &columnStart_);
        } else {
            short dropped = 0;
            coder.decodeValuesOfObjCTypes("ffffffcccccsss", &indentLeft_, &indentRight_, &indentDeltaFirst_,
                                          &spaceBefore_, &spaceAfter_, &spaceBetween_, &autoKern, &hyphenate,
                                          &ligatures, &hung, &alignment, &widowControl_, &dropped, &columnStart_);
        }
        autoKern_ = autoKern & 1;
        hyphenate_ = hyphenate & 1;
        ligatures_ = ligatures & 1;
        hungPunctuation_ = hung & 0x3;
        alignment_ = swapRightAndCentre(alignment);
        const bool newTabs = v >= 2.56f;
        const int count = decodeTabCount(coder, newTabs ? "fsc" : "sf");
        tabs_.resize(std::size_t(count));
        for (StyleTabStop& tab : tabs_) {
            if (newTabs)
                coder.decodeValuesOfObjCTypes("fsc", &tab.location, &tab.type, &tab.leader);
            else
                coder.decodeValuesOfObjCTypes("sf", &tab.type, &tab.location);
        }
        char hasBullet = 0;
        coder.decodeValueOfObjCType("c", &hasBullet);
        if (hasBullet) {
            std::optional<std::string> fontName, text;
            float size = 0.0f;
            auto bullet = std::make_unique<StyleBullet>();
            coder.decodeValuesOfObjCTypes("*f*f", &fontName, &size, &text, &bullet->width);
            bullet->offset = coder.decodePoint();
            bullet->color = decodeNXColor(coder);
            bullet->text = text.value_or(std::string());
            bullet->font = StyleChar::fontFromStoredName(fontName, size);
            if (v < 2.6f)
                bullet->offset.x += bullet->width;
            bullet_ = std::move(bullet);
        }
        if (v >= 2.53f)
            nextParagraphStyle_ = decodeStyleReference<StyleParagraph>(coder);
        if (v >= 2.55f) {
            StyleParagraphNamed* based = decodeStyleReference<StyleParagraphNamed>(coder);
            basedOnStyle_ = based == this ? nullptr : based;
            coder.decodeValueOfObjCType("i", &definedFlags_);
        }
        if (v >= 2.6f) {
            coder.decodeValueOfObjCType("s", &autonumberLevel_);
            border_ = coder.decodeOwnedObject<Border>();
        }
        if (v >= 2.61f) {
            char absolute = 0;
            coder.decodeValueOfObjCType("c", &absolute);
            absoluteTabs_ = absolute & 1;
        }
        return;
    }
    for (float* field : {&indentLeft_, &indentRight_, &indentDeltaFirst_, &spaceBefore_, &spaceAfter_, &spaceBetween_})
        coder.decodeValueOfObjCType("f", field);
    if (v >= 2.0f) {
        short autoKern = 0, hyphenate = 0, ligatures = 0, hung = 0, alignment = 0;
        coder.decodeValuesOfObjCTypes("sss", &autoKern, &hyphenate, &ligatures);
        coder.decodeValuesOfObjCTypes("ss", &hung, &alignment);
        autoKern_ = autoKern & 1;
        hyphenate_ = hyphenate & 1;
        ligatures_ = ligatures & 1;
        hungPunctuation_ = hung & 0x3;
        // These files numbered centre and justified the other way round.
        alignment_ = alignment == 2 ? 3 : (alignment == 3 ? 2 : static_cast<unsigned char>(alignment & 0x7));
    } else {
        // One word of bit fields in their declaration order.
        unsigned int word = 0;
        int stored = 0;
        coder.decodeValueOfObjCType("i", &stored);
        word = static_cast<unsigned int>(stored);
        autoKern_ = word & 0x1;
        hyphenate_ = (word >> 1) & 0x1;
        ligatures_ = (word >> 2) & 0x1;
        hungPunctuation_ = (word >> 3) & 0x3;
        alignment_ = (word >> 5) & 0x7;
        absoluteTabs_ = (word >> 8) & 0x1;
    }
    const int count = decodeTabCount(coder, "fs");
    tabs_.resize(std::size_t(count));
    for (StyleTabStop& tab : tabs_) {
        coder.decodeValueOfObjCType("f", &tab.location);
        coder.decodeValueOfObjCType("s", &tab.type);
    }
    short dropped = 0, hasBullet = 0;
    coder.decodeValueOfObjCType("s", &columnStart_);
    coder.decodeValueOfObjCType("s", &dropped);
    coder.decodeValueOfObjCType("s", &hasBullet);
    if (hasBullet) {
        std::optional<std::string> fontName, text;
        float size = 0.0f;
        int droppedInt = 0;
        auto bullet = std::make_unique<StyleBullet>();
        coder.decodeValuesOfObjCTypes("*f", &fontName, &size);
        coder.decodeValuesOfObjCTypes("i", &droppedInt);
        coder.decodeValuesOfObjCTypes("*", &text);
        bullet->offset = coder.decodePoint();
        coder.decodeValuesOfObjCTypes("f", &bullet->width);
        bullet->offset.x += bullet->width;
        bullet->color = decodeNXColor(coder);
        bullet->text = text.value_or(std::string());
        bullet->font = StyleChar::fontFromStoredName(fontName, size);
        bullet_ = std::move(bullet);
    }
}

void StyleParagraphNamed::encodeWithCoder(kit::Coder& coder) const
{
    StyleParagraph::encodeWithCoder(coder);
    if (styleName_)
        coder.encodeString(*styleName_);
    else
        coder.encodeObject(nullptr);
    coder.encodeConditionalObject(superstyle());
}

kit::Object* StyleParagraphNamed::initWithCoder(kit::Coder& coder)
{
    StyleParagraph::initWithCoder(coder);
    const float v = coder.openFileVersion();
    StyleParagraphNamed* super = nullptr;
    if (kit::isCurrentFileVersion(v)) {
        styleName_ = coder.decodeString();
        super = decodeStyleReference<StyleParagraphNamed>(coder);
    } else if (v >= 2.55f) {
        kit::Object* object = nullptr;
        coder.decodeValuesOfObjCTypes("%@", &styleName_, &object);
        super = dynamic_cast<StyleParagraphNamed*>(object);
    } else {
        kit::Object* object = nullptr;
        short dropped = 0;
        coder.decodeValuesOfObjCTypes("%@s", &styleName_, &object, &dropped);
        super = dynamic_cast<StyleParagraphNamed*>(object);
        setDefinedFlags(-1);
    }
    // Not listed among the superstyle's substyles (only graphic styles
    // rebuild their lists), but the superstyle still learns of the link. A
    // superstyle that is the style itself is dropped.
    setSuperstyle(super == this ? nullptr : super);
    return this;
}
