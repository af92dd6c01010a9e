// The engine reads its hyphenation tables only from the folder it is given
// (the program gives its resources folder). Its tests take the build's, which
// ctest names, before any test runs: the spelling check asks the hyphenator
// for the parts of compounds.

#include "spelling/hyph.h"

#include <cstdlib>

namespace {

[[maybe_unused]] const bool tablesFolderGiven = [] {
    HyphSetResourceDir(std::getenv("SCRIVLY_RESOURCES"));
    return true;
}();

} // namespace
