#pragma once

// What the table builder and the hyphenation benchmark share: the training
// sources of each language, the word split, and the reference hyphenator
// (libhyphen with Debian's patterns).

#include "spelling/hyph_internal.h"

#include <hyphen.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace hyphref {

struct Source {
    int language;
    const char *patterns; // file in /usr/share/hyphen, nullptr: none
    const char *words;    // file in /usr/share/dict, nullptr: none
    const char *more;     // a further word list for training, nullptr: none
};

// Languages whose tables are learned from hyphenated words; the others get
// syllable rules.
inline const std::vector<Source> &sources()
{
    static const std::vector<Source> s = {
        {0, "hyph_en_US.dic", "american-english", "british-english"}, {1, "hyph_es_ES.dic", "spanish", nullptr},
        {2, "hyph_it_IT.dic", "italian", nullptr},          {3, "hyph_pt_PT.dic", "portuguese", nullptr},
        {4, "hyph_fr.dic", "french", nullptr},              {5, "hyph_de_DE.dic", "ngerman", nullptr},
        {6, "hyph_nl_NL.dic", "dutch", nullptr},            {7, "hyph_nb_NO.dic", "bokmaal", nullptr},
        {9, "hyph_sv_SE.dic", "swedish", nullptr},          {10, "hyph_da_DK.dic", "danish", nullptr},
        {27, "hyph_ca_ES.dic", "catalan", nullptr},
        // Learned when their word lists (wpolish, wukrainian, wbulgarian)
        // are installed.
        {20, "hyph_pl_PL.dic", "polish", nullptr},     {23, "hyph_uk_UA.dic", "ukrainian", nullptr},
        {29, "hyph_bg_BG.dic", "bulgarian", nullptr},
    };
    return s;
}

inline const Source *sourceOf(int language)
{
    for (const Source &s : sources())
        if (s.language == language)
            return &s;
    return nullptr;
}

inline bool haveWords(const Source &s)
{
    std::ifstream in(std::string("/usr/share/dict/") + s.words);
    return (bool)in;
}

// Words kept apart for measuring: never used to build the tables.
inline bool heldOut(const std::string &utf8)
{
    uint32_t h = 2166136261u;
    for (unsigned char c : utf8)
        h = (h ^ c) * 16777619u;
    return h % 10 == 3;
}

inline std::vector<uint32_t> decodeUtf8(const std::string &s)
{
    std::vector<uint32_t> out;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = s[i];
        uint32_t ch;
        int extra;
        if (c < 0x80) { ch = c; extra = 0; }
        else if ((c & 0xE0) == 0xC0) { ch = c & 0x1F; extra = 1; }
        else if ((c & 0xF0) == 0xE0) { ch = c & 0x0F; extra = 2; }
        else if ((c & 0xF8) == 0xF0) { ch = c & 0x07; extra = 3; }
        else return {};
        for (int k = 1; k <= extra; k++) {
            if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return {};
            ch = (ch << 6) | (s[i + k] & 0x3F);
        }
        out.push_back(ch);
        i += extra + 1;
    }
    return out;
}

// Class codes of a lower-cased word; empty when a letter is not in the
// language's alphabet.
inline std::vector<unsigned char> codesOf(int language, const std::vector<uint32_t> &chars)
{
    int count;
    const uint32_t *alpha = hyph_alphabet(language, &count);
    std::vector<unsigned char> out;
    for (uint32_t ch : chars) {
        uint32_t l = hyph_lower(ch);
        int code = 0;
        for (int i = 0; i < count; i++)
            if (alpha[i] == l) {
                code = i + 1;
                break;
            }
        if (!code)
            return {};
        out.push_back((unsigned char)code);
    }
    return out;
}

// The document-set bytes of a word, for languages with a map; empty when a
// letter has none.
inline std::string docBytes(int language, const std::vector<uint32_t> &chars)
{
    std::string out;
    for (uint32_t ch : chars) {
        int found = -1;
        for (int c = 1; c < 256 && found < 0; c++)
            if (hyph_doc_char(language, (unsigned char)c) == ch)
                found = c;
        if (found < 0)
            return {};
        out.push_back((char)found);
    }
    return out;
}

// The upper half of ISO 8859-2, which some pattern files use.
inline const uint16_t *latin2High()
{
    static const uint16_t t[96] = {
        0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7, 0x00A8, 0x0160, 0x015E, 0x0164, 0x0179, 0x00AD,
        0x017D, 0x017B, 0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7, 0x00B8, 0x0161, 0x015F, 0x0165,
        0x017A, 0x02DD, 0x017E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9,
        0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
        0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A,
        0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3,
        0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
    };
    return t;
}

struct Reference {
    HyphenDict *dict = nullptr;
    bool utf8 = true;
    bool latin2 = false;

    bool open(const char *file)
    {
        std::string path = std::string("/usr/share/hyphen/") + file;
        dict = hnj_hyphen_load(path.c_str());
        if (!dict)
            return false;
        utf8 = std::strcmp(dict->cset, "UTF-8") == 0;
        latin2 = std::strncmp(dict->cset, "ISO8859-2", 9) == 0 || std::strncmp(dict->cset, "ISO-8859-2", 10) == 0;
        return true;
    }
    ~Reference()
    {
        if (dict)
            hnj_hyphen_free(dict);
    }

    // Breaks of a lower-case word: out[j] is 1 for a break before letter j.
    // False when the word cannot be put in the patterns' character set.
    bool breaks(const std::vector<uint32_t> &chars, std::vector<unsigned char> &out)
    {
        std::string bytes;
        std::vector<int> letterEnd; // byte index of each letter's last byte
        for (uint32_t ch : chars) {
            if (utf8) {
                if (ch < 0x80) bytes.push_back((char)ch);
                else if (ch < 0x800) { bytes.push_back((char)(0xC0 | (ch >> 6))); bytes.push_back((char)(0x80 | (ch & 0x3F))); }
                else { bytes.push_back((char)(0xE0 | (ch >> 12))); bytes.push_back((char)(0x80 | ((ch >> 6) & 0x3F))); bytes.push_back((char)(0x80 | (ch & 0x3F))); }
            } else if (latin2 && ch >= 0xA0) {
                int b = -1;
                for (int k = 0; k < 96 && b < 0; k++)
                    if (latin2High()[k] == ch)
                        b = 0xA0 + k;
                if (b < 0)
                    return false;
                bytes.push_back((char)b);
            } else {
                if (ch > 0xFF)
                    return false;
                bytes.push_back((char)ch);
            }
            letterEnd.push_back((int)bytes.size() - 1);
        }
        std::vector<char> hy(bytes.size() + 5, 0);
        char **rep = nullptr;
        int *pos = nullptr, *cut = nullptr;
        hnj_hyphen_hyphenate3(dict, bytes.c_str(), (int)bytes.size(), hy.data(), nullptr, &rep, &pos, &cut, 2, 2, 2, 2);
        out.assign(chars.size(), 0);
        for (size_t i = 0; i + 1 < chars.size(); i++)
            if ((hy[letterEnd[i]] & 1) && !(rep && rep[letterEnd[i]]))
                out[i + 1] = 1;
        if (rep) {
            for (size_t i = 0; i < bytes.size(); i++)
                free(rep[i]);
            free(rep);
            free(pos);
            free(cut);
        }
        return true;
    }
};

// The words of a Debian word list, lower-cased, each once, in file order.
inline std::vector<std::string> readWords(const char *file)
{
    std::vector<std::string> out;
    std::ifstream in(std::string("/usr/share/dict/") + file);
    std::string line;
    std::string prev;
    while (std::getline(in, line)) {
        if (line.empty() || line.find_first_of(" '-.0123456789") != std::string::npos)
            continue;
        std::vector<uint32_t> chars = decodeUtf8(line);
        if (chars.empty())
            continue;
        std::string lower;
        for (uint32_t ch : chars) {
            ch = hyph_lower(ch);
            if (ch < 0x80) lower.push_back((char)ch);
            else if (ch < 0x800) { lower.push_back((char)(0xC0 | (ch >> 6))); lower.push_back((char)(0x80 | (ch & 0x3F))); }
            else { lower.push_back((char)(0xE0 | (ch >> 12))); lower.push_back((char)(0x80 | ((ch >> 6) & 0x3F))); lower.push_back((char)(0x80 | (ch & 0x3F))); }
        }
        out.push_back(lower);
    }
    std::vector<std::string> sorted = out;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    return sorted;
}

} // namespace hyphref
