// Builds the hyphenation table files, one per group of languages that share
// tables. Languages with Debian patterns and a Debian word list learn their
// root rules from the words hyphenated by libhyphen; the others get the
// syllable rules of open and closed syllables.
//
//   hyphgen <output folder> <group> [--report]

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

bool writeFile(const std::string &path, const std::vector<Section> &sections)
{
    Bytes out(HYPH_FILE_MAGIC, HYPH_FILE_MAGIC + 4);
    put16(out, HYPH_FILE_VERSION);
    put16(out, (uint16_t)sections.size());
    uint32_t off = 8 + 12 * (uint32_t)sections.size();
    for (const Section &s : sections) {
        put16(out, (uint16_t)s.slot);
        put16(out, (uint16_t)s.language);
        for (uint32_t v : {off, (uint32_t)s.data.size()})
            for (int k = 0; k < 4; k++)
                out.push_back((v >> (8 * k)) & 0xFF);
        off += (uint32_t)s.data.size();
    }
    for (const Section &s : sections)
        out.insert(out.end(), s.data.begin(), s.data.end());
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

const double kBreakShare = 0.5;
const int kMaxLeft = 4, kMaxRight = 4, kMaxSize = 7, kMinSupport = 3;

struct Counts {
    uint32_t no = 0, yes = 0;
};

inline int codeIn(const Sample &s, int i) { return (i < 0 || i >= (int)s.codes.size()) ? 0 : s.codes[i]; }

uint64_t keyAt(const Sample &s, int j, int l, int r)
{
    uint64_t key = hyph_neg_key_start(l, r);
    for (int k = 0; k < l + r; k++)
        key = hyph_neg_key_add(key, k, codeIn(s, j - l + k));
    return key;
}

int keyCode(uint64_t key, int k) { return (int)((key >> (8 + 6 * k)) & 63); }

uint64_t subKey(uint64_t key, int l, int r, int l2, int r2)
{
    uint64_t out = hyph_neg_key_start(l2, r2);
    for (int k = 0; k < l2 + r2; k++)
        out = hyph_neg_key_add(out, k, keyCode(key, l - l2 + k));
    (void)r;
    return out;
}

struct Learned {
    int defaults[4]; // by (left consonant, right consonant): 1 break, 0 none
    std::vector<std::pair<uint64_t, int>> rules; // in list order; label 1 break / 0 none, plus weight
    std::vector<int> weights;
};

int typeOf(const std::vector<uint16_t> &features, int a, int b)
{
    int ca = (a > 0 && a < (int)features.size()) ? (features[a] & HYPH_F_CONSONANT) : 0;
    int cb = (b > 0 && b < (int)features.size()) ? (features[b] & HYPH_F_CONSONANT) : 0;
    return ca * 2 + cb;
}

Learned learn(const std::vector<Sample> &samples, const std::vector<uint16_t> &features)
{
    std::unordered_map<uint64_t, Counts> counts;
    counts.reserve(samples.size() * 40);
    Counts types[4];
    for (const Sample &s : samples) {
        int n = (int)s.codes.size();
        for (int j = 2; j <= n - 2; j++) {
            bool y = s.breaks[j];
            Counts &t = types[typeOf(features, s.codes[j - 1], s.codes[j])];
            (y ? t.yes : t.no)++;
            for (int l = 1; l <= kMaxLeft; l++)
                for (int r = 1; r <= kMaxRight && l + r <= kMaxSize; r++) {
                    if (j - l < -1 || j + r > n + 1)
                        continue;
                    Counts &c = counts[keyAt(s, j, l, r)];
                    (y ? c.yes : c.no)++;
                }
        }
    }
    Learned out;
    for (int t = 0; t < 4; t++)
        out.defaults[t] = types[t].yes > kBreakShare * (types[t].yes + types[t].no);
    // Shapes from general to specific.
    std::vector<std::vector<std::pair<uint64_t, Counts>>> byShape(64);
    for (auto &kv : counts) {
        int l = kv.first & 15, r = (kv.first >> 4) & 15;
        if (kv.second.yes + kv.second.no >= (uint32_t)kMinSupport)
            byShape[(l - 1) * 8 + (r - 1)].push_back(kv);
    }
    std::unordered_map<uint64_t, int> emitted;
    for (int size = 2; size <= kMaxSize; size++)
        for (int l = 1; l <= kMaxLeft; l++) {
            int r = size - l;
            if (r < 1 || r > kMaxRight)
                continue;
            auto &list = byShape[(l - 1) * 8 + (r - 1)];
            std::sort(list.begin(), list.end(), [](auto &a, auto &b) { return a.first < b.first; });
            for (auto &kv : list) {
                uint64_t key = kv.first;
                int parent = -1;
                for (int s2 = size - 1; s2 >= 2 && parent < 0; s2--)
                    for (int l2 = std::min(l, s2 - 1); l2 >= 1 && parent < 0; l2--) {
                        int r2 = s2 - l2;
                        if (r2 < 1 || r2 > r)
                            continue;
                        auto it = emitted.find(subKey(key, l, r, l2, r2));
                        if (it != emitted.end())
                            parent = it->second;
                    }
                if (parent < 0)
                    parent = out.defaults[typeOf(features, keyCode(key, l - 1), keyCode(key, l))];
                const Counts &c = kv.second;
                // Only clear majorities make rules.
                double share = (double)c.yes / (c.yes + c.no);
                int label = share > kBreakShare;
                if (label != parent && (label ? share : 1 - share) >= 0.7)
                    emitted[key] = label;
            }
        }
    for (auto &kv : emitted)
        out.rules.push_back(kv);
    std::sort(out.rules.begin(), out.rules.end(), [](auto &a, auto &b) {
        int la = a.first & 15, ra = (a.first >> 4) & 15, lb = b.first & 15, rb = (b.first >> 4) & 15;
        if (la + ra != lb + rb)
            return la + ra > lb + rb;
        if (la != lb)
            return la > lb;
        return a.first < b.first;
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
    for (auto &kv : L.rules) {
        int l = kv.first & 15, r = (kv.first >> 4) & 15;
        negative.push_back((uint16_t)((l + r) | set));
        negative.push_back((uint16_t)(0x0100 | (kv.second ? 1 : 4)));
        for (int k = 0; k < l + r; k++)
            negative.push_back(letter(keyCode(kv.first, k), k == l));
    }
}

struct LangData {
    int language;
    std::vector<Sample> train;
    std::vector<std::vector<uint32_t>> trainChars;
    Learned learned;
    Bytes exceptions;
};

bool loadSamples(LangData &d, const hyphref::Source &src)
{
    hyphref::Reference ref;
    if (!ref.open(src.patterns)) {
        fprintf(stderr, "hyphgen: cannot load /usr/share/hyphen/%s\n", src.patterns);
        return false;
    }
    std::vector<std::string> words = hyphref::readWords(src.words);
    if (words.empty()) {
        fprintf(stderr, "hyphgen: no words in /usr/share/dict/%s\n", src.words);
        return false;
    }
    // At most about 150,000 training words, spread over the list.
    size_t step = words.size() / 150000 + 1;
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
        d.train.push_back(std::move(s));
    }
    return !d.train.empty();
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
void indexSlots(int language, std::vector<Section> &out, int hi)
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
    if (prefix)
        out.push_back({HYPH_SLOT_PRINDEX, language, emptyIndex(hi, 0)});
    if (language == 4)
        out.push_back({HYPH_SLOT_PRINDEX2, language, emptyIndex(hi, 0)});
    if (suffix)
        out.push_back({HYPH_SLOT_SUINDEX, language, emptyIndex(hi, 0)});
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
        }
        out.push_back({HYPH_SLOT_EXINDEX, rec, exceptionIndex(hi, d ? d->exceptions : Bytes())});
        indexSlots(rec, out, hi);
    }
    onsetRhymeSlots(first, out, 0x7800);
    if (g.sharedRules) {
        sharedPos.push_back(0);
        sharedNeg.push_back(0);
        out.push_back({HYPH_SLOT_PROOT, HYPH_SHARED, fromWords(sharedPos)});
        out.push_back({HYPH_SLOT_NROOT, HYPH_SHARED, fromWords(sharedNeg)});
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: hyphgen <output folder> <group>\n");
        return 2;
    }
    std::string dir = argv[1], name = argv[2];
    const GroupSpec *g = nullptr;
    for (const GroupSpec &x : groupSpecs())
        if (name == x.name)
            g = &x;
    if (!g) {
        fprintf(stderr, "hyphgen: unknown group %s\n", name.c_str());
        return 2;
    }
    std::vector<LangData> data;
    for (int rec : g->records) {
        const hyphref::Source *src = hyphref::sourceOf(rec);
        if (!src)
            continue;
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
    // Exceptions for what the rules get wrong.
    HyphSetResourceDir(dir.c_str());
    for (LangData &d : data) {
        hyph_forget();
        if (InitHyph((uint16_t)d.language) != 0) {
            fprintf(stderr, "hyphgen: %s\n", HyphLastError());
            return 1;
        }
        d.exceptions = exceptionsFor(d);
    }
    hyph_forget();
    if (!writeFile(path, groupSections(*g, data))) {
        fprintf(stderr, "hyphgen: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
