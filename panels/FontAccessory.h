#pragma once

// The font panel's accessory: the character attributes the panel has no
// room for (leading, tracking, word space, baseline shift, condense,
// colour, language), in a small view (colour and a message) and a large one
// (every field). The text engine fills it through the character style's
// hook and reads it back when the font panel's change reaches the text.
// -1234.0 is a mixed value ("<< >>"); in the small view every value reads
// as mixed, so a change from there sets only what the font panel sets.

#include "app/PanelHost.h"
#include "appkit/NibLoader.h"
#include "appkit/Receiver.h"
#include "foundation/FontAccessoryValues.h"

#include <memory>
#include <string>
#include <vector>

namespace kit {
class ColorWell;
class Control;
class FontPanel;
class PopUpButton;
class TextField;
class View;
}

class FontAccessory : public kit::Receiver,
                      public FontAccessoryValues,
                      public kit::NibOwner,
                      public kit::NibAwaking,
                      public HostedPanel {
public:
    static constexpr float Mixed = -1234.0f;

    // Registers the class, the builder of "FontAccessory.nib" and the
    // character style's hook to the registry's accessory.
    static void initialize();

    FontAccessory();
    ~FontAccessory() override;
    std::string className() const override { return "FontAccessory"; }
    FontAccessory* init();
    // The two views the interface file made, kept while the font panel
    // does not show them.
    void adoptViews(std::unique_ptr<kit::View> small, std::unique_ptr<kit::View> large);
    void awakeFromNib() override;
    bool setOutlet(const std::string& name, kit::Object* object) override;
    void setPanelHost(PanelHost* host) override { host_ = host; }

    // ---- Reading (Mixed when mixed, not shown, or refused with a beep).
    float leading() const override;
    float tracking() const override;
    float vertical() const override;
    float wordSpace() const;
    float wordSpaceOnly() const override;
    float condense() const override;
    kit::ColorRef color() const override { return myColor_; }
    short langId() const override;
    float retrieveWordSpace() const;

    // ---- Showing.
    void setNewLeading(float value) override;
    void setNewTracking(float value) override;
    void setNewVertical(float value) override;
    void setNewWordSpace(float value) override;
    void setNewCondense(float value) override;
    void setColor(const kit::ColorRef& color) override;
    void setLangId(short id) override;
    void setMessage(const std::string& message) override;
    void displayWordSpace(float points);
    void clearCells();
    float floatValueFor(kit::Control* field) const;
    std::string stringValueFor(kit::Control* field) const;
    void setFloatValue(float value, kit::Control* field);

    // ---- Actions.
    void apply(kit::Object* sender);
    void applyColor(kit::Object* sender);
    void setBlack(kit::Object* sender);
    void setWhite(kit::Object* sender);
    void bumpLeading(kit::Object* sender);
    void bumpTracking(kit::Object* sender);
    void bumpVertical(kit::Object* sender);
    void bumpWordSpace(kit::Object* sender);
    void bumpCondense(kit::Object* sender);
    void showOptions(kit::Object* sender);
    void hideOptions(kit::Object* sender);
    void displayView(kit::Object* sender);
    // Puts the current view into the font panel when it shows another.
    void installIn(kit::FontPanel* panel);

    // ---- The views and fields.
    kit::View* view() const { return view_ ? view_ : viewSmall_; }
    kit::View* viewSmall() const { return viewSmall_; }
    kit::View* viewLarge() const { return viewLarge_; }
    bool isLarge() const { return view_ && view_ == viewLarge_; }
    kit::Control* field(const std::string& outlet) const;
    kit::PopUpButton* languagePopup() const { return languagePopup_; }
    std::string message() const;

private:
    // The field's number, or why there is none: mixed (Mixed) or refused
    // (nullopt after a beep).
    float readField(kit::Control* field, bool* refused) const;
    void bump(kit::Control* field, int type, kit::Object* sender);
    float spaceWidth() const;

    kit::PopUpButton* languagePopup_ = nullptr;
    kit::ColorRef myColor_;
    kit::ColorWell* colorSmall_ = nullptr;
    kit::ColorWell* colorLarge_ = nullptr;
    kit::View* view_ = nullptr;
    kit::View* viewSmall_ = nullptr;
    kit::View* viewLarge_ = nullptr;
    kit::Control* tracking_ = nullptr;
    kit::Control* leading_ = nullptr;
    kit::Control* wordSpace_ = nullptr;
    kit::Control* vertical_ = nullptr;
    kit::Control* condense_ = nullptr;
    kit::Control* messageSmall_ = nullptr;
    kit::Control* messageLarge_ = nullptr;
    // The views while the font panel does not hold them.
    std::unique_ptr<kit::View> ownedSmall_, ownedLarge_;
    std::vector<std::unique_ptr<kit::Control>> standIns_;
    PanelHost* host_ = nullptr;
};
