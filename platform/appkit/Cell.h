#pragma once

#include "appkit/Event.h"
#include "appkit/Receiver.h"
#include "core/Color.h"
#include "core/Geometry.h"

#include <memory>
#include <string>

namespace kit {

class Control;
class Font;
class Formatter;
class View;

// States of a cell (a switch can show the mixed state).
inline constexpr int OffState = 0;
inline constexpr int OnState = 1;
inline constexpr int MixedState = -1;

enum class TextAlignment { Left = 0, Right = 1, Center = 2, Justified = 3, Natural = 4 };

// The value and settings of one control element: the text or number it
// shows, its tag, its target and action, whether it is enabled and
// editable. A cell works on its own (an off-screen text cell answers every
// value message) and inside a control, which shows it; every change tells
// the control.
//
// The contents are text; the numeric values read the text (or the number
// last set) in the "C" locale. A formatter, when set, writes numbers as
// text and reads text back; text it refuses leaves the cell without a valid
// value (hasValidObjectValue), and the numeric values then read 0.
//
// Custom cells of matrices draw themselves through the current DrawContext
// (drawWithFrame); the text, button and form cells are shown by Qt widgets
// of their control.
class Cell : public Receiver {
public:
    Cell();
    explicit Cell(const std::string& text);
    ~Cell() override;

    std::string className() const override { return "NSCell"; }

    // A new cell of the same class with the same settings and value, but no
    // control (matrices copy their prototype). Subclasses override it.
    virtual std::unique_ptr<Cell> copy() const;

    // ---- Contents.
    virtual std::string stringValue() const;
    virtual void setStringValue(const std::string& text);
    virtual int intValue() const;
    virtual void setIntValue(int value);
    virtual float floatValue() const;
    virtual void setFloatValue(float value);
    virtual double doubleValue() const;
    virtual void setDoubleValue(double value);
    // The value the formatter read (or the number last set); nil for plain
    // text without a formatter or for text the formatter refuses.
    const Object* objectValue() const { return objectValue_.get(); }
    void setObjectValue(std::unique_ptr<Object> value);
    bool hasValidObjectValue() const;
    // Copies the value of another cell or control's selected cell.
    void takeStringValueFrom(Object* sender);
    void takeIntValueFrom(Object* sender);
    void takeFloatValueFrom(Object* sender);

    // The cell's own title (buttons, form labels); a plain cell's title is its text.
    virtual std::string title() const { return stringValue(); }
    virtual void setTitle(const std::string& title) { setStringValue(title); }

    Formatter* formatter() const { return formatter_.get(); }
    void setFormatter(std::shared_ptr<Formatter> formatter);

    // ---- State and settings.
    virtual int state() const { return state_; }
    virtual void setState(int value);
    bool allowsMixedState() const { return allowsMixedState_; }
    void setAllowsMixedState(bool flag) { allowsMixedState_ = flag; }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool flag);
    bool isEditable() const { return editable_; }
    void setEditable(bool flag);
    bool isSelectable() const { return selectable_ || editable_; }
    void setSelectable(bool flag);
    bool isBordered() const { return bordered_; }
    void setBordered(bool flag);
    bool isBezeled() const { return bezeled_; }
    void setBezeled(bool flag);
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool flag);
    TextAlignment alignment() const { return alignment_; }
    void setAlignment(TextAlignment alignment);
    Font* font() const { return font_; }
    void setFont(Font* font);
    // Continuous cells send their action while the mouse moves.
    bool isContinuous() const { return continuous_; }
    void setContinuous(bool flag) { continuous_ = flag; }
    // The mouse events that send the action (event masks): the mouse going
    // up inside, unless the left-mouse-down mask is set, when the press
    // itself acts and the mouse is not tracked. Answers the old mask.
    unsigned sendActionOn(unsigned mask);
    unsigned sendActionOnMask() const { return actionMask_; }
    bool sendsActionOnMouseDown() const;
    // Any object the owner wants to hang on the cell (not owned).
    Object* representedObject() const { return representedObject_; }
    void setRepresentedObject(Object* object) { representedObject_ = object; }

    // ---- Target and action (nil target: the responder chain).
    Receiver* target() const { return target_.get(); }
    void setTarget(Receiver* target) { target_ = WeakRef<Receiver>(target); }
    const std::string& action() const { return action_; }
    void setAction(const std::string& action) { action_ = action; }

    // The control that shows the cell (not owned), nil for a loose cell.
    Control* controlView() const;
    void setControlView(Control* control);

    // ---- Drawing, for cells a matrix draws itself (the current DrawContext
    // is focused on the view). The default frames the cell when bordered
    // and shows its text in its font (Helvetica 12 when none), grey when
    // disabled.
    virtual void drawWithFrame(const Rect& cellFrame, View* controlView);
    virtual void drawInteriorWithFrame(const Rect& cellFrame, View* controlView);
    virtual void highlight(bool flag, const Rect& cellFrame, View* controlView);
    virtual Rect drawingRectForBounds(const Rect& bounds) const;
    virtual Rect titleRectForBounds(const Rect& bounds) const { return drawingRectForBounds(bounds); }
    virtual Rect imageRectForBounds(const Rect& bounds) const { return drawingRectForBounds(bounds); }

protected:
    // Copies this cell's settings and value into a fresh cell (for copy()).
    void copySettingsTo(Cell& cell) const;
    // Tells the control (if any) that something it shows changed.
    void changed();

private:
    void setContents(const std::string& text, std::unique_ptr<Object> value);

    std::string contents_;
    std::unique_ptr<Object> objectValue_;
    std::shared_ptr<Formatter> formatter_;
    int state_ = OffState;
    bool allowsMixedState_ = false;
    int tag_ = 0;
    bool enabled_ = true;
    bool editable_ = false;
    bool selectable_ = false;
    bool bordered_ = false;
    bool bezeled_ = false;
    bool highlighted_ = false;
    bool continuous_ = false;
    unsigned actionMask_ = LeftMouseUpMask;
    TextAlignment alignment_ = TextAlignment::Left;
    Font* font_ = nullptr;
    Object* representedObject_ = nullptr;
    WeakRef<Receiver> target_;
    std::string action_;
    WeakRef<Control> controlView_;
};

} // namespace kit
