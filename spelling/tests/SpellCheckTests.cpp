#include "SpellTestSupport.h"

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
