#include "app/ScrivlyPreferencesDelegate.h"

#include "app/Layvane.h"
#include "app/ScrivlyPreferences.h"
#include "appkit/Button.h"
#include "appkit/CellMatrix.h"
#include "appkit/PopUpButton.h"
#include "document/LayoutDocument.h"
#include "document/ZynDocumentContents.h"

bool ScrivlyPreferencesDelegate::setOutlet(const std::string& name, kit::Object* object)
{
    if (name == "saveFormatPopup")
        saveFormatPopup_ = dynamic_cast<kit::PopUpButton*>(object);
    else if (name == "marginLinesCheckbox")
        marginLinesCheckbox_ = dynamic_cast<kit::Button*>(object);
    else if (name == "rulersCheckbox")
        rulersCheckbox_ = dynamic_cast<kit::Button*>(object);
    else if (name == "untitledCheckBox")
        untitledCheckBox_ = dynamic_cast<kit::CellMatrix*>(object);
    else
        return PreferencesPanelBase::setOutlet(name, object);
    return true;
}

ScrivlyPreferences* ScrivlyPreferencesDelegate::scrivlyPreferences() const
{
    return dynamic_cast<ScrivlyPreferences*>(preferencesObject());
}

std::string ScrivlyPreferencesDelegate::nativeFormatTitle()
{
    if (auto* application = dynamic_cast<Layvane*>(Main))
        return application->documentClass()->documentPboardType();
    return "Scrivly Document (syb)";
}

void ScrivlyPreferencesDelegate::awakeFromNib()
{
    PreferencesPanelBase::awakeFromNib();
    setupSaveFormatPopup();
}

void ScrivlyPreferencesDelegate::setupSaveFormatPopup()
{
    if (!saveFormatPopup_)
        return;
    saveFormatPopup_->setTarget(this);
    saveFormatPopup_->setAction("windowDidChange:");
    saveFormatPopup_->removeAllItems();
    saveFormatPopup_->addItemWithTitle(nativeFormatTitle());
    for (const std::string& type : ZynDocumentContents::saveFileTypesForType(ZynICFPboardType))
        saveFormatPopup_->addItemWithTitle(type);
    saveFormatPopup_->addItemWithTitle("Rich Text Format (rtf)");
    saveFormatPopup_->addItemWithTitle("Rich Text Format Directory (rtfd)");
    saveFormatPopup_->addItemWithTitle("ascii");
}

void ScrivlyPreferencesDelegate::displayGeneral()
{
    PreferencesPanelBase::displayGeneral();
    revertSaveFormatPreference();
    ScrivlyPreferences* prefs = scrivlyPreferences();
    if (!prefs)
        return;
    if (marginLinesCheckbox_)
        marginLinesCheckbox_->setState(prefs->marginLines() ? kit::OnState : kit::OffState);
    if (rulersCheckbox_)
        rulersCheckbox_->setState(prefs->rulers() ? kit::OnState : kit::OffState);
    if (untitledCheckBox_)
        untitledCheckBox_->selectCellWithTag(prefs->openUntitled());
}

void ScrivlyPreferencesDelegate::revertSaveFormatPreference()
{
    if (!saveFormatPopup_)
        return;
    ScrivlyPreferences* prefs = scrivlyPreferences();
    const int index = prefs && prefs->saveFormat() ? saveFormatPopup_->indexOfItemWithTitle(*prefs->saveFormat()) : -1;
    saveFormatPopup_->selectItemAtIndex(index < 0 ? 0 : index);
}

void ScrivlyPreferencesDelegate::setGeneral()
{
    PreferencesPanelBase::setGeneral();
    ScrivlyPreferences* prefs = scrivlyPreferences();
    if (!prefs)
        return;
    if (marginLinesCheckbox_)
        prefs->setMarginLines(marginLinesCheckbox_->state() == kit::OnState);
    if (rulersCheckbox_)
        prefs->setRulers(rulersCheckbox_->state() == kit::OnState ? 1 : 0);
    if (untitledCheckBox_)
        if (const kit::Cell* cell = untitledCheckBox_->selectedCell())
            prefs->setOpenUntitled(cell->tag());
    setSaveFormatPreference();
}

void ScrivlyPreferencesDelegate::setSaveFormatPreference()
{
    ScrivlyPreferences* prefs = scrivlyPreferences();
    if (!saveFormatPopup_ || !prefs || saveFormatPopup_->numberOfItems() == 0)
        return;
    const std::string title = saveFormatPopup_->titleOfSelectedItem();
    prefs->setSaveFormat(title == nativeFormatTitle() ? std::nullopt : std::optional<std::string>(title));
}
