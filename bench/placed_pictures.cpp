// Placed pictures on a page: a 1 MB EPS file from our own writer placed and
// first shown at 100 %, then drawn again from its cache; a 6,000 x 4,000
// TIFF placed (decoded) and drawn from the cache at zooms already cached; a
// page of 50 pictures scrolled once cached, with the memory their caches
// take against the size of their screen images.

#include "core/MainQueue.h"
#include "core/Values.h"
#include "foundation/StyleGraphic.h"
#include "graphics/BitmapImageRep.h"
#include "graphics/Font.h"
#include "graphics/PostScriptContext.h"
#include "graphics/RasterContext.h"
#include "items/Item.h"
#include "items/PlacedItem.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

namespace {

void setUp()
{
    static const bool done = [] {
        kit::registerValueClasses();
        StyleGraphic::initialize();
        Item::initialize();
        return true;
    }();
    (void)done;
}

// About 1 MB of EPS from our own writer: 2,000 curved shapes and a page of text.
const std::string& largeEPS()
{
    static const std::string eps = [] {
        kit::PostScriptContext ps(kit::PostScriptContext::Kind::EPS);
        kit::PostScriptDocumentInfo info;
        info.boundingBox = kit::makeRect(0, 0, 612, 792);
        info.title = "Report";
        ps.beginDocument(info);
        ps.beginPage("1", 1, info.boundingBox);
        for (int i = 0; i < 2000; ++i) {
            const float x = float((i * 37) % 560), y = float((i * 53) % 740);
            ps.setrgbcolor(float(i % 7) / 7, float(i % 11) / 11, float(i % 13) / 13);
            ps.moveto(x, y);
            for (int k = 0; k < 12; ++k) {
                const float a = float(k) * 0.2618f;
                ps.curveto(x + 10 + float(k), y + 3 * a, x + 20 - a, y + 10 + float(k % 5), x + 25 + a,
                           y + float(k % 7) * 2.5f);
            }
            ps.closepath();
            ps.fill();
        }
        const kit::Font* font = kit::Font::fontWithName("Times-Roman", 10);
        const std::string line = "The quick brown fox jumps over the lazy dog; a line of body text set in the "
                                 "picture as a page of a report would have it.";
        if (font) {
            ps.selectfont(font);
            ps.setgray(0);
            for (int i = 0; i < 60; ++i) {
                ps.moveto(40, float(760 - i * 12));
                ps.show(line);
            }
        }
        ps.endDocument();
        return ps.output();
    }();
    return eps;
}

// A 6,000 x 4,000 photograph-like RGB TIFF, LZW.
const std::string& largeTIFF()
{
    static const std::string tiff = [] {
        kit::BitmapImageRep rep(6000, 4000, kit::BitmapImageRep::ColorModel::RGB, false);
        unsigned char* d = rep.bitmapData();
        for (int y = 0; y < 4000; ++y) {
            unsigned char* row = d + static_cast<std::size_t>(y) * rep.bytesPerRow();
            for (int x = 0; x < 6000; ++x) {
                row[x * 3] = static_cast<unsigned char>(x / 24);
                row[x * 3 + 1] = static_cast<unsigned char>(y / 16);
                row[x * 3 + 2] = static_cast<unsigned char>((x ^ y) & 0x3F);
            }
        }
        return rep.TIFFRepresentation(kit::TIFFCompression::LZW);
    }();
    return tiff;
}

// A page seen at the zoom in a window of w x h pixels, scrolled by dy points.
void layOut(kit::RasterContext& screen, float zoom, float dy = 0)
{
    screen.initmatrix();
    screen.initclip();
    screen.fillImage(0xFFFFFFFF);
    screen.translate(0, float(screen.height()));
    screen.scale(zoom, -zoom);
    screen.translate(0, -dy);
}

bool waitUntilShown(PlacedItem& item, float zoom)
{
    kit::Image* image = item._findMatchingImage(zoom);
    while (image && image->cacheState() == kit::Image::CacheState::NotReady) {
        kit::MainQueue::waitForPosted(1.0);
        kit::MainQueue::drain();
    }
    return image && image->cacheState() == kit::Image::CacheState::Ready;
}

void BM_PlacedEPSFirstShown(benchmark::State& state)
{
    setUp();
    const std::string& eps = largeEPS();
    kit::RasterContext screen(700, 900);
    for (auto _ : state) {
        auto item = PlacedItem::initFromStream(eps);
        if (!item) {
            state.SkipWithError("not placed");
            break;
        }
        item->setFrameOrigin({20, 20});
        layOut(screen, 1.0f);
        PlacedPaint paint{screen};
        item->renderInView(paint, kit::makeRect(0, 0, 700, 900), false);
        if (!waitUntilShown(*item, 1.0f))
            state.SkipWithError("no rendering");
        layOut(screen, 1.0f);
        item->renderInView(paint, kit::makeRect(0, 0, 700, 900), false);
        benchmark::DoNotOptimize(screen.scanLine(400));
    }
    state.counters["MB"] = double(eps.size()) / 1e6;
}
BENCHMARK(BM_PlacedEPSFirstShown)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlacedEPSDrawnFromTheCache(benchmark::State& state)
{
    setUp();
    auto item = PlacedItem::initFromStream(largeEPS());
    item->setFrameOrigin({20, 20});
    kit::RasterContext screen(700, 900);
    layOut(screen, 1.0f);
    PlacedPaint paint{screen};
    item->renderInView(paint, kit::makeRect(0, 0, 700, 900), false);
    if (!waitUntilShown(*item, 1.0f))
        state.SkipWithError("no rendering");
    for (auto _ : state) {
        item->renderInView(paint, kit::makeRect(0, 0, 700, 900), false);
        benchmark::DoNotOptimize(screen.scanLine(400));
    }
}
BENCHMARK(BM_PlacedEPSDrawnFromTheCache)->Unit(benchmark::kMillisecond);

void BM_PlacedTIFFDecoded(benchmark::State& state)
{
    setUp();
    const std::string& tiff = largeTIFF();
    for (auto _ : state) {
        auto item = PlacedItem::initFromStream(tiff);
        benchmark::DoNotOptimize(item);
        if (!item)
            state.SkipWithError("not placed");
    }
    state.counters["MB"] = double(tiff.size()) / 1e6;
}
BENCHMARK(BM_PlacedTIFFDecoded)->Unit(benchmark::kMillisecond);

// Shown 600 x 400 points on the page, at zooms already cached.
void BM_PlacedTIFFDrawnFromTheCache(benchmark::State& state)
{
    setUp();
    const float zoom = float(state.range(0)) / 100.0f;
    static const std::shared_ptr<PlacedItem> item = [] {
        auto placed = PlacedItem::initFromStream(largeTIFF());
        placed->setFrame(kit::makeRect(20, 20, 600, 400));
        return placed;
    }();
    kit::RasterContext screen(1400, 1000);
    layOut(screen, zoom);
    PlacedPaint paint{screen};
    paint.zoom = zoom;
    const kit::Rect visible = kit::makeRect(0, 0, 1400 / zoom, 1000 / zoom);
    item->renderInView(paint, visible, false); // makes the zoom's entry
    if (!item->_findMatchingImage(zoom) || !item->_findMatchingImage(zoom)->cachedPixels())
        state.SkipWithError("not cached");
    for (auto _ : state) {
        item->renderInView(paint, visible, false);
        benchmark::DoNotOptimize(screen.scanLine(100));
    }
    state.counters["entries"] = item->cacheEntryCount();
}
BENCHMARK(BM_PlacedTIFFDrawnFromTheCache)->Arg(50)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);

// 50 pictures on a page, cached at 100 %, a window of 1,000 x 800 pixels
// scrolled down the page a tenth of its height at a time.
void BM_PageOf50PicturesScrolled(benchmark::State& state)
{
    setUp();
    kit::BitmapImageRep rep(240, 180, kit::BitmapImageRep::ColorModel::RGB, true);
    unsigned char* d = rep.bitmapData();
    for (std::size_t i = 0; i < rep.bytesPerRow() * 180; ++i)
        d[i] = static_cast<unsigned char>(i * 13);
    const std::string tiff = rep.TIFFRepresentation();
    std::vector<std::shared_ptr<PlacedItem>> items;
    for (int i = 0; i < 50; ++i) {
        auto item = i % 5 == 4 ? PlacedItem::initFromStream(largeEPS()) : PlacedItem::initFromStream(tiff);
        // Five columns of ten rows on a page 1,000 points wide.
        item->setFrame(kit::makeRect(float(20 + (i % 5) * 195), float(20 + (i / 5) * 150), 180, 135));
        items.push_back(item);
    }
    kit::RasterContext screen(1000, 800);
    PlacedPaint paint{screen};
    const float pageHeight = 20 + 10 * 150;
    // Cached first: every picture drawn once and its rendering waited for.
    std::uint64_t cacheBytes = 0, screenBytes = 0;
    for (auto& item : items) {
        layOut(screen, 1.0f);
        item->renderInView(paint, kit::makeRect(0, 0, 1000, pageHeight), false);
        if (!waitUntilShown(*item, 1.0f))
            state.SkipWithError("no rendering");
        const kit::ImagePixels* cached = item->_findMatchingImage(1.0f)->cachedPixels();
        if (cached)
            cacheBytes += std::uint64_t(cached->bytesPerRow) * std::uint64_t(cached->height);
        screenBytes += 180u * 135u * 4u;
    }
    int step = 0;
    for (auto _ : state) {
        const float dy = float(step++ % 10) * pageHeight / 10;
        layOut(screen, 1.0f, dy);
        const kit::Rect visible = kit::makeRect(0, dy, 1000, 800);
        for (auto& item : items)
            item->renderInView(paint, visible, false);
        benchmark::DoNotOptimize(screen.scanLine(400));
    }
    state.counters["cache/screen"] = double(cacheBytes) / double(screenBytes);
}
BENCHMARK(BM_PageOf50PicturesScrolled)->Unit(benchmark::kMillisecond);

} // namespace
