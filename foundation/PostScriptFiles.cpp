#include "foundation/PostScriptFiles.h"

#include "core/Bundle.h"
#include "core/FileManager.h"
#include "core/Locale.h"
#include "foundation/FileManagerExtensions.h"
#include "graphics/DrawContext.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace {

// Only the first 513 bytes decide which character ends lines.
constexpr std::size_t LineEndSearchSpan = 513;
constexpr std::size_t MaximumPageLength = 100000000;

std::optional<char> findLineEnd(std::string_view data)
{
    const std::size_t span = std::min(data.size(), LineEndSearchSpan);
    for (std::size_t i = 0; i < span; ++i)
        if (data[i] == '\n' || data[i] == '\r')
            return data[i];
    return std::nullopt;
}

bool startsWith(std::string_view line, std::string_view prefix)
{
    return line.size() >= prefix.size() && line.compare(0, prefix.size(), prefix) == 0;
}

// The text after "%%Key:" and the blanks that follow it.
std::string_view valueAfterColon(std::string_view line)
{
    std::size_t i = line.find(':');
    if (i == std::string_view::npos)
        return {};
    ++i;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    return line.substr(i);
}

int leadingInt(std::string_view text)
{
    return kit::Locale::parseInt(text).value_or(0);
}

bool readBox(std::string_view text, int box[4])
{
    int values[4];
    std::size_t at = 0;
    for (int& v : values) {
        std::size_t used = 0;
        auto n = kit::Locale::parseInt(text.substr(at), &used);
        if (!n)
            return false;
        v = *n;
        at += used;
    }
    std::copy(values, values + 4, box);
    return true;
}

struct Line {
    std::size_t start; // first byte
    std::size_t end;   // the line-end byte (or the data's end)
    std::size_t next;  // start of the following line
};

// Walks the lines of a DSC file, keeping the nesting depth of embedded
// documents and binary sections, and jumping over counted binary data so
// that its bytes are never read as comments. Binary ranges are reported so
// that nothing rewrites them.
class DSCWalker {
public:
    DSCWalker(std::string_view data, char lineEnd) : data_(data), lineEnd_(lineEnd) {}

    bool next(Line& line)
    {
        if (pos_ >= data_.size())
            return false;
        const void* found = std::memchr(data_.data() + pos_, lineEnd_, data_.size() - pos_);
        line.start = pos_;
        line.end = found ? static_cast<std::size_t>(static_cast<const char*>(found) - data_.data()) : data_.size();
        line.next = std::min(line.end + 1, data_.size());
        pos_ = line.next;
        track(line);
        return true;
    }

    int depth() const { return depthBefore_; }
    std::string_view text(const Line& line) const { return data_.substr(line.start, line.end - line.start); }
    const std::vector<std::pair<std::size_t, std::size_t>>& binaryRanges() const { return binary_; }

private:
    void track(const Line& line)
    {
        const std::string_view t = text(line);
        depthBefore_ = depth_;
        if (!startsWith(t, "%%"))
            return;
        if (startsWith(t, "%%BeginDocument")) {
            ++depth_;
        } else if (startsWith(t, "%%BeginBinary")) {
            ++depth_;
            skipCounted(line, leadingInt(valueAfterColon(t)), false);
        } else if (startsWith(t, "%%BeginData")) {
            // "%%BeginData: count [type [Bytes|Lines]]"; bytes by default.
            std::string_view v = valueAfterColon(t);
            const bool lines = v.find("Lines") != std::string_view::npos;
            skipCounted(line, leadingInt(v), lines);
        } else if (startsWith(t, "%%EndDocumentSetup")) {
            // not the end of an embedded document
        } else if (startsWith(t, "%%EndDocument") || startsWith(t, "%%EndBinary")) {
            if (depth_ > 0)
                --depth_;
        }
    }

    void skipCounted(const Line& line, int count, bool lines)
    {
        if (count <= 0)
            return;
        std::size_t end = line.next;
        if (lines) {
            for (int i = 0; i < count && end < data_.size(); ++i) {
                const void* found = std::memchr(data_.data() + end, lineEnd_, data_.size() - end);
                end = found ? static_cast<std::size_t>(static_cast<const char*>(found) - data_.data()) + 1
                            : data_.size();
            }
        } else {
            end = static_cast<std::size_t>(count) > data_.size() - end ? data_.size() : end + static_cast<std::size_t>(count);
        }
        binary_.emplace_back(line.next, end);
        pos_ = end;
    }

    std::string_view data_;
    char lineEnd_;
    std::size_t pos_ = 0;
    int depth_ = 0;
    int depthBefore_ = 0;
    std::vector<std::pair<std::size_t, std::size_t>> binary_;
};

} // namespace

int countPostScriptPages(const std::string& path)
{
    auto mapped = kit::FileManager::mappedContentsAtPath(path);
    if (!mapped) {
        std::fprintf(stderr, "Can't Count Pages in %s\n", path.c_str());
        return 1;
    }
    const std::string_view data = mapped->view();
    if (!startsWith(data, "%!"))
        return 1;
    auto lineEnd = findLineEnd(data);
    if (!lineEnd)
        return 1;
    DSCWalker walker(data, *lineEnd);
    Line line;
    int count = 0;
    while (walker.next(line)) {
        if (walker.depth() != 0)
            continue;
        const std::string_view t = walker.text(line);
        if (!startsWith(t, "%%Pages:"))
            continue;
        const std::string_view value = valueAfterColon(t);
        if (value.empty())
            continue;
        count = leadingInt(value);
        if (count != 0)
            break;
    }
    return count < 1 ? 1 : count;
}

std::string pageFileName(const std::string& name, int page)
{
    return kit::formatString("%s/%s_p%d.ps", tempPath().c_str(), kit::FileManager::lastPathComponent(name).c_str(),
                             page);
}

PSSplitResult splitPostScriptFile(const std::string& path, const std::string& name, int firstPage, int numPages,
                                  int capacity)
{
    PSSplitResult result;
    auto mapped = kit::FileManager::mappedContentsAtPath(path);
    if (!mapped) {
        std::fprintf(stderr, "Can't Split %s\n", path.c_str());
        return result;
    }
    std::string data(mapped->view());
    auto lineEnd = findLineEnd(data);
    if (!lineEnd)
        return result;

    struct PageEntry {
        std::size_t offset;
        std::optional<std::size_t> length;
    };
    std::vector<PageEntry> pages;
    const std::size_t maxPages = capacity > 0 ? static_cast<std::size_t>(capacity) : 0;
    bool numbering = false;
    bool quark = false;
    std::optional<std::size_t> prologEnd, setupEnd, documentSetupEnd, firstPageLine, eofLine;
    int box[4] = {0, 0, 0, 0};
    bool haveBox = false;
    PageEntry* open = nullptr; // the page whose end is still to be found

    DSCWalker walker(data, *lineEnd);
    Line line;
    while (walker.next(line)) {
        if (walker.depth() != 0)
            continue;
        const std::string_view t = walker.text(line);
        if (!startsWith(t, "%%"))
            continue;
        if (startsWith(t, "%%Page:")) {
            if (!numbering && leadingInt(valueAfterColon(t)) != 0)
                numbering = true;
            if (!numbering)
                continue;
            if (open) {
                open->length = line.start - open->offset;
                open = nullptr;
            }
            if (!firstPageLine)
                firstPageLine = line.start;
            if (pages.size() < maxPages) {
                pages.push_back({line.next, std::nullopt});
                open = &pages.back();
            }
        } else if (startsWith(t, "%%Pages:")) {
            // One page from now on; the line keeps its length and its end.
            const std::size_t colon = line.start + std::strlen("%%Pages:");
            for (std::size_t i = colon; i < line.end; ++i)
                data[i] = i == colon ? '1' : ' ';
        } else if (startsWith(t, "%%Creator: QuarkXPress")) {
            quark = true;
        } else if (startsWith(t, "%%EndProlog")) {
            prologEnd = line.next;
        } else if (startsWith(t, "%%EndSetup")) {
            if (!setupEnd)
                setupEnd = line.next;
        } else if (startsWith(t, "%%EndDocumentSetup")) {
            if (!documentSetupEnd)
                documentSetupEnd = line.next;
        } else if (startsWith(t, "%%BoundingBox:")) {
            static constexpr std::string_view unknownBox = "%%BoundingBox: ? ? ? ?";
            static constexpr std::string_view atEnd = "%%BoundingBox: (atend)";
            static_assert(unknownBox.size() == atEnd.size());
            if (t == unknownBox)
                data.replace(line.start, atEnd.size(), atEnd);
            else if (!haveBox)
                haveBox = readBox(valueAfterColon(t), box);
        } else if (startsWith(t, "%%PageBoundingBox:")) {
            if (!haveBox)
                haveBox = readBox(valueAfterColon(t), box);
        } else if (startsWith(t, "%%Trailer")) {
            if (open) {
                open->length = line.start - open->offset;
                open = nullptr;
            }
        } else if (startsWith(t, "%%EOF")) {
            if (!eofLine)
                eofLine = line.start;
        }
    }
    // A last page with neither a following page nor a trailer runs to the
    // end of the file (or its end-of-file comment): its content is kept.
    if (open) {
        const std::size_t end = eofLine && *eofLine >= open->offset ? *eofLine : data.size();
        open->length = end - open->offset;
    }

    // Carriage returns become line feeds, except inside binary data.
    std::size_t from = 0;
    auto convert = [&](std::size_t to) {
        for (std::size_t i = from; i < to; ++i)
            if (data[i] == '\r')
                data[i] = '\n';
    };
    for (const auto& [start, end] : walker.binaryRanges()) {
        convert(start);
        from = end;
    }
    convert(data.size());

    auto headerEnd = [&](bool withDocumentSetup) -> std::size_t {
        if (withDocumentSetup && documentSetupEnd)
            return *documentSetupEnd;
        if (setupEnd)
            return *setupEnd;
        if (prologEnd)
            return *prologEnd;
        // No prolog comments at all: the header is everything before the
        // first page, so that each page file still starts as the original.
        return firstPageLine.value_or(0);
    };
    if (haveBox && box[2] == 0)
        haveBox = false;

    result.fromQuarkXPress = quark;
    result.status = quark ? PSSplitQuarkXPress : PSSplitDone;
    const long long last = static_cast<long long>(firstPage) + numPages - 1;
    for (long long p = firstPage; p <= last; ++p) {
        if (p < 1 || static_cast<std::size_t>(p - 1) >= pages.size()) {
            result.status = PSSplitMissingPages;
            break;
        }
        const PageEntry& page = pages[static_cast<std::size_t>(p - 1)];
        if (page.length && *page.length > MaximumPageLength) {
            result.status = PSSplitPageTooLong;
            break;
        }
        const bool fullHeader = !quark || p == firstPage;
        std::string out(data, 0, headerEnd(fullHeader));
        out += kit::formatString("\n%% PAGE %d here\n", static_cast<int>(p));
        out += kit::formatString(" %% renumbered to single-page\n /=print /pop load def\n /= /pop load def\n"
                                 " /== /pop load def\n%%%%Page: 1 1\n");
        if (page.length)
            out.append(data, page.offset, *page.length);
        out += kit::formatString("\n%%%%Trailer\n%%%%Pages: 1\n");
        if (haveBox)
            out += kit::formatString("%%%%BoundingBox: %d %d %d %d\n", box[0], box[1], box[2], box[3]);
        else
            out += kit::formatString("%%%%BoundingBox: 0 0 612 792\n");
        if (!kit::FileManager::writeFileAtomically(pageFileName(name, static_cast<int>(p)), out)) {
            result.status = PSSplitFailed;
            break;
        }
        ++result.pagesWritten;
    }
    return result;
}

bool sendPSFile(const std::string& resourceName)
{
    const std::string path = kit::Bundle::pathForResource(resourceName, "");
    std::optional<std::string> bytes;
    if (!path.empty())
        bytes = kit::FileManager::contentsAtPath(path);
    kit::DrawContext* context = kit::DrawContext::current();
    if (!bytes) {
        if (context)
            context->sendPostScript(kit::formatString("(%s) LAYVANE_MISSING_FILE_ERROR\n", resourceName.c_str()));
        return false;
    }
    if (context)
        context->sendPostScript(*bytes);
    return true;
}

bool sendDropShadowDict() { return sendPSFile("dropshadow1.ps"); }

bool sendDropShadowEnd() { return sendPSFile("dropshadow2.ps"); }
