// The measuring ruler: tick layout, ticks page by page, position marks and
// the drag that hands over to a guide or origin drag.

#include "view/RulerViewInset.h"

#include "appkit/ClipView.h"
#include "appkit/Event.h"
#include "appkit/Panel.h"
#include "appkit/ScrollView.h"
#include "appkit/Window.h"
#include "document/DocumentDelegate.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/Units.h"
#include "foundation/UnitsInfo.h"
#include "graphics/DrawContext.h"
#include "graphics/Font.h"
#include "view/PageView.h"
#include "view/TabRulerPanel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

// The label metrics are the unit functions' own, which space ruler marks by
// them.
void RulerViewInset::initialize() { (void)GetRulerLabelMetrics(); }

float RulerViewInset::majorThreshold() { return GetRulerMajorThreshold(); }

kit::Font* RulerViewInset::labelFont() { return GetRulerLabelMetrics().font; }

float RulerViewInset::digitWidth() { return GetRulerLabelMetrics().digitWidth; }

float RulerViewInset::labelHeight() { return GetRulerLabelMetrics().labelHeight; }

RulerViewInset::RulerViewInset(int type, int side)
    : kit::View(kit::makeRect(0, 0, 10, 10))
{
    tall_ = type == 1;
    side_ = side & 3;
    border_ = true;
    borderSides_ = static_cast<short>(1 << side_);
    initColors();
    dirty_ = true;
}

RulerViewInset::RulerViewInset(const kit::Rect& frameRect)
    : kit::View(frameRect)
{
    initColors();
    dirty_ = true;
}

RulerViewInset::~RulerViewInset()
{
    if (draggedTab() && tabRuler_)
        setTabPanel(tabPanel()); // clears the dragged record
    if (TabRulerPanel* panel = tabRulerPanel())
        panel->rulerWillFree(this);
}

void RulerViewInset::initColors()
{
    setTabPanel(tabPanel());
    cursorColor_ = kit::Color::whiteColor();
    ticksColor_ = kit::Color::blackColor();
    labelColor_ = kit::Color::blackColor();
    borderColor_ = kit::Color::blackColor();
    backgroundColor_ = kit::Color::lightGrayColor();
}

float RulerViewInset::preferredWidth() const { return tabRuler_ ? 27.0f : 11.0f; }

PageView* RulerViewInset::pageView() const
{
    if (dynamic_cast<kit::Panel*>(window()))
        return dynamic_cast<PageView*>(delegateMainView());
    kit::View* scroll = corner_ ? superview() : (superview() ? superview()->superview() : nullptr);
    auto* sv = dynamic_cast<kit::ScrollView*>(scroll);
    return sv ? dynamic_cast<PageView*>(sv->documentView()) : nullptr;
}

LayoutDocument* RulerViewInset::document() const
{
    PageView* view = pageView();
    return view ? view->document() : nullptr;
}

UnitsInfo* RulerViewInset::unitsInfo() const
{
    LayoutDocument* doc = document();
    return doc ? doc->unitsInfo() : nullptr;
}

int RulerViewInset::unitsKind() const
{
    const UnitsInfo* units = unitsInfo();
    const int kind = units ? units->units() : UNITS_POINTS;
    // A kind read from a damaged file indexes no table here.
    return kind >= 0 && kind < UNITS_KIND_COUNT ? kind : UNITS_POINTS;
}

float RulerViewInset::scale() const
{
    if (const TabRulerPanel* panel = tabRulerPanel(); panel && panel->disableApply())
        return 1.0f;
    const PageView* view = pageView();
    const float zoom = view ? view->zoom() : 1.0f;
    return zoom > 0.0f ? zoom : 1.0f;
}

void RulerViewInset::setRulerType(int type)
{
    if ((type == 1) == tall_)
        return;
    tall_ = type == 1;
    dirty_ = true;
    if (canDraw())
        setNeedsDisplay(true);
}

void RulerViewInset::setSide(int side)
{
    side &= 3;
    if (side == side_)
        return;
    side_ = side;
    borderSides_ = static_cast<short>(1 << side_);
    dirty_ = true;
    if (canDraw())
        setNeedsDisplay(true);
}

// ---- Tick layout.

int RulerViewInset::widestLabelDigits() const
{
    const int kind = unitsKind();
    double extent = tall_ ? bounds().size.height : bounds().size.width;
    double origin = 0;
    if (const LayoutDocument* doc = document()) {
        const kit::Size page = doc->maxPageSize();
        extent = tall_ ? page.height : page.width;
        if (const UnitsInfo* units = doc->unitsInfo())
            origin = tall_ ? units->verticalUnitsOrigin() : units->horizontalUnitsOrigin();
    } else {
        extent /= scale();
    }
    const double widest = (std::fabs(origin) + std::fabs(extent)) / pointsPerUnit[kind];
    int digits = 1;
    for (double v = std::nearbyint(widest); v >= 10.0 && digits < 12; v /= 10.0)
        ++digits;
    return digits;
}

void RulerViewInset::calcTickMarks()
{
    const float s = scale();
    const int kind = unitsKind();
    // Numbers of four digits and more need their own room between them.
    const int digits = widestLabelDigits();
    float threshold = majorThreshold();
    if (digits > 3)
        threshold = std::max(threshold, digitWidth() * float(digits + 1));
    float major = 1.0f;
    int divisions = 1;
    GetMajorUnitsWithThreshold(s, kind, threshold, &major, &divisions);
    int levels = 0;
    float tick = major;
    GetTickUnits(s, kind, major, divisions, &tick, &levels);
    if (!(tick > 0.0f) || !std::isfinite(tick))
        tick = major > 0.0f ? major : 1.0f;
    tickUnits_ = tick;
    long n = std::lround(double(major) / double(tick));
    n = std::clamp(n, 1L, 4096L);
    lengths_.assign(std::size_t(n), 0.0f);
    if (levels < 1) {
        lengths_[0] = tickLengths[0];
        return;
    }
    long stride = 1;
    for (int level = levels - 1; level >= 0; --level) {
        float length = level == 0 ? 10.0f : level == 1 ? (levels == 2 ? 2.0f : 6.0f) : level == 2 ? 4.0f : 2.0f;
        for (long pos = 0; pos < n; pos += stride)
            lengths_[std::size_t(pos)] = length;
        stride *= std::max(divisions, 2);
    }
}

double RulerViewInset::originOffset() const
{
    if (tabRuler_)
        return 12.0;
    const UnitsInfo* units = unitsInfo();
    const double origin = units ? (tall_ ? units->verticalUnitsOrigin() : units->horizontalUnitsOrigin()) : 0.0;
    return origin * scale();
}

void RulerViewInset::_getLengthIndices(double from, double to, double tickDistance, double* firstCoord,
                                       double* firstValue, int* firstIndex, int* count) const
{
    const double s = scale();
    const double ppu = pointsPerUnit[unitsKind()];
    const double o = originOffset();
    const double units = tickUnits_;
    const int n = std::max(1, numLengths());
    const double total = units * n;
    const auto valueOf = [&](double c) { return (o + c) / ppu / s; };
    const auto coordOf = [&](double v) { return s * v * ppu - o; };
    constexpr double eps = 1e-7;

    const double v = valueOf(from);
    double base = std::floor(v / total + eps) * total;
    const double f = (v - base) / units;
    int index = static_cast<int>(std::floor(f + eps));
    if (f - index > eps * std::max(1.0, std::fabs(f))) {
        if (index + 1 < n)
            ++index;
        else {
            index = 0;
            base += total;
        }
    }
    index = std::clamp(index, 0, n - 1);
    double value = base + units * index;
    double coord = coordOf(value);
    const double steps = std::floor((valueOf(to) - value) / units + eps);
    int c = steps >= 0 ? static_cast<int>(std::min(steps, 1.0e6)) + 1 : 0;

    const int m = n == 1 ? 1 : index;
    const double room = tall_ ? labelHeight() + 2.0 : 3.0 * digitWidth() + 3.0;
    if (m > 0 && from < coord - tickDistance * m + room) {
        coord -= tickDistance * m;
        value -= units * m;
        c += m;
        index = 0;
    }
    *firstCoord = coord;
    *firstValue = value;
    *firstIndex = index;
    *count = c;
}

std::string RulerViewInset::getLabelFrom(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.0f", std::fabs(std::nearbyint(value)));
    return text;
}

void RulerViewInset::addToLabels(double value, double position, std::vector<float>& xy, std::string& text)
{
    const std::string label = getLabelFrom(value);
    const float dw = digitWidth();
    const auto digits = static_cast<float>(label.size());
    double x = 0, y = 0;
    const kit::Rect b = bounds();
    if (!tall_) {
        x = position + 3.0;
        y = side_ == 0 ? 10.0 - 7.0 : b.size.height - 10.0;
    } else {
        y = position + 7.0 + 2.0;
        x = side_ == 2 ? 10.0 - dw + 2.0 : b.size.width - 10.0;
        if (side_ == 2)
            y += dw * (digits - 1.0f);
        else if (label.size() >= 3)
            x -= dw * (digits - 2.0f);
    }
    for (std::size_t i = 0; i < label.size(); ++i) {
        xy.push_back(static_cast<float>(x + dw * float(i)));
        xy.push_back(static_cast<float>(y));
    }
    text += label;
    lastLabels_.push_back({label, position});
}

void RulerViewInset::_drawTickMarksFrom(double from, double to)
{
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context || lengths_.empty())
        return;
    const double s = scale();
    const double ppu = pointsPerUnit[unitsKind()];
    const int n = numLengths();
    const double tickDistance = ppu * tickUnits_ * s;
    if (!(tickDistance > 0.0) || !std::isfinite(tickDistance))
        return;
    double coord = 0, value = 0;
    int index = 0, count = 0;
    _getLengthIndices(from, to, tickDistance, &coord, &value, &index, &count);
    if (embeddedTabs_)
        coord += 12.0;
    else if (tabRuler_ && from > coord)
        coord += 12.0;
    if (count <= 0)
        return;
    double numberPos = index == 0 ? coord : coord + tickDistance * (n - index);
    const double majorDistance = ppu * n * tickUnits_ * s;
    const kit::Rect b = bounds();
    std::vector<float> xy;
    std::string text;
    for (int i = 0; i < count; ++i) {
        const float length = lengths_[std::size_t(index)];
        const auto c = static_cast<float>(coord);
        switch (side_) {
        case 0:
            context->moveto(c, 1.0f);
            context->rlineto(0, length);
            break;
        case 1:
            context->moveto(c, b.size.height);
            context->rlineto(0, -length);
            break;
        case 2:
            context->moveto(0, c);
            context->rlineto(length, 0);
            break;
        default:
            context->moveto(b.size.width, c);
            context->rlineto(-(length + 1.0f), 0);
            break;
        }
        if (index == 0) {
            addToLabels(value, numberPos, xy, text);
            numberPos += majorDistance;
        }
        value += tickUnits_;
        index = (index + 1) % n;
        coord += tickDistance;
    }
    context->setColor(*ticksColor_);
    context->setlinewidth(0.15f);
    context->stroke();
    if (!text.empty() && labelFont()) {
        const float size = 9.0f;
        context->setfont(labelFont(), kit::Matrix{size, 0, 0, tall_ ? -size : size, 0, 0});
        context->setColor(*labelColor_);
        // xyshow takes the advance after each character.
        std::vector<float> advances(xy.size(), 0.0f);
        for (std::size_t i = 0; i + 2 < xy.size(); i += 2) {
            advances[i] = xy[i + 2] - xy[i];
            advances[i + 1] = xy[i + 3] - xy[i + 1];
        }
        context->moveto(xy[0], xy[1]);
        context->xyshow(text, advances);
    }
}

// ---- Drawing.

void RulerViewInset::drawRect(const kit::Rect& rect)
{
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return;
    if (dirty_ && !corner_) {
        calcTickMarks();
        dirty_ = false;
    }
    lastLabels_.clear();
    lastZeros_.clear();
    context->gsave();
    context->rectclip(rect);
    context->setColor(*backgroundColor_);
    context->rectfill(rect);
    if (!corner_)
        drawTickMarksForRect(rect);
    if (border_ && borderSides_)
        _drawBorderInRect(rect);
    context->grestore();
    if (trackMarksVisible_)
        drawMarks(lowCoord_, midCoord_, highCoord_);
}

void RulerViewInset::drawTickMarksForRect(const kit::Rect& rect)
{
    if (tabRuler_) {
        drawTabRulerTicks(rect);
        return;
    }
    drawTickMarksForRectInView(rect, pageView());
}

void RulerViewInset::drawTickMarksForRectInView(const kit::Rect& rect, PageView* view)
{
    LayoutDocument* doc = view ? view->document() : nullptr;
    if (!doc) {
        // No pages: the ruler counts along its own frame.
        pageZero_ = 0;
        lastZeros_.push_back(0);
        _drawTickMarksFrom(tall_ ? kit::minY(rect) : kit::minX(rect), tall_ ? kit::maxY(rect) : kit::maxX(rect));
        return;
    }
    const double s = scale();
    const double lo = (tall_ ? kit::minY(rect) : kit::minX(rect)) / s;
    const double hi = (tall_ ? kit::maxY(rect) : kit::maxX(rect)) / s;
    const kit::Rect visible = view->visibleRect();
    const int direction = tall_ ? 1 : 2;
    kit::Rect strip = tall_ ? kit::makeRect(visible.origin.x, float(lo), visible.size.width, float(hi - lo))
                            : kit::makeRect(float(lo), visible.origin.y, float(hi - lo), visible.size.height);
    std::vector<Page*> pages = doc->pagesInRect(strip, true, direction);
    if (side_ == 1 || side_ == 2)
        std::reverse(pages.begin(), pages.end());
    double coveredLo = 0, coveredHi = 0;
    bool any = false;
    for (Page* page : pages) {
        const kit::Rect ext = doc->extendedPageRectForPage(page, direction);
        if (!kit::intersectsRect(ext, strip))
            continue;
        drawTicksForPageWithView(page, rect, view);
        const double eLo = tall_ ? kit::minY(ext) : kit::minX(ext);
        const double eHi = tall_ ? kit::maxY(ext) : kit::maxX(ext);
        if (!any) {
            coveredLo = eLo;
            coveredHi = eHi;
            any = true;
        } else {
            coveredLo = std::min(coveredLo, eLo);
            coveredHi = std::max(coveredHi, eHi);
        }
        if (coveredLo <= lo && coveredHi >= hi)
            break;
    }
}

void RulerViewInset::drawTicksForPage(Page* page, const kit::Rect& rect)
{
    drawTicksForPageWithView(page, rect, pageView());
}

void RulerViewInset::drawTicksForPageWithView(Page* page, const kit::Rect& rect, PageView* view)
{
    kit::DrawContext* context = kit::DrawContext::current();
    LayoutDocument* doc = view ? view->document() : nullptr;
    if (!context || !page || !doc)
        return;
    const double s = scale();
    const int direction = tall_ ? 1 : 2;
    const kit::Rect pr = page->pageRect();
    const kit::Rect ext = doc->extendedPageRectForPage(page, direction);
    // Ruler coordinates grow with the zoom: far down a long document they
    // are too large for a float to hold to a pixel, so everything past here
    // counts from the page's own origin, in double.
    const double pageLo = s * (tall_ ? double(pr.origin.y) : double(pr.origin.x));
    const double extLo = s * (tall_ ? double(kit::minY(ext)) : double(kit::minX(ext)));
    const double extHi = s * (tall_ ? double(kit::maxY(ext)) : double(kit::maxX(ext)));
    const double rectLo = tall_ ? kit::minY(rect) : kit::minX(rect);
    const double rectHi = tall_ ? kit::maxY(rect) : kit::maxX(rect);
    const double from = std::max(rectLo, extLo) - pageLo;
    const double to = std::min(rectHi, extHi) - pageLo;
    if (to < from)
        return;
    const kit::Rect b = bounds();
    context->gsave();
    // The clip, relative to the page, once the origin stands at the page.
    kit::Matrix m = context->currentmatrix();
    const double along = pageLo;
    const double tx = double(m.tx) + double(tall_ ? m.c : m.a) * along;
    const double ty = double(m.ty) + double(tall_ ? m.d : m.b) * along;
    m.tx = static_cast<float>(tx);
    m.ty = static_cast<float>(ty);
    context->setmatrix(m);
    const double clipLo = extLo - pageLo;
    const double clipHi = extHi - pageLo;
    if (tall_)
        context->rectclip(b.origin.x, float(clipLo), b.size.width, float(clipHi - clipLo));
    else
        context->rectclip(float(clipLo), b.origin.y, float(clipHi - clipLo), b.size.height);
    pageZero_ = pageLo;
    lastZeros_.push_back(pageLo);
    _drawTickMarksFrom(from, to);
    context->grestore();
}

void RulerViewInset::_drawBorderInRect(const kit::Rect& rect)
{
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return;
    const kit::Rect b = bounds();
    context->setColor(*borderColor_);
    if (borderSides_ & 1)
        context->rectfill(kit::minX(rect), 0, rect.size.width, 0.15f);
    if (borderSides_ & 2)
        context->rectfill(kit::minX(rect), b.size.height - 0.15f, rect.size.width, 0.15f);
    if (borderSides_ & 4)
        context->rectfill(0, kit::minY(rect), 0.15f, rect.size.height);
    if (borderSides_ & 8)
        context->rectfill(b.size.width - 0.15f, kit::minY(rect), 0.15f, rect.size.height);
}

// ---- Position marks.

void RulerViewInset::setPoint(kit::Point point)
{
    if (point.x == 0 && point.y == 0) {
        hidePosition();
        return;
    }
    const float at = tall_ ? point.y : point.x;
    showPosition(at, at, at);
}

void RulerViewInset::setRect(const kit::Rect& rect)
{
    if (rect.size.width <= 0 || rect.size.height <= 0) {
        hidePosition();
        return;
    }
    if (tall_)
        showPosition(kit::minY(rect), kit::minY(rect) + rect.size.height / 2, kit::maxY(rect));
    else
        showPosition(kit::minX(rect), kit::minX(rect) + rect.size.width / 2, kit::maxX(rect));
}

void RulerViewInset::drawMarks(float low, float mid, float high)
{
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return;
    const kit::Rect b = bounds();
    const float thickness = tall_ ? b.size.width : b.size.height;
    const bool insetAtLow = side_ == 1 || side_ == 3;
    const auto mark = [&](float at, float inset) {
        const float start = insetAtLow ? inset : 0.0f;
        const float length = std::max(0.0f, thickness - inset);
        // One device pixel wide: a hairline that a second pass takes away.
        if (tall_)
            context->highlightRect(kit::makeRect(start, std::floor(at), length, 1.0f));
        else
            context->highlightRect(kit::makeRect(std::floor(at), start, 1.0f, length));
    };
    mark(low, 1.0f);
    float last = low;
    if (std::fabs(mid - low) >= 1.0f) {
        mark(mid, 2.0f);
        last = mid;
    }
    if (std::fabs(high - last) >= 1.0f)
        mark(high, 1.0f);
}

void RulerViewInset::doShowPosition(float low, float mid, float high, bool absolute)
{
    (void)absolute;
    lowCoord_ = low;
    midCoord_ = mid;
    highCoord_ = high;
    drawMarks(low, mid, high);
}

void RulerViewInset::showPosition(float low, float mid, float high)
{
    const float s = scale();
    const bool drawing = canDraw();
    if (drawing)
        lockFocus();
    if (trackMarksVisible_ && drawing)
        drawMarks(lowCoord_, midCoord_, highCoord_);
    if (drawing)
        doShowPosition(low * s, mid * s, high * s, false);
    else {
        lowCoord_ = low * s;
        midCoord_ = mid * s;
        highCoord_ = high * s;
    }
    trackMarksVisible_ = true;
    if (drawing) {
        unlockFocus();
        if (kit::Window* w = window())
            w->flushWindow();
    }
}

void RulerViewInset::hidePosition()
{
    if (!trackMarksVisible_)
        return;
    trackMarksVisible_ = false;
    if (!canDraw())
        return;
    lockFocus();
    drawMarks(lowCoord_, midCoord_, highCoord_);
    unlockFocus();
    if (kit::Window* w = window())
        w->flushWindow();
}

// ---- Mouse.

void RulerViewInset::mouseDown(const kit::Event& event)
{
    LayoutDocument* doc = document();
    if (tabRuler_) {
        if (!doc || !doc->isReadOnly())
            mouseDownInTabRuler(event);
        return;
    }
    PageView* view = pageView();
    kit::Window* w = window();
    if (!doc || doc->isReadOnly() || !view || !w)
        return;
    w->setAcceptsMouseMovedEvents(true);
    for (;;) {
        // A loop whose mouse-up never comes (the queue ran dry) ends here
        // as the page view's loops do.
        std::optional<kit::Event> e = w->nextEventMatchingMask(kit::LeftMouseDraggedMask | kit::LeftMouseUpMask);
        if (!e || e->type() == kit::EventType::LeftMouseUp)
            break;
        const kit::Point p = view->convertPointFromView(e->locationInWindow(), nullptr);
        if (kit::pointInRect(p, view->visibleRect())) {
            w->setAcceptsMouseMovedEvents(false);
            if (corner_)
                view->addOrigin(*e);
            else
                view->addGuide(*e, tall_ ? 2 : 1);
            return;
        }
    }
    w->setAcceptsMouseMovedEvents(false);
}
