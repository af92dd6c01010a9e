#include "text/TextWord.h"

#include "core/Bundle.h"
#include "core/CharClass.h"
#include "spelling/hyph.h"

#include <array>
#include <cstdio>
#include <string>

namespace {

constexpr int LanguageCount = 40;
constexpr int MaxCodes = 254;

enum class MapState : unsigned char { Untried, Ready, Failed };

struct LanguageMap {
    MapState state = MapState::Untried;
    std::array<unsigned char, 256> map{};
};

std::array<LanguageMap, LanguageCount>& languageMaps()
{
    static std::array<LanguageMap, LanguageCount> maps;
    return maps;
}

bool isDash(unsigned char c) { return c == '-' || c == TextEmDash || c == TextEnDash; }

bool isStrippable(unsigned char c) { return kit::isSpace(c) || kit::isPunct(c); }

} // namespace

const unsigned char* mapForLangId(int langId)
{
    if (langId < 0 || langId >= LanguageCount)
        return nullptr;
    LanguageMap& entry = languageMaps()[std::size_t(langId)];
    if (entry.state == MapState::Untried) {
        // A language the engine cannot serve is remembered, so that its
        // words get no points rather than an unfilled map.
        if (InitHyph(static_cast<uint16_t>(langId)) != 0) {
            std::fputs("Layvane: Can not initialize for this language\n", stderr);
            entry.state = MapState::Failed;
        } else {
            MakeMap(entry.map.data(), static_cast<uint16_t>(langId));
            entry.state = MapState::Ready;
        }
    }
    return entry.state == MapState::Ready ? entry.map.data() : nullptr;
}

void TextWord::initializeHyphenation()
{
    const std::string folder = kit::Bundle::resourcePath();
    HyphSetResourceDir(folder.c_str());
    for (LanguageMap& entry : languageMaps())
        if (entry.state == MapState::Failed)
            entry.state = MapState::Untried;
}

void TextWord::setHyphens()
{
    // During an import the work waits: the layout computes the points once,
    // when a line end first needs them.
    if (importGate()) {
        invalidateHyphens();
        return;
    }
    hyphenCount_ = 0;
    if (length_ <= 5)
        return;
    const unsigned char* t = textBuffer();
    int end = length_;
    int stripped = 0;
    while (end > 1 && isStrippable(t[end - 1])) {
        --end;
        ++stripped;
    }
    if (end <= 5)
        return;
    // Endings of an apostrophe and one or two letters ("it's", "we'll").
    if (t[end - 2] == TextApostrophe) {
        end -= 2;
        stripped += 2;
    } else if (t[end - 3] == TextApostrophe) {
        end -= 3;
        stripped += 3;
    }
    int leading = 0;
    while (leading < end && isStrippable(t[leading]))
        ++leading;
    if (end - leading <= 5)
        return;

    const unsigned char* stops = mapForLangId(langId_);
    if (!stops)
        return;
    const auto lang = static_cast<uint16_t>(langId_);
    // Each word selects its own language: the engine keeps one current.
    if (InitHyph(lang) != 0)
        return;
    hyph_index = 0;
    unsigned char codes[MaxCodes + 1];
    int count = 0;
    for (int i = leading; i < end; ++i) {
        const unsigned char c = t[i];
        // Digits and dashes end the letters the engine sees (their class
        // code is 0) rather than forbidding the word.
        if (stops[c] && !kit::isDigit(c) && !isDash(c)) {
            count = 0;
            break;
        }
        if (count == MaxCodes)
            break;
        const int code = host2dashes(c, lang);
        if (code == 0)
            break;
        codes[count++] = static_cast<unsigned char>(code);
    }
    codes[count] = 0;
    if (count <= 5)
        return;

    // Dashes give the breaks of their own; only a word without one goes to
    // the engine. Either list comes out ascending.
    // The list has room for one point per letter: a point past that could
    // only repeat one.
    int found = 0;
    auto add = [&](int point) {
        if (found < maxlength_)
            letters_.setHyphen(found++, point);
    };
    for (int i = 0; i <= length_ - 3; ++i)
        if (isDash(t[i]))
            add(i + 1);
    if (found == 0) {
        hyphenate(codes, codes + count - 1);
        const int limit = length_ - stripped - 3;
        for (int p = 0; p < int(hyph_index) && p < HYPH_MAX_POINTS; ++p) {
            const int position = hyphens[2 * p];
            const int weight = hyphens[2 * p + 1];
            if (position >= limit)
                break;
            if (weight < 3 && position + leading + 1 <= length_)
                add(position + leading + 1);
        }
    }
    hyphenCount_ = static_cast<short>(found);
}
