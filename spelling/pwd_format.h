#pragma once

// The dictionary file's layout and the coding of words in it, shared by the
// engine's reader and the dictionary builder (tools/dictbuild), which
// compiles this header without the engine. All numbers in the file are
// big-endian.

#include <stddef.h>
#include <stdint.h>
#include <string.h>

// Header body offsets.
enum {
    PWDH_VERSION = 2,
    PWDH_LANGUAGE = 4,
    PWDH_OPTIONS = 6,
    PWDH_CLASSES = 8,
    PWDH_CODES = 264,
    PWDH_DIGRAMS = 520,
    PWDH_BLOCK_COUNT = 776,
    PWDH_BLOCK_SIZE = 778,
    PWDH_CACHE_THRESHOLD = 782,
    PWDH_LEVEL1 = 786,
    PWDH_LEVEL2 = 787,
    PWDH_COUNTS = 788, // nine u16
    PWDH_POSITIONS = 806, // ten u32
    PWDH_BLOCK_INDEX = 928,
    PWDH_BLOCK_ENTRY = 14,
};

// The nine counts, in file order.
enum {
    PWDC_LETTERS,
    PWDC_COMMON_FIRST,
    PWDC_COMMON_SECOND,
    PWDC_MAIN_FIRST,
    PWDC_MAIN_SECOND,
    PWDC_MAIN_LONGEST,
    PWDC_MAIN_SHORTEST,
    PWDC_COMMON_LONGEST,
    PWDC_COMMON_SHORTEST,
    PWDC_COUNT
};

// The ten table positions, in file order; the speller's ninth table handle
// is the found-word cache instead of the endings list's neighbour.
enum {
    PWDT_ETC,
    PWDT_COMMON_OFFSETS,
    PWDT_COMMON_ENTRIES,
    PWDT_MAIN_OFFSETS,
    PWDT_FIRST_BLOCK,
    PWDT_EXACT_A,
    PWDT_EXACT_B,
    PWDT_ENDINGS,
    PWDT_DIGRAM_ENCODING,
    PWDT_PHONETIC,
    PWDT_COUNT
};

// Header option bits.
enum {
    PWDO_ACCENTS = 0x0004,
    PWDO_COMPOUNDS = 0x0008,
    PWDO_ATTACHED_CLITICS = 0x0010,
    PWDO_LONG_SECTION = 0x0020,
    PWDO_SUBSTITUTIONS = 0x0200,
};

// Character class bits.
enum {
    PWDK_OTHER = 0x01,
    PWDK_CAPITAL = 0x02,
    PWDK_LOWER = 0x04,
    PWDK_SEPARATOR = 0x08,
    PWDK_OTHER2 = 0x10,
    PWDK_VOWEL = 0x20,
    PWDK_CLITIC_MARK = 0x40,
    PWDK_ACCENTED = 0x80,
};

enum {
    // A + B at most 7 * 7 + 7: with A up to 7, the presence bits of every
    // data byte that holds presence bits lie in the first control byte,
    // which the fast count relies on. Flags then reach position 7 * 57 - 1.
    PWD_MAX_PRESENCE = 56,
    PWD_MAX_DATA_BYTES = 63, // room for a decoding of up to 62 presence bits
};

inline uint16_t pwdGet16(const unsigned char* p)
{
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

inline uint32_t pwdGet32(const unsigned char* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16)
        | (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

inline void pwdPut16(unsigned char* p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v >> 8);
    p[1] = static_cast<unsigned char>(v);
}

inline void pwdPut32(unsigned char* p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

// The two flag level counts are valid when the presence bits fit the
// layout: with A = 0 they sit in the first byte (B <= 7); otherwise
// 7A + 1 <= A + B <= 7A + 7, and A at most 7.
inline bool pwdLevelsValid(int a, int b)
{
    int p = a + b;
    if (b < 0 || a < 0 || a > 7 || p < 1 || p > PWD_MAX_PRESENCE)
        return false;
    if (a == 0)
        return b <= 7;
    return p >= 7 * a + 1 && p <= 7 * a + 7;
}

// An entry's control bytes: a first byte with the high bit set, then the
// stored data bytes of a sparse 7-bit array. Positions 0 to presence - 1 say
// which data bytes (1 to presence) are stored; flag n is at presence + n.
// Fills data (PWD_MAX_DATA_BYTES, unstored bytes 0) and answers the number
// of control bytes, 0 when the entry does not start with a control byte or
// runs past end.
inline int pwdDecodeControls(const unsigned char* p, const unsigned char* end, int presence,
                             unsigned char* data)
{
    if (p >= end || !(p[0] & 0x80))
        return 0;
    memset(data, 0, static_cast<size_t>(presence) + 1);
    data[0] = p[0] & 0x7F;
    int k = 1;
    for (int i = 1; i <= presence; ++i) {
        int q = i - 1;
        if (data[q / 7] & (1 << (q % 7))) {
            if (p + k >= end || (p[k] & 0x80) || p[k] == 0)
                return 0;
            data[i] = p[k++];
        }
    }
    return k;
}

// Set bits of a 7-bit value.
inline constexpr unsigned char pwdBits7[128] = {
    0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4, 1, 2, 2, 3, 2, 3, 3, 4, 2, 3, 3, 4, 3, 4, 4, 5,
    1, 2, 2, 3, 2, 3, 3, 4, 2, 3, 3, 4, 3, 4, 4, 5, 2, 3, 3, 4, 3, 4, 4, 5, 3, 4, 4, 5, 4, 5, 5, 6,
    1, 2, 2, 3, 2, 3, 3, 4, 2, 3, 3, 4, 3, 4, 4, 5, 2, 3, 3, 4, 3, 4, 4, 5, 3, 4, 4, 5, 4, 5, 5, 6,
    2, 3, 3, 4, 3, 4, 4, 5, 3, 4, 4, 5, 4, 5, 5, 6, 3, 4, 4, 5, 4, 5, 5, 6, 4, 5, 5, 6, 5, 6, 6, 7,
};

// Control-byte count without keeping the data (the check's hot path): every
// set presence bit stands for one stored byte, and with A <= 7 the presence
// bits of data bytes 1 to A all lie in the first byte, so the bytes holding
// presence bits are found without walking the array. Same answer as
// pwdDecodeControls for every presence count pwdLevelsValid accepts.
inline int pwdCountControls(const unsigned char* p, const unsigned char* end, int presence)
{
    if (p >= end || !(p[0] & 0x80) || presence < 1 || presence > PWD_MAX_PRESENCE)
        return 0;
    unsigned b0 = p[0] & 0x7Fu;
    int holders = (presence - 1) / 7 + 1;
    int count = 1;
    for (int j = 0; j < holders; ++j) {
        unsigned v;
        if (j == 0) {
            v = b0;
        } else {
            if (!((b0 >> (j - 1)) & 1))
                continue;
            long at = 1 + pwdBits7[b0 & ((1u << (j - 1)) - 1)];
            if (p + at >= end)
                return 0;
            v = p[at];
        }
        int bits = j == holders - 1 ? presence - 7 * j : 7;
        count += pwdBits7[v & ((1u << bits) - 1)];
    }
    if (end - p < count)
        return 0;
    for (int i = 1; i < count; ++i)
        if ((p[i] & 0x80) || p[i] == 0)
            return 0;
    return count;
}

inline int pwdFlag(const unsigned char* data, int presence, int flag)
{
    int q = presence + flag;
    int byte = q / 7;
    if (flag < 0 || byte > presence)
        return 0;
    return (data[byte] >> (q % 7)) & 1;
}

// The highest flag the layout can hold.
inline int pwdMaxFlag(int presence)
{
    return 7 * (presence + 1) - 1 - presence;
}

// Data bytes beyond presence are never read: pwdFlag stops at presence.

// Writes the control bytes for the flags set in `flags` (nflags entries of
// 0/1) and answers their number.
inline int pwdEncodeControls(const unsigned char* flags, int nflags, int presence, unsigned char* out)
{
    unsigned char data[PWD_MAX_DATA_BYTES];
    memset(data, 0, sizeof data);
    for (int f = 0; f < nflags; ++f)
        if (flags[f]) {
            int q = presence + f;
            data[q / 7] |= static_cast<unsigned char>(1 << (q % 7));
        }
    for (int i = presence; i >= 1; --i)
        if (data[i]) {
            int q = i - 1;
            data[q / 7] |= static_cast<unsigned char>(1 << (q % 7));
        }
    int k = 0;
    out[k++] = static_cast<unsigned char>(0x80 | data[0]);
    for (int i = 1; i <= presence; ++i) {
        int q = i - 1;
        if (data[q / 7] & (1 << (q % 7)))
            out[k++] = data[i];
    }
    return k;
}

// The longest ending of the list (NUL-terminated strings of letter codes,
// each written backwards) that ends `codes`; answers its number, -2 for
// none, and its length in *cut.
inline int pwdMatchEnding(const unsigned char* list, long size, const unsigned char* codes, int n, int* cut)
{
    int best = -2, bestLen = 0, index = 0;
    long i = 0;
    while (i < size) {
        int k = 0;
        while (i + k < size && list[i + k] && k < n && list[i + k] == codes[n - 1 - k])
            ++k;
        if (i + k < size && !list[i + k] && k > bestLen) {
            best = index;
            bestLen = k;
        }
        i += k;
        while (i < size && list[i])
            ++i;
        ++index;
        ++i;
    }
    *cut = bestLen;
    return best;
}

// Block and search keys: first and second letter codes, then the first two
// bytes of the coded stem (0 where the stem is shorter).
inline uint32_t pwdKey(int first, int second, const unsigned char* stem, int stemLen)
{
    return (static_cast<uint32_t>(first & 0xFF) << 24) | (static_cast<uint32_t>(second & 0xFF) << 16)
        | (static_cast<uint32_t>(stemLen > 0 ? stem[0] : 0) << 8) | (stemLen > 1 ? stem[1] : 0);
}

// Stem comparison as the entries are sorted: signed bytes, a stem that ends
// first is smaller.
inline int pwdStemCompare(const unsigned char* a, int alen, const unsigned char* b, int blen)
{
    int n = alen < blen ? alen : blen;
    for (int i = 0; i < n; ++i) {
        int x = static_cast<signed char>(a[i]), y = static_cast<signed char>(b[i]);
        if (x != y)
            return x - y;
    }
    return alen - blen;
}

// Exact list A order: characters compare by letter code; a character
// without one compares as 128 + its byte, after every letter.
inline int pwdExactKey(const unsigned char* codes, unsigned char c)
{
    return codes[c] ? codes[c] : 128 + c;
}

inline int pwdExactCompare(const unsigned char* codes, const unsigned char* a, const unsigned char* b)
{
    for (;; ++a, ++b) {
        if (!*a || !*b)
            return (*a ? 1 : 0) - (*b ? 1 : 0);
        int x = pwdExactKey(codes, *a), y = pwdExactKey(codes, *b);
        if (x != y)
            return x - y;
    }
}
