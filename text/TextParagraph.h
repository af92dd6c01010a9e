#pragma once

// A paragraph of a text flow: its words and its paragraph style. So far the
// services its words call; editing and layout come with the flow.

#include "core/Object.h"

#include <memory>
#include <vector>

namespace kit {
class Font;
}
class StyleChar;
class StyleParagraph;
class TextFlow;
class TextWord;

class TextParagraph : public kit::Object {
public:
    TextParagraph();
    ~TextParagraph() override;
    std::string className() const override { return "TextParagraph"; }

    TextFlow* flow() const { return flow_; }
    void setFlow(TextFlow* flow) { flow_ = flow; }

    // The paragraph's own style; made with the paragraph.
    StyleParagraph* paragraphStyle() const { return paragraphStyle_.get(); }
    void setParagraphStyle(std::unique_ptr<StyleParagraph> style);
    // Passed on from the style.
    StyleChar* charStyle() const;
    kit::Font* font() const;
    bool ligatures() const;

    // ---- The word list, which owns its words.
    const std::vector<std::unique_ptr<TextWord>>& wordList() const { return wordList_; }
    int indexOfWord(const TextWord* word) const;
    // nil for an index outside the list.
    TextWord* wordAtIndex(int index) const;
    // Appends the word (after `after` when given and found) and tells it its paragraph.
    TextWord* addWord(std::unique_ptr<TextWord> word, const TextWord* after = nullptr);
    // Hands the word back to the caller; nil when it is not in the list.
    std::unique_ptr<TextWord> removeWord(const TextWord* word);

    bool dirty() const { return dirty_; }
    void setDirty(bool flag) { dirty_ = flag; }

private:
    TextFlow* flow_ = nullptr; // not owned
    std::unique_ptr<StyleParagraph> paragraphStyle_;
    std::vector<std::unique_ptr<TextWord>> wordList_;
    bool dirty_ = false;
    // Where the last word asked about was found: measuring and typing ask
    // for the same word or the next one again and again.
    mutable std::size_t lastFoundWord_ = 0;
};
