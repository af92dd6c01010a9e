// Suggestions: candidates from the user lists, the exact lists, the words of
// the dictionary that share the (folded) first two letters within a bounded
// edit distance, transpositions at the start and phonetic respellings;
// scored, completed and returned sorted as a handle of guess records.

#include "spelling/pwd_internal.h"

#include <string.h>

namespace {

PWDHandle guesses = 0;
int CastMode = 1, AttachSTsFlag = 1, trixLen = 0;
bool stopGuess = false;
unsigned char foldMap[256], equivMap[256];
int wordStatus = 0;
const unsigned char* typed = nullptr; // the typed word (engine set)
int typedLen = 0;

// Russian: how the word being guessed was respelled with the mark character
// (165), so that completion can undo it.
enum { RU_PLAIN, RU_MARK_IN_FRONT, RU_MARK_FOR_SECOND };
int russianMark = RU_PLAIN;
// PWDskipLen when the prefix and the letter after it were dropped.
constexpr int kSkipPrefixAndLetter = 0x104;
constexpr unsigned char kRussianMark = 165;

int clampBudget(int length)
{
    int b = length / 4 + 1;
    if (b < 3)
        b = 3;
    if (b > 5)
        b = 5;
    if (length <= trixLen + 4)
        b = 2;
    return b;
}

int maxOf(int a, int b)
{
    return a > b ? a : b;
}

// Bounded edit distance: answers what is left of the budget (>= 1 when the
// strings are alike), trying a swap, replacements, deletions and insertions
// of up to two letters after which the strings agree again.
int similar(const unsigned char* a, int na, const unsigned char* b, int nb, int budget, int flag)
{
    while (na && nb && *a == *b) {
        ++a;
        ++b;
        --na;
        --nb;
    }
    if (!na || !nb)
        return budget - (na + nb);
    if (budget < 2)
        return 0;
    int best = 0;
    if (na >= 2 && nb >= 2 && a[0] == b[1] && a[1] == b[0]) {
        best = maxOf(best, similar(a + 2, na - 2, b + 2, nb - 2, budget - 1, flag));
        if (flag && best >= budget - 1)
            return best;
    }
    int limit = (budget < 3 ? budget : 3) - 1;
    for (int i = 1; i <= limit; ++i) {
        if (na >= i && nb >= i && ((na == i && nb == i) || (na > i && nb > i && a[i] == b[i])))
            best = maxOf(best, similar(a + i, na - i, b + i, nb - i, budget - i, flag));
        if (na >= i && ((na == i && nb == 0) || (na > i && a[i] == b[0])))
            best = maxOf(best, similar(a + i, na - i, b, nb, budget - i, flag));
        if (nb >= i && ((nb == i && na == 0) || (nb > i && a[0] == b[i])))
            best = maxOf(best, similar(a, na, b + i, nb - i, budget - i, flag));
        if (flag && best >= budget - 1)
            return best;
    }
    return best;
}

int com1(const unsigned char* probe, const unsigned char* stored, int)
{
    int c = strcmp(reinterpret_cast<const char*>(probe + 1), reinterpret_cast<const char*>(stored + 1));
    if (c == 0 && probe[0] < stored[0])
        const_cast<unsigned char*>(stored)[0] = probe[0]; // the same word keeps its best score
    return c;
}

int com2(const unsigned char* probe, const unsigned char* stored, int)
{
    if (probe[0] != stored[0])
        return static_cast<int>(probe[0]) - static_cast<int>(stored[0]);
    return UserIntl_strcmp(probe + 1, stored + 1);
}

unsigned char toCase(unsigned char c, bool capital)
{
    PWDSpeller* sp = PWDRecord();
    int code = sp->codes[c];
    if (!code)
        return c;
    unsigned char r = UnMapChar(code, capital);
    return r ? r : c;
}

// `coreAt` is where the suggestion itself starts in the record, after a
// leading clitic put back in front: the bonus compares its first two letters
// with those of the typed word's core.
void CommitGuess(unsigned char* record, int coreAt)
{
    if (stopGuess || !record[1])
        return;
    PWDSpeller* sp = PWDRecord();
    int score = record[0];
    int flag = 2 * score;
    const unsigned char* core = record + coreAt;
    if (typedLen - PWDonLen >= 2 && strlen(reinterpret_cast<const char*>(core)) >= 2
        && equivMap[sp->codes[core[0]]] == equivMap[sp->codes[typed[PWDonLen]]]
        && equivMap[sp->codes[core[1]]] == equivMap[sp->codes[typed[PWDonLen + 1]]])
        flag -= 1;
    if (flag > 255)
        flag = 255;
    record[0] = static_cast<unsigned char>(flag);
    int take = UserTakeGuess(record);
    if (take == 1)
        return;
    if (take == 2) {
        stopGuess = true;
        return;
    }
    if (CNSInsert(guesses, record) == 1) {
        PWDSetStatus(PWD_NO_MEMORY);
        stopGuess = true;
    }
}

// With accent matching, a typed word without accents is also offered the
// suggestion written without them (each letter its group's leader, in the
// same case; French drops the accents of capitals only).
void AccentFix(unsigned char* record, int k, int coreAt)
{
    PWDSpeller* sp = PWDRecord();
    if (stopGuess || !(sp->flags & PWDO_ACCENTS) || (wordStatus & PWD_WORD_ACCENT))
        return;
    bool changed = false;
    for (int i = 1; i < k; ++i) {
        unsigned char c = record[i];
        int code = sp->codes[c];
        bool capital = (sp->classes[c] & PWDK_CAPITAL) != 0;
        if (!code || equivMap[code] == code || (sp->language == 4 && !capital))
            continue;
        unsigned char r = UnMapChar(equivMap[code], capital);
        if (r && r != c) {
            record[i] = r;
            changed = true;
        }
    }
    if (changed)
        CommitGuess(record, coreAt);
}

// Completes a suggestion (clitics, case) and stores it.
void PWDInsertGuess(const unsigned char* word, int score, int caseOption)
{
    PWDSpeller* sp = PWDRecord();
    if (PWDonLen && !(sp->classes[word[0]] & PWDK_VOWEL))
        return;
    unsigned char rec[2 * PWD_MAX_WORD + 8];
    unsigned char completed[2 * PWD_MAX_WORD + 8];
    if (sp->language == 30 || sp->language == 14) {
        size_t wl = strlen(reinterpret_cast<const char*>(word));
        if (wl >= PWD_MAX_WORD)
            return;
        memcpy(completed, word, wl + 1);
        int ok = sp->language == 30 ? PWDCompleteArabicGuess(completed, static_cast<int>(sizeof completed))
                                    : PWDCompleteRussianGuess(completed, static_cast<int>(sizeof completed));
        if (!ok)
            return;
        word = completed;
    }
    int n = static_cast<int>(strlen(reinterpret_cast<const char*>(word)));
    if (n <= 0 || n + PWDonLen + PWDpostLen > 2 * PWD_MAX_WORD)
        return;
    int k = 1;
    if (AttachSTsFlag && PWDonLen) {
        memcpy(rec + k, typed, static_cast<size_t>(PWDonLen));
        k += PWDonLen;
    }
    int coreAt = k;
    memcpy(rec + k, word, static_cast<size_t>(n));
    k += n;
    if (AttachSTsFlag && PWDpostLen) {
        const unsigned char* tail = typed + typedLen - PWDpostLen;
        unsigned char lastc = rec[k - 1];
        if ((lastc == 's' || lastc == 'S') && tail[0] != 39 && tail[0] != 213) {
            rec[k++] = tail[0];
        } else {
            memcpy(rec + k, tail, static_cast<size_t>(PWDpostLen));
            k += PWDpostLen;
        }
    }
    rec[k] = 0;
    bool mixed = wordStatus == (PWDK_CAPITAL | PWDK_LOWER);
    if (caseOption && !mixed && (wordStatus & PWD_WORD_CAPITAL)) {
        bool all = (wordStatus & PWDK_CAPITAL) && !(wordStatus & PWDK_LOWER);
        for (int i = coreAt; i < k; ++i)
            if (i == coreAt || all)
                rec[i] = toCase(rec[i], true);
    }
    rec[0] = static_cast<unsigned char>(score < 1 ? 1 : (score > 127 ? 127 : score));
    unsigned char plain[2 * PWD_MAX_WORD + 8];
    memcpy(plain, rec, static_cast<size_t>(k) + 1);
    CommitGuess(rec, coreAt);
    AccentFix(plain, k, coreAt);
}

void PlaceGuess(const unsigned char* word, int score)
{
    PWDInsertGuess(word, score, (PWDStatus() & PWD_USER_EXACT) ? 0 : CastMode);
}

// Letter codes to characters; the first capitalised when asked.
void SubmitGuess(const unsigned char* codes, int n, int score, bool capital)
{
    unsigned char w[2 * PWD_MAX_WORD + 2];
    if (n <= 0 || n > 2 * PWD_MAX_WORD)
        return;
    for (int i = 0; i < n; ++i) {
        w[i] = UnMapChar(codes[i], capital && i == 0);
        if (!w[i])
            return;
    }
    w[n] = 0;
    PlaceGuess(w, score);
}

// The core's letter codes (127 for a character without one).
int MapGuess(const unsigned char* w, int n, unsigned char* out)
{
    PWDSpeller* sp = PWDRecord();
    for (int i = 0; i < n; ++i)
        out[i] = sp->codes[w[i]] ? sp->codes[w[i]] : 127;
    return n;
}

int decodeStem(const unsigned char* s, int n, unsigned char* out)
{
    PWDSpeller* sp = PWDRecord();
    int k = 0;
    for (int i = 0; i < n; ++i) {
        unsigned char c = s[i];
        if (sp->digrams[2 * c]) {
            out[k++] = sp->digrams[2 * c];
            out[k++] = sp->digrams[2 * c + 1];
        } else {
            out[k++] = c;
        }
    }
    return k;
}

struct GuessWord {
    unsigned char codes[PWD_MAX_WORD + 1]; // letter codes of the core
    unsigned char folded[PWD_MAX_WORD + 1];
    int n;
    bool capital;
};

void GuessEntry(const GuessWord& gw, int x, int y, const unsigned char* e, const unsigned char* end,
                const unsigned char* endings, long esize, bool filter)
{
    if (stopGuess)
        return;
    if (UserCancel()) {
        stopGuess = true;
        return;
    }
    int presence = PWDPresence();
    unsigned char bits[PWD_MAX_DATA_BYTES];
    int k = pwdDecodeControls(e, end, presence, bits);
    if (!k)
        return;
    const unsigned char* s = e + k;
    int sn = 0;
    while (s + sn < end && !(s[sn] & 0x80))
        ++sn;
    unsigned char word[2 * PWD_MAX_WORD + 4];
    word[0] = static_cast<unsigned char>(x);
    word[1] = static_cast<unsigned char>(y);
    if (sn > PWD_MAX_WORD)
        return;
    int stemLen = 2 + decodeStem(s, sn, word + 2);
    unsigned char folded[2 * PWD_MAX_WORD + 4];
    for (int i = 0; i < stemLen; ++i)
        folded[i] = foldMap[word[i]];
    // The letters after the pair that the respelling fixed must stay.
    if (filter && trixLen > 0) {
        if (stemLen < 2 + trixLen || gw.n < 2 + trixLen)
            return;
        for (int i = 2; i < 2 + trixLen; ++i)
            if (folded[i] != gw.folded[i])
                return;
    }
    int length = gw.n;
    int budget = clampBudget(length);
    int d = stemLen - length;
    if (d >= budget - 1)
        return;
    int db = d > 0 ? budget : d == 0 ? budget + 1 : budget - d;
    int r = similar(gw.folded + 2, length - 2, folded + 2, stemLen - 2, db, 0);
    if (r < 1)
        return;
    bool mixed = wordStatus == (PWDK_CAPITAL | PWDK_LOWER);
    bool capital = (gw.capital && !mixed) || pwdFlag(bits, presence, 1);
    if (r > -d && (d != 0 || r >= 2) && pwdFlag(bits, presence, 0))
        SubmitGuess(word, stemLen, db - r, capital);
    long i = 0;
    for (int n = 0; i < esize && !stopGuess; ++n) {
        int el = static_cast<int>(strnlen(reinterpret_cast<const char*>(endings + i), static_cast<size_t>(esize - i)));
        if (pwdFlag(bits, presence, n + 2) && d + el > -budget && d + el < budget && stemLen + el <= 2 * PWD_MAX_WORD) {
            for (int j = 0; j < el; ++j) {
                word[stemLen + j] = endings[i + el - 1 - j];
                folded[stemLen + j] = foldMap[word[stemLen + j]];
            }
            int r2 = similar(gw.folded + 2, length - 2, folded + 2, stemLen + el - 2, budget, 0);
            if (r2 > 0)
                SubmitGuess(word, stemLen + el, budget - r2, capital);
        }
        i += el + 1;
    }
}

void walkRange(const GuessWord& gw, int x, int y, const unsigned char* data, long start, long end,
               const unsigned char* endings, long esize, bool filter)
{
    long i = start;
    while (i < end && !(data[i] & 0x80))
        ++i;
    while (i < end && !stopGuess) {
        GuessEntry(gw, x, y, data + i, data + end, endings, esize, filter);
        ++i;
        while (i < end && !(data[i] & 0x80))
            ++i;
    }
}

void GuessPair(const GuessWord& gw, int x, int y)
{
    PWDSpeller* sp = PWDRecord();
    long esize;
    const unsigned char* endings = PWDTable(PWDT_ENDINGS, &esize);
    if (!endings) {
        stopGuess = true;
        return;
    }
    // Common list.
    int cf = sp->counts[PWDC_COMMON_FIRST], cs = sp->counts[PWDC_COMMON_SECOND];
    if (x <= cf && y <= cs) {
        long osize, csize;
        const unsigned char* off = PWDTable(PWDT_COMMON_OFFSETS, &osize);
        const unsigned char* ent = off ? PWDTable(PWDT_COMMON_ENTRIES, &csize) : nullptr;
        if (!ent) {
            stopGuess = true;
            return;
        }
        long idx = static_cast<long>(x - 1) * cs + (y - 1);
        if (2 * idx + 2 <= osize) {
            long s = pwdGet16(off + 2 * idx);
            long e = 2 * idx + 4 <= osize ? pwdGet16(off + 2 * idx + 2) : csize;
            if (s <= e && e <= csize)
                walkRange(gw, x, y, ent, s, e, endings, esize, false);
        }
    }
    // Main blocks.
    int mf = sp->counts[PWDC_MAIN_FIRST], ms = sp->counts[PWDC_MAIN_SECOND];
    if (x > mf || y > ms || !sp->blockCount || stopGuess)
        return;
    long osize;
    const unsigned char* off = PWDTable(PWDT_MAIN_OFFSETS, &osize);
    if (!off) {
        stopGuess = true;
        return;
    }
    long idx = static_cast<long>(x - 1) * ms + (y - 1);
    if (2 * idx + 2 > osize)
        return;
    long start0 = pwdGet16(off + 2 * idx);
    long next0 = 2 * idx + 4 <= osize ? pwdGet16(off + 2 * idx + 2) : -1;
    uint32_t pair = (static_cast<uint32_t>(x) << 8) | static_cast<uint32_t>(y);
    PWDBlockEntry* blocks = PWDBlocks();
    int count = sp->blockCount;
    int lo = 0, hi = count;
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if ((blocks[mid].lastKey >> 16) < pair)
            lo = mid + 1;
        else
            hi = mid;
    }
    for (int i = lo; i < count && (blocks[i].firstKey >> 16) <= pair && !stopGuess; ++i) {
        long blen;
        const unsigned char* data = PWDBlock(i, &blen);
        if (!data) {
            stopGuess = true;
            return;
        }
        long s = (blocks[i].firstKey >> 16) == pair ? 0 : start0;
        long e = (blocks[i].lastKey >> 16) == pair || next0 < 0 ? blen : next0;
        if (s <= e && e <= blen)
            walkRange(gw, x, y, data, s, e, endings, esize, true);
        PWDReleaseBlock(i);
    }
}

void GuessDict(const GuessWord& gw)
{
    PWDSpeller* sp = PWDRecord();
    int letters = sp->counts[PWDC_LETTERS];
    unsigned char firsts[15], seconds[15];
    int nf = 0, ns = 0;
    for (int c = 1; c <= letters && c < 128; ++c) {
        if (foldMap[c] == gw.folded[0] && nf < 15)
            firsts[nf++] = static_cast<unsigned char>(c);
        if (foldMap[c] == gw.folded[1] && ns < 15)
            seconds[ns++] = static_cast<unsigned char>(c);
    }
    for (int i = 0; i < nf && !stopGuess; ++i)
        for (int j = 0; j < ns && !stopGuess; ++j)
            GuessPair(gw, firsts[i], seconds[j]);
}

// Tests a respelling with the check and offers it when it passes.
void CheckIt(const unsigned char* codes, int n, int score, bool capital)
{
    if (stopGuess || n <= 0 || n > PWD_MAX_WORD)
        return;
    if (UserCancel()) {
        stopGuess = true;
        return;
    }
    unsigned char w[PWD_MAX_WORD + 2];
    for (int i = 0; i < n; ++i) {
        w[i] = UnMapChar(codes[i], capital && i == 0);
        if (!w[i])
            return;
    }
    w[n] = 0;
    PWDStat* st = PWDGetStat();
    PWDStat saved = *st;
    int on = PWDonLen, post = PWDpostLen, all = PWDallLen;
    st->status = 0;
    int ok = MatchOne(w, w + n - 1, 0);
    int after = st->status;
    *st = saved;
    PWDonLen = on;
    PWDpostLen = post;
    PWDallLen = all;
    if (after & (PWD_NO_MEMORY | PWD_IO_ERROR | PWD_BAD_VERSION)) {
        PWDSetStatus(after & (PWD_NO_MEMORY | PWD_IO_ERROR | PWD_BAD_VERSION));
        stopGuess = true;
        return;
    }
    if (!ok && (after & PWD_CAPITAL_ONLY)) {
        w[0] = UnMapChar(codes[0], 1);
        ok = 1;
    }
    if (ok)
        PlaceGuess(w, score);
}

void PhoneGuess(const GuessWord& gw)
{
    const unsigned char* c = gw.codes;
    int n = gw.n;
    unsigned char t[PWD_MAX_WORD + 1];
    if (n >= 2) {
        memcpy(t, c, static_cast<size_t>(n));
        t[0] = c[1];
        t[1] = c[0];
        CheckIt(t, n, 1, gw.capital);
        if (n >= 3) {
            memcpy(t, c, static_cast<size_t>(n));
            t[1] = c[2];
            t[2] = c[1];
            CheckIt(t, n, 1, gw.capital);
            memcpy(t, c, static_cast<size_t>(n));
            t[0] = c[2];
            t[2] = c[0];
            CheckIt(t, n, 1, gw.capital);
        }
        CheckIt(c, n, 1, gw.capital);
    }
    long size;
    const unsigned char* rings = PWDTable(PWDT_PHONETIC, &size);
    if (!rings)
        return;
    for (int pos = 0; pos < n && !stopGuess; ++pos) {
        for (long r = 0; r < size && !stopGuess; r += 1 + rings[r]) {
            const unsigned char* ring = rings + r + 1;
            long rn = rings[r];
            for (long a = 0; a < rn && !stopGuess;) {
                const unsigned char* alt = ring + a;
                int al = static_cast<int>(strnlen(reinterpret_cast<const char*>(alt), static_cast<size_t>(rn - a)));
                const unsigned char* ap = alt;
                int apl = al;
                if (apl && ap[0] == 254) {
                    if (pos != 0) {
                        a += al + 1;
                        continue;
                    }
                    ++ap;
                    --apl;
                }
                int any = -1;
                bool match = apl > 0 && pos + apl <= n;
                for (int k = 0; match && k < apl; ++k) {
                    if (ap[k] == 255) {
                        if (any < 0)
                            any = c[pos + k];
                    } else if (ap[k] != c[pos + k]) {
                        match = false;
                    }
                }
                if (match) {
                    for (long b = 0; b < rn && !stopGuess;) {
                        const unsigned char* rep = ring + b;
                        int rl = static_cast<int>(strnlen(reinterpret_cast<const char*>(rep), static_cast<size_t>(rn - b)));
                        if (b != a) {
                            const unsigned char* rp = rep;
                            int rpl = rl;
                            if (rpl && rp[0] == 254) {
                                ++rp;
                                --rpl;
                            }
                            int m = pos + rpl + (n - pos - apl);
                            if (m > 0 && m <= PWD_MAX_WORD) {
                                unsigned char cand[PWD_MAX_WORD + 1];
                                memcpy(cand, c, static_cast<size_t>(pos));
                                for (int k = 0; k < rpl; ++k)
                                    cand[pos + k] = rp[k] == 255 ? static_cast<unsigned char>(any > 0 ? any : 1) : rp[k];
                                memcpy(cand + pos + rpl, c + pos + apl, static_cast<size_t>(n - pos - apl));
                                int change = m - n;
                                CheckIt(cand, m, change < 0 ? -change : (change ? change : 1), gw.capital);
                            }
                        }
                        b += rl + 1;
                    }
                }
                a += al + 1;
            }
        }
    }
}

void Exact1Guess(const unsigned char* w, int n)
{
    static const int lists[] = {PWDT_EXACT_A, PWDT_EXACT_B};
    for (int which : lists) {
        long size;
        const unsigned char* list = PWDTable(which, &size);
        if (!list || !PWDExactGuess(w, n, wordStatus, list, size, CastMode)) {
            stopGuess = true;
            return;
        }
    }
}

PWDHandle Rearrange()
{
    PWDHandle sorted = CNSNewDict(0, CNS_GROWS, 512, 2147483647L, 512, com2);
    if (!sorted) {
        PWDSetStatus(PWD_NO_MEMORY);
        return 0;
    }
    PWDHandle data = CNSDictData(guesses);
    long used = CNSDictUsed(guesses);
    unsigned char rec[2 * PWD_MAX_WORD + 8];
    for (long i = 0; i < used;) {
        const unsigned char* s = static_cast<const unsigned char*>(CNSDeref(data)) + i;
        size_t len = strlen(reinterpret_cast<const char*>(s));
        if (len >= sizeof rec)
            break;
        memcpy(rec, s, len + 1);
        i += static_cast<long>(len) + 1;
        if (CNSInsert(sorted, rec) == 1) {
            PWDSetStatus(PWD_NO_MEMORY);
            break;
        }
    }
    return CNSDict2Handle(sorted);
}

} // namespace

int PWDExactGuess(const unsigned char* word, int length, int status, const unsigned char* list, long size,
                  int caseOption)
{
    (void)status;
    if (!PWD)
        return 1;
    PWDSpeller* sp = PWDRecord();
    unsigned char a[PWD_MAX_WORD + 1], b[PWD_MAX_WORD + 1];
    if (length > PWD_MAX_WORD)
        return 1;
    for (int i = 0; i < length; ++i)
        a[i] = foldMap[sp->codes[word[i]] ? sp->codes[word[i]] : 127];
    for (long i = 0; i < size && !stopGuess;) {
        const unsigned char* s = list + i;
        int n = static_cast<int>(strnlen(reinterpret_cast<const char*>(s), static_cast<size_t>(size - i)));
        i += n + 1;
        if (n == 0 || n > PWD_MAX_WORD)
            continue;
        for (int k = 0; k < n; ++k)
            b[k] = foldMap[sp->codes[s[k]] ? sp->codes[s[k]] : 127];
        int budget = (length + n) / 8 + 1;
        if (budget < 3)
            budget = 3;
        if (budget > 5)
            budget = 5;
        if ((length + n) / 2 <= trixLen + 4)
            budget = 2;
        int diff = length > n ? length - n : n - length;
        if (diff >= budget)
            continue;
        int r = similar(a, length, b, n, budget, 1);
        if (r > 0) {
            unsigned char w[PWD_MAX_WORD + 2];
            memcpy(w, s, static_cast<size_t>(n));
            w[n] = 0;
            PWDInsertGuess(w, budget - r + 1, caseOption);
        }
    }
    return stopGuess && (PWDStatus() & PWD_NO_MEMORY) ? 0 : 1;
}

int PWDDoGuess(unsigned char* word, int length, int status)
{
    (void)status;
    if (!CallUserGuess(word, length))
        return 0;
    Exact1Guess(word, length);
    if (PWDonLen && !stopGuess)
        Exact1Guess(word + PWDonLen, length - PWDonLen);
    if (stopGuess)
        return 0;
    GuessWord gw;
    int core = length - PWDonLen - PWDpostLen;
    if (core < 2)
        return 1;
    gw.n = MapGuess(word + PWDonLen, core, gw.codes);
    for (int i = 0; i < gw.n; ++i)
        gw.folded[i] = foldMap[gw.codes[i]];
    // Without its prefix the rest keeps its case; completion casts the whole.
    gw.capital = (wordStatus & PWD_WORD_CAPITAL) && !PWDskipLen;
    GuessDict(gw);
    if (stopGuess)
        return 0;
    PWDSpeller* sp = PWDRecord();
    uint16_t flags = sp->flags;
    sp->flags &= ~PWDO_ATTACHED_CLITICS;
    PhoneGuess(gw);
    PWDRecord()->flags = flags;
    return !stopGuess;
}

PWDHandle PWDGuess(PWDHandle speller, const unsigned char* first, const unsigned char* last, int castMode,
                   int attachSuffixes)
{
    PWDStat* st = PWDGetStat();
    st->status = st->first = st->last = 0;
    if (!first || !last || last < first || last - first > PWD_MAX_WORD - 1) {
        st->status = PWD_NOT_CHECKED;
        return 0;
    }
    PWDSpeller* sp = static_cast<PWDSpeller*>(CNSDeref(speller));
    if (!sp) {
        st->status = PWD_IO_ERROR;
        return 0;
    }
    guesses = CNSNewDict(0, CNS_GROWS | CNS_OPTION, 512, 2147483647L, 512, com1);
    if (!guesses) {
        PWDSetStatus(PWD_NO_MEMORY);
        return 0;
    }
    PWD = speller;
    int wasLocked = CNSHGetState(speller) & CNS_LOCKED;
    CNSLock(speller);
    if (PWDRecord()->flags & PWD_IDLE)
        PWDStartSpell(speller);
    sp = PWDRecord();
    int lvl = (sp->level1 + sp->level2) % 7;
    PWDLastLvl1Cnt = lvl ? lvl : 7;
    CastMode = castMode;
    AttachSTsFlag = attachSuffixes;
    stopGuess = false;
    CompoundFlg = 0;
    trixLen = 0;
    PWDonLen = PWDpostLen = PWDskipLen = 0;
    russianMark = RU_PLAIN;
    int length = static_cast<int>(last - first) + 1;
    PWDallLen = length;
    uint16_t savedFlags = sp->flags;
    sp->flags &= ~PWDO_COMPOUNDS;
    unsigned char word[PWD_MAX_WORD + 2];
    memcpy(word, first, static_cast<size_t>(length));
    word[length] = 0;
    PWDorigWord = word;
    typed = word;
    typedLen = length;
    int status = GetStat(word, length);
    if (status & PWDK_CLITIC_MARK) {
        // the check's clitic split, for the guess's core
        unsigned char* f = word;
        MatchOne(f, f + length - 1, 0);
        int on = PWDonLen, post = PWDpostLen;
        st->status = 0;
        PWDonLen = on;
        PWDpostLen = post;
    }
    status &= ~PWDK_OTHER2;
    EtcAccess(4, equivMap, nullptr, nullptr);
    sp = PWDRecord();
    for (int i = 0; i < length; ++i) {
        int c = sp->codes[word[i]];
        if (c && equivMap[c] != c && (sp->language != 4 || (sp->classes[word[i]] & PWDK_CAPITAL)))
            status |= PWD_WORD_ACCENT;
    }
    EtcAccess(0, foldMap, nullptr, nullptr);
    wordStatus = status;
    sp = PWDRecord();
    if ((status & PWD_WORD_ACCENT) || (sp->language == 4 && !(status & (static_cast<int>(PWDK_CAPITAL) | PWD_WORD_CAPITAL))))
        sp->flags &= ~PWDO_ACCENTS;
    if (sp->language == 30)
        PWDGuessArabic(word, length, status);
    else if (sp->language == 14)
        PWDGuessRussian(word, length, status);
    else
        PWDDoGuess(word, length, status);
    PWDRecord()->flags = savedFlags;
    trixLen = 0;
    PWDskipLen = 0;
    russianMark = RU_PLAIN;
    PWDHandle result = (PWDStatus() & PWD_NO_MEMORY) && CNSDictUsed(guesses) == 0 ? 0 : Rearrange();
    CNSKillDict(guesses);
    guesses = 0;
    PWDReleaseTables();
    if (!wasLocked)
        CNSUnlock(speller);
    PWD = 0;
    return result;
}

int PWDGuessExact(const unsigned char* word, PWDHandle list, long size)
{
    // Only a guess in progress has a list to add to.
    if (!PWD || !guesses || !word || !list || stopGuess)
        return 0;
    size_t n = strnlen(reinterpret_cast<const char*>(word), PWD_MAX_WORD + 1);
    if (n == 0 || n > PWD_MAX_WORD)
        return 1;
    long have = CNSGetHandleSize(list);
    if (size > have)
        size = have;
    if (size <= 0)
        return 1;
    int wasLocked = CNSHGetState(list) & CNS_LOCKED;
    CNSLock(list);
    const unsigned char* data = static_cast<const unsigned char*>(CNSDeref(list));
    int ok = data ? PWDExactGuess(word, static_cast<int>(n), wordStatus, data, size, CastMode) : 1;
    if (!wasLocked)
        CNSUnlock(list);
    return ok;
}

// Russian: a word with the three-letter prefix is guessed without it (the
// prefix comes back in completion); then the word itself, the word after a
// dropped part (the mark in front), and the word whose second letter the
// check would stand the mark for.
int PWDGuessRussian(unsigned char* word, int length, int status)
{
    PWDSpeller* sp = PWDRecord();
    auto code = [&](int i) { return i < length ? sp->codes[word[i]] : 0; };
    int ok = 1;
    if (length >= 4 && code(0) == 17 && code(1) == 16 && code(2) == 13) {
        int skip = word[3] == '-' ? 4 : 3;
        if (length - skip >= 2) {
            PWDskipLen = skip;
            ok = PWDDoGuess(word + skip, length - skip, status);
        }
        if (ok && code(3) == 21 && length - 4 >= 2) {
            PWDskipLen = kSkipPrefixAndLetter;
            ok = PWDDoGuess(word + 4, length - 4, status);
        }
        PWDskipLen = 0;
    }
    if (ok)
        ok = PWDDoGuess(word, length, status);
    if (ok && sp->codes[kRussianMark] && length + 1 <= PWD_MAX_WORD) {
        unsigned char marked[PWD_MAX_WORD + 2];
        marked[0] = kRussianMark;
        memcpy(marked + 1, word, static_cast<size_t>(length));
        marked[length + 1] = 0;
        trixLen = 1;
        russianMark = RU_MARK_IN_FRONT;
        ok = PWDDoGuess(marked, length + 1, status);
    }
    sp = PWDRecord();
    if (ok && sp->codes[kRussianMark] && length >= 3 && code(0) == 15 && (code(1) == 6 || code(1) == 10)) {
        unsigned char marked[PWD_MAX_WORD + 2];
        memcpy(marked, word, static_cast<size_t>(length) + 1);
        marked[1] = kRussianMark;
        trixLen = 0;
        russianMark = RU_MARK_FOR_SECOND;
        ok = PWDDoGuess(marked, length, status);
    }
    trixLen = 0;
    russianMark = RU_PLAIN;
    return ok;
}

// Undoes the respelling the Russian guesser made: the mark in front goes,
// the mark after the first letter becomes its letter, and a dropped prefix
// returns in front.
// Answers 0 when the result does not fit `size` or is empty.
int PWDCompleteRussianGuess(unsigned char* guess, int size)
{
    PWDSpeller* sp = PWDRecord();
    int n = static_cast<int>(strnlen(reinterpret_cast<const char*>(guess), static_cast<size_t>(size)));
    if (n >= size)
        return 0;
    if (russianMark == RU_MARK_IN_FRONT && n && guess[0] == kRussianMark) {
        memmove(guess, guess + 1, static_cast<size_t>(n));
        --n;
    } else if (russianMark == RU_MARK_FOR_SECOND && n >= 2 && guess[1] == kRussianMark) {
        // The mark stands for the pair the check reads it as (codes 15 and 6),
        // whichever second letter was typed.
        unsigned char c = UnMapChar(6, 0);
        if (!c)
            return 0;
        guess[1] = c;
    }
    if (n == 0)
        return 0;
    if (PWDskipLen) {
        int keep = PWDskipLen == kSkipPrefixAndLetter ? 4 : 3;
        bool hyphen = PWDskipLen != kSkipPrefixAndLetter && (sp->classes[guess[0]] & PWDK_VOWEL);
        int add = keep + (hyphen ? 1 : 0);
        if (keep > typedLen || n + add + 1 > size)
            return 0;
        memmove(guess + add, guess, static_cast<size_t>(n) + 1);
        memcpy(guess, typed, static_cast<size_t>(keep));
        if (hyphen)
            guess[keep] = '-';
    }
    return 1;
}
