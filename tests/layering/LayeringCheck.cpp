#include "tests/layering/LayeringCheck.h"

#include <fnmatch.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

namespace layering {
namespace {

struct Layer {
    const char* prefix;
    const char* name;
    int rank;
};

// Bottom to top. The spelling engine stands apart: it includes only itself,
// and only the layers above the platform use it.
constexpr Layer kLayers[] = {
    {"platform/core/", "platform/core", 0},   {"platform/graphics/", "platform/graphics", 1},
    {"platform/appkit/", "platform/appkit", 2}, {"platform/", "platform", 2},
    {"foundation/", "foundation", 10},          {"text/", "text", 20},
    {"items/", "items", 30},                    {"document/", "document", 40},
    {"view/", "view", 50},                      {"app/", "app", 60},
    {"panels/", "panels", 70},                  {"bundles/", "bundles", 80},
};
constexpr const char* kSpelling = "spelling/";
constexpr int kSpellingUsers = 10;

// The folders whose files are checked; the build's tools, benchmarks, fuzz
// targets and cross-subsystem tests sit above every layer.
constexpr const char* kLayeredFolders[] = {"platform", "foundation", "spelling", "text",  "items",
                                           "document", "view",       "app",      "panels", "bundles"};

bool startsWith(const std::string& s, const char* prefix)
{
    return s.rfind(prefix, 0) == 0;
}

const Layer* layerOf(const std::string& path)
{
    for (const Layer& layer : kLayers)
        if (startsWith(path, layer.prefix))
            return &layer;
    return nullptr;
}

bool isTestFile(const std::string& path)
{
    return path.find("/tests/") != std::string::npos || startsWith(path, "tests/");
}

bool isSource(const fs::path& p)
{
    static const char* const kExtensions[] = {".h", ".hh", ".hpp", ".c", ".cc", ".cpp", ".cxx", ".inc", ".ipp"};
    const std::string ext = p.extension().string();
    return std::any_of(std::begin(kExtensions), std::end(kExtensions), [&](const char* e) { return ext == e; });
}

// Why from may not include to, or empty when it may.
std::string refusal(const std::string& from, const std::string& to)
{
    if (isTestFile(to) && !isTestFile(from))
        return "program code may not include a test's file";
    const bool fromSpelling = startsWith(from, kSpelling);
    const bool toSpelling = startsWith(to, kSpelling);
    if (fromSpelling)
        return toSpelling ? std::string() : "spelling may include only spelling/";
    const Layer* lower = layerOf(from);
    if (!lower)
        return {};
    if (toSpelling)
        return lower->rank >= kSpellingUsers ? std::string() : std::string(lower->name) + " may not include spelling";
    const Layer* upper = layerOf(to);
    if (!upper)
        return std::string(lower->name) + " may not include files outside the program's layers";
    if (upper->rank > lower->rank)
        return std::string(lower->name) + " may not include " + upper->name;
    return {};
}

// The tree-relative path the compiler would open for the include, or empty
// for a file outside the tree (the C++ library, Qt, system headers).
std::string resolve(const fs::path& root, const fs::path& includer, const std::string& name, bool quoted)
{
    std::vector<fs::path> dirs;
    if (quoted)
        dirs.push_back(includer.parent_path());
    // The build's include folders: the tree and the platform layer.
    dirs.push_back(root);
    dirs.push_back(root / "platform");
    for (const fs::path& dir : dirs) {
        const fs::path candidate = (dir / name).lexically_normal();
        std::error_code ec;
        if (!fs::is_regular_file(candidate, ec))
            continue;
        const fs::path relative = candidate.lexically_relative(root);
        if (relative.empty() || *relative.begin() == "..")
            return {};
        return relative.generic_string();
    }
    return {};
}

bool matches(const std::string& pattern, const std::string& path)
{
    return fnmatch(pattern.c_str(), path.c_str(), 0) == 0;
}

std::string trim(const std::string& s)
{
    const size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return {};
    const size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

} // namespace

std::vector<Allowance> readAllowList(const fs::path& file, std::vector<std::string>& errors)
{
    std::vector<Allowance> out;
    std::ifstream in(file);
    if (!in) {
        errors.push_back("cannot read " + file.string());
        return out;
    }
    std::string line;
    int number = 0;
    bool commented = false; // a comment block runs down to this line
    while (std::getline(in, line)) {
        ++number;
        const size_t hash = line.find('#');
        const std::string body = trim(line.substr(0, hash));
        if (body.empty()) {
            commented = hash != std::string::npos;
            continue;
        }
        std::istringstream fields(body);
        Allowance a;
        std::string extra;
        a.line = number;
        if (!(fields >> a.from >> a.to) || (fields >> extra)) {
            errors.push_back(file.filename().string() + ":" + std::to_string(number) +
                             ": expected two patterns, an including file and an included file");
            continue;
        }
        if (!commented && hash == std::string::npos)
            errors.push_back(file.filename().string() + ":" + std::to_string(number) + ": " + a.from + " " + a.to +
                             " has no comment saying why it is allowed");
        out.push_back(a);
    }
    return out;
}

Result check(const fs::path& root, const std::vector<Allowance>& allowed)
{
    std::vector<fs::path> files;
    for (const char* folder : kLayeredFolders) {
        std::error_code ec;
        if (!fs::is_directory(root / folder, ec))
            continue;
        for (auto it = fs::recursive_directory_iterator(root / folder, ec); it != fs::recursive_directory_iterator();
             it.increment(ec)) {
            if (ec)
                break;
            // Test fixtures are data, some of it deliberately broken.
            if (it->is_directory() && it->path().filename() == "fixtures") {
                it.disable_recursion_pending();
                continue;
            }
            if (it->is_regular_file() && isSource(it->path()))
                files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end());

    static const std::regex kInclude(R"(^\s*#\s*include\s*(["<])([^">]+)[">])");
    std::vector<bool> used(allowed.size(), false);
    Result result;
    for (const fs::path& file : files) {
        const std::string from = file.lexically_relative(root).generic_string();
        std::ifstream in(file);
        std::string line;
        int number = 0;
        while (std::getline(in, line)) {
            ++number;
            std::smatch m;
            if (!std::regex_search(line, m, kInclude))
                continue;
            const std::string to = resolve(root, file, m[2], m[1] == "\"");
            if (to.empty())
                continue;
            const std::string reason = refusal(from, to);
            if (reason.empty())
                continue;
            bool allowedHere = false;
            for (size_t i = 0; i < allowed.size(); ++i)
                if (matches(allowed[i].from, from) && matches(allowed[i].to, to))
                    allowedHere = used[i] = true;
            if (!allowedHere)
                result.findings.push_back({from, number, m[1].str() + m[2].str() + (m[1] == "\"" ? "\"" : ">"),
                                           to, reason});
        }
    }
    for (size_t i = 0; i < allowed.size(); ++i)
        if (!used[i])
            result.unused.push_back(allowed[i]);
    return result;
}

std::string describe(const Finding& f)
{
    return f.file + ":" + std::to_string(f.line) + ": #include " + f.include + " reaches " + f.resolved + " (" +
           f.reason + ")";
}

} // namespace layering
