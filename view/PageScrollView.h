#pragma once

// The scroll view of every document window: the page view as document
// view, a row of controls in the horizontal scroller's strip (page box,
// layer, visibility, zoom and units popups), page buttons under the
// vertical scroller, optional rulers with their corner box, an optional
// info bar, and the zoom commands of the window. Its coordinates are
// flipped: the minimum-y edge is the top.

#include "appkit/NibLoader.h"
#include "appkit/ScrollView.h"

#include <memory>
#include <string>
#include <vector>

namespace kit {
class Box;
class Control;
class Event;
class PopUpButton;
class Scroller;
class TextField;
}
class InfoBarInset;
class PageView;
class RulerViewInset;

class PageScrollView : public kit::ScrollView, public kit::NibOwner {
public:
    static constexpr int Tag = 10;
    // The item of the zoom popup that holds a zoom not in its list.
    static constexpr int CustomZoomTag = 98;

    // Class set-up: the info bar's and the rulers', and the ruler classes.
    static void initialize();
    using RulerFactory = std::unique_ptr<RulerViewInset> (*)(int type, int side);
    static void setHorizontalRulerClass(RulerFactory factory);
    static void setVerticalRulerClass(RulerFactory factory);

    // With a page view of zero frame as document view and both scrollers.
    explicit PageScrollView(const kit::Rect& frameRect = {});
    ~PageScrollView() override;

    std::string className() const override { return "PageScrollView"; }
    bool isFlipped() const override { return true; }
    int tag() const override { return Tag; }
    PageView* pageView() const;

    // ---- The controls (the scroll view takes them).
    void setPageButtons(std::unique_ptr<kit::Control> buttons);
    void setPageBox(std::unique_ptr<kit::Box> box);
    // Fields inside the page box (not owned here).
    void setPageNumberField(kit::TextField* field);
    void setPageCountField(kit::TextField* field);
    void setZoomPopup(std::unique_ptr<kit::PopUpButton> popup);
    void setUnitsPopup(std::unique_ptr<kit::PopUpButton> popup);
    void setLayerPopup(std::unique_ptr<kit::PopUpButton> popup);
    void setVisiblePopup(std::unique_ptr<kit::PopUpButton> popup);
    kit::Control* pageButtons() const { return pageButtons_; }
    kit::Box* pageBox() const { return pageBox_; }
    kit::TextField* pageNumberField() const { return pageNumberField_; }
    kit::TextField* pageCountField() const { return pageCountField_; }
    kit::PopUpButton* zoomPopup() const { return zoomPopup_; }
    kit::PopUpButton* unitsPopup() const { return unitsPopup_; }
    kit::PopUpButton* layerPopup() const { return layerPopup_; }
    kit::PopUpButton* visiblePopup() const { return visiblePopup_; }
    InfoBarInset* infoBar() const { return infoBar_; }
    kit::Scroller* verticalScroller() const { return vScroller_; }
    kit::Scroller* horizontalScroller() const { return hScroller_; }
    // The "InfoBarInset.nib" loader connects the bar through the outlet
    // "infoBar".
    void setInfoBar(InfoBarInset* bar) { loadedInfoBar_ = bar; }
    bool setOutlet(const std::string& name, kit::Object* object) override;

    // ---- Rulers and info bar.
    RulerViewInset* horizontalRuler() const;
    RulerViewInset* verticalRuler() const;
    RulerViewInset* cornerBox() const { return bClipRuler_; }
    kit::ClipView* horizontalRulerClip() const { return hClipRuler_; }
    kit::ClipView* verticalRulerClip() const { return vClipRuler_; }
    void setHorizontalRuler(std::unique_ptr<RulerViewInset> ruler);
    // 0 horizontal, 1 vertical.
    void makeRuler(int which);
    // YES when the ruler changed state.
    bool showRuler(int which, bool flag);
    void toggleRulers(kit::Object* sender);
    bool rulerIsVisible() const { return hRulerVisible_ || vRulerVisible_; }
    bool horizontalRulerIsVisible() const { return hRulerVisible_; }
    bool verticalRulerIsVisible() const { return vRulerVisible_; }
    int horizontalRulerSide() const { return hRulerSide_; }
    int verticalRulerSide() const { return vRulerSide_; }
    int infoBarSide() const { return infoBarSide_; }
    bool infoBarIsVisible() const { return infoBarVisible_; }
    void setHorizontalRulerSide(int side);
    void setVerticalRulerSide(int side);
    void setInfoBarSide(int side);
    void invalidateRulers();
    bool showInfoBar(bool flag);
    void toggleInfoBar(kit::Object* sender);

    // ---- Zoom.
    void zoomAction(kit::Object* popup);
    void zoom(kit::Object* sender);
    void zButtonAction(kit::Object* sender);
    void updateZoomPopup(float zoom);
    void fitSelection(kit::Object* sender);
    void shrinkWrap(kit::Object* sender);

    // ---- Units, layer, visibility.
    void unitsAction(kit::Object* popup);
    void layerAction(kit::Object* popup);
    void setLayerValue(int value);
    void visibilityAction(kit::Object* popup);

    // ---- Notices from the page view and the document.
    void reflectZoom();
    void reflectSize();
    void notifyUpdateUnits();
    void notifyUpdateZoomTitle();
    void notifyUpdatePageStatus();
    void setStatus(const std::string& text);
    void setStatusNoCopy(const std::string& text) { setStatus(text); }
    void runGotoPage(kit::Object* sender);

    // ---- Mouse: while the active tool is one that takes its mouse downs
    // from the scroll view, the page view's visible part hits the scroll
    // view itself.
    kit::View* hitTest(kit::Point point) override;
    void mouseDown(const kit::Event& event) override;

    // ---- Scrolling.
    void scrollClipView(kit::ClipView* clip, kit::Point point) override;
    void reflectScrolledClipView(kit::ClipView* clip) override;
    // After a scroll, makes the page most in view the active page.
    void showPageInView(kit::Point scrolledTo);
    void tile() override;
    bool _needsPageButtons() const;

private:
    // The platform's own tiling: scrollers along the right and bottom, the
    // clip view in what is left.
    void platformTile();
    void platformReflect();
    void scrollerMoved(bool vertical, float value);
    // Views this scroll view keeps while they are out of the tree.
    void holdOut(kit::View* view);
    void putIn(kit::View* view);
    kit::Window* flushWindow() const;

    kit::Control* pageButtons_ = nullptr;
    kit::PopUpButton* zoomPopup_ = nullptr;
    kit::PopUpButton* unitsPopup_ = nullptr;
    kit::PopUpButton* layerPopup_ = nullptr;
    kit::PopUpButton* visiblePopup_ = nullptr;
    kit::Box* pageBox_ = nullptr;
    kit::TextField* pageNumberField_ = nullptr;
    kit::TextField* pageCountField_ = nullptr;
    InfoBarInset* infoBar_ = nullptr;
    InfoBarInset* loadedInfoBar_ = nullptr;
    kit::ClipView* hClipRuler_ = nullptr;
    kit::ClipView* vClipRuler_ = nullptr;
    RulerViewInset* bClipRuler_ = nullptr;
    kit::Scroller* vScroller_ = nullptr;
    kit::Scroller* hScroller_ = nullptr;
    // Views taken out of the tree, kept until shown again.
    std::vector<std::unique_ptr<kit::View>> kept_;

    bool freeText_ = false;
    int infoBarSide_ = 0;
    bool infoBarMade_ = false;
    bool infoBarVisible_ = false;
    int hRulerSide_ = 0;
    bool hRulerMade_ = false;
    bool hRulerVisible_ = false;
    int vRulerSide_ = 0;
    bool vRulerMade_ = false;
    bool vRulerVisible_ = false;
    bool reflecting_ = false;
    kit::Point shownOrigin_{-1e9f, -1e9f};
};
