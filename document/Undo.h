#pragma once

// Undo records and the document's undo stack. The document owns its stack;
// items and pages make the records. A record holds what an edit
// touched and an undo type code; undoing it reverses the edit and flips the
// code, so that undoing again redoes it.
//
// A record refers to its page and items weakly: the document may delete a
// page (text that shrinks drops empty pages) while a record still names it.
// Undoing or redoing something that is already gone does nothing.

#include "core/WeakLink.h"

#include <memory>
#include <vector>

class Item;
class LayoutDocument;
class Page;

class Undo {
public:
    // The codes this program records so far.
    static constexpr int ItemsAdded = 1;
    static constexpr int ItemsRemoved = 2;
    static constexpr int PagesAdded = 26;
    static constexpr int PagesRemoved = 27;

    // Items and page are not owned.
    Undo(std::vector<Item*> items, Page* page, int undoType);
    virtual ~Undo();
    Undo(const Undo&) = delete;
    Undo& operator=(const Undo&) = delete;

    // The items that still exist, in order.
    std::vector<Item*> items() const;
    // Nil once the page is gone.
    Page* page() const { return page_.get(); }
    int undoType() const { return undoType_; }
    void setUndoType(int type) { undoType_ = type; }

    virtual void undoInDocument(LayoutDocument* document) = 0;
    virtual void redoInDocument(LayoutDocument* document) { undoInDocument(document); }

private:
    std::vector<kit::WeakLink<Item>> items_;
    kit::WeakLink<Page> page_;
    int undoType_ = 0;
};

// Pages added (26) or removed (27) as a run: while the pages are out of the
// document the record owns them.
class UndoPage : public Undo {
public:
    UndoPage(std::vector<Page*> pages, int offset, int count, int undoType);
    ~UndoPage() override;

    // The pages that still exist, in order.
    std::vector<Page*> pages() const;
    // Pages removed before the record was made (27): it holds them from now on.
    void hold(std::vector<std::unique_ptr<Page>> pages) { held_ = std::move(pages); }
    int offset() const { return offset_; }
    void setOffset(int offset) { offset_ = offset; }
    int count() const { return count_; }
    void setCount(int count) { count_ = count; }

    // Takes the pages out (26) or puts them back (27), with their text
    // columns leaving or rejoining their flows.
    void undoInDocument(LayoutDocument* document) override;

private:
    std::vector<kit::WeakLink<Page>> pages_;
    std::vector<std::unique_ptr<Page>> held_;
    int offset_ = 0;
    int count_ = 0;
};

// Items added to (1) or removed from (2) a page. Undoing takes the items
// out or puts them back, and the code flips; while the items are off their
// page the record holds them.
class UndoItems : public Undo {
public:
    UndoItems(std::vector<Item*> items, Page* page, int undoType);
    ~UndoItems() override;

    void undoInDocument(LayoutDocument* document) override;
    // The items the record holds while they are off the page.
    const std::vector<std::shared_ptr<Item>>& held() const { return held_; }
    // Items removed before the record was made: it holds them from now on.
    void hold(std::vector<std::shared_ptr<Item>> items) { held_ = std::move(items); }

private:
    std::vector<std::shared_ptr<Item>> held_;
};

// A document's undo stack. current is the record the next undo reverses;
// records above it can be redone.
class UndoInfo {
public:
    // -1: no limit (the default until set).
    static int capacity();
    static void setCapacity(int capacity);

    explicit UndoInfo(LayoutDocument* document = nullptr);
    ~UndoInfo();
    UndoInfo(const UndoInfo&) = delete;
    UndoInfo& operator=(const UndoInfo&) = delete;

    LayoutDocument* document() const { return document_; }
    void setDocument(LayoutDocument* document) { document_ = document; }

    // Drops the redo tail, appends the record (the oldest goes past the
    // limit) and marks the document edited. Nil is ignored.
    void push(std::unique_ptr<Undo> record);
    // false when there is nothing to undo (redo).
    bool undo();
    bool redo();
    void empty();

    int count() const { return static_cast<int>(list_.size()); }
    int undoCount() const { return current_ + 1; }
    int redoCount() const { return count() - current_ - 1; }
    // The record the next undo reverses; nil when none.
    Undo* currentRecord() const;

private:
    LayoutDocument* document_ = nullptr; // not owned
    std::vector<std::unique_ptr<Undo>> list_;
    int current_ = -1;
    bool limitReached_ = false;
};
