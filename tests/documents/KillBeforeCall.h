#pragma once

// Work run in a child process that this one traces (ptrace), killed just
// before its n-th system call that changes files: stopped at the call's
// entry and killed there (SIGKILL), so that the call never runs. Counting
// n up from 1 until the work finishes kills it before each such call in
// turn. The child can be given a kernel without RENAME_EXCHANGE (a seccomp
// filter answers EINVAL), as file systems that cannot exchange answer.

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <stdio.h>
#include <string>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef RENAME_EXCHANGE
#define RENAME_EXCHANGE (1 << 1)
#endif

namespace stress {

enum class TracedEnd {
    Killed,      // stopped before the n-th call and killed
    Finished,    // the work ended before it made n calls
    Failed,      // the work failed or died by itself
    Unavailable, // this machine does not let a process trace its child
};

namespace detail {

// Creating, writing, renaming, linking, removing, and changing modes, owners
// and times. Flushing changes nothing a reader sees and is not counted.
inline bool changesFiles(std::uint64_t nr, const std::uint64_t* args)
{
    const auto creates = [](std::uint64_t flags) { return (flags & (O_CREAT | O_TRUNC)) != 0; };
    switch (nr) {
#ifdef SYS_open
    case SYS_open: return creates(args[1]);
#endif
    case SYS_openat: return creates(args[2]);
#ifdef SYS_openat2
    case SYS_openat2: return true;
#endif
#ifdef SYS_creat
    case SYS_creat:
#endif
#ifdef SYS_rename
    case SYS_rename:
#endif
#ifdef SYS_renameat
    case SYS_renameat:
#endif
#ifdef SYS_link
    case SYS_link:
#endif
#ifdef SYS_symlink
    case SYS_symlink:
#endif
#ifdef SYS_unlink
    case SYS_unlink:
#endif
#ifdef SYS_rmdir
    case SYS_rmdir:
#endif
#ifdef SYS_mkdir
    case SYS_mkdir:
#endif
#ifdef SYS_chmod
    case SYS_chmod:
#endif
#ifdef SYS_chown
    case SYS_chown:
#endif
#ifdef SYS_lchown
    case SYS_lchown:
#endif
#ifdef SYS_utime
    case SYS_utime:
#endif
#ifdef SYS_utimes
    case SYS_utimes:
#endif
#ifdef SYS_mknod
    case SYS_mknod:
#endif
    case SYS_write:
    case SYS_writev:
    case SYS_pwrite64:
    case SYS_pwritev:
    case SYS_pwritev2:
    case SYS_ftruncate:
    case SYS_truncate:
    case SYS_fallocate:
    case SYS_renameat2:
    case SYS_linkat:
    case SYS_symlinkat:
    case SYS_unlinkat:
    case SYS_mkdirat:
    case SYS_mknodat:
    case SYS_fchmod:
    case SYS_fchmodat:
    case SYS_fchown:
    case SYS_fchownat:
    case SYS_utimensat:
    case SYS_copy_file_range:
    case SYS_sendfile:
    case SYS_splice:
    case SYS_setxattr:
    case SYS_lsetxattr:
    case SYS_fsetxattr:
    case SYS_removexattr:
    case SYS_lremovexattr:
    case SYS_fremovexattr:
        return true;
    default:
        return false;
    }
}

// In the child: renameat2 with RENAME_EXCHANGE answers EINVAL.
inline bool denyExchange()
{
#if defined(__x86_64__)
    constexpr std::uint32_t arch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
    constexpr std::uint32_t arch = AUDIT_ARCH_AARCH64;
#else
    return false;
#endif
#if __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
    return false;
#endif
    // The flags are renameat2's fifth argument; their low word holds them.
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, arch, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_renameat2, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[4])),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, RENAME_EXCHANGE, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EINVAL & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

} // namespace detail

// Runs work (answering whether it succeeded) in a traced child and kills
// the child before its n-th call that changes files.
inline TracedEnd runKilledBeforeCall(const std::function<bool()>& work, int n, bool withoutExchange)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return TracedEnd::Unavailable;
    if (pid == 0) {
        if (withoutExchange && !detail::denyExchange())
            std::_Exit(3);
        if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
            std::_Exit(2);
        ::raise(SIGSTOP);
        std::_Exit(work() ? 0 : 1);
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFSTOPPED(status)) {
        ::waitpid(pid, &status, 0);
        return TracedEnd::Unavailable;
    }
    ::ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
    int calls = 0;
    int signal = 0;
    for (;;) {
        if (::ptrace(PTRACE_SYSCALL, pid, nullptr, reinterpret_cast<void*>(static_cast<long>(signal))) != 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return TracedEnd::Failed;
        }
        signal = 0;
        if (::waitpid(pid, &status, 0) != pid)
            return TracedEnd::Failed;
        if (WIFEXITED(status))
            return WEXITSTATUS(status) == 0 ? TracedEnd::Finished : TracedEnd::Failed;
        if (WIFSIGNALED(status))
            return TracedEnd::Failed;
        if (!WIFSTOPPED(status))
            continue;
        if (WSTOPSIG(status) != (SIGTRAP | 0x80)) {
            signal = WSTOPSIG(status); // the child's own signal goes on to it
            continue;
        }
        __ptrace_syscall_info info{};
        if (::ptrace(PTRACE_GET_SYSCALL_INFO, pid, reinterpret_cast<void*>(sizeof info), &info) <= 0)
            continue;
        if (info.op == PTRACE_SYSCALL_INFO_ENTRY && detail::changesFiles(info.entry.nr, info.entry.args) &&
            ++calls == n) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) == pid && !WIFSIGNALED(status) && !WIFEXITED(status))
                ;
            return TracedEnd::Killed;
        }
    }
}

} // namespace stress
