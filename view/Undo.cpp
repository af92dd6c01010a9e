#include "view/Undo.h"

#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "items/TextItem.h"

#include <algorithm>

namespace {

int undoCapacity = -1;

// Text columns that leave a page leave their flows, and rejoin them when
// they come back. Columns put back one after another each need the others'
// places: a column whose place is not there yet waits for the next round,
// and one whose place is gone for good takes an empty flow of its own.
void handleTextColumns(const std::vector<Item*>& items, bool relink)
{
    std::vector<TextItem*> columns;
    for (Item* item : items)
        if (auto* column = dynamic_cast<TextItem*>(item))
            columns.push_back(column);
    if (!relink) {
        for (TextItem* column : columns)
            column->removeFromTextFlow();
        return;
    }
    for (bool progress = true; progress && !columns.empty();) {
        progress = false;
        std::erase_if(columns, [&](TextItem* column) {
            const bool back = column->relinkInTextFlow();
            progress = progress || back;
            return back;
        });
    }
    for (TextItem* column : columns)
        column->takeEmptyFlow();
}

void handleTextColumnsOfPages(const std::vector<Page*>& pages, bool relink)
{
    std::vector<Item*> items;
    for (Page* page : pages)
        for (const auto& item : page->pageItems())
            items.push_back(item.get());
    handleTextColumns(items, relink);
}

template <class T>
std::vector<T*> living(const std::vector<kit::WeakLink<T>>& refs)
{
    std::vector<T*> alive;
    alive.reserve(refs.size());
    for (const auto& ref : refs)
        if (T* target = ref.get())
            alive.push_back(target);
    return alive;
}

} // namespace

Undo::Undo(std::vector<Item*> items, Page* page, int undoType)
    : page_(page), undoType_(undoType)
{
    items_.reserve(items.size());
    for (Item* item : items)
        items_.emplace_back(item);
}

Undo::~Undo() = default;

std::vector<Item*> Undo::items() const { return living(items_); }

UndoPage::UndoPage(std::vector<Page*> pages, int offset, int count, int undoType)
    : Undo({}, nullptr, undoType), offset_(offset), count_(count)
{
    pages_.reserve(pages.size());
    for (Page* page : pages)
        pages_.emplace_back(page);
}

UndoPage::~UndoPage() = default;

std::vector<Page*> UndoPage::pages() const { return living(pages_); }

void UndoPage::undoInDocument(LayoutDocument* document)
{
    if (!document)
        return;
    const std::size_t named = std::min(pages_.size(), static_cast<std::size_t>(std::max(count_, 0)));
    if (undoType() == PagesAdded) {
        // Only pages still in the document can be taken out again.
        std::vector<Page*> present;
        for (std::size_t k = 0; k < named; ++k)
            if (Page* page = pages_[k].get(); page && document->indexOfPage(page) != LayoutDocument::PageNotFound)
                present.push_back(page);
        if (present.empty())
            return;
        document->setSelection({}, nullptr);
        held_ = document->removePages(present);
        setUndoType(PagesRemoved);
        handleTextColumnsOfPages(present, false);
    } else if (undoType() == PagesRemoved) {
        if (held_.empty())
            return;
        // Back in their old order, whatever order they were taken out in.
        std::vector<std::unique_ptr<Page>> ordered;
        std::vector<Page*> back;
        for (const auto& ref : pages_) {
            auto at = std::find_if(held_.begin(), held_.end(), [&](const auto& p) { return p.get() == ref.get(); });
            if (at == held_.end())
                continue;
            back.push_back(at->get());
            ordered.push_back(std::move(*at));
            held_.erase(at);
        }
        for (auto& rest : held_) {
            back.push_back(rest.get());
            ordered.push_back(std::move(rest));
        }
        held_.clear();
        document->setSelection({}, nullptr);
        // Pages deleted meanwhile may have shortened the list.
        document->insertPages(std::move(ordered), std::clamp(offset_, 0, document->numPages()));
        setUndoType(PagesAdded);
        handleTextColumnsOfPages(back, true);
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
    if (undoType() == ItemsAdded) {
        const std::vector<Item*> present = items();
        if (present.empty())
            return;
        handleTextColumns(present, false);
        std::vector<std::shared_ptr<Item>> removed = onPage->removeItems(present);
        if (removed.empty())
            return;
        if (document)
            document->setSelection({}, nullptr);
        held_ = std::move(removed);
        setUndoType(ItemsRemoved);
    } else if (undoType() == ItemsRemoved) {
        if (held_.empty())
            return;
        if (document)
            document->setSelection({}, nullptr);
        std::vector<Item*> back;
        for (const auto& item : held_)
            back.push_back(item.get());
        onPage->addItems(std::move(held_));
        held_.clear();
        // On their page again, where the layout finds them.
        handleTextColumns(back, true);
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
