#include "app/Scrivly.h"

#include "app/ScrivlyPreferences.h"

void Scrivly::initialize()
{
    Layvane::initialize();
    ScrivlyPreferences::initialize();
}

std::unique_ptr<Preferences> Scrivly::makePreferences() { return Preferences::create<ScrivlyPreferences>(); }
