#include "text/TextFlow.h"

#include "foundation/PageNumbers.h"
#include "text/TextDocument.h"
#include "text/TextParagraph.h"
#include "text/TextWordSpecial.h"

#include <vector>

std::string TextFlow::_textForCount(int count, short type)
{
    switch (type) {
    case 0:
        return std::to_string(count);
    case 2:
        return ConvertToLetters(count, 3);
    case 3:
        return ConvertToLetters(count, 4);
    case 4:
        return ConvertToRoman(count, 1);
    case 5:
        return ConvertToRoman(count, 2);
    case 8: {
        // 11, 12 and 13 (and 111, 112 ...) take "th" like the other teens.
        const int last = count % 10, lastTwo = count % 100;
        const char* suffix = "th";
        if (lastTwo < 11 || lastTwo > 13)
            suffix = last == 1 ? "st" : last == 2 ? "nd" : last == 3 ? "rd" : "th";
        if (count < 0 && (-lastTwo < 11 || -lastTwo > 13))
            suffix = -last == 1 ? "st" : -last == 2 ? "nd" : -last == 3 ? "rd" : "th";
        return std::to_string(count) + suffix;
    }
    default:
        return {};
    }
}

void TextFlow::recomputeAutonumberingFrom(int start)
{
    const TextDocument* document = this->document();
    if (!document)
        return;
    const int count = document->paragraphNumberingCount();
    if (count < 1)
        return;
    std::vector<int> counters(std::size_t(count) + 1, 0);
    for (int level = 1; level <= count; ++level)
        counters[std::size_t(level)] = document->paragraphNumberingLevel(level)->start - 1;
    int previous = 1;
    // Levels outside the document's table are not counted (they would index
    // past the counters).
    auto countLevel = [&](int level) {
        ++counters[std::size_t(level)];
        for (int deeper = level + 1; deeper <= previous && deeper <= count; ++deeper)
            counters[std::size_t(deeper)] = document->paragraphNumberingLevel(deeper)->start - 1;
        previous = level;
    };
    start = std::max(start, 0);
    for (int i = 0; i < start && i < paragraphCount(); ++i) {
        const int level = paragraphList_[std::size_t(i)]->autonumberLevel();
        if (level >= 1 && level <= count)
            countLevel(level);
    }
    int firstLevel = 0;
    for (int i = start; i < paragraphCount(); ++i) {
        TextParagraph* paragraph = paragraphList_[std::size_t(i)].get();
        const int level = paragraph->autonumberLevel();
        if (level < 1 || level > count)
            continue;
        if (firstLevel == 0)
            firstLevel = level;
        if (level < firstLevel - 1)
            break;
        countLevel(level);
        const TextDocument::NumberingLevel* record = document->paragraphNumberingLevel(level);
        int shown = level;
        while (shown > 1 && document->paragraphNumberingLevel(shown)->attachPrevious)
            --shown;
        std::string text = record->prefix.value_or("");
        for (int l = shown; l <= level; ++l) {
            if (l > shown)
                text += '.';
            text += _textForCount(counters[std::size_t(l)], document->paragraphNumberingLevel(l)->displayType);
        }
        text += record->suffix.value_or("");
        if (TextWordSpecial* word = paragraph->autonumberWord()) {
            word->setAutonumberValue(static_cast<short>(counters[std::size_t(level)]));
            word->setText(text.c_str());
        }
        paragraph->setDirty(true);
    }
}
