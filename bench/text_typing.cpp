#include "PageWindow.h"

#include "appkit/Application.h"
#include "appkit/Clock.h"
#include "appkit/Event.h"
#include "core/EventState.h"
#include "view/PageView.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

// Typing into the benchmark flow as a user does: a page view in an offscreen
// window shows the page being edited; each key goes through the queue and the
// flow's key handling, which lays the paragraph out and redraws it, and the
// window is brought up to date and flushed before the next key is sent.

namespace {

struct TypingWindow {
    explicit TypingWindow(int pageNumber) : doc(laidOut()), page(doc)
    {
        app = page.app;
        view = page.view;
        document = doc.document.get();
        flow = doc.text;
        kit::setCurrentEventModifierFlags(0);

        // The caret in the middle of the second paragraph that starts on the page.
        const std::vector<TextItem*> shown = doc.shownColumns();
        column = shown[std::size_t(std::clamp(pageNumber, 1, int(shown.size())) - 1)];
        const int p = std::min(std::max(column->startPoint().paragraph, 0) + 1, flow->paragraphCount() - 1);
        TextParagraph* paragraph = flow->paragraphAtIndex(p);
        textPoint caret{p, paragraph->wordCount() / 2, 0};
        flow->setCurrentPoint(&caret);
        column = flow->item(column, &caret);
        view->showPage(column->page());
        view->beginEditingItem(column);
        page.window->display();
    }

    ~TypingWindow()
    {
        view->endEditingIfNeeded();
        document->detachView(view);
        doc.delegate->setMainPageView(nullptr);
        doc.delegate->setMainDocument(nullptr);
        page.window.reset();
        app->resetForTesting();
    }

    static kit::Event keyEvent(char16_t c)
    {
        const std::u16string chars(1, c);
        return kit::Event::keyEventWithType(kit::EventType::KeyDown, {}, 0, kit::Clock::now(), 0, chars, chars,
                                            false);
    }

    // The next queued key taken as the main loop takes it, handled by the
    // flow, and the window brought up to date.
    void handleNextKey()
    {
        std::optional<kit::Event> event = app->nextEventMatchingMask(kit::KeyDownMask, kit::Date::distantPast(),
                                                                     kit::EventTrackingRunLoopMode, true);
        if (event)
            flow->processKeyEvent(*event, view, column = document->activeTextItem() ? document->activeTextItem()
                                                                                     : column);
        page.window->displayIfNeeded();
        page.window->flushWindowIfNeeded();
    }

    void press(char16_t c)
    {
        app->postEvent(keyEvent(c), false);
        handleNextKey();
    }

    LaidOutDocument& doc;
    PageWindow page;
    kit::Application* app = nullptr;
    LayoutDocument* document = nullptr;
    TextFlow* flow = nullptr;
    PageView* view = nullptr;
    TextItem* column = nullptr;
};

constexpr char16_t Backspace = 0x7F;
const std::u16string Typed = u"the keys of a typist ";

// One key at a time: the words of Typed typed and then taken away again
// with Backspace, so that the paragraph comes back to where it started.
// Each key is timed alone; besides the mean the counters show the median,
// the 99th percentile and the slowest key.
void BM_TypeOneKeyAtATime(benchmark::State& state)
{
    TypingWindow typing(int(state.range(0)));
    std::vector<double> times;
    std::size_t step = 0;
    const std::size_t cycle = 2 * Typed.size();
    for (auto _ : state) {
        const std::size_t k = step++ % cycle;
        const char16_t c = k < Typed.size() ? Typed[k] : Backspace;
        const auto start = std::chrono::steady_clock::now();
        typing.press(c);
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    // Take away what an unfinished cycle left.
    for (std::size_t k = step % cycle; k != 0 && k < cycle; ++k)
        typing.press(k < Typed.size() ? Typed[k] : Backspace);
    std::sort(times.begin(), times.end());
    if (!times.empty()) {
        state.counters["median_ms"] = times[times.size() / 2];
        state.counters["p99_ms"] = times[std::min(times.size() - 1, times.size() * 99 / 100)];
        state.counters["max_ms"] = times.back();
    }
}
BENCHMARK(BM_TypeOneKeyAtATime)->Arg(1)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond);

// A key that adds a line to the paragraph (and the Backspace that takes it
// away): the text after it moves in this column and every later one.
void BM_TypeKeyAddingALine(benchmark::State& state)
{
    TypingWindow typing(int(state.range(0)));
    // Fill the caret's line until one more letter wraps: the last key
    // before the wrap is found by typing until the paragraph grows.
    TextParagraph* paragraph = typing.flow->currentParagraph();
    const float height = paragraph->lastY() - paragraph->firstY();
    int typed = 0;
    while (paragraph->lastY() - paragraph->firstY() == height && typed < 400) {
        typing.press(u'm');
        ++typed;
    }
    typing.press(Backspace);
    for (auto _ : state) {
        typing.press(u'm');
        typing.press(Backspace);
    }
    for (int k = 1; k < typed; ++k)
        typing.press(Backspace);
    state.counters["keys"] = benchmark::Counter(2, benchmark::Counter::kIsIterationInvariantRate,
                                                benchmark::Counter::OneK::kIs1000);
}
BENCHMARK(BM_TypeKeyAddingALine)->Arg(1)->Arg(200)->Unit(benchmark::kMillisecond);

// What a key that adds a line leaves for idle time: the layout of the pages
// out of sight, completed after the key (and after the Backspace that takes
// the line away again). Only the completion is timed.
void BM_IdleLayoutAfterAKeyAddingALine(benchmark::State& state)
{
    TypingWindow typing(int(state.range(0)));
    TextParagraph* paragraph = typing.flow->currentParagraph();
    const float height = paragraph->lastY() - paragraph->firstY();
    int typed = 0;
    while (paragraph->lastY() - paragraph->firstY() == height && typed < 400) {
        typing.press(u'm');
        typing.flow->completeLayout();
        ++typed;
    }
    typing.press(Backspace);
    typing.flow->completeLayout();
    for (auto _ : state) {
        state.PauseTiming();
        typing.press(u'm');
        state.ResumeTiming();
        typing.flow->completeLayout();
        state.PauseTiming();
        typing.press(Backspace);
        state.ResumeTiming();
        typing.flow->completeLayout();
    }
    for (int k = 1; k < typed; ++k)
        typing.press(Backspace);
    typing.flow->completeLayout();
    state.counters["layouts"] = benchmark::Counter(2, benchmark::Counter::kIsIterationInvariantRate,
                                                   benchmark::Counter::OneK::kIs1000);
}
BENCHMARK(BM_IdleLayoutAfterAKeyAddingALine)->Arg(1)->Unit(benchmark::kMillisecond);

// 100 keys queued before the first is handled: the flow takes them in one
// burst, as far as the layout stays in the paragraph; the time runs until
// the queue is empty and the window up to date. Taking them away again is
// not timed.
void BM_TypeBurstOf100Keys(benchmark::State& state)
{
    TypingWindow typing(int(state.range(0)));
    constexpr int Keys = 100;
    double total = 0;
    int handled = 0;
    for (auto _ : state) {
        for (int k = 0; k < Keys; ++k)
            typing.app->postEvent(TypingWindow::keyEvent(Typed[std::size_t(k) % Typed.size()]), false);
        const auto start = std::chrono::steady_clock::now();
        while (typing.app->queuedEventCount() > 0) {
            typing.handleNextKey();
            ++handled;
        }
        total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        for (int k = 0; k < Keys; ++k)
            typing.press(Backspace);
        state.ResumeTiming();
    }
    if (state.iterations() > 0) {
        state.counters["ms_per_key"] = total / double(state.iterations()) / Keys;
        // How many times the flow was called: the keys a burst did not take.
        state.counters["calls"] = double(handled) / double(state.iterations());
    }
}
BENCHMARK(BM_TypeBurstOf100Keys)->Arg(200)->Unit(benchmark::kMillisecond);

} // namespace
