#pragma once

#include "core/Object.h"

#include <functional>
#include <memory>
#include <string>

namespace kit {

class Bundle;

// A loadable bundle's principal class: its name and how to make one (the
// platform's alloc and init).
struct BundleClass {
    std::string name;
    std::function<std::unique_ptr<Object>()> create;
};

// The entry point every bundle module defines (extern "C"), run once when
// the module is loaded: it registers the bundle's operations with the
// program's hooks and its classes with the class registry, and answers its
// principal class (which lives as long as the program).
using BundleEntryPoint = const BundleClass* (*)(Bundle* bundle);
inline constexpr const char* BundleEntryPointName = "ScrivlyBundlePrincipalClass";

// The program's resources folder (string table, key maps, PostScript
// prologue, dictionaries, loadable bundles), and the bundles in it: a
// bundle is a folder "<Name>.bundle" holding the module "<Name>.so" (or a
// module file itself), loaded with dlopen when its principal class is
// first asked for. Bundles are never unloaded.
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

    // ---- Loadable bundles.
    // The bundle at the path (one object per path, for the whole program);
    // nil when nothing is there.
    static Bundle* bundleWithPath(const std::string& path);
    // The resource "<name>.bundle" of the resources folder; nil when missing.
    static Bundle* bundleForResource(const std::string& name);

    const std::string& bundlePath() const { return path_; }
    // The module file that is loaded.
    std::string modulePath() const;
    // Loads the module and runs its entry point (once); false when either
    // fails (loadError says why, and the bundle stays unloaded).
    bool load();
    bool isLoaded() const { return principal_ != nullptr; }
    // Loads the bundle when needed; nil when it cannot be loaded.
    const BundleClass* principalClass();
    const std::string& loadError() const { return error_; }

private:
    explicit Bundle(std::string path) : path_(std::move(path)) {}

    std::string path_;
    void* handle_ = nullptr;
    const BundleClass* principal_ = nullptr;
    bool tried_ = false;
    std::string error_;
};

} // namespace kit
