// The info bar during a drag: the move, size and scale every mouse event
// sends it, formatted in the document's unit into its fields (shown in an
// offscreen window), and a whole repaint of the bar.

#include "appkit/Application.h"
#include "appkit/ScrollView.h"
#include "appkit/Window.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "foundation/StyleGraphic.h"
#include "foundation/UnitsInfo.h"
#include "items/Item.h"
#include "view/InfoBarInset.h"
#include "view/PageView.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

struct BarWindow {
    BarWindow()
    {
        static bool classes = [] {
            StyleGraphic::initialize();
            Item::initialize();
            Page::initialize();
            Undo::initialize();
            InfoBarInset::initialize();
            return true;
        }();
        (void)classes;
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        app = &kit::Application::sharedApplication();
        app->resetForTesting();
        document.setPageSize(kit::makeSize(612, 792));
        document.setup();
        document.calcPageRectsFor(1);
        document.unitsInfo()->setUnits(3); // centimetres: a division per value
        window = std::make_unique<kit::Window>(kit::makeRect(0, 0, 1280, 1024));
        auto scroll = std::make_unique<kit::ScrollView>(kit::makeRect(0, 0, 1280, 1024));
        auto pageView = std::make_unique<PageView>(kit::makeRect(0, 0, 0, 0));
        view = pageView.get();
        view->setFrameSize(document.canvasSize());
        view->setDocument(&document);
        scroll->setDocumentView(std::move(pageView));
        bar = static_cast<InfoBarInset*>(scroll->addSubview(InfoBarInset::loadFromNib()));
        bar->setFrame(kit::makeRect(0, 1024 - InfoBarInset::width(), 1280, InfoBarInset::width()));
        window->setContentView(std::move(scroll));
        document.addView(view);
        window->orderFront(nullptr);
        window->display();
    }
    ~BarWindow()
    {
        document.removeView(view);
        window.reset();
        app->resetForTesting();
    }

    kit::Application* app = nullptr;
    LayoutDocument document;
    std::unique_ptr<kit::Window> window;
    PageView* view = nullptr;
    InfoBarInset* bar = nullptr;
};

// One mouse event of a resize: the new origin, size and scale.
void BM_InfoBarPerDragEvent(benchmark::State& state)
{
    BarWindow w;
    w.bar->setFrameRect(kit::makeRect(100, 100, 50, 40));
    float step = 0;
    for (auto _ : state) {
        step += 0.37f;
        w.bar->setMoveTo(100 + step, 100 - step);
        w.bar->setSizeTo(50 + step, 40 + step);
        w.bar->setScale(1 + step / 50, 1 + step / 40);
    }
}
BENCHMARK(BM_InfoBarPerDragEvent);

// The bar drawn afresh into the window.
void BM_InfoBarRepaint(benchmark::State& state)
{
    BarWindow w;
    for (auto _ : state) {
        w.bar->setNeedsDisplay(true);
        w.bar->displayIfNeeded();
    }
}
BENCHMARK(BM_InfoBarRepaint);

} // namespace
