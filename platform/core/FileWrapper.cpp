#include "core/FileWrapper.h"

#include "core/Exception.h"
#include "core/FileManager.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace kit {

namespace {

constexpr std::string_view kMagic = "SFW1";

// The smallest entry of a folder in the serialized form: name length, a
// one-byte name, kind, preferred-name length and a link or folder length.
constexpr std::size_t kMinimumEntrySize = 4 + 1 + 1 + 4 + 4;

class ErrnoKeeper {
public:
    ErrnoKeeper() : saved_(errno) {}
    ~ErrnoKeeper() { errno = saved_; }

private:
    int saved_;
};

[[noreturn]] void damaged(const std::string& why, std::size_t offset)
{
    Exception::raise(ArchiverArchiveInconsistencyException,
        "damaged file wrapper data: " + why + " at byte " + std::to_string(offset));
}

class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    std::size_t offset() const { return position_; }
    std::size_t remaining() const { return bytes_.size() - position_; }

    std::string_view take(std::uint64_t count)
    {
        if (count > remaining())
            damaged("length " + std::to_string(count) + " runs past the end", position_);
        std::string_view part = bytes_.substr(position_, static_cast<std::size_t>(count));
        position_ += static_cast<std::size_t>(count);
        return part;
    }

    std::uint64_t number(int size)
    {
        std::string_view part = take(static_cast<std::uint64_t>(size));
        std::uint64_t value = 0;
        for (char c : part)
            value = (value << 8) | static_cast<unsigned char>(c);
        return value;
    }

private:
    std::string_view bytes_;
    std::size_t position_ = 0;
};

void putNumber(std::string& out, std::uint64_t value, int size)
{
    for (int shift = (size - 1) * 8; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void putString32(std::string& out, const std::string& text)
{
    if (text.size() > UINT32_MAX)
        Exception::raise(InvalidArgumentException, "file wrapper name or link too long to serialize");
    putNumber(out, text.size(), 4);
    out += text;
}

bool writeNewFile(const std::string& path, const std::string& contents)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    bool ok = FileManager::writeAllToDescriptor(fd, contents) && ::fsync(fd) == 0;
    if (!ok) {
        ErrnoKeeper keep;
        ::close(fd);
        return false;
    }
    return ::close(fd) == 0;
}

// A name beside path that nothing uses right now (mkdtemp reserves it, and
// it is freed again for the caller to take).
bool reserveNameBeside(const std::string& path, const char* tag, std::string& name)
{
    std::string parent = FileManager::stringByDeletingLastPathComponent(path);
    if (parent.empty())
        parent = ".";
    name = parent + "/." + FileManager::lastPathComponent(path).substr(0, 180) + tag + "XXXXXX";
    if (::mkdtemp(name.data()) == nullptr)
        return false;
    ::rmdir(name.c_str());
    return true;
}

void syncFolderOf(const std::string& path)
{
    ErrnoKeeper keep;
    std::string parent = FileManager::stringByDeletingLastPathComponent(path);
    int fd = ::open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Puts the finished temporary in place of whatever is at path. Where the
// file system can, the two are swapped in one step; otherwise the old one
// is renamed aside first and renamed back if the new one cannot go in.
bool moveIntoPlace(const std::string& temporary, const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return false;
        return ::rename(temporary.c_str(), path.c_str()) == 0;
    }
    if (FileManager::exchangePath(temporary, path)) {
        FileManager::removeFileAtPath(temporary); // now the old contents
        return true;
    }
    if (!FileManager::exchangeIsUnsupported(errno))
        return false;
    std::string aside;
    if (!reserveNameBeside(path, ".old-", aside) || ::rename(path.c_str(), aside.c_str()) != 0)
        return false;
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        ErrnoKeeper keep;
        ::rename(aside.c_str(), path.c_str());
        return false;
    }
    FileManager::removeFileAtPath(aside);
    return true;
}

} // namespace

bool FileWrapper::isValidFilename(std::string_view name)
{
    return !name.empty() && name.size() <= 255 && name != "." && name != ".."
        && name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

std::unique_ptr<FileWrapper> FileWrapper::initRegularFileWithContents(std::string contents)
{
    std::unique_ptr<FileWrapper> wrapper(new FileWrapper(Kind::RegularFile));
    wrapper->contents_ = std::move(contents);
    return wrapper;
}

std::unique_ptr<FileWrapper> FileWrapper::initDirectoryWithFileWrappers(Wrappers wrappers)
{
    for (const auto& [name, child] : wrappers) {
        if (!isValidFilename(name))
            Exception::raise(InvalidArgumentException, "not a valid file name in a folder: \"" + name + "\"");
        if (!child)
            Exception::raise(InvalidArgumentException, "no wrapper for \"" + name + "\"");
    }
    std::unique_ptr<FileWrapper> wrapper(new FileWrapper(Kind::Directory));
    wrapper->wrappers_ = std::move(wrappers);
    return wrapper;
}

std::unique_ptr<FileWrapper> FileWrapper::initSymbolicLinkWithDestination(std::string destination)
{
    std::unique_ptr<FileWrapper> wrapper(new FileWrapper(Kind::SymbolicLink));
    wrapper->contents_ = std::move(destination);
    return wrapper;
}

namespace {

// skipped says the entry is of a kind that folders leave out.
std::unique_ptr<FileWrapper> readPath(const std::string& path, int depth, bool top, bool& skipped)
{
    skipped = false;
    if (depth > FileWrapper::MaximumDepth) {
        errno = ELOOP;
        return nullptr;
    }
    struct stat st;
    if ((top ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0)
        return nullptr;
    std::unique_ptr<FileWrapper> wrapper;
    if (S_ISREG(st.st_mode)) {
        auto contents = FileManager::contentsAtPath(path);
        if (!contents)
            return nullptr;
        wrapper = FileWrapper::initRegularFileWithContents(std::move(*contents));
    } else if (S_ISLNK(st.st_mode)) {
        std::error_code ec;
        auto destination = std::filesystem::read_symlink(path, ec);
        if (ec) {
            errno = ec.value();
            return nullptr;
        }
        wrapper = FileWrapper::initSymbolicLinkWithDestination(destination.string());
    } else if (S_ISDIR(st.st_mode)) {
        auto names = FileManager::directoryContentsAtPath(path);
        if (!names)
            return nullptr;
        FileWrapper::Wrappers children;
        for (const std::string& name : *names) {
            bool childSkipped = false;
            auto child = readPath(path + "/" + name, depth + 1, false, childSkipped);
            if (childSkipped)
                continue;
            if (!child)
                return nullptr;
            children.emplace(name, std::move(child));
        }
        wrapper = FileWrapper::initDirectoryWithFileWrappers(std::move(children));
    } else {
        // Reading a pipe or a device could block or never end.
        skipped = !top;
        errno = ENOTSUP;
        return nullptr;
    }
    std::string name = FileManager::lastPathComponent(path);
    wrapper->setFilename(name);
    wrapper->setPreferredFilename(name);
    return wrapper;
}

} // namespace

std::unique_ptr<FileWrapper> FileWrapper::initWithPath(const std::string& path)
{
    if (path.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    bool skipped = false;
    return readPath(path, 0, true, skipped);
}

const std::string& FileWrapper::regularFileContents() const
{
    if (kind_ != Kind::RegularFile)
        Exception::raise(InternalInconsistencyException, "regularFileContents of a wrapper that is not a file");
    return contents_;
}

const std::string& FileWrapper::symbolicLinkDestination() const
{
    if (kind_ != Kind::SymbolicLink)
        Exception::raise(InternalInconsistencyException, "symbolicLinkDestination of a wrapper that is not a link");
    return contents_;
}

const FileWrapper::Wrappers& FileWrapper::fileWrappers() const
{
    if (kind_ != Kind::Directory)
        Exception::raise(InternalInconsistencyException, "fileWrappers of a wrapper that is not a folder");
    return wrappers_;
}

std::string FileWrapper::addFileWrapper(std::unique_ptr<FileWrapper> wrapper)
{
    if (kind_ != Kind::Directory)
        Exception::raise(InternalInconsistencyException, "addFileWrapper to a wrapper that is not a folder");
    if (!wrapper)
        Exception::raise(InvalidArgumentException, "addFileWrapper without a wrapper");
    std::string name = wrapper->preferredFilename_.empty() ? wrapper->filename_ : wrapper->preferredFilename_;
    if (!isValidFilename(name))
        Exception::raise(InvalidArgumentException, "not a valid file name in a folder: \"" + name + "\"");
    std::string key = name;
    if (wrappers_.count(key)) {
        // "notes.txt" becomes "notes 2.txt"; a leading dot is not an extension.
        std::size_t dot = name.rfind('.');
        if (dot == std::string::npos || dot == 0)
            dot = name.size();
        std::string stem = name.substr(0, dot);
        std::string extension = name.substr(dot);
        for (unsigned long n = 2;; ++n) {
            std::string suffix = " " + std::to_string(n);
            std::size_t room = 255 - suffix.size() - extension.size();
            key = stem.substr(0, std::min(stem.size(), room)) + suffix + extension;
            if (!wrappers_.count(key) && isValidFilename(key))
                break;
        }
    }
    wrappers_.emplace(key, std::move(wrapper));
    return key;
}

std::string FileWrapper::addRegularFileWithContents(std::string contents, const std::string& preferredFilename)
{
    auto wrapper = initRegularFileWithContents(std::move(contents));
    wrapper->setPreferredFilename(preferredFilename);
    return addFileWrapper(std::move(wrapper));
}

std::unique_ptr<FileWrapper> FileWrapper::removeFileWrapper(const std::string& name)
{
    if (kind_ != Kind::Directory)
        return nullptr;
    auto found = wrappers_.find(name);
    if (found == wrappers_.end())
        return nullptr;
    std::unique_ptr<FileWrapper> wrapper = std::move(found->second);
    wrappers_.erase(found);
    return wrapper;
}

std::string FileWrapper::keyForFileWrapper(const FileWrapper& wrapper) const
{
    for (const auto& [name, child] : wrappers_) {
        if (child.get() == &wrapper)
            return name;
    }
    return std::string();
}

namespace {

void serializeNode(const FileWrapper& wrapper, std::string& out, int depth)
{
    if (depth > FileWrapper::MaximumDepth)
        Exception::raise(InvalidArgumentException, "file wrapper folders nest too deep to serialize");
    out.push_back(static_cast<char>(wrapper.kind()));
    putString32(out, wrapper.preferredFilename());
    switch (wrapper.kind()) {
    case FileWrapper::Kind::RegularFile:
        putNumber(out, wrapper.regularFileContents().size(), 8);
        out += wrapper.regularFileContents();
        break;
    case FileWrapper::Kind::SymbolicLink:
        putString32(out, wrapper.symbolicLinkDestination());
        break;
    case FileWrapper::Kind::Directory:
        putNumber(out, wrapper.fileWrappers().size(), 4);
        for (const auto& [name, child] : wrapper.fileWrappers()) {
            putString32(out, name);
            serializeNode(*child, out, depth + 1);
        }
        break;
    }
}

std::unique_ptr<FileWrapper> readNode(Reader& in, int depth)
{
    if (depth > FileWrapper::MaximumDepth)
        damaged("folders nest deeper than " + std::to_string(FileWrapper::MaximumDepth), in.offset());
    const std::size_t start = in.offset();
    auto kind = in.number(1);
    std::string preferred(in.take(in.number(4)));
    if (!preferred.empty() && !FileWrapper::isValidFilename(preferred))
        damaged("bad preferred file name", start);

    std::unique_ptr<FileWrapper> wrapper;
    switch (kind) {
    case static_cast<unsigned>(FileWrapper::Kind::RegularFile):
        wrapper = FileWrapper::initRegularFileWithContents(std::string(in.take(in.number(8))));
        break;
    case static_cast<unsigned>(FileWrapper::Kind::SymbolicLink): {
        std::string destination(in.take(in.number(4)));
        if (destination.empty() || destination.find('\0') != std::string::npos)
            damaged("bad link destination", start);
        wrapper = FileWrapper::initSymbolicLinkWithDestination(std::move(destination));
        break;
    }
    case static_cast<unsigned>(FileWrapper::Kind::Directory): {
        std::uint64_t count = in.number(4);
        if (count > in.remaining() / kMinimumEntrySize)
            damaged("folder count " + std::to_string(count) + " larger than the data", start);
        FileWrapper::Wrappers children;
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::size_t entry = in.offset();
            std::string name(in.take(in.number(4)));
            if (!FileWrapper::isValidFilename(name))
                damaged("bad file name in a folder", entry);
            auto child = readNode(in, depth + 1);
            child->setFilename(name);
            if (!children.emplace(name, std::move(child)).second)
                damaged("file name \"" + name + "\" twice in one folder", entry);
        }
        wrapper = FileWrapper::initDirectoryWithFileWrappers(std::move(children));
        break;
    }
    default:
        damaged("unknown wrapper kind " + std::to_string(kind), start);
    }
    wrapper->setPreferredFilename(preferred);
    return wrapper;
}

} // namespace

std::string FileWrapper::serializedRepresentation() const
{
    std::string out(kMagic);
    serializeNode(*this, out, 0);
    return out;
}

std::unique_ptr<FileWrapper> FileWrapper::initWithSerializedRepresentation(std::string_view bytes)
{
    if (bytes.substr(0, kMagic.size()) != kMagic)
        damaged("not file wrapper data", 0);
    Reader in(bytes.substr(kMagic.size()));
    auto wrapper = readNode(in, 0);
    if (in.remaining() != 0)
        damaged("extra bytes after the data", kMagic.size() + in.offset());
    return wrapper;
}

namespace {

// Writes a wrapper where nothing is yet; the caller makes it atomic.
bool writeTree(FileWrapper& wrapper, const std::string& path)
{
    bool ok = false;
    switch (wrapper.kind()) {
    case FileWrapper::Kind::RegularFile:
        ok = writeNewFile(path, wrapper.regularFileContents());
        break;
    case FileWrapper::Kind::SymbolicLink:
        ok = ::symlink(wrapper.symbolicLinkDestination().c_str(), path.c_str()) == 0;
        break;
    case FileWrapper::Kind::Directory:
        ok = ::mkdir(path.c_str(), 0777) == 0;
        for (const auto& [name, child] : wrapper.fileWrappers()) {
            if (!ok)
                break;
            ok = writeTree(*child, path + "/" + name);
        }
        break;
    }
    return ok;
}

void takeWrittenNames(FileWrapper& wrapper, const std::string& name)
{
    wrapper.setFilename(name);
    if (wrapper.isDirectory()) {
        for (const auto& [childName, child] : wrapper.fileWrappers())
            takeWrittenNames(*child, childName);
    }
}

} // namespace

bool FileWrapper::writeToFile(const std::string& path, bool atomically, bool updateFilenames)
{
    std::string name = FileManager::lastPathComponent(path);
    if (path.empty() || name == "/" || name == "." || name == "..") {
        errno = EINVAL;
        return false;
    }
    if (!atomically) {
        struct stat st;
        if (::lstat(path.c_str(), &st) == 0 && !FileManager::removeFileAtPath(path))
            return false;
        if (!writeTree(*this, path))
            return false;
        if (updateFilenames)
            takeWrittenNames(*this, name);
        return true;
    }

    bool isFolder = false;
    if (kind_ == Kind::RegularFile && !(FileManager::fileExistsAtPath(path, &isFolder) && isFolder)) {
        if (!FileManager::writeFileAtomically(path, contents_))
            return false;
        if (updateFilenames)
            filename_ = name;
        return true;
    }

    std::string temporary;
    if (!reserveNameBeside(path, ".wrap-", temporary))
        return false;
    bool ok = writeTree(*this, temporary);
    if (ok)
        ok = moveIntoPlace(temporary, path);
    if (!ok) {
        ErrnoKeeper keep;
        FileManager::removeFileAtPath(temporary);
        return false;
    }
    syncFolderOf(path);
    // Names are taken only once the write has succeeded.
    if (updateFilenames)
        takeWrittenNames(*this, name);
    return true;
}

} // namespace kit
