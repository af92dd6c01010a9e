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
    int owned;         // w was allocated (else it points into the file)
};

// Negative root rules that test plain letters, in a trie over their
// letters: walking the stretch from each letter finds every such rule that
// matches, in a few steps per letter. Stored as the file section
// HYPH_SLOT_NEGINDEX beside the rules: u32 node count, hit count, count of
// the other rules, 0; u32 hits (word offset of the rule << 9 | its rule
// sets (control >> 11) << 5 | mark offset);
// u32 word offsets of the other rules, in list order; then per node a byte
// each of letter, number of children and number of hits. Nodes are breadth
// first from the root (node 0), siblings sorted by letter, so a node's
// children and hits follow those of the nodes before it. Offsets read from
// a file are checked where they are used.
struct HyphNegIndex {
    void *owned[3];
    uint32_t nodes, nhits, ngeneral;
    const uint32_t *hits, *general;
    const unsigned char *letter;
    struct Node {
        uint32_t child, hit; // first child - 1, first hit
    } *node;                 // nodes + 1
    uint32_t root[64];               // child of the root per letter, 0 for none
    uint32_t *second;                // node of the first two letters (64 x 64), 0 for none
    int zeros;                       // most boundary codes a rule starts with
};

#define HYPH_NEG_MARK_BITS 5
#define HYPH_NEG_AT_SHIFT 9 // rules further into the list are tried in list order
#define HYPH_NEG_MAX_DEPTH 31

// Builds the trie section of a negative rule list (ended by a 0 control
// word); malloc'd, *size gets its length in bytes. nullptr when memory runs
// out.
unsigned char *hyph_neg_trie_build(const uint16_t *rules, uint32_t n, uint32_t *size);

struct HyphRecord {
    const uint16_t *features;
    int nfeatures;
    HyphTable ex, pr, su, ro, mu;
    HyphRules proot, nroot, pons, nons, prhy, nrhy;
    HyphNegIndex *neg;
    // Where each exception-list entry starts, and the run of entries for
    // each first letter, so that the search never scans for entry starts.
    uint16_t *exStarts;
    uint32_t nex;
    uint32_t exFirst[65];
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

// Loads (once per group) and checks the tables of a language; fills rec,
// leaving its hooks to the caller. 0, or -1 with a message in err.
int hyph_build_record(HyphRecord *rec, int language, const char *dir, char *err, int errSize);
void hyph_free_record(HyphRecord *rec);
// Drops every loaded group file.
void hyph_reset_tables(void);
