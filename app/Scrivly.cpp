#include "app/Scrivly.h"

#include "app/ScrivlyPreferences.h"
#include "document/UndoInfo.h"

void Scrivly::initialize()
{
    Layvane::initialize();
    ScrivlyPreferences::initialize();
    UndoInfo::initialize();
}

std::unique_ptr<Preferences> Scrivly::makePreferences() { return Preferences::create<ScrivlyPreferences>(); }
