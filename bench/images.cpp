// Pictures: decoding a large TIFF, compositing a cached picture on the
// screen, and an EPS picture of about 1 MB from Ghostscript until it can be
// shown.
#include "core/MainQueue.h"
#include "graphics/BitmapImageRep.h"
#include "graphics/Font.h"
#include "graphics/Image.h"
#include "graphics/PostScriptContext.h"
#include "graphics/RasterContext.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// A 6,000 x 4,000 photograph-like RGB TIFF (smooth gradients with some
// detail), LZW with the horizontal predictor, made once.
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

void BM_DecodeTIFF6000x4000(benchmark::State& state)
{
    const std::string& tiff = largeTIFF();
    for (auto _ : state) {
        auto rep = kit::BitmapImageRep::imageRepWithData(tiff);
        benchmark::DoNotOptimize(rep);
        if (!rep)
            state.SkipWithError("decode failed");
    }
    state.counters["MB"] = double(tiff.size()) / 1e6;
}
BENCHMARK(BM_DecodeTIFF6000x4000)->Unit(benchmark::kMillisecond);

// A picture already in the cache, composited into a window-sized screen.
void BM_CompositeCachedImage(benchmark::State& state)
{
    kit::BitmapImageRep rep(1200, 900, kit::BitmapImageRep::ColorModel::RGB, true);
    unsigned char* d = rep.bitmapData();
    for (std::size_t i = 0; i < rep.bytesPerRow() * 900; ++i)
        d[i] = static_cast<unsigned char>(i * 7);
    kit::Image image;
    image.addRepresentation(rep.copy());
    if (image.prepareCache() != kit::Image::CacheState::Ready)
        state.SkipWithError("no cache");
    kit::RasterContext screen(1400, 1000);
    for (auto _ : state) {
        image.compositeToPoint(screen, {50, 950}, kit::CompositeOp::SourceOver);
        benchmark::DoNotOptimize(screen.scanLine(500));
    }
}
BENCHMARK(BM_CompositeCachedImage)->Unit(benchmark::kMillisecond);

// About 1 MB of EPS from our own writer: 2,000 curved shapes and a page of text.
const std::string& largeEPS()
{
    static const std::string eps = [] {
        kit::PostScriptContext ps(kit::PostScriptContext::Kind::EPS);
        kit::PostScriptDocumentInfo info;
        info.boundingBox = kit::makeRect(0, 0, 612, 792);
        ps.beginDocument(info);
        ps.beginPage("1", 1, info.boundingBox);
        // Shapes of 12 curve segments each, as a drawing program writes them.
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
        // And a page of text.
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

void BM_EPSRasterisedUntilShown(benchmark::State& state)
{
    const std::string& eps = largeEPS();
    for (auto _ : state) {
        auto image = kit::Image::imageWithData(eps);
        if (!image) {
            state.SkipWithError("not EPS");
            break;
        }
        image->prepareCache();
        while (image->cacheState() == kit::Image::CacheState::NotReady) {
            kit::MainQueue::waitForPosted(1.0);
            kit::MainQueue::drain();
        }
        if (image->cacheState() != kit::Image::CacheState::Ready)
            state.SkipWithError(image->cacheError().c_str());
    }
    state.counters["MB"] = double(eps.size()) / 1e6;
}
BENCHMARK(BM_EPSRasterisedUntilShown)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
