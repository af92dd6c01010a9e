// The panels at work on a document window offscreen at 1280 × 1024: the
// Graphics pane, and the first opening of the inspector window (its
// interface file, the inspectors the delegate makes, the pane for the
// selection, the window drawn) in a fresh application delegate each run.

#include "TextBenchSetting.h"

#include "app/PanelHost.h"
#include "app/Scrivly.h"
#include "appkit/Application.h"
#include "appkit/ColorWell.h"
#include "appkit/ScrollView.h"
#include "appkit/TextField.h"
#include "appkit/Window.h"
#include "core/FileManager.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/UndoInfo.h"
#include "foundation/Preferences.h"
#include "foundation/StyleGraphic.h"
#include "items/ItemBox.h"
#include "panels/GraphicsInspector.h"
#include "panels/ZynInspectorPanel.h"
#include "view/PageView.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

// ---- The Graphics pane: showing a new selection of 1 to 10,000 boxes
// (every other one filled another colour, so the fill is mixed), a colour,
// a width and OK with rotation and scale on all of them with their one
// undo record and the redraw, and undo and redo of each.

namespace {

struct GraphicsPaneSetting : PanelHost {
    GraphicsPaneSetting() : base("scrivly-bench-panels")
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        kit::Application::sharedApplication();
        GraphicsInspector::initialize();
        UndoInfo::setCapacity(-1);
        document = std::make_unique<LayoutDocument>(base.delegate->preferences());
        document->setPageSize(kit::makeSize(612, 792));
        document->setFirstPageNum(1);
        document->setMasterPage(std::make_unique<Page>());
        document->addPages(1, 0);
        const kit::Rect content = kit::makeRect(0, 0, 1280, 1024);
        window = std::make_unique<kit::Window>(content);
        auto scroll = std::make_unique<kit::ScrollView>(content);
        auto owned = std::make_unique<PageView>(kit::makeRect(0, 0, 0, 0));
        view = owned.get();
        document->calcPageRectsFor(1);
        view->setFrameSize(document->canvasSize());
        view->setDocument(document.get());
        scroll->setDocumentView(std::move(owned));
        window->setContentView(std::move(scroll));
        document->addView(view);
        inspector = std::make_unique<GraphicsInspector>();
        inspector->setPanelHost(this);
        inspector->init(nullptr);
    }
    ~GraphicsPaneSetting() override
    {
        inspector.reset();
        document->removeView(view);
    }

    LayoutDocument* mainDocument() const override { return document.get(); }
    PageView* mainPageView() const override { return view; }
    StyleInfo* styleInfo() const override { return nullptr; }
    bool prefersEmbeddedTabRulers() const override { return false; }

    // count boxes on the page, selected; the ones before go.
    std::vector<Item*> boxes(int count)
    {
        document->setSelection({}, view);
        Page* page = document->pageAt(0);
        std::vector<Item*> old;
        for (const auto& item : page->pageItems())
            old.push_back(item.get());
        page->removeItems(old);
        document->undoInfo()->empty();
        std::vector<Item*> made;
        for (int i = 0; i < count; ++i) {
            auto box = std::make_shared<ItemBox>();
            box->setFrame(kit::makeRect(10 + float(i % 100) * 5.9f, 10 + float(i / 100 % 125) * 6.2f, 5, 5), false);
            box->setHasFill(true);
            box->setFillColor(i % 2 ? kit::Color::redColor() : kit::Color::whiteColor());
            box->setHasLine(true);
            box->setLineWidth(0.5f);
            made.push_back(box.get());
            page->addItems(std::move(box), false);
        }
        document->setSelection(made, view);
        window->display();
        return made;
    }

    TextBenchSetting base;
    std::unique_ptr<LayoutDocument> document;
    std::unique_ptr<kit::Window> window;
    PageView* view = nullptr;
    std::unique_ptr<GraphicsInspector> inspector;
};

GraphicsPaneSetting& pane()
{
    static GraphicsPaneSetting setting;
    return setting;
}

void BM_GraphicsPaneShowsSelection(benchmark::State& state)
{
    GraphicsPaneSetting& s = pane();
    const std::vector<Item*> items = s.boxes(int(state.range(0)));
    const std::vector<Item*> other(items.rbegin(), items.rend());
    bool flip = false;
    for (auto _ : state) {
        // A new selection each time: the list and the list backwards in turn.
        benchmark::DoNotOptimize(s.inspector->inspectSelection(flip ? &other : &items));
        flip = !flip;
    }
    s.inspector->inspectSelection(&items);
    if (items.size() > 1 && (s.inspector->differences() & GraphicsInspector::FillColorDiffers) == 0)
        state.SkipWithError("the fill colours did not show as mixed");
    state.SetItemsProcessed(state.iterations() * std::int64_t(items.size()));
}
BENCHMARK(BM_GraphicsPaneShowsSelection)->Arg(1)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// One change on every selected item, its one record pushed and the window
// drawn again; then undo and redo of it, drawn, in turn.
enum class Change { FillColor, Width, OkRotationScale };

bool changeOnce(GraphicsPaneSetting& s, Change change, int i)
{
    GraphicsInspector& g = *s.inspector;
    switch (change) {
    case Change::FillColor:
        g.fillColor()->setColor(i % 2 ? kit::Color::redColor() : kit::Color::blackColor());
        g.changeFillColor(g.fillColor());
        break;
    case Change::Width:
        g.widthField()->setStringValue(i % 2 ? "2" : "3");
        g.changeLineWidth(g.widthField());
        break;
    case Change::OkRotationScale:
        g.widthField()->setStringValue("");
        g.rotationField()->setStringValue(i % 2 ? "10" : "20");
        g.scaleField()->setStringValue("150");
        g.ok(nullptr);
        break;
    }
    s.window->display();
    return true;
}

void BM_GraphicsPaneChange(benchmark::State& state, Change change)
{
    GraphicsPaneSetting& s = pane();
    const std::vector<Item*> items = s.boxes(int(state.range(0)));
    s.inspector->inspectSelection(&items);
    UndoInfo* undo = s.document->undoInfo();
    int i = 0;
    for (auto _ : state) {
        const int before = undo->undoCount();
        changeOnce(s, change, i++);
        state.PauseTiming();
        if (undo->undoCount() != before + 1) {
            state.SkipWithError("the change did not leave one undo record");
            break;
        }
        // Back to the items as they were, so each change starts alike.
        undo->undo();
        s.window->display();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(items.size()));
}
BENCHMARK_CAPTURE(BM_GraphicsPaneChange, FillColor, Change::FillColor)
    ->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GraphicsPaneChange, Width, Change::Width)
    ->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GraphicsPaneChange, OkRotationScale, Change::OkRotationScale)
    ->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_GraphicsPaneUndoRedo(benchmark::State& state, Change change)
{
    GraphicsPaneSetting& s = pane();
    const std::vector<Item*> items = s.boxes(int(state.range(0)));
    s.inspector->inspectSelection(&items);
    UndoInfo* undo = s.document->undoInfo();
    const kit::Rect original = items.front()->frame();
    changeOnce(s, change, 0);
    if (undo->undoCount() != 1) {
        state.SkipWithError("the change did not leave one undo record");
        return;
    }
    const kit::Rect changed = items.front()->frame();
    bool undone = false;
    for (auto _ : state) {
        const bool done = undone ? undo->redo() : undo->undo();
        s.window->display();
        if (!done) {
            state.SkipWithError("nothing to undo or redo");
            break;
        }
        undone = !undone;
    }
    if (change == Change::OkRotationScale &&
        (original == changed || items.front()->frame() != (undone ? original : changed)))
        state.SkipWithError("undo and redo did not move the items between the two states");
    state.SetItemsProcessed(state.iterations() * std::int64_t(items.size()));
}
BENCHMARK_CAPTURE(BM_GraphicsPaneUndoRedo, FillColor, Change::FillColor)
    ->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GraphicsPaneUndoRedo, Width, Change::Width)
    ->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GraphicsPaneUndoRedo, OkRotationScale, Change::OkRotationScale)
    ->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

// ---- End of the Graphics pane.

// ---- The inspector window's first opening.

namespace {

void setUpInspectorProcess()
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
    setUpInspectorProcess();
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
