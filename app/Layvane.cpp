#include "app/Layvane.h"

#include "appkit/Application.h"
#include "appkit/Panel.h"
#include "appkit/Window.h"
#include "core/Bundle.h"
#include "core/StringTable.h"
#include "document/DocumentPanels.h"
#include "document/LayoutDocument.h"
#include "document/LinksInfo.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "items/Item.h"
#include "text/TextSelection.h"
#include "view/RulerViewInset.h"
#include "document/UndoInfo.h"
#include "foundation/CMGeometry.h"
#include "foundation/Languages.h"
#include "foundation/Preferences.h"
#include "foundation/UnitsInfo.h"
#include "graphics/Image.h"
#include "graphics/PrintInfo.h"
#include "view/InfoBarInset.h"
#include "view/PageView.h"
#include "view/PanelToolbar.h"
#include "view/PanelZoomNib.h"
#include "view/ZynSizableSwapView.h"
#include "view/TimeDateTokenController.h"

#include <algorithm>

kit::Object* NoID = nullptr;

namespace {
std::unique_ptr<UnitsInfo>& applicationUnits()
{
    static std::unique_ptr<UnitsInfo> units;
    return units;
}
} // namespace

void Layvane::initialize()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    struct Marker : kit::Object {
        std::string className() const override { return "NSObject"; }
    };
    static Marker marker;
    NoID = &marker;
    // The classes of stored documents and pasteboard data, by name.
    LayoutDocument::initialize();
    TextSelection::initialize();
    Item::initialize();
    Page::initialize();
    Undo::initialize();
    // The document window's interface file.
    PageView::initialize();
    RulerViewInset::initialize();
    // The info bar's and the zoom panel's interface files.
    InfoBarInset::initialize();
    RegisterPanelZoomNib();
    // The tool palette's.
    RegisterPanelToolbarNib();
    // The panels' swap views and chained panels, by name.
    ZynSizableSwapView::initialize();
    UnitsInfo::initialize();
    if (!applicationUnits())
        applicationUnits() = std::make_unique<UnitsInfo>();
    const kit::Rect screen = kit::Window::mainScreenFrame();
    CMSetMaxImageSizeForScreen(screen.size);
    initLanguageStringTables();
    TimeDateTokenController::initialize();
}

UnitsInfo* Layvane::applicationUnitsInfo() { return applicationUnits().get(); }

Layvane::Layvane()
    : stringTable_(&kit::StringTable::applicationTable())
{
    panels_ = std::make_unique<PanelRegistry>(*this, *this, panelRows());
    if (!Main) {
        Main = this;
        PageWindowServices::setShared(this);
        installDocumentPanels();
    }
    unitsInfo_ = applicationUnits().get();
    registerActions();
}

Layvane::~Layvane()
{
    kit::Receiver::cancelPreviousPerformRequestsWithTarget(this);
    removeDocumentPanels();
    // The documents go while Main still answers them, the last opened first.
    while (!documents_.empty())
        documents_.pop_back();
    mainDocument_ = nullptr;
    mainPageView_ = nullptr;
    if (Main == this)
        Main = nullptr;
    if (PageWindowServices::shared() == this)
        PageWindowServices::setShared(nullptr);
}

kit::Image* Layvane::namedImage(const std::string& name)
{
    auto [it, added] = namedImages_.try_emplace(name);
    if (added)
        it->second = kit::Image::imageNamed(name);
    return it->second.get();
}

void Layvane::setMainPageView(PageView* view)
{
    LayoutDocument* document = view ? view->document() : nullptr;
    if (!view || document != mainDocument_) {
        mainPageView_ = view;
        mainDocument_ = document;
        if (document) {
            if (document->printSettings())
                kit::PrintInfo::setSharedPrintInfo(document->printSettings());
            undoInfo_ = document->undoInfo();
            setUnitsInfo(document->unitsInfo());
            styleInfo_ = document->styleInfo();
            linksInfo_ = &document->linksInfo();
        } else {
            undoInfo_ = nullptr;
            setUnitsInfo(nullptr);
            styleInfo_ = nullptr;
            linksInfo_ = nullptr;
        }
        showMainDocumentInPanels(document);
        return;
    }
    mainPageView_ = view;
}

void Layvane::setUnitsInfo(UnitsInfo* units) { unitsInfo_ = units ? units : applicationUnits().get(); }

DocumentView* Layvane::mainDocumentView() const { return mainPageView_.get(); }

void Layvane::setMainDocumentView(DocumentView* view) { setMainPageView(dynamic_cast<PageView*>(view)); }

void Layvane::followMainWindow()
{
    // The document commands act on the window the user works in: the key
    // window's document, else (a panel is key) the main window's.
    kit::Application& application = kit::Application::sharedApplication();
    const auto list = documents();
    for (kit::Window* window : {application.keyWindow(), application.mainWindow()}) {
        auto* view = window && !window->isClosed() ? dynamic_cast<PageView*>(window->delegate()) : nullptr;
        if (!view || !view->document() || std::find(list.begin(), list.end(), view->document()) == list.end())
            continue;
        if (view != mainPageView_.get() || view->document() != mainDocument_)
            setMainPageView(view);
        return;
    }
}

std::vector<LayoutDocument*> Layvane::documents() const
{
    std::vector<LayoutDocument*> list;
    list.reserve(documents_.size());
    for (const auto& document : documents_)
        list.push_back(document.get());
    return list;
}

void Layvane::addDocument(std::unique_ptr<LayoutDocument> document)
{
    if (!document)
        return;
    const bool listed = std::any_of(documents_.begin(), documents_.end(),
                                    [&](const auto& d) { return d.get() == document.get(); });
    if (listed) {
        (void)document.release(); // the list holds it already
        return;
    }
    documents_.push_back(std::move(document));
}

std::unique_ptr<LayoutDocument> Layvane::removeDocument(LayoutDocument* document)
{
    auto at = std::find_if(documents_.begin(), documents_.end(), [&](const auto& d) { return d.get() == document; });
    if (at == documents_.end())
        return nullptr;
    std::unique_ptr<LayoutDocument> taken = std::move(*at);
    documents_.erase(at);
    return taken;
}

std::unique_ptr<LayoutDocument> Layvane::documentDidClose(LayoutDocument* document)
{
    if (mainDocument_ == document || (mainPageView_ && mainPageView_->document() == document)) {
        mainDocument_ = nullptr;
        mainPageView_ = nullptr;
        undoInfo_ = nullptr;
        styleInfo_ = nullptr;
        linksInfo_ = nullptr;
        setUnitsInfo(nullptr);
    }
    forgetDocumentInPanels();
    return removeDocument(document);
}

void Layvane::setSaveAsAccessoryPanel(std::unique_ptr<kit::Panel> panel) { saveAsAccessoryPanel_ = std::move(panel); }

void Layvane::setSaveAsTemplateAccessoryPanel(std::unique_ptr<kit::Panel> panel)
{
    saveAsTemplateAccessoryPanel_ = std::move(panel);
}

const std::string& Layvane::valueForStringKey(const std::string& key) const
{
    return stringTable_->valueForStringKey(key);
}

Preferences* Layvane::preferences()
{
    if (!preferences_)
        preferences_ = makePreferences();
    return preferences_.get();
}

bool Layvane::loadImportExportBundle()
{
    kit::Bundle* bundle = kit::Bundle::bundleForResource("Convala");
    return bundle && bundle->principalClass();
}

std::unique_ptr<Preferences> Layvane::makePreferences() { return Preferences::create<Preferences>(); }

bool Layvane::haveSeenBogusFont(const std::string& name)
{
    if (!bogusFonts_)
        bogusFonts_ = std::make_unique<std::set<std::string>>();
    return !bogusFonts_->insert(name).second;
}

void Layvane::destroyBogusFontList()
{
    if (bogusFonts_)
        bogusFonts_->clear();
}

std::unique_ptr<LayoutDocument> Layvane::documentClass() { return std::make_unique<LayoutDocument>(preferences()); }

std::vector<std::string> Layvane::openTypes()
{
    const std::unique_ptr<LayoutDocument> probe = documentClass();
    return {probe->documentExtension(), probe->templateExtension(), "syb"};
}
