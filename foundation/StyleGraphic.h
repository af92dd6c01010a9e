#pragma once

// The graphic attributes of a page item: an optional fill, an optional line
// with its dash, optional start and end arrows on the line, and a crop flag.
// A record may exist while its has-flag is clear: the attribute is switched
// off but keeps its values.

#include "core/Color.h"
#include "core/Geometry.h"
#include "core/Object.h"
#include "foundation/GxRecords.h"
#include "foundation/StyleSheetEntry.h"

#include <memory>
#include <optional>
#include <string>

class StyleGraphic : public kit::Object, public StyleSheetEntry {
public:
    // Registers the graphic style classes.
    static void initialize();

    StyleGraphic();
    ~StyleGraphic() override;

    virtual std::unique_ptr<StyleGraphic> copy() const;

    void allocFill();
    void allocLine();
    void allocLeftArrow();
    void allocRightArrow();
    void freeFill() { fill_.reset(); }
    void freeLine() { line_.reset(); }
    void freeLeftArrow() { leftArrow_.reset(); }
    void freeRightArrow() { rightArrow_.reset(); }
    // Frees each record whose has-flag is clear.
    void _cleanup();

    void setCanFree(bool flag) override { doNotFree_ = !flag; }
    bool canFree() const override { return !doNotFree_; }

    // ---- Fill.
    void setFill(const GxFill* fill) { setFillWithMask(fill, GxFillMask); }
    void setFillWithMask(const GxFill* fill, int mask);
    const GxFill* fill() const { return fill_.get(); }
    void setHasFill(bool flag);
    bool hasFill() const { return fill_ && hasFill_; }
    void setFillColor(const kit::ColorRef& color);
    kit::ColorRef fillColor() const;
    void setFillPattern(std::shared_ptr<const kit::Object> pattern);
    std::shared_ptr<const kit::Object> fillPattern() const;
    void setFillOverprint(bool flag);
    bool fillOverprint() const;
    void setFillState() const { setFillState(false); }
    void setFillState(bool cached) const;

    // ---- Line.
    void setLine(const GxLine* line) { setLineWithMask(line, GxLineMask); }
    void setLineWithMask(const GxLine* line, int mask);
    const GxLine* line() const { return line_.get(); }
    void setHasLine(bool flag);
    bool hasLine() const { return line_ && hasLine_; }
    void setLineColor(const kit::ColorRef& color);
    void setLineWidth(float width);
    void setLineDash(const GxDash* dash);
    void setLineOverprint(bool flag);
    kit::ColorRef lineColor() const;
    float lineWidth() const;
    bool lineOverprint() const;
    const GxDash* lineDash() const;
    void setLineState() const { setLineState(false); }
    void setLineState(bool cached) const;

    // ---- Arrows (start = left, end = right). Adding one makes sure there is a line.
    void setLeftArrow(const GxArrow* arrow);
    void setRightArrow(const GxArrow* arrow);
    void setLeftArrowWithMask(const GxArrow* arrow, int mask);
    void setRightArrowWithMask(const GxArrow* arrow, int mask);
    void setHasLeftArrow(bool flag);
    void setHasRightArrow(bool flag);
    const GxArrow* leftArrow() const { return leftArrow_.get(); }
    const GxArrow* rightArrow() const { return rightArrow_.get(); }
    bool hasLeftArrow() const { return leftArrow_ && hasLeftArrow_; }
    bool hasRightArrow() const { return rightArrow_ && hasRightArrow_; }
    kit::Rect leftArrowRect() const;
    kit::Rect rightArrowRect() const;

    // ---- Crop and sheet queries.
    void setDoesCrop(bool flag) { doesCrop_ = flag; }
    bool doesCrop() const { return doesCrop_; }
    int definedFlags() const { return definedFlags_; }
    void setDefinedFlags(int flags) { definedFlags_ = flags; }
    std::optional<std::string> styleName() const override;
    std::string sortName() const override { return std::string(); }
    std::optional<std::string> rootName() const override { return std::string(); }
    bool isNamedStyle() const override { return false; }
    bool isRootStyle() const override { return false; }
    virtual StyleGraphic* rootStyle() const { return nullptr; }

    virtual StyleGraphic* takeStyleValuesFrom(const StyleGraphic* other);
    int differencesFromStyle(const StyleGraphic* other) const;

    std::string className() const override { return "StyleGraphic"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

protected:
    void copyInto(StyleGraphic& target) const;

private:
    kit::Rect arrowRect(const GxArrow* arrow) const;

    std::unique_ptr<GxFill> fill_;
    std::unique_ptr<GxLine> line_;
    std::unique_ptr<GxArrow> leftArrow_;
    std::unique_ptr<GxArrow> rightArrow_;
    int definedFlags_ = 0;
    bool doesCrop_ = false;
    bool doNotFree_ = false;
    bool hasFill_ = false;
    bool hasLine_ = true;
    bool hasLeftArrow_ = false;
    bool hasRightArrow_ = false;
};
