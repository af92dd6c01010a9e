#include "document/UndoInfo.h"

#include "core/Coder.h"
#include "core/Values.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "document/UndoPage.h"
#include "foundation/Defaults.h"

#include <algorithm>

namespace {

int undoCapacity = -1;

// Set while a record is undone or redone, whatever leaves the call.
class Replaying {
public:
    explicit Replaying(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
    ~Replaying() { flag_ = was_; }
    Replaying(const Replaying&) = delete;
    Replaying& operator=(const Replaying&) = delete;

private:
    bool& flag_;
    bool was_;
};

} // namespace

void UndoInfo::initialize()
{
    int limit = 0;
    if (GetDefaultIntValue("UndoLimit", &limit))
        undoCapacity = limit;
}

int UndoInfo::capacity() { return undoCapacity; }
void UndoInfo::setCapacity(int capacity) { undoCapacity = capacity; }

UndoInfo::PagesPanelNoticeHook& UndoInfo::notifyUndoItemAddedHook()
{
    static PagesPanelNoticeHook hook;
    return hook;
}

UndoInfo::UndoInfo(LayoutDocument* document)
    : document_(document)
{
}

UndoInfo::~UndoInfo() = default;

void UndoInfo::notifyPagesPanel(Undo& record) const
{
    if (notifyPagePanel_)
        if (const PagesPanelNoticeHook& notice = notifyUndoItemAddedHook())
            notice(record);
}

struct UndoInfo::Working {
    explicit Working(UndoInfo& stack) : stack_(stack), was_(stack.working_) { stack_.working_ = true; }
    ~Working() { stack_.working_ = was_; }
    Working(const Working&) = delete;
    Working& operator=(const Working&) = delete;
    UndoInfo& stack_;
    bool was_;
};

void UndoInfo::documentDidOpen()
{
    // A document changed while it was read (fonts put in place of missing
    // ones) is unlike its file at every point of the stack.
    savedIndex_ = document_ && document_->isEdited() ? Unreachable : current_;
}

void UndoInfo::documentMarkedEdited(bool edited)
{
    if (working_)
        return;
    savedIndex_ = edited ? Unreachable : current_;
}

void UndoInfo::dropPagesLeftEmpty()
{
    // The text lets go of the pages it no longer needs once the change is
    // over; a page a record still needs stays for it.
    if (document_)
        document_->deleteEmptyPagesNotNeededBy(*this);
}

void UndoInfo::markEditedByIndex()
{
    if (document_)
        document_->setEdited(current_ != savedIndex_);
}

void UndoInfo::push(std::unique_ptr<Undo> record)
{
    if (!record)
        return;
    // Pushed in the middle of an undo, a record would cut the redo tail and
    // leave the index on the record being undone.
    if (replaying_) {
        if (undoing_)
            madeWhileUndone_.emplace_back(undoing_, std::move(record));
        return;
    }
    const Working working(*this);
    const bool droppedTail = list_.size() > static_cast<std::size_t>(current_ + 1);
    while (list_.size() > static_cast<std::size_t>(current_ + 1))
        list_.pop_back();
    // The saved state lay in the redo tail just dropped.
    if (savedIndex_ > current_)
        savedIndex_ = Unreachable;
    // Empty pages kept for the dropped records' redo are kept for nothing
    // now: the text lets go of them as it would have without a redo tail.
    if (droppedTail && document_) {
        const int pages = document_->numPages();
        document_->deleteEmptyPages();
        if (document_->numPages() != pages)
            document_->notifyDocumentDidChangeSize();
    }
    // What the layout did while the dropped records were undone stays in
    // the document: Undo takes it back before what came before it. A page
    // the layout has let go of since needs no record.
    std::vector<std::pair<const Undo*, std::unique_ptr<Undo>>> made;
    made.swap(madeWhileUndone_);
    for (auto& [owner, earlier] : made) {
        (void)owner;
        if (const auto* added = dynamic_cast<const UndoPage*>(earlier.get())) {
            const std::vector<Page*> pages = added->pages();
            if (std::none_of(pages.begin(), pages.end(), [this](Page* page) {
                    return document_ && document_->indexOfPage(page) != LayoutDocument::PageNotFound;
                }))
                continue;
        }
        append(std::move(earlier));
    }
    Undo& pushed = *record;
    append(std::move(record));
    if (document_)
        document_->setEdited(true);
    // With capacity 0 the record is already gone.
    if (!list_.empty() && list_.back().get() == &pushed)
        notifyPagesPanel(pushed);
}

void UndoInfo::append(std::unique_ptr<Undo> record)
{
    list_.push_back(std::move(record));
    if (undoCapacity == -1 || list_.size() <= static_cast<unsigned>(undoCapacity)) {
        ++current_;
    } else {
        // The oldest goes; every state's index moves down by one, and the
        // state before the oldest can no longer be reached.
        list_.erase(list_.begin());
        limitReached_ = true;
        if (savedIndex_ != Unreachable)
            savedIndex_ = savedIndex_ > -1 ? savedIndex_ - 1 : Unreachable;
    }
}

bool UndoInfo::undo()
{
    if (current_ < 0 || current_ >= count())
        return false;
    const Working working(*this);
    Undo& record = *list_[static_cast<std::size_t>(current_)];
    {
        Replaying replaying(replaying_);
        const Undo* was = undoing_;
        undoing_ = &record;
        record.undoInDocument(document_);
        undoing_ = was;
    }
    dropPagesLeftEmpty();
    notifyPagesPanel(record);
    --current_;
    markEditedByIndex();
    return true;
}

bool UndoInfo::redo()
{
    if (current_ + 1 >= count())
        return false;
    const Working working(*this);
    ++current_;
    Undo& record = *list_[static_cast<std::size_t>(current_)];
    {
        Replaying replaying(replaying_);
        record.redoInDocument(document_);
    }
    // Done again, the record brings back its own state: what was made
    // while it was undone is undone by it.
    std::erase_if(madeWhileUndone_, [&record](const auto& made) { return made.first == &record; });
    dropPagesLeftEmpty();
    markEditedByIndex();
    notifyPagesPanel(record);
    return true;
}

void UndoInfo::pop()
{
    if (current_ < 0 || current_ >= count())
        return;
    const Working working(*this);
    list_.erase(list_.begin() + current_);
    // A saved state with the given-up edit in it is reached by no path now.
    if (savedIndex_ >= current_)
        savedIndex_ = Unreachable;
    --current_;
    markEditedByIndex();
}

void UndoInfo::empty()
{
    // Without records, only the present state can be the saved one.
    savedIndex_ = current_ == savedIndex_ ? -1 : Unreachable;
    current_ = -1;
    madeWhileUndone_.clear();
    list_.clear();
    limitReached_ = false;
}

bool UndoInfo::needsPage(const Page* page) const
{
    return std::any_of(list_.begin(), list_.end(), [&](const auto& record) { return record->needsPage(page); });
}

bool UndoInfo::redoNeedsPage(const Page* page) const
{
    const auto from = list_.begin() + std::clamp(current_ + 1, 0, count());
    return std::any_of(from, list_.end(), [&](const auto& record) { return record->needsPage(page); });
}

Undo* UndoInfo::currentRecord() const
{
    return current_ >= 0 && current_ < count() ? list_[static_cast<std::size_t>(current_)].get() : nullptr;
}

void UndoInfo::encodeWithCoder(kit::Coder& coder) const
{
    codedList_ = std::make_unique<kit::Array>();
    for (const auto& record : list_)
        codedList_->addObject(record.get());
    // The document is no archived object: its place stays nil.
    coder.encodeValuesOfObjCTypes("@@i", static_cast<const kit::Object*>(nullptr),
                                  static_cast<const kit::Object*>(codedList_.get()), current_);
}

kit::Object* UndoInfo::initWithCoder(kit::Coder& coder)
{
    kit::Object* unused = nullptr;
    kit::Object* list = nullptr;
    int current = -1;
    coder.decodeValuesOfObjCTypes("@@i", &unused, &list, &current);
    list_.clear();
    if (auto* array = dynamic_cast<kit::Array*>(list))
        for (kit::Object* element : array->objects())
            list_.push_back(coder.claim<Undo>(element, *this));
    current_ = std::clamp(current, -1, count() - 1);
    savedIndex_ = current_;
    return this;
}
