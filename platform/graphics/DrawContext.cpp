#include "graphics/DrawContext.h"

#include "graphics/Font.h"

#include <algorithm>
#include <cmath>

namespace kit {

namespace {

DrawContext* currentContext = nullptr;

// PostScript implementations bound dash arrays; a longer one is a caller's bug.
constexpr std::size_t kMaxDashCount = 256;

float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

// The colour value setColor leaves in the graphics state.
ColorValue colorValueOf(const Color& color)
{
    ColorValue value{color.space(), {0, 0, 0, 0}};
    float* c = value.components;
    switch (color.space()) {
    case Color::Space::Gray:
        c[0] = color.whiteComponent();
        break;
    case Color::Space::RGB:
        color.getRed(c[0], c[1], c[2]);
        break;
    case Color::Space::CMYK:
        color.getCyan(c[0], c[1], c[2], c[3]);
        break;
    }
    for (float& v : value.components)
        v = clamp01(v);
    return value;
}

bool allFinite(std::span<const float> values)
{
    return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
}

bool rectsFinite(std::span<const Rect> rects)
{
    return std::all_of(rects.begin(), rects.end(), [](const Rect& r) {
        return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
               std::isfinite(r.size.height);
    });
}

// A plain name token: PostScript delimiters, white space and 8-bit bytes
// would end the name early or break the output.
bool isValidFontName(std::string_view name)
{
    if (name.empty() || name.size() > 127)
        return false;
    for (unsigned char ch : name) {
        if (ch <= 32 || ch >= 127)
            return false;
        switch (ch) {
        case '(': case ')': case '<': case '>': case '[': case ']': case '{': case '}': case '/': case '%':
            return false;
        default:
            break;
        }
    }
    return true;
}

} // namespace

DrawContext::DrawContext() = default;

DrawContext::~DrawContext()
{
    if (currentContext == this)
        currentContext = nullptr;
}

DrawContext* DrawContext::current() { return currentContext; }
void DrawContext::setCurrent(DrawContext* context) { currentContext = context; }

DrawContext::Scope::Scope(DrawContext& context) : previous_(currentContext) { currentContext = &context; }
DrawContext::Scope::~Scope() { currentContext = previous_; }

void DrawContext::refuse(std::string_view op, std::string_view reason)
{
    lastError_.assign(op);
    lastError_ += ": ";
    lastError_ += reason;
    ++errorCount_;
}

void DrawContext::clearErrors()
{
    lastError_.clear();
    errorCount_ = 0;
}

bool DrawContext::checkFinite(std::string_view op, std::initializer_list<float> values)
{
    if (allFinite(std::span<const float>(values.begin(), values.size())))
        return true;
    refuse(op, "non-finite number");
    return false;
}

bool DrawContext::checkCurrentPoint(std::string_view op)
{
    if (state_.hasCurrentPoint)
        return true;
    refuse(op, "no current point");
    return false;
}

bool DrawContext::checkMatrix(std::string_view op, const Matrix& m)
{
    if (checkFinite(op, {m.a, m.b, m.c, m.d, m.tx, m.ty}))
        return true;
    // The operands were fine but the product overflows.
    lastError_ += " (the matrix would overflow)";
    return false;
}

bool DrawContext::checkFont(std::string_view op)
{
    if (state_.font.isSet())
        return true;
    refuse(op, "no current font");
    return false;
}

void DrawContext::resetGraphicsState()
{
    stack_.clear();
    state_ = GraphicsState{};
    state_.ctm = defaultMatrix_;
}

void DrawContext::setDefaultMatrix(const Matrix& m)
{
    if (!checkFinite("setDefaultMatrix", {m.a, m.b, m.c, m.d, m.tx, m.ty}))
        return;
    defaultMatrix_ = m;
}

// ---- Graphics state stack.

void DrawContext::gsave()
{
    emitGsave();
    stack_.push_back(state_);
}

void DrawContext::grestore()
{
    if (stack_.empty())
        return;
    emitGrestore();
    state_ = std::move(stack_.back());
    stack_.pop_back();
}

void DrawContext::leaveMatrixOnStack()
{
    matrixStack_.push_back(state_.ctm);
}

bool DrawContext::useMatrixFromStack()
{
    if (matrixStack_.empty())
        return false;
    const Matrix m = matrixStack_.back();
    matrixStack_.pop_back();
    setmatrix(m);
    return true;
}

// ---- Path construction.

void DrawContext::newpath()
{
    emitNewpath();
    state_.path.clear();
    state_.hasCurrentPoint = false;
}

void DrawContext::moveto(float x, float y)
{
    if (!checkFinite("moveto", {x, y}))
        return;
    emitMoveto(x, y);
    const Matrix& m = state_.ctm;
    detail::pathMove(state_, static_cast<double>(m.a) * x + static_cast<double>(m.c) * y + m.tx,
                     static_cast<double>(m.b) * x + static_cast<double>(m.d) * y + m.ty);
}

void DrawContext::rmoveto(float dx, float dy)
{
    if (!checkFinite("rmoveto", {dx, dy}) || !checkCurrentPoint("rmoveto"))
        return;
    emitRmoveto(dx, dy);
    const Matrix& m = state_.ctm;
    detail::pathMove(state_, state_.currentX + static_cast<double>(m.a) * dx + static_cast<double>(m.c) * dy,
                     state_.currentY + static_cast<double>(m.b) * dx + static_cast<double>(m.d) * dy);
}

void DrawContext::lineto(float x, float y)
{
    if (!checkFinite("lineto", {x, y}) || !checkCurrentPoint("lineto"))
        return;
    emitLineto(x, y);
    const Matrix& m = state_.ctm;
    detail::pathLine(state_, static_cast<double>(m.a) * x + static_cast<double>(m.c) * y + m.tx,
                     static_cast<double>(m.b) * x + static_cast<double>(m.d) * y + m.ty);
}

void DrawContext::rlineto(float dx, float dy)
{
    if (!checkFinite("rlineto", {dx, dy}) || !checkCurrentPoint("rlineto"))
        return;
    emitRlineto(dx, dy);
    const Matrix& m = state_.ctm;
    detail::pathLine(state_, state_.currentX + static_cast<double>(m.a) * dx + static_cast<double>(m.c) * dy,
                     state_.currentY + static_cast<double>(m.b) * dx + static_cast<double>(m.d) * dy);
}

void DrawContext::curveto(float x1, float y1, float x2, float y2, float x3, float y3)
{
    if (!checkFinite("curveto", {x1, y1, x2, y2, x3, y3}) || !checkCurrentPoint("curveto"))
        return;
    const float args[6] = {x1, y1, x2, y2, x3, y3};
    emitCurveto(args);
    const Matrix& m = state_.ctm;
    double d[6];
    for (int i = 0; i < 6; i += 2) {
        d[i] = static_cast<double>(m.a) * args[i] + static_cast<double>(m.c) * args[i + 1] + m.tx;
        d[i + 1] = static_cast<double>(m.b) * args[i] + static_cast<double>(m.d) * args[i + 1] + m.ty;
    }
    detail::pathCurve(state_, d);
}

void DrawContext::rcurveto(float dx1, float dy1, float dx2, float dy2, float dx3, float dy3)
{
    if (!checkFinite("rcurveto", {dx1, dy1, dx2, dy2, dx3, dy3}) || !checkCurrentPoint("rcurveto"))
        return;
    const float args[6] = {dx1, dy1, dx2, dy2, dx3, dy3};
    emitRcurveto(args);
    const Matrix& m = state_.ctm;
    double d[6];
    for (int i = 0; i < 6; i += 2) {
        d[i] = state_.currentX + static_cast<double>(m.a) * args[i] + static_cast<double>(m.c) * args[i + 1];
        d[i + 1] = state_.currentY + static_cast<double>(m.b) * args[i] + static_cast<double>(m.d) * args[i + 1];
    }
    detail::pathCurve(state_, d);
}

void DrawContext::arc(float x, float y, float r, float angle1, float angle2)
{
    if (!checkFinite("arc", {x, y, r, angle1, angle2}))
        return;
    if (r < 0) {
        refuse("arc", "negative radius");
        return;
    }
    emitArc(x, y, r, angle1, angle2, false);
    detail::pathArc(state_, x, y, r, angle1, angle2, false);
}

void DrawContext::arcn(float x, float y, float r, float angle1, float angle2)
{
    if (!checkFinite("arcn", {x, y, r, angle1, angle2}))
        return;
    if (r < 0) {
        refuse("arcn", "negative radius");
        return;
    }
    emitArc(x, y, r, angle1, angle2, true);
    detail::pathArc(state_, x, y, r, angle1, angle2, true);
}

void DrawContext::closepath()
{
    emitClosepath();
    detail::pathClose(state_);
}

std::optional<Point> DrawContext::currentpoint() const
{
    if (!state_.hasCurrentPoint)
        return std::nullopt;
    return state_.ctm.itransform({static_cast<float>(state_.currentX), static_cast<float>(state_.currentY)});
}

// ---- Painting.

void DrawContext::fill()
{
    emitFill(FillRule::NonZero);
    state_.path.clear();
    state_.hasCurrentPoint = false;
}

void DrawContext::eofill()
{
    emitFill(FillRule::EvenOdd);
    state_.path.clear();
    state_.hasCurrentPoint = false;
}

void DrawContext::stroke()
{
    emitStroke();
    state_.path.clear();
    state_.hasCurrentPoint = false;
}

void DrawContext::clip()
{
    emitClip(FillRule::NonZero);
    state_.clips.push_back({std::make_shared<const DevicePath>(state_.path), FillRule::NonZero});
}

void DrawContext::eoclip()
{
    emitClip(FillRule::EvenOdd);
    state_.clips.push_back({std::make_shared<const DevicePath>(state_.path), FillRule::EvenOdd});
}

void DrawContext::initclip()
{
    emitInitclip();
    state_.clips.clear();
}

void DrawContext::rectfill(float x, float y, float w, float h)
{
    const Rect r = makeRect(x, y, w, h);
    rectfillList(std::span<const Rect>(&r, 1));
}

void DrawContext::rectstroke(float x, float y, float w, float h)
{
    const Rect r = makeRect(x, y, w, h);
    rectstrokeList(std::span<const Rect>(&r, 1));
}

void DrawContext::rectclip(float x, float y, float w, float h)
{
    const Rect r = makeRect(x, y, w, h);
    rectclipList(std::span<const Rect>(&r, 1));
}

void DrawContext::rectfillList(std::span<const Rect> rects)
{
    if (rects.empty())
        return;
    if (!rectsFinite(rects)) {
        refuse("rectfill", "non-finite number");
        return;
    }
    emitRectfill(rects);
}

void DrawContext::rectstrokeList(std::span<const Rect> rects)
{
    if (rects.empty())
        return;
    if (!rectsFinite(rects)) {
        refuse("rectstroke", "non-finite number");
        return;
    }
    emitRectstroke(rects);
}

void DrawContext::rectclipList(std::span<const Rect> rects)
{
    if (rects.empty())
        return;
    if (!rectsFinite(rects)) {
        refuse("rectclip", "non-finite number");
        return;
    }
    emitRectclip(rects);
    clipWithRects(rects);
    state_.path.clear();
    state_.hasCurrentPoint = false;
}

void DrawContext::clipWithRects(std::span<const Rect> rects)
{
    // Every rectangle runs counterclockwise whatever the signs of its size,
    // so that the non-zero rule gives their union.
    GraphicsState scratch;
    scratch.ctm = state_.ctm;
    for (const Rect& r : rects) {
        double x0 = std::min(minX(r), maxX(r)), x1 = std::max(minX(r), maxX(r));
        double y0 = std::min(minY(r), maxY(r)), y1 = std::max(minY(r), maxY(r));
        const Matrix& m = scratch.ctm;
        auto device = [&](double x, double y, double& ox, double& oy) {
            ox = m.a * x + m.c * y + m.tx;
            oy = m.b * x + m.d * y + m.ty;
        };
        double dx, dy;
        device(x0, y0, dx, dy);
        detail::pathMove(scratch, dx, dy);
        device(x1, y0, dx, dy);
        detail::pathLine(scratch, dx, dy);
        device(x1, y1, dx, dy);
        detail::pathLine(scratch, dx, dy);
        device(x0, y1, dx, dy);
        detail::pathLine(scratch, dx, dy);
        detail::pathClose(scratch);
    }
    state_.clips.push_back({std::make_shared<const DevicePath>(std::move(scratch.path)), FillRule::NonZero});
}

void DrawContext::rectfillListWithGrays(std::span<const Rect> rects, std::span<const float> grays)
{
    if (rects.empty())
        return;
    if (grays.size() < rects.size()) {
        refuse("rectfillListWithGrays", "fewer grays than rectangles");
        return;
    }
    if (!rectsFinite(rects) || !allFinite(grays.first(rects.size()))) {
        refuse("rectfillListWithGrays", "non-finite number");
        return;
    }
    std::vector<float> clamped(grays.begin(), grays.begin() + static_cast<std::ptrdiff_t>(rects.size()));
    for (float& g : clamped)
        g = clamp01(g);
    emitRectfillWithGrays(rects, clamped);
}

void DrawContext::frameRect(const Rect& r, float lineWidth)
{
    if (!checkFinite("frameRect", {r.origin.x, r.origin.y, r.size.width, r.size.height, lineWidth}))
        return;
    if (isEmptyRect(r) || lineWidth <= 0)
        return;
    // Four strips inside the rectangle, cut off its edges in turn so that the
    // corners are painted once.
    Rect strips[4];
    Rect rest = r;
    const RectEdge edges[4] = {RectEdge::MinY, RectEdge::MaxY, RectEdge::MinX, RectEdge::MaxX};
    for (int i = 0; i < 4; ++i) {
        Rect remainder;
        divideRect(rest, strips[i], remainder, lineWidth, edges[i]);
        rest = remainder;
    }
    Rect kept[4];
    std::size_t n = 0;
    for (const Rect& s : strips)
        if (!isEmptyRect(s))
            kept[n++] = s;
    rectfillList(std::span<const Rect>(kept, n));
}

// ---- Colour.

void DrawContext::setgray(float gray)
{
    if (!checkFinite("setgray", {gray}))
        return;
    gray = clamp01(gray);
    emitSetgray(gray);
    state_.color = ColorValue{Color::Space::Gray, {gray, 0, 0, 0}};
}

void DrawContext::setrgbcolor(float r, float g, float b)
{
    if (!checkFinite("setrgbcolor", {r, g, b}))
        return;
    r = clamp01(r);
    g = clamp01(g);
    b = clamp01(b);
    emitSetrgbcolor(r, g, b);
    state_.color = ColorValue{Color::Space::RGB, {r, g, b, 0}};
}

void DrawContext::setcmykcolor(float c, float m, float y, float k)
{
    if (!checkFinite("setcmykcolor", {c, m, y, k}))
        return;
    c = clamp01(c);
    m = clamp01(m);
    y = clamp01(y);
    k = clamp01(k);
    emitSetcmykcolor(c, m, y, k);
    state_.color = ColorValue{Color::Space::CMYK, {c, m, y, k}};
}

void DrawContext::sethsbcolor(float hue, float saturation, float brightness)
{
    if (!checkFinite("sethsbcolor", {hue, saturation, brightness}))
        return;
    hue = clamp01(hue);
    saturation = clamp01(saturation);
    brightness = clamp01(brightness);
    emitSethsbcolor(hue, saturation, brightness);
    // The usual hexcone model, as PostScript defines sethsbcolor.
    double h = hue * 6.0;
    if (h >= 6.0)
        h = 0.0;
    int sector = static_cast<int>(h);
    double f = h - sector;
    double v = brightness, p = v * (1 - saturation), q = v * (1 - saturation * f),
           t = v * (1 - saturation * (1 - f));
    double r = v, g = t, b = p;
    switch (sector) {
    case 0: r = v; g = t; b = p; break;
    case 1: r = q; g = v; b = p; break;
    case 2: r = p; g = v; b = t; break;
    case 3: r = p; g = q; b = v; break;
    case 4: r = t; g = p; b = v; break;
    default: r = v; g = p; b = q; break;
    }
    state_.color = ColorValue{Color::Space::RGB, {static_cast<float>(r), static_cast<float>(g), static_cast<float>(b), 0}};
}

void DrawContext::setalpha(float alpha)
{
    if (!checkFinite("setalpha", {alpha}))
        return;
    alpha = clamp01(alpha);
    emitSetalpha(alpha);
    state_.alpha = alpha;
}

void DrawContext::setColor(const Color& color)
{
    switch (color.space()) {
    case Color::Space::Gray:
        setgray(color.whiteComponent());
        break;
    case Color::Space::RGB: {
        float r, g, b;
        color.getRed(r, g, b);
        setrgbcolor(r, g, b);
        break;
    }
    case Color::Space::CMYK: {
        float c, m, y, k;
        color.getCyan(c, m, y, k);
        setcmykcolor(c, m, y, k);
        break;
    }
    }
    float alpha = color.alphaComponent();
    if (std::isfinite(alpha) && clamp01(alpha) != state_.alpha)
        setalpha(alpha);
}

// ---- Cached setters.

void DrawContext::setColorCached(const Color& color)
{
    const float alpha = color.alphaComponent();
    if ((state_.cachedState & CachedColor) && state_.color == colorValueOf(color)
        && (!std::isfinite(alpha) || clamp01(alpha) == state_.alpha))
        return;
    setColor(color);
    state_.cachedState |= CachedColor;
}

void DrawContext::setlinewidthCached(float width)
{
    if ((state_.cachedState & CachedLineWidth) && std::fabs(width) == state_.lineWidth)
        return;
    setlinewidth(width);
    state_.cachedState |= CachedLineWidth;
}

void DrawContext::setmiterlimitCached(float limit)
{
    if ((state_.cachedState & CachedMiterLimit) && limit == state_.miterLimit)
        return;
    setmiterlimit(limit);
    state_.cachedState |= CachedMiterLimit;
}

void DrawContext::setdashCached(std::span<const float> pattern, float offset)
{
    if ((state_.cachedState & CachedDash) && offset == state_.dashOffset
        && std::equal(pattern.begin(), pattern.end(), state_.dash.begin(), state_.dash.end()))
        return;
    setdash(pattern, offset);
    state_.cachedState |= CachedDash;
}

void DrawContext::setfontCached(const Font* font, const Matrix& fontMatrix)
{
    const auto current = [&] { return font && state_.font.font == font && state_.font.matrix == fontMatrix; };
    if ((state_.cachedState & CachedFont) && current())
        return;
    setfont(font, fontMatrix);
    // A refused font leaves the cache as it was.
    if (current())
        state_.cachedState |= CachedFont;
}

void DrawContext::forgetCachedState(unsigned bits)
{
    state_.cachedState &= ~bits;
    for (GraphicsState& saved : stack_)
        saved.cachedState &= ~bits;
}

// ---- Line attributes.

void DrawContext::setlinewidth(float lineWidth)
{
    if (!checkFinite("setlinewidth", {lineWidth}))
        return;
    lineWidth = std::fabs(lineWidth);
    emitSetlinewidth(lineWidth);
    state_.lineWidth = lineWidth;
}

void DrawContext::setlinecap(int cap)
{
    if (cap < 0 || cap > 2) {
        refuse("setlinecap", "not 0, 1 or 2");
        return;
    }
    emitSetlinecap(cap);
    state_.lineCap = cap;
}

void DrawContext::setlinejoin(int join)
{
    if (join < 0 || join > 2) {
        refuse("setlinejoin", "not 0, 1 or 2");
        return;
    }
    emitSetlinejoin(join);
    state_.lineJoin = join;
}

void DrawContext::setmiterlimit(float limit)
{
    if (!checkFinite("setmiterlimit", {limit}))
        return;
    if (limit < 1.0f) {
        refuse("setmiterlimit", "below 1");
        return;
    }
    emitSetmiterlimit(limit);
    state_.miterLimit = limit;
}

void DrawContext::setdash(std::span<const float> pattern, float offset)
{
    if (!std::isfinite(offset) || !allFinite(pattern)) {
        refuse("setdash", "non-finite number");
        return;
    }
    if (pattern.size() > kMaxDashCount) {
        refuse("setdash", "too many elements");
        return;
    }
    bool anyPositive = false;
    for (float v : pattern) {
        if (v < 0) {
            refuse("setdash", "negative element");
            return;
        }
        anyPositive = anyPositive || v > 0;
    }
    if (!pattern.empty() && !anyPositive) {
        refuse("setdash", "all elements are zero");
        return;
    }
    emitSetdash(pattern, offset);
    state_.dash.assign(pattern.begin(), pattern.end());
    state_.dashOffset = offset;
}

// ---- Coordinate system.

void DrawContext::translate(float tx, float ty)
{
    if (!checkFinite("translate", {tx, ty}))
        return;
    Matrix next = state_.ctm.translated(tx, ty);
    if (!checkMatrix("translate", next))
        return;
    emitTranslate(tx, ty);
    state_.ctm = next;
}

void DrawContext::scale(float sx, float sy)
{
    if (!checkFinite("scale", {sx, sy}))
        return;
    Matrix next = state_.ctm.scaled(sx, sy);
    if (!checkMatrix("scale", next))
        return;
    emitScale(sx, sy);
    state_.ctm = next;
}

void DrawContext::rotate(float degrees)
{
    if (!checkFinite("rotate", {degrees}))
        return;
    Matrix next = state_.ctm.rotated(degrees);
    if (!checkMatrix("rotate", next))
        return;
    emitRotate(degrees);
    state_.ctm = next;
}

void DrawContext::concat(const Matrix& m)
{
    if (!checkFinite("concat", {m.a, m.b, m.c, m.d, m.tx, m.ty}))
        return;
    Matrix next = state_.ctm.concatenated(m);
    if (!checkMatrix("concat", next))
        return;
    emitConcat(m);
    state_.ctm = next;
}

void DrawContext::setmatrix(const Matrix& m)
{
    if (!checkFinite("setmatrix", {m.a, m.b, m.c, m.d, m.tx, m.ty}))
        return;
    emitSetmatrix(m);
    state_.ctm = m;
}

void DrawContext::initmatrix()
{
    emitInitmatrix();
    state_.ctm = defaultMatrix_;
}

// ---- Fonts.

void DrawContext::selectfont(const Font* font)
{
    if (!font) {
        refuse("selectfont", "no font");
        return;
    }
    float size = font->pointSize();
    if (!checkFinite("selectfont", {size}))
        return;
    FontState next{font, font->fontName(), Matrix::scaling(size, size)};
    emitSelectfont(next);
    state_.font = std::move(next);
}

void DrawContext::selectfont(std::string_view fontName, float size)
{
    if (!checkFinite("selectfont", {size}))
        return;
    if (!isValidFontName(fontName)) {
        refuse("selectfont", "not a font name");
        return;
    }
    if (const Font* font = Font::fontWithName(fontName, size)) {
        selectfont(font);
        return;
    }
    FontState next{nullptr, std::string(fontName), Matrix::scaling(size, size)};
    emitSelectfont(next);
    state_.font = std::move(next);
}

void DrawContext::setfont(const Font* font, const Matrix& fontMatrix)
{
    if (!font) {
        refuse("setfont", "no font");
        return;
    }
    const Matrix& m = fontMatrix;
    if (!checkFinite("setfont", {m.a, m.b, m.c, m.d, m.tx, m.ty}))
        return;
    FontState next{font, font->fontName(), fontMatrix};
    emitSetfont(next);
    state_.font = std::move(next);
}

void DrawContext::makefont(const Matrix& m)
{
    if (!checkFinite("makefont", {m.a, m.b, m.c, m.d, m.tx, m.ty}) || !checkFont("makefont"))
        return;
    FontState next = state_.font;
    next.matrix = concatMatrix(state_.font.matrix, m);
    if (!checkMatrix("makefont", next.matrix))
        return;
    emitMakefont(m, next);
    state_.font = std::move(next);
}

// ---- Text.

void DrawContext::advanceCurrentPoint(double dx, double dy)
{
    const Matrix& m = state_.ctm;
    detail::pathMove(state_, state_.currentX + m.a * dx + m.c * dy, state_.currentY + m.b * dx + m.d * dy);
}

void DrawContext::show(std::string_view bytes)
{
    if (!checkFont("show") || !checkCurrentPoint("show"))
        return;
    emitShow(bytes);
    const FontState& f = state_.font;
    if (!f.font || f.font->pointSize() == 0)
        return; // a font known by name only: its widths are the output's business
    double width = 0;
    for (unsigned char code : bytes)
        width += f.font->advance(code);
    width /= f.font->pointSize();
    advanceCurrentPoint(f.matrix.a * width, f.matrix.b * width);
}

void DrawContext::xyshow(std::string_view bytes, std::span<const float> offsets)
{
    if (!checkFont("xyshow") || !checkCurrentPoint("xyshow"))
        return;
    if (offsets.size() / 2 < bytes.size()) {
        refuse("xyshow", std::to_string(bytes.size()) + " characters need " + std::to_string(bytes.size() * 2) +
                             " numbers, " + std::to_string(offsets.size()) + " given");
        return;
    }
    std::span<const float> used = offsets.first(bytes.size() * 2);
    if (!allFinite(used)) {
        refuse("xyshow", "non-finite number");
        return;
    }
    emitXyshow(bytes, used);
    double dx = 0, dy = 0;
    for (std::size_t i = 0; i < used.size(); i += 2) {
        dx += used[i];
        dy += used[i + 1];
    }
    advanceCurrentPoint(dx, dy);
}

// ---- User paths.

bool DrawContext::doUserPath(const UserPath& path, std::span<const float, 4> bbox, UserPathAction action)
{
    switch (action) {
    case UserPathAction::uappend:
    case UserPathAction::ueofill:
    case UserPathAction::ufill:
    case UserPathAction::ustroke:
        break;
    default:
        refuse("doUserPath", "unknown action " + std::to_string(static_cast<int>(action)));
        return false;
    }
    if (!allFinite(bbox)) {
        refuse("doUserPath", "non-finite bounding box");
        return false;
    }
    GraphicsState scratch;
    scratch.ctm = state_.ctm;
    if (action == UserPathAction::uappend) {
        scratch.path = state_.path;
        scratch.hasCurrentPoint = state_.hasCurrentPoint;
        scratch.currentX = state_.currentX;
        scratch.currentY = state_.currentY;
        scratch.subpathX = state_.subpathX;
        scratch.subpathY = state_.subpathY;
    }
    std::string error = detail::appendUserPath(scratch, path);
    if (!error.empty()) {
        refuse("doUserPath", error);
        return false;
    }
    emitUserPath(path, bbox, action, scratch.path);
    if (action == UserPathAction::uappend) {
        state_.path = std::move(scratch.path);
        state_.hasCurrentPoint = scratch.hasCurrentPoint;
        state_.currentX = scratch.currentX;
        state_.currentY = scratch.currentY;
        state_.subpathX = scratch.subpathX;
        state_.subpathY = scratch.subpathY;
    }
    return true;
}

bool DrawContext::inufill(float x, float y, const UserPath& path) { return pointHit("inufill", x, y, path, HitMode::Fill); }
bool DrawContext::inueofill(float x, float y, const UserPath& path) { return pointHit("inueofill", x, y, path, HitMode::EOFill); }
bool DrawContext::inustroke(float x, float y, const UserPath& path) { return pointHit("inustroke", x, y, path, HitMode::Stroke); }
bool DrawContext::inufill(const UserPath& aperture, const UserPath& path) { return pathHit("inufill", aperture, path, false); }
bool DrawContext::inustroke(const UserPath& aperture, const UserPath& path) { return pathHit("inustroke", aperture, path, true); }

// ---- Device rounding.

Point DrawContext::roundPoint(Point p) const
{
    const Matrix& m = state_.ctm;
    double dx = static_cast<double>(m.a) * p.x + static_cast<double>(m.c) * p.y + m.tx;
    double dy = static_cast<double>(m.b) * p.x + static_cast<double>(m.d) * p.y + m.ty;
    Point device{static_cast<float>(std::floor(dx) + 0.5), static_cast<float>(std::floor(dy) + 0.5)};
    auto user = m.itransform(device);
    return user ? *user : p;
}

void DrawContext::movetoRound(float x, float y)
{
    if (!checkFinite("movetoRound", {x, y}))
        return;
    Point rounded = roundPoint({x, y});
    emitMovetoRound(x, y);
    const Matrix& m = state_.ctm;
    detail::pathMove(state_, static_cast<double>(m.a) * rounded.x + static_cast<double>(m.c) * rounded.y + m.tx,
                     static_cast<double>(m.b) * rounded.x + static_cast<double>(m.d) * rounded.y + m.ty);
}

// ---- Everything else.

void DrawContext::sendPostScript(std::string_view text)
{
    if (text.empty())
        return;
    emitPostScript(text);
    forgetCachedState();
}

void DrawContext::compositerect(float x, float y, float w, float h, CompositeOp op)
{
    if (!checkFinite("compositerect", {x, y, w, h}))
        return;
    int code = static_cast<int>(op);
    if (code < static_cast<int>(CompositeOp::Clear) || code > static_cast<int>(CompositeOp::PlusLighter)) {
        refuse("compositerect", "unknown operation");
        return;
    }
    emitCompositerect(makeRect(x, y, w, h), op);
}

// ---- Pictures.

int ImagePixels::samplesPerPixel() const
{
    switch (model) {
    case Model::Gray: return 1 + (hasAlpha ? 1 : 0);
    case Model::RGB: return 3 + (hasAlpha ? 1 : 0);
    case Model::CMYK: return 4 + (hasAlpha ? 1 : 0);
    case Model::ARGB32: return 4;
    }
    return 0;
}

bool ImagePixels::isValid() const
{
    if (width <= 0 || height <= 0 || !data)
        return false;
    const std::size_t row = static_cast<std::size_t>(width) * static_cast<std::size_t>(samplesPerPixel());
    return bytesPerRow >= row && row / static_cast<std::size_t>(width) == static_cast<std::size_t>(samplesPerPixel());
}

void DrawContext::drawImage(const ImagePixels& pixels, const Rect& rect)
{
    if (!checkFinite("drawImage", {rect.origin.x, rect.origin.y, rect.size.width, rect.size.height}))
        return;
    if (!pixels.isValid()) {
        refuse("drawImage", "no pixels");
        return;
    }
    if (width(rect) == 0 || height(rect) == 0)
        return;
    emitDrawImage(pixels, rect);
}

void DrawContext::compositeImage(const ImagePixels& pixels, Point point, const Rect& fromRect, CompositeOp op)
{
    if (!checkFinite("compositeImage", {point.x, point.y, fromRect.origin.x, fromRect.origin.y, fromRect.size.width,
                                         fromRect.size.height}))
        return;
    if (!pixels.isValid()) {
        refuse("compositeImage", "no pixels");
        return;
    }
    // Whole pixels inside the image.
    const double x0 = std::max(0.0, std::floor(double(minX(fromRect))));
    const double y0 = std::max(0.0, std::floor(double(minY(fromRect))));
    const double x1 = std::min(double(pixels.width), std::ceil(double(maxX(fromRect))));
    const double y1 = std::min(double(pixels.height), std::ceil(double(maxY(fromRect))));
    if (x1 <= x0 || y1 <= y0)
        return;
    const Rect part = makeRect(float(x0), float(y0), float(x1 - x0), float(y1 - y0));
    // The part starts where the caller asked, also when the rectangle began
    // outside the image.
    const Point at{point.x + float(x0 - minX(fromRect)), point.y - float(y0 - minY(fromRect))};
    if (isDrawingToScreen()) {
        emitCompositeImage(pixels, at, part, op);
        return;
    }
    // On paper: the part as an image, one unit a pixel.
    ImagePixels sub = pixels;
    sub.width = int(x1 - x0);
    sub.height = int(y1 - y0);
    sub.data = pixels.data + static_cast<std::size_t>(y0) * pixels.bytesPerRow +
               static_cast<std::size_t>(x0) * static_cast<std::size_t>(pixels.samplesPerPixel());
    emitDrawImage(sub, makeRect(at.x, at.y - float(sub.height), float(sub.width), float(sub.height)));
}

void DrawContext::includeEPS(std::string_view postscript, const Rect& boundingBox, std::string_view name)
{
    if (!checkFinite("includeEPS", {boundingBox.origin.x, boundingBox.origin.y, boundingBox.size.width,
                                     boundingBox.size.height}))
        return;
    if (postscript.empty()) {
        refuse("includeEPS", "no PostScript");
        return;
    }
    emitIncludeEPS(postscript, boundingBox, name);
}

void DrawContext::highlightRect(const Rect& r)
{
    if (!checkFinite("highlightRect", {r.origin.x, r.origin.y, r.size.width, r.size.height}))
        return;
    emitHighlightRect(r);
}

void DrawContext::frameLinkRect(const Rect& r, bool isDestination)
{
    if (!checkFinite("frameLinkRect", {r.origin.x, r.origin.y, r.size.width, r.size.height}))
        return;
    emitFrameLinkRect(r, isDestination);
}

void DrawContext::wait() { emitWait(); }

} // namespace kit
