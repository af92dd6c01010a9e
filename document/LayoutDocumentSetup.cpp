#include "document/LayoutDocument.h"

#include "foundation/FileManagerExtensions.h"
#include "appkit/RunLoop.h"
#include "text/DocumentView.h"

#include "core/PaperSize.h"
#include "document/Guide.h"
#include "document/Page.h"
#include "document/PageSet.h"
#include "foundation/Preferences.h"
#include "foundation/StyleSheetEntry.h"
#include "items/Item.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace {

// The paper the printer would use when nothing else says.
kit::Size printerPaperSize()
{
    return kit::sizeForPaperName("Letter").value_or(kit::makeSize(612.0f, 792.0f));
}

bool isUsableSize(const kit::Size& size)
{
    return size.width > 0.000005f && size.height > 0.000005f;
}

std::vector<LayoutDocument::NumberingLevel> defaultNumbering()
{
    // I. A. 1. a) (1) (a) i) a)
    struct Level {
        char type;
        const char* prefix;
        const char* suffix;
    };
    static constexpr Level levels[8] = {{5, nullptr, "."}, {3, nullptr, "."}, {0, nullptr, "."}, {2, nullptr, ")"},
                                        {0, "(", ")"},     {2, "(", ")"},     {4, nullptr, ")"}, {2, nullptr, ")"}};
    std::vector<LayoutDocument::NumberingLevel> table(9);
    for (std::size_t i = 0; i < 8; ++i) {
        auto& record = table[i + 1];
        record.start = 1;
        record.displayType = levels[i].type;
        if (levels[i].prefix)
            record.prefix = levels[i].prefix;
        record.suffix = levels[i].suffix;
    }
    return table;
}

// The columns that go with the document's pages and master items (nothing
// else keeps them) leave their flows together: each flow forgets them all in
// one pass over its text, where a column going alone searches it each time,
// which would make emptying a long document take time in the square of its
// length.
void releaseColumnsTogether(const std::vector<std::shared_ptr<Item>>& masters,
                            const std::vector<std::unique_ptr<Page>>& pages)
{
    std::vector<std::pair<TextFlow*, TextItem*>> going;
    auto take = [&going](const std::shared_ptr<Item>& item) {
        auto* column = dynamic_cast<TextItem*>(item.get());
        if (column && column->flow() && item.use_count() == 1)
            going.emplace_back(column->flow(), column);
    };
    for (const auto& item : masters)
        take(item);
    for (const auto& page : pages)
        for (const auto& item : page->pageItems())
            take(item);
    std::sort(going.begin(), going.end(), [](const auto& a, const auto& b) {
        return std::less<>()(a.first, b.first) || (a.first == b.first && std::less<>()(a.second, b.second));
    });
    std::vector<const TextItem*> columns;
    for (std::size_t from = 0; from < going.size();) {
        TextFlow* flow = going[from].first;
        columns.clear();
        std::size_t to = from;
        for (; to < going.size() && going[to].first == flow; ++to)
            columns.push_back(going[to].second);
        flow->forgetItems(columns);
        // The flow may go with its last column.
        for (std::size_t k = from; k < to; ++k)
            going[k].second->leaveForgettingFlow();
        from = to;
    }
}

} // namespace

void LayoutDocument::setup()
{
    if (firstPageNum_ == FirstPageNumNotSet)
        firstPageNum_ = 1;
    if (pageNumberFormat_ == -1)
        pageNumberFormat_ = 0;
    hasViewList_ = true;

    if (paperSize_.width == 0.0f)
        paperSize_ = printerPaperSize();
    if (pageSize_.width == 0.0f) {
        const kit::Size wanted = preferences_ ? preferences_->pageSize() : kit::Size{};
        if (isUsableSize(wanted)) {
            pageSize_ = wanted;
            const bool portrait = wanted.width <= wanted.height;
            printInfo_.paperSize = portrait ? wanted : kit::makeSize(wanted.height, wanted.width);
            printInfo_.orientation = portrait ? 0 : 1;
        } else {
            pageSize_ = printerPaperSize();
        }
        if (preferences_) {
            tileMode_ = preferences_->tileMode() & 3;
            sidedMode_ = preferences_->sidedMode() & 3;
        }
    }
    if (printInfo_.paperSize.width == 0.0f)
        printInfo_.paperSize = paperSize_;
    if (pageScale_ <= 0.0f)
        pageScale_ = printInfo_.scalingFactor > 0.0f ? printInfo_.scalingFactor : 1.0f;

    if (!masterPage_)
        masterPage_ = std::make_unique<Page>();
    masterPage_->setDocument(this);

    if (pages_.empty()) {
        auto page = std::make_unique<Page>();
        page->setSize(pageSize_);
        page->setDocument(this);
        pages_.push_back(std::move(page));
    } else {
        for (const auto& page : pages_) {
            page->setDocument(this);
            page->resolveLinks();
        }
    }
    resolveMasterLinks();

    if (paragraphNumbering_.empty()) {
        paragraphNumbering_ = defaultNumbering();
        paragraphNumberingCount_ = 8;
    }
    whichLayer_ = 1;
    elementsVisibility_ = 1;
    showGraphics_ = showGuides_ = showTextRects_ = snapToGuides_ = true;
    calcPageRectsFor(1);
}

// After reading: master items of no size are dropped, the others resolved.
void LayoutDocument::resolveMasterLinks()
{
    std::erase_if(theMasterItems_, [](const auto& item) {
        return item->frame().size.width == 0.0f && item->frame().size.height == 0.0f;
    });
    for (const auto& item : theMasterItems_) {
        item->setPage(masterPage_.get());
        linksInfo_.addLink(item.get());
    }
}

void LayoutDocument::emptyDocument()
{
    Document::emptyDocument();
    pageNumberFormat_ = -1;
    activePage_ = nullptr;
    activeView_ = nullptr;
    // The items go with their pages: nothing may point at them afterwards.
    selected_.clear();
    activeTextItem_ = nullptr;
    activeTextFlow_ = nullptr;
    lastActiveTextFlow_ = nullptr;
    linksInfo_.empty();
    namedItems_.clear();
    serialNumbersToItems_.clear();
    headers_.clear();
    footers_.clear();
    footnotes_.clear();
    pagesDisplayed_.clear();
    displayedStart_.clear();
    displayedOfIndex_.clear();
    reachOfEntry_.clear();
    pagesCollapsed_.clear();
    releaseColumnsTogether(theMasterItems_, pages_);
    theMasterItems_.clear();
    masterGuides_.clear();
    if (releaseRetired_)
        releaseRetired_->invalidate();
    retiredPages_.clear();
    pages_.clear();
    masterPage_.reset();
}

void LayoutDocument::setParagraphNumbering(std::vector<NumberingLevel> table, int count)
{
    paragraphNumbering_ = std::move(table);
    // A count beyond the records would number levels that have none.
    paragraphNumberingCount_ = std::clamp(count, 0, std::max(0, static_cast<int>(paragraphNumbering_.size()) - 1));
    setEdited(true);
}

void LayoutDocument::transformToNewUntitled()
{
    setTemplate(false);
    setForeign(false);
    setFilename(newUntitled());
}
