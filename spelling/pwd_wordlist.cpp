// Word lists: a sorted run of separator-terminated strings in a pool handle,
// behind a small header that says how the list grows and compares.

#include "spelling/pwd.h"
#include "spelling/pwd_charsets.h"
#include "spelling/pwd_internal.h"

#include <string.h>

int CNSSep = 0;
long CNSDupPos = 0;

namespace {

struct DictHeader {
    uint32_t maximum;
    uint32_t used;
    uint32_t growth;
    uint32_t data;
    unsigned char compare[sizeof(CNSCompare)]; // the pool keeps 4-byte alignment only
    uint8_t flags;
    uint8_t separator;
};

bool readHeader(PWDHandle list, DictHeader* out)
{
    const void* p = CNSDeref(list);
    if (!p || CNSGetHandleSize(list) < static_cast<long>(sizeof(DictHeader)))
        return false;
    memcpy(out, p, sizeof(DictHeader));
    CNSSep = out->separator;
    return true;
}

void writeHeader(PWDHandle list, const DictHeader& h)
{
    memcpy(CNSDeref(list), &h, sizeof(DictHeader));
}

CNSCompare comparator(const DictHeader& h)
{
    CNSCompare c;
    memcpy(&c, h.compare, sizeof c);
    return c ? c : CNSstrcmp;
}

long lengthOf(const unsigned char* s, int sep)
{
    long n = 0;
    while (s[n] != sep)
        ++n;
    return n;
}

} // namespace

long CNSstrlen(const unsigned char* s)
{
    return lengthOf(s, CNSSep);
}

// A list passes its flag 0x10 as the option: set, the strings compare byte
// by byte (user lists marked case-exact, the engine's own lists); clear,
// they compare with their letters in lower case.
int CNSstrcmp(const unsigned char* probe, const unsigned char* stored, int option)
{
    int sep = CNSSep;
    const unsigned char* fold = pwdMacCaseFold.lower;
    for (;; ++probe, ++stored) {
        bool pe = *probe == sep, se = *stored == sep;
        if (pe || se)
            return pe && se ? 0 : (pe ? -1 : 1);
        int a = *probe, b = *stored;
        if (!option) {
            a = fold[a];
            b = fold[b];
        }
        if (a != b)
            return a - b;
    }
}

PWDHandle CNSNewDict(int separator, int flags, long initialSize, long maximumSize, long growth,
                     CNSCompare compare)
{
    if (initialSize < 0)
        initialSize = 0;
    if (initialSize > CNS_MAX_HANDLE_SIZE)
        initialSize = CNS_MAX_HANDLE_SIZE;
    PWDHandle list = CNSHandle(sizeof(DictHeader));
    if (!list)
        return 0;
    PWDHandle data = CNSHandle(initialSize);
    if (!data) {
        CNSDisposHandle(list);
        return 0;
    }
    DictHeader h{};
    h.maximum = static_cast<uint32_t>(maximumSize < 0 ? 0 : maximumSize);
    h.used = 0;
    h.growth = static_cast<uint32_t>(growth < 0 ? 0 : growth);
    h.data = data;
    memcpy(h.compare, &compare, sizeof compare);
    h.flags = static_cast<uint8_t>(flags);
    h.separator = static_cast<uint8_t>(separator);
    writeHeader(list, h);
    CNSSep = separator;
    return list;
}

void CNSKillDict(PWDHandle list)
{
    PWDWordListsChanged();
    DictHeader h;
    if (!list)
        return;
    if (readHeader(list, &h))
        CNSDisposHandle(h.data);
    CNSDisposHandle(list);
}

PWDHandle CNSDict2Handle(PWDHandle list)
{
    DictHeader h;
    if (!readHeader(list, &h))
        return 0;
    CNSDisposHandle(list);
    if (h.used == 0) {
        CNSDisposHandle(h.data);
        return 0;
    }
    CNSSetHandleSize(h.data, h.used);
    return h.data;
}

PWDHandle CNSHandle2Dict(PWDHandle data, int separator, int flags, long maximumSize, long growth,
                         CNSCompare compare)
{
    long size = CNSGetHandleSize(data);
    if (!data || maximumSize < size)
        return 0;
    PWDHandle list = CNSHandle(sizeof(DictHeader));
    if (!list)
        return 0;
    DictHeader h{};
    h.maximum = static_cast<uint32_t>(maximumSize);
    h.used = static_cast<uint32_t>(size);
    h.growth = static_cast<uint32_t>(growth < 0 ? 0 : growth);
    h.data = data;
    memcpy(h.compare, &compare, sizeof compare);
    h.flags = static_cast<uint8_t>(flags);
    h.separator = static_cast<uint8_t>(separator);
    writeHeader(list, h);
    CNSSep = separator;
    return list;
}

long CNSLookUp(const unsigned char* data, const unsigned char* probe, long low, long high,
               CNSCompare compare, int separator, int flags, int* found)
{
    int option = (flags & CNS_OPTION) ? 1 : 0;
    CNSSep = separator;
    *found = 0;
    if (high <= low)
        return low;
    if (flags & CNS_APPEND_FAST) {
        long s = high - 1;
        while (s > low && data[s - 1] != separator)
            --s;
        int c = compare(probe, data + s, option);
        if (c == 0) {
            *found = 1;
            return s;
        }
        if (c > 0)
            return high;
    }
    long lo = low, hi = high;
    while (lo < hi) {
        long s = lo + (hi - lo) / 2;
        while (s > lo && data[s - 1] != separator)
            --s;
        int c = compare(probe, data + s, option);
        if (c == 0) {
            *found = 1;
            return s;
        }
        if (c < 0) {
            hi = s;
        } else {
            long e = s;
            while (e < hi && data[e] != separator)
                ++e;
            lo = e + 1;
        }
    }
    return lo;
}

long CNSFindPos(PWDHandle list, const unsigned char* word)
{
    DictHeader h;
    if (!readHeader(list, &h))
        return -1;
    const unsigned char* data = static_cast<const unsigned char*>(CNSDeref(h.data));
    if (!data)
        return -1;
    int found;
    return CNSLookUp(data, word, 0, h.used, comparator(h), h.separator, h.flags, &found);
}

long CNSSearch(PWDHandle list, const unsigned char* word)
{
    DictHeader h;
    if (!word || !readHeader(list, &h) || *word == h.separator)
        return -1;
    const unsigned char* data = static_cast<const unsigned char*>(CNSDeref(h.data));
    if (!data)
        return -1;
    int found;
    long pos = CNSLookUp(data, word, 0, h.used, comparator(h), h.separator, h.flags, &found);
    return found ? pos : -1;
}

namespace {

// Removes the string at pos; shrinks a growing list whose slack passes the
// growth step.
void removeAt(PWDHandle list, DictHeader& h, long pos)
{
    unsigned char* data = static_cast<unsigned char*>(CNSDeref(h.data));
    long len = lengthOf(data + pos, h.separator) + 1;
    memmove(data + pos, data + pos + len, h.used - pos - len);
    h.used -= static_cast<uint32_t>(len);
    writeHeader(list, h);
    if ((h.flags & CNS_GROWS) && CNSGetHandleSize(h.data) - static_cast<long>(h.used) > static_cast<long>(h.growth))
        CNSSetHandleSize(h.data, h.used);
}

} // namespace

int CNSInsert(PWDHandle list, const unsigned char* word)
{
    PWDWordListsChanged();
    return PWDCacheInsert(list, word);
}

int PWDCacheInsert(PWDHandle list, const unsigned char* word)
{
    DictHeader h;
    if (!word || !readHeader(list, &h))
        return 1;
    CNSCompare cmp = comparator(h);
    const unsigned char* data = static_cast<const unsigned char*>(CNSDeref(h.data));
    if (!data && h.used)
        return 1;
    int found = 0;
    long pos = data ? CNSLookUp(data, word, 0, h.used, cmp, h.separator, h.flags, &found) : 0;
    if (found) {
        CNSDupPos = pos;
        if (!(h.flags & CNS_REPLACE))
            return 2;
        removeAt(list, h, pos);
        readHeader(list, &h);
    }
    long len = lengthOf(word, h.separator) + 1;
    long need = static_cast<long>(h.used) + len;
    if (need > CNSGetHandleSize(h.data)) {
        if (!(h.flags & CNS_GROWS) || need > static_cast<long>(h.maximum) || need > CNS_MAX_HANDLE_SIZE)
            return 1;
        long ask = need + static_cast<long>(h.growth);
        if (ask > static_cast<long>(h.maximum))
            ask = h.maximum;
        if (ask > CNS_MAX_HANDLE_SIZE)
            ask = CNS_MAX_HANDLE_SIZE;
        // Growing may run the free-space hook: the header stays locked so
        // that the hook cannot take the list away underneath.
        int wasLocked = CNSHGetState(list) & CNS_LOCKED;
        CNSLock(list);
        bool grown = CNSSetHandleSize(h.data, ask) == 0 || CNSSetHandleSize(h.data, need) == 0;
        if (!wasLocked)
            CNSUnlock(list);
        DictHeader now;
        if (!grown || !readHeader(list, &now) || now.data != h.data)
            return 1;
    }
    unsigned char* d = static_cast<unsigned char*>(CNSDeref(h.data));
    if (!d)
        return 1;
    memmove(d + pos + len, d + pos, h.used - pos);
    memcpy(d + pos, word, static_cast<size_t>(len));
    h.used += static_cast<uint32_t>(len);
    writeHeader(list, h);
    CNSDupPos = pos;
    return 0;
}

int CNSDelete(PWDHandle list, const unsigned char* word)
{
    PWDWordListsChanged();
    long pos = CNSSearch(list, word);
    if (pos < 0)
        return 0;
    DictHeader h;
    readHeader(list, &h);
    removeAt(list, h, pos);
    return 1;
}

int CNSRemove(PWDHandle list, long index)
{
    PWDWordListsChanged();
    DictHeader h;
    if (index < 0 || !readHeader(list, &h))
        return 0;
    const unsigned char* data = static_cast<const unsigned char*>(CNSDeref(h.data));
    if (!data)
        return 0;
    long pos = 0;
    for (long i = 0; i < index; ++i) {
        if (pos >= static_cast<long>(h.used))
            return 0;
        pos += lengthOf(data + pos, h.separator) + 1;
    }
    if (pos >= static_cast<long>(h.used))
        return 0;
    removeAt(list, h, pos);
    return 1;
}

long CNSDictUsed(PWDHandle list)
{
    DictHeader h;
    return readHeader(list, &h) ? h.used : 0;
}

PWDHandle CNSDictData(PWDHandle list)
{
    DictHeader h;
    return readHeader(list, &h) ? h.data : 0;
}

int CNSDictFlags(PWDHandle list)
{
    DictHeader h;
    return readHeader(list, &h) ? h.flags : 0;
}
