#include "TextBenchSetting.h"

#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "items/TextItem.h"
#include "text/TextWordSpecial.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

// About 200,000 words of running text in paragraphs of 20 to 200 words, Times
// 12, justified, hyphenated, through one chain of columns on Letter pages.
// The chain is made beforehand on 500 pages (pages are not yet added by the
// columns themselves); the layout empties the columns it does not reach.

namespace {

struct LaidOutDocument : TextBenchSetting {
    LaidOutDocument() : TextBenchSetting("bench-layout")
    {
        document = std::make_unique<LayoutDocument>(delegate->preferences());
        for (int i = 0; i < Pages; ++i) {
            Page* page = document->addPage(std::make_unique<Page>());
            auto column = std::make_unique<TextItem>();
            column->setFrame(kit::makeRect(72, 72, 468, 648), false);
            column->setFlow(flow.get());
            TextItem* raw = column.get();
            page->addItems(std::move(column), false);
            if (!columns.empty()) {
                columns.back()->setNextColumn(raw);
                raw->setPrevColumn(columns.back());
            }
            columns.push_back(raw);
        }
        flow->setFirstTextItem(columns.front());
        StyleParagraph* style = flow->firstParagraph()->paragraphStyle();
        style->setAlignment(3);
        style->setHyphenate(true);

        // Words arrive as from a file: stored, not measured.
        LayoutDocument::setDispatching(true);
        const char* vocabulary[] = {"the", "measuring", "of", "paragraphs", "through", "columns", "and", "pages",
                                    "justified", "hyphenation", "typesetting", "a", "word", "processor",
                                    "international", "responsibility", "in", "layout", "with", "breaking"};
        std::mt19937 random(12345);
        int words = 0;
        while (words < Words) {
            const int count = 20 + int(random() % 181);
            TextParagraph* paragraph = flow->currentParagraph();
            for (int i = 0; i < count; ++i) {
                auto word = std::make_unique<TextWord>();
                TextWord* added = paragraph->addWord(std::move(word));
                added->setText(vocabulary[random() % 20]);
            }
            words += count;
            if (words < Words)
                flow->currentParagraph()->breakAtPoint(paragraph->wordCount() - 1, false);
            paragraph->setCurrentWord(paragraph->lastWord());
        }
        LayoutDocument::setDispatching(false);
    }

    void measureAll()
    {
        for (const auto& paragraph : flow->paragraphList())
            paragraph->recomputeAllWords();
    }

    static constexpr int Pages = 500;
    static constexpr int Words = 200000;
    std::unique_ptr<LayoutDocument> document;
    std::vector<TextItem*> columns;
};

LaidOutDocument& laidOut()
{
    static LaidOutDocument doc;
    static bool ready = false;
    if (!ready) {
        doc.measureAll();
        doc.flow->recomputeAll();
        ready = true;
    }
    return doc;
}

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
