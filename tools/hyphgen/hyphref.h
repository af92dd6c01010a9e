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

struct Reference {
    HyphenDict *dict = nullptr;
    bool utf8 = true;

    bool open(const char *file)
    {
        std::string path = std::string("/usr/share/hyphen/") + file;
        dict = hnj_hyphen_load(path.c_str());
        if (!dict)
            return false;
        utf8 = std::strcmp(dict->cset, "UTF-8") == 0;
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
