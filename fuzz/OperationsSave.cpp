// Saving and reading back, as an operation of the operations fuzzer.

#include "OperationsModel.h"

#include "core/Archiver.h"
#include "core/Exception.h"
#include "core/Unarchiver.h"
#include "core/Values.h"
#include "document/LayoutDocument.h"
#include "document/Guide.h"
#include "document/Page.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraph.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/Font.h"
#include "items/Item.h"
#include "items/ItemGroup.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"
#include "text/TextWordSpecial.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <sstream>

namespace fuzz::ops {

namespace {

std::string point(const textPoint& p)
{
    return std::to_string(p.paragraph) + "/" + std::to_string(p.word) + "/" + std::to_string(p.letter);
}

std::string number(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", double(value));
    // Rounding must not tell -0.00 from 0.00.
    return std::string(text) == "-0.00" ? "0.00" : text;
}

std::string colour(const kit::ColorRef& color)
{
    return color ? color->description() : std::string("none");
}

// An item's transform and graphic attributes.
std::string itemDetail(const Item& item)
{
    float m[4] = {1, 0, 0, 1};
    item.getMatrix(m);
    std::ostringstream out;
    out << "matrix " << number(m[0]) << " " << number(m[1]) << " " << number(m[2]) << " " << number(m[3]);
    if (const StyleGraphic* style = item.graphicStyle()) {
        out << " style " << style->styleName().value_or("-") << (style->isNamedStyle() ? " (named)" : "")
            << " fill " << style->hasFill() << " " << (style->hasFill() ? colour(style->fillColor()) : "-")
            << " line " << style->hasLine();
        if (style->hasLine())
            out << " " << colour(style->lineColor()) << " width " << number(style->lineWidth()) << " dash "
                << (style->lineDash() ? style->lineDash()->count : 0);
        out << " crop " << style->doesCrop();
    } else {
        out << " style none";
    }
    return out.str();
}

} // namespace

// What the stored form keeps of a document, one fact per line.
std::string describeDocument(const LayoutDocument& document, bool detail)
{
    std::ostringstream out;
    auto where = [&](const kit::Object* object) -> std::string {
        const auto* item = dynamic_cast<const Item*>(object);
        return object ? (item ? whereIn(document, item) : object->className()) : "none";
    };
    std::vector<TextFlow*> flows;
    auto flowIndex = [&](TextFlow* flow) -> std::string {
        if (!flow)
            return "none";
        auto at = std::find(flows.begin(), flows.end(), flow);
        if (at == flows.end())
            at = flows.insert(flows.end(), flow);
        return std::to_string(at - flows.begin());
    };
    std::function<void(const Item*, const std::string&)> item = [&](const Item* i, const std::string& indent) {
        char frame[160];
        std::snprintf(frame, sizeof frame, "%.2f %.2f %.2f %.2f", double(i->frame().origin.x),
                      double(i->frame().origin.y), double(i->frame().size.width), double(i->frame().size.height));
        out << indent << i->className() << " " << frame << " locked " << i->isLocked() << " master "
            << i->masterFlags() << " shadow " << i->dropShadow() << " runaround " << i->hasRunaround() << " name "
            << i->name().value_or("-") << "\n";
        if (detail)
            out << indent << "  " << itemDetail(*i) << "\n";
        if (const auto* group = dynamic_cast<const ItemGroup*>(i); group && detail)
            for (const auto& member : group->items())
                item(member.get(), indent + "    member ");
        // A column made without a type is an ordinary column (type 1) and is
        // read as one; a flowing master's text lives in its page copies,
        // and what flow it holds itself does not matter.
        if (const auto* column = dynamic_cast<const TextItem*>(i))
            out << indent << "  type " << std::max(1, column->textType()) << " flows "
                << (column->autoFlowMaster() ? "automatically" : column->manualFlowMaster() ? "by hand" : "no")
                << " series " << column->columnSeries() << " "
                << point(column->startPoint()) << " to " << point(column->endPoint()) << " next "
                << (column->isDisconnected() ? "none" : where(column->nextColumn())) << " previous "
                << (column->isDisconnected() ? "none" : where(column->prevColumn())) << " master "
                << where(column->myMaster()) << " flow "
                << (column->autoFlowMaster() || column->manualFlowMaster() ? "-" : flowIndex(column->flow())) << "\n";
    };
    for (std::size_t p = 0; p < document.pages().size(); ++p) {
        const Page* page = document.pages()[p].get();
        out << "page " << p << " " << page->size().width << "x" << page->size().height << " collapsed "
            << page->isCollapsed() << " guides " << page->guides().size() << "\n";
        if (detail)
            for (const auto& guide : page->guides())
                out << "  guide " << guide->orientation() << " at " << number(guide->location()) << "\n";
        for (const auto& i : page->pageItems())
            item(i.get(), "  ");
    }
    out << "master items\n";
    for (const auto& i : document.masterItems())
        item(i.get(), "  ");
    for (std::size_t f = 0; f < flows.size(); ++f) {
        out << "flow " << f << "\n";
        for (const auto& paragraph : flows[f]->paragraphList()) {
            const StyleParagraph* style = paragraph->paragraphStyle();
            out << "  paragraph align " << style->alignment() << " widows " << style->widowControl() << " font "
                << (style->font() ? style->font()->fontName() + " " + std::to_string(style->font()->pointSize())
                                  : std::string("none"))
                << " based on "
                << (style->basedOnStyle() ? style->basedOnStyle()->styleName().value_or("-") : std::string("none"))
                << ":";
            // An empty word holds nothing that is stored (reading may make
            // one where a paragraph had none).
            for (const auto& word : paragraph->wordList())
                if (word->isSpecial())
                    out << " <" << word->wordType() << ">";
                else if (word->length() > 0)
                    out << " " << std::string(word->text(), std::size_t(word->length()));
            out << "\n";
        }
    }
    if (StyleInfo* sheet = document.styleInfo())
        for (StyleList* list : {sheet->paragraphStyles(), sheet->graphicStyles()}) {
            out << "styles:";
            for (const auto& style : *list)
                out << " " << style->styleName().value_or("-");
            out << "\n";
        }
    return out.str();
}

namespace {

// The decoded object, taken from those the decoder handed out unclaimed.
template <class T>
std::unique_ptr<T> take(std::vector<std::unique_ptr<kit::Object>>& unclaimed, kit::Object* object)
{
    T* typed = dynamic_cast<T*>(object);
    if (!typed)
        return nullptr;
    for (auto& owned : unclaimed)
        if (owned.get() == object) {
            (void)owned.release();
            return std::unique_ptr<T>(typed);
        }
    return nullptr;
}

} // namespace

// The parts the document's stored form keeps are stored together: the
// pages with their items and text, the master items, the named styles and
// the header, footer and footnote markers (a marker whose text is held by
// an undo record is listed, and stored, all the same). Reading them back
// into a new document must give the document that was saved.
void Model::checkSaveAndRead() const
{
    const LayoutDocument& doc = *document_;
    kit::Array pages, masters, paragraphStyles, graphicStyles, headers, footers, footnotes, root;
    for (const auto& page : doc.pages())
        pages.addObject(page.get());
    for (const auto& item : doc.masterItems())
        masters.addObject(item.get());
    StyleInfo* sheet = doc.styleInfo();
    // Each list is headed by its root style, which every sheet makes itself.
    for (const auto& [list, part] : {std::pair{sheet->paragraphStyles(), &paragraphStyles},
                                     std::pair{sheet->graphicStyles(), &graphicStyles}})
        for (std::size_t i = 1; i < list->size(); ++i)
            part->addObject(dynamic_cast<kit::Object*>((*list)[i].get()));
    for (const auto& [list, part] :
         {std::pair{&doc.headers(), &headers}, std::pair{&doc.footers(), &footers}, std::pair{&doc.footnotes(), &footnotes}})
        for (TextWordSpecial* marker : *list)
            part->addObject(marker);
    for (kit::Array* part : {&pages, &masters, &paragraphStyles, &graphicStyles, &headers, &footers, &footnotes})
        root.addObject(part);
    std::string saved;
    try {
        saved = kit::Archiver::archivedDataWithRootObject(&root);
    } catch (const kit::Exception& e) {
        failed(std::string("the document cannot be saved: ") + e.what());
    }

    std::vector<std::unique_ptr<kit::Object>> unclaimed;
    std::unique_ptr<kit::Array> back;
    try {
        back = kit::Unarchiver::unarchiveObjectWithData<kit::Array>(saved, unclaimed);
    } catch (const kit::Exception& e) {
        failed(std::string("the saved document does not read back: ") + e.what());
    }
    if (!back || back->count() != 7)
        failed("the saved document reads back without its parts");
    auto part = [&](std::size_t i) { return dynamic_cast<kit::Array*>(back->objectAt(i)); };
    for (std::size_t i = 0; i < 7; ++i)
        if (!part(i))
            failed("the saved document reads back without its parts");

    LayoutDocument read(doc.styleInfo()->preferences());
    read.setPageSize(doc.pageSize());
    read.setMasterPage(std::make_unique<Page>());
    for (kit::Array* list : {part(2), part(3)})
        for (kit::Object* object : list->objects())
            if (auto style = take<StyleSheetEntry>(unclaimed, object))
                (void)read.styleInfo()->addStyle(std::move(style), list == part(2)
                                                                        ? read.styleInfo()->paragraphStyles()
                                                                        : read.styleInfo()->graphicStyles());
    std::vector<std::unique_ptr<Page>> readPages;
    for (kit::Object* object : part(0)->objects())
        if (auto page = take<Page>(unclaimed, object))
            readPages.push_back(std::move(page));
    read.insertPages(std::move(readPages), 0);
    // Header, footer and footnote frames are held by their markers: the
    // markers list them again, as opening a document will.
    std::map<const kit::Object*, TextWordSpecial*> markers;
    std::vector<const TextFlow*> scanned;
    std::function<void(const TextFlow*)> scan = [&](const TextFlow* flow) {
        if (!flow || std::find(scanned.begin(), scanned.end(), flow) != scanned.end())
            return;
        scanned.push_back(flow);
        for (const auto& paragraph : flow->paragraphList())
            for (const auto& word : paragraph->wordList())
                if (auto* marker = dynamic_cast<TextWordSpecial*>(word.get()))
                    if (std::shared_ptr<Item> frame = marker->heldItem()) {
                        markers[frame.get()] = marker;
                        if (auto* column = dynamic_cast<const TextItem*>(frame.get()))
                            scan(column->flow());
                    }
    };
    for (const auto& page : read.pages())
        for (const auto& item : page->pageItems())
            if (auto* column = dynamic_cast<const TextItem*>(item.get()))
                scan(column->flow());
    // A listed marker out of every text holds its frame all the same.
    for (std::size_t i = 4; i < 7; ++i)
        for (kit::Object* object : part(i)->objects())
            if (auto* marker = dynamic_cast<TextWordSpecial*>(object); marker && marker->objectReference())
                markers.emplace(marker->objectReference(), marker);
    for (kit::Object* object : part(1)->objects()) {
        if (auto item = take<Item>(unclaimed, object)) {
            if (auto* column = dynamic_cast<const TextItem*>(item.get()))
                scan(column->flow());
            read.addMasterItem(std::shared_ptr<Item>(std::move(item)));
        } else if (auto marker = markers.find(object); marker != markers.end()) {
            switch (marker->second->wordType()) {
            case TextWordHeaderMarker: read.addHeader(marker->second); break;
            case TextWordFooterMarker: read.addFooter(marker->second); break;
            default: read.addFootnote(marker->second); break;
            }
        }
    }
    // Listed as the document lists them when it reads its stored form.
    for (kit::Object* object : part(4)->objects())
        if (auto* marker = dynamic_cast<TextWordSpecial*>(object))
            read.addHeader(marker);
    for (kit::Object* object : part(5)->objects())
        if (auto* marker = dynamic_cast<TextWordSpecial*>(object))
            read.addFooter(marker);
    for (kit::Object* object : part(6)->objects())
        if (auto* marker = dynamic_cast<TextWordSpecial*>(object))
            read.addFootnote(marker);
    read.setup();

    const std::string was = describeDocument(doc);
    const std::string again = describeDocument(read);
    if (was != again)
        failed("the document read back differs from the one saved at " + firstDifference(was, again));
}

} // namespace fuzz::ops
