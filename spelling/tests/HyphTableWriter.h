#pragma once

// Small hand-made hyphenation tables for the tests, written in the engine's
// file layout.

#include "spelling/hyph_internal.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace hyphtest {

using Bytes = std::vector<unsigned char>;
using Words = std::vector<uint16_t>;

inline void put16(Bytes &b, uint16_t v)
{
    b.push_back(v & 0xFF);
    b.push_back(v >> 8);
}

inline Bytes bytesOf(const Words &w)
{
    Bytes b;
    for (uint16_t v : w)
        put16(b, v);
    return b;
}

inline int code(char c) { return c - 'a' + 1; }

// Letters a..z: vowels a, e, i, o, u.
inline Bytes latinFeatures()
{
    Words w(27, 0);
    for (char c = 'a'; c <= 'z'; c++) {
        bool vowel = c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u';
        w[code(c)] = HYPH_F_LETTER | (vowel ? 0 : HYPH_F_CONSONANT);
    }
    return bytesOf(w);
}

// Pattern words.
inline uint16_t L(char c, bool mark = false) { return (uint16_t)((mark ? 0xA000 : 0x2000) | code(c)); }
inline void V(Words &w, bool mark = false)
{
    w.push_back((uint16_t)((mark ? 0x8000 : 0) | HYPH_F_LETTER));
    w.push_back(HYPH_F_LETTER | HYPH_F_CONSONANT);
}
inline void C(Words &w, bool mark = false)
{
    w.push_back((uint16_t)((mark ? 0x8000 : 0) | HYPH_F_LETTER | HYPH_F_CONSONANT));
    w.push_back(HYPH_F_LETTER | HYPH_F_CONSONANT);
}
inline void Any(Words &w, bool mark = false)
{
    w.push_back((uint16_t)((mark ? 0x8000 : 0) | HYPH_F_LETTER));
    w.push_back(HYPH_F_LETTER);
}

// A positive root rule: control (length, shortest stretch 2, sets), value.
inline void positive(Words &list, const Words &pat, uint16_t value, uint16_t sets = 0x7800, uint16_t extra = 0)
{
    list.push_back((uint16_t)(pat.size() | (2 << 8) | sets | extra));
    list.push_back(value);
    list.insert(list.end(), pat.begin(), pat.end());
}

inline void negative(Words &list, const Words &pat, uint16_t classWord, uint16_t sets = 0x7800)
{
    list.push_back((uint16_t)(pat.size() | sets));
    list.push_back(classWord);
    list.insert(list.end(), pat.begin(), pat.end());
}

// An index of entries bucketed by class code (first or last letter);
// entries of a bucket are given sorted.
inline Bytes index(const std::vector<std::pair<int, Bytes>> &entries, int cols = 0, const Bytes &matrix = {})
{
    const int hi = 26;
    int words = 5 + hi;
    Bytes area;
    Words header(words, 0);
    header[0] = hi;
    header[1] = (uint16_t)cols;
    header[2] = (uint16_t)(2 * words);
    for (int c = 1; c <= hi; c++) {
        header[3 + c] = (uint16_t)area.size();
        for (auto &e : entries)
            if (e.first == c)
                area.insert(area.end(), e.second.begin(), e.second.end());
    }
    header[4 + hi] = (uint16_t)area.size();
    header[3] = (uint16_t)(2 * words + area.size());
    Bytes out = bytesOf(header);
    out.insert(out.end(), area.begin(), area.end());
    out.insert(out.end(), matrix.begin(), matrix.end());
    return out;
}

// Exception-list entry: "ab-cd" marks a point before c.
inline Bytes listEntry(const char *text)
{
    Bytes e;
    bool mark = false;
    for (const char *p = text; *p; p++) {
        if (*p == '-') {
            mark = true;
            continue;
        }
        e.push_back((unsigned char)(code(*p) | (e.empty() ? 0x80 : 0) | (mark ? 0x40 : 0)));
        mark = false;
    }
    return e;
}

inline Bytes exceptionIndex(const std::vector<const char *> &sortedWords)
{
    Bytes list;
    for (const char *w : sortedWords) {
        Bytes e = listEntry(w);
        list.insert(list.end(), e.begin(), e.end());
    }
    Bytes idx = index({});
    // Word 1: length of the exception list, word 3: where it starts.
    idx[2] = list.size() & 0xFF;
    idx[3] = (unsigned char)(list.size() >> 8);
    idx[6] = idx.size() & 0xFF;
    idx[7] = (unsigned char)(idx.size() >> 8);
    idx.insert(idx.end(), list.begin(), list.end());
    return idx;
}

// Suffix entry: letters, class, compatibility class 31 (unless byte1 is
// given), a mark before the suffix of the given weight (or none when -1);
// flags go into byte 3 beside the pattern length (0x40 starts an island,
// 0x20 keeps one open).
inline Bytes suffixEntry(const char *letters, int cls, int seamWeight, int code2 = 0, int byte1 = 31, int flags = 0)
{
    Bytes pat;
    if (seamWeight >= 0)
        pat.push_back((unsigned char)(0x40 | seamWeight));
    int n = 0;
    for (const char *p = letters; *p; p++, n++)
        pat.push_back((unsigned char)code(*p));
    Bytes e = {(unsigned char)(n | (cls << 4)), (unsigned char)byte1, (unsigned char)code2,
               (unsigned char)(pat.size() | flags)};
    e.insert(e.end(), pat.begin(), pat.end());
    return e;
}

// Prefix entry with a point after it of the given weight.
inline Bytes prefixEntry(const char *letters, int cls, int weight)
{
    Bytes e = {0};
    for (const char *p = letters + 1; *p; p++)
        e.push_back((unsigned char)code(*p));
    e.push_back((unsigned char)(0x40 | weight));
    e[0] = (unsigned char)(e.size() | (cls << 4));
    return e;
}

struct TableFile {
    struct Section {
        int slot, language;
        Bytes data;
    };
    std::vector<Section> sections;

    void add(int slot, int language, const Bytes &data) { sections.push_back({slot, language, data}); }
    void rules(int slot, Words list)
    {
        list.push_back(0);
        add(slot, HYPH_SHARED, bytesOf(list));
    }

    Bytes bytes() const
    {
        Bytes out = {'S', 'H', 'Y', 'P'};
        put16(out, HYPH_FILE_VERSION);
        put16(out, (uint16_t)sections.size());
        uint32_t off = 8 + 12 * (uint32_t)sections.size();
        for (const Section &s : sections) {
            put16(out, (uint16_t)s.slot);
            put16(out, (uint16_t)s.language);
            for (uint32_t v : {off, (uint32_t)s.data.size()})
                for (int k = 0; k < 4; k++)
                    out.push_back((v >> (8 * k)) & 0xFF);
            off += (uint32_t)s.data.size();
        }
        for (const Section &s : sections)
            out.insert(out.end(), s.data.begin(), s.data.end());
        return out;
    }
};

inline bool writeBytes(const std::string &path, const Bytes &b)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = b.empty() || fwrite(b.data(), 1, b.size(), f) == b.size();
    return fclose(f) == 0 && ok;
}

} // namespace hyphtest
