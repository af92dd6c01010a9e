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
        snprintf(err, errSize, "no folder for the hyphenation tables (SCRIVLY_RESOURCES is not set)");
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
    return true;
}

HyphNegIndex *buildNegIndex(const HyphRules &rules)
{
    uint32_t count = 0;
    for (uint32_t i = 0; rules.w[i] != 0; i += 2 + (rules.w[i] & HYPH_RULE_LEN))
        count++;
    HyphNegIndex *ix = (HyphNegIndex *)calloc(1, sizeof(HyphNegIndex));
    if (!ix)
        return nullptr;
    uint32_t size = 16;
    while (size < 2 * count + 2)
        size *= 2;
    ix->offset = (uint32_t *)malloc((count + 1) * sizeof(uint32_t));
    ix->next = (uint32_t *)malloc((count + 1) * sizeof(uint32_t));
    ix->general = (uint32_t *)malloc((count + 1) * sizeof(uint32_t));
    ix->keys = (uint64_t *)calloc(size, sizeof(uint64_t));
    ix->slots = (uint32_t *)malloc(size * sizeof(uint32_t));
    ix->shapes = (uint64_t *)calloc(64 * 64, sizeof(uint64_t));
    if (!ix->offset || !ix->next || !ix->general || !ix->keys || !ix->slots || !ix->shapes) {
        free(ix->offset);
        free(ix->next);
        free(ix->general);
        free(ix->keys);
        free(ix->slots);
        free(ix->shapes);
        free(ix);
        return nullptr;
    }
    memset(ix->slots, 0xFF, size * sizeof(uint32_t));
    ix->mask = size - 1;
    uint32_t r = 0;
    int lastSize = 99, lastLeft = 99;
    ix->canonical = 1;
    for (uint32_t i = 0; rules.w[i] != 0; i += 2 + (rules.w[i] & HYPH_RULE_LEN), r++) {
        ix->offset[r] = i;
        ix->next[r] = UINT32_MAX;
        const uint16_t *rule = rules.w + i;
        int len = rule[0] & HYPH_RULE_LEN;
        int before = -1, plain = !(rule[1] & HYPH_NEG_STOP);
        for (int k = 0; k < len && plain; k++) {
            int kind = HYPH_PAT_KIND(rule[2 + k]);
            if (kind == 5) {
                if (before >= 0)
                    plain = 0;
                before = k;
            } else if (kind != 1)
                plain = 0;
        }
        if (!plain || before < 1 || len > 8 || len - before > 8) {
            ix->general[ix->ngeneral++] = r;
            continue;
        }
        int left = before, right = len - before;
        if (len > lastSize || (len == lastSize && left > lastLeft))
            ix->canonical = 0;
        lastSize = len;
        lastLeft = left;
        uint64_t key = hyph_neg_key_start(left, right);
        for (int k = 0; k < len; k++)
            key = hyph_neg_key_add(key, k, rule[2 + k] & 0xFF);
        int a = rule[2 + before - 1] & 63, b = rule[2 + before] & 63;
        ix->shapes[a * 64 + b] |= 1ull << hyph_shape_bit(left, right);
        for (uint32_t s = hyph_neg_hash(key) & ix->mask;; s = (s + 1) & ix->mask) {
            if (ix->slots[s] == UINT32_MAX) {
                ix->slots[s] = r;
                ix->keys[s] = key;
                break;
            }
            if (ix->keys[s] == key) {
                uint32_t t = ix->slots[s];
                while (ix->next[t] != UINT32_MAX)
                    t = ix->next[t];
                ix->next[t] = r;
                break;
            }
        }
    }
    return ix;
}

} // namespace

void hyph_free_record(HyphRecord *rec)
{
    free((void *)rec->features);
    const HyphRules *lists[] = {&rec->proot, &rec->nroot, &rec->pons, &rec->nons, &rec->prhy, &rec->nrhy};
    for (const HyphRules *l : lists)
        if (l->w != kEmptyRules)
            free((void *)l->w);
    if (rec->neg) {
        free(rec->neg->offset);
        free(rec->neg->next);
        free(rec->neg->general);
        free(rec->neg->keys);
        free(rec->neg->slots);
        free(rec->neg->shapes);
        free(rec->neg);
    }
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
        rec->neg = buildNegIndex(rec->nroot);
        ok = rec->neg != nullptr;
    }
    if (!ok) {
        hyph_free_record(rec);
        snprintf(err, errSize, "the hyphenation tables of %s in %s are damaged", name, dir);
        return -1;
    }
    return 0;
}
