#include "LaidOutDocument.h"

#include "appkit/Application.h"
#include "appkit/Clock.h"
#include "appkit/Event.h"
#include "appkit/ScrollView.h"
#include "appkit/Window.h"
#include "core/EventState.h"
#include "items/ItemBox.h"
#include "view/PageView.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>

// The canvas of a document window at work, offscreen at 1280 × 1024: a
// scroll step and a screenful on page 200 of the laid-out benchmark
// document, a zoom at the pointer, and on a page of many boxes a drag of
// 200 of them, a marquee over 1,000 and bringing 1,000 of 5,000 to front.

namespace {

struct Canvas {
    explicit Canvas(LayoutDocument* document)
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        kit::Application::sharedApplication();
        const kit::Rect content = kit::makeRect(0, 0, 1280, 1024);
        window = std::make_unique<kit::Window>(content);
        auto scroll = std::make_unique<kit::ScrollView>(content);
        auto owned = std::make_unique<PageView>(kit::makeRect(0, 0, 0, 0));
        view = owned.get();
        document->calcPageRectsFor(1);
        view->setFrameSize(document->canvasSize());
        view->setDocument(document);
        scroll->setDocumentView(std::move(owned));
        window->setContentView(std::move(scroll));
        document->addView(view);
        this->document = document;
    }
    ~Canvas() { document->removeView(view); }

    void showPage(int index)
    {
        Page* page = document->pageAt(index);
        view->scrollPoint(page->pageRect().origin);
        window->display();
    }

    std::unique_ptr<kit::Window> window;
    PageView* view = nullptr;
    LayoutDocument* document = nullptr;
};

Canvas& textCanvas()
{
    static Canvas canvas(laidOut().document.get());
    return canvas;
}

int middlePage()
{
    return std::min(199, laidOut().document->numPages() / 2);
}

void BM_ScrollStep(benchmark::State& state)
{
    Canvas& c = textCanvas();
    // The last page but one, so that a step still scrolls at the end.
    const int page = std::min(int(state.range(0)) - 1, laidOut().document->numPages() - 2);
    c.view->zoomTo(1.0f);
    c.showPage(page);
    const kit::Point origin = c.view->visibleRect().origin;
    // The document's pages lie side by side: a step along the row.
    float d = 40;
    double moved = 0;
    for (auto _ : state) {
        const float before = c.view->visibleRect().origin.x;
        c.view->scrollPoint(kit::makePoint(origin.x + d, origin.y));
        c.window->displayIfNeeded();
        moved += std::fabs(c.view->visibleRect().origin.x - before);
        d = d > 0 ? 0 : 40;
    }
    // Points scrolled a step: 40 when every step scrolls.
    state.counters["moved"] = moved / double(state.iterations());
    state.counters["pages"] = laidOut().document->numPages();
}
BENCHMARK(BM_ScrollStep)->Arg(1)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond);

void BM_Screenful(benchmark::State& state)
{
    Canvas& c = textCanvas();
    c.view->zoomTo(float(state.range(0)) / 100.0f);
    c.showPage(middlePage());
    for (auto _ : state) {
        c.view->setNeedsDisplay(true);
        c.window->displayIfNeeded();
    }
    c.view->zoomTo(1.0f);
}
BENCHMARK(BM_Screenful)->Arg(50)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_ZoomAtPointer(benchmark::State& state)
{
    Canvas& c = textCanvas();
    c.view->zoomTo(1.0f);
    c.showPage(middlePage());
    bool in = true;
    for (auto _ : state) {
        const kit::Rect visible = c.view->visibleRect();
        c.view->zoomTo(in ? 2.0f : 1.0f, kit::makePoint(kit::midX(visible), kit::midY(visible)));
        c.window->displayIfNeeded();
        in = !in;
    }
    c.view->zoomTo(1.0f);
}
BENCHMARK(BM_ZoomAtPointer)->Unit(benchmark::kMillisecond);

// A one-page document with n boxes on a grid.
struct BoxPage : BenchDocument {
    explicit BoxPage(int n) : BenchDocument("bench-canvas")
    {
        makeDocument();
        page = document->pageAt(0);
        for (int i = 0; i < n; ++i) {
            auto box = std::make_shared<ItemBox>();
            box->setFrame(kit::makeRect(20 + float(i % 50) * 11, 20 + float(i / 50) * 7, 9, 5), false);
            boxes.push_back(box.get());
            page->addItems(box, false);
        }
        document->setActivePage(page);
    }
    Page* page = nullptr;
    std::vector<Item*> boxes;
};

// One drag step of 200 selected boxes at 200 %: the pointer's event, the
// picture over the saved window, the flush, the erase. 60 steps a press
// (the picture and the repaint at the press and the release included).
void BM_DragStep(benchmark::State& state)
{
    BoxPage doc(200);
    Canvas c(doc.document.get());
    c.view->zoomTo(2.0f);
    c.showPage(0);
    doc.document->setSelection(doc.boxes, c.view);
    c.window->displayIfNeeded();
    kit::Application& app = kit::Application::sharedApplication();
    const int steps = 60;
    kit::Point start = kit::makePoint(25, 22);
    doc.page->convertToView(&start);
    const kit::Point base = c.view->convertPointToView(start, nullptr);
    const auto event = [&](kit::EventType type, float dx) {
        return kit::Event::mouseEventWithType(type, kit::makePoint(base.x + dx, base.y - dx / 2), 0, kit::Clock::now(),
                                              c.window->windowNumber());
    };
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 1; i <= steps; ++i)
            app.postEvent(event(kit::EventType::LeftMouseDragged, float(i % 30)), false);
        // Released where it began: the boxes end where they were.
        app.postEvent(event(kit::EventType::LeftMouseUp, 0), false);
        state.ResumeTiming();
        c.view->doDrag(event(kit::EventType::LeftMouseDragged, 0), start);
    }
    state.counters["step"] = benchmark::Counter(double(state.iterations()) * steps,
                                                benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DragStep)->Unit(benchmark::kMillisecond);

void BM_MarqueeSelectThousand(benchmark::State& state)
{
    BoxPage doc(1000);
    Canvas c(doc.document.get());
    c.showPage(0);
    const kit::Rect all = kit::insetRect(doc.page->pageRect(), 1, 1);
    for (auto _ : state) {
        doc.document->setSelection({}, c.view);
        c.view->selectItemsInRect(all);
        benchmark::DoNotOptimize(doc.document->selected().size());
    }
}
BENCHMARK(BM_MarqueeSelectThousand)->Unit(benchmark::kMillisecond);

void BM_BringThousandOfFiveThousandToFront(benchmark::State& state)
{
    BoxPage doc(5000);
    Canvas c(doc.document.get());
    std::vector<Item*> chosen;
    for (std::size_t i = 0; i < doc.boxes.size(); i += 5)
        chosen.push_back(doc.boxes[i]);
    for (auto _ : state) {
        doc.document->setSelection(chosen, c.view);
        c.view->bringToFront(nullptr);
    }
}
BENCHMARK(BM_BringThousandOfFiveThousandToFront)->Unit(benchmark::kMillisecond);

} // namespace
