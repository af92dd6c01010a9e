#pragma once

// The toolbar's state of tools: the tools it owns, the active one, and the
// selection tool forced while Command is held or after Escape.

#include "document/CanvasView.h"
#include "view/LayvaneTool.h"

#include <memory>
#include <vector>

class PanelToolbar : public ToolPalette {
public:
    PanelToolbar();

    DocumentTool* activeTool() const override;
    DocumentTool* selectTool() const override { return select_.get(); }
    DocumentTool* textTool() const override { return text_.get(); }
    bool isSelectToolForced() const override { return forced_; }
    void toggleSelectToolForced() override { forced_ = !forced_; }
    kit::Cursor* correctCursor(const kit::Event* event, CanvasView* view) const override;

    // Makes the tool the active one (one the toolbar does not own: none).
    void setActiveTool(DocumentTool* tool);
    void makeActiveTool(DocumentTool* tool) { setActiveTool(tool); }
    // Another tool joins the toolbar.
    void addTool(std::unique_ptr<DocumentTool> tool);

private:
    std::unique_ptr<LayvaneTool> select_;
    std::unique_ptr<TextTool> text_;
    std::vector<std::unique_ptr<DocumentTool>> others_;
    DocumentTool* active_ = nullptr;
    bool forced_ = false;
};
