// One user route a run, in a fresh process, through the program's own
// entry points: the program's start-up (the import bundle, the class
// set-up, the main interface file and the launch, in an offscreen window),
// then the File menu's items as a user chooses them, the panels answered by
// a script. Each run prints what it measured and what it checked to
// standard error, and ends with status 1 when a check fails, 2 when the
// route could not run at all.
//
//   bench_route make-text WORDS OUT.txt      the benchmark text (paragraphs
//                                            of 20 to 200 words, a line each)
//   bench_route open FILE                    File > Open, up to the window shown
//   bench_route save FILE [OUT]              File > Open, then File > Save over
//                                            FILE, or Save To OUT (OUT.syb in
//                                            the program's form, OUT.rtf)
//   bench_route print FILE OUT.ps            File > Open, then Print to a file
//   bench_route text-to-ps FILE.txt OUT.ps   File > Open, every paragraph
//                                            justified and hyphenated, then
//                                            Print; checked against FILE.txt
//   bench_route rtf-read FILE.rtf            the file read into a document
//                                            without a window (no page drawn)
//   bench_route type FILE                    File > Open, the caret in the
//                                            second paragraph of page 1; keys
//                                            that add a line (each followed by
//                                            the Backspace that takes it away)
//                                            through the application's event
//                                            route with their redraw, and the
//                                            idle layout each leaves
//
// Options: --text SOURCE.txt (every word of SOURCE arrived, in order),
// --pages N (at least N pages), --hyphenated (words split across lines
// exist), --justify and --hyphenate (the user's preferences for new text),
// --restyle (the opened text justified and hyphenated before a save or a
// print), --repeat N (the route again N times in the same process; for
// type, the keys that add a line: 20 by default).

#include "RouteChecks.h"

#include "../BenchText.h"

#include "app/Scrivly.h"
#include "appkit/Application.h"
#include "appkit/Clock.h"
#include "appkit/Event.h"
#include "appkit/FilePanelHandler.h"
#include "appkit/Menu.h"
#include "appkit/MenuItem.h"
#include "appkit/NibLoader.h"
#include "appkit/PopUpButton.h"
#include "appkit/PrintOperation.h"
#include "appkit/RunLoop.h"
#include "appkit/Window.h"
#include "core/FileManager.h"
#include "document/LayoutDocument.h"
#include "foundation/Preferences.h"
#include "foundation/StyleParagraph.h"
#include "items/TextItem.h"
#include "panels/PanelTabs.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextPoint.h"
#include "view/PageView.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
const Clock::time_point processMain = Clock::now();

double msBetween(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

struct Options {
    std::string route;
    std::vector<std::string> files;
    std::string text;
    int pages = 0;
    int repeat = 0;
    bool hyphenated = false;
    bool justify = false;
    bool hyphenate = false;
    bool restyle = false;
};

int usage()
{
    std::fputs("usage: bench_route make-text WORDS OUT.txt\n"
               "       bench_route open FILE | save FILE [OUT] | print FILE OUT.ps | text-to-ps FILE.txt OUT.ps |\n"
               "                   rtf-read FILE.rtf | type FILE   [--text SOURCE.txt] [--pages N] [--hyphenated]\n"
               "                   [--justify] [--hyphenate] [--restyle] [--repeat N]\n",
               stderr);
    return 2;
}

std::optional<Options> parse(int argc, char** argv)
{
    if (argc < 2)
        return std::nullopt;
    Options options;
    options.route = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= argc)
                return std::nullopt;
            return std::string(argv[++i]);
        };
        if (arg == "--text") {
            auto v = value();
            if (!v)
                return std::nullopt;
            options.text = *v;
        } else if (arg == "--pages" || arg == "--repeat") {
            auto v = value();
            if (!v)
                return std::nullopt;
            (arg == "--pages" ? options.pages : options.repeat) = std::atoi(v->c_str());
        } else if (arg == "--hyphenated") {
            options.hyphenated = true;
        } else if (arg == "--justify") {
            options.justify = true;
        } else if (arg == "--hyphenate") {
            options.hyphenate = true;
        } else if (arg == "--restyle") {
            options.justify = options.hyphenate = options.restyle = true;
        } else if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            return std::nullopt;
        } else {
            options.files.push_back(arg);
        }
    }
    if (options.route == "text-to-ps") {
        // Plain text printed as a typesetter sets it.
        options.justify = options.hyphenate = options.restyle = true;
        if (options.text.empty() && !options.files.empty())
            options.text = options.files.front();
    }
    return options;
}

std::string absolute(const std::string& path)
{
    if (!path.empty() && path.front() == '/')
        return path;
    const char* here = std::getenv("PWD");
    return std::string(here ? here : ".") + "/" + path;
}

// ---- The program.

struct Program {
    kit::Application* application = nullptr;
    Scrivly* delegate = nullptr;
    std::vector<std::unique_ptr<kit::Object>> made;
    std::shared_ptr<kit::ScriptedFilePanelHandler> panels = std::make_shared<kit::ScriptedFilePanelHandler>();

    // As the program starts (without handing files to another program, and
    // without serving its launch connection), with the user's defaults in a
    // folder of their own.
    bool start(const Options& options)
    {
        const std::string folder = kit::FileManager::uniqueTemporaryPath("bench-route");
        kit::FileManager::createDirectoryAtPath(folder, true, 0700);
        setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        Scrivly::prepareProcess();
        PanelTabs::initialize();
        application = &kit::Application::sharedApplication();
        (void)Scrivly::loadImportExportBundle();
        Scrivly::initialize();
        if (!kit::NibLoader::loadNibFile("Scrivly.nib", application, &made))
            return false;
        delegate = dynamic_cast<Scrivly*>(application->delegate());
        if (!delegate)
            return false;
        Preferences* preferences = delegate->preferences();
        // No untitled document at the launch: the route opens the one it
        // measures.
        preferences->setVisibleMask(preferences->visibleMask() & ~0x01);
        if (options.justify)
            preferences->setParagraphAlignment(3);
        if (options.hyphenate)
            preferences->setNewHyphenate(true);
        kit::setFilePanelHandler(panels);
        delegate->setCommandLineArguments({"Scrivly"});
        delegate->applicationWillFinishLaunching();
        delegate->appDidInit(application, false);
        return true;
    }

    // The File menu's item with the action, chosen as a user chooses it.
    bool choose(const std::string& action)
    {
        kit::Menu* menu = application->mainMenu();
        kit::MenuItem* item = menu ? find(*menu, action) : nullptr;
        if (!item) {
            std::fprintf(stderr, "bench_route: no menu item sends %s\n", action.c_str());
            return false;
        }
        if (kit::Menu* owner = item->menu())
            owner->update();
        if (!item->menu()->performActionForItem(item)) {
            std::fprintf(stderr, "bench_route: the menu item for %s is disabled\n", action.c_str());
            return false;
        }
        return true;
    }

    static kit::MenuItem* find(kit::Menu& menu, const std::string& action)
    {
        for (kit::MenuItem* item : menu.itemArray()) {
            if (item->action() == action)
                return item;
            if (kit::Menu* sub = item->submenu())
                if (kit::MenuItem* found = find(*sub, action))
                    return found;
        }
        return nullptr;
    }

    // File > Open answered with the path, up to the window shown.
    LayoutDocument* open(const std::string& path)
    {
        panels->pushAnswer({1, {path}, nullptr});
        if (!choose("open:"))
            return nullptr;
        application->updateWindows();
        return delegate->mainDocument();
    }

    // The file read into a document without showing it.
    LayoutDocument* read(const std::string& path) { return delegate->openFile(path, false); }

    void close(LayoutDocument* document)
    {
        document->setEdited(false);
        document->close(nullptr);
        application->updateWindows();
    }

    // File > Save over the document's own file; or Save To, the
    // accessory's pop-up set to the program's own form or to RTF by the
    // path's extension.
    bool save(LayoutDocument& document, const std::string& path)
    {
        if (path.empty())
            return choose("save:");
        const bool rtf = kit::FileManager::pathExtension(path) == "rtf";
        panels->pushAnswer({1, {path}, nullptr});
        if (kit::PopUpButton* popup = delegate->saveToAccessoryPopup()) {
            popup->selectItemWithTitle(rtf ? "Rich Text Format (rtf)" : document.documentPboardType());
            delegate->setSaveToType(popup);
        }
        return choose("saveTo:");
    }

    // A key as the main loop takes it: queued, taken from the queue, sent
    // to the key window's first responder, and the windows brought up to
    // date (redrawn and shown).
    void press(char16_t c)
    {
        const std::u16string chars(1, c);
        application->postEvent(kit::Event::keyEventWithType(kit::EventType::KeyDown, {}, 0, kit::Clock::now(), 0,
                                                            chars, chars, false),
                               false);
        if (std::optional<kit::Event> event = application->nextEventMatchingMask(
                kit::KeyDownMask, kit::Date::distantPast(), kit::EventTrackingRunLoopMode, true))
            application->sendEvent(*event);
        application->updateWindows();
    }

    // What the main loop does while no event waits: the run loop's timers
    // (the idle layout, a slice a turn) until the flow has nothing left to
    // lay out; then the windows brought up to date. Answers whether the
    // layout came to its end.
    bool settle(TextFlow& flow)
    {
        kit::RunLoop& loop = kit::RunLoop::currentRunLoop();
        for (int turns = 0; flow.hasPendingLayout() && turns < 1000000; ++turns)
            if (loop.fireDueTimers(kit::DefaultRunLoopMode) == 0)
                break;
        application->updateWindows();
        return !flow.hasPendingLayout();
    }

    // File > Print, the panel answered with the file.
    bool print(const std::string& path)
    {
        kit::PrintOperation::setPanelRunner([path](kit::PrintOperation& op) {
            op.printInfo().setSavePath(path);
            return true;
        });
        if (!choose("printDocument:"))
            return false;
        PageView* view = delegate->mainPageView();
        if (!view || !view->lastPrintSuccessful()) {
            std::fprintf(stderr, "bench_route: the print failed: %s\n",
                         view ? view->lastPrintError().c_str() : "no page view");
            return false;
        }
        return true;
    }
};

// ---- Reporting.

struct Report {
    bool failed = false;

    void figure(const std::string& name, double value, const char* unit)
    {
        std::fprintf(stderr, "bench_route: %s %.1f %s\n", name.c_str(), value, unit);
    }
    void check(bool ok, const std::string& what)
    {
        std::fprintf(stderr, "bench_route: check %s: %s\n", ok ? "ok" : "FAILED", what.c_str());
        failed = failed || !ok;
    }
};

std::string readFile(const std::string& path)
{
    return kit::FileManager::regularFileContentsAtPath(path).value_or("");
}

// What the document was made from and what its layout claims.
void checkDocument(LayoutDocument& document, const Options& options, Report& report)
{
    TextFlow* flow = route::mainFlow(document);
    if (!flow) {
        report.check(false, "the document has no text flow");
        return;
    }
    // Whatever reads the whole layout completes it first, as printing does.
    flow->completeLayout();
    const int pages = document.numPages();
    if (options.pages > 0)
        report.check(pages >= options.pages,
                     std::to_string(pages) + " pages (at least " + std::to_string(options.pages) + " asked)");
    else
        report.figure("pages", pages, "");
    if (!options.text.empty()) {
        const route::WordComparison words = route::compareWords(route::wordsOf(readFile(options.text)),
                                                                route::wordsOf(*flow));
        report.check(words.same, std::to_string(words.found) + " words of " + std::to_string(words.expected) +
                                     ": " + words.verdict);
    }
    auto countStyles = [&](bool asked, const char* what, auto has) {
        if (!asked)
            return;
        int set = 0;
        for (const auto& paragraph : flow->paragraphList())
            set += has(*paragraph->paragraphStyle()) ? 1 : 0;
        report.check(set == flow->paragraphCount(), std::to_string(set) + " of " +
                                                        std::to_string(flow->paragraphCount()) + " paragraphs " + what);
    };
    countStyles(options.justify, "justified", [](const StyleParagraph& s) { return s.alignment() == 3; });
    countStyles(options.hyphenate, "with hyphenation on", [](const StyleParagraph& s) { return s.hyphenate(); });
    const int split = route::splitWords(*flow);
    if (options.hyphenated)
        report.check(split > 0, std::to_string(split) + " words split across lines (hyphenation asked for)");
    else
        report.figure("split_words", split, "");
}

int countOf(const std::string& text, const std::string& what)
{
    int count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++count;
    return count;
}

void checkPostScript(const std::string& path, int pages, Report& report)
{
    const std::string ps = readFile(path);
    const int shown = countOf(ps, "\n%%Page: ");
    report.check(!ps.empty() && ps.compare(0, 4, "%!PS") == 0 && shown == pages,
                 path + ": " + std::to_string(ps.size()) + " bytes, " + std::to_string(shown) + " pages of " +
                     std::to_string(pages));
}

// Every paragraph justified and hyphenated, laid out again: what the
// paragraph inspector's alignment and hyphenation do to a selection of the
// whole text (the program has no other way to set them on opened text).
void justifyAndHyphenate(LayoutDocument& document)
{
    TextFlow* flow = route::mainFlow(document);
    if (!flow)
        return;
    for (const auto& paragraph : flow->paragraphList()) {
        paragraph->paragraphStyle()->setAlignment(3);
        paragraph->paragraphStyle()->setHyphenate(true);
    }
    flow->recomputeAll();
}

// ---- The routes.

// Typing on page 1 of the opened document: the caret in the middle of its
// second paragraph, as a click there puts it; the line filled with letters
// until one more wraps; then keys that each add a line, each followed by
// the Backspace that takes the line away, each timed with its redraw, and
// the idle layout each leaves timed apart. The letters are taken away
// again at the end: the document's words are those it was opened with.
void typeKeys(Program& program, LayoutDocument& document, const Options& options, Report& report)
{
    constexpr char16_t Backspace = 0x7F;
    TextFlow* flow = route::mainFlow(document);
    PageView* view = program.delegate->mainPageView();
    if (!flow || !view || flow->paragraphCount() < 2) {
        report.check(false, "a page view and a text of two paragraphs or more to type in");
        return;
    }
    report.check(program.settle(*flow), "the opened document's layout came to its end");
    TextParagraph* paragraph = flow->paragraphAtIndex(1);
    textPoint caret{1, paragraph->wordCount() / 2, 0};
    flow->setCurrentPoint(&caret);
    TextItem* column = flow->item(caret);
    if (!column || !column->page()) {
        report.check(false, "the second paragraph is in a column on a page");
        return;
    }
    view->showPage(column->page());
    view->beginEditingItem(column);
    program.application->updateWindows();
    const int pages = document.numPages();

    auto height = [&] { return paragraph->lastY() - paragraph->firstY(); };
    const float lines = height();
    int filled = 0;
    while (height() == lines && filled < 400) {
        program.press(u'm');
        program.settle(*flow);
        ++filled;
    }
    program.press(Backspace);
    program.settle(*flow);
    report.check(filled < 400 && height() == lines,
                 std::to_string(filled - 1) + " letters fill the caret's line, one more adds a line");

    const int keys = options.repeat > 0 ? options.repeat : 20;
    int added = 0;
    bool settled = true;
    for (int k = 0; k < keys; ++k) {
        auto start = Clock::now();
        program.press(u'm');
        report.figure("type_line_key_ms", msBetween(start, Clock::now()), "ms");
        added += height() > lines ? 1 : 0;
        start = Clock::now();
        settled = program.settle(*flow) && settled;
        report.figure("type_line_key_idle_ms", msBetween(start, Clock::now()), "ms");
        start = Clock::now();
        program.press(Backspace);
        report.figure("type_backspace_ms", msBetween(start, Clock::now()), "ms");
        start = Clock::now();
        settled = program.settle(*flow) && settled;
        report.figure("type_backspace_idle_ms", msBetween(start, Clock::now()), "ms");
    }
    report.check(added == keys, std::to_string(added) + " of " + std::to_string(keys) + " keys added a line");
    report.check(settled, "the idle layout after every key came to its end");
    for (int k = 1; k < filled; ++k)
        program.press(Backspace);
    program.settle(*flow);
    report.check(document.numPages() == pages, std::to_string(document.numPages()) + " pages after typing, " +
                                                   std::to_string(pages) + " before");
}

int makeText(const Options& options)
{
    if (options.files.size() != 2)
        return usage();
    const int words = std::atoi(options.files[0].c_str());
    std::ofstream out(options.files[1], std::ios::binary);
    out << benchtext::plainText(words);
    return out.good() ? 0 : 2;
}

int run(const Options& options)
{
    const std::string& r = options.route;
    const std::size_t wanted = r == "open" || r == "rtf-read" || r == "type" ? 1 : 2;
    const std::size_t given = options.files.size();
    if (given != wanted && !(r == "save" && given == 1))
        return usage();
    const std::string input = absolute(options.files[0]);
    const std::string output = given == 2 ? absolute(options.files[1]) : std::string();

    Program program;
    if (!program.start(options)) {
        std::fputs("bench_route: the program did not start\n", stderr);
        return 2;
    }
    Report report;
    report.figure("start_ms", msBetween(processMain, Clock::now()), "ms");

    if (r == "type") {
        auto start = Clock::now();
        LayoutDocument* document = program.open(input);
        if (!document) {
            std::fprintf(stderr, "bench_route: %s did not open\n", input.c_str());
            return 2;
        }
        report.figure("open_ms", msBetween(start, Clock::now()), "ms");
        typeKeys(program, *document, options, report);
        report.figure("main_to_done_ms", msBetween(processMain, Clock::now()), "ms");
        const Clock::time_point done = Clock::now();
        checkDocument(*document, options, report);
        report.figure("checks_ms", msBetween(done, Clock::now()), "ms");
        program.close(document);
        return report.failed ? 1 : 0;
    }

    const bool reading = r == "rtf-read";
    const bool opening = r == "open" || reading;
    auto openOnce = [&]() { return reading ? program.read(input) : program.open(input); };
    LayoutDocument* document = nullptr;
    auto step = [&]() -> bool {
        if (opening)
            return true;
        if (r == "save") {
            // Every save writes the file anew, as the first did.
            if (!output.empty())
                kit::FileManager::removeFileAtPath(output);
            return program.save(*document, output);
        }
        return program.print(output);
    };

    // The first time, then the repeats; with each time, the pages of
    // memory the system handed the process meanwhile.
    long faults = route::memoryFaults();
    auto faultsSince = [&]() {
        const long now = route::memoryFaults();
        const long made = now - faults;
        faults = now;
        return double(made);
    };
    auto start = Clock::now();
    document = openOnce();
    double first = msBetween(start, Clock::now());
    if (!document) {
        std::fprintf(stderr, "bench_route: %s did not open\n", input.c_str());
        return 2;
    }
    if (!opening) {
        report.figure("open_ms", first, "ms");
        report.figure("open_faults", faultsSince(), "");
        if (options.restyle) {
            start = Clock::now();
            justifyAndHyphenate(*document);
            report.figure("restyle_ms", msBetween(start, Clock::now()), "ms");
        }
        faultsSince();
        start = Clock::now();
        if (!step())
            return 2;
        first = msBetween(start, Clock::now());
    }
    report.figure(r + "_first_ms", first, "ms");
    report.figure(r + "_first_faults", faultsSince(), "");
    report.figure("main_to_done_ms", msBetween(processMain, Clock::now()), "ms");
    // What follows (repeats and checks) is no part of the route: timed, so
    // that the whole process can be compared with it taken out.
    const Clock::time_point done = Clock::now();
    for (int i = 0; i < options.repeat; ++i) {
        if (opening) {
            program.close(document);
            faultsSince();
            start = Clock::now();
            document = openOnce();
        } else {
            start = Clock::now();
            if (!step())
                return 2;
        }
        const double ms = msBetween(start, Clock::now());
        if (!document)
            return 2;
        report.figure(r + "_repeat_ms", ms, "ms");
        report.figure(r + "_repeat_faults", faultsSince(), "");
    }
    report.figure("peak_MiB", route::peakResidentMiB(), "MiB");

    checkDocument(*document, options, report);
    if (r == "print" || r == "text-to-ps")
        checkPostScript(output, document->numPages(), report);
    if (r == "save") {
        const std::string written = output.empty() ? input : output;
        // Save To leaves the document as it was; Save makes it unedited.
        report.check(kit::FileManager::fileExistsAtPath(written) && (!output.empty() || !document->isEdited()),
                     written + " written");
    }
    report.figure("checks_ms", msBetween(done, Clock::now()), "ms");
    program.close(document);
    return report.failed ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::optional<Options> options = parse(argc, argv);
    if (!options)
        return usage();
    if (options->route == "make-text")
        return makeText(*options);
    if (options->route != "open" && options->route != "save" && options->route != "print" &&
        options->route != "text-to-ps" && options->route != "rtf-read" && options->route != "type")
        return usage();
    return run(*options);
}
