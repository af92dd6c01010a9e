#include "foundation/StyleGraphicNamed.h"

#include "foundation/StyleNames.h"

#include <algorithm>
#include <utility>

std::optional<std::string> StyleGraphicNamed::rootName() const
{
    const StyleGraphic* root = rootStyle();
    return root ? root->styleName() : styleName_;
}

StyleGraphic* StyleGraphicNamed::rootStyle() const
{
    return treeRoot();
}

void StyleGraphicNamed::addUser(StyleGraphicUser* user)
{
    if (user)
        users_.insert(user);
}

void StyleGraphicNamed::removeUser(StyleGraphicUser* user)
{
    users_.erase(user);
}

void StyleGraphicNamed::releaseUsers()
{
    // A user told removes itself from a list that is already empty.
    for (StyleGraphicUser* user : std::exchange(users_, {}))
        user->graphicStyleWillLeave(this);
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
    c->setSuperstyle(superstyle());
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
    if (substyles()) {
        const std::vector<StyleGraphicNamed*> children = *substyles();
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
    if (substyles()) {
        const std::vector<StyleGraphicNamed*> children = *substyles();
        for (StyleGraphicNamed* child : children)
            child->updateWithStyle(style, m);
    }
}
