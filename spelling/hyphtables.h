#pragma once

// The hyphenation tables of one language as loaded from its group file.

#include <stdint.h>

struct HyphTable {
    const unsigned char *p; // nullptr: the language has none
    uint32_t len;
};

struct HyphRules {
    const uint16_t *w; // ends with a 0 control word
    uint32_t n;
};

// Negative root rules that test plain letters around their mark, hashed by
// their letters; the others are tried in list order.
struct HyphNegIndex {
    uint32_t *offset; // word offset of each rule in the list
    uint32_t *next;   // next rule with the same letters
    uint64_t *keys;
    uint32_t *slots;  // first rule of a key, UINT32_MAX for an empty slot
    uint32_t mask;
    uint64_t *shapes; // per letter pair around the mark: which (left, right) lengths exist
    uint32_t *general;
    uint32_t ngeneral;
    int canonical; // plain rules run from the most letters to the fewest, left side first
};

// Bit of a (left, right) shape in HyphNegIndex::shapes: the most letters
// first, then the longer left side, so that a canonical list is searched in
// its own order.
inline int hyph_shape_bit(int left, int right)
{
    int size = left + right; // 2..16
    // Rank inside all shapes with 1..8 letters a side.
    int rank = 0;
    for (int s = 16; s > size; s--)
        for (int l = 8; l >= 1; l--)
            if (s - l >= 1 && s - l <= 8)
                rank++;
    for (int l = 8; l > left; l--)
        if (size - l >= 1 && size - l <= 8)
            rank++;
    return rank;
}

struct HyphRecord {
    const uint16_t *features;
    int nfeatures;
    HyphTable ex, pr, su, ro, mu;
    HyphRules proot, nroot, pons, nons, prhy, nrhy;
    HyphNegIndex *neg;
    int (*suffixHook)(int end);
    void (*finalHook)(int start, int end);
};

inline uint16_t hyph_rd16(const unsigned char *p, int word)
{
    return (uint16_t)(p[2 * word] | (p[2 * word + 1] << 8));
}

inline int hyph_hi_code(const HyphTable &t)
{
    return t.p ? (hyph_rd16(t.p, 0) & 0xFF) : 0;
}

inline uint64_t hyph_neg_key_start(int left, int right)
{
    return (uint64_t)left | ((uint64_t)right << 4);
}

inline uint64_t hyph_neg_key_add(uint64_t key, int k, int code)
{
    return key | ((uint64_t)(code & 63) << (8 + 6 * k));
}

inline uint32_t hyph_neg_hash(uint64_t key)
{
    key *= 0x9E3779B97F4A7C15ull;
    return (uint32_t)(key >> 32);
}

// Loads (once per group) and checks the tables of a language; fills rec,
// leaving its hooks to the caller. 0, or -1 with a message in err.
int hyph_build_record(HyphRecord *rec, int language, const char *dir, char *err, int errSize);
void hyph_free_record(HyphRecord *rec);
// Drops every loaded group file.
void hyph_reset_tables(void);
