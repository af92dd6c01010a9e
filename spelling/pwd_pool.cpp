// The engine's pool: one host block carved into relocatable blocks reached
// through master records. Every address stored in the pool is a 32-bit
// offset from its base, so the layout (and the free space it reports) is the
// same on 32- and 64-bit machines.
//
// Layout: free-list head (4 bytes), 500 masters of 8 bytes (data offset,
// flags, spare), then the block area. Each block has an 8-byte header: a
// free block holds its data size and the next free block's header offset
// (0 = end), an allocated block its physical and its logical size.

#include "spelling/pwd.h"

#include <string.h>

unsigned char* CNSPool = nullptr;
long (*UserFreeSpace)(void) = nullptr;

namespace {

constexpr uint32_t kMasterBase = 4;
constexpr uint32_t kAreaStart = kMasterBase + CNS_MASTER_COUNT * 8; // 4004
constexpr int kMaxRegions = 8;
// A hook that keeps answering "freed something" without helping must not
// hold an allocation forever.
constexpr int kMaxFreeUpRounds = 4096;
// Each handle taken gets a serial in its master's spare bytes, so that an
// operation can tell its handle from a new one that took the same master
// while room was being made.
uint16_t serial = 0;

struct Region {
    uint32_t start;
    uint32_t end;
};
Region regions[kMaxRegions];
int regionCount = 0;

uint32_t rd(uint32_t offset)
{
    uint32_t v;
    memcpy(&v, CNSPool + offset, 4);
    return v;
}

void wr(uint32_t offset, uint32_t v)
{
    memcpy(CNSPool + offset, &v, 4);
}

uint16_t rd16(uint32_t offset)
{
    uint16_t v;
    memcpy(&v, CNSPool + offset, 2);
    return v;
}

void wr16(uint32_t offset, uint16_t v)
{
    memcpy(CNSPool + offset, &v, 2);
}

uint32_t round4(uint32_t n)
{
    return (n + 3) & ~3u;
}

bool validHandle(PWDHandle h)
{
    if (!CNSPool || h < kMasterBase || h >= kAreaStart || (h - kMasterBase) % 8 != 0)
        return false;
    return rd16(h + 4) != 0;
}

uint32_t masterData(PWDHandle h) { return rd(h); }
uint16_t masterFlags(PWDHandle h) { return rd16(h + 4); }

uint32_t head() { return rd(0); }
void setHead(uint32_t v) { wr(0, v); }
uint32_t blockSize(uint32_t b) { return rd(b); }
uint32_t nextFree(uint32_t b) { return rd(b + 4); }

uint32_t regionEndOf(uint32_t b)
{
    for (int i = 0; i < regionCount; ++i)
        if (b >= regions[i].start && b < regions[i].end)
            return regions[i].end;
    return 0;
}

// Inserts a block into the address-ordered free list and joins it with the
// free blocks it touches.
void Release(uint32_t b)
{
    uint32_t prev = 0, cur = head();
    while (cur && cur < b) {
        prev = cur;
        cur = nextFree(cur);
    }
    wr(b + 4, cur);
    if (prev)
        wr(prev + 4, b);
    else
        setHead(b);
    if (cur && b + 8 + blockSize(b) == cur) {
        wr(b, blockSize(b) + 8 + blockSize(cur));
        wr(b + 4, nextFree(cur));
    }
    if (prev && prev + 8 + blockSize(prev) == b) {
        wr(prev, blockSize(prev) + 8 + blockSize(b));
        wr(prev + 4, nextFree(b));
    }
}

PWDHandle ownerOf(uint32_t b)
{
    for (uint32_t h = kMasterBase; h < kAreaStart; h += 8)
        if (rd16(h + 4) && rd(h) == b + 8)
            return h;
    return 0;
}

long Compact(uint32_t needed)
{
    if (static_cast<uint32_t>(AvailMem()) < needed)
        return 0;
    uint32_t largest = 0;
    uint32_t prev = 0;
    uint32_t f = head();
    while (f) {
        for (;;) {
            uint32_t fsize = blockSize(f);
            uint32_t b = f + 8 + fsize;
            uint32_t end = regionEndOf(f);
            if (b + 8 > end || b == nextFree(f))
                break;
            PWDHandle owner = ownerOf(b);
            if (!owner || (masterFlags(owner) & CNS_LOCKED))
                break;
            uint32_t bsize = blockSize(b);
            uint32_t next = nextFree(f);
            memmove(CNSPool + f, CNSPool + b, 8 + bsize);
            wr(owner, f + 8);
            uint32_t nf = f + 8 + bsize;
            wr(nf, fsize);
            wr(nf + 4, next);
            if (prev)
                wr(prev + 4, nf);
            else
                setHead(nf);
            if (next && nf + 8 + fsize == next) {
                wr(nf, fsize + 8 + blockSize(next));
                wr(nf + 4, nextFree(next));
            }
            f = nf;
            if (blockSize(f) >= needed)
                break;
        }
        if (blockSize(f) > largest)
            largest = blockSize(f);
        if (largest >= needed)
            return largest;
        prev = f;
        f = nextFree(f);
    }
    return largest;
}

long FreeUp(uint32_t needed)
{
    long largest = Compact(needed);
    if (largest >= static_cast<long>(needed))
        return largest;
    long total = 0;
    for (uint32_t h = kMasterBase; h < kAreaStart; h += 8) {
        uint16_t flags = rd16(h + 4);
        uint32_t data = rd(h);
        if (flags && data && (flags & (CNS_PURGEABLE | CNS_LOCKED)) == CNS_PURGEABLE) {
            total += blockSize(data - 8);
            wr(h, 0);
            Release(data - 8);
            if (total >= static_cast<long>(needed))
                return total;
        }
    }
    if (total >= static_cast<long>(needed))
        return total;
    if (UserFreeSpace) {
        long freed = UserFreeSpace();
        return freed > 0 ? freed + total : total;
    }
    return total;
}

uint32_t findBest(uint32_t need, uint32_t* prevOut)
{
    uint32_t best = 0, bestPrev = 0, prev = 0;
    for (uint32_t f = head(); f; prev = f, f = nextFree(f)) {
        uint32_t s = blockSize(f);
        if (s >= need && (!best || s < blockSize(best))) {
            best = f;
            bestPrev = prev;
        }
    }
    *prevOut = bestPrev;
    return best;
}

// Answers the header offset of a new block, 0 when no room can be made.
uint32_t Allocate(uint32_t size)
{
    uint32_t need = round4(size);
    for (int round = 0; round < kMaxFreeUpRounds; ++round) {
        uint32_t prev;
        uint32_t b = findBest(need, &prev);
        if (b) {
            uint32_t s = blockSize(b);
            uint32_t replacement = nextFree(b);
            if (s - need > 7) {
                uint32_t tail = b + 8 + need;
                wr(tail, s - need - 8);
                wr(tail + 4, nextFree(b));
                replacement = tail;
                wr(b, need);
            }
            if (prev)
                wr(prev + 4, replacement);
            else
                setHead(replacement);
            wr(b + 4, size);
            return b;
        }
        if (FreeUp(need) <= 0)
            return 0;
    }
    return 0;
}

PWDHandle GetMaster()
{
    for (int round = 0; round < kMaxFreeUpRounds; ++round) {
        for (uint32_t h = kMasterBase; h < kAreaStart; h += 8)
            if (rd16(h + 4) == 0)
                return h;
        if (!UserFreeSpace || UserFreeSpace() <= 0)
            return 0;
    }
    return 0;
}

void ClearMem(unsigned char* p, long size)
{
    while (size > 0) {
        long step = size > 32000 ? 32000 : size;
        memset(p, 0, static_cast<size_t>(step));
        p += step;
        size -= step;
    }
}

} // namespace

int InitMemPool(void* block, long size)
{
    if (!block || size < CNS_MIN_POOL_SIZE)
        return 1;
    // Offsets are 32-bit; a larger block is used up to what they can reach.
    if (size > 0x7FFFFFF0L)
        size = 0x7FFFFFF0L;
    size &= ~3L;
    CNSPool = static_cast<unsigned char*>(block);
    ClearMem(CNSPool, size);
    regionCount = 1;
    regions[0] = Region{kAreaStart, static_cast<uint32_t>(size)};
    wr(kAreaStart, static_cast<uint32_t>(size) - kAreaStart - 8);
    wr(kAreaStart + 4, 0);
    setHead(kAreaStart);
    return 0;
}

int GrowMemPool(void* block, long size)
{
    if (!block || !CNSPool)
        return 1;
    size &= ~3L;
    unsigned char* p = static_cast<unsigned char*>(block);
    // Only a block above the pool and within reach of a 32-bit offset can be
    // named by the pool's offsets.
    if (size < 16 || p < CNSPool || regionCount == kMaxRegions)
        return 1;
    unsigned long start = static_cast<unsigned long>(p - CNSPool);
    if (start % 4 != 0 || start + static_cast<unsigned long>(size) > 0xFFFFFFF0UL)
        return 1;
    for (int i = 0; i < regionCount; ++i)
        if (start < regions[i].end && start + size > regions[i].start)
            return 1;
    regions[regionCount++] = Region{static_cast<uint32_t>(start), static_cast<uint32_t>(start + size)};
    wr(static_cast<uint32_t>(start), static_cast<uint32_t>(size) - 8);
    Release(static_cast<uint32_t>(start));
    return 0;
}

long AvailMem(void)
{
    if (!CNSPool)
        return 0;
    long total = 0;
    for (uint32_t f = head(); f; f = nextFree(f))
        total += blockSize(f);
    return total;
}

PWDHandle CNSHandle(long size)
{
    if (!CNSPool || size < 0 || size > CNS_MAX_HANDLE_SIZE)
        return 0;
    uint32_t b = Allocate(static_cast<uint32_t>(size));
    if (!b)
        return 0;
    PWDHandle h = GetMaster();
    if (!h) {
        Release(b);
        return 0;
    }
    // The master hook may have compacted; the block had no owner yet, so it
    // cannot have moved.
    wr(h, b + 8);
    wr16(h + 4, CNS_IN_USE);
    wr16(h + 6, ++serial);
    ClearMem(CNSPool + b + 8, blockSize(b));
    return h;
}

int CNSDisposHandle(PWDHandle h)
{
    if (!validHandle(h))
        return 0;
    uint32_t data = masterData(h);
    wr(h, 0);
    wr16(h + 4, 0);
    if (data)
        Release(data - 8);
    return 0;
}

int CNSSetHandleSize(PWDHandle h, long size)
{
    if (!validHandle(h) || size < 0 || size > CNS_MAX_HANDLE_SIZE)
        return 1;
    uint32_t want = static_cast<uint32_t>(size);
    uint32_t data = masterData(h);
    uint16_t flags = masterFlags(h);
    if (!data || want > blockSize(data - 8)) {
        if (data && (flags & CNS_LOCKED))
            return 1;
        // The block being grown must survive the room-making: it may move,
        // but must not be purged.
        uint16_t mark = rd16(h + 6);
        wr16(h + 4, static_cast<uint16_t>(flags & ~CNS_PURGEABLE));
        uint32_t b = Allocate(want);
        // The free-space hook may have disposed of the handle (and a new
        // handle may have taken its master): it stays dead.
        if (!validHandle(h) || rd16(h + 6) != mark) {
            if (b)
                Release(b);
            return 1;
        }
        wr16(h + 4, static_cast<uint16_t>(masterFlags(h) | (flags & CNS_PURGEABLE)));
        if (!b)
            return 1;
        data = masterData(h); // compaction may have moved it
        uint32_t keep = 0;
        if (data) {
            keep = blockSize(data - 8);
            memcpy(CNSPool + b + 8, CNSPool + data, keep);
            Release(data - 8);
        }
        ClearMem(CNSPool + b + 8 + keep, static_cast<long>(blockSize(b)) - keep);
        wr(h, b + 8);
        wr(b + 4, want);
        return 0;
    }
    uint32_t b = data - 8;
    uint32_t phys = blockSize(b);
    wr(b + 4, want);
    uint32_t rounded = round4(want);
    if (phys - rounded >= 8) {
        uint32_t tail = b + 8 + rounded;
        wr(tail, phys - rounded - 8);
        wr(b, rounded);
        Release(tail);
    }
    return 0;
}

long CNSGetHandleSize(PWDHandle h)
{
    if (!validHandle(h) || !masterData(h))
        return 0;
    return rd(masterData(h) - 8 + 4);
}

int CNSLock(PWDHandle h)
{
    if (validHandle(h))
        wr16(h + 4, masterFlags(h) | CNS_LOCKED);
    return 0;
}

int CNSUnlock(PWDHandle h)
{
    if (validHandle(h))
        wr16(h + 4, masterFlags(h) & ~CNS_LOCKED);
    return 0;
}

int CNSPurge(PWDHandle h)
{
    if (validHandle(h))
        wr16(h + 4, masterFlags(h) | CNS_PURGEABLE);
    return 0;
}

int CNSNoPurge(PWDHandle h)
{
    if (validHandle(h))
        wr16(h + 4, masterFlags(h) & ~CNS_PURGEABLE);
    return 0;
}

int CNSHGetState(PWDHandle h)
{
    return validHandle(h) ? masterFlags(h) : 0;
}

void* CNSDeref(PWDHandle h)
{
    if (!validHandle(h) || !masterData(h))
        return nullptr;
    return CNSPool + masterData(h);
}

void BlockMove(const void* source, void* destination, long count)
{
    if (count > 0)
        memmove(destination, source, static_cast<size_t>(count));
}

void ABlockMove(const void* source, void* destination, long count)
{
    BlockMove(source, destination, count & ~1L);
}
