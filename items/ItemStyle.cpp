#include "items/Item.h"

#include "document/LayoutDocument.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleSheetEntry.h"

namespace {

// The document's root style of that name; without a document (or when the
// sheet lacks it) the style's own root.
StyleGraphicNamed* documentRootFor(LayoutDocument* doc, const StyleGraphic* style)
{
    if (doc && doc->styleInfo()) {
        StyleInfo* sheet = doc->styleInfo();
        if (auto* found = dynamic_cast<StyleGraphicNamed*>(sheet->styleWithName(style->rootName(), sheet->graphicStyles())))
            return found;
    }
    return dynamic_cast<StyleGraphicNamed*>(style->rootStyle());
}

} // namespace

void Item::dropGraphicStyle()
{
    if (graphicStyle_ && graphicStyle_ != ownedStyle_.get())
        if (auto* shared = dynamic_cast<StyleGraphicNamed*>(graphicStyle_))
            shared->removeUser(this);
    graphicStyle_ = nullptr;
    ownedStyle_.reset();
}

void Item::adoptGraphicStyle(std::unique_ptr<StyleGraphic> style)
{
    dropGraphicStyle();
    ownedStyle_ = std::move(style);
    graphicStyle_ = ownedStyle_.get();
}

void Item::shareGraphicStyle(StyleGraphicNamed* style)
{
    if (style == graphicStyle_)
        return;
    dropGraphicStyle();
    graphicStyle_ = style;
    if (style)
        style->addUser(this);
}

void Item::graphicStyleWillLeave(StyleGraphicNamed* style)
{
    if (!style || graphicStyle_ != style || ownedStyle_.get() == style)
        return;
    // The style has already forgotten the item: keep its look, not it.
    auto local = std::make_unique<StyleGraphic>();
    local->takeStyleValuesFrom(style);
    graphicStyle_ = nullptr;
    ownedStyle_ = std::move(local);
    graphicStyle_ = ownedStyle_.get();
}

bool Item::canAcceptStyle(std::string_view styleClass) const
{
    return styleClass == "StyleGraphic";
}

StyleGraphic* Item::graphicStyle() const
{
    return canAcceptStyle("StyleGraphic") ? graphicStyle_ : nullptr;
}

bool Item::canFill() const
{
    return canAcceptStyle("StyleGraphic");
}

bool Item::canLine() const
{
    return canAcceptStyle("StyleGraphic");
}

int Item::graphicPermissions() const
{
    if (!canAcceptStyle("StyleGraphic"))
        return 0;
    int permissions = 0;
    if (canLine())
        permissions |= 4;
    if (canFill())
        permissions |= 6;
    if (canCrop())
        permissions |= 1;
    if (canArrow())
        permissions |= 8;
    return permissions;
}

void Item::setGraphicStyle(StyleGraphic* style)
{
    if (!style || !canAcceptStyle("StyleGraphic"))
        return;
    if (!style->isNamedStyle()) {
        if (graphicStyle_ && !graphicStyle_->isNamedStyle())
            graphicStyle_->takeStyleValuesFrom(style);
        else
            adoptGraphicStyle(style->copy());
        calcInfo();
        return;
    }
    StyleGraphicNamed* root = documentRootFor(document(), style);
    // The old style goes first: a derived style of ours is ours alone.
    dropGraphicStyle();
    if (!root) {
        adoptGraphicStyle(style->copy());
    } else if (style == root || style->isRootStyle()) {
        shareGraphicStyle(root);
    } else {
        const int differences = style->differencesFromStyle(root);
        if (differences == 0) {
            shareGraphicStyle(root);
        } else {
            std::unique_ptr<StyleGraphic> copy = style->copy();
            copy->setDefinedFlags(differences);
            root->addSubstyle(static_cast<StyleGraphicNamed*>(copy.get()));
            adoptGraphicStyle(std::move(copy));
        }
    }
    calcInfo();
}

void Item::takeGraphicStyleValuesFrom(const StyleGraphic* style)
{
    if (!style || !canAcceptStyle("StyleGraphic"))
        return;
    if (!graphicStyle_)
        adoptGraphicStyle(std::make_unique<StyleGraphic>());
    graphicStyle_->takeStyleValuesFrom(style);
    calcInfo();
}

void Item::localizeGraphicStyle()
{
    if (!graphicStyle_ || !graphicStyle_->isNamedStyle() || !graphicStyle_->isRootStyle())
        return;
    auto* root = dynamic_cast<StyleGraphicNamed*>(graphicStyle_);
    if (!root)
        return;
    adoptGraphicStyle(root->newSubstyle());
}

void Item::unlocalizeGraphicStyle()
{
    if (!graphicStyle_ || !graphicStyle_->isNamedStyle() || graphicStyle_->isRootStyle())
        return;
    StyleGraphic* root = graphicStyle_->rootStyle();
    if (!root)
        return;
    const int differences = graphicStyle_->differencesFromStyle(root);
    if (differences != 0) {
        graphicStyle_->setDefinedFlags(differences);
        return;
    }
    StyleGraphicNamed* shared = documentRootFor(document(), graphicStyle_);
    if (!shared)
        shared = dynamic_cast<StyleGraphicNamed*>(root);
    if (!shared)
        return;
    shareGraphicStyle(shared);
}

void Item::removeGraphicStyle(const kit::Object* sender)
{
    (void)sender;
    if (!graphicStyle_ || !graphicStyle_->isNamedStyle())
        return;
    if (!graphicStyle_->isRootStyle()) {
        auto* derived = dynamic_cast<StyleGraphicNamed*>(graphicStyle_);
        if (!derived)
            return;
        derived->removeFromSuperstyle();
        derived->setStyleName(StyleSheetEntry::stringForKey("No Style"));
        derived->setDefinedFlags(0);
        return;
    }
    auto local = std::make_unique<StyleGraphic>();
    local->takeStyleValuesFrom(graphicStyle_);
    adoptGraphicStyle(std::move(local));
}

template <class F>
void Item::changeStyle(F&& change)
{
    if (!graphicStyle_)
        return;
    localizeGraphicStyle();
    change(*graphicStyle_);
    unlocalizeGraphicStyle();
}

void Item::setHasFill(bool flag)
{
    if (canFill())
        changeStyle([&](StyleGraphic& s) { s.setHasFill(flag); });
}

void Item::setFill(const GxFill* fill)
{
    if (canFill())
        changeStyle([&](StyleGraphic& s) { s.setFill(fill); });
}

void Item::setFillColor(const kit::ColorRef& color)
{
    if (canFill())
        changeStyle([&](StyleGraphic& s) { s.setFillColor(color); });
}

void Item::setFillPattern(std::shared_ptr<const kit::Object> pattern)
{
    if (canFill())
        changeStyle([&](StyleGraphic& s) { s.setFillPattern(pattern); });
}

void Item::setFillOverprint(bool flag)
{
    changeStyle([&](StyleGraphic& s) { s.setFillOverprint(flag); });
}

void Item::setHasLine(bool flag)
{
    if (!canLine())
        return;
    changeStyle([&](StyleGraphic& s) { s.setHasLine(flag); });
    calcInfo();
}

void Item::setLine(const GxLine* line)
{
    if (!canLine())
        return;
    changeStyle([&](StyleGraphic& s) { s.setLine(line); });
    calcInfo();
}

void Item::setLineColor(const kit::ColorRef& color)
{
    if (canLine())
        changeStyle([&](StyleGraphic& s) { s.setLineColor(color); });
}

void Item::setLineWidth(float width)
{
    if (!canLine())
        return;
    changeStyle([&](StyleGraphic& s) { s.setLineWidth(width); });
    calcInfo();
}

void Item::setLineOverprint(bool flag)
{
    changeStyle([&](StyleGraphic& s) { s.setLineOverprint(flag); });
}

void Item::setLineDash(const GxDash* dash)
{
    if (canLine())
        changeStyle([&](StyleGraphic& s) { s.setLineDash(dash); });
}

void Item::setLeftArrow(const GxArrow* arrow)
{
    if (!canArrow())
        return;
    changeStyle([&](StyleGraphic& s) { s.setLeftArrow(arrow); });
    calcInfo();
}

void Item::setRightArrow(const GxArrow* arrow)
{
    if (!canArrow())
        return;
    changeStyle([&](StyleGraphic& s) { s.setRightArrow(arrow); });
    calcInfo();
}

void Item::setDoesCrop(bool flag)
{
    if (canCrop())
        changeStyle([&](StyleGraphic& s) { s.setDoesCrop(flag); });
}

bool Item::hasFill() const
{
    return canFill() && graphicStyle_ && graphicStyle_->hasFill();
}

bool Item::hasLine() const
{
    return canLine() && graphicStyle_ && graphicStyle_->hasLine();
}

float Item::lineWidth() const
{
    return (canLine() && graphicStyle_) ? graphicStyle_->lineWidth() : 0.0f;
}

bool Item::doesCrop() const
{
    return canCrop() && graphicStyle_ && graphicStyle_->doesCrop();
}

bool Item::hasOverprint() const
{
    return graphicStyle_ && graphicStyle_->fillOverprint();
}

void Item::reverseColor(const kit::Object* sender)
{
    (void)sender;
    if (!graphicStyle_ || !graphicStyle_->hasFill())
        return;
    const kit::ColorRef color = graphicStyle_->fillColor();
    if (!color)
        return;
    float r = 0, g = 0, b = 0;
    color->getRed(r, g, b);
    graphicStyle_->setFillColor(kit::Color::colorWithDeviceRed(1 - r, 1 - g, 1 - b, color->alphaComponent()));
}
