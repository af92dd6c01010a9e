#include "document/UndoGuide.h"

#include "core/Coder.h"
#include "document/Guide.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/UnitsInfo.h"

#include <algorithm>

namespace {

// The guide's line across the page, grown by a point on every side, in
// view coordinates.
kit::Rect guideRect(const Page* page, const Guide* guide, float location)
{
    const kit::Size size = page->size();
    kit::Rect r = guide->orientation() == Guide::Horizontal ? kit::makeRect(0, location, size.width, 0)
                                                             : kit::makeRect(location, 0, 0, size.height);
    r = kit::insetRect(r, -1.0f, -1.0f);
    page->convertToView(&r.origin);
    return r;
}

bool holds(const std::vector<std::unique_ptr<Guide>>& list, const Guide* guide)
{
    return std::any_of(list.begin(), list.end(), [&](const auto& g) { return g.get() == guide; });
}

// The layer whose guides hold the guide: the page's own (1), the
// document's (2), or 0 for neither.
int layerHolding(LayoutDocument* document, const Page* page, const Guide* guide)
{
    if (holds(page->guides(), guide))
        return LayoutDocument::PagesLayer;
    if (holds(document->masterGuides(), guide))
        return LayoutDocument::MasterLayer;
    return 0;
}

} // namespace

UndoGuide::~UndoGuide() = default;

void UndoGuide::hold(std::unique_ptr<Guide> guide, int layer)
{
    held_ = std::move(guide);
    guide_ = held_.get();
    heldLayer_ = layer;
}

void UndoGuide::undoInDocument(LayoutDocument* document)
{
    if (!document)
        return;
    const int previous = changeEditingLayerForDocument(document);
    Page* onPage = page();
    switch (undoType()) {
    case RulerOriginMoved:
        moveRulerOrigin(document);
        break;
    case GuideAdded: {
        Guide* guide = guide_.get();
        const int layer = onPage && guide ? layerHolding(document, onPage, guide) : 0;
        if (!layer)
            break;
        // Taken from the list that holds it, which may be the master layer's.
        document->setEditingLayer(layer);
        const kit::Rect r = guideRect(onPage, guide, guide->location());
        hold(onPage->removeGuide(guide), layer);
        document->setEditingLayer(previous);
        document->notifyUpdate(nullptr, r);
        setUndoType(GuideRemoved);
        break;
    }
    case GuideRemoved: {
        if (!onPage || !held_)
            break;
        document->setEditingLayer(heldLayer_);
        Guide* guide = held_.get();
        onPage->addGuide(std::move(held_));
        const kit::Rect r = guideRect(onPage, guide, guide->location());
        document->setEditingLayer(previous);
        document->notifyUpdate(nullptr, r);
        setUndoType(GuideAdded);
        break;
    }
    case GuideMoved: {
        Guide* guide = guide_.get();
        if (!onPage || !guide)
            break;
        const float was = guide->location();
        const float by = guide->orientation() == Guide::Horizontal ? point_.y : point_.x;
        guide->setLocation(was - by);
        point_ = {-point_.x, -point_.y};
        const kit::Rect oldRect = guideRect(onPage, guide, was);
        const kit::Rect newRect = guideRect(onPage, guide, guide->location());
        document->setEditingLayer(previous);
        document->notifyUpdate(nullptr, oldRect);
        document->notifyUpdate(nullptr, newRect);
        // What follows the guide (the word processor's columns follow its
        // margins) follows it back, as after the drag.
        if (GuideDelegate* delegate = guide->delegate())
            delegate->guideDidDrag(guide, false);
        break;
    }
    default:
        break;
    }
    document->setEditingLayer(previous);
}

void UndoGuide::moveRulerOrigin(LayoutDocument* document)
{
    // The document's units come with its stored form; until then a document
    // has none and the origin stays.
    auto move = [this](auto* doc) {
        if constexpr (requires { doc->unitsInfo(); }) {
            UnitsInfo* units = doc->unitsInfo();
            if (!units)
                return;
            const kit::Point was{-units->horizontalUnitsOrigin(), -units->verticalUnitsOrigin()};
            units->setUnitsOrigin(point_);
            point_ = was;
            doc->notifyUpdate(nullptr, kit::Rect{});
        }
    };
    move(document);
}

void UndoGuide::encodeWithCoder(kit::Coder& coder) const
{
    Undo::encodeWithCoder(coder);
    coder.encodeObject(guide_.get());
    coder.encodePoint(point_);
}

kit::Object* UndoGuide::initWithCoder(kit::Coder& coder)
{
    Undo::initWithCoder(coder);
    kit::Object* guide = coder.decodeObject();
    // A guide off its page when written belongs to the record.
    if (undoType() == GuideRemoved && guide)
        hold(coder.claim<Guide>(guide, *this), 1);
    else
        guide_ = dynamic_cast<Guide*>(guide);
    point_ = coder.decodePoint();
    return this;
}
