// Guessing that depends on the language: the Russian respellings (over a
// Latin stand-in table, as in the check's Russian rules: letter codes 17 16
// 13 are "qpm", 21 is "u", 15 "o", 6 "f", 10 "j"; character 165 is the
// bullet), the phonetic rings of languages other than English, and near
// matches offered from a host hook during a guess.

#include "SpellTestSupport.h"

#include <algorithm>

namespace {


class SpellGuessLanguage : public spelltest::BuiltDictionaryTest {
protected:
    void TearDown() override
    {
        UserCancel = defaultCancel;
        BuiltDictionaryTest::TearDown();
    }
    static bool has(const std::vector<std::pair<int, std::string>>& g, const std::string& w)
    {
        return std::any_of(g.begin(), g.end(), [&](auto& p) { return p.second == w; });
    }
    static int flagOf(const std::vector<std::pair<int, std::string>>& g, const std::string& w)
    {
        for (auto& p : g)
            if (p.second == w)
                return p.first;
        return -1;
    }
    static std::string list(const std::vector<std::pair<int, std::string>>& g)
    {
        std::string s;
        for (auto& p : g)
            s += std::to_string(p.first) + ":" + p.second + " ";
        return s;
    }
    int (*defaultCancel)(void) = UserCancel;
};

TEST_F(SpellGuessLanguage, RussianRespellingsAreUndoneInTheSuggestions)
{
    PWDHandle sp = open("ruguess", 14, {"apple", "banana", "kiwi", "\u2022pear", "o\u2022zzz"}, "-c");
    ASSERT_NE(sp, 0u);
    struct {
        const char* typed;
        const char* wanted;
        const char* what;
    } cases[] = {
        {"qpm-banxna", "qpmbanana", "prefix and hyphen dropped, no hyphen before a consonant"},
        {"qpmbanxna", "qpmbanana", "prefix dropped"},
        {"qpmapplx", "qpm-apple", "the hyphen comes back before a vowel"},
        {"qpmukiwx", "qpmukiwi", "the prefix with the letter after it"},
        {"Qpmbanxna", "Qpmbanana", "the typed capital stays"},
        {"QPMBANXNA", "QPMBANANA", "a word in capitals"},
        {"Pexr", "Pear", "the capital moves past the mark"},
        {"pexr", "pear", "the mark in front is taken off again"},
        {"ofzzx", "ofzzz", "the mark stands for the second letter"},
        {"ojzzx", "ofzzz", "the mark stands for the second letter the check reads it as"},
        {"banxna", "banana", "a plain word"},
    };
    for (auto& c : cases) {
        auto g = guesses(sp, c.typed);
        EXPECT_TRUE(has(g, c.wanted)) << c.what << ": " << c.typed << " -> " << list(g);
        EXPECT_EQ(PWDGetStat()->status & (PWD_NO_MEMORY | PWD_IO_ERROR), 0) << c.typed;
        for (auto& p : g) {
            EXPECT_EQ(p.second.find('\xA5'), std::string::npos) << "mark left in " << p.second;
            EXPECT_NE(check(sp, p.second), 0) << c.typed << " suggested " << p.second << ", which the check rejects";
        }
    }
    // The mark replaces the second letter only after the letters it follows.
    auto g = guesses(sp, "ogzzx");
    EXPECT_FALSE(has(g, "ogzzz")) << list(g);
    EXPECT_FALSE(has(g, "ofzzz")) << list(g);
    PWDKillSpell(sp);

    // The same word list under another language gets none of this.
    PWDHandle other = open("ruguess-es", 1, {"apple", "banana", "kiwi", "\u2022pear"}, "-c");
    ASSERT_NE(other, 0u);
    EXPECT_FALSE(has(guesses(other, "qpmbanxna"), "qpmbanana"));
    EXPECT_FALSE(has(guesses(other, "pexr"), "pear"));
    PWDKillSpell(other);
}

// Phonetic respellings reach words whose first letters differ from the typed
// ones, which the dictionary walk never looks at.
TEST_F(SpellGuessLanguage, PhoneticRingsOfOtherLanguages)
{
    struct {
        int language;
        std::vector<std::string> words;
        const char* typed;
        const char* wanted;
    } cases[] = {
        {1, {"vaca", "casa", "hola", "llave"}, "baca", "vaca"},
        {1, {"vaca", "casa", "hola", "llave"}, "ola", "hola"},
        {1, {"vaca", "casa", "hola", "llave"}, "yave", "llave"},
        {5, {"Vater", "Haus", "Straße"}, "Fater", "Vater"},
        {5, {"Vater", "Haus", "Straße"}, "Strasse", "Stra\xA7" "e"},
        {2, {"ciao", "mamma", "hotel"}, "mama", "mamma"},
        {9, {"sjuk", "hus"}, "skjuk", "sjuk"},
    };
    int n = 0;
    for (auto& c : cases) {
        PWDHandle sp = open("phon" + std::to_string(n++), c.language, c.words);
        ASSERT_NE(sp, 0u);
        auto g = guesses(sp, c.typed);
        EXPECT_TRUE(has(g, c.wanted)) << c.typed << " -> " << list(g);
        PWDKillSpell(sp);
    }
    // A respelling of the same length scores 1.
    PWDHandle sp = open("phonscore", 1, {"vaca", "casa"});
    ASSERT_NE(sp, 0u);
    auto g = guesses(sp, "baca");
    int flag = flagOf(g, "vaca");
    EXPECT_TRUE(flag == 1 || flag == 2) << list(g);
    PWDKillSpell(sp);
}

// With accent matching a word typed without accents also gets the
// suggestion without them; French keeps the accents of lower-case letters.
TEST_F(SpellGuessLanguage, AccentMatchingOffersTheUnaccentedForm)
{
    struct {
        int language;
        const char* flags;
        const char* typed;
        std::vector<std::string> wanted, unwanted;
    } cases[] = {
        {1, "-a", "cancian", {"canci\x97n", "cancion"}, {}},
        {1, "-a", "canci\x9Cn", {"canci\x97n"}, {"cancion"}}, // typed with an accent
        {1, "", "cancian", {"canci\x97n"}, {"cancion"}},
        {4, "-a", "ECOLX", {"\x83" "COLE", "ECOLE"}, {}},
        {4, "-a", "Ecolx", {"\x83" "cole", "Ecole"}, {}},
        {4, "-a", "ecolx", {"\x8E" "cole"}, {"ecole"}}, // no capital: French keeps its accents
    };
    int n = 0;
    for (auto& c : cases) {
        std::vector<std::string> words = {"canción", "école", "maison"};
        PWDHandle sp = open("accguess" + std::to_string(n++), c.language, words, c.flags);
        ASSERT_NE(sp, 0u);
        auto g = guesses(sp, c.typed);
        for (auto& w : c.wanted)
            EXPECT_TRUE(has(g, w)) << c.typed << " " << c.flags << " -> " << list(g);
        for (auto& w : c.unwanted)
            EXPECT_FALSE(has(g, w)) << c.typed << " " << c.flags << " -> " << list(g);
        for (auto& p : g)
            EXPECT_NE(check(sp, p.second), 0) << c.typed << " suggested " << p.second << ", which the check rejects";
        PWDKillSpell(sp);
    }
}

// The article's marker stands for all of the article's letters: the
// suggestion gets the typed prefix back whole, counted without vowel signs.
TEST_F(SpellGuessLanguage, ArabicArticleSuggestionsKeepTheWholePrefix)
{
    const std::string stem = "\xC8\xCA\xC7\xC8", typo = "\xC8\xCA\xC9\xC8";
    PWDHandle sp = open("arabicguess", 30, {stem, "\xA3" + stem});
    ASSERT_NE(sp, 0u);
    struct {
        std::string typed, wanted;
        const char* what;
    } cases[] = {
        {"\xC7\xE4" + typo, "\xC7\xE4" + stem, "the article"},
        {"\xE8\xC7\xE4" + typo, "\xE8\xC7\xE4" + stem, "conjunction and article"},
        {"\xC7\xEB\xE4" + typo, "\xC7\xE4" + stem, "a vowel sign inside the article"},
        {typo, stem, "no prefix"},
    };
    for (auto& c : cases) {
        auto g = guesses(sp, c.typed);
        EXPECT_TRUE(has(g, c.wanted)) << c.what << ": " << list(g);
        for (auto& p : g)
            EXPECT_NE(check(sp, p.second), 0) << c.what << ": suggested " << p.second << ", which the check rejects";
    }
    PWDKillSpell(sp);
}

// The bonus for a suggestion that keeps the typed first two letters looks
// at the words after a leading clitic, not at the clitic put back in front.
TEST_F(SpellGuessLanguage, TheFirstLettersBonusLooksPastALeadingClitic)
{
    PWDHandle sp = open("clitbonus", 4, {"arbre", "avion", "maison"});
    ASSERT_NE(sp, 0u);
    auto bare = guesses(sp, "arbxe");
    int plainFlag = flagOf(bare, "arbre");
    ASSERT_GT(plainFlag, 0) << list(bare);
    EXPECT_EQ(plainFlag % 2, 1) << "same first letters: the bonus";
    auto g = guesses(sp, "l'arbxe");
    EXPECT_EQ(flagOf(g, "l'arbre"), plainFlag) << list(g);
    // Other first letters than the typed core's earn no bonus.
    auto other = guesses(sp, "d'aivon");
    EXPECT_EQ(flagOf(other, "d'avion"), 2) << list(other);
    PWDKillSpell(sp);
}

PWDHandle hostWords = 0;
int hostCalls = 0;
int hostResult = -1;
int offerHostWords()
{
    if (hostCalls++ == 0)
        hostResult = PWDGuessExact(reinterpret_cast<const unsigned char*>("elephnat"), hostWords,
                                   CNSGetHandleSize(hostWords) + 100);
    return 0;
}

TEST_F(SpellGuessLanguage, NearMatchesFromAHostListDuringAGuess)
{
    PWDHandle sp = open("hostexact", 0, {"element", "elegant", "elephant"});
    ASSERT_NE(sp, 0u);
    static const char words[] = "elephants\0zebra\0elephnta\0";
    hostWords = CNSHandle(sizeof words);
    ASSERT_NE(hostWords, 0u);
    memcpy(CNSDeref(hostWords), words, sizeof words);
    // Outside a guess there is nowhere to put them.
    EXPECT_EQ(PWDGuessExact(reinterpret_cast<const unsigned char*>("elephnat"), hostWords, sizeof words), 0);
    hostCalls = 0;
    hostResult = -1;
    UserCancel = offerHostWords;
    auto g = guesses(sp, "elephnat");
    UserCancel = defaultCancel;
    EXPECT_GT(hostCalls, 0);
    EXPECT_EQ(hostResult, 1);
    EXPECT_TRUE(has(g, "elephants")) << list(g);
    EXPECT_TRUE(has(g, "elephnta")) << list(g);
    EXPECT_FALSE(has(g, "zebra")) << list(g);
    EXPECT_TRUE(has(g, "elephant")) << list(g);
    CNSDisposHandle(hostWords);
    hostWords = 0;
    PWDKillSpell(sp);
}

} // namespace
