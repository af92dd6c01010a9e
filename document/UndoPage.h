#pragma once

// Pages added (26) or removed (27) as a run. Undo takes the pages out or
// puts them back, with their text columns leaving or rejoining their flows,
// and the code flips, so that undoing again redoes it. While the pages are
// out of the document the record owns them.

#include "document/Undo.h"

#include <memory>
#include <vector>

class UndoPage : public Undo {
public:
    UndoPage() = default;
    // initPages:atOffset:withCount:withType:. The pages are not owned while
    // they are in the document.
    UndoPage(std::vector<Page*> pages, int offset, int count, int undoType);
    ~UndoPage() override;

    // The pages that still exist, in order.
    std::vector<Page*> pages() const;
    // Its pages come and go with it: it needs none to stay.
    bool needsPage(const Page* page) const override
    {
        (void)page;
        return false;
    }
    // Pages removed before the record was made (27): it holds them from now on.
    void hold(std::vector<std::unique_ptr<Page>> pages) { held_ = std::move(pages); }
    const std::vector<std::unique_ptr<Page>>& held() const { return held_; }
    int offset() const { return offset_; }
    void setOffset(int offset) { offset_ = offset; }
    int count() const { return count_; }
    void setCount(int count) { count_ = count; }

    void undoInDocument(LayoutDocument* document) override;

    std::string className() const override { return "UndoPage"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    std::vector<kit::WeakLink<Page>> pages_;
    std::vector<std::unique_ptr<Page>> held_;
    int offset_ = 0;
    int count_ = 0;
    mutable std::unique_ptr<kit::Array> codedPages_;
};
