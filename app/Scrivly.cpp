#include "app/Scrivly.h"

#include "app/ScrivlyDocument.h"
#include "app/ScrivlyPreferences.h"
#include "appkit/Application.h"
#include "appkit/Connection.h"
#include "appkit/Menu.h"
#include "appkit/MenuItem.h"
#include "appkit/NibLoader.h"
#include "appkit/PopUpButton.h"
#include "appkit/SavePanel.h"
#include "appkit/View.h"
#include "core/Alert.h"
#include "core/FileManager.h"
#include "document/DocumentWindowView.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "items/TextItem.h"
#include "text/DocumentView.h"
#include "appkit/Window.h"
#include "document/UndoInfo.h"
#include "document/ZynDocumentContents.h"

#include <cstdio>

#include <cstdint>
#include <cstdlib>

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

void Scrivly::initialize()
{
    Layvane::initialize();
    ScrivlyPreferences::initialize();
    ScrivlyDocument::initialize();
    UndoInfo::initialize();
    registerMainInterface();
}

void Scrivly::registerMainInterface()
{
    kit::NibLoader::registerNib("Scrivly.nib", [](kit::NibLoad& load) {
        auto* application = load.ownerAs<kit::Application>();
        if (!application)
            return false;
        Scrivly* delegate = load.addTopLevelObject(std::make_unique<Scrivly>());
        application->setDelegate(delegate);
        application->setMainMenu(delegate->makeMainMenu());
        if (kit::Menu* menu = application->mainMenu())
            menu->setMenuBarVisible(true);
        application->setDidBecomeActiveHandler([delegate] { delegate->applicationDidBecomeActive(); });
        application->setSessionEndHandler([delegate] { return delegate->appPowerOff(); });
        return true;
    });
}

Scrivly::Scrivly()
{
    // The document's Save To asks the accessory's pop-up for its type.
    ScrivlyDocument::saveToTypeSource() = [this] { return saveToType(); };
}

Scrivly::~Scrivly() { ScrivlyDocument::saveToTypeSource() = nullptr; }

std::unique_ptr<LayoutDocument> Scrivly::documentClass() { return std::make_unique<ScrivlyDocument>(preferences()); }

void Scrivly::documentDidCreate(LayoutDocument* document)
{
    Layvane::documentDidCreate(document);
    // The caret goes into the main text of the page most in view, so that
    // a new or opened document can be typed into at once.
    auto* words = dynamic_cast<ScrivlyDocument*>(document);
    DocumentView* view = words ? words->mainView() : nullptr;
    if (!view || view->isEditing() || !view->window() || !view->window()->isVisible())
        return;
    auto* placed = dynamic_cast<DocumentWindowView*>(view);
    Page* page = placed ? placed->mostVisiblePage() : nullptr;
    if (!page && words->numPages() > 0)
        page = words->pageAt(0);
    if (TextItem* main = words->mainTextItemForPage(page))
        view->beginEditingItem(main);
}

std::unique_ptr<Preferences> Scrivly::makePreferences() { return Preferences::create<ScrivlyPreferences>(); }

std::vector<std::string> Scrivly::inspectorClassNames() const { return {"ParagraphInspector", "GraphicsInspector"}; }

std::string Scrivly::panelFile(const std::string& name) const
{
    if (name == "infoPanel")
        return "Info.nib";
    if (name == "printAccessory" || name == "graphicStylesPanel" || name == "lineEditorPanel")
        return std::string();
    return Layvane::panelFile(name);
}

LayoutDocument* Scrivly::openFile(const std::string& path, bool display)
{
    setOpeningFile(true);
    LayoutDocument* document = Layvane::openFile(path, display);
    setOpeningFile(false);
    return document;
}

void Scrivly::launchedWithDocuments() { setupSaveToAccessory(); }

void Scrivly::prepareNewDocument(LayoutDocument& document)
{
    if (auto* prefs = dynamic_cast<ScrivlyPreferences*>(preferences()))
        if (prefs->saveFormat())
            document.setFileFormat(*prefs->saveFormat());
}

int Scrivly::setupSaveToAccessory()
{
    const std::vector<std::string> foreign = ZynDocumentContents::saveFileTypesForType(ZynICFPboardType);
    if (!saveToAccessoryView_) {
        saveToAccessoryView_ = std::make_unique<kit::View>(kit::makeRect(0, 0, 300, 40));
        auto popup = std::make_unique<kit::PopUpButton>(kit::makeRect(20, 8, 260, 24));
        saveToAccessoryPopup_ = popup.get();
        saveToAccessoryView_->addSubview(std::move(popup));
    }
    kit::PopUpButton* popup = saveToAccessoryPopup_;
    popup->setTarget(this);
    popup->setAction("setSaveToType:");
    popup->removeAllItems();
    const std::unique_ptr<LayoutDocument> probe = documentClass();
    popup->addItemWithTitle(probe->documentPboardType());
    popup->addItemWithTitle(probe->templatePboardType());
    for (const std::string& type : foreign)
        popup->addItemWithTitle(type);
    popup->addItemWithTitle("Rich Text Format (rtf)");
    popup->addItemWithTitle("Rich Text Format Directory (rtfd)");
    popup->addItemWithTitle("ascii");
    popup->selectItemAtIndex(0);
    setAction("setSaveToType:", [this](kit::Object* sender) -> kit::Object* {
        setSaveToType(sender);
        return this;
    });
    setAction("saveTo:", [this](kit::Object* sender) -> kit::Object* {
        followMainWindow();
        saveTo(sender);
        return this;
    });
    return int(foreign.size()) + 5;
}

std::optional<std::string> Scrivly::extensionForPBoardType(const std::string& type)
{
    const size_t open = type.rfind('(');
    const size_t close = type.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close <= open + 1)
        return std::nullopt;
    return type.substr(open + 1, close - open - 1);
}

std::string Scrivly::saveToType() const
{
    return saveToAccessoryPopup_ ? saveToAccessoryPopup_->titleOfSelectedItem() : std::string();
}

void Scrivly::setSaveToType(kit::Object* sender)
{
    auto* popup = dynamic_cast<kit::PopUpButton*>(sender);
    if (!popup)
        return;
    // The running save panel asks for the new type at once.
    kit::SavePanel::savePanel()->setRequiredFileType(extensionForPBoardType(popup->titleOfSelectedItem()).value_or(""));
}

bool Scrivly::saveTo(kit::Object* sender)
{
    (void)sender;
    LayoutDocument* document = mainDocument();
    if (!document)
        return false;
    if (!saveToAccessoryView_)
        setupSaveToAccessory();
    kit::SavePanel* panel = kit::SavePanel::savePanel();
    std::unique_ptr<kit::View> previous = panel->setAccessoryView(std::move(saveToAccessoryView_));
    panel->setRequiredFileType(extensionForPBoardType(saveToType()).value_or(""));
    std::string folder;
    std::string name;
    if (document->named()) {
        folder = kit::FileManager::stringByDeletingLastPathComponent(document->filename());
        name = kit::FileManager::stringByDeletingPathExtension(kit::FileManager::lastPathComponent(document->filename()));
    }
    const int answer = panel->runModalForDirectory(folder, name);
    saveToAccessoryView_ = panel->setAccessoryView(std::move(previous));
    if (answer != kit::FileHandlingPanelOKButton)
        return false;
    const std::string path = panel->filename();
    const int index = saveToAccessoryPopup_->indexOfSelectedItem();
    // The first two are the program's own form; the others need the import
    // and export bundle's writers.
    const int previousFlag = document->saveFlag();
    document->setSaveFlag(Document::SaveModeSaveTo);
    // The word processor's document writes its own form or a foreign one
    // and tells a failure itself.
    if (auto* words = dynamic_cast<ScrivlyDocument*>(document)) {
        const bool written = words->saveFile(path, false);
        document->setSaveFlag(previousFlag);
        return written;
    }
    const bool written = index <= 1 && document->writeToPath(path);
    document->setSaveFlag(previousFlag);
    if (!written)
        kit::runAlertPanel("Save", "Could not save %@.", "", "", "", {path});
    return written;
}

bool Scrivly::validateMenuItem(kit::MenuItem* item)
{
    if (item->action() == "saveTo:") {
        followMainWindow();
        return mainDocument() != nullptr;
    }
    // The columns dialog sets the word processor's page columns only.
    if (item->action() == "runColumnsInspector:") {
        followMainWindow();
        if (!dynamic_cast<ScrivlyDocument*>(mainDocument()))
            return false;
    }
    return Layvane::validateMenuItem(item);
}

namespace {

// A running program that cannot be reached keeps its files: opening them
// here too would let two programs write one file.
int cannotReachRunningProgram(const std::string& why)
{
    std::fprintf(stderr,
                 "Scrivly: the running program did not take the files: %s. Scrivly runs already and does not answer; "
                 "nothing was opened here, so that two programs never write one file.\n",
                 why.c_str());
    return 1;
}

} // namespace

void Scrivly::prepareProcess()
{
    // The system hands out memory a page at a time, and the first write to
    // each page is what a first open or a first print costs above a repeat.
    // Blocks up to 32 MB come from the heap rather than mappings of their
    // own, which the allocator would give back (and fault in anew) as soon
    // as they are freed.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    // A document of a few hundred pages is a few hundred thousand small
    // blocks over a hundred megabytes: on 4 KB pages every first write is a
    // fault and most reads miss the address cache. The heap grows once by
    // a reserve that the system maps on huge pages as they are first
    // written (only written pages take memory), and the reserve is kept
    // when blocks are freed.
    constexpr long reserve = 256L << 20;
    mallopt(M_TOP_PAD, int(reserve));
    mallopt(M_TRIM_THRESHOLD, int(2 * reserve));
    auto* before = static_cast<char*>(sbrk(0));
    // Larger than the free top of the heap the libraries left, smaller than
    // a block of its own mapping: the heap grows by it and the reserve.
    // (Held in a volatile, the block cannot be optimised away.)
    void* volatile probe = std::malloc(8 << 20);
    std::free(probe);
    auto* after = static_cast<char*>(sbrk(0));
    constexpr std::uintptr_t huge = 2u << 20;
    const std::uintptr_t from = (reinterpret_cast<std::uintptr_t>(before) + huge - 1) & ~(huge - 1);
    const std::uintptr_t to = reinterpret_cast<std::uintptr_t>(after) & ~(huge - 1);
    if (before != reinterpret_cast<char*>(-1) && to > from)
        madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

int Scrivly::runMain(const std::vector<std::string>& arguments, const std::string& mainInterface)
{
    prepareProcess();
    std::string why;
    switch (handOverToRunningProgram(arguments, &why)) {
    case HandOver::Taken: return 0;
    case HandOver::Unreachable: return cannotReachRunningProgram(why);
    case HandOver::NoProgram: break;
    }

    kit::Application& application = kit::Application::sharedApplication();
    // The import bundle binds its operations to the program's classes as
    // its principal class is asked for; a missing bundle is skipped. Only
    // the program loads it: tests choose whether they want it.
    (void)loadImportExportBundle();
    Scrivly::initialize();
    std::vector<std::unique_ptr<kit::Object>> made;
    if (!kit::NibLoader::loadNibFile(mainInterface, &application, &made)) {
        std::fputs(("Scrivly: the main interface file \"" + mainInterface + "\" could not be loaded; the program cannot start.\n").c_str(),
                   stderr);
        return 1;
    }
    auto* delegate = dynamic_cast<Scrivly*>(application.delegate());
    if (!delegate) {
        std::fputs("Scrivly: the main interface file made no application delegate; the program cannot start.\n",
                   stderr);
        return 1;
    }

    // A second launch that starts meanwhile finds this one; when another
    // started first, the files go to it.
    bool servedElsewhere = false;
    std::unique_ptr<kit::Connection> launcher = delegate->serveLaunchConnection(&servedElsewhere);
    if (!launcher && servedElsewhere) {
        switch (handOverToRunningProgram(arguments, &why)) {
        case HandOver::Taken: return 0;
        case HandOver::Unreachable: return cannotReachRunningProgram(why);
        case HandOver::NoProgram: launcher = delegate->serveLaunchConnection(&servedElsewhere); break;
        }
        if (!launcher)
            return cannotReachRunningProgram("it ended while it was being asked");
    }
    if (!launcher)
        std::fputs("Scrivly: no other launch of the program can find this one (its connection cannot be made)\n",
                   stderr);

    delegate->setCommandLineArguments(arguments);
    delegate->applicationWillFinishLaunching();
    delegate->appDidInit(&application, false);
    application.run();

    launcher.reset();
    application.setMainMenu(nullptr);
    made.clear();
    return 0;
}
