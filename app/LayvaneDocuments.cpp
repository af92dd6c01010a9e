// The list of open documents and the commands of the File menu: which
// document is made or reused, and what is done with it around its own
// reading, saving and closing.

#include "app/Layvane.h"

#include "appkit/MenuItem.h"
#include "appkit/OpenPanel.h"
#include "appkit/Window.h"
#include "core/FileManager.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/FileManagerExtensions.h"
#include "foundation/Preferences.h"
#include "items/TextItem.h"
#include "text/DocumentView.h"
#include "text/TextWordSpecial.h"
#include "view/PageView.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

// The one name of a file: absolute, with "." and ".." and symbolic links
// resolved (as far as the path exists). Two names of one file must never
// give two documents, each saving over the other.
std::string canonicalPath(const std::string& path)
{
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::path(path);
    if (absolute.is_relative())
        absolute = std::filesystem::path(kit::FileManager::currentDirectoryPath()) / absolute;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(absolute, error);
    if (error)
        canonical = absolute.lexically_normal();
    std::string result = canonical.string();
    while (result.size() > 1 && result.back() == '/')
        result.pop_back();
    return result;
}

// Whether two names stand for one file: the same canonical path, or the
// same file on disk (hard links).
bool sameFile(const std::string& a, const std::string& b)
{
    if (a.empty() || b.empty())
        return false;
    if (canonicalPath(a) == canonicalPath(b))
        return true;
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

// The scope of the flag that turns a template's date and time tokens into
// fixed text.
class FixedTokens {
public:
    FixedTokens() : saved_(convertToFixedTokens) { convertToFixedTokens = true; }
    ~FixedTokens() { convertToFixedTokens = saved_; }
    FixedTokens(const FixedTokens&) = delete;
    FixedTokens& operator=(const FixedTokens&) = delete;

private:
    bool saved_;
};

void bringToFront(LayoutDocument* document)
{
    if (document->views().empty())
        return;
    if (kit::Window* window = document->views().front()->window())
        window->makeKeyAndOrderFront(nullptr);
}

} // namespace

LayoutDocument* Layvane::findDocumentNamed(const std::string& name) const
{
    for (const auto& document : documents_)
        if (document->filename() == name)
            return document.get();
    return nullptr;
}

LayoutDocument* Layvane::openFile(const std::string& asked, bool display)
{
    if (asked.empty())
        return nullptr;
    const std::string path = canonicalPath(asked);
    for (const auto& document : documents_) {
        if (document->named() && sameFile(document->filename(), path)) {
            bringToFront(document.get());
            return document.get();
        }
    }
    const bool wasOpening = openingFile_;
    openingFile_ = true;
    std::unique_ptr<LayoutDocument> reader = documentClass();
    // The document read joins the list itself.
    LayoutDocument* document = reader->initFromFile(path, display);
    openingFile_ = wasOpening;
    return document;
}

LayoutDocument* Layvane::readTemplate(const std::string& asked, bool display)
{
    if (asked.empty())
        return nullptr;
    // A template is read afresh even when it is open for editing: the open
    // one must not become the new untitled document.
    FixedTokens fixed;
    const bool wasOpening = openingFile_;
    openingFile_ = true;
    std::unique_ptr<LayoutDocument> reader = documentClass();
    LayoutDocument* document = reader->initFromFile(canonicalPath(asked), display);
    openingFile_ = wasOpening;
    return document;
}

LayoutDocument* Layvane::newGeneric(bool display)
{
    std::unique_ptr<LayoutDocument> document = documentClass();
    document->setup();
    prepareNewDocument(*document);
    document->setFilename(newUntitled());
    LayoutDocument* raw = document.get();
    addDocument(std::move(document));
    raw->newView(nullptr, raw->firstPageNum(), display);
    return raw;
}

LayoutDocument* Layvane::new_(bool display)
{
    if (mainPageView_)
        mainPageView_->endEditingIfNeeded();
    setMainPageView(nullptr);
    LayoutDocument* document = nullptr;
    const std::optional<std::string>& templateFile = preferences()->templateFile();
    if (templateFile && !templateFile->empty())
        document = readTemplate(*templateFile, display);
    if (!document)
        document = newGeneric(display);
    else
        document->transformToNewUntitled();
    documentDidCreate(document);
    return document;
}

LayoutDocument* Layvane::openWithPanel(bool display, bool fromTemplate)
{
    kit::OpenPanel* panel = openPanel(true);
    const std::optional<std::string>& folder =
        fromTemplate ? preferences()->templateDir() : preferences()->loadSaveDir();
    const std::vector<std::string> types = openTypes();
    const int answer = folder && !folder->empty() ? panel->runModalForDirectory(*folder, "", types)
                                                  : panel->runModalForTypes(types);
    LayoutDocument* last = nullptr;
    if (answer == 1) {
        if (mainPageView_)
            mainPageView_->endEditingIfNeeded();
        const std::vector<std::string> chosen = panel->filenames();
        for (const std::string& file : chosen) {
            last = fromTemplate ? readTemplate(file, display) : openFile(file, display);
            if (last && (fromTemplate || last->isTemplate() || last->isForeign()))
                last->transformToNewUntitled();
        }
    }
    documentDidCreate(nullptr);
    return last;
}

LayoutDocument* Layvane::newFromTemplate(bool display)
{
    FixedTokens fixed;
    return openWithPanel(display, true);
}

LayoutDocument* Layvane::openTemplate(bool display)
{
    kit::OpenPanel* panel = openPanel(true);
    const std::string folder = preferences()->templateDir().value_or("");
    const std::vector<std::string> types = openTypes();
    const int answer =
        !folder.empty() ? panel->runModalForDirectory(folder, "", types) : panel->runModalForTypes(types);
    LayoutDocument* last = nullptr;
    if (answer == 1) {
        if (mainPageView_)
            mainPageView_->endEditingIfNeeded();
        for (const std::string& file : panel->filenames())
            last = openFile(file, display);
    }
    return last;
}

void Layvane::saveAll(kit::Object* sender)
{
    const std::vector<LayoutDocument*> list = documents();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        LayoutDocument* document = *it;
        if (!document->isEdited())
            continue;
        bringToFront(document);
        document->save(sender);
    }
}

bool Layvane::applicationOpenFile(const std::string& path)
{
    LayoutDocument* document = openFile(path, true);
    if (!document)
        return false;
    openPanel(true)->setDirectory(kit::FileManager::stringByDeletingLastPathComponent(document->filename()));
    if (document->isForeign())
        document->transformToNewUntitled();
    return true;
}

void Layvane::applicationDidBecomeActive()
{
    LayoutDocument* main = mainDocument();
    if (main)
        main->notifyAppDidBecomeActive();
    // A document may close while it looks at its files: walk a copy, and
    // skip what has left the list since.
    const std::vector<LayoutDocument*> list = documents();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if (*it == main)
            continue;
        const auto now = documents();
        if (std::find(now.begin(), now.end(), *it) != now.end())
            (*it)->notifyAppDidBecomeActive();
    }
}

bool Layvane::validateMenuItem(kit::MenuItem* item)
{
    followMainWindow();
    const std::string& action = item->action();
    LayoutDocument* document = mainDocument();
    if (action == "revert:")
        return document && document->named();
    static const std::set<std::string> needDocument = {"close:",         "save:",          "saveAs:",
                                                        "saveAll:",       "saveAsTemplate:", "runPageLayout:",
                                                        "runPaper:",      "saveTo:",        "printDocument:"};
    if (needDocument.count(action) && !document)
        return false;
    // The panel commands, as their rows say.
    return canRunPanel(action);
}

bool Layvane::pasteStuffFromPasteBoard(kit::Pasteboard* pasteboard, TextItem* column)
{
    if (!pasteboard || !column)
        return false;
    return column->paste(*pasteboard, false, mainPageView_.get());
}

bool Layvane::newFromSelection(kit::Pasteboard* pasteboard, std::string* error)
{
    LayoutDocument* document = new_(true);
    if (!document || document->numPages() == 0) {
        if (error)
            *error = "No document";
        return false;
    }
    TextItem* column = nullptr;
    if (Page* page = document->pageAt(0))
        for (const auto& item : page->pageItems())
            if ((column = dynamic_cast<TextItem*>(item.get())))
                break;
    if (!column) {
        if (error)
            *error = "No text frame";
        return false;
    }
    if (mainPageView_)
        mainPageView_->beginEditingItem(column);
    const bool pasted = pasteStuffFromPasteBoard(pasteboard, column);
    if (mainPageView_)
        mainPageView_->setNeedsDisplay(true);
    return pasted;
}

bool Layvane::stuffFromSelection(kit::Pasteboard* pasteboard, std::string* error)
{
    LayoutDocument* document = mainDocument();
    if (!document)
        return false;
    TextItem* column = document->activeTextItem();
    if (!column) {
        for (Item* item : document->selected())
            if ((column = dynamic_cast<TextItem*>(item)))
                break;
    }
    if (!column) {
        if (error)
            error->clear();
        return false;
    }
    const bool pasted = pasteStuffFromPasteBoard(pasteboard, column);
    if (mainPageView_)
        mainPageView_->setNeedsDisplay(true);
    return pasted;
}
