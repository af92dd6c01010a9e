#pragma once

// The rectangular page item: a frame that can be filled, stroked, given a
// drop shadow and transformed, and act as a cropping shape in a group. The
// base class of text columns.

#include "foundation/GxRecords.h"
#include "items/Item.h"

struct BxFlags {
    unsigned special : 1;
};

class ItemBox : public Item {
public:
    // The dotted hairline that marks a box with neither fill nor line on screen.
    static const GxDash hiddenBorderDash;

    // A local graphic style with the preference defaults for fill and line.
    ItemBox();
    ~ItemBox() override;

    void calcUpdateBounds(kit::Rect* rect) const override;
    bool drawSelfInView(const Paint& paint, const kit::Rect& bounds) override;
    bool whiteSelfInView(const Paint& paint, const kit::Rect& bounds) override;
    virtual bool clipSelfInView(const Paint& paint, const kit::Rect& bounds);
    bool drawFastInView(const Paint& paint, const kit::Rect& bounds) override;
    using Item::renderInView;
    virtual bool renderInView(const Paint& paint, const kit::Rect& bounds, bool doClip, int white);
    // The rubber-band outline of the resize loop: the frame through the
    // matrix; bounds (may be null) gets what was stroked.
    virtual void drawFastInView(const Paint& paint, const kit::Rect& visible, const float* matrix, const kit::Rect& frame,
                                kit::Rect* bounds);

    bool isHitAt(kit::Point point, const DocumentView* view) const override;
    bool isHitInRect(const kit::Rect& rect, const DocumentView* view) const override;
    bool inBorder(kit::Point point, const DocumentView* view) const;
    bool inFill(kit::Point point, const DocumentView* view) const override;
    bool canCrop() const override { return canAcceptStyle("StyleGraphic"); }

    bool special() const { return bxFlags_.special; }
    void setSpecial(bool flag) { bxFlags_.special = flag; }

    std::string className() const override { return "ItemBox"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    template <class Procedure>
    bool outlineHit(Procedure procedure) const;
    // The outline's stroke width for hit tests: at least 10.
    float hitLineWidth() const;
    void strokeHiddenBorder(kit::DrawContext& context, const float* matrix, int white) const;

    BxFlags bxFlags_{};
};
