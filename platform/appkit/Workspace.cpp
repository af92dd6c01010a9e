#include "appkit/Workspace.h"

#include "appkit/Application.h"

#include "graphics/BitmapImageRep.h"
#include "graphics/Image.h"

#include <QApplication>
#include <QDesktopServices>
#include <QIcon>
#include <QImage>
#include <QStyle>
#include <QMimeDatabase>
#include <QMimeType>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>

namespace kit {

Workspace& Workspace::sharedWorkspace()
{
    static auto* workspace = new Workspace;
    return *workspace;
}

namespace {

constexpr int IconSide = 48;

std::string lowerExtension(const std::string& path)
{
    std::string name = path.substr(path.find_last_of('/') + 1);
    size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0)
        return std::string();
    std::string ext = name.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

// A Qt icon as the kit's picture, its pixels one a point.
std::unique_ptr<Image> imageOfIcon(const QIcon& icon)
{
    QImage pixels = icon.pixmap(IconSide, IconSide).toImage().convertToFormat(QImage::Format_RGBA8888);
    if (pixels.isNull())
        return nullptr;
    auto rep = std::make_unique<BitmapImageRep>(pixels.width(), pixels.height(), BitmapImageRep::ColorModel::RGB, true);
    unsigned char* samples = rep->bitmapData();
    const auto rowBytes = static_cast<size_t>(pixels.width()) * 4;
    for (int y = 0; y < pixels.height(); ++y)
        std::memcpy(samples + static_cast<size_t>(y) * rep->bytesPerRow(), pixels.constScanLine(y), rowBytes);
    auto image = std::make_unique<Image>(makeSize(IconSide, IconSide));
    image->addRepresentation(std::move(rep));
    return image;
}

QIcon standardIcon(QStyle::StandardPixmap which)
{
    QStyle* style = qobject_cast<QApplication*>(QCoreApplication::instance()) ? QApplication::style() : nullptr;
    return style ? style->standardIcon(which) : QIcon();
}

} // namespace

void Workspace::setDocumentIcon(const std::vector<std::string>& extensions, const std::string& imageName)
{
    for (std::string ext : extensions) {
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if (!ext.empty())
            documentIcons_[ext] = imageName;
    }
}

std::unique_ptr<Image> Workspace::iconForFile(const std::string& path) const
{
    // Qt's icons need the screen connection.
    Application::sharedApplication();
    const std::string ext = lowerExtension(path);
    if (auto it = documentIcons_.find(ext); !ext.empty() && it != documentIcons_.end())
        if (auto image = Image::imageNamed(it->second))
            return image;
    // Only the entry is looked at, never what it holds.
    struct stat st {};
    bool folder = !path.empty() && (path.back() == '/' || (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)));
    QIcon icon;
    if (folder) {
        icon = QIcon::fromTheme("folder", standardIcon(QStyle::SP_DirIcon));
    } else {
        const QList<QMimeType> types = QMimeDatabase().mimeTypesForFileName(QString::fromStdString(path));
        if (!types.isEmpty())
            icon = QIcon::fromTheme(types.front().iconName(), QIcon::fromTheme(types.front().genericIconName()));
        if (icon.isNull())
            icon = QIcon::fromTheme("text-x-generic", standardIcon(QStyle::SP_FileIcon));
    }
    if (auto image = imageOfIcon(icon))
        return image;
    // No theme and no style: a blank picture of the right size.
    auto image = std::make_unique<Image>(makeSize(IconSide, IconSide));
    image->addRepresentation(std::make_unique<BitmapImageRep>(IconSide, IconSide, BitmapImageRep::ColorModel::RGB, true));
    return image;
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
