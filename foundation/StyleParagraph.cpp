#include "foundation/StyleParagraph.h"

#include "foundation/Border.h"
#include "foundation/Preferences.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/Font.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace {
bool forceDefinitions = false;

// Lengths and factors count as the same when they differ by less than one.
bool sameFloat(float a, float b)
{
    return std::trunc(a - b) == 0.0f;
}

bool colorsEqual(const kit::ColorRef& a, const kit::ColorRef& b)
{
    if (a == b)
        return true;
    return a && b && a->isEqual(*b);
}

bool samePlace(const StyleTabStop& a, const StyleTabStop& b)
{
    return sameFloat(a.location, b.location);
}

std::unique_ptr<StyleBullet> copyBullet(const StyleBullet* bullet)
{
    if (!bullet)
        return nullptr;
    auto b = std::make_unique<StyleBullet>(*bullet);
    b->color = bullet->color ? bullet->color->copy() : nullptr;
    return b;
}

bool bulletsDiffer(const StyleBullet* a, const StyleBullet* b)
{
    if (!a && !b)
        return false;
    if (!a || !b)
        return true;
    return a->font != b->font || a->text != b->text || a->offset.x != b->offset.x || a->offset.y != b->offset.y ||
           a->width != b->width || !colorsEqual(a->color, b->color);
}
} // namespace

void StyleParagraph::initialize()
{
    StyleChar::initialize();
    Border::initialize();
    kit::registerClass<StyleParagraph>("StyleParagraph");
    kit::registerClass<StyleParagraphNamed>("StyleParagraphNamed");
}

bool StyleParagraph::forceParagraphStyleDefinitions()
{
    return forceDefinitions;
}

void StyleParagraph::setForceParagraphStyleDefinitions(bool flag)
{
    forceDefinitions = flag;
}

StyleParagraph::StyleParagraph()
    : StyleParagraph(nullptr)
{
}

StyleParagraph::StyleParagraph(const Preferences* preferences)
    : charStyle_(std::make_unique<StyleChar>())
{
    if (preferences) {
        charStyle_->setFont(preferences->bodyFont());
        autoKern_ = preferences->autoKern() & 1;
        hyphenate_ = preferences->hyphenate() & 1;
        ligatures_ = preferences->paragraphLigatures();
        hungPunctuation_ = preferences->hungPunctuation() & 0x3;
        alignment_ = preferences->paragraphAlignment() & 0x7;
    }
    charStyle_->setLeading(StyleAutoLeading);
}

StyleParagraph::StyleParagraph(kit::ForDecodingTag)
    : charStyle_(std::make_unique<StyleChar>(kit::ForDecoding))
{
    charStyle_->setLeading(StyleAutoLeading);
}

StyleParagraph::~StyleParagraph() = default;

template <class Same>
void StyleParagraph::markIfDiffers(int bit, Same same)
{
    if (forceDefinitions) {
        definedFlags_ |= bit;
        return;
    }
    const StyleParagraph* based = basedOnStyle_;
    if (!based || !based->isAttributeForced(bit))
        return;
    if (same(*based))
        return;
    definedFlags_ |= bit;
}

void StyleParagraph::copyFieldsFrom(const StyleParagraph& other)
{
    basedOnStyle_ = other.basedOnStyle_;
    nextParagraphStyle_ = other.nextParagraphStyle_;
    indentLeft_ = other.indentLeft_;
    indentRight_ = other.indentRight_;
    indentDeltaFirst_ = other.indentDeltaFirst_;
    spaceBefore_ = other.spaceBefore_;
    spaceAfter_ = other.spaceAfter_;
    spaceBetween_ = other.spaceBetween_;
    definedFlags_ = other.definedFlags_;
    widowControl_ = other.widowControl_;
    columnStart_ = other.columnStart_;
    autonumberLevel_ = other.autonumberLevel_;
    styleNumber_ = other.styleNumber_;
    autoKern_ = other.autoKern_;
    hyphenate_ = other.hyphenate_;
    ligatures_ = other.ligatures_;
    hungPunctuation_ = other.hungPunctuation_;
    alignment_ = other.alignment_;
    absoluteTabs_ = other.absoluteTabs_;
}

std::unique_ptr<StyleParagraph> StyleParagraph::copy() const
{
    auto c = std::make_unique<StyleParagraph>();
    c->copyFieldsFrom(*this);
    c->charStyle_.reset();
    c->tabs_.clear();
    c->bullet_.reset();
    c->border_.reset();
    c->takeStyleValuesFrom(this);
    return c;
}

StyleParagraph* StyleParagraph::takeStyleValuesFrom(const StyleParagraph* other)
{
    if (!other || other == this)
        return this;
    setCharStyle(other->charStyle_.get());
    basedOnStyle_ = other->basedOnStyle_;
    nextParagraphStyle_ = other->nextParagraphStyle_;
    spaceBefore_ = other->spaceBefore_;
    spaceAfter_ = other->spaceAfter_;
    spaceBetween_ = other->spaceBetween_;
    takeRulerFrom(other);
    definedFlags_ = other->definedFlags_;
    bullet_ = copyBullet(other->bullet_.get());
    border_ = other->border_ ? other->border_->copy() : nullptr;
    widowControl_ = other->widowControl_;
    autonumberLevel_ = other->autonumberLevel_;
    autoKern_ = other->autoKern_;
    hyphenate_ = other->hyphenate_;
    ligatures_ = other->ligatures_;
    hungPunctuation_ = other->hungPunctuation_;
    alignment_ = other->alignment_;
    absoluteTabs_ = other->absoluteTabs_;
    columnStart_ = other->columnStart_;
    styleNumber_ = other->styleNumber_;
    return this;
}

void StyleParagraph::takeRulerFrom(const StyleParagraph* other)
{
    if (!other)
        return;
    indentLeft_ = other->indentLeft_;
    indentRight_ = other->indentRight_;
    indentDeltaFirst_ = other->indentDeltaFirst_;
    takeTabsFrom(other);
}

void StyleParagraph::takeTabsFrom(const StyleParagraph* other)
{
    if (!other || other == this)
        return;
    if (other->tabs_.empty()) {
        tabs_.clear();
        absoluteTabs_ = false;
        return;
    }
    absoluteTabs_ = other->absoluteTabs_;
    const std::vector<StyleTabStop> copy = other->tabs_;
    setTabs(copy.data(), int(copy.size()));
}

void StyleParagraph::assignTabs(std::vector<StyleTabStop> tabs)
{
    tabs_ = std::move(tabs);
}

void StyleParagraph::pushStyleValuesOn(StyleParagraph* target, bool force) const
{
    if (!target || target == this)
        return;
    target->basedOnStyle_ = dynamic_cast<StyleParagraphNamed*>(const_cast<StyleParagraph*>(this));
    auto take = [&](int bit) {
        return (definedFlags_ & bit) && (force || !(target->definedFlags_ & bit));
    };
    auto done = [&](int bits) {
        if (force)
            target->definedFlags_ &= ~bits;
    };
    StyleChar& tc = *target->charStyle_;
    if (take(StyleFontMask)) {
        tc.setFont(charStyle_->font());
        done(StyleFontMask | StyleSizeMask);
    }
    if (take(StyleWordSpaceMask)) {
        tc.setWordSpace(charStyle_->wordSpace());
        done(StyleWordSpaceMask);
    }
    if (take(StyleLeadingMask)) {
        tc.setLeading(charStyle_->leading());
        done(StyleLeadingMask);
    }
    if (take(StyleTrackingMask)) {
        tc.setTracking(charStyle_->tracking());
        done(StyleTrackingMask);
    }
    if (take(StyleLineSpacingMask)) {
        tc.setLineSpacing(charStyle_->lineSpacing());
        done(StyleLineSpacingMask);
    }
    if (take(StyleColorMask)) {
        tc.setColor(charStyle_->color());
        done(StyleColorMask);
    }
    if (take(StyleNextStyleMask)) {
        target->nextParagraphStyle_ = isBasedOnNamedStyle() ? nextParagraphStyle_ : nullptr;
        done(StyleNextStyleMask);
    }
    if (take(StyleSpaceBeforeMask)) {
        target->spaceBefore_ = spaceBefore_;
        done(StyleSpaceBeforeMask);
    }
    if (take(StyleSpaceAfterMask)) {
        target->spaceAfter_ = spaceAfter_;
        done(StyleSpaceAfterMask);
    }
    if (take(StyleSpaceBetweenMask)) {
        target->spaceBetween_ = spaceBetween_;
        done(StyleSpaceBetweenMask);
    }
    if (take(StyleIndentsMask)) {
        target->indentLeft_ = indentLeft_;
        target->indentRight_ = indentRight_;
        target->indentDeltaFirst_ = indentDeltaFirst_;
        done(StyleIndentsMask);
    }
    if (take(StyleTabsMask)) {
        // As takeTabsFrom, without marking the target.
        if (tabs_.empty())
            target->absoluteTabs_ = false;
        else
            target->absoluteTabs_ = absoluteTabs_;
        target->assignTabs(tabs_);
        done(StyleTabsMask);
    }
    if (take(StyleBulletMask)) {
        target->bullet_ = copyBullet(bullet_.get());
        done(StyleBulletMask);
    }
    if (take(StyleBorderMask)) {
        target->border_ = border_ ? border_->copy() : nullptr;
        done(StyleBorderMask);
    }
    if (take(StyleColumnStartMask)) {
        target->columnStart_ = columnStart_;
        done(StyleColumnStartMask);
    }
    if (take(StyleWidowControlMask)) {
        target->widowControl_ = widowControl_;
        done(StyleWidowControlMask);
    }
    if (take(StyleTypesettingMask)) {
        target->autoKern_ = autoKern_;
        target->hyphenate_ = hyphenate_;
        target->ligatures_ = ligatures_;
        target->hungPunctuation_ = hungPunctuation_;
        done(StyleTypesettingMask);
    }
    if (take(StyleAlignmentMask)) {
        target->alignment_ = alignment_;
        done(StyleAlignmentMask);
    }
    if (take(StyleAutonumberMask))
        target->autonumberLevel_ = autonumberLevel_;
    target->styleNumber_ = styleNumber_;
}

void StyleParagraph::scaleBy(double factor)
{
    charStyle_->scaleBy(factor);
}

// ---- Marking setters.

void StyleParagraph::setFont(kit::Font* font)
{
    charStyle_->setFont(font);
    markIfDiffers(StyleFontMask | StyleSizeMask, [&](const StyleParagraph& b) { return b.font() == font; });
}

void StyleParagraph::setPointSize(float size)
{
    charStyle_->setPointSize(size);
    markIfDiffers(StyleSizeMask, [&](const StyleParagraph& b) { return sameFloat(b.pointSize(), size); });
}

void StyleParagraph::setWordSpace(float value)
{
    charStyle_->setWordSpace(value);
    markIfDiffers(StyleWordSpaceMask, [&](const StyleParagraph& b) { return sameFloat(b.wordSpace(), value); });
}

void StyleParagraph::setLeading(float value)
{
    charStyle_->setLeading(value);
    markIfDiffers(StyleLeadingMask, [&](const StyleParagraph& b) { return sameFloat(b.leading(), value); });
}

void StyleParagraph::setTracking(float value)
{
    charStyle_->setTracking(value);
    markIfDiffers(StyleTrackingMask, [&](const StyleParagraph& b) { return sameFloat(b.tracking(), value); });
}

void StyleParagraph::setLineSpacing(float value)
{
    charStyle_->setLineSpacing(value);
    markIfDiffers(StyleLineSpacingMask,
                  [&](const StyleParagraph& b) { return sameFloat(b.lineSpacing(), value); });
}

void StyleParagraph::setColor(const kit::ColorRef& color)
{
    charStyle_->setColor(color);
    markIfDiffers(StyleColorMask, [&](const StyleParagraph& b) { return colorsEqual(b.color(), color); });
}

void StyleParagraph::setSpaceBefore(float value)
{
    spaceBefore_ = value;
    markIfDiffers(StyleSpaceBeforeMask, [&](const StyleParagraph& b) { return sameFloat(b.spaceBefore_, value); });
}

void StyleParagraph::setSpaceAfter(float value)
{
    spaceAfter_ = value;
    markIfDiffers(StyleSpaceAfterMask, [&](const StyleParagraph& b) { return sameFloat(b.spaceAfter_, value); });
}

void StyleParagraph::setSpaceBetween(float value)
{
    spaceBetween_ = value;
    markIfDiffers(StyleSpaceBetweenMask,
                  [&](const StyleParagraph& b) { return sameFloat(b.spaceBetween_, value); });
}

void StyleParagraph::setIndentLeft(float value)
{
    indentLeft_ = value;
    markIfDiffers(StyleIndentsMask, [&](const StyleParagraph& b) { return sameFloat(b.indentLeft_, value); });
}

void StyleParagraph::setIndentRight(float value)
{
    indentRight_ = value;
    markIfDiffers(StyleIndentsMask, [&](const StyleParagraph& b) { return sameFloat(b.indentRight_, value); });
}

void StyleParagraph::setIndentDeltaFirst(float value)
{
    indentDeltaFirst_ = value;
    markIfDiffers(StyleIndentsMask,
                  [&](const StyleParagraph& b) { return sameFloat(b.indentDeltaFirst_, value); });
}

void StyleParagraph::setIndents(float left, float right, float deltaFirst)
{
    indentLeft_ = left;
    indentRight_ = right;
    indentDeltaFirst_ = deltaFirst;
    markIfDiffers(StyleIndentsMask, [&](const StyleParagraph& b) {
        return sameFloat(b.indentLeft_, left) && sameFloat(b.indentRight_, right) &&
               sameFloat(b.indentDeltaFirst_, deltaFirst);
    });
}

void StyleParagraph::setAutoKern(bool flag)
{
    autoKern_ = flag;
    markIfDiffers(StyleTypesettingMask, [&](const StyleParagraph& b) { return b.autoKern_ == flag; });
}

void StyleParagraph::setHyphenate(bool flag)
{
    hyphenate_ = flag;
    markIfDiffers(StyleTypesettingMask, [&](const StyleParagraph& b) { return b.hyphenate_ == flag; });
}

void StyleParagraph::setLigatures(bool flag)
{
    ligatures_ = flag;
    markIfDiffers(StyleTypesettingMask, [&](const StyleParagraph& b) { return b.ligatures_ == flag; });
}

void StyleParagraph::setHungPunctuation(int value)
{
    hungPunctuation_ = value & 0x3;
    markIfDiffers(StyleTypesettingMask,
                  [&](const StyleParagraph& b) { return b.hungPunctuation_ == hungPunctuation_; });
}

void StyleParagraph::setAlignment(int value)
{
    alignment_ = value & 0x7;
    markIfDiffers(StyleAlignmentMask, [&](const StyleParagraph& b) { return b.alignment_ == alignment_; });
}

void StyleParagraph::setWidowControl(short value)
{
    widowControl_ = value;
    markIfDiffers(StyleWidowControlMask, [&](const StyleParagraph& b) { return b.widowControl_ == value; });
}

void StyleParagraph::setColumnStart(short value)
{
    columnStart_ = value;
    markIfDiffers(StyleColumnStartMask, [&](const StyleParagraph& b) { return b.columnStart_ == value; });
}

void StyleParagraph::setAutonumberLevel(short value)
{
    autonumberLevel_ = value;
    markIfDiffers(StyleAutonumberMask, [&](const StyleParagraph& b) { return b.autonumberLevel_ == value; });
}

void StyleParagraph::setNextParagraphStyle(StyleParagraph* style)
{
    if (!isBasedOnNamedStyle()) {
        nextParagraphStyle_ = nullptr;
        return;
    }
    nextParagraphStyle_ = style;
    markIfDiffers(StyleNextStyleMask, [&](const StyleParagraph& b) { return b.nextParagraphStyle_ == style; });
}

void StyleParagraph::setBulletColor(const kit::ColorRef& color)
{
    if (!bullet_)
        return;
    bullet_->color = color ? color->copy() : nullptr;
    markIfDiffers(StyleBulletMask, [&](const StyleParagraph& b) { return colorsEqual(b.bulletColor(), color); });
}

// ---- Setters that mark only while the class flag is set.

void StyleParagraph::setTabs(const StyleTabStop* tabs, int count)
{
    std::vector<StyleTabStop> copy;
    if (tabs && count > 0)
        copy.assign(tabs, tabs + count);
    tabs_ = std::move(copy);
    if (forceDefinitions)
        definedFlags_ |= StyleTabsMask;
}

void StyleParagraph::setBullet(std::unique_ptr<StyleBullet> bullet)
{
    bullet_ = std::move(bullet);
    if (forceDefinitions)
        definedFlags_ |= StyleBulletMask;
}

void StyleParagraph::setBasedOnStyle(StyleParagraph* style)
{
    if (style == this)
        return;
    auto* named = dynamic_cast<StyleParagraphNamed*>(style);
    if (style && !named)
        return;
    basedOnStyle_ = named;
    if (forceDefinitions)
        definedFlags_ |= StyleBasedOnMask;
}

void StyleParagraph::removeBullet()
{
    bullet_.reset();
    if (forceDefinitions)
        definedFlags_ |= StyleBulletMask;
}

void StyleParagraph::removeBorder()
{
    border_.reset();
    if (forceDefinitions)
        definedFlags_ |= StyleBorderMask;
}

void StyleParagraph::moveBulletBy(float dx, float dy)
{
    if (bullet_) {
        bullet_->offset.x -= dx;
        bullet_->offset.y += dy;
    }
    if (forceDefinitions)
        definedFlags_ |= StyleBulletMask;
}

namespace {
kit::Font* bulletFontOr(kit::Font* font, const StyleChar& charStyle)
{
    if (font)
        return font;
    if (charStyle.font())
        return charStyle.font();
    return kit::Font::fontWithName("Symbol", 12.0f);
}
} // namespace

void StyleParagraph::updateBullet(const std::string& text, kit::Font* font, float x, float y,
                                  const kit::ColorRef& color)
{
    if (!bullet_) {
        makeBullet(text, font, x, y, color);
        // A new bullet is marked like a changed one.
        if (forceDefinitions)
            definedFlags_ |= StyleBulletMask;
        return;
    }
    bullet_->text = text;
    bullet_->color = color ? color->copy() : nullptr;
    bullet_->font = bulletFontOr(font, *charStyle_);
    bullet_->offset = {x, y};
    bullet_->width = bullet_->font ? bullet_->font->widthOfString(text) : 0.0f;
    if (forceDefinitions)
        definedFlags_ |= StyleBulletMask;
}

// ---- Setters that never mark.

void StyleParagraph::setCharStyle(const StyleChar* style)
{
    if (!style)
        return;
    if (!charStyle_)
        charStyle_ = std::make_unique<StyleChar>();
    charStyle_->takeCharStyleValuesFrom(style);
}

void StyleParagraph::setFillColor(const kit::ColorRef& color)
{
    makeBorder()->setFillColor(color);
}

Border* StyleParagraph::makeBorder()
{
    if (!border_)
        border_ = std::make_unique<Border>();
    return border_.get();
}

void StyleParagraph::makeBullet(const std::string& text, kit::Font* font, float x, float y,
                                const kit::ColorRef& color)
{
    if (!bullet_)
        bullet_ = std::make_unique<StyleBullet>();
    bullet_->text = text;
    bullet_->color = color ? color->copy() : nullptr;
    bullet_->font = bulletFontOr(font, *charStyle_);
    bullet_->offset = {x, y};
    bullet_->width = bullet_->font ? bullet_->font->widthOfString(text) : 0.0f;
    if (x + bullet_->width > indentLeft_ + indentDeltaFirst_)
        setIndents(x + bullet_->width, indentRight_, 0.0f);
}

void StyleParagraph::sortTabs()
{
    std::stable_sort(tabs_.begin(), tabs_.end(),
                     [](const StyleTabStop& a, const StyleTabStop& b) { return a.location < b.location; });
}

void StyleParagraph::addTab(const StyleTabStop& tab)
{
    for (StyleTabStop& t : tabs_) {
        if (samePlace(t, tab)) {
            t.type = tab.type;
            t.leader = tab.leader;
            return;
        }
    }
    tabs_.push_back(tab);
    sortTabs();
}

const std::vector<StyleTabStop>& StyleParagraph::removeTab(const StyleTabStop& tab)
{
    for (auto it = tabs_.begin(); it != tabs_.end(); ++it) {
        if (samePlace(*it, tab) && it->type == tab.type && it->leader == tab.leader) {
            tabs_.erase(it);
            sortTabs();
            break;
        }
    }
    return tabs_;
}

// ---- Queries.

kit::Font* StyleParagraph::font() const { return charStyle_->font(); }
float StyleParagraph::pointSize() const { return charStyle_->pointSize(); }
float StyleParagraph::wordSpace() const { return charStyle_->wordSpace(); }
float StyleParagraph::tracking() const { return charStyle_->tracking(); }
float StyleParagraph::lineSpacing() const { return charStyle_->lineSpacing(); }
kit::ColorRef StyleParagraph::color() const { return charStyle_->color(); }
float StyleParagraph::absoluteLeading() const { return charStyle_->leading(); }
float StyleParagraph::leading() const { return charStyle_->lineHeight(); }

kit::Font* StyleParagraph::bulletFont() const
{
    return bullet_ ? bullet_->font : nullptr;
}

std::string StyleParagraph::bulletText() const
{
    return bullet_ ? bullet_->text : std::string();
}

kit::Point StyleParagraph::bulletOffset() const
{
    return bullet_ ? bullet_->offset : kit::Point{};
}

float StyleParagraph::bulletWidth() const
{
    return bullet_ ? bullet_->width : 0.0f;
}

kit::ColorRef StyleParagraph::bulletColor() const
{
    return bullet_ ? bullet_->color : kit::Color::blackColor();
}

kit::ColorRef StyleParagraph::fillColor() const
{
    return border_ ? border_->fillColor() : kit::Color::whiteColor();
}

std::optional<std::string> StyleParagraph::styleName() const
{
    return stringForKey("No Style");
}

std::string StyleParagraph::sortName() const
{
    return std::string();
}

std::optional<std::string> StyleParagraph::rootName() const
{
    const StyleParagraph* root = rootStyle();
    if (!root)
        return std::nullopt;
    return root->styleName();
}

StyleParagraph* StyleParagraph::rootStyle() const
{
    return basedOnStyle_ ? basedOnStyle_->rootStyle() : nullptr;
}

bool StyleParagraph::isBasedOnStyle(const StyleParagraph* style) const
{
    std::unordered_set<const StyleParagraph*> seen{this};
    for (const StyleParagraph* s = basedOnStyle_; s; s = s->basedOnStyle_) {
        if (s == style)
            return true;
        if (!seen.insert(s).second)
            return false;
    }
    return false;
}

void StyleParagraph::removeStyleReference(const StyleParagraph* style)
{
    if (!style)
        return;
    if (nextParagraphStyle_ == style)
        nextParagraphStyle_ = nullptr;
    if (basedOnStyle_ == style)
        basedOnStyle_ = nullptr;
}

int StyleParagraph::differencesFromStyle(const StyleParagraph* other) const
{
    if (!other)
        return 0;
    int diff = charStyle_->differencesFromStyle(other->charStyle_.get());
    if (spaceBefore_ != other->spaceBefore_)
        diff |= StyleSpaceBeforeMask;
    if (spaceAfter_ != other->spaceAfter_)
        diff |= StyleSpaceAfterMask;
    if (spaceBetween_ != other->spaceBetween_)
        diff |= StyleSpaceBetweenMask;
    if (indentLeft_ != other->indentLeft_ || indentRight_ != other->indentRight_ ||
        indentDeltaFirst_ != other->indentDeltaFirst_)
        diff |= StyleIndentsMask;
    if (tabs_.size() != other->tabs_.size()) {
        diff |= StyleTabsMask;
    } else {
        for (std::size_t i = 0; i < tabs_.size(); ++i) {
            const StyleTabStop &a = tabs_[i], &b = other->tabs_[i];
            if (a.type != b.type || a.location != b.location || a.leader != b.leader) {
                diff |= StyleTabsMask;
                break;
            }
        }
    }
    if (bulletsDiffer(bullet_.get(), other->bullet_.get()))
        diff |= StyleBulletMask;
    if (bool(border_) != bool(other->border_) || (border_ && !border_->isEqual(*other->border_)))
        diff |= StyleBorderMask;
    if (columnStart_ != other->columnStart_)
        diff |= StyleColumnStartMask;
    if (widowControl_ != other->widowControl_)
        diff |= StyleWidowControlMask;
    if (autoKern_ != other->autoKern_ || hyphenate_ != other->hyphenate_ || ligatures_ != other->ligatures_ ||
        hungPunctuation_ != other->hungPunctuation_)
        diff |= StyleTypesettingMask;
    if (alignment_ != other->alignment_)
        diff |= StyleAlignmentMask;
    if (autonumberLevel_ != other->autonumberLevel_)
        diff |= StyleAutonumberMask;
    auto namesDiffer = [](const StyleParagraph* a, const StyleParagraph* b) {
        const auto na = a ? a->styleName() : std::nullopt;
        const auto nb = b ? b->styleName() : std::nullopt;
        return (na || nb) && na != nb;
    };
    if (namesDiffer(nextParagraphStyle_, other->nextParagraphStyle_))
        diff |= StyleNextStyleMask;
    if (namesDiffer(basedOnStyle_, other->basedOnStyle_))
        diff |= StyleBasedOnMask;
    return diff;
}
