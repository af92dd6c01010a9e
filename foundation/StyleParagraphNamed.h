#pragma once

// A named paragraph style of the style sheet, with its place in the tree of
// styles: a substyle's name is its parent's followed by "+".

#include "foundation/NamedStyleTree.h"
#include "foundation/StyleParagraph.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class StyleParagraphNamed : public StyleParagraph, public NamedStyleTree<StyleParagraphNamed> {
public:
    using StyleParagraph::StyleParagraph;
    ~StyleParagraphNamed() override { detachFromTree(); }

    std::optional<std::string> styleName() const override { return styleName_; }
    std::string sortName() const override { return styleName_.value_or(std::string()); }
    std::optional<std::string> rootName() const override;
    bool isNamedStyle() const override { return true; }
    bool isRootStyle() const override { return superstyle() == nullptr; }
    bool isBasedOnNamedStyle() const override { return true; }
    StyleParagraph* rootStyle() const override;

    using NamedStyleTree::setStyleName;

    std::unique_ptr<StyleParagraph> copy() const override;
    std::unique_ptr<StyleParagraphNamed> copyNamed() const;
    StyleParagraph* takeStyleValuesFrom(const StyleParagraph* other) override;
    void removeStyleReference(const StyleParagraph* style) override;

    std::string className() const override { return "StyleParagraphNamed"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    void _copyFrom(const StyleParagraphNamed& source);

};
