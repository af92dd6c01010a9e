// A hyphenation table file (.hyp) loaded for every language that reads it,
// then used to hyphenate words.

#include "FuzzInput.h"

#include "spelling/hyph.h"
#include "spelling/hyph_internal.h"

#include <string>
#include <vector>

#include <unistd.h>

namespace {

// Words in the documents' character set, and runs over each alphabet.
const char* const words[] = {"hyphenation", "Silbentrennung", "internationalisation", "strengths", "a",
                             "Donaudampfschiffahrtsgesellschaft", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
                             "\xe1\xe9\xed\xf3\xfa\xe0\xe8\xf9"};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Every broken input fails every language; the reason is checked below
    // instead of being printed for each.
    hyph_set_warnings(0);
    // Every group's file name leads to the one input file.
    const std::string& folder = fuzz::scratchFolder();
    for (int language = 0; language < 32; ++language)
        if (const char* group = hyph_group_name(language)) {
            std::string link = folder + "/" + group + ".hyp";
            (void)!symlink("input", link.c_str());
        }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& folder = fuzz::scratchFolder();
    if (!fuzz::writeFile(folder + "/input", std::string_view(reinterpret_cast<const char*>(data), size)))
        fuzz::fail("cannot write the table file");
    hyph_forget();
    HyphSetResourceDir(folder.c_str());
    unsigned char pairs[2 * HYPH_MAX_POINTS];
    for (int language = 0; language < 32; ++language) {
        if (!hyph_group_name(language))
            continue;
        if (InitHyph(std::uint16_t(language)) != 0) {
            if (!*HyphLastError())
                fuzz::fail("a table is refused without a reason");
            continue;
        }
        for (const char* w : words) {
            std::string word(w);
            int n = pwd_hyphenate(reinterpret_cast<const unsigned char*>(word.data()), int(word.size()), pairs,
                                  language);
            if (n < 0 || n > HYPH_MAX_POINTS)
                fuzz::fail("more points than the result holds");
        }
        // Every class code of the language, in runs of growing length.
        int count = 0;
        hyph_alphabet(language, &count);
        std::vector<unsigned char> codes;
        for (int i = 0; i < 60; ++i)
            codes.push_back((unsigned char)(count > 0 ? 1 + (i * 7) % count : 1));
        for (std::size_t len = 1; len <= codes.size(); len += 9) {
            if (InitHyph(std::uint16_t(language)) != 0)
                break;
            hyphenate(codes.data(), codes.data() + len - 1);
            if (hyph_index > HYPH_MAX_POINTS)
                fuzz::fail("more points than the result holds");
        }
    }
    hyph_forget();
    HyphSetResourceDir(nullptr);
    return 0;
}
