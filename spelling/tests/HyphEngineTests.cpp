// The hyphenator on small hand-made tables.

#include "spelling/hyph.h"
#include "spelling/hyph_internal.h"
#include "spelling/hyphtables.h"
#include "spelling/tests/HyphTableWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

using namespace hyphtest;

namespace {

class HyphEngine : public ::testing::Test {
protected:
    std::string dir;

    void SetUp() override
    {
        char tmpl[] = "/tmp/hyphtestXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        hyph_forget();
        HyphSetResourceDir(dir.c_str());
    }
    void TearDown() override
    {
        hyph_forget();
        HyphSetResourceDir(getenv("SCRIVLY_RESOURCES"));
        std::string cmd = "rm -rf '" + dir + "'";
        (void)!system(cmd.c_str());
    }

    // A table file for the group of the language with the features of a..z.
    void install(int language, TableFile t)
    {
        t.add(HYPH_SLOT_FEATURES, HYPH_SHARED, latinFeatures());
        ASSERT_TRUE(writeBytes(dir + "/" + hyph_group_name(language) + ".hyp", t.bytes()));
        hyph_forget();
        HyphSetResourceDir(dir.c_str());
    }

    // Points of a word of letters a..z: "pos/weight" separated by spaces.
    static std::string points(const char *word, int language)
    {
        std::vector<unsigned char> codes;
        for (const char *p = word; *p; p++)
            codes.push_back((unsigned char)code(*p));
        if (InitHyph((uint16_t)language) != 0)
            return "no language";
        hyphenate(codes.data(), codes.data() + codes.size() - 1);
        std::string out;
        for (int i = 0; i < hyph_index; i++) {
            if (!out.empty())
                out += ' ';
            out += std::to_string(hyphens[2 * i]) + "/" + std::to_string(hyphens[2 * i + 1]);
        }
        return out;
    }
};

// Open syllables: a consonant between vowels starts the next syllable, of
// two consonants the first closes the syllable before.
Words syllableRules()
{
    Words list, pat;
    V(pat), C(pat, true), V(pat);
    positive(list, pat, 1);
    pat.clear();
    V(pat), C(pat), C(pat, true), V(pat);
    positive(list, pat, 1);
    return list;
}

// A point before every letter.
Words everyLetter(uint16_t value = 1)
{
    Words list, pat;
    Any(pat), Any(pat, true);
    positive(list, pat, value);
    return list;
}

TEST_F(HyphEngine, SelectionOfLanguagesWithoutRules)
{
    for (int language : {16, 30, 32, 33, 200, 65534}) {
        EXPECT_EQ(InitHyph((uint16_t)language), -1) << language;
        EXPECT_EQ(dashes_currentLang, HYPH_NO_LANGUAGE);
        unsigned char codes[6] = {1, 2, 1, 2, 1, 2};
        EXPECT_EQ(hyphenate(codes, codes + 5), -1);
        EXPECT_EQ(hyph_index, 0);
    }
}

TEST_F(HyphEngine, FailedSelectionIsRememberedUntilTheFolderChanges)
{
    unsigned char pairs[80];
    EXPECT_EQ(pwd_hyphenate((const unsigned char *)"banana", 6, pairs, 12), 0);
    EXPECT_EQ(InitHyph(12), -1);
    EXPECT_NE(std::string(HyphLastError()), "");
    // The tables appear; the language stays refused until the folder is set again.
    TableFile t;
    t.rules(HYPH_SLOT_PROOT, syllableRules());
    t.add(HYPH_SLOT_FEATURES, HYPH_SHARED, latinFeatures());
    ASSERT_TRUE(writeBytes(dir + "/greek.hyp", t.bytes()));
    EXPECT_EQ(InitHyph(12), -1);
    EXPECT_EQ(pwd_hyphenate((const unsigned char *)"banana", 6, pairs, 12), 0);
    HyphSetResourceDir(dir.c_str());
    EXPECT_EQ(InitHyph(12), 0);
    EXPECT_EQ(dashes_currentLang, 12);
    ASSERT_EQ(pwd_hyphenate((const unsigned char *)"banana", 6, pairs, 12), 2);
    EXPECT_EQ(pairs[0], 1);
    EXPECT_EQ(pairs[2], 3);
}

TEST_F(HyphEngine, DamagedFilesAreRefused)
{
    TableFile good;
    good.rules(HYPH_SLOT_PROOT, syllableRules());
    good.add(HYPH_SLOT_FEATURES, HYPH_SHARED, latinFeatures());
    Bytes whole = good.bytes();

    struct Case {
        const char *what;
        Bytes data;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"truncated header", Bytes(whole.begin(), whole.begin() + 6)});
    cases.push_back({"truncated sections", Bytes(whole.begin(), whole.end() - 3)});
    Bytes magic = whole;
    magic[0] = 'X';
    cases.push_back({"bad magic", magic});
    Bytes count = whole;
    count[6] = 200;
    cases.push_back({"section count past the end", count});
    {
        TableFile t;
        t.add(HYPH_SLOT_FEATURES, HYPH_SHARED, latinFeatures());
        Words unterminated = syllableRules();
        t.add(HYPH_SLOT_PROOT, HYPH_SHARED, bytesOf(unterminated));
        cases.push_back({"rule list without its closing word", t.bytes()});
    }
    {
        TableFile t;
        t.add(HYPH_SLOT_FEATURES, HYPH_SHARED, latinFeatures());
        // Three words announced, the last a two-word item cut by the end.
        Words list = {0x0003 | 0x7800, 1, L('a'), L('b'), 0x0000};
        list.push_back(0);
        t.add(HYPH_SLOT_PROOT, HYPH_SHARED, bytesOf(list));
        cases.push_back({"two-word item cut off", t.bytes()});
    }
    {
        TableFile t;
        t.add(HYPH_SLOT_FEATURES, HYPH_SHARED, latinFeatures());
        Bytes idx = index({});
        idx[0] = 200;
        t.add(HYPH_SLOT_EXINDEX, HYPH_SHARED, idx);
        cases.push_back({"index with codes past 63", t.bytes()});
    }
    {
        TableFile t;
        cases.push_back({"no feature table", t.bytes()});
    }
    for (const Case &c : cases) {
        ASSERT_TRUE(writeBytes(dir + "/greek.hyp", c.data));
        hyph_forget();
        HyphSetResourceDir(dir.c_str());
        EXPECT_EQ(InitHyph(12), -1) << c.what;
        EXPECT_NE(std::string(HyphLastError()), "") << c.what;
        unsigned char pairs[80];
        EXPECT_EQ(pwd_hyphenate((const unsigned char *)"banana", 6, pairs, 12), 0) << c.what;
    }
}

TEST_F(HyphEngine, SyllableRulesAndTheEnds)
{
    TableFile t;
    t.rules(HYPH_SLOT_PROOT, syllableRules());
    install(12, t);
    struct Case {
        const char *word;
        const char *points;
    } cases[] = {
        {"ana", ""},                 // fewer than four letters
        {"banana", "1/1 3/1"},
        {"abanto", "0/4 3/1"},       // a break after the first letter is forbidden
        {"kartoffel", "2/1 5/1"},
        {"strnk", ""},               // no vowels, no points
        {"nnevellil", "0/4 1/2 2/2 4/2 6/2"}, // the built-in test word
    };
    for (const Case &c : cases)
        EXPECT_EQ(points(c.word, 12), c.points) << c.word;
}

TEST_F(HyphEngine, PointBoundsAndWeightFourAtTheEnds)
{
    TableFile t;
    t.rules(HYPH_SLOT_PROOT, everyLetter());
    install(12, t);
    EXPECT_EQ(points("abcdef", 12), "0/4 1/1 2/1 3/1 4/4");

    std::string longWord(60, 'a');
    points(longWord.c_str(), 12);
    ASSERT_EQ(hyph_index, HYPH_MAX_POINTS);
    for (int i = 0; i < HYPH_MAX_POINTS; i++)
        EXPECT_EQ(hyphens[2 * i], i);
}

// Forbidding points take room in the list of 40 too; a long compound with a
// point at every letter must still keep every break the rules permit.
TEST_F(HyphEngine, ForbiddingPointsNeverCrowdOutPermittedBreaks)
{
    Words list, pat;
    Any(pat), pat.push_back(L('b', true));
    positive(list, pat, 1);
    Words every = everyLetter(4);
    list.insert(list.end(), every.begin(), every.end());
    TableFile t;
    t.rules(HYPH_SLOT_PROOT, list);
    install(12, t);
    for (int parts : {5, 15, 30}) {
        std::string word;
        std::vector<int> expected;
        for (int k = 0; k < parts; k++) {
            word += "aaa";
            expected.push_back((int)word.size() - 1);
            word += 'b';
        }
        word += "aa";
        points(word.c_str(), 12);
        std::vector<int> permitted;
        for (int i = 0; i < hyph_index; i++) {
            EXPECT_LT(hyphens[2 * i], word.size() - 1) << parts;
            if (hyphens[2 * i + 1] < 4)
                permitted.push_back(hyphens[2 * i]);
        }
        EXPECT_EQ(permitted, expected) << parts;
        EXPECT_LE(hyph_index, HYPH_MAX_POINTS);
        if (parts == 5) {
            EXPECT_EQ(hyph_index, (int)word.size() - 1);
        }
    }
}

TEST_F(HyphEngine, AtMostFiveHundredRulesPerWord)
{
    // With 100 misses a letter the bound falls inside the fifth letter.
    for (int misses : {10, 100, 600}) {
        Words list, pat;
        pat.push_back(L('q'));
        pat.push_back(L('q', true));
        for (int i = 0; i < misses; i++)
            positive(list, pat, 1);
        Words every = everyLetter();
        list.insert(list.end(), every.begin(), every.end());
        TableFile t;
        t.rules(HYPH_SLOT_PROOT, list);
        install(12, t);
        EXPECT_EQ(points("abcdef", 12), misses == 10 ? "0/4 1/1 2/1 3/1 4/4" : misses == 100 ? "0/4 1/1 2/1 3/1" : "")
            << misses;
    }
}

TEST_F(HyphEngine, ExceptionListSearch)
{
    TableFile t;
    t.rules(HYPH_SLOT_PROOT, everyLetter(3));
    t.add(HYPH_SLOT_EXINDEX, HYPH_SHARED,
          exceptionIndex({"ab-cd", "ab-cd-ef", "abd-dd", "bc-de", "mmmm", "zz-zz-z"}));
    install(12, t);
    struct Case {
        const char *word;
        const char *points;
    } cases[] = {
        {"abcd", "1/2"},                 // listed: its points, with weight 2
        {"abcdef", "1/2 3/2"},
        {"abddd", "2/2"},
        {"bcde", "1/2"},
        {"mmmm", ""},                    // listed without points
        {"zzzzz", "1/2 3/4"},
        {"abcde", "0/4 1/3 2/3 3/4"},    // not listed: the rules apply
        {"abce", "0/4 1/3 2/4"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(points(c.word, 12), c.points) << c.word;
}

TEST_F(HyphEngine, NegativeRulesVetoOrReweigh)
{
    Words pos, pat;
    Any(pat), Any(pat, true);
    positive(pos, pat, 0x0100 | 1);
    Words neg;
    negative(neg, {L('b'), L('c', true)}, 0x0100 | 4);          // never between b and c
    negative(neg, {L('c'), L('d', true)}, 0x0100 | 0);          // a good break between c and d
    negative(neg, {L('e'), L('f', true)}, 0x0200 | 4);          // another class: not asked
    TableFile t;
    t.rules(HYPH_SLOT_PROOT, pos);
    t.rules(HYPH_SLOT_NROOT, neg);
    install(12, t);
    // The vetoed break stays as a point of weight 4, which forbids it.
    EXPECT_EQ(points("abcdefgh", 12), "0/4 1/4 2/0 3/1 4/1 5/1 6/4");
}

// A rule point of weight 4 is added: it keeps a later rule from allowing
// the break, and the rules after it start from it.
TEST_F(HyphEngine, RulePointsOfWeightFourAreAdded)
{
    Words list, pat;
    pat = {L('c'), L('d', true)};
    positive(list, pat, 4);
    pat = {L('d'), L('e', true)};
    positive(list, pat, 1, 0x7800, HYPH_RULE_AFTERPOINT);
    TableFile t;
    t.rules(HYPH_SLOT_PROOT, list);
    install(12, t);
    // Only the forbidden point between c and d anchors the rule that
    // matches right after the last point.
    EXPECT_EQ(points("abcdefgh", 12), "2/4 3/1");
    EXPECT_EQ(points("abxdefgh", 12), "");
}

// The index of the negative rules may come with the file; it must give the
// points the rules give, and a damaged one must neither crash nor apply a
// rule where its letters are not.
TEST_F(HyphEngine, StoredNegativeRuleIndex)
{
    Words pos, pat;
    Any(pat), Any(pat, true);
    positive(pos, pat, 0x0100 | 1);
    Words neg;
    negative(neg, {L('a'), L('b'), L('c', true), L('d')}, 0x0100 | 0); // the longer context first
    negative(neg, {L('b'), L('c', true)}, 0x0100 | 4);
    negative(neg, {L('c'), L('d', true)}, 0x0100 | 0);
    Words list = neg;
    list.push_back(0);
    uint32_t size = 0;
    unsigned char *built = hyph_neg_trie_build(list.data(), (uint32_t)list.size(), HYPH_RULE_SETS, &size);
    ASSERT_NE(built, nullptr);
    Bytes index(built, built + size);
    free(built);

    struct Case {
        const char *name;
        Bytes index; // empty: none stored
        const char *abcdefgh, *xbcdefgh;
    };
    Bytes truncated(index.begin(), index.end() - 1);
    // The same layout built from other rules: its offsets name the wrong rules.
    Words other;
    negative(other, {L('x'), L('y', true)}, 0x0100 | 4);
    negative(other, {L('f'), L('g', true)}, 0x0100 | 4);
    other.push_back(0);
    unsigned char *otherBuilt = hyph_neg_trie_build(other.data(), (uint32_t)other.size(), HYPH_RULE_SETS, &size);
    ASSERT_NE(otherBuilt, nullptr);
    Bytes lying(otherBuilt, otherBuilt + size);
    free(otherBuilt);
    Case cases[] = {
        {"built on loading", {}, "0/4 1/0 2/0 3/1 4/1 5/1 6/4", "0/4 1/4 2/0 3/1 4/1 5/1 6/4"},
        {"stored", index, "0/4 1/0 2/0 3/1 4/1 5/1 6/4", "0/4 1/4 2/0 3/1 4/1 5/1 6/4"},
        // Rules the index does not name are lost, none is misapplied.
        {"naming other rules", lying, "0/4 1/1 2/1 3/1 4/1 5/1 6/4", "0/4 1/1 2/1 3/1 4/1 5/1 6/4"},
    };
    for (const Case &c : cases) {
        TableFile t;
        t.rules(HYPH_SLOT_PROOT, pos);
        t.rules(HYPH_SLOT_NROOT, neg);
        if (!c.index.empty())
            t.add(HYPH_SLOT_NEGINDEX, HYPH_SHARED, c.index);
        install(12, t);
        EXPECT_EQ(points("abcdefgh", 12), c.abcdefgh) << c.name;
        EXPECT_EQ(points("xbcdefgh", 12), c.xbcdefgh) << c.name;
    }
    TableFile t;
    t.rules(HYPH_SLOT_PROOT, pos);
    t.rules(HYPH_SLOT_NROOT, neg);
    t.add(HYPH_SLOT_NEGINDEX, HYPH_SHARED, truncated);
    install(12, t);
    EXPECT_EQ(InitHyph(12), -1);
    EXPECT_NE(std::string(HyphLastError()), "");
}

// Rules compiled from a pattern file: a rule may break after its letters
// whatever letter follows, and a stored index made for the longest runs
// applies at each letter only the rules of the longest run of letters the
// trie holds there, as libhyphen reads its patterns ("abcz" hides "bc" in
// "abcd"); rules of no class only add their letters to the trie.
TEST_F(HyphEngine, StoredIndexOfTheLongestRuns)
{
    Words pos, pat;
    Any(pat), Any(pat, true);
    positive(pos, pat, 0x0100 | 1);
    Words neg;
    negative(neg, {L('b'), L('c', true)}, 0x0100 | 0);
    Words after = {L('e'), L('f')};
    Any(after, true);
    negative(neg, after, 0x0100 | 0);
    negative(neg, {L('a', true), L('b'), L('c'), L('z')}, 0);
    Words list = neg;
    list.push_back(0);
    struct Case {
        uint16_t flags;
        const char *abcdefgh, *xbcdefgh;
    } cases[] = {
        {0, "0/4 1/0 2/1 3/1 4/1 5/0 6/4", "0/4 1/0 2/1 3/1 4/1 5/0 6/4"},
        {HYPH_NEG_LONGEST, "0/4 1/1 2/1 3/1 4/1 5/0 6/4", "0/4 1/0 2/1 3/1 4/1 5/0 6/4"},
    };
    for (const Case &c : cases) {
        uint32_t size = 0;
        unsigned char *built = hyph_neg_trie_build(list.data(), (uint32_t)list.size(), HYPH_RULE_SETS | c.flags, &size);
        ASSERT_NE(built, nullptr);
        TableFile t;
        t.rules(HYPH_SLOT_PROOT, pos);
        t.rules(HYPH_SLOT_NROOT, neg);
        t.add(HYPH_SLOT_NEGINDEX, HYPH_SHARED, Bytes(built, built + size));
        free(built);
        install(12, t);
        EXPECT_EQ(points("abcdefgh", 12), c.abcdefgh) << c.flags;
        EXPECT_EQ(points("xbcdefgh", 12), c.xbcdefgh) << c.flags;
    }
}

// More negative rules than the engine keeps per letter match at one place:
// the first of the asked class in list order still decides.
TEST_F(HyphEngine, ManyNegativeRulesAtOnePlace)
{
    Words pos, pat;
    Any(pat), Any(pat, true);
    positive(pos, pat, 0x0100 | 1);
    Words neg;
    const char *left[] = {"abcd", "bcd", "cd", "d"};
    const char *right[] = {"efg", "ef", "e"};
    // Twelve rules of another class around the break before e, then one of
    // the class asked.
    for (const char *l : left)
        for (const char *r : right) {
            Words p;
            for (const char *q = l; *q; q++)
                p.push_back(L(*q));
            for (const char *q = r; *q; q++)
                p.push_back(L(*q, q == r));
            negative(neg, p, 0x0200 | 4);
        }
    negative(neg, {L('d'), L('e', true)}, 0x0100 | 0);
    TableFile t;
    t.rules(HYPH_SLOT_PROOT, pos);
    t.rules(HYPH_SLOT_NROOT, neg);
    install(12, t);
    EXPECT_EQ(points("abcdefgh", 12), "0/4 1/1 2/1 3/0 4/1 5/1 6/4");
}

TEST_F(HyphEngine, SuffixesAndPrefixesBringTheirPoints)
{
    for (bool onsets : {true, false}) {
        TableFile t;
        t.rules(HYPH_SLOT_PROOT, syllableRules());
        t.add(HYPH_SLOT_SUINDEX, HYPH_SHARED, index({{code('g'), suffixEntry("ing", 1, 1)}}));
        t.add(HYPH_SLOT_PRINDEX, HYPH_SHARED, index({{code('u'), prefixEntry("un", 1, 0)}}));
        if (onsets)
            t.rules(HYPH_SLOT_PONSETS, {0x7800});
        install(15, t);
        // Croatian has identity hooks: what the tables give is what comes out.
        EXPECT_EQ(points("walking", 15), "3/1");
        // Without an onset list the prefix's point goes and the rules see the whole word.
        EXPECT_EQ(points("unbolted", 15), onsets ? "1/0 4/1" : "1/1 4/1") << onsets;
    }
}

// A suffix that starts an island has its letters hyphenated by the rules on
// their own; suffixes that keep the island open join it, any other closes
// it.
TEST_F(HyphEngine, SuffixIslands)
{
    const int island = 0x40, keepOpen = 0x20;
    struct Case {
        const char *word;
        int ismFlags, ationFlags;
        const char *points;
    } cases[] = {
        {"creation", 0, 0, "2/1"},
        {"creation", 0, island, "2/1 3/1"},               // closed after the prefixes
        {"creationism", island, 0, "2/1 7/1"},            // closed by "ation": "ism" has no break
        {"creationism", island, keepOpen, "2/1 3/1 6/1 7/1"}, // "ationism" as one island
        {"creationism", 0, keepOpen, "2/1 7/1"},          // nothing open to keep
    };
    for (const Case &c : cases) {
        TableFile t;
        t.rules(HYPH_SLOT_PROOT, syllableRules());
        // One compatibility class whose suffixes may follow each other.
        t.add(HYPH_SLOT_SUINDEX, HYPH_SHARED,
              index({{code('m'), suffixEntry("ism", 1, 1, 0, 0, c.ismFlags)},
                     {code('n'), suffixEntry("ation", 2, 1, 0, 0, c.ationFlags)}},
                    1, {1}));
        install(15, t);
        EXPECT_EQ(points(c.word, 15), c.points) << c.word << " " << c.ismFlags << " " << c.ationFlags;
    }
}

TEST_F(HyphEngine, VowelSuffixRepairRejoinsAfterALoneFirstVowel)
{
    TableFile t;
    t.rules(HYPH_SLOT_PROOT, syllableRules());
    t.add(HYPH_SLOT_SUINDEX, HYPH_SHARED, index({{code('g'), suffixEntry("ung", 1, 1)}}));
    t.rules(HYPH_SLOT_PRHYMES, {0x7800});
    t.rules(HYPH_SLOT_PONSETS, {0x7800});
    install(5, t);
    // zeit|ung: the rhyme before the suffix passes; in "eitung" the vowel
    // group begins the word, so the suffix rejoins and the rules decide.
    EXPECT_EQ(points("zeitung", 5), "3/1");
    EXPECT_EQ(points("eitung", 5), "1/1");
}

TEST_F(HyphEngine, CatalanKeepsItsDigraphs)
{
    TableFile t;
    Words list, pat;
    V(pat), C(pat), C(pat, true), V(pat);
    positive(list, pat, 1);
    t.rules(HYPH_SLOT_PROOT, list);
    install(27, t);
    EXPECT_EQ(points("canyada", 27), "");
    EXPECT_EQ(points("cartada", 27), "2/1");
    EXPECT_EQ(points("callada", 27), "");
}

TEST_F(HyphEngine, EnglishMonoCheckDropsTheBreakOfOneSyllable)
{
    TableFile t;
    t.rules(HYPH_SLOT_PROOT, syllableRules());
    install(0, t);
    EXPECT_EQ(points("ripe", 0), "");      // one syllable with a silent e
    EXPECT_EQ(points("ripen", 0), "1/1");
}

TEST_F(HyphEngine, CharacterMapsAndDelimiters)
{
    struct Case {
        unsigned char c;
        int language;
        int code;
    } cases[] = {
        {'A', 0, 1}, {'a', 0, 1}, {'z', 0, 26}, {137, 0, 27}, {221, 0, 27}, {138, 0, 28}, {222, 0, 28},
        {'1', 0, 0}, {'-', 0, 0}, {0xE9, 0, 0}, {'a', 23, 0}, {'a', 26, 0}, {'a', 31, 0}, {0xFB, 5, 30},
        {0xF6, 5, 29}, {0xFB, 4, 0}, {'a', 5, 1}, {0xE0, 14, 1}, {0xC0, 14, 1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(host2dashes(c.c, (uint16_t)c.language), c.code) << int(c.c) << " in " << c.language;
    unsigned char map[256];
    MakeMap(map, 0);
    for (char d : {'\0', '\t', '\n', ' ', '0', '9', '-', '\'', '.', '?', '~', '`'})
        EXPECT_EQ(map[(unsigned char)d], 1) << int(d);
    for (unsigned char d : {(unsigned char)'a', (unsigned char)'Z', (unsigned char)137, (unsigned char)0xB1})
        EXPECT_EQ(map[d], 0) << int(d);
}

TEST_F(HyphEngine, PwdHyphenateRefusesWhatIsNotAWordOfTheLanguage)
{
    TableFile t;
    t.rules(HYPH_SLOT_PROOT, syllableRules());
    install(12, t);
    unsigned char pairs[80];
    EXPECT_EQ(pwd_hyphenate((const unsigned char *)"banana", 6, pairs, 12), 2);
    EXPECT_EQ(pwd_hyphenate((const unsigned char *)"ban-ana", 7, pairs, 12), 0);
    EXPECT_EQ(pwd_hyphenate((const unsigned char *)"banana1", 7, pairs, 12), 0);
    EXPECT_EQ(pwd_hyphenate((const unsigned char *)"banana", 6, pairs, 16), 0);
    EXPECT_EQ(pwd_hyphenate((const unsigned char *)"banana", -3, pairs, 12), 0);
    EXPECT_EQ(pwd_hyphenate(nullptr, 6, pairs, 12), 0);
    std::string huge(300, 'a');
    EXPECT_EQ(pwd_hyphenate((const unsigned char *)huge.data(), (int)huge.size(), pairs, 12), 0);
}

} // namespace
