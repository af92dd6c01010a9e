#pragma once

// What the document's mouse and key handling asks of the canvas a user
// works on: its tracking loops, its nudge and its item commands. The page
// view implements it; the model reaches it only through this interface.

#include "core/Geometry.h"

namespace kit {
class Cursor;
class Event;
class Object;
}
class DocumentView;
class Guide;
class Item;
class Page;

class CanvasView {
public:
    virtual ~CanvasView() = default;

    // The same view as the document knows it.
    virtual DocumentView* documentView() = 0;
    // The event's location in view coordinates.
    virtual kit::Point pointOfEvent(const kit::Event& event) const = 0;
    // A selected item's knob under the point: the item, its knob number.
    virtual Item* hitKnobAt(kit::Point point, int* knob) = 0;
    // The first guide a visible page finds at the point, with that page.
    virtual Guide* hitGuideAt(kit::Point point, Page** page) = 0;

    // ---- The loops of the selection tool; each runs to the mouse-up.
    virtual void doKnobHit(const kit::Event& mouseDown, Item* item, int knob) = 0;
    virtual void doItemHit(const kit::Event& mouseDown, Item* item) = 0;
    virtual void doMarqueeDrag(const kit::Event& mouseDown) = 0;
    // A guide's own drag (the guide code owns it): nothing until it exists.
    virtual void doGuideDrag(const kit::Event& mouseDown, Guide* guide, Page* page) = 0;

    // ---- Keys.
    virtual void handleArrowKey(const kit::Event& keyDown) = 0;
    virtual void delete_(kit::Object* sender) = 0;
    virtual void selectNextItem(int step) = 0;
};

// A tool of the toolbar, as the document's mouse handling uses it.
class DocumentTool {
public:
    // What a tool is for.
    static constexpr int SelectPurpose = 0;
    static constexpr int ScrollViewPurpose = 1;
    static constexpr int TextPurpose = 2;

    virtual ~DocumentTool() = default;
    virtual int purpose() const = 0;
    // The cursor over the canvas while the tool is active.
    virtual kit::Cursor* currentCursor(CanvasView* view) const = 0;
    // A mouse down on the canvas with this tool active.
    virtual void doTool(CanvasView* view, const kit::Event& mouseDown) = 0;
    // Text editing at the mouse down (the text tool); answers the item
    // found there, nil for none.
    virtual Item* editInView(CanvasView* view, const kit::Event& mouseDown)
    {
        (void)view, (void)mouseDown;
        return nullptr;
    }
};

// The toolbar's state of tools.
class ToolPalette {
public:
    virtual ~ToolPalette() = default;
    // The selection tool while it is forced (Command held or toggled).
    virtual DocumentTool* activeTool() const = 0;
    virtual DocumentTool* selectTool() const = 0;
    virtual DocumentTool* textTool() const = 0;
    virtual bool isSelectToolForced() const = 0;
    virtual void toggleSelectToolForced() = 0;
    // A tool's palette cell makes it the active one.
    virtual void setActiveTool(DocumentTool* tool) { (void)tool; }
    // As a click on the tool's cell would.
    virtual void makeActiveTool(DocumentTool* tool) { setActiveTool(tool); }
    // The active tool's cursor, with the modifiers of the event (nil: the
    // modifiers of the moment).
    virtual kit::Cursor* correctCursor(const kit::Event* event, CanvasView* view) const = 0;
};
