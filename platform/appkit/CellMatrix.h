#pragma once

#include "appkit/CellEditor.h"
#include "appkit/Control.h"

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace kit {

// How a matrix selects with the mouse.
enum class MatrixMode {
    Radio = 0,     // exactly one cell on; it follows the mouse while the button is down
    Highlight = 1, // the clicked cell is lit while pressed and acts as a button
    List = 2,      // a range of cells, dragged over (Shift extends it)
    Track = 3,     // the clicked cell acts as a button; no selection kept
};

// The platform's matrix of cells (named apart from the drawing matrix,
// kit::Matrix): a grid of cells of one size, in rows and columns, flipped (row 0 at the
// top). Button, text and form cells are shown by Qt widgets; other cells
// draw themselves (drawWithFrame) into the window. A click acts as the
// mode says and sends the action (the cell's own, else the matrix's); a
// double click sends the double action. Text cells are edited in place:
// Tab goes from one to the next, then on to the next text.
class CellMatrix : public Control {
public:
    explicit CellMatrix(const Rect& frame = {}, MatrixMode mode = MatrixMode::Radio,
                    std::unique_ptr<Cell> prototype = nullptr, int rows = 0, int columns = 0);
    ~CellMatrix() override;

    std::string className() const override { return "NSMatrix"; }
    bool isFlipped() const override { return true; }

    MatrixMode mode() const { return mode_; }
    void setMode(MatrixMode mode);

    // New cells are copies of the prototype, else made by the factory (a
    // plain text cell without either).
    Cell* prototype() const { return prototype_.get(); }
    void setPrototype(std::unique_ptr<Cell> prototype);
    void setCellFactory(std::function<std::unique_ptr<Cell>()> factory) { factory_ = std::move(factory); }
    std::unique_ptr<Cell> makeCell() const;

    // ---- Cells (owned).
    int numberOfRows() const { return rows_; }
    int numberOfColumns() const { return columns_; }
    void getNumberOfRows(int* rows, int* columns) const;
    Cell* cellAtRow(int row, int column) const;
    Cell* cellWithTag(int tag) const;
    std::vector<Cell*> cells() const;
    // Where the cell is; false when it is not in the matrix.
    bool getRow(int* row, int* column, const Cell* cell) const;
    void addRow();
    void addColumn();
    void insertRow(int row);
    void insertColumn(int column);
    void removeRow(int row);
    void removeColumn(int column);
    // The cells of a new row or column (missing ones are made, extra ones dropped).
    void addRowWithCells(std::vector<std::unique_ptr<Cell>> cells);
    void addColumnWithCells(std::vector<std::unique_ptr<Cell>> cells);
    // Keeps the cells that still fit, makes the new ones.
    void renewRows(int rows, int columns);
    // Takes every cell out, in row order, and leaves the matrix with no
    // rows or columns (another matrix may take them).
    std::vector<std::unique_ptr<Cell>> takeCells();
    // Replaces a cell; the old one is handed back.
    std::unique_ptr<Cell> putCell(std::unique_ptr<Cell> cell, int row, int column);

    // ---- Geometry (flipped coordinates).
    Size cellSize() const { return cellSize_; }
    void setCellSize(Size size);
    Size intercellSpacing() const { return spacing_; }
    void setIntercellSpacing(Size spacing);
    Rect cellFrameAtRow(int row, int column) const;
    // The cell under a point of the matrix; false between and outside cells.
    bool getRow(int* row, int* column, Point point) const;
    // Makes the frame exactly hold the cells.
    void sizeToCells();
    void scrollCellToVisible(int row, int column);

    // ---- Selection.
    Cell* selectedCell() const override;
    int selectedRow() const { return selectedRow_; }
    int selectedColumn() const { return selectedColumn_; }
    std::vector<Cell*> selectedCells() const;
    // Selects the cell (-1, -1: none); in radio mode it alone is on. No
    // action is sent.
    void selectCellAtRow(int row, int column);
    bool selectCellWithTag(int tag);
    void selectAll(Object* sender = nullptr);
    void deselectAllCells();
    void deselectSelectedCell();
    bool allowsEmptySelection() const { return allowsEmptySelection_; }
    void setAllowsEmptySelection(bool flag) { allowsEmptySelection_ = flag; }

    // ---- Actions.
    const std::string& doubleAction() const { return doubleAction_; }
    void setDoubleAction(const std::string& action) { doubleAction_ = action; }
    bool sendDoubleAction();
    // Sends the selector to the target with each cell (every one, or the
    // ones that are on) as argument.
    void sendAction(const std::string& selector, Receiver* target, bool forAllCells);
    using Control::sendAction;
    // The matrix's own state: every cell takes it, and a disabled matrix
    // being typed into gives up the keyboard.
    bool isEnabled() const override { return enabled_; }
    void setEnabled(bool flag) override;

    // ---- Text cells.
    void selectText(Object* sender) override;
    void selectTextAtRow(int row, int column);
    // The cell being typed into, nil when none.
    Cell* editingCell() const { return editor_.cell(); }

    // ---- Drawing of cells that have no widget.
    // Button cells drawn by the matrix into the window (a palette of
    // pictures, whose whole look is then in the window's backing image)
    // instead of Qt buttons.
    bool drawsButtonCells() const { return drawsButtonCells_; }
    void setDrawsButtonCells(bool flag);
    ColorRef backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(ColorRef color);
    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool flag);
    void drawRect(const Rect& rect) override;
    void drawCell(Cell* cell);
    void drawCellAtRow(int row, int column);
    void highlightCell(bool flag, int row, int column);

    bool acceptsFirstResponder() const override;
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    void mouseDown(const Event& event) override;
    void keyDown(const Event& event) override;
    bool performKeyEquivalent(const Event& event) override;
    void updateCell(Cell* cell) override;

protected:
    void updateWidget() override;
    void frameDidChange() override;

private:
    struct Slot;
    size_t indexOf(int row, int column) const;
    bool isTextCell(const Cell* cell) const;
    void adopt(Cell* cell);
    void cellsChanged();
    void layoutWidgets();
    void syncWidget(size_t index);
    void applyRadioSelection();
    bool editCellAtRow(int row, int column, bool selectAllText);
    bool nextTextCell(int* row, int* column, bool backwards) const;
    void trackButtonCell(const Event& event, int row, int column);
    void trackSelection(const Event& event, int row, int column);

    MatrixMode mode_;
    std::unique_ptr<Cell> prototype_;
    std::function<std::unique_ptr<Cell>()> factory_;
    std::vector<std::unique_ptr<Cell>> cells_;
    // Where each cell was last seen in cells_, so that a cell's change
    // finds its place without a walk of the matrix; checked on each use
    // and made again when the cells moved.
    mutable std::unordered_map<const Cell*, size_t> cellIndex_;
    std::vector<std::unique_ptr<Slot>> slots_;
    int rows_ = 0;
    int columns_ = 0;
    Size cellSize_{100, 17};
    Size spacing_{1, 1};
    int selectedRow_ = -1;
    int selectedColumn_ = -1;
    bool allowsEmptySelection_ = false;
    std::string doubleAction_;
    ColorRef backgroundColor_;
    bool drawsBackground_ = true;
    detail::CellEditor editor_;
    bool updating_ = false;
    bool enabled_ = true;
    bool drawsButtonCells_ = false;
};

} // namespace kit
