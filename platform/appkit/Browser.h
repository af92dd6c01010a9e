#pragma once

#include "appkit/Control.h"

#include <string>
#include <vector>

namespace kit {

class Browser;
class CellMatrix;
class ScrollView;
class TextField;

// A cell of a browser's column: a leaf ends the path, any other cell opens
// the next column when it is chosen.
class BrowserCell : public Cell {
public:
    explicit BrowserCell(const std::string& text = std::string()) : Cell(text) {}
    std::string className() const override { return "NSBrowserCell"; }
    std::unique_ptr<Cell> copy() const override;

    bool isLeaf() const { return leaf_; }
    void setLeaf(bool flag) { leaf_ = flag; }
    bool isLoaded() const { return loaded_; }
    void setLoaded(bool flag) { loaded_ = flag; }

private:
    bool leaf_ = false;
    bool loaded_ = false;
};

// What fills a browser's columns (browser:createRowsForColumn:inMatrix:):
// it adds the column's rows to the empty matrix and answers how many.
class BrowserDelegate {
public:
    virtual ~BrowserDelegate() = default;
    virtual int browserCreateRowsForColumn(Browser* sender, int column, CellMatrix* matrix) = 0;
};

// Columns of cells side by side, each a one-column matrix in a scroll view
// with an optional title above it. Choosing a cell that is not a leaf
// fills the next column from the delegate; the browser then sends its
// action, itself as the sender (a double click sends the double action).
class Browser : public Control {
public:
    static constexpr float TitleHeight = 20.0f;
    static constexpr float RowHeight = 17.0f;

    explicit Browser(const Rect& frame = {});
    ~Browser() override;

    std::string className() const override { return "NSBrowser"; }

    BrowserDelegate* delegate() const { return delegate_; }
    // Not owned; it outlives the browser or is cleared first.
    void setDelegate(BrowserDelegate* delegate) { delegate_ = delegate; }

    int maxVisibleColumns() const { return maxVisibleColumns_; }
    void setMaxVisibleColumns(int count);
    bool isTitled() const { return titled_; }
    void setTitled(bool flag);
    void setTitle(const std::string& title, int column);
    std::string titleOfColumn(int column) const;

    const std::string& doubleAction() const { return doubleAction_; }
    void setDoubleAction(const std::string& action) { doubleAction_ = action; }

    // ---- Columns.
    // Empties every column and fills column 0.
    void loadColumnZero();
    // Fills the column again from the delegate; the selected cell stays
    // selected when a cell of the same text is still there (the columns
    // right of it stay too), else the columns right of it go.
    void reloadColumn(int column);
    // The loaded columns (0 before loadColumnZero).
    int numberOfColumns() const { return int(columns_.size()); }
    int lastColumn() const { return numberOfColumns() - 1; }
    CellMatrix* matrixInColumn(int column) const;

    // ---- Selection.
    Cell* selectedCell() const override;
    // The rightmost column with a selected cell, -1 when none.
    int selectedColumn() const;
    int selectedRowInColumn(int column) const;
    // Selects the row (and opens the next column for a cell that is not a
    // leaf), as a click would but without sending the action.
    void selectRow(int row, int column);

    void frameDidChange() override;

private:
    struct Column {
        ScrollView* scroll = nullptr;
        CellMatrix* matrix = nullptr;
        TextField* title = nullptr;
    };

    void addColumn();
    void removeColumnsFrom(int column);
    void fillColumn(int column);
    void fitMatrix(int column);
    void openNextColumn(int column);
    void tile();
    int columnOfMatrix(const Object* matrix) const;
    void matrixAction(Object* sender);
    void matrixDoubleAction(Object* sender);

    BrowserDelegate* delegate_ = nullptr;
    std::vector<Column> columns_;
    std::vector<std::string> titles_;
    int maxVisibleColumns_ = 1;
    bool titled_ = true;
    std::string doubleAction_;
};

} // namespace kit
