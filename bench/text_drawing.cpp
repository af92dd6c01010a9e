#include "LaidOutDocument.h"

#include "foundation/Paint.h"
#include "graphics/PostScriptContext.h"

#include <benchmark/benchmark.h>

// Every column of the laid-out benchmark flow drawn into the PostScript
// writer, one page each, as printing does.

namespace {

void BM_DrawAllColumnsToPostScript(benchmark::State& state)
{
    LaidOutDocument& doc = laidOut();
    const std::vector<TextItem*> shown = doc.shownColumns();
    const kit::Rect page = kit::makeRect(0, 0, 612, 792);
    std::size_t bytes = 0;
    for (auto _ : state) {
        kit::PostScriptContext context;
        context.beginDocument({});
        int number = 1;
        for (TextItem* column : shown) {
            context.beginPage("", number++, page);
            // The page's coordinates run downward, as in the page view.
            context.translate(0, 792);
            context.scale(1, -1);
            column->drawSelf(Paint::into(context), page);
            context.endPage();
        }
        context.endDocument();
        bytes = context.output().size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["pages"] = double(shown.size());
    state.counters["pages/s"] =
        benchmark::Counter(double(shown.size()), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["MB"] = double(bytes) / 1e6;
}
BENCHMARK(BM_DrawAllColumnsToPostScript)->Unit(benchmark::kMillisecond);

} // namespace
