#include "appkit/CellMatrix.h"

#include "appkit/Application.h"
#include "appkit/ButtonCell.h"
#include "appkit/ControlWidgets.h"
#include "appkit/FormCell.h"
#include "appkit/TextFieldCell.h"
#include "appkit/WidgetHost.h"
#include "appkit/Window.h"
#include "graphics/DrawContext.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace kit {

// The Qt widgets that show one cell (none for a cell that draws itself).
struct CellMatrix::Slot {
    QWidget* widget = nullptr; // the outermost one, a child of the matrix's widget
    QAbstractButton* button = nullptr;
    QLineEdit* edit = nullptr;
    QLabel* label = nullptr;
    ButtonType buttonType = ButtonType::MomentaryLight;
    const Cell* cell = nullptr;
    ~Slot() { delete widget; }
};

CellMatrix::CellMatrix(const Rect& frame, MatrixMode mode, std::unique_ptr<Cell> prototype, int rows, int columns)
    : Control(frame), mode_(mode), prototype_(std::move(prototype)), backgroundColor_(Color::lightGrayColor())
{
    setWidget(new QWidget);
    renewRows(std::max(rows, 0), std::max(columns, 0));
    if (rows > 0 && columns > 0 && mode_ == MatrixMode::Radio)
        selectCellAtRow(0, 0);
}

CellMatrix::~CellMatrix()
{
    for (auto& c : cells_)
        if (c)
            c->setControlView(nullptr);
    slots_.clear();
}

void CellMatrix::setMode(MatrixMode mode)
{
    mode_ = mode;
    applyRadioSelection();
}

void CellMatrix::setPrototype(std::unique_ptr<Cell> prototype)
{
    prototype_ = std::move(prototype);
}

std::unique_ptr<Cell> CellMatrix::makeCell() const
{
    if (prototype_)
        return prototype_->copy();
    if (factory_)
        if (std::unique_ptr<Cell> c = factory_())
            return c;
    return std::make_unique<Cell>();
}

// ---- Cells.

size_t CellMatrix::indexOf(int row, int column) const
{
    return static_cast<size_t>(row) * static_cast<size_t>(columns_) + static_cast<size_t>(column);
}

void CellMatrix::getNumberOfRows(int* rows, int* columns) const
{
    if (rows)
        *rows = rows_;
    if (columns)
        *columns = columns_;
}

Cell* CellMatrix::cellAtRow(int row, int column) const
{
    if (row < 0 || column < 0 || row >= rows_ || column >= columns_)
        return nullptr;
    return cells_[indexOf(row, column)].get();
}

Cell* CellMatrix::cellWithTag(int tag) const
{
    for (const auto& c : cells_)
        if (c->tag() == tag)
            return c.get();
    return nullptr;
}

std::vector<Cell*> CellMatrix::cells() const
{
    std::vector<Cell*> out;
    for (const auto& c : cells_)
        out.push_back(c.get());
    return out;
}

bool CellMatrix::getRow(int* row, int* column, const Cell* cell) const
{
    if (!cell || columns_ <= 0)
        return false;
    auto found = cellIndex_.find(cell);
    if (found == cellIndex_.end() || found->second >= cells_.size() || cells_[found->second].get() != cell) {
        cellIndex_.clear();
        cellIndex_.reserve(cells_.size());
        for (size_t i = 0; i < cells_.size(); ++i)
            cellIndex_.emplace(cells_[i].get(), i);
        found = cellIndex_.find(cell);
        if (found == cellIndex_.end())
            return false;
    }
    const auto columns = static_cast<size_t>(columns_);
    if (row)
        *row = static_cast<int>(found->second / columns);
    if (column)
        *column = static_cast<int>(found->second % columns);
    return true;
}

void CellMatrix::adopt(Cell* cell)
{
    cell->setControlView(this);
}

void CellMatrix::insertRow(int row)
{
    row = std::clamp(row, 0, rows_);
    if (columns_ == 0)
        columns_ = 1;
    std::vector<std::unique_ptr<Cell>> added;
    for (int c = 0; c < columns_; ++c) {
        added.push_back(makeCell());
        adopt(added.back().get());
    }
    cells_.insert(cells_.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(row) * static_cast<size_t>(columns_)),
                  std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
    ++rows_;
    if (selectedRow_ >= row)
        ++selectedRow_;
    cellsChanged();
}

void CellMatrix::insertColumn(int column)
{
    column = std::clamp(column, 0, columns_);
    if (rows_ == 0)
        rows_ = 1;
    std::vector<std::unique_ptr<Cell>> grown;
    for (int r = 0; r < rows_; ++r) {
        for (int c = 0; c < columns_ + 1; ++c) {
            if (c == column) {
                grown.push_back(makeCell());
                adopt(grown.back().get());
            } else {
                int from = c < column ? c : c - 1;
                grown.push_back(std::move(cells_[static_cast<size_t>(r) * static_cast<size_t>(columns_) +
                                                 static_cast<size_t>(from)]));
            }
        }
    }
    cells_ = std::move(grown);
    ++columns_;
    if (selectedColumn_ >= column)
        ++selectedColumn_;
    cellsChanged();
}

void CellMatrix::addRow()
{
    insertRow(rows_);
}

void CellMatrix::addColumn()
{
    insertColumn(columns_);
}

void CellMatrix::removeRow(int row)
{
    if (row < 0 || row >= rows_)
        return;
    for (int c = 0; c < columns_; ++c)
        cells_[indexOf(row, c)]->setControlView(nullptr);
    auto first = cells_.begin() + static_cast<std::ptrdiff_t>(indexOf(row, 0));
    cells_.erase(first, first + columns_);
    --rows_;
    if (rows_ == 0)
        columns_ = 0;
    if (selectedRow_ == row)
        selectedRow_ = selectedColumn_ = -1;
    else if (selectedRow_ > row)
        --selectedRow_;
    cellsChanged();
}

void CellMatrix::removeColumn(int column)
{
    if (column < 0 || column >= columns_)
        return;
    std::vector<std::unique_ptr<Cell>> kept;
    for (int r = 0; r < rows_; ++r)
        for (int c = 0; c < columns_; ++c) {
            auto& cell = cells_[indexOf(r, c)];
            if (c == column)
                cell->setControlView(nullptr);
            else
                kept.push_back(std::move(cell));
        }
    cells_ = std::move(kept);
    --columns_;
    if (columns_ == 0)
        rows_ = 0;
    if (selectedColumn_ == column)
        selectedRow_ = selectedColumn_ = -1;
    else if (selectedColumn_ > column)
        --selectedColumn_;
    cellsChanged();
}

void CellMatrix::addRowWithCells(std::vector<std::unique_ptr<Cell>> cells)
{
    int columns = columns_ == 0 ? static_cast<int>(cells.size()) : columns_;
    if (columns == 0)
        return;
    columns_ = columns;
    cells.resize(static_cast<size_t>(columns));
    for (auto& c : cells) {
        if (!c)
            c = makeCell();
        adopt(c.get());
        cells_.push_back(std::move(c));
    }
    ++rows_;
    cellsChanged();
}

void CellMatrix::addColumnWithCells(std::vector<std::unique_ptr<Cell>> cells)
{
    int rows = rows_ == 0 ? static_cast<int>(cells.size()) : rows_;
    if (rows == 0)
        return;
    cells.resize(static_cast<size_t>(rows));
    std::vector<std::unique_ptr<Cell>> grown;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns_; ++c)
            grown.push_back(std::move(cells_[indexOf(r, c)]));
        auto& added = cells[static_cast<size_t>(r)];
        if (!added)
            added = makeCell();
        adopt(added.get());
        grown.push_back(std::move(added));
    }
    rows_ = rows;
    ++columns_;
    cells_ = std::move(grown);
    cellsChanged();
}

void CellMatrix::renewRows(int rows, int columns)
{
    rows = std::max(rows, 0);
    columns = std::max(columns, 0);
    if (rows == 0 || columns == 0)
        rows = columns = 0;
    std::vector<std::unique_ptr<Cell>> renewed;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            if (r < rows_ && c < columns_) {
                renewed.push_back(std::move(cells_[indexOf(r, c)]));
            } else {
                renewed.push_back(makeCell());
                adopt(renewed.back().get());
            }
        }
    for (auto& c : cells_)
        if (c)
            c->setControlView(nullptr);
    cells_ = std::move(renewed);
    rows_ = rows;
    columns_ = columns;
    if (selectedRow_ >= rows_ || selectedColumn_ >= columns_)
        selectedRow_ = selectedColumn_ = -1;
    cellsChanged();
}

std::vector<std::unique_ptr<Cell>> CellMatrix::takeCells()
{
    if (editor_.isActive())
        editor_.end();
    std::vector<std::unique_ptr<Cell>> taken = std::move(cells_);
    cells_.clear();
    for (auto& c : taken)
        if (c)
            c->setControlView(nullptr);
    rows_ = columns_ = 0;
    selectedRow_ = selectedColumn_ = -1;
    cellsChanged();
    return taken;
}

std::unique_ptr<Cell> CellMatrix::putCell(std::unique_ptr<Cell> cell, int row, int column)
{
    if (!cell || row < 0 || column < 0 || row >= rows_ || column >= columns_)
        return cell;
    auto& slot = cells_[indexOf(row, column)];
    if (editor_.cell() == slot.get())
        editor_.end();
    slot->setControlView(nullptr);
    std::unique_ptr<Cell> old = std::move(slot);
    slot = std::move(cell);
    adopt(slot.get());
    cellsChanged();
    return old;
}

// ---- Geometry.

void CellMatrix::setCellSize(Size size)
{
    if (!std::isfinite(size.width) || !std::isfinite(size.height))
        return;
    cellSize_ = {std::max(0.0f, size.width), std::max(0.0f, size.height)};
    layoutWidgets();
    setNeedsDisplay(true);
}

void CellMatrix::setIntercellSpacing(Size spacing)
{
    if (!std::isfinite(spacing.width) || !std::isfinite(spacing.height))
        return;
    spacing_ = {std::max(0.0f, spacing.width), std::max(0.0f, spacing.height)};
    layoutWidgets();
    setNeedsDisplay(true);
}

Rect CellMatrix::cellFrameAtRow(int row, int column) const
{
    return makeRect(static_cast<float>(column) * (cellSize_.width + spacing_.width),
                    static_cast<float>(row) * (cellSize_.height + spacing_.height), cellSize_.width,
                    cellSize_.height);
}

bool CellMatrix::getRow(int* row, int* column, Point p) const
{
    float pitchX = cellSize_.width + spacing_.width;
    float pitchY = cellSize_.height + spacing_.height;
    if (pitchX <= 0 || pitchY <= 0 || p.x < 0 || p.y < 0 || !std::isfinite(p.x) || !std::isfinite(p.y))
        return false;
    int c = static_cast<int>(p.x / pitchX);
    int r = static_cast<int>(p.y / pitchY);
    if (r >= rows_ || c >= columns_)
        return false;
    // Between cells is no cell.
    if (p.x - static_cast<float>(c) * pitchX >= cellSize_.width ||
        p.y - static_cast<float>(r) * pitchY >= cellSize_.height)
        return false;
    if (row)
        *row = r;
    if (column)
        *column = c;
    return true;
}

void CellMatrix::sizeToCells()
{
    float w = columns_ > 0 ? static_cast<float>(columns_) * cellSize_.width +
                                 static_cast<float>(columns_ - 1) * spacing_.width
                           : 0;
    float h = rows_ > 0 ? static_cast<float>(rows_) * cellSize_.height + static_cast<float>(rows_ - 1) * spacing_.height
                        : 0;
    setFrameSize({w, h});
}

void CellMatrix::scrollCellToVisible(int row, int column)
{
    if (cellAtRow(row, column))
        scrollRectToVisible(cellFrameAtRow(row, column));
}

void CellMatrix::frameDidChange()
{
    Control::frameDidChange();
    layoutWidgets();
}

// ---- Selection.

Cell* CellMatrix::selectedCell() const
{
    return cellAtRow(selectedRow_, selectedColumn_);
}

std::vector<Cell*> CellMatrix::selectedCells() const
{
    std::vector<Cell*> out;
    if (mode_ == MatrixMode::List) {
        for (const auto& c : cells_)
            if (c->state() == OnState)
                out.push_back(c.get());
    } else if (Cell* c = selectedCell()) {
        out.push_back(c);
    }
    return out;
}

void CellMatrix::applyRadioSelection()
{
    if (mode_ != MatrixMode::Radio)
        return;
    Cell* selected = selectedCell();
    updating_ = true;
    for (auto& c : cells_)
        c->setState(c.get() == selected ? OnState : OffState);
    updating_ = false;
    updateWidget();
}

void CellMatrix::selectCellAtRow(int row, int column)
{
    if (!cellAtRow(row, column)) {
        row = column = -1;
    }
    Cell* old = selectedCell();
    selectedRow_ = row;
    selectedColumn_ = column;
    if (mode_ == MatrixMode::Radio) {
        applyRadioSelection();
    } else if (mode_ == MatrixMode::List) {
        updating_ = true;
        for (auto& c : cells_)
            c->setState(c.get() == selectedCell() ? OnState : OffState);
        updating_ = false;
        updateWidget();
    }
    if (old != selectedCell())
        setNeedsDisplay(true);
}

bool CellMatrix::selectCellWithTag(int tag)
{
    int row = -1, column = -1;
    for (int r = 0; r < rows_ && row < 0; ++r)
        for (int c = 0; c < columns_; ++c)
            if (cells_[indexOf(r, c)]->tag() == tag) {
                row = r;
                column = c;
                break;
            }
    if (row < 0)
        return false;
    selectCellAtRow(row, column);
    return true;
}

void CellMatrix::selectAll(Object*)
{
    if (mode_ != MatrixMode::List)
        return;
    updating_ = true;
    for (auto& c : cells_)
        c->setState(OnState);
    updating_ = false;
    if (selectedRow_ < 0 && rows_ > 0 && columns_ > 0)
        selectedRow_ = selectedColumn_ = 0;
    updateWidget();
    setNeedsDisplay(true);
}

void CellMatrix::deselectAllCells()
{
    if (mode_ == MatrixMode::Radio && !allowsEmptySelection_)
        return;
    updating_ = true;
    for (auto& c : cells_)
        c->setState(OffState);
    updating_ = false;
    selectedRow_ = selectedColumn_ = -1;
    updateWidget();
    setNeedsDisplay(true);
}

void CellMatrix::deselectSelectedCell()
{
    if (mode_ == MatrixMode::Radio && !allowsEmptySelection_)
        return;
    if (Cell* c = selectedCell())
        c->setState(OffState);
    selectedRow_ = selectedColumn_ = -1;
    setNeedsDisplay(true);
}

// ---- Actions.

bool CellMatrix::sendDoubleAction()
{
    if (doubleAction_.empty())
        return sendAction();
    return Control::sendAction(doubleAction_, target());
}

void CellMatrix::sendAction(const std::string& selector, Receiver* target, bool forAllCells)
{
    if (!target)
        return;
    // Every qualifying cell, even when one of them changes the matrix.
    std::vector<WeakRef<Cell>> visit;
    for (auto& c : cells_)
        if (forAllCells || c->state() != OffState)
            visit.emplace_back(c.get());
    for (auto& ref : visit)
        if (Cell* c = ref.get())
            target->performSelector(selector, c);
}

void CellMatrix::setEnabled(bool flag)
{
    enabled_ = flag;
    updating_ = true;
    for (auto& c : cells_)
        c->setEnabled(flag);
    updating_ = false;
    updateWidget();
    setNeedsDisplay(true);
    if (!flag && editor_.isActive()) {
        editor_.abort();
        resignKeyboardIfRefused();
    }
}

// ---- Text cells.

bool CellMatrix::isTextCell(const Cell* cell) const
{
    return dynamic_cast<const TextFieldCell*>(cell) && cell->isEnabled() && cell->isSelectable();
}

bool CellMatrix::acceptsFirstResponder() const
{
    return std::any_of(cells_.begin(), cells_.end(), [this](const auto& c) { return isTextCell(c.get()); });
}

bool CellMatrix::becomeFirstResponder()
{
    if (!editor_.isActive()) {
        // Into the selected text cell, else the first one.
        int r = selectedRow_, c = selectedColumn_;
        if (!isTextCell(cellAtRow(r, c))) {
            r = c = -1;
            nextTextCell(&r, &c, false);
        }
        if (r >= 0)
            editCellAtRow(r, c, true);
    }
    return true;
}

bool CellMatrix::resignFirstResponder()
{
    return editor_.end();
}

bool CellMatrix::nextTextCell(int* row, int* column, bool backwards) const
{
    int count = rows_ * columns_;
    int start = *row < 0 ? (backwards ? count : -1) : *row * columns_ + *column;
    for (int i = 1; i <= count; ++i) {
        int index = backwards ? start - i : start + i;
        if (index < 0 || index >= count)
            return false;
        if (isTextCell(cells_[static_cast<size_t>(index)].get())) {
            *row = index / columns_;
            *column = index % columns_;
            return true;
        }
    }
    return false;
}

bool CellMatrix::editCellAtRow(int row, int column, bool selectAllText)
{
    Cell* cell = cellAtRow(row, column);
    if (!isTextCell(cell))
        return false;
    if (editor_.isActive() && editor_.cell() != cell && !editor_.end())
        return false;
    selectedRow_ = row;
    selectedColumn_ = column;
    const Slot* slot = slots_.size() == cells_.size() ? slots_[indexOf(row, column)].get() : nullptr;
    if (editor_.cell() != cell)
        editor_.begin(*this, cell, slot ? slot->edit : nullptr);
    if (selectAllText && slot && slot->edit && editor_.lineEdit() == slot->edit)
        editor_.selectAllText();
    else if (selectAllText && slot && slot->edit)
        slot->edit->selectAll();
    return true;
}

void CellMatrix::selectText(Object*)
{
    int r = -1, c = -1;
    if (nextTextCell(&r, &c, false))
        selectTextAtRow(r, c);
}

void CellMatrix::selectTextAtRow(int row, int column)
{
    if (!isTextCell(cellAtRow(row, column)))
        return;
    Window* w = window();
    if (w && w->firstResponder() != this) {
        selectedRow_ = row;
        selectedColumn_ = column;
        if (!w->makeFirstResponder(this))
            return;
    }
    editCellAtRow(row, column, true);
}

// ---- Events.

void CellMatrix::mouseDown(const Event& event)
{
    Point p = convertPointFromView(event.locationInWindow(), nullptr);
    int row = -1, column = -1;
    bool onCell = getRow(&row, &column, p);
    Cell* cell = onCell ? cellAtRow(row, column) : nullptr;
    if (cell && !cell->isEnabled())
        return;
    if (cell && isTextCell(cell)) {
        Window* w = window();
        if (w && w->firstResponder() != this) {
            selectedRow_ = row;
            selectedColumn_ = column;
            if (!w->makeFirstResponder(this))
                return;
        }
        if (!editCellAtRow(row, column, false))
            return;
        QLineEdit* edit = slots_.size() == cells_.size() ? slots_[indexOf(row, column)]->edit : nullptr;
        // The line editor places the caret and selects as the mouse drags.
        host()->replayMouse(*this, edit, event);
        editor_.mousePlacedCaret();
        Application& app = Application::sharedApplication();
        for (;;) {
            std::optional<Event> e = app.nextEventMatchingMask(LeftMouseUpMask | LeftMouseDraggedMask,
                                                               Date::distantFuture(), EventTrackingRunLoopMode, true);
            if (!e)
                return;
            if (e->windowNumber() == event.windowNumber())
                host()->replayMouse(*this, edit, *e);
            if (e->type() == EventType::LeftMouseUp)
                return;
        }
    }
    if (mode_ == MatrixMode::Track || mode_ == MatrixMode::Highlight) {
        if (cell)
            trackButtonCell(event, row, column);
        return;
    }
    trackSelection(event, row, column);
}

void CellMatrix::trackButtonCell(const Event& event, int row, int column)
{
    Cell* cell = cellAtRow(row, column);
    if (cell && cell->sendsActionOnMouseDown()) {
        // The press acts; the mouse is left to whatever the action does.
        if (mode_ == MatrixMode::Highlight) {
            selectedRow_ = row;
            selectedColumn_ = column;
        }
        sendActionForCell(cell);
        return;
    }
    Rect frame = cellFrameAtRow(row, column);
    bool inside = trackMouseInRect(event, frame, [&](bool in) {
        if (Cell* c = cellAtRow(row, column))
            c->highlight(in, frame, this);
    });
    cell = cellAtRow(row, column);
    if (!cell)
        return;
    cell->highlight(false, frame, this);
    if (!inside)
        return;
    if (auto* b = dynamic_cast<ButtonCell*>(cell))
        b->advanceState();
    if (mode_ == MatrixMode::Highlight) {
        selectedRow_ = row;
        selectedColumn_ = column;
    }
    if (event.clickCount() == 2 && !doubleAction_.empty())
        sendDoubleAction();
    else
        sendActionForCell(cell);
}

void CellMatrix::trackSelection(const Event& event, int row, int column)
{
    Application& app = Application::sharedApplication();
    bool extend = mode_ == MatrixMode::List && (event.modifierFlags() & ShiftKeyMask);
    int anchor = extend && selectedRow_ >= 0 ? selectedRow_ * columns_ + selectedColumn_ : -1;
    bool hitCell = false;
    auto selectRange = [&](int r, int c) {
        if (r < 0 || !cellAtRow(r, c) || !cellAtRow(r, c)->isEnabled())
            return;
        hitCell = true;
        if (mode_ == MatrixMode::Radio) {
            selectCellAtRow(r, c);
            return;
        }
        int here = r * columns_ + c;
        int from = anchor < 0 ? here : anchor;
        int lo = std::min(from, here), hi = std::max(from, here);
        updating_ = true;
        for (int i = 0; i < static_cast<int>(cells_.size()); ++i)
            cells_[static_cast<size_t>(i)]->setState(i >= lo && i <= hi ? OnState : OffState);
        updating_ = false;
        selectedRow_ = r;
        selectedColumn_ = c;
        updateWidget();
        setNeedsDisplay(true);
    };
    if (row >= 0) {
        if (anchor < 0)
            anchor = row * columns_ + column;
        selectRange(row, column);
    }
    for (;;) {
        std::optional<Event> e = app.nextEventMatchingMask(LeftMouseUpMask | LeftMouseDraggedMask,
                                                           Date::distantFuture(), EventTrackingRunLoopMode, true);
        if (!e)
            break;
        if (e->windowNumber() == event.windowNumber()) {
            int r = -1, c = -1;
            if (getRow(&r, &c, convertPointFromView(e->locationInWindow(), nullptr))) {
                if (anchor < 0)
                    anchor = r * columns_ + c;
                selectRange(r, c);
            }
        }
        if (e->type() == EventType::LeftMouseUp)
            break;
    }
    // A click that met no cell chooses nothing.
    if (!hitCell || !selectedCell())
        return;
    if (event.clickCount() == 2 && !doubleAction_.empty())
        sendDoubleAction();
    else
        sendActionForCell(selectedCell());
}

void CellMatrix::keyDown(const Event& event)
{
    if (!editor_.isActive()) {
        Control::keyDown(event);
        return;
    }
    const std::u16string& chars = event.characters();
    char16_t c = chars.empty() ? 0 : chars.front();
    switch (c) {
    case TabCharacter:
    case BackTabCharacter: {
        if (!editor_.validate())
            return;
        bool back = c == BackTabCharacter || (event.modifierFlags() & ShiftKeyMask);
        int r = selectedRow_, col = selectedColumn_;
        if (nextTextCell(&r, &col, back)) {
            editCellAtRow(r, col, true);
            return;
        }
        Window* w = window();
        View* other = back ? previousValidKeyView() : nextValidKeyView();
        if (w && other) {
            w->makeFirstResponder(other);
            return;
        }
        // Round again within the matrix.
        r = col = -1;
        if (nextTextCell(&r, &col, back))
            editCellAtRow(r, col, true);
        return;
    }
    case CarriageReturnCharacter:
    case EnterCharacter:
    case NewlineCharacter: {
        if (!editor_.validate())
            return;
        Cell* cell = editor_.cell();
        editor_.selectAllText();
        if (actionForCell(cell).empty())
            Control::keyDown(event);
        else
            sendActionForCell(cell);
        return;
    }
    case EscapeCharacter: Control::keyDown(event); return;
    default: break;
    }
    if (event.modifierFlags() & CommandKeyMask) {
        Control::keyDown(event);
        return;
    }
    editor_.typeKey(event);
}

bool CellMatrix::performKeyEquivalent(const Event& event)
{
    for (int r = 0; r < rows_; ++r)
        for (int c = 0; c < columns_; ++c) {
            auto* b = dynamic_cast<ButtonCell*>(cells_[indexOf(r, c)].get());
            if (!b || !b->matchesKeyEquivalent(event))
                continue;
            b->advanceState();
            if (mode_ != MatrixMode::Track)
                selectCellAtRow(r, c);
            sendActionForCell(b);
            return true;
        }
    return false;
}

// ---- Widgets and drawing.

void CellMatrix::cellsChanged()
{
    if (editor_.isActive() && !getRow(nullptr, nullptr, editor_.cell())) {
        // The cell being typed into is gone.
        editor_ = detail::CellEditor();
    }
    QWidget* container = widget();
    std::vector<std::unique_ptr<Slot>> made;
    for (size_t i = 0; i < cells_.size(); ++i) {
        auto slot = std::make_unique<Slot>();
        Cell* cell = cells_[i].get();
        slot->cell = cell;
        if (auto* b = dynamic_cast<ButtonCell*>(cell); b && !drawsButtonCells_) {
            slot->button = detail::makeButtonWidget(b->buttonType());
            slot->buttonType = b->buttonType();
            slot->widget = slot->button;
        } else if (dynamic_cast<FormCell*>(cell)) {
            slot->widget = new QWidget;
            slot->label = new QLabel(slot->widget);
            slot->edit = detail::makeLineEdit(*cell);
            slot->edit->setParent(slot->widget);
        } else if (dynamic_cast<TextFieldCell*>(cell)) {
            slot->edit = detail::makeLineEdit(*cell);
            slot->widget = slot->edit;
        }
        if (slot->edit) {
            QObject::connect(slot->edit, &QLineEdit::textEdited, [this, cell](const QString&) {
                if (editor_.cell() == cell && !updating_)
                    editor_.textEdited();
            });
        }
        if (slot->widget)
            slot->widget->setParent(container);
        made.push_back(std::move(slot));
    }
    // The old widgets go only now: the line editor being typed into may be
    // one of them.
    if (editor_.isActive()) {
        int r = -1, c = -1;
        getRow(&r, &c, editor_.cell());
        editor_ = detail::CellEditor();
        slots_ = std::move(made);
        editCellAtRow(r, c, false);
    } else {
        slots_ = std::move(made);
    }
    layoutWidgets();
    updateWidget();
    setNeedsDisplay(true);
}

void CellMatrix::layoutWidgets()
{
    if (slots_.size() != cells_.size())
        return;
    // Form titles without a width of their own share the widest of their column.
    std::vector<int> titleWidths(static_cast<size_t>(std::max(columns_, 0)), 0);
    for (int r = 0; r < rows_; ++r)
        for (int c = 0; c < columns_; ++c) {
            const Slot& s = *slots_[indexOf(r, c)];
            if (!s.label)
                continue;
            auto* f = static_cast<const FormCell*>(s.cell);
            int w = f->titleWidth() > 0 ? static_cast<int>(f->titleWidth())
                                        : QFontMetrics(s.label->font()).horizontalAdvance(
                                              QString::fromStdString(f->title())) + 4;
            titleWidths[static_cast<size_t>(c)] = std::max(titleWidths[static_cast<size_t>(c)], w);
        }
    Point origin = bounds().origin;
    for (int r = 0; r < rows_; ++r)
        for (int c = 0; c < columns_; ++c) {
            Slot& s = *slots_[indexOf(r, c)];
            if (!s.widget)
                continue;
            Rect f = cellFrameAtRow(r, c);
            QRect rect(static_cast<int>(std::lround(minX(f) - origin.x)), static_cast<int>(std::lround(minY(f) - origin.y)),
                       static_cast<int>(std::lround(width(f))), static_cast<int>(std::lround(height(f))));
            s.widget->setGeometry(rect);
            if (s.label) {
                auto* fc = static_cast<const FormCell*>(s.cell);
                int tw = fc->titleWidth() > 0 ? static_cast<int>(fc->titleWidth()) : titleWidths[static_cast<size_t>(c)];
                tw = std::min(tw, rect.width());
                s.label->setGeometry(0, 0, tw, rect.height());
                s.edit->setGeometry(tw, 0, rect.width() - tw, rect.height());
            }
            s.widget->show();
        }
}

void CellMatrix::syncWidget(size_t index)
{
    if (index >= slots_.size() || index >= cells_.size())
        return;
    Slot& s = *slots_[index];
    Cell* cell = cells_[index].get();
    if (s.cell != cell)
        return;
    if (s.button) {
        auto* b = static_cast<ButtonCell*>(cell);
        if (!detail::sameButtonWidget(b->buttonType(), s.buttonType)) {
            cellsChanged();
            return;
        }
        detail::showButtonCell(s.button, *b);
    }
    if (s.edit) {
        bool old = updating_;
        updating_ = true;
        detail::showTextCell(s.edit, *cell);
        updating_ = old;
    }
    if (s.label) {
        auto* f = static_cast<FormCell*>(cell);
        s.label->setText(QString::fromStdString(f->title()));
        s.label->setAlignment((f->titleAlignment() == TextAlignment::Left ? Qt::AlignLeft : Qt::AlignRight) |
                              Qt::AlignVCenter);
        s.label->setEnabled(cell->isEnabled());
        detail::applyFont(s.label, cell->font());
    }
}

void CellMatrix::updateWidget()
{
    if (QWidget* w = widget())
        w->setEnabled(enabled_);
    if (slots_.size() != cells_.size())
        return;
    for (size_t i = 0; i < cells_.size(); ++i)
        syncWidget(i);
}

void CellMatrix::updateCell(Cell* cell)
{
    int r = -1, c = -1;
    if (!getRow(&r, &c, cell))
        return;
    if (!updating_)
        syncWidget(indexOf(r, c));
    if (slots_.size() == cells_.size() && !slots_[indexOf(r, c)]->widget)
        setNeedsDisplayInRect(cellFrameAtRow(r, c));
}

void CellMatrix::setDrawsButtonCells(bool flag)
{
    if (drawsButtonCells_ == flag)
        return;
    drawsButtonCells_ = flag;
    cellsChanged();
}

void CellMatrix::setBackgroundColor(ColorRef color)
{
    backgroundColor_ = color ? std::move(color) : Color::lightGrayColor();
    setNeedsDisplay(true);
}

void CellMatrix::setDrawsBackground(bool flag)
{
    drawsBackground_ = flag;
    setNeedsDisplay(true);
}

void CellMatrix::drawRect(const Rect& rect)
{
    DrawContext* ctx = DrawContext::current();
    if (!ctx)
        return;
    if (drawsBackground_) {
        float r, g, b;
        backgroundColor_->getRed(r, g, b);
        ctx->setrgbcolor(r, g, b);
        ctx->rectfill(rect);
    }
    // Only the rows and columns the rect meets: a long list redraws one
    // row in the time of one.
    int firstRow = 0, lastRow = rows_ - 1, firstColumn = 0, lastColumn = columns_ - 1;
    const float pitchX = cellSize_.width + spacing_.width;
    const float pitchY = cellSize_.height + spacing_.height;
    auto span = [](float low, float high, float pitch, int count, int* first, int* last) {
        if (!(pitch > 0) || !std::isfinite(low) || !std::isfinite(high))
            return;
        const float from = std::floor(low / pitch), to = std::floor(high / pitch);
        *first = static_cast<int>(std::clamp(from, 0.0f, static_cast<float>(count)));
        *last = static_cast<int>(std::clamp(to, -1.0f, static_cast<float>(count - 1)));
    };
    span(minY(rect), maxY(rect), pitchY, rows_, &firstRow, &lastRow);
    span(minX(rect), maxX(rect), pitchX, columns_, &firstColumn, &lastColumn);
    for (int row = firstRow; row <= lastRow; ++row)
        for (int c = firstColumn; c <= lastColumn; ++c) {
            bool hasWidget = slots_.size() == cells_.size() && slots_[indexOf(row, c)]->widget;
            Rect f = cellFrameAtRow(row, c);
            if (hasWidget || isEmptyRect(intersectionRect(f, rect)))
                continue;
            cells_[indexOf(row, c)]->drawWithFrame(f, this);
        }
}

void CellMatrix::drawCell(Cell* cell)
{
    int r = -1, c = -1;
    if (getRow(&r, &c, cell))
        drawCellAtRow(r, c);
}

void CellMatrix::drawCellAtRow(int row, int column)
{
    if (!cellAtRow(row, column) || !canDraw())
        return;
    Rect f = cellFrameAtRow(row, column);
    lockFocus();
    drawRect(f);
    unlockFocus();
    if (Window* w = window())
        w->flushWindowIfNeeded();
}

void CellMatrix::highlightCell(bool flag, int row, int column)
{
    if (Cell* c = cellAtRow(row, column))
        c->highlight(flag, cellFrameAtRow(row, column), this);
}

} // namespace kit
