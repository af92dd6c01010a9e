#pragma once

// A named paragraph style of the style sheet, with its place in the tree of
// styles: a substyle's name is its parent's followed by "+".

#include "foundation/StyleParagraph.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class StyleParagraphNamed : public StyleParagraph {
public:
    StyleParagraphNamed() = default;
    // Leaves the tree: the parent forgets it and its substyles become roots.
    ~StyleParagraphNamed() override;

    void setStyleName(std::optional<std::string> name) { styleName_ = std::move(name); }
    std::optional<std::string> styleName() const override { return styleName_; }
    std::string sortName() const override { return styleName_.value_or(std::string()); }
    std::optional<std::string> rootName() const override;
    bool isNamedStyle() const override { return true; }
    bool isRootStyle() const override { return superstyle_ == nullptr; }
    bool isBasedOnNamedStyle() const override { return true; }
    // The top of the superstyle chain; a chain that loops ends at the repeat.
    StyleParagraph* rootStyle() const override;

    void setSuperstyle(StyleParagraphNamed* style) { superstyle_ = style; }
    StyleParagraphNamed* superstyle() const { return superstyle_; }
    // nullptr until the first substyle is added.
    const std::vector<StyleParagraphNamed*>* substyles() const { return substyles_.get(); }
    // Refuses a child that is the receiver or one of its ancestors.
    void addSubstyle(StyleParagraphNamed* style);
    std::unique_ptr<StyleParagraphNamed> newSubstyle();
    void _removeSubstyle(StyleParagraphNamed* style);
    void removeFromSuperstyle();
    void removeSubstyles();

    std::unique_ptr<StyleParagraph> copy() const override;
    std::unique_ptr<StyleParagraphNamed> copyNamed() const;
    StyleParagraph* takeStyleValuesFrom(const StyleParagraph* other) override;
    void removeStyleReference(const StyleParagraph* style) override;

    std::string className() const override { return "StyleParagraphNamed"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    void _copyFrom(const StyleParagraphNamed& source);

    std::optional<std::string> styleName_;
    StyleParagraphNamed* superstyle_ = nullptr; // not owned
    std::unique_ptr<std::vector<StyleParagraphNamed*>> substyles_; // the styles are not owned
};
