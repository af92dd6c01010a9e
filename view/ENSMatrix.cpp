#include "view/ENSMatrix.h"

#include "appkit/Cell.h"
#include "appkit/Event.h"
#include "appkit/Window.h"
#include "core/EventState.h"
#include "graphics/DrawContext.h"
#include "graphics/Image.h"

#include <algorithm>

std::unique_ptr<ENSMatrix> ENSMatrix::promote(kit::CellMatrix& matrix)
{
    matrix.setPrototype(nullptr);
    const int selectedRow = matrix.selectedRow();
    const int selectedColumn = matrix.selectedColumn();
    auto made = std::make_unique<ENSMatrix>(matrix.frame(), kit::MatrixMode::Radio, nullptr, matrix.numberOfRows(), 0);
    made->setAllowsEmptySelection(matrix.allowsEmptySelection());
    made->setDrawsButtonCells(matrix.drawsButtonCells());
    made->setBackgroundColor(matrix.backgroundColor());
    made->setDrawsBackground(matrix.drawsBackground());
    made->setCellSize(matrix.cellSize());
    made->setIntercellSpacing(matrix.intercellSpacing());
    made->setTag(matrix.tag());
    made->setAutoresizingMask(kit::ViewHeightSizable);
    made->addColumnWithCells(matrix.takeCells());
    made->selectCellAtRow(selectedRow, selectedColumn);
    made->setTarget(matrix.target());
    made->setAction(matrix.action());
    made->setDoubleAction(matrix.doubleAction());
    made->setEnabled(matrix.isEnabled());
    return made;
}

void ENSMatrix::mouseDown(const kit::Event& event)
{
    if ((event.modifierFlags() & kit::CommandKeyMask) && doCellDrag(*this, event))
        return;
    kit::CellMatrix::mouseDown(event);
}

void drawHole(kit::DrawContext& context, const kit::Rect& rect)
{
    enum Edge { MaxY, MaxX, MinY, MinX };
    constexpr float dark = 1.0f / 3.0f;
    static constexpr struct {
        Edge edge;
        float gray;
    } lines[] = {{MaxY, 1}, {MaxX, 1}, {MinY, dark}, {MinX, dark}, {MinX, 0}, {MinY, 0}};
    kit::Rect r = rect;
    for (const auto& line : lines) {
        if (r.size.width <= 0 || r.size.height <= 0)
            return;
        kit::Rect stroke = r;
        switch (line.edge) {
        case MaxY:
            stroke.origin.y = kit::maxY(r) - 1;
            stroke.size.height = 1;
            r.size.height -= 1;
            break;
        case MaxX:
            stroke.origin.x = kit::maxX(r) - 1;
            stroke.size.width = 1;
            r.size.width -= 1;
            break;
        case MinY:
            stroke.size.height = 1;
            r.origin.y += 1;
            r.size.height -= 1;
            break;
        case MinX:
            stroke.size.width = 1;
            r.origin.x += 1;
            r.size.width -= 1;
            break;
        }
        context.setgray(line.gray);
        context.rectfill(stroke);
    }
    if (r.size.width > 0 && r.size.height > 0) {
        context.setgray(dark);
        context.rectfill(r);
    }
}

namespace {

// At the drop the two cells change places; the selected cell stays the
// selected one wherever it now is.
void exchangeCells(kit::CellMatrix& matrix, int fromRow, int fromColumn, int toRow, int toColumn)
{
    kit::Cell* selected = matrix.selectedCell();
    std::unique_ptr<kit::Cell> dragged = matrix.putCell(std::make_unique<kit::Cell>(), fromRow, fromColumn);
    std::unique_ptr<kit::Cell> target = matrix.putCell(std::move(dragged), toRow, toColumn);
    (void)matrix.putCell(std::move(target), fromRow, fromColumn);
    int row = -1, column = -1;
    if (selected && matrix.getRow(&row, &column, selected))
        matrix.selectCellAtRow(row, column);
}

} // namespace

bool doCellDrag(kit::CellMatrix& matrix, const kit::Event& mouseDown)
{
    kit::Window* window = matrix.window();
    if (!window)
        return false;
    const kit::Point down = matrix.convertPointFromView(mouseDown.locationInWindow(), nullptr);
    int row = -1, column = -1;
    kit::Cell* cell = matrix.getRow(&row, &column, down) ? matrix.cellAtRow(row, column) : nullptr;
    if (!cell || cell->tag() == 0)
        return false;
    const kit::Rect cellFrame = matrix.cellFrameAtRow(row, column);
    const kit::Point grab{down.x - cellFrame.origin.x, down.y - cellFrame.origin.y};
    const kit::Rect bounds = matrix.bounds();
    const kit::Rect visible = matrix.visibleRect();

    std::unique_ptr<kit::Image> cellPicture = window->imageOfBackingInRect(matrix.convertRectToView(cellFrame, nullptr));
    matrix.lockFocus();
    kit::DrawContext* context = kit::DrawContext::current();
    if (context)
        drawHole(*context, cellFrame);
    std::unique_ptr<kit::Image> background = window->imageOfBackingInRect(matrix.convertRectToView(visible, nullptr));

    kit::Point at = cellFrame.origin;
    const float w = cellFrame.size.width, h = cellFrame.size.height;
    for (;;) {
        std::optional<kit::Event> event = window->nextEventMatchingMask(kit::LeftMouseDraggedMask | kit::LeftMouseUpMask);
        if (!event || event->type() == kit::EventType::LeftMouseUp)
            break;
        if (event->type() != kit::EventType::LeftMouseDragged)
            continue;
        const kit::Point mouse = matrix.convertPointFromView(event->locationInWindow(), nullptr);
        kit::Point next{mouse.x - grab.x, mouse.y - grab.y};
        if (next.x < kit::minX(bounds))
            next.x = kit::minX(bounds);
        else if (next.x + w > kit::maxX(bounds))
            next.x = kit::maxX(bounds) - w;
        if (next.y < kit::minY(bounds))
            next.y = kit::minY(bounds);
        else if (next.y + h > kit::maxY(bounds))
            next.y = kit::maxY(bounds) - h;
        at = next;
        if (context && cellPicture) {
            // The matrix is flipped: the picture's top-left corner goes to
            // the cell's origin.
            cellPicture->compositeToPoint(*context, at, kit::CompositeOp::Copy);
            window->flushWindow();
            // The next flush shows the background here again.
            if (background)
                background->compositeToPoint(*context, at,
                                             kit::makeRect(at.x - kit::minX(visible), at.y - kit::minY(visible), w, h),
                                             kit::CompositeOp::Copy);
        }
    }

    const kit::Point drop{at.x + w / 2, at.y + h / 2};
    int toRow = -1, toColumn = -1;
    if (matrix.getRow(&toRow, &toColumn, drop) && (toRow != row || toColumn != column)) {
        kit::Cell* target = matrix.cellAtRow(toRow, toColumn);
        if (target && target->tag() != 0) {
            exchangeCells(matrix, row, column, toRow, toColumn);
            matrix.drawRect(matrix.cellFrameAtRow(toRow, toColumn));
        }
    }
    // The hole goes.
    matrix.drawRect(cellFrame);
    matrix.unlockFocus();
    window->flushWindow();
    return true;
}
