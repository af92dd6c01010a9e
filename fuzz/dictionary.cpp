// A spelling dictionary (.dct) opened by the engine, then used to check and
// to guess words, with a user list installed beside it.

#include "FuzzInput.h"

#include "panels/SpellText.h"
#include "spelling/hyph.h"
#include "spelling/pwd.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Words in the engine's character set (Mac Roman): plain, capitalised,
// with clitics, accents and compounds, and misspelt.
const char* const words[] = {"house",     "Houses",    "PARIS",   "hOUSE",      "walking",  "l'homme",
                             "caf\x8e",   "Stra\247e", "Haus",    "Donaudampfschiffahrt",   "casa",
                             "1984",      "--",        "house.",  "(house)",    "don't",    "scrivly",
                             "housse",    "wlaking",   "teh",     "qu'est-ce",  "\x80\x81\x82", "a"};
const char* const guesses[] = {"housse", "wlaking", "caffe", "Strasse", "teh"};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The check asks the hyphenator for the parts of compounds: the build's
    // tables, as the program gives the engine its own.
    HyphSetResourceDir(std::getenv("SCRIVLY_RESOURCES"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::scratchFolder() + "/Fuzz.dct";
    if (!fuzz::writeFile(path, std::string_view(reinterpret_cast<const char*>(data), size)))
        fuzz::fail("cannot write the dictionary");
    // A pool of the size the spelling panel uses, fresh for every input.
    static std::vector<unsigned char> block(307200);
    if (InitMemPool(block.data(), long(block.size())) != 0)
        fuzz::fail("no memory pool");
    UserFreeSpace = PWDPurge;

    PWDHandle speller = PWDInitSpell(path.c_str(), 0);
    if (speller) {
        PWDHandle user = CNSNewDict(0, CNS_GROWS, 16, 10240, 32, CNSstrcmp);
        if (user) {
            for (const char* w : {"scrivly", "wlaking"})
                CNSInsert(user, reinterpret_cast<const unsigned char*>(w));
            if (!PWDInstallUser(speller, user)) {
                CNSKillDict(user);
                user = 0;
            }
        }
        for (const char* w : words) {
            auto* p = reinterpret_cast<const unsigned char*>(w);
            PWDSpellCheck(speller, p, p + std::strlen(w) - 1, 0);
        }
        for (const char* w : guesses) {
            auto* p = reinterpret_cast<const unsigned char*>(w);
            PWDHandle h = PWDGuess(speller, p, p + std::strlen(w) - 1, 1, 1);
            if (h) {
                // The guess records as the spelling panel reads them.
                (void)spelltext::guessWords(h);
                CNSDisposHandle(h);
            }
        }
        if (user)
            PWDRemoveUser(speller, user);
        PWDKillSpell(speller);
    }
    UserFreeSpace = nullptr;
    CNSPool = nullptr;
    return 0;
}
