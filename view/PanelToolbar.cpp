#include "view/PanelToolbar.h"

#include "appkit/Application.h"
#include "appkit/Button.h"
#include "appkit/ButtonCell.h"
#include "appkit/CellMatrix.h"
#include "appkit/Cursor.h"
#include "appkit/Event.h"
#include "appkit/RunLoop.h"
#include "appkit/Clock.h"
#include "core/WeakLink.h"
#include "core/Alert.h"
#include "core/EventState.h"
#include "document/DocumentDelegate.h"
#include "document/LayoutDocument.h"
#include "foundation/CMGeometry.h"
#include "graphics/Image.h"
#include "items/Item.h"
#include "text/DocumentView.h"
#include "view/ENSMatrix.h"

#include <algorithm>
#include <cmath>

namespace {
// The palette is never made shorter than this by the resize bar (when its
// tools allow).
constexpr float MinimumPaletteHeight = 103.0f;

bool commandHeld() { return (kit::currentEventModifierFlags() & kit::CommandKeyMask) != 0; }
} // namespace

PanelToolbar::PanelToolbar()
    : PanelSubClass(kit::makeRect(0, 0, 40, 82), kit::TitledWindowMask),
      select_(std::make_unique<LayvaneTool>()), text_(std::make_unique<TextTool>()), active_(select_.get())
{
    select_->setPalette(this);
    text_->setPalette(this);
    setAction("resize:", [this](kit::Object* sender) -> kit::Object* {
        resize(sender);
        return this;
    });
    setAction("endEditingMode:", [this](kit::Object* sender) -> kit::Object* {
        endEditingMode(sender);
        return this;
    });
}

PanelToolbar::~PanelToolbar() = default;

DocumentTool* PanelToolbar::activeTool() const { return commandHeld() ? select_.get() : active_; }

bool PanelToolbar::isSelectToolForced() const { return previous_ || commandHeld(); }

kit::Cursor* PanelToolbar::correctCursor(const kit::Event* event, CanvasView* view) const
{
    const unsigned flags = event ? event->modifierFlags() : kit::currentEventModifierFlags();
    DocumentTool* tool = flags & kit::CommandKeyMask ? select_.get() : active_;
    return tool ? tool->currentCursor(view) : nullptr;
}

void PanelToolbar::displayCorrectCursor(CanvasView* view) const
{
    kit::Cursor::setHiddenUntilMouseMoves(false);
    if (kit::Cursor* cursor = correctCursor(nullptr, view))
        cursor->set();
}

void PanelToolbar::doActiveTool(CanvasView* view, const kit::Event& event)
{
    if (DocumentTool* tool = activeTool())
        tool->doTool(view, event);
}

kit::View* PanelToolbar::mainView() const
{
    return delegate_ ? dynamic_cast<kit::View*>(delegate_->mainDocumentView()) : nullptr;
}

void PanelToolbar::invalidateCursorRects()
{
    if (!delegate_)
        return;
    for (LayoutDocument* document : delegate_->documents())
        document->invalidateCursorRectsForViews();
}

void PanelToolbar::endEditingMode(kit::Object*)
{
    DocumentView* shown = delegate_ ? delegate_->mainDocumentView() : nullptr;
    if (shown && shown->isEditing())
        shown->endEditingIfNeeded();
}

void PanelToolbar::setActiveTool(DocumentTool* tool)
{
    const bool owned = tool && (tool == select_.get() || tool == text_.get() ||
                                std::any_of(others_.begin(), others_.end(),
                                            [tool](const auto& other) { return other.get() == tool; }));
    if (!owned)
        return;
    active_ = tool;
    previous_ = nullptr;
    // The palette shows the active tool however it became active.
    if (const int row = rowOfTool(tool); row >= 0 && toolMatrix_->selectedCell() != toolMatrix_->cellAtRow(row, 0))
        toolMatrix_->selectCellAtRow(row, 0);
    invalidateCursorRects();
    endEditingMode(nullptr);
}

void PanelToolbar::makeActiveTool(DocumentTool* tool)
{
    if (!toolMatrix_ || toolMatrix_->numberOfRows() == 0) {
        setActiveTool(tool);
        return;
    }
    const int row = rowOfTool(tool);
    if (row < 0)
        return;
    kit::Cell* cell = toolMatrix_->cellAtRow(row, 0);
    toolMatrix_->selectCellAtRow(row, 0);
    // The cell's action, as a click sends it.
    (void)cell->target()->performSelector(cell->action().empty() ? toolMatrix_->action() : cell->action(),
                                          toolMatrix_);
}

int PanelToolbar::rowOfTool(DocumentTool* tool) const
{
    auto* receiver = dynamic_cast<kit::Receiver*>(tool);
    if (!toolMatrix_ || !receiver)
        return -1;
    for (int row = toolMatrix_->numberOfRows() - 1; row >= 0; --row)
        if (kit::Cell* cell = toolMatrix_->cellAtRow(row, 0); cell && cell->target() == receiver)
            return row;
    return -1;
}

void PanelToolbar::toggleSelectToolForced()
{
    if (commandHeld()) {
        kit::beep();
        return;
    }
    DocumentView* shown = delegate_ ? delegate_->mainDocumentView() : nullptr;
    if (!previous_) {
        DocumentTool* remembered = active_;
        // The frame being edited, by a weak link: ending the editing may
        // take it away.
        kit::WeakLink<Item> edited;
        if (remembered == text_.get() && shown && shown->isEditing())
            if (LayoutDocument* document = shown->document()) {
                const std::vector<Item*> selection = document->selected();
                if (!selection.empty())
                    edited = kit::WeakLink<Item>(selection.front());
            }
        makeActiveTool(select_.get());
        previous_ = remembered;
        if (Item* item = edited.get())
            if (LayoutDocument* document = shown->document())
                document->setSelection({item}, shown);
    } else {
        DocumentTool* back = previous_;
        makeActiveTool(back);
        previous_ = nullptr;
    }
    if (kit::View* view = mainView())
        if (kit::Window* window = view->window())
            window->makeFirstResponder(view);
    if (shown)
        if (LayoutDocument* document = shown->document())
            document->invalidateCursorRectsForViews();
}

void PanelToolbar::addTool(std::unique_ptr<DocumentTool> tool)
{
    if (!tool)
        return;
    if (auto* layvane = dynamic_cast<LayvaneTool*>(tool.get()))
        layvane->setPalette(this);
    others_.push_back(std::move(tool));
}

// ---- The interface file.

void PanelToolbar::setToolMatrix(kit::CellMatrix* matrix)
{
    if (!matrix || matrix->window() != this)
        return;
    init(this);
    std::unique_ptr<ENSMatrix> promoted = ENSMatrix::promote(*matrix);
    kit::View* parent = matrix->superview();
    (void)matrix->removeFromSuperview();
    toolMatrix_ = static_cast<ENSMatrix*>(parent ? parent->addSubview(std::move(promoted))
                                                 : contentView()->addSubview(std::move(promoted)));
    setFloatingPanel(true);
    for (kit::Cell* cell : toolMatrix_->cells())
        if (auto* button = dynamic_cast<kit::ButtonCell*>(cell))
            button->setHighlightsBy(kit::ChangeBackgroundCellMask);
}

void PanelToolbar::setToolResizeBar(kit::Button* bar)
{
    resizeBar_ = bar;
    if (!bar)
        return;
    bar->buttonCell()->sendActionOn(kit::LeftMouseDownMask);
    bar->buttonCell()->setHighlightsBy(kit::NoCellMask);
    bar->buttonCell()->setShowsStateBy(kit::NoCellMask);
    bar->setTarget(this);
    bar->setAction("resize:");
}

void PanelToolbar::awakeFromNib()
{
    // At first at the top left of the screen, clear of the panels that
    // start at its bottom.
    const kit::Rect screen = kit::Window::mainScreenFrame();
    setFrameOrigin({kit::minX(screen) + 20, kit::maxY(screen) - kit::height(frame()) - 40});
    setFrameUsingName("PanelToolbar");
    setFrameAutosaveName("PanelToolbar");
}

// ---- Resizing by whole tools.

bool PanelToolbar::frameForBottomEdge(float bottom, kit::Rect* frame, int* rows) const
{
    if (!toolMatrix_ || !resizeBar_)
        return false;
    const int count = toolMatrix_->numberOfRows();
    const float pitch = toolMatrix_->cellSize().height + toolMatrix_->intercellSpacing().height;
    if (count <= 0 || !(pitch > 0) || !std::isfinite(pitch) || !std::isfinite(bottom))
        return false;
    const kit::Rect now = this->frame();
    const float fixed = (now.size.height - contentRect().size.height) + resizeBar_->frame().size.height;
    const float top = kit::maxY(now);
    if (top - bottom < MinimumPaletteHeight)
        bottom = top - MinimumPaletteHeight;
    const int fewest = std::clamp(static_cast<int>(std::ceil((MinimumPaletteHeight - fixed) / pitch)), 1, count);
    const double wanted = std::rint((top - bottom - fixed) / pitch);
    const int shown = static_cast<int>(std::clamp(wanted, static_cast<double>(fewest), static_cast<double>(count)));
    const float height = pitch * static_cast<float>(shown) + fixed;
    *frame = kit::makeRect(now.origin.x, top - height, now.size.width, height);
    if (rows)
        *rows = shown;
    return true;
}

void PanelToolbar::resize(kit::Object*)
{
    kit::Rect probe;
    int rows = 0;
    const kit::Rect start = frame();
    // Nothing to resize by: no cells, or cells without height.
    if (!frameForBottomEdge(start.origin.y, &probe, &rows))
        return;
    resizeBar_->highlight(false);
    CMBeginResizeWindow(start);
    const kit::Event* down = kit::Application::sharedApplication().currentEvent();
    const float mouseY = down && down->windowNumber() == windowNumber()
                             ? contentRect().origin.y + down->locationInWindow().y
                             : start.origin.y;
    const float grab = start.origin.y - mouseY;
    kit::Rect result = start;
    const bool moved = acceptsMouseMovedEvents();
    setAcceptsMouseMovedEvents(true);
    for (;;) {
        std::optional<kit::Event> event = nextEventMatchingMask(kit::LeftMouseUpMask | kit::LeftMouseDraggedMask,
                                                                kit::Date::distantFuture(),
                                                                kit::EventTrackingRunLoopMode, true);
        if (!event || event->type() != kit::EventType::LeftMouseDragged)
            break;
        const float screenY = contentRect().origin.y + event->locationInWindow().y;
        if (frameForBottomEdge(screenY + grab, &probe, &rows)) {
            result = probe;
            CMPlaceResizeWindowWithFrame(result);
        }
    }
    setAcceptsMouseMovedEvents(moved);
    int finalRows = toolMatrix_->numberOfRows();
    if (!(result == start))
        (void)frameForBottomEdge(result.origin.y, &probe, &finalRows);
    const std::unique_ptr<kit::Image> image =
        kit::Image::imageNamed(finalRows == toolMatrix_->numberOfRows() ? "ResizeBar" : "ResizeBarA");
    resizeBar_->setImage(image.get());
    if (!(result == start))
        setFrame(result, true);
    CMEndResizeWindow();
}
