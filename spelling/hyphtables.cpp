// Reading and checking the hyphenation table files.

#include "spelling/hyphtables.h"

#include "spelling/hyph_internal.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const uint16_t kEmptyRules[1] = {0};

struct Group {
    char name[32];
    unsigned char *data;
    uint32_t size;
    uint16_t count; // sections
};

Group groups[32];
int ngroups;

uint32_t rd32(const unsigned char *p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

const Group *loadGroup(const char *name, const char *dir, char *err, int errSize)
{
    for (int i = 0; i < ngroups; i++)
        if (strcmp(groups[i].name, name) == 0)
            return &groups[i];
    if (!dir || !*dir) {
        snprintf(err, errSize, "no folder was given for the hyphenation tables");
        return nullptr;
    }
    char path[1200];
    snprintf(path, sizeof path, "%s/%s.hyp", dir, name);
    FILE *f = fopen(path, "rb");
    if (!f) {
        snprintf(err, errSize, "cannot open %s", path);
        return nullptr;
    }
    unsigned char *data = nullptr;
    long size = -1;
    if (fseek(f, 0, SEEK_END) == 0)
        size = ftell(f);
    if (size >= 8 && size < (1L << 28) && fseek(f, 0, SEEK_SET) == 0) {
        data = (unsigned char *)malloc((size_t)size);
        if (data && fread(data, 1, (size_t)size, f) != (size_t)size) {
            free(data);
            data = nullptr;
        }
    }
    fclose(f);
    if (!data) {
        snprintf(err, errSize, "cannot read %s", path);
        return nullptr;
    }
    uint16_t count = hyph_rd16(data, 3);
    bool ok = memcmp(data, HYPH_FILE_MAGIC, 4) == 0 && hyph_rd16(data, 2) == HYPH_FILE_VERSION &&
              8 + 12 * (uint32_t)count <= (uint32_t)size;
    for (uint32_t i = 0; ok && i < count; i++) {
        const unsigned char *d = data + 8 + 12 * i;
        uint32_t off = rd32(d + 4), len = rd32(d + 8);
        ok = off <= (uint32_t)size && len <= (uint32_t)size - off;
    }
    if (!ok || ngroups >= 32) {
        free(data);
        snprintf(err, errSize, "%s is damaged", path);
        return nullptr;
    }
    Group &g = groups[ngroups++];
    snprintf(g.name, sizeof g.name, "%s", name);
    g.data = data;
    g.size = (uint32_t)size;
    g.count = count;
    return &g;
}

bool findSection(const Group *g, int slot, int language, HyphTable *out)
{
    const unsigned char *shared = nullptr;
    uint32_t sharedLen = 0;
    for (uint32_t i = 0; i < g->count; i++) {
        const unsigned char *d = g->data + 8 + 12 * i;
        if (hyph_rd16(d, 0) != slot)
            continue;
        uint16_t who = hyph_rd16(d, 1);
        if (who == language) {
            out->p = g->data + rd32(d + 4);
            out->len = rd32(d + 8);
            return true;
        }
        if (who == HYPH_SHARED) {
            shared = g->data + rd32(d + 4);
            sharedLen = rd32(d + 8);
        }
    }
    out->p = shared;
    out->len = sharedLen;
    return shared != nullptr;
}

bool indexOk(const HyphTable &t, int extraBuckets)
{
    if (!t.p)
        return true;
    if (t.len < 10)
        return false;
    int hi = hyph_rd16(t.p, 0) & 0xFF;
    if (hi > 63)
        return false;
    uint32_t words = 5 + hi + (extraBuckets ? hi + 1 : 0);
    return words * 2 <= t.len && hyph_rd16(t.p, 2) <= t.len && hyph_rd16(t.p, 3) <= t.len;
}

inline bool littleEndian()
{
    const uint16_t one = 1;
    return *(const unsigned char *)&one == 1;
}

// kind: 0 positive root rules, 1 negative root rules, 2 onsets and rhymes.
bool rulesOk(const uint16_t *w, uint32_t n, int kind)
{
    uint32_t i = 0;
    int header = kind == 2 ? 1 : 2;
    while (i < n) {
        uint16_t ctrl = w[i];
        if (ctrl == 0)
            return true;
        uint32_t len = ctrl & HYPH_RULE_LEN;
        if (i + header + len >= n) // room for the items and the closing 0
            return false;
        const uint16_t *pat = w + i + header;
        for (uint32_t k = 0; k < len; k++) {
            int pk = HYPH_PAT_KIND(pat[k]);
            if (pk != 1 && pk != 5 && ++k >= len)
                return false;
        }
        i += header + len;
    }
    return false;
}

bool loadRules(const Group *g, int slot, int language, int kind, HyphRules *out)
{
    HyphTable t;
    out->w = kEmptyRules;
    out->n = 1;
    if (!findSection(g, slot, language, &t))
        return true;
    if (t.len < 2 || t.len % 2)
        return false;
    uint32_t n = t.len / 2;
    if (kind == 1 && littleEndian() && ((uintptr_t)t.p & 1) == 0) {
        // The long negative list is used where it lies; the engine checks
        // each rule it reaches against n, and one that ends the list is
        // enough for the walks over it.
        out->w = (const uint16_t *)t.p;
        out->n = n;
        return out->w[n - 1] == 0;
    }
    uint16_t *w = (uint16_t *)malloc(n * sizeof(uint16_t));
    if (!w)
        return false;
    for (uint32_t i = 0; i < n; i++)
        w[i] = hyph_rd16(t.p, (int)i);
    if (!rulesOk(w, n, kind)) {
        free(w);
        return false;
    }
    out->w = w;
    out->n = n;
    out->owned = 1;
    return true;
}

// A rule the trie can hold: letters only, one of them marked, no stop; or
// letters followed by one marked item that takes any letter (a break
// after the letters, whatever follows). *letters gets the letters the trie
// holds, *mark the marked one (== *letters for the trailing item).
bool plainRule(const uint16_t *rule, int *mark, int *letters)
{
    int len = rule[0] & HYPH_RULE_LEN;
    if (rule[1] & HYPH_NEG_STOP)
        return false;
    *mark = -1;
    *letters = len;
    if (len >= 2 && rule[len] == (HYPH_PAT_MARK | HYPH_F_LETTER) && rule[len + 1] == HYPH_F_LETTER) {
        *letters = len - 2;
        *mark = len - 2;
    }
    for (int k = 0; k < *letters; k++) {
        int kind = HYPH_PAT_KIND(rule[2 + k]);
        if (kind == 5) {
            if (*mark >= 0)
                return false;
            *mark = k;
        } else if (kind != 1)
            return false;
    }
    return *mark >= 0 && *letters > 0;
}

void freeNegIndex(HyphNegIndex *ix)
{
    if (!ix)
        return;
    for (void *p : ix->owned)
        free(p);
    free(ix->node);
    free(ix->second);
    free(ix);
}

// Makes a trie section the record's index; data stays owned by the caller
// (the group file or the built section, handed over in owned).
HyphNegIndex *attachNegIndex(const unsigned char *data, uint32_t size, void *owned)
{
    HyphNegIndex *ix = (HyphNegIndex *)calloc(1, sizeof(HyphNegIndex));
    if (!ix) {
        free(owned);
        return nullptr;
    }
    ix->owned[0] = owned;
    if (size < 16) {
        freeNegIndex(ix);
        return nullptr;
    }
    uint64_t nodes = rd32(data), nhits = rd32(data + 4), ngeneral = rd32(data + 8);
    if (nodes < 1 || 16 + 4 * (nhits + ngeneral) + 11 * nodes != size) {
        freeNegIndex(ix);
        return nullptr;
    }
    ix->nodes = (uint32_t)nodes;
    ix->longest = (rd32(data + 12) & HYPH_NEG_LONGEST) != 0;
    ix->nhits = (uint32_t)nhits;
    ix->ngeneral = (uint32_t)ngeneral;
    const unsigned char *words = data + 16;
    uint64_t nwords = nhits + ngeneral + 2 * nodes;
    if (littleEndian() && ((uintptr_t)words & 3) == 0) {
        ix->hits = (const uint32_t *)words;
    } else {
        uint32_t *copy = (uint32_t *)malloc((nwords + 1) * sizeof(uint32_t));
        if (!copy) {
            freeNegIndex(ix);
            return nullptr;
        }
        for (uint64_t i = 0; i < nwords; i++)
            copy[i] = rd32(words + 4 * i);
        ix->owned[1] = copy;
        ix->hits = copy;
    }
    ix->general = ix->hits + nhits;
    const uint32_t *fail = ix->general + ngeneral, *dict = fail + nodes;
    const unsigned char *letters = words + 4 * nwords;
    const unsigned char *children = letters + nodes, *hitCounts = children + nodes;
    ix->letter = letters;
    if (nodes >= (1u << 26)) {
        freeNegIndex(ix);
        return nullptr;
    }
    ix->node = (HyphNegIndex::Node *)malloc((nodes + 1) * sizeof(HyphNegIndex::Node));
    if (!ix->node) {
        freeNegIndex(ix);
        return nullptr;
    }
    // Children of node k are the nodes 1 + its child field onwards; links
    // lead to earlier nodes only, so that following them always ends. The
    // nodes one letter deeper than a run of nodes are the run's children.
    uint32_t c = 0, h = 0, depth = 0, levelEnd = 1;
    bool ok = fail[0] == 0 && dict[0] == 0;
    for (uint32_t k = 0; k < nodes && ok; k++) {
        ok = k == 0 || (fail[k] < k && dict[k] < k);
        if (k == levelEnd) {
            depth += depth < HYPH_NEG_MAX_DEPTH;
            levelEnd = c + 1;
        }
        ix->node[k].child = c | ((uint32_t)(letters[k] & 63) << 26);
        ix->node[k].hit = h;
        ix->node[k].fail = fail[k];
        ix->node[k].dict = dict[k] | (depth << 27);
        c += children[k];
        h += hitCounts[k];
    }
    ix->node[nodes].child = c | (63u << 26);
    ix->node[nodes].hit = h;
    ix->node[nodes].fail = ix->node[nodes].dict = 0;
    if (!ok || c != nodes - 1 || h != nhits) {
        freeNegIndex(ix);
        return nullptr;
    }
    ix->second = (uint32_t *)calloc(64 * 64, sizeof(uint32_t));
    if (!ix->second) {
        freeNegIndex(ix);
        return nullptr;
    }
    for (uint32_t a = 1; a <= children[0]; a++) {
        ix->root[letters[a] & 63] = a;
        for (uint32_t x = HYPH_NEG_CHILD(ix->node[a]) + 1; x <= HYPH_NEG_CHILD(ix->node[a + 1]); x++)
            ix->second[(letters[a] & 63) * 64 + (letters[x] & 63)] = x;
    }
    // Rules that begin with several boundary codes reach further left.
    for (uint32_t node = ix->root[0]; node != 0 && ix->zeros < HYPH_NEG_MAX_DEPTH;) {
        ix->zeros++;
        uint32_t next = 0;
        uint32_t first = HYPH_NEG_CHILD(ix->node[node]) + 1;
        if (first <= HYPH_NEG_CHILD(ix->node[node + 1]) && HYPH_NEG_LETTER(ix->node[first]) == 0)
            next = first;
        node = next;
    }
    return ix;
}

// The index of the record's list for the rule set of the language: the
// stored one when it holds that set, else one built here.
HyphNegIndex *loadNegIndex(const Group *g, int language, uint16_t ruleSet, const HyphRules &rules)
{
    HyphTable t;
    if (findSection(g, HYPH_SLOT_NEGINDEX, language, &t) && (t.len < 16 || (rd32(t.p + 12) & ruleSet)))
        return attachNegIndex(t.p, t.len, nullptr);
    // Built here, the trie walks the list: it must be whole first (a
    // copied list was checked as it was read).
    if (!rules.owned && rules.w != kEmptyRules && !rulesOk(rules.w, rules.n, 1))
        return nullptr;
    uint32_t size = 0;
    unsigned char *built = hyph_neg_trie_build(rules.w, rules.n, ruleSet, &size);
    if (!built)
        return nullptr;
    return attachNegIndex(built, size, built);
}

// Entry starts of the exception list and the runs per first letter.
bool indexExceptions(HyphRecord *rec)
{
    const HyphTable &t = rec->ex;
    for (int c = 0; c <= 64; c++)
        rec->exFirst[c] = 0;
    if (!t.p)
        return true;
    uint32_t off = hyph_rd16(t.p, 3), len = hyph_rd16(t.p, 1);
    if (off + len > t.len)
        return false;
    const unsigned char *list = t.p + off;
    uint32_t n = 0;
    for (uint32_t i = 0; i < len; i++)
        n += (list[i] & 0x80) != 0;
    if (len > 0 && !(list[0] & 0x80))
        return false;
    rec->exStarts = (uint16_t *)malloc((n + 1) * sizeof(uint16_t));
    if (!rec->exStarts)
        return false;
    n = 0;
    for (uint32_t i = 0; i < len; i++)
        if (list[i] & 0x80)
            rec->exStarts[n++] = (uint16_t)i;
    rec->nex = n;
    // exFirst[c]..exFirst[c + 1]: entries whose first letter is c; a list
    // out of order only makes the search miss.
    uint32_t k = 0;
    for (int c = 0; c < 64; c++) {
        rec->exFirst[c] = k;
        while (k < n && (list[rec->exStarts[k]] & 0x3F) <= c)
            k++;
    }
    rec->exFirst[64] = n;
    return true;
}

} // namespace

void hyph_free_record(HyphRecord *rec)
{
    free((void *)rec->features);
    const HyphRules *lists[] = {&rec->proot, &rec->nroot, &rec->pons, &rec->nons, &rec->prhy, &rec->nrhy};
    for (const HyphRules *l : lists)
        if (l->owned)
            free((void *)l->w);
    freeNegIndex(rec->neg);
    free(rec->exStarts);
    free(rec->pairRule);
    free(rec->pairTries);
    memset(rec, 0, sizeof *rec);
}

void hyph_reset_tables(void)
{
    for (int i = 0; i < ngroups; i++)
        free(groups[i].data);
    ngroups = 0;
}

int hyph_build_record(HyphRecord *rec, int language, const char *dir, char *err, int errSize)
{
    const char *name = hyph_group_name(language);
    if (!name) {
        snprintf(err, errSize, "no hyphenation rules for language %d", language);
        return -1;
    }
    const Group *g = loadGroup(name, dir, err, errSize);
    if (!g)
        return -1;
    memset(rec, 0, sizeof *rec);
    rec->proot.w = rec->nroot.w = rec->pons.w = rec->nons.w = rec->prhy.w = rec->nrhy.w = kEmptyRules;
    int who = hyph_record_language(language);
    HyphTable f;
    bool ok = findSection(g, HYPH_SLOT_FEATURES, who, &f) && f.len >= 2 && f.len % 2 == 0 && f.len <= 128;
    if (ok) {
        uint16_t *features = (uint16_t *)malloc(f.len);
        ok = features != nullptr;
        if (ok) {
            for (uint32_t i = 0; i < f.len / 2; i++)
                features[i] = hyph_rd16(f.p, (int)i);
            rec->features = features;
            rec->nfeatures = (int)(f.len / 2);
        }
    }
    // Turkish and Swahili differ in their exceptions, French 1 and 2 in
    // their prefixes: those slots are looked up by the language itself.
    int exWho = language == 18 ? 18 : who;
    if (ok) {
        findSection(g, HYPH_SLOT_EXINDEX, exWho, &rec->ex);
        findSection(g, language == 21 ? HYPH_SLOT_PRINDEX2 : HYPH_SLOT_PRINDEX, who, &rec->pr);
        findSection(g, HYPH_SLOT_SUINDEX, who, &rec->su);
        findSection(g, HYPH_SLOT_ROINDEX, who, &rec->ro);
        findSection(g, HYPH_SLOT_MUINDEX, who, &rec->mu);
        ok = indexOk(rec->ex, 0) && indexOk(rec->pr, 0) && indexOk(rec->su, 0) && indexOk(rec->ro, 1) &&
             indexOk(rec->mu, 0);
    }
    ok = ok && loadRules(g, HYPH_SLOT_PROOT, who, 0, &rec->proot) && loadRules(g, HYPH_SLOT_NROOT, who, 1, &rec->nroot) &&
         loadRules(g, HYPH_SLOT_PONSETS, who, 2, &rec->pons) && loadRules(g, HYPH_SLOT_NONSETS, who, 2, &rec->nons) &&
         loadRules(g, HYPH_SLOT_PRHYMES, who, 2, &rec->prhy) && loadRules(g, HYPH_SLOT_NRHYMES, who, 2, &rec->nrhy);
    if (ok) {
        rec->neg = loadNegIndex(g, who, hyph_rule_set(language), rec->nroot);
        ok = rec->neg != nullptr && indexExceptions(rec);
    }
    if (!ok) {
        hyph_free_record(rec);
        snprintf(err, errSize, "the hyphenation tables of %s in %s are damaged", name, dir);
        return -1;
    }
    return 0;
}

unsigned char *hyph_neg_trie_build(const uint16_t *rules, uint32_t n, uint16_t sets, uint32_t *size)
{
    // A first-child/next-sibling trie, then written breadth first with
    // each node's children sorted by letter.
    uint32_t letters = 0, plain = 0, general = 0;
    for (uint32_t i = 0; i < n && rules[i] != 0; i += 2 + (rules[i] & HYPH_RULE_LEN)) {
        int mark, nletters;
        if (!(rules[i] & sets & HYPH_RULE_SETS))
            continue;
        if (plainRule(rules + i, &mark, &nletters)) {
            letters += rules[i] & HYPH_RULE_LEN;
            plain++;
        } else
            general++;
    }
    uint32_t cap = letters + 1;
    struct Node {
        uint32_t child, sibling, hit, lastHit;
        unsigned char letter;
    };
    Node *t = (Node *)calloc(cap, sizeof(Node));
    uint32_t *hitRule = (uint32_t *)malloc((plain + 1) * sizeof(uint32_t));
    uint32_t *hitNext = (uint32_t *)malloc((plain + 1) * sizeof(uint32_t));
    uint32_t *order = (uint32_t *)malloc(cap * sizeof(uint32_t));
    uint32_t *generalAt = (uint32_t *)malloc((general + 1) * sizeof(uint32_t));
    uint32_t bytes = 16 + 4 * (plain + general) + 11 * cap;
    unsigned char *out = (unsigned char *)calloc(bytes, 1);
    if (!t || !hitRule || !hitNext || !order || !generalAt || !out) {
        free(t);
        free(hitRule);
        free(hitNext);
        free(order);
        free(generalAt);
        free(out);
        return nullptr;
    }
    const uint32_t none = UINT32_MAX;
    t[0].child = t[0].sibling = t[0].hit = t[0].lastHit = none;
    uint32_t used = 1, nhits = 0, ngeneral = 0;
    for (uint32_t i = 0; i < n && rules[i] != 0; i += 2 + (rules[i] & HYPH_RULE_LEN)) {
        int mark, len;
        if (!(rules[i] & sets & HYPH_RULE_SETS))
            continue;
        bool plain = plainRule(rules + i, &mark, &len);
        // Without the longest runs, a rule of no class never counts.
        bool lettersOnly = plain && !(rules[i + 1] & 0x7F00);
        if (lettersOnly && !(sets & HYPH_NEG_LONGEST))
            continue;
        if (!plain || i >= (1u << (32 - HYPH_NEG_AT_SHIFT))) {
            generalAt[ngeneral++] = i;
            continue;
        }
        bool possible = true;
        for (int k = 0; k < len; k++)
            possible = possible && (rules[i + 2 + k] & 0xFF) < 64;
        if (!possible) // a letter no word has: the rule never matches
            continue;
        uint32_t node = 0;
        for (int k = 0; k < len; k++) {
            unsigned char c = (unsigned char)(rules[i + 2 + k] & 63);
            uint32_t ch = t[node].child;
            while (ch != none && t[ch].letter != c)
                ch = t[ch].sibling;
            if (ch == none) {
                ch = used++;
                t[ch].letter = c;
                t[ch].child = t[ch].hit = t[ch].lastHit = none;
                t[ch].sibling = t[node].child;
                t[node].child = ch;
            }
            node = ch;
        }
        if (lettersOnly)
            continue;
        hitRule[nhits] = (i << HYPH_NEG_AT_SHIFT) | ((uint32_t)((rules[i] >> 11) & 15) << HYPH_NEG_MARK_BITS) | (uint32_t)mark;
        hitNext[nhits] = none;
        if (t[node].hit == none)
            t[node].hit = nhits;
        else
            hitNext[t[node].lastHit] = nhits;
        t[node].lastHit = nhits;
        nhits++;
    }
    auto put32 = [](unsigned char *p, uint32_t v) {
        for (int k = 0; k < 4; k++)
            p[k] = (unsigned char)(v >> (8 * k));
    };
    // Breadth first, into the parts of the section.
    unsigned char *letterOut = (unsigned char *)malloc(3 * (size_t)cap);
    uint32_t *first = (uint32_t *)malloc(((size_t)cap + 1) * sizeof(uint32_t));
    uint32_t *fail = (uint32_t *)calloc(cap, sizeof(uint32_t));
    uint32_t *dict = (uint32_t *)calloc(cap, sizeof(uint32_t));
    uint32_t *stage = (uint32_t *)malloc((plain + 1) * sizeof(uint32_t));
    if (!letterOut || !first || !fail || !dict || !stage) {
        free(letterOut);
        free(first);
        free(fail);
        free(dict);
        free(stage);
        free(out);
        out = nullptr;
    } else {
        unsigned char *childOut = letterOut + cap, *hitOut = childOut + cap;
        uint32_t head = 0, tail = 0, nh = 0;
        order[tail++] = 0;
        while (head < tail) {
            uint32_t k = head, old = order[head++];
            uint32_t kids[64];
            int nk = 0;
            for (uint32_t ch = t[old].child; ch != none && nk < 64; ch = t[ch].sibling)
                kids[nk++] = ch;
            for (int a = 1; a < nk; a++) // insertion sort by letter
                for (int b = a; b > 0 && t[kids[b]].letter < t[kids[b - 1]].letter; b--) {
                    uint32_t x = kids[b];
                    kids[b] = kids[b - 1];
                    kids[b - 1] = x;
                }
            for (int a = 0; a < nk; a++)
                order[tail++] = kids[a];
            letterOut[k] = t[old].letter;
            childOut[k] = (unsigned char)nk;
            // More than 255 rules on one node only happens with repeated
            // rules; the first ones are the ones that count.
            int count = 0;
            for (uint32_t h = t[old].hit; h != none && count < 255; h = hitNext[h], count++)
                stage[nh++] = hitRule[h];
            hitOut[k] = (unsigned char)count;
        }
        // Failure links: the longest proper suffix of a node's letters that
        // is a node too, so that one pass over the stretch finds every rule
        // (Aho and Corasick); dict skips to the nearest one with rules.
        first[0] = 1;
        for (uint32_t k = 0; k < used; k++)
            first[k + 1] = first[k] + childOut[k];
        auto child = [&](uint32_t node, unsigned char c) -> uint32_t {
            for (uint32_t x = first[node]; x < first[node + 1]; x++)
                if (letterOut[x] == c)
                    return x;
            return 0;
        };
        for (uint32_t k = 0; k < used; k++)
            for (uint32_t x = first[k]; x < first[k + 1]; x++) {
                uint32_t f = 0;
                if (k != 0) {
                    uint32_t st = fail[k];
                    for (;;) {
                        uint32_t nx = child(st, letterOut[x]);
                        if (nx) {
                            f = nx;
                            break;
                        }
                        if (st == 0)
                            break;
                        st = fail[st];
                    }
                }
                fail[x] = f;
                dict[x] = hitOut[f] ? f : dict[f];
            }
        unsigned char *p = out + 16;
        for (uint32_t h = 0; h < nh; h++, p += 4)
            put32(p, stage[h]);
        for (uint32_t g = 0; g < ngeneral; g++, p += 4)
            put32(p, generalAt[g]);
        for (uint32_t k = 0; k < used; k++, p += 4)
            put32(p, fail[k]);
        for (uint32_t k = 0; k < used; k++, p += 4)
            put32(p, dict[k]);
        memcpy(p, letterOut, used);
        memcpy(p + used, childOut, used);
        memcpy(p + 2 * used, hitOut, used);
        put32(out, used);
        put32(out + 4, nh);
        put32(out + 8, ngeneral);
        put32(out + 12, sets & (HYPH_RULE_SETS | HYPH_NEG_LONGEST));
        *size = 16 + 4 * (nh + ngeneral) + 11 * used;
        free(letterOut);
        free(first);
        free(fail);
        free(dict);
        free(stage);
    }
    free(t);
    free(hitRule);
    free(hitNext);
    free(order);
    free(generalAt);
    return out;
}
