#pragma once

// The floating list of the main document's named styles of one kind (0
// paragraph styles, 2 graphic styles): one row a style, which follows the
// selection, and the commands that add, copy, delete, edit and apply them.

#include "app/PanelHost.h"
#include "document/DocumentPanels.h"
#include "view/PageView.h"
#include "view/PanelSubClass.h"

#include "foundation/StyleSheetEntry.h"

#include <memory>
#include <string>
#include <vector>

namespace kit {
class Button;
class CellMatrix;
class Event;
class ScrollView;
}
class LayoutDocument;
class StyleEditPanel;
class StyleInfo;

class PanelStyles : public PanelSubClass, public DocumentPanel, public StyleSource, public HostedPanel {
public:
    // Registers the builder of "PanelStyles.nib", which fills the owner's
    // outlet "stylesPanel".
    static void initialize();

    PanelStyles();
    ~PanelStyles() override;
    std::string className() const override { return "PanelStyles"; }

    // The list of the file's window: the matrix lends its cell size only.
    PanelStyles* init(kit::Object* sender);
    std::string panelName() const override;
    bool setOutlet(const std::string& name, kit::Object* object);

    // ---- Accessors.
    int styleType() const { return styleType_; }
    void setStyleType(int type) { styleType_ = type; }
    StyleEditPanel* editPanel() const { return panelEdit_; }
    void setEditPanel(StyleEditPanel* panel) { panelEdit_ = panel; }
    // The editor the file made: the panel keeps it alive.
    void keepEditPanel(std::unique_ptr<kit::Object> editor) { ownedEdit_ = std::move(editor); }
    kit::CellMatrix* styleMatrix() const { return styleMatrix_; }
    kit::Button* applyButton() const { return applyButton_; }
    int changedRow() const { return changedRow_; }
    void setPanelHost(PanelHost* host) override { host_ = host; }
    LayoutDocument* document() const;
    PageView* pageView() const;
    StyleInfo* styleInfo() const;
    std::vector<Item*> selected() const;

    // ---- The list.
    StyleList* styles() const;
    // The style of the selected row (nil: none).
    StyleSheetEntry* currentEntry() const;
    kit::Object* currentStyle() const override;
    // The styles whose cells are on; empty when none is.
    std::vector<StyleSheetEntry*> currentStyles() const;
    void selectCellAtRow(int row, int column);
    void fillMatrix();
    void reloadMatrix(int row);
    void retitleMatrixCellAt(int row);
    void addUpdatePanel(DocumentPanel* panel);
    void removeUpdatePanel(DocumentPanel* panel);
    void updatePanels();

    // ---- Following the document.
    void inspect();
    bool isVisible() const override { return PanelSubClass::isVisible(); }
    void inspect(const std::vector<Item*>& selection) override { inspectSelection(&selection); }
    void inspectSelection(const std::vector<Item*>* selection) override;
    void notifyUpdateForStyle(const StyleGraphic* style) override;
    void notifyUpdateForStyle(const StyleParagraph* style) override;

    // ---- Commands.
    void newStyle(kit::Object* sender);
    void duplicate(kit::Object* sender);
    void deleteStyles(kit::Object* sender);
    void edit(kit::Object* sender);
    void apply(kit::Object* sender);
    void singleAction(kit::Object* sender);

    // ---- Window.
    void windowDidBecomeKey(kit::Object* sender);
    void windowDidResignKey(kit::Object* sender);
    void windowDidResize(kit::Object* sender);
    void keyDown(const kit::Event& event) override;

private:
    int rowOf(const StyleSheetEntry* style) const;
    void markEdited() const;

    kit::CellMatrix* styleMatrix_ = nullptr; // in the scroll view
    kit::ScrollView* scrollView_ = nullptr;
    int styleType_ = 0;
    StyleEditPanel* panelEdit_ = nullptr; // not owned
    std::vector<DocumentPanel*> panelUpdateList_; // not owned
    kit::Button* applyButton_ = nullptr;
    int changedRow_ = -1;
    // The file's matrix, whose cell size the list takes.
    kit::CellMatrix* prototypeMatrix_ = nullptr;
    PanelHost* host_ = nullptr; // not owned
    std::unique_ptr<kit::Object> ownedEdit_;
};
