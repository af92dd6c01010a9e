#include "appkit/TextField.h"

#include "appkit/Application.h"
#include "appkit/ControlWidgets.h"
#include "appkit/WidgetHost.h"
#include "appkit/Window.h"

#include <QLineEdit>

namespace kit {

namespace {
QLineEdit* lineEdit(const Control& c)
{
    return static_cast<QLineEdit*>(c.widget());
}
} // namespace

TextField::TextField(const Rect& frame, const std::string& text) : Control(frame)
{
    setCell(std::make_unique<TextFieldCell>(text));
    QLineEdit* edit = detail::makeLineEdit(*cell());
    QObject::connect(edit, &QLineEdit::textEdited, [this](const QString&) {
        if (!updating_)
            editor_.textEdited();
    });
    setWidget(edit);
}

std::unique_ptr<TextField> TextField::makeLabel(const Rect& frame, const std::string& text)
{
    auto field = std::make_unique<TextField>(frame, text);
    field->setEditable(false);
    field->setSelectable(false);
    field->setBordered(false);
    field->setBezeled(false);
    field->setDrawsBackground(false);
    return field;
}

TextField::~TextField() = default;

TextFieldCell* TextField::textFieldCell() const
{
    return static_cast<TextFieldCell*>(cell());
}

#define KIT_FIELD_FLAG(get, set)                                                                               \
    bool TextField::get() const { return textFieldCell()->get(); }                                            \
    void TextField::set(bool flag) { textFieldCell()->set(flag); }

KIT_FIELD_FLAG(isBezeled, setBezeled)
KIT_FIELD_FLAG(isBordered, setBordered)
KIT_FIELD_FLAG(drawsBackground, setDrawsBackground)

#undef KIT_FIELD_FLAG

bool TextField::isEditable() const { return textFieldCell()->isEditable(); }
bool TextField::isSelectable() const { return textFieldCell()->isSelectable(); }

void TextField::setEditable(bool flag)
{
    textFieldCell()->setEditable(flag);
    if (!acceptsFirstResponder())
        dropKeyboard();
}

void TextField::setSelectable(bool flag)
{
    textFieldCell()->setSelectable(flag);
    if (!acceptsFirstResponder())
        dropKeyboard();
}

void TextField::setEnabled(bool flag)
{
    Control::setEnabled(flag);
    if (!acceptsFirstResponder())
        dropKeyboard();
}

void TextField::dropKeyboard()
{
    if (!editor_.isActive())
        return;
    editor_.abort();
    resignKeyboardIfRefused();
}

ColorRef TextField::textColor() const
{
    return textFieldCell()->textColor();
}

void TextField::setTextColor(ColorRef color)
{
    textFieldCell()->setTextColor(std::move(color));
}

ColorRef TextField::backgroundColor() const
{
    return textFieldCell()->backgroundColor();
}

void TextField::setBackgroundColor(ColorRef color)
{
    textFieldCell()->setBackgroundColor(std::move(color));
}

std::string TextField::placeholderString() const
{
    return textFieldCell()->placeholderString();
}

void TextField::setPlaceholderString(const std::string& text)
{
    textFieldCell()->setPlaceholderString(text);
}

// ---- Editing.

bool TextField::acceptsFirstResponder() const
{
    return isEnabled() && (isEditable() || isSelectable());
}

bool TextField::becomeFirstResponder()
{
    editor_.begin(*this, cell(), lineEdit(*this));
    return true;
}

bool TextField::resignFirstResponder()
{
    return editor_.end();
}

bool TextField::validateEditing()
{
    return editor_.validate();
}

void TextField::selectText(Object*)
{
    if (!acceptsFirstResponder())
        return;
    Window* w = window();
    if (w && w->firstResponder() != this)
        w->makeFirstResponder(this);
    if (editor_.lineEdit())
        editor_.selectAllText();
    else if (QLineEdit* e = lineEdit(*this))
        e->selectAll();
}

void TextField::mouseDown(const Event& event)
{
    if (!acceptsFirstResponder())
        return;
    Window* w = window();
    if (w && w->firstResponder() != this && !w->makeFirstResponder(this))
        return;
    // The line editor places the caret and selects as the mouse drags.
    host()->replayMouse(*this, nullptr, event);
    editor_.mousePlacedCaret();
    Application& app = Application::sharedApplication();
    for (;;) {
        std::optional<Event> e = app.nextEventMatchingMask(LeftMouseUpMask | LeftMouseDraggedMask,
                                                           Date::distantFuture(), EventTrackingRunLoopMode, true);
        if (!e)
            return;
        if (e->windowNumber() == event.windowNumber())
            host()->replayMouse(*this, nullptr, *e);
        if (e->type() == EventType::LeftMouseUp)
            return;
    }
}

void TextField::keyDown(const Event& event)
{
    const std::u16string& chars = event.characters();
    char16_t c = chars.empty() ? 0 : chars.front();
    Window* w = window();
    switch (c) {
    case TabCharacter:
    case BackTabCharacter: {
        if (!editor_.validate())
            return;
        bool back = c == BackTabCharacter || (event.modifierFlags() & ShiftKeyMask);
        View* other = back ? previousValidKeyView() : nextValidKeyView();
        if (w && other)
            w->makeFirstResponder(other);
        else
            selectText(this);
        return;
    }
    case CarriageReturnCharacter:
    case EnterCharacter:
    case NewlineCharacter:
        if (!editor_.validate())
            return;
        selectText(this);
        if (actionForCell(cell()).empty())
            Control::keyDown(event); // to the window's default button
        else
            sendAction();
        return;
    case EscapeCharacter: Control::keyDown(event); return;
    default: break;
    }
    if (event.modifierFlags() & CommandKeyMask) {
        Control::keyDown(event);
        return;
    }
    if (!editor_.isActive()) {
        Control::keyDown(event);
        return;
    }
    editor_.typeKey(event);
}

int TextField::selectionStart() const
{
    QLineEdit* e = lineEdit(*this);
    return e && e->hasSelectedText() ? e->selectionStart() : (e ? e->cursorPosition() : 0);
}

int TextField::selectionLength() const
{
    QLineEdit* e = lineEdit(*this);
    return e ? static_cast<int>(e->selectedText().size()) : 0;
}

void TextField::updateWidget()
{
    QLineEdit* e = lineEdit(*this);
    if (!e || updating_)
        return;
    updating_ = true;
    detail::showTextCell(e, *textFieldCell());
    updating_ = false;
}

} // namespace kit
