#pragma once

// What the table builder and the hyphenation benchmark share: the sources
// of each language, the words of running text that the tables are measured
// on, and the reference hyphenator (libhyphen with Debian's patterns).

#include "spelling/hyph_internal.h"
#include "tools/hyphgen/runningtext.h"

#include <hyphen.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <unistd.h>
#include <string>
#include <vector>

namespace hyphref {

// Where a language learns from: its pattern file and its vocabularies.
// A vocabulary is a word list (one word a line, UTF-8 or ISO 8859-1) or a
// hunspell dictionary, whose words are expanded with its affix file by
// hunspell's unmunch from every stride-th stem.
struct Vocabulary {
    std::string path;
    std::string affix; // empty: a plain word list
    int stride = 1;
};

// The tables are compiled from the patterns; the word lists give the
// exceptions; running text (manual pages, manuals) is what they are measured
// on, less every word of the word lists and of the hunspell dictionary.
struct Source {
    int language = -1;
    std::string group;
    std::string patterns;
    std::vector<Vocabulary> vocabularies;
    std::vector<std::string> texts; // files or folders of running text
};

// Reads the table of sources ("tools/hyphgen/sources.txt"): lines of
// group, language, kind ("patterns", "words", "hunspell" or "text") and
// path; a hunspell line gives the dictionary without its ending and may end
// with a stride.
inline std::vector<Source> readSources(const std::string &file)
{
    std::vector<Source> out;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        char group[64], kind[32], path[1024];
        int language, stride = 1;
        int got = sscanf(line.c_str(), "%63s %d %31s %1023s %d", group, &language, kind, path, &stride);
        if (got < 4 || stride < 1)
            continue;
        Source *src = nullptr;
        for (Source &s : out)
            if (s.language == language)
                src = &s;
        if (!src) {
            out.push_back(Source());
            src = &out.back();
            src->language = language;
            src->group = group;
        }
        std::string k = kind;
        if (k == "patterns")
            src->patterns = path;
        else if (k == "words")
            src->vocabularies.push_back({path, "", 1});
        else if (k == "hunspell")
            src->vocabularies.push_back({std::string(path) + ".dic", std::string(path) + ".aff", stride});
        else if (k == "text")
            src->texts.push_back(path);
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

    bool open(const std::string &path)
    {
        dict = hnj_hyphen_load(path.c_str());
        if (!dict)
            return false;
        utf8 = dict->utf8 != 0;
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
    // libhyphen answers one entry per character, also for UTF-8 patterns,
    // where a character takes several bytes.
    bool breaks(const std::vector<uint32_t> &chars, std::vector<unsigned char> &out)
    {
        std::string bytes;
        for (uint32_t ch : chars) {
            if (utf8) {
                appendUtf8(bytes, ch);
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
        }
        std::vector<char> hy(bytes.size() + 5, 0);
        char **rep = nullptr;
        int *pos = nullptr, *cut = nullptr;
        hnj_hyphen_hyphenate3(dict, bytes.c_str(), (int)bytes.size(), hy.data(), nullptr, &rep, &pos, &cut, 2, 2, 2, 2);
        out.assign(chars.size(), 0);
        for (size_t i = 0; i + 1 < chars.size(); i++)
            if ((hy[i] & 1) && !(rep && rep[i]))
                out[i + 1] = 1;
        if (rep) {
            // Allocated one per byte; the entries past the characters are null.
            for (size_t i = 0; i < bytes.size(); i++)
                free(rep[i]);
            free(rep);
            free(pos);
            free(cut);
        }
        return true;
    }
};

inline bool validUtf8(const std::string &s)
{
    return s.empty() || !decodeUtf8(s).empty();
}

// Adds the lower-cased word of a line when it is all letters (what is not
// a letter of the language is dropped later, by its class codes).
inline void addWord(std::vector<std::string> &out, const std::string &line, bool latin1)
{
    if (line.empty() || line.find_first_of(" \t/'-.0123456789") != std::string::npos)
        return;
    std::vector<uint32_t> chars = latin1 ? decodeLatin1(line) : decodeUtf8(line);
    if (chars.empty())
        return;
    std::string lower;
    for (uint32_t ch : chars)
        appendUtf8(lower, hyph_lower(ch));
    out.push_back(lower);
}

// The words of a hunspell dictionary: every stride-th stem expanded by
// unmunch; empty when it cannot run.
inline bool expandHunspell(const Vocabulary &v, std::vector<std::string> &out)
{
    std::ifstream aff(v.affix), dic(v.path);
    if (!aff || !dic)
        return false;
    bool latin1 = false;
    std::string line;
    while (std::getline(aff, line))
        if (line.compare(0, 4, "SET ") == 0) {
            latin1 = line.find("8859-1") != std::string::npos;
            break;
        }
    std::vector<std::string> stems;
    std::getline(dic, line); // the count
    for (long i = 0; std::getline(dic, line); i++)
        if (i % v.stride == 0)
            stems.push_back(line);
    char tmp[] = "/tmp/hyphgen-XXXXXX";
    int fd = mkstemp(tmp);
    if (fd < 0)
        return false;
    FILE *f = fdopen(fd, "w");
    if (!f) {
        close(fd);
        unlink(tmp);
        return false;
    }
    fprintf(f, "%zu\n", stems.size());
    for (const std::string &s : stems)
        fprintf(f, "%s\n", s.c_str());
    bool ok = fclose(f) == 0;
    std::string command = "unmunch '" + std::string(tmp) + "' '" + v.affix + "' 2>/dev/null";
    FILE *p = ok && v.affix.find('\'') == std::string::npos ? popen(command.c_str(), "r") : nullptr;
    if (p) {
        std::string word;
        for (int c; (c = getc(p)) != EOF;) {
            if (c != '\n') {
                word.push_back((char)c);
                continue;
            }
            addWord(out, word, latin1);
            word.clear();
        }
        ok = pclose(p) == 0;
    } else
        ok = false;
    unlink(tmp);
    return ok;
}

// The words of a vocabulary, lower-cased, each once, sorted. A plain list
// that is not all UTF-8 is read as ISO 8859-1, as Debian's Scandinavian
// lists are.
inline std::vector<std::string> readWords(const Vocabulary &v)
{
    std::vector<std::string> out;
    if (!v.affix.empty()) {
        if (!expandHunspell(v, out))
            fprintf(stderr, "hyphgen: cannot expand %s with unmunch\n", v.path.c_str());
    } else {
        std::ifstream in(v.path);
        std::vector<std::string> lines;
        std::string line;
        bool latin1 = false;
        while (std::getline(in, line)) {
            latin1 = latin1 || !validUtf8(line);
            lines.push_back(line);
        }
        for (const std::string &l : lines)
            addWord(out, l, latin1);
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

// Every vocabulary of a language together.
inline std::vector<std::string> readVocabulary(const Source &src)
{
    std::vector<std::string> words;
    for (const Vocabulary &v : src.vocabularies) {
        std::vector<std::string> w = readWords(v);
        words.insert(words.end(), w.begin(), w.end());
    }
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    return words;
}

// The evaluation words of a language: the words of its running text that
// are in none of its word lists nor (fully expanded) in its hunspell
// dictionary, and that its alphabet and the reference can take.
inline std::vector<std::string> evaluationWords(const Source &src)
{
    std::set<std::string> text = runningTextWords(src.texts);
    Source all = src;
    for (Vocabulary &v : all.vocabularies)
        v.stride = 1;
    std::vector<std::string> vocabulary = readVocabulary(all);
    std::vector<std::string> out;
    for (const std::string &w : text) {
        if (std::binary_search(vocabulary.begin(), vocabulary.end(), w))
            continue;
        if (codesOf(src.language, decodeUtf8(w)).empty())
            continue;
        out.push_back(w);
    }
    return out;
}

} // namespace hyphref
