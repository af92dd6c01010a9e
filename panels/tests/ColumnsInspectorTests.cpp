// The columns dialog as the user meets it: Arrange > Columns… over a word-
// processor document, driven by scripted keys and clicks in the dialog's
// window while it runs modally.

#include "app/tests/WordProcessorFixture.h"

#include "appkit/Button.h"
#include "appkit/CellMatrix.h"
#include "appkit/EventScript.h"
#include "appkit/MenuItem.h"
#include "appkit/RunLoop.h"
#include "appkit/TextField.h"
#include "appkit/Window.h"
#include "document/Page.h"
#include "foundation/Units.h"
#include "foundation/UnitsInfo.h"
#include "panels/ColumnsInspector.h"
#include "view/PageView.h"

#include <cmath>

namespace {

class ColumnsInspectorTest : public WordProcessorTest {
protected:
    void SetUp() override
    {
        WordProcessorTest::SetUp();
        ColumnsInspector::initialize();
        document_ = newDocument();
        ASSERT_NE(document_, nullptr);
        document_->unitsInfo()->setUnits(2); // inches
        dialog_ = dynamic_cast<ColumnsInspector*>(delegate_->columnsInspector(true));
        ASSERT_NE(dialog_, nullptr);
        window_ = dialog_->inspectorView();
        ASSERT_NE(window_, nullptr);
    }

    kit::Point centre(kit::View* view) const
    {
        const kit::Rect frame = view->convertRectToView(view->bounds(), nullptr);
        return {kit::midX(frame), kit::midY(frame)};
    }

    kit::Button* buttonFor(const std::string& action) const
    {
        for (const auto& view : window_->contentView()->subviews())
            if (auto* button = dynamic_cast<kit::Button*>(view.get()); button && button->action() == action)
                return button;
        return nullptr;
    }

    // A script in the dialog's window; every step a little after the last.
    struct Script {
        explicit Script(kit::Window& window) : events(window) {}
        Script& type(const std::string& keys)
        {
            for (char key : keys)
                events.at(at += 0.01).keyDown(std::u16string(1, char16_t(static_cast<unsigned char>(key))));
            return *this;
        }
        // The text put into the field at once, as a paste would.
        Script& paste(kit::TextField* field, const std::string& text)
        {
            at += 0.05;
            pastes.push_back(kit::Timer::timerWithTimeInterval(
                at, [field, text](kit::Timer&) { field->setStringValue(text); }, false));
            kit::RunLoop::currentRunLoop().addTimer(pastes.back(), kit::ModalPanelRunLoopMode);
            return *this;
        }
        Script& click(kit::Point p)
        {
            events.at(at += 0.1).mouseDown(p).after(0.05).mouseUp(p);
            at += 0.05;
            return *this;
        }
        kit::EventScript events;
        std::vector<std::shared_ptr<kit::Timer>> pastes;
        double at = 0.1;
    };

    // Columns… through the delegate's command while the script plays; a
    // run the script cannot end is aborted. Answers the dialog's response.
    int runColumns(Script& script)
    {
        script.events.schedule();
        auto guard = kit::Timer::timerWithTimeInterval(
            script.at + 30.0, [](kit::Timer&) { kit::Application::sharedApplication().abortModal(); }, false);
        kit::RunLoop::currentRunLoop().addTimer(guard, kit::ModalPanelRunLoopMode);
        const int response = dialog_->runModalForWindow(delegate_.get());
        guard->invalidate();
        return response;
    }

    ScrivlyDocument* document_ = nullptr;
    ColumnsInspector* dialog_ = nullptr;
    kit::Window* window_ = nullptr;
};

// The document's count chooses the radio cell, or the custom cell with the
// count written out; the gutter shows in the document's unit.
TEST_F(ColumnsInspectorTest, TheDialogOpensOnTheDocumentsColumnsAndGutter)
{
    const struct {
        int count;
        int tag;
        const char* custom;
    } cases[] = {{1, 0, ""}, {3, 2, ""}, {5, 4, ""}, {6, 5, "6"}, {8, 5, "8"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        ASSERT_TRUE(document_->resetDocumentColumnCount(c.count, 18.0f));
        Script script(*window_);
        script.type("\x1b");
        EXPECT_EQ(runColumns(script), 0);
        EXPECT_EQ(dialog_->columnCountMatrix()->selectedTag(), c.tag);
        EXPECT_EQ(dialog_->columnCountCustom()->stringValue(), c.custom);
        EXPECT_EQ(dialog_->columnCountCustom()->isEnabled(), c.tag == ColumnsInspector::CustomCountTag);
        EXPECT_EQ(dialog_->gutter()->stringValue(), "0.25");
        EXPECT_FALSE(window_->isVisible());
    }
}

// Typed values: numbers the document takes are applied; anything else, or
// a pair the document refuses, beeps and keeps the dialog up (the Escape
// that follows ends it with nothing changed).
TEST_F(ColumnsInspectorTest, TypedValuesApplyOnlyWhenTheyAreNumbersTheDocumentTakes)
{
    const std::string longDigits(5000, '7');
    const struct {
        bool custom; // typed into the custom count, else into the gutter
        std::string typed;
        int count;    // 0: refused
        float gutter; // points
    } cases[] = {
        {false, "0.5", 2, 36.0f},
        {false, "6", 2, 432.0f},
        {false, "7", 0, 0},  // the columns would vanish
        {false, "200/100", 0, 0},
        {false, "abc", 0, 0},
        {false, "1e40", 0, 0},
        {false, "0/0", 0, 0},
        {false, "-50", 0, 0},
        {false, "nan", 0, 0},
        {false, "inf", 0, 0},
        {false, longDigits, 0, 0},
        {false, "2abc", 0, 0},
        {false, "99999999999", 0, 0},
        {false, "", 0, 0},
        {true, "", 1, 18.0f},
        {true, "0", 1, 18.0f},
        {true, "8", 8, 18.0f},
        {true, "24", 24, 18.0f},
        {true, "30", 0, 0},
        {true, "-2", 0, 0},
        {true, "2abc", 0, 0},
        {true, "abc", 0, 0},
        {true, "1e40", 0, 0},
        {true, "nan", 0, 0},
        {true, "2.5", 0, 0},
        {true, "99999999999", 0, 0},
        {true, longDigits, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.custom ? "count " : "gutter ") + c.typed.substr(0, 20));
        ASSERT_TRUE(document_->resetDocumentColumnCount(2, 18.0f));
        document_->setEdited(false);
        const int beeps = alerts_->beeps();
        Script script(*window_);
        if (c.custom) {
            kit::CellMatrix* matrix = dialog_->columnCountMatrix();
            const kit::Rect cell = matrix->convertRectToView(matrix->cellFrameAtRow(0, ColumnsInspector::CustomCountTag), nullptr);
            script.click({kit::midX(cell), kit::midY(cell)}).click(centre(dialog_->columnCountCustom()));
        } else {
            // The gutter field has the keys, its text chosen.
            script.type("\x7f");
        }
        // The long texts arrive as a paste: typing them key by key takes long.
        if (c.typed.size() > 100)
            script.paste(c.custom ? dialog_->columnCountCustom() : dialog_->gutter(), c.typed);
        else
            script.type(c.typed);
        script.type("\r");
        if (c.count == 0)
            script.type("\x1b");
        const int response = runColumns(script);
        if (c.count == 0) {
            EXPECT_EQ(response, 0);
            EXPECT_EQ(alerts_->beeps(), beeps + 1);
            EXPECT_EQ(document_->columnCount(), 2);
            EXPECT_FLOAT_EQ(document_->columnGutterWidth(), 18.0f);
            EXPECT_FALSE(document_->isEdited());
        } else {
            EXPECT_EQ(response, 1);
            EXPECT_EQ(alerts_->beeps(), beeps);
            EXPECT_EQ(document_->columnCount(), c.count);
            EXPECT_EQ(document_->masterColumns().size(), std::size_t(c.count));
            EXPECT_FLOAT_EQ(document_->columnGutterWidth(), c.gutter);
        }
        EXPECT_FALSE(window_->isVisible());
    }
}

// The arrows step the gutter by the unit's division and stop at 0; OK
// applies what they show.
TEST_F(ColumnsInspectorTest, TheGutterArrowsStepByTheUnitsDivisionAndStopAtZero)
{
    const struct {
        int units;
        const char* shown;
        const char* up;
        const char* down; // after the up and two downs
    } cases[] = {
        {2, "0.25", "0.375", "0.125"}, // inches, by an eighth
        {1, "18", "24", "12"},         // points, by 6
        {0, "1.5", "2.5", "0.5"},      // picas, by 1
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.units);
        document_->unitsInfo()->setUnits(c.units);
        ASSERT_TRUE(document_->resetDocumentColumnCount(2, 18.0f));
        kit::Point up = centre(buttonFor("increaseGutter:"));
        kit::Point down = centre(buttonFor("decreaseGutter:"));
        Script look(*window_);
        look.type("\x1b");
        EXPECT_EQ(runColumns(look), 0);
        EXPECT_EQ(dialog_->gutter()->stringValue(), c.shown);

        Script script(*window_);
        script.click(up).type("\x1b");
        EXPECT_EQ(runColumns(script), 0);
        EXPECT_EQ(dialog_->gutter()->stringValue(), c.up);

        Script downs(*window_);
        downs.click(up).click(down).click(down).type("\x1b");
        EXPECT_EQ(runColumns(downs), 0);
        EXPECT_EQ(dialog_->gutter()->stringValue(), c.down);

        Script floor(*window_);
        for (int i = 0; i < 6; ++i)
            floor.click(down);
        floor.type("\r");
        EXPECT_EQ(runColumns(floor), 1);
        EXPECT_EQ(dialog_->gutter()->stringValue(), "0");
        EXPECT_FLOAT_EQ(document_->columnGutterWidth(), 0.0f);
    }
}

// Between runs the dialog keeps the unit it last showed; a document whose
// unit changed relabels the dialog and shows the gutter in the new unit, and
// a value on show is converted when the unit changes under it.
TEST_F(ColumnsInspectorTest, AUnitChangedBetweenRunsRelabelsAndConvertsTheGutter)
{
    ASSERT_TRUE(document_->resetDocumentColumnCount(2, 18.0f));
    kit::View* label = window_->contentView()->viewWithTag(UNITS_LABEL_TAG);
    ASSERT_NE(label, nullptr);
    Script first(*window_);
    first.type("\x1b");
    EXPECT_EQ(runColumns(first), 0);
    EXPECT_EQ(dialog_->currentUnits(), 2);
    EXPECT_EQ(static_cast<kit::TextField*>(label)->stringValue(), UnitsAbbreviationText(2));
    EXPECT_EQ(dialog_->gutter()->stringValue(), "0.25");

    document_->unitsInfo()->setUnits(3); // centimetres
    Script second(*window_);
    second.type("\x7f" "1\r");
    EXPECT_EQ(runColumns(second), 1);
    EXPECT_EQ(dialog_->currentUnits(), 3);
    EXPECT_EQ(dialog_->myUnitsInfo()->units(), 3);
    EXPECT_EQ(static_cast<kit::TextField*>(label)->stringValue(), UnitsAbbreviationText(3));
    EXPECT_NEAR(document_->columnGutterWidth(), 28.346457f, 1e-4);

    // The field holds 1 (cm); in points it reads 28.35.
    document_->unitsInfo()->setUnits(1);
    dialog_->inspectSelection(nullptr);
    EXPECT_NEAR(dialog_->gutter()->floatValue(), 28.346457f, 1e-3);
    EXPECT_EQ(static_cast<kit::TextField*>(label)->stringValue(), UnitsAbbreviationText(1));
}

// Cancel changes nothing; the force button empties the selection and
// applies.
TEST_F(ColumnsInspectorTest, CancelChangesNothingAndForceClearsTheSelectionAndApplies)
{
    ASSERT_TRUE(document_->resetDocumentColumnCount(2, 18.0f));
    Item* item = document_->mainTextItemForPage(document_->pageAt(0));
    ASSERT_NE(item, nullptr);
    document_->setSelection({item}, delegate_->mainPageView());
    ASSERT_EQ(document_->selected().size(), 1u);
    document_->setEdited(false);
    kit::CellMatrix* matrix = dialog_->columnCountMatrix();
    const kit::Rect three = matrix->convertRectToView(matrix->cellFrameAtRow(0, 2), nullptr);

    Script cancel(*window_);
    cancel.click({kit::midX(three), kit::midY(three)}).click(centre(buttonFor("cancel:")));
    EXPECT_EQ(runColumns(cancel), 0);
    EXPECT_EQ(document_->columnCount(), 2);
    EXPECT_FALSE(document_->isEdited());
    EXPECT_EQ(document_->selected().size(), 1u);

    Script force(*window_);
    force.click({kit::midX(three), kit::midY(three)}).click(centre(buttonFor("forceNew:")));
    EXPECT_EQ(runColumns(force), 1);
    EXPECT_EQ(document_->columnCount(), 3);
    EXPECT_TRUE(document_->selected().empty());
    EXPECT_TRUE(document_->isEdited());
}

// Arrange > Columns… runs the dialog through the delegate's command, and is
// offered only over a word-processor document.
TEST_F(ColumnsInspectorTest, ArrangeColumnsRunsTheDialogOverAWordProcessorDocument)
{
    kit::MenuItem item("Columns...", "runColumnsInspector:");
    EXPECT_TRUE(delegate_->validateMenuItem(&item));

    Script script(*window_);
    kit::CellMatrix* matrix = dialog_->columnCountMatrix();
    const kit::Rect four = matrix->convertRectToView(matrix->cellFrameAtRow(0, 3), nullptr);
    script.click({kit::midX(four), kit::midY(four)}).click(centre(buttonFor("ok:")));
    script.events.schedule();
    delegate_->performSelector("runColumnsInspector:", nullptr);
    EXPECT_EQ(document_->columnCount(), 4);

    document_->setEdited(false);
    document_->close(nullptr);
    ASSERT_EQ(delegate_->mainDocument(), nullptr);
    EXPECT_FALSE(delegate_->validateMenuItem(&item));

    // A page-layout document has no page columns to set.
    auto layout = std::make_unique<LayoutDocument>();
    layout->setup();
    LayoutDocument* made = layout.get();
    delegate_->addDocument(std::move(layout));
    ASSERT_TRUE(made->saveFile(path("page.lvb"), false));
    delegate_->removeDocument(made).reset();
    LayoutDocument* page = delegate_->openFile(path("page.lvb"), false);
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(dynamic_cast<ScrivlyDocument*>(page), nullptr);
    ASSERT_EQ(delegate_->mainDocument(), page);
    EXPECT_FALSE(delegate_->validateMenuItem(&item));
}

} // namespace
