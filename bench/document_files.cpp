// Saving and opening the benchmark document (running text in Times 12 over
// 100, 200 and 400 pages, with a header, a footer, a table and styles): the
// save over its own file (archive, temporary file, flush to disk, rename,
// backup link), the open (decoding, completing the master layer and set-up;
// the first view's layout of every flow reported apart), the memory an
// opened document takes against the same document built in memory, and the
// stress program: 1,000 saves killed at random moments.

#include "TextBenchSetting.h"

#include "core/FileManager.h"
#include "document/DocumentFiles.h"
#include "document/LayoutDocument.h"
#include "tests/documents/KillDuringSave.h"
#include "tests/documents/SampleDocument.h"
#include "text/TextFlow.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdio>
#include <map>
#include <memory>

namespace {

TextBenchSetting& setting()
{
    static TextBenchSetting* s = [] {
        auto* made = new TextBenchSetting("bench-documents");
        LayoutDocument::initialize();
        return made;
    }();
    return *s;
}

std::size_t heapInUse()
{
    malloc_trim(0);
    return mallinfo2().uordblks;
}

struct Built {
    std::unique_ptr<LayoutDocument> document;
    std::string bytes;
    std::size_t memory = 0; // heap taken by the document as built
};

// A document of about the number of pages: the words per page are measured
// on a first build, the second build has the pages.
Built& documentOf(int pages)
{
    static std::map<int, Built> built;
    auto found = built.find(pages);
    if (found != built.end())
        return found->second;
    const Preferences* preferences = setting().delegate->preferences();
    int words = pages * 520;
    {
        std::unique_ptr<LayoutDocument> trial = sample::make(preferences, words);
        words = int(double(words) * pages / trial->numPages());
    }
    Built b;
    const std::size_t before = heapInUse();
    b.document = sample::make(preferences, words);
    b.memory = heapInUse() - before;
    b.bytes = writeDocumentData(*b.document).value_or("");
    b.document->setFilename(kit::FileManager::uniqueTemporaryPath("bench-document") + ".lvb");
    b.document->saveFile(b.document->filename(), false);
    return built.emplace(pages, std::move(b)).first->second;
}

void BM_SaveDocument(benchmark::State& state)
{
    Built& b = documentOf(int(state.range(0)));
    LayoutDocument& document = *b.document;
    for (auto _ : state) {
        document.setLastModifyTime(std::nullopt);
        if (!document.saveFile(document.filename(), false))
            state.SkipWithError("the save failed");
    }
    state.counters["pages"] = double(document.numPages());
    state.counters["bytes"] = double(b.bytes.size());
    state.counters["per_page"] =
        benchmark::Counter(double(document.numPages()), benchmark::Counter::kIsIterationInvariantRate |
                                                            benchmark::Counter::kInvert);
}
BENCHMARK(BM_SaveDocument)->Arg(100)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond);

// The archive alone, without the file.
void BM_EncodeDocument(benchmark::State& state)
{
    Built& b = documentOf(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(writeDocumentData(*b.document));
    state.counters["pages"] = double(b.document->numPages());
}
BENCHMARK(BM_EncodeDocument)->Arg(100)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond);

// The heap an opened document takes, the decoder gone.
std::size_t openedMemory(const std::string& file, bool laidOut)
{
    const std::size_t before = heapInUse();
    std::unique_ptr<LayoutDocument> opened = readDocumentFile(file);
    if (opened && laidOut)
        for (TextFlow* flow : opened->flows())
            flow->recomputeAll();
    const std::size_t memory = heapInUse() - before;
    return memory;
}

void BM_OpenDocument(benchmark::State& state)
{
    Built& b = documentOf(int(state.range(0)));
    const std::string file = b.document->filename();
    const std::size_t memory = openedMemory(file, false);
    for (auto _ : state) {
        std::unique_ptr<LayoutDocument> opened = readDocumentFile(file);
        if (!opened)
            state.SkipWithError("the document did not read");
        state.PauseTiming();
        opened.reset();
        state.ResumeTiming();
    }
    state.counters["pages"] = double(b.document->numPages());
    state.counters["memory_vs_built"] = double(memory) / double(b.memory);
    state.counters["per_page"] =
        benchmark::Counter(double(b.document->numPages()), benchmark::Counter::kIsIterationInvariantRate |
                                                               benchmark::Counter::kInvert);
}
BENCHMARK(BM_OpenDocument)->Arg(100)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond);

// What the first view adds: every flow laid out from its start.
void BM_FirstViewLayout(benchmark::State& state)
{
    Built& b = documentOf(int(state.range(0)));
    const std::size_t memory = openedMemory(b.document->filename(), true);
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<LayoutDocument> opened = readDocumentData(b.bytes);
        state.ResumeTiming();
        for (TextFlow* flow : opened->flows())
            flow->recomputeAll();
        state.PauseTiming();
        opened.reset();
        state.ResumeTiming();
    }
    state.counters["pages"] = double(b.document->numPages());
    state.counters["memory_vs_built"] = double(memory) / double(b.memory);
}
BENCHMARK(BM_FirstViewLayout)->Arg(100)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond);

// The stress program: a 50-page document saved over and over by a child
// that is killed 1,000 times; the file must read as the old or the new
// document each time.
void BM_KillDuringSave(benchmark::State& state)
{
    const Preferences* preferences = setting().delegate->preferences();
    std::unique_ptr<LayoutDocument> first = sample::make(preferences, 26000);
    std::unique_ptr<LayoutDocument> second = sample::make(preferences, 26000);
    TextFlow* flow = sample::firstColumnOn(second->pageAt(0))->flow();
    flow->currentParagraph()->addWord(std::make_unique<TextWord>("second"));
    const std::string file = kit::FileManager::uniqueTemporaryPath("bench-killed") + ".lvb";
    stress::KillReport report;
    for (auto _ : state)
        report = stress::killDuringSave(*first, *second, file, int(state.range(0)), 1999);
    std::printf("kill during save: %d kills of saves of a %d-page document, %d unreadable files, %d holding "
                "neither version (old %d, new %d, %d temporary files left)\n",
                report.kills, first->numPages(), report.unreadable, report.neither, report.first, report.second,
                report.leftovers);
    state.counters["pages"] = double(first->numPages());
    state.counters["kills"] = double(report.kills);
    state.counters["unreadable"] = double(report.unreadable);
    state.counters["neither"] = double(report.neither);
    if (report.kills != state.range(0) || report.unreadable != 0 || report.neither != 0)
        state.SkipWithError("a killed save left a file that is neither version");
}
BENCHMARK(BM_KillDuringSave)->Arg(1000)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
