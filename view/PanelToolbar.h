#pragma once

// The floating palette of page tools: one column of tool cells (each cell's
// target a tool, its action making that tool active) over a resize bar that
// shortens or lengthens the palette by whole tools. It knows the active
// tool, forces the selection tool while Command is held or after the
// toggle key, and never takes the keyboard.

#include "document/CanvasView.h"
#include "view/LayvaneTool.h"
#include "view/PanelSubClass.h"

#include <memory>
#include <vector>

namespace kit {
class Button;
class CellMatrix;
}
class DocumentDelegate;
class ENSMatrix;

class PanelToolbar : public PanelSubClass, public ToolPalette {
public:
    PanelToolbar();
    ~PanelToolbar() override;

    std::string className() const override { return "PanelToolbar"; }
    bool canBecomeKeyWindow() const override { return false; }

    // The open documents and the main page view the palette acts on (not
    // owned; nil: none).
    void setDocumentDelegate(DocumentDelegate* delegate) { delegate_ = delegate; }

    // The selection tool while Command is held.
    DocumentTool* activeTool() const override;
    DocumentTool* selectTool() const override { return select_.get(); }
    DocumentTool* textTool() const override { return text_.get(); }
    DocumentTool* previousTool() const { return previous_; }
    bool isSelectToolForced() const override;
    // Forces the selection tool, remembering the active one, or returns to
    // it; with Command held only beeps. The frame being edited stays
    // selected.
    void toggleSelectToolForced() override;
    kit::Cursor* correctCursor(const kit::Event* event, CanvasView* view) const override;
    void displayCorrectCursor(CanvasView* view) const;
    void doActiveTool(CanvasView* view, const kit::Event& event);

    // Makes the tool active (one the palette does not own: none), ends the
    // forced state, has every document ask its cursors again and ends the
    // main view's editing.
    void setActiveTool(DocumentTool* tool) override;
    // Through the tool's cell, as a click would; a tool no cell has
    // changes nothing (without cells: the tool directly).
    void makeActiveTool(DocumentTool* tool) override;
    void endEditingMode(kit::Object* sender);
    // Another tool joins the palette.
    void addTool(std::unique_ptr<DocumentTool> tool);

    // The interface file's connections: the matrix of tool cells is
    // replaced by an ENSMatrix made from it; the resize bar acts on
    // mouse-down.
    void setToolMatrix(kit::CellMatrix* matrix);
    void setToolResizeBar(kit::Button* bar);
    void awakeFromNib();
    ENSMatrix* toolMatrix() const { return toolMatrix_; }
    kit::Button* toolResizeBar() const { return resizeBar_; }

    // The resize bar's drag, to the mouse-up.
    void resize(kit::Object* sender);
    // The frame for the bottom edge dragged to `bottom` (screen
    // coordinates): the top stays, whole tool rows (at least one, at most
    // all, at least 103 points high when the tools allow) under the fixed
    // part. False (nothing to do) without cells or with no cell height.
    bool frameForBottomEdge(float bottom, kit::Rect* frame, int* rows) const;

private:
    // The tool matrix's row whose cell serves the tool (-1: none).
    int rowOfTool(DocumentTool* tool) const;
    kit::View* mainView() const;
    void invalidateCursorRects();

    std::unique_ptr<LayvaneTool> select_;
    std::unique_ptr<TextTool> text_;
    std::vector<std::unique_ptr<DocumentTool>> others_;
    DocumentTool* active_ = nullptr;
    DocumentTool* previous_ = nullptr;
    DocumentDelegate* delegate_ = nullptr;
    ENSMatrix* toolMatrix_ = nullptr; // in the content view
    kit::Button* resizeBar_ = nullptr; // in the content view
};

// Registers the builder of "PanelToolbar.nib": the palette with a cell for
// the selection tool (tag 1) and the text tool (tag 2) and its resize bar;
// it fills the owner's outlet "toolbar".
void RegisterPanelToolbarNib();
