// The colour well and the program's activation on a real X display (Xvfb),
// driven as a user drives them: xdotool moves the pointer, clicks and types
// through the X server. Skipped on the offscreen screen.

#include "AppKitTesting.h"
#include "RunProgram.h"

#include "appkit/ColorPanel.h"
#include "appkit/ColorWell.h"
#include "appkit/Window.h"
#include "appkit/WindowScreen.h"

#include <QApplication>
#include <QColorDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#ifdef SCRIVLY_TEST_XCB
#include <xcb/xcb.h>
#endif

using namespace kit;
using kit::testsupport::runProgram;

namespace {


class KitOnADisplayTest : public AppKitTest {
protected:
    void SetUp() override
    {
        AppKitTest::SetUp();
        if (!detail::WindowScreen::isRealDisplay() || runProgram({"xdotool", "version"}) != 0)
            GTEST_SKIP() << "needs an X display and xdotool";
        Clock::useRealClock();
    }
    // A busy machine may take seconds to pass on what the X server got:
    // each step waits, with a generous bound, for what the user would see.
    static bool settleUntil(const std::function<bool()>& seen)
    {
        for (int i = 0; i < 300 && !seen(); ++i)
            RunLoop::currentRunLoop().runUntilDate(Date::dateWithTimeIntervalSinceNow(0.05));
        return seen();
    }
    static void clickAt(QPoint global)
    {
        runProgram({"xdotool", "mousemove", std::to_string(global.x()), std::to_string(global.y()), "click", "1"});
    }
    // The root window as a picture, for a person to look at.
    static void screenshot(const char* variable)
    {
        if (const char* path = std::getenv(variable))
            QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromUtf8(path));
    }
};

} // namespace

// A click on a well opens the colour panel; a colour typed into the panel
// and taken with Return reaches the well, which sends its action.
TEST_F(KitOnADisplayTest, AClickOnAWellOpensTheColourPanelWhoseColourReachesTheWell)
{
    Window window(makeRect(200, 300, 240, 120));
    window.setTitle("Scrivly wells");
    auto* well = static_cast<ColorWell*>(
        window.contentView()->addSubview(std::make_unique<ColorWell>(makeRect(20, 30, 80, 50))));
    well->setColor(Color::colorWithDeviceRed(1, 0, 0));
    ActionRecorder target({"changeFillColor:"});
    well->setTarget(&target);
    well->setAction("changeFillColor:");
    window.makeKeyAndOrderFront();
    QWidget* widget = window.screen()->widget();
    ASSERT_TRUE(settleUntil([&] { return widget->isVisible() && widget->isActiveWindow(); }));

    // The well's centre on the screen (the view counts from the bottom).
    Rect f = well->frame();
    QPoint centre = widget->mapToGlobal(QPoint(static_cast<int>(midX(f)), widget->height() - static_cast<int>(midY(f))));
    clickAt(centre);
    ASSERT_TRUE(settleUntil([&] { return well->isActive(); }));
    ColorPanel* panel = ColorPanel::sharedColorPanel(false);
    ASSERT_TRUE(panel);
    ASSERT_TRUE(settleUntil([&] { return panel->isVisible(); }));
    QColorDialog* dialog = panel->dialog();
    ASSERT_TRUE(settleUntil([&] { return dialog->isActiveWindow(); }));
    EXPECT_EQ(dialog->currentColor(), QColor(255, 0, 0));

    // The dialog's HTML field, typed into as a user does.
    QLineEdit* html = nullptr;
    for (QLineEdit* e : dialog->findChildren<QLineEdit*>())
        if (e->text().startsWith('#'))
            html = e;
    ASSERT_NE(html, nullptr);
    clickAt(html->mapToGlobal(QPoint(html->width() / 2, html->height() / 2)));
    ASSERT_TRUE(settleUntil([&] { return html->hasFocus(); }));
    runProgram({"xdotool", "key", "ctrl+a"});
    runProgram({"xdotool", "type", "#00c000"});
    ASSERT_TRUE(settleUntil([&] { return dialog->currentColor() == QColor(0, 0xc0, 0); }));
    screenshot("SCRIVLY_COLORWELL_SCREENSHOT");
    runProgram({"xdotool", "key", "Return"});
    ASSERT_TRUE(settleUntil([&] { return target.count("changeFillColor:") == 1; }));
    EXPECT_EQ(target.calls[0].sender, well);
    float r, g, b;
    well->color()->getRed(r, g, b);
    EXPECT_EQ(QColor::fromRgbF(r, g, b), QColor(0, 0xc0, 0));
    EXPECT_TRUE(settleUntil([&] { return !dialog->isVisible(); }));
    EXPECT_FALSE(well->isActive());

    // The well shows the colour on the screen.
    window.display();
    ASSERT_TRUE(settleUntil([&] {
        QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        return QColor(shot.pixel(centre)) == QColor(0, 0xc0, 0);
    }));
    screenshot("SCRIVLY_COLORWELL_AFTER_SCREENSHOT");
    window.close();
}

#ifdef SCRIVLY_TEST_XCB
namespace {

// Where a window lies in the X server's stacking order (0 at the bottom):
// its top-level ancestor's place among the root's children (a window
// manager puts each window in a frame of its own).
int stackingIndex(xcb_connection_t* c, xcb_window_t window)
{
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    for (;;) {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
        if (!tree)
            return -1;
        xcb_window_t parent = tree->parent;
        std::free(tree);
        if (parent == root || parent == XCB_NONE)
            break;
        window = parent;
    }
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
    if (!tree)
        return -1;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    int index = -1;
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i)
        if (children[i] == window)
            index = i;
    std::free(tree);
    return index;
}

} // namespace

// The colour panel floats: a document window coming to the front later
// stays below it, with or without a window manager.
TEST_F(KitOnADisplayTest, TheColourPanelStaysAboveADocumentWindowOrderedInLater)
{
    Window first(makeRect(100, 300, 200, 100));
    first.setTitle("Scrivly first");
    auto* well = static_cast<ColorWell*>(
        first.contentView()->addSubview(std::make_unique<ColorWell>(makeRect(20, 20, 60, 40))));
    first.makeKeyAndOrderFront();
    well->activate(true);
    ColorPanel* panel = ColorPanel::sharedColorPanel(false);
    ASSERT_TRUE(panel);
    ASSERT_TRUE(settleUntil([&] { return panel->dialog()->isVisible() && first.screen()->widget()->isVisible(); }));

    Window later(makeRect(150, 250, 500, 400));
    later.setTitle("Scrivly later");
    later.makeKeyAndOrderFront();
    QWidget* laterWidget = later.screen()->widget();
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(c));
    const auto dialogId = static_cast<xcb_window_t>(panel->dialog()->winId());
    const auto laterId = static_cast<xcb_window_t>(laterWidget->winId());
    // Once the later window is on the screen, the panel lies above it.
    EXPECT_TRUE(settleUntil([&] {
        int d = stackingIndex(c, dialogId), l = stackingIndex(c, laterId);
        return laterWidget->isVisible() && d >= 0 && l >= 0 && d > l;
    })) << stackingIndex(c, dialogId) << " " << stackingIndex(c, laterId);
    screenshot("SCRIVLY_COLORWELL_STACK_SCREENSHOT");
    xcb_disconnect(c);
    panel->orderOut();
    later.close();
    first.close();
}

// The program is active while the X server gives one of its windows the
// keyboard focus, and not while another program's window has it.
TEST_F(KitOnADisplayTest, TheProgramIsActiveOnlyWhileItHasTheFocus)
{
    Window window(makeRect(200, 300, 200, 100));
    window.setTitle("Scrivly focus");
    window.makeKeyAndOrderFront();
    QWidget* widget = window.screen()->widget();
    ASSERT_TRUE(settleUntil([&] { return widget->isVisible(); }));

    // Another program's window, made on a connection of its own.
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(other));
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(other)).data;
    const xcb_window_t otherWindow = xcb_generate_id(other);
    xcb_create_window(other, XCB_COPY_FROM_PARENT, otherWindow, screen->root, 600, 100, 200, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_map_window(other, otherWindow);
    xcb_flush(other);
    auto viewable = [&](xcb_window_t w) {
        xcb_get_window_attributes_reply_t* a =
            xcb_get_window_attributes_reply(other, xcb_get_window_attributes(other, w), nullptr);
        bool shown = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(a);
        return shown;
    };
    ASSERT_TRUE(settleUntil([&] { return viewable(otherWindow); }));
    // As a user gives a window the focus: a click in it (a window manager
    // focuses the window clicked), or straight through the X server
    // without one.
    auto focus = [&](xcb_window_t to, QPoint inside) {
        xcb_set_input_focus(other, XCB_INPUT_FOCUS_PARENT, to, XCB_CURRENT_TIME);
        std::free(xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr));
        clickAt(inside);
    };
    const auto ours = static_cast<xcb_window_t>(widget->winId());
    const QPoint inOurs = widget->mapToGlobal(QPoint(widget->width() / 2, widget->height() / 2));
    const QPoint inOther(700, 150);
    focus(ours, inOurs);
    EXPECT_TRUE(settleUntil([&] { return app->isActive(); }));
    focus(otherWindow, inOther);
    EXPECT_TRUE(settleUntil([&] { return !app->isActive(); }));
    focus(ours, inOurs);
    EXPECT_TRUE(settleUntil([&] { return app->isActive(); }));
    xcb_disconnect(other);
    window.close();
}
#endif
