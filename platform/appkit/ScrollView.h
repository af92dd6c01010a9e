#pragma once

#include "appkit/ClipView.h"

namespace kit {

// A view that shows part of a larger document view through its clip view.
// Scrollers are drawn by the screen widgets; their widths are kept here so
// that the clip view's frame is right.
class ScrollView : public View {
public:
    explicit ScrollView(const Rect& frameRect = {});

    std::string className() const override { return "NSScrollView"; }

    ClipView* contentView() const { return clip_; }
    View* documentView() const { return clip_ ? clip_->documentView() : nullptr; }
    void setDocumentView(std::unique_ptr<View> view);
    Rect documentVisibleRect() const;
    Size contentSize() const;

    void setHasVerticalScroller(bool flag);
    void setHasHorizontalScroller(bool flag);
    bool hasVerticalScroller() const { return hasVertical_; }
    bool hasHorizontalScroller() const { return hasHorizontal_; }
    static float scrollerWidth() { return 16.0f; }

    // Lays out the clip view inside the scrollers.
    virtual void tile();
    // The clip view scrolled: scrollers and rulers follow.
    virtual void reflectScrolledClipView(ClipView* clipView) { (void)clipView; }
    // Scrolls the clip view to the point (its bounds' coordinates).
    virtual void scrollClipView(ClipView* clip, Point point);
    // The wheel scrolls the document a few lines a notch (across with
    // Shift when the wheel has no second axis).
    void scrollWheel(const Event& event) override;
    static float lineScroll() { return 12.0f; }

protected:
    void frameDidChange() override { tile(); }

private:
    ClipView* clip_ = nullptr;
    bool hasVertical_ = false;
    bool hasHorizontal_ = false;
};

} // namespace kit
