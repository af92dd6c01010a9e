#include "appkit/Browser.h"

#include "appkit/CellMatrix.h"
#include "appkit/ScrollView.h"
#include "appkit/TextField.h"

#include <algorithm>

namespace kit {

std::unique_ptr<Cell> BrowserCell::copy() const
{
    auto cell = std::make_unique<BrowserCell>();
    copySettingsTo(*cell);
    cell->leaf_ = leaf_;
    cell->loaded_ = loaded_;
    return cell;
}

Browser::Browser(const Rect& frame) : Control(frame)
{
    Receiver::setAction("browserClick:", [this](Object* sender) -> Object* {
        matrixAction(sender);
        return this;
    });
    Receiver::setAction("browserDoubleClick:", [this](Object* sender) -> Object* {
        matrixDoubleAction(sender);
        return this;
    });
}

Browser::~Browser() = default;

void Browser::setMaxVisibleColumns(int count)
{
    maxVisibleColumns_ = std::max(count, 1);
    tile();
}

void Browser::setTitled(bool flag)
{
    titled_ = flag;
    tile();
}

void Browser::setTitle(const std::string& title, int column)
{
    if (column < 0)
        return;
    if (titles_.size() <= std::size_t(column))
        titles_.resize(std::size_t(column) + 1);
    titles_[std::size_t(column)] = title;
    if (column < numberOfColumns() && columns_[std::size_t(column)].title)
        columns_[std::size_t(column)].title->setStringValue(title);
}

std::string Browser::titleOfColumn(int column) const
{
    return column >= 0 && std::size_t(column) < titles_.size() ? titles_[std::size_t(column)] : std::string();
}

CellMatrix* Browser::matrixInColumn(int column) const
{
    return column >= 0 && column < numberOfColumns() ? columns_[std::size_t(column)].matrix : nullptr;
}

void Browser::addColumn()
{
    Column column;
    auto scroll = std::make_unique<ScrollView>();
    scroll->setHasVerticalScroller(true);
    auto matrix = std::make_unique<CellMatrix>(Rect{}, MatrixMode::Radio, std::make_unique<BrowserCell>());
    matrix->setAllowsEmptySelection(true);
    matrix->setIntercellSpacing({0, 0});
    matrix->setTarget(this);
    matrix->setAction("browserClick:");
    matrix->setDoubleAction("browserDoubleClick:");
    column.matrix = matrix.get();
    scroll->setDocumentView(std::move(matrix));
    column.scroll = static_cast<ScrollView*>(addSubview(std::move(scroll)));
    auto title = std::make_unique<TextField>(Rect{}, titleOfColumn(numberOfColumns()));
    title->setEditable(false);
    title->setSelectable(false);
    title->setBordered(false);
    title->setBezeled(false);
    title->setDrawsBackground(false);
    title->setAlignment(TextAlignment::Center);
    column.title = static_cast<TextField*>(addSubview(std::move(title)));
    columns_.push_back(column);
    tile();
}

void Browser::removeColumnsFrom(int column)
{
    while (numberOfColumns() > std::max(column, 0)) {
        Column last = columns_.back();
        columns_.pop_back();
        (void)last.scroll->removeFromSuperview();
        (void)last.title->removeFromSuperview();
    }
}

void Browser::fitMatrix(int column)
{
    CellMatrix* matrix = matrixInColumn(column);
    if (!matrix)
        return;
    const float width = columns_[std::size_t(column)].scroll->contentSize().width;
    matrix->setCellSize({width, RowHeight});
    matrix->sizeToCells();
}

void Browser::fillColumn(int column)
{
    CellMatrix* matrix = matrixInColumn(column);
    if (!matrix)
        return;
    matrix->renewRows(0, 1);
    matrix->selectCellAtRow(-1, -1);
    if (delegate_)
        (void)delegate_->browserCreateRowsForColumn(this, column, matrix);
    for (Cell* cell : matrix->cells())
        if (auto* browserCell = dynamic_cast<BrowserCell*>(cell))
            browserCell->setLoaded(true);
    fitMatrix(column);
    matrix->setNeedsDisplay(true);
}

void Browser::loadColumnZero()
{
    removeColumnsFrom(0);
    addColumn();
    fillColumn(0);
}

void Browser::reloadColumn(int column)
{
    CellMatrix* matrix = matrixInColumn(column);
    if (!matrix)
        return;
    const Cell* old = matrix->selectedCell();
    const std::string chosen = old ? old->stringValue() : std::string();
    const bool hadSelection = old != nullptr;
    fillColumn(column);
    int row = -1;
    if (hadSelection)
        for (int r = 0; r < matrix->numberOfRows(); ++r)
            if (const Cell* cell = matrix->cellAtRow(r, 0); cell && cell->stringValue() == chosen) {
                row = r;
                break;
            }
    if (row >= 0) {
        matrix->selectCellAtRow(row, 0);
        matrix->scrollCellToVisible(row, 0);
    } else {
        removeColumnsFrom(column + 1);
    }
}

Cell* Browser::selectedCell() const
{
    const int column = selectedColumn();
    return column >= 0 ? columns_[std::size_t(column)].matrix->selectedCell() : nullptr;
}

int Browser::selectedColumn() const
{
    for (int column = lastColumn(); column >= 0; --column)
        if (columns_[std::size_t(column)].matrix->selectedCell())
            return column;
    return -1;
}

int Browser::selectedRowInColumn(int column) const
{
    const CellMatrix* matrix = matrixInColumn(column);
    return matrix && matrix->selectedCell() ? matrix->selectedRow() : -1;
}

void Browser::openNextColumn(int column)
{
    removeColumnsFrom(column + 1);
    const auto* cell = dynamic_cast<const BrowserCell*>(matrixInColumn(column)->selectedCell());
    if (!cell || cell->isLeaf())
        return;
    addColumn();
    fillColumn(column + 1);
}

void Browser::selectRow(int row, int column)
{
    CellMatrix* matrix = matrixInColumn(column);
    if (!matrix)
        return;
    matrix->selectCellAtRow(row, 0);
    if (matrix->selectedCell())
        matrix->scrollCellToVisible(row, 0);
    openNextColumn(column);
}

int Browser::columnOfMatrix(const Object* matrix) const
{
    for (int column = 0; column < numberOfColumns(); ++column)
        if (columns_[std::size_t(column)].matrix == matrix)
            return column;
    return -1;
}

void Browser::matrixAction(Object* sender)
{
    const int column = columnOfMatrix(sender);
    if (column < 0)
        return;
    openNextColumn(column);
    (void)sendAction(action(), target());
}

void Browser::matrixDoubleAction(Object* sender)
{
    if (columnOfMatrix(sender) < 0)
        return;
    (void)sendAction(doubleAction_.empty() ? action() : doubleAction_, target());
}

void Browser::frameDidChange()
{
    Control::frameDidChange();
    tile();
}

void Browser::tile()
{
    const Rect area = bounds();
    const float gap = 4.0f;
    const int shown = maxVisibleColumns_;
    const float width = (area.size.width - gap * float(shown - 1)) / float(shown);
    const float titleHeight = titled_ ? TitleHeight : 0.0f;
    // The last columns are the ones in sight.
    const int first = std::max(0, numberOfColumns() - shown);
    for (int column = 0; column < numberOfColumns(); ++column) {
        const Column& c = columns_[std::size_t(column)];
        const int slot = column - first;
        const bool visible = slot >= 0;
        const float x = area.origin.x + float(std::max(slot, 0)) * (width + gap);
        const float height = std::max(0.0f, area.size.height - titleHeight);
        c.scroll->setFrame(visible ? makeRect(x, area.origin.y, width, height) : Rect{});
        c.title->setFrame(visible && titled_ ? makeRect(x, area.origin.y + height, width, titleHeight) : Rect{});
        fitMatrix(column);
    }
}

} // namespace kit
