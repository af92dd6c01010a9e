#include "app/ScrivlyPreferences.h"

#include "core/UserDefaults.h"
#include "foundation/Defaults.h"

namespace {
bool isOpenUntitledMode(int value) { return value >= 0 && value <= 2; }

bool& classSetUp()
{
    static bool done = false;
    return done;
}
} // namespace

void ScrivlyPreferences::initialize()
{
    Preferences::initialize();
    if (classSetUp())
        return;
    classSetUp() = true;
    if (Preferences::didInitializeDefaults())
        initializeDefaults();
}

void ScrivlyPreferences::initializeDefaults()
{
    SetDefaultIntValue("PageTiling", 2);
    SetDefaultIntValue("OpenOthersUntitled", 0);
    SetDefaultIntValue("Visible", 5);
    SetDefaultBoolValue("TextHungPunct", false);
    SetDefaultBoolValue("TextLigatures", false);
    kit::UserDefaults::standardUserDefaults().synchronize();
}

void ScrivlyPreferences::resetClassSetUp()
{
    classSetUp() = false;
    Preferences::resetClassSetUp();
}

void ScrivlyPreferences::setMarginLines(bool value)
{
    if (marginLines_ != value)
        markGeneralDirty();
    marginLines_ = value;
}

void ScrivlyPreferences::setOpenUntitled(int value)
{
    if (!isOpenUntitledMode(value))
        return;
    if (openUntitled_ != value)
        markGeneralDirty();
    openUntitled_ = value;
}

void ScrivlyPreferences::setSaveFormat(const std::optional<std::string>& format)
{
    // The empty name is the native form, as none is.
    std::optional<std::string> kept = format && !format->empty() ? format : std::nullopt;
    if (saveFormat_ != kept)
        markGeneralDirty();
    saveFormat_ = std::move(kept);
}

void ScrivlyPreferences::defaultGeneral()
{
    Preferences::defaultGeneral();
    setTileMode(2);
    setVisibleMask(5);
    marginLines_ = true;
    openUntitled_ = 0;
    saveFormat_.reset();
}

void ScrivlyPreferences::defaultText()
{
    Preferences::defaultText();
    setNewHungPunctuation(false);
    setParagraphLigatures(false);
}

void ScrivlyPreferences::loadGeneral()
{
    Preferences::loadGeneral();
    GetDefaultBoolValue("MarginLines", &marginLines_);
    std::optional<std::string> format;
    GetDefaultStringValue("SaveFormat", &format);
    // The factory value is the empty string: the native form, as none is.
    saveFormat_ = format && !format->empty() ? format : std::nullopt;
    GetDefaultIntValue("OpenOthersUntitled", &openUntitled_);
    // A value no mode has (a damaged or foreign defaults file) is the
    // factory mode, not something that would be stored back unnoticed.
    if (!isOpenUntitledMode(openUntitled_))
        openUntitled_ = 0;
}

void ScrivlyPreferences::storeGeneral()
{
    Preferences::storeGeneral();
    SetDefaultBoolValue("MarginLines", marginLines_);
    // The native form is written as the empty string, so that going back to
    // it replaces a stored foreign format.
    SetDefaultStringValue("SaveFormat", saveFormat_.value_or(std::string()));
    SetDefaultIntValue("OpenOthersUntitled", openUntitled_);
}
