#pragma once

// The word processor's controls on the General screen of the preferences
// panel: the format new documents are saved in, whether documents show
// their guides, the rulers, and how a file read through the interchange
// format is named.

#include "app/PreferencesPanelBase.h"

#include <string>

namespace kit {
class Button;
class CellMatrix;
class PopUpButton;
}
class ScrivlyPreferences;

class ScrivlyPreferencesDelegate : public PreferencesPanelBase {
public:
    std::string className() const override { return "ScrivlyPreferencesDelegate"; }

    // Outlets "saveFormatPopup", "marginLinesCheckbox", "rulersCheckbox" and
    // "untitledCheckBox" (a matrix of cells tagged 0, 1 and 2); not owned.
    bool setOutlet(const std::string& name, kit::Object* object) override;
    kit::PopUpButton* saveFormatPopup() const { return saveFormatPopup_; }

    void awakeFromNib() override;
    // The pop-up offers the native form first, then every format the
    // interchange format converts to, then RTF, RTFD and plain text; a
    // choice marks the panel changed.
    void setupSaveFormatPopup();
    void displayGeneral() override;
    // Selects the stored save format; the first item when there is none or
    // the pop-up no longer offers it.
    void revertSaveFormatPreference();
    void setGeneral() override;
    // The chosen title becomes the save format; the native form is none.
    void setSaveFormatPreference();

    // The title of the native form: the pasteboard type of the document
    // class the application makes.
    static std::string nativeFormatTitle();

private:
    ScrivlyPreferences* scrivlyPreferences() const;

    kit::PopUpButton* saveFormatPopup_ = nullptr;
    kit::Button* marginLinesCheckbox_ = nullptr;
    kit::Button* rulersCheckbox_ = nullptr;
    kit::CellMatrix* untitledCheckBox_ = nullptr;
};
