// The edits of a selection and the resize loop: querying and changing the
// line width of 1,000 and 10,000 items (the cost per item should not grow
// with their number), and a knob dragged on a page of 200 items in an
// offscreen window, timed per mouse event with the feedback drawn over the
// saved image and flushed.

#include "appkit/Application.h"
#include "appkit/Clock.h"
#include "appkit/Event.h"
#include "appkit/ScrollView.h"
#include "appkit/Window.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "foundation/StyleGraphic.h"
#include "items/ItemArray.h"
#include "items/ItemBox.h"
#include "items/ItemGroup.h"
#include "view/PageView.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

void setUpClasses()
{
    static bool done = [] {
        StyleGraphic::initialize();
        Item::initialize();
        Page::initialize();
        Undo::initialize();
        return true;
    }();
    (void)done;
}

// n boxes on one page; every seventh a line of 2, the rest of 1.
struct Selection {
    explicit Selection(int n)
    {
        setUpClasses();
        document.setPageSize(kit::makeSize(612, 792));
        document.setup();
        for (int i = 0; i < n; ++i) {
            auto box = std::make_shared<ItemBox>();
            box->setFrame(kit::makeRect(float(i % 50) * 12, float(i / 50 % 60) * 12, 10, 10), false);
            box->setHasLine(true);
            box->setLineWidth(i % 7 == 0 ? 2.0f : 1.0f);
            items.push_back(box.get());
            document.pageAt(0)->addItems(std::move(box), false);
        }
    }
    LayoutDocument document;
    std::vector<Item*> items;
};

// The inspector's question: the common style and the attributes that differ.
void BM_QueryLineWidthOfSelection(benchmark::State& state)
{
    Selection s(int(state.range(0)));
    StyleGraphic values;
    for (auto _ : state) {
        int differences = 0;
        benchmark::DoNotOptimize(checkGraphicStyleValues(s.items, &values, &differences));
        benchmark::DoNotOptimize(differences);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_QueryLineWidthOfSelection)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The width set on every item, with the undo record made (and let go).
void BM_ChangeLineWidthOfSelection(benchmark::State& state)
{
    Selection s(int(state.range(0)));
    float width = 1.0f;
    for (auto _ : state) {
        width = width == 1.0f ? 3.0f : 1.0f;
        std::unique_ptr<Undo> record = modifyLineWidth(s.items, width, true);
        benchmark::DoNotOptimize(record.get());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ChangeLineWidthOfSelection)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// A page of 200 items shown whole in an offscreen window.
struct ResizeWindow {
    ResizeWindow()
    {
        setUpClasses();
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        app = &kit::Application::sharedApplication();
        app->resetForTesting();
        document.setPageSize(kit::makeSize(612, 792));
        document.setup();
        document.calcPageRectsFor(1);
        page = document.pageAt(0);
        for (int i = 0; i < 200; ++i) {
            auto box = std::make_shared<ItemBox>();
            box->setFrame(kit::makeRect(20 + float(i % 20) * 28, 20 + float(i / 20) * 70, 24, 60), false);
            box->setHasFill(true);
            box->setFillColor(kit::Color::colorWithGray(float(i % 5) / 5));
            box->setHasLine(true);
            page->addItems(std::move(box), false);
        }
        auto target = std::make_shared<ItemBox>();
        target->setFrame(kit::makeRect(200, 300, 100, 80), false);
        box = target.get();
        page->addItems(std::move(target), false);

        window = std::make_unique<kit::Window>(kit::makeRect(0, 0, 720, 900));
        auto scroll = std::make_unique<kit::ScrollView>(kit::makeRect(0, 0, 720, 900));
        auto pageView = std::make_unique<PageView>(kit::makeRect(0, 0, 0, 0));
        view = pageView.get();
        view->setFrameSize(document.canvasSize());
        view->setDocument(&document);
        scroll->setDocumentView(std::move(pageView));
        window->setContentView(std::move(scroll));
        document.addView(view);
        window->display();
    }
    ~ResizeWindow()
    {
        document.removeView(view);
        window.reset();
        app->resetForTesting();
    }

    kit::Event mouse(kit::EventType type, kit::Point p) const
    {
        page->convertToView(&p);
        return kit::Event::mouseEventWithType(type, view->convertPointToView(p, nullptr), 0, kit::Clock::now(),
                                              window->windowNumber(), 1);
    }

    kit::Application* app = nullptr;
    LayoutDocument document;
    Page* page = nullptr;
    ItemBox* box = nullptr;
    std::unique_ptr<kit::Window> window;
    PageView* view = nullptr;
};

// One drag of knob 4 through 100 mouse events; the time is per event (the
// new rectangle, the feedback over the saved image, the flush).
void BM_ResizeDragPerMouseEvent(benchmark::State& state)
{
    ResizeWindow w;
    constexpr int Events = 100;
    for (auto _ : state) {
        state.PauseTiming();
        w.box->setFrame(kit::makeRect(200, 300, 100, 80), false);
        for (int i = 1; i <= Events; ++i)
            w.app->postEvent(w.mouse(kit::EventType::LeftMouseDragged, {300.0f + float(i), 380.0f + float(i) / 2}),
                             false);
        w.app->postEvent(w.mouse(kit::EventType::LeftMouseUp, {400, 430}), false);
        int knob = 4;
        const kit::Event down = w.mouse(kit::EventType::LeftMouseDown, {300, 380});
        state.ResumeTiming();
        w.box->performResize(&knob, w.view, down);
    }
    state.SetItemsProcessed(state.iterations() * Events);
    // Milliseconds per mouse event.
    state.counters["per_event_ms"] = benchmark::Counter(
        double(state.iterations() * Events) / 1000.0, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ResizeDragPerMouseEvent)->Unit(benchmark::kMillisecond);

} // namespace
