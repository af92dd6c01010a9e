// A page draws itself into whatever context a paint names: for a page view,
// for printing or for a thumbnail, the same way. On the screen it adds what
// only the screen shows: the page's shadow, the master layer's watermark,
// guides, the knobs of selected items and the frame of the active page.

#include "document/Page.h"

#include "document/Guide.h"
#include "document/LayoutDocument.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/CMGeometry.h"
#include "foundation/Paint.h"
#include "foundation/StyleSheetEntry.h"
#include "graphics/DrawContext.h"
#include "graphics/Font.h"
#include "items/Item.h"
#include "items/KnobProcs.h"
#include "items/TextItem.h"
#include "text/DocumentView.h"
#include "text/TextFlow.h"
#include "text/TextSelection.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float NSBlack = 0.0f;
constexpr float NSLightGray = 2.0f / 3.0f;
constexpr float NSWhite = 1.0f;
// The most knobs one call of the knob procedure draws.
constexpr int KnobBatch = 2000;

// The colours guides are drawn in: the page's own, and the document's.
const kit::Color& pagesGuideColor()
{
    static const kit::ColorRef color = kit::Color::colorWithDeviceRed(0.3098f, 1.0f, 0.41568f, 1.0f);
    return *color;
}

const kit::Color& masterGuideColor()
{
    static const kit::ColorRef color = kit::Color::colorWithDeviceRed(0.5f, 0.85882f, 1.0f, 1.0f);
    return *color;
}

float usableZoom(float zoom) { return zoom > 0.0f && std::isfinite(zoom) ? zoom : 1.0f; }

// The page-layout application draws guides over the items and frames the
// active page; the word processor draws guides under the items.
bool pageLayoutDrawing() { return !(Main && Main->prefersAutomaticTextItems()); }

bool isFlowMaster(const Item& item)
{
    const auto* column = dynamic_cast<const TextItem*>(&item);
    return column && (column->autoFlowMaster() || column->manualFlowMaster());
}

// Selected items whose knobs the page draws, in two lists.
struct KnobLists {
    std::vector<Item*> locked;
    std::vector<Item*> unlocked;

    void collect(Item* item, bool textKnobs)
    {
        if (!item->isSelected())
            return;
        // A column being edited shows its caret and highlight instead: the
        // view draws those at once, while knobs would wait for a repaint.
        if (auto* column = dynamic_cast<TextItem*>(item); column && (!textKnobs || column->isEditing()))
            return;
        (item->isLocked() ? locked : unlocked).push_back(item);
    }
};

// The page's visit of one item drawn into it: the item is shown as lying
// on this page for the time of its drawing.
class OnPage {
public:
    OnPage(Item* item, Page* page) : item_(item), previous_(item->page()) { item->setPage(page); }
    ~OnPage() { item_->setPage(previous_); }
    OnPage(const OnPage&) = delete;
    OnPage& operator=(const OnPage&) = delete;

private:
    Item* item_;
    Page* previous_;
};

} // namespace

bool Page::drawSelfInView(const Paint& paint, const kit::Rect& rect)
{
    if (!paint.context)
        return false;
    kit::DrawContext& context = *paint.context;
    kit::DrawContext::Scope current(context);
    const float zoom = usableZoom(paint.zoom);
    const float m = 3.0f / zoom; // the shadow's width
    const float p = 1.0f / zoom;
    const kit::Rect area = kit::isEmptyRect(rect) ? kit::insetRect(pageRect_, -(p + m), -(p + m)) : rect;
    if (!kit::intersectsRect(kit::insetRect(pageRect_, -(p + m), -(p + m)), area))
        return false;
    const bool screen = paint.screen;
    const float w = pageRect_.size.width, h = pageRect_.size.height;
    const int number = absolutePageNumber();
    const int layer = document_ ? document_->getEditingLayer() : LayoutDocument::PagesLayer;
    const int visibility = document_ ? document_->visibilityOfElements() : 0;
    const bool textKnobs = !document_ || document_->showTextKnobs();
    const bool guides = screen && document_ && document_->showGuides();
    const bool pageLayout = pageLayoutDrawing();

    context.gsave();
    const kit::Rect paper = kit::intersectionRect(area, pageRect_);
    if (!kit::isEmptyRect(paper)) {
        context.setgray(NSWhite);
        context.rectfill(paper);
    }
    context.translate(pageRect_.origin.x, pageRect_.origin.y);
    kit::Rect r = kit::offsetRect(paper, -pageRect_.origin.x, -pageRect_.origin.y);
    const kit::Rect whole = kit::makeRect(0, 0, w, h);

    if (screen) {
        const kit::Rect shadow[2] = {kit::makeRect(w, m, m, h), kit::makeRect(m, h, w - m, m)};
        context.setColor(layer == LayoutDocument::MasterLayer ? *kit::Color::redColor()
                                                              : *kit::Color::darkGrayColor());
        context.rectfillList(shadow);
        context.rectclip(whole);
        if (layer == LayoutDocument::MasterLayer)
            drawMasterWatermark(context, w, h);
        r = kit::insetRect(kit::intersectionRect(r, whole), -1.0f, -1.0f);
    }
    const float alpha = context.currentalpha();
    const Paint onPage = [&] {
        Paint inner = paint;
        inner.rect = r;
        return inner;
    }();
    if (guides && !pageLayout)
        drawGuidesInView(onPage, r);

    KnobLists knobs;
    if (document_ && (layer == LayoutDocument::MasterLayer || visibility != 2)) {
        const bool white = screen && layer == LayoutDocument::PagesLayer && visibility == 1;
        for (const auto& held : document_->masterItems()) {
            Item* item = held.get();
            if (!item->canAppearOnPageNumber(number, layer))
                continue;
            // In the pages layer a flowing master column is drawn by its copy.
            if (layer == LayoutDocument::PagesLayer && isFlowMaster(*item))
                continue;
            OnPage visit(item, this);
            if (white) {
                context.gsave();
                item->whiteSelfInView(onPage, r);
                context.grestore();
            } else {
                item->drawSelfInView(onPage, r);
            }
            knobs.collect(item, textKnobs);
        }
        if (screen)
            context.setalpha(alpha);
    }
    Item::resetAll(context);

    if (layer == LayoutDocument::PagesLayer || visibility != 2) {
        const bool white = screen && layer == LayoutDocument::MasterLayer && visibility == 1;
        for (const auto& held : theItems_) {
            Item* item = held.get();
            if (layer == LayoutDocument::MasterLayer) {
                const auto* column = dynamic_cast<const TextItem*>(item);
                if (column && column->textType() != TextItem::DisplayText)
                    continue;
            }
            if (white) {
                context.gsave();
                item->whiteSelfInView(onPage, r);
                context.grestore();
                continue;
            }
            item->drawSelfInView(onPage, r);
            // Knobs reach past an item: a selected item is taken even where
            // the area meets only its knobs.
            knobs.collect(item, textKnobs);
        }
        if (screen)
            context.setalpha(alpha);
    }

    if (screen) {
        if (guides && pageLayout)
            drawGuidesInView(onPage, r);
        context.setalpha(alpha);
        drawKnobs(context, knobs.locked, zoom);
        drawKnobs(context, knobs.unlocked, zoom);
    }
    context.grestore();
    Item::resetAll(context);

    // The frame of the active page, which a single page does not need.
    if (screen && pageLayout && document_ && document_->activePage() == this && document_->numPages() > 1) {
        context.gsave();
        context.translate(pageRect_.origin.x, pageRect_.origin.y);
        Item::setGray(context, 0.5f);
        context.frameRect(whole, 2.5f / zoom);
        context.grestore();
        Item::resetAll(context);
    }
    return true;
}

void Page::drawMasterWatermark(kit::DrawContext& context, float w, float h) const
{
    const std::string text = StyleSheetEntry::stringForKey("MasterBackground");
    kit::Font* measure = kit::Font::fontWithName("Helvetica-Bold", 100.0f);
    const float width = measure ? measure->widthOfString(text) : 0.0f;
    // Nothing to spread over the page: no text, or no page.
    if (!(width > 0.0f) || !(w > 0.0f) || !(h > 0.0f) || !std::isfinite(width))
        return;
    const float size = w / width * 100.0f * 0.8f;
    kit::Font* font = kit::Font::fontWithName("Helvetica-Bold", size);
    if (!font || !(size > 0.0f) || !std::isfinite(size))
        return;
    const float textWidth = font->widthOfString(text);
    context.gsave();
    context.sethsbcolor(0.4823f, 0.1764f, 1.0f);
    // Upright on a page whose coordinates run down.
    const bool flipped = (context.currentmatrix().determinant() < 0.0) != (context.defaultMatrix().determinant() < 0.0);
    context.setfont(font, kit::Matrix{size, 0, 0, flipped ? -size : size, 0, 0});
    for (float baseline = size / 2.0f; baseline < h; baseline += size) {
        context.moveto((w - textWidth) / 2.0f, baseline);
        context.show(text);
    }
    context.grestore();
}

void Page::highlight(bool on, DocumentView* view)
{
    (void)on;
    if (!view)
        return;
    // The frame lies along the page's edges, inside the page: only those
    // strips repaint, to show it or take it away.
    const float z = view->zoom() > 0.0f && std::isfinite(view->zoom()) ? view->zoom() : 1.0f;
    const float t = 2.5f / z + 2.0f / z;
    const kit::Rect r = pageRect_;
    const float w = r.size.width, h = r.size.height;
    for (const kit::Rect& strip : {kit::makeRect(r.origin.x, r.origin.y, w, t), kit::makeRect(r.origin.x, r.origin.y + h - t, w, t),
                                   kit::makeRect(r.origin.x, r.origin.y, t, h), kit::makeRect(r.origin.x + w - t, r.origin.y, t, h)})
        view->notifyUpdateForRect(strip);
}

void Page::getBounds(kit::Rect* rect, const Guide* guide) const
{
    if (!rect)
        return;
    if (!guide) {
        *rect = kit::Rect{};
        return;
    }
    if (guide->orientation() == Guide::Horizontal)
        *rect = kit::makeRect(0, guide->location(), pageRect_.size.width, 0.005f);
    else
        *rect = kit::makeRect(guide->location(), 0, 0.005f, pageRect_.size.height);
}

void Page::drawGuidesInView(const Paint& paint, const kit::Rect& rect) const
{
    if (!paint.context)
        return;
    const std::vector<Guide*> document = document_ ? document_->guidesForPage(this) : std::vector<Guide*>{};
    if (guides_.empty() && document.empty())
        return;
    kit::DrawContext& context = *paint.context;
    const float q = 1.0f / usableZoom(paint.zoom);
    const float w = pageRect_.size.width, h = pageRect_.size.height;
    std::vector<kit::Rect> rects;
    // A guide is a line of one device pixel, in the pixel its location
    // falls in: its repaint area (getBounds) then always covers it.
    auto collect = [&](const auto& list) {
        rects.clear();
        for (auto it = list.rbegin(); it != list.rend(); ++it) {
            const Guide& guide = **it;
            const float at = guide.location();
            if (guide.orientation() == Guide::Horizontal) {
                if (!kit::intersectsRect(kit::makeRect(q, at - q, w - 2 * q, 0.005f + 2 * q), rect))
                    continue;
                const float y = context.isDrawingToScreen() ? context.roundPoint({q, at}).y - q / 2 : at;
                rects.push_back(kit::makeRect(q, y, w - 2 * q, context.isDrawingToScreen() ? q : 0.005f));
            } else {
                if (!kit::intersectsRect(kit::makeRect(at - q, q, 0.005f + 2 * q, h - 2 * q), rect))
                    continue;
                const float x = context.isDrawingToScreen() ? context.roundPoint({at, q}).x - q / 2 : at;
                rects.push_back(kit::makeRect(x, q, context.isDrawingToScreen() ? q : 0.005f, h - 2 * q));
            }
        }
    };
    collect(guides_);
    if (!rects.empty()) {
        Item::setColor(context, pagesGuideColor());
        context.rectfillList(rects);
    }
    collect(document);
    if (!rects.empty()) {
        Item::setColor(context, masterGuideColor());
        context.rectfillList(rects);
    }
}

void Page::drawSelfInImageRep(kit::DrawContext& context, float width, float height)
{
    kit::DrawContext::Scope current(context);
    context.compositerect(0, 0, width, height, kit::CompositeOp::Clear);
    const float pw = pageRect_.size.width, ph = pageRect_.size.height;
    if (!(pw > 0.0f) || !(ph > 0.0f) || !std::isfinite(pw) || !std::isfinite(ph) || !(width > 4.0f) ||
        !(height > 4.0f)) {
        // No page to scale: the thumbnail's frame alone.
        context.setgray(NSBlack);
        context.frameRect(kit::makeRect(1, 2, std::max(width - 4.0f, 0.0f), std::max(height - 4.0f, 0.0f)));
        Item::resetAll(context);
        return;
    }
    const float s = std::min((width - 4.0f) / pw, (height - 4.0f) / ph);
    const float sw = s * pw, sh = s * ph;
    const float x0 = (width - sw - 2.0f) / 2.0f, y0 = (height - sh - 2.0f) / 2.0f + 2.0f;
    const kit::Rect pieces[2] = {kit::makeRect(x0 + 2, y0 - 2, sw, sh), kit::makeRect(x0, y0, sw, sh)};
    const float grays[2] = {NSBlack, NSWhite};
    context.rectfillListWithGrays(pieces, grays);

    const float savedZoom = CMZoomStatus;
    CMZoomStatus = s;
    Item::resetAll(context);
    context.gsave();
    context.translate(x0, y0 + sh);
    context.scale(s, -s);
    context.setgray(NSWhite);
    const kit::Rect bounds = kit::makeRect(0, 0, pw, ph);
    context.rectfill(bounds);
    Paint paint = Paint::into(context, s, bounds);
    const int layer = document_ ? document_->getEditingLayer() : LayoutDocument::PagesLayer;
    const int number = absolutePageNumber();
    if (document_)
        for (const auto& held : document_->masterItems()) {
            OnPage visit(held.get(), this);
            if (held->canAppearOnPageNumber(number, layer))
                held->drawFastInView(paint, bounds);
        }
    for (const auto& item : theItems_)
        item->drawFastInView(paint, bounds);
    context.grestore();
    CMZoomStatus = savedZoom;
    context.setgray(NSBlack);
    context.frameRect(kit::makeRect(x0, y0, sw, sh));
    Item::resetAll(context);
}

void drawKnobs(kit::DrawContext& context, const std::vector<Item*>& items, float zoom)
{
    if (items.empty())
        return;
    float outer = 0, inner = 0;
    getKnobSizesForScale(usableZoom(zoom), &outer, &inner);
    std::vector<float> moves;
    moves.reserve(2 * KnobBatch);
    kit::Point start{}, last{};
    int count = 0;
    bool locked = false;
    auto flush = [&] {
        if (count == 0)
            return;
        // The move after the last knob goes nowhere.
        moves.push_back(0);
        moves.push_back(0);
        PSdrawknobs(context, start.x, start.y, count, moves.data(), static_cast<int>(moves.size()), outer, inner,
                    locked ? NSLightGray : NSBlack);
        moves.clear();
        count = 0;
    };
    kit::Point points[8];
    std::vector<kit::Point> many;
    for (Item* item : items) {
        const int n = std::max(item->numKnobs(), 0);
        kit::Point* knobs = points;
        if (n > 8) {
            many.resize(std::size_t(n));
            knobs = many.data();
        }
        item->getKnobPoints(knobs);
        locked = item->isLocked();
        // A batch full to the limit is drawn, and the rest of the item's
        // knobs begin the next one: every knob is drawn.
        for (int k = 0; k < n; ++k) {
            if (count == KnobBatch)
                flush();
            if (count == 0) {
                start = knobs[k];
            } else {
                moves.push_back(knobs[k].x - last.x);
                moves.push_back(knobs[k].y - last.y);
            }
            last = knobs[k];
            ++count;
        }
    }
    flush();
    Item::resetColor(context);
}
