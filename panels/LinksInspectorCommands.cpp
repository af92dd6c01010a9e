// The links inspector's commands: open, replace, break, and show the linked
// picture in the document.

#include "panels/LinksInspector.h"

#include "appkit/CellMatrix.h"
#include "appkit/OpenPanel.h"
#include "appkit/Workspace.h"
#include "core/Alert.h"
#include "core/FileManager.h"
#include "core/ImageFileTypes.h"
#include "document/LayoutDocument.h"
#include "document/LinksInfo.h"
#include "foundation/PboardTypes.h"
#include "graphics/Image.h"
#include "items/PlacedItem.h"
#include "items/TextItem.h"
#include "panels/LinkCell.h"
#include "text/GraphicLink.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextPoint.h"
#include "text/TextWordSpecial.h"
#include "view/PageView.h"

namespace {

bool hasSerial(const GraphicLink& link)
{
    if (const auto* item = dynamic_cast<const Item*>(&link))
        return item->itemSerialNumber().has_value();
    if (const auto* word = dynamic_cast<const TextWordSpecial*>(&link))
        return word->itemSerialNumber().has_value();
    return false;
}

// The file holds a picture the readers take. A file that is not a regular
// one (a folder, a named pipe) is never opened.
bool readsAsPicture(const std::string& path)
{
    const std::optional<kit::FileAttributes> attributes = kit::FileManager::fileAttributesAtPath(path);
    if (!attributes || attributes->type != kit::FileType::Regular)
        return false;
    const std::optional<std::string> bytes = kit::FileManager::contentsAtPath(path);
    return bytes && kit::Image::imageWithData(*bytes) != nullptr;
}

} // namespace

void LinksInspector::openFile(kit::Object* sender)
{
    (void)sender;
    visitSelected("openFileForCell:");
}

void LinksInspector::openFileForCell(kit::Cell* cell)
{
    const GraphicLink* link = cell ? linkAtRow(cell->tag()) : nullptr;
    if (!link || !link->isLinked())
        return;
    const auto* picture = dynamic_cast<const PlacedItem*>(link->linkItem());
    if (const std::optional<std::string> path = picture ? picture->resolvedname() : std::nullopt)
        kit::Workspace::sharedWorkspace().openFile(*path);
}

void LinksInspector::replaceFile(kit::Object* sender)
{
    (void)sender;
    if (multipleCellsSelected()) {
        kit::runAlertPanel(text("ReplaceFile"), text("ReplaceMultipleFiles"), "", "", "");
        return;
    }
    // The open panel is ours and runs without changing the process's
    // current directory, so there is none to restore.
    updateList_.clear();
    visitSelected("replaceFileForCell:");
    if (LinksInfo* info = listed(); info && !updateList_.empty())
        info->document()->notifyUpdate(nullptr, &updateList_);
}

bool LinksInspector::replaceFileForCell(kit::Cell* cell)
{
    LinksInfo* info = listed();
    const int row = cell ? cell->tag() : -1;
    GraphicLink* link = linkAtRow(row);
    if (!info || !link || !link->isGraphicLink())
        return false;
    LayoutDocument* doc = info->document();
    const std::optional<std::string> name = link->filename();
    kit::OpenPanel* panel = kit::OpenPanel::openPanel();
    panel->setAllowsMultipleSelection(false);
    panel->setTitle(text("Replace"));
    const std::string folder = name ? kit::FileManager::stringByDeletingLastPathComponent(*name) : std::string();
    const std::string file = name ? kit::FileManager::lastPathComponent(*name) : std::string();
    if (panel->runModalForDirectory(folder, file, kit::ImageFileTypes::imageFileTypes()) != 1)
        return false;
    const std::string chosen = panel->filename();
    if (chosen.empty() || !matchImportType(kit::FileManager::pathExtension(chosen)))
        return false;
    // A file that only looks like a picture would leave the link pointing
    // at nothing, and a held picture's data would be dropped at the next
    // save: the link changes only to a file that reads.
    if (!readsAsPicture(chosen)) {
        kit::runAlertPanel(text("ReplaceFile"), text("ReplaceNotPicture"), "", "", "",
                           {kit::FileManager::lastPathComponent(chosen)});
        return false;
    }
    // The link may have gone while the panel ran.
    link = linkAtRow(row);
    if (!link)
        return false;
    if (auto* word = dynamic_cast<TextWordSpecial*>(link)) {
        word->replaceFilenameWith(chosen);
        doc->setEdited(true);
        if (hasSerial(*link))
            doc->removedObjectLinkItem(word->graphicItem());
        noteUpdated(word->textItem());
    } else if (auto* picture = dynamic_cast<PlacedItem*>(link)) {
        picture->replaceFilenameWith(chosen);
        doc->setEdited(true);
        if (hasSerial(*link))
            doc->removedObjectLinkItem(picture);
        doc->setSelection({picture}, nullptr);
        noteUpdated(picture);
    } else {
        return false;
    }
    loadCellAt(row);
    return false;
}

void LinksInspector::break_(kit::Object* sender)
{
    (void)sender;
    LinksInfo* info = listed();
    if (!isLinked() || !info)
        return;
    int answer = kit::AlertAlternateReturn;
    if (multipleCellsSelected()) {
        answer = kit::runAlertPanel(text("BreakFile"), text("BreakFileMsgMany"), text("Break"), text("Cancel"), "");
    } else {
        const GraphicLink* link = matrix_ ? linkAtRow(matrix_->selectedRow()) : nullptr;
        const std::optional<std::string> name = link ? link->filename() : std::nullopt;
        // The name is an argument, never part of the format: a "%@" in it
        // shows as it is.
        answer = kit::runAlertPanel(text("BreakFile"), "%@ %@?", text("Break"), text("Cancel"), "",
                                    {text("BreakFileMsgOne"), name ? kit::FileManager::lastPathComponent(*name) : ""});
    }
    if (answer != kit::AlertDefaultReturn)
        return;
    updateList_.clear();
    unbroken_.clear();
    visitSelected("breakForCell:");
    if (!updateList_.empty())
        info->document()->notifyUpdate(nullptr, &updateList_);
    if (!unbroken_.empty()) {
        std::string names;
        for (const std::string& name : unbroken_)
            names += (names.empty() ? "" : ", ") + name;
        kit::runAlertPanel(text("BreakFile"), text("BreakFileUnreadable"), "", "", "", {names});
    }
    showSelection(nullptr);
}

bool LinksInspector::breakForCell(kit::Cell* cell)
{
    LinksInfo* info = listed();
    const int row = cell ? cell->tag() : -1;
    GraphicLink* link = linkAtRow(row);
    if (!info || !link || !link->isLinked())
        return false;
    auto* picture = dynamic_cast<PlacedItem*>(link->linkItem());
    // A file gone since it was last looked at cannot be copied in: the link
    // stays as it was, and the user hears of it.
    if (!picture || !picture->breakInDocument(info->document())) {
        const std::optional<std::string> name = link->filename();
        unbroken_.push_back(name ? kit::FileManager::lastPathComponent(*name) : std::string());
        loadCellAt(row);
        return false;
    }
    if (auto* word = dynamic_cast<TextWordSpecial*>(link))
        noteUpdated(word->textItem());
    else
        noteUpdated(picture);
    loadCellAt(row);
    return true;
}

void LinksInspector::ok(kit::Object* sender)
{
    (void)sender;
    updateList_.clear();
    visitSelected("updateForCell:");
    LinksInfo* info = listed();
    if (!info || updateList_.empty())
        return;
    LayoutDocument* doc = info->document();
    auto* view = dynamic_cast<PageView*>(doc->mainView());
    kit::Object* first = updateList_.front();
    auto* link = dynamic_cast<GraphicLink*>(first);
    if (!link)
        return;
    if (auto* word = dynamic_cast<TextWordSpecial*>(first)) {
        TextParagraph* paragraph = word->paragraph();
        TextFlow* flow = paragraph ? paragraph->flow() : nullptr;
        if (!flow || !view)
            return;
        paragraph->setCurrentWord(word);
        textPoint from = flow->pointOfWord(word);
        if (from.paragraph < 0)
            return;
        flow->setCurrentPoint(&from);
        TextItem* column = flow->item(from);
        if (!column)
            return;
        view->beginEditingItem(column);
        textPoint to = from;
        to.letter = 1;
        flow->drawAndSetSelectionType(2, &from, &to, false, view, 0);
    } else if (auto* item = dynamic_cast<Item*>(first)) {
        doc->setSelection({item}, view);
    }
    if (view)
        if (Page* page = link->linkPage())
            view->showPage(page);
}

void LinksInspector::updateForCell(kit::Cell* cell)
{
    GraphicLink* link = cell && listed() ? linkAtRow(cell->tag()) : nullptr;
    if (auto* object = dynamic_cast<kit::Object*>(link))
        noteUpdated(object);
}
