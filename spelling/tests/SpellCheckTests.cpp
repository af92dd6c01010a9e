#include "SpellTestSupport.h"

#include "spelling/pwd_internal.h"

namespace {

using spelltest::PoolTest;

class SpellCheck : public PoolTest {
protected:
    PWDHandle sp = 0;
    void SetUp() override
    {
        PoolTest::SetUp();
        sp = PWDInitSpell(spelltest::dictionary("American").c_str(), 0);
        ASSERT_NE(sp, 0u) << "status " << PWDGetStat()->status;
    }
    void TearDown() override
    {
        if (sp)
            PWDKillSpell(sp);
        PoolTest::TearDown();
    }
};

struct Case {
    const char* word;
    int accepted;
    int status; // status after a rejection
};

TEST_F(SpellCheck, Words)
{
    const Case cases[] = {
        {"house", 1, 0},          {"houses", 1, 0},        {"house's", 1, 0},     {"walking", 1, 0},
        {"zebra", 1, 0},          {"the", 1, 0},           {"a", 1, 0},           {"I", 1, 0},
        {"HOUSE", 1, 0},          {"House", 1, 0},         {"Paris", 1, 0},       {"PARIS", 1, 0},
        {"paris", 0, PWD_CAPITAL_ONLY}, {"housse", 0, 0}, {"hous", 0, 0},        {"wlaking", 0, 0},
        {"1984", 1, 0},           {"--", 1, 0},            {"house.", 1, 0},      {"(house)", 1, 0},
        {"houze.", 0, 0},         {"hOUSE", 0, PWD_MIXED_CASE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        EXPECT_EQ(check(sp, c.word) != 0, c.accepted != 0);
        if (!c.accepted) {
            EXPECT_EQ(PWDGetStat()->status & (PWD_CAPITAL_ONLY | PWD_MIXED_CASE), c.status);
        }
        EXPECT_EQ(PWDGetStat()->status & (PWD_NO_MEMORY | PWD_IO_ERROR), 0);
    }
}

TEST_F(SpellCheck, FailingPartOffsetsLeaveSeparatorsOut)
{
    EXPECT_EQ(check(sp, "(houze)."), 0);
    EXPECT_EQ(PWDGetStat()->first, 1);
    EXPECT_EQ(PWDGetStat()->last, 5);
}

TEST_F(SpellCheck, TooLongIsNotCheckedAndSaysSo)
{
    std::string w(126, 'a');
    EXPECT_EQ(check(sp, w), 0);
    EXPECT_EQ(PWDGetStat()->status, PWD_NOT_CHECKED);
    std::string ok(125, 'a');
    EXPECT_EQ(check(sp, ok), 0);
    EXPECT_EQ(PWDGetStat()->status & PWD_NOT_CHECKED, 0);
}

TEST_F(SpellCheck, PurgingEveryTableGivesTheSameAnswers)
{
    const char* words[] = {"house", "zebra", "quickly", "housse", "Paris", "paris", "xylophones", "I"};
    std::vector<int> first;
    for (const char* w : words)
        first.push_back(check(sp, w));
    // Squeeze the pool until everything purgeable is gone, then let go.
    std::vector<PWDHandle> hogs;
    while (PWDHandle h = CNSHandle(60000))
        hogs.push_back(h);
    while (PWDHandle h = CNSHandle(4000))
        hogs.push_back(h);
    for (PWDHandle h : hogs)
        CNSDisposHandle(h);
    for (size_t i = 0; i < first.size(); ++i)
        EXPECT_EQ(check(sp, words[i]), first[i]) << words[i];
}

// Words of the main list (the ones the found-word cache keeps), read from
// the system's word list so that there are enough of them.
std::vector<std::string> mainListWords(size_t count)
{
    std::vector<std::string> out;
    std::ifstream in("/usr/share/dict/american-english");
    std::string w;
    size_t line = 0;
    while (out.size() < count && std::getline(in, w)) {
        bool plain = w.size() >= 6 && w.size() <= 12;
        for (char c : w)
            plain = plain && c >= 'a' && c <= 'z';
        if (plain && line++ % 20 == 0)
            out.push_back(w);
    }
    return out;
}

// The found-word cache, grown to about 8 KB with room to spare, must keep
// growing when locked handles leave a hole of about a block's size: the
// purge its growth runs may drop the cache only when nothing is using it,
// and a freed handle must never come back to life under the insert.
TEST_F(SpellCheck, TheCacheGrowsSafelyInAShortPool)
{
    std::vector<std::string> words = mainListWords(2000);
    if (words.size() < 2000)
        GTEST_SKIP() << "no system word list";
    const size_t filling = 850;
    PWDKillSpell(sp);
    sp = 0;
    for (long hole : {8300L, 9000L, 9500L, 12000L}) {
        SCOPED_TRACE("hole of " + std::to_string(hole) + " bytes");
        ASSERT_EQ(InitMemPool(block.data(), static_cast<long>(block.size())), 0);
        PWDHandle s = PWDInitSpell(spelltest::dictionary("American").c_str(), 0);
        ASSERT_NE(s, 0u);
        for (size_t i = 0; i < filling; ++i)
            ASSERT_NE(check(s, words[i]), 0) << words[i];
        // Squeeze everything but the loaded tables out, then open the hole.
        const PWDSpeller* rec = static_cast<const PWDSpeller*>(CNSDeref(s));
        ASSERT_NE(rec->tables[PWDT_CACHE], 0u) << "no cache to grow";
        CNSLock(s);
        for (int t = 0; t < PWDT_COUNT; ++t)
            if (t != PWDT_CACHE)
                CNSLock(rec->tables[t]);
        UserFreeSpace = nullptr;
        std::vector<PWDHandle> hogs;
        for (long size : {60000L, 8000L, 1000L, 100L, 8L})
            while (PWDHandle h = CNSHandle(size)) {
                CNSLock(h);
                hogs.push_back(h);
            }
        while (!hogs.empty() && AvailMem() < hole) {
            CNSDisposHandle(hogs.back());
            hogs.pop_back();
        }
        UserFreeSpace = PWDPurge;
        for (int t = 0; t < PWDT_COUNT; ++t)
            if (t != PWDT_CACHE)
                CNSUnlock(rec->tables[t]);
        CNSUnlock(s);

        int accepted = 0, outOfMemory = 0;
        for (size_t i = filling; i < words.size(); ++i) {
            int r = check(s, words[i]);
            accepted += r != 0;
            if (!r)
                outOfMemory += (PWDGetStat()->status & PWD_NO_MEMORY) != 0;
            ASSERT_EQ(PWDGetStat()->status & PWD_IO_ERROR, 0) << words[i];
        }
        // Every word is listed; only a want of memory may turn one down.
        EXPECT_EQ(accepted + outOfMemory, static_cast<int>(words.size() - filling));
        for (PWDHandle h : hogs)
            CNSDisposHandle(h);
        for (size_t i = 0; i < words.size(); i += 7)
            EXPECT_NE(check(s, words[i]), 0) << words[i];
        EXPECT_EQ(check(s, "housse"), 0);
        PWDKillSpell(s);
    }
}

TEST_F(SpellCheck, PoolTooSmallIsAnErrorNotAMisspelling)
{
    std::vector<PWDHandle> hogs;
    while (PWDHandle h = CNSHandle(60000))
        hogs.push_back(h);
    while (PWDHandle h = CNSHandle(1000))
        hogs.push_back(h);
    EXPECT_EQ(check(sp, "xylophones"), 0);
    EXPECT_NE(PWDGetStat()->status & PWD_NO_MEMORY, 0);
    for (PWDHandle h : hogs)
        CNSDisposHandle(h);
    EXPECT_NE(check(sp, "xylophones"), 0);
}

TEST(SpellLanguages, Table)
{
    ASSERT_NE(check_lang("eng"), nullptr);
    EXPECT_EQ(check_lang("eng")->number, 0);
    EXPECT_EQ(check_lang("Eng")->number, 0);
    EXPECT_EQ(check_lang("eNg"), nullptr);
    EXPECT_EQ(check_lang("xyz"), nullptr);
    ASSERT_NE(check_langNum(7), nullptr);
    EXPECT_STREQ(check_langNum(7)->code, "Bok");
    EXPECT_STREQ(check_langNum(4)->code, "Fre");
    EXPECT_EQ(check_langNum(33), nullptr);
    EXPECT_STREQ(dictFileNames[0], "American");
    EXPECT_STREQ(dictFileNames[8], "Norwegian");
    EXPECT_STREQ(dictFileNames[4], "French1");
}

TEST_F(SpellCheck, Guesses)
{
    auto g = guesses(sp, "hosue");
    ASSERT_FALSE(g.empty());
    bool found = false;
    for (size_t i = 0; i < g.size() && i < 5; ++i)
        found = found || g[i].second == "house";
    EXPECT_TRUE(found);
    auto t = guesses(sp, "ohuse");
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(t[0].second, "house");
    EXPECT_LE(t[0].first, 2);
    // The typed word's case is cast on every guess.
    auto has = [](const std::vector<std::pair<int, std::string>>& list, const std::string& w) {
        for (auto& x : list)
            if (x.second == w)
                return true;
        return false;
    };
    auto cap = guesses(sp, "Hosue");
    EXPECT_TRUE(has(cap, "House"));
    for (auto& x : cap)
        EXPECT_TRUE(x.second[0] >= 'A' && x.second[0] <= 'Z') << x.second;
    auto caps = guesses(sp, "HOSUE");
    EXPECT_TRUE(has(caps, "HOUSE"));
    for (auto& x : caps)
        for (char ch : x.second)
            EXPECT_FALSE(ch >= 'a' && ch <= 'z') << x.second;
    // Sorted by flag byte; each word once.
    for (size_t i = 1; i < g.size(); ++i) {
        EXPECT_LE(g[i - 1].first, g[i].first);
        for (size_t j = 0; j < i; ++j)
            EXPECT_NE(g[i].second, g[j].second);
    }
    for (auto& x : g)
        EXPECT_FALSE(x.second.empty());
}

} // namespace
