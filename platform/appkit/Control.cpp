#include "appkit/Control.h"

#include "appkit/Application.h"
#include "appkit/WidgetHost.h"
#include "appkit/Window.h"

#include <QWidget>

namespace kit {

Control::Control(const Rect& frame) : View(frame)
{
    // Qt widgets need the screen connection.
    Application::sharedApplication();
}

Control::~Control()
{
    if (cell_)
        cell_->setControlView(nullptr);
}

void Control::setCell(std::unique_ptr<Cell> cell)
{
    if (cell_)
        cell_->setControlView(nullptr);
    cell_ = std::move(cell);
    if (cell_)
        cell_->setControlView(this);
    updateWidget();
}

int Control::selectedTag() const
{
    Cell* c = selectedCell();
    return c ? c->tag() : -1;
}

void Control::updateCell(Cell*)
{
    updateWidget();
}

// ---- Values.

#define KIT_CONTROL_VALUE(Type, get, set, none)                                                                 \
    Type Control::get() const                                                                                  \
    {                                                                                                          \
        Cell* c = selectedCell();                                                                              \
        return c ? c->get() : none;                                                                            \
    }                                                                                                          \
    void Control::set(Type value)                                                                              \
    {                                                                                                          \
        if (Cell* c = selectedCell())                                                                          \
            c->set(value);                                                                                     \
    }

KIT_CONTROL_VALUE(int, intValue, setIntValue, 0)
KIT_CONTROL_VALUE(float, floatValue, setFloatValue, 0.0f)
KIT_CONTROL_VALUE(double, doubleValue, setDoubleValue, 0.0)

#undef KIT_CONTROL_VALUE

std::string Control::stringValue() const
{
    Cell* c = selectedCell();
    return c ? c->stringValue() : std::string();
}

void Control::setStringValue(const std::string& text)
{
    if (Cell* c = selectedCell())
        c->setStringValue(text);
}

void Control::takeStringValueFrom(Object* sender)
{
    if (Cell* c = selectedCell())
        c->takeStringValueFrom(sender);
}

void Control::takeIntValueFrom(Object* sender)
{
    if (Cell* c = selectedCell())
        c->takeIntValueFrom(sender);
}

void Control::takeFloatValueFrom(Object* sender)
{
    if (Cell* c = selectedCell())
        c->takeFloatValueFrom(sender);
}

std::string Control::title() const
{
    Cell* c = selectedCell();
    return c ? c->title() : std::string();
}

void Control::setTitle(const std::string& title)
{
    if (Cell* c = selectedCell())
        c->setTitle(title);
}

// ---- Settings.

bool Control::isEnabled() const
{
    Cell* c = cell_ ? cell_.get() : selectedCell();
    return c ? c->isEnabled() : true;
}

void Control::setEnabled(bool flag)
{
    if (cell_)
        cell_->setEnabled(flag);
    updateWidget();
}

void Control::resignKeyboardIfRefused()
{
    Window* w = window();
    if (w && w->firstResponder() == this && !acceptsFirstResponder())
        w->makeFirstResponder(w);
}

TextAlignment Control::alignment() const
{
    return cell_ ? cell_->alignment() : TextAlignment::Left;
}

void Control::setAlignment(TextAlignment alignment)
{
    if (cell_)
        cell_->setAlignment(alignment);
}

Font* Control::font() const
{
    return cell_ ? cell_->font() : nullptr;
}

void Control::setFont(Font* font)
{
    if (cell_)
        cell_->setFont(font);
}

Formatter* Control::formatter() const
{
    return cell_ ? cell_->formatter() : nullptr;
}

void Control::setFormatter(std::shared_ptr<Formatter> formatter)
{
    if (cell_)
        cell_->setFormatter(std::move(formatter));
}

bool Control::isContinuous() const
{
    return cell_ && cell_->isContinuous();
}

void Control::setContinuous(bool flag)
{
    if (cell_)
        cell_->setContinuous(flag);
}

void Control::setTag(int tag)
{
    View::setTag(tag);
    if (cell_)
        cell_->setTag(tag);
}

// ---- Target and action.

std::string Control::actionForCell(const Cell* cell) const
{
    if (cell && !cell->action().empty())
        return cell->action();
    return action_;
}

Receiver* Control::targetForCell(const Cell* cell) const
{
    if (cell && !cell->action().empty())
        return cell->target();
    return target_.get();
}

bool Control::sendAction(const std::string& action, Receiver* to)
{
    if (action.empty())
        return false;
    return Application::sharedApplication().sendAction(action, to, this);
}

bool Control::sendAction()
{
    Cell* c = selectedCell();
    return sendAction(actionForCell(c), targetForCell(c));
}

bool Control::sendActionForCell(Cell* cell)
{
    return sendAction(actionForCell(cell), targetForCell(cell));
}

void Control::performClick(Object*)
{
    if (isEnabled())
        sendAction();
}

ControlTextDelegate* Control::delegate() const
{
    if (!delegateObject_.isNull())
        return dynamic_cast<ControlTextDelegate*>(delegateObject_.get());
    return delegate_;
}

void Control::setDelegate(ControlTextDelegate* delegate)
{
    if (auto* r = dynamic_cast<Receiver*>(delegate)) {
        delegateObject_ = WeakRef<Receiver>(r);
        delegate_ = nullptr;
    } else {
        delegateObject_ = WeakRef<Receiver>();
        delegate_ = delegate;
    }
}

void Control::setPreviousText(View* view)
{
    if (view)
        view->setNextKeyView(this);
}

void Control::selectText(Object*) {}

// ---- Mouse tracking.

bool Control::trackMouseInRect(const Event& mouseDown, const Rect& rect,
                               const std::function<void(bool inside)>& changed)
{
    Application& app = Application::sharedApplication();
    auto insideAt = [&](Point base) { return mouseInRect(convertPointFromView(base, nullptr), rect); };
    bool inside = insideAt(mouseDown.locationInWindow());
    changed(inside);
    for (;;) {
        std::optional<Event> e = app.nextEventMatchingMask(LeftMouseUpMask | LeftMouseDraggedMask,
                                                           Date::distantFuture(), EventTrackingRunLoopMode, true);
        if (!e) {
            // Nothing more can come (a test's script ran out).
            if (inside)
                changed(false);
            return false;
        }
        bool now = e->windowNumber() == mouseDown.windowNumber() && insideAt(e->locationInWindow());
        if (now != inside) {
            inside = now;
            changed(inside);
        }
        if (e->type() == EventType::LeftMouseUp)
            return inside;
    }
}

// ---- The widget.

void Control::setWidget(QWidget* widget)
{
    host_ = std::make_unique<detail::WidgetHost>(widget);
    placeOnScreen();
    updateWidget();
}

QWidget* Control::widget() const
{
    return host_ ? host_->widget() : nullptr;
}

void Control::placeOnScreen()
{
    if (host_)
        host_->place(*this);
}

void Control::viewDidMoveToWindow()
{
    placeOnScreen();
}

void Control::frameDidChange()
{
    placeOnScreen();
}

} // namespace kit
