#include "AppKitTesting.h"

#include "appkit/Menu.h"
#include "appkit/MenuItem.h"
#include "appkit/Panel.h"
#include "appkit/Window.h"

#include <QApplication>
#include <QWidget>

#include <string>
#include <vector>

using namespace kit;

using WindowListTest = AppKitTest;

namespace {

std::vector<std::string> titlesOf(const Menu& menu)
{
    std::vector<std::string> titles;
    for (size_t i = 0; i < menu.numberOfItems(); ++i)
        titles.push_back(menu.itemAtIndex(i)->isSeparatorItem() ? "-" : menu.itemAtIndex(i)->title());
    return titles;
}

// The titles the desktop shows for the program's windows.
std::vector<std::string> screenTitles()
{
    std::vector<std::string> titles;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            titles.push_back(w->windowTitle().toStdString());
    return titles;
}

bool contains(const std::vector<std::string>& list, const std::string& s)
{
    return std::find(list.begin(), list.end(), s) != list.end();
}

} // namespace

// The Windows menu lists the document windows on the screen below its own
// items, checks the key one, and brings the one chosen to the front.
TEST_F(WindowListTest, TheWindowsMenuListsTheOpenDocumentWindows)
{
    Menu windows("Windows");
    windows.addItemWithTitle("Inspector...", "inspect:");
    app->setWindowsMenu(&windows);

    Window letter(makeRect(40, 40, 300, 200));
    letter.setTitle("Letter");
    Window report(makeRect(80, 80, 300, 200));
    report.setTitle("Report");
    Window hidden(makeRect(120, 120, 300, 200));
    hidden.setTitle("Hidden");
    Panel font(makeRect(10, 10, 200, 100));
    font.setTitle("Font");
    letter.makeKeyAndOrderFront();
    report.makeKeyAndOrderFront();
    font.orderFront();

    windows.update();
    EXPECT_EQ(titlesOf(windows), (std::vector<std::string>{"Inspector...", "-", "Letter", "Report"}));
    EXPECT_EQ(windows.itemWithTitle("Report")->state(), 1);
    EXPECT_EQ(windows.itemWithTitle("Letter")->state(), 0);

    // Chosen, the window behind comes to the front as the key window.
    EXPECT_TRUE(windows.performActionForItem(windows.itemWithTitle("Letter")));
    EXPECT_EQ(app->keyWindow(), &letter);
    EXPECT_EQ(app->mainWindow(), &letter);
    windows.update();
    EXPECT_EQ(windows.itemWithTitle("Letter")->state(), 1);

    // A window taken off the screen leaves the list; made again, the list
    // holds no leftovers.
    report.orderOut();
    windows.update();
    windows.update();
    EXPECT_EQ(titlesOf(windows), (std::vector<std::string>{"Inspector...", "-", "Letter"}));
    letter.orderOut();
    windows.update();
    EXPECT_EQ(titlesOf(windows), (std::vector<std::string>{"Inspector..."}));
    app->setWindowsMenu(nullptr);
}

// The title on the screen says whether the document is edited, and only
// then; the window stays where the user put it.
TEST_F(WindowListTest, TheTitleOnTheScreenSaysWhetherTheDocumentIsEdited)
{
    Window window(makeRect(60, 60, 300, 200));
    window.setTitle("Letter * Scrivly");
    window.orderFront();
    EXPECT_TRUE(contains(screenTitles(), "Letter * Scrivly"));

    window.setDocumentEdited(true);
    EXPECT_TRUE(contains(screenTitles(), "Letter * Scrivly \u2014 edited"));
    EXPECT_FALSE(contains(screenTitles(), "Letter * Scrivly"));
    // A new title keeps the mark.
    window.setTitle("Memo * Scrivly");
    EXPECT_TRUE(contains(screenTitles(), "Memo * Scrivly \u2014 edited"));

    window.setDocumentEdited(false);
    EXPECT_TRUE(contains(screenTitles(), "Memo * Scrivly"));
    EXPECT_FALSE(contains(screenTitles(), "Memo * Scrivly \u2014 edited"));
    window.orderOut();
}

// A window coming onto the screen is kept inside it (windows cascading from
// the top left go off its bottom by the third).
TEST_F(WindowListTest, AWindowComingOntoTheScreenIsKeptInsideIt)
{
    const Rect screen = makeRect(0, 0, 1000, 700);
    struct Case {
        Rect frame;
        unsigned mask;
        Rect kept;
    } cases[] = {
        // Inside: stays.
        {makeRect(100, 100, 400, 300), TitledWindowMask, makeRect(100, 100, 400, 300)},
        // Below the bottom, right of the right edge, left, above.
        {makeRect(100, -250, 400, 300), TitledWindowMask, makeRect(100, 0, 400, 300)},
        {makeRect(800, 100, 400, 300), TitledWindowMask, makeRect(600, 100, 400, 300)},
        {makeRect(-50, 100, 400, 300), TitledWindowMask, makeRect(0, 100, 400, 300)},
        {makeRect(100, 600, 400, 300), TitledWindowMask, makeRect(100, 400, 400, 300)},
        // Taller than the screen: a resizable one is made to fit; a fixed one
        // shows its title bar.
        {makeRect(100, -200, 400, 800), TitledWindowMask | ResizableWindowMask, makeRect(100, 0, 400, 700)},
        {makeRect(100, -200, 400, 800), TitledWindowMask, makeRect(100, -100, 400, 800)},
        {makeRect(100, 100, 1200, 300), TitledWindowMask | ResizableWindowMask, makeRect(0, 100, 1000, 300)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Window::constrainFrameRect(c.frame, c.mask, screen), c.kept) << c.frame.origin.y;

    const Rect main = Window::mainScreenFrame();
    std::vector<std::unique_ptr<Window>> cascade;
    for (int i = 0; i < 4; ++i) {
        const float step = height(main) / 3 * static_cast<float>(i);
        cascade.push_back(std::make_unique<Window>(
            makeRect(20 + step, height(main) - 420 - step, 500, 400), TitledWindowMask | ResizableWindowMask));
        const Size asked = cascade.back()->frame().size;
        cascade.back()->orderFront();
        const Rect f = cascade.back()->frame();
        EXPECT_TRUE(containsRect(main, f)) << i << ": " << f.origin.x << "," << f.origin.y;
        EXPECT_EQ(f.size, asked) << i;
    }
    for (auto& w : cascade)
        w->orderOut();
}

// A key or main window that leaves the screen hands its part on to the
// window in front of the rest; a panel never becomes the main window.
TEST_F(WindowListTest, AWindowThatLeavesTheScreenHandsTheKeyboardOn)
{
    Window first(makeRect(40, 40, 300, 200));
    Window second(makeRect(80, 80, 300, 200));
    Panel panel(makeRect(10, 10, 200, 100));
    first.makeKeyAndOrderFront();
    second.makeKeyAndOrderFront();
    ASSERT_EQ(app->keyWindow(), &second);

    panel.makeKeyAndOrderFront();
    EXPECT_EQ(app->keyWindow(), &panel);
    EXPECT_EQ(app->mainWindow(), &second);

    // The panel closes: the main window takes the keyboard back.
    panel.orderOut();
    EXPECT_EQ(app->keyWindow(), &second);
    EXPECT_EQ(app->mainWindow(), &second);

    // The front window closes: the one behind it takes both.
    second.orderOut();
    EXPECT_EQ(app->keyWindow(), &first);
    EXPECT_EQ(app->mainWindow(), &first);
    EXPECT_EQ(app->orderedWindows(), (std::vector<Window*>{&first}));

    first.orderOut();
    EXPECT_EQ(app->keyWindow(), nullptr);
    EXPECT_EQ(app->mainWindow(), nullptr);
}
