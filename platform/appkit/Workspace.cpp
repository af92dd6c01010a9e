#include "appkit/Workspace.h"

#include "appkit/Application.h"

#include <QDesktopServices>
#include <QMimeDatabase>
#include <QMimeType>
#include <QUrl>

#include <sys/stat.h>

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

} // namespace kit
