// From a path to an open document: which reader a path goes to, reading the
// stored form (a plain file, or the archive inside an old package folder),
// completing the document, and revert.
//
// Files are read into memory whole, never mapped (readStoredForm): a file
// cut short by another program while it is open must not bring this one
// down. Only regular files and package folders are read; anything else is
// not a document. A read that fails in any way (a damaged archive, a refused
// version, an exception while the document completes itself) answers nil:
// the user's file is never taken for an empty document that a save would
// then write over it.

#include "document/LayoutDocument.h"

#include "appkit/Window.h"
#include "core/Alert.h"
#include "core/Exception.h"
#include "core/FileManager.h"
#include "core/Unarchiver.h"
#include "document/DocumentDelegate.h"
#include "document/DocumentFiles.h"
#include "document/DocumentWindowView.h"
#include "document/PackageFiles.h"
#include "document/Page.h"
#include "document/PageSet.h"
#include "document/UndoInfo.h"
#include "foundation/CommonHelpers.h"
#include "items/Item.h"
#include "items/TextItem.h"
#include "text/DocumentView.h"

#include <algorithm>
#include <cstdio>

namespace {

std::string& currentFileNameStorage()
{
    static std::string name;
    return name;
}

// currentFileName names the path for the length of one open.
class OpeningFile {
public:
    explicit OpeningFile(const std::string& path) { currentFileNameStorage() = path; }
    ~OpeningFile() { currentFileNameStorage().clear(); }
    OpeningFile(const OpeningFile&) = delete;
    OpeningFile& operator=(const OpeningFile&) = delete;
};

void cannotOpen(const std::string& path)
{
    kit::beep();
    kit::runAlertPanel(documentString("BadDoc"), documentString("BadDocCannotOpen"), "", "", "", {path});
}

} // namespace

const std::string& LayoutDocument::currentFileName() { return currentFileNameStorage(); }

LayoutDocument::AlienReader& LayoutDocument::alienReaderHook()
{
    static AlienReader hook;
    return hook;
}

LayoutDocument* LayoutDocument::initFromFile(const std::string& asked, bool view, bool forRevert)
{
    DocumentDelegate* delegate = documentDelegate();
    LayoutDocument* opened = nullptr;
    bool reported = false;
    if (!asked.empty()) {
        std::string path = asked;
        // The archive inside a package stands for the package.
        if (kit::FileManager::lastPathComponent(path) == docEmbeddedFilename())
            path = kit::FileManager::stringByDeletingLastPathComponent(path);
        const std::string extension = kit::FileManager::pathExtension(path);
        // A package saved as a file by a save that was cut short may have
        // left the path empty and both versions beside it.
        if (_canInitPrivateType(extension))
            recoverInterruptedPackageSave(path, docEmbeddedFilename());
        else if (_canInitOtherType(extension))
            recoverInterruptedPackageSave(path, "SYB.typedstream");
        OpeningFile current(asked);
        // After a revert this document may be gone: nothing of it is used
        // once a reader has run.
        if (_canInitPrivateType(extension)) {
            opened = _initFromPrivateTypeFile(path, view, forRevert);
            reported = forRevert; // a failed revert says so itself
        } else if (_canInitOtherType(extension)) {
            opened = _initFromOtherTypeFile(path, view, forRevert);
        } else {
            opened = _initFromAlienTypeFile(path, view, forRevert);
            reported = true;
        }
        if (opened) {
            const auto attributes = kit::FileManager::fileAttributesAtPath(path, true);
            opened->lastModifyTime_ = attributes ? std::optional<double>(attributes->modificationDate) : std::nullopt;
        }
    }
    // The stack starts at the file's state: undoing back to it leaves the
    // document unedited.
    if (opened)
        opened->undoInfo_->documentDidOpen();
    if (opened && view)
        opened->_warnForBadGraphicLinks();
    if (!opened && !reported)
        cannotOpen(asked);
    if (!forRevert && delegate)
        delegate->documentDidCreate(opened);
    return opened;
}

bool LayoutDocument::_canInitPrivateType(const std::string& extension) const
{
    return !extension.empty() && (extension == documentExtension() || extension == templateExtension());
}

bool LayoutDocument::_canInitOtherType(const std::string& extension) const
{
    return extension == "syb" || extension == "syt";
}

LayoutDocument* LayoutDocument::_initFromPrivateTypeFile(const std::string& path, bool view, bool forRevert)
{
    bool isPackage = false;
    std::optional<std::string> data = readStoredForm(path, docEmbeddedFilename(), &isPackage);
    if (forRevert) {
        if (data)
            return revertFromData(*data, isPackage);
        // A file gone or unreadable is a revert that failed, and says so.
        kit::runAlertPanel(documentString("Revert"), documentString("RevertError"), "", "", "");
        return nullptr;
    }
    DocumentDelegate* delegate = documentDelegate();
    // Nothing could own the document without the delegate's list.
    if (!data || !delegate)
        return nullptr;
    const int fontsMissing = unfoundFontCount;
    std::unique_ptr<LayoutDocument> document = initFromStream(*data, isPackage);
    if (!document)
        return nullptr;
    if (kit::FileManager::pathExtension(path) == templateExtension())
        document->setTemplate(true);
    document->setFilename(path);
    document->setup();
    // Fonts put in place of missing ones are a change the user may save.
    document->setEdited(unfoundFontCount != fontsMissing);
    document->newView(nullptr, document->firstPageNum(), view);
    LayoutDocument* opened = document.get();
    delegate->addDocument(std::move(document));
    return opened;
}

LayoutDocument* LayoutDocument::_initFromOtherTypeFile(const std::string& path, bool view, bool forRevert)
{
    (void)forRevert;
    const std::string extension = kit::FileManager::pathExtension(path);
    if (extension != "syb" && extension != "syt")
        return nullptr;
    DocumentDelegate* delegate = documentDelegate();
    bool isPackage = false;
    std::optional<std::string> data = readStoredForm(path, "SYB.typedstream", &isPackage);
    if (!data || !delegate)
        return nullptr;
    std::unique_ptr<LayoutDocument> document = initFromStream(*data, isPackage);
    if (!document)
        return nullptr;
    document->setForeign(true);
    if (extension == "syt")
        document->setTemplate(true);
    document->setFilename(path);
    document->setup();
    document->newView(nullptr, document->firstPageNum(), view);
    LayoutDocument* opened = document.get();
    delegate->addDocument(std::move(document));
    return opened;
}

LayoutDocument* LayoutDocument::_initFromAlienTypeFile(const std::string& path, bool view, bool forRevert)
{
    if (AlienReader& reader = alienReaderHook())
        return reader(*this, path, view, forRevert);
    return nullptr;
}

std::unique_ptr<LayoutDocument> LayoutDocument::initFromStream(const std::string& data, bool preOS)
{
    return loadFromStream(data, preOS);
}

std::unique_ptr<LayoutDocument> LayoutDocument::loadFromStream(const std::string& data, bool preOS)
{
    std::unique_ptr<LayoutDocument> document;
    std::vector<std::unique_ptr<kit::Object>> unclaimed;
    try {
        kit::Unarchiver unarchiver(data);
        // The archive of an old package is read as the package's version
        // unless it says it is of the current form.
        if (preOS)
            unarchiver.setOpenFileVersion(2.6f);
        document = unarchiver.decodeOwnedObject<LayoutDocument>();
        if (!document)
            return nullptr;
        unclaimed = unarchiver.releaseUnclaimed();
        document->keptFromReading_ = std::move(unclaimed);
        document->documentDidRead(this);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Reading a document failed: %s\n", e.what());
        return nullptr;
    }
    return document;
}

void LayoutDocument::documentDidRead(kit::Object*)
{
    bool text = false;
    bool runaround = false;
    for (const auto& item : theMasterItems_) {
        text = text || item->hasAnyTextItems();
        runaround = runaround || item->hasRunaround();
        if (text && runaround)
            break;
    }
    if (!text && !runaround)
        return;
    // The master columns are laid out on the master page, which set-up
    // would otherwise make only later.
    if (!masterPage_)
        setMasterPage(std::make_unique<Page>());
    for (const auto& item : theMasterItems_)
        item->setPage(masterPage_.get());
    for (const auto& item : theMasterItems_) {
        auto* column = dynamic_cast<TextItem*>(item.get());
        if (!column)
            item->recomputeTextItems();
        else if (runaround || !column->prevColumn() || column->isDisplay())
            column->recompute();
    }
}

void LayoutDocument::_warnForBadGraphicLinks()
{
    const int missing = linksInfo_.missingLinks();
    if (missing == 0)
        return;
    kit::beep();
    kit::runAlertPanel(documentString("MissingFiles"), documentString("MissingFilesMsg"), "", "", "",
                       {static_cast<long long>(missing)});
}

bool LayoutDocument::revert(kit::Object*)
{
    if (DocumentView* main = delegateMainView())
        main->endEditingIfNeeded();
    if (!named() || filename().empty())
        return false;
    if (isEdited()) {
        const int answer = kit::runAlertPanel(documentString("Revert"), "%@ %@?", documentString("Revert"),
                                              documentString("Cancel"), "",
                                              {documentString("RevertChanges"),
                                               kit::FileManager::lastPathComponent(filename())});
        if (answer != kit::AlertDefaultReturn)
            return false;
    }
    DocumentDelegate* delegate = documentDelegate();
    const std::string path = filename(); // this document may be gone after the read
    if (delegate)
        delegate->setOpeningFile(true);
    initFromFile(path, true, true);
    if (delegate)
        delegate->setOpeningFile(false);
    return true;
}

LayoutDocument* LayoutDocument::revertFromData(const std::string& data, bool isPackage)
{
    const int fontsMissing = unfoundFontCount;
    // Where the main view showed this document, to show the new one there.
    DocumentView* remembered = nullptr;
    kit::Rect visible{};
    int displayedIndex = 0;
    if (DocumentView* main = delegateMainView(); main && validView(this, main)) {
        remembered = main;
        visible = main->visibleRect();
        auto* placed = dynamic_cast<DocumentWindowView*>(main);
        if (Page* page = placed ? placed->mostVisiblePage() : nullptr) {
            displayedIndex = std::max(0, displayedIndexOfPage(page));
            convertVisibleRectToVisiblePage(page, &visible);
        }
    }
    std::unique_ptr<LayoutDocument> fresh = initFromStream(data, isPackage);
    DocumentDelegate* delegate = documentDelegate();
    if (!fresh || !delegate) {
        kit::runAlertPanel(documentString("Revert"), documentString("RevertError"), "", "", "");
        return nullptr;
    }
    LayoutDocument* document = fresh.get();
    // The new document goes by the same file.
    document->setFilename(filename());
    document->setTemplate(isTemplate());
    std::unique_ptr<LayoutDocument> old = delegate->removeDocument(this);
    delegate->addDocument(std::move(fresh));

    // Nothing of this document may stay in its views.
    for (DocumentView* view : views_) {
        view->endEditingIfNeeded();
        view->highlight(view->highlightedPage(), false);
        view->setDocument(document);
    }
    selected_.clear();
    activeTextItem_ = nullptr;
    activeTextFlow_ = nullptr;
    linksInfo_.empty();
    document->setup();
    document->views_ = std::move(views_);
    views_.clear();
    document->windows_ = std::move(windows_);
    windows_.clear();
    document->updateWindowTitles();
    setDelegateMainView(nullptr);
    setDelegateMainView(remembered);

    kit::Window* window = remembered ? remembered->window() : nullptr;
    if (window)
        window->disableFlushWindow();
    document->notifyDocumentDidChangeSize();
    document->_forceSetEdited(unfoundFontCount != fontsMissing);
    if (remembered && document->numDisplayedPages() > 0) {
        const int index = std::min(displayedIndex, document->numDisplayedPages() - 1);
        Page* page = document->displayedPageAt(index);
        kit::Rect scroll = visible;
        getScrollRectForInitialPageRect(page->pageRect(), &scroll);
        if (window)
            window->enableFlushWindow();
        remembered->scrollRectToVisible(scroll);
        if (window)
            window->flushWindow();
        document->setActivePage(page);
    } else {
        if (window)
            window->enableFlushWindow();
        if (document->numDisplayedPages() > 0)
            document->setActivePage(document->displayedPageAt(0));
    }
    withdrawDelayedRequests();
    old.reset(); // this document, when the list owned it
    return document;
}
