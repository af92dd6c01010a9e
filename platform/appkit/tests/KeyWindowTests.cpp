// Which window is key and which is main as the user clicks, the desktop
// activates windows and windows leave the screen; where keys go.

#include "AppKitTesting.h"

#include "appkit/EventScript.h"
#include "appkit/Panel.h"
#include "appkit/View.h"
#include "appkit/Window.h"
#include "appkit/WindowScreen.h"

#include <QApplication>
#include <QWidget>

#include <functional>

using namespace kit;

namespace {

// A view that takes the keyboard or not, and counts the keys it gets.
class KeyCounter : public View {
public:
    KeyCounter(const Rect& r, bool takesKeys) : View(r), takesKeys_(takesKeys) {}
    bool acceptsFirstResponder() const override { return takesKeys_; }
    void mouseDown(const Event&) override {}
    void keyDown(const Event&) override { ++keys; }
    int keys = 0;

private:
    bool takesKeys_;
};

KeyCounter* addCounter(Window& window, const Rect& r, bool takesKeys)
{
    return static_cast<KeyCounter*>(window.contentView()->addSubview(std::make_unique<KeyCounter>(r, takesKeys)));
}

class KeyWindowTest : public AppKitTest {
protected:
    void SetUp() override
    {
        AppKitTest::SetUp();
        first = std::make_unique<Window>(makeRect(0, 0, 200, 200));
        second = std::make_unique<Window>(makeRect(220, 0, 200, 200));
        palette = std::make_unique<Panel>(makeRect(440, 0, 100, 100));
        palette->setFloatingPanel(true);
        palette->setBecomesKeyOnlyIfNeeded(true);
        firstText = addCounter(*first, makeRect(0, 0, 200, 200), true);
        secondText = addCounter(*second, makeRect(0, 0, 200, 200), true);
        button = addCounter(*palette, makeRect(0, 0, 100, 50), false);
        field = addCounter(*palette, makeRect(0, 50, 100, 50), true);
        first->makeKeyAndOrderFront();
        second->orderFront();
        palette->orderFront();
        first->makeFirstResponder(firstText);
        second->makeFirstResponder(secondText);
        app->run();
    }

    void TearDown() override
    {
        palette.reset();
        second.reset();
        first.reset();
        AppKitTest::TearDown();
    }

    void click(const Window& window, Point at)
    {
        EventScript(window).mouseDown(at).mouseUp(at).schedule();
        app->run();
    }

    // A key as the screen hands it over: in the window the desktop gave it to.
    void typeInto(const Window& window)
    {
        EventScript(window).keyDown(u"a").keyUp(u"a").schedule();
        app->run();
    }

    std::unique_ptr<Window> first, second;
    std::unique_ptr<Panel> palette;
    KeyCounter *firstText = nullptr, *secondText = nullptr, *button = nullptr, *field = nullptr;
};

} // namespace

TEST_F(KeyWindowTest, AClickedDocumentWindowBecomesKeyAndMainAPaletteOnlyKeyWhenItNeedsTheKeyboard)
{
    ASSERT_EQ(app->keyWindow(), first.get());
    ASSERT_EQ(app->mainWindow(), first.get());

    click(*second, {50, 50});
    EXPECT_EQ(app->keyWindow(), second.get());
    EXPECT_EQ(app->mainWindow(), second.get()) << "the menus would act on the window clicked away from";

    // A button of the palette needs no keyboard: the document keeps it.
    click(*palette, {50, 20});
    EXPECT_EQ(app->keyWindow(), second.get());
    EXPECT_EQ(app->mainWindow(), second.get());
    // Its field does: the palette is key, and it serves the main window.
    click(*palette, {50, 70});
    EXPECT_EQ(app->keyWindow(), palette.get());
    EXPECT_EQ(app->mainWindow(), second.get());

    click(*first, {50, 50});
    EXPECT_EQ(app->keyWindow(), first.get());
    EXPECT_EQ(app->mainWindow(), first.get());
}

TEST_F(KeyWindowTest, KeysGoToTheKeyWindowWhicheverWindowTheScreenGaveThemTo)
{
    click(*palette, {50, 20});
    ASSERT_EQ(app->keyWindow(), first.get());
    // The desktop focused the palette on its click; the typing is the
    // document's.
    typeInto(*palette);
    EXPECT_EQ(firstText->keys, 1);
    EXPECT_EQ(field->keys + button->keys, 0);

    click(*palette, {50, 70});
    typeInto(*first);
    EXPECT_EQ(field->keys, 1);
    EXPECT_EQ(firstText->keys, 1);
}

TEST_F(KeyWindowTest, AWindowLeavingTheScreenHandsKeyAndMainOn)
{
    // A panel that was key gives the keys back to the main window.
    click(*second, {50, 50});
    click(*palette, {50, 70});
    ASSERT_EQ(app->keyWindow(), palette.get());
    palette->orderOut();
    EXPECT_EQ(app->keyWindow(), second.get());
    EXPECT_EQ(app->mainWindow(), second.get());

    // The key document window closes: the one in front before it takes over.
    click(*first, {50, 50});
    click(*second, {50, 50});
    second->close();
    EXPECT_EQ(app->keyWindow(), first.get());
    EXPECT_EQ(app->mainWindow(), first.get());
    typeInto(*first);
    EXPECT_EQ(firstText->keys, 1);

    // Hidden, the last one leaves nothing key or main behind.
    first->orderOut();
    EXPECT_EQ(app->keyWindow(), nullptr);
    EXPECT_EQ(app->mainWindow(), nullptr);
}

TEST_F(KeyWindowTest, AWindowTheDesktopActivatesBecomesKeyAndMain)
{
    const auto activated = [](const Window& window) {
        return Event::otherEventWithType(EventType::AppKitDefined, {}, 0, Clock::now(), 0, WindowActivatedSubtype,
                                         window.windowNumber());
    };
    // A click on the title bar reaches the program only as an activation.
    app->queueEventFromSource(activated(*second));
    app->run();
    EXPECT_EQ(app->keyWindow(), second.get());
    EXPECT_EQ(app->mainWindow(), second.get());

    // Of several activations waiting, the last one is where the desktop
    // stands.
    app->queueEventFromSource(activated(*first));
    app->queueEventFromSource(activated(*second));
    app->run();
    EXPECT_EQ(app->keyWindow(), second.get());

    // A palette activated on a click stays out of the way until the click
    // needs its keyboard.
    app->queueEventFromSource(activated(*palette));
    app->run();
    EXPECT_EQ(app->keyWindow(), second.get());
}

TEST_F(KeyWindowTest, TheScreensActivationOfAWindowReachesTheApplication)
{
    QWidget* widget = second->screen() ? second->screen()->widget() : nullptr;
    ASSERT_NE(widget, nullptr);
    widget->activateWindow();
    // The screen reports the activation in its own time.
    for (int i = 0; i < 50 && app->keyWindow() != second.get(); ++i) {
        QApplication::processEvents();
        app->run();
    }
    EXPECT_EQ(app->keyWindow(), second.get());
    EXPECT_EQ(app->mainWindow(), second.get());
}

TEST_F(KeyWindowTest, AModalPanelKeepsTheKeysAgainstTheDesktop)
{
    Panel dialog(makeRect(100, 100, 100, 60));
    int key = 0;
    auto during = Timer::timerWithTimeInterval(0.1, [&](Timer&) {
        app->queueEventFromSource(Event::otherEventWithType(EventType::AppKitDefined, {}, 0, Clock::now(), 0,
                                                            WindowActivatedSubtype, second->windowNumber()));
    }, false);
    auto look = Timer::timerWithTimeInterval(0.2, [&](Timer&) {
        key = app->keyWindow() == &dialog ? 1 : 2;
        app->stopModal();
    }, false);
    RunLoop::currentRunLoop().addTimer(during, ModalPanelRunLoopMode);
    RunLoop::currentRunLoop().addTimer(look, ModalPanelRunLoopMode);
    dialog.runModal();
    EXPECT_EQ(key, 1);
    dialog.orderOut();
    EXPECT_EQ(app->keyWindow(), first.get()) << "the dialog hands the keys back";
}

// The program is active once the desktop gives one of its windows the
// focus (the display tests take the focus away too).
TEST_F(KeyWindowTest, TheProgramIsActiveWhenTheDesktopFocusesOneOfItsWindows)
{
    second->screen()->widget()->activateWindow();
    // The screen reports the focus in its own time.
    for (int i = 0; i < 50 && !app->isActive(); ++i) {
        QApplication::processEvents();
        app->run();
    }
    EXPECT_TRUE(app->isActive());
    // A test stands in for the desktop, as the inspectors' tests do.
    app->setActiveQuery([] { return false; });
    EXPECT_FALSE(app->isActive());
    app->setActiveQuery(nullptr);
    EXPECT_TRUE(app->isActive());
}

namespace {

// A panel that never takes the keyboard, whatever it holds.
class NeverKeyPanel : public Panel {
public:
    using Panel::Panel;
    bool canBecomeKeyWindow() const override { return false; }
};

} // namespace

TEST_F(KeyWindowTest, AWindowThatNeverTakesTheKeyboardStaysOutOfItOnEveryRoute)
{
    NeverKeyPanel never(makeRect(600, 0, 100, 100));
    never.setFloatingPanel(true);
    KeyCounter* neverField = addCounter(never, makeRect(0, 0, 100, 100), true);
    never.orderFront();
    app->run();
    ASSERT_EQ(app->keyWindow(), first.get());

    const struct {
        const char* route;
        std::function<void()> act;
    } routes[] = {
        {"a click on a view that takes the keyboard", [&] { click(never, {50, 50}); }},
        {"the program", [&] { never.makeKeyAndOrderFront(); }},
        {"the program, the window alone", [&] { never.makeKeyWindow(); }},
        {"the desktop's activation",
         [&] {
             app->queueEventFromSource(Event::otherEventWithType(EventType::AppKitDefined, {}, 0, Clock::now(), 0,
                                                                 WindowActivatedSubtype, never.windowNumber()));
             app->run();
         }},
        {"a view made first responder", [&] { never.makeFirstResponder(neverField); }},
    };
    int typed = 0;
    for (const auto& route : routes) {
        SCOPED_TRACE(route.route);
        route.act();
        EXPECT_EQ(app->keyWindow(), first.get());
        EXPECT_EQ(app->mainWindow(), first.get());
        EXPECT_NE(never.firstResponder(), neverField);
        // The screen gave the keys to the panel: they are the document's.
        typeInto(never);
        EXPECT_EQ(firstText->keys, ++typed);
        EXPECT_EQ(neverField->keys, 0);
    }

    // Nor does the desktop give it the focus.
    QWidget* widget = never.screen() ? never.screen()->widget() : nullptr;
    ASSERT_NE(widget, nullptr);
    EXPECT_TRUE(widget->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(widget->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(widget->focusPolicy(), Qt::NoFocus);
    QWidget* other = first->screen() ? first->screen()->widget() : nullptr;
    ASSERT_NE(other, nullptr);
    EXPECT_FALSE(other->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
}
