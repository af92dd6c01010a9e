#pragma once

#include "appkit/Cell.h"
#include "appkit/ControlTextDelegate.h"
#include "appkit/View.h"

#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace kit {

class Formatter;

namespace detail {
class WidgetHost;
}

// A view that shows one cell (or, for matrices and forms, many) and sends
// its action to its target when the user acts on it: a nil target means the
// responder chain (Application::sendAction). The value messages go to the
// control's cell (the selected cell of a matrix).
//
// Controls are shown by Qt widgets lying over the view in the window's
// screen widget; their mouse and keys still come through the application's
// event queue (so scripted events and modal loops treat them as any other
// view), and the control decides what they do.
class Control : public View {
public:
    explicit Control(const Rect& frame = {});
    ~Control() override;

    std::string className() const override { return "NSControl"; }

    // ---- The cell (owned).
    Cell* cell() const { return cell_.get(); }
    void setCell(std::unique_ptr<Cell> cell);
    // The cell the value messages and actions concern.
    virtual Cell* selectedCell() const { return cell_.get(); }
    virtual int selectedTag() const;
    // A cell of this control changed what the control shows.
    virtual void updateCell(Cell* cell);

    // ---- Values (of the selected cell; nothing without one).
    std::string stringValue() const;
    void setStringValue(const std::string& text);
    int intValue() const;
    void setIntValue(int value);
    float floatValue() const;
    void setFloatValue(float value);
    double doubleValue() const;
    void setDoubleValue(double value);
    void takeStringValueFrom(Object* sender);
    void takeIntValueFrom(Object* sender);
    void takeFloatValueFrom(Object* sender);
    virtual std::string title() const;
    virtual void setTitle(const std::string& title);

    // ---- Settings (of the cell).
    virtual bool isEnabled() const;
    virtual void setEnabled(bool flag);
    TextAlignment alignment() const;
    void setAlignment(TextAlignment alignment);
    Font* font() const;
    void setFont(Font* font);
    Formatter* formatter() const;
    void setFormatter(std::shared_ptr<Formatter> formatter);
    bool isContinuous() const;
    void setContinuous(bool flag);
    // A control's tag is its cell's tag too.
    void setTag(int tag);

    // ---- Target and action.
    Receiver* target() const { return target_.get(); }
    void setTarget(Receiver* target) { target_ = WeakRef<Receiver>(target); }
    const std::string& action() const { return action_; }
    void setAction(const std::string& action) { action_ = action; }
    // Sends the action (the selected cell's own, else the control's) to
    // the target (the cell's, else the control's, else along the responder
    // chain), this control as sender. False when no one received it.
    bool sendAction(const std::string& action, Receiver* to);
    bool sendAction();
    // Acts as a click would, without the mouse.
    virtual void performClick(Object* sender = nullptr);

    // Told of the editing of the control's text (not owned; a delegate that
    // is a Receiver is held weakly, so one that goes away is no longer told).
    ControlTextDelegate* delegate() const;
    void setDelegate(ControlTextDelegate* delegate);

    // ---- Text and the keyboard loop (NeXT's next text): a text field,
    // form or matrix leads to the next one with Tab.
    View* nextText() const { return nextKeyView(); }
    void setNextText(View* view) { setNextKeyView(view); }
    View* previousText() const { return previousKeyView(); }
    void setPreviousText(View* view);
    // Selects all the text of an editable control and makes it first
    // responder; nothing for other controls.
    virtual void selectText(Object* sender);

    bool acceptsFirstMouse(const Event&) override { return true; }
    void placeOnScreen() override;

    // The Qt widget that shows the control (for tests and the kit's own use).
    QWidget* widget() const;

protected:
    using Receiver::setAction;
    // Subclasses give the control its widget once, in their constructor.
    void setWidget(QWidget* widget);
    detail::WidgetHost* host() const { return host_.get(); }
    // Brings the widget in line with the cells; called after every change.
    virtual void updateWidget() {}
    void viewDidMoveToWindow() override;
    void frameDidChange() override;
    // A control that can no longer take the keyboard while it has it hands
    // it to its window (what was typed stays in the cell).
    void resignKeyboardIfRefused();
    // The action to send and where, for a cell of this control.
    std::string actionForCell(const Cell* cell) const;
    Receiver* targetForCell(const Cell* cell) const;
    // Sends a cell's action as the control (the sender).
    bool sendActionForCell(Cell* cell);
    // Takes the mouse until it goes up: answers whether it went up inside
    // the rectangle (view coordinates). The rectangle's state is given to
    // the callback as the mouse moves in and out.
    bool trackMouseInRect(const Event& mouseDown, const Rect& rect, const std::function<void(bool inside)>& changed);

private:
    std::unique_ptr<Cell> cell_;
    std::unique_ptr<detail::WidgetHost> host_;
    WeakRef<Receiver> target_;
    std::string action_;
    ControlTextDelegate* delegate_ = nullptr;
    WeakRef<Receiver> delegateObject_;
};

} // namespace kit
