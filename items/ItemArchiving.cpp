#include "items/Item.h"
#include "items/ItemBox.h"

#include "core/Coder.h"
#include "core/Values.h"
#include "document/Page.h"
#include "foundation/StoredColor.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleGraphicNamed.h"

#include <cmath>
#include <cstdio>

namespace {

// The document-wide version of the stream being read.
float storedVersion(const kit::Coder& coder)
{
    return coder.openFileVersion();
}

float finiteOr(float value, float fallback)
{
    return std::isfinite(value) ? value : fallback;
}

void flagsToChars(const ItFlags& f, char (&c)[16])
{
    const unsigned values[16] = {f.shown,      f.selected,     f.locked,         f.infoMode,
                                 f.mask,       f.master,       f.editing,        0, // manyViews is never stored
                                 f.autoFlowMaster, f.manualFlowMaster, f.autoFlowMasterPush, f.dropShadow,
                                 f.spread,     f.dirty,        f.firstPage,      f.conformsToMaster};
    for (int i = 0; i < 16; ++i)
        c[i] = static_cast<char>(values[i]);
}

// Each char masked to its field's width.
ItFlags flagsFromChars(const char (&c)[16])
{
    auto bit = [&](int i) { return static_cast<unsigned>(c[i]) & 1u; };
    auto two = [&](int i) { return static_cast<unsigned>(c[i]) & 3u; };
    ItFlags f{};
    f.shown = bit(0);
    f.selected = bit(1);
    f.locked = bit(2);
    f.infoMode = two(3);
    f.mask = bit(4);
    f.master = two(5);
    f.editing = bit(6);
    f.manyViews = bit(7);
    f.autoFlowMaster = bit(8);
    f.manualFlowMaster = bit(9);
    f.autoFlowMasterPush = bit(10);
    f.dropShadow = bit(11);
    f.spread = bit(12);
    f.dirty = bit(13);
    f.firstPage = bit(14);
    f.conformsToMaster = bit(15);
    return f;
}

// The flags as bits of one int, in declaration order from bit 0.
ItFlags flagsFromBits(unsigned bits)
{
    char c[16] = {};
    const int widths[16] = {1, 1, 1, 2, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    for (int i = 0, shift = 0; i < 16; shift += widths[i], ++i)
        c[i] = static_cast<char>((bits >> shift) & ((1u << widths[i]) - 1u));
    return flagsFromChars(c);
}

} // namespace

void Item::encodeWithCoder(kit::Coder& coder) const
{
    coder.encodeRect(frame_);
    coder.encodeConditionalObject(page_.get());
    if (name_)
        coder.encodeString(*name_);
    else
        coder.encodeObject(nullptr);
    coder.encodeObject(graphicStyle_);
    char flags[16];
    flagsToChars(itFlags_, flags);
    coder.encodeValueOfObjCType("[16c]", &flags);
    if (isTransformed()) {
        float m[4];
        getMatrix(m);
        coder.encodeArrayOfObjCType("f", 4, m);
    }
    coder.encodePoint(shadowOffset_);
    coder.encodeColor(shadowColor_);
    const char runaround = textRunaround_ ? 1 : 0;
    coder.encodeValueOfObjCType("c", &runaround);
    if (textRunaround_) {
        const Runaround& r = *textRunaround_;
        coder.encodeValuesOfObjCTypes("ffffi", r.left, r.right, r.top, r.bottom, r.flowSide);
    }
    if (itemSerialNumber_)
        coder.encodeTemporaryObject(kit::Number(*itemSerialNumber_));
    else
        coder.encodeObject(nullptr);
}

kit::Object* Item::initWithCoder(kit::Coder& coder)
{
    const float version = storedVersion(coder);
    const bool current = kit::isCurrentFileVersion(version);
    frame_ = coder.decodeRect();
    kit::Object* style = nullptr;
    if (current) {
        page_ = dynamic_cast<Page*>(coder.decodeObject());
        name_ = coder.decodeString();
        style = coder.decodeObject();
        char flags[16] = {};
        coder.decodeValueOfObjCType("[16c]", &flags);
        itFlags_ = flagsFromChars(flags);
    } else {
        if (version >= 2.26f) {
            char flags[16] = {};
            coder.decodeValueOfObjCType("[16c]", &flags);
            itFlags_ = flagsFromChars(flags);
        } else if (version >= 2.0f) {
            (void)coder.decodeObject();
            short v[15] = {};
            for (int i = 0; i < 15; i += 3)
                coder.decodeValuesOfObjCTypes("sss", &v[i], &v[i + 1], &v[i + 2]);
            char c[16] = {};
            for (int i = 0; i < 15; ++i)
                c[i] = static_cast<char>(v[i]);
            c[15] = 1; // conformsToMaster
            itFlags_ = flagsFromChars(c);
        } else {
            (void)coder.decodeObject();
            int bits = 0;
            coder.decodeValueOfObjCType("i", &bits);
            itFlags_ = flagsFromBits(static_cast<unsigned>(bits));
        }
        style = coder.decodeObject();
    }
    dropGraphicStyle();
    if (style) {
        auto* graphic = dynamic_cast<StyleGraphic*>(style);
        if (!graphic)
            throw kit::Exception(kit::ArchiverArchiveInconsistencyException,
                                 "Item: the graphic style is a " + style->className());
        // A named root belongs to the style sheet; anything else is the item's.
        auto* named = dynamic_cast<StyleGraphicNamed*>(graphic);
        if (named && named->isRootStyle())
            shareGraphicStyle(named);
        else
            adoptGraphicStyle(coder.claim<StyleGraphic>(style));
    }
    if (itFlags_.infoMode >= 2) {
        float m[4] = {1, 0, 0, 1};
        coder.decodeArrayOfObjCType("f", 4, m);
        const bool usable = std::isfinite(m[0]) && std::isfinite(m[1]) && std::isfinite(m[2]) &&
                            std::isfinite(m[3]) && m[0] * m[3] - m[1] * m[2] != 0.0f;
        info_ = std::make_unique<ItemInfo>();
        if (usable) {
            std::copy(m, m + 4, info_->matrix);
        } else {
            std::printf("Item: unusable transform [%g %g %g %g] dropped\n", m[0], m[1], m[2], m[3]);
            info_.reset();
            itFlags_.infoMode = 0;
        }
    } else {
        // The drawn bounds come back with calcInfo below.
        info_.reset();
        itFlags_.infoMode = 0;
    }
    shadowOffset_ = coder.decodePoint();
    shadowColor_ = current ? coder.decodeColor() : decodeNXColor(coder);
    if (!shadowColor_)
        shadowColor_ = kit::Color::colorWithGray(0.5f, 1.0f);
    textRunaround_.reset();
    bool hasRunaround = false;
    if (current) {
        char flag = 0;
        coder.decodeValueOfObjCType("c", &flag);
        hasRunaround = flag != 0;
        if (hasRunaround) {
            Runaround r;
            coder.decodeValuesOfObjCTypes("ffffi", &r.left, &r.right, &r.top, &r.bottom, &r.flowSide);
            textRunaround_ = std::make_unique<Runaround>(r);
        }
    } else {
        short flag = 0;
        coder.decodeValueOfObjCType("s", &flag);
        if (flag != 0) {
            Runaround r;
            coder.decodeValuesOfObjCTypes("ffff", &r.left, &r.right, &r.top, &r.bottom);
            coder.decodeValueOfObjCType("i", &r.flowSide);
            textRunaround_ = std::make_unique<Runaround>(r);
        }
    }
    if (current) {
        kit::Object* serial = coder.decodeObject();
        if (auto* number = dynamic_cast<kit::Number*>(serial))
            itemSerialNumber_ = number->intValue();
        else
            itemSerialNumber_.reset();
    } else {
        if (version >= 2.21f) {
            int serial = 0;
            coder.decodeValueOfObjCType("i", &serial);
            itemSerialNumber_ = serial;
        }
        if (version >= 2.52f) {
            std::optional<std::string> name;
            coder.decodeValueOfObjCType("*", &name);
            if (name)
                name_ = name;
        }
    }
    // Damaged numbers would poison every later geometric answer.
    frame_ = {{finiteOr(frame_.origin.x, 0), finiteOr(frame_.origin.y, 0)},
              {finiteOr(frame_.size.width, 0), finiteOr(frame_.size.height, 0)}};
    shadowOffset_ = {finiteOr(shadowOffset_.x, 4.0f), finiteOr(shadowOffset_.y, 6.0f)};
    if (textRunaround_) {
        Runaround& r = *textRunaround_;
        r = {finiteOr(r.left, 0), finiteOr(r.right, 0), finiteOr(r.top, 0), finiteOr(r.bottom, 0), r.flowSide};
    }
    itFlags_.selected = 0;
    itFlags_.editing = 0;
    calcInfo(false);
    return this;
}

void ItemBox::encodeWithCoder(kit::Coder& coder) const
{
    Item::encodeWithCoder(coder);
    const char special = bxFlags_.special ? 1 : 0;
    coder.encodeValueOfObjCType("c", &special);
}

kit::Object* ItemBox::initWithCoder(kit::Coder& coder)
{
    Item::initWithCoder(coder);
    const float version = storedVersion(coder);
    if (kit::isCurrentFileVersion(version)) {
        char special = 0;
        coder.decodeValueOfObjCType("c", &special);
        bxFlags_.special = special & 1;
    } else {
        // Below 2.0 the short's low byte was the whole flags byte, whose
        // first bit is the special bit.
        short special = 0;
        coder.decodeValueOfObjCType("s", &special);
        bxFlags_.special = special & 1;
    }
    return this;
}
