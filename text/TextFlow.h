#pragma once

// A text flow: the paragraphs that run through a chain of text columns. So
// far the services its words call; editing, selection and layout come later.

#include "core/Object.h"

#include <memory>
#include <vector>

class LayoutDocument;
class StyleChar;
class TextItem;
class TextParagraph;
class TextWord;

// A position in a flow: paragraph index, word index in it, letter in the word.
struct textPoint {
    int paragraph = 0;
    int word = 0;
    int letter = 0;
};

class TextFlow : public kit::Object {
public:
    TextFlow();
    ~TextFlow() override;
    std::string className() const override { return "TextFlow"; }

    const std::vector<std::unique_ptr<TextParagraph>>& paragraphList() const { return paragraphList_; }
    TextParagraph* addParagraph(std::unique_ptr<TextParagraph> paragraph);
    int indexOfParagraph(const TextParagraph* paragraph) const;

    // The character style in force at the point; the point moves to where
    // the style was found. Letter 32767 stands for the end of a word.
    StyleChar* styleCharAt(textPoint* point) const;
    // The typing style; nil until one is set.
    StyleChar* charStyle() const { return charStyle_.get(); }
    void setCharStyle(std::unique_ptr<StyleChar> style);

    // The head of the chain of columns (not retained).
    TextItem* firstTextItem() const { return firstTextItem_; }
    void setFirstTextItem(TextItem* item) { firstTextItem_ = item; }
    // The column that shows the point; with one column so far, the first.
    TextItem* item(const textPoint& point) const;
    // The document of the first column's page; nil when there is none.
    LayoutDocument* document() const;

    // Marks the paragraph and every one after it for layout.
    void dirtyFromParagraph(const TextParagraph* paragraph);

    // The point of a word of the flow (letter 0); paragraph -1 when the word
    // is not in the flow.
    textPoint pointOfWord(const TextWord* word) const;

private:
    std::vector<std::unique_ptr<TextParagraph>> paragraphList_;
    std::unique_ptr<StyleChar> charStyle_;
    TextItem* firstTextItem_ = nullptr;
    // Where the last paragraph asked about was found (words of one
    // paragraph ask one after another).
    mutable std::size_t lastFoundParagraph_ = 0;
};
