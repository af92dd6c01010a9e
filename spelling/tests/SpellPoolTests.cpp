#include "spelling/pwd.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct Pool {
    std::vector<unsigned char> block;
    explicit Pool(long size)
        : block(static_cast<size_t>(size))
    {
        UserFreeSpace = nullptr;
        EXPECT_EQ(InitMemPool(block.data(), size), 0);
    }
    ~Pool()
    {
        UserFreeSpace = nullptr;
        CNSPool = nullptr;
    }
};

TEST(SpellPool, InitLimits)
{
    std::vector<unsigned char> block(30000);
    EXPECT_EQ(InitMemPool(nullptr, 30000), 1);
    EXPECT_EQ(InitMemPool(block.data(), 25599), 1);
    EXPECT_EQ(InitMemPool(block.data(), 25600), 0);
    EXPECT_EQ(AvailMem(), 21588);
    // The size is rounded down to a multiple of 4.
    EXPECT_EQ(InitMemPool(block.data(), 25603), 0);
    EXPECT_EQ(AvailMem(), 21588);
    CNSPool = nullptr;
}

TEST(SpellPool, HandleSizeLimit)
{
    Pool pool(307200);
    EXPECT_EQ(CNSHandle(64512), 0u);
    PWDHandle h = CNSHandle(64511);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(CNSGetHandleSize(h), 64511);
    EXPECT_EQ(CNSSetHandleSize(h, 64512), 1);
    // New blocks come zeroed.
    const unsigned char* p = static_cast<const unsigned char*>(CNSDeref(h));
    for (long i = 0; i < 64511; ++i)
        ASSERT_EQ(p[i], 0) << i;
}

TEST(SpellPool, FiveHundredHandlesAtMost)
{
    Pool pool(307200);
    std::vector<PWDHandle> handles;
    for (int i = 0; i < 500; ++i) {
        PWDHandle h = CNSHandle(8);
        ASSERT_NE(h, 0u) << i;
        handles.push_back(h);
    }
    long before = AvailMem();
    EXPECT_GT(before, 8);
    EXPECT_EQ(CNSHandle(8), 0u);
    // The block taken for the refused handle went back.
    EXPECT_EQ(AvailMem(), before);
    CNSDisposHandle(handles[17]);
    EXPECT_NE(CNSHandle(8), 0u);
}

TEST(SpellPool, ReleaseMergesNeighbours)
{
    Pool pool(40000);
    long all = AvailMem();
    PWDHandle a = CNSHandle(100), b = CNSHandle(200), c = CNSHandle(300);
    ASSERT_TRUE(a && b && c);
    CNSDisposHandle(a);
    CNSDisposHandle(c);
    CNSDisposHandle(b);
    // Three blocks and their headers merged back into one free block.
    EXPECT_EQ(AvailMem(), all);
    EXPECT_NE(CNSHandle(all), 0u);
}

TEST(SpellPool, GrowingMovesUnlockedButNotLocked)
{
    Pool pool(40000);
    PWDHandle a = CNSHandle(16), wall = CNSHandle(16);
    ASSERT_TRUE(a && wall);
    std::memcpy(CNSDeref(a), "fifteen letters", 16);
    void* before = CNSDeref(a);

    CNSLock(a);
    EXPECT_EQ(CNSSetHandleSize(a, 1000), 1);
    EXPECT_EQ(CNSDeref(a), before);
    EXPECT_EQ(CNSGetHandleSize(a), 16);

    CNSUnlock(a);
    EXPECT_EQ(CNSSetHandleSize(a, 1000), 0);
    EXPECT_NE(CNSDeref(a), before);
    EXPECT_EQ(CNSGetHandleSize(a), 1000);
    EXPECT_STREQ(static_cast<const char*>(CNSDeref(a)), "fifteen letters");
}

TEST(SpellPool, ShrinkKeepsOrSplitsTheBlock)
{
    Pool pool(40000);
    PWDHandle h = CNSHandle(100);
    ASSERT_NE(h, 0u);
    long free0 = AvailMem();
    // Less than 8 bytes saved: the physical size stays.
    EXPECT_EQ(CNSSetHandleSize(h, 94), 0);
    EXPECT_EQ(CNSGetHandleSize(h), 94);
    EXPECT_EQ(AvailMem(), free0);
    // 48 bytes saved: the tail becomes free space (merged with the rest).
    EXPECT_EQ(CNSSetHandleSize(h, 52), 0);
    EXPECT_EQ(AvailMem(), free0 + 48);
}

TEST(SpellPool, CompactionSlidesUnlockedBlocksAndKeepsLockedOnes)
{
    Pool pool(25600); // 21588 free bytes
    PWDHandle a = CNSHandle(6000), locked = CNSHandle(4000), b = CNSHandle(4000), c = CNSHandle(4000);
    ASSERT_TRUE(a && locked && b && c);
    std::memset(CNSDeref(b), 'b', 4000);
    std::memset(CNSDeref(c), 'c', 4000);
    CNSLock(locked);
    void* lockedAt = CNSDeref(locked);
    CNSDisposHandle(a); // 6000 free before the locked block
    CNSDisposHandle(b); // 4000 free after it, before c
    // No single hole holds 7000 bytes; sliding c down joins its hole with
    // the free tail, the locked block stays where it is.
    PWDHandle big = CNSHandle(7000);
    ASSERT_NE(big, 0u);
    EXPECT_EQ(CNSDeref(locked), lockedAt);
    const unsigned char* pc = static_cast<const unsigned char*>(CNSDeref(c));
    for (int i = 0; i < 4000; ++i)
        ASSERT_EQ(pc[i], 'c');
}

TEST(SpellPool, PurgeableBlocksGoWhenRoomIsShort)
{
    Pool pool(25600);
    PWDHandle keep = CNSHandle(10000), purgeable = CNSHandle(10000);
    ASSERT_TRUE(keep && purgeable);
    CNSPurge(purgeable);
    EXPECT_EQ(CNSHGetState(purgeable), CNS_IN_USE | CNS_PURGEABLE);
    PWDHandle more = CNSHandle(9000);
    ASSERT_NE(more, 0u);
    // The purged handle stays valid, without data.
    EXPECT_EQ(CNSDeref(purgeable), nullptr);
    EXPECT_EQ(CNSGetHandleSize(purgeable), 0);
    EXPECT_NE(CNSDeref(keep), nullptr);
    // A locked purgeable block is never purged.
    CNSDisposHandle(more);
    ASSERT_EQ(CNSSetHandleSize(purgeable, 9000), 0);
    CNSPurge(purgeable);
    CNSLock(purgeable);
    EXPECT_EQ(CNSHandle(9000), 0u);
    EXPECT_NE(CNSDeref(purgeable), nullptr);
}

long hookFreed = 0;
PWDHandle hookVictim = 0;
long freeVictim()
{
    if (!hookVictim)
        return 0;
    long n = CNSGetHandleSize(hookVictim);
    CNSDisposHandle(hookVictim);
    hookVictim = 0;
    hookFreed += n;
    return n;
}

TEST(SpellPool, FreeSpaceHookMakesRoom)
{
    Pool pool(25600);
    hookVictim = CNSHandle(15000);
    ASSERT_NE(hookVictim, 0u);
    EXPECT_EQ(CNSHandle(10000), 0u);
    UserFreeSpace = freeVictim;
    PWDHandle h = CNSHandle(10000);
    EXPECT_NE(h, 0u);
    EXPECT_EQ(hookFreed, 15000);
}

TEST(SpellPool, GrowingAPurgeableHandleKeepsItsData)
{
    Pool pool(25600);
    PWDHandle h = CNSHandle(100), filler = CNSHandle(12000);
    ASSERT_TRUE(h && filler);
    std::strcpy(static_cast<char*>(CNSDeref(h)), "kept");
    CNSPurge(h);
    CNSDisposHandle(filler);
    PWDHandle wall = CNSHandle(9000);
    ASSERT_NE(wall, 0u);
    // Room for the new size needs compaction only; the growing block must not
    // be purged on the way.
    ASSERT_EQ(CNSSetHandleSize(h, 11000), 0);
    ASSERT_NE(CNSDeref(h), nullptr);
    EXPECT_STREQ(static_cast<const char*>(CNSDeref(h)), "kept");
}

// A free-space hook that disposes of the very handle being grown (as the
// engine's purge does with the found-word cache) must not see it revived, nor
// may a handle that took its master in the meantime be touched.
PWDHandle growing = 0, spare = 0, successor = 0;
bool takeTheMaster = false;
long disposeTheGrowing()
{
    if (!growing)
        return 0;
    long n = CNSGetHandleSize(growing) + CNSGetHandleSize(spare);
    CNSDisposHandle(growing);
    CNSDisposHandle(spare);
    growing = spare = 0;
    if (takeTheMaster) {
        successor = CNSHandle(24);
        if (successor)
            std::memcpy(CNSDeref(successor), "someone else's handle", 22);
    }
    return n;
}

TEST(SpellPool, AHandleDisposedWhileGrowingStaysDead)
{
    for (bool reuse : {false, true}) {
        SCOPED_TRACE(reuse ? "its master taken again" : "its master left free");
        Pool pool(25600);
        long all = AvailMem();
        PWDHandle h = CNSHandle(6000);
        spare = CNSHandle(12000);
        ASSERT_TRUE(h && spare);
        growing = h;
        takeTheMaster = reuse;
        successor = 0;
        UserFreeSpace = disposeTheGrowing;
        // Only the hook can make room for 12000 bytes, and it frees h itself:
        // afterwards there is room, but not for h.
        EXPECT_EQ(CNSSetHandleSize(h, 12000), 1);
        UserFreeSpace = nullptr;
        EXPECT_EQ(growing, 0u) << "the hook was not called";
        if (!reuse) {
            EXPECT_EQ(CNSHGetState(h), 0);
            EXPECT_EQ(CNSDeref(h), nullptr);
            EXPECT_EQ(CNSGetHandleSize(h), 0);
            EXPECT_EQ(CNSSetHandleSize(h, 100), 1);
            EXPECT_EQ(CNSHGetState(h), 0);
            // Nothing was left allocated for it.
            EXPECT_EQ(AvailMem(), all);
        } else {
            ASSERT_EQ(successor, h) << "the new handle was expected to take the freed master";
            EXPECT_EQ(CNSGetHandleSize(successor), 24);
            EXPECT_STREQ(static_cast<const char*>(CNSDeref(successor)), "someone else's handle");
        }
    }
}

TEST(SpellPool, BlockMoveOverlaps)
{
    char buf[] = "abcdefghij";
    BlockMove(buf, buf + 2, 6);
    EXPECT_STREQ(buf, "ababcdefij");
    char buf2[] = "abcdefghij";
    BlockMove(buf2 + 2, buf2, 6);
    EXPECT_STREQ(buf2, "cdefghghij");
}

} // namespace
