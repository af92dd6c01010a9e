// Reading RTF: the 400-page benchmark document as the writer writes it,
// read into a new document as when the file is opened (text, formats and
// the layout of every page), and the RTF of its first n paragraphs, to show
// that the time grows with the text and no faster (the document has some
// 1,800 paragraphs).

#include "LaidOutDocument.h"

#include "bundles/convala/markup/LayoutDocumentIOMethods.h"
#include "bundles/convala/markup/ZynImportRun.h"
#include "bundles/convala/rtf/RTFExportMethods.h"
#include "bundles/convala/rtf/RTFImportMethods.h"

#include "foundation/ZMemoryStream.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

struct Source {
    LaidOutDocument doc;
    std::string rtf;
    Source()
    {
        RTFImportMethods::install();
        doc.document->setActiveTextItem(doc.first);
        ZMemoryStream stream;
        RTFExportRun run(stream);
        RTFExportMethods::writeRTF(*doc.document, run);
        rtf = *stream.data();
    }
};

Source& source()
{
    static Source s;
    return s;
}

// The RTF of the document's first count paragraphs.
std::string firstParagraphs(int count)
{
    const std::string& rtf = source().rtf;
    std::size_t at = 0;
    for (int i = 0; i < count && at != std::string::npos; ++i)
        at = rtf.find("\\par\n", at + 1);
    return at == std::string::npos ? rtf : rtf.substr(0, at) + "}";
}

// Reads the RTF into a new document; the pages it was laid out on.
int read(benchmark::State& state, const std::string& rtf)
{
    state.PauseTiming();
    BenchDocument target("bench-rtf-import");
    target.makeDocument();
    target.document->setActiveTextItem(target.first);
    state.ResumeTiming();
    bool lost = false;
    if (!LayoutDocumentIOMethods::dispatchRTFStream(*target.document, rtf, &lost, ZynImportOptions{true, nullptr}) ||
        lost) {
        state.SkipWithError("the RTF was not read whole");
        return 0;
    }
    state.PauseTiming();
    const int pages = target.document->numPages();
    target.document.reset();
    state.ResumeTiming();
    return pages;
}

void BM_ReadRTFDocument(benchmark::State& state)
{
    const std::string& rtf = source().rtf;
    int pages = 0;
    for (auto _ : state)
        pages = read(state, rtf);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(rtf.size()));
    state.counters["rtf_bytes"] = static_cast<double>(rtf.size());
    state.counters["pages"] = static_cast<double>(pages);
}
BENCHMARK(BM_ReadRTFDocument)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ReadRTFParagraphs(benchmark::State& state)
{
    const std::string rtf = firstParagraphs(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(read(state, rtf));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(rtf.size()));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadRTFParagraphs)->RangeMultiplier(2)->Range(128, 1024)->Complexity(benchmark::oN)->Unit(
    benchmark::kMillisecond);

} // namespace
