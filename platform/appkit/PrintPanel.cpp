#include "appkit/PrintPanel.h"

#include "appkit/Application.h"
#include "appkit/Box.h"
#include "appkit/Button.h"
#include "appkit/PopUpButton.h"
#include "appkit/PrintOperation.h"
#include "appkit/TextField.h"
#include "core/Alert.h"
#include "core/Locale.h"
#include "core/PaperSize.h"
#include "graphics/PrintInfo.h"
#include "graphics/PrintJob.h"

#include <cmath>

namespace kit {

namespace {

constexpr float PanelWidth = 360;
constexpr float ControlsHeight = 270;

PrintPanel*& sharedPanel()
{
    static PrintPanel* panel = nullptr;
    return panel;
}

template <class T>
T* place(View* content, std::unique_ptr<T> view)
{
    return static_cast<T*>(content->addSubview(std::move(view)));
}

TextField* label(View* content, const Rect& r, const std::string& text)
{
    auto* t = place(content, std::make_unique<TextField>(r, text));
    t->setEditable(false);
    t->setSelectable(false);
    t->setBezeled(false);
    t->setDrawsBackground(false);
    return t;
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The whole text as a whole number, nothing else.
std::optional<int> wholeNumber(const std::string& text)
{
    const std::string t = trimmed(text);
    std::size_t used = 0;
    auto v = Locale::parseInt(t, &used);
    if (!v || used != t.size())
        return std::nullopt;
    return v;
}

} // namespace

PrintPanel* PrintPanel::sharedPrintPanel(bool create)
{
    if (!sharedPanel() && create)
        sharedPanel() = new PrintPanel; // lives as long as the program, as the platform's shared panel does
    return sharedPanel();
}

void PrintPanel::install()
{
    PrintOperation::setPanelRunner(
        [](PrintOperation& op) { return sharedPrintPanel(true)->runWithPrintInfo(op.printInfo()); });
}

PrintPanel::PrintPanel() : Panel(makeRect(200, 200, PanelWidth, ControlsHeight))
{
    setTitle("Print");
    build();
}

void PrintPanel::build()
{
    View* content = contentView();
    const float top = ControlsHeight;
    label(content, makeRect(10, top - 32, 75, 20), "Printer:");
    printer_ = place(content, std::make_unique<PopUpButton>(makeRect(90, top - 32, 260, 22)));
    printer_->setTag(PrinterTag);
    label(content, makeRect(10, top - 60, 75, 20), "File:");
    file_ = place(content, std::make_unique<TextField>(makeRect(90, top - 60, 260, 22)));
    file_->setTag(FileTag);
    file_->setPlaceholderString("the PostScript file to write");
    label(content, makeRect(10, top - 88, 75, 20), "Copies:");
    copies_ = place(content, std::make_unique<TextField>(makeRect(90, top - 88, 60, 22), "1"));
    copies_->setTag(CopiesTag);

    pagesBox_ = place(content, std::make_unique<Box>(makeRect(10, top - 170, 340, 72), "Pages"));
    pagesBox_->setTag(PagesBoxTag);
    View* pages = pagesBox_->contentView();
    allPages_ = place(pages, std::make_unique<Button>(makeRect(5, 8, 60, 22), "All", ButtonType::Switch));
    allPages_->setTag(AllPagesTag);
    label(pages, makeRect(75, 8, 45, 20), "From:");
    from_ = place(pages, std::make_unique<TextField>(makeRect(120, 8, 60, 22)));
    from_->setTag(FromPageTag);
    label(pages, makeRect(195, 8, 30, 20), "To:");
    to_ = place(pages, std::make_unique<TextField>(makeRect(225, 8, 60, 22)));
    to_->setTag(ToPageTag);

    label(content, makeRect(10, top - 200, 75, 20), "Paper:");
    paper_ = place(content, std::make_unique<PopUpButton>(makeRect(90, top - 200, 260, 22)));
    paper_->setTag(PaperTag);
    for (const std::string& name : paperNames())
        paper_->addItemWithTitle(name);
    label(content, makeRect(10, top - 228, 75, 20), "Scale:");
    scale_ = place(content, std::make_unique<TextField>(makeRect(90, top - 228, 60, 22), "100"));
    scale_->setTag(ScaleTag);
    label(content, makeRect(155, top - 228, 20, 20), "%");

    cancel_ = place(content, std::make_unique<Button>(makeRect(170, 10, 85, 24), "Cancel"));
    cancel_->setKeyEquivalent("\x1b");
    print_ = place(content, std::make_unique<Button>(makeRect(265, 10, 85, 24), "Print"));
    print_->setKeyEquivalent("\r");

    setAction("_print:", [this](Object*) -> Object* {
        if (running_ && take(*running_))
            Application::sharedApplication().stopModalWithCode(1);
        return nullptr;
    });
    setAction("_cancel:", [](Object*) -> Object* {
        Application::sharedApplication().stopModalWithCode(0);
        return nullptr;
    });
    setAction("_changed:", [this](Object*) -> Object* {
        updateEnabling();
        return nullptr;
    });
    for (auto [control, action] : std::initializer_list<std::pair<Control*, const char*>>{
             {print_, "_print:"}, {cancel_, "_cancel:"}, {printer_, "_changed:"}, {allPages_, "_changed:"}}) {
        control->setTarget(this);
        control->setAction(action);
    }
    file_->setNextText(copies_);
    copies_->setNextText(from_);
    from_->setNextText(to_);
    to_->setNextText(scale_);
    scale_->setNextText(file_);
}

std::unique_ptr<View> PrintPanel::setAccessoryView(std::unique_ptr<View> view)
{
    std::unique_ptr<View> old;
    const float oldHeight = accessoryView_ ? height(accessoryView_->frame()) : 0;
    if (accessoryView_)
        old = accessoryView_->removeFromSuperview();
    accessoryView_ = nullptr;
    const float newHeight = view ? height(view->frame()) : 0;
    // The panel grows at the bottom, above the buttons: the controls move up.
    for (const auto& sub : contentView()->subviews()) {
        if (sub.get() == print_ || sub.get() == cancel_)
            continue;
        const Point o = sub->frame().origin;
        sub->setFrameOrigin({o.x, o.y + newHeight - oldHeight});
    }
    setContentSize({PanelWidth, ControlsHeight + newHeight});
    if (view) {
        view->setFrameOrigin({0, 44});
        accessoryView_ = contentView()->addSubview(std::move(view));
    }
    return old;
}

void PrintPanel::reloadDestinations()
{
    printer_->removeAllItems();
    for (const std::string& name : PrintJob::destinations())
        printer_->addItemWithTitle(name);
    printer_->addItemWithTitle(SaveToFileTitle);
}

void PrintPanel::show(const PrintInfo& info)
{
    reloadDestinations();
    if (info.jobDisposition() == PrintSaveJob) {
        printer_->selectItemWithTitle(SaveToFileTitle);
    } else {
        std::string name = info.printerName();
        if (name.empty())
            name = PrintJob::defaultDestination();
        // A printer that is gone is still shown, so that the print says so.
        if (!name.empty() && printer_->indexOfItemWithTitle(name) < 0)
            printer_->insertItemWithTitle(name, 0);
        if (!name.empty())
            printer_->selectItemWithTitle(name);
        else
            printer_->selectItemWithTitle(SaveToFileTitle);
    }
    file_->setStringValue(info.savePath());
    copies_->setStringValue(std::to_string(info.copies()));
    allPages_->setState(info.allPages() ? 1 : 0);
    from_->setStringValue(std::to_string(info.firstPage()));
    to_->setStringValue(std::to_string(info.lastPage()));
    const std::string paper = info.paperName();
    if (!paper.empty() && paper_->indexOfItemWithTitle(paper) < 0)
        paper_->addItemWithTitle(paper);
    if (!paper.empty())
        paper_->selectItemWithTitle(paper);
    scale_->setStringValue(Locale::formatFloat(info.scalingFactor() * 100.0, "%g"));
    updateEnabling();
}

void PrintPanel::updateEnabling()
{
    const bool toFile = printer_->titleOfSelectedItem() == SaveToFileTitle;
    file_->setEnabled(toFile);
    const bool all = allPages_->state() != 0;
    from_->setEnabled(!all);
    to_->setEnabled(!all);
}

bool PrintPanel::take(PrintInfo& info)
{
    const auto copies = wholeNumber(copies_->stringValue());
    const bool all = allPages_->state() != 0;
    const auto from = wholeNumber(from_->stringValue());
    const auto to = wholeNumber(to_->stringValue());
    const std::string scaleText = trimmed(scale_->stringValue());
    std::size_t used = 0;
    const auto percent = Locale::parseFloat(scaleText, &used);
    const bool toFile = printer_->titleOfSelectedItem() == SaveToFileTitle;
    const std::string path = trimmed(file_->stringValue());
    // Refused: the user corrects the field and prints again.
    Control* wrong = nullptr;
    if (!copies || *copies < 1 || *copies > 9999)
        wrong = copies_;
    else if (!all && (!from || !to || *to < *from))
        wrong = !from ? from_ : to_;
    else if (!percent || used != scaleText.size() || !std::isfinite(*percent) || *percent <= 0 || *percent > 10000)
        wrong = scale_;
    else if (toFile && path.empty())
        wrong = file_;
    if (wrong) {
        beep();
        makeFirstResponder(wrong);
        return false;
    }
    info.setCopies(*copies);
    if (all)
        info.setAllPages(true);
    else
        info.setPageRange(*from, *to);
    if (const std::string paper = paper_->titleOfSelectedItem(); !paper.empty() && paper != info.paperName())
        info.setPaperName(paper);
    info.setScalingFactor(*percent / 100.0);
    if (toFile) {
        info.setSavePath(path);
    } else {
        info.setPrinterName(printer_->titleOfSelectedItem());
        info.setJobDisposition(PrintSpoolJob);
    }
    return true;
}

bool PrintPanel::runWithPrintInfo(PrintInfo& info)
{
    show(info);
    running_ = &info;
    makeKeyAndOrderFront();
    const int answer = runModal();
    running_ = nullptr;
    orderOut();
    return answer == 1;
}

} // namespace kit
