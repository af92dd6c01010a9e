#pragma once

// Positions in a flow and the comparisons every caret, selection end and
// column boundary is made with.

#include <cstdint>

// A position in a flow: paragraph index, word index in it, letter in the word.
struct textPoint {
    int paragraph = 0;
    int word = 0;
    int letter = 0;
};

// A cursor that reads a flow one character at a time.
struct flowPointer {
    textPoint point;
    std::uint16_t c = 0; // the last character read; 0 after a rewind
};

// A null address is never equal, not even to another null address.
bool EqualTextPoints(const textPoint* a, const textPoint* b);
// -1, 0 or 1 in reading order; 0 when either address is null.
int TextPointCmp(const textPoint* a, const textPoint* b);
// Puts the two in reading order; true when they were swapped.
bool TextPointSort(textPoint* a, textPoint* b);
textPoint* setTextPoint(textPoint* point, int paragraph, int word, int letter);
// One letter back; from a word's start to the end of the word before, from a
// paragraph's start to the end of the paragraph before.
void stepBackTextPoint(textPoint* p);
