// The Arabic checker and guesser: the word is filtered of vowel signs and
// looked up as a list of candidate stems (conjunction and article prefixes
// replaced by marker characters), each through the ordinary token check.

#include "spelling/pwd_internal.h"

#include <string.h>

namespace {

struct Prefix {
    unsigned char chars[3];
    unsigned char marker;
};

const Prefix kFirstTable[] = {
    {{199, 228, 0}, 163}, {{200, 199, 228}, 163}, {{227, 199, 228}, 163}, {{228, 228, 0}, 163},
    {{230, 0, 0}, 164},   {{211, 195, 0}, 164},   {{211, 230, 0}, 164},   {{228, 195, 0}, 164},
    {{228, 230, 0}, 164}, {{202, 0, 0}, 161},     {{234, 0, 0}, 161},     {{211, 202, 0}, 161},
    {{228, 202, 0}, 161}, {{211, 234, 0}, 161},   {{228, 234, 0}, 161},
};
const Prefix kSecondTable[] = {{{211, 199, 0}, 164}, {{228, 199, 0}, 164}};

struct Alif {
    unsigned char chars[3];
    int position;
};
const Alif kAlifTable[] = {{{199, 228, 199}, 2}, {{199, 0, 0}, 0},   {{195, 199, 0}, 1}, {{228, 199, 0}, 1},
                           {{211, 199, 0}, 1},   {{163, 199, 0}, 1}, {{192, 199, 0}, 1}};

int prefixLength(const unsigned char* c)
{
    int n = 0;
    while (n < 3 && c[n])
        ++n;
    return n;
}

int FilterWord(const unsigned char* in, int n, unsigned char* out)
{
    int k = 0;
    for (int i = 0; i < n; ++i) {
        unsigned char c = in[i];
        if (c == 224 || (c >= 235 && c <= 240) || c == 242)
            continue;
        out[k++] = c;
    }
    for (int i = 0; i + 1 < k; ++i)
        if (out[i] == 233)
            out[i] = 234;
    return k;
}

// Candidate records: [kind 1][prefix length + 1][stem], NUL-terminated.
int pushCandidate(PWDHandle list, int prefix, const unsigned char* stem, int n)
{
    unsigned char rec[PWD_MAX_WORD + 4];
    if (n <= 0 || n > PWD_MAX_WORD)
        return 1;
    rec[0] = 1;
    rec[1] = static_cast<unsigned char>(prefix + 1);
    memcpy(rec + 2, stem, static_cast<size_t>(n));
    rec[n + 2] = 0;
    if (memchr(rec + 2, 0, static_cast<size_t>(n)))
        return 1;
    return CNSInsert(list, rec) != 1;
}

int kindCompare(const unsigned char* probe, const unsigned char* stored, int)
{
    // by kind only: equal kinds keep their order of insertion
    return probe[0] < stored[0] ? -1 : 1;
}

PWDHandle BuildStack(const unsigned char* w, int n, bool guessing, int option)
{
    PWDHandle list = CNSNewDict(0, CNS_GROWS, 256, 4096, 256, kindCompare);
    if (!list) {
        PWDSetStatus(PWD_NO_MEMORY);
        return 0;
    }
    unsigned char cur[PWD_MAX_WORD + 1];
    memcpy(cur, w, static_cast<size_t>(n));
    int len = n, skip = 0;
    bool ok = pushCandidate(list, 0, cur, len);
    if (len > 1 && (cur[0] == 232 || cur[0] == 225)
        && (guessing || !(len >= 3 && cur[1] == 195 && (cur[2] == 194 || cur[2] == 197 || cur[2] == 195)))) {
        memmove(cur, cur + 1, static_cast<size_t>(--len));
        skip = 1;
        ok = ok && pushCandidate(list, skip, cur, len);
    }
    if ((option & 0x0080) && len > 0
        && (cur[0] == 200 || cur[0] == 227 || cur[0] == 228 || cur[0] == 195 || cur[0] == 199)) {
        unsigned char alt[PWD_MAX_WORD + 1];
        memcpy(alt, cur, static_cast<size_t>(len));
        alt[0] = 192;
        ok = ok && pushCandidate(list, skip, alt, len);
        if (cur[0] == 195 || cur[0] == 199) {
            alt[0] = 164;
            ok = ok && pushCandidate(list, skip, alt, len);
        }
    }
    if (len >= 4) {
        const Prefix* best = nullptr;
        int bestLen = 0;
        auto scan = [&](const Prefix* table, int count) {
            for (int i = 0; i < count; ++i) {
                int pl = prefixLength(table[i].chars);
                if (pl > bestLen && pl < len && memcmp(cur, table[i].chars, static_cast<size_t>(pl)) == 0) {
                    best = &table[i];
                    bestLen = pl;
                }
            }
        };
        scan(kFirstTable, static_cast<int>(sizeof kFirstTable / sizeof kFirstTable[0]));
        if (!best && (guessing || (option & 0x0080)))
            scan(kSecondTable, 2);
        if (best) {
            unsigned char alt[PWD_MAX_WORD + 1];
            alt[0] = best->marker;
            memcpy(alt + 1, cur + bestLen, static_cast<size_t>(len - bestLen));
            // The marker stands for the whole prefix: completion puts all of
            // its letters back.
            ok = ok && pushCandidate(list, skip + bestLen, alt, len - bestLen + 1);
        }
    }
    if (!ok) {
        CNSKillDict(list);
        PWDSetStatus(PWD_NO_MEMORY);
        return 0;
    }
    return list;
}

int CheckToken2(unsigned char* w, int n, int option)
{
    if (PWDCheckToken(w, w + n - 1, option))
        return 1;
    if ((option & 0x0100) && w[n - 1] == 233) {
        w[n - 1] = 234;
        int r = PWDCheckToken(w, w + n - 1, option);
        w[n - 1] = 233;
        return r;
    }
    return 0;
}

int CheckToken1(unsigned char* w, int n, int option)
{
    if (CheckToken2(w, n, option))
        return 1;
    if (!(option & 0x0040) || n >= PWD_MAX_WORD)
        return 0;
    unsigned char alt[PWD_MAX_WORD + 2];
    if (w[0] == 192) {
        memcpy(alt, w, static_cast<size_t>(n));
        alt[0] = 166;
        return CheckToken2(alt, n, option);
    }
    alt[0] = 191;
    memcpy(alt + 1, w, static_cast<size_t>(n));
    return CheckToken2(alt, n + 1, option);
}

int CheckThis(unsigned char* w, int n, int option)
{
    if (CheckToken1(w, n, option))
        return 1;
    if (!(option & 0x0080))
        return 0;
    for (const Alif& a : kAlifTable) {
        int pl = prefixLength(a.chars);
        if (pl > n || memcmp(w, a.chars, static_cast<size_t>(pl)) != 0)
            continue;
        unsigned char saved = w[a.position];
        static const unsigned char vary[] = {194, 195, 197};
        for (unsigned char r : vary) {
            w[a.position] = r;
            if (CheckToken1(w, n, option)) {
                w[a.position] = saved;
                return 1;
            }
        }
        w[a.position] = saved;
        if (a.position == 0) {
            static const unsigned char first[] = {192, 164};
            for (unsigned char r : first) {
                w[0] = r;
                if (CheckToken1(w, n, option)) {
                    w[0] = saved;
                    return 1;
                }
            }
            w[0] = saved;
        }
        break;
    }
    return 0;
}

} // namespace

int PWDCheckArabic(unsigned char* first, unsigned char* last, int option)
{
    unsigned char w[PWD_MAX_WORD + 1];
    int n = FilterWord(first, static_cast<int>(last - first) + 1, w);
    if (n == 0)
        return 1;
    PWDHandle list = BuildStack(w, n, false, option);
    if (!list)
        return 0;
    int result = 0;
    PWDHandle data = CNSDictData(list);
    long used = CNSDictUsed(list);
    for (long i = 0; i < used && !result;) {
        unsigned char cand[PWD_MAX_WORD + 4];
        const unsigned char* s = static_cast<const unsigned char*>(CNSDeref(data)) + i;
        size_t len = strlen(reinterpret_cast<const char*>(s));
        memcpy(cand, s, len + 1);
        i += static_cast<long>(len) + 1;
        result = CheckThis(cand + 2, static_cast<int>(len) - 2, option);
        if (PWDStatus() & (PWD_NO_MEMORY | PWD_IO_ERROR))
            break;
    }
    CNSKillDict(list);
    return result;
}

PWDHandle PWDGuessArabic(unsigned char* word, int length, int status)
{
    unsigned char w[PWD_MAX_WORD + 1];
    int n = FilterWord(word, length, w);
    if (n == 0)
        return 0;
    PWDHandle list = BuildStack(w, n, true, 0);
    if (!list)
        return 0;
    // Completion puts back the typed prefix as the candidates count it:
    // without vowel signs.
    const unsigned char* typedWord = PWDorigWord;
    PWDorigWord = w;
    PWDHandle data = CNSDictData(list);
    long used = CNSDictUsed(list);
    for (long i = 0; i < used;) {
        unsigned char cand[PWD_MAX_WORD + 4];
        const unsigned char* s = static_cast<const unsigned char*>(CNSDeref(data)) + i;
        size_t len = strlen(reinterpret_cast<const char*>(s));
        memcpy(cand, s, len + 1);
        i += static_cast<long>(len) + 1;
        PWDskipLen = cand[1] - 1;
        if (!PWDDoGuess(cand + 2, static_cast<int>(len) - 2, status))
            break;
    }
    PWDskipLen = 0;
    PWDorigWord = typedWord;
    CNSKillDict(list);
    return 0;
}

int PWDCompleteArabicGuess(unsigned char* guess, int size)
{
    int n = static_cast<int>(strlen(reinterpret_cast<const char*>(guess)));
    int drop = 0;
    while (drop < n && (guess[drop] == 192 || guess[drop] == 161 || guess[drop] == 191 || guess[drop] == 163
                        || guess[drop] == 164 || guess[drop] == 166))
        ++drop;
    int skip = PWDskipLen;
    if (skip < 0 || skip + n - drop + 1 > size || skip > PWDallLen)
        return 0;
    memmove(guess + skip, guess + drop, static_cast<size_t>(n - drop + 1));
    memcpy(guess, PWDorigWord, static_cast<size_t>(skip));
    return 1;
}
