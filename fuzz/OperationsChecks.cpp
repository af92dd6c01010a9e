// The invariants held after every operation: every back reference names
// something alive, the document's own audit is clean, the window shows what
// a fresh repaint shows, and the layout equals a fresh full layout.
// Saving and reading back is an operation of its own.

#include "OperationsModel.h"

#include "appkit/Window.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "graphics/RasterContext.h"
#include "items/Item.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"
#include "text/TextWordSpecial.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <sstream>

#include <sys/mman.h>
#include <unistd.h>

namespace fuzz::ops {

namespace {

std::string point(const textPoint& p)
{
    return std::to_string(p.paragraph) + "/" + std::to_string(p.word) + "/" + std::to_string(p.letter);
}

// Distinct flows of the columns, in order.
std::vector<TextFlow*> flowsOf(const std::vector<TextItem*>& columns)
{
    std::vector<TextFlow*> flows;
    for (TextItem* column : columns)
        if (column->flow() && std::find(flows.begin(), flows.end(), column->flow()) == flows.end())
            flows.push_back(column->flow());
    return flows;
}

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

void Model::checkLinks() const
{
    const LayoutDocument& doc = *document_;
    std::set<const kit::Object*> live;
    std::set<const Page*> pages;
    for (const auto& page : doc.pages()) {
        pages.insert(page.get());
        for (const auto& item : page->pageItems())
            live.insert(item.get());
    }
    std::set<const kit::Object*> masters;
    for (const auto& item : doc.masterItems()) {
        live.insert(item.get());
        masters.insert(item.get());
    }
    for (const auto* list : {&doc.headers(), &doc.footers(), &doc.footnotes()})
        for (const TextWordSpecial* marker : *list)
            masters.insert(marker);

    for (std::size_t p = 0; p < doc.pages().size(); ++p)
        for (const auto& item : doc.pages()[p]->pageItems())
            if (item->page() != doc.pages()[p].get())
                failed(where(item.get()) + " names another page as its own");
    for (const auto& item : doc.masterItems())
        if (item->page() && item->page() != doc.masterPage() && !pages.count(item->page()))
            failed(where(item.get()) + " names a page that is gone");
    for (const kit::Object* object : live) {
        const auto* column = dynamic_cast<const TextItem*>(object);
        if (!column)
            continue;
        const std::string at = where(column);
        if (column->nextColumn() && !column->isDisconnected()) {
            if (!live.count(column->nextColumn()))
                failed(at + ": its next column is gone");
            if (column->nextColumn()->prevColumn() != column)
                failed(at + ": its next column does not name it as the previous one");
            if (column->nextColumn()->flow() != column->flow())
                failed(at + ": its next column shows another flow");
        }
        if (column->prevColumn() && !column->isDisconnected()) {
            if (!live.count(column->prevColumn()))
                failed(at + ": its previous column is gone");
            if (column->prevColumn()->nextColumn() != column)
                failed(at + ": its previous column does not name it as the next one");
        }
        if (column->myMaster() && !masters.count(column->myMaster()))
            failed(at + ": its master is gone");
        if (column->flow() && column->flow()->firstTextItem() && !live.count(column->flow()->firstTextItem()))
            failed(at + ": the first column of its flow is gone");
    }
    for (const Item* item : doc.selected())
        if (!live.count(item))
            failed("the selection holds an item that is gone");
    if (doc.activeTextItem() && !live.count(doc.activeTextItem()))
        failed("the active column is gone");
    // The active entry may be the run that stands for collapsed pages.
    const auto& displayed = doc.displayedPages();
    if (doc.activePage() && !pages.count(doc.activePage()) &&
        std::find(displayed.begin(), displayed.end(), doc.activePage()) == displayed.end())
        failed("the active page is gone");
}

// ---- The document's audit.

void Model::checkAudit() const
{
    // The audit lists on standard output: caught in a memory file.
    static const int memory = memfd_create("scrivly-audit", 0);
    static const int savedOut = dup(1);
    if (memory < 0 || savedOut < 0)
        failed("cannot catch the audit");
    std::fflush(stdout);
    if (ftruncate(memory, 0) != 0 || lseek(memory, 0, SEEK_SET) != 0 || dup2(memory, 1) < 0)
        failed("cannot catch the audit");
    document_->audit(0);
    std::fflush(stdout);
    dup2(savedOut, 1);
    const off_t size = lseek(memory, 0, SEEK_END);
    std::string text(std::size_t(size > 0 ? size : 0), '\0');
    if (pread(memory, text.data(), text.size(), 0) != ssize_t(text.size()))
        failed("cannot read the audit back");
    // "Serial n, item p(q)": q is the item found again by its own number.
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const auto at = line.find("Serial ");
        if (at == std::string::npos)
            continue;
        const auto open = line.find("item "), paren = line.find('(', open), close = line.find(')', paren);
        if (open == std::string::npos || paren == std::string::npos || close == std::string::npos)
            continue;
        const std::string item = line.substr(open + 5, paren - open - 5);
        const std::string again = line.substr(paren + 1, close - paren - 1);
        if (item != again || line.compare(at, 9, "Serial 0,") == 0)
            failed("the audit shows a stale object link: " + line);
    }
}

// ---- The window against a fresh repaint.

void Model::checkRepaint()
{
    auto image = [&] {
        const kit::RasterContext& context = window_->graphicsContext();
        std::vector<std::uint32_t> pixels(std::size_t(context.width()) * std::size_t(context.height()));
        for (int y = 0; y < context.height(); ++y)
            for (int x = 0; x < context.width(); ++x)
                pixels[std::size_t(y) * std::size_t(context.width()) + std::size_t(x)] = context.pixel(x, y);
        return pixels;
    };
    window_->displayIfNeeded();
    const std::vector<std::uint32_t> shown = image();
    window_->display();
    const std::vector<std::uint32_t> fresh = image();
    if (shown.size() != fresh.size())
        failed("the window changed size in a repaint");
    const int width = window_->graphicsContext().width();
    int differ = 0, left = width, right = -1, top = -1, bottom = -1;
    for (std::size_t i = 0; i < shown.size(); ++i)
        if (shown[i] != fresh[i]) {
            const int x = int(i % std::size_t(width)), y = int(i / std::size_t(width));
            ++differ;
            left = std::min(left, x);
            right = std::max(right, x);
            bottom = std::max(bottom, y);
            if (top < 0)
                top = y;
        }
    if (differ)
        failed("the window differs from a fresh repaint in " + std::to_string(differ) + " pixels, x " +
               std::to_string(left) + "-" + std::to_string(right) + ", rows " + std::to_string(top) + "-" +
               std::to_string(bottom) + " from the top");
}

// ---- Incremental layout against a fresh full layout.

namespace {

// Every column's text points and every word piece's place, one per line.
std::string layoutOf(const LayoutDocument& document)
{
    std::string out;
    char line[256];
    const std::vector<TextItem*> columns = allColumns(document);
    for (TextItem* column : columns) {
        // A column of an empty flow shows nothing whether or not it was
        // ever laid out (0/0/0 to 0/0/0 before, 0/0/0 to 1/-1/-1 after).
        const TextFlow* flow = column->flow();
        const bool empty = flow && flow->paragraphCount() == 1 && flow->firstParagraph()->wordCount() == 0;
        const bool neverLaidOut = column->startPoint().paragraph == 0 && column->startPoint().word == 0 &&
                                  column->startPoint().letter == 0 && column->endPoint().paragraph == 0 &&
                                  column->endPoint().word == 0 && column->endPoint().letter == 0;
        out += whereIn(document, column) + ": " +
               (empty && (neverLaidOut || column->endPoint().paragraph == 1)
                    ? std::string("empty")
                    : point(column->startPoint()) + " to " + point(column->endPoint())) +
               "\n";
    }
    const std::vector<TextFlow*> flows = flowsOf(columns);
    for (std::size_t f = 0; f < flows.size(); ++f) {
        const TextFlow* flow = flows[f];
        for (int p = 0; p < flow->paragraphCount(); ++p) {
            const TextParagraph* paragraph = flow->paragraphAtIndex(p);
            for (int w = 0; w < paragraph->wordCount(); ++w) {
                const TextWord* word = paragraph->wordAtIndex(w);
                for (int k = 0; k < std::max<int>(1, word->numWordPieces()); ++k) {
                    const WordPiece& piece = word->piece(k);
                    std::snprintf(line, sizeof line,
                                  "flow %zu paragraph %d word %d piece %d: x %.2f y %.2f width %.2f line %.2f+%.2f "
                                  "to %d\n",
                                  f, p, w, k, double(piece.x), double(piece.y), double(piece.width),
                                  double(piece.lineStart), double(piece.lineHeight), piece.lastChar);
                    out += line;
                }
            }
        }
    }
    return out;
}

} // namespace

void Model::checkLayout()
{
    const std::string incremental = layoutOf(*document_);
    // Held by shared pointer: a full layout may take pages, and their
    // columns, away.
    std::vector<std::shared_ptr<TextFlow>> flows;
    for (TextItem* column : allColumns(*document_))
        if (column->sharedFlow() && std::find(flows.begin(), flows.end(), column->sharedFlow()) == flows.end())
            flows.push_back(column->sharedFlow());
    for (const auto& flow : flows)
        flow->recomputeAll();
    const std::string fresh = layoutOf(*document_);
    if (incremental != fresh)
        failed("the layout differs from a fresh full layout at " + firstDifference(incremental, fresh));
}

} // namespace fuzz::ops
