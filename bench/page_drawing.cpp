#include "LaidOutDocument.h"

#include "document/Guide.h"
#include "foundation/CMGeometry.h"
#include "foundation/Paint.h"
#include "graphics/RasterContext.h"
#include "items/ItemBox.h"

#include <benchmark/benchmark.h>

// A page of the laid-out benchmark document drawn on the screen with its
// decorations (shadow, guides, knobs of a selected column), and a drag of
// many items snapping to many guides.

namespace {

void BM_DrawPageOnScreen(benchmark::State& state)
{
    LaidOutDocument& doc = laidOut();
    static const bool arranged = [&] {
        doc.document->calcPageRectsFor(1);
        doc.document->setShowGuides(true);
        return true;
    }();
    (void)arranged;
    const float zoom = float(state.range(0)) / 100.0f;
    Page* page = doc.document->pageAt(doc.document->numPages() / 2);
    if (page->guides().empty())
        for (int i = 1; i <= 10; ++i) {
            page->addGuide(std::make_unique<Guide>(72.0f * float(i), Guide::Horizontal));
            page->addGuide(std::make_unique<Guide>(54.0f * float(i), Guide::Vertical));
        }
    Item* column = page->pageItems().front().get();
    column->select();
    doc.document->setActivePage(page);
    const kit::Rect rect = page->pageRect();
    kit::RasterContext raster(int(std::ceil(rect.size.width * zoom)) + 8, int(std::ceil(rect.size.height * zoom)) + 8);
    CMZoomStatus = zoom;
    for (auto _ : state) {
        raster.gsave();
        raster.translate(0, float(raster.height()));
        raster.scale(zoom, -zoom);
        raster.translate(-rect.origin.x, -rect.origin.y);
        const kit::Rect area = kit::insetRect(rect, -4, -4);
        benchmark::DoNotOptimize(page->drawSelfInView(Paint::into(raster, zoom, area), area));
        raster.grestore();
    }
    column->deselect();
    CMZoomStatus = 1.0f;
}
BENCHMARK(BM_DrawPageOnScreen)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);

// 100 selected boxes dragged over a page with 50 guides: the snap of one
// mouse event, with the knob markers filled.
void BM_SnapDraggedItemsToGuides(benchmark::State& state)
{
    LayoutDocument document;
    document.setPageSize(kit::makeSize(612, 792));
    document.setMasterPage(std::make_unique<Page>());
    document.addPages(1, 0);
    Page* page = document.pageAt(0);
    std::vector<Item*> items;
    for (int i = 0; i < 100; ++i) {
        auto box = std::make_shared<ItemBox>();
        box->setFrame(kit::makeRect(20.0f + float(i % 10) * 55.0f, 20.0f + float(i / 10) * 70.0f, 40, 50), false);
        items.push_back(box.get());
        page->addItems(box);
    }
    for (int i = 0; i < 25; ++i) {
        page->addGuide(std::make_unique<Guide>(13.0f + 31.0f * float(i), Guide::Horizontal));
        page->addGuide(std::make_unique<Guide>(11.0f + 24.0f * float(i), Guide::Vertical));
    }
    CMZoomStatus = 1.0f;
    KnobMarkerList markers;
    float step = 0.0f;
    for (auto _ : state) {
        step = step > 30.0f ? 0.0f : step + 0.7f;
        kit::Point offset{step, step * 0.5f};
        benchmark::DoNotOptimize(page->snapItemsToGuides(items, &offset, &markers));
        benchmark::DoNotOptimize(markers.count);
    }
}
BENCHMARK(BM_SnapDraggedItemsToGuides)->Unit(benchmark::kMicrosecond);

} // namespace
