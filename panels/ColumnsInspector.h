#pragma once

// The columns dialog of the word processor: the number of text columns of
// the page frame and the gutter between them, applied to the main document
// when the dialog ends with OK. Built by "ColumnsInspector.nib" with the
// application delegate as the file's owner; it lives as long as the program
// and remembers the unit it last showed the gutter in.

#include "app/ModalInspector.h"
#include "panels/ZynInspector.h"

#include <memory>
#include <optional>
#include <string>

namespace kit {
class CellMatrix;
class TextField;
}
class ScrivlyDocument;
class UnitsInfo;

class ColumnsInspector : public ZynInspector, public ModalInspector, public kit::NibAwaking {
public:
    // Cells of the count matrix: tags 0 to 4 stand for 1 to 5 columns.
    static constexpr int CustomCountTag = 5;

    // Registers the builder of "ColumnsInspector.nib", which fills the
    // owner's outlet "columnsInspector".
    static void initialize();

    ColumnsInspector();
    ~ColumnsInspector() override;
    std::string className() const override { return "ColumnsInspector"; }

    // No unit shown yet; the own units in inches; the custom field off.
    ColumnsInspector* init();
    void awakeFromNib() override;

    // Shows the main document's columns, runs the dialog and applies on OK.
    // A choice the document refuses (or a field that holds no number)
    // beeps and keeps the dialog up. Answers the modal response; 0 without
    // a word-processor document.
    int runModalForWindow(kit::Object* sender) override;

    // Brings the gutter field into the main document's unit; answers self.
    kit::Object* inspectSelection(const std::vector<Item*>* selection) override;

    // The custom count field is enabled exactly while its cell is chosen.
    void columnNumber(kit::Object* sender);
    void increaseGutter(kit::Object* sender);
    void decreaseGutter(kit::Object* sender);
    // The field's value moved by one division of the document's unit; never
    // below 0. A field that holds no number beeps and stays.
    void changeValue(kit::TextField* field, short direction);

    void ok(kit::Object* sender) override;
    void cancel(kit::Object* sender);
    // The main document's selection is emptied, then the dialog applies.
    void forceNew(kit::Object* sender);
    // Sets the document's columns from the fields; false (nothing changed)
    // when a field holds no number or the document refuses the pair.
    bool apply(kit::Object* sender);

    // ---- Outlets: "columnCountCustom", "columnCountMatrix", "gutter",
    // "inspectorView" (the dialog's window).
    bool setOutlet(const std::string& name, kit::Object* object) override;
    kit::TextField* columnCountCustom() const;
    kit::CellMatrix* columnCountMatrix() const;
    kit::TextField* gutter() const;
    int currentUnits() const { return currentUnits_; }
    UnitsInfo* myUnitsInfo() const { return myUnitsInfo_.get(); }

private:
    ScrivlyDocument* wordDocument() const;
    // The count chosen: the cell's, or the custom field's (empty or 0: 1);
    // nothing for a custom text that is no whole number.
    std::optional<int> chosenCount() const;

    kit::WeakRef<kit::TextField> columnCountCustom_;
    kit::WeakRef<kit::CellMatrix> columnCountMatrix_;
    kit::WeakRef<kit::TextField> gutter_;
    // The loose field that stands in when the file has none.
    std::unique_ptr<kit::TextField> ownGutter_;
    int currentUnits_ = -1;
    std::unique_ptr<UnitsInfo> myUnitsInfo_;
};
