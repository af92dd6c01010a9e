// From a plain-text file to a PostScript file in one go, as a user who opens
// a long text and prints it to a file meets it: a 200,000-word file (one
// paragraph a line) read and pasted into the column of a new document, laid
// out justified and hyphenated on Letter pages (the layout adds the pages),
// and every page drawn into the PostScript writer and written out.

#include "LaidOutDocument.h"

#include "core/Encoding.h"
#include "core/FileManager.h"
#include "foundation/Paint.h"
#include "graphics/PostScriptContext.h"
#include "text/TextSelection.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

constexpr int Words = 200000;

using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

struct Files {
    Files()
    {
        folder = kit::FileManager::uniqueTemporaryPath("bench-plain-text");
        kit::FileManager::createDirectoryAtPath(folder);
        input = folder + "/long.txt";
        output = folder + "/long.ps";
        std::ofstream(input, std::ios::binary) << benchtext::plainText(Words);
    }
    std::string folder, input, output;
};

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The text file into the document's column at its caret, as a paste of
// plain text does; nothing laid out yet.
void readText(BenchDocument& doc, const std::string& path)
{
    const std::optional<std::string> bytes = kit::fromUTF8(kit::Encoding::NeXTSTEP, readFile(path));
    std::unique_ptr<TextSelection> pasted = TextSelection::selectionFromPlainText(bytes.value_or(""));
    pasted->insertInFlow(doc.text, nullptr, true);
}

// Every page into the writer, in page order, as printing does.
void drawPages(BenchDocument& doc, kit::PostScriptContext& context)
{
    context.beginDocument({});
    const kit::Rect box = kit::makeRect(0, 0, 612, 792);
    int number = 1;
    for (const auto& page : doc.document->pages()) {
        context.beginPage("", number++, box);
        // The page's coordinates run downward, as in the page view.
        context.translate(0, 792);
        context.scale(1, -1);
        for (const auto& item : page->pageItems())
            if (auto* column = dynamic_cast<TextItem*>(item.get()))
                column->drawSelf(Paint::into(context), box);
        context.endPage();
    }
    context.endDocument();
}

void BM_PlainTextToPostScript(benchmark::State& state)
{
    static Files files;
    BenchDocument doc("bench-plain-text");
    double read = 0, layout = 0, drawing = 0, writing = 0;
    std::size_t bytes = 0;
    int pages = 0;
    long splitWords = 0;
    long words = 0;
    for (const auto& paragraph : benchtext::paragraphs(Words))
        words += long(paragraph.size());
    for (auto _ : state) {
        state.PauseTiming();
        doc.makeDocument();
        state.ResumeTiming();
        auto start = Clock::now();
        readText(doc, files.input);
        read += msSince(start);
        start = Clock::now();
        doc.text->recomputeAll();
        layout += msSince(start);
        start = Clock::now();
        kit::PostScriptContext context;
        drawPages(doc, context);
        drawing += msSince(start);
        start = Clock::now();
        if (!context.writeToFile(files.output))
            state.SkipWithError("the PostScript file was not written");
        writing += msSince(start);
        bytes = context.output().size();
        pages = doc.document->numPages();
        state.PauseTiming();
        splitWords = BenchDocument::checkHyphenated(*doc.text, words, "BM_PlainTextToPostScript").splitWords;
        doc.document.reset();
        state.ResumeTiming();
    }
    const double n = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["read_ms"] = read / n;
    state.counters["layout_ms"] = layout / n;
    // The PostScript: the pages drawn into the writer, and the file written
    // (atomically, synced to the disk).
    state.counters["draw_ms"] = drawing / n;
    state.counters["file_ms"] = writing / n;
    state.counters["MB"] = double(bytes) / 1e6;
    state.counters["pages"] = pages;
    state.counters["split_words"] = double(splitWords);
}
BENCHMARK(BM_PlainTextToPostScript)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

} // namespace
