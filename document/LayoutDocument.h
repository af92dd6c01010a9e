#pragma once

// The layout document. So far only the services the style sheet calls: style
// references in the document's text and items, and what the selection holds.

#include "document/Document.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class Item;
class Preferences;
class StyleGraphic;
class StyleInfo;
class StyleParagraph;
class StyleParagraphNamed;

class LayoutDocument : public Document {
public:
    // The style sheet's new styles take their defaults from the preferences
    // (not owned; the built-in values for none).
    explicit LayoutDocument(const Preferences* preferences = nullptr);
    ~LayoutDocument() override;

    // The document's style sheet, made with the document.
    StyleInfo* styleInfo() const { return styleInfo_.get(); }

    // Every flow's paragraphs drop the style as their based-on or next style.
    virtual void removeStyleReference(const StyleParagraph* style);
    // Every page and master item whose graphic style's root is the style
    // goes back to a local style.
    virtual void removeGraphicStyle(const StyleGraphic* style);

    // The style of the current paragraph of the flow of the first selected
    // object, when that object is a text column; nil otherwise.
    virtual StyleParagraph* currentParagraphStyle() const;
    // Bases that current paragraph on the style.
    virtual void setCurrentParagraphBasedOnStyle(StyleParagraphNamed* style);
    // A graphic style standing for the selected items; nil for none.
    virtual std::unique_ptr<StyleGraphic> graphicStyleOfSelection() const;

    // ---- Named items (not owned): names are unique in the document.
    // Appended unless present.
    void addNamedItem(Item* item);
    void removeNamedItem(Item* item);
    // The first item in list order whose name is equal; nil for none.
    Item* findItemNamed(const std::optional<std::string>& name) const;

    // ---- Object links: the selections (description data) that links of
    // other documents point at in this one.
    void addDestinationLink(const std::string& selection);
    void removeDestinationLink(const std::string& selection);
    bool hasDestinationLinkForSelection(const std::string& selection) const;

private:
    std::unique_ptr<StyleInfo> styleInfo_;
    std::vector<Item*> namedItems_;
    std::vector<std::string> destinationLinks_;
};
