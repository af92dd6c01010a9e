// The hyphenator on the tables the build generates (in $SCRIVLY_RESOURCES).

#include "spelling/hyph.h"
#include "spelling/hyph_internal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<uint32_t> utf8(const std::string &s)
{
    std::vector<uint32_t> out;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = s[i];
        int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : 2;
        uint32_t ch = extra == 0 ? c : extra == 1 ? (c & 0x1F) : (c & 0x0F);
        for (int k = 1; k <= extra && i + k < s.size(); k++)
            ch = (ch << 6) | (s[i + k] & 0x3F);
        out.push_back(ch);
        i += extra + 1;
    }
    return out;
}

// A hyphenated word ("hy-phen") as bytes of the documents' set and the
// breaks before each letter.
bool parse(int language, const std::string &line, std::string &bytes, std::vector<int> &breaks)
{
    bytes.clear();
    breaks.clear();
    bool mark = false;
    for (uint32_t ch : utf8(line)) {
        if (ch == '-') {
            mark = true;
            continue;
        }
        int found = 0;
        for (int c = 1; c < 256 && !found; c++)
            if (hyph_doc_char(language, (unsigned char)c) == ch)
                found = c;
        if (!found)
            return false;
        if (mark)
            breaks.push_back((int)bytes.size());
        bytes.push_back((char)found);
        mark = false;
    }
    return true;
}

// Breaks of weight below 3, as letter offsets.
std::vector<int> goodBreaks(const std::string &bytes, int language)
{
    unsigned char pairs[2 * HYPH_MAX_POINTS];
    int n = pwd_hyphenate((const unsigned char *)bytes.data(), (int)bytes.size(), pairs, language);
    std::vector<int> out;
    for (int i = 0; i < n; i++)
        if (pairs[2 * i + 1] < 3)
            out.push_back(pairs[2 * i] + 1);
    return out;
}

class HyphLanguages : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!getenv("SCRIVLY_RESOURCES"))
            GTEST_SKIP() << "SCRIVLY_RESOURCES is not set";
        HyphSetResourceDir(getenv("SCRIVLY_RESOURCES"));
    }
};

TEST_F(HyphLanguages, RealWords)
{
    struct Case {
        int language;
        const char *word;
    } cases[] = {
        {0, "hy-phen-ation"}, {0, "com-puter"},   {0, "pos-si-bil-ity"}, {0, "un-der-stand"},
        {0, "dic-tio-nary"},  {5, "Bahn-hof"},    {5, "Fens-ter"},       {5, "Wis-sen-schaft"},
        {4, "ma-ga-sin"},     {4, "pa-pe-te-rie"}, {4, "fe-nêtre"},      {4, "or-di-na-teur"},
        {1, "ca-mino"},       {1, "ven-ta-na"},   {1, "or-de-na-dor"},   {2, "fi-ne-stra"},
        {2, "cal-co-la-to-re"}, {3, "ja-ne-la"},  {3, "com-pu-ta-dor"},  {6, "wo-nin-gen"},
        {6, "zie-ken-huis"},  {9, "da-to-rer"},   {10, "vin-du-er"},     {10, "com-pu-te-ren"},
        // Accented letters, whose breaks the tables once learned shifted
        // by a letter, or (Norwegian) never learned at all.
        {4, "élé-va-tion"},   {4, "ré-cu-pé-ra-tion"}, {1, "can-ción"},  {1, "pe-rió-di-co"},
        {7, "erklæ-ring"},    {7, "blå-bærsyl-te-tøy"}, {9, "på-skägg"}, {9, "fö-re-tag"},
        {10, "ær-lig-hed"},   {5, "ver-gnü-gen"},
    };
    for (const Case &c : cases) {
        std::string bytes;
        std::vector<int> expected;
        ASSERT_TRUE(parse(c.language, c.word, bytes, expected)) << c.word;
        EXPECT_EQ(goodBreaks(bytes, c.language), expected) << c.word << " in " << c.language;
    }
}

// Words of running text, outside every word list, once broken into pieces
// that the patterns never make: a lone consonant ("pé-r-la-les",
// "re-ce-p-ção"), or a break inside a consonant cluster.
TEST_F(HyphLanguages, RunningTextWordsBreakAsThePatternsDo)
{
    struct Case {
        int language;
        const char *word;
    } cases[] = {
        {2, "schreib-ver-su-che"}, {2, "scen-den-do-se-li"},      {3, "re-cep-ção"},
        {1, "pér-la-les"},         {0, "base-back-ups"},          {5, "ak-ku-ka-pa-zi-täts-tu-fe"},
        {6, "be-stands-leng-tes"}, {7, "any-thing"},              {9, "an-vänd-ramn"},
        {10, "au-to-re-enab-le"},
    };
    for (const Case &c : cases) {
        std::string bytes;
        std::vector<int> expected;
        ASSERT_TRUE(parse(c.language, c.word, bytes, expected)) << c.word;
        EXPECT_EQ(goodBreaks(bytes, c.language), expected) << c.word << " in " << c.language;
    }
}

// Compounds longer than forty letters keep every break after the fortieth
// letter gap, though the tables place a point at every gap.
TEST_F(HyphLanguages, LongCompoundsKeepTheirLaterBreaks)
{
    struct Case {
        int language;
        const char *word;
    } cases[] = {
        {5, "rind-flei-sche-ti-ket-tie-rungs-über-wa-chungs-auf-ga-ben-über-tra-gungs-ge-setz"},
        {6, "kin-der-car-na-vals-op-tocht-voor-be-rei-dings-werk-zaam-he-den-plan"},
    };
    for (const Case &c : cases) {
        std::string bytes;
        std::vector<int> expected;
        ASSERT_TRUE(parse(c.language, c.word, bytes, expected)) << c.word;
        ASSERT_GT(bytes.size(), 41u);
        EXPECT_EQ(goodBreaks(bytes, c.language), expected) << c.word;
    }
}

// The agreement with libhyphen on a few hundred words of running text
// (translated manual pages and manuals) that are in no word list: the
// tables are compiled from the same patterns, so every word agrees, except
// in German, whose list of compound joints is not compiled.
TEST_F(HyphLanguages, QualityFloor)
{
    struct Case {
        int language;
        const char *file;
        double precision, recall;
    } cases[] = {
        {0, "hyph_en.txt", 1, 1},   {1, "hyph_es.txt", 1, 1},       {2, "hyph_it.txt", 1, 1},
        {3, "hyph_pt.txt", 1, 1},   {4, "hyph_fr.txt", 1, 1},       {5, "hyph_de.txt", 0.97, 0.95},
        {6, "hyph_nl.txt", 1, 1},   {7, "hyph_nb.txt", 1, 1},       {9, "hyph_sv.txt", 1, 1},
        {10, "hyph_da.txt", 1, 1},
    };
    for (const Case &c : cases) {
        std::ifstream in(std::string(SCRIVLY_FIXTURES_DIR) + "/" + c.file);
        ASSERT_TRUE(in) << c.file;
        std::string line;
        long tp = 0, fp = 0, fn = 0, words = 0;
        while (std::getline(in, line)) {
            std::string bytes;
            std::vector<int> ref;
            if (line.empty() || !parse(c.language, line, bytes, ref))
                continue;
            words++;
            std::vector<int> got = goodBreaks(bytes, c.language);
            for (int b : got)
                (std::find(ref.begin(), ref.end(), b) != ref.end() ? tp : fp)++;
            for (int b : ref)
                if (std::find(got.begin(), got.end(), b) == got.end())
                    fn++;
        }
        EXPECT_GT(words, 200) << c.file;
        double precision = tp + fp ? (double)tp / (tp + fp) : 0, recall = tp + fn ? (double)tp / (tp + fn) : 0;
        EXPECT_GE(precision, c.precision) << c.file;
        EXPECT_GE(recall, c.recall) << c.file;
    }
}

// Every language with rules gives points: through pwd_hyphenate where it
// has a character map, through class codes otherwise.
TEST_F(HyphLanguages, EveryLanguageWithRulesHyphenates)
{
    const std::vector<uint32_t> latin = {'c', 'o', 'm', 'p', 'u', 't', 'e', 'r', 'e', 'n'};
    const std::vector<uint32_t> cyrillic = {0x431, 0x430, 0x440, 0x430, 0x431, 0x430, 0x43D};
    const std::vector<uint32_t> hebrew = {0x5D1, 0x5D0, 0x5E8, 0x5D0, 0x5DE, 0x5D5, 0x5EA};
    for (int language = 0; language < 32; language++) {
        if (!hyph_group_name(language))
            continue;
        const std::vector<uint32_t> &word =
            (language == 14 || language == 23 || language == 26 || language == 29) ? cyrillic
            : language == 17                                                     ? hebrew
                                                                                 : latin;
        int count;
        const uint32_t *alpha = hyph_alphabet(language, &count);
        std::vector<unsigned char> codes;
        for (uint32_t ch : word)
            for (int i = 0; i < count; i++)
                if (alpha[i] == ch)
                    codes.push_back((unsigned char)(i + 1));
        ASSERT_EQ(codes.size(), word.size()) << language;
        ASSERT_EQ(InitHyph((uint16_t)language), 0) << language << ": " << HyphLastError();
        ASSERT_EQ(hyphenate(codes.data(), codes.data() + codes.size() - 1), 0);
        EXPECT_GT(hyph_index, 0) << language;
        if (hyph_has_map(language)) {
            std::string bytes;
            for (uint32_t ch : word)
                for (int c = 1; c < 256; c++)
                    if (hyph_doc_char(language, (unsigned char)c) == ch) {
                        bytes.push_back((char)c);
                        break;
                    }
            ASSERT_EQ(bytes.size(), word.size()) << language;
            unsigned char pairs[2 * HYPH_MAX_POINTS];
            EXPECT_GT(pwd_hyphenate((const unsigned char *)bytes.data(), (int)bytes.size(), pairs, language), 0)
                << language;
        } else {
            unsigned char pairs[2 * HYPH_MAX_POINTS];
            EXPECT_EQ(pwd_hyphenate((const unsigned char *)"computeren", 10, pairs, language), 0) << language;
        }
    }
}

} // namespace
