#pragma once

// A page of a document: the items that belong to it alone (in stacking
// order, first drawn first), its own guides, its place on the canvas and
// whether it is folded into a collapsed run. Master items live with the
// document, not here.

#include "core/Geometry.h"
#include "core/Object.h"
#include "core/WeakLink.h"

#include <memory>
#include <string_view>
#include <vector>

class GraphicLink;
class Guide;
class Item;
class LayoutDocument;
class DocumentView;
class StyleGraphic;
class TextFlow;
class TextItem;
struct Paint;
namespace kit {
class DrawContext;
}

// Markers for the knobs of dragged items that lie on a guide, in the form
// the knob procedure draws: the first marker at start, then in points the
// moves from each marker to the next (x, y pairs; the last pair unused).
struct KnobMarkerList {
    int count = 0;
    float startX = 0, startY = 0;
    std::vector<float> points;
    // Set by the caller for drawing.
    float knobWidth = 0, knobHeight = 0;
};
// Room for the knobs of an item more (at least 12 numbers).
void prepareKnobsForNewKnobs(KnobMarkerList* list, int newKnobs);
// The knobs of an item with the eight usual knobs that stand for the
// flagged ones on a horizontal (H) or vertical (V) guide: an edge whose
// three knobs all lie on it shows its middle knob alone.
void copyHNormalKnobs(KnobMarkerList* list, const kit::Point* knobs, const bool* flags);
void copyVNormalKnobs(KnobMarkerList* list, const kit::Point* knobs, const bool* flags);
// Draws the knobs of the items (all locked or all unlocked) at the zoom, in
// batches of at most 2000 knobs; every knob is drawn.
void drawKnobs(kit::DrawContext& context, const std::vector<Item*>& items, float zoom);

// Items refer to their page weakly: a page may go while an undo record, a
// pasteboard or the master list still holds one of its items.
class Page : public kit::Object, public kit::WeakTarget {
public:
    Page();
    ~Page() override;
    // Registers Page, PageSet and Guide for the archiver.
    static void initialize();

    LayoutDocument* document() const { return document_; }
    void setDocument(LayoutDocument* document) { document_ = document; }

    const kit::Rect& pageRect() const { return pageRect_; }
    void setPageRect(const kit::Rect& rect) { pageRect_ = rect; }
    void getOrigin(kit::Point* origin) const { if (origin) *origin = pageRect_.origin; }
    kit::Size size() const { return pageRect_.size; }
    void getRect(kit::Rect* rect) const { if (rect) *rect = pageRect_; }
    void setOrigin(const kit::Point& origin) { pageRect_.origin = origin; }
    void setSize(const kit::Size& size) { pageRect_.size = size; }
    void setRect(const kit::Rect& rect) { pageRect_ = rect; }

    bool isCollapsed() const { return collapsed_; }
    void setCollapsed(bool flag) { collapsed_ = flag; }
    // Pages this entry stands for on the canvas.
    virtual unsigned count() const { return 1; }

    // Page coordinates to the canvas (adds the page origin) and back.
    void convertToView(kit::Point* point) const;
    void convertFromPage(kit::Point* point) const { convertToView(point); }
    void convertToPage(kit::Point* point) const;

    // ---- Items. The page owns its own items.
    const std::vector<std::shared_ptr<Item>>& pageItems() const { return theItems_; }
    // The list being edited: the document's master items in the master
    // layer, else the page's own.
    std::vector<Item*> items() const;
    void addItems(std::shared_ptr<Item> item);
    void addItems(std::shared_ptr<Item> item, bool checkRunaround);
    void addItems(std::vector<std::shared_ptr<Item>> items, bool checkRunaround = true);
    // Takes the items out of the edited list and hands them back (in the
    // order asked; items not in the list are skipped).
    std::vector<std::shared_ptr<Item>> removeItems(const std::vector<Item*>& items);
    // The edited list itself (the document's master items in the master
    // layer), for edits that reorder it or change its nesting in place:
    // stacking order, grouping and their undo. They keep the bookkeeping.
    std::vector<std::shared_ptr<Item>>& editedItemList();

    // Re-lays every text flow on the page after an item changed its outline
    // or runaround (the item itself is not consulted). Always YES.
    virtual bool handleOverlaps(Item* item, bool display);
    // An item changed: the page lays out again now, or once when the
    // edit of many items that holds it releases it.
    void itemDidChange(Item* item);
    // ---- Edits of many items hold the re-layout (the calls nest).
    void holdOverlaps() { ++overlapsHeld_; }
    void releaseOverlaps();
    // The items stacked above the item that push text away from it; empty
    // when none does.
    std::vector<Item*> runaroundItemsFor(const Item* item) const;

    // ---- Hit tests, points and rectangles in canvas coordinates. The
    // edited layer's items are searched from the top; a master item found
    // is given this page. memberOf names an exact class (empty: any).
    virtual Item* hitAt(kit::Point point, const DocumentView* view, std::string_view memberOf = {});
    // The items met, bottom first; empty for none.
    virtual std::vector<Item*> hitInRect(const kit::Rect& rect, const DocumentView* view);
    // The selected item whose knob is under the point; the knob's number is
    // stored only when one is found.
    virtual Item* hitKnobAt(kit::Point point, const DocumentView* view, int* knob);
    // The page's own item whose fill is under the point.
    virtual Item* hitFill(kit::Point point, const DocumentView* view);
    // The first guide within 2 points of the point, unscaled by zoom.
    virtual Guide* hitGuideAt(kit::Point point, const DocumentView* view);
    virtual bool setCursorRectInView(DocumentView* view);

    // ---- Snapping, points in page coordinates, moved in place; the reach
    // is 4 screen pixels (4 / CMZoomStatus points). The guide forms answer
    // bit 1 for x (a vertical guide) and bit 2 for y; the first guide in
    // reach wins on each axis, and an axis the mask already has stays.
    int snapPointToGuides(kit::Point* point) const;
    static int snapPoint(kit::Point* point, const std::vector<Guide*>& toGuides, int* result);
    static int snapPoint(kit::Point* point, const std::vector<std::unique_ptr<Guide>>& toGuides, int* result);
    // To the smallest ruler ticks of the document's unit at the zoom:
    // direction and answer have bit 2 for x and bit 1 for y.
    int snapPointToRulers(kit::Point* point, int direction) const;

    // ---- Drawing. The page's paper within the rectangle (canvas
    // coordinates), then its items in their order, clipped to it: into the
    // paint's context, with or without a view (printing, thumbnails). An
    // item reaching past the page is drawn wherever the rectangle meets it.
    virtual bool drawSelfInView(const Paint& paint, const kit::Rect& rect);
    // The frame of the active page: the view repaints the page's edges, and
    // drawing shows the frame while the page is active.
    void highlight(bool on, DocumentView* view);
    // The guides of the page and the document's for it, in page
    // coordinates, where they meet the rectangle.
    void drawGuidesInView(const Paint& paint, const kit::Rect& rect) const;
    // The area a guide covers on the page, for its repaint.
    void getBounds(kit::Rect* rect, const Guide* guide) const;
    // A thumbnail into a context of width x height points: cleared, then
    // the page with its shadow, scaled to fit, drawn fast, and framed.
    virtual void drawSelfInImageRep(kit::DrawContext& context, float width, float height);

    // ---- Snapping dragged items, offsets in page points.
    // To the page's corners, middles of edges and centre (bit 2 x, bit 1 y).
    int snapPointToCorners(kit::Point* point) const;
    // The items' knobs, moved by the offset, to the document's and the
    // page's guides; the offset takes the snap. Markers for the knobs that
    // lie on a guide go to the list when one is given.
    int snapItemsToGuides(const std::vector<Item*>& items, kit::Point* offset, KnobMarkerList* knobs) const;
    // The items' knobs, moved by the offset, to the ruler ticks.
    int snapItemsToRulers(const std::vector<Item*>& items, kit::Point* offset) const;

    // ---- Guides: the page's own in the pages layer, else the document's.
    const std::vector<std::unique_ptr<Guide>>& guides() const { return guides_; }
    std::vector<Guide*> activeGuides() const;
    void addGuide(std::unique_ptr<Guide> guide);
    std::unique_ptr<Guide> removeGuide(Guide* guide);

    // ---- Text columns. The greatest column series of the layer's text
    // columns plus 1 (1 for none).
    int nextColumnSeriesInLayer(int layer) const;
    // Puts a copy of a flowing master column on the page, chained into the
    // master's flow after the copy on the page before; with resize, an
    // existing conforming copy takes the master's frame again.
    void pushTextMaster(LayoutDocument* document, TextItem* master, bool resize);
    // Takes the last conforming copy of the master off the page, out of its
    // flow without re-layout.
    void popTextMaster(TextItem* master);
    // The page's own text column copied from the master; nil for none.
    TextItem* copyOfMaster(const TextItem* master) const;

    int absolutePageNumber() const;
    int relativePageNumber() const;
    bool isDirty() const;
    // After reading: drops items of no size, resolves the others.
    void resolveLinks();
    // Lets the linked pictures of the list that stand on this page (or, on
    // the master page, appear on it) and wait for a check compare their
    // files, when the page meets the rectangle (canvas coordinates); those
    // found unchanged leave the list, so that later pages skip them.
    void checkFiles(std::vector<GraphicLink*>& list, DocumentView* view, const kit::Rect& rect, const kit::Rect& update);
    void notifyUpdateForGraphicStyle(const StyleGraphic* style);
    void removeGraphicStyle(const StyleGraphic* style);

    // Every item's audit, with the same argument.
    void audit(int indent) const override;

    std::string className() const override { return "Page"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    // The name of the master layer, spread over the page in rows.
    void drawMasterWatermark(kit::DrawContext& context, float w, float h) const;
    // Pages of files below 3.0.
    kit::Object* initWithOldCoder(kit::Coder& coder, float version);
    void adoptDecoded(std::vector<std::unique_ptr<Item>> items, std::vector<std::unique_ptr<Guide>> guides);

    LayoutDocument* document_ = nullptr; // not owned
    // Shared: a header or footer marker, an undo record or a pasteboard may
    // hold an item beside its page.
    std::vector<std::shared_ptr<Item>> theItems_;
    std::vector<std::unique_ptr<Guide>> guides_;
    kit::Rect pageRect_{};
    bool collapsed_ = false;
    int overlapsHeld_ = 0;
    bool overlapsWanted_ = false;
};

// For the length of an edit of many items, each of their pages lays its
// text out once, at the end, rather than once per item.
class OverlapsHeld {
public:
    explicit OverlapsHeld(const std::vector<Item*>& items);
    ~OverlapsHeld();
    OverlapsHeld(const OverlapsHeld&) = delete;
    OverlapsHeld& operator=(const OverlapsHeld&) = delete;

private:
    std::vector<kit::WeakLink<Page>> pages_;
};

// Puts the document's automatic- and manual-flow master columns on the page.
void pushMasterTextItems(LayoutDocument* document, Page* page);
// The copy on a page near page that a new copy of master is chained after
// (direction 2, backwards) or before (direction 1, forwards); nil for none.
TextItem* findMatchingItem(LayoutDocument* document, Page* page, TextItem* master, int direction);
