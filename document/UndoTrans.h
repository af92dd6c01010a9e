#pragma once

// The record of geometric edits of items: moves, resizes, rotations,
// scaling, flips, making natural, centring, frame fields set from the
// placement inspector, and moves to another page. Its type code never
// changes: undo and redo are separate.

#include "core/Geometry.h"
#include "document/Undo.h"
#include "items/GraphicStyleSnapshot.h"

#include <array>
#include <variant>
#include <vector>

class UndoTrans : public Undo {
public:
    // One item's transform before and after a rotation or centring.
    struct TransformInfo {
        char flag = 0;
        kit::Point oldOrigin{};
        kit::Point newOrigin{};
        kit::Rect oldFrame{};
        float oldMatrix[4] = {1, 0, 0, 1};
    };
    using Matrix = std::array<float, 4>;

    UndoTrans() = default;
    UndoTrans(std::vector<Item*> items, Page* page, int undoType) : Undo(std::move(items), page, undoType) {}
    ~UndoTrans() override;

    void setMoveBy(float dx, float dy) { point_ = {dx, dy}; }
    void setSizeBy(float dw, float dh) { point_ = {dw, dh}; }
    void setRotate(float angle) { values_[0] = angle; }
    void setShear(float sx, float sy) { values_ = {sx, sy}; }
    void setScale(float sx, float sy) { values_ = {sx, sy}; }
    // Origin displacements, one per item in the order the edit made them
    // (the last item first). With fewer than two items the first becomes the
    // record's point.
    void setPointData(std::vector<kit::Point> points);
    // The displacements of transform entries (new origin minus old).
    void setPointDataFromTInfo(const std::vector<TransformInfo>& info);
    void setRectData(std::vector<kit::Rect> rects);
    void setMatrixInfo(std::vector<Matrix> matrices);
    void setTInfo(std::vector<TransformInfo> info);
    // The page the items came from (type 80), and the places they had in its
    // list, so that undo puts them back there rather than on top.
    void setOldPage(Page* page, std::vector<int> places = {})
    {
        oldPage_ = page;
        oldPlaces_ = std::move(places);
    }
    Page* oldPage() const { return undoType() == MovedToPage ? oldPage_.get() : nullptr; }
    bool needsPage(const Page* page) const override
    {
        return Undo::needsPage(page) || (page && oldPage() == page);
    }
    // The items' graphic styles before a scale (which changes line widths,
    // a named style's too): undo gives them back exactly.
    void keepStyles(GraphicStyleSnapshot styles) { styles_ = std::move(styles); }

    kit::Point point() const { return point_; }
    const std::array<float, 2>& values() const { return values_; }
    const std::vector<kit::Point>* pointData() const { return std::get_if<std::vector<kit::Point>>(&data_); }
    const std::vector<kit::Rect>* rectData() const { return std::get_if<std::vector<kit::Rect>>(&data_); }
    const std::vector<Matrix>* matrixInfo() const { return std::get_if<std::vector<Matrix>>(&data_); }
    const std::vector<TransformInfo>* tInfo() const { return std::get_if<std::vector<TransformInfo>>(&data_); }

    void undoInDocument(LayoutDocument* document) override;
    void redoInDocument(LayoutDocument* document) override;

    std::string className() const override { return "UndoTrans"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    void perform(LayoutDocument* document, bool undo);
    void step(LayoutDocument* document, bool undo, int* rememberedLayer);
    void moveToOtherPage(LayoutDocument* document, int* rememberedLayer);
    // The entry of a list that runs from the last item backwards.
    template <class T>
    const T* backwardsEntry(const std::vector<T>& list, std::size_t k) const;

    kit::Point point_{};
    std::array<float, 2> values_{};
    std::variant<std::monostate, std::vector<kit::Point>, std::vector<kit::Rect>, std::vector<Matrix>,
                 std::vector<TransformInfo>>
        data_;
    kit::WeakLink<Page> oldPage_;
    std::vector<int> oldPlaces_;
    GraphicStyleSnapshot styles_;
};
