#pragma once

// The record of a guide added (18), removed (19) or moved (20), and of the
// ruler origin moved (17). Redo is undo again: 18 and 19 flip, and 17 and
// 20 keep what they undid so that the next call goes back. Its items are
// empty.

#include "core/Geometry.h"
#include "document/Guide.h"
#include "document/Undo.h"

#include <memory>


class UndoGuide : public Undo {
public:
    UndoGuide() = default;
    UndoGuide(std::vector<Item*> items, Page* page, int undoType) : Undo(std::move(items), page, undoType) {}
    ~UndoGuide() override;

    // Not owned while it is on its page.
    void setGuide(Guide* guide) { guide_ = guide; }
    Guide* guide() const { return guide_.get(); }
    // A guide removed before the record was made (19): the record holds it.
    void hold(std::unique_ptr<Guide> guide, int layer);
    // The ruler origin to go back to (17), or the offset the guide moved by (20).
    void setPoint(float x, float y) { point_ = {x, y}; }
    void setMoveBy(float dx, float dy) { point_ = {dx, dy}; }
    kit::Point point() const { return point_; }
    const Guide* heldGuide() const { return held_.get(); }

    void undoInDocument(LayoutDocument* document) override;

    std::string className() const override { return "UndoGuide"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    void moveRulerOrigin(LayoutDocument* document);

    kit::WeakLink<Guide> guide_;
    kit::Point point_{};
    // The guide while it is off its page, and the layer whose guides it
    // came from (a master guide lies on every page, not on this one).
    std::unique_ptr<Guide> held_;
    int heldLayer_ = 1;
};
