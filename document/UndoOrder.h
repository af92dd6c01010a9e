#pragma once

// The record of a change of the stacking order of items on a page: bring to
// front (10), send to back (11), forward one place (12), backward one place
// (13). Undo puts the items back at their old places; redo moves them again.

#include "document/Undo.h"

#include <vector>

class UndoOrder : public Undo {
public:
    UndoOrder() = default;
    UndoOrder(std::vector<Item*> items, Page* page, int undoType) : Undo(std::move(items), page, undoType) {}
    ~UndoOrder() override;

    // places[k]: the index item k had in its page's list before the change.
    void setPlaces(std::vector<int> places) { places_ = std::move(places); }
    const std::vector<int>& places() const { return places_; }

    void undoInDocument(LayoutDocument* document) override;
    void redoInDocument(LayoutDocument* document) override;

    std::string className() const override { return "UndoOrder"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    void perform(LayoutDocument* document, bool undo);
    void restore(std::vector<std::shared_ptr<Item>>& list) const;
    void reorder(std::vector<std::shared_ptr<Item>>& list) const;

    std::vector<int> places_;
};
