#pragma once

#include "appkit/View.h"

namespace kit {

// The view a scroll view shows its document through: its bounds origin is
// the scroll position, in the document view's coordinates.
class ClipView : public View {
public:
    explicit ClipView(const Rect& frameRect = {}) : View(frameRect) {}

    std::string className() const override { return "NSClipView"; }
    // Flipped exactly when its document view is.
    bool isFlipped() const override;
    bool isOpaque() const override { return true; }

    // The clip view owns its document view (its one subview).
    View* documentView() const;
    void setDocumentView(std::unique_ptr<View> view);
    Rect documentRect() const;
    Rect documentVisibleRect() const;

    // Scrolls so that the point (document coordinates) is the visible
    // origin, after the document view's adjustScroll and the limits.
    void scrollToPoint(Point newOrigin);
    // The nearest origin that keeps the visible area inside the document.
    Point constrainScrollPoint(Point proposedNewOrigin) const;
    bool autoscroll(const Event& event) override;

    // Opaque: what the document view does not cover shows the background.
    void drawRect(const Rect& rect) override;

protected:
    void frameDidChange() override;

private:
    Point origin() const { return bounds().origin; }
};

} // namespace kit
