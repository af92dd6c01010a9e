// The inspector window under a real Scrivly delegate: the panes the
// inspectors register, the message shown when none applies, the edited
// mark, the keys, and the window made, shown and forgotten through the
// delegate's commands.

#include "app/tests/WordProcessorFixture.h"

#include "appkit/Button.h"
#include "appkit/MenuItem.h"
#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "core/EventState.h"
#include "document/Page.h"
#include "document/UndoInfo.h"
#include "items/ItemBox.h"
#include "panels/ZynInspectorPanel.h"
#include "panels/ZynInspectorSwapPanel.h"
#include "view/PageView.h"
#include "view/ZynSizableSwapView.h"

#include <map>

namespace {

// What a test pane does: the selections it takes, and what it heard.
struct PaneScript {
    // Takes a selection of this many items or more (0: also an empty one).
    std::size_t takesFrom = 1;
    // Refuses everything.
    bool refuses = false;
    int asked = 0;
    int oks = 0;
    int swapOuts = 0;
    std::vector<kit::Object*> responders;
};

std::map<std::string, PaneScript>& scripts()
{
    static std::map<std::string, PaneScript> table;
    return table;
}

// An inspector whose pane comes from the interface file named after its
// class (the pane's title, "name,key", comes from the class too).
class TestPaneInspector : public ZynInspector {
public:
    TestPaneInspector(std::string className, std::string paneTitle)
        : className_(std::move(className)), paneTitle_(std::move(paneTitle))
    {
    }
    std::string className() const override { return className_; }
    const std::string& paneTitle() const { return paneTitle_; }
    PaneScript& script() const { return scripts()[className_]; }

    kit::Object* inspectSelection(const std::vector<Item*>* selection) override
    {
        ++script().asked;
        if (script().refuses || !selection || selection->size() < script().takesFrom)
            return nullptr;
        return this;
    }
    void ok(kit::Object*) override { ++script().oks; }
    void swapOut(kit::Object*) override { ++script().swapOuts; }
    void notifyFirstResponderChanged(kit::Object* responder) override { script().responders.push_back(responder); }

private:
    std::string className_;
    std::string paneTitle_;
};

// Three inspectors: two share the pane name "Probe" (the later one with
// the key "2"), one has a name without a key.
class ProbeA : public TestPaneInspector {
public:
    ProbeA() : TestPaneInspector("ProbeAInspector", "Probe,1") {}
};
class ProbeB : public TestPaneInspector {
public:
    ProbeB() : TestPaneInspector("ProbeBInspector", "Probe,2") {}
};
class Plain : public TestPaneInspector {
public:
    Plain() : TestPaneInspector("PlainInspector", "Plain") {}
};

template <class T>
void registerPane()
{
    const T probe;
    const std::string title = probe.paneTitle();
    kit::registerClass<T>(probe.className());
    kit::NibLoader::registerNib(probe.className(), [title](kit::NibLoad& load) {
        auto pane = std::make_unique<ZynInspectorSwapPanel>(kit::makeRect(0, 0, 240, 200));
        pane->setTitle(title);
        auto field = std::make_unique<kit::TextField>(kit::makeRect(10, 150, 120, 22));
        pane->setFirstText(field.get());
        pane->contentView()->addSubview(std::move(field));
        ZynInspectorSwapPanel* made = load.addTopLevelObject(std::move(pane));
        return load.connectOutlet("inspectorView", made);
    });
}

class InspectorWindowTest : public WordProcessorTest {
protected:
    void SetUp() override
    {
        WordProcessorTest::SetUp();
        scripts().clear();
        ZynInspectorPanel::initialize();
        registerPane<ProbeA>();
        registerPane<ProbeB>();
        registerPane<Plain>();
    }

    void TearDown() override
    {
        WordProcessorTest::TearDown();
        for (const char* file : {"ProbeAInspector", "ProbeBInspector", "PlainInspector"})
            kit::NibLoader::unregisterNib(file);
        scripts().clear();
    }

    // The inspectors join in the order of their rows.
    void addRows(std::vector<std::string> classes = {"ProbeAInspector", "ProbeBInspector", "PlainInspector"})
    {
        for (const std::string& name : classes)
            delegate_->addPanelRow({.name = name, .className = name, .group = "Inspectors"});
    }

    ZynInspectorPanel* window()
    {
        return dynamic_cast<ZynInspectorPanel*>(delegate_->inspectorPanel());
    }

    TestPaneInspector* inspector(const std::string& name)
    {
        return dynamic_cast<TestPaneInspector*>(delegate_->outlet(name));
    }

    std::vector<std::string> titles(ZynInspectorPanel* panel) { return panel->popupButton()->itemTitles(); }

    // A box on the first page, selected in the main page view, not editing.
    Item* selectBox(ScrivlyDocument* document)
    {
        PageView* view = delegate_->mainPageView();
        view->endEditing();
        auto box = std::make_shared<ItemBox>();
        box->setFrame(kit::makeRect(100, 100, 80, 60), false);
        Item* raw = box.get();
        document->pageAt(0)->addItems(box);
        document->setSelection({raw}, view);
        return raw;
    }

    kit::Event keyWith(std::u16string characters, unsigned modifiers) const
    {
        return kit::Event::keyEventWithType(kit::EventType::KeyDown, {}, modifiers, kit::Clock::now(), 0, characters,
                                            characters, false);
    }

    std::string message(ZynInspectorPanel* panel) { return panel->swapView()->emptyMessage(); }
};

TEST_F(InspectorWindowTest, MadeOnceWithOneItemANameAndThePaneTheLastOfThatNameOwns)
{
    addRows();
    ZynInspectorPanel* panel = window();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(delegate_->inspectorPanel(), panel);
    EXPECT_EQ(ZynInspectorPanel::sharedPanel(), panel);
    // Made without coming forward, its own delegate.
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(panel->isLoading());
    EXPECT_EQ(panel->delegate(), panel);
    EXPECT_EQ(titles(panel), (std::vector<std::string>{"Probe", "Plain"}));

    auto* a = inspector("ProbeAInspector");
    auto* b = inspector("ProbeBInspector");
    auto* plain = inspector("PlainInspector");
    ASSERT_TRUE(a && b && plain);
    EXPECT_EQ(panel->inspectorList(), (std::vector<ZynInspector*>{a, b, plain}));
    // Of the two panes named "Probe" the one added last owns the item and
    // its key; a name without a comma has no key.
    kit::MenuItem* probe = panel->popupButton()->itemWithTitle("Probe");
    EXPECT_EQ(probe->target(), b->inspectorView());
    EXPECT_EQ(probe->action(), "swapIn:");
    EXPECT_EQ(probe->keyEquivalent(), "2");
    kit::MenuItem* plainItem = panel->popupButton()->itemWithTitle("Plain");
    EXPECT_EQ(plainItem->target(), plain->inspectorView());
    EXPECT_EQ(plainItem->keyEquivalent(), "");
    // Each pane shows in the window's swap view.
    for (ZynInspector* each : {static_cast<ZynInspector*>(a), static_cast<ZynInspector*>(b),
                               static_cast<ZynInspector*>(plain)})
        EXPECT_EQ(dynamic_cast<ZynSwapPanel*>(each->inspectorView())->swapView(), panel->swapView());
}

TEST_F(InspectorWindowTest, WithoutInspectorsTheWindowSaysSoAndNothingFails)
{
    ZynInspectorPanel* panel = window();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(titles(panel).empty());
    panel->performClick(nullptr);
    EXPECT_EQ(message(panel), "No Selection");
    ASSERT_NE(newDocument(), nullptr);
    panel->inspect(nullptr);
    EXPECT_EQ(message(panel), "No Inspector");
    EXPECT_EQ(panel->swapView()->currentSwapPanel(), nullptr);
    delegate_->mainDocument()->close(nullptr);
    ASSERT_EQ(delegate_->mainDocument(), nullptr);

    // An item no pane took over: "NoSelection" without a document,
    // "NoInspector" with one.
    panel->popupButton()->addItemWithTitle("Orphan");
    panel->runPanelFor(nullptr);
    EXPECT_EQ(message(panel), "No Selection");
    ASSERT_NE(newDocument(), nullptr);
    panel->inspect(nullptr);
    EXPECT_EQ(message(panel), "No Inspector");
    EXPECT_EQ(alerts_->beeps(), 0);
}

// What the pane area shows for each selection: the pane, or why not.
TEST_F(InspectorWindowTest, ThePaneOrTheMessageForEachSelection)
{
    addRows({"PlainInspector"});
    struct Case {
        const char* name;
        bool document;
        bool box;
        bool refuses;
        std::size_t takesFrom;
        const char* message; // nil: the pane shows
    };
    const Case cases[] = {
        {"no document", false, false, false, 1, "No Selection"},
        {"empty selection", true, false, false, 1, "No Selection"},
        {"refused selection", true, true, true, 1, "Not Applicable"},
        {"taken selection", true, true, false, 1, nullptr},
        {"taken empty selection", true, false, false, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        addRows({"PlainInspector"});
        scripts()["PlainInspector"].refuses = c.refuses;
        scripts()["PlainInspector"].takesFrom = c.takesFrom;
        if (c.document) {
            ScrivlyDocument* document = newDocument();
            ASSERT_NE(document, nullptr);
            delegate_->mainPageView()->endEditing();
            document->setSelection({}, delegate_->mainPageView());
            if (c.box)
                selectBox(document);
        }
        ZynInspectorPanel* panel = window();
        ASSERT_NE(panel, nullptr);
        TestPaneInspector* plain = inspector("PlainInspector");
        panel->inspect(nullptr);
        EXPECT_EQ(panel->popupButton()->titleOfSelectedItem(), "Plain");
        if (c.message) {
            EXPECT_EQ(panel->swapView()->currentSwapPanel(), nullptr);
            EXPECT_EQ(message(panel), c.message);
            EXPECT_FALSE(plain->isVisible());
        } else {
            EXPECT_EQ(panel->swapView()->currentSwapPanel(), plain->inspectorView());
            EXPECT_TRUE(plain->isVisible());
        }
        // Re-inspecting never brings the window forward.
        EXPECT_FALSE(panel->isVisible());
    }
}

TEST_F(InspectorWindowTest, TheCommandBringsTheWindowForwardAndAHiddenWindowIsNotReinspected)
{
    addRows({"PlainInspector"});
    ScrivlyDocument* document = newDocument();
    ASSERT_NE(document, nullptr);
    ZynInspectorPanel* panel = window();
    ASSERT_NE(panel, nullptr);
    PaneScript& plain = scripts()["PlainInspector"];
    // A selection change while the window is hidden does nothing.
    const int before = plain.asked;
    selectBox(document);
    EXPECT_EQ(plain.asked, before);
    EXPECT_EQ(message(panel), "No Selection");

    // Windows > Inspector: forward, then the current selection.
    delegate_->performSelector("inspect:", nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->swapView()->currentSwapPanel(), inspector("PlainInspector")->inspectorView());
    // While visible, each selection change re-runs the pane.
    const int shown = plain.asked;
    document->setSelection({}, delegate_->mainPageView());
    EXPECT_GT(plain.asked, shown);
    EXPECT_EQ(message(panel), "No Selection");
    EXPECT_EQ(panel->swapView()->currentSwapPanel(), nullptr);
}

TEST_F(InspectorWindowTest, EditsMarkTheWindowAndOkRevertOrANewSelectionClearIt)
{
    addRows({"PlainInspector"});
    ScrivlyDocument* document = newDocument();
    ASSERT_NE(document, nullptr);
    selectBox(document);
    ZynInspectorPanel* panel = window();
    ASSERT_NE(panel, nullptr);
    panel->inspect(nullptr);
    EXPECT_FALSE(panel->okButton()->isEnabled());
    EXPECT_FALSE(panel->revertButton()->isEnabled());

    PaneScript& plain = scripts()["PlainInspector"];
    const std::vector<std::pair<const char*, std::function<void()>>> clearers = {
        {"OK", [&] { panel->okButton()->performClick(nullptr); }},
        {"Revert", [&] { panel->revertButton()->performClick(nullptr); }},
        {"a new selection", [&] { document->setSelection({}, delegate_->mainPageView()); }},
        {"the popup", [&] { panel->popupButton()->chooseItemAtIndex(0); }},
    };
    panel->orderFront(nullptr);
    for (const auto& [name, clear] : clearers) {
        SCOPED_TRACE(name);
        panel->setDocumentEdited(true);
        EXPECT_TRUE(panel->isDocumentEdited());
        EXPECT_TRUE(panel->okButton()->isEnabled());
        EXPECT_TRUE(panel->revertButton()->isEnabled());
        clear();
        EXPECT_FALSE(panel->isDocumentEdited());
        EXPECT_FALSE(panel->okButton()->isEnabled());
        EXPECT_FALSE(panel->revertButton()->isEnabled());
    }
    EXPECT_EQ(plain.oks, 1);
}

// A pane that leaves the pane area for a message hears it, as it does when
// another pane takes its place.
TEST_F(InspectorWindowTest, APaneReplacedByAMessageIsSwappedOut)
{
    addRows();
    ScrivlyDocument* document = newDocument();
    ASSERT_NE(document, nullptr);
    selectBox(document);
    ZynInspectorPanel* panel = window();
    ASSERT_NE(panel, nullptr);
    kit::PopUpButton* popup = panel->popupButton();
    TestPaneInspector* plain = inspector("PlainInspector");
    popup->chooseItemAtIndex(popup->indexOfItemWithTitle("Plain"));
    ASSERT_TRUE(plain->isVisible());
    const int swapOuts = scripts()["PlainInspector"].swapOuts;

    scripts()["ProbeBInspector"].refuses = true;
    popup->chooseItemAtIndex(popup->indexOfItemWithTitle("Probe"));
    EXPECT_EQ(message(panel), "Not Applicable");
    EXPECT_EQ(panel->swapView()->currentSwapPanel(), nullptr);
    EXPECT_FALSE(plain->isVisible());
    EXPECT_EQ(scripts()["PlainInspector"].swapOuts, swapOuts + 1);
}

TEST_F(InspectorWindowTest, KeysBeepWithoutCommandAndChoosePanesWithIt)
{
    addRows();
    ScrivlyDocument* document = newDocument();
    ASSERT_NE(document, nullptr);
    selectBox(document);
    ZynInspectorPanel* panel = window();
    ASSERT_NE(panel, nullptr);
    panel->inspect(nullptr);
    panel->popupButton()->selectItemWithTitle("Plain");
    panel->inspect(nullptr);
    ASSERT_EQ(panel->swapView()->currentSwapPanel(), inspector("PlainInspector")->inspectorView());

    struct Case {
        const char* name;
        std::u16string characters;
        unsigned modifiers;
        int beeps;
        const char* chosen;
    };
    const Case cases[] = {
        {"a letter", u"x", 0, 1, "Plain"},
        {"no characters", u"", 0, 1, "Plain"},
        // Nothing answers it: the end of the responder chain beeps.
        {"Command and a letter no item has", u"x", kit::CommandKeyMask, 1, "Plain"},
        {"Command and the pane's key", u"2", kit::CommandKeyMask, 0, "Probe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int beeps = alerts_->beeps();
        panel->keyDown(keyWith(c.characters, c.modifiers));
        EXPECT_EQ(alerts_->beeps() - beeps, c.beeps);
        EXPECT_EQ(panel->popupButton()->titleOfSelectedItem(), c.chosen);
    }
    EXPECT_EQ(panel->swapView()->currentSwapPanel(), inspector("ProbeBInspector")->inspectorView());
}

// The arrows reach the main page view as they do when it is key: a layout
// document nudges its selection (one undo record), the word processor's
// page view leaves them alone outside text.
TEST_F(InspectorWindowTest, AnArrowNudgesTheSelectionAsThePageViewDoesWithOneUndoRecord)
{
    addRows({"PlainInspector"});
    ZynInspectorPanel* panel = window();
    ASSERT_NE(panel, nullptr);
    const kit::Event right = keyWith(std::u16string(1, kit::RightArrowFunctionKey), 0);
    // No main page view: nothing happens.
    int beeps = alerts_->beeps();
    panel->keyDown(right);
    EXPECT_EQ(alerts_->beeps(), beeps);

    auto made = std::make_unique<LayoutDocument>(delegate_->preferences());
    made->setup();
    LayoutDocument* document = made.get();
    delegate_->addDocument(std::move(made));
    document->newView(nullptr, document->firstPageNum(), false);
    PageView* view = delegate_->mainPageView();
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->document(), document);
    auto box = std::make_shared<ItemBox>();
    box->setFrame(kit::makeRect(100, 100, 80, 60), false);
    document->pageAt(0)->addItems(box);
    document->setSelection({box.get()}, view);

    const kit::Rect before = box->frame();
    const int records = document->undoInfo()->count();
    panel->keyDown(right);
    const kit::Rect after = box->frame();
    EXPECT_GT(after.origin.x, before.origin.x);
    EXPECT_EQ(after.origin.y, before.origin.y);
    EXPECT_EQ(document->undoInfo()->count(), records + 1);
    // The same as the page view's own arrow.
    view->keyDown(right);
    EXPECT_FLOAT_EQ(box->frame().origin.x - after.origin.x, after.origin.x - before.origin.x);
    ASSERT_TRUE(document->undoInfo()->undo());
    ASSERT_TRUE(document->undoInfo()->undo());
    EXPECT_EQ(box->frame(), before);
}

TEST_F(InspectorWindowTest, FocusCloseAndForcingAPaneReachTheShownInspector)
{
    addRows();
    ScrivlyDocument* document = newDocument();
    ASSERT_NE(document, nullptr);
    selectBox(document);
    ZynInspectorPanel* panel = window();
    ASSERT_NE(panel, nullptr);
    TestPaneInspector* plain = inspector("PlainInspector");

    // An inspector asks for its pane: chosen, shown, and the window comes
    // forward.
    plain->makeKeyAndOrderFront(nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->popupButton()->titleOfSelectedItem(), "Plain");
    EXPECT_EQ(panel->swapView()->currentSwapPanel(), plain->inspectorView());

    // The first responder, whatever the window made of it.
    auto* pane = dynamic_cast<ZynInspectorSwapPanel*>(plain->inspectorView());
    EXPECT_TRUE(panel->makeFirstResponder(pane->firstText()));
    EXPECT_TRUE(panel->makeFirstResponder(nullptr));
    EXPECT_EQ(scripts()["PlainInspector"].responders, (std::vector<kit::Object*>{pane->firstText(), nullptr}));
    // Becoming key with no first responder selects the pane's first text.
    panel->windowDidBecomeKey(nullptr);
    EXPECT_EQ(panel->firstResponder(), pane->firstText());

    const int swapOuts = scripts()["PlainInspector"].swapOuts;
    panel->performClose(nullptr);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(scripts()["PlainInspector"].swapOuts, swapOuts + 1);
}

TEST_F(InspectorWindowTest, MenuValidationWithAndWithoutADocument)
{
    addRows();
    kit::MenuItem item("Inspector...", "inspect:", "I");
    EXPECT_TRUE(delegate_->validateMenuItem(&item));
    ASSERT_NE(newDocument(), nullptr);
    EXPECT_TRUE(delegate_->validateMenuItem(&item));
    // Without its file the window cannot be made.
    kit::NibLoader::unregisterNib("ZynInspector.nib");
    Scrivly other;
    EXPECT_FALSE(other.validateMenuItem(&item));
}

// Another document's window becomes the main one: the visible window shows
// its selection; closing it leaves nothing of it in the window or the panes.
TEST_F(InspectorWindowTest, AMainDocumentSwitchAndAClose)
{
    addRows({"PlainInspector"});
    ScrivlyDocument* first = newDocument();
    ASSERT_NE(first, nullptr);
    selectBox(first);
    PageView* firstView = delegate_->mainPageView();
    ScrivlyDocument* second = newDocument();
    ASSERT_NE(second, nullptr);
    PageView* secondView = delegate_->mainPageView();
    secondView->endEditing();
    second->setSelection({}, secondView);
    delegate_->performSelector("inspect:", nullptr);
    ZynInspectorPanel* panel = window();
    EXPECT_EQ(message(panel), "No Selection");

    delegate_->setMainPageView(firstView);
    TestPaneInspector* plain = inspector("PlainInspector");
    EXPECT_EQ(panel->swapView()->currentSwapPanel(), plain->inspectorView());
    EXPECT_EQ(plain->document(), first);

    first->close(nullptr);
    EXPECT_NE(plain->document(), first);
    // The window reads the main document anew (ASan: nothing of the closed
    // one is reached).
    panel->inspect(nullptr);
    delegate_->performSelector("inspect:", nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_NE(panel->swapView()->currentSwapPanel(), plain->inspectorView());
}

TEST_F(InspectorWindowTest, TheVisibleBitReopensTheWindowAtLaunch)
{
    addRows({"PlainInspector"});
    for (const bool shown : {true, false}) {
        SCOPED_TRACE(shown);
        TearDown();
        SetUp();
        addRows({"PlainInspector"});
        delegate_->preferences()->setVisibleMask(shown ? 0x04 : 0);
        kit::Application& application = kit::Application::sharedApplication();
        delegate_->appDidInit(&application, false);
        ZynInspectorPanel* panel = ZynInspectorPanel::sharedPanel();
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->isVisible(), shown);

        // At quit the bit says whether it is on screen.
        delegate_->preferences()->setRememberVisiblePanels(true);
        ASSERT_TRUE(delegate_->applicationShouldTerminate());
        EXPECT_EQ((delegate_->preferences()->visibleMask() & 0x04) != 0, shown);
    }
}

TEST_F(InspectorWindowTest, TheFrameIsKeptUnderItsNameAndAnUnusableOneIsIgnored)
{
    const kit::Rect made = [&] {
        ZynInspectorPanel* panel = window();
        return panel->frame();
    }();
    struct Case {
        const char* name;
        const char* stored;
        bool taken;
    };
    const Case cases[] = {
        {"a moved frame", "{{40, 30}, {260, 440}}", true},
        {"garbage", "garbage", false},
        {"not finite", "{{nan, 30}, {260, 440}}", false},
        {"no size", "{{40, 30}, {0, 0}}", false},
        {"off every screen", "{{-90000, 90000}, {260, 440}}", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        kit::UserDefaults::standardUserDefaults().setStringForKey(c.stored, "NSWindow Frame InspectorPanel");
        ZynInspectorPanel* panel = window();
        ASSERT_NE(panel, nullptr);
        if (c.taken)
            EXPECT_EQ(panel->frame(), kit::makeRect(40, 30, 260, 440));
        else
            EXPECT_EQ(panel->frame().size, made.size);
        EXPECT_TRUE(kit::Window::frameMeetsAScreen(panel->frame()));
        // Moving it stores the new frame.
        panel->setFrameOrigin({60, 50});
        const auto stored = kit::UserDefaults::standardUserDefaults().stringForKey("NSWindow Frame InspectorPanel");
        ASSERT_TRUE(stored.has_value());
        EXPECT_EQ(kit::rectFromString(*stored), panel->frame());
    }
}

// The links panel as the registry reaches it: what it was asked to inspect,
// and whether it was on screen then.
class LinksProbe : public kit::Panel, public DocumentPanel {
public:
    LinksProbe() : kit::Panel(kit::makeRect(0, 0, 300, 240))
    {
        setAction("inspect:", [this](kit::Object* sender) -> kit::Object* {
            inspected.push_back({sender, isVisible()});
            return this;
        });
    }
    bool isVisible() const override { return kit::Panel::isVisible(); }
    void inspectSelection(const std::vector<Item*>* selection) override { forgotten += selection ? 0 : 1; }

    std::vector<std::pair<kit::Object*, bool>> inspected;
    int forgotten = 0;
};

TEST_F(InspectorWindowTest, LinksInspectsWithItsSenderBeforeComingForwardAndForgetsAClosedDocument)
{
    kit::NibLoader::registerNib("LinksPanel.nib", [](kit::NibLoad& load) {
        LinksProbe* panel = load.addTopLevelObject(std::make_unique<LinksProbe>());
        return load.connectOutlet("linksPanel", panel);
    });
    ScrivlyDocument* document = newDocument();
    ASSERT_NE(document, nullptr);
    kit::MenuItem item("Links...", "runLinksPanel:");
    EXPECT_TRUE(delegate_->validateMenuItem(&item));
    delegate_->performSelector("runLinksPanel:", &item);
    auto* links = dynamic_cast<LinksProbe*>(delegate_->outlet("linksPanel"));
    ASSERT_NE(links, nullptr);
    ASSERT_EQ(links->inspected.size(), 1u);
    EXPECT_EQ(links->inspected[0].first, &item);
    EXPECT_FALSE(links->inspected[0].second);
    EXPECT_TRUE(links->isVisible());

    document->close(nullptr);
    EXPECT_EQ(links->forgotten, 1);
    kit::NibLoader::unregisterNib("LinksPanel.nib");
}

} // namespace
