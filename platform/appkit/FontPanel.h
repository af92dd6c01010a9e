#pragma once

#include "appkit/Panel.h"

#include <memory>
#include <string>
#include <vector>

namespace kit {

class Button;
class Font;
class PopUpButton;
class TextField;
class Box;

// The shared font panel over the font manager: a family, a typeface and a
// size, and an accessory view below them. It shows the font of the
// selection (the font manager's selected font, or setPanelFont); "Set"
// hands what the user changed (only that: a new size leaves each font's
// family alone) to the font manager as its pending change and sends
// changeFont: along the responder chain of the main window, where the
// responder converts each of its fonts with the font manager's
// convertFont. The panel also answers the font menu's actions
// (addFontTrait:, removeFontTrait:, modifyFont: by the sender's tag, and
// orderFrontFontPanel:) for items that target it.
class FontPanel : public Panel {
public:
    // The panel, made on first use when asked to; nil otherwise.
    static FontPanel* sharedFontPanel(bool create = true);
    // The font manager's ways out: changeFont: along the responder chain,
    // the selection shown in the panel (when there is one), the panel
    // ordered front (made when needed). The application installs them
    // when it starts; installing again is harmless.
    static void installFontManagerHooks();

    std::string className() const override { return "NSFontPanel"; }

    void setPanelFont(Font* font, bool isMultiple);
    // The font the panel shows now (the user's choice included).
    Font* panelFont() const;
    bool isMultiple() const { return multiple_; }
    // What the panel's choice makes of a font.
    Font* panelConvertFont(Font* font) const;

    View* accessoryView() const { return accessoryView_; }
    std::unique_ptr<View> setAccessoryView(std::unique_ptr<View> view);
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool flag);

    // ---- The controls (for the kit's tests and for the accessory's placing).
    PopUpButton* familyPopUp() const { return family_; }
    PopUpButton* facePopUp() const { return face_; }
    TextField* sizeField() const { return size_; }
    PopUpButton* sizePopUp() const { return sizes_; }
    TextField* preview() const { return preview_; }
    Button* setButton() const { return set_; }
    Button* revertButton() const { return revert_; }

private:
    FontPanel();
    void build();
    void showFont(Font* font);
    void loadFaces(const std::string& family, Font* like);
    void updatePreview();
    void changeFamily();
    void changeFace();
    void changeSize();
    void apply();
    void revert();

    Font* font_ = nullptr;
    bool multiple_ = false;
    bool enabled_ = true;
    bool familyChanged_ = false;
    bool faceChanged_ = false;
    bool sizeChanged_ = false;
    PopUpButton* family_ = nullptr;
    PopUpButton* face_ = nullptr;
    TextField* size_ = nullptr;
    PopUpButton* sizes_ = nullptr;
    TextField* preview_ = nullptr;
    Button* set_ = nullptr;
    Button* revert_ = nullptr;
    View* accessoryView_ = nullptr;
    std::vector<int> faceTraits_;
};

} // namespace kit
