#include "bundles/convala/markup/LayoutDocumentIOMethods.h"

#include "bundles/convala/markup/LayvaneIOMethods.h"
#include "bundles/convala/markup/RTFContext.h"
#include "bundles/convala/markup/ZynDispatchTable.h"
#include "bundles/convala/markup/ZynImportRun.h"
#include "bundles/convala/markup/ZynMarkupDispatcher.h"
#include "bundles/convala/markup/ZynMarkupStream.h"

#include "core/Exception.h"
#include "core/FileWrapper.h"
#include "core/Pasteboard.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraphNamed.h"
#include "items/PlacedItem.h"
#include "items/TextItem.h"
#include "text/DocumentView.h"
#include "text/TextFlow.h"

#include <algorithm>
#include <memory>
#include <unordered_set>

namespace {

// The types whose readers are not loaded yet: nothing of them is read.
constexpr const char* HTMLPboardType = "ZYN HTML pasteboard type";
constexpr const char* ICFPboardType = "ZYN ICF pasteboard type";

// One import at a time: the context and the keyword table are shared.
bool importRunning = false;

// The document and the class-wide flags as they were before the import,
// given back on every way out.
class ImportScope {
public:
    explicit ImportScope(LayoutDocument& document, int runKind)
        : document_(document), runKind_(runKind), readOnly_(document.isReadOnly()),
          force_(StyleParagraph::forceParagraphStyleDefinitions())
    {
        importRunning = true;
        // The text is laid out paragraph by paragraph as it arrives, adding
        // page after page: the pages' rectangles (and the views' canvas) are
        // made once, at the end, instead of once a page over every page.
        document_.disableCalcPages();
    }
    ~ImportScope()
    {
        LayoutDocumentIOMethods::_resetAfterDispatch(document_, runKind_);
        StyleParagraph::setForceParagraphStyleDefinitions(force_);
        document_.setReadOnly(readOnly_);
        importRunning = false;
        document_.reenableCalcPages();
    }
    ImportScope(const ImportScope&) = delete;
    ImportScope& operator=(const ImportScope&) = delete;

private:
    LayoutDocument& document_;
    int runKind_;
    bool readOnly_;
    bool force_;
};

// Imported text goes into the main text: the document's own view begins
// editing it when nothing is being edited (without a view the document
// takes it as its active text).
void beginEditingMainText(LayoutDocument& document)
{
    DocumentView* view = document.mainView();
    const TextItem* active = document.activeTextItem();
    if (active && (!view || (active->isEditing() && active->editPageView() == view)))
        return;
    TextItem* column = document.numPages() > 0 ? LayoutDocumentIOMethods::mainTextItemForPage(document.pageAt(0))
                                               : nullptr;
    if (!column)
        return;
    if (view)
        view->beginEditingItem(column);
    if (!document.activeTextItem())
        document.setActiveTextItem(column);
}

bool isExactlyNamed(const Item* item, const char* name)
{
    return item && item->name() && *item->name() == name;
}

} // namespace

LayoutDocumentIOMethods::Reader& LayoutDocumentIOMethods::rtfReader()
{
    static Reader reader;
    return reader;
}

bool LayoutDocumentIOMethods::dispatchRTFStream(LayoutDocument& document, const std::optional<std::string>& data)
{
    return dispatchRTFStream(document, data, nullptr);
}

bool LayoutDocumentIOMethods::dispatchRTFStream(LayoutDocument& document, const std::optional<std::string>& data,
                                                bool* lostData)
{
    return dispatchRTFStream(document, data, lostData, ZynImportOptions{});
}

bool LayoutDocumentIOMethods::dispatchRTFStream(LayoutDocument& document, const std::optional<std::string>& data,
                                                bool* lostData, const ZynImportOptions& options)
{
    if (!data)
        return false;
    return dispatchRTFStream(document, std::make_shared<const std::string>(*data), lostData, options);
}

bool LayoutDocumentIOMethods::dispatchRTFStream(LayoutDocument& document, std::shared_ptr<const std::string> data,
                                                bool* lostData, const ZynImportOptions& options)
{
    const Reader& reader = rtfReader();
    ZynDispatchTable* table = LayvaneIOMethods::markupDispatchTable();
    ZynMarkupDispatcher* dispatcher = LayvaneIOMethods::markupDispatcher();
    if (!data || !reader.registerWithMarkupDispatcher || importRunning)
        return false;
    ZynMarkupStream stream;
    if (!stream.initWithData(std::move(data)))
        return false;

    RTFContext& context = *LayvaneIOMethods::rtfContext();
    {
        ImportScope scope(document, ZynImportRun::RTFRun);
        beginEditingMainText(document);
        context.empty();
        // (The extension of the document's contents joins the context with
        // the document contents.)
        ZynImportRun run(document, context, ZynImportRun::RTFRun);
        run.setOptions(options);
        // What the document class registers goes when the run ends.
        ZynDispatchTable::Mark mark(*table);
        reader.registerWithMarkupDispatcher(run, *table);
        run.setDispatchThreshold(ZynImportRun::InitialDispatchThreshold);
        document.setDispatching(true);
        document.setReadOnly(true);
        dispatcher->dispatch(&stream, run);
        if (run.lostData())
            context.setLostDataDuringImport(true);
    }
    _integrateImportedStyleList(document, context);
    if (lostData)
        *lostData = context.lostDataDuringImport();
    return true;
}

bool LayoutDocumentIOMethods::dispatchHTMLStream(LayoutDocument& document, const std::optional<std::string>& data)
{
    (void)document;
    (void)data;
    return false;
}

bool LayoutDocumentIOMethods::dispatchMarkup(LayoutDocument& document, const std::string& type,
                                             const std::string& data, bool* lostData)
{
    return dispatchMarkup(document, type, data, lostData, false);
}

bool LayoutDocumentIOMethods::dispatchMarkup(LayoutDocument& document, const std::string& type,
                                             const std::string& data, bool* lostData, bool openingFile)
{
    if (type == HTMLPboardType || type == ICFPboardType)
        return false;
    if (type != kit::RTFDPboardType)
        return true;
    try {
        std::shared_ptr<const std::string> rtf;
        std::unique_ptr<kit::FileWrapper> folder = kit::FileWrapper::initWithSerializedRepresentation(data);
        if (folder && folder->isDirectory()) {
            const auto& files = folder->fileWrappers();
            if (const auto it = files.find("TXT.rtf"); it != files.end() && it->second->isRegularFile())
                rtf = std::make_shared<const std::string>(it->second->regularFileContents());
        }
        if (!rtf)
            return false;
        bool lost = false;
        if (!dispatchRTFStream(document, rtf, &lost, ZynImportOptions{openingFile, folder.get()}))
            return false;
        if (lostData)
            *lostData = lost;
        return true;
    } catch (const kit::Exception& exception) {
        if (exception.name() == ClosedDuringImport)
            return false;
        // A damaged folder holds nothing to read.
        if (exception.name() == kit::ArchiverArchiveInconsistencyException)
            return false;
        throw;
    }
}

void LayoutDocumentIOMethods::_resetAfterDispatch(LayoutDocument& document, int runKind)
{
    (void)runKind;
    document.setDispatching(false);
}

void LayoutDocumentIOMethods::_integrateImportedStyleList(LayoutDocument& document, RTFContext& context)
{
    // The flows take the imported styles once the sheet holds them.
    struct Resolve {
        LayoutDocument& document;
        RTFContext& context;
        ~Resolve()
        {
            const auto& resolve = rtfReader().resolveRTFStyleListFrom;
            if (!resolve)
                return;
            std::vector<TextFlow*> flows;
            walkItemsForObject(document, [&flows](Item* item) {
                auto* column = dynamic_cast<TextItem*>(item);
                if (column && column->flow() && std::find(flows.begin(), flows.end(), column->flow()) == flows.end())
                    flows.push_back(column->flow());
            });
            for (TextFlow* flow : flows)
                resolve(*flow, context);
        }
    } resolveFlows{document, context};
    StyleInfo* sheet = document.styleInfo();
    if (!sheet)
        return;
    // Styles are numbered from 1. Every named style the sheet has no style
    // of that name for joins it; then the added ones take their based-on
    // and next styles from the sheet by name, which the added styles now
    // are part of.
    auto named = [sheet](const std::optional<std::string>& name) -> StyleParagraph* {
        return name ? dynamic_cast<StyleParagraphNamed*>(sheet->styleWithName(name, sheet->paragraphStyles()))
                    : nullptr;
    };
    std::vector<std::pair<StyleParagraphNamed*, const StyleParagraph*>> added;
    for (const auto& [number, style] : context.styleList()) {
        auto* imported = dynamic_cast<StyleParagraphNamed*>(style);
        if (number < 1 || !imported || !imported->styleName() || named(imported->styleName()))
            continue;
        std::unique_ptr<StyleParagraphNamed> copy = imported->copyNamed();
        copy->setBasedOnStyle(nullptr);
        copy->setNextParagraphStyle(nullptr);
        StyleParagraphNamed* kept = copy.get();
        if (!sheet->addStyle(std::move(copy), sheet->paragraphStyles()))
            added.emplace_back(kept, imported);
    }
    for (const auto& [kept, imported] : added) {
        if (const StyleParagraph* base = imported->basedOnStyle())
            kept->setBasedOnStyle(named(base->styleName()));
        if (const StyleParagraph* next = imported->nextParagraphStyle())
            kept->setNextParagraphStyle(named(next->styleName()));
    }
}

// ---- Before an export.

void LayoutDocumentIOMethods::buildMarkupLists(const LayoutDocument& document, RTFContext& context,
                                               std::vector<TextFlow*>& flowList)
{
    context.empty();
    if (StyleInfo* sheet = document.styleInfo()) {
        std::vector<StyleParagraph*> styles;
        for (const auto& entry : *sheet->paragraphStyles())
            if (auto* style = dynamic_cast<StyleParagraph*>(entry.get()); style && style->isNamedStyle())
                styles.push_back(style);
        context.buildStylesheetFrom(styles);
    }
    walkItemsForObject(document, [&](Item* item) { buildInitialLists(item, context, flowList); });
    for (TextFlow* flow : flowList)
        for (const auto& paragraph : flow->paragraphList())
            context.buildListsFromParagraphs(paragraph.get());
}

void LayoutDocumentIOMethods::buildInitialLists(Item* item, RTFContext& context, std::vector<TextFlow*>& flowList)
{
    if (!item)
        return;
    if (auto* column = dynamic_cast<TextItem*>(item); column && column->flow()) {
        if (std::find(flowList.begin(), flowList.end(), column->flow()) == flowList.end())
            flowList.push_back(column->flow());
    }
    if (auto* picture = dynamic_cast<PlacedItem*>(item)) {
        auto& pictures = context.placedGraphicList();
        if (std::find(pictures.begin(), pictures.end(), picture) == pictures.end())
            pictures.push_back(picture);
    }
    if (const StyleGraphic* style = item->graphicStyle()) {
        if (style->hasLine())
            context.addColorIfAbsent(style->lineColor());
        if (style->hasFill())
            context.addColorIfAbsent(style->fillColor());
    }
}

void LayoutDocumentIOMethods::walkItemsForObject(const LayoutDocument& document,
                                                 const std::function<void(Item*)>& perform)
{
    for (const auto& item : document.masterItems())
        perform(item.get());
    for (const auto& page : document.pages())
        for (const auto& item : page->pageItems())
            perform(item.get());
}

TextItem* LayoutDocumentIOMethods::mainTextItemForPage(const Page* page)
{
    if (!page)
        return nullptr;
    TextItem* automatic = nullptr;
    TextItem* first = nullptr;
    for (const auto& item : page->pageItems()) {
        auto* column = dynamic_cast<TextItem*>(item.get());
        if (!column || !column->flow())
            continue;
        const TextItem* master = column->masterColumn();
        if (isExactlyNamed(column, "MainText") || isExactlyNamed(master, "MainText"))
            return column;
        if (!automatic && master && master->autoFlowMaster())
            automatic = column;
        if (!first)
            first = column;
    }
    return automatic ? automatic : first;
}
