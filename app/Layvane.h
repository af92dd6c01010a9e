#pragma once

// The application delegate of the layout framework. One instance, reachable
// from everywhere as Main; it owns the string table's use, the preferences
// and the application-wide settings the lower layers ask for.

#include "foundation/ApplicationDelegate.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace kit {
class Event;
class Font;
class StringTable;
}
class LayoutDocument;
class PageView;
class Preferences;
class UnitsInfo;

class Layvane : public ApplicationDelegate {
public:
    // Class set-up, run once before any delegate exists: the application-wide
    // units and the language name tables.
    static void initialize();
    // The units object made by the class set-up (nullptr before it).
    static UnitsInfo* applicationUnitsInfo();

    // Reads the string table and becomes Main when there is none yet.
    Layvane();
    ~Layvane() override;
    Layvane(const Layvane&) = delete;
    Layvane& operator=(const Layvane&) = delete;

    // The text of the key; "Missing String Key" when the table has none.
    const std::string& valueForStringKey(const std::string& key) const override;

    // Made on first use.
    Preferences* preferences() override;

    // Start-up: loads the import/export bundle ("Convala" in the resources
    // folder), which sets the program's import and export hooks. False when
    // it is missing or cannot be loaded; the program then goes without it.
    static bool loadImportExportBundle();

    // Whether every page carries automatic text columns (the word
    // processor) rather than columns placed by hand.
    bool prefersAutomaticTextItems() const override { return false; }

    // The default body font; drawing uses it for a style without a font.
    kit::Font* font() const override { return font_; }
    void setFont(kit::Font* font) override { font_ = font; }

    // None clears the stored name; a name replaces the current key map.
    void setKeymapName(const std::optional<std::string>& name) override;
    const std::optional<std::string>& keymapName() const { return keymapName_; }

    // The 16-bit text key code of the key event, by the built-in key table;
    // 0x0F7A with the action's name filled in for a key bound to an
    // editing action.
    std::uint16_t convertKeyEvent(const kit::Event& event, std::string* action) const override;

    // True when the font name was reported before; otherwise remembers it.
    bool haveSeenBogusFont(const std::string& name) override;

    // The document of the main window and its page view (not owned); nil
    // when there is none.
    LayoutDocument* mainDocument() const { return mainDocument_; }
    void setMainDocument(LayoutDocument* document) { mainDocument_ = document; }
    PageView* mainPageView() const { return mainPageView_; }
    void setMainPageView(PageView* view) { mainPageView_ = view; }

protected:
    virtual std::unique_ptr<Preferences> makePreferences();

private:
    const kit::StringTable* stringTable_ = nullptr;
    std::unique_ptr<Preferences> preferences_;
    kit::Font* font_ = nullptr;
    std::optional<std::string> keymapName_;
    std::unique_ptr<std::set<std::string>> bogusFonts_; // made on first report
    LayoutDocument* mainDocument_ = nullptr;
    PageView* mainPageView_ = nullptr;
};
