#include "text/TextFlow.h"

#include "text/TextParagraph.h"
#include "text/TextWord.h"

#include <cstdio>

std::uint16_t TextFlow::charForPoint(const textPoint* tp) const
{
    const TextParagraph* paragraph = tp ? paragraphAtIndex(tp->paragraph) : nullptr;
    const TextWord* word = paragraph ? paragraph->wordAtIndex(tp->word) : nullptr;
    const char* at = word ? word->charAtIndex(tp->letter) : nullptr;
    return at ? static_cast<unsigned char>(*at) : 0;
}

std::uint16_t TextFlow::textFlowGetc(flowPointer* fp) const
{
    if (!fp)
        return 0;
    const TextParagraph* paragraph = paragraphAtIndex(fp->point.paragraph);
    const TextWord* word = paragraph ? paragraph->wordAtIndex(fp->point.word) : nullptr;
    // Inside a word neither the paragraph's end nor the flow's can be
    // reached: read and step without the general checks.
    if (const int byte = word ? word->plainByteAt(fp->point.letter) : -1; byte >= 0) {
        fp->c = std::uint16_t(byte);
        ++fp->point.letter;
        return fp->c;
    }
    if (word && fp->point.letter >= 0 && fp->point.letter < word->length()) {
        const char* at = word->charAtIndex(fp->point.letter);
        fp->c = at ? static_cast<unsigned char>(*at) : 0;
        ++fp->point.letter;
        return fp->c;
    }
    if (!paragraph || textFlowAtEnd(fp))
        return fp->c;
    if (paragraph->isLastPoint(&fp->point)) {
        fp->c = 10;
        setTextPoint(&fp->point, fp->point.paragraph + 1, 0, 0);
        return fp->c;
    }
    fp->c = charForPoint(&fp->point);
    paragraph->nextTextPoint(&fp->point);
    return fp->c;
}

void TextFlow::textFlowSeek(flowPointer* fp, int offset) const
{
    if (!fp || offset != 0)
        return;
    fp->point = {0, 0, 0};
    fp->c = 0;
}

bool TextFlow::textFlowAtEndOfLast(const flowPointer* fp) const
{
    if (!fp)
        return true;
    // A pointer past the last paragraph reads nothing more either.
    if (fp->point.paragraph >= paragraphCount() - 1) {
        const TextParagraph* last = lastParagraph();
        return !last || fp->point.paragraph > paragraphCount() - 1 || last->isLastPoint(&fp->point);
    }
    return fp->point.paragraph < 0;
}

void TextFlow::printfFlowPointer(const flowPointer* fp, int at) const
{
    if (fp)
        std::printf("flow ptr: %d %d %d %c @ %d\n", fp->point.paragraph, fp->point.word, fp->point.letter,
                    fp->c, at);
}
