#include "AppKitTesting.h"

#include "appkit/Button.h"
#include "appkit/EventScript.h"
#include "appkit/TextField.h"
#include "appkit/Window.h"
#include "appkit/WindowScreen.h"
#include "core/EventState.h"
#include "core/NumberFormatter.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

using namespace kit;

namespace {

Point centre(const View& v)
{
    Rect r = v.convertRectToView(v.bounds(), nullptr);
    return {midX(r), midY(r)};
}

struct EditRecorder : public Responder, public ControlTextDelegate {
    std::string className() const override { return "EditRecorder"; }
    void controlTextDidBeginEditing(Control*) override { events.push_back("begin"); }
    void controlTextDidChange(Control* c) override { events.push_back("change:" + c->stringValue()); }
    void controlTextDidEndEditing(Control*) override { events.push_back("end"); }
    bool controlDidFailToFormatString(Control*, const std::string& s, const std::string&) override
    {
        events.push_back("fail:" + s);
        return acceptBadText;
    }
    std::vector<std::string> events;
    bool acceptBadText = false;
};

} // namespace

// ---- Buttons.

using ButtonTest = AppKitTest;

TEST_F(ButtonTest, AClickSendsTheActionOnlyWhenTheMouseGoesUpInside)
{
    Window window(makeRect(0, 0, 200, 100));
    auto* button = static_cast<Button*>(
        window.contentView()->addSubview(std::make_unique<Button>(makeRect(20, 20, 80, 24), "Apply")));
    ActionRecorder target({"apply:"});
    button->setTarget(&target);
    button->setAction("apply:");
    window.makeKeyAndOrderFront();

    Point in = centre(*button);
    Point out{150, 80};
    EventScript(window).at(0.1).mouseDown(in).after(0.1).mouseUp(in)
        // pressed, dragged out and let go outside: nothing
        .after(0.5).mouseDown(in).after(0.1).mouseDragged(out).after(0.1).mouseUp(out)
        // out and back in again: it counts
        .after(0.5).mouseDown(in).after(0.1).mouseDragged(out).after(0.1).mouseDragged(in).after(0.1).mouseUp(in)
        .schedule();
    app->run();
    ASSERT_EQ(target.calls.size(), 2u);
    EXPECT_EQ(target.calls[0].sender, button);
    EXPECT_FALSE(button->buttonCell()->isHighlighted());

    // A disabled button takes no clicks; its widget shows it disabled.
    button->setEnabled(false);
    EXPECT_FALSE(button->widget()->isEnabled());
    EventScript(window).at(0.1).mouseDown(in).after(0.1).mouseUp(in).schedule();
    app->run();
    EXPECT_EQ(target.calls.size(), 2u);
}

TEST_F(ButtonTest, ASwitchTogglesItsStateAndItsWidgetFollows)
{
    Window window(makeRect(0, 0, 200, 100));
    auto* box = static_cast<Button*>(window.contentView()->addSubview(
        std::make_unique<Button>(makeRect(10, 10, 120, 20), "Ligatures", ButtonType::Switch)));
    ActionRecorder target({"toggle:"});
    box->setTarget(&target);
    box->setAction("toggle:");
    window.makeKeyAndOrderFront();
    auto* check = qobject_cast<QCheckBox*>(box->widget());
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check->text(), "Ligatures");

    EventScript(window).at(0.1).mouseDown(centre(*box)).after(0.1).mouseUp(centre(*box)).schedule();
    app->run();
    EXPECT_EQ(box->intValue(), 1);
    EXPECT_TRUE(check->isChecked());
    EXPECT_EQ(target.count("toggle:"), 1);

    box->setIntValue(0);
    EXPECT_FALSE(check->isChecked());
    // A push button becoming a switch gets a check box, and back.
    auto* push = static_cast<Button*>(
        window.contentView()->addSubview(std::make_unique<Button>(makeRect(10, 40, 80, 20), "Go")));
    EXPECT_NE(qobject_cast<QPushButton*>(push->widget()), nullptr);
    push->setButtonType(ButtonType::Radio);
    EXPECT_EQ(qobject_cast<QPushButton*>(push->widget()), nullptr);
    EXPECT_NE(push->widget(), nullptr);
    EXPECT_EQ(push->widget()->parentWidget(), window.screen()->widget());
}

TEST_F(ButtonTest, KeyEquivalentsClickTheButton)
{
    Window window(makeRect(0, 0, 200, 100));
    auto* ok = static_cast<Button*>(
        window.contentView()->addSubview(std::make_unique<Button>(makeRect(100, 10, 80, 24), "OK")));
    auto* other = static_cast<Button*>(
        window.contentView()->addSubview(std::make_unique<Button>(makeRect(10, 10, 80, 24), "Other")));
    ActionRecorder target({"ok:", "other:"});
    ok->setTarget(&target);
    ok->setAction("ok:");
    ok->setKeyEquivalent("\r");
    other->setTarget(&target);
    other->setAction("other:");
    other->setKeyEquivalent("o");
    window.makeKeyAndOrderFront();
    EXPECT_TRUE(static_cast<QPushButton*>(ok->widget())->isDefault());

    EventScript(window)
        .at(0.1).keyDown(u"\r")                 // Return: the default button
        .after(0.1).keyDown(u"o")               // a plain letter is no key equivalent: beep
        .after(0.1).keyDown(u"o", CommandKeyMask) // Command-o is
        .schedule();
    app->run();
    EXPECT_EQ(target.count("ok:"), 1);
    EXPECT_EQ(target.count("other:"), 1);
    EXPECT_EQ(alerts->beeps(), 1);
}

// ---- Text fields.

using TextFieldTest = AppKitTest;

TEST_F(TextFieldTest, TypingEditsTheFieldAndReturnSendsTheAction)
{
    Window window(makeRect(0, 0, 300, 100));
    auto* field = static_cast<TextField*>(
        window.contentView()->addSubview(std::make_unique<TextField>(makeRect(10, 60, 120, 22), "ab")));
    ActionRecorder target({"fieldChanged:"});
    field->setTarget(&target);
    field->setAction("fieldChanged:");
    EditRecorder delegate;
    field->setDelegate(&delegate);
    window.makeKeyAndOrderFront();

    // Click at the far right of the text: the caret goes to its end.
    Rect r = field->frame();
    EventScript(window)
        .at(0.1).mouseDown({maxX(r) - 3, midY(r)}).after(0.05).mouseUp({maxX(r) - 3, midY(r)})
        .after(0.1).keyDown(u"c")
        .after(0.1).keyDown(u"\x7f") // Delete: back one
        .after(0.1).keyDown(u"d")
        .after(0.1).keyDown(u"\r")
        .schedule();
    app->run();
    EXPECT_EQ(window.firstResponder(), field);
    EXPECT_EQ(field->stringValue(), "abd");
    EXPECT_EQ(static_cast<QLineEdit*>(field->widget())->text(), "abd");
    EXPECT_EQ(target.count("fieldChanged:"), 1);
    std::vector<std::string> expected{"begin", "change:abc", "change:ab", "change:abd", "end"};
    EXPECT_EQ(delegate.events, expected);
    // Return leaves the text selected for the next entry.
    EXPECT_EQ(field->selectionLength(), 3);

    // A field that cannot be edited takes no typing but still the focus.
    field->setEditable(false);
    EventScript(window).at(0.1).keyDown(u"x").schedule();
    app->run();
    EXPECT_EQ(field->stringValue(), "abd");
    EXPECT_EQ(alerts->beeps(), 1);
}

TEST_F(TextFieldTest, TabFollowsTheNextTextAndTextIsSelected)
{
    Window window(makeRect(0, 0, 300, 120));
    View* content = window.contentView();
    auto* a = static_cast<TextField*>(content->addSubview(std::make_unique<TextField>(makeRect(10, 80, 100, 22), "one")));
    auto* b = static_cast<TextField*>(content->addSubview(std::make_unique<TextField>(makeRect(10, 50, 100, 22), "two")));
    auto* label = static_cast<TextField*>(content->addSubview(std::make_unique<TextField>(makeRect(10, 20, 100, 22), "label")));
    label->setEditable(false);
    label->setSelectable(false);
    auto* c = static_cast<TextField*>(content->addSubview(std::make_unique<TextField>(makeRect(150, 20, 100, 22), "three")));
    a->setNextText(b);
    b->setNextText(label); // a label is skipped
    label->setNextText(c);
    c->setNextText(a);
    window.makeKeyAndOrderFront();
    a->selectText(nullptr);
    EXPECT_EQ(window.firstResponder(), a);
    EXPECT_EQ(a->selectionLength(), 3);

    EventScript(window).at(0.1).keyDown(u"\t").after(0.1).keyDown(u"\t").after(0.1).keyDown(u"\t").schedule();
    app->run();
    EXPECT_EQ(window.firstResponder(), a);
    EXPECT_EQ(a->widget()->hasFocus() || !window.screen(), true);

    EventScript(window).at(0.1).keyDown(u"\x19", ShiftKeyMask).schedule(); // Shift-Tab
    app->run();
    EXPECT_EQ(window.firstResponder(), c);
    EXPECT_EQ(c->selectionLength(), 5);
    EXPECT_EQ(c->previousText(), label);
}

TEST_F(TextFieldTest, AFormatterKeepsTheFieldFromTakingWhatItCannotRead)
{
    Window window(makeRect(0, 0, 300, 100));
    auto* size = static_cast<TextField*>(
        window.contentView()->addSubview(std::make_unique<TextField>(makeRect(10, 60, 80, 22))));
    auto* next = static_cast<TextField*>(
        window.contentView()->addSubview(std::make_unique<TextField>(makeRect(10, 20, 80, 22))));
    auto points = std::make_shared<NumberFormatter>();
    points->setMinimum(1.0);
    points->setMaximum(999.0);
    points->setMaximumFractionDigits(1);
    size->setFormatter(points);
    size->setFloatValue(12.0f);
    size->setNextText(next);
    EditRecorder delegate;
    size->setDelegate(&delegate);
    window.makeKeyAndOrderFront();
    size->selectText(nullptr);

    // Letters are refused as they are typed; 1500 is typed but too large:
    // Tab beeps and the field keeps the keyboard.
    EventScript(window)
        .at(0.1).keyDown(u"x")
        .after(0.1).keyDown(u"1").after(0.1).keyDown(u"5").after(0.1).keyDown(u"0").after(0.1).keyDown(u"0")
        .after(0.1).keyDown(u"\t")
        .schedule();
    app->run();
    EXPECT_EQ(size->stringValue(), "1500");
    EXPECT_EQ(window.firstResponder(), size);
    EXPECT_EQ(alerts->beeps(), 1);
    EXPECT_FALSE(window.makeFirstResponder(next));
    EXPECT_EQ(delegate.events.back(), "fail:1500");

    // Fixed to 14.25: accepted and shown as the formatter writes it.
    EventScript(window)
        .at(0.1).keyDown(u"\x7f").after(0.1).keyDown(u"\x7f").after(0.1).keyDown(u"\x7f").after(0.1).keyDown(u"\x7f")
        .after(0.1).keyDown(u"1").after(0.1).keyDown(u"4").after(0.1).keyDown(u".").after(0.1).keyDown(u"2")
        .after(0.1).keyDown(u"5").after(0.1).keyDown(u"\t")
        .schedule();
    app->run();
    EXPECT_EQ(window.firstResponder(), next);
    EXPECT_EQ(size->stringValue(), "14.2");
    EXPECT_FLOAT_EQ(size->floatValue(), 14.2f);

    // A delegate may take a refused text as it is.
    delegate.acceptBadText = true;
    size->selectText(nullptr);
    EventScript(window).at(0.1).keyDown(u"0").after(0.1).keyDown(u"\t").schedule();
    app->run();
    EXPECT_EQ(window.firstResponder(), next);
    EXPECT_EQ(size->stringValue(), "0");
    EXPECT_FALSE(size->cell()->hasValidObjectValue());
}

// The delegate may refuse a text the formatter took: the field goes on
// editing with the text selected, and editing ends once it agrees.
TEST_F(TextFieldTest, TheDelegateMayKeepTheFieldEditing)
{
    struct Refuser : EditRecorder {
        bool controlTextShouldEndEditing(Control* c) override
        {
            events.push_back("should:" + c->stringValue());
            return c->stringValue() != "bad";
        }
    };
    Window window(makeRect(0, 0, 300, 100));
    auto* field = static_cast<TextField*>(
        window.contentView()->addSubview(std::make_unique<TextField>(makeRect(10, 60, 120, 22))));
    auto* next = static_cast<TextField*>(
        window.contentView()->addSubview(std::make_unique<TextField>(makeRect(10, 20, 120, 22))));
    field->setNextText(next);
    Refuser delegate;
    field->setDelegate(&delegate);
    window.makeKeyAndOrderFront();
    field->selectText(nullptr);

    EventScript(window)
        .at(0.1).keyDown(u"b").after(0.1).keyDown(u"a").after(0.1).keyDown(u"d")
        .after(0.1).keyDown(u"\t")
        .schedule();
    app->run();
    EXPECT_EQ(window.firstResponder(), field);
    EXPECT_EQ(field->selectionLength(), 3);
    EXPECT_FALSE(window.makeFirstResponder(next));
    EXPECT_EQ(std::count(delegate.events.begin(), delegate.events.end(), "end"), 0);

    EventScript(window).at(0.1).keyDown(u"g").after(0.1).keyDown(u"\t").schedule();
    app->run();
    EXPECT_EQ(window.firstResponder(), next);
    EXPECT_EQ(field->stringValue(), "g");
    ASSERT_GE(delegate.events.size(), 2u);
    EXPECT_EQ(delegate.events[delegate.events.size() - 2], "should:g");
    EXPECT_EQ(delegate.events.back(), "end");
}
