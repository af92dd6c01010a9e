#pragma once

#include "appkit/Cell.h"
#include "appkit/Event.h"

#include <memory>

namespace kit {

class Image;

// What a button cell changes to show that it is pressed (highlightsBy) or
// on (showsStateBy), combined as a mask.
inline constexpr int NoCellMask = 0;
inline constexpr int ContentsCellMask = 1;
inline constexpr int PushInCellMask = 2;
inline constexpr int ChangeGrayCellMask = 4;
inline constexpr int ChangeBackgroundCellMask = 8;

// How a button behaves when clicked and how it shows its state.
enum class ButtonType {
    MomentaryLight = 0, // a push button: lights while pressed, sends its action
    PushOnPushOff = 1,  // stays in after one click, out after the next
    Toggle = 2,         // like PushOnPushOff, showing the alternate title when on
    Switch = 3,         // a check box
    Radio = 4,          // one of a group (a matrix in radio mode turns the others off)
    MomentaryChange = 5,
    OnOff = 6,
    MomentaryPush = 7,
};

// The cell of a button: its type, title (and alternate title shown when on),
// key equivalent and state. A button's integer value is its state, so a
// switch reads 0 or 1.
class ButtonCell : public Cell {
public:
    ButtonCell();
    explicit ButtonCell(const std::string& title);
    ~ButtonCell() override;

    std::string className() const override { return "NSButtonCell"; }
    std::unique_ptr<Cell> copy() const override;

    ButtonType buttonType() const { return type_; }
    void setButtonType(ButtonType type);
    // Whether a click changes the state (push-on-push-off, toggle, switch,
    // radio, on-off).
    bool togglesState() const;

    std::string title() const override { return title_; }
    void setTitle(const std::string& title) override;
    const std::string& alternateTitle() const { return alternateTitle_; }
    void setAlternateTitle(const std::string& title);
    // The title shown for the present state.
    std::string displayedTitle() const;

    // Pictures shown beside the title (the cell keeps copies; nil for
    // none): the image, and the alternate image shown instead while a
    // toggling button is on.
    Image* image() const { return image_.get(); }
    void setImage(const Image* image);
    Image* alternateImage() const { return alternateImage_.get(); }
    void setAlternateImage(const Image* image);
    // The picture shown for the present state.
    Image* displayedImage() const;

    // Drawn by a matrix itself: a cell lights (its background becomes the
    // highlight colour) while pressed when highlightsBy has the grey or
    // background mask, and while on when showsStateBy has one; a mask of 0
    // never lights.
    int highlightsBy() const { return highlightsBy_; }
    void setHighlightsBy(int mask);
    int showsStateBy() const { return showsStateBy_; }
    void setShowsStateBy(int mask);
    // Whether the cell is drawn lit now.
    bool isLit() const;

    // One character (UTF-8). A printable character is pressed with Command
    // and the modifier mask; Return ("\r", a panel's default button),
    // Escape and the function keys with the mask alone.
    const std::string& keyEquivalent() const { return keyEquivalent_; }
    void setKeyEquivalent(const std::string& key);
    unsigned keyEquivalentModifierMask() const { return keyEquivalentModifierMask_; }
    void setKeyEquivalentModifierMask(unsigned mask) { keyEquivalentModifierMask_ = mask; }

    // The value of a button is its state.
    std::string stringValue() const override;
    void setStringValue(const std::string& text) override;
    int intValue() const override { return state(); }
    void setIntValue(int value) override { setState(value); }
    double doubleValue() const override { return state(); }
    void setDoubleValue(double value) override { setState(value != 0 ? OnState : OffState); }

    // What one click does to the state: a toggling button changes it (a
    // radio button only turns on), a momentary one keeps it.
    void advanceState();
    // Whether a key event is this button's key equivalent.
    bool matchesKeyEquivalent(const Event& event) const;

    void drawInteriorWithFrame(const Rect& cellFrame, View* controlView) override;

private:
    std::unique_ptr<Image> keep(const Image* image);

    ButtonType type_ = ButtonType::MomentaryLight;
    std::string title_;
    std::string alternateTitle_;
    std::string keyEquivalent_;
    unsigned keyEquivalentModifierMask_;
    std::unique_ptr<Image> image_;
    std::unique_ptr<Image> alternateImage_;
    int highlightsBy_ = PushInCellMask | ChangeGrayCellMask;
    int showsStateBy_ = ChangeGrayCellMask;
};

} // namespace kit
