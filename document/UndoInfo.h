#pragma once

// A document's undo stack: the records pushed by editing operations, oldest
// first, with the index of the record the next undo reverses; records above
// it can be redone. It owns every record pushed on it, keeps at most the
// capacity from the "UndoLimit" preference, and keeps the document's edited
// mark true: the document is unedited exactly at the point it was opened or
// last saved, and only while no edit it holds no record of (typing, text
// deletes, paragraph changes) has happened since.

#include "core/Object.h"

#include <climits>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace kit {
class Array;
}
class LayoutDocument;
class Page;
class Undo;

class UndoInfo : public kit::Object {
public:
    // Class set-up: the capacity from the "UndoLimit" default, when there is
    // one (-1, no limit, until then).
    static void initialize();
    static int capacity();
    static void setCapacity(int capacity);

    // The pages panel's notice of a record pushed, undone or redone; empty
    // while the panel does not exist.
    using PagesPanelNoticeHook = std::function<void(Undo& record)>;
    static PagesPanelNoticeHook& notifyUndoItemAddedHook();

    explicit UndoInfo(LayoutDocument* document = nullptr);
    ~UndoInfo() override;
    UndoInfo(const UndoInfo&) = delete;
    UndoInfo& operator=(const UndoInfo&) = delete;

    LayoutDocument* document() const { return document_; }
    void setDocument(LayoutDocument* document) { document_ = document; }
    bool doesNotifyPagePanel() const { return notifyPagePanel_; }
    void setNotifyPagePanel(bool flag) { notifyPagePanel_ = flag; }
    bool limitReached() const { return limitReached_; }
    // An undo or redo runs.
    bool isReplaying() const { return replaying_; }
    // Whether a record on the stack needs the page to stay.
    bool needsPage(const Page* page) const;
    // The same for the records undone, which a redo does again.
    bool redoNeedsPage(const Page* page) const;

    // Drops the redo tail, appends the record (the oldest goes past the
    // limit) and marks the document edited. Nil is ignored. A record made
    // while an undo or redo runs is not pushed then: what that change
    // brings about (a page the layout adds as the text comes back) is part
    // of it. One made while an undo runs is held by the record undone; a
    // redo of it lets it go, and when the redo tail is dropped what it did
    // stays in the document, so it goes on the stack then, before the new
    // record.
    void push(std::unique_ptr<Undo> record);
    // false when there is nothing to undo (redo).
    bool undo();
    bool redo();
    // Discards the current record without undoing it: its edit was given up.
    void pop();
    void empty();

    // The document now matches its file: it was opened, reverted or saved.
    // Undo and redo mark it unedited when they come back to this point.
    void documentDidOpen();
    void documentDidSave() { savedIndex_ = current_; }
    // The document's edited mark was set from outside the stack's own
    // work. Marked edited, it changed in a way no record gives back, so no
    // undo or redo can bring it back to its file; marked unedited, it
    // matches its file where the stack now stands.
    void documentMarkedEdited(bool edited);

    int count() const { return static_cast<int>(list_.size()); }
    int undoCount() const { return current_ + 1; }
    int redoCount() const { return count() - current_ - 1; }
    // The record the next undo reverses; nil when none.
    Undo* currentRecord() const;
    const std::vector<std::unique_ptr<Undo>>& list() const { return list_; }

    std::string className() const override { return "UndoInfo"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    // The saved state lies on no path the stack can take any more.
    static constexpr int Unreachable = INT_MIN;
    void notifyPagesPanel(Undo& record) const;
    void markEditedByIndex();
    // Set while the stack pushes, undoes, redoes or pops: the edited marks
    // its records and it set then are its own.
    struct Working;
    void dropPagesLeftEmpty();
    // Appends one record, the oldest going past the limit.
    void append(std::unique_ptr<Undo> record);

    LayoutDocument* document_ = nullptr; // not owned
    std::vector<std::unique_ptr<Undo>> list_;
    int current_ = -1;
    // current_ when the document matched its file.
    int savedIndex_ = -1;
    bool limitReached_ = false;
    bool notifyPagePanel_ = true;
    bool working_ = false;
    // An undo or redo runs.
    bool replaying_ = false;
    // The record being undone, and the records made while one was undone,
    // each with the record it belongs to, oldest first.
    const Undo* undoing_ = nullptr;
    std::vector<std::pair<const Undo*, std::unique_ptr<Undo>>> madeWhileUndone_;
    mutable std::unique_ptr<kit::Array> codedList_;
};
