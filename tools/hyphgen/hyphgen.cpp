// Builds the hyphenation table files, one per group of languages that share
// tables. A language given a pattern file gets its patterns compiled into
// root rules (below); its word lists then give exceptions for the listed
// words that the rules still break differently from libhyphen. Languages
// without patterns get the syllable rules of open and closed syllables.
//
//   hyphgen <output folder> <group> [--measure | --show | --sample N] [sources]
//   sources: --patterns L FILE, --words L FILE, --hunspell L PATH STRIDE,
//            --text L PATH
//
// --measure reads the tables already in the output folder and prints their
// precision and recall against libhyphen on the words of running text
// (--text) that are in none of the language's word lists and hunspell
// dictionaries, so in nothing the tables were made from.

#include "spelling/hyph.h"
#include "spelling/hyph_internal.h"
#include "spelling/hyphtables.h"
#include "tools/hyphgen/hyphref.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
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

// ---- Patterns ---------------------------------------------------------------

// A pattern file (libhyphen's format: the encoding on the first line, then
// keywords and Liang's patterns) compiled into root rules, so that the
// engine breaks as libhyphen does. libhyphen walks the word through a trie
// of the patterns and at each letter applies the digits of the longest run
// of letters the trie holds, keeping the highest digit at each gap; an odd
// one allows the break. The negative rules' trie is built to read them the
// same way (HYPH_NEG_LONGEST). The engine takes, at each gap, the first
// rule in list order among those applied there, so one rule per digit of
// every pattern, sorted by digit from the highest down, gives the highest
// digit: odd allows the break (weight 1), even forbids it (weight 4); a gap
// no pattern speaks of keeps the positive rule's weight 4. Patterns that
// give no rule still take their place in the trie.
//
// German's file has two levels: a list of some 69,000 compounds that marks
// their joints, then the syllable patterns applied to each part. Only the
// second level is compiled (the list alone would take several megabytes);
// the exceptions take in the listed words that come out differently.
struct Compiled {
    Words positive, negative;
    int patterns = 0, skipped = 0, rules = 0;
};

bool compilePatterns(const std::string &path, int language, uint16_t set, Compiled &out)
{
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line))
        return false;
    bool utf8 = line.compare(0, 5, "UTF-8") == 0;
    bool latin2 = line.find("8859-2") != std::string::npos;
    int rightMin = 2;
    // Letters (0 for the word's edge) and their digits, the later of two
    // patterns with the same letters replacing the earlier as in libhyphen;
    // and the letters that only make places in the trie.
    std::map<std::vector<unsigned char>, std::vector<int>> patterns;
    std::vector<std::vector<unsigned char>> order;
    std::set<std::vector<unsigned char>> places;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#' || line[first] == '%')
            continue;
        line = line.substr(first);
        if (line == "NEXTLEVEL") {
            // What came before is the first level: compounds, apostrophes.
            patterns.clear();
            order.clear();
            places.clear();
            out.patterns = out.skipped = 0;
            continue;
        }
        if (isupper((unsigned char)line[0])) {
            if (line.compare(0, 15, "RIGHTHYPHENMIN ") == 0)
                rightMin = atoi(line.c_str() + 15);
            continue;
        }
        out.patterns++;
        std::vector<uint32_t> chars;
        if (utf8)
            chars = hyphref::decodeUtf8(line);
        else
            for (unsigned char c : line)
                chars.push_back(latin2 && c >= 0xA0 ? hyphref::latin2High()[c - 0xA0] : c);
        // Non-standard breaks ("ab/b=,1,1") change letters: never built,
        // but their letters are in libhyphen's trie.
        bool standard = line.find('/') == std::string::npos;
        std::vector<unsigned char> letters;
        std::vector<int> digits(1, 0);
        bool ok = !chars.empty();
        for (size_t k = 0; k < chars.size() && ok; k++) {
            uint32_t ch = chars[k];
            if (ch == '/')
                break;
            if (ch >= '0' && ch <= '9') {
                digits.back() = (int)(ch - '0');
                continue;
            }
            if (ch == '.') {
                letters.push_back(0);
            } else {
                std::vector<unsigned char> code = hyphref::codesOf(language, {ch});
                ok = !code.empty();
                if (ok)
                    letters.push_back(code[0]);
            }
            digits.push_back(0);
        }
        // Letters outside the alphabet never reach the engine; the engine
        // reads at most 31 pattern words.
        if (!ok || !standard || letters.size() > 28) {
            out.skipped++;
            if (!ok && !letters.empty())
                letters.pop_back(); // the letter it could not take
            if (letters.size() > 28)
                letters.resize(28);
            if (!letters.empty())
                places.insert(letters);
            continue;
        }
        if (letters.empty())
            continue;
        if (!patterns.count(letters))
            order.push_back(letters);
        patterns[letters] = digits;
    }
    struct Rule {
        int digit;
        const std::vector<unsigned char> *letters;
        int mark; // the break falls before letters[mark]; == size: after the last
    };
    std::vector<Rule> rules;
    for (const std::vector<unsigned char> &letters : order) {
        const std::vector<int> &digits = patterns[letters];
        int n = (int)letters.size();
        bool any = false;
        for (int k = 0; k <= n; k++) {
            // No break at the word's edges.
            if (!digits[k] || (k < n && letters[k] == 0) || (k > 0 && letters[k - 1] == 0))
                continue;
            rules.push_back({digits[k], &letters, k});
            any = true;
        }
        if (!any)
            places.insert(letters);
    }
    std::stable_sort(rules.begin(), rules.end(), [](const Rule &a, const Rule &b) { return a.digit > b.digit; });
    // The positive rule: a point at every gap, forbidden unless a pattern
    // allows it.
    Words pat;
    feature(pat, HYPH_F_LETTER, HYPH_F_LETTER, false);
    feature(pat, HYPH_F_LETTER, HYPH_F_LETTER, true);
    out.positive.push_back((uint16_t)(pat.size() | (2 << 8) | set));
    out.positive.push_back((uint16_t)(0x0100 | 4));
    out.positive.insert(out.positive.end(), pat.begin(), pat.end());
    // More than the engine's two letters kept at the end: no break before
    // the last rightMin - 1 letters, ahead of every pattern.
    for (int keep = 2; keep < rightMin && keep < 8; keep++) {
        Words w;
        feature(w, HYPH_F_LETTER, HYPH_F_LETTER, true);
        for (int k = 1; k < keep; k++)
            feature(w, HYPH_F_LETTER, HYPH_F_LETTER, false);
        w.push_back(letter(0, false));
        out.negative.push_back((uint16_t)(w.size() | set));
        out.negative.push_back((uint16_t)(0x0100 | 4));
        out.negative.insert(out.negative.end(), w.begin(), w.end());
    }
    for (const Rule &r : rules) {
        Words w;
        for (size_t k = 0; k < r.letters->size(); k++)
            w.push_back(letter((*r.letters)[k], (int)k == r.mark));
        if (r.mark == (int)r.letters->size())
            feature(w, HYPH_F_LETTER, HYPH_F_LETTER, true);
        out.negative.push_back((uint16_t)(w.size() | set));
        out.negative.push_back((uint16_t)(0x0100 | ((r.digit & 1) ? 1 : 4)));
        out.negative.insert(out.negative.end(), w.begin(), w.end());
        out.rules++;
    }
    // Places only: rules of no class, their first letter marked.
    for (const std::vector<unsigned char> &letters : places) {
        out.negative.push_back((uint16_t)(letters.size() | set));
        out.negative.push_back(0);
        for (size_t k = 0; k < letters.size(); k++)
            out.negative.push_back(letter(letters[k], k == 0));
    }
    return true;
}

struct Sample {
    std::vector<unsigned char> codes;
    std::vector<unsigned char> breaks;
};

struct LangData {
    int language;
    Compiled compiled;
    std::vector<Sample> words; // the listed words with libhyphen's breaks
    Bytes exceptions;
};

bool loadWords(LangData &d, const hyphref::Source &src)
{
    hyphref::Reference ref;
    if (!ref.open(src.patterns)) {
        fprintf(stderr, "hyphgen: cannot load %s\n", src.patterns.c_str());
        return false;
    }
    // The plain word lists only: the exceptions are for listed words.
    hyphref::Source lists = src;
    lists.vocabularies.erase(std::remove_if(lists.vocabularies.begin(), lists.vocabularies.end(),
                                            [](const hyphref::Vocabulary &v) { return !v.affix.empty(); }),
                             lists.vocabularies.end());
    for (const std::string &w : hyphref::readVocabulary(lists)) {
        std::vector<uint32_t> chars = hyphref::decodeUtf8(w);
        if (chars.size() < 4 || chars.size() > 60)
            continue;
        Sample s;
        s.codes = hyphref::codesOf(d.language, chars);
        if (s.codes.empty() || !ref.breaks(chars, s.breaks))
            continue;
        d.words.push_back(std::move(s));
    }
    return true;
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

// A word as "hy-phen".
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

// --measure: the tables in the output folder against the reference on the
// words of running text that no table was made from; words with a letter
// beyond ASCII are also counted apart. HYPHGEN_DIFFS=N prints N words that
// differ.
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
    long diffs = getenv("HYPHGEN_DIFFS") ? atol(getenv("HYPHGEN_DIFFS")) : 0;
    Score all, accented;
    long differing = 0;
    for (const std::string &w : hyphref::evaluationWords(src)) {
        std::vector<uint32_t> chars = hyphref::decodeUtf8(w);
        std::vector<unsigned char> codes = hyphref::codesOf(src.language, chars), truth;
        if (codes.empty() || !ref.breaks(chars, truth))
            continue;
        std::vector<unsigned char> got = engineBreaks(codes);
        all.add(got, truth);
        if (std::any_of(chars.begin(), chars.end(), [](uint32_t ch) { return ch >= 0x80; }))
            accented.add(got, truth);
        if (got != truth && differing++ < diffs)
            printf("  %s  libhyphen %s\n", marked(chars, got).c_str(), marked(chars, truth).c_str());
    }
    printf("language %2d: %6ld words of running text, %5ld differ: precision %.4f recall %.4f; %6ld with accents "
           "precision %.4f recall %.4f\n",
           src.language, all.words, differing, all.precision(), all.recall(), accented.words, accented.precision(),
           accented.recall());
    return 0;
}

// Runs the engine on the listed words and keeps the ones it gets wrong,
// shortest first, as exceptions.
Bytes exceptionsFor(const LangData &d)
{
    std::vector<const Sample *> wrong;
    for (const Sample &s : d.words)
        if (engineBreaks(s.codes) != s.breaks)
            wrong.push_back(&s);
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
    fprintf(stderr, "hyphgen: language %d: %zu of %zu listed words differ from libhyphen, %zu kept as exceptions\n",
            d.language, wrong.size(), d.words.size(), kept.size());
    return out;
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
    (void)d;
    Bytes prefixes = emptyIndex(hi, 0);
    if (prefix)
        out.push_back({HYPH_SLOT_PRINDEX, language, prefixes});
    // French 2 reads the same prefixes.
    if (language == 4)
        out.push_back({HYPH_SLOT_PRINDEX2, language, prefixes});
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

// The trie the engine would build at load time, stored so that loading
// costs only reading it.
Bytes negIndex(const Words &rules, uint16_t sets)
{
    uint32_t size = 0;
    unsigned char *w = hyph_neg_trie_build(rules.data(), (uint32_t)rules.size(), sets | HYPH_NEG_LONGEST, &size);
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
        if (d) {
            pos = d->compiled.positive;
            neg = d->compiled.negative;
        } else
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

// --show: for each line "language word" on standard input, libhyphen's own
// answer (its digits, one per character), the reference's reading of it
// and the engine's breaks with the tables in the output folder.
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

// --sample N: N words of the language's running text that no table was
// made from, hyphenated by the reference, one a line ("hy-phen"), a third of
// them with a letter beyond ASCII where the text has such; for the tests'
// fixtures.
int sample(const hyphref::Source &src, size_t count)
{
    hyphref::Reference ref;
    if (!ref.open(src.patterns))
        return 1;
    std::vector<std::string> plain, accented;
    for (const std::string &w : hyphref::evaluationWords(src)) {
        std::vector<uint32_t> chars = hyphref::decodeUtf8(w);
        std::vector<unsigned char> truth;
        if (chars.size() < 6 || chars.size() > 30 || hyphref::docBytes(src.language, chars).empty() ||
            !ref.breaks(chars, truth))
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
// PATH, --hunspell L PATH STRIDE (PATH without ".dic"/".aff"), --text L
// PATH.
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
        int need = opt == "--hunspell" ? 3 : (opt == "--patterns" || opt == "--words" || opt == "--text") ? 2 : -1;
        if (need < 0 || i + need >= argc) {
            fprintf(stderr, "hyphgen: unexpected argument %s\n", argv[i]);
            return false;
        }
        hyphref::Source &src = sourceFor(atoi(argv[i + 1]));
        if (opt == "--patterns")
            src.patterns = argv[i + 2];
        else if (opt == "--words")
            src.vocabularies.push_back({argv[i + 2], "", 1});
        else if (opt == "--text")
            src.texts.push_back(argv[i + 2]);
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
        fprintf(stderr, "usage: hyphgen <output folder> <group> [--measure | --show | --sample N] [--patterns L FILE] "
                        "[--words L FILE] [--hunspell L PATH STRIDE] [--text L PATH]...\n");
        return 2;
    }
    int first = 3;
    std::string mode = argc > 3 ? argv[3] : "";
    bool measuring = mode == "--measure", showing = mode == "--show";
    size_t sampling = 0;
    if (measuring || showing)
        first = 4;
    else if (mode == "--sample" && argc > 4)
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
            if (s.language == language && !s.patterns.empty())
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
            // Without patterns the syllable rules stand in.
            for (const hyphref::Source &s : sources)
                if (s.language == rec)
                    fprintf(stderr, "hyphgen: language %d: no patterns, syllable rules only\n", rec);
            continue;
        }
        LangData d;
        d.language = rec;
        if (!compilePatterns(src->patterns, rec, hyph_rule_set(rec), d.compiled)) {
            fprintf(stderr, "hyphgen: cannot read %s\n", src->patterns.c_str());
            return 1;
        }
        if (!loadWords(d, *src))
            return 1;
        fprintf(stderr, "hyphgen: language %d: %d patterns (%d left out), %d rules\n", rec, d.compiled.patterns,
                d.compiled.skipped, d.compiled.rules);
        data.push_back(std::move(d));
    }
    std::string path = dir + "/" + name + ".hyp";
    if (!writeFile(path, groupSections(*g, data))) {
        fprintf(stderr, "hyphgen: cannot write %s\n", path.c_str());
        return 1;
    }
    if (data.empty())
        return 0;
    // Exceptions for the listed words the rules get wrong.
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
