#pragma once

#include "appkit/CellMatrix.h"
#include "appkit/FormCell.h"

namespace kit {

// A column of titled text entries (form cells): each is typed into in
// place, Tab goes down the column and then on to the next text, Return
// sends the entry's action (or the form's).
class Form : public CellMatrix {
public:
    explicit Form(const Rect& frame = {});

    std::string className() const override { return "NSForm"; }

    FormCell* addEntry(const std::string& title);
    FormCell* insertEntry(const std::string& title, int index);
    void removeEntryAtIndex(int index);
    FormCell* cellAtIndex(int index) const;
    int indexOfCellWithTag(int tag) const;
    // The entry being typed into (else the selected one); -1 for none.
    int indexOfSelectedItem() const;
    void selectTextAtIndex(int index);
    // The width of every entry, title included.
    void setEntryWidth(float width);
    void setInterlineSpacing(float spacing);
};

} // namespace kit
