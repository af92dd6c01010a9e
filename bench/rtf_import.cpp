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
    LaidOutDocument::Shown laidOut;
    std::string rtf;
    Source()
    {
        RTFImportMethods::install();
        // Laid out, for what a read must give again.
        doc.measureAll();
        doc.text->recomputeAll();
        laidOut = doc.checkLaidOut();
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

// The words in the first count paragraphs of the document.
long wordsIn(int count)
{
    long n = 0;
    for (const auto& paragraph : source().doc.text->paragraphList())
        if (count-- > 0)
            n += long(paragraph->wordCount());
    return n;
}

// Reads the RTF of the first paragraphs (words in all) into a new document;
// the pages it was laid out on. The text must arrive whole and hyphenated.
int read(benchmark::State& state, const std::string& rtf, long words, double* splitWords = nullptr)
{
    state.PauseTiming();
    BenchDocument target("bench-rtf-import");
    target.makeDocument();
    // RTF does not say that a paragraph hyphenates: the paragraphs it
    // brings take the new column's default, hyphenated as the source's are.
    target.text->paragraphStyle()->setHyphenate(true);
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
    target.text->completeLayout();
    const BenchDocument::Shown shown = BenchDocument::checkHyphenated(*target.text, words, "reading RTF");
    if (splitWords)
        *splitWords = double(shown.splitWords);
    target.document.reset();
    state.ResumeTiming();
    return pages;
}

void BM_ReadRTFDocument(benchmark::State& state)
{
    const std::string& rtf = source().rtf;
    int pages = 0;
    double splitWords = 0;
    const long words = wordsIn(source().doc.text->paragraphCount());
    for (auto _ : state)
        pages = read(state, rtf, words, &splitWords);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(rtf.size()));
    state.counters["rtf_bytes"] = static_cast<double>(rtf.size());
    state.counters["pages"] = static_cast<double>(pages);
    state.counters["split_words"] = splitWords;
    // Read whole, the text lays out as its source does.
    if (pages != source().doc.document->numPages() || long(splitWords) != source().laidOut.splitWords)
        state.SkipWithError("the RTF read is laid out unlike the document it was written from");
}
BENCHMARK(BM_ReadRTFDocument)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ReadRTFParagraphs(benchmark::State& state)
{
    const std::string rtf = firstParagraphs(static_cast<int>(state.range(0)));
    const long words = wordsIn(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(read(state, rtf, words));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(rtf.size()));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadRTFParagraphs)->RangeMultiplier(2)->Range(128, 1024)->Complexity(benchmark::oN)->Unit(
    benchmark::kMillisecond);

} // namespace
