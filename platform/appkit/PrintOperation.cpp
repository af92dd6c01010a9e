#include "appkit/PrintOperation.h"

#include "appkit/View.h"
#include "core/Exception.h"
#include "graphics/PostScriptContext.h"

#include <algorithm>
#include <ctime>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace kit {

namespace {

PrintOperation* g_current = nullptr;

PrintOperation::PanelRunner& panelRunner()
{
    static PrintOperation::PanelRunner runner;
    return runner;
}

std::string creationDate()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string userName()
{
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name)
        return pw->pw_name;
    return {};
}

} // namespace

PrintOperation::PrintOperation(View& view, std::shared_ptr<PrintInfo> info, bool eps, const Rect& epsRect)
    : view_(view), info_(info ? std::move(info) : PrintInfo::sharedPrintInfo()), eps_(eps), epsRect_(epsRect)
{
}

PrintOperation::~PrintOperation()
{
    if (g_current == this)
        g_current = nullptr;
}

std::unique_ptr<PrintOperation> PrintOperation::printOperationWithView(View& view, std::shared_ptr<PrintInfo> info)
{
    return std::unique_ptr<PrintOperation>(new PrintOperation(view, std::move(info), false, {}));
}

std::unique_ptr<PrintOperation> PrintOperation::EPSOperationWithView(View& view, const Rect& rect)
{
    auto op = std::unique_ptr<PrintOperation>(new PrintOperation(view, std::make_shared<PrintInfo>(), true, rect));
    op->showPanels_ = false;
    return op;
}

PrintOperation* PrintOperation::currentOperation() { return g_current; }

void PrintOperation::setPanelRunner(PanelRunner runner) { panelRunner() = std::move(runner); }

bool PrintOperation::runOperation()
{
    error_.clear();
    result_ = {};
    postscript_.clear();
    pages_ = 0;
    if (!eps_ && showPanels_ && panelRunner() && !panelRunner()(*this))
        return false; // cancelled
    if (!eps_ && info_->jobDisposition() == PrintCancelJob)
        return false;

    struct Current {
        PrintOperation* previous;
        explicit Current(PrintOperation* op) : previous(g_current) { g_current = op; }
        ~Current() { g_current = previous; }
    } current(this);
    bool written = false;
    try {
        written = writeDocument();
    } catch (const Exception& e) {
        error_ = "printing stopped: " + e.reason();
    } catch (const std::exception& e) {
        error_ = std::string("printing stopped: ") + e.what();
    }
    context_.reset();
    if (!written)
        return false;
    if (eps_) {
        result_.ok = true;
        return true;
    }
    if (info_->jobDisposition() == PrintSaveJob)
        result_ = PrintJob::writeToFile(postscript_, info_->savePath());
    else
        result_ = PrintJob::sendToPrinter(postscript_, info_->printerName(), info_->copies(),
                                          title_.empty() ? "Untitled" : title_);
    error_ = result_.error;
    return result_.ok;
}

bool PrintOperation::writeDocument()
{
    context_ = std::make_unique<PostScriptContext>(eps_ ? PostScriptContext::Kind::EPS : PostScriptContext::Kind::Document);
    PostScriptContext& ps = *context_;
    DrawContext::Scope scope(ps);

    int first = 1, last = 1;
    bool pagesKnown = false;
    if (!eps_)
        pagesKnown = view_.knowsPagesFirst(first, last);
    if (!pagesKnown)
        first = last = 1;
    if (!eps_ && !info_->allPages()) {
        first = std::max(first, info_->firstPage());
        last = std::min(last, info_->lastPage());
    }
    if (last < first) {
        error_ = "there are no pages to print";
        return false;
    }
    const Rect box = eps_ ? makeRect(0, 0, width(epsRect_), height(epsRect_)) : Rect{};
    view_.beginPrologueBBox(box, creationDate(), "Scrivly", "", userName(), last - first + 1,
                            title_.empty() ? "Untitled" : title_);
    view_.endPrologue();
    if (!eps_) {
        // The paper, for printers and interpreters that choose it; one that
        // cannot fails only this feature.
        const Size paper = info_->paperSize();
        const std::string name = info_->paperName().empty() ? "Custom" : info_->paperName();
        ps.sendPostScript("[{\n%%BeginFeature: *PageSize " + name + "\n<</PageSize [" + postScriptNumber(paper.width) +
                          " " + postScriptNumber(paper.height) +
                          "]>> setpagedevice\n%%EndFeature\n} stopped cleartomark");
    }

    std::vector<int> order;
    for (int n = first; n <= last; ++n)
        order.push_back(n);
    if (!eps_ && info_->reversePageOrder())
        std::reverse(order.begin(), order.end());
    const float factor = eps_ ? 1.0f : float(info_->scalingFactor());
    const float scale = view_.scalesPrintedPages() ? 1.0f : factor;
    for (int n : order) {
        const Rect r = eps_ ? epsRect_ : pagesKnown ? view_.rectForPage(n) : view_.bounds();
        if (!(width(r) > 0) || !(height(r) > 0))
            break; // the view has no more pages
        ps.beginPage(std::to_string(n), n, eps_ ? box : info_->paperRect());
        if (!eps_) {
            // The standard page set-up: the page in the paper's middle.
            const Size paper = info_->paperSize();
            const float dx = info_->isHorizontallyCentered() ? (paper.width - width(r) * scale) / 2 : 0;
            const float dy = info_->isVerticallyCentered() ? (paper.height - height(r) * scale) / 2 : 0;
            if (dx != 0 || dy != 0)
                ps.sendPostScript(postScriptNumber(dx) + " " + postScriptNumber(dy) + " translate");
        }
        view_.addToPageSetup();
        ps.endPageSetup();
        ps.gsave();
        if (scale != 1.0f)
            ps.scale(scale, scale);
        if (view_.isFlipped()) {
            ps.translate(-minX(r), maxY(r));
            ps.scale(1, -1);
        } else {
            ps.translate(-minX(r), -minY(r));
        }
        ps.rectclip(r);
        view_.drawRect(r);
        ps.grestore();
        view_.endPage();
        ++pages_;
    }
    if (pages_ == 0) {
        error_ = "there are no pages to print";
        return false;
    }
    ps.endDocument();
    postscript_ = ps.takeOutput();
    return true;
}

// ---- The view's standard printing behaviour.

bool View::knowsPagesFirst(int& first, int& last)
{
    (void)first;
    (void)last;
    return false;
}

Rect View::rectForPage(int page)
{
    (void)page;
    return bounds();
}

void View::beginPrologueBBox(const Rect& boundingBox, const std::string& creationDate, const std::string& createdBy,
                             const std::string& fonts, const std::string& forWhom, int pages, const std::string& title)
{
    // The writer lists the fonts and counts the pages itself; the count
    // asked for only makes room.
    (void)fonts;
    PrintOperation* op = PrintOperation::currentOperation();
    if (!op || !op->context())
        return;
    PostScriptDocumentInfo info;
    info.boundingBox = boundingBox;
    info.creationDate = creationDate;
    info.creator = createdBy;
    info.forWhom = forWhom;
    info.title = title;
    info.pages = pages;
    op->context()->beginDocument(info);
}

void View::endPrologue()
{
    if (PrintOperation* op = PrintOperation::currentOperation(); op && op->context())
        op->context()->endPrologue();
}

void View::addToPageSetup() {}

void View::endPage()
{
    if (PrintOperation* op = PrintOperation::currentOperation(); op && op->context())
        op->context()->endPage();
}

} // namespace kit
