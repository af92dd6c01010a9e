#include "view/Undo.h"

#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "items/TextItem.h"

#include <algorithm>

namespace {

int undoCapacity = -1;

// Text columns of pages that leave the document leave their flows, and
// rejoin them when the pages come back.
void handleTextColumnsOfPages(const std::vector<Page*>& pages, int count, bool relink)
{
    const std::size_t n = std::min(pages.size(), static_cast<std::size_t>(std::max(count, 0)));
    for (std::size_t k = 0; k < n; ++k)
        for (const auto& item : pages[k]->pageItems())
            if (auto* column = dynamic_cast<TextItem*>(item.get())) {
                if (relink)
                    column->relinkInTextFlow();
                else
                    column->removeFromTextFlow();
            }
}

} // namespace

Undo::Undo(std::vector<Item*> items, Page* page, int undoType)
    : items_(std::move(items)), page_(page), undoType_(undoType)
{
}

Undo::~Undo() = default;

UndoPage::UndoPage(std::vector<Page*> pages, int offset, int count, int undoType)
    : Undo({}, nullptr, undoType), pages_(std::move(pages)), offset_(offset), count_(count)
{
}

UndoPage::~UndoPage() = default;

void UndoPage::undoInDocument(LayoutDocument* document)
{
    if (!document)
        return;
    document->setSelection({}, nullptr);
    if (undoType() == PagesAdded) {
        held_ = document->removePages(pages_);
        setUndoType(PagesRemoved);
        handleTextColumnsOfPages(pages_, count_, false);
    } else if (undoType() == PagesRemoved) {
        // Back in their old order, whatever order they were taken out in.
        std::vector<std::unique_ptr<Page>> ordered;
        for (Page* page : pages_) {
            auto at = std::find_if(held_.begin(), held_.end(), [&](const auto& p) { return p.get() == page; });
            if (at != held_.end())
                ordered.push_back(std::move(*at));
        }
        held_.clear();
        document->insertPages(std::move(ordered), offset_);
        setUndoType(PagesAdded);
        handleTextColumnsOfPages(pages_, count_, true);
    }
    document->setEdited(true);
}

UndoItems::UndoItems(std::vector<Item*> items, Page* page, int undoType)
    : Undo(std::move(items), page, undoType)
{
}

UndoItems::~UndoItems() = default;

void UndoItems::undoInDocument(LayoutDocument* document)
{
    Page* onPage = page();
    if (!onPage)
        return;
    if (document)
        document->setSelection({}, nullptr);
    if (undoType() == ItemsAdded) {
        held_ = onPage->removeItems(items());
        setUndoType(ItemsRemoved);
    } else if (undoType() == ItemsRemoved) {
        onPage->addItems(std::move(held_));
        held_.clear();
        setUndoType(ItemsAdded);
    }
    if (document) {
        document->notifyUpdate(nullptr, nullptr);
        document->setEdited(true);
    }
}

int UndoInfo::capacity() { return undoCapacity; }
void UndoInfo::setCapacity(int capacity) { undoCapacity = capacity; }

UndoInfo::UndoInfo(LayoutDocument* document)
    : document_(document)
{
}

UndoInfo::~UndoInfo() = default;

void UndoInfo::push(std::unique_ptr<Undo> record)
{
    if (!record)
        return;
    while (list_.size() > static_cast<std::size_t>(current_ + 1))
        list_.pop_back();
    list_.push_back(std::move(record));
    if (undoCapacity == -1 || list_.size() <= static_cast<unsigned>(undoCapacity)) {
        ++current_;
    } else {
        list_.erase(list_.begin());
        limitReached_ = true;
    }
    if (document_)
        document_->setEdited(true);
}

bool UndoInfo::undo()
{
    if (current_ < 0 || current_ >= count())
        return false;
    list_[static_cast<std::size_t>(current_)]->undoInDocument(document_);
    if (current_ == 0 && !limitReached_ && undoCapacity > 0 && document_)
        document_->setEdited(false);
    --current_;
    return true;
}

bool UndoInfo::redo()
{
    if (current_ + 1 >= count())
        return false;
    ++current_;
    list_[static_cast<std::size_t>(current_)]->redoInDocument(document_);
    if (document_)
        document_->setEdited(true);
    return true;
}

void UndoInfo::empty()
{
    current_ = -1;
    list_.clear();
    limitReached_ = false;
}

Undo* UndoInfo::currentRecord() const
{
    return current_ >= 0 && current_ < count() ? list_[static_cast<std::size_t>(current_)].get() : nullptr;
}
