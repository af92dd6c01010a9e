#pragma once

#include "appkit/Panel.h"

#include <memory>
#include <string>

namespace kit {

class Button;
class Form;
class PopUpButton;
class PrintInfo;
class TextField;

// The page layout panel: the paper by name or by size, its orientation and
// the scale, shown from a print info and written back to it on OK. Its
// controls are made by the builder of "PageLayout.nib" (registered at class
// set-up), so that a script can reach them like a user: type a size, pick a
// paper, press OK. The view tagged 51 shows the panel's title text. An
// accessory view names the caller's own settings; the panel does not own
// it.
class PageLayout : public Panel {
public:
    static constexpr int TitleTag = 51;
    static constexpr int OK = 1;
    static constexpr int Cancel = 0;

    PageLayout();
    ~PageLayout() override;

    std::string className() const override { return "NSPageLayout"; }

    // Registers the builder of the panel's interface file.
    static void initialize();
    // The shared panel, made on first use.
    static PageLayout* pageLayout();

    View* accessoryView() const { return accessoryView_; }
    void setAccessoryView(View* view) { accessoryView_ = view; }

    // Runs modally over the shared print info (PrintInfo::sharedPrintInfo)
    // or the one given: OK (1) writes the panel's values into it, Cancel
    // (0) leaves it.
    int runModal();
    int runModalWithPrintInfo(PrintInfo& info);

    // ---- The controls, for scripts (nil before the interface is built).
    TextField* titleField() const;
    PopUpButton* paperPopUp() const { return paper_; }
    // Entries: 0 width, 1 height (points), 2 scale (percent).
    Form* sizeForm() const { return size_; }
    // "Portrait" or "Landscape".
    PopUpButton* orientationPopUp() const { return orientation_; }
    Button* okButton() const { return ok_; }
    Button* cancelButton() const { return cancel_; }

    // The controls show the info; the info takes the controls' values (a
    // width, height or scale that is not a finite positive number leaves
    // the old one).
    void readPrintInfo(const PrintInfo& info);
    void writePrintInfo(PrintInfo& info) const;

private:
    friend struct PageLayoutBuilder;
    // The paper popped up: its size shows in the fields.
    void paperChosen();

    View* accessoryView_ = nullptr; // not owned
    PopUpButton* paper_ = nullptr;
    Form* size_ = nullptr;
    PopUpButton* orientation_ = nullptr;
    Button* ok_ = nullptr;
    Button* cancel_ = nullptr;
};

} // namespace kit
