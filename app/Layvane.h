#pragma once

// The application delegate of the layout framework. One instance, reachable
// from everywhere as Main; it owns the string table's use, the preferences
// and the application-wide settings the lower layers ask for.

#include "document/DocumentDelegate.h"
#include "foundation/ApplicationDelegate.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kit {
class Event;
class Font;
class Panel;
class StringTable;
}
class DocumentView;
class LayoutDocument;
class PageView;
class Preferences;
class UnitsInfo;

class Layvane : public ApplicationDelegate, public DocumentDelegate {
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
    // The view's document becomes the main document (nil: none).
    void setMainPageView(PageView* view);
    DocumentView* mainDocumentView() const override;
    void setMainDocumentView(DocumentView* view) override;

    // ---- The open documents, owned here.
    std::vector<LayoutDocument*> documents() const override;
    void addDocument(std::unique_ptr<LayoutDocument> document) override;
    std::unique_ptr<LayoutDocument> removeDocument(LayoutDocument* document) override;
    // Hooks after a document was made or saved: nothing in the layout
    // framework.
    void documentDidCreate(LayoutDocument* document) override { (void)document; }
    void documentDidSave(LayoutDocument* document) override { (void)document; }
    // The document is no longer the main one and leaves the list.
    std::unique_ptr<LayoutDocument> documentDidClose(LayoutDocument* document) override;
    void setOpeningFile(bool flag) override { openingFile_ = flag; }
    bool openingFile() const override { return openingFile_; }
    // The save panel's accessories (none until set).
    kit::Panel* saveAsAccessoryPanel() override { return saveAsAccessoryPanel_.get(); }
    kit::Panel* saveAsTemplateAccessoryPanel() override { return saveAsTemplateAccessoryPanel_.get(); }
    void setSaveAsAccessoryPanel(std::unique_ptr<kit::Panel> panel);
    void setSaveAsTemplateAccessoryPanel(std::unique_ptr<kit::Panel> panel);

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
    std::vector<std::unique_ptr<LayoutDocument>> documents_;
    bool openingFile_ = false;
    std::unique_ptr<kit::Panel> saveAsAccessoryPanel_;
    std::unique_ptr<kit::Panel> saveAsTemplateAccessoryPanel_;
};
