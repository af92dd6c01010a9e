#include "view/tests/EditingTestSupport.h"

#include "panels/PanelTabs.h"
#include "view/RulerViewInset.h"

#include "appkit/Button.h"
#include "appkit/CellMatrix.h"
#include "appkit/EventScript.h"
#include "appkit/NibLoader.h"
#include "appkit/RunLoop.h"
#include "appkit/TextField.h"
#include "core/Color.h"
#include "foundation/Units.h"
#include "foundation/UnitsInfo.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// ---- Sorting the records.

TEST(SortTabsTest, OrdersByLocationKeepingEqualOnesAndInfinityLast)
{
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        std::vector<StyleTabStop> in;
        std::vector<StyleTabStop> out;
    };
    const Case cases[] = {
        {{}, {}},
        {{{5, 0, 0}}, {{5, 0, 0}}},
        {{{30, 0, 0}, {10, 1, 0}, {20, 2, 0}}, {{10, 1, 0}, {20, 2, 0}, {30, 0, 0}}},
        // Equal locations are never exchanged: the types stay in order.
        {{{10, 3, 0}, {10, 1, 0}, {5, 0, 0}}, {{5, 0, 0}, {10, 3, 0}, {10, 1, 0}}},
        {{{inf, 0, 0}, {72, 0, '.'}, {36, 2, 0}, {0, 1, 0}}, {{0, 1, 0}, {36, 2, 0}, {72, 0, '.'}, {inf, 0, 0}}},
    };
    for (const Case& c : cases) {
        std::vector<StyleTabStop> tabs = c.in;
        sortTabs(tabs.empty() ? nullptr : tabs.data(), int(tabs.size()));
        ASSERT_EQ(tabs.size(), c.out.size());
        for (std::size_t i = 0; i < tabs.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(tabs[i].location, c.out[i].location);
            EXPECT_EQ(tabs[i].type, c.out[i].type);
            EXPECT_EQ(tabs[i].leader, c.out[i].leader);
        }
    }
}

// ---- The panel over a document whose text is edited in a window.

class PanelTabsTest : public EditingTest {
protected:
    void SetUp() override
    {
        EditingTest::SetUp();
        PanelTabs::resetWorkingState();
        type(flow_, "one\ntwo\nthree");
        ASSERT_EQ(flow_->paragraphCount(), 3);
        for (const auto& paragraph : flow_->paragraphList())
            paragraph->paragraphStyle()->setTabs(nullptr, 0);
        panel_.setPanelHost(delegate_.get());
        panel_.init(nullptr);
    }
    void TearDown() override
    {
        PanelTabs::resetWorkingState();
        EditingTest::TearDown();
    }

    void edit()
    {
        first_->beginEditing(nullptr, view_);
        ASSERT_TRUE(view_->isEditing());
    }

    static std::vector<float> locations(const StyleParagraph* style)
    {
        std::vector<float> out;
        for (const StyleTabStop& tab : style->tabs())
            out.push_back(tab.location);
        return out;
    }

    PanelTabs panel_;
};

TEST_F(PanelTabsTest, StopsAreAddedOnceAndRemovedToAnEmptyArray)
{
    edit();
    panel_.addTab(2, 72);
    panel_.addTab(0, 36);
    panel_.addTab(1, 72); // a stop is already there
    ASSERT_EQ(panel_.numTabs(), 2);
    EXPECT_EQ(panel_.tabs()[0].location, 36);
    EXPECT_EQ(panel_.tabs()[1].location, 72);
    EXPECT_EQ(panel_.tabs()[1].type, 2);
    // A negative position puts the stop at the ruler's zero.
    panel_.addTab(3, -20);
    ASSERT_EQ(panel_.numTabs(), 3);
    EXPECT_EQ(panel_.tabs()[0].location, 0);
    EXPECT_EQ(panel_.tabs()[0].type, 3);

    // Removing goes by the record; a pointer from elsewhere removes nothing.
    StyleTabStop stranger{36, 0, 0};
    panel_.removeTab(&stranger);
    EXPECT_EQ(panel_.numTabs(), 3);
    panel_.removeTab(&panel_.tabs()[1]);
    ASSERT_EQ(panel_.numTabs(), 2);
    EXPECT_EQ(panel_.tabs()[0].location, 0);
    EXPECT_EQ(panel_.tabs()[1].location, 72);
    panel_.removeTab(&panel_.tabs()[0]);
    panel_.removeTab(&panel_.tabs()[0]);
    EXPECT_EQ(panel_.numTabs(), 0);
    EXPECT_EQ(panel_.tabs(), nullptr);
    panel_.addTab(0, 18);
    ASSERT_EQ(panel_.numTabs(), 1);
    EXPECT_EQ(panel_.tabs()[0].location, 18);
}

TEST_F(PanelTabsTest, ApplyingWritesTheTabsOrIndentsIntoTheSelectedParagraphsOnly)
{
    edit();
    textPoint from{0, 0, 1}, to{1, 0, 1};
    flow_->selectBetween(&from, &to, SelectionChar);
    ASSERT_NE(flow_->textSelection(), nullptr);
    panel_.addTab(0, 50);
    panel_.addTab(1, 100);
    for (int index : {0, 1}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(locations(flow_->paragraphAtIndex(index)->paragraphStyle()), (std::vector<float>{50, 100}));
    }
    EXPECT_TRUE(locations(flow_->paragraphAtIndex(2)->paragraphStyle()).empty());

    // The indents: left 20, right margin less 30, first line 10 left of the left indent.
    StyleTabStop* indents = panel_.indents();
    ASSERT_EQ(panel_.numIndents(), 5);
    indents[4].location = 300;
    indents[0].location = 20;
    indents[1].location = 270;
    indents[2].location = 10;
    panel_.apply(nullptr, true, 0);
    const StyleParagraph* style = flow_->paragraphAtIndex(1)->paragraphStyle();
    EXPECT_FLOAT_EQ(style->indentLeft(), 20);
    EXPECT_FLOAT_EQ(style->indentRight(), 30);
    EXPECT_FLOAT_EQ(style->indentDeltaFirst(), -10);
    EXPECT_FLOAT_EQ(flow_->paragraphAtIndex(2)->paragraphStyle()->indentLeft(), 0);
    // The tabs stayed as they were.
    EXPECT_EQ(locations(style), (std::vector<float>{50, 100}));

    // Loading the paragraph back shows what was written.
    PanelTabs::resetWorkingState();
    panel_.updateFromParagraphStyle(style);
    ASSERT_EQ(panel_.numTabs(), 2);
    EXPECT_EQ(panel_.tabs()[1].type, 1);
    EXPECT_FLOAT_EQ(panel_.indents()[0].location, 20);
    EXPECT_FLOAT_EQ(panel_.indents()[2].location, 10);
}

TEST_F(PanelTabsTest, WithoutEditingApplyingOnlyBeepsAndSwitchedOffItDoesNothing)
{
    const int beeps = alerts_->beeps();
    panel_.addTab(0, 40);
    EXPECT_EQ(alerts_->beeps(), beeps + 1);
    for (const auto& paragraph : flow_->paragraphList())
        EXPECT_TRUE(paragraph->paragraphStyle()->tabs().empty());

    edit();
    panel_.setDisableApply(true);
    panel_.addTab(0, 80);
    EXPECT_EQ(alerts_->beeps(), beeps + 1);
    EXPECT_TRUE(flow_->currentParagraph()->paragraphStyle()->tabs().empty());
    panel_.setDisableApply(false);
    panel_.apply(nullptr, false, 0);
    EXPECT_EQ(locations(flow_->currentParagraph()->paragraphStyle()), (std::vector<float>{40, 80}));
}

TEST_F(PanelTabsTest, TheRegistryMakesTheTabsAndZoomPanelsOnceFromTheirFiles)
{
    PanelTabs::initialize();
    EXPECT_EQ(delegate_->tabsPanel(false), nullptr);
    auto* tabs = dynamic_cast<PanelTabs*>(delegate_->tabsPanel(true));
    ASSERT_NE(tabs, nullptr);
    EXPECT_TRUE(tabs->isFloatingPanel());
    EXPECT_EQ(delegate_->tabsPanel(true), tabs);
    EXPECT_EQ(DocumentPanels::shared().tabsPanel(false), tabs);

    auto* zoom = dynamic_cast<kit::Panel*>(delegate_->zoomPanel(true));
    ASSERT_NE(zoom, nullptr);
    EXPECT_EQ(delegate_->zoomPanel(false), zoom);
    EXPECT_NE(zoom->contentView()->viewWithTag(5), nullptr);
    EXPECT_NE(zoom->contentView()->viewWithTag(6), nullptr);
}

// The panel keeps its frame under its class name: built again from its
// file, it comes back where it was moved to.
TEST_F(PanelTabsTest, ThePanelFromItsFileReopensWhereItWasMoved)
{
    PanelTabs::initialize();
    struct Owner : kit::Responder, kit::NibOwner {
        std::string className() const override { return "TabsOwner"; }
        bool setOutlet(const std::string& name, kit::Object* object) override
        {
            panel = name == "tabsPanel" ? dynamic_cast<PanelTabs*>(object) : nullptr;
            return panel != nullptr;
        }
        PanelTabs* panel = nullptr;
    };
    const kit::Rect stored = kit::makeRect(120, 140, 422, 112);
    kit::UserDefaults::standardUserDefaults().setStringForKey(kit::stringFromRect(stored), "Loc_PanelTabs");
    kit::Rect left;
    {
        Owner owner;
        std::vector<std::unique_ptr<kit::Object>> made;
        ASSERT_TRUE(kit::NibLoader::loadNibFile("PanelTabs.nib", &owner, &made));
        ASSERT_NE(owner.panel, nullptr);
        EXPECT_EQ(owner.panel->panelName(), "PanelTabs");
        EXPECT_EQ(owner.panel->frame().origin, stored.origin);
        owner.panel->screenDidMoveWindow(kit::makePoint(200, 210));
        left = owner.panel->frame();
    }
    Owner owner;
    std::vector<std::unique_ptr<kit::Object>> made;
    ASSERT_TRUE(kit::NibLoader::loadNibFile("PanelTabs.nib", &owner, &made));
    ASSERT_NE(owner.panel, nullptr);
    EXPECT_EQ(owner.panel->frame(), left);
    EXPECT_EQ(left.origin, kit::makePoint(200, 210));
}

// The panel from its file: a position in the field in the document's
// unit, a type chosen in the selector and the add button put a stop into
// the edited paragraph. (The panel never takes the keyboard: the field
// holds what the ruler or a program put there.)
TEST_F(PanelTabsTest, TheAddButtonPutsTheTypedStopOfTheChosenTypeIntoTheParagraph)
{
    PanelTabs::initialize();
    auto* tabs = dynamic_cast<PanelTabs*>(delegate_->tabsPanel(true));
    ASSERT_NE(tabs, nullptr);
    ASSERT_NE(tabs->positionField(), nullptr);
    ASSERT_NE(tabs->tabTypeSelector(), nullptr);
    document_->unitsInfo()->setUnits(2); // inches
    edit();
    tabs->inspect(document_->selected());
    kit::View* label = tabs->contentView()->viewWithTag(UNITS_LABEL_TAG);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(static_cast<kit::TextField*>(label)->stringValue(), UnitsAbbreviationText(2));
    tabs->makeKeyAndOrderFront(nullptr);

    kit::CellMatrix* types = tabs->tabTypeSelector();
    const kit::Rect right = types->convertRectToView(types->cellFrameAtRow(0, 2), nullptr);
    kit::Button* add = nullptr;
    for (const auto& view : tabs->contentView()->subviews())
        if (auto* button = dynamic_cast<kit::Button*>(view.get()))
            add = button;
    ASSERT_NE(add, nullptr);
    const kit::Rect addFrame = add->convertRectToView(add->bounds(), nullptr);
    const kit::Point addAt{kit::midX(addFrame), kit::midY(addFrame)};
    const kit::Point rightAt{kit::midX(right), kit::midY(right)};
    const kit::Rect left = types->convertRectToView(types->cellFrameAtRow(0, 0), nullptr);
    const kit::Point leftAt{kit::midX(left), kit::midY(left)};

    const struct {
        const char16_t* typed;
        const kit::Point* choose;
        std::vector<float> locations;
        std::vector<short> types;
    } steps[] = {
        {u"1.5", &rightAt, {108}, {2}},
        {u"1.5", nullptr, {108}, {2}},        // a stop is there already
        {u"-1", &leftAt, {0, 108}, {0, 2}},   // below the zero: at the zero
        {u"0.25", nullptr, {0, 18, 108}, {0, 0, 2}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(std::string(step.typed, step.typed + std::char_traits<char16_t>::length(step.typed)));
        tabs->positionField()->setStringValue(
            std::string(step.typed, step.typed + std::char_traits<char16_t>::length(step.typed)));
        kit::EventScript script(*tabs);
        double at = 0.1;
        if (step.choose)
            script.at(at += 0.1).mouseDown(*step.choose).after(0.05).mouseUp(*step.choose);
        script.at(at + 0.2).mouseDown(addAt).after(0.05).mouseUp(addAt);
        script.schedule();
        // The caret blinks on: the run ends after the script.
        auto stop = kit::Timer::timerWithTimeInterval(at + 1.0, [this](kit::Timer&) { app_->stop(nullptr); }, false);
        kit::RunLoop::currentRunLoop().addTimer(stop, kit::DefaultRunLoopMode);
        app_->run();
        const StyleParagraph* style = flow_->currentParagraph()->paragraphStyle();
        EXPECT_EQ(locations(style), step.locations);
        std::vector<short> kinds;
        for (const StyleTabStop& tab : style->tabs())
            kinds.push_back(tab.type);
        EXPECT_EQ(kinds, step.types);
    }
}

// The caret entering another paragraph shows that paragraph's stops and
// indents in the registry's panel; without a panel none is made for it.
TEST_F(PanelTabsTest, TheCaretEnteringAParagraphLoadsItIntoTheRegistrysPanel)
{
    PanelTabs::initialize();
    StyleParagraph* second = flow_->paragraphAtIndex(1)->paragraphStyle();
    const StyleTabStop stops[] = {{40, 2, '.'}, {90, 0, 0}};
    second->setTabs(stops, 2);
    second->setIndentLeft(20);
    edit();
    const auto enter = [&](int index) { flow_->setCurrentParagraph(flow_->paragraphAtIndex(index), true); };
    enter(0);
    enter(1);
    EXPECT_EQ(delegate_->tabsPanel(false), nullptr);

    auto* tabs = dynamic_cast<PanelTabs*>(delegate_->tabsPanel(true));
    ASSERT_NE(tabs, nullptr);
    enter(0);
    EXPECT_EQ(tabs->numTabs(), 0);
    EXPECT_FLOAT_EQ(tabs->indents()[0].location, 0);
    enter(1);
    ASSERT_EQ(tabs->numTabs(), 2);
    EXPECT_FLOAT_EQ(tabs->tabs()[0].location, 40);
    EXPECT_EQ(tabs->tabs()[0].leader, '.');
    EXPECT_FLOAT_EQ(tabs->tabs()[1].location, 90);
    EXPECT_FLOAT_EQ(tabs->indents()[0].location, 20);
}

// ---- The panel's window.

TEST_F(PanelTabsTest, ThePanelIsNeverNarrowerThanItsLeastWidthAndKeepsItsHeight)
{
    PanelTabs::initialize();
    auto* tabs = dynamic_cast<PanelTabs*>(delegate_->tabsPanel(true));
    ASSERT_NE(tabs, nullptr);
    // It bounds its own sizes, whoever made it.
    EXPECT_EQ(tabs->delegate(), tabs);
    EXPECT_NE(tabs->styleMask() & kit::ResizableWindowMask, 0u);
    const float height = tabs->frame().size.height;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float width;
        float askedHeight;
        float got;
    } cases[] = {
        {300, height, 422},     {421.5f, height + 50, 422}, {600, 400, 600}, {422, 10, 422},
        {422.5f, height, 422.5f}, {0, height, 422},        {-80, height, 422}, {nan, height, 422},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        EXPECT_EQ(tabs->windowWillResize(tabs, {c.width, c.askedHeight}), (kit::Size{c.got, height}));
        // The way a user's drag takes.
        tabs->resizeByUser({c.width, c.askedHeight});
        EXPECT_EQ(tabs->frame().size, (kit::Size{c.got, height}));
        // Its ruler spans the panel.
        ASSERT_NE(tabs->ruler(), nullptr);
        EXPECT_EQ(tabs->ruler()->frame().size.width, c.got);
    }
}

// Whatever the user clicks in the panel, the document window keeps the
// keyboard: what is typed next goes into the edited text.
TEST_F(PanelTabsTest, ClicksInThePanelLeaveTheKeyboardWithTheDocumentWindow)
{
    PanelTabs::initialize();
    auto* tabs = dynamic_cast<PanelTabs*>(delegate_->tabsPanel(true));
    ASSERT_NE(tabs, nullptr);
    edit();
    window_->makeKeyAndOrderFront(nullptr);
    window_->makeFirstResponder(view_);
    // Asked to become key only when needed, it still never does.
    tabs->setBecomesKeyOnlyIfNeeded(true);
    EXPECT_FALSE(tabs->becomesKeyOnlyIfNeeded());
    EXPECT_FALSE(tabs->canBecomeKeyWindow());
    tabs->makeKeyAndOrderFront(nullptr);
    ASSERT_EQ(app_->keyWindow(), window_.get());
    tabs->setPosition(36);
    const std::string shown = tabs->positionField()->stringValue();

    const auto centre = [](const kit::View* view) {
        const kit::Rect r = view->convertRectToView(view->bounds(), nullptr);
        return kit::Point{kit::midX(r), kit::midY(r)};
    };
    kit::CellMatrix* types = tabs->tabTypeSelector();
    const kit::Rect cell = types->convertRectToView(types->cellFrameAtRow(0, 1), nullptr);
    const struct {
        const char* place;
        kit::Point at;
    } places[] = {
        {"the position field", centre(tabs->positionField())},
        {"the ruler", centre(tabs->ruler())},
        {"a tab type", {kit::midX(cell), kit::midY(cell)}},
        {"the panel's background", {416, 40}},
    };
    int typed = 0;
    for (const auto& place : places) {
        SCOPED_TRACE(place.place);
        // The screen hands the keys to the window the pointer is in.
        kit::EventScript(*tabs).at(0.1).mouseDown(place.at).after(0.05).mouseUp(place.at)
            .after(0.1).keyDown(u"x").after(0.05).keyUp(u"x").schedule();
        auto stop = kit::Timer::timerWithTimeInterval(0.6, [this](kit::Timer&) { app_->stop(nullptr); }, false);
        kit::RunLoop::currentRunLoop().addTimer(stop, kit::DefaultRunLoopMode);
        app_->run();
        ++typed;
        EXPECT_EQ(app_->keyWindow(), window_.get());
        EXPECT_NE(tabs->firstResponder(), tabs->positionField());
        EXPECT_EQ(tabs->positionField()->stringValue(), shown);
        const std::string now = text(flow_);
        EXPECT_EQ(std::count(now.begin(), now.end(), 'x'), typed) << now;
    }
}

TEST_F(PanelTabsTest, TheRulersItServesAreTabRulersWithoutBordersInTheirColours)
{
    PanelTabs::initialize();
    auto* tabs = dynamic_cast<PanelTabs*>(delegate_->tabsPanel(true));
    ASSERT_NE(tabs, nullptr);
    // Its own, from its file.
    auto* own = dynamic_cast<RulerViewInset*>(tabs->ruler());
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->window(), tabs);
    EXPECT_TRUE(own->isTabRuler());
    EXPECT_EQ(own->tabPanel(), tabs);
    EXPECT_EQ(own->borderColor(), kit::Color::lightGrayColor());
    EXPECT_FALSE(own->isBordered());
    EXPECT_EQ(own->side(), 0);

    {
        // Another one taken on.
        kit::Panel other(kit::makeRect(0, 0, 300, 40));
        auto* ruler = static_cast<RulerViewInset*>(
            other.contentView()->addSubview(std::make_unique<RulerViewInset>(kit::makeRect(0, 0, 300, 27))));
        ruler->setBordered(true);
        ruler->setSide(2);
        tabs->setRuler(ruler);
        EXPECT_EQ(tabs->ruler(), ruler);
        EXPECT_TRUE(ruler->isTabRuler());
        EXPECT_EQ(ruler->tabPanel(), tabs);
        EXPECT_EQ(ruler->ticksColor(), kit::Color::darkGrayColor());
        EXPECT_FALSE(ruler->isBordered());
        EXPECT_EQ(ruler->side(), 0);
        // Its own ruler keeps its colours.
        EXPECT_EQ(own->ticksColor(), kit::Color::blackColor());
    }
    // The ruler went with its window: the panel no longer serves it.
    EXPECT_EQ(tabs->ruler(), nullptr);
    // Set up again, it serves its own ruler.
    tabs->init(nullptr, own);
    EXPECT_EQ(tabs->ruler(), own);
}

// A panel made without its file still has a position field.
TEST_F(PanelTabsTest, APanelWithoutAPositionFieldMakesOne)
{
    kit::TextField* made = panel_.positionField();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->window(), &panel_);
    panel_.awakeFromNib();
    EXPECT_EQ(panel_.positionField(), made);
    document_->unitsInfo()->setUnits(2); // inches
    panel_.setPosition(72);
    EXPECT_FLOAT_EQ(made->floatValue(), 1);
}

// ---- The indent steps.

// The paragraph at the caret before a step: its indents (points) and stops.
struct Indents {
    float left;
    float deltaFirst;
    float right;
};

class IndentStepTest : public PanelTabsTest {
protected:
    void load(const Indents& indents, const std::vector<float>& stops, float spacing)
    {
        StyleParagraph* style = flow_->currentParagraph()->paragraphStyle();
        style->setIndentLeft(indents.left);
        style->setIndentDeltaFirst(indents.deltaFirst);
        style->setIndentRight(indents.right);
        std::vector<StyleTabStop> tabs;
        for (float at : stops)
            tabs.push_back({at, 0, 0});
        style->setTabs(tabs.empty() ? nullptr : tabs.data(), int(tabs.size()));
        document_->setDefaultTabSpacing(spacing);
    }
    Indents stored() const
    {
        const StyleParagraph* style = flow_->currentParagraph()->paragraphStyle();
        return {style->indentLeft(), style->indentDeltaFirst(), style->indentRight()};
    }
};

TEST_F(IndentStepTest, TheNextAndPreviousStopComeFromTheParagraphThenTheDefaultStops)
{
    edit();
    struct Case {
        std::vector<float> stops;
        float spacing;
        float x;
        float after;
        float before;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const Case cases[] = {
        // Past the last stop the default ones count from the zero; left of
        // the first default one after it the previous stop is a default one.
        {{100}, 36, 100, 108, 72},
        {{100}, 36, 108, 144, 72},
        {{100}, 36, 50, 100, 36},
        {{}, 36, 0, 36, -36},
        // Without default stops the paragraph's own are the only ones.
        {{50, 100}, 0, 100, 100, 50},
        {{50, 100}, 0, 75, 100, 50},
        {{50, 100}, 0, 20, 50, 0},
        // A spacing that is no positive number counts as none.
        {{50}, nan, 60, 60, 50},
        {{50}, inf, 10, 50, 0},
        {{50}, -36, 10, 50, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.spacing << " at " << c.x);
        load({0, 0, 0}, c.stops, c.spacing);
        panel_.updateFromParagraph(flow_->currentParagraph());
        EXPECT_FLOAT_EQ(panel_._findTabStopAfter(c.x), c.after);
        EXPECT_FLOAT_EQ(panel_._findTabStopBefore(c.x), c.before);
    }
}

// The column is 300 wide; the default stops every 36 unless a case says.
TEST_F(IndentStepTest, EachStepMovesItsMarkerAndTheParagraphTakesIt)
{
    edit();
    using Step = void (PanelTabs::*)(kit::Object*);
    struct Case {
        const char* name;
        Step step;
        Indents before;
        std::vector<float> stops;
        Indents after;
        float spacing = 36;
    };
    const Case cases[] = {
        {"left in", &PanelTabs::indentLeftIn, {0, 0, 0}, {}, {36, 0, 0}},
        {"left in to a stop", &PanelTabs::indentLeftIn, {0, 0, 0}, {50}, {50, 0, 0}},
        {"left in, hanging", &PanelTabs::indentLeftIn, {36, -36, 0}, {}, {72, -36, 0}},
        {"left out", &PanelTabs::indentLeftOut, {72, 0, 0}, {}, {36, 0, 0}},
        // 18 points short of the right indent, the first line along.
        {"left in near the right", &PanelTabs::indentLeftIn, {216, 0, 40}, {}, {242, 0, 40}},
        {"hanging expand", &PanelTabs::hangingIndentExpand, {0, 0, 0}, {}, {36, -36, 0}},
        {"hanging reduce", &PanelTabs::hangingIndentReduce, {72, -72, 0}, {}, {36, -36, 0}},
        {"hanging expand near the right", &PanelTabs::hangingIndentExpand, {216, 0, 40}, {}, {242, -26, 40}},
        {"right in", &PanelTabs::indentRightIn, {0, 0, 0}, {}, {0, 0, 12}},
        {"right in near the left", &PanelTabs::indentRightIn, {280, 0, 0}, {}, {280, 0, 2}},
        {"right out", &PanelTabs::indentRightOut, {0, 0, 48}, {}, {0, 0, 12}},
        // None leaves the column: not left of its left edge, not past its
        // right edge.
        {"left out at the edge", &PanelTabs::indentLeftOut, {0, 0, 0}, {}, {0, 0, 0}},
        {"left out, hanging at the edge", &PanelTabs::indentLeftOut, {36, -36, 0}, {}, {36, -36, 0}},
        {"hanging reduce at the edge", &PanelTabs::hangingIndentReduce, {0, 0, 0}, {}, {0, 0, 0}},
        {"right out at the edge", &PanelTabs::indentRightOut, {0, 0, 12}, {}, {0, 0, 0}},
        // Without default stops: the paragraph's own stops, else the edge.
        {"left out without defaults", &PanelTabs::indentLeftOut, {100, 0, 0}, {50, 100}, {50, 0, 0}, 0},
        {"left in past the stops without defaults", &PanelTabs::indentLeftIn, {100, 0, 0}, {50, 100}, {100, 0, 0}, 0},
        {"left in with a spacing that is no number", &PanelTabs::indentLeftIn, {0, 0, 0}, {},
         {0, 0, 0}, std::numeric_limits<float>::quiet_NaN()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        load(c.before, c.stops, c.spacing);
        (panel_.*c.step)(nullptr);
        const Indents got = stored();
        EXPECT_FLOAT_EQ(got.left, c.after.left);
        EXPECT_FLOAT_EQ(got.deltaFirst, c.after.deltaFirst);
        EXPECT_FLOAT_EQ(got.right, c.after.right);
    }
}

// A step works from what the paragraph holds, even when the panel was
// made only for it or the paragraph changed since the caret came in.
TEST_F(IndentStepTest, AStepStartsFromTheParagraphNotFromWhatThePanelLastShowed)
{
    edit();
    load({72, 0, 0}, {}, 36);
    PanelTabs::resetWorkingState();
    panel_.indentLeftIn(nullptr);
    EXPECT_FLOAT_EQ(stored().left, 108);
    EXPECT_FLOAT_EQ(stored().right, 0);
    load({0, 0, 100}, {}, 36);
    panel_.indentRightOut(nullptr);
    EXPECT_FLOAT_EQ(stored().right, 84);
    EXPECT_FLOAT_EQ(stored().left, 0);
}

TEST_F(IndentStepTest, LeftStepsMoveTheAutonumberLevelWithinTheNumberingLevels)
{
    document_->setParagraphNumbering(std::vector<TextDocument::NumberingLevel>(4), 3);
    edit();
    load({0, 0, 0}, {}, 36);
    struct Case {
        void (PanelTabs::*step)(kit::Object*);
        short level;
    };
    const Case cases[] = {
        {&PanelTabs::indentLeftIn, 1},  {&PanelTabs::indentLeftIn, 2},   {&PanelTabs::indentLeftIn, 3},
        {&PanelTabs::indentLeftIn, 3},  {&PanelTabs::indentRightIn, 3},  {&PanelTabs::hangingIndentExpand, 3},
        {&PanelTabs::indentLeftOut, 2}, {&PanelTabs::indentLeftOut, 1},  {&PanelTabs::indentLeftOut, 1},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(index++);
        (panel_.*c.step)(nullptr);
        EXPECT_EQ(flow_->currentParagraph()->autonumberLevel(), c.level);
    }
}

// The commands as the menu and the keys send them reach the panel the
// registry makes, and act on the selected paragraphs only.
TEST_F(IndentStepTest, MenuAndKeysReachTheRegistrysPanel)
{
    PanelTabs::initialize();
    document_->setDefaultTabSpacing(36);
    // Nothing edited: no panel is made for it.
    view_->performSelector("indentLeftIn:", nullptr);
    EXPECT_EQ(delegate_->tabsPanel(false), nullptr);

    edit();
    // The caret in the second paragraph, the first two selected.
    caretAt(1, 0, 1);
    textPoint from{0, 0, 1}, to{1, 0, 1};
    flow_->selectBetween(&from, &to, SelectionChar);
    MenuItemSender menu(0, "Indent Left In");
    view_->performSelector("indentLeftIn:", &menu);
    ASSERT_NE(delegate_->tabsPanel(false), nullptr);
    EXPECT_FLOAT_EQ(flow_->paragraphAtIndex(1)->paragraphStyle()->indentLeft(), 36);

    // Control-Tab, Control-R and Alternate-Tab, typed into the window.
    window_->makeKeyAndOrderFront(nullptr);
    window_->makeFirstResponder(view_);
    kit::EventScript script(*window_);
    script.at(0.1).keyDown(u"\t", kit::ControlKeyMask).after(0.05).keyUp(u"\t", kit::ControlKeyMask);
    script.after(0.1).keyDown(u"\x12", kit::ControlKeyMask).after(0.05).keyUp(u"\x12", kit::ControlKeyMask);
    script.after(0.1).keyDown(u"\t", kit::AlternateKeyMask).after(0.05).keyUp(u"\t", kit::AlternateKeyMask);
    script.schedule();
    auto stop = kit::Timer::timerWithTimeInterval(1.0, [this](kit::Timer&) { app_->stop(nullptr); }, false);
    kit::RunLoop::currentRunLoop().addTimer(stop, kit::DefaultRunLoopMode);
    const int beeps = alerts_->beeps();
    app_->run();
    EXPECT_EQ(alerts_->beeps(), beeps);
    for (int index : {0, 1}) {
        SCOPED_TRACE(index);
        const StyleParagraph* style = flow_->paragraphAtIndex(index)->paragraphStyle();
        EXPECT_FLOAT_EQ(style->indentLeft(), 108);
        EXPECT_FLOAT_EQ(style->indentDeltaFirst(), -36);
        EXPECT_FLOAT_EQ(style->indentRight(), 12);
    }
    const StyleParagraph* untouched = flow_->paragraphAtIndex(2)->paragraphStyle();
    EXPECT_FLOAT_EQ(untouched->indentLeft(), 0);
    EXPECT_FLOAT_EQ(untouched->indentRight(), 0);
    EXPECT_EQ(text(flow_), "one\ntwo\nthree");
}

} // namespace

TEST_F(PanelTabsTest, ATabRulerDragsTheEditedParagraphsStopsThroughThePanel)
{
    edit();
    textPoint from{0, 0, 1}, to{1, 0, 1};
    flow_->selectBetween(&from, &to, SelectionChar);
    panel_.addTab(0, 50);
    // A ruler in a panel serves the main document's edited text.
    kit::Panel window(kit::makeRect(0, 0, 400, 60));
    auto* ruler = static_cast<RulerViewInset*>(
        window.contentView()->addSubview(std::make_unique<RulerViewInset>(kit::makeRect(0, 0, 400, 27))));
    ruler->setTabPanel(&panel_);
    window.display();
    // The ruler reads the panel's own records.
    ASSERT_NE(panel_.tabs(), nullptr);
    EXPECT_EQ(ruler->hitTabAt(kit::makePoint(51, 5)), panel_.tabs());

    const auto mouse = [&](kit::EventType type, float x) {
        return kit::Event::mouseEventWithType(type, kit::makePoint(x, 5), 0, kit::Clock::now(),
                                              window.windowNumber());
    };
    app_->postEvent(mouse(kit::EventType::LeftMouseDragged, 120), false);
    app_->postEvent(mouse(kit::EventType::LeftMouseUp, 120), false);
    ruler->mouseDown(mouse(kit::EventType::LeftMouseDown, 51));
    ASSERT_EQ(panel_.numTabs(), 1);
    EXPECT_FLOAT_EQ(panel_.tabs()[0].location, 120);
    for (int index : {0, 1}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(locations(flow_->paragraphAtIndex(index)->paragraphStyle()), (std::vector<float>{120}));
    }
    EXPECT_TRUE(locations(flow_->paragraphAtIndex(2)->paragraphStyle()).empty());
    ruler->setTabPanel(nullptr);
}
