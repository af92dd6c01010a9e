#pragma once

// The paragraph style editor as the styles list reaches it.

class StyleParagraph;

class StyleEditPanel {
public:
    virtual ~StyleEditPanel() = default;
    // Edits a named paragraph style in a modal run; other styles are refused.
    virtual void runModalForStyle(StyleParagraph* style) = 0;
    virtual void inspectStyle(StyleParagraph* style) = 0;
};
