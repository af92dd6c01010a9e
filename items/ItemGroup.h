#pragma once

// A page item made of other items: it moves, scales, transforms, locks and
// takes graphic attributes as one, is hit through its members, and crops
// when one member is a cropping shape (the others are drawn clipped to it).
// The members stay ordinary items with their own frames and matrices in page
// coordinates; the group's frame is the union of theirs.

#include "items/Item.h"

#include <memory>
#include <vector>

class PlacedItem;
class TextFlow;

class ItemGroup : public Item {
public:
    // Groups inside groups nest at most this deep: every fan-out recurses
    // through the members, so a deeper nesting is neither built nor read.
    static constexpr int MaxNesting = 64;

    // Registers the class for the archiver and gives the undo records of
    // grouping and ungrouping the members of a group.
    static void initialize();

    ItemGroup();
    ~ItemGroup() override;

    // A group of the items, bottom first (the same item objects; they take
    // the group's page, the first item's). Nil for an empty list, an item
    // listed twice, an item that is or contains a group holding it, or a
    // nesting deeper than MaxNesting.
    static std::shared_ptr<ItemGroup> initWithList(std::vector<std::shared_ptr<Item>> items);

    // The frame becomes the union of the members' drawn bounds.
    void calcGroupBounds();
    const std::vector<std::shared_ptr<Item>>& items() const { return theItems_; }
    const std::vector<std::shared_ptr<Item>>& itemList() const { return theItems_; }
    // The member the last point hit found; nil once the members changed.
    Item* hitItem() const { return hitItem_.get(); }
    float naturalRatio() const override { return naturalRatio_; }
    // Inserts the members into the list at the index.
    void expandItemGroups(std::vector<Item*>& list, std::size_t index) const;
    // 1 for a group of plain items, one more for each level of groups inside.
    int nestingDepth() const;
    // Whether the item is a member, or a member of a member group.
    bool containsItem(const Item* item) const;

    void audit(int indent) const override;
    void resolveInDocument(TextDocument* document) override;
    // Adds the placed pictures among the members (not those of member
    // groups) that are not listed yet.
    void addImagesToList(std::vector<Item*>& images) const;
    void pleaseListFlows(std::vector<TextFlow*>& flows, std::vector<Item*>& images) override;

    // ---- Text columns inside.
    bool hasAnyTextItems() const override;
    bool recomputeTextItems() override;

    // ---- Locking, page, styles: the group, then every member.
    void lock() override;
    void unlock() override;
    Page* setPage(Page* page) override;
    void setGraphicStyle(StyleGraphic* style) override;
    void takeGraphicStyleValuesFrom(const StyleGraphic* style) override;
    bool canAcceptStyle(std::string_view styleClass) const override;
    bool canFill() const override;
    bool canLine() const override;
    bool canCrop() const override;
    bool canArrow() const override;
    int graphicPermissions() const override;
    bool hasFill() const override;
    bool hasLine() const override;
    bool doesCrop() const override;
    using Item::setLineWidth;
    void setHasFill(bool flag) override;
    void setFill(const GxFill* fill) override;
    void setFillColor(const kit::ColorRef& color) override;
    void setFillPattern(std::shared_ptr<const kit::Object> pattern) override;
    void setFillOverprint(bool flag) override;
    void setHasLine(bool flag) override;
    void setLine(const GxLine* line) override;
    void setLineColor(const kit::ColorRef& color) override;
    void setLineWidth(float width) override;
    void setLineOverprint(bool flag) override;
    void setLineDash(const GxDash* dash) override;
    void setLeftArrow(const GxArrow* arrow) override;
    void setRightArrow(const GxArrow* arrow) override;
    void setDoesCrop(bool flag) override;

    // ---- Geometry: the members follow the group.
    // A frame with a side of no size changes nothing: the members cannot
    // be scaled to it, so the group does not move there either.
    void setFrame(const kit::Rect& frame, bool recompute) override;
    using Item::setFrame;
    void moveTo(float x, float y, bool recompute) override;
    void sizeTo(float width, float height, bool recompute) override;
    void scaleUnitSquareToSize(kit::Size scale) override;
    void setMatrix(const float* matrix) override;
    void postConcatMatrix(const float* matrix) override;
    void getUpdateBounds(kit::Rect* rect, const DocumentView* view) const override;
    using Item::getUpdateBounds;
    bool shouldResizeNaturally() const override;
    // Whether some member (or a member's member) keeps text away.
    bool hasRunaroundMembers() const;
    // The group's own runaround, or the greatest of its members'.
    void getHorizontalDeltas(const Item* column, kit::Point p1, kit::Point p2, kit::Point p3, kit::Point p4,
                             float* leftDelta, float* rightDelta) const override;

    // ---- Hit tests through the members (top first).
    bool isHitAt(kit::Point point, const DocumentView* view) const override;
    bool isHitInRect(const kit::Rect& rect, const DocumentView* view) const override;

    // ---- Drawing. A second cropping member found while drawing is not
    // clipped to, and is told after the pass (never while printing).
    bool drawSelfInView(const Paint& paint, const kit::Rect& bounds) override;
    bool whiteSelfInView(const Paint& paint, const kit::Rect& bounds) override;
    bool renderInView(const Paint& paint, const kit::Rect& bounds, bool white) override;
    bool drawFastInView(const Paint& paint, const kit::Rect& bounds) override;
    // Reports a second cropping member the last drawing found: a beep and
    // the "TooManyCrops" alert, and the member stops cropping. Runs by
    // itself after a screen drawing; nothing when there is none.
    void reportExtraCrop();

    // ---- Stored form.
    std::string className() const override { return "ItemGroup"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

    // Clears what depends on the member list (the member last hit): sent
    // by whoever changes the members or takes them out of the group.
    void membersChanged() { hitItem_.reset(); }

private:
    // Whether a member may appear on the group's page in the editing layer.
    bool mayAppear(const Item& member, int pageNumber, int layer) const;

    friend struct ItemGroupAccess;
    std::vector<std::shared_ptr<Item>> theItems_;
    float naturalRatio_ = 1.0f;
    mutable kit::WeakLink<Item> hitItem_;
    // A second cropping member met while drawing, told after the pass.
    kit::WeakLink<Item> extraCrop_;
    bool extraCropPending_ = false;
};

// The ghost of a member of a selected cropping group: drawn whole in light
// gray behind the cropped drawing (an EPS picture as its silhouette).
bool drawCroppedGraphic(Item* member, const Paint& paint, const kit::Rect* bounds);
