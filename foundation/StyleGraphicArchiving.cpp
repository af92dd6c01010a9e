#include "foundation/StyleGraphic.h"

#include "core/Coder.h"
#include "foundation/StyleGraphicNamed.h"

void StyleGraphic::encodeWithCoder(kit::Coder& coder) const
{
    GxWriteFill(coder, hasFill_ ? fill_.get() : nullptr);
    GxWriteLine(coder, hasLine_ ? line_.get() : nullptr);
    GxWriteArrow(coder, hasLeftArrow_ ? leftArrow_.get() : nullptr);
    GxWriteArrow(coder, hasRightArrow_ ? rightArrow_.get() : nullptr);
    const char flags[6] = {char(doesCrop_), char(doNotFree_), char(hasFill_),
                           char(hasLine_),  char(hasLeftArrow_), char(hasRightArrow_)};
    coder.encodeValuesOfObjCTypes("[6c]i", flags, definedFlags_);
}

kit::Object* StyleGraphic::initWithCoder(kit::Coder& coder)
{
    fill_ = GxReadFill(coder);
    line_ = GxReadLine(coder);
    leftArrow_ = GxReadArrow(coder);
    rightArrow_ = GxReadArrow(coder);
    const float v = coder.openFileVersion();
    if (kit::isCurrentFileVersion(v)) {
        char flags[6] = {};
        coder.decodeValuesOfObjCTypes("[6c]i", &flags, &definedFlags_);
        doesCrop_ = flags[0] & 1;
        doNotFree_ = flags[1] & 1;
        hasFill_ = flags[2] & 1;
        hasLine_ = flags[3] & 1;
        hasLeftArrow_ = flags[4] & 1;
        hasRightArrow_ = flags[5] & 1;
        return this;
    }
    if (v >= 2.0f) {
        short a = 0, b = 0, c = 0;
        coder.decodeValuesOfObjCTypes("sss", &a, &b, &c);
        doesCrop_ = a & 1;
        doNotFree_ = b & 1;
        hasFill_ = c & 1;
        coder.decodeValuesOfObjCTypes("sss", &a, &b, &c);
        hasLine_ = a & 1;
        hasLeftArrow_ = b & 1;
        hasRightArrow_ = c & 1;
    } else {
        // One byte of bit fields in their declaration order.
        unsigned char byte = 0;
        coder.decodeValueOfObjCType("c", &byte);
        doesCrop_ = byte & 0x01;
        doNotFree_ = byte & 0x02;
        hasFill_ = byte & 0x04;
        hasLine_ = byte & 0x08;
        hasLeftArrow_ = byte & 0x10;
        hasRightArrow_ = byte & 0x20;
    }
    if (v >= 2.55f)
        coder.decodeValueOfObjCType("i", &definedFlags_);
    return this;
}

void StyleGraphicNamed::encodeWithCoder(kit::Coder& coder) const
{
    StyleGraphic::encodeWithCoder(coder);
    if (styleName_)
        coder.encodeString(*styleName_);
    else
        coder.encodeObject(nullptr);
    coder.encodeConditionalObject(superstyle());
}

kit::Object* StyleGraphicNamed::initWithCoder(kit::Coder& coder)
{
    StyleGraphic::initWithCoder(coder);
    const float v = coder.openFileVersion();
    kit::Object* super = nullptr;
    if (kit::isCurrentFileVersion(v)) {
        styleName_ = coder.decodeString();
        super = coder.decodeObject();
    } else if (v >= 2.55f) {
        coder.decodeValuesOfObjCTypes("%@", &styleName_, &super);
    } else {
        short defined = 0;
        coder.decodeValuesOfObjCTypes("%@s", &styleName_, &super, &defined);
        setDefinedFlags(defined);
    }
    // Registering keeps the name the file gave; addSubstyle refuses loops.
    const std::optional<std::string> name = styleName_;
    if (auto* parent = dynamic_cast<StyleGraphicNamed*>(super); parent && parent != this) {
        parent->addSubstyle(this);
        styleName_ = name;
    }
    return this;
}
