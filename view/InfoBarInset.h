#pragma once

// The info bar under a page view: the live position, size and scale of what
// is being moved or resized, and the font at the caret.

#include "appkit/View.h"
#include "view/PageView.h"

#include <string>

class InfoBarInset : public kit::View, public LiveFrameDisplay {
public:
    // The tag by which the page view finds it in its scroll view.
    static constexpr int Tag = 12;

    explicit InfoBarInset(const kit::Rect& frameRect = {});
    std::string className() const override { return "InfoBarInset"; }

    void setMoveTo(float x, float y) override;
    void setSizeTo(float width, float height) override;
    void setScale(float sx, float sy) override;
    // The text shown in the bar's measurement field.
    const std::string& measurement() const { return measurement_; }

private:
    void show(const char* format, float a, float b);

    std::string measurement_;
};
