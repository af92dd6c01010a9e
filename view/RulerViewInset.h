#pragma once

// The ruler of a document window: ticks and numbers in the document's unit,
// drawn page by page so that each page counts from its own zero, position
// marks for what is dragged, and drags that start a guide (or, from the
// corner box, move the units origin). The same class is the tab ruler of
// the tabs panel (RulerViewTabs.cpp).

#include "appkit/View.h"
#include "core/Color.h"
#include "text/DocumentView.h"

#include <string>
#include <vector>

namespace kit {
class Event;
class Font;
class DrawContext;
}
class LayoutDocument;
class Page;
class PageView;
class TabRulerPanel;
struct StyleTabStop;
using TabRecord = StyleTabStop;
class UnitsInfo;

class RulerViewInset : public kit::View, public LiveFrameDisplay {
public:
    static constexpr int HorizontalTag = 13;
    static constexpr int VerticalTag = 14;

    // Class set-up: the label font "Helvetica" 9 pt, the digit width, the
    // label height.
    static void initialize();
    // The least distance in pixels between two numbered ticks: three digits.
    static float majorThreshold();
    static kit::Font* labelFont();
    static float digitWidth();
    static float labelHeight();

    // A ruler of the scroll view: type 1 is tall (vertical); the side as
    // below. Bordered on its side.
    RulerViewInset(int type, int side);
    // A plain ruler (tab rulers of interface files).
    explicit RulerViewInset(const kit::Rect& frameRect = {});
    ~RulerViewInset() override;

    std::string className() const override { return "RulerViewInset"; }
    void initColors();

    bool isFlipped() const override { return tall_; }
    bool acceptsFirstMouse(const kit::Event&) override { return true; }
    int tag() const override { return tall_ ? VerticalTag : HorizontalTag; }

    // 27 for a tab ruler, 11 otherwise.
    float preferredWidth() const;
    // The page view's zoom (1.0 without one, or when the tabs panel does
    // not apply).
    float scale() const;
    PageView* pageView() const;
    LayoutDocument* document() const;
    UnitsInfo* unitsInfo() const;
    // The document's unit kind, taken as points when out of range.
    int unitsKind() const;

    // ---- Settings.
    void setDirty(bool flag) { dirty_ = flag; }
    bool isDirty() const { return dirty_; }
    void setBordered(bool flag) { border_ = flag; }
    bool isBordered() const { return border_; }
    void setBorderSides(int sides) { borderSides_ = static_cast<short>(sides); }
    int borderSides() const { return borderSides_; }
    void setCornerBox(bool flag) { corner_ = flag; }
    bool isCornerBox() const { return corner_; }
    void setMarginVisible(bool flag) { mouseticks_ = flag; }
    bool areTicksVisible() const { return mouseticks_; }
    void setCursorColor(kit::ColorRef color) { cursorColor_ = std::move(color); }
    void setTicksColor(kit::ColorRef color) { ticksColor_ = std::move(color); }
    void setLabelColor(kit::ColorRef color) { labelColor_ = std::move(color); }
    void setBackgroundColor(kit::ColorRef color) { backgroundColor_ = std::move(color); }
    void setBorderColor(kit::ColorRef color) { borderColor_ = std::move(color); }
    const kit::ColorRef& cursorColor() const { return cursorColor_; }
    const kit::ColorRef& ticksColor() const { return ticksColor_; }
    const kit::ColorRef& labelColor() const { return labelColor_; }
    const kit::ColorRef& backgroundColor() const { return backgroundColor_; }
    const kit::ColorRef& borderColor() const { return borderColor_; }
    // 0 horizontal, 1 tall.
    void setRulerType(int type);
    int rulerType() const { return tall_ ? 1 : 0; }
    // 0 above the page, 1 below, 2 right of it, 3 left of it.
    void setSide(int side);
    int side() const { return side_; }

    // ---- The tab ruler (RulerViewTabs.cpp).
    void setTabPanel(kit::Receiver* panel);
    kit::Receiver* tabPanel() const { return tabPanel_.get(); }
    TabRulerPanel* tabRulerPanel() const;
    bool isTabRuler() const { return tabRuler_; }
    void setEmbeddedTabRuler(bool flag);
    bool isEmbeddedTabRuler() const { return embeddedTabs_; }
    void drawTabs(const kit::Rect& rect, kit::View* view);
    // x in points from the tab ruler's zero (tabZero() taken off, divided
    // by the scale), y in ruler pixels.
    TabRecord* hitTabAt(kit::Point point);
    // Where the stops count from, in ruler pixels: for the embedded ruler
    // the left edge of the page whose text is edited (the stops and indents
    // are the paragraph's, measured on its page), else 0.
    double tabZero() const;
    void mouseDownInTabRuler(const kit::Event& event);
    // The image a record is drawn with: "Leader" first when it has a
    // leader, then the type's name ("TabLeft" ... "MarginRight").
    static std::string markerImageName(const TabRecord& record);
    // The record being dragged (none outside a drag).
    static TabRecord* draggedTab();

    // ---- Tick layout.
    void calcTickMarks();
    float tickUnits() const { return tickUnits_; }
    int numLengths() const { return static_cast<int>(lengths_.size()); }
    const std::vector<float>& lengths() const { return lengths_; }
    // The first tick at or after `from` (ruler pixels relative to the page's
    // origin): its coordinate and value, its index in the length table, and
    // the number of ticks up to `to`; widened back to the previous major
    // tick when its number would be cut.
    void _getLengthIndices(double from, double to, double tickDistance, double* firstCoord, double* firstValue,
                           int* firstIndex, int* count) const;

    // ---- Position marks (ruler coordinates after scaling).
    void setPoint(kit::Point point);
    void setRect(const kit::Rect& rect) override;
    void showPosition(float low, float mid, float high);
    void hidePosition();
    void doShowPosition(float low, float mid, float high, bool absolute);
    bool areTrackMarksVisible() const { return trackMarksVisible_; }
    float lowCoord() const { return lowCoord_; }
    float midCoord() const { return midCoord_; }
    float highCoord() const { return highCoord_; }

    // ---- Drawing.
    void drawRect(const kit::Rect& rect) override;
    void drawTickMarksForRect(const kit::Rect& rect);
    void drawTickMarksForRectInView(const kit::Rect& rect, PageView* view);
    void drawTicksForPage(Page* page, const kit::Rect& rect);
    void drawTicksForPageWithView(Page* page, const kit::Rect& rect, PageView* view);
    // Ticks and numbers from..to, relative to the page origin the context
    // stands at; one stroke and one text show.
    void _drawTickMarksFrom(double from, double to);
    void _drawBorderInRect(const kit::Rect& rect);
    // The number of a tick as drawn: every digit, no minus sign.
    static std::string getLabelFrom(double value);

    // ---- Mouse: a drag into the page view becomes a guide drag (or from
    // the corner box an origin drag); released before, nothing happens.
    void mouseDown(const kit::Event& event) override;

    // The numbers drawn by the last tick pass (tests): each with its
    // position along the ruler in the coordinates of the page it counts on.
    struct DrawnLabel {
        std::string text;
        double position;
    };
    const std::vector<DrawnLabel>& lastLabels() const { return lastLabels_; }
    // The page origins (ruler coordinates) the last drawing counted from.
    const std::vector<double>& lastPageZeros() const { return lastZeros_; }

private:
    // The origin offset of the tick values, in pixels.
    double originOffset() const;
    // The tab ruler's own drawing (scale, base line, stops).
    void drawTabRulerTicks(const kit::Rect& rect);
    void addToLabels(double value, double position, std::vector<float>& xy, std::string& text);
    // The marks drawn once (drawing twice takes them away).
    void drawMarks(float low, float mid, float high);
    // A stop or marker with its image, at x (ruler pixels) and y.
    static void drawMarker(kit::DrawContext& context, const TabRecord& record, float x, float y);
    static void drawDefaultMark(kit::DrawContext& context, float x, float y);
    // The drag's feedback: the line and the marker at x (ruler pixels from
    // the tab ruler's zero).
    void drawDragFeedback(const TabRecord& record, bool isIndent, float x);
    // The page view's hairline at x (ruler pixels from the tab ruler's
    // zero), highlighted.
    void drawPageHairline(float x);
    // The widest number this ruler may draw, in digits.
    int widestLabelDigits() const;

    float tickUnits_ = 1.0f;
    std::vector<float> lengths_;
    kit::ColorRef cursorColor_;
    kit::ColorRef ticksColor_;
    kit::ColorRef labelColor_;
    kit::ColorRef backgroundColor_;
    kit::ColorRef borderColor_;
    short borderSides_ = 0;
    float lowCoord_ = 0, midCoord_ = 0, highCoord_ = 0;
    bool dirty_ = true;
    bool tall_ = false;
    int side_ = 0;
    bool border_ = false;
    bool corner_ = false;
    bool mouseticks_ = false;
    bool tabRuler_ = false;
    bool embeddedTabs_ = false;
    bool trackMarksVisible_ = false;
    kit::WeakRef<kit::Receiver> tabPanel_;
    std::vector<DrawnLabel> lastLabels_;
    std::vector<double> lastZeros_;
    double pageZero_ = 0; // ruler coordinate of the page being drawn
};
