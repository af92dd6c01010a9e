// The paragraph style editor over a document whose text uses a named style:
// what it shows of the style, what Save writes, what the apply buttons do to
// the paragraphs, and what it refuses. Modal runs are driven by scripted
// clicks and keys in the editor's window.

#include "view/tests/EditingTestSupport.h"

#include "panels/AutoLead.h"
#include "panels/PanelStylesEditor.h"
#include "panels/PanelTabs.h"
#include "text/tests/LayoutInvariant.h"

#include "appkit/Button.h"
#include "appkit/CellMatrix.h"
#include "appkit/EventScript.h"
#include "appkit/PopUpButton.h"
#include "appkit/RunLoop.h"
#include "appkit/TextField.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraphNamed.h"
#include "foundation/Units.h"
#include "foundation/UnitsInfo.h"

#include <cmath>
#include <functional>

namespace {

constexpr int bit(int b) { return 1 << b; }

class PanelStylesEditorTest : public EditingTest {
public:
    void SetUp() override
    {
        EditingTest::SetUp();
        PanelTabs::resetWorkingState();
        StyleParagraph::setForceParagraphStyleDefinitions(false);
        type(flow_, "one\ntwo\nthree");
        ASSERT_EQ(flow_->paragraphCount(), 3);
        document_->unitsInfo()->setUnits(UNITS_POINTS);
        StyleInfo* sheet = document_->styleInfo();
        ASSERT_NE(sheet, nullptr);
        body_ = dynamic_cast<StyleParagraph*>(sheet->addNewStyleInStyles(sheet->paragraphStyles()));
        ASSERT_NE(body_, nullptr);
        ASSERT_TRUE(body_->isNamedStyle());
        body_->setFont(font_);
        other_ = dynamic_cast<StyleParagraph*>(sheet->addNewStyleInStyles(sheet->paragraphStyles()));
        ASSERT_NE(other_, nullptr);
        ASSERT_EQ(sheet->renameStyle(body_, std::string("Body"), sheet->paragraphStyles()),
                  StyleInfo::RenameResult::Renamed);
        ASSERT_EQ(sheet->renameStyle(other_, std::string("Other"), sheet->paragraphStyles()),
                  StyleInfo::RenameResult::Renamed);
        editor_ = makePanelStylesEditor(delegate_.get());
        ASSERT_NE(editor_, nullptr);
    }
    void TearDown() override
    {
        editor_.reset();
        StyleParagraph::setForceParagraphStyleDefinitions(false);
        PanelTabs::resetWorkingState();
        EditingTest::TearDown();
    }

    kit::Control* field(const char* name) const { return editor_->control(name); }
    std::string shown(const char* name) const { return field(name)->stringValue(); }
    void set(const char* name, const std::string& text) const { field(name)->setStringValue(text); }
    void setTicked(const char* name, bool flag) const { field(name)->setIntValue(flag ? 1 : 0); }
    bool ticked(const char* name) const { return field(name)->intValue() != 0; }
    // Every defined checkbox cleared.
    void untickAll() const
    {
        for (const auto& box : PanelStylesEditor::definedBoxes())
            setTicked(box.outlet, false);
    }
    void useBodyEverywhere()
    {
        for (const auto& paragraph : flow_->paragraphList())
            paragraph->setBasedOnStyle(body_);
        flow_->recomputeAll();
    }

    kit::Button* buttonFor(const std::string& action) const
    {
        for (const auto& view : editor_->contentView()->subviews())
            if (auto* button = dynamic_cast<kit::Button*>(view.get()); button && button->action() == action)
                return button;
        return nullptr;
    }
    static kit::Point centre(kit::View* view)
    {
        const kit::Rect frame = view->convertRectToView(view->bounds(), nullptr);
        return {kit::midX(frame), kit::midY(frame)};
    }

    // A script in the editor's window; each step a little after the last.
    struct Script {
        explicit Script(kit::Window& window) : events(window) {}
        Script& type(const std::string& keys)
        {
            for (char key : keys)
                events.at(at += 0.01).keyDown(std::u16string(1, char16_t(static_cast<unsigned char>(key))));
            return *this;
        }
        Script& click(kit::Point p)
        {
            events.at(at += 0.1).mouseDown(p).after(0.05).mouseUp(p);
            at += 0.05;
            return *this;
        }
        // Something done in the run as the user's hand would (a ruler drag).
        Script& then(std::function<void()> step)
        {
            at += 0.05;
            steps.push_back(kit::Timer::timerWithTimeInterval(
                at, [step](kit::Timer&) { step(); }, false));
            kit::RunLoop::currentRunLoop().addTimer(steps.back(), kit::ModalPanelRunLoopMode);
            return *this;
        }
        kit::EventScript events;
        std::vector<std::shared_ptr<kit::Timer>> steps;
        double at = 0.1;
    };

    // The editor's modal run on the style while the script plays; a run the
    // script cannot end is aborted (and the test says so).
    void runEditor(StyleParagraph* style, Script& script)
    {
        script.events.schedule();
        bool aborted = false;
        auto guard = kit::Timer::timerWithTimeInterval(
            script.at + 30.0,
            [&aborted](kit::Timer&) {
                aborted = true;
                kit::Application::sharedApplication().abortModal();
            },
            false);
        kit::RunLoop::currentRunLoop().addTimer(guard, kit::ModalPanelRunLoopMode);
        editor_->runModalForStyle(style);
        guard->invalidate();
        EXPECT_FALSE(aborted) << "the script did not end the run";
        EXPECT_FALSE(editor_->isVisible());
    }

    StyleParagraph* body_ = nullptr;
    StyleParagraph* other_ = nullptr;
    std::unique_ptr<PanelStylesEditor> editor_;
};

TEST_F(PanelStylesEditorTest, TheBuilderConnectsEveryControlInTheWindow)
{
    const char* const outlets[] = {"ligatures", "hungPunctuation", "autoKern", "hyphenate", "wordSpace", "tracking",
                                   "leading", "autoLeading", "lineSpacing", "indentLeft", "indentRight",
                                   "indentDeltaFirst", "spaceBefore", "spaceAfter", "spaceBetween",
                                   "startColumnTop", "autonumberLevel", "bulletText", "bulletX", "bulletY",
                                   "fontField", "nameField"};
    for (const char* name : outlets) {
        SCOPED_TRACE(name);
        ASSERT_NE(field(name), nullptr);
        EXPECT_EQ(field(name)->window(), editor_.get());
    }
    ASSERT_EQ(PanelStylesEditor::definedBoxes().size(), 19u);
    for (const auto& box : PanelStylesEditor::definedBoxes()) {
        SCOPED_TRACE(box.outlet);
        ASSERT_NE(field(box.outlet), nullptr);
        EXPECT_EQ(field(box.outlet)->window(), editor_.get());
    }
    // The invisible name fields are cells of their own, off the window.
    ASSERT_NE(field("incomingNameField"), nullptr);
    EXPECT_EQ(field("incomingNameField")->window(), nullptr);
    for (const char* action : {"cancel:", "saveOnly:", "saveAndApplyUnforced:", "saveAndApplyForced:"})
        EXPECT_NE(buttonFor(action), nullptr) << action;
    ASSERT_NE(editor_->tabsPanel(), nullptr);
    EXPECT_TRUE(editor_->tabsPanel()->disableApply());
    EXPECT_EQ(editor_->tabsPanel()->ruler(), editor_->ruler());
}

// A builder that leaves controls out still gives a working editor.
TEST_F(PanelStylesEditorTest, MissingControlsBecomeEmptyCells)
{
    PanelStylesEditor bare;
    bare.setPanelHost(delegate_.get());
    bare.awakeFromNib();
    for (const char* name : {"leading", "autoLeading", "bulletX", "nameField", "isFontDefined"})
        ASSERT_NE(bare.control(name), nullptr) << name;
    body_->setLeading(111112.0f);
    bare.inspectStyle(body_);
    EXPECT_EQ(bare.control("leading")->stringValue(), "+2.0");
    EXPECT_EQ(bare.control("nameField")->stringValue(), "Body");
    bare.control("isTrackingDefined")->setIntValue(1);
    bare.control("tracking")->setStringValue("3");
    ASSERT_EQ(bare.updateStyleFromPanel(), &bare);
    EXPECT_FLOAT_EQ(body_->tracking(), 3.0f);
}

// What each field shows of the style and which checkboxes are ticked.
TEST_F(PanelStylesEditorTest, AStyleShowsInTheFieldsWithItsDefinedBits)
{
    struct Case {
        const char* name;
        std::function<void(StyleParagraph*)> change;
        const char* outlet;
        const char* text;
        const char* definedOutlet;
    };
    const Case cases[] = {
        {"automatic +2", [](StyleParagraph* s) { s->setLeading(111112.0f); }, "leading", "+2.0", "isLeadingDefined"},
        {"automatic -1.5", [](StyleParagraph* s) { s->setLeading(111108.5f); }, "leading", "-1.5", "isLeadingDefined"},
        {"absolute 14", [](StyleParagraph* s) { s->setLeading(14.0f); }, "leading", "14", "isLeadingDefined"},
        {"column top", [](StyleParagraph* s) { s->setColumnStart(3); }, "startColumnTop", "1",
         "isColumnStartDefined"},
        {"level", [](StyleParagraph* s) { s->setAutonumberLevel(4); }, "autonumberLevel", "4",
         "isAutonumberLevelDefined"},
        {"indent", [](StyleParagraph* s) { s->setIndentLeft(36.0f); }, "indentLeft", "36", "isIndentDefined"},
        {"space after", [](StyleParagraph* s) { s->setSpaceAfter(6.0f); }, "spaceAfter", "6", "isSpaceAfterDefined"},
        {"bullet", [](StyleParagraph* s) { s->makeBullet("*", nullptr, 9, 1.5f, nullptr); s->setDefinedFlags(s->definedFlags() | StyleBulletMask); },
         "bulletX", "9.00", "isBulletDefined"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StyleParagraph::setForceParagraphStyleDefinitions(true);
        c.change(body_);
        StyleParagraph::setForceParagraphStyleDefinitions(false);
        editor_->inspectStyle(body_);
        EXPECT_EQ(shown(c.outlet), c.text);
        EXPECT_TRUE(ticked(c.definedOutlet));
        for (const auto& box : PanelStylesEditor::definedBoxes())
            EXPECT_EQ(ticked(box.outlet), (body_->definedFlags() & bit(box.bit)) != 0) << box.outlet;
    }
    EXPECT_EQ(shown("bulletY"), "1.50");
    EXPECT_EQ(shown("bulletText"), "*");
    // Ticking automatic leading on an absolute leading starts at +0.0.
    field("autoLeading")->setIntValue(1);
    editor_->windowChanged(field("autoLeading"));
    EXPECT_EQ(shown("leading"), "+0.0");
    EXPECT_TRUE(ticked("isLeadingDefined"));
}

// What Save writes: the ticked attributes only, in their stored form.
TEST_F(PanelStylesEditorTest, SaveWritesTheTickedAttributes)
{
    struct Case {
        const char* name;
        std::function<void(PanelStylesEditorTest&)> fill;
        std::function<void(const StyleParagraph*)> check;
        int flags;
    };
    const Case cases[] = {
        {"automatic leading 1.5",
         [](PanelStylesEditorTest& t) {
             t.setTicked("isLeadingDefined", true);
             t.setTicked("autoLeading", true);
             t.set("leading", "1.5");
         },
         [](const StyleParagraph* s) { EXPECT_FLOAT_EQ(s->absoluteLeading(), 111111.5f); }, bit(4)},
        {"absolute leading 10000",
         [](PanelStylesEditorTest& t) {
             t.setTicked("isLeadingDefined", true);
             t.setTicked("autoLeading", false);
             t.set("leading", "10000");
         },
         [](const StyleParagraph* s) { EXPECT_FLOAT_EQ(s->absoluteLeading(), 10000.0f); }, bit(4)},
        {"only the font",
         [](PanelStylesEditorTest& t) { t.setTicked("isFontDefined", true); },
         [this](const StyleParagraph* s) { EXPECT_EQ(s->font(), font_); }, StyleFontMask | StyleSizeMask},
        {"column top and level",
         [](PanelStylesEditorTest& t) {
             t.setTicked("isColumnStartDefined", true);
             t.setTicked("startColumnTop", true);
             t.setTicked("isAutonumberLevelDefined", true);
             t.set("autonumberLevel", "32");
         },
         [](const StyleParagraph* s) {
             EXPECT_EQ(s->columnStart(), 3);
             EXPECT_EQ(s->autonumberLevel(), 32);
         },
         bit(26) | bit(29)},
        {"spaces and indents",
         [](PanelStylesEditorTest& t) {
             t.setTicked("isIndentDefined", true);
             t.set("indentLeft", "18");
             t.set("indentRight", "9");
             t.set("indentDeltaFirst", "-9");
             t.setTicked("isSpaceBetweenDefined", true);
             t.set("spaceBetween", "4.5");
         },
         [](const StyleParagraph* s) {
             EXPECT_FLOAT_EQ(s->indentLeft(), 18.0f);
             EXPECT_FLOAT_EQ(s->indentRight(), 9.0f);
             EXPECT_FLOAT_EQ(s->indentDeltaFirst(), -9.0f);
             EXPECT_FLOAT_EQ(s->spaceBetween(), 4.5f);
         },
         bit(24) | bit(19)},
        {"based on and next",
         [this](PanelStylesEditorTest& t) {
             t.setTicked("isBasedOnStyleDefined", true);
             editor_->basedOnStylePopupButton()->selectItemWithTitle("Other");
             t.setTicked("isNextStyleDefined", true);
             editor_->styleAfterPopupButton()->selectItemWithTitle("Other");
         },
         [this](const StyleParagraph* s) {
             EXPECT_EQ(s->basedOnStyle(), other_);
             EXPECT_EQ(s->nextParagraphStyle(), other_);
         },
         bit(25) | bit(23)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        editor_->inspectStyle(body_);
        untickAll();
        c.fill(*this);
        ASSERT_EQ(editor_->updateStyleFromPanel(), editor_.get());
        EXPECT_EQ(body_->definedFlags(), c.flags);
        c.check(body_);
    }
}

// Only the font defined: a paragraph of the style takes every other
// attribute from the style it is based on.
TEST_F(PanelStylesEditorTest, OnlyTheFontDefinedLeavesTheRestToTheBasedOnStyle)
{
    StyleParagraph::setForceParagraphStyleDefinitions(true);
    other_->setAlignment(2);
    other_->setSpaceBefore(12.0f);
    StyleParagraph::setForceParagraphStyleDefinitions(false);
    editor_->inspectStyle(body_);
    untickAll();
    setTicked("isFontDefined", true);
    ASSERT_EQ(editor_->updateStyleFromPanel(), editor_.get());
    ASSERT_EQ(body_->definedFlags(), StyleFontMask | StyleSizeMask);
    // Body is based on Other; a paragraph based on Body follows Other where
    // Body defines nothing.
    editor_->inspectStyle(other_);
    untickAll();
    setTicked("isAlignmentDefined", true);
    editor_->alignmentMatrix()->selectCellWithTag(2);
    setTicked("isSpaceBeforeDefined", true);
    set("spaceBefore", "12");
    ASSERT_EQ(editor_->updateStyleFromPanel(), editor_.get());
    editor_->inspectStyle(body_);
    setTicked("isBasedOnStyleDefined", true);
    editor_->basedOnStylePopupButton()->selectItemWithTitle("Other");
    ASSERT_EQ(editor_->updateStyleFromPanel(), editor_.get());
    EXPECT_EQ(body_->definedFlags(), StyleFontMask | StyleSizeMask | bit(25));
    TextParagraph* paragraph = flow_->paragraphAtIndex(0);
    paragraph->setBasedOnStyle(other_);
    paragraph->setBasedOnStyle(body_);
    EXPECT_EQ(paragraph->paragraphStyle()->alignment(), 2);
    EXPECT_FLOAT_EQ(paragraph->paragraphStyle()->spaceBefore(), 12.0f);
    EXPECT_EQ(paragraph->paragraphStyle()->font(), font_);
}

TEST_F(PanelStylesEditorTest, AnEmptiedBulletIsRemoved)
{
    StyleParagraph::setForceParagraphStyleDefinitions(true);
    body_->updateBullet("*", font_, 18, 0, nullptr);
    StyleParagraph::setForceParagraphStyleDefinitions(false);
    ASSERT_NE(body_->bullet(), nullptr);
    editor_->inspectStyle(body_);
    ASSERT_TRUE(ticked("isBulletDefined"));
    set("bulletText", "");
    ASSERT_EQ(editor_->updateStyleFromPanel(), editor_.get());
    EXPECT_EQ(body_->bullet(), nullptr);
    // And a typed one comes back with its offsets.
    set("bulletText", "\xe2\x80\xa2"); // a bullet the documents' set holds
    set("bulletX", "12");
    set("bulletY", "-2");
    ASSERT_EQ(editor_->updateStyleFromPanel(), editor_.get());
    ASSERT_NE(body_->bullet(), nullptr);
    EXPECT_EQ(body_->bullet()->text.size(), 1u);
    EXPECT_FLOAT_EQ(body_->bullet()->offset.x, 12.0f);
    EXPECT_FLOAT_EQ(body_->bullet()->offset.y, -2.0f);
    EXPECT_TRUE(body_->definedFlags() & StyleBulletMask);
}

TEST_F(PanelStylesEditorTest, LengthsFollowTheDocumentsUnit)
{
    StyleParagraph::setForceParagraphStyleDefinitions(true);
    body_->setIndentLeft(72.0f);
    body_->setSpaceBefore(36.0f);
    StyleParagraph::setForceParagraphStyleDefinitions(false);
    editor_->inspectStyle(body_);
    EXPECT_EQ(shown("indentLeft"), "72");
    document_->unitsInfo()->setUnits(UNITS_INCHES);
    editor_->updatePanel(nullptr);
    EXPECT_EQ(shown("indentLeft"), "1");
    EXPECT_EQ(shown("spaceBefore"), "0.5");
    // Saved in inches, stored in points.
    set("indentLeft", "2");
    ASSERT_EQ(editor_->updateStyleFromPanel(), editor_.get());
    EXPECT_FLOAT_EQ(body_->indentLeft(), 144.0f);
    // The ruler is as wide as the page.
    EXPECT_FLOAT_EQ(editor_->ruler()->frame().size.width, document_->pageSize().width);
}

// Bad input: the save is refused, the field shows the style's value again,
// and neither the style nor its name has changed.
TEST_F(PanelStylesEditorTest, RefusedValuesChangeNothing)
{
    StyleParagraph::setForceParagraphStyleDefinitions(true);
    body_->setLeading(14.0f);
    body_->setIndentLeft(10.0f);
    body_->setAutonumberLevel(2);
    body_->setTracking(1.0f);
    StyleParagraph::setForceParagraphStyleDefinitions(false);
    const std::string tooLong(256, 'a');
    struct Case {
        const char* outlet; // the field typed into
        std::string typed;
        const char* restored; // what it shows after; nil: the typed text is the name
        bool alert;           // a name refused with an alert, a value with a beep
    };
    const Case cases[] = {
        {"nameField", "", "Body", true},
        {"nameField", "No Style", "Body", true},
        {"nameField", "Other", "Body", true},
        {"nameField", tooLong, "Body", true},
        {"nameField", "\xe6\x97\xa5\xe6\x9c\xac", "Body", true},
        {"nameField", "Bo\tdy", "Body", true},
        {"nameField", "Bo\x7f" "dy", "Body", true},
        {"nameField", "\xff\xfe", "Body", true},
        {"tracking", "nan", "1", false},
        {"tracking", "inf", "1", false},
        {"tracking", "-inf", "1", false},
        {"tracking", "abc", "1", false},
        {"tracking", "1e40", "1", false},
        {"tracking", "", "1", false},
        {"indentLeft", "10000", "10", false},
        {"indentLeft", "-700", "10", false},
        {"indentRight", "620", "0", false},
        {"autonumberLevel", "33", "2", false},
        {"autonumberLevel", "-1", "2", false},
        {"autonumberLevel", "2.5", "2", false},
        {"leading", "-1", "14", false},
        {"leading", "10000.5", "14", false},
        {"leading", "20000", "14", false},
        {"leading", "nan", "14", false},
        {"lineSpacing", "0", "1", false},
        {"spaceBefore", "1e9", "0", false},
        {"wordSpace", "inf", nullptr, false},
        {"bulletText", "\xe6\x97\xa5", "", false},
        {"bulletX", "nan", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.outlet) + " " + c.typed.substr(0, 20));
        editor_->inspectStyle(body_);
        const std::string wordSpace = shown("wordSpace");
        const std::unique_ptr<StyleParagraph> before = body_->copy();
        const int flags = body_->definedFlags();
        const int beeps = alerts_->beeps();
        const std::size_t alerts = alerts_->shown().size();
        // Everything ticked, so that every field is read.
        for (const auto& box : PanelStylesEditor::definedBoxes())
            setTicked(box.outlet, true);
        set(c.outlet, c.typed);
        EXPECT_EQ(editor_->updateStyleFromPanel(), nullptr);
        EXPECT_EQ(shown(c.outlet), c.restored ? std::string(c.restored) : wordSpace);
        EXPECT_EQ(body_->styleName(), std::optional<std::string>("Body"));
        EXPECT_EQ(body_->definedFlags(), flags);
        EXPECT_EQ(body_->differencesFromStyle(before.get()), 0);
        EXPECT_FLOAT_EQ(body_->absoluteLeading(), 14.0f);
        EXPECT_EQ(alerts_->shown().size(), alerts + (c.alert ? 1 : 0));
        EXPECT_EQ(alerts_->beeps(), beeps + (c.alert ? 0 : 1));
        EXPECT_FALSE(StyleParagraph::forceParagraphStyleDefinitions());
    }
}

// A based-on style that would close a loop is refused; the style itself
// chosen stands for none.
TEST_F(PanelStylesEditorTest, BasedOnStylesNeverLoop)
{
    editor_->inspectStyle(other_);
    setTicked("isBasedOnStyleDefined", true);
    editor_->basedOnStylePopupButton()->selectItemWithTitle("Body");
    ASSERT_EQ(editor_->updateStyleFromPanel(), editor_.get());
    ASSERT_EQ(other_->basedOnStyle(), body_);
    editor_->inspectStyle(body_);
    setTicked("isBasedOnStyleDefined", true);
    editor_->basedOnStylePopupButton()->selectItemWithTitle("Other");
    const int beeps = alerts_->beeps();
    EXPECT_EQ(editor_->updateStyleFromPanel(), nullptr);
    EXPECT_EQ(alerts_->beeps(), beeps + 1);
    EXPECT_EQ(body_->basedOnStyle(), nullptr);
    editor_->basedOnStylePopupButton()->selectItemWithTitle("Body");
    ASSERT_EQ(editor_->updateStyleFromPanel(), editor_.get());
    EXPECT_EQ(body_->basedOnStyle(), nullptr);
}

// The class-wide switch that makes every setter mark its attribute is back
// to what it was after every save, refused or not.
TEST_F(PanelStylesEditorTest, TheForceSwitchIsRestoredOnEveryExit)
{
    struct Case {
        const char* name;
        std::function<void(PanelStylesEditorTest&)> fill;
        std::function<bool(PanelStylesEditor&)> save;
        bool succeeds;
    };
    const Case cases[] = {
        {"save", [](PanelStylesEditorTest&) {}, [](PanelStylesEditor& e) { return e.updateStyleFromPanel(); }, true},
        {"apply", [](PanelStylesEditorTest&) {},
         [](PanelStylesEditor& e) { return e._saveAndApply(nullptr, false); }, true},
        {"apply to all", [](PanelStylesEditorTest&) {},
         [](PanelStylesEditor& e) { return e._saveAndApply(nullptr, true); }, true},
        {"refused name", [](PanelStylesEditorTest& t) { t.set("nameField", "Other"); },
         [](PanelStylesEditor& e) { return e.updateStyleFromPanel(); }, false},
        {"refused value",
         [](PanelStylesEditorTest& t) {
             t.setTicked("isTrackingDefined", true);
             t.set("tracking", "x");
         },
         [](PanelStylesEditor& e) { return e.updateStyleFromPanel(); }, false},
    };
    for (const bool was : {false, true})
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (was ? " (on before)" : " (off before)"));
            editor_->inspectStyle(body_);
            c.fill(*this);
            StyleParagraph::setForceParagraphStyleDefinitions(was);
            EXPECT_EQ(c.save(*editor_), c.succeeds);
            EXPECT_EQ(StyleParagraph::forceParagraphStyleDefinitions(), was);
            StyleParagraph::setForceParagraphStyleDefinitions(false);
        }
}

// Apply keeps what a paragraph set itself; Apply to All replaces it. Both
// leave the layout as a full one and the document edited.
TEST_F(PanelStylesEditorTest, ApplyForcedAndUnforced)
{
    for (const bool forced : {false, true}) {
        SCOPED_TRACE(forced ? "forced" : "unforced");
        StyleParagraph::setForceParagraphStyleDefinitions(true);
        body_->setAlignment(0);
        body_->setSpaceBefore(0.0f);
        StyleParagraph::setForceParagraphStyleDefinitions(false);
        useBodyEverywhere();
        // The second paragraph aligns itself to the right.
        StyleParagraph* own = flow_->paragraphAtIndex(1)->paragraphStyle();
        own->setDefinedFlags(own->definedFlags() | StyleAlignmentMask);
        own->setAlignment(1);
        document_->setEdited(false);

        Script script(*editor_);
        script.then([this] {
            setTicked("isAlignmentDefined", true);
            editor_->alignmentMatrix()->selectCellWithTag(2);
            setTicked("isSpaceBeforeDefined", true);
            set("spaceBefore", "6");
        });
        script.click(centre(buttonFor(forced ? "saveAndApplyForced:" : "saveAndApplyUnforced:")));
        runEditor(body_, script);

        EXPECT_EQ(flow_->paragraphAtIndex(0)->paragraphStyle()->alignment(), 2);
        EXPECT_EQ(flow_->paragraphAtIndex(1)->paragraphStyle()->alignment(), forced ? 2 : 1);
        EXPECT_EQ(flow_->paragraphAtIndex(2)->paragraphStyle()->alignment(), 2);
        for (int i = 0; i < 3; ++i)
            EXPECT_FLOAT_EQ(flow_->paragraphAtIndex(i)->paragraphStyle()->spaceBefore(), 6.0f) << i;
        EXPECT_EQ(layoutcheck::differenceFromFullLayout(*flow_), "");
        EXPECT_FALSE(StyleParagraph::forceParagraphStyleDefinitions());
    }
}

// A level changed by the editor renumbers the paragraphs that use it.
TEST_F(PanelStylesEditorTest, AChangedLevelRenumbers)
{
    useBodyEverywhere();
    editor_->inspectStyle(body_);
    setTicked("isAutonumberLevelDefined", true);
    set("autonumberLevel", "1");
    ASSERT_EQ(editor_->_saveAndApply(nullptr, true), editor_.get());
    EXPECT_TRUE(editor_->autonumberingChanged());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(flow_->paragraphAtIndex(i)->autonumberLevel(), 1) << i;
    EXPECT_EQ(layoutcheck::differenceFromFullLayout(*flow_), "");
    ASSERT_EQ(editor_->_saveAndApply(nullptr, true), editor_.get());
    EXPECT_FALSE(editor_->autonumberingChanged());
}

// Cancel, and closing with Escape, after a rename give the style its old
// name back; a Tab out of the name field renamed it meanwhile.
TEST_F(PanelStylesEditorTest, CancelAfterARenameRestoresTheName)
{
    for (const bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Escape" : "Cancel");
        std::optional<std::string> during;
        Script script(*editor_);
        script.type("\x7f" "Heading\t");
        script.then([&] { during = body_->styleName(); });
        if (escape)
            script.type("\x1b");
        else
            script.click(centre(buttonFor("cancel:")));
        runEditor(body_, script);
        EXPECT_EQ(during, std::optional<std::string>("Heading"));
        EXPECT_EQ(body_->styleName(), std::optional<std::string>("Body"));
        EXPECT_EQ(document_->styleInfo()->styleWithName(std::string("Heading"), document_->styleInfo()->paragraphStyles()),
                  nullptr);
    }
}

// A rename keeps what the pop-ups chose; Save after it keeps the name.
TEST_F(PanelStylesEditorTest, ARenameKeepsThePopupsChoices)
{
    editor_->inspectStyle(body_);
    setTicked("isBasedOnStyleDefined", true);
    editor_->basedOnStylePopupButton()->selectItemWithTitle("Other");
    set("nameField", "Text");
    editor_->changeName(nullptr);
    EXPECT_EQ(body_->styleName(), std::optional<std::string>("Text"));
    EXPECT_EQ(editor_->basedOnStylePopupButton()->titleOfSelectedItem(), "Other");
    EXPECT_NE(editor_->basedOnStylePopupButton()->indexOfItemWithTitle("Text"), -1);
    ASSERT_EQ(editor_->updateStyleFromPanel(), editor_.get());
    EXPECT_EQ(body_->basedOnStyle(), other_);
    EXPECT_EQ(body_->styleName(), std::optional<std::string>("Text"));
}

// The ruler edits the shared tab records; when the run ends they hold the
// edited paragraph's stops again, not the style's.
TEST_F(PanelStylesEditorTest, TheTabRecordsGoBackToTheEditedParagraph)
{
    const StyleTabStop stops[] = {{100.0f, 0, 0}, {200.0f, 2, 0}};
    StyleParagraph::setForceParagraphStyleDefinitions(true);
    body_->setTabs(stops, 2);
    StyleParagraph::setForceParagraphStyleDefinitions(false);
    first_->beginEditing(nullptr, view_);
    ASSERT_TRUE(view_->isEditing());
    PanelTabs& shared = *editor_->tabsPanel();
    for (const char* ending : {"cancel:", "saveOnly:"}) {
        SCOPED_TRACE(ending);
        int duringRun = -1;
        Script script(*editor_);
        script.then([&] { duringRun = shared.numTabs(); });
        script.click(centre(buttonFor(ending)));
        runEditor(body_, script);
        EXPECT_EQ(duringRun, 2);
        EXPECT_EQ(shared.numTabs(), flow_->currentParagraph()->paragraphStyle()->numTabs());
        EXPECT_EQ(shared.numTabs(), 0);
    }
    // Saved, the stops are the style's.
    EXPECT_EQ(body_->numTabs(), 2);
}

// Typing ticks the field's checkbox; a value that cannot be taken is put
// back when the field is left.
TEST_F(PanelStylesEditorTest, TypingTicksAndLeavingRefuses)
{
    editor_->inspectStyle(body_);
    untickAll();
    struct Case {
        const char* outlet;
        const char* box;
    };
    const Case cases[] = {{"wordSpace", "isWordSpaceDefined"},   {"tracking", "isTrackingDefined"},
                          {"leading", "isLeadingDefined"},       {"lineSpacing", "isLineSpacingDefined"},
                          {"indentRight", "isIndentDefined"},    {"spaceAfter", "isSpaceAfterDefined"},
                          {"autonumberLevel", "isAutonumberLevelDefined"}, {"bulletY", "isBulletDefined"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.outlet);
        EXPECT_FALSE(ticked(c.box));
        editor_->controlTextShouldBeginEditing(field(c.outlet));
        EXPECT_TRUE(ticked(c.box));
    }
    EXPECT_EQ(shown("bulletX"), "18.00");
    EXPECT_TRUE(editor_->isDocumentEdited());
    set("tracking", "abc");
    const int beeps = alerts_->beeps();
    EXPECT_TRUE(editor_->controlTextShouldEndEditing(field("tracking")));
    EXPECT_EQ(alerts_->beeps(), beeps + 1);
    EXPECT_EQ(shown("tracking"), "0");
}

// Other styles than a named paragraph style are not edited.
TEST_F(PanelStylesEditorTest, OnlyNamedStylesOfTheSheetAreEdited)
{
    StyleParagraph local;
    editor_->runModalForStyle(&local);
    EXPECT_FALSE(editor_->isVisible());
    EXPECT_EQ(editor_->currentStyle(), nullptr);
    editor_->runModalForStyle(nullptr);
    editor_->inspectStyle(flow_->paragraphAtIndex(0)->paragraphStyle());
    EXPECT_EQ(editor_->currentStyle(), nullptr);
    editor_->inspectStyle(body_);
    EXPECT_EQ(editor_->currentStyle(), body_);
    // Gone from the sheet, it is no longer edited.
    std::unique_ptr<StyleSheetEntry> removed =
        document_->styleInfo()->removeStyle(body_, document_->styleInfo()->paragraphStyles());
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(editor_->currentStyle(), nullptr);
    EXPECT_EQ(editor_->updateStyleFromPanel(), nullptr);
    body_ = nullptr;
}

} // namespace
