#pragma once

// Reads the #include lines of the layered folders of a source tree and finds
// the ones that reach upward: a lower layer including a higher one, the
// spelling engine including anything of ours outside spelling/, or a program
// file including a test's file.

#include <filesystem>
#include <string>
#include <vector>

namespace layering {

// One allowed upward include: both sides are shell patterns over paths
// relative to the tree ("foundation/*", "app/Layvane.h"), '*' crossing '/'.
struct Allowance {
    std::string from;
    std::string to;
    int line = 0; // in the allow list
};

struct Finding {
    std::string file; // relative to the tree
    int line = 0;
    std::string include;  // as written
    std::string resolved; // relative to the tree
    std::string reason;
};

struct Result {
    std::vector<Finding> findings;
    // Allowances that matched no include: the list is to be pruned.
    std::vector<Allowance> unused;
};

// Reads "from to" lines; '#' starts a comment. Each allowance needs a comment
// of its own (on its line or just above it) saying why; an entry without one,
// or a line that is not two patterns, is an error appended to errors.
std::vector<Allowance> readAllowList(const std::filesystem::path& file, std::vector<std::string>& errors);

Result check(const std::filesystem::path& root, const std::vector<Allowance>& allowed);

// "file:line: #include "x" reaches resolved (reason)"
std::string describe(const Finding& finding);

} // namespace layering
