#include "text/TableDefinition.h"

TableRow* TableDefinition::addRow()
{
    rows_.push_back(std::make_unique<TableRow>());
    return rows_.back().get();
}
