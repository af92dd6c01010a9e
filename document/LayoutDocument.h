#pragma once

// The layout document. So far only the services the style sheet calls: style
// references in the document's text and items, and what the selection holds.

#include "document/Document.h"

#include <memory>

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

private:
    std::unique_ptr<StyleInfo> styleInfo_;
};
