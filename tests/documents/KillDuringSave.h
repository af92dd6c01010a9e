#pragma once

// A child process saves two versions of a document over the same file, one
// after the other, for as long as it lives; the parent kills it (SIGKILL)
// at random moments and looks at the file each time: it must read back as a
// document and hold one of the two versions, whole. Shared by the tests and
// the stress benchmark.

#include "document/DocumentFiles.h"
#include "document/LayoutDocument.h"

#include "core/FileManager.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace stress {

struct KillReport {
    int kills = 0;
    // The file could not be read as a document.
    int unreadable = 0;
    // It read, but held neither version.
    int neither = 0;
    // Of the kills, how many found the first and the second version.
    int first = 0;
    int second = 0;
    // Temporary files the killed saves left beside the file.
    int leftovers = 0;
};

// Both documents are named by the path (saves go over their own file, with
// backups). Each version is read back as a document once; a file found
// after a kill is read back too when it is not one of them byte for byte.
inline KillReport killDuringSave(LayoutDocument& a, LayoutDocument& b, const std::string& path, int kills,
                                 unsigned seed)
{
    KillReport report;
    const std::string bytesA = writeDocumentData(a).value_or("");
    const std::string bytesB = writeDocumentData(b).value_or("");
    if (bytesA.empty() || bytesB.empty() || bytesA == bytesB || !readDocumentData(bytesA) ||
        !readDocumentData(bytesB) || !kit::FileManager::writeFileAtomically(path, bytesA))
        return report;
    a.setFilename(path);
    b.setFilename(path);

    // How long two saves take here: the child, whose memory is copied as it
    // writes to it, is slower; the kills fall anywhere in its first few saves.
    const auto start = std::chrono::steady_clock::now();
    a.saveFile(path, true);
    b.saveFile(path, true);
    const auto once = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> delay(0, std::max<long>(1000, 3 * long(once.count())));

    for (int i = 0; i < kills; ++i) {
        std::fflush(nullptr);
        const pid_t pid = ::fork();
        if (pid < 0)
            break;
        if (pid == 0) {
            for (unsigned n = 0;; ++n) {
                LayoutDocument& document = n % 2 ? b : a;
                document.setLastModifyTime(std::nullopt);
                document.saveFile(path, true);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(pid, SIGKILL);
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0)
            ;
        ++report.kills;
        const std::optional<std::string> found = kit::FileManager::regularFileContentsAtPath(path);
        if (found && *found == bytesA)
            ++report.first;
        else if (found && *found == bytesB)
            ++report.second;
        else if (!found || !readDocumentData(*found))
            ++report.unreadable;
        else
            ++report.neither;
    }
    // A killed save leaves its temporary file (".name.save-XXXXXX").
    const std::string folder = kit::FileManager::stringByDeletingLastPathComponent(path);
    const std::string stem = "." + kit::FileManager::lastPathComponent(path) + ".save-";
    for (const std::string& name : kit::FileManager::directoryContentsAtPath(folder).value_or(std::vector<std::string>{}))
        if (name.compare(0, stem.size(), stem) == 0) {
            ++report.leftovers;
            kit::FileManager::removeFileAtPath(kit::FileManager::stringByAppendingPathComponent(folder, name));
        }
    return report;
}

} // namespace stress
