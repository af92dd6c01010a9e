// Hyphenation quality against libhyphen with Debian's patterns, on the words
// of running text that are in none of the language's word lists and hunspell
// dictionaries (tools/hyphgen/sources.txt), and the speed of pwd_hyphenate.
// Needs the tables in the build's resources folder.

#include "core/Bundle.h"
#include "spelling/hyph.h"
#include "spelling/hyph_internal.h"
#include "tools/hyphgen/hyphref.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

struct Word {
    std::string bytes;              // the documents' character set
    std::vector<unsigned char> ref; // reference breaks before each letter
};

// The table of sources beside the table builder.
const hyphref::Source *sourceOf(int language)
{
    static const std::vector<hyphref::Source> sources = [] {
        std::string here = __FILE__;
        return hyphref::readSources(here.substr(0, here.rfind('/')) + "/../tools/hyphgen/sources.txt");
    }();
    for (const hyphref::Source &s : sources)
        if (s.language == language)
            return &s;
    return nullptr;
}

std::vector<Word> evaluationWords(int language, size_t limit)
{
    std::vector<Word> out;
    const hyphref::Source *src = sourceOf(language);
    hyphref::Reference ref;
    if (!src || !ref.open(src->patterns))
        return out;
    static std::map<int, std::vector<std::string>> cache;
    if (!cache.count(language))
        cache[language] = hyphref::evaluationWords(*src);
    for (const std::string &w : cache[language]) {
        std::vector<uint32_t> chars = hyphref::decodeUtf8(w);
        if (chars.size() < 6 || chars.size() > 60)
            continue;
        Word word;
        word.bytes = hyphref::docBytes(language, chars);
        if (word.bytes.empty() || hyphref::codesOf(language, chars).empty() || !ref.breaks(chars, word.ref))
            continue;
        out.push_back(std::move(word));
        if (out.size() >= limit)
            break;
    }
    return out;
}

void initResources()
{
    HyphSetResourceDir(kit::Bundle::resourcePath().c_str());
}

void Quality(benchmark::State &state)
{
    initResources();
    int language = (int)state.range(0);
    std::vector<Word> words = evaluationWords(language, 1000000);
    long tp = 0, fp = 0, fn = 0;
    for (auto _ : state) {
        tp = fp = fn = 0;
        for (const Word &w : words) {
            unsigned char pairs[2 * HYPH_MAX_POINTS];
            int n = pwd_hyphenate((const unsigned char *)w.bytes.data(), (int)w.bytes.size(), pairs, language);
            std::vector<unsigned char> got(w.bytes.size(), 0);
            for (int i = 0; i < n; i++)
                if (pairs[2 * i + 1] < 3 && pairs[2 * i] + 1u < got.size())
                    got[pairs[2 * i] + 1] = 1;
            for (size_t j = 1; j < got.size(); j++) {
                if (got[j] && w.ref[j])
                    tp++;
                else if (got[j])
                    fp++;
                else if (w.ref[j])
                    fn++;
            }
        }
    }
    state.counters["words"] = (double)words.size();
    state.counters["precision"] = tp + fp ? (double)tp / (tp + fp) : 0;
    state.counters["recall"] = tp + fn ? (double)tp / (tp + fn) : 0;
}
BENCHMARK(Quality)->DenseRange(0, 7)->Arg(9)->Arg(10)->Iterations(1)->Unit(benchmark::kMillisecond);

void WordsPerSecond(benchmark::State &state)
{
    initResources();
    int language = (int)state.range(0);
    std::vector<Word> words = evaluationWords(language, 20000);
    size_t i = 0, points = 0;
    for (auto _ : state) {
        const Word &w = words[i++ % words.size()];
        unsigned char pairs[2 * HYPH_MAX_POINTS];
        points += pwd_hyphenate((const unsigned char *)w.bytes.data(), (int)w.bytes.size(), pairs, language);
    }
    benchmark::DoNotOptimize(points);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(WordsPerSecond)->Arg(0)->Arg(5)->Arg(4)->Arg(7);

// Switching between two loaded languages, as a document in two languages does.
void SelectLanguage(benchmark::State &state)
{
    initResources();
    InitHyph(0);
    InitHyph(5);
    int k = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(InitHyph((k++ & 1) ? 0 : 5));
}
BENCHMARK(SelectLanguage);

// The first selection of a language: its group file read and checked.
void FirstSelection(benchmark::State &state)
{
    initResources();
    int language = (int)state.range(0);
    for (auto _ : state) {
        state.PauseTiming();
        hyph_forget();
        state.ResumeTiming();
        benchmark::DoNotOptimize(InitHyph((uint16_t)language));
    }
}
BENCHMARK(FirstSelection)->Arg(0)->Arg(4)->Arg(5)->Arg(7)->Arg(9)->Unit(benchmark::kMicrosecond);

} // namespace
