#include "document/UndoPage.h"

#include "core/Coder.h"
#include "core/Values.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/UndoDetail.h"
#include "items/TextItem.h"
#include "text/DocumentView.h"

#include <algorithm>

using namespace undo_detail;

namespace {

// Text columns of pages that leave the document leave their flows, and
// rejoin them when the pages come back.
void handleTextColumnsOfPages(const std::vector<Page*>& pages, bool relink)
{
    std::vector<Item*> items;
    for (Page* page : pages)
        for (const auto& item : page->pageItems())
            items.push_back(item.get());
    handleTextColumns(items, relink ? Undo::ItemsRemoved : Undo::ItemsAdded);
}

} // namespace

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
    // Only the pages the record names, however large its count.
    const std::size_t named = std::min(pages_.size(), static_cast<std::size_t>(std::max(count_, 0)));
    int shown = 0;
    if (undoType() == PagesAdded) {
        // Only pages still in the document can be taken out again.
        std::vector<Page*> present;
        for (std::size_t k = 0; k < named; ++k)
            if (Page* page = pages_[k].get(); page && document->indexOfPage(page) != LayoutDocument::PageNotFound)
                present.push_back(page);
        // A document keeps a page: when the run is all that is left (the
        // pages before it were deleted meanwhile), it stays.
        if (present.empty() || int(present.size()) >= document->numPages())
            return;
        document->setSelection({}, nullptr);
        held_ = document->removePages(present);
        setUndoType(PagesRemoved);
        handleTextColumnsOfPages(present, false);
        shown = offset_ - 1;
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
        const int at = std::clamp(offset_, 0, document->numPages());
        document->insertPages(std::move(ordered), at);
        setUndoType(PagesAdded);
        handleTextColumnsOfPages(back, true);
        shown = at;
    } else {
        return;
    }
    // The page before the run, or the run itself; never outside the list
    // (a run that started the document has no page before it).
    DocumentView* main = document->mainView();
    if (main && document->numDisplayedPages() > 0) {
        const int d = std::clamp(shown, 0, document->numDisplayedPages() - 1);
        Page* page = document->displayedPageAt(d);
        document->setActivePage(page);
        main->scrollRectToVisible(main->scrollRectForPage(page));
    }
    document->setEdited(true);
}

void UndoPage::encodeWithCoder(kit::Coder& coder) const
{
    // The pages are the record's items.
    codedPages_ = std::make_unique<kit::Array>();
    for (Page* page : pages())
        codedPages_->addObject(page);
    coder.encodeValuesOfObjCTypes("@@i", static_cast<const kit::Object*>(codedPages_.get()),
                                  static_cast<const kit::Object*>(nullptr), undoType());
    coder.encodeValuesOfObjCTypes("ii", offset_, count_);
}

kit::Object* UndoPage::initWithCoder(kit::Coder& coder)
{
    kit::Object* list = nullptr;
    kit::Object* onPage = nullptr;
    int type = 0;
    coder.decodeValuesOfObjCTypes("@@i", &list, &onPage, &type);
    setUndoType(type);
    coder.decodeValuesOfObjCTypes("ii", &offset_, &count_);
    pages_.clear();
    auto* array = dynamic_cast<kit::Array*>(list);
    if (!array)
        return this;
    for (kit::Object* object : array->objects()) {
        auto* page = dynamic_cast<Page*>(object);
        if (!page)
            continue;
        pages_.emplace_back(page);
        // Pages out of the document when written belong to the record.
        if (type == PagesRemoved)
            held_.push_back(coder.claim<Page>(page, *this));
    }
    return this;
}
