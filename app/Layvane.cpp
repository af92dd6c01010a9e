#include "app/Layvane.h"

#include "appkit/Panel.h"
#include "core/StringTable.h"
#include "document/LayoutDocument.h"
#include "foundation/Languages.h"
#include "foundation/Preferences.h"
#include "foundation/UnitsInfo.h"
#include "view/PageView.h"
#include "view/TimeDateTokenController.h"

#include <algorithm>

namespace {
std::unique_ptr<UnitsInfo>& applicationUnits()
{
    static std::unique_ptr<UnitsInfo> units;
    return units;
}
} // namespace

void Layvane::initialize()
{
    // The document window's interface file.
    PageView::initialize();
    UnitsInfo::initialize();
    if (!applicationUnits())
        applicationUnits() = std::make_unique<UnitsInfo>();
    initLanguageStringTables();
    TimeDateTokenController::initialize();
}

UnitsInfo* Layvane::applicationUnitsInfo() { return applicationUnits().get(); }

Layvane::Layvane()
    : stringTable_(&kit::StringTable::applicationTable())
{
    if (!Main)
        Main = this;
}

Layvane::~Layvane()
{
    // The documents go while Main still answers them, the last opened first.
    while (!documents_.empty())
        documents_.pop_back();
    mainDocument_ = nullptr;
    mainPageView_ = nullptr;
    if (Main == this)
        Main = nullptr;
}

void Layvane::setMainPageView(PageView* view)
{
    mainPageView_ = view;
    if (view)
        mainDocument_ = view->document();
}

DocumentView* Layvane::mainDocumentView() const { return mainPageView_; }

void Layvane::setMainDocumentView(DocumentView* view) { setMainPageView(dynamic_cast<PageView*>(view)); }

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
    if (mainDocument_ == document)
        mainDocument_ = nullptr;
    if (mainPageView_ && mainPageView_->document() == document)
        mainPageView_ = nullptr;
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

std::unique_ptr<Preferences> Layvane::makePreferences() { return Preferences::create<Preferences>(); }

void Layvane::setKeymapName(const std::optional<std::string>& name)
{
    // Key maps themselves are read by the application shell.
    keymapName_ = name;
}

bool Layvane::haveSeenBogusFont(const std::string& name)
{
    if (!bogusFonts_)
        bogusFonts_ = std::make_unique<std::set<std::string>>();
    return !bogusFonts_->insert(name).second;
}
