// The words of the 400-page benchmark text (about 200,000 words): making
// them from plain text, reading them from a copied selection's archive, the
// heap and allocations each word takes, the memory of the whole document
// laid out, and tearing documents of 100 to 800 pages down, which should
// take time in proportion to their text (the tear-down and freeing times are
// the thread's CPU time).
//
// The memory benchmark resets the kernel's high-water mark of the process
// before it makes the document, so that its peak is the document's.

#include "BenchText.h"
#include "TextBenchSetting.h"

#include "core/FileManager.h"
#include "document/DocumentFiles.h"
#include "document/LayoutDocument.h"
#include "tests/documents/SampleDocument.h"
#include "text/TextSelection.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <new>
#include <string>

namespace {
long long allocations = 0;
}

// Every allocation of the program is counted: the words' share is the
// difference over making them. Not inlined, so that the compiler sees the
// pair as the operators they replace.
[[gnu::noinline]] void* operator new(std::size_t size)
{
    ++allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

constexpr int Words = 200000;

struct Setting : TextBenchSetting {
    Setting() : TextBenchSetting("bench-word-storage")
    {
        LayoutDocument::initialize();
        TextSelection::initialize();
    }
};

Setting& setting()
{
    static Setting s;
    return s;
}

std::size_t heapInUse()
{
    malloc_trim(0);
    return mallinfo2().uordblks;
}

// Resident memory of the process now, in bytes.
std::size_t residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * std::size_t(sysconf(_SC_PAGESIZE));
}

// The process's peak resident memory since the last resetPeakResident, in
// bytes (the kernel's high-water mark).
std::size_t peakResidentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            std::size_t kb = 0;
            status >> kb;
            return kb * 1024;
        }
        status.ignore(1 << 16, '\n');
    }
    return 0;
}

void resetPeakResident()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

constexpr double MiB = 1024.0 * 1024.0;

int wordsIn(const TextSelection& selection)
{
    int words = 0;
    for (TextWord* word : selection.wordList())
        words += !word->isSpecial();
    return words;
}

// The time this thread spent, in its own work and the kernel's for it: on a
// machine busy with other work the wall clock mostly measures the others.
double threadMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1.0e6;
}

// The plain text of the benchmark document made into words, as a paste of
// another program's text makes them; then the words freed.
void BM_WordsFromPlainText(benchmark::State& state)
{
    (void)setting();
    const std::string text = benchtext::plainText(Words);
    double freeing = 0, bytes = 0, allocated = 0;
    int words = 0;
    for (auto _ : state) {
        const std::size_t heapBefore = heapInUse();
        const long long before = allocations;
        std::unique_ptr<TextSelection> selection = TextSelection::selectionFromPlainText(text);
        benchmark::DoNotOptimize(selection.get());
        state.PauseTiming();
        words = wordsIn(*selection);
        allocated = double(allocations - before);
        bytes = double(heapInUse() - heapBefore);
        state.ResumeTiming();
        const double freeStart = threadMs();
        selection.reset();
        freeing += threadMs() - freeStart;
    }
    if (words < Words)
        state.SkipWithError("the text lost words");
    state.counters["words"] = words;
    state.counters["allocs_per_word"] = allocated / words;
    state.counters["bytes_per_word"] = bytes / words;
    state.counters["free_ms"] = freeing / double(state.iterations());
}
BENCHMARK(BM_WordsFromPlainText)->Unit(benchmark::kMillisecond);

// The same words read back from the archive of a copy of them, as Paste
// reads the program's own copies: each word through its stored form.
void BM_WordsFromStoredForm(benchmark::State& state)
{
    Setting& s = setting();
    s.flow = std::make_unique<TextFlow>();
    s.flow->firstParagraph()->paragraphStyle()->setFont(s.font);
    TextSelection::selectionFromPlainText(benchtext::plainText(Words))->insertInFlow(s.flow.get(), nullptr, true);
    textPoint first, last;
    s.flow->firstTextPoint(&first);
    s.flow->lastTextPoint(&last);
    s.flow->selectBetween(&first, &last, SelectionPara, false);
    const std::string data = s.flow->textSelection()->archivedData();
    s.flow->removeSelection();
    s.flow.reset();
    double allocated = 0;
    int words = 0;
    for (auto _ : state) {
        const long long before = allocations;
        std::unique_ptr<TextSelection> read = TextSelection::selectionFromData(data, nullptr, nullptr);
        state.PauseTiming();
        allocated = double(allocations - before);
        words = read ? wordsIn(*read) : 0;
        read.reset();
        state.ResumeTiming();
    }
    if (words < Words)
        state.SkipWithError("the archive lost words");
    state.counters["words"] = words;
    state.counters["allocs_per_word"] = allocated / words;
}
BENCHMARK(BM_WordsFromStoredForm)->Unit(benchmark::kMillisecond);

// Words of running text for a document of about that many pages.
int wordsForPages(int pages)
{
    static const double perPage = [] {
        const std::unique_ptr<LayoutDocument> trial = sample::make(setting().delegate->preferences(), 100 * 520);
        return 100.0 * 520 / trial->numPages();
    }();
    return int(perPage * pages);
}

// Tearing down the benchmark document of range(0) pages, laid out, as made
// (range(1) 0) or as read from its stored form and laid out (1): the time
// per page should not grow with the pages.
void BM_TearDown(benchmark::State& state)
{
    const Preferences* preferences = setting().delegate->preferences();
    const int words = wordsForPages(int(state.range(0)));
    const bool opened = state.range(1) != 0;
    std::string bytes;
    if (opened)
        bytes = writeDocumentData(*sample::make(preferences, words)).value_or("");
    int pages = 0;
    double total = 0;
    for (auto _ : state) {
        std::unique_ptr<LayoutDocument> document =
            opened ? readDocumentData(bytes) : sample::make(preferences, words);
        if (!document) {
            state.SkipWithError("the document did not read");
            break;
        }
        if (opened)
            for (TextFlow* flow : document->flows())
                flow->recomputeAll();
        pages = document->numPages();
        const double start = threadMs();
        document.reset();
        const double ms = threadMs() - start;
        total += ms;
        state.SetIterationTime(ms / 1000.0);
    }
    state.counters["pages"] = pages;
    state.counters["us_per_page"] = pages ? total * 1000.0 / double(state.iterations()) / pages : 0;
}
BENCHMARK(BM_TearDown)
    ->ArgNames({"pages", "opened"})
    ->ArgsProduct({{100, 200, 400, 800}, {0, 1}})
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// The memory of the 400-page document laid out, as made (range(0) 0) or read
// from its file (1): its heap, and the process's resident memory before, after
// and at its peak while the document was made.
void BM_Memory400Pages(benchmark::State& state)
{
    const Preferences* preferences = setting().delegate->preferences();
    const int words = wordsForPages(400);
    const bool opened = state.range(0) != 0;
    std::string file;
    if (opened) {
        file = kit::FileManager::uniqueTemporaryPath("bench-word-storage") + ".lvb";
        std::unique_ptr<LayoutDocument> made = sample::make(preferences, words);
        if (!made->saveFile(file, false))
            state.SkipWithError("the document did not save");
    }
    double heap = 0, resident = 0, peak = 0, before = 0;
    int pages = 0;
    for (auto _ : state) {
        const std::size_t heapBefore = heapInUse();
        before = double(residentBytes()) / MiB;
        resetPeakResident();
        std::unique_ptr<LayoutDocument> document;
        if (opened) {
            document = readDocumentFile(file);
            if (!document) {
                state.SkipWithError("the document did not read");
                break;
            }
            for (TextFlow* flow : document->flows())
                flow->recomputeAll();
        } else {
            document = sample::make(preferences, words);
        }
        state.PauseTiming();
        peak = double(peakResidentBytes()) / MiB;
        heap = double(heapInUse() - heapBefore) / MiB;
        resident = double(residentBytes()) / MiB;
        pages = document->numPages();
        state.ResumeTiming();
        document.reset();
    }
    if (!file.empty())
        std::remove(file.c_str());
    state.counters["pages"] = pages;
    state.counters["heap_MiB"] = heap;
    state.counters["rss_before_MiB"] = before;
    state.counters["rss_MiB"] = resident;
    state.counters["peak_rss_MiB"] = peak;
}
BENCHMARK(BM_Memory400Pages)->ArgName("opened")->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
