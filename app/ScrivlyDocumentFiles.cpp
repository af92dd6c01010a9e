// Files that are not the native form, read through the import bundle, and
// saving in the native form or, by the document's file format, through the
// bundle's foreign save.

#include "app/ScrivlyDocument.h"

#include "app/Scrivly.h"
#include "app/ScrivlyPreferences.h"
#include "appkit/Application.h"
#include "appkit/Panel.h"
#include "appkit/ScrollView.h"
#include "items/TextItem.h"
#include "appkit/Window.h"
#include "core/Alert.h"
#include "core/Exception.h"
#include "core/FileManager.h"
#include "core/Pasteboard.h"
#include "document/DocumentDelegate.h"
#include "document/DocumentWindowView.h"
#include "document/Page.h"
#include "document/ZynDocumentContents.h"
#include "foundation/FileManagerExtensions.h"
#include "text/DocumentView.h"

#include <algorithm>

namespace {

constexpr const char* RTFFormat = "Rich Text Format (rtf)";
constexpr const char* RTFDFormat = "Rich Text Format Directory (rtfd)";
constexpr const char* ICFFormat = "Quorlen Interchange Format (icf)";
constexpr const char* ASCIIFormat = "ascii";

bool hasExtension(const std::string& path, std::initializer_list<const char*> extensions)
{
    const std::string extension = kit::FileManager::pathExtension(path);
    return std::any_of(extensions.begin(), extensions.end(), [&](const char* e) { return extension == e; });
}

} // namespace

bool fileFormatPresent(const std::string& format)
{
    if (format.empty() || format == RTFDFormat || format == RTFFormat || format == ICFFormat || format == ASCIIFormat)
        return true;
    const std::vector<std::string> filtered = ZynDocumentContents::saveFileTypesForType(ZynICFPboardType);
    return std::find(filtered.begin(), filtered.end(), format) != filtered.end();
}

// ---- Reading.

bool ScrivlyDocument::_canInitStandardAlienType(const std::string& path) const
{
    const std::string extension = kit::FileManager::pathExtension(path);
    if (extension.empty())
        return false;
    const auto& types = standardAlienTypes();
    return std::find(types.begin(), types.end(), extension) != types.end();
}

bool ScrivlyDocument::_initFromStandardAlienFile(const std::string& path)
{
    std::unique_ptr<ZynDocumentContents> contents;
    bool interchange = false;
    if (hasExtension(path, {"icf", "ICF"})) {
        contents = ZynDocumentContents::initICF(path);
        interchange = true;
    } else if (hasExtension(path, {"rtfd", "RTFD"})) {
        contents = ZynDocumentContents::initRTFDFile(path);
    } else if (hasExtension(path, {"rtf", "RTF"})) {
        if (std::optional<std::string> data = kit::FileManager::regularFileContentsAtPath(path))
            contents = ZynDocumentContents::initRTF(*data);
    }
    if (contents && contents->fileCount() == 0)
        contents.reset();
    setActiveDocumentContents(std::move(contents));
    return interchange;
}

struct ScrivlyDocument::ViewPlace {
    DocumentView* view = nullptr;
    bool hasPage = false;
    int displayedIndex = 0;
    kit::Rect visible{};
};

LayoutDocument* ScrivlyDocument::_initFromAlienTypeFile(const std::string& path, bool display, bool forRevert)
{
    DocumentDelegate* delegate = documentDelegate();
    DocumentView* rememberedMain = delegateMainView();
    if (rememberedMain && !validView(this, rememberedMain))
        rememberedMain = nullptr;

    // Outside a revert this document only stands for its class: the file
    // is read into a new one, which the delegate's list owns.
    std::unique_ptr<LayoutDocument> made;
    ScrivlyDocument* document = this;
    if (!forRevert) {
        if (!delegate)
            return nullptr;
        made = makeDocument();
        document = static_cast<ScrivlyDocument*>(made.get());
    }

    // The contents: by the extension, then through the filters, then by
    // the file's first bytes, last as plain text.
    bool interchange = false;
    if (_canInitStandardAlienType(path)) {
        interchange = document->_initFromStandardAlienFile(path);
    } else if (auto icf = ZynDocumentContents::readDocumentFrom(path, ZynICFPboardType)) {
        document->setActiveDocumentContents(std::move(icf));
        interchange = true;
    } else if (auto rtfd = ZynDocumentContents::readDocumentFrom(path, kit::RTFDPboardType)) {
        document->setActiveDocumentContents(std::move(rtfd));
    } else if (auto rtf = ZynDocumentContents::readDocumentFrom(path, kit::RTFPboardType)) {
        document->setActiveDocumentContents(std::move(rtf));
    }
    if (!document->activeDocumentContents()) {
        // Read, never mapped, and only a regular file: a file cut short
        // meanwhile must not bring the program down.
        const std::optional<std::string> data = kit::FileManager::regularFileContentsAtPath(path);
        if (data && data->size() >= 5 && data->compare(0, 5, "{\\rtf") == 0) {
            document->setActiveDocumentContents(ZynDocumentContents::initRTF(*data));
        } else if (auto forced = ZynDocumentContents::forceReadDocumentFrom(path)) {
            document->setActiveDocumentContents(std::move(forced));
            interchange = true;
        }
    }
    if (!document->activeDocumentContents()) {
        if (std::optional<std::string> rtf = ZYNMapAsciiFile(path)) {
            auto contents = ZynDocumentContents::initRTF(*rtf);
            contents->setFileFormat(std::string(ASCIIFormat));
            document->setActiveDocumentContents(std::move(contents));
        }
    }
    if (!document->activeDocumentContents()) {
        if (forRevert)
            delayedCloseAndFree();
        return nullptr;
    }

    std::vector<ViewPlace> places;
    if (forRevert) {
        for (DocumentView* view : views()) {
            ViewPlace place;
            place.view = view;
            place.visible = view->visibleRect();
            auto* placed = dynamic_cast<DocumentWindowView*>(view);
            if (Page* page = placed ? placed->mostVisiblePage() : nullptr) {
                place.hasPage = true;
                place.displayedIndex = std::max(0, displayedIndexOfPage(page));
                convertVisibleRectToVisiblePage(page, &place.visible);
            }
            view->endEditingIfNeeded();
            view->highlight(view->highlightedPage(), false);
            places.push_back(place);
        }
        std::unique_ptr<ZynDocumentContents> keep = takeActiveDocumentContents();
        emptyDocument();
        setActiveDocumentContents(std::move(keep));
    }

    setDelegateMainView(nullptr);
    document->columnCount_ = 1;
    document->columnGutterWidth_ = 18.0f;
    document->setup();

    const std::optional<std::string>& found = document->activeDocumentContents()->fileFormat();
    document->setFileFormat(found && fileFormatPresent(*found) ? *found : std::string(ASCIIFormat));
    bool formatted = !document->fileFormat().empty();
    document->setFilename("Loading");

    if (!forRevert) {
        LayoutDocument* raw = made.get();
        delegate->addDocument(std::move(made));
        raw->newView(nullptr, raw->firstPageNum(), display);
        if (!display)
            if (DocumentView* view = raw->mainView(); view && view->window()) {
                view->window()->setFrameOrigin(
                    kit::makePoint(-1500.0f, -1500.0f - view->window()->frame().size.height));
                view->window()->orderFront(nullptr);
            }
    } else {
        notifyDocumentDidChangeSize();
        setDelegateMainView(rememberedMain);
        const auto reset = [this](DocumentView* view) {
            if (auto* shown = dynamic_cast<kit::View*>(view))
                resetWithView(shown->enclosingScrollView(), firstPageNum(), true);
        };
        for (const ViewPlace& place : places)
            if (place.view != rememberedMain)
                reset(place.view);
        if (rememberedMain)
            reset(rememberedMain);
    }

    bool lost = false;
    bool imported = false;
    if (const DispatchContentsHook& hook = dispatchContentsHook()) {
        try {
            imported = hook(*document, interchange, &lost);
        } catch (const kit::Exception&) {
            imported = false;
        }
    }
    if (!imported) {
        if (display)
            kit::runAlertPanel(documentString("ImportProblem"), documentString("ImportNotifyZyn"), "", "", "");
        document->delayedCloseAndFree();
        return nullptr;
    }

    if (formatted) {
        document->setFilename(newUntitled());
    } else {
        const ScrivlyPreferences* prefs = document->scrivlyPreferences();
        const int untitled = prefs ? prefs->openUntitled() : 0;
        if (interchange && untitled == 0) {
            document->setFileFormat(std::string());
            document->setFilename(newUntitled());
            formatted = true;
        } else if (interchange && untitled == 2) {
            document->setFilename(newUntitled());
        } else {
            document->setFilename(path);
        }
    }
    // Whatever the format (an opened file always has one), the user hears of
    // what was left out, once the window has its name.
    if (lost && display) {
        kit::beep();
        kit::runAlertPanel(documentString("Import"), documentString("ImportDataLoss"), "", "", "");
    }

    if (forRevert) {
        const auto scrollBack = [this](const ViewPlace& place) {
            if (numDisplayedPages() == 0)
                return;
            const int index = std::min(place.displayedIndex, numDisplayedPages() - 1);
            Page* page = displayedPageAt(index);
            kit::Rect scroll = place.visible;
            if (place.hasPage)
                scroll.origin = kit::makePoint(page->pageRect().origin.x + place.visible.origin.x,
                                               page->pageRect().origin.y + place.visible.origin.y);
            else
                getScrollRectForInitialPageRect(page->pageRect(), &scroll);
            place.view->scrollRectToVisible(scroll);
        };
        for (const ViewPlace& place : places)
            if (place.view != rememberedMain && validView(this, place.view))
                scrollBack(place);
        const auto main = std::find_if(places.begin(), places.end(),
                                       [&](const ViewPlace& place) { return place.view == rememberedMain; });
        if (main != places.end() && validView(this, rememberedMain)) {
            scrollBack(*main);
            setActivePage(displayedPageAt(std::min(main->displayedIndex, numDisplayedPages() - 1)));
        } else if (numDisplayedPages() > 0) {
            setActivePage(displayedPageAt(0));
        }
    }

    document->setActiveDocumentContents(nullptr);
    document->_forceSetEdited(formatted);
    if (!display && !forRevert) {
        if (DocumentView* view = document->mainView(); view && view->window())
            view->window()->orderOut(nullptr);
    } else if (display) {
        kit::Application::sharedApplication().updateWindows();
    }
    return document;
}

// ---- Saving.

ScrivlyDocument::SaveToTypeSource& ScrivlyDocument::saveToTypeSource()
{
    static SaveToTypeSource source;
    return source;
}

namespace {

std::string currentSaveToType()
{
    const ScrivlyDocument::SaveToTypeSource& source = ScrivlyDocument::saveToTypeSource();
    return source ? source() : std::string();
}

} // namespace

bool ScrivlyDocument::savesNatively() const
{
    switch (saveFlag()) {
    case SaveModeTemplate:
        return true;
    case SaveModeSaveTo: {
        // Both of the program's own types are written in its own form.
        const std::string type = currentSaveToType();
        return type == documentPboardType() || type == templatePboardType() || !fileFormatPresent(type);
    }
    default:
        // A format no writer knows (a file of an older version, a filter
        // gone) would make every save fail: it is saved natively.
        return fileFormat().empty() || !fileFormatPresent(fileFormat());
    }
}

bool ScrivlyDocument::saveAs(kit::Object* sender)
{
    setSaveFlag(SaveModeSave);
    std::string extension = documentExtension();
    if (!fileFormat().empty() && fileFormatPresent(fileFormat()))
        extension = Scrivly::extensionForPBoardType(fileFormat()).value_or("");
    DocumentDelegate* delegate = documentDelegate();
    kit::Panel* panel = delegate ? delegate->saveAsAccessoryPanel() : nullptr;
    std::unique_ptr<kit::View> accessory = panel ? panel->setContentView(nullptr) : nullptr;
    const bool saved = runSavePanel(sender, accessory, extension, false);
    if (panel && accessory)
        panel->setContentView(std::move(accessory));
    return saved;
}

bool ScrivlyDocument::saveTo(kit::Object* sender)
{
    setSaveFlag(SaveModeSaveTo);
    const std::string extension = Scrivly::extensionForPBoardType(currentSaveToType()).value_or("");
    std::unique_ptr<kit::View> none;
    return runSavePanel(sender, none, extension, false);
}

bool ScrivlyDocument::saveFile(const std::string& path, bool withBackup)
{
    if (savesNatively())
        return LayoutDocument::saveFile(path, withBackup);
    const bool saveTo = saveFlag() == SaveModeSaveTo;
    const std::string format = fileFormat();
    if (saveTo)
        setFileFormat(currentSaveToType());
    const int status = saveForeignFile(path, withBackup);
    setFileFormat(format);
    setActiveDocumentContents(nullptr);
    if (status != 0) {
        kit::runAlertPanel("Save", "Could not save %@.", "", "", "", {path});
        return false;
    }
    if (!saveTo)
        setFilename(path);
    updateWindowTitles();
    const auto now = kit::FileManager::fileAttributesAtPath(path, true);
    setLastModifyTime(now ? std::optional<double>(now->modificationDate) : std::nullopt);
    return true;
}
