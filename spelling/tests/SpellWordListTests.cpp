#include "spelling/pwd.h"
#include "spelling/pwd_charsets.h"

#include "core/Encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class SpellWordList : public ::testing::Test {
protected:
    std::vector<unsigned char> block = std::vector<unsigned char>(100000);
    void SetUp() override { ASSERT_EQ(InitMemPool(block.data(), 100000), 0); }
    void TearDown() override { CNSPool = nullptr; }

    static const unsigned char* u(const char* s) { return reinterpret_cast<const unsigned char*>(s); }
    static std::vector<std::string> strings(PWDHandle list)
    {
        std::vector<std::string> out;
        const char* d = static_cast<const char*>(CNSDeref(CNSDictData(list)));
        long used = CNSDictUsed(list);
        for (long i = 0; i < used;) {
            out.emplace_back(d + i);
            i += static_cast<long>(out.back().size()) + 1;
        }
        return out;
    }
};

TEST_F(SpellWordList, InsertKeepsOrderAndRefusesDuplicates)
{
    PWDHandle list = CNSNewDict(0, CNS_GROWS, 16, 10240, 32, CNSstrcmp);
    ASSERT_NE(list, 0u);
    const char* words[] = {"pear", "apple", "zest", "mango", "apples", "a"};
    for (const char* w : words)
        EXPECT_EQ(CNSInsert(list, u(w)), 0) << w;
    EXPECT_EQ(strings(list), (std::vector<std::string>{"a", "apple", "apples", "mango", "pear", "zest"}));
    long before = CNSDictUsed(list);
    EXPECT_EQ(CNSInsert(list, u("mango")), 2);
    EXPECT_EQ(CNSDictUsed(list), before);
    EXPECT_EQ(CNSSearch(list, u("apples")), 8);
    EXPECT_EQ(CNSSearch(list, u("apple")), 2);
    EXPECT_EQ(CNSSearch(list, u("appl")), -1);
    EXPECT_EQ(CNSSearch(list, u("")), -1);
    EXPECT_EQ(CNSFindPos(list, u("b")), 15);
    EXPECT_EQ(CNSDelete(list, u("pear")), 1);
    EXPECT_EQ(CNSDelete(list, u("pear")), 0);
    EXPECT_EQ(CNSRemove(list, 0), 1);
    EXPECT_EQ(CNSRemove(list, 9), 0);
    EXPECT_EQ(strings(list), (std::vector<std::string>{"apple", "apples", "mango", "zest"}));
    CNSKillDict(list);
}

TEST_F(SpellWordList, Limits)
{
    PWDHandle fixed = CNSNewDict(0, 0, 8, 10240, 32, CNSstrcmp);
    EXPECT_EQ(CNSInsert(fixed, u("abc")), 0);
    EXPECT_EQ(CNSInsert(fixed, u("defgh")), 1); // may not grow
    PWDHandle capped = CNSNewDict(0, CNS_GROWS, 1024, 10240, 512, CNSstrcmp);
    std::string w(99, 'x');
    int inserted = 0, refused = 0;
    for (int i = 0; i < 120; ++i) {
        std::string s = w + std::to_string(1000 + i);
        int r = CNSInsert(capped, u(s.c_str()));
        inserted += r == 0;
        refused += r == 1;
    }
    EXPECT_EQ(inserted, 10240 / 104);
    EXPECT_GT(refused, 0);
    EXPECT_LE(CNSDictUsed(capped), 10240);
}

TEST_F(SpellWordList, RemovalShrinksAGrowingList)
{
    PWDHandle list = CNSNewDict(0, CNS_GROWS, 16, 100000, 64, CNSstrcmp);
    for (int i = 0; i < 40; ++i) {
        std::string s = "word" + std::to_string(100 + i);
        ASSERT_EQ(CNSInsert(list, u(s.c_str())), 0);
    }
    long big = CNSGetHandleSize(CNSDictData(list));
    for (int i = 0; i < 30; ++i)
        CNSRemove(list, 0);
    long small = CNSGetHandleSize(CNSDictData(list));
    EXPECT_LT(small, big);
    EXPECT_LE(small - CNSDictUsed(list), 64);
    PWDHandle h = CNSDict2Handle(list);
    EXPECT_EQ(CNSGetHandleSize(h), 80);
    PWDHandle empty = CNSNewDict(0, CNS_GROWS, 16, 100, 16, CNSstrcmp);
    EXPECT_EQ(CNSDict2Handle(empty), 0u);
}

TEST_F(SpellWordList, AppendFastAndReplace)
{
    PWDHandle list = CNSNewDict(0, CNS_GROWS | CNS_APPEND_FAST | CNS_REPLACE, 16, 1000, 16, CNSstrcmp);
    for (const char* w : {"b", "c", "d", "a", "e"})
        ASSERT_EQ(CNSInsert(list, u(w)), 0);
    EXPECT_EQ(CNSInsert(list, u("c")), 0); // replaces
    EXPECT_EQ(strings(list), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
}

// Flag 0x10 reaches the comparator: set, the list compares case-exactly;
// clear, case is ignored (letters of Mac OS Roman in either case).
TEST_F(SpellWordList, TheOptionFlagSelectsACaseExactComparison)
{
    PWDHandle loose = CNSNewDict(0, CNS_GROWS, 16, 1000, 16, CNSstrcmp);
    PWDHandle exact = CNSNewDict(0, CNS_GROWS | CNS_OPTION, 16, 1000, 16, CNSstrcmp);
    ASSERT_TRUE(loose && exact);
    for (PWDHandle list : {loose, exact})
        for (const char* w : {"frobnicate", "Z\x9frich", "\x83" "cole", "na\x95ve", "\xcfuvre", "stra\xa7" "e"})
            ASSERT_EQ(CNSInsert(list, u(w)), 0) << w;
    struct {
        const char* probe;
        bool inLoose, inExact;
    } cases[] = {
        {"frobnicate", true, true},   {"Frobnicate", true, false}, {"FROBNICATE", true, false},
        {"z\x9frich", true, false},   {"Z\x86RICH", true, false},  {"Z\x9frich", true, true},
        {"\x8e" "cole", true, false},    {"\x83" "COLE", true, false},   {"ecole", false, false},
        {"NA\xecVE", true, false},    {"\xceUVRE", true, false},   {"STRA\xa7" "E", true, false},
        {"frobnicat", false, false},  {"frobnicates", false, false},
    };
    for (auto& c : cases) {
        EXPECT_EQ(CNSSearch(loose, u(c.probe)) >= 0, c.inLoose) << c.probe;
        EXPECT_EQ(CNSSearch(exact, u(c.probe)) >= 0, c.inExact) << c.probe;
    }
    // Equal but for case is a duplicate only where case is ignored.
    EXPECT_EQ(CNSInsert(loose, u("FrobNicate")), 2);
    EXPECT_EQ(CNSInsert(exact, u("FrobNicate")), 0);
    CNSKillDict(loose);
    CNSKillDict(exact);
}

// The free-space hook may run while a list grows. A hook that respects
// locks (as the engine's purge does) must find the list locked; one that
// does not must not make the insert write through the freed list.
PWDHandle hookList = 0, hookSpare = 0;
bool hookRespectsLocks = true;
long freeForTheList()
{
    long n = 0;
    if (hookSpare) {
        n += CNSGetHandleSize(hookSpare);
        CNSDisposHandle(hookSpare);
        hookSpare = 0;
    }
    if (hookList && !(hookRespectsLocks && (CNSHGetState(hookList) & CNS_LOCKED))) {
        n += CNSGetHandleSize(hookList) + CNSGetHandleSize(CNSDictData(hookList));
        CNSKillDict(hookList);
        hookList = 0;
    }
    return n;
}

TEST_F(SpellWordList, GrowingUnderAFreeSpaceHookKeepsOrLosesTheListCleanly)
{
    const std::string word(100, 'w');
    for (bool respects : {true, false}) {
        SCOPED_TRACE(respects ? "hook respects locks" : "hook frees regardless");
        ASSERT_EQ(InitMemPool(block.data(), 100000), 0);
        PWDHandle list = CNSNewDict(0, CNS_GROWS, 16, 10000, 16, CNSstrcmp);
        ASSERT_EQ(CNSInsert(list, u("a")), 0);
        hookSpare = CNSHandle(2000);
        ASSERT_TRUE(list && hookSpare);
        // Locked handles take every other byte: only the hook makes room.
        for (long size : {1000L, 8L})
            while (PWDHandle h = CNSHandle(size))
                CNSLock(h);
        hookList = list;
        hookRespectsLocks = respects;
        UserFreeSpace = freeForTheList;
        int r = CNSInsert(list, u(word.c_str()));
        UserFreeSpace = nullptr;
        if (respects) {
            EXPECT_EQ(r, 0);
            EXPECT_EQ(hookList, list) << "the list was freed while it grew";
            EXPECT_EQ(strings(list), (std::vector<std::string>{"a", word}));
            EXPECT_EQ(CNSHGetState(list) & CNS_LOCKED, 0) << "left locked";
        } else {
            EXPECT_EQ(r, 1);
            EXPECT_EQ(hookList, 0u);
            EXPECT_EQ(CNSHGetState(list), 0) << "the freed list came back";
        }
        hookList = hookSpare = 0;
    }
}

TEST(SpellCharsets, TablesMatchThePlatform)
{
    for (int c = 0; c < 256; ++c) {
        auto toMac = kit::nextstepToMacRoman(static_cast<unsigned char>(c));
        auto toNeXT = kit::macRomanToNextstep(static_cast<unsigned char>(c));
        EXPECT_EQ(pwdNeXTToMac[c], toMac ? *toMac : 0) << c;
        EXPECT_EQ(pwdMacToNeXT[c], toNeXT ? *toNeXT : 0) << c;
        if (c >= 128) {
            auto uni = kit::toUnicode(kit::Encoding::MacRoman, static_cast<unsigned char>(c));
            ASSERT_TRUE(uni.has_value());
            EXPECT_EQ(pwdMacRomanUnicode[c - 128], *uni) << c;
        }
    }
}

} // namespace
