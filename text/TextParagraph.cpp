#include "text/TextParagraph.h"

#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "text/TextWord.h"

#include <algorithm>

TextParagraph::TextParagraph()
    : paragraphStyle_(std::make_unique<StyleParagraph>())
{
}

TextParagraph::~TextParagraph() = default;

void TextParagraph::setParagraphStyle(std::unique_ptr<StyleParagraph> style)
{
    if (style)
        paragraphStyle_ = std::move(style);
}

StyleChar* TextParagraph::charStyle() const { return paragraphStyle_->charStyle(); }

kit::Font* TextParagraph::font() const { return paragraphStyle_->font(); }

bool TextParagraph::ligatures() const { return paragraphStyle_->ligatures(); }

int TextParagraph::indexOfWord(const TextWord* word) const
{
    if (!word)
        return -1;
    for (std::size_t i = lastFoundWord_; i < wordList_.size() && i <= lastFoundWord_ + 1; ++i)
        if (wordList_[i].get() == word)
            return int(lastFoundWord_ = i);
    for (std::size_t i = 0; i < wordList_.size(); ++i)
        if (wordList_[i].get() == word)
            return int(lastFoundWord_ = i);
    return -1;
}

TextWord* TextParagraph::wordAtIndex(int index) const
{
    if (index < 0 || index >= int(wordList_.size()))
        return nullptr;
    return wordList_[std::size_t(index)].get();
}

TextWord* TextParagraph::addWord(std::unique_ptr<TextWord> word, const TextWord* after)
{
    if (!word)
        return nullptr;
    TextWord* added = word.get();
    const int at = after ? indexOfWord(after) : -1;
    if (at >= 0)
        wordList_.insert(wordList_.begin() + at + 1, std::move(word));
    else
        wordList_.push_back(std::move(word));
    added->insertInParagraph(this);
    return added;
}

std::unique_ptr<TextWord> TextParagraph::removeWord(const TextWord* word)
{
    const int at = indexOfWord(word);
    if (at < 0)
        return nullptr;
    std::unique_ptr<TextWord> removed = std::move(wordList_[std::size_t(at)]);
    wordList_.erase(wordList_.begin() + at);
    return removed;
}
