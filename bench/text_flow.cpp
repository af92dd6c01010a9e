#include "TextBenchSetting.h"

#include "app/Layvane.h"
#include "core/FileManager.h"
#include "foundation/FontAccessoryValues.h"
#include "foundation/Preferences.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "graphics/FontManager.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

// A 400-page flow: 4,000 paragraphs of 500 characters (2 million in all),
// typed through the paragraphs' own editing so the words are real.
struct LongFlow : TextBenchSetting {
    LongFlow() : TextBenchSetting("bench-flow")
    {
        const std::string sentence = "the measuring of words in paragraphs ";
        for (int p = 0; p < Paragraphs; ++p) {
            if (p > 0)
                flow->currentParagraph()->addByte('\r');
            std::string text;
            while (text.size() < CharactersPerParagraph)
                text += sentence;
            text.resize(CharactersPerParagraph);
            for (unsigned char c : text)
                flow->currentParagraph()->addByte(c);
        }
    }

    static constexpr int Paragraphs = 4000;
    static constexpr std::size_t CharactersPerParagraph = 500;
};

LongFlow& longFlow()
{
    static LongFlow flow;
    return flow;
}

// One character typed at the end of the paragraph and deleted again (the
// word would otherwise grow without end): the pair, word re-measured.
void BM_TypeAtEndOfParagraph(benchmark::State& state)
{
    TextFlow& flow = *longFlow().flow;
    TextParagraph* paragraph = flow.paragraphAtIndex(int(state.range(0)));
    textPoint end;
    paragraph->lastTextPoint(&end);
    flow.setCurrentPoint(&end);
    for (auto _ : state) {
        paragraph->addByte('x');
        paragraph->currentWord()->deleteLeft();
    }
    benchmark::DoNotOptimize(paragraph->currentWord()->length());
}
BENCHMARK(BM_TypeAtEndOfParagraph)->Arg(0)->Arg(3999);

// Looking up the index of the paragraph the caret is in, as every point does.
void BM_IndexOfParagraph(benchmark::State& state)
{
    TextFlow& flow = *longFlow().flow;
    const TextParagraph* paragraph = flow.paragraphAtIndex(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(flow.indexOfParagraph(paragraph));
}
BENCHMARK(BM_IndexOfParagraph)->Arg(0)->Arg(3999);

// The whole flow read through the stream.
void BM_StreamWholeFlow(benchmark::State& state)
{
    TextFlow& flow = *longFlow().flow;
    std::int64_t characters = 0;
    for (auto _ : state) {
        flowPointer fp;
        flow.textFlowSeek(&fp, 0);
        unsigned sum = 0;
        while (!flow.textFlowAtEnd(&fp)) {
            sum += flow.textFlowGetc(&fp);
            ++characters;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(characters);
}
BENCHMARK(BM_StreamWholeFlow)->Unit(benchmark::kMillisecond);

// One paragraph of 20,000 words, its first word bold when range(0) is 1.
struct LongParagraph : TextBenchSetting {
    explicit LongParagraph(bool styled) : TextBenchSetting("bench-paragraph")
    {
        TextParagraph* paragraph = flow->firstParagraph();
        for (int i = 0; i < Words; ++i)
            paragraph->addWord(std::make_unique<TextWord>("word"));
        if (styled) {
            auto bold = std::make_unique<StyleChar>();
            bold->setFont(kit::Font::fontWithName("Times-Bold", 12));
            paragraph->firstWord()->addCharStyle(std::move(bold), 0);
        }
    }
    static constexpr int Words = 20000;
};

// The style in force at the paragraph's last word, as drawing asks for each
// line and measuring for each word: before any edit, and after a word is
// added before it (the paragraph changed).
void BM_StyleInForceAtTheEndOfALongParagraph(benchmark::State& state)
{
    LongParagraph long_(state.range(0) != 0);
    TextParagraph* paragraph = long_.flow->firstParagraph();
    const bool edit = state.range(1) != 0;
    for (auto _ : state) {
        if (edit) {
            paragraph->insertWord(std::make_unique<TextWord>("new"), LongParagraph::Words - 10);
            (void)paragraph->removeWord(paragraph->wordAtIndex(LongParagraph::Words - 10));
        }
        textPoint at{0, paragraph->wordCount() - 1, 2};
        benchmark::DoNotOptimize(long_.flow->styleCharAt(&at));
    }
}
BENCHMARK(BM_StyleInForceAtTheEndOfALongParagraph)->ArgNames({"bold", "edit"})->Args({0, 0})->Args({1, 0})->Args({1, 1});

// The panel's accessory, as the program has it up.
struct PanelAccessory : FontAccessoryValues {
    float condense() const override { return 1; }
    float tracking() const override { return 0; }
    float leading() const override { return 0; }
    float vertical() const override { return 0; }
    float wordSpaceOnly() const override { return 0; }
};

// The font panel brought up to date for Select All over one paragraph of
// range(0) words, all in the paragraph's own style or (range(1) is 1) with a
// run starting every tenth word, bold and roman in turn.
void BM_FontPanelForAWholeLongParagraph(benchmark::State& state)
{
    TextBenchSetting setting("bench-font-panel");
    TextParagraph* paragraph = setting.flow->firstParagraph();
    const int words = int(state.range(0));
    for (int i = 0; i < words; ++i)
        paragraph->addWord(std::make_unique<TextWord>("word"));
    if (state.range(1) != 0)
        for (int i = 0; i < words; i += 10) {
            auto bold = std::make_unique<StyleChar>();
            bold->setFont(kit::Font::fontWithName(i % 20 == 0 ? "Times-Bold" : "Times-Roman", 12));
            paragraph->wordAtIndex(i)->addCharStyle(std::move(bold), 0);
        }
    // With the accessory up its values are looked at across the whole
    // selection, not only the fonts.
    PanelAccessory accessory;
    StyleChar::setFontAccessoryHook([&](bool) { return &accessory; });
    TextSelection selection;
    const textPoint from{0, 0, 0};
    textPoint to{};
    paragraph->lastTextPoint(&to);
    selection.selectBetween(&from, &to, setting.flow.get(), SelectionChar, false);
    for (auto _ : state)
        selection.updateFontPanel();
    StyleChar::setFontAccessoryHook(nullptr);
    if (!kit::FontManager::sharedFontManager().selectedFont() ||
        kit::FontManager::sharedFontManager().isMultiple() != (state.range(1) != 0))
        state.SkipWithError("the panel shows another font");
}
BENCHMARK(BM_FontPanelForAWholeLongParagraph)
    ->ArgNames({"words", "styled"})
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Args({10000, 0})
    ->Unit(benchmark::kMillisecond);

} // namespace
