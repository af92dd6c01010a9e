#pragma once

// The tools of the toolbar. The base tool is itself the selection tool: it
// acts through the document's mouse handling. A tool that makes items runs
// the item's creation drag and places the new item on the page under it.

#include "appkit/Receiver.h"
#include "core/Geometry.h"
#include "document/CanvasView.h"

#include <functional>
#include <memory>

namespace kit {
class Cursor;
class Event;
class Object;
}
class Item;
class Page;
class PageView;

class ToolPalette;

// A tool is the target of its palette cell: the cell's action
// "setActiveTool:" asks the palette the tool belongs to to make it active.
class LayvaneTool : public DocumentTool, public kit::Receiver {
public:
    LayvaneTool();

    std::string className() const override { return "LayvaneTool"; }
    // The palette the tool's action reaches (not owned; nil: none).
    void setPalette(ToolPalette* palette) { palette_ = palette; }
    ToolPalette* palette() const { return palette_; }

    int purpose() const override { return purpose_; }
    kit::Cursor* currentCursor(CanvasView* view) const override;
    // The selection tool does nothing of its own.
    void doTool(CanvasView* view, const kit::Event& mouseDown) override;

    // An item's creation drag from the mouse down: the new item and where
    // the drag ended (view coordinates); nil when the item refused.
    using CreationDrag = std::function<std::unique_ptr<Item>(PageView* view, const kit::Event& mouseDown,
                                                              kit::Point* endPoint)>;
    // Makes an item by its creation drag and places it on the page the
    // drag lies on (the one it overlaps most when it began off the pages),
    // selected, with undo. Nil when nothing was made or no page takes it.
    virtual Item* createInView(PageView* view, const kit::Event& mouseDown, const CreationDrag& creation);

protected:
    int purpose_ = SelectPurpose;

private:
    ToolPalette* palette_ = nullptr;
};

// Finds the page for a new item spanning the two points (view
// coordinates): the page under the end point, else the displayed page the
// rectangle overlaps most; the item's origin moves into that page.
Page* getPage(PageView* view, Item* item, kit::Point start, kit::Point end);

class TextTool : public LayvaneTool {
public:
    TextTool() { purpose_ = TextPurpose; }

    std::string className() const override { return "TextTool"; }
    kit::Cursor* currentCursor(CanvasView* view) const override;
    void doTool(CanvasView* view, const kit::Event& mouseDown) override;
    // The text tool edits where other tools create.
    Item* createInView(PageView* view, const kit::Event& mouseDown, const CreationDrag& creation) override;
    // Begins or continues editing the column under the mouse down (or 32
    // points beside it while editing); answers the item found there.
    Item* editInView(CanvasView* view, const kit::Event& mouseDown) override;
};
