#pragma once

#include <string>

namespace kit {

// The program's resources folder (string table, key maps, PostScript
// prologue, dictionaries, loadable bundles).
class Bundle {
public:
    // $SCRIVLY_RESOURCES when set and not empty; otherwise, beside the
    // executable, the first folder that exists of <dir>/resources,
    // <dir>/../resources (the build tree keeps programs in <build>/bin) and
    // <dir>/../share/scrivly/resources (the installed tree). Empty when none
    // exists. Looked up on every call, so tests may change the variable.
    static std::string resourcePath();

    // "<resources>/<name>.<type>" (no dot when type is empty) when that file
    // or folder exists, else the empty string. Names holding a ".."
    // component are refused (empty), so a name cannot leave the folder.
    static std::string pathForResource(const std::string& name, const std::string& type);

    // The running program's own path (/proc/self/exe), empty when unknown.
    static std::string executablePath();
};

} // namespace kit
