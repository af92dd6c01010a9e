// The table-driven hyphenator: affix stripping, exception and root lists,
// root rules over letter features, and the language hooks.

#include "spelling/hyph.h"

#include "spelling/hyph_internal.h"
#include "spelling/hyphtables.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

uint16_t hyph_index;
unsigned char hyphens[2 * HYPH_MAX_POINTS];
uint16_t dashes_currentLang = HYPH_NO_LANGUAGE;

namespace {

const HyphRecord *lang = nullptr;
uint16_t ruleSet = 0;
HyphRecord records[32];
unsigned char recordState[32]; // 0 untried, 1 ready, 2 failed

char resourceDir[1024]; // "" when no folder was given
char lastError[512];
int warnings = 1;

// The word being hyphenated, as class codes.
unsigned char W[256];
int N;

struct Affix {
    int start;   // first letter
    int letters; // number of letters
    const unsigned char *entry;
};
Affix suf[16];
int nsuf;
int mainSuf;
Affix pre[16];
int npre;
int firstPrefixEnd;
int rootStart;     // stretch the root rules worked on
int rootEnd;
int rootFirst;     // points the root rules placed: [rootFirst, rootFirst + rootCount)
int rootCount;
// The root rules see the stretch they work on as the whole word.
int stretchLo, stretchHi;

inline int codeAt(int i)
{
    return (i < 0 || i >= N) ? 0 : W[i];
}

inline int stretchCode(int i)
{
    return (i < stretchLo || i > stretchHi) ? 0 : W[i];
}

inline uint16_t feat(int code)
{
    return (code > 0 && code < lang->nfeatures) ? lang->features[code] : 0;
}

inline int isVowelAt(int i)
{
    int c = codeAt(i);
    return c != 0 && !(feat(c) & HYPH_F_CONSONANT);
}

// Positions whose forbidding point gave up its place in a full list: the
// first point of a position decides it, so they stay forbidden.
unsigned char forbiddenGone[256 / 8];

inline bool isForbiddenGone(int pos) { return (forbiddenGone[pos >> 3] >> (pos & 7)) & 1; }

// Adds a point; false when the list is full of points that permit breaks.
// In a full list a permitted break takes the place of a deleted or
// forbidding point, so that long compounds keep their later breaks.
bool addPoint(int pos, int weight)
{
    if (hyph_index < HYPH_MAX_POINTS) {
        hyphens[2 * hyph_index] = (unsigned char)pos;
        hyphens[2 * hyph_index + 1] = (unsigned char)weight;
        hyph_index++;
        return true;
    }
    if (pos < 0 || pos > 254)
        return false;
    if (weight >= 4 || isForbiddenGone(pos)) {
        forbiddenGone[pos >> 3] |= (unsigned char)(1 << (pos & 7));
        return true;
    }
    int give = -1;
    for (int i = 0; i < hyph_index && give < 0; i++)
        if (hyphens[2 * i] == 255)
            give = i;
    for (int i = 0; i < hyph_index && give < 0; i++)
        if (hyphens[2 * i + 1] >= 4)
            give = i;
    if (give < 0)
        return false;
    int gone = hyphens[2 * give];
    if (gone != 255)
        forbiddenGone[gone >> 3] |= (unsigned char)(1 << (gone & 7));
    // Keep the order in which the points were found.
    memmove(hyphens + 2 * give, hyphens + 2 * give + 2, 2 * (size_t)(hyph_index - 1 - give));
    if (give < rootFirst)
        rootFirst--;
    hyphens[2 * hyph_index - 2] = (unsigned char)pos;
    hyphens[2 * hyph_index - 1] = (unsigned char)weight;
    return true;
}

void deletePointAt(int pos)
{
    for (int i = 0; i < hyph_index; i++)
        if (hyphens[2 * i] == pos)
            hyphens[2 * i] = 255;
    if (pos >= 0 && pos < 255)
        forbiddenGone[pos >> 3] &= (unsigned char)~(1 << (pos & 7));
}

// ---- Index tables -------------------------------------------------------

struct Bucket {
    const unsigned char *p;
    const unsigned char *end;
};

Bucket bucketOf(const HyphTable &t, int code, int headerBase)
{
    Bucket b = {nullptr, nullptr};
    if (!t.p || code < 1 || code > hyph_hi_code(t))
        return b;
    uint32_t area = hyph_rd16(t.p, 2);
    uint32_t s = area + hyph_rd16(t.p, headerBase + code);
    uint32_t e = area + hyph_rd16(t.p, headerBase + code + 1);
    if (s > e || e > t.len)
        return b;
    b.p = t.p + s;
    b.end = t.p + e;
    return b;
}

// Compares the word codes w[0..n) with a list entry (letters in the low 6
// bits, marks in 0x40, the first byte flagged 0x80): a shorter word sorts
// first.
int compare(const unsigned char *w, int n, const unsigned char *e, int elen)
{
    int i = 0;
    for (; i < n && i < elen; i++) {
        int a = w[i], b = e[i] & 0x3F;
        if (a != b)
            return a < b ? -1 : 1;
    }
    return n == elen ? 0 : (n < elen ? -1 : 1);
}

// Binary search over entries that start at bytes with the high bit set.
const unsigned char *ScanList(const unsigned char *list, uint32_t len, const unsigned char *w, int n, int *elen)
{
    uint32_t lo = 0, hi = len;
    while (lo < hi) {
        uint32_t mid = lo + (hi - lo) / 2;
        while (mid > lo && !(list[mid] & 0x80))
            mid--;
        uint32_t end = mid + 1;
        while (end < len && !(list[end] & 0x80))
            end++;
        int c = compare(w, n, list + mid, (int)(end - mid));
        if (c == 0) {
            *elen = (int)(end - mid);
            return list + mid;
        }
        if (c < 0)
            hi = mid;
        else
            lo = end;
    }
    return nullptr;
}

bool matrixBit(const HyphTable &t, int row, int col)
{
    int cols = hyph_rd16(t.p, 1);
    if (row < 0 || col < 0 || row >= cols || col >= cols)
        return false;
    uint32_t bit = (uint32_t)cols * row + col;
    uint32_t at = hyph_rd16(t.p, 3) + bit / 8;
    if (at >= t.len)
        return false;
    return (t.p[at] >> (bit % 8)) & 1;
}

// ---- Pattern matching ---------------------------------------------------

// Matches the pattern words pat[0..n) from letter pos; letters outside
// [lo, limit) exist only as the boundary, class code 0.
// Returns the letter after the match, -1 when it fails; *mark gets the
// letter the marked word fell on (-1 without a mark).
inline __attribute__((always_inline)) int matchItems(const uint16_t *pat, int n, int pos, int lo, int limit, int *mark)
{
    *mark = -1;
    for (int i = 0; i < n; i++) {
        uint16_t w = pat[i];
        int kind = HYPH_PAT_KIND(w);
        if (kind == 1 || kind == 5) {
            int c = (pos < lo || pos >= limit) ? 0 : W[pos];
            if (c != (w & 0xFF))
                return -1;
            if (kind == 5)
                *mark = pos;
            pos++;
            continue;
        }
        if (kind == 3 || i + 1 >= n)
            return -1;
        uint16_t mask = pat[++i] & 0x1FFF;
        if (pos < lo || pos >= limit)
            return -1;
        if ((feat(W[pos]) & mask) != (w & mask))
            return -1;
        if (w & HYPH_PAT_MARK)
            *mark = pos;
        if ((kind == 2 || kind == 6) && pos + 1 < limit && W[pos + 1] == W[pos])
            pos += 2;
        else
            pos++;
    }
    return pos;
}

int patternLetters(const uint16_t *pat, int n, int *beforeMark, int *doubles)
{
    int letters = 0;
    *beforeMark = -1;
    *doubles = 0;
    for (int i = 0; i < n; i++) {
        int kind = HYPH_PAT_KIND(pat[i]);
        if (pat[i] & HYPH_PAT_MARK && *beforeMark < 0)
            *beforeMark = letters;
        if (kind != 1 && kind != 5) {
            if (kind == 2 || kind == 6)
                (*doubles)++;
            i++;
        }
        letters++;
    }
    return letters;
}

// A negative rule matches when its marked word falls on letter j.
bool matchNegativeAt(const uint16_t *rule, int j)
{
    int len = rule[0] & HYPH_RULE_LEN;
    const uint16_t *pat = rule + 2;
    int before, doubles;
    patternLetters(pat, len, &before, &doubles);
    if (before < 0)
        return false;
    for (int d = 0; d <= doubles; d++) {
        int mark;
        if (matchItems(pat, len, j - before - d, stretchLo, stretchHi + 1, &mark) >= 0 && mark == j)
            return true;
    }
    return false;
}

// Plain negative rules that match in the current stretch, per letter: the
// first few by list order, found by one walk of the trie from each letter
// the first time the stretch asks.
const int kCandidates = 8;
uint32_t candidates[256][kCandidates];
unsigned char ncandidates[256];
bool candidatesOverflow[256];
bool candidatesReady;

// The negative rule at a word offset of the list, nullptr when it does not
// fit (offsets come from the file's index).
inline const uint16_t *negRuleAt(uint32_t at)
{
    const HyphRules &l = lang->nroot;
    if (at >= l.n || (uint64_t)at + 2 + (l.w[at] & HYPH_RULE_LEN) > l.n)
        return nullptr;
    return l.w + at;
}

void collectCandidates()
{
    const HyphNegIndex &ix = *lang->neg;
    candidatesReady = true;
    for (int j = stretchLo; j <= stretchHi; j++) {
        ncandidates[j] = 0;
        candidatesOverflow[j] = false;
    }
    // One pass over the stretch and the boundary around it.
    uint32_t state = 0;
    for (int p = stretchLo - ix.zeros; p <= stretchHi + HYPH_NEG_MAX_DEPTH; p++) {
        // Past the end, once the letters matched lie all beyond it, no rule
        // found from here on can mark a letter of the stretch.
        if (p > stretchHi && (int)HYPH_NEG_DEPTH(ix.node[state]) <= p - 1 - stretchHi)
            break;
        int c = stretchCode(p);
        for (;;) {
            uint32_t next = 0;
            if (state == 0)
                next = ix.root[c];
            else if (HYPH_NEG_DEPTH(ix.node[state]) == 1)
                next = ix.second[HYPH_NEG_LETTER(ix.node[state]) * 64 + c];
            else {
                // Siblings are sorted by letter.
                for (uint32_t k = HYPH_NEG_CHILD(ix.node[state]) + 1, end = HYPH_NEG_CHILD(ix.node[state + 1]) + 1;
                     k < end; k++)
                    if ((int)ix.letter[k] >= c) {
                        if ((int)ix.letter[k] == c)
                            next = k;
                        break;
                    }
            }
            if (next || state == 0) {
                state = next;
                break;
            }
            state = ix.node[state].fail;
        }
        // The longest run only, or every run the dictionary links reach.
        if (ix.longest && p > stretchHi + 1)
            break;
        for (uint32_t s = ix.node[state].hit < ix.node[state + 1].hit ? state
                          : ix.longest                                 ? 0
                                                                       : HYPH_NEG_DICT(ix.node[state]);
             s != 0; s = ix.longest ? 0 : HYPH_NEG_DICT(ix.node[s])) {
            int start = p - (int)HYPH_NEG_DEPTH(ix.node[s]) + 1;
            for (uint32_t h = ix.node[s].hit, end = ix.node[s + 1].hit; h < end; h++) {
                uint32_t hit = ix.hits[h];
                int j = start + (int)(hit & ((1u << HYPH_NEG_MARK_BITS) - 1));
                uint32_t r = hit >> HYPH_NEG_AT_SHIFT;
                // The rule's sets ride in the hit; findNegative checks the rule.
                if (j < stretchLo || j > stretchHi || !((((hit >> HYPH_NEG_MARK_BITS) & 15) << 11) & ruleSet))
                    continue;
                // Keep the first kCandidates by list order.
                int n = ncandidates[j];
                if (n == kCandidates) {
                    candidatesOverflow[j] = true;
                    if (r > candidates[j][n - 1])
                        continue;
                    n--;
                }
                int k = n;
                while (k > 0 && candidates[j][k - 1] > r) {
                    candidates[j][k] = candidates[j][k - 1];
                    k--;
                }
                candidates[j][k] = r;
                ncandidates[j] = (unsigned char)(n + 1);
            }
        }
    }
}

// Whether a rule of plain letters matches with its marked letter on j (the
// trie's rules are such; any other goes the general way).
bool lettersMatchAt(const uint16_t *rule, int j)
{
    int len = rule[0] & HYPH_RULE_LEN, mark = -1;
    // Letters, then any letter marked: the break after the letters.
    if (len >= 3 && rule[len] == (HYPH_PAT_MARK | HYPH_F_LETTER) && rule[len + 1] == HYPH_F_LETTER) {
        len -= 2;
        mark = len;
        if (j < stretchLo || j > stretchHi)
            return false;
    }
    for (int k = 0; k < len; k++) {
        int kind = HYPH_PAT_KIND(rule[2 + k]);
        if (kind == 5 && mark < 0)
            mark = k;
        else if (kind != 1)
            return matchNegativeAt(rule, j);
    }
    if (mark < 0)
        return false;
    for (int k = 0; k < len; k++)
        if ((rule[2 + k] & 0xFF) != stretchCode(j - mark + k))
            return false;
    return true;
}

// The first negative rule, in list order, of the given classes that
// matches at letter j; nullptr when none does (or a stop rule failed first).
const uint16_t *findNegative(int j, uint16_t classes)
{
    const HyphNegIndex &ix = *lang->neg;
    if (!candidatesReady)
        collectCandidates();
    uint32_t best = UINT32_MAX;
    for (int k = 0; k < ncandidates[j]; k++) {
        const uint16_t *rule = negRuleAt(candidates[j][k]);
        // The check keeps a damaged index from placing wrong points.
        if (rule && (rule[1] & classes & 0x7F00) && (rule[0] & ruleSet) && lettersMatchAt(rule, j)) {
            best = candidates[j][k];
            break;
        }
    }
    if (best == UINT32_MAX && candidatesOverflow[j]) {
        // More rules matched here than were kept: ask them all.
        for (uint32_t at = 0; at < lang->nroot.n && lang->nroot.w[at] != 0;
             at += 2 + (lang->nroot.w[at] & HYPH_RULE_LEN)) {
            const uint16_t *rule = negRuleAt(at);
            if (!rule)
                break;
            if ((rule[1] & classes & 0x7F00) && (rule[0] & ruleSet) && !(rule[1] & HYPH_NEG_STOP) &&
                matchNegativeAt(rule, j)) {
                best = at;
                break;
            }
        }
    }
    for (uint32_t g = 0; g < ix.ngeneral && ix.general[g] < best; g++) {
        const uint16_t *rule = negRuleAt(ix.general[g]);
        if (!rule || !(rule[1] & classes & 0x7F00) || !(rule[0] & ruleSet))
            continue;
        if (matchNegativeAt(rule, j)) {
            best = ix.general[g];
            break;
        }
        if (rule[1] & HYPH_NEG_STOP)
            return nullptr;
    }
    return best == UINT32_MAX ? nullptr : lang->nroot.w + best;
}

// Whether one item of a pattern accepts a letter code.
bool itemAccepts(const uint16_t *item, int code)
{
    int kind = HYPH_PAT_KIND(item[0]);
    if (kind == 1 || kind == 5)
        return code == (item[0] & 0xFF);
    uint16_t mask = item[1] & 0x1FFF;
    return (feat(code) & mask) == (item[0] & mask);
}

// The pair table of the current language, when its positive rules allow
// one: each of them two single letters, the second marked, no conditions
// that depend on more than the pair.
void buildPairTable(HyphRecord &r)
{
    const uint16_t *rules = r.proot.w;
    for (uint32_t at = 0; at < r.proot.n && rules[at] != 0; at += 2 + (rules[at] & HYPH_RULE_LEN)) {
        uint16_t ctrl = rules[at];
        if (!(ctrl & ruleSet))
            continue;
        const uint16_t *pat = rules + at + 2;
        int len = ctrl & HYPH_RULE_LEN;
        int k0 = HYPH_PAT_KIND(pat[0]);
        int size0 = (k0 == 1 || k0 == 5) ? 1 : 2;
        if (len < size0)
            return;
        int k1 = HYPH_PAT_KIND(pat[size0]);
        int size1 = (k1 == 1 || k1 == 5) ? 1 : 2;
        bool ok = !(ctrl & (HYPH_RULE_AFTERPOINT | HYPH_RULE_NEXT)) && ((ctrl >> 8) & 7) <= 2 &&
                  len == size0 + size1 && k0 != 3 && k1 != 3 && !(pat[0] & HYPH_PAT_MARK) &&
                  (pat[size0] & HYPH_PAT_MARK) && k0 != 2 && k0 != 6 && k1 != 2 && k1 != 6;
        if (!ok)
            return;
    }
    // Which letters each item takes, then the first rule of each pair.
    const int kMost = 64;
    uint64_t firstTakes[kMost], secondTakes[kMost];
    uint32_t offsets[kMost];
    int n = 0;
    for (uint32_t at = 0; at < r.proot.n && rules[at] != 0; at += 2 + (rules[at] & HYPH_RULE_LEN)) {
        if (!(rules[at] & ruleSet))
            continue;
        if (n == kMost)
            return; // a long list keeps the plain search
        const uint16_t *pat = rules + at + 2;
        int k0 = HYPH_PAT_KIND(pat[0]);
        const uint16_t *second = pat + ((k0 == 1 || k0 == 5) ? 1 : 2);
        firstTakes[n] = secondTakes[n] = 0;
        for (int c = 0; c < 64; c++) {
            firstTakes[n] |= (uint64_t)itemAccepts(pat, c) << c;
            secondTakes[n] |= (uint64_t)itemAccepts(second, c) << c;
        }
        offsets[n++] = at;
    }
    uint32_t *rule = (uint32_t *)calloc(64 * 64, sizeof(uint32_t));
    unsigned char *tries = (unsigned char *)malloc(64 * 64);
    if (!rule || !tries) {
        free(rule);
        free(tries);
        return;
    }
    for (int a = 0; a < 64; a++)
        for (int b = 0; b < 64; b++) {
            int k = 0;
            while (k < n && !(((firstTakes[k] >> a) & 1) && ((secondTakes[k] >> b) & 1)))
                k++;
            if (k < n)
                rule[a * 64 + b] = offsets[k] + 1;
            tries[a * 64 + b] = (unsigned char)(k < n ? k + 1 : n);
        }
    r.pairRule = rule;
    r.pairTries = tries;
}

// The point a matched root rule places before letter j, unless a negative
// rule vetoes it; false when the word has no room for more points.
inline bool placeRulePoint(const uint16_t *rule, int j, int *afterPoint)
{
    int weight = rule[1] & 0xFF;
    if (rule[1] & 0x7F00) {
        const uint16_t *neg = findNegative(j, rule[1]);
        if (neg)
            weight = neg[1] & 0xFF;
    }
    // A point of weight 4 is kept too: it forbids the break where a later
    // point would allow it.
    if (j - 1 == rootStart - 1)
        weight = 4;
    if (!addPoint(j - 1, weight))
        return false;
    *afterPoint = j;
    return true;
}

// Root rules over letters s..e: points fall before letters s+1..e.
void applyRootRules(int s, int e)
{
    const uint16_t *rules = lang->proot.w;
    uint32_t nwords = lang->proot.n;
    stretchLo = s;
    stretchHi = e;
    candidatesReady = false;
    int cursor = s, afterPoint = s, tries = 0;
    uint32_t at = 0;
    bool restart = true;
    while (cursor < e && tries < 500) {
        if (lang->pairRule && restart) {
            // The same search, looked up.
            int pair = W[cursor] * 64 + W[cursor + 1];
            int count = lang->pairTries[pair];
            if (tries + count <= 500 && count < 255) {
                tries += count;
                uint32_t found = lang->pairRule[pair];
                if (!found) {
                    cursor++;
                    continue;
                }
                int j = cursor + 1;
                if (!placeRulePoint(rules + found - 1, j, &afterPoint))
                    return;
                cursor = j;
                continue;
            }
        }
        bool matched = false;
        if (restart)
            at = 0;
        restart = true;
        while (at < nwords && rules[at] != 0) {
            uint16_t ctrl = rules[at];
            int len = ctrl & HYPH_RULE_LEN;
            const uint16_t *rule = rules + at;
            at += 2 + len;
            if (!(ctrl & ruleSet))
                continue;
            if (++tries > 500)
                return;
            int from = cursor;
            if (ctrl & HYPH_RULE_AFTERPOINT) {
                if (cursor != afterPoint)
                    continue;
                from = afterPoint;
            }
            if (e - from + 1 < ((ctrl >> 8) & 7))
                continue;
            int mark;
            if (matchItems(rule + 2, len, from, s, e + 1, &mark) < 0 || mark <= s || mark > e || mark <= from - 1)
                continue;
            int j = mark;
            if (!placeRulePoint(rule, j, &afterPoint))
                return;
            cursor = j;
            matched = true;
            if (ctrl & HYPH_RULE_NEXT)
                restart = false;
            break;
        }
        if (!matched)
            cursor++;
    }
}

// Onset and rhyme lists: whether letters [a, b) pass.
bool matchStretch(const uint16_t *rule, int a, int b)
{
    uint16_t ctrl = rule[0];
    int len = b - a, minLen = (ctrl >> 8) & 7;
    if (len < minLen || ((ctrl & HYPH_RULE_EXACT) && len != minLen))
        return false;
    int mark;
    int end = matchItems(rule + 1, ctrl & HYPH_RULE_LEN, a, a, b, &mark);
    if (end < 0 || end > b)
        return false;
    return !(ctrl & HYPH_RULE_WHOLE) || end == b;
}

bool stretchPasses(const HyphRules &pos, const HyphRules &neg, int a, int b)
{
    for (uint32_t i = 0; i < pos.n && pos.w[i] != 0; i += 1 + (pos.w[i] & HYPH_RULE_LEN)) {
        if (!matchStretch(pos.w + i, a, b))
            continue;
        uint16_t sets = pos.w[i] & 0xF800;
        bool negMatch = false;
        for (uint32_t k = 0; k < neg.n && neg.w[k] != 0; k += 1 + (neg.w[k] & HYPH_RULE_LEN))
            if ((neg.w[k] & sets) && matchStretch(neg.w + k, a, b)) {
                negMatch = true;
                break;
            }
        return (pos.w[i] & HYPH_RULE_INVERT) ? negMatch : !negMatch;
    }
    return false;
}

bool onsetPasses(int a, int b) { return stretchPasses(lang->pons, lang->nons, a, b); }
bool rhymePasses(int a, int b) { return stretchPasses(lang->prhy, lang->nrhy, a, b); }

// ---- Affixes --------------------------------------------------------------

inline int sufPatLen(const unsigned char *e) { return e[3] & 15; }

// Letters of a suffix before its first mark inside it (the mark at its
// start is the seam); all of them without one.
int sufLettersBeforeMark(const Affix &a)
{
    const unsigned char *p = a.entry + 4;
    int passed = 0;
    for (int i = 0; i < sufPatLen(a.entry); i++) {
        if (!(p[i] & 0x40))
            passed++;
        else if (passed > 0)
            return passed;
    }
    return a.letters;
}

bool matchSuffix(const unsigned char *e, int end, int start, int *letters)
{
    const unsigned char *p = e + 4;
    int pos = end, count = 0;
    for (int i = sufPatLen(e) - 1; i >= 0; i--) {
        if (p[i] & 0x40)
            continue;
        if (pos <= start || W[pos] != (p[i] & 0x3F))
            return false;
        pos--;
        count++;
    }
    if (count == 0 || count != (e[0] & 15))
        return false;
    *letters = count;
    return true;
}

bool suffixCompatible(const unsigned char *e)
{
    if (nsuf == 0)
        return true;
    const unsigned char *prev = suf[nsuf - 1].entry;
    if ((e[1] & 0x80) && ((prev[1] >> 5) & 3) <= 1)
        return false;
    int nc = e[1] & 31, pc = prev[1] & 31;
    if (nc == 31 || pc == 31)
        return false;
    return matrixBit(lang->su, nc, pc);
}

void copySuffixPoints(const Affix &a)
{
    const unsigned char *p = a.entry + 4;
    int passed = 0;
    for (int i = 0; i < sufPatLen(a.entry); i++) {
        if (p[i] & 0x40)
            addPoint(a.start + passed - 1, p[i] & 0x3F);
        else
            passed++;
    }
}

// A run of suffixes opened by an entry that starts an island and joined by
// entries that keep it open: letters [islandLo, islandHi], -1 when none.
int islandLo = -1, islandHi = -1;

// DoIsland: the island is hyphenated on its own, so that the rules neither
// see across its seams nor leave its inside without points.
void DoIsland()
{
    int lo = islandLo, hi = islandHi;
    islandLo = islandHi = -1;
    if (lo >= 0 && hi > lo)
        applyRootRules(lo, hi);
}

int stripSuffixes(int start, int end)
{
    while (nsuf < 16 && end > start) {
        Bucket b = bucketOf(lang->su, W[end], 3);
        const unsigned char *best = nullptr;
        int bestLetters = 0;
        for (const unsigned char *e = b.p; e && e + 4 <= b.end;) {
            const unsigned char *next = e + 4 + sufPatLen(e);
            if (next > b.end)
                break;
            int letters;
            if (matchSuffix(e, end, start, &letters) && letters > bestLetters && suffixCompatible(e)) {
                best = e;
                bestLetters = letters;
            }
            e = next;
        }
        if (!best)
            break;
        Affix a = {end - bestLetters + 1, bestLetters, best};
        suf[nsuf] = a;
        int cls = (best[0] >> 4) & 7;
        if (cls == 1 && (mainSuf < 0 || ((suf[mainSuf].entry[0] >> 4) & 7) != 1))
            mainSuf = nsuf;
        else if (cls >= 2 && mainSuf < 0)
            mainSuf = nsuf;
        nsuf++;
        bool joins = islandHi >= 0 && (best[3] & 0x20);
        if (islandHi >= 0 && !joins)
            DoIsland();
        copySuffixPoints(a);
        if (joins) {
            islandLo = a.start;
        } else if (best[3] & 0x40) {
            islandLo = a.start;
            islandHi = a.start + a.letters - 1;
        }
        end = a.start - 1;
    }
    return end;
}

// Rejoins the letters of the innermost suffix up to its first mark with the
// root and deletes the point at its start; returns the new end.
int rejoinSuffix(int end)
{
    const Affix &a = suf[nsuf - 1];
    int s = a.start + sufLettersBeforeMark(a);
    deletePointAt(a.start - 1);
    return s - 1 > end ? s - 1 : end;
}

int stripPrefixes(int start, int end)
{
    while (npre < 16 && start < end) {
        Bucket b = bucketOf(lang->pr, W[start], 3);
        const unsigned char *best = nullptr;
        int bestLetters = 0;
        for (const unsigned char *e = b.p; e && e < b.end;) {
            int elen = e[0] & 15;
            if (elen < 1 || e + elen > b.end)
                break;
            int letters = 1, ok = 1;
            for (int i = 1; i < elen; i++) {
                if (e[i] & 0x40)
                    continue;
                if (start + letters > end || W[start + letters] != (e[i] & 0x3F)) {
                    ok = 0;
                    break;
                }
                letters++;
            }
            if (ok && letters > bestLetters && start + letters <= end) {
                bool compatible = true;
                if (npre > 0) {
                    int pc = (pre[npre - 1].entry[0] >> 4) & 7, nc = (e[0] >> 4) & 7;
                    compatible = matrixBit(lang->pr, pc, nc);
                }
                if (compatible) {
                    best = e;
                    bestLetters = letters;
                }
            }
            e += elen;
        }
        if (!best)
            break;
        int passed = 1;
        for (int i = 1; i < (best[0] & 15); i++) {
            if (best[i] & 0x40)
                addPoint(start + passed - 1, best[i] & 0x3F);
            else
                passed++;
        }
        Affix a = {start, bestLetters, best};
        pre[npre++] = a;
        start += bestLetters;
        if (((best[0] >> 4) & 7) >= 1 && firstPrefixEnd < 0)
            firstPrefixEnd = start;
    }
    return start;
}

int repairPrefix(int start, int end)
{
    const Affix &a = pre[npre - 1];
    int v = start;
    while (v <= end && !isVowelAt(v))
        v++;
    bool keep = v <= end && onsetPasses(start, v);
    if (keep && mainSuf >= 0 && ((suf[mainSuf].entry[0] >> 4) & 7) < 3 && end - start + 1 < 2)
        keep = false;
    if (keep)
        return start;
    deletePointAt(start - 1);
    // The root now begins after the prefix's previous mark.
    int passed = 1, lastMark = 0;
    for (int i = 1; i < (a.entry[0] & 15); i++) {
        if (a.entry[i] & 0x40) {
            if (passed < a.letters)
                lastMark = passed;
        } else
            passed++;
    }
    return a.start + lastMark;
}

// ---- Hooks ----------------------------------------------------------------

int identityHook(int end) { return end; }

void SortHyphens(int, int)
{
    // Insertion sort keeps the first of equal positions first.
    for (int i = 1; i < hyph_index; i++) {
        unsigned char p = hyphens[2 * i], w = hyphens[2 * i + 1];
        int k = i - 1;
        while (k >= 0 && hyphens[2 * k] > p) {
            hyphens[2 * k + 2] = hyphens[2 * k];
            hyphens[2 * k + 3] = hyphens[2 * k + 1];
            k--;
        }
        hyphens[2 * k + 2] = p;
        hyphens[2 * k + 3] = w;
    }
    int out = 0;
    for (int i = 0; i < hyph_index; i++) {
        int p = hyphens[2 * i];
        // A break after the last letter is no break at all.
        if (p >= N - 1 || (out > 0 && hyphens[2 * out - 2] == p))
            continue;
        hyphens[2 * out] = hyphens[2 * i];
        hyphens[2 * out + 1] = hyphens[2 * i + 1];
        out++;
    }
    hyph_index = (uint16_t)out;
}

void BelSpecific(int s, int e) { SortHyphens(s, e); }

void CatSpecific(int s, int e)
{
    // Catalan never splits its digraphs ll and ny, nor qu and gu before e, i.
    if (rootCount > 0) {
        int p = hyphens[2 * rootFirst];
        int a = codeAt(p), b = codeAt(p + 1), c = codeAt(p + 2);
        bool digraph = (a == 12 && b == 12) || (a == 14 && b == 25) ||
                       ((a == 17 || a == 7) && b == 21 && (c == 5 || c == 9));
        if (digraph)
            hyphens[2 * rootFirst] = 255;
    }
    SortHyphens(s, e);
}

int VowelSuffixRepair(int end)
{
    if (nsuf == 0)
        return end;
    const Affix &a = suf[nsuf - 1];
    int v = a.start - 1;
    while (v >= 0 && !isVowelAt(v))
        v--;
    if (v < 0)
        return rejoinSuffix(end);
    int g = v;
    while (g > 0 && isVowelAt(g - 1))
        g--;
    if (g > 0 && rhymePasses(g, a.start))
        return end;
    return rejoinSuffix(end);
}

int FreSuRepair(int end)
{
    if (mainSuf < 0 || !(suf[mainSuf].entry[2] & 0x7F))
        return end;
    if ((feat(codeAt(end)) & 0x0801) == 0x0801 && mainSuf == nsuf - 1)
        return rejoinSuffix(end);
    return end;
}

// The further English index: stems by first letter; entry: byte 0 letters,
// byte 1 record flags, byte 2 suffix code (0 any), then the letters. Its
// header's word 1 counts the suffix codes whose class bits follow at word 3.
const unsigned char *muLookup(int s, int e, int code)
{
    const HyphTable &t = lang->mu;
    Bucket b = bucketOf(t, codeAt(s), 3);
    int n = e - s + 1;
    for (const unsigned char *p = b.p; p && p + 3 <= b.end;) {
        int letters = p[0] & 63;
        if (letters < 1 || p + 3 + letters > b.end)
            break;
        if (letters == n && (p[2] == 0 || p[2] == code) && memcmp(p + 3, W + s, n) == 0)
            return p;
        p += 3 + letters;
    }
    return nullptr;
}

int muClassBits(int code)
{
    const HyphTable &t = lang->mu;
    if (!t.p || code >= hyph_rd16(t.p, 1))
        return 0;
    uint32_t at = hyph_rd16(t.p, 3) + code;
    return at < t.len ? t.p[at] : 0;
}

int EngSuRepair(int end)
{
    if (nsuf == 0) {
        muLookup(rootStart, end, 0);
        return end;
    }
    const Affix &a = suf[nsuf - 1];
    int s = a.start + sufLettersBeforeMark(a);
    int v = s - 1;
    while (v >= 0 && !isVowelAt(v))
        v--;
    if (v < 0)
        return rejoinSuffix(end);
    int code = a.entry[2] & 0x7F;
    const unsigned char *hit = muLookup(0, s - 1, code);
    int bits = muClassBits(code);
    int seam;
    if (v == s - 1)
        seam = 4;
    else if (v == s - 2 && codeAt(s) == codeAt(s - 1))
        seam = 1;
    else if (isVowelAt(s))
        seam = 2;
    else if (!hit) {
        if (bits & 8)
            return rejoinSuffix(end);
        if (!rhymePasses(v, s)) {
            int e2 = rejoinSuffix(end);
            return (a.entry[1] & 31) < 4 ? N - 1 : e2;
        }
        seam = 8;
    } else
        seam = 8;
    if (hit) {
        if ((hit[1] & 0x40) && hyph_index > 0)
            hyph_index--;
        bool meets = (seam & bits) != 0;
        if (meets == !(hit[1] & 0x20))
            return rejoinSuffix(end);
        return end;
    }
    return (seam & bits) ? rejoinSuffix(end) : end;
}

// English stress: before the suffixes that pull the stress onto the syllable
// before them, a break after that syllable's vowel moves past its consonant.
void StressRepair()
{
    if (mainSuf < 0)
        return;
    int code = suf[mainSuf].entry[2] & 0x7F;
    if (!(suf[mainSuf].entry[2] & 0x80))
        return;
    if (code != 43 && code != 46 && code != 47 && code != 52 && code != 53 && code != 58)
        return;
    int seamPos = suf[mainSuf].start - 1;
    for (int i = hyph_index - 1; i >= 0; i--) {
        int p = hyphens[2 * i];
        if (p >= seamPos || p == 255)
            continue;
        // p breaks after letter p: shift past one consonant (or a pair).
        if (isVowelAt(p) && !isVowelAt(p + 1)) {
            int shift = (!isVowelAt(p + 2) && p + 2 < seamPos) ? 2 : 1;
            if (p + shift < seamPos) {
                hyphens[2 * i] = (unsigned char)(p + shift);
                hyphens[2 * i + 1] = 2;
            }
        }
        break;
    }
}

void EngSpecific(int s, int e)
{
    bool nothingAfter = true;
    if (rootCount > 0) {
        int lastRoot = hyphens[2 * (rootFirst + rootCount - 1)];
        for (int i = 0; i < hyph_index; i++)
            if (hyphens[2 * i] != 255 && hyphens[2 * i] > lastRoot)
                nothingAfter = false;
    }
    if ((rootCount == 1 || rootCount == 2) && nothingAfter) {
        // MonoCheck: one vowel group, with perhaps a silent e at the end.
        int groups = 0;
        for (int i = s; i <= e; i++)
            if (isVowelAt(i) && (i == s || !isVowelAt(i - 1)) &&
                !(i == e && W[i] == 5 && i >= s + 2 && !isVowelAt(i - 1) && isVowelAt(i - 2)))
                groups++;
        if (groups == 1)
            hyphens[2 * (rootFirst + rootCount - 1)] = 255;
    }
    if (s == 0 && (rootCount == 2 || rootCount == 3)) {
        int last = rootFirst + rootCount - 1;
        int p = hyphens[2 * last];
        if (p != 255 && codeAt(p + 1) == 5) {
            int v = p;
            while (v >= 0 && !isVowelAt(v))
                v--;
            while (v > 0 && isVowelAt(v - 1))
                v--;
            if (v >= 0 && rhymePasses(v, p + 1)) {
                hyphens[2 * (last - 1)] = 255;
                hyphens[2 * last + 1] = 0;
            }
        }
    }
    SortHyphens(s, e);
    StressRepair();
}

// Root index: header word 1 the linking letter, word 2 the area of the
// root list (second parts, by first letter), word 3 that of the ending
// list (first parts stored last letter first, by last letter) whose bucket
// offsets follow those of the root list.
bool rootListHas(int s, int e, int list)
{
    const HyphTable &t = lang->ro;
    int hi = hyph_hi_code(t);
    int n = e - s + 1;
    if (n < 2)
        return false;
    unsigned char buf[256];
    int key;
    if (list == 0) {
        memcpy(buf, W + s, n);
        key = W[s];
    } else {
        for (int i = 0; i < n; i++)
            buf[i] = W[e - i];
        key = W[e];
    }
    if (key < 1 || key > hi)
        return false;
    int base = list == 0 ? 3 : 4 + hi;
    uint32_t area = hyph_rd16(t.p, list == 0 ? 2 : 3);
    uint32_t a = area + hyph_rd16(t.p, base + key), b = area + hyph_rd16(t.p, base + key + 1);
    if (a > b || b > t.len)
        return false;
    int elen;
    return ScanList(t.p + a, b - a, buf, n, &elen) != nullptr;
}

// Whether any bucket of the root index's two lists holds entries: an empty
// index can find no seam.
bool rootIndexHasEntries(const HyphRecord &r)
{
    const HyphTable &t = r.ro;
    int hi = hyph_hi_code(t);
    for (int c = 1; c <= hi; c++)
        if (hyph_rd16(t.p, 3 + c) < hyph_rd16(t.p, 4 + c) || hyph_rd16(t.p, 4 + hi + c) < hyph_rd16(t.p, 5 + hi + c))
            return true;
    return false;
}

void HyphenTest(int s, int e, int depth)
{
    if (depth > 4 || e - s < 3)
        return;
    int cand[HYPH_MAX_POINTS], nc = 0;
    for (int i = 0; i < hyph_index; i++) {
        int p = hyphens[2 * i];
        if (p > s && p < e - 1 && hyphens[2 * i + 1] < 4)
            cand[nc++] = i;
    }
    // From the middle outwards, alternately right and left.
    int mid = nc / 2;
    for (int k = 0; k < nc; k++) {
        int idx = (k % 2 == 0) ? mid + k / 2 : mid - 1 - k / 2;
        if (idx < 0 || idx >= nc)
            continue;
        int i = cand[idx];
        int p = hyphens[2 * i];
        int link = hyph_rd16(lang->ro.p, 1) & 0x3F;
        bool seam = rootListHas(s, p, 1) || (link && W[p] == link && rootListHas(s, p - 1, 1)) ||
                    (rootListHas(p + 1, e, 0) && onsetPasses(p + 1, p + 1));
        if (!seam)
            continue;
        hyphens[2 * i + 1] = 0;
        for (int m = 0; m < hyph_index; m++)
            if (hyphens[2 * m] == p + 1)
                hyphens[2 * m + 1] = 4;
        HyphenTest(s, p, depth + 1);
        HyphenTest(p + 1, e, depth + 1);
        return;
    }
}

void RootIndexHyphens(int s, int e)
{
    SortHyphens(s, e);
    if (!lang->ro.p || rootCount == 0 || !lang->roEntries)
        return;
    int from = firstPrefixEnd >= 0 ? firstPrefixEnd : 0;
    int to = e;
    if (mainSuf >= 0) {
        const Affix &a = suf[mainSuf];
        to = a.start + sufLettersBeforeMark(a) - 1;
        if (a.entry[2] & 0x80)
            to = a.start - 1;
    }
    if (to >= N)
        to = N - 1;
    HyphenTest(from, to, 0);
}

// ---- Languages ---------------------------------------------------------------

bool testWord()
{
    static const unsigned char kWord[] = {14, 14, 5, 22, 5, 12, 12, 9, 12};
    if (N != 9 || memcmp(W, kWord, 9) != 0)
        return false;
    static const int kMarks[] = {1, 2, 3, 5, 7};
    for (int m : kMarks)
        addPoint(m - 1, 2);
    return true;
}

bool exceptionWord()
{
    const HyphTable &t = lang->ex;
    if (!t.p || lang->nex == 0)
        return false;
    uint32_t off = hyph_rd16(t.p, 3), len = hyph_rd16(t.p, 1);
    const unsigned char *list = t.p + off;
    // Binary search over the entries of the word's first letter.
    uint32_t lo = lang->exFirst[W[0]], hi = lang->exFirst[W[0] + 1];
    while (lo < hi) {
        uint32_t mid = lo + (hi - lo) / 2;
        uint32_t s = lang->exStarts[mid], e = mid + 1 < lang->nex ? lang->exStarts[mid + 1] : len;
        int c = compare(W, N, list + s, (int)(e - s));
        if (c == 0) {
            for (uint32_t i = s + 1; i < e; i++)
                if (list[i] & 0x40)
                    addPoint((int)(i - s) - 1, 2);
            return true;
        }
        if (c < 0)
            hi = mid;
        else
            lo = mid + 1;
    }
    return false;
}

bool wordListReplace(int s, int e)
{
    const HyphTable &t = lang->ex;
    if (!t.p || e < s)
        return false;
    Bucket b = bucketOf(t, W[s], 3);
    if (!b.p)
        return false;
    int elen;
    const unsigned char *hit = ScanList(b.p, (uint32_t)(b.end - b.p), W + s, e - s + 1, &elen);
    if (!hit)
        return false;
    // ReplaceHyphens: the listed word's points replace those inside it.
    for (int i = 0; i < hyph_index; i++) {
        int p = hyphens[2 * i];
        if (p >= s && p < e)
            hyphens[2 * i] = 255;
    }
    for (int i = 1; i < elen; i++)
        if (hit[i] & 0x40)
            addPoint(s + i - 1, 2);
    return true;
}

void finish()
{
    if (hyph_index == 0)
        return;
    for (int i = 0; i < hyph_index; i++)
        if (hyphens[2 * i] == 0)
            hyphens[2 * i + 1] = 4;
    if (hyphens[2 * (hyph_index - 1)] == N - 2)
        hyphens[2 * (hyph_index - 1) + 1] = 4;
}

int selectLanguage(int number)
{
    lang = nullptr;
    dashes_currentLang = HYPH_NO_LANGUAGE;
    if (number < 0 || number >= 32 || !hyph_group_name(number))
        return -1;
    if (recordState[number] == 2)
        return -1;
    if (recordState[number] == 0) {
        if (hyph_build_record(&records[number], number, resourceDir, lastError, sizeof lastError) != 0) {
            recordState[number] = 2;
            if (warnings)
                fprintf(stderr, "hyphenation: %s\n", lastError);
            return -1;
        }
        HyphRecord &r = records[number];
        switch (number) {
        case 0: r.suffixHook = EngSuRepair; r.finalHook = EngSpecific; break;
        case 4: case 21: r.suffixHook = FreSuRepair; r.finalHook = SortHyphens; break;
        case 5: case 6: case 7: case 8: case 9: case 10: case 11: case 24:
            r.suffixHook = VowelSuffixRepair; r.finalHook = RootIndexHyphens; break;
        case 19: r.suffixHook = identityHook; r.finalHook = RootIndexHyphens; break;
        case 22: case 29: r.suffixHook = VowelSuffixRepair; r.finalHook = SortHyphens; break;
        case 26: r.suffixHook = identityHook; r.finalHook = BelSpecific; break;
        case 27: r.suffixHook = identityHook; r.finalHook = CatSpecific; break;
        default: r.suffixHook = identityHook; r.finalHook = SortHyphens; break;
        }
        recordState[number] = 1;
        lang = &records[number];
        ruleSet = hyph_rule_set(number);
        buildPairTable(r);
        r.roEntries = r.ro.p && rootIndexHasEntries(r);
    }
    lang = &records[number];
    ruleSet = hyph_rule_set(number);
    dashes_currentLang = (uint16_t)number;
    lastError[0] = 0;
    return 0;
}

// Character map of the last language asked.
unsigned char expandedMap[256];
int expandedLang = -1;

void ExpandMap(int language)
{
    expandedLang = -1;
    memset(expandedMap, 0, sizeof expandedMap);
    int count;
    const uint32_t *letters = hyph_alphabet(language, &count);
    for (int c = 0; c < 256; c++) {
        uint32_t ch = hyph_lower(hyph_doc_char(language, (unsigned char)c));
        if (ch == 0)
            continue;
        for (int i = 0; i < count; i++)
            if (letters[i] == ch) {
                expandedMap[c] = (unsigned char)(i + 1);
                break;
            }
    }
    expandedLang = language; // only a complete map is ever reused
}

} // namespace

int EngInit() { return selectLanguage(0); }
int SpaInit() { return selectLanguage(1); }
int ItaInit() { return selectLanguage(2); }
int PorInit() { return selectLanguage(3); }
int Fr1Init() { return selectLanguage(4); }
int FreInit() { return selectLanguage(4); }
int Fr2Init() { return selectLanguage(21); }
int GerInit() { return selectLanguage(5); }
int SGrInit() { return selectLanguage(24); }
int DutInit() { return selectLanguage(6); }
int BokInit() { return selectLanguage(7); }
int NynInit() { return selectLanguage(8); }
int SweInit() { return selectLanguage(9); }
int DanInit() { return selectLanguage(10); }
int IceInit() { return selectLanguage(11); }
int GreInit() { return selectLanguage(12); }
int TurInit() { return selectLanguage(13); }
int RusInit() { return selectLanguage(14); }
int CroInit() { return selectLanguage(15); }
int HebInit() { return selectLanguage(17); }
int SwaInit() { return selectLanguage(18); }
int HunInit() { return selectLanguage(19); }
int PolInit() { return selectLanguage(20); }
int CzeInit() { return selectLanguage(22); }
int UkrInit() { return selectLanguage(23); }
int SloInit() { return selectLanguage(25); }
int BelInit() { return selectLanguage(26); }
int CatInit() { return selectLanguage(27); }
int SlvInit() { return selectLanguage(28); }
int BlgInit() { return selectLanguage(29); }
int RmnInit() { return selectLanguage(31); }

void HyphSetResourceDir(const char *dir)
{
    // A folder name too long to hold is no folder, rather than another one.
    if (!dir || strlen(dir) >= sizeof resourceDir)
        resourceDir[0] = 0;
    else
        snprintf(resourceDir, sizeof resourceDir, "%s", dir);
    // Tables that could not be read may be there now; loaded ones stay.
    for (int i = 0; i < 32; i++)
        if (recordState[i] == 2)
            recordState[i] = 0;
    lang = nullptr;
    dashes_currentLang = HYPH_NO_LANGUAGE;
}

const char *HyphLastError(void) { return lastError; }

void hyph_forget(void)
{
    for (int i = 0; i < 32; i++) {
        if (recordState[i] == 1)
            hyph_free_record(&records[i]);
        recordState[i] = 0;
    }
    hyph_reset_tables();
    lang = nullptr;
    dashes_currentLang = HYPH_NO_LANGUAGE;
}

void hyph_set_warnings(int on) { warnings = on; }

void hyph_last_affixes(int *suffixLetters, int *prefixLetters)
{
    *suffixLetters = nsuf > 0 ? suf[0].letters : 0;
    *prefixLetters = npre > 0 ? pre[0].letters : 0;
}

int InitHyph(uint16_t language)
{
    if (lang && language == dashes_currentLang)
        return 0;
    if (language >= 32 || !hyph_group_name(language)) {
        lang = nullptr;
        dashes_currentLang = HYPH_NO_LANGUAGE;
        snprintf(lastError, sizeof lastError, "no hyphenation rules for language %u", (unsigned)language);
        return -1;
    }
    return selectLanguage(language);
}

int host2dashes(unsigned char c, uint16_t language)
{
    if (language > 25 || !hyph_has_map(language))
        return 0;
    if (expandedLang != language)
        ExpandMap(language);
    return expandedMap[c];
}

void MakeMap(unsigned char *map, uint16_t language)
{
    static const unsigned char kDelimiters[] = "\0\b\t\f\r\n0123456789 !`~@#$%^&*()-_=+[]{}\\|;:'\",<.>/?";
    memset(map, 0, 256);
    for (size_t i = 0; i < sizeof kDelimiters - 1; i++)
        if (host2dashes(kDelimiters[i], language) == 0)
            map[kDelimiters[i]] = 1;
}

int hyphenate(const unsigned char *first, const unsigned char *last)
{
    hyph_index = 0;
    nsuf = npre = 0;
    if (!lang)
        return -1;
    if (!first || !last || last < first)
        return 0;
    long n = last - first + 1;
    // Positions are bytes and 255 is the deleted mark.
    if (n < 4 || n > 254)
        return 0;
    N = (int)n;
    for (int i = 0; i < N; i++)
        W[i] = first[i] & 0x3F;
    nsuf = npre = 0;
    islandLo = islandHi = -1;
    mainSuf = -1;
    firstPrefixEnd = -1;
    rootFirst = rootCount = 0;
    memset(forbiddenGone, 0, sizeof forbiddenGone);

    if (testWord() || exceptionWord()) {
        finish();
        return 0;
    }
    int start = 0, end = N - 1;
    rootStart = 0;
    end = stripSuffixes(start, end);
    end = lang->suffixHook(end);
    if (end > N - 1)
        end = N - 1;
    start = stripPrefixes(start, end);
    if (npre > 0)
        start = repairPrefix(start, end);
    DoIsland();
    rootStart = start;
    rootEnd = end;
    int fixEnd = end;
    for (int i = nsuf - 1; i >= 0; i--)
        if ((suf[i].entry[0] & 0x80) && suf[i].start - 1 >= start && suf[i].start - 1 < fixEnd) {
            fixEnd = suf[i].start - 1;
            break;
        }
    if (wordListReplace(start, fixEnd)) {
        SortHyphens(start, end);
    } else {
        rootFirst = hyph_index;
        applyRootRules(start, end);
        rootCount = hyph_index - rootFirst;
        lang->finalHook(start, end);
    }
    finish();
    return 0;
}

int pwd_hyphenate(const unsigned char *word, int length, unsigned char *pairs, int language)
{
    if (!word || !pairs || language < 0 || language > 0xFFFF)
        return 0;
    if (InitHyph((uint16_t)language) != 0)
        return 0;
    if (length < 4 || length > 254)
        return 0;
    if (language > 25 || !hyph_has_map(language))
        return 0;
    if (expandedLang != language)
        ExpandMap(language);
    unsigned char codes[256];
    for (int i = 0; i < length; i++) {
        codes[i] = expandedMap[word[i]];
        if (codes[i] == 0)
            return 0;
    }
    hyphenate(codes, codes + length - 1);
    memcpy(pairs, hyphens, 2 * (size_t)hyph_index);
    return hyph_index;
}
