#include "panels/SpellText.h"

#include "core/CharClass.h"
#include "core/Encoding.h"

#include <array>

namespace spelltext {

namespace {

using Table = std::array<unsigned char, 128>;

struct Near {
    unsigned char code;
    char to;
};

// The characters one set lacks, each to a near one of the other.
constexpr Near kNeXTNear[] = {
    {0x90, 'D'}, {0x9B, 'Y'}, {0x9C, 'T'}, {0x9E, 'x'}, {0xA8, '*'}, {0xB5, '|'}, {0xC0, '1'},
    {0xC1, '`'}, {0xC9, '2'}, {0xCC, '3'}, {0xD2, '?'}, {0xD3, '?'}, {0xD4, '?'}, {0xE6, 'd'},
    {0xE8, 'L'}, {0xF7, 'y'}, {0xF8, 'l'}, {0xFC, 't'}, {0xFE, '?'}, {0xFF, '?'},
};
constexpr Near kMacNear[] = {
    {0xA1, 'o'}, {0xAA, 'T'}, {0xAD, '='}, {0xB0, '?'}, {0xB2, '<'}, {0xB3, '>'}, {0xB6, 'd'},
    {0xB7, 'S'}, {0xB8, 'P'}, {0xB9, 'p'}, {0xBA, 'S'}, {0xBD, 'O'}, {0xC3, 'v'}, {0xC5, '~'},
    {0xC6, 'D'}, {0xD4, '`'}, {0xD7, '?'}, {0xD9, 'Y'}, {0xDB, 'E'}, {0xF0, '?'},
};

template <std::size_t N>
Table buildTable(bool fromNeXT, const Near (&near)[N])
{
    Table table{};
    for (int code = 128; code < 256; ++code) {
        const auto byte = static_cast<unsigned char>(code);
        const std::optional<unsigned char> same = fromNeXT ? kit::nextstepToMacRoman(byte) : kit::macRomanToNextstep(byte);
        unsigned char mapped = '?';
        if (same) {
            mapped = *same;
        } else {
            for (const Near& entry : near)
                if (entry.code == byte)
                    mapped = static_cast<unsigned char>(entry.to);
        }
        table[std::size_t(code - 128)] = mapped;
    }
    return table;
}

const Table& nextToMac()
{
    static const Table table = [] {
        Table made = buildTable(true, kNeXTNear);
        // The text's no-break space is a plain space to the dictionaries.
        made[0x80 - 128] = 0x20;
        return made;
    }();
    return table;
}

const Table& macToNext()
{
    static const Table table = buildTable(false, kMacNear);
    return table;
}

void encode(std::string& bytes, const Table& table)
{
    for (char& c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > 127)
            c = static_cast<char>(table[std::size_t(byte - 128)]);
    }
}

bool isWordEnd(unsigned char c) { return kit::isPunct(c) || kit::isSpace(c) || c < 0x20 || c == 0x7F; }

} // namespace

void encodeNeXTToMac(std::string& bytes) { encode(bytes, nextToMac()); }

void encodeMacToNeXT(std::string& bytes) { encode(bytes, macToNext()); }

std::string stripExtraPunct(std::string_view word)
{
    std::string out;
    out.reserve(word.size());
    int run = 0;
    for (std::size_t i = 0; i < word.size(); ++i) {
        const auto c = static_cast<unsigned char>(word[i]);
        run = i > 0 && word[i - 1] == word[i] ? run + 1 : 1;
        if (kit::isPunct(c) && run > 2)
            continue;
        out += word[i];
    }
    return out;
}

std::string trimPunctuation(std::string_view word)
{
    std::size_t first = 0, last = word.size();
    while (last > first && isWordEnd(static_cast<unsigned char>(word[last - 1])))
        --last;
    while (first < last && isWordEnd(static_cast<unsigned char>(word[first])))
        ++first;
    return std::string(word.substr(first, last - first));
}

const char* dictNameFromLangId(int langId)
{
    if (langId < 0 || langId >= int(std::size(dictFileNames)) || !check_langNum(short(langId)))
        return nullptr;
    return dictFileNames[langId];
}

std::vector<std::string> guessWords(PWDHandle guesses)
{
    std::vector<std::string> out;
    if (!guesses)
        return out;
    const long size = CNSGetHandleSize(guesses);
    const int state = CNSHGetState(guesses);
    CNSLock(guesses);
    const auto* data = static_cast<const unsigned char*>(CNSDeref(guesses));
    long i = 0;
    while (data && size > 0 && i < size) {
        ++i; // the flag byte
        long end = i;
        while (end < size && data[end] != 0)
            ++end;
        // A record that runs past the handle is not a word.
        if (end >= size)
            break;
        if (end > i)
            out.emplace_back(reinterpret_cast<const char*>(data + i), std::size_t(end - i));
        i = end + 1;
    }
    if (!(state & CNS_LOCKED))
        CNSUnlock(guesses);
    return out;
}

} // namespace spelltext
