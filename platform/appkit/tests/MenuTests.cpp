#include "AppKitTesting.h"

#include "appkit/EventScript.h"
#include "appkit/Menu.h"
#include "appkit/MenuItem.h"
#include "appkit/MenuValidation.h"
#include "appkit/Panel.h"
#include "appkit/View.h"
#include "appkit/Window.h"
#include "appkit/WindowScreen.h"
#include "core/EventState.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QWindow>

using namespace kit;

namespace {

// The page view's part: it answers copy:, paste: and the underline
// command, validates them, and takes the keys that are not equivalents.
class Canvas : public View, public MenuValidation {
public:
    explicit Canvas(const Rect& r) : View(r)
    {
        for (const char* a : {"copy:", "paste:", "changeFontAttribute:"})
            setAction(a, [this, a](Object* sender) -> Object* {
                performed.push_back({a, sender});
                return nullptr;
            });
    }
    bool acceptsFirstResponder() const override { return true; }
    bool validateMenuItem(MenuItem* item) override
    {
        ++validations;
        if (item->action() == "paste:")
            return pasteboardHasText;
        if (item->action() == "changeFontAttribute:") {
            item->setTitle(underlined ? "Remove Underline" : "Underline");
            return editing;
        }
        return true;
    }
    void keyDown(const Event& e) override { keys.push_back(e.characters()); }

    std::vector<std::pair<std::string, Object*>> performed;
    std::vector<std::u16string> keys;
    int validations = 0;
    bool pasteboardHasText = false;
    bool underlined = false;
    bool editing = true;
};

struct Fixture {
    explicit Fixture(Application& app) : window(makeRect(0, 0, 300, 200))
    {
        canvas = static_cast<Canvas*>(window.contentView()->addSubview(std::make_unique<Canvas>(makeRect(0, 0, 300, 200))));
        auto main = std::make_unique<Menu>("Scrivly");
        MenuItem* fileItem = main->addItemWithTitle("File", "");
        auto file = std::make_unique<Menu>("File");
        newItem = file->addItemWithTitle("New", "newDocument:", "n");
        file->addItem(MenuItem::separatorItem());
        closeItem = file->addItemWithTitle("Close", "close:", "w");
        main->setSubmenu(std::move(file), fileItem);
        MenuItem* editItem = main->addItemWithTitle("Edit", "");
        auto edit = std::make_unique<Menu>("Edit");
        copyItem = edit->addItemWithTitle("Copy", "copy:", "c");
        pasteItem = edit->addItemWithTitle("Paste", "paste:", "v");
        saveAsItem = edit->addItemWithTitle("Save As...", "saveAs:", "S");
        underlineItem = edit->addItemWithTitle("Underline", "changeFontAttribute:", "u");
        underlineItem->setTag(0x10);
        main->setSubmenu(std::move(edit), editItem);
        app.setMainMenu(std::move(main));
        app.setDelegate(&delegate);
        window.makeKeyAndOrderFront();
        window.makeFirstResponder(canvas);
    }
    ~Fixture() { Application::sharedApplication().setMainMenu(nullptr); }

    Window window;
    Canvas* canvas;
    ActionRecorder delegate{"newDocument:", "saveAs:"};
    MenuItem* newItem;
    MenuItem* closeItem;
    MenuItem* copyItem;
    MenuItem* pasteItem;
    MenuItem* saveAsItem;
    MenuItem* underlineItem;
};

} // namespace

using MenuTest = AppKitTest;

TEST_F(MenuTest, AnItemIsEnabledWhenTheResponderThatWouldTakeItsActionAgrees)
{
    Fixture f(*app);
    struct Case {
        bool pasteboardHasText, editing, underlined;
        bool paste, underline;
        const char* underlineTitle;
    } cases[] = {
        {false, true, false, false, true, "Underline"},
        {true, true, true, true, true, "Remove Underline"},
        {true, false, false, true, false, "Underline"},
    };
    for (const Case& c : cases) {
        f.canvas->pasteboardHasText = c.pasteboardHasText;
        f.canvas->editing = c.editing;
        f.canvas->underlined = c.underlined;
        app->updateMenus();
        EXPECT_TRUE(f.copyItem->isEnabled());
        EXPECT_EQ(f.pasteItem->isEnabled(), c.paste);
        EXPECT_EQ(f.underlineItem->isEnabled(), c.underline);
        EXPECT_EQ(f.underlineItem->title(), c.underlineTitle);
        // The delegate answers newDocument:; nobody answers close:.
        EXPECT_TRUE(f.newItem->isEnabled());
        EXPECT_FALSE(f.closeItem->isEnabled());
        EXPECT_EQ(f.pasteItem->qtAction()->isEnabled(), c.paste);
        EXPECT_EQ(f.underlineItem->qtAction()->text(), c.underlineTitle);
    }
    // Without the canvas in the chain, its items go grey.
    f.window.makeFirstResponder(nullptr);
    app->updateMenus();
    EXPECT_FALSE(f.copyItem->isEnabled());
    EXPECT_TRUE(f.newItem->isEnabled());
}

TEST_F(MenuTest, CommandKeysAreEquivalentsAndControlKeysStayWithTheText)
{
    Fixture f(*app);
    f.canvas->pasteboardHasText = false;
    EventScript(f.window)
        .at(0.1).keyDown(u"c", CommandKeyMask)            // Copy
        .after(0.1).keyDown(u"v", CommandKeyMask)         // Paste, refused: beep
        .after(0.1).keyDown(u"\x01", ControlKeyMask)      // Control-A: the text's own
        .after(0.1).keyDown(u"s", CommandKeyMask)         // "S" asks for Shift: not this
        .after(0.1).keyDown(u"s", CommandKeyMask | ShiftKeyMask)
        .after(0.1).keyDown(u"c", AlternateKeyMask)       // Alternate is not Command
        .schedule();
    app->run();
    ASSERT_EQ(f.canvas->performed.size(), 1u);
    EXPECT_EQ(f.canvas->performed[0].first, "copy:");
    EXPECT_EQ(f.canvas->performed[0].second, f.copyItem);
    EXPECT_EQ(f.delegate.count("saveAs:"), 1);
    EXPECT_EQ(f.delegate.calls[0].sender, f.saveAsItem);
    // Command-v and Command-s reach the canvas as keys; Control-A and Alternate-c too.
    std::vector<std::u16string> keys{u"v", u"\x01", u"s", u"c"};
    EXPECT_EQ(f.canvas->keys, keys);
}

TEST_F(MenuTest, AChoiceOnTheScreenIsHandledFromTheQueue)
{
    Fixture f(*app);
    // The menu bar holds the submenus, with their separators.
    QMenu* file = f.newItem->menu()->qtMenu();
    ASSERT_EQ(file->actions().size(), 3);
    EXPECT_TRUE(file->actions()[1]->isSeparator());
    EXPECT_EQ(file->title(), "File");
    EXPECT_FALSE(f.newItem->qtAction()->shortcut().isEmpty());

    f.copyItem->qtAction()->trigger();
    EXPECT_TRUE(f.canvas->performed.empty()); // not inside Qt's handling
    app->run();
    ASSERT_EQ(f.canvas->performed.size(), 1u);
    EXPECT_EQ(f.canvas->performed[0].second, f.copyItem);

    // While a modal panel runs, the menu bar does nothing.
    Panel panel(makeRect(0, 0, 100, 100));
    auto trigger = Timer::timerWithTimeInterval(0.1, [&](Timer&) { f.copyItem->qtAction()->trigger(); }, false);
    auto stop = Timer::timerWithTimeInterval(0.5, [&](Timer&) { app->stopModalWithCode(0); }, false);
    RunLoop::currentRunLoop().addTimer(trigger, ModalPanelRunLoopMode);
    RunLoop::currentRunLoop().addTimer(stop, ModalPanelRunLoopMode);
    app->runModalForWindow(&panel);
    EXPECT_EQ(f.canvas->performed.size(), 1u);
    EXPECT_EQ(alerts->beeps(), 1);

    // A choice of an item removed since is dropped.
    f.copyItem->qtAction()->trigger();
    f.copyItem->menu()->removeItem(f.copyItem);
    app->run();
    EXPECT_EQ(f.canvas->performed.size(), 1u);
}

TEST_F(MenuTest, TheMenuBarShowsTheMainMenu)
{
    Fixture f(*app);
    ASSERT_TRUE(app->mainMenu()->isMenuBarVisible());
    QMenuBar* bar = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* b = w->findChild<QMenuBar*>())
            bar = b;
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->actions().size(), 2);
    EXPECT_EQ(bar->actions()[0]->text(), "File");
    EXPECT_EQ(bar->actions()[1]->text(), "Edit");
    // Opening a menu validates its items first.
    QMenu* edit = f.copyItem->menu()->qtMenu();
    int before = f.canvas->validations;
    emit edit->aboutToShow();
    EXPECT_GT(f.canvas->validations, before);
    app->setMainMenu(nullptr);
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_EQ(w->findChild<QMenuBar*>(), nullptr);
}

// A menu opened on the menu bar takes the keys the screen hands to the
// document window while it is open (the window keeps the desktop's focus),
// and Escape closes it; afterwards the keys reach the text again.
TEST_F(MenuTest, AnOpenMenuKeepsTheKeysAndEscapeClosesIt)
{
    Fixture f(*app);
    QMenuBar* bar = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* b = w->findChild<QMenuBar*>())
            bar = b;
    ASSERT_NE(bar, nullptr);
    QWidget* document = f.window.screen() ? f.window.screen()->widget() : nullptr;
    ASSERT_NE(document, nullptr);
    document->show();
    QWindow* handle = document->windowHandle();
    ASSERT_NE(handle, nullptr);
    auto press = [&](int key, const QString& text) {
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(handle, &down);
        QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(handle, &up);
        app->run();
    };

    QMenu* edit = f.copyItem->menu()->qtMenu();
    bar->setActiveAction(bar->actions()[1]);
    ASSERT_TRUE(edit->isVisible());
    press(Qt::Key_X, "x");
    EXPECT_TRUE(f.canvas->keys.empty()) << "a key went past the open menu";
    EXPECT_TRUE(edit->isVisible());
    press(Qt::Key_Escape, QString(QChar(0x1b)));
    EXPECT_FALSE(edit->isVisible()) << "the menu stayed open after Escape";
    EXPECT_TRUE(f.canvas->keys.empty());

    press(Qt::Key_Y, "y");
    EXPECT_EQ(f.canvas->keys, std::vector<std::u16string>{u"y"});
}
