#pragma once

// What a style sheet asks of the document it belongs to: the text and items
// that refer to its styles, and the selection a new style takes its values
// from. The layout document implements it.

#include <memory>

class StyleGraphic;
class StyleParagraph;
class StyleParagraphNamed;

class StyleSheetDocument {
public:
    virtual ~StyleSheetDocument() = default;

    // Every flow's paragraphs drop the style as their based-on or next style.
    virtual void removeStyleReference(const StyleParagraph* style) = 0;
    // Every page and master item whose graphic style's root is the style
    // goes back to a local style.
    virtual void removeGraphicStyle(const StyleGraphic* style) = 0;
    // The style of the current paragraph of the flow of the first selected
    // object, when that object is a text column; nil otherwise.
    virtual StyleParagraph* currentParagraphStyle() const = 0;
    // Bases that current paragraph on the style.
    virtual void setCurrentParagraphBasedOnStyle(StyleParagraphNamed* style) = 0;
    // A graphic style standing for the selected items; nil for none.
    virtual std::unique_ptr<StyleGraphic> graphicStyleOfSelection() const = 0;
};
