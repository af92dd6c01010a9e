// The invariants held after every operation: every back reference names
// something alive, the document's own audit is clean, the window shows what
// a fresh repaint shows, and the layout equals a fresh full layout.
// Saving and reading back is an operation of its own.

#include "OperationsModel.h"

#include "platform/appkit/tests/FreshRepaint.h"
#include "text/tests/LayoutInvariant.h"

#include "appkit/Window.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "items/Item.h"
#include "items/ItemGroup.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextWordSpecial.h"
#include "view/PageView.h"

#include <algorithm>
#include <functional>
#include <set>
#include <sstream>

#include <sys/mman.h>
#include <unistd.h>

namespace fuzz::ops {

namespace {

// The text columns of a document: the pages' and the master items'.
std::vector<TextItem*> allColumns(const LayoutDocument& document)
{
    std::vector<TextItem*> columns;
    for (const auto& page : document.pages())
        for (const auto& item : page->pageItems())
            if (auto* column = dynamic_cast<TextItem*>(item.get()))
                columns.push_back(column);
    for (const auto& item : document.masterItems())
        if (auto* column = dynamic_cast<TextItem*>(item.get()))
            columns.push_back(column);
    return columns;
}

} // namespace

std::string firstDifference(const std::string& a, const std::string& b)
{
    std::istringstream x(a), y(b);
    std::string l, r;
    std::vector<std::string> before;
    for (int n = 0;; ++n) {
        const bool moreL = bool(std::getline(x, l)), moreR = bool(std::getline(y, r));
        if (!moreL && !moreR)
            return "none";
        if (!moreL || !moreR || l != r) {
            // The lines both had just before, for their context.
            std::string shown = "line " + std::to_string(n) + ":\n";
            for (const std::string& same : before)
                shown += "    both:  " + same + "\n";
            return shown + "    was:   " + (moreL ? l : "(nothing)") + "\n    fresh: " + (moreR ? r : "(nothing)");
        }
        before.push_back(l);
        if (before.size() > 3)
            before.erase(before.begin());
    }
}

// ---- Back references.

std::string linkProblems(const LayoutDocument& doc)
{
    if (doc.numPages() < 1)
        return "the document has no page";
    std::set<const kit::Object*> live;
    std::set<const Page*> pages;
    // A group's members keep their links (a column in a group goes on
    // in its chain).
    std::function<void(const Item*)> add = [&](const Item* item) {
        live.insert(item);
        if (const auto* group = dynamic_cast<const ItemGroup*>(item))
            for (const auto& member : group->items())
                add(member.get());
    };
    for (const auto& page : doc.pages()) {
        pages.insert(page.get());
        for (const auto& item : page->pageItems())
            add(item.get());
    }
    std::set<const kit::Object*> masters;
    for (const auto& item : doc.masterItems()) {
        live.insert(item.get());
        masters.insert(item.get());
    }
    for (const auto* list : {&doc.headers(), &doc.footers(), &doc.footnotes()})
        for (const TextWordSpecial* marker : *list)
            masters.insert(marker);
    auto where = [&](const Item* item) { return whereIn(doc, item); };

    for (std::size_t p = 0; p < doc.pages().size(); ++p)
        for (const auto& item : doc.pages()[p]->pageItems())
            if (item->page() != doc.pages()[p].get())
                return where(item.get()) + " names another page as its own";
    for (const auto& item : doc.masterItems())
        if (item->page() && item->page() != doc.masterPage() && !pages.count(item->page()))
            return where(item.get()) + " names a page that is gone";
    for (const kit::Object* object : live) {
        const auto* column = dynamic_cast<const TextItem*>(object);
        if (!column)
            continue;
        const std::string at = where(column);
        if (column->nextColumn() && !column->isDisconnected()) {
            if (!live.count(column->nextColumn()))
                return at + ": its next column is gone";
            if (column->nextColumn()->prevColumn() != column)
                return at + ": its next column does not name it as the previous one";
            if (column->nextColumn()->flow() != column->flow())
                return at + ": its next column shows another flow";
        }
        if (column->prevColumn() && !column->isDisconnected()) {
            if (!live.count(column->prevColumn()))
                return at + ": its previous column is gone";
            if (column->prevColumn()->nextColumn() != column)
                return at + ": its previous column does not name it as the next one";
        }
        if (column->myMaster() && !masters.count(column->myMaster()))
            return at + ": its master is gone";
        if (column->flow() && column->flow()->firstTextItem() && !live.count(column->flow()->firstTextItem()))
            return at + ": the first column of its flow is gone";
    }
    for (const Item* item : doc.selected())
        if (!live.count(item))
            return "the selection holds an item that is gone: " + item->className() +
                   (dynamic_cast<const TextItem*>(item) && static_cast<const TextItem*>(item)->isDisplay()
                        ? " (headline)"
                        : "");
    if (doc.activeTextItem() && !live.count(doc.activeTextItem()))
        return "the active column is gone";
    // The active entry may be the run that stands for collapsed pages.
    const auto& displayed = doc.displayedPages();
    if (doc.activePage() && !pages.count(doc.activePage()) &&
        std::find(displayed.begin(), displayed.end(), doc.activePage()) == displayed.end())
        return "the active page is gone";
    return {};
}

void Model::checkLinks() const
{
    if (const std::string problem = linkProblems(*document_); !problem.empty())
        failed(problem);
}

// ---- The document's audit.

std::string auditProblems(const LayoutDocument& document)
{
    // The audit lists on standard output: caught in a memory file.
    static const int memory = memfd_create("scrivly-audit", 0);
    static const int savedOut = dup(1);
    if (memory < 0 || savedOut < 0)
        return "cannot catch the audit";
    std::fflush(stdout);
    if (ftruncate(memory, 0) != 0 || lseek(memory, 0, SEEK_SET) != 0 || dup2(memory, 1) < 0)
        return "cannot catch the audit";
    document.audit(0);
    std::fflush(stdout);
    dup2(savedOut, 1);
    const off_t size = lseek(memory, 0, SEEK_END);
    std::string text(std::size_t(size > 0 ? size : 0), '\0');
    if (pread(memory, text.data(), text.size(), 0) != ssize_t(text.size()))
        return "cannot read the audit back";
    // "Serial n, item p(q)": q is the item found again by its own number.
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Stale style reference", 0) == 0)
            return "the audit shows " + line;
        const auto at = line.find("Serial ");
        if (at == std::string::npos)
            continue;
        const auto open = line.find("item "), paren = line.find('(', open), close = line.find(')', paren);
        if (open == std::string::npos || paren == std::string::npos || close == std::string::npos)
            continue;
        const std::string item = line.substr(open + 5, paren - open - 5);
        const std::string again = line.substr(paren + 1, close - paren - 1);
        if (item != again || line.compare(at, 9, "Serial 0,") == 0)
            return "the audit shows a stale object link: " + line;
    }
    return {};
}

void Model::checkAudit() const
{
    if (const std::string problem = auditProblems(*document_); !problem.empty())
        failed(problem);
}

// ---- The window against a fresh repaint.

void Model::checkRepaint()
{
    window_->displayIfNeeded();
    const repaint::Mismatch mismatch = repaint::compareWithFreshRepaint(*window_, *view_, Trace::printing());
    if (mismatch.any())
        failed("the window: " + mismatch.describe());
}

// ---- Incremental layout against a fresh full layout.

void Model::checkLayout()
{
    // Held by shared pointer: a full layout may take pages, and their
    // columns, away.
    std::vector<std::shared_ptr<TextFlow>> flows;
    for (TextItem* column : allColumns(*document_))
        if (column->sharedFlow() && std::find(flows.begin(), flows.end(), column->sharedFlow()) == flows.end())
            flows.push_back(column->sharedFlow());
    for (std::size_t f = 0; f < flows.size(); ++f) {
        const std::string wrong = layoutcheck::differenceFromFullLayout(*flows[f]);
        if (!wrong.empty())
            failed("flow " + std::to_string(f) + ": the layout differs from a fresh full layout:\n" + wrong);
    }
}

} // namespace fuzz::ops
