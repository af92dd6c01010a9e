// A cell of the tool palette's matrix dragged with Command, offscreen: the
// time of one mouse event of the drag (the cell's picture drawn at the new
// place, the window flushed, the background put back), over a drag of 200
// events in a matrix of 8 tool cells 40 × 36.

#include "appkit/Application.h"
#include "appkit/ButtonCell.h"
#include "appkit/CellMatrix.h"
#include "appkit/Event.h"
#include "appkit/Clock.h"
#include "appkit/Window.h"
#include "core/EventState.h"
#include "view/ENSMatrix.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr int Cells = 8;
constexpr int Steps = 200;

void BM_CellDragStep(benchmark::State& state)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    kit::Application& app = kit::Application::sharedApplication();
    kit::Window window(kit::makeRect(0, 0, 40, 36 * Cells), kit::TitledWindowMask);
    auto made = std::make_unique<kit::CellMatrix>(kit::makeRect(0, 0, 40, 36 * Cells), kit::MatrixMode::Radio,
                                                  nullptr, 0, 0);
    made->setDrawsButtonCells(true);
    made->setCellSize({40, 36});
    made->setIntercellSpacing({0, 0});
    std::vector<std::unique_ptr<kit::Cell>> cells;
    for (int i = 0; i < Cells; ++i) {
        cells.push_back(std::make_unique<kit::ButtonCell>("T"));
        cells.back()->setTag(i + 1);
    }
    made->addColumnWithCells(std::move(cells));
    auto* matrix =
        static_cast<ENSMatrix*>(window.contentView()->addSubview(ENSMatrix::promote(*made)));
    window.display();
    auto at = [&](float y) { return matrix->convertPointToView({20, y}, nullptr); };
    auto event = [&](kit::EventType type, float y) {
        return kit::Event::mouseEventWithType(type, at(y), kit::CommandKeyMask, kit::Clock::now(),
                                              window.windowNumber(), 1);
    };
    for (auto _ : state) {
        state.PauseTiming();
        // Down and back up the matrix, past both edges; released where it
        // started, so the cells keep their places.
        for (int i = 0; i < Steps; ++i)
            app.postEvent(event(kit::EventType::LeftMouseDragged,
                                -20.0f + static_cast<float>(i % 50) * 36.0f * Cells / 40.0f),
                          false);
        app.postEvent(event(kit::EventType::LeftMouseUp, 18), false);
        const int flushes = window.flushCount();
        state.ResumeTiming();
        const bool dragged = doCellDrag(*matrix, event(kit::EventType::LeftMouseDown, 18));
        state.PauseTiming();
        // It measured what it claims: a drag of every event, one flush each
        // and one at the drop.
        if (!dragged || window.flushCount() - flushes != Steps + 1) {
            state.SkipWithError("the drag did not take every event");
            break;
        }
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * Steps);
    state.counters["seconds_per_step"] =
        benchmark::Counter(static_cast<double>(state.iterations() * Steps),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CellDragStep)->Unit(benchmark::kMillisecond);

} // namespace
