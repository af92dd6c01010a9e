// The shipped dictionaries measured against the word lists they are built
// from: exact-case words, compounds made of listed words, and one-letter
// corruptions of listed words.
//
// The samples are drawn with a fixed seed. To measure on a larger held-out
// sample, run with SCRIVLY_DICT_SEED and SCRIVLY_DICT_CASES set; the figures
// are printed either way.

#include "SpellTestSupport.h"

#include "spelling/hyph.h"
#include "spelling/pwd_charsets.h"

#include <cstdint>
#include <set>
#include <sstream>
#include <unordered_set>

namespace {

using spelltest::PoolTest;

// The word lists each dictionary is built from (tools/dictbuild).
struct Language {
    const char* dictionary;
    std::vector<std::string> lists;
    // Linking elements put between the parts of a compound.
    std::vector<std::u32string> links;
    // Floors in percent: the aim for every compounding language.
    double compoundsAccepted, corruptionsRejected;
};

const Language kCompounding[] = {
    {"German", {"ngerman"}, {U"", U"s"}, 90, 99.5},
    {"SwissGerman", {"swiss"}, {U"", U"s"}, 90, 99.5},
    {"Dutch", {"dutch"}, {U"", U"s"}, 90, 99.5},
    {"Swedish", {"swedish"}, {U"", U"s"}, 90, 99.5},
    {"Danish", {"danish"}, {U"", U"s"}, 90, 99.5},
    {"Norwegian", {"bokmaal", "nynorsk"}, {U"", U"s"}, 90, 99.5},
};

void PrintTo(const Language& l, std::ostream* os)
{
    *os << l.dictionary;
}

unsigned long envNumber(const char* name, unsigned long fallback)
{
    const char* v = std::getenv(name);
    return v && *v ? std::strtoul(v, nullptr, 10) : fallback;
}

// A small generator of our own, so that a seed draws the same sample with
// any standard library.
struct Draw {
    uint64_t state;
    explicit Draw(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint32_t next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<uint32_t>(state >> 11);
    }
    size_t below(size_t n) { return n ? next() % n : 0; }
};

std::u32string fromUtf8(const std::string& s)
{
    std::u32string out;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : 4;
        char32_t u = n == 1 ? c : c & (0x7F >> n);
        for (int k = 1; k < n && i + k < s.size(); ++k)
            u = (u << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(u);
        i += n;
    }
    return out;
}

bool isLower(char32_t u)
{
    return (u >= 'a' && u <= 'z') || (u >= 0xDF && u <= 0xFF && u != 0xF7);
}

bool isUpper(char32_t u)
{
    return (u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7);
}

char32_t lower(char32_t u)
{
    return isUpper(u) ? u + 0x20 : u;
}

char32_t upper(char32_t u)
{
    return isLower(u) && u != 0xDF && u != 0xFF ? u - 0x20 : u;
}

// The word in the engine's set; empty when a character is not in it.
std::string toMac(const std::u32string& w)
{
    std::string out;
    for (char32_t u : w) {
        if (u < 128) {
            out += static_cast<char>(u);
            continue;
        }
        int m = 0;
        for (int i = 0; i < 128 && !m; ++i)
            if (pwdMacRomanUnicode[i] == u)
                m = 128 + i;
        if (!m)
            return "";
        out += static_cast<char>(m);
    }
    return out;
}

struct WordList {
    std::vector<std::u32string> words; // letters only, in list order
    std::unordered_set<std::u32string> listed;
    std::vector<char32_t> alphabet;    // lower-case letters seen in the list

    // Files in /usr/share/dict, or hunspell dictionaries ("/path/name.dic"),
    // whose words unmunch expands.
    explicit WordList(const std::vector<std::string>& files)
    {
        std::set<char32_t> letters;
        for (const std::string& f : files) {
            std::stringstream in;
            if (f.size() > 4 && f.compare(f.size() - 4, 4, ".dic") == 0) {
                std::string cmd = "unmunch " + f + " " + f.substr(0, f.size() - 4) + ".aff 2>/dev/null";
                if (FILE* p = popen(cmd.c_str(), "r")) {
                    char buf[65536];
                    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;)
                        in.write(buf, static_cast<std::streamsize>(n));
                    pclose(p);
                }
            } else {
                std::ifstream file("/usr/share/dict/" + f, std::ios::binary);
                in << file.rdbuf();
            }
            std::string line;
            while (std::getline(in, line)) {
                std::u32string w = fromUtf8(line);
                listed.insert(w);
                bool ok = !w.empty() && !toMac(w).empty();
                for (char32_t u : w)
                    ok = ok && (isLower(u) || isUpper(u));
                if (!ok)
                    continue;
                words.push_back(w);
                for (char32_t u : w)
                    letters.insert(lower(u));
            }
        }
        alphabet.assign(letters.begin(), letters.end());
    }

    // Whether the check may rightly accept the word as listed: as it is, or
    // capitalised or in capitals from a listed form.
    bool accepts(const std::u32string& w) const
    {
        if (listed.count(w))
            return true;
        std::u32string l;
        for (char32_t u : w)
            l.push_back(lower(u));
        std::u32string c = l;
        c[0] = upper(c[0]);
        return listed.count(l) || listed.count(c);
    }

    const std::u32string& any(Draw& d) const { return words[d.below(words.size())]; }
};

// Two- and three-part compounds of listed words of at least three letters,
// joined by the language's linking elements, leaving out listed compounds.
std::vector<std::string> compounds(const WordList& list, const Language& lang, Draw& d, size_t count)
{
    std::vector<std::string> out;
    for (int tries = 0; out.size() < count && tries < 100 * static_cast<int>(count); ++tries) {
        int parts = 2 + static_cast<int>(d.below(2));
        std::u32string w;
        for (int p = 0; p < parts; ++p) {
            std::u32string part = list.any(d);
            while (part.size() < 3 || std::any_of(part.begin() + 1, part.end(), isUpper))
                part = list.any(d);
            if (p > 0) {
                const std::u32string& link = lang.links[d.below(lang.links.size())];
                if (link.empty() || lower(w.back()) != link.back())
                    w += link;
                part[0] = lower(part[0]);
            }
            w += part;
        }
        if (w.size() > PWD_MAX_WORD || list.accepts(w))
            continue;
        out.push_back(toMac(w));
    }
    return out;
}

// One substitution, insertion, deletion or swap of letters in a listed word,
// leaving out results that are listed themselves.
std::vector<std::string> corruptions(const WordList& list, Draw& d, size_t count)
{
    std::vector<std::string> out;
    for (int tries = 0; out.size() < count && tries < 100 * static_cast<int>(count); ++tries) {
        std::u32string w = list.any(d);
        if (w.size() < 3)
            continue;
        size_t at = d.below(w.size());
        char32_t letter = list.alphabet[d.below(list.alphabet.size())];
        bool capital = at == 0 ? isUpper(w[0]) : (w.size() > 1 && isUpper(w[1]));
        if (capital)
            letter = upper(letter);
        switch (d.below(4)) {
        case 0:
            w[at] = letter;
            break;
        case 1:
            w.insert(w.begin() + static_cast<long>(d.below(w.size() + 1)), letter);
            break;
        case 2:
            w.erase(w.begin() + static_cast<long>(at));
            break;
        default:
            if (at + 1 >= w.size())
                continue;
            std::swap(w[at], w[at + 1]);
            break;
        }
        if (list.accepts(w))
            continue;
        std::string m = toMac(w);
        if (!m.empty())
            out.push_back(m);
    }
    return out;
}

class SpellDictionaryQuality : public PoolTest {
protected:
    PWDHandle open(const std::string& name)
    {
        PWDHandle sp = PWDInitSpell(spelltest::dictionary(name).c_str(), 0);
        EXPECT_NE(sp, 0u) << name << ": status " << PWDGetStat()->status;
        return sp;
    }
};

TEST_F(SpellDictionaryQuality, CapitalsAfterTheFirstLetterMustBeTyped)
{
    PWDHandle sp = open("American");
    ASSERT_NE(sp, 0u);
    const std::pair<const char*, int> cases[] = {
        {"USA", 1},  {"NASA", 1},  {"DNA", 1},   {"IBM", 1},       {"McDonald", 1}, {"IPO", 1},
        {"Usa", 0},  {"Nasa", 0},  {"Dna", 0},   {"Ibm", 0},       {"Mcdonald", 0}, {"Ipo", 0},
        {"usa", 0},  {"nasa", 0},  {"ibm", 0},   {"mcdonald", 0},  {"MCDONALD", 1}, {"uSA", 0},
        // Words coded as lower-case or capitalised still take capitals.
        {"HOUSE", 1}, {"House", 1}, {"PARIS", 1}, {"McDonald's", 1},
    };
    for (auto& [word, accepted] : cases) {
        EXPECT_EQ(check(sp, word) != 0, accepted != 0) << word;
        EXPECT_EQ(PWDGetStat()->status & (PWD_NO_MEMORY | PWD_IO_ERROR), 0) << word;
    }
    // Guesses come in the listed case.
    const std::pair<const char*, const char*> guessed[] = {
        {"Ipo", "IPO"}, {"Nasa", "NASA"}, {"ipo", "IPO"}, {"Mcdonald", "McDonald"}, {"UAS", "USA"},
    };
    for (auto& [typed, listed] : guessed) {
        auto g = guesses(sp, typed);
        bool found = false;
        for (auto& [flag, w] : g) {
            found = found || w == listed;
            std::string folded = w;
            for (char& c : folded)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            std::string target = listed;
            for (char& c : target)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            EXPECT_FALSE(folded == target && w != listed) << typed << " guessed as " << w;
        }
        EXPECT_TRUE(found) << typed << " does not offer " << listed;
    }
    PWDKillSpell(sp);
}

// A listed word is accepted as listed, capitalised or in capitals only;
// other mixtures of small letters and capitals are typing errors ("ITs",
// "HausBoot"), whether the word is coded or listed exactly.
TEST_F(SpellDictionaryQuality, OnlyTheListedCaseItsCapitalisedFormAndCapitals)
{
    struct Case {
        const char* dictionary;
        const char* word;
        int accepted;
    };
    const Case cases[] = {
        {"American", "its", 1},        {"American", "Its", 1},         {"American", "ITS", 1},
        {"American", "ITs", 0},        {"American", "iTS", 0},         {"American", "iTs", 0},
        {"American", "FILEs", 0},      {"American", "Files", 1},       {"American", "FILES", 1},
        {"American", "EXTensions", 0}, {"American", "Extensions", 1},  {"American", "USA", 1},
        {"American", "UsA", 0},        {"American", "uSA", 0},         {"American", "McDonald", 1},
        {"American", "MCDONALD", 1},   {"American", "McDONALD", 0},    {"American", "MCDonald", 0},
        {"German", "Hausboot", 1},     {"German", "HAUSBOOT", 1},      {"German", "HausBoot", 0},
        {"German", "hausBoot", 0},     {"German", "HAUSboot", 0},
    };
    std::string open_;
    PWDHandle sp = 0;
    for (const Case& c : cases) {
        if (open_ != c.dictionary) {
            if (sp)
                PWDKillSpell(sp);
            sp = open(c.dictionary);
            open_ = c.dictionary;
        }
        ASSERT_NE(sp, 0u) << c.dictionary;
        EXPECT_EQ(check(sp, c.word) != 0, c.accepted != 0) << c.dictionary << " " << c.word;
        EXPECT_EQ(PWDGetStat()->status & (PWD_NO_MEMORY | PWD_IO_ERROR), 0) << c.word;
    }
    if (sp)
        PWDKillSpell(sp);
}

// English takes the words of modern text that the larger word source holds,
// and still rejects one-letter corruptions of its listed words.
TEST_F(SpellDictionaryQuality, EnglishTakesModernWordsAndRejectsCorruptions)
{
    PWDHandle sp = open("American");
    ASSERT_NE(sp, 0u);
    for (const char* w : {"filename", "timeout", "metadata", "checksum", "Filename", "TIMEOUT", "filenames", "timeouts"})
        EXPECT_NE(check(sp, w), 0) << w;
    for (const char* w : {"filenmae", "timout", "metdata", "cheksum"})
        EXPECT_EQ(check(sp, w), 0) << w;
    WordList list({"american-english", "/usr/share/hunspell/en_US.dic"});
    ASSERT_GT(list.words.size(), 150000u) << "word list or hunspell dictionary missing";
    Draw d(envNumber("SCRIVLY_DICT_SEED", 20250611));
    size_t total = 0, rejected = 0;
    std::string slipped;
    for (const std::string& w : corruptions(list, d, envNumber("SCRIVLY_DICT_CASES", 2000))) {
        ++total;
        if (!check(sp, w))
            ++rejected;
        else if (slipped.size() < 200)
            slipped += " " + w;
        ASSERT_EQ(PWDGetStat()->status & (PWD_NO_MEMORY | PWD_IO_ERROR), 0) << w;
    }
    PWDKillSpell(sp);
    double percent = 100.0 * static_cast<double>(rejected) / static_cast<double>(total);
    std::printf("American: corruptions rejected %zu/%zu = %.2f%%\n", rejected, total, percent);
    EXPECT_GE(percent, 99.5) << "accepted corruptions:" << slipped;
}

// A compound of two listed words of four letters or more, joined where the
// hyphenation tables break, is taken even when it is one edit away from a
// listed word ("Programmname" beside "Programmnamen", "Sitznamen" beside
// "Spitznamen").
TEST_F(SpellDictionaryQuality, GermanCompoundsAtConfirmedJoints)
{
    PWDHandle sp = open("German");
    ASSERT_NE(sp, 0u);
    const std::pair<const char*, int> cases[] = {
        {"Programmname", 1}, {"Programmdaten", 1}, {"Maschinennamen", 1}, {"Sitznamen", 1},
        {"Datenbankname", 1}, {"Programmnmae", 0}, {"Sitznamne", 0},
    };
    for (auto& [word, accepted] : cases)
        EXPECT_EQ(check(sp, word) != 0, accepted != 0) << word;
    PWDKillSpell(sp);
}

struct Figures {
    size_t compounds = 0, compoundsAccepted = 0, corruptions = 0, corruptionsRejected = 0;
    std::vector<std::string> missed, slipped; // a few of each, for the message
};

class CompoundingLanguages : public SpellDictionaryQuality, public ::testing::WithParamInterface<Language> {};

TEST_P(CompoundingLanguages, AcceptCompoundsAndRejectCorruptions)
{
    const Language& lang = GetParam();
    // Short compound parts are taken at the hyphenator's points.
    unsigned char pairs[2 * HYPH_MAX_POINTS];
    const unsigned char probe[] = "Zimmertisch";
    ASSERT_GT(pwd_hyphenate(probe, 11, pairs, 5), 0) << "no hyphenation tables";
    WordList list(lang.lists);
    ASSERT_GT(list.words.size(), 10000u) << lang.dictionary << ": word list missing";
    PWDHandle sp = open(lang.dictionary);
    ASSERT_NE(sp, 0u);
    const unsigned long seed = envNumber("SCRIVLY_DICT_SEED", 20250611);
    const size_t cases = envNumber("SCRIVLY_DICT_CASES", 300);
    const size_t examples = envNumber("SCRIVLY_DICT_EXAMPLES", 10);
    Draw d(seed);
    Figures f;
    for (const std::string& w : compounds(list, lang, d, cases)) {
        ++f.compounds;
        if (check(sp, w))
            ++f.compoundsAccepted;
        else if (f.missed.size() < examples)
            f.missed.push_back(w);
        ASSERT_EQ(PWDGetStat()->status & (PWD_NO_MEMORY | PWD_IO_ERROR), 0) << w;
    }
    for (const std::string& w : corruptions(list, d, cases)) {
        ++f.corruptions;
        if (!check(sp, w))
            ++f.corruptionsRejected;
        else if (f.slipped.size() < examples)
            f.slipped.push_back(w);
        ASSERT_EQ(PWDGetStat()->status & (PWD_NO_MEMORY | PWD_IO_ERROR), 0) << w;
    }
    PWDKillSpell(sp);
    ASSERT_GE(f.compounds, cases * 9 / 10);
    ASSERT_GE(f.corruptions, cases * 9 / 10);
    double accepted = 100.0 * static_cast<double>(f.compoundsAccepted) / static_cast<double>(f.compounds);
    double rejected = 100.0 * static_cast<double>(f.corruptionsRejected) / static_cast<double>(f.corruptions);
    std::ostringstream report;
    report << lang.dictionary << " (seed " << seed << "): compounds accepted " << f.compoundsAccepted << "/"
           << f.compounds << " = " << accepted << "%, corruptions rejected " << f.corruptionsRejected << "/"
           << f.corruptions << " = " << rejected << "%";
    std::printf("%s\n", report.str().c_str());
    std::ostringstream missed, slipped;
    for (auto& w : f.missed)
        missed << " " << w;
    for (auto& w : f.slipped)
        slipped << " " << w;
    EXPECT_GE(accepted, lang.compoundsAccepted) << report.str() << "\nrejected compounds (Mac Roman):" << missed.str();
    EXPECT_GE(rejected, lang.corruptionsRejected) << report.str() << "\naccepted corruptions (Mac Roman):" << slipped.str();
}

// The compound rule asks a filter of the dictionary's forms before it reads
// any table; the filter stands aside while a user list is installed (its
// words are not in it). Both ways give the same answer for every word.
TEST_P(CompoundingLanguages, TheFilterOfFormsChangesNoAnswer)
{
    const Language& lang = GetParam();
    WordList list(lang.lists);
    ASSERT_GT(list.words.size(), 10000u);
    // Made first: a large dictionary's tables fill the pool later on.
    PWDHandle empty = CNSNewDict(0, CNS_GROWS, 64, 4096, 64, CNSstrcmp);
    ASSERT_NE(empty, 0u);
    PWDHandle sp = open(lang.dictionary);
    ASSERT_NE(sp, 0u);
    Draw d(7);
    std::vector<std::string> words = compounds(list, lang, d, 150);
    std::vector<std::string> typos = corruptions(list, d, 150);
    words.insert(words.end(), typos.begin(), typos.end());
    std::vector<int> filtered;
    for (const std::string& w : words)
        filtered.push_back(check(sp, w) != 0);
    ASSERT_EQ(PWDInstallUser(sp, empty), 1);
    for (size_t i = 0; i < words.size(); ++i)
        EXPECT_EQ(check(sp, words[i]) != 0, filtered[i] != 0) << words[i];
    EXPECT_EQ(PWDRemoveUser(sp, empty), 1);
    PWDKillSpell(sp);
}

INSTANTIATE_TEST_SUITE_P(Dictionaries, CompoundingLanguages, ::testing::ValuesIn(kCompounding),
                         [](const auto& info) { return std::string(info.param.dictionary); });

} // namespace

namespace {

// More words with inner capitals than the exact list holds: the short ones
// stay exact, the rest are coded as capitalised, and none is lost.
TEST_F(SpellDictionaryQuality, InnerCapitalsBeyondTheExactListAreKept)
{
    std::vector<std::string> words;
    auto name = [](int i, int letters) {
        std::string w;
        for (int k = 0; k < letters; ++k, i /= 26)
            w += static_cast<char>('A' + i % 26);
        return w;
    };
    for (int i = 0; i < 10000; ++i)
        words.push_back(name(i * 7 + 3, 4));
    for (int i = 0; i < 4000; ++i)
        words.push_back(name(i * 11 + 5, 6));
    std::string path = spelltest::buildDictionary("innercaps", 0, words);
    ASSERT_FALSE(path.empty());
    PWDHandle sp = PWDInitSpell(path.c_str(), 0);
    ASSERT_NE(sp, 0u);
    int capitalisedLong = 0;
    for (const std::string& w : words) {
        ASSERT_NE(check(sp, w), 0) << w;
        std::string cap = w;
        for (size_t i = 1; i < cap.size(); ++i)
            cap[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(cap[i])));
        int accepted = check(sp, cap);
        if (w.size() == 4)
            EXPECT_EQ(accepted, 0) << cap;
        else
            capitalisedLong += accepted;
    }
    EXPECT_GT(capitalisedLong, 0);
    PWDKillSpell(sp);
    std::remove(path.c_str());
}

} // namespace

namespace {

// Each shipped dictionary carries the options of its language (words given
// in the engine's set).
TEST_F(SpellDictionaryQuality, LanguageOptionsInTheShippedDictionaries)
{
    struct Case {
        const char* dictionary;
        const char* word;
        int accepted;
    };
    const Case cases[] = {
        {"German", "Hausboot", 1},           {"German", "Stadtparkbank", 1},
        {"German", "Donaudampfschiff", 1},   {"German", "Stadtparkbnak", 0},
        {"SwissGerman", "Hausboot", 1},      {"Dutch", "fietsenstalling", 1},
        {"French1", "ECOLE", 1},             {"French1", "Ecole", 1},
        {"French1", "ecole", 0},             {"French1", "l'homme", 1},
        {"French1", "l'xomme", 0},           {"Spanish", "comer", 1},
        {"Spanish", "decirte", 1},           {"Spanish", "com\x8erselo", 1},
        {"Spanish", "perrxlo", 0},           {"Italian", "prenderla", 1},
        {"Italian", "dimmelo", 1},           {"Italian", "prendxrla", 0},
    };
    std::string open_;
    PWDHandle sp = 0;
    for (const Case& c : cases) {
        if (open_ != c.dictionary) {
            if (sp)
                PWDKillSpell(sp);
            sp = open(c.dictionary);
            open_ = c.dictionary;
        }
        ASSERT_NE(sp, 0u) << c.dictionary;
        EXPECT_EQ(check(sp, c.word) != 0, c.accepted != 0) << c.dictionary << " " << c.word;
        EXPECT_EQ(PWDGetStat()->status & (PWD_NO_MEMORY | PWD_IO_ERROR), 0) << c.word;
    }
    if (sp)
        PWDKillSpell(sp);
}

} // namespace
