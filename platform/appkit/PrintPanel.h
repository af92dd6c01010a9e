#pragma once

#include "appkit/Panel.h"

#include <memory>
#include <string>
#include <vector>

namespace kit {

class Box;
class Button;
class PopUpButton;
class PrintInfo;
class PrintOperation;
class TextField;

// The shared print panel: where the job goes (a destination of the print
// system, or a file), copies, the pages, the paper, the scale, and an
// accessory view below them. It shows a print settings object and, on
// Print, writes what the user chose back into it; Cancel leaves it alone.
// Print operations show it through their panel runner (install()).
class PrintPanel : public Panel {
public:
    // Tags of its views, for whoever adapts the panel to a print.
    static constexpr int PrinterTag = 40;
    static constexpr int CopiesTag = 41;
    static constexpr int PaperTag = 42;
    static constexpr int ScaleTag = 43;
    static constexpr int FileTag = 44;
    static constexpr int AllPagesTag = 50;
    static constexpr int FromPageTag = 51;
    static constexpr int ToPageTag = 52;
    static constexpr int PagesBoxTag = 53;
    // The printer menu's entry that prints into a file.
    static constexpr const char* SaveToFileTitle = "Save to File";

    // The panel, made on first use when asked to; nil otherwise.
    static PrintPanel* sharedPrintPanel(bool create = true);
    // Makes print operations that show panels show this one.
    static void install();

    std::string className() const override { return "NSPrintPanel"; }

    View* accessoryView() const { return accessoryView_; }
    // Puts the view below the controls; the previous one is handed back.
    std::unique_ptr<View> setAccessoryView(std::unique_ptr<View> view);

    // Shows the settings and runs the panel modally; true when the user
    // chose Print (the settings then hold the choice).
    bool runWithPrintInfo(PrintInfo& info);
    // The print system's destinations shown in the printer menu (read
    // afresh each time the panel runs).
    void reloadDestinations();

    // ---- The controls.
    PopUpButton* printerPopUp() const { return printer_; }
    TextField* copiesField() const { return copies_; }
    Button* allPagesSwitch() const { return allPages_; }
    TextField* fromField() const { return from_; }
    TextField* toField() const { return to_; }
    Box* pagesBox() const { return pagesBox_; }
    PopUpButton* paperPopUp() const { return paper_; }
    TextField* scaleField() const { return scale_; }
    TextField* fileField() const { return file_; }
    Button* printButton() const { return print_; }
    Button* cancelButton() const { return cancel_; }

private:
    PrintPanel();
    void build();
    void show(const PrintInfo& info);
    // False (with a beep) when a field holds what cannot be printed.
    bool take(PrintInfo& info);
    void updateEnabling();

    PopUpButton* printer_ = nullptr;
    TextField* copies_ = nullptr;
    Box* pagesBox_ = nullptr;
    Button* allPages_ = nullptr;
    TextField* from_ = nullptr;
    TextField* to_ = nullptr;
    PopUpButton* paper_ = nullptr;
    TextField* scale_ = nullptr;
    TextField* file_ = nullptr;
    Button* print_ = nullptr;
    Button* cancel_ = nullptr;
    View* accessoryView_ = nullptr;
    PrintInfo* running_ = nullptr; // while the panel runs
};

} // namespace kit
