// A page of body text (60 lines of 85 characters, Times 12) as the text
// engine draws it: one xyshow batch per line with the advances and kerning
// of the metrics. Drawn through the screen back end at 72 and 144 dpi, as a
// page view repaints it, and through the PostScript writer for 400 pages.
#include "graphics/Font.h"
#include "graphics/PostScriptContext.h"
#include "graphics/RasterContext.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kLines = 60;
constexpr int kColumns = 85;
constexpr int kPostScriptPages = 400;

struct Line {
    std::string chars;
    std::vector<float> offsets;
};

// Words from a small vocabulary in a fixed pseudo-random order, accents
// included, cut to exactly kColumns characters per line.
std::vector<Line> makePage(const kit::Font& font)
{
    static const char* const words[] = {"the",  "quick", "brown",   "fox",     "jumps", "over",  "lazy",   "dog",
                                        "caf\xDD", "na\xE5ve", "layout", "paragraph", "Wave", "office", "kerning",
                                        "and",  "of",    "to",      "in",      "1998",  "(page)", "\xE1sthetic"};
    constexpr unsigned count = sizeof(words) / sizeof(words[0]);
    unsigned seed = 12345;
    std::vector<Line> page;
    for (int l = 0; l < kLines; ++l) {
        std::string text;
        while (text.size() < kColumns) {
            seed = seed * 1103515245u + 12345u;
            text += words[(seed >> 16) % count];
            text += ' ';
        }
        text.resize(kColumns);
        Line line{text, {}};
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto code = static_cast<unsigned char>(text[i]);
            float advance = font.advance(code);
            if (i + 1 < text.size())
                advance += font.kern(code, static_cast<unsigned char>(text[i + 1]));
            line.offsets.push_back(advance);
            line.offsets.push_back(0);
        }
        page.push_back(std::move(line));
    }
    return page;
}

void drawPage(kit::DrawContext& ctx, const kit::Font* font, const std::vector<Line>& page)
{
    ctx.setgray(0);
    ctx.selectfont(font);
    for (int l = 0; l < kLines; ++l) {
        ctx.moveto(72, 720 - 11.5f * static_cast<float>(l));
        ctx.xyshow(page[static_cast<std::size_t>(l)].chars, page[static_cast<std::size_t>(l)].offsets);
    }
}

const kit::Font* times(benchmark::State& state)
{
    const kit::Font* font = kit::Font::fontWithName("Times-Roman", 12);
    if (!font || font->fontFilePath().empty())
        state.SkipWithError("the URW fonts are not installed");
    return font;
}

// The page repainted into a window's image that lives on, as a page view
// draws: the glyphs are cached after the first repaint. Arguments: dpi and
// whether the glyph cache is used.
void BM_ScreenPage(benchmark::State& state)
{
    const kit::Font* font = times(state);
    if (!font)
        return;
    const std::vector<Line> page = makePage(*font);
    const double dpi = static_cast<double>(state.range(0));
    const int w = static_cast<int>(612 * dpi / 72), h = static_cast<int>(792 * dpi / 72);
    kit::RasterContext ctx(w, h, dpi);
    ctx.setUsesGlyphCache(state.range(1) != 0);
    for (auto _ : state) {
        ctx.resetState();
        ctx.fillImage(0xFFFFFFFF);
        drawPage(ctx, font, page);
        benchmark::DoNotOptimize(ctx.scanLine(h / 2));
    }
    state.counters["glyphs"] = kLines * kColumns;
}
BENCHMARK(BM_ScreenPage)
    ->ArgNames({"dpi", "cache"})
    ->Args({72, 1})
    ->Args({144, 1})
    ->Args({72, 0})
    ->Args({144, 0})
    ->Unit(benchmark::kMillisecond);

// The first repaint of a new window: faces opened and every glyph rasterised.
void BM_ScreenPageFirstDraw(benchmark::State& state)
{
    const kit::Font* font = times(state);
    if (!font)
        return;
    const std::vector<Line> page = makePage(*font);
    const double dpi = static_cast<double>(state.range(0));
    const int w = static_cast<int>(612 * dpi / 72), h = static_cast<int>(792 * dpi / 72);
    for (auto _ : state) {
        kit::RasterContext ctx(w, h, dpi);
        ctx.fillImage(0xFFFFFFFF);
        drawPage(ctx, font, page);
        benchmark::DoNotOptimize(ctx.scanLine(h / 2));
    }
}
BENCHMARK(BM_ScreenPageFirstDraw)->ArgName("dpi")->Arg(72)->Arg(144)->Unit(benchmark::kMillisecond);

// The text of 400 pages into the PostScript writer, as printing does.
void BM_PostScriptPages(benchmark::State& state)
{
    const kit::Font* font = times(state);
    if (!font)
        return;
    const std::vector<Line> page = makePage(*font);
    for (auto _ : state) {
        kit::PostScriptContext ps;
        kit::PostScriptDocumentInfo info;
        info.title = "Benchmark";
        ps.beginDocument(info);
        for (int p = 1; p <= kPostScriptPages; ++p) {
            ps.beginPage(std::to_string(p), p, kit::makeRect(0, 0, 612, 792));
            drawPage(ps, font, page);
            ps.endPage();
        }
        ps.endDocument();
        benchmark::DoNotOptimize(ps.output().data());
    }
    state.counters["pages/s"] = benchmark::Counter(static_cast<double>(state.iterations() * kPostScriptPages),
                                                   benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PostScriptPages)->Unit(benchmark::kMillisecond);

} // namespace
