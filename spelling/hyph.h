#pragma once

// Table-driven hyphenator: break points of one word of a given language.
// Plain functions over the C library; the result is process-wide and
// overwritten by every call. The rule tables are data files made at build
// time ("<dir>/<group>.hyp", one per group of languages that share tables),
// read on first use of a language from the folder given to
// HyphSetResourceDir: the program hands over its resources folder.

#include <stdint.h>

#define HYPH_MAX_POINTS 40
#define HYPH_NO_LANGUAGE 65535

// Number of points held (at most HYPH_MAX_POINTS) and the points as
// (position, weight) pairs: position p is the break after letter p (from 0),
// weight 0..3 how good the break is (lower is better), 4 forbids it.
extern uint16_t hyph_index;
extern unsigned char hyphens[2 * HYPH_MAX_POINTS];

// Current language number, HYPH_NO_LANGUAGE when none is selected.
extern uint16_t dashes_currentLang;

// Folder of the table files; NULL or "" for none (no language can be
// selected). Changing it forgets languages whose tables could not be read,
// so they are tried again.
void HyphSetResourceDir(const char *dir);

// Why the last selection failed ("" when it did not), for diagnostics.
const char *HyphLastError(void);

// 0 when the language is ready, -1 when it has no rules or its tables
// cannot be read (then no language is current).
int InitHyph(uint16_t language);

// Clears the 256-byte map and sets 1 for every delimiter that is not a
// letter of the language.
void MakeMap(unsigned char *map, uint16_t language);

// Class code of a document character in the language, 0 when not a letter.
int host2dashes(unsigned char c, uint16_t language);

// Hyphenates the class codes first..last of the current language into the
// result. 0 done, -1 when no language is selected.
int hyphenate(const unsigned char *first, const unsigned char *last);

// Selects the language, maps and hyphenates the characters, and copies the
// (position, weight) pairs into pairs (room for 2 * HYPH_MAX_POINTS bytes).
// Returns the number of points; 0 when the language has no rules or a
// character is not a letter of it.
int pwd_hyphenate(const unsigned char *word, int length, unsigned char *pairs, int language);

// The language initialisers: each makes its language current; 0, or -1
// when its tables cannot be read.
int EngInit(void);
int SpaInit(void);
int ItaInit(void);
int PorInit(void);
int Fr1Init(void);
int Fr2Init(void);
int FreInit(void);
int GerInit(void);
int SGrInit(void);
int DutInit(void);
int BokInit(void);
int NynInit(void);
int SweInit(void);
int DanInit(void);
int IceInit(void);
int GreInit(void);
int TurInit(void);
int SwaInit(void);
int RusInit(void);
int CroInit(void);
int HebInit(void);
int HunInit(void);
int PolInit(void);
int CzeInit(void);
int UkrInit(void);
int SloInit(void);
int BelInit(void);
int CatInit(void);
int SlvInit(void);
int BlgInit(void);
int RmnInit(void);
