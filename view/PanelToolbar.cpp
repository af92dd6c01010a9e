#include "view/PanelToolbar.h"

#include "appkit/Event.h"
#include "core/EventState.h"

PanelToolbar::PanelToolbar()
    : select_(std::make_unique<LayvaneTool>()), text_(std::make_unique<TextTool>()), active_(select_.get())
{
}

DocumentTool* PanelToolbar::activeTool() const
{
    if (forced_ || (kit::currentEventModifierFlags() & kit::CommandKeyMask))
        return select_.get();
    return active_;
}

kit::Cursor* PanelToolbar::correctCursor(const kit::Event* event, CanvasView* view) const
{
    const unsigned flags = event ? event->modifierFlags() : kit::currentEventModifierFlags();
    DocumentTool* tool = forced_ || (flags & kit::CommandKeyMask) ? select_.get() : active_;
    return tool ? tool->currentCursor(view) : nullptr;
}

void PanelToolbar::setActiveTool(DocumentTool* tool)
{
    if (tool == select_.get() || tool == text_.get()) {
        active_ = tool;
        return;
    }
    for (const auto& other : others_)
        if (other.get() == tool)
            active_ = tool;
}

void PanelToolbar::addTool(std::unique_ptr<DocumentTool> tool)
{
    if (tool)
        others_.push_back(std::move(tool));
}
