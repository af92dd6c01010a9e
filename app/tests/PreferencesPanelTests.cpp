#include "AppTestSupport.h"

#include "app/ScrivlyPreferencesDelegate.h"
#include "appkit/Button.h"
#include "appkit/ButtonCell.h"
#include "appkit/CellMatrix.h"
#include "appkit/PopUpButton.h"
#include "appkit/View.h"
#include "document/ZynDocumentContents.h"

#include <functional>

namespace {

// The General screen's word-processor controls, as the panel's interface
// file would make them, connected to a controller.
class PreferencesPanel : public AppTest {
protected:
    void openPanel()
    {
        content_ = std::make_unique<kit::View>(kit::makeRect(0, 0, 400, 300));
        auto add = [this](auto control) {
            auto* raw = control.get();
            content_->addSubview(std::move(control));
            return raw;
        };
        popup_ = add(std::make_unique<kit::PopUpButton>(kit::makeRect(10, 10, 250, 24)));
        marginLines_ = add(std::make_unique<kit::Button>(kit::makeRect(10, 40, 200, 20), "Margin lines",
                                                         kit::ButtonType::Switch));
        rulers_ = add(std::make_unique<kit::Button>(kit::makeRect(10, 60, 200, 20), "Rulers", kit::ButtonType::Switch));
        ok_ = add(std::make_unique<kit::Button>(kit::makeRect(300, 10, 80, 24), "OK"));
        auto radio = std::make_unique<kit::ButtonCell>("choice");
        radio->setButtonType(kit::ButtonType::Radio);
        matrix_ = add(std::make_unique<kit::CellMatrix>(kit::makeRect(10, 90, 200, 60), kit::MatrixMode::Radio,
                                                        std::move(radio), 3, 1));
        for (int tag = 0; tag < 3; ++tag)
            matrix_->cellAtRow(tag, 0)->setTag(tag);
        controller_ = std::make_unique<ScrivlyPreferencesDelegate>();
        controller_->setPreferencesObject(prefs());
        for (auto [name, object] : std::initializer_list<std::pair<const char*, kit::Object*>>{
                 {"saveFormatPopup", popup_},
                 {"marginLinesCheckbox", marginLines_},
                 {"rulersCheckbox", rulers_},
                 {"untitledCheckBox", matrix_},
                 {"okButton", ok_}})
            ASSERT_TRUE(controller_->setOutlet(name, object)) << name;
        controller_->awakeFromNib();
        controller_->updateDisplay();
    }

    ScrivlyPreferences* prefs() { return dynamic_cast<ScrivlyPreferences*>(delegate_->preferences()); }

    std::unique_ptr<kit::View> content_;
    kit::PopUpButton* popup_ = nullptr;
    kit::Button* marginLines_ = nullptr;
    kit::Button* rulers_ = nullptr;
    kit::Button* ok_ = nullptr;
    kit::CellMatrix* matrix_ = nullptr;
    std::unique_ptr<ScrivlyPreferencesDelegate> controller_;
};

TEST_F(PreferencesPanel, ThePopUpOffersTheNativeFormFirstThenTheForeignOnes)
{
    makeDelegate(true);
    openPanel();
    std::vector<std::string> expected = {ScrivlyPreferencesDelegate::nativeFormatTitle()};
    for (const std::string& type : ZynDocumentContents::saveFileTypesForType(ZynICFPboardType))
        expected.push_back(type);
    for (const char* type : {"Rich Text Format (rtf)", "Rich Text Format Directory (rtfd)", "ascii"})
        expected.push_back(type);
    EXPECT_EQ(popup_->itemTitles(), expected);
    EXPECT_EQ(popup_->indexOfSelectedItem(), 0);
    // Set up again (a second awakening), the list is not doubled.
    controller_->setupSaveFormatPopup();
    EXPECT_EQ(popup_->numberOfItems(), int(expected.size()));
}

TEST_F(PreferencesPanel, ChoicesAreStoredOnOKAndShownWhenThePanelOpensAgain)
{
    makeDelegate(true);
    openPanel();
    EXPECT_EQ(marginLines_->state(), kit::OnState);
    EXPECT_EQ(matrix_->selectedCell()->tag(), 0);
    EXPECT_FALSE(ok_->isEnabled());

    // The user chooses RTF, turns margin lines off and rulers on, and picks
    // "under its own path".
    popup_->chooseItemAtIndex(popup_->indexOfItemWithTitle("Rich Text Format (rtf)"));
    EXPECT_TRUE(ok_->isEnabled());
    marginLines_->setState(kit::OffState);
    rulers_->setState(kit::OnState);
    matrix_->selectCellWithTag(1);
    ok_->setTarget(controller_.get());
    ok_->setAction("ok:");
    ok_->performClick();
    EXPECT_FALSE(ok_->isEnabled());
    EXPECT_EQ(prefs()->saveFormat(), "Rich Text Format (rtf)");
    EXPECT_FALSE(prefs()->marginLines());
    EXPECT_EQ(prefs()->rulers(), 1);
    EXPECT_EQ(prefs()->openUntitled(), 1);

    // The next run reads them back and shows them.
    kit::UserDefaults::resetStandardUserDefaults();
    makeDelegate(true);
    openPanel();
    EXPECT_EQ(popup_->titleOfSelectedItem(), "Rich Text Format (rtf)");
    EXPECT_EQ(marginLines_->state(), kit::OffState);
    EXPECT_EQ(rulers_->state(), kit::OnState);
    EXPECT_EQ(matrix_->selectedCell()->tag(), 1);

    // Going back to the native form stores no format, and the panel shows
    // the first item again.
    popup_->chooseItemAtIndex(0);
    controller_->ok(nullptr);
    EXPECT_FALSE(prefs()->saveFormat().has_value());
    kit::UserDefaults::resetStandardUserDefaults();
    makeDelegate(true);
    openPanel();
    EXPECT_EQ(popup_->indexOfSelectedItem(), 0);
    EXPECT_FALSE(prefs()->saveFormat().has_value());
}

TEST_F(PreferencesPanel, StoredValuesThePanelCannotShowShowTheFirstChoice)
{
    kit::UserDefaults::standardUserDefaults().setStringForKey("Some Retired Format (old)", "SaveFormat");
    kit::UserDefaults::standardUserDefaults().setStringForKey("7", "OpenOthersUntitled");
    makeDelegate(true);
    openPanel();
    EXPECT_EQ(prefs()->saveFormat(), "Some Retired Format (old)");
    EXPECT_EQ(popup_->indexOfSelectedItem(), 0);
    // No naming mode 7: the factory mode, which the matrix shows.
    EXPECT_EQ(prefs()->openUntitled(), 0);
    EXPECT_EQ(matrix_->selectedCell()->tag(), 0);
    prefs()->setOpenUntitled(-1);
    EXPECT_EQ(prefs()->openUntitled(), 0);
}

TEST_F(PreferencesPanel, RevertShowsTheStoredValuesAgain)
{
    makeDelegate(true);
    openPanel();
    popup_->chooseItemAtIndex(popup_->indexOfItemWithTitle("ascii"));
    marginLines_->setState(kit::OffState);
    controller_->revert(nullptr);
    EXPECT_EQ(popup_->indexOfSelectedItem(), 0);
    EXPECT_EQ(marginLines_->state(), kit::OnState);
    EXPECT_FALSE(controller_->hasChanges());
}

// Settings changed outside the panel (a script, the remote interface) are
// written when the preferences are stored at quit.
TEST_F(PreferencesPanel, AChangedWordProcessorSettingIsStored)
{
    struct Case {
        const char* key;
        std::function<void(ScrivlyPreferences&)> change;
        const char* stored;
    };
    const Case cases[] = {
        {"MarginLines", [](ScrivlyPreferences& p) { p.setMarginLines(false); }, "0"},
        {"OpenOthersUntitled", [](ScrivlyPreferences& p) { p.setOpenUntitled(2); }, "2"},
        {"SaveFormat", [](ScrivlyPreferences& p) { p.setSaveFormat(std::string("ascii")); }, "ascii"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        kit::UserDefaults::resetStandardUserDefaults();
        makeDelegate(true);
        prefs()->storeDefaults();
        c.change(*prefs());
        prefs()->storeDefaults();
        kit::UserDefaults::resetStandardUserDefaults();
        EXPECT_EQ(kit::UserDefaults::standardUserDefaults().stringForKey(c.key), c.stored);
    }
}

} // namespace
