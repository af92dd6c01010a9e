// The registry of panels: each made at most once from its interface file,
// the delegate as the file's owner, and kept for the life of the program;
// and the commands that bring panels to the front.

#include "app/Layvane.h"

#include "appkit/Application.h"
#include "appkit/FontPanel.h"
#include "appkit/OpenPanel.h"
#include "appkit/Panel.h"
#include "appkit/Workspace.h"
#include "core/Alert.h"
#include "core/Bundle.h"
#include "core/FileManager.h"
#include "document/DocumentPanels.h"
#include "document/LayoutDocument.h"
#include "graphics/FontManager.h"
#include "items/TextItem.h"

#include <map>

namespace {

// The interface file that fills each outlet.
const std::map<std::string, std::string>& panelFiles()
{
    static const std::map<std::string, std::string> files = {
        {"infoPanel", "PanelInfo.nib"},
        {"preferencesPanel", "PanelPreferences.nib"},
        {"alignmentPanel", "AlignmentPanel.nib"},
        {"lineEditorPanel", "PanelLineEditor.nib"},
        {"graphicStylesPanel", "GPanelStyles.nib"},
        {"paragraphStylesPanel", "PanelStyles.nib"},
        {"columnsInspector", "ColumnsInspector.nib"},
        {"pagesPanel", "PanelPages.nib"},
        {"gotoPagesPanel", "PanelPagesGoto.nib"},
        {"addPagesPanel", "PanelPagesAdd.nib"},
        {"deletePagesPanel", "PanelPagesDelete.nib"},
        {"collapsePagesPanel", "PanelPagesCollapse.nib"},
        {"zoomPanel", "PanelZoom.nib"},
        {"spellPanel", "PanelSpellCheck.nib"},
        {"findPanel", "PanelFind.nib"},
        {"linksPanel", "LinksPanel.nib"},
        {"tabsPanel", "PanelTabs.nib"},
        {"pageLayoutAccessory", "PanelLayoutAccessory.nib"},
        {"fontAccessory", "FontAccessory.nib"},
        {"printAccessory", "PrintAccessory.nib"},
        {"moveByPanel", "PanelMoveBy.nib"},
        {"importPanel", "PanelImport.nib"},
        {"characterSetPanel", "CharacterSetPanel.nib"},
        {"paragraphNumberingPanel", "PanelAutonumbering.nib"},
        // The inspector window is a class of its own, registered under this
        // name by the inspectors when they are built.
        {"inspectorPanel", "ZynInspectorPanel.nib"},
        {"toolbar", "PanelToolbar.nib"},
    };
    return files;
}

// The panel each run command needs.
const std::map<std::string, std::string>& commandPanels()
{
    static const std::map<std::string, std::string> panels = {
        {"runInfo:", "infoPanel"},
        {"showInfoPanel:", "infoPanel"},
        {"runPreferences:", "preferencesPanel"},
        {"runAlignment:", "alignmentPanel"},
        {"runLineEditor:", "lineEditorPanel"},
        {"runGraphicStyles:", "graphicStylesPanel"},
        {"runParaStyles:", "paragraphStylesPanel"},
        {"runPages:", "pagesPanel"},
        {"runSpellCheck:", "spellPanel"},
        {"runFind:", "findPanel"},
        {"runLinksPanel:", "linksPanel"},
        {"runTabs:", "tabsPanel"},
        {"runColumnsInspector:", "columnsInspector"},
        {"runParaNumbering:", "paragraphNumberingPanel"},
        {"showCharacterSetPanel:", "characterSetPanel"},
        {"inspect:", "inspectorPanel"},
        {"runGotoPage:", "gotoPagesPanel"},
        {"runMoveBy:", "moveByPanel"},
    };
    return panels;
}

} // namespace

std::string Layvane::panelFile(const std::string& name) const
{
    const auto found = panelFiles().find(name);
    return found == panelFiles().end() ? std::string() : found->second;
}

kit::Object* Layvane::outlet(const std::string& name) const
{
    const auto found = outlets_.find(name);
    return found == outlets_.end() ? nullptr : found->second;
}

bool Layvane::setOutlet(const std::string& name, kit::Object* object)
{
    if (!panelFiles().count(name) && name != "stylesPanel")
        return false;
    // The styles panels' files both name their panel "stylesPanel".
    outlets_[name] = object;
    return true;
}

kit::Object* Layvane::panel(const std::string& name, bool create)
{
    if (kit::Object* existing = outlet(name))
        return existing;
    if (!create)
        return nullptr;
    const std::string file = panelFile(name);
    if (file.empty() || !kit::NibLoader::isRegistered(file))
        return nullptr;
    std::vector<std::unique_ptr<kit::Object>> made;
    if (!kit::NibLoader::loadNibFile(file, this, &made))
        return nullptr;
    for (auto& object : made)
        panelObjects_.push_back(std::move(object));
    if (!outlet(name))
        if (kit::Object* styles = outlet("stylesPanel")) {
            outlets_[name] = styles;
            outlets_.erase("stylesPanel");
        }
    kit::Object* made_ = outlet(name);
    if (auto* window = dynamic_cast<kit::Window*>(made_))
        if (window->delegate() == nullptr)
            window->setDelegate(this);
    return made_;
}

kit::Object* Layvane::paragraphStylesPanel(bool create)
{
    if (create && !outlet("paragraphStylesPanel") && kit::NibLoader::isRegistered(panelFile("paragraphStylesPanel")))
        (void)tabsPanel(true);
    kit::Object* made = panel("paragraphStylesPanel", create);
    return made;
}

bool Layvane::canRunPanel(const std::string& action) const
{
    if (action == "runFontPanel:" || action == "runSuggest:")
        return true;
    const auto found = commandPanels().find(action);
    if (found == commandPanels().end())
        return true;
    if (outlet(found->second))
        return true;
    const std::string file = panelFile(found->second);
    return !file.empty() && kit::NibLoader::isRegistered(file);
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
    (void)fontAccessory(true); // its view goes below the panel once it is built
    panel->setFloatingPanel(false);
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
    kit::Object* bar = toolbar();
    for (kit::Window* window : kit::Application::sharedApplication().windows())
        if (dynamic_cast<kit::Panel*>(window) && window->isVisible() && window != bar)
            window->performClose(this);
}

// The documents reach the panels through their own interfaces: a panel of
// the registry answers for each interface it implements.
class LayvaneDocumentPanels : public DocumentPanels {
public:
    explicit LayvaneDocumentPanels(Layvane& owner) : owner_(owner) {}

    DocumentPanel* inspectorPanel() override { return as<DocumentPanel>("inspectorPanel", false); }
    DocumentPanel* lineEditorPanel() override { return dynamic_cast<DocumentPanel*>(owner_.lineEditorPanel(false)); }
    DocumentPanel* paragraphStylesPanel() override { return as<DocumentPanel>("paragraphStylesPanel", false); }
    DocumentPanel* graphicStylesPanel() override
    {
        return dynamic_cast<DocumentPanel*>(owner_.graphicStylesPanel(false));
    }
    DocumentPanel* graphicsInspector() override { return as<DocumentPanel>("GraphicsInspector", false); }
    DocumentPanel* paragraphInspector() override { return as<DocumentPanel>("ParagraphInspector", false); }
    DocumentPanel* placementInspector() override { return as<DocumentPanel>("PlacementInspector", false); }
    DocumentPanel* linksPanel(bool create) override { return as<DocumentPanel>("linksPanel", create); }
    DocumentPanel* tabsPanel(bool create) override { return as<DocumentPanel>("tabsPanel", create); }
    PagesPanel* pagesPanel(bool create) override { return as<PagesPanel>("pagesPanel", create); }
    PageLayoutAccessory* pageLayoutAccessory(bool create) override
    {
        return as<PageLayoutAccessory>("pageLayoutAccessory", create);
    }
    MoveByPanel* moveByPanel(bool create) override { return as<MoveByPanel>("moveByPanel", create); }
    kit::OpenPanel* placePanel(bool create) override { return owner_.placePanel(create); }
    ImportPanel* importPanel(bool create) override { return as<ImportPanel>("importPanel", create); }

private:
    template <class T>
    T* as(const char* name, bool create)
    {
        return dynamic_cast<T*>(create ? owner_.panelForDocuments(name) : owner_.outlet(name));
    }
    Layvane& owner_;
};

kit::Object* Layvane::panelForDocuments(const std::string& name) { return panel(name, true); }

void Layvane::installDocumentPanels()
{
    documentPanels_ = std::make_unique<LayvaneDocumentPanels>(*this);
    DocumentPanels::setShared(documentPanels_.get());
    // A text frame's indent commands go to the tabs panel, made for them.
    TextItem::panelCommandHook() = [this](const std::string& command, kit::Object* sender, TextSelection*) {
        static const char* const kTabsCommands[] = {"hangingIndentExpand:", "hangingIndentReduce:", "indentLeftIn:",
                                                    "indentLeftOut:",       "indentRightIn:",       "indentRightOut:"};
        for (const char* name : kTabsCommands)
            if (command == name) {
                if (auto* panel = dynamic_cast<kit::Receiver*>(tabsPanel(true)))
                    panel->performSelector(command, sender);
                return;
            }
    };
}

void Layvane::removeDocumentPanels()
{
    if (documentPanels_ && &DocumentPanels::shared() == documentPanels_.get()) {
        DocumentPanels::setShared(nullptr);
        TextItem::panelCommandHook() = nullptr;
    }
    documentPanels_.reset();
}

void Layvane::runTabs(kit::Object* sender)
{
    (void)sender;
    kit::Object* made = tabsPanel(true);
    if (auto* panel = dynamic_cast<DocumentPanel*>(made))
        panel->inspect(mainDocument_ ? mainDocument_->selected() : std::vector<Item*>{});
    if (auto* receiver = dynamic_cast<kit::Receiver*>(made))
        receiver->performSelector("alignPanel:", this);
    if (auto* window = dynamic_cast<kit::Window*>(made))
        window->orderFront(this);
}
