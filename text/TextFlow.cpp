#include "text/TextFlow.h"

#include "foundation/StyleChar.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"

#include "document/Page.h"
#include "items/TextItem.h"

TextFlow::TextFlow() = default;

TextFlow::~TextFlow() = default;

TextParagraph* TextFlow::addParagraph(std::unique_ptr<TextParagraph> paragraph)
{
    if (!paragraph)
        return nullptr;
    paragraph->setFlow(this);
    paragraphList_.push_back(std::move(paragraph));
    return paragraphList_.back().get();
}

int TextFlow::indexOfParagraph(const TextParagraph* paragraph) const
{
    if (!paragraph)
        return -1;
    for (std::size_t i = lastFoundParagraph_; i < paragraphList_.size() && i <= lastFoundParagraph_ + 1; ++i)
        if (paragraphList_[i].get() == paragraph)
            return int(lastFoundParagraph_ = i);
    for (std::size_t i = 0; i < paragraphList_.size(); ++i)
        if (paragraphList_[i].get() == paragraph)
            return int(lastFoundParagraph_ = i);
    return -1;
}

void TextFlow::setCharStyle(std::unique_ptr<StyleChar> style) { charStyle_ = std::move(style); }

StyleChar* TextFlow::styleCharAt(textPoint* tp) const
{
    if (tp->letter < 0 && tp->word != 0) {
        --tp->word;
        tp->letter = TextWord::WholeWord;
    }
    if (tp->word < 0) {
        --tp->paragraph;
        tp->word = TextWord::WholeWord;
        tp->letter = TextWord::WholeWord;
    }
    if (tp->paragraph < 0 || tp->paragraph >= int(paragraphList_.size())) {
        if (paragraphList_.empty())
            return nullptr;
        return paragraphList_[0]->charStyle();
    }
    const TextParagraph* paragraph = paragraphList_[std::size_t(tp->paragraph)].get();
    const auto& words = paragraph->wordList();
    if (tp->word >= int(words.size())) {
        tp->word = int(words.size()) - 1;
        tp->letter = TextWord::WholeWord;
    }
    for (int w = tp->word; w >= 0; --w) {
        const TextWord* word = words[std::size_t(w)].get();
        if (!word->hasStyles())
            continue;
        int letter = w == tp->word ? tp->letter : TextWord::WholeWord;
        if (letter == TextWord::WholeWord || letter > word->textLength())
            letter = word->textLength();
        for (int i = letter; i >= 0; --i)
            if (StyleChar* style = word->styleAt(i)) {
                tp->word = w;
                tp->letter = i;
                return style;
            }
    }
    return paragraph->charStyle();
}

TextItem* TextFlow::item(const textPoint& point) const
{
    (void)point;
    return firstTextItem_;
}

LayoutDocument* TextFlow::document() const
{
    Page* page = firstTextItem_ ? firstTextItem_->page() : nullptr;
    return page ? page->document() : nullptr;
}

void TextFlow::dirtyFromParagraph(const TextParagraph* paragraph)
{
    const int from = indexOfParagraph(paragraph);
    if (from < 0)
        return;
    for (std::size_t i = std::size_t(from); i < paragraphList_.size(); ++i)
        paragraphList_[i]->setDirty(true);
}

textPoint TextFlow::pointOfWord(const TextWord* word) const
{
    const TextParagraph* paragraph = word ? word->paragraph() : nullptr;
    const int p = indexOfParagraph(paragraph);
    if (p < 0)
        return {-1, -1, 0};
    return {p, paragraph->indexOfWord(word), 0};
}
