#include "foundation/StyleParagraphNamed.h"

#include "foundation/StyleNames.h"

#include <algorithm>

std::optional<std::string> StyleParagraphNamed::rootName() const
{
    const StyleParagraph* root = rootStyle();
    return root ? root->styleName() : styleName_;
}

StyleParagraph* StyleParagraphNamed::rootStyle() const
{
    return treeRoot();
}

void StyleParagraphNamed::_copyFrom(const StyleParagraphNamed& source)
{
    styleName_ = source.styleName_;
    setSuperstyle(source.superstyle());
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
    if (style && superstyle() == style)
        removeFromSuperstyle();
}
