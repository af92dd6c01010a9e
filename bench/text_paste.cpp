// Pasting many words or lines at the caret of an empty flow: plain text (as
// another program's copy arrives), a selection copied in the program (its
// archive read back, as Paste and Undelete read theirs), and whole copied
// paragraphs. The time should grow in proportion to what is pasted.

#include "TextBenchSetting.h"

#include "text/TextSelection.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>

namespace {

const char* const Vocabulary[] = {"the", "quick", "brown", "fox", "jumps", "over", "lazy", "dog"};

// Words apart by a space (lines = false) or one word a line.
std::string plainText(int count, bool lines)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            text += lines ? '\n' : ' ';
        text += Vocabulary[i % 8];
    }
    return text;
}

struct PasteSetting : TextBenchSetting {
    PasteSetting() : TextBenchSetting("bench-paste") { TextSelection::initialize(); }

    // An empty flow in the benchmark font, the caret in it.
    void emptyFlow()
    {
        flow = std::make_unique<TextFlow>();
        flow->firstParagraph()->paragraphStyle()->setFont(font);
        auto typing = std::make_unique<StyleChar>();
        typing->setFont(font);
        flow->setCharStyle(std::move(typing));
    }

    // The archive of a selection of the whole text, as Copy keeps it.
    std::string copiedArchive(const std::string& text, int endType)
    {
        emptyFlow();
        TextSelection::selectionFromPlainText(text)->insertInFlow(flow.get(), nullptr, true);
        textPoint first, last;
        flow->firstTextPoint(&first);
        flow->lastTextPoint(&last);
        flow->selectBetween(&first, &last, endType, false);
        std::string data = flow->textSelection()->archivedData();
        flow->removeSelection();
        return data;
    }
};

PasteSetting& setting()
{
    static PasteSetting s;
    return s;
}

void countWords(benchmark::State& state, int count)
{
    int pasted = 0;
    for (const auto& paragraph : setting().flow->paragraphList())
        pasted += paragraph->wordCount();
    if (pasted < count)
        state.SkipWithError("the paste lost words");
    state.counters["items/s"] = benchmark::Counter(double(count), benchmark::Counter::kIsIterationInvariantRate);
}

// Plain text: range(0) words, in one line (range(1) 0) or one a line (1).
void BM_PastePlainText(benchmark::State& state)
{
    PasteSetting& s = setting();
    const int count = int(state.range(0));
    const std::string text = plainText(count, state.range(1) != 0);
    for (auto _ : state) {
        state.PauseTiming();
        s.emptyFlow();
        state.ResumeTiming();
        TextSelection::selectionFromPlainText(text)->insertInFlow(s.flow.get(), nullptr, true);
    }
    countWords(state, count);
}
BENCHMARK(BM_PastePlainText)
    ->ArgNames({"words", "lines"})
    ->Args({10000, 0})
    ->Args({100000, 0})
    ->Args({1000000, 0})
    ->Args({10000, 1})
    ->Args({100000, 1})
    ->Args({1000000, 1})
    ->Unit(benchmark::kMillisecond);

// A copied selection read back from its archive and pasted: range(0) words
// in one line or one a line; range(2) 1 copies whole paragraphs (pasted at
// the start of a paragraph they go in before it), 0 runs of characters.
void BM_PasteCopiedSelection(benchmark::State& state)
{
    PasteSetting& s = setting();
    const int count = int(state.range(0));
    const std::string data =
        s.copiedArchive(plainText(count, state.range(1) != 0), state.range(2) ? SelectionPara : SelectionChar);
    double reading = 0, inserting = 0;
    using Clock = std::chrono::steady_clock;
    auto ms = [](Clock::time_point from, Clock::time_point to) {
        return std::chrono::duration<double, std::milli>(to - from).count();
    };
    for (auto _ : state) {
        state.PauseTiming();
        s.emptyFlow();
        state.ResumeTiming();
        const auto start = Clock::now();
        std::unique_ptr<TextSelection> pasted = TextSelection::selectionFromData(data, nullptr, nullptr);
        const auto read = Clock::now();
        pasted->insertInFlow(s.flow.get(), nullptr, true);
        reading += ms(start, read);
        inserting += ms(read, Clock::now());
    }
    countWords(state, count);
    // Of the time, reading the archive back and putting it into the flow
    // (the rest is freeing what the paste left in the selection).
    const double iterations = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["read_ms"] = reading / iterations;
    state.counters["insert_ms"] = inserting / iterations;
}
BENCHMARK(BM_PasteCopiedSelection)
    ->ArgNames({"words", "lines", "para"})
    ->Args({10000, 0, 0})
    ->Args({100000, 0, 0})
    ->Args({10000, 1, 0})
    ->Args({100000, 1, 0})
    ->Args({10000, 1, 1})
    ->Args({100000, 1, 1})
    ->Unit(benchmark::kMillisecond);

} // namespace
