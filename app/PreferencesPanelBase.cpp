#include "app/PreferencesPanelBase.h"

#include "appkit/Button.h"
#include "core/UserDefaults.h"
#include "foundation/Preferences.h"

PreferencesPanelBase::PreferencesPanelBase()
{
    setAction("windowDidChange:", [this](kit::Object* sender) -> kit::Object* {
        windowDidChange(sender);
        return this;
    });
    setAction("ok:", [this](kit::Object* sender) -> kit::Object* {
        ok(sender);
        return this;
    });
    setAction("revert:", [this](kit::Object* sender) -> kit::Object* {
        revert(sender);
        return this;
    });
}

PreferencesPanelBase::~PreferencesPanelBase() = default;

bool PreferencesPanelBase::setOutlet(const std::string& name, kit::Object* object)
{
    if (name == "okButton")
        okButton_ = dynamic_cast<kit::Button*>(object);
    else if (name == "revertButton")
        revertButton_ = dynamic_cast<kit::Button*>(object);
    else
        return false;
    return true;
}

void PreferencesPanelBase::awakeFromNib() { enableButtons(false); }

void PreferencesPanelBase::setPreferences()
{
    setGeneral();
    if (preferencesObject_) {
        preferencesObject_->storeGeneral();
        kit::UserDefaults::standardUserDefaults().synchronize();
    }
}

void PreferencesPanelBase::revertPreferences()
{
    if (preferencesObject_)
        preferencesObject_->loadGeneral();
    updateDisplay();
}

void PreferencesPanelBase::windowDidChange(kit::Object*) { enableButtons(true); }

void PreferencesPanelBase::ok(kit::Object*)
{
    setPreferences();
    enableButtons(false);
}

void PreferencesPanelBase::revert(kit::Object*)
{
    revertPreferences();
    enableButtons(false);
}

void PreferencesPanelBase::enableButtons(bool flag)
{
    changed_ = flag;
    if (okButton_)
        okButton_->setEnabled(flag);
    if (revertButton_)
        revertButton_->setEnabled(flag);
}
