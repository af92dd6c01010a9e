// Opening a plain-text file of about 400 pages as the word processor opens
// it (one paragraph a line): the file read and wrapped as RTF, then
// imported into a new document through its foreign-file route; and the
// same with every page laid out. The first open of the process, cold,
// sizes the file and is reported apart; the runs timed are warm. Reported apart: the wrapping alone, in
// UTF-8 (an accent in every paragraph) and in Windows-1252.

#include "BenchText.h"

#include "bundles/convala/markup/Convala.h"

#include "app/Scrivly.h"
#include "core/FileManager.h"
#include "core/UserDefaults.h"
#include "document/LayoutDocument.h"
#include "document/ZynDocumentContents.h"
#include "text/TextFlow.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr int TargetPages = 400;

struct Setting {
    std::string folder;
    std::unique_ptr<Scrivly> delegate;
    Setting()
    {
        folder = kit::FileManager::uniqueTemporaryPath("bench-plain-text-open");
        kit::FileManager::createDirectoryAtPath(folder);
        setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
        kit::UserDefaults::resetStandardUserDefaults();
        Scrivly::initialize();
        TextWord::initialize();
        TextSelection::initialize();
        delegate = std::make_unique<Scrivly>();
        Convala::installHooks();
    }
};

Setting& setting()
{
    static Setting s;
    return s;
}

// Opens the file as the program does, and with layOut lays out every page
// as a drawing or a save would; the document's page count then, or 0 when
// it did not open. The document is closed afterwards, untimed.
int open(benchmark::State& state, const std::string& path, bool layOut, int* pagesAtOpen)
{
    LayoutDocument* document = setting().delegate->openFile(path, false);
    if (document && layOut)
        for (TextFlow* flow : document->flows())
            flow->completeLayout();
    state.PauseTiming();
    int pages = 0;
    if (document) {
        *pagesAtOpen = document->numPages();
        for (TextFlow* flow : document->flows())
            flow->completeLayout();
        pages = document->numPages();
        document->setEdited(false);
        document->close(nullptr);
    }
    state.ResumeTiming();
    return pages;
}

// The first open of the process, cold: milliseconds of the clock.
double coldOpen = 0;

// A file of about TargetPages pages: the words a page takes are measured
// on a first open.
const std::string& fileOfPages()
{
    static const std::string path = [] {
        const std::string file = setting().folder + "/long.txt";
        int words = 200000;
        for (int pass = 0; pass < 2; ++pass) {
            kit::FileManager::writeFileAtomically(file, benchtext::plainText(words));
            if (pass == 1)
                break;
            const auto start = std::chrono::steady_clock::now();
            LayoutDocument* trial = setting().delegate->openFile(file, false);
            coldOpen = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            if (!trial)
                break;
            for (TextFlow* flow : trial->flows())
                flow->completeLayout();
            if (trial->numPages() > 0)
                words = int(double(words) * TargetPages / trial->numPages());
            trial->setEdited(false);
            trial->close(nullptr);
        }
        return file;
    }();
    return path;
}

// The text read into the document (the import lays out what it needs as
// it goes), and the same with every page laid out.
void BM_OpenPlainTextFile(benchmark::State& state)
{
    const std::string& file = fileOfPages();
    const bool layOut = state.range(0) == 1;
    int pages = 0, pagesAtOpen = 0;
    for (auto _ : state)
        if ((pages = open(state, file, layOut, &pagesAtOpen)) == 0)
            state.SkipWithError("the file did not open");
    const auto bytes = kit::FileManager::regularFileContentsAtPath(file);
    state.counters["pages"] = double(pages);
    state.counters["pages_at_open"] = double(pagesAtOpen);
    state.counters["bytes"] = bytes ? double(bytes->size()) : 0.0;
    state.counters["cold_open_ms"] = coldOpen;
    state.SetLabel(layOut ? "every page laid out" : "opened");
}
BENCHMARK(BM_OpenPlainTextFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

// The wrapping of the same text, with one accented letter a paragraph.
void BM_WrapPlainText(benchmark::State& state)
{
    std::string text = benchtext::plainText(200000);
    const bool utf8 = state.range(0) == 1;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 3))
        text.insert(at, utf8 ? "\xC3\xA9" : "\xE9");
    for (auto _ : state)
        benchmark::DoNotOptimize(ZYNAsciiToRTFStream(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
    state.SetLabel(utf8 ? "UTF-8" : "Windows-1252");
}
BENCHMARK(BM_WrapPlainText)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace
