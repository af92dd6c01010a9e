// The word processor's share of an RTF read: headers and footers in
// columns of their own, margins, paper, columns and page numbering. The
// page words change the document only while a file is opened; pasted RTF
// leaves the pages as they are.

#include "bundles/convala/markup/LayoutDocumentIOMethods.h"
#include "bundles/convala/markup/RTFContext.h"
#include "bundles/convala/markup/ZynDispatchTable.h"
#include "bundles/convala/rtf/RTFImportMethods.h"

#include "core/Alert.h"
#include "core/FileWrapper.h"
#include "foundation/ApplicationDelegate.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWordSpecial.h"

#include <algorithm>

RTFPageSetupTarget::~RTFPageSetupTarget() = default;

// ---- The layout document's page set-up.

RTFLayoutPageSetup::RTFLayoutPageSetup(LayoutDocument& document)
    : document_(document)
{
    const kit::Size page = document.pageSize();
    if (const TextItem* main = mainMasterColumn(document)) {
        const kit::Rect frame = main->frame();
        left_ = frame.origin.x;
        top_ = frame.origin.y;
        right_ = frame.origin.x + frame.size.width;
        bottom_ = frame.origin.y + frame.size.height;
    } else if (page.width > 0 && page.height > 0) {
        right_ = page.width - 72.0f;
        bottom_ = page.height - 72.0f;
    }
    const kit::Rect header = document.headerFrame();
    const kit::Rect footer = document.footerFrame();
    headerTop_ = header.origin.y;
    headerBottom_ = header.origin.y + header.size.height;
    footerTop_ = footer.origin.y;
    footerBottom_ = footer.origin.y + footer.size.height;
}

TextItem* RTFLayoutPageSetup::mainMasterColumn(const LayoutDocument& document)
{
    TextItem* automatic = nullptr;
    for (const auto& item : document.masterItems()) {
        auto* column = dynamic_cast<TextItem*>(item.get());
        if (!column)
            continue;
        if (column->name() && *column->name() == "MainText")
            return column;
        if (!automatic && column->autoFlowMaster())
            automatic = column;
    }
    return automatic;
}

kit::Size RTFLayoutPageSetup::pageSize() const { return document_.pageSize(); }

void RTFLayoutPageSetup::setPageSize(const kit::Size& size)
{
    rtfimport::setPaperOfPages(document_, size);
    document_.notifyDocumentDidChangeSize();
}

void RTFLayoutPageSetup::setLandscape() { rtfimport::setLandscape(document_); }

void RTFLayoutPageSetup::resizeMasterTextItems()
{
    const kit::Rect main = kit::makeRect(left_, top_, right_ - left_, bottom_ - top_);
    if (TextItem* master = mainMasterColumn(document_)) {
        master->setFrame(main, false);
        // The pages' copies of the master column stand where it does.
        for (const auto& page : document_.pages())
            for (const auto& item : page->pageItems())
                if (auto* column = dynamic_cast<TextItem*>(item.get()); column && column->masterColumn() == master)
                    column->setFrame(main, false);
    }
    const kit::Rect header = kit::makeRect(left_, headerTop_, right_ - left_, headerBottom_ - headerTop_);
    const kit::Rect footer = kit::makeRect(left_, footerTop_, right_ - left_, footerBottom_ - footerTop_);
    document_.setHeaderFrame(header);
    document_.setFooterFrame(footer);
    for (TextItem* column : headerOrFooterColumns(true))
        column->setFrame(header, false);
    for (TextItem* column : headerOrFooterColumns(false))
        column->setFrame(footer, false);
}

void RTFLayoutPageSetup::resetDocumentColumnCount(int count, float gutter)
{
    columnCount_ = count;
    gutter_ = gutter;
}

void RTFLayoutPageSetup::setFirstPageNum(int number) { document_.setFirstPageNum(number); }

void RTFLayoutPageSetup::setPageNumberFormat(int format) { document_.setPageNumberFormat(format); }

TextItem* RTFLayoutPageSetup::insertHeaderOrFooter(bool header, int masterFlags, bool notOnFirstPage)
{
    TextFlow* flow = document_.activeTextFlow();
    TextParagraph* paragraph = flow ? flow->currentParagraph() : nullptr;
    if (!paragraph)
        return nullptr;
    auto* marker =
        dynamic_cast<TextWordSpecial*>(rtfimport::addSpecial(*paragraph, header ? TextWordHeaderMarker : TextWordFooterMarker));
    if (!marker)
        return nullptr;
    marker->setInsertToEnd();
    std::shared_ptr<TextItem> column = TextItem::newHeaderOrFooterTextItem_(
        header ? kit::makeRect(left_, headerTop_, right_ - left_, headerBottom_ - headerTop_)
               : kit::makeRect(left_, footerTop_, right_ - left_, footerBottom_ - footerTop_));
    TextItem* frame = column.get();
    marker->setObjectReference(std::shared_ptr<kit::Object>(std::move(column)));
    if (header)
        document_.addHeader(marker);
    else
        document_.addFooter(marker);
    frame->setMyMaster(marker);
    frame->setMasterFlags(masterFlags);
    if (notOnFirstPage)
        frame->setCanAppear(false, 1);
    return frame;
}

std::vector<TextItem*> RTFLayoutPageSetup::headerOrFooterColumns(bool header) const
{
    std::vector<TextItem*> columns;
    for (TextWordSpecial* marker : header ? document_.headers() : document_.footers())
        if (auto* column = marker ? dynamic_cast<TextItem*>(marker->objectReference()) : nullptr)
            columns.push_back(column);
    return columns;
}

namespace rtfimport {

void setPaperOfPages(LayoutDocument& document, const kit::Size& size)
{
    document.setPageSize(size);
    document.setPaperSize(size);
    for (const auto& page : document.pages())
        page->setSize(size);
    if (Page* master = document.masterPage())
        master->setSize(size);
}

void setLandscape(LayoutDocument& document)
{
    LayoutDocument::PrintInfo info = document.printInfo();
    info.orientation = 1;
    document.setPrintInfo(info);
}

namespace {

bool isHeaderWord(const std::string& word)
{
    return word == "header" || word == "headerf" || word == "headerl" || word == "headerr";
}

bool isFooterWord(const std::string& word)
{
    return word == "footer" || word == "footerf" || word == "footerl" || word == "footerr";
}

int masterFlagsOf(const std::string& word)
{
    if (word == "headerl" || word == "footerl")
        return 1;
    if (word == "headerr" || word == "footerr")
        return 2;
    return 3;
}

// The page set-up read so far, kept on the page: margins with room for a
// column between them, and the header and footer areas inside the page.
// Answers whether something had to move that the file placed otherwise (an
// area without a header or footer in it holds nothing that could be lost).
bool keepPageSetupOnPage(RTFPageSetupTarget& pages)
{
    const kit::Size page = pages.pageSize();
    const float min = RTFImportMethods::MinColumnWidth;
    bool changed = false;
    auto fit = [min](float extent, float low, float high, auto setLow, auto setHigh) {
        const float l = std::clamp(low, 0.0f, std::max(0.0f, extent - min));
        const float h = std::clamp(high, std::min(extent, l + min), extent);
        if (l == low && h == high)
            return false;
        setLow(l);
        setHigh(h);
        return true;
    };
    if (page.width > 0)
        changed |= fit(page.width, pages.leftMargin(), pages.rightMargin(), [&](float v) { pages.setLeftMargin(v); },
                       [&](float v) { pages.setRightMargin(v); });
    if (page.height <= 0)
        return changed;
    changed |= fit(page.height, pages.topMargin(), pages.bottomMargin(), [&](float v) { pages.setTopMargin(v); },
                   [&](float v) { pages.setBottomMargin(v); });
    // A header or footer area may be as thin as its text allows, down to
    // nothing: only its place on the page is kept.
    auto area = [&](float top, float bottom, auto setTop, auto setBottom) {
        const float t = std::clamp(top, 0.0f, page.height);
        const float b = std::clamp(bottom, t, page.height);
        if (t == top && b == bottom)
            return false;
        setTop(t);
        setBottom(b);
        return true;
    };
    if (area(pages.headerTop(), pages.headerBottom(), [&](float v) { pages.setHeaderTop(v); },
             [&](float v) { pages.setHeaderBottom(v); }) &&
        !pages.headerOrFooterColumns(true).empty())
        changed = true;
    if (area(pages.footerTop(), pages.footerBottom(), [&](float v) { pages.setFooterTop(v); },
             [&](float v) { pages.setFooterBottom(v); }) &&
        !pages.headerOrFooterColumns(false).empty())
        changed = true;
    return changed;
}

void readHeaderFooter(RTFImportState& state, ZynMarkupElement& element)
{
    ZynDispatchTable* table = tableOf(element);
    LayoutDocument* document = state.document;
    const std::string& word = element.text();
    const bool header = isHeaderWord(word);
    if (!table || !document || !state.pages || (!header && !isFooterWord(word)))
        return;
    if (element.isIntroducer()) {
        if (state.headerDepth > 0) {
            // One header or footer is read at a time: one inside another
            // is skipped, words and all.
            ++state.headerDepth;
            RTFImportMethods::registerTextFlow(*table, nullptr);
            setLostData(element);
            return;
        }
        state.headerDepth = 1;
        state.registeredIsHeader = header;
        state.previousTextItem = document->activeTextItem();
        TextItem* column = state.pages->insertHeaderOrFooter(header, masterFlagsOf(word),
                                                             word == "headerf" || word == "footerf");
        state.registeredTextItem = column;
        if (column) {
            document->setActiveTextItem(column);
            RTFImportMethods::registerTextFlow(*table, column->flow());
        } else {
            RTFImportMethods::registerTextFlow(*table, nullptr);
            setLostData(element);
        }
        return;
    }
    if (!element.isTerminator() || state.headerDepth == 0)
        return;
    if (state.headerDepth > 1) {
        --state.headerDepth;
        RTFImportMethods::unregisterTextFlow(*table, nullptr);
        return;
    }
    state.headerDepth = 0;
    TextItem* column = state.registeredTextItem;
    state.registeredTextItem = nullptr;
    if (!column) {
        RTFImportMethods::unregisterTextFlow(*table, nullptr);
        return;
    }
    RTFImportMethods::unregisterTextFlow(*table, column->flow());
    const bool autosize = state.registeredIsHeader ? state.autosizeHeaders : state.autosizeFooters;
    document->setDispatchingSuspended(true);
    if (autosize)
        column->setTextType(2);
    if (TextFlow* flow = column->flow()) {
        for (const auto& paragraph : flow->paragraphList())
            paragraph->recomputeAllWords();
        flow->recomputeAll();
    }
    document->setDispatchingSuspended(false);
    document->setActiveTextItem(state.previousTextItem);
    state.previousTextItem = nullptr;
    if (!autosize)
        return;
    column->setTextType(1);
    RTFPageSetupTarget& pages = *state.pages;
    float tallest = 0;
    for (TextItem* each : pages.headerOrFooterColumns(state.registeredIsHeader))
        tallest = std::max(tallest, each->frame().size.height);
    if (state.registeredIsHeader) {
        pages.setHeaderBottom(pages.headerTop() + tallest);
        pages.setTopMargin(pages.headerBottom() + 2.0f);
    } else {
        pages.setFooterTop(pages.footerBottom() - tallest);
        pages.setBottomMargin(pages.footerTop() - 24.0f);
    }
    // A header or footer taller than the page would push the main column
    // off it.
    if (keepPageSetupOnPage(pages))
        setLostData(element);
    pages.resizeMasterTextItems();
}

// Columns at least MinColumnWidth wide between the margins.
int fittingColumns(const RTFPageSetupTarget& pages, int count, float gutter)
{
    const float width = pages.rightMargin() - pages.leftMargin();
    while (count > 1 && (width - gutter * float(count - 1)) / float(count) < RTFImportMethods::MinColumnWidth)
        --count;
    return std::max(count, 1);
}

void readMarginAndPaper(RTFImportState& state, ZynMarkupElement& element)
{
    if (!state.openingFile || !state.pages || element.isTerminator())
        return;
    RTFPageSetupTarget& pages = *state.pages;
    const std::string& word = element.text();
    const int n = numberOf(element);
    const float v = std::min(std::max(0.0f, points(n)), RTFImportMethods::MaxPageSide);
    const kit::Size page = pages.pageSize();
    bool resize = true;
    if (word == "landscape") {
        pages.setLandscape();
    } else if (word == "margl") {
        pages.setLeftMargin(v);
    } else if (word == "margr") {
        pages.setRightMargin(page.width - v);
    } else if (word == "margt") {
        if (v > 0) {
            state.autosizeHeaders = false;
            const float delta = v - pages.topMargin();
            pages.setTopMargin(v);
            pages.setHeaderBottom(std::max(1.0f, pages.headerBottom() + delta));
            if (pages.headerTop() > pages.headerBottom())
                pages.setHeaderTop(std::max(0.0f, pages.headerTop() + delta));
        }
    } else if (word == "margb") {
        if (v > 0) {
            state.autosizeFooters = false;
            const float bottom = page.height - v;
            const float delta = bottom - pages.bottomMargin();
            pages.setBottomMargin(bottom);
            pages.setFooterTop(std::min(page.height - 1.0f, pages.footerTop() + delta));
            if (pages.footerBottom() < pages.footerTop())
                pages.setFooterBottom(std::min(page.height, pages.footerBottom() + delta));
        }
    } else if (word == "paperw" || word == "paperh") {
        const float side = std::clamp(v, RTFImportMethods::MinPageSide, RTFImportMethods::MaxPageSide);
        if (side != points(n))
            setLostData(element);
        if (word == "paperw") {
            const float delta = side - page.width;
            pages.setPageSize(kit::makeSize(side, page.height));
            pages.setRightMargin(pages.rightMargin() + delta);
        } else {
            const float delta = side - page.height;
            pages.setPageSize(kit::makeSize(page.width, side));
            pages.setBottomMargin(pages.bottomMargin() + delta);
            pages.setFooterTop(pages.footerTop() + delta);
            pages.setFooterBottom(pages.footerBottom() + delta);
        }
    } else if (word == "headery") {
        pages.setHeaderTop(std::min(v, page.height));
    } else if (word == "footery") {
        pages.setFooterBottom(std::max(0.0f, page.height - v));
    } else if (word == "cols") {
        if (n > 1) {
            const int count = fittingColumns(pages, n, pages.columnGutterWidth());
            if (count != n)
                setLostData(element);
            resize = count == pages.columnCount();
            pages.resetDocumentColumnCount(count, pages.columnGutterWidth());
        }
    } else if (word == "colsx") {
        float gutter = v;
        const int count = pages.columnCount();
        const float width = pages.rightMargin() - pages.leftMargin();
        if (count > 1) {
            const float most = std::max(0.0f, (width - RTFImportMethods::MinColumnWidth * float(count)) / float(count - 1));
            if (gutter > most) {
                gutter = most;
                setLostData(element);
            }
        }
        pages.resetDocumentColumnCount(count, gutter);
        resize = false;
    }
    if (keepPageSetupOnPage(pages))
        setLostData(element);
    if (resize)
        pages.resizeMasterTextItems();
}

void readPageNumber(RTFImportState& state, ZynMarkupElement& element)
{
    if (!state.openingFile || !state.pages || element.isTerminator())
        return;
    const std::string& word = element.text();
    if (word == "pgnstart" || word == "pgnstarts") {
        state.pages->setFirstPageNum(numberOf(element));
        return;
    }
    static const char* const formats[] = {"pgndec", "pgnlcrm", "pgnucrm", "pgnlcltr", "pgnucltr"};
    for (int code = 0; code < 5; ++code)
        if (word == formats[code])
            state.pages->setPageNumberFormat(code);
}

} // namespace

void installPageHandlers()
{
    addHandler<RTFImportState>("__readHeaderFooterInfo:", &readHeaderFooter);
    addHandler<RTFImportState>("__readMarginAndPaperInfo:", &readMarginAndPaper);
    addHandler<RTFImportState>("__readPageNumberInfo:", &readPageNumber);
}

} // namespace rtfimport

void RTFImportMethods::alertLostData()
{
    auto text = [](const char* key) { return Main ? Main->valueForStringKey(key) : std::string(key); };
    kit::runAlertPanel(text("ImportProblem"), text("ImportDataLoss"), "OK", "", "");
}

bool RTFImportMethods::openRTFFile(LayoutDocument& document, const std::string& path, bool* lostData,
                                   std::string* error)
{
    auto fail = [error](const char* why) {
        if (error)
            *error = why;
        return false;
    };
    std::unique_ptr<kit::FileWrapper> file = kit::FileWrapper::initWithPath(path);
    if (!file)
        return fail("The file cannot be read.");
    std::optional<std::string> rtf;
    const kit::FileWrapper* contents = nullptr;
    if (file->isDirectory()) {
        const auto& files = file->fileWrappers();
        if (const auto it = files.find("TXT.rtf"); it != files.end() && it->second->isRegularFile())
            rtf = it->second->regularFileContents();
        contents = file.get();
    } else if (file->isRegularFile()) {
        rtf = file->regularFileContents();
    }
    if (!rtf)
        return fail("The folder holds no \"TXT.rtf\".");
    if (!LayoutDocumentIOMethods::dispatchRTFStream(document, rtf, lostData, ZynImportOptions{true, contents}))
        return fail("The file could not be read.");
    return true;
}
