#include "document/Page.h"

#include "text/GraphicLink.h"

#include "core/Coder.h"
#include "core/Exception.h"
#include "core/Values.h"
#include "document/Guide.h"
#include "document/LayoutDocument.h"
#include "document/PageSet.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/ArrayExtensions.h"
#include "foundation/StyleGraphic.h"
#include "items/Item.h"
#include "items/ItemGroup.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextPoint.h"
#include "text/TextWordSpecial.h"

#include <algorithm>

namespace {

bool inMasterLayer(const LayoutDocument* document)
{
    return document && document->getEditingLayer() == LayoutDocument::MasterLayer;
}

bool usesStyle(const Item& item, const StyleGraphic* style)
{
    const StyleGraphic* own = item.graphicStyle();
    return style && own && own->rootStyle() == style;
}

} // namespace

void Page::initialize()
{
    kit::registerClass<Page>("Page");
    PageSet::initialize();
    Guide::initialize();
}

Page::Page() = default;

// Items that go with the page no longer see it as theirs.
Page::~Page() { expireWeakLinks(); }

void Page::convertToView(kit::Point* point) const
{
    if (!point)
        return;
    point->x += pageRect_.origin.x;
    point->y += pageRect_.origin.y;
}

void Page::convertToPage(kit::Point* point) const
{
    if (!point)
        return;
    point->x -= pageRect_.origin.x;
    point->y -= pageRect_.origin.y;
}

std::vector<Item*> Page::items() const
{
    std::vector<Item*> list;
    const auto& source = inMasterLayer(document_) ? document_->masterItems() : theItems_;
    list.reserve(source.size());
    for (const auto& item : source)
        list.push_back(item.get());
    return list;
}

void Page::addItems(std::shared_ptr<Item> item)
{
    addItems(std::move(item), true);
}

void Page::addItems(std::shared_ptr<Item> item, bool checkRunaround)
{
    std::vector<std::shared_ptr<Item>> one;
    one.push_back(std::move(item));
    addItems(std::move(one), checkRunaround);
}

void Page::addItems(std::vector<std::shared_ptr<Item>> items, bool checkRunaround)
{
    std::vector<Item*> added;
    const bool master = inMasterLayer(document_);
    for (auto& item : items) {
        if (!item)
            continue;
        item->setPage(this);
        added.push_back(item.get());
        if (master) {
            // An item on no page would vanish from every page.
            if (item->masterFlags() == 0)
                item->setMasterFlags(3);
            document_->addMasterItem(std::move(item));
            added.back()->setPage(this);
        } else {
            theItems_.push_back(std::move(item));
        }
    }
    bool overlaps = false;
    for (Item* item : added) {
        if (document_)
            document_->itemAdded(item);
        if (checkRunaround && item->hasRunaround())
            overlaps = handleOverlaps(item, false) || overlaps;
    }
    if (overlaps && document_)
        document_->notifyUpdate(document_->mainView(), nullptr);
}

std::vector<std::shared_ptr<Item>> Page::removeItems(const std::vector<Item*>& items)
{
    std::vector<std::shared_ptr<Item>> removed;
    const bool master = inMasterLayer(document_);
    for (Item* item : items) {
        if (master) {
            // A header, footer or footnote frame stays while its marker is
            // listed: it goes with the marker taken out of the text.
            const auto holds = [item](const TextWordSpecial* marker) { return marker->objectReference() == item; };
            if (std::any_of(document_->headers().begin(), document_->headers().end(), holds) ||
                std::any_of(document_->footers().begin(), document_->footers().end(), holds) ||
                std::any_of(document_->footnotes().begin(), document_->footnotes().end(), holds))
                continue;
            if (auto owned = document_->removeMasterItem(item))
                removed.push_back(std::move(owned));
            continue;
        }
        auto at = std::find_if(theItems_.begin(), theItems_.end(), [&](const auto& i) { return i.get() == item; });
        if (at == theItems_.end())
            continue;
        removed.push_back(std::move(*at));
        theItems_.erase(at);
    }
    bool overlaps = false;
    for (const auto& item : removed) {
        if (document_)
            document_->itemRemoved(item.get());
        if (item->hasRunaround())
            overlaps = handleOverlaps(item.get(), false) || overlaps;
    }
    if (overlaps && document_)
        document_->notifyUpdate(document_->mainView(), nullptr);
    // An item that kept a trailing page of the word processor whose text
    // ended before it kept it no longer.
    if (document_ && !master && !removed.empty()) {
        const int pages = document_->numPages();
        document_->deleteEmptyPages();
        if (document_->numPages() != pages)
            document_->notifyDocumentDidChangeSize();
    }
    return removed;
}

std::vector<std::shared_ptr<Item>>& Page::editedItemList()
{
    return inMasterLayer(document_) ? document_->masterItemList() : theItems_;
}

// No flows are laid out onto pages yet: there is nothing to lay out again.
bool Page::handleOverlaps(Item* item, bool display)
{
    (void)item;
    // Every flow on the page is re-laid once, from its frame on this page
    // whose text starts first.
    std::vector<std::pair<TextFlow*, TextItem*>> firsts;
    for (Item* each : items()) {
        auto* frame = dynamic_cast<TextItem*>(each);
        TextFlow* flow = frame ? frame->flow() : nullptr;
        if (!flow)
            continue;
        auto seen = std::find_if(firsts.begin(), firsts.end(), [&](const auto& f) { return f.first == flow; });
        if (seen == firsts.end())
            firsts.emplace_back(flow, frame);
        else if (frame->startParagraph() != -1 && TextPointCmp(&frame->startPoint(), &seen->second->startPoint()) < 0)
            seen->second = frame;
        flow->dirtyInItem(frame);
    }
    for (const auto& [flow, frame] : firsts)
        frame->recompute();
    // A burst of overlap changes redraws the page numbers once, shortly.
    if (display && document_)
        document_->notifyUpdatePageNumberLater();
    return true;
}

void Page::itemDidChange(Item* item)
{
    if (overlapsHeld_ > 0)
        overlapsWanted_ = true;
    else
        handleOverlaps(item, true);
}

void Page::releaseOverlaps()
{
    if (overlapsHeld_ > 0 && --overlapsHeld_ == 0 && overlapsWanted_) {
        overlapsWanted_ = false;
        handleOverlaps(nullptr, true);
    }
}

OverlapsHeld::OverlapsHeld(const std::vector<Item*>& items)
{
    for (Item* item : items)
        if (Page* page = item ? item->page() : nullptr;
            page && std::find(pages_.begin(), pages_.end(), page) == pages_.end()) {
            page->holdOverlaps();
            pages_.emplace_back(page);
        }
}

OverlapsHeld::~OverlapsHeld()
{
    for (const auto& page : pages_)
        if (Page* p = page.get())
            p->releaseOverlaps();
}

std::vector<Item*> Page::runaroundItemsFor(const Item* item) const
{
    std::vector<Item*> found;
    auto at = std::find_if(theItems_.begin(), theItems_.end(), [&](const auto& i) { return i.get() == item; });
    if (at == theItems_.end())
        return found;
    // A group combines its members' runaround itself.
    for (++at; at != theItems_.end(); ++at)
        if (const auto* group = dynamic_cast<const ItemGroup*>(at->get());
            (*at)->hasRunaround() || (group && group->hasRunaroundMembers()))
            found.push_back(at->get());
    // A copy of a master frame also flows around the master items stacked
    // above its master that appear on this page.
    const auto* frame = dynamic_cast<const TextItem*>(item);
    const auto* master = frame ? dynamic_cast<const TextItem*>(frame->myMaster()) : nullptr;
    if (!master || !document_)
        return found;
    const auto& masters = document_->masterItems();
    auto from = std::find_if(masters.begin(), masters.end(), [&](const auto& i) { return i.get() == master; });
    if (from == masters.end())
        return found;
    const int number = absolutePageNumber();
    const int layer = document_->getEditingLayer();
    for (++from; from != masters.end(); ++from)
        if ((*from)->hasRunaround() && (*from)->canAppearOnPageNumber(number, layer))
            found.push_back(from->get());
    return found;
}

std::vector<Guide*> Page::activeGuides() const
{
    std::vector<Guide*> list;
    const auto& source = inMasterLayer(document_) ? document_->masterGuides() : guides_;
    for (const auto& guide : source)
        list.push_back(guide.get());
    return list;
}

Item* Page::hitAt(kit::Point point, const DocumentView* view, std::string_view memberOf)
{
    if (!kit::mouseInRect(point, pageRect_, true))
        return nullptr;
    convertToPage(&point);
    auto qualifies = [&](const Item& item) {
        return (memberOf.empty() || item.className() == memberOf) && item.isHitAt(point, view);
    };
    if (!inMasterLayer(document_)) {
        for (auto at = theItems_.rbegin(); at != theItems_.rend(); ++at)
            if (qualifies(**at))
                return at->get();
        return nullptr;
    }
    const int number = absolutePageNumber();
    const auto& masters = document_->masterItems();
    for (auto at = masters.rbegin(); at != masters.rend(); ++at)
        if (qualifies(**at) && (*at)->canAppearOnPageNumber(number, LayoutDocument::MasterLayer)) {
            (*at)->setPage(this);
            return at->get();
        }
    return nullptr;
}

std::vector<Item*> Page::hitInRect(const kit::Rect& rect, const DocumentView* view)
{
    std::vector<Item*> hits;
    if (kit::isEmptyRect(kit::intersectionRect(rect, pageRect_)))
        return hits;
    kit::Rect inPage = rect;
    convertToPage(&inPage.origin);
    const bool master = inMasterLayer(document_);
    const int number = master ? absolutePageNumber() : 0;
    const auto& source = master ? document_->masterItems() : theItems_;
    for (const auto& item : source) {
        if (!item->isHitInRect(inPage, view))
            continue;
        if (master) {
            if (!item->canAppearOnPageNumber(number, LayoutDocument::MasterLayer))
                continue;
            item->setPage(this);
        }
        hits.push_back(item.get());
    }
    return hits;
}

Item* Page::hitKnobAt(kit::Point point, const DocumentView* view, int* knob)
{
    if (!document_)
        return nullptr;
    convertToPage(&point);
    const auto& selected = document_->selected();
    for (auto at = selected.rbegin(); at != selected.rend(); ++at) {
        const int hit = (*at)->isHitAtKnob(point, view);
        if (hit == -1)
            continue;
        if (knob)
            *knob = hit;
        if ((*at)->masterFlags() != 0)
            (*at)->setPage(this);
        return *at;
    }
    return nullptr;
}

Item* Page::hitFill(kit::Point point, const DocumentView* view)
{
    if (!kit::mouseInRect(point, pageRect_, true))
        return nullptr;
    convertToPage(&point);
    for (auto at = theItems_.rbegin(); at != theItems_.rend(); ++at)
        if ((*at)->inFill(point, view))
            return at->get();
    return nullptr;
}

Guide* Page::hitGuideAt(kit::Point point, const DocumentView* view)
{
    (void)view;
    if (!kit::mouseInRect(point, pageRect_, true))
        return nullptr;
    // Guides lie in page coordinates, as when snapping to them.
    convertToPage(&point);
    const kit::Rect square = kit::makeRect(point.x - 2.0f, point.y - 2.0f, 4.0f, 4.0f);
    // Where the document fixes its guides, only those that apply to this page
    // can be picked up, whatever the layer.
    const bool fixedGuides = document_ && Main && Main->prefersAutomaticTextItems();
    for (Guide* guide : fixedGuides ? document_->guidesForPage(this) : activeGuides()) {
        const bool horizontal = guide->orientation() == Guide::Horizontal;
        const kit::Point on = horizontal ? kit::Point{point.x, guide->location()} : kit::Point{guide->location(), point.y};
        if (kit::mouseInRect(on, square, false))
            return guide;
    }
    return nullptr;
}

bool Page::setCursorRectInView(DocumentView* view)
{
    for (const auto& item : theItems_)
        item->setCursorRectInView(view);
    return true;
}

void Page::addGuide(std::unique_ptr<Guide> guide)
{
    if (!guide)
        return;
    if (inMasterLayer(document_))
        document_->addMasterGuide(std::move(guide));
    else
        guides_.push_back(std::move(guide));
}

std::unique_ptr<Guide> Page::removeGuide(Guide* guide)
{
    if (inMasterLayer(document_))
        return document_->removeMasterGuide(guide);
    auto at = std::find_if(guides_.begin(), guides_.end(), [&](const auto& g) { return g.get() == guide; });
    if (at == guides_.end())
        return nullptr;
    std::unique_ptr<Guide> removed = std::move(*at);
    guides_.erase(at);
    if (document_)
        document_->forgetPartnerLinksTo(removed.get());
    else
        forgetPartnerLinks(guides_, removed.get());
    return removed;
}

int Page::absolutePageNumber() const
{
    const int i = document_ ? document_->indexOfPage(this) : LayoutDocument::PageNotFound;
    return i == LayoutDocument::PageNotFound ? 0 : i + 1;
}

int Page::relativePageNumber() const
{
    const int i = document_ ? document_->indexOfPage(this) : LayoutDocument::PageNotFound;
    return i == LayoutDocument::PageNotFound ? 0 : document_->numberOfIndex(i);
}

bool Page::isDirty() const
{
    return std::any_of(theItems_.rbegin(), theItems_.rend(), [](const auto& i) { return i->isDirty(); });
}

void Page::resolveLinks()
{
    std::erase_if(theItems_, [](const auto& item) {
        return item->frame().size.width == 0.0f && item->frame().size.height == 0.0f;
    });
    for (const auto& item : theItems_) {
        item->resolveInDocument(document_);
        if (document_)
            document_->linksInfo().addLink(item.get());
    }
}

void Page::checkFiles(std::vector<GraphicLink*>& list, DocumentView* view, const kit::Rect& rect,
                      const kit::Rect& update)
{
    if (!kit::intersectsRect(pageRect_, rect))
        return;
    const kit::Rect onPage = kit::offsetRect(rect, -pageRect_.origin.x, -pageRect_.origin.y);
    const int layer = document_ ? document_->getEditingLayer() : LayoutDocument::PagesLayer;
    for (std::size_t i = list.size(); i-- > 0;) {
        GraphicLink* link = list[i];
        const Item* item = link ? link->linkItem() : nullptr;
        if (!item || !link->needsChecking())
            continue;
        const bool here = item->masterFlags() == 0 ? link->linkPage() == this
                                                    : item->canAppearOnPageNumber(absolutePageNumber(), layer);
        if (here && !link->checkSelfInView(view, onPage, update))
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void Page::audit(int indent) const
{
    for (const auto& item : theItems_)
        item->audit(indent);
}

void Page::notifyUpdateForGraphicStyle(const StyleGraphic* style)
{
    for (auto it = theItems_.rbegin(); it != theItems_.rend(); ++it)
        if (usesStyle(**it, style))
            (*it)->unlocalizeGraphicStyle();
}

void Page::removeGraphicStyle(const StyleGraphic* style)
{
    for (auto it = theItems_.rbegin(); it != theItems_.rend(); ++it)
        if (usesStyle(**it, style))
            (*it)->removeGraphicStyle(style);
}

void Page::encodeWithCoder(kit::Coder& coder) const
{
    // A back reference when the document is the archive's root; nil in
    // copies of pages.
    coder.encodeConditionalObject(document_);
    std::vector<const kit::Object*> items;
    for (const auto& item : theItems_)
        items.push_back(item.get());
    coder.encodeArray(items);
    std::vector<const kit::Object*> guides;
    for (const auto& guide : guides_)
        guides.push_back(guide.get());
    coder.encodeArray(guides);
    coder.encodeRect(pageRect_);
    const char collapsed = collapsed_ ? 1 : 0;
    coder.encodeValuesOfObjCTypes("c", collapsed);
}

namespace {

// The elements of an old-style list unit (files below 3.0), each claimed by
// the page; nil gives none.
template <class T>
std::vector<std::unique_ptr<T>> decodeOldList(kit::Coder& coder, const Page& page)
{
    std::vector<std::unique_ptr<T>> owned;
    kit::Object* object = coder.decodeObject();
    if (!object)
        return owned;
    const auto* list = dynamic_cast<const kit::Array*>(object);
    if (!list)
        kit::Exception::raise(kit::ArchiverArchiveInconsistencyException,
                              "a page's old list is a " + object->className());
    for (T* element : initWithNXList<T>(list))
        owned.push_back(coder.claim<T>(element, page));
    return owned;
}

// Files below 2.2 keep guides as two counts of locations, horizontal ones
// first.
std::vector<std::unique_ptr<Guide>> decodeOldGuideLocations(kit::Coder& coder)
{
    short horizontal = 0;
    short vertical = 0;
    coder.decodeValuesOfObjCTypes("ss", &horizontal, &vertical);
    if (horizontal < 0 || vertical < 0)
        kit::Exception::raise(kit::ArchiverArchiveInconsistencyException,
                              "a page stores " + std::to_string(horizontal) + " and " + std::to_string(vertical) +
                                  " guides");
    const std::size_t count = std::size_t(horizontal) + std::size_t(vertical);
    const std::vector<float> locations = count ? coder.decodeVectorOfObjCType<float>("f", count) : std::vector<float>{};
    std::vector<std::unique_ptr<Guide>> guides;
    guides.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        guides.push_back(std::make_unique<Guide>(locations[i], i < std::size_t(horizontal) ? Guide::Horizontal
                                                                                          : Guide::Vertical));
    return guides;
}

} // namespace

kit::Object* Page::initWithCoder(kit::Coder& coder)
{
    const float version = coder.openFileVersion();
    if (!kit::isCurrentFileVersion(version))
        return initWithOldCoder(coder, version);
    // The document sets itself after reading.
    if (kit::Object* document = coder.decodeObject(); document && !dynamic_cast<LayoutDocument*>(document))
        kit::Exception::raise(kit::ArchiverArchiveInconsistencyException,
                              "a page's document is a " + document->className());
    std::vector<std::unique_ptr<Item>> items;
    if (auto list = coder.decodeArray())
        for (kit::Object* object : *list)
            if (object)
                items.push_back(coder.claim<Item>(object, *this));
    std::vector<std::unique_ptr<Guide>> guides;
    if (auto list = coder.decodeArray())
        for (kit::Object* object : *list)
            if (object)
                guides.push_back(coder.claim<Guide>(object, *this));
    pageRect_ = coder.decodeRect();
    char collapsed = 0;
    coder.decodeValuesOfObjCTypes("c", &collapsed);
    collapsed_ = (collapsed & 1) != 0;
    adoptDecoded(std::move(items), std::move(guides));
    return this;
}

kit::Object* Page::initWithOldCoder(kit::Coder& coder, float version)
{
    pageRect_ = coder.decodeRect();
    auto items = decodeOldList<Item>(coder, *this);
    auto guides = version >= 2.2f ? decodeOldList<Guide>(coder, *this) : decodeOldGuideLocations(coder);
    if (version >= 2.0f) {
        short flags = 0;
        coder.decodeValueOfObjCType("s", &flags);
        collapsed_ = (flags & 1) != 0;
    } else {
        // The whole flags byte, of which collapsed is the only field.
        char flags = 0;
        coder.decodeValueOfObjCType("c", &flags);
        collapsed_ = (flags & 1) != 0;
    }
    adoptDecoded(std::move(items), std::move(guides));
    return this;
}

void Page::adoptDecoded(std::vector<std::unique_ptr<Item>> items, std::vector<std::unique_ptr<Guide>> guides)
{
    theItems_.assign(std::make_move_iterator(items.begin()), std::make_move_iterator(items.end()));
    guides_ = std::move(guides);
    for (auto it = theItems_.rbegin(); it != theItems_.rend(); ++it) {
        (*it)->setPage(this);
        (*it)->deselect();
    }
}
