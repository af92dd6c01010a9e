#include "foundation/StyleGraphicNamed.h"

#include "foundation/StyleNames.h"

#include <algorithm>
#include <unordered_set>

StyleGraphicNamed::~StyleGraphicNamed()
{
    removeFromSuperstyle();
    if (substyles_) {
        for (StyleGraphicNamed* child : *substyles_)
            if (child->superstyle_ == this)
                child->superstyle_ = nullptr;
    }
}

std::optional<std::string> StyleGraphicNamed::rootName() const
{
    const StyleGraphic* root = rootStyle();
    return root ? root->styleName() : styleName_;
}

StyleGraphic* StyleGraphicNamed::rootStyle() const
{
    const StyleGraphicNamed* s = this;
    std::unordered_set<const StyleGraphicNamed*> seen{s};
    while (s->superstyle_ && seen.insert(s->superstyle_).second)
        s = s->superstyle_;
    return const_cast<StyleGraphicNamed*>(s);
}

void StyleGraphicNamed::addSubstyle(StyleGraphicNamed* style)
{
    if (!style)
        return;
    // A child that is the receiver or above it would close a loop.
    std::unordered_set<const StyleGraphicNamed*> seen;
    for (const StyleGraphicNamed* s = this; s && seen.insert(s).second; s = s->superstyle_)
        if (s == style)
            return;
    if (!substyles_) {
        substyles_ = std::make_unique<std::vector<StyleGraphicNamed*>>();
        substyles_->reserve(2);
    }
    style->setStyleName(getSubName(styleName_));
    style->setCanFree(true);
    if (style->superstyle_ && style->superstyle_ != this)
        style->superstyle_->_removeSubstyle(style);
    style->superstyle_ = this;
    if (std::find(substyles_->begin(), substyles_->end(), style) == substyles_->end())
        substyles_->push_back(style);
}

std::unique_ptr<StyleGraphicNamed> StyleGraphicNamed::newSubstyle()
{
    std::unique_ptr<StyleGraphicNamed> child = copyNamed();
    child->setStyleName(getSubName(styleName_));
    child->setCanFree(true);
    addSubstyle(child.get());
    return child;
}

void StyleGraphicNamed::_removeSubstyle(StyleGraphicNamed* style)
{
    if (substyles_)
        std::erase(*substyles_, style);
}

void StyleGraphicNamed::removeFromSuperstyle()
{
    if (superstyle_)
        superstyle_->_removeSubstyle(this);
    superstyle_ = nullptr;
}

void StyleGraphicNamed::removeSubstyles()
{
    substyles_.reset();
}

std::unique_ptr<StyleGraphic> StyleGraphicNamed::copy() const
{
    return copyNamed();
}

std::unique_ptr<StyleGraphicNamed> StyleGraphicNamed::copyNamed() const
{
    auto c = std::make_unique<StyleGraphicNamed>();
    copyInto(*c);
    c->styleName_ = styleName_;
    c->superstyle_ = superstyle_;
    return c;
}

void StyleGraphicNamed::transfer(const StyleGraphic* style, int m)
{
    setFillWithMask(style->hasFill() ? style->fill() : nullptr, m);
    setLineWithMask(style->hasLine() ? style->line() : nullptr, m);
    setLeftArrowWithMask(style->hasLeftArrow() ? style->leftArrow() : nullptr, m);
    setRightArrowWithMask(style->hasRightArrow() ? style->rightArrow() : nullptr, m);
}

void StyleGraphicNamed::updateWithStyle(const StyleGraphic* style)
{
    if (!style || style == this)
        return;
    transfer(style, ~definedFlags());
    setFillOverprint(style->fillOverprint());
    if (substyles_) {
        const std::vector<StyleGraphicNamed*> children = *substyles_;
        for (StyleGraphicNamed* child : children)
            child->updateWithStyle(this);
    }
}

void StyleGraphicNamed::updateWithStyle(const StyleGraphic* style, int mask)
{
    if (!style)
        return;
    const int m = mask & ~definedFlags();
    if (style != this)
        transfer(style, m);
    if (substyles_) {
        const std::vector<StyleGraphicNamed*> children = *substyles_;
        for (StyleGraphicNamed* child : children)
            child->updateWithStyle(style, m);
    }
}
