#include "LaidOutDocument.h"

#include "core/FileManager.h"
#include "graphics/PrintInfo.h"
#include "view/PageView.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

// The laid-out benchmark document printed from its page view into a
// PostScript file, as the Print command does without its panel: the page
// set-up and clean-up of every page, the drawing, and the file write.

namespace {

void BM_PrintDocumentToFile(benchmark::State& state)
{
    LaidOutDocument& doc = laidOut();
    doc.document->setPaperSize(kit::makeSize(612, 792));
    doc.document->setPageScale(1.0f);
    doc.document->calcPageRectsFor(1);
    PageView view(kit::makeRect(0, 0, 0, 0));
    view.setFrameSize(doc.document->canvasSize());
    view.setDocument(doc.document.get());
    view.setSuppressPrintPanel(true);
    const std::string folder = kit::FileManager::uniqueTemporaryPath("bench-print");
    kit::FileManager::createDirectoryAtPath(folder);
    const std::string path = folder + "/document.ps";
    auto settings = std::make_shared<kit::PrintInfo>();
    settings->setSavePath(path);
    doc.document->setPrintSettings(settings);
    for (auto _ : state) {
        view.printDocument(nullptr);
        if (!view.lastPrintSuccessful()) {
            state.SkipWithError(view.lastPrintError().c_str());
            break;
        }
    }
    const int pages = doc.document->numPages();
    state.counters["pages"] = double(pages);
    state.counters["pages/s"] = benchmark::Counter(double(pages), benchmark::Counter::kIsIterationInvariantRate);
    // Ghostscript reads the whole file without an error (once, outside the
    // measurement).
    const std::string command = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=nullpage '" + path + "' > /dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        state.SkipWithError("Ghostscript could not read the printed file");
    kit::FileManager::removeFileAtPath(folder);
}
BENCHMARK(BM_PrintDocumentToFile)->Unit(benchmark::kMillisecond);

} // namespace
