// The paragraph inspector over a document whose text is edited in a window:
// what it shows of the paragraph at the caret, and what each control writes
// into the edited paragraphs.

#include "view/tests/EditingTestSupport.h"

#include "panels/AutoLead.h"
#include "panels/ParagraphInspector.h"
#include "panels/ZynInspectorPanel.h"
#include "text/tests/LayoutInvariant.h"
#include "view/LayvaneTool.h"

#include "appkit/ButtonCell.h"
#include "appkit/CellMatrix.h"
#include "appkit/Event.h"
#include "appkit/MenuItem.h"
#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "foundation/Preferences.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraphNamed.h"
#include "foundation/Units.h"
#include "foundation/UnitsInfo.h"

#include <cmath>

namespace {

TEST(AutoLeadTest, TypedLeadingIsReadOnlyWhenItKeepsItsMeaning)
{
    struct Case {
        const char* text;
        std::optional<float> stored;
    };
    const Case cases[] = {
        {"12", 12.0f},          {"+2", 111112.0f},     {"-1.5", 111108.5f}, {"  +0", 111110.0f},
        {"10001", 10001.0f},    {"0", 0.0f},           {"10001.5", {}},     {"-101109", {}},
        {"-101108.5", 111110.0f - 101108.5f},          {"", {}},            {"abc", {}},
        {"nan", {}},            {"inf", {}},           {"1e40", {}},        {"12abc", {}},
        {"1,5", {}},            {"<abc", {}},          {"+-2", {}},         {"99999", {}},
        {"-", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<float> stored = storedLeadingFromText(c.text);
        ASSERT_EQ(stored.has_value(), c.stored.has_value());
        if (stored) {
            EXPECT_FLOAT_EQ(*stored, *c.stored);
        }
    }
    EXPECT_FALSE(parseFieldNumber(std::string(5000, '1')).has_value());
    EXPECT_EQ(autoLeadText(111110.0f), "+0.0");
    EXPECT_EQ(autoLeadText(111108.5f), "-1.5");
}

class ParagraphInspectorTest : public EditingTest {
protected:
    void SetUp() override
    {
        EditingTest::SetUp();
        ParagraphInspector::initialize();
        type(flow_, "one\ntwo\nthree");
        ASSERT_EQ(flow_->paragraphCount(), 3);
        inspector_ = std::make_unique<ParagraphInspector>();
        inspector_->setPanelHost(delegate_.get());
        inspector_->init(nullptr);
        ASSERT_NE(inspector_->inspectorView(), nullptr);
        // Steps of known size whatever the defaults say.
        Preferences* prefs = delegate_->preferences();
        prefs->setIncrement(2, IncrementLeading);
        prefs->setIncrement(1, IncrementSpacing);
        prefs->setIncrement(3, IncrementAboveBelow);
        prefs->setIncrement(9, IncrementIndents);
        prefs->setIncrement(2, IncrementBullet);
        document_->unitsInfo()->setUnits(UNITS_POINTS);
    }
    void TearDown() override
    {
        delegate_->setParagraphInspector(nullptr);
        inspector_.reset();
        EditingTest::TearDown();
    }

    void edit()
    {
        first_->beginEditing(nullptr, view_);
        ASSERT_TRUE(view_->isEditing());
    }
    void selectAll()
    {
        textPoint from{0, 0, 0}, to{2, 0, 3};
        flow_->selectBetween(&from, &to, SelectionChar);
        ASSERT_NE(flow_->textSelection(), nullptr);
    }
    StyleParagraph* style(int index) { return flow_->paragraphAtIndex(index)->paragraphStyle(); }
    kit::Control* field(const char* name) { return inspector_->control(name); }
    std::string shown(const char* name) { return field(name)->stringValue(); }
    void show(int index) { inspector_->updateFromParagraph(flow_->paragraphAtIndex(index)); }

    std::unique_ptr<ParagraphInspector> inspector_;
};

TEST_F(ParagraphInspectorTest, TheBuilderConnectsEveryOutletWithTheGivenTags)
{
    for (const char* name : {"ligatures", "hungPunctuation", "autoKern", "hyphenate", "wordSpace", "tracking",
                             "leading", "autoLeading", "lineSpacing", "indentLeft", "indentRight",
                             "indentDeltaFirst", "spaceBefore", "spaceAfter", "spaceBetween", "startColumnTop",
                             "autonumberLevel", "fontField", "bulletText", "textColor"}) {
        SCOPED_TRACE(name);
        ASSERT_NE(field(name), nullptr);
        // Each lies in the pane, not an off-screen stand-in.
        EXPECT_EQ(field(name)->window(), inspector_->inspectorView());
    }
    for (int tag = 0; tag <= 3; ++tag)
        EXPECT_NE(inspector_->alignmentMatrix()->cellWithTag(tag), nullptr);
    for (int tag = -2; tag <= 1; ++tag)
        EXPECT_NE(inspector_->widowControlMatrix()->cellWithTag(tag), nullptr);
    EXPECT_EQ(delegate_->paragraphInspectorPanel(), inspector_.get());
    EXPECT_EQ(inspector_->screenNbr(), 1);
}

TEST_F(ParagraphInspectorTest, LeadingColumnStartAndWordSpaceShowAsTheStyleStoresThem)
{
    struct Case {
        float leading;
        const char* text;
        int automatic;
    };
    const Case cases[] = {
        {111110.0f, "+0.0", 1},
        {111108.5f, "-1.5", 1},
        {10001.0f, "10001", 0},
        {10001.5f, "-101108.5", 1},
        {12.0f, "12", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.leading);
        style(0)->setLeading(c.leading);
        show(0);
        EXPECT_EQ(field("autoLeading")->intValue(), c.automatic);
        if (c.automatic) {
            EXPECT_EQ(shown("leading"), c.text);
        } else {
            EXPECT_FLOAT_EQ(field("leading")->floatValue(), c.leading);
        }
    }
    for (short code : {0, 1, 2, 3}) {
        style(0)->setColumnStart(code);
        show(0);
        EXPECT_EQ(field("startColumnTop")->intValue(), code == 3 ? 1 : 0) << code;
    }
    // Word space beyond one space of the paragraph font (6 points wide).
    style(0)->setWordSpace(8);
    show(0);
    EXPECT_EQ(shown("wordSpace"), "2.000");
    inspector_->loadFont(nullptr);
    inspector_->displayWordSpace(8);
    EXPECT_EQ(shown("wordSpace"), "0.000");
    EXPECT_EQ(shown("fontField"), "");
}

TEST_F(ParagraphInspectorTest, ValuesFromADocumentThatAreNoNumbersShowAsZero)
{
    style(0)->setIndentLeft(NAN);
    style(0)->setSpaceBefore(INFINITY);
    style(0)->setAutonumberLevel(30000);
    show(0);
    EXPECT_FLOAT_EQ(field("indentLeft")->floatValue(), 0);
    EXPECT_FLOAT_EQ(field("spaceBefore")->floatValue(), 0);
    EXPECT_EQ(field("autonumberLevel")->intValue(), 30000);
}

TEST_F(ParagraphInspectorTest, ChangingUnitsConvertsOnlyIndentsAndSpaces)
{
    style(0)->setIndents(72, 36, 18);
    style(0)->setSpaceBefore(144);
    style(0)->setLeading(14);
    style(0)->setTracking(3);
    document_->unitsInfo()->setUnits(UNITS_POINTS);
    inspector_->updatePanel(nullptr);
    show(0);
    document_->unitsInfo()->setUnits(UNITS_INCHES);
    inspector_->updatePanel(nullptr);
    EXPECT_FLOAT_EQ(field("indentLeft")->floatValue(), 1);
    EXPECT_FLOAT_EQ(field("indentRight")->floatValue(), 0.5f);
    EXPECT_FLOAT_EQ(field("indentDeltaFirst")->floatValue(), 0.25f);
    EXPECT_FLOAT_EQ(field("spaceBefore")->floatValue(), 2);
    EXPECT_FLOAT_EQ(field("leading")->floatValue(), 14);
    EXPECT_FLOAT_EQ(field("tracking")->floatValue(), 3);
    document_->unitsInfo()->setUnits(UNITS_POINTS);
    inspector_->updatePanel(nullptr);
    EXPECT_FLOAT_EQ(field("indentLeft")->floatValue(), 72);
}

TEST_F(ParagraphInspectorTest, OnlyASelectionWithOneTextItemIsShown)
{
    auto box = std::make_shared<Item>();
    box->setFrame(kit::makeRect(10, 10, 20, 20), false);
    pages_[0]->addItems(box, false);
    caretAt(1, 0, 1);
    style(1)->setAlignment(2);
    struct Case {
        std::vector<Item*> selection;
        bool shows;
    };
    const Case cases[] = {
        {{first_, second_}, false},
        {{box.get()}, false},
        {{box.get(), first_}, true},
        {{first_}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selection.size());
        EXPECT_EQ(inspector_->inspectSelection(&c.selection) != nullptr, c.shows);
    }
    EXPECT_EQ(inspector_->alignmentMatrix()->selectedTag(), 2);
    // Nothing selected and no styles panel: the controls stay as they are.
    style(1)->setAlignment(1);
    const std::vector<Item*> none;
    EXPECT_EQ(inspector_->inspectSelection(&none), inspector_.get());
    EXPECT_EQ(inspector_->inspectSelection(nullptr), inspector_.get());
    EXPECT_EQ(inspector_->alignmentMatrix()->selectedTag(), 2);
}

TEST_F(ParagraphInspectorTest, AChangeReachesEverySelectedParagraphAndTheSwitchIsRestored)
{
    edit();
    selectAll();
    for (bool before : {false, true}) {
        SCOPED_TRACE(before);
        StyleParagraph::setForceParagraphStyleDefinitions(before);
        inspector_->alignmentMatrix()->selectCellWithTag(before ? 2 : 3);
        inspector_->changeAlignment(nullptr);
        EXPECT_EQ(StyleParagraph::forceParagraphStyleDefinitions(), before);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(style(i)->alignment(), before ? 2 : 3) << i;
            EXPECT_TRUE(style(i)->isAttributeForced(StyleAlignmentMask)) << i;
        }
    }
    StyleParagraph::setForceParagraphStyleDefinitions(false);
    EXPECT_EQ(layoutcheck::differenceFromFullLayout(*flow_), "");
}

TEST_F(ParagraphInspectorTest, WithoutEditingNoParagraphChanges)
{
    ASSERT_FALSE(view_->isEditing());
    field("indentLeft")->setStringValue("36");
    inspector_->changeIndents(nullptr);
    inspector_->alignmentMatrix()->selectCellWithTag(3);
    inspector_->changeAlignment(nullptr);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(style(i)->indentLeft(), 0);
        EXPECT_NE(style(i)->alignment(), 3);
    }
}

TEST_F(ParagraphInspectorTest, TrackingRemeasuresTheWordsAndTheLayoutStaysSound)
{
    edit();
    selectAll();
    const float before = flow_->paragraphAtIndex(2)->lastEffectiveY();
    field("tracking")->setStringValue("200");
    inspector_->changeTracking(nullptr);
    for (int i = 0; i < 3; ++i)
        EXPECT_FLOAT_EQ(style(i)->tracking(), 200) << i;
    field("spaceBefore")->setStringValue("20");
    field("spaceAfter")->setStringValue("0");
    field("spaceBetween")->setStringValue("0");
    inspector_->changeParagraphSpacing(nullptr);
    EXPECT_FALSE(flow_->hasPendingLayout());
    EXPECT_TRUE(flow_->paragraphAtIndex(0)->dirty() == false);
    EXPECT_GT(flow_->paragraphAtIndex(2)->lastEffectiveY(), before);
    EXPECT_EQ(layoutcheck::differenceFromFullLayout(*flow_), "");
}

TEST_F(ParagraphInspectorTest, RefusedFieldsBeepAndChangeNoParagraph)
{
    edit();
    selectAll();
    style(0)->setIndentLeft(4);
    caretAt(0, 0, 1);
    const char* bad[] = {"", "abc", "nan", "inf", "1e40", "12abc", "1,5", "<abc", ">1e40", "+-2", "99999"};
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        const int beeps = alerts_->beeps();
        field("indentLeft")->setStringValue(text);
        inspector_->changeIndents(nullptr);
        EXPECT_EQ(alerts_->beeps(), beeps + 1);
        EXPECT_FLOAT_EQ(style(0)->indentLeft(), 4);
        EXPECT_FLOAT_EQ(field("indentLeft")->floatValue(), 4);
        // Line spacing, tracking and the level refuse the same texts.
        field("tracking")->setStringValue(text);
        inspector_->changeTracking(nullptr);
        EXPECT_FLOAT_EQ(style(1)->tracking(), 0);
    }
    field("indentLeft")->setStringValue(std::string(5000, '7'));
    inspector_->changeIndents(nullptr);
    EXPECT_FLOAT_EQ(style(0)->indentLeft(), 4);
    for (const char* spacing : {"0", "-1", "nan"}) {
        field("lineSpacing")->setStringValue(spacing);
        inspector_->changeLineSpacing(nullptr);
        EXPECT_GT(style(0)->lineSpacing(), 0) << spacing;
    }
}

TEST_F(ParagraphInspectorTest, LeadingThatWouldChangeMeaningIsRefusedAndStepsStopAtTheBounds)
{
    edit();
    caretAt(0, 0, 1);
    style(0)->setLeading(14);
    show(0);
    struct Case {
        int automatic;
        const char* text;
    };
    const Case cases[] = {{0, "10002"}, {0, "-1"}, {1, "-101109"}, {1, "-200000"}, {1, "abc"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        field("autoLeading")->setIntValue(c.automatic);
        field("leading")->setStringValue(c.text);
        const int beeps = alerts_->beeps();
        inspector_->changeLineSpacing(nullptr);
        EXPECT_EQ(alerts_->beeps(), beeps + 1);
        EXPECT_FLOAT_EQ(style(0)->absoluteLeading(), 14);
    }
    // A fixed leading of 10000 steps up by 2 no further than its bound.
    style(0)->setLeading(10000);
    show(0);
    inspector_->step(0, +1, nullptr);
    EXPECT_FLOAT_EQ(style(0)->absoluteLeading(), 10000);
    style(0)->setLeading(1);
    show(0);
    inspector_->step(0, -1, nullptr);
    EXPECT_FLOAT_EQ(style(0)->absoluteLeading(), 1);
}

TEST_F(ParagraphInspectorTest, LeadingStepsKeepTheSignConvention)
{
    struct Case {
        const char* shown;
        float delta;
        const char* written;
    };
    const Case cases[] = {{"+1.50", 2, "+3.50"}, {"-1.00", -2, "-3.00"}, {"12.00", 2, "14.00"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        field("leading")->setStringValue(c.shown);
        EXPECT_TRUE(inspector_->changeLeadingBy(c.delta));
        EXPECT_EQ(shown("leading"), c.written);
    }
    edit();
    caretAt(0, 0, 1);
    show(0);
    field("autoLeading")->setIntValue(1);
    field("leading")->setStringValue("+1.50");
    inspector_->step(0, +1, nullptr);
    EXPECT_FLOAT_EQ(style(0)->absoluteLeading(), 111113.5f);
    EXPECT_EQ(shown("leading"), "+3.5");
}

TEST_F(ParagraphInspectorTest, TheLeadingMenuByTagOrTitle)
{
    edit();
    caretAt(0, 0, 1);
    style(0)->setLeading(12);
    show(0);
    struct Case {
        int tag;
        const char* title;
        float stored;
        bool beeps;
    };
    const Case cases[] = {
        {71, "Looser", 14, false},  {72, "Tighter", 12, false}, {73, "Auto -2", 111108, false},
        {74, "Auto", 111110, false}, {75, "Auto +2", 111112, false}, {0, "14", 14, false},
        {0, "Looser", 14, true},    {80, "abc", 14, true},       {0, "99999", 14, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        MenuItemSender item(c.tag, c.title);
        kit::MenuItem menu(c.title, "setLeadingFromMenu:", "");
        menu.setTag(c.tag);
        const int beeps = alerts_->beeps();
        inspector_->setLeadingFromMenu(&menu);
        EXPECT_EQ(alerts_->beeps() != beeps, c.beeps);
        EXPECT_FLOAT_EQ(style(0)->absoluteLeading(), c.stored);
    }
}

TEST_F(ParagraphInspectorTest, TheAlignmentMenuSelectsTheCellOfItsTag)
{
    edit();
    caretAt(1, 0, 1);
    for (int tag : {2, 1, 3, 0}) {
        kit::MenuItem menu("Align", "setAlignmentFromMenu:", "");
        menu.setTag(tag);
        inspector_->setAlignmentFromMenu(&menu);
        EXPECT_EQ(style(1)->alignment(), tag);
    }
    kit::MenuItem bad("Align", "setAlignmentFromMenu:", "");
    bad.setTag(9);
    const int beeps = alerts_->beeps();
    inspector_->setAlignmentFromMenu(&bad);
    EXPECT_EQ(alerts_->beeps(), beeps + 1);
    EXPECT_EQ(style(1)->alignment(), 0);
}

TEST_F(ParagraphInspectorTest, SpaceStepsMoveEachParagraphFromItsOwnValue)
{
    edit();
    const float befores[] = {0, 6, 12};
    for (int i = 0; i < 3; ++i) {
        style(i)->setSpaceBefore(befores[i]);
        style(i)->setSpaceAfter(5);
    }
    selectAll();
    inspector_->step(6, +1, nullptr);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(style(i)->spaceBefore(), befores[i] + 3) << i;
        EXPECT_FLOAT_EQ(style(i)->spaceAfter(), 5) << i;
    }
    // The relative texts go: the fields show numbers again.
    EXPECT_EQ(shown("spaceBefore").find('>'), std::string::npos);
    // A relative decrease may go below 0; the layout stays sound.
    field("spaceBefore")->setStringValue("<20");
    field("spaceAfter")->setStringValue("<");
    field("spaceBetween")->setStringValue("<");
    inspector_->changeParagraphSpacing(nullptr);
    EXPECT_FLOAT_EQ(style(0)->spaceBefore(), -17);
    EXPECT_EQ(layoutcheck::differenceFromFullLayout(*flow_), "");
    // The clamped helper stops at 0.
    caretAt(2, 0, 1);
    flow_->selectBetween(nullptr, nullptr, SelectionChar);
    show(2);
    EXPECT_TRUE(inspector_->changeParagraphSpacingBy(-100, 0, 0));
    EXPECT_FLOAT_EQ(style(2)->spaceBefore(), 0);
}

TEST_F(ParagraphInspectorTest, IndentStepsMoveTheRightIndentTheOtherWay)
{
    edit();
    caretAt(0, 0, 1);
    show(0);
    inspector_->step(3, +1, nullptr);
    inspector_->step(4, +1, nullptr);
    inspector_->step(5, -1, nullptr);
    EXPECT_FLOAT_EQ(style(0)->indentLeft(), 9);
    EXPECT_FLOAT_EQ(style(0)->indentRight(), -9);
    EXPECT_FLOAT_EQ(style(0)->indentDeltaFirst(), -9);
}

TEST_F(ParagraphInspectorTest, TheAutonumberLevelIsClampedToTheDocumentsLevels)
{
    edit();
    caretAt(0, 0, 1);
    document_->setParagraphNumbering(std::vector<TextDocument::NumberingLevel>(9), 8);
    ASSERT_EQ(document_->paragraphNumberingCount(), 8);
    struct Case {
        const char* typed;
        short level;
    };
    const Case cases[] = {{"-3", 0}, {"99", 8}, {"2", 2}, {"0", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        field("autonumberLevel")->setStringValue(c.typed);
        inspector_->changeAutonumberLevel(nullptr);
        EXPECT_EQ(style(0)->autonumberLevel(), c.level);
        EXPECT_EQ(field("autonumberLevel")->intValue(), c.level);
    }
}

TEST_F(ParagraphInspectorTest, BulletsAreAddedNudgedResetAndRemoved)
{
    edit();
    caretAt(0, 0, 1);
    inspector_->bulletField()->setFont(font_);
    inspector_->bulletField()->setStringValue("\xE2\x80\xA2"); // a bullet sign
    inspector_->changeBullet(nullptr);
    ASSERT_NE(style(0)->bullet(), nullptr);
    EXPECT_EQ(style(0)->bulletOffset().x, 18);
    inspector_->bulletRight(nullptr);
    inspector_->bulletDown(nullptr);
    EXPECT_EQ(style(0)->bulletOffset().x, 16);
    EXPECT_EQ(style(0)->bulletOffset().y, 2);
    inspector_->bulletZero(nullptr);
    EXPECT_EQ(style(0)->bulletOffset().x, 18);
    EXPECT_EQ(style(0)->bulletOffset().y, 0);
    // A control character or a character the documents' set lacks.
    for (const char* bad : {"a\tb", "\xE4\xB8\xAD"}) {
        const int beeps = alerts_->beeps();
        inspector_->bulletField()->setStringValue(bad);
        inspector_->changeBullet(nullptr);
        EXPECT_EQ(alerts_->beeps(), beeps + 1);
        EXPECT_NE(style(0)->bullet(), nullptr);
    }
    inspector_->bulletField()->setStringValue("");
    inspector_->changeBullet(nullptr);
    EXPECT_EQ(style(0)->bullet(), nullptr);
}

// The named style and the next style shown are checked whenever used: a
// style deleted while shown is never stored in a paragraph.
TEST_F(ParagraphInspectorTest, AStyleDeletedWhileShownIsNeverStored)
{
    edit();
    caretAt(0, 0, 1);
    StyleInfo* sheet = document_->styleInfo();
    StyleList* list = sheet->stylesForType(0);
    auto* body = dynamic_cast<StyleParagraph*>(sheet->addNewStyleInStyles(list));
    auto* heading = dynamic_cast<StyleParagraph*>(sheet->addNewStyleInStyles(list));
    ASSERT_NE(body, nullptr);
    ASSERT_NE(heading, nullptr);
    flow_->paragraphAtIndex(0)->setStylePara(body);
    ASSERT_TRUE(style(0)->isBasedOnNamedStyle());
    style(0)->setNextParagraphStyle(heading);
    inspector_->inspectStyle(style(0));
    EXPECT_EQ(inspector_->currentNamedStyle(), body);
    EXPECT_EQ(inspector_->currentStyleAfter(), heading);
    EXPECT_TRUE(inspector_->styleAfterPopupButton()->isEnabled());
    const std::string headingName = *heading->styleName();
    // The paragraph lets go of the next style; the style goes.
    style(0)->setNextParagraphStyle(nullptr);
    std::unique_ptr<StyleSheetEntry> removed = sheet->removeStyle(heading, list);
    ASSERT_NE(removed, nullptr);
    removed.reset();
    EXPECT_EQ(inspector_->currentStyleAfter(), nullptr);
    inspector_->styleAfterPopupButton()->selectItemAtIndex(0);
    inspector_->setStyleAfter(nullptr);
    EXPECT_EQ(style(0)->nextParagraphStyle(), nullptr);
    // A closed document: nothing of it stays shown.
    documentPanelOf(inspector_.get())->inspectStyle(static_cast<const StyleGraphic*>(nullptr));
    EXPECT_EQ(inspector_->currentNamedStyle(), nullptr);
    EXPECT_FALSE(inspector_->styleAfterPopupButton()->isEnabled());
}

TEST_F(ParagraphInspectorTest, ChoosingNoNamedStyleDetachesTheEditedParagraphs)
{
    edit();
    caretAt(1, 0, 1);
    StyleInfo* sheet = document_->styleInfo();
    auto* body = dynamic_cast<StyleParagraph*>(sheet->addNewStyleInStyles(sheet->stylesForType(0)));
    ASSERT_NE(body, nullptr);
    flow_->paragraphAtIndex(1)->setStylePara(body);
    ASSERT_TRUE(style(1)->isBasedOnNamedStyle());
    document_->setSelection({first_}, view_);
    inspector_->inspectStyle(style(1));
    inspector_->stylePopupButton()->selectItemAtIndex(0);
    inspector_->setStyle(nullptr);
    EXPECT_FALSE(style(1)->isBasedOnNamedStyle());
}

TEST_F(ParagraphInspectorTest, TheStripMovesByOnePageAndOnlyOnAChange)
{
    auto pages = std::make_unique<kit::CellMatrix>(kit::makeRect(0, 0, 100, 20), kit::MatrixMode::Radio,
                                                   std::make_unique<kit::ButtonCell>(), 1, 2);
    pages->cellAtRow(0, 0)->setTag(1);
    pages->cellAtRow(0, 1)->setTag(2);
    kit::View* strip = nullptr;
    // The strip lies in a page-wide view, so one page shows however wide
    // the inspector is.
    for (const auto& page : inspector_->inspectorView()->contentView()->subviews())
        for (const auto& view : page->subviews())
            if (view->frame().size.width == 2 * ParagraphInspector::PageShift)
                strip = view.get();
    ASSERT_NE(strip, nullptr);
    EXPECT_FLOAT_EQ(strip->superview()->frame().size.width, ParagraphInspector::PageShift);
    const float x = strip->frame().origin.x;
    struct Step {
        int tag;
        float x;
    };
    for (const Step& s : {Step{2, x - 214}, Step{2, x - 214}, Step{1, x}, Step{1, x}}) {
        pages->selectCellWithTag(s.tag);
        inspector_->scrollToOtherView(pages.get());
        EXPECT_FLOAT_EQ(strip->frame().origin.x, s.x);
        EXPECT_EQ(inspector_->screenNbr(), s.tag);
    }
}

// ---- The callers: the page view, the text tool and Format > Text.

// The inspector as the delegate answers it, recording what reaches it.
class InspectorProbe : public kit::Object, public ParagraphInspectorPanel {
public:
    std::string className() const override { return "InspectorProbe"; }
    bool paragraphPanelIsVisible() const override { return visible; }
    void updateFromParagraph(TextParagraph*) override { ++updates; }
    void inspectStyle(StyleParagraph*) override {}
    bool settingParaFont() const override { return setting; }
    void setSettingParaFont(bool flag) override { setting = flag; }
    void changeFont(kit::Object*) override { ++fontChanges; }
    bool visible = false, setting = false;
    int updates = 0, fontChanges = 0;
};

TEST_F(ParagraphInspectorTest, FontPanelChangesReachTheInspectorOnlyWhileItChoosesAParagraphFont)
{
    InspectorProbe probe;
    delegate_->setParagraphInspector(&probe);
    edit();
    struct Case {
        bool visible, setting;
        int reached;
    };
    int expected = 0;
    for (const Case& c : {Case{false, true, 0}, Case{true, false, 0}, Case{true, true, 1}}) {
        probe.visible = c.visible;
        probe.setting = c.setting;
        view_->performSelector("changeFont:", nullptr);
        expected += c.reached;
        EXPECT_EQ(probe.fontChanges, expected) << c.visible << c.setting;
    }
    // A click with the text tool ends choosing a paragraph font.
    TextTool tool;
    const kit::Event click = kit::Event::mouseEventWithType(kit::EventType::LeftMouseDown, kit::makePoint(100, 100),
                                                            0, 0, 0, 1, 1);
    tool.editInView(view_, click);
    EXPECT_FALSE(probe.setting);
    // Paragraphs changed through an update call refresh a visible inspector.
    const int before = probe.updates;
    flow_->paragraphAtIndex(0)->setStyleParaAndUpdate(style(1), false);
    EXPECT_EQ(probe.updates, before);
    flow_->paragraphAtIndex(0)->setStyleParaAndUpdate(style(1), true);
    flow_->paragraphAtIndex(0)->setRuler(style(1), true);
    flow_->paragraphAtIndex(0)->setFontAndUpdate(font_, true);
    EXPECT_EQ(probe.updates, before + 3);
    probe.visible = false;
    flow_->paragraphAtIndex(0)->setRuler(style(1), true);
    EXPECT_EQ(probe.updates, before + 3);
    delegate_->setParagraphInspector(inspector_.get());
}

TEST_F(ParagraphInspectorTest, FormatTextAlignmentAndLeadingGoThroughTheInspector)
{
    edit();
    caretAt(1, 0, 1);
    show(1);
    view_->performSelector("alignCenter:", nullptr);
    EXPECT_EQ(style(1)->alignment(), 2);
    view_->performSelector("alignRight:", nullptr);
    EXPECT_EQ(style(1)->alignment(), 1);
    MenuItemSender looser(75, "Auto +2");
    view_->performSelector("setMenuLeading:", &looser);
    EXPECT_FLOAT_EQ(style(1)->absoluteLeading(), 111112);
    MenuItemSender fourteen(0, "14");
    view_->performSelector("setMenuLeading:", &fourteen);
    EXPECT_FLOAT_EQ(style(1)->absoluteLeading(), 14);
    EXPECT_EQ(style(0)->alignment(), 0);
}

// Before the inspector window was ever opened, the menu makes it (hidden)
// with its inspectors, and the command reaches the new paragraph inspector.
TEST_F(ParagraphInspectorTest, TheMenuMakesTheInspectorsWhenNoneIsYet)
{
    delegate_->setParagraphInspector(nullptr);
    inspector_.reset();
    ZynInspectorPanel::initialize();
    edit();
    caretAt(2, 0, 1);
    view_->performSelector("alignSelJustify:", nullptr);
    EXPECT_EQ(style(2)->alignment(), 3);
    auto* made = dynamic_cast<ParagraphInspector*>(delegate_->paragraphInspectorPanel());
    ASSERT_NE(made, nullptr);
    ASSERT_NE(DocumentPanels::shared().inspectorPanel(), nullptr);
    EXPECT_FALSE(DocumentPanels::shared().inspectorPanel()->isVisible());
    MenuItemSender tighter(72, "Tighter");
    style(2)->setLeading(14);
    view_->performSelector("setMenuLeading:", &tighter);
    EXPECT_FLOAT_EQ(style(2)->absoluteLeading(), 12);
}

} // namespace
