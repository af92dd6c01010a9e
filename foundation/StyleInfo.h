#pragma once

// A document's style sheet: the named paragraph styles and the named graphic
// styles, each list headed by one unnamed root style, and the operations by
// which the styles panels add, copy, rename and remove styles. The sheet
// owns every style in its lists.

#include "core/Object.h"
#include "foundation/StyleSheetEntry.h"

#include <cstddef>
#include <limits>
#include <memory>
#include <optional>
#include <string>

class Preferences;
class StyleParagraph;
class StyleSheetDocument;

class StyleInfo : public kit::Object {
public:
    static constexpr int ParagraphStyleType = 0;
    static constexpr int CharacterStyleType = 1;
    static constexpr int GraphicStyleType = 2;
    static constexpr std::size_t NotFound = std::numeric_limits<std::size_t>::max();

    // What renameStyle did.
    enum class RenameResult { Unchanged, Renamed, Refused };

    // New styles take their defaults from the preferences (not owned; the
    // built-in values for none).
    explicit StyleInfo(const Preferences* preferences = nullptr);
    ~StyleInfo() override;

    void setPreferences(const Preferences* preferences) { preferences_ = preferences; }
    const Preferences* preferences() const { return preferences_; }
    void setDocument(StyleSheetDocument* document) { document_ = document; }
    StyleSheetDocument* document() const { return document_; }
    StyleList* paragraphStyles() { return &paragraphStyles_; }
    const StyleList* paragraphStyles() const { return &paragraphStyles_; }
    // Never made in this program.
    StyleList* characterStyles() { return nullptr; }
    StyleList* graphicStyles() { return &graphicStyles_; }

    int styleTypeForStyle(const StyleSheetEntry* style) const;
    StyleList* stylesForStyle(const StyleSheetEntry* style);
    StyleList* stylesForType(int type);
    static std::string styleIconForType(int type);
    static int styleAttributeForType(int type);
    static std::string stylePasteboardForType(int type);
    std::string styleIconForStyle(const StyleSheetEntry* style) const;
    // NotFound when absent; a nil list means the style's own list.
    std::size_t indexOfObject(const StyleSheetEntry* style, const StyleList* list);
    StyleSheetEntry* styleWithName(const std::optional<std::string>& name, const StyleList* list) const;

    // Added (marked not freeable, list sorted) unless a named style of that
    // name is already there: then the style is handed back.
    std::unique_ptr<StyleSheetEntry> addStyle(std::unique_ptr<StyleSheetEntry> style, StyleList* list);
    // nil for a list that is neither the paragraph nor the graphic list, and
    // when no free name can be made.
    StyleSheetEntry* addNewStyleInStyles(StyleList* list);
    // nil when no free name can be made.
    StyleSheetEntry* copyStyle(StyleSheetEntry* style, StyleList* list);
    RenameResult renameStyle(StyleSheetEntry* style, const std::optional<std::string>& newName, StyleList* list);
    // Takes the style out of its list and out of everything that refers to
    // it; every style based on it, listed as its substyle or not, becomes a
    // root. nil for an unnamed style.
    std::unique_ptr<StyleSheetEntry> removeStyle(StyleSheetEntry* style, StyleList* list);
    static void sortStyles(StyleList* list);

    // A copy of a paragraph style pasted from elsewhere, based on the
    // sheet's named styles of the same names (nil sheet: on none); nil for
    // no style.
    static std::unique_ptr<StyleParagraph> adaptPastedStyle(const StyleParagraph* style, const StyleInfo* sheet);

    void audit(int indent) const override;
    std::string className() const override { return "StyleInfo"; }
    // The paragraph styles and the graphic styles; the document is not
    // stored.
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    bool isParagraphList(const StyleList* list) const { return list == &paragraphStyles_; }
    bool isGraphicList(const StyleList* list) const { return list == &graphicStyles_; }
    StyleSheetEntry* insert(std::unique_ptr<StyleSheetEntry> style, StyleList* list);

    StyleSheetDocument* document_ = nullptr; // not owned
    const Preferences* preferences_ = nullptr; // not owned
    StyleList paragraphStyles_;
    StyleList graphicStyles_;
};
