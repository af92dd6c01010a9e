#pragma once

// The thin bar of a document window that shows the selection's geometry and
// font: x, y, width and height in the document's unit, rotation, scale,
// font name and size. Besides showing the selection it gives live feedback
// while items, guides and tab stops are dragged. One per window: the window's
// scroll view loads it from "InfoBarInset.nib" on first show and keeps it.

#include "appkit/View.h"
#include "core/Color.h"
#include "text/DocumentView.h"

#include <memory>
#include <string>
#include <vector>

namespace kit {
class Font;
class TextField;
}
class Item;
class LayoutDocument;
class PageView;
class UnitsInfo;

class InfoBarInset : public kit::View, public InfoBarDisplay {
public:
    // The tag by which the page view and the drags find it in its scroll view.
    static constexpr int Tag = 12;
    // Bits of borderSides.
    static constexpr short BottomBorder = 1;
    static constexpr short TopBorder = 2;

    // Class set-up: the bar's height (the strip the scroll view gives it)
    // becomes 13.0. Also registers the builder of "InfoBarInset.nib".
    static void initialize();
    static void setWidth(float width);
    static float width();

    // "InfoBarInset.nib" loaded, the bar taken out of the file's window and
    // set up (initializeInstance): what the scroll view does on first show.
    // Nil when the file cannot be loaded.
    static std::unique_ptr<InfoBarInset> loadFromNib();

    explicit InfoBarInset(const kit::Rect& frameRect = {});
    std::string className() const override { return "InfoBarInset"; }
    int tag() const override { return Tag; }

    // The interface file's connections: "xTitle", "xField", "yTitle",
    // "yField", "hTitle", "hField", "wTitle", "wField", "rotationField",
    // "scaleField", "fontField", "fontSizeField". False for another name.
    bool connect(const std::string& outlet, kit::TextField* view);
    kit::TextField* outletNamed(const std::string& outlet) const;

    // The instance set-up, sent by the scroll view once it has taken the bar
    // out of the file's window: the titles and fields move out of their
    // container into the bar (the font fields keep their distance from the
    // right edge), the bottom border is on, and an empty selection is shown.
    void initializeInstance();

    // ---- Context: the scroll view's document view and its document.
    PageView* pageView() const;
    LayoutDocument* document() const;
    std::vector<Item*> selected() const;
    UnitsInfo* unitsInfo() const;

    // ---- Showing the selection.
    void inspect() override;
    void inspectSelection(const std::vector<Item*>& items);

    // ---- Live values; each stores the value and shows it in the unit's
    // format (points "%.1f", inches and centimetres "%.3f", picas "%.2f").
    void setFrameRect(const kit::Rect& rect);
    void setMoveTo(float x, float y) override;
    void setMoveBy(float dx, float dy) override;
    void setSizeTo(float width, float height) override;
    void setSizeBy(float dw, float dh);
    // Reduced by whole turns into 0..360 (360 stays).
    void setRotate(float angle);
    // Factors (1.0 = 100 %), shown in per cent.
    void setScale(float sx, float sy) override;
    void setShear(float sx, float sy) { (void)sx, (void)sy; }
    // Several fonts: the "MultipleFonts" text and no size; none: both empty.
    void setFont(kit::Font* font, bool isMultiple) override;

    kit::Rect selectedRect() const { return selectedRect_; }
    float selectedAngle() const { return selectedAngle_; }
    float selectedScaleX() const { return selectedScaleX_; }
    float selectedScaleY() const { return selectedScaleY_; }

    // ---- Appearance.
    void setBackgroundColor(kit::ColorRef color);
    const kit::ColorRef& backgroundColor() const { return backgroundColor_; }
    void setBorderColor(kit::ColorRef color);
    const kit::ColorRef& borderColor() const { return borderColor_; }
    void setBordered(bool flag);
    bool isBordered() const { return border_; }
    void setBorderSides(short sides);
    short borderSides() const { return borderSides_; }
    // Two bits: 0 top of the window, 1 bottom.
    void setSide(int side);
    int side() const { return side_; }
    void drawRect(const kit::Rect& rect) override;

    // What a field shows (empty for a field that is not connected).
    std::string text(const std::string& outlet) const;

private:
    int unitKind() const;
    void showLength(kit::TextField* field, float value, int kind);
    void showOrigin();
    void showSize();
    static void show(kit::TextField* field, const std::string& text);

    kit::TextField* xTitle_ = nullptr;
    kit::TextField* xField_ = nullptr;
    kit::TextField* yTitle_ = nullptr;
    kit::TextField* yField_ = nullptr;
    kit::TextField* hTitle_ = nullptr;
    kit::TextField* hField_ = nullptr;
    kit::TextField* wTitle_ = nullptr;
    kit::TextField* wField_ = nullptr;
    kit::TextField* rotationField_ = nullptr;
    kit::TextField* scaleField_ = nullptr;
    kit::TextField* fontField_ = nullptr;
    kit::TextField* fontSizeField_ = nullptr;
    kit::Rect selectedRect_{};
    float selectedAngle_ = 0;
    float selectedScaleX_ = 100;
    float selectedScaleY_ = 100;
    kit::ColorRef backgroundColor_;
    kit::ColorRef borderColor_;
    short borderSides_ = 0;
    bool border_ = false;
    unsigned side_ : 2 = 0;
};
