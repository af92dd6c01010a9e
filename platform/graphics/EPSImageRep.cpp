#include "graphics/EPSImageRep.h"

#include "core/FileManager.h"
#include "core/MainQueue.h"
#include "graphics/DrawContext.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace kit {

namespace {

constexpr float kMaxBoxSide = 14400.0f;

std::uint32_t readLE32(std::string_view d, std::size_t at)
{
    return std::uint32_t(static_cast<unsigned char>(d[at])) | std::uint32_t(static_cast<unsigned char>(d[at + 1])) << 8 |
           std::uint32_t(static_cast<unsigned char>(d[at + 2])) << 16 |
           std::uint32_t(static_cast<unsigned char>(d[at + 3])) << 24;
}

bool isDOSEPS(std::string_view d)
{
    return d.size() >= 4 && static_cast<unsigned char>(d[0]) == 0xC5 && static_cast<unsigned char>(d[1]) == 0xD0 &&
           static_cast<unsigned char>(d[2]) == 0xD3 && static_cast<unsigned char>(d[3]) == 0xC6;
}

// Lines ending in LF, CR or CR LF.
template <class F>
void forEachLine(std::string_view text, F&& f)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        std::string_view line = text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        if (!f(line))
            return;
        if (end == std::string_view::npos)
            return;
        pos = end + 1;
        if (text[end] == '\r' && pos < text.size() && text[pos] == '\n')
            ++pos;
    }
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// Four numbers; nullopt for "(atend)" or anything else.
std::optional<Rect> parseBox(std::string_view value)
{
    double v[4];
    const char* p = value.data();
    const char* end = value.data() + value.size();
    for (double& n : v) {
        while (p < end && (*p == ' ' || *p == '\t'))
            ++p;
        auto [next, ec] = std::from_chars(p, end, n);
        if (ec != std::errc() || !std::isfinite(n))
            return std::nullopt;
        p = next;
    }
    if (v[0] < -1e6 || v[1] < -1e6 || v[2] > 1e6 || v[3] > 1e6)
        return makeRect(0, 0, 1e9f, 1e9f); // huge: refused by the caller
    return makeRect(float(v[0]), float(v[1]), float(v[2] - v[0]), float(v[3] - v[1]));
}

bool matches(std::string_view line, std::string_view key, std::string_view& value)
{
    if (line.substr(0, key.size()) != key)
        return false;
    value = trim(line.substr(key.size()));
    return true;
}

std::atomic<double> g_timeLimit{30.0};

// Two workers at most: each runs one Ghostscript at a time.
class RenderQueue {
public:
    static void submit(std::function<void()> job)
    {
        static RenderQueue* queue = new RenderQueue; // never destroyed: workers outlive exit
        queue->add(std::move(job));
    }

private:
    void add(std::function<void()> job)
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
        if (idle_ == 0 && workers_ < 2) {
            ++workers_;
            std::thread([this] { work(); }).detach();
        }
        ready_.notify_one();
    }
    void work()
    {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock lock(mutex_);
                ++idle_;
                ready_.wait(lock, [this] { return !jobs_.empty(); });
                --idle_;
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            job();
        }
    }

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> jobs_;
    int workers_ = 0;
    int idle_ = 0;
};

} // namespace

EPSImageRep::~EPSImageRep() = default;

EPSImageRep::EPSImageRep(const EPSImageRep& other)
    : ImageRep(other), postscript_(other.postscript_), comments_(other.comments_), box_(other.box_)
{
    // A copy renders on its own (it is usually sized differently).
}

bool EPSImageRep::isEPS(std::string_view data) { return isDOSEPS(data) || data.substr(0, 2) == "%!"; }

std::unique_ptr<EPSImageRep> EPSImageRep::imageRepWithData(std::string_view data, std::string* error)
{
    auto fail = [&](const char* why) -> std::unique_ptr<EPSImageRep> {
        if (error)
            *error = why;
        return nullptr;
    };
    std::string_view ps = data;
    if (isDOSEPS(data)) {
        // The DOS-EPS header: the PostScript section's offset and length
        // (the Windows metafile and TIFF previews are skipped).
        if (data.size() < 30)
            return fail("damaged DOS-EPS header");
        const std::uint64_t start = readLE32(data, 4), length = readLE32(data, 8);
        if (start < 30 || length == 0 || start + length > data.size())
            return fail("the DOS-EPS header points outside the file");
        ps = data.substr(start, length);
    }
    if (ps.substr(0, 2) != "%!")
        return fail("not an EPS file");

    auto comments = std::make_shared<std::vector<std::pair<std::string, std::string>>>();
    std::optional<Rect> box, hiRes;
    bool boxAtEnd = false, hiResAtEnd = false, first = true;
    forEachLine(ps, [&](std::string_view line) {
        if (first) {
            first = false;
            return true;
        }
        if (line.substr(0, 2) != "%%" && !(line.substr(0, 1) == "%" && line.size() > 1 && line[1] == '!'))
            return false; // the header ends at the first line that is no comment
        if (line == "%%EndComments" || comments->size() >= 2000)
            return false;
        std::string_view value;
        if (line.substr(0, 3) == "%%+") {
            if (!comments->empty())
                comments->back().second += " " + std::string(trim(line.substr(3)));
            return true;
        }
        std::size_t colon = line.find(':');
        std::string key(line.substr(0, colon == std::string_view::npos ? line.size() : colon + 1));
        std::string text(colon == std::string_view::npos ? std::string_view() : trim(line.substr(colon + 1)));
        if (matches(line, "%%BoundingBox:", value) && !box && !boxAtEnd) {
            boxAtEnd = value == "(atend)";
            box = parseBox(value);
        } else if (matches(line, "%%HiResBoundingBox:", value) && !hiRes && !hiResAtEnd) {
            hiResAtEnd = value == "(atend)";
            hiRes = parseBox(value);
        }
        comments->emplace_back(std::move(key), std::move(text));
        return true;
    });
    if (boxAtEnd || hiResAtEnd) {
        // The trailer's box: the last one in the file.
        forEachLine(ps, [&](std::string_view line) {
            std::string_view value;
            if (boxAtEnd && matches(line, "%%BoundingBox:", value) && value != "(atend)")
                box = parseBox(value);
            else if (hiResAtEnd && matches(line, "%%HiResBoundingBox:", value) && value != "(atend)")
                hiRes = parseBox(value);
            return true;
        });
    }
    // The high-resolution box only where it agrees with the integer one
    // (some programs leave a stale one behind).
    if (hiRes && box &&
        (std::fabs(minX(*hiRes) - minX(*box)) > 1 || std::fabs(minY(*hiRes) - minY(*box)) > 1 ||
         std::fabs(maxX(*hiRes) - maxX(*box)) > 1 || std::fabs(maxY(*hiRes) - maxY(*box)) > 1))
        hiRes.reset();
    std::optional<Rect> chosen = hiRes ? hiRes : box;
    if (!chosen)
        return fail("the EPS file has no %%BoundingBox comment");
    if (!(width(*chosen) > 0) || !(height(*chosen) > 0))
        return fail("the EPS bounding box is empty or inverted");
    if (width(*chosen) > kMaxBoxSide || height(*chosen) > kMaxBoxSide)
        return fail("the EPS bounding box is too large");

    std::unique_ptr<EPSImageRep> rep(new EPSImageRep);
    rep->postscript_ = std::make_shared<const std::string>(ps);
    rep->comments_ = std::move(comments);
    rep->box_ = *chosen;
    rep->setSize(chosen->size);
    if (error)
        error->clear();
    return rep;
}

std::optional<std::string> EPSImageRep::headerComment(std::string_view key) const
{
    for (const auto& [k, v] : *comments_)
        if (k == key)
            return v;
    return std::nullopt;
}

std::unique_ptr<ImageRep> EPSImageRep::copy() const { return std::unique_ptr<ImageRep>(new EPSImageRep(*this)); }

void EPSImageRep::setRenderTimeLimit(double seconds) { g_timeLimit = seconds > 0 ? seconds : 30.0; }

const EPSRaster& EPSImageRep::rasterForSize(int wide, int high, int maxSide)
{
    wide = std::max(1, wide);
    high = std::max(1, high);
    maxSide = std::max(1, maxSide);
    if (wide > maxSide || high > maxSide) {
        const double f = double(maxSide) / std::max(wide, high);
        wide = std::max(1, int(std::lround(wide * f)));
        high = std::max(1, int(std::lround(high * f)));
    }
    Slot& slot = *slot_;
    if (slot.raster.state != EPSRaster::State::None && slot.raster.width == wide && slot.raster.height == high)
        return slot.raster;
    slot.raster = EPSRaster{EPSRaster::State::Rendering, wide, high, {}, {}};
    const std::uint64_t generation = ++slot.generation;
    (void)FileManager::temporaryDirectory(); // made here, on the main thread
    detail::prepareRendering();
    std::weak_ptr<Slot> weak = slot_;
    auto ps = postscript_;
    const Rect box = box_;
    MainQueue::beginBackgroundWork();
    RenderQueue::submit([weak, generation, ps, box, wide, high] {
        EPSRaster result = detail::renderEPS(*ps, box, wide, high, g_timeLimit.load());
        MainQueue::post([weak, generation, result = std::move(result)]() mutable {
            auto slot = weak.lock();
            if (!slot || slot->generation != generation)
                return; // the picture went away or wants another size now
            slot->raster = std::move(result);
            if (slot->handler) {
                auto handler = slot->handler; // it may replace itself
                handler();
            }
        });
        MainQueue::endBackgroundWork();
    });
    return slot.raster;
}

EPSRaster EPSImageRep::takeRaster()
{
    EPSRaster taken = std::move(slot_->raster);
    slot_->raster = EPSRaster{};
    return taken;
}

bool EPSImageRep::draw(DrawContext& context)
{
    if (!context.isDrawingToScreen()) {
        context.gsave();
        context.translate(-minX(box_), -minY(box_));
        context.includeEPS(*postscript_, box_, headerComment("%%Title:").value_or(""));
        context.grestore();
        return true;
    }
    // The device size of the picture under the current matrix.
    const Matrix& m = context.currentmatrix();
    const Size s = size();
    const double w = std::hypot(double(m.a) * s.width, double(m.b) * s.width);
    const double h = std::hypot(double(m.c) * s.height, double(m.d) * s.height);
    if (!(w >= 0.5) || !(h >= 0.5) || !std::isfinite(w) || !std::isfinite(h))
        return true; // nothing to see
    const EPSRaster& r = rasterForSize(int(std::lround(std::min(w, 1e6))), int(std::lround(std::min(h, 1e6))));
    if (r.state != EPSRaster::State::Ready)
        return false;
    ImagePixels px;
    px.width = r.width;
    px.height = r.height;
    px.model = ImagePixels::Model::ARGB32;
    px.bytesPerRow = static_cast<std::size_t>(r.width) * 4;
    px.data = reinterpret_cast<const unsigned char*>(r.argb.data());
    context.drawImage(px, makeRect(0, 0, s.width, s.height));
    return true;
}

} // namespace kit
