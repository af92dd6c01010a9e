// The Place command and the files dropped on the canvas: a picture becomes
// a placed graphic (one per page for PostScript of several pages), or an
// in-line graphic in the text being edited; any other file is text pasted
// into the text frame. Every item and page added has its undo record.

#include "view/PageView.h"

#include "appkit/OpenPanel.h"
#include "core/Alert.h"
#include "core/Encoding.h"
#include "core/Exception.h"
#include "core/FileManager.h"
#include "core/FileWrapper.h"
#include "core/Pasteboard.h"
#include "document/DocumentPanels.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "document/UndoInfo.h"
#include "document/UndoPage.h"
#include "document/ZynDocumentContents.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/CMGeometry.h"
#include "foundation/FileManagerExtensions.h"
#include "foundation/PostScriptFiles.h"
#include "items/ItemBox.h"
#include "items/PlacedItem.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextSelection.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

// From the pasteboard type lists; that header is not included here, since
// its interchange type would clash with the contents wrapper's.
bool matchImportType(const std::string& extension);
bool matchTextImportType(const std::string& extension);
bool isKnownEPSFileExtension(const std::string& extension);

namespace {

std::string text(const char* key) { return Main ? Main->valueForStringKey(key) : std::string(key); }

void tell(const char* title, const char* message)
{
    kit::runAlertPanel(text(title), text(message), text("OK"), "", "");
}

std::string extensionOf(const std::string& path)
{
    std::string extension = std::filesystem::path(path).extension().string();
    if (!extension.empty())
        extension.erase(0, 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

void makeSelectToolActive()
{
    if (auto* toolbar = DocumentPanels::shared().toolbar())
        toolbar->makeActiveTool(toolbar->selectTool());
}

// A new pasteboard holding the data as the one type.
kit::Pasteboard& pasteboardWith(const std::string& data, const char* type)
{
    kit::Pasteboard& pboard = kit::Pasteboard::pasteboardWithUniqueName();
    pboard.declareTypes({type}, nullptr);
    pboard.setData(data, type);
    return pboard;
}

bool isPostScript(const std::string& path)
{
    const std::optional<std::string> bytes = kit::FileManager::contentsAtPath(path);
    return bytes && bytes->compare(0, 2, "%!") == 0;
}

kit::Point roundedOrigin(kit::Point centre, kit::Size size)
{
    return kit::makePoint(std::round(centre.x - size.width / 2), std::round(centre.y - size.height / 2));
}

} // namespace

std::string MatchTypes(const std::vector<std::string>& types, const std::vector<std::string>& wanted)
{
    for (const std::string& type : types)
        if (std::find(wanted.begin(), wanted.end(), type) != wanted.end())
            return type;
    return {};
}

void PageView::place(kit::Object* sender)
{
    (void)sender;
    if (!document_)
        return;
    if (Main && Main->prefersAutomaticTextItems() && !editing_) {
        tell("Place", "PlaceMustEdit");
        return;
    }
    kit::OpenPanel* panel = DocumentPanels::shared().placePanel(true);
    if (!panel) {
        kit::beep();
        return;
    }
    // Placing does not move the panel's folder.
    const std::string directory = panel->directory();
    if (panel->runModalForTypes({}) == 1 && !panel->filenames().empty()) {
        TextItem* column = document_->activeTextItem();
        (void)_importFiles(panel->filenames(), false, column ? column->page() : nullptr, column, false, kit::Point{});
    }
    if (!directory.empty())
        panel->setDirectory(directory);
}

bool PageView::_importFiles(const std::vector<std::string>& paths, bool makeSymLinks, Page* page, Item* item,
                            bool fromDragSession, kit::Point atPagePoint)
{
    if (!document_)
        return false;
    const int layer = document_->getEditingLayer();
    std::vector<Item*> placed;
    bool anything = false;
    bool unrecorded = false;

    auto* target = dynamic_cast<TextItem*>(item);
    bool targetEditing = target && editing_ && target->isEditing();
    bool textRefused = false;
    // A master frame without a flow takes no text.
    if (target && layer == 2 && !target->flow()) {
        if (!editing_)
            textRefused = true;
        else
            target = nullptr, targetEditing = false;
    }
    if (!target) {
        endEditingIfNeeded();
        makeSelectToolActive();
    }
    Page* onPage = page ? page : document_->activePage();
    if (!onPage)
        return false;
    const kit::Size pageSize = onPage->pageRect().size;
    const kit::Point centre = kit::makePoint(pageSize.width / 2, pageSize.height / 2);
    // Without a drop point pictures land on the page's centre.
    const kit::Point dropPoint = atPagePoint.x == 0 && atPagePoint.y == 0 ? centre : atPagePoint;

    try {
        for (const std::string& path : paths) {
            bool isDirectory = false;
            const std::string extension = extensionOf(path);
            // Of folders only RTFD documents are files to place.
            if (!kit::FileManager::fileExistsAtPath(path, &isDirectory) || (isDirectory && extension != "rtfd"))
                continue;
            kit::Pasteboard& filtered = kit::Pasteboard::pasteboardByFilteringFile(path);
            const bool picture =
                matchImportType(extension) || isKnownEPSFileExtension(extension) ||
                !MatchTypes(filtered.types(), {kit::TIFFPboardType, kit::PostScriptPboardType}).empty();
            filtered.releaseGlobally();

            if (!picture) {
                if (textRefused) {
                    kit::beep();
                    tell("LayerMaster", "MasterNoEditing");
                    continue;
                }
                if (!target) {
                    tell("Place", "PlaceMustEdit");
                    continue;
                }
                if (!targetEditing) {
                    makeSelectToolActive();
                    beginEditingItem(target);
                    targetEditing = editing_ && target->isEditing();
                }
                // The file's bytes are copied: a file cut short later
                // changes nothing read.
                kit::Pasteboard* chosen = nullptr;
                if (extension == "rtfd") {
                    if (auto wrapper = kit::FileWrapper::initWithPath(path))
                        chosen = &pasteboardWith(wrapper->serializedRepresentation(), kit::RTFDPboardType);
                } else if (std::optional<std::string> bytes = kit::FileManager::contentsAtPath(path)) {
                    if (bytes->compare(0, 5, "{\\rtf") == 0)
                        chosen = &pasteboardWith(*bytes, kit::RTFPboardType);
                    else if (extension.empty() || !matchTextImportType(extension))
                        chosen = ZynDocumentContents::pasteboardFromDocument(path);
                    if (!chosen)
                        chosen = &pasteboardWith(kit::toUTF8(kit::Encoding::NeXTSTEP, *bytes), kit::StringPboardType);
                }
                if (!chosen) {
                    tell("ImportProblem", "ImportNotifyZyn");
                    continue;
                }
                if (target->paste(*chosen, false, this))
                    anything = unrecorded = true;
                chosen->releaseGlobally();
                continue;
            }

            if (target && targetEditing) {
                TextFlow* flow = target->flow();
                TextSelection* selection = flow ? flow->textSelection() : nullptr;
                if (!flow || (selection && !selection->isEmpty() && !selection->canDelete()))
                    continue;
                if (selection && !selection->isEmpty())
                    target->delete_(nullptr, this);
                std::string error;
                if (flow->addGraphic(InlineImage::Source::path(path), makeSymLinks, &error)) {
                    target->redrawQuickInView(this);
                    anything = unrecorded = true;
                } else if (!error.empty()) {
                    kit::runAlertPanel(text("Place"), error, text("OK"), "", "");
                }
                continue;
            }

            const int pages = isPostScript(path) ? countPostScriptPages(path) : 1;
            if (pages <= 1) {
                std::string error;
                std::shared_ptr<PlacedItem> placedItem = PlacedItem::initWithContentsOfFile(path, makeSymLinks, &error);
                if (!placedItem) {
                    if (!error.empty())
                        kit::runAlertPanel(text("Place"), error, text("OK"), "", "");
                    continue;
                }
                if (layer == 2) {
                    document_->setActivePage(onPage);
                    placedItem->setMasterFlags(3);
                }
                onPage->addItems(placedItem, true);
                kit::Size size = placedItem->frame().size;
                kit::Point at = fromDragSession ? dropPoint : centre;
                const bool larger = pageSize.width > size.width && pageSize.height > size.height;
                if (!larger && (pageSize.width < size.width || pageSize.height < size.height)) {
                    const kit::Size box = kit::makeSize(pageSize.width - 10, pageSize.height - 10);
                    CMScaleSizeToSize(&size, &box);
                    placedItem->setFrameSize(size);
                    at = centre;
                }
                placedItem->setFrameOrigin(roundedOrigin(at, size));
                placedItem->setRunaround(true, 0, 0, 0, 0, 0);
                auto* box = dynamic_cast<ItemBox*>(item);
                if (box && box->doesCrop() && box->page() == onPage) {
                    // Grouped with the cropping box that takes it; its own
                    // record first, so that undoing the group leaves it
                    // undoable too.
                    kit::beep();
                    placed.push_back(placedItem.get());
                    if (UndoInfo* undo = document_->undoInfo())
                        undo->push(std::make_unique<Undo>(placed, onPage, Undo::ItemsAdded));
                    placed.clear();
                    document_->setActivePage(onPage);
                    document_->setSelection({box, placedItem.get()}, this);
                    group(nullptr);
                } else {
                    placed.push_back(placedItem.get());
                }
                anything = true;
                continue;
            }

            // One picture per page of the file.
            bool lock = false, above = false, centred = true;
            int scale = 100;
            const auto takeOptions = [&](ImportPanel* panel) {
                lock = panel->importLock();
                above = panel->importAbove();
                centred = panel->importCenter();
                scale = panel->importScale();
            };
            if (ImportPanel* panel = DocumentPanels::shared().importPanel(false))
                takeOptions(panel);
            int answer = kit::AlertDefaultReturn;
            for (;;) {
                kit::beep();
                answer = kit::runAlertPanel(text("MultiPS"), text("MultiPSConfirm"), text("MultiPSOK"),
                                            text("MultiPSOptions"), text("Cancel"));
                if (answer != kit::AlertAlternateReturn)
                    break;
                ImportPanel* panel = DocumentPanels::shared().importPanel(true);
                if (!panel) {
                    answer = kit::AlertDefaultReturn;
                    break;
                }
                if (panel->runModal() == 1)
                    takeOptions(panel);
            }
            if (answer == kit::AlertOtherReturn)
                continue;
            // Scales outside what a page can show are no scale at all.
            if (scale <= 0 || scale > 10000)
                scale = 100;
            const std::optional<std::string> name =
                uniqueEmbeddedFilename(path, std::filesystem::path(path).parent_path().string());
            if (!name)
                continue;
            const PSSplitResult split = splitPostScriptFile(path, *name, 1, pages, pages);
            if (split.status == PSSplitPageTooLong || split.pagesWritten <= 0) {
                kit::beep();
                kit::runAlertPanel(text("MultiPS"), "ERROR in imported PostScript file", text("OK"), "", "");
                continue;
            }
            if (split.fromQuarkXPress) {
                kit::beep();
                kit::runAlertPanel("Quark PostScript",
                                   "This file originated in QuarkXPress, which produces incorrect PostScript files. "
                                   "We'll do the best we can to import it.",
                                   "Thanks", "", "");
            }
            if (!split.complete()) {
                // Only the pages written are placed; the user hears of the rest.
                kit::beep();
                kit::runAlertPanel(text("MultiPS"), text("MultiPSIncomplete"), text("OK"), "", "",
                                   {static_cast<long long>(split.pagesWritten), static_cast<long long>(pages)});
            }
            const int first = document_->indexOfPage(onPage);
            for (int n = 1; n <= split.pagesWritten; ++n) {
                const int i = first + n - 1;
                if (i >= document_->numPages()) {
                    if (!document_->addPages(1, i))
                        break;
                    if (UndoInfo* undo = document_->undoInfo())
                        undo->push(std::make_unique<UndoPage>(std::vector<Page*>{document_->pageAt(i)}, i, 1,
                                                              Undo::PagesAdded));
                    showPage(document_->pageAt(i));
                }
                Page* target = document_->pageAt(i);
                if (!target)
                    break;
                std::shared_ptr<PlacedItem> pagePicture =
                    PlacedItem::initWithContentsOfFile(pageFileName(*name, n), false);
                if (!pagePicture)
                    continue;
                target->addItems(pagePicture, true);
                if (scale != 100)
                    pagePicture->scaleUnitSquareToSize(kit::makeSize(scale / 100.0f, scale / 100.0f));
                const kit::Size size = pagePicture->frame().size;
                pagePicture->setFrameOrigin(roundedOrigin(dropPoint, size));
                if (centred) {
                    const kit::Size here = target->pageRect().size;
                    pagePicture->setFrameOrigin(
                        roundedOrigin(kit::makePoint(here.width / 2, here.height / 2), size));
                }
                if (lock)
                    pagePicture->lock();
                if (!above) {
                    auto& list = target->editedItemList();
                    auto at = std::find_if(list.begin(), list.end(),
                                           [&](const auto& entry) { return entry.get() == pagePicture.get(); });
                    if (at != list.end())
                        std::rotate(list.begin(), at, at + 1);
                }
                if (UndoInfo* undo = document_->undoInfo())
                    undo->push(std::make_unique<Undo>(std::vector<Item*>{pagePicture.get()}, target,
                                                      Undo::ItemsAdded));
                anything = true;
            }
            setNeedsDisplay(true);
        }
    } catch (const std::exception&) {
        // What was placed so far stays, with its records.
    }
    if (!placed.empty()) {
        if (UndoInfo* undo = document_->undoInfo())
            undo->push(std::make_unique<Undo>(placed, onPage, Undo::ItemsAdded));
        document_->setActivePage(onPage);
        document_->setSelection(placed, this);
    }
    if (anything) {
        // Items placed are on the stack, which marked the document; text
        // placed in a column is not.
        if (unrecorded || !document_->undoInfo())
            document_->setEdited(true);
        document_->notifyUpdate(this, static_cast<const std::vector<kit::Object*>*>(nullptr));
    }
    return anything;
}
