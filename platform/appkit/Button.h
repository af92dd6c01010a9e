#pragma once

#include "appkit/ButtonCell.h"
#include "appkit/Control.h"

namespace kit {

// A push button, switch (check box) or radio button over Qt's buttons. A
// click inside sends the action when the mouse goes up inside; a toggling
// button changes its state first. Its key equivalent clicks it.
class Button : public Control {
public:
    explicit Button(const Rect& frame = {}, const std::string& title = std::string(),
                    ButtonType type = ButtonType::MomentaryLight);

    std::string className() const override { return "NSButton"; }

    ButtonCell* buttonCell() const;
    ButtonType buttonType() const;
    void setButtonType(ButtonType type);
    std::string alternateTitle() const;
    void setAlternateTitle(const std::string& title);
    int state() const;
    void setState(int state);
    bool allowsMixedState() const;
    void setAllowsMixedState(bool flag);
    std::string keyEquivalent() const;
    void setKeyEquivalent(const std::string& key);
    void setKeyEquivalentModifierMask(unsigned mask);
    bool isBordered() const;
    void setBordered(bool flag);
    // Pictures of the cell (copies kept): beside the title, or alone
    // without one; the alternate image while a toggling button is on.
    Image* image() const;
    void setImage(const Image* image);
    Image* alternateImage() const;
    void setAlternateImage(const Image* image);

    // The state moves on as with a click, and the action is sent.
    void performClick(Object* sender = nullptr) override;
    bool performKeyEquivalent(const Event& event) override;
    void mouseDown(const Event& event) override;
    // The button is drawn pressed while highlighted.
    void highlight(bool flag);

protected:
    void updateWidget() override;

private:
    void makeWidget();
    ButtonType widgetType_ = ButtonType::MomentaryLight;
};

} // namespace kit
