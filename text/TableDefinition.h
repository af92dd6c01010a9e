#pragma once

// A table of a text flow: its column edges and its rows. The cells are the
// flow's TableParagraphs; the flow owns the table.

#include "text/ColumnDefinition.h"
#include "text/TableRow.h"

#include <memory>
#include <vector>

class TableDefinition : public ColumnDefinition {
public:
    // Registers the stored table classes (definitions, rows, cells).
    static void initialize();

    std::string className() const override { return "TableDefinition"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

    // A new row appended to the table.
    TableRow* addRow();
    // nil outside the rows.
    TableRow* rowAtIndex(int index) const
    {
        return unsigned(index) < rows_.size() ? rows_[std::size_t(index)].get() : nullptr;
    }
    int rowCount() const { return int(rows_.size()); }
    const std::vector<std::unique_ptr<TableRow>>& rows() const { return rows_; }

    char justification() const { return justification_; }
    void setJustification(char code) { justification_ = code; }

private:
    std::vector<std::unique_ptr<TableRow>> rows_;
    char justification_ = 0;
};
