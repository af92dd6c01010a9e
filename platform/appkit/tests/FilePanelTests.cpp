#include "AppKitTesting.h"

#include "appkit/FilePanelHandler.h"
#include "appkit/OpenPanel.h"
#include "appkit/PopUpButton.h"
#include "appkit/SavePanel.h"
#include "appkit/View.h"
#include "appkit/WindowScreen.h"
#include "core/FileManager.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

using namespace kit;

namespace {

// The word processor's save-to accessory: a pop-up of types whose choice
// makes the save panel require that type's extension.
class SaveToAccessory : public Responder {
public:
    SaveToAccessory()
    {
        view = std::make_unique<View>(makeRect(0, 0, 300, 40));
        popup = static_cast<PopUpButton*>(view->addSubview(std::make_unique<PopUpButton>(makeRect(10, 10, 200, 20))));
        popup->addItemsWithTitles({"Scrivly Document (syb)", "Rich Text Format (rtf)", "ascii"});
        popup->setTarget(this);
        popup->setAction("setSaveToType:");
        setAction("setSaveToType:", [](Object* sender) -> Object* {
            auto* p = dynamic_cast<PopUpButton*>(sender);
            std::string title = p->titleOfSelectedItem();
            size_t open = title.rfind('('), close = title.rfind(')');
            std::string ext = open != std::string::npos && close != std::string::npos && close > open + 1
                                  ? title.substr(open + 1, close - open - 1)
                                  : std::string();
            if (auto* panel = dynamic_cast<SavePanel*>(p->window()))
                panel->setRequiredFileType(ext);
            return nullptr;
        });
    }
    std::string className() const override { return "SaveToAccessory"; }
    std::unique_ptr<View> view;
    PopUpButton* popup;
};

class FilePanelTest : public AppKitTest {
protected:
    void SetUp() override
    {
        AppKitTest::SetUp();
        script = std::make_shared<ScriptedFilePanelHandler>();
        setFilePanelHandler(script);
        folder = FileManager::uniqueTemporaryPath("panels");
        FileManager::createDirectoryAtPath(folder);
    }
    void TearDown() override
    {
        setFilePanelHandler(nullptr);
        FileManager::removeFileAtPath(folder);
        AppKitTest::TearDown();
    }
    std::shared_ptr<ScriptedFilePanelHandler> script;
    std::string folder;
};

} // namespace

TEST_F(FilePanelTest, TheSavePanelAddsTheRequiredExtension)
{
    SavePanel panel;
    panel.setRequiredFileType("syb");
    script->pushAnswer({1, {folder + "/letter"}, nullptr});
    script->pushAnswer({1, {folder + "/notes.txt"}, nullptr});
    script->pushAnswer({1, {"relative.syb"}, nullptr});
    script->pushAnswer({0, {folder + "/ignored"}, nullptr});

    ASSERT_EQ(panel.runModalForDirectory(folder, "letter.syb"), FileHandlingPanelOKButton);
    EXPECT_EQ(panel.filename(), folder + "/letter.syb");
    EXPECT_EQ(panel.directory(), folder);
    ASSERT_EQ(script->shown().size(), 1u);
    EXPECT_EQ(script->shown()[0].className, "NSSavePanel");
    EXPECT_EQ(script->shown()[0].directory, folder);
    EXPECT_EQ(script->shown()[0].name, "letter.syb");
    EXPECT_EQ(script->shown()[0].requiredFileType, "syb");

    ASSERT_EQ(panel.runModal(), FileHandlingPanelOKButton);
    EXPECT_EQ(panel.filename(), folder + "/notes.txt.syb");
    // A name alone lies in the panel's folder.
    ASSERT_EQ(panel.runModal(), FileHandlingPanelOKButton);
    EXPECT_EQ(panel.filename(), folder + "/relative.syb");
    // Cancel, and an answer-less run, leave no file name.
    EXPECT_EQ(panel.runModal(), FileHandlingPanelCancelButton);
    EXPECT_EQ(panel.filename(), "");
    EXPECT_EQ(panel.runModal(), FileHandlingPanelCancelButton);
}

TEST_F(FilePanelTest, AnAccessoryChangesTheRequiredTypeWhileThePanelRuns)
{
    SavePanel panel;
    SaveToAccessory accessory;
    panel.setRequiredFileType("syb");
    EXPECT_EQ(panel.setAccessoryView(std::move(accessory.view)), nullptr);
    EXPECT_EQ(accessory.popup->window(), &panel);
    script->pushAnswer({1, {folder + "/report"}, [&](SavePanel& p) {
                            EXPECT_TRUE(p.isRunning());
                            accessory.popup->chooseItemAtIndex(1);
                            EXPECT_EQ(p.requiredFileType(), "rtf");
                        }});
    ASSERT_EQ(panel.runModalForDirectory(folder, ""), 1);
    EXPECT_EQ(panel.filename(), folder + "/report.rtf");
    EXPECT_TRUE(script->shown()[0].hadAccessoryView);
    // "ascii" has no extension: no type is required.
    script->pushAnswer({1, {folder + "/plain"}, [&](SavePanel&) { accessory.popup->chooseItemAtIndex(2); }});
    ASSERT_EQ(panel.runModal(), 1);
    EXPECT_EQ(panel.filename(), folder + "/plain");
    // Taken out again, the view is the caller's.
    std::unique_ptr<View> back = panel.setAccessoryView(nullptr);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(accessory.popup->window(), nullptr);
    EXPECT_EQ(panel.accessoryView(), nullptr);
}

TEST_F(FilePanelTest, TheOpenPanelKeepsOnlyFilesOfItsTypes)
{
    OpenPanel panel;
    panel.setAllowsMultipleSelection(true);
    script->pushAnswer({1, {folder + "/a.syb", folder + "/b.txt", folder + "/c.SYT"}, nullptr});
    script->pushAnswer({1, {folder + "/b.txt"}, nullptr});
    script->pushAnswer({1, {folder + "/b.txt", folder + "/a.syb"}, nullptr});
    ASSERT_EQ(panel.runModalForDirectory(folder, "", {"syb", "syt"}), 1);
    EXPECT_EQ(panel.filenames(), (std::vector<std::string>{folder + "/a.syb", folder + "/c.SYT"}));
    EXPECT_TRUE(script->shown()[0].allowsMultipleSelection);
    EXPECT_EQ(script->shown()[0].allowedTypes, (std::vector<std::string>{"syb", "syt"}));
    // Nothing of the types: as a cancel.
    EXPECT_EQ(panel.runModalForTypes({"syb"}), 0);
    // Every type when none is given; one file without multiple selection.
    panel.setAllowsMultipleSelection(false);
    ASSERT_EQ(panel.runModalForTypes({}), 1);
    EXPECT_EQ(panel.filenames(), (std::vector<std::string>{folder + "/b.txt"}));
}

// Qt's own dialog, with the accessory inside it, answered by a person (a
// timer on Qt's side) on the real clock.
TEST_F(FilePanelTest, QtsDialogShowsTheAccessoryAndFollowsTheRequiredType)
{
    setFilePanelHandler(nullptr);
    Clock::useRealClock();
    SavePanel panel;
    SaveToAccessory accessory;
    panel.setRequiredFileType("syb");
    panel.setAccessoryView(std::move(accessory.view));
    bool sawAccessory = false;
    QString suffixAfterChoice;
    QTimer::singleShot(50, [&] {
        QFileDialog* dialog = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible())
                dialog = d;
        if (!dialog) {
            app->abortModal();
            return;
        }
        auto* combo = qobject_cast<QComboBox*>(accessory.popup->widget());
        sawAccessory = combo && dialog->isAncestorOf(combo) && combo->isVisible();
        accessory.popup->chooseItemAtIndex(1);
        suffixAfterChoice = dialog->defaultSuffix();
        // Typed into the dialog's name field.
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        if (name)
            name->setText("report");
        static_cast<QDialog*>(dialog)->accept();
    });
    // Should the dialog not come up, the run must not wait for ever.
    auto guard = Timer::timerWithTimeInterval(20.0, [&](Timer&) { app->abortModal(); }, false);
    RunLoop::currentRunLoop().addTimer(guard, ModalPanelRunLoopMode);
    ASSERT_EQ(panel.runModalForDirectory(folder, "untitled"), FileHandlingPanelOKButton);
    guard->invalidate();
    EXPECT_TRUE(sawAccessory);
    EXPECT_EQ(suffixAfterChoice, "rtf");
    EXPECT_EQ(panel.filename(), folder + "/report.rtf");
    EXPECT_EQ(panel.dialog(), nullptr);
    EXPECT_EQ(panel.screen(), nullptr);
    panel.setAccessoryView(nullptr);
}
