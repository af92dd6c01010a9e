#pragma once

// Work that must run in a process of its own: under a file-size limit, or
// as an unprivileged user when the tests run as root (root may write where
// the user may not, so a read-only file or folder would not refuse it).

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <grp.h>
#include <pwd.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace child {

// The body's answer as the child's exit status; -1 when the child did not
// end by itself.
inline int run(const std::function<int()>& body)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        int code = 120;
        try {
            code = body();
        } catch (...) {
            code = 121;
        }
        std::_Exit(code);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        ;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Files written beyond the limit fail with EFBIG instead of ending the
// process.
inline void limitFileSize(rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {bytes, bytes};
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

// The user "nobody" (uid and gid), when this process may become it.
inline bool nobody(uid_t* uid, gid_t* gid)
{
    const struct passwd* entry = ::getpwnam("nobody");
    if (!entry)
        return false;
    *uid = entry->pw_uid;
    *gid = entry->pw_gid;
    return true;
}

// As root, the files a child works on must belong to the user it becomes.
inline bool giveToUnprivilegedUser(const std::string& path)
{
    if (::geteuid() != 0)
        return true;
    uid_t uid;
    gid_t gid;
    return nobody(&uid, &gid) && ::lchown(path.c_str(), uid, gid) == 0;
}

// In the child: root becomes "nobody"; anyone else stays who they are.
inline bool dropPrivileges()
{
    if (::geteuid() != 0)
        return true;
    uid_t uid;
    gid_t gid;
    if (!nobody(&uid, &gid))
        return false;
    return ::setgroups(0, nullptr) == 0 && ::setgid(gid) == 0 && ::setuid(uid) == 0 && ::geteuid() != 0;
}

} // namespace child
