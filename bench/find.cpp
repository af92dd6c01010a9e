#include "PageWindow.h"

#include "appkit/Application.h"
#include "panels/PanelFind.h"
#include "text/TextReplacement.h"
#include "text/TextSelection.h"
#include "view/PageView.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// Find and replace over the 400-page benchmark document, as the panel does
// them: a page view in an offscreen window edits the first page's column.
// Find Next goes to a word only the last page holds, or to a word the text
// lacks; Replace All changes every "international" (one word in twenty,
// about 10,000) and lays the text out, and its Undo puts them back.

namespace {

constexpr const char* Planted = "zyzzyva";

struct FindWindow {
    FindWindow() : doc(laidOut()), page(doc)
    {
        app = page.app;
        view = page.view;
        document = doc.document.get();
        flow = doc.text;

        // One word of the last paragraph, which the last page shows, is
        // the only one of its kind.
        TextParagraph* last = flow->lastParagraph();
        lastParagraph = flow->paragraphCount() - 1;
        last->wordAtIndex(last->wordCount() / 2)->setText(Planted);
        flow->completeLayout();

        const std::vector<TextItem*> shown = doc.shownColumns();
        column = shown.front();
        const textPoint planted = lastPoint();
        if (shown.size() < 300 || flow->item(shown.front(), &planted) != shown.back()) {
            std::fprintf(stderr, "find: the planted word is not on the last of %zu pages\n", shown.size());
            std::abort();
        }
        const textPoint start{};
        flow->setCurrentPoint(&start);
        view->showPage(column->page());
        view->beginEditingItem(column);
        document->setSelection({column}, view);
        PanelFind::initialize();
        panel = dynamic_cast<PanelFind*>(doc.delegate->panel("findPanel", true));
        if (!panel || !view->isEditing()) {
            std::fprintf(stderr, "find: no panel, or the text is not edited\n");
            std::abort();
        }
        page.window->display();
    }

    ~FindWindow()
    {
        view->endEditingIfNeeded();
        document->detachView(view);
        doc.delegate->setMainPageView(nullptr);
        doc.delegate->setMainDocument(nullptr);
        page.window.reset();
        app->resetForTesting();
    }

    textPoint lastPoint() const
    {
        const TextParagraph* last = flow->lastParagraph();
        return textPoint{flow->paragraphCount() - 1, last->wordCount() / 2, 0};
    }

    void caretAtStart()
    {
        flow->removeSelection();
        const textPoint start{};
        flow->setCurrentPoint(&start);
    }

    int occurrences(const char* word) const
    {
        int n = 0;
        for (const auto& paragraph : flow->paragraphList())
            for (const auto& each : paragraph->wordList())
                n += std::string(each->text()) == word;
        return n;
    }

    LaidOutDocument& doc;
    PageWindow page;
    kit::Application* app = nullptr;
    LayoutDocument* document = nullptr;
    TextFlow* flow = nullptr;
    PageView* view = nullptr;
    TextItem* column = nullptr;
    PanelFind* panel = nullptr;
    int lastParagraph = 0;
};

FindWindow& findWindow()
{
    static FindWindow window;
    return window;
}

// From the caret at the start of the flow to the word on the last page,
// with the display step (the page shown, the view told).
void BM_FindNextToTheLastPage(benchmark::State& state)
{
    FindWindow& w = findWindow();
    for (auto _ : state) {
        state.PauseTiming();
        w.caretAtStart();
        state.ResumeTiming();
        const int found = w.panel->findText(Planted, 1, true);
        state.PauseTiming();
        const TextSelection* selection = w.flow->textSelection();
        if (found != 1 || !selection || selection->start().paragraph != w.lastParagraph) {
            state.SkipWithError("Find Next did not reach the word on the last page");
            break;
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FindNextToTheLastPage)->Unit(benchmark::kMillisecond);

// The whole flow searched, wrapped once, and nothing found.
void BM_FindNextNotFound(benchmark::State& state)
{
    FindWindow& w = findWindow();
    for (auto _ : state) {
        state.PauseTiming();
        w.caretAtStart();
        state.ResumeTiming();
        const int found = w.panel->findText("zyzzyvb", 1, true);
        if (found != 0) {
            state.SkipWithError("a word the text lacks was found");
            break;
        }
    }
}
BENCHMARK(BM_FindNextNotFound)->Unit(benchmark::kMillisecond);

// Replace All of about 10,000 occurrences with the layout after; the Undo
// that puts the text back for the next iteration runs untimed.
void BM_ReplaceAll10000(benchmark::State& state)
{
    FindWindow& w = findWindow();
    const int before = w.occurrences("international");
    if (before < 9000 || before > 11000) {
        state.SkipWithError("the text does not hold about 10,000 occurrences");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        w.caretAtStart();
        state.ResumeTiming();
        const int replaced = w.panel->replaceAllText("international", "internationals");
        state.PauseTiming();
        const bool settled = w.flow->isSettled();
        const bool undone = w.flow->undoReplacement(w.view);
        if (replaced != before || !settled || !undone || w.occurrences("international") != before) {
            state.SkipWithError("Replace All did not replace each occurrence once, or left no undo");
            break;
        }
        state.ResumeTiming();
    }
    state.counters["occurrences"] = before;
}
BENCHMARK(BM_ReplaceAll10000)->Unit(benchmark::kMillisecond)->Iterations(5);

// Its Undo, with the layout after; the Replace All before it runs untimed.
void BM_UndoReplaceAll10000(benchmark::State& state)
{
    FindWindow& w = findWindow();
    const int before = w.occurrences("international");
    const std::string firstBefore = TextReplacement::fingerprint(*w.flow->firstParagraph());
    for (auto _ : state) {
        state.PauseTiming();
        w.caretAtStart();
        const int replaced = w.panel->replaceAllText("international", "internationals");
        state.ResumeTiming();
        const bool undone = w.flow->undoReplacement(w.view);
        state.PauseTiming();
        if (replaced != before || !undone || w.occurrences("international") != before ||
            w.occurrences("internationals") != 0 ||
            TextReplacement::fingerprint(*w.flow->firstParagraph()) != firstBefore || !w.flow->isSettled()) {
            state.SkipWithError("the Undo did not put the text back");
            break;
        }
        state.ResumeTiming();
    }
    state.counters["occurrences"] = before;
}
BENCHMARK(BM_UndoReplaceAll10000)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
