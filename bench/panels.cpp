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
