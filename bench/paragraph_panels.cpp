// The paragraph inspector over a 400-page document of 10,000 paragraphs:
// the panels following the caret, a change written into every selected
// paragraph with the re-layout, and the first build of the pane. Each
// benchmark checks that it did what it says; a wrong set-up stops.

#include "BenchText.h"
#include "LaidOutDocument.h"

#include "foundation/Preferences.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraphNamed.h"
#include "panels/PanelTabs.h"
#include "panels/ParagraphInspector.h"
#include "text/TextSelection.h"
#include "view/PageView.h"

#include "appkit/CellMatrix.h"
#include "appkit/Control.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void fail(const std::string& why)
{
    std::fprintf(stderr, "paragraph_panels: %s\n", why.c_str());
    std::abort();
}

// 10,000 paragraphs of 20 words in Times 12 through the copies of an
// automatic master column, edited in a page view; the inspector made as at
// launch and hidden. Styles: a sheet of up to 500 named paragraph styles,
// the paragraphs based on them in turn.
struct PanelDocument : BenchDocument {
    PanelDocument() : BenchDocument("bench-paragraph-panels")
    {
        ParagraphInspector::initialize();
        makeDocument();
        StyleInfo* sheet = document->styleInfo();
        for (int i = 0; i < MaxStyles; ++i)
            if (!sheet->addNewStyleInStyles(sheet->stylesForType(0)))
                fail("no style " + std::to_string(i));
        const StyleParagraph* style = text->firstParagraph()->paragraphStyle();
        document->setDispatching(true);
        TextParagraph* paragraph = text->firstParagraph();
        static const char* const words[] = {"the", "measuring", "of", "paragraphs", "through", "columns", "and", "pages"};
        for (int p = 0; p < Paragraphs; ++p) {
            if (p > 0) {
                auto next = std::make_unique<TextParagraph>();
                next->setParagraphStyle(style->copy());
                paragraph = text->addParagraph(std::move(next));
            }
            for (int w = 0; w < 20; ++w)
                paragraph->addWord(std::make_unique<TextWord>())->setText(words[(p + w) % 8]);
            paragraph->setCurrentWord(paragraph->lastWord());
        }
        document->setDispatching(false);
        for (const auto& each : text->paragraphList())
            each->recomputeAllWords();
        text->recomputeAll();
        if (text->paragraphCount() != Paragraphs || document->numPages() < 300)
            fail(std::to_string(text->paragraphCount()) + " paragraphs on " + std::to_string(document->numPages()) +
                 " pages");

        view = std::make_unique<PageView>(kit::makeRect(0, 0, 800, 800));
        view->setDocument(document.get());
        document->addView(view.get());
        delegate->setMainDocument(document.get());
        delegate->setMainPageView(view.get());
        first->beginEditing(nullptr, view.get());
        if (!view->isEditing() || document->activeTextFlow() != text)
            fail("the text is not edited");
        inspector = std::make_unique<ParagraphInspector>();
        inspector->setPanelHost(delegate.get());
        inspector->init(nullptr);
        if (delegate->paragraphInspectorPanel() != inspector.get() || inspector->isVisible())
            fail("the inspector is not the delegate's, hidden");
    }

    // Paragraph i based on one of the first `styles` named styles.
    void baseOnStyles(int styles)
    {
        const StyleList* list = document->styleInfo()->stylesForType(0);
        std::vector<StyleParagraph*> named;
        for (const auto& entry : *list)
            if (auto* s = dynamic_cast<StyleParagraphNamed*>(entry.get()); s && int(named.size()) < styles)
                named.push_back(s);
        if (int(named.size()) != styles)
            fail(std::to_string(named.size()) + " named styles, not " + std::to_string(styles));
        for (int p = 0; p < 4; ++p)
            text->paragraphAtIndex(p * 2000)->paragraphStyle()->setBasedOnStyle(named[std::size_t((p * 7) % styles)]);
    }

    void select(int count)
    {
        textPoint from{0, 0, 0};
        textPoint to{};
        text->paragraphAtIndex(count - 1)->lastTextPoint(&to);
        text->selectBetween(&from, &to, SelectionChar);
        TextSelection* selection = text->textSelection();
        if (!selection || selection->start().paragraph != 0 || selection->end().paragraph != count - 1)
            fail("the selection is not the first " + std::to_string(count) + " paragraphs");
    }

    static constexpr int Paragraphs = 10000;
    static constexpr int MaxStyles = 500;
    std::unique_ptr<PageView> view;
    std::unique_ptr<ParagraphInspector> inspector;
};

PanelDocument& panelDocument()
{
    static PanelDocument doc;
    return doc;
}

// The caret moving inside one paragraph, the panels following.
void BM_CaretWithinParagraph(benchmark::State& state)
{
    PanelDocument& doc = panelDocument();
    TextFlow* flow = doc.text;
    flow->selectBetween(nullptr, nullptr, SelectionChar);
    const textPoint points[] = {{5000, 2, 1}, {5000, 9, 3}};
    int i = 0;
    for (auto _ : state) {
        flow->setCurrentPoint(&points[i]);
        flow->updateFontPanel(doc.first);
        i ^= 1;
    }
    if (flow->currentParagraph() != flow->paragraphAtIndex(5000))
        fail("the caret left its paragraph");
}
BENCHMARK(BM_CaretWithinParagraph)->Unit(benchmark::kMicrosecond);

// The caret moving between paragraphs far apart with named styles of their
// own: the inspector loads each, with 50 or 500 styles in the sheet.
void BM_CaretIntoAnotherParagraph(benchmark::State& state)
{
    PanelDocument& doc = panelDocument();
    TextFlow* flow = doc.text;
    flow->selectBetween(nullptr, nullptr, SelectionChar);
    doc.baseOnStyles(int(state.range(0)));
    const textPoint points[] = {{0, 1, 1}, {2000, 1, 1}, {4000, 1, 1}, {6000, 1, 1}};
    int i = 0;
    for (auto _ : state) {
        flow->setCurrentPoint(&points[i]);
        flow->updateFontPanel(doc.first);
        i = (i + 1) & 3;
    }
    // What was shown is the named style of the paragraph at the caret.
    const StyleParagraph* shown = doc.inspector->currentNamedStyle();
    if (!shown || shown != flow->currentParagraph()->paragraphStyle()->basedOnStyle())
        fail("the inspector does not show the caret's named style");
}
BENCHMARK(BM_CaretIntoAnotherParagraph)->Arg(50)->Arg(500)->Unit(benchmark::kMillisecond);

// Alignment written into the first 1,000 or all 10,000 paragraphs, laid out.
void BM_AlignmentOfSelection(benchmark::State& state)
{
    PanelDocument& doc = panelDocument();
    const int count = int(state.range(0));
    doc.select(count);
    int tag = 3;
    for (auto _ : state) {
        tag = tag == 3 ? 0 : 3;
        doc.inspector->alignmentMatrix()->selectCellWithTag(tag);
        doc.inspector->changeAlignment(nullptr);
    }
    for (int p : {0, count / 2, count - 1})
        if (doc.text->paragraphAtIndex(p)->paragraphStyle()->alignment() != tag)
            fail("paragraph " + std::to_string(p) + " did not take the alignment");
    if (!doc.text->isSettled())
        fail("the layout is not complete");
}
BENCHMARK(BM_AlignmentOfSelection)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// Tracking: every word of the selection measured anew, then laid out.
void BM_TrackingOfSelection(benchmark::State& state)
{
    PanelDocument& doc = panelDocument();
    const int count = int(state.range(0));
    doc.select(count);
    int value = 0;
    for (auto _ : state) {
        value = value == 0 ? 1 : 0;
        doc.inspector->control("tracking")->setIntValue(value);
        doc.inspector->changeTracking(nullptr);
    }
    if (doc.text->paragraphAtIndex(count - 1)->paragraphStyle()->tracking() != float(value))
        fail("the last paragraph did not take the tracking");
    if (!doc.text->isSettled())
        fail("the layout is not complete");
}
BENCHMARK(BM_TrackingOfSelection)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// A relative space step: every paragraph from its own value.
void BM_SpaceStepOfSelection(benchmark::State& state)
{
    PanelDocument& doc = panelDocument();
    const int count = int(state.range(0));
    doc.select(count);
    const float before = doc.text->paragraphAtIndex(count - 1)->paragraphStyle()->spaceBefore();
    const float step = doc.delegate->preferences()->flagsIncrement(IncrementAboveBelow);
    int sign = -1, steps = 0;
    for (auto _ : state) {
        sign = -sign;
        doc.inspector->step(6, sign, nullptr);
        steps += sign;
    }
    // Up and down in turn: the last paragraph ends where the steps add up to.
    const float after = doc.text->paragraphAtIndex(count - 1)->paragraphStyle()->spaceBefore();
    if (step == 0.0f || std::fabs(after - (before + step * float(steps))) > 0.001f)
        fail("the space steps did not reach the last paragraph");
    if (!doc.text->isSettled())
        fail("the layout is not complete");
}
BENCHMARK(BM_SpaceStepOfSelection)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The tabs panel's apply: the working stops written into every selected
// paragraph, laid out.
void BM_TabsApplyToSelection(benchmark::State& state)
{
    PanelDocument& doc = panelDocument();
    const int count = int(state.range(0));
    doc.select(count);
    PanelTabs tabs;
    tabs.setPanelHost(doc.delegate.get());
    tabs.init(nullptr);
    tabs.updateFromParagraph(doc.text->paragraphAtIndex(0));
    float at = 72;
    for (auto _ : state) {
        at = at == 72 ? 108 : 72;
        // One stop, moved in place as the ruler does.
        while (tabs.numTabs() > 0)
            tabs.removeTab(tabs.tabs());
        tabs.addTab(0, at); // adds and applies
    }
    for (int p : {0, count / 2, count - 1}) {
        const auto& stops = doc.text->paragraphAtIndex(p)->paragraphStyle()->tabs();
        if (stops.size() != 1 || stops.front().location != at)
            fail("paragraph " + std::to_string(p) + " did not take the stop");
    }
    if (count < PanelDocument::Paragraphs && !doc.text->paragraphAtIndex(count)->paragraphStyle()->tabs().empty())
        fail("a paragraph after the selection took the stop");
    if (!doc.text->isSettled())
        fail("the layout is not complete");
    doc.text->selectBetween(nullptr, nullptr, SelectionChar);
    PanelTabs::resetWorkingState();
}
BENCHMARK(BM_TabsApplyToSelection)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The first build of the pane from its interface file.
void BM_FirstSwapIn(benchmark::State& state)
{
    PanelDocument& doc = panelDocument();
    for (auto _ : state) {
        ParagraphInspector fresh;
        fresh.setPanelHost(doc.delegate.get());
        fresh.init(nullptr);
        if (!fresh.inspectorView())
            fail("no pane was built");
        benchmark::DoNotOptimize(fresh.inspectSelection(nullptr));
        doc.delegate->setParagraphInspector(doc.inspector.get());
    }
}
BENCHMARK(BM_FirstSwapIn)->Unit(benchmark::kMillisecond);

} // namespace
