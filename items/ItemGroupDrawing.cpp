// A group draws its members bottom to top; a cropping group clips the
// others to its cropping member, and a selected one shows the whole of each
// clipped member as a light ghost behind the cropped drawing.

#include "items/ItemGroup.h"

#include "core/Alert.h"
#include "core/MainQueue.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/Paint.h"
#include "graphics/DrawContext.h"
#include "items/ItemBox.h"
#include "items/PlacedItem.h"

namespace {

std::string stringForKey(const char* key) { return Main ? Main->valueForStringKey(key) : key; }

} // namespace

bool drawCroppedGraphic(Item* member, const Paint& paint, const kit::Rect* bounds)
{
    kit::DrawContext* context = kit::DrawContext::current();
    if (!member || !context || !bounds)
        return false;
    context->gsave();
    bool drawn = false;
    auto* picture = dynamic_cast<PlacedItem*>(member);
    if (picture && picture->isEPSFile()) {
        const kit::Point none{0, 0};
        picture->drawDropShadow(picture->paintFor(paint), nullptr, &none, *kit::Color::colorWithGray(0.8f, 1.0f));
    } else {
        drawn = member->whiteSelfInView(paint, *bounds);
    }
    context->grestore();
    return drawn;
}

bool ItemGroup::mayAppear(const Item& member, int pageNumber, int layer) const
{
    return member.masterFlags() == 0 || member.canAppearOnPageNumber(pageNumber, layer);
}

bool ItemGroup::drawSelfInView(const Paint& paint, const kit::Rect& bounds) { return renderInView(paint, bounds, false); }

bool ItemGroup::whiteSelfInView(const Paint& paint, const kit::Rect& bounds) { return renderInView(paint, bounds, true); }

bool ItemGroup::drawFastInView(const Paint& paint, const kit::Rect& bounds)
{
    if (!shouldDrawInRect(bounds))
        return false;
    for (const auto& member : theItems_)
        member->drawFastInView(paint, bounds);
    return true;
}

bool ItemGroup::renderInView(const Paint& paint, const kit::Rect& bounds, bool white)
{
    // What the drawing depends on, gathered in one place.
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return false;
    const bool screen = context->isDrawingToScreen();
    Page* onPage = page();
    const LayoutDocument* doc = onPage ? onPage->document() : nullptr;
    const int layer = doc ? doc->getEditingLayer() : LayoutDocument::PagesLayer;
    const int number = onPage ? onPage->absolutePageNumber() : 0;

    if (!shouldDrawInRect(bounds))
        return false;
    bool clipping = false;
    Item* extra = nullptr;
    if (doesCrop()) {
        if (isSelected() && screen) {
            context->gsave();
            for (const auto& member : theItems_)
                if (!member->doesCrop() && mayAppear(*member, number, layer))
                    drawCroppedGraphic(member.get(), paint, &bounds);
            context->grestore();
        }
        for (const auto& member : theItems_) {
            if (!member->doesCrop() || !mayAppear(*member, number, layer))
                continue;
            if (!clipping) {
                context->gsave();
                clipping = true;
                if (auto* box = dynamic_cast<ItemBox*>(member.get()))
                    box->clipSelfInView(paint, bounds);
                continue;
            }
            // Two cropping shapes: nothing is clipped. The model is not
            // changed, nor the user asked, in the middle of a drawing.
            context->grestore();
            clipping = false;
            extra = member.get();
            break;
        }
    }
    for (const auto& member : theItems_) {
        if (!mayAppear(*member, number, layer))
            continue;
        if (clipping && member->doesCrop() && dynamic_cast<ItemBox*>(member.get()))
            continue;
        if (white)
            member->whiteSelfInView(paint, bounds);
        else
            member->drawSelfInView(paint, bounds);
    }
    if (clipping) {
        context->grestore();
        resetAll(*context);
    }
    // Told once the screen drawing is over; a print changes nothing.
    if (extra && screen && !extraCropPending_) {
        extraCrop_ = extra;
        extraCropPending_ = true;
        kit::MainQueue::post([group = kit::WeakLink<ItemGroup>(this)] {
            if (ItemGroup* g = group.get())
                g->reportExtraCrop();
        });
    }
    return true;
}

void ItemGroup::reportExtraCrop()
{
    extraCropPending_ = false;
    Item* member = extraCrop_.get();
    extraCrop_.reset();
    if (!member || !member->doesCrop() || !containsItem(member))
        return;
    kit::beep();
    kit::runAlertPanel(stringForKey("CropPanel"), stringForKey("TooManyCrops"), std::string(), std::string(),
                       std::string());
    member->setDoesCrop(false);
    if (LayoutDocument* doc = document()) {
        std::vector<kit::Object*> changed{this};
        doc->notifyUpdate(nullptr, &changed);
    }
}
