// The root of a stored document: the document-wide version, the page and
// numbering settings, the zoom and window frame it was shown with, then its
// units, style sheet, master items and guides, pages, marker lists, named
// items, serial-number table, numbering table and the flow being edited.
// Reading checks the class of every object it keeps and every count before
// it allocates by it; values that cannot be right fall back to defaults, and
// a page size that cannot be right refuses the file.

#include "document/LayoutDocument.h"

#include "core/Alert.h"
#include "core/Coder.h"
#include "core/Exception.h"
#include "core/Values.h"
#include "document/DocumentDelegate.h"
#include "document/Guide.h"
#include "document/Page.h"
#include "foundation/ArrayExtensions.h"
#include "foundation/CommonHelpers.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "foundation/UnitsInfo.h"
#include "graphics/PrintInfo.h"
#include "items/Item.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextPoint.h"
#include "text/TextWordSpecial.h"

#include <algorithm>
#include <cmath>

namespace {

[[noreturn]] void damaged(const std::string& why)
{
    kit::Exception::raise(kit::ArchiverArchiveInconsistencyException, "damaged document: " + why);
}

bool isFinitePositive(float value) { return std::isfinite(value) && value > 0.0f; }

bool isFiniteRect(const kit::Rect& r)
{
    return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
           std::isfinite(r.size.height);
}

template <class T>
std::vector<const kit::Object*> objectsOf(const std::vector<T>& list)
{
    std::vector<const kit::Object*> objects;
    objects.reserve(list.size());
    for (const auto& element : list)
        if (element)
            objects.push_back(&*element);
    return objects;
}

// The elements of a stored list (an array; nil is an empty list), each of
// the class asked for.
template <class T>
std::vector<T*> decodeList(kit::Object* object, const char* what)
{
    if (!object)
        return {};
    const auto* array = dynamic_cast<const kit::Array*>(object);
    if (!array)
        damaged(std::string("a ") + object->className() + " where the " + what + " were stored");
    return initWithNXList<T>(array);
}

// Marker lists hold special words of their own kind only.
std::vector<TextWordSpecial*> decodeMarkers(kit::Object* object, const char* what, int type)
{
    std::vector<TextWordSpecial*> markers = decodeList<TextWordSpecial>(object, what);
    for (const TextWordSpecial* marker : markers)
        if (marker->wordType() != type)
            damaged(std::string("a word of type ") + std::to_string(marker->wordType()) + " among the " + what);
    return markers;
}

// The serial numbers of items in an old hash table or a dictionary: number
// keys, item values.
std::vector<std::pair<int, Item*>> decodeSerialTable(kit::Object* object)
{
    std::vector<std::pair<int, Item*>> table;
    if (!object)
        return table;
    const auto* dictionary = dynamic_cast<const kit::Dictionary*>(object);
    if (!dictionary)
        damaged("a " + object->className() + " where the serial numbers were stored");
    table.reserve(dictionary->count());
    for (std::size_t i = 0; i < dictionary->count(); ++i) {
        const auto* number = dynamic_cast<const kit::Number*>(dictionary->keyAt(i));
        auto* item = dynamic_cast<Item*>(dictionary->objectAt(i));
        if (!number || !item)
            damaged("a serial number entry that is not a number and an item");
        table.emplace_back(number->intValue(), item);
    }
    return table;
}

} // namespace

bool checkVersion(float version)
{
    if (!(version > kit::OpenFileVersionCurrent))
        return true;
    kit::beep();
    return kit::runAlertPanel(documentString("BadDoc"), documentString("BadDocNewVersion"),
                              documentString("OpenAnyway"), documentString("Cancel"), "",
                              {double(version)}) == kit::AlertDefaultReturn;
}

// Every pass of one archive must write the very same objects: the table is
// made again only when the document's table changed.
namespace {

bool tableMatches(const kit::Dictionary* stored, const std::vector<std::pair<int, Item*>>& live)
{
    if (!stored || stored->count() != live.size())
        return false;
    for (std::size_t i = 0; i < live.size(); ++i) {
        const auto* number = dynamic_cast<const kit::Number*>(stored->keyAt(i));
        if (!number || number->intValue() != live[i].first || stored->objectAt(i) != live[i].second)
            return false;
    }
    return true;
}

} // namespace

void LayoutDocument::encodeWithCoder(kit::Coder& coder) const
{
    float zoom = storedZoom_;
    kit::Rect frame = storedWindowFrame_;
    firstViewPlace(&zoom, &frame);

    coder.setOpenFileVersion(kit::OpenFileVersionCurrent);
    const float version = kit::OpenFileVersionCurrent;
    coder.encodeValueOfObjCType("f", &version);
    const char tile = static_cast<char>(tileMode_ & 3);
    const char sided = static_cast<char>(sidedMode_ & 3);
    coder.encodeValuesOfObjCTypes("ssfcciff", firstPageNum_, pageNumberFormat_, pageScale_, tile, sided,
                                  lastItemSerialNumber_, zoom, defaultTabSpacing_);
    coder.encodeSize(pageSize_);
    coder.encodeSize(paperSize_);
    coder.encodeRect(frame);

    coder.encodeObject(unitsInfo_.get());
    coder.encodeObject(styleInfo_.get());
    coder.encodeArray(objectsOf(theMasterItems_));
    coder.encodeArray(objectsOf(masterGuides_));
    coder.encodeArray(objectsOf(pages_));
    coder.encodeArray(objectsOf(headers_));
    coder.encodeArray(objectsOf(footers_));
    coder.encodeArray(objectsOf(footnotes_));
    std::vector<const kit::Object*> named;
    for (const auto& ref : namedItems_)
        if (const Item* item = ref.get())
            named.push_back(item);
    coder.encodeArray(named);

    // Links of other documents to items that are gone are broken now.
    auto* self = const_cast<LayoutDocument*>(this);
    std::erase_if(self->destinationLinks_, [this](const std::string& link) { return !linkedItemAt(link); });

    std::vector<std::pair<int, Item*>> live;
    for (const auto& [number, ref] : serialNumbersToItems_)
        if (Item* item = ref.get())
            live.emplace_back(number, item);
    auto* stored = dynamic_cast<kit::Dictionary*>(storedSerialTable_.get());
    if (!tableMatches(stored, live)) {
        auto table = std::make_unique<kit::Dictionary>();
        for (const auto& [number, item] : live)
            table->setObject(item, std::make_unique<kit::Number>(number));
        storedSerialTable_ = std::move(table);
    }
    coder.encodeObject(storedSerialTable_.get());

    const int count = paragraphNumberingCount();
    coder.encodeValuesOfObjCTypes("i", count);
    for (int level = 1; level <= count; ++level) {
        const NumberingLevel& record = paragraphNumbering_[std::size_t(level)];
        coder.encodeValuesOfObjCTypes("**sscc", record.prefix, record.suffix, record.start, record.width,
                                      record.displayType, record.attachPrevious);
    }

    textPoint point{0, 0, 0};
    if (activeTextFlow_)
        activeTextFlow_->getCurrentTextPoint(&point);
    coder.encodeConditionalObject(activeTextFlow_);
    coder.encodeValuesOfObjCTypes("iii", point.paragraph, point.word, point.letter);
    coder.setOpenFileVersion(kit::OpenFileVersionIdle);
}

namespace {

std::vector<Page*> decodePages(kit::Object* object)
{
    std::vector<Page*> pages = decodeList<Page>(object, "pages");
    // Collapsed runs are made from the pages, never stored among them.
    for (const Page* page : pages)
        if (typeid(*page) != typeid(Page))
            damaged("a " + page->className() + " among the pages");
    return pages;
}

void decodeUnits(kit::Object* object, LayoutDocument::ReadRoot& read)
{
    if (object && !dynamic_cast<UnitsInfo*>(object))
        damaged("a " + object->className() + " where the units were stored");
    read.units = object;
}

void decodeStyles(kit::Object* object, LayoutDocument::ReadRoot& read)
{
    if (object && !dynamic_cast<StyleInfo*>(object))
        damaged("a " + object->className() + " where the style sheet was stored");
    read.styles = object;
}

} // namespace

bool LayoutDocument::readDocumentVersion(kit::Coder& coder)
{
    float version = 0.0f;
    coder.decodeValueOfObjCType("f", &version);
    if (!std::isfinite(version))
        damaged("its version is not a number");
    if (!checkVersion(version))
        return false;
    // An old package's archive is read as the package's version, which the
    // loader sets; its own version says nothing more.
    const float preset = coder.openFileVersion();
    if (preset == kit::OpenFileVersionIdle || kit::isCurrentFileVersion(version))
        coder.setOpenFileVersion(version);
    return true;
}

kit::Object* LayoutDocument::initWithCoder(kit::Coder& coder)
{
    if (!readDocumentVersion(coder))
        return nullptr;
    if (!kit::isCurrentFileVersion(coder.openFileVersion()))
        return initWithOldCoder(coder, coder.openFileVersion());
    return initWithCurrentCoder(coder);
}

kit::Object* LayoutDocument::initWithCurrentCoder(kit::Coder& coder)
{
    char tile = 0;
    char sided = 0;
    float zoom = 1.0f;
    coder.decodeValuesOfObjCTypes("ssfcciff", &firstPageNum_, &pageNumberFormat_, &pageScale_, &tile, &sided,
                                  &lastItemSerialNumber_, &zoom, &defaultTabSpacing_);
    tileMode_ = tile & 3;
    sidedMode_ = sided & 3;
    pageSize_ = coder.decodeSize();
    paperSize_ = coder.decodeSize();
    const kit::Rect frame = coder.decodeRect();
    if (!isFinitePositive(pageSize_.width) || !isFinitePositive(pageSize_.height))
        damaged("its page size is not usable");
    if (!isFinitePositive(paperSize_.width) || !isFinitePositive(paperSize_.height))
        paperSize_ = {};
    if (!isFinitePositive(pageScale_))
        pageScale_ = 0.0f; // set-up takes the printer's scale
    if (!isFinitePositive(defaultTabSpacing_))
        defaultTabSpacing_ = 36.0f;
    readViewPlace(zoom, frame);

    ReadRoot read;
    decodeUnits(coder.decodeObject(), read);
    decodeStyles(coder.decodeObject(), read);
    read.masters = decodeList<Item>(coder.decodeObject(), "master items");
    read.guides = decodeList<Guide>(coder.decodeObject(), "master guides");
    read.pages = decodePages(coder.decodeObject());
    read.headers = decodeMarkers(coder.decodeObject(), "headers", TextWordHeaderMarker);
    read.footers = decodeMarkers(coder.decodeObject(), "footers", TextWordFooterMarker);
    read.footnotes = decodeMarkers(coder.decodeObject(), "footnotes", TextWordFootnoteMarker);
    read.named = decodeList<Item>(coder.decodeObject(), "named items");
    read.serials = decodeSerialTable(coder.decodeObject());
    readNumberingTable(coder);
    read.activeFlow = coder.decodeObject();
    textPoint point{}; // stored, never applied
    coder.decodeValuesOfObjCTypes("iii", &point.paragraph, &point.word, &point.letter);
    adoptReadObjects(coder, read);
    return this;
}

kit::Object* LayoutDocument::initWithOldCoder(kit::Coder& coder, float version)
{
    coder.decodeValueOfObjCType("s", &firstPageNum_);
    coder.decodeValueOfObjCType("s", &pageNumberFormat_);
    pageSize_ = coder.decodeSize();
    paperSize_ = coder.decodeSize();
    coder.decodeValueOfObjCType("f", &pageScale_);
    if (version >= 2.0f) {
        short tile = 0;
        short sided = 0;
        coder.decodeValuesOfObjCTypes("ss", &tile, &sided);
        tileMode_ = tile & 3;
        sidedMode_ = sided & 3;
    } else {
        char modes = 0;
        coder.decodeValueOfObjCType("c", &modes);
        tileMode_ = modes & 3;
        sidedMode_ = (modes >> 2) & 3;
    }
    if (!isFinitePositive(pageSize_.width) || !isFinitePositive(pageSize_.height))
        damaged("its page size is not usable");
    if (!isFinitePositive(paperSize_.width) || !isFinitePositive(paperSize_.height))
        paperSize_ = {};
    if (!isFinitePositive(pageScale_))
        pageScale_ = 0.0f;

    ReadRoot read;
    kit::Object* units = nullptr;
    kit::Object* styles = nullptr;
    coder.decodeValuesOfObjCTypes("@@@", &read.printInfo, &units, &styles);
    if (read.printInfo && !dynamic_cast<kit::PrintInfo*>(read.printInfo))
        damaged("a " + read.printInfo->className() + " where the print settings were stored");
    decodeUnits(units, read);
    decodeStyles(styles, read);
    if (version >= 2.3f) {
        read.masters = decodeList<Item>(coder.decodeObject(), "master items");
        read.pages = decodePages(coder.decodeObject());
    } else {
        read.pages = decodePages(coder.decodeObject());
        read.masters = decodeList<Item>(coder.decodeObject(), "master items");
    }
    if (version < 2.2f) {
        // Guide positions of the oldest files, read and dropped; the rest of
        // the document keeps its first values.
        short horizontal = 0;
        short vertical = 0;
        coder.decodeValuesOfObjCTypes("ss", &horizontal, &vertical);
        if (horizontal < 0 || vertical < 0)
            damaged("a negative count of guides");
        const std::size_t count = std::size_t(horizontal) + std::size_t(vertical);
        if (count)
            (void)coder.decodeVectorOfObjCType<float>("f", count);
        adoptReadObjects(coder, read);
        return this;
    }
    read.guides = decodeList<Guide>(coder.decodeObject(), "master guides");
    if (version >= 2.21f)
        readObjectLinks(coder, read);
    if (version >= 2.52f) {
        const kit::Rect frame = coder.decodeRect();
        float zoom = 1.0f;
        textPoint point{};
        coder.decodeValuesOfObjCTypes("f@iii", &zoom, &read.activeFlow, &point.paragraph, &point.word,
                                      &point.letter);
        readViewPlace(zoom, frame);
        read.named = decodeList<Item>(coder.decodeObject(), "named items");
    }
    if (version >= 2.6f) {
        coder.decodeValuesOfObjCTypes("f", &defaultTabSpacing_);
        readNumberingTable(coder);
        read.headers = decodeMarkers(coder.decodeObject(), "headers", TextWordHeaderMarker);
        read.footers = decodeMarkers(coder.decodeObject(), "footers", TextWordFooterMarker);
        read.footnotes = decodeMarkers(coder.decodeObject(), "footnotes", TextWordFootnoteMarker);
    } else {
        defaultTabSpacing_ = 36.0f;
    }
    if (!isFinitePositive(defaultTabSpacing_))
        defaultTabSpacing_ = 36.0f;
    adoptReadObjects(coder, read);
    return this;
}

std::vector<Item*> LayoutDocument::decodeItemList(kit::Object* object, const char* what)
{
    return decodeList<Item>(object, what);
}

std::vector<Guide*> LayoutDocument::decodeGuideList(kit::Object* object)
{
    return decodeList<Guide>(object, "master guides");
}

std::vector<Page*> LayoutDocument::decodePageList(kit::Object* object) { return decodePages(object); }

std::vector<TextWordSpecial*> LayoutDocument::decodeMarkerList(kit::Object* object, const char* what, int type)
{
    return decodeMarkers(object, what, type);
}

void LayoutDocument::decodeUnitsAndStyles(kit::Object* units, kit::Object* styles, ReadRoot& read)
{
    decodeUnits(units, read);
    decodeStyles(styles, read);
}

void LayoutDocument::setPageAndPaperSize(const kit::Size& page, const kit::Size& paper)
{
    pageSize_ = page;
    paperSize_ = paper;
    if (!isFinitePositive(pageSize_.width) || !isFinitePositive(pageSize_.height))
        damaged("its page size is not usable");
    if (!isFinitePositive(paperSize_.width) || !isFinitePositive(paperSize_.height))
        paperSize_ = {};
}

void LayoutDocument::readObjectLinks(kit::Coder& coder)
{
    ReadRoot read;
    readObjectLinks(coder, read);
    for (const auto& [number, item] : read.serials) {
        serialNumbersToItems_[number] = item;
        item->setItemSerialNumber(number);
    }
}

void LayoutDocument::readObjectLinks(kit::Coder& coder, ReadRoot& read)
{
    kit::Object* table = nullptr;
    coder.decodeValuesOfObjCTypes("@i", &table, &lastItemSerialNumber_);
    read.serials = decodeSerialTable(table);
}

void LayoutDocument::readViewPlace(float zoom, const kit::Rect& frame)
{
    storedZoom_ = std::isfinite(zoom) && zoom >= 0.1f && zoom <= 16.0f ? zoom : 1.0f;
    // A frame off the screen is put back on it when the window is made.
    storedWindowFrame_ = isFiniteRect(frame) ? frame : kit::Rect{};
    hasStoredPlace_ = true;
}

void LayoutDocument::readNumberingTable(kit::Coder& coder)
{
    int count = 0;
    coder.decodeValuesOfObjCTypes("i", &count);
    if (count < 0)
        damaged("a negative count of numbering levels");
    if (count == 0) {
        paragraphNumbering_.clear();
        paragraphNumberingCount_ = 0;
        return;
    }
    coder.checkUnitCount("**sscc", std::size_t(count));
    std::vector<NumberingLevel> table(std::size_t(count) + 1);
    for (int level = 1; level <= count; ++level) {
        NumberingLevel& record = table[std::size_t(level)];
        coder.decodeValuesOfObjCTypes("**sscc", &record.prefix, &record.suffix, &record.start, &record.width,
                                      &record.displayType, &record.attachPrevious);
    }
    paragraphNumbering_ = std::move(table);
    paragraphNumberingCount_ = count;
}

void LayoutDocument::adoptReadObjects(kit::Coder& coder, ReadRoot& read)
{
    // Everything that can refuse the file is checked before anything is
    // taken: claiming hands an object over for good.
    if (read.units)
        unitsInfo_ = coder.claim<UnitsInfo>(read.units);
    if (read.styles)
        styleInfo_ = coder.claim<StyleInfo>(read.styles);
    unitsInfo_->setDocument(this);
    styleInfo_->setDocument(this);
    styleInfo_->setPreferences(preferences_);
    if (const auto* print = dynamic_cast<const kit::PrintInfo*>(read.printInfo)) {
        const kit::Size paper = print->paperSize();
        if (isFinitePositive(paper.width) && isFinitePositive(paper.height))
            printInfo_.paperSize = paper;
        printInfo_.orientation = print->orientation() == kit::PrintInfo::Orientation::Landscape ? 1 : 0;
        const double scale = print->scalingFactor();
        printInfo_.scalingFactor = std::isfinite(scale) && scale > 0 ? float(scale) : 0.0f;
    }

    for (Page* page : read.pages)
        pages_.push_back(coder.claim<Page>(page));
    const auto holdFlows = [&coder](const std::vector<std::shared_ptr<Item>>& items) {
        for (const auto& item : items)
            if (auto* column = dynamic_cast<TextItem*>(item.get()))
                column->holdFlowMetWhileReading(coder);
    };
    for (const auto& page : pages_)
        holdFlows(page->pageItems());
    for (Guide* guide : read.guides)
        masterGuides_.push_back(coder.claim<Guide>(guide));

    // A header or footer frame is held by its marker, which shares it with
    // the master items; every other master item is the document's.
    for (Item* item : read.masters) {
        std::shared_ptr<Item> held;
        if (const auto* column = dynamic_cast<const TextItem*>(item))
            if (const auto* marker = dynamic_cast<const TextWordSpecial*>(column->myMaster()))
                if (std::shared_ptr<Item> frame = marker->heldItem(); frame.get() == item)
                    held = std::move(frame);
        if (!held)
            held = coder.claim<Item>(item);
        if (std::find(theMasterItems_.begin(), theMasterItems_.end(), held) == theMasterItems_.end())
            theMasterItems_.push_back(std::move(held));
    }
    holdFlows(theMasterItems_);
    const auto listMarkers = [this](const std::vector<TextWordSpecial*>& read, std::vector<TextWordSpecial*>& into) {
        for (TextWordSpecial* marker : read)
            if (std::find(into.begin(), into.end(), marker) == into.end()) {
                marker->setListedIn(this);
                into.push_back(marker);
                addMarkerFrame(marker);
            }
    };
    listMarkers(read.headers, headers_);
    listMarkers(read.footers, footers_);
    listMarkers(read.footnotes, footnotes_);
    for (Item* item : read.named)
        addNamedItem(item);
    for (const auto& [number, item] : read.serials) {
        serialNumbersToItems_[number] = item;
        item->setItemSerialNumber(number);
    }
    keepActiveTextFlow(read.activeFlow);
}

void LayoutDocument::keepActiveTextFlow(kit::Object* object)
{
    activeTextFlow_ = nullptr;
    auto* flow = dynamic_cast<TextFlow*>(object);
    if (!flow)
        return;
    // Only a flow of this document's own columns.
    const std::vector<TextFlow*> own = flows();
    if (std::find(own.begin(), own.end(), flow) != own.end())
        activeTextFlow_ = flow;
}

std::vector<TextFlow*> LayoutDocument::flows() const
{
    std::vector<TextFlow*> list;
    // A group lists the flows of its members: a flow whose first column
    // is grouped is the document's as much as any other.
    std::vector<Item*> images;
    const auto add = [&list, &images](Item& item) { item.pleaseListFlows(list, images); };
    for (const auto& item : theMasterItems_)
        add(*item);
    for (const auto& page : pages_)
        for (const auto& item : page->pageItems())
            add(*item);
    return list;
}

void LayoutDocument::initialize()
{
    kit::registerValueClasses();
    kit::PrintInfo::initialize();
    kit::Font::initialize();
    StyleParagraph::initialize();
    StyleGraphic::initialize();
    Page::initialize();
    Item::initialize();
    TextFlow::initialize();
    kit::registerClass<UnitsInfo>("UnitsInfo");
    kit::registerClass<StyleInfo>("StyleInfo");
    kit::registerClass<LinksInfo>("LinksInfo");
    // A font a stored document names that this system lacks is counted
    // (the document opens edited) and reported once.
    kit::Font::setSubstituteFontHandler(
        [](const std::string& name, float size) { return findFont(name, size, true); });
    kit::ClassRegistry::registerClass("LayoutDocument", 0, [] {
        return std::unique_ptr<kit::Object>(new LayoutDocument(documentPreferences()));
    });
    initializeViews();
}

std::unique_ptr<LayoutDocument> LayoutDocument::makeDocument() const
{
    return std::make_unique<LayoutDocument>(preferences_);
}
