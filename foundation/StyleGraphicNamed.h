#pragma once

// A named graphic style of the style sheet, with its place in the tree of
// styles; changes propagate down the tree to what substyles don't define.

#include "foundation/NamedStyleTree.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleGraphicUser.h"

#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

class StyleGraphicNamed : public StyleGraphic, public NamedStyleTree<StyleGraphicNamed> {
public:
    StyleGraphicNamed() = default;
    ~StyleGraphicNamed() override
    {
        releaseUsers();
        detachFromTree();
    }

    std::optional<std::string> styleName() const override { return styleName_; }
    std::string sortName() const override { return styleName_.value_or(std::string()); }
    std::optional<std::string> rootName() const override;
    bool isNamedStyle() const override { return true; }
    bool isRootStyle() const override { return superstyle() == nullptr; }
    StyleGraphic* rootStyle() const override;

    using NamedStyleTree::setStyleName;

    // The users of the style: each adds itself while it shares the style and
    // removes itself when it stops.
    void addUser(StyleGraphicUser* user);
    void removeUser(StyleGraphicUser* user);
    // Every user is told that the style leaves, and forgotten.
    void releaseUsers();
    std::size_t userCount() const { return users_.size(); }

    std::unique_ptr<StyleGraphic> copy() const override;
    std::unique_ptr<StyleGraphicNamed> copyNamed() const;

    // Takes what the receiver does not define from style, then passes itself
    // down to its substyles.
    void updateWithStyle(const StyleGraphic* style);
    void updateWithStyle(const StyleGraphic* style, int mask);

    std::string className() const override { return "StyleGraphicNamed"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    void transfer(const StyleGraphic* style, int mask);

    std::unordered_set<StyleGraphicUser*> users_; // not owned

};
