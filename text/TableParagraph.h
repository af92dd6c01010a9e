#pragma once

// A table cell: a paragraph of the flow that sits at a row and column of a
// table. The paragraph layout lays it out; the overrides here make all cells
// of a row start at the row's top, grow an automatic row to its tallest cell
// and keep the cell inside its column.

#include "text/TextParagraph.h"

class TableDefinition;
class TableRow;

class TableParagraph : public TextParagraph {
public:
    TableParagraph() = default;
    TableParagraph(TableDefinition* table, int row, int column) { initInTable(table, row, column); }
    void initInTable(TableDefinition* table, int row, int column);

    std::string className() const override { return "TableParagraph"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

    // Not owned: the flow keeps its tables.
    TableDefinition* table() const { return table_; }
    void setTable(TableDefinition* table) { table_ = table; }
    int row() const { return row_; }
    void setRow(int row) { row_ = row; }
    int column() const { return column_; }
    void setColumn(int column) { column_ = column; }
    // The cell's row of its table; nil without one.
    TableRow* tableRow() const;

    // Each setter keeps only as many low bits as its field holds.
    int columnSpan() const { return flags_.columnSpan; }
    void setColumnSpan(int span) { flags_.columnSpan = unsigned(span) & 0xFFu; }
    int rowSpan() const { return flags_.rowSpan; }
    void setRowSpan(int span) { flags_.rowSpan = unsigned(span) & 0xFFu; }
    int horizontalAlignment() const { return flags_.horizAlign; }
    // Also aligns the cell's paragraph: 1 justified, 2 centred, 3 right.
    void setHorizontalAlignment(int code);
    int verticalAlignment() const { return flags_.vertAlign; }
    void setVerticalAlignment(int code) { flags_.vertAlign = unsigned(code) & 0x3u; }
    int decimalPlaces() const { return flags_.decimalPlaces; }
    void setDecimalPlaces(int places) { flags_.decimalPlaces = unsigned(places) & 0xFu; }
    // A cell covered by a spanning cell.
    bool isVirtual() const { return flags_.isVirtual != 0; }
    void setVirtual(bool flag) { flags_.isVirtual = flag ? 1u : 0u; }

    // A line feed makes a new line inside the cell instead of a new paragraph.
    using TextParagraph::addByte;
    void addByte(unsigned char c, bool recomputeWord, bool ignoreFence) override;

    // The cell's rectangle in the column: its share of the space between
    // its neighbours' edges, as high as its row.
    kit::Rect borderInItem(TextItem* column) const override;

    // ---- Layout.
    float spaceBefore() const override;
    float spaceAfter() const override;
    float spaceBetween() const override;
    float topBorderWidth() const override;
    float lowestAvailableY() const override;
    float lastEffectiveY() const override;
    // A cell at the top of a column overflows it instead of moving on.
    TextItem* _findNextItem(TextItem* column, TextParagraph* paragraph, int word, int letter) override;
    bool _compute(bool trackDamage) override;
    // What the cell's layout does to its row, given the cell's height before:
    // an automatic row takes the height of its tallest cell, and the cells
    // after the cell are marked for layout.
    void _fitRowHeight(TableRow* row, float heightBefore);
    // The row's top follows its first cell, or a cell that moved on to
    // another column; the earlier cells of the row follow it there.
    void _alignRowTop(TableRow* row);

private:
    // The neighbouring paragraph when it is a cell of the same table and row.
    TableParagraph* sameRowNeighbour(TextParagraph* paragraph) const;

    struct Flags {
        unsigned columnSpan : 8;
        unsigned rowSpan : 8;
        unsigned horizAlign : 3;
        unsigned vertAlign : 2;
        unsigned decimalPlaces : 4;
        unsigned isVirtual : 1;
    };

    TableDefinition* table_ = nullptr; // not owned
    int row_ = 0;
    int column_ = 0;
    Flags flags_{0, 0, 0, 0, 0, 0};
};
