#pragma once

// The base class of everything placed on a page: boxes, text columns, placed
// pictures and groups. It keeps the item's frame, its 2x2 transform and the
// geometry cached from it, its flags, graphic style, drop shadow, runaround
// margins and object-link serial number, and fixes the drawing and hit-test
// protocol that every item class follows.

#include "core/Color.h"
#include "core/Geometry.h"
#include "core/Object.h"
#include "core/WeakLink.h"
#include "foundation/StyleGraphicUser.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kit {
class Coder;
class DrawContext;
class Event;
}
class LayoutDocument;
class Page;
class DocumentView;
class StyleGraphic;
class StyleGraphicNamed;
class TextDocument;
class TextFlow;
struct Paint;
struct GxArrow;
struct GxDash;
struct GxFill;
struct GxLine;

// The item's state bits, in their stored order.
struct ItFlags {
    unsigned shown : 1;
    unsigned selected : 1;
    unsigned locked : 1;
    unsigned infoMode : 2; // 0-3: which parts of the transform record exist
    unsigned mask : 1;
    unsigned master : 2; // 0 no page, 1 even pages, 2 odd pages, 3 all pages
    unsigned editing : 1;
    unsigned manyViews : 1;
    unsigned autoFlowMaster : 1;
    unsigned manualFlowMaster : 1;
    unsigned autoFlowMasterPush : 1;
    unsigned dropShadow : 1;
    unsigned spread : 1;
    unsigned dirty : 1;
    unsigned firstPage : 1;
    unsigned conformsToMaster : 1;
};

// The transformed geometry. Mode 1 uses bounds only (the drawn bounds of an
// untransformed item); mode 2 bounds, matrix and knobs; mode 3 the corners
// of the drawn bounds too.
struct ItemInfo {
    kit::Rect bounds{};
    float matrix[4] = {1, 0, 0, 1};
    kit::Point knobs[8]{};
    kit::Point corners[4]{};
};

// Margins kept clear of text around the item.
struct Runaround {
    float left = 0, right = 0, top = 0, bottom = 0;
    int flowSide = 0;
};

class Item : public kit::Object, public kit::WeakTarget, private StyleGraphicUser {
public:
    // Registers the stored item classes and defines the knob procedures in
    // the current context, when there is one.
    static void initialize();

    // ---- The drawing-state cache. It lives in the context drawn into (each
    // window and each print job keeps its own, saved and restored with its
    // graphics state), so these only decide what to send.
    static void setColorAbsolute(kit::DrawContext& context, const kit::Color& color);
    static void setColor(kit::DrawContext& context, const kit::Color& color);
    static void setGray(kit::DrawContext& context, float gray);
    static void resetColor(kit::DrawContext& context);
    static void setLineWidth(kit::DrawContext& context, float width);
    static void resetLineWidth(kit::DrawContext& context);
    static void setMiterLimit(kit::DrawContext& context, float limit);
    static void resetMiterLimit(kit::DrawContext& context);
    // nullptr: the solid dash.
    static void setLineDash(kit::DrawContext& context, const GxDash* dash);
    static void resetLineDash(kit::DrawContext& context);
    static void resetAll(kit::DrawContext& context);
    static bool hasNormalKnobs() { return true; }

    Item();
    ~Item() override;
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;

    void audit(int indent) const override;
    // Throws kit::Exception (invalid argument) unless a subclass can rebuild
    // itself from the pasteboard.
    virtual Item* reinitFromPasteboard(const std::string& pasteboardName);

    // ---- Name. nullptr when the name is refused (the user is told).
    const std::optional<std::string>& name() const { return name_; }
    Item* setName(const std::optional<std::string>& name);

    // ---- Frame and geometry.
    virtual void setFrame(const kit::Rect& frame, bool recompute);
    void setFrame(const kit::Rect& frame) { setFrame(frame, true); }
    virtual kit::Rect bounds() const;
    const kit::Rect& frame() const { return frame_; }
    kit::Size size() const { return frame_.size; }
    virtual kit::Rect originalFrame() const { return frame_; }
    void getFrameBounds(kit::Rect* rect) const;
    // view may be null. Everything the item draws lies inside: the form
    // with knobs (in view coordinates) asks the item's own.
    virtual void getUpdateBounds(kit::Rect* rect, const DocumentView* view) const;
    void getUpdateBounds(kit::Rect* rect, const DocumentView* view, bool knobs) const;

    void calcInfo() { calcInfo(true); }
    virtual void calcInfo(bool recompute);
    // Grows the frame to the drawn bounds.
    virtual void calcUpdateBounds(kit::Rect* rect) const;
    void setFrameOrigin(kit::Point origin) { moveTo(origin.x, origin.y, true); }
    virtual void moveTo(float x, float y, bool recompute);
    void moveBy(float dx, float dy);
    void setFrameSize(kit::Size size) { sizeTo(size.width, size.height, true); }
    virtual void sizeTo(float width, float height, bool recompute);
    void sizeBy(float dw, float dh);
    float* _allocateMInfo();
    virtual void rotateByAngle(float degrees);
    virtual void shear(float sx, float sy);
    virtual void scaleUnitSquareToSize(kit::Size scale);
    virtual void postConcatMatrix(const float* matrix);
    virtual void makeNatural();
    // 1 mirrors in x, anything else in y.
    virtual void flip(int direction);
    bool getRotation(float* degrees) const;
    virtual bool getScale(float* sx, float* sy) const;
    void getMatrix(float* matrix) const;
    virtual void setMatrix(const float* matrix);
    bool isTransformed() const { return itFlags_.infoMode >= 2; }
    virtual bool doesScaleLineWidth() const { return true; }
    void getKnob(int index, kit::Point* point) const;
    bool _frameDoesIntersectRect(const kit::Rect& rect) const;
    // The info record as it stands; null in mode 0.
    const ItemInfo* info() const { return info_.get(); }
    int infoMode() const { return itFlags_.infoMode; }

    // ---- Drop shadow.
    bool dropShadow() const { return itFlags_.dropShadow; }
    void setDropShadow(bool flag);
    void bumpShadow(float dx, float dy);
    void setNewShadowColor(const kit::ColorRef& color);
    const kit::ColorRef& shadowColor() const { return shadowColor_; }
    void setNewShadowOffset(kit::Point offset);
    kit::Point shadowOffset() const { return shadowOffset_; }
    void getShadowOffset(kit::Point* offset) const { *offset = shadowOffset_; }

    // ---- Runaround.
    bool hasRunaround() const { return textRunaround_ != nullptr; }
    void setRunaround(bool flag, float left, float right, float top, float bottom, int flowSide)
    {
        setRunaround(flag, left, right, top, bottom, flowSide, true);
    }
    void setRunaround(bool flag, float left, float right, float top, float bottom, int flowSide, bool recompute);
    void getRunaroundValues(const kit::Object* unused, float* left, float* right, float* top, float* bottom,
                            int* flowSide) const;
    // The band P1-P2 (lower) and P3-P4 (upper) across the column; writes at
    // most one of the two deltas.
    virtual void getHorizontalDeltas(const Item* column, kit::Point p1, kit::Point p2, kit::Point p3,
                                     kit::Point p4, float* leftDelta, float* rightDelta) const;
    void calcMidpoints(kit::Point* point, bool inverted) const;
    float leftmostIntersection(const Item* column, kit::Point p1, kit::Point p2, kit::Point p3, kit::Point p4,
                               float margin) const;
    float rightmostIntersection(const Item* column, kit::Point p1, kit::Point p2, kit::Point p3, kit::Point p4,
                                float margin) const;

    // ---- Drawing, into the current context.
    virtual bool shouldDrawInRect(const kit::Rect& rect) const;
    virtual void prepareForDrawing();
    virtual void finishDrawing();
    virtual bool drawSelfInView(const Paint& paint, const kit::Rect& bounds);
    virtual bool whiteSelfInView(const Paint& paint, const kit::Rect& bounds);
    virtual bool renderInView(const Paint& paint, const kit::Rect& bounds, bool white);
    virtual bool drawFastInView(const Paint& paint, const kit::Rect& bounds);

    // ---- Knobs and hit tests (page coordinates; view may be null).
    virtual int numKnobs() const { return 8; }
    void getKnobPoints(kit::Point* points) const;
    virtual bool isHitAt(kit::Point point, const DocumentView* view) const;
    virtual int isHitAtKnob(kit::Point point, const DocumentView* view) const;
    virtual bool isHitInRect(const kit::Rect& rect, const DocumentView* view) const;
    virtual bool inFill(kit::Point point, const DocumentView* view) const;
    // The modal resize loop: the knob (nil for a new item, dragged out from
    // knob 4) follows the mouse until the button goes up, over quick
    // feedback drawn above a saved image of the page; the frame changes
    // once, at the end, without laying the page out. The knob then names
    // the knob under the mouse. Answers the item.
    virtual Item* performResize(int* knob, DocumentView* view, const kit::Event& event);
    // A new item dragged out from the mouse-down point (snapped to the
    // guides, else to the rulers, as the document asks), on no page when
    // done: the caller adds it.
    Item* initWithMouseDown(const kit::Event& event, DocumentView* view);
    virtual bool shouldResizeNaturally() const { return false; }
    virtual bool hasScale() const { return false; }
    virtual float currentRatio() const;
    virtual float naturalRatio() const;

    // ---- Flags.
    void select() { itFlags_.selected = 1; }
    void deselect() { itFlags_.selected = 0; }
    bool isSelected() const { return itFlags_.selected; }
    void obscure() { itFlags_.shown = 0; }
    void unobscure() { itFlags_.shown = 1; }
    bool isShown() const { return itFlags_.shown; }
    virtual void lock() { itFlags_.locked = 1; }
    virtual void unlock() { itFlags_.locked = 0; }
    bool isLocked() const { return itFlags_.locked; }
    // Open for text editing (text columns).
    bool isEditing() const { return itFlags_.editing; }
    bool isDirty() const { return itFlags_.dirty; }
    void setDirty(bool flag) { itFlags_.dirty = flag; }
    bool conformsToMaster() const { return itFlags_.conformsToMaster; }
    void setConformsToMaster(bool flag) { itFlags_.conformsToMaster = flag; }
    bool masterTextPush() const { return itFlags_.autoFlowMasterPush; }
    void setMasterTextPush(bool flag) { itFlags_.autoFlowMasterPush = flag; }
    int masterFlags() const { return itFlags_.master; }
    void setMasterFlags(int flags) { itFlags_.master = static_cast<unsigned>(flags) & 3u; }
    const ItFlags& itFlags() const { return itFlags_; }
    virtual bool canAppearOnPageNumber(int pageNumber, int layer) const;
    void setCanAppear(bool flag, int pageNumber);
    virtual void didAddToPage(Page* page, int layer);
    virtual void changeFont(const kit::Object* sender);

    // ---- Page: the page the item lies on, or for a master item the page it
    // was last hit or drawn on. Nil once that page is gone.
    Page* page() const { return page_.get(); }
    virtual Page* setPage(Page* page);
    void convertToView(kit::Point* point) const;
    void convertToPage(kit::Point* point) const;

    // ---- Graphic style and permissions. canAcceptStyle takes a style class name.
    virtual bool canAcceptStyle(std::string_view styleClass) const;
    virtual void setGraphicStyle(StyleGraphic* style);
    StyleGraphic* graphicStyle() const;
    virtual void takeGraphicStyleValuesFrom(const StyleGraphic* style);
    virtual int graphicPermissions() const;
    virtual bool canFill() const;
    virtual bool canLine() const;
    virtual bool canCrop() const { return false; }
    virtual bool canArrow() const { return false; }
    void localizeGraphicStyle();
    void unlocalizeGraphicStyle();
    void removeGraphicStyle(const kit::Object* sender);
    virtual void setHasFill(bool flag);
    virtual bool hasFill() const;
    virtual void setFill(const GxFill* fill);
    virtual void setFillColor(const kit::ColorRef& color);
    virtual void setFillPattern(std::shared_ptr<const kit::Object> pattern);
    virtual void setFillOverprint(bool flag);
    bool hasOverprint() const;
    virtual void setHasLine(bool flag);
    virtual bool hasLine() const;
    float lineWidth() const;
    virtual void setLine(const GxLine* line);
    virtual void setLineColor(const kit::ColorRef& color);
    virtual void setLineWidth(float width);
    virtual void setLineOverprint(bool flag);
    virtual void setLineDash(const GxDash* dash);
    virtual void setLeftArrow(const GxArrow* arrow);
    virtual void setRightArrow(const GxArrow* arrow);
    virtual void setDoesCrop(bool flag);
    virtual bool doesCrop() const;
    void reverseColor(const kit::Object* sender);
    void removeColorLine(const kit::Object* sender) { (void)sender, setHasLine(false); }
    void removeColorFill(const kit::Object* sender) { (void)sender, setHasFill(false); }

    // ---- Text and links.
    virtual bool hasAnyTextItems() const { return false; }
    virtual bool isGraphicLink() const { return false; }
    virtual bool recomputeTextItems() { return false; }
    // Adds the item's flows and placed pictures to the lists, each once.
    virtual void pleaseListFlows(std::vector<TextFlow*>& flows, std::vector<Item*>& images)
    {
        (void)flows, (void)images;
    }
    virtual void resolveInDocument(TextDocument* document) { (void)document; }
    virtual bool setCursorRectInView(DocumentView* view)
    {
        (void)view;
        return true;
    }

    // ---- Object links.
    bool isObjectLinked() const;
    const std::optional<int>& itemSerialNumber() const { return itemSerialNumber_; }
    void setItemSerialNumber(std::optional<int> number) { itemSerialNumber_ = number; }
    // The selection description "1 1 <serial>" with its terminating zero
    // byte; empty without a serial number.
    std::string createDestinationSelection() const;

    // ---- Stored form.
    std::string className() const override { return "Item"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

protected:
    // The document of the item's page, or nullptr.
    class LayoutDocument* document() const;
    // Takes a style the item owns (local or derived).
    void adoptGraphicStyle(std::unique_ptr<StyleGraphic> style);
    // The drawn outline of the frame through the matrix, in the context.
    void strokeFrameOutline(kit::DrawContext& context) const;

    kit::Rect frame_{};
    kit::WeakLink<Page> page_;
    std::optional<std::string> name_;
    ItFlags itFlags_{};
    std::unique_ptr<ItemInfo> info_;
    kit::Point shadowOffset_{4.0f, 6.0f};
    kit::ColorRef shadowColor_;
    std::unique_ptr<Runaround> textRunaround_;
    std::optional<int> itemSerialNumber_;

private:
    void setInfoMode(unsigned mode);
    // Shares a named style of the style sheet, which tells the item when it
    // leaves (the item then keeps a local copy of its values).
    void shareGraphicStyle(StyleGraphicNamed* style);
    // No style at all; a shared style forgets the item.
    void dropGraphicStyle();
    void graphicStyleWillLeave(StyleGraphicNamed* style) override;
    float intersectionPoint(const Item* column, kit::Point p1, kit::Point p2, kit::Point p3, kit::Point p4,
                            int side, const kit::Point* points, int count, float margin) const;
    // Runs a change of the style: localize, change, fold back.
    template <class F>
    void changeStyle(F&& change);

    // The style in use: owned (local or derived) or a named root of the
    // document's style sheet, which the item shares.
    StyleGraphic* graphicStyle_ = nullptr;
    std::unique_ptr<StyleGraphic> ownedStyle_;
};

// Knob numbering of a rectangle: 0 (x, y), 1 bottom middle, 2 (x + w, y),
// then round the rectangle to 7 (x, y + h/2).
kit::Point getKnobPoint(const kit::Rect& rect, int knob);
kit::Point getKnobPointWithMatrix(const kit::Rect& rect, int knob, const float* matrix);
// A scale matrix (no rotation, shear or mirror) counts as no transform.
bool isScaleMatrix(const float* matrix);
// The Liang-Barsky clip step.
bool clipt(float denominator, float numerator, float* tIn, float* tOut);
bool lineDoesIntersectRect(kit::Point p0, kit::Point p1, const kit::Rect& rect);
bool polygonDoesIntersectRect(const kit::Point* points, int count, int step, const kit::Rect& rect);
void getKnobSizesForScale(float scale, float* outer, float* inner);
// Edge knobs follow the mouse on one axis only.
void constrainPointToRect(kit::Point* point, kit::Point* knobPoint, const kit::Rect& rect, int knob);
