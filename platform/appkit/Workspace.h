#pragma once

#include <functional>
#include <string>

namespace kit {

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

private:
    Workspace() = default;
    Opener opener_;
    FileSystemTypeQuery fileSystemTypeQuery_;
};

} // namespace kit
