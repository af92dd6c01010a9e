#include "appkit/Form.h"

#include <cmath>

namespace kit {

Form::Form(const Rect& frame) : CellMatrix(frame, MatrixMode::Track, std::make_unique<FormCell>(), 0, 0)
{
    setCellSize({width(frame) > 0 ? width(frame) : 200.0f, 21.0f});
    setIntercellSpacing({0, 4});
}

FormCell* Form::addEntry(const std::string& title)
{
    return insertEntry(title, numberOfRows());
}

FormCell* Form::insertEntry(const std::string& title, int index)
{
    if (index < 0 || index > numberOfRows())
        index = numberOfRows();
    if (numberOfColumns() == 0)
        addColumn(); // the first entry, at row 0
    else
        insertRow(index);
    auto* cell = dynamic_cast<FormCell*>(cellAtRow(index, 0));
    if (!cell) {
        putCell(std::make_unique<FormCell>(), index, 0);
        cell = static_cast<FormCell*>(cellAtRow(index, 0));
    }
    cell->setTitle(title);
    return cell;
}

void Form::removeEntryAtIndex(int index)
{
    removeRow(index);
}

FormCell* Form::cellAtIndex(int index) const
{
    return dynamic_cast<FormCell*>(cellAtRow(index, 0));
}

int Form::indexOfCellWithTag(int tag) const
{
    for (int r = 0; r < numberOfRows(); ++r)
        if (Cell* c = cellAtRow(r, 0); c && c->tag() == tag)
            return r;
    return -1;
}

int Form::indexOfSelectedItem() const
{
    int row = -1, column = -1;
    if (Cell* editing = editingCell(); editing && getRow(&row, &column, editing))
        return row;
    return selectedRow();
}

void Form::selectTextAtIndex(int index)
{
    selectTextAtRow(index, 0);
}

void Form::setEntryWidth(float width)
{
    if (std::isfinite(width) && width > 0)
        setCellSize({width, cellSize().height});
}

void Form::setInterlineSpacing(float spacing)
{
    if (std::isfinite(spacing) && spacing >= 0)
        setIntercellSpacing({0, spacing});
}

} // namespace kit
