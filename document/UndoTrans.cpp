#include "document/UndoTrans.h"

#include "core/Coder.h"
#include "core/Exception.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/UndoDetail.h"
#include "foundation/CMGeometry.h"
#include "items/Item.h"
#include "items/ItemArray.h"

#include <algorithm>
#include <cmath>

using namespace undo_detail;

namespace {

// A scale factor this small is not reversed: no division by it.
bool isReversibleFactor(float f) { return std::fabs(f) > 5e-06f; }

constexpr const char* TransformInfoType = "{?=c{?=ff}{?=ff}{?={?=ff}{?=ff}}[4f]}";

} // namespace

UndoTrans::~UndoTrans() = default;

void UndoTrans::setPointData(std::vector<kit::Point> points)
{
    if (points.empty())
        return;
    if (itemCount() < 2) {
        point_ = points.front();
        return;
    }
    data_ = std::move(points);
}

void UndoTrans::setPointDataFromTInfo(const std::vector<TransformInfo>& info)
{
    if (info.empty())
        return;
    std::vector<kit::Point> points;
    points.reserve(info.size());
    for (const TransformInfo& t : info)
        points.push_back({t.newOrigin.x - t.oldOrigin.x, t.newOrigin.y - t.oldOrigin.y});
    setPointData(std::move(points));
}

void UndoTrans::setRectData(std::vector<kit::Rect> rects) { data_ = std::move(rects); }
void UndoTrans::setMatrixInfo(std::vector<Matrix> matrices) { data_ = std::move(matrices); }
void UndoTrans::setTInfo(std::vector<TransformInfo> info) { data_ = std::move(info); }

template <class T>
const T* UndoTrans::backwardsEntry(const std::vector<T>& list, std::size_t k) const
{
    const std::size_t n = itemCount();
    if (k >= n || n - 1 - k >= list.size())
        return nullptr;
    return &list[n - 1 - k];
}

void UndoTrans::undoInDocument(LayoutDocument* document) { perform(document, true); }
void UndoTrans::redoInDocument(LayoutDocument* document) { perform(document, false); }

void UndoTrans::perform(LayoutDocument* document, bool undo)
{
    if (!document)
        return;
    int remembered = document->getEditingLayer();
    invalidateSelectionAndItems(document, items());
    if (undoType() != MovedToPage)
        activate(document, page());
    {
        const OverlapsHeld held(items());
        step(document, undo, &remembered);
        if (undo)
            styles_.restore();
    }
    const bool sameLayer = remembered == getItemsEditingLayer();
    document->setEditingLayer(remembered);
    select(document, sameLayer ? items() : std::vector<Item*>{});
    document->setEdited(true);
}

void UndoTrans::step(LayoutDocument* document, bool undo, int* rememberedLayer)
{
    const float sign = undo ? -1.0f : 1.0f;
    const std::size_t n = itemCount();
    const auto* points = pointData();
    const bool single = n < 2;
    // Every item, from the last to the first.
    auto eachItem = [&](auto&& f) {
        for (std::size_t k = n; k-- > 0;)
            if (Item* item = itemAt(k))
                f(item, k);
    };
    auto displacement = [&](std::size_t k) -> const kit::Point* {
        return single ? &point_ : (points ? backwardsEntry(*points, k) : nullptr);
    };
    switch (undoType()) {
    case Moved:
    case SizedBy: {
        // Every item first, then the text around them once per page.
        eachItem([&](Item* item, std::size_t) {
            const kit::Rect f = item->frame();
            if (undoType() == Moved)
                item->moveTo(f.origin.x + sign * point_.x, f.origin.y + sign * point_.y, false);
            else
                item->sizeTo(f.size.width + sign * point_.x, f.size.height + sign * point_.y, false);
        });
        handleOverlapsOnce(items());
        break;
    }
    case Rotated:
        if (!single && !points)
            break;
        eachItem([&](Item* item, std::size_t k) {
            const kit::Point* d = displacement(k);
            if (!d)
                return;
            const kit::Point o = item->frame().origin;
            if (undo) {
                item->rotateByAngle(-values_[0]);
                item->setFrameOrigin({o.x - d->x, o.y - d->y});
            } else {
                item->setFrameOrigin({o.x + d->x, o.y + d->y});
                item->rotateByAngle(values_[0]);
            }
        });
        break;
    case MadeNatural: {
        const auto* matrices = matrixInfo();
        if (!matrices)
            break;
        eachItem([&](Item* item, std::size_t k) {
            if (!undo) {
                item->makeNatural();
                return;
            }
            const Matrix* m = backwardsEntry(*matrices, k);
            if (!m)
                return;
            const kit::Rect f = item->frame();
            kit::Point p = f.origin;
            const kit::Point c{f.origin.x + f.size.width / 2, f.origin.y + f.size.height / 2};
            applyMatrixToPoint(&p, &c, m->data());
            item->setMatrix(m->data());
            item->setFrameOrigin(p);
        });
        break;
    }
    case Centred:
        if (single) {
            if (Item* item = itemAt(0))
                item->moveBy(sign * point_.x, sign * point_.y);
        } else if (points) {
            // Entry k for item k, from the first item to the last.
            for (std::size_t k = 0; k < n && k < points->size(); ++k)
                if (Item* item = itemAt(k))
                    item->moveBy(sign * (*points)[k].x, sign * (*points)[k].y);
        }
        break;
    case FlippedHorizontally:
    case FlippedVertically:
        eachItem([&](Item* item, std::size_t) { item->flip(undoType() == FlippedHorizontally ? 1 : 2); });
        break;
    case ScaledBy: {
        const float sx = values_[0], sy = values_[1];
        if ((!single && !points) || !isReversibleFactor(sx) || !isReversibleFactor(sy))
            break;
        eachItem([&](Item* item, std::size_t k) {
            const kit::Point* d = displacement(k);
            if (!d)
                return;
            const kit::Point o = item->frame().origin;
            if (undo) {
                item->scaleUnitSquareToSize({1.0f / sx, 1.0f / sy});
                item->setFrameOrigin({o.x - d->x, o.y - d->y});
            } else {
                item->setFrameOrigin({o.x + d->x, o.y + d->y});
                item->scaleUnitSquareToSize({sx, sy});
            }
        });
        break;
    }
    case FrameXSet:
    case FrameYSet:
    case FrameWidthSet:
    case FrameHeightSet:
    case FrameOriginSet:
    case FrameSizeSet:
    case FrameSet: {
        const auto* rects = rectData();
        if (!rects || rects->empty())
            break;
        if (!undo) {
            setFrame(items(), rects->front(), undoType(), false);
            break;
        }
        eachItem([&](Item* item, std::size_t k) {
            if (k + 1 < rects->size())
                item->setFrame((*rects)[k + 1]);
        });
        break;
    }
    case RotatedTo: {
        const auto* info = tInfo();
        if (!info)
            break;
        if (!undo) {
            rotateTo(items(), values_[0], false);
            break;
        }
        eachItem([&](Item* item, std::size_t k) {
            const TransformInfo* t = backwardsEntry(*info, k);
            if (!t)
                return;
            item->setMatrix(t->oldMatrix);
            item->setFrameOrigin(t->oldOrigin);
        });
        break;
    }
    case ScaledTo: {
        const auto* rects = rectData();
        if (!rects)
            break;
        if (!undo) {
            scaleTo(items(), values_[0], values_[1], false);
            break;
        }
        eachItem([&](Item* item, std::size_t k) {
            if (k >= rects->size())
                return;
            const kit::Rect& old = (*rects)[k];
            // The scale grew the line with the frame: shrink it back by the
            // same factors before the frame takes its old size.
            const kit::Size now = item->frame().size;
            if (now.width != 0.0f && now.height != 0.0f)
                item->scaleUnitSquareToSize({old.size.width / now.width, old.size.height / now.height});
            item->setFrameSize(old.size);
            item->setFrameOrigin(old.origin);
        });
        break;
    }
    case MovedToPage:
        moveToOtherPage(document, rememberedLayer);
        break;
    default:
        break;
    }
}

void UndoTrans::moveToOtherPage(LayoutDocument* document, int* rememberedLayer)
{
    Page* from = page();
    Page* to = oldPage_.get();
    if (!from || !to)
        return;
    *rememberedLayer = changeEditingLayerForDocument(document);
    // The places they leave, for the way back.
    std::vector<Item*> onList;
    std::vector<int> places;
    const std::vector<std::shared_ptr<Item>>& list = from->editedItemList();
    for (Item* item : items())
        if (const int at = indexIn(list, item); at >= 0) {
            onList.push_back(item);
            places.push_back(at);
        }
    std::vector<std::shared_ptr<Item>> moving = from->removeItems(onList);
    addItemsAtPlaces(to, std::move(moving), oldPlaces_);
    setPage(to);
    oldPage_ = from;
    oldPlaces_ = std::move(places);
    activate(document, to);
}

// ---- Stored form.

void UndoTrans::encodeWithCoder(kit::Coder& coder) const
{
    Undo::encodeWithCoder(coder);
    coder.encodePoint(point_);
    coder.encodeValuesOfObjCTypes("ff", values_[0], values_[1]);
    const std::size_t n = itemCount();
    if (n < 2 && undoType() != MovedToPage)
        return;
    switch (undoType()) {
    case Rotated:
    case Centred:
    case ScaledBy:
        if (const auto* points = pointData(); points && points->size() == n)
            for (const kit::Point& p : *points)
                coder.encodePoint(p);
        break;
    case MadeNatural:
        if (const auto* matrices = matrixInfo(); matrices && matrices->size() == n)
            coder.encodeArrayOfObjCType("f", 4 * n, matrices->front().data());
        break;
    case FrameXSet:
    case FrameYSet:
    case FrameWidthSet:
    case FrameHeightSet:
    case FrameOriginSet:
    case FrameSizeSet:
    case FrameSet:
        if (const auto* rects = rectData(); rects && rects->size() == n + 1)
            for (const kit::Rect& r : *rects)
                coder.encodeRect(r);
        break;
    case RotatedTo:
        if (const auto* info = tInfo(); info && info->size() == n)
            for (const TransformInfo& t : *info)
                coder.encodeValuesOfObjCTypes(TransformInfoType, t);
        break;
    case ScaledTo:
        if (const auto* rects = rectData(); rects && rects->size() == n)
            for (const kit::Rect& r : *rects)
                coder.encodeRect(r);
        break;
    case MovedToPage:
        coder.encodeObject(oldPage_.get());
        break;
    default:
        break;
    }
}

kit::Object* UndoTrans::initWithCoder(kit::Coder& coder)
{
    Undo::initWithCoder(coder);
    point_ = coder.decodePoint();
    coder.decodeValuesOfObjCTypes("ff", &values_[0], &values_[1]);
    const std::size_t n = itemCount();
    if (n < 2 && undoType() != MovedToPage)
        return this;
    // Data was written only when present: whether it was is told by what
    // the object has left.
    if (coder.isAtEnd())
        return this;
    switch (undoType()) {
    case Rotated:
    case Centred:
    case ScaledBy: {
        coder.checkUnitCount("{Point=ff}", n);
        std::vector<kit::Point> points;
        for (std::size_t k = 0; k < n; ++k)
            points.push_back(coder.decodePoint());
        data_ = std::move(points);
        break;
    }
    case MadeNatural: {
        std::vector<float> flat = coder.decodeVectorOfObjCType<float>("f", 4 * n);
        std::vector<Matrix> matrices(n);
        for (std::size_t k = 0; k < n; ++k)
            std::copy_n(flat.begin() + static_cast<std::ptrdiff_t>(4 * k), 4, matrices[k].begin());
        data_ = std::move(matrices);
        break;
    }
    case FrameXSet:
    case FrameYSet:
    case FrameWidthSet:
    case FrameHeightSet:
    case FrameOriginSet:
    case FrameSizeSet:
    case FrameSet:
    case ScaledTo: {
        const std::size_t count = undoType() == ScaledTo ? n : n + 1;
        coder.checkUnitCount("{Rect={Point=ff}{Size=ff}}", count);
        std::vector<kit::Rect> rects;
        for (std::size_t k = 0; k < count; ++k)
            rects.push_back(coder.decodeRect());
        data_ = std::move(rects);
        break;
    }
    case RotatedTo: {
        coder.checkUnitCount(TransformInfoType, n);
        std::vector<TransformInfo> info(n);
        for (TransformInfo& t : info)
            coder.decodeValuesOfObjCTypes(TransformInfoType, &t);
        data_ = std::move(info);
        break;
    }
    case MovedToPage:
        oldPage_ = dynamic_cast<Page*>(coder.decodeObject());
        break;
    default:
        break;
    }
    return this;
}
