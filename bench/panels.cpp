// The panels in the process (offscreen screen, 1280 by 1024): the first
// opening of the inspector window (its interface file, the inspectors the
// delegate makes, the pane for the selection, the window drawn) in a fresh
// application delegate each run, over a new document.

#include "app/Scrivly.h"
#include "appkit/Application.h"
#include "appkit/Window.h"
#include "core/FileManager.h"
#include "document/LayoutDocument.h"
#include "foundation/Preferences.h"
#include "panels/ZynInspectorPanel.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

void setUpProcess()
{
    static const bool done = [] {
        const std::string folder = kit::FileManager::uniqueTemporaryPath("bench-panels");
        kit::FileManager::createDirectoryAtPath(folder);
        setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
        if (!std::getenv("QT_QPA_PLATFORM"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("QT_QPA_OFFSCREEN_SCREEN", "1280x1024", 0);
        kit::Application::sharedApplication();
        Scrivly::initialize();
        ZynInspectorPanel::initialize();
        return true;
    }();
    (void)done;
}

void BM_InspectorFirstOpening(benchmark::State& state)
{
    setUpProcess();
    kit::Application& application = kit::Application::sharedApplication();
    for (auto _ : state) {
        state.PauseTiming();
        auto delegate = std::make_unique<Scrivly>();
        application.setDelegate(delegate.get());
        LayoutDocument* document = delegate->new_(false);
        state.ResumeTiming();

        delegate->performSelector("inspect:", nullptr);
        auto* window = dynamic_cast<kit::Window*>(delegate->outlet("inspectorPanel"));
        if (window)
            window->displayIfNeeded();

        state.PauseTiming();
        if (!window || !window->isVisible())
            state.SkipWithError("no inspector window");
        if (document) {
            document->setEdited(false);
            document->close(nullptr);
        }
        application.setDelegate(nullptr);
        delegate.reset();
        application.resetForTesting();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_InspectorFirstOpening)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

// ---- The links panel ---------------------------------------------------
// Opening the panel on a document of N linked pictures, listing them, a
// re-sort, and choosing the rows of a selection of all of them. The
// listing's calls to the file system are counted (files looked at or
// opened while the rows are made): it should make none.

#include "app/ScrivlyDocument.h"
#include "appkit/CellMatrix.h"
#include "appkit/NibLoader.h"
#include "appkit/PopUpButton.h"
#include "core/Bundle.h"
#include "core/UserDefaults.h"
#include "document/Page.h"
#include "items/PlacedItem.h"
#include "panels/LinksInspector.h"
#include "panels/LinksPanel.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"
#include "view/PageView.h"

#include <atomic>
#include <cstdarg>
#include <map>
#include <string>
#include <vector>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace links_bench {

std::atomic<long> fileSystemCalls{0};

} // namespace links_bench

// The file-system entry points a row could reach (stat in all its forms,
// open, access), counted and passed on.
extern "C" {
#define LINKS_BENCH_PASS(name, ret, params, args)                                                                      \
    ret name params                                                                                                   \
    {                                                                                                                 \
        ++links_bench::fileSystemCalls;                                                                               \
        static auto real = reinterpret_cast<ret(*) params>(dlsym(RTLD_NEXT, #name));                                   \
        return real args;                                                                                             \
    }
LINKS_BENCH_PASS(stat, int, (const char* p, struct stat* s), (p, s))
LINKS_BENCH_PASS(lstat, int, (const char* p, struct stat* s), (p, s))
LINKS_BENCH_PASS(stat64, int, (const char* p, struct stat64* s), (p, s))
LINKS_BENCH_PASS(lstat64, int, (const char* p, struct stat64* s), (p, s))
LINKS_BENCH_PASS(fstatat, int, (int d, const char* p, struct stat* s, int f), (d, p, s, f))
LINKS_BENCH_PASS(fstatat64, int, (int d, const char* p, struct stat64* s, int f), (d, p, s, f))
LINKS_BENCH_PASS(statx, int, (int d, const char* p, int f, unsigned m, struct statx* s), (d, p, f, m, s))
LINKS_BENCH_PASS(access, int, (const char* p, int m), (p, m))
#undef LINKS_BENCH_PASS
#define LINKS_BENCH_OPEN(name, params, args)                                                                          \
    int name(params, int f, ...)                                                                                      \
    {                                                                                                                 \
        ++links_bench::fileSystemCalls;                                                                               \
        va_list list;                                                                                                 \
        va_start(list, f);                                                                                            \
        const auto m = static_cast<mode_t>(va_arg(list, unsigned));                                                   \
        va_end(list);                                                                                                 \
        static auto real = reinterpret_cast<int (*)(params, int, ...)>(dlsym(RTLD_NEXT, #name));                       \
        return real(args, f, m);                                                                                      \
    }
#define LINKS_BENCH_COMMA ,
LINKS_BENCH_OPEN(open, const char* p, p)
LINKS_BENCH_OPEN(open64, const char* p, p)
LINKS_BENCH_OPEN(openat, int d LINKS_BENCH_COMMA const char* p, d LINKS_BENCH_COMMA p)
LINKS_BENCH_OPEN(openat64, int d LINKS_BENCH_COMMA const char* p, d LINKS_BENCH_COMMA p)
#undef LINKS_BENCH_OPEN
#undef LINKS_BENCH_COMMA
}

namespace links_bench {

struct Setting {
    std::string folder;
    std::string picture;
    std::unique_ptr<Scrivly> delegate;
    Setting()
    {
        folder = kit::FileManager::uniqueTemporaryPath("bench-links");
        kit::FileManager::createDirectoryAtPath(folder);
        setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
        if (!std::getenv("QT_QPA_PLATFORM"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("QT_QPA_OFFSCREEN_SCREEN", "1280x1024", 0);
        kit::UserDefaults::resetStandardUserDefaults();
        Scrivly::initialize();
        TextWord::initialize();
        TextSelection::initialize();
        LinksPanel::initialize();
        delegate = std::make_unique<Scrivly>();
        picture = folder + "/picture.tiff";
        const std::string bytes =
            kit::FileManager::contentsAtPath(kit::Bundle::pathForResource("Linked", "tiff")).value_or("");
        kit::FileManager::writeFileAtomically(picture, bytes);
    }
};

Setting& setting()
{
    static Setting s;
    return s;
}

// A document of n linked pictures, 100 a page; made once for each n and
// kept as the main document.
struct Pictures {
    ScrivlyDocument* document = nullptr;
    std::vector<Item*> items;
};

Pictures& documentWith(int n)
{
    static std::map<int, Pictures> made;
    Pictures& pictures = made[n];
    if (!pictures.document) {
        pictures.document = dynamic_cast<ScrivlyDocument*>(setting().delegate->new_(false));
        const int pages = (n + 99) / 100;
        pictures.document->addPages(pages - pictures.document->numPages(), pictures.document->numPages());
        pictures.document->linksInfo().setNotifyDocumentPanel(false);
        for (int i = 0; i < n; ++i) {
            std::shared_ptr<PlacedItem> copy = PlacedItem::initWithContentsOfFile(setting().picture, true);
            if (!copy)
                break;
            copy->setFrameOrigin({float(i % 10) * 40, float((i / 10) % 10) * 40});
            pictures.document->pageAt(i / 100)->addItems(copy, false);
            pictures.items.push_back(copy.get());
        }
        pictures.document->linksInfo().setNotifyDocumentPanel(true);
    }
    return pictures;
}

// The document becomes the main one, in the panel the delegate made.
LinksInspector* inspectorOn(Pictures& pictures)
{
    setting().delegate->setMainPageView(dynamic_cast<PageView*>(pictures.document->mainView()));
    auto* panel = dynamic_cast<LinksPanel*>(setting().delegate->linksPanel(true));
    return panel ? panel->inspector() : nullptr;
}

struct Owner : kit::Receiver, kit::NibOwner {
    kit::Object* made = nullptr;
    std::string className() const override { return "LinksBenchOwner"; }
    bool setOutlet(const std::string&, kit::Object* object) override
    {
        made = object;
        return true;
    }
};

// The panel built from its file, given the document and shown: every row
// listed and the selection chosen.
void BM_LinksPanelOpen(benchmark::State& state)
{
    Pictures& pictures = documentWith(int(state.range(0)));
    inspectorOn(pictures);
    for (auto _ : state) {
        Owner owner;
        std::vector<std::unique_ptr<kit::Object>> objects;
        kit::NibLoader::loadNibFile("LinksPanel.nib", &owner, &objects);
        auto* panel = dynamic_cast<LinksPanel*>(owner.made);
        panel->setPanelHost(setting().delegate.get());
        panel->orderFront(nullptr);
        panel->inspect(static_cast<kit::Object*>(nullptr));
        benchmark::DoNotOptimize(panel->inspector()->matrix()->numberOfRows());
        state.PauseTiming();
        objects.clear();
        state.ResumeTiming();
    }
    state.SetComplexityN(state.range(0));
}

void BM_LinksList(benchmark::State& state)
{
    Pictures& pictures = documentWith(int(state.range(0)));
    LinksInspector* inspector = inspectorOn(pictures);
    long calls = 0;
    for (auto _ : state) {
        const long before = fileSystemCalls;
        inspector->fillMatrix();
        calls += fileSystemCalls - before;
    }
    state.counters["fs_calls_per_list"] = double(calls) / double(state.iterations());
    // The count is live: one look at a file is seen.
    const long before = fileSystemCalls;
    (void)kit::FileManager::fileExistsAtPath(setting().picture);
    state.counters["fs_calls_seen_by_a_check"] = double(fileSystemCalls - before);
    state.counters["rows"] = inspector->matrix()->numberOfRows();
    state.SetComplexityN(state.range(0));
}

void BM_LinksResort(benchmark::State& state)
{
    Pictures& pictures = documentWith(int(state.range(0)));
    LinksInspector* inspector = inspectorOn(pictures);
    inspector->fillMatrix();
    int order = 0;
    for (auto _ : state) {
        order = order == LinksInspector::SortByName ? LinksInspector::SortByStatus : LinksInspector::SortByName;
        inspector->sortPopup()->selectItemAtIndex(order);
        inspector->sort(inspector->sortPopup());
    }
    state.SetComplexityN(state.range(0));
}

void BM_LinksSelectRows(benchmark::State& state)
{
    Pictures& pictures = documentWith(int(state.range(0)));
    LinksInspector* inspector = inspectorOn(pictures);
    inspector->fillMatrix();
    for (auto _ : state) {
        inspector->inspectSelection(&pictures.items);
        benchmark::DoNotOptimize(inspector->selectedRows().size());
    }
    state.counters["chosen"] = double(inspector->selectedRows().size());
    state.SetComplexityN(state.range(0));
}

BENCHMARK(BM_LinksPanelOpen)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_LinksList)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_LinksResort)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_LinksSelectRows)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();

} // namespace links_bench
// ---- End of the links panel ---------------------------------------------
