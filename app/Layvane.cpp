#include "app/Layvane.h"

#include "core/Bundle.h"
#include "core/StringTable.h"
#include "foundation/Languages.h"
#include "foundation/Preferences.h"
#include "foundation/UnitsInfo.h"
#include "view/TimeDateTokenController.h"

namespace {
std::unique_ptr<UnitsInfo>& applicationUnits()
{
    static std::unique_ptr<UnitsInfo> units;
    return units;
}
} // namespace

void Layvane::initialize()
{
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
    if (Main == this)
        Main = nullptr;
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
