#pragma once

// The spelling engine: plain functions over the C library, working in a pool
// of relocatable blocks that the host hands over once. Words are bytes of the
// engine's 8-bit set (Mac OS Roman); callers convert to and from it.

#include <stddef.h>
#include <stdint.h>

// ---------------------------------------------------------------------------
// Memory pool

// A handle names a master record by its offset from the pool's base (0 = no
// handle); the master holds the block's current offset, so blocks can move.
typedef uint32_t PWDHandle;

enum {
    CNS_IN_USE = 0x01,
    CNS_PURGEABLE = 0x40,
    CNS_LOCKED = 0x80,
};

enum {
    CNS_MASTER_COUNT = 500,
    CNS_MAX_HANDLE_SIZE = 64511,
    CNS_MIN_POOL_SIZE = 25600,
};

extern unsigned char* CNSPool;
// Host function that frees pool memory and answers the bytes it freed.
extern long (*UserFreeSpace)(void);

int InitMemPool(void* block, long size);
int GrowMemPool(void* block, long size);
long AvailMem(void);
PWDHandle CNSHandle(long size);
int CNSDisposHandle(PWDHandle handle);
int CNSSetHandleSize(PWDHandle handle, long size);
long CNSGetHandleSize(PWDHandle handle);
int CNSLock(PWDHandle handle);
int CNSUnlock(PWDHandle handle);
int CNSPurge(PWDHandle handle);
int CNSNoPurge(PWDHandle handle);
int CNSHGetState(PWDHandle handle);
// The block's current data address; NULL for no handle or a purged block.
// Valid until the next allocation unless the handle is locked.
void* CNSDeref(PWDHandle handle);
void BlockMove(const void* source, void* destination, long count);
void ABlockMove(const void* source, void* destination, long count);

// ---------------------------------------------------------------------------
// Word lists: sorted separator-terminated strings in a handle

typedef int (*CNSCompare)(const unsigned char* probe, const unsigned char* stored, int option);

enum {
    CNS_GROWS = 0x01,
    CNS_REPLACE = 0x02,
    CNS_APPEND_FAST = 0x04,
    CNS_REJECT_LIST = 0x08,
    CNS_OPTION = 0x10,
};

extern int CNSSep;
extern long CNSDupPos;

PWDHandle CNSNewDict(int separator, int flags, long initialSize, long maximumSize, long growth,
                     CNSCompare compare);
void CNSKillDict(PWDHandle list);
PWDHandle CNSDict2Handle(PWDHandle list);
PWDHandle CNSHandle2Dict(PWDHandle data, int separator, int flags, long maximumSize, long growth,
                         CNSCompare compare);
long CNSSearch(PWDHandle list, const unsigned char* word);
long CNSFindPos(PWDHandle list, const unsigned char* word);
int CNSInsert(PWDHandle list, const unsigned char* word);
int CNSDelete(PWDHandle list, const unsigned char* word);
int CNSRemove(PWDHandle list, long index);
long CNSLookUp(const unsigned char* data, const unsigned char* probe, long low, long high,
               CNSCompare compare, int separator, int flags, int* found);
long CNSstrlen(const unsigned char* s);
int CNSstrcmp(const unsigned char* probe, const unsigned char* stored, int option);
// Used bytes of a list and its data handle (for reading its strings).
long CNSDictUsed(PWDHandle list);
PWDHandle CNSDictData(PWDHandle list);
int CNSDictFlags(PWDHandle list);

// ---------------------------------------------------------------------------
// Languages

typedef struct {
    char code[4];
    int32_t number;
    int32_t count;
    char name[20];
} PWDLanguage;

enum { PWD_LANGUAGE_COUNT = 35 };
extern const PWDLanguage lang_list[PWD_LANGUAGE_COUNT];
const PWDLanguage* check_lang(const char* code);
const PWDLanguage* check_langNum(short number);
// Dictionary base names ("%s/%s.dct") by language number 0 to 32; NULL
// where no dictionary is named.
extern const char* const dictFileNames[33];

// ---------------------------------------------------------------------------
// Status

enum {
    PWD_CAPITAL_ONLY = 0x01,
    PWD_MIXED_CASE = 0x02,
    PWD_NO_MEMORY = 0x04,
    PWD_IO_ERROR = 0x08,
    PWD_BAD_VERSION = 0x10,
    PWD_USER_REJECTED = 0x20,
    PWD_USER_EXACT = 0x40,
    // The word was not looked at (too long): a result of 0 then says nothing
    // about its spelling.
    PWD_NOT_CHECKED = 0x4000,
};

typedef struct {
    uint16_t status;
    uint16_t first;
    uint16_t last;
} PWDStat;

PWDStat* PWDGetStat(void);

// ---------------------------------------------------------------------------
// Spellers

enum { PWD_MAX_WORD = 125 };

PWDHandle PWDInitSpell(const char* path, int mode);
int PWDSpellCheck(PWDHandle speller, const unsigned char* first, const unsigned char* last, int option);
PWDHandle PWDGuess(PWDHandle speller, const unsigned char* first, const unsigned char* last, int castMode,
                   int attachSuffixes);
int PWDStartSpell(PWDHandle speller);
int PWDEndSpell(PWDHandle speller);
int PWDKillSpell(PWDHandle speller);
long PWDPurge(void);
int PWDInstallUser(PWDHandle speller, PWDHandle list);
int PWDRemoveUser(PWDHandle speller, PWDHandle list);
int PWDDetachUser(PWDHandle speller, PWDHandle list);
// During a guess (from a host hook): offers the near matches of a word
// (NUL-terminated) among the NUL-terminated words of a handle's first `size`
// bytes. 0 when no guess is in progress or a match cannot be stored.
int PWDGuessExact(const unsigned char* word, PWDHandle list, long size);

// Host hooks; the defaults do what the engine's contract says.
extern int (*UserInitSpell)(PWDHandle speller);
extern int (*UserKillSpell)(PWDHandle speller);
extern int (*UserStartSpell)(PWDHandle speller);
extern int (*UserEndSpell)(PWDHandle speller);
extern long (*UserPurgeSpell)(void);
extern int (*UserTakeGuess)(const unsigned char* record);
extern int (*UserCancel)(void);
extern int (*UserIntl_strcmp)(const unsigned char* a, const unsigned char* b);

// Look-ups the host may replace. A setter installs its hook (NULL puts the
// default back) and answers the hook it replaces; a hook left NULL acts as
// the default. The defaults are callable, so that a replacement can add to
// them.
enum { PWD_MAX_HYPHEN_POINTS = 64 };
// A word (length bytes of the engine's set) against the host's lists: 1
// accepted, 2 rejected (listed as a wrong word), 0 not listed.
typedef int (*PWDUserSpellCheckHook)(PWDHandle speller, const unsigned char* word, int length);
// Offers suggestions for a word (NUL-terminated, length bytes) through
// PWDGuessExact; 0 when one could not be stored, which ends the guess.
typedef int (*PWDUserGuessHook)(PWDHandle speller, const unsigned char* word, int length);
// Hyphen points of a word for the compound rule: (position, weight) pairs
// into pairs (room for PWD_MAX_HYPHEN_POINTS); answers their number.
typedef int (*PWDUserGetHyphensHook)(PWDHandle speller, const unsigned char* word, int length,
                                     unsigned char* pairs);

extern PWDUserSpellCheckHook UserSpellCheck;
extern PWDUserGuessHook UserGuess;
extern PWDUserGetHyphensHook UserGetHyphens;
PWDUserSpellCheckHook PWDSetUserSpellCheck(PWDUserSpellCheckHook hook);
PWDUserGuessHook PWDSetUserGuess(PWDUserGuessHook hook);
PWDUserGetHyphensHook PWDSetUserGetHyphens(PWDUserGetHyphensHook hook);
// The defaults: the speller's user lists, and the rule hyphenator.
int PWDDefaultSpellCheck(PWDHandle speller, const unsigned char* word, int length);
int PWDDefaultGuess(PWDHandle speller, const unsigned char* word, int length);
int PWDDefaultGetHyphens(PWDHandle speller, const unsigned char* word, int length, unsigned char* pairs);
// The language number stored in a speller's dictionary, -1 for no speller.
int PWDSpellerLanguage(PWDHandle speller);
