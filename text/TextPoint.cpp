#include "text/TextPoint.h"

#include "text/TextWord.h"

#include <utility>

bool EqualTextPoints(const textPoint* a, const textPoint* b)
{
    return a && b && a->paragraph == b->paragraph && a->word == b->word && a->letter == b->letter;
}

int TextPointCmp(const textPoint* a, const textPoint* b)
{
    if (!a || !b)
        return 0;
    if (a->paragraph != b->paragraph)
        return a->paragraph < b->paragraph ? -1 : 1;
    if (a->word != b->word)
        return a->word < b->word ? -1 : 1;
    if (a->letter != b->letter)
        return a->letter < b->letter ? -1 : 1;
    return 0;
}

bool TextPointSort(textPoint* a, textPoint* b)
{
    if (TextPointCmp(a, b) <= 0)
        return false;
    std::swap(*a, *b);
    return true;
}

textPoint* setTextPoint(textPoint* point, int paragraph, int word, int letter)
{
    if (point)
        *point = {paragraph, word, letter};
    return point;
}

void stepBackTextPoint(textPoint* p)
{
    if (p->word >= 0 && p->letter > 0) {
        --p->letter;
    } else if (p->word > 0) {
        --p->word;
        p->letter = TextWord::WholeWord;
    } else {
        --p->paragraph;
        p->word = TextWord::WholeWord;
        p->letter = TextWord::WholeWord;
    }
}
