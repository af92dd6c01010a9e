// User lists installed in a speller, and the look-ups a host may replace:
// the user-list check, the user-list guess and the hyphen points of the
// compound rule.

#include "SpellTestSupport.h"

#include <algorithm>
#include <cstring>

namespace {


const unsigned char* u(const char* s)
{
    return reinterpret_cast<const unsigned char*>(s);
}

class SpellUserLists : public spelltest::BuiltDictionaryTest {
protected:
    static PWDHandle list(int flags, std::initializer_list<const char*> words)
    {
        PWDHandle l = CNSNewDict(0, CNS_GROWS | flags, 64, 4096, 64, CNSstrcmp);
        EXPECT_NE(l, 0u);
        for (const char* w : words)
            EXPECT_EQ(CNSInsert(l, u(w)), 0) << w;
        return l;
    }
    static bool has(const std::vector<std::pair<int, std::string>>& g, const std::string& w)
    {
        return std::any_of(g.begin(), g.end(), [&](auto& p) { return p.second == w; });
    }
    void TearDown() override
    {
        PWDSetUserSpellCheck(nullptr);
        PWDSetUserGuess(nullptr);
        PWDSetUserGetHyphens(nullptr);
        BuiltDictionaryTest::TearDown();
    }
};

// A list not marked case-exact (flag 0x10) ignores case; a marked one
// accepts only the listed form and says so (status 0x40).
TEST_F(SpellUserLists, CaseExactOnlyWhenMarked)
{
    PWDHandle sp = open("userlists", 0, {"house", "garden"});
    ASSERT_NE(sp, 0u);
    struct {
        int flags;
        const char* typed;
        int accepted;
        int status;
    } cases[] = {
        {0, "frobnicate", 1, 0},
        {0, "Frobnicate", 1, 0},
        {0, "FROBNICATE", 1, 0},
        {0, "Quux", 1, 0},
        {0, "quux", 1, 0},
        {0, "frobnicat", 0, 0},
        {CNS_OPTION, "frobnicate", 1, PWD_USER_EXACT},
        {CNS_OPTION, "Quux", 1, PWD_USER_EXACT},
        {CNS_OPTION, "Frobnicate", 0, 0},
        {CNS_OPTION, "quux", 0, 0},
        {CNS_REJECT_LIST, "House", 0, PWD_USER_REJECTED},
        {CNS_REJECT_LIST | CNS_OPTION, "House", 1, 0},
        {CNS_REJECT_LIST | CNS_OPTION, "house", 0, PWD_USER_REJECTED | PWD_USER_EXACT},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + " flags " + std::to_string(c.flags));
        PWDHandle l = list(c.flags, {"frobnicate", "Quux", "house"});
        ASSERT_EQ(PWDInstallUser(sp, l), 1);
        EXPECT_EQ(check(sp, c.typed) != 0, c.accepted != 0);
        EXPECT_EQ(PWDGetStat()->status & (PWD_USER_EXACT | PWD_USER_REJECTED), c.status);
        EXPECT_EQ(PWDRemoveUser(sp, l), 1);
    }
    // Without the lists the dictionary alone decides.
    EXPECT_EQ(check(sp, "frobnicate"), 0);
    EXPECT_NE(check(sp, "House"), 0);
    PWDKillSpell(sp);
}

// A word checked again is answered from the speller's recent results; any
// change to a list, installed or not yet, and a replaced hook are honoured
// at once.
TEST_F(SpellUserLists, RepeatedChecksFollowEveryChangeOfTheLists)
{
    PWDHandle sp = open("results", 0, {"house", "garden"});
    ASSERT_NE(sp, 0u);
    EXPECT_EQ(check(sp, "zorblax"), 0);
    EXPECT_EQ(check(sp, "zorblax"), 0);
    PWDHandle l = list(0, {"frobnicate"});
    ASSERT_EQ(PWDInstallUser(sp, l), 1);
    EXPECT_NE(check(sp, "frobnicate"), 0);
    EXPECT_EQ(check(sp, "zorblax"), 0);
    ASSERT_EQ(CNSInsert(l, u("zorblax")), 0);
    EXPECT_NE(check(sp, "zorblax"), 0);
    EXPECT_EQ(CNSDelete(l, u("zorblax")), 1);
    EXPECT_EQ(check(sp, "zorblax"), 0);
    EXPECT_EQ(PWDDetachUser(sp, l), 1);
    EXPECT_EQ(check(sp, "frobnicate"), 0);
    // A rejected word keeps its status when answered again.
    EXPECT_EQ(check(sp, "House"), 1);
    EXPECT_EQ(check(sp, "hOUSE"), 0);
    int status = PWDGetStat()->status;
    EXPECT_EQ(check(sp, "hOUSE"), 0);
    EXPECT_EQ(PWDGetStat()->status, status);
    // A host's hook may answer differently each time: it is always asked.
    int calls = 0;
    static int* counter;
    counter = &calls;
    PWDSetUserSpellCheck([](PWDHandle, const unsigned char*, int) {
        ++*counter;
        return 0;
    });
    check(sp, "garden");
    check(sp, "garden");
    EXPECT_EQ(calls, 2);
    CNSKillDict(l);
    PWDKillSpell(sp);
}

int spellCheckCalls = 0;
int acceptQwzx(PWDHandle speller, const unsigned char* word, int length)
{
    ++spellCheckCalls;
    EXPECT_NE(speller, 0u);
    std::string w(reinterpret_cast<const char*>(word), static_cast<size_t>(length));
    if (w == "qwzx")
        return 1;
    if (w == "garden")
        return 2;
    return PWDDefaultSpellCheck(speller, word, length);
}

TEST_F(SpellUserLists, AReplacedSpellCheckHookDecidesAndTheDefaultComesBack)
{
    PWDHandle sp = open("hookcheck", 0, {"house", "garden"});
    ASSERT_NE(sp, 0u);
    PWDHandle l = list(0, {"frobnicate"});
    ASSERT_EQ(PWDInstallUser(sp, l), 1);
    EXPECT_EQ(PWDSetUserSpellCheck(acceptQwzx), &PWDDefaultSpellCheck);
    EXPECT_EQ(UserSpellCheck, &acceptQwzx);
    spellCheckCalls = 0;
    EXPECT_NE(check(sp, "qwzx"), 0);
    EXPECT_EQ(check(sp, "garden"), 0);
    EXPECT_EQ(PWDGetStat()->status & PWD_USER_REJECTED, PWD_USER_REJECTED);
    EXPECT_NE(check(sp, "Frobnicate"), 0) << "the default, called from the hook, still reads the lists";
    EXPECT_GE(spellCheckCalls, 3);

    EXPECT_EQ(PWDSetUserSpellCheck(nullptr), &acceptQwzx);
    EXPECT_EQ(UserSpellCheck, &PWDDefaultSpellCheck);
    int before = spellCheckCalls;
    EXPECT_EQ(check(sp, "qwzx"), 0);
    EXPECT_NE(check(sp, "garden"), 0);
    EXPECT_NE(check(sp, "frobnicate"), 0);
    EXPECT_EQ(spellCheckCalls, before);
    // A hook left NULL by hand acts as the default.
    UserSpellCheck = nullptr;
    EXPECT_NE(check(sp, "frobnicate"), 0);
    EXPECT_EQ(check(sp, "qwzx"), 0);
    PWDKillSpell(sp);
}

PWDHandle hostWords = 0;
int guessCalls = 0;
int offerHostWords(PWDHandle speller, const unsigned char* word, int length)
{
    ++guessCalls;
    EXPECT_EQ(static_cast<int>(strlen(reinterpret_cast<const char*>(word))), length);
    if (!PWDGuessExact(word, hostWords, CNSGetHandleSize(hostWords)))
        return 0;
    return PWDDefaultGuess(speller, word, length);
}

TEST_F(SpellUserLists, AReplacedGuessHookOffersItsWordsAndTheDefaultComesBack)
{
    PWDHandle sp = open("hookguess", 0, {"element", "elegant"});
    ASSERT_NE(sp, 0u);
    static const char words[] = "elephant\0zebra\0";
    hostWords = CNSHandle(sizeof words);
    ASSERT_NE(hostWords, 0u);
    memcpy(CNSDeref(hostWords), words, sizeof words);
    PWDHandle l = list(0, {"elephants"});
    ASSERT_EQ(PWDInstallUser(sp, l), 1);

    auto plain = guesses(sp, "elephnat");
    EXPECT_TRUE(has(plain, "elephants")) << "the default offers the user list's words";
    EXPECT_FALSE(has(plain, "elephant"));

    EXPECT_EQ(PWDSetUserGuess(offerHostWords), &PWDDefaultGuess);
    guessCalls = 0;
    auto g = guesses(sp, "elephnat");
    EXPECT_EQ(guessCalls, 1);
    EXPECT_TRUE(has(g, "elephant"));
    EXPECT_TRUE(has(g, "elephants"));
    EXPECT_FALSE(has(g, "zebra"));

    EXPECT_EQ(PWDSetUserGuess(nullptr), &offerHostWords);
    EXPECT_EQ(UserGuess, &PWDDefaultGuess);
    auto after = guesses(sp, "elephnat");
    EXPECT_EQ(guessCalls, 1);
    EXPECT_FALSE(has(after, "elephant"));
    EXPECT_TRUE(has(after, "elephants"));
    CNSDisposHandle(hostWords);
    hostWords = 0;
    PWDKillSpell(sp);
}

// The compound rule asks the hyphen hook for its joints: a part of three
// letters ("Eis") needs the hook's point after it; longer parts need none.
int hyphenCalls = 0;
int hyphenPoints = 1;
int splitAfterThree(PWDHandle speller, const unsigned char*, int length, unsigned char* pairs)
{
    ++hyphenCalls;
    EXPECT_EQ(PWDSpellerLanguage(speller), 5);
    if (length < 7)
        return 0;
    pairs[0] = 2;
    pairs[1] = 0;
    return hyphenPoints;
}

TEST_F(SpellUserLists, AReplacedHyphenHookGivesTheCompoundBoundaries)
{
    PWDHandle sp = open("hookhyph", 5, {"Eis", "Tisch", "Bein", "Garten"}, "-c");
    ASSERT_NE(sp, 0u);
    EXPECT_EQ(PWDSetUserGetHyphens(splitAfterThree), &PWDDefaultGetHyphens);
    hyphenCalls = 0;
    hyphenPoints = 1;
    EXPECT_NE(check(sp, "Eisbein"), 0);
    EXPECT_EQ(check(sp, "Eisbeix"), 0);
    EXPECT_GT(hyphenCalls, 0);
    hyphenPoints = 0;
    EXPECT_EQ(check(sp, "Eisbein"), 0) << "without the hook's point a three-letter part has no joint";
    EXPECT_NE(check(sp, "Tischbein"), 0) << "parts of four letters need no point";

    EXPECT_EQ(PWDSetUserGetHyphens(nullptr), &splitAfterThree);
    EXPECT_EQ(UserGetHyphens, &PWDDefaultGetHyphens);
    int before = hyphenCalls;
    check(sp, "Eisbein");
    EXPECT_EQ(hyphenCalls, before);
    // The default answers the rule hyphenator's points for the speller's
    // language, within the room the hook is given.
    unsigned char pairs[2 * PWD_MAX_HYPHEN_POINTS];
    int n = PWDDefaultGetHyphens(sp, u("Zimmertisch"), 11, pairs);
    EXPECT_GE(n, 0);
    EXPECT_LE(n, PWD_MAX_HYPHEN_POINTS);
    EXPECT_EQ(PWDDefaultGetHyphens(0, u("Zimmertisch"), 11, pairs), 0);
    EXPECT_EQ(PWDSpellerLanguage(0), -1);
    PWDKillSpell(sp);
}

} // namespace
