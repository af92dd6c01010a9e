// The page layout panel, driven as a user drives it: the shared print
// settings show in its controls and take what is typed on OK only.

#include "AppKitTesting.h"
#include "appkit/Button.h"
#include "appkit/EventScript.h"
#include "appkit/Form.h"
#include "appkit/FormCell.h"
#include "appkit/PageLayout.h"
#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "graphics/PrintInfo.h"

#include <functional>

namespace {

using namespace kit;

class PageLayoutTest : public AppKitTest {
protected:
    void SetUp() override
    {
        AppKitTest::SetUp();
        PrintInfo::initialize();
        panel_ = std::make_unique<PageLayout>();
    }
    void TearDown() override
    {
        panel_.reset();
        AppKitTest::TearDown();
    }

    // The user's work while the panel runs, then a key.
    void whileRunning(std::function<void()> work, const std::u16string& key)
    {
        timer_ = Timer::timerWithTimeInterval(0.05, [work](Timer&) { work(); }, false);
        RunLoop::currentRunLoop().addTimer(timer_, ModalPanelRunLoopMode);
        EventScript(*panel_).at(0.1).keyDown(key).schedule();
    }

    std::unique_ptr<PageLayout> panel_;
    std::shared_ptr<Timer> timer_;
};

TEST_F(PageLayoutTest, TheControlsShowThePrintSettingsAndOkWritesThemBack)
{
    ASSERT_NE(panel_->sizeForm(), nullptr);
    ASSERT_NE(panel_->titleField(), nullptr);
    PrintInfo info;
    info.setPaperName("A4");
    info.setOrientation(PrintInfo::Orientation::Landscape);
    panel_->readPrintInfo(info);
    EXPECT_EQ(panel_->paperPopUp()->titleOfSelectedItem(), "A4");
    EXPECT_EQ(panel_->orientationPopUp()->titleOfSelectedItem(), "Landscape");

    // The user types a width, picks portrait and presses Return.
    whileRunning(
        [this] {
            panel_->sizeForm()->cellAtIndex(0)->setFloatValue(500);
            panel_->orientationPopUp()->selectItemWithTitle("Portrait");
        },
        u"\r");
    EXPECT_EQ(panel_->runModalWithPrintInfo(info), PageLayout::OK);
    EXPECT_EQ(info.paperSize().width, 500);
    EXPECT_EQ(info.orientation(), PrintInfo::Orientation::Portrait);

    // Cancel leaves the settings, and a size that is no positive number is
    // never taken.
    whileRunning([this] { panel_->sizeForm()->cellAtIndex(0)->setFloatValue(300); }, u"\x1b");
    EXPECT_EQ(panel_->runModalWithPrintInfo(info), PageLayout::Cancel);
    EXPECT_EQ(info.paperSize().width, 500);
    panel_->readPrintInfo(info);
    panel_->sizeForm()->cellAtIndex(1)->setFloatValue(-5);
    panel_->writePrintInfo(info);
    EXPECT_GT(info.paperSize().height, 0);
}

TEST_F(PageLayoutTest, PickingAPaperShowsItsSize)
{
    PrintInfo info;
    panel_->readPrintInfo(info);
    ASSERT_TRUE(panel_->paperPopUp()->indexOfItemWithTitle("A4") >= 0);
    panel_->paperPopUp()->selectItemWithTitle("A4");
    panel_->paperPopUp()->sendAction();
    EXPECT_NEAR(panel_->sizeForm()->cellAtIndex(0)->floatValue(), 595, 1);
    EXPECT_NEAR(panel_->sizeForm()->cellAtIndex(1)->floatValue(), 842, 1);
}

} // namespace
