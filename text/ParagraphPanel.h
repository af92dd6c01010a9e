#pragma once

// A panel that shows what the paragraph at the caret holds (the tabs
// panel): the flow tells it when the caret enters another paragraph. The
// panel lives in a higher layer and implements this; the document hands it
// to the flow.

class TextParagraph;

class ParagraphPanel {
public:
    virtual ~ParagraphPanel() = default;
    // Nil shows nothing new.
    virtual void updateFromParagraph(TextParagraph* paragraph) = 0;
};
