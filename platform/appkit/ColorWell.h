#pragma once

#include "appkit/Control.h"
#include "core/Color.h"

namespace kit {

// A control that shows a colour in a bordered well. A click activates it
// (exclusively: the well active before goes out) and opens the shared
// colour panel, which then shows the well's colour; a colour chosen there
// comes to the active well, which takes it and sends its action to its
// target. A click on an active well deactivates it. Inspectors show a value
// in which the selected items differ as a light-grey well.
class ColorWell : public Control {
public:
    explicit ColorWell(const Rect& frame = {});
    ~ColorWell() override;

    std::string className() const override { return "NSColorWell"; }

    ColorRef color() const { return color_; }
    // Shown at once (and in the colour panel while this well is active);
    // sends nothing.
    void setColor(ColorRef color);

    bool isActive() const { return active_; }
    // The colour panel shows this well's colour and sends its choices here.
    void activate(bool exclusive);
    void deactivate();

    bool isBordered() const;
    void setBordered(bool flag);
    // A disabled well takes no clicks and is deactivated.
    void setEnabled(bool flag) override;

    // A colour chosen in the colour panel: taken, and the action sent.
    void colorPanelChoseColor(ColorRef color);

    void mouseDown(const Event& event) override;
    // Toggles the activation as a click does.
    void performClick(Object* sender = nullptr) override;
    void drawRect(const Rect& rect) override;
    bool isOpaque() const override { return isBordered(); }

protected:
    void updateWidget() override { setNeedsDisplay(true); }

private:
    friend class ColorPanel;
    ColorRef color_;
    bool active_ = false;
    bool highlighted_ = false;
};

} // namespace kit
