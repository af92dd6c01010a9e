#include "AppKitTesting.h"

#include "appkit/View.h"
#include "appkit/Window.h"
#include "appkit/WindowScreen.h"
#include "graphics/DrawContext.h"

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QWidget>

#include <functional>

using namespace kit;

namespace {

// White with a blue square whose corner is at (20, 20) base coordinates.
class SquareView : public View {
public:
    using View::View;
    void drawRect(const Rect& rect) override
    {
        DrawContext* c = DrawContext::current();
        c->setgray(1);
        c->rectfill(rect);
        c->setrgbcolor(0, 0, 1);
        c->rectfill(20, 20, 40, 40);
    }
};

// A window whose screen side can be let go, as a save panel's is after
// each run.
class ReshownWindow : public Window {
public:
    using Window::Window;
    using Window::dropScreen;
};

// The pixel the window's widget paints at a base point.
unsigned shownPixel(Window& window, int x, int y)
{
    QWidget* widget = window.screen() ? window.screen()->widget() : nullptr;
    if (!widget)
        return 0;
    const QImage shown = widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    return shown.pixel(x, shown.height() - 1 - y);
}

} // namespace

using WindowSurfaceTest = AppKitTest;

// What the window drew before it ever reached the screen, or while its
// screen side was gone (a panel whose screen lives in a dialog made anew
// for each run), is what the screen shows when the window is ordered in:
// nothing marks the views to be drawn again then.
TEST_F(WindowSurfaceTest, AWindowOrderedInShowsWhatItDrewBefore)
{
    struct Case {
        const char* name;
        bool dropScreen;
    } cases[] = {{"drawn before it had a screen", false}, {"drawn, its screen made again", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReshownWindow window(makeRect(100, 100, 120, 80));
        window.setContentView(std::make_unique<SquareView>());
        if (c.dropScreen) {
            window.orderFront(nullptr);
            window.orderOut(nullptr);
            window.dropScreen();
        }
        window.display();
        ASSERT_EQ(window.flushedPixel(40, 40), 0xFF0000FFu);
        ASSERT_FALSE(window.viewsNeedDisplay());
        window.orderFront(nullptr);
        ASSERT_NE(window.screen(), nullptr);
        EXPECT_EQ(shownPixel(window, 40, 40), 0xFF0000FFu);
        EXPECT_EQ(shownPixel(window, 5, 5), 0xFFFFFFFFu);
        window.close();
    }
}

// Moved by the desktop (the user dragging its title bar, a window manager
// placing it), a window stays there whatever the program does next: a new
// title (Save As), the edited mark (Save, Revert), ordered out and in again
// (an alert, a panel): nothing puts it back where it opened. A new size
// keeps its bottom left corner where the desktop put it.
TEST_F(WindowSurfaceTest, AWindowMovedByTheDesktopStaysWhereItWasPut)
{
    Window window(makeRect(100, 100, 120, 80));
    window.setTitle("Scrivly moved");
    window.setContentView(std::make_unique<SquareView>());
    window.makeKeyAndOrderFront();
    window.display();
    QWidget* widget = window.screen() ? window.screen()->widget() : nullptr;
    ASSERT_NE(widget, nullptr);
    const QPoint opened = widget->pos();
    const QPoint put = opened + QPoint(150, 60);
    widget->move(put);
    ASSERT_EQ(widget->pos(), put);

    struct Step {
        const char* name;
        std::function<void()> act;
    } steps[] = {
        {"a new title", [&] { window.setTitle("Scrivly moved, saved as"); }},
        {"the edited mark", [&] { window.setDocumentEdited(true); }},
        {"ordered out and in", [&] {
             window.orderOut(nullptr);
             window.makeKeyAndOrderFront();
         }},
        {"drawn again", [&] { window.display(); }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        EXPECT_EQ(widget->pos(), put);
    }
    const QPoint bottomLeft = widget->geometry().bottomLeft();
    window.setContentSize({140, 90});
    EXPECT_EQ(widget->geometry().bottomLeft(), bottomLeft);
    EXPECT_EQ(widget->size(), QSize(140, 90));
    window.close();
}
