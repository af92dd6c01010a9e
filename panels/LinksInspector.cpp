#include "panels/LinksInspector.h"

#include "appkit/Application.h"
#include "appkit/Box.h"
#include "appkit/Button.h"
#include "appkit/CellMatrix.h"
#include "appkit/PopUpButton.h"
#include "appkit/ScrollView.h"
#include "appkit/TextField.h"
#include "appkit/Window.h"
#include "appkit/Workspace.h"
#include "core/Color.h"
#include "core/FileManager.h"
#include "document/LayoutDocument.h"
#include "document/LinksInfo.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/CommonHelpers.h"
#include "foundation/PageNumbers.h"
#include "graphics/Font.h"
#include "graphics/Image.h"
#include "items/PlacedItem.h"
#include "items/TextItem.h"
#include "panels/LinkCell.h"
#include "text/GraphicLink.h"
#include "text/TextWordSpecial.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <iomanip>
#include <locale>
#include <sstream>

namespace {

// Where a link stands on a master page (0: on a page of its own).
int masterFlagsOf(const GraphicLink& link)
{
    if (const auto* item = dynamic_cast<const Item*>(&link))
        return item->masterFlags();
    if (const auto* word = dynamic_cast<const TextWordSpecial*>(&link))
        if (TextItem* column = word->textItem())
            return column->masterFlags();
    return 0;
}

bool hasSerialNumber(const GraphicLink& link)
{
    if (const auto* item = dynamic_cast<const Item*>(&link))
        return item->itemSerialNumber().has_value();
    if (const auto* word = dynamic_cast<const TextWordSpecial*>(&link))
        return word->itemSerialNumber().has_value();
    return false;
}

std::optional<std::string> resolvedName(const GraphicLink& link)
{
    if (const auto* picture = dynamic_cast<const PlacedItem*>(link.linkItem()))
        return picture->resolvedname();
    return std::nullopt;
}

std::string folderOf(const std::optional<std::string>& path)
{
    return path ? kit::FileManager::stringByDeletingLastPathComponent(*path) : std::string();
}

// "%b %d %y" in the "C" locale and the local time zone; none for a time the
// calendar cannot show.
std::optional<std::string> dateString(std::optional<double> seconds)
{
    // Beyond some ten thousand years either way is no file's date.
    if (!seconds || !std::isfinite(*seconds) || std::fabs(*seconds) > 3.0e11)
        return std::nullopt;
    const auto when = static_cast<std::time_t>(std::floor(*seconds));
    std::tm local{};
    if (!localtime_r(&when, &local))
        return std::nullopt;
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << std::put_time(&local, "%b %d %y");
    return out.str();
}

LinkCell* linkCell(kit::Cell* cell) { return dynamic_cast<LinkCell*>(cell); }

} // namespace

LinksInspector::LinksInspector()
{
    auto command = [this](const char* name, void (LinksInspector::*method)(kit::Object*)) {
        setAction(name, [this, method](kit::Object* sender) -> kit::Object* {
            (this->*method)(sender);
            return this;
        });
    };
    setAction("inspect:", [this](kit::Object* sender) { return inspect(sender); });
    command("sort:", &LinksInspector::sort);
    command("singleAction:", &LinksInspector::singleAction);
    command("doubleAction:", &LinksInspector::doubleAction);
    command("nextItem:", &LinksInspector::nextItem);
    command("previousItem:", &LinksInspector::previousItem);
    command("openFile:", &LinksInspector::openFile);
    command("replaceFile:", &LinksInspector::replaceFile);
    command("break:", &LinksInspector::break_);
    auto visit = [this](const char* name, auto method) {
        setAction(name, [this, method](kit::Object* sender) -> kit::Object* {
            (void)(this->*method)(dynamic_cast<kit::Cell*>(sender));
            return this;
        });
    };
    visit("incrementCount:", &LinksInspector::incrementCount);
    visit("checkLink:", &LinksInspector::checkLink);
    visit("checkObjectLink:", &LinksInspector::checkObjectLink);
    visit("_checkPathname:", &LinksInspector::checkPathname);
    visit("openFileForCell:", &LinksInspector::openFileForCell);
    visit("replaceFileForCell:", &LinksInspector::replaceFileForCell);
    visit("breakForCell:", &LinksInspector::breakForCell);
    visit("updateForCell:", &LinksInspector::updateForCell);
}

LinksInspector::~LinksInspector() = default;

std::string LinksInspector::text(const char* key) { return Main ? Main->valueForStringKey(key) : std::string(key); }

bool LinksInspector::setOutlet(const std::string& name, kit::Object* object)
{
    struct Outlet {
        const char* name;
        kit::View* LinksInspector::*view;
    };
    static const Outlet views[] = {
        {"view", &LinksInspector::view_},
        {"entryButton", &LinksInspector::entryButton_},
        {"entryName", &LinksInspector::entryName_},
        {"entryPage", &LinksInspector::entryPage_},
        {"entryChange", &LinksInspector::entryChange_},
        {"entrySize", &LinksInspector::entrySize_},
    };
    for (const Outlet& outlet : views)
        if (name == outlet.name) {
            this->*outlet.view = dynamic_cast<kit::View*>(object);
            return true;
        }
    if (name == "window")
        window_ = dynamic_cast<kit::Window*>(object);
    else if (name == "entryBox")
        entryBox_ = dynamic_cast<kit::Box*>(object);
    else if (name == "sortPopup")
        sortPopup_ = dynamic_cast<kit::PopUpButton*>(object);
    else if (name == "breakButton")
        breakButton_ = dynamic_cast<kit::Button*>(object);
    else if (name == "openButton")
        openButton_ = dynamic_cast<kit::Button*>(object);
    else if (name == "replaceButton")
        replaceButton_ = dynamic_cast<kit::Button*>(object);
    else if (name == "iconButton")
        iconButton_ = dynamic_cast<kit::Button*>(object);
    else if (name == "fileTitle")
        fileTitle_ = dynamic_cast<kit::TextField*>(object);
    else if (name == "pathField")
        pathField_ = dynamic_cast<kit::TextField*>(object);
    else if (name == "pathTitle")
        pathTitle_ = dynamic_cast<kit::TextField*>(object);
    else if (name == "scrollView")
        scrollView_ = dynamic_cast<kit::ScrollView*>(object);
    else
        return ZynInspector::setOutlet(name, object);
    return true;
}

LinksInspector* LinksInspector::init(kit::Object* sender)
{
    (void)sender;
    iconImage_ = iconButton_ ? iconButton_->image() : nullptr;
    auto rectOf = [](kit::View* view) { return view ? view->frame() : kit::Rect{}; };
    LinkCell::setImageRect(rectOf(entryButton_));
    LinkCell::setNameRect(rectOf(entryName_));
    LinkCell::setPageRect(rectOf(entryPage_));
    LinkCell::setChangeRect(rectOf(entryChange_));
    LinkCell::setSizeRect(rectOf(entrySize_));
    if (entryBox_ && entryBox_->superview())
        removedEntry_ = entryBox_->removeFromSuperview();
    updateList_.clear();
    createScrollingMatrix();
    if (view_)
        view_->setNeedsDisplay(true);
    return this;
}

void LinksInspector::createScrollingMatrix()
{
    if (!scrollView_)
        return;
    scrollView_->setHasVerticalScroller(true);
    scrollView_->setHasHorizontalScroller(false);
    const kit::Size content = scrollView_->contentView() ? scrollView_->contentView()->frame().size
                                                         : scrollView_->frame().size;
    auto matrix = std::make_unique<kit::CellMatrix>(kit::Rect{{0, 0}, content}, kit::MatrixMode::List, nullptr, 0, 1);
    matrix->setCellFactory([] { return std::make_unique<LinkCell>(); });
    matrix->setIntercellSpacing({0, 0});
    matrix_ = matrix.get();
    sortByType(SortByPage);
    matrix_->setCellSize({content.width, std::max(matrix_->cellSize().height, 18.0f)});
    matrix_->setAutoresizingMask(kit::ViewWidthSizable);
    scrollView_->setDocumentView(std::move(matrix));
    fillMatrix();
    matrix_->setTarget(this);
    matrix_->setAction("singleAction:");
    matrix_->setDoubleAction("doubleAction:");
    if (matrix_->numberOfRows() > 0)
        matrix_->selectCellAtRow(0, 0);
    showSelection(nullptr);
}

LinksInfo* LinksInspector::linksInfo() const
{
    LayoutDocument* doc = document();
    return doc ? &doc->linksInfo() : nullptr;
}

LinksInfo* LinksInspector::listed() const
{
    LinksInfo* info = linksInfo();
    return info && info->document() ? info : nullptr;
}

kit::Object* LinksInspector::inspect(kit::Object* sender)
{
    (void)sender;
    if (blockLoad_)
        return nullptr;
    sortByType(sortPopup_ ? sortPopup_->indexOfSelectedItem() : SortByPage);
    fillMatrix();
    return inspectSelection(selected().get());
}

void LinksInspector::sortByType(int type)
{
    LinksInfo* info = linksInfo();
    if (!info)
        return;
    int (GraphicLink::*compare)(const GraphicLink&) const = nullptr;
    switch (type) {
    case SortByName: compare = &GraphicLink::compareName; break;
    case SortByPage: compare = &GraphicLink::comparePage; break;
    case SortByStatus: compare = &GraphicLink::compareStatus; break;
    case SortByType: compare = &GraphicLink::compareType; break;
    default: return;
    }
    info->sortLinks([compare](const GraphicLink& a, const GraphicLink& b) { return (a.*compare)(b) < 0; });
}

void LinksInspector::fillMatrix()
{
    if (!matrix_)
        return;
    LinksInfo* info = listed();
    const std::vector<GraphicLink*> links = info ? info->links() : std::vector<GraphicLink*>{};
    rows_.assign(links.begin(), links.end());
    rowOf_.clear();
    rowOf_.reserve(links.size());
    for (std::size_t i = 0; i < links.size(); ++i)
        rowOf_.emplace(links[i], static_cast<int>(i));
    listedInfo_ = info;
    const float before = matrix_->frame().size.height;
    matrix_->renewRows(static_cast<int>(links.size()), 1);
    // Each row is drawn with the whole list below, not one by one.
    for (int i = 0; i < static_cast<int>(links.size()); ++i)
        loadCell(i, false);
    matrix_->sizeToCells();
    matrix_->setNeedsDisplay(true);
    const float after = matrix_->frame().size.height;
    if (before > 0 && after <= before && window_)
        window_->display();
}

void LinksInspector::loadCellAt(int index) { loadCell(index, true); }

void LinksInspector::loadCell(int index, bool draw)
{
    LinksInfo* info = listed();
    GraphicLink* link = linkAtRow(index);
    LinkCell* cell = cellAt(index);
    if (!info || !link || !cell)
        return;
    LayoutDocument* doc = info->document();
    kit::Font* font = kit::Font::userFontOfSize(12);
    if (!font)
        font = kit::Font::fontWithName("Helvetica", 12);
    cell->setFont(font);
    cell->setTag(index);
    const std::optional<std::string> name = link->filename();
    cell->setFilename(name ? kit::FileManager::lastPathComponent(*name) : std::string());

    std::optional<std::string> page;
    switch (masterFlagsOf(*link)) {
    case 0:
        if (Page* on = link->linkPage()) {
            const int where = doc->indexOfPage(on);
            if (where >= 0)
                page = pageNumberString(doc->numberOfIndex(where), doc->pageNumberFormat());
        }
        break;
    case 1: page = "L"; break;
    case 2: page = "R"; break;
    default: page = "M"; break;
    }
    cell->setPageString(page);

    if (!link->cantFind()) {
        cell->setChangeString(dateString(link->lastModifyTime()));
        const std::int32_t size = link->filesize();
        cell->setSizeString(size >= 0 ? std::optional<std::string>(getSizeString(size)) : std::nullopt);
    } else {
        cell->setChangeString(std::nullopt);
        cell->setSizeString(std::nullopt);
    }

    const char* status = link->cantFind()        ? "Missing"
                         : hasSerialNumber(*link) ? "ObjectLinked"
                         : link->isLinked()       ? "Linked"
                                                  : "Anchor";
    cell->setImage(statusImage(status));
    cell->setAlternateImage(statusImage(std::string(status) + "H"));
    if (draw)
        matrix_->drawCell(cell);
}

std::shared_ptr<kit::Image> LinksInspector::statusImage(const std::string& name)
{
    auto [it, added] = images_.try_emplace(name);
    if (added)
        it->second = kit::Image::imageNamed(name);
    return it->second;
}

LinkCell* LinksInspector::cellAt(int row) const
{
    return matrix_ ? linkCell(matrix_->cellAtRow(row, 0)) : nullptr;
}

GraphicLink* LinksInspector::linkAtRow(int row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size())
        return nullptr;
    return rows_[static_cast<std::size_t>(row)].get();
}

int LinksInspector::rowOfLink(const GraphicLink* link) const
{
    const auto found = rowOf_.find(link);
    return found == rowOf_.end() || !linkAtRow(found->second) ? -1 : found->second;
}

std::vector<int> LinksInspector::selectedRows() const
{
    std::vector<int> rows;
    if (!matrix_)
        return rows;
    for (int row = 0; row < matrix_->numberOfRows(); ++row)
        if (kit::Cell* cell = matrix_->cellAtRow(row, 0); cell && cell->state() != 0)
            rows.push_back(row);
    return rows;
}

kit::Object* LinksInspector::inspectSelection(const std::vector<Item*>* selection)
{
    if (blockLoad_)
        return nullptr;
    if (listed() != listedInfo_)
        fillMatrix();
    std::vector<const GraphicLink*> links;
    if (selection)
        for (Item* item : *selection)
            if (const auto* link = dynamic_cast<const GraphicLink*>(item); link && link->isGraphicLink())
                links.push_back(link);
    selectLinks(links);
    return this;
}

void LinksInspector::inspectWords(const std::vector<TextWord*>* words)
{
    if (blockLoad_)
        return;
    if (listed() != listedInfo_)
        fillMatrix();
    std::vector<const GraphicLink*> links;
    if (words)
        for (TextWord* word : *words)
            if (const auto* link = dynamic_cast<const GraphicLink*>(word); link && link->isGraphicLink())
                links.push_back(link);
    selectLinks(links);
}

void LinksInspector::selectLinks(const std::vector<const GraphicLink*>& links)
{
    if (window_)
        window_->disableFlushWindow();
    if (matrix_) {
        matrix_->deselectAllCells();
        bool first = true;
        if (!rows_.empty())
            for (const GraphicLink* link : links) {
                const int row = rowOfLink(link);
                if (row < 0)
                    continue;
                if (first) {
                    matrix_->selectCellAtRow(row, 0);
                    first = false;
                } else if (kit::Cell* cell = matrix_->cellAtRow(row, 0)) {
                    // Marks its row for drawing, with the others at once.
                    cell->setState(1);
                }
            }
    }
    showSelection(nullptr);
    if (window_) {
        window_->enableFlushWindow();
        window_->flushWindowIfNeeded();
    }
}

void LinksInspector::sort(kit::Object* sender)
{
    LinksInfo* info = listed();
    if (!info || info->count() == 0)
        return;
    int type = sortPopup_ ? sortPopup_->indexOfSelectedItem() : SortByPage;
    if (auto* popup = dynamic_cast<kit::PopUpButton*>(sender))
        if (kit::MenuItem* item = popup->selectedItem())
            type = item->tag();
    sortByType(type);
    fillMatrix();
    inspectSelection(selected().get());
}

void LinksInspector::singleAction(kit::Object* sender)
{
    (void)sender;
    blockLoad_ = true;
    if (LayoutDocument* doc = document())
        doc->setSelection({}, nullptr);
    showSelection(nullptr);
    blockLoad_ = false;
}

void LinksInspector::doubleAction(kit::Object* sender) { ok(sender); }

void LinksInspector::nextItem(kit::Object* sender)
{
    (void)sender;
    if (!matrix_ || multipleCellsSelected() || !matrix_->selectedCell())
        return;
    const int row = matrix_->selectedRow() + 1;
    if (row >= matrix_->numberOfRows())
        return;
    matrix_->selectCellAtRow(row, 0);
    matrix_->scrollCellToVisible(row, 0);
    showSelection(nullptr);
}

void LinksInspector::previousItem(kit::Object* sender)
{
    (void)sender;
    if (!matrix_ || multipleCellsSelected() || !matrix_->selectedCell())
        return;
    const int row = matrix_->selectedRow() - 1;
    if (row < 0)
        return;
    matrix_->selectCellAtRow(row, 0);
    matrix_->scrollCellToVisible(row, 0);
    showSelection(nullptr);
}

void LinksInspector::visitSelected(const char* selector)
{
    if (matrix_)
        matrix_->sendAction(selector, this, false);
}

bool LinksInspector::multipleCellsSelected()
{
    selectedCount_ = 0;
    visitSelected("incrementCount:");
    return selectedCount_ > 1;
}

void LinksInspector::incrementCount(kit::Cell* cell)
{
    (void)cell;
    ++selectedCount_;
}

bool LinksInspector::isLinked()
{
    isLinked_ = false;
    visitSelected("checkLink:");
    return isLinked_;
}

void LinksInspector::checkLink(kit::Cell* cell)
{
    const GraphicLink* link = cell ? linkAtRow(cell->tag()) : nullptr;
    if (link && link->isLinked() && !link->cantFind())
        isLinked_ = true;
}

bool LinksInspector::isObjectLinked()
{
    isObjectLinked_ = false;
    visitSelected("checkObjectLink:");
    return isObjectLinked_;
}

void LinksInspector::checkObjectLink(kit::Cell* cell)
{
    const GraphicLink* link = cell ? linkAtRow(cell->tag()) : nullptr;
    if (link && hasSerialNumber(*link))
        isObjectLinked_ = true;
}

void LinksInspector::findCommonPathname()
{
    path_.reset();
    pathDiffers_ = false;
    visitSelected("_checkPathname:");
    if (pathDiffers_)
        path_.reset();
}

void LinksInspector::checkPathname(kit::Cell* cell)
{
    const GraphicLink* link = cell ? linkAtRow(cell->tag()) : nullptr;
    if (!link || pathDiffers_ || (!link->isLinked() && !link->cantFind()))
        return;
    const std::string dir = folderOf(link->filename());
    if (dir.empty() || (path_ && *path_ != dir)) {
        pathDiffers_ = true;
        path_.reset();
    } else if (!path_) {
        path_ = dir;
    }
}

void LinksInspector::setIconForFilename(const std::optional<std::string>& path)
{
    iconImage_ = nullptr;
    if (!iconButton_)
        return;
    if (path && kit::Application::sharedApplication().isActive()) {
        // By name only: reading the file could hang on a named pipe.
        const std::unique_ptr<kit::Image> icon = kit::Workspace::sharedWorkspace().iconForFile(*path);
        iconButton_->setImage(icon.get());
    } else {
        iconButton_->setImage(nullptr);
    }
}

void LinksInspector::setMultipleIcon()
{
    if (!multipleImage_)
        multipleImage_ = statusImage("MultipleFiles");
    if (iconButton_)
        iconButton_->setImage(multipleImage_.get());
    iconImage_ = multipleImage_.get();
}

bool LinksInspector::showSelection(kit::Object* sender)
{
    (void)sender;
    if (window_)
        window_->disableFlushWindow();
    const bool linked = isLinked();
    auto setPath = [&](const std::string& shown, bool notLinked, bool titleEnabled) {
        if (!pathField_)
            return;
        if (shown.empty() && notLinked) {
            pathField_->setStringValue(text("NotLinked"));
            pathField_->setEnabled(false);
            if (pathTitle_)
                pathTitle_->setTextColor(kit::Color::darkGrayColor());
        } else {
            pathField_->setStringValue(shown);
            pathField_->setEnabled(true);
            if (pathTitle_) {
                pathTitle_->setTextColor(kit::Color::blackColor());
                if (titleEnabled)
                    pathTitle_->setEnabled(true);
            }
        }
    };
    auto enable = [](kit::Button* button, bool flag) {
        if (button)
            button->setEnabled(flag);
    };
    if (!multipleCellsSelected()) {
        GraphicLink* link = matrix_ && matrix_->selectedCell() ? linkAtRow(matrix_->selectedRow()) : nullptr;
        if (link) {
            const std::optional<std::string> name = link->filename();
            if (fileTitle_)
                fileTitle_->setStringValue(name ? kit::FileManager::lastPathComponent(*name) : std::string());
            setPath(folderOf(name), !link->isLinked(), false);
            setIconForFilename(resolvedName(*link));
            enable(breakButton_, linked);
            enable(openButton_, linked);
            enable(replaceButton_, true);
        } else {
            if (fileTitle_)
                fileTitle_->setStringValue("");
            setPath("", false, false);
            setIconForFilename(std::nullopt);
            enable(breakButton_, false);
            enable(openButton_, false);
            enable(replaceButton_, false);
        }
    } else {
        if (fileTitle_)
            fileTitle_->setStringValue(text("MultipleFiles"));
        findCommonPathname();
        setPath(path_.value_or(""), !linked, true);
        setMultipleIcon();
        enable(breakButton_, linked);
        enable(openButton_, linked);
        enable(replaceButton_, false);
    }
    if (window_) {
        window_->enableFlushWindow();
        window_->flushWindowIfNeeded();
    }
    return true;
}

void LinksInspector::noteUpdated(kit::Object* object)
{
    if (object && std::find(updateList_.begin(), updateList_.end(), object) == updateList_.end())
        updateList_.push_back(object);
}
