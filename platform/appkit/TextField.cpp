#include "appkit/TextField.h"

#include "appkit/Application.h"
#include "appkit/WidgetHost.h"
#include "appkit/Window.h"
#include "core/Formatter.h"
#include "graphics/Font.h"

#include <QLineEdit>
#include <QPalette>
#include <QValidator>

namespace kit {

namespace {

// The formatter's partial check, as Qt's line editor asks it.
class FormatterValidator : public QValidator {
public:
    FormatterValidator(TextField& field, QObject* parent) : QValidator(parent), field_(field) {}

    State validate(QString& input, int&) const override
    {
        Formatter* f = field_.formatter();
        if (!f)
            return Acceptable;
        return f->isPartialStringValid(input.toStdString(), nullptr) ? Intermediate : Invalid;
    }

private:
    TextField& field_;
};

QLineEdit* lineEdit(const Control& c)
{
    return static_cast<QLineEdit*>(c.widget());
}

QColor qtColor(const ColorRef& color, QColor fallback)
{
    if (!color)
        return fallback;
    float r, g, b;
    color->getRed(r, g, b);
    return QColor::fromRgbF(r, g, b, color->alphaComponent());
}

Qt::Alignment qtAlignment(TextAlignment a)
{
    switch (a) {
    case TextAlignment::Right: return Qt::AlignRight | Qt::AlignVCenter;
    case TextAlignment::Center: return Qt::AlignHCenter | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

} // namespace

TextField::TextField(const Rect& frame, const std::string& text) : Control(frame)
{
    setCell(std::make_unique<TextFieldCell>(text));
    auto* edit = new QLineEdit;
    edit->setValidator(new FormatterValidator(*this, edit));
    QObject::connect(edit, &QLineEdit::textEdited, [this](const QString&) { textEdited(); });
    setWidget(edit);
}

TextField::~TextField()
{
    // The validator asks this field; it must not outlive it.
    if (QLineEdit* e = lineEdit(*this))
        e->setValidator(nullptr);
}

TextFieldCell* TextField::textFieldCell() const
{
    return static_cast<TextFieldCell*>(cell());
}

#define KIT_FIELD_FLAG(get, set)                                                                               \
    bool TextField::get() const { return textFieldCell()->get(); }                                            \
    void TextField::set(bool flag) { textFieldCell()->set(flag); }

KIT_FIELD_FLAG(isEditable, setEditable)
KIT_FIELD_FLAG(isSelectable, setSelectable)
KIT_FIELD_FLAG(isBezeled, setBezeled)
KIT_FIELD_FLAG(isBordered, setBordered)
KIT_FIELD_FLAG(drawsBackground, setDrawsBackground)

#undef KIT_FIELD_FLAG

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

ControlTextDelegate* TextField::delegate() const
{
    if (!delegateObject_.isNull())
        return dynamic_cast<ControlTextDelegate*>(delegateObject_.get());
    return delegate_;
}

void TextField::setDelegate(ControlTextDelegate* delegate)
{
    if (auto* r = dynamic_cast<Receiver*>(delegate)) {
        delegateObject_ = WeakRef<Receiver>(r);
        delegate_ = nullptr;
    } else {
        delegateObject_ = WeakRef<Receiver>();
        delegate_ = delegate;
    }
}

// ---- Editing.

bool TextField::acceptsFirstResponder() const
{
    return isEnabled() && (isEditable() || isSelectable());
}

bool TextField::becomeFirstResponder()
{
    firstResponder_ = true;
    editing_ = false;
    if (QLineEdit* e = lineEdit(*this)) {
        e->setFocus(Qt::OtherFocusReason);
        e->selectAll();
    }
    return true;
}

bool TextField::resignFirstResponder()
{
    if (!endEditing(false))
        return false;
    firstResponder_ = false;
    if (QLineEdit* e = lineEdit(*this)) {
        e->deselect();
        e->clearFocus();
    }
    return true;
}

bool TextField::validateEditing()
{
    return endEditing(true);
}

bool TextField::endEditing(bool keepFirstResponder)
{
    (void)keepFirstResponder;
    // A text nobody changed is left as it was set.
    if (!editing_)
        return true;
    Cell* c = cell();
    if (Formatter* f = c->formatter()) {
        std::unique_ptr<Object> value;
        std::string error;
        std::string text = c->stringValue();
        if (!f->getObjectValue(&value, text, &error)) {
            ControlTextDelegate* d = delegate();
            if (!d || !d->controlDidFailToFormatString(this, text, error)) {
                Application::sharedApplication().beep();
                if (QLineEdit* e = lineEdit(*this))
                    e->selectAll();
                return false;
            }
        } else {
            // The text as the formatter writes it ("2.5" becomes "2.50"), and
            // the value what that text says, so what is seen is what is kept.
            c->setObjectValue(std::move(value));
            c->setStringValue(c->stringValue());
        }
    }
    editing_ = false;
    if (ControlTextDelegate* d = delegate())
        d->controlTextDidEndEditing(this);
    return true;
}

void TextField::textEdited()
{
    if (updating_)
        return;
    QLineEdit* e = lineEdit(*this);
    if (!e)
        return;
    bool first = !editing_;
    editing_ = true;
    updating_ = true;
    cell()->setStringValue(e->text().toStdString());
    updating_ = false;
    if (ControlTextDelegate* d = delegate()) {
        if (first)
            d->controlTextDidBeginEditing(this);
        d->controlTextDidChange(this);
    }
}

void TextField::selectText(Object*)
{
    if (!acceptsFirstResponder())
        return;
    Window* w = window();
    if (w && w->firstResponder() != this)
        w->makeFirstResponder(this);
    if (QLineEdit* e = lineEdit(*this))
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
        if (!endEditing(true))
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
        if (!endEditing(true))
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
    bool moves = c >= 0xF700 && c <= 0xF8FF && c != DeleteFunctionKey;
    if (!isEnabled() || (!isEditable() && !moves)) {
        Application::sharedApplication().beep();
        return;
    }
    detail::WidgetHost::replayKey(widget(), event);
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
    TextFieldCell* c = textFieldCell();
    QString text = QString::fromStdString(c->stringValue());
    if (e->text() != text) {
        updating_ = true;
        e->setText(text);
        updating_ = false;
    }
    e->setEnabled(c->isEnabled());
    e->setReadOnly(!c->isEditable());
    e->setFrame(c->isBezeled() || c->isBordered());
    e->setAlignment(qtAlignment(c->alignment()));
    e->setPlaceholderText(QString::fromStdString(c->placeholderString()));
    QPalette p = e->palette();
    p.setColor(QPalette::Text, qtColor(c->textColor(), Qt::black));
    p.setColor(QPalette::Base, c->drawsBackground() ? qtColor(c->backgroundColor(), Qt::white) : QColor(Qt::transparent));
    e->setPalette(p);
    if (Font* f = c->font()) {
        QFont qf(QString::fromStdString(f->familyName()));
        qf.setPixelSize(std::max(1, static_cast<int>(f->pointSize() + 0.5f)));
        e->setFont(qf);
    }
}

} // namespace kit
