#pragma once

#include <typeinfo>

// The application delegate of the layout framework. One instance, reachable
// from everywhere as Main and as the application's delegate: it owns the
// string table's use, the preferences, the list of open documents and the
// document commands, the autosave timer, quitting and the crash save, and
// the registry of panels.

#include "app/PanelHost.h"
#include "app/PanelRegistry.h"
#include "appkit/MenuValidation.h"
#include "appkit/NibLoader.h"
#include "appkit/Receiver.h"
#include "core/WeakLink.h"
#include "document/DocumentDelegate.h"
#include "foundation/ApplicationDelegate.h"
#include "view/PageWindowServices.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace kit {
class Event;
class Font;
class Image;
class Menu;
class OpenPanel;
class Panel;
class Pasteboard;
class StringTable;
}
class DocumentPanels;
class DocumentView;
class LayoutDocument;
class LinksInfo;
class StyleInfo;
class UndoInfo;
class PageView;
class Preferences;
class TextItem;
class UnitsInfo;

// One usable line of a key map (type encoding "{keymap=iii:}"): the key code
// it matches and the modifier bits that must be down, a replacement code (0:
// none; lines of a file always give 0) and the editing action.
struct keymap {
    int key = 0;
    int modifiers = 0;
    int result = 0;
    std::string action;

    bool operator==(const keymap&) const = default;
};

// What reading a key map's bytes gave: the records in file order, and the
// lines left out for being too long, not plain text or naming no known
// action (how many, and the first one's number from 1).
struct KeymapReading {
    std::vector<keymap> records;
    int skippedLines = 0;
    int firstSkippedLine = 0;
};

// A plain object made once at the delegate's class set-up: a marker value
// that stands for "no value" where nil cannot.
extern kit::Object* NoID;

class Layvane : public kit::Receiver,
                public kit::MenuValidation,
                public kit::NibOwner,
                public ApplicationDelegate,
                public DocumentDelegate,
                public PageWindowServices,
                public PanelHost,
                public GroupLoader {
public:
    // Class set-up, run once before any delegate exists, in this order:
    // NoID, the stored classes, the application-wide units, the largest
    // cached image size, the language name tables. The program loads the
    // import bundle just before (runMain); tests load it when they need it.
    static void initialize();
    // The units object made by the class set-up (mainUnitsInfo; nullptr
    // before it).
    static UnitsInfo* applicationUnitsInfo();

    // Reads the string table and becomes Main when there is none yet.
    Layvane();
    ~Layvane() override;
    Layvane(const Layvane&) = delete;
    Layvane& operator=(const Layvane&) = delete;

    std::string className() const override { return "Layvane"; }

    // ---- Class values (answered by the instance for its class).
    virtual std::string _apiConnectionName() const { return "LayvaneRemoteControl"; }
    bool prefersEmbeddedTabRulers() const override { return false; }
    // The pictures of a miniaturised document window, the second for a
    // document with unsaved changes: the images "LayvaneDocument" and
    // "LayvaneDocumentH" of the resources (nil when missing).
    kit::Image* miniwindowImage() override { return namedImage("LayvaneDocument"); }
    kit::Image* miniwindowImageH() override { return namedImage("LayvaneDocumentH"); }
    virtual std::string keymapFileExtension() const { return "keymap"; }
    // The folder of templates under the home folder; empty for none.
    virtual std::string templateDir() const { return std::string(); }
    // A new, empty document of the class the delegate makes.
    virtual std::unique_ptr<LayoutDocument> documentClass();
    // The extensions the open panel offers; empty for every file.
    virtual std::vector<std::string> openTypes();

    // The text of the key; "Missing String Key" when the table has none.
    const std::string& valueForStringKey(const std::string& key) const override;

    // Made on first use.
    Preferences* preferences() override;

    // Start-up: loads the import/export bundle ("Convala" in the resources
    // folder), which sets the program's import and export hooks. False when
    // it is missing or cannot be loaded; the program then goes without it.
    static bool loadImportExportBundle();

    // Whether every page carries automatic text columns (the word
    // processor) rather than columns placed by hand.
    bool prefersAutomaticTextItems() const override { return false; }
    // The tool active at launch: the selection tool, or the text tool.
    virtual bool startsWithTextTool() const { return false; }
    // Any subclass (the word processor) pastes items as a picture.
    bool pastesItemsAsPictures() const override { return typeid(*this) != typeid(Layvane); }

    // The default body font; drawing uses it for a style without a font.
    kit::Font* font() const override { return font_; }
    void setFont(kit::Font* font) override { font_ = font; }

    // ---- Key maps.
    // A name replaces the current key map, read at once; none clears the
    // name and drops the records (the built-in table alone applies). The
    // empty name (the preferences' "None") is no key map.
    void setKeymapName(const std::optional<std::string>& name) override;
    const std::optional<std::string>& keymapName() const { return keymapName_; }
    // The records of the named key map, read when none are loaded; nil when
    // no name was set. A missing or unreadable file gives an empty list.
    const std::vector<keymap>* keymappings() const;
    // Where the key map of the name is read: the user's folder
    // ($XDG_CONFIG_HOME/Scrivly) first, then the resources folder, as
    // "<name>.<keymapFileExtension>". Empty when neither holds one, or for
    // a name that is not a plain file name.
    std::string keymapPath(const std::string& name) const;
    // The lines of a key map file: "key part = action", a line at most 255
    // characters. Lines without "=", or whose key part has neither a double
    // quote followed by the key nor a function-key name, are passed over;
    // longer lines, lines that are not plain text and actions no object of
    // the program answers make no record and are counted.
    static KeymapReading readKeymap(std::string_view text);
    static constexpr std::size_t MaxKeymapLine = 255;
    // The key-map file read at most this far.
    static constexpr std::size_t MaxKeymapFileSize = 1 << 20;

    // The first record for the key code (by reference) whose modifiers are
    // all down, for a key down only: its replacement code, or 0x0F7A and
    // its action. False when none matches.
    bool findKeymappingForEvent(const kit::Event& event, std::uint16_t* key, std::string* action) const override;
    // The 16-bit text key code of the key event: the key map first, then
    // the built-in key table; 0x0F7A with the action's name filled in for a
    // key bound to an editing action.
    std::uint16_t convertKeyEvent(const kit::Event& event, std::string* action) const override;

    // True when the font name was reported before; otherwise remembers it.
    bool haveSeenBogusFont(const std::string& name) override;
    SelectionPanel* graphicsInspectorPanel() override;
    SelectionPanel* linksSelectionPanel() override;
    ParagraphInspectorPanel* paragraphInspectorPanel() override;
    void destroyBogusFontList();

    // ---- Launching.
    // The application is about to run: the fatal-signal handler.
    void applicationWillFinishLaunching();
    // The launching steps, once: panels, the command line's files (the
    // arguments after the program's name), a new document when none is
    // open, the key map, the first autosave, the remote interface, the
    // "Patch" bundle.
    void appDidInit(kit::Object* sender, bool pending);
    void setCommandLineArguments(std::vector<std::string> arguments) { arguments_ = std::move(arguments); }
    bool didLaunch() const { return launched_; }
    void initServices();
    void _loadAPIIfEnabled();
    // The deepest screen has colours; its bits per sample.
    bool useColor() const;
    int bitDepth() const;
    // Makes the members of a group by their class names (only
    // "Inspectors" has any), each set up for the owner, skipping classes
    // not built; then the owner starts.
    void loadClasses(const std::string& group, kit::Object* owner) override;

    // ---- The open documents, owned here.
    std::vector<LayoutDocument*> documents() const override;
    // Adding a document already listed does nothing: a document is listed
    // exactly once however many paths report it.
    void addDocument(std::unique_ptr<LayoutDocument> document) override;
    std::unique_ptr<LayoutDocument> removeDocument(LayoutDocument* document) override;
    // Hooks after a document was made or saved: nothing in the layout
    // framework.
    void documentDidCreate(LayoutDocument* document) override { (void)document; }
    void documentDidSave(LayoutDocument* document) override { (void)document; }
    // The panels forget the document, which leaves the list.
    std::unique_ptr<LayoutDocument> documentDidClose(LayoutDocument* document) override;
    void setOpeningFile(bool flag) override { openingFile_ = flag; }
    bool openingFile() const override { return openingFile_; }
    // The save panel's accessories (none until set).
    kit::Panel* saveAsAccessoryPanel() override { return saveAsAccessoryPanel_.get(); }
    kit::Panel* saveAsTemplateAccessoryPanel() override { return saveAsTemplateAccessoryPanel_.get(); }
    void setSaveAsAccessoryPanel(std::unique_ptr<kit::Panel> panel);
    void setSaveAsTemplateAccessoryPanel(std::unique_ptr<kit::Panel> panel);

    // ---- The main page view and the parts taken from its document.
    // The document of the main window and its page view (not owned); nil
    // when there is none.
    LayoutDocument* mainDocument() const override { return mainDocument_; }
    // A document made main without a window (tests, tools).
    void setMainDocument(LayoutDocument* document) { mainDocument_ = document; }
    PageView* mainPageView() const override { return mainPageView_.get(); }
    // The view's document becomes the main document (nil: none): its print
    // settings, undo stack, units, style sheet and links become the
    // current ones and the panels show it.
    virtual void setMainPageView(PageView* view);
    DocumentView* mainDocumentView() const override;
    void setMainDocumentView(DocumentView* view) override;
    // The key window's page view (the main window's while a panel is key)
    // becomes the main one when it changed.
    void followMainWindow();
    UnitsInfo* unitsInfo() const { return unitsInfo_; }
    void setUnitsInfo(UnitsInfo* units);
    UndoInfo* undoInfo() const { return undoInfo_; }
    StyleInfo* styleInfo() const override { return styleInfo_; }
    LinksInfo* linksInfo() const { return linksInfo_; }

    // ---- Document commands (Part of the File menu).
    // Opens the file (a relative path from the current folder). A document
    // open on the same file, under any name for it (a symbolic link, a
    // path with "..", another hard link), is brought to the front and
    // answered instead; nil when the file does not open.
    virtual LayoutDocument* openFile(const std::string& path, bool display);
    // A new untitled document: from the preferences' template file when it
    // opens, else a fresh one.
    virtual LayoutDocument* new_(bool display);
    LayoutDocument* newGeneric(bool display);
    LayoutDocument* open(bool display) { return openWithPanel(display, false); }
    LayoutDocument* newFromTemplate(bool display);
    LayoutDocument* openTemplate(bool display);
    void saveAll(kit::Object* sender);
    // The workspace (a second launch, the desktop) opens a file.
    bool applicationOpenFile(const std::string& path);
    // Every open document, the main one first, checks its linked files.
    void applicationDidBecomeActive();
    bool validateMenuItem(kit::MenuItem* item) override;
    // The first open document whose file is the named one, or nil.
    LayoutDocument* findDocumentNamed(const std::string& name) const;

    // ---- Services.
    bool newFromSelection(kit::Pasteboard* pasteboard, std::string* error);
    bool stuffFromSelection(kit::Pasteboard* pasteboard, std::string* error);
    bool pasteStuffFromPasteBoard(kit::Pasteboard* pasteboard, TextItem* column);

    // ---- Autosave, crash save and quit.
    // Saves every edited document that has a file, then asks to be called
    // again after the interval.
    void autoSaveAll(kit::Object* sender);
    // When the first autosave comes, and every later one ("AutoSaveInterval"
    // in minutes; 5 minutes for none).
    static double firstAutoSaveDelay(int interval);
    static double laterAutoSaveDelay(int interval);
    // Withdraws any autosave asked for and asks for one after the delay.
    void scheduleAutoSave(double delay);
    static int hasEditedDocument(const std::vector<LayoutDocument*>& documents);
    // Whether the program may end; a crash writes crash copies and answers
    // NO.
    bool terminateCheck(bool crash);
    // The quit check, then the visible panels and the preferences are
    // stored.
    bool applicationShouldTerminate();
    bool appPowerOff();
    // The documents stored on the device (a folder and what is inside it,
    // never a folder whose name only begins alike) are saved when edited
    // and closed.
    void appUnmounting(const std::string& devicePath);
    // The fatal-signal handler for hang-up, interrupt, illegal
    // instruction, bus error, segmentation fault, abort and floating-point
    // exception, on a stack of its own.
    static void installSignalHandlers();
    static void segfault_cleanup(int signal);

    // ---- Panels registry: one row a panel (PanelRegistry.h). Each getter
    // makes its panel once, when create is set; nil for a panel that is not
    // there (its builder is not built) or not made yet.
    kit::Object* infoPanel(bool create) { return panel("infoPanel", create); }
    kit::Object* preferencesPanel(bool create) { return panel("preferencesPanel", create); }
    kit::Object* alignmentPanel(bool create) { return panel("alignmentPanel", create); }
    kit::Object* lineEditorPanel(bool create) { return panel("lineEditorPanel", create); }
    kit::Object* graphicStylesPanel(bool create) { return panel("graphicStylesPanel", create); }
    kit::Object* paragraphStylesPanel(bool create) { return panel("paragraphStylesPanel", create); }
    kit::Object* columnsInspector(bool create) { return panel("columnsInspector", create); }
    kit::Object* pagesPanel(bool create) { return panel("pagesPanel", create); }
    kit::Object* gotoPagesPanel(bool create) { return panel("gotoPagesPanel", create); }
    kit::Object* addPagesPanel(bool create) { return panel("addPagesPanel", create); }
    kit::Object* deletePagesPanel(bool create) { return panel("deletePagesPanel", create); }
    kit::Object* collapsePagesPanel(bool create) { return panel("collapsePagesPanel", create); }
    kit::Object* zoomPanel(bool create) override { return panel("zoomPanel", create); }
    kit::Object* spellPanel(bool create) { return panel("spellPanel", create); }
    kit::Object* findPanel(bool create) { return panel("findPanel", create); }
    kit::Object* linksPanel(bool create) { return panel("linksPanel", create); }
    kit::Object* tabsPanel(bool create) override { return panel("tabsPanel", create); }
    kit::Object* pageLayoutAccessory(bool create) { return panel("pageLayoutAccessory", create); }
    kit::Object* fontAccessory(bool create) { return panel("fontAccessory", create); }
    kit::Object* printAccessory(bool create) { return panel("printAccessory", create); }
    kit::Object* moveByPanel(bool create) { return panel("moveByPanel", create); }
    kit::Object* importPanel(bool create) { return panel("importPanel", create); }
    kit::Object* characterSetPanel(bool create) { return panel("characterSetPanel", create); }
    kit::Object* paragraphNumberingPanel(bool create) { return panel("paragraphNumberingPanel", create); }
    // The inspector window, made on first call (nil while it is not built).
    kit::Object* inspectorPanel() { return panel("inspectorPanel", true); }
    // The inspectors, set by each when it is made.
    kit::Object* paragraphInspector() const { return outlet("paragraphInspector"); }
    void setParagraphInspector(kit::Object* inspector) { (void)setOutlet("paragraphInspector", inspector); }
    kit::Object* graphicsInspector() const { return outlet("graphicsInspector"); }
    void setGraphicsInspector(kit::Object* inspector) { (void)setOutlet("graphicsInspector", inspector); }
    kit::Object* placementInspector() const { return outlet("placementInspector"); }
    void setPlacementInspector(kit::Object* inspector) { (void)setOutlet("placementInspector", inspector); }
    kit::Object* toolbar() const { return outlet("toolbar"); }
    // The shared open panel titled for opening, placing or replacing.
    kit::OpenPanel* openPanel(bool create);
    kit::OpenPanel* placePanel(bool create);
    kit::OpenPanel* replacePanel(bool create);
    // The panel of a row, made when asked and needed; nil for none.
    kit::Object* panel(const std::string& name, bool create);
    // The panel an outlet holds; nil for none.
    kit::Object* outlet(const std::string& name) const;
    // The interface file of a panel ("" for a panel without one).
    std::string panelFile(const std::string& name) const;
    // Whether a panel command can do anything: its panel exists or its
    // builder is there, and a panel run for a document has the main one.
    bool canRunPanel(const std::string& action) const;
    // Adds a panel (or replaces the row of its name) with its command.
    void addPanelRow(PanelRow row);
    const PanelRegistry& panelRegistry() const { return *panels_; }
    // The panel of the outlet, made when needed (what the documents ask).
    kit::Object* panelForDocuments(const std::string& name);
    // The documents reach this registry while the delegate is Main.
    void installDocumentPanels();
    void removeDocumentPanels();
    // Loading an interface file fills the outlet of that name.
    bool setOutlet(const std::string& name, kit::Object* object) override;

    void runFontPanel(kit::Object* sender);
    // The tabs panel shows the selection's paragraph, placed by its frame.
    void runTabs(kit::Object* sender) { runPanel("tabsPanel", sender); }
    // A row's command: its panel made, its own steps, then brought forward.
    void runPanel(const std::string& name, kit::Object* sender);
    void runSuggest(kit::Object* sender);
    void showHelp(kit::Object* sender);
    // Every visible panel but the toolbar's closes.
    void closeAllPanels(kit::Object* sender);

    // ---- The menus over the kit: the main menu with the commands'
    // actions, tags and key equivalents (Command is the Super key).
    virtual std::unique_ptr<kit::Menu> makeMainMenu();

protected:
    virtual std::unique_ptr<Preferences> makePreferences();
    // A fresh document made by newGeneric, before its first view.
    virtual void prepareNewDocument(LayoutDocument& document) { (void)document; }
    // After the launch's documents are there.
    virtual void launchedWithDocuments() {}
    // The rows of the layout framework's panels.
    std::vector<PanelRow> panelRows();
    // The delegate's actions by their names.
    void registerActions();
    // The image of the resources by that name, read once and kept by the
    // delegate; nil when there is none.
    kit::Image* namedImage(const std::string& name);
    // Opens the file afresh (never an open document) with the flag for
    // templates' tokens set.
    LayoutDocument* readTemplate(const std::string& path, bool display);
    LayoutDocument* openWithPanel(bool display, bool fromTemplate);
    // The visible-panels mask to store at quit.
    int visiblePanelsMask();

private:
    void registerPanelCommand(const PanelRow& row);
    // The visible panels that follow the main document show its selection.
    void showMainDocumentInPanels(LayoutDocument* document);
    // The panels drop what they show of a closing document.
    void forgetDocumentInPanels();

    const kit::StringTable* stringTable_ = nullptr;
    std::unique_ptr<Preferences> preferences_;
    kit::Font* font_ = nullptr;
    std::optional<std::string> keymapName_;
    mutable std::unique_ptr<std::vector<keymap>> keymappings_; // nil until a name is set
    std::unique_ptr<std::set<std::string>> bogusFonts_; // made on first report
    // A window's view may go before its document closes.
    kit::WeakLink<PageView> mainPageView_;
    LayoutDocument* mainDocument_ = nullptr; // the main page view's, checked against the list
    UnitsInfo* unitsInfo_ = nullptr;
    UndoInfo* undoInfo_ = nullptr;
    StyleInfo* styleInfo_ = nullptr;
    LinksInfo* linksInfo_ = nullptr;
    std::vector<std::unique_ptr<LayoutDocument>> documents_;
    bool openingFile_ = false;
    bool launched_ = false;
    std::vector<std::string> arguments_;
    std::unique_ptr<kit::Panel> saveAsAccessoryPanel_;
    std::unique_ptr<kit::Panel> saveAsTemplateAccessoryPanel_;
    std::unique_ptr<PanelRegistry> panels_;
    std::unique_ptr<kit::Object> remoteObject_;
    std::map<std::string, std::unique_ptr<kit::Image>> namedImages_; // nil: looked for, missing
    // The registry as the documents reach it (installed while this is Main).
    std::unique_ptr<DocumentPanels> documentPanels_;
};
