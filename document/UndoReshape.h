#pragma once

// The record of an item reshaped by dragging one of its knobs (type 15).
// Undo gives the item back the frame it had and keeps the one it leaves, so
// that the next call (redo) gives that back again. A record without a frame
// (read from an older stream) drags the knob back through the item's own
// resize loop instead.

#include "core/Geometry.h"
#include "document/Undo.h"
#include "items/GraphicStyleSnapshot.h"

#include <functional>
#include <utility>
#include <vector>

namespace kit {
class Event;
}
class DocumentView;

class UndoReshape : public Undo {
public:
    UndoReshape() = default;
    UndoReshape(std::vector<Item*> items, Page* page, int undoType) : Undo(std::move(items), page, undoType) {}
    ~UndoReshape() override;

    void setItem(Item* item, int knob, const kit::Point* point);
    // The frame the item had before the drag.
    void setOldFrame(const kit::Rect& frame);
    // What a group's drag changes in its members, taken before the drag:
    // their frames and graphic styles (a group scales its members' lines).
    void keepMembers(Item* item);
    Item* item() const { return item_.get(); }
    int knob() const { return knob_; }
    kit::Point point() const { return point_; }

    void undoInDocument(LayoutDocument* document) override;

    // The item's resize loop, run with the knob (which it may change), the
    // view and the mouse-down that starts it; it reads the drag and the
    // mouse-up from the window's queue. Empty until items resize by knobs:
    // the record then moves nothing.
    using PerformResizeHook = std::function<void(Item& item, int* knob, DocumentView* view, const kit::Event& mouseDown)>;
    static PerformResizeHook& performResizeHook();

    std::string className() const override { return "UndoReshape"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    kit::WeakLink<Item> item_;
    int knob_ = 0;
    kit::Point point_{};
    kit::Rect frame_{};
    bool hasFrame_ = false;
    std::vector<std::pair<kit::WeakLink<Item>, kit::Rect>> memberFrames_;
    GraphicStyleSnapshot memberStyles_;
};
