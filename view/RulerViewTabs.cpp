// The ruler as tab ruler: the stops and indent markers of the paragraph
// being edited, added with a click and moved, retyped or removed by a drag.

#include "view/RulerViewInset.h"

#include "core/Alert.h"
#include "appkit/Event.h"
#include "appkit/ScrollView.h"
#include "appkit/Window.h"
#include "core/EventState.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "items/TextItem.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/CMGeometry.h"
#include "foundation/Units.h"
#include "foundation/UnitsInfo.h"
#include "graphics/DrawContext.h"
#include "view/PageView.h"
#include "view/PageWindowServices.h"
#include "view/TabRulerPanel.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

struct MarkerGeometry {
    const char* name;
    float offset;
    float width;
    float height;
};

// By record type: how far the image begins left of the position, its width
// and the height of its hit box.
constexpr MarkerGeometry kMarkers[] = {
    {"TabLeft", 0, 5, 9},     {"TabCenter", 4, 9, 9},   {"TabRight", 4, 5, 9},
    {"TabDecimal", 4, 9, 9},  {"IndentLeft", 4, 9, 5},  {"IndentRight", 4, 9, 5},
    {"IndentFirst", 4, 9, 9}, {"MarginLeft", 4, 9, 14}, {"MarginRight", 4, 9, 14},
};

const MarkerGeometry& geometry(int type)
{
    return kMarkers[type >= 0 && type < 9 ? type : 0];
}

TabRecord* dragged = nullptr;

constexpr float kMinIndentGap = 18.0f;

} // namespace

void sortTabs(TabRecord* records, int count)
{
    if (!records || count < 2)
        return;
    for (int gap = count / 2; gap > 0; gap /= 2)
        for (int i = gap; i < count; ++i)
            for (int j = i - gap; j >= 0 && records[j].location > records[j + gap].location; j -= gap)
                std::swap(records[j], records[j + gap]);
}

TabRecord* RulerViewInset::draggedTab() { return dragged; }

std::string RulerViewInset::markerImageName(const TabRecord& record)
{
    return std::string(record.leader ? "Leader" : "") + geometry(record.type).name;
}

void RulerViewInset::setTabPanel(kit::Receiver* panel)
{
    dragged = nullptr;
    tabRuler_ = panel != nullptr;
    if (!tabRuler_)
        embeddedTabs_ = false;
    tabPanel_ = kit::WeakRef<kit::Receiver>(panel);
}

TabRulerPanel* RulerViewInset::tabRulerPanel() const { return dynamic_cast<TabRulerPanel*>(tabPanel_.get()); }

double RulerViewInset::tabZero() const
{
    if (!embeddedTabs_)
        return 0.0;
    const LayoutDocument* doc = document();
    const TextItem* edited = doc ? doc->activeTextItem() : nullptr;
    const Page* page = edited ? edited->page() : nullptr;
    return page ? double(scale()) * double(page->pageRect().origin.x) : 0.0;
}

void RulerViewInset::setEmbeddedTabRuler(bool flag)
{
    dragged = nullptr;
    embeddedTabs_ = flag;
    if (!flag)
        return;
    tabRuler_ = true;
    PageWindowServices* services = PageWindowServices::shared();
    kit::Object* panel = services ? services->tabsPanel(true) : nullptr;
    tabPanel_ = kit::WeakRef<kit::Receiver>(dynamic_cast<kit::Receiver*>(panel));
    // The embedded ruler takes the panel's place.
    if (auto* window = dynamic_cast<kit::Window*>(panel))
        window->orderOut(nullptr);
}

// ---- Drawing. The marker artwork is ours, inside the geometry above.

void RulerViewInset::drawMarker(kit::DrawContext& context, const TabRecord& record, float x, float y)
{
    const MarkerGeometry& g = geometry(record.type);
    const float stem = x + g.offset;
    switch (record.type) {
    case 0:
        context.rectfill(x, y, 1, 9);
        context.rectfill(x, y, 5, 1);
        break;
    case 1:
    case 3:
        context.rectfill(stem, y, 1, 9);
        context.rectfill(x, y, 9, 1);
        if (record.type == 3)
            context.rectfill(stem + 2, y + 3, 2, 2);
        break;
    case 2:
        context.rectfill(stem, y, 1, 9);
        context.rectfill(x, y, 5, 1);
        break;
    case 4:
    case 5:
        // A triangle standing on the base line, hollow for the right indent.
        context.moveto(x, y + 5);
        context.lineto(x + 9, y + 5);
        context.lineto(stem + 0.5f, y);
        context.closepath();
        if (record.type == 4)
            context.fill();
        else {
            context.setlinewidth(1);
            context.stroke();
        }
        break;
    case 6:
        context.moveto(x, y + 9);
        context.lineto(x + 9, y + 9);
        context.lineto(stem + 0.5f, y + 4);
        context.closepath();
        context.fill();
        context.rectfill(stem, y, 1, 4);
        break;
    default:
        context.rectfill(stem - 1, y, 3, 14);
        break;
    }
    if (record.leader && record.type < 4)
        for (int i = 0; i < 3; ++i)
            context.rectfill(x + 2.0f * float(i) + (record.type == 0 ? 1.5f : 0.0f), y + 7, 1, 1);
}

void RulerViewInset::drawDefaultMark(kit::DrawContext& context, float x, float y)
{
    context.rectfill(x, y, 1, 3);
}

void RulerViewInset::drawTabRulerTicks(const kit::Rect& rect)
{
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return;
    PageView* view = pageView();
    if (embeddedTabs_ && view && view->document())
        drawTickMarksForRectInView(rect, view);
    else {
        lastZeros_.push_back(0);
        _drawTickMarksFrom(kit::minX(rect), kit::maxX(rect));
    }
    context->setColor(*ticksColor_);
    context->setlinewidth(0.15f);
    context->moveto(kit::minX(rect), 12.0f);
    context->lineto(kit::maxX(rect), 12.0f);
    context->stroke();
    const TabRulerPanel* panel = tabRulerPanel();
    if ((view && view->isEditing()) || (panel && panel->isStyleEditor(this)))
        drawTabs(rect, superview());
}

void RulerViewInset::drawTabs(const kit::Rect& rect, kit::View* view)
{
    (void)view;
    kit::DrawContext* context = kit::DrawContext::current();
    TabRulerPanel* panel = tabRulerPanel();
    if (!context || !panel)
        return;
    const float s = scale();
    const double zero = tabZero();
    // The drawn rectangle from the tab ruler's zero, where the records count.
    kit::Rect wide = kit::insetRect(rect, -5.0f, -5.0f);
    wide.origin.x = static_cast<float>(double(wide.origin.x) - zero);
    const auto inside = [&](float x, float y, float w) {
        return x >= kit::minX(wide) && x + w <= kit::maxX(wide) && y >= kit::minY(wide) && y + 2.0f <= kit::maxY(wide);
    };
    context->gsave();
    context->translate(static_cast<float>(zero), 0.0f);
    context->setColor(*ticksColor_);
    TabRecord* tabs = panel->tabs();
    const int numTabs = tabs ? panel->numTabs() : 0;
    for (int i = 0; i < numTabs; ++i) {
        const TabRecord& tab = tabs[i];
        if (&tab == dragged)
            continue;
        const MarkerGeometry& g = geometry(tab.type);
        const float x = s * tab.location - g.offset;
        if (inside(x, 1.0f, g.width))
            drawMarker(*context, tab, x, 1.0f);
    }
    TabRecord* indents = panel->indents();
    const int numIndents = indents ? panel->numIndents() : 0;
    for (int i = numIndents - 1; i >= 0; --i) {
        const TabRecord& mark = indents[i];
        if (&mark == dragged)
            continue;
        const MarkerGeometry& g = geometry(mark.type);
        const float x = s * mark.location - g.offset;
        if (inside(x, 12.0f, g.width))
            drawMarker(*context, mark, x, 12.0f);
    }
    // Default stops: a spacing from a damaged file may be anything; marks
    // closer than two pixels would only blacken the ruler.
    const LayoutDocument* doc = document();
    const float spacing = doc ? doc->defaultTabSpacing() : 0.0f;
    if (spacing == 0.0f || !std::isfinite(spacing) || spacing * s < 2.0f) {
        context->grestore();
        return;
    }
    double start = numTabs > 0 ? tabs[numTabs - 1].location : 0.0;
    if (numIndents >= 3 && indents[2].location > start)
        start = indents[2].location;
    double mark = std::ceil((start + 0.0001) / spacing) * spacing;
    // Marks left of the drawn part are skipped, not walked.
    const double left = kit::minX(wide) / s;
    if (mark < left)
        mark += std::ceil((left - mark) / spacing) * spacing;
    for (; mark * s <= kit::maxX(wide); mark += spacing) {
        const auto x = static_cast<float>(mark * s);
        if (inside(x, 1.0f, 5.0f))
            drawDefaultMark(*context, x, 1.0f);
    }
    context->grestore();
}

TabRecord* RulerViewInset::hitTabAt(kit::Point point)
{
    TabRulerPanel* panel = tabRulerPanel();
    if (!panel)
        return nullptr;
    const float s = scale();
    const auto hit = [&](const TabRecord& r, float y, float height) {
        const MarkerGeometry& g = geometry(r.type);
        const kit::Rect box = kit::makeRect(r.location - (g.offset + 1.0f) / s, y, g.width / s, height);
        return kit::pointInRect(point, box);
    };
    TabRecord* tabs = panel->tabs();
    const int numTabs = tabs ? panel->numTabs() : 0;
    for (int i = 0; i < numTabs; ++i)
        if (hit(tabs[i], 1.0f, 9.0f))
            return &tabs[i];
    // The two margins (the last records) are not dragged here.
    TabRecord* indents = panel->indents();
    const int numIndents = indents ? panel->numIndents() : 0;
    for (int i = 0; i < numIndents - 2; ++i)
        if (hit(indents[i], 12.0f, geometry(indents[i].type).height))
            return &indents[i];
    return nullptr;
}

// ---- The drag.

void RulerViewInset::drawDragFeedback(const TabRecord& record, bool isIndent, float x)
{
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return;
    const MarkerGeometry& g = geometry(record.type);
    const float y = isIndent ? 12.0f : 1.0f;
    context->gsave();
    context->translate(static_cast<float>(tabZero()), 0.0f);
    context->setColor(*cursorColor_);
    context->setlinewidth(0.15f);
    context->moveto(x, y);
    context->rlineto(0, 9.0f);
    context->stroke();
    context->setColor(*ticksColor_);
    drawMarker(*context, record, x - g.offset, y);
    context->grestore();
}

void RulerViewInset::drawPageHairline(float x)
{
    PageView* view = pageView();
    if (!view || view->window() != window() || !view->canDraw())
        return;
    const kit::Rect visible = view->visibleRect();
    view->lockFocus();
    if (kit::DrawContext* context = kit::DrawContext::current())
        context->highlightRect(kit::makeRect(static_cast<float>((double(x) + tabZero()) / scale()), kit::minY(visible),
                                             0.15f, visible.size.height));
    view->unlockFocus();
}

void RulerViewInset::mouseDownInTabRuler(const kit::Event& event)
{
    TabRulerPanel* panel = tabRulerPanel();
    PageView* view = pageView();
    const bool styleEditor = panel && panel->isStyleEditor(this);
    if (!panel || (!(view && view->isEditing()) && !styleEditor)) {
        kit::beep();
        return;
    }
    const float s = scale();
    // Ruler pixels from the tab ruler's zero from here on.
    const double zero = tabZero();
    const auto local = [&](const kit::Event& e) {
        const kit::Point at = convertPointFromView(e.locationInWindow(), nullptr);
        return kit::makePoint(static_cast<float>(double(at.x) - zero), at.y);
    };
    kit::Point p = local(event);
    TabRecord* record = hitTabAt(kit::makePoint(p.x / s, p.y));
    if (!record && p.y >= 1.0f && p.y <= 10.0f) {
        const unsigned flags = event.modifierFlags();
        const int type = (flags & kit::CommandKeyMask)     ? 2
                         : (flags & kit::AlternateKeyMask) ? 3
                         : (flags & kit::ControlKeyMask)   ? 1
                                                           : 0;
        panel->addTab(type, p.x / s);
        record = hitTabAt(kit::makePoint(p.x / s, p.y));
    }
    if (canDraw())
        display();
    if (!record)
        return;

    kit::Window* w = window();
    TabRecord* indents = panel->indents();
    const int numIndents = indents ? panel->numIndents() : 0;
    const bool isIndent = numIndents > 0 && record >= indents && record < indents + numIndents;
    const short startType = record->type;
    const char startLeader = record->leader;
    LiveFrameDisplay* bar = nullptr;
    if (embeddedTabs_)
        if (kit::ScrollView* scroll = enclosingScrollView() ? enclosingScrollView() : nullptr)
            bar = dynamic_cast<LiveFrameDisplay*>(scroll->viewWithTag(12));
    if (!bar && embeddedTabs_ && superview() && superview()->superview())
        bar = dynamic_cast<LiveFrameDisplay*>(superview()->superview()->viewWithTag(12));

    dragged = record;
    float x = s * record->location;
    const bool drawing = w && canDraw();
    if (drawing) {
        // The ruler without the record, as the drag's background.
        display();
        const kit::Rect content = w->contentRect();
        w->cacheImageInRect(kit::makeRect(0, 0, content.size.width, content.size.height));
        lockFocus();
        drawDragFeedback(*record, isIndent, x);
        unlockFocus();
        drawPageHairline(x);
        w->flushWindow();
        w->setAcceptsMouseMovedEvents(true);
    }
    const auto redraw = [&] {
        if (!drawing)
            return;
        w->restoreCachedImage();
        lockFocus();
        drawDragFeedback(*record, isIndent, x);
        unlockFocus();
        drawPageHairline(x);
        w->flushWindow();
    };
    const LayoutDocument* doc = document();
    const int kind = unitsKind();
    bool removed = false;
    bool up = false;
    constexpr unsigned mask = kit::LeftMouseUpMask | kit::RightMouseDownMask | kit::RightMouseUpMask |
                              kit::LeftMouseDraggedMask | kit::RightMouseDraggedMask | kit::KeyDownMask |
                              kit::KeyUpMask;
    while (!up && !removed) {
        std::optional<kit::Event> e = w ? w->nextEventMatchingMask(mask) : std::nullopt;
        // No mouse-up will come: the drag ends where it stands.
        if (!e)
            break;
        const kit::EventType type = e->type();
        if (type == kit::EventType::KeyUp || type == kit::EventType::RightMouseUp ||
            type == kit::EventType::RightMouseDragged)
            continue;
        if (type == kit::EventType::KeyDown || type == kit::EventType::RightMouseDown) {
            if (isIndent)
                continue;
            unsigned key = ' ';
            if (type == kit::EventType::KeyDown) {
                std::string action;
                key = Main ? Main->convertKeyEvent(*e, &action)
                           : ApplicationDelegate::firstKeyInString(e->characters());
            }
            short newType = record->type;
            char newLeader = record->leader;
            switch (key) {
            case 'L': case 'l': newType = 0; break;
            case 'R': case 'r': newType = 2; break;
            case 'D': case 'd': newType = 3; break;
            case 'C': case 'c': newType = 1; break;
            case ' ': newType = record->type == 0 ? 2 : record->type == 2 ? 3 : record->type == 3 ? 1 : 0; break;
            case '-': case '.': case '_':
                newLeader = static_cast<char>(key) == startLeader ? 0 : static_cast<char>(key);
                break;
            case 0xF728: case 0xF7E8: removed = true; break;
            default: break;
            }
            if (!removed && (newType != record->type || newLeader != record->leader)) {
                record->type = newType;
                record->leader = newLeader;
                redraw();
            }
            continue;
        }
        if (type == kit::EventType::LeftMouseUp)
            up = true;
        x = local(*e).x;
        if (e->modifierFlags() & kit::ShiftKeyMask) {
            const float zoom = CMZoomStatus > 0.0f ? CMZoomStatus : 1.0f;
            const double step = double(tickUnits_) * pointsPerUnit[kind] * zoom;
            if (step != 0.0) {
                const UnitsInfo* units = doc ? doc->unitsInfo() : nullptr;
                const double origin = units ? units->horizontalUnitsOrigin() * zoom : 0.0;
                const double nearest = origin + std::nearbyint((x - origin) / step) * step;
                if (std::fabs(nearest - x) < 4.0 / zoom)
                    x = static_cast<float>(nearest);
            }
        }
        if (x < 0.0f)
            x = isIndent ? 0.0f : -1.0f;
        // Without a page view (the style editor with no document) the
        // ruler's own width is the limit.
        float limit = bounds().size.width;
        if (view) {
            const kit::Rect visible = view->visibleRect();
            limit = static_cast<float>(double(visible.origin.x + visible.size.width) * s - zero);
        }
        x = std::min(x, limit);
        if (record->type == 5) {
            if (numIndents > 0)
                x = std::max(x, s * indents[0].location + kMinIndentGap);
            if (numIndents > 2)
                x = std::max(x, s * indents[2].location + kMinIndentGap);
        } else if ((record->type == 4 || record->type == 6) && numIndents > 1)
            x = std::min(x, s * indents[1].location - kMinIndentGap);
        redraw();
        record->location = x / s;
        panel->setPosition(record->location);
        if (bar)
            bar->setMoveTo(record->location, 0);
    }
    if (!isIndent && record->location < 0)
        removed = true;
    if (drawing) {
        w->restoreCachedImage();
        w->discardCachedImage();
        w->flushWindow();
    }
    if (removed)
        panel->removeTab(record);
    else {
        panel->updateTabType(startType);
        panel->setPosition(record->location);
        sortTabs(panel->tabs(), panel->numTabs());
    }
    panel->apply(this, isIndent, false);
    dragged = nullptr;
    if (canDraw())
        display();
    if (w) {
        while (!up) {
            std::optional<kit::Event> e = w->nextEventMatchingMask(mask);
            if (!e || e->type() == kit::EventType::LeftMouseUp)
                break;
        }
        w->setAcceptsMouseMovedEvents(false);
    }
}
