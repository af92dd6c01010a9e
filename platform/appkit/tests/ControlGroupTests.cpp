#include "AppKitTesting.h"

#include "appkit/Box.h"
#include "appkit/Button.h"
#include "appkit/ButtonCell.h"
#include "appkit/CellMatrix.h"
#include "appkit/EventScript.h"
#include "appkit/Form.h"
#include "appkit/Panel.h"
#include "appkit/PopUpButton.h"
#include "appkit/Slider.h"
#include "appkit/TextField.h"
#include "appkit/Window.h"
#include "core/EventState.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QSlider>

using namespace kit;

namespace {

// The middle of a matrix cell in base coordinates.
Point cellCentre(const CellMatrix& m, int row, int column)
{
    Rect f = m.convertRectToView(m.cellFrameAtRow(row, column), nullptr);
    return {midX(f), midY(f)};
}

template <class T, class... Args>
T* add(Window& w, Args&&... args)
{
    return static_cast<T*>(w.contentView()->addSubview(std::make_unique<T>(std::forward<Args>(args)...)));
}

std::unique_ptr<ButtonCell> radioPrototype()
{
    auto cell = std::make_unique<ButtonCell>("choice");
    cell->setButtonType(ButtonType::Radio);
    return cell;
}

} // namespace

// ---- Matrices.

using MatrixTest = AppKitTest;

TEST_F(MatrixTest, ARadioMatrixKeepsOneCellOnAndItFollowsTheMouse)
{
    Window window(makeRect(0, 0, 200, 120));
    auto* m = add<CellMatrix>(window, makeRect(10, 10, 100, 80), MatrixMode::Radio, radioPrototype(), 3, 1);
    m->setCellSize({100, 20});
    m->setIntercellSpacing({0, 4});
    for (int r = 0; r < 3; ++r)
        m->cellAtRow(r, 0)->setTag(10 + r);
    ActionRecorder target({"align:"});
    m->setTarget(&target);
    m->setAction("align:");
    window.makeKeyAndOrderFront();
    ASSERT_EQ(m->selectedRow(), 0);

    EventScript(window)
        .at(0.1).mouseDown(cellCentre(*m, 2, 0)).after(0.1).mouseUp(cellCentre(*m, 2, 0))
        // pressed on row 0, let go on row 1: row 1, one action
        .after(0.5).mouseDown(cellCentre(*m, 0, 0)).after(0.1).mouseDragged(cellCentre(*m, 1, 0))
        .after(0.1).mouseUp(cellCentre(*m, 1, 0))
        .schedule();
    app->run();
    EXPECT_EQ(m->selectedRow(), 1);
    EXPECT_EQ(m->selectedTag(), 11);
    ASSERT_EQ(target.calls.size(), 2u);
    EXPECT_EQ(target.calls[0].sender, m);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(m->cellAtRow(r, 0)->state(), r == 1 ? OnState : OffState) << r;
        auto* b = qobject_cast<QAbstractButton*>(m->widget()->childAt(
            static_cast<int>(m->cellFrameAtRow(r, 0).origin.x) + 5, static_cast<int>(m->cellFrameAtRow(r, 0).origin.y) + 5));
        ASSERT_NE(b, nullptr) << r;
        EXPECT_EQ(b->isChecked(), r == 1) << r;
    }
    // A click between two cells selects nothing new.
    Rect between = m->convertRectToView(makeRect(10, 21, 10, 2), nullptr);
    EventScript(window).at(0.1).mouseDown({midX(between), midY(between)}).after(0.1).mouseUp({midX(between), midY(between)}).schedule();
    app->run();
    EXPECT_EQ(m->selectedRow(), 1);

    EXPECT_TRUE(m->selectCellWithTag(12));
    EXPECT_EQ(m->cellAtRow(2, 0)->state(), OnState);
    EXPECT_EQ(m->cellAtRow(1, 0)->state(), OffState);
    EXPECT_FALSE(m->selectCellWithTag(99));
    EXPECT_EQ(target.calls.size(), 2u); // selecting in code sends nothing
}

TEST_F(MatrixTest, AListMatrixOfDrawnCellsSelectsARangeAndDrawsIt)
{
    Window window(makeRect(0, 0, 200, 160));
    auto* m = add<CellMatrix>(window, makeRect(0, 0, 100, 100), MatrixMode::List, std::make_unique<Cell>("row"), 5, 1);
    m->setCellSize({100, 20});
    m->setIntercellSpacing({0, 0});
    ActionRecorder target({"pick:", "open:"});
    m->setTarget(&target);
    m->setAction("pick:");
    m->setDoubleAction("open:");
    window.makeKeyAndOrderFront();
    window.display();

    EventScript(window)
        .at(0.1).mouseDown(cellCentre(*m, 1, 0)).after(0.1).mouseDragged(cellCentre(*m, 3, 0))
        .after(0.1).mouseUp(cellCentre(*m, 3, 0))
        .schedule();
    app->run();
    std::vector<int> on;
    for (Cell* c : m->selectedCells()) {
        int r = -1, col = -1;
        m->getRow(&r, &col, c);
        on.push_back(r);
    }
    EXPECT_EQ(on, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(target.count("pick:"), 1);

    // Drawn: selected rows white, the others the matrix's light grey.
    window.displayIfNeeded();
    Point p1 = cellCentre(*m, 0, 0), p2 = cellCentre(*m, 2, 0);
    EXPECT_EQ(window.backingPixel(static_cast<int>(p1.x) + 40, static_cast<int>(p1.y)), 0xFFAAAAAAu);
    EXPECT_EQ(window.backingPixel(static_cast<int>(p2.x) + 40, static_cast<int>(p2.y)), 0xFFFFFFFFu);

    // Shift extends from the last one; a double click sends the double action.
    EventScript(window)
        .at(0.1).mouseDown(cellCentre(*m, 4, 0), ShiftKeyMask).after(0.05).mouseUp(cellCentre(*m, 4, 0))
        .after(0.1).mouseDown(cellCentre(*m, 0, 0), 0, 2).after(0.05).mouseUp(cellCentre(*m, 0, 0))
        .schedule();
    app->run();
    EXPECT_EQ(m->selectedRow(), 0);
    EXPECT_EQ(target.count("open:"), 1);
    EXPECT_EQ(target.count("pick:"), 2);

    // Sending to all the cells, or to those on.
    m->selectAll();
    ActionRecorder each({"visit:"});
    m->cellAtRow(2, 0)->setState(OffState);
    m->sendAction("visit:", &each, false);
    EXPECT_EQ(each.calls.size(), 4u);
    m->sendAction("visit:", &each, true);
    EXPECT_EQ(each.calls.size(), 9u);
}

TEST_F(MatrixTest, RowsAndColumnsComeAndGoKeepingTheirCells)
{
    Window window(makeRect(0, 0, 300, 200));
    auto* m = add<CellMatrix>(window, makeRect(0, 0, 10, 10), MatrixMode::Track, std::make_unique<Cell>(), 2, 2);
    m->setCellSize({40, 10});
    m->setIntercellSpacing({2, 3});
    m->cellAtRow(1, 1)->setStringValue("b11");
    m->cellAtRow(0, 1)->setStringValue("b01");
    m->insertColumn(0);
    EXPECT_EQ(m->numberOfColumns(), 3);
    EXPECT_EQ(m->cellAtRow(1, 2)->stringValue(), "b11");
    m->removeRow(0);
    EXPECT_EQ(m->numberOfRows(), 1);
    EXPECT_EQ(m->cellAtRow(0, 2)->stringValue(), "b11");
    std::vector<std::unique_ptr<Cell>> row;
    row.push_back(std::make_unique<Cell>("new"));
    m->addRowWithCells(std::move(row));
    EXPECT_EQ(m->numberOfRows(), 2);
    EXPECT_EQ(m->cellAtRow(1, 0)->stringValue(), "new");
    EXPECT_NE(m->cellAtRow(1, 2), nullptr); // the missing ones are made
    m->renewRows(1, 1);
    EXPECT_EQ(m->cells().size(), 1u);
    m->renewRows(3, 2);
    m->sizeToCells();
    EXPECT_EQ(m->frame().size, (Size{2 * 40 + 2, 3 * 10 + 2 * 3}));
    EXPECT_EQ(m->cellFrameAtRow(2, 1), makeRect(42, 26, 40, 10));
    int r = -1, c = -1;
    EXPECT_TRUE(m->getRow(&r, &c, Point{50, 27}));
    EXPECT_EQ(r, 2);
    EXPECT_EQ(c, 1);
    EXPECT_FALSE(m->getRow(&r, &c, Point{41, 27})); // in the spacing
    EXPECT_FALSE(m->getRow(&r, &c, Point{50, 99}));
    EXPECT_EQ(m->cellAtRow(3, 0), nullptr);
    EXPECT_EQ(m->cellAtRow(-1, 0), nullptr);
}

TEST_F(MatrixTest, AFormTabsThroughItsEntriesAndOnToTheNextText)
{
    Window window(makeRect(0, 0, 300, 200));
    auto* form = add<Form>(window, makeRect(10, 80, 220, 100));
    FormCell* left = form->addEntry("Left:");
    FormCell* right = form->addEntry("Right margin:");
    form->addEntry("Top:");
    form->sizeToCells();
    auto* after = add<TextField>(window, makeRect(10, 20, 100, 22), "after");
    form->setNextText(after);
    after->setNextText(form);
    ActionRecorder target({"entered:"});
    form->setTarget(&target);
    form->setAction("entered:");
    left->setFloatValue(1.5f);
    window.makeKeyAndOrderFront();
    EXPECT_EQ(form->cellAtIndex(1), right);

    form->selectTextAtIndex(0);
    EXPECT_EQ(window.firstResponder(), form);
    EXPECT_EQ(form->indexOfSelectedItem(), 0);
    EventScript(window)
        .at(0.1).keyDown(u"2")
        .after(0.1).keyDown(u"\t").after(0.1).keyDown(u"3")
        .after(0.1).keyDown(u"\r")
        .after(0.1).keyDown(u"\t").after(0.1).keyDown(u"\t")
        .schedule();
    app->run();
    EXPECT_EQ(left->stringValue(), "2");
    EXPECT_EQ(right->intValue(), 3);
    EXPECT_EQ(target.count("entered:"), 1);
    EXPECT_EQ(window.firstResponder(), after);
    // The titles share one width, so the entries line up.
    auto edits = form->widget()->findChildren<QLineEdit*>();
    ASSERT_EQ(edits.size(), 3);
    EXPECT_EQ(edits[0]->mapTo(form->widget(), QPoint(0, 0)).x(), edits[1]->mapTo(form->widget(), QPoint(0, 0)).x());
    EXPECT_GT(edits[0]->mapTo(form->widget(), QPoint(0, 0)).x(), 40);

    // Shift-Tab from the field goes back into the form's last entry.
    EventScript(window).at(0.1).keyDown(u"\x19", ShiftKeyMask).schedule();
    app->run();
    EXPECT_EQ(window.firstResponder(), form);
    EXPECT_EQ(form->indexOfSelectedItem(), 2);
}

// ---- Pop-up lists.

using PopUpButtonTest = AppKitTest;

TEST_F(PopUpButtonTest, ADragChoosesTheItemUnderTheMouseAndSendsItsAction)
{
    Window window(makeRect(0, 0, 200, 200));
    auto* popup = add<PopUpButton>(window, makeRect(50, 100, 100, 20));
    popup->addItemsWithTitles({"Points", "Inches", "Centimetres", "Picas"});
    ActionRecorder target({"unitsAction:", "special:"});
    popup->setTarget(&target);
    popup->setAction("unitsAction:");
    MenuItem* picas = popup->itemAtIndex(3);
    picas->setAction("special:");
    picas->setTarget(&target);
    picas->setKeyEquivalent("4");
    window.makeKeyAndOrderFront();
    auto* combo = qobject_cast<QComboBox*>(popup->widget());
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 4);
    EXPECT_EQ(popup->indexOfSelectedItem(), 0);

    // The list lies over the button, the selected item on it: item 2 is
    // two steps below.
    Rect item2 = popup->listItemRect(2);
    EXPECT_EQ(item2, makeRect(50, 60, 100, 20));
    EventScript(window)
        .at(0.1).mouseDown({100, 110}).after(0.1).mouseDragged({100, 90}).after(0.1).mouseDragged({midX(item2), midY(item2)})
        .after(0.1).mouseUp({midX(item2), midY(item2)})
        // let go off the list: nothing
        .after(0.5).mouseDown({100, 110}).after(0.1).mouseUp({190, 190})
        .schedule();
    app->run();
    EXPECT_EQ(popup->indexOfSelectedItem(), 2);
    EXPECT_EQ(popup->titleOfSelectedItem(), "Centimetres");
    EXPECT_EQ(popup->stringValue(), "Centimetres");
    EXPECT_EQ(popup->intValue(), 2);
    EXPECT_EQ(combo->currentIndex(), 2);
    ASSERT_EQ(target.calls.size(), 1u);
    EXPECT_EQ(target.calls[0].action, "unitsAction:");
    EXPECT_EQ(target.calls[0].sender, popup);

    // An item with an action of its own sends that; Command-4 chooses it.
    EventScript(window).at(0.1).keyDown(u"4", CommandKeyMask).schedule();
    app->run();
    EXPECT_EQ(target.count("special:"), 1);
    EXPECT_EQ(popup->titleOfSelectedItem(), "Picas");

    // A choice in Qt's own list (a real display's) is handled from the
    // queue, not inside Qt's signal.
    QMetaObject::invokeMethod(combo, "activated", Q_ARG(int, 1));
    EXPECT_EQ(popup->indexOfSelectedItem(), 3);
    app->run();
    EXPECT_EQ(popup->titleOfSelectedItem(), "Inches");
    EXPECT_EQ(target.count("unitsAction:"), 2);

    // setTitle selects the item of that title, adding it when missing.
    popup->setTitle("125%");
    EXPECT_EQ(popup->numberOfItems(), 5);
    EXPECT_EQ(popup->titleOfSelectedItem(), "125%");
    popup->setTitle("Inches");
    EXPECT_EQ(popup->numberOfItems(), 5);
    EXPECT_EQ(popup->indexOfSelectedItem(), 1);
    popup->removeItemAtIndex(0);
    EXPECT_EQ(popup->titleOfSelectedItem(), "Inches");
    popup->itemAtIndex(0)->setTitle("Zoll");
    popup->setIntValue(0);
    EXPECT_EQ(combo->itemText(0), "Zoll");
    popup->removeAllItems();
    EXPECT_EQ(popup->indexOfSelectedItem(), -1);
    EXPECT_EQ(popup->titleOfSelectedItem(), "");
}

// ---- Boxes and sliders.

using BoxTest = AppKitTest;

TEST_F(BoxTest, TheContentViewFillsTheBoxInsideItsTitleAndBorder)
{
    Window window(makeRect(0, 0, 300, 200));
    auto* box = add<Box>(window, makeRect(10, 10, 200, 100), "Page Range");
    window.makeKeyAndOrderFront();
    Rect content = box->contentView()->frame();
    EXPECT_EQ(content, makeRect(7, 7, 186, 74)); // border 2, margins 5, title 14
    auto* range = static_cast<TextField*>(box->contentView()->addSubview(std::make_unique<TextField>(makeRect(0, 0, 50, 22))));
    range->setTag(51);
    EXPECT_EQ(window.contentView()->viewWithTag(51), range);
    box->setTitle("Selected Pages Only");
    EXPECT_EQ(static_cast<QGroupBox*>(box->widget())->title(), "Selected Pages Only");
    box->setTitlePosition(BoxTitlePosition::NoTitle);
    EXPECT_EQ(box->contentView()->frame(), makeRect(7, 7, 186, 86));
    box->setFrameSize({100, 60});
    EXPECT_EQ(box->contentView()->frame(), makeRect(7, 7, 86, 46));
    box->contentView()->setFrameSize({30, 20});
    box->sizeToFit();
    EXPECT_EQ(box->frame().size, (Size{44, 34}));
    // The field inside lies where the box lies on the screen.
    window.display();
    QPoint fieldOnScreen = range->widget()->pos();
    EXPECT_EQ(fieldOnScreen.x(), 10 + 7);
}

using SliderTest = AppKitTest;

TEST_F(SliderTest, TheValueFollowsTheKnobBetweenTheLimits)
{
    Window window(makeRect(0, 0, 300, 100));
    auto* slider = add<Slider>(window, makeRect(10, 40, 216, 20));
    slider->setMinValue(0);
    slider->setMaxValue(100);
    ActionRecorder target({"setGray:"});
    slider->setTarget(&target);
    slider->setAction("setGray:");
    window.makeKeyAndOrderFront();

    // The bar runs from 8 to 208 inside the slider.
    EventScript(window)
        .at(0.1).mouseDown({10 + 8 + 50, 50}).after(0.1).mouseDragged({10 + 8 + 100, 50}).after(0.1).mouseUp({10 + 8 + 100, 50})
        .schedule();
    app->run();
    EXPECT_DOUBLE_EQ(slider->doubleValue(), 50.0);
    EXPECT_EQ(target.calls.size(), 1u); // not continuous: once, at the end
    EXPECT_EQ(static_cast<QSlider*>(slider->widget())->value(), 5000);

    slider->setContinuous(true);
    EventScript(window)
        .at(0.1).mouseDown({12, 50}).after(0.1).mouseDragged({10 + 8 + 150, 50}).after(0.1).mouseUp({290, 50})
        .schedule();
    app->run();
    EXPECT_DOUBLE_EQ(slider->doubleValue(), 100.0);
    EXPECT_EQ(target.calls.size(), 4u); // the press, the move and the mouse-up

    slider->setDoubleValue(250);
    EXPECT_DOUBLE_EQ(slider->doubleValue(), 100.0);
    slider->setMaxValue(40);
    EXPECT_DOUBLE_EQ(slider->doubleValue(), 40.0);
    slider->setFloatValue(std::numeric_limits<float>::quiet_NaN());
    EXPECT_DOUBLE_EQ(slider->doubleValue(), 0.0);
}

// ---- Modal panels.

using PanelTest = AppKitTest;

namespace {
// A dialog with OK (Return) and Cancel (Escape) that stop its modal loop.
struct Dialog : public Responder {
    explicit Dialog(Application& app) : panel(makeRect(100, 100, 240, 100))
    {
        setAction("ok:", [&app](Object*) -> Object* {
            app.stopModalWithCode(1);
            return nullptr;
        });
        setAction("cancel:", [&app](Object*) -> Object* {
            app.stopModalWithCode(0);
            return nullptr;
        });
        ok = static_cast<Button*>(panel.contentView()->addSubview(std::make_unique<Button>(makeRect(150, 10, 80, 24), "OK")));
        ok->setTarget(this);
        ok->setAction("ok:");
        ok->setKeyEquivalent("\r");
        cancel = static_cast<Button*>(
            panel.contentView()->addSubview(std::make_unique<Button>(makeRect(60, 10, 80, 24), "Cancel")));
        cancel->setTarget(this);
        cancel->setAction("cancel:");
        cancel->setKeyEquivalent("\x1b");
        field = static_cast<TextField*>(panel.contentView()->addSubview(std::make_unique<TextField>(makeRect(10, 60, 100, 22))));
    }
    std::string className() const override { return "Dialog"; }
    Panel panel;
    Button* ok;
    Button* cancel;
    TextField* field;
};
} // namespace

TEST_F(PanelTest, AModalPanelAnswersWithItsButtonsAndIgnoresOtherWindows)
{
    Window document(makeRect(0, 0, 200, 200));
    auto* docButton = add<Button>(document, makeRect(10, 10, 80, 24), "Doc");
    ActionRecorder docTarget({"doc:"});
    docButton->setTarget(&docTarget);
    docButton->setAction("doc:");
    document.makeKeyAndOrderFront();

    Dialog dialog(*app);
    Point okAt{190, 22};
    // A click in the document while the dialog runs beeps and does nothing.
    EventScript(document).at(0.1).mouseDown({50, 22}).after(0.05).mouseUp({50, 22}).schedule();
    EventScript(dialog.panel).at(0.3).mouseDown(okAt).after(0.05).mouseUp(okAt).schedule();
    EXPECT_EQ(dialog.panel.runModal(), 1);
    EXPECT_EQ(docTarget.calls.size(), 0u);
    EXPECT_EQ(alerts->beeps(), 1);
    EXPECT_EQ(app->modalWindow(), nullptr);

    // Typing into its field, then Return: the default button.
    dialog.field->selectText(nullptr);
    EventScript(dialog.panel).at(0.1).keyDown(u"7").after(0.1).keyDown(u"\r").schedule();
    EXPECT_EQ(dialog.panel.runModal(), 1);
    EXPECT_EQ(dialog.field->intValue(), 7);
    // Escape: the cancel button.
    EventScript(dialog.panel).at(0.1).keyDown(u"\x1b").schedule();
    EXPECT_EQ(dialog.panel.runModal(), 0);
}

TEST_F(PanelTest, ClosingThePanelEndsItsModalLoop)
{
    Dialog dialog(*app);
    auto closer = Timer::timerWithTimeInterval(0.5, [&](Timer&) { dialog.panel.close(); }, false);
    RunLoop::currentRunLoop().addTimer(closer, ModalPanelRunLoopMode);
    EXPECT_EQ(dialog.panel.runModal(), RunAbortedResponse);

    // A panel that answers and closes itself keeps its answer.
    Dialog second(*app);
    auto answerThenClose = Timer::timerWithTimeInterval(0.5, [&](Timer&) {
        app->stopModalWithCode(1);
        second.panel.close();
    }, false);
    RunLoop::currentRunLoop().addTimer(answerThenClose, ModalPanelRunLoopMode);
    EXPECT_EQ(second.panel.runModal(), 1);
}
