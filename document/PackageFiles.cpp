#include "document/PackageFiles.h"

#include "core/FileManager.h"

#include <cerrno>
#include <cstdio>
#include <optional>

namespace {

std::string newHalf(const std::string& path) { return path + ".save-new"; }
std::string oldHalf(const std::string& path) { return path + ".save-old"; }

std::optional<kit::FileType> typeAt(const std::string& path)
{
    const auto attributes = kit::FileManager::fileAttributesAtPath(path, false);
    return attributes ? std::optional<kit::FileType>(attributes->type) : std::nullopt;
}

// A folder holding its archive as a regular file is a whole package: the
// reader takes nothing else from it.
bool isWholePackage(const std::string& folder, const std::string& embedded)
{
    return typeAt(folder) == kit::FileType::Directory &&
           typeAt(kit::FileManager::stringByAppendingPathComponent(folder, embedded)) == kit::FileType::Regular;
}

void removeIfPresent(const std::string& path)
{
    if (typeAt(path))
        kit::FileManager::removeFileAtPath(path);
}

} // namespace

bool writePackageAsFile(const std::string& path, const std::string& embedded, const std::string& data)
{
    const std::string parked = newHalf(path);
    // Halves of a save cut short while the path stayed whole are out of date.
    removeIfPresent(parked);
    removeIfPresent(oldHalf(path));
    // The new file appears under its name only once it is whole and on disk.
    if (!kit::FileManager::writeFileAtomically(parked, data)) {
        removeIfPresent(parked);
        return false;
    }
    if (kit::FileManager::exchangePath(parked, path)) {
        // The old folder now lies under the parked name.
        kit::FileManager::removeFileAtPath(parked);
        return true;
    }
    const int why = errno;
    kit::FileManager::removeFileAtPath(parked);
    if (!kit::FileManager::exchangeIsUnsupported(why))
        return false;
    // Without an exchange a folder cannot become a file in one step: the new
    // archive replaces the old one inside it. A link in the archive's place
    // would have its target written, somewhere outside the package.
    const std::string archive = kit::FileManager::stringByAppendingPathComponent(path, embedded);
    if (typeAt(archive) != kit::FileType::Regular)
        return false;
    return kit::FileManager::writeFileAtomically(archive, data);
}

bool recoverInterruptedPackageSave(const std::string& path, const std::string& embedded)
{
    if (path.empty() || typeAt(path))
        return false;
    const std::string parked = newHalf(path);
    const std::string aside = oldHalf(path);
    // The parked file is whole: it gets its name only by a rename once
    // written and flushed. A parked folder is an old package that an exchange
    // put there, found only when the path was removed since.
    std::string chosen;
    std::string other;
    if (typeAt(parked) == kit::FileType::Regular) {
        chosen = parked;
        other = aside;
    } else if (isWholePackage(aside, embedded)) {
        chosen = aside;
    } else if (isWholePackage(parked, embedded)) {
        chosen = parked;
    } else {
        return false;
    }
    if (!kit::FileManager::movePath(chosen, path))
        return false;
    std::fprintf(stderr, "%s was missing after a save that did not finish; it is back from %s\n", path.c_str(),
                 chosen.c_str());
    if (!other.empty())
        removeIfPresent(other);
    return true;
}
