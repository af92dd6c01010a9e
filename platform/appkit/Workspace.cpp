#include "appkit/Workspace.h"

#include "appkit/Application.h"

#include <QDesktopServices>
#include <QMimeDatabase>
#include <QMimeType>
#include <QUrl>

#include <cerrno>

#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>

namespace kit {

Workspace& Workspace::sharedWorkspace()
{
    static auto* workspace = new Workspace;
    return *workspace;
}

std::string Workspace::reasonNotToOpen(const std::string& path)
{
    if (path.empty())
        return "no file";
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return "the file does not exist";
    if (!S_ISREG(st.st_mode))
        return "not a regular file";
    if (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH))
        return "the file is marked executable";
    // By content and name: a program or launcher without its execute bits
    // would still be run by some openers.
    QMimeType type = QMimeDatabase().mimeTypeForFile(QString::fromStdString(path));
    for (const char* runnable :
         {"application/x-executable", "application/x-sharedlib", "application/x-shellscript",
          "application/x-desktop", "application/x-ms-dos-executable", "application/x-msdownload",
          "application/x-perl", "application/x-python", "application/x-ruby", "application/x-java-archive",
          "application/vnd.microsoft.portable-executable", "application/x-pie-executable"}) {
        if (type.inherits(runnable))
            return "the file is a program or script";
    }
    return std::string();
}

bool Workspace::openFile(const std::string& path)
{
    if (!reasonNotToOpen(path).empty())
        return false;
    if (opener_)
        return opener_(path);
    Application::sharedApplication();
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

namespace {

// The kernel's magic numbers of the file systems worth naming.
std::string fileSystemName(long magic)
{
    switch (static_cast<unsigned long>(magic)) {
    case 0x4d44UL: // msdos, vfat
    case 0x2011BAB0UL: // exfat
        return "DOS";
    case 0xEF53UL:
        return "ext2/3/4";
    case 0x01021994UL:
        return "tmpfs";
    case 0x6969UL:
        return "nfs";
    case 0x9123683EUL:
        return "btrfs";
    case 0x58465342UL:
        return "xfs";
    case 0x794c7630UL:
        return "overlayfs";
    case 0x5346544eUL:
        return "ntfs";
    case 0x65735546UL:
        return "fuse";
    default:
        return "unknown";
    }
}

} // namespace

bool Workspace::getFileSystemInfoForPath(const std::string& path, bool* removable, bool* writable,
                                         bool* unmountable, std::string* description, std::string* type) const
{
    // A file about to be made lives on its folder's volume.
    std::string probe = path.empty() ? std::string(".") : path;
    struct statfs fs {};
    while (::statfs(probe.c_str(), &fs) != 0) {
        const auto slash = probe.find_last_of('/');
        if (errno != ENOENT || slash == std::string::npos)
            return false;
        probe = slash == 0 ? std::string("/") : probe.substr(0, slash);
    }
    struct statvfs vfs {};
    const bool readOnly = ::statvfs(probe.c_str(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY);
    std::string name = fileSystemName(static_cast<long>(fs.f_type));
    if (fileSystemTypeQuery_)
        if (std::string stood = fileSystemTypeQuery_(path); !stood.empty())
            name = stood;
    if (removable)
        *removable = false;
    if (writable)
        *writable = !readOnly;
    if (unmountable)
        *unmountable = false;
    if (description)
        *description = name;
    if (type)
        *type = name;
    return true;
}

} // namespace kit
