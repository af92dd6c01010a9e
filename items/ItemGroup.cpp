#include "items/ItemGroup.h"

#include "core/Coder.h"
#include "core/Exception.h"
#include "core/Values.h"
#include "document/Undo.h"
#include "foundation/ArrayExtensions.h"
#include "foundation/CMGeometry.h"
#include "foundation/StyleGraphic.h"
#include "items/PlacedItem.h"
#include "items/TextItem.h"
#include "text/GraphicLink.h"
#include "text/TextDocument.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_set>

struct ItemGroupAccess {
    static std::vector<std::shared_ptr<Item>>* members(Item& item)
    {
        auto* group = dynamic_cast<ItemGroup*>(&item);
        if (!group)
            return nullptr;
        // The undo records put the members on the page or take them back:
        // the member last hit may be gone by the next hit test.
        group->membersChanged();
        return &group->theItems_;
    }
};

namespace {

// w / h, or 1 where there is no ratio to keep.
float ratioOf(const kit::Size& size)
{
    if (size.height == 0.0f)
        return 1.0f;
    const float r = size.width / size.height;
    return std::isfinite(r) && r != 0.0f ? r : 1.0f;
}

bool isUsableFactor(float f) { return f != 0.0f && std::isfinite(f); }

bool isInvertible(const float* m)
{
    const float det = m[0] * m[3] - m[1] * m[2];
    return det != 0.0f && std::isfinite(det);
}

} // namespace

void ItemGroup::initialize()
{
    kit::registerClass<ItemGroup>("ItemGroup");
    Undo::groupMembersHook() = [](Item& item) { return ItemGroupAccess::members(item); };
}

ItemGroup::ItemGroup()
{
    // The group's own attributes, which its setters change with the members'.
    adoptGraphicStyle(std::make_unique<StyleGraphic>());
}

ItemGroup::~ItemGroup() = default;

std::shared_ptr<ItemGroup> ItemGroup::initWithList(std::vector<std::shared_ptr<Item>> items)
{
    if (items.empty())
        return nullptr;
    std::unordered_set<const Item*> seen;
    int depth = 1;
    for (const auto& item : items) {
        if (!item || !seen.insert(item.get()).second)
            return nullptr;
        if (const auto* group = dynamic_cast<const ItemGroup*>(item.get())) {
            // A member group holding another member would make that item
            // belong to the group twice.
            for (const auto& other : items)
                if (other.get() != group && group->containsItem(other.get()))
                    return nullptr;
            depth = std::max(depth, group->nestingDepth() + 1);
        }
    }
    if (depth > MaxNesting)
        return nullptr;
    auto group = std::make_shared<ItemGroup>();
    group->theItems_ = std::move(items);
    group->calcGroupBounds();
    group->setPage(group->theItems_.front()->page());
    group->hitItem_.reset();
    return group;
}

int ItemGroup::nestingDepth() const
{
    int depth = 1;
    for (const auto& member : theItems_)
        if (const auto* group = dynamic_cast<const ItemGroup*>(member.get()))
            depth = std::max(depth, group->nestingDepth() + 1);
    return depth;
}

bool ItemGroup::containsItem(const Item* item) const
{
    for (const auto& member : theItems_) {
        if (member.get() == item)
            return true;
        if (const auto* group = dynamic_cast<const ItemGroup*>(member.get()); group && group->containsItem(item))
            return true;
    }
    return false;
}

void ItemGroup::calcGroupBounds()
{
    kit::Rect all{};
    bool first = true;
    for (const auto& member : theItems_) {
        kit::Rect r{};
        member->getUpdateBounds(&r, nullptr);
        all = first ? r : kit::unionRect(all, r);
        first = false;
    }
    frame_ = all;
    calcInfo(true);
    naturalRatio_ = ratioOf(frame_.size);
}

void ItemGroup::expandItemGroups(std::vector<Item*>& list, std::size_t index) const
{
    std::vector<Item*> members;
    members.reserve(theItems_.size());
    for (const auto& member : theItems_)
        members.push_back(member.get());
    insertSublist(list, members, index);
}

void ItemGroup::audit(int indent) const
{
    Item::audit(indent);
    for (const auto& member : theItems_)
        member->audit(indent);
}

void ItemGroup::resolveInDocument(TextDocument* document)
{
    for (const auto& member : theItems_) {
        member->resolveInDocument(document);
        // The links list keeps only the members that are graphic links.
        if (auto* link = dynamic_cast<GraphicLink*>(member.get()); document && link && link->isGraphicLink())
            document->addLink(link);
    }
}

void ItemGroup::addImagesToList(std::vector<Item*>& images) const
{
    for (const auto& member : theItems_)
        if (dynamic_cast<PlacedItem*>(member.get()))
            addObjectIfAbsent(images, member.get());
}

void ItemGroup::pleaseListFlows(std::vector<TextFlow*>& flows, std::vector<Item*>& images)
{
    for (const auto& member : theItems_)
        member->pleaseListFlows(flows, images);
}

// ---- Text columns.

bool ItemGroup::hasAnyTextItems() const
{
    return std::any_of(theItems_.begin(), theItems_.end(), [](const auto& m) {
        return dynamic_cast<const TextItem*>(m.get()) || m->hasAnyTextItems();
    });
}

bool ItemGroup::recomputeTextItems()
{
    for (const auto& member : theItems_) {
        if (auto* column = dynamic_cast<TextItem*>(member.get())) {
            column->resolveStyles();
            column->recompute();
        } else if (dynamic_cast<ItemGroup*>(member.get())) {
            member->recomputeTextItems();
        }
    }
    return false;
}

// ---- Locking, page, styles.

void ItemGroup::lock()
{
    Item::lock();
    for (const auto& member : theItems_)
        member->lock();
}

void ItemGroup::unlock()
{
    Item::unlock();
    for (const auto& member : theItems_)
        member->unlock();
}

Page* ItemGroup::setPage(Page* page)
{
    Item::setPage(page);
    for (const auto& member : theItems_)
        member->setPage(page);
    return page;
}

void ItemGroup::setGraphicStyle(StyleGraphic* style)
{
    Item::setGraphicStyle(style);
    for (const auto& member : theItems_)
        member->setGraphicStyle(style);
}

void ItemGroup::takeGraphicStyleValuesFrom(const StyleGraphic* style)
{
    Item::takeGraphicStyleValuesFrom(style);
    for (const auto& member : theItems_)
        member->takeGraphicStyleValuesFrom(style);
}

namespace {

template <class Test>
bool anyMember(const std::vector<std::shared_ptr<Item>>& members, Test&& test)
{
    return std::any_of(members.begin(), members.end(), [&](const auto& m) { return test(*m); });
}

} // namespace

bool ItemGroup::canAcceptStyle(std::string_view styleClass) const
{
    return anyMember(theItems_, [&](const Item& m) { return m.canAcceptStyle(styleClass); });
}

bool ItemGroup::canFill() const { return anyMember(theItems_, [](const Item& m) { return m.canFill(); }); }
bool ItemGroup::canLine() const { return anyMember(theItems_, [](const Item& m) { return m.canLine(); }); }
bool ItemGroup::canCrop() const { return anyMember(theItems_, [](const Item& m) { return m.canCrop(); }); }
bool ItemGroup::canArrow() const { return anyMember(theItems_, [](const Item& m) { return m.canArrow(); }); }
bool ItemGroup::hasFill() const { return anyMember(theItems_, [](const Item& m) { return m.hasFill(); }); }
bool ItemGroup::hasLine() const { return anyMember(theItems_, [](const Item& m) { return m.hasLine(); }); }
bool ItemGroup::doesCrop() const { return anyMember(theItems_, [](const Item& m) { return m.doesCrop(); }); }

int ItemGroup::graphicPermissions() const
{
    int permissions = 0;
    for (const auto& member : theItems_)
        permissions |= member->graphicPermissions();
    return permissions;
}

// The group's own style takes the change as any item's would (its
// permissions are its members', so it is changed directly), then every
// member that takes it.
#define GROUP_SETTER(Name, Type, Check)                                                                          \
    void ItemGroup::Name(Type value)                                                                             \
    {                                                                                                            \
        if (!theItems_.empty())                                                                                  \
            Item::Name(value);                                                                                   \
        for (const auto& member : theItems_)                                                                     \
            if (member->Check())                                                                                 \
                member->Name(value);                                                                             \
    }

GROUP_SETTER(setHasFill, bool, canFill)
GROUP_SETTER(setFill, const GxFill*, canFill)
GROUP_SETTER(setFillColor, const kit::ColorRef&, canFill)
GROUP_SETTER(setFillPattern, std::shared_ptr<const kit::Object>, canFill)
GROUP_SETTER(setFillOverprint, bool, canFill)
GROUP_SETTER(setHasLine, bool, canLine)
GROUP_SETTER(setLine, const GxLine*, canLine)
GROUP_SETTER(setLineColor, const kit::ColorRef&, canLine)
GROUP_SETTER(setLineWidth, float, canLine)
GROUP_SETTER(setLineOverprint, bool, canLine)
GROUP_SETTER(setLineDash, const GxDash*, canLine)
GROUP_SETTER(setLeftArrow, const GxArrow*, canArrow)
GROUP_SETTER(setRightArrow, const GxArrow*, canArrow)
GROUP_SETTER(setDoesCrop, bool, canCrop)

#undef GROUP_SETTER

// ---- Geometry.

void ItemGroup::setFrame(const kit::Rect& frame, bool recompute)
{
    if (!isUsableFactor(frame.size.width) || !isUsableFactor(frame.size.height))
        return;
    Item::setFrame(frame, recompute);
}

void ItemGroup::moveTo(float x, float y, bool recompute)
{
    const float dx = x - frame_.origin.x, dy = y - frame_.origin.y;
    // The members move without laying the page out each; the group does once.
    for (const auto& member : theItems_) {
        const kit::Point o = member->frame().origin;
        member->moveTo(o.x + dx, o.y + dy, false);
    }
    Item::moveTo(x, y, recompute);
}

void ItemGroup::sizeTo(float width, float height, bool recompute)
{
    const float sx = width / frame_.size.width, sy = height / frame_.size.height;
    // A side of no size has no factor, and a factor of 0 cannot be undone.
    if (!isUsableFactor(sx) || !isUsableFactor(sy))
        return;
    const kit::Point origin = frame_.origin;
    float scale[4];
    getScaleMatrix(sx, sy, scale);
    float m[4];
    std::copy(scale, scale + 4, m);
    const bool transformed = isTransformed();
    if (transformed) {
        // Undo the group's transform, scale along its own axes, transform again.
        float g[4], inverse[4];
        getMatrix(g);
        if (!isInvertible(g))
            return;
        invertMatrix(g, inverse);
        std::copy(inverse, inverse + 4, m);
        concatMatrix(m, scale); // scale = G⁻¹·S
        concatMatrix(scale, g); // g = G⁻¹·S·G
        std::copy(g, g + 4, m);
    }
    for (const auto& member : theItems_) {
        kit::Point o = member->frame().origin;
        applyMatrixToPoint(&o, &origin, m);
        member->moveTo(o.x, o.y, false);
        if (transformed)
            member->postConcatMatrix(m);
        else
            member->scaleUnitSquareToSize({sx, sy});
    }
    Item::sizeTo(width, height, recompute);
    naturalRatio_ = ratioOf(frame_.size);
}

void ItemGroup::scaleUnitSquareToSize(kit::Size scale)
{
    const float sx = scale.width, sy = scale.height;
    // A factor of 0 would flatten the members for good: undo could not
    // invert it.
    if (!isUsableFactor(sx) || !isUsableFactor(sy))
        return;
    float s[4];
    getScaleMatrix(sx, sy, s);
    const kit::Point origin = frame_.origin;
    for (const auto& member : theItems_) {
        kit::Point o = member->frame().origin;
        applyMatrixToPoint(&o, &origin, s);
        member->moveTo(o.x, o.y, false);
        member->scaleUnitSquareToSize(scale);
    }
    if (sx < 0.0f || sy < 0.0f) {
        Item::postConcatMatrix(s);
    } else {
        frame_.size = {frame_.size.width * sx, frame_.size.height * sy};
        calcInfo();
    }
    naturalRatio_ = ratioOf(frame_.size);
}

void ItemGroup::setMatrix(const float* matrix)
{
    if (!matrix || !isInvertible(matrix))
        return;
    float g[4], m[4];
    getMatrix(g);
    if (!isInvertible(g))
        return;
    invertMatrix(g, m);
    float n[4];
    std::copy(matrix, matrix + 4, n);
    concatMatrix(m, n); // n = G⁻¹·N
    const kit::Point origin = frame_.origin;
    for (const auto& member : theItems_) {
        kit::Point o = member->frame().origin;
        applyMatrixToPoint(&o, &origin, n);
        member->moveTo(o.x, o.y, false);
        member->postConcatMatrix(n);
    }
    Item::setMatrix(matrix);
}

void ItemGroup::postConcatMatrix(const float* matrix)
{
    if (!matrix || !isInvertible(matrix))
        return;
    const kit::Point origin = frame_.origin;
    for (const auto& member : theItems_) {
        kit::Point o = member->frame().origin;
        applyMatrixToPoint(&o, &origin, matrix);
        member->moveTo(o.x, o.y, false);
        member->postConcatMatrix(matrix);
    }
    Item::postConcatMatrix(matrix);
}

void ItemGroup::getUpdateBounds(kit::Rect* rect, const DocumentView* view) const
{
    Item::getUpdateBounds(rect, view);
    *rect = kit::insetRect(*rect, -1.0f, -1.0f);
}

bool ItemGroup::shouldResizeNaturally() const
{
    return anyMember(theItems_, [](const Item& m) { return m.shouldResizeNaturally(); });
}

bool ItemGroup::hasRunaroundMembers() const
{
    return anyMember(theItems_, [](const Item& m) {
        const auto* group = dynamic_cast<const ItemGroup*>(&m);
        return m.hasRunaround() || (group && group->hasRunaroundMembers());
    });
}

void ItemGroup::getHorizontalDeltas(const Item* column, kit::Point p1, kit::Point p2, kit::Point p3, kit::Point p4,
                                    float* leftDelta, float* rightDelta) const
{
    if (hasRunaround()) {
        Item::getHorizontalDeltas(column, p1, p2, p3, p4, leftDelta, rightDelta);
        return;
    }
    float left = 0.0f, right = 0.0f;
    for (const auto& member : theItems_) {
        if (!member->hasRunaround())
            continue;
        float l = 0.0f, r = 0.0f;
        member->getHorizontalDeltas(column, p1, p2, p3, p4, &l, &r);
        left = std::max(left, l);
        right = std::max(right, r);
    }
    if (leftDelta)
        *leftDelta = left;
    if (rightDelta)
        *rightDelta = right;
}

// ---- Hit tests.

bool ItemGroup::isHitAt(kit::Point point, const DocumentView* view) const
{
    hitItem_.reset();
    if (!Item::isHitAt(point, view))
        return false;
    const bool crops = doesCrop();
    Item* cropping = nullptr;
    for (auto at = theItems_.rbegin(); at != theItems_.rend(); ++at) {
        Item* member = at->get();
        if (!member->isHitAt(point, view))
            continue;
        if (crops && member->doesCrop()) {
            // The lowest cropping member hit wins.
            cropping = member;
            continue;
        }
        hitItem_ = member;
        return true;
    }
    if (!cropping)
        return false;
    hitItem_ = cropping;
    return true;
}

bool ItemGroup::isHitInRect(const kit::Rect& rect, const DocumentView* view) const
{
    if (!Item::isHitInRect(rect, view))
        return false;
    const bool crops = doesCrop();
    for (auto at = theItems_.rbegin(); at != theItems_.rend(); ++at) {
        if (crops && !(*at)->doesCrop())
            continue;
        if ((*at)->isHitInRect(rect, view))
            return true;
    }
    return false;
}

// ---- Stored form.

void ItemGroup::encodeWithCoder(kit::Coder& coder) const
{
    Item::encodeWithCoder(coder);
    std::vector<const kit::Object*> members;
    members.reserve(theItems_.size());
    for (const auto& member : theItems_)
        members.push_back(member.get());
    coder.encodeArray(members);
    coder.encodeValuesOfObjCTypes("f", naturalRatio_);
}

kit::Object* ItemGroup::initWithCoder(kit::Coder& coder)
{
    Item::initWithCoder(coder);
    kit::Object* list = coder.decodeObject();
    const auto* array = dynamic_cast<const kit::Array*>(list);
    if (list && !array)
        throw kit::Exception(kit::ArchiverArchiveInconsistencyException,
                             "ItemGroup: the member list is a " + list->className());
    std::vector<Item*> members;
    if (kit::isCurrentFileVersion(coder.openFileVersion())) {
        for (kit::Object* element : array ? array->objects() : std::vector<kit::Object*>{}) {
            if (auto* item = dynamic_cast<Item*>(element))
                members.push_back(item);
            else if (element)
                throw kit::Exception(kit::ArchiverArchiveInconsistencyException,
                                     "ItemGroup: a member is a " + element->className());
        }
    } else {
        members = initWithNXList<Item>(array);
    }
    theItems_.clear();
    // Claiming refuses an item listed twice and a group inside itself.
    for (Item* member : members)
        theItems_.push_back(std::shared_ptr<Item>(coder.claim<Item>(member, *this)));
    if (nestingDepth() > MaxNesting)
        throw kit::Exception(kit::ArchiverArchiveInconsistencyException,
                             "ItemGroup: groups nested deeper than " + std::to_string(MaxNesting));
    coder.decodeValuesOfObjCTypes("f", &naturalRatio_);
    if (!std::isfinite(naturalRatio_) || naturalRatio_ == 0.0f)
        naturalRatio_ = ratioOf(frame_.size);
    hitItem_.reset();
    return this;
}
