#include "foundation/StyleParagraphNamed.h"

#include "foundation/StyleNames.h"

#include <algorithm>
#include <unordered_set>

StyleParagraphNamed::~StyleParagraphNamed()
{
    removeFromSuperstyle();
    if (substyles_) {
        for (StyleParagraphNamed* child : *substyles_)
            if (child->superstyle_ == this)
                child->superstyle_ = nullptr;
    }
}

std::optional<std::string> StyleParagraphNamed::rootName() const
{
    const StyleParagraph* root = rootStyle();
    return root ? root->styleName() : styleName_;
}

StyleParagraph* StyleParagraphNamed::rootStyle() const
{
    const StyleParagraphNamed* s = this;
    std::unordered_set<const StyleParagraphNamed*> seen{s};
    while (s->superstyle_ && seen.insert(s->superstyle_).second)
        s = s->superstyle_;
    return const_cast<StyleParagraphNamed*>(s);
}

void StyleParagraphNamed::addSubstyle(StyleParagraphNamed* style)
{
    if (!style)
        return;
    // A child that is the receiver or above it would close a loop.
    std::unordered_set<const StyleParagraphNamed*> seen;
    for (const StyleParagraphNamed* s = this; s && seen.insert(s).second; s = s->superstyle_)
        if (s == style)
            return;
    if (!substyles_) {
        substyles_ = std::make_unique<std::vector<StyleParagraphNamed*>>();
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

std::unique_ptr<StyleParagraphNamed> StyleParagraphNamed::newSubstyle()
{
    std::unique_ptr<StyleParagraphNamed> child = copyNamed();
    child->setStyleName(getSubName(styleName_));
    child->setCanFree(true);
    addSubstyle(child.get());
    return child;
}

void StyleParagraphNamed::_removeSubstyle(StyleParagraphNamed* style)
{
    if (substyles_)
        std::erase(*substyles_, style);
}

void StyleParagraphNamed::removeFromSuperstyle()
{
    if (superstyle_)
        superstyle_->_removeSubstyle(this);
    superstyle_ = nullptr;
}

void StyleParagraphNamed::removeSubstyles()
{
    substyles_.reset();
}

void StyleParagraphNamed::_copyFrom(const StyleParagraphNamed& source)
{
    styleName_ = source.styleName_;
    superstyle_ = source.superstyle_;
    substyles_.reset();
}

std::unique_ptr<StyleParagraph> StyleParagraphNamed::copy() const
{
    return copyNamed();
}

std::unique_ptr<StyleParagraphNamed> StyleParagraphNamed::copyNamed() const
{
    auto c = std::make_unique<StyleParagraphNamed>();
    c->StyleParagraph::takeStyleValuesFrom(this);
    c->_copyFrom(*this);
    return c;
}

StyleParagraph* StyleParagraphNamed::takeStyleValuesFrom(const StyleParagraph* other)
{
    StyleParagraph::takeStyleValuesFrom(other);
    if (other && other != this && other->isNamedStyle())
        styleName_ = other->styleName();
    return this;
}

void StyleParagraphNamed::removeStyleReference(const StyleParagraph* style)
{
    StyleParagraph::removeStyleReference(style);
    if (style && superstyle_ == style)
        removeFromSuperstyle();
}
