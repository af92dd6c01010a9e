#include "LaidOutDocument.h"

#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "items/TextItem.h"
#include "text/TextWordSpecial.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

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
        for (const auto& paragraph : doc.text->paragraphList())
            for (const auto& word : paragraph->wordList())
                word->setHyphens();
}
BENCHMARK(BM_AllHyphenPoints)->Unit(benchmark::kMillisecond);

// Line layout of the whole flow, words measured.
void BM_LayoutWholeFlow(benchmark::State& state)
{
    LaidOutDocument& doc = laidOut();
    for (auto _ : state)
        doc.text->recomputeAll();
    state.counters["pages"] = double(doc.document->numPages());
    state.counters["split_words"] = double(doc.checkLaidOut().splitWords);
}
BENCHMARK(BM_LayoutWholeFlow)->Unit(benchmark::kMillisecond);

// From nothing, as after reading a file: one page, words not measured. The
// layout measures, finds hyphen points where lines end and adds the pages.
void BM_FullLayoutFromNothing(benchmark::State& state)
{
    LaidOutDocument doc;
    for (auto _ : state) {
        state.PauseTiming();
        doc.build();
        state.ResumeTiming();
        doc.measureAll();
        doc.text->recomputeAll();
    }
    state.counters["pages"] = double(doc.document->numPages());
    state.counters["split_words"] = double(doc.checkLaidOut().splitWords);
}
BENCHMARK(BM_FullLayoutFromNothing)->Unit(benchmark::kMillisecond)->Iterations(3);

// The first paragraph that starts on the page given (1 or about 400; the
// last page for a shorter document).
TextParagraph* paragraphOnPage(LaidOutDocument& doc, int page)
{
    const int last = doc.document->numPages();
    const TextItem* column = nullptr;
    for (const auto& item : doc.document->pageAt(std::min(page, last) - 1)->pageItems())
        if (!column)
            column = dynamic_cast<const TextItem*>(item.get());
    const int at = std::max(column->startPoint().paragraph, 0) + 1;
    return doc.text->paragraphAtIndex(std::min(at, doc.text->paragraphCount() - 1));
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

namespace {

// Renumbering after an edit in the last paragraph: the counters are replayed
// from the flow's first paragraph.
void BM_RenumberFromTheLastParagraph(benchmark::State& state)
{
    LaidOutDocument& doc = laidOut();
    // Set-up gives the document its numbering levels (this benchmark runs
    // last: set-up may fill other settings the document lacks).
    doc.document->setup();
    const int last = doc.text->paragraphCount() - 1;
    for (auto _ : state)
        doc.text->recomputeAutonumberingFrom(last);
    state.counters["paragraphs"] = double(last + 1);
}
BENCHMARK(BM_RenumberFromTheLastParagraph)->Unit(benchmark::kMicrosecond);

} // namespace
