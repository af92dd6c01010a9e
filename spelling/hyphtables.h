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
// letters with failure links, so that one pass over the stretch finds every
// such rule that matches (Aho and Corasick). Stored as the file section
// HYPH_SLOT_NEGINDEX beside the rules: u32 node count, hit count, count of
// the other rules, the rule sets it holds (rules of other sets are left out); u32 hits (word offset of the rule << 9 | its rule
// sets (control >> 11) << 5 | mark offset); u32 word offsets of the other
// rules, in list order; u32 failure link per node; u32 per node the nearest
// node with hits along its failure links (0 none); then per node a byte
// each of letter, number of children and number of hits. Nodes are breadth
// first from the root (node 0), siblings sorted by letter, so a node's
// children and hits follow those of the nodes before it. Rule offsets read
// from a file are checked where they are used.
//
// With HYPH_NEG_LONGEST among the sets, a place of the stretch takes only
// the rules of the longest run of letters before it that the trie holds,
// not those of its shorter tails: the reading of pattern files whose
// patterns each carry the digits of the shorter ones inside them. A rule
// of no class (class word without 0x7F00 bits) then only adds its letters
// to the trie.
struct HyphNegIndex {
    void *owned[3];
    uint32_t nodes, nhits, ngeneral;
    const uint32_t *hits, *general;
    // Everything a step needs in one place: first child - 1 | letter << 26,
    // first hit, failure link, nearest node with hits | depth << 27.
    struct Node {
        uint32_t child, hit, fail, dict;
    } *node; // nodes + 1
    const unsigned char *letter; // per node; siblings side by side for the search
    uint32_t root[64];       // child of the root per letter, 0 for none
    uint32_t *second;        // node of two letters (64 x 64), 0 for none
    int zeros;               // most boundary codes a rule starts with
    int longest;             // HYPH_NEG_LONGEST was set
};

#define HYPH_NEG_LONGEST 0x0001

#define HYPH_NEG_MARK_BITS 5
#define HYPH_NEG_AT_SHIFT 9 // rules further into the list are tried in list order
#define HYPH_NEG_MAX_DEPTH 31
#define HYPH_NEG_CHILD(n) ((n).child & 0x3FFFFFF)
#define HYPH_NEG_LETTER(n) ((n).child >> 26)
#define HYPH_NEG_DICT(n) ((n).dict & 0x7FFFFFF)
#define HYPH_NEG_DEPTH(n) ((n).dict >> 27)

// Builds the trie section of the rules of the given sets of a negative rule
// list (ended by a 0 control word), HYPH_NEG_LONGEST among them for the
// longest runs only; malloc'd, *size gets its length in bytes. nullptr when
// memory runs out.
unsigned char *hyph_neg_trie_build(const uint16_t *rules, uint32_t n, uint16_t sets, uint32_t *size);

struct HyphRecord {
    const uint16_t *features;
    int nfeatures;
    HyphTable ex, pr, su, ro, mu;
    HyphRules proot, nroot, pons, nons, prhy, nrhy;
    HyphNegIndex *neg;
    // When every positive rule of the language tests just two letters, the
    // first one that matches each letter pair (word offset + 1, 0 none) and
    // how many rules the search tries on the way.
    uint32_t *pairRule;
    unsigned char *pairTries;
    int roEntries; // the root index has entries
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
