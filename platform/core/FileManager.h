#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace kit {

enum class FileType { Regular, Directory, SymbolicLink, Other };

struct FileAttributes {
    FileType type = FileType::Other;
    std::uint64_t size = 0;
    double modificationDate = 0; // seconds since the epoch
    unsigned permissions = 0;    // the mode's permission bits (07777)
};

// A file's bytes mapped into memory (or, for empty files and files that
// cannot be mapped such as /proc entries, read into a buffer).
// The mapping is private and read-only; truncating the file while it is
// mapped makes reads past the new end fault, as with any mapping.
class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    std::span<const unsigned char> bytes() const;
    std::string_view view() const;
    std::size_t size() const { return size_; }
    bool isMapped() const { return mapping_ != nullptr; }

private:
    friend class FileManager;
    void* mapping_ = nullptr;
    std::size_t size_ = 0;
    std::string buffer_;
};

// Files and folders by UTF-8 path. Functions answering bool leave errno
// saying why they failed.
class FileManager {
public:
    // Whether something exists at path (symbolic links followed); isDirectory
    // receives whether it is a folder.
    static bool fileExistsAtPath(const std::string& path, bool* isDirectory = nullptr);
    static bool isReadableFileAtPath(const std::string& path);
    static bool isWritableFileAtPath(const std::string& path);

    // Type, size, modification date and permissions; with traverseLink NO a
    // symbolic link answers its own attributes. nullopt when absent.
    static std::optional<FileAttributes> fileAttributesAtPath(const std::string& path, bool traverseLink = true);

    // Writes all of data to an open descriptor, retrying after signals.
    static bool writeAllToDescriptor(int fd, std::string_view data);

    // Writes bytes to a temporary file in path's folder, flushes it to disk
    // and renames it over path, so that path holds either the old or the new
    // contents, never a mix. On failure the old file is untouched, the
    // temporary is removed and the answer is false. An existing file keeps
    // its permissions; a new one gets 0666 less the umask. A symbolic link at
    // path is followed: its target is replaced and the link stays.
    static bool writeFileAtomically(const std::string& path, std::string_view bytes);
    static bool writeFileAtomically(const std::string& path, std::span<const unsigned char> bytes);

    // The whole file; nullopt when it cannot be read (absent, a folder, a
    // pipe or socket, no permission).
    static std::optional<std::string> contentsAtPath(const std::string& path);
    // The whole file when path (symbolic links followed) is a regular file;
    // nullopt (errno EISDIR or EINVAL) for folders, devices, pipes and
    // sockets, which a reader of documents must not take as a file.
    static std::optional<std::string> regularFileContentsAtPath(const std::string& path);
    static std::optional<MappedFile> mappedContentsAtPath(const std::string& path);

    // A folder made once per run under $TMPDIR (or /tmp), mode 0700, and
    // removed with everything in it when the process that made it exits
    // normally. Throws kit::Exception when it cannot be made.
    static const std::string& temporaryDirectory();
    // A path in that folder that nothing uses yet, its name starting with
    // prefix (a '/' in the prefix becomes '_'). Nothing is created.
    static std::string uniqueTemporaryPath(const std::string& prefix);

    // Makes the folder (and, withIntermediates, the missing folders above
    // it); mode is masked by the umask. An existing folder is a success only
    // withIntermediates, as with "mkdir -p".
    static bool createDirectoryAtPath(const std::string& path, bool withIntermediates = true, mode_t mode = 0777);

    // Removes a file, a symbolic link (not its target) or a whole folder
    // tree. False when nothing was there or something could not be removed.
    static bool removeFileAtPath(const std::string& path);

    // Copies a file, a symbolic link (as a link) or a folder tree to a path
    // where nothing exists yet; the copy appears at once (made under a
    // temporary name beside it, then renamed). Fails when to exists.
    static bool copyPath(const std::string& from, const std::string& to);
    // Moves (renames) to a path where nothing exists yet; across file systems
    // it copies, then removes the original. Fails when to exists.
    static bool movePath(const std::string& from, const std::string& to);
    // A second name (hard link) for the file at from, a symbolic link there
    // being followed; to must not exist. Fails on file systems without hard
    // links (EPERM) and across file systems (EXDEV).
    static bool linkPath(const std::string& from, const std::string& to);

    // Swaps what the two paths name in one step (renameat2 with
    // RENAME_EXCHANGE), files and folders alike, so that neither path is
    // ever missing; both must exist. Where the file system or the kernel
    // cannot, false with errno for which exchangeIsUnsupported answers yes.
    static bool exchangePath(const std::string& from, const std::string& to);
    static bool exchangeIsUnsupported(int error);

    // The names in a folder, without "." and "..", sorted by bytes; nullopt
    // when it is not a readable folder.
    static std::optional<std::vector<std::string>> directoryContentsAtPath(const std::string& path);

    static std::string currentDirectoryPath();

    // Path helpers on plain strings; trailing slashes are ignored and "/"
    // stays "/". "/a/b.ps" has the last component "b.ps", the parent "/a",
    // the extension "ps"; a name that only starts with a dot (".profile") has
    // no extension.
    static std::string lastPathComponent(const std::string& path);
    static std::string stringByDeletingLastPathComponent(const std::string& path);
    static std::string stringByAppendingPathComponent(const std::string& path, const std::string& component);
    static std::string pathExtension(const std::string& path);
    static std::string stringByDeletingPathExtension(const std::string& path);
};

} // namespace kit
