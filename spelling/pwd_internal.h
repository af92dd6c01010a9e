#pragma once

// What the engine's sources share: the speller record, the word-scope
// globals and the table access of the reading layer.

#include "spelling/pwd.h"
#include "spelling/pwd_format.h"

// The speller record, the data of a speller handle. Block entries follow it.
struct PWDSpeller {
    uint16_t fd;
    uint16_t version;
    uint16_t language;
    uint16_t flags;
    uint8_t classes[256];
    uint8_t codes[256];
    uint8_t digrams[256];
    uint16_t blockCount;
    uint16_t spare;
    uint32_t blockSize;
    uint32_t cacheThreshold;
    uint8_t level1;
    uint8_t level2;
    uint16_t counts[PWDC_COUNT];
    uint32_t positions[PWDT_COUNT];
    PWDHandle tables[PWDT_COUNT]; // the slot of the first block holds the found-word cache
    uint16_t userCount;
    uint16_t spare2;
    PWDHandle users[10];
    uint32_t fileSize;
    // Recent check results (pwd_interface.cpp): a malloc'd block whose
    // address is kept as bytes, since pool records are aligned to 4 only.
    unsigned char results[sizeof(void*)];
    unsigned char forms[sizeof(void*)]; // the filter of pwd_forms.cpp, the same way
    // A copy of the whole dictionary file in memory (kept the same way), from which the
    // main word blocks are read in place; none: they go through the pool.
    unsigned char mapped[sizeof(void*)];
};

struct PWDBlockEntry {
    uint32_t slack;
    uint32_t firstKey;
    uint32_t lastKey;
    PWDHandle handle;
};

enum {
    PWD_IDLE = 0x8000,
    PWDT_CACHE = PWDT_FIRST_BLOCK,
    PWD_WORD_CAPITAL = 0x100,
    PWD_WORD_ACCENT = 0x200,
    PWD_LETTERS = 0x02 | 0x04 | 0x100,
    PWD_CACHE_MAX = 10240,
};

// Called whenever a word list or the lists a speller uses change, so that
// no speller answers from the results of an earlier check.
void PWDWordListsChanged(void);
// CNSInsert without that notice, for the found-word cache, which only
// holds words the dictionary already accepts.
int PWDCacheInsert(PWDHandle list, const unsigned char* word);
// Frees a speller's recent results.
void PWDForgetResults(PWDSpeller* sp);

// The filter of every word form of the current speller's dictionary
// (pwd_forms.cpp), made on first use; nullptr when it cannot be had. A form
// is hashed over its letter codes (pwdFormCode: 128 + the byte for a
// character without one) with pwdFormStep from 0; a form the dictionary
// holds always passes pwdFormMaybe, most others do not.
// A blocked Bloom filter: each form sets 6 bits of one 512-bit block,
// so that a question reads one cache line.

struct PWDFormFilter {
    uint64_t blockMask;
    int shift;
    bool usable; // false: the dictionary could not be read whole
    uint64_t letters; // the letter codes below 64 that any form holds
    // By letter code (0: the word's edge): the codes that follow it in any
    // form, and those that come before it; codes from 63 on share bit 63.
    uint64_t follow[64], lead[64];
    // By the codes before and after (0: the edge): the codes found between
    // them in some form.
    uint64_t between[64][64];
    // By two codes in a row (0: the edge): the codes that follow them, and
    // those that come before them, in some form.
    uint64_t after2[64][64], before2[64][64];
    uint64_t* bits;
};

inline uint64_t pwdFormMix(uint64_t h)
{
    h *= 0x9E3779B97F4A7C15ull;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    return h ^ (h >> 32);
}

// The block from the top bits, the probes from the 54 bits below them.
inline uint64_t* pwdFormBlock(const PWDFormFilter* f, uint64_t m)
{
    return f->bits + 8 * ((m >> f->shift) & f->blockMask);
}

const PWDFormFilter* PWDForms(void);
inline bool pwdFormMaybe(const PWDFormFilter* f, uint64_t h)
{
    uint64_t m = pwdFormMix(h);
    const uint64_t* block = pwdFormBlock(f, m);
    for (int k = 0; k < 6; ++k, m >>= 9)
        if (!(block[(m >> 6) & 7] & (1ull << (m & 63))))
            return false;
    return true;
}
// Whether any form holds the letter code (codes from 63 on answer together).
bool PWDFormLetter(const PWDFormFilter* filter, unsigned code);
// Bits of the letter codes that follow a code in some form (code 0: the
// codes that begin a form; bit 0: the form may end there), and of those
// that come before it (code 0: the codes that end a form).
uint64_t PWDFormFollowers(const PWDFormFilter* filter, unsigned code);
uint64_t PWDFormLeaders(const PWDFormFilter* filter, unsigned code);
// Bits of the letter codes found between two codes in some form (0: the
// edge of the form).
uint64_t PWDFormBetween(const PWDFormFilter* filter, unsigned before, unsigned after);
// Bits of the codes that may stand at a place of a word, given the two
// codes before it (a, b) and the two after it (c, d); 0 for the edge.
uint64_t PWDFormFits(const PWDFormFilter* filter, unsigned a, unsigned b, unsigned c, unsigned d);
void PWDForgetForms(PWDSpeller* sp);
constexpr uint64_t kPWDFormBase = 0x100000001B3ull;
inline uint64_t pwdFormStep(uint64_t h, unsigned v)
{
    return h * kPWDFormBase + v + 1;
}
inline unsigned pwdFormCode(const unsigned char* codes, unsigned char c)
{
    return codes[c] ? codes[c] : 128u + c;
}

// Word-scope values of the operation in progress.
extern PWDHandle PWD;
extern int PWDallLen, PWDonLen, PWDpostLen, PWDskipLen, PWDfirst, PWDsecond, PWDLastLvl1Cnt;
extern const unsigned char* PWDorigWord;
extern int CompoundFlg;

PWDSpeller* PWDRecord(void);
PWDBlockEntry* PWDBlocks(void);
int PWDPresence(void);
void PWDSetStatus(int bits);
int PWDStatus(void);

// Table access for the operation in progress: loads and checks a table on
// first use and keeps it locked until PWDReleaseTables. NULL (status set)
// when it cannot be read; an absent table answers a non-NULL pointer and
// size 0.
const unsigned char* PWDTable(int which, long* size);
const unsigned char* PWDBlock(int index, long* length);
// Whether the current speller reads its main blocks from its in-memory copy of the file,
// so that none of them ever has to be read again.
bool PWDBlocksMapped(void);
void PWDReleaseBlock(int index);
void PWDReleaseTables(void);

// Etc block accessors.
int EtcAccess(int kind, unsigned char* map256, const unsigned char** part, long* partSize);
unsigned char UnMapChar(int code, int capital);

// Check parts shared with the guesser.
int PWDCheckToken(unsigned char* first, unsigned char* last, int option);
int MatchOne(unsigned char* first, unsigned char* last, int option);
int GetStat(const unsigned char* word, int length);
int PWDCheckArabic(unsigned char* first, unsigned char* last, int option);
PWDHandle PWDGuessArabic(unsigned char* word, int length, int status);
int PWDCompleteArabicGuess(unsigned char* guess, int size);
int PWDDoGuess(unsigned char* word, int length, int status);
int PWDGuessRussian(unsigned char* word, int length, int status);
int PWDCompleteRussianGuess(unsigned char* guess, int size);

// The host's look-ups for the operation in progress, through their hooks.
int CallUserSpellCheck(const unsigned char* word, int length);
int CallUserGuess(const unsigned char* word, int length);
// Hyphen points of a word (pairs of position and weight, room for
// PWD_MAX_HYPHEN_POINTS); 0 when the hyphenator is not there.
int CallUserGetHyphens(const unsigned char* word, int length, unsigned char* pairs);
int PWDExactGuess(const unsigned char* word, int length, int status, const unsigned char* list, long size,
                  int caseOption);
