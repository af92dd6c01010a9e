// The paragraph styles list over a document whose text uses named styles:
// which row follows the caret, what the commands do to the sheet and the
// text, and how keys move and apply.

#include "view/tests/EditingTestSupport.h"

#include "panels/PanelStyles.h"
#include "panels/PanelTabs.h"

#include "appkit/Button.h"
#include "appkit/CellMatrix.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraphNamed.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

class PanelStylesTest : public EditingTest {
public:
    void SetUp() override
    {
        EditingTest::SetUp();
        // A document set up as a window shows it: its edits are marked.
        document_->setup();
        PanelTabs::initialize();
        PanelStyles::initialize();
        type(flow_, "one\ntwo\nthree");
        ASSERT_EQ(flow_->paragraphCount(), 3);
        sheet_ = document_->styleInfo();
        ASSERT_NE(sheet_, nullptr);
        body_ = addNamed("Body");
        heading_ = addNamed("Heading");
        ASSERT_TRUE(body_ && heading_);
        panel_ = dynamic_cast<PanelStyles*>(delegate_->paragraphStylesPanel(true));
        ASSERT_NE(panel_, nullptr);
        ASSERT_NE(panel_->styleMatrix(), nullptr);
        // Modal runs of the editor are not what these tests look at.
        panel_->setEditPanel(nullptr);
    }

    StyleParagraphNamed* addNamed(const char* name)
    {
        auto* made = dynamic_cast<StyleParagraphNamed*>(sheet_->addNewStyleInStyles(sheet_->paragraphStyles()));
        if (!made || sheet_->renameStyle(made, std::string(name), sheet_->paragraphStyles()) ==
                         StyleInfo::RenameResult::Refused)
            return nullptr;
        return made;
    }
    StyleList& list() const { return *sheet_->paragraphStyles(); }
    int rowOf(const StyleSheetEntry* style) const
    {
        for (std::size_t i = 0; i < list().size(); ++i)
            if (list()[i].get() == style)
                return int(i);
        return -1;
    }
    void editAt(int paragraph)
    {
        first_->beginEditing(nullptr, view_);
        ASSERT_TRUE(view_->isEditing());
        caretAt(paragraph, 0, 0);
    }
    int selectedRow() const { return panel_->styleMatrix()->selectedRow(); }
    std::vector<std::string> titles() const
    {
        std::vector<std::string> out;
        kit::CellMatrix* matrix = panel_->styleMatrix();
        for (int row = 0; row < matrix->numberOfRows(); ++row)
            out.push_back(matrix->cellAtRow(row, 0)->title());
        return out;
    }
    std::string audit() const
    {
        std::fflush(stdout);
        char path[] = "/tmp/styles-panel-audit-XXXXXX";
        const int fd = mkstemp(path);
        EXPECT_GE(fd, 0);
        const int saved = dup(1);
        dup2(fd, 1);
        document_->audit(0);
        std::fflush(stdout);
        dup2(saved, 1);
        close(saved);
        close(fd);
        std::ifstream in(path);
        std::stringstream out;
        out << in.rdbuf();
        std::remove(path);
        return out.str();
    }
    kit::Event key(char16_t character) const
    {
        const std::u16string keys(1, character);
        return kit::Event::keyEventWithType(kit::EventType::KeyDown, {}, 0, kit::Clock::now(),
                                            panel_->windowNumber(), keys, keys, false);
    }

    StyleInfo* sheet_ = nullptr;
    StyleParagraphNamed* body_ = nullptr;
    StyleParagraphNamed* heading_ = nullptr;
    PanelStyles* panel_ = nullptr;
};

TEST_F(PanelStylesTest, TheListShowsEveryParagraphStyleAndKeepsItsCellsWhenNothingChanged)
{
    panel_->reloadMatrix(-1);
    std::vector<std::string> names;
    for (const auto& style : list())
        names.push_back(style->styleName().value_or(""));
    EXPECT_EQ(titles(), names);
    EXPECT_EQ(panel_->panelName(), "PanelStyleParagraph");
    const std::vector<kit::Cell*> before = panel_->styleMatrix()->cells();
    panel_->reloadMatrix(1);
    EXPECT_EQ(panel_->styleMatrix()->cells(), before);
    EXPECT_EQ(selectedRow(), 1);
}

TEST_F(PanelStylesTest, TheRowFollowsTheCaretParagraphsStyle)
{
    flow_->paragraphAtIndex(1)->setBasedOnStyle(body_);
    flow_->paragraphAtIndex(2)->setBasedOnStyle(heading_);
    flow_->recomputeAll();
    struct Case {
        int paragraph;
        const StyleSheetEntry* expected; // nil: the unnamed root, row 0
    };
    const Case cases[] = {{0, nullptr}, {1, body_}, {2, heading_}, {0, nullptr}};
    editAt(0);
    for (const Case& c : cases) {
        caretAt(c.paragraph, 0, 0);
        panel_->inspect();
        EXPECT_EQ(selectedRow(), c.expected ? rowOf(c.expected) : 0) << "paragraph " << c.paragraph;
        EXPECT_EQ(panel_->currentStyle(), dynamic_cast<const kit::Object*>(
                                              c.expected ? c.expected : list().front().get()));
    }
}

TEST_F(PanelStylesTest, AStyleFromAnotherDocumentIsListedOnceUnderItsName)
{
    StyleInfo foreign;
    auto* quote = dynamic_cast<StyleParagraphNamed*>(foreign.addNewStyleInStyles(foreign.paragraphStyles()));
    ASSERT_NE(quote, nullptr);
    ASSERT_EQ(foreign.renameStyle(quote, std::string("Quote"), foreign.paragraphStyles()),
              StyleInfo::RenameResult::Renamed);
    flow_->paragraphAtIndex(1)->setBasedOnStyle(quote);
    editAt(1);
    const std::size_t count = list().size();
    panel_->inspect();
    ASSERT_EQ(list().size(), count + 1);
    const StyleSheetEntry* listed = sheet_->styleWithName(std::string("Quote"), &list());
    ASSERT_NE(listed, nullptr);
    EXPECT_NE(listed, quote);
    EXPECT_EQ(selectedRow(), rowOf(listed));
    EXPECT_EQ(titles().at(std::size_t(selectedRow())), "Quote");
    // Seen again: the name is already listed.
    panel_->inspect();
    EXPECT_EQ(list().size(), count + 1);
    EXPECT_EQ(selectedRow(), rowOf(listed));
    // Our text must not keep pointing into the other sheet.
    flow_->paragraphAtIndex(1)->setBasedOnStyle(nullptr);
}

TEST_F(PanelStylesTest, DeleteAsksAboutTheNamedStylesOnlyAndLeavesNoReference)
{
    flow_->paragraphAtIndex(0)->setBasedOnStyle(body_);
    flow_->paragraphAtIndex(2)->setBasedOnStyle(body_);
    flow_->paragraphStyle()->setNextParagraphStyle(body_);
    flow_->recomputeAll();
    panel_->reloadMatrix(-1);
    kit::CellMatrix* matrix = panel_->styleMatrix();
    // The unnamed root and Body both on.
    matrix->cellAtRow(0, 0)->setIntValue(1);
    matrix->cellAtRow(rowOf(body_), 0)->setIntValue(1);
    ASSERT_EQ(panel_->currentStyles().size(), 2u);

    // Cancel keeps everything.
    alerts_->pushAnswer(kit::AlertAlternateReturn);
    panel_->performSelector("delete:", panel_);
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(rowOf(body_) >= 0, true);

    matrix->cellAtRow(0, 0)->setIntValue(1);
    matrix->cellAtRow(rowOf(body_), 0)->setIntValue(1);
    alerts_->pushAnswer(kit::AlertDefaultReturn);
    const StyleSheetEntry* gone = body_;
    panel_->performSelector("delete:", panel_);
    ASSERT_EQ(alerts_->shown().size(), 2u);
    const auto& asked = alerts_->shown().back();
    EXPECT_EQ(asked.title, delegate_->valueForStringKey("DeleteStyle"));
    // The singular message, naming the style.
    EXPECT_NE(asked.message.find("Body"), std::string::npos) << asked.message;
    EXPECT_EQ(rowOf(gone), -1);
    EXPECT_EQ(list().size(), 2u);
    for (int i = 0; i < flow_->paragraphCount(); ++i)
        EXPECT_NE(flow_->paragraphAtIndex(i)->paragraphStyle()->basedOnStyle(), gone);
    EXPECT_EQ(flow_->paragraphStyle()->nextParagraphStyle(), nullptr);
    EXPECT_EQ(audit().find("Stale style reference"), std::string::npos);
    EXPECT_TRUE(document_->isEdited());
    EXPECT_EQ(titles().size(), list().size());
}

TEST_F(PanelStylesTest, DeleteOrDuplicateWithoutANamedStyleBeeps)
{
    panel_->reloadMatrix(0);
    const std::size_t count = list().size();
    for (const char* command : {"delete:", "duplicate:"}) {
        const int beeps = alerts_->beeps();
        panel_->reloadMatrix(std::string(command) == "delete:" ? 0 : -1);
        panel_->performSelector(command, panel_);
        EXPECT_EQ(alerts_->beeps(), beeps + 1) << command;
    }
    EXPECT_TRUE(alerts_->shown().empty());
    EXPECT_EQ(list().size(), count);
}

TEST_F(PanelStylesTest, NewTakesTheCaretsStyleAndDuplicateCopiesTheSelected)
{
    body_->setLeading(31.0f);
    flow_->paragraphAtIndex(1)->setBasedOnStyle(body_);
    flow_->recomputeAll();
    editAt(1);
    const std::size_t count = list().size();
    panel_->performSelector("new:", panel_);
    ASSERT_EQ(list().size(), count + 1);
    auto* made = dynamic_cast<StyleParagraph*>(panel_->currentStyle());
    ASSERT_NE(made, nullptr);
    EXPECT_NE(made, body_);
    EXPECT_TRUE(made->isNamedStyle());
    EXPECT_EQ(made->leading(), 31.0f);
    EXPECT_EQ(titles().size(), list().size());
    EXPECT_TRUE(document_->isEdited());

    panel_->reloadMatrix(rowOf(heading_));
    panel_->performSelector("duplicate:", panel_);
    ASSERT_EQ(list().size(), count + 2);
    const StyleSheetEntry* copy = dynamic_cast<StyleSheetEntry*>(panel_->currentStyle());
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, static_cast<const StyleSheetEntry*>(heading_));
    EXPECT_NE(copy->styleName(), heading_->styleName());
}

TEST_F(PanelStylesTest, ClipboardCommandsBeepAndImportDoesNothing)
{
    struct Case {
        const char* command;
        int beeps;
    };
    for (const Case& c : {Case{"cut:", 1}, Case{"copy:", 1}, Case{"paste:", 1}, Case{"clone:", 1},
                          Case{"import:", 0}}) {
        const int before = alerts_->beeps();
        panel_->performSelector(c.command, panel_);
        EXPECT_EQ(alerts_->beeps(), before + c.beeps) << c.command;
    }
}

TEST_F(PanelStylesTest, TheArrowsMoveOneRowAndStopAtTheEnds)
{
    panel_->reloadMatrix(-1);
    const int last = int(list().size()) - 1;
    ASSERT_GE(last, 2);
    struct Case {
        int from;
        char16_t key;
        int to;
    };
    const Case cases[] = {{0, 0xF700, 0}, {1, 0xF700, 0}, {0, 0xF701, 1}, {last, 0xF701, last}, {last, 0xF700, last - 1}};
    for (const Case& c : cases) {
        panel_->selectCellAtRow(c.from, 0);
        panel_->keyDown(key(c.key));
        EXPECT_EQ(selectedRow(), c.to) << "from " << c.from << " key " << int(c.key);
    }
}

TEST_F(PanelStylesTest, ReturnAppliesTheStyleAndGivesTheKeyboardBackToTheDocument)
{
    editAt(2);
    window_->makeKeyAndOrderFront(nullptr);
    panel_->reloadMatrix(rowOf(heading_));
    panel_->makeKeyAndOrderFront(nullptr);
    ASSERT_TRUE(panel_->isKeyWindow());
    ASSERT_NE(panel_->applyButton(), nullptr);
    EXPECT_EQ(panel_->applyButton()->keyEquivalent(), "\r");
    app_->sendEvent(key(u'\r'));
    EXPECT_EQ(flow_->paragraphAtIndex(2)->paragraphStyle()->basedOnStyle(), heading_);
    EXPECT_TRUE(window_->isKeyWindow());
    EXPECT_FALSE(panel_->isKeyWindow());
}

TEST_F(PanelStylesTest, ANilEditPanelMakesEditDoNothing)
{
    panel_->reloadMatrix(rowOf(body_));
    const std::size_t count = list().size();
    panel_->performSelector("edit:", panel_);
    EXPECT_EQ(list().size(), count);
    EXPECT_EQ(selectedRow(), rowOf(body_));
    EXPECT_EQ(alerts_->beeps(), 0);
}

} // namespace
