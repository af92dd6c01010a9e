// Reading RTF as it grows: the 400-page benchmark document as Scrivly's
// writer writes it, and the same running text as LibreOffice writes it
// (converted from plain text with soffice, its runs in {\loch ...} groups),
// cut down to a quarter and a half or repeated to twice, four times and
// about 50 MB. For each: the read into a new document (the import alone,
// as when a file is opened), and the open through the document's own route
// with its first page shown (offscreen); warm in this process, and cold in a
// fresh process of its own, which also reports its peak memory (maximum
// resident set) against the file's size. Each read checks that every word
// arrived. Ratios against the 400-page file show whether time and memory
// grow with the text and no faster.
//
// `bench_rtf_read_scaling --read FILE` or `--open FILE` runs one cold read
// or open and prints its figures (what the fresh processes do);
// `--write FOLDER` writes every input file there, for a profiler.

#include "LaidOutDocument.h"

#include "bundles/convala/markup/Convala.h"
#include "bundles/convala/markup/LayoutDocumentIOMethods.h"
#include "bundles/convala/markup/ZynImportRun.h"
#include "bundles/convala/rtf/RTFExportMethods.h"
#include "bundles/convala/rtf/RTFImportMethods.h"

#include "app/Scrivly.h"
#include "appkit/Application.h"
#include "core/FileManager.h"
#include "document/LayoutDocument.h"
#include "foundation/Preferences.h"
#include "foundation/ZMemoryStream.h"
#include "text/DocumentView.h"
#include "text/TextFlow.h"
#include "text/TextSelection.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

double msSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The processor time of the process: on a busy machine the wall clock
// also counts the waits for a processor.
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

long maxRSSKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The words a flow shows: every word of the text that is not a special one.
long wordsShown(const TextFlow& flow)
{
    return BenchDocument::shown(flow).words;
}

// ---- The program as it opens files: a delegate with the bundle's hooks,
// the application offscreen.

struct Program {
    std::string folder;
    std::unique_ptr<Scrivly> delegate;
    Program()
    {
        folder = kit::FileManager::uniqueTemporaryPath("bench-rtf-read-scaling");
        kit::FileManager::createDirectoryAtPath(folder);
        chmod(folder.c_str(), 0700); // Qt wants its runtime folder private
        setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
        if (!std::getenv("QT_QPA_PLATFORM"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        kit::Application& application = kit::Application::sharedApplication();
        Scrivly::initialize();
        TextWord::initialize();
        TextSelection::initialize();
        delegate = std::make_unique<Scrivly>();
        delegate->preferences()->setNewSmartPunctuation(false);
        application.setDelegate(delegate.get());
        Convala::installHooks();
    }
};

Program& program()
{
    static Program p;
    return p;
}

struct Result {
    double ms = 0;
    double cpu = 0;     // processor ms
    double closeMs = 0; // the document's tear-down afterwards, untimed above
    long words = 0;
    int pages = 0;
    bool ok = false;
};

// Reads the RTF into a new document as an opened file's text is read: the
// import alone, timed. The document's words and pages afterwards; its
// tear-down timed apart.
Result readInto(const std::shared_ptr<const std::string>& rtf)
{
    (void)program();
    auto made = std::make_unique<BenchDocument>("bench-rtf-read-scaling-doc");
    BenchDocument& target = *made;
    target.makeDocument();
    target.document->setActiveTextItem(target.first);
    Result r;
    bool lost = false;
    const double cpuStart = cpuMs();
    const auto start = std::chrono::steady_clock::now();
    r.ok = LayoutDocumentIOMethods::dispatchRTFStream(*target.document, rtf, &lost,
                                                      ZynImportOptions{true, nullptr});
    r.ms = msSince(start);
    r.cpu = cpuMs() - cpuStart;
    r.pages = target.document->numPages();
    r.words = wordsShown(*target.text);
    const auto closing = std::chrono::steady_clock::now();
    made.reset();
    r.closeMs = msSince(closing);
    return r;
}

// Opens the file through the program's open route, its window offscreen,
// up to the first page drawn. The document is closed afterwards, timed
// apart.
Result openFile(const std::string& path)
{
    Program& p = program();
    kit::Application& application = kit::Application::sharedApplication();
    Result r;
    const double cpuStart = cpuMs();
    const auto start = std::chrono::steady_clock::now();
    LayoutDocument* document = p.delegate->openFile(path, true);
    application.updateWindows();
    r.ms = msSince(start);
    r.cpu = cpuMs() - cpuStart;
    if (!document || document->views().empty())
        return r;
    r.ok = true;
    r.pages = document->numPages();
    for (TextFlow* flow : document->flows())
        r.words += wordsShown(*flow);
    document->setEdited(false);
    const auto closing = std::chrono::steady_clock::now();
    document->close(nullptr);
    r.closeMs = msSince(closing);
    return r;
}

// ---- The inputs.

// An RTF file as head, body (whole paragraphs) and tail, so that it can be
// cut or repeated by paragraphs.
struct Shape {
    std::string head, body, tail;
    std::string paragraphEnd; // what ends a paragraph in the body
    long words = 0;           // words in the body
};

// The body of an RTF file written by a word processor: from the first
// "\pard" to the document's last closing brace.
Shape shapeOf(const std::string& rtf, const std::string& paragraphEnd, long words)
{
    Shape s;
    const std::size_t body = rtf.find("\\pard");
    const std::size_t end = rtf.rfind('}');
    if (body == std::string::npos || end == std::string::npos || end < body) {
        std::fprintf(stderr, "rtf_read_scaling: no body in the RTF\n");
        std::abort();
    }
    s.head = rtf.substr(0, body);
    s.body = rtf.substr(body, end - body);
    s.tail = rtf.substr(end);
    s.paragraphEnd = paragraphEnd;
    s.words = words;
    return s;
}

// The first fraction of the body's paragraphs (fraction < 1), or the body
// repeated `times` times; with the words it holds. Every paragraph is
// counted: a cut ends at a paragraph end.
std::pair<std::string, long> scaled(const Shape& s, double times, const std::vector<long>& wordsPerParagraph)
{
    if (times >= 1) {
        std::string out = s.head;
        const auto whole = static_cast<int>(times);
        out.reserve(s.head.size() + s.body.size() * std::size_t(whole) + s.tail.size());
        // A body whose last paragraph has no end of its own would run into
        // the next copy's first, one word fewer at every seam.
        const bool ended = s.body.size() >= s.paragraphEnd.size() &&
                           s.body.compare(s.body.size() - s.paragraphEnd.size(), s.paragraphEnd.size(),
                                          s.paragraphEnd) == 0;
        for (int i = 0; i < whole; ++i) {
            if (i > 0 && !ended)
                out += s.paragraphEnd;
            out += s.body;
        }
        out += s.tail;
        return {out, s.words * whole};
    }
    const auto count = static_cast<std::size_t>(double(wordsPerParagraph.size()) * times);
    std::size_t at = 0;
    long words = 0;
    for (std::size_t i = 0; i < count; ++i) {
        at = s.body.find(s.paragraphEnd, at);
        if (at == std::string::npos) {
            std::fprintf(stderr, "rtf_read_scaling: fewer paragraphs than words counted\n");
            std::abort();
        }
        at += s.paragraphEnd.size();
        words += wordsPerParagraph[i];
    }
    return {s.head + s.body.substr(0, at) + s.tail, words};
}

// The 400-page benchmark document and its words, paragraph by paragraph.
const std::vector<long>& paragraphWords()
{
    static const std::vector<long> words = [] {
        std::vector<long> w;
        for (const auto& paragraph : benchtext::paragraphs(LaidOutDocument::Words))
            w.push_back(long(paragraph.size()));
        return w;
    }();
    return words;
}

long totalWords()
{
    long n = 0;
    for (long w : paragraphWords())
        n += w;
    return n;
}

const Shape& scrivlyShape()
{
    static const Shape shape = [] {
        (void)program();
        LaidOutDocument doc;
        doc.document->setActiveTextItem(doc.first);
        ZMemoryStream stream;
        RTFExportRun run(stream);
        RTFExportMethods::writeRTF(*doc.document, run);
        return shapeOf(*stream.data(), "\\par\n", totalWords());
    }();
    return shape;
}

// LibreOffice's RTF of the same text, as plain text converted by soffice;
// empty when soffice is not there or fails.
const Shape* libreOfficeShape()
{
    static const std::unique_ptr<Shape> shape = []() -> std::unique_ptr<Shape> {
        const std::string folder = program().folder + "/libreoffice";
        kit::FileManager::createDirectoryAtPath(folder);
        const std::string text = folder + "/long.txt";
        kit::FileManager::writeFileAtomically(text, benchtext::plainText(LaidOutDocument::Words));
        const std::string command = "cd '" + folder + "' && soffice --headless -env:UserInstallation=file://" +
                                    folder + "/profile --convert-to rtf long.txt >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0)
            return nullptr;
        const std::optional<std::string> rtf = kit::FileManager::regularFileContentsAtPath(folder + "/long.rtf");
        if (!rtf || rtf->find("{\\loch") == std::string::npos)
            return nullptr;
        return std::make_unique<Shape>(shapeOf(*rtf, "\\par ", totalWords()));
    }();
    return shape.get();
}

// The sizes: fractions and multiples of the 400-page document; 0 stands
// for about 50 MB.
constexpr int FiftyMegabytes = 0;
double timesFor(const Shape& s, int size)
{
    if (size == FiftyMegabytes)
        return std::max(1.0, double(50L << 20) / double(s.head.size() + s.body.size()));
    return double(size) / 400.0;
}

struct Input {
    std::string path;
    std::size_t bytes = 0;
    long words = 0;
};

// The file of that writer ("scrivly" or "libreoffice") and size, written
// once into the run's folder.
const Input* inputFor(const std::string& writer, int size)
{
    static std::map<std::pair<std::string, int>, Input> made;
    const auto key = std::make_pair(writer, size);
    if (const auto it = made.find(key); it != made.end())
        return &it->second;
    const Shape* shape = writer == "scrivly" ? &scrivlyShape() : libreOfficeShape();
    if (!shape)
        return nullptr;
    const auto [rtf, words] = scaled(*shape, timesFor(*shape, size), paragraphWords());
    Input input;
    input.path = program().folder + "/" + writer + "-" + std::to_string(size) + ".rtf";
    input.bytes = rtf.size();
    input.words = words;
    kit::FileManager::writeFileAtomically(input.path, rtf);
    return &made.emplace(key, std::move(input)).first->second;
}

// ---- A fresh process.

struct Cold {
    double ms = 0;
    double cpu = 0;
    double closeMs = 0;
    long words = -1;
    int pages = 0;
    long baseKB = 0; // peak resident set before the read (the program set up)
    long peakKB = 0; // peak resident set after it
};

// Runs this program on the file in a process of its own.
bool runFresh(const char* mode, const std::string& path, Cold& cold)
{
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return false;
    self[n] = 0;
    const std::string command = std::string("'") + self + "' " + mode + " '" + path + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return false;
    char line[512];
    bool read = false;
    while (std::fgets(line, sizeof line, pipe))
        if (std::sscanf(line, "ms=%lf words=%ld pages=%d base_kb=%ld peak_kb=%ld cpu_ms=%lf close_ms=%lf",
                        &cold.ms, &cold.words, &cold.pages, &cold.baseKB, &cold.peakKB, &cold.cpu,
                        &cold.closeMs) == 7)
            read = true;
    return pclose(pipe) == 0 && read;
}

// What a fresh process does: one read or open, its figures on standard
// output.
int freshMain(const std::string& mode, const std::string& path)
{
    (void)program();
    const long base = maxRSSKilobytes();
    Result r;
    if (mode == "--read") {
        std::optional<std::string> rtf = kit::FileManager::regularFileContentsAtPath(path);
        if (!rtf)
            return 1;
        r = readInto(std::make_shared<const std::string>(std::move(*rtf)));
    } else {
        r = openFile(path);
    }
    if (!r.ok)
        return 1;
    std::printf("ms=%.3f words=%ld pages=%d base_kb=%ld peak_kb=%ld cpu_ms=%.3f close_ms=%.3f\n", r.ms, r.words,
                r.pages, base, maxRSSKilobytes(), r.cpu, r.closeMs);
    std::fflush(stdout);
    // What is left goes with the process, but for its temporary files.
    kit::FileManager::removeFileAtPath(kit::FileManager::temporaryDirectory());
    std::_Exit(0);
}

// ---- The benchmarks. Arguments: writer (0 Scrivly, 1 LibreOffice), size
// in pages of the benchmark document (0: about 50 MB).

const char* writerName(int writer) { return writer == 0 ? "scrivly" : "libreoffice"; }

// Every size's figures, for the ratios printed at the end (warm: the
// fastest of the runs).
struct Line {
    std::size_t bytes = 0;
    int pages = 0;
    double warmMs = 0, coldMs = 0;
    long peakKB = 0;
    double warmCpu = 0, coldCpu = 0;
};
std::map<std::tuple<std::string, int, int>, Line>& summary()
{
    static std::map<std::tuple<std::string, int, int>, Line> lines;
    return lines;
}

void report(benchmark::State& state, const Input& input, const Result& warm, const char* mode)
{
    if (!warm.ok || warm.words != input.words) {
        state.SkipWithError(("the read brought " + std::to_string(warm.words) + " words, not " +
                             std::to_string(input.words))
                                .c_str());
        return;
    }
    state.counters["bytes"] = double(input.bytes);
    state.counters["pages"] = double(warm.pages);
    state.counters["words"] = double(warm.words);
    Cold cold;
    if (!runFresh(mode, input.path, cold) || cold.words != input.words) {
        state.SkipWithError("the fresh process did not read the file whole");
        return;
    }
    state.counters["cold_ms"] = cold.ms;
    state.counters["cold_cpu_ms"] = cold.cpu;
    state.counters["cold_close_ms"] = cold.closeMs;
    state.counters["warm_close_ms"] = warm.closeMs;
    state.counters["warm_cpu_ms"] = warm.cpu;
    state.counters["peak_MB"] = double(cold.peakKB) / 1024.0;
    state.counters["peak_over_base_MB"] = double(cold.peakKB - cold.baseKB) / 1024.0;
    state.counters["peak_per_file_byte"] = double(cold.peakKB) * 1024.0 / double(input.bytes);
    const double megabytes = double(input.bytes) / double(1 << 20);
    state.counters["warm_ms_per_MB"] = warm.ms / megabytes;
    state.counters["cold_ms_per_MB"] = cold.ms / megabytes;
    summary()[{mode, int(state.range(0)), int(state.range(1))}] =
        Line{input.bytes, warm.pages, warm.ms, cold.ms, cold.peakKB, warm.cpu, cold.cpu};
}

void BM_ReadRTF(benchmark::State& state)
{
    const Input* input = inputFor(writerName(int(state.range(0))), int(state.range(1)));
    if (!input) {
        state.SkipWithError("soffice made no RTF");
        return;
    }
    std::optional<std::string> contents = kit::FileManager::regularFileContentsAtPath(input->path);
    const auto rtf = std::make_shared<const std::string>(contents ? std::move(*contents) : std::string());
    Result warm;
    for (auto _ : state) {
        const Result r = readInto(rtf);
        state.SetIterationTime(r.ms / 1000.0);
        if (!warm.ok || r.ms < warm.ms)
            warm = r;
    }
    state.SetLabel(writerName(int(state.range(0))));
    report(state, *input, warm, "--read");
}

void BM_OpenRTFFirstPageShown(benchmark::State& state)
{
    const Input* input = inputFor(writerName(int(state.range(0))), int(state.range(1)));
    if (!input) {
        state.SkipWithError("soffice made no RTF");
        return;
    }
    Result warm;
    for (auto _ : state) {
        const Result r = openFile(input->path);
        state.SetIterationTime(r.ms / 1000.0);
        if (!warm.ok || r.ms < warm.ms)
            warm = r;
    }
    state.SetLabel(writerName(int(state.range(0))));
    report(state, *input, warm, "--open");
}

void sizes(benchmark::internal::Benchmark* b)
{
    for (int writer : {0, 1})
        for (int size : {100, 200, 400, 800, 1600, FiftyMegabytes})
            b->Args({writer, size});
}

BENCHMARK(BM_ReadRTF)->Apply(sizes)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenRTFFirstPageShown)->Apply(sizes)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// Each size against the 400-page file: bytes, warm and cold time and peak
// memory as ratios. Linear growth keeps the time ratio near the bytes ratio.
void printRatios()
{
    for (const auto& [key, line] : summary()) {
        const auto& [mode, writer, size] = key;
        const auto base = summary().find({mode, writer, 400});
        if (base == summary().end())
            continue;
        const Line& b = base->second;
        std::printf("%-6s %-11s %5s pages %5d  %6.2f MB  bytes x%5.2f  warm x%5.2f (%7.1f ms, cpu %7.1f)  cold x%5.2f (%7.1f ms, cpu x%5.2f %7.1f)  "
                    "peak x%5.2f (%6.1f MB, %4.1f x file)\n",
                    mode.c_str() + 2, writerName(writer), size == FiftyMegabytes ? "50MB" : std::to_string(size).c_str(),
                    line.pages, double(line.bytes) / double(1 << 20), double(line.bytes) / double(b.bytes),
                    line.warmMs / b.warmMs, line.warmMs, line.warmCpu, line.coldMs / b.coldMs, line.coldMs,
                    line.coldCpu / b.coldCpu, line.coldCpu,
                    double(line.peakKB) / double(b.peakKB), double(line.peakKB) / 1024.0,
                    double(line.peakKB) * 1024.0 / double(line.bytes));
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--write") == 0) {
        for (int writer : {0, 1})
            for (int size : {100, 200, 400, 800, 1600, FiftyMegabytes})
                if (const Input* input = inputFor(writerName(writer), size))
                    kit::FileManager::copyPath(input->path, std::string(argv[2]) + "/" +
                                                     writerName(writer) + "-" + std::to_string(size) + ".rtf");
        return 0;
    }
    if (argc == 3 && (std::strcmp(argv[1], "--read") == 0 || std::strcmp(argv[1], "--open") == 0))
        return freshMain(argv[1], argv[2]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printRatios();
    return 0;
}
