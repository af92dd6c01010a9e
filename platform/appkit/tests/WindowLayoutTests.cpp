#include "AppKitTesting.h"

#include "appkit/View.h"
#include "appkit/Window.h"
#include "core/FileManager.h"
#include "core/UserDefaults.h"

using namespace kit;

using WindowLayoutTest = AppKitTest;

// Subviews follow their superview's size by their masks; every flexible
// part of an axis takes an even share of the change.
TEST_F(WindowLayoutTest, SubviewsFollowTheirSuperviewByTheirMasks)
{
    struct Case {
        unsigned mask;
        Rect after; // of a 20,20 60x40 subview when 200x100 grows to 260x70
    } cases[] = {
        {ViewNotSizable, makeRect(20, 20, 60, 40)},
        {ViewWidthSizable, makeRect(20, 20, 120, 40)},
        {ViewMinXMargin, makeRect(80, 20, 60, 40)},
        {ViewMinXMargin | ViewMaxXMargin, makeRect(50, 20, 60, 40)},
        {ViewMinXMargin | ViewWidthSizable | ViewMaxXMargin, makeRect(40, 20, 80, 40)},
        {ViewHeightSizable, makeRect(20, 20, 60, 10)},
        {ViewMinYMargin, makeRect(20, -10, 60, 40)},
        {ViewWidthSizable | ViewHeightSizable, makeRect(20, 20, 120, 10)},
        // Shrinking below nothing stops at an empty size.
        {ViewHeightSizable | ViewMaxYMargin, makeRect(20, 20, 60, 25)},
    };
    for (const Case& c : cases) {
        View super(makeRect(0, 0, 200, 100));
        super.setAutoresizesSubviews(true);
        View* sub = super.addSubview(std::make_unique<View>(makeRect(20, 20, 60, 40)));
        sub->setAutoresizingMask(c.mask);
        super.setFrameSize({260, 70});
        EXPECT_EQ(sub->frame(), c.after) << c.mask;
    }
    // Without autoresizing, nothing moves.
    View still(makeRect(0, 0, 200, 100));
    View* sub = still.addSubview(std::make_unique<View>(makeRect(20, 20, 60, 40)));
    sub->setAutoresizingMask(ViewWidthSizable);
    still.setFrameSize({300, 100});
    EXPECT_EQ(sub->frame(), makeRect(20, 20, 60, 40));
    // A window's content view follows the window.
    Window window(makeRect(0, 0, 200, 100));
    View* filler = window.contentView()->addSubview(std::make_unique<View>(makeRect(0, 0, 200, 100)));
    filler->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    window.contentView()->setAutoresizesSubviews(true);
    window.setContentSize({250, 150});
    EXPECT_EQ(filler->frame(), makeRect(0, 0, 250, 150));
}

TEST_F(WindowLayoutTest, AFrameKeptUnderANameComesBack)
{
    std::string config = FileManager::uniqueTemporaryPath("config");
    FileManager::createDirectoryAtPath(config);
    std::string old = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    UserDefaults::resetStandardUserDefaults();
    {
        Window first(makeRect(10, 20, 200, 100));
        EXPECT_FALSE(first.setFrameUsingName("FindPanel"));
        EXPECT_EQ(first.contentRect(), makeRect(10, 20, 200, 100));
        first.setFrameAutosaveName("FindPanel");
        first.setFrameOrigin({300, 400});
        first.setContentSize({250, 120});
        Window second(makeRect(0, 0, 50, 50));
        EXPECT_TRUE(second.setFrameUsingName("FindPanel"));
        EXPECT_EQ(second.frame(), first.frame());
        // Frames that are no frames are refused, and so is one off every
        // screen (stored while another screen was there).
        for (const char* bad : {"{{1, 2}, {0, 0}}", "nonsense", "{{nan, 0}, {10, 10}}", "{{0, 0}, {99999, 10}}",
                                "{{30000, -20000}, {200, 100}}", "{{inf, 0}, {10, 10}}"}) {
            UserDefaults::standardUserDefaults().setStringForKey(bad, "NSWindow Frame Bad");
            EXPECT_FALSE(second.setFrameUsingName("Bad")) << bad;
            EXPECT_EQ(second.frame(), first.frame()) << bad;
        }
    }
    UserDefaults::resetStandardUserDefaults();
    if (old.empty())
        unsetenv("XDG_CONFIG_HOME");
    else
        setenv("XDG_CONFIG_HOME", old.c_str(), 1);
    FileManager::removeFileAtPath(config);
}
