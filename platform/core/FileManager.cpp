#include "core/FileManager.h"

#include "core/Exception.h"
#include "core/ProcessInfo.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif
#ifndef RENAME_EXCHANGE
#define RENAME_EXCHANGE (1 << 1)
#endif

namespace kit {

namespace {

// Keeps errno across clean-up calls that may overwrite it.
class ErrnoKeeper {
public:
    ErrnoKeeper() : saved_(errno) {}
    ~ErrnoKeeper() { errno = saved_; }

private:
    int saved_;
};

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    void reset()
    {
        if (fd_ >= 0) {
            ErrnoKeeper keep;
            ::close(fd_);
            fd_ = -1;
        }
    }
    // Closes and reports the error close may give (delayed write errors).
    bool close()
    {
        int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};


bool readAll(int fd, std::string& out, std::size_t expected)
{
    out.clear();
    // One byte more than the file holds, for the read that finds its end:
    // a buffer that had to grow for it would hold the file twice over.
    out.reserve(expected + 1);
    constexpr std::size_t chunk = 1 << 16;
    std::size_t length = 0;
    while (true) {
        if (out.size() == length)
            out.resize(std::max(length + chunk, out.capacity()));
        ssize_t n = ::read(fd, out.data() + length, out.size() - length);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            break;
        length += static_cast<std::size_t>(n);
    }
    out.resize(length);
    return true;
}

mode_t currentUmask()
{
    // The program runs on one thread, so reading the umask this way is safe.
    mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

std::string withoutTrailingSlashes(const std::string& path)
{
    std::size_t end = path.size();
    while (end > 1 && path[end - 1] == '/')
        --end;
    return path.substr(0, end);
}

// The folder holding path, for making temporaries beside it.
std::string parentFolder(const std::string& path)
{
    std::string parent = FileManager::stringByDeletingLastPathComponent(path);
    return parent.empty() ? std::string(".") : parent;
}

// A temporary-name pattern beside path; the name is cut so the pattern
// stays within the usual 255-byte limit of a name.
std::string temporaryPattern(const std::string& path, const char* tag)
{
    std::string name = FileManager::lastPathComponent(path).substr(0, 180);
    return parentFolder(path) + "/." + name + tag + "XXXXXX";
}

void syncFolder(const std::string& folder)
{
    ErrnoKeeper keep;
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// renameat2 through the system call itself where the C library has no
// wrapper (glibc before 2.28).
int renameTwo(const std::string& from, const std::string& to, unsigned flags)
{
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 28))
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), flags);
#elif defined(SYS_renameat2)
    return static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), flags));
#else
    (void)from;
    (void)to;
    (void)flags;
    errno = ENOSYS;
    return -1;
#endif
}

// Renames from to to unless to exists; atomic where the file system has
// RENAME_NOREPLACE.
bool renameNoReplace(const std::string& from, const std::string& to)
{
    if (renameTwo(from, to, RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return false;
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool setErrnoFrom(const std::error_code& ec)
{
    if (ec) {
        errno = ec.category() == std::generic_category() || ec.category() == std::system_category() ? ec.value() : EIO;
        return false;
    }
    return true;
}

bool writeTemporaryFile(int fd, const void* data, std::size_t size, mode_t mode)
{
    return ::fchmod(fd, mode) == 0 && FileManager::writeAllToDescriptor(fd, std::string_view(static_cast<const char*>(data), size)) && ::fsync(fd) == 0;
}

bool writeAtomically(const std::string& path, const void* data, std::size_t size)
{
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    std::string target = withoutTrailingSlashes(path);
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* resolved = ::realpath(target.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    mode_t mode = 0666 & ~currentUmask();
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        mode = st.st_mode & 07777;

    std::string temporary = temporaryPattern(target, ".save-");
    FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.get() < 0)
        return false;
    bool ok = writeTemporaryFile(fd.get(), data, size, mode);
    ok = fd.close() && ok;
    if (ok)
        ok = ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ErrnoKeeper keep;
        ::unlink(temporary.c_str());
        return false;
    }
    syncFolder(parentFolder(target));
    return true;
}

// Opens for reading without waiting on a pipe that has no writer; pipes and
// sockets are refused (reading one could block or never end).
int openForReading(const std::string& path, struct stat& st)
{
    if (path.empty()) {
        errno = ENOENT;
        return -1;
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::fstat(fd, &st) != 0 || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) {
        int error = S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) ? EINVAL : errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::optional<std::string> readOpenFile(int fd, const struct stat& st)
{
    if (S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return std::nullopt;
    }
    std::string contents;
    std::size_t expected = S_ISREG(st.st_mode) && st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
    if (!readAll(fd, contents, expected))
        return std::nullopt;
    return contents;
}

constexpr int kMaxCopyDepth = 256;

bool copyTree(const std::string& from, const std::string& to, int depth);

bool copyRegularFile(const std::string& from, int toFd, mode_t mode)
{
    FileDescriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        return false;
    if (::fchmod(toFd, mode) != 0)
        return false;
    char buffer[1 << 16];
    while (true) {
        ssize_t n = ::read(in.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            break;
        if (!FileManager::writeAllToDescriptor(toFd, std::string_view(buffer, static_cast<std::size_t>(n))))
            return false;
    }
    return ::fsync(toFd) == 0;
}

// Copies what is at from to to, which does not exist yet; used inside a
// folder that is itself still under a temporary name.
bool copyTree(const std::string& from, const std::string& to, int depth)
{
    if (depth > kMaxCopyDepth) {
        errno = ELOOP;
        return false;
    }
    struct stat st;
    if (::lstat(from.c_str(), &st) != 0)
        return false;
    if (S_ISLNK(st.st_mode)) {
        std::error_code ec;
        auto target = std::filesystem::read_symlink(from, ec);
        if (!setErrnoFrom(ec))
            return false;
        return ::symlink(target.c_str(), to.c_str()) == 0;
    }
    if (S_ISREG(st.st_mode)) {
        FileDescriptor out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (out.get() < 0)
            return false;
        bool ok = copyRegularFile(from, out.get(), st.st_mode & 07777);
        return out.close() && ok;
    }
    if (S_ISDIR(st.st_mode)) {
        if (::mkdir(to.c_str(), 0700) != 0)
            return false;
        auto names = FileManager::directoryContentsAtPath(from);
        if (!names)
            return false;
        for (const std::string& name : *names) {
            if (!copyTree(from + "/" + name, to + "/" + name, depth + 1))
                return false;
        }
        return ::chmod(to.c_str(), st.st_mode & 07777) == 0;
    }
    errno = ENOTSUP; // devices, pipes and sockets are not copied
    return false;
}

// The folder of this run, kept where the exit handler can still read it
// after static strings are gone.
char runFolder[PATH_MAX];
pid_t runFolderOwner = 0;

void removeRunFolder()
{
    // A forked child that calls exit() must not take its parent's folder.
    if (runFolder[0] != '\0' && ::getpid() == runFolderOwner) {
        std::error_code ec;
        std::filesystem::remove_all(runFolder, ec);
    }
}

std::string makeRunFolder()
{
    std::string base = "/tmp";
    if (const char* tmpdir = std::getenv("TMPDIR"); tmpdir && *tmpdir) {
        struct stat st;
        if (::stat(tmpdir, &st) == 0 && S_ISDIR(st.st_mode))
            base = withoutTrailingSlashes(tmpdir);
    }
    std::string name = ProcessInfo::processName();
    std::replace(name.begin(), name.end(), '/', '_');
    std::string pattern = base + "/" + (name.empty() ? std::string("kit") : name.substr(0, 64)) + "-XXXXXX";
    if (pattern.size() >= sizeof runFolder || ::mkdtemp(pattern.data()) == nullptr)
        Exception::raise(FileHandleOperationException,
            "cannot make a temporary folder in " + base + ": " + std::strerror(errno));
    std::memcpy(runFolder, pattern.c_str(), pattern.size() + 1);
    runFolderOwner = ::getpid();
    std::atexit(removeRunFolder);
    return pattern;
}

} // namespace

// MappedFile

MappedFile::~MappedFile()
{
    if (mapping_)
        ::munmap(mapping_, size_);
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : mapping_(other.mapping_), size_(other.size_), buffer_(std::move(other.buffer_))
{
    other.mapping_ = nullptr;
    other.size_ = 0;
    other.buffer_.clear();
}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept
{
    if (this != &other) {
        if (mapping_)
            ::munmap(mapping_, size_);
        mapping_ = other.mapping_;
        size_ = other.size_;
        buffer_ = std::move(other.buffer_);
        other.mapping_ = nullptr;
        other.size_ = 0;
        other.buffer_.clear();
    }
    return *this;
}

std::span<const unsigned char> MappedFile::bytes() const
{
    if (mapping_)
        return {static_cast<const unsigned char*>(mapping_), size_};
    return {reinterpret_cast<const unsigned char*>(buffer_.data()), buffer_.size()};
}

std::string_view MappedFile::view() const
{
    if (mapping_)
        return {static_cast<const char*>(mapping_), size_};
    return buffer_;
}

// FileManager

bool FileManager::fileExistsAtPath(const std::string& path, bool* isDirectory)
{
    struct stat st;
    bool exists = !path.empty() && ::stat(path.c_str(), &st) == 0;
    if (isDirectory)
        *isDirectory = exists && S_ISDIR(st.st_mode);
    return exists;
}

bool FileManager::isReadableFileAtPath(const std::string& path)
{
    return !path.empty() && ::access(path.c_str(), R_OK) == 0;
}

bool FileManager::isWritableFileAtPath(const std::string& path)
{
    return !path.empty() && ::access(path.c_str(), W_OK) == 0;
}

std::optional<FileAttributes> FileManager::fileAttributesAtPath(const std::string& path, bool traverseLink)
{
    struct stat st;
    if (path.empty() || (traverseLink ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0)
        return std::nullopt;
    FileAttributes attributes;
    if (S_ISREG(st.st_mode))
        attributes.type = FileType::Regular;
    else if (S_ISDIR(st.st_mode))
        attributes.type = FileType::Directory;
    else if (S_ISLNK(st.st_mode))
        attributes.type = FileType::SymbolicLink;
    attributes.size = st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    attributes.modificationDate = static_cast<double>(st.st_mtim.tv_sec) + static_cast<double>(st.st_mtim.tv_nsec) / 1e9;
    attributes.permissions = st.st_mode & 07777;
    return attributes;
}

bool FileManager::writeFileAtomically(const std::string& path, std::string_view bytes)
{
    return writeAtomically(path, bytes.data(), bytes.size());
}

bool FileManager::writeFileAtomically(const std::string& path, std::span<const unsigned char> bytes)
{
    return writeAtomically(path, bytes.data(), bytes.size());
}

std::optional<std::string> FileManager::contentsAtPath(const std::string& path)
{
    struct stat st;
    FileDescriptor fd(openForReading(path, st));
    if (fd.get() < 0)
        return std::nullopt;
    return readOpenFile(fd.get(), st);
}

std::optional<std::string> FileManager::regularFileContentsAtPath(const std::string& path)
{
    struct stat st;
    FileDescriptor fd(openForReading(path, st));
    if (fd.get() < 0)
        return std::nullopt;
    if (!S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return std::nullopt;
    }
    return readOpenFile(fd.get(), st);
}

bool FileManager::linkPath(const std::string& from, const std::string& to)
{
    if (from.empty() || to.empty()) {
        errno = ENOENT;
        return false;
    }
    if (::linkat(AT_FDCWD, withoutTrailingSlashes(from).c_str(), AT_FDCWD, withoutTrailingSlashes(to).c_str(),
                 AT_SYMLINK_FOLLOW) != 0)
        return false;
    syncFolder(parentFolder(withoutTrailingSlashes(to)));
    return true;
}

std::optional<MappedFile> FileManager::mappedContentsAtPath(const std::string& path)
{
    struct stat st;
    FileDescriptor fd(openForReading(path, st));
    if (fd.get() < 0)
        return std::nullopt;
    MappedFile file;
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        std::size_t size = static_cast<std::size_t>(st.st_size);
        void* mapping = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd.get(), 0);
        if (mapping != MAP_FAILED) {
            file.mapping_ = mapping;
            file.size_ = size;
            return file;
        }
    }
    // Empty files cannot be mapped, and /proc entries report no useful size:
    // read them instead.
    auto contents = readOpenFile(fd.get(), st);
    if (!contents)
        return std::nullopt;
    file.buffer_ = std::move(*contents);
    file.size_ = file.buffer_.size();
    return file;
}

const std::string& FileManager::temporaryDirectory()
{
    static const std::string folder = makeRunFolder();
    return folder;
}

std::string FileManager::uniqueTemporaryPath(const std::string& prefix)
{
    static unsigned long counter = 0;
    std::string name = prefix.empty() ? std::string("tmp") : prefix.substr(0, 160);
    std::replace(name.begin(), name.end(), '/', '_');
    std::replace(name.begin(), name.end(), '\0', '_');
    const std::string& folder = temporaryDirectory();
    while (true) {
        // The process id keeps forked children apart; they share the folder.
        std::string path = folder + "/" + name + "." + std::to_string(::getpid()) + "." + std::to_string(++counter);
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT)
            return path;
    }
}

bool FileManager::createDirectoryAtPath(const std::string& path, bool withIntermediates, mode_t mode)
{
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    std::string target = withoutTrailingSlashes(path);
    if (!withIntermediates)
        return ::mkdir(target.c_str(), mode) == 0;
    std::size_t position = 0;
    while (true) {
        position = target.find('/', position + 1);
        std::string part = target.substr(0, position);
        if (::mkdir(part.c_str(), mode) != 0) {
            int error = errno;
            struct stat st;
            if (error != EEXIST || ::stat(part.c_str(), &st) != 0) {
                errno = error;
                return false;
            }
            if (!S_ISDIR(st.st_mode)) {
                errno = ENOTDIR;
                return false;
            }
        }
        if (position == std::string::npos)
            return true;
    }
}

bool FileManager::removeFileAtPath(const std::string& path)
{
    struct stat st;
    if (path.empty() || ::lstat(path.c_str(), &st) != 0) {
        if (path.empty())
            errno = ENOENT;
        return false;
    }
    if (!S_ISDIR(st.st_mode))
        return ::unlink(path.c_str()) == 0;
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    return setErrnoFrom(ec);
}

bool FileManager::copyPath(const std::string& from, const std::string& to)
{
    struct stat st;
    if (from.empty() || to.empty()) {
        errno = ENOENT;
        return false;
    }
    if (::lstat(from.c_str(), &st) != 0)
        return false;
    std::string target = withoutTrailingSlashes(to);
    struct stat existing;
    if (::lstat(target.c_str(), &existing) == 0) {
        errno = EEXIST;
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        // A folder copied into itself would grow while being read.
        std::error_code sourceError, destinationError;
        auto source = std::filesystem::weakly_canonical(from, sourceError);
        auto destination = std::filesystem::weakly_canonical(target, destinationError);
        if (!sourceError && !destinationError) {
            auto [mismatch, unused] = std::mismatch(source.begin(), source.end(), destination.begin(), destination.end());
            (void)unused;
            if (mismatch == source.end()) {
                errno = EINVAL;
                return false;
            }
        }
    }

    std::string temporary = temporaryPattern(target, ".copy-");
    bool ok = false;
    if (S_ISREG(st.st_mode)) {
        FileDescriptor out(::mkostemp(temporary.data(), O_CLOEXEC));
        if (out.get() < 0)
            return false;
        ok = copyRegularFile(from, out.get(), st.st_mode & 07777);
        ok = out.close() && ok;
    } else {
        // A name nobody uses: mkdtemp reserves it, then the copy takes it.
        if (::mkdtemp(temporary.data()) == nullptr)
            return false;
        ::rmdir(temporary.c_str());
        ok = copyTree(from, temporary, 0);
    }
    if (ok)
        ok = renameNoReplace(temporary, target);
    if (!ok) {
        ErrnoKeeper keep;
        removeFileAtPath(temporary);
        return false;
    }
    syncFolder(parentFolder(target));
    return true;
}

bool FileManager::movePath(const std::string& from, const std::string& to)
{
    if (from.empty() || to.empty()) {
        errno = ENOENT;
        return false;
    }
    struct stat st;
    if (::lstat(from.c_str(), &st) != 0)
        return false;
    std::string target = withoutTrailingSlashes(to);
    if (renameNoReplace(from, target))
        return true;
    if (errno != EXDEV)
        return false;
    if (!copyPath(from, target))
        return false;
    return removeFileAtPath(from);
}

bool FileManager::exchangePath(const std::string& from, const std::string& to)
{
    if (from.empty() || to.empty()) {
        errno = ENOENT;
        return false;
    }
    if (renameTwo(withoutTrailingSlashes(from), withoutTrailingSlashes(to), RENAME_EXCHANGE) != 0)
        return false;
    syncFolder(parentFolder(withoutTrailingSlashes(to)));
    return true;
}

bool FileManager::exchangeIsUnsupported(int error)
{
    return error == EINVAL || error == ENOSYS || error == ENOTSUP;
}

std::optional<std::vector<std::string>> FileManager::directoryContentsAtPath(const std::string& path)
{
    DIR* dir = path.empty() ? nullptr : ::opendir(path.c_str());
    if (!dir)
        return std::nullopt;
    std::vector<std::string> names;
    errno = 0;
    while (dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
        errno = 0;
    }
    int error = errno;
    ::closedir(dir);
    if (error != 0) {
        errno = error;
        return std::nullopt;
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string FileManager::currentDirectoryPath()
{
    std::error_code ec;
    auto path = std::filesystem::current_path(ec);
    return ec ? std::string() : path.string();
}

std::string FileManager::lastPathComponent(const std::string& path)
{
    std::string trimmed = withoutTrailingSlashes(path);
    if (trimmed == "/")
        return trimmed;
    std::size_t slash = trimmed.rfind('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string FileManager::stringByDeletingLastPathComponent(const std::string& path)
{
    std::string trimmed = withoutTrailingSlashes(path);
    std::size_t slash = trimmed.rfind('/');
    if (slash == std::string::npos)
        return std::string();
    if (trimmed == "/")
        return trimmed;
    std::size_t end = slash;
    while (end > 0 && trimmed[end - 1] == '/')
        --end;
    return end == 0 ? std::string("/") : trimmed.substr(0, end);
}

std::string FileManager::stringByAppendingPathComponent(const std::string& path, const std::string& component)
{
    if (path.empty())
        return component;
    if (component.empty())
        return withoutTrailingSlashes(path);
    std::string base = withoutTrailingSlashes(path);
    std::size_t skip = 0;
    while (skip < component.size() && component[skip] == '/')
        ++skip;
    return (base == "/" ? base : base + "/") + component.substr(skip);
}

std::string FileManager::pathExtension(const std::string& path)
{
    std::string name = lastPathComponent(path);
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name == "/")
        return std::string();
    return name.substr(dot + 1);
}

std::string FileManager::stringByDeletingPathExtension(const std::string& path)
{
    std::string trimmed = withoutTrailingSlashes(path);
    std::string name = lastPathComponent(trimmed);
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name == "/")
        return trimmed;
    return trimmed.substr(0, trimmed.size() - (name.size() - dot));
}

bool FileManager::writeAllToDescriptor(int fd, std::string_view data)
{
    const char* p = data.data();
    std::size_t size = data.size();
    while (size > 0) {
        ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace kit
