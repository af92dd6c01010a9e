// PostScript generation of a 100-page document of text: lines of xyshow in
// two fonts, with rules and fills, as printing a long document does.
#include "graphics/Font.h"
#include "graphics/PostScriptContext.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

constexpr int kPages = 100;
constexpr int kLinesPerPage = 50;

struct Run {
    std::string chars;
    std::vector<float> offsets;
};

// One text run with its advances, as the paragraph drawing batches it.
Run makeRun(const kit::Font* font, const std::string& text)
{
    Run run{text, {}};
    for (unsigned char ch : text) {
        run.offsets.push_back(font ? font->advance(ch) : 6.0f);
        run.offsets.push_back(0);
    }
    return run;
}

void drawDocument(kit::PostScriptContext& ps, const kit::Font* body, const kit::Font* bold, const Run& plain,
                  const Run& emphasis)
{
    kit::PostScriptDocumentInfo info;
    info.title = "Benchmark";
    ps.beginDocument(info);
    for (int page = 1; page <= kPages; ++page) {
        ps.beginPage(std::to_string(page), page, kit::makeRect(0, 0, 612, 792));
        ps.gsave();
        ps.setgray(0.9f);
        ps.rectfill(72, 700, 468, 20);
        ps.setgray(0);
        for (int line = 0; line < kLinesPerPage; ++line) {
            float y = 680 - line * 12.0f;
            ps.selectfont(body);
            ps.moveto(72, y);
            ps.xyshow(plain.chars, plain.offsets);
            ps.selectfont(bold);
            ps.xyshow(emphasis.chars, emphasis.offsets);
            if (line % 10 == 9) {
                ps.setlinewidth(0.5f);
                ps.moveto(72, y - 3);
                ps.rlineto(468, 0);
                ps.stroke();
            }
        }
        const kit::Rect boxes[] = {kit::makeRect(72, 60, 100, 10), kit::makeRect(200, 60, 100, 10)};
        ps.setcmykcolor(0.2f, 0, 0, 0.1f);
        ps.rectfillList(boxes);
        ps.grestore();
        ps.endPage();
    }
    ps.endDocument();
}

void BM_PostScriptDocument(benchmark::State& state)
{
    const kit::Font* body = kit::Font::fontWithName("Times-Roman", 10);
    const kit::Font* bold = kit::Font::fontWithName("Times-Bold", 10);
    if (!body || !bold) {
        state.SkipWithError("the URW fonts are not installed");
        return;
    }
    const Run plain = makeRun(body, "The quick brown fox jumps over the lazy dog; (parens) and \\ ");
    const Run emphasis = makeRun(bold, "caf\xD5 na\xEFve \xAE\xAF");
    std::size_t bytes = 0;
    for (auto _ : state) {
        kit::PostScriptContext ps;
        drawDocument(ps, body, bold, plain, emphasis);
        bytes = ps.output().size();
        benchmark::DoNotOptimize(ps.output().data());
    }
    state.SetItemsProcessed(state.iterations() * kPages);
    state.counters["pages/s"] = benchmark::Counter(static_cast<double>(state.iterations() * kPages),
                                                   benchmark::Counter::kIsRate);
    state.counters["bytes/page"] = static_cast<double>(bytes) / kPages;
}
BENCHMARK(BM_PostScriptDocument)->Unit(benchmark::kMillisecond);

} // namespace
