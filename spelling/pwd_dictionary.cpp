// The reading layer: opening a dictionary, its header checks, and tables
// read on first use into purgeable handles. Every offset, count and size
// from the file is checked before use, so a damaged or truncated file fails
// with the I/O status instead of reading out of bounds.

#include "spelling/pwd_internal.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

PWDHandle lockedTables[32];
int lockedCount = 0;

int IOCheck(int error)
{
    if (error)
        fprintf(stderr, "I/O Error %d\n", error);
    return error;
}

int CNSSetFPos(int fd, long position)
{
    return lseek(fd, position, SEEK_SET) < 0 ? (errno ? errno : EIO) : 0;
}

// Reads in pieces of at most 32767 bytes; *count becomes what was read.
int CNSRead(int fd, long* count, void* destination)
{
    long want = *count, got = 0;
    unsigned char* d = static_cast<unsigned char*>(destination);
    while (got < want) {
        long piece = want - got > 32767 ? 32767 : want - got;
        ssize_t n = read(fd, d + got, static_cast<size_t>(piece));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *count = got;
            return errno ? errno : EIO;
        }
        got += n;
        if (n < piece)
            break;
    }
    *count = got;
    return 0;
}

int PWDReadLong(int fd, uint32_t* value)
{
    unsigned char b[4];
    long n = 4;
    int e = CNSRead(fd, &n, b);
    if (e)
        return e;
    if (n != 4)
        return EIO;
    *value = pwdGet32(b);
    return 0;
}

// Reads a length-prefixed block no larger than `limit` into a new handle.
PWDHandle PWDReadHandle(int fd, long limit)
{
    uint32_t size;
    if (IOCheck(PWDReadLong(fd, &size)) || size > static_cast<uint32_t>(limit)) {
        PWDSetStatus(PWD_IO_ERROR);
        return 0;
    }
    PWDHandle h = CNSHandle(static_cast<long>(size));
    if (!h) {
        PWDSetStatus(PWD_NO_MEMORY);
        return 0;
    }
    long n = size;
    int e = CNSRead(fd, &n, CNSDeref(h));
    if (IOCheck(e) || n != static_cast<long>(size)) {
        CNSDisposHandle(h);
        PWDSetStatus(PWD_IO_ERROR);
        return 0;
    }
    return h;
}

PWDSpeller* recordOf(PWDHandle speller)
{
    return static_cast<PWDSpeller*>(CNSDeref(speller));
}

const unsigned char* mappedOf(const PWDSpeller* sp)
{
    const unsigned char* m;
    memcpy(&m, sp->mapped, sizeof m);
    return m;
}

PWDBlockEntry* blocksOf(PWDSpeller* sp)
{
    return reinterpret_cast<PWDBlockEntry*>(sp + 1);
}

// The etc block's parts, found by walking it; false when it is damaged.
struct EtcParts {
    long leading, leadingSize, trailing, trailingSize, lower, upper, groups, groupsSize;
    long longSection, longSize, subs, subsSize, tail, tailSize;
};

bool parseEtc(const unsigned char* e, long size, const PWDSpeller* sp, EtcParts* p)
{
    memset(p, 0, sizeof *p);
    long i = 0;
    if (size < 1 || e[0] < 1 || e[0] > size)
        return false;
    p->leading = 1;
    p->leadingSize = e[0] - 1;
    i = e[0];
    if (i >= size || e[i] < 1 || i + e[i] > size)
        return false;
    p->trailing = i + 1;
    p->trailingSize = e[i] - 1;
    i += e[i];
    long letters = sp->counts[PWDC_LETTERS] + 1;
    if (i + 2 * letters > size)
        return false;
    p->lower = i;
    p->upper = i + letters;
    i += 2 * letters;
    if (sp->version >= 4)
        ++i;
    p->groups = i;
    for (;;) {
        if (i >= size)
            return false;
        if (e[i] == 0) {
            ++i;
            break;
        }
        while (i < size && e[i])
            ++i;
        ++i;
    }
    p->groupsSize = i - p->groups;
    if (sp->flags & PWDO_LONG_SECTION) {
        if (i + 2 > size)
            return false;
        long n = pwdGet16(e + i);
        if (i + 2 + n > size)
            return false;
        p->longSection = i + 2;
        p->longSize = n;
        i += 2 + n;
    }
    if (sp->flags & PWDO_SUBSTITUTIONS) {
        p->subs = i;
        while (i < size && e[i])
            i += 2;
        if (i >= size)
            return false;
        p->subsSize = i - p->subs;
        ++i;
    }
    if (sp->flags & PWDO_ATTACHED_CLITICS) {
        if (size < 1 || e[size - 1] > size - i)
            return false;
        p->tailSize = e[size - 1];
        p->tail = size - p->tailSize;
    }
    return true;
}

bool validTable(int which, const unsigned char* t, long size, const PWDSpeller* sp)
{
    switch (which) {
    case PWDT_ETC: {
        EtcParts p;
        return parseEtc(t, size, sp, &p);
    }
    case PWDT_COMMON_OFFSETS:
        return size == 2L * sp->counts[PWDC_COMMON_FIRST] * sp->counts[PWDC_COMMON_SECOND];
    case PWDT_MAIN_OFFSETS:
        return size == 2L * sp->counts[PWDC_MAIN_FIRST] * sp->counts[PWDC_MAIN_SECOND];
    case PWDT_EXACT_A:
    case PWDT_EXACT_B:
    case PWDT_ENDINGS:
        if (size > 0 && t[size - 1] != 0)
            return false;
        if (which == PWDT_ENDINGS) {
            long n = 0;
            for (long i = 0; i < size; ++i)
                n += t[i] == 0;
            return n + 1 <= pwdMaxFlag(sp->level1 + sp->level2);
        }
        return true;
    case PWDT_DIGRAM_ENCODING: {
        if (size < 2)
            return size == 0;
        long rows = t[0], cols = t[1];
        if (2 + 2 * rows > size)
            return false;
        for (long c = 1; c <= rows; ++c) {
            long off = pwdGet16(t + 2 * c);
            if (off && (off < 2 + 2 * rows || off + cols > size))
                return false;
        }
        return true;
    }
    case PWDT_PHONETIC: {
        long i = 0;
        while (i < size) {
            long n = t[i];
            if (n == 0 || i + 1 + n > size || t[i + n] != 0)
                return false;
            i += 1 + n;
        }
        return true;
    }
    default:
        return true;
    }
}

// A cache only when the dictionary does not fit the free space and there is
// room for a block beside it.
bool NeedCache(const PWDSpeller* sp)
{
    long avail = AvailMem();
    return sp->cacheThreshold > static_cast<uint32_t>(avail) && avail > static_cast<long>(sp->blockSize) + 40960;
}

// The found words as they were typed: compared case-exactly, since a word
// may be right only in the case it was found in.
PWDHandle NewCache()
{
    return CNSNewDict(0, CNS_GROWS | CNS_OPTION, 1024, PWD_CACHE_MAX, 512, CNSstrcmp);
}

} // namespace

PWDHandle PWD = 0;
int PWDallLen, PWDonLen, PWDpostLen, PWDskipLen, PWDfirst, PWDsecond, PWDLastLvl1Cnt;
const unsigned char* PWDorigWord;
int CompoundFlg;

PWDSpeller* PWDRecord(void)
{
    return recordOf(PWD);
}

PWDBlockEntry* PWDBlocks(void)
{
    return blocksOf(PWDRecord());
}

int PWDPresence(void)
{
    PWDSpeller* sp = PWDRecord();
    return sp->level1 + sp->level2;
}

int PWD_open(const char* path, int mode)
{
    int fd = open(path, O_RDONLY | (mode & ~O_ACCMODE));
    if (fd < 0) {
        PWDSetStatus(PWD_IO_ERROR);
        IOCheck(errno ? errno : EIO);
    }
    return fd;
}

PWDHandle PWDInitSpell(const char* path, int mode)
{
    PWDStat* st = PWDGetStat();
    st->status = st->first = st->last = 0;
    if (!path)
        return 0;
    int fd = PWD_open(path, mode);
    if (fd < 0)
        return 0;
    PWD = 0;
    struct stat info;
    PWDHandle header = 0, speller = 0;
    auto fail = [&](int bits) {
        if (bits)
            PWDSetStatus(bits);
        CNSDisposHandle(header);
        CNSDisposHandle(speller);
        close(fd);
        return static_cast<PWDHandle>(0);
    };
    if (fd > 0xFFFF || fstat(fd, &info) != 0 || info.st_size > 0xFFFFFFFFL)
        return fail(PWD_IO_ERROR);
    header = PWDReadHandle(fd, CNS_MAX_HANDLE_SIZE);
    if (!header)
        return fail(0);
    long hsize = CNSGetHandleSize(header);
    const unsigned char* h = static_cast<const unsigned char*>(CNSDeref(header));
    if (hsize < PWDH_VERSION + 2)
        return fail(PWD_IO_ERROR);
    int version = pwdGet16(h + PWDH_VERSION);
    if (version == 0 || version > 4)
        return fail(PWD_BAD_VERSION);
    if (hsize < PWDH_BLOCK_INDEX)
        return fail(PWD_IO_ERROR);
    long count = pwdGet16(h + PWDH_BLOCK_COUNT);
    long recordSize = static_cast<long>(sizeof(PWDSpeller) + sizeof(PWDBlockEntry) * count);
    if (hsize < PWDH_BLOCK_INDEX + PWDH_BLOCK_ENTRY * count || recordSize > CNS_MAX_HANDLE_SIZE)
        return fail(PWD_IO_ERROR);
    speller = CNSHandle(recordSize);
    if (!speller)
        return fail(PWD_NO_MEMORY);
    h = static_cast<const unsigned char*>(CNSDeref(header));
    PWDSpeller* sp = recordOf(speller);
    sp->fd = static_cast<uint16_t>(fd);
    sp->version = static_cast<uint16_t>(version);
    sp->language = pwdGet16(h + PWDH_LANGUAGE);
    sp->flags = pwdGet16(h + PWDH_OPTIONS) & ~PWD_IDLE;
    memcpy(sp->classes, h + PWDH_CLASSES, 256);
    memcpy(sp->codes, h + PWDH_CODES, 256);
    memcpy(sp->digrams, h + PWDH_DIGRAMS, 256);
    sp->blockCount = static_cast<uint16_t>(count);
    sp->blockSize = pwdGet32(h + PWDH_BLOCK_SIZE);
    sp->cacheThreshold = pwdGet32(h + PWDH_CACHE_THRESHOLD);
    sp->level1 = h[PWDH_LEVEL1];
    sp->level2 = h[PWDH_LEVEL2];
    if (version < 3 && sp->level2 > 0)
        --sp->level2;
    for (int i = 0; i < PWDC_COUNT; ++i)
        sp->counts[i] = pwdGet16(h + PWDH_COUNTS + 2 * i);
    for (int i = 0; i < PWDT_COUNT; ++i)
        sp->positions[i] = pwdGet32(h + PWDH_POSITIONS + 4 * i);
    sp->fileSize = static_cast<uint32_t>(info.st_size);
    memset(sp->results, 0, sizeof sp->results);
    memset(sp->forms, 0, sizeof sp->forms);
    memset(sp->mapped, 0, sizeof sp->mapped);
    PWDBlockEntry* blocks = blocksOf(sp);
    for (long i = 0; i < count; ++i) {
        const unsigned char* e = h + PWDH_BLOCK_INDEX + PWDH_BLOCK_ENTRY * i;
        blocks[i].slack = pwdGet16(e);
        blocks[i].firstKey = pwdGet32(e + 2);
        blocks[i].lastKey = pwdGet32(e + 6);
        blocks[i].handle = 0;
    }
    CNSDisposHandle(header);
    header = 0;

    // The header's numbers must describe a file that is there.
    bool ok = pwdLevelsValid(sp->level1, sp->level2) && sp->counts[PWDC_LETTERS] <= 127;
    for (int i = PWDC_COMMON_FIRST; i <= PWDC_MAIN_SECOND; ++i)
        ok = ok && sp->counts[i] <= 127;
    for (int i = 0; i < PWDT_COUNT && ok; ++i)
        if (i != PWDT_FIRST_BLOCK && sp->positions[i])
            ok = static_cast<uint64_t>(sp->positions[i]) + 4 <= sp->fileSize;
    if (count > 0) {
        ok = ok && sp->blockSize > 0 && sp->blockSize <= CNS_MAX_HANDLE_SIZE;
        for (long i = 0; i < count && ok; ++i) {
            ok = blocks[i].slack < sp->blockSize && blocks[i].firstKey <= blocks[i].lastKey
                && (i == 0 || blocks[i - 1].lastKey <= blocks[i].firstKey);
        }
        uint64_t end = static_cast<uint64_t>(sp->positions[PWDT_FIRST_BLOCK])
            + static_cast<uint64_t>(count - 1) * sp->blockSize + (sp->blockSize - blocks[count - 1].slack);
        ok = ok && end <= sp->fileSize;
    }
    for (int i = 0; i < PWDT_COUNT; ++i)
        sp->tables[i] = 0;
    sp->userCount = 0;
    for (int i = 0; i < 10; ++i)
        sp->users[i] = 0;
    if (!ok)
        return fail(PWD_IO_ERROR);
    if (UserInitSpell && UserInitSpell(speller) != 0)
        return fail(0);
    if (NeedCache(recordOf(speller))) {
        PWDHandle c = NewCache();
        recordOf(speller)->tables[PWDT_CACHE] = c;
    }
    // The main word blocks are most of a dictionary, and a small pool would
    // read them again and again: the whole file is read once into memory and
    // the blocks are read in place there. A copy, not a mapping: a dictionary
    // file shortened while the speller is open must not crash the program.
    const unsigned char* mapped = nullptr;
    if (info.st_size > 0) {
        auto* copy = static_cast<unsigned char*>(malloc(static_cast<size_t>(info.st_size)));
        size_t got = 0;
        while (copy && got < static_cast<size_t>(info.st_size)) {
            ssize_t n = pread(fd, copy + got, static_cast<size_t>(info.st_size) - got, static_cast<off_t>(got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        if (copy && got == static_cast<size_t>(info.st_size))
            mapped = copy;
        else
            free(copy);
    }
    memcpy(recordOf(speller)->mapped, &mapped, sizeof mapped);
    return speller;
}

const unsigned char* PWDTable(int which, long* size)
{
    PWDSpeller* sp = PWDRecord();
    *size = 0;
    static const unsigned char empty[1] = {0};
    if (!sp->positions[which])
        return empty;
    PWDHandle t = sp->tables[which];
    if (t && CNSDeref(t)) {
        if (!(CNSHGetState(t) & CNS_LOCKED)) {
            CNSLock(t);
            if (lockedCount < 32)
                lockedTables[lockedCount++] = t;
        }
        *size = CNSGetHandleSize(t);
        return static_cast<const unsigned char*>(CNSDeref(t));
    }
    CNSDisposHandle(t);
    sp->tables[which] = 0;
    int fd = sp->fd;
    if (IOCheck(CNSSetFPos(fd, sp->positions[which]))) {
        PWDSetStatus(PWD_IO_ERROR);
        return nullptr;
    }
    t = PWDReadHandle(fd, CNS_MAX_HANDLE_SIZE);
    sp = PWDRecord();
    if (!t)
        return nullptr;
    const unsigned char* data = static_cast<const unsigned char*>(CNSDeref(t));
    if (!validTable(which, data, CNSGetHandleSize(t), sp)) {
        CNSDisposHandle(t);
        PWDSetStatus(PWD_IO_ERROR);
        return nullptr;
    }
    sp->tables[which] = t;
    CNSPurge(t);
    CNSLock(t);
    if (lockedCount < 32)
        lockedTables[lockedCount++] = t;
    *size = CNSGetHandleSize(t);
    return static_cast<const unsigned char*>(CNSDeref(t));
}

void PWDReleaseTables(void)
{
    for (int i = 0; i < lockedCount; ++i)
        CNSUnlock(lockedTables[i]);
    lockedCount = 0;
}

bool PWDBlocksMapped(void)
{
    return mappedOf(PWDRecord()) != nullptr;
}

const unsigned char* PWDBlock(int index, long* length)
{
    PWDSpeller* sp = PWDRecord();
    PWDBlockEntry* b = blocksOf(sp) + index;
    *length = static_cast<long>(sp->blockSize - b->slack);
    if (const unsigned char* map = mappedOf(sp)) {
        long pos = static_cast<long>(sp->positions[PWDT_FIRST_BLOCK]) + static_cast<long>(index) * sp->blockSize;
        if (*length < 0 || pos < 0 || pos + *length > static_cast<long>(sp->fileSize)) {
            PWDSetStatus(PWD_IO_ERROR);
            return nullptr;
        }
        return map + pos;
    }
    if (b->handle && CNSDeref(b->handle)) {
        CNSLock(b->handle);
        return static_cast<const unsigned char*>(CNSDeref(b->handle));
    }
    CNSDisposHandle(b->handle);
    b->handle = 0;
    PWDHandle h = CNSHandle(*length);
    sp = PWDRecord();
    b = blocksOf(sp) + index;
    if (!h) {
        PWDSetStatus(PWD_NO_MEMORY);
        return nullptr;
    }
    long n = *length;
    long pos = static_cast<long>(sp->positions[PWDT_FIRST_BLOCK]) + static_cast<long>(index) * sp->blockSize;
    if (IOCheck(CNSSetFPos(sp->fd, pos)) || IOCheck(CNSRead(sp->fd, &n, CNSDeref(h))) || n != *length) {
        CNSDisposHandle(h);
        PWDSetStatus(PWD_IO_ERROR);
        return nullptr;
    }
    b->handle = h;
    CNSPurge(h);
    CNSLock(h);
    return static_cast<const unsigned char*>(CNSDeref(h));
}

void PWDReleaseBlock(int index)
{
    PWDHandle h = PWDBlocks()[index].handle;
    if (h)
        CNSUnlock(h);
}

int EtcAccess(int kind, unsigned char* map, const unsigned char** part, long* partSize)
{
    long size;
    const unsigned char* e = PWDTable(PWDT_ETC, &size);
    if (!e)
        return 0;
    PWDSpeller* sp = PWDRecord();
    EtcParts p;
    if (size == 0 || !parseEtc(e, size, sp, &p)) {
        if (map)
            for (int i = 0; i < 256; ++i)
                map[i] = static_cast<unsigned char>(i);
        if (part) {
            *part = e;
            *partSize = 0;
        }
        return size == 0;
    }
    auto give = [&](long off, long n) {
        if (part) {
            *part = e + off;
            *partSize = n;
        }
    };
    switch (kind) {
    case 4:
    case 0:
        for (int i = 0; i < 256; ++i)
            map[i] = static_cast<unsigned char>(i);
        if (kind == 4) {
            long i = p.groups;
            while (e[i]) {
                unsigned char leader = e[i++];
                while (e[i])
                    map[e[i++]] = leader;
                ++i;
            }
        } else {
            for (long i = p.subs; i + 1 < p.subs + p.subsSize + 1 && e[i]; i += 2)
                map[e[i + 1]] = e[i];
        }
        return 1;
    case 1:
        give(p.tail, p.tailSize);
        return 1;
    case 2:
        give(p.longSection, p.longSize);
        return 1;
    case 3:
        give(p.groups, p.groupsSize);
        return 1;
    case 5:
        give(p.trailing, p.trailingSize);
        return 1;
    case 6:
        give(p.leading, p.leadingSize);
        return 1;
    case 7:
        give(p.lower, sp->counts[PWDC_LETTERS] + 1);
        return 1;
    case 8:
        give(p.upper, sp->counts[PWDC_LETTERS] + 1);
        return 1;
    }
    return 0;
}

unsigned char UnMapChar(int code, int capital)
{
    const unsigned char* part;
    long n;
    if (!EtcAccess(capital ? 8 : 7, nullptr, &part, &n) || code < 0 || code >= n)
        return 0;
    return part[code];
}

int PWDStartSpell(PWDHandle speller)
{
    PWDSpeller* sp = recordOf(speller);
    if (!sp)
        return 1;
    sp->flags &= ~PWD_IDLE;
    PWDHandle c = sp->tables[PWDT_CACHE];
    if (c && CNSDeref(c) && CNSDeref(CNSDictData(c))) {
        CNSNoPurge(CNSDictData(c));
    } else {
        CNSKillDict(c);
        sp = recordOf(speller);
        sp->tables[PWDT_CACHE] = 0;
        if (NeedCache(sp)) {
            c = NewCache();
            recordOf(speller)->tables[PWDT_CACHE] = c;
        }
    }
    return UserStartSpell ? UserStartSpell(speller) : 0;
}

int PWDEndSpell(PWDHandle speller)
{
    if (speller == PWD)
        return 0;
    PWDSpeller* sp = recordOf(speller);
    if (!sp)
        return 1;
    sp->flags |= PWD_IDLE;
    if (sp->tables[PWDT_CACHE])
        CNSPurge(CNSDictData(sp->tables[PWDT_CACHE]));
    for (int i = 0; i < PWDT_COUNT; ++i)
        if (i != PWDT_CACHE && sp->tables[i])
            CNSPurge(sp->tables[i]);
    return UserEndSpell ? UserEndSpell(speller) : 0;
}

int PWDKillSpell(PWDHandle speller)
{
    if (!recordOf(speller))
        return 1;
    if (UserKillSpell)
        UserKillSpell(speller);
    PWDSpeller* sp = recordOf(speller);
    if (const unsigned char* map = mappedOf(sp))
        free(const_cast<unsigned char*>(map));
    close(sp->fd);
    PWDForgetResults(sp);
    PWDForgetForms(sp);
    CNSKillDict(sp->tables[PWDT_CACHE]);
    sp = recordOf(speller);
    for (int i = 0; i < PWDT_COUNT; ++i)
        if (i != PWDT_CACHE)
            CNSDisposHandle(sp->tables[i]);
    PWDBlockEntry* b = blocksOf(sp);
    for (int i = 0; i < sp->blockCount; ++i)
        CNSDisposHandle(b[i].handle);
    if (PWD == speller)
        PWD = 0;
    CNSDisposHandle(speller);
    return 0;
}

long PWDPurge(void)
{
    if (!PWD)
        return 0;
    auto freeOne = [](PWDHandle* h) -> long {
        if (!*h || (CNSHGetState(*h) & CNS_LOCKED))
            return 0;
        long n = CNSDeref(*h) ? CNSGetHandleSize(*h) : 8;
        if (n == 0)
            n = 8;
        CNSDisposHandle(*h);
        *h = 0;
        return n;
    };
    PWDSpeller* sp = PWDRecord();
    PWDBlockEntry* b = blocksOf(sp);
    for (int i = 0; i < sp->blockCount; ++i)
        if (b[i].handle && CNSDeref(b[i].handle) && !(CNSHGetState(b[i].handle) & CNS_LOCKED))
            return freeOne(&b[i].handle);
    long freed = 0;
    static const int second[] = {PWDT_ETC, PWDT_MAIN_OFFSETS, PWDT_EXACT_A, PWDT_EXACT_B};
    for (int t : second)
        freed += freeOne(&sp->tables[t]);
    if (freed)
        return freed;
    if (UserPurgeSpell && (freed = UserPurgeSpell()) > 0)
        return freed;
    if (!sp->tables[PWDT_CACHE]) {
        static const int last[] = {PWDT_ENDINGS, PWDT_DIGRAM_ENCODING, PWDT_COMMON_OFFSETS, PWDT_COMMON_ENTRIES};
        for (int t : last)
            freed += freeOne(&sp->tables[t]);
        return freed;
    }
    PWDHandle c = sp->tables[PWDT_CACHE];
    PWDHandle data = CNSDictData(c);
    // The cache's bytes count too, so that the allocation waiting for them
    // goes ahead.
    if (!(CNSHGetState(c) & CNS_LOCKED) && !(CNSHGetState(data) & CNS_LOCKED)) {
        freed = CNSGetHandleSize(c) + (CNSDeref(data) ? CNSGetHandleSize(data) : 8);
        sp->tables[PWDT_CACHE] = 0;
        CNSKillDict(c);
    }
    return freed;
}
