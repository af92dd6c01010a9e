#pragma once

#include "appkit/Receiver.h"
#include "core/Color.h"

#include <vector>

class QColorDialog;

namespace kit {

class ColorWell;

// The shared colour panel: a floating window over Qt's own (non-native)
// colour dialog. It shows the colour of the active well; a colour the user
// chooses in it (OK) goes to every active well, each of which takes it and
// sends its action. The panel never sends changeColor: along the responder
// chain: a page view's changeColor: reads a menu item's tag, not a colour.
// Closing the panel deactivates the wells, so none goes on looking chosen.
class ColorPanel {
public:
    // The panel, made on first use when asked to; nil otherwise.
    static ColorPanel* sharedColorPanel(bool create = true);
    ~ColorPanel();
    ColorPanel(const ColorPanel&) = delete;
    ColorPanel& operator=(const ColorPanel&) = delete;

    // The colour shown; setting it sends nothing.
    ColorRef color() const { return color_; }
    void setColor(ColorRef color);

    void orderFront();
    void orderOut();
    bool isVisible() const;

    // ---- The wells (used by ColorWell): an exclusive activation leaves
    // only the new well active.
    void activateWell(ColorWell* well, bool exclusive);
    void deactivateWell(ColorWell* well);
    std::vector<ColorWell*> activeWells() const;

    // The colour the user chose: shown, and given to the active wells.
    void chooseColor(ColorRef color);

    // The Qt dialog (for the kit's tests, which answer it as a user would).
    QColorDialog* dialog() const { return dialog_; }

private:
    ColorPanel();
    void takeDialogChoice();
    void dialogFinished();

    ColorRef color_;
    // What the dialog was given for color_: chosen unchanged, color_ itself
    // goes on (a CMYK black stays CMYK, not Qt's RGB of it).
    unsigned shownRgba_ = 0;
    QColorDialog* dialog_ = nullptr;
    std::vector<WeakRef<ColorWell>> active_;
};

} // namespace kit
