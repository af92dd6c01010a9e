// dictbuild: writes a spelling dictionary (".dct") from a word list.
//
//   dictbuild [-c] [-a] [-k] [-p <patterns>] <language number> <output.dct> <word list> [<word list> ...]
//
// -c sets the compound option (words made of listed words are accepted),
// -p names a hyphenation pattern file whose first level lists compounds
// with their joints (German): the parts they use most become the common
// compound parts (below),
// -a accent matching (a word typed without its accents matches the accented
// form), -k attached clitics (Spanish and Italian pronouns written onto the
// verb: "dámelo").
//
// Input lists hold one word a line, in UTF-8 (or ISO 8859-1 when a file is
// not valid UTF-8); a hunspell dictionary ("name.dic", with "name.aff"
// beside it) stands for all its words, expanded by hunspell's unmunch. Words with a character outside the engine's set (Mac OS
// Roman) are skipped and counted, as are words over 125 bytes.
//
// Layout decisions the reader (spelling/pwd_dictionary.cpp, pwd_check.cpp)
// shares, where the format leaves them open:
// - Version 3. Letter codes are the same for every language: 1-26 a-z,
//   27 the apostrophe (0x27, and the right single quote 0xD5), then every
//   other Latin letter of Mac OS Roman in byte order of its lower-case form,
//   then the middle dot 0xE1 (a letter in Catalan "l·l"). Upper and lower
//   case share a code. Codes above that are digram codes.
// - Classes: letters 0x02/0x04, accented letters 0x80, vowels 0x20;
//   space, tab and punctuation that ends words are separators (0x08);
//   digits and every other character are 0x01, so that a word holding one is
//   not coded and goes to an exact list. In French, Italian and Catalan the
//   apostrophe is a clitic mark (0x40).
// - Every block may carry slack (the reader ends each block's entries at
//   size - slack); only the last block is stored short.
// - Entries with the same pair and stem: the lower-case one comes first,
//   then the capitalised one; the reader looks at both.
// - Common list: the entries whose coded stem is at most one byte, in order,
//   up to 30000 bytes; the main list holds the rest.
// - Exact list A: words that cannot be coded and are not mixed case, and
//   words with a capital after the first letter ("USA", "McDonald"), sorted
//   by letter code (a character without one as 128 + its byte); list B: the
//   mixed-case ones (lower-case first, a capital later), by byte value. A
//   list is cut at 64000 bytes; what does not fit is counted and reported.
//   A word with separators whose pieces the check accepts one by one is left
//   out. A word from which the check splits a clitic goes to the exact lists
//   unless its core is a word.
// - Etc block: leading clitics [length byte counting itself][NUL-terminated
//   strings of letter codes]; trailing clitics the same, each written
//   backwards; lower-case and capital characters by letter code; letter
//   equivalence groups (leader, members, 0; an empty group ends them);
//   substitution pairs (base code, accented code) ended by 0.
// - Phonetic table: rings of [length byte counting the bytes after it]
//   [NUL-terminated alternatives of letter codes]; 254 ties an alternative
//   to the start of the word, 255 is any one letter. The rings hold the
//   respellings each language's writers confuse (phoneticRings below):
//   English sounds spelled several ways; Spanish b/v, ll/y, c/z/s, g/j and a
//   silent initial h; Italian doubled consonants and a silent initial h;
//   Portuguese ç/ss/s, x/ch, lh, nh, -ão/-am; French é/er/ez/ai, the nasal
//   vowels, o/au/eau, doubled consonants and a silent initial h; German and
//   Swiss German f/v/ph, ei/ai, eu/äu, z/tz, ss/ß (not Swiss), umlauts and
//   their two-letter forms; Dutch ei/ij, au/ou, g/ch, f/v, s/z, t/d/dt and
//   long vowels; Norwegian, Swedish and Danish their sj/kj sounds, å/o/aa,
//   æ/ä/e and doubled consonants; Catalan b/v, l·l/ll, ss/ç, g/j, x/ix/tx,
//   ny and a silent initial h. Other languages have no table.
// - With -p, the etc block's 16-bit-length section (option 0x0020) holds the
//   common compound parts: a u16 byte count of the first list, the first
//   list (parts that begin at least 6 of the pattern file's compounds), then
//   the second (parts that follow a joint in at least 4); each sorted, of
//   NUL-terminated strings of letter codes, parts of 4 letters or more.
// - With -a, the unaccented letters that lead an equivalence group are
//   classed accented (0x80) as well: they may stand for an accented form.
// - With -k, the attached-clitic table ends the etc block: entries of letter
//   codes written backwards, each NUL-terminated, 0x40 on an entry's first
//   byte when it may follow another clitic, sorted by their codes; then one
//   length byte that counts the whole table including itself.
// - Arabic (language 30): the word lists hold bytes of the Macintosh Arabic
//   set, one word a line, taken as they are; the bytes 161, 163, 164, 166,
//   191 (the checker's marker characters) and 192 to 234 except 224 are
//   letters after a-z, without case.
// - Russian (language 14): character 165 is a lower-case letter with the
//   letter code after the Latin letters; the check and the guesser put it in
//   place of a dropped prefix or a merged letter pair.
// - Cache threshold: the size of the whole file.

#include "spelling/pwd_charsets.h"
#include "spelling/pwd_format.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kBlockSize = 8192;
constexpr long kExactBudget = 64000;
constexpr long kCommonBudget = 30000;
constexpr int kMaxEndings = 60;
constexpr int kMaxWord = 125;
// The engine reads every table into one pool handle.
constexpr size_t kMaxTable = 64511;

using Bytes = std::vector<unsigned char>;

struct CharTables {
    unsigned char cls[256] = {};
    unsigned char code[256] = {};
    unsigned char lower[128] = {}; // by code
    unsigned char upper[128] = {};
    unsigned char base[128] = {}; // unaccented code, 0 for none
    int letters = 0;
};

char32_t unicodeOf(int b)
{
    return b < 128 ? static_cast<char32_t>(b) : pwdMacRomanUnicode[b - 128];
}

int macOf(char32_t u)
{
    if (u < 128)
        return static_cast<int>(u);
    for (int i = 0; i < 128; ++i)
        if (pwdMacRomanUnicode[i] == u)
            return 128 + i;
    return -1;
}

bool isLowerLatin(char32_t u)
{
    return (u >= 'a' && u <= 'z') || (u >= 0xDF && u <= 0xFF && u != 0xF7) || u == 0x153;
}

bool isUpperLatin(char32_t u)
{
    return (u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7) || u == 0x152 || u == 0x178;
}

char32_t lowerOf(char32_t u)
{
    if (u >= 'A' && u <= 'Z')
        return u + 32;
    if (u == 0x152)
        return 0x153;
    if (u == 0x178)
        return 0xFF;
    return u + 0x20;
}

char32_t baseOf(char32_t u)
{
    static const char* const groups[] = {"a\u00e0\u00e1\u00e2\u00e3\u00e4\u00e5", "c\u00e7",
                                         "e\u00e8\u00e9\u00ea\u00eb", "i\u00ec\u00ed\u00ee\u00ef", "n\u00f1",
                                         "o\u00f2\u00f3\u00f4\u00f5\u00f6", "u\u00f9\u00fa\u00fb\u00fc",
                                         "y\u00ff"};
    for (const char* g : groups) {
        // decode the UTF-8 group
        std::vector<char32_t> cs;
        for (const unsigned char* p = reinterpret_cast<const unsigned char*>(g); *p;) {
            if (*p < 0x80)
                cs.push_back(*p++);
            else {
                cs.push_back(((p[0] & 0x1F) << 6) | (p[1] & 0x3F));
                p += 2;
            }
        }
        for (size_t i = 1; i < cs.size(); ++i)
            if (cs[i] == u)
                return cs[0];
    }
    return 0;
}

bool isVowel(char32_t lower)
{
    char32_t b = baseOf(lower);
    if (b)
        lower = b;
    return lower == 'a' || lower == 'e' || lower == 'i' || lower == 'o' || lower == 'u' || lower == 'y'
        || lower == 0xE6 || lower == 0xF8 || lower == 0x153;
}

bool usesClitics(int language)
{
    return language == 4 || language == 2 || language == 27 || language == 21;
}

CharTables makeTables(int language)
{
    CharTables t;
    int next = 1;
    for (int c = 'a'; c <= 'z'; ++c)
        t.code[c] = static_cast<unsigned char>(next++);
    int apostrophe = next++;
    t.code[0x27] = t.code[0xD5] = static_cast<unsigned char>(apostrophe);
    for (int b = 128; b < 256; ++b) {
        char32_t u = unicodeOf(b);
        if (isLowerLatin(u) && !t.code[b])
            t.code[b] = static_cast<unsigned char>(next++);
    }
    if (language == 30) {
        // The upper half is the Arabic set: no Latin letters there.
        for (int b = 128; b < 256; ++b)
            t.code[b] = 0;
        next = apostrophe + 1;
        for (int b = 161; b <= 234; ++b)
            if (b == 161 || b == 163 || b == 164 || b == 166 || b == 191 || (b >= 192 && b != 224))
                t.code[b] = static_cast<unsigned char>(next++);
    }
    // Russian: character 165 is a letter that stands for a dropped or merged
    // part of a word (the compound and guess rules put it in).
    int russianMark = language == 14 ? next++ : 0;
    if (russianMark)
        t.code[0xA5] = static_cast<unsigned char>(russianMark);
    int middleDot = language == 30 ? 0 : next++;
    if (middleDot)
        t.code[0xE1] = static_cast<unsigned char>(middleDot);
    for (int b = 0; b < 256 && language != 30; ++b) {
        char32_t u = unicodeOf(b);
        if (isUpperLatin(u)) {
            int l = macOf(lowerOf(u));
            if (l > 0)
                t.code[b] = t.code[l];
        }
    }
    t.letters = next - 1;
    for (int b = 0; b < 256; ++b) {
        char32_t u = unicodeOf(b);
        unsigned char k = 0;
        if (isLowerLatin(u))
            k = PWDK_LOWER;
        else if (isUpperLatin(u))
            k = PWDK_CAPITAL;
        if (k) {
            char32_t l = isLowerLatin(u) ? u : lowerOf(u);
            if (baseOf(l) || (l >= 0xE0 && l != 0xE6 && l != 0xF8 && l != 0xDF))
                k |= PWDK_ACCENTED;
            if (isVowel(l) || (language == 4 && l == 'h'))
                k |= PWDK_VOWEL;
            if (!t.lower[t.code[b]] || isLowerLatin(u)) {
                if (isLowerLatin(u))
                    t.lower[t.code[b]] = static_cast<unsigned char>(b);
            }
            if (isUpperLatin(u))
                t.upper[t.code[b]] = static_cast<unsigned char>(b);
            char32_t bl = baseOf(l);
            if (bl)
                t.base[t.code[b]] = t.code[macOf(bl)];
        } else if (b == 0x27 || b == 0xD5) {
            k = usesClitics(language) ? PWDK_CLITIC_MARK : 0;
        } else if (b == 0xE1) {
            k = PWDK_LOWER;
        } else if (b == ' ' || b == '\t' || b == '-' || b == '.' || b == ',' || b == ';' || b == ':'
                   || b == '!' || b == '?' || b == '/' || b == '(' || b == ')' || b == '"' || b == '['
                   || b == ']' || b == '{' || b == '}' || b == 0xD0 || b == 0xD1 || b == 0xD2 || b == 0xD3
                   || b == 0xD4 || b == 0xC7 || b == 0xC8 || b == 0xC9 || b == 0xCA || b == 0xC0 || b == 0xC1) {
            k = PWDK_SEPARATOR;
        } else if (b != 0) {
            k = PWDK_OTHER;
        }
        t.cls[b] = k;
    }
    if (language == 30) {
        for (int b = 128; b < 256; ++b)
            if (t.code[b]) {
                t.cls[b] = PWDK_LOWER;
                t.lower[t.code[b]] = t.upper[t.code[b]] = static_cast<unsigned char>(b);
            } else {
                t.cls[b] = PWDK_OTHER;
            }
        for (int c = 1; c < 128; ++c)
            t.base[c] = 0;
    }
    if (russianMark) {
        t.cls[0xA5] = PWDK_LOWER;
        t.lower[russianMark] = t.upper[russianMark] = 0xA5;
    }
    t.lower[apostrophe] = t.upper[apostrophe] = 0x27;
    if (middleDot)
        t.lower[middleDot] = t.upper[middleDot] = 0xE1;
    for (int c = 1; c <= t.letters; ++c)
        if (!t.upper[c])
            t.upper[c] = t.lower[c];
    return t;
}

// The words of a hunspell dictionary ("name.dic" beside "name.aff"), every
// stem with every affix it takes, as hunspell's unmunch writes them.
std::string expandHunspell(const std::string& dic)
{
    std::string aff = dic.substr(0, dic.size() - 4) + ".aff";
    if (dic.find('\'') != std::string::npos || aff.find('\'') != std::string::npos) {
        fprintf(stderr, "dictbuild: cannot expand %s\n", dic.c_str());
        exit(1);
    }
    FILE* p = popen(("unmunch '" + dic + "' '" + aff + "' 2>/dev/null").c_str(), "r");
    std::string s;
    char buf[65536];
    for (size_t n; p && (n = fread(buf, 1, sizeof buf, p)) > 0;)
        s.append(buf, n);
    if (!p || pclose(p) != 0 || s.empty()) {
        fprintf(stderr, "dictbuild: cannot expand %s with unmunch\n", dic.c_str());
        exit(1);
    }
    return s;
}

// Decodes a file into lines of Unicode characters; a hunspell dictionary
// (".dic" with its ".aff" beside it) gives its expanded words.
std::vector<std::u32string> readList(const std::string& path, bool raw)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        fprintf(stderr, "dictbuild: cannot read %s\n", path.c_str());
        exit(1);
    }
    std::string s;
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".dic") == 0 &&
        std::ifstream(path.substr(0, path.size() - 4) + ".aff")) {
        s = expandHunspell(path);
    } else {
        std::stringstream ss;
        ss << in.rdbuf();
        s = ss.str();
    }
    bool utf8 = !raw;
    for (size_t i = 0; i < s.size() && utf8;) {
        unsigned char c = s[i];
        int n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (!n || i + n > s.size())
            utf8 = false;
        for (int k = 1; k < n && utf8; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                utf8 = false;
        i += n ? n : 1;
    }
    std::vector<std::u32string> lines;
    std::u32string cur;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = s[i];
        char32_t u;
        if (!utf8 || c < 0x80) {
            u = c;
            ++i;
        } else {
            int n = (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : 4;
            u = c & (0x7F >> n);
            for (int k = 1; k < n; ++k)
                u = (u << 6) | (s[i + k] & 0x3F);
            i += n;
        }
        if (u == '\n') {
            if (!cur.empty() && cur.back() == '\r')
                cur.pop_back();
            if (!cur.empty())
                lines.push_back(cur);
            cur.clear();
        } else {
            cur.push_back(u);
        }
    }
    if (!cur.empty())
        lines.push_back(cur);
    return lines;
}

struct Builder {
    int language;
    CharTables t;
    std::set<std::string> words;
    long skippedSet = 0, skippedLong = 0, droppedExact = 0;
    std::vector<Bytes> leading, trailing; // letter codes; trailing reversed

    int status(const std::string& w) const
    {
        int st = 0;
        for (size_t i = 0; i < w.size(); ++i) {
            int k = t.cls[static_cast<unsigned char>(w[i])];
            if (i == 0 && (k & PWDK_CAPITAL))
                st |= 0x100 | (k & ~PWDK_CAPITAL);
            else
                st |= k;
        }
        return st & ~(PWDK_VOWEL | PWDK_ACCENTED);
    }

    static bool plain(int st) { return !(st & ~(0x02 | 0x04 | 0x100)); }
    bool mixed(const std::string& w, int st) const
    {
        return (t.cls[static_cast<unsigned char>(w[0])] & PWDK_LOWER) && (st & PWDK_CAPITAL);
    }

    // The check's clitic split: answers the core's [begin, end).
    bool splitClitic(const std::string& w, size_t* b, size_t* e) const
    {
        auto cd = [&](size_t i) { return t.code[static_cast<unsigned char>(w[i])]; };
        bool hasMark = false;
        for (unsigned char c : w)
            if (t.cls[c] & PWDK_CLITIC_MARK)
                hasMark = true;
        if (!hasMark)
            return false;
        for (const Bytes& c : trailing) {
            if (c.size() + 1 >= w.size())
                continue;
            size_t k = 0;
            while (k < c.size() && cd(w.size() - 1 - k) == c[k])
                ++k;
            if (k == c.size() && (t.cls[static_cast<unsigned char>(w[w.size() - 1 - k])] & PWDK_CLITIC_MARK)) {
                *b = 0;
                *e = w.size() - 1 - k;
                return true;
            }
        }
        for (const Bytes& c : leading) {
            if (c.size() + 2 > w.size())
                continue;
            size_t k = 0;
            while (k < c.size() && cd(k) == c[k])
                ++k;
            if (k == c.size() && (t.cls[static_cast<unsigned char>(w[k])] & PWDK_CLITIC_MARK)
                && (t.cls[static_cast<unsigned char>(w[k + 1])] & PWDK_VOWEL)) {
                *b = k + 1;
                *e = w.size();
                return true;
            }
        }
        return false;
    }

    std::string lowerCase(const std::string& w) const
    {
        std::string l = w;
        for (char& c : l) {
            unsigned char u = static_cast<unsigned char>(c);
            if (t.code[u] && t.lower[t.code[u]])
                c = static_cast<char>(t.lower[t.code[u]]);
        }
        return l;
    }

    // A listed word that goes to the main list, not to an exact list.
    bool codedWord(const std::string& w) const
    {
        int st = status(w);
        return w.size() >= 2 && words.count(w) && plain(st) && !(st & PWDK_CAPITAL);
    }

    // Whether a piece is a listed word in a form the check accepts.
    bool known(const std::string& piece) const
    {
        if (words.count(piece))
            return true;
        int st = status(piece);
        if (!(st & (0x02 | 0x04 | 0x100)))
            return true;
        if (mixed(piece, st) || !(st & 0x100))
            return false;
        // A capitalised piece, or one in capitals throughout, matches a coded
        // word written in lower case or capitalised.
        std::string l = lowerCase(piece), cap = l;
        cap[0] = piece[0];
        return codedWord(l) || codedWord(cap);
    }

    bool coveredBySeparators(const std::string& w) const
    {
        std::string cur;
        bool any = false;
        for (size_t i = 0; i <= w.size(); ++i) {
            if (i == w.size() || (t.cls[static_cast<unsigned char>(w[i])] & PWDK_SEPARATOR)) {
                if (i < w.size())
                    any = true;
                if (!cur.empty() && !known(cur))
                    return false;
                cur.clear();
            } else {
                cur += w[i];
            }
        }
        return any;
    }
};

void addClitics(Builder& b)
{
    std::vector<std::string> lead, trail;
    if (b.language == 4 || b.language == 21)
        lead = {"c", "d", "j", "l", "m", "n", "s", "t", "qu", "jusqu", "lorsqu", "puisqu", "quoiqu", "presqu"};
    if (b.language == 2)
        lead = {"l", "d", "c", "s", "m", "t", "n", "v", "un", "dell", "all", "dall", "nell", "sull", "coll",
                "pell", "quest", "quell", "bell", "sant", "tutt", "com", "dov", "senz", "anch", "buon", "gl"};
    if (b.language == 27) {
        lead = {"l", "d", "s", "m", "n", "t"};
        trail = {"l", "ls", "m", "n", "ns", "s", "t", "hi", "ho"};
    }
    auto codes = [&](const std::string& s, bool reversed) {
        Bytes out;
        for (unsigned char c : s)
            out.push_back(b.t.code[c]);
        if (reversed)
            std::reverse(out.begin(), out.end());
        return out;
    };
    for (auto& s : lead)
        b.leading.push_back(codes(s, false));
    for (auto& s : trail)
        b.trailing.push_back(codes(s, true));
    std::sort(b.leading.begin(), b.leading.end());
    std::sort(b.trailing.begin(), b.trailing.end());
}

struct Entry {
    int first, second;
    Bytes stem;
    bool cap;
    std::set<int> flags;
};

bool entryLess(const Entry& a, const Entry& b)
{
    if (a.first != b.first)
        return a.first < b.first;
    if (a.second != b.second)
        return a.second < b.second;
    int c = pwdStemCompare(a.stem.data(), static_cast<int>(a.stem.size()), b.stem.data(),
                           static_cast<int>(b.stem.size()));
    if (c)
        return c < 0;
    return !a.cap && b.cap;
}

void appendBlock(Bytes& out, const Bytes& body)
{
    unsigned char n[4];
    pwdPut32(n, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), n, n + 4);
    out.insert(out.end(), body.begin(), body.end());
}

// Phonetic rings by language: each ring lists spellings that sound alike.
// In the strings '^' binds an alternative to the start of the word and '?'
// stands for any one letter (copied into the replacement).
std::vector<std::vector<std::string>> phoneticRings(int language)
{
    switch (language) {
    case 0:
        return {{"f", "ph", "gh"}, {"k", "c", "ck", "ch", "q"}, {"s", "c", "ss", "sc"}, {"ie", "ei", "ee", "ea"},
                {"ant", "ent"},     {"ance", "ence"},          {"able", "ible"},        {"er", "or", "ar"},
                {"tion", "sion"},   {"j", "g", "dg"},           {"ou", "ow"},           {"ai", "ay", "ei"},
                {"i", "y"},         {"x", "cks", "ks"},         {"w", "wh"},            {"n", "kn", "gn"},
                {"r", "wr"},        {"m", "mb"}};
    case 1: // Spanish
        return {{"b", "v"},   {"y", "ll"},  {"ce", "se", "ze"}, {"ci", "si", "zi"}, {"za", "sa"},
                {"zo", "so"}, {"zu", "su"}, {"ge", "je"},       {"gi", "ji"},       {"que", "ke"},
                {"qui", "ki"}, {"ca", "ka"}, {"x", "s"},        {"rr", "r"},        {"^?", "^h?"}};
    case 2: // Italian: doubled consonants above all
        return {{"bb", "b"},  {"cc", "c"},   {"dd", "d"},  {"ff", "f"},  {"gg", "g"},   {"ll", "l"},
                {"mm", "m"},  {"nn", "n"},   {"pp", "p"},  {"rr", "r"},  {"ss", "s"},   {"tt", "t"},
                {"zz", "z"},  {"qu", "cu"},  {"cqu", "qqu"}, {"gli", "li"}, {"gn", "ni"}, {"sce", "scie", "se"},
                {"^?", "^h?"}};
    case 3: // Portuguese
        return {{"ç", "ss", "s", "c"}, {"x", "ch"}, {"g", "j"},  {"lh", "li"}, {"nh", "ni"},
                {"z", "s"},            {"ão", "am"}, {"rr", "r"}, {"^?", "^h?"}};
    case 4: // French
    case 21:
        return {{"é", "er", "ez", "ai", "et"}, {"è", "ê", "ai", "ei"}, {"o", "au", "eau", "ô"},
                {"an", "en", "am", "em"},       {"in", "ain", "ein", "im"}, {"f", "ph"},
                {"k", "qu", "c"},               {"s", "ss", "c", "ç"},      {"ll", "l"},
                {"tt", "t"},                    {"nn", "n"},                {"mm", "m"},
                {"pp", "p"},                    {"rr", "r"},                {"ff", "f"},
                {"oi", "oy"},                   {"^?", "^h?"}};
    case 5: // German
        return {{"f", "v", "ph"}, {"ei", "ai"},    {"eu", "äu", "oi"}, {"k", "ck", "c"}, {"z", "tz", "ts"},
                {"ss", "ß", "s"}, {"ä", "e"},      {"t", "dt", "th"},  {"x", "chs", "cks"},
                {"ie", "i", "ih"}, {"ü", "y"},     {"w", "v"},         {"qu", "kw"},      {"ö", "oe"},
                {"ü", "ue"},      {"ä", "ae"}};
    case 24: // Swiss German: no sharp s
        return {{"f", "v", "ph"}, {"ei", "ai"},    {"eu", "äu", "oi"}, {"k", "ck", "c"}, {"z", "tz", "ts"},
                {"ss", "s"},      {"ä", "e"},      {"t", "dt", "th"},  {"x", "chs", "cks"},
                {"ie", "i", "ih"}, {"ü", "y"},     {"w", "v"},         {"qu", "kw"},      {"ö", "oe"},
                {"ü", "ue"},      {"ä", "ae"}};
    case 6: // Dutch
        return {{"ei", "ij"}, {"au", "ou"}, {"g", "ch"}, {"f", "v"},  {"s", "z"},  {"t", "d", "dt"},
                {"c", "k"},   {"ui", "uy"}, {"aa", "a"}, {"ee", "e"}, {"oo", "o"}, {"uu", "u"}};
    case 7: // Norwegian
    case 8:
        return {{"å", "o", "aa"}, {"kj", "sj", "skj"}, {"hj", "j", "gj"}, {"æ", "e"}, {"ø", "ö"},
                {"kk", "k"},      {"ll", "l"},         {"nn", "n"},       {"ss", "s"}, {"tt", "t"}};
    case 9: // Swedish
        return {{"sj", "sk", "stj", "skj"}, {"tj", "kj", "k"}, {"å", "o"}, {"ä", "e"}, {"j", "dj", "hj", "gj"},
                {"ck", "k"},                {"ll", "l"},       {"nn", "n"}, {"ss", "s"}, {"tt", "t"}};
    case 10: // Danish
        return {{"å", "aa", "o"}, {"æ", "e"}, {"ø", "ö"}, {"d", "t"}, {"v", "w"},
                {"g", "j"},       {"kk", "k"}, {"ll", "l"}, {"nn", "n"}, {"ss", "s"}};
    case 27: // Catalan
        return {{"b", "v"},   {"l·l", "ll", "l"}, {"ss", "s", "ç"}, {"g", "j"}, {"x", "ix", "tx"},
                {"ny", "ñ"},  {"^?", "^h?"}};
    default:
        return {};
    }
}

Bytes phoneticTable(const CharTables& t, int language)
{
    Bytes out;
    for (const auto& ring : phoneticRings(language)) {
        Bytes body;
        int alternatives = 0;
        for (const auto& alt : ring) {
            Bytes coded;
            bool fits = true;
            for (size_t i = 0; i < alt.size();) {
                unsigned char c = static_cast<unsigned char>(alt[i]);
                char32_t u = c;
                if (c >= 0xC0 && i + 1 < alt.size()) {
                    u = ((c & 0x1F) << 6) | (static_cast<unsigned char>(alt[i + 1]) & 0x3F);
                    i += 2;
                } else {
                    ++i;
                }
                if (u == '^') {
                    coded.push_back(254);
                    continue;
                }
                if (u == '?') {
                    coded.push_back(255);
                    continue;
                }
                int m = macOf(u);
                if (m < 0 || !t.code[m]) {
                    fits = false;
                    break;
                }
                coded.push_back(t.code[m]);
            }
            if (!fits)
                continue;
            body.insert(body.end(), coded.begin(), coded.end());
            body.push_back(0);
            ++alternatives;
        }
        if (alternatives < 2 || body.size() > 255)
            continue;
        out.push_back(static_cast<unsigned char>(body.size()));
        out.insert(out.end(), body.begin(), body.end());
    }
    return out;
}

} // namespace

// The common compound parts of a pattern file's first level (libhyphen's
// format: its compounds with an odd digit at each joint, before the line
// "NEXTLEVEL"), as the etc block's long section stores them.
Bytes compoundParts(const std::string& path, const CharTables& t)
{
    std::vector<std::u32string> lines = readList(path, false);
    std::map<Bytes, int> first, later;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::u32string& l = lines[i];
        if (l == U"NEXTLEVEL")
            break;
        if (l.empty() || l[0] == '#' || l[0] == '%' || (l[0] >= 'A' && l[0] <= 'Z'))
            continue;
        std::vector<Bytes> parts(1);
        bool ok = true;
        for (char32_t u : l) {
            if (u >= '0' && u <= '9') {
                if ((u - '0') & 1)
                    parts.emplace_back();
                continue;
            }
            bool capital = (u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7);
            int m = macOf(capital ? lowerOf(u) : u);
            if (m <= 0 || !t.code[m]) {
                ok = false;
                break;
            }
            parts.back().push_back(t.code[m]);
        }
        if (!ok)
            continue;
        for (size_t k = 0; k < parts.size(); ++k) {
            if (parts[k].size() < 4)
                continue;
            if (k + 1 < parts.size())
                ++first[parts[k]];
            if (k > 0)
                ++later[parts[k]];
        }
    }
    auto listOf = [](const std::map<Bytes, int>& counts, int least) {
        Bytes out;
        for (const auto& [part, n] : counts)
            if (n >= least) {
                out.insert(out.end(), part.begin(), part.end());
                out.push_back(0);
            }
        return out;
    };
    Bytes a = listOf(first, 6), b = listOf(later, 4);
    Bytes out = {static_cast<unsigned char>(a.size() >> 8), static_cast<unsigned char>(a.size() & 0xFF)};
    out.insert(out.end(), a.begin(), a.end());
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

int main(int argc, char** argv)
{
    bool compounds = false, accents = false, attached = false;
    std::string partsFrom;
    while (argc > 1 && argv[1][0] == '-' && argv[1][1] && !argv[1][2]) {
        char o = argv[1][1];
        if (o == 'p' && argc > 2) {
            partsFrom = argv[2];
            ++argv;
            --argc;
        } else if (o == 'c')
            compounds = true;
        else if (o == 'a')
            accents = true;
        else if (o == 'k')
            attached = true;
        else
            break;
        ++argv;
        --argc;
    }
    if (argc < 4) {
        fprintf(stderr, "usage: dictbuild [-c] [-a] [-k] [-p <patterns>] <language> <output.dct> <word list>...\n");
        return 2;
    }
    Builder b;
    b.language = atoi(argv[1]);
    b.t = makeTables(b.language);
    if (accents)
        for (int ch = 0; ch < 256; ++ch) {
            int k = b.t.code[ch];
            bool leads = false;
            for (int c = 1; c <= b.t.letters && k; ++c)
                leads = leads || b.t.base[c] == k;
            if (leads)
                b.t.cls[ch] |= PWDK_ACCENTED;
        }
    addClitics(b);
    const CharTables& t = b.t;
    long read = 0;
    for (int i = 3; i < argc; ++i) {
        for (const std::u32string& line : readList(argv[i], b.language == 30)) {
            ++read;
            std::string w;
            bool ok = true;
            for (char32_t u : line) {
                int m = b.language == 30 ? (u < 256 ? static_cast<int>(u) : -1) : u == 0x2019 ? 0xD5 : macOf(u);
                if (m <= 0) {
                    ok = false;
                    break;
                }
                w += static_cast<char>(m);
            }
            if (!ok) {
                ++b.skippedSet;
                continue;
            }
            if (w.size() > kMaxWord) {
                ++b.skippedLong;
                continue;
            }
            b.words.insert(w);
        }
    }

    // Sort the words into coded ones and the exact lists.
    struct Coded {
        int first, second;
        Bytes rest;
        bool cap;
    };
    std::vector<Coded> coded;
    std::vector<std::string> exactA, exactB, inner;
    auto code = [&](const std::string& w, int st) {
        Coded c;
        c.first = t.code[static_cast<unsigned char>(w[0])];
        c.second = t.code[static_cast<unsigned char>(w[1])];
        for (size_t i = 2; i < w.size(); ++i)
            c.rest.push_back(t.code[static_cast<unsigned char>(w[i])]);
        c.cap = (st & 0x100) != 0;
        coded.push_back(c);
    };
    auto listBytes = [](const std::vector<std::string>& list) {
        long n = 0;
        for (const std::string& w : list)
            n += static_cast<long>(w.size()) + 1;
        return n;
    };
    for (const std::string& w : b.words) {
        int st = b.status(w);
        if (!(st & (0x02 | 0x04 | 0x100)))
            continue;
        size_t cb, ce;
        if (b.splitClitic(w, &cb, &ce)) {
            if (!b.known(w.substr(cb, ce - cb)))
                (b.mixed(w, st) ? exactB : exactA).push_back(w);
            continue;
        }
        if (!Builder::plain(st) || b.mixed(w, st) || w.size() < 2) {
            if (!Builder::plain(st) && b.coveredBySeparators(w))
                continue;
            (b.mixed(w, st) ? exactB : exactA).push_back(w);
            continue;
        }
        // A capital after the first letter ("USA", "McDonald") is kept
        // exactly: coded, it would also accept "Usa" and "Mcdonald".
        if (st & PWDK_CAPITAL) {
            inner.push_back(w);
            continue;
        }
        code(w, st);
    }
    // The exact list is one table of limited size. What does not fit is
    // coded as capitalised, the longest words first, as they are the least
    // likely to be typed in another case: accepted too widely, never lost.
    std::stable_sort(inner.begin(), inner.end(),
                     [](const std::string& x, const std::string& y) { return x.size() < y.size(); });
    long roomA = kExactBudget - listBytes(exactA);
    long codedInner = 0;
    for (const std::string& w : inner) {
        if (static_cast<long>(w.size()) + 1 <= roomA) {
            roomA -= static_cast<long>(w.size()) + 1;
            exactA.push_back(w);
        } else {
            code(w, b.status(w));
            ++codedInner;
        }
    }

    // Endings: the suffixes that save the most bytes.
    std::map<Bytes, long> suffixCount;
    for (const Coded& c : coded)
        for (size_t l = 1; l <= 6 && l <= c.rest.size(); ++l) {
            Bytes s(c.rest.end() - l, c.rest.end());
            std::reverse(s.begin(), s.end());
            ++suffixCount[s];
        }
    std::vector<std::pair<long, Bytes>> ranked;
    for (auto& [s, n] : suffixCount)
        if (n >= 50)
            ranked.push_back({n * static_cast<long>(s.size()), s});
    std::sort(ranked.begin(), ranked.end(), [](auto& a, auto& c) { return a.first > c.first; });
    Bytes endings;
    int endingCount = 0;
    for (auto& r : ranked) {
        if (endingCount == kMaxEndings)
            break;
        endings.insert(endings.end(), r.second.begin(), r.second.end());
        endings.push_back(0);
        ++endingCount;
    }
    int presence = 1;
    while (pwdMaxFlag(presence) < endingCount + 1)
        ++presence;
    int levelA = presence <= 7 ? 0 : (presence - 1) / 7;
    int levelB = presence - levelA;

    // Stems, then digrams over them.
    struct Stemmed {
        int first, second;
        Bytes stem;
        bool cap;
        int flag;
    };
    std::vector<Stemmed> stemmed;
    long pairCount[128][128] = {};
    for (const Coded& c : coded) {
        int cut = 0;
        int e = c.rest.empty() ? -2
                               : pwdMatchEnding(endings.data(), static_cast<long>(endings.size()), c.rest.data(),
                                                static_cast<int>(c.rest.size()), &cut);
        Stemmed s{c.first, c.second, Bytes(c.rest.begin(), c.rest.end() - cut), c.cap, e + 2};
        for (size_t i = 0; i + 1 < s.stem.size(); ++i)
            ++pairCount[s.stem[i]][s.stem[i + 1]];
        stemmed.push_back(s);
    }
    std::vector<std::pair<long, int>> digramRank;
    for (int x = 1; x <= t.letters; ++x)
        for (int y = 1; y <= t.letters; ++y)
            if (pairCount[x][y] > 0)
                digramRank.push_back({pairCount[x][y], x * 128 + y});
    std::sort(digramRank.begin(), digramRank.end(), [](auto& a, auto& c) { return a.first > c.first; });
    unsigned char digramOf[128][128] = {};
    unsigned char decode[256] = {};
    int nextCode = t.letters + 1;
    int dfirst = 0, dsecond = 0;
    for (auto& d : digramRank) {
        if (nextCode > 127)
            break;
        int x = d.second / 128, y = d.second % 128;
        digramOf[x][y] = static_cast<unsigned char>(nextCode);
        decode[2 * nextCode] = static_cast<unsigned char>(x);
        decode[2 * nextCode + 1] = static_cast<unsigned char>(y);
        dfirst = std::max(dfirst, x);
        dsecond = std::max(dsecond, y);
        ++nextCode;
    }

    std::map<std::tuple<int, int, Bytes, bool>, std::set<int>> grouped;
    for (const Stemmed& s : stemmed) {
        Bytes enc;
        for (size_t i = 0; i < s.stem.size();) {
            if (i + 1 < s.stem.size() && digramOf[s.stem[i]][s.stem[i + 1]]) {
                enc.push_back(digramOf[s.stem[i]][s.stem[i + 1]]);
                i += 2;
            } else {
                enc.push_back(s.stem[i++]);
            }
        }
        auto& flags = grouped[{s.first, s.second, enc, s.cap}];
        flags.insert(s.flag);
        if (s.cap)
            flags.insert(1);
    }
    std::vector<Entry> entries;
    for (auto& [k, flags] : grouped)
        entries.push_back(Entry{std::get<0>(k), std::get<1>(k), std::get<2>(k), std::get<3>(k), flags});
    std::sort(entries.begin(), entries.end(), entryLess);

    auto entryBytes = [&](const Entry& e) {
        unsigned char flags[512] = {};
        int n = 0;
        for (int f : e.flags) {
            flags[f] = 1;
            n = std::max(n, f + 1);
        }
        unsigned char ctl[PWD_MAX_DATA_BYTES + 1];
        int k = pwdEncodeControls(flags, n, presence, ctl);
        Bytes out(ctl, ctl + k);
        out.insert(out.end(), e.stem.begin(), e.stem.end());
        return out;
    };
    auto wordLength = [&](const Entry& e, int* shortest, int* longest) {
        // Stem letters (digrams count two) plus the pair, with each ending.
        int base = 2;
        for (unsigned char c : e.stem)
            base += decode[2 * c] ? 2 : 1;
        std::vector<int> lens;
        long pos = 0;
        int idx = 0;
        std::vector<int> endLen;
        while (pos < static_cast<long>(endings.size())) {
            int l = static_cast<int>(strlen(reinterpret_cast<const char*>(endings.data() + pos)));
            endLen.push_back(l);
            pos += l + 1;
            ++idx;
        }
        for (int f : e.flags) {
            int len = f == 0 ? base : f >= 2 ? base + endLen[f - 2] : -1;
            if (len < 0)
                continue;
            *shortest = std::min(*shortest, len);
            *longest = std::max(*longest, len);
        }
    };

    // Common list and main list.
    std::vector<Entry> common, main;
    long commonBytes = 0;
    for (const Entry& e : entries) {
        if (e.stem.size() <= 1 && commonBytes < kCommonBudget) {
            commonBytes += static_cast<long>(entryBytes(e).size());
            common.push_back(e);
        } else {
            main.push_back(e);
        }
    }
    auto pairTables = [&](const std::vector<Entry>& list, int* nf, int* ns) {
        *nf = *ns = 0;
        for (const Entry& e : list) {
            *nf = std::max(*nf, e.first);
            *ns = std::max(*ns, e.second);
        }
    };
    int cf, cs, mf, ms;
    pairTables(common, &cf, &cs);
    pairTables(main, &mf, &ms);

    Bytes commonEntries, commonOffsets(2 * static_cast<size_t>(cf) * cs);
    {
        std::vector<long> starts;
        for (const Entry& e : common) {
            starts.push_back(static_cast<long>(commonEntries.size()));
            Bytes eb = entryBytes(e);
            commonEntries.insert(commonEntries.end(), eb.begin(), eb.end());
        }
        size_t k = 0;
        for (int idx = 0; idx < cf * cs; ++idx) {
            while (k < common.size() && (common[k].first - 1) * cs + (common[k].second - 1) < idx)
                ++k;
            pwdPut16(&commonOffsets[2 * idx], static_cast<uint32_t>(k < common.size() ? starts[k] : commonEntries.size()));
        }
    }
    struct Block {
        Bytes data;
        uint32_t firstKey = 0, lastKey = 0;
    };
    std::vector<Block> blocks;
    std::vector<std::pair<int, long>> where; // block, offset per main entry
    for (const Entry& e : main) {
        Bytes eb = entryBytes(e);
        if (blocks.empty() || blocks.back().data.size() + eb.size() > kBlockSize)
            blocks.push_back(Block{});
        Block& bl = blocks.back();
        uint32_t key = pwdKey(e.first, e.second, e.stem.data(), static_cast<int>(e.stem.size()));
        if (bl.data.empty())
            bl.firstKey = key;
        bl.lastKey = key;
        where.push_back({static_cast<int>(blocks.size()) - 1, static_cast<long>(bl.data.size())});
        bl.data.insert(bl.data.end(), eb.begin(), eb.end());
    }
    Bytes mainOffsets(2 * static_cast<size_t>(mf) * ms);
    {
        size_t k = 0;
        for (int idx = 0; idx < mf * ms; ++idx) {
            while (k < main.size() && (main[k].first - 1) * ms + (main[k].second - 1) < idx)
                ++k;
            long off = k < main.size() ? where[k].second : (blocks.empty() ? 0 : static_cast<long>(blocks.back().data.size()));
            pwdPut16(&mainOffsets[2 * idx], static_cast<uint32_t>(off));
        }
    }
    int mainShort = 1000, mainLong = 0, comShort = 1000, comLong = 0;
    for (const Entry& e : main)
        wordLength(e, &mainShort, &mainLong);
    for (const Entry& e : common)
        wordLength(e, &comShort, &comLong);
    if (mainLong == 0)
        mainShort = 0;
    if (comLong == 0)
        comShort = 0;

    // Exact lists.
    auto exactLess = [&](const std::string& a, const std::string& c) {
        return pwdExactCompare(t.code, reinterpret_cast<const unsigned char*>(a.c_str()),
                               reinterpret_cast<const unsigned char*>(c.c_str()))
            < 0;
    };
    std::sort(exactA.begin(), exactA.end(), exactLess);
    std::sort(exactB.begin(), exactB.end());
    auto packExact = [&](const std::vector<std::string>& list) {
        Bytes out;
        for (const std::string& w : list) {
            if (static_cast<long>(out.size() + w.size() + 1) > kExactBudget) {
                ++b.droppedExact;
                continue;
            }
            out.insert(out.end(), w.begin(), w.end());
            out.push_back(0);
        }
        return out;
    };
    Bytes listA = packExact(exactA), listB = packExact(exactB);

    // Digram encoding table.
    Bytes digramEnc(2 + 2 * static_cast<size_t>(dfirst), 0);
    digramEnc[0] = static_cast<unsigned char>(dfirst);
    digramEnc[1] = static_cast<unsigned char>(dsecond);
    for (int x = 1; x <= dfirst; ++x) {
        bool any = false;
        for (int y = 1; y <= dsecond; ++y)
            any = any || digramOf[x][y];
        if (!any)
            continue;
        pwdPut16(&digramEnc[2 * x], static_cast<uint32_t>(digramEnc.size()));
        for (int y = 1; y <= dsecond; ++y)
            digramEnc.push_back(digramOf[x][y]);
    }

    // Etc block.
    uint16_t options = PWDO_SUBSTITUTIONS;
    // Compounds (parts found at the hyphenator's points) only when asked:
    // the Debian lists carry their compounds, and free compounding accepts
    // too many misspellings that happen to split into words.
    if (compounds)
        options |= PWDO_COMPOUNDS;
    Bytes etc;
    for (auto* list : {&b.leading, &b.trailing}) {
        Bytes sub;
        for (const Bytes& c : *list) {
            sub.insert(sub.end(), c.begin(), c.end());
            sub.push_back(0);
        }
        etc.push_back(static_cast<unsigned char>(sub.size() + 1));
        etc.insert(etc.end(), sub.begin(), sub.end());
    }
    for (int c = 0; c <= t.letters; ++c)
        etc.push_back(t.lower[c]);
    for (int c = 0; c <= t.letters; ++c)
        etc.push_back(t.upper[c]);
    for (int leader = 1; leader <= t.letters; ++leader) {
        Bytes members;
        for (int c = 1; c <= t.letters; ++c)
            if (t.base[c] == leader)
                members.push_back(static_cast<unsigned char>(c));
        if (members.empty())
            continue;
        etc.push_back(static_cast<unsigned char>(leader));
        etc.insert(etc.end(), members.begin(), members.end());
        etc.push_back(0);
    }
    etc.push_back(0);
    if (!partsFrom.empty()) {
        Bytes parts = compoundParts(partsFrom, t);
        if (parts.size() > 0xFFFF) {
            fprintf(stderr, "dictbuild: too many compound parts in %s\n", partsFrom.c_str());
            return 1;
        }
        etc.push_back(static_cast<unsigned char>(parts.size() >> 8));
        etc.push_back(static_cast<unsigned char>(parts.size() & 0xFF));
        etc.insert(etc.end(), parts.begin(), parts.end());
        options |= PWDO_LONG_SECTION;
    }
    for (int c = 1; c <= t.letters; ++c)
        if (t.base[c]) {
            etc.push_back(t.base[c]);
            etc.push_back(static_cast<unsigned char>(c));
        }
    etc.push_back(0);

    if (attached) {
        // Pronouns written onto the verb; those marked may follow another
        // ("me" + "lo").
        std::vector<std::pair<std::string, bool>> clitics;
        if (b.language == 1)
            clitics = {{"me", false}, {"te", false}, {"se", false}, {"nos", false}, {"os", false}, {"lo", true},
                       {"la", true},  {"los", true}, {"las", true}, {"le", true},   {"les", true}};
        if (b.language == 2)
            clitics = {{"mi", false}, {"ti", false}, {"si", false}, {"ci", false}, {"vi", false}, {"lo", true},
                       {"la", true},  {"li", true},  {"le", true},  {"gli", false}, {"ne", true}};
        std::vector<Bytes> table;
        for (auto& [word, follows] : clitics) {
            Bytes e;
            for (auto it = word.rbegin(); it != word.rend(); ++it) {
                int code = t.code[static_cast<unsigned char>(*it)];
                if (code <= 0 || code > 0x3F) {
                    fprintf(stderr, "dictbuild: clitic letter without a 6-bit code\n");
                    return 1;
                }
                e.push_back(static_cast<unsigned char>(code));
            }
            if (follows)
                e[0] |= 0x40;
            table.push_back(e);
        }
        std::sort(table.begin(), table.end(), [](const Bytes& x, const Bytes& y) {
            for (size_t i = 0; i < x.size() && i < y.size(); ++i)
                if ((x[i] & 0x3F) != (y[i] & 0x3F))
                    return (x[i] & 0x3F) < (y[i] & 0x3F);
            return x.size() < y.size();
        });
        Bytes tail;
        for (const Bytes& e : table) {
            tail.insert(tail.end(), e.begin(), e.end());
            tail.push_back(0);
        }
        if (tail.size() + 1 > 255) {
            fprintf(stderr, "dictbuild: attached clitics table too long\n");
            return 1;
        }
        etc.insert(etc.end(), tail.begin(), tail.end());
        etc.push_back(static_cast<unsigned char>(tail.size() + 1));
        options |= PWDO_ATTACHED_CLITICS;
    }
    if (accents)
        options |= PWDO_ACCENTS;

    Bytes phonetic = phoneticTable(t, b.language);

    // Header.
    Bytes header(PWDH_BLOCK_INDEX + PWDH_BLOCK_ENTRY * blocks.size(), 0);
    pwdPut16(&header[PWDH_VERSION], 3);
    pwdPut16(&header[PWDH_LANGUAGE], static_cast<uint32_t>(b.language));
    pwdPut16(&header[PWDH_OPTIONS], options);
    memcpy(&header[PWDH_CLASSES], t.cls, 256);
    memcpy(&header[PWDH_CODES], t.code, 256);
    memcpy(&header[PWDH_DIGRAMS], decode, 256);
    pwdPut16(&header[PWDH_BLOCK_COUNT], static_cast<uint32_t>(blocks.size()));
    pwdPut32(&header[PWDH_BLOCK_SIZE], kBlockSize);
    header[PWDH_LEVEL1] = static_cast<unsigned char>(levelA);
    header[PWDH_LEVEL2] = static_cast<unsigned char>(levelB);
    const int counts[PWDC_COUNT] = {t.letters, cf, cs, mf, ms, mainLong, mainShort, comLong, comShort};
    for (int i = 0; i < PWDC_COUNT; ++i)
        pwdPut16(&header[PWDH_COUNTS + 2 * i], static_cast<uint32_t>(counts[i]));
    for (size_t i = 0; i < blocks.size(); ++i) {
        unsigned char* e = &header[PWDH_BLOCK_INDEX + PWDH_BLOCK_ENTRY * i];
        pwdPut16(e, static_cast<uint32_t>(kBlockSize - blocks[i].data.size()));
        pwdPut32(e + 2, blocks[i].firstKey);
        pwdPut32(e + 6, blocks[i].lastKey);
    }

    const Bytes* tables[PWDT_COUNT] = {&etc,   &commonOffsets, &commonEntries, &mainOffsets, nullptr,
                                       &listA, &listB,         &endings,       &digramEnc,   &phonetic};
    uint32_t positions[PWDT_COUNT] = {};
    long pos = 4 + static_cast<long>(header.size());
    for (int i = 0; i < PWDT_COUNT; ++i) {
        if (!tables[i])
            continue;
        positions[i] = static_cast<uint32_t>(pos);
        pos += 4 + static_cast<long>(tables[i]->size());
    }
    positions[PWDT_FIRST_BLOCK] = static_cast<uint32_t>(pos);
    long total = pos + (blocks.empty() ? 0 : static_cast<long>(blocks.size() - 1) * kBlockSize + static_cast<long>(blocks.back().data.size()));
    for (int i = 0; i < PWDT_COUNT; ++i)
        pwdPut32(&header[PWDH_POSITIONS + 4 * i], positions[i]);
    pwdPut32(&header[PWDH_CACHE_THRESHOLD], static_cast<uint32_t>(total));

    Bytes file;
    appendBlock(file, header);
    for (int i = 0; i < PWDT_COUNT; ++i)
        if (tables[i])
            appendBlock(file, *tables[i]);
    for (size_t i = 0; i < blocks.size(); ++i) {
        Bytes data = blocks[i].data;
        if (i + 1 < blocks.size())
            data.resize(kBlockSize, 0);
        file.insert(file.end(), data.begin(), data.end());
    }
    for (auto* tb : {&header, &etc, &commonOffsets, &commonEntries, &mainOffsets, &listA, &listB, &endings,
                     &digramEnc, &phonetic})
        if (tb->size() > kMaxTable) {
            fprintf(stderr, "dictbuild: a table of %s is too large (%zu bytes)\n", argv[2], tb->size());
            return 1;
        }
    FILE* out = fopen(argv[2], "wb");
    if (!out || fwrite(file.data(), 1, file.size(), out) != file.size() || fclose(out) != 0) {
        fprintf(stderr, "dictbuild: cannot write %s\n", argv[2]);
        return 1;
    }
    printf("dictbuild: %s: %ld lines, %zu words, %zu coded, %zu entries (%zu common), %zu blocks, "
           "%zu+%zu exact, %ld inner-capital words coded for want of room, %d endings, "
           "%ld skipped (not in the set), %ld too long, %ld exact dropped, "
           "%zu bytes\n",
           argv[2], read, b.words.size(), coded.size(), entries.size(), common.size(), blocks.size(),
           exactA.size(), exactB.size(), codedInner, endingCount, b.skippedSet, b.skippedLong, b.droppedExact, file.size());
    return 0;
}
