#pragma once

// Spaces as typed between the words of a paragraph, for text that leaves
// the program (copied, saved as RTF or plain text). A tab, a break or a
// picture stands between its words by itself: the boundary the text engine
// keeps beside it is no typed space, and a special word other than a field
// has no space after it. Every other boundary is one space, so an empty
// word is a typed space; a run of empty words between words that stand by
// themselves (or from the paragraph's start) holds one space more than its
// boundaries: the one typed first.

#include "text/TextWord.h"

namespace typedspaces {

// A tab, a line, page or paragraph end, a picture.
bool standsAlone(const TextWord* word);
// A plain word or a field, which a space follows as it follows a word.
bool writesItsSpace(const TextWord* word);

// A space between `word` and `next` (either may be null).
inline bool between(const TextWord* word, const TextWord* next)
{
    return word && next && writesItsSpace(word) && !standsAlone(next);
}

// One space more before the word at `index` of a sequence read through
// `at(int)` (null outside it) when the words just before it are a run of
// empty words that follows a word standing by itself, or begins the
// sequence. Also where a paragraph ends after such a run (`index` past its
// words).
template <class WordAt>
bool afterEmptyRun(WordAt at, int index)
{
    const auto empty = [&](int i) {
        const TextWord* word = i >= 0 ? at(i) : nullptr;
        return word && !word->isSpecial() && word->textLength() == 0;
    };
    int i = index - 1;
    if (!empty(i))
        return false;
    while (empty(i))
        --i;
    const TextWord* first = i >= 0 ? at(i) : nullptr;
    return !first || !writesItsSpace(first);
}

// The same before a word that stands by itself.
template <class WordAt>
bool before(WordAt at, int index)
{
    return standsAlone(at(index)) && afterEmptyRun(at, index);
}

} // namespace typedspaces
