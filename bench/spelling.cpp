// The spelling engine against its targets, on the Debian word lists the
// dictionaries were built from: acceptance of every listed word, rejection
// of one-letter corruptions, suggestions for one-edit misspellings, and the
// speed of opening, checking and guessing in the spelling panel's pool.
// Running English text goes through hunspell's library too, in the same run.

#include "core/Bundle.h"
#include "core/Encoding.h"
#include "spelling/hyph.h"
#include "spelling/pwd.h"
#include "spelling/pwd_internal.h"
#include "tools/hyphgen/runningtext.h"

#if SCRIVLY_BENCH_HUNSPELL
#include <hunspell.h>
#endif

#include <benchmark/benchmark.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr long kPoolSize = 307200;

// The dictionaries, and the hyphenation tables the check of compounds asks
// for, found as the program finds them.
std::string resources()
{
    static const std::string folder = [] {
        std::string found = kit::Bundle::resourcePath();
        HyphSetResourceDir(found.c_str());
        return found;
    }();
    return folder;
}

std::vector<unsigned char> poolBlock(kPoolSize);

void freshPool()
{
    InitMemPool(poolBlock.data(), kPoolSize);
    UserFreeSpace = PWDPurge;
}

// The list's words in the engine's set (Latin-1 files are read as such).
std::vector<std::string> loadWords(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::vector<std::string> out;
    std::string line;
    while (std::getline(f, line)) {
        if (line.empty())
            continue;
        auto mac = kit::fromUTF8(kit::Encoding::MacRoman, line);
        if (!mac) {
            std::string utf8;
            for (unsigned char c : line) {
                if (c < 0x80)
                    utf8 += static_cast<char>(c);
                else {
                    utf8 += static_cast<char>(0xC0 | (c >> 6));
                    utf8 += static_cast<char>(0x80 | (c & 0x3F));
                }
            }
            mac = kit::fromUTF8(kit::Encoding::MacRoman, utf8);
        }
        if (mac && mac->size() <= 125)
            out.push_back(*mac);
    }
    return out;
}

int check(PWDHandle sp, const std::string& w)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(w.data());
    return PWDSpellCheck(sp, p, p + w.size() - 1, 0);
}

std::vector<std::string> guessList(PWDHandle sp, const std::string& w)
{
    std::vector<std::string> out;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(w.data());
    PWDHandle h = PWDGuess(sp, p, p + w.size() - 1, 1, 1);
    if (!h)
        return out;
    const unsigned char* d = static_cast<const unsigned char*>(CNSDeref(h));
    long size = CNSGetHandleSize(h);
    for (long i = 0; i < size;) {
        ++i;
        out.emplace_back(reinterpret_cast<const char*>(d + i));
        i += static_cast<long>(out.back().size()) + 1;
    }
    CNSDisposHandle(h);
    return out;
}

struct Language {
    const char* dict;
    const char* lists[2];
};

const Language kLanguages[] = {
    {"American", {"american-english", nullptr}}, {"Spanish", {"spanish", nullptr}},
    {"Italian", {"italian", nullptr}},           {"Portuguese", {"portuguese", nullptr}},
    {"French1", {"french", nullptr}},            {"German", {"ngerman", nullptr}},
    {"Dutch", {"dutch", nullptr}},               {"Norwegian", {"bokmaal", "nynorsk"}},
    {"Swedish", {"swedish", nullptr}},           {"Danish", {"danish", nullptr}},
    {"SwissGerman", {"swiss", nullptr}},         {"Catalan", {"catalan", nullptr}},
};

bool isLetter(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0x80;
}

// Acceptance of every listed word and rejection of one-letter corruptions
// that are not listed themselves; misses are written to standard error.
void BM_Coverage(benchmark::State& state)
{
    const Language& lang = kLanguages[state.range(0)];
    std::vector<std::string> words;
    for (const char* l : lang.lists)
        if (l) {
            auto w = loadWords(std::string("/usr/share/dict/") + l);
            words.insert(words.end(), w.begin(), w.end());
        }
    std::set<std::string> listed(words.begin(), words.end());
    for (auto _ : state) {
        freshPool();
        PWDHandle sp = PWDInitSpell((resources() + "/" + lang.dict + ".dct").c_str(), 0);
        if (!sp) {
            state.SkipWithError("dictionary missing");
            return;
        }
        long accepted = 0, notChecked = 0, shown = 0;
        for (const std::string& w : words) {
            if (check(sp, w))
                ++accepted;
            else if (PWDGetStat()->status & (PWD_NOT_CHECKED | PWD_NO_MEMORY | PWD_IO_ERROR))
                ++notChecked;
            else if (shown++ < 5)
                fprintf(stderr, "%s: not accepted: %s\n", lang.dict, kit::toUTF8(kit::Encoding::MacRoman, w).c_str());
        }
        std::mt19937 rng(7);
        long tried = 0, rejected = 0;
        const char letters[] = "abcdefghijklmnopqrstuvwxyz";
        for (int i = 0; i < 20000; ++i) {
            std::string w = words[rng() % words.size()];
            std::vector<size_t> pos;
            for (size_t k = 0; k < w.size(); ++k)
                if (isLetter(static_cast<unsigned char>(w[k])) && w[k] >= 'a' && w[k] <= 'z')
                    pos.push_back(k);
            if (pos.empty())
                continue;
            size_t k = pos[rng() % pos.size()];
            char c = letters[rng() % 26];
            if (c == w[k])
                continue;
            w[k] = c;
            if (listed.count(w))
                continue;
            ++tried;
            rejected += check(sp, w) == 0;
        }
        PWDKillSpell(sp);
        state.counters["words"] = static_cast<double>(words.size());
        state.counters["accepted%"] = 100.0 * accepted / words.size();
        state.counters["notChecked"] = static_cast<double>(notChecked);
        state.counters["corruptRejected%"] = 100.0 * rejected / tried;
    }
    state.SetLabel(lang.dict);
}
BENCHMARK(BM_Coverage)->DenseRange(0, 11)->Iterations(1)->Unit(benchmark::kMillisecond);

const std::vector<std::string>& englishWords()
{
    static std::vector<std::string> w = loadWords("/usr/share/dict/american-english");
    return w;
}

std::vector<std::string> sampleText(size_t n)
{
    const auto& all = englishWords();
    std::mt19937 rng(11);
    std::vector<std::string> text;
    for (size_t i = 0; i < n; ++i)
        text.push_back(all[rng() % all.size()]);
    return text;
}

void BM_Open(benchmark::State& state)
{
    std::string path = resources() + "/American.dct";
    for (auto _ : state) {
        freshPool();
        PWDHandle sp = PWDInitSpell(path.c_str(), 0);
        benchmark::DoNotOptimize(sp);
        PWDKillSpell(sp);
    }
}
BENCHMARK(BM_Open)->Unit(benchmark::kMicrosecond);

// Cold: a speller just opened checks 1000 words drawn from the list.
void BM_CheckCold(benchmark::State& state)
{
    std::string path = resources() + "/American.dct";
    auto text = sampleText(1000);
    for (auto _ : state) {
        freshPool();
        PWDHandle sp = PWDInitSpell(path.c_str(), 0);
        for (const auto& w : text)
            benchmark::DoNotOptimize(check(sp, w));
        PWDKillSpell(sp);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(text.size()));
}
BENCHMARK(BM_CheckCold)->Unit(benchmark::kMillisecond);

// Warm: the same speller keeps checking words drawn from the whole list
// (range 0) or a 2000-word text read again and again (range 1).
void BM_CheckWarm(benchmark::State& state)
{
    freshPool();
    PWDHandle sp = PWDInitSpell((resources() + "/American.dct").c_str(), 0);
    auto text = state.range(0) == 0 ? sampleText(100000) : sampleText(2000);
    for (const auto& w : text)
        check(sp, w);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(check(sp, text[i]));
        if (++i == text.size())
            i = 0;
    }
    PWDKillSpell(sp);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CheckWarm)->Arg(0)->Arg(1);

// Checks per second in a compounding language (German): compounds of two
// or three listed words (range 0), one-letter misspellings of listed words
// (range 1), and listed words (range 2), as a set of 2,000 words checked in
// turn (the second argument 0) or 20,000 (1); no word is answered from an
// earlier check of it.
void BM_CheckCompounds(benchmark::State& state)
{
    freshPool();
    PWDHandle sp = PWDInitSpell((resources() + "/German.dct").c_str(), 0);
    if (!sp) {
        state.SkipWithError("dictionary missing");
        return;
    }
    static std::vector<std::string> all = loadWords("/usr/share/dict/ngerman");
    std::vector<std::string> plainWords;
    for (const std::string& w : all) {
        bool simple = w.size() >= 3;
        for (size_t i = 0; i < w.size() && simple; ++i)
            simple = (w[i] >= 'a' && w[i] <= 'z') || (i == 0 && w[i] >= 'A' && w[i] <= 'Z');
        if (simple)
            plainWords.push_back(w);
    }
    std::set<std::string> listed(all.begin(), all.end());
    std::mt19937 rng(13);
    std::vector<std::string> text;
    const char letters[] = "abcdefghijklmnopqrstuvwxyz";
    std::set<std::string> seen;
    const size_t words = state.range(1) ? 20000 : 2000;
    while (text.size() < words) {
        std::string w = plainWords[rng() % plainWords.size()];
        if (state.range(0) == 0) {
            int parts = 2 + static_cast<int>(rng() % 2);
            for (int p = 1; p < parts; ++p) {
                std::string part = plainWords[rng() % plainWords.size()];
                part[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(part[0])));
                w += (rng() % 2 && w.back() != 's' ? "s" : "") + part;
            }
        } else if (state.range(0) == 1) {
            size_t k = 1 + rng() % (w.size() - 1);
            w[k] = letters[rng() % 26];
        }
        if (w.size() > 125 || (state.range(0) != 2 && listed.count(w)) || !seen.insert(w).second)
            continue;
        text.push_back(w);
    }
    // The dictionary's tables as a speller has them after its first words;
    // the words measured are checked for the first time.
    check(sp, "Bahnhofsuhrzeigerfenster");
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(check(sp, text[i]));
        if (++i == text.size()) {
            // Each pass starts without the answers of the one before.
            state.PauseTiming();
            PWDWordListsChanged();
            state.ResumeTiming();
            i = 0;
        }
    }
    PWDKillSpell(sp);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CheckCompounds)->ArgsProduct({{0, 1, 2}, {0, 1}});

struct Misspelling {
    std::string typed, intended;
    bool inFirstTwo;
};

std::vector<Misspelling> misspellings(size_t n)
{
    const auto& all = englishWords();
    std::set<std::string> listed(all.begin(), all.end());
    std::mt19937 rng(5);
    std::vector<Misspelling> out;
    const char letters[] = "abcdefghijklmnopqrstuvwxyz";
    while (out.size() < n) {
        // Common words: short lower-case ones from the start of the alphabet mix.
        const std::string& w = all[rng() % all.size()];
        if (w.size() < 4 || w.size() > 9)
            continue;
        bool simple = true;
        for (char c : w)
            simple = simple && c >= 'a' && c <= 'z';
        if (!simple)
            continue;
        std::string t = w;
        int kind = static_cast<int>(rng() % 4);
        size_t k = rng() % w.size();
        if (kind == 0)
            t.insert(t.begin() + static_cast<long>(k), letters[rng() % 26]);
        else if (kind == 1)
            t.erase(t.begin() + static_cast<long>(k));
        else if (kind == 2)
            t[k] = letters[rng() % 26];
        else if (k + 1 < t.size())
            std::swap(t[k], t[k + 1]);
        if (t == w || listed.count(t))
            continue;
        out.push_back({t, w, k < 2});
    }
    return out;
}

void BM_Guess(benchmark::State& state)
{
    freshPool();
    PWDHandle sp = PWDInitSpell((resources() + "/American.dct").c_str(), 0);
    auto cases = misspellings(1000);
    long top5 = 0, n = 0, top5First = 0, nFirst = 0;
    for (const auto& m : cases) {
        auto g = guessList(sp, m.typed);
        bool hit = false;
        for (size_t i = 0; i < g.size() && i < 5; ++i)
            hit = hit || g[i] == m.intended;
        if (m.inFirstTwo) {
            ++nFirst;
            top5First += hit;
        } else {
            ++n;
            top5 += hit;
        }
    }
    size_t i = 0;
    for (auto _ : state) {
        auto g = guessList(sp, cases[i].typed);
        benchmark::DoNotOptimize(g);
        if (++i == cases.size())
            i = 0;
    }
    PWDKillSpell(sp);
    state.counters["top5%"] = 100.0 * top5 / n;
    state.counters["top5FirstTwo%"] = 100.0 * top5First / nFirst;
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Guess)->Unit(benchmark::kMillisecond);

// Running English text: every word of the Debian Edu manual in order, as a
// checker meets it (repeated words, names, capitals), in the engine's set
// and in UTF-8 for hunspell. Words outside the engine's set are left out of
// both.
struct Text {
    std::vector<std::string> mac, utf8;
};

const Text& runningEnglish()
{
    static Text t = [] {
        Text out;
        for (const std::vector<uint32_t>& w :
             hyphref::runningTextTokens({"/usr/share/doc/debian-edu-doc-en/debian-edu-bookworm-manual.html"})) {
            std::string u;
            for (uint32_t ch : w)
                hyphref::appendUtf8(u, ch);
            auto mac = kit::fromUTF8(kit::Encoding::MacRoman, u);
            if (!mac || mac->empty() || mac->size() > 125)
                continue;
            out.mac.push_back(*mac);
            out.utf8.push_back(u);
        }
        return out;
    }();
    return t;
}

// Words per second over the running text, the whole text per iteration,
// each pass starting without the results of the one before (within a pass
// the engine answers a repeated word from its recent results).
void BM_RunningText(benchmark::State& state)
{
    const Text& text = runningEnglish();
    if (text.mac.empty()) {
        state.SkipWithError("running text missing (debian-edu-doc-en)");
        return;
    }
    freshPool();
    PWDHandle sp = PWDInitSpell((resources() + "/American.dct").c_str(), 0);
    if (!sp) {
        state.SkipWithError("dictionary missing");
        return;
    }
    long accepted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        PWDWordListsChanged();
        state.ResumeTiming();
        accepted = 0;
        for (const std::string& w : text.mac)
            accepted += check(sp, w) != 0;
    }
    PWDKillSpell(sp);
    state.counters["words"] = static_cast<double>(text.mac.size());
    state.counters["accepted%"] = 100.0 * static_cast<double>(accepted) / static_cast<double>(text.mac.size());
    state.SetItemsProcessed(state.iterations() * static_cast<long>(text.mac.size()));
}
BENCHMARK(BM_RunningText)->Unit(benchmark::kMillisecond);

#if SCRIVLY_BENCH_HUNSPELL
// hunspell's library (Hunspell_spell) on the same words.
void BM_RunningTextHunspell(benchmark::State& state)
{
    const Text& text = runningEnglish();
    Hunhandle* h = Hunspell_create("/usr/share/hunspell/en_US.aff", "/usr/share/hunspell/en_US.dic");
    if (text.utf8.empty() || !h) {
        state.SkipWithError("running text or hunspell's en_US missing");
        if (h)
            Hunspell_destroy(h);
        return;
    }
    long accepted = 0;
    for (auto _ : state) {
        accepted = 0;
        for (const std::string& w : text.utf8)
            accepted += Hunspell_spell(h, w.c_str()) != 0;
    }
    Hunspell_destroy(h);
    state.counters["words"] = static_cast<double>(text.utf8.size());
    state.counters["accepted%"] = 100.0 * static_cast<double>(accepted) / static_cast<double>(text.utf8.size());
    state.SetItemsProcessed(state.iterations() * static_cast<long>(text.utf8.size()));
}
BENCHMARK(BM_RunningTextHunspell)->Unit(benchmark::kMillisecond);
#endif

// hunspell on the same words, when it is there: words per second of
// `hunspell -l` and seconds for suggestions (`hunspell -a`) of 100 words.
void BM_Hunspell(benchmark::State& state)
{
    if (std::system("command -v hunspell > /dev/null 2>&1") != 0) {
        state.SkipWithError("hunspell not installed");
        return;
    }
    auto text = sampleText(100000);
    auto cases = misspellings(100);
    std::string words = "/tmp/scrivly-bench-words.txt", typos = "/tmp/scrivly-bench-typos.txt";
    {
        std::ofstream f(words);
        for (auto& w : text)
            f << kit::toUTF8(kit::Encoding::MacRoman, w) << "\n";
        std::ofstream g(typos);
        for (auto& m : cases)
            g << m.typed << "\n";
    }
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        std::system(("hunspell -d en_US -l < " + words + " > /dev/null").c_str());
        auto t1 = std::chrono::steady_clock::now();
        std::system(("hunspell -d en_US -a < " + typos + " > /dev/null").c_str());
        auto t2 = std::chrono::steady_clock::now();
        state.counters["checkWordsPerSec"] = text.size() / std::chrono::duration<double>(t1 - t0).count();
        state.counters["guessMsPerWord"] = 1000.0 * std::chrono::duration<double>(t2 - t1).count() / cases.size();
    }
}
BENCHMARK(BM_Hunspell)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
