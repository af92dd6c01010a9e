#include "graphics/RasterContext.h"

#include "graphics/Font.h"
#include "graphics/GlyphCache.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QString>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kit {

namespace {

// Keeps the image's byte count below 2^32.
constexpr int kMaxSide = 32767;
// A stroke split into more dashes than this is stroked solid: dashes that
// many are finer than anything a screen shows, and the split would exhaust
// memory on a hostile pattern.
constexpr std::size_t kMaxDashPieces = 1u << 18;
// Flattening tolerance for dashing, in device pixels.
constexpr double kFlatness = 0.05;

QTransform toQTransform(const Matrix& m)
{
    // Both use row vectors: x' = a·x + c·y + tx, y' = b·x + d·y + ty.
    return QTransform(m.a, m.b, m.c, m.d, m.tx, m.ty);
}

QPainterPath toQPath(const DevicePath& path, FillRule rule)
{
    QPainterPath q;
    q.setFillRule(rule == FillRule::EvenOdd ? Qt::OddEvenFill : Qt::WindingFill);
    std::size_t k = 0;
    const std::vector<double>& c = path.coords;
    for (DevicePath::Verb verb : path.verbs) {
        switch (verb) {
        case DevicePath::Verb::MoveTo:
            if (k + 2 > c.size())
                return q;
            q.moveTo(c[k], c[k + 1]);
            k += 2;
            break;
        case DevicePath::Verb::LineTo:
            if (k + 2 > c.size())
                return q;
            q.lineTo(c[k], c[k + 1]);
            k += 2;
            break;
        case DevicePath::Verb::CurveTo:
            if (k + 6 > c.size())
                return q;
            q.cubicTo(c[k], c[k + 1], c[k + 2], c[k + 3], c[k + 4], c[k + 5]);
            k += 6;
            break;
        case DevicePath::Verb::ClosePath:
            q.closeSubpath();
            break;
        }
    }
    return q;
}

// The inverse of a matrix in double, so that a path taken back to user
// space for stroking lands where it was built.
struct Inverse {
    double a, b, c, d, tx, ty;
    void map(double x, double y, double& ox, double& oy) const
    {
        ox = a * x + c * y + tx;
        oy = b * x + d * y + ty;
    }
};

std::optional<Inverse> invert(const Matrix& m)
{
    double det = static_cast<double>(m.a) * m.d - static_cast<double>(m.b) * m.c;
    if (!std::isfinite(det) || det == 0)
        return std::nullopt;
    Inverse inv;
    inv.a = m.d / det;
    inv.b = -m.b / det;
    inv.c = -m.c / det;
    inv.d = m.a / det;
    inv.tx = -(static_cast<double>(m.tx) * inv.a + static_cast<double>(m.ty) * inv.c);
    inv.ty = -(static_cast<double>(m.tx) * inv.b + static_cast<double>(m.ty) * inv.d);
    return inv;
}

QPainterPath userPathFromDevice(const DevicePath& path, const Inverse& inv)
{
    QPainterPath q;
    std::size_t k = 0;
    const std::vector<double>& c = path.coords;
    double p[6];
    for (DevicePath::Verb verb : path.verbs) {
        switch (verb) {
        case DevicePath::Verb::MoveTo:
        case DevicePath::Verb::LineTo:
            if (k + 2 > c.size())
                return q;
            inv.map(c[k], c[k + 1], p[0], p[1]);
            if (verb == DevicePath::Verb::MoveTo)
                q.moveTo(p[0], p[1]);
            else
                q.lineTo(p[0], p[1]);
            k += 2;
            break;
        case DevicePath::Verb::CurveTo:
            if (k + 6 > c.size())
                return q;
            for (int i = 0; i < 6; i += 2)
                inv.map(c[k + i], c[k + i + 1], p[i], p[i + 1]);
            q.cubicTo(p[0], p[1], p[2], p[3], p[4], p[5]);
            k += 6;
            break;
        case DevicePath::Verb::ClosePath:
            q.closeSubpath();
            break;
        }
    }
    return q;
}

// A subpath whose points all coincide (a lone moveto does not count)
// paints a dot with round caps and nothing with the others, whose direction
// would be unknown. Qt paints nothing, so such subpaths become dots here:
// a tiny segment with round caps, in user space.
void addDegenerateDots(const DevicePath& path, const Inverse& inv, QPainterPath& user)
{
    const std::vector<double>& c = path.coords;
    std::size_t k = 0;
    double sx = 0, sy = 0;
    bool degenerate = false, hasSegment = false;
    auto finish = [&] {
        if (degenerate && hasSegment) {
            double x, y;
            inv.map(sx, sy, x, y);
            user.moveTo(x, y);
            user.lineTo(x + 1e-3, y);
        }
    };
    for (DevicePath::Verb verb : path.verbs) {
        const std::size_t count = verb == DevicePath::Verb::CurveTo ? 6 : verb == DevicePath::Verb::ClosePath ? 0 : 2;
        if (k + count > c.size())
            return;
        if (verb == DevicePath::Verb::MoveTo) {
            finish();
            sx = c[k];
            sy = c[k + 1];
            degenerate = true;
            hasSegment = false;
        } else {
            hasSegment = true;
            for (std::size_t i = 0; i < count; i += 2)
                degenerate = degenerate && c[k + i] == sx && c[k + i + 1] == sy;
        }
        k += count;
    }
    finish();
}

// PostScript dashing, in user space: the pattern starts afresh, at the
// offset, on every subpath, and each dash is an open subpath with its own
// caps. Answers false when the pattern would make too many pieces.
bool dashUserPath(const std::vector<detail::Polyline>& lines, const std::vector<float>& pattern, float offset,
                  bool zeroLengthDots, QPainterPath& out)
{
    const std::size_t n = pattern.size();
    double period = 0;
    for (float v : pattern)
        period += v;
    // An odd count alternates on and off differently on the second pass.
    double cycle = (n % 2) ? 2 * period : period;
    if (!(period > 0) || !std::isfinite(cycle))
        return false;

    double total = 0;
    for (const detail::Polyline& line : lines)
        for (std::size_t i = 2; i + 1 < line.xy.size(); i += 2)
            total += std::hypot(line.xy[i] - line.xy[i - 2], line.xy[i + 1] - line.xy[i - 1]);
    if (!std::isfinite(total) || total / cycle * static_cast<double>(n) > static_cast<double>(kMaxDashPieces))
        return false;

    double start = std::fmod(static_cast<double>(offset), cycle);
    if (start < 0)
        start += cycle;

    std::size_t pieces = 0;
    for (const detail::Polyline& line : lines) {
        if (line.xy.size() < 4)
            continue;
        std::size_t index = 0;
        bool on = true;
        double remaining = pattern[0];
        for (double skip = start; skip > 0;) {
            if (skip >= remaining) {
                skip -= remaining;
                index = (index + 1) % n;
                on = !on;
                remaining = pattern[index];
            } else {
                remaining -= skip;
                skip = 0;
            }
        }
        bool drawing = false; // a dash is open in `out`
        double dashLength = 0;
        for (std::size_t i = 2; i + 1 < line.xy.size(); i += 2) {
            const double x0 = line.xy[i - 2], y0 = line.xy[i - 1];
            const double dx = line.xy[i] - x0, dy = line.xy[i + 1] - y0;
            const double length = std::hypot(dx, dy);
            if (length == 0)
                continue;
            const double ux = dx / length, uy = dy / length;
            double at = 0;
            while (true) {
                if (on && !drawing) {
                    out.moveTo(x0 + ux * at, y0 + uy * at);
                    drawing = true;
                    dashLength = 0;
                }
                const double take = std::min(remaining, length - at);
                at += take;
                remaining -= take;
                if (on) {
                    dashLength += take;
                    if (take > 0)
                        out.lineTo(x0 + ux * at, y0 + uy * at);
                }
                if (remaining > 0)
                    break; // the segment ended inside this element
                if (on && drawing) {
                    // A zero-length dash still gets its caps, turned along the path.
                    if (dashLength == 0 && zeroLengthDots)
                        out.lineTo(x0 + ux * (at + 1e-3), y0 + uy * (at + 1e-3));
                    drawing = false;
                    if (++pieces > kMaxDashPieces)
                        return false;
                }
                index = (index + 1) % n;
                on = !on;
                remaining = pattern[index];
                if (at >= length && remaining > 0)
                    break;
            }
        }
    }
    return true;
}

QColor colorOf(const ColorValue& value, float alpha)
{
    float r, g, b;
    value.getRGB(r, g, b);
    return QColor::fromRgbF(r, g, b, alpha);
}

} // namespace

// ---- The image and the painter over it.

struct RasterContext::Impl {
    QImage image;
    QPainter painter; // active over `image` while the image is not null
    // The clip the painter holds; the paths are kept so that their
    // addresses cannot be reused by other paths.
    std::vector<ClipEntry> appliedClip;
    bool clipKnown = false;
    // The device pixels the applied clip can let through: glyphs outside
    // it are not composed at all.
    QRect clipBox;
    // Text: the glyphs, and the buffers a run of them is composed in.
    detail::GlyphCache glyphs;
    struct PlacedGlyph {
        const detail::GlyphImage* image;
        int x, y;  // the image's top-left pixel
        QRect box; // the part inside the image
    };
    std::vector<PlacedGlyph> placed;
    std::vector<std::uint8_t> runCoverage;
    QImage runImage;

    void drawGlyphs(const GraphicsState& s, std::string_view bytes, const std::vector<QPointF>& origins,
                    bool useCache);
    void composeGlyphs(std::span<const PlacedGlyph> run, const QRect& box, const std::array<QRgb, 256>& shades);

    // Brings the painter's clip to the state's, in device space.
    void applyClip(const std::vector<ClipEntry>& clips)
    {
        if (clipKnown && sameClip(clips))
            return;
        painter.resetTransform();
        clipBox = image.rect();
        if (clips.empty()) {
            painter.setClipping(false);
        } else {
            bool first = true;
            for (const ClipEntry& entry : clips) {
                const QPainterPath path = entry.path ? toQPath(*entry.path, entry.rule) : QPainterPath();
                painter.setClipPath(path, first ? Qt::ReplaceClip : Qt::IntersectClip);
                // Grown by a pixel: antialiased clip edges reach into it.
                const QRectF reach = path.controlPointRect().intersected(QRectF(image.rect()));
                clipBox = reach.isEmpty() ? QRect() : clipBox & reach.toAlignedRect().adjusted(-1, -1, 1, 1);
                first = false;
            }
        }
        appliedClip = clips;
        clipKnown = true;
    }

    bool sameClip(const std::vector<ClipEntry>& clips) const
    {
        if (clips.size() != appliedClip.size())
            return false;
        for (std::size_t i = 0; i < clips.size(); ++i)
            if (clips[i].path != appliedClip[i].path || clips[i].rule != appliedClip[i].rule)
                return false;
        return true;
    }

    // Applies `op` to every pixel the device path covers inside the clip,
    // with hard edges, so that the same call always meets the same pixels.
    template <typename Op>
    void forCoveredPixels(const QPainterPath& devicePath, const std::vector<ClipEntry>& clips, Op op)
    {
        // Cut to the image before rounding: huge coordinates overflow int.
        const QRectF bounds = devicePath.controlPointRect().intersected(QRectF(image.rect()));
        const QRect box = bounds.toAlignedRect().intersected(image.rect());
        if (box.isEmpty())
            return;
        QImage mask(box.size(), QImage::Format_Alpha8);
        if (mask.isNull())
            return;
        mask.fill(0);
        {
            QPainter mp(&mask);
            mp.setRenderHint(QPainter::Antialiasing, false);
            mp.translate(-box.x(), -box.y());
            bool first = true;
            for (const ClipEntry& entry : clips) {
                mp.setClipPath(entry.path ? toQPath(*entry.path, entry.rule) : QPainterPath(),
                               first ? Qt::ReplaceClip : Qt::IntersectClip);
                first = false;
            }
            mp.fillPath(devicePath, QColor(0, 0, 0, 255));
        }
        for (int y = 0; y < box.height(); ++y) {
            const uchar* m = mask.constScanLine(y);
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(box.y() + y)) + box.x();
            for (int x = 0; x < box.width(); ++x)
                if (m[x] >= 128)
                    row[x] = op(row[x]);
        }
    }
};

RasterContext::RasterContext(int widthPixels, int heightPixels, double dotsPerInch) : impl_(std::make_unique<Impl>())
{
    if (std::isfinite(dotsPerInch) && dotsPerInch > 0 && dotsPerInch < 1e5)
        dpi_ = dotsPerInch;
    if (widthPixels > 0 && heightPixels > 0 && widthPixels <= kMaxSide && heightPixels <= kMaxSide) {
        impl_->image = QImage(widthPixels, heightPixels, QImage::Format_ARGB32_Premultiplied);
        if (!impl_->image.isNull()) {
            impl_->image.fill(0);
            impl_->painter.begin(&impl_->image);
            impl_->painter.setRenderHint(QPainter::Antialiasing, true);
        }
    }
    const float s = static_cast<float>(dpi_ / 72.0);
    setDefaultMatrix(Matrix{s, 0, 0, -s, 0, static_cast<float>(height())});
    resetGraphicsState();
}

RasterContext::~RasterContext()
{
    if (impl_->painter.isActive())
        impl_->painter.end();
}

int RasterContext::width() const { return impl_->image.width(); }
int RasterContext::height() const { return impl_->image.height(); }

std::uint32_t RasterContext::pixel(int x, int y) const
{
    if (!impl_->image.valid(x, y))
        return 0;
    return qUnpremultiply(reinterpret_cast<const QRgb*>(impl_->image.constScanLine(y))[x]);
}

const std::uint32_t* RasterContext::scanLine(int y) const
{
    if (impl_->image.isNull() || y < 0 || y >= impl_->image.height())
        return nullptr;
    return reinterpret_cast<const std::uint32_t*>(impl_->image.constScanLine(y));
}

void RasterContext::fillImage(std::uint32_t argb)
{
    if (impl_->image.isNull())
        return;
    QPainter& p = impl_->painter;
    p.setClipping(false);
    impl_->clipKnown = false;
    p.resetTransform();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(impl_->image.rect(), QColor::fromRgba(argb));
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

bool RasterContext::savePNG(const std::string& path) const
{
    if (impl_->image.isNull())
        return false;
    return impl_->image.save(QString::fromStdString(path), "PNG");
}

// ---- Painting.

namespace {

// The rectangles as closed device subpaths, each running the same way so
// that the non-zero rule gives their union.
DevicePath devicePathForRects(std::span<const Rect> rects, const Matrix& m)
{
    DevicePath path;
    for (const Rect& r : rects) {
        const double x0 = std::min(minX(r), maxX(r)), x1 = std::max(minX(r), maxX(r));
        const double y0 = std::min(minY(r), maxY(r)), y1 = std::max(minY(r), maxY(r));
        const double corners[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
        for (int i = 0; i < 4; ++i) {
            path.verbs.push_back(i == 0 ? DevicePath::Verb::MoveTo : DevicePath::Verb::LineTo);
            path.coords.push_back(m.a * corners[i][0] + m.c * corners[i][1] + m.tx);
            path.coords.push_back(m.b * corners[i][0] + m.d * corners[i][1] + m.ty);
        }
        path.verbs.push_back(DevicePath::Verb::ClosePath);
    }
    return path;
}

} // namespace

namespace {

void fillDevicePath(QPainter& painter, const QPainterPath& path, const QColor& color)
{
    painter.resetTransform();
    painter.fillPath(path, color);
}

void strokeDevicePath(QPainter& painter, const DevicePath& path, const GraphicsState& s)
{
    if (path.empty())
        return;
    // PostScript strokes in user space: the pen is a circle there, so a
    // rotated or unequally scaled matrix makes it an ellipse on the device.
    std::optional<Inverse> inv = invert(s.ctm);
    if (!inv)
        return;
    QPainterPath user;
    bool dashed = false;
    if (!s.dash.empty()) {
        std::vector<detail::Polyline> lines = detail::flattenPath(path, kFlatness);
        for (detail::Polyline& line : lines)
            for (std::size_t i = 0; i + 1 < line.xy.size(); i += 2)
                inv->map(line.xy[i], line.xy[i + 1], line.xy[i], line.xy[i + 1]);
        dashed = dashUserPath(lines, s.dash, s.dashOffset, s.lineCap != 0, user);
        if (!dashed)
            user = QPainterPath();
    }
    if (!dashed)
        user = userPathFromDevice(path, *inv);
    if (s.lineCap == 1)
        addDegenerateDots(path, *inv, user);

    // Qt refuses pens 2^15 units wide or wider: stroke such a line in a
    // space scaled so that the pen is one unit wide.
    QTransform toDevice = toQTransform(s.ctm);
    double penWidth = s.lineWidth;
    if (penWidth > 1024) {
        user = QTransform::fromScale(1 / penWidth, 1 / penWidth).map(user);
        toDevice = QTransform::fromScale(penWidth, penWidth) * toDevice;
        penWidth = 1;
    }
    QPen pen(colorOf(s.color, s.alpha));
    // Width 0 is Qt's one-pixel cosmetic pen: PostScript's thinnest line.
    pen.setWidthF(penWidth);
    pen.setCapStyle(s.lineCap == 1 ? Qt::RoundCap : s.lineCap == 2 ? Qt::SquareCap : Qt::FlatCap);
    // Qt's plain miter join truncates the miter; the SVG one bevels beyond
    // the limit, as PostScript does, and measures the limit the same way.
    pen.setJoinStyle(s.lineJoin == 1 ? Qt::RoundJoin : s.lineJoin == 2 ? Qt::BevelJoin : Qt::SvgMiterJoin);
    pen.setMiterLimit(s.miterLimit);
    painter.setTransform(toDevice);
    painter.strokePath(user, pen);
    painter.resetTransform();
}

} // namespace

void RasterContext::emitFill(FillRule rule)
{
    if (impl_->image.isNull() || state().path.empty())
        return;
    impl_->applyClip(state().clips);
    fillDevicePath(impl_->painter, toQPath(state().path, rule), colorOf(state().color, state().alpha));
}

void RasterContext::emitStroke()
{
    if (impl_->image.isNull())
        return;
    impl_->applyClip(state().clips);
    strokeDevicePath(impl_->painter, state().path, state());
}

void RasterContext::emitRectfill(std::span<const Rect> rects)
{
    if (impl_->image.isNull())
        return;
    impl_->applyClip(state().clips);
    fillDevicePath(impl_->painter, toQPath(devicePathForRects(rects, state().ctm), FillRule::NonZero),
                   colorOf(state().color, state().alpha));
}

void RasterContext::emitRectstroke(std::span<const Rect> rects)
{
    if (impl_->image.isNull())
        return;
    impl_->applyClip(state().clips);
    strokeDevicePath(impl_->painter, devicePathForRects(rects, state().ctm), state());
}

void RasterContext::emitRectfillWithGrays(std::span<const Rect> rects, std::span<const float> grays)
{
    if (impl_->image.isNull())
        return;
    impl_->applyClip(state().clips);
    for (std::size_t i = 0; i < rects.size() && i < grays.size(); ++i) {
        ColorValue gray{Color::Space::Gray, {grays[i], 0, 0, 0}};
        fillDevicePath(impl_->painter, toQPath(devicePathForRects(rects.subspan(i, 1), state().ctm), FillRule::NonZero),
                       colorOf(gray, state().alpha));
    }
}

void RasterContext::emitUserPath(const UserPath&, std::span<const float, 4>, UserPathAction action,
                                 const DevicePath& devicePath)
{
    if (impl_->image.isNull() || action == UserPathAction::uappend)
        return;
    impl_->applyClip(state().clips);
    if (action == UserPathAction::ustroke)
        strokeDevicePath(impl_->painter, devicePath, state());
    else
        fillDevicePath(impl_->painter,
                       toQPath(devicePath, action == UserPathAction::ueofill ? FillRule::EvenOdd : FillRule::NonZero),
                       colorOf(state().color, state().alpha));
}

// ---- Text.

namespace {

// Where the glyph origins of a string land when its first one is at the
// current point: the font matrix's translation moves every glyph.
QPointF firstOrigin(const GraphicsState& s)
{
    const Matrix& fm = s.font.matrix;
    const Matrix& m = s.ctm;
    return QPointF(s.currentX + m.a * static_cast<double>(fm.tx) + m.c * static_cast<double>(fm.ty),
                   s.currentY + m.b * static_cast<double>(fm.tx) + m.d * static_cast<double>(fm.ty));
}

} // namespace

void RasterContext::emitShow(std::string_view bytes)
{
    const GraphicsState& s = state();
    if (impl_->image.isNull() || !s.font.font || s.font.font->fontFilePath().empty() || bytes.empty())
        return;
    const Font& font = *s.font.font;
    const double size = font.pointSize();
    if (!(size > 0))
        return;
    // The advances the metrics give, as the base class moves the current
    // point: along the font matrix's x axis, then through the CTM.
    const Matrix& fm = s.font.matrix;
    const Matrix& m = s.ctm;
    std::vector<QPointF> origins;
    origins.reserve(bytes.size());
    const QPointF start = firstOrigin(s);
    double width = 0;
    for (unsigned char code : bytes) {
        const double ux = fm.a * width, uy = fm.b * width;
        origins.emplace_back(start.x() + m.a * ux + m.c * uy, start.y() + m.b * ux + m.d * uy);
        width += font.advance(code) / size;
    }
    impl_->applyClip(s.clips);
    impl_->drawGlyphs(s, bytes, origins, usesGlyphCache_);
}

void RasterContext::emitXyshow(std::string_view bytes, std::span<const float> offsets)
{
    const GraphicsState& s = state();
    if (impl_->image.isNull() || !s.font.font || s.font.font->fontFilePath().empty() || bytes.empty())
        return;
    const Matrix& m = s.ctm;
    std::vector<QPointF> origins;
    origins.reserve(bytes.size());
    const QPointF start = firstOrigin(s);
    double ux = 0, uy = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        origins.emplace_back(start.x() + m.a * ux + m.c * uy, start.y() + m.b * ux + m.d * uy);
        ux += offsets[2 * i];
        uy += offsets[2 * i + 1];
    }
    impl_->applyClip(s.clips);
    impl_->drawGlyphs(s, bytes, origins, usesGlyphCache_);
}

// Fills the glyphs of `bytes`, glyph i with its origin at the device point
// origins[i], through the linear map (font matrix × CTM) from the 1-unit
// font to the device. Cached coverage is composed run by run into one
// image in the current colour, which Qt draws through the clip; glyphs too
// large for the cache are filled from their outlines.
void RasterContext::Impl::drawGlyphs(const GraphicsState& s, std::string_view bytes,
                                     const std::vector<QPointF>& origins, bool useCache)
{
    const Font* font = s.font.font;
    if (!font)
        return;
    const Matrix m = concatMatrix(Matrix{s.font.matrix.a, s.font.matrix.b, s.font.matrix.c, s.font.matrix.d, 0, 0},
                                  Matrix{s.ctm.a, s.ctm.b, s.ctm.c, s.ctm.d, 0, 0});
    if (!std::isfinite(m.determinant()) || m.determinant() == 0)
        return;
    const QColor color = colorOf(s.color, s.alpha);
    QPainterPath ink;
    ink.setFillRule(Qt::WindingFill);
    auto addOutline = [&](std::size_t i) {
        const QPainterPath* glyph = glyphs.outline(*font, static_cast<unsigned char>(bytes[i]));
        if (glyph)
            ink.addPath(QTransform(m.a, m.b, m.c, m.d, origins[i].x(), origins[i].y()).map(*glyph));
    };
    detail::GlyphCache::Strike* strike = useCache ? glyphs.strike(*font, {m.a, m.b, m.c, m.d}) : nullptr;
    if (!strike) {
        for (std::size_t i = 0; i < bytes.size(); ++i)
            addOutline(i);
    } else {
        constexpr int phases = detail::GlyphCache::kPhases;
        // A glyph whose origin lies further outside the image than a few
        // ems cannot reach it: it is not even rasterised.
        const double em = std::max({std::abs(m.a), std::abs(m.b), std::abs(m.c), std::abs(m.d)});
        const double margin = 8 * em + 2;
        const QRect bounds = image.rect();
        placed.clear();
        if (clipBox.isEmpty())
            return;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const double ox = origins[i].x(), oy = origins[i].y();
            if (!(ox > -margin && ox < bounds.width() + margin && oy > -margin && oy < bounds.height() + margin))
                continue;
            // The origin to the nearest phase; then its whole pixel and phase.
            const auto qx = static_cast<long>(std::floor(ox * phases + 0.5));
            const auto qy = static_cast<long>(std::floor(oy * phases + 0.5));
            const long ix = qx >= 0 ? qx / phases : -((-qx + phases - 1) / phases);
            const long iy = qy >= 0 ? qy / phases : -((-qy + phases - 1) / phases);
            const detail::GlyphImage* glyph = nullptr;
            switch (glyphs.image(*strike, static_cast<unsigned char>(bytes[i]), static_cast<int>(qx - ix * phases),
                                 static_cast<int>(qy - iy * phases), glyph)) {
            case detail::GlyphCache::Lookup::Blank:
                break;
            case detail::GlyphCache::Lookup::Outline:
                addOutline(i);
                break;
            case detail::GlyphCache::Lookup::Image: {
                const int x = static_cast<int>(ix) + glyph->x, y = static_cast<int>(iy) + glyph->y;
                const QRect box = QRect(x, y, glyph->width, glyph->height).intersected(clipBox);
                if (!box.isEmpty())
                    placed.push_back(PlacedGlyph{glyph, x, y, box});
                break;
            }
            }
        }
        const QRgb premultiplied = qPremultiply(color.rgba());
        if (!placed.empty() && qAlpha(premultiplied) != 0) {
            std::array<QRgb, 256> shades;
            for (int c = 0; c < 256; ++c) {
                auto scaled = [c](int channel) { return (channel * c + 127) / 255; };
                shades[static_cast<std::size_t>(c)] = qRgba(scaled(qRed(premultiplied)), scaled(qGreen(premultiplied)),
                                                            scaled(qBlue(premultiplied)), scaled(qAlpha(premultiplied)));
            }
            // Glyphs are composed in groups whose box they mostly fill (a
            // line of text is one), so that glyphs far apart do not make
            // one large, mostly empty image.
            std::size_t first = 0;
            QRect box;
            long long area = 0;
            for (std::size_t i = 0; i < placed.size(); ++i) {
                const QRect& r = placed[i].box;
                const long long own = static_cast<long long>(r.width()) * r.height();
                const QRect united = box.isEmpty() ? r : box.united(r);
                if (!box.isEmpty() &&
                    static_cast<long long>(united.width()) * united.height() > 4 * (area + own) + 4096) {
                    composeGlyphs(std::span<const PlacedGlyph>(placed).subspan(first, i - first), box, shades);
                    first = i;
                    box = r;
                    area = own;
                } else {
                    box = united;
                    area += own;
                }
            }
            composeGlyphs(std::span<const PlacedGlyph>(placed).subspan(first), box, shades);
        }
    }
    if (ink.isEmpty())
        return;
    painter.resetTransform();
    painter.fillPath(ink, color);
}

void RasterContext::Impl::composeGlyphs(std::span<const PlacedGlyph> run, const QRect& box,
                                        const std::array<QRgb, 256>& shades)
{
    const int w = box.width(), h = box.height();
    if (run.empty() || w <= 0 || h <= 0)
        return;
    if (runImage.width() < w || runImage.height() < h) {
        runImage = QImage(std::max(w, runImage.width()), std::max(h, runImage.height()),
                          QImage::Format_ARGB32_Premultiplied);
        if (runImage.isNull())
            return;
    }
    runCoverage.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    for (const PlacedGlyph& g : run) {
        const detail::GlyphImage& glyph = *g.image;
        const int count = g.box.width();
        for (int y = g.box.top(); y <= g.box.bottom(); ++y) {
            const std::uint8_t* src = glyph.coverage.data() +
                                      static_cast<std::size_t>(y - g.y) * static_cast<std::size_t>(glyph.width) +
                                      static_cast<std::size_t>(g.box.left() - g.x);
            std::uint8_t* dst = runCoverage.data() + static_cast<std::size_t>(y - box.top()) * static_cast<std::size_t>(w) +
                                static_cast<std::size_t>(g.box.left() - box.left());
            // Overlapping glyphs combine as two fills over each other would.
            for (int x = 0; x < count; ++x) {
                const unsigned a = dst[x], b = src[x];
                dst[x] = static_cast<std::uint8_t>(a + b - (a * b + 127) / 255);
            }
        }
    }
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* cov = runCoverage.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
        auto* out = reinterpret_cast<QRgb*>(runImage.scanLine(y));
        for (int x = 0; x < w; ++x)
            out[x] = shades[cov[x]];
    }
    painter.resetTransform();
    painter.drawImage(box.topLeft(), runImage, QRect(0, 0, w, h));
}

void RasterContext::setGlyphCacheLimit(std::size_t bytes) { impl_->glyphs.setLimit(bytes); }

const GlyphCacheStatistics& RasterContext::glyphCacheStatistics() const { return impl_->glyphs.statistics(); }

// ---- Compositing and screen-only marks.

namespace {

QPainter::CompositionMode qtMode(CompositeOp op)
{
    switch (op) {
    case CompositeOp::Clear: return QPainter::CompositionMode_Clear;
    case CompositeOp::Copy: return QPainter::CompositionMode_Source;
    case CompositeOp::SourceOver: return QPainter::CompositionMode_SourceOver;
    case CompositeOp::SourceIn: return QPainter::CompositionMode_SourceIn;
    case CompositeOp::SourceOut: return QPainter::CompositionMode_SourceOut;
    case CompositeOp::SourceAtop: return QPainter::CompositionMode_SourceAtop;
    case CompositeOp::DestinationOver: return QPainter::CompositionMode_DestinationOver;
    case CompositeOp::DestinationIn: return QPainter::CompositionMode_DestinationIn;
    case CompositeOp::DestinationOut: return QPainter::CompositionMode_DestinationOut;
    case CompositeOp::DestinationAtop: return QPainter::CompositionMode_DestinationAtop;
    case CompositeOp::XOR: return QPainter::CompositionMode_Xor;
    case CompositeOp::PlusLighter: return QPainter::CompositionMode_Plus;
    case CompositeOp::PlusDarker:
    case CompositeOp::Highlight:
        break;
    }
    return QPainter::CompositionMode_SourceOver;
}

// Each colour channel becomes its complement within the pixel's alpha:
// applied twice it gives back the very same pixel.
QRgb invertPixel(QRgb p)
{
    const int a = qAlpha(p);
    return qRgba(a - qRed(p), a - qGreen(p), a - qBlue(p), a);
}

} // namespace

void RasterContext::emitCompositerect(const Rect& r, CompositeOp op)
{
    if (impl_->image.isNull())
        return;
    const QPainterPath area = toQPath(devicePathForRects(std::span<const Rect>(&r, 1), state().ctm), FillRule::NonZero);
    if (op == CompositeOp::Highlight) {
        impl_->forCoveredPixels(area, state().clips, invertPixel);
        return;
    }
    if (op == CompositeOp::PlusDarker) {
        // source + destination - 1 per channel, in the premultiplied form
        // scaled by the result's alpha.
        const QRgb src = qPremultiply(colorOf(state().color, state().alpha).rgba());
        impl_->forCoveredPixels(area, state().clips, [src](QRgb dst) {
            const int sa = qAlpha(src), da = qAlpha(dst);
            const int a = sa + da - (sa * da + 127) / 255;
            auto channel = [a](int s, int d) { return std::max(0, s + d - a); };
            return qRgba(channel(qRed(src), qRed(dst)), channel(qGreen(src), qGreen(dst)),
                         channel(qBlue(src), qBlue(dst)), a);
        });
        return;
    }
    impl_->applyClip(state().clips);
    QPainter& p = impl_->painter;
    p.setCompositionMode(qtMode(op));
    fillDevicePath(p, area, colorOf(state().color, state().alpha));
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void RasterContext::emitHighlightRect(const Rect& r)
{
    if (impl_->image.isNull())
        return;
    const QPainterPath area = toQPath(devicePathForRects(std::span<const Rect>(&r, 1), state().ctm), FillRule::NonZero);
    impl_->forCoveredPixels(area, state().clips, invertPixel);
}

void RasterContext::emitFrameLinkRect(const Rect& r, bool isDestination)
{
    if (impl_->image.isNull() || isEmptyRect(r))
        return;
    // Just outside the rectangle, so that erasing the rectangle's own
    // contents leaves the frame and the frame never covers them.
    const double t = linkFrameThickness();
    const QRectF centre(minX(r) - t / 2, minY(r) - t / 2, kit::width(r) + t, kit::height(r) + t);
    impl_->applyClip(state().clips);
    QPainter& p = impl_->painter;
    p.setTransform(toQTransform(state().ctm));
    QPen pen(QColor(85, 85, 85));
    pen.setWidthF(t);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setCapStyle(Qt::FlatCap);
    if (!isDestination) {
        // A source's frame is broken: dark and white dashes of twice the width.
        QPen under(Qt::white);
        under.setWidthF(t);
        under.setJoinStyle(Qt::MiterJoin);
        p.setPen(under);
        p.setBrush(Qt::NoBrush);
        p.drawRect(centre);
        pen.setDashPattern({2, 2});
    }
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(centre);
    p.resetTransform();
}

// ---- Pictures.

namespace {

// The pixels as a QImage, sharing the caller's memory where Qt reads the
// layout as it is; grey with alpha and CMYK are converted.
QImage toQImage(const ImagePixels& px)
{
    const int w = px.width, h = px.height;
    const auto bpl = static_cast<qsizetype>(px.bytesPerRow);
    switch (px.model) {
    case ImagePixels::Model::ARGB32: return QImage(px.data, w, h, bpl, QImage::Format_ARGB32_Premultiplied);
    case ImagePixels::Model::RGB:
        return QImage(px.data, w, h, bpl, px.hasAlpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    case ImagePixels::Model::Gray:
        if (!px.hasAlpha)
            return QImage(px.data, w, h, bpl, QImage::Format_Grayscale8);
        break;
    case ImagePixels::Model::CMYK: break;
    }
    QImage out(w, h, QImage::Format_ARGB32);
    if (out.isNull())
        return out;
    const int spp = px.samplesPerPixel();
    for (int y = 0; y < h; ++y) {
        const unsigned char* in = px.data + static_cast<std::size_t>(y) * px.bytesPerRow;
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x, in += spp) {
            if (px.model == ImagePixels::Model::Gray) {
                row[x] = qRgba(in[0], in[0], in[0], in[1]);
            } else {
                // Device CMYK as PostScript turns it into RGB.
                const int k = in[3];
                auto channel = [k](int c) { return std::max(0, 255 - std::min(255, c + k)); };
                row[x] = qRgba(channel(in[0]), channel(in[1]), channel(in[2]), px.hasAlpha ? in[4] : 255);
            }
        }
    }
    return out;
}

} // namespace

void RasterContext::emitDrawImage(const ImagePixels& pixels, const Rect& rect)
{
    if (impl_->image.isNull())
        return;
    const QImage picture = toQImage(pixels);
    if (picture.isNull())
        return;
    impl_->applyClip(state().clips);
    QPainter& p = impl_->painter;
    // Pixel (u, v), v down, to user space, then to the device.
    const QTransform toUser(double(kit::width(rect)) / pixels.width, 0, 0, -double(kit::height(rect)) / pixels.height,
                            minX(rect), maxY(rect));
    p.setTransform(toUser * toQTransform(state().ctm));
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(QPointF(0, 0), picture);
    p.resetTransform();
}

void RasterContext::emitCompositeImage(const ImagePixels& pixels, Point point, const Rect& fromRect, CompositeOp op)
{
    if (impl_->image.isNull())
        return;
    const QImage picture = toQImage(pixels);
    if (picture.isNull())
        return;
    const Point device = state().ctm.transform(point);
    impl_->applyClip(state().clips);
    QPainter& p = impl_->painter;
    p.resetTransform();
    p.setCompositionMode(qtMode(op));
    p.drawImage(QPoint(int(std::floor(device.x)), int(std::floor(device.y))), picture,
                QRect(int(minX(fromRect)), int(minY(fromRect)), int(kit::width(fromRect)), int(kit::height(fromRect))));
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

} // namespace kit
