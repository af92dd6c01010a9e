#include "LaidOutDocument.h"

#include <benchmark/benchmark.h>

namespace {

// Measuring every word, as after reading a file.
void BM_RecomputeAllWords(benchmark::State& state)
{
    LaidOutDocument& doc = laidOut();
    for (auto _ : state)
        doc.measureAll();
}
BENCHMARK(BM_RecomputeAllWords)->Unit(benchmark::kMillisecond);

// Hyphen points of every word (the layout asks only for those at line ends).
void BM_AllHyphenPoints(benchmark::State& state)
{
    LaidOutDocument& doc = laidOut();
    for (auto _ : state)
        for (const auto& paragraph : doc.flow->paragraphList())
            for (const auto& word : paragraph->wordList())
                word->setHyphens();
}
BENCHMARK(BM_AllHyphenPoints)->Unit(benchmark::kMillisecond);

// Line layout of the whole flow, words measured.
void BM_LayoutWholeFlow(benchmark::State& state)
{
    LaidOutDocument& doc = laidOut();
    for (auto _ : state)
        doc.flow->recomputeAll();
    state.counters["pages"] = double(doc.flow->lastParagraph()->lastItem() ? doc.document->indexOfPage(
                                                                                 doc.flow->lastParagraph()->lastItem()->page())
                                                                           + 1
                                                                           : 0);
}
BENCHMARK(BM_LayoutWholeFlow)->Unit(benchmark::kMillisecond);

// From nothing: measuring, the hyphen points of every word (more than the
// layout asks for) and layout.
void BM_FullLayoutFromUnmeasuredWords(benchmark::State& state)
{
    LaidOutDocument& doc = laidOut();
    for (auto _ : state) {
        doc.measureAll();
        for (const auto& paragraph : doc.flow->paragraphList())
            for (const auto& word : paragraph->wordList())
                word->setHyphens();
        doc.flow->recomputeAll();
    }
}
BENCHMARK(BM_FullLayoutFromUnmeasuredWords)->Unit(benchmark::kMillisecond);

// The paragraph at the middle of the page given (1 or about 400).
TextParagraph* paragraphOnPage(LaidOutDocument& doc, int page)
{
    TextItem* column = doc.columns[std::size_t(page - 1)];
    const int at = std::max(column->startPoint().paragraph, 0) + 1;
    return doc.flow->paragraphAtIndex(at);
}

// One character typed in the middle of a paragraph and taken away again,
// each followed by its layout; the line count stays.
void BM_TypeKeepingLines(benchmark::State& state)
{
    LaidOutDocument& doc = laidOut();
    TextParagraph* paragraph = paragraphOnPage(doc, int(state.range(0)));
    TextWord* word = paragraph->wordAtIndex(paragraph->wordCount() / 2);
    for (auto _ : state) {
        word->setInsertToEnd();
        word->addByte('s', true);
        paragraph->setDirty(true);
        benchmark::DoNotOptimize(paragraph->recompute(true));
        word->deleteLeft();
        paragraph->setDirty(true);
        benchmark::DoNotOptimize(paragraph->recompute(true));
    }
    state.counters["layouts"] = benchmark::Counter(2, benchmark::Counter::kIsIterationInvariantRate,
                                                   benchmark::Counter::OneK::kIs1000);
}
BENCHMARK(BM_TypeKeepingLines)->Arg(1)->Arg(400)->Unit(benchmark::kMicrosecond);

// Typing that adds a line to a paragraph on page 1, and taking it away: every
// later paragraph moves.
void BM_TypeAddingALine(benchmark::State& state)
{
    LaidOutDocument& doc = laidOut();
    TextParagraph* paragraph = paragraphOnPage(doc, 1);
    TextWord* word = paragraph->lastWord();
    const std::string longText(80, 'm');
    for (auto _ : state) {
        word->setInsertToEnd();
        word->addString(longText.c_str(), false);
        word->computeWithStyle(nullptr);
        paragraph->setDirty(true);
        benchmark::DoNotOptimize(paragraph->recompute(true));
        word->deleteFrom(word->length() - 80, word->length() - 1);
        word->computeWithStyle(nullptr);
        paragraph->setDirty(true);
        benchmark::DoNotOptimize(paragraph->recompute(true));
    }
}
BENCHMARK(BM_TypeAddingALine)->Unit(benchmark::kMillisecond);

} // namespace
