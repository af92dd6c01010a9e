#include "graphics/Font.h"
#include "graphics/FontMetrics.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A megabyte of running text in the documents' set: words of 1-12 letters,
// spaces, some punctuation, ligatures and dashes.
const std::string& megabyte()
{
    static const std::string text = [] {
        std::mt19937 random(42);
        std::string s;
        s.reserve(1 << 20);
        const char extras[] = {',', '.', '\xAE', '\xAF', '\xB1', '\xD0', '\x27'};
        while (s.size() < (1u << 20)) {
            int letters = 1 + int(random() % 12);
            for (int i = 0; i < letters; ++i)
                s += char('a' + random() % 26);
            if (random() % 8 == 0)
                s += extras[random() % sizeof extras];
            s += ' ';
        }
        s.resize(1 << 20);
        return s;
    }();
    return text;
}

kit::Font* times()
{
    kit::Font* f = kit::Font::fontWithName("Times-Roman", 12);
    return f;
}

void BM_WidthOfString(benchmark::State& state)
{
    kit::Font* f = times();
    if (!f) {
        state.SkipWithError("Times-Roman is not installed");
        return;
    }
    const std::string& text = megabyte();
    for (auto _ : state)
        benchmark::DoNotOptimize(f->widthOfString(text));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}
BENCHMARK(BM_WidthOfString);

// The text engine's per-character loop: one width per character at size,
// condensed and tracked, plus the pair kerning of a proportional font.
void BM_PerCharacterWidthsWithKerning(benchmark::State& state)
{
    kit::Font* f = times();
    if (!f) {
        state.SkipWithError("Times-Roman is not installed");
        return;
    }
    const std::string& text = megabyte();
    std::vector<float> widths(text.size());
    const std::array<float, 256>& table = f->widths();
    const float size = f->pointSize(), condense = 1.0f, tracking = 0.0f;
    for (auto _ : state) {
        float total = 0;
        unsigned char previous = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            unsigned char c = static_cast<unsigned char>(text[i]);
            float w = size * table[c] * condense + tracking;
            if (i > 0 && previous != ' ' && c != ' ') {
                float k = f->kern(previous, c) * condense;
                widths[i - 1] += k;
                total += k;
            }
            widths[i] = w;
            total += w;
            previous = c;
        }
        benchmark::DoNotOptimize(total);
        benchmark::DoNotOptimize(widths.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}
BENCHMARK(BM_PerCharacterWidthsWithKerning);

// Reading one face's metrics file, the cost of the first use of a font.
void BM_ParseAFM(benchmark::State& state)
{
    std::ifstream in("/usr/share/fonts/type1/urw-base35/NimbusRoman-Regular.afm", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    std::string text = s.str();
    if (text.empty()) {
        state.SkipWithError("NimbusRoman-Regular.afm is not installed");
        return;
    }
    std::string error;
    for (auto _ : state)
        benchmark::DoNotOptimize(kit::FontMetrics::parse(text, error));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}
BENCHMARK(BM_ParseAFM);

} // namespace
