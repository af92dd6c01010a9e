// The word processor's document: its fixed guides and their drag rules,
// paper changes, and the master text columns between the margins.

#include "app/ScrivlyDocument.h"

#include "app/ScrivlyPreferences.h"
#include "appkit/ScrollView.h"
#include "appkit/Window.h"
#include "core/Archiver.h"
#include "document/DocumentDelegate.h"
#include "document/DocumentWindowView.h"
#include "document/Guide.h"
#include "document/Page.h"
#include "items/TextItem.h"
#include "text/DocumentView.h"
#include "foundation/Preferences.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWordSpecial.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace {

struct GuideDefault {
    float location;
    char orientation;
};

// Locations of a new document's guides, points from the page's top or left.
constexpr GuideDefault guideDefaults[ScrivlyDocument::GuideSlotCount] = {
    {36.0f, Guide::Horizontal}, {756.0f, Guide::Horizontal}, {72.0f, Guide::Horizontal},
    {720.0f, Guide::Horizontal}, {72.0f, Guide::Vertical},    {540.0f, Guide::Vertical},
    {70.0f, Guide::Horizontal},  {722.0f, Guide::Horizontal},
};

TextItem* frameOfMarker(const TextWordSpecial* marker)
{
    return marker ? dynamic_cast<TextItem*>(marker->heldItem().get()) : nullptr;
}

} // namespace

ScrivlyDocument::ScrivlyDocument(const Preferences* preferences) : LayoutDocument(preferences) {}


ScrivlyDocument::~ScrivlyDocument() = default;

void ScrivlyDocument::initialize()
{
    LayoutDocument::initialize();
    kit::ClassRegistry::registerClass("ScrivlyDocument", 0, [] {
        return std::unique_ptr<kit::Object>(new ScrivlyDocument(documentPreferences()));
    });
}

std::unique_ptr<LayoutDocument> ScrivlyDocument::makeDocument() const
{
    return std::make_unique<ScrivlyDocument>(preferences());
}

const std::vector<std::string>& ScrivlyDocument::standardAlienTypes()
{
    static const std::vector<std::string> types = {"rtf", "RTF", "rtfd", "RTFD", "icf", "ICF"};
    return types;
}

bool ScrivlyDocument::_canInitOtherType(const std::string& extension) const
{
    return extension == "lvb" || extension == "lvt";
}

LayoutDocument* ScrivlyDocument::_initFromOtherTypeFile(const std::string& path, bool view, bool forRevert)
{
    LayoutDocument reader(preferences());
    return reader.initFromFile(path, view, forRevert);
}

const ScrivlyPreferences* ScrivlyDocument::scrivlyPreferences() const
{
    return dynamic_cast<const ScrivlyPreferences*>(preferences());
}

// ---- Set-up.

void ScrivlyDocument::setup()
{
    LayoutDocument::setup();
    LayoutDocument::setShowTextRects(false);
    const ScrivlyPreferences* prefs = scrivlyPreferences();
    LayoutDocument::setShowGuides(prefs ? prefs->marginLines() : true);
    setSnapToGuides(false);
    setVisibilityOfElements(0);

    makeMissingGuides();
    guideList_.clear();
    for (const auto& guide : masterGuides())
        if (guideList_.size() < GuideSlotCount)
            guideList_.emplace_back(guide.get());
    setPartners();

    // A stored count or gutter that cannot be laid out is put right.
    const int wanted = std::clamp(columnCount_, 1, MaxColumnCount);
    float gutter = std::isfinite(columnGutterWidth_) ? std::max(columnGutterWidth_, 0.0f) : 18.0f;
    const bool edited = isEdited();

    const bool made = !mainTextItem();
    if (made) {
        auto item = std::make_shared<TextItem>();
        item->setTextType(1);
        item->setAutoFlowText(true);
        item->setMasterFlags(3);
        item->setColumnSeries(1);
        mainTextItem_ = item.get();
        addMasterItem(std::move(item));
    }
    // The columns there really are; the count stored may say otherwise.
    columnCount_ = std::max<int>(1, int(masterColumns().size()));
    columnGutterWidth_ = gutter;
    resizeMasterTextItems();
    if (made && !pages().empty()) {
        Page* first = pages().front().get();
        pushMasterTextItems(this, first);
        // (The copy's flow has the body font: see Page::pushTextMaster.)
        if (TextItem* main = mainTextItemForPage(first))
            main->setName(std::string("MainText"));
    }
    int count = wanted;
    while (count > 1 && !acceptsColumns(count, gutter))
        --count;
    if (!acceptsColumns(count, gutter))
        gutter = 0.0f;
    if (count != columnCount_)
        resetDocumentColumnCount(count, gutter);
    // Completing the document is no change of the user's.
    if (!edited)
        setEdited(false);
    convertPendingOldHeaders();
}

void ScrivlyDocument::makeMissingGuides()
{
    const std::size_t had = masterGuides().size();
    for (std::size_t slot = had; slot < GuideSlotCount; ++slot) {
        float location = guideDefaults[slot].location;
        if (had >= 4 && slot == HeaderBottomSlot)
            location = masterGuides()[TopMarginSlot]->location() - 2.0f;
        else if (had >= 4 && slot == FooterTopSlot)
            location = masterGuides()[BottomMarginSlot]->location() + 2.0f;
        auto guide = std::make_unique<Guide>(location, guideDefaults[slot].orientation);
        addMasterGuide(std::move(guide));
    }
    for (const auto& guide : masterGuides())
        guide->setDelegate(this);
}

void ScrivlyDocument::setPartners()
{
    // A dragged guide moves its partner: the margins take the inner edges
    // of the header and footer with them, those take the outer ones.
    const std::pair<int, int> partners[] = {{TopMarginSlot, HeaderBottomSlot},
                                            {HeaderBottomSlot, HeaderTopSlot},
                                            {BottomMarginSlot, FooterTopSlot},
                                            {FooterTopSlot, FooterBottomSlot}};
    for (const auto& [slot, partner] : partners)
        if (Guide* guide = guideAt(slot))
            guide->setPartner(guideAt(partner));
}

void ScrivlyDocument::emptyDocument()
{
    LayoutDocument::emptyDocument();
    guideList_.clear();
    mainTextItem_ = nullptr;
}

void ScrivlyDocument::transformToNewUntitled()
{
    const ScrivlyPreferences* prefs = scrivlyPreferences();
    setFileFormat(prefs && prefs->saveFormat() ? *prefs->saveFormat() : std::string());
    LayoutDocument::transformToNewUntitled();
}

// ---- Guides.

Guide* ScrivlyDocument::guideAt(int slot) const
{
    if (slot < 0 || std::size_t(slot) >= guideList_.size())
        return nullptr;
    return guideList_[std::size_t(slot)].get();
}

float ScrivlyDocument::locationAt(int slot) const
{
    const Guide* guide = guideAt(slot);
    return guide ? guide->location() : 0.0f;
}

void ScrivlyDocument::setLocationAt(int slot, float location)
{
    if (Guide* guide = guideAt(slot))
        guide->setLocation(location);
}

std::vector<Guide*> ScrivlyDocument::guidesForPage(const Page* page) const
{
    std::vector<Guide*> list;
    list.reserve(GuideSlotCount);
    for (int slot : {TopMarginSlot, BottomMarginSlot, LeftMarginSlot, RightMarginSlot})
        if (Guide* guide = guideAt(slot))
            list.push_back(guide);
    const int index = page ? indexOfPage(page) : PageNotFound;
    if (index == PageNotFound)
        return list;
    const auto add = [&](int slot) {
        if (Guide* guide = guideAt(slot))
            list.push_back(guide);
    };
    if (headerItemForPageNumber(index + 1)) {
        add(HeaderTopSlot);
        add(HeaderBottomSlot);
    }
    if (footerItemForPageNumber(index + 1)) {
        add(FooterTopSlot);
        add(FooterBottomSlot);
    }
    return list;
}

void ScrivlyDocument::getHeaderFrame(kit::Rect* rect) const
{
    *rect = kit::makeRect(leftMargin(), headerTopLocation(), rightMargin() - leftMargin(),
                          headerBottomLocation() - headerTopLocation());
}

void ScrivlyDocument::getFooterFrame(kit::Rect* rect) const
{
    *rect = kit::makeRect(leftMargin(), footerTopLocation(), rightMargin() - leftMargin(),
                          footerBottomLocation() - footerTopLocation());
}

bool ScrivlyDocument::guideWillDrag(Guide* guide, kit::Point fromPoint, kit::Rect* inRect, bool isNew)
{
    if (isNew || !guide)
        return false;
    int slot = -1;
    for (int i = 0; i < int(guideList_.size()); ++i)
        if (guideList_[std::size_t(i)].get() == guide)
            slot = i;
    if (slot < 0)
        return false;
    kit::Point point = fromPoint;
    if (Page* page = activePage())
        page->convertToPage(&point);
    if (guide->orientation() == Guide::Horizontal) {
        // Clicks over the text area belong to the text.
        if (point.x >= leftMargin() - 2.0f && point.x <= rightMargin() + 2.0f)
            return false;
    } else {
        const float upper = headers().empty() ? topMargin() : headerTopLocation();
        const float lower = footers().empty() ? bottomMargin() : footerBottomLocation();
        if (point.y >= upper - 2.0f && point.y <= lower + 2.0f)
            return false;
    }
    if (inRect)
        calcDragRect(inRect, slot);
    return true;
}

void ScrivlyDocument::guideDidDrag(Guide* guide, bool willFree)
{
    (void)guide, (void)willFree;
    resizeMasterTextItems();
}

void ScrivlyDocument::calcDragRect(kit::Rect* rect, int slot) const
{
    *rect = kit::Rect{};
    const kit::Size paper = paperRect().size;
    const bool hasHeaders = !headers().empty();
    const bool hasFooters = !footers().empty();
    float low = 0.0f;
    float high = 0.0f;
    switch (slot) {
    case HeaderTopSlot:
        high = headerBottomLocation() - 18.0f;
        break;
    case FooterBottomSlot:
        low = footerTopLocation() + 18.0f;
        high = paper.height;
        break;
    case TopMarginSlot:
        low = hasHeaders ? topMargin() - headerTopLocation() : 0.0f;
        high = bottomMargin() - 18.0f;
        break;
    case BottomMarginSlot:
        low = topMargin() + 18.0f;
        high = paper.height - (hasFooters ? footerBottomLocation() - bottomMargin() : 0.0f);
        break;
    case LeftMarginSlot:
        high = rightMargin() - 36.0f;
        break;
    case RightMarginSlot:
        low = leftMargin() + 36.0f;
        high = paper.width;
        break;
    case HeaderBottomSlot:
        low = headerBottomLocation() - headerTopLocation();
        high = topMargin() - 2.0f;
        break;
    case FooterTopSlot:
        low = bottomMargin() + 2.0f;
        high = paper.height - (footerBottomLocation() - footerTopLocation());
        break;
    default:
        return;
    }
    if (slot == LeftMarginSlot || slot == RightMarginSlot) {
        rect->origin.x = low;
        rect->size.width = high - low;
    } else {
        rect->origin.y = low;
        rect->size.height = high - low;
    }
}

// ---- Paper and page layout.

void ScrivlyDocument::paperSizeDidChange(const kit::Rect& newRect, const kit::Rect& oldRect)
{
    repositionGuides(newRect, oldRect);
    resizeMasterTextItems();
}

void ScrivlyDocument::repositionGuides(const kit::Rect& newRect, const kit::Rect& oldRect)
{
    const float width = newRect.size.width;
    const float height = newRect.size.height;
    setLocationAt(RightMarginSlot, width - (oldRect.size.width - rightMargin()));
    for (int slot : {BottomMarginSlot, FooterBottomSlot, FooterTopSlot})
        setLocationAt(slot, height - (oldRect.size.height - locationAt(slot)));
}

void ScrivlyDocument::setupPageLayout(kit::PageLayout* panel, PageLayoutAccessory* accessory, bool* paperFollowsPage)
{
    // The accessory's margin, header and footer fields arrive with the
    // accessory; the framework's set-up stands until then.
    LayoutDocument::setupPageLayout(panel, accessory, paperFollowsPage);
}

void ScrivlyDocument::processPageLayout(PageLayoutAccessory* accessory, bool paperFollowsPage)
{
    const kit::Rect old = paperRect();
    LayoutDocument::processPageLayout(accessory, paperFollowsPage);
    const kit::Rect now = paperRect();
    if (now.size.width != old.size.width || now.size.height != old.size.height)
        paperSizeDidChange(now, old);
}

void ScrivlyDocument::setShowGuides(bool flag)
{
    LayoutDocument::setShowTextRects(columnCount_ > 1 && flag);
    LayoutDocument::setShowGuides(flag);
}

// ---- Main text and columns.

TextItem* ScrivlyDocument::mainTextItem() const { return mainTextItem_.get(); }

void ScrivlyDocument::setMainTextItem(TextItem* item) { mainTextItem_ = item; }

TextItem* ScrivlyDocument::mainTextItemForPage(Page* page) const
{
    const TextItem* main = mainTextItem();
    if (!page || !main)
        return nullptr;
    for (const auto& item : page->pageItems())
        if (auto* column = dynamic_cast<TextItem*>(item.get()); column && column->myMaster() == main)
            return column;
    return nullptr;
}

std::vector<TextItem*> ScrivlyDocument::masterColumns() const
{
    std::vector<TextItem*> chain;
    std::unordered_set<const TextItem*> seen;
    std::unordered_set<const Item*> masters;
    for (const auto& item : masterItems())
        masters.insert(item.get());
    // Only master items of this document, each once: a damaged chain ends
    // where it leaves them or turns back.
    for (TextItem* at = mainTextItem(); at && masters.count(at) && seen.insert(at).second; at = at->nextColumn())
        chain.push_back(at);
    return chain;
}

bool ScrivlyDocument::setColumnCount(int count)
{
    const bool kept = count >= 1 && count <= MaxColumnCount;
    if (kept)
        columnCount_ = count;
    LayoutDocument::setShowTextRects(columnCount_ > 1 && showGuides());
    return kept;
}

bool ScrivlyDocument::acceptsColumns(int count, float gutter) const
{
    if (count < 1 || count > MaxColumnCount || !std::isfinite(gutter) || gutter < 0.0f)
        return false;
    const float width = rightMargin() - leftMargin() - gutter * float(count - 1);
    return width / float(count) >= MinColumnWidth;
}

TextItem* ScrivlyDocument::newMasterColumn(int series) const
{
    auto* column = new TextItem();
    column->setTextType(1);
    column->setColumnSeries(series);
    column->setMasterFlags(3);
    column->setAutoFlowText(true);
    return column;
}

void ScrivlyDocument::resizeMasterTextItems()
{
    float width = rightMargin() - leftMargin();
    if (width < 0.0f) {
        setLocationAt(RightMarginSlot, leftMargin() + 72.0f);
        width = 72.0f;
    }
    float height = bottomMargin() - topMargin();
    if (height < 0.0f) {
        setLocationAt(BottomMarginSlot, topMargin() + 72.0f);
        height = 72.0f;
    }
    if (TextItem* main = mainTextItem()) {
        main->moveTo(leftMargin(), topMargin(), false);
        main->sizeTo(width, height, false);
    }
    float headerHeight = headerBottomLocation() - headerTopLocation();
    if (headerHeight < 0.0f) {
        setLocationAt(HeaderTopSlot, headerBottomLocation() - 18.0f);
        headerHeight = 18.0f;
    }
    for (const TextWordSpecial* marker : headers())
        if (TextItem* frame = frameOfMarker(marker)) {
            frame->moveTo(leftMargin(), headerTopLocation(), false);
            frame->sizeTo(width, headerHeight, false);
        }
    float footerHeight = footerBottomLocation() - footerTopLocation();
    if (footerHeight < 0.0f) {
        setLocationAt(FooterBottomSlot, footerTopLocation() + 18.0f);
        footerHeight = 18.0f;
    }
    for (const TextWordSpecial* marker : footers())
        if (TextItem* frame = frameOfMarker(marker)) {
            frame->moveTo(leftMargin(), footerTopLocation(), false);
            frame->sizeTo(width, footerHeight, false);
        }
    kit::Rect header;
    kit::Rect footer;
    getHeaderFrame(&header);
    getFooterFrame(&footer);
    setHeaderFrame(header);
    setFooterFrame(footer);
    resizePageTextItems();
}

void ScrivlyDocument::resizePageTextItems()
{
    // Margins that moved in may leave the count no room: fewer columns,
    // never columns of no width.
    int count = columnCount_;
    while (count > 1 && !acceptsColumns(count, columnGutterWidth_))
        --count;
    const float gutter = acceptsColumns(count, columnGutterWidth_) ? columnGutterWidth_ : 0.0f;
    resetDocumentColumnCount(count, gutter);
}

bool ScrivlyDocument::resetDocumentColumnCount(int count, float gutter)
{
    TextItem* main = mainTextItem();
    if (!main || !acceptsColumns(count, gutter))
        return false;
    const int old = columnCount_;
    bool resumeEditing = false;
    DocumentView* editing = nullptr;
    if (count != old || gutter != columnGutterWidth_) {
        editing = mainView();
        if (editing && editing->isEditing()) {
            LayoutDocument::toggleTextEditing(editing);
            resumeEditing = true;
        }
        setEdited(true);
    }

    const float width = (rightMargin() - leftMargin() - gutter * float(count - 1)) / float(count);
    const float top = topMargin();
    const float height = bottomMargin() - topMargin();
    std::vector<TextItem*> existing = masterColumns();
    TextItem* previous = nullptr;
    for (int i = 0; i < count; ++i) {
        TextItem* column = nullptr;
        if (std::size_t(i) < existing.size()) {
            column = existing[std::size_t(i)];
        } else {
            std::shared_ptr<TextItem> made(newMasterColumn(main->columnSeries()));
            column = made.get();
            if (previous)
                previous->joinColumn(column);
            addMasterItem(std::move(made));
        }
        column->moveTo(leftMargin() + float(i) * (width + gutter), top, false);
        column->sizeTo(width, height, false);
        for (const auto& page : pages())
            page->pushTextMaster(this, column, true);
        previous = column;
    }
    for (std::size_t i = std::size_t(count); i < existing.size(); ++i) {
        TextItem* column = existing[i];
        for (const auto& page : pages())
            page->popTextMaster(column);
        column->removeFromTextFlowAndRecompute(false);
        removeMasterItem(column);
    }
    if (previous)
        previous->setNextColumn(nullptr);

    setColumnCount(count);
    setColumnGutterWidth(gutter);
    if (!pages().empty())
        if (TextItem* first = mainTextItemForPage(pages().front().get()))
            recomputeFromTextItem(first);
    notifyUpdate(mainView(), static_cast<const std::vector<kit::Object*>*>(nullptr));
    if (resumeEditing && editing)
        LayoutDocument::toggleTextEditing(editing);
    return true;
}

bool ScrivlyDocument::keepsItemOnDelete(const Item* item) const
{
    if (!item || getEditingLayer() != MasterLayer)
        return false;
    for (const TextItem* column : masterColumns())
        if (column == item)
            return true;
    return false;
}

// ---- Views.

void ScrivlyDocument::resetWithView(kit::ScrollView* scrollView, int pageNumber, bool forceToScreen)
{
    if (!scrollView)
        return;
    scrollView->tile();
    for (TextFlow* flow : flows())
        flow->recomputeAll();
    kit::View* shown = scrollView->documentView();
    kit::Window* window = scrollView->window();
    if (window) {
        if (forceToScreen) {
            window->display();
            window->makeKeyAndOrderFront(nullptr);
            window->makeFirstResponder(shown);
        } else {
            window->orderOut(nullptr);
        }
    }
    if (auto* placed = dynamic_cast<DocumentWindowView*>(shown)) {
        placed->registerWindow();
        placed->showPageNumber(pageNumber);
    }
    if (auto* view = dynamic_cast<DocumentView*>(shown))
        view->notifyUpdateUnits();
}

void ScrivlyDocument::toggleTextEditing(DocumentView* view)
{
    if (!view)
        return;
    if (!view->isEditing() && !lastActiveTextFlow()) {
        Page* page = activePage();
        if (!page && !pages().empty())
            page = pages().front().get();
        if (TextItem* main = mainTextItemForPage(page)) {
            view->beginEditingItem(main);
            return;
        }
    }
    LayoutDocument::toggleTextEditing(view);
}
