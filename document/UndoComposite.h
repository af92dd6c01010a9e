#pragma once

// A record made of records (type 25): a guide drag, a drag that moves items
// to another page, a deletion of pages. Undo reverses the sub-records from
// the last to the first; redo repeats them from the first to the last.

#include "document/Undo.h"

#include <memory>
#include <vector>

class UndoComposite : public Undo {
public:
    UndoComposite();
    ~UndoComposite() override;

    // One record for the edit: the only one itself, several as a composite
    // (nil for none).
    static std::unique_ptr<Undo> combined(std::vector<std::unique_ptr<Undo>> records);
    // Appends the record; the composite owns it from now on.
    void addUndo(std::unique_ptr<Undo> record);
    // Takes the record off the list and hands it back (nil when absent).
    std::unique_ptr<Undo> removeUndo(const Undo* record);
    // Drops the current list and takes the given one over.
    void setUndoList(std::vector<std::unique_ptr<Undo>> list);
    const std::vector<std::unique_ptr<Undo>>& undoList() const { return list_; }
    int count() const { return static_cast<int>(list_.size()); }
    bool needsPage(const Page* page) const override
    {
        for (const auto& record : list_)
            if (record && record->needsPage(page))
                return true;
        return Undo::needsPage(page);
    }

    void undoInDocument(LayoutDocument* document) override;
    void redoInDocument(LayoutDocument* document) override;

    std::string className() const override { return "UndoComposite"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    std::vector<std::unique_ptr<Undo>> list_;
    mutable std::unique_ptr<kit::Array> codedList_;
};
