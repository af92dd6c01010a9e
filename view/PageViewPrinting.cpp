// Printing from the page view: the Print command with its paper check, the
// optional list of pages to print, and the page view's answers to the print
// operation (its pages, each page's rectangle, and the PostScript around
// each page: scaling about the page's centre, the matrix crop marks are
// drawn in, the crop marks themselves).

#include "view/PageView.h"

#include "appkit/Box.h"
#include "appkit/Panel.h"
#include "appkit/PrintOperation.h"
#include "appkit/PrintPanel.h"
#include "appkit/TextField.h"
#include "core/Alert.h"
#include "core/Bundle.h"
#include "core/FileManager.h"
#include "core/Locale.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/CMGeometry.h"
#include "graphics/DrawContext.h"
#include "graphics/PostScriptContext.h"
#include "graphics/PrintInfo.h"
#include "items/Item.h"
#include "view/PrintAccessoryKeys.h"

#include <cmath>
#include <cstdio>
#include <optional>

short PageView::askAboutPageSize = 1;

namespace {

// What lastPrintResult holds besides 0 (printed).
constexpr int PrintCancelled = 1;
constexpr int PrintFailed = 2;

std::string text(const char* key) { return Main ? Main->valueForStringKey(key) : std::string(key); }

// A number as the C format %g writes it, whatever the locale (and no "-0").
std::string g(double value) { return kit::Locale::formatFloat(value == 0 ? 0.0 : value, "%g"); }

kit::PrintInfo* runningSettings()
{
    kit::PrintOperation* op = kit::PrintOperation::currentOperation();
    return op ? &op->printInfo() : nullptr;
}

// The document's print settings, made on the first print; the paper is
// the document's every time.
std::shared_ptr<kit::PrintInfo> printSettingsOf(LayoutDocument& document)
{
    if (!document.printSettings())
        document.setPrintSettings(std::make_shared<kit::PrintInfo>());
    const std::shared_ptr<kit::PrintInfo>& info = document.printSettings();
    const kit::Size paper = document.paperRect().size;
    if (paper.width > 0 && paper.height > 0 && !(info->paperSize() == paper)) {
        info->setOrientation(paper.width > paper.height ? kit::PrintInfo::Orientation::Landscape
                                                        : kit::PrintInfo::Orientation::Portrait);
        info->setPaperSize(paper);
    }
    return info;
}

std::string jobTitleOf(const LayoutDocument& document, const std::string& windowTitle)
{
    const std::string& name = document.filename();
    if (!name.empty())
        return kit::FileManager::lastPathComponent(name);
    return windowTitle.empty() ? "Untitled" : windowTitle;
}

// The page-range fields of the shared print panel, not editable while a
// list of pages prints, with the title of their box saying so; put back as
// they were on every way out.
class PageListPanelState {
public:
    explicit PageListPanelState(kit::PrintPanel& panel)
    {
        for (int tag : {kit::PrintPanel::FromPageTag, kit::PrintPanel::ToPageTag}) {
            auto* field = dynamic_cast<kit::TextField*>(panel.contentView()->viewWithTag(tag));
            if (!field)
                continue;
            fields_.push_back({field, field->isEditable()});
            field->setEditable(false);
            if (!box_)
                for (kit::View* up = field->superview(); up && !box_; up = up->superview())
                    box_ = dynamic_cast<kit::Box*>(up);
        }
        if (box_) {
            oldTitle_ = box_->title();
            box_->setTitle(text("SelectedPagesOnly"));
        }
        // A list prints whole: the range switch could only narrow it.
        all_ = dynamic_cast<kit::Control*>(panel.contentView()->viewWithTag(kit::PrintPanel::AllPagesTag));
        if (all_) {
            allEnabled_ = all_->isEnabled();
            all_->setEnabled(false);
        }
    }
    ~PageListPanelState()
    {
        for (auto& [field, editable] : fields_)
            field->setEditable(editable);
        if (box_)
            box_->setTitle(oldTitle_);
        if (all_)
            all_->setEnabled(allEnabled_);
    }
    PageListPanelState(const PageListPanelState&) = delete;
    PageListPanelState& operator=(const PageListPanelState&) = delete;

private:
    std::vector<std::pair<kit::TextField*, bool>> fields_;
    kit::Box* box_ = nullptr;
    std::string oldTitle_;
    kit::Control* all_ = nullptr;
    bool allEnabled_ = true;
};

} // namespace

void PageView::printDocument(kit::Object* sender)
{
    separating_ = false;
    colorPlate_.clear();
    plateCode_ = 0;
    commonPrintPanelStuff(sender);
}

PageView* PageView::commonPrintPanelStuff(kit::Object* sender)
{
    lastPrintResult_ = PrintCancelled;
    lastPrintError_.clear();
    if (!document_)
        return this;
    LayoutDocument& document = *document_;
    const std::shared_ptr<kit::PrintInfo> info = printSettingsOf(document);

    // The pages take their print layout for the print and their display
    // layout back on every way out (a cancel, a failure, an exception).
    struct Layout {
        PageView& view;
        LayoutDocument& document;
        float zoom = CMZoomStatus;
        explicit Layout(PageView& v, LayoutDocument& d) : view(v), document(d)
        {
            document.calcPageRectsFor(2);
            CMZoomStatus = 1.0f;
        }
        ~Layout()
        {
            CMZoomStatus = zoom;
            document.calcPageRectsFor(1);
            for (DocumentView* each : document.views())
                if (each)
                    each->notifyUpdateForRect(kit::Rect{});
        }
    } layout(*this, document);

    if (!checkPageSizes())
        return this;
    info->setScalingFactor(document.pageScale() > 0 ? document.pageScale() : 1.0f);
    std::unique_ptr<kit::PrintOperation> op = kit::PrintOperation::printOperationWithView(*this, info);
    op->setJobTitle(jobTitleOf(document, windowTitle()));
    bool printed = false;
    if (!dynamic_cast<kit::Panel*>(sender)) {
        freePrintListIfPossible();
        if (suppressPrintPanel_)
            op->setShowPanels(false);
        printed = op->runOperation();
        if (kit::PrintPanel* panel = kit::PrintPanel::sharedPrintPanel(false))
            panel->setAccessoryView(nullptr);
    } else {
        std::optional<PageListPanelState> panelState;
        if (!suppressPrintPanel_)
            panelState.emplace(*kit::PrintPanel::sharedPrintPanel(true));
        else
            op->setShowPanels(false);
        printListIdx_ = 0;
        const bool all = info->allPages();
        info->setAllPages(true);
        printed = op->runOperation();
        info->setAllPages(all);
    }

    // The scale chosen in the panel becomes the document's.
    double factor = 1.0;
    if (auto stored = info->doubleForKey(kit::PrintScalingFactor))
        factor = *stored;
    if (std::isfinite(factor) && factor > 0 && float(factor) != document.pageScale()) {
        document.setPageScale(float(factor));
        document.setEdited(true);
    }

    if (printed) {
        lastPrintResult_ = 0;
    } else if (!op->lastError().empty()) {
        lastPrintResult_ = PrintFailed;
        lastPrintError_ = op->lastError();
        // Whoever printed without panels (mail merge, a remote request)
        // reads the outcome instead of a person.
        if (!suppressPrintPanel_)
            kit::runAlertPanel(text("Print"), text("PrintFailed"), text("OK"), "", "", {lastPrintError_});
    }
    return this;
}

bool PageView::checkPageSizes()
{
    if (!document_ || document_->numDisplayedPages() < 1)
        return true;
    const float scale = document_->pageScale();
    const kit::Size page = document_->pageRectAt(0).size;
    const kit::Rect scaled = kit::makeRect(0, 0, page.width * scale, page.height * scale);
    if (kit::containsRect(document_->paperRect(), scaled))
        return true;
    if (askAboutPageSize == 0)
        return true;
    const int answer = kit::runAlertPanel(text("Print"), text("PaperTooSmall"), text("Print Anyway"), text("Cancel"),
                                          text("OK Forever"));
    if (answer == kit::AlertAlternateReturn)
        return false;
    if (answer == kit::AlertOtherReturn)
        askAboutPageSize = 0;
    return true;
}

// ---- The print list.

void PageView::initializePrintList(int size)
{
    printList_.clear();
    printList_.shrink_to_fit();
    if (size > 0)
        printList_.reserve(std::size_t(size));
    printListIdx_ = 0;
}

void PageView::addPageToPrintList(int pageNumber)
{
    if (pageNumber != 0)
        printList_.push_back(pageNumber);
}

void PageView::freePrintListIfPossible()
{
    printList_.clear();
    printList_.shrink_to_fit();
    printListIdx_ = 0;
}

// ---- The print operation's questions.

bool PageView::knowsPagesFirst(int& first, int& last)
{
    if (!document_)
        return kit::View::knowsPagesFirst(first, last);
    first = document_->firstPageNum();
    last = first - 1 + (printList_.empty() ? document_->numPages() : printListCount());
    return true;
}

kit::Rect PageView::rectForPage(int page)
{
    if (!document_)
        return {};
    const int first = document_->firstPageNum();
    const int count = document_->numDisplayedPages();
    if (!printList_.empty()) {
        // The list's pages in its order; a number no page has (the page was
        // deleted since) is passed over.
        while (printListIdx_ < printListCount()) {
            const int number = printList_[std::size_t(printListIdx_++)];
            const long long index = (long long)number - first;
            if (index >= 0 && index < count)
                return document_->pageRectAt(int(index));
        }
        return {};
    }
    const long long index = (long long)page - first;
    if (index < 0 || index >= count)
        return {};
    return document_->pageRectAt(int(index));
}

void PageView::beginPrologueBBox(const kit::Rect& boundingBox, const std::string& creationDate,
                                 const std::string& createdBy, const std::string& fonts, const std::string& forWhom,
                                 int pages, const std::string& title)
{
    kit::Rect box = boundingBox;
    kit::DrawContext* context = kit::DrawContext::current();
    kit::PrintOperation* op = kit::PrintOperation::currentOperation();
    if (context && !context->isDrawingToScreen() && op && op->isEPSOperation() && box.origin.y < 0)
        box.origin.y = -box.origin.y;
    kit::View::beginPrologueBBox(box, creationDate, createdBy, fonts, forWhom, pages, title);
}

void PageView::endPrologue()
{
    sendPrePrintProlog();
    kit::View::endPrologue();
}

PageView* PageView::sendPrintFile(const std::string& name)
{
    kit::DrawContext* context = kit::DrawContext::current();
    const std::string path = kit::Bundle::pathForResource(name, "ps");
    std::optional<std::string> bytes;
    if (!path.empty())
        bytes = kit::FileManager::contentsAtPath(path);
    if (!bytes) {
        if (context) {
            std::string line = "(";
            line += name;
            line += ") LAYVANE_MISSING_FILE_ERROR\n";
            context->sendPostScript(line);
        }
        return nullptr;
    }
    if (context)
        context->sendPostScript(*bytes);
    return this;
}

void PageView::sendPrePrintProlog() { sendPrintFile("preprint"); }

void PageView::addToPageSetup()
{
    kit::View::addToPageSetup();
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context || !document_ || document_->numDisplayedPages() < 1)
        return;
    Item::resetAll(*context);
    const kit::Size page = document_->pageRectAt(0).size;
    const kit::PrintInfo* info = runningSettings();
    // The paper the job is printed on (the document's, unless the print
    // panel chose another).
    const kit::Size paper = info ? info->paperSize() : document_->paperRect().size;
    // The scale the print panel shows (the document's unless the user
    // changed it there) is the scale this print is made at.
    const float s = info ? float(info->scalingFactor()) : document_->pageScale();
    const float pw = page.width, ph = page.height, sw = paper.width, sh = paper.height;
    std::string ps = "%% BEGIN Layvane page setup\n";
    ps += " " + g(pw / 2) + " " + g(ph / 2) + " translate\n";
    if (s > 0)
        ps += " " + g(s) + " " + g(s) + " scale\n";
    ps += " " + g(-pw / 2) + " " + g(-ph / 2) + " translate\n";
    ps += " gsave\n";
    ps += "  " + g(-(sw - pw) / 2) + " " + g(-(sh - ph) / 2) + " translate\n";
    ps += "  /QK_startmatrix matrix currentmatrix def\n";
    ps += " grestore\n";
    ps += info && printAccessorySwitch(*info, PrintBleedKey) ? " true setbleed\n" : " false setbleed\n";
    ps += "%% END Layvane page setup\n";
    context->sendPostScript(ps);
}

void PageView::endPage()
{
    kit::DrawContext* context = kit::DrawContext::current();
    if (context && document_ && document_->numDisplayedPages() >= 1) {
        const kit::Size page = document_->pageRectAt(0).size;
        const kit::PrintInfo* info = runningSettings();
        const kit::Size paper = info ? info->paperSize() : document_->paperRect().size;
        const float pw = page.width, ph = page.height, sw = paper.width, sh = paper.height;
        context->sendPostScript("%% BEGIN Layvane page cleanup\ngsave\n initclip %% guarantee that crops aren't "
                                "clipped\n QK_startmatrix setmatrix %% crops in right place\n " +
                                g((sw - pw) / 2) + " " + g((sh - ph) / 2) + " translate\n");
        if (info && printAccessorySwitch(*info, PrintCropMarksKey))
            drawCropMarks(*context, pw, ph);
        context->sendPostScript("grestore %% after destroying the world\n%% END Layvane page cleanup\n");
    }
    kit::View::endPage();
}

void PageView::drawCropMarks(kit::DrawContext& context, float width, float height)
{
    // Two short lines at each corner along the trim edges, kept a gap away
    // from the page so that none shows on the trimmed sheet. Registration
    // colour: the marks print on every plate.
    constexpr float Gap = 9, Length = 18;
    context.setcmykcolor(1, 1, 1, 1);
    context.setlinewidth(0.5f);
    context.newpath();
    for (float x : {0.0f, width}) {
        const float out = x == 0 ? -1.0f : 1.0f;
        for (float y : {0.0f, height}) {
            const float up = y == 0 ? -1.0f : 1.0f;
            context.moveto(x + out * Gap, y);
            context.lineto(x + out * (Gap + Length), y);
            context.moveto(x, y + up * Gap);
            context.lineto(x, y + up * (Gap + Length));
        }
    }
    context.stroke();
}

std::vector<Page*> PageView::pagesMeeting(const kit::Rect& rect) const
{
    std::vector<Page*> pages;
    if (!document_)
        return pages;
    for (Page* page : document_->displayedPages())
        if (page && kit::intersectsRect(page->pageRect(), rect))
            pages.push_back(page);
    return pages;
}
