#include "core/Bundle.h"

#include "core/FileManager.h"

#include <cstdlib>
#include <filesystem>
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

} // namespace kit
