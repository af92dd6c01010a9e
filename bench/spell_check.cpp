#include "LaidOutDocument.h"
#include "PageWindow.h"

#include "appkit/Application.h"
#include "appkit/TextField.h"
#include "core/Alert.h"
#include "panels/PanelFind.h"
#include "panels/PanelSpellCheck.h"
#include "panels/SpellText.h"
#include "view/PageView.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

// The spelling panel's Check All over the 400-page benchmark document with
// 1,000 distinct misspellings planted through it, in the resources'
// American dictionary, as the panel runs it (a page view in an offscreen
// window edits the first page's column); and one guess.

namespace {

constexpr int Planted = 1000;

std::string misspelling(int i)
{
    std::string word = "qzx";
    for (int k = 0; k < 3; ++k, i /= 26)
        word += char('a' + i % 26);
    return word;
}

struct SpellWindow {
    SpellWindow() : doc(laidOut()), page(doc)
    {
        app = page.app;
        view = page.view;
        alerts = std::make_shared<kit::ScriptedAlertHandler>();
        kit::setAlertHandler(alerts);
        document = doc.document.get();
        flow = doc.text;

        // The misspellings, spread evenly through the words of the text.
        int words = 0;
        for (const auto& paragraph : flow->paragraphList())
            words += paragraph->wordCount();
        const int step = words / Planted;
        int seen = 0, planted = 0;
        for (const auto& paragraph : flow->paragraphList())
            for (const auto& word : paragraph->wordList()) {
                if (seen++ % step != step / 2 || planted >= Planted || word->isSpecial())
                    continue;
                const std::string old = word->text();
                word->setText((misspelling(planted++) + (!old.empty() && old.back() == ' ' ? " " : "")).c_str());
            }
        flow->completeLayout();
        if (planted != Planted) {
            std::fprintf(stderr, "spell_check: %d misspellings planted, not %d\n", planted, Planted);
            std::abort();
        }
        // What a check must look at: each distinct word once.
        for (const auto& paragraph : flow->paragraphList())
            for (const auto& word : paragraph->wordList()) {
                if (word->isSpecial())
                    continue;
                std::string fixed;
                (void)strcpyAndFix(fixed, word->text());
                if (const std::string trimmed = spelltext::trimPunctuation(fixed); !trimmed.empty())
                    distinct.insert(trimmed);
            }

        pages = int(doc.shownColumns().size());
        if (pages < 300) {
            std::fprintf(stderr, "spell_check: the text fills %d pages, not about 400\n", pages);
            std::abort();
        }
        column = doc.shownColumns().front();
        const textPoint start{};
        flow->setCurrentPoint(&start);
        view->showPage(column->page());
        view->beginEditingItem(column);
        document->setSelection({column}, view);
        PanelFind::initialize();
        PanelSpellCheck::initialize();
        panel = dynamic_cast<PanelSpellCheck*>(doc.delegate->panel("spellPanel", true));
        if (!panel || !view->isEditing()) {
            std::fprintf(stderr, "spell_check: no panel, or the text is not edited\n");
            std::abort();
        }
        page.window->display();
    }

    ~SpellWindow()
    {
        view->endEditingIfNeeded();
        document->detachView(view);
        doc.delegate->setMainPageView(nullptr);
        doc.delegate->setMainDocument(nullptr);
        page.window.reset();
        app->resetForTesting();
        kit::setAlertHandler(nullptr);
    }

    LaidOutDocument& doc;
    PageWindow page;
    kit::Application* app = nullptr;
    std::shared_ptr<kit::ScriptedAlertHandler> alerts;
    LayoutDocument* document = nullptr;
    TextFlow* flow = nullptr;
    PageView* view = nullptr;
    TextItem* column = nullptr;
    PanelSpellCheck* panel = nullptr;
    std::set<std::string> distinct;
    int pages = 0;
};

SpellWindow& spellWindow()
{
    static SpellWindow window;
    return window;
}

// Check All, ending as the panel does with the first bad word found in the
// text and guessed.
void BM_CheckAll1000Misspellings(benchmark::State& state)
{
    SpellWindow& w = spellWindow();
    for (auto _ : state) {
        state.PauseTiming();
        w.flow->removeSelection();
        const textPoint start{};
        w.flow->setCurrentPoint(&start);
        state.ResumeTiming();
        w.panel->findAll(nullptr);
        state.PauseTiming();
        const PanelSpellCheck::CheckCounts& counts = w.panel->lastCheckCounts();
        int found = 0;
        for (int i = 0; i < Planted; ++i)
            found += w.panel->badWords().contains(misspelling(i));
        // Each distinct word looked up and guessed at most once, the one
        // language opened once, the one flow once, and no alert.
        if (found != Planted || counts.wordsChecked != int(w.distinct.size()) ||
            counts.wordsGuessed > counts.wordsChecked || counts.wordsGuessed < Planted ||
            counts.dictionariesOpened != 1 || counts.flowsChecked != 1 || !w.alerts->shown().empty()) {
            std::fprintf(stderr, "found %d, checked %d of %zu, guessed %d, opened %d, flows %d, alerts %zu\n", found,
                         counts.wordsChecked, w.distinct.size(), counts.wordsGuessed, counts.dictionariesOpened,
                         counts.flowsChecked, w.alerts->shown().size());
            state.SkipWithError("Check All did not check as claimed");
            break;
        }
        state.counters["bad words"] = double(w.panel->badWords().size());
        state.counters["distinct words"] = double(w.distinct.size());
        state.counters["guessed"] = counts.wordsGuessed;
        state.counters["pages"] = w.pages;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CheckAll1000Misspellings)->Unit(benchmark::kMillisecond)->Iterations(5);

// One Guess of a misspelling in the main dictionary.
void BM_OneGuess(benchmark::State& state)
{
    SpellWindow& w = spellWindow();
    w.panel->badWordField()->setStringValue("internasional");
    for (auto _ : state) {
        w.panel->guessWord(nullptr);
        if (w.panel->guesses().words().empty() || !w.panel->guesses().contains("international")) {
            state.SkipWithError("the guess did not offer the word");
            break;
        }
    }
}
BENCHMARK(BM_OneGuess)->Unit(benchmark::kMillisecond);

} // namespace
