// The spelling check: a word whole, then cut at separators, as a compound
// or with a clitic; each piece looked up in the user lists, the common list,
// the exact lists and the main word blocks.

#include "spelling/pwd_internal.h"

#include <string.h>

namespace {

typedef int (*StretchTest)(unsigned char* first, unsigned char* last, int option);

bool plain(int status)
{
    return !(status & ~PWD_LETTERS);
}

const unsigned char* exactCodes = nullptr;

int exactCompare(const unsigned char* probe, const unsigned char* stored, int)
{
    return pwdExactCompare(exactCodes, probe, stored);
}

int partStatus(const unsigned char* w, int n)
{
    PWDSpeller* sp = PWDRecord();
    int st = 0;
    for (int i = 0; i < n; ++i)
        st |= sp->classes[w[i]];
    return st & ~(PWDK_VOWEL | PWDK_ACCENTED | PWDK_CLITIC_MARK);
}

// Splits a trailing clitic, or else a leading one, off a word that holds a
// clitic mark; merges the parts' statuses into *status.
void GetOnPost(const unsigned char* w, int n, int* status)
{
    PWDSpeller* sp = PWDRecord();
    bool byCode = sp->version > 1;
    auto same = [&](unsigned char stored, unsigned char c) {
        return byCode ? stored == sp->codes[c] && stored != 0 : stored == c;
    };
    const unsigned char* list;
    long size;
    if (EtcAccess(5, nullptr, &list, &size)) {
        for (long i = 0; i < size;) {
            long L = static_cast<long>(strnlen(reinterpret_cast<const char*>(list + i), static_cast<size_t>(size - i)));
            if (L > 0 && L + 1 < n) {
                long k = 0;
                while (k < L && same(list[i + k], w[n - 1 - k]))
                    ++k;
                if (k == L && (sp->classes[w[n - 1 - L]] & PWDK_CLITIC_MARK)) {
                    PWDpostLen = static_cast<int>(L + 1);
                    int core = n - PWDpostLen;
                    *status = GetStat(w, core) | partStatus(w + core + 1, static_cast<int>(L));
                    return;
                }
            }
            i += L + 1;
        }
    }
    if (EtcAccess(6, nullptr, &list, &size)) {
        for (long i = 0; i < size;) {
            long L = static_cast<long>(strnlen(reinterpret_cast<const char*>(list + i), static_cast<size_t>(size - i)));
            if (L > 0 && L + 2 <= n) {
                long k = 0;
                while (k < L && same(list[i + k], w[k]))
                    ++k;
                if (k == L && (sp->classes[w[L]] & PWDK_CLITIC_MARK) && (sp->classes[w[L + 1]] & PWDK_VOWEL)) {
                    PWDonLen = static_cast<int>(L + 1);
                    int st = GetStat(w + PWDonLen, n - PWDonLen);
                    int lead = partStatus(w + 1, static_cast<int>(L) - 1);
                    if (lead & PWDK_CAPITAL)
                        st |= lead;
                    *status = st;
                    return;
                }
            }
            i += L + 1;
        }
    }
}

// The endings list indexed by its first byte (an ending's last letter), so
// that coding a word looks only at the endings that can match. Rebuilt when
// the table's bytes differ from the copy the index was made from.
struct EndingIndex {
    enum { kCapacity = 8192, kMaxEndings = 512 };
    unsigned char copy[kCapacity];
    long size = -1;
    uint16_t offset[kMaxEndings];
    uint16_t index[kMaxEndings];
    uint16_t bucket[129]; // entries of code c: bucket[c] to bucket[c + 1]
};

EndingIndex endingIndex;

bool indexEndings(const unsigned char* list, long size)
{
    EndingIndex& x = endingIndex;
    if (size > EndingIndex::kCapacity)
        return false;
    if (x.size == size && memcmp(x.copy, list, static_cast<size_t>(size)) == 0)
        return true;
    x.size = -1;
    uint16_t count[129] = {};
    long n = 0;
    for (long i = 0; i < size; ++n) {
        if (n >= EndingIndex::kMaxEndings)
            return false;
        ++count[list[i] & 0x7F];
        while (i < size && list[i])
            ++i;
        ++i;
    }
    uint16_t at = 0;
    for (int c = 0; c < 128; ++c) {
        x.bucket[c] = at;
        at = static_cast<uint16_t>(at + count[c]);
    }
    x.bucket[128] = at;
    uint16_t fill[128];
    memcpy(fill, x.bucket, sizeof fill);
    n = 0;
    for (long i = 0; i < size; ++n) {
        int c = list[i] & 0x7F;
        x.offset[fill[c]] = static_cast<uint16_t>(i);
        x.index[fill[c]++] = static_cast<uint16_t>(n);
        while (i < size && list[i])
            ++i;
        ++i;
    }
    memcpy(x.copy, list, static_cast<size_t>(size));
    x.size = size;
    return true;
}

// As pwdMatchEnding: the longest ending, the first of equal ones.
int matchEnding(const unsigned char* list, long size, const unsigned char* codes, int n, int* cut)
{
    if (!indexEndings(list, size))
        return pwdMatchEnding(list, size, codes, n, cut);
    const EndingIndex& x = endingIndex;
    int c = codes[n - 1] & 0x7F;
    int best = -2, bestLen = 0;
    for (int j = x.bucket[c]; j < x.bucket[c + 1]; ++j) {
        const unsigned char* e = list + x.offset[j];
        long room = size - x.offset[j];
        int k = 0;
        while (k < room && e[k] && k < n && e[k] == codes[n - 1 - k])
            ++k;
        if (k < room && !e[k] && k > bestLen) {
            best = x.index[j];
            bestLen = k;
        }
    }
    *cut = bestLen;
    return best;
}

struct Mapped {
    int first, second;
    unsigned char stem[PWD_MAX_WORD + 1]; // in accent mode the letter codes after the pair
    int stemLen;
    int flag;
    bool accent;
};

// Accent mode: stems compare through the equivalence map.
int accentFlag = 0;
unsigned char accMap[256];

// Letter codes of the core in accent mode: no ending cut, no digrams.
bool MapAccent(const unsigned char* w, int n, Mapped* m)
{
    PWDSpeller* sp = PWDRecord();
    if (n < 2)
        return false;
    for (int i = 0; i < n; ++i)
        if (!sp->codes[w[i]] || sp->codes[w[i]] > 127)
            return false;
    m->first = PWDfirst = sp->codes[w[0]];
    m->second = PWDsecond = sp->codes[w[1]];
    for (int i = 2; i < n; ++i)
        m->stem[i - 2] = sp->codes[w[i]];
    m->stemLen = n - 2;
    m->flag = -1;
    m->accent = true;
    return true;
}

// Codes a word (pair, ending, digram-coded stem); false when it cannot be.
bool PWDMapWord(const unsigned char* w, int n, Mapped* m)
{
    PWDSpeller* sp = PWDRecord();
    unsigned char codes[PWD_MAX_WORD + 1];
    for (int i = 0; i < n; ++i) {
        codes[i] = sp->codes[w[i]];
        if (!codes[i] || codes[i] > 127)
            return false;
    }
    if (n < 2)
        return false;
    m->first = codes[0];
    m->second = codes[1];
    PWDfirst = m->first;
    PWDsecond = m->second;
    long esize;
    const unsigned char* endings = PWDTable(PWDT_ENDINGS, &esize);
    long dsize;
    const unsigned char* digram = PWDTable(PWDT_DIGRAM_ENCODING, &dsize);
    if (!endings || !digram)
        return false;
    int rest = n - 2, cut = 0;
    int e = rest > 0 ? matchEnding(endings, esize, codes + 2, rest, &cut) : -2;
    m->flag = e + 2;
    int stemLen = rest - cut;
    int rows = dsize >= 2 ? digram[0] : 0, cols = dsize >= 2 ? digram[1] : 0;
    int k = 0;
    for (int i = 0; i < stemLen;) {
        unsigned char c = codes[2 + i];
        if (i + 1 < stemLen && c <= rows) {
            int off = pwdGet16(digram + 2 * c);
            unsigned char d = codes[3 + i];
            if (off && d <= cols && digram[off + d - 1]) {
                m->stem[k++] = digram[off + d - 1];
                i += 2;
                continue;
            }
        }
        m->stem[k++] = c;
        ++i;
    }
    m->stemLen = k;
    m->accent = false;
    return true;
}

// Looks at the entries equal to the word around an entry found equal;
// accepts when one takes the flag in the word's case, sets 0x01 when one
// takes it only capitalised.
int resolveEqual(const unsigned char* data, long start, long end, long found, const Mapped& m, bool capital)
{
    int presence = PWDPresence();
    bool capitalOnly = false;
    auto judge = [&](long e, long* next) -> int { // 1 accept, 0 equal but no, -1 not equal / bad
        unsigned char bits[PWD_MAX_DATA_BYTES];
        int k = pwdDecodeControls(data + e, data + end, presence, bits);
        if (!k)
            return -1;
        long s = e + k, t = s;
        while (t < end && !(data[t] & 0x80))
            ++t;
        if (next)
            *next = t;
        if (pwdStemCompare(m.stem, m.stemLen, data + s, static_cast<int>(t - s)) != 0)
            return -1;
        if (pwdFlag(bits, presence, m.flag)) {
            if (capital || !pwdFlag(bits, presence, 1))
                return 1;
            capitalOnly = true;
        }
        return 0;
    };
    long next = end;
    int r = judge(found, &next);
    if (r == 1)
        return 1;
    for (int i = 0; i < 3 && next < end; ++i) {
        long n2;
        r = judge(next, &n2);
        if (r == 1)
            return 1;
        if (r < 0)
            break;
        next = n2;
    }
    long e = found;
    for (int i = 0; i < 3 && e > start; ++i) {
        long p = e - 1;
        while (p > start && !(data[p] & 0x80))
            --p;
        r = judge(p, nullptr);
        if (r == 1)
            return 1;
        if (r < 0)
            break;
        e = p;
    }
    if (capitalOnly)
        PWDSetStatus(PWD_CAPITAL_ONLY);
    return 0;
}

int PWDMatchDict(const unsigned char* data, long start, long end, const Mapped& m, bool capital)
{
    int presence = PWDPresence();
    long lo = start, hi = end;
    while (lo < hi) {
        long mid = lo + (hi - lo) / 2;
        long e = mid;
        while (e > lo && !(data[e] & 0x80))
            --e;
        if (!(data[e] & 0x80))
            break;
        int k = pwdCountControls(data + e, data + end, presence);
        if (!k) {
            PWDSetStatus(PWD_IO_ERROR);
            return 0;
        }
        long s = e + k, t = s;
        while (t < end && !(data[t] & 0x80))
            ++t;
        int c = pwdStemCompare(m.stem, m.stemLen, data + s, static_cast<int>(t - s));
        if (c == 0)
            return resolveEqual(data, start, end, e, m, capital);
        if (c < 0)
            hi = e;
        else
            lo = t;
    }
    return 0;
}

// A word letter matches an entry letter when equal or equal to its leader.
bool accSame(unsigned char word, unsigned char entry)
{
    return word == entry || word == accMap[entry];
}

// The rest of the word against one reversed ending.
bool AccMatchSuff(const unsigned char* rest, int n, const unsigned char* ending, int el)
{
    if (n != el)
        return false;
    for (int i = 0; i < n; ++i)
        if (!accSame(rest[i], ending[el - 1 - i]))
            return false;
    return true;
}

// Accent mode: every entry of the range is compared letter by letter through
// the map (the order of the entries does not follow the folded letters).
int AccMatchDict(const unsigned char* data, long start, long end, const Mapped& m, bool capital)
{
    PWDSpeller* sp = PWDRecord();
    int presence = PWDPresence();
    long esize;
    const unsigned char* endings = PWDTable(PWDT_ENDINGS, &esize);
    if (!endings)
        return 0;
    bool capitalOnly = false;
    long i = start;
    while (i < end && !(data[i] & 0x80))
        ++i;
    while (i < end) {
        unsigned char bits[PWD_MAX_DATA_BYTES];
        int k = pwdDecodeControls(data + i, data + end, presence, bits);
        if (!k) {
            PWDSetStatus(PWD_IO_ERROR);
            return 0;
        }
        long s = i + k, t = s;
        while (t < end && !(data[t] & 0x80))
            ++t;
        i = t;
        // AccMatchEntry: the stem, digrams undone, then the endings it takes.
        int w = 0;
        bool same = true;
        for (long j = s; j < t && same; ++j) {
            unsigned char c = data[j];
            unsigned char pair[2] = {sp->digrams[2 * c], sp->digrams[2 * c + 1]};
            int nl = pair[0] ? 2 : 1;
            if (!pair[0])
                pair[0] = c;
            for (int q = 0; q < nl && same; ++q)
                same = w < m.stemLen && accSame(m.stem[w++], pair[q]);
        }
        if (!same)
            continue;
        bool match = w == m.stemLen && pwdFlag(bits, presence, 0);
        long e = 0;
        for (int n = 0; !match && e < esize; ++n) {
            int el = static_cast<int>(strnlen(reinterpret_cast<const char*>(endings + e), static_cast<size_t>(esize - e)));
            if (pwdFlag(bits, presence, n + 2) && AccMatchSuff(m.stem + w, m.stemLen - w, endings + e, el))
                match = true;
            e += el + 1;
        }
        if (!match)
            continue;
        if (capital || !pwdFlag(bits, presence, 1))
            return 1;
        capitalOnly = true;
    }
    if (capitalOnly)
        PWDSetStatus(PWD_CAPITAL_ONLY);
    return 0;
}

int CheckCommon(const Mapped& m, int status, int length)
{
    PWDSpeller* sp = PWDRecord();
    int cf = sp->counts[PWDC_COMMON_FIRST], cs = sp->counts[PWDC_COMMON_SECOND];
    if (length < sp->counts[PWDC_COMMON_SHORTEST] || length > sp->counts[PWDC_COMMON_LONGEST])
        return 0;
    if (m.first > cf || m.second > cs)
        return 0;
    long osize, esize;
    const unsigned char* offsets = PWDTable(PWDT_COMMON_OFFSETS, &osize);
    const unsigned char* entries = offsets ? PWDTable(PWDT_COMMON_ENTRIES, &esize) : nullptr;
    if (!entries)
        return 0;
    long idx = static_cast<long>(m.first - 1) * cs + (m.second - 1);
    if (2 * idx + 2 > osize)
        return 0;
    long start = pwdGet16(offsets + 2 * idx);
    long end = 2 * idx + 4 <= osize ? pwdGet16(offsets + 2 * idx + 2) : esize;
    if (start > end || end > esize) {
        PWDSetStatus(PWD_IO_ERROR);
        return 0;
    }
    if (m.accent)
        return AccMatchDict(entries, start, end, m, (status & PWD_WORD_CAPITAL) != 0);
    return PWDMatchDict(entries, start, end, m, (status & PWD_WORD_CAPITAL) != 0);
}

// Whether a typed word is the stored one, the stored one with a capital
// first letter, or the stored one all in capitals: the only forms of a
// listed word that are accepted ("USA", not "UsA"; "McDonald" and
// "MCDONALD", not "McDONALD").
bool caseFits(const unsigned char* typed, const unsigned char* stored, int n)
{
    PWDSpeller* sp = PWDRecord();
    // t is the capital of s, or s itself when s has no small form.
    auto upper = [&](unsigned char t, unsigned char s) {
        if (!(sp->classes[s] & PWDK_LOWER))
            return t == s;
        return sp->codes[t] != 0 && sp->codes[t] == sp->codes[s] && (sp->classes[t] & PWDK_CAPITAL);
    };
    bool same = true, capitalised = true, capitals = true;
    for (int i = 0; i < n && (same || capitalised || capitals); ++i) {
        same = same && typed[i] == stored[i];
        capitalised = capitalised && (i == 0 ? upper(typed[i], stored[i]) : typed[i] == stored[i]);
        capitals = capitals && upper(typed[i], stored[i]);
    }
    return same || capitalised || capitals;
}

int CheckExact(const unsigned char* w, int n, int status)
{
    // Plain words are coded; only short capitalised ones and those with inner
    // capitals are listed exactly.
    if (plain(status) && n >= 2 && !(n == 2 && (status & PWD_WORD_CAPITAL)) && !(status & PWDK_CAPITAL))
        return 0;
    PWDSpeller* sp = PWDRecord();
    unsigned char probe[PWD_MAX_WORD + 2];
    memcpy(probe, w, static_cast<size_t>(n));
    probe[n] = 0;
    if (memchr(probe, 0, static_cast<size_t>(n)))
        return 0;
    // List B holds the words with a lower-case first letter and a capital
    // later; the others are in list A.
    bool mixedCase = (status & PWDK_CAPITAL) && (sp->classes[w[0]] & PWDK_LOWER);
    long size;
    if (!mixedCase) {
        const unsigned char* a = PWDTable(PWDT_EXACT_A, &size);
        if (!a)
            return 0;
        exactCodes = sp->codes;
        int found;
        long pos = CNSLookUp(a, probe, 0, size, exactCompare, 0, 0, &found);
        if (found) {
            // Equal strings sit together; a stored capital must be typed.
            long s = pos;
            while (s > 0) {
                long p = s - 1;
                while (p > 0 && a[p - 1])
                    --p;
                if (exactCompare(probe, a + p, 0) != 0)
                    break;
                s = p;
            }
            for (long e = s; e < size && exactCompare(probe, a + e, 0) == 0;
                 e += static_cast<long>(strlen(reinterpret_cast<const char*>(a + e))) + 1)
                if (caseFits(probe, a + e, n))
                    return 1;
        }
    }
    const unsigned char* b = PWDTable(PWDT_EXACT_B, &size);
    if (!b)
        return 0;
    int found;
    CNSLookUp(b, probe, 0, size, CNSstrcmp, 0, CNS_OPTION, &found); // case-exact
    if (found || mixedCase || !(status & PWD_WORD_CAPITAL))
        return found;
    // List B is in byte order, so the capitalised or all-capitals form of one
    // of its words ("IPOD" for "iPod") is looked for one by one.
    exactCodes = PWDRecord()->codes;
    for (long e = 0; e < size;) {
        long len = static_cast<long>(strnlen(reinterpret_cast<const char*>(b + e), static_cast<size_t>(size - e)));
        if (len == n && exactCompare(probe, b + e, 0) == 0 && caseFits(probe, b + e, n))
            return 1;
        e += len + 1;
    }
    return 0;
}

int CheckBig(const Mapped& m, const unsigned char* w, int status, int length)
{
    PWDSpeller* sp = PWDRecord();
    int mf = sp->counts[PWDC_MAIN_FIRST], ms = sp->counts[PWDC_MAIN_SECOND];
    if (length < sp->counts[PWDC_MAIN_SHORTEST] || length > sp->counts[PWDC_MAIN_LONGEST])
        return 0;
    if (m.first > mf || m.second > ms || !sp->blockCount)
        return 0;
    uint32_t key = pwdKey(m.first, m.second, m.stem, m.stemLen);
    uint32_t pair = key >> 16;
    long osize;
    const unsigned char* offsets = PWDTable(PWDT_MAIN_OFFSETS, &osize);
    if (!offsets)
        return 0;
    long idx = static_cast<long>(m.first - 1) * ms + (m.second - 1);
    if (2 * idx + 2 > osize)
        return 0;
    long start0 = pwdGet16(offsets + 2 * idx);
    long next0 = 2 * idx + 4 <= osize ? pwdGet16(offsets + 2 * idx + 2) : -1;
    PWDBlockEntry* blocks = PWDBlocks();
    int count = sp->blockCount;
    int lo = 0, hi = count;
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (blocks[mid].lastKey < key)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (m.accent) {
        // Every block that holds entries of the pair.
        lo = 0;
        hi = count;
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if ((blocks[mid].lastKey >> 16) < pair)
                lo = mid + 1;
            else
                hi = mid;
        }
        for (int i = lo; i < count && (blocks[i].firstKey >> 16) <= pair; ++i) {
            long blen;
            const unsigned char* data = PWDBlock(i, &blen);
            if (!data)
                return 0;
            long s = (blocks[i].firstKey >> 16) == pair ? 0 : start0;
            long e = (blocks[i].lastKey >> 16) == pair || next0 < 0 ? blen : next0;
            int r = s <= e && e <= blen ? AccMatchDict(data, s, e, m, (status & PWD_WORD_CAPITAL) != 0) : 0;
            PWDReleaseBlock(i);
            if (r)
                return 1;
            if (s > e || e > blen) {
                PWDSetStatus(PWD_IO_ERROR);
                return 0;
            }
            if (PWDStatus() & (PWD_IO_ERROR | PWD_NO_MEMORY))
                return 0;
        }
        return 0;
    }
    unsigned char word[PWD_MAX_WORD + 2];
    memcpy(word, w, static_cast<size_t>(length));
    word[length] = 0;
    for (int i = lo; i < count && blocks[i].firstKey <= key; ++i) {
        // Reading a block may run the purge, which can drop the cache: look
        // it up afresh each time.
        PWDHandle cache = sp->tables[PWDT_CACHE];
        if (!PWDBlocksMapped() && (!blocks[i].handle || !CNSDeref(blocks[i].handle)) && cache &&
            CNSSearch(cache, word) >= 0)
            return 1;
        long blen;
        const unsigned char* data = PWDBlock(i, &blen);
        if (!data)
            return 0;
        long s = (blocks[i].firstKey >> 16) == pair ? 0 : start0;
        long e = (blocks[i].lastKey >> 16) == pair || next0 < 0 ? blen : next0;
        if (s > e || e > blen) {
            PWDReleaseBlock(i);
            PWDSetStatus(PWD_IO_ERROR);
            return 0;
        }
        int r = PWDMatchDict(data, s, e, m, (status & PWD_WORD_CAPITAL) != 0);
        PWDReleaseBlock(i);
        if (r) {
            PWDHandle cache = PWDRecord()->tables[PWDT_CACHE];
            // A full cache just stops growing; it is not searched then.
            if (cache && CNSDictUsed(cache) + length + 1 <= PWD_CACHE_MAX)
                PWDCacheInsert(cache, word);
            return 1;
        }
        if (PWDStatus() & (PWD_IO_ERROR | PWD_NO_MEMORY))
            return 0;
    }
    return 0;
}

int CheckOne(const unsigned char* w, int n, int status, int option)
{
    int u = CallUserSpellCheck(w, n);
    if (u == 1)
        return 1;
    if (u == 2) {
        PWDSetStatus(PWD_USER_REJECTED);
        return 0;
    }
    // Mixed case: small letters and a capital after the first letter
    // ("iPod", "McDonald", "ITs"). Coded words are stored in small letters or
    // capitalised, so such a word is only looked for in the exact lists.
    // The parts of a compound come from a word whose case was judged whole
    // (a Russian part may carry a mark put before it).
    bool mixed = false;
    if (!CompoundFlg && (status & PWDK_CAPITAL) && (status & PWDK_LOWER)) {
        PWDSpeller* sp = PWDRecord();
        int i = 0;
        while (i < n && !(sp->classes[w[i]] & (PWDK_CAPITAL | PWDK_LOWER)))
            ++i;
        for (++i; i < n && !mixed; ++i)
            mixed = (sp->classes[w[i]] & PWDK_CAPITAL) != 0;
    }
    int coreStart = PWDonLen, coreLen = n - PWDonLen - PWDpostLen;
    Mapped m;
    bool coded = false;
    if (coreLen >= 2 && plain(status) && !mixed
        && (accentFlag ? MapAccent(w + coreStart, coreLen, &m) : PWDMapWord(w + coreStart, coreLen, &m))) {
        coded = true;
        if (CheckCommon(m, status, coreLen))
            return 1;
    }
    if (PWDStatus() & (PWD_IO_ERROR | PWD_NO_MEMORY))
        return 0;
    if (!(CompoundFlg && (!plain(status) || mixed))) {
        if (coreLen > 0 && CheckExact(w + coreStart, coreLen, status))
            return 1;
        // The whole piece holds its clitic mark, so it is never a plain word.
        if ((PWDonLen || PWDpostLen) && CheckExact(w, n, status | PWDK_CLITIC_MARK))
            return 1;
    }
    if (coded && CheckBig(m, w + coreStart, status, coreLen))
        return 1;
    if (mixed && option == 0)
        PWDSetStatus(PWD_MIXED_CASE);
    return 0;
}

// Path search over boundaries (7-bit offsets of a part's last character,
// 127 for the start; a high bit ends the part one character earlier).
int FindPath(unsigned char* word, const unsigned char* b, int count, int option, StretchTest test)
{
    PWDHandle h = CNSHandle(2 * count + 2);
    if (!h) {
        PWDSetStatus(PWD_NO_MEMORY);
        return 0;
    }
    int on = PWDonLen, post = PWDpostLen;
    int result = 0;
    int nreach = 1;
    static_cast<unsigned char*>(CNSDeref(h))[0] = 0;
    for (int r = 0; r < nreach && !result; ++r) {
        int from = static_cast<unsigned char*>(CNSDeref(h))[r];
        int fv = b[from] & 0x7F;
        int startPos = fv == 127 ? 0 : fv + 1;
        for (int j = count - 1; j > from; --j) {
            int endPos = (b[j] & 0x7F) - ((b[j] & 0x80) ? 1 : 0);
            if (endPos < startPos)
                continue;
            int ok = test(word + startPos, word + endPos, option);
            if (PWDStatus() & (PWD_NO_MEMORY | PWD_IO_ERROR | PWD_BAD_VERSION))
                break;
            if (!ok)
                continue;
            if (j == count - 1) {
                result = 1;
                break;
            }
            unsigned char* reach = static_cast<unsigned char*>(CNSDeref(h));
            // Boundaries at one offset start the same next stretch.
            bool seen = false;
            for (int k = 0; k < nreach; ++k)
                seen = seen || (b[reach[k]] & 0x7F) == (b[j] & 0x7F);
            if (!seen)
                reach[nreach++] = static_cast<unsigned char>(j);
        }
        if (PWDStatus() & (PWD_NO_MEMORY | PWD_IO_ERROR | PWD_BAD_VERSION))
            break;
    }
    CNSDisposHandle(h);
    PWDonLen = on;
    PWDpostLen = post;
    return result;
}

// A stretch between separators: its leading separators are not part of it.
int MatchStretch(unsigned char* first, unsigned char* last, int option)
{
    PWDSpeller* sp = PWDRecord();
    while (first <= last && (sp->classes[*first] & PWDK_SEPARATOR))
        ++first;
    if (first > last)
        return 1;
    return MatchOne(first, last, option);
}

int TryIt(unsigned char* first, unsigned char* last, int option)
{
    int n = static_cast<int>(last - first) + 1;
    int all = PWDallLen;
    PWDallLen = n;
    PWDonLen = PWDpostLen = 0;
    int r = CheckOne(first, n, GetStat(first, n) | PWD_WORD_CAPITAL, option);
    PWDallLen = all;
    return r;
}

// The least letters of a compound part (a linking "s" not counted): shorter
// listed words ("ab", "ge", "ar") would let almost any misspelling split.
// A part one letter shorter is taken where the hyphenator confirms both its
// ends as joints ("Eis-bein").
constexpr int kMinCompoundPart = 4, kShortPart = 3;
// Parts this long rarely come from a misspelling: the test for a listed word
// one edit away, which costs most on long words, is left out for them.
constexpr int kLongPart = 8;
int partMin = kMinCompoundPart;

// The compound in progress and the joints its hyphen points confirm (after
// the letter at each marked offset).
const unsigned char* germanicWord = nullptr;
int germanicLen = 0;
bool confirmed[PWD_MAX_WORD + 1];

// The filter of the dictionary's word forms, when it may answer for the
// look-ups of the compound rule: no user list and the default user check
// (either could accept a stretch the dictionary does not hold), no accent
// mode (stems then compare through the equivalence map).
const PWDFormFilter* formFilter()
{
    if (accentFlag || PWDRecord()->userCount || (UserSpellCheck && UserSpellCheck != PWDDefaultSpellCheck))
        return nullptr;
    return PWDForms();
}

// Hashes of a word's prefixes (prefix[i]: its first i letters) and the
// powers of the base, so that any stretch, and any word one edit away,
// hashes in a few operations.
struct WordHashes {
    uint64_t prefix[PWD_MAX_WORD + 3];
    uint64_t power[PWD_MAX_WORD + 3];
    int n;
    void of(const unsigned char* w, int len)
    {
        const unsigned char* codes = PWDRecord()->codes;
        n = len;
        prefix[0] = 0;
        power[0] = 1;
        for (int i = 0; i < len; ++i) {
            prefix[i + 1] = pwdFormStep(prefix[i], pwdFormCode(codes, w[i]));
            power[i + 1] = power[i] * kPWDFormBase;
        }
        power[len + 1] = power[len] * kPWDFormBase;
        power[len + 2] = power[len + 1] * kPWDFormBase;
    }
    // Letters [a, b).
    uint64_t stretch(int a, int b) const { return prefix[b] - prefix[a] * power[b - a]; }
    // A letter code put in at a (the rest follows from `from`).
    uint64_t with(int a, unsigned v, int from) const
    {
        return pwdFormStep(prefix[a], v) * power[n - from] + stretch(from, n);
    }
};

// The hyphen points of the word whose compound readings are being tried.
struct {
    bool valid;
    const unsigned char* w;
    int n, count;
    unsigned char pairs[2 * PWD_MAX_HYPHEN_POINTS];
} germanicPoints;
bool confirmedReady = false;

// Fills `confirmed` for the compound in progress; the readings of one word
// ask the hyphenator once.
void ensureConfirmed()
{
    if (confirmedReady)
        return;
    confirmedReady = true;
    const unsigned char* w = germanicWord;
    int n = germanicLen;
    memset(confirmed, 0, sizeof confirmed);
    if (!germanicPoints.valid || germanicPoints.w != w || germanicPoints.n != n) {
        germanicPoints.count = CallUserGetHyphens(w, n, germanicPoints.pairs);
        germanicPoints.w = w;
        germanicPoints.n = n;
        germanicPoints.valid = true;
    }
    for (int i = 0; i < germanicPoints.count; ++i) {
        int p = germanicPoints.pairs[2 * i], weight = germanicPoints.pairs[2 * i + 1] & 0x3F;
        if (p >= 2 && p <= n - 3 && weight < 3)
            confirmed[p] = true;
    }
}

// Whether the hyphenator breaks at both ends of a part of the compound in
// progress (its start and its end are the word's or confirmed joints).
bool jointsConfirmed(const unsigned char* first, const unsigned char* last)
{
    if (!germanicWord)
        return false;
    ensureConfirmed();
    long s = first - germanicWord, e = last - germanicWord;
    if (s < 0 || e >= germanicLen)
        return false;
    bool startOk = s == 0 || confirmed[s - 1];
    // Before a linking "s" the point follows the "s".
    bool linked = e + 1 < germanicLen && (germanicWord[e + 1] == 's' || germanicWord[e + 1] == 'S');
    bool endOk = e == germanicLen - 1 || confirmed[e] || (linked && confirmed[e + 1]);
    return startOk && endOk;
}

// Whether a part is one of the dictionary's common compound parts (the etc
// block's long section): of the parts that begin compounds, or of those
// that follow a joint. Both lists hold sorted strings of letter codes.
bool commonPart(const unsigned char* w, long n, bool first)
{
    PWDSpeller* sp = PWDRecord();
    if (!(sp->flags & PWDO_LONG_SECTION) || n < 1 || n > PWD_MAX_WORD)
        return false;
    const unsigned char* sec;
    long size;
    if (!EtcAccess(2, nullptr, &sec, &size) || size < 2)
        return false;
    long split = pwdGet16(sec);
    if (2 + split > size)
        return false;
    const unsigned char* list = first ? sec + 2 : sec + 2 + split;
    long len = first ? split : size - 2 - split;
    unsigned char key[PWD_MAX_WORD + 1];
    const unsigned char* codes = PWDRecord()->codes;
    for (long i = 0; i < n; ++i)
        if (!(key[i] = codes[w[i]]))
            return false;
    // Binary search over entries that start after a NUL.
    long lo = 0, hi = len;
    while (lo < hi) {
        long mid = lo + (hi - lo) / 2;
        while (mid > lo && list[mid - 1])
            --mid;
        long end = mid;
        while (end < len && list[end])
            ++end;
        int c = 0;
        for (long i = 0; i < n && i < end - mid && !c; ++i)
            c = key[i] < list[mid + i] ? -1 : key[i] > list[mid + i] ? 1 : 0;
        if (!c)
            c = n < end - mid ? -1 : n > end - mid ? 1 : 0;
        if (!c)
            return true;
        if (c < 0)
            hi = mid;
        else
            lo = end + 1;
    }
    return false;
}

// With commonOnly, every part must be a common compound part, of four
// letters or more, with both ends confirmed.
bool commonOnly = false;

// The hashes of the compound in progress and the filter that may answer
// for its stretches (nullptr: none).
const WordHashes* germanicHashes = nullptr;
const PWDFormFilter* germanicFilter = nullptr;

// The answers for the stretches of the word whose compound readings are
// being tried: each reading looks at many of the same stretches. An entry
// holds the stamp of the word it was found for, and 1 + the answer.
struct PartAnswer {
    uint32_t stamp;
    unsigned char answer;
};
PartAnswer partAnswers[PWD_MAX_WORD][PWD_MAX_WORD];
uint32_t partStamp = 0; // 0: no word, nothing kept
uint32_t partWords = 0; // words whose readings were tried, for the stamps

int TryPart(unsigned char* first, unsigned char* last, int option)
{
    long n = last - first + 1;
    if (germanicFilter && germanicWord) {
        long s = first - germanicWord;
        if (s >= 0 && s + n <= germanicLen &&
            !pwdFormMaybe(germanicFilter, germanicHashes->stretch(static_cast<int>(s), static_cast<int>(s + n))))
            return 0;
    }
    bool needJoints = commonOnly;
    if (commonOnly) {
        if (n < kMinCompoundPart || !germanicWord)
            return 0;
        long s = first - germanicWord, e = last - germanicWord;
        // A linking "s" left out of the part belongs to it in the list.
        bool linked = e + 1 < germanicLen && (germanicWord[e + 1] == 's' || germanicWord[e + 1] == 'S');
        if (!commonPart(first, n, s == 0) && !(s == 0 && linked && commonPart(first, n + 1, true)))
            return 0;
    }
    if (n < partMin) {
        if (n < kShortPart || partMin > kMinCompoundPart)
            return 0;
        needJoints = true;
    }
    if (needJoints && !jointsConfirmed(first, last))
        return 0;
    long s = first - germanicWord;
    if (partStamp && germanicWord && s >= 0 && s + n <= germanicLen && n <= PWD_MAX_WORD) {
        PartAnswer& a = partAnswers[s][n - 1];
        if (a.stamp == partStamp)
            return a.answer;
        int r = TryIt(first, last, option);
        // An answer cut short by a table that could not be read is not kept.
        if (!(PWDStatus() & (PWD_NO_MEMORY | PWD_IO_ERROR | PWD_BAD_VERSION)))
            a = {partStamp, static_cast<unsigned char>(r != 0)};
        return r;
    }
    return TryIt(first, last, option);
}

int CheckGermanic(unsigned char* w, int n, int status, int option)
{
    int least = kShortPart < partMin ? kShortPart : partMin;
    if (!plain(status) || n < 2 * least)
        return 0;
    // A capital inside a word that is not all capitals ("ZimmerEcke") is no
    // compound of ours.
    PWDSpeller* sp = PWDRecord();
    bool capitals = !(status & PWDK_LOWER);
    for (int i = 1; i < n && !capitals; ++i)
        if (sp->classes[w[i]] & PWDK_CAPITAL)
            return 0;
    // The hyphenator's points mark joints, but miss many (before a vowel
    // above all), so any letter may end a part.
    // The joints are asked of the hyphenator only when a part needs them.
    confirmedReady = false;
    unsigned char b[2 * PWD_MAX_WORD + 4];
    int count = 0;
    b[count++] = 127;
    for (int p = least - 1; p <= n - 1 - least; ++p) {
        // A linking "s" ends the part before it.
        if ((w[p] == 's' || w[p] == 'S') && p >= least)
            b[count++] = static_cast<unsigned char>(p | 0x80);
        b[count++] = static_cast<unsigned char>(p);
    }
    if (count == 1)
        return 0;
    b[count++] = static_cast<unsigned char>(n - 1);
    const unsigned char* outer = germanicWord;
    int outerLen = germanicLen;
    const WordHashes* outerHashes = germanicHashes;
    const PWDFormFilter* outerFilter = germanicFilter;
    WordHashes hashes;
    germanicFilter = formFilter();
    if (germanicFilter)
        hashes.of(w, n);
    germanicHashes = &hashes;
    germanicWord = w;
    germanicLen = n;
    int r = FindPath(w, b, count, option, TryPart);
    confirmedReady = false;
    germanicWord = outer;
    germanicLen = outerLen;
    germanicHashes = outerHashes;
    germanicFilter = outerFilter;
    return r;
}

// Whether a word is one substitution, insertion, deletion or swap of
// neighbours away from a word the dictionary holds (compounds not tried).
// A word taken only as a compound but that close to a listed one is far more
// likely a typing error for it than a new compound ("Hausbot" for
// "Hausboot" rather than "Haus" and "bot"); the guesses then offer it.
bool NearListedWord(const unsigned char* w, int n, int option)
{
    PWDSpeller* sp = PWDRecord();
    if (n < 2 || n > PWD_MAX_WORD - 1)
        return false;
    // The letters put in, by case: by letter code below 63 (one letter a
    // code, as bits), the others listed.
    struct Letters {
        unsigned char byCode[64] = {};
        uint64_t bits = 0;
        unsigned char wide[128];
        int nwide = 0;
    } lowers, capitals;
    const PWDFormFilter* filter = formFilter();
    sp = PWDRecord();
    for (int c = 1; c < 256; ++c) {
        int code = sp->codes[c];
        // Letters no word holds make no word.
        if (!code || code > 127 || (filter && !PWDFormLetter(filter, static_cast<unsigned>(code))))
            continue;
        Letters* l = (sp->classes[c] & PWDK_LOWER) ? &lowers : (sp->classes[c] & PWDK_CAPITAL) ? &capitals : nullptr;
        if (!l)
            continue;
        if (code < 63 && !((l->bits >> code) & 1)) {
            l->byCode[code] = static_cast<unsigned char>(c);
            l->bits |= 1ull << code;
        } else if (l->nwide < 128) {
            l->wide[l->nwide++] = static_cast<unsigned char>(c);
        }
    }
    bool allCapitals = !(GetStat(w, n) & PWDK_LOWER);
    bool firstCapital = (sp->classes[w[0]] & PWDK_CAPITAL) != 0;
    int savedStatus = PWDStatus();
    int all = PWDallLen, on = PWDonLen, post = PWDpostLen, compound = CompoundFlg;
    CompoundFlg = 0;
    bool found = false, failed = false;
    unsigned char buf[PWD_MAX_WORD + 2];
    // Most words one edit away are no words: the filter of the dictionary's
    // forms tells them from their hashes, before any is spelt out.
    WordHashes hw;
    hw.of(w, n);
    const unsigned char* codes = PWDRecord()->codes;
    auto maybe = [&](uint64_t h) { return !filter || pwdFormMaybe(filter, h); };
    // The letter code at a place of the word, 0 beyond its ends.
    auto code = [&](int i) { return i >= 0 && i < n ? pwdFormCode(codes, w[i]) : 0u; };
    auto listed = [&](int m) {
        if (found || failed || m < 2)
            return;
        buf[m] = 0;
        PWDallLen = m;
        PWDonLen = PWDpostLen = 0;
        PWDGetStat()->status = static_cast<uint16_t>(savedStatus);
        found = CheckOne(buf, m, GetStat(buf, m), option) != 0;
        failed = (PWDStatus() & (PWD_NO_MEMORY | PWD_IO_ERROR | PWD_BAD_VERSION)) != 0;
    };
    // Calls put(letter, code) for each letter of the case that the filter
    // allows at a place (fits: the codes allowed, bit 63 for any code from 63).
    auto eachLetter = [&](bool capital, uint64_t fits, auto put) {
        const Letters& l = capital ? capitals : lowers;
        for (uint64_t b = fits & l.bits & ~(1ull << 63); b && !found && !failed; b &= b - 1) {
            unsigned v = static_cast<unsigned>(__builtin_ctzll(b));
            put(l.byCode[v], v);
        }
        for (int k = 0; k < l.nwide && !found && !failed; ++k) {
            unsigned v = pwdFormCode(codes, l.wide[k]);
            if ((fits >> (v < 63 ? v : 63)) & 1)
                put(l.wide[k], v);
        }
    };
    for (int i = 0; i + 1 < n && !found && !failed; ++i) { // swaps
        if (w[i] == w[i + 1])
            continue;
        if (filter &&
            !maybe(pwdFormStep(pwdFormStep(hw.prefix[i], pwdFormCode(codes, w[i + 1])), pwdFormCode(codes, w[i])) *
                           hw.power[n - i - 2] +
                   hw.stretch(i + 2, n)))
            continue;
        memcpy(buf, w, static_cast<size_t>(n));
        buf[i] = w[i + 1];
        buf[i + 1] = w[i];
        listed(n);
    }
    for (int i = 0; i < n && !found && !failed; ++i) { // deletions
        if (i > 0 && w[i] == w[i - 1])
            continue;
        if (filter && !maybe(hw.prefix[i] * hw.power[n - i - 1] + hw.stretch(i + 1, n)))
            continue;
        memcpy(buf, w, static_cast<size_t>(i));
        memcpy(buf + i, w + i + 1, static_cast<size_t>(n - i - 1));
        listed(n - 1);
        // A word typed with a capital first letter keeps it.
        if (i == 0 && firstCapital && !allCapitals && !(sp->classes[buf[0]] & PWDK_CAPITAL)) {
            unsigned char c = UnMapChar(sp->codes[buf[0]], 1);
            if (c) {
                buf[0] = c;
                listed(n - 1);
            }
        }
    }
    for (int i = 0; i < n && !found && !failed; ++i) { // substitutions
        memcpy(buf, w, static_cast<size_t>(n));
        // Only letters that some word holds between these neighbours.
        uint64_t fits = filter ? PWDFormFits(filter, code(i - 2), code(i - 1), code(i + 1), code(i + 2)) : ~0ull;
        eachLetter(allCapitals || (i == 0 && firstCapital), fits, [&](unsigned char c, unsigned v) {
            if (c == w[i] || !maybe(hw.with(i, v, i + 1)))
                return;
            buf[i] = c;
            listed(n);
        });
    }
    for (int i = 0; i <= n && !found && !failed; ++i) { // insertions
        memcpy(buf, w, static_cast<size_t>(i));
        memcpy(buf + i + 1, w + i, static_cast<size_t>(n - i));
        bool capitalised = i == 0 && firstCapital && !allCapitals;
        if (capitalised) {
            // A left-out first letter: the typed capital was the second.
            buf[1] = UnMapChar(sp->codes[w[0]], 0);
            if (!buf[1])
                continue;
        }
        // Before a word in lower case a letter of either case.
        int passes = i == 0 && !firstCapital ? 2 : 1;
        uint64_t fits = filter ? PWDFormFits(filter, code(i - 2), code(i - 1), code(i), code(i + 1)) : ~0ull;
        for (int pass = 0; pass < passes; ++pass)
            eachLetter(allCapitals || capitalised || pass == 1, fits, [&](unsigned char c, unsigned v) {
                // Doubling a letter is tried once, not once on each side.
                if ((i > 0 && c == w[i - 1]) || !maybe(hw.with(i, v, i)))
                    return;
                buf[i] = c;
                listed(n + 1);
            });
    }
    int keep = failed ? PWDStatus() & (PWD_NO_MEMORY | PWD_IO_ERROR | PWD_BAD_VERSION) : 0;
    PWDGetStat()->status = static_cast<uint16_t>(savedStatus | keep);
    PWDallLen = all;
    PWDonLen = on;
    PWDpostLen = post;
    CompoundFlg = compound;
    return found;
}

// The word of the compound step in progress (TryRussian skips the whole).
unsigned char* compoundWord = nullptr;
int compoundLen = 0;

unsigned char russianMark()
{
    return 165;
}

int letterCode(unsigned char c)
{
    return PWDRecord()->codes[c];
}

// Checks a copy of a stretch with `replace` bytes put in place of the first
// `drop` characters.
int TryVariant(const unsigned char* w, int n, int drop, const unsigned char* replace, int nreplace, int option)
{
    unsigned char buf[PWD_MAX_WORD + 2];
    int m = n - drop + nreplace;
    if (m <= 0 || m > PWD_MAX_WORD || drop > n)
        return 0;
    if (nreplace > 0)
        memcpy(buf, replace, static_cast<size_t>(nreplace));
    memcpy(buf + nreplace, w + drop, static_cast<size_t>(n - drop));
    buf[m] = 0;
    return TryIt(buf, buf + m - 1, option);
}

int TryRussian(unsigned char* first, unsigned char* last, int option)
{
    int n = static_cast<int>(last - first) + 1;
    if (n <= 0 || (n == 1 && *first == '-'))
        return 1;
    if (n > PWD_MAX_WORD)
        return 0;
    PWDSpeller* sp = PWDRecord();
    if (!(first == compoundWord && n == compoundLen) && TryIt(first, last, option))
        return 1;
    if (PWDStatus() & (PWD_NO_MEMORY | PWD_IO_ERROR))
        return 0;
    int c0 = letterCode(first[0]), c1 = n > 1 ? letterCode(first[1]) : 0, c2 = n > 2 ? letterCode(first[2]) : 0;
    int c3 = n > 3 ? letterCode(first[3]) : 0;
    unsigned char mark = russianMark();
    if (c0 == 15 && c1 == 6 && n >= 2) {
        unsigned char head[2] = {first[0], mark};
        if (TryVariant(first, n, 2, head, 2, option))
            return 1;
    }
    if (c0 == 17 && c1 == 16 && c2 == 13 && n > 3) {
        if (c3 != 21) {
            if (n >= 6 && first[3] == '-' && (sp->classes[first[4]] & PWDK_VOWEL)) {
                if (TryVariant(first, n, 4, nullptr, 0, option))
                    return 1;
            } else if (n >= 5 && !(sp->classes[first[3]] & PWDK_VOWEL)) {
                if (TryVariant(first, n, 3, nullptr, 0, option))
                    return 1;
            }
        } else if (n >= 6 && TryVariant(first, n, 4, nullptr, 0, option)) {
            return 1;
        }
    }
    return TryVariant(first, n, 0, &mark, 1, option);
}

int CheckRussian(unsigned char* w, int n, int option)
{
    unsigned char b[2 * PWD_MAX_WORD + 4];
    int count = 0;
    b[count++] = 127;
    for (int i = 0; i < n; ++i) {
        if (w[i] != '-' || i == 0)
            continue;
        // "pol-" keeps its hyphen: the prefix is handled whole.
        bool prefix = i >= 3 && letterCode(w[i - 3]) == 17 && letterCode(w[i - 2]) == 16
            && letterCode(w[i - 1]) == 13 && (i == 3 || w[i - 4] == '-');
        if (prefix)
            continue;
        b[count++] = static_cast<unsigned char>(i | 0x80);
        b[count++] = static_cast<unsigned char>(i);
    }
    compoundWord = w;
    compoundLen = n;
    int r;
    if (count > 1 && n - 1 > (b[count - 1] & 0x7F)) {
        b[count++] = static_cast<unsigned char>(n - 1);
        r = FindPath(w, b, count, option, TryRussian);
    } else {
        r = TryRussian(w, w + n - 1, option);
    }
    compoundWord = nullptr;
    return r;
}

// Attached clitics (etc kind 1): entries of letter codes written backwards,
// low 6 bits the code, 0x40 on the first byte for a clitic that may follow
// another; sorted, so a greater first code ends the search.
int TryClitic(unsigned char* w, int n, int option)
{
    PWDSpeller* sp = PWDRecord();
    int all = PWDallLen;
    PWDallLen = n;
    int r = CheckOne(w, n, GetStat(w, n), option);
    if (!r && !(PWDStatus() & (PWD_NO_MEMORY | PWD_IO_ERROR))) {
        // The stress of the word without its clitic may have been written:
        // the last vowel after a final d, l or r, else the second from the end.
        int lastCode = sp->codes[w[n - 1]];
        int wanted = (lastCode == 4 || lastCode == 12 || lastCode == 18) ? 1 : 2;
        int at = -1;
        for (int i = n - 1, seen = 0; i >= 0; --i)
            if ((sp->classes[w[i]] & PWDK_VOWEL) && ++seen == wanted) {
                at = i;
                break;
            }
        const unsigned char* groups;
        long gsize;
        if (at >= 0 && EtcAccess(3, nullptr, &groups, &gsize)) {
            int code = sp->codes[w[at]];
            int leader = 0;
            for (long i = 0; i < gsize && groups[i] && !leader;) {
                int l = groups[i++];
                while (i < gsize && groups[i]) {
                    if (groups[i] == code && l != code)
                        leader = l;
                    ++i;
                }
                ++i;
            }
            unsigned char plainVowel = leader ? UnMapChar(leader, (sp->classes[w[at]] & PWDK_CAPITAL) != 0) : 0;
            if (plainVowel) {
                unsigned char saved = w[at];
                w[at] = plainVowel;
                r = CheckOne(w, n, GetStat(w, n), option);
                w[at] = saved;
            }
        }
    }
    PWDallLen = all;
    return r;
}

int SearchClitics(unsigned char* w, int n, int option, int depth)
{
    PWDSpeller* sp = PWDRecord();
    const unsigned char* table;
    long size;
    if (!EtcAccess(1, nullptr, &table, &size) || size < 1)
        return 0;
    --size; // the length byte at its end
    int last = sp->codes[w[n - 1]];
    for (long i = 0; i < size;) {
        long L = static_cast<long>(strnlen(reinterpret_cast<const char*>(table + i), static_cast<size_t>(size - i)));
        if (L == 0) {
            ++i;
            continue;
        }
        if ((table[i] & 0x3F) > last)
            break;
        bool follows = (table[i] & 0x40) != 0;
        long k = 0;
        while (k < L && k < n && (table[i + k] & 0x3F) == sp->codes[w[n - 1 - k]])
            ++k;
        int rest = n - static_cast<int>(L);
        if (k == L && rest >= 4) {
            if (TryClitic(w, rest, option))
                return 1;
            if (PWDStatus() & (PWD_NO_MEMORY | PWD_IO_ERROR))
                return 0;
            if (follows && depth == 0 && SearchClitics(w, rest, option, 1))
                return 1;
        }
        i += L + 1;
    }
    return 0;
}

int CheckClitics(unsigned char* w, int n, int status, int option)
{
    if (!plain(status) || n < 5)
        return 0;
    return SearchClitics(w, n, option, 0);
}

int CheckCompound(unsigned char* w, int n, int status, int option)
{
    if (CheckOne(w, n, status, option))
        return 1;
    PWDSpeller* sp = PWDRecord();
    int st = PWDStatus();
    if (((st & PWD_CAPITAL_ONLY) && sp->language != 14) || (st & (PWD_NO_MEMORY | PWD_IO_ERROR)))
        return 0;
    if (!(sp->flags & (PWDO_COMPOUNDS | PWDO_ATTACHED_CLITICS)))
        return 0;
    int on = PWDonLen, post = PWDpostLen, all = PWDallLen;
    unsigned char* core = w + on;
    int coreLen = n - on - post;
    PWDonLen = PWDpostLen = 0;
    int r = 0;
    if (coreLen > 0) {
        if (sp->flags & PWDO_ATTACHED_CLITICS) {
            r = CheckClitics(core, coreLen, status, option);
        } else {
            CompoundFlg = 1;
            if (sp->language == 14) {
                r = CheckRussian(core, coreLen, option);
            } else {
                // A compound one edit from a listed word is taken for a typing
                // error of it, unless its parts are long, or are parts that the
                // language's compounds use often, joined where the hyphenator
                // breaks ("Programmname" beside "Programmnamen", but not
                // "Haltewinke" beside "Haltewinkel"). Those readings are tried
                // first: a compound they find needs no other search.
                int st = status | PWD_WORD_CAPITAL;
                germanicPoints.valid = false;
                // Old stamps would come back after 2^32 words: start afresh.
                if (++partWords == 0) {
                    memset(partAnswers, 0, sizeof partAnswers);
                    partWords = 1;
                }
                partStamp = partWords;
                partMin = kLongPart;
                bool sure = CheckGermanic(core, coreLen, st, option) != 0;
                partMin = kMinCompoundPart;
                if (!sure && (PWDRecord()->flags & PWDO_LONG_SECTION)) {
                    commonOnly = true;
                    sure = CheckGermanic(core, coreLen, st, option) != 0;
                    commonOnly = false;
                }
                r = sure || (CheckGermanic(core, coreLen, st, option) && !NearListedWord(core, coreLen, option));
                germanicPoints.valid = false;
                partStamp = 0;
            }
            CompoundFlg = 0;
        }
    }
    PWDonLen = on;
    PWDpostLen = post;
    PWDallLen = all;
    return r;
}

// Letters of the equivalence group of a character, in the same case.
int GetAccents(unsigned char c, unsigned char* out)
{
    PWDSpeller* sp = PWDRecord();
    int code = sp->codes[c];
    bool capital = (sp->classes[c] & PWDK_CAPITAL) != 0;
    int n = 0;
    out[n++] = c;
    if (!code)
        return n;
    int leader = accMap[code];
    for (int k = 1; k <= sp->counts[PWDC_LETTERS] && n < 16; ++k) {
        if (k == code || (k != leader && accMap[k] != leader))
            continue;
        unsigned char v = UnMapChar(k, capital);
        if (v && v != c)
            out[n++] = v;
    }
    return n;
}

int AccentMatch(unsigned char* w, int n, int status, int option)
{
    PWDSpeller* sp = PWDRecord();
    if (!EtcAccess(4, accMap, nullptr, nullptr))
        return 0;
    sp = PWDRecord();
    bool french = sp->language == 4;
    int start = PWDonLen, end = n - PWDpostLen;
    if (end - start < 2)
        return 0;
    bool any = false, beyond = false;
    for (int i = start; i < end; ++i) {
        unsigned char c = w[i];
        int code = sp->codes[c];
        if (!code || (french && !(sp->classes[c] & PWDK_CAPITAL)))
            continue;
        if (sp->classes[c] & PWDK_ACCENTED) {
            any = true;
            beyond = beyond || i >= start + 2;
        } else if (accMap[code] != code) {
            return 0;
        }
    }
    if (!any)
        return 0;
    unsigned char v0[16], v1[16];
    int n0 = GetAccents(w[start], v0), n1 = GetAccents(w[start + 1], v1);
    unsigned char s0 = w[start], s1 = w[start + 1];
    int on = PWDonLen, post = PWDpostLen;
    int r = 0;
    for (int i = 0; i < n0 && !r; ++i)
        for (int j = 0; j < n1 && !r; ++j) {
            if (i == 0 && j == 0 && !beyond)
                continue; // the word as typed has been checked
            w[start] = v0[i];
            w[start + 1] = v1[j];
            PWDonLen = on;
            PWDpostLen = post;
            accentFlag = beyond;
            r = CheckCompound(w, n, status, option);
            accentFlag = 0;
            if (PWDStatus() & (PWD_NO_MEMORY | PWD_IO_ERROR))
                break;
        }
    w[start] = s0;
    w[start + 1] = s1;
    PWDonLen = on;
    PWDpostLen = post;
    return r;
}

int ComplexToken(unsigned char* w, int n, int option)
{
    PWDSpeller* sp = PWDRecord();
    int status = GetStat(w, n);
    if (plain(status))
        return 0;
    unsigned char b[PWD_MAX_WORD + 2];
    int count = 0;
    b[count++] = 127;
    for (int i = 0; i < n; ++i)
        if (!(sp->classes[w[i]] & PWDK_SEPARATOR) && (i + 1 == n || (sp->classes[w[i + 1]] & PWDK_SEPARATOR)))
            b[count++] = static_cast<unsigned char>(i);
    if ((b[count - 1] & 0x7F) != n - 1 || count == 1)
        b[count++] = static_cast<unsigned char>(n - 1);
    return FindPath(w, b, count, option, MatchStretch);
}

} // namespace

int GetStat(const unsigned char* w, int n)
{
    PWDSpeller* sp = PWDRecord();
    int st = 0;
    for (int i = 0; i < n; ++i) {
        int k = sp->classes[w[i]];
        if (i == 0 && (k & PWDK_CAPITAL))
            st |= PWD_WORD_CAPITAL | (k & ~PWDK_CAPITAL);
        else
            st |= k;
    }
    return st & ~(PWDK_VOWEL | PWDK_ACCENTED);
}

int MatchOne(unsigned char* first, unsigned char* last, int option)
{
    int n = static_cast<int>(last - first) + 1;
    if (n <= 0)
        return 1;
    CompoundFlg = 0;
    PWDonLen = PWDpostLen = 0;
    PWDallLen = n;
    int status = GetStat(first, n);
    if (status & PWDK_CLITIC_MARK) {
        GetOnPost(first, n, &status);
    }
    if (!(status & PWD_LETTERS))
        return 1;
    if (CheckCompound(first, n, status, option))
        return 1;
    if ((PWDRecord()->flags & PWDO_ACCENTS) && !(PWDStatus() & (PWD_NO_MEMORY | PWD_IO_ERROR)))
        return AccentMatch(first, n, status, option);
    return 0;
}

int PWDCheckToken(unsigned char* first, unsigned char* last, int option)
{
    if (MatchOne(first, last, option))
        return 1;
    if (PWDStatus() & (PWD_NO_MEMORY | PWD_IO_ERROR))
        return 0;
    return ComplexToken(first, static_cast<int>(last - first) + 1, option);
}
