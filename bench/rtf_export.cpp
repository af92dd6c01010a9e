// Writing RTF: the 400-page benchmark document whole, and its first n
// paragraphs, to show that the time grows with the text and no faster.

#include "LaidOutDocument.h"

#include "bundles/convala/rtf/RTFExportMethods.h"

#include "foundation/ZMemoryStream.h"

#include <benchmark/benchmark.h>

namespace {

// The document's text, unmeasured: the writer reads words and styles only.
LaidOutDocument& document()
{
    static LaidOutDocument doc;
    static bool ready = false;
    if (!ready) {
        doc.document->setActiveTextItem(doc.first);
        ready = true;
    }
    return doc;
}

void BM_WriteRTFDocument(benchmark::State& state)
{
    LaidOutDocument& doc = document();
    std::size_t bytes = 0;
    for (auto _ : state) {
        ZMemoryStream stream;
        RTFExportRun run(stream);
        RTFExportMethods::writeRTF(*doc.document, run);
        bytes = stream.data()->size();
        benchmark::DoNotOptimize(stream.data()->data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
    state.counters["rtf_bytes"] = static_cast<double>(bytes);
    state.counters["pages_at_layout"] = static_cast<double>(doc.document->numPages());
}
BENCHMARK(BM_WriteRTFDocument)->Unit(benchmark::kMillisecond);

void BM_WriteRTFParagraphs(benchmark::State& state)
{
    LaidOutDocument& doc = document();
    const int count = std::min(static_cast<int>(state.range(0)), doc.text->paragraphCount());
    std::size_t bytes = 0;
    for (auto _ : state) {
        ZMemoryStream stream;
        RTFExportRun run(stream);
        run.context().buildListsFromParagraphs(doc.text->firstParagraph());
        const TextParagraph* previous = nullptr;
        for (int i = 0; i < count; ++i) {
            const TextParagraph& paragraph = *doc.text->paragraphAtIndex(i);
            RTFExportMethods::writeRTF(paragraph, previous, 0, 0, paragraph.wordCount() - 1, TextWord::WholeWord,
                                       i == 0, i + 1 < count, run);
            previous = &paragraph;
        }
        bytes = stream.data()->size();
        benchmark::DoNotOptimize(stream.data()->data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
    state.SetComplexityN(count);
}
BENCHMARK(BM_WriteRTFParagraphs)->RangeMultiplier(4)->Range(64, 4096)->Complexity(benchmark::oN)->Unit(
    benchmark::kMillisecond);

} // namespace
