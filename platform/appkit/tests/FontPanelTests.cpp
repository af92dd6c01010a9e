#include "AppKitTesting.h"

#include "appkit/Application.h"
#include "appkit/Button.h"
#include "appkit/EventScript.h"
#include "appkit/FontPanel.h"
#include "appkit/MenuItem.h"
#include "appkit/Panel.h"
#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "appkit/View.h"
#include "appkit/Window.h"
#include "graphics/Font.h"
#include "graphics/FontManager.h"

using namespace kit;

namespace {

// A text view's part: its fonts follow the font panel through changeFont:.
class FontUser : public View {
public:
    explicit FontUser(const Rect& r) : View(r)
    {
        setAction("changeFont:", [this](Object* sender) -> Object* {
            senders.push_back(sender);
            for (Font*& f : fonts)
                f = FontManager::sharedFontManager().convertFont(f);
            return nullptr;
        });
    }
    bool acceptsFirstResponder() const override { return true; }
    std::vector<Font*> fonts;
    std::vector<Object*> senders;
};

class FontPanelTest : public AppKitTest {
protected:
    void SetUp() override
    {
        AppKitTest::SetUp();
        FontPanel::installFontManagerHooks();
        panel = FontPanel::sharedFontPanel();
        document = std::make_unique<Window>(makeRect(0, 0, 300, 200));
        user = static_cast<FontUser*>(document->contentView()->addSubview(std::make_unique<FontUser>(makeRect(0, 0, 300, 200))));
        document->makeKeyAndOrderFront();
        document->makeFirstResponder(user);
    }
    void TearDown() override
    {
        panel->setPanelFont(nullptr, false);
        panel->orderOut();
        document.reset();
        AppKitTest::TearDown();
    }

public:
    static Font* font(const char* name, float size) { return Font::fontWithName(name, size); }
    void choose(PopUpButton* popup, const std::string& title)
    {
        int i = popup->indexOfItemWithTitle(title);
        ASSERT_GE(i, 0) << title;
        popup->chooseItemAtIndex(i);
    }

    FontPanel* panel = nullptr;
    std::unique_ptr<Window> document;
    FontUser* user = nullptr;
};

} // namespace

TEST_F(FontPanelTest, ThePanelShowsTheSelectionsFont)
{
    FontManager::sharedFontManager().setSelectedFont(font("Times-Bold", 14), false);
    EXPECT_EQ(panel->familyPopUp()->titleOfSelectedItem(), "Times");
    ASSERT_NE(font("Times-Bold", 14), nullptr);
    EXPECT_NE(panel->facePopUp()->titleOfSelectedItem().find("Bold"), std::string::npos);
    EXPECT_EQ(panel->sizeField()->stringValue(), "14");
    EXPECT_EQ(panel->panelFont(), font("Times-Bold", 14));
    EXPECT_FALSE(panel->isMultiple());
    EXPECT_NE(panel->preview()->stringValue().find("Times"), std::string::npos);

    // Ordered front through the font manager, as runFontPanel: does.
    panel->orderOut();
    FontManager::sharedFontManager().orderFrontFontPanel();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(panel->isFloatingPanel());
}

TEST_F(FontPanelTest, SetChangesOnlyWhatTheUserChanged)
{
    struct Case {
        const char* what;
        std::function<void(FontPanelTest&)> act;
        std::vector<std::string> after; // of Times-Roman 12, Courier 10, Helvetica-Bold 9
    } cases[] = {
        {"family",
         [](FontPanelTest& t) { t.choose(t.panel->familyPopUp(), "Helvetica"); },
         {"Helvetica 12", "Helvetica 10", "Helvetica-Bold 9"}},
        {"typeface",
         [](FontPanelTest& t) {
             PopUpButton* faces = t.panel->facePopUp();
             for (int i = 0; i < faces->numberOfItems(); ++i)
                 if (faces->itemTitleAtIndex(i).find("Bold Italic") != std::string::npos)
                     faces->chooseItemAtIndex(i);
         },
         {"Times-BoldItalic 12", "Times-BoldItalic 10", "Times-BoldItalic 9"}},
        {"size typed",
         [](FontPanelTest& t) {
             t.panel->sizeField()->setStringValue("18");
             t.panel->sizeField()->performClick();
         },
         {"Times-Roman 18", "Courier 18", "Helvetica-Bold 18"}},
        {"size picked",
         [](FontPanelTest& t) { t.choose(t.panel->sizePopUp(), "24"); },
         {"Times-Roman 24", "Courier 24", "Helvetica-Bold 24"}},
        {"nothing", [](FontPanelTest&) {}, {"Times-Roman 12", "Courier 10", "Helvetica-Bold 9"}},
    };
    for (const Case& c : cases) {
        user->fonts = {font("Times-Roman", 12), font("Courier", 10), font("Helvetica-Bold", 9)};
        user->senders.clear();
        panel->setPanelFont(font("Times-Roman", 12), true);
        c.act(*this);
        panel->setButton()->performClick();
        std::vector<std::string> names;
        for (Font* f : user->fonts)
            names.push_back(f->fontName() + " " + std::to_string(static_cast<int>(f->pointSize())));
        EXPECT_EQ(names, c.after) << c.what;
        if (std::string(c.what) == "nothing")
            EXPECT_TRUE(user->senders.empty());
        else
            EXPECT_EQ(user->senders, (std::vector<Object*>{panel})) << c.what;
        // Nothing stays pending in the font manager.
        EXPECT_EQ(FontManager::sharedFontManager().pendingChange().action, FontAction::NoFontChange);
    }
}

TEST_F(FontPanelTest, TheFontMenuAndRevertWorkThroughThePanel)
{
    user->fonts = {font("Times-Roman", 12)};
    MenuItem bold("Bold", "addFontTrait:");
    bold.setTag(BoldFontMask);
    bold.setTarget(panel);
    ASSERT_TRUE(app->sendAction(bold.action(), bold.target(), &bold));
    EXPECT_EQ(user->fonts[0]->fontName(), "Times-Bold");
    MenuItem larger("Larger", "modifyFont:");
    larger.setTag(static_cast<int>(FontAction::SizeUp));
    app->sendAction(larger.action(), panel, &larger);
    EXPECT_EQ(user->fonts[0]->pointSize(), 13.0f);

    // Revert brings back the font shown before the user's changes.
    panel->setPanelFont(font("Palatino-Roman", 11), false);
    choose(panel->familyPopUp(), "Courier");
    EXPECT_EQ(panel->panelFont()->familyName(), "Courier");
    panel->revertButton()->performClick();
    EXPECT_EQ(panel->panelFont(), font("Palatino-Roman", 11));
    EXPECT_EQ(panel->familyPopUp()->titleOfSelectedItem(), font("Palatino-Roman", 11)->familyName());
}

TEST_F(FontPanelTest, AnAccessoryLiesBelowTheControls)
{
    float before = height(panel->contentRect());
    Rect setBefore = panel->setButton()->frame();
    auto accessory = std::make_unique<View>(makeRect(0, 0, 320, 40));
    View* a = accessory.get();
    EXPECT_EQ(panel->setAccessoryView(std::move(accessory)), nullptr);
    EXPECT_EQ(panel->accessoryView(), a);
    EXPECT_EQ(a->window(), panel);
    EXPECT_EQ(height(panel->contentRect()), before + 40);
    EXPECT_EQ(panel->setButton()->frame().origin.y, setBefore.origin.y + 40);
    std::unique_ptr<View> back = panel->setAccessoryView(nullptr);
    EXPECT_EQ(back.get(), a);
    EXPECT_EQ(height(panel->contentRect()), before);
    EXPECT_EQ(panel->setButton()->frame(), setBefore);
}

// Set given after the size was typed in the panel (the panel key for its
// field) gives the keys back to the window being worked in, where the caret
// shows.
TEST_F(FontPanelTest, SetGivesTheKeysBackToTheMainWindow)
{
    user->fonts = {font("Times-Roman", 12)};
    panel->setPanelFont(font("Times-Roman", 12), false);
    panel->makeKeyAndOrderFront();
    ASSERT_TRUE(panel->isKeyWindow());
    ASSERT_EQ(Application::sharedApplication().mainWindow(), document.get());
    panel->sizeField()->setStringValue("18");
    panel->setButton()->performClick();
    ASSERT_EQ(user->fonts.front(), font("Times-Roman", 18));
    EXPECT_TRUE(document->isKeyWindow());
    EXPECT_FALSE(panel->isKeyWindow());
    EXPECT_EQ(document->firstResponder(), user);
}

// While a panel has the keyboard (an inspector's field being typed into),
// the font panel's change still reaches the text of the window being
// edited: the main window's first responder.
TEST_F(FontPanelTest, AChangeReachesTheMainWindowWhileAPanelIsKey)
{
    user->fonts = {font("Times-Roman", 12)};
    Panel inspector(makeRect(400, 0, 200, 100));
    auto* field = static_cast<TextField*>(inspector.contentView()->addSubview(
        std::make_unique<TextField>(makeRect(10, 10, 120, 22), "1.0")));
    ActionRecorder inspectorDelegate({"windowDidBecomeKey:"});
    inspector.setDelegate(&inspectorDelegate);
    inspector.makeKeyAndOrderFront();
    field->selectText(nullptr);
    ASSERT_TRUE(inspector.isKeyWindow());
    ASSERT_EQ(inspector.firstResponder(), field);
    ASSERT_EQ(app->mainWindow(), document.get());

    panel->setPanelFont(font("Times-Roman", 12), false);
    panel->orderFront();
    choose(panel->familyPopUp(), "Helvetica");
    // Set clicked with the mouse, as the user does.
    Rect set = panel->setButton()->frame();
    Point at{midX(set), midY(set)};
    EventScript(*panel).at(0.1).mouseDown(at).after(0.1).mouseUp(at).schedule();
    app->run();
    ASSERT_EQ(user->senders, (std::vector<Object*>{panel}));
    EXPECT_EQ(user->fonts.front(), font("Helvetica", 12));
    // The panel keeps the keyboard and its field what was typed.
    EXPECT_TRUE(inspector.isKeyWindow());
    EXPECT_EQ(field->stringValue(), "1.0");

    // A key panel whose own chain answers changeFont: (a pane choosing a
    // font for itself) takes it first.
    ActionRecorder pane({"changeFont:"});
    inspector.setDelegate(&pane);
    choose(panel->sizePopUp(), "24");
    panel->setButton()->performClick();
    EXPECT_EQ(pane.count("changeFont:"), 1);
    EXPECT_EQ(user->fonts.front(), font("Helvetica", 12));
    inspector.setDelegate(nullptr);
}
