// The registry of panels: each made at most once from its interface file,
// the delegate as the file's owner, and kept for the life of the program;
// and the commands that bring panels to the front.

#include "app/Layvane.h"
#include "app/ModalInspector.h"

#include "appkit/Application.h"
#include "appkit/FontPanel.h"
#include "appkit/OpenPanel.h"
#include "appkit/Panel.h"
#include "appkit/Workspace.h"
#include "core/Alert.h"
#include "core/Bundle.h"
#include "core/FileManager.h"
#include "document/CanvasView.h"
#include "document/DocumentPanels.h"
#include "document/LayoutDocument.h"
#include "foundation/FontAccessoryValues.h"
#include "foundation/SelectionPanel.h"
#include "foundation/StyleChar.h"
#include "graphics/FontManager.h"
#include "items/TextItem.h"
#include "text/TextSelection.h"
#include "text/TextPanels.h"

#include <algorithm>

std::vector<PanelRow> Layvane::panelRows()
{
    using Show = PanelRow::Show;
    using Follow = PanelRow::Follow;
    using Forget = PanelRow::Forget;
    return {
        {.name = "infoPanel", .file = "PanelInfo.nib", .className = "PanelInfo", .action = "runInfo:",
         .show = Show::OrderFront},
        {.name = "preferencesPanel", .file = "PanelPreferences.nib", .className = "PreferencesPanel",
         .action = "runPreferences:", .show = Show::MakeKeyAndOrderFront},
        {.name = "alignmentPanel", .file = "AlignmentPanel.nib", .action = "runAlignment:", .show = Show::OrderFront},
        {.name = "lineEditorPanel", .file = "PanelLineEditor.nib", .action = "runLineEditor:",
         .show = Show::OrderFront, .follow = Follow::InspectSelection},
        // Both styles panels' files name their panel "stylesPanel".
        {.name = "graphicStylesPanel", .file = "GPanelStyles.nib", .className = "PanelStyles",
         .action = "runGraphicStyles:", .show = Show::OrderFront, .builderOutlet = "stylesPanel",
         .follow = Follow::InspectSelection},
        {.name = "paragraphStylesPanel", .file = "PanelStyles.nib", .className = "PanelStyles",
         .action = "runParaStyles:", .show = Show::OrderFront, .builderOutlet = "stylesPanel",
         .madeFirst = "tabsPanel", .follow = Follow::InspectSelectionWhenNotEditing},
        {.name = "columnsInspector", .file = "ColumnsInspector.nib", .className = "ColumnsInspector",
         .action = "runColumnsInspector:", .shared = false,
         .prepare =
             [](kit::Object* made, kit::Object* sender) {
                 if (auto* dialog = dynamic_cast<ModalInspector*>(made))
                     dialog->runModalForWindow(sender);
             }},
        {.name = "pagesPanel", .file = "PanelPages.nib", .className = "PanelPages", .action = "runPages:",
         .show = Show::OrderFront},
        // The page view runs it.
        {.name = "gotoPagesPanel", .file = "PanelPagesGoto.nib", .className = "PanelPagesGoto",
         .action = "runGotoPage:", .shared = false},
        {.name = "addPagesPanel", .file = "PanelPagesAdd.nib"},
        {.name = "deletePagesPanel", .file = "PanelPagesDelete.nib"},
        {.name = "collapsePagesPanel", .file = "PanelPagesCollapse.nib"},
        {.name = "zoomPanel", .file = "PanelZoom.nib"},
        {.name = "spellPanel", .file = "PanelSpellCheck.nib", .className = "PanelSpellCheck",
         .action = "runSpellCheck:", .show = Show::MakeKeyAndOrderFront},
        // Its own ordering front also selects the find cell.
        {.name = "findPanel", .file = "PanelFind.nib", .className = "PanelFind", .action = "runFind:",
         .prepare =
             [](kit::Object* made, kit::Object* sender) {
                 if (auto* receiver = dynamic_cast<kit::Receiver*>(made))
                     receiver->performSelector("makeKeyAndOrderFront:", sender);
             }},
        {.name = "linksPanel", .file = "LinksPanel.nib", .className = "LinksPanel", .action = "runLinksPanel:",
         .show = Show::OrderFront,
         .prepare =
             [](kit::Object* made, kit::Object* sender) {
                 if (auto* panel = dynamic_cast<kit::Receiver*>(made))
                     panel->performSelector("inspect:", sender);
             },
         .follow = Follow::Inspect, .forget = Forget::Selection},
        {.name = "tabsPanel", .file = "PanelTabs.nib", .className = "PanelTabs", .action = "runTabs:",
         .show = Show::OrderFront,
         .prepare =
             [this](kit::Object* made, kit::Object*) {
                 if (auto* panel = dynamic_cast<DocumentPanel*>(made))
                     panel->inspect(mainDocument_ ? mainDocument_->selected() : std::vector<Item*>{});
                 if (auto* receiver = dynamic_cast<kit::Receiver*>(made))
                     receiver->performSelector("alignPanel:", this);
             },
         .follow = Follow::InspectSelection},
        {.name = "pageLayoutAccessory", .file = "PanelLayoutAccessory.nib", .className = "PanelLayoutAccessory"},
        {.name = "fontAccessory", .file = "FontAccessory.nib", .className = "FontAccessory"},
        {.name = "printAccessory", .file = "PrintAccessory.nib", .className = "PrintAccessory"},
        // A document's command runs it.
        {.name = "moveByPanel", .file = "PanelMoveBy.nib", .action = "runMoveBy:", .shared = false},
        {.name = "importPanel", .file = "PanelImport.nib", .className = "PanelImport"},
        {.name = "characterSetPanel", .file = "CharacterSetPanel.nib", .className = "CharacterSetPanel",
         .action = "showCharacterSetPanel:", .show = Show::OrderFront},
        {.name = "paragraphNumberingPanel", .file = "PanelAutonumbering.nib", .className = "PanelAutonumbering",
         .action = "runParaNumbering:", .shared = false},
        // Its file makes the inspectors; the window comes forward first,
        // then shows the selection.
        {.name = "inspectorPanel", .file = "ZynInspector.nib", .className = "ZynInspectorPanel", .action = "inspect:",
         .prepare =
             [](kit::Object* made, kit::Object*) {
                 if (auto* window = dynamic_cast<kit::Receiver*>(made)) {
                     window->performSelector("orderFront:", nullptr);
                     window->performSelector("inspect:", nullptr);
                 }
             },
         .follow = Follow::InspectWhenNotEditing},
        // The inspectors, made by the inspector window's loadClasses, in
        // this order; each names itself to its row.
        {.name = "paragraphInspector", .className = "ParagraphInspector", .builderOutlet = "ParagraphInspector",
         .group = "Inspectors", .forget = Forget::Style},
        {.name = "graphicsInspector", .className = "GraphicsInspector", .builderOutlet = "GraphicsInspector",
         .group = "Inspectors", .forget = Forget::Style},
        {.name = "placementInspector", .className = "PlacementInspector", .builderOutlet = "PlacementInspector",
         .group = "Inspectors"},
        {.name = "toolbar", .file = "PanelToolbar.nib", .className = "PanelToolbar", .keepOpen = true},
    };
}

std::string Layvane::panelFile(const std::string& name) const
{
    const PanelRow* row = panels_->row(name);
    return row ? row->file : std::string();
}

kit::Object* Layvane::outlet(const std::string& name) const { return panels_->existing(name); }

bool Layvane::setOutlet(const std::string& name, kit::Object* object) { return panels_->setOutlet(name, object); }

kit::Object* Layvane::panel(const std::string& name, bool create) { return panels_->panel(name, create); }

SelectionPanel* Layvane::graphicsInspectorPanel() { return dynamic_cast<SelectionPanel*>(outlet("graphicsInspector")); }

SelectionPanel* Layvane::linksSelectionPanel() { return dynamic_cast<SelectionPanel*>(outlet("linksPanel")); }

ParagraphInspectorPanel* Layvane::paragraphInspectorPanel()
{
    return dynamic_cast<ParagraphInspectorPanel*>(outlet("paragraphInspector"));
}

bool Layvane::canRunPanel(const std::string& action) const
{
    const PanelRow* row = panels_->rowForAction(action);
    if (!row)
        return true;
    if (!row->shared && !mainDocument())
        return false;
    return panels_->canMake(*row);
}

void Layvane::addPanelRow(PanelRow row)
{
    const std::string name = row.name;
    panels_->addRow(std::move(row));
    if (const PanelRow* added = panels_->row(name))
        registerPanelCommand(*added);
}

void Layvane::registerPanelCommand(const PanelRow& row)
{
    if (row.action.empty() || (row.show == PanelRow::Show::None && !row.prepare))
        return;
    const std::string name = row.name;
    setAction(row.action, [this, name](kit::Object* sender) -> kit::Object* {
        followMainWindow();
        runPanel(name, sender);
        return this;
    });
}

void Layvane::runPanel(const std::string& name, kit::Object* sender)
{
    const PanelRow* found = panels_->row(name);
    if (!found)
        return;
    const PanelRow row = *found;
    kit::Object* made = panel(row.name, true);
    if (row.prepare)
        row.prepare(made, sender);
    auto* window = dynamic_cast<kit::Window*>(made);
    if (!window || row.show == PanelRow::Show::None)
        return;
    if (row.show == PanelRow::Show::MakeKeyAndOrderFront)
        window->makeKeyAndOrderFront(this);
    else
        window->orderFront(this);
}

void Layvane::loadClasses(const std::string& group, kit::Object* owner)
{
    const auto& rows = panels_->rows();
    if (std::none_of(rows.begin(), rows.end(), [&](const PanelRow& row) { return row.group == group; }))
        return;
    (void)panels_->makeGroup(group, owner);
    if (auto* starter = dynamic_cast<GroupStarter*>(owner))
        starter->runPanelFor(nullptr);
}

void Layvane::showMainDocumentInPanels(LayoutDocument* document)
{
    using Follow = PanelRow::Follow;
    const std::vector<Item*> selection = document ? document->selected() : std::vector<Item*>{};
    const bool editing = document && document->activeTextFlow();
    // A copy: a panel may add rows while it shows the selection.
    const std::vector<PanelRow> rows = panels_->rows();
    for (const PanelRow& row : rows) {
        DocumentPanel* shown = documentPanelOf(outlet(row.name));
        if (!shown || !shown->isVisible())
            continue;
        switch (row.follow) {
        case Follow::Nothing:
            break;
        case Follow::InspectWhenNotEditing:
            if (!editing)
                shown->inspect(selection);
            break;
        case Follow::InspectSelectionWhenNotEditing:
            if (!editing)
                shown->inspectSelection(&selection);
            break;
        case Follow::InspectSelection:
            shown->inspectSelection(&selection);
            break;
        case Follow::Inspect:
            shown->inspect(selection);
            break;
        }
    }
}

void Layvane::forgetDocumentInPanels()
{
    using Forget = PanelRow::Forget;
    const std::vector<PanelRow> rows = panels_->rows();
    for (const PanelRow& row : rows) {
        DocumentPanel* shown = documentPanelOf(outlet(row.name));
        if (!shown)
            continue;
        if (row.forget == Forget::Style)
            shown->inspectStyle(nullptr);
        else if (row.forget == Forget::Selection)
            shown->inspectSelection(nullptr);
    }
}

namespace {
kit::OpenPanel* titledOpenPanel(const std::string& title)
{
    kit::OpenPanel* panel = kit::OpenPanel::openPanel();
    panel->setAllowsMultipleSelection(true);
    panel->setTitle(title);
    return panel;
}
} // namespace

kit::OpenPanel* Layvane::openPanel(bool) { return titledOpenPanel(valueForStringKey("Open")); }
kit::OpenPanel* Layvane::placePanel(bool) { return titledOpenPanel(valueForStringKey("Place")); }
kit::OpenPanel* Layvane::replacePanel(bool) { return titledOpenPanel(valueForStringKey("Replace")); }

void Layvane::runFontPanel(kit::Object* sender)
{
    (void)sender;
    kit::FontPanel* panel = kit::FontPanel::sharedFontPanel(true);
    kit::Object* accessory = fontAccessory(true);
    if (auto* receiver = dynamic_cast<kit::Receiver*>(accessory))
        receiver->performSelector("installInFontPanel:", this);
    panel->setFloatingPanel(false);
    if (auto* delegate = dynamic_cast<kit::Receiver*>(accessory))
        panel->setDelegate(delegate);
    kit::FontManager::sharedFontManager().orderFrontFontPanel();
    panel->orderFront(nullptr);
}

void Layvane::runSuggest(kit::Object* sender)
{
    (void)sender;
    static kit::Object* suggestion = nullptr;
    if (!suggestion) {
        const std::string name = "ZynSuggestionPanel.bundle";
        kit::Bundle* bundle =
            kit::Bundle::bundleWithPath(kit::FileManager::stringByAppendingPathComponent(kit::Bundle::resourcePath(), name));
        const kit::BundleClass* principal = bundle ? bundle->principalClass() : nullptr;
        if (!principal) {
            kit::runAlertPanel("Warning", "Suggestion panel cannot be loaded from %@.", "", "", "", {name});
            return;
        }
        static std::unique_ptr<kit::Object> controller;
        controller = principal->create();
        suggestion = controller.get();
    }
    if (auto* window = dynamic_cast<kit::Window*>(suggestion))
        window->makeKeyAndOrderFront(this);
}

void Layvane::showHelp(kit::Object* sender)
{
    (void)sender;
    const std::string help = kit::Bundle::pathForResource("Help/Tasks/GettingStarted/GettingStarted", "html");
    if (help.empty() || !kit::Workspace::sharedWorkspace().openFile(help))
        kit::beep();
}

void Layvane::closeAllPanels(kit::Object* sender)
{
    (void)sender;
    std::vector<kit::Object*> staying;
    for (const PanelRow& row : panels_->rows())
        if (row.keepOpen)
            if (kit::Object* made = outlet(row.name))
                staying.push_back(made);
    for (kit::Window* window : kit::Application::sharedApplication().windows())
        if (dynamic_cast<kit::Panel*>(window) && window->isVisible() &&
            std::find(staying.begin(), staying.end(), window) == staying.end())
            window->performClose(this);
}

// The documents reach the panels through their own interfaces: a panel of
// the registry answers for each interface it implements.
class LayvaneDocumentPanels : public DocumentPanels {
public:
    explicit LayvaneDocumentPanels(Layvane& owner) : owner_(owner) {}

    DocumentPanel* inspectorPanel() override { return as<DocumentPanel>("inspectorPanel", false); }
    DocumentPanel* lineEditorPanel() override { return as<DocumentPanel>("lineEditorPanel", false); }
    DocumentPanel* paragraphStylesPanel() override { return as<DocumentPanel>("paragraphStylesPanel", false); }
    DocumentPanel* graphicStylesPanel() override { return as<DocumentPanel>("graphicStylesPanel", false); }
    DocumentPanel* graphicsInspector() override { return as<DocumentPanel>("graphicsInspector", false); }
    DocumentPanel* paragraphInspector() override { return as<DocumentPanel>("paragraphInspector", false); }
    DocumentPanel* placementInspector() override { return as<DocumentPanel>("placementInspector", false); }
    DocumentPanel* linksPanel(bool create) override { return as<DocumentPanel>("linksPanel", create); }
    DocumentPanel* tabsPanel(bool create) override { return as<DocumentPanel>("tabsPanel", create); }
    PagesPanel* pagesPanel(bool create) override { return as<PagesPanel>("pagesPanel", create); }
    PageLayoutAccessory* pageLayoutAccessory(bool create) override
    {
        return as<PageLayoutAccessory>("pageLayoutAccessory", create);
    }
    MoveByPanel* moveByPanel(bool create) override { return as<MoveByPanel>("moveByPanel", create); }
    FindPanel* findPanel(bool create) override { return as<FindPanel>("findPanel", create); }
    kit::OpenPanel* placePanel(bool create) override { return owner_.placePanel(create); }
    ImportPanel* importPanel(bool create) override { return as<ImportPanel>("importPanel", create); }
    ToolPalette* toolbar() override { return dynamic_cast<ToolPalette*>(owner_.outlet("toolbar")); }

private:
    template <class T>
    T* as(const char* name, bool create)
    {
        kit::Object* made = create ? owner_.panelForDocuments(name) : owner_.outlet(name);
        if (T* panel = dynamic_cast<T*>(made))
            return panel;
        return dynamic_cast<T*>(documentPanelOf(made));
    }
    Layvane& owner_;
};

kit::Object* Layvane::panelForDocuments(const std::string& name) { return panel(name, true); }

void Layvane::installDocumentPanels()
{
    documentPanels_ = std::make_unique<LayvaneDocumentPanels>(*this);
    DocumentPanels::setShared(documentPanels_.get());
    // The character styles read the font accessory the registry makes.
    StyleChar::setFontAccessoryHook(
        [this](bool create) { return dynamic_cast<FontAccessoryValues*>(fontAccessory(create)); });
    // A text frame's indent commands go to the tabs panel, made for them.
    TextItem::panelCommandHook() = [this](const std::string& command, kit::Object* sender,
                                          TextSelection* selection) {
        static const char* const kTabsCommands[] = {"hangingIndentExpand:", "hangingIndentReduce:", "indentLeftIn:",
                                                    "indentLeftOut:",       "indentRightIn:",       "indentRightOut:"};
        for (const char* name : kTabsCommands)
            if (command == name) {
                if (auto* panel = dynamic_cast<kit::Receiver*>(tabsPanel(true)))
                    panel->performSelector(command, sender);
                return;
            }
        if (command == "enterSelection:")
            if (auto* panel = dynamic_cast<kit::Receiver*>(findPanel(true)))
                panel->performSelector(command, selection);
        // Format > Text's alignment and leading go through the paragraph
        // inspector, made with the inspector window (not shown) when none
        // is yet.
        if (command == "setAlignmentFromMenu:" || command == "setLeadingFromMenu:") {
            if (!outlet("paragraphInspector"))
                (void)panel("inspectorPanel", true);
            if (auto* inspector = dynamic_cast<kit::Receiver*>(outlet("paragraphInspector")))
                inspector->performSelector(command, sender);
        }
    };
}

void Layvane::removeDocumentPanels()
{
    if (documentPanels_ && &DocumentPanels::shared() == documentPanels_.get()) {
        DocumentPanels::setShared(nullptr);
        TextItem::panelCommandHook() = nullptr;
        StyleChar::setFontAccessoryHook(nullptr);
    }
    documentPanels_.reset();
}
