#pragma once

// What the lower layers ask of the application delegate: the string table,
// the preferences, the key table and the default font. The application's
// delegate (Layvane) implements it and becomes Main; the document an edit
// works in is never asked of it, but reached from the edit itself.

#include <cstdint>
#include <optional>
#include <string>

namespace kit {
class Event;
class Font;
}
class Preferences;
class ParagraphInspectorPanel;
class SelectionPanel;

class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate();

    // The text of the key; "Missing String Key" when the table has none.
    virtual const std::string& valueForStringKey(const std::string& key) const = 0;
    // Made on first use.
    virtual Preferences* preferences() = 0;
    // Whether every page carries automatic text columns (the word
    // processor) rather than columns placed by hand.
    virtual bool prefersAutomaticTextItems() const = 0;

    // Whether copied page items paste as one picture rather than as items:
    // only the layout application itself pastes them as items.
    virtual bool pastesItemsAsPictures() const { return false; }

    // The default body font; drawing uses it for a style without a font.
    virtual kit::Font* font() const = 0;
    virtual void setFont(kit::Font* font) = 0;

    // A name replaces the current key map; none clears the name and the
    // key map with it.
    virtual void setKeymapName(const std::optional<std::string>& name) = 0;
    // Whether the user's key map binds the key down: its replacement for
    // the key code (by reference), or 0x0F7A and the action's name.
    virtual bool findKeymappingForEvent(const kit::Event& event, std::uint16_t* key, std::string* action) const = 0;
    // The 16-bit text key code of the key event, by the key table; 0x0F7A
    // with the action's name filled in for a key bound to an editing action.
    virtual std::uint16_t convertKeyEvent(const kit::Event& event, std::string* action) const = 0;
    // The text key code of the first character: its byte in the documents'
    // set, else 0x100 plus its byte in the Symbol set, else (function keys)
    // the character itself; 0 for no character.
    static std::uint16_t firstKeyInString(const std::u16string& characters);

    // True when the font name was reported before; otherwise remembers it.
    virtual bool haveSeenBogusFont(const std::string& name) = 0;

    // The graphics inspector and the links panel once made (never made on
    // request); nil without them.
    virtual SelectionPanel* graphicsInspectorPanel() { return nullptr; }
    virtual SelectionPanel* linksSelectionPanel() { return nullptr; }
    // The paragraph inspector once made; nil without it.
    virtual ParagraphInspectorPanel* paragraphInspectorPanel() { return nullptr; }
};

// The application delegate; nil until one is made (tests, tools).
extern ApplicationDelegate* Main;

// The application's text of the key; the fallback (else the key itself)
// without a delegate or without the key (panels built before the string
// table, and in tests).
std::string applicationString(const char* key, const char* fallback = nullptr);
