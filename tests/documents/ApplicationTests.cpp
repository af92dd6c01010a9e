// The application delegate with documents on disk: the document commands,
// the same file under two names, templates, the quit review, autosave on
// the virtual clock, unmounting, the crash save in a child process, the
// panels registry and the menus.

#include "ChildProcess.h"
#include "DocumentTestSupport.h"

#include "app/Scrivly.h"
#include "appkit/Application.h"
#include "appkit/Clock.h"
#include "appkit/Event.h"
#include "core/EventState.h"
#include "appkit/FilePanelHandler.h"
#include "appkit/FontPanel.h"
#include "appkit/Menu.h"
#include "appkit/MenuItem.h"
#include "appkit/NibLoader.h"
#include "appkit/Panel.h"
#include "appkit/PopUpButton.h"
#include "appkit/RunLoop.h"
#include "appkit/Window.h"
#include "document/DocumentPanels.h"
#include "text/TextWordSpecial.h"

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class Application : public DocumentFileTest {
protected:
    // A document made in code with one text frame, listed and shown in a
    // window, and the main one.
    LayoutDocument* shownDocument(int words = 0)
    {
        std::unique_ptr<LayoutDocument> document = makeDocument(words, false);
        LayoutDocument* raw = document.get();
        delegate_->addDocument(std::move(document));
        raw->newView(nullptr, 1, false);
        return raw;
    }

    void chooseFile(const std::string& file, int code = 1)
    {
        kit::ScriptedFilePanelHandler::Answer answer;
        answer.code = code;
        answer.paths = {file};
        panels_->pushAnswer(answer);
    }

    bool listed(const LayoutDocument* document) const
    {
        const auto list = delegate_->documents();
        return std::find(list.begin(), list.end(), document) != list.end();
    }

    void send(const char* action) { delegate_->performSelector(action, nullptr); }
};

TEST_F(Application, NewSaveAsCloseOpenRevertAndSaveAllThroughTheCommands)
{
    // New: an untitled document in a window of its own, the main one.
    LayoutDocument* fresh = delegate_->new_(false);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(delegate_->documents().size(), 1u);
    EXPECT_FALSE(fresh->named());
    EXPECT_EQ(fresh->views().size(), 1u);
    EXPECT_EQ(delegate_->mainDocument(), fresh);
    send("close:");
    EXPECT_TRUE(delegate_->documents().empty());

    LayoutDocument* document = shownDocument(40);
    const std::string original = textOf(*document);
    ASSERT_EQ(delegate_->mainDocument(), document);
    const std::string file = path("made.lvb");
    chooseFile(file);
    send("saveAs:");
    ASSERT_TRUE(kit::FileManager::fileExistsAtPath(file));
    EXPECT_EQ(document->filename(), file);
    EXPECT_FALSE(document->isEdited());

    send("close:");
    EXPECT_TRUE(delegate_->documents().empty());
    EXPECT_EQ(delegate_->mainDocument(), nullptr);

    chooseFile(file);
    send("open:");
    ASSERT_EQ(delegate_->documents().size(), 1u);
    LayoutDocument* reopened = delegate_->documents().front();
    EXPECT_EQ(reopened->filename(), file);
    EXPECT_EQ(textOf(*reopened), original);
    EXPECT_EQ(delegate_->mainDocument(), reopened);

    // Revert drops an edit, once the user agrees.
    edit(*reopened, "dropped");
    ASSERT_NE(textOf(*reopened), original);
    alerts_->pushAnswer(kit::AlertDefaultReturn);
    send("revert:");
    ASSERT_EQ(delegate_->documents().size(), 1u);
    EXPECT_EQ(textOf(*delegate_->documents().front()), original);

    // Save All saves every edited document that has a file.
    LayoutDocument* current = delegate_->documents().front();
    edit(*current, "kept");
    const std::string edited = textOf(*current);
    send("saveAll:");
    EXPECT_FALSE(current->isEdited());
    send("close:");
    chooseFile(file);
    send("open:");
    ASSERT_EQ(delegate_->documents().size(), 1u);
    EXPECT_EQ(textOf(*delegate_->documents().front()), edited);
}

TEST_F(Application, OneFileUnderAnyOfItsNamesIsOneDocument)
{
    LayoutDocument* saved = savedDocument(path("real.lvb"));
    delegate_->removeDocument(saved).reset();
    kit::FileManager::createDirectoryAtPath(path("sub"));
    ASSERT_EQ(::symlink(path("real.lvb").c_str(), path("link.lvb").c_str()), 0);
    ASSERT_EQ(::link(path("real.lvb").c_str(), path("hard.lvb").c_str()), 0);

    LayoutDocument* first = delegate_->openFile(path("real.lvb"), false);
    ASSERT_NE(first, nullptr);
    const std::string names[] = {path("link.lvb"), path("sub/../real.lvb"), path("./real.lvb"), path("hard.lvb")};
    for (const std::string& name : names)
        EXPECT_EQ(delegate_->openFile(name, false), first) << name;
    EXPECT_EQ(delegate_->documents().size(), 1u);
    // A relative name from the current folder.
    const std::string here = kit::FileManager::currentDirectoryPath();
    ASSERT_EQ(::chdir(folder_.c_str()), 0);
    EXPECT_EQ(delegate_->openFile("link.lvb", false), first);
    ASSERT_EQ(::chdir(here.c_str()), 0);
    EXPECT_EQ(delegate_->documents().size(), 1u);
    EXPECT_EQ(delegate_->openFile("", false), nullptr);
    EXPECT_EQ(delegate_->openFile(path("missing.lvb"), false), nullptr);
    EXPECT_EQ(delegate_->documents().size(), 1u);
}

TEST_F(Application, ATemplateIsReadAfreshForANewDocument)
{
    const std::string file = path("letter.lvt");
    LayoutDocument* made = savedDocument(file, 10);
    made->setTemplate(true);
    ASSERT_TRUE(made->saveFile(file, false));
    delegate_->removeDocument(made).reset();

    // The template open for editing stays what it is.
    chooseFile(file);
    LayoutDocument* editing = delegate_->openTemplate(false);
    ASSERT_NE(editing, nullptr);
    EXPECT_TRUE(editing->isTemplate());
    EXPECT_EQ(editing->filename(), file);

    delegate_->preferences()->setTemplateFile(file);
    LayoutDocument* fresh = delegate_->new_(false);
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh, editing);
    EXPECT_FALSE(fresh->named());
    EXPECT_FALSE(fresh->isTemplate());
    EXPECT_EQ(editing->filename(), file);
    EXPECT_TRUE(editing->isTemplate());
    EXPECT_EQ(textOf(*fresh), textOf(*editing));
    EXPECT_FALSE(convertToFixedTokens);

    // A template file that does not open gives a generic document.
    delegate_->preferences()->setTemplateFile(path("gone.lvt"));
    alerts_->reset();
    LayoutDocument* generic = delegate_->new_(false);
    ASSERT_NE(generic, nullptr);
    EXPECT_FALSE(generic->named());
    EXPECT_EQ(delegate_->documents().size(), 3u);
}

// A document whose close neither refuses nor leaves the list.
class LingeringDocument : public LayoutDocument {
public:
    using LayoutDocument::LayoutDocument;
    Document* close(kit::Object*) override { return nullptr; }
};

TEST_F(Application, QuitAsksAboutEditedDocumentsAndNeverDropsThemUnasked)
{
    LayoutDocument* document = shownDocument();
    edit(*document);
    struct Case {
        int answer;
        bool quits;
        const char* why;
    };
    const Case cases[] = {
        {kit::AlertOtherReturn, false, "Cancel keeps the program"},
        {kit::AlertAlternateReturn, true, "Quit Anyway"},
    };
    for (const Case& c : cases) {
        alerts_->reset();
        alerts_->pushAnswer(c.answer);
        EXPECT_EQ(delegate_->terminateCheck(false), c.quits) << c.why;
        ASSERT_EQ(alerts_->shown().size(), 1u);
        EXPECT_EQ(alerts_->shown()[0].message, text("DirtyDoc"));
        EXPECT_TRUE(listed(document));
    }

    // Review, and the document's own question is cancelled: no quit.
    alerts_->reset();
    alerts_->pushAnswer(kit::AlertDefaultReturn);
    alerts_->pushAnswer(kit::AlertOtherReturn);
    EXPECT_FALSE(delegate_->terminateCheck(false));
    EXPECT_TRUE(listed(document));

    // Two edited documents: the plural message.
    LayoutDocument* second = shownDocument();
    edit(*second);
    alerts_->reset();
    alerts_->pushAnswer(kit::AlertOtherReturn);
    EXPECT_FALSE(delegate_->terminateCheck(false));
    EXPECT_EQ(alerts_->shown().at(0).message, text("DirtyDocs"));

    // A close that leaves the list as long as before: the edited
    // documents were not all asked about, so no quit.
    auto lingering = std::make_unique<LingeringDocument>(delegate_->preferences());
    lingering->setEdited(true);
    delegate_->addDocument(std::move(lingering));
    alerts_->reset();
    alerts_->pushAnswer(kit::AlertDefaultReturn);
    EXPECT_FALSE(delegate_->terminateCheck(false));
    EXPECT_TRUE(listed(document));
    EXPECT_TRUE(listed(second));
}

TEST_F(Application, QuitStoresTheVisiblePanelsAndThePreferences)
{
    delegate_->preferences()->setVisibleMask(0x01 | 0x02 | 0x10);
    delegate_->preferences()->setRememberVisiblePanels(false);
    delegate_->preferences()->setAutoSaveInterval(7);
    ASSERT_TRUE(delegate_->applicationShouldTerminate());
    // What is on disk now: a new preferences object reads it.
    kit::UserDefaults::resetStandardUserDefaults();
    auto reread = std::make_unique<RecordingDelegate>();
    EXPECT_EQ(reread->preferences()->visibleMask(), 0x01);
    EXPECT_EQ(reread->preferences()->autoSaveInterval(), 7);
}

TEST_F(Application, AutosaveComesAfterTheIntervalInMinutesAndSkipsUntitledDocuments)
{
    delegate_->preferences()->setAutoSaveInterval(5);
    const std::string file = path("auto.lvb");
    LayoutDocument* named = savedDocument(file);
    LayoutDocument* untitled = shownDocument();
    edit(*named);
    edit(*untitled);
    const double start = kit::Clock::now();
    delegate_->scheduleAutoSave(Layvane::firstAutoSaveDelay(5));
    const std::string before = fileBytes(file);

    kit::RunLoop::currentRunLoop().runUntilDate(kit::Date{start + 299});
    EXPECT_TRUE(named->isEdited());
    kit::RunLoop::currentRunLoop().runUntilDate(kit::Date{start + 301});
    EXPECT_FALSE(named->isEdited());
    EXPECT_NE(fileBytes(file), before);
    EXPECT_TRUE(untitled->isEdited());

    // The next one a whole interval later, not a tenth of it.
    edit(*named, "again");
    kit::RunLoop::currentRunLoop().runUntilDate(kit::Date{start + 331});
    EXPECT_TRUE(named->isEdited());
    kit::RunLoop::currentRunLoop().runUntilDate(kit::Date{start + 599});
    EXPECT_TRUE(named->isEdited());
    kit::RunLoop::currentRunLoop().runUntilDate(kit::Date{start + 601});
    EXPECT_FALSE(named->isEdited());
    EXPECT_TRUE(untitled->isEdited());
    // One request waits at a time.
    EXPECT_EQ(kit::RunLoop::currentRunLoop().pendingPerformRequestCount(), 1u);

    struct Delay {
        int interval;
        double first, later;
    };
    for (const Delay d : {Delay{0, 300, 30}, Delay{-3, 300, 30}, Delay{2, 120, 120}}) {
        EXPECT_EQ(Layvane::firstAutoSaveDelay(d.interval), d.first) << d.interval;
        EXPECT_EQ(Layvane::laterAutoSaveDelay(d.interval), d.later) << d.interval;
    }
}

TEST_F(Application, UnmountingClosesTheDocumentsOnTheDeviceOnly)
{
    kit::FileManager::createDirectoryAtPath(path("usb"));
    kit::FileManager::createDirectoryAtPath(path("usb2"));
    LayoutDocument* on = savedDocument(path("usb/a.lvb"));
    LayoutDocument* edited = savedDocument(path("usb/b.lvb"));
    LayoutDocument* beside = savedDocument(path("usb2/c.lvb"));
    edit(*edited);
    const std::string before = fileBytes(path("usb/b.lvb"));
    delegate_->appUnmounting(path("usb") + "/");
    EXPECT_FALSE(listed(on));
    EXPECT_FALSE(listed(edited));
    EXPECT_TRUE(listed(beside));
    EXPECT_NE(fileBytes(path("usb/b.lvb")), before);
    EXPECT_TRUE(alerts_->shown().empty());
}

TEST_F(Application, TheDocumentListHoldsADocumentOnce)
{
    LayoutDocument* saved = savedDocument(path("once.lvb"));
    delegate_->addDocument(std::unique_ptr<LayoutDocument>(saved));
    EXPECT_EQ(delegate_->documents().size(), 1u);
    delegate_->removeDocument(saved).reset();
    // The document's own open path lists it; the command does not again.
    LayoutDocument* opened = delegate_->openFile(path("once.lvb"), false);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(delegate_->documents().size(), 1u);
}

// ---- The crash save, in a child process.

struct CrashRun {
    int status = -1;
    std::string errors;
};

// The child works with the delegate that is Main.
CrashRun crashChild(RecordingDelegate& delegate, const std::string& folder,
                    const std::function<void(RecordingDelegate&)>& prepare, const std::function<void()>& crash)
{
    const std::string log = folder + "/stderr.txt";
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, STDERR_FILENO);
        prepare(delegate);
        Layvane::installSignalHandlers();
        crash();
        std::_Exit(99);
    }
    CrashRun run;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        ;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.errors = kit::FileManager::contentsAtPath(log).value_or("");
    return run;
}

volatile bool stopRecursing = false;

__attribute__((noinline)) int recurse(int depth)
{
    volatile char pad[512];
    pad[0] = char(depth);
    if (stopRecursing)
        return 0;
    return recurse(depth + 1) + pad[0];
}

// A document whose crash copy crashes again.
class CrashingDocument : public LayoutDocument {
public:
    using LayoutDocument::LayoutDocument;
    bool writeToPath(const std::string&) override
    {
        ::raise(SIGSEGV);
        return false;
    }
};

TEST_F(Application, AFatalSignalWritesACrashCopyOfEveryEditedDocument)
{
    // The sanitizer must leave these signals to the program's handler.
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string savedAsan = asan ? asan : "";
    setenv("ASAN_OPTIONS", "handle_segv=0:handle_sigbus=0:handle_abort=0:handle_sigfpe=0:use_sigaltstack=0", 1);

    struct Case {
        const char* name;
        int signal;
        std::function<void()> crash;
    };
    const Case cases[] = {
        {"SIGSEGV", SIGSEGV, [] { ::raise(SIGSEGV); }},
        {"SIGBUS", SIGBUS, [] { ::raise(SIGBUS); }},
        {"recursion", SIGSEGV, [] { (void)recurse(0); }},
    };
    for (const Case& c : cases) {
        const std::string folder = path(c.name);
        kit::FileManager::createDirectoryAtPath(folder);
        const std::string named = folder + "/named.lvb";
        std::string expectedNamed;
        std::string expectedUntitled;
        {
            std::unique_ptr<LayoutDocument> a = makeDocument(30, false);
            edit(*a, "named-edit");
            expectedNamed = textOf(*a);
            std::unique_ptr<LayoutDocument> b = makeDocument(20, false);
            edit(*b, "untitled-edit");
            expectedUntitled = textOf(*b);
        }
        const CrashRun run = crashChild(
            *delegate_, folder,
            [&](RecordingDelegate& d) {
                d.preferences()->setLoadSaveDir(folder);
                std::unique_ptr<LayoutDocument> a = sample::make(d.preferences(), 30, false);
                a->saveFile(named, false);
                edit(*a, "named-edit");
                std::unique_ptr<LayoutDocument> b = sample::make(d.preferences(), 20, false);
                b->setFilename(text("Untitled") + "-7");
                edit(*b, "untitled-edit");
                d.addDocument(std::move(a));
                d.addDocument(std::move(b));
            },
            c.crash);
        EXPECT_EQ(run.status, 1) << c.name << run.errors;
        EXPECT_NE(run.errors.find("Unexpected signal: " + std::to_string(c.signal)), std::string::npos)
            << c.name << run.errors;
        const std::string namedCopy = folder + "/named_CRASH.lvb";
        LayoutDocument* copy = delegate_->openFile(namedCopy, false);
        ASSERT_NE(copy, nullptr) << c.name << run.errors;
        EXPECT_EQ(textOf(*copy), expectedNamed) << c.name;
        // The untitled one lands in the save folder.
        std::string untitledCopy;
        for (const std::string& name : listing(c.name))
            if (name.find("_CRASH") != std::string::npos && name.find("named") == std::string::npos)
                untitledCopy = folder + "/" + name;
        ASSERT_FALSE(untitledCopy.empty()) << c.name << run.errors;
        LayoutDocument* other = delegate_->openFile(untitledCopy, false);
        ASSERT_NE(other, nullptr);
        EXPECT_EQ(textOf(*other), expectedUntitled) << c.name;
    }

    // An interrupt is ignored: the program goes on, quietly.
    const CrashRun interrupted = crashChild(
        *delegate_, path(""), [](RecordingDelegate&) {},
        [] {
            ::raise(SIGINT);
            std::_Exit(42);
        });
    EXPECT_EQ(interrupted.status, 42);
    EXPECT_EQ(interrupted.errors, "");

    // A second signal during the crash save aborts.
    const CrashRun twice = crashChild(
        *delegate_, path(""),
        [&](RecordingDelegate& d) {
            auto a = std::make_unique<CrashingDocument>(d.preferences());
            a->setup();
            a->setFilename(path("twice.lvb"));
            a->setEdited(true);
            d.addDocument(std::move(a));
        },
        [] { ::raise(SIGBUS); });
    EXPECT_EQ(twice.status, 128 + SIGABRT) << twice.errors;
    EXPECT_NE(twice.errors.find("Cannot save document!\n"), std::string::npos) << twice.errors;
    if (savedAsan.empty())
        unsetenv("ASAN_OPTIONS");
    else
        setenv("ASAN_OPTIONS", savedAsan.c_str(), 1);
}

// ---- The panels registry.

// A pages panel as its interface file would make it.
class FakePagesPanel : public kit::Panel, public PagesPanel {
public:
    FakePagesPanel() : kit::Panel(kit::makeRect(0, 0, 100, 100)) {}
    bool isVisible() const override { return kit::Panel::isVisible(); }
    void setActivePage(Page*) override {}
    void notifyDocumentDidChangeSize() override {}
    void redisplayContent() override {}
};

TEST_F(Application, APanelIsMadeOnceFromItsFileAndItsCommandWaitsForIt)
{
    auto menu = delegate_->makeMainMenu();
    kit::MenuItem* pages = nullptr;
    for (kit::MenuItem* top : menu->itemArray())
        if (top->submenu())
            for (kit::MenuItem* item : top->submenu()->itemArray())
                if (item->action() == "runPages:")
                    pages = item;
    ASSERT_NE(pages, nullptr);

    kit::NibLoader::unregisterNib("PanelPages.nib");
    EXPECT_EQ(delegate_->pagesPanel(false), nullptr);
    EXPECT_EQ(delegate_->pagesPanel(true), nullptr);
    EXPECT_FALSE(delegate_->validateMenuItem(pages));

    int loads = 0;
    kit::NibLoader::registerNib("PanelPages.nib", [&loads](kit::NibLoad& load) {
        ++loads;
        FakePagesPanel* panel = load.addTopLevelObject(std::make_unique<FakePagesPanel>());
        return load.connectOutlet("pagesPanel", panel);
    });
    EXPECT_TRUE(delegate_->validateMenuItem(pages));
    EXPECT_EQ(delegate_->pagesPanel(false), nullptr);
    EXPECT_EQ(DocumentPanels::shared().pagesPanel(false), nullptr);
    send("runPages:");
    kit::Object* panel = delegate_->pagesPanel(false);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(delegate_->pagesPanel(true), panel);
    send("runPages:");
    EXPECT_EQ(loads, 1);
    // The documents reach the same panel through their registry.
    EXPECT_EQ(DocumentPanels::shared().pagesPanel(false), dynamic_cast<PagesPanel*>(panel));
    auto* window = dynamic_cast<kit::Panel*>(panel);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());

    // Close All Panels leaves the document windows.
    LayoutDocument* document = shownDocument();
    kit::Window* documentWindow = document->views().front()->window();
    documentWindow->orderFront(nullptr);
    send("closeAllPanels:");
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(documentWindow->isVisible());
    kit::NibLoader::unregisterNib("PanelPages.nib");

    // The word processor has neither graphic styles nor a line editor.
    Scrivly scrivly;
    EXPECT_EQ(scrivly.graphicStylesPanel(true), nullptr);
    EXPECT_EQ(scrivly.lineEditorPanel(true), nullptr);
}

TEST_F(Application, TheFontPanelAndTheSuggestionPanelAndTheMaskTheyLeave)
{
    send("runSuggest:");
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(alerts_->shown()[0].title, "Warning");
    EXPECT_EQ(alerts_->shown()[0].message, "Suggestion panel cannot be loaded from ZynSuggestionPanel.bundle.");

    send("runFontPanel:");
    kit::FontPanel* fonts = kit::FontPanel::sharedFontPanel(false);
    ASSERT_NE(fonts, nullptr);
    EXPECT_TRUE(fonts->isVisible());
    EXPECT_FALSE(fonts->isFloatingPanel());

    // At quit the panels on screen are remembered when asked for.
    delegate_->preferences()->setVisibleMask(0x01);
    delegate_->preferences()->setRememberVisiblePanels(true);
    ASSERT_TRUE(delegate_->applicationShouldTerminate());
    EXPECT_EQ(delegate_->preferences()->visibleMask(), 0x01 | 0x02);
    fonts->orderOut(nullptr);
    delegate_->preferences()->setVisibleMask(0x02 | 0x04);
    ASSERT_TRUE(delegate_->applicationShouldTerminate());
    EXPECT_EQ(delegate_->preferences()->visibleMask(), 0);
}

TEST_F(Application, TheMenusCarryTheCommandsTagsAndValidation)
{
    auto menu = delegate_->makeMainMenu();
    std::map<std::string, std::vector<int>> tags;
    std::map<std::string, kit::MenuItem*> byAction;
    std::function<void(kit::Menu*)> walk = [&](kit::Menu* m) {
        for (kit::MenuItem* item : m->itemArray()) {
            if (item->submenu()) {
                walk(item->submenu());
                continue;
            }
            tags[item->action()].push_back(item->tag());
            byAction[item->action()] = item;
        }
    };
    walk(menu.get());
    EXPECT_EQ(tags["changeFontAttribute:"], (std::vector<int>{0x10, 0x20, 0x800, 0x100, 0x80}));
    EXPECT_EQ(tags["changeLineWidth:"], (std::vector<int>{-3, -2, -1, 0}));
    EXPECT_EQ(tags["changeColor:"], (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(tags["undo:"], std::vector<int>{0});
    EXPECT_EQ(tags["redo:"], std::vector<int>{1});
    for (const char* action : {"new:", "open:", "save:", "saveAs:", "close:", "revert:", "terminate:", "zoom:",
                               "fitSelection:", "shrinkWrap:", "printDocument:", "runFontPanel:", "saveAll:"})
        EXPECT_TRUE(byAction.count(action)) << action;
    // Key equivalents are unique.
    std::set<std::string> keys;
    std::function<void(kit::Menu*)> keysOf = [&](kit::Menu* m) {
        for (kit::MenuItem* item : m->itemArray()) {
            if (item->submenu()) {
                keysOf(item->submenu());
            } else if (!item->keyEquivalent().empty()) {
                EXPECT_TRUE(keys.insert(item->keyEquivalent()).second) << item->keyEquivalent();
            }
        }
    };
    keysOf(menu.get());

    // Menu keys go with Command (the Super key): the text's Control keys
    // never choose a menu item, the same letter with Command does.
    auto key = [](char letter, unsigned modifiers) {
        const std::u16string c(1, char16_t(letter));
        return kit::Event::keyEventWithType(kit::EventType::KeyDown, {}, modifiers, 0, 0, c, c, false);
    };
    for (char letter : std::string("abcdefhknprtvy")) {
        const kit::Event control = key(letter, kit::ControlKeyMask);
        for (const auto& [action, item] : byAction)
            EXPECT_FALSE(item->matchesKeyEquivalent(control)) << "Control-" << letter << " " << action;
    }
    EXPECT_TRUE(byAction["save:"]->matchesKeyEquivalent(key('s', kit::CommandKeyMask)));

    EXPECT_FALSE(delegate_->validateMenuItem(byAction["save:"]));
    EXPECT_FALSE(delegate_->validateMenuItem(byAction["revert:"]));
    EXPECT_TRUE(delegate_->validateMenuItem(byAction["new:"]));
    LayoutDocument* document = shownDocument();
    EXPECT_TRUE(delegate_->validateMenuItem(byAction["save:"]));
    EXPECT_FALSE(delegate_->validateMenuItem(byAction["revert:"]));
    ASSERT_TRUE(document->saveFile(path("menu.lvb"), false));
    EXPECT_TRUE(delegate_->validateMenuItem(byAction["revert:"]));

    // The view menu's toggles reach the document's page view.
    auto* view = dynamic_cast<kit::Receiver*>(document->mainView());
    ASSERT_NE(view, nullptr);
    for (const char* action : {"toggleRulers:", "toggleInfoBar:", "showGuides:", "snapToGuides:", "snapToRulers:",
                               "showTextRects:", "showGraphics:", "showObjectLinks:", "toggleTextMarkers:"}) {
        EXPECT_TRUE(byAction.count(action)) << action;
        EXPECT_TRUE(view->respondsToSelector(action)) << action;
    }
}

TEST_F(Application, SaveToOffersTheTypesAndTheirExtensions)
{
    struct Case {
        const char* title;
        std::optional<std::string> extension;
    };
    const Case cases[] = {{"Rich Text Format (rtf)", "rtf"}, {"()", std::nullopt}, {"ascii", std::nullopt},
                          {"Scrivly Document (syb)", "syb"}, {") (", std::nullopt}};
    for (const Case& c : cases)
        EXPECT_EQ(Scrivly::extensionForPBoardType(c.title), c.extension) << c.title;
    Scrivly scrivly;
    const int count = scrivly.setupSaveToAccessory();
    ASSERT_NE(scrivly.saveToAccessoryPopup(), nullptr);
    EXPECT_EQ(scrivly.saveToAccessoryPopup()->numberOfItems(), count);
    EXPECT_EQ(scrivly.saveToAccessoryPopup()->indexOfSelectedItem(), 0);
}

TEST_F(Application, AMissingMainInterfaceFileIsAFailedStart)
{
    // A session folder of the test's own, private as the connections want
    // it: otherwise they fall back to the user's shared one, where another
    // program running meanwhile would take the launch.
    const std::string runtime = path("runtime");
    ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(runtime, true, 0700));
    ASSERT_EQ(::chmod(runtime.c_str(), 0700), 0);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    EXPECT_EQ(Scrivly::runMain({"Scrivly"}, "NoSuchInterface.nib"), 1);
}

} // namespace
