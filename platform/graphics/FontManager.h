#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kit {

class Font;
struct FontFaceInfo;

// Trait bits of the font manager (the platform's mask values: callers pass
// 1 for italic and 2 for bold as numbers).
inline constexpr int ItalicFontMask = 0x1;
inline constexpr int BoldFontMask = 0x2;
inline constexpr int UnboldFontMask = 0x4;
inline constexpr int NonStandardCharacterSetFontMask = 0x8;
inline constexpr int NarrowFontMask = 0x10;
inline constexpr int FixedPitchFontMask = 0x400;
inline constexpr int UnitalicFontMask = 0x1000000;

// What the font panel (or a menu command) asks convertFont(font) to do to
// every font of the selection. The action numbers are the platform's tags.
enum class FontAction {
    NoFontChange = 0,
    ViaPanel = 1,   // the panel's family, size and traits below
    AddTrait = 2,   // trait
    SizeUp = 3,     // one point larger
    SizeDown = 4,   // one point smaller, not below 1
    Heavier = 5,    // the next heavier member with the same traits
    Lighter = 6,    // the next lighter one
    RemoveTrait = 7 // trait
};

struct FontChange {
    FontAction action = FontAction::NoFontChange;
    int trait = 0; // AddTrait, RemoveTrait
    // ViaPanel: each part applies when set (family not empty, size > 0,
    // traits to add or remove non-zero), in this order.
    std::string family;
    float size = 0;
    int addTraits = 0;
    int removeTraits = 0;
};

// The shared font manager: families, traits and weights of the fonts, the
// selected font the panel shows, and the pending change the panel applies
// through convertFont(font).
class FontManager {
public:
    static FontManager& sharedFontManager();
    // The platform spelling of the same thing.
    static FontManager* new_() { return &sharedFontManager(); }

    // ---- Describing fonts.
    int traitsOfFont(const Font* font) const; // 0 for nil
    int weightOfFont(const Font* font) const; // 0-15; 0 for nil
    std::vector<std::string> availableFonts() const; // PostScript names, sorted
    std::vector<std::string> availableFontFamilies() const; // sorted
    // The members of a family, lightest first, plain before italic; empty
    // for an unknown family.
    std::vector<FontFaceInfo> availableMembersOfFontFamily(const std::string& family) const;

    // The member of the family whose italic and bold traits equal those
    // asked for (other trait bits describe a face and are not matched),
    // the one of weight nearest to weight (the lighter on a tie), at size;
    // nullptr when the family has no such member or size is not positive.
    Font* fontWithFamily(const std::string& family, int traits, int weight, float size) const;

    // ---- Conversions: each answers the font unchanged when no font
    // answers the request (and nullptr for nil).
    Font* convertFontToHaveTrait(Font* font, int trait) const;
    Font* convertFontToNotHaveTrait(Font* font, int trait) const;
    // The same traits and nearest weight in another family.
    Font* convertFontToFamily(Font* font, const std::string& family) const;
    Font* convertFontToSize(Font* font, float size) const;
    // The next heavier (upFlag) or lighter member with the same traits.
    Font* convertWeight(bool upFlag, Font* font) const;
    // Applies the pending change. A panel family change that cannot keep
    // every trait drops italic, then bold, then both, as the text engine's
    // own family changes do, and takes the family's lightest member when
    // even the plain face is missing.
    Font* convertFont(Font* font) const;

    // ---- The pending change.
    const FontChange& pendingChange() const { return pending_; }
    void setPendingChange(const FontChange& change) { pending_ = change; }
    void clearPendingChange() { pending_ = FontChange{}; }
    // Menu commands: each sets the pending change from the sender's tag
    // (the trait for the trait commands, a FontAction for modifyFont) and
    // sends the change-font action; the change is cleared afterwards.
    void addFontTrait(int tag);
    void removeFontTrait(int tag);
    void modifyFont(int tag);
    // Sends the change-font action (through the handler below) with the
    // pending change in force, then clears it.
    void sendAction();

    // ---- The selection the panel shows.
    void setSelectedFont(Font* font, bool isMultiple);
    Font* selectedFont() const { return selectedFont_; }
    bool isMultiple() const { return isMultiple_; }

    // ---- Hooks for the application kit (empty by default): delivering
    // changeFont: to the first responder, following the selection in the
    // panel, and ordering the panel front.
    void setChangeFontHandler(std::function<void()> handler) { changeFontHandler_ = std::move(handler); }
    void setSelectionChangedHandler(std::function<void(Font*, bool)> handler)
    {
        selectionChangedHandler_ = std::move(handler);
    }
    void setOrderFrontFontPanelHandler(std::function<void()> handler) { orderFrontHandler_ = std::move(handler); }
    void orderFrontFontPanel();

private:
    FontManager() = default;

    FontChange pending_;
    Font* selectedFont_ = nullptr;
    bool isMultiple_ = false;
    std::function<void()> changeFontHandler_;
    std::function<void(Font*, bool)> selectionChangedHandler_;
    std::function<void()> orderFrontHandler_;
};

} // namespace kit
