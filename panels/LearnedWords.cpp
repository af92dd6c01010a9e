#include "panels/LearnedWords.h"

#include "core/Alert.h"
#include "core/Encoding.h"
#include "core/FileManager.h"
#include "core/UserDefaults.h"
#include "foundation/ApplicationDelegate.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {


void badFile(const std::string& path)
{
    kit::beep();
    kit::runAlertPanel(applicationString("Spelling"), applicationString("SpellBadFile"), "", "", "", {path});
}

bool fitsFile(const std::string& word)
{
    if (word.empty())
        return false;
    for (unsigned char c : word)
        if (c < 0x20 || c == 0x7F)
            return false;
    return true;
}

// The entries of the text that are not blank lines or comments.
std::size_t entryLines(std::string_view text)
{
    std::size_t count = 0, start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first != std::string_view::npos && line.compare(first, 2, "//") != 0)
            ++count;
    }
    return count;
}

} // namespace

std::string LearnedWords::learnPathname() { return kit::UserDefaults::defaultsFolder(); }

std::string LearnedWords::learnFilename()
{
    return kit::FileManager::stringByAppendingPathComponent(learnPathname(), "LearnedWords");
}

bool LearnedWords::createLearnPath()
{
    bool folder = false;
    const std::string path = learnPathname();
    if (kit::FileManager::fileExistsAtPath(path, &folder) && folder)
        return true;
    if (kit::FileManager::createDirectoryAtPath(path, true))
        return true;
    badFile(learnFilename());
    return false;
}

LearnedWords::Status LearnedWords::readText(std::string_view text)
{
    words_.clear();
    const kit::UserDefaults::Domain entries = kit::UserDefaults::domainFromString(text);
    bool sound = entries.size() == entryLines(text);
    for (const auto& [key, value] : entries) {
        const std::optional<std::string> word = kit::fromUTF8(kit::Encoding::NeXTSTEP, key);
        if (key != value || !word || !fitsFile(*word)) {
            sound = false;
            continue;
        }
        words_.insert(*word);
    }
    status_ = sound ? Status::Read : Status::Damaged;
    return status_;
}

LearnedWords::Status LearnedWords::loadLearnedWords(const std::string& path)
{
    words_.clear();
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return status_ = errno == ENOENT ? Status::Missing : Status::Unreadable;
    // A link or anything but a plain file is not ours to read or replace.
    if (!S_ISREG(info.st_mode) || std::size_t(info.st_size) > MaxFileBytes)
        return status_ = Status::Unreadable;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return status_ = Status::Unreadable;
    std::string text;
    char buffer[65536];
    bool failed = false;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            failed = true;
            break;
        }
        if (n == 0)
            break;
        text.append(buffer, std::size_t(n));
        // It grew while being read.
        if (text.size() > MaxFileBytes) {
            failed = true;
            break;
        }
    }
    ::close(fd);
    if (failed)
        return status_ = Status::Unreadable;
    return readText(text);
}

std::string LearnedWords::text() const
{
    kit::UserDefaults::Domain entries;
    for (const std::string& word : words_) {
        const std::string utf8 = kit::toUTF8(kit::Encoding::NeXTSTEP, word);
        entries.emplace(utf8, utf8);
    }
    return kit::UserDefaults::stringFromDomain(entries);
}

bool LearnedWords::learn(const std::set<std::string>& words, const std::string& path)
{
    if (status_ == Status::Damaged || status_ == Status::Unreadable) {
        badFile(path);
        return false;
    }
    for (const std::string& word : words)
        if (!fitsFile(word)) {
            kit::beep();
            return false;
        }
    const std::string folder = kit::FileManager::stringByDeletingLastPathComponent(path);
    bool isFolder = false;
    if (!(kit::FileManager::fileExistsAtPath(folder, &isFolder) && isFolder) &&
        !kit::FileManager::createDirectoryAtPath(folder, true)) {
        badFile(path);
        return false;
    }
    std::set<std::string> learned = words_;
    learned.insert(words.begin(), words.end());
    std::swap(words_, learned);
    const std::string written = text();
    if (!kit::FileManager::writeFileAtomically(path, written)) {
        std::swap(words_, learned);
        badFile(path);
        return false;
    }
    status_ = Status::Read;
    return true;
}
