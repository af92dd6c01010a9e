#include "LaidOutDocument.h"

#include "appkit/Application.h"
#include "appkit/Window.h"
#include "appkit/PopUpButton.h"
#include "foundation/UnitsInfo.h"
#include "view/PageScrollView.h"
#include "view/PageView.h"
#include "view/RulerViewInset.h"
#include "view/TabRulerPanel.h"
#include "view/ThumbView.h"
#include "appkit/Clock.h"
#include "appkit/Event.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

// The document window's frame at work, offscreen at 1280 × 1024 with both
// rulers and the info bar: a 40-point scroll step on page n of the laid-out
// benchmark document (and the rulers' share of it), a full ruler by zoom and
// unit, a zoom from the popup, and 20 thumbnails.

namespace {

struct Frame {
    explicit Frame(LayoutDocument* document)
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        kit::Application::sharedApplication();
        PageScrollView::initialize();
        const kit::Rect content = kit::makeRect(0, 0, 1280, 1024);
        window = std::make_unique<kit::Window>(content);
        auto owned = std::make_unique<PageScrollView>(content);
        scroll = owned.get();
        view = scroll->pageView();
        document->calcPageRectsFor(1);
        view->setFrameSize(document->canvasSize());
        view->setDocument(document);
        window->setContentView(std::move(owned));
        document->addView(view);
        scroll->toggleRulers(nullptr);
        scroll->showInfoBar(true);
        this->document = document;
    }
    ~Frame() { document->removeView(view); }

    void showPage(int index)
    {
        view->scrollPoint(document->pageAt(index)->pageRect().origin);
        window->display();
    }

    std::unique_ptr<kit::Window> window;
    PageScrollView* scroll = nullptr;
    PageView* view = nullptr;
    LayoutDocument* document = nullptr;
};

Frame& frame()
{
    static Frame f(laidOut().document.get());
    return f;
}

void BM_ScrollStepWithRulers(benchmark::State& state)
{
    Frame& f = frame();
    const int page = std::min(int(state.range(0)) - 1, f.document->numPages() - 2);
    f.view->zoomTo(1.0f);
    f.showPage(page);
    const kit::Point origin = f.view->visibleRect().origin;
    float d = 40;
    for (auto _ : state) {
        f.view->scrollPoint(kit::makePoint(origin.x + d, origin.y));
        f.window->displayIfNeeded();
        d = d > 0 ? 0 : 40;
    }
    state.counters["pages"] = f.document->numPages();
}
BENCHMARK(BM_ScrollStepWithRulers)->Arg(1)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond);

// The rulers' share of a scroll step: both redrawn after a step.
void BM_RulersOfAScrollStep(benchmark::State& state)
{
    Frame& f = frame();
    f.view->zoomTo(1.0f);
    f.showPage(std::min(int(state.range(0)) - 1, f.document->numPages() - 2));
    RulerViewInset* h = f.scroll->horizontalRuler();
    RulerViewInset* v = f.scroll->verticalRuler();
    for (auto _ : state) {
        h->display();
        v->display();
    }
}
BENCHMARK(BM_RulersOfAScrollStep)->Arg(1)->Arg(400)->Unit(benchmark::kMillisecond);

// A full horizontal ruler, its tick layout recalculated: zoom in per cent,
// unit kind.
void BM_FullRuler(benchmark::State& state)
{
    Frame& f = frame();
    f.document->unitsInfo()->setUnits(int(state.range(1)));
    f.view->zoomTo(float(state.range(0)) / 100.0f);
    f.showPage(std::min(199, f.document->numPages() - 1));
    RulerViewInset* h = f.scroll->horizontalRuler();
    for (auto _ : state) {
        h->setDirty(true);
        h->display();
    }
    f.view->zoomTo(1.0f);
    f.document->unitsInfo()->setUnits(2);
}
BENCHMARK(BM_FullRuler)
    ->ArgsProduct({{10, 100, 1600}, {0, 1, 2, 3}})
    ->Unit(benchmark::kMillisecond);

void BM_ZoomFromPopup(benchmark::State& state)
{
    Frame& f = frame();
    f.view->zoomTo(1.0f);
    f.showPage(std::min(199, f.document->numPages() - 1));
    kit::PopUpButton* popup = f.scroll->zoomPopup();
    if (!popup) {
        // The scroll view made here has no popup of its own: one as the
        // window's.
        auto made = std::make_unique<kit::PopUpButton>(kit::makeRect(0, 0, 60, 16));
        for (const char* title : {"100%", "200%"})
            made->addItemWithTitle(title);
        f.scroll->setZoomPopup(std::move(made));
        popup = f.scroll->zoomPopup();
    }
    int which = 0;
    const int in = popup->indexOfItemWithTitle("200%");
    const int out = popup->indexOfItemWithTitle("100%");
    for (auto _ : state) {
        popup->chooseItemAtIndex(which ? out : in);
        f.window->displayIfNeeded();
        which = !which;
    }
    f.view->zoomTo(1.0f);
}
BENCHMARK(BM_ZoomFromPopup)->Unit(benchmark::kMillisecond);

class ThumbWindowForBench : public kit::Window, public ThumbWindow {
public:
    explicit ThumbWindowForBench(LayoutDocument* document)
        : kit::Window(kit::makeRect(0, 0, 1100, 120)), document_(document)
    {
    }
    kit::TextField* numberField() const override { return nullptr; }
    LayoutDocument* document() const override { return document_; }

private:
    LayoutDocument* document_;
};

void BM_TwentyThumbnails(benchmark::State& state)
{
    LayoutDocument* document = laidOut().document.get();
    ThumbWindowForBench window(document);
    auto owned = std::make_unique<ThumbView>(kit::makeRect(0, 0, 1100, 100));
    auto* matrix = static_cast<ThumbView*>(window.contentView()->addSubview(std::move(owned)));
    matrix->initWithImage(nullptr);
    for (int i = 1; i < 20; ++i)
        matrix->addColumn();
    for (int i = 0; i < 20; ++i)
        matrix->cellAtRow(0, i)->setTag(i);
    for (auto _ : state) {
        matrix->setNeedsDisplay(true);
        window.displayIfNeeded();
    }
}
BENCHMARK(BM_TwentyThumbnails)->Unit(benchmark::kMillisecond);

// A tab-drag step in the window's embedded tab ruler at page 200: one
// pointer event, the window's image put back, the marker and the hairline
// drawn, the window flushed. 60 steps a press.
class BenchTabs : public kit::Receiver, public TabRulerPanel {
public:
    BenchTabs()
    {
        tabs_ = {{72, 0, 0}, {144, 1, 0}, {216, 2, 0}};
        indents_ = {{0, 4, 0}, {400, 5, 0}, {0, 6, 0}, {0, 7, 0}, {468, 8, 0}};
    }
    std::string className() const override { return "PanelTabs"; }
    TabRecord* tabs() override { return tabs_.data(); }
    int numTabs() const override { return int(tabs_.size()); }
    TabRecord* indents() override { return indents_.data(); }
    int numIndents() const override { return int(indents_.size()); }
    void addTab(int type, float at) override { tabs_.push_back({at, short(type), 0}); }
    TabRecord* removeTab(TabRecord* r) override
    {
        tabs_.erase(tabs_.begin() + (r - tabs_.data()));
        return tabs_.data();
    }
    void updateTabType(int) override {}
    void setPosition(float) override {}
    void apply(RulerViewInset*, bool, bool) override {}
    bool disableApply() const override { return false; }
    void rulerWillFree(RulerViewInset*) override {}
    void setEmbeddedRuler(RulerViewInset*) override {}
    bool isStyleEditor(const RulerViewInset*) const override { return true; }
    std::vector<TabRecord> tabs_, indents_;
};

void BM_TabDragStep(benchmark::State& state)
{
    Frame& f = frame();
    f.view->zoomTo(1.0f);
    f.showPage(std::min(199, f.document->numPages() - 1));
    BenchTabs panel;
    RulerViewInset* ruler = f.scroll->horizontalRuler();
    ruler->setTabPanel(&panel);
    f.scroll->tile();
    f.window->display();
    kit::Application& app = kit::Application::sharedApplication();
    constexpr int steps = 60;
    const float pageX = f.document->pageAt(std::min(199, f.document->numPages() - 1))->pageRect().origin.x;
    for (auto _ : state) {
        state.PauseTiming();
        // Stops on the page shown, where the drag draws.
        const float start = pageX + 144.0f;
        for (int i = 1; i <= steps; ++i) {
            const kit::Point at = ruler->convertPointToView(kit::makePoint(start + float(i), 5), nullptr);
            app.postEvent(kit::Event::mouseEventWithType(i == steps ? kit::EventType::LeftMouseUp
                                                                    : kit::EventType::LeftMouseDragged,
                                                         at, 0, kit::Clock::now(), f.window->windowNumber()),
                          false);
        }
        panel.tabs_ = {{pageX + 72, 0, 0}, {pageX + 144, 1, 0}, {pageX + 216, 2, 0}};
        const kit::Point down = ruler->convertPointToView(kit::makePoint(start, 5), nullptr);
        state.ResumeTiming();
        ruler->mouseDown(kit::Event::mouseEventWithType(kit::EventType::LeftMouseDown, down, 0, kit::Clock::now(),
                                                        f.window->windowNumber()));
    }
    state.counters["per_step_ms"] = benchmark::Counter(double(steps), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    ruler->setTabPanel(nullptr);
    ruler->setEmbeddedTabRuler(false);
}
BENCHMARK(BM_TabDragStep)->Unit(benchmark::kMillisecond);

} // namespace
