#pragma once

// A guide line on a page or the master: a location along one axis, used for
// snapping. A guide may have a partner that moves along with it, keeping its
// distance (the partner's partner moves too, no further), and a delegate (the
// document) asked before and told after it is dragged.

#include "core/Color.h"
#include "core/Geometry.h"
#include "core/Object.h"
#include "core/WeakLink.h"

#include <memory>
#include <vector>

namespace kit {
class Event;
}
class Guide;
class DocumentView;

// What the delegate of a guide may answer; both operations are optional.
class GuideDelegate {
public:
    virtual ~GuideDelegate() = default;
    // Before a drag; limits (page coordinates) may be narrowed. A NO ends
    // the drag before anything is drawn (a new guide is then freed).
    virtual bool guideWillDrag(Guide* guide, kit::Point fromPoint, kit::Rect* inRect, bool isNew)
    {
        (void)guide, (void)fromPoint, (void)inRect, (void)isNew;
        return true;
    }
    // After the drop; willFree is YES when the guide left every page.
    virtual void guideDidDrag(Guide* guide, bool willFree) { (void)guide, (void)willFree; }
};

// Undo records and partners refer to guides weakly.
class Guide : public kit::Object, public kit::WeakTarget {
public:
    static constexpr char Horizontal = 1;
    static constexpr char Vertical = 2;

    Guide() = default;
    // initLocation:orientation:. No delegate, no partner.
    Guide(float location, char orientation) : location_(location), orientation_(orientation) {}
    // Registers the class for the archiver.
    static void initialize();

    // ---- The colours pages draw guides in.
    static kit::ColorRef masterColor();
    static kit::ColorRef pagesColor();
    static float masterGray();
    static float pagesGray();

    float location() const { return location_; }
    void setLocation(float location) { location_ = location; }
    int orientation() const { return orientation_; }
    void setOrientation(char orientation) { orientation_ = orientation; }
    // Not owned: the document that moves the guide.
    GuideDelegate* delegate() const { return delegate_.get(); }
    void setDelegate(GuideDelegate* delegate) { delegate_ = delegate; }
    Guide* partner() const { return partner_.get(); }
    // Only a guide becomes the partner; nil leaves the partner as it is.
    void setPartner(Guide* partner)
    {
        if (partner)
            partner_ = partner;
    }
    // A guide that leaves its list is no partner of those that stay.
    void forgetPartner() { partner_.reset(); }
    // The same location, orientation, delegate and partner.
    std::unique_ptr<Guide> copy() const;
    void drawWithFrame(const kit::Rect& frame, DocumentView* view) { (void)frame, (void)view; }

    // The drag loop of an existing guide of the document's active page:
    // the guide follows the mouse (as preview lines over the window's saved
    // image, clamped to the limits the delegate leaves) until the button
    // goes up, and is then moved there, to the page it was dropped on, or
    // off every page (removed). Its partner and the partner's partner move
    // with it on its own page. The undo record goes on the document's stack.
    void dragFromPoint(kit::Point point, DocumentView* view, const kit::Event& event);
    // The same for a new guide, handed over by its creator: dropped on a
    // page it belongs to that page, dropped off every page it is freed.
    static void dragFromPoint(std::unique_ptr<Guide> guide, kit::Point point, DocumentView* view,
                              const kit::Event& event);

    std::string className() const override { return "Guide"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    // The loop; owned holds a new guide (isNew) until a page takes it.
    void drag(kit::Point point, DocumentView* view, const kit::Event& event, std::unique_ptr<Guide> owned);

    float location_ = 0.0f;
    char orientation_ = Horizontal;
    kit::WeakLink<GuideDelegate> delegate_;
    kit::WeakLink<Guide> partner_;
};

// The guides of the list that have the guide as their partner forget it.
void forgetPartnerLinks(const std::vector<std::unique_ptr<Guide>>& guides, const Guide* guide);
