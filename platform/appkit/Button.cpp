#include "appkit/Button.h"

#include "appkit/Window.h"
#include "graphics/Font.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

namespace kit {

namespace {

QString qtTitle(const std::string& title)
{
    // Qt takes "&" for a mnemonic mark.
    QString t = QString::fromStdString(title);
    t.replace("&", "&&");
    return t;
}

bool isCheckBox(ButtonType t)
{
    return t == ButtonType::Switch;
}

bool isRadio(ButtonType t)
{
    return t == ButtonType::Radio;
}

} // namespace

Button::Button(const Rect& frame, const std::string& title, ButtonType type) : Control(frame)
{
    auto cell = std::make_unique<ButtonCell>(title);
    cell->setButtonType(type);
    setCell(std::move(cell));
    makeWidget();
}

ButtonCell* Button::buttonCell() const
{
    return static_cast<ButtonCell*>(cell());
}

void Button::makeWidget()
{
    ButtonType type = buttonCell()->buttonType();
    QAbstractButton* b;
    if (isCheckBox(type))
        b = new QCheckBox;
    else if (isRadio(type))
        b = new QRadioButton;
    else
        b = new QPushButton;
    // Radio buttons of one matrix exclude each other through the kit, not Qt.
    b->setAutoExclusive(false);
    widgetType_ = type;
    setWidget(b);
}

ButtonType Button::buttonType() const
{
    return buttonCell()->buttonType();
}

void Button::setButtonType(ButtonType type)
{
    buttonCell()->setButtonType(type);
    bool kindChanged = isCheckBox(type) != isCheckBox(widgetType_) || isRadio(type) != isRadio(widgetType_);
    if (kindChanged)
        makeWidget();
    updateWidget();
}

std::string Button::alternateTitle() const
{
    return buttonCell()->alternateTitle();
}

void Button::setAlternateTitle(const std::string& title)
{
    buttonCell()->setAlternateTitle(title);
}

int Button::state() const
{
    return buttonCell()->state();
}

void Button::setState(int state)
{
    buttonCell()->setState(state);
}

bool Button::allowsMixedState() const
{
    return buttonCell()->allowsMixedState();
}

void Button::setAllowsMixedState(bool flag)
{
    buttonCell()->setAllowsMixedState(flag);
    updateWidget();
}

std::string Button::keyEquivalent() const
{
    return buttonCell()->keyEquivalent();
}

void Button::setKeyEquivalent(const std::string& key)
{
    buttonCell()->setKeyEquivalent(key);
}

void Button::setKeyEquivalentModifierMask(unsigned mask)
{
    buttonCell()->setKeyEquivalentModifierMask(mask);
}

bool Button::isBordered() const
{
    return buttonCell()->isBordered();
}

void Button::setBordered(bool flag)
{
    buttonCell()->setBordered(flag);
}

void Button::highlight(bool flag)
{
    buttonCell()->setHighlighted(flag);
}

void Button::performClick(Object*)
{
    if (!isEnabled())
        return;
    buttonCell()->advanceState();
    sendAction();
}

bool Button::performKeyEquivalent(const Event& event)
{
    if (!buttonCell()->matchesKeyEquivalent(event))
        return false;
    performClick(this);
    return true;
}

void Button::mouseDown(const Event& event)
{
    if (!isEnabled())
        return;
    bool clicked = trackMouseInRect(event, bounds(), [this](bool inside) { highlight(inside); });
    highlight(false);
    if (clicked)
        performClick(this);
}

void Button::updateWidget()
{
    auto* b = static_cast<QAbstractButton*>(widget());
    if (!b)
        return;
    ButtonCell* c = buttonCell();
    b->setText(qtTitle(c->displayedTitle()));
    b->setEnabled(c->isEnabled());
    b->setDown(c->isHighlighted());
    if (auto* box = qobject_cast<QCheckBox*>(b)) {
        box->setTristate(c->allowsMixedState());
        box->setCheckState(c->state() == OnState      ? Qt::Checked
                           : c->state() == MixedState ? Qt::PartiallyChecked
                                                      : Qt::Unchecked);
    } else {
        b->setCheckable(c->togglesState());
        b->setChecked(c->state() != OffState);
    }
    if (auto* push = qobject_cast<QPushButton*>(b)) {
        push->setFlat(!c->isBordered());
        // Return's button shows it is the default one.
        push->setDefault(c->keyEquivalent() == "\r");
    }
    if (Font* f = c->font()) {
        QFont qf(QString::fromStdString(f->familyName()));
        qf.setPixelSize(std::max(1, static_cast<int>(f->pointSize() + 0.5f)));
        b->setFont(qf);
    }
}

} // namespace kit
