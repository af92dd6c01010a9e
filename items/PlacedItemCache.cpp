// The screen renderings of a placed picture: one cache entry per zoom at
// which its document's views show it, each a copy of the source image
// sized to the frame times its zoom in whole pixels. A new entry is made
// only while every entry's zoom is still shown by some view; otherwise the
// highest unused entry is retargeted. Entries live as long as the picture.

#include "items/PlacedItem.h"

#include "document/LayoutDocument.h"
#include "foundation/CMGeometry.h"
#include "graphics/DrawContext.h"
#include "text/DocumentView.h"

#include <cmath>

namespace {

// The zooms of the document's page views, the last view first.
std::vector<float> zoomsOfViews(const LayoutDocument* document)
{
    std::vector<float> zooms;
    if (!document)
        return zooms;
    const std::vector<DocumentView*>& views = document->views();
    for (auto view = views.rbegin(); view != views.rend(); ++view)
        if (*view)
            zooms.push_back((*view)->zoom());
    return zooms;
}

} // namespace

PlacedItem::PZInfo PlacedItem::_newPZInfo(std::unique_ptr<kit::Image> image, float zoom)
{
    PZInfo entry;
    if (!filename_)
        return entry; // {no image, 1.0}
    entry.image = std::move(image);
    entry.zoom = zoom;
    if (entry.image)
        watchEntry(*entry.image);
    calcPZInfo(entry, frame_, isTransformed());
    return entry;
}

void PlacedItem::calcPZInfo(PZInfo& entry, const kit::Rect& frame, bool transformed)
{
    if (!entry.image)
        return;
    const float w = std::rint(frame.size.width * entry.zoom), h = std::rint(frame.size.height * entry.zoom);
    entry.image->setScalesWhenResized(true);
    entry.image->setCacheSideLimit(CMMaxImageSize);
    entry.image->setSize({std::isfinite(w) ? w : 0.0f, std::isfinite(h) ? h : 0.0f});
    entry.image->setDelegate(transformed ? static_cast<kit::ImageDelegate*>(this) : nullptr);
}

void PlacedItem::calcInfo(bool recompute)
{
    const bool transformed = isTransformed();
    Item::calcInfo(recompute);
    for (auto entry = images_.rbegin(); entry != images_.rend(); ++entry)
        calcPZInfo(*entry, frame_, transformed);
}

std::optional<PlacedItem::PZInfoRef> PlacedItem::imageAtOffset(int index) const
{
    if (index < 0 || index >= static_cast<int>(images_.size()))
        return std::nullopt;
    const PZInfo& entry = images_[static_cast<std::size_t>(index)];
    return PZInfoRef{entry.image.get(), entry.zoom};
}

kit::Image* PlacedItem::_findMatchingImage(float zoom) const
{
    for (auto entry = images_.rbegin(); entry != images_.rend(); ++entry)
        if (entry->zoom == zoom)
            return entry->image.get();
    return nullptr;
}

kit::Image* PlacedItem::_updateImages(float zoom)
{
    int reuse = -1;
    // The item's own document: the views that show it.
    const std::vector<float> zooms = zoomsOfViews(document());
    if (!zooms.empty() && !images_.empty()) {
        if (!itFlags_.manyViews) {
            const float entryZoom = images_.front().zoom;
            const bool inUse = std::find(zooms.begin(), zooms.end(), entryZoom) != zooms.end();
            reuse = inUse ? -1 : 0;
        } else {
            std::vector<bool> used(images_.size(), false);
            for (float viewZoom : zooms) {
                if (viewZoom == zoom)
                    continue;
                for (std::size_t i = 0; i < images_.size(); ++i)
                    if (images_[i].zoom == viewZoom) {
                        used[i] = true;
                        break;
                    }
            }
            for (int i = static_cast<int>(images_.size()) - 1; i >= 0; --i)
                if (!used[static_cast<std::size_t>(i)]) {
                    reuse = i;
                    break;
                }
        }
    }
    return _addImageAtZoom(zoom, reuse);
}

kit::Image* PlacedItem::_addImageAtZoom(float zoom, int reuse)
{
    const bool transformed = isTransformed();
    auto copyOfSource = [&] { return sourceImage_ ? sourceImage_->copy() : nullptr; };
    if (itFlags_.manyViews) {
        if (reuse < 0 || reuse >= static_cast<int>(images_.size())) {
            images_.push_back(_newPZInfo(copyOfSource(), zoom));
            return images_.back().image.get();
        }
        PZInfo& entry = images_[static_cast<std::size_t>(reuse)];
        entry.zoom = zoom;
        calcPZInfo(entry, frame_, transformed);
        return entry.image.get();
    }
    if (images_.empty()) {
        images_.push_back(_newPZInfo(copyOfSource(), zoom));
        return images_.back().image.get();
    }
    PZInfo& single = images_.front();
    if (single.zoom != 0.0f && reuse == -1) {
        itFlags_.manyViews = 1;
        images_.push_back(_newPZInfo(copyOfSource(), zoom));
        return images_.back().image.get();
    }
    single.zoom = zoom;
    calcPZInfo(single, frame_, transformed);
    return single.image.get();
}

void PlacedItem::_removeImageAtIndex(int index)
{
    if (!itFlags_.manyViews) {
        if (!images_.empty())
            images_.front().zoom = 0.0f; // free for the next zoom asked for
        return;
    }
    if (index < 0 || index >= static_cast<int>(images_.size()))
        return;
    images_.erase(images_.begin() + index);
    if (images_.size() == 1)
        itFlags_.manyViews = 0;
}

float PlacedItem::_findMatchingZoomForRep(const kit::ImageRep* rep) const
{
    if (!itFlags_.manyViews)
        return images_.empty() ? 0.0f : images_.front().zoom;
    for (auto entry = images_.rbegin(); entry != images_.rend(); ++entry)
        if (entry->image && entry->image->lastRepresentation() == rep)
            return entry->zoom;
    return 0.0f;
}

bool PlacedItem::imageWillDrawRep(kit::DrawContext& context, kit::Image& image, kit::ImageRep& rep,
                                  const kit::Rect& rect)
{
    (void)image;
    (void)rep;
    (void)rect;
    // The picture is drawn in its own upright space (its natural box at the
    // origin); this puts that space into the transformed frame.
    setDrawStateWithOffset(context, 1.0f, nullptr, false);
    return true;
}

void PlacedItem::watchEntry(kit::Image& image)
{
    kit::WeakLink<PlacedItem> self(this);
    image.setReadyHandler([self](kit::Image&) {
        if (PlacedItem* item = self.get())
            item->pictureBecameReady();
    });
}

void PlacedItem::pictureBecameReady()
{
    if (readyObserver_) {
        readyObserver_();
        return;
    }
    if (LayoutDocument* doc = document()) {
        std::vector<kit::Object*> items{this};
        doc->notifyUpdate(nullptr, &items);
    }
}
