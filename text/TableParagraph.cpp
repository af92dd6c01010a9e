#include "text/TableParagraph.h"

#include "foundation/StyleParagraph.h"
#include "items/TextItem.h"
#include "text/TableDefinition.h"
#include "text/TextFlow.h"
#include "text/TextWordSpecial.h"

#include <algorithm>
#include <cmath>

void TableParagraph::initInTable(TableDefinition* table, int row, int column)
{
    setTable(table);
    setRow(row);
    setColumn(column);
}

TableRow* TableParagraph::tableRow() const { return table_ ? table_->rowAtIndex(row_) : nullptr; }

void TableParagraph::setHorizontalAlignment(int code)
{
    flags_.horizAlign = unsigned(code) & 0x7u;
    int alignment = 0;
    switch (flags_.horizAlign) {
    case 1:
        alignment = 3;
        break;
    case 2:
        alignment = 2;
        break;
    case 3:
        alignment = 1;
        break;
    default:
        break;
    }
    paragraphStyle()->setAlignment(alignment);
}

void TableParagraph::addByte(unsigned char c, bool recomputeWord, bool ignoreFence)
{
    if (c == 10) {
        addSpecialWord(TextWordLineBreak);
        return;
    }
    TextParagraph::addByte(c, recomputeWord, ignoreFence);
}

kit::Rect TableParagraph::borderInItem(TextItem* column) const
{
    const TableRow* row = tableRow();
    const ColumnDefinition::Margin* own = table_ ? table_->marginAt(column_) : nullptr;
    if (!row || !own)
        return {};
    // Neighbouring cells share the gap between their columns half and half.
    const ColumnDefinition::Margin* previous = table_->marginAt(column_ - 1);
    const ColumnDefinition::Margin* next = table_->marginAt(column_ + 1);
    const float left = previous ? (previous->second + own->first) / 2.0f : own->first - 4.0f;
    const float right = next ? (own->second + next->first) / 2.0f : own->second + 4.0f;
    const float x = column ? column->frame().origin.x : 0.0f;
    return {{left - x, row->firstY()}, {right - left, row->height()}};
}

// ---- Layout.

float TableParagraph::spaceBefore() const
{
    return row_ == 0 && column_ == 0 ? paragraphStyle()->spaceBefore() : 0.0f;
}

float TableParagraph::spaceBetween() const
{
    return row_ == 0 && column_ == 0 ? paragraphStyle()->spaceBetween() : 0.0f;
}

float TableParagraph::spaceAfter() const
{
    if (table_ && row_ == table_->rowCount() - 1 && column_ == table_->columnCount() - 1)
        return paragraphStyle()->spaceAfter();
    return 0.0f;
}

float TableParagraph::topBorderWidth() const
{
    const TableRow* row = tableRow();
    return row ? row->thickestTopBorder() : 0.0f;
}

float TableParagraph::lowestAvailableY() const
{
    if (table_ && !(row_ == 0 && column_ == 0)) {
        // A row starts below the one before it; its other cells beside its first.
        if (const TableRow* row = table_->rowAtIndex(column_ == 0 ? row_ - 1 : row_))
            return column_ == 0 ? row->lastY() : row->firstY();
    }
    return TextParagraph::lowestAvailableY();
}

float TableParagraph::lastEffectiveY() const
{
    const TableRow* row = tableRow();
    return row ? row->lastY() : TextParagraph::lastEffectiveY();
}

TextItem* TableParagraph::_findNextItem(TextItem* column, TextParagraph* paragraph, int word, int letter)
{
    // Moving a cell that starts a column on would not make it fit.
    if (firstY() == 0.0f)
        return nullptr;
    return TextParagraph::_findNextItem(column, paragraph, word, letter);
}

bool TableParagraph::_compute(bool trackDamage)
{
    TableRow* row = tableRow();
    const float heightBefore = lastY() - firstY();
    const bool changed = TextParagraph::_compute(trackDamage);
    _fitRowHeight(row, heightBefore);
    _alignRowTop(row);
    return changed;
}

TableParagraph* TableParagraph::sameRowNeighbour(TextParagraph* paragraph) const
{
    auto* cell = dynamic_cast<TableParagraph*>(paragraph);
    return cell && cell->table_ == table_ && cell->row_ == row_ ? cell : nullptr;
}

void TableParagraph::_fitRowHeight(TableRow* row, float heightBefore)
{
    if (!row || !row->isAutoHeight())
        return;
    const float height = lastY() - firstY();
    // A change under one point leaves the row alone.
    if (std::trunc(height - heightBefore) == 0.0f)
        return;
    float tallest = height;
    const TextFlow* flow = this->flow();
    const int at = flow ? flow->indexOfParagraph(this) : -1;
    if (at >= 0) {
        for (int i = at - 1; TableParagraph* cell = sameRowNeighbour(flow->paragraphAtIndex(i)); --i)
            tallest = std::max(tallest, cell->lastY() - cell->firstY());
        int i = at + 1;
        for (; TableParagraph* cell = sameRowNeighbour(flow->paragraphAtIndex(i)); ++i) {
            tallest = std::max(tallest, cell->lastY() - cell->firstY());
            cell->setDirty(true);
        }
        // The rows below move with the row's new bottom.
        if (TextParagraph* below = flow->paragraphAtIndex(i))
            below->setDirty(true);
    }
    // Switched to a fixed height for a moment, so that the row shrinks too.
    const char automatic = row->isAutoHeight();
    row->setIsAutoHeight(0);
    row->setHeight(tallest);
    row->setIsAutoHeight(automatic);
}

void TableParagraph::_alignRowTop(TableRow* row)
{
    if (!row)
        return;
    const TextFlow* flow = this->flow();
    const int at = flow ? flow->indexOfParagraph(this) : -1;
    const TextParagraph* previous = at > 0 ? flow->paragraphAtIndex(at - 1) : nullptr;
    const bool movedOn = previous && previous->lastItem() != lastItem();
    if (column_ != 0 && !movedOn)
        return;
    row->setFirstY(firstY());
    if (at < 0)
        return;
    TextItem* current = lastItem();
    for (int i = at - 1; TableParagraph* cell = sameRowNeighbour(flow->paragraphAtIndex(i)); --i) {
        TextItem* was = cell->lastItem();
        cell->moveBy(firstY() - cell->firstY(), current);
        cell->forgetPreviousParagraphEnd();
        if (!current)
            continue;
        // The whole row continues in this column.
        const textPoint start{i, 0, 0};
        if (TextPointCmp(&start, &current->startPoint()) < 0) {
            if (was && was != current)
                was->setEndPointVals(i, -1, -1);
            current->setStartPointVals(i, 0, 0);
        }
    }
}
