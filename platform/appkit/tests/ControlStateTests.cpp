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
#include "core/NumberFormatter.h"

#include <QLineEdit>
#include <QWidget>

#include <functional>

using namespace kit;

namespace {

Point centreOf(const View& v)
{
    Rect r = v.convertRectToView(v.bounds(), nullptr);
    return {midX(r), midY(r)};
}

template <class T, class... Args>
T* place(Window& w, Args&&... args)
{
    return static_cast<T*>(w.contentView()->addSubview(std::make_unique<T>(std::forward<Args>(args)...)));
}

using ControlStateTest = AppKitTest;

// Every kind of control: a disabled one takes neither clicks nor keys and
// keeps its value; enabled again, the same click acts.
TEST_F(ControlStateTest, ADisabledControlTakesNoClickNoKeyAndKeepsItsValue)
{
    struct Kind {
        const char* name;
        std::function<Control*(Window&)> make;
        // The click's point (base coordinates); its effect on the value.
        std::function<Point(Control*)> where;
        std::function<std::string(Control*)> value;
        bool sendsOnClick;
        bool takesKeyboard;
    };
    const Kind kinds[] = {
        {"button", [](Window& w) -> Control* { return place<Button>(w, makeRect(20, 20, 80, 24), "Go"); },
         [](Control* c) { return centreOf(*c); }, [](Control* c) { return c->stringValue(); }, true, false},
        {"switch",
         [](Window& w) -> Control* {
             return place<Button>(w, makeRect(20, 20, 80, 24), "Bold", ButtonType::Switch);
         },
         [](Control* c) { return centreOf(*c); }, [](Control* c) { return c->stringValue(); }, true, false},
        {"slider",
         [](Window& w) -> Control* {
             auto* s = place<Slider>(w, makeRect(10, 20, 216, 20));
             s->setMaxValue(100);
             return s;
         },
         [](Control* c) { return Point{c->frame().origin.x + 8 + 150, midY(c->frame())}; },
         [](Control* c) { return std::to_string(c->intValue()); }, true, false},
        {"matrix",
         [](Window& w) -> Control* {
             auto prototype = std::make_unique<ButtonCell>("choice");
             prototype->setButtonType(ButtonType::Radio);
             auto* m = place<CellMatrix>(w, makeRect(20, 20, 100, 40), MatrixMode::Radio, std::move(prototype), 2, 1);
             m->setCellSize({100, 19});
             m->cellAtRow(1, 0)->setTag(7);
             m->selectCellAtRow(0, 0);
             return m;
         },
         [](Control* c) {
             auto* m = static_cast<CellMatrix*>(c);
             Rect f = m->convertRectToView(m->cellFrameAtRow(1, 0), nullptr);
             return Point{midX(f), midY(f)};
         },
         [](Control* c) { return std::to_string(c->selectedTag()); }, true, false},
        {"text field", [](Window& w) -> Control* { return place<TextField>(w, makeRect(20, 20, 100, 22), "abc"); },
         [](Control* c) { return centreOf(*c); }, [](Control* c) { return c->stringValue(); }, false, true},
        {"form",
         [](Window& w) -> Control* {
             auto* f = place<Form>(w, makeRect(20, 20, 200, 24));
             f->addEntry("Width:")->setStringValue("abc");
             f->sizeToCells();
             return f;
         },
         [](Control* c) { return centreOf(*c); }, [](Control* c) { return c->stringValue(); }, false, true},
    };
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        Window window(makeRect(0, 0, 300, 120));
        auto* other = place<TextField>(window, makeRect(20, 80, 100, 22), "other");
        Control* control = kind.make(window);
        ActionRecorder target({"act:"});
        control->setTarget(&target);
        control->setAction("act:");
        window.makeKeyAndOrderFront();
        window.makeFirstResponder(other);
        const std::string before = kind.value(control);

        control->setEnabled(false);
        EXPECT_FALSE(control->isEnabled());
        EXPECT_FALSE(control->widget()->isEnabled());
        EXPECT_FALSE(control->acceptsFirstResponder());
        const Point at = kind.where(control);
        EventScript(window).at(0.1).mouseDown(at).after(0.1).mouseUp(at).after(0.1).keyDown(u"x").schedule();
        app->run();
        EXPECT_EQ(target.calls.size(), 0u);
        EXPECT_EQ(kind.value(control), before);
        EXPECT_EQ(window.firstResponder(), other);
        EXPECT_FALSE(window.makeFirstResponder(control));
        // Nor does a click asked for by the program.
        control->performClick(nullptr);
        EXPECT_EQ(target.calls.size(), 0u);

        control->setEnabled(true);
        EXPECT_TRUE(control->widget()->isEnabled());
        EventScript(window).at(0.1).mouseDown(at).after(0.1).mouseUp(at).after(0.1).keyDown(u"x").schedule();
        app->run();
        EXPECT_EQ(target.calls.size(), kind.sendsOnClick ? 1u : 0u);
        EXPECT_EQ(window.firstResponder() == control, kind.takesKeyboard);
        if (kind.takesKeyboard) {
            EXPECT_NE(kind.value(control), before);
        }
    }
}

// Editable, selectable only, or neither: what the keyboard and Tab do.
TEST_F(ControlStateTest, TabGoesOnlyToFieldsThatTakeTheKeyboardAndOnlyEditableOnesChange)
{
    Window window(makeRect(0, 0, 300, 200));
    auto* editable = place<TextField>(window, makeRect(10, 160, 100, 22), "edit");
    auto* disabled = place<TextField>(window, makeRect(10, 130, 100, 22), "off");
    disabled->setEnabled(false);
    auto* selectable = place<TextField>(window, makeRect(10, 100, 100, 22), "look");
    selectable->setEditable(false);
    selectable->setSelectable(true);
    auto* label = place<TextField>(window, makeRect(10, 70, 100, 22), "label");
    label->setEditable(false);
    label->setSelectable(false);
    editable->setNextText(disabled);
    disabled->setNextText(selectable);
    selectable->setNextText(label);
    label->setNextText(editable);
    EXPECT_TRUE(selectable->acceptsFirstResponder());
    EXPECT_FALSE(label->acceptsFirstResponder());
    EXPECT_FALSE(disabled->acceptsFirstResponder());
    window.makeKeyAndOrderFront();
    editable->selectText(nullptr);
    EXPECT_EQ(window.firstResponder(), editable);

    EventScript(window).at(0.1).keyDown(u"\t").after(0.1).keyDown(u"z").schedule();
    app->run();
    EXPECT_EQ(window.firstResponder(), selectable);
    EXPECT_EQ(selectable->stringValue(), "look");
    EXPECT_EQ(selectable->selectionLength(), 4);
    // On past the label, round to the first again.
    EventScript(window).at(0.1).keyDown(u"\t").schedule();
    app->run();
    EXPECT_EQ(window.firstResponder(), editable);
    // A click on the label or the disabled field leaves the keyboard where it is.
    for (View* v : {static_cast<View*>(label), static_cast<View*>(disabled)}) {
        EventScript(window).at(0.1).mouseDown(centreOf(*v)).after(0.1).mouseUp(centreOf(*v)).schedule();
        app->run();
        EXPECT_EQ(window.firstResponder(), editable);
    }
    // Made editable, the selectable field takes typing.
    selectable->setEditable(true);
    selectable->selectText(nullptr);
    EventScript(window).at(0.1).keyDown(u"z").after(0.1).keyDown(u"\r").schedule();
    app->run();
    EXPECT_EQ(selectable->stringValue(), "z");
}

// The field being typed into is disabled or made read-only: the typing so
// far is kept, the keyboard goes to the window, and no more keys reach it.
TEST_F(ControlStateTest, DisablingTheFieldBeingTypedIntoEndsItsEditing)
{
    for (bool disable : {true, false}) {
        SCOPED_TRACE(disable);
        Window window(makeRect(0, 0, 300, 100));
        auto* field = place<TextField>(window, makeRect(10, 60, 100, 22), "");
        window.makeKeyAndOrderFront();
        field->selectText(nullptr);
        EventScript(window).at(0.1).keyDown(u"4").after(0.1).keyDown(u"2").schedule();
        app->run();
        ASSERT_EQ(window.firstResponder(), field);
        if (disable) {
            field->setEnabled(false);
        } else {
            field->setEditable(false);
            field->setSelectable(false);
        }
        EXPECT_NE(window.firstResponder(), field);
        EXPECT_EQ(field->stringValue(), "42");
        EventScript(window).at(0.1).keyDown(u"7").schedule();
        app->run();
        EXPECT_EQ(field->stringValue(), "42");
    }
    // A form disabled while one of its entries is typed into.
    Window window(makeRect(0, 0, 300, 100));
    auto* form = place<Form>(window, makeRect(10, 60, 200, 24));
    FormCell* entry = form->addEntry("Name:");
    form->sizeToCells();
    window.makeKeyAndOrderFront();
    form->selectTextAtIndex(0);
    EventScript(window).at(0.1).keyDown(u"a").after(0.1).keyDown(u"b").schedule();
    app->run();
    ASSERT_EQ(window.firstResponder(), form);
    form->setEnabled(false);
    EXPECT_NE(window.firstResponder(), form);
    EXPECT_EQ(form->editingCell(), nullptr);
    EXPECT_EQ(entry->stringValue(), "ab");
    EXPECT_FALSE(entry->isEnabled());
}

// A form's entries and a matrix's text cells refuse what their formatters
// cannot read, as a field does: Return keeps the entry, and no action goes.
TEST_F(ControlStateTest, AFormEntryKeepsTheKeyboardUntilItsFormatterReadsTheText)
{
    Window window(makeRect(0, 0, 300, 120));
    auto* form = place<Form>(window, makeRect(10, 60, 200, 24));
    FormCell* zoom = form->addEntry("Zoom:");
    auto limits = std::make_shared<NumberFormatter>();
    limits->setAllowsFloats(false);
    limits->setMinimum(10.0);
    limits->setMaximum(1600.0);
    zoom->setFormatter(limits);
    zoom->setIntValue(100);
    form->sizeToCells();
    ActionRecorder target({"zoom:"});
    form->setTarget(&target);
    form->setAction("zoom:");
    window.makeKeyAndOrderFront();
    form->selectTextAtIndex(0);
    EventScript(window)
        .at(0.1).keyDown(u"1").after(0.1).keyDown(u"7").after(0.1).keyDown(u".").after(0.1).keyDown(u"0")
        .after(0.1).keyDown(u"0").after(0.1).keyDown(u"\r")
        .schedule();
    app->run();
    EXPECT_EQ(zoom->stringValue(), "1700"); // the point was refused as typed
    EXPECT_EQ(target.calls.size(), 0u);
    EXPECT_EQ(window.firstResponder(), form);
    EXPECT_GE(alerts->beeps(), 1);
    EventScript(window)
        .at(0.1).keyDown(u"\x7f").after(0.1).keyDown(u"\x7f").after(0.1).keyDown(u"\x7f").after(0.1).keyDown(u"\x7f")
        .after(0.1).keyDown(u"2").after(0.1).keyDown(u"5").after(0.1).keyDown(u"\r")
        .schedule();
    app->run();
    EXPECT_EQ(target.calls.size(), 1u);
    EXPECT_EQ(zoom->intValue(), 25);
}

// A dialog selects the text of its first entry before it comes on screen:
// the entry has the keyboard and the text is still selected once it shows,
// so what is typed replaces it.
TEST_F(ControlStateTest, TextSelectedBeforeTheWindowShowsIsReplacedByTyping)
{
    for (bool isForm : {true, false}) {
        SCOPED_TRACE(isForm);
        Panel panel(makeRect(100, 100, 240, 80));
        Control* control = nullptr;
        if (isForm) {
            auto* form = place<Form>(panel, makeRect(10, 40, 200, 24));
            form->addEntry("Zoom:")->setIntValue(100);
            form->sizeToCells();
            form->selectTextAtIndex(0);
            control = form;
        } else {
            auto* field = place<TextField>(panel, makeRect(10, 40, 100, 22), "100");
            field->selectText(nullptr);
            control = field;
        }
        EXPECT_EQ(panel.firstResponder(), control);
        QList<QLineEdit*> edits = control->widget()->findChildren<QLineEdit*>();
        if (auto* self = qobject_cast<QLineEdit*>(control->widget()))
            edits.prepend(self);
        ASSERT_FALSE(edits.empty());
        EXPECT_TRUE(edits[0]->hasSelectedText());
        panel.makeKeyAndOrderFront();
        // Time passes on screen before the first key.
        EventScript(panel).at(0.1).mouseMoved({1, 1}).schedule();
        app->run();
        EventScript(panel).at(0.1).keyDown(u"5").after(0.1).keyDown(u"0").schedule();
        app->run();
        EXPECT_EQ(control->stringValue(), "50");
    }
}

// The button of a pop-up list, a disabled item and the tags of its items.
TEST_F(ControlStateTest, APopUpListSkipsDisabledItemsAndAnswersTheChosenTag)
{
    Window window(makeRect(0, 0, 300, 200));
    auto* popup = place<PopUpButton>(window, makeRect(20, 150, 100, 20));
    popup->addItemsWithTitles({"50%", "100%", "200%"});
    popup->itemAtIndex(0)->setTag(50);
    popup->itemAtIndex(1)->setTag(100);
    popup->itemAtIndex(2)->setTag(200);
    popup->itemAtIndex(2)->setEnabled(false);
    popup->selectItemAtIndex(1);
    ActionRecorder target({"zoomAction:"});
    popup->setTarget(&target);
    popup->setAction("zoomAction:");
    window.makeKeyAndOrderFront();
    EXPECT_EQ(popup->selectedTag(), 100);
    popup->chooseItemAtIndex(2);
    EXPECT_EQ(popup->indexOfSelectedItem(), 1);
    EXPECT_EQ(target.calls.size(), 0u);
    popup->chooseItemAtIndex(0);
    EXPECT_EQ(popup->selectedTag(), 50);
    EXPECT_EQ(popup->titleOfSelectedItem(), "50%");
    ASSERT_EQ(target.calls.size(), 1u);
    EXPECT_EQ(target.calls[0].sender, popup);
}

} // namespace
