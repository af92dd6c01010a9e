// Launching: the steps after the application object exists, and the
// delegate's actions by name (what the menus and the queue send).

#include "app/Layvane.h"

#include "appkit/Application.h"
#include "appkit/Connection.h"
#include "appkit/FontPanel.h"
#include "appkit/PrintPanel.h"
#include "appkit/Window.h"
#include "appkit/Workspace.h"
#include "core/Alert.h"
#include "core/Bundle.h"
#include "document/LayoutDocument.h"
#include "foundation/CommonHelpers.h"
#include "foundation/FileManagerExtensions.h"
#include "foundation/Preferences.h"
#include "graphics/Font.h"
#include "view/PageView.h"
#include "view/PanelToolbar.h"

#include <cstdio>

void Layvane::applicationWillFinishLaunching() { installSignalHandlers(); }

void Layvane::appDidInit(kit::Object* sender, bool pending)
{
    (void)sender;
    if (launched_)
        return;
    launched_ = true;
    Preferences* prefs = preferences();
    const int mask = prefs->visibleMask() & 0xff;

    if (kit::Font* body = prefs->bodyFont())
        font_ = findFont(body->fontName(), body->pointSize(), true);
    else
        font_ = findFont("Times-Roman", 12, true);

    // The toolbar's interface file: its tools come with the toolbar. The
    // word processor starts with the text tool, the framework with the
    // selection tool.
    if (auto* toolbar = dynamic_cast<PanelToolbar*>(panel("toolbar", true))) {
        toolbar->setDocumentDelegate(this);
        toolbar->setActiveTool(startsWithTextTool() ? toolbar->textTool() : toolbar->selectTool());
        toolbar->orderFront(this);
    }
    initServices();
    // The desktop's picture of the program's documents (the links panel's
    // rows, the file lines of the inspectors).
    kit::Workspace::sharedWorkspace().setDocumentIcon(openTypes(), "ScrivlyDocument");
    (void)inspectorPanel();

    kit::FontPanel::installFontManagerHooks();
    // Printing asks where the job goes (a printer, or a PostScript file)
    // before it goes anywhere, whether or not a printer is set up.
    kit::PrintPanel::install();
    if (mask & 0x80)
        performSelector("runGraphicStyles:", this);
    if (mask & 0x08)
        performSelector("runParaStyles:", this);
    if (mask & 0x10)
        performSelector("runPages:", this);
    if (mask & 0x02)
        runFontPanel(this);
    if (mask & 0x04)
        performSelector("inspect:", nullptr);

    // The files named on the command line, after the program's name.
    for (size_t i = 1; i < arguments_.size(); ++i) {
        LayoutDocument* document = openFile(arguments_[i], true);
        if (document && document->isForeign())
            document->transformToNewUntitled();
    }

    if (!pending && documents_.empty() && (mask & 0x01))
        new_(true);
    launchedWithDocuments();

    setKeymapName(prefs->keymapName());
    scheduleAutoSave(firstAutoSaveDelay(prefs->autoSaveInterval()));
    _loadAPIIfEnabled();
    if (kit::Bundle* patch = kit::Bundle::bundleForResource("Patch"))
        (void)patch->principalClass();
}

void Layvane::initServices()
{
    // Services of other programs reach the desktop through the clipboard
    // bridge; the two services the program offers are its operations
    // newFromSelection and stuffFromSelection.
}

void Layvane::_loadAPIIfEnabled()
{
    if (!preferences()->isAPIEnabled())
        return;
    kit::Bundle* bundle = kit::Bundle::bundleForResource("Remotix");
    const kit::BundleClass* principal = bundle ? bundle->principalClass() : nullptr;
    if (!principal)
        return;
    std::unique_ptr<kit::Object> root = principal->create();
    auto* receiver = dynamic_cast<kit::Receiver*>(root.get());
    if (!receiver)
        return;
    if (kit::Connection::connectionWithRegisteredName(_apiConnectionName())) {
        std::fputs("API seems to be running on another copy of Scrivly.\n", stderr);
        kit::runAlertPanel(valueForStringKey("Scrivly"), valueForStringKey("APIalreadyRunningElsewhere"), "", "",
                           "");
        return;
    }
    static std::unique_ptr<kit::Connection> served;
    served = kit::Connection::serviceConnectionWithName(_apiConnectionName());
    if (!served)
        return;
    served->setRequestTimeout(18000.0);
    served->setReplyTimeout(18000.0);
    served->setRootObject(receiver);
    remoteObject_ = std::move(root);
}

bool Layvane::useColor() const { return bitDepth() > 0; }

// Every screen the program meets today is a 24-bit colour screen.
int Layvane::bitDepth() const { return 8; }

void Layvane::registerActions()
{
    auto command = [this](const char* name, std::function<void(kit::Object*)> body) {
        setAction(name, [this, body](kit::Object* sender) -> kit::Object* {
            followMainWindow();
            body(sender);
            return this;
        });
    };
    command("new:", [this](kit::Object*) { new_(true); });
    command("newFromTemplate:", [this](kit::Object*) { newFromTemplate(true); });
    command("open:", [this](kit::Object*) { open(true); });
    command("openTemplate:", [this](kit::Object*) { openTemplate(true); });
    command("saveAll:", [this](kit::Object* sender) { saveAll(sender); });
    auto toMain = [this, command](const char* name, std::function<void(LayoutDocument*, kit::Object*)> body) {
        command(name, [this, body](kit::Object* sender) {
            if (LayoutDocument* document = mainDocument())
                body(document, sender);
        });
    };
    toMain("close:", [](LayoutDocument* d, kit::Object* s) { d->close(s); });
    toMain("save:", [](LayoutDocument* d, kit::Object* s) { d->save(s); });
    toMain("saveAs:", [](LayoutDocument* d, kit::Object* s) { d->saveAs(s); });
    toMain("saveAsTemplate:", [](LayoutDocument* d, kit::Object* s) { d->saveAsTemplate(s); });
    toMain("revert:", [](LayoutDocument* d, kit::Object* s) { d->revert(s); });
    command("printDocument:", [this](kit::Object* sender) {
        if (mainPageView_)
            mainPageView_->printDocument(sender);
    });
    toMain("runPageLayout:", [](LayoutDocument* d, kit::Object* s) { d->runPageLayout(s); });
    toMain("runPaper:", [](LayoutDocument* d, kit::Object* s) { d->runPaper(s); });
    toMain("runMoveBy:", [](LayoutDocument* d, kit::Object* s) { d->runMoveBy(s); });
    command("terminate:", [this](kit::Object*) {
        if (applicationShouldTerminate())
            kit::Application::sharedApplication().stop(this);
    });
    setAction("autoSaveAll:", [this](kit::Object* sender) -> kit::Object* {
        autoSaveAll(sender);
        return this;
    });
    command("runFontPanel:", [this](kit::Object* sender) { runFontPanel(sender); });
    command("runSuggest:", [this](kit::Object* sender) { runSuggest(sender); });
    command("showHelp:", [this](kit::Object* sender) { showHelp(sender); });
    command("closeAllPanels:", [this](kit::Object* sender) { closeAllPanels(sender); });
    // Panels brought to the front, as their rows say.
    for (const PanelRow& row : panels_->rows())
        registerPanelCommand(row);
}
