#include "appkit/Button.h"

#include "appkit/ControlWidgets.h"
#include "appkit/Window.h"

#include <QAbstractButton>

namespace kit {


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
    widgetType_ = buttonCell()->buttonType();
    setWidget(detail::makeButtonWidget(widgetType_));
}

Image* Button::image() const
{
    return buttonCell()->image();
}

void Button::setImage(const Image* image)
{
    buttonCell()->setImage(image);
}

Image* Button::alternateImage() const
{
    return buttonCell()->alternateImage();
}

void Button::setAlternateImage(const Image* image)
{
    buttonCell()->setAlternateImage(image);
}

ButtonType Button::buttonType() const
{
    return buttonCell()->buttonType();
}

void Button::setButtonType(ButtonType type)
{
    buttonCell()->setButtonType(type);
    if (!detail::sameButtonWidget(type, widgetType_))
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
    if (buttonCell()->sendsActionOnMouseDown()) {
        // The press acts, and the action takes the mouse from here (a
        // resize bar follows it).
        performClick(this);
        return;
    }
    bool clicked = trackMouseInRect(event, bounds(), [this](bool inside) { highlight(inside); });
    highlight(false);
    if (clicked)
        performClick(this);
}

void Button::updateWidget()
{
    if (auto* b = static_cast<QAbstractButton*>(widget()))
        detail::showButtonCell(b, *buttonCell());
}

} // namespace kit
