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

struct Mapped {
    int first, second;
    unsigned char stem[PWD_MAX_WORD + 1];
    int stemLen;
    int flag;
};

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
    int e = rest > 0 ? pwdMatchEnding(endings, esize, codes + 2, rest, &cut) : -2;
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
    return PWDMatchDict(entries, start, end, m, (status & PWD_WORD_CAPITAL) != 0);
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
                 e += static_cast<long>(strlen(reinterpret_cast<const char*>(a + e))) + 1) {
                unsigned char first = a[e];
                if (!((sp->classes[first] & PWDK_CAPITAL) && first != probe[0]))
                    return 1;
            }
        }
    }
    const unsigned char* b = PWDTable(PWDT_EXACT_B, &size);
    if (!b)
        return 0;
    int found;
    CNSLookUp(b, probe, 0, size, CNSstrcmp, 0, 0, &found);
    return found;
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
    unsigned char word[PWD_MAX_WORD + 2];
    memcpy(word, w, static_cast<size_t>(length));
    word[length] = 0;
    PWDHandle cache = sp->tables[PWDT_CACHE];
    for (int i = lo; i < count && blocks[i].firstKey <= key; ++i) {
        if ((!blocks[i].handle || !CNSDeref(blocks[i].handle)) && cache && CNSSearch(cache, word) >= 0)
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
            cache = PWDRecord()->tables[PWDT_CACHE];
            if (cache)
                CNSInsert(cache, word); // a full cache just stops growing
            return 1;
        }
        if (PWDStatus() & (PWD_IO_ERROR | PWD_NO_MEMORY))
            return 0;
    }
    return 0;
}

int CheckOne(const unsigned char* w, int n, int status, int option)
{
    int u = UserSpellCheck(w, n);
    if (u == 1)
        return 1;
    if (u == 2) {
        PWDSetStatus(PWD_USER_REJECTED);
        return 0;
    }
    // Mixed case: a lower-case first letter and a capital later ("iPod");
    // "ACLs" starts with a capital and is coded as a capitalised word.
    bool mixed = option == 0 && status == (PWDK_CAPITAL | PWDK_LOWER);
    int coreStart = PWDonLen, coreLen = n - PWDonLen - PWDpostLen;
    Mapped m;
    bool coded = false;
    if (coreLen >= 2 && plain(status) && !mixed && PWDMapWord(w + coreStart, coreLen, &m)) {
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
    if (mixed)
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
            bool seen = false;
            for (int k = 0; k < nreach; ++k)
                seen = seen || reach[k] == j;
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

int CheckGermanic(unsigned char* w, int n, int status, int option)
{
    if (!plain(status) || n < 5)
        return 0;
    unsigned char pairs[2 * 64];
    int np = UserGetHyphens(w, n, pairs);
    if (np <= 0)
        return 0;
    if (np > 40)
        np = 40;
    unsigned char b[2 * 40 + 2];
    int count = 0;
    b[count++] = 127;
    int lastPos = -1;
    for (int i = 0; i < np; ++i) {
        int p = pairs[2 * i], weight = pairs[2 * i + 1] & 0x3F;
        if (p < 2 || p > n - 3 || weight >= 3 || p <= lastPos)
            continue;
        if (weight == 0 && (w[p] == 's' || w[p] == 'S') && p - 1 >= 2)
            b[count++] = static_cast<unsigned char>(p | 0x80);
        b[count++] = static_cast<unsigned char>(p);
        lastPos = p;
    }
    if (count == 1)
        return 0;
    b[count++] = static_cast<unsigned char>(n - 1);
    return FindPath(w, b, count, option, TryIt);
}

int CheckCompound(unsigned char* w, int n, int status, int option)
{
    if (CheckOne(w, n, status, option))
        return 1;
    PWDSpeller* sp = PWDRecord();
    int st = PWDStatus();
    if (((st & PWD_CAPITAL_ONLY) && sp->language != 14) || (st & (PWD_NO_MEMORY | PWD_IO_ERROR)))
        return 0;
    if (!(sp->flags & PWDO_COMPOUNDS) || (sp->flags & PWDO_ATTACHED_CLITICS))
        return 0;
    int on = PWDonLen, post = PWDpostLen, all = PWDallLen;
    unsigned char* core = w + on;
    int coreLen = n - on - post;
    PWDonLen = PWDpostLen = 0;
    CompoundFlg = 1;
    int r = coreLen > 0 ? CheckGermanic(core, coreLen, status | PWD_WORD_CAPITAL, option) : 0;
    CompoundFlg = 0;
    PWDonLen = on;
    PWDpostLen = post;
    PWDallLen = all;
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
    return CheckCompound(first, n, status, option);
}

int PWDCheckToken(unsigned char* first, unsigned char* last, int option)
{
    if (MatchOne(first, last, option))
        return 1;
    if (PWDStatus() & (PWD_NO_MEMORY | PWD_IO_ERROR))
        return 0;
    return ComplexToken(first, static_cast<int>(last - first) + 1, option);
}
