#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace kit {

// A file, a symbolic link or a folder of named wrappers held in memory, read
// from disk or from the pasteboard and written back as a whole. Documents in
// foreign formats (RTFD is a folder) travel as file wrappers.
//
// Symbolic links inside a folder are kept as links (their destination text),
// never followed: following them could loop or pull in files from anywhere.
// The path given to initWithPath itself is followed, so opening a document
// through a link reads the document.
class FileWrapper {
public:
    enum class Kind : unsigned char { RegularFile = 1, Directory = 2, SymbolicLink = 3 };
    using Wrappers = std::map<std::string, std::unique_ptr<FileWrapper>>;

    // How far below the top wrapper (depth 0) a wrapper may sit, on disk and
    // in the serialized form.
    static constexpr int MaximumDepth = 64;

    static std::unique_ptr<FileWrapper> initRegularFileWithContents(std::string contents);
    // Every key must be a valid file name (isValidFilename); throws
    // kit::Exception (InvalidArgumentException) otherwise.
    static std::unique_ptr<FileWrapper> initDirectoryWithFileWrappers(Wrappers wrappers);
    static std::unique_ptr<FileWrapper> initSymbolicLinkWithDestination(std::string destination);

    // Reads a file or a whole folder tree. Pipes, sockets and devices inside
    // a folder are left out. nullptr (errno set) when the path cannot be read,
    // is not a file or folder, or nests deeper than MaximumDepth.
    static std::unique_ptr<FileWrapper> initWithPath(const std::string& path);

    // Our own pasteboard form, all numbers big-endian:
    //   "SFW1", then one node:
    //   node    = kind (1 byte: 1 file, 2 folder, 3 link),
    //             u32 length + preferred file name,
    //             file:   u64 length + contents
    //             link:   u32 length + destination
    //             folder: u32 count, then count entries of
    //                     u32 length + name, node
    // Every length and count is checked against the bytes left, folders nest
    // at most MaximumDepth deep, names must be valid file names and unique
    // within their folder, and nothing may follow the root node. Damaged
    // input throws kit::Exception (NSArchiverArchiveInconsistency).
    std::string serializedRepresentation() const;
    static std::unique_ptr<FileWrapper> initWithSerializedRepresentation(std::string_view bytes);

    Kind kind() const { return kind_; }
    bool isRegularFile() const { return kind_ == Kind::RegularFile; }
    bool isDirectory() const { return kind_ == Kind::Directory; }
    bool isSymbolicLink() const { return kind_ == Kind::SymbolicLink; }

    // The name the wrapper was last read from or written to.
    const std::string& filename() const { return filename_; }
    void setFilename(const std::string& name) { filename_ = name; }
    // The name wanted when the wrapper is added to a folder.
    const std::string& preferredFilename() const { return preferredFilename_; }
    void setPreferredFilename(const std::string& name) { preferredFilename_ = name; }

    // The accessors of one kind throw kit::Exception
    // (NSInternalInconsistencyException) on a wrapper of another kind.
    const std::string& regularFileContents() const;
    const std::string& symbolicLinkDestination() const;
    const Wrappers& fileWrappers() const;

    // Adds to a folder under the wrapper's preferred file name (its filename
    // when none is preferred); a name in use gets " 2", " 3", ... before its
    // extension. Answers the name used. Throws kit::Exception
    // (InvalidArgumentException) when the wrapper has no valid name.
    std::string addFileWrapper(std::unique_ptr<FileWrapper> wrapper);
    std::string addRegularFileWithContents(std::string contents, const std::string& preferredFilename);
    // Takes the wrapper out of the folder and hands it back; nullptr when no
    // wrapper has that name.
    std::unique_ptr<FileWrapper> removeFileWrapper(const std::string& name);
    // The name of a wrapper in this folder, empty when it is not there.
    std::string keyForFileWrapper(const FileWrapper& wrapper) const;

    // Writes the wrapper to path. Atomically, a folder is written whole under
    // a temporary name in the same parent folder and then swapped into place
    // (whatever was at path is removed afterwards), and a file goes through
    // FileManager::writeFileAtomically; path then holds either the old or the
    // new contents. Not atomically, whatever is at path is removed first and
    // the wrapper written straight there. With updateFilenames every wrapper
    // written takes the name it was written under. False (errno set) on
    // failure, leaving the old contents when atomic.
    bool writeToFile(const std::string& path, bool atomically, bool updateFilenames = false);

    // A name that can stand for one entry of a folder: not empty, not "." or
    // "..", no '/' and no NUL byte, at most 255 bytes.
    static bool isValidFilename(std::string_view name);

private:
    explicit FileWrapper(Kind kind) : kind_(kind) {}

    Kind kind_;
    std::string filename_;
    std::string preferredFilename_;
    std::string contents_; // file contents or link destination
    Wrappers wrappers_;
};

} // namespace kit
