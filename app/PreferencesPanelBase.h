#pragma once

// What the word processor's preferences controller takes from the
// framework's preferences panel controller: the preferences object, the OK
// and Revert buttons enabled on a change, storing on OK and reloading on
// Revert, and the General screen it extends. A stand-in until the panels
// bring that controller; the word processor's controller is written against
// these operations only.

#include "appkit/NibLoader.h"
#include "appkit/Receiver.h"

namespace kit {
class Button;
}
class Preferences;

class PreferencesPanelBase : public kit::Receiver, public kit::NibOwner, public kit::NibAwaking {
public:
    PreferencesPanelBase();
    ~PreferencesPanelBase() override;

    std::string className() const override { return "PreferencesPanelBase"; }

    // The preferences shown and edited (not owned).
    Preferences* preferencesObject() const { return preferencesObject_; }
    void setPreferencesObject(Preferences* preferences) { preferencesObject_ = preferences; }

    // Outlets "okButton" and "revertButton" (not owned; views of the panel).
    bool setOutlet(const std::string& name, kit::Object* object) override;
    kit::Button* okButton() const { return okButton_; }
    kit::Button* revertButton() const { return revertButton_; }

    // The buttons wait for a change.
    void awakeFromNib() override;

    // The General screen: shown from and stored into the preferences object.
    virtual void displayGeneral() {}
    virtual void setGeneral() {}
    void updateDisplay() { displayGeneral(); }
    // The controls into the preferences, which are stored in the defaults.
    void setPreferences();
    // The preferences read again from the defaults, and shown.
    void revertPreferences();

    // Actions: "windowDidChange:" enables OK and Revert; "ok:" stores and
    // "revert:" reloads, both leaving the buttons disabled.
    void windowDidChange(kit::Object* sender);
    void ok(kit::Object* sender);
    void revert(kit::Object* sender);
    bool hasChanges() const { return changed_; }

private:
    void enableButtons(bool flag);

    Preferences* preferencesObject_ = nullptr;
    kit::Button* okButton_ = nullptr;
    kit::Button* revertButton_ = nullptr;
    bool changed_ = false;
};
