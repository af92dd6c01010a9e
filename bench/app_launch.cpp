// Launching the program in the process (offscreen screen): the class set-up
// and main interface file once, then per run a fresh application delegate's
// launch up to its first window shown: with an empty new document, and
// with the 400-page benchmark document named on the command line (read,
// laid out, first page drawn).

#include "app/Scrivly.h"
#include "appkit/Application.h"
#include "core/FileManager.h"
#include "document/LayoutDocument.h"
#include "foundation/Preferences.h"
#include "tests/documents/SampleDocument.h"
#include "text/DocumentView.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>

namespace {

std::string& folder()
{
    static std::string f = [] {
        const std::string made = kit::FileManager::uniqueTemporaryPath("bench-launch");
        kit::FileManager::createDirectoryAtPath(made);
        setenv("XDG_CONFIG_HOME", made.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", made.c_str(), 1);
        if (!std::getenv("QT_QPA_PLATFORM"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return made;
    }();
    return f;
}

// The class set-up of a start, timed once.
double classSetUpSeconds()
{
    static double seconds = [] {
        (void)folder();
        const auto start = std::chrono::steady_clock::now();
        kit::Application::sharedApplication();
        Scrivly::initialize();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }();
    return seconds;
}

// The delegate's launch with the arguments, up to every window flushed;
// then its documents close.
void launchOnce(const std::vector<std::string>& arguments, benchmark::State& state)
{
    auto delegate = std::make_unique<Scrivly>();
    kit::Application& application = kit::Application::sharedApplication();
    application.setDelegate(delegate.get());
    delegate->preferences()->setVisibleMask(0x01);
    delegate->setCommandLineArguments(arguments);
    delegate->appDidInit(&application, false);
    application.updateWindows();
    state.PauseTiming();
    if (delegate->documents().empty() || delegate->documents().front()->views().empty())
        state.SkipWithError("no document window");
    for (LayoutDocument* document : delegate->documents()) {
        document->setEdited(false);
        document->close(nullptr);
    }
    application.setDelegate(nullptr);
    delegate.reset();
    application.resetForTesting();
    state.ResumeTiming();
}

void BM_LaunchToFirstWindowWithAnEmptyDocument(benchmark::State& state)
{
    state.counters["class_setup_ms"] = classSetUpSeconds() * 1000;
    for (auto _ : state)
        launchOnce({"Scrivly"}, state);
}
BENCHMARK(BM_LaunchToFirstWindowWithAnEmptyDocument)->Unit(benchmark::kMillisecond)->Iterations(10);

const std::string& fourHundredPages()
{
    static std::string path = [] {
        (void)classSetUpSeconds();
        auto delegate = std::make_unique<Scrivly>();
        const Preferences* preferences = delegate->preferences();
        int words = 400 * 520;
        {
            std::unique_ptr<LayoutDocument> trial = sample::make(preferences, words);
            words = int(double(words) * 400 / trial->numPages());
        }
        std::unique_ptr<LayoutDocument> document = sample::make(preferences, words);
        const std::string file = folder() + "/four-hundred.lvb";
        document->saveFile(file, false);
        return file;
    }();
    return path;
}

void BM_OpenThe400PageDocumentFromTheCommandLine(benchmark::State& state)
{
    const std::string& file = fourHundredPages();
    for (auto _ : state)
        launchOnce({"Scrivly", file}, state);
}
BENCHMARK(BM_OpenThe400PageDocumentFromTheCommandLine)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
