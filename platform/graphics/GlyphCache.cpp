#include "graphics/GlyphCache.h"

#include "graphics/Font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <type_traits>
#include <unordered_map>

namespace kit::detail {

namespace {

using ContourIndex = std::remove_pointer_t<decltype(FT_Outline::contours)>;

// A glyph's outline as FreeType loaded it, unhinted, in 1/64 font unit.
struct StoredOutline {
    bool usable = false; // loaded, and an outline with at least one point
    std::vector<FT_Vector> points;
    std::vector<char> tags;
    std::vector<ContourIndex> contours;
    int flags = 0;
    bool pathMade = false;
    QPainterPath path; // in units of the 1-unit font; empty when blank

    // A FreeType view of the stored arrays (points may be replaced).
    FT_Outline view(FT_Vector* pts)
    {
        FT_Outline o{};
        o.n_points = static_cast<decltype(o.n_points)>(points.size());
        o.n_contours = static_cast<decltype(o.n_contours)>(contours.size());
        o.points = pts;
        o.tags = tags.data();
        o.contours = contours.data();
        o.flags = flags & ~FT_OUTLINE_OWNER;
        return o;
    }
};

struct FaceEntry {
    FT_Face face = nullptr;
    double unitsPerEm = 1000;
    std::unordered_map<FT_UInt, StoredOutline> outlines;
};

struct Codes {
    FaceEntry* face = nullptr;
    std::array<FT_UInt, 256> glyphs{}; // 0: none (.notdef is blank in these fonts)
};

struct DecomposeState {
    QPainterPath* path;
    double scale;
    double lastX = 0, lastY = 0;
};

int outlineMove(const FT_Vector* to, void* user)
{
    auto* s = static_cast<DecomposeState*>(user);
    s->lastX = to->x * s->scale;
    s->lastY = to->y * s->scale;
    s->path->moveTo(s->lastX, s->lastY);
    return 0;
}

int outlineLine(const FT_Vector* to, void* user)
{
    auto* s = static_cast<DecomposeState*>(user);
    s->lastX = to->x * s->scale;
    s->lastY = to->y * s->scale;
    s->path->lineTo(s->lastX, s->lastY);
    return 0;
}

int outlineConic(const FT_Vector* control, const FT_Vector* to, void* user)
{
    auto* s = static_cast<DecomposeState*>(user);
    // The quadratic as the cubic that traces it.
    double cx = control->x * s->scale, cy = control->y * s->scale;
    double x = to->x * s->scale, y = to->y * s->scale;
    s->path->cubicTo(s->lastX + 2.0 / 3.0 * (cx - s->lastX), s->lastY + 2.0 / 3.0 * (cy - s->lastY),
                     x + 2.0 / 3.0 * (cx - x), y + 2.0 / 3.0 * (cy - y), x, y);
    s->lastX = x;
    s->lastY = y;
    return 0;
}

int outlineCubic(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user)
{
    auto* s = static_cast<DecomposeState*>(user);
    s->lastX = to->x * s->scale;
    s->lastY = to->y * s->scale;
    s->path->cubicTo(c1->x * s->scale, c1->y * s->scale, c2->x * s->scale, c2->y * s->scale, s->lastX, s->lastY);
    return 0;
}

// Coverage of at most this many pixels a side is kept; a glyph of a sane
// font at kMaxPixelsPerEm stays well inside, so only a wild outline (far
// control points in a broken font) goes to the outline fill.
constexpr int kMaxImageSide = 1024;
// What a cached image costs besides its coverage.
constexpr std::size_t kImageOverhead = sizeof(GlyphImage) + 16;

} // namespace

class GlyphCache::Strike {
public:
    static constexpr int kSlots = 256 * kPhases * kPhases;
    static constexpr std::int32_t kUnknown = 0, kBlank = -1, kOutline = -2;

    Codes* codes = nullptr;
    std::array<double, 4> map{}; // from 1/64 font unit to device pixels
    // Per code and phase: kUnknown, kBlank, kOutline, or index + 1 in images.
    std::vector<std::int32_t> entries = std::vector<std::int32_t>(kSlots, kUnknown);
    std::deque<GlyphImage> images; // stable addresses while the strike lives
};

struct GlyphCache::Impl {
    FT_Library library = nullptr;
    std::map<std::string, FaceEntry> faces;
    std::unordered_map<const Font*, Codes> codes;
    struct StrikeKey {
        const Font* font;
        std::array<float, 4> map;
        bool operator<(const StrikeKey& o) const
        {
            if (font != o.font)
                return std::less<const Font*>()(font, o.font);
            return std::memcmp(map.data(), o.map.data(), sizeof(map)) < 0;
        }
    };
    std::map<StrikeKey, std::unique_ptr<Strike>> strikes;
    // Coverage made while the cache was over twice its limit: kept only
    // until the next strike, so that one long run cannot grow the cache.
    std::deque<GlyphImage> transient;
    std::vector<FT_Vector> scratchPoints;

    Impl()
    {
        if (FT_Init_FreeType(&library) != 0)
            library = nullptr;
    }

    ~Impl()
    {
        for (auto& [path, entry] : faces)
            if (entry.face)
                FT_Done_Face(entry.face);
        if (library)
            FT_Done_FreeType(library);
    }

    FaceEntry* faceFor(const std::string& path)
    {
        auto found = faces.find(path);
        if (found != faces.end())
            return &found->second;
        FaceEntry& entry = faces[path];
        if (library && FT_New_Face(library, path.c_str(), 0, &entry.face) != 0)
            entry.face = nullptr;
        if (entry.face) {
            // One font unit per pixel, in 26.6: outlines unhinted and exact
            // to 1/64 unit, whatever fractions the charstrings hold.
            FT_UShort units = entry.face->units_per_EM ? entry.face->units_per_EM : 1000;
            entry.unitsPerEm = units;
            if (!FT_IS_SCALABLE(entry.face) || FT_Set_Pixel_Sizes(entry.face, 0, units) != 0) {
                FT_Done_Face(entry.face);
                entry.face = nullptr;
            }
        }
        return &entry;
    }

    Codes* codesOf(const Font& font)
    {
        auto found = codes.find(&font);
        if (found != codes.end())
            return &found->second;
        if (font.fontFilePath().empty())
            return nullptr;
        Codes& c = codes[&font];
        c.face = faceFor(font.fontFilePath());
        if (c.face->face && FT_HAS_GLYPH_NAMES(c.face->face)) {
            std::string name;
            for (int code = 0; code < 256; ++code) {
                std::string_view glyphName = font.glyphName(static_cast<unsigned char>(code));
                if (glyphName.empty())
                    continue;
                name.assign(glyphName);
                c.glyphs[static_cast<std::size_t>(code)] = FT_Get_Name_Index(c.face->face, name.c_str());
            }
        }
        return &c;
    }

    // The stored outline of a glyph, loaded on first use; nullptr when the
    // code has no glyph or the glyph has no outline.
    StoredOutline* stored(const Codes& c, unsigned char code)
    {
        if (!c.face || !c.face->face)
            return nullptr;
        const FT_UInt glyph = c.glyphs[code];
        if (glyph == 0)
            return nullptr;
        auto [it, inserted] = c.face->outlines.try_emplace(glyph);
        StoredOutline& o = it->second;
        if (inserted) {
            FT_Face face = c.face->face;
            if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0 &&
                face->glyph->format == FT_GLYPH_FORMAT_OUTLINE && face->glyph->outline.n_points > 0 &&
                face->glyph->outline.n_contours > 0) {
                const FT_Outline& src = face->glyph->outline;
                o.points.assign(src.points, src.points + src.n_points);
                o.tags.assign(src.tags, src.tags + src.n_points);
                o.contours.assign(src.contours, src.contours + src.n_contours);
                o.flags = src.flags;
                o.usable = true;
            }
        }
        return o.usable ? &o : nullptr;
    }

    const QPainterPath* pathOf(StoredOutline& o, double unitsPerEm)
    {
        if (!o.pathMade) {
            o.pathMade = true;
            o.path.setFillRule(Qt::WindingFill);
            DecomposeState state{&o.path, 1.0 / (64.0 * unitsPerEm)};
            FT_Outline_Funcs funcs{};
            funcs.move_to = outlineMove;
            funcs.line_to = outlineLine;
            funcs.conic_to = outlineConic;
            funcs.cubic_to = outlineCubic;
            FT_Outline view = o.view(o.points.data());
            if (FT_Outline_Decompose(&view, &funcs, &state) != 0)
                o.path = QPainterPath();
            else
                o.path.closeSubpath();
        }
        return o.path.isEmpty() ? nullptr : &o.path;
    }

    // Rasterises the outline moved by (phaseX, phaseY) pixels under the
    // strike's map. False when the coverage would be too large to keep.
    bool render(StoredOutline& o, const Strike& strike, double phaseX, double phaseY, GlyphImage& image)
    {
        const std::array<double, 4>& m = strike.map;
        // FreeType's space is y up: device y is negated, so that the
        // bitmap's top row is the device's.
        scratchPoints.resize(o.points.size());
        double xMin = HUGE_VAL, yMin = HUGE_VAL, xMax = -HUGE_VAL, yMax = -HUGE_VAL;
        for (std::size_t i = 0; i < o.points.size(); ++i) {
            const double u = static_cast<double>(o.points[i].x), v = static_cast<double>(o.points[i].y);
            const double x = (m[0] * u + m[2] * v + phaseX) * 64.0;
            const double y = -(m[1] * u + m[3] * v + phaseY) * 64.0;
            xMin = std::min(xMin, x);
            xMax = std::max(xMax, x);
            yMin = std::min(yMin, y);
            yMax = std::max(yMax, y);
            scratchPoints[i].x = std::lround(x);
            scratchPoints[i].y = std::lround(y);
        }
        const double left = std::floor(xMin / 64), right = std::ceil(xMax / 64);
        const double bottom = std::floor(yMin / 64), top = std::ceil(yMax / 64);
        if (!(right - left <= kMaxImageSide && top - bottom <= kMaxImageSide))
            return false;
        image.x = static_cast<int>(left);
        image.y = -static_cast<int>(top);
        image.width = static_cast<int>(right - left);
        image.height = static_cast<int>(top - bottom);
        if (image.width == 0 || image.height == 0) {
            image.width = image.height = 0;
            return true;
        }
        const FT_Pos dx = static_cast<FT_Pos>(left) * 64, dy = static_cast<FT_Pos>(bottom) * 64;
        for (FT_Vector& p : scratchPoints) {
            p.x -= dx;
            p.y -= dy;
        }
        image.coverage.assign(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height), 0);
        FT_Bitmap bitmap{};
        bitmap.rows = static_cast<unsigned>(image.height);
        bitmap.width = static_cast<unsigned>(image.width);
        bitmap.pitch = image.width;
        bitmap.buffer = image.coverage.data();
        bitmap.num_grays = 256;
        bitmap.pixel_mode = FT_PIXEL_MODE_GRAY;
        FT_Outline view = o.view(scratchPoints.data());
        if (FT_Outline_Get_Bitmap(library, &view, &bitmap) != 0)
            image.width = image.height = 0;
        if (std::all_of(image.coverage.begin(), image.coverage.end(), [](std::uint8_t c) { return c == 0; }))
            image.width = image.height = 0;
        if (image.width == 0)
            image.coverage.clear();
        return true;
    }
};

GlyphCache::GlyphCache() : impl_(std::make_unique<Impl>()) {}

GlyphCache::~GlyphCache() = default;

const QPainterPath* GlyphCache::outline(const Font& font, unsigned char code)
{
    Codes* codes = impl_->codesOf(font);
    if (!codes)
        return nullptr;
    StoredOutline* o = impl_->stored(*codes, code);
    return o ? impl_->pathOf(*o, codes->face->unitsPerEm) : nullptr;
}

GlyphCache::Strike* GlyphCache::strike(const Font& font, const std::array<float, 4>& map)
{
    impl_->transient.clear();
    if (statistics_.bytes > limit_)
        evict();
    for (float v : map)
        if (!std::isfinite(v) || std::abs(v) > kMaxPixelsPerEm)
            return nullptr;
    if (static_cast<double>(map[0]) * map[3] - static_cast<double>(map[1]) * map[2] == 0)
        return nullptr;
    Codes* codes = impl_->codesOf(font);
    if (!codes || !codes->face->face)
        return nullptr;
    std::unique_ptr<Strike>& s = impl_->strikes[Impl::StrikeKey{&font, map}];
    if (!s) {
        s = std::make_unique<Strike>();
        s->codes = codes;
        const double scale = 1.0 / (64.0 * codes->face->unitsPerEm);
        for (int i = 0; i < 4; ++i)
            s->map[static_cast<std::size_t>(i)] = map[static_cast<std::size_t>(i)] * scale;
        statistics_.bytes += Strike::kSlots * sizeof(std::int32_t);
    }
    return s.get();
}

GlyphCache::Lookup GlyphCache::image(Strike& strike, unsigned char code, int phaseX, int phaseY,
                                     const GlyphImage*& out)
{
    out = nullptr;
    phaseX = std::clamp(phaseX, 0, kPhases - 1);
    phaseY = std::clamp(phaseY, 0, kPhases - 1);
    std::int32_t& slot = strike.entries[static_cast<std::size_t>((code * kPhases + phaseY) * kPhases + phaseX)];
    if (slot != Strike::kUnknown) {
        ++statistics_.hits;
        if (slot == Strike::kBlank)
            return Lookup::Blank;
        if (slot == Strike::kOutline)
            return Lookup::Outline;
        out = &strike.images[static_cast<std::size_t>(slot - 1)];
        return Lookup::Image;
    }
    ++statistics_.misses;
    StoredOutline* o = impl_->stored(*strike.codes, code);
    if (!o) {
        // No glyph at any phase.
        const auto first = strike.entries.begin() + code * kPhases * kPhases;
        std::fill(first, first + kPhases * kPhases, Strike::kBlank);
        return Lookup::Blank;
    }
    GlyphImage image;
    if (!impl_->render(*o, strike, static_cast<double>(phaseX) / kPhases, static_cast<double>(phaseY) / kPhases,
                       image)) {
        slot = Strike::kOutline;
        return Lookup::Outline;
    }
    if (image.width == 0) {
        slot = Strike::kBlank;
        return Lookup::Blank;
    }
    if (statistics_.bytes > 2 * limit_) {
        impl_->transient.push_back(std::move(image));
        out = &impl_->transient.back();
        return Lookup::Image;
    }
    statistics_.bytes += image.coverage.size() + kImageOverhead;
    ++statistics_.glyphs;
    strike.images.push_back(std::move(image));
    slot = static_cast<std::int32_t>(strike.images.size());
    out = &strike.images.back();
    return Lookup::Image;
}

void GlyphCache::evict()
{
    impl_->strikes.clear();
    statistics_.bytes = 0;
    statistics_.glyphs = 0;
    ++statistics_.evictions;
}

} // namespace kit::detail
