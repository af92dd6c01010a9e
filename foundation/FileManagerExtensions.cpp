#include "foundation/FileManagerExtensions.h"

#include "core/FileManager.h"
#include "core/Locale.h"
#include "core/ProcessInfo.h"
#include "foundation/ApplicationDelegate.h"

#include <cmath>

namespace {
int untitledCounter = 1;

// Seconds since 1 January 2001, the reference date names have always used.
constexpr double ReferenceDateOffset = 978307200.0;

// Names carry the time in milliseconds; two asked for within one millisecond
// would collide, so each stamp is at least one millisecond after the last.
double nextStamp()
{
    static double last = -1.0;
    double now = std::floor((kit::ProcessInfo::currentTime() - ReferenceDateOffset) * 1000.0) / 1000.0;
    if (now <= last)
        now = last + 0.001;
    last = now;
    return now;
}

std::string stampedName(const std::string& folder, const std::string& prefix, const std::string& extension)
{
    for (;;) {
        std::string name = kit::formatString("%s%.3f.%s", prefix.c_str(), nextStamp(), extension.c_str());
        std::string path = folder.empty() ? name : folder + "/" + name;
        if (folder.empty() || !kit::FileManager::fileExistsAtPath(path))
            return path;
    }
}
} // namespace

std::string newUntitled()
{
    const std::string base = Main ? Main->valueForStringKey("Untitled") : std::string("Untitled");
    return kit::formatString("%s-%d", base.c_str(), untitledCounter++);
}

const std::string& tempPath()
{
    // The platform's folder of this run, removed when the program ends.
    static const std::string path = [] {
        std::string folder = kit::FileManager::temporaryDirectory() + "/" + kit::ProcessInfo::globallyUniqueString();
        kit::FileManager::createDirectoryAtPath(folder, true, 0700);
        return folder;
    }();
    return path;
}

std::string tempFilenameWithExtension(const std::string& extension)
{
    return stampedName(tempPath(), "lvb", extension);
}

std::optional<std::string> uniqueEmbeddedFilename(const std::optional<std::string>& name,
                                                  const std::optional<std::string>& folder)
{
    if (!name)
        return std::nullopt;
    const std::string last = kit::FileManager::lastPathComponent(*name);
    const std::string base = kit::FileManager::stringByDeletingPathExtension(last);
    const std::string extension = kit::FileManager::pathExtension(last);
    return stampedName(folder.value_or(std::string()), base, extension);
}
