#pragma once

#include "appkit/Control.h"

namespace kit {

// A slider over Qt's: a value between a minimum and a maximum, set by
// dragging the knob (the value follows the mouse along the bar). The
// action is sent when the mouse goes up, and while it moves when the
// slider is continuous. Vertical when taller than wide.
class Slider : public Control {
public:
    explicit Slider(const Rect& frame = {});

    std::string className() const override { return "NSSlider"; }

    double minValue() const { return min_; }
    void setMinValue(double value);
    double maxValue() const { return max_; }
    void setMaxValue(double value);
    bool isVertical() const;
    // The value a point of the slider (view coordinates) stands for.
    double valueForPoint(Point point) const;

    void mouseDown(const Event& event) override;
    void updateCell(Cell* cell) override;

protected:
    void updateWidget() override;
    void frameDidChange() override;

private:
    double clamped(double v) const;

    double min_ = 0;
    double max_ = 1;
    bool updating_ = false;
};

} // namespace kit
