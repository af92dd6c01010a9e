// The check's dictionary options on small dictionaries made by the builder:
// compounds, accent matching, attached clitics, the Russian rules and the
// Arabic checker.

#include "SpellTestSupport.h"

#include "spelling/hyph.h"

namespace {


class SpellOptions : public spelltest::BuiltDictionaryTest {
protected:
    // Words given in UTF-8, checked in the engine's set.
    static std::string mac(const std::string& utf8)
    {
        std::string out;
        for (size_t i = 0; i < utf8.size(); ++i) {
            unsigned char c = static_cast<unsigned char>(utf8[i]);
            if (c < 0x80) {
                out += static_cast<char>(c);
                continue;
            }
            unsigned u = ((c & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F);
            static const struct { unsigned u; unsigned char m; } table[] = {
                {0xE9, 0x8E}, {0xC9, 0x83}, {0xE4, 0x8A}, {0xE8, 0x8F}, {0xE1, 0x87}, {0xF3, 0x97}, {0xFC, 0x9F}};
            unsigned char m = 0;
            for (auto& t : table)
                if (t.u == u)
                    m = t.m;
            EXPECT_NE(m, 0) << "no test mapping for U+" << std::hex << u;
            out += static_cast<char>(m);
        }
        return out;
    }
    void expectChecks(PWDHandle sp, const std::vector<std::pair<std::string, int>>& cases)
    {
        for (auto& [w, accepted] : cases) {
            std::string m = mac(w);
            EXPECT_EQ(check(sp, m) != 0, accepted != 0) << w;
            EXPECT_EQ(PWDGetStat()->status & (PWD_NO_MEMORY | PWD_IO_ERROR), 0) << w;
        }
    }
};

TEST_F(SpellOptions, AccentMatchingInFrenchLooksAtCapitalsOnly)
{
    std::vector<std::string> words = {"école", "élève", "été", "maison", "Éric"};
    PWDHandle sp = open("accfr", 4, words, "-a");
    ASSERT_NE(sp, 0u);
    expectChecks(sp, {{"école", 1}, {"Ecole", 1}, {"ECOLE", 1}, {"ELEVE", 1}, {"ETE", 1}, {"Eleve", 0}, // lower-case letters keep their accents in French
                     
                      {"Eric", 1}, {"ERIC", 1}, {"ecole", 0}, {"eleve", 0}, {"ECOLX", 0}, {"Elevx", 0},
                      {"MAISON", 1}, {"eric", 0}});
    PWDKillSpell(sp);
    // Without the option the accents must be typed.
    PWDHandle plain = open("accfr0", 4, words, "");
    ASSERT_NE(plain, 0u);
    expectChecks(plain, {{"Ecole", 0}, {"ELEVE", 0}, {"École", 1}});
    PWDKillSpell(plain);
}

TEST_F(SpellOptions, AccentMatchingBeyondTheFirstTwoLetters)
{
    PWDHandle sp = open("accsp", 1, {"canción", "canciones", "árbol"}, "-a");
    ASSERT_NE(sp, 0u);
    expectChecks(sp, {{"cancion", 1}, {"canción", 1}, {"Cancion", 1}, {"arbol", 1}, {"Arbol", 1},
                      {"cancian", 0}, {"arbos", 0}, {"canciones", 1}});
    PWDKillSpell(sp);
}

TEST_F(SpellOptions, AttachedClitics)
{
    std::vector<std::string> words = {"dame", "comer", "decir", "di", "casa"};
    PWDHandle sp = open("clitic", 1, words, "-k");
    ASSERT_NE(sp, 0u);
    expectChecks(sp, {
                         {"dámelo", 1},     // the stress written on the core
                         {"comérselo", 1},  // two clitics, the stress after a final r
                         {"comerlo", 1},
                         {"decirte", 1},
                         {"dime", 0},       // "di" leaves fewer than four letters
                         {"comerxlo", 0},
                         {"casalo", 1},
                         {"casaxo", 0},
                         {"comerlomelo", 0}, // at most two
                     });
    PWDKillSpell(sp);
    PWDHandle plain = open("clitic0", 1, words, "");
    ASSERT_NE(plain, 0u);
    expectChecks(plain, {{"comérselo", 0}, {"comerlo", 0}, {"comer", 1}});
    PWDKillSpell(plain);
}

// The compound step asks the hyphenator for the points between the parts.
TEST_F(SpellOptions, GermanicCompounds)
{
    std::vector<std::string> words = {"Haus", "Tür", "Arbeit", "Zimmer", "Tisch", "Bein"};
    PWDHandle sp = open("compound", 5, words, "-c");
    ASSERT_NE(sp, 0u);
    unsigned char pairs[256];
    const unsigned char probe[] = "Zimmertisch";
    if (pwd_hyphenate(probe, 11, pairs, 5) == 0)
        GTEST_SKIP() << "no hyphenation tables";
    expectChecks(sp, {{"Tischbein", 1}, {"Tischbeix", 0}, {"Zimmertisch", 1},
                      {"Tischxbein", 0}, {"Haus", 1}});
    PWDKillSpell(sp);
    PWDHandle plain = open("compound0", 5, words, "");
    ASSERT_NE(plain, 0u);
    expectChecks(plain, {{"Tischbein", 0}, {"Tisch", 1}});
    PWDKillSpell(plain);
}

// Any letter may end a part and a linking "s" may follow any part; a part
// has four letters, or three where the hyphenator confirms both its joints;
// capitals inside a compound are not taken; and a word that only splits into
// parts but is one edit from a listed word is a misspelling of that word.
TEST_F(SpellOptions, GermanicCompoundJointsAndNearMisses)
{
    std::vector<std::string> words = {"Haus", "Boot", "Hausboot", "Arbeit", "Zimmer", "Ecke", "Eis",
                                      "Bein", "ab", "bot", "Tisch", "Bär", "Garten", "Ort"};
    PWDHandle sp = open("joints", 5, words, "-c");
    ASSERT_NE(sp, 0u);
    unsigned char pairs[256];
    const unsigned char probe[] = "Eisbein";
    if (pwd_hyphenate(probe, 7, pairs, 5) == 0)
        GTEST_SKIP() << "no hyphenation tables";
    expectChecks(sp, {
                         {"Zimmerecke", 1}, {"Gartenecke", 1}, {"Arbeitszimmer", 1}, {"Arbeitsecke", 1},
                         {"Eckenzimmer", 0}, {"Hausbootzimmer", 1}, {"ZIMMERECKE", 1}, {"Zimmerbein", 1},
                         {"Eisbär", 1},     {"Eisbein", 1},     {"Hausbot", 0},      {"Zimmerab", 0},
                         {"Abzimmer", 0},   {"ZimmerEcke", 0},
                     });
    // The misspelling is offered its listed word.
    bool offered = false;
    for (auto& [flag, w] : guesses(sp, "Hausbot"))
        offered = offered || w == "Hausboot";
    EXPECT_TRUE(offered);
    PWDKillSpell(sp);
}

// The Russian rules over a Latin table: letter codes 17 16 13 are "qpm",
// 21 is "u", 15 and 6 are "o" and "f"; character 165 is the bullet.
TEST_F(SpellOptions, RussianPrefixesAndMarks)
{
    std::vector<std::string> words = {"apple", "banana", "kiwi", "\u2022pear", "o\u2022zzz"};
    PWDHandle sp = open("russian", 14, words, "-c");
    ASSERT_NE(sp, 0u);
    expectChecks(sp, {{"qpm-apple", 1}, {"qpmbanana", 1}, {"qpmukiwi", 1}, {"pear", 1}, {"ofzzz", 1},
                      {"apple-banana", 1}, {"qpm-bxnana", 0}, {"qpmzzzz", 0}, {"ogzzz", 0}, {"qpmapple", 0}});
    PWDKillSpell(sp);
    PWDHandle plain = open("russian0", 14, words, "");
    ASSERT_NE(plain, 0u);
    expectChecks(plain, {{"qpmbanana", 0}, {"pear", 0}, {"banana", 1}});
    PWDKillSpell(plain);
}

TEST_F(SpellOptions, ArabicCandidates)
{
    const std::string stem = "\xC8\xCA\xC7\xC8";  // four letters
    const std::string shortStem = "\xC8\xCA\xC7";
    std::vector<std::string> words = {stem, "\xA3" + stem, shortStem};
    PWDHandle sp = open("arabic", 30, words, "");
    ASSERT_NE(sp, 0u);
    struct { std::string word; int accepted; const char* what; } cases[] = {
        {stem, 1, "the stem"},
        {"\xC8\xEB\xCA\xC7\xC8", 1, "a vowel sign is dropped"},
        {"\xE8" + stem, 1, "the conjunction"},
        {"\xC7\xE4" + stem, 1, "the article through its marker"},
        {"\xE8\xC7\xE4" + stem, 1, "conjunction and article"},
        {"\xC7\xE4" + shortStem, 0, "the article before a word listed without it"},
        {"\xC9\xC9\xC9\xC9", 0, "not a word"},
        {"\xE8" + shortStem, 1, "three letters after the conjunction"},
    };
    for (auto& c : cases) {
        EXPECT_EQ(check(sp, c.word) != 0, c.accepted != 0) << c.what;
        EXPECT_EQ(PWDGetStat()->status & (PWD_NO_MEMORY | PWD_IO_ERROR), 0) << c.what;
    }
    PWDKillSpell(sp);
}

} // namespace
