// Builds the hyphenation table files, one per group of languages that share
// tables. Languages given patterns and vocabularies learn their root rules
// from the words hyphenated by libhyphen; the others get the syllable rules
// of open and closed syllables.
//
//   hyphgen <output folder> <group> [--dev | --measure] [sources]
//   sources: --patterns L FILE, --words L FILE, --hunspell L PATH STRIDE
//
// A tenth of every vocabulary (by a hash of the word) is never trained on.
// --measure reads the tables already in the output folder and prints their
// precision and recall against the reference on those held-out words.
// --dev keeps a further tenth of the training words apart and prints how
// the tables do on them. For tuning, HYPHGEN_L, HYPHGEN_R and HYPHGEN_S set
// the most letters a rule looks at left of the break, right of it and in
// all, HYPHGEN_GAIN the training breaks a rule must mend, HYPHGEN_CAP the
// most training words taken from the vocabularies.

#include "spelling/hyph.h"
#include "spelling/hyph_internal.h"
#include "spelling/hyphtables.h"
#include "tools/hyphgen/hyphref.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using Words = std::vector<uint16_t>;

struct Section {
    int slot;
    int language;
    Bytes data;
};

void put16(Bytes &b, uint16_t v)
{
    b.push_back(v & 0xFF);
    b.push_back(v >> 8);
}

Bytes fromWords(const Words &w)
{
    Bytes b;
    for (uint16_t v : w)
        put16(b, v);
    return b;
}

// Sections start at multiples of four, so that the engine can use the
// long lists where they lie.
bool writeFile(const std::string &path, const std::vector<Section> &sections)
{
    const char magic[] = HYPH_FILE_MAGIC;
    Bytes out(magic, magic + 4);
    put16(out, HYPH_FILE_VERSION);
    put16(out, (uint16_t)sections.size());
    uint32_t off = 8 + 12 * (uint32_t)sections.size();
    std::vector<uint32_t> at;
    for (const Section &s : sections) {
        off = (off + 3) & ~3u;
        at.push_back(off);
        put16(out, (uint16_t)s.slot);
        put16(out, (uint16_t)s.language);
        for (uint32_t v : {off, (uint32_t)s.data.size()})
            for (int k = 0; k < 4; k++)
                out.push_back((v >> (8 * k)) & 0xFF);
        off += (uint32_t)s.data.size();
    }
    for (size_t i = 0; i < sections.size(); i++) {
        out.resize(at[i], 0);
        out.insert(out.end(), sections[i].data.begin(), sections[i].data.end());
    }
    std::string tmp = path + ".tmp";
    FILE *f = fopen(tmp.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(out.data(), 1, out.size(), f) == out.size();
    ok = fclose(f) == 0 && ok;
    return ok && rename(tmp.c_str(), path.c_str()) == 0;
}

int alphabetSize(int language)
{
    int count;
    hyph_alphabet(language, &count);
    return count;
}

bool vowelOf(int language, uint32_t ch)
{
    if (language == 12) // Greek in the Symbol font's letters
        return ch == 'a' || ch == 'e' || ch == 'h' || ch == 'i' || ch == 'o' || ch == 'u' || ch == 'w';
    if (language == 18 || language == 13)
        return ch == 'a' || ch == 'e' || ch == 'i' || ch == 'o' || ch == 'u' || ch == 0xF6 || ch == 0xFC || ch == 0x131;
    if (language == 17) // alef, vav and yod carry the vowels in unpointed Hebrew
        return ch == 0x5D0 || ch == 0x5D5 || ch == 0x5D9;
    return hyph_is_vowel(ch);
}

Bytes featureTable(int language)
{
    int count;
    const uint32_t *alpha = hyph_alphabet(language, &count);
    Words w(count + 1, 0);
    for (int i = 0; i < count; i++)
        if (alpha[i])
            w[i + 1] = HYPH_F_LETTER | (vowelOf(language, alpha[i]) ? 0 : HYPH_F_CONSONANT);
    return fromWords(w);
}

// An index with no entries: header words only.
Bytes emptyIndex(int hi, int extraBuckets)
{
    int words = 5 + hi + (extraBuckets ? hi + 1 : 0);
    Words w(words, 0);
    w[0] = (uint16_t)hi;
    w[2] = (uint16_t)(2 * words);
    w[3] = (uint16_t)(2 * words);
    return fromWords(w);
}

// Exception index: empty word list, then the exception list.
Bytes exceptionIndex(int hi, const Bytes &exceptions)
{
    int words = 5 + hi;
    Words w(words, 0);
    w[0] = (uint16_t)hi;
    w[1] = (uint16_t)exceptions.size();
    w[2] = (uint16_t)(2 * words);
    w[3] = (uint16_t)(2 * words);
    Bytes b = fromWords(w);
    b.insert(b.end(), exceptions.begin(), exceptions.end());
    return b;
}

// Pattern words.
uint16_t letter(int code, bool mark) { return (uint16_t)((mark ? 0xA000 : 0x2000) | code); }
void feature(Words &w, uint16_t value, uint16_t mask, bool mark)
{
    w.push_back((uint16_t)((mark ? 0x8000 : 0) | value));
    w.push_back(mask);
}

// Syllable rules: a consonant between vowels starts the next syllable; of
// two or three consonants, the first closes the syllable before.
void syllableRules(Words &rules, uint16_t set)
{
    const int shapes[3][5] = {{0, 1, 0, -1, -1}, {0, 1, 1, 0, -1}, {0, 1, 1, 1, 0}};
    const int marks[3] = {1, 2, 2};
    const int lens[3] = {3, 4, 5};
    for (int r = 0; r < 3; r++) {
        Words pat;
        for (int k = 0; k < lens[r]; k++)
            feature(pat, HYPH_F_LETTER | (shapes[r][k] ? HYPH_F_CONSONANT : 0), HYPH_F_CONSONANT | HYPH_F_LETTER, k == marks[r]);
        rules.push_back((uint16_t)(pat.size() | (2 << 8) | set));
        rules.push_back(1);
        rules.insert(rules.end(), pat.begin(), pat.end());
    }
}

// ---- Learning --------------------------------------------------------------

struct Sample {
    std::vector<unsigned char> codes;
    std::vector<unsigned char> breaks;
};

struct Counts {
    uint32_t no = 0, yes = 0;
};

// The learned rules form a decision list that the engine reads most
// specific first (the most letters, then the longer left side): a rule
// names the letters around a possible break and says break or not. They
// are chosen greedily from the general to the specific, each one only when
// it mends more training breaks than it spoils, given the rules before it,
// so that the list means at run time what it meant when it was learned.
int kMaxLeft = 8, kMaxRight = 8, kMaxSize = 12;
void tuneFromEnv()
{
    if (getenv("HYPHGEN_L")) kMaxLeft = atoi(getenv("HYPHGEN_L"));
    if (getenv("HYPHGEN_R")) kMaxRight = atoi(getenv("HYPHGEN_R"));
    if (getenv("HYPHGEN_S")) kMaxSize = atoi(getenv("HYPHGEN_S"));
    // The engine reads at most 31 pattern words.
    kMaxLeft = std::clamp(kMaxLeft, 1, 30);
    kMaxRight = std::clamp(kMaxRight, 1, 30);
    kMaxSize = std::clamp(kMaxSize, 2, 31);
}

inline int codeIn(const Sample &s, int i) { return (i < 0 || i >= (int)s.codes.size()) ? 0 : s.codes[i]; }

// Contexts are told apart by a 64-bit hash of their shape and letters;
// each remembers one place it occurs so that its letters can be read back.
uint64_t keyAt(const Sample &s, int j, int l, int r)
{
    uint64_t h = 0xCBF29CE484222325ull ^ (uint64_t)(l * 16 + r);
    for (int k = 0; k < l + r; k++)
        h = (h ^ (uint64_t)codeIn(s, j - l + k)) * 0x100000001B3ull;
    h ^= h >> 29;
    return h | 1;
}

struct Rule {
    int left, right;
    std::vector<unsigned char> letters;
    int label; // 1 break, 0 none
};

struct Learned {
    int defaults[4]; // by (left consonant, right consonant): 1 break, 0 none
    std::vector<Rule> rules; // in list order
};

int typeOf(const std::vector<uint16_t> &features, int a, int b)
{
    int ca = (a > 0 && a < (int)features.size()) ? (features[a] & HYPH_F_CONSONANT) : 0;
    int cb = (b > 0 && b < (int)features.size()) ? (features[b] & HYPH_F_CONSONANT) : 0;
    return ca * 2 + cb;
}

// Open addressing from a key to a slot of counts.
struct KeyTable {
    std::vector<uint64_t> keys;
    std::vector<uint32_t> n0, n1, right, sample;
    std::vector<unsigned char> at;
    std::vector<signed char> label; // -1 no rule
    uint64_t mask = 0;
    size_t used = 0;

    void reset(size_t expected)
    {
        size_t size = 1024;
        while (size < expected * 2)
            size *= 2;
        keys.assign(size, 0);
        n0.assign(size, 0);
        n1.assign(size, 0);
        right.assign(size, 0);
        sample.assign(size, 0);
        at.assign(size, 0);
        label.assign(size, -1);
        mask = size - 1;
        used = 0;
    }
    size_t slot(uint64_t key)
    {
        uint64_t h = key * 0x9E3779B97F4A7C15ull;
        for (size_t i = (h >> 20) & mask;; i = (i + 1) & mask) {
            if (keys[i] == key)
                return i;
            if (keys[i] == 0) {
                keys[i] = key;
                used++;
                return i;
            }
        }
    }
    long find(uint64_t key) const
    {
        uint64_t h = key * 0x9E3779B97F4A7C15ull;
        for (size_t i = (h >> 20) & mask;; i = (i + 1) & mask) {
            if (keys[i] == key)
                return (long)i;
            if (keys[i] == 0)
                return -1;
        }
    }
};

int gainNeeded()
{
    const char *g = getenv("HYPHGEN_GAIN");
    return g ? atoi(g) : 1;
}

Learned learn(const std::vector<Sample> &samples, const std::vector<uint16_t> &features)
{
    struct Pos {
        uint32_t sample;
        unsigned char j, truth, pred;
        uint32_t decider; // the rule that decides it, UINT32_MAX: the default
    };
    std::vector<Pos> pos;
    Counts types[4];
    for (uint32_t i = 0; i < samples.size(); i++) {
        const Sample &s = samples[i];
        int n = (int)s.codes.size();
        for (int j = 2; j <= n - 2; j++) {
            pos.push_back({i, (unsigned char)j, s.breaks[j], 0, UINT32_MAX});
            Counts &t = types[typeOf(features, s.codes[j - 1], s.codes[j])];
            (s.breaks[j] ? t.yes : t.no)++;
        }
    }
    Learned out;
    for (int t = 0; t < 4; t++)
        out.defaults[t] = types[t].yes > types[t].no;
    for (Pos &p : pos) {
        const Sample &s = samples[p.sample];
        p.pred = (unsigned char)out.defaults[typeOf(features, s.codes[p.j - 1], s.codes[p.j])];
    }
    const int need = gainNeeded();
    KeyTable table;
    // The reverse of the order the engine reads the list in.
    for (int size = 2; size <= kMaxSize; size++)
        for (int l = 1; l <= kMaxLeft && l < size; l++) {
            int r = size - l;
            if (r > kMaxRight)
                continue;
            table.reset(pos.size() / 2);
            for (const Pos &p : pos) {
                const Sample &s = samples[p.sample];
                int n = (int)s.codes.size();
                if (p.j - l < -1 || p.j + r > n + 1)
                    continue;
                size_t k = table.slot(keyAt(s, p.j, l, r));
                table.sample[k] = p.sample;
                table.at[k] = p.j;
                (p.truth ? table.n1 : table.n0)[k]++;
                table.right[k] += p.pred == p.truth;
            }
            for (size_t k = 0; k <= table.mask; k++) {
                if (!table.keys[k])
                    continue;
                long g1 = (long)table.n1[k] - table.right[k], g0 = (long)table.n0[k] - table.right[k];
                if (g1 >= need && g1 >= g0)
                    table.label[k] = 1;
                else if (g0 >= need)
                    table.label[k] = 0;
                if (table.label[k] < 0)
                    continue;
                Rule rule = {l, r, {}, table.label[k]};
                for (int i = 0; i < size; i++)
                    rule.letters.push_back((unsigned char)codeIn(samples[table.sample[k]], table.at[k] - l + i));
                table.right[k] = (uint32_t)out.rules.size();
                out.rules.push_back(std::move(rule));
            }
            for (Pos &p : pos) {
                const Sample &s = samples[p.sample];
                int n = (int)s.codes.size();
                if (p.j - l < -1 || p.j + r > n + 1)
                    continue;
                long k = table.find(keyAt(s, p.j, l, r));
                if (k >= 0 && table.label[k] >= 0) {
                    p.pred = (unsigned char)table.label[k];
                    p.decider = table.right[k];
                }
            }
        }
    // A rule that more specific ones overrule wherever it matched decides
    // nothing: it only costs the engine time.
    std::vector<uint32_t> decides(out.rules.size(), 0);
    for (const Pos &p : pos)
        if (p.decider != UINT32_MAX)
            decides[p.decider]++;
    std::vector<Rule> kept;
    for (size_t i = 0; i < out.rules.size(); i++)
        if (decides[i])
            kept.push_back(std::move(out.rules[i]));
    out.rules = std::move(kept);
    std::sort(out.rules.begin(), out.rules.end(), [](const Rule &a, const Rule &b) {
        if (a.letters.size() != b.letters.size())
            return a.letters.size() > b.letters.size();
        if (a.left != b.left)
            return a.left > b.left;
        return a.letters < b.letters;
    });
    return out;
}

void learnedRules(const Learned &L, uint16_t set, Words &positive, Words &negative)
{
    // One rule per kind of letter pair, each tried at every letter; the
    // negative rules of class 1 then decide from the letters around.
    for (int t = 0; t < 4; t++) {
        Words pat;
        feature(pat, HYPH_F_LETTER | ((t & 2) ? HYPH_F_CONSONANT : 0), HYPH_F_CONSONANT | HYPH_F_LETTER, false);
        feature(pat, HYPH_F_LETTER | ((t & 1) ? HYPH_F_CONSONANT : 0), HYPH_F_CONSONANT | HYPH_F_LETTER, true);
        positive.push_back((uint16_t)(pat.size() | (2 << 8) | set));
        positive.push_back((uint16_t)(0x0100 | (L.defaults[t] ? 1 : 4)));
        positive.insert(positive.end(), pat.begin(), pat.end());
    }
    for (const Rule &rule : L.rules) {
        negative.push_back((uint16_t)(rule.letters.size() | set));
        negative.push_back((uint16_t)(0x0100 | (rule.label ? 1 : 4)));
        for (size_t k = 0; k < rule.letters.size(); k++)
            negative.push_back(letter(rule.letters[k], (int)k == rule.left));
    }
}

// ---- Affixes ---------------------------------------------------------------

// A suffix or prefix learned from the training words: its letters and the
// reference's breaks at its seam with the root and inside it.
struct AffixEntry {
    std::vector<unsigned char> letters;
    // Suffix: a break before letter k (0: the seam); prefix: after letter k
    // (the last: the seam).
    std::vector<unsigned char> breaks;
    long gain = 0;
    uint32_t uses = 0, losses = 0;
};

const size_t kAffixMost = 6;      // letters
const uint32_t kAffixWords = 40;  // training words that must end (or begin) with it
const size_t kAffixEntries = 3000;

// Endings (or beginnings) that leave a root of three letters or more with
// a vowel, and that the reference breaks the same way in nearly all the
// training words they occur in.
std::vector<AffixEntry> affixCandidates(const std::vector<Sample> &train, const std::vector<uint16_t> &features,
                                        bool suffix)
{
    auto vowel = [&](int c) { return c > 0 && c < (int)features.size() && !(features[c] & HYPH_F_CONSONANT); };
    std::map<std::string, std::map<std::string, uint32_t>> seen;
    for (const Sample &s : train) {
        int n = (int)s.codes.size();
        for (int L = 2; L <= (int)kAffixMost && n - L >= 3; L++) {
            int rootLo = suffix ? 0 : L, rootHi = suffix ? n - L : n;
            bool hasVowel = false;
            for (int i = rootLo; i < rootHi && !hasVowel; i++)
                hasVowel = vowel(s.codes[i]);
            if (!hasVowel)
                continue;
            std::string letters, breaks;
            for (int k = 0; k < L; k++) {
                letters.push_back((char)s.codes[suffix ? n - L + k : k]);
                breaks.push_back((char)(suffix ? s.breaks[n - L + k] : s.breaks[k + 1]));
            }
            seen[letters][breaks]++;
        }
    }
    std::vector<AffixEntry> out;
    for (const auto &[letters, patterns] : seen) {
        uint32_t total = 0, best = 0;
        const std::string *bestBreaks = nullptr;
        for (const auto &[breaks, count] : patterns) {
            total += count;
            if (count > best)
                best = count, bestBreaks = &breaks;
        }
        if (total < kAffixWords || best < total * 0.98)
            continue;
        AffixEntry e;
        e.letters.assign(letters.begin(), letters.end());
        e.breaks.assign(bestBreaks->begin(), bestBreaks->end());
        e.uses = total;
        out.push_back(std::move(e));
    }
    // The most used first, as many as the index's offsets can hold.
    std::sort(out.begin(), out.end(), [](const AffixEntry &a, const AffixEntry &b) { return a.uses > b.uses; });
    if (out.size() > kAffixEntries)
        out.resize(kAffixEntries);
    return out;
}

// Suffix entry: main class, fixes the root's end, no compatibility class
// (so one suffix is stripped), the pattern in reading order.
Bytes suffixEntryBytes(const AffixEntry &e)
{
    Bytes pat;
    for (size_t k = 0; k < e.letters.size(); k++) {
        if (e.breaks[k])
            pat.push_back(0x40 | 1);
        pat.push_back(e.letters[k]);
    }
    Bytes b = {(unsigned char)(e.letters.size() | 0x10 | 0x80), 31, 0, (unsigned char)pat.size()};
    b.insert(b.end(), pat.begin(), pat.end());
    return b;
}

// Prefix entry of class 1: the letters after the first, each mark after
// the letters passed.
Bytes prefixEntryBytes(const AffixEntry &e)
{
    Bytes b = {0};
    for (size_t k = 1; k < e.letters.size(); k++) {
        if (e.breaks[k - 1])
            b.push_back(0x40 | 1);
        b.push_back(e.letters[k]);
    }
    if (e.breaks.back())
        b.push_back(0x40 | 1);
    b[0] = (unsigned char)(b.size() | 0x10);
    return b;
}

// The index of affix entries, bucketed by their first letter (prefixes)
// or last letter (suffixes), each bucket sorted.
Bytes affixIndex(int hi, const std::vector<AffixEntry> &entries, bool suffix)
{
    std::vector<std::vector<Bytes>> buckets(hi + 1);
    for (const AffixEntry &e : entries) {
        int c = suffix ? e.letters.back() : e.letters.front();
        if (c >= 1 && c <= hi)
            buckets[c].push_back(suffix ? suffixEntryBytes(e) : prefixEntryBytes(e));
    }
    int words = 5 + hi;
    Words header(words, 0);
    header[0] = (uint16_t)hi;
    header[2] = (uint16_t)(2 * words);
    Bytes area;
    for (int c = 1; c <= hi; c++) {
        header[3 + c] = (uint16_t)area.size();
        std::sort(buckets[c].begin(), buckets[c].end());
        for (const Bytes &b : buckets[c])
            area.insert(area.end(), b.begin(), b.end());
    }
    header[4 + hi] = (uint16_t)area.size();
    header[3] = (uint16_t)(2 * words + area.size());
    Bytes out = fromWords(header);
    out.insert(out.end(), area.begin(), area.end());
    return out;
}

struct LangData {
    int language;
    std::vector<Sample> train;
    std::vector<Sample> dev;
    std::vector<std::vector<uint32_t>> trainChars;
    Learned learned;
    Bytes exceptions;
    std::vector<AffixEntry> suffixes, prefixes;
};

// With --dev a tenth of the training words is kept apart as well, for
// tuning the learning against words it never saw (the held-out words stay
// untouched either way).
bool devMode = false;

bool devWord(const std::string &utf8)
{
    uint32_t h = 2166136261u;
    for (unsigned char c : utf8)
        h = (h ^ c) * 16777619u;
    return h % 10 == 7;
}

bool loadSamples(LangData &d, const hyphref::Source &src)
{
    hyphref::Reference ref;
    if (!ref.open(src.patterns)) {
        fprintf(stderr, "hyphgen: cannot load %s\n", src.patterns.c_str());
        return false;
    }
    std::vector<std::string> words = hyphref::readVocabulary(src);
    if (words.empty()) {
        fprintf(stderr, "hyphgen: language %d: no words in its vocabularies\n", d.language);
        return false;
    }
    // At most about HYPHGEN_CAP training words, spread over the vocabulary.
    size_t cap = getenv("HYPHGEN_CAP") ? (size_t)atol(getenv("HYPHGEN_CAP")) : 150000;
    size_t step = cap ? words.size() / cap + 1 : 1;
    for (size_t i = 0; i < words.size(); i += step) {
        const std::string &w = words[i];
        if (hyphref::heldOut(w))
            continue;
        std::vector<uint32_t> chars = hyphref::decodeUtf8(w);
        if (chars.size() < 4 || chars.size() > 60)
            continue;
        Sample s;
        s.codes = hyphref::codesOf(d.language, chars);
        if (s.codes.empty() || !ref.breaks(chars, s.breaks))
            continue;
        if (devMode && devWord(w)) {
            if (chars.size() >= 6)
                d.dev.push_back(std::move(s));
            continue;
        }
        d.train.push_back(std::move(s));
    }
    return !d.train.empty();
}

struct Score {
    long tp = 0, fp = 0, fn = 0, words = 0;
    void add(const std::vector<unsigned char> &got, const std::vector<unsigned char> &truth)
    {
        words++;
        for (size_t j = 1; j < got.size(); j++) {
            if (got[j] && truth[j])
                tp++;
            else if (got[j])
                fp++;
            else if (truth[j])
                fn++;
        }
    }
    double precision() const { return tp + fp ? (double)tp / (tp + fp) : 0; }
    double recall() const { return tp + fn ? (double)tp / (tp + fn) : 0; }
};

// The engine's breaks of weight below 3 for the class codes of a word.
std::vector<unsigned char> engineBreaks(const std::vector<unsigned char> &codes)
{
    std::vector<unsigned char> got(codes.size(), 0);
    if (hyphenate(codes.data(), codes.data() + codes.size() - 1) != 0)
        return got;
    for (int i = 0; i < hyph_index; i++)
        if (hyphens[2 * i + 1] < 3 && hyphens[2 * i] + 1 < (int)got.size())
            got[hyphens[2 * i] + 1] = 1;
    return got;
}

// Agreement with the reference on the words kept apart with --dev.
void reportDev(const LangData &d)
{
    Score score;
    for (const Sample &s : d.dev)
        score.add(engineBreaks(s.codes), s.breaks);
    fprintf(stderr, "hyphgen: language %d: dev words %zu precision %.4f recall %.4f\n", d.language, d.dev.size(),
            score.precision(), score.recall());
}

// --measure: the tables in the output folder against the reference on the
// held-out words of the language's vocabularies, which no table saw; words
// with a letter beyond ASCII are also counted apart.
int measure(const hyphref::Source &src)
{
    hyphref::Reference ref;
    if (!ref.open(src.patterns)) {
        fprintf(stderr, "hyphgen: cannot load %s\n", src.patterns.c_str());
        return 1;
    }
    if (InitHyph((uint16_t)src.language) != 0) {
        fprintf(stderr, "hyphgen: %s\n", HyphLastError());
        return 1;
    }
    std::vector<std::string> words = hyphref::readVocabulary(src);
    size_t held = 0;
    for (const std::string &w : words)
        held += hyphref::heldOut(w);
    size_t cap = getenv("HYPHGEN_MEASURE_CAP") ? (size_t)atol(getenv("HYPHGEN_MEASURE_CAP")) : 200000;
    size_t step = cap ? held / cap + 1 : 1, k = 0;
    Score all, accented;
    for (const std::string &w : words) {
        if (!hyphref::heldOut(w) || k++ % step)
            continue;
        std::vector<uint32_t> chars = hyphref::decodeUtf8(w);
        if (chars.size() < 4 || chars.size() > 60)
            continue;
        std::vector<unsigned char> codes = hyphref::codesOf(src.language, chars), truth;
        if (codes.empty() || !ref.breaks(chars, truth))
            continue;
        std::vector<unsigned char> got = engineBreaks(codes);
        all.add(got, truth);
        if (std::any_of(chars.begin(), chars.end(), [](uint32_t ch) { return ch >= 0x80; }))
            accented.add(got, truth);
    }
    printf("language %2d: %7ld held-out words precision %.4f recall %.4f; %6ld with accents precision %.4f recall %.4f\n",
           src.language, all.words, all.precision(), all.recall(), accented.words, accented.precision(),
           accented.recall());
    return 0;
}

// Runs the engine on the training words and keeps the ones it gets wrong,
// shortest first, as exceptions.
Bytes exceptionsFor(const LangData &d)
{
    std::vector<const Sample *> wrong;
    for (const Sample &s : d.train) {
        if (hyphenate(s.codes.data(), s.codes.data() + s.codes.size() - 1) != 0)
            break;
        std::vector<unsigned char> got(s.codes.size(), 0);
        for (int i = 0; i < hyph_index; i++)
            if (hyphens[2 * i + 1] < 3 && hyphens[2 * i] + 1 < (int)got.size())
                got[hyphens[2 * i] + 1] = 1;
        bool same = true;
        for (size_t j = 2; j + 1 < s.codes.size() && same; j++)
            same = got[j] == s.breaks[j];
        if (!same)
            wrong.push_back(&s);
    }
    std::sort(wrong.begin(), wrong.end(), [](const Sample *a, const Sample *b) {
        if (a->codes.size() != b->codes.size())
            return a->codes.size() < b->codes.size();
        return a->codes < b->codes;
    });
    std::vector<const Sample *> kept;
    size_t bytes = 0;
    for (const Sample *s : wrong) {
        if (bytes + s->codes.size() > 60000)
            break;
        bytes += s->codes.size();
        kept.push_back(s);
    }
    std::sort(kept.begin(), kept.end(), [](const Sample *a, const Sample *b) { return a->codes < b->codes; });
    Bytes out;
    for (const Sample *s : kept)
        for (size_t j = 0; j < s->codes.size(); j++)
            out.push_back((unsigned char)(s->codes[j] | (j == 0 ? 0x80 : 0) | (s->breaks[j] ? 0x40 : 0)));
    fprintf(stderr, "hyphgen: language %d: %zu of %zu training words wrong, %zu kept as exceptions\n", d.language,
            wrong.size(), d.train.size(), kept.size());
    return out;
}

std::vector<uint16_t> featureWords(int language)
{
    Bytes b = featureTable(language);
    std::vector<uint16_t> w;
    for (size_t i = 0; i + 1 < b.size(); i += 2)
        w.push_back((uint16_t)(b[i] | (b[i + 1] << 8)));
    return w;
}

struct GroupSpec {
    const char *name;
    std::vector<int> records;  // record languages with tables of their own
    bool sharedRules;          // one positive and negative list for the group
};

// Which index slots a record has.
void indexSlots(int language, const LangData *d, std::vector<Section> &out, int hi)
{
    bool prefix = true, suffix = false, root = false;
    switch (language) {
    case 0: suffix = root = true; break;
    case 5: case 6: case 7: case 9: case 10: case 11: suffix = root = true; break;
    case 29: case 22: case 14: suffix = true; break;
    case 19: root = true; break;
    case 4: suffix = true; break;
    case 15: case 12: case 17: case 3: case 13: prefix = false; break;
    default: break;
    }
    Bytes prefixes = d ? affixIndex(hi, d->prefixes, false) : emptyIndex(hi, 0);
    if (prefix)
        out.push_back({HYPH_SLOT_PRINDEX, language, prefixes});
    // French 2 reads the same prefixes.
    if (language == 4)
        out.push_back({HYPH_SLOT_PRINDEX2, language, prefixes});
    if (suffix)
        out.push_back({HYPH_SLOT_SUINDEX, language, d ? affixIndex(hi, d->suffixes, true) : emptyIndex(hi, 0)});
    if (root)
        out.push_back({HYPH_SLOT_ROINDEX, language, emptyIndex(hi, 1)});
    if (language == 0)
        out.push_back({HYPH_SLOT_MUINDEX, language, emptyIndex(hi, 0)});
}

// Onsets and rhymes: any stretch passes the onset test; English keeps no
// rhymes, so that its hooks leave the learned points alone.
void onsetRhymeSlots(int language, std::vector<Section> &out, uint16_t sets)
{
    Words any = {(uint16_t)(sets & 0xF800), 0};
    out.push_back({HYPH_SLOT_PONSETS, HYPH_SHARED, fromWords(any)});
    if (language != 0)
        out.push_back({HYPH_SLOT_PRHYMES, HYPH_SHARED, fromWords(any)});
}

const std::vector<GroupSpec> &groupSpecs()
{
    static const std::vector<GroupSpec> g = {
        {"english", {0}, false},       {"romance", {1, 2, 3, 4}, false}, {"germanic", {5, 6}, true},
        {"nordic", {7, 9, 10, 11}, true}, {"turkic", {13, 18}, true},     {"greek", {12}, false},
        {"russian", {14}, false},      {"croatian", {15}, false},       {"hebrew", {17}, false},
        {"hungarian", {19}, false},    {"polish", {20}, false},         {"czech", {22}, false},
        {"ukrainian", {23}, false},    {"slovenian", {25}, false},      {"belarusian", {26}, false},
        {"catalan", {27}, false},      {"slovak", {28}, false},         {"bulgarian", {29}, false},
        {"romanian", {31}, false},
    };
    return g;
}

// The trie the engine would build at load time, stored so that loading
// costs only reading it.
Bytes negIndex(const Words &rules, uint16_t sets)
{
    uint32_t size = 0;
    unsigned char *w = hyph_neg_trie_build(rules.data(), (uint32_t)rules.size(), sets, &size);
    if (!w) {
        fprintf(stderr, "hyphgen: out of memory\n");
        exit(1);
    }
    Bytes b(w, w + size);
    free(w);
    return b;
}

std::vector<Section> groupSections(const GroupSpec &g, std::vector<LangData> &data)
{
    std::vector<Section> out;
    int first = g.records[0];
    int hi = alphabetSize(first);
    out.push_back({HYPH_SLOT_FEATURES, HYPH_SHARED, featureTable(first)});
    Words sharedPos, sharedNeg;
    for (int rec : g.records) {
        uint16_t set = hyph_rule_set(rec);
        LangData *d = nullptr;
        for (LangData &x : data)
            if (x.language == rec)
                d = &x;
        Words pos, neg;
        if (d && !d->train.empty())
            learnedRules(d->learned, set, pos, neg);
        else
            syllableRules(pos, set);
        // Icelandic shares the feature table only.
        bool shared = g.sharedRules && rec != 11;
        if (shared) {
            sharedPos.insert(sharedPos.end(), pos.begin(), pos.end());
            sharedNeg.insert(sharedNeg.end(), neg.begin(), neg.end());
        } else {
            pos.push_back(0);
            neg.push_back(0);
            out.push_back({HYPH_SLOT_PROOT, rec, fromWords(pos)});
            out.push_back({HYPH_SLOT_NROOT, rec, fromWords(neg)});
            out.push_back({HYPH_SLOT_NEGINDEX, rec, negIndex(neg, set)});
        }
        out.push_back({HYPH_SLOT_EXINDEX, rec, exceptionIndex(hi, d ? d->exceptions : Bytes())});
        indexSlots(rec, d, out, hi);
    }
    onsetRhymeSlots(first, out, 0x7800);
    if (g.sharedRules) {
        sharedPos.push_back(0);
        sharedNeg.push_back(0);
        out.push_back({HYPH_SLOT_PROOT, HYPH_SHARED, fromWords(sharedPos)});
        out.push_back({HYPH_SLOT_NROOT, HYPH_SHARED, fromWords(sharedNeg)});
        // One index per language that reads the shared list: each walks
        // only its own rules.
        for (int rec : g.records)
            if (rec != 11)
                out.push_back({HYPH_SLOT_NEGINDEX, rec, negIndex(sharedNeg, hyph_rule_set(rec))});
    }
    return out;
}

// Which slots of the language's record read affix entries.
bool hasSuffixIndex(int language)
{
    switch (language) {
    case 0: case 4: case 5: case 6: case 7: case 9: case 10: case 11: case 14: case 22: case 29: return true;
    default: return false;
    }
}
bool hasPrefixIndex(int language)
{
    return language != 15 && language != 12 && language != 17 && language != 3 && language != 13;
}

int wrongBreaks(const std::vector<unsigned char> &got, const std::vector<unsigned char> &truth)
{
    int wrong = 0;
    for (size_t j = 1; j < got.size(); j++)
        wrong += got[j] != truth[j];
    return wrong;
}

// Keeps the affix entries that, with the language hooks acting on them, do
// not make the engine worse on the training words than the rules alone:
// each word's gain or loss is counted against the suffix and the prefix
// the engine stripped from it, and an entry that spoils any word is
// dropped, until none does. HYPHGEN_AFFIXES=0 leaves them out.
bool selectAffixes(const GroupSpec &g, std::vector<LangData> &data, LangData &d, const std::string &path)
{
    const char *env = getenv("HYPHGEN_AFFIXES");
    if (env && atoi(env) == 0)
        return true;
    // The learned rules already get nearly every training word right, so
    // the training words cannot show what an entry does to unseen words.
    // Elsewhere the kept entries cost held-out words a break or two in ten
    // thousand (HYPHGEN_AFFIXES=1 builds them for every language).
    bool helps = d.language == 0 || d.language == 7 || d.language == 9;
    if (!helps && !(env && atoi(env) == 1))
        return true;
    std::vector<uint16_t> features = featureWords(d.language);
    if (hasSuffixIndex(d.language))
        d.suffixes = affixCandidates(d.train, features, true);
    if (hasPrefixIndex(d.language))
        d.prefixes = affixCandidates(d.train, features, false);
    size_t candidates[2] = {d.suffixes.size(), d.prefixes.size()};
    // The rules alone.
    std::vector<int> base;
    for (const Sample &s : d.train)
        base.push_back(wrongBreaks(engineBreaks(s.codes), s.breaks));
    for (int round = 0; round < 6 && !(d.suffixes.empty() && d.prefixes.empty()); round++) {
        hyph_forget();
        if (!writeFile(path, groupSections(g, data)) || InitHyph((uint16_t)d.language) != 0) {
            fprintf(stderr, "hyphgen: cannot try the affixes of language %d\n", d.language);
            return false;
        }
        std::map<std::vector<unsigned char>, AffixEntry *> bySuffix, byPrefix;
        for (AffixEntry &e : d.suffixes)
            e.gain = 0, e.uses = e.losses = 0, bySuffix[e.letters] = &e;
        for (AffixEntry &e : d.prefixes)
            e.gain = 0, e.uses = e.losses = 0, byPrefix[e.letters] = &e;
        for (size_t i = 0; i < d.train.size(); i++) {
            const Sample &s = d.train[i];
            int gain = base[i] - wrongBreaks(engineBreaks(s.codes), s.breaks);
            int sl, pl;
            hyph_last_affixes(&sl, &pl);
            if (sl > 0) {
                auto it = bySuffix.find(std::vector<unsigned char>(s.codes.end() - sl, s.codes.end()));
                if (it != bySuffix.end())
                    it->second->gain += gain, it->second->uses++, it->second->losses += gain < 0;
            }
            if (pl > 0) {
                auto it = byPrefix.find(std::vector<unsigned char>(s.codes.begin(), s.codes.begin() + pl));
                if (it != byPrefix.end())
                    it->second->gain += gain, it->second->uses++, it->second->losses += gain < 0;
            }
        }
        size_t before = d.suffixes.size() + d.prefixes.size();
        for (std::vector<AffixEntry> *list : {&d.suffixes, &d.prefixes})
            list->erase(std::remove_if(list->begin(), list->end(),
                                       [](const AffixEntry &e) { return e.losses > 0 || e.uses == 0; }),
                        list->end());
        if (d.suffixes.size() + d.prefixes.size() == before)
            break;
    }
    long gain = 0;
    for (std::vector<AffixEntry> *list : {&d.suffixes, &d.prefixes})
        for (const AffixEntry &e : *list)
            gain += e.gain;
    fprintf(stderr, "hyphgen: language %d: %zu of %zu suffixes and %zu of %zu prefixes kept, %ld training breaks mended\n",
            d.language, d.suffixes.size(), candidates[0], d.prefixes.size(), candidates[1], gain);
    return true;
}

// --show: for each line "language word" on standard input, libhyphen's own
// answer (its digits, one per character), the reference's reading of it
// and the engine's breaks with the tables in the output folder.
std::string marked(const std::vector<uint32_t> &chars, const std::vector<unsigned char> &breaks)
{
    std::string out;
    for (size_t j = 0; j < chars.size(); j++) {
        if (j > 0 && j < breaks.size() && breaks[j])
            out.push_back('-');
        hyphref::appendUtf8(out, chars[j]);
    }
    return out;
}

int show(const std::vector<hyphref::Source> &sources)
{
    char language[16], word[512];
    while (scanf("%15s %511s", language, word) == 2) {
        int l = atoi(language);
        const hyphref::Source *src = nullptr;
        for (const hyphref::Source &s : sources)
            if (s.language == l)
                src = &s;
        hyphref::Reference ref;
        if (!src || !ref.open(src->patterns))
            continue;
        std::string w;
        for (uint32_t ch : hyphref::decodeUtf8(word))
            hyphref::appendUtf8(w, hyph_lower(ch));
        std::vector<uint32_t> chars = hyphref::decodeUtf8(w);
        std::string bytes;
        for (uint32_t ch : chars) {
            if (ref.utf8)
                hyphref::appendUtf8(bytes, ch);
            else
                bytes.push_back((char)ch);
        }
        std::vector<char> hy(bytes.size() + 5, 0);
        char **rep = nullptr;
        int *pos = nullptr, *cut = nullptr;
        hnj_hyphen_hyphenate3(ref.dict, bytes.c_str(), (int)bytes.size(), hy.data(), nullptr, &rep, &pos, &cut, 2, 2,
                              2, 2);
        std::string digits;
        for (size_t i = 0; i < bytes.size() && hy[i]; i++)
            digits.push_back(hy[i]);
        std::vector<unsigned char> truth, codes = hyphref::codesOf(l, chars);
        ref.breaks(chars, truth);
        std::string engine = "(not in the alphabet)";
        if (!codes.empty() && InitHyph((uint16_t)l) == 0)
            engine = marked(chars, engineBreaks(codes));
        printf("%2d %-24s libhyphen %-24s reference %-26s engine %s\n", l, w.c_str(), digits.c_str(),
               marked(chars, truth).c_str(), engine.c_str());
    }
    return 0;
}

// --sample N: N held-out words of the language hyphenated by the
// reference, one a line ("hy-phen"), a third of them with a letter beyond
// ASCII where the vocabulary has such; for the tests' fixtures.
int sample(const hyphref::Source &src, size_t count)
{
    hyphref::Reference ref;
    if (!ref.open(src.patterns))
        return 1;
    std::vector<std::string> plain, accented;
    for (const std::string &w : hyphref::readVocabulary(src)) {
        if (!hyphref::heldOut(w))
            continue;
        std::vector<uint32_t> chars = hyphref::decodeUtf8(w);
        std::vector<unsigned char> truth;
        if (chars.size() < 6 || chars.size() > 30 || hyphref::codesOf(src.language, chars).empty() ||
            hyphref::docBytes(src.language, chars).empty() || !ref.breaks(chars, truth))
            continue;
        bool wide = std::any_of(chars.begin(), chars.end(), [](uint32_t ch) { return ch >= 0x80; });
        (wide ? accented : plain).push_back(marked(chars, truth));
    }
    // Spread evenly over each list.
    std::vector<std::string> out;
    size_t wantAccented = std::min(accented.size(), count / 3);
    for (size_t i = 0; i < wantAccented; i++)
        out.push_back(accented[i * accented.size() / wantAccented]);
    size_t wantPlain = std::min(plain.size(), count - wantAccented);
    for (size_t i = 0; i < wantPlain; i++)
        out.push_back(plain[i * plain.size() / wantPlain]);
    std::sort(out.begin(), out.end());
    for (const std::string &w : out)
        printf("%s\n", w.c_str());
    return 0;
}

// The sources given on the command line: --patterns L PATH, --words L
// PATH, --hunspell L PATH STRIDE (PATH without ".dic"/".aff").
bool parseSources(int argc, char **argv, int from, std::vector<hyphref::Source> &out)
{
    auto sourceFor = [&](int language) -> hyphref::Source & {
        for (hyphref::Source &s : out)
            if (s.language == language)
                return s;
        out.push_back(hyphref::Source());
        out.back().language = language;
        return out.back();
    };
    for (int i = from; i < argc; i++) {
        std::string opt = argv[i];
        int need = opt == "--hunspell" ? 3 : (opt == "--patterns" || opt == "--words") ? 2 : -1;
        if (need < 0 || i + need >= argc) {
            fprintf(stderr, "hyphgen: unexpected argument %s\n", argv[i]);
            return false;
        }
        hyphref::Source &src = sourceFor(atoi(argv[i + 1]));
        if (opt == "--patterns")
            src.patterns = argv[i + 2];
        else if (opt == "--words")
            src.vocabularies.push_back({argv[i + 2], "", 1});
        else
            src.vocabularies.push_back({std::string(argv[i + 2]) + ".dic", std::string(argv[i + 2]) + ".aff",
                                        std::max(1, atoi(argv[i + 3]))});
        i += need;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: hyphgen <output folder> <group> [--dev | --measure] [--patterns L FILE] "
                        "[--words L FILE] [--hunspell L PATH STRIDE]...\n");
        return 2;
    }
    tuneFromEnv();
    int first = 3;
    bool measuring = false;
    if (argc > 3 && std::string(argv[3]) == "--dev")
        devMode = true, first = 4;
    else if (argc > 3 && std::string(argv[3]) == "--measure")
        measuring = true, first = 4;
    bool showing = argc > 3 && std::string(argv[3]) == "--show";
    if (showing)
        first = 4;
    size_t sampling = 0;
    if (argc > 4 && std::string(argv[3]) == "--sample")
        sampling = (size_t)atol(argv[4]), first = 5;
    std::vector<hyphref::Source> sources;
    if (!parseSources(argc, argv, first, sources))
        return 2;
    std::string dir = argv[1], name = argv[2];
    const GroupSpec *g = nullptr;
    for (const GroupSpec &x : groupSpecs())
        if (name == x.name)
            g = &x;
    if (!g) {
        fprintf(stderr, "hyphgen: unknown group %s\n", name.c_str());
        return 2;
    }
    auto sourceOf = [&](int language) -> const hyphref::Source * {
        for (const hyphref::Source &s : sources)
            if (s.language == language && !s.patterns.empty() && !s.vocabularies.empty())
                return &s;
        return nullptr;
    };
    if (showing) {
        HyphSetResourceDir(dir.c_str());
        return show(sources);
    }
    if (sampling) {
        int status = 0;
        for (int rec : g->records)
            if (const hyphref::Source *src = sourceOf(rec))
                status |= sample(*src, sampling);
        return status;
    }
    if (measuring) {
        HyphSetResourceDir(dir.c_str());
        int status = 0;
        for (int rec : g->records)
            if (const hyphref::Source *src = sourceOf(rec))
                status |= measure(*src);
        return status;
    }
    std::vector<LangData> data;
    for (int rec : g->records) {
        const hyphref::Source *src = sourceOf(rec);
        if (!src) {
            // Without patterns and words the syllable rules stand in.
            for (const hyphref::Source &s : sources)
                if (s.language == rec)
                    fprintf(stderr, "hyphgen: language %d: no patterns or words, syllable rules only\n", rec);
            continue;
        }
        LangData d;
        d.language = rec;
        if (!loadSamples(d, *src))
            return 1;
        d.learned = learn(d.train, featureWords(rec));
        fprintf(stderr, "hyphgen: language %d: %zu training words, %zu rules\n", rec, d.train.size(),
                d.learned.rules.size());
        data.push_back(std::move(d));
    }
    std::string path = dir + "/" + name + ".hyp";
    if (!writeFile(path, groupSections(*g, data))) {
        fprintf(stderr, "hyphgen: cannot write %s\n", path.c_str());
        return 1;
    }
    if (data.empty())
        return 0;
    HyphSetResourceDir(dir.c_str());
    for (LangData &d : data) {
        hyph_forget();
        if (InitHyph((uint16_t)d.language) != 0) {
            fprintf(stderr, "hyphgen: %s\n", HyphLastError());
            return 1;
        }
        if (!selectAffixes(*g, data, d, path))
            return 1;
    }
    hyph_forget();
    if (!writeFile(path, groupSections(*g, data))) {
        fprintf(stderr, "hyphgen: cannot write %s\n", path.c_str());
        return 1;
    }
    // Exceptions for what the rules and affixes get wrong.
    for (LangData &d : data) {
        hyph_forget();
        if (InitHyph((uint16_t)d.language) != 0) {
            fprintf(stderr, "hyphgen: %s\n", HyphLastError());
            return 1;
        }
        d.exceptions = exceptionsFor(d);
    }
    if (devMode)
        for (LangData &d : data) {
            // Measured with the exceptions in place, as the engine runs.
            hyph_forget();
            if (!writeFile(path, groupSections(*g, data)) || InitHyph((uint16_t)d.language) != 0)
                return 1;
            reportDev(d);
        }
    hyph_forget();
    if (!writeFile(path, groupSections(*g, data))) {
        fprintf(stderr, "hyphgen: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
