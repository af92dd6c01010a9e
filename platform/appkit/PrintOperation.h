#pragma once

#include "graphics/PrintInfo.h"
#include "graphics/PrintJob.h"

#include <functional>
#include <memory>
#include <string>

namespace kit {

class PostScriptContext;
class View;

// Prints a view: asks it for its pages and the PostScript around them,
// writes the document through the PostScript writer (DSC comments, one
// %%Page: per page), and hands it to the print system or writes it to a
// file as the print settings say; or makes EPS of a rectangle of it.
//
// The view is called in this order: knowsPagesFirst, beginPrologueBBox,
// endPrologue, then per page rectForPage, addToPageSetup (in the page's
// set-up), the drawing (drawRect with the writer as the current context,
// after the standard page set-up: the rectangle centred on the paper (or
// at its corner, as the settings say), scaled by the scaling factor unless
// the view scales itself, flipped views upright), endPage.
class PrintOperation {
public:
    static std::unique_ptr<PrintOperation> printOperationWithView(View& view, std::shared_ptr<PrintInfo> info);
    // EPS of the rectangle (the view's coordinates); runOperation leaves it
    // in postScript() and sends it nowhere.
    static std::unique_ptr<PrintOperation> EPSOperationWithView(View& view, const Rect& rect);
    ~PrintOperation();

    // The operation running now (while runOperation runs), else null.
    static PrintOperation* currentOperation();

    bool isEPSOperation() const { return eps_; }
    PrintInfo& printInfo() { return *info_; }
    // The writer, while the operation runs.
    PostScriptContext* context() { return context_.get(); }

    // Whether the print panel is shown first. The panel itself is the
    // program's: it sets a runner that shows it and answers false for a
    // cancel. Without a runner no panel is shown.
    bool showPanels() const { return showPanels_; }
    void setShowPanels(bool flag) { showPanels_ = flag; }
    using PanelRunner = std::function<bool(PrintOperation&)>;
    static void setPanelRunner(PanelRunner runner);

    void setJobTitle(const std::string& title) { title_ = title; }
    const std::string& jobTitle() const { return title_; }

    // Prints; true only when the job went to the print system or the file
    // was written whole (EPS: when it was made). A cancel in the panel, a
    // refused job or a failed write answer false, with lastError() saying
    // why (empty for a cancel).
    bool runOperation();
    const std::string& lastError() const { return error_; }
    const PrintResult& result() const { return result_; }
    // The document written by the last run.
    const std::string& postScript() const { return postscript_; }
    int pageCount() const { return pages_; }

private:
    PrintOperation(View& view, std::shared_ptr<PrintInfo> info, bool eps, const Rect& epsRect);
    bool writeDocument();

    View& view_;
    std::shared_ptr<PrintInfo> info_;
    bool eps_ = false;
    Rect epsRect_;
    bool showPanels_ = true;
    std::string title_;
    std::unique_ptr<PostScriptContext> context_;
    std::string postscript_;
    int pages_ = 0;
    std::string error_;
    PrintResult result_;
};

} // namespace kit
