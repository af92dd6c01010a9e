#include "core/Bundle.h"

#include "core/FileManager.h"

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <map>
#include <system_error>

namespace kit {

namespace {

bool isFolder(const std::string& path)
{
    bool isDirectory = false;
    return FileManager::fileExistsAtPath(path, &isDirectory) && isDirectory;
}

bool hasParentComponent(const std::string& name)
{
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string::npos)
            end = name.size();
        if (name.compare(start, end - start, "..") == 0 && end - start == 2)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

std::string Bundle::executablePath()
{
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

std::string Bundle::resourcePath()
{
    if (const char* fromEnvironment = std::getenv("SCRIVLY_RESOURCES"); fromEnvironment && *fromEnvironment)
        return fromEnvironment;
    std::string executable = executablePath();
    if (executable.empty())
        return std::string();
    std::string folder = FileManager::stringByDeletingLastPathComponent(executable);
    for (const char* relative : {"resources", "../resources", "../share/scrivly/resources"}) {
        std::string candidate = FileManager::stringByAppendingPathComponent(folder, relative);
        if (isFolder(candidate)) {
            std::error_code ec;
            auto tidy = std::filesystem::weakly_canonical(candidate, ec);
            return ec ? candidate : tidy.string();
        }
    }
    return std::string();
}

std::string Bundle::pathForResource(const std::string& name, const std::string& type)
{
    if (name.empty() || hasParentComponent(name) || type.find('/') != std::string::npos)
        return std::string();
    std::string folder = resourcePath();
    if (folder.empty())
        return std::string();
    std::string path = FileManager::stringByAppendingPathComponent(folder, type.empty() ? name : name + "." + type);
    return FileManager::fileExistsAtPath(path) ? path : std::string();
}

Bundle* Bundle::bundleWithPath(const std::string& path)
{
    if (path.empty() || !FileManager::fileExistsAtPath(path))
        return nullptr;
    std::error_code ec;
    auto canonical = std::filesystem::weakly_canonical(path, ec);
    std::string key = ec ? path : canonical.string();
    static auto* bundles = new std::map<std::string, std::unique_ptr<Bundle>>;
    auto& slot = (*bundles)[key];
    if (!slot)
        slot.reset(new Bundle(key));
    return slot.get();
}

Bundle* Bundle::bundleForResource(const std::string& name)
{
    std::string path = pathForResource(name, "bundle");
    return path.empty() ? nullptr : bundleWithPath(path);
}

std::string Bundle::modulePath() const
{
    bool isDirectory = false;
    if (!FileManager::fileExistsAtPath(path_, &isDirectory) || !isDirectory)
        return path_;
    std::string name = FileManager::stringByDeletingPathExtension(FileManager::lastPathComponent(path_));
    return FileManager::stringByAppendingPathComponent(path_, name + ".so");
}

bool Bundle::load()
{
    if (principal_)
        return true;
    if (tried_)
        return false;
    tried_ = true;
    std::string module = modulePath();
    auto attributes = FileManager::fileAttributesAtPath(module);
    if (!attributes || attributes->type != FileType::Regular) {
        error_ = "no module at " + module;
        return false;
    }
    // Every symbol bound now, so that a bundle that does not fit the
    // program fails here rather than later, in the middle of its work.
    void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        error_ = why ? why : "the module could not be loaded";
        return false;
    }
    auto entry = reinterpret_cast<BundleEntryPoint>(::dlsym(handle, BundleEntryPointName));
    if (!entry) {
        error_ = std::string("the module has no entry point ") + BundleEntryPointName;
        ::dlclose(handle);
        return false;
    }
    const BundleClass* principal = entry(this);
    if (!principal || !principal->create) {
        error_ = "the module answered no principal class";
        // Its entry point may have registered hooks: the module stays.
        handle_ = handle;
        return false;
    }
    handle_ = handle;
    principal_ = principal;
    return true;
}

const BundleClass* Bundle::principalClass()
{
    return load() ? principal_ : nullptr;
}

} // namespace kit
