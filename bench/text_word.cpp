#include "TextBenchSetting.h"

#include "app/Layvane.h"
#include "core/FileManager.h"
#include "core/UserDefaults.h"
#include "foundation/Preferences.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

struct Setting : TextBenchSetting {
    Setting() : TextBenchSetting("bench-text") {}

    TextParagraph* newParagraph()
    {
        auto paragraph = std::make_unique<TextParagraph>();
        paragraph->paragraphStyle()->setFont(font);
        return flow->addParagraph(std::move(paragraph));
    }

};

Setting& setting()
{
    static Setting s;
    return s;
}

// Running English-like text: words of 2 to 9 letters with their space.
std::vector<std::string> words(std::size_t count)
{
    static const char* const common[] = {"the", "hyphenation", "of", "paragraphs", "and", "measuring", "words",
                                         "kerning", "typography", "layout", "with", "columns", "letters",
                                         "printer", "screen", "documents", "flows", "into", "frames", "page"};
    std::mt19937 random(7);
    std::vector<std::string> out;
    for (std::size_t i = 0; i < count; ++i)
        out.push_back(std::string(common[random() % 20]) + " ");
    return out;
}

// 6000 words of running text in paragraphs of 60, as running text has them.
struct MeasuredText {
    std::vector<TextParagraph*> paragraphs;
    long long characters = 0;
};

const MeasuredText& measuredText()
{
    static const MeasuredText text = [] {
        Setting& s = setting();
        MeasuredText out;
        int i = 0;
        for (const std::string& word : words(6000)) {
            if (i++ % 60 == 0)
                out.paragraphs.push_back(s.newParagraph());
            TextWord* added = out.paragraphs.back()->addWord(std::make_unique<TextWord>());
            added->setText(word.c_str());
            out.characters += added->textLength();
        }
        return out;
    }();
    return text;
}

// Measuring as a paragraph measures all its words again: the style carried
// from word to word, starting with the paragraph's.
void BM_MeasureWords(benchmark::State& state)
{
    const MeasuredText& text = measuredText();
    for (auto _ : state)
        for (TextParagraph* paragraph : text.paragraphs) {
            StyleChar* style = paragraph->charStyle();
            for (const auto& word : paragraph->wordList()) {
                word->computeWithStyle(style);
                if (StyleChar* last = word->lastStyle())
                    style = last;
            }
        }
    state.SetItemsProcessed(state.iterations() * text.characters);
}
BENCHMARK(BM_MeasureWords);

// Measuring each word on its own: the style in force is looked up in the flow.
void BM_MeasureWordsLookingUpTheStyle(benchmark::State& state)
{
    const MeasuredText& text = measuredText();
    for (auto _ : state)
        for (TextParagraph* paragraph : text.paragraphs)
            for (const auto& word : paragraph->wordList())
                word->computeWithStyle(nullptr);
    state.SetItemsProcessed(state.iterations() * text.characters);
}
BENCHMARK(BM_MeasureWordsLookingUpTheStyle);

void BM_InsertAndMeasure(benchmark::State& state)
{
    Setting& s = setting();
    TextParagraph* paragraph = s.newParagraph();
    for (const std::string& text : words(20))
        paragraph->addWord(std::make_unique<TextWord>())->setText(text.c_str());
    TextWord* word = paragraph->addWord(std::make_unique<TextWord>());
    word->setText("typography");
    // Each round types a letter and deletes it again: two edits, each
    // re-measuring the word.
    for (auto _ : state) {
        word->setInsertPoint(5);
        word->addByte('x', true);
        word->deleteFrom(5, 5);
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_InsertAndMeasure);

void BM_SetHyphens(benchmark::State& state)
{
    Setting& s = setting();
    TextParagraph* paragraph = s.newParagraph();
    std::vector<TextWord*> list;
    for (const std::string& text : words(2000)) {
        TextWord* word = paragraph->addWord(std::make_unique<TextWord>());
        word->setText(text.c_str());
        list.push_back(word);
    }
    // Without the language's table every word is left at once.
    int hyphenated = 0;
    for (TextWord* word : list) {
        word->setHyphens();
        hyphenated += word->hyphenCount() > 0;
    }
    if (hyphenated == 0) {
        state.SkipWithError("no hyphenation table found in the resources folder");
        return;
    }
    for (auto _ : state)
        for (TextWord* word : list)
            word->setHyphens();
    state.SetItemsProcessed(state.iterations() * static_cast<long long>(list.size()));
}
BENCHMARK(BM_SetHyphens);

} // namespace
