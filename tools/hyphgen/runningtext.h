#pragma once

// Running text in every language: the words of translated manual pages
// (gzip-compressed groff) and of HTML manuals, for measuring the
// hyphenation tables (tools/hyphgen) and the spelling check (bench/).

#include "spelling/hyph_internal.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace hyphref {

inline void appendUtf8(std::string &out, uint32_t ch)
{
    if (ch < 0x80) {
        out.push_back((char)ch);
    } else if (ch < 0x800) {
        out.push_back((char)(0xC0 | (ch >> 6)));
        out.push_back((char)(0x80 | (ch & 0x3F)));
    } else {
        out.push_back((char)(0xE0 | (ch >> 12)));
        out.push_back((char)(0x80 | ((ch >> 6) & 0x3F)));
        out.push_back((char)(0x80 | (ch & 0x3F)));
    }
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

inline std::vector<uint32_t> decodeLatin1(const std::string &s)
{
    std::vector<uint32_t> out;
    for (unsigned char c : s)
        out.push_back(c);
    return out;
}

// ---- Running text ----------------------------------------------------------

// The bytes of a file; a gzip-compressed one (".gz") through gzip.
inline std::string readTextFile(const std::string &path)
{
    std::string out;
    if (path.size() > 3 && path.compare(path.size() - 3, 3, ".gz") == 0) {
        if (path.find('\'') != std::string::npos)
            return out;
        FILE *p = popen(("gzip -dc '" + path + "' 2>/dev/null").c_str(), "r");
        if (!p)
            return out;
        char buf[65536];
        for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;)
            out.append(buf, n);
        pclose(p);
        return out;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The running text of a manual page: the text lines and the arguments of
// the font and heading requests, with the escapes taken out.
inline std::string groffText(const std::string &raw)
{
    static const char *const kept[] = {"B", "I", "BI", "IB", "BR", "RB", "IR", "RI", "SH", "SS", "TP", "IP", "SM"};
    std::string out;
    std::istringstream in(raw);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && (line[0] == '.' || line[0] == '\'')) {
            size_t sp = line.find_first_of(" \t");
            std::string request = line.substr(1, sp == std::string::npos ? std::string::npos : sp - 1);
            bool keep = sp != std::string::npos && std::any_of(std::begin(kept), std::end(kept), [&](const char *r) {
                            return request == r;
                        });
            if (!keep)
                continue;
            line = line.substr(sp + 1);
        }
        for (size_t i = 0; i < line.size(); i++) {
            if (line[i] != '\\') {
                out.push_back(line[i]);
                continue;
            }
            // \fX \f(XX \f[..] \(XX \*X \*(XX \[..]: a space in their place.
            char c = i + 1 < line.size() ? line[i + 1] : ' ';
            size_t skip = 1;
            if (c == 'f' || c == '*' || c == 'n') {
                char d = i + 2 < line.size() ? line[i + 2] : ' ';
                skip = d == '(' ? 4 : d == '[' ? line.find(']', i) - i : 2;
            } else if (c == '(')
                skip = 3;
            else if (c == '[')
                skip = line.find(']', i) - i;
            else if (c == '&' || c == '%')
                skip = 1;
            if (c != '&' && c != '%')
                out.push_back(' ');
            i += std::min(skip, line.size() - i);
        }
        out.push_back('\n');
    }
    return out;
}

// The text of an HTML page: tags and entities become spaces.
inline std::string htmlText(const std::string &raw)
{
    std::string out;
    for (size_t i = 0; i < raw.size(); i++) {
        if (raw[i] == '<') {
            size_t e = raw.find('>', i);
            if (e == std::string::npos)
                break;
            i = e;
            out.push_back(' ');
        } else if (raw[i] == '&') {
            size_t e = raw.find(';', i);
            if (e != std::string::npos && e - i < 10)
                i = e;
            out.push_back(' ');
        } else
            out.push_back(raw[i]);
    }
    return out;
}

inline bool isLetterChar(uint32_t ch)
{
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') ||
           (ch >= 0xC0 && ch <= 0x24F && ch != 0xD7 && ch != 0xF7) || (ch >= 0x370 && ch <= 0x52F);
}

// The files of running text under each path, in order.
inline std::vector<std::string> textFiles(const std::vector<std::string> &paths)
{
    std::vector<std::string> files;
    for (const std::string &p : paths) {
        std::error_code ec;
        if (std::filesystem::is_directory(p, ec)) {
            for (auto it = std::filesystem::recursive_directory_iterator(p, ec);
                 !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
                if (it->is_regular_file(ec))
                    files.push_back(it->path().string());
        } else if (std::filesystem::exists(p, ec))
            files.push_back(p);
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The words of running text under the paths, as they stand: every run of
// letters, in order, in UTF-8. A file that is not UTF-8 is read as ISO
// 8859-1.
inline std::vector<std::vector<uint32_t>> runningTextTokens(const std::vector<std::string> &paths)
{
    std::vector<std::vector<uint32_t>> out;
    for (const std::string &f : textFiles(paths)) {
        bool html = f.find(".htm") != std::string::npos;
        bool man = !html && f.size() > 3 && f.compare(f.size() - 3, 3, ".gz") == 0;
        if (!html && !man)
            continue;
        std::string raw = readTextFile(f);
        std::string text = html ? htmlText(raw) : groffText(raw);
        std::vector<uint32_t> chars = decodeUtf8(text);
        if (chars.empty())
            chars = decodeLatin1(text);
        std::vector<uint32_t> word;
        for (uint32_t ch : chars) {
            if (isLetterChar(ch)) {
                word.push_back(ch);
            } else if (!word.empty()) {
                out.push_back(word);
                word.clear();
            }
        }
        if (!word.empty())
            out.push_back(word);
    }
    return out;
}

// The words of running text, lower-cased, each once: runs of letters that
// are all small or capitalised (acronyms and identifiers such as "GNU" or
// "setKey" are left out), of 4 to 60 letters.
inline std::set<std::string> runningTextWords(const std::vector<std::string> &paths)
{
    std::set<std::string> out;
    for (const std::vector<uint32_t> &word : runningTextTokens(paths)) {
        bool inner = false, allCaps = word.size() > 1;
        for (size_t k = 0; k < word.size(); k++) {
            bool capital = hyph_lower(word[k]) != word[k];
            inner = inner || (k > 0 && capital);
            allCaps = allCaps && capital;
        }
        if (word.size() >= 4 && word.size() <= 60 && !inner && !allCaps) {
            std::string lower;
            for (uint32_t ch : word)
                appendUtf8(lower, hyph_lower(ch));
            out.insert(lower);
        }
    }
    return out;
}

} // namespace hyphref
