// Copying and pasting page items and their attributes through the four
// private streams (items, dimensions, graphics, paragraph style), pictures
// pasted as placed graphics, and the mapping of pasted styles onto this
// document's style sheet. Every stream read here may come from another
// process: each value is checked before it is used, and a damaged stream
// pastes nothing.

#include "view/PageView.h"

#include "appkit/MenuItem.h"
#include "core/Alert.h"
#include "core/Archiver.h"
#include "core/Encoding.h"
#include "core/Exception.h"
#include "core/Pasteboard.h"
#include "core/Unarchiver.h"
#include "core/Values.h"
#include "document/DocumentPanels.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "document/UndoInfo.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/CMGeometry.h"
#include "foundation/PboardTypes.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleNames.h"
#include "foundation/StyleParagraph.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/Image.h"
#include "items/Item.h"
#include "items/ItemArray.h"
#include "items/ItemGroup.h"
#include "items/PlacedItem.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

std::string text(const char* key) { return Main ? Main->valueForStringKey(key) : std::string(key); }

// A document on the pasteboard: this process and the document's serial.
struct Identity {
    int process = 0;
    int serial = 0;
    bool operator==(const Identity&) const = default;
};

Identity identityOf(const LayoutDocument* document)
{
    return {static_cast<int>(::getpid()), document ? static_cast<int>(document->pasteSerial()) : 0};
}

void writeIdentity(kit::Archiver& archiver, Identity identity)
{
    archiver.encodeValuesOfObjCTypes("ii", identity.process, identity.serial);
}

Identity readIdentity(kit::Unarchiver& unarchiver)
{
    Identity identity;
    unarchiver.decodeValuesOfObjCTypes("ii", &identity.process, &identity.serial);
    return identity;
}

int senderTag(kit::Object* sender)
{
    if (auto* item = dynamic_cast<kit::MenuItem*>(sender))
        return item->tag();
    if (auto* command = dynamic_cast<CommandSender*>(sender))
        return command->tag();
    return 0;
}

// Coordinates and sizes of pasted data: finite and within any page.
constexpr float Farthest = 1.0e6f;
bool sane(float v) { return std::isfinite(v) && std::fabs(v) <= Farthest; }
bool saneRect(const kit::Rect& r)
{
    return sane(r.origin.x) && sane(r.origin.y) && sane(r.size.width) && sane(r.size.height) &&
           r.size.width >= 0 && r.size.height >= 0;
}
bool saneScale(float s) { return sane(s) && s != 0.0f; }

void damaged()
{
    kit::beep();
    kit::runAlertPanel(text("Paste Error"), text("PasteDamaged"), text("OK"), "", "");
}

// Every item of the list and, for groups, their members.
void forEachItem(const std::vector<Item*>& items, const std::function<void(Item&)>& visit)
{
    for (Item* item : items) {
        if (!item)
            continue;
        visit(*item);
        if (auto* group = dynamic_cast<ItemGroup*>(item)) {
            std::vector<Item*> members;
            for (const auto& member : group->items())
                members.push_back(member.get());
            forEachItem(members, visit);
        }
    }
}

bool itemIsSane(Item& item)
{
    if (!saneRect(item.frame()))
        return false;
    float degrees = 0, sx = 1, sy = 1;
    if (item.getRotation(&degrees) && !sane(degrees))
        return false;
    if (item.getScale(&sx, &sy) && (!saneScale(sx) || !saneScale(sy)))
        return false;
    return true;
}

// The items last pasted by any page view, as long as they exist.
std::vector<kit::WeakLink<Item>>& previousList()
{
    static std::vector<kit::WeakLink<Item>> list;
    return list;
}

void makeSelectToolActive()
{
    if (auto* toolbar = DocumentPanels::shared().toolbar())
        toolbar->makeActiveTool(toolbar->selectTool());
}

// What an item stream holds once read.
struct ReadSelection {
    Identity identity;
    std::optional<std::string> filename;
    kit::Size pageSize{};
    short firstPageNum = 1;
    short pageNumberFormat = 0;
    std::vector<std::shared_ptr<Item>> items;
    // Objects of the items' stored form that nothing claimed: styles the
    // items refer to. They live as long as the items may use them.
    std::vector<std::unique_ptr<kit::Object>> rest;
};

// Nothing for a damaged stream.
std::optional<ReadSelection> readSelectionFromTypedStream(const std::string& data)
{
    ReadSelection read;
    try {
        kit::Unarchiver unarchiver(data);
        read.identity = readIdentity(unarchiver);
        unarchiver.decodeValuesOfObjCTypes("*", &read.filename);
        read.pageSize = unarchiver.decodeSize();
        unarchiver.decodeValuesOfObjCTypes("ss", &read.firstPageNum, &read.pageNumberFormat);
        kit::Object* root = unarchiver.decodeObject();
        auto* array = dynamic_cast<kit::Array*>(root);
        if (!array)
            return std::nullopt;
        std::unique_ptr<kit::Array> list = unarchiver.claim<kit::Array>(root);
        for (kit::Object* element : list->objects()) {
            if (!dynamic_cast<Item*>(element))
                return std::nullopt;
            read.items.push_back(std::shared_ptr<Item>(unarchiver.claim<Item>(element)));
        }
        read.rest = unarchiver.releaseUnclaimed();
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (!sane(read.pageSize.width) || !sane(read.pageSize.height) || read.pageSize.width <= 0 ||
        read.pageSize.height <= 0 || read.items.empty())
        return std::nullopt;
    std::vector<Item*> raw;
    for (const auto& item : read.items)
        raw.push_back(item.get());
    bool ok = true;
    forEachItem(raw, [&](Item& item) { ok = ok && itemIsSane(item); });
    if (!ok)
        return std::nullopt;
    return read;
}

StyleGraphicNamed* sheetGraphicStyle(StyleInfo* sheet, const std::optional<std::string>& name)
{
    return sheet ? dynamic_cast<StyleGraphicNamed*>(sheet->styleWithName(name, sheet->graphicStyles())) : nullptr;
}

// The pasted root goes into the sheet as a new style: under a fresh copy
// name when the sheet has one of its name. The pasted object itself is
// renamed too, so that whatever is based on it finds the new one.
void installNewGraphicStyle(StyleInfo* sheet, StyleGraphic* pastedRoot)
{
    auto* root = dynamic_cast<StyleGraphicNamed*>(pastedRoot);
    if (!sheet || !root)
        return;
    if (sheetGraphicStyle(sheet, root->styleName())) {
        std::optional<std::string> fresh = getCopyName(sheet->graphicStyles(), root->styleName());
        if (!fresh)
            return;
        root->setStyleName(fresh);
    }
    std::unique_ptr<StyleGraphicNamed> copy = root->copyNamed();
    copy->setStyleName(root->styleName());
    (void)sheet->addStyle(std::move(copy), sheet->graphicStyles());
}

// 1 same style, 0 new style, -1 cancel; asked once for a paste.
int askAboutGraphicStyles()
{
    return kit::runAlertPanel(text("StylePaste"), text("StyleConflictRenameOK"), text("StyleSame"), text("StyleNew"),
                              text("Cancel"));
}

bool graphicStyleDiffers(StyleInfo* sheet, const StyleGraphic* style)
{
    if (!style || !style->isNamedStyle())
        return false;
    StyleGraphicNamed* here = sheetGraphicStyle(sheet, style->rootName());
    return here && here != style->rootStyle() && style->differencesFromStyle(here) != 0;
}

} // namespace

// ---------------------------------------------------------------- copying

void PageView::copy(kit::Object* sender)
{
    (void)sender;
    copyToPasteboard(kit::Pasteboard::generalPasteboard());
}

void PageView::copyToPasteboard(kit::Pasteboard& pboard)
{
    if (editing_) {
        if (TextItem* column = document_ ? document_->activeTextItem() : nullptr)
            column->copyToPasteboard(pboard, this);
        return;
    }
    copyToPasteboard(pboard, nullptr);
    previousPaste_ = false;
}

void PageView::copyToPasteboard(kit::Pasteboard& pboard, const std::vector<std::string>* types)
{
    if (!document_ || document_->selected().empty())
        return;
    std::string stream;
    if (!copySelectionToStream(stream))
        return;
    std::vector<std::string> declared{LayvanePboardType};
    const auto wants = [types](const char* type) {
        return !types || std::find(types->begin(), types->end(), type) != types->end();
    };
    if (wants(kit::PostScriptPboardType))
        declared.push_back(kit::PostScriptPboardType);
    if (wants(kit::TIFFPboardType))
        declared.push_back(kit::TIFFPboardType);
    pboard.declareTypes(declared, &pasteboardOwner());
    pboard.setData(stream, LayvanePboardType);
}

bool PageView::copySelectionToStream(std::string& stream)
{
    const std::vector<Item*> items = document_ ? document_->selected() : std::vector<Item*>{};
    if (items.empty())
        return false;
    pastedPage_ = document_->activePage();
    try {
        kit::Array list;
        for (Item* item : items)
            list.addObject(item);
        kit::Archiver archiver;
        writeIdentity(archiver, identityOf(document_));
        std::optional<std::string> name;
        if (!document_->filename().empty())
            name = document_->filename();
        archiver.encodeValuesOfObjCTypes("*", name);
        archiver.encodeSize(document_->maxPageSize());
        archiver.encodeValuesOfObjCTypes("ss", static_cast<short>(document_->firstPageNum()),
                                         static_cast<short>(document_->pageNumberFormat()));
        archiver.encodeRootObject(&list);
        stream = archiver.data();
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

void PageView::cut(kit::Object* sender)
{
    if (document_ && document_->isReadOnly()) {
        kit::beep();
        copy(sender);
        return;
    }
    cutToPasteboard(kit::Pasteboard::generalPasteboard());
}

void PageView::cutToPasteboard(kit::Pasteboard& pboard)
{
    if (editing_) {
        if (TextItem* column = document_ ? document_->activeTextItem() : nullptr)
            column->cutToPasteboard(pboard, this);
        return;
    }
    if (!document_ || document_->selected().empty())
        return;
    copyToPasteboard(pboard);
    delete_(nullptr);
    previousPaste_ = false;
}

bool PageView::copyDimensionsToStream(std::string& stream, int attribute)
{
    const std::vector<Item*> items = document_ ? document_->selected() : std::vector<Item*>{};
    if (items.empty())
        return false;
    float degrees = 0, sx = 1, sy = 1;
    (void)getRotation(items, &degrees);
    (void)getScale(items, &sx, &sy);
    kit::Archiver archiver;
    archiver.encodeValuesOfObjCTypes("i", attribute);
    archiver.encodeRect(::frame(items));
    archiver.encodeValuesOfObjCTypes("fff", -degrees, sx, sy);
    stream = archiver.data();
    return true;
}

bool PageView::copyGraphicsToStream(std::string& stream, int attribute)
{
    const std::vector<Item*> items = document_ ? document_->selected() : std::vector<Item*>{};
    if (items.empty())
        return false;
    auto scratch = std::make_unique<StyleGraphic>();
    int differences = 0;
    StyleGraphic* named = checkGraphicStyleValues(items, scratch.get(), &differences);
    if (named && !named->isNamedStyle())
        named = nullptr;
    int permissions = 0;
    (void)checkGraphicPermissions(items, &permissions);
    // Nothing may be filled, or the selection has a line but no fill: the
    // colour copied is the line's.
    if (attribute == Undo::FillColorSet &&
        ((!scratch->hasFill() && scratch->hasLine()) || (permissions & 2) == 0))
        attribute = Undo::LineColorSet;
    try {
        kit::Archiver archiver;
        archiver.encodeValuesOfObjCTypes("i", attribute);
        writeIdentity(archiver, identityOf(document_));
        archiver.encodeValuesOfObjCTypes("i", PasteOwnerPageView);
        archiver.encodeRootObject(named ? named : scratch.get());
        archiver.encodeValuesOfObjCTypes("i", named ? differences : 0);
        stream = archiver.data();
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

std::string PageView::copyParagraphStyleToStream(const StyleParagraph* style, int attribute,
                                                 const LayoutDocument* document, int owner, int index)
{
    kit::Archiver archiver;
    archiver.encodeValuesOfObjCTypes("i", attribute == 0 ? 41 : attribute);
    writeIdentity(archiver, identityOf(document));
    archiver.encodeValuesOfObjCTypes("i", owner);
    archiver.encodeRootObject(style);
    archiver.encodeValuesOfObjCTypes("i", 0);
    if (attribute != 48)
        archiver.encodeValuesOfObjCTypes("i", index);
    return archiver.data();
}

void PageView::copyAttribute(kit::Object* sender, const std::string& type,
                             bool (PageView::*toStream)(std::string&, int))
{
    std::string stream;
    if (document_ && !document_->selected().empty() && (this->*toStream)(stream, senderTag(sender))) {
        kit::Pasteboard& pboard = kit::Pasteboard::generalPasteboard();
        pboard.declareTypes({type}, &pasteboardOwner());
        pboard.setData(stream, type);
    }
    previousPaste_ = false;
}

void PageView::copyDimensions(kit::Object* sender)
{
    copyAttribute(sender, GxDimensionsPboardType, &PageView::copyDimensionsToStream);
}

void PageView::copyGraphics(kit::Object* sender)
{
    copyAttribute(sender, GxGraphicsPboardType, &PageView::copyGraphicsToStream);
}

void PageView::copyParagraphStyle(kit::Object* sender)
{
    previousPaste_ = false;
    const std::vector<Item*> items = document_ ? document_->selected() : std::vector<Item*>{};
    if (items.empty())
        return;
    auto* column = dynamic_cast<TextItem*>(items.front());
    TextFlow* flow = column ? column->flow() : nullptr;
    const StyleParagraph* style = nullptr;
    if (flow) {
        TextParagraph* paragraph = flow->currentParagraph() ? flow->currentParagraph() : flow->firstParagraph();
        style = paragraph ? paragraph->paragraphStyle() : nullptr;
    }
    if (!style) {
        kit::beep();
        return;
    }
    int index = 0;
    const StyleParagraph* named = style->isNamedStyle() ? style : style->basedOnStyle();
    if (named && named->isNamedStyle() && document_->styleInfo()) {
        const std::size_t at = document_->styleInfo()->indexOfObject(named, document_->styleInfo()->paragraphStyles());
        if (at == StyleInfo::NotFound)
            std::fprintf(stderr, "copying named style not in list: %s\n", named->styleName().value_or("").c_str());
        else
            index = static_cast<int>(at);
    }
    std::string stream;
    try {
        stream = copyParagraphStyleToStream(style, senderTag(sender), document_, PasteOwnerPageView, index);
    } catch (const std::exception&) {
        return;
    }
    kit::Pasteboard& pboard = kit::Pasteboard::pasteboardWithName(GxParagraphPboardType);
    pboard.declareTypes({GxParagraphPboardType}, &pasteboardOwner());
    pboard.setData(stream, GxParagraphPboardType);
}

void PageView::copyRuler(kit::Object* sender)
{
    if (auto* item = dynamic_cast<kit::MenuItem*>(sender); item && item->tag() != 48)
        item->setTag(48);
    if (dynamic_cast<kit::MenuItem*>(sender)) {
        copyParagraphStyle(sender);
        return;
    }
    // A sender without a tag of its own copies the ruler all the same.
    kit::MenuItem ruler;
    ruler.setTag(48);
    copyParagraphStyle(&ruler);
}

// ---------------------------------------------------------------- pasting

void PageView::paste(kit::Object* sender)
{
    (void)sender;
    if (document_ && document_->isReadOnly()) {
        kit::beep();
        return;
    }
    paste(kit::Pasteboard::generalPasteboard(), false);
}

void PageView::pasteAndLink(kit::Object* sender)
{
    (void)sender;
    paste(kit::Pasteboard::generalPasteboard(), true);
}

void PageView::pasteParagraphStyle(kit::Object* sender)
{
    (void)sender;
    paste(kit::Pasteboard::pasteboardWithName(GxParagraphPboardType), false);
}

void PageView::pasteRuler(kit::Object* sender) { pasteParagraphStyle(sender); }

void PageView::paste(kit::Pasteboard& pboard, bool link) { paste(pboard, link, kit::Point{}); }

void PageView::paste(kit::Pasteboard& pboard, bool link, kit::Point point)
{
    if (!document_)
        return;
    if (editing_) {
        if (TextItem* column = document_->activeTextItem())
            column->paste(pboard, link, this);
        return;
    }
    Page* page = document_->activePage();
    std::vector<std::shared_ptr<Item>> items = pasteFromPasteboard(pboard, link, point);
    if (items.empty() || !page)
        return;
    std::vector<Item*> added;
    for (const auto& item : items)
        added.push_back(item.get());
    if (pastedPage_.get() == page) {
        float dx = 10, dy = 10;
        const std::vector<Item*> selection = document_->selected();
        std::vector<Item*> previous;
        for (const auto& link : previousList())
            previous.push_back(link.get());
        const bool repeated = previousPaste_ && !previous.empty() && previous.front() &&
                              std::find(previous.begin(), previous.end(), nullptr) == previous.end() &&
                              selection == previous;
        if (repeated) {
            dx = previous.front()->frame().origin.x - added.front()->frame().origin.x + 10;
            dy = previous.front()->frame().origin.y - added.front()->frame().origin.y + 10;
        }
        for (Item* item : added)
            item->moveBy(dx, dy);
    }
    page->addItems(items, true);
    document_->setSelection(added, this);
    makeSelectToolActive();
    pastedPage_ = page;
    previousList().clear();
    for (Item* item : added)
        previousList().emplace_back(item);
    previousPaste_ = true;
    // The record marks the document edited; undone, it finds it unedited
    // again where it was saved.
    if (UndoInfo* undo = document_->undoInfo())
        undo->push(std::make_unique<Undo>(added, page, Undo::ItemsAdded));
    else
        document_->setEdited(true);
    std::vector<kit::Object*> shown(added.begin(), added.end());
    document_->notifyUpdate(this, &shown);
}

void PageView::leaveChainBehind(TextItem& column)
{
    // Its links are not stored with it, so its text starting elsewhere,
    // going on elsewhere or held by another column tells.
    const textPoint& start = column.startPoint();
    const bool chained = column.nextColumn() || column.prevColumn() || column.textContinues() ||
                         start.paragraph != 0 || start.word != 0 || start.letter != 0 ||
                         (column.flow() && column.flow()->firstTextItem() != &column);
    if (!column.isDisplay() && chained)
        column.emptyAndDisconnect();
}

std::vector<std::shared_ptr<Item>> PageView::pasteFromPasteboard(kit::Pasteboard& pboard, bool link,
                                                                 kit::Point point)
{
    if (!document_)
        return {};
    std::string type = getPasteType(pboard.types());
    if (type == LayvanePboardType && Main && Main->pastesItemsAsPictures())
        type = kit::PostScriptPboardType;
    if (type.empty())
        return {};
    const bool attribute =
        type == GxDimensionsPboardType || type == GxGraphicsPboardType || type == GxParagraphPboardType;
    if ((type == LayvanePboardType || attribute) && link) {
        kit::beep();
        return {};
    }
    if (attribute && document_->selected().empty())
        return {};
    const std::optional<std::string> data = pboard.dataForType(type);
    if (!data || data->empty())
        return {};

    if (type == LayvanePboardType) {
        std::optional<ReadSelection> read = readSelectionFromTypedStream(*data);
        if (!read) {
            damaged();
            return {};
        }
        Page* page = document_->activePage() ? document_->activePage() : document_->pageAt(0);
        // The styles are mapped with the items on this document's page, as
        // they will be.
        for (const auto& item : read->items)
            item->setPage(page);
        const bool accepted = checkGraphicStylesInItems(read->items, read->identity == identityOf(document_));
        for (const auto& item : read->items)
            item->setPage(nullptr);
        for (auto& object : read->rest)
            cloneKeep_.push_back(std::move(object));
        if (!accepted)
            return {};
        for (const auto& item : read->items) {
            item->deselect();
            if (auto* column = dynamic_cast<TextItem*>(item.get()))
                leaveChainBehind(*column);
            item->resolveInDocument(document_);
            if (auto* column = dynamic_cast<TextItem*>(item.get())) {
                column->resolveStyles(document_);
                column->recompute();
            } else {
                item->recomputeTextItems();
            }
        }
        return std::move(read->items);
    }
    if (type == GxDimensionsPboardType) {
        (void)pasteDimensionsFromTypedStream(*data);
        return {};
    }
    if (type == GxGraphicsPboardType) {
        (void)pasteGraphicsFromTypedStream(*data);
        return {};
    }
    if (type == GxParagraphPboardType) {
        std::vector<Item*> columns = subsetCopyForTextItems(document_->selected());
        if (!columns.empty() && !pasteParagraphFromTypedStream(*data, false, nullptr))
            damaged();
        return {};
    }
    if (type == kit::PostScriptPboardType || type == kit::TIFFPboardType) {
        std::string error;
        std::shared_ptr<PlacedItem> picture = PlacedItem::initFromStream(*data, &error);
        if (!picture || !picture->sourceImage()) {
            // Bytes that hold no picture paste nothing.
            kit::beep();
            kit::runAlertPanel(text("Paste Error"), text("PasteNoPicture"), text("OK"), "", "");
            return {};
        }
        kit::Point at = point;
        if (at.x == 0 && at.y == 0) {
            const kit::Rect visible = visibleRect();
            at = kit::makePoint(visible.origin.x + visible.size.width / 2, visible.origin.y + visible.size.height / 2);
        }
        kit::Rect area{};
        Page* under = hitPageAt(at);
        if (under && under == document_->activePage()) {
            area = kit::makeRect(0, 0, under->pageRect().size.width, under->pageRect().size.height);
            at = kit::makePoint(at.x - under->pageRect().origin.x, at.y - under->pageRect().origin.y);
        } else {
            const kit::Size largest = document_->maxPageSize();
            area = kit::makeRect(0, 0, largest.width, largest.height);
            at = kit::makePoint(largest.width / 2, largest.height / 2);
        }
        kit::Size size = picture->frame().size;
        if (size.width > area.size.width || size.height > area.size.height) {
            const kit::Size box = kit::makeSize(area.size.width - 10, area.size.height - 10);
            CMScaleSizeToSize(&size, &box);
            picture->setFrameSize(size);
        }
        picture->setFrameOrigin(
            kit::makePoint(std::round(at.x - size.width / 2), std::round(at.y - size.height / 2)));
        pastedPage_ = nullptr;
        previousPaste_ = false;
        return {picture};
    }
    return {};
}

bool PageView::pasteDimensionsFromTypedStream(const std::string& data)
{
    std::vector<Item*> items = subsetCopyForLockState(document_ ? document_->selected() : std::vector<Item*>{}, false);
    if (items.empty())
        return true;
    int code = 0;
    kit::Rect rect{};
    float degrees = 0, sx = 1, sy = 1;
    try {
        kit::Unarchiver unarchiver(data);
        unarchiver.decodeValuesOfObjCTypes("i", &code);
        rect = unarchiver.decodeRect();
        unarchiver.decodeValuesOfObjCTypes("fff", &degrees, &sx, &sy);
    } catch (const std::exception&) {
        damaged();
        return false;
    }
    const bool ok = (code >= Undo::FrameXSet && code <= Undo::FrameSet && saneRect(rect)) ||
                    (code == Undo::RotatedTo && sane(degrees)) ||
                    (code == Undo::ScaledTo && saneScale(sx) && saneScale(sy));
    if (!ok) {
        damaged();
        return false;
    }
    document_->invalidate(this, items);
    std::unique_ptr<Undo> record;
    if (code <= Undo::FrameSet)
        record = ::setFrame(items, rect, code, true);
    else if (code == Undo::RotatedTo)
        record = rotateTo(items, degrees, true);
    else
        record = scaleTo(items, sx, sy, true);
    std::vector<kit::Object*> changed(items.begin(), items.end());
    document_->notifyUpdate(this, record ? &changed : nullptr);
    if (record && document_->undoInfo())
        document_->undoInfo()->push(std::move(record));
    return true;
}

bool PageView::pasteGraphicsFromTypedStream(const std::string& data)
{
    std::vector<Item*> items = subsetCopyForLockState(document_ ? document_->selected() : std::vector<Item*>{}, false);
    if (items.empty())
        return true;
    int code = 0, owner = 0, mask = 0;
    Identity from;
    std::unique_ptr<StyleGraphic> style;
    std::vector<std::unique_ptr<kit::Object>> rest;
    try {
        kit::Unarchiver unarchiver(data);
        unarchiver.decodeValuesOfObjCTypes("i", &code);
        from = readIdentity(unarchiver);
        unarchiver.decodeValuesOfObjCTypes("i", &owner);
        kit::Object* root = unarchiver.decodeObject();
        if (!dynamic_cast<StyleGraphic*>(root)) {
            damaged();
            return false;
        }
        style = unarchiver.claim<StyleGraphic>(root);
        unarchiver.decodeValuesOfObjCTypes("i", &mask);
        rest = unarchiver.releaseUnclaimed();
    } catch (const std::exception&) {
        damaged();
        return false;
    }
    document_->invalidate(this, items);
    std::unique_ptr<Undo> record;
    switch (code) {
    case Undo::GraphicStyleApplied: {
        // Items take the style mapped by name onto this document's sheet.
        StyleGraphic* mapped = nullptr;
        if (!style->isNamedStyle()) {
            mapped = style.get();
        } else {
            StyleInfo* sheet = document_->styleInfo();
            StyleGraphicNamed* here = sheetGraphicStyle(sheet, style->rootName());
            int answer = 1;
            if (!here)
                installNewGraphicStyle(sheet, style->rootStyle());
            else if (graphicStyleDiffers(sheet, style.get()) && !(from == identityOf(document_)))
                answer = askAboutGraphicStyles();
            if (answer == 0)
                installNewGraphicStyle(sheet, style->rootStyle());
            if (answer != -1)
                mapped = style.get();
        }
        if (mapped)
            record = modifyStyle(items, mapped, true, owner == PasteOwnerGraphicStylesPanel && !mapped->isNamedStyle());
        break;
    }
    case Undo::FillColorSet:
        if (style->hasFill())
            record = modifyColor(items, style->fillColor(), Undo::FillColorSet, true);
        break;
    case Undo::LineColorSet:
        if (style->hasLine())
            record = modifyColor(items, style->lineColor(), Undo::LineColorSet, true);
        break;
    case Undo::FillSet: record = modifyFill(items, style->hasFill() ? style->fill() : nullptr, true); break;
    case Undo::LineSet: record = modifyLine(items, style->hasLine() ? style->line() : nullptr, true); break;
    default: break;
    }
    std::vector<kit::Object*> changed(items.begin(), items.end());
    document_->notifyUpdate(this, record ? &changed : nullptr);
    if (record && document_->undoInfo())
        document_->undoInfo()->push(std::move(record));
    for (auto& object : rest)
        cloneKeep_.push_back(std::move(object));
    cloneKeep_.push_back(std::move(style));
    return true;
}

bool PageView::checkGraphicStylesInItems(const std::vector<std::shared_ptr<Item>>& items, bool fromThisDocument)
{
    StyleInfo* sheet = document_ ? document_->styleInfo() : nullptr;
    if (!sheet)
        return true;
    std::vector<Item*> raw;
    for (const auto& item : items)
        raw.push_back(item.get());
    // Groups pass their members' styles on; only the members' own count.
    const auto styled = [](Item& item) -> StyleGraphic* {
        if (dynamic_cast<ItemGroup*>(&item))
            return nullptr;
        StyleGraphic* style = item.graphicStyle();
        return style && style->isNamedStyle() ? style : nullptr;
    };
    int answer = 1;
    if (!fromThisDocument) {
        bool differs = false;
        forEachItem(raw, [&](Item& item) { differs = differs || graphicStyleDiffers(sheet, styled(item)); });
        if (differs)
            answer = askAboutGraphicStyles();
    }
    if (answer == -1)
        return false;
    forEachItem(raw, [&](Item& item) {
        StyleGraphic* style = styled(item);
        if (!style)
            return;
        StyleGraphicNamed* here = sheetGraphicStyle(sheet, style->rootName());
        const bool differs = graphicStyleDiffers(sheet, style);
        if (!here || (answer == 0 && differs)) {
            installNewGraphicStyle(sheet, style->rootStyle());
            item.setGraphicStyle(style);
            return;
        }
        if (!differs) {
            item.setGraphicStyle(here);
            return;
        }
        // The sheet's style with the pasted look: a substyle of it that
        // defines only what differs.
        std::unique_ptr<StyleGraphic> sub = style->copy();
        auto* named = dynamic_cast<StyleGraphicNamed*>(sub.get());
        if (!named) {
            item.setGraphicStyle(style);
            return;
        }
        named->setDefinedFlags(style->differencesFromStyle(here));
        here->addSubstyle(named);
        item.setGraphicStyle(named);
        named->removeFromSuperstyle();
    });
    return true;
}

// ------------------------------------------------------ paragraph styles

namespace {

StyleParagraphNamed* sheetParagraphStyle(StyleInfo* sheet, const std::optional<std::string>& name)
{
    return sheet ? dynamic_cast<StyleParagraphNamed*>(sheet->styleWithName(name, sheet->paragraphStyles())) : nullptr;
}

// The named style a pasted style stands for: itself when named, else the
// style it is based on.
const StyleParagraph* namedOf(const StyleParagraph* style)
{
    if (!style)
        return nullptr;
    return style->isNamedStyle() ? style : style->basedOnStyle();
}

// The styles pasted data names, mapped onto the sheet: the sheet's own
// style when it is the very one or an equal one of its name; else a copy
// added under its name, or under a fresh "+n" name (the user told) when a
// different style has that name here. Each pasted style is mapped once.
class PastedStyleMap {
public:
    explicit PastedStyleMap(StyleInfo* sheet) : sheet_(sheet) {}

    StyleParagraphNamed* map(const StyleParagraph* pasted)
    {
        if (!pasted || !sheet_)
            return nullptr;
        for (const auto& [from, to] : done_)
            if (from == pasted)
                return to;
        StyleParagraphNamed* mapped = mapOnce(pasted);
        done_.emplace_back(pasted, mapped);
        return mapped;
    }

private:
    StyleParagraphNamed* mapOnce(const StyleParagraph* pasted)
    {
        const StyleParagraph* root = pasted->rootStyle() ? pasted->rootStyle() : pasted;
        StyleParagraphNamed* here = sheetParagraphStyle(sheet_, root->styleName());
        if (here && (here == root || root->differencesFromStyle(here) == 0))
            return here;
        if (here)
            if (StyleParagraphNamed* copy = earlierCopy(*root, *here))
                return copy;
        return installNewParaStyle(dynamic_cast<const StyleParagraphNamed*>(root), here);
    }

    // The copy an earlier paste (or paragraph of this one) installed under a
    // "+n" name: the same style pasted again takes it, with no new alert.
    StyleParagraphNamed* earlierCopy(const StyleParagraph& root, const StyleParagraphNamed& here) const
    {
        const std::string name = root.styleName().value_or("");
        for (const auto& entry : *sheet_->paragraphStyles()) {
            auto* style = dynamic_cast<StyleParagraphNamed*>(entry.get());
            const std::optional<std::string> its = style ? style->styleName() : std::nullopt;
            if (style && style != &here && its && its->rfind(name, 0) == 0 && root.differencesFromStyle(style) == 0)
                return style;
        }
        return nullptr;
    }

    StyleParagraphNamed* installNewParaStyle(const StyleParagraphNamed* root, StyleParagraphNamed* here)
    {
        if (!root)
            return here;
        std::unique_ptr<StyleParagraphNamed> copy = root->copyNamed();
        if (here) {
            std::optional<std::string> fresh = getCopyName(sheet_->paragraphStyles(), root->styleName());
            if (!fresh)
                return here;
            copy->setStyleName(fresh);
            kit::runAlertPanel(text("StylePaste"), text("StyleConflict"), "", "", "",
                               {here->styleName().value_or(""), fresh.value_or("")});
        }
        // Its own references belong to the pasted data.
        copy->setBasedOnStyle(nullptr);
        copy->setNextParagraphStyle(nullptr);
        StyleParagraphNamed* installed = copy.get();
        if (sheet_->addStyle(std::unique_ptr<StyleSheetEntry>(copy.release()), sheet_->paragraphStyles()))
            return here; // handed back: the name is taken after all
        return installed;
    }

    StyleInfo* sheet_;
    std::vector<std::pair<const StyleParagraph*, StyleParagraphNamed*>> done_;
};

} // namespace

// Pasted text and pasted style streams both come here: the values stay, the
// named styles they refer to become the sheet's.
std::unique_ptr<StyleParagraph> PageView::checkPastedParaStyleFor(const StyleParagraph* style,
                                                                  const LayoutDocument* fromDocument) const
{
    (void)fromDocument;
    if (!style)
        return nullptr;
    auto adapted = std::make_unique<StyleParagraph>();
    adapted->takeStyleValuesFrom(style);
    PastedStyleMap map(document_ ? document_->styleInfo() : nullptr);
    adapted->setBasedOnStyle(map.map(namedOf(style)));
    // A next style that stayed with the pasted data would soon be freed.
    adapted->setNextParagraphStyle(map.map(style->nextParagraphStyle()));
    return adapted;
}

void PageView::reinspectParagraphStyles() const
{
    DocumentPanel* panel = DocumentPanels::shared().paragraphStylesPanel();
    if (panel && panel->isVisible())
        panel->inspect(document_ ? document_->selected() : std::vector<Item*>{});
}

bool PageView::pasteParagraphFromTypedStream(const std::string& data, bool ruler, TextItem* column)
{
    int code = 0, owner = 0, reserved = 0, index = 0;
    Identity from;
    std::unique_ptr<StyleParagraph> style;
    std::vector<std::unique_ptr<kit::Object>> rest;
    try {
        kit::Unarchiver unarchiver(data);
        unarchiver.decodeValuesOfObjCTypes("i", &code);
        from = readIdentity(unarchiver);
        unarchiver.decodeValuesOfObjCTypes("i", &owner);
        kit::Object* root = unarchiver.decodeObject();
        if (!dynamic_cast<StyleParagraph*>(root))
            return false;
        style = unarchiver.claim<StyleParagraph>(root);
        unarchiver.decodeValuesOfObjCTypes("i", &reserved);
        if (code != 48 && !unarchiver.isAtEnd())
            unarchiver.decodeValuesOfObjCTypes("i", &index);
        rest = unarchiver.releaseUnclaimed();
    } catch (const std::exception&) {
        return false;
    }
    if (code != 41 && code != 48) {
        std::fprintf(stderr, "PageViewAct/pasteParagraphFromTypedStream: ?\n");
        return false;
    }
    ruler = ruler || code == 48;
    StyleInfo* sheet = document_ ? document_->styleInfo() : nullptr;
    const bool sameDocument = from == identityOf(document_);
    // The entry the copy named, when it is still the same style: the list
    // may have changed since.
    const StyleParagraph* source = style.get();
    if (index > 0 && sameDocument && sheet && static_cast<std::size_t>(index) < sheet->paragraphStyles()->size()) {
        auto* entry = dynamic_cast<StyleParagraph*>((*sheet->paragraphStyles())[std::size_t(index)].get());
        const StyleParagraph* named = style->isNamedStyle() ? style.get() : style->basedOnStyle();
        if (entry && named && entry->styleName() == named->styleName())
            source = entry;
    }
    // The values travel as a style of the paragraph's own, based on the
    // sheet's style standing for the copied one.
    std::unique_ptr<StyleParagraph> adapted = checkPastedParaStyleFor(source, nullptr);
    if (!adapted)
        return false;
    for (auto& object : rest)
        cloneKeep_.push_back(std::move(object));
    cloneKeep_.push_back(std::move(style));

    if (column) {
        TextFlow* flow = column->flow();
        if (!flow)
            return false;
        if (TextSelection* selection = flow->textSelection()) {
            if (ruler)
                selection->setRuler(adapted.get());
            else
                selection->setStylePara(adapted.get());
        } else if (TextParagraph* paragraph = flow->currentParagraph()) {
            if (ruler)
                paragraph->setRuler(adapted.get(), false);
            else
                paragraph->setStyleParaAndUpdate(adapted.get(), false);
            paragraph->setDirty(true);
            paragraph->recompute();
        }
        reinspectParagraphStyles();
        return true;
    }
    // The selected text columns take it whole.
    std::vector<Item*> columns = subsetCopyForTextItems(document_ ? document_->selected() : std::vector<Item*>{});
    if (columns.empty())
        return true;
    document_->invalidate(this, columns);
    std::unique_ptr<Undo> record =
        ruler ? modifyRuler(columns, adapted.get(), true) : modifyTextStyle(columns, adapted.get(), true, false);
    std::vector<kit::Object*> changed(columns.begin(), columns.end());
    document_->notifyUpdate(this, &changed);
    if (record && document_->undoInfo())
        document_->undoInfo()->push(std::move(record));
    else
        document_->setEdited(true);
    reinspectParagraphStyles();
    return true;
}

// ----------------------------------------------- pictures of copied items

namespace {

// Supplies the pictures promised with copied items, made when asked for.
class ItemPictureProvider : public kit::PasteboardOwner {
public:
    void pasteboardProvideDataForType(kit::Pasteboard& pboard, const std::string& type) override
    {
        if (type != kit::PostScriptPboardType && type != kit::TIFFPboardType)
            return;
        std::optional<std::string> items = pboard.dataForType(LayvanePboardType);
        if (items)
            PageView::convert(*items, type, pboard);
    }
};

} // namespace

kit::PasteboardOwner& PageView::pasteboardOwner()
{
    static ItemPictureProvider owner;
    return owner;
}

void PageView::convert(const std::string& itemData, const std::string& type, kit::Pasteboard& pboard)
{
    std::optional<ReadSelection> read = readSelectionFromTypedStream(itemData);
    if (!read)
        return;
    auto document = std::make_unique<LayoutDocument>(Main ? Main->preferences() : nullptr);
    document->setPageSize(read->pageSize);
    document->setFirstPageNum(read->firstPageNum);
    document->setPageNumberFormat(read->pageNumberFormat);
    document->setup();
    if (read->filename)
        document->setFilename(*read->filename);
    Page* page = document->pageAt(0);
    if (!page)
        return;
    std::vector<Item*> items;
    for (const auto& item : read->items) {
        item->deselect();
        items.push_back(item.get());
    }
    page->addItems(read->items, false);
    for (Item* item : items)
        item->resolveInDocument(document.get());
    auto view = std::make_unique<PageView>(kit::makeRect(0, 0, document->canvasSize().width,
                                                         document->canvasSize().height));
    view->setDocument(document.get());
    document->addView(view.get());
    std::string data;
    bool wrote = false;
    try {
        if (type == kit::PostScriptPboardType)
            wrote = view->writePSToStream(data, items);
        else if (type == kit::TIFFPboardType)
            wrote = view->writeTIFFToStream(data, items);
        else if (type == kit::RTFDPboardType)
            wrote = view->writeRTFDToStream(data, items);
        else if (type == kit::RTFPboardType)
            wrote = view->writeRTFToStream(data, items);
        else if (type == kit::StringPboardType)
            wrote = view->writeASCIIToStream(data, items);
    } catch (const std::exception&) {
        wrote = false;
    }
    if (wrote && type == kit::StringPboardType)
        pboard.setString(kit::toUTF8(kit::Encoding::NeXTSTEP, data), type);
    else if (wrote)
        pboard.setData(data, type);
    document->detachView(view.get());
}
