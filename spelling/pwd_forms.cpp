// Every word form a dictionary holds, as a filter of their hashes: the
// compound rule looks up every stretch of a word and, for the test against
// typing errors, every word one edit away, and almost all of them are not
// words. The filter answers "certainly not" for those without reading a
// table; the others go the ordinary way.

#include "spelling/pwd.h"
#include "spelling/pwd_format.h"
#include "spelling/pwd_internal.h"

#include <stdlib.h>
#include <string.h>

#include <vector>

namespace {

constexpr int kBitsPerForm = 12;

inline void setForm(PWDFormFilter* f, uint64_t h)
{
    uint64_t m = pwdFormMix(h);
    uint64_t* block = pwdFormBlock(f, m);
    for (int k = 0; k < 6; ++k, m >>= 9)
        block[(m >> 6) & 7] |= 1ull << (m & 63);
}

PWDFormFilter* filterOf(const PWDSpeller* sp)
{
    PWDFormFilter* f;
    memcpy(&f, sp->forms, sizeof f);
    return f;
}

// Calls emit(hash) for every form: each entry's stem alone and with each of
// its endings, in the common list and the main blocks, and the words of the
// exact lists. False when a table cannot be read.
template <typename Emit, typename See>
bool eachForm(Emit emit, See see)
{
    PWDSpeller* sp = PWDRecord();
    int presence = PWDPresence();
    unsigned char digrams[256];
    memcpy(digrams, sp->digrams, 256);
    long size;
    const unsigned char* t = PWDTable(PWDT_ENDINGS, &size);
    if (!t)
        return false;
    std::vector<std::vector<unsigned char>> endings;
    for (long i = 0; i < size;) {
        long n = static_cast<long>(strnlen(reinterpret_cast<const char*>(t + i), static_cast<size_t>(size - i)));
        std::vector<unsigned char> e;
        for (long k = n - 1; k >= 0; --k)
            e.push_back(t[i + k]);
        endings.push_back(e);
        i += n + 1;
    }
    // The forms of the entries in data[s, e) of the pair (a, b).
    unsigned char form[2 * PWD_MAX_WORD + 8];
    auto entries = [&](const unsigned char* data, long s, long e, int a, int b) -> bool {
        while (s < e) {
            unsigned char bits[PWD_MAX_DATA_BYTES];
            int k = pwdDecodeControls(data + s, data + e, presence, bits);
            if (!k)
                return false;
            long stem = s + k, end = stem;
            while (end < e && !(data[end] & 0x80))
                ++end;
            int n = 0;
            form[n++] = static_cast<unsigned char>(a);
            form[n++] = static_cast<unsigned char>(b);
            for (long i = stem; i < end && n < PWD_MAX_WORD + 2; ++i) {
                unsigned char c = data[i];
                if (digrams[2 * c]) {
                    form[n++] = digrams[2 * c];
                    form[n++] = digrams[2 * c + 1];
                } else {
                    form[n++] = c;
                }
            }
            uint64_t h = 0;
            for (int i = 0; i < n; ++i)
                h = pwdFormStep(h, form[i]);
            if (pwdFlag(bits, presence, 0)) {
                emit(h);
                see(form, n);
            }
            for (size_t x = 0; x < endings.size(); ++x)
                if (pwdFlag(bits, presence, static_cast<int>(x) + 2)) {
                    uint64_t hx = h;
                    int m = n;
                    for (unsigned char c : endings[x]) {
                        hx = pwdFormStep(hx, c);
                        if (m < static_cast<int>(sizeof form))
                            form[m++] = c;
                    }
                    emit(hx);
                    see(form, m);
                }
            s = end;
        }
        return true;
    };
    // Offsets of a pair table, copied: reading the blocks may purge it.
    auto offsetsOf = [&](int which, std::vector<long>* out) -> bool {
        const unsigned char* o = PWDTable(which, &size);
        if (!o)
            return false;
        for (long i = 0; i + 1 < size; i += 2)
            out->push_back(pwdGet16(o + i));
        return true;
    };
    sp = PWDRecord();
    int cf = sp->counts[PWDC_COMMON_FIRST], cs = sp->counts[PWDC_COMMON_SECOND];
    int mf = sp->counts[PWDC_MAIN_FIRST], ms = sp->counts[PWDC_MAIN_SECOND];
    std::vector<long> common, main;
    if (!offsetsOf(PWDT_COMMON_OFFSETS, &common) || !offsetsOf(PWDT_MAIN_OFFSETS, &main))
        return false;
    const unsigned char* ce = PWDTable(PWDT_COMMON_ENTRIES, &size);
    if (!ce)
        return false;
    for (long idx = 0; idx < static_cast<long>(common.size()) && idx < static_cast<long>(cf) * cs; ++idx) {
        long s = common[idx], e = idx + 1 < static_cast<long>(common.size()) ? common[idx + 1] : size;
        if (s > e || e > size || !entries(ce, s, e, static_cast<int>(idx / cs) + 1, static_cast<int>(idx % cs) + 1))
            return false;
    }
    sp = PWDRecord();
    int count = sp->blockCount;
    for (int i = 0; i < count; ++i) {
        PWDBlockEntry block = PWDBlocks()[i];
        long blen;
        const unsigned char* data = PWDBlock(i, &blen);
        if (!data)
            return false;
        int firstPair = static_cast<int>(block.firstKey >> 16), lastPair = static_cast<int>(block.lastKey >> 16);
        bool ok = true;
        for (int p = firstPair; p <= lastPair && ok; ++p) {
            int a = p >> 8, b = p & 0xFF;
            if (b < 1 || b > ms || a < 1 || a > mf)
                continue;
            long idx = static_cast<long>(a - 1) * ms + (b - 1);
            if (idx >= static_cast<long>(main.size()))
                break;
            long s = p == firstPair ? 0 : main[idx];
            long e = p == lastPair || idx + 1 >= static_cast<long>(main.size()) ? blen : main[idx + 1];
            ok = s <= e && e <= blen && entries(data, s, e, a, b);
        }
        PWDReleaseBlock(i);
        if (!ok)
            return false;
    }
    for (int which : {PWDT_EXACT_A, PWDT_EXACT_B}) {
        const unsigned char* x = PWDTable(which, &size);
        if (!x)
            return false;
        const unsigned char* codes = PWDRecord()->codes;
        for (long i = 0; i < size;) {
            uint64_t h = 0;
            long k = i;
            int n = 0;
            for (; k < size && x[k]; ++k) {
                unsigned v = pwdFormCode(codes, x[k]);
                h = pwdFormStep(h, v);
                if (n < static_cast<int>(sizeof form))
                    form[n++] = static_cast<unsigned char>(v < 255 ? v : 255);
            }
            emit(h);
            see(form, n);
            i = k + 1;
        }
    }
    return true;
}

} // namespace

const PWDFormFilter* PWDForms(void)
{
    PWDSpeller* sp = PWDRecord();
    PWDFormFilter* f = filterOf(sp);
    if (!f) {
        f = static_cast<PWDFormFilter*>(calloc(1, sizeof(PWDFormFilter)));
        if (!f)
            return nullptr;
        memcpy(PWDRecord()->forms, &f, sizeof f);
        long forms = 0;
        int keep = PWDStatus();
        auto none = [](const unsigned char*, int) {};
        if (eachForm([&](uint64_t) { ++forms; }, none)) {
            uint64_t blocks = 1;
            int bits = 0;
            while (blocks * 512 < static_cast<uint64_t>(forms) * kBitsPerForm && bits < 24)
                blocks *= 2, ++bits;
            f->bits = static_cast<uint64_t*>(calloc(blocks * 8, sizeof(uint64_t)));
            f->blockMask = blocks - 1;
            f->shift = 64 - (bits ? bits : 1);
            auto bit = [](unsigned c) { return c < 63 ? c : 63u; };
            f->usable = f->bits && eachForm([&](uint64_t h) { setForm(f, h); },
                                            [&](const unsigned char* form, int n) {
                                                unsigned prev = 0, prev2 = 0;
                                                for (int i = 0; i < n; ++i) {
                                                    unsigned c = bit(form[i]);
                                                    unsigned next = i + 1 < n ? bit(form[i + 1]) : 0;
                                                    unsigned next2 = i + 2 < n ? bit(form[i + 2]) : 0;
                                                    f->letters |= 1ull << c;
                                                    f->follow[prev] |= 1ull << c;
                                                    f->lead[c] |= 1ull << prev;
                                                    f->between[prev][next] |= 1ull << c;
                                                    f->after2[prev2][prev] |= 1ull << c;
                                                    f->before2[next][next2] |= 1ull << c;
                                                    prev2 = prev;
                                                    prev = c;
                                                }
                                                f->follow[prev] |= 1ull;
                                                f->lead[0] |= 1ull << prev;
                                            });
        }
        // A table that could not be read here is read again where it is
        // needed, and reports there.
        PWDGetStat()->status = static_cast<uint16_t>(keep);
    }
    return f->usable ? f : nullptr;
}

bool PWDFormLetter(const PWDFormFilter* f, unsigned code)
{
    return code < 63 ? ((f->letters >> code) & 1) != 0 : ((f->letters >> 63) & 1) != 0;
}

uint64_t PWDFormFollowers(const PWDFormFilter* f, unsigned code)
{
    return f->follow[code < 63 ? code : 63];
}

uint64_t PWDFormLeaders(const PWDFormFilter* f, unsigned code)
{
    return f->lead[code < 63 ? code : 63];
}

uint64_t PWDFormBetween(const PWDFormFilter* f, unsigned before, unsigned after)
{
    return f->between[before < 63 ? before : 63][after < 63 ? after : 63];
}

uint64_t PWDFormFits(const PWDFormFilter* f, unsigned a, unsigned b, unsigned c, unsigned d)
{
    auto bit = [](unsigned x) { return x < 63 ? x : 63u; };
    return f->between[bit(b)][bit(c)] & f->after2[bit(a)][bit(b)] & f->before2[bit(c)][bit(d)];
}

void PWDForgetForms(PWDSpeller* sp)
{
    PWDFormFilter* f = filterOf(sp);
    if (f)
        free(f->bits);
    free(f);
    memset(sp->forms, 0, sizeof sp->forms);
}
