// Page-list conversions and the canvas search in a long document with many
// collapsed runs.

#include "document/LayoutDocument.h"
#include "document/Page.h"

#include <benchmark/benchmark.h>

namespace {

// 1,000 pages in a column, with 50 runs of two collapsed pages spread out.
LayoutDocument& longDocument()
{
    static LayoutDocument* document = [] {
        auto* d = new LayoutDocument();
        d->setPageSize(kit::makeSize(612, 792));
        d->setTileMode(2);
        d->disableCalcPages();
        d->addPages(1000, 0);
        for (int run = 0; run < 50; ++run) {
            d->pageAt(run * 20 + 5)->setCollapsed(true);
            d->pageAt(run * 20 + 6)->setCollapsed(true);
        }
        d->enableCalcPages();
        d->calcPageRectsFor(1);
        return d;
    }();
    return *document;
}

void BM_PageConversions(benchmark::State& state)
{
    LayoutDocument& d = longDocument();
    int i = 0;
    for (auto _ : state) {
        i = (i + 389) % 1000;
        const int displayed = d.displayedIndexOfIndex(i);
        benchmark::DoNotOptimize(d.indexOfDisplayedIndex(displayed));
        benchmark::DoNotOptimize(d.numberOfDisplayedIndex(displayed));
        benchmark::DoNotOptimize(d.displayedIndexOfNumber(i + 1));
        benchmark::DoNotOptimize(d.displayedIndexOfPage(d.pageAt(i)));
    }
    state.SetItemsProcessed(state.iterations() * 5);
}
BENCHMARK(BM_PageConversions);

void BM_PagesInRect(benchmark::State& state)
{
    LayoutDocument& d = longDocument();
    const float height = d.canvasSize().height;
    float y = 0;
    for (auto _ : state) {
        y = y + 7919.0f > height ? y + 7919.0f - height : y + 7919.0f;
        benchmark::DoNotOptimize(d.pagesInRect(kit::makeRect(0, y, 1000, 1200), state.range(0) != 0, 1));
    }
}
BENCHMARK(BM_PagesInRect)->Arg(0)->Arg(1);

} // namespace
