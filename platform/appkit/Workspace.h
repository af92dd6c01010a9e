#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kit {

class Image;

// The desktop the program runs in.
class Workspace {
public:
    static Workspace& sharedWorkspace();

    // Hands an existing regular file (a symbolic link is followed) to the
    // desktop's program for its type, as an argument, never through a
    // shell. Programs, scripts, desktop launchers and files marked
    // executable are never handed over: opening them would run them. False
    // when the file is refused or the desktop cannot open it.
    bool openFile(const std::string& path);
    // Why a path may not be opened; empty when it may.
    static std::string reasonNotToOpen(const std::string& path);

    // Who opens files: the desktop (QDesktopServices, which runs the
    // desktop's opener such as xdg-open) by default; tests put a stand-in.
    using Opener = std::function<bool(const std::string& path)>;
    void setOpener(Opener opener) { opener_ = std::move(opener); }

    // What the volume holding path is: its file system type ("DOS" for the
    // FAT family, else the kernel's name for it, such as "ext2/3/4",
    // "tmpfs", "nfs"), whether it is writable, and so on. False when path
    // (or, for a path that does not exist yet, its folder) is not found.
    bool getFileSystemInfoForPath(const std::string& path, bool* removable, bool* writable, bool* unmountable,
                                  std::string* description, std::string* type) const;
    // Tests stand in for the file system type (empty: ask the kernel).
    using FileSystemTypeQuery = std::function<std::string(const std::string& path)>;
    void setFileSystemTypeQuery(FileSystemTypeQuery query) { fileSystemTypeQuery_ = std::move(query); }

    // The desktop's picture of a file (48 by 48 points), chosen by its name
    // alone: the program's own documents by their extension, a folder, else
    // the picture of the type the extension names (a plain file's when it
    // names none). The file is never opened or read, so a named pipe or a
    // file on a stalled disk cannot hold the program up; only a name without
    // a trailing "/" is looked up (lstat) to tell a folder. Never null.
    std::unique_ptr<Image> iconForFile(const std::string& path) const;
    // The program's documents: files with these extensions (any case) show
    // the resource picture of that name.
    void setDocumentIcon(const std::vector<std::string>& extensions, const std::string& imageName);

private:
    Workspace() = default;
    std::map<std::string, std::string> documentIcons_; // lower-case extension to image name
    Opener opener_;
    FileSystemTypeQuery fileSystemTypeQuery_;
};

} // namespace kit
